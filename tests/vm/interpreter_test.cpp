// The interpreter loop and its control flow, run over assembled byte code.
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/registry_test_support.h"
#include "core/value_test_util.h"
#include "io/program.h"
#include "vm/breakpoints.h"
#include "vm/fast_loop.h"
#include "vm/interpreter.h"
#include "vm/vm_test_support.h"

namespace {

LoadedProgram* g_program = nullptr;
CCode* ScriptCode(int32_t index) { return g_program != nullptr ? g_program->Code(static_cast<size_t>(index) + 1) : nullptr; }

class InterpreterTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Game_SetCompiledMode(false);
    SetNames(Script_SetNames, {"scr"});
    VM_SetScriptCodeLookup(&ScriptCode);
    g_program = &m_program;
  }
  void TearDown() override {
    VM_SetScriptCodeLookup(nullptr);
    g_program = nullptr;
    Breakpoint_ClearAll();
    RValue_Release(&m_result);
    RegistryTest::TearDown();
  }
  // Runs code entry 0 of the program into m_result (which starts as the real -1).
  void Run(const std::string& source) {
    LoadProgram(source, &m_program);
    ASSERT_TRUE(m_program.loaded);
    RValue_Release(&m_result);
    m_result = RValue_MakeReal(-1);
    VM_ExecuteCode(m_program.Code(0), nullptr, nullptr, &m_result, nullptr, 0, nullptr, 0, nullptr);
  }
  LoadedProgram m_program;
  RValue m_result = RValue_MakeReal(-1);
};

TEST_F(InterpreterTest, RetAtDepthZeroGivesItsTypedValue) {
  struct Case {
    const char* body;
    uint32_t kind;
    double value;
  } cases[] = {
      {"push.i.i 7\nret.i", VALUE_REAL, 7},
      {"push.d 2.5\nret.d", VALUE_REAL, 2.5},
      {"push.l 5000000000\nret.l", VALUE_REAL, 5e9},
      {"push.f 0.5\nret.f", VALUE_REAL, 0.5},
      {"push.b true\nret.b", VALUE_BOOL, 1},
      {"ret.e", VALUE_UNDEFINED, 0},
  };
  for (const Case& c : cases) {
    Run(std::string(".code main\n") + c.body + "\n");
    EXPECT_EQ(RValue_Kind(&m_result), c.kind) << c.body;
    if (c.kind != VALUE_UNDEFINED) {
      EXPECT_EQ(m_result.val, c.value) << c.body;
    }
  }
  Run(".code main\npush.s \"hello\"\nret.s\n");
  ASSERT_EQ(RValue_Kind(&m_result), VALUE_STRING);
  EXPECT_STREQ(m_result.pString->text, "hello");
  EXPECT_EQ(VM_StringHandleCount(), 0);
}

TEST_F(InterpreterTest, ExitEmptyCodeAndRunningOffTheEndLeaveTheResultAlone) {
  for (const char* body : {"exit.i", "", "push.i.i 3"}) {
    Run(std::string(".code main\n") + body + "\n");
    EXPECT_EQ(m_result.val, -1) << body;
    EXPECT_FALSE(RuntimeErrorCapture::Reported()) << body;
  }
}

TEST_F(InterpreterTest, BranchesForwardBackwardAndConditional) {
  // A backward branch has a negative word offset.
  Run(".code main\nb fwd\nback:\npush.i.i 9\nret.i\nfwd:\nb back\n");
  EXPECT_EQ(m_result.val, 9);
  struct Case {
    const char* branch;
    int cond;
    double expected;
  } cases[] = {{"bt", 1, 2}, {"bt", 0, 1}, {"bf", 0, 2}, {"bf", 1, 1}};
  for (const Case& c : cases) {
    Run(std::string(".code main\npush.i.i ") + std::to_string(c.cond) + "\n" + c.branch +
        " taken\npush.i.i 1\nret.i\ntaken:\npush.i.i 2\nret.i\n");
    EXPECT_EQ(m_result.val, c.expected) << c.branch << " " << c.cond;
  }
}

