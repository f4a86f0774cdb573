// The indices, sizes and flags that the translated code relies on. Everything else about the
// content (pixels, sounds, layouts) is free; these are not.
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "content/content.h"
#include "lumbrix/names.h"

namespace lumbrix_content {

namespace {
namespace c = lumbrix::code;
constexpr int32_t kNone = -100;
}  // namespace

const std::vector<ObjectDef>& Objects() {
  static const std::vector<ObjectDef> objects = {
      {"ob_wire_horizontal", 0, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_horizontal_Create_0}}},
      {"ob_wire_vertical", 1, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_vertical_Create_0}}},
      {"ob_wire_quarter", 2, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_quarter_Create_0}}},
      // The two elbows 3 and 6 show each other's sprite; their Create events follow their names.
      {"ob_wire_elbow_tl", 6, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_elbow_tl_Create_0}}},
      {"ob_wire_elbow_bl", 5, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_elbow_bl_Create_0}}},
      {"ob_wire_diagonal", 19, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_diagonal_Create_0}}},
      {"ob_wire_elbow_tr", 3, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_elbow_tr_Create_0}}},
      {"ob_wire_elbow_br", 4, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_wire_elbow_br_Create_0}}},
      {"ob_wire_reverse_loop", 7, true, 0, false, kNone,
       {{kCreate, 0, c::tll_Object_ob_wire_reverse_loop_Create_0}}},
      {"ob_player", -1, true, 0, false, kNone, {}},
      {"ob_node", -1, true, 0, false, kNone, {}},
      {"ob_edgelist", -1, true, 10, false, kNone, {}},
      {"ob_control", -1, true, 0, true, kNone,
       {{kCreate, 0, c::tll_Object_ob_control_Create_0},
        {kStep, 0, c::tll_Object_ob_control_Step_0},
        {kOther, 4, c::tll_Object_ob_control_Other_4},
        {kDraw, 64, c::tll_Object_ob_control_Draw_64},
        {kDraw, 0, c::tll_Object_ob_control_Draw_0}}},
      {"ob_spawner", -1, false, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_spawner_Create_0}}},
      {"ob_chaser_spawner", 17, false, 0, false, 13, {{kAlarm, 0, c::tll_Object_ob_chaser_spawner_Alarm_0}}},
      {"ob_ghost_spawner", 14, false, 0, false, 13, {{kAlarm, 0, c::tll_Object_ob_ghost_spawner_Alarm_0}}},
      {"ob_player_spawn", 12, false, 5, false, 13, {{kAlarm, 0, c::tll_Object_ob_player_spawn_Alarm_0}}},
      {"ob_text_spawner", -1, true, 0, false, 13, {{kAlarm, 0, c::tll_Object_ob_text_spawner_Alarm_0}}},
      {"ob_turret_spawner", 32, false, 0, false, 13, {{kAlarm, 0, c::tll_Object_ob_turret_spawner_Alarm_0}}},
      {"ob_ghost", -1, true, 0, false, kNone, {}},
      {"ob_button", -1, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_button_Create_0}}},
      {"ob_chip", 8, false, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_chip_Create_0}}},
      {"ob_arrow", 24, true, 0, false, 20, {}},
      {"ob_exit", 35, true, 0, false, 20, {}},
      {"ob_start", 34, true, 0, false, 20, {}},
      {"ob_hack_meter", -1, true, -10, false, kNone,
       {{kCreate, 0, c::tll_Object_ob_hack_meter_Create_0}, {kDraw, 64, c::tll_Object_ob_hack_meter_Draw_64}}},
      {"ob_level_complete", -1, true, 0, false, kNone,
       {{kCreate, 0, c::tll_Object_ob_level_complete_Create_0},
        {kDraw, 64, c::tll_Object_ob_level_complete_Draw_64}}},
      {"ob_text", -1, true, -5, false, kNone,
       {{kCreate, 0, c::tll_Object_ob_text_Create_0},
        {kDestroy, 0, c::tll_Object_ob_text_Destroy_0},
        {kDraw, 64, c::tll_Object_ob_text_Draw_64},
        {kDraw, 0, c::tll_Object_ob_text_Draw_0}}},
      {"ob_particle", -1, true, 0, false, kNone, {{kCreate, 0, c::tll_Object_ob_particle_Create_0}}},
      {"ob_trigger", 18, false, 0, false, kNone,
       {{kCreate, 0, c::tll_Object_ob_trigger_Create_0}, {kStep, 0, c::tll_Object_ob_trigger_Step_0}}},
      {"ob_map_min", -1, true, 0, false, kNone, {}},
      {"ob_map_max", -1, true, 0, false, kNone, {}},
      {"ob_doodad0", 27, true, 0, false, kNone, {}},
      {"ob_doodad1", 29, true, 0, false, kNone, {}},
      {"ob_turret", -1, true, 0, false, kNone, {}},
      {"ob_title_select", 31, true, 0, false, kNone, {}},
      {"ob_level_select", 33, true, 0, false, kNone, {}},
      {"ob_title", 28, true, 0, false, kNone, {}},
  };
  return objects;
}

