// Lumbrix's names as its translated code knows them: the variables and built-in functions it
// binds through the link record, and its 116 functions by code index.
//
// Each list is a macro over the entries in table order, so that the tables, the fixed indices and
// the declarations are made from one list and cannot drift apart.
#pragma once

#include <cstdint>

#include "runtime/link_record.h"

class CInstance;
struct RValue;

// Every name the code uses as a variable, in the order of first use: B a built-in variable, I an
// instance variable, G a global variable.
#define LUMBRIX_VARIABLES(B, I, G) \
  B(id) I(edgelist) I(edgelistT) I(forward) I(wireSpeed) I(chipAccel) I(jumpEdgelist) \
  I(jumpEdgelistT) I(jumpT) I(jumpSpeedT) I(chip) I(chipHspeed) I(chipVspeed) I(chipFriction) \
  I(chipEnterTimer) I(chipEnterTimerLength) I(faceDir) I(size) I(hp) I(invulnTimer) \
  I(invulnTimerLength) I(invulnBlinkTimer) I(invulnBlinkTimerLength) I(deadTimer) \
  I(deadTimerLength) I(grindSound) I(levelComplete) G(_x) G(_y) I(x0) I(y0) I(hackPercent) \
  I(hackScale) B(x) B(y) I(width) I(height) I(playerX) I(playerY) G(_edgelist) G(_edgelistT) \
  B(view_angle) B(object_index) I(list) I(type) I(x1) I(y1) I(cheat) I(frameCount) \
  B(sprite_index) I(color) B(image_blend) B(image_angle) B(image_alpha) I(chipNodeTarget) \
  I(screenShakeTimerLength) I(screenShakeTimer) I(levelEndTimerLength) I(levelEndTimer) \
  I(bgMusic) I(wireType) G(_distance) I(menuLevelUnlocked) I(final_surface) I(surf) I(viewX) \
  I(viewY) I(viewAngle) I(viewScale) I(menuLevelCurrent) I(menuLevelTotal) I(screenShakeX) \
  I(screenShakeY) I(screenShakeAngle) I(levelCompleteTimer) I(levelCompleteTimerLength) \
  I(bgMusicMuted) I(levelCurrent) I(minimapPortSize) B(view_wport) I(minimapX) B(view_hport) \
  I(minimapY) I(minimapViewSize) I(minimapSurf) I(levelRoom) B(mouse_x) B(mouse_y) B(image_index) \
  I(levelAdd) I(scale) B(view_enabled) B(view_visible) B(room_speed) I(musicStartTimer) B(room) \
  B(view_wview) B(view_xview) B(view_hview) B(view_yview) I(detail) I(drawGui) I(text) I(timer) \
  B(image_yscale) I(timerLength) I(deployTimer) I(deployTimerLength) I(range) I(shootTimer) \
  I(chargeTimer) I(turnSpeed) I(chargeTimerLength) I(chargeSound) I(shootTimerLength) I(active) \
  B(image_xscale) B(alarm) I(foward) I(script)

// Every built-in function the code calls through the general call path, in table order.
#define LUMBRIX_BUILTINS(X) \
  X(audio_play_sound) X(audio_stop_sound) X(point_distance) X(string) X(sprite_get_number) \
  X(floor) X(angle_difference) X(ds_list_size) X(point_in_rectangle) X(clamp) \
  X(ds_list_find_value) X(frac) X(show_message) X(ds_list_create) X(ds_list_copy) \
  X(ds_list_insert) X(ds_list_add) X(instance_find) X(ds_list_destroy) X(draw_line_width) \
  X(draw_circle) X(ini_key_exists) X(ini_close) X(surface_create) X(texture_set_interpolation) \
  X(room_goto) X(sprite_get_width) X(sprite_get_height) X(mouse_check_button_pressed) \
  X(keyboard_check_pressed) X(audio_sound_gain) X(draw_sprite) X(surface_exists) X(draw_surface) \
  X(draw_clear_alpha) X(draw_line) X(draw_text) X(draw_sprite_tiled) X(sqrt) \
  X(draw_roundrect_ext) X(round) X(string_width) X(string_height) X(sin) X(draw_roundrect) \
  X(string_copy) X(string_length) X(surface_free) X(draw_surface_ext) X(surface_get_width) \
  X(surface_get_height) X(asset_get_index)

