#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "core/value_test_util.h"
#include "vm/vm_context.h"

namespace {

enum class Entry { kVMError, kRuntimeError };

VMContext MakeContext() {
  VMContext ctx = {};
  ctx.pc = 8;
  ctx.codeSize = 40;
  ctx.depth = 3;
  return ctx;
}

void Raise(Entry entry, VMContext* ctx, const char* text) {
  if (entry == Entry::kVMError) {
    VM_Error(ctx, "%s", text);
  } else {
    VM_RuntimeError("%s", text);
  }
}

class VMErrorTest : public ::testing::Test {
 protected:
  void TearDown() override {
    g_VMWatchEvaluation = false;
    g_VMRunFailed = false;
    g_Host.subGame = false;
    g_RoomChangeCode = kRoomChangeNone;
  }
  RuntimeErrorCapture m_capture;
};

TEST_F(VMErrorTest, ReportedAsFatalThenTheProcessEndsWithTheEntrysCode) {
  struct Case {
    Entry entry;
    int exitCode;
  };
  for (const Case c : {Case{Entry::kVMError, -1}, Case{Entry::kRuntimeError, 1}}) {
    RuntimeErrorCapture::Reset();
    VMContext ctx = MakeContext();
    if (c.entry == Entry::kVMError) {
      VM_Error(&ctx, "DoDiv :: Divide by zero %d", 7);
    } else {
      VM_RuntimeError("DoDiv :: Divide by zero %d", 7);
    }
    EXPECT_EQ(RuntimeErrorCapture::LastError(), "DoDiv :: Divide by zero 7");
    EXPECT_EQ(RuntimeErrorCapture::ExitCode(), c.exitCode);
    EXPECT_EQ(RuntimeErrorCapture::Exits(), 1);
    EXPECT_EQ(ctx.pc, 8);  // outside a watch the context is left alone
    EXPECT_FALSE(g_VMRunFailed);
    EXPECT_EQ(RuntimeErrorCapture::LastReport().rfind(std::string(92, '#') + "\nFATAL ERROR in\n", 0), 0u);
    // Were the process to go on, the game would end with this frame.
    EXPECT_EQ(g_RoomChangeCode, kRoomChangeQuit);
  }
}

TEST_F(VMErrorTest, DuringAWatchEvaluationOnlyTheRunIsMarkedFailed) {
  for (Entry entry : {Entry::kVMError, Entry::kRuntimeError}) {
    RuntimeErrorCapture::Reset();
    g_VMWatchEvaluation = true;
    g_VMRunFailed = false;
    VMContext ctx = MakeContext();
    Raise(entry, &ctx, "bad watch");
    EXPECT_TRUE(g_VMRunFailed);
    EXPECT_FALSE(RuntimeErrorCapture::Reported());
    EXPECT_EQ(RuntimeErrorCapture::Exits(), 0);
    if (entry == Entry::kVMError) {
      // the watch code stops after the current instruction
      EXPECT_EQ(ctx.pc, ctx.codeSize);
      EXPECT_EQ(ctx.depth, 0);
    } else {
      EXPECT_EQ(ctx.pc, 8);
    }
  }
}

TEST_F(VMErrorTest, InASubGameTheGameEndsInsteadOfTheProcess) {
  for (Entry entry : {Entry::kVMError, Entry::kRuntimeError}) {
    RuntimeErrorCapture::Reset();
    g_Host.subGame = true;
    g_RoomChangeCode = kRoomChangeNone;
    VMContext ctx = MakeContext();
    Raise(entry, &ctx, "sub-game failure");
    EXPECT_EQ(RuntimeErrorCapture::LastError(), "sub-game failure");
    EXPECT_EQ(RuntimeErrorCapture::Exits(), 0);
    EXPECT_EQ(g_RoomChangeCode, kRoomChangeEndGame);
  }
}

TEST_F(VMErrorTest, TheErrorLineReachesTheOutputLogButNotDuringAWatch) {
  const std::string path = std::string(TOLVARINE_TEST_TMP) + "/vm_error_output.log";
  std::remove(path.c_str());
  const std::string previous = g_OutputFileName;
  Console_SetOutputFile(path.c_str());
  g_VMWatchEvaluation = true;
  VM_RuntimeError("hidden");
  g_VMWatchEvaluation = false;
  VM_RuntimeError("shown %s", "here");
  Console_SetOutputFile(previous.c_str());

  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  // One report, logged whole: "ERROR!!! :: ", the report, a line feed.
  const std::string log = all.str();
  EXPECT_EQ(log.rfind("ERROR!!! :: " + std::string(92, '#') + "\nFATAL ERROR in", 0), 0u) << log;
  EXPECT_NE(log.find(":\n\n\nshown here\n"), std::string::npos) << log;
  EXPECT_EQ(log.find("hidden"), std::string::npos) << log;
  EXPECT_EQ(log.find("ERROR!!!", 1), std::string::npos) << log;
  EXPECT_EQ(log.back(), '\n');
}

TEST_F(VMErrorTest, LongMessagesAreCutOnACharacterBoundary) {
  struct Case {
    const char* name;
    size_t asciiBefore;
    const char* tail;
    size_t expectedLength;
  };
  const Case cases[] = {
      {"plain text", 2000, "", 1023},
      {"two-byte character cut in half", 1022, "\xC3\xA9", 1022},
      {"three-byte character cut after two bytes", 1021, "\xE2\x82\xAC", 1021},
      {"two-byte character that just fits", 1021, "\xC3\xA9", 1023},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RuntimeErrorCapture::Reset();
    const std::string text = std::string(c.asciiBefore, 'a') + c.tail + "zzz";
    VM_RuntimeError("%s", text.c_str());
    const std::string got = RuntimeErrorCapture::LastError();
    EXPECT_EQ(got.size(), c.expectedLength);
    EXPECT_EQ(got, text.substr(0, c.expectedLength));
  }
}

TEST(VMErrorDeathTest, RuntimeErrorEndsTheProcessWithCode1) {
  EXPECT_EXIT(VM_RuntimeError("fatal %d", 1), ::testing::ExitedWithCode(1), "");
}

TEST(VMErrorDeathTest, InterpreterErrorEndsTheProcessWithCodeMinus1) {
  VMContext ctx = MakeContext();
  EXPECT_EXIT(VM_Error(&ctx, "fatal"), ::testing::ExitedWithCode(255), "");
}

}  // namespace
