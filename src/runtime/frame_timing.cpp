#include "runtime/frame_timing.h"

#include "io/program.h"
#include "platform/system/clock.h"
#include "runtime/runner_options.h"

int32_t g_RoomChangeCode = kRoomChangeNone;
FrameTiming g_FrameTiming;

namespace {

constexpr int64_t kMicrosecondsPerSecond = 1'000'000;

TimingClock g_clock{&Platform_MonotonicMicroseconds, &Platform_SleepMilliseconds};
int64_t g_clockStart = Platform_MonotonicMicroseconds();

RunnerPhaseObserver g_phaseObserver = nullptr;

}  // namespace

TimingClock Timing_SetClock(const TimingClock& clock) {
  TimingClock previous = g_clock;
  g_clock.now = clock.now != nullptr ? clock.now : &Platform_MonotonicMicroseconds;
  g_clock.sleepMs = clock.sleepMs != nullptr ? clock.sleepMs : &Platform_SleepMilliseconds;
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

void Runner_SetPhaseObserver(RunnerPhaseObserver observer) { g_phaseObserver = observer; }

void Runner_ObservePhase(const char* phase) {
  if (g_phaseObserver != nullptr) g_phaseObserver(phase);
}
