// The kit the game's functions are written with, on functions written with it: results through
// the general script call and direct calls, with blocks that visit nothing or are left by a
// return from inside, the epsilon, and the trace an error report prints.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "container/scpt.h"
#include "container/writer.h"
#include "core/hand_made_room.h"
#include "core/memory_manager.h"
#include "core/registry_test_support.h"
#include "core/value_ops.h"
#include "core/value_test_util.h"
#include "functions/math_functions.h"
#include "lumbrix/kit.h"
#include "runtime/container.h"
#include "vm/code_object.h"
#include "vm/script_table.h"
#include "world/lifecycle.h"

namespace {

enum : int32_t { kHits = 0, kSeen = 1, kInstanceCount = 2 };

LinkName g_id{"id", 0};
LinkName* g_variables[] = {&g_id, nullptr};
LinkName g_setEpsilon{"math_set_epsilon", 0};
LinkName* g_builtins[] = {&g_setEpsilon, nullptr};

tll::Static s_caller;

// kit_add(a, b): return a + b
RValue* tll_Script_kit_add(CInstance*, CInstance*, RValue* result, int32_t, RValue** args) {
  tll::Frame frame("tll_Script_kit_add");
  frame.Line(1);
  return tll::Return(result, tll::Num(*args[0]) + tll::Num(*args[1]));
}

// kit_count(): hits += 1 (no return statement)
RValue* tll_Script_kit_count(CInstance* self, CInstance*, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_kit_count");
  frame.Line(1);
  tll::SetReal(&tll::Own(self, kHits), tll::Num(tll::Own(self, kHits)) + 1);
  return result;
}

// kit_caller(): kit_add(1, 2); kit_count(); return the static both calls wrote through
RValue* tll_Script_kit_caller(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_kit_caller");
  frame.Line(1);
  tll::Script(tll_Script_kit_add, self, other, &s_caller, tll::Real(1), tll::Real(2));
  frame.Line(2);
  tll::Script(tll_Script_kit_count, self, other, &s_caller);
  frame.Line(3);
  return tll::Return(result, *s_caller);
}

// kit_nested(a, b): with (a) with (b) return id; return -1
RValue* tll_Script_kit_nested(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t, RValue** args) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_kit_nested");
  tll::Local id;
  frame.Line(1);
  {
    tll::With outer(&self, &other, tll::Int(*args[0]));
    if (outer.Any()) do {
        frame.Line(2);
        tll::With inner(&self, &other, tll::Int(*args[1]));
        if (inner.Any()) do {
            frame.Line(3);
            tll::Get(self, g_id, &id);
            return tll::Return(result, *id);
          } while (inner.Next());
      } while (outer.Next());
  }
  frame.Line(4);
  return tll::Return(result, -1);
}

// kit_with(target): with (target) seen += 1; remembers self and other after the block
CInstance* g_selfAfter = nullptr;
CInstance* g_otherAfter = nullptr;
RValue* tll_Script_kit_with(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t, RValue** args) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_kit_with");
  frame.Line(1);
  {
    tll::With with(&self, &other, tll::Int(*args[0]));
    if (with.Any()) do {
        frame.Line(2);
        tll::SetReal(&tll::Own(self, kSeen), tll::Num(tll::Own(self, kSeen)) + 1);
      } while (with.Next());
  }
  g_selfAfter = self;
  g_otherAfter = other;
  return result;
}

// kit_equal(a, b): return a + b == c (two arguments: a + b against the third)
RValue* tll_Script_kit_equal(CInstance*, CInstance*, RValue* result, int32_t, RValue** args) {
  tll::Frame frame("tll_Script_kit_equal");
  frame.Line(1);
  return tll::Return(result, tll::Equal(tll::Num(*args[0]) + tll::Num(*args[1]), tll::Num(*args[2])) ? 1 : 0);
}

// kit_fail(): on line 5, "a" + 1
RValue* tll_Script_kit_fail(CInstance*, CInstance*, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_kit_fail");
  tll::Local text;
  frame.Line(4);
  RValue_SetString(&text, "a");
  frame.Line(5);
  RValue sum = RValue_AddReal(*text, 1);
  RValue_Release(&sum);
  return result;
}

// kit_fail_outer(): calls kit_fail on line 9
RValue* tll_Script_kit_fail_outer(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_kit_fail_outer");
  frame.Line(9);
  tll::Script(tll_Script_kit_fail, self, other, &s_caller);
  return result;
}

