#include "world/lifecycle.h"

#include "host/frame_loop.h"
#include "world/load_stand_in.h"
#include "world/room.h"

char* working_directory = nullptr;
char* game_project_name = nullptr;

void F_GameEnd() { g_RoomChangeCode = kRoomChangeEndGame; }

// The world's tables are not built yet: there is nothing to register, reset or delete beyond
// what is kept of the rooms.
void Variable_BuiltIn_Init() {}
void Grid_Shutdown() {}

void Room_Shutdown() {
  Room_Current = nullptr;
  Room_FreeDefinitions();
}