int g_pumps = 0;
void CountPump() { ++g_pumps; }

TEST_F(InterpreterTest, EveryFourThousandNinetySixthBranchPumpsTheWindow) {
  Win32_SetPumpMessagesHook(&CountPump);
  const std::string code = ".code main\nb a\na:\npush.i.i 0\nbt b\nb:\npush.i.i 1\nbf c\nc:\n";
  g_pumps = 0;
  VM_SetBranchCount(0);
  Run(code);
  EXPECT_EQ(g_pumps, 0);
  VM_SetBranchCount(4094);  // the second of the three branches is the 4,096th
  Run(code);
  EXPECT_EQ(g_pumps, 1);
  EXPECT_EQ(VM_BranchCount(), 4097u);
  Win32_SetPumpMessagesHook(nullptr);
}

// A pump that fails the running code at its second call, as a launched game's error handling
// does; a run that went on regardless would pump again and again.
int g_pumpsSeen = 0;
void FailAtSecondPump() {
  if (++g_pumpsSeen == 2) VM_Fail(VM_CurrentContext(), "stopped while pumping");
  if (g_pumpsSeen > 50) {
    std::fprintf(stderr, "the run went on after the pump failed it\n");
    std::abort();
  }
}

TEST_F(InterpreterTest, AFailureWhileThePumpRunsStopsAnEndlessLoopInBothLoops) {
  const char* programs[] = {
      ".code main\ntop:\nb top\n",
      ".code main\ntop:\npush.i.i 1\nbt top\n",
      ".code main\ntop:\npush.i.i 0\nbf top\n",
      // compare a local with a constant and branch, fused in the fast loop
      ".code main locals=1\npush.i.i 0\npop.v.i local.i vflags=10\ntop:\npush.l.v local.i\npush.i 5\nset.i.v 1\n"
      "bt top\n",
      // inside a called script, over a string and a variable the caller holds
      ".code main\npush.s \"held\"\npush.d 1\nconv.d.v\ncall.i scr 0\nret.v\n.code scr\ntop:\nb top\n",
  };
  Win32_SetPumpMessagesHook(&FailAtSecondPump);
  const bool wasFast = VM_FastLoopEnabled();
  for (const bool fast : {true, false}) {
    VM_SetFastLoopEnabled(fast);
    for (const char* program : programs) {
      RuntimeErrorCapture::Reset();
      g_pumpsSeen = 0;
      VM_SetBranchCount(0);
      Run(program);
      EXPECT_EQ(g_pumpsSeen, 2) << fast << program;
      EXPECT_EQ(RuntimeErrorCapture::LastError(), "stopped while pumping") << fast << program;
      EXPECT_EQ(m_result.val, -1) << fast << program;
      EXPECT_EQ(VM_StringHandleCount(), 0) << fast << program;
      // The fast loop did run it: every program here verifies.
      EXPECT_EQ(VM_FastCodeFor(m_program.Code(0)->code, 0) != nullptr, fast) << program;
    }
  }
  VM_SetFastLoopEnabled(wasFast);
  Win32_SetPumpMessagesHook(nullptr);
}

