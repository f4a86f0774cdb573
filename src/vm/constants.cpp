#include "vm/constants.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/name_index.h"
#include "core/registry_message.h"
#include "vm/script_table.h"
#include "core/value.h"
#include "runtime/runner_options.h"
#include "runtime/game_header.h"

namespace {

const AssetFinder* g_assetFinders = nullptr;
int32_t g_assetFinderCount = 0;

// What the walk over the finders answered for a name, kept while no asset table has changed, so
// a game asking for the same names every step pays one probe instead of one per table.
class AssetAnswers {
 public:
  struct Answer {
    int32_t index;
    int32_t kind;
  };
  template <class Walk>
  Answer Find(const char* name, bool withShaders, Walk&& walk) {
    if (m_generation != NameIndex::Generation()) Forget();
    Answers& answers = m_answers[withShaders ? 1 : 0];
    if (const auto found = answers.find(std::string_view(name)); found != answers.end()) return found->second;
    // Names a game makes up (one per instance, say) would otherwise grow this without end.
    if (answers.size() >= kMostAnswers) answers.clear();
    const Answer answer = walk();
    answers.emplace(name, answer);
    return answer;
  }
  void Forget() {
    m_answers[0].clear();
    m_answers[1].clear();
    m_generation = NameIndex::Generation();
  }

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
  };
  using Answers = std::unordered_map<std::string, Answer, Hash, std::equal_to<>>;
  static constexpr size_t kMostAnswers = 4096;
  Answers m_answers[2];
  uint64_t m_generation = 0;
};
// Made on first use: the hooks that install the finders may run from another file's static
// initialiser, before a namespace-scope table here would have been constructed.
AssetAnswers& TheAssetAnswers() {
  static AssetAnswers answers;
  return answers;
}

struct BuiltinConstant {
  const char* name;
  double value;
};

