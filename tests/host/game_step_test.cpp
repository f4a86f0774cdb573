// The game step: its phases in order with the deferred changes applied after each, the early end
// when a room change is asked for, the physics, drawing and freeze variants, delta time, and the
// image animation.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "host/frame_loop.h"
#include "runtime/game_header.h"
#include "host/game_step.h"
#include "io/main_window.h"
#include "host/loop_test_support.h"
#include "runtime/run_state.h"
#include "world/physics_service.h"
#include "world/room.h"
#include "world/saved_game.h"
#include "world/step_phases.h"

namespace {

using loop_test::FakeClock;
using loop_test::PhaseRecorder;
using Trace = std::vector<std::string>;

const char* const kApply = "UpdateActiveLists";

// One step in a room without a physics world, drawing on, no instance running a timeline.
const Trace kFullStep = {
    "VM_CollectGarbage", "Game_DoQueuedLoad", "IO_Update", "WexaFunctions_Tick",
    "Instances_AdvanceImages",
    "HandleStep(1)", kApply,
    "Network_Tick", "Steam_Tick", kApply,
    kApply,  // the timelines are skipped, the check is not
    "HandleAlarm", kApply,
    "HandleKeyboard", kApply,
    "HandleJoystick", kApply,
    "HandleMouse", kApply,
    "HandleStep(0)", kApply,
    "HandleInstanceMovement", kApply,
    "HandleOther", kApply,
    "HandleAsync", kApply,
    "HandleCollision", kApply,
    "HandleStep(2)", kApply,
    "ParticleSystem_UpdateAll",
    "Room_DeleteMarked", "DrawRoom", kApply,
    "ScrollBackgrounds", kApply,
};

// kFullStep without `phase` and the application of the queues that follows it.
Trace Without(const std::string& phase) {
  Trace trace = kFullStep;
  auto at = std::find(trace.begin(), trace.end(), phase);
  if (at != trace.end()) trace.erase(at, at + 2);
  return trace;
}

class GameStepTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Room_Current = &m_room;
    g_RoomChangeCode = kRoomChangeNone;
    g_RunState.drawEnableDrawEvent = true;
    g_RunState.stepCounter = 0;
    g_GameOptions = GameOptions{};
    g_WindowState.focus = true;
  }
  void TearDown() override {
    Room_Current = nullptr;
    g_RoomChangeCode = kRoomChangeNone;
    g_RunState.drawEnableDrawEvent = true;
    g_GameOptions = GameOptions{};
    g_WindowState.focus = true;
  }
  Trace Step() {
    PhaseRecorder::Trace().clear();
    Runner_Step();
    return PhaseRecorder::Trace();
  }

  FakeClock m_clock;
  PhaseRecorder m_recorder;
  CRoom m_room;
};

TEST_F(GameStepTest, PhasesRunInOrderWithTheQueuesAppliedAfterEach) {
  EXPECT_EQ(Step(), kFullStep);
  EXPECT_EQ(g_RunState.stepCounter, 1);
}

TEST_F(GameStepTest, VariantsLeaveOutTheirPhases) {
  // Only compared with null: the step never looks inside the world.
  CPhysicsWorld physicsWorld(0.1f, 30);
  const struct {
    const char* name;
    bool physics;
    bool drawing;
    bool room;
    Trace expected;
  } cases[] = {
      {"physics world moves the instances and raises the collisions", true, true, true, Without("HandleCollision")},
      {"drawing off: marked instances are still deleted", false, false, true, Without("DrawRoom")},
      {"no room", false, true, false, kFullStep},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    m_room.physics_world = c.physics ? &physicsWorld : nullptr;
    g_RunState.drawEnableDrawEvent = c.drawing;
    Room_Current = c.room ? &m_room : nullptr;
    g_RunState.stepCounter = 0;
    EXPECT_EQ(Step(), c.expected);
    EXPECT_EQ(g_RunState.stepCounter, 1);
  }
  m_room.physics_world = nullptr;
}

