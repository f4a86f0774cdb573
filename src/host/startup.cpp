#include "host/startup.h"

#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "assets/sprite_table.h"
#include "audio/lifecycle.h"
#include "core/console.h"
#include "core/crc32.h"
#include "core/runtime_random.h"
#include "functions/buffer_functions.h"
#include "vm/registry_lifecycle.h"
#include "core/memory_manager.h"
#include "functions/lifecycle.h"
#include "functions/vertex_functions.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "io/file_services.h"
#include "io/load_save.h"
#include "host/frame_loop.h"
#include "host/game_loader.h"
#include "runtime/game_header.h"
#include "host/game_step.h"
#include "io/program.h"
#include "io/main_window.h"
#include "io/input.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "host/splash.h"
#include "io/window_services.h"
#include "runtime/connectivity.h"
#include "render/lifecycle.h"
#include "vm/lifecycle.h"
#include "world/async_queue.h"
#include "world/lifecycle.h"

namespace {

RunnerStepObserver g_stepObserver = nullptr;

struct Step {
  const char* name;
  void (*run)();
};

template <size_t N>
void RunSteps(const Step (&steps)[N]) {
  for (const Step& step : steps) {
    if (g_stepObserver != nullptr) g_stepObserver(step.name);
    step.run();
  }
}

void KeepEmbeddedTextures() { GR_SetEmbeddedTextures(g_EmbeddedImages); }

void DestroyMainWindow() {
  if (Window_Handle() == nullptr) return;
  Window_Destroy();
  g_Host.windowDestroyed = true;
}

constexpr Step kInitSteps[] = {
    {"GR_SetEmbeddedTextures", KeepEmbeddedTextures},
    {"Timing_Init", Timing_Init},
    {"CRC32_InitTable", CRC32_InitTable},
    {"Win32_InitPlatform", Win32_InitPlatform},
    {"File_CreateTempDirectory", File_CreateTempDirectory},
    {"GR_InitCirclePrecision", GR_InitCirclePrecision},
    {"Constant_InitBuiltins", Constant_InitBuiltins},
    {"Window_ResetViewPorts", Window_ResetViewPorts},
    {"Particle_Reset", Particle_Reset},
    {"Runner_InitRunGlobals", Runner_InitRunGlobals},
    {"Variable_BuiltIn_Init", Variable_BuiltIn_Init},
    {"Path_Reset", Path_Reset},
    {"Score_Init", Score_Init},
    {"Runner_ClearDeferredLists", Runner_ClearDeferredLists},
    {"Win32_PumpMessages", Win32_PumpMessages},
};

constexpr Step kShutdownSteps[] = {
    {"WexaFunctions_Shutdown", WexaFunctions_Shutdown},
    {"Network_Shutdown", Network_Shutdown},
    {"Steam_Shutdown", Steam_Shutdown},
    {"Score_Save", Score_Save},
    {"Constant_Free", Constant_Free},
    {"Builtin_Shutdown", Builtin_Shutdown},
    {"Code_Shutdown", Code_Shutdown},
    {"Variable_NamesShutdown", Variable_NamesShutdown},
    {"Grid_Shutdown", Grid_Shutdown},
    {"Room_Shutdown", Room_Shutdown},
    {"Instances_DeleteAll", Instances_DeleteAll},
    {"Runner_FreeCarriedInstances", Runner_FreeCarriedInstances},
    {"ObjectLists_FreeAll", ObjectLists_FreeAll},
    {"Object_Shutdown", Object_Shutdown},
    {"Particle_Shutdown", Particle_Shutdown},
    {"Sprite_Shutdown", Sprite_Shutdown},
    {"File_DeleteTempDirectory", File_DeleteTempDirectory},
    {"VertexFormat_FreeAll", VertexFormat_FreeAll},
    {"Display_ReportFPS", Display_ReportFPS},
    {"Background_Shutdown", Background_Shutdown},
    {"GR_Texture_Shutdown", GR_Texture_Shutdown},
    {"Script_Shutdown", Script_Shutdown},
    {"Variable_Shutdown", Variable_Shutdown},
    {"Font_Shutdown", Font_Shutdown},
    {"Text_Shutdown", Text_Shutdown},
    {"File_CloseAll", File_CloseAll},
    {"TimeLine_Shutdown", TimeLine_Shutdown},
    {"Runner_FreeGameData", Runner_FreeGameData},
    {"Sound_Shutdown", Sound_Shutdown},
    // After File_CloseAll, whose last queued loads still fill buffers; the table is a vector that
    // the exit's destructors free, so buffers left in it would be lost, not reclaimed.
    {"Buffer_FreeAll", Buffer_FreeAll},
    {"Profiler_Shutdown", Profiler_Shutdown},
    {"GR_D3D_Shutdown", GR_D3D_Shutdown},
    {"Window_Destroy", DestroyMainWindow},
    {"VM_Shutdown", VM_Shutdown},
};

int32_t DepthFromCode(int32_t code) {
  switch (code) {
    case 1: return 16;
    case 2: return 32;
    default: return -1;
  }
}

void ResolutionFromCode(int32_t code, int32_t* width, int32_t* height) {
  static constexpr int32_t kSizes[][2] = {{320, 240}, {640, 480}, {800, 600}, {1024, 768}, {1280, 1024}, {1600, 1200}};
  if (code >= 1 && code <= 6) {
    *width = kSizes[code - 1][0];
    *height = kSizes[code - 1][1];
  } else {
    *width = -1;
    *height = -1;
  }
}

int32_t FrequencyFromCode(int32_t code) {
  static constexpr int32_t kRates[] = {60, 70, 85, 100, 120};
  return code >= 1 && code <= 5 ? kRates[code - 1] : -1;
}

}  // namespace

