// Variable slots that stored code forges out of numbers, or takes again after the interpreter took
// them: every instruction that reads, copies or takes a variable stops with a runtime error and
// releases nothing it did not make. Legitimate variables keep working through dup, the swap forms
// and the growth of the stack.
#include <gtest/gtest.h>

#include <string>

#include "vm/vm_world_support.h"

namespace {

constexpr int32_t kRunnerId = 100001;

// Instance variables a (100000), b (100001) and c (100002), declared in this order.
const char kNames[] = ".code names\npush.v self.a\npush.v self.b\npush.v self.c\n";

// Two int64 slots that read as one variable of kind string (the high word) whose record is at
// 0x1234 (the low one); releasing or reading it would follow that address.
const char kForgedString[] = "push.l 4294967296\npush.l 4660\n";
// The same with the array kind.
const char kForgedArray[] = "push.l 8589934592\npush.l 4660\n";
const char kA[] = "push.v self.a vflags=10\n";
const char kB[] = "push.v self.b vflags=10\n";

class ForgedSlotTest : public VMWorldTest {
 protected:
  void SetUp() override {
    VMWorldTest::SetUp();
    SetNames(Script_SetNames, {"scr"});
    m_object = NewObject("R");
  }
  // Runs `main` (then the script scr) on a runner whose a is "A" and b is "B".
  void RunMain(const std::string& main, const std::string& scr = "ret.e") {
    ClearInstances();
    RuntimeErrorCapture::Reset();
    Seen().clear();
    Load(std::string(kNames) + ".code main\n" + main + "\n.code scr\n" + scr + "\n");
    m_runner = NewInstance(m_object, kRunnerId);
    SetText(100000, "A");
    SetText(100001, "B");
    Run(1, m_runner, m_runner);
  }
  void SetText(int32_t id, const char* text) {
    RValue v = RValue_MakeUndefined();
    RValue_SetString(&v, text);
    Variable_SetValue(m_runner, id, ARRAY_INDEX_NONE, &v);
    RValue_Release(&v);
  }
  // References to the record of the string in a (0) or b (1) beyond those of a, b and c: a value
  // that was released twice or never shows here.
  int32_t StrayRefs(int32_t slot) const {
    const SharedString* record = m_runner->m_slots[slot].pString;
    int32_t held = 0;
    for (int32_t i = 0; i < 3; ++i) {
      const RValue& v = m_runner->m_slots[i];
      if (RValue_Kind(&v) == VALUE_STRING && v.pString == record) ++held;
    }
    return record->refCount - held;
  }
  void ExpectNoStrayRefs(const std::string& body) const {
    EXPECT_EQ(StrayRefs(0), 0) << body;
    EXPECT_EQ(StrayRefs(1), 0) << body;
  }

