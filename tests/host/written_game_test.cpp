// A game written as a user writes one: a description naming assembler files, a PNG sprite and a
// WAV sound, with objects and two rooms, turned into a container by tolvarine-container and run
// headless. Its saved frame and what it played show that every part arrived.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "container/minimal.h"
#include "host/host_test_support.h"
#include "host/saved_frame.h"

namespace {

using namespace host_test;

constexpr int kRate = 44100;

// The director plays the sound and, three steps later, goes on to the next room; the mover
// steps right and draws its sprite itself; the camera saves the screen at its fifth step and ends
// the game.
const std::string kCode = std::string(R"(.code director_create
  ; audio_play_sound(beep, 10, false): arguments go on the stack last first
  push.i.i 0
  conv.i.v
  push.i.i 10
  conv.i.v
  push.i.i 0
  conv.i.v
  call.i audio_play_sound 3
  popz.v
  ; alarm[0] = 3
  push.i.i 3
  push.i.i 0
  pop.v.i builtin.alarm vflags=2
  ret.e
.code director_alarm
  call.i room_goto_next 0
  popz.v
  ret.e
.code mover_step
  push.v builtin.x vflags=10
  push.i.i 4
  add.i.v
  pop.v.v builtin.x vflags=10
  ret.e
.code mover_draw
  ; draw_sprite(ball, 0, x, y)
  push.v builtin.y vflags=10
  push.v builtin.x vflags=10
  push.i.i 0
  conv.i.v
  push.i.i 0
  conv.i.v
  call.i draw_sprite 4
  popz.v
  ret.e
)") + container::save_frame_code("camera", 5, "frame.png");

constexpr const char* kGame = R"(game "Written Game"
code game.s
sprite ball ball.png
sound beep beep.wav
object mover sprite=ball
  on step mover_step
  on draw mover_draw
object director
  on create director_create
  on alarm 0 director_alarm
object camera
  on create camera_create
  on end_step camera_end_step
room first 160 120 colour=808000
  instance director 0 0
  instance mover 8 16
room second 160 120 colour=204080
  instance mover 8 40
  instance camera 0 0
)";

TEST(WrittenGameTest, AGameOfTwoRoomsWithAMovingSpriteAndASoundRunsHeadless) {
  const std::string dir = MakeScratchDir("written");
  std::vector<uint8_t> red;
  for (int i = 0; i < 8 * 8; ++i) red.insert(red.end(), {0xFF, 0x00, 0x00, 0xFF});
  const std::vector<uint8_t> png = container::png_page(8, 8, red);
  WriteFile(dir + "/ball.png", std::string(png.begin(), png.end()));
  const std::vector<uint8_t> wav = container::make_wav_tone({.frequency = 1000.0, .rate = kRate, .seconds = 3.0});
  WriteFile(dir + "/beep.wav", std::string(wav.begin(), wav.end()));
  WriteFile(dir + "/game.s", kCode);
  WriteFile(dir + "/game.txt", kGame);
  const RunResult tool = RunProgram(TOLVARINE_CONTAINER_TOOL, {"game.txt", "game.win"}, dir);
  ASSERT_EQ(tool.exitCode, 0) << tool.output;

  WriteFile(dir + "/alsoft.conf", "[general]\nchannels = mono\nsample-type = int16\nfrequency = 44100\n[wave]\nfile = " +
                                      dir + "/played.wav\n");
  const RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", "-headless", "-debugoutput", "log.txt"}, dir,
                                   {{"XDG_DATA_HOME", dir + "/data"},
                                    {"SDL_VIDEODRIVER", "offscreen"},
                                    {"ALSOFT_DRIVERS", "wave"},
                                    {"ALSOFT_CONF", dir + "/alsoft.conf"}},
                                   60);
  const std::string log = ReadFile(dir + "/log.txt");
  ASSERT_FALSE(run.timedOut) << log;
  ASSERT_EQ(run.exitCode, 0) << run.output << log;

  // The save area is named after the game.
  const std::string saved = FindFile(dir + "/data/Written Game", "frame.png");
  ASSERT_FALSE(saved.empty()) << log;
  const std::optional<frame_test::Frame> frame = frame_test::DecodePng(ReadFile(saved));
  ASSERT_TRUE(frame.has_value());
  ASSERT_EQ(frame->width, 160);
  ASSERT_EQ(frame->height, 120);
  // The second room's colour: the alarm took the game there.
  EXPECT_EQ(frame->At(150, 2), 0xFF204080u);
  // One 8 x 8 red block on the second room's row 40, moved right of where it was placed.
  int32_t left = frame->width, right = -1, top = frame->height, bottom = -1;
  for (int32_t y = 0; y < frame->height; ++y) {
    for (int32_t x = 0; x < frame->width; ++x) {
      if (frame->At(x, y) != 0xFFFF0000u) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  EXPECT_EQ(top, 40);
  EXPECT_EQ(bottom, 47);
  EXPECT_EQ(right - left, 7);
  EXPECT_GT(left, 8) << "the Step event did not move the sprite";

  // The sound played from the first room on.
  const Heard heard = HeardTone(WavSamples(ReadFile(dir + "/played.wav")), kRate, 1600);
  EXPECT_GT(heard.samples, 0u) << "nothing was heard";
  EXPECT_NEAR(heard.frequency, 1000.0, 10.0);
}

}  // namespace