// The functions by code index: S a script, E an object event or instance creation code.
#define LUMBRIX_FUNCTIONS(S, E) \
  S(tll_Script_ob_node_create) /* 0 */ \
  S(tll_Script_ob_player_create) /* 1 */ \
  S(tll_Script_ob_player_step) /* 2 */ \
  S(tll_Script_ob_player_draw) /* 3 */ \
  S(tll_Script_ob_player_wire_movement) /* 4 */ \
  S(tll_Script_player_wire_move) /* 5 */ \
  S(tll_Script_player_get_pos) /* 6 */ \
  S(tll_Script_player_jump) /* 7 */ \
  S(tll_Script_player_check_chip_leave) /* 8 */ \
  S(tll_Script_player_chip_enter) /* 9 */ \
  S(tll_Script_player_damaged) /* 10 */ \
  S(tll_Script_player_get_wire_speed) /* 11 */ \
  S(tll_Script_player_get_direction_predict) /* 12 */ \
  S(tll_Script_player_get_direction) /* 13 */ \
  S(tll_Script_player_get_jump_pos) /* 14 */ \
  S(tll_Script_edgelist_get_pos) /* 15 */ \
  S(tll_Script_ob_edgelist_create) /* 16 */ \
  S(tll_Script_edgelist_get_nearest) /* 17 */ \
  S(tll_Script_edgelist_get_direction) /* 18 */ \
  S(tll_Script_edgelist_destroy) /* 19 */ \
  S(tll_Script_edgelist_is_index_oob) /* 20 */ \
  S(tll_Script_edgelist_draw_outline) /* 21 */ \
  S(tll_Script_ob_edgelist_draw) /* 22 */ \
  S(tll_Script_point_line_distance) /* 23 */ \
  S(tll_Script_nearest_line_point) /* 24 */ \
  S(tll_Script_vector_side_of) /* 25 */ \
  S(tll_Script_direction_to_vector) /* 26 */ \
  S(tll_Script_nearest_line_t) /* 27 */ \
  S(tll_Script_ob_control_create) /* 28 */ \
  S(tll_Script_control_menu_step) /* 29 */ \
  S(tll_Script_ob_control_room_start) /* 30 */ \
  S(tll_Script_control_check_win) /* 31 */ \
  S(tll_Script_control_get_player) /* 32 */ \
  S(tll_Script_ob_control_draw_gui) /* 33 */ \
  S(tll_Script_control_update_minimap) /* 34 */ \
  S(tll_Script_control_ghost_collisions) /* 35 */ \
  S(tll_Script_ob_control_step) /* 36 */ \
  S(tll_Script_ob_control_draw) /* 37 */ \
  S(tll_Script_edge_length) /* 38 */ \
  S(tll_Script_coord_to_minimap) /* 39 */ \
  S(tll_Script_ghost_set_node_target) /* 40 */ \
  S(tll_Script_chips_remaining) /* 41 */ \
  S(tll_Script_point_in_chip) /* 42 */ \
  S(tll_Script_chip_get_nearest) /* 43 */ \
  S(tll_Script_chip_get_sprite) /* 44 */ \
  S(tll_Script_chip_draw_outline) /* 45 */ \
  S(tll_Script_ob_chip_draw) /* 46 */ \
  S(tll_Script_ob_ghost_create) /* 47 */ \
  S(tll_Script_ob_ghost_step) /* 48 */ \
  S(tll_Script_ob_ghost_draw) /* 49 */ \
  S(tll_Script_draw_lightning) /* 50 */ \
  S(tll_Script_key_left_pressed) /* 51 */ \
  S(tll_Script_key_right_pressed) /* 52 */ \
  S(tll_Script_ob_text_create) /* 53 */ \
  S(tll_Script_key_left) /* 54 */ \
  S(tll_Script_tutorial0) /* 55 */ \
  S(tll_Script_tutorial1) /* 56 */ \
  S(tll_Script_tutorial2) /* 57 */ \
  S(tll_Script_tutorial3) /* 58 */ \
  S(tll_Script_tutorial4) /* 59 */ \
  S(tll_Script_tutorial5) /* 60 */ \
  S(tll_Script_tutorial6) /* 61 */ \
  S(tll_Script_key_up) /* 62 */ \
  S(tll_Script_key_down) /* 63 */ \
  S(tll_Script_key_right) /* 64 */ \
  S(tll_Script_ob_particle_draw) /* 65 */ \
  S(tll_Script_ob_turret_draw) /* 66 */ \
  S(tll_Script_ob_turret_step) /* 67 */ \
  S(tll_Script_ob_turret_create) /* 68 */ \
  E(tll_Object_ob_wire_horizontal_Create_0) /* 69 */ \
  E(tll_Object_ob_wire_vertical_Create_0) /* 70 */ \
  E(tll_Object_ob_wire_quarter_Create_0) /* 71 */ \
  E(tll_Object_ob_wire_elbow_tl_Create_0) /* 72 */ \
  E(tll_Object_ob_wire_elbow_bl_Create_0) /* 73 */ \
  E(tll_Object_ob_wire_diagonal_Create_0) /* 74 */ \
  E(tll_Object_ob_wire_elbow_tr_Create_0) /* 75 */ \
  E(tll_Object_ob_wire_elbow_br_Create_0) /* 76 */ \
  E(tll_Object_ob_wire_reverse_loop_Create_0) /* 77 */ \
  E(tll_Object_ob_control_Create_0) /* 78 */ \
  E(tll_Object_ob_control_Step_0) /* 79 */ \
  E(tll_Object_ob_control_Other_4) /* 80 */ \
  E(tll_Object_ob_control_Draw_64) /* 81 */ \
  E(tll_Object_ob_control_Draw_0) /* 82 */ \
  E(tll_Object_ob_spawner_Create_0) /* 83 */ \
  E(tll_Object_ob_chaser_spawner_Alarm_0) /* 84 */ \
  E(tll_Object_ob_ghost_spawner_Alarm_0) /* 85 */ \
  E(tll_Object_ob_player_spawn_Alarm_0) /* 86 */ \
  E(tll_Object_ob_text_spawner_Alarm_0) /* 87 */ \
  E(tll_Object_ob_turret_spawner_Alarm_0) /* 88 */ \
  E(tll_Object_ob_button_Create_0) /* 89 */ \
  E(tll_Object_ob_chip_Create_0) /* 90 */ \
  E(tll_Object_ob_hack_meter_Create_0) /* 91 */ \
  E(tll_Object_ob_hack_meter_Draw_64) /* 92 */ \
  E(tll_Object_ob_level_complete_Create_0) /* 93 */ \
  E(tll_Object_ob_level_complete_Draw_64) /* 94 */ \
  E(tll_Object_ob_text_Create_0) /* 95 */ \
  E(tll_Object_ob_text_Destroy_0) /* 96 */ \
  E(tll_Object_ob_text_Draw_64) /* 97 */ \
  E(tll_Object_ob_text_Draw_0) /* 98 */ \
  E(tll_Object_ob_particle_Create_0) /* 99 */ \
  E(tll_Object_ob_trigger_Create_0) /* 100 */ \
  E(tll_Object_ob_trigger_Step_0) /* 101 */ \
  E(tll_RoomCC_rm_menu_102_Create) /* 102 */ \
  E(tll_RoomCC_rm_menu_103_Create) /* 103 */ \
  E(tll_RoomCC_rm_tutorial_104_Create) /* 104 */ \
  E(tll_RoomCC_rm_tutorial_105_Create) /* 105 */ \
  E(tll_RoomCC_rm_tutorial_106_Create) /* 106 */ \
  E(tll_RoomCC_rm_tutorial_107_Create) /* 107 */ \
  E(tll_RoomCC_rm_tutorial_108_Create) /* 108 */ \
  E(tll_RoomCC_rm_tutorial_109_Create) /* 109 */ \
  E(tll_RoomCC_rm_tutorial_110_Create) /* 110 */ \
  E(tll_RoomCC_rm_tutorial_111_Create) /* 111 */ \
  E(tll_RoomCC_rm_tutorial_112_Create) /* 112 */ \
  E(tll_RoomCC_rm_tutorial_113_Create) /* 113 */ \
  E(tll_RoomCC_rm_tutorial_114_Create) /* 114 */ \
  E(tll_RoomCC_rm_level1_115_Create) /* 115 */

