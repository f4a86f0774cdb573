#include "host/loop_test_support.h"

namespace loop_test {

namespace {

int64_t FakeNow() {
  ++FakeClock::Reads();
  if (FakeClock::Override()) return FakeClock::Override()();
  const int64_t now = FakeClock::Now();
  FakeClock::Now() += FakeClock::Tick();
  return now;
}

void FakeSleep(int64_t milliseconds) {
  FakeClock::Sleeps().push_back(milliseconds);
  FakeClock::Now() += milliseconds * 1000;
}

int64_t g_origin = 0;

void Record(const char* phase) {
  PhaseRecorder::Trace().emplace_back(phase);
  if (PhaseRecorder::OnPhase()) PhaseRecorder::OnPhase()(phase);
}

}  // namespace

FakeClock::FakeClock(int64_t start, int64_t tick) {
  Now() = start;
  g_origin = start;  // Timing_Init below reads the clock at its start
  Tick() = tick;
  Reads() = 0;
  Sleeps().clear();
  Override() = nullptr;
  TimingClock fake;
  fake.now = &FakeNow;
  fake.sleepMs = &FakeSleep;
  m_previous = Timing_SetClock(fake);
  Timing_Init();
}

FakeClock::~FakeClock() {
  Override() = nullptr;
  Timing_SetClock(m_previous);
  Timing_Init();
}

int64_t& FakeClock::Now() {
  static int64_t now = 0;
  return now;
}
int64_t FakeClock::Elapsed() { return Now() - g_origin; }

int64_t& FakeClock::Tick() {
  static int64_t tick = 0;
  return tick;
}
int64_t& FakeClock::Reads() {
  static int64_t reads = 0;
  return reads;
}
std::vector<int64_t>& FakeClock::Sleeps() {
  static std::vector<int64_t> sleeps;
  return sleeps;
}
std::function<int64_t()>& FakeClock::Override() {
  static std::function<int64_t()> override;
  return override;
}

PhaseRecorder::PhaseRecorder() {
  Trace().clear();
  OnPhase() = nullptr;
  Runner_SetPhaseObserver(&Record);
}

PhaseRecorder::~PhaseRecorder() {
  Runner_SetPhaseObserver(nullptr);
  OnPhase() = nullptr;
}

std::vector<std::string>& PhaseRecorder::Trace() {
  static std::vector<std::string> trace;
  return trace;
}
std::function<void(const std::string&)>& PhaseRecorder::OnPhase() {
  static std::function<void(const std::string&)> onPhase;
  return onPhase;
}

}  // namespace loop_test
