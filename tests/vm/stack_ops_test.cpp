// Pushes and pops of variables by every instance type, in their operand order, with their errors;
// dup and the swap forms; stored code that asks for what is not there.
#include <gtest/gtest.h>

#include <string>

#include "core/memory_manager.h"
#include "vm/scope_chain.h"
#include "vm/vm_world_support.h"

namespace {

constexpr int32_t kSelfId = 100101;
constexpr int32_t kOtherId = 100102;
constexpr int32_t kChildId = 100103;

// Names declared in this order by every program, so their ids are fixed: instance variables v
// (100000), arr (100001), u (100002); globals g (100000), h (100001); locals l (100000), w (100001).
const char kNames[] =
    ".code names\n"
    "push.v self.v\npush.v self.arr\npush.v self.u\npush.v global.g\npush.v global.h\n"
    "push.v local.l\npush.v local.w\npush.v builtin.bx\npush.v builtin.fixed\n";

// The built-in variable bx is self's x (42 without an instance); fixed is read-only.
bool GetBx(CInstance* instance, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeReal(instance != nullptr ? instance->x : 42);
  return true;
}
bool SetBx(CInstance* instance, int32_t, const RValue* value) {
  if (instance == nullptr) return false;
  instance->x = static_cast<float>(value->val);
  return true;
}
bool GetFixed(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeReal(7);
  return true;
}

class StackOpsTest : public VMWorldTest {
 protected:
  void SetUp() override {
    VMWorldTest::SetUp();
    Variable_BuiltinAdd("bx", &GetBx, &SetBx);
    Variable_BuiltinAdd("fixed", &GetFixed, nullptr);
    m_a = NewObject("A");
    m_b = NewObject("B", m_a);
    NewObject("C");  // no instances
  }

  // Loads the names and `body` as code "main" (entry 1), then makes the world: self (v 1, x 4,
  // arr [10, 20]) and other (v 2) of A, and an instance of A's child B (v 3); global g is 5.
  void Prepare(const std::string& body) {
    ClearInstances();
    RuntimeErrorCapture::Reset();
    Seen().clear();
    Load(std::string(kNames) + ".code main locals=2\n" + body + "\n");
    m_self = NewInstance(m_a, kSelfId);
    m_other = NewInstance(m_a, kOtherId);
    m_child = NewInstance(m_b, kChildId);
    SetReal(m_self, kV, 1);
    SetReal(m_other, kV, 2);
    SetReal(m_child, kV, 3);
    m_self->x = 4;
    RValue arr = RValue_MakeUndefined();
    FillRow(&arr, {10, 20});
    Variable_SetValue(m_self, kArr, ARRAY_INDEX_NONE, &arr);
    RValue_Release(&arr);
    SetReal(m_global.get(), kG, 5);
  }
  void RunMain() { Run(1, m_self, m_other); }
  uint8_t* MainCode() { return m_program.Code(1)->code->code; }

  static constexpr int32_t kV = 100000;
  static constexpr int32_t kArr = 100001;
  static constexpr int32_t kG = 100000;

