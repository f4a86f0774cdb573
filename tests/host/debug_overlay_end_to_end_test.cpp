// The runner with its debug overlay on (-debug): ended by SIGTERM after running frames, it leaves
// the frame-rate summary as the last lines of its debug log.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "host/host_test_support.h"

namespace {

using namespace host_test;

TEST(DebugOverlayEndToEnd, ARunEndedByTermLeavesTheFrameRateSummaryAtTheEndOfItsLog) {
  const std::string dir = MakeScratchDir("debug_overlay");
  RunResult tool = RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "30", "room.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;
  RunResult run = RunProgram("/usr/bin/timeout",
                             {"-s", "TERM", "5", TOLVARINE_RUNNER, "-debug", "-game", "room.win", "-debugoutput", "log.txt"},
                             dir, {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}});
  ASSERT_FALSE(run.timedOut);
  const std::string log = ReadFile(dir + "/log.txt");
  ASSERT_NE(log.find("Entering main loop."), std::string::npos) << log;
  const std::string dashes(63, '-');
  const size_t summary = log.rfind(dashes + "\nminFPS, maxFPS, avgFPS\n");
  ASSERT_NE(summary, std::string::npos) << log;
  // Three figures, then the closing line, and nothing after it.
  const size_t figures = summary + dashes.size() + 24;
  const size_t close = log.find('\n', figures);
  ASSERT_NE(close, std::string::npos);
  int minimum = -1, maximum = -1, average = -1;
  EXPECT_EQ(std::sscanf(log.c_str() + figures, "%d, %d, %d\n", &minimum, &maximum, &average), 3) << log;
  // Five seconds at 30 frames a second pass the 100 settling frames, unless the machine is too busy
  // to draw them; either way the figures are in order.
  EXPECT_GE(minimum, 0);
  EXPECT_LE(minimum, average);
  EXPECT_LE(average, maximum);
  EXPECT_EQ(log.substr(close + 1), dashes + "\n") << log.substr(summary);
}

}  // namespace