// A stack that would pass its limit is a stack overflow: reported once with the name of the code
// that ran, no runtime error, and the run ends without a result, its calls unwound.
TEST_F(InterpreterTest, AStackThatWouldPassItsLimitStopsTheRunInBothLoops) {
  const struct {
    const char* program;
    const char* code;
  } cases[] = {
      {".code main\ntop:\npush.d 1\nb top\n", "main"},                               // pushes without end
      {".code main\npush.d 1\ntop:\ndup.d 0\ndup.d 1\nb top\n", "main"},             // copies without end
      {".code main\ncall.i scr 0\nret.v\n.code scr\ncall.i scr 0\nret.v\n", "scr"},  // calls itself without end
  };
  VM_SetStackLimit(64 * 1024);
  const bool wasFast = VM_FastLoopEnabled();
  for (const bool fast : {true, false}) {
    VM_SetFastLoopEnabled(fast);
    for (const auto& c : cases) {
      RuntimeErrorCapture::Reset();
      tagIConsole* previous = g_pDebugConsole;
      TErrStreamConsole log;
      g_pDebugConsole = &log;
      Run(c.program);
      g_pDebugConsole = previous;
      const std::string line = std::string("Stack overflow... ") + c.code + "\n";
      const std::string text = log.Text();
      EXPECT_NE(text.find(line), std::string::npos) << fast << c.program << text;
      EXPECT_EQ(text.find(line), text.rfind(line)) << fast << c.program;  // once
      EXPECT_FALSE(RuntimeErrorCapture::Reported()) << fast << c.program;
      EXPECT_EQ(m_result.val, -1) << fast << c.program;
      EXPECT_EQ(VM_CurrentContext(), nullptr);
    }
  }
  VM_SetFastLoopEnabled(wasFast);
  VM_SetStackLimit(0);
}

// A script that calls itself without end meets the default limit soon, as the stack grows by
// doubling: the overflow stops it within a second in the fast loop, which runs such code, and
// within a few in the checked loop, which makes a locals object for every call (generous bounds
// for a loaded machine); the code that ran it goes on to its next run.
TEST_F(InterpreterTest, ARunawayRecursionIsStoppedWithinASecond) {
  const bool wasFast = VM_FastLoopEnabled();
  for (const bool fast : {true, false}) {
    VM_SetFastLoopEnabled(fast);
    tagIConsole* previous = g_pDebugConsole;
    TErrStreamConsole log;
    g_pDebugConsole = &log;
    // On the process's CPU clock: the time the run took, whatever else the machine runs.
    const std::clock_t start = std::clock();
    Run(".code main\ncall.i scr 0\nret.v\n.code scr\ncall.i scr 0\n");
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    g_pDebugConsole = previous;
    EXPECT_LT(took, fast ? 1.0 : 5.0) << fast;
    EXPECT_NE(std::string(log.Text()).find("Stack overflow... scr\n"), std::string::npos) << fast << log.Text();
    EXPECT_EQ(m_result.val, -1) << fast;
    Run(".code main\npush.i.i 3\nret.i\n");
    EXPECT_EQ(m_result.val, 3) << fast;
  }
  VM_SetFastLoopEnabled(wasFast);
}

TEST_F(InterpreterTest, CalledScriptsReturnIntoTheRightFrame) {
  // The callee pushes past the first block, so the stack grows while the call is open.
  std::string deep;
  for (int i = 0; i < 2200; ++i) deep += "push.d 1\n";
  const std::string callee = ".code scr\n" + deep + "push.i.i 5\nret.i\n";
  Run(".code main\npush.i.i 42\ncall.i scr 0\npopz.v\nret.i\n" + callee);
  EXPECT_EQ(m_result.val, 42);
  Run(".code main\ncall.i scr 0\nret.v\n" + callee);
  EXPECT_EQ(RValue_Kind(&m_result), VALUE_REAL);
  EXPECT_EQ(m_result.val, 5);
  // ret.e gives undefined, exit the real 0.
  Run(".code main\ncall.i scr 0\nret.v\n.code scr\nret.e\n");
  EXPECT_EQ(RValue_Kind(&m_result), VALUE_UNDEFINED);
  Run(".code main\ncall.i scr 0\nret.v\n.code scr\npush.i.i 3\nexit.i\n");
  EXPECT_EQ(RValue_Kind(&m_result), VALUE_REAL);
  EXPECT_EQ(m_result.val, 0);
  // Running off the end of a script also returns the real 0 to the caller.
  Run(".code main\ncall.i scr 0\nret.v\n.code scr\npush.i.i 3\n");
  EXPECT_EQ(m_result.val, 0);
  EXPECT_EQ(VM_ArgumentCount(), 0);
}

