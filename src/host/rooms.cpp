#include "host/rooms.h"

#include <vector>

#include "core/console.h"
#include "host/frame_loop.h"
#include "world/load_stand_in.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"

// STAND-IN until the rooms are built: the game starts in the first room of the room order with
// that room's size and speed, and nothing else of the room (instances, views, backgrounds,
// creation code) exists yet. Of the preparation only the objects are prepared; nothing is
// carried, and no other room is entered.
namespace {

// The run-time room copies of the running game; they die with it.
std::vector<CRoom*> g_roomCopies;

}  // namespace

bool Runner_PrepareAll() { return Object_Prepare(); }

void StartGame() {
  Console_DebugOutput("StartGame()\n");
  ObjectLists_Build();
  const std::vector<int32_t>& order = Room_Order();
  const int32_t first = order.empty() ? -1 : order.front();
  const RoomDefinition* definition = Room_Definition(first);
  if (definition == nullptr) {
    // With no room to enter the game has nothing to play: it ends at the end of its first frame,
    // as game_end would end it, rather than running empty frames until someone closes it.
    if (order.empty()) {
      Console_DebugOutput("StartGame: the game has no room to enter; it ends after its first frame\n");
    } else {
      Console_DebugOutput("StartGame: the first room %d does not exist\n", first);
    }
    g_RoomChangeCode = kRoomChangeEndGame;
  } else {
    CRoom* room = new CRoom();
    room->m_speed = definition->speed;
    room->width = definition->width;
    room->height = definition->height;
    g_roomCopies.push_back(room);
    Room_SetCurrent(room);
    g_RoomChangeCode = kRoomChangeNone;
    Console_DebugOutput("StartGame: room %d \"%s\" (%d x %d, speed %d)\n", first, definition->name.c_str(),
                        definition->width, definition->height, definition->speed);
  }
  Console_DebugOutput("StartGame() - DONE\n");
}

void Room_End(bool) {}

void Room_Goto(int32_t) {
  // Entering a room clears the request that led there.
  g_RoomChangeCode = kRoomChangeNone;
}

void Room_SetCurrent(CRoom* room) { Room_Current = room; }

void Runner_DeleteRoomCopies() {
  for (CRoom* room : g_roomCopies) {
    if (room == Room_Current) Room_Current = nullptr;
    delete room;
  }
  g_roomCopies.clear();
}

void Runner_FreeCarriedInstances() {}