void Runner_SetStepObserver(RunnerStepObserver observer) { g_stepObserver = observer; }

bool Runner_InitGlobals() {
  RunSteps(kInitSteps);
  return true;
}

bool Runner_StartUp() {
  Console_DebugOutput(
      "\n***************************************\n*     Wexa Works Runner v%d.%d(%d)[r%d]    *\n"
      "***************************************\t \n",
      1, 0, 999, 32908);
  // Workers of the game before this pass have posted their last.
  Async_Open();
  RunnerLoadGame();
  // A game that cannot run has set the exit code; the teardown follows at once.
  if (g_Host.exitCode != 0) return false;

  Console_DebugOutput("Get Resolution\n");
  Game_ScanHeader(Game_Container(), Game_ContainerSize());
  if (g_Host.exitCode != 0) return false;

  Console_DebugOutput("Create Window\n");
  Window_Create(g_GameHeader.windowWidth, g_GameHeader.windowHeight);

  Console_DebugOutput("Init Graphics\n");
  if (!Runner_InitGraphics()) return false;

  Console_DebugOutput("IO Init\n");
  IO_Init();

  Console_DebugOutput("Process Messages\n");
  Win32_PumpMessages();

  Console_DebugOutput("Splash!\n");
  Splash_Show();

  Console_DebugOutput("Start Frame\n");
  Start_Frame();

  Console_DebugOutput("Part Create Textures\n");
  Particle_CreateShapeTextures();

  Console_DebugOutput("Debug Init Remote Interface\n");
  Debug_InitRemoteInterface();

  Console_DebugOutput("VM Init\n");
  VM_Init();

  // The high-score and error dialogs keep their own state, so no form record is made here.
  Console_DebugOutput("Create Score Form\n");
  Console_DebugOutput("Create Load Form\n");
  Console_DebugOutput("Create Error Form\n");

  Console_DebugOutput("Do The Work\n");
  return PrepareGame();
}

bool Runner_InitGraphics() {
  const GameOptions& options = g_GameOptions;
  if (options.switchDisplayMode) {
    int32_t width = -1;
    int32_t height = -1;
    ResolutionFromCode(options.resolutionCode, &width, &height);
    Display_SetAll(width, height, FrequencyFromCode(options.frequencyCode), DepthFromCode(options.colourDepthCode));
  }
  Console_DebugOutput("GR_D3D_Init()\n");
  // Without a device the game still starts: drawing then does nothing.
  GR_D3D_Init(Window_Handle(), g_GameHeader.windowWidth, g_GameHeader.windowHeight, g_GameHeader.headerFlags);
  Console_DebugOutput("Background_InitTextures()\n");
  Background_InitTextures();
  Console_DebugOutput("Sprite_InitTextures()\n");
  Sprite_InitTextures();
  Console_DebugOutput("Font_InitTextures()\n");
  Font_InitTextures();
  return true;
}

bool PrepareGame() {
  // The game's own random sequences depend on this seed.
  Runtime_SRand(kPrepareGameSeed);
  if (!LoadGameData()) {
    Console_DebugOutput("Failed to load the game\n");
    // A game that cannot be loaded must not look like one that ran; a launched game returns to
    // the game that launched it instead.
    if (!g_Host.subGame) g_Host.exitCode = 1;
    return false;
  }
  Variable_InitGlobalFlags();
  Console_DebugOutput("PrepareGame()\n");
  if (!Runner_PrepareAll()) return false;
  Console_DebugOutput("Run_Start\n");
  Runner_Begin();
  return true;
}

void Runner_Begin() {
  if (g_Host.running == 0) {
    g_Host.running = 1;
    StartGame();
  }
  g_Host.running = 1;
  g_Host.pausedByDebugger = false;
  Runner_EnterMainLoop();
  if (Debug_StartPaused) {
    g_Host.pausedByDebugger = true;
    Profiler_Init(nullptr, 0);
    Console_DebugOutput("...Waiting for debugger to connect...\n");
  }
  if (g_RunnerOptions.profileDump && !g_RunnerOptions.profileDumpFile.empty()) {
    Profiler_Init(g_RunnerOptions.profileDumpFile.c_str(), g_RunnerOptions.profileDumpInterval);
  }
}

void Runner_EnterMainLoop() {
  int64_t now = Timing_GetTime();
  g_FrameTiming.lastFrameTime = now;
  g_FrameTiming.lastFpsTime = now;
  g_FrameTiming.frameCounter = 0;
  g_FrameTiming.fps = 0;
  Win32_PumpMessages();
  Console_DebugOutput("**********************************.\n");
  Console_DebugOutput("Entering main loop.\n");
  Console_DebugOutput("**********************************.\n");
  MemoryManager_Report();
  g_FrameTiming.lastStepTime = Timing_GetTime();
}

void Runner_AfterMainLoop() {
  IO_Shutdown();
  Sound_QuitHardware();
  if (Profiler_Enabled && Profiler_Dumping && !g_RunnerOptions.profileDumpFile.empty()) {
    Profiler_DumpToFile();
  }
}

void Runner_Shutdown() { RunSteps(kShutdownSteps); }

void Runner_SetReleaseMode(bool checking) {
  g_Host.checkingHandlers = checking;
  SetDsGridFastMode(checking);
  VertexBuilder_RegisterFastFunctions(checking);
}
