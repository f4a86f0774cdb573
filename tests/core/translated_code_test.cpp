// Translated code on the runner's side: the link record's binding, code objects, the script table
// and its SCPT chunk, calls of built-ins and scripts, with-blocks, the epsilon and error traces,
// exercised through the hand-written kit.
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
#include "vm/script_table.h"
#include "core/stack_trace.h"
#include "core/translated_kit.h"
#include "core/math_epsilon.h"
#include "host/command_line.h"
#include "runtime/container.h"
#include "runtime/link_record.h"
#include "vm/calls.h"
#include "vm/code_object.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/room.h"

namespace {

double RealOf(const RValue& v) { return RValue_Kind(&v) == VALUE_REAL ? v.val : -12345.0; }

class TranslatedCodeTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Variable_FindOrAddUser("existing");  // a user name the runner knew before the binding
    kit::Install();
    m_scripts = kit::ScriptContainer();
    ASSERT_TRUE(kit::LoadScripts(&m_scripts));
    m_room.emplace();
  }
  void TearDown() override {
    m_room.reset();
    kit::Uninstall();
    Code_FreeSlots();
    Game_ClearLoadFailure();
    RegistryTest::TearDown();
  }

  CInstance* NewInstance(int32_t objectIndex, int32_t id) { return m_room->NewInstance(objectIndex, id); }
  static int32_t NewObject(const char* name) { return HandMadeRoom::NewObject(name); }
  static RValue RunScript(int32_t script, std::vector<RValue> args, CInstance* self = nullptr) {
    return CallScriptForTest(script, std::move(args), self);
  }
  void RunStep(CInstance* runner, double target, bool destroy = false) {
    RValue_Release(&runner->m_slots[kit::kTarget]);
    runner->m_slots[kit::kTarget] = RValue_MakeReal(target);
    runner->m_slots[kit::kDestroy] = RValue_MakeReal(destroy ? 1 : 0);
    const int32_t slot = Code_Add(kit::kStepEvent, 0);
    Code_Execute(runner, nullptr, Code_GetByIndex(slot), nullptr, 0);
  }

  std::optional<HandMadeRoom> m_room;
  std::vector<uint8_t> m_scripts;
};

TEST_F(TranslatedCodeTest, BindingGivesBuiltinIndicesUserIdsInTableOrderAndCallableIds) {
  const LinkName* const* vars = kit::LinkRecord()->variables;
  // "x" and "alarm" are built-in variables; the user names follow "existing" (100000) in order.
  EXPECT_EQ(vars[0]->slot, Variable_BuiltinFind("x"));
  EXPECT_LT(vars[0]->slot, 10000);
  EXPECT_EQ(vars[4]->slot, Variable_BuiltinFind("alarm"));
  EXPECT_EQ(vars[1]->slot, 100001);
  EXPECT_EQ(vars[2]->slot, 100002);
  EXPECT_EQ(vars[3]->slot, 100003);
  EXPECT_EQ(Variable_FindUser("destroy"), 100003);

  LinkName* const* builtins = kit::LinkRecord()->builtins;
  int32_t note = -2;
  ASSERT_TRUE(Builtin_FindCallable("kit_note", &note));
  EXPECT_EQ(builtins[0]->slot, note);
  EXPECT_EQ(builtins[1]->slot, -1);  // kit_missing names nothing

  // A script's name binds to its callable id; binding again changes nothing.
  LinkName script{"kit_equal", 0};
  LinkName* list[] = {&script, nullptr};
  GameLinkRecord record;
  record.builtins = list;
  Game_BindLinkRecord(&record);
  EXPECT_EQ(script.slot, kCallableScriptBase + kit::kEqual);
}

