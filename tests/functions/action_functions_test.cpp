// The action group: its registration, the relative flag, and the motion, instance, control,
// game-state and resource actions on the world driver.
#include "functions/action_functions.h"

#include <cmath>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "audio/sound_names_stand_in.h"
#include "core/vm_error.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "io/input.h"
#include "runtime/run_state.h"
#include "vm/script_table.h"
#include "world/commands.h"
#include "world/queries.h"
#include "world/world_driver.h"

namespace {

using math_test::Call;
using math_test::Real;
using math_test::Text;

class ActionRegistrationTest : public RegistryTest {};

TEST_F(ActionRegistrationTest, TheNamesInTheirOrderWithTheirCounts) {
  const std::vector<std::pair<std::string, int32_t>> expected = {
      {"action_path_old", 3}, {"action_set_sprite", 2}, {"action_draw_font", 1}, {"action_draw_font_old", 6},
      {"action_fill_color", 1}, {"action_fill_colour", 1}, {"action_line_color", 1}, {"action_line_colour", 1},
      {"action_highscore", 0}, {"action_set_relative", 1}, {"action_move", 2}, {"action_set_motion", 2},
      {"action_set_hspeed", 1}, {"action_set_vspeed", 1}, {"action_set_gravity", 2}, {"action_set_friction", 1},
      {"action_move_point", 3}, {"action_move_to", 2}, {"action_move_start", 0}, {"action_move_random", 2},
      {"action_snap", 2}, {"action_wrap", 1}, {"action_reverse_xdir", 0}, {"action_reverse_ydir", 0},
      {"action_move_contact", 3}, {"action_bounce", 2}, {"action_path", 4}, {"action_path_end", 0},
      {"action_path_position", 1}, {"action_path_speed", 1}, {"action_linear_step", 4},
      {"action_potential_step", 4}, {"action_kill_object", 0}, {"action_create_object", 3},
      {"action_create_object_motion", 5}, {"action_create_object_random", 6}, {"action_change_object", 2},
      {"action_kill_position", 2}, {"action_sprite_set", 3}, {"action_sprite_transform", 4},
      {"action_sprite_color", 2}, {"action_sprite_colour", 2}, {"action_sound", 2}, {"action_end_sound", 1},
      {"action_if_sound", 1}, {"action_another_room", 1}, {"action_current_room", 0},
      {"action_previous_room", 0}, {"action_next_room", 0}, {"action_if_previous_room", 0},
      {"action_if_next_room", 0}, {"action_set_alarm", 2}, {"action_sleep", 2}, {"action_set_timeline", 2},
      {"action_set_timeline_position", 1}, {"action_set_timeline_speed", 1}, {"action_timeline_set", 4},
      {"action_timeline_start", 0}, {"action_timeline_pause", 0}, {"action_timeline_stop", 0},
      {"action_message", 1}, {"action_show_info", 0}, {"action_show_video", 3}, {"action_end_game", 0},
      {"action_restart_game", 0}, {"action_save_game", 1}, {"action_load_game", 1},
      {"action_replace_sprite", 3}, {"action_replace_sound", 2}, {"action_replace_background", 2},
      {"action_if_empty", 3}, {"action_if_collision", 3}, {"action_if", 1}, {"action_if_number", 3},
      {"action_if_object", 3}, {"action_if_question", 1}, {"action_if_dice", 1}, {"action_if_mouse", 1},
      {"action_if_aligned", 2}, {"action_execute_script", 6}, {"action_inherited", 0},
      {"action_if_variable", 3}, {"action_draw_variable", 3}, {"action_set_score", 1}, {"action_if_score", 2},
      {"action_draw_score", 3}, {"action_highscore_show", 11}, {"action_highscore_clear", 0},
      {"action_set_life", 1}, {"action_if_life", 2}, {"action_draw_life", 3}, {"action_draw_life_images", 3},
      {"action_set_health", 1}, {"action_if_health", 2}, {"action_draw_health", 6}, {"action_set_caption", 6},
      {"action_partsyst_create", 1}, {"action_partsyst_destroy", 0}, {"action_partsyst_clear", 0},
      {"action_parttype_create_old", 6}, {"action_parttype_create", 6}, {"action_parttype_color", 6},
      {"action_parttype_colour", 6}, {"action_parttype_life", 3}, {"action_parttype_speed", 6},
      {"action_parttype_gravity", 3}, {"action_parttype_secondary", 5}, {"action_partemit_create", 6},
      {"action_partemit_destroy", 1}, {"action_partemit_burst", 3}, {"action_partemit_stream", 3},
      {"action_cd_play", 2}, {"action_cd_stop", 0}, {"action_cd_pause", 0}, {"action_cd_resume", 0},
      {"action_cd_present", 0}, {"action_cd_playing", 0}, {"action_set_cursor", 2}, {"action_webpage", 1},
      {"action_draw_sprite", 4}, {"action_draw_background", 4}, {"action_draw_text", 3},
      {"action_draw_text_transformed", 6}, {"action_draw_rectangle", 5}, {"action_draw_gradient_hor", 6},
      {"action_draw_gradient_vert", 6}, {"action_draw_ellipse", 5}, {"action_draw_ellipse_gradient", 6},
      {"action_draw_line", 4}, {"action_draw_arrow", 5}, {"action_color", 1}, {"action_colour", 1},
      {"action_font", 2}, {"action_fullscreen", 1}, {"action_snapshot", 1}, {"action_effect", 6},
  };
  ASSERT_EQ(expected.size(), 136u);
  InitActionFunctions();
  ASSERT_EQ(g_BuiltinCount, 136);
  for (int32_t k = 0; k < g_BuiltinCount; ++k) {
    EXPECT_EQ(g_BuiltinFunctions[k].name, expected[k].first) << k;
    EXPECT_EQ(g_BuiltinFunctions[k].argumentCount, expected[k].second) << expected[k].first;
  }
  const auto handler = [](const char* name) {
    for (int32_t k = 0; k < g_BuiltinCount; ++k) {
      if (std::string(g_BuiltinFunctions[k].name) == name) return g_BuiltinFunctions[k].handler;
    }
    return BuiltinHandler{};
  };
  for (const auto& [color, colour] : {std::pair{"action_sprite_color", "action_sprite_colour"},
                                      std::pair{"action_parttype_color", "action_parttype_colour"},
                                      std::pair{"action_color", "action_colour"}}) {
    EXPECT_EQ(handler(color), handler(colour)) << color;
  }
  // The eight empty names share one handler that no other name uses.
  const std::set<std::string> empty = {"action_path_old",  "action_draw_font",   "action_draw_font_old",
                                       "action_fill_color", "action_fill_colour", "action_line_color",
                                       "action_line_colour", "action_highscore"};
  for (int32_t k = 0; k < g_BuiltinCount; ++k) {
    const bool same = g_BuiltinFunctions[k].handler == handler("action_path_old");
    EXPECT_EQ(same, empty.count(g_BuiltinFunctions[k].name) == 1) << g_BuiltinFunctions[k].name;
  }
}

TEST_F(ActionRegistrationTest, TheEmptyActionsReadNothing) {
  InitActionFunctions();
  // A string where a number would be read would be reported; the result stays as it was.
  for (const char* name : {"action_path_old", "action_draw_font_old", "action_fill_color", "action_highscore"}) {
    EXPECT_EQ(Call(name, {Text("x"), Text("y"), Text("z")}).Kind(), VALUE_UNDEFINED) << name;
  }
  EXPECT_EQ(RuntimeErrorCapture::Take(), "");
}

// --- on the world driver -------------------------------------------------------------------------

constexpr int32_t kNoMoreLives = 6;
constexpr int32_t kNoMoreHealth = 9;

class ActionWorldTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    argument_relative = false;
  }
  void TearDown() override {
    argument_relative = false;
    WorldDriverTest::TearDown();
  }
  static void Register() {
    int32_t id = -1;
    if (!Builtin_FindCallable("action_move", &id)) InitActionFunctions();
  }
  // One 320 x 240 room with an instance 100001 of the first object at (100, 100).
  CInstance* StartWith(std::vector<ObjtEntry> objects) {
    Start({{.x = 100, .y = 100, .object = 0, .id = 100001}}, objects);
    Register();
    return Instance(100001);
  }
  // Calls the action for the instance, with relative mode as given.
  static math_test::Answer Act(CInstance* self, const char* name, std::vector<RValue> args, bool relative = false) {
    argument_relative = relative;
    math_test::Answer answer = Call(name, std::move(args), self);
    argument_relative = false;
    return answer;
  }
  static double Is(CInstance* self, const char* name, std::vector<RValue> args, bool relative = false) {
    return Act(self, name, std::move(args), relative).Real();
  }
};

