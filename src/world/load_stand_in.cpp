#include "world/load_stand_in.h"

#include <cstring>
#include <string>

#include "core/console.h"
#include "host/entry.h"
#include "world/lifecycle.h"

void Variable_SetWorkingDirectory() {
  if (working_directory != nullptr || g_pGameFilePath == nullptr) return;
  const char* slash = std::strrchr(g_pGameFilePath, '/');
  const char* backslash = std::strrchr(g_pGameFilePath, '\\');
  const char* last = slash > backslash ? slash : backslash;
  if (last == nullptr) return;
  std::string directory(g_pGameFilePath, static_cast<size_t>(last - g_pGameFilePath) + 1);
  Host_ReplaceText(&working_directory, directory.c_str());
  Console_DebugOutput("Working directory: %s\n", working_directory);
}

// STAND-IN until the game functions are built.
void InitGameFunctions() {}
