#include "host/rooms.h"

#include "core/console.h"
#include "host/frame_loop.h"
#include "world/room.h"

// Rooms are not built yet: there is nothing to prepare, the room order is empty, no room can be
// entered and nothing is carried.
bool Runner_PrepareAll() { return true; }

void StartGame() {
  Console_DebugOutput("StartGame()\n");
  // With no room to enter the game has nothing to play: it ends at the end of its first frame,
  // as game_end would end it, rather than running empty frames until someone closes it.
  g_RoomChangeCode = kRoomChangeEndGame;
  Console_DebugOutput("StartGame() - DONE\n");
}

void Room_End(bool) {}

void Room_Goto(int32_t) {
  // Entering a room clears the request that led there.
  g_RoomChangeCode = kRoomChangeNone;
}

void Room_SetCurrent(CRoom* room) { Room_Current = room; }
void Runner_DeleteRoomCopies() {}
void Runner_FreeCarriedInstances() {}
