// The runner's failures as a user at a terminal meets them under -headless: each says why on
// standard error, a crash names its signal and where it happened, and no way out leaves the
// temporary directory behind.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "container/minimal.h"
#include "container/writer.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;

// A game whose first room runs `code` (assembler text) in its creation code.
std::string GameWithRoomCode(const std::string& dir, const std::string& code) {
  WriteFile(dir + "/code.s", ".code room_code\n" + code);
  const RunResult tool =
      RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "30", "--room-code", "code.s", "game.win"}, dir);
  EXPECT_EQ(tool.exitCode, 0) << tool.output;
  return "game.win";
}

TEST(RunnerFailuresTest, EachHeadlessFailureSaysWhyOnTheTerminal) {
  const struct {
    const char* name;
    std::string code;  // room creation code; empty: a container of its own
    std::string bytes;
    int exitCode;
    const char* says;
  } cases[] = {
      {"link error", "  call.i no_such_function 0\n  popz.v\n  exit.i\n", "", 1,
       "Unable to find function no_such_function"},
      {"fatal runtime error", "  push.i.i 1\n  push.i.i 0\n  div.i.i\n  popz.i\n  exit.i\n", "", 255,
       "DoDiv :: Divide by zero"},
      // The buffer must not outlive the exit unreachable: in the sanitizer build the leak check
      // would turn the exit code into 1.
      {"fatal runtime error with a buffer made",
       "  push.i.i 1\n  conv.i.v\n  push.i.i 1\n  conv.i.v\n  push.i.i 16\n  conv.i.v\n"
       "  call.i buffer_create 3\n  popz.v\n"
       "  push.i.i 1\n  push.i.i 0\n  div.i.i\n  popz.i\n  exit.i\n",
       "", 255, "DoDiv :: Divide by zero"},
      {"empty container", "", std::string("FORM\0\0\0\0", 8), 1, "no game header"},
      {"options alone", "", std::string("FORM\x0c\0\0\0OPTN\x04\0\0\0\0\0\0\0", 20), 1, "no game header"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = MakeScratchDir("work");
    const std::string tmp = dir + "/tmp";
    std::filesystem::create_directories(tmp);
    std::string game = "bad.win";
    if (c.code.empty()) {
      WriteFile(dir + "/" + game, c.bytes);
    } else {
      game = GameWithRoomCode(dir, c.code);
    }
    const RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", game, "-headless"}, dir, {{"TMPDIR", tmp}}, 60);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.output;
    EXPECT_NE(run.output.find(c.says), std::string::npos) << run.output;
    EXPECT_EQ(TempDirectories(tmp), 0u);
  }
}

TEST(RunnerFailuresTest, AnUnknownChunkIsNamedOnTheTerminalWithItsControlBytesEscaped) {
  container::ContainerWriter writer;
  container::add_minimal_game(writer);
  writer.options().unknown_chunk_at = 5;
  const std::string dir = MakeScratchDir("work");
  ASSERT_TRUE(writer.write_file(dir + "/junk.win").ok());
  std::string bytes = ReadFile(dir + "/junk.win");
  const size_t at = bytes.find("JUNK");
  ASSERT_NE(at, std::string::npos);
  bytes[at + 1] = '\x1b';  // an escape sequence would be obeyed by the terminal
  WriteFile(dir + "/junk.win", bytes);
  const RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "junk.win", "-headless"}, dir);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.output.find("unknown chunk J\\x1bNK"), std::string::npos) << run.output;
  EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
}

// A game stuck in code that never returns still ends at the first SIGTERM, with the usual
// teardown and exit code 0: the interpreter's periodic pump sees the request and stops the code.
// Both loops pump at branches, each in its own way.
TEST(RunnerFailuresTest, AGameInAnEndlessLoopEndsAtOneSigterm) {
  for (const char* checked : {"0", "1"}) {
    SCOPED_TRACE(std::string("checked loop only: ") + checked);
    const std::string dir = MakeScratchDir("work");
    WriteFile(dir + "/spin.s", ".code spin\nagain:\n  b again\n");
    ASSERT_EQ(RunProgram(TOLVARINE_CONTAINER_TOOL,
                         {"--minimal", "--room-speed", "30", "--draw-code", "spin.s", "spin.win"}, dir)
                  .exitCode,
              0);
    const std::string tmp = dir + "/tmp";
    std::filesystem::create_directories(tmp);
    StartedProgram runner = StartProgram(TOLVARINE_RUNNER, {"-game", "spin.win", "-headless", "-debugoutput", "log.txt"},
                                         dir, {{"TMPDIR", tmp}, {"TOLVARINE_CHECKED_LOOP", checked}});
    ASSERT_GE(runner.pid, 0);
    WaitForLogLine(runner, dir + "/log.txt", "Entering main loop.");
    // The first frame's Draw event is where it spins.
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(IsRunning(runner)) << ReadFile(dir + "/log.txt");
    kill(runner.pid, SIGTERM);
    const RunResult run = FinishProgram(runner, 30);
    ASSERT_FALSE(run.timedOut) << "one SIGTERM did not end the game";
    EXPECT_EQ(run.exitCode, 0) << run.output << ReadFile(dir + "/log.txt");
    EXPECT_EQ(TempDirectories(tmp), 0u);
  }
}

// The sanitizer build installs no handler of its own: its report is the one to read.
TEST(RunnerFailuresTest, ACrashNamesItsSignalAndWhereItHappened) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer reports crashes itself";
#endif
  const std::string dir = MakeScratchDir("work");
  ASSERT_EQ(RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "30", "room.win"}, dir).exitCode, 0);
  StartedProgram runner =
      StartProgram(TOLVARINE_RUNNER, {"-game", "room.win", "-headless", "-output", "out.txt", "-debugoutput", "log.txt"}, dir);
  ASSERT_GE(runner.pid, 0);
  WaitForLogLine(runner, dir + "/log.txt", "Entering main loop.");
  kill(runner.pid, SIGSEGV);
  const RunResult run = FinishProgram(runner, 60);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  for (const std::string& text : {run.output, ReadFile(dir + "/out.txt")}) {
    EXPECT_EQ(FirstMissingInOrder(text, {"Exception detected during the unit tests!",
                                         "Crashed on SIGSEGV (invalid memory access); backtrace:"}),
              "")
        << text;
    // The frames name the program they are in.
    EXPECT_NE(text.find("/tolvarine("), std::string::npos) << text;
  }
}

}  // namespace