// Registered in this order.
constexpr BuiltinConstant kBuiltinConstants[] = {
    // instance and scope
    {"self", -1}, {"other", -2}, {"all", -3}, {"noone", -4}, {"global", -5}, {"local", -7},
    // truth and pi (the single-precision value of pi, widened)
    {"true", 1}, {"false", 0}, {"pi", 3.1415927410125732},
    // primitive types
    {"pr_pointlist", 1}, {"pr_linelist", 2}, {"pr_linestrip", 3}, {"pr_trianglelist", 4},
    {"pr_trianglestrip", 5}, {"pr_trianglefan", 6},
    // colours (blue-green-red)
    {"c_aqua", 16776960}, {"c_black", 0}, {"c_blue", 16711680}, {"c_dkgray", 4210752},
    {"c_fuchsia", 16711935}, {"c_gray", 8421504}, {"c_green", 32768}, {"c_lime", 65280},
    {"c_ltgray", 12632256}, {"c_maroon", 128}, {"c_navy", 8388608}, {"c_olive", 32896}, {"c_purple", 8388736},
    {"c_red", 255}, {"c_silver", 12632256}, {"c_teal", 8421376}, {"c_white", 16777215}, {"c_yellow", 65535},
    {"c_orange", 4235519},
    // blend modes
    {"bm_normal", 0}, {"bm_add", 1}, {"bm_max", 2}, {"bm_subtract", 3}, {"bm_zero", 1}, {"bm_one", 2},
    {"bm_src_color", 3}, {"bm_src_colour", 3}, {"bm_inv_src_color", 4}, {"bm_inv_src_colour", 4},
    {"bm_src_alpha", 5}, {"bm_inv_src_alpha", 6}, {"bm_dest_alpha", 7}, {"bm_inv_dest_alpha", 8},
    {"bm_dest_color", 9}, {"bm_dest_colour", 9}, {"bm_inv_dest_colour", 10}, {"bm_src_alpha_sat", 11},
    // sound effects
    {"se_none", 0}, {"se_chorus", 1}, {"se_echo", 2}, {"se_flanger", 4}, {"se_gargle", 8}, {"se_reverb", 16},
    {"se_compressor", 32}, {"se_equalizer", 64},
    // text alignment
    {"fa_left", 0}, {"fa_center", 1}, {"fa_right", 2}, {"fa_top", 0}, {"fa_middle", 1}, {"fa_bottom", 2},
    // mouse buttons
    {"mb_any", -1}, {"mb_none", 0}, {"mb_left", 1}, {"mb_right", 2}, {"mb_middle", 3},
    // keys
    {"vk_nokey", 0}, {"vk_anykey", 1}, {"vk_enter", 13}, {"vk_return", 13}, {"vk_shift", 16},
    {"vk_control", 17}, {"vk_alt", 18}, {"vk_escape", 27}, {"vk_space", 32}, {"vk_backspace", 8},
    {"vk_tab", 9}, {"vk_pause", 19}, {"vk_printscreen", 44}, {"vk_left", 37}, {"vk_right", 39}, {"vk_up", 38},
    {"vk_down", 40}, {"vk_home", 36}, {"vk_end", 35}, {"vk_delete", 46}, {"vk_insert", 45}, {"vk_pageup", 33},
    {"vk_pagedown", 34}, {"vk_f1", 112}, {"vk_f2", 113}, {"vk_f3", 114}, {"vk_f4", 115}, {"vk_f5", 116},
    {"vk_f6", 117}, {"vk_f7", 118}, {"vk_f8", 119}, {"vk_f9", 120}, {"vk_f10", 121}, {"vk_f11", 122},
    {"vk_f12", 123}, {"vk_numpad0", 96}, {"vk_numpad1", 97}, {"vk_numpad2", 98}, {"vk_numpad3", 99},
    {"vk_numpad4", 100}, {"vk_numpad5", 101}, {"vk_numpad6", 102}, {"vk_numpad7", 103}, {"vk_numpad8", 104},
    {"vk_numpad9", 105}, {"vk_divide", 111}, {"vk_multiply", 106}, {"vk_subtract", 109}, {"vk_add", 107},
    {"vk_decimal", 110}, {"vk_lshift", 160}, {"vk_lcontrol", 162}, {"vk_lalt", 164}, {"vk_rshift", 161},
    {"vk_rcontrol", 163}, {"vk_ralt", 165},
    // gamepad
    {"gp_face1", 32769}, {"gp_face2", 32770}, {"gp_face3", 32771}, {"gp_face4", 32772},
    {"gp_shoulderl", 32773}, {"gp_shoulderr", 32774}, {"gp_shoulderlb", 32775}, {"gp_shoulderrb", 32776},
    {"gp_select", 32777}, {"gp_start", 32778}, {"gp_stickl", 32779}, {"gp_stickr", 32780}, {"gp_padu", 32781},
    {"gp_padd", 32782}, {"gp_padl", 32783}, {"gp_padr", 32784}, {"gp_axislh", 32785}, {"gp_axislv", 32786},
    {"gp_axisrh", 32787}, {"gp_axisrv", 32788},
    // event types
    {"ev_create", 0}, {"ev_destroy", 1}, {"ev_step", 3}, {"ev_alarm", 2}, {"ev_keyboard", 5}, {"ev_mouse", 6},
    {"ev_collision", 4}, {"ev_other", 7}, {"ev_draw", 8}, {"ev_keypress", 9}, {"ev_keyrelease", 10},
    // mouse events
    {"ev_left_button", 0}, {"ev_right_button", 1}, {"ev_middle_button", 2}, {"ev_no_button", 3},
    {"ev_left_press", 4}, {"ev_right_press", 5}, {"ev_middle_press", 6}, {"ev_left_release", 7},
    {"ev_right_release", 8}, {"ev_middle_release", 9}, {"ev_mouse_enter", 10}, {"ev_mouse_leave", 11},
    {"ev_global_press", 12}, {"ev_global_release", 13}, {"ev_joystick1_left", 16}, {"ev_joystick1_right", 17},
    {"ev_joystick1_up", 18}, {"ev_joystick1_down", 19}, {"ev_joystick1_button1", 21},
    {"ev_joystick1_button2", 22}, {"ev_joystick1_button3", 23}, {"ev_joystick1_button4", 24},
    {"ev_joystick1_button5", 25}, {"ev_joystick1_button6", 26}, {"ev_joystick1_button7", 27},
    {"ev_joystick1_button8", 28}, {"ev_joystick2_left", 31}, {"ev_joystick2_right", 32},
    {"ev_joystick2_up", 33}, {"ev_joystick2_down", 34}, {"ev_joystick2_button1", 36},
    {"ev_joystick2_button2", 37}, {"ev_joystick2_button3", 38}, {"ev_joystick2_button4", 39},
    {"ev_joystick2_button5", 40}, {"ev_joystick2_button6", 41}, {"ev_joystick2_button7", 42},
    {"ev_joystick2_button8", 43}, {"ev_global_left_button", 50}, {"ev_global_right_button", 51},
    {"ev_global_middle_button", 52}, {"ev_global_left_press", 53}, {"ev_global_right_press", 54},
    {"ev_global_middle_press", 55}, {"ev_global_left_release", 56}, {"ev_global_right_release", 57},
    {"ev_global_middle_release", 58}, {"ev_mouse_wheel_up", 60}, {"ev_mouse_wheel_down", 61},
    // other events
    {"ev_outside", 0}, {"ev_boundary", 1}, {"ev_game_start", 2}, {"ev_game_end", 3}, {"ev_room_start", 4},
    {"ev_room_end", 5}, {"ev_no_more_lives", 6}, {"ev_animation_end", 7}, {"ev_end_of_path", 8},
    {"ev_no_more_health", 9}, {"ev_user0", 10}, {"ev_user1", 11}, {"ev_user2", 12}, {"ev_user3", 13},
    {"ev_user4", 14}, {"ev_user5", 15}, {"ev_user6", 16}, {"ev_user7", 17}, {"ev_user8", 18},
    {"ev_user9", 19}, {"ev_user10", 20}, {"ev_user11", 21}, {"ev_user12", 22}, {"ev_user13", 23},
    {"ev_user14", 24}, {"ev_user15", 25}, {"ev_close_button", 30}, {"ev_step_normal", 0},
    {"ev_step_begin", 1}, {"ev_step_end", 2}, {"ev_gui", 64},
    // argument types and calls
    {"ty_real", 0}, {"ty_string", 1}, {"dll_cdecl", 0}, {"dll_stdcall", 1},
    // file attributes
    {"fa_readonly", 1}, {"fa_hidden", 2}, {"fa_sysfile", 4}, {"fa_volumeid", 8}, {"fa_directory", 16},
    {"fa_archive", 32},
    // cursors
    {"cr_default", 0}, {"cr_none", -1}, {"cr_arrow", -2}, {"cr_cross", -3}, {"cr_beam", -4},
    {"cr_size_nesw", -6}, {"cr_size_ns", -7}, {"cr_size_nwse", -8}, {"cr_size_we", -9}, {"cr_uparrow", -10},
    {"cr_hourglass", -11}, {"cr_drag", -12}, {"cr_nodrop", -13}, {"cr_hsplit", -14}, {"cr_vsplit", -15},
    {"cr_multidrag", -16}, {"cr_sqlwait", -17}, {"cr_no", -18}, {"cr_appstart", -19}, {"cr_help", -20},
    {"cr_handpoint", -21}, {"cr_size_all", -22},
    // particle shapes
    {"pt_shape_pixel", 0}, {"pt_shape_disk", 1}, {"pt_shape_square", 2}, {"pt_shape_line", 3},
    {"pt_shape_star", 4}, {"pt_shape_circle", 5}, {"pt_shape_ring", 6}, {"pt_shape_sphere", 7},
    {"pt_shape_flare", 8}, {"pt_shape_spark", 9}, {"pt_shape_explosion", 10}, {"pt_shape_cloud", 11},
    {"pt_shape_smoke", 12}, {"pt_shape_snow", 13},
    // particle systems
    {"ps_distr_linear", 0}, {"ps_distr_gaussian", 1}, {"ps_distr_invgaussian", 2}, {"ps_shape_rectangle", 0},
    {"ps_shape_ellipse", 1}, {"ps_shape_diamond", 2}, {"ps_shape_line", 3}, {"ps_force_constant", 0},
    {"ps_force_linear", 1}, {"ps_force_quadratic", 2}, {"ps_deflect_vertical", 0},
    {"ps_deflect_horizontal", 1}, {"ps_change_all", 0}, {"ps_change_shape", 1}, {"ps_change_motion", 2},
    // effects
    {"ef_explosion", 0}, {"ef_ring", 1}, {"ef_ellipse", 2}, {"ef_firework", 3}, {"ef_smoke", 4},
    {"ef_smokeup", 5}, {"ef_star", 6}, {"ef_spark", 7}, {"ef_flare", 8}, {"ef_cloud", 9}, {"ef_rain", 10},
    {"ef_snow", 11},
    // display orientation
    {"display_landscape", 0}, {"display_portrait", 1}, {"display_landscape_flipped", 2},
    {"display_portrait_flipped", 3},
    // physics
    {"phy_joint_anchor_1_x", 0}, {"phy_joint_anchor_1_y", 1}, {"phy_joint_anchor_2_x", 2},
    {"phy_joint_anchor_2_y", 3}, {"phy_joint_reaction_force_x", 4}, {"phy_joint_reaction_force_y", 5},
    {"phy_joint_reaction_torque", 6}, {"phy_joint_angle", 8}, {"phy_joint_motor_speed", 7},
    {"phy_joint_motor_torque", 9}, {"phy_joint_max_motor_torque", 10}, {"phy_joint_translation", 11},
    {"phy_joint_speed", 12}, {"phy_joint_motor_force", 13}, {"phy_joint_max_motor_force", 14},
    {"phy_joint_length_1", 15}, {"phy_joint_length_2", 16}, {"phy_joint_damping_ratio", 17},
    {"phy_joint_frequency", 18}, {"phy_debug_render_shapes", 1}, {"phy_debug_render_joints", 2},
    {"phy_debug_render_coms", 4}, {"phy_debug_render_aabb", 8}, {"phy_debug_render_obb", 16},
    {"phy_debug_render_core_shapes", 32}, {"phy_debug_render_collision_pairs", 64},
    // audio
    {"audio_falloff_none", 0}, {"audio_falloff_inverse_distance", 1},
    {"audio_falloff_inverse_distance_clamped", 2}, {"audio_falloff_linear_distance", 3},
    {"audio_falloff_linear_distance_clamped", 4}, {"audio_falloff_exponent_distance", 5},
    {"audio_falloff_exponent_distance_clamped", 6}, {"audio_old_system", 0}, {"audio_new_system", 1},
    {"audio_mono", 0}, {"audio_stereo", 1}, {"audio_3d", 2},
    // store overlay and leaderboards
    {"ov_friends", 0}, {"ov_community", 1}, {"ov_players", 2}, {"ov_settings", 3}, {"ov_gamegroup", 4},
    {"ov_achievements", 5}, {"lb_sort_none", 0}, {"lb_sort_ascending", 1}, {"lb_sort_descending", 2},
    {"lb_disp_none", 0}, {"lb_disp_numeric", 1}, {"lb_disp_time_sec", 2}, {"lb_disp_time_ms", 3},
    // user-generated content
    {"ugc_result_success", 1}, {"ugc_filetype_community", 0}, {"ugc_filetype_microtrans", 1},
    {"ugc_visibility_public", 0}, {"ugc_visibility_friends_only", 1}, {"ugc_visibility_private", 2},
    {"ugc_query_RankedByVote", 0}, {"ugc_query_RankedByPublicationDate", 1},
    {"ugc_query_AcceptedForGameRankedByAcceptanceDate", 2}, {"ugc_query_RankedByTrend", 3},
    {"ugc_query_FavoritedByFriendsRankedByPublicationDate", 4},
    {"ugc_query_CreatedByFriendsRankedByPublicationDate", 5}, {"ugc_query_RankedByNumTimesReported", 6},
    {"ugc_query_CreatedByFollowedUsersRankedByPublicationDate", 7}, {"ugc_query_NotYetRated", 8},
    {"ugc_query_RankedByTotalVotesAsc", 9}, {"ugc_query_RankedByVotesUp", 10},
    {"ugc_query_RankedByTextSearch", 11}, {"ugc_sortorder_CreationOrderDesc", 0},
    {"ugc_sortorder_CreationOrderAsc", 1}, {"ugc_sortorder_TitleAsc", 2},
    {"ugc_sortorder_LastUpdatedDesc", 3}, {"ugc_sortorder_SubscriptionDateDesc", 4},
    {"ugc_sortorder_VoteScoreDesc", 5}, {"ugc_sortorder_ForModeration", 6}, {"ugc_list_Published", 0},
    {"ugc_list_VotedOn", 1}, {"ugc_list_VotedUp", 2}, {"ugc_list_VotedDown", 3},
    {"ugc_list_WillVoteLater", 4}, {"ugc_list_Favorited", 5}, {"ugc_list_Subscribed", 6},
    {"ugc_list_UsedOrPlayed", 7}, {"ugc_list_Followed", 8}, {"ugc_match_Items", 0},
    {"ugc_match_Items_Mtx", 1}, {"ugc_match_Items_ReadyToUse", 2}, {"ugc_match_Collections", 3},
    {"ugc_match_Artwork", 4}, {"ugc_match_Videos", 5}, {"ugc_match_Screenshots", 6},
    {"ugc_match_AllGuides", 7}, {"ugc_match_WebGuides", 8}, {"ugc_match_IntegratedGuides", 9},
    {"ugc_match_UsableInGame", 10}, {"ugc_match_ControllerBindings", 11},
    // time zones
    {"timezone_local", 0}, {"timezone_utc", 1},
    // operating systems
    {"os_unknown", -1}, {"os_win32", 0}, {"os_windows", 0}, {"os_macosx", 1}, {"os_psp", 2}, {"os_ios", 3},
    {"os_android", 4}, {"os_symbian", 5}, {"os_linux", 6}, {"os_winphone", 7}, {"os_tizen", 8},
    {"os_win8native", 9}, {"os_wiiu", 10}, {"os_3ds", 11}, {"os_psvita", 12}, {"os_bb10", 13}, {"os_ps4", 14},
    {"os_xboxone", 15}, {"os_ps3", 16}, {"os_xbox360", 17}, {"os_uwp", 18}, {"os_amazon", 19},
    {"os_llvm_win32", 65536}, {"os_llvm_macosx", 65537}, {"os_llvm_psp", 65538}, {"os_llvm_ios", 65539},
    {"os_llvm_android", 65540}, {"os_llvm_symbian", 65541}, {"os_llvm_linux", 65542},
    {"os_llvm_winphone", 65543},
    // devices
    {"device_ios_unknown", -1}, {"device_ios_iphone", 0}, {"device_ios_iphone_retina", 1},
    {"device_ios_ipad", 2}, {"device_ios_ipad_retina", 3}, {"device_ios_iphone5", 4},
    {"device_emulator", 256}, {"device_tablet", 2},
    // browsers
    {"browser_not_a_browser", -1}, {"browser_unknown", 0}, {"browser_ie", 1}, {"browser_firefox", 2},
    {"browser_chrome", 3}, {"browser_safari", 4}, {"browser_safari_mobile", 5}, {"browser_opera", 6},
    {"browser_android_default", 7}, {"browser_windows_store", 8}, {"browser_tizen", 9},
    {"browser_ie_mobile", 10},
    // challenges and achievements
    {"of_challenge_win", 0}, {"of_challenge_lose", 1}, {"of_challenge_tie", 2},
    {"leaderboard_type_number", 0}, {"leaderboard_type_time_mins_secs", 1}, {"achievement_our_info", 1002},
    {"achievement_friends_info", 1003}, {"achievement_leaderboard_info", 1004},
    {"achievement_achievement_info", 1005}, {"achievement_pic_loaded", 1006},
    {"achievement_challenge_completed", 1007}, {"achievement_challenge_completed_by_remote", 1008},
    {"achievement_challenge_received", 1009}, {"achievement_challenge_list_received", 1010},
    {"achievement_challenge_launched", 1011}, {"achievement_filter_all_players", 0},
    {"achievement_filter_friends_only", 1}, {"achievement_filter_favorites_only", 2},
    {"achievement_type_achievement_challenge", 0}, {"achievement_type_achievement_score", 1},
    // asset kinds
    {"asset_unknown", -1}, {"asset_object", 0}, {"asset_sprite", 1}, {"asset_sound", 2}, {"asset_room", 3},
    {"asset_background", 4}, {"asset_path", 5}, {"asset_script", 6}, {"asset_font", 7}, {"asset_timeline", 8},
    // data-structure kinds
    {"ds_type_map", 1}, {"ds_type_list", 2}, {"ds_type_stack", 3}, {"ds_type_queue", 4}, {"ds_type_grid", 5},
    {"ds_type_priority", 6},
    // social login
    {"fb_login_default", 0}, {"fb_login_fallback_to_webview", 1}, {"fb_login_no_fallback_to_webview", 2},
    {"fb_login_forcing_webview", 3}, {"fb_login_use_system_account", 4}, {"fb_login_forcing_safari", 5},
};