// kit_set_epsilon(e): math_set_epsilon(e) through the built-in's slot
RValue* tll_Script_kit_set_epsilon(CInstance* self, CInstance* other, RValue* result, int32_t, RValue** args) {
  tll::Frame frame("tll_Script_kit_set_epsilon");
  frame.Line(1);
  tll::Call(self, other, &s_caller, g_setEpsilon, *args[0]);
  return result;
}

enum : int32_t { kAdd, kCount, kCaller, kNested, kWith, kEqual, kFail, kFailOuter, kSetEpsilon, kFunctionCount };

LinkFunction g_functions[kFunctionCount] = {
    {"tll_Script_kit_add", reinterpret_cast<void*>(&tll_Script_kit_add)},
    {"tll_Script_kit_count", reinterpret_cast<void*>(&tll_Script_kit_count)},
    {"tll_Script_kit_caller", reinterpret_cast<void*>(&tll_Script_kit_caller)},
    {"tll_Script_kit_nested", reinterpret_cast<void*>(&tll_Script_kit_nested)},
    {"tll_Script_kit_with", reinterpret_cast<void*>(&tll_Script_kit_with)},
    {"tll_Script_kit_equal", reinterpret_cast<void*>(&tll_Script_kit_equal)},
    {"tll_Script_kit_fail", reinterpret_cast<void*>(&tll_Script_kit_fail)},
    {"tll_Script_kit_fail_outer", reinterpret_cast<void*>(&tll_Script_kit_fail_outer)},
    {"tll_Script_kit_set_epsilon", reinterpret_cast<void*>(&tll_Script_kit_set_epsilon)},
};

double RealOf(const RValue& v) { return RValue_Kind(&v) == VALUE_REAL ? v.val : -12345.0; }

class KitTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Variable_BuiltIn_Init();
    InitMathFunctions();
    m_record.instanceCount = kInstanceCount;
    m_record.functionCount = kFunctionCount;
    m_record.variables = g_variables;
    m_record.builtins = g_builtins;
    m_record.functions = g_functions;
    Game_UseLinkRecord(&m_record);
    Game_BindLinkRecord(&m_record);
    Variable_SetNameTableSizes(0, kInstanceCount);
    ASSERT_TRUE(LoadScripts());
    m_room.emplace();
    m_epsilon = Math_Epsilon;
  }
  void TearDown() override {
    Math_Epsilon = m_epsilon;
    m_room.reset();
    Script_DeleteAll();
    Game_UseLinkRecord(nullptr);
    RValue_Release(&s_caller);
    RegistryTest::TearDown();
  }

  bool LoadScripts() {
    std::vector<container::ScriptEntry> scripts;
    for (int32_t i = 0; i < kFunctionCount; ++i) {
      scripts.push_back({g_functions[i].name + std::strlen("tll_Script_"), static_cast<uint32_t>(i), {}, false});
    }
    container::ContainerWriter writer;
    container::write_scpt(writer, scripts);
    m_bytes = writer.build().bytes;
    ContainerChunks chunks(ContainerBytes{m_bytes.data(), m_bytes.size()});
    for (ContainerChunk chunk; chunks.Next(&chunk);) {
      if (std::strcmp(chunk.tag, "SCPT") != 0) continue;
      Script_Init();
      return Script_Load(chunk.body, chunk.size, ContainerBytes{m_bytes.data(), m_bytes.size()}) && Script_Prepare();
    }
    return false;
  }

  CInstance* NewInstance(int32_t objectIndex, int32_t id) { return m_room->NewInstance(objectIndex, id); }
  static int32_t NewObject(const char* name) { return HandMadeRoom::NewObject(name); }
  static RValue Run(int32_t script, std::vector<RValue> args, CInstance* self = nullptr, CInstance* other = nullptr) {
    return CallScriptForTest(script, std::move(args), self, other);
  }

  GameLinkRecord m_record;
  std::vector<uint8_t> m_bytes;
  std::optional<HandMadeRoom> m_room;
  double m_epsilon = 0;
  RuntimeErrorCapture m_errors;
};

TEST_F(KitTest, AScriptWithoutAReturnGivesZeroThroughTheGeneralCallAndLeavesADirectCallersStatic) {
  CInstance* self = NewInstance(NewObject("ob_kit"), 100001);
  RValue r = Run(kCount, {}, self);
  EXPECT_EQ(RValue_Kind(&r), VALUE_REAL);
  EXPECT_EQ(r.val, 0.0);
  EXPECT_EQ(RealOf(self->m_slots[kHits]), 1.0);
  // kit_add left 3 in the caller's static; kit_count, returning nothing, left it so.
  r = Run(kCaller, {}, self);
  EXPECT_EQ(RealOf(r), 3.0);
  EXPECT_EQ(RealOf(self->m_slots[kHits]), 2.0);
  EXPECT_EQ(g_pStackTrace, nullptr);
}

