#include "world/room_table.h"

#include <cstdio>
#include <limits>
#include <memory>
#include <string>
#include <utility>

#include "core/console.h"
#include "core/name_index.h"
#include "runtime/error_report.h"
#include "world/layers.h"
#include "world/room.h"

namespace {

std::vector<std::unique_ptr<CRoom>> g_rooms;
std::vector<std::string> g_names;
// Whether a name slot holds a name (a slot of an empty room holds none).
std::vector<bool> g_named;
// Every path that fills, renames or resizes the table forgets it.
NameIndex g_index;
std::vector<int32_t> g_order;
int32_t g_instanceIdCounter = 0;
int32_t g_tileIdCounter = 0;

// The fixed part of a ROOM entry, up to the layer list offset.
constexpr uint32_t kRoomEntryFixed = 88;

std::string NewRoomName(size_t index) {
  char text[128];
  std::snprintf(text, sizeof text, "__newroom%zu", index);
  return text;
}

}  // namespace

void Room_Init() {
  g_index.Invalidate();
  g_rooms.clear();
  g_names.clear();
  g_named.clear();
  g_order.clear();
}

bool Room_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  uint32_t count = 0;
  if (!Container_ReadCount("ROOM", body, size, 0, 4, &count)) return false;
  std::vector<std::unique_ptr<CRoom>> rooms(count);
  std::vector<std::string> names(count);
  std::vector<bool> named(count, false);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = Container_U32(body + 4 + 4 * i);
    if (at == 0) continue;
    if (!container.Has(at, kRoomEntryFixed)) {
      Game_FailLoad("ROOM", "room %u's entry at container offset %u lies outside the container", i, at);
      return false;
    }
    bool ok = true;
    const uint32_t nameOffset = Container_U32(container.data + at);
    const char* name = container.TextAt(nameOffset, &ok);
    if (!ok) {
      Game_FailLoad("ROOM", "room %u's name at container offset %u does not end inside the container", i,
                    nameOffset);
      return false;
    }
    auto room = std::make_unique<CRoom>();
    std::string problem;
    if (!room->LoadFromChunk(container, at, &problem)) {
      Game_FailLoad("ROOM", "room %u: %s", i, problem.c_str());
      return false;
    }
    if (name != nullptr) {
      names[i] = name;
      named[i] = true;
      room->SetName(name);
    }
    for (const RoomLayerRecord& layer : room->layers) {
      if (layer.id > Layer_IdCounter()) Layer_SetIdCounter(layer.id);
    }
    rooms[i] = std::move(room);
  }
  g_index.Invalidate();
  g_rooms = std::move(rooms);
  g_names = std::move(names);
  g_named = std::move(named);
  Console_DebugOutput("Room_Load: %u rooms\n", count);
  return true;
}

void Room_LoadOrder(const std::vector<int32_t>& rooms) { g_order = rooms; }
const std::vector<int32_t>& Room_Order() { return g_order; }
bool Room_Prepare() { return true; }

int32_t Room_Number() { return static_cast<int32_t>(g_rooms.size()); }
bool Room_Exists(int32_t index) { return Room_Data(index) != nullptr; }

CRoom* Room_Data(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= g_rooms.size()) return nullptr;
  return g_rooms[index].get();
}

const char* Room_Name(int32_t index) {
  if (!Room_Exists(index) || static_cast<size_t>(index) >= g_names.size() || !g_named[index]) return "<undefined>";
  return g_names[index].c_str();
}

int32_t Room_Find(const char* name) {
  return g_index.Find(name, [](auto add) {
    for (size_t i = 0; i < g_rooms.size() && i < g_names.size(); ++i) {
      if (g_rooms[i] != nullptr && g_named[i]) add(g_names[i], static_cast<int32_t>(i));
    }
  });
}

bool Room_SetName(int32_t index, const char* name) {
  g_index.Invalidate();
  if (!Room_Exists(index) || static_cast<size_t>(index) >= g_names.size() || name == nullptr) return false;
  g_names[index] = name;
  g_named[index] = true;
  g_rooms[index]->SetName(name);
  return true;
}

