// The frame: its wait on a fake clock, the fps count, the room-change codes acted on at the end of
// the frame, the debugger's pause, the display reset countdown.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/command_line.h"
#include "host/entry.h"
#include "host/frame_loop.h"
#include "io/program.h"
#include "host/loop_test_support.h"
#include "runtime/run_state.h"
#include "platform/window/messages.h"
#include "host/rooms.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

using loop_test::FakeClock;
using loop_test::PhaseRecorder;

bool Contains(const std::vector<std::string>& trace, const std::string& what) {
  return std::find(trace.begin(), trace.end(), what) != trace.end();
}

// True when `expected` appears in `trace` in this order (other entries may come between).
bool InOrder(const std::vector<std::string>& trace, const std::vector<std::string>& expected) {
  auto at = trace.begin();
  for (const std::string& want : expected) {
    at = std::find(at, trace.end(), want);
    if (at == trace.end()) return false;
    ++at;
  }
  return true;
}

void DrainMessages() {
  WindowMessage message;
  while (Window_PeekMessage(&message)) {
  }
}

TEST(TimingPlanTest, FrameWait) {
  const struct {
    int32_t speed;
    int64_t elapsed;
    int64_t wait;
  } cases[] = {
      {30, 0, 33333},
      {60, 0, 16666},
      {30, 10000, 23333},
      {30, 33333, 0},         // a third of a microsecond left is no wait
      {30, 40000, 0},         // a late frame does not wait
      {0, 0, 1000000},        // speed 0 counts as 1
      {-5, 0, 1000000},
      {1, -500000, 1000000},  // never more than a second
      {1000000, 0, 1},
      {2000000, 0, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Timing_FrameWait(c.speed, c.elapsed), c.wait) << c.speed << " " << c.elapsed;
  }
}

TEST(TimingPlanTest, SleepLeavesTheMarginToTheSpin) {
  const struct {
    int64_t micros;
    int32_t margin;
    int64_t total;
    int64_t sleepMs;
  } cases[] = {
      {15000, 0, 15000, 15},
      {15999, 0, 15999, 15},        // whole milliseconds, truncated
      {15000, 10, 15000, 5},
      {9000, 10, 9000, 0},          // shorter than the margin: spin only
      {15000, -1, 15000, 0},        // a negative margin: spin only
      {2000000, -1000, 2000000, 0},
      {5000000, 10, 3000000, 2990}, // the cap
      {3000000, 0, 3000000, 3000},
      {0, 10, 0, 0},
      {-40, 10, 0, 0},
  };
  for (const auto& c : cases) {
    const TimingWaitPlan plan = Timing_PlanWait(c.micros, c.margin);
    EXPECT_EQ(plan.total, c.total) << c.micros << " " << c.margin;
    EXPECT_EQ(plan.sleepMs, c.sleepMs) << c.micros << " " << c.margin;
  }
}

class TimingWaitTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_margin = g_RunnerOptions.sleepMargin;
    g_Host.running = 1;
  }
  void TearDown() override {
    g_RunnerOptions.sleepMargin = m_margin;
    g_Host.running = 0;
    DrainMessages();
  }
  FakeClock m_clock;
  int32_t m_margin = 10;
};

TEST_F(TimingWaitTest, SleepsThenSpinsToTheEnd) {
  const struct {
    int64_t micros;
    int32_t margin;
    std::vector<int64_t> sleeps;
    int64_t waited;
  } cases[] = {
      {15000, 0, {15}, 15000},
      {9000, 10, {}, 9000},
      {15000, 10, {5}, 15000},
      {15000, -1, {}, 15000},
      {10000000, 10, {2990}, 3000000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.micros);
    g_RunnerOptions.sleepMargin = c.margin;
    FakeClock::Sleeps().clear();
    const int64_t before = FakeClock::Now();
    Timing_Wait(c.micros);
    const int64_t waited = FakeClock::Now() - before;
    EXPECT_EQ(FakeClock::Sleeps(), c.sleeps);
    // The spin reads the clock until the end has passed: it overshoots by less than a few reads.
    EXPECT_GE(waited, c.waited);
    EXPECT_LT(waited, c.waited + 5 * FakeClock::Tick());
  }
}