TEST_F(GameStepTest, ARoomChangeEndsTheStepAfterThePhaseThatAskedForIt) {
  // Every check up to End Step's returns at once; the drawing and scrolling phases do not check.
  const auto lastCheck = std::find(kFullStep.begin(), kFullStep.end(), "ParticleSystem_UpdateAll");
  for (const std::string& phase : kFullStep) {
    if (phase == kApply) continue;
    SCOPED_TRACE(phase);
    g_RoomChangeCode = kRoomChangeNone;
    g_RunState.stepCounter = 0;
    PhaseRecorder::OnPhase() = [phase](const std::string& now) {
      if (now == phase) g_RoomChangeCode = 4;  // room_goto in a script of this phase
    };
    const auto asked = std::find(kFullStep.begin(), kFullStep.end(), phase);
    const auto check = std::find(asked, lastCheck, std::string(kApply));
    const bool stops = check != lastCheck;
    const Trace expected = stops ? Trace(kFullStep.begin(), check + 1) : kFullStep;
    EXPECT_EQ(Step(), expected);
    EXPECT_EQ(g_RunState.stepCounter, stops ? 0 : 1);
    EXPECT_EQ(g_RoomChangeCode, 4);
  }
}

TEST_F(GameStepTest, FrozenInTheBackgroundOnlyInputIsTakenIn) {
  const Trace inputOnly = {"VM_CollectGarbage", "Game_DoQueuedLoad", "IO_Update", "WexaFunctions_Tick"};
  const struct {
    bool freeze;
    bool active;
    bool frozen;
  } cases[] = {{true, false, true}, {true, true, false}, {false, false, false}};
  for (const auto& c : cases) {
    g_GameOptions.freezeWhileInactive = c.freeze;
    g_WindowState.focus = c.active;
    g_RunState.stepCounter = 0;
    EXPECT_EQ(Step(), c.frozen ? inputOnly : kFullStep) << c.freeze << c.active;
    EXPECT_EQ(g_RunState.stepCounter, c.frozen ? 0 : 1);
  }
}

TEST_F(GameStepTest, DeltaTimeIsTheTimeSinceThePreviousStepStarted) {
  g_FrameTiming.lastStepTime = FakeClock::Elapsed() - 25000;
  Step();
  EXPECT_EQ(g_FrameTiming.deltaTime, 25000);
  const int64_t started = g_FrameTiming.lastStepTime;
  FakeClock::Now() += 16000;
  Step();
  EXPECT_EQ(g_FrameTiming.lastStepTime - started, g_FrameTiming.deltaTime);
  EXPECT_GE(g_FrameTiming.deltaTime, 16000);
  EXPECT_LT(g_FrameTiming.deltaTime, 17000);
}

TEST_F(GameStepTest, MotionTakesAnEventPassUnlessAPhysicsWorldMovesTheInstances) {
  CPhysicsWorld physicsWorld(0.1f, 30);
  const uint64_t pass = Event_PassCounter;
  EXPECT_FALSE(HandleInstanceMovement(false));
  EXPECT_EQ(Event_PassCounter, pass + 1);
  m_room.physics_world = &physicsWorld;
  EXPECT_TRUE(HandleInstanceMovement(true));
  EXPECT_EQ(Event_PassCounter, pass + 1);
  m_room.physics_world = nullptr;
}

TEST(ImageAnimationTest, AdvanceAndWrap) {
  const struct {
    double index;
    double speed;
    int32_t images;
    double expected;
    bool wrapped;
  } cases[] = {
      {3.5, 0.5, 4, 0.0, true},    // 4.0 is past the last image
      {3.0, 0.5, 4, 3.5, false},
      {3.9, 0.05, 4, 3.95, false},
      {0.0, 1.0, 1, 0.0, true},
      {2.0, 0.0, 4, 2.0, false},
      {0.0, -1.0, 4, 3.0, true},   // below the first image wraps to the top
      {0.0, -0.5, 4, 3.5, true},   // -0.5 truncates to 0 but is still below the first image
      {0.0, 0.0, 0, 0.0, true},    // no images: every step is an animation end
      {2.5, 0.25, 0, 2.75, true},
  };
  for (const auto& c : cases) {
    double index = c.index;
    EXPECT_EQ(Runner_AdvanceImage(&index, c.speed, c.images), c.wrapped) << c.index << " " << c.speed;
    EXPECT_DOUBLE_EQ(index, c.expected) << c.index << " " << c.speed;
  }
}

TEST(ImageAnimationTest, HalfSpeedOverFourImagesEndsOnceInEightSteps) {
  double index = 0.0;
  int ends = 0;
  for (int step = 1; step <= 8; ++step) {
    if (Runner_AdvanceImage(&index, 0.5, 4)) ++ends;
    if (step == 7) {
      EXPECT_DOUBLE_EQ(index, 3.5);
    }
  }
  EXPECT_EQ(ends, 1);
  EXPECT_DOUBLE_EQ(index, 0.0);
}

}  // namespace