  CObject* m_a = nullptr;
  CObject* m_b = nullptr;
  CInstance* m_self = nullptr;
  CInstance* m_other = nullptr;
  CInstance* m_child = nullptr;
};

struct Case {
  const char* body;
  const char* expected;  // the result's text, or the error
};

TEST_F(StackOpsTest, PushReadsEveryInstanceTypeTakingIndexThenInstanceFromTheStack) {
  const Case cases[] = {
      {"push.v self.v vflags=10\nret.v", "1"},
      {"push.v other.v vflags=10\nret.v", "2"},
      {"push.v inst(1).v vflags=10\nret.v", "3"},      // object index: its first instance
      {"push.v inst(0).v vflags=10\nret.v", "1"},      // ... of the object and its descendants
      {"push.v inst(103).v vflags=14\nret.v", "3"},    // instance id less 100000
      {"push.v inst(-3).v vflags=10\nret.v", "1"},     // all: the first active instance
      {"push.i 100102\npush.v self.v vflags=8\nret.v", "2"},               // instance from the stack
      {"push.i 100101\npush.i 1\npush.v self.arr vflags=0\nret.v", "20"},  // index on top, then instance
      {"push.i 1\npush.i 100103\npush.v self.v vflags=8\npopz.v\nret.i", "1"},  // only the instance is taken
      {"push.i.i 0\npush.v self.arr vflags=2\nret.v", "10"},
      {"push.v global.g vflags=10\nret.v", "5"},
      {"push.v builtin.bx vflags=10\nret.v", "4"},     // built-in variable of self
      {"push.v inst(-6).v vflags=10\nret.v", "1"},     // not declared global: self's
      {"push.i.i 9\npop.v.i local.l vflags=10\npush.v local.l vflags=10\nret.v", "9"},
      {"push.v inst(-8).v vflags=10\nret.v", "1"},     // the local slot is unset: self's
      {"push.i.i 9\npop.v.i local.l vflags=10\npush.v inst(-8).v vflags=10\nret.v", "9"},
      {"push.i.i 6\npop.v.i local.l vflags=10\npush.v inst(-12).v vflags=10\nret.v", "6"},
      {"push.i.i 8\npop.v.i local.l vflags=10\npush.l.v local.l\nret.v", "8"},
      {"push.g.v global.g\nret.v", "5"},
      {"push.b.v builtin.bx\nret.v", "42"},            // push.b reads without an instance
  };
  for (const Case& c : cases) {
    Prepare(c.body);
    RunMain();
    EXPECT_EQ(Error(), "") << c.body;
    EXPECT_EQ(ResultText(), c.expected) << c.body;
  }
  // Declared global, -6 reads the global object.
  Prepare("push.v inst(-6).v vflags=10\nret.v");
  Variable_InitGlobalFlags();
  Variable_SetGlobalFlag(kV, true);
  RunMain();
  EXPECT_EQ(ResultText(), "5");
  Variable_SetGlobalFlag(kV, false);
  // -11 reads and writes along the scope chain.
  Prepare("push.v inst(-11).v vflags=10\npop.v.v other.v vflags=10\npush.i.i 8\npop.v.i inst(-11).v vflags=10");
  WXObjectBase* head = g_pScopeChainHead;
  g_pScopeChainHead = m_self;
  RunMain();
  g_pScopeChainHead = head;
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(Text(m_other, kV), "1");
  EXPECT_EQ(Text(m_self, kV), "8");
}

TEST_F(StackOpsTest, PushErrorsNameTheVariableAndWhatWentWrong) {
  const Case cases[] = {
      {"push.v self.u vflags=10", "Variable A.u(100002, -2147483648) not set before reading it."},
      {"push.i.i 5\npush.v self.arr vflags=2",
       "Push :: Execution Error - Variable Index [0,5] out of range [1,2] - -1.arr(100001,5)"},
      {"push.i 32005\npush.v self.arr vflags=2",
       "Push :: Execution Error - Variable Index [1,5] out of range [1,-1] - -1.arr(100001,32005)"},
      {"push.v inst(50).v vflags=14", "Unable to find any instance for object index '100050' name '<undefined>'"},
      {"push.v inst(2).v vflags=10", "Unable to find any instance for object index '2' name 'C'"},
      // Variables of these instance types have no name table.
      {"push.v inst(-4).v vflags=10",
       "Variable <unknown_object>.<unknown variable>(100000, -2147483648) not set before reading it."},
      {"push.v inst(-14).v vflags=10",
       "Variable <unknown_object>.<unknown variable>(100000, -2147483648) not set before reading it."},
      {"push.l.v local.l", "local variable l(100000, -2147483648) not set before reading it."},
      {"push.g.v global.h", "global variable h(100001, -2147483648) not set before reading it."},
      {"push.v inst(-9).v vflags=10", "Push :: Execution Engine type error"},
      {"push.v inst(-13).v vflags=10", "Push :: Execution Engine type error"},
      {"push.v self.arr vflags=2", "Push :: Execution Error - no array index on the stack"},
      {"push.i.i 0\npush.v self.v vflags=0", "Push :: Execution Error - no instance on the stack"},
  };
  for (const Case& c : cases) {
    Prepare(std::string(c.body) + "\nret.v");
    RunMain();
    EXPECT_EQ(Error(), c.expected) << c.body;
    EXPECT_EQ(ResultText(), "-1") << c.body;  // the code stopped
  }
  // push.b with an id one past the built-in variables.
  Prepare("push.b.v builtin.fixed\nret.v");
  const int32_t count = Variable_BuiltinCount();
  std::memcpy(MainCode() + 4, &count, 4);
  RunMain();
  EXPECT_EQ(Error(), "DoPushBuiltin :: variable index is out of range " + std::to_string(count) + " max is " +
                         std::to_string(count));
}

TEST_F(StackOpsTest, PopWritesEveryInstanceTypeTakingItsOperandsInItsOrder) {
  enum Where { kSelf, kOther, kChild, kGlobal };
  struct PopCase {
    const char* body;
    Where where;
    int32_t id;
    int32_t index;
    const char* expected;
  };
  const int32_t none = ARRAY_INDEX_NONE;
  const PopCase cases[] = {
      {"push.i.i 7\npop.v.i self.v vflags=10", kSelf, kV, none, "7"},
      {"push.i.i 7\npop.v.i other.v vflags=10", kOther, kV, none, "7"},
      {"push.i.i 7\npop.v.i global.g vflags=10", kGlobal, kG, none, "7"},
      {"push.i.i 7\npop.v.i inst(103).v vflags=14", kChild, kV, none, "7"},
      {"push.i.i 7\npop.v.i inst(103).v vflags=14", kSelf, kV, none, "1"},
      {"push.i.i 7\npop.v.i inst(0).v vflags=10", kChild, kV, none, "7"},  // the object's descendants too
      {"push.i.i 7\npop.v.i inst(0).v vflags=10", kOther, kV, none, "7"},
      {"push.i.i 7\npop.v.i inst(1).v vflags=10", kOther, kV, none, "2"},
      {"push.d 2.5\npop.v.d inst(-6).v vflags=10", kSelf, kV, none, "2.50"},
      {"push.i.i 7\npop.v.i builtin.bx vflags=10", kSelf, 0, none, "7"},
      // Reference first: the value lies under the instance and the index.
      {"push.i.i 7\npush.i 100102\npush.i 1\npop.v.i self.arr vflags=0", kOther, kArr, 1, "7"},
      // Value first: the value is on top.
      {"push.i 100102\npush.i 1\npush.i.i 7\npop.i.i self.arr vflags=0", kOther, kArr, 1, "7"},
      {"push.i.i 7\npush.i.i 0\npop.v.i self.arr vflags=2", kSelf, kArr, 0, "7"},
      {"push.i.i 7\npush.i 100103\npop.v.i self.v vflags=8", kChild, kV, none, "7"},
      {"push.s \"hi\"\npop.v.s self.v vflags=10", kSelf, kV, none, "hi"},
      {"push.l 5000000000\npop.v.l self.v vflags=10", kSelf, kV, none, "5000000000"},
      {"push.v other.v vflags=10\npop.v.v self.v vflags=10", kSelf, kV, none, "2"},
      // -8 writes the locals object while there is one, -7 and -12 the locals.
      {"push.i.i 7\npop.v.i inst(-8).v vflags=10\npush.l.v local.l\npop.v.v other.v vflags=10", kOther, kV, none, "7"},
      {"push.i.i 7\npop.v.i inst(-8).v vflags=10", kSelf, kV, none, "1"},
      {"push.i.i 7\npop.v.i inst(-12).v vflags=10\npush.l.v local.l\npop.v.v other.v vflags=10", kOther, kV, none, "7"},
  };
  for (const PopCase& c : cases) {
    // A value pushed first must still be there: every operand was taken, nothing else.
    Prepare(std::string("push.i.i 99\n") + c.body + "\nret.i");
    RunMain();
    EXPECT_EQ(Error(), "") << c.body;
    EXPECT_EQ(ResultText(), "99") << c.body;
    WXObjectBase* where = c.where == kSelf ? m_self : c.where == kOther ? m_other : c.where == kChild
                                                                                         ? static_cast<WXObjectBase*>(m_child)
                                                                                         : m_global.get();
    EXPECT_EQ(Text(where, c.id, c.index), c.expected) << c.body;
  }
  EXPECT_EQ(VM_StringHandleCount(), 0);
}

TEST_F(StackOpsTest, PopErrors) {
  const Case cases[] = {
      {"push.i.i 7\npop.v.i inst(-3).v vflags=10",
       "Pop :: Execution Error - Variable references invalid object (-3).<unknown variable>"},
      {"push.i.i 7\npop.v.i inst(-4).v vflags=10",
       "Pop :: Execution Error - Variable references invalid object (-4).<unknown variable>"},
      {"push.i.i 7\npop.v.i inst(-14).v vflags=10",
       "Pop :: Execution Error - Variable references invalid object (-14).<unknown variable>"},
      {"push.i.i 7\npop.v.i builtin.fixed vflags=10", "Pop :: Execution Error - Variable set failed fixed - read only variable?"},
      {"push.i.i 7\npush.i -1\npop.v.i self.arr vflags=2",
       "Pop :: Execution Error - Variable Index [0,-1] out of range [1,2] - -1.arr(100001,-1)"},
      {"push.i.i 7\npop.v.i inst(50).v vflags=14", "Unable to find any instance for object index '100050'"},
      {"push.f 1.5\npop.v.f self.v vflags=10", "Pop :: Execution Engine"},
      {"pop.v.i self.v vflags=10", "Pop :: Execution Error - no value on the stack"},
      {"push.i.i 7\npop.v.i inst(-13).v vflags=10", "Pop :: Execution Engine type error"},
      {"push.i.i 7\npop.l.v 0", "Pop :: Execution Error - Instruction malformed"},
  };
  for (const Case& c : cases) {
    Prepare(std::string(c.body) + "\npush.i.i 1\nret.i");
    RunMain();
    EXPECT_EQ(Error(), c.expected) << c.body;
    EXPECT_EQ(ResultText(), "-1") << c.body;
    EXPECT_EQ(Text(m_self, kV), "1") << c.body;
  }
}

TEST_F(StackOpsTest, DupCopiesSlotsAndTheSwapFormsReorderThem) {
  const std::string three = "push.v self.v vflags=10\npush.v other.v vflags=10\npush.v inst(103).v vflags=14\n";
  struct DupCase {
    std::string body;  // then `record` is called with `argc` arguments
    int32_t argc;
    std::vector<std::string> args;  // top first
  };
  const DupCase cases[] = {
      {three + "dup.v 0", 4, {"3", "3", "2", "1"}},
      {three + "dup.v 1", 5, {"3", "2", "3", "2", "1"}},
      {three + "dup.v 0x8002", 4, {"1", "3", "2", "1"}},  // the slot two below the top
      {three + "dup.v 0x8000", 4, {"3", "3", "2", "1"}},
      {three + "dup.v 0x12 kind=1", 3, {"2", "1", "3"}},  // the top slot goes below the two under it
      {three + "dup.v 0x21 kind=1", 3, {"1", "3", "2"}},
      {three + "pop.e.v imm=4", 3, {"2", "3", "1"}},     // the top two exchange places
  };
  for (const DupCase& c : cases) {
    Prepare(c.body + "\ncall.i record " + std::to_string(c.argc) + "\nret.v");
    RunMain();
    EXPECT_EQ(Error(), "") << c.body;
    ASSERT_EQ(Seen().size(), 1u) << c.body;
    EXPECT_EQ(Seen()[0].args, c.args) << c.body;
  }
  // Typed slots: ints, and strings, whose copies are records of their own.
  Prepare("push.i.i 1\npush.i.i 2\npush.i.i 3\ndup.i 0x8002\nret.i");
  RunMain();
  EXPECT_EQ(ResultText(), "1");
  Prepare("push.i.i 1\npush.i.i 2\ndup.i 1\npopz.i\nret.i");
  RunMain();
  EXPECT_EQ(ResultText(), "1");
  Prepare("push.s \"x\"\ndup.s 0\npopz.s\nret.s");
  RunMain();
  EXPECT_EQ(ResultText(), "x");
  EXPECT_EQ(VM_StringHandleCount(), 0);
  // A string held by a variable gains one reference per copy, all released again.
  Prepare("push.v self.v vflags=10\ndup.v 0\ndup.v 1\npopz.v\npopz.v\npopz.v\nret.v");
  RValue text = RValue_MakeUndefined();
  RValue_SetString(&text, "shared");
  Variable_SetValue(m_self, kV, ARRAY_INDEX_NONE, &text);
  RValue_Release(&text);
  RunMain();
  EXPECT_EQ(ResultText(), "shared");
  EXPECT_EQ(m_self->m_slots[0].pString->refCount, 2);  // the slot's and the result's
}

TEST_F(StackOpsTest, DupPastTheEndOfTheBlockGrowsTheStackFirst) {
  // 900 value slots leave more than the growth margin free, but not the 4,096 bytes of 256 copies.
  std::string body;
  for (int i = 0; i < 644; ++i) body += "push.v self.v vflags=10\n";
  body += "push.v other.v vflags=10\n";
  for (int i = 0; i < 255; ++i) body += "push.v self.v vflags=10\n";
  body += "dup.v 255\n";
  for (int i = 0; i < 255; ++i) body += "popz.v\n";
  body += "ret.v";
  Prepare(body);
  RunMain();
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "2");  // the copy of the deepest slot copied
}

