#include "world/lifecycle.h"

#include "runtime/frame_timing.h"
#include "runtime/run_state.h"
#include "vm/variable_names.h"
#include "world/builtin_variables.h"
#include "world/path.h"
#include "world/room_table.h"
#include "world/timeline.h"
#include "world/layers.h"
#include "world/room.h"

void F_GameEnd() { g_RoomChangeCode = kRoomChangeEndGame; }

// Once per run of the runner, before any game is loaded; the table keeps its entries until the
// runner's teardown empties it, so a second call finds them and adds nothing.
void Variable_BuiltIn_Init() {
  if (Variable_BuiltinCount() != 0) return;
  Variable_BuiltIn_InitInstance();
  Variable_BuiltIn_InitGlobal();
}

void Room_Shutdown() {
  Room_Current = nullptr;
  Layer_Shutdown();
  Room_FreeDefinitions();
  g_RunState.stepCounter = 0;
}

