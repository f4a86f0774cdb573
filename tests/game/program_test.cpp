// The lumbrix program as a user starts it: it plays its own container, whatever lies beside it or
// is named on the command line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "container/minimal.h"
#include "host/host_test_support.h"

namespace {

using namespace host_test;

TEST(LumbrixProgram, PlaysItsBuiltInGameOverOneBesideItAndOneNamed) {
  const std::string dir = MakeScratchDir("lumbrix_program");
  const std::string program = dir + "/lumbrix";
  std::filesystem::copy_file(TOLVARINE_LUMBRIX, program);
  // Both of these run until they are ended; the built-in game ends after its first frame.
  container::RoomEntry room{.name = "room0", .width = 320, .height = 240, .speed = 30};
  container::ContainerWriter writer;
  container::add_minimal_game(writer, std::span(&room, 1));
  ASSERT_TRUE(writer.write_file(dir + "/data.win").ok());
  ASSERT_TRUE(writer.write_file(dir + "/other.win").ok());

  const RunResult run = RunProgram(program, {"-game", "other.win", "-headless", "-debugoutput", "log.txt"}, dir,
                                   {{"SDL_VIDEODRIVER", "offscreen"}}, 30);
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
