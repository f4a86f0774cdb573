#include "world/load_stand_in.h"

#include <cstring>
#include <optional>
#include <utility>

#include "core/console.h"
#include "host/entry.h"
#include "world/lifecycle.h"

// STAND-IN: what is kept of the rooms until the room table is built.
namespace {

std::vector<int32_t> g_roomOrder;
std::vector<std::optional<RoomDefinition>> g_rooms;

// The fields of a ROOM entry that are read, from its start: name, caption, width, height, speed.
constexpr uint32_t kRoomFieldsRead = 20;
int32_t g_instanceIdCounter = 0;
int32_t g_tileIdCounter = 0;


}  // namespace

void Room_Init() {
  g_roomOrder.clear();
  g_rooms.clear();
}
bool Room_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  uint32_t count = 0;
  if (!Container_ReadCount("ROOM", body, size, 0, 4, &count)) return false;
  std::vector<std::optional<RoomDefinition>> rooms(count);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = Container_U32(body + 4 + 4 * i);
    if (at == 0) continue;
    if (!container.Has(at, kRoomFieldsRead)) {
      Game_FailLoad("ROOM", "room %u's entry at container offset %u lies outside the container", i, at);
      return false;
    }
    const uint8_t* entry = container.data + at;
    RoomDefinition room;
    room.nameOffset = Container_U32(entry);
    bool ok = true;
    const char* name = container.TextAt(room.nameOffset, &ok);
    if (!ok) {
      Game_FailLoad("ROOM", "room %u's name at container offset %u does not end inside the container", i,
                    room.nameOffset);
      return false;
    }
    if (name != nullptr) room.name = name;
    room.width = Container_I32(entry + 8);
    room.height = Container_I32(entry + 12);
    room.speed = Container_I32(entry + 16);
    rooms[i] = room;
  }
  g_rooms = std::move(rooms);
  Console_DebugOutput("Room_Load: %u rooms\n", count);
  return true;
}

int32_t Room_Number() { return static_cast<int32_t>(g_rooms.size()); }
bool Room_Exists(int32_t index) { return Room_Definition(index) != nullptr; }

const RoomDefinition* Room_Definition(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= g_rooms.size() || !g_rooms[index]) return nullptr;
  return &*g_rooms[index];
}

void Room_FreeDefinitions() {
  g_rooms.clear();
  g_rooms.shrink_to_fit();
  g_roomOrder.clear();
  g_roomOrder.shrink_to_fit();
}

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

void InitGameFunctions() {}