TEST_F(TimingWaitTest, NothingToWaitReadsNoClock) {
  for (int64_t micros : {0, -1, -3000000}) {
    FakeClock::Reads() = 0;
    Timing_Wait(micros);
    EXPECT_EQ(FakeClock::Reads(), 0);
    EXPECT_TRUE(FakeClock::Sleeps().empty());
  }
}

TEST_F(TimingWaitTest, MessagesArePumpedWhileItWaits) {
  Win32_PostQuit();
  Timing_Wait(2000);
  EXPECT_EQ(g_Host.running, 0);
  WindowMessage left;
  EXPECT_FALSE(Window_PeekMessage(&left));
}

TEST_F(TimingWaitTest, AClockGoingBackwardsEndsTheWait) {
  int64_t reading = 1000000;
  FakeClock::Override() = [&reading] {
    const int64_t now = reading;
    reading -= 700;
    return now;
  };
  g_RunnerOptions.sleepMargin = -1;
  FakeClock::Reads() = 0;
  Timing_Wait(3000000);
  EXPECT_EQ(FakeClock::Reads(), 2);
}

class FrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_margin = g_RunnerOptions.sleepMargin;
    g_RunnerOptions.sleepMargin = 10;
    // Rooms 0 to 2 exist (blank, speed 30), so a frame may go to one of them.
    for (int i = 0; i < 3; ++i) Room_Add();
    Room_Current = &m_room;
    g_Host.running = 1;
    g_Host.pausedByDebugger = false;
    g_RoomChangeCode = kRoomChangeNone;
    g_RunState.drawEnableDrawEvent = true;
    g_RunState.stepCounter = 0;
    g_FrameTiming = FrameTiming{};
    const int64_t now = Timing_GetTime();
    g_FrameTiming.lastFrameTime = now;
    g_FrameTiming.lastFpsTime = now;
    g_FrameTiming.lastStepTime = now;
  }
  void TearDown() override {
    g_RunnerOptions.sleepMargin = m_margin;
    Runner_DeleteRoomCopies();
    Room_FreeDefinitions();
    Room_Current = nullptr;
    g_Host.running = 0;
    g_Host.pausedByDebugger = false;
    g_RoomChangeCode = kRoomChangeNone;
    g_RunState.drawEnableDrawEvent = true;
    Host_FreeText(&g_GameChange.target);
    Host_FreeText(&g_RunState.pendingSavedGameName);
    g_FrameTiming = FrameTiming{};
    DrainMessages();
  }
  // A script asks for this code in the Begin Step of the next frame.
  void RequestInBeginStep(int32_t code) {
    PhaseRecorder::OnPhase() = [code](const std::string& phase) {
      if (phase == "HandleStep(1)") g_RoomChangeCode = code;
    };
  }

  FakeClock m_clock;
  PhaseRecorder m_recorder;
  CRoom m_room;
  int32_t m_margin = 10;
};

TEST_F(FrameTest, FramesArePacedToTheRoomSpeed) {
  m_room.m_speed = 30;
  const int64_t first = g_FrameTiming.lastFrameTime;
  const int64_t clockStart = FakeClock::Now();
  for (int i = 0; i < 90; ++i) ASSERT_EQ(Runner_Frame(), 30);
  // Frames that are on time are due exactly one frame time apart, so nothing drifts.
  EXPECT_EQ(g_FrameTiming.lastFrameTime, first + 90 * 33333);
  // Three seconds of (fake) wall time; the spins overshoot by a few clock reads only.
  EXPECT_GE(FakeClock::Now() - clockStart, 90 * 33333);
  EXPECT_LT(FakeClock::Now() - clockStart, 90 * 33333 + 2000);
  EXPECT_NEAR(g_FrameTiming.fps, 30, 1);
  EXPECT_EQ(g_RunState.stepCounter, 90);
}

TEST_F(FrameTest, SpeedZeroIsCorrectedInTheRoomAndNoRoomRunsAtSixty) {
  m_room.m_speed = 0;
  const int64_t first = g_FrameTiming.lastFrameTime;
  EXPECT_EQ(Runner_Frame(), 1);
  EXPECT_EQ(m_room.m_speed, 1);
  EXPECT_EQ(g_FrameTiming.lastFrameTime, first + 1000000);

  Room_Current = nullptr;
  const int64_t due = g_FrameTiming.lastFrameTime;
  EXPECT_EQ(Runner_Frame(), 60);
  EXPECT_EQ(Runner_Frame(), 60);
  EXPECT_EQ(g_FrameTiming.lastFrameTime, due + 2 * 16666);
}

