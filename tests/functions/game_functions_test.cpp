// The game group of script functions: its registration, the plane-geometry tests, move_wrap, the
// motion-planning path check, transitions and the room order.
#include <cmath>
#include <string>
#include <vector>

#include "world/game_call.h"
#include "world/world_driver.h"

namespace {

using game_call::Call;

class GameFunctionsTest : public RegistryTest {};

TEST_F(GameFunctionsTest, TheNinetyOneFunctionsInTheirOrderWithTheirCounts) {
  const std::pair<const char*, int32_t> expected[] = {
      {"move_random", 2}, {"place_free", 2}, {"place_empty", 2}, {"place_meeting", 3}, {"place_snapped", 2},
      {"move_snap", 2}, {"move_towards_point", 3}, {"move_contact", 1}, {"move_contact_solid", 2},
      {"move_contact_all", 2}, {"move_outside_solid", 2}, {"move_outside_all", 2}, {"move_bounce", 1},
      {"move_bounce_solid", 1}, {"move_bounce_all", 1}, {"move_wrap", 3}, {"motion_set", 2}, {"motion_add", 2},
      {"distance_to_point", 2}, {"distance_to_object", 1}, {"path_start", 4}, {"path_end", 0},
      {"mp_linear_step", 4}, {"mp_linear_path", 5}, {"mp_linear_step_object", 4}, {"mp_linear_path_object", 5},
      {"mp_potential_settings", 4}, {"mp_potential_step", 4}, {"mp_potential_path", 6},
      {"mp_potential_step_object", 4}, {"mp_potential_path_object", 6}, {"mp_grid_create", 6},
      {"mp_grid_destroy", 1}, {"mp_grid_clear_all", 1}, {"mp_grid_clear_cell", 3}, {"mp_grid_clear_rectangle", 5},
      {"mp_grid_add_cell", 3}, {"mp_grid_get_cell", 3}, {"mp_grid_add_rectangle", 5}, {"mp_grid_add_instances", 3},
      {"mp_grid_path", 7}, {"mp_grid_draw", 1}, {"mp_grid_to_ds_grid", 2}, {"collision_point", 5},
      {"collision_rectangle", 7}, {"collision_circle", 6}, {"collision_ellipse", 7}, {"collision_line", 7},
      {"instance_find", 2}, {"instance_exists", 1}, {"instance_number", 1}, {"instance_position", 3},
      {"instance_nearest", 3}, {"instance_furthest", 3}, {"instance_place", 3}, {"instance_create", 3},
      {"instance_copy", 1}, {"instance_change", 2}, {"instance_destroy", 0}, {"instance_sprite", 1},
      {"position_empty", 2}, {"position_meeting", 3}, {"position_destroy", 2}, {"position_change", 4},
      {"instance_deactivate_all", 1}, {"instance_deactivate_object", 1}, {"instance_deactivate_region", 6},
      {"instance_activate_all", 0}, {"instance_activate_object", 1}, {"instance_activate_region", 5},
      {"room_goto", 1}, {"room_goto_previous", 0}, {"room_goto_next", 0}, {"room_previous", 1}, {"room_next", 1},
      {"room_restart", 0}, {"game_end", 0}, {"game_restart", 0}, {"game_load", 1}, {"game_save", 1},
      {"game_save_buffer", 1}, {"game_load_buffer", 1}, {"transition_define", 2}, {"transition_exists", 1},
      {"sleep", 1}, {"point_in_rectangle", 6}, {"point_in_triangle", 8}, {"point_in_circle", 5},
      {"rectangle_in_rectangle", 8}, {"rectangle_in_triangle", 10}, {"rectangle_in_circle", 7},
  };
  static_assert(std::size(expected) == 91);
  InitGameFunctions();
  ASSERT_EQ(g_BuiltinCount, 91);
  for (int32_t k = 0; k < 91; ++k) {
    EXPECT_STREQ(g_BuiltinFunctions[k].name, expected[k].first) << k;
    EXPECT_EQ(g_BuiltinFunctions[k].argumentCount, expected[k].second) << expected[k].first;
    EXPECT_NE(g_BuiltinFunctions[k].handler, nullptr) << expected[k].first;
  }
  // move_bounce and move_bounce_solid are one handler; move_bounce_all is another.
  EXPECT_EQ(g_BuiltinFunctions[12].handler, g_BuiltinFunctions[13].handler);
  EXPECT_NE(g_BuiltinFunctions[13].handler, g_BuiltinFunctions[14].handler);
}

TEST_F(GameFunctionsTest, Geometry) {
  InitGameFunctions();
  const struct {
    const char* name;
    std::vector<double> args;
    double answer;
  } cases[] = {
      {"point_in_rectangle", {5, 5, 0, 0, 10, 10}, 1},
      {"point_in_rectangle", {10, 10, 0, 0, 10, 10}, 1},
      {"point_in_rectangle", {5, 5, 10, 10, 0, 0}, 0},  // corners are not reordered
      {"point_in_triangle", {0, 0, 0, 0, 10, 0, 0, 10}, 1},  // the first corner
      {"point_in_triangle", {5, 5, 0, 0, 10, 0, 0, 10}, 0},  // middle of the second-to-third edge
      {"point_in_triangle", {2, 2, 0, 0, 10, 0, 0, 10}, 1},
      {"point_in_triangle", {-1, 2, 0, 0, 10, 0, 0, 10}, 0},
      {"point_in_circle", {3, 4, 0, 0, 5}, 1},
      {"point_in_circle", {3, 4.1, 0, 0, 5}, 0},
      {"rectangle_in_rectangle", {0, 0, 10, 10, 10, 10, 20, 20}, 2},
      {"rectangle_in_rectangle", {2, 2, 4, 4, 0, 0, 10, 10}, 1},
      {"rectangle_in_rectangle", {4, 4, 2, 2, 10, 10, 0, 0}, 1},  // both normalised
      {"rectangle_in_rectangle", {0, 0, 10, 10, 2, 2, 4, 4}, 2},
      {"rectangle_in_rectangle", {0, 0, 10, 10, 11, 0, 20, 10}, 0},
      {"rectangle_in_triangle", {1, 1, 2, 2, 0, 0, 10, 0, 0, 10}, 1},
      {"rectangle_in_triangle", {1, 1, 8, 8, 0, 0, 10, 0, 0, 10}, 2},
      {"rectangle_in_triangle", {-10, -10, 20, 20, 0, 0, 10, 0, 0, 10}, 0},  // the triangle inside
      {"rectangle_in_circle", {0, 0, 10, 10, 5, 5, 8}, 1},
      {"rectangle_in_circle", {0, 0, 10, 10, 5, 5, 3}, 2},
      {"rectangle_in_circle", {0, 0, 10, 10, 20, 20, 3}, 0},
  };
  for (const auto& c : cases) {
    std::string trace = c.name;
    for (double a : c.args) trace += " " + std::to_string(a);
    SCOPED_TRACE(trace);
    int32_t id = -1;
    ASSERT_TRUE(Builtin_FindCallable(c.name, &id));
    std::vector<RValue> values;
    for (double a : c.args) values.push_back(RValue_MakeReal(a));
    RValue result = RValue_MakeUndefined();
    g_BuiltinFunctions[id].handler(&result, nullptr, nullptr, static_cast<int32_t>(values.size()), values.data());
    ASSERT_EQ(RValue_Kind(&result), VALUE_REAL);
    EXPECT_EQ(result.val, c.answer);
  }
}

class GameFunctionsWorldTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    game_call::Register();
  }
};