TEST_F(InterpreterTest, BreakSubCodes) {
  struct Case {
    const char* body;
    const char* error;  // null: none
    double result;
  } cases[] = {
      {"push.i.i 31999\nbreak -1\nret.i", nullptr, 31999},
      {"push.i.i 32000\nbreak -1\nret.i", "Array index must be < 32000", -1},
      {"push.i.i -1\nbreak -1\nret.i", "Array index must be +'ve", -1},
      // A whole value is no index: its first word is part of a pointer, wherever it was made.
      {"push.s \"abc\"\nconv.s.v\nbreak -1\nret.v", "Array index check on a value that is no index", -1},
      // A stored breakpoint word that no armed breakpoint put there does nothing.
      {"push.i.i 4\nbreak 0\nret.i", nullptr, 4},
      {"push.i.i 6\nbreak 7\nret.i", nullptr, 6},
  };
  for (const Case& c : cases) {
    RuntimeErrorCapture::Reset();
    Run(std::string(".code main\n") + c.body + "\n");
    if (c.error != nullptr) {
      EXPECT_EQ(RuntimeErrorCapture::LastError(), c.error) << c.body;
    } else {
      EXPECT_FALSE(RuntimeErrorCapture::Reported()) << c.body << RuntimeErrorCapture::LastError();
    }
    EXPECT_EQ(m_result.val, c.result) << c.body;
  }
}

int g_pauses = 0;
void CountPause() { ++g_pauses; }

TEST_F(InterpreterTest, ArmedBreakpointPausesThenRunsTheInstructionItReplaced) {
  LoadProgram(".code main\npush.i.i 3\nret.i\n", &m_program);
  auto* word = const_cast<uint8_t*>(m_program.Code(0)->code->code);
  const uint32_t original = Container_U32(word);
  ASSERT_TRUE(Breakpoint_Add(word));
  EXPECT_EQ(Container_U32(word), kVMBreakpointWord);
  Breakpoint_SetPauseHook(&CountPause);
  g_pauses = 0;
  VM_ExecuteCode(m_program.Code(0), nullptr, nullptr, &m_result, nullptr, 0, nullptr, 0, nullptr);
  Breakpoint_SetPauseHook(nullptr);
  EXPECT_EQ(g_pauses, 1);
  EXPECT_EQ(m_result.val, 3);
  EXPECT_EQ(Container_U32(word), kVMBreakpointWord);  // armed again
  Breakpoint_ClearAll();
  EXPECT_EQ(Container_U32(word), original);
}

TEST_F(InterpreterTest, StoredCodeIsNotTrusted) {
  struct Case {
    const char* body;
    const char* error;
  } cases[] = {
      {"b far\nfar:", nullptr},  // a branch to the very end is the end of code
      {"b x raw=0xb6000010\nx:", "Branch target 64 lies outside the code"},
      {"b x raw=0xb67fffff\nx:", "Branch target -4 lies outside the code"},
      {"b x raw=0xb6000002\nx:\npush.i 1\npush.i 2", "Branch target 8 lies inside an instruction"},
      {"push.d 1 raw=0x40000000", nullptr},
      {"ret.i", "ret: no value of the returned type on the stack"},
      {"bt x\nx:", "Conditional branch without a value on the stack"},
      {"add.i.i", "add: the operands are not on the stack"},
      // The operand bit with a type of no value: one word, and the next instruction is no operand.
      {"push.i.i 0 raw=0xc10d0000\npush.i.i 0 raw=0x84000000", "push.l: instruction not implemented"},
  };
  for (const Case& c : cases) {
    RuntimeErrorCapture::Reset();
    Run(std::string(".code main\n") + c.body + "\n");
    if (c.error != nullptr) {
      EXPECT_EQ(RuntimeErrorCapture::LastError(), c.error) << c.body;
    } else {
      EXPECT_FALSE(RuntimeErrorCapture::Reported()) << c.body << RuntimeErrorCapture::LastError();
    }
    EXPECT_EQ(m_result.val, -1) << c.body;
  }
}

}  // namespace