TEST_F(FrameTest, ALateFrameDoesNotWaitAndTheNextIsDueAFrameLater) {
  m_room.m_speed = 30;
  Runner_Frame();
  // The step of the second frame takes 40 ms.
  PhaseRecorder::OnPhase() = [](const std::string& phase) {
    if (phase == "HandleStep(0)") FakeClock::Now() += 40000;
  };
  Runner_Frame();
  PhaseRecorder::OnPhase() = nullptr;
  const size_t sleeps = FakeClock::Sleeps().size();
  const int64_t reads = FakeClock::Reads();
  const int64_t frameStart = FakeClock::Elapsed();
  Runner_Frame();
  EXPECT_EQ(FakeClock::Sleeps().size(), sleeps);
  EXPECT_LT(FakeClock::Reads() - reads, 10);  // no spin either
  EXPECT_EQ(g_FrameTiming.lastFrameTime, frameStart);  // due when it started
  Runner_Frame();
  EXPECT_EQ(g_FrameTiming.lastFrameTime, frameStart + 33333);
}

TEST_F(FrameTest, AClockBehindTheLastFrameMeasuresFromNow) {
  m_room.m_speed = 30;
  g_FrameTiming.lastFrameTime = Timing_GetTime() + 500000;
  Runner_Frame();
  EXPECT_EQ(FakeClock::Sleeps(), std::vector<int64_t>{23});
}

TEST_F(FrameTest, WithoutPacingFramesDoNotWait) {
  m_room.m_speed = 30;
  g_FrameTiming.pacing = false;
  for (int i = 0; i < 3; ++i) Runner_Frame();
  EXPECT_TRUE(FakeClock::Sleeps().empty());
  EXPECT_LT(FakeClock::Elapsed() - g_FrameTiming.lastStepTime, 1000);
  EXPECT_EQ(g_FrameTiming.frameCounter, 3);
}

TEST_F(FrameTest, FpsCountsTheFramesOfTheLastWholeSecondOfDueTimes) {
  FrameTiming timing;
  timing.lastFpsTime = 2'500'000;
  // Due times 2.6 s .. 3.9 s in steps of 0.1 s: the frame due at 3.0 s closes the window that
  // began at 2.5 s with the 4 frames due before it, and opens the next one.
  for (int64_t due = 2'600'000; due < 4'000'000; due += 100'000) Timing_CountFrame(&timing, due);
  EXPECT_EQ(timing.fps, 4);
  EXPECT_EQ(timing.lastFpsTime, 3'000'000);
  EXPECT_EQ(timing.frameCounter, 10);
  EXPECT_EQ(timing.lastFrameTime, 3'900'000);
  // A due time before the window's start moves the start back instead of closing it.
  Timing_CountFrame(&timing, 2'000'000);
  EXPECT_EQ(timing.lastFpsTime, 2'000'000);
  EXPECT_EQ(timing.fps, 4);
}

TEST_F(FrameTest, RoomChangeCodesAreActedOnAtTheEndOfTheFrame) {
  const struct {
    const char* name;
    int32_t code;
    bool keepsRunning;
    int32_t result;
    std::vector<std::string> order;
    std::vector<std::string> absent;
  } cases[] = {
      {"nothing pending", kRoomChangeNone, true, 30, {"Start_Frame", "End_Frame(present)"}, {"Room_Goto"}},
      {"end the game", kRoomChangeEndGame, false, 60, {"End_Frame(present)"}, {"Room_Goto", "Runner_EndGame"}},
      {"quit", kRoomChangeQuit, false, 60, {"End_Frame(present)"}, {"Room_Goto", "Runner_EndGame"}},
      {"go to room 2", 2, true, 30, {"End_Frame(hold)", "Room_Goto"}, {"End_Frame(present)"}},
      {"go to room 0", 0, true, 30, {"End_Frame(hold)", "Room_Goto"}, {"End_Frame(present)"}},
      {"restart", kRoomChangeRestart, true, 60,
       {"End_Frame(present)", "Runner_EndGame", "Gamepad_AnnounceAll", "StartGame"}, {"Room_Goto"}},
      {"load", kRoomChangeLoadGame, true, 30, {"End_Frame(present)", "Runner_DoQueuedLoad"}, {"Room_Goto"}},
      {"unknown negative code", -7, true, 30, {"End_Frame(present)"}, {"Room_Goto", "Runner_EndGame"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Room_Current = &m_room;
    g_Host.running = 1;
    g_RoomChangeCode = kRoomChangeNone;
    PhaseRecorder::Trace().clear();
    RequestInBeginStep(c.code);
    EXPECT_EQ(Runner_Frame(), c.result);
    EXPECT_EQ(g_Host.running, c.keepsRunning ? 1 : 0);
    EXPECT_TRUE(InOrder(PhaseRecorder::Trace(), c.order));
    for (const std::string& phase : c.absent) EXPECT_FALSE(Contains(PhaseRecorder::Trace(), phase)) << phase;
    // The step stopped after Begin Step when a change was asked for there.
    EXPECT_EQ(Contains(PhaseRecorder::Trace(), "HandleStep(0)"), c.code == kRoomChangeNone);
  }
}

TEST_F(FrameTest, HandledCodesAreClearedAndAQueuedLoadIsLoadedOnce) {
  for (int32_t code : {2, -7, kRoomChangeLoadGame}) {
    g_RoomChangeCode = kRoomChangeNone;
    RequestInBeginStep(code);
    Runner_Frame();
    EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone) << code;
  }
  g_RunState.pendingSavedGameName = Host_DupText("save1.dat");
  RequestInBeginStep(kRoomChangeLoadGame);
  Runner_Frame();
  EXPECT_EQ(g_RunState.pendingSavedGameName, nullptr);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone);
}

TEST_F(FrameTest, APendingGameChangeEndsTheGame) {
  g_GameChange.target = Host_DupText("/games/other.win");
  EXPECT_EQ(Runner_Frame(), 60);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeQuit);
  EXPECT_EQ(g_Host.running, 0);
}

