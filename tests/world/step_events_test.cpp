// The step's dispatch phases run by the game step on a loaded game: who takes part in a pass,
// step and alarm events, keyboard, mouse (with enter and leave) and joystick events, and the end
// of the step after a room change asked for in a begin-step event.
#include <vector>

#include "host/fake_pads.h"
#include "io/joystick.h"
#include "world/commands.h"
#include "world_driver.h"

namespace {

using container::ObjtEntry;
using container::RoomInstanceEntry;
using Ids = std::vector<int32_t>;

// What the handlers do, set by each test; the hook reads the event that was just logged.
struct Plan {
  bool createInBegin = false;
  bool createInStep = false;
  int32_t created = -1;       // id of the instance a handler made
  int32_t alarmInStep = -1;   // the id whose step event sets alarm[0] = 1
  bool gotoInBegin = false;
};
Plan g_plan;

void Act(CInstance* self, CInstance*) {
  const kit::EventSeen& e = kit::TheLog().events.back();
  if (e.type != kEventStep) return;
  const bool begin = e.number == kStepBegin && g_plan.createInBegin;
  const bool normal = e.number == kStepNormal && g_plan.createInStep;
  if ((begin || normal) && g_plan.created < 0) {
    g_plan.created = Command_CreateInstance(self->object_index, 0, 0)->id;
  }
  if (e.number == kStepNormal && self->id == g_plan.alarmInStep) self->SetAlarm(0, 1);
  if (e.number == kStepBegin && g_plan.gotoInBegin) {
    g_plan.gotoInBegin = false;
    Command_GotoRoom(1);
  }
}

class StepEventsTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    g_plan = Plan();
    kit::TheLog().onEvent = Act;
  }
  // An object that logs these events.
  static ObjtEntry Logging(const char* name, std::initializer_list<std::pair<int32_t, int32_t>> events) {
    ObjtEntry e = Entry(name);
    for (const auto& [type, number] : events) e.on(static_cast<size_t>(type), static_cast<uint32_t>(number), kit::kLogEvent);
    return e;
  }
};

TEST_F(StepEventsTest, AnInstanceMadeDuringAPassWaitsForTheNextPass) {
  const ObjtEntry objects[] = {Logging("ob", {{kEventStep, kStepBegin}, {kEventStep, kStepNormal}})};
  Start({{.object = 0, .id = 100001}}, objects);

  // Made in its own object's step event: no step event for it in that step, one in the next.
  g_plan.createInStep = true;
  Step();
  EXPECT_EQ(Ran(kEventStep, kStepNormal), Ids{100001});
  const int32_t first = g_plan.created;
  ASSERT_GT(first, 100001);
  Step();
  EXPECT_EQ(Ran(kEventStep, kStepNormal), (Ids{100001, first}));

  // Made in a begin-step event: the normal step of the same step takes it in.
  g_plan = Plan{.createInBegin = true};
  Step();
  EXPECT_EQ(Ran(kEventStep, kStepBegin), (Ids{100001, first}));
  EXPECT_EQ(Ran(kEventStep, kStepNormal), (Ids{100001, first, g_plan.created}));
}

TEST_F(StepEventsTest, AlarmsCountDownAndFireAtZero) {
  const ObjtEntry objects[] = {Logging("ob_alarm", {{kEventAlarm, 0}, {kEventStep, kStepNormal}}),
                               Logging("ob_other_alarm", {{kEventAlarm, 1}})};
  Start({{.object = 0, .id = 100001}, {.object = 0, .id = 100002}, {.object = 1, .id = 100003}}, objects);
  CInstance* atZero = Instance(100001);
  CInstance* setInStep = Instance(100002);
  CInstance* noHandler = Instance(100003);
  atZero->SetAlarm(0, 0);
  noHandler->SetAlarm(0, 5);
  g_plan.alarmInStep = 100002;

  Step();  // 0 goes to -1 without firing; alarm[0] = 1 is set after the alarm phase
  EXPECT_EQ(Ran(kEventAlarm, 0), Ids{});
  EXPECT_EQ(atZero->GetAlarm(0), -1);
  EXPECT_EQ(setInStep->GetAlarm(0), 1);

  g_plan.alarmInStep = -1;
  Step();  // the next alarm phase fires it
  EXPECT_EQ(Ran(kEventAlarm, 0), Ids{100002});
  EXPECT_EQ(setInStep->GetAlarm(0), 0);
  Step();
  EXPECT_EQ(Ran(kEventAlarm, 0), Ids{});
  EXPECT_EQ(setInStep->GetAlarm(0), -1);
  EXPECT_EQ(atZero->GetAlarm(0), -1);
  EXPECT_EQ(noHandler->GetAlarm(0), 5) << "only objects with an alarm 0 handler count it down";
}

