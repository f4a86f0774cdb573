#include "world/load_stand_in.h"

#include <cstring>
#include <string>

#include "core/console.h"
#include "host/entry.h"
#include "world/lifecycle.h"

// STAND-IN: the world's tables are not built yet, so its chunk loaders keep nothing.
namespace {

bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}

}  // namespace

void Path_Init() {}
void TimeLine_Init() {}
bool Path_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Path_Load", size); }
bool TimeLine_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("TimeLine_Load", size); }
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

void Path_DeleteAll() {}
void InitGameFunctions() {}