std::vector<char*> g_names;    // memory-manager copies
// Parallel to the names. A deque keeps every value where it was made: an array value remembers
// the address of the value that owns it.
std::deque<RValue> g_values;

char* CopyText(const char* text, size_t n) {
  auto* copy = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, false));
  std::memcpy(copy, text, n);
  copy[n] = '\0';
  return copy;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (AsciiLower(*a) != AsciiLower(*b)) return false;
  }
  return *a == *b;
}

// The newest entry of exactly that name, -1 when none.
int32_t FindExact(const char* name) {
  for (size_t i = g_names.size(); i-- > 0;) {
    if (std::strcmp(g_names[i], name) == 0) return static_cast<int32_t>(i);
  }
  return -1;
}

bool IsBlank(char c) { return static_cast<signed char>(c) <= 32; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }


// What a game or extension constant's value text stands for; false when it is none of a number,
// a quoted text or a known constant's name.
bool EvaluateValueText(const char* text, RValue* out) {
  const size_t n = std::strlen(text);
  if (n == 0) return false;
  if (IsDigit(text[0]) || text[0] == '.' || text[0] == '+' || text[0] == '-') {
    char* end = nullptr;
    const double d = std::strtod(text, &end);
    if (end != text && *end == '\0' && std::isfinite(d)) {
      RValue_Release(out);
      *out = RValue_MakeReal(d);
      return true;
    }
    return false;
  }
  if (n >= 2 && (text[0] == '"' || text[0] == '\'') && text[n - 1] == text[0]) {
    char* inside = CopyText(text + 1, n - 2);
    RValue_SetString(out, inside);
    MemoryManager_Free(inside);
    return true;
  }
  const int32_t known = FindExact(text);
  if (known < 0) return false;
  RValue_Assign(out, &g_values[static_cast<size_t>(known)]);
  return true;
}

}  // namespace