TEST_F(KitTest, AWithOverNooneRunsNothingAndKeepsSelfAndOther) {
  const int32_t object = NewObject("ob_kit");
  CInstance* self = NewInstance(object, 100001);
  CInstance* other = NewInstance(object, 100002);
  RValue r = Run(kWith, {tll::Real(-4)}, self, other);
  EXPECT_EQ(g_selfAfter, self);
  EXPECT_EQ(g_otherAfter, other);
  EXPECT_EQ(self->m_slots[kSeen].kind, VALUE_UNSET);
  EXPECT_EQ(other->m_slots[kSeen].kind, VALUE_UNSET);
  // Over the object: each instance once, and self and other are back afterwards.
  r = Run(kWith, {tll::Real(object)}, self, other);
  EXPECT_EQ(RealOf(self->m_slots[kSeen]), 1.0);
  EXPECT_EQ(RealOf(other->m_slots[kSeen]), 1.0);
  EXPECT_EQ(g_selfAfter, self);
  EXPECT_EQ(g_otherAfter, other);
}

TEST_F(KitTest, AReturnFromInsideTwoWithBlocksEndsBothIterations) {
  const int32_t a = NewObject("ob_a");
  const int32_t b = NewObject("ob_b");
  NewInstance(a, 100010);
  NewInstance(a, 100011);
  NewInstance(b, 100020);
  NewInstance(b, 100021);
  CInstance* self = NewInstance(NewObject("ob_kit"), 100001);
  RValue r = Run(kNested, {tll::Real(a), tll::Real(b)}, self);  // warm up
  const int64_t before = MemoryManager_BytesInUse();
  r = Run(kNested, {tll::Real(a), tll::Real(b)}, self);
  EXPECT_EQ(RealOf(r), 100021.0);  // the inner block's first visit
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
  EXPECT_EQ(g_pStackTrace, nullptr);
  r = Run(kNested, {tll::Real(a), tll::Real(-4)}, self);
  EXPECT_EQ(RealOf(r), -1.0);
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
}

TEST_F(KitTest, RealsAreEqualWithinTheEpsilonThatScriptsSet) {
  EXPECT_EQ(RealOf(Run(kEqual, {tll::Real(0.1), tll::Real(0.2), tll::Real(0.3)})), 1.0);
  Run(kSetEpsilon, {tll::Real(0)});
  EXPECT_EQ(Math_Epsilon, 0.0);
  EXPECT_EQ(RealOf(Run(kEqual, {tll::Real(0.1), tll::Real(0.2), tll::Real(0.3)})), 0.0);
  EXPECT_EQ(RealOf(Run(kEqual, {tll::Real(0.25), tll::Real(0.5), tll::Real(0.75)})), 1.0);
}

TEST_F(KitTest, TruthAndIntegersFollowTheGamesRules) {
  struct Case {
    double value;
    bool truth;
    int32_t integer;
  } const cases[] = {{0.5, false, 0}, {0.5000001, true, 0}, {1, true, 1}, {-2.7, false, -2}, {2.7, true, 2}};
  for (const Case& c : cases) {
    EXPECT_EQ(tll::Truth(tll::Real(c.value)), c.truth) << c.value;
    EXPECT_EQ(tll::Int(tll::Real(c.value)), c.integer) << c.value;
  }
  EXPECT_FALSE(tll::Positive(1e-11));
  EXPECT_TRUE(tll::Positive(1e-9));
  EXPECT_FALSE(tll::Negative(-1e-11));
  // Beyond the integers, and not a number, no target is named.
  EXPECT_EQ(tll::Int(1e300), INT32_MIN);
  EXPECT_EQ(tll::Int(std::nan("")), INT32_MIN);
  tll::Local text;
  RValue_SetString(&text, "1");
  EXPECT_FALSE(tll::Truth(*text));
}

TEST_F(KitTest, AnErrorReportNamesEachTranslatedFunctionWithItsStatementsLine) {
  Run(kFailOuter, {});
  const std::string report = RuntimeErrorCapture::LastReport();
  EXPECT_NE(report.find("unable to add a number to string"), std::string::npos) << report;
  const size_t inner = report.find("called from - tll_Script_kit_fail (line 5)\n");
  const size_t outer = report.find("called from - tll_Script_kit_fail_outer (line 9)\n");
  EXPECT_NE(inner, std::string::npos) << report;
  EXPECT_NE(outer, std::string::npos) << report;
  EXPECT_LT(inner, outer);
  EXPECT_EQ(g_pStackTrace, nullptr);
}

}  // namespace
