// Frame timing: the microsecond clock and the frame wait, the frames-per-second count, and the
// room-change code through which scripts, the error reporter and the game world ask the frame
// loop for a room change, a restart, a load or the end of the game. The code is acted on only at
// the end of a frame.
#pragma once

#include <cstdint>

inline constexpr int32_t kRoomChangeNone = -1;
inline constexpr int32_t kRoomChangeEndGame = -100;
inline constexpr int32_t kRoomChangeRestart = -200;
inline constexpr int32_t kRoomChangeLoadGame = -300;
inline constexpr int32_t kRoomChangeQuit = -400;

// -1 when nothing is pending; see the constants above, else a room index to go to.
extern int32_t g_RoomChangeCode;

inline constexpr int32_t kSpeedWithoutRoom = 60;
// The frame wait never exceeds this, whatever it is asked for.
inline constexpr int64_t kMaxWaitMicroseconds = 3'000'000;
// Nor does the wait before one frame.
inline constexpr int64_t kMaxFrameWaitMicroseconds = 1'000'000;

struct FrameTiming {
  int64_t lastFrameTime = 0;  // µs: when the current frame was due
  int64_t lastFpsTime = 0;    // µs: start of the current one-second fps window
  int32_t frameCounter = 0;   // frames counted in the current window
  int32_t fps = 0;            // frames counted in the last completed window
  float fpsReal = 0.0f;       // the rate the last drawn frame's own duration gives (debug overlay)
  int64_t lastStepTime = 0;   // µs: start of the previous game step
  int64_t deltaTime = 0;      // µs between the starts of the last two steps
  // False: frames do not wait (the remote debugger may turn pacing off).
  bool pacing = true;
  // Frames until the pending display reset: above 1 the pending window size is applied and the
  // count goes down; at 1 the device is reset.
  int32_t displayResetCountdown = 0;
};
extern FrameTiming g_FrameTiming;

// The clock and sleep behind the timing, replaceable so that tests can run frames on a fake
// clock. `now` gives monotonic microseconds from any origin; `sleepMs` sleeps at least that long.
struct TimingClock {
  int64_t (*now)() = nullptr;
  void (*sleepMs)(int64_t milliseconds) = nullptr;
};
// Installs a clock (null members: the monotonic clock and a real sleep) and returns the one
// installed before. Timing_Init should follow, so that times count from the new clock's now.
TimingClock Timing_SetClock(const TimingClock& clock);

void Timing_Init();
// Sleeps at least that long on the installed clock, without pumping messages.
void Timing_SleepMs(int64_t milliseconds);
// Microseconds since Timing_Init.
int64_t Timing_GetTime();
// The clock's raw reading taken by Timing_Init (or at program start).
int64_t Timing_ClockStart();

// How long the frame waits: the frame time of `speed` (0 or less counts as 1) less the time
// `elapsed` since the frame was due; 0 when the frame is late; at most one second.
int64_t Timing_FrameWait(int32_t speed, int64_t elapsed);

struct TimingWaitPlan {
  int64_t total = 0;    // µs to wait in all, capped at kMaxWaitMicroseconds; 0: no wait
  int64_t sleepMs = 0;  // of which slept, leaving the sleep margin to the spin
};
// Plans a wait of `microseconds` with a sleep margin in milliseconds; a negative margin makes the
// wait a pure spin.
TimingWaitPlan Timing_PlanWait(int64_t microseconds, int32_t sleepMarginMs);

// Waits that long (at most three seconds): sleeps all but the sleep margin, then spins while
// pumping window messages. A clock that goes backwards ends the wait.
void Timing_Wait(int64_t microseconds);
void Timing_WaitFrameWrap(int64_t microseconds);

// Records that the frame due at `dueTime` runs, and keeps the frames-per-second count: a new
// whole second of due times closes the window.
void Timing_CountFrame(FrameTiming* timing, int64_t dueTime);

// Called with the name of each step of the frame and of each phase of the game step before it
// runs (null to stop), so that diagnostics and tests can follow the order.
using RunnerPhaseObserver = void (*)(const char* phase);
void Runner_SetPhaseObserver(RunnerPhaseObserver observer);
void Runner_ObservePhase(const char* phase);