int32_t Constant_FindAsset(const char* name, bool withShaders, int32_t* kind) {
  if (kind != nullptr) *kind = kAssetNone;
  if (name == nullptr) return -1;
  const AssetAnswers::Answer answer = TheAssetAnswers().Find(name, withShaders, [&] {
    for (int32_t i = 0; i < g_assetFinderCount; ++i) {
      const AssetFinder& finder = g_assetFinders[i];
      if (!withShaders && finder.kind == kAssetShader) continue;
      const int32_t index = finder.find(name);
      if (index >= 0) return AssetAnswers::Answer{index, finder.kind};
    }
    return AssetAnswers::Answer{-1, kAssetNone};
  });
  if (kind != nullptr) *kind = answer.kind;
  return answer.index;
}

void Constant_SetAssetFinders(const AssetFinder* finders, int32_t count) {
  g_assetFinders = finders;
  g_assetFinderCount = finders != nullptr ? count : 0;
  TheAssetAnswers().Forget();
}

void Constant_Add(const char* name, const RValue* value) {
  const char* text = name != nullptr ? name : "";
  g_names.push_back(CopyText(text, std::strlen(text)));
  g_values.push_back(RValue_MakeUndefined());
  RValue_Assign(&g_values.back(), value);
}

void Constant_AddReal(const char* name, double value) {
  const RValue v = RValue_MakeReal(value);
  Constant_Add(name, &v);
}

