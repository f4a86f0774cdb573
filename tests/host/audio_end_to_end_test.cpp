// A game whose first room plays a tone, run by the runner without a sound card (and without
// -headless, which ends the run once a room's creation code has run): OpenAL Soft's
// wave writer records what was played, and the tone's frequency is found in it.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "host/host_test_support.h"

namespace {

using namespace host_test;

TEST(AudioEndToEndTest, TheToneOfTheFirstRoomIsPlayed) {
  const std::string dir = MakeScratchDir("audio_e2e");
  // Written by the container tool, as a user would.
  ASSERT_EQ(RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "--room-speed", "30", "--tone", "1000", "tone.win"}, dir)
                .exitCode,
            0);
  WriteFile(dir + "/alsoft.conf", "[general]\nchannels = mono\nsample-type = int16\nfrequency = 44100\n[wave]\nfile = " +
                                      dir + "/played.wav\n");

  StartedProgram runner = StartProgram(TOLVARINE_RUNNER, {"-game", "tone.win", "-debugoutput", "log.txt"},
                                       dir, {{"ALSOFT_DRIVERS", "wave"}, {"ALSOFT_CONF", dir + "/alsoft.conf"}});
  ASSERT_GE(runner.pid, 0);
  WaitForLogLine(runner, dir + "/log.txt", "Entering main loop.");
  std::this_thread::sleep_for(std::chrono::milliseconds(1500));
  kill(runner.pid, SIGTERM);
  const RunResult run = FinishProgram(runner, 60);
  const std::string log = ReadFile(dir + "/log.txt");
  ASSERT_EQ(run.exitCode, 0) << run.output << log;
  EXPECT_EQ(FirstMissingInOrder(log, {"Audio_Load()", "Audio_WAVs()", "Sound_Prepare() ", "Entering main loop."}),
            "")
      << log;
  EXPECT_EQ(Count(log, "Audio device: "), 1u) << log;
  EXPECT_EQ(log.find("OpenAL error"), std::string::npos) << log;

  const std::vector<int16_t> samples = WavSamples(ReadFile(dir + "/played.wav"));
  ASSERT_GT(samples.size(), 44100u / 2) << log;
  // The part that sounds: from the first sample above a tenth of the tone's level to the last.
  const Heard heard = HeardTone(samples, 44100, 1600);
  ASSERT_GT(heard.samples, 44100u / 2) << "nothing was heard";
  EXPECT_NEAR(heard.frequency, 1000.0, 10.0);
}

}  // namespace
