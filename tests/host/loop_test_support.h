// Helpers for the frame, step and error tests: a fake clock and a recorder of the frame's steps
// and the game step's phases.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "host/frame_loop.h"

namespace loop_test {

// Runs the timing on a fake clock for the life of the object. Every read of the clock moves it on
// by `tick` microseconds (so that a spin ends); a sleep moves it on by the time slept.
class FakeClock {
 public:
  explicit FakeClock(int64_t start = 5'000'000, int64_t tick = 20);
  ~FakeClock();
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  static int64_t& Now();           // the fake time, in the clock's own origin
  // The fake time as Timing_GetTime counts it (from the clock's start), without reading it.
  static int64_t Elapsed();
  static int64_t& Tick();
  static int64_t& Reads();
  static std::vector<int64_t>& Sleeps();  // milliseconds of every sleep, in order
  // When set, gives the clock's reading instead (it may go backwards).
  static std::function<int64_t()>& Override();

 private:
  TimingClock m_previous;
};

// Records the names the frame and the step report, and runs `onPhase` (when set) before each.
class PhaseRecorder {
 public:
  PhaseRecorder();
  ~PhaseRecorder();
  PhaseRecorder(const PhaseRecorder&) = delete;
  PhaseRecorder& operator=(const PhaseRecorder&) = delete;

  static std::vector<std::string>& Trace();
  static std::function<void(const std::string&)>& OnPhase();
};

}  // namespace loop_test