#define LUMBRIX_SKIP(name)
#define LUMBRIX_ENUMERATE(name) name,
#define LUMBRIX_DECLARE_LINK(name) extern LinkName name;
#define LUMBRIX_DECLARE_SCRIPT(name) RValue* name(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args);
#define LUMBRIX_DECLARE_EVENT(name) void name(CInstance* self, CInstance* other);

LUMBRIX_FUNCTIONS(LUMBRIX_DECLARE_SCRIPT, LUMBRIX_DECLARE_EVENT)

namespace lumbrix {

// A user variable's fixed index in its value array: the instance's for `inst`, the global
// object's for `glob`. The binding does not change these.
namespace inst {
enum : int32_t { LUMBRIX_VARIABLES(LUMBRIX_SKIP, LUMBRIX_ENUMERATE, LUMBRIX_SKIP) kCount };
}
namespace glob {
enum : int32_t { LUMBRIX_VARIABLES(LUMBRIX_SKIP, LUMBRIX_SKIP, LUMBRIX_ENUMERATE) kCount };
}

// The links of built-in variables (`var`) and built-in functions (`fn`), whose slots the loader
// binds.
namespace var {
LUMBRIX_VARIABLES(LUMBRIX_DECLARE_LINK, LUMBRIX_SKIP, LUMBRIX_SKIP)
}
namespace fn {
LUMBRIX_BUILTINS(LUMBRIX_DECLARE_LINK)
}

// Code indices: scripts 0-68, object events 69-101, instance creation codes 102-115.
namespace code {
enum : int32_t { LUMBRIX_FUNCTIONS(LUMBRIX_ENUMERATE, LUMBRIX_ENUMERATE) kCount };
}

inline constexpr int32_t kScriptCount = 69;

// Fills the record: the built-in container, the counts and the three tables.
void FillLinkRecord(GameLinkRecord* record);
// Makes the game the runner's: the record provider that RunnerLoadGame asks.
void Install();

}  // namespace lumbrix