TEST_F(GameFunctionsWorldTest, MoveWrapKeepsTheFractionOfThePosition) {
  container::RoomEntry room{.name = "wide", .width = 640, .height = 480};
  room.instances = {{.x = 0, .y = 0, .object = 0, .id = 100001}};
  const container::ObjtEntry objects[] = {Entry("thing")};
  Start(std::span(&room, 1), objects);
  CInstance* i = Instance(100001);
  i->SetPosition(-0.5f, -3.0f);
  Call("move_wrap", i, nullptr, {1, 0, 0});
  EXPECT_FLOAT_EQ(i->x, 639.5f);
  EXPECT_FLOAT_EQ(i->y, -3.0f);  // vertical wrapping was not asked for
  i->SetPosition(650.0f, 500.0f);
  Call("move_wrap", i, nullptr, {1, 1, 5});
  EXPECT_FLOAT_EQ(i->x, 0.0f);    // 650 > 645: 650 - 640 - 10
  EXPECT_FLOAT_EQ(i->y, 10.0f);   // 500 > 485: 500 - 480 - 10
}

TEST_F(GameFunctionsWorldTest, PathPlannersCheckTheirPathTransitionsAndTheRoomOrder) {
  const container::RoomEntry rooms[] = {{.name = "first"}, {.name = "second"}, {.name = "third"}};
  const container::ObjtEntry objects[] = {Entry("thing")};
  Start(rooms, objects);
  RuntimeErrorCapture::Reset();
  EXPECT_TRUE(std::isnan(Call("mp_linear_path", nullptr, nullptr, {7, 10, 10, 2, 1})));
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "Trying to assign to a non-existing path.");
  RuntimeErrorCapture::Reset();
  EXPECT_TRUE(std::isnan(Call("mp_grid_path", nullptr, nullptr, {0, 7, 0, 0, 10, 10, 1})));
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "Trying to assign to a non-existing path.");

  EXPECT_EQ(Call("transition_exists", nullptr, nullptr, {0}), -1);
  EXPECT_EQ(Call("transition_define", nullptr, nullptr, {0, 0}), -1);

  EXPECT_EQ(Call("room_previous", nullptr, nullptr, {0}), -1);
  EXPECT_EQ(Call("room_previous", nullptr, nullptr, {2}), 1);
  EXPECT_EQ(Call("room_next", nullptr, nullptr, {0}), 1);
  EXPECT_EQ(Call("room_next", nullptr, nullptr, {2}), -1);
  EXPECT_EQ(Call("room_next", nullptr, nullptr, {9}), -1);
}

}  // namespace
