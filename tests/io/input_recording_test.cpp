// Recording and playback end to end at the input level: the real main window under SDL's
// offscreen driver, events pushed through SDL's queue, the host's message pump, and the per-step
// update recording every step; then the same number of steps played back from the file.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <vector>

#include "host/command_line.h"
#include "host/entry.h"
#include "host/host_test_support.h"
#include "io/program.h"
#include "io/input.h"
#include "io/main_window.h"
#include "host/sdl_test_events.h"
#include "platform/window/messages.h"
#include "platform/window/virtual_keys.h"

namespace {

using Frame = std::array<uint8_t, IO_FRAME_SIZE>;

class InputRecordingTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    WindowState_Reset();
    IO_Reset();
    ASSERT_TRUE(Window_Create(320, 240));
    windowId = SDL_GetWindowID(Window_Handle());
    Window_ClearMessageQueue();
  }
  void TearDown() override {
    Window_Destroy();
    Window_ClearMessageQueue();
    IO_Reset();
    WindowState_Reset();
    g_RunnerOptions.record = false;
    g_RunnerOptions.playback = false;
    g_RunnerOptions.inputFileName.clear();
  }

  void Start(bool record, bool playback) {
    IO_Reset();
    IO_Update();  // past the first step, which takes the message buffer from the live state
    g_RunnerOptions.record = record;
    g_RunnerOptions.playback = playback;
    g_RunnerOptions.inputFileName = file;
    IO_Init();
  }

  // One frame: the pending events through the pump and the procedure, then the game step's input
  // update. Returns the live state the step saw.
  Frame RunStep() {
    g_Host.running = 1;
    Win32_PumpMessages();
    IO_CopyPointerTable();
    IO_Update();
    Frame frame;
    IO_WriteFrame(frame.data());
    return frame;
  }

  void Key(bool down, SDL_Scancode scancode, SDL_Keycode keycode, bool repeat = false) {
    sdl_test::Key(windowId, down, scancode, keycode, repeat);
  }
  void Text(const char* utf8) {
    SDL_Event e = {};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = windowId;
    SDL_strlcpy(e.text.text, utf8, sizeof e.text.text);
    SDL_PushEvent(&e);
  }
  void Mouse(Uint32 type, int32_t x, int32_t y, uint8_t button = 0) { sdl_test::Mouse(windowId, type, x, y, button); }
  void Wheel(int32_t notches) {
    SDL_Event e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = windowId;
    e.wheel.y = notches;
    e.wheel.preciseY = static_cast<float>(notches);
    SDL_PushEvent(&e);
  }

  // What a player does over six steps.
  std::vector<std::function<void()>> Script() {
    return {
        [&] {
          Key(true, SDL_SCANCODE_A, SDLK_a);
          Text("a");
          Mouse(SDL_MOUSEMOTION, 40, 50);
        },
        [&] {
          Key(true, SDL_SCANCODE_A, SDLK_a, true);
          Text("a");
          Mouse(SDL_MOUSEBUTTONDOWN, 41, 52, SDL_BUTTON_LEFT);
        },
        [&] {
          Key(false, SDL_SCANCODE_A, SDLK_a);
          Key(true, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT);
          Wheel(1);
        },
        [&] {
          Key(true, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
          Mouse(SDL_MOUSEMOTION, -8, 300);
          Mouse(SDL_MOUSEBUTTONUP, -8, 300, SDL_BUTTON_LEFT);
        },
        [&] {
          Key(false, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE);
          Key(false, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT);
          Text("\xC3\xA9");
        },
        [&] {},
    };
  }

  std::string file = std::string(TOLVARINE_TEST_TMP) + "/round_trip.rec";
  uint32_t windowId = 0;
};

