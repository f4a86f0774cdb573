#include "world/lifecycle.h"

#include "host/frame_loop.h"
#include "host/run_state.h"
#include "world/load_stand_in.h"
#include "world/room.h"

char* working_directory = nullptr;
char* game_project_name = nullptr;

void F_GameEnd() { g_RoomChangeCode = kRoomChangeEndGame; }

// The world's other tables are not built yet: there is nothing to register, reset or delete
// beyond the rooms.
void Variable_BuiltIn_Init() {}
void Grid_Shutdown() {}

void Room_Shutdown() {
  Room_Current = nullptr;
  Room_FreeDefinitions();
  g_RunState.stepCounter = 0;
}

