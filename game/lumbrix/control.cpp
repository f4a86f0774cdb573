// The controller: the one persistent instance that runs the game. It sends the game to the menu,
// sets every room up, steps the player, the ghosts and the turrets (which have no step events of
// their own), follows the player with a camera that turns and zooms, shakes the screen, plays the
// music, and ends a level on a win or a death, keeping the unlocked level in the save file.
//
// Each of its events calls one script with the controller's id; the scripts run their statements
// in a with block over that argument, so they run as the controller.
#include <cmath>

#include "functions/ini_functions.h"
#include "functions/math_geometry.h"
#include "functions/math_numeric.h"
#include "functions/random.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "world/commands.h"
#include "world/queries.h"

using namespace lumbrix;

namespace {

constexpr const char* kSaveFile = "saveData.ini";
constexpr const char* kSaveSection = "data";
constexpr const char* kSaveKey = "unlocked";

// The room of each level, in menu order.
constexpr double kLevelRooms[] = {3, 6, 7, 5, 9, 4};

void SetView(CInstance* self, const LinkName& variable, double d) { tll::Set(self, variable, tll::Real(d), 0); }

bool Create(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  SetOwn(self, inst::menuLevelUnlocked, 1);
  frame.Line(3);
  F_IniOpen(kSaveFile);
  frame.Line(4);
  const tll::Text section(kSaveSection);
  const tll::Text key(kSaveKey);
  if (tll::Truth(*tll::Call(self, other, &s_unit, fn::ini_key_exists, section.value, key.value))) {
    frame.Line(5);
    SetOwn(self, inst::menuLevelUnlocked, F_IniReadReal(kSaveSection, kSaveKey, 1));
  }
  frame.Line(6);
  Do(self, other, fn::ini_close);
  frame.Line(8);
  SetOwn(self, inst::viewAngle, 0);
  SetOwn(self, inst::viewScale, 1.2);
  SetOwn(self, inst::menuLevelCurrent, 0);
  SetOwn(self, inst::menuLevelTotal, 6);
  SetOwn(self, inst::levelEndTimer, 0);
  SetOwn(self, inst::levelEndTimerLength, 180);
  SetOwn(self, inst::screenShakeTimer, 0);
  SetOwn(self, inst::screenShakeTimerLength, 10);
  SetOwn(self, inst::screenShakeX, 0);
  SetOwn(self, inst::screenShakeY, 0);
  SetOwn(self, inst::screenShakeAngle, 0);
  SetOwn(self, inst::levelCompleteTimer, 0);
  SetOwn(self, inst::levelCompleteTimerLength, 240);
  SetOwn(self, inst::bgMusic, -1);
  SetOwn(self, inst::bgMusicMuted, 0);
  SetOwn(self, inst::levelComplete, 0);
  SetOwn(self, inst::levelCurrent, -1);
  SetOwn(self, inst::frameCount, 0);
  frame.Line(28);
  SetOwn(self, inst::minimapPortSize, 200);
  SetOwn(self, inst::minimapX, ViewOf(self, var::view_wport) - 200);
  SetOwn(self, inst::minimapY, ViewOf(self, var::view_hport) - 200);
  SetOwn(self, inst::minimapViewSize, 4000);
  SetOwn(self, inst::minimapSurf, Fn(self, other, fn::surface_create, 200, 200));
  frame.Line(34);
  for (int32_t i = 0; i < 6; ++i) {
    tll::SetReal(RValue_ElementForWrite(&tll::Own(self, inst::levelRoom), i), kLevelRooms[i]);
  }
  frame.Line(41);
  // Sprites are sampled smoothly in the whole game: the camera turns and zooms.
  Do(self, other, fn::texture_set_interpolation, 1);
  frame.Line(42);
  Do(self, other, fn::room_goto, kRmMenu);
  return false;
}

bool RoomStart(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  tll::Set(self, var::view_enabled, tll::Real(1));
  SetView(self, var::view_visible, 1);
  // Every room runs at 60 steps a second, whatever its definition says.
  tll::Set(self, var::room_speed, tll::Real(60));
  frame.Line(5);
  SetOwn(self, inst::musicStartTimer, 60);
  frame.Line(6);
  if (!tll::Equal(OwnNum(self, inst::bgMusic), -1)) {
    frame.Line(7);
    Do(self, other, fn::audio_stop_sound, OwnNum(self, inst::bgMusic));
    SetOwn(self, inst::bgMusic, -1);
  }
  frame.Line(10);
  F_InstanceCreate(0.0f, 0.0f, kObHackMeter);
  frame.Line(11);
  SetOwn(self, inst::levelComplete, 0);
  return false;
}

// The camera's heading follows the player's direction of travel, averaged over a stretch of wire
// around it so that it turns smoothly through bends.
void TurnCamera(tll::Frame& frame, CInstance* self, CInstance* other, int32_t player) {
  frame.Line(24);
  double sx = 0;
  double sy = 0;
  for (int32_t i = 0; i < 100; ++i) {
    frame.Line(25);
    const double t = Of(player, inst::edgelistT) - 0.5 + i / 99.0;
    const double d = Run(tll_Script_player_get_direction_predict, self, other, player, Of(player, inst::edgelist), t);
    frame.Line(26);
    Run(tll_Script_direction_to_vector, self, other, d);
    sx += tll::Num(tll::Global(glob::_x));
    sy += tll::Num(tll::Global(glob::_y));
  }
  frame.Line(28);
  const double target = F_PointDirection(0.0f, 0.0f, static_cast<float>(sx), static_cast<float>(sy));
  const double a = Fn(self, other, fn::angle_difference, OwnNum(self, inst::viewAngle), target);
  frame.Line(29);
  AddOwn(self, inst::viewAngle, -a / 20);
  frame.Line(30);
  if (Greater(std::fabs(a), 5)) {
    AddOwn(self, inst::viewAngle, -F_Sign(a) * 2);
  } else {
    AddOwn(self, inst::viewAngle, -a);
  }
}

// The camera on a living player: heading, position with the shake, and the zoom, closer inside a
// chip; the view keeps the port's aspect.
void FollowPlayer(tll::Frame& frame, CInstance* self, CInstance* other, int32_t player) {
  frame.Line(21);
  if (!tll::Positive(Of(player, inst::hp)) && !tll::Positive(OwnNum(self, inst::levelEndTimer))) {
    frame.Line(22);
    Do(self, other, fn::room_goto, kRmMenu);
  }
  TurnCamera(frame, self, other, player);
  frame.Line(34);
  SetView(self, var::view_angle, 90 - OwnNum(self, inst::viewAngle) + OwnNum(self, inst::screenShakeAngle));
  frame.Line(35);
  Run(tll_Script_player_get_pos, self, other, player);
  frame.Line(36);
  SetView(self, var::view_xview,
          tll::Num(tll::Global(glob::_x)) - ViewOf(self, var::view_wview) / 2 + OwnNum(self, inst::screenShakeX));
  SetView(self, var::view_yview,
          tll::Num(tll::Global(glob::_y)) - ViewOf(self, var::view_hview) / 2 + OwnNum(self, inst::screenShakeY));
  frame.Line(38);
  const double step = tll::Equal(Of(player, inst::chip), -1) ? 0.01 : -0.01;
  SetOwn(self, inst::viewScale, Fn(self, other, fn::clamp, OwnNum(self, inst::viewScale) + step, 1, 1.2));
  frame.Line(42);
  const double wport = ViewOf(self, var::view_wport);
  const double hport = ViewOf(self, var::view_hport);
  const double scale = OwnNum(self, inst::viewScale);
  SetView(self, var::view_wview, wport * scale * wport / hport);
  SetView(self, var::view_hview, hport * scale * wport / hport);
}

void LevelStep(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(6);
  const int32_t player = tll::Int(Run(tll_Script_control_get_player, self, other, self->id));
  {
    tll::With with(&self, &other, player);
    if (with.Any()) {
      do {
        Run(tll_Script_ob_player_step, self, other, self->id, 1);
      } while (with.Next());
    }
  }
  frame.Line(8);
  Run(tll_Script_control_ghost_collisions, self, other, self->id);
  {
    tll::With with(&self, &other, kObGhost);
    if (with.Any()) {
      do {
        Run(tll_Script_ob_ghost_step, self, other, self->id, 1);
      } while (with.Next());
    }
  }
  {
    tll::With with(&self, &other, kObTurret);
    if (with.Any()) {
      do {
        Run(tll_Script_ob_turret_step, self, other, self->id);
      } while (with.Next());
    }
  }
  frame.Line(11);
  // A won level returns to the menu once the banner's time has run out, with the next level
  // selected and unlocked.
  if (!tll::Positive(OwnNum(self, inst::levelCompleteTimer)) && tll::Truth(Of(kObControl, inst::levelComplete))) {
    frame.Line(12);
    SetOwn(self, inst::menuLevelUnlocked,
           tll::Min(tll::Max(OwnNum(self, inst::levelCurrent) + 1, OwnNum(self, inst::menuLevelUnlocked)),
                    OwnNum(self, inst::menuLevelTotal)));
    SetOwn(self, inst::menuLevelCurrent, OwnNum(self, inst::menuLevelUnlocked));
    Do(self, other, fn::room_goto, kRmMenu);
  }
  frame.Line(15);
  if (tll::Positive(OwnNum(self, inst::screenShakeTimer))) {
    frame.Line(16);
    AddOwn(self, inst::screenShakeX, F_Random(10) - 5);
    AddOwn(self, inst::screenShakeY, F_Random(10) - 5);
    AddOwn(self, inst::screenShakeAngle, (F_Random(10) - 5) * 0.2);
  }
  frame.Line(19);
  SetOwn(self, inst::screenShakeX, OwnNum(self, inst::screenShakeX) * 0.8);
  SetOwn(self, inst::screenShakeY, OwnNum(self, inst::screenShakeY) * 0.8);
  SetOwn(self, inst::screenShakeAngle, OwnNum(self, inst::screenShakeAngle) * 0.8);
  frame.Line(20);
  if (F_InstanceExists(self, other, player)) FollowPlayer(frame, self, other, player);
  frame.Line(46);
  if (tll::Negative(OwnNum(self, inst::musicStartTimer)) && tll::Equal(OwnNum(self, inst::bgMusic), -1) &&
      tll::Equal(OwnNum(self, inst::bgMusicMuted), 0)) {
    frame.Line(47);
    SetOwn(self, inst::bgMusic, Fn(self, other, fn::audio_play_sound, kSnMusic, 100, 1));
  }
  frame.Line(49);
  Run(tll_Script_control_update_minimap, self, other, self->id);
}

bool Step(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  if (tll::Equal(Builtin(self, var::room), kRmMenu)) {
    frame.Line(3);
    Run(tll_Script_control_menu_step, self, other, self->id);
    frame.Line(4);
    // A grinding sound still going when its level ended stops here.
    Do(self, other, fn::audio_stop_sound, kSnGrind);
  } else {
    LevelStep(frame, self, other);
  }
  frame.Line(51);
  // The timers run on below zero.
  AddOwn(self, inst::levelCompleteTimer, -1);
  AddOwn(self, inst::levelEndTimer, -1);
  AddOwn(self, inst::musicStartTimer, -1);
  AddOwn(self, inst::screenShakeTimer, -1);
  AddOwn(self, inst::frameCount, 1);
  return false;
}

bool CheckWin(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  {
    tll::With chips(&self, &other, kObChip);
    if (chips.Any()) {
      do {
        frame.Line(3);
        if (Less(OwnNum(self, inst::hackPercent), 100)) return true;
      } while (chips.Next());
    }
  }
  frame.Line(5);
  SetOwn(self, inst::levelComplete, 1);
  frame.Line(6);
  {
    tll::With players(&self, &other, kObPlayer);
    if (players.Any()) {
      do {
        frame.Line(7);
        if (!tll::Equal(OwnNum(self, inst::grindSound), -1)) {
          Do(self, other, fn::audio_stop_sound, OwnNum(self, inst::grindSound));
          SetOwn(self, inst::grindSound, -1);
        }
      } while (players.Next());
    }
  }
  frame.Line(11);
  F_InstanceCreate(0.0f, 0.0f, kObLevelComplete);
  frame.Line(12);
  // The stored level never falls: replaying an earlier level keeps what later wins unlocked.
  F_IniOpen(kSaveFile);
  F_IniWriteReal(kSaveSection, kSaveKey,
                 tll::Max(OwnNum(self, inst::menuLevelCurrent) + 1, OwnNum(self, inst::menuLevelUnlocked)));
  Do(self, other, fn::ini_close);
  frame.Line(15);
  Do(self, other, fn::audio_play_sound, kSnHackShort, 1, 0);
  frame.Line(16);
  // The music fades out over the banner's time.
  Do(self, other, fn::audio_sound_gain, OwnNum(self, inst::bgMusic), 0,
     OwnNum(self, inst::levelCompleteTimerLength) * 1000 / Builtin(self, var::room_speed));
  frame.Line(17);
  SetOwn(self, inst::levelCompleteTimer, OwnNum(self, inst::levelCompleteTimerLength));
  return false;
}

// Two ghosts closer than 20 pixels move apart, each by half the overlap along the line between
// them. Only a pair whose later ghost chases (type not 0) and which share a chip, or the wires.
void SeparateGhosts(tll::Frame& frame, CInstance* a, CInstance* b) {
  frame.Line(4);
  if (tll::Equal(OwnNum(b, inst::type), 0) || b->id <= a->id ||
      !tll::Equal(OwnNum(b, inst::chip), OwnNum(a, inst::chip))) {
    return;
  }
  frame.Line(5);
  Run(tll_Script_player_get_pos, b, a, b->id);
  const double x1 = tll::Num(tll::Global(glob::_x));
  const double y1 = tll::Num(tll::Global(glob::_y));
  frame.Line(6);
  Run(tll_Script_player_get_pos, b, a, a->id);
  const double x2 = tll::Num(tll::Global(glob::_x));
  const double y2 = tll::Num(tll::Global(glob::_y));
  frame.Line(7);
  const double dist = Fn(b, a, fn::point_distance, x1, y1, x2, y2);
  frame.Line(9);
  if (!Less(dist, 20)) return;
  frame.Line(10);
  const float dir = F_PointDirection(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                                     static_cast<float>(y2));
  const double dx = F_LengthdirX(static_cast<float>(20 - dist), dir) * 0.5;
  const double dy = F_LengthdirY(static_cast<float>(20 - dist), dir) * 0.5;
  frame.Line(13);
  tll::Set(b, var::x, tll::Real(Builtin(b, var::x) - dx));
  tll::Set(b, var::y, tll::Real(Builtin(b, var::y) - dy));
  tll::Set(a, var::x, tll::Real(Builtin(a, var::x) + dx));
  tll::Set(a, var::y, tll::Real(Builtin(a, var::y) + dy));
}

}  // namespace

