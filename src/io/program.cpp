#include "io/program.h"
#include "io/load_save.h"


#include <cstdio>
#include <string_view>
#include <vector>

#include "core/run_switches.h"
#include "runtime/host_state.h"
#include "io/input.h"
#include "platform/system/files.h"
#include "platform/system/process.h"
#include "platform/window/messages.h"

namespace {

std::string g_exePath;
bool g_exePathKnown = false;
std::string g_programDirectory;
bool g_programDirectoryKnown = false;

std::string DirectoryWithSlash(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "/";
  return path.substr(0, slash + 1);
}

bool SplitAtName(std::string_view name, std::vector<std::string_view>* parts) {
  if (name.find('@') == std::string_view::npos) return false;
  size_t start = 0;
  for (;;) {
    size_t at = name.find('@', start);
    std::string_view part = name.substr(start, at == std::string_view::npos ? at : at - start);
    if (part.empty() || part == "." || part == "..") return false;
    parts->push_back(part);
    if (at == std::string_view::npos) return true;
    start = at + 1;
  }
}

}  // namespace

const char* Win32_GetExePath() {
  if (!g_exePathKnown) {
    g_exePath = System_ExecutablePath();
    g_exePathKnown = true;
  }
  return g_exePath.c_str();
}

const char* Win32_GetProgramDirectory() {
  if (!g_programDirectoryKnown) {
    const char* base = (g_pGameFilePath != nullptr && g_pGameFilePath[0] != '\0')
                           ? g_pGameFilePath
                           : Win32_GetExePath();
    g_programDirectory = DirectoryWithSlash(Win32_GetFullPath(base));
    g_programDirectoryKnown = true;
  }
  return g_programDirectory.c_str();
}

void Win32_ForgetProgramDirectory() {
  g_programDirectory.clear();
  g_programDirectoryKnown = false;
}

std::string Win32_GetFullPath(const char* path) { return LoadSave_FullPath(path); }

namespace {
void (*g_pumpHook)() = nullptr;
void (*g_modelessDialog)() = nullptr;
}  // namespace

void Win32_SetPumpMessagesHook(void (*hook)()) { g_pumpHook = hook; }

void Win32_SetModelessDialog(void (*poll)()) { g_modelessDialog = poll; }

const char* Runner_GetGameFilePath() { return g_pGameFilePath; }

void Runner_SetGameFilePath(const char* path) {
  if (path != nullptr) {
    Host_ReplaceText(&g_pGameFilePath, path);
  } else {
    Host_FreeText(&g_pGameFilePath);
  }
  Win32_ForgetProgramDirectory();
}

void Win32_PumpMessages() {
  if (g_pumpHook != nullptr) g_pumpHook();
  if (System_QuitSignalled()) {
    g_Host.running = 0;
    return;
  }
  WindowMessage message;
  while (Window_PeekMessage(&message)) {
    if (message.message == WM_QUIT) {
      g_Host.running = 0;
      return;
    }
    Window_DispatchMessage(message);
  }
  if (g_modelessDialog != nullptr) g_modelessDialog();
}

void Win32_PostQuit() {
  WindowMessage message;
  message.message = WM_QUIT;
  Window_PostMessage(message);
}

void Win32_InitPlatform() { IO_ResetPointerTable(); }

void Win32_MoveAtFiles() {
  std::string directory = DirectoryWithSlash(Win32_GetExePath());
  Win32_MoveAtFilesIn(directory.c_str());
}

void Win32_MoveAtFilesIn(const char* directory) {
  std::vector<std::string> names;
  System_ListDirectory(directory, &names);
  // Listed first: moving files while the directory is read could skip or repeat entries.
  for (const std::string& name : names) Win32_MoveAtFile(directory, name.c_str());
}

bool Win32_MoveAtFile(const char* directory, const char* name) {
  std::vector<std::string_view> parts;
  if (name[0] == '.' || !SplitAtName(name, &parts)) return false;
  return System_MoveIntoFolders(directory, name, parts);
}

void Win32_InstallHeadlessHandlers() {
  // The handler opens the -output file itself: it may not allocate, so the path is copied now.
  System_InstallCrashHandlers("Exception detected during the unit tests!\n",
                              g_OutputFileName.empty() ? nullptr : g_OutputFileName.c_str());
}

void Win32_InstallQuitSignalHandlers() { System_InstallQuitSignalHandlers(); }

bool Win32_QuitSignalled() { return System_QuitSignalled(); }
