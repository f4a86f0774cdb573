// Lumbrix's link record: its counts, its name tables against the game's own lists, and how the
// runner binds them when it loads the game.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "core/function_registry.h"
#include "game_fixture.h"
#include "runtime/container.h"
#include "runtime/link_record.h"
#include "vm/variable_names.h"

namespace {

// The lists as the game's documentation gives them; starred names are built-in variables.
constexpr const char* kVariables =
    "id*, edgelist, edgelistT, forward, wireSpeed, chipAccel, jumpEdgelist, jumpEdgelistT, jumpT, jumpSpeedT, "
    "chip, chipHspeed, chipVspeed, chipFriction, chipEnterTimer, chipEnterTimerLength, faceDir, size, hp, "
    "invulnTimer, invulnTimerLength, invulnBlinkTimer, invulnBlinkTimerLength, deadTimer, deadTimerLength, "
    "grindSound, levelComplete, _x, _y, x0, y0, hackPercent, hackScale, x*, y*, width, height, playerX, playerY, "
    "_edgelist, _edgelistT, view_angle*, object_index*, list, type, x1, y1, cheat, frameCount, sprite_index*, "
    "color, image_blend*, image_angle*, image_alpha*, chipNodeTarget, screenShakeTimerLength, screenShakeTimer, "
    "levelEndTimerLength, levelEndTimer, bgMusic, wireType, _distance, menuLevelUnlocked, final_surface, surf, "
    "viewX, viewY, viewAngle, viewScale, menuLevelCurrent, menuLevelTotal, screenShakeX, screenShakeY, "
    "screenShakeAngle, levelCompleteTimer, levelCompleteTimerLength, bgMusicMuted, levelCurrent, "
    "minimapPortSize, view_wport*, minimapX, view_hport*, minimapY, minimapViewSize, minimapSurf, levelRoom, "
    "mouse_x*, mouse_y*, image_index*, levelAdd, scale, view_enabled*, view_visible*, room_speed*, "
    "musicStartTimer, room*, view_wview*, view_xview*, view_hview*, view_yview*, detail, drawGui, text, timer, "
    "image_yscale*, timerLength, deployTimer, deployTimerLength, range, shootTimer, chargeTimer, turnSpeed, "
    "chargeTimerLength, chargeSound, shootTimerLength, active, image_xscale*, alarm*, foward, script";

constexpr const char* kBuiltins =
    "audio_play_sound, audio_stop_sound, point_distance, string, sprite_get_number, floor, angle_difference, "
    "ds_list_size, point_in_rectangle, clamp, ds_list_find_value, frac, show_message, ds_list_create, "
    "ds_list_copy, ds_list_insert, ds_list_add, instance_find, ds_list_destroy, draw_line_width, draw_circle, "
    "ini_key_exists, ini_close, surface_create, texture_set_interpolation, room_goto, sprite_get_width, "
    "sprite_get_height, mouse_check_button_pressed, keyboard_check_pressed, audio_sound_gain, draw_sprite, "
    "surface_exists, draw_surface, draw_clear_alpha, draw_line, draw_text, draw_sprite_tiled, sqrt, "
    "draw_roundrect_ext, round, string_width, string_height, sin, draw_roundrect, string_copy, string_length, "
    "surface_free, draw_surface_ext, surface_get_width, surface_get_height, asset_get_index";

// By code index; "a..b" ranges are written out.
constexpr const char* kFunctions =
    "Script_ob_node_create, Script_ob_player_create, Script_ob_player_step, Script_ob_player_draw, "
    "Script_ob_player_wire_movement, Script_player_wire_move, Script_player_get_pos, Script_player_jump, "
    "Script_player_check_chip_leave, Script_player_chip_enter, Script_player_damaged, "
    "Script_player_get_wire_speed, Script_player_get_direction_predict, Script_player_get_direction, "
    "Script_player_get_jump_pos, Script_edgelist_get_pos, Script_ob_edgelist_create, "
    "Script_edgelist_get_nearest, Script_edgelist_get_direction, Script_edgelist_destroy, "
    "Script_edgelist_is_index_oob, Script_edgelist_draw_outline, Script_ob_edgelist_draw, "
    "Script_point_line_distance, Script_nearest_line_point, Script_vector_side_of, Script_direction_to_vector, "
    "Script_nearest_line_t, Script_ob_control_create, Script_control_menu_step, Script_ob_control_room_start, "
    "Script_control_check_win, Script_control_get_player, Script_ob_control_draw_gui, "
    "Script_control_update_minimap, Script_control_ghost_collisions, Script_ob_control_step, "
    "Script_ob_control_draw, Script_edge_length, Script_coord_to_minimap, Script_ghost_set_node_target, "
    "Script_chips_remaining, Script_point_in_chip, Script_chip_get_nearest, Script_chip_get_sprite, "
    "Script_chip_draw_outline, Script_ob_chip_draw, Script_ob_ghost_create, Script_ob_ghost_step, "
    "Script_ob_ghost_draw, Script_draw_lightning, Script_key_left_pressed, Script_key_right_pressed, "
    "Script_ob_text_create, Script_key_left, Script_tutorial0, Script_tutorial1, Script_tutorial2, "
    "Script_tutorial3, Script_tutorial4, Script_tutorial5, Script_tutorial6, Script_key_up, Script_key_down, "
    "Script_key_right, Script_ob_particle_draw, Script_ob_turret_draw, Script_ob_turret_step, "
    "Script_ob_turret_create, Object_ob_wire_horizontal_Create_0, Object_ob_wire_vertical_Create_0, "
    "Object_ob_wire_quarter_Create_0, Object_ob_wire_elbow_tl_Create_0, Object_ob_wire_elbow_bl_Create_0, "
    "Object_ob_wire_diagonal_Create_0, Object_ob_wire_elbow_tr_Create_0, Object_ob_wire_elbow_br_Create_0, "
    "Object_ob_wire_reverse_loop_Create_0, Object_ob_control_Create_0, Object_ob_control_Step_0, "
    "Object_ob_control_Other_4, Object_ob_control_Draw_64, Object_ob_control_Draw_0, Object_ob_spawner_Create_0, "
    "Object_ob_chaser_spawner_Alarm_0, Object_ob_ghost_spawner_Alarm_0, Object_ob_player_spawn_Alarm_0, "
    "Object_ob_text_spawner_Alarm_0, Object_ob_turret_spawner_Alarm_0, Object_ob_button_Create_0, "
    "Object_ob_chip_Create_0, Object_ob_hack_meter_Create_0, Object_ob_hack_meter_Draw_64, "
    "Object_ob_level_complete_Create_0, Object_ob_level_complete_Draw_64, Object_ob_text_Create_0, "
    "Object_ob_text_Destroy_0, Object_ob_text_Draw_64, Object_ob_text_Draw_0, Object_ob_particle_Create_0, "
    "Object_ob_trigger_Create_0, Object_ob_trigger_Step_0, RoomCC_rm_menu_102_Create, RoomCC_rm_menu_103_Create, "
    "RoomCC_rm_tutorial_104_Create, RoomCC_rm_tutorial_105_Create, RoomCC_rm_tutorial_106_Create, "
    "RoomCC_rm_tutorial_107_Create, RoomCC_rm_tutorial_108_Create, RoomCC_rm_tutorial_109_Create, "
    "RoomCC_rm_tutorial_110_Create, RoomCC_rm_tutorial_111_Create, RoomCC_rm_tutorial_112_Create, "
    "RoomCC_rm_tutorial_113_Create, RoomCC_rm_tutorial_114_Create, RoomCC_rm_level1_115_Create";

std::vector<std::string> Split(const char* list) {
  std::vector<std::string> names;
  std::istringstream in(list);
  for (std::string name; std::getline(in, name, ',');) names.push_back(name.substr(name.find_first_not_of(' ')));
  return names;
}

std::vector<std::string> LinkNames(LinkName** table) {
  std::vector<std::string> names;
  for (LinkName** link = table; *link != nullptr; ++link) names.emplace_back((*link)->name);
  return names;
}

std::string Unstarred(std::string name) {
  if (name.back() == '*') name.pop_back();
  return name;
}

TEST(LumbrixLinkRecord, HoldsTheContainerTheCountsAndTheTablesInTheGamesOrder) {
  GameLinkRecord record;
  lumbrix::FillLinkRecord(&record);

  // The embedded container is whole: its size word covers exactly what the record says.
  ASSERT_NE(record.data, nullptr);
  ASSERT_GE(record.dataSize, 8u);
  EXPECT_EQ(std::memcmp(record.data, "FORM", 4), 0);
  EXPECT_EQ(Container_U32(record.data + 4) + 8, record.dataSize);

  EXPECT_EQ(record.globalCount, 5);
  EXPECT_EQ(record.instanceCount, 90);
  EXPECT_EQ(record.functionCount, 116);

  std::vector<std::string> variables;
  for (const std::string& name : Split(kVariables)) variables.push_back(Unstarred(name));
  EXPECT_EQ(LinkNames(record.variables), variables);
  EXPECT_EQ(LinkNames(record.builtins), Split(kBuiltins));

  const std::vector<std::string> functions = Split(kFunctions);
  ASSERT_EQ(functions.size(), 116u);
  for (int32_t i = 0; i < record.functionCount; ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(record.functions[i].name, nullptr);
    EXPECT_EQ(record.functions[i].name, "tll_" + functions[i]);
    EXPECT_NE(record.functions[i].function, nullptr);
  }
}

// The fixed indices the game's code uses are the order of the user names in the variable table,
// counted separately for instance and global variables.
TEST(LumbrixLinkRecord, FixedIndicesCountUserNamesSeparatelyForInstanceAndGlobal) {
  const std::vector<std::string> globals = {"_x", "_y", "_edgelist", "_edgelistT", "_distance"};
  std::map<std::string, int32_t> expected;
  int32_t instance = 0;
  int32_t global = 0;
  for (const std::string& entry : Split(kVariables)) {
    if (entry.back() == '*') continue;
    const bool isGlobal = std::find(globals.begin(), globals.end(), entry) != globals.end();
    expected[entry] = isGlobal ? global++ : instance++;
  }
  EXPECT_EQ(instance, lumbrix::inst::kCount);
  EXPECT_EQ(global, lumbrix::glob::kCount);
  const std::pair<const char*, int32_t> cases[] = {
      {"edgelist", lumbrix::inst::edgelist}, {"x0", lumbrix::inst::x0},         {"width", lumbrix::inst::width},
      {"levelRoom", lumbrix::inst::levelRoom}, {"foward", lumbrix::inst::foward}, {"script", lumbrix::inst::script},
      {"_x", lumbrix::glob::_x},             {"_edgelistT", lumbrix::glob::_edgelistT},
      {"_distance", lumbrix::glob::_distance},
  };
  for (const auto& [name, index] : cases) EXPECT_EQ(expected.at(name), index) << name;
  const std::vector<std::string> functions = Split(kFunctions);
  EXPECT_EQ(functions[lumbrix::code::tll_Script_key_left], "Script_key_left");
  EXPECT_EQ(functions[lumbrix::code::tll_Object_ob_trigger_Step_0], "Object_ob_trigger_Step_0");
  EXPECT_EQ(functions[lumbrix::code::tll_RoomCC_rm_menu_102_Create], "RoomCC_rm_menu_102_Create");
}

using LumbrixBindingTest = LumbrixGameTest;

TEST_F(LumbrixBindingTest, TheBuiltInContainerWinsAndEveryLinkIsBound) {
  // The game path is the program's own, not the named file beside which a data.win lies.
  EXPECT_STREQ(g_pGameFilePath, Win32_GetExePath());
  GameLinkRecord record;
  lumbrix::FillLinkRecord(&record);
  ASSERT_EQ(Game_ContainerSize(), record.dataSize);
  // A copy: loading rewrites parts of it in place, and the program's own stays as built.
  EXPECT_NE(Game_Container(), record.data);
  EXPECT_EQ(std::memcmp(Game_Container(), record.data, 8), 0);
  EXPECT_EQ(Game_Data().codeEntryCount, 116);

  int32_t user = 0;
  for (LinkName** link = record.variables; *link != nullptr; ++link) {
    const LinkName& v = **link;
    SCOPED_TRACE(v.name);
    const int32_t builtin = Variable_BuiltinFind(v.name);
    if (builtin >= 0) {
      EXPECT_LT(v.slot, 10000);
      EXPECT_EQ(v.slot, builtin);
    } else {
      EXPECT_EQ(v.slot, 100000 + user);
      ++user;
    }
  }
  EXPECT_EQ(user, 95);

  for (LinkName** link = record.builtins; *link != nullptr; ++link) {
    const LinkName& f = **link;
    SCOPED_TRACE(f.name);
    ASSERT_GE(f.slot, 0);
    ASSERT_LT(f.slot, g_BuiltinCount);
    EXPECT_STREQ(g_BuiltinFunctions[f.slot].name, f.name);
    EXPECT_NE(g_BuiltinFunctions[f.slot].handler, nullptr);
  }
}

}  // namespace
