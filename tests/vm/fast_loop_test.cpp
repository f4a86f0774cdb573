// The fast loop against the checked loop (same results, same error reports), what runs leave
// behind (string slots, values left under a call's exit, arrays a stack slot owned), and the
// debugger loop.
#include <gtest/gtest.h>

#include <malloc.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <vector>

#include "core/memory_manager.h"
#include "host/frame_loop.h"
#include "vm/breakpoints.h"
#include "vm/code_listing.h"
#include "vm/fast_loop.h"
#include "vm/lifecycle.h"
#include "vm/vm_world_support.h"

namespace {

constexpr int32_t kRunnerId = 100001;

#if defined(__SANITIZE_ADDRESS__)
#define TOLVARINE_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TOLVARINE_SANITIZED 1
#endif
#endif
#ifndef TOLVARINE_SANITIZED
#define TOLVARINE_SANITIZED 0
#endif

// Bytes the C++ heap has handed out and not taken back (the sanitizer's heap does not say).
size_t HeapInUse() { return mallinfo2().uordblks; }

// Instance variables a (100000), b (100001) and x (100002).
const char kNames[] = ".code names\npush.v self.a\npush.v self.b\npush.v self.x\n";

// argument0 of the running call.
bool GetArgument0(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeUndefined();
  if (VM_ArgumentCount() < 1 || VM_Arguments() == nullptr) return true;
  RValue argument;
  std::memcpy(&argument, VM_Arguments(), sizeof argument);
  RValue_Assign(out, &argument);
  return true;
}

class FastLoopTest : public VMWorldTest {
 protected:
  void SetUp() override {
    VMWorldTest::SetUp();
    m_object = NewObject("R");
    SetNames(Script_SetNames, {"scr", "deep"});
    Variable_BuiltinAdd("argument0", &GetArgument0, nullptr);
  }
  void TearDown() override {
    VM_SetFastLoopEnabled(m_wasEnabled);
    VMWorldTest::TearDown();
  }
  // Loads the names and `source` (its first code is entry 1) and makes the runner, whose a is
  // "A" and b the real 2.
  void Prepare(const std::string& source) {
    ClearInstances();
    Load(std::string(kNames) + source);
    m_runner = NewInstance(m_object, kRunnerId);
    RValue v = RValue_MakeUndefined();
    RValue_SetString(&v, "A");
    Variable_SetValue(m_runner, 100000, ARRAY_INDEX_NONE, &v);
    RValue_Release(&v);
    SetReal(m_runner, 100001, 2);
  }
  // The result text and the whole error report of entry 1 in one loop.
  std::pair<std::string, std::string> RunIn(bool fast) {
    VM_SetFastLoopEnabled(fast);
    RuntimeErrorCapture::Reset();
    Run(1, m_runner, nullptr);
    return {ResultText(), RuntimeErrorCapture::Reported() ? RuntimeErrorCapture::LastReport() : ""};
  }
  int32_t RefsOfA() const { return m_runner->m_slots[0].pString->refCount; }