TEST_F(TranslatedCodeTest, ScriptResultsThroughTheGeneralCallAndDirectCalls) {
  CInstance* self = NewInstance(NewObject("ob_kit"), 100001);
  // No return statement: the general call hands back the real 0 (the stale string released).
  RValue r = RunScript(kit::kNoReturn, {}, self);
  EXPECT_EQ(RValue_Kind(&r), VALUE_REAL);
  EXPECT_EQ(r.val, 0.0);
  EXPECT_EQ(RealOf(self->m_slots[kit::kHits]), 1.0);
  // kit_caller's static holds 3 from kit_add; the direct call of kit_no_return leaves it so.
  r = RunScript(kit::kCaller, {}, self);
  EXPECT_EQ(RealOf(r), 3.0);
  EXPECT_EQ(RealOf(self->m_slots[kit::kHits]), 2.0);
  EXPECT_EQ(g_pStackTrace, nullptr);
}

TEST_F(TranslatedCodeTest, EqualityOfRealsUsesTheEpsilon) {
  struct Case {
    double a, b, epsilon, equal;
  } const cases[] = {
      {0.1 + 0.2, 0.3, 1e-10, 1}, {0.3, 0.3 + 2e-10, 1e-10, 0}, {0.3, 0.3 + 2e-10, 1e-9, 1}, {-0.0, 0.0, 0, 1}};
  for (const Case& c : cases) {
    Math_Epsilon = c.epsilon;
    RValue r = RunScript(kit::kEqual, {RValue_MakeReal(c.a), RValue_MakeReal(c.b)});
    EXPECT_EQ(RealOf(r), c.equal) << c.a << " vs " << c.b << " within " << c.epsilon;
  }
  Math_Epsilon = 1e-10;
}

TEST_F(TranslatedCodeTest, WithOverTargetsThatHaveNoInstanceRunsNothing) {
  const int32_t empty = NewObject("ob_empty");
  CInstance* runner = NewInstance(NewObject("ob_kit"), 100001);
  struct Case {
    double target;
    int32_t count;
  } const cases[] = {{-4, -1}, {-5, -1}, {-7, -1}, {-8, 0}, {100050, 0}, {double(empty), 0}, {4000, 0}};
  for (const Case& c : cases) {
    kit::TheLog() = kit::Log();
    RunStep(runner, c.target);
    EXPECT_EQ(kit::TheLog().withCount, c.count) << c.target;
    EXPECT_TRUE(kit::TheLog().visited.empty()) << c.target;
    EXPECT_EQ(kit::TheLog().selfAfterWith, runner);
    EXPECT_EQ(kit::TheLog().otherAfterWith, nullptr);
  }
}

TEST_F(TranslatedCodeTest, WithVisitsFromTheLastToTheFirstEachOnceEvenWhenDestroyed) {
  const int32_t wire = NewObject("ob_wire");
  const int32_t pair = NewObject("ob_pair");
  CInstance* runner = NewInstance(NewObject("ob_kit"), 100001);
  NewInstance(wire, 100010);
  NewInstance(wire, 100011);
  NewInstance(wire, 100012);
  NewInstance(pair, 100020);
  NewInstance(pair, 100021);

  RunStep(runner, pair);
  EXPECT_EQ(kit::TheLog().visited, (std::vector<int32_t>{100021, 100020}));

  kit::TheLog() = kit::Log();
  RunStep(runner, wire, true);
  EXPECT_EQ(kit::TheLog().withCount, 3);
  EXPECT_EQ(kit::TheLog().visited, (std::vector<int32_t>{100012, 100011, 100010}));
  for (CInstance* i : m_room->Instances()) {
    EXPECT_EQ(i->marked, i->object_index == wire) << i->id;
  }
  // Destroyed instances are no longer targets.
  kit::TheLog() = kit::Log();
  RunStep(runner, wire);
  EXPECT_EQ(kit::TheLog().withCount, 0);

  // -1 visits self, an instance id that one instance; other is the runner inside the body.
  for (double target : {-1.0, 100020.0}) {
    kit::TheLog() = kit::Log();
    RunStep(runner, target);
    EXPECT_EQ(kit::TheLog().visited, (std::vector<int32_t>{target < 0 ? 100001 : 100020}));
    EXPECT_EQ(kit::TheLog().selfAfterWith, runner);
  }
}

