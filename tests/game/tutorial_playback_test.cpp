// The demonstration: a recorded play of the tutorial replayed by the game itself without a
// display. The recording starts the tutorial from the menu, rides it to its win, waits for the
// menu and clicks exit; the run ends by itself and the save file says the next level is open.
// The suite's name holds "WallClock": the game runs its steps in real time, so it runs alone.
#include <gtest/gtest.h>
#include <zlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "host/host_test_support.h"

namespace {

const std::string kRecording = std::string(TOLVARINE_SOURCE_DIR) + "/tests/game/recordings/tutorial.rec.gz";

// The recording as the runner reads it: the repository keeps it compressed.
bool Unpack(const std::string& from, const std::string& to) {
  gzFile in = gzopen(from.c_str(), "rb");
  if (in == nullptr) return false;
  std::ofstream out(to, std::ios::binary);
  char buffer[1 << 16];
  int n = 0;
  while ((n = gzread(in, buffer, sizeof buffer)) > 0) out.write(buffer, n);
  gzclose(in);
  return n == 0 && out.good();
}

std::string Read(const std::string& path) {
  std::ifstream in(path);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(TutorialPlaybackWallClockTest, TheRecordedTutorialIsWonAndTheGameEndsFromTheMenu) {
  const std::string dir = host_test::MakeScratchDir("tutorial_playback");
  ASSERT_TRUE(Unpack(kRecording, dir + "/tutorial.rec")) << kRecording;
  ASSERT_EQ(std::filesystem::file_size(dir + "/tutorial.rec") % 3034, 0u) << "whole steps";
  const std::string saves = dir + "/saves";
  std::filesystem::create_directories(saves);
  const host_test::RunResult run = host_test::RunProgram(
      TOLVARINE_LUMBRIX, {"-playback", "tutorial.rec"}, dir,
      {{"SDL_VIDEODRIVER", "offscreen"}, {"SDL_AUDIODRIVER", "dummy"}, {"ALSOFT_DRIVERS", "null"},
       {"XDG_DATA_HOME", saves}},
      240);
  ASSERT_FALSE(run.timedOut) << run.output;
  EXPECT_EQ(run.exitCode, 0) << run.output;
  const std::string save = Read(saves + "/Lumbrix/saveData.ini");
  EXPECT_NE(save.find("[data]"), std::string::npos) << save;
  EXPECT_NE(save.find("unlocked=\"1.000000\""), std::string::npos) << save;
}

}  // namespace
