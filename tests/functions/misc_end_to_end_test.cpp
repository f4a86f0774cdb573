// The runner prints what a game's show_debug_message says into the -output file.
#include <gtest/gtest.h>

#include <string>

#include "host/host_test_support.h"

namespace {

using namespace host_test;

TEST(MiscEndToEndTest, ShowDebugMessageReachesTheOutputFile) {
  const std::string dir = MakeScratchDir("debug_message");
  WriteFile(dir + "/code.s",
            ".code room_code\n"
            "  push.s \"hello\"\n  conv.s.v\n"
            "  call.i show_debug_message 1\n"
            "  popz.v\n"
            "  exit.i\n");
  const RunResult tool = RunProgram(TOLVARINE_CONTAINER_TOOL,
                                    {"--minimal", "--room-speed", "30", "--room-code", "code.s", "dbg.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;
  const RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "dbg.win", "-headless", "-output", "out.txt"}, dir,
                                   {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"},
                                    {"ALSOFT_DRIVERS", "null"}, {"XDG_DATA_HOME", dir + "/data"}});
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0) << run.output;
  ASSERT_TRUE(Exists(dir + "/out.txt")) << run.output;
  const std::string out = ReadFile(dir + "/out.txt");
  EXPECT_NE(out.find("hello\n"), std::string::npos) << out;
}

}  // namespace