const std::vector<RoomDef>& Rooms() {
  static const std::vector<RoomDef> rooms = {
      {"rm_first", 1024, 768, 0xC0C0C0, "rm_first"},
      {"rm_menu", 1024, 768, 0x000000, "rm_menu"},
      {"rm_wire_test", 1024, 768, 0xC0C0C0, "rm_wire_test"},
      {"rm_tutorial", 10000, 5000, 0xC0C0C0, "rm_tutorial"},
      {"rm_level2", 5000, 5000, 0x408000, "rm_level2"},
      {"rm_level1", 5000, 5000, 0x408000, "rm_level1"},
      {"rm_levelGuitar", 5000, 5000, 0x408000, "rm_levelGuitar"},
      {"rm_levelCircle", 5000, 5000, 0x408000, "rm_levelCircle"},
      {"rm_level1_new", 5000, 5000, 0x408000, "rm_level1_new"},
      {"rm_levelLasers", 5000, 5000, 0x408000, "rm_levelLasers"},
  };
  return rooms;
}

const std::vector<SpriteDef>& Sprites() {
  static const std::vector<SpriteDef> sprites = {
      {"sp_wire_horizontal", 300, 50, 0, 0, 1},
      {"sp_wire_vertical", 50, 300, 0, 0, 1},
      {"sp_wire_quarter", 300, 150, 0, 0, 1},
      {"sp_wire_elbow_tl", 300, 300, 0, 0, 1},
      {"sp_wire_elbow_br", 300, 300, 0, 0, 1},
      {"sp_wire_elbow_bl", 300, 300, 0, 0, 1},
      {"sp_wire_elbow_tr", 300, 300, 0, 0, 1},
      {"sp_wire_reverse_loop", 250, 200, 0, 0, 1},
      {"sp_chip_marker", 100, 100, 0, 0, 1},
      {"sp_arrow", 57, 54, 28, 27, 1},
      {"sp_exit", 99, 48, 49, 24, 1},
      {"sp_start", 132, 49, 66, 24, 1},
      {"sp_player", 59, 56, 29, 28, 1},
      {"sp_dead", 59, 56, 29, 28, 17},
      {"sp_ghost", 40, 40, 20, 20, 18},
      {"spr_background_tile", 200, 200, 0, 0, 1},
      {"sp_hacker_meter", 147, 85, 0, 0, 1},
      {"sprite18", 32, 32, 16, 16, 1},
      {"sp_trigger", 50, 50, 0, 0, 1},
      {"sp_diagonal", 50, 50, 0, 0, 1},
      {"sp_chip_3x3", 151, 150, 0, 0, 2},
      {"sp_chip_4x3", 200, 150, 0, 0, 2},
      {"sp_chip_4x4", 200, 200, 0, 0, 2},
      {"sp_chip_5x3", 250, 150, 0, 0, 2},
      {"sprite31_TitleLevelSwapArrows", 45, 70, 22, 35, 1},
      {"sp_chip_5x4", 250, 200, 0, 0, 2},
      {"sp_chip_5x5", 250, 250, 0, 0, 2},
      {"sp_doodad0", 50, 50, 0, 0, 1},
      {"sprite32_TitleLogo", 995, 234, 0, 0, 1},
      {"sp_doodad1", 60, 60, 30, 30, 1},
      {"sp_turret", 60, 60, 30, 30, 1},
      {"sprite33_TitleSelectArrow", 41, 74, 0, 0, 1},
      {"sp_turret_deploy", 60, 60, 30, 30, 5},
      {"sp_level", 263, 78, 0, 0, 7},
      {"sp_title_start", 252, 96, 126, 48, 2},
      {"sp_title_abort", 250, 97, 125, 48, 2},
  };
  return sprites;
}