int32_t Room_First() { return g_order.empty() ? -1 : g_order.front(); }
int32_t Room_Last() { return g_order.empty() ? -1 : g_order.back(); }

int32_t Room_Previous(int32_t room) {
  const size_t n = g_order.size();
  if (n < 2) return -1;
  for (size_t i = 1; i < n; ++i) {
    if (g_order[i] == room) return g_order[i - 1];
  }
  return g_order[n - 2];
}

int32_t Room_Next(int32_t room) {
  const size_t n = g_order.size();
  if (n < 2) return -1;
  for (size_t i = n - 1; i-- > 0;) {
    if (g_order[i] == room) return g_order[i + 1];
  }
  return g_order[1];
}

int32_t Room_Add() {
  g_index.Invalidate();
  // The names may be longer than the table (never shorter): the new room takes the names' end.
  const size_t index = g_names.size();
  const std::string name = NewRoomName(index);
  g_names.insert(g_names.begin() + static_cast<ptrdiff_t>(index), name);
  g_named.insert(g_named.begin() + static_cast<ptrdiff_t>(index), true);
  auto room = std::make_unique<CRoom>();
  room->InitBlank();
  room->SetName(name.c_str());
  if (index > g_rooms.size()) g_rooms.resize(index);
  g_rooms.insert(g_rooms.begin() + static_cast<ptrdiff_t>(index), std::move(room));
  return static_cast<int32_t>(index);
}

int32_t Room_Duplicate(int32_t source) {
  g_index.Invalidate();
  const CRoom* from = Room_Data(source);
  if (from == nullptr) return -1;
  const size_t index = g_rooms.size();
  const std::string name = NewRoomName(index);
  if (g_names.size() < index) {
    g_names.resize(index);
    g_named.resize(index, false);
  }
  g_names.insert(g_names.begin() + static_cast<ptrdiff_t>(index), name);
  g_named.insert(g_named.begin() + static_cast<ptrdiff_t>(index), true);
  auto room = std::make_unique<CRoom>();
  room->owns_records = true;
  room->Assign(from, false);
  room->SetName(name.c_str());
  g_rooms.push_back(std::move(room));
  return static_cast<int32_t>(index);
}

bool Room_Assign(int32_t index, int32_t source) {
  const CRoom* from = Room_Data(source);
  if (!Room_Exists(index) || from == nullptr) return false;
  // A definition holds records, never live instances: the copy is filled from the source's records
  // and places its instances when it is entered.
  auto room = std::make_unique<CRoom>();
  room->owns_records = true;
  room->Assign(from, false);
  room->SetName(g_rooms[index]->name.c_str());
  // The replaced definition goes now: copies made from it share nothing of it but the creation
  // code, which they hold themselves, so a game assigning a room per level does not grow.
  g_rooms[index] = std::move(room);
  g_index.Invalidate();
  return true;
}

void Room_SetInstanceIdCounter(int32_t lastId) { g_instanceIdCounter = lastId; }
void Room_SetTileIdCounter(int32_t lastId) { g_tileIdCounter = lastId; }
int32_t Room_InstanceIdCounter() { return g_instanceIdCounter; }
int32_t Room_TileIdCounter() { return g_tileIdCounter; }
namespace {

int32_t NextId(int32_t* counter, const char* limitReached) {
  if (*counter == std::numeric_limits<int32_t>::max()) {
    Error_Report(false, limitReached);
    return -1;
  }
  return ++*counter;
}

}  // namespace

int32_t Room_NextInstanceId() { return NextId(&g_instanceIdCounter, "instance id limit reached"); }
int32_t Room_NextTileId() { return NextId(&g_tileIdCounter, "tile id limit reached"); }

void Room_FreeDefinitions() {
  g_index.Invalidate();
  std::vector<std::unique_ptr<CRoom>>().swap(g_rooms);
  std::vector<std::string>().swap(g_names);
  std::vector<bool>().swap(g_named);
  std::vector<int32_t>().swap(g_order);
}
