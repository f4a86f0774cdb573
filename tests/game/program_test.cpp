// The lumbrix program as a user starts it: it plays its own container, whatever lies beside it or
// is named on the command line.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "container/minimal.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;

TEST(LumbrixProgram, PlaysItsBuiltInGameOverOneBesideItAndOneNamed) {
  const std::string dir = MakeScratchDir("lumbrix_program");
  const std::string program = dir + "/lumbrix";
  std::filesystem::copy_file(TOLVARINE_LUMBRIX, program);
  // All three games run until they are ended; the test ends the one that plays once it is in its
  // main loop, as a user's Ctrl+C does.
  container::RoomEntry room{.name = "room0", .width = 320, .height = 240, .speed = 30};
  container::ContainerWriter writer;
  container::add_minimal_game(writer, std::span(&room, 1));
  ASSERT_TRUE(writer.write_file(dir + "/data.win").ok());
  ASSERT_TRUE(writer.write_file(dir + "/other.win").ok());

  StartedProgram started = StartProgram(program, {"-game", "other.win", "-headless", "-debugoutput", "log.txt"}, dir,
                                        {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}});
  ASSERT_GT(started.pid, 0);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (IsRunning(started) && ReadFile(dir + "/log.txt").find("Entering main loop.") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  if (IsRunning(started)) kill(started.pid, SIGTERM);
  const RunResult run = FinishProgram(started, 30);
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const std::string log = ReadFile(dir + "/log.txt");
  EXPECT_EQ(FirstMissingInOrder(log, {"Reading File " + program, "Entering main loop."}), "") << log;
  for (const char* other : {"/other.win", "/data.win"}) {
    EXPECT_EQ(log.find("Reading File " + dir + other), std::string::npos) << log;
  }
  EXPECT_EQ(log.find("Link record: no function is named"), std::string::npos) << log;
}

}  // namespace