TEST_F(StackOpsTest, StoredCodeThatAsksForMissingSlotsStops) {
  const Case cases[] = {
      {"push.v self.v vflags=10\ndup.v 1", "dup: the stack holds fewer slots than it copies"},
      {"push.v self.v vflags=10\ndup.v 0x8001", "dup: the stack holds fewer slots than it copies"},
      {"push.v self.v vflags=10\ndup.v 0x11 kind=1", "dup: the stack holds fewer slots than it swaps"},
      {"push.i.i 1\npush.i.i 2\ndup.i 0x11 kind=1", "Argument type 2 currently unhandled by DoDup swap mode"},
      {"push.v self.v vflags=10\npop.e.v imm=4", "Pop :: Execution Error - Instruction malformed"},
      {"push.v self.v vflags=10\npush.v self.v vflags=10\npop.e.v imm=0", "Pop :: Execution Error - Instruction malformed"},
      {"push.v self.v vflags=10\npush.v self.v vflags=10\npop.e.v imm=0x7f04", "Pop :: Execution Error - Instruction malformed"},
      {"popz.v", "popz: the stack is empty"},
  };
  for (const Case& c : cases) {
    Prepare(std::string(c.body) + "\nret.i");
    RunMain();
    EXPECT_EQ(Error(), c.expected) << c.body;
  }
}

}  // namespace

namespace {

TEST(ByteCodeAssembler, ValueFirstPopNamesItsVariableBothWays) {
  const char source[] = ".code main\n  pop.i.v self.arr vflags=0\n  pop.i.d global.g\n  pop.v.i local.l vflags=10\n";
  container::BytecodeProgram first, second;
  std::string error;
  ASSERT_TRUE(container::assemble_bytecode(source, &first, &error)) << error;
  ASSERT_EQ(first.codes[0].refs.size(), 3u);
  EXPECT_EQ(first.codes[0].bytes.size(), 24u);  // three words, each with its reference
  const std::string text = container::disassemble_bytecode(first);
  EXPECT_NE(text.find("pop.i.v self.arr vflags=0"), std::string::npos) << text;
  EXPECT_NE(text.find("pop.i.d global.g"), std::string::npos) << text;
  ASSERT_TRUE(container::assemble_bytecode(text, &second, &error)) << error;
  EXPECT_EQ(first.codes[0].bytes, second.codes[0].bytes);
}

}  // namespace
