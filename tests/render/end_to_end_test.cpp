// The device on the OpenGL layer and the runner's own window, and the runner itself: a resize
// reaches the device through the frame loop's countdown, and a game with a room starts its device.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "core/console.h"
#include "host/frame_loop.h"
#include "io/main_window.h"
#include "io/window_services.h"
#include "platform/d3d9/gl_options.h"
#include "platform/window/window_system.h"
#include "render/d3d_device.h"
#include "io/display.h"
#include "render/frame_services.h"
#include "render/lifecycle.h"
#include "render/render_state.h"
#include "render/vertex_batch.h"
#include "render/render_fixture.h"

namespace {

using render_test::ReadBackBuffer;

// One frame as the frame loop runs it: the reset countdown, then a frame cleared to `colour` (a
// script colour: the back buffer holds it with red and blue exchanged).
void RunFrame(uint32_t colour) {
  int32_t& countdown = g_FrameTiming.displayResetCountdown;
  if (countdown > 1) {
    GR_D3D_ResizeWindow();
    --countdown;
  } else if (countdown == 1) {
    GR_D3D_ResetAndRestore();
    countdown = 0;
  }
  Start_Frame();
  GR_D3D_Clear(colour, 1.0f, 0, kClearTarget);
  End_Frame(true);
}

TEST(DeviceEndToEnd, AResizedWindowGetsItsResetAfterTheCountdownAndClearsAtTheNewSize) {
  WindowState_Reset();
  g_D3D = GR_D3DDeviceState{};
  g_Batch = GR_BatchState{};
  ASSERT_TRUE(Window_Create(320, 240));
  ASSERT_TRUE(GR_D3D_Init(Window_Handle(), 320, 240, kD3DFlagShowOnce));
  ASSERT_NE(g_D3D.device, nullptr);
  RunFrame(0xFF302010u);
  EXPECT_EQ(ReadBackBuffer(320, 240)[0], 0xFF102030u);

  Window_SetSize(400, 300);
  ASSERT_EQ(g_FrameTiming.displayResetCountdown, 10);
  int frames = 0;
  while (g_FrameTiming.displayResetCountdown > 0 && frames < 20) {
    RunFrame(0xFF302010u);
    ++frames;
    if (g_FrameTiming.displayResetCountdown > 0) {
      EXPECT_EQ(Display_Size.width, 320) << frames;
    }
  }
  EXPECT_EQ(frames, 10);
  EXPECT_EQ(Display_Size.width, 400);
  EXPECT_EQ(Display_Size.height, 300);
  EXPECT_EQ(Window_GetWidth(), 400);
  EXPECT_EQ(Window_GetHeight(), 300);
  RunFrame(0xFF605040u);
  const std::vector<uint32_t> pixels = ReadBackBuffer(400, 300);
  ASSERT_EQ(pixels.size(), 400u * 300u);
  EXPECT_EQ(pixels.front(), 0xFF405060u);
  EXPECT_EQ(pixels.back(), 0xFF405060u);

  GR_D3D_Shutdown();
  Window_Destroy();
  WindowState_Reset();
}

TEST(DeviceEndToEnd, ALostDeviceIsResetAtTheBeginOfAFrameThroughTheRetries) {
  TErrStreamConsole console;
  tagIConsole* debug = g_pDebugConsole;
  g_pDebugConsole = &console;
  WindowState_Reset();
  g_D3D = GR_D3DDeviceState{};
  g_Batch = GR_BatchState{};
  ASSERT_TRUE(GR_D3D_Init(nullptr, 64, 48, 0));
  // Two failing resets: the frame's reset gives up after its retry, the next frame's succeeds.
  ASSERT_TRUE(D3D9GL_LoseDevice(g_D3D.device, 2));
  Start_Frame();
  EXPECT_EQ(g_D3D.device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  End_Frame(true);
  Start_Frame();
  EXPECT_EQ(g_D3D.device->TestCooperativeLevel(), D3D_OK);
  GR_D3D_Clear(0xFFFF0000u, 1.0f, 0, kClearTarget);
  End_Frame(true);
  const std::string log = console.Text();
  const size_t failed = log.find("Reset() Failed: 88760868\n");
  const size_t retry = log.find("Change SWAP+Multisample type effect, try Reset() again\n");
  EXPECT_NE(failed, std::string::npos) << log;
  EXPECT_NE(retry, std::string::npos);
  EXPECT_LT(failed, retry);
  EXPECT_EQ(ReadBackBuffer(64, 48)[0], 0xFF0000FFu);
  GR_D3D_Shutdown();
  g_pDebugConsole = debug;
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

int RunIn(const std::string& dir, const std::vector<std::string>& args, pid_t* started = nullptr) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.c_str()) != 0) _exit(127);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    execv(argv[0], argv.data());
    _exit(127);
  }
  if (started != nullptr) {
    *started = pid;
    return 0;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Writes a container with the tool's arguments in a fresh folder, runs the runner on it without a
// display until it has been in its main loop for a while, ends it with SIGTERM and returns its
// log; *cleanEnd tells whether it was still running then and ended with exit code 0.
std::string RunWrittenGame(const std::string& name, const std::vector<std::string>& toolArgs, bool* cleanEnd) {
  const std::string dir = std::string(TOLVARINE_TEST_TMP) + "/" + name + "_" + std::to_string(getpid());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  std::vector<std::string> tool{TOLVARINE_CONTAINER_TOOL};
  tool.insert(tool.end(), toolArgs.begin(), toolArgs.end());
  tool.push_back("game.win");
  *cleanEnd = false;
  if (RunIn(dir, tool) != 0) return "the container tool failed";
  pid_t runner = -1;
  RunIn(dir, {TOLVARINE_RUNNER, "-game", "game.win", "-debugoutput", "log.txt"}, &runner);
  if (runner <= 0) return "the runner did not start";
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (ReadText(dir + "/log.txt").find("Entering main loop.") == std::string::npos &&
         std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(700));
  int status = 0;
  const bool stillRunning = waitpid(runner, &status, WNOHANG) == 0;
  kill(runner, SIGTERM);
  if (stillRunning) waitpid(runner, &status, 0);
  *cleanEnd = stillRunning && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  const std::string log = ReadText(dir + "/log.txt");
  std::filesystem::remove_all(dir);
  return log;
}

TEST(DeviceEndToEnd, TheRunnerCreatesItsDeviceAndRunsFramesWithoutADisplay) {
  bool clean = false;
  const std::string log = RunWrittenGame("render_e2e", {"--minimal", "--room-speed", "30"}, &clean);
  EXPECT_TRUE(clean) << log;
  std::vector<std::string> steps = render_test::CreationSteps(320, 240);
  steps.push_back("Entering main loop.");
  EXPECT_EQ(render_test::FirstMissingInOrder(log, steps), "") << log;
}

// The game of the tool's --demo-views: the room is redrawn through both views every frame.
TEST(DeviceEndToEnd, TheRunnerDrawsARoomThroughTwoViewsWithoutADisplay) {
  bool clean = false;
  const std::string log = RunWrittenGame("render_views", {"--demo-views"}, &clean);
  EXPECT_TRUE(clean) << log;
  EXPECT_EQ(render_test::FirstMissingInOrder(log, {"StartGame: room 0 \"views\" (640 x 480, speed 30)",
                                                   "Entering main loop."}),
            "")
      << log;
  EXPECT_EQ(log.find("Unbalanced surface stack"), std::string::npos) << log;
}

}  // namespace