TEST_F(StepEventsTest, HoldingAKeyForThreeSteps) {
  std::initializer_list<std::pair<int32_t, int32_t>> events = {
      {kEventKeyboard, 65}, {kEventKeyboard, 1},   {kEventKeyboard, 0},   {kEventKeyPress, 65}, {kEventKeyPress, 1},
      {kEventKeyPress, 0},  {kEventKeyRelease, 65}, {kEventKeyRelease, 1}, {kEventKeyRelease, 0}};
  const ObjtEntry objects[] = {Logging("ob_keys", events)};
  Start({{.object = 0, .id = 100001}}, objects);

  const Events held = {{kEventKeyboard, 65}, {kEventKeyboard, 1}, {kEventKeyPress, 0}, {kEventKeyRelease, 0}};
  IO_MsgKeyDown(65, false);
  EXPECT_EQ(Step(), (Events{{kEventKeyboard, 65}, {kEventKeyPress, 65}, {kEventKeyboard, 1}, {kEventKeyPress, 1},
                            {kEventKeyRelease, 0}}));
  IO_MsgKeyDown(65, true);  // the repeat of a held key presses nothing
  EXPECT_EQ(Step(), held);
  EXPECT_EQ(Step(), held);
  IO_MsgKeyUp(65);
  EXPECT_EQ(Step(), (Events{{kEventKeyRelease, 65}, {kEventKeyboard, 0}, {kEventKeyPress, 0}, {kEventKeyRelease, 1}}));
  EXPECT_EQ(Step(), (Events{{kEventKeyboard, 0}, {kEventKeyPress, 0}, {kEventKeyRelease, 0}}));
  // Codes below 8 are no keys of the keyboard phase.
  IO_MsgKeyDown(3, false);
  EXPECT_EQ(Step(), (Events{{kEventKeyboard, 0}, {kEventKeyPress, 0}, {kEventKeyRelease, 0}}));
}

class MouseEventsTest : public StepEventsTest {
 protected:
  void SetUp() override {
    StepEventsTest::SetUp();
    ASSERT_EQ(Square(), 0);
  }
  static void MoveTo(int32_t x, int32_t y) {
    g_IOMessageBuffer.mouseX = x;
    g_IOMessageBuffer.mouseY = y;
  }
  static ObjtEntry Sprited(ObjtEntry e) {
    e.sprite_index = 0;
    return e;
  }
};

TEST_F(MouseEventsTest, ButtonEventsGoToTheInstanceUnderTheCursorGlobalOnesToAll) {
  const ObjtEntry objects[] = {Sprited(Logging("ob_button", {{kEventMouse, 0},
                                                             {kEventMouse, 1},
                                                             {kEventMouse, 3},
                                                             {kEventMouse, 4},
                                                             {kEventMouse, 7},
                                                             {kEventMouse, 12},
                                                             {kEventMouse, 13},
                                                             {kEventMouse, 50},
                                                             {kEventMouse, 53},
                                                             {kEventMouse, 54},
                                                             {kEventMouse, 60}}))};
  Start({{.x = 10, .y = 10, .object = 0, .id = 100001}, {.x = 100, .y = 100, .object = 0, .id = 100002}}, objects);
  MoveTo(20, 20);
  Step();
  EXPECT_EQ(Ran(kEventMouse, 3), Ids{100001}) << "no button: for the instance under the cursor";

  IO_MsgMouseDown(1, 20, 20);
  IO_MsgMouseDown(2, 20, 20);
  Step();
  EXPECT_EQ(g_StepMouseX, 20);
  EXPECT_EQ(g_StepMouseY, 20);
  EXPECT_EQ(Ran(kEventMouse, 0), Ids{100001});
  EXPECT_EQ(Ran(kEventMouse, 1), Ids{100001});
  EXPECT_EQ(Ran(kEventMouse, 4), Ids{100001});
  EXPECT_EQ(Ran(kEventMouse, 3), Ids{}) << "a button is held";
  EXPECT_EQ(Ran(kEventMouse, 50), (Ids{100001, 100002}));
  EXPECT_EQ(Ran(kEventMouse, 53), (Ids{100001, 100002}));
  EXPECT_EQ(Ran(kEventMouse, 54), (Ids{100001, 100002}));
  EXPECT_EQ(Ran(kEventMouse, 12), (Ids{100001, 100002, 100001, 100002})) << "global press once per button";

  IO_MsgMouseUp(1, 20, 20);
  IO_MsgMouseUp(2, 20, 20);
  IO_MsgWheelUp();
  Step();
  EXPECT_EQ(Ran(kEventMouse, 3), Ids{100001}) << "no button, under the cursor";
  EXPECT_EQ(Ran(kEventMouse, 7), Ids{100001});
  EXPECT_EQ(Ran(kEventMouse, 13), (Ids{100001, 100002, 100001, 100002}));
  EXPECT_EQ(Ran(kEventMouse, 60), (Ids{100001, 100002}));
  EXPECT_EQ(Ran(kEventMouse, 0), Ids{});

  // While the window is not visible the mouse phase does nothing.
  g_WindowState.visible = false;
  IO_MsgMouseDown(1, 20, 20);
  EXPECT_EQ(Step(), Events{});
  g_WindowState.visible = true;
  Step();
  EXPECT_EQ(Ran(kEventMouse, 0), Ids{100001});
}