const RValue* Constant_Lookup(const char* name) {
  if (name == nullptr) return nullptr;
  for (size_t i = g_names.size(); i-- > 0;) {
    if (EqualIgnoringCase(g_names[i], name)) return &g_values[i];
  }
  return nullptr;
}

bool Constant_Find(const char* name, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeReal(-1.0);
  if (name == nullptr) return false;
  const int32_t asset = Constant_FindAsset(name, true, nullptr);
  if (asset >= 0) {
    out->val = static_cast<double>(asset);
    return true;
  }
  const int32_t constant = FindExact(name);
  if (constant < 0) return false;
  RValue_Assign(out, &g_values[static_cast<size_t>(constant)]);
  return true;
}

bool Constant_IsValidName(const char* name) {
  if (name == nullptr || name[0] == '\0') return false;
  if (!IsLetter(name[0]) && name[0] != '_') return false;
  for (const char* p = name + 1; *p != '\0'; ++p) {
    if (!IsLetter(*p) && !IsDigit(*p) && *p != '_') return false;
  }
  return true;
}

bool Constant_AddUser(const char* nameText, const char* valueText) {
  char* name = nullptr;
  String_TrimCopy(&name, nameText != nullptr ? nameText : "");
  if (!Constant_IsValidName(name)) {
    char message[1024];
    std::snprintf(message, sizeof message, "Constant name %s  is not valid.", name);
    Registry_ShowMessage(message);
    MemoryManager_Free(name);
    return false;
  }
  char* text = nullptr;
  String_TrimCopy(&text, valueText != nullptr ? valueText : "");
  RValue value = RValue_MakeReal(0.0);
  if (!EvaluateValueText(text, &value)) {
    Console_DebugOutput("Constant %s: value \"%s\" is not a number, a quoted text or a known constant; it is 0\n",
                        name, text);
  }
  Constant_Add(name, &value);
  RValue_Release(&value);
  MemoryManager_Free(text);
  MemoryManager_Free(name);
  return true;
}