RValue* tll_Script_ob_control_create(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_control_create", self, other, result, argc, args, Create);
}

RValue* tll_Script_ob_control_room_start(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                         RValue** args) {
  return WithFirstArgument("tll_Script_ob_control_room_start", self, other, result, argc, args, RoomStart);
}

RValue* tll_Script_ob_control_step(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_control_step", self, other, result, argc, args, Step);
}

RValue* tll_Script_control_check_win(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_control_check_win", self, other, result, argc, args, CheckWin);
}

// The first player's id, or no instance when there is none. It reads no controller state, so it
// answers the same whatever its argument names.
RValue* tll_Script_control_get_player(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_control_get_player");
  frame.Line(1);
  if (!F_InstanceExists(self, other, kObPlayer)) return tll::Return(result, kNoInstance);
  frame.Line(2);
  tll::Local id;
  tll::GetFrom(kObPlayer, var::id, &id);
  return tll::Return(result, *id);
}

RValue* tll_Script_control_ghost_collisions(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t,
                                            RValue**) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_control_ghost_collisions");
  frame.Line(1);
  tll::With control(&self, &other, kObControl);
  if (!control.Any()) return result;
  do {
    frame.Line(2);
    tll::With first(&self, &other, kObGhost);
    if (!first.Any()) continue;
    do {
      frame.Line(3);
      tll::With second(&self, &other, kObGhost);
      if (!second.Any()) continue;
      do {
        SeparateGhosts(frame, other, self);
      } while (second.Next());
    } while (first.Next());
  } while (control.Next());
  return result;
}

// --- the controller's events: each calls its script with the controller's id -------------------

void tll_Object_ob_control_Create_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_control_Create_0");
  frame.Line(1);
  Run(tll_Script_ob_control_create, self, other, self->id);
}

void tll_Object_ob_control_Step_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_control_Step_0");
  frame.Line(1);
  Run(tll_Script_ob_control_step, self, other, self->id);
}

void tll_Object_ob_control_Other_4(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_control_Other_4");
  frame.Line(1);
  Run(tll_Script_ob_control_room_start, self, other, self->id);
}

void tll_Object_ob_control_Draw_64(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_control_Draw_64");
  frame.Line(1);
  Run(tll_Script_ob_control_draw_gui, self, other, self->id);
}

void tll_Object_ob_control_Draw_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_control_Draw_0");
  frame.Line(1);
  Run(tll_Script_ob_control_draw, self, other, self->id);
}
