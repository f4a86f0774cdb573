#include "host/runner_platform.h"

#include <unistd.h>

#include <cstring>
#include <string>

namespace {
std::string g_gameFilePath;
bool g_hasGameFilePath = false;
std::string g_programDirectory;
bool g_hasProgramDirectory = false;
void (*g_pumpHook)() = nullptr;
}  // namespace

const char* Runner_GetGameFilePath() { return g_hasGameFilePath ? g_gameFilePath.c_str() : nullptr; }

void Runner_SetGameFilePath(const char* path) {
  g_hasGameFilePath = path != nullptr;
  g_gameFilePath = path != nullptr ? path : "";
  g_hasProgramDirectory = false;
  g_programDirectory.clear();
}

const char* Win32_GetProgramDirectory() {
  if (!g_hasProgramDirectory) {
    if (g_hasGameFilePath) {
      size_t cut = g_gameFilePath.find_last_of('/');
      if (cut == std::string::npos) cut = g_gameFilePath.find_last_of('\\');
      g_programDirectory = cut == std::string::npos ? std::string() : g_gameFilePath.substr(0, cut);
    } else {
      // No game file yet: the game is where it was started from.
      char cwd[4096];
      g_programDirectory = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "";
      if (g_programDirectory == "/") g_programDirectory.clear();
    }
    g_programDirectory += '/';
    g_hasProgramDirectory = true;
  }
  return g_programDirectory.c_str();
}

void Win32_PumpMessages() {
  if (g_pumpHook != nullptr) g_pumpHook();
}

void Win32_SetPumpMessagesHook(void (*hook)()) { g_pumpHook = hook; }