  CObject* m_object = nullptr;
  CInstance* m_runner = nullptr;
  bool m_wasEnabled = VM_FastLoopEnabled();
};

// Programs of every shape the translation handles (fused idioms included, with locals of the
// kinds their fast cases do not take), code that does not verify, and runtime errors with values
// on the stacks of the calls below: both loops give the same result and the same report.
TEST_F(FastLoopTest, BothLoopsGiveTheSameResultsAndReports) {
  const char* const programs[] = {
      // numeric loop through the fused compare-and-branch and add-to-local
      ".code main locals=2\npush.i.i 0\npop.v.i local.s vflags=10\npush.i.i 0\npop.v.i local.i vflags=10\n"
      "top:\npush.l.v local.i\npush.i 100\nset.i.v 1\nbf end\npush.l.v local.s\npush.l.v local.i\nadd.v.v\n"
      "pop.v.v local.s vflags=10\npush.l.v local.i\npush.i.i 1\nadd.i.v\npop.v.v local.i vflags=10\nb top\n"
      "end:\npush.l.v local.s\nret.v\n",
      // the same idioms over a string local: the fast cases step aside
      ".code main locals=2\npush.s \"7\"\npop.v.s local.i vflags=10\npush.l.v local.i\npush.i 100\nset.i.v 1\n"
      "bf end\npush.l.v local.i\npush.i.i 1\nadd.i.v\npop.v.v local.i vflags=10\nend:\npush.l.v local.i\nret.v\n",
      // a local never set
      ".code main locals=2\npush.l.v local.q\npush.i 3\nset.i.v 1\nbf end\nend:\npush.i.i 1\nret.i\n",
      // strings appended in place, and a second holder that must not see it
      ".code main locals=2\npush.s \"\"\npop.v.s local.s vflags=10\npush.l.v local.s\npush.s \"x\"\nadd.s.v\n"
      "pop.v.v local.s vflags=10\npush.l.v local.s\npop.v.v local.t vflags=10\npush.l.v local.s\npush.s \"y\"\n"
      "add.s.v\npop.v.v local.s vflags=10\npush.l.v local.t\npush.l.v local.s\nadd.v.v\nret.v\n",
      // recursion through arguments, fused compare on an argument
      ".code main\npush.i.i 10\nconv.i.v\ncall.i scr 1\nret.v\n"
      ".code scr\npush.b.v builtin.argument0\npush.i.i 2\nset.i.v 1\nbf rec\npush.b.v builtin.argument0\nret.v\n"
      "rec:\npush.b.v builtin.argument0\npush.i.i 1\nsub.i.v\ncall.i scr 1\npush.b.v builtin.argument0\n"
      "push.i.i 2\nsub.i.v\ncall.i scr 1\nadd.v.v\nret.v\n",
      // a runtime error three calls deep, with strings and values on every caller's stack
      ".code main\npush.s \"s\"\npush.v self.a vflags=10\npush.v self.b vflags=10\ncall.i scr 1\nret.v\n"
      ".code scr\npush.v self.a vflags=10\npush.s \"t\"\npush.b.v builtin.argument0\ncall.i deep 1\nret.v\n"
      ".code deep\npush.v self.a vflags=10\npush.v self.nope vflags=10\nret.v\n",
      // a type error inside a fused group
      ".code main locals=1\npush.v self.a vflags=10\npop.v.v local.i vflags=10\npush.l.v local.i\npush.i.i 1\n"
      "sub.i.v\npop.v.v local.i vflags=10\npush.l.v local.i\nret.v\n",
      // two paths meet with different stacks: not verified, the checked loop runs it
      ".code main\npush.i.i 1\nbf skip\npush.i.i 5\nskip:\npush.i.i 6\nret.i\n",
      // a branch into the middle of an instruction
      ".code main\npush.d 1.5\nb x raw=0xb67ffffe\nx:\nret.d\n",
      // script_execute hands the rest of the run to the checked loop
      ".code main\npush.v self.a vflags=10\npush.i.i 0\nconv.i.v\ncall.i script_execute 2\nret.v\n"
      ".code scr\npush.b.v builtin.argument0\nret.v\n",
      // self's variables read and written: numbers, strings (a holds "A"), a variable never set
      ".code main\npush.v self.b vflags=10\npush.i.i 3\nmul.i.v\npop.v.v self.x vflags=10\npush.v self.a vflags=10\n"
      "push.v self.a vflags=10\nadd.v.v\npop.v.v self.a vflags=10\npush.d 0.5\npop.v.d self.b vflags=10\n"
      "push.v self.x vflags=10\npush.v self.b vflags=10\nadd.v.v\npush.v self.a vflags=10\npopz.v\nret.v\n",
      ".code main\npush.i.i 1\npop.v.i self.b vflags=10\npush.v self.nope vflags=10\nret.v\n",
      // globals through push.g and push.v, written as ints and values, and one never set
      ".code main\npush.i.i 4\npop.v.i global.g vflags=10\npush.g.v global.g\npush.v global.g vflags=10\nadd.v.v\n"
      "pop.v.v global.h vflags=10\npush.g.v global.h\nret.v\n",
      ".code main\npush.g.v global.unset\nret.v\n",
      // exit from a call over values it pushed
      ".code main\npush.v self.b vflags=10\ncall.i scr 1\npush.v self.a vflags=10\npush.v self.a vflags=10\n"
      "add.v.v\nret.v\n.code scr\npush.v self.a vflags=10\npush.v self.a vflags=10\npush.s \"k\"\nexit.i\n",
  };
  for (const char* program : programs) {
    Prepare(program);
    const auto checked = RunIn(false);
    const int32_t checkedRefs = RefsOfA();
    Prepare(program);
    const auto fast = RunIn(true);
    EXPECT_EQ(fast.first, checked.first) << program;
    EXPECT_EQ(fast.second, checked.second) << program;
    EXPECT_EQ(RefsOfA(), checkedRefs) << program;
  }
}

// Which code translates: code whose slots, branches and operands check out does; code that the
// checked loop would stop (or whose paths disagree on the stack) does not, and keeps that loop.
TEST_F(FastLoopTest, TranslationVerifiesWhatTheSealsWouldCheck) {
  VM_SetFastLoopEnabled(true);
  const struct {
    const char* program;
    bool verifies;
  } cases[] = {
      {".code main\npush.i.i 1\nbf skip\npush.v self.a vflags=10\npopz.v\nskip:\npush.i.i 6\nret.i\n", true},
      {".code main\npush.i.i 1\nbf skip\npush.i.i 5\nskip:\npush.i.i 6\nret.i\n", false},  // stacks differ
      {".code main\npush.d 1.5\nb x raw=0xb67ffffe\nx:\nret.d\n", false},  // into an instruction
      {".code main\npush.i.i 1\npush.i.i 2\nadd.v.v\nret.v\n", false},  // ints taken for variables
      {".code main\npopz.v\nret.e\n", false},                           // nothing to pop
      {".code main\npush.i.i 1\nret.v\n", false},                       // an int returned as a variable
      {".code main\npush.i 4\npushenv end\nstart:\npopenv start\nend:\nret.e\n", false},  // with-blocks
  };
  for (const auto& c : cases) {
    Prepare(c.program);
    CCode* code = m_program.Code(1);
    EXPECT_EQ(VM_FastCodeFor(code->code, code->codeOffset) != nullptr, c.verifies) << c.program;
  }
  VM_SetFastLoopEnabled(false);
  Prepare(cases[0].program);
  EXPECT_EQ(VM_FastCodeFor(m_program.Code(1)->code, m_program.Code(1)->codeOffset), nullptr);
}

// Code entered off the instruction grid (an entry offset in the middle of an instruction, which
// the container may name) reads an operand as an instruction: the checked loop runs it, and both
// loops agree. Here the operand at 4 is "b +2", which leads round to the instruction at 0, whose
// operand it is: a translation that stepped from op to op by position would run it twice.
TEST_F(FastLoopTest, CodeEnteredOffTheInstructionGridRunsInTheCheckedLoop) {
  // -1241513982 is the word 0xB6000002.
  const char* program =
      ".code main\ntop:\npush.i -1241513982\nret.i\npush.i 9\nb top\n";
  for (const int32_t entry : {0, 4}) {
    Prepare(program);
    CCode* code = m_program.Code(1);
    code->codeOffset += entry;
    VM_SetFastLoopEnabled(true);
    EXPECT_EQ(VM_FastCodeFor(code->code, code->codeOffset) != nullptr, entry == 0) << entry;
    const auto checked = RunIn(false);
    const auto fast = RunIn(true);
    EXPECT_EQ(checked.first, "-1241513982") << entry;
    EXPECT_EQ(fast, checked) << entry;
  }
}

// A debugger string slot is a string slot to every instruction: popz.ds drops a string and is
// refused over a slot of another kind, so that both loops agree on what it pops.
TEST_F(FastLoopTest, DroppingADebuggerStringPopsAStringSlotInBothLoops) {
  const struct {
    const char* program;
    bool verifies;
    const char* result;
  } cases[] = {
      {".code main\npush.i.i 7\npush.i.i 9\npopz.ds\nret.i\n", false, "7"},
      {".code main\npush.i.i 7\npush.s \"k\"\npopz.ds\nret.i\n", true, "7"},
  };
  const int32_t handles = VM_StringHandleCount();
  for (const auto& c : cases) {
    Prepare(c.program);
    VM_SetFastLoopEnabled(true);
    CCode* code = m_program.Code(1);
    EXPECT_EQ(VM_FastCodeFor(code->code, code->codeOffset) != nullptr, c.verifies) << c.program;
    const auto checked = RunIn(false);
    const auto fast = RunIn(true);
    EXPECT_EQ(checked.first, c.result) << c.program;
    EXPECT_EQ(fast, checked) << c.program;
    EXPECT_EQ(VM_StringHandleCount(), handles) << c.program;
  }
}

// Verification keeps one shared record per stack, not a copy of the stack per position: code
// that holds a deep stack over a long run of instructions (48,001 words: 16,000 pushes, 32,000
// negations, a return) verifies in well under 50 ms (the best of three, on the CPU clock) and in
// under 10 MB. The copies took seconds and most of a gigabyte.
TEST_F(FastLoopTest, LongCodeOverADeepStackVerifiesInLinearTimeAndSpace) {
  std::string program = ".code main\n";
  for (int i = 0; i < 16000; ++i) program += "push.i.i 1\n";
  for (int i = 0; i < 32000; ++i) program += "neg.i.i\n";
  program += "ret.i\n";
  Prepare(program);
  VM_SetFastLoopEnabled(true);
  CCode* code = m_program.Code(1);
  double best = 1e9;
  size_t held = 0;
  for (int round = 0; round < 3; ++round) {
    VM_FreeFastCodes(code->code);
    VM_FreeRetiredFastCodes();
    const size_t before = HeapInUse();
    const std::clock_t start = std::clock();
    VMFastCode* fast = VM_FastCodeFor(code->code, code->codeOffset);
    const double took = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    held = HeapInUse() - before;
    ASSERT_NE(fast, nullptr);
    best = std::min(best, took);
  }
  EXPECT_LT(best, 0.050);
#if !TOLVARINE_SANITIZED
  EXPECT_LT(held, size_t{10} << 20);
#endif
  EXPECT_EQ(RunIn(true), RunIn(false));
}

class RunRemainsTest : public FastLoopTest, public ::testing::WithParamInterface<bool> {
 protected:
  void SetUp() override {
    FastLoopTest::SetUp();
    VM_SetFastLoopEnabled(GetParam());
  }
};

// A called script that exits from inside a block holding values: they die with the call, even
// after the caller's pushes cover their slots.
TEST_P(RunRemainsTest, ValuesUnderACallsExitAreReleased) {
  // The caller's ten pushes reach below where the call's frame and values were.
  std::string cover;
  for (int i = 0; i < 10; ++i) cover += "push.v self.b vflags=10\n";
  for (int i = 0; i < 10; ++i) cover += "popz.v\n";
  Prepare(".code main\ncall.i scr 0\npopz.v\n" + cover + "push.i.i 1\nret.i\n"
          ".code scr\npush.v self.a vflags=10\npush.v self.a vflags=10\npush.i.i 1\nexit.i\n");
  Run(1, m_runner, nullptr);
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(ResultText(), "1");
  EXPECT_EQ(RefsOfA(), 1);
}

// String slots left on the stack at the end of a run or at a runtime error are released.
TEST_P(RunRemainsTest, StringSlotsLeftOnTheStackAreReleased) {
  const int32_t handles = VM_StringHandleCount();
  for (const char* program : {".code main\npush.s \"abc\"\npush.s \"d\"\nexit.i\n",
                              ".code main\npush.s \"abc\"\npush.v self.a vflags=10\nconv.v.s\npush.v self.nope vflags=10\nret.v\n",
                              ".code main\npush.s \"abc\"\ncall.i scr 0\nret.v\n.code scr\npush.s \"q\"\npush.v self.nope vflags=10\nret.v\n"}) {
    Prepare(program);
    Run(1, m_runner, nullptr);
    EXPECT_EQ(VM_StringHandleCount(), handles) << program;
    EXPECT_EQ(RefsOfA(), 1) << program;
  }
}

// A built-in that returns a new array of one element.
void MakeArray(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  const RValue one = RValue_MakeReal(1);
  RValue_SetElement(result, &one, 0);
}
// Writes 99 into element 0 of its argument, as a function that changes the array it is given.
void Poke(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const RValue value = RValue_MakeReal(99);
  if (argc > 0) RValue_SetElement(&args[0], &value, 0);
  *result = RValue_MakeReal(0);
}

// An array a stack slot owned, stored into a variable, does not keep the slot as its owner: a
// later value at the same address is not taken for the owner and writes to a copy.
TEST_P(RunRemainsTest, AnArrayOwnedByAStackSlotDoesNotStayOwnedByItsAddress) {
  Builtin_Add("make_array", &MakeArray, 0, 0);
  Builtin_Add("poke", &Poke, 1, 0);
  Prepare(".code main\ncall.i make_array 0\npop.v.v self.x vflags=10\npush.v self.x vflags=10\ncall.i poke 1\n"
          "popz.v\npush.i.i 1\nret.i\n");
  Run(1, m_runner, nullptr);
  EXPECT_EQ(Error(), "");
  EXPECT_EQ(Text(m_runner, 100002, 0), "1");
}

// Programs of each kind, run many times, leave the memory manager's count as they found it.
TEST_P(RunRemainsTest, RunsGiveBackAllTheyTake) {
  Builtin_Add("make_array", &MakeArray, 0, 0);
  const char* const programs[] = {
      ".code main locals=2\npush.i.i 0\npop.v.i local.i vflags=10\ntop:\npush.l.v local.i\npush.i 50\nset.i.v 1\n"
      "bf end\npush.l.v local.i\npush.i.i 1\nadd.i.v\npop.v.v local.i vflags=10\nb top\nend:\npush.l.v local.i\nret.v\n",
      ".code main\npush.i.i 6\nconv.i.v\ncall.i scr 1\nret.v\n.code scr\npush.b.v builtin.argument0\npush.i.i 2\n"
      "set.i.v 1\nbf rec\npush.b.v builtin.argument0\nret.v\nrec:\npush.b.v builtin.argument0\npush.i.i 1\nsub.i.v\n"
      "call.i scr 1\npush.b.v builtin.argument0\npush.i.i 2\nsub.i.v\ncall.i scr 1\nadd.v.v\nret.v\n",
      ".code main locals=1\npush.s \"\"\npop.v.s local.s vflags=10\npush.l.v local.s\npush.s \"xy\"\nadd.s.v\n"
      "pop.v.v local.s vflags=10\npush.l.v local.s\npush.s \"z\"\nadd.s.v\npop.v.v local.s vflags=10\npush.l.v local.s\n"
      "ret.v\n",
      ".code main\npush.s \"s\"\npush.v self.a vflags=10\ncall.i scr 0\nret.v\n.code scr\npush.v self.a vflags=10\n"
      "push.v self.nope vflags=10\nret.v\n",
      ".code main\ncall.i scr 0\nret.v\n.code scr\npush.v self.a vflags=10\ncall.i make_array 0\npush.s \"k\"\nexit.i\n",
  };
  for (const char* program : programs) {
    Prepare(program);
    Run(1, m_runner, nullptr);  // what stays for good (translations, shared string records) is made now
    RValue_Release(&m_result);
    const int64_t before = MemoryManager_BytesInUse();
    for (int i = 0; i < 50; ++i) {
      Run(1, m_runner, nullptr);
      RValue_Release(&m_result);
    }
    EXPECT_EQ(MemoryManager_BytesInUse(), before) << program;
    EXPECT_EQ(RefsOfA(), 1) << program;
  }
}

INSTANTIATE_TEST_SUITE_P(BothLoops, RunRemainsTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Fast" : "Checked"; });

// --- the debugger loop ------------------------------------------------------------------------------

int g_ticks = 0;
void CountTick() { ++g_ticks; }
// Each pause: the code's name and the pc, relative to the code's start.
std::vector<std::pair<std::string, int32_t>> g_pauses;
int32_t g_stepOnPause = -1;  // the step the debugger asks for at the first pause
int32_t g_codeStart = 0;
void RecordPause() {
  const VMContext* context = VM_CurrentContext();
  g_pauses.emplace_back(context->name, context->pc - g_codeStart);
  if (g_pauses.size() == 1 && g_stepOnPause >= 0) {
    g_VMStep.mode = g_stepOnPause;
    g_VMStep.text = context->sourceText;
    g_VMStep.line = VM_GetLineNumber(VM_FindDebugEntry(context->debugInfo, context->pc), context->sourceText, nullptr);
    g_VMStep.depth = context->depth;
  }
}

class DebugLoopTest : public FastLoopTest {
 protected:
  void SetUp() override {
    FastLoopTest::SetUp();
    VM_Init();
    VM_SetDebugLoop(true);
    VM_SetDebugTickHook(&CountTick);
    Breakpoint_SetPauseHook(&RecordPause);
    g_ticks = 0;
    g_pauses.clear();
    g_stepOnPause = -1;
    g_codeStart = 0;
    g_VMStep = VMStepRequest{};
    g_VMPendingPause = false;
    g_VMDebugLastTick = 0;
  }
  void TearDown() override {
    VM_SetDebugLoop(false);
    VM_SetDebugTickHook(nullptr);
    Breakpoint_SetPauseHook(nullptr);
    g_VMStep = VMStepRequest{};
    g_VMPendingPause = false;
    FastLoopTest::TearDown();
  }
  // One source line per instruction word of code entry `entry`: position 4k is line k + 1.
  void GiveLines(size_t entry, const char* text) {
    CCode* code = m_program.Code(entry);
    auto& pairs = m_pairs.emplace_back();
    for (int32_t at = 0; at < code->code->length; at += 4) {
      int32_t line = 0;
      uint32_t offset = 0;
      for (const char* p = text; *p != 0 && line < at / 4; ++p, ++offset) {
        if (*p == '\n') ++line;
      }
      pairs.push_back(static_cast<uint32_t>(at));
      pairs.push_back(offset);
    }
    auto* info = new VMBuffer();
    info->code = reinterpret_cast<uint8_t*>(pairs.data());
    info->length = static_cast<int32_t>(pairs.size() * 4);
    code->lineTable = info;  // the code object frees it
    code->text = text;
  }
  std::vector<std::vector<uint32_t>> m_pairs;
};

TEST_F(DebugLoopTest, TheTickComesEveryTwentyThousandInstructionsWhenHalfASecondHasPassed) {
  // 4 instructions per iteration: 12,500 iterations are 50,000 instructions and more.
  Prepare(".code main locals=1\npush.i.i 0\npop.v.i local.i vflags=10\ntop:\npush.l.v local.i\npush.i 12500\n"
          "set.i.v 1\nbf end\npush.l.v local.i\npush.i.i 1\nadd.i.v\npop.v.v local.i vflags=10\nb top\nend:\n"
          "push.l.v local.i\nret.v\n");
  g_VMDebugLastTick = Timing_GetTime() - 2 * kVMDebugTickMicroseconds;
  Run(1, m_runner, nullptr);
  EXPECT_EQ(ResultText(), "12500");
  const int32_t instructions = 2 + 12500 * 9 + 4 + 2;
  EXPECT_EQ(g_ticks, instructions / 20001);
  // A tick less than half a second ago: none.
  g_ticks = 0;
  g_VMDebugLastTick = Timing_GetTime();
  Run(1, m_runner, nullptr);
  EXPECT_EQ(g_ticks, 0);
  VM_Init();
  EXPECT_EQ(VM_DebugInstructionCount(), 0u);
}

TEST_F(DebugLoopTest, APendingPauseStopsBeforeTheNextInstructionWhichThenRuns) {
  Prepare(".code main\npush.i.i 3\npush.i.i 4\nadd.i.i\nret.i\n");
  g_VMPendingPause = true;
  g_codeStart = m_program.Code(1)->codeOffset;
  Run(1, m_runner, nullptr);
  EXPECT_EQ(ResultText(), "7");
  ASSERT_EQ(g_pauses.size(), 1u);
  EXPECT_EQ(g_pauses[0].second, 0);
  EXPECT_FALSE(g_VMPendingPause);
}

TEST_F(DebugLoopTest, StepsIntoOverAndOutOfAScriptCall) {
  // A line per instruction word: main's call (with its operand) is at 4, the pop after it at 12.
  const char* mainText = "m1\nm2\nm3\nm4\nm5\n";
  const char* scrText = "s1\ns2\ns3\n";
  const std::string source = ".code main\npush.i.i 1\ncall.i scr 0\npopz.v\npush.i.i 2\nret.i\n"
                             ".code scr\npush.i.i 5\npush.i.i 6\nret.i\n";
  struct Case {
    int32_t mode;
    size_t breakIn;   // code entry of the breakpoint where the step begins
    int32_t breakAt;  // its position in the code
    std::pair<std::string, int32_t> stop;
  } cases[] = {
      {kVMStepInto, 1, 4, {"scr", 0}},   // from the call into the script's first line
      {kVMStepOver, 1, 4, {"main", 12}},  // over the call, to the line after it
      {kVMStepOut, 2, 4, {"main", 12}},   // from the script's second line out to its caller
  };
  for (const Case& c : cases) {
    Prepare(source);
    GiveLines(1, mainText);
    GiveLines(2, scrText);
    CCode* at = m_program.Code(c.breakIn);
    ASSERT_EQ(at->codeOffset, m_program.Code(1)->codeOffset);  // both codes start their buffers alike
    g_codeStart = at->codeOffset;
    g_pauses.clear();
    g_stepOnPause = c.mode;
    Breakpoint_Add(at->code->code + at->codeOffset + c.breakAt);
    Run(1, m_runner, nullptr);
    Breakpoint_ClearAll();
    EXPECT_EQ(ResultText(), "2") << c.mode;
    ASSERT_EQ(g_pauses.size(), 2u) << c.mode;
    EXPECT_EQ(g_pauses[0].second, c.breakAt) << c.mode;
    EXPECT_EQ(g_pauses[1], c.stop) << c.mode;
    EXPECT_EQ(g_VMStep.mode, -1);
  }
}

}  // namespace