TEST_F(ActionWorldTest, MoveStopsOnTheMiddlePlaceAndIgnoresNineZeros) {
  CInstance* i = StartWith({Entry("thing")});
  i->SetDirection(90.0f);
  i->SetSpeed(3.0f);
  Act(i, "action_move", {Text("000000000"), Real(7)});
  EXPECT_EQ(i->speed, 3.0f);
  EXPECT_EQ(i->direction, 90.0f);
  Act(i, "action_move", {Text("000010000"), Real(7)});
  EXPECT_EQ(i->speed, 0.0f);
  EXPECT_EQ(i->direction, 0.0f);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "");

  for (const char* wrong : {"00001000", "0000100000", ""}) {
    Act(i, "action_move", {Text(wrong), Real(1)});
    EXPECT_EQ(RuntimeErrorCapture::Take(), "Wrong argument to action_move().") << wrong;
  }
  Act(i, "action_move", {Real(5), Real(1)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Wrong argument to action_move().");
  EXPECT_EQ(i->speed, 0.0f);
}

TEST_F(ActionWorldTest, RelativeSpeedIsAddedAndTheDirectionIsOneAllowed) {
  CInstance* i = StartWith({Entry("thing")});
  for (int32_t n = 0; n < 10; ++n) {
    i->SetSpeed(3.0f);
    Act(i, "action_move", {Text("100000001"), Real(2)}, true);  // 225 or 45
    EXPECT_FLOAT_EQ(i->speed, 5.0f);
    EXPECT_TRUE(i->direction == 225.0f || i->direction == 45.0f) << i->direction;
  }
}

TEST_F(ActionWorldTest, RelativeMotionAddsAVector) {
  CInstance* i = StartWith({Entry("thing")});
  i->SetHSpeed(2.0f);
  Act(i, "action_set_motion", {Real(90), Real(2)}, true);
  EXPECT_NEAR(i->hspeed, 2.0f, 1e-5);
  EXPECT_NEAR(i->vspeed, -2.0f, 1e-5);
  EXPECT_NEAR(i->speed, std::sqrt(8.0f), 1e-4);
  EXPECT_NEAR(i->direction, 45.0f, 1e-3);
  Act(i, "action_set_motion", {Real(180), Real(4)});
  EXPECT_NEAR(i->hspeed, -4.0f, 1e-5);
  EXPECT_NEAR(i->vspeed, 0.0f, 1e-5);
}

TEST_F(ActionWorldTest, RelativeModeOffsetsPositionsAndIncrementsFields) {
  CInstance* i = StartWith({Entry("thing")});
  Act(i, "action_move_to", {Real(10), Real(-20)}, true);
  EXPECT_EQ(i->x, 110.0f);
  EXPECT_EQ(i->y, 80.0f);
  Act(i, "action_move_to", {Real(10), Real(20)});
  EXPECT_EQ(i->x, 10.0f);
  i->SetVSpeed(1.5f);
  Act(i, "action_set_vspeed", {Real(2)}, true);
  EXPECT_EQ(i->vspeed, 3.5f);
  Act(i, "action_set_gravity", {Real(10), Real(0.5)}, true);
  EXPECT_EQ(i->gravity_direction, 280.0f);
  EXPECT_EQ(i->gravity, 0.5f);
  Act(i, "action_set_friction", {Real(0.25)});
  Act(i, "action_set_friction", {Real(0.25)}, true);
  EXPECT_EQ(i->friction, 0.5f);
  Act(i, "action_move_start", {});
  EXPECT_EQ(i->x, 100.0f);
  EXPECT_EQ(i->y, 100.0f);
}

TEST_F(ActionWorldTest, WrapTwoWrapsBothWaysAndFiveNeither) {
  CInstance* i = StartWith({Entry("thing")});
  const struct {
    double direction;
    bool horizontal;
    bool vertical;
  } cases[] = {{0, true, false}, {1, false, true}, {2, true, true}, {5, false, false}};
  for (const auto& c : cases) {
    i->SetPosition(-50.0f, -50.0f);
    i->SetHSpeed(-1.0f);
    i->SetVSpeed(-1.0f);
    Act(i, "action_wrap", {Real(c.direction)});
    EXPECT_EQ(i->x != -50.0f, c.horizontal) << c.direction;
    EXPECT_EQ(i->y != -50.0f, c.vertical) << c.direction;
  }
}

TEST_F(ActionWorldTest, EveryEventStartsWithRelativeModeOff) {
  StartWith({LoggingObject("thing", {{kEventOther, 10}})});
  static std::vector<bool> seen;
  seen.clear();
  OnEvent([](CInstance* self, CInstance*) {
    seen.push_back(argument_relative);
    Call("action_set_relative", {Real(1)}, self);
  });
  Event_Perform(Instance(100001), Instance(100001), kEventOther, 10);
  Event_Perform(Instance(100001), Instance(100001), kEventOther, 10);
  EXPECT_EQ(seen, (std::vector<bool>{false, false}));
  EXPECT_FALSE(argument_relative);  // the caller's mode comes back
  Call("action_set_relative", {Real(1)});
  EXPECT_TRUE(argument_relative);
  Call("action_set_relative", {Real(0)});
  EXPECT_FALSE(argument_relative);
}

TEST_F(ActionWorldTest, KillingTwiceRunsOneDestroy) {
  CInstance* i = StartWith({LoggingObject("thing", {{kEventDestroy, 0}})});
  ClearLog();
  Act(i, "action_kill_object", {});
  Act(i, "action_kill_object", {});
  EXPECT_EQ(Log(), (std::vector<std::string>{"Destroy 100001"}));
  EXPECT_TRUE(i->marked);
}

TEST_F(ActionWorldTest, SpriteActionsKeepWhatTheyAreNotGiven) {
  const int32_t first = Square();
  const int32_t second = Square();
  CInstance* i = StartWith({Entry("thing")});
  i->SetImageXScale(2.0f);
  i->SetImageYScale(3.0f);
  Act(i, "action_set_sprite", {Real(first), Real(0)});
  EXPECT_EQ(i->sprite_index, first);
  EXPECT_EQ(i->image_xscale, 2.0f);
  EXPECT_EQ(i->image_yscale, 3.0f);
  Act(i, "action_set_sprite", {Real(second), Real(0.5)});
  EXPECT_EQ(i->image_xscale, 0.5f);
  EXPECT_EQ(i->image_yscale, 0.5f);

  i->image_index = 0.0f;
  Act(i, "action_sprite_set", {Real(first), Real(-1), Real(0.25)});
  EXPECT_EQ(i->sprite_index, first);
  EXPECT_EQ(i->image_index, 0.0f);
  EXPECT_EQ(i->image_speed, 0.25f);

  Act(i, "action_sprite_transform", {Real(2), Real(3), Real(45), Real(3)});
  EXPECT_EQ(i->image_xscale, -2.0f);
  EXPECT_EQ(i->image_yscale, -3.0f);
  EXPECT_EQ(i->image_angle, 45.0f);
  Act(i, "action_sprite_colour", {Real(0x112233), Real(0.5)});
  EXPECT_EQ(i->image_blend, 0x112233u);
  EXPECT_EQ(i->image_alpha, 0.5f);
  Act(i, "action_set_sprite", {Real(99), Real(1)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Setting instance to non-existing sprite: 99");
}

TEST_F(ActionWorldTest, CreatingInstances) {
  CInstance* i = StartWith({Entry("thing"), LoggingObject("made", {{kEventCreate, 0}})});
  for (int32_t n = 0; n < 20; ++n) Act(i, "action_create_object_random", {Real(7), Real(-1), Real(1), Real(9), Real(0), Real(0)});
  EXPECT_EQ(Command_InstanceNumber(1), 20);
  Act(i, "action_create_object_random", {Real(7), Real(8), Real(-1), Real(9), Real(0), Real(0)});
  EXPECT_EQ(Command_InstanceNumber(1), 20);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "");

  Act(i, "action_create_object", {Real(7), Real(0), Real(0)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Creating instance for non-existing object: 7");

  // The motion is set before the Create event runs.
  static float speedAtCreate = -1.0f;
  OnEvent([](CInstance* self, CInstance*) { speedAtCreate = self->speed; });
  Act(i, "action_create_object_motion", {Real(1), Real(5), Real(6), Real(4), Real(90)}, true);
  OnEvent(nullptr);
  EXPECT_EQ(speedAtCreate, 4.0f);
  const CInstance* made = Instance_Find(Command_InstanceFind(1, 20));
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made->x, 105.0f);
  EXPECT_EQ(made->y, 106.0f);
  EXPECT_NEAR(made->vspeed, -4.0f, 1e-5);
}

TEST_F(ActionWorldTest, MoveRandomInARoomAsWideAsTheSpritePlacesAtTheLeastPosition) {
  const int32_t sprite = Square();
  ObjtEntry thing = Entry("thing");
  thing.sprite_index = sprite;
  container::RoomEntry room{.name = "r", .width = 32, .height = 32};
  room.instances = {{.x = 7, .y = 9, .object = 0, .id = 100001}};
  Start(std::span(&room, 1), std::vector<ObjtEntry>{thing});
  Register();
  CInstance* i = Instance(100001);
  Act(i, "action_move_random", {Real(0), Real(0)});
  EXPECT_EQ(i->x, 0.0f);
  EXPECT_EQ(i->y, 0.0f);
}

TEST_F(ActionWorldTest, MoveRandomSnapsToTheGrid) {
  CInstance* i = StartWith({Entry("thing")});
  for (int32_t n = 0; n < 20; ++n) {
    Act(i, "action_move_random", {Real(16), Real(10)});
    EXPECT_EQ(std::fmod(i->x, 16.0f), 0.0f);
    EXPECT_EQ(std::fmod(i->y, 10.0f), 0.0f);
    EXPECT_TRUE(i->x >= 0 && i->x < 320 && i->y >= 0 && i->y < 240);
  }
}

// --- control, conditions and game state ----------------------------------------------------------

TEST_F(ActionWorldTest, IfVariableComparesValuesOfOneKind) {
  CInstance* i = StartWith({Entry("thing")});
  EXPECT_EQ(Is(i, "action_if_variable", {Real(1), Text("1"), Real(0)}), 0.0);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Cannot compare arguments.");
  const struct {
    double a, b;
    int32_t operation;
    bool want;
  } reals[] = {{1, 2, 1, true}, {1, 2, 2, false}, {2, 2, 3, true}, {2, 2, 4, true}, {3, 2, 4, true},
               {3, 2, 3, false}, {2, 2, 0, true}, {2, 3, 9, false}};
  for (const auto& c : reals) {
    EXPECT_EQ(Is(i, "action_if_variable", {Real(c.a), Real(c.b), Real(c.operation)}), c.want ? 1.0 : 0.0)
        << c.a << " " << c.b << " " << c.operation;
  }
  EXPECT_EQ(Is(i, "action_if_variable", {Text("abc"), Text("abd"), Real(1)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_variable", {Text("abc"), Text("abd"), Real(2)}), 0.0);
  EXPECT_EQ(Is(i, "action_if_variable", {Text("\xC3\xA9"), Text("z"), Real(2)}), 1.0);  // unsigned bytes
  EXPECT_EQ(Is(i, "action_if_variable", {Text("abc"), Text("abc"), Real(0)}), 1.0);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "");

  const math_test::Answer copy = Act(i, "action_if", {Text("kept")});
  EXPECT_EQ(copy.Text(), "kept");
}

TEST_F(ActionWorldTest, DiceOfOneSideAlwaysComesUp) {
  CInstance* i = StartWith({Entry("thing")});
  int32_t ones = 0;
  for (int32_t n = 0; n < 50; ++n) ones += Is(i, "action_if_dice", {Real(1)}) == 1.0 ? 1 : 0;
  EXPECT_EQ(ones, 50);
  // A huge number of sides saturates instead of overflowing.
  EXPECT_EQ(Act(i, "action_if_dice", {Real(1e300)}).Kind(), VALUE_REAL);
}

TEST_F(ActionWorldTest, LivesAndHealthRunTheirEventsWhenTheyRunOut) {
  CInstance* i = StartWith({LoggingObject("thing", {{kEventOther, kNoMoreLives}, {kEventOther, kNoMoreHealth}})});
  g_RunState.lives = 3;
  ClearLog();
  Act(i, "action_set_life", {Real(0)});
  Act(i, "action_set_life", {Real(0)});
  EXPECT_EQ(Log(), (std::vector<std::string>{"7/6 100001"}));
  Act(i, "action_set_life", {Real(2)}, true);
  EXPECT_EQ(g_RunState.lives, 2);

  g_RunState.health = 100.0;
  ClearLog();
  Act(i, "action_set_health", {Real(-150)}, true);
  EXPECT_EQ(g_RunState.health, -50.0);
  EXPECT_EQ(Log(), (std::vector<std::string>{"7/9 100001"}));

  g_RunState.score = 2147483600;
  Act(i, "action_set_score", {Real(100)}, true);
  EXPECT_EQ(g_RunState.score, 2147483647);  // saturates
  EXPECT_EQ(Is(i, "action_if_score", {Real(0), Real(2)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_life", {Real(2), Real(0)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_health", {Real(0), Real(1)}), 1.0);
}

TEST_F(ActionWorldTest, IfNumberCountsInstances) {
  CInstance* i = StartWith({Entry("thing")});
  EXPECT_EQ(Is(i, "action_if_number", {Real(0), Real(0), Real(2)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_number", {Real(0), Real(1), Real(2)}), 0.0);
  EXPECT_EQ(Is(i, "action_if_number", {Real(0), Real(1), Real(7)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_number", {Real(0), Real(2), Real(7)}), 0.0);
  EXPECT_EQ(Is(i, "action_if_number", {Real(0), Real(2), Real(1)}), 1.0);
}

TEST_F(ActionWorldTest, RelativeAlarmStartsAStoppedOneAfresh) {
  CInstance* i = StartWith({Entry("thing")});
  Act(i, "action_set_alarm", {Real(5), Real(0)}, true);
  EXPECT_EQ(i->GetAlarm(0), 5);
  Act(i, "action_set_alarm", {Real(5), Real(0)}, true);
  EXPECT_EQ(i->GetAlarm(0), 10);
  Act(i, "action_set_alarm", {Real(3), Real(0)});
  EXPECT_EQ(i->GetAlarm(0), 3);
  Act(i, "action_set_alarm", {Real(3), Real(12)}, true);  // no such alarm: nothing
  EXPECT_EQ(i->GetAlarm(12), -1);
}

TEST_F(ActionWorldTest, TimelineActions) {
  CInstance* i = StartWith({Entry("thing")});
  Act(i, "action_timeline_set", {Real(2), Real(5), Real(1), Real(1)});
  EXPECT_EQ(i->timeline_index, 2);
  EXPECT_EQ(i->timeline_position, 5.0f);
  EXPECT_FALSE(i->timeline_running);
  EXPECT_TRUE(i->timeline_loop);
  Act(i, "action_timeline_set", {Real(2), Real(5), Real(0), Real(2)});
  EXPECT_TRUE(i->timeline_running);
  EXPECT_FALSE(i->timeline_loop);
  Act(i, "action_set_timeline_position", {Real(3)}, true);
  EXPECT_EQ(i->timeline_position, 8.0f);
  Act(i, "action_timeline_pause", {});
  EXPECT_FALSE(i->timeline_running);
  Act(i, "action_timeline_start", {});
  EXPECT_TRUE(i->timeline_running);
  Act(i, "action_timeline_stop", {});
  EXPECT_FALSE(i->timeline_running);
  EXPECT_EQ(i->timeline_position, 0.0f);
}

TEST_F(ActionWorldTest, IfMouseIsTrueOnTheReleaseStep) {
  CInstance* i = StartWith({Entry("thing")});
  EXPECT_EQ(Is(i, "action_if_mouse", {Real(0)}), 1.0);  // no button down
  IO_MsgMouseDown(1, 0, 0);
  IO_Update();
  EXPECT_EQ(Is(i, "action_if_mouse", {Real(1)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_mouse", {Real(0)}), 0.0);
  IO_MsgMouseUp(1, 0, 0);
  IO_Update();
  EXPECT_FALSE(IO_ButtonDown(1, 0));
  EXPECT_EQ(Is(i, "action_if_mouse", {Real(1)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_mouse", {Real(2)}), 0.0);
  IO_Update();
  EXPECT_EQ(Is(i, "action_if_mouse", {Real(1)}), 0.0);
}

TEST_F(ActionWorldTest, InheritedWithoutAParentDoesNothing) {
  StartWith({LoggingObject("thing", {{kEventOther, 11}})});
  static int32_t runs = 0;
  runs = 0;
  OnEvent([](CInstance* self, CInstance*) {
    if (++runs < 5) Call("action_inherited", {}, self);
  });
  ClearLog();
  Event_Perform(Instance(100001), Instance(100001), kEventOther, 11);
  EXPECT_EQ(Log(), (std::vector<std::string>{"7/11 100001"}));
}

TEST_F(ActionWorldTest, IfEmptyAndIfCollisionTestDifferentSets) {
  const int32_t sprite = Square();
  ObjtEntry thing = Entry("thing");
  thing.sprite_index = sprite;
  ObjtEntry wall = thing;
  wall.name = "wall";
  wall.solid = true;
  CInstance* i = StartWith({thing, wall});
  CInstance* other = Command_CreateInstance(0, 200.0f, 100.0f);  // not solid
  ASSERT_NE(other, nullptr);
  // Over the non-solid instance: free of solids, yet meeting an instance.
  EXPECT_EQ(Is(i, "action_if_empty", {Real(200), Real(100), Real(0)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_empty", {Real(200), Real(100), Real(1)}), 0.0);
  EXPECT_EQ(Is(i, "action_if_collision", {Real(200), Real(100), Real(0)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_collision", {Real(200), Real(100), Real(1)}), 0.0);
  EXPECT_EQ(Is(i, "action_if_collision", {Real(100), Real(0), Real(0)}, true), 1.0);  // relative
  EXPECT_EQ(Is(i, "action_if_object", {Real(0), Real(200), Real(100)}), 1.0);
  EXPECT_EQ(Is(i, "action_if_object", {Real(1), Real(200), Real(100)}), 0.0);
}

RValue* AddingScript(CInstance*, CInstance*, RValue* result, int32_t argc, RValue** args) {
  double sum = 0;
  for (int32_t k = 0; k < argc; ++k) sum += args[k]->val;
  RValue_Release(result);
  *result = RValue_MakeReal(sum + 1000 * argc);
  return result;
}
RValue* FailingScript(CInstance*, CInstance*, RValue* result, int32_t, RValue**) {
  VM_RuntimeError("the script failed here");
  return result;
}
const LinkFunction kAddingScript{"adding", reinterpret_cast<void*>(&AddingScript)};
const LinkFunction kFailingScript{"failing", reinterpret_cast<void*>(&FailingScript)};

TEST_F(ActionWorldTest, ExecuteScriptAnswersWithTheScriptsResult) {
  CInstance* i = StartWith({Entry("thing")});
  const char* const names[] = {"adding", "failing"};
  Script_SetNames(names, 2);
  Script_Data(0)->m_pNative = &kAddingScript;
  Script_Data(1)->m_pNative = &kFailingScript;
  // Five arguments always; missing ones are 0.
  EXPECT_EQ(Is(i, "action_execute_script", {Real(0), Real(1), Real(2)}), 5003.0);
  Act(i, "action_execute_script", {Real(1)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "the script failed here");
  Act(i, "action_execute_script", {Real(5)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to execute non-existing script: 5");
  Script_SetNames(nullptr, 0);
}

TEST_F(ActionWorldTest, ReplaceActionsReportAMissingResourceOrFile) {
  const int32_t sprite = Square();
  CInstance* i = StartWith({Entry("thing")});
  const char* const sounds[] = {"bang"};
  Sound_StandInSetNames(sounds, 1);
  const struct {
    const char* name;
    double index;
  } cases[] = {{"action_replace_sprite", static_cast<double>(sprite)}, {"action_replace_sound", 0},
               {"action_replace_background", 0}};
  for (const auto& c : cases) {
    Act(i, c.name, {Real(99), Text("nowhere.png"), Real(1)});
    EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to replace non-existing resource.") << c.name;
  }
  for (const auto& c : cases) {
    if (std::string(c.name) == "action_replace_background") continue;  // no background in this game
    Act(i, c.name, {Real(c.index), Text("nowhere.png"), Real(1)});
    EXPECT_EQ(RuntimeErrorCapture::Take(), "File does not exist.") << c.name;
  }
  Sound_StandInSetNames(nullptr, 0);
}

TEST_F(ActionWorldTest, LegacySoundsPlayStopAndReportMissingOnes) {
  CInstance* i = StartWith({Entry("thing")});
  const char* const sounds[] = {"bang"};
  Sound_StandInSetNames(sounds, 1);
  Act(i, "action_sound", {Real(0), Real(1)});
  EXPECT_TRUE(Sound_IsLooping(0));
  EXPECT_EQ(Is(i, "action_if_sound", {Real(0)}), 1.0);
  Act(i, "action_end_sound", {Real(0)});
  EXPECT_EQ(Is(i, "action_if_sound", {Real(0)}), 0.0);
  EXPECT_EQ(RuntimeErrorCapture::Take(), "");
  Act(i, "action_sound", {Real(3), Real(0)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to play non-existing sound.");
  Act(i, "action_end_sound", {Real(3)});
  EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to stop non-existing sound.");
  EXPECT_EQ(Is(i, "action_if_sound", {Real(3)}), 0.0);
  EXPECT_EQ(Is(i, "action_cd_present", {}), 0.0);
  Sound_StandInSetNames(nullptr, 0);
}

TEST_F(ActionWorldTest, SetCaptionSetsTheSixValues) {
  CInstance* i = StartWith({Entry("thing")});
  g_RunState.showScoreWasSet = false;
  Act(i, "action_set_caption", {Real(0), Text("Points: "), Real(1), Text("Ships: "), Real(1), Real(3)});
  EXPECT_FALSE(g_RunState.showScore);
  EXPECT_TRUE(g_RunState.showLives);
  EXPECT_TRUE(g_RunState.showHealth);
  EXPECT_STREQ(g_RunState.captionScore, "Points: ");
  EXPECT_STREQ(g_RunState.captionLives, "Ships: ");
  EXPECT_EQ(g_RunState.captionHealth, nullptr);
  EXPECT_TRUE(g_RunState.showScoreWasSet);
}

}  // namespace
