#include "world/load_stand_in.h"

#include <cstring>

#include "core/console.h"
#include "host/entry.h"
#include "world/lifecycle.h"

// STAND-IN: the world's tables are not built yet, so its chunk loaders keep nothing.
namespace {

std::vector<int32_t> g_roomOrder;
int32_t g_instanceIdCounter = 0;
int32_t g_tileIdCounter = 0;

bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}

}  // namespace

void Path_Init() {}
void TimeLine_Init() {}
void Room_Init() { g_roomOrder.clear(); }
bool Path_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Path_Load", size); }
bool TimeLine_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("TimeLine_Load", size); }
bool Object_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Object_Load", size); }
bool Room_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Room_Load", size); }

void Room_LoadOrder(const std::vector<int32_t>& rooms) { g_roomOrder = rooms; }
const std::vector<int32_t>& Room_Order() { return g_roomOrder; }
void Room_SetInstanceIdCounter(int32_t lastId) { g_instanceIdCounter = lastId; }
void Room_SetTileIdCounter(int32_t lastId) { g_tileIdCounter = lastId; }
int32_t Room_InstanceIdCounter() { return g_instanceIdCounter; }
int32_t Room_TileIdCounter() { return g_tileIdCounter; }

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
void TimeLine_DeleteAll() {}
void InitGameFunctions() {}
