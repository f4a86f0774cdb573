#include "host/game_step.h"
#include "runtime/game_header.h"

#include <cmath>

#include "host/frame_loop.h"
#include "io/input.h"
#include "io/main_window.h"
#include "runtime/run_state.h"
#include "runtime/debug_services.h"
#include "physics/world_update.h"
#include "render/frame_services.h"
#include "script/wx_object.h"
#include "world/deferred.h"
#include "world/room.h"
#include "world/saved_game.h"
#include "world/step_phases.h"

namespace {

// One timing bar of the debug overlay, closed however the block is left.
class TimingBar {
 public:
  TimingBar(const char* name, uint32_t colour) { DebugOverlay_BeginTiming(name, colour); }
  ~TimingBar() { DebugOverlay_EndTiming(); }
  TimingBar(const TimingBar&) = delete;
  TimingBar& operator=(const TimingBar&) = delete;
};

// Applies the queues; true when the step must end here because a room change is pending.
bool RoomChangePending() {
  UpdateActiveLists();
  return g_RoomChangeCode != kRoomChangeNone;
}

template <typename Phase>
void RunPhase(const char* name, Phase phase) {
  Runner_ObservePhase(name);
  phase();
}

}  // namespace

void UpdateActiveLists() {
  Runner_ObservePhase("UpdateActiveLists");
  ProfilerScope scope(kProfilerMarkerActiveLists);
  if (Deferred_ObjectChangeCount() != 0) Deferred_ApplyObjectChanges();
  if (Deferred_DepthChangeCount() != 0) Deferred_ApplyDepthChanges();
  if (Deferred_ActivationCount() != 0) Deferred_ApplyActivation();
}

void Runner_ClearDeferredLists() { Deferred_ClearChanges(); }

bool HandleInstanceMovement(bool anyInstanceOnPath) {
  ProfilerScope scope(kProfilerMarkerMotion);
  CRoom* room = Room_Current;
  if (room != nullptr && room->physics_world != nullptr) {
    PhysicsWorldUpdate(room->m_speed, anyInstanceOnPath);
    return true;
  }
  // Instances made during this pass carry a later stamp and so miss their End of Path here.
  const uint64_t pass = Event_PassCounter++;
  if (room != nullptr) Instances_Move(room, pass);
  return false;
}

void Runner_Step() {
  const int64_t now = Timing_GetTime();
  g_FrameTiming.deltaTime = now - g_FrameTiming.lastStepTime;
  g_FrameTiming.lastStepTime = now;

  RunPhase("VM_CollectGarbage", [] { VM_CollectGarbage(nullptr); });
  RunPhase("Game_DoQueuedLoad", Game_DoQueuedLoad);
  {
    TimingBar bar("IO&Wexa", 0xFF00FF00u);
    RunPhase("IO_Update", IO_Update);
    RunPhase("WexaFunctions_Tick", WexaFunctions_Tick);
  }
  // Frozen in the background: input is still taken in, but no event runs and nothing is drawn.
  if (g_GameOptions.freezeWhileInactive && !Window_IsActive()) return;

  {
    TimingBar bar("Update", 0xFF0000FFu);
    ActiveInstanceNotes notes;
    RunPhase("Instances_AdvanceImages", [&] {
      if (Room_Current != nullptr) notes = Instances_AdvanceImages(Room_Current);
    });
    RunPhase("HandleStep(1)", [] { HandleStep(kStepBegin); });
    if (RoomChangePending()) return;
    RunPhase("Network_Tick", Network_Tick);
    RunPhase("Steam_Tick", Steam_Tick);
    if (RoomChangePending()) return;
    if (notes.anyTimelineRunning) RunPhase("HandleTimelines", HandleTimelines);
    if (RoomChangePending()) return;
    RunPhase("HandleAlarm", HandleAlarm);
    if (RoomChangePending()) return;
    RunPhase("HandleKeyboard", HandleKeyboard);
    if (RoomChangePending()) return;
    RunPhase("HandleJoystick", HandleJoystick);
    if (RoomChangePending()) return;
    RunPhase("HandleMouse", HandleMouse);
    if (RoomChangePending()) return;
    RunPhase("HandleStep(0)", [] { HandleStep(kStepNormal); });
    if (RoomChangePending()) return;
    bool physicsMoved = false;
    RunPhase("HandleInstanceMovement", [&] { physicsMoved = HandleInstanceMovement(notes.anyOnPath); });
    if (RoomChangePending()) return;
    RunPhase("HandleOther", HandleOther);
    if (RoomChangePending()) return;
    RunPhase("HandleAsync", HandleAsync);
    if (RoomChangePending()) return;
    // A physics world raises the collision events itself while it moves the instances.
    if (!physicsMoved) {
      RunPhase("HandleCollision", HandleCollision);
      if (RoomChangePending()) return;
    }
    RunPhase("HandleStep(2)", [] { HandleStep(kStepEnd); });
    if (RoomChangePending()) return;
    RunPhase("ParticleSystem_UpdateAll", ParticleSystem_UpdateAll);
  }
  {
    TimingBar bar("Draw", 0xFF00FFFFu);
    RunPhase("Room_DeleteMarked", [&] {
      if (Room_Current != nullptr) Room_DeleteMarked(Room_Current);
    });
    if (g_RunState.drawEnableDrawEvent) {
      RunPhase("DrawRoom", DrawRoom);
      UpdateActiveLists();
    }
  }
  {
    TimingBar bar("Scroll", 0xFF008080u);
    RunPhase("ScrollBackgrounds", [&] {
      if (Room_Current != nullptr) Room_Current->ScrollBackgrounds();
    });
    UpdateActiveLists();
    ++g_RunState.stepCounter;
  }
}