TEST_F(TranslatedCodeTest, ReturnInsideNestedWithBlocksFreesEveryIteration) {
  const int32_t a = NewObject("ob_a");
  const int32_t b = NewObject("ob_b");
  NewInstance(a, 100010);
  NewInstance(a, 100011);
  NewInstance(a, 100012);
  NewInstance(b, 100020);
  NewInstance(b, 100021);
  CInstance* self = NewInstance(NewObject("ob_kit"), 100001);
  RunScript(kit::kNestedReturn, {RValue_MakeReal(a), RValue_MakeReal(b)}, self);  // warm up
  const int64_t before = MemoryManager_BytesInUse();
  RValue r = RunScript(kit::kNestedReturn, {RValue_MakeReal(a), RValue_MakeReal(b)}, self);
  EXPECT_EQ(RealOf(r), 100021.0);  // the inner block's first visit: its last instance
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
  EXPECT_EQ(g_pStackTrace, nullptr);
  // Nothing to visit: the code after the blocks runs.
  r = RunScript(kit::kNestedReturn, {RValue_MakeReal(a), RValue_MakeReal(-4)}, self);
  EXPECT_EQ(RealOf(r), -1.0);
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
}

TEST_F(TranslatedCodeTest, AnErrorInATranslatedScriptReportsTheCallChain) {
  RunScript(kit::kFailOuter, {});
  const std::string report = RuntimeErrorCapture::LastReport();
  EXPECT_NE(report.find("unable to add a number to string"), std::string::npos) << report;
  const size_t inner = report.find("called from - tll_Script_kit_fail (line 4)\n");
  const size_t outer = report.find("called from - tll_Script_kit_fail_outer (line 7)\n");
  EXPECT_NE(inner, std::string::npos) << report;
  EXPECT_NE(outer, std::string::npos) << report;
  EXPECT_LT(inner, outer);
}

TEST_F(TranslatedCodeTest, CallsThroughIndicesThatNameNothingAreRuntimeErrors) {
  for (int32_t script : {int32_t{-1}, int32_t{kit::kScriptCount}, int32_t{100000}}) {
    RuntimeErrorCapture::Reset();
    RValue r = RunScript(script, {});
    EXPECT_TRUE(RuntimeErrorCapture::Reported()) << script;
    EXPECT_NE(RuntimeErrorCapture::LastError().find("does not exist"), std::string::npos);
    RValue_Release(&r);
  }
  for (int32_t builtin : {-1, g_BuiltinCount}) {
    RuntimeErrorCapture::Reset();
    RValue r = RValue_MakeReal(4);
    VM_CallBuiltin(nullptr, nullptr, &r, 0, builtin, nullptr);
    EXPECT_TRUE(RuntimeErrorCapture::Reported()) << builtin;
    EXPECT_EQ(RealOf(r), 4.0);
  }
}

TEST_F(TranslatedCodeTest, CreationCodeSetsABuiltinVariableAndCallsABuiltin) {
  CInstance* self = NewInstance(NewObject("ob_kit"), 100001);
  const int32_t slot = Code_Add(kit::kCreationCode, 0);
  CCode* code = Code_GetByIndex(slot);
  ASSERT_NE(code, nullptr);
  EXPECT_STREQ(code->name, "tll_RoomCC_rm_kit_8_Create");
  EXPECT_STREQ(code->text, "");
  EXPECT_EQ(code->code, nullptr);
  EXPECT_TRUE(Code_Execute(self, nullptr, code, nullptr, 0));
  EXPECT_EQ(self->x, 5.0f);
  EXPECT_EQ(kit::TheLog().notes, (std::vector<double>{5.0}));

  // With -oldexec nothing runs.
  g_RunnerOptions.codeExecutionMode = false;
  self->x = 0;
  EXPECT_TRUE(Code_Execute(self, nullptr, code, nullptr, 0));
  g_RunnerOptions.codeExecutionMode = true;
  EXPECT_EQ(self->x, 0.0f);
}