const std::vector<SoundDef>& Sounds() {
  static const std::vector<SoundDef> sounds = {
      {"sn_grind2", "sn_grind2.wav", 0.34f},       {"sn_damage", "sn_damage.wav", 0.28f},
      {"sn_hacked", "sn_hacked.wav", 1.0f},        {"sn_capturing", "sn_capturing.wav", 1.0f},
      // The file name is the one the game was made with; the image is a WAV like the others.
      {"sn_music", "sn_music.mp3", 1.0f},          {"sn_mouse_over", "sn_mouse_over.wav", 1.0f},
      {"sn_death", "sn_death.wav", 0.19f},         {"sn_hack_short", "sn_hack_short.wav", 0.42f},
      {"sn_laser_charging", "sn_laser_charging.wav", 1.0f}, {"sn_laser", "sn_laser.wav", 1.0f},
  };
  return sounds;
}

const std::vector<FontDef>& Fonts() {
  // Pixel sizes are chosen so that the banner with its box and the tutorial's longest line fit
  // a 1024 x 768 window.
  static const std::vector<FontDef> fonts = {
      {"fn_menu", "Courier New CYR", 40, false, "DejaVuSansMono.ttf", 40},
      {"fn_level_complete", "WarText", 80, false, "DejaVuSans.ttf", 64},
      {"fn_tutorial", "Lucida Console", 30, true, "DejaVuSansMono-Bold.ttf", 30},
      {"fn_message", "Lucida Console", 20, true, "DejaVuSansMono-Bold.ttf", 22},
  };
  return fonts;
}

const std::vector<BackgroundDef>& Backgrounds() {
  static const std::vector<BackgroundDef> backgrounds = {
      {"bac_level", 256, 256}, {"bac_refraction_normal", 256, 256}, {"bac_refraction_diffuse", 256, 256}};
  return backgrounds;
}

const std::vector<std::string>& ScriptNames() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out;
#define LUMBRIX_SCRIPT_NAME(name) out.emplace_back(std::string(#name).substr(sizeof("tll_Script_") - 1));
    LUMBRIX_FUNCTIONS(LUMBRIX_SCRIPT_NAME, LUMBRIX_SKIP)
#undef LUMBRIX_SCRIPT_NAME
    return out;
  }();
  return names;
}

int32_t ObjectIndex(const std::string& name) {
  const std::vector<ObjectDef>& objects = Objects();
  for (size_t i = 0; i < objects.size(); ++i) {
    if (name == objects[i].name) return static_cast<int32_t>(i);
  }
  return -1;
}

bool IsWirePiece(int32_t object) { return object >= kWireHorizontal && object <= kWireReverseLoop; }

const std::vector<std::pair<double, double>>& PieceNodes(int32_t object) {
  static const std::vector<std::vector<std::pair<double, double>>> nodes = {
      {{0, 0}, {300, 0}},
      {{0, 0}, {0, 300}},
      {{0, 0}, {150, 0}, {300, 150}},
      {{0, 0}, {150, 0}, {300, 150}, {300, 300}},
      {{0, 0}, {0, 150}, {150, 300}, {300, 300}},
      {{0, 0}, {50, 50}},
      {{0, 300}, {0, 150}, {150, 0}, {300, 0}},
      {{0, 300}, {150, 300}, {300, 150}, {300, 0}},
      {{0, 200}, {200, 200}, {250, 150}, {250, 50}, {200, 0}, {100, 0}, {50, 50}, {50, 100}, {0, 150}},
  };
  static const std::vector<std::pair<double, double>> none;
  return IsWirePiece(object) ? nodes[static_cast<size_t>(object)] : none;
}

bool ParseRoomText(const std::string& text, std::vector<Placed>* out, std::string* error) {
  std::istringstream lines(text);
  std::string line;
  for (int32_t number = 1; std::getline(lines, line); ++number) {
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream fields(line);
    std::string name;
    if (!(fields >> name)) continue;
    Placed p;
    p.object = ObjectIndex(name);
    std::string code = "-";
    std::string angle = "0";
    if (p.object < 0 || !(fields >> p.x >> p.y >> p.xscale >> p.yscale)) {
      *error = "line " + std::to_string(number) + ": expected object x y xscale yscale, got \"" + line + "\"";
      return false;
    }
    fields >> code >> angle;
    char* end = nullptr;
    if (code != "-") {
      p.code = static_cast<int32_t>(std::strtol(code.c_str(), &end, 10));
      if (*end != '\0') {
        *error = "line " + std::to_string(number) + ": bad creation code \"" + code + "\"";
        return false;
      }
    }
    p.angle = std::strtof(angle.c_str(), &end);
    if (*end != '\0') {
      *error = "line " + std::to_string(number) + ": bad angle \"" + angle + "\"";
      return false;
    }
    out->push_back(p);
  }
  return true;
}

}  // namespace lumbrix_content