TEST_F(FrameTest, WithDrawingOffNothingIsPresented) {
  g_RunState.drawEnableDrawEvent = false;
  Runner_Frame();
  EXPECT_TRUE(Contains(PhaseRecorder::Trace(), "End_Frame(hold)"));
}

TEST_F(FrameTest, PausedByTheDebuggerTheFrameRunsNoStepAndKeepsTheCode) {
  g_Host.pausedByDebugger = true;
  g_RoomChangeCode = 3;
  const int64_t steps = g_RunState.stepCounter;
  EXPECT_EQ(Runner_Frame(), 30);
  EXPECT_TRUE(PhaseRecorder::Trace().empty());
  EXPECT_EQ(g_RoomChangeCode, 3);
  EXPECT_EQ(g_Host.running, 1);
  EXPECT_EQ(g_RunState.stepCounter, steps);
  EXPECT_EQ(g_FrameTiming.frameCounter, 1);  // paused frames still count
}

TEST_F(FrameTest, AQuitPumpedDuringTheWaitEndsTheFrameBeforeItsStep) {
  Win32_PostQuit();
  const int64_t due = g_FrameTiming.lastFrameTime;
  EXPECT_EQ(Runner_Frame(), 60);
  EXPECT_EQ(g_Host.running, 0);
  EXPECT_TRUE(PhaseRecorder::Trace().empty());
  EXPECT_EQ(g_FrameTiming.frameCounter, 0);
  EXPECT_EQ(g_FrameTiming.lastFrameTime, due);
}

TEST_F(FrameTest, ADisplayResetResizesWhileCountingDownThenResetsOnce) {
  g_FrameTiming.displayResetCountdown = 3;
  for (int i = 0; i < 5; ++i) Runner_Frame();
  std::vector<std::string> device;
  for (const std::string& phase : PhaseRecorder::Trace()) {
    if (phase.rfind("GR_D3D_", 0) == 0) device.push_back(phase);
  }
  EXPECT_EQ(device, (std::vector<std::string>{"GR_D3D_ResizeWindow", "GR_D3D_ResizeWindow", "GR_D3D_ResetAndRestore"}));
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 0);
}

}  // namespace