TEST_F(MouseEventsTest, EnterAndLeave) {
  const ObjtEntry objects[] = {Sprited(Logging("ob_hover", {{kEventMouse, 10}, {kEventMouse, 11}}))};
  Start({{.x = 10, .y = 10, .object = 0, .id = 100001}, {.x = 100, .y = 100, .object = 0, .id = 100002}}, objects);
  MoveTo(20, 20);
  Step();
  EXPECT_EQ(Ran(kEventMouse, 10), Ids{100001}) << "placed under the cursor: entered at its first test";
  EXPECT_EQ(Ran(kEventMouse, 11), Ids{}) << "placed elsewhere: nothing to leave";

  const int32_t under = Command_CreateInstance(0, 5, 5)->id;
  Command_CreateInstance(0, 200, 200);
  Step();
  EXPECT_EQ(Ran(kEventMouse, 10), Ids{under});
  EXPECT_EQ(Ran(kEventMouse, 11), Ids{});
  Step();
  EXPECT_EQ(Step(), Events{}) << "staying inside enters once";

  MoveTo(150, 150);
  Step();
  EXPECT_EQ(Ran(kEventMouse, 11), (Ids{100001, under}));
  EXPECT_EQ(Ran(kEventMouse, 10), Ids{});
  MoveTo(110, 110);
  Step();
  EXPECT_EQ(Ran(kEventMouse, 10), Ids{100002});
}

TEST_F(StepEventsTest, JoystickButtonsAndDirections) {
  ObjtEntry stick = Entry("ob_stick");
  for (int32_t n = 16; n <= 43; ++n) stick.on(kEventMouse, static_cast<uint32_t>(n), kit::kLogEvent);
  const ObjtEntry objects[] = {stick};
  Start({{.object = 0, .id = 100001}}, objects);
  host_test::FakeJoysticks joysticks;
  joysticks.sticks[0].present = true;
  joysticks.sticks[0].position.dwButtons = 0b101;
  Joystick_Detect();  // as the window procedure does when the devices change

  EXPECT_EQ(Step(), (Events{{kEventMouse, 21}, {kEventMouse, 23}}));

  struct Case {
    DWORD x, y;
    Events expected;
  };
  const Case cases[] = {
      {19999, 32768, {{kEventMouse, 16}}}, {20000, 32768, {}}, {44000, 32768, {}}, {44001, 32768, {{kEventMouse, 17}}},
      {32768, 19999, {{kEventMouse, 18}}}, {32768, 20000, {}}, {32768, 44000, {}}, {32768, 44001, {{kEventMouse, 19}}},
      {0, 65535, {{kEventMouse, 16}, {kEventMouse, 19}}},
  };
  joysticks.sticks[0].position.dwButtons = 0;
  for (const Case& c : cases) {
    joysticks.sticks[0].position.dwXpos = c.x;
    joysticks.sticks[0].position.dwYpos = c.y;
    EXPECT_EQ(Step(), c.expected) << c.x << ", " << c.y;
  }

  // The second joystick has events of its own; the first, gone without a device change, skips
  // the step.
  joysticks.sticks[1].present = true;
  Joystick_Detect();
  joysticks.sticks[0].present = false;
  joysticks.sticks[1].position.dwXpos = 0;
  joysticks.sticks[1].position.dwButtons = 0x80;
  EXPECT_EQ(Step(), (Events{{kEventMouse, 31}, {kEventMouse, 43}}));
  joysticks.sticks[1].present = false;
  Joystick_Detect();
  EXPECT_EQ(Step(), Events{});
}

TEST_F(StepEventsTest, ARoomChangeInBeginStepEndsTheStepAfterThatPhase) {
  std::initializer_list<std::pair<int32_t, int32_t>> events = {
      {kEventStep, kStepBegin}, {kEventStep, kStepNormal}, {kEventStep, kStepEnd}, {kEventAlarm, 0},
      {kEventKeyboard, 1},      {kEventKeyboard, 0},       {kEventMouse, 3}};
  const ObjtEntry objects[] = {Logging("ob", events)};
  container::RoomEntry rooms[] = {{.name = "a", .width = 320, .height = 240},
                                  {.name = "b", .width = 320, .height = 240}};
  rooms[0].instances = {{.object = 0, .id = 100001}, {.object = 0, .id = 100002}};
  Start(rooms, objects);
  Instance(100001)->SetAlarm(0, 1);
  IO_MsgKeyDown(65, false);
  g_plan.gotoInBegin = true;
  EXPECT_EQ(Step(), (Events{{kEventStep, kStepBegin}})) << "the second instance's begin step is dropped too";
  EXPECT_EQ(Room_CurrentIndex, 1);
}

}  // namespace