TEST_F(InputRecordingTest, RecordedRunPlaysBackToTheSameFramesByteForByte) {
  Start(true, false);
  std::vector<Frame> recorded;
  std::vector<std::function<void()>> script = Script();
  for (size_t i = 0; i < script.size(); ++i) {
    script[i]();
    recorded.push_back(RunStep());
    // The events did reach the game.
    if (i == 0) {
      EXPECT_TRUE(IO_KeyPressed('A'));
      EXPECT_EQ(g_IOInputState.deviceMouseX[0], 40);
    }
    if (i == 2) {
      EXPECT_TRUE(IO_KeyDown(VK_RSHIFT));
      EXPECT_TRUE(IO_WheelUp(0));
    }
    if (i == 3) {
      EXPECT_TRUE(IO_ButtonReleased(1, 0));
      EXPECT_EQ(g_IOInputState.mouseX, -8);
    }
  }
  EXPECT_STREQ(IO_GetKeyboardString(), "a\xC3\xA9");
  IO_Shutdown();

  std::ifstream in(file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(bytes.size(), recorded.size() * IO_FRAME_SIZE);
  for (size_t i = 0; i < recorded.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(std::equal(recorded[i].begin(), recorded[i].end(), bytes.begin() + i * IO_FRAME_SIZE));
  }

  // Playback: whatever the devices do now never reaches the game.
  Start(false, true);
  std::vector<Frame> played;
  for (size_t i = 0; i < recorded.size(); ++i) {
    Key(true, SDL_SCANCODE_Z, SDLK_z);
    Mouse(SDL_MOUSEBUTTONDOWN, 5, 5, SDL_BUTTON_RIGHT);
    played.push_back(RunStep());
  }
  for (size_t i = 0; i < recorded.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_TRUE(recorded[i] == played[i]);
  }
  EXPECT_FALSE(IO_KeyDown('Z'));
  EXPECT_FALSE(IO_ButtonDown(2, 0));

  // Past the end: no one-step flags, the held state of the last frame.
  RunStep();
  EXPECT_FALSE(IO_KeyPressed('A'));
  EXPECT_STREQ(IO_GetKeyboardString(), "a\xC3\xA9");
}

}  // namespace

namespace {

using namespace host_test;

// The runner itself: -record writes one frame per game step and closes the file at the end of the
// main loop; -playback only reads it.
TEST(InputRecordingRunnerTest, RecordAndPlaybackOptionsReachTheInput) {
  const std::string dir = MakeScratchDir("record");
  ASSERT_EQ(RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "game.win"}, dir).exitCode, 0);

  RunResult record = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", "-record", "in.rec", "-headless"}, dir);
  ASSERT_FALSE(record.timedOut);
  EXPECT_EQ(record.exitCode, 0);
  const std::string recorded = ReadFile(dir + "/in.rec");
  ASSERT_FALSE(recorded.empty());
  EXPECT_EQ(recorded.size() % IO_FRAME_SIZE, 0u);

  // Playback wins over a recording asked for as well: the file is read, never rewritten.
  RunResult playback = RunProgram(
      TOLVARINE_RUNNER, {"-game", "game.win", "-playback", "in.rec", "-record", "in.rec", "-headless"}, dir);
  ASSERT_FALSE(playback.timedOut);
  EXPECT_EQ(playback.exitCode, 0);
  EXPECT_EQ(ReadFile(dir + "/in.rec"), recorded);
}

// A recording that cannot be opened (missing, a FIFO, a folder that is not there) is said in the
// log, and the game runs without it.
TEST(InputRecordingRunnerTest, UnopenableRecordingFilesAreLogged) {
  const std::string dir = MakeScratchDir("unopenable");
  ASSERT_EQ(RunProgram(TOLVARINE_CONTAINER_TOOL, {"--minimal", "game.win"}, dir).exitCode, 0);
  ASSERT_EQ(mkfifo((dir + "/fifo.rec").c_str(), 0600), 0);
  const struct {
    const char* option;
    const char* file;
  } cases[] = {{"-playback", "missing.rec"}, {"-playback", "fifo.rec"}, {"-record", "no/such/folder.rec"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    RunResult run = RunProgram(TOLVARINE_RUNNER, {"-game", "game.win", c.option, c.file, "-headless", "-debugoutput", "log.txt"},
                               dir, {}, 30);
    ASSERT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 0);
    const std::string log = ReadFile(dir + "/log.txt");
    EXPECT_NE(log.find(std::string("Unable to open the ") + c.option + " file " + c.file), std::string::npos) << log;
  }
}

}  // namespace
