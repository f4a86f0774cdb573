#include "host/frame_loop.h"

#include "audio/frame_services.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "host/game_step.h"
#include "io/gamepad.h"
#include "io/program.h"
#include "io/input.h"
#include "render/virtual_keys_draw.h"
#include "io/window_services.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "runtime/debug_services.h"
#include "render/frame_services.h"
#include "render/lifecycle.h"
#include "script/wx_object.h"
#include "world/room.h"
#include "world/saved_game.h"
#include "world/step_phases.h"

namespace {

void ApplyPendingDisplayReset() {
  int32_t& countdown = g_FrameTiming.displayResetCountdown;
  if (countdown > 1) {
    Runner_ObservePhase("GR_D3D_ResizeWindow");
    GR_D3D_ResizeWindow();
    --countdown;
  } else if (countdown == 1) {
    Runner_ObservePhase("GR_D3D_ResetAndRestore");
    GR_D3D_ResetAndRestore();
    countdown = 0;
  }
}

void RestartGame() {
  // The restart consumes the request: a game that cannot enter its first room must not restart
  // again in every frame.
  g_RoomChangeCode = kRoomChangeNone;
  Runner_ObservePhase("Runner_EndGame");
  Runner_EndGame();
  Runner_ObservePhase("Gamepad_AnnounceAll");
  Gamepad_AnnounceAll();
  Runner_ObservePhase("StartGame");
  StartGame();
}

}  // namespace

bool Runner_ActOnRoomChange() {
  const int32_t code = g_RoomChangeCode;
  switch (code) {
    case kRoomChangeNone:
      return true;
    case kRoomChangeQuit:
    case kRoomChangeEndGame:
      g_Host.running = 0;
      return false;
    case kRoomChangeLoadGame:
      Runner_ObservePhase("Runner_DoQueuedLoad");
      Runner_DoQueuedLoad();
      return true;
    case kRoomChangeRestart:
      RestartGame();
      return true;
    default:
      break;
  }
  if (code < 0) {
    // No request has this code (a damaged saved game could restore one); left pending, it would
    // stop every later step after its first phase.
    Console_DebugOutput("Unknown room change %d ignored\n", code);
    g_RoomChangeCode = kRoomChangeNone;
    return true;
  }
  Runner_ObservePhase("Room_Goto");
  Room_Goto(code);
  return true;
}

int32_t Runner_RoomSpeed() {
  CRoom* room = Room_Current;
  if (room == nullptr) return kSpeedWithoutRoom;
  if (room->m_speed <= 0) room->m_speed = 1;
  return room->m_speed;
}

int32_t Runner_Frame() {
  FrameTiming& timing = g_FrameTiming;
  if (Profiler_Enabled) Profiler_FrameStart();
  MemoryManager_FrameTick();

  const int64_t now = Timing_GetTime();
  // A clock that went backwards: measure from now instead of waiting for the lost time.
  if (now < timing.lastFrameTime) timing.lastFrameTime = now;
  const int32_t speed = Runner_RoomSpeed();
  int64_t elapsed = now - timing.lastFrameTime;
  if (Profiler_Enabled) elapsed -= Profiler_OwnTime();
  const int64_t wait = Timing_FrameWait(speed, elapsed);
  if (timing.pacing) {
    ProfilerScope scope(kProfilerMarkerFrameWait);
    Timing_WaitFrameWrap(wait);
  }
  if (g_Host.running == 0) {
    if (Profiler_Enabled) Profiler_FrameEnd();
    return kSpeedWithoutRoom;
  }

  // The frame counts from when it was due, not from when the wait ended, so that short delays
  // do not add up.
  Timing_CountFrame(&timing, now + wait);
  SoundTick();

  if (!g_Host.pausedByDebugger) {
    ApplyPendingDisplayReset();
    Runner_ObservePhase("Start_Frame");
    Start_Frame();
    if (Profiler_Enabled) Profiler_BeginStep();
    Runner_Step();
    if (Profiler_Enabled) Profiler_EndStep();
    IO_DrawVirtualKeys();
    // A frame that leads into another room is not shown: its image belongs to the old room.
    const bool present = g_RoomChangeCode < 0 && g_RunState.drawEnableDrawEvent;
    Runner_ObservePhase(present ? "End_Frame(present)" : "End_Frame(hold)");
    End_Frame(present);
    if (g_GameChange.target != nullptr) g_RoomChangeCode = kRoomChangeQuit;
    if (!Runner_ActOnRoomChange()) return kSpeedWithoutRoom;
  }

  if (Profiler_Enabled) Profiler_FrameEnd();
  Debug_Tick();
  return Runner_RoomSpeed();
}

void Runner_EndGame() {
  // A load queued in the last step has no game left to go into.
  Game_ClearQueuedLoad();
  Room_End(true);
  Runner_DeleteRoomCopies();
  Room_SetCurrent(nullptr);
  if (!Extension_RunFinalFunctions()) return;
  Window_SetCursor(0);
  Audio_StopAll(1);
  Text_ResetState();
  CRenderStateManager::Reset();
  VertexFormat_Reset();
  VM_CollectGarbage(nullptr);
}

void Runner_DoQueuedLoad() {
  g_RoomChangeCode = kRoomChangeNone;
  IO_Clear();
  if (g_RunState.pendingSavedGameName != nullptr) {
    Game_Load(g_RunState.pendingSavedGameName);
    // Loaded once: a later -300 without a new name only clears the input.
    Host_FreeText(&g_RunState.pendingSavedGameName);
  }
}