  CObject* m_object = nullptr;
  CInstance* m_runner = nullptr;
};

TEST_F(ForgedSlotTest, EveryConsumerOfAVariableRefusesAForgedOne) {
  const std::string s = kForgedString;
  struct Case {
    std::string body;
    const char* error;
  } cases[] = {
      {s + "popz.v", "popz: the stack holds no variable here"},
      {"push.d 1\npush.d 2\npopz.v", "popz: the stack holds no variable here"},
      {s + "pop.v.v self.c vflags=10", "Pop :: Execution Error - the stack holds no variable here"},
      {s + "pop.i.v self.c vflags=10", "Pop :: Execution Error - the stack holds no variable here"},
      {kForgedArray + std::string("pop.v.v self.c vflags=10"), "Pop :: Execution Error - the stack holds no variable here"},
      {s + "conv.v.d", "conv: the stack holds no variable here"},
      {s + "conv.v.s", "conv: the stack holds no variable here"},
      {s + "conv.v.b", "conv: the stack holds no variable here"},
      // Either operand of a binary operator, the other one a real variable or a number.
      {kA + s + "add.v.v", "add: the stack holds no variable here"},
      {s + kA + "add.v.v", "add: the stack holds no variable here"},
      {s + "push.d 1\nadd.d.v", "add: the stack holds no variable here"},
      {"push.d 1\n" + s + "mul.v.d", "mul: the stack holds no variable here"},
      {s + "push.i 1\nshl.i.v", "shl: the stack holds no variable here"},
      {s + "neg.v.v", "neg: the stack holds no variable here"},
      {s + "not.v.v", "not: the stack holds no variable here"},
      {kA + s + "set.v.v 3", "set: the stack holds no variable here"},
      {s + "push.i 1\nset.i.v 3", "set: the stack holds no variable here"},
      // dup copies: the top slot, several slots, one slot further down.
      {s + "dup.v 0", "dup: the stack holds no variable here"},
      {s + kA + "dup.v 1", "dup: the stack holds no variable here"},
      {s + kA + "dup.v 0x8001", "dup: the stack holds no variable here"},
      // Calls of a built-in, a script and script_execute, with the forged slot among the arguments.
      {s + "call.i record 1", "call: the stack holds no variable here"},
      {s + kA + "call.i record 2", "call: the stack holds no variable here"},
      {s + "call.i scr 1", "call: the stack holds no variable here"},
      {s + "call.i script_execute 1", "call: the stack holds no variable here"},
      {s + "ret.v", "ret: the stack holds no variable here"},
  };
  for (const Case& c : cases) {
    RunMain(c.body + "\nret.i");
    EXPECT_EQ(Error(), c.error) << c.body;
    EXPECT_EQ(ResultText(), "-1") << c.body;
    EXPECT_TRUE(Seen().empty()) << c.body;  // no built-in saw the forged value
    ExpectNoStrayRefs(c.body);
  }
  // A script that returns a forged slot to its caller.
  RunMain("call.i scr 0\nret.v", s + "ret.v");
  EXPECT_EQ(Error(), "ret: the stack holds no variable here");
  EXPECT_EQ(ResultText(), "-1");
  ExpectNoStrayRefs("ret.v in scr");
}

// The reverse forgery: a variable's bytes read as a number would give code the bits of a pointer,
// and what it then computed or where it branched would hang on where the value was allocated.
TEST_F(ForgedSlotTest, EveryReaderOfANumberRefusesTheBytesOfAVariable) {
  const std::string a = kA;
  struct Case {
    std::string body;
    const char* error;
  } cases[] = {
      {a + "push.i 1\nadd.i.i", "add: the stack holds a variable here"},
      {"push.i 1\n" + a + "sub.d.i", "sub: the stack holds a variable here"},
      {a + "neg.i.i", "neg: the stack holds a variable here"},
      {a + "push.i 1\nset.i.i 3", "set: the stack holds a variable here"},
      {a + "conv.i.d", "conv: the stack holds a variable here"},
      // The upper bytes of a variable left under the stack pointer by a narrower drop.
      {a + "popz.i\nconv.i.d", "conv: the stack holds a variable here"},
      {a + "dup.i 0", "dup: the stack holds a variable here"},
      {a + "pop.v.i self.c vflags=10", "Pop :: Execution Error - the stack holds a variable here"},
      {a + "bt done\ndone:", "Conditional branch on a value that is no condition"},
      {a + "break -1", "Array index check on a value that is no index"},
      {a + "ret.i", "ret: the stack holds a variable here"},
      // A reference whose instance comes from the stack.
      {a + "pop.v.i self.c vflags=8", "Pop :: Execution Error - the stack holds a variable where the instance belongs"},
  };
  for (const Case& c : cases) {
    RunMain(c.body + "\nret.i");
    EXPECT_EQ(Error(), c.error) << c.body;
    EXPECT_EQ(ResultText(), "-1") << c.body;
    ExpectNoStrayRefs(c.body);
  }
}

TEST_F(ForgedSlotTest, AVariableTakenOnceOrPartlyOverwrittenCannotBeTakenAgain) {
  const std::string ints = "push.i.i 1\npush.i.i 2\npush.i.i 3\npush.i.i 4\n";
  const std::string a = kA;
  const std::string cases[] = {
      // A released real: the same bytes written back in the same place do not make it a variable.
      "push.d 1.5\nconv.d.v\npopz.v\npush.l 0\npush.d 1.5\npopz.v",
      // The first word of a variable replaced by a number.
      a + "popz.i\npush.i 4660\npopz.v",
      // A variable pushed over the upper part of one left behind (the lower part is that one's),
      // and over the lower part of one left behind, whose first word is then written back.
      a + "popz.i\n" + kB + "popz.i\npopz.i\npopz.i\npopz.v",
      "push.i 9\npush.d 1.5\nconv.d.v\npopz.i\npopz.i\npopz.i\npopz.i\npopz.i\n" + a + "push.i 0\npopz.v",
      // A value moved into a variable; the pop swap form then moves the stack pointer back over
      // the slot it came from.
      ints + a + "pop.v.v self.c vflags=10\npop.e.i imm=0xFC01\npopz.v",
      // The swap form cuts a variable apart: its top half and an int exchange places.
      a + "push.i 7\npop.e.i imm=2\npopz.v",
      // The pop swap form takes an int and the lower 12 bytes of a variable for its top slot:
      // those bytes end up below the variable's first bytes, next to another variable's.
      kB + a + "push.i 7\npop.e.v imm=1\npopz.i\npopz.i\npopz.v",
      // A forged slot moved by the swap forms stays forged.
      kForgedString + a + "dup.v 0x11 kind=1\npopz.v\npopz.v",
      ints + kForgedString + "pop.e.v imm=4\npopz.i\npopz.i\npopz.i\npopz.i\npopz.v",
  };
  for (const std::string& body : cases) {
    RunMain(body + "\nret.i");
    EXPECT_EQ(Error(), "popz: the stack holds no variable here") << body;
    // A value whose slot was overwritten is never read as something else: its seal's copy still
    // holds it, and it is released from there (neither lost nor released twice).
    EXPECT_EQ(StrayRefs(0), 0) << body;
    EXPECT_EQ(StrayRefs(1), 0) << body;
  }
  // A variable pushed exactly where one was left behind untaken: that one's value is released.
  RunMain(a + "popz.d\npopz.d\n" + kB + "popz.v\npush.i.i 1\nret.i");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "1");
  EXPECT_EQ(StrayRefs(0), 0);
  EXPECT_EQ(StrayRefs(1), 0);
  // The value a script returned now belongs to the caller's slot: the one the script returned it
  // from, brought back under the stack pointer below the call frame, holds nothing.
  const int32_t frameWords = static_cast<int32_t>(sizeof(VMCallFrame) / 4);
  const std::string back = "pop.e.v imm=" + std::to_string(((-frameWords) & 0xFF) << 8 | 4);
  RunMain(std::string(kB) + "call.i scr 0\n" + back + "\npopz.v\nret.i", std::string(kA) + "ret.v");
  EXPECT_EQ(Error(), "popz: the stack holds no variable here");
  ExpectNoStrayRefs(back);
}