bool Constant_Prepare() {
  const GameOptions& options = g_GameOptions;
  for (size_t i = 0; i < options.constantNames.size(); ++i) {
    const char* value = i < options.constantValues.size() ? options.constantValues[i].c_str() : "";
    if (!Constant_AddUser(options.constantNames[i].c_str(), value)) return false;
  }
  return true;
}

void Constant_InitBuiltins() {
  for (const BuiltinConstant& c : kBuiltinConstants) {
    if (g_RunnerOptions.restrictedExternals &&
        (std::strcmp(c.name, "dll_cdecl") == 0 || std::strcmp(c.name, "dll_stdcall") == 0)) {
      continue;
    }
    Constant_AddReal(c.name, c.value);
  }
}

void Constant_Free() {
  for (char* name : g_names) MemoryManager_Free(name);
  for (RValue& value : g_values) RValue_Release(&value);
  g_names.clear();
  g_values.clear();
  g_names.shrink_to_fit();
}

int32_t Constant_Count() { return static_cast<int32_t>(g_names.size()); }

void String_TrimCopy(char** target, const char* text) {
  MemoryManager_Free(*target);
  *target = nullptr;
  if (text == nullptr) return;
  const char* begin = text;
  while (*begin != '\0' && IsBlank(*begin)) ++begin;
  const char* end = begin + std::strlen(begin);
  while (end > begin && IsBlank(end[-1])) --end;
  *target = CopyText(begin, static_cast<size_t>(end - begin));
}