TEST_F(TranslatedCodeTest, VMCallBuiltinResetsTheResultAndPassesTheValues) {
  int32_t note = -1;
  ASSERT_TRUE(Builtin_FindCallable("kit_note", &note));
  RValue result;
  RValue_InitString(&result, "old");
  RValue a = RValue_MakeReal(7), b = RValue_MakeReal(8);
  RValue* args[] = {&a, &b};
  VM_CallBuiltin(nullptr, nullptr, &result, 2, note, args);
  EXPECT_EQ(RealOf(result), 2.0);
  EXPECT_EQ(kit::TheLog().notes, (std::vector<double>{7, 8}));
  EXPECT_EQ(Builtin_Current(), note);
}

TEST_F(TranslatedCodeTest, CodeSlotsTheListAndConstants) {
  const int32_t listed = g_TotalCodeBlocks;
  const int32_t s0 = Code_Add(kit::kAdd, 1);
  const int32_t empty = Code_Add(-1, 0);
  EXPECT_EQ(Code_GetByIndex(s0)->kind, kCodeKindRunVariant);
  EXPECT_EQ(Code_GetByIndex(s0)->native, &kit::LinkRecord()->functions[kit::kAdd]);
  EXPECT_EQ(Code_GetByIndex(empty), nullptr);
  EXPECT_EQ(Code_GetByIndex(Code_SlotCount()), nullptr);
  EXPECT_EQ(Code_GetByIndex(-1), nullptr);
  EXPECT_EQ(g_TotalCodeBlocks, listed + 1);
  EXPECT_EQ(g_pFirstCode, Code_GetByIndex(s0));

  // A code index beyond the record's functions is refused, naming it.
  Game_ClearLoadFailure();
  EXPECT_EQ(Code_GetByIndex(Code_Add(kit::kFunctionCount, 0)), nullptr);
  EXPECT_TRUE(Game_LoadFailed());
  EXPECT_NE(std::string(Game_LoadFailure()).find("code index " + std::to_string(kit::kFunctionCount)),
            std::string::npos)
      << Game_LoadFailure();

  // A constant replaces what the result held.
  CCode constant(-1, 0);
  constant.kind = kCodeKindConstant;
  RValue_SetString(&constant.value, "kept");
  RValue result;
  RValue_InitString(&result, "replaced");
  EXPECT_TRUE(Code_Execute(nullptr, nullptr, &constant, &result, 0));
  ASSERT_EQ(RValue_Kind(&result), VALUE_STRING);
  EXPECT_STREQ(result.pString->text, "kept");
  RValue_Release(&result);
  EXPECT_EQ(g_TotalCodeBlocks, listed + 1);  // index -1 is not listed

  delete Code_GetByIndex(s0);
  EXPECT_EQ(g_TotalCodeBlocks, listed);
}

TEST_F(TranslatedCodeTest, ScriptPerformRunsByIndexAndReleasesTheArguments) {
  RValue args[2];
  args[0] = RValue_MakeReal(2);
  RValue_InitString(&args[1], "3");
  RValue result = RValue_MakeUndefined();
  EXPECT_TRUE(Script_Perform(kit::kAdd, nullptr, nullptr, 2, &result, args));
  EXPECT_EQ(RealOf(result), 2.0);  // the kit adds reals; a string counts as 0
  EXPECT_EQ(RValue_Kind(&args[0]), VALUE_UNDEFINED);
  EXPECT_EQ(RValue_Kind(&args[1]), VALUE_UNDEFINED);
  EXPECT_FALSE(Script_Perform(-1, nullptr, nullptr, 0, &result, nullptr));
  EXPECT_FALSE(Script_Perform(kit::kScriptCount, nullptr, nullptr, 0, &result, nullptr));
}

class ScriptChunkTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Game_UseLinkRecord(kit::LinkRecord());
  }
  void TearDown() override {
    Script_DeleteAll();
    Game_UseLinkRecord(nullptr);
    Game_ClearLoadFailure();
    RegistryTest::TearDown();
  }
  bool Load(const std::vector<container::ScriptEntry>& scripts) {
    container::ContainerWriter writer;
    container::write_scpt(writer, scripts);
    m_bytes = writer.build().bytes;
    const ContainerBytes container{m_bytes.data(), m_bytes.size()};
    ContainerChunks chunks(container);
    for (ContainerChunk chunk; chunks.Next(&chunk);) {
      if (std::strcmp(chunk.tag, "SCPT") == 0) return Script_Load(chunk.body, chunk.size, container);
    }
    return false;
  }
  std::vector<uint8_t> m_bytes;
};

TEST_F(ScriptChunkTest, EmptySlotsNamesAndLookups) {
  ASSERT_TRUE(Load({{"scr_a", 0, {}, false}, {"", 0, {}, true}, {"Scr_B", 1, {}, false}, {"scr_a", 2, {}, false}}));
  EXPECT_EQ(Script_Number(), 4);
  EXPECT_TRUE(Script_Exists(0));
  EXPECT_FALSE(Script_Exists(1));
  EXPECT_FALSE(Script_Exists(4));
  EXPECT_EQ(Script_Data(1), nullptr);
  EXPECT_STREQ(Script_Name(1), "<undefined>");
  EXPECT_STREQ(Script_Name(2), "Scr_B");
  EXPECT_EQ(Script_Find("scr_a"), 0);  // the lowest of two
  EXPECT_EQ(Script_Find("scr_b"), -1);  // case matters
  EXPECT_EQ(Script_Find("Scr_B"), 2);
  EXPECT_EQ(Script_Data(3)->m_codeIndex, 2);
  EXPECT_TRUE(Script_Prepare());
  EXPECT_EQ(Script_Data(2)->m_pNative, &kit::LinkRecord()->functions[1]);
  // Loading again replaces the table.
  ASSERT_TRUE(Load({{"only", 0, {}, false}}));
  EXPECT_EQ(Script_Number(), 1);
  EXPECT_EQ(Script_Find("scr_a"), -1);
}

TEST_F(ScriptChunkTest, DamagedChunksAndCodeIndicesBeyondTheFunctionsAreRefused) {
  EXPECT_FALSE(Load({{"scr_far", uint32_t(kit::kFunctionCount), {}, false}}));
  EXPECT_TRUE(Game_LoadFailed());
  const std::string failure = Game_LoadFailure();
  EXPECT_NE(failure.find("scr_far"), std::string::npos) << failure;
  EXPECT_NE(failure.find("code index " + std::to_string(kit::kFunctionCount)), std::string::npos) << failure;

  Game_ClearLoadFailure();
  uint8_t body[8] = {1, 0, 0, 0, 0xF0, 0xFF, 0, 0};  // one entry far outside
  uint8_t bytes[16] = {};
  EXPECT_FALSE(Script_Load(body, sizeof body, ContainerBytes{bytes, sizeof bytes}));
  EXPECT_TRUE(Game_LoadFailed());
  Game_ClearLoadFailure();
  uint8_t shortBody[4] = {3, 0, 0, 0};  // three entries promised, none there
  EXPECT_FALSE(Script_Load(shortBody, sizeof shortBody, ContainerBytes{bytes, sizeof bytes}));
}

TEST_F(ScriptChunkTest, AGameWithoutCodeKeepsTheScriptsText) {
  Game_SetCompiledMode(false);
  ASSERT_TRUE(Load({{"scr_text", 0, "return 1;", false}}));
  EXPECT_STREQ(Script_Data(0)->GetStream(), "return 1;");
  EXPECT_EQ(Script_Data(0)->m_codeIndex, -1);
}

}  // namespace