TEST_F(ForgedSlotTest, RealVariablesSurviveTheSwapFormsAndTheGrowthOfTheStack) {
  // The pop swap form moves a variable below an int and back; dup's swap exchanges two.
  RunMain(std::string("push.i.i 5\n") + kA + "pop.e.v imm=1\npopz.i\nret.v");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "A");
  RunMain(std::string(kA) + kB + "dup.v 0x11 kind=1\npopz.v\nret.v");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "B");
  // A variable pushed before the stack grows past its first block is taken afterwards.
  std::string body = kA;
  for (int i = 0; i < 2200; ++i) body += "push.d 1\n";
  for (int i = 0; i < 2200; ++i) body += "popz.d\n";
  RunMain(body + "dup.v 0\npopz.v\nret.v");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "A");
  RValue_Release(&m_result);
  ExpectNoStrayRefs(body);
}

TEST_F(ForgedSlotTest, TheVariablesARunLeavesOnItsStackAreReleased) {
  // Stopped by an error over two values, one of them below a call that returned over a value the
  // script left; a script that exits over values it pushed, as compiled code does from inside a
  // switch.
  RunMain(std::string(kA) + "call.i scr 0\npopz.v\n" + kB + "push.d 1\npush.d 2\npopz.v", std::string(kB) + "exit.i");
  EXPECT_EQ(Error(), "popz: the stack holds no variable here");
  ExpectNoStrayRefs("stopped");
  // The arguments of a call that stops before it runs anything.
  RunMain(std::string(kA) + kB + "push.d 7\nconv.d.v\ncall.i script_execute 3");
  EXPECT_EQ(Error(), "call to non-existent script\n");
  ExpectNoStrayRefs("no script");
  RunMain(std::string(kA) + "call.i scr 0\npopz.v\nret.v", std::string(kB) + kA + "exit.i");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "A");
  RValue_Release(&m_result);
  ExpectNoStrayRefs("exit");
}

TEST_F(ForgedSlotTest, ForgedStringHandlesNameNoRecord) {
  // A string slot is a handle into the interpreter's table: one that names no live record is the
  // empty string.
  RunMain("push.i 123456\npush.s \"a\"\nadd.s.s\nret.s");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "a");
  RunMain("push.i 123456\npopz.s\npush.i -1\nconv.s.v\nret.v");
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "");
  EXPECT_EQ(VM_StringHandleCount(), 0);
}

}  // namespace
