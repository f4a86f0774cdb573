#include "host/frame_loop.h"

#include <time.h>

#include <cerrno>

#include "audio/frame_services.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "host/game_step.h"
#include "host/gamepad.h"
#include "host/host_platform.h"
#include "host/input.h"
#include "host/window_services.h"
#include "host/rooms.h"
#include "host/run_state.h"
#include "net/frame_services.h"
#include "render/frame_services.h"
#include "render/lifecycle.h"
#include "script/wx_object.h"
#include "world/room.h"
#include "world/step_phases.h"

int32_t g_RoomChangeCode = kRoomChangeNone;
FrameTiming g_FrameTiming;

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1'000'000;

int64_t MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * kMicrosecondsPerSecond + now.tv_nsec / 1000;
}

void SleepMilliseconds(int64_t milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000L};
  // A signal cuts the sleep short; sleep the rest, so the spin stays below the margin.
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
  }
}

TimingClock g_clock{&MonotonicMicroseconds, &SleepMilliseconds};
int64_t g_clockStart = MonotonicMicroseconds();

RunnerPhaseObserver g_phaseObserver = nullptr;

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

TimingClock Timing_SetClock(const TimingClock& clock) {
  TimingClock previous = g_clock;
  g_clock.now = clock.now != nullptr ? clock.now : &MonotonicMicroseconds;
  g_clock.sleepMs = clock.sleepMs != nullptr ? clock.sleepMs : &SleepMilliseconds;
  return previous;
}

void Timing_Init() { g_clockStart = g_clock.now(); }

void Timing_SleepMs(int64_t milliseconds) {
  if (milliseconds > 0) g_clock.sleepMs(milliseconds);
}

int64_t Timing_GetTime() { return g_clock.now() - g_clockStart; }

int64_t Timing_ClockStart() { return g_clockStart; }

int64_t Timing_FrameWait(int32_t speed, int64_t elapsed) {
  if (speed <= 0) speed = 1;
  double wait = static_cast<double>(kMicrosecondsPerSecond) / speed - static_cast<double>(elapsed);
  if (!(wait > 0.0)) return 0;
  if (wait >= static_cast<double>(kMaxFrameWaitMicroseconds)) return kMaxFrameWaitMicroseconds;
  return static_cast<int64_t>(wait);
}

TimingWaitPlan Timing_PlanWait(int64_t microseconds, int32_t sleepMarginMs) {
  TimingWaitPlan plan;
  if (microseconds <= 0) return plan;
  plan.total = microseconds < kMaxWaitMicroseconds ? microseconds : kMaxWaitMicroseconds;
  if (sleepMarginMs >= 0) {
    const int64_t sleep = (plan.total - static_cast<int64_t>(sleepMarginMs) * 1000) / 1000;
    plan.sleepMs = sleep > 0 ? sleep : 0;
  }
  return plan;
}

void Timing_Wait(int64_t microseconds) {
  const TimingWaitPlan plan = Timing_PlanWait(microseconds, g_RunnerOptions.sleepMargin);
  if (plan.total == 0) return;
  const int64_t start = Timing_GetTime();
  const int64_t end = start + plan.total;
  if (plan.sleepMs > 0) g_clock.sleepMs(plan.sleepMs);
  int64_t now;
  do {
    Win32_PumpMessages();
    now = Timing_GetTime();
  } while (start <= now && now < end);
}

void Timing_WaitFrameWrap(int64_t microseconds) { Timing_Wait(microseconds); }

void Timing_CountFrame(FrameTiming* timing, int64_t dueTime) {
  timing->lastFrameTime = dueTime;
  if (dueTime < timing->lastFpsTime) timing->lastFpsTime = dueTime;
  if (dueTime / kMicrosecondsPerSecond > timing->lastFpsTime / kMicrosecondsPerSecond) {
    timing->fps = timing->frameCounter;
    timing->frameCounter = 0;
    timing->lastFpsTime = dueTime;
  }
  ++timing->frameCounter;
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

void Runner_SetPhaseObserver(RunnerPhaseObserver observer) { g_phaseObserver = observer; }

void Runner_ObservePhase(const char* phase) {
  if (g_phaseObserver != nullptr) g_phaseObserver(phase);
}
