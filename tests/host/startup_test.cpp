#include "host/startup.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/runtime_random.h"
#include "functions/buffer_functions.h"
#include "vm/constants.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "io/file_services.h"
#include "io/load_save.h"
#include "io/program.h"
#include "io/main_window.h"
#include "runtime/run_state.h"
#include "platform/window/messages.h"
#include "world/lifecycle.h"

namespace {

std::vector<std::string> g_steps;
void RecordStep(const char* step) { g_steps.emplace_back(step); }

class StepOrderTest : public testing::Test {
 protected:
  void SetUp() override {
    g_steps.clear();
    Runner_SetStepObserver(RecordStep);
  }
  void TearDown() override { Runner_SetStepObserver(nullptr); }
};

TEST_F(StepOrderTest, InitGlobalsRunsInItsFixedOrder) {
  EXPECT_TRUE(Runner_InitGlobals());
  const std::vector<std::string> expected = {
      "GR_SetEmbeddedTextures", "Timing_Init", "CRC32_InitTable", "Win32_InitPlatform",
      "File_CreateTempDirectory", "GR_InitCirclePrecision", "Constant_InitBuiltins",
      "Window_ResetViewPorts",  "Particle_Reset",       "Runner_InitRunGlobals",
      "Variable_BuiltIn_Init",  "Path_Reset",           "Score_Init",
      "Runner_ClearDeferredLists", "Win32_PumpMessages",
  };
  EXPECT_EQ(g_steps, expected);
  Constant_Free();  // what the teardown would free
}

TEST_F(StepOrderTest, ShutdownTearsDownInItsFixedOrderAndDestroysTheWindow) {
  ASSERT_TRUE(Window_Create(640, 480));
  g_Host.windowDestroyed = false;
  const int32_t buffer = CreateBuffer(8, eBuffer_Format_Grow, 1);
  ASSERT_NE(GetBuffer(buffer), nullptr);
  Runner_Shutdown();
  const std::vector<std::string> expected = {
      "WexaFunctions_Shutdown", "Network_Shutdown", "Steam_Shutdown", "Score_Save", "Constant_Free",
      "Builtin_Shutdown", "Code_Shutdown", "Variable_NamesShutdown", "Grid_Shutdown", "Room_Shutdown",
      "Instances_DeleteAll", "Runner_FreeCarriedInstances", "ObjectLists_FreeAll", "Object_Shutdown",
      "Particle_Shutdown", "Sprite_Shutdown", "File_DeleteTempDirectory", "VertexFormat_FreeAll",
      "Display_ReportFPS", "Background_Shutdown", "GR_Texture_Shutdown", "Script_Shutdown",
      "Variable_Shutdown", "Font_Shutdown", "Text_Shutdown", "File_CloseAll", "TimeLine_Shutdown",
      "Runner_FreeGameData", "Sound_Shutdown", "Buffer_FreeAll", "Profiler_Shutdown", "GR_D3D_Shutdown",
      "Window_Destroy", "VM_Shutdown",
  };
  EXPECT_EQ(g_steps, expected);
  EXPECT_EQ(Window_Handle(), nullptr);
  EXPECT_TRUE(g_Host.windowDestroyed);
  // The script buffers go with the game, not with the exit.
  EXPECT_EQ(GetBuffer(buffer), nullptr);
  EXPECT_EQ(Buffer_TableCapacity(), 0);
}

TEST(RunGlobalsTest, InitSetsTheDefaultsAndFreeResetsTheSurfaces) {
  g_RunState.score = 50;
  g_RunState.lives = 3;
  g_RunState.showLives = true;
  g_RunState.applicationSurface = 7;
  g_Host.running = 1;
  Runner_InitRunGlobals();
  EXPECT_EQ(g_Host.running, 0);
  EXPECT_EQ(g_RunState.score, 0);
  EXPECT_EQ(g_RunState.lives, -1);
  EXPECT_EQ(g_RunState.health, 100.0);
  EXPECT_TRUE(g_RunState.showScore);
  EXPECT_FALSE(g_RunState.showLives);
  ASSERT_NE(g_RunState.captionHealth, nullptr);
  EXPECT_STREQ(g_RunState.captionHealth, "Health: ");
  EXPECT_EQ(g_RunState.captionScore, nullptr);
  EXPECT_EQ(g_RunState.cursorSprite, -1);
  EXPECT_EQ(g_RunState.applicationSurface, static_cast<int32_t>(0xFEEEDEADu));

  Host_ReplaceText(&g_pGameFilePath, "/games/a/game.win");
  EXPECT_STREQ(Win32_GetProgramDirectory(), "/games/a/");
  g_RunState.gameId = 42;
  g_RunState.applicationSurfaceWidth = 320;
  Runner_FreeRunGlobals();
  EXPECT_EQ(g_pGameFilePath, nullptr);
  EXPECT_EQ(g_RunState.captionHealth, nullptr);
  EXPECT_EQ(g_RunState.gameId, 0);
  EXPECT_EQ(g_RunState.applicationSurfaceWidth, -1);
  // The program directory follows the next game.
  Host_ReplaceText(&g_pGameFilePath, "/games/b/other.win");
  EXPECT_STREQ(Win32_GetProgramDirectory(), "/games/b/");
  Runner_FreeRunGlobals();
}

// Relaunch: the command line of the next pass, the sub-game flag and the save-area prefix.
TEST(RelaunchTest, NextCommandLines) {
  struct Case {
    const char* name;
    const char* target;      // game-change request, null for none
    const char* requestExit;
    const char* exitTarget;  // -exit of the current pass
    bool subGameBefore;
    bool restart;
    const char* commandLine;
    bool subGameAfter;
    const char* savePrefix;
    const char* printed;
  };
  const Case cases[] = {
      {"run another game and come back", "/g/b.win", "/g/a.win", nullptr, false, true,
       "-game \"/g/b.win\" -exit \"/g/a.win\"", true, "pre", "-game \"/g/b.win\" -exit \"/g/a.win\""},
      {"run another game for good", "/g/b.win", nullptr, nullptr, false, true, "-game \"/g/b.win\"", false, "pre",
       ""},
      {"launched game ends: back to the launcher", nullptr, nullptr, "/g/a.win", true, true, "-game \"/g/a.win\"",
       false, "", ""},
      {"launched game asks for another: back to the launcher wins", "/g/c.win", "/g/b.win", "/g/a.win", true, true,
       "-game \"/g/a.win\"", false, "", "-game \"/g/c.win\" -exit \"/g/b.win\""},
      {"nothing pending", nullptr, nullptr, nullptr, false, false, "unchanged", false, "old", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    g_CommandLine = "unchanged";
    g_Host.restart = false;
    g_Host.subGame = c.subGameBefore;
    Win32_SetSaveDirectory("old");
    Host_ReplaceText(&game_project_name, "Launcher");
    if (c.target != nullptr) Runner_RequestGameChange(c.target, c.requestExit, "pre");
    Host_ReplaceText(&g_pExitTarget, c.exitTarget);

    testing::internal::CaptureStdout();
    Runner_PrepareRelaunch();
    std::string printed = testing::internal::GetCapturedStdout();

    EXPECT_EQ(g_Host.restart, c.restart);
    EXPECT_EQ(g_CommandLine, c.commandLine);
    EXPECT_EQ(g_Host.subGame, c.subGameAfter);
    EXPECT_STREQ(Win32_GetSaveDirectory(), c.savePrefix);
    EXPECT_EQ(printed, c.printed);
    EXPECT_EQ(g_GameChange.target, nullptr);
    EXPECT_EQ(g_pExitTarget, nullptr);
    EXPECT_STREQ(game_project_name, c.exitTarget != nullptr ? "" : "Launcher");
  }
  Host_FreeText(&game_project_name);
}

TEST(RelaunchTest, RelaunchCommandLineParsesIntoGameAndExitTarget) {
  Runner_RequestGameChange("/g/with blank/q\"b\\.win", "/g/a\\\"\".win", "");
  Runner_PrepareRelaunch();
  Runner_ParseCommandLine(g_CommandLine.c_str());
  EXPECT_STREQ(g_pGameFilePath, "/g/with blank/q\"b\\.win");
  EXPECT_STREQ(g_pExitTarget, "/g/a\\\"\".win");
  Host_FreeText(&g_pGameFilePath);
  Host_FreeText(&g_pExitTarget);
}

std::vector<uint32_t> g_dispatched;
int64_t RecordMessage(const WindowMessage& message) {
  g_dispatched.push_back(message.message);
  return 0;
}

TEST(MessagePumpTest, QuitStopsThePumpAndTheMainLoop) {
  Window_SetProcedure(RecordMessage);
  WindowMessage message;
  message.message = 0x100;
  Window_PostMessage(message);
  Win32_PostQuit();
  message.message = 0x101;
  Window_PostMessage(message);

  g_Host.running = 1;
  Win32_PumpMessages();
  EXPECT_EQ(g_Host.running, 0);
  EXPECT_EQ(g_dispatched, std::vector<uint32_t>{0x100});

  // What followed the quit stays for the next pump.
  g_Host.running = 1;
  Win32_PumpMessages();
  EXPECT_EQ(g_Host.running, 1);
  EXPECT_EQ(g_dispatched, (std::vector<uint32_t>{0x100, 0x101}));
  Window_SetProcedure(nullptr);
}

// Runs `crash` in a child with the headless handlers installed; returns its exit code and output.
std::pair<int, std::string> CrashHeadless(void (*crash)()) {
  int fds[2];
  if (pipe(fds) != 0) return {-1, ""};
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fds[1], STDOUT_FILENO);
    close(fds[0]);
    close(fds[1]);
    Win32_InstallHeadlessHandlers();
    crash();
    _exit(99);
  }
  close(fds[1]);
  std::string output;
  char buffer[256];
  ssize_t n;
  while ((n = read(fds[0], buffer, sizeof buffer)) > 0) output.append(buffer, static_cast<size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

// The sanitizer build installs no handler of its own: its report is the one to read.
TEST(HeadlessHandlersTest, CrashesPrintTheNoticeAndExitWithOne) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer reports crashes itself";
#endif
  const struct {
    const char* name;
    void (*crash)();
  } cases[] = {
      {"segmentation fault", [] { raise(SIGSEGV); }},
      {"arithmetic fault", [] { raise(SIGFPE); }},
      {"abort", [] { abort(); }},
      {"uncaught exception", [] { std::thread([] { throw 1; }).join(); }},
      {"bus error", [] { raise(SIGBUS); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto [code, output] = CrashHeadless(c.crash);
    EXPECT_EQ(code, 1);
    EXPECT_EQ(output, "Exception detected during the unit tests!\n");
  }
}

}  // namespace

namespace {

// The runner's own generator starts from 2101988 whenever a game is prepared: its first draws are
// those of that seed (worked out by hand from the generator's constants), not the program's start.
TEST(PrepareGameTest, SeedsTheRunnersGeneratorBeforeLoading) {
  Runtime_SRand(1);
  for (int i = 0; i < 7; ++i) Runtime_Rand();

  // Nothing is loaded, so the game fails to load; the generator is seeded before that.
  testing::internal::CaptureStdout();
  EXPECT_FALSE(PrepareGame());
  testing::internal::GetCapturedStdout();
  std::vector<int32_t> after;
  for (int i = 0; i < 4; ++i) after.push_back(Runtime_Rand());
  EXPECT_EQ(after, (std::vector<int32_t>{21441, 26792, 1252, 11069}));
  g_Host.exitCode = 0;
}

}  // namespace
