#include "host/entry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/memory_manager.h"
#include "functions/buffer_functions.h"
#include "host/command_line.h"
#include "host/hooks.h"
#include "runtime/error_report.h"
#include "io/file_services.h"
#include "io/load_save.h"
#include "host/frame_loop.h"
#include "io/program.h"
#include "io/input.h"
#include "io/main_window.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "host/startup.h"
#include "platform/system/allocator.h"
#include "platform/system/files.h"
#include "script/lifecycle.h"
#include "vm/constants.h"
#include "world/lifecycle.h"

void Runner_FreePassGlobals() {
  Runner_FreeRunGlobals();
  if (g_pGlobalObject != nullptr) {
    WXObject_Free(g_pGlobalObject);
    g_pGlobalObject = nullptr;
  }
  WXObject_FreePool();
  WXObject_TableFree();
}

namespace {

std::string QuotedGame(const char* game) { return "-game " + Runner_QuoteArgument(game, true); }

// "data.win" beside the program is the game unless the command line names another.
void FindDataWinBesideProgram() {
  std::string exe = Win32_GetExePath();
  size_t slash = exe.rfind('/');
  std::string path = (slash == std::string::npos ? std::string() : exe.substr(0, slash + 1)) + "data.win";
  if (System_IsRegularFile(path.c_str())) Host_ReplaceText(&g_pGameFilePath, path.c_str());
}

}  // namespace

void Runner_PrepareRelaunch() {
  if (g_GameChange.target != nullptr) {
    if (g_GameChange.exitTarget != nullptr) {
      g_CommandLine = QuotedGame(g_GameChange.target) + " -exit " + Runner_QuoteArgument(g_GameChange.exitTarget, true);
      std::printf("%s", g_CommandLine.c_str());
      std::fflush(stdout);
      g_Host.subGame = true;
    } else {
      g_CommandLine = QuotedGame(g_GameChange.target);
    }
    g_Host.restart = true;
    Host_FreeText(&g_GameChange.target);
    Host_FreeText(&g_GameChange.exitTarget);
    Win32_SetSaveDirectory(g_GameChange.savePrefix != nullptr ? g_GameChange.savePrefix : "");
    Host_FreeText(&g_GameChange.savePrefix);
  }
  if (g_pExitTarget != nullptr) {
    // Back in the launching game, errors are reported again.
    Error_ClearSuppression();
    g_CommandLine = QuotedGame(g_pExitTarget);
    g_Host.subGame = false;
    g_Host.restart = true;
    Host_FreeText(&g_pExitTarget);
    Win32_SetSaveDirectory("");
    Host_ReplaceText(&game_project_name, "");
  }
}

namespace {
// Set while WinMain runs a pass: the tables Runner_EndProcess takes down are the runner's own.
bool g_inRunnerPass = false;

// An error that ends the process from inside running code cannot take the runner's tables down
// under that code; what it must not leave behind is the temporary directory, nor memory that the
// exit itself makes unreachable: the named constants' texts and values, and the script buffers,
// are held by containers that the exit's static destructors free, which would lose them (a leak
// report at every fatal error of a game that made a buffer). Nothing runs after this but the
// exit, so freeing them under the failed code is safe. The other tables stay reachable until the
// process is gone.
void EndProcessAfterAnError(int exitCode) {
  File_DeleteTempDirectory();
  Constant_Free();
  Buffer_FreeAll();
  std::fflush(stdout);
  std::exit(exitCode);
}
}  // namespace

void Runner_EndProcess(int exitCode) {
  if (g_inRunnerPass) {
    g_inRunnerPass = false;
    Runner_DeleteRoomCopies();
    Runner_AfterMainLoop();
    Win32_PostQuit();
    Runner_Shutdown();
    Runner_FreePassGlobals();
  }
  Error_EndProcess(exitCode);
}

int WinMain(const char* commandLine) {
  Platform_TuneAllocator();
  Runner_InstallHooks();
  Error_SetEndProcess(EndProcessAfterAnError);
  g_CommandLine = commandLine != nullptr ? commandLine : "";
  Win32_InstallQuitSignalHandlers();
  Win32_MoveAtFiles();

  do {
    g_Host.restart = false;
    FindDataWinBesideProgram();
    Runner_ParseCommandLine(g_CommandLine.c_str());
    if (Runner_CommandLineHasToken(g_CommandLine.c_str(), "-headless")) Win32_InstallHeadlessHandlers();
    if (g_pGameFilePath != nullptr && g_pGameFilePath[0] != '\0') {
      std::string full = Win32_GetFullPath(g_pGameFilePath);
      Host_ReplaceText(&g_pGameFilePath, full.c_str());
    }
    if (!Runner_InitGlobals()) break;
    g_inRunnerPass = true;
    g_Host.quitStopsCode = true;
    Runner_StartUp();
    Window_SetFocus();

    while (g_Host.running == 1) {
      IO_CopyPointerTable();
      Runner_Frame();
      Win32_PumpMessages();
    }
    g_Host.quitStopsCode = false;
    Runner_EndGame();

    g_inRunnerPass = false;
    Runner_AfterMainLoop();
    Win32_PostQuit();
    Runner_Shutdown();
    if (g_Host.exitCode != 0 || Win32_QuitSignalled()) {
      Runner_FreePassGlobals();
      break;
    }
    Runner_PrepareRelaunch();
    Runner_FreePassGlobals();
    g_Host.firstPass = false;
  } while (g_Host.restart);
  return g_Host.exitCode;
}
