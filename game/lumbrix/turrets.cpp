// Turrets: guns beside a chip that unfold while the player hacks it, turn towards the player,
// charge and fire a beam that costs hit points. A charge breaks off when the player leaves; a
// shot always runs to its end, and then the turret folds up.
#include <cmath>

#include "functions/math_geometry.h"
#include "functions/math_numeric.h"
#include "functions/random.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "world/commands.h"

using namespace lumbrix;

namespace {

constexpr int32_t kSnLaserCharging = 8;
constexpr int32_t kSnLaser = 9;
constexpr int32_t kSpDoodad = 29;
constexpr int32_t kSpTurretDeploy = 32;

// Turning towards the player, and starting a charge once the aim is within a step's turn.
void Aim(CInstance* self, CInstance* other, int32_t player) {
  Run(tll_Script_player_get_pos, self, other, player);
  const auto x = static_cast<float>(Builtin(self, var::x)), y = static_cast<float>(Builtin(self, var::y));
  const double d = Fn(self, other, fn::angle_difference, OwnNum(self, inst::faceDir),
                      F_PointDirection(x, y, static_cast<float>(GlobalNum(glob::_x)),
                                       static_cast<float>(GlobalNum(glob::_y))));
  const double speed = OwnNum(self, inst::turnSpeed);
  const double turn = tll::Positive(OwnNum(self, inst::shootTimer)) ? speed * 0.2 : speed;
  SetOwn(self, inst::faceDir, OwnNum(self, inst::faceDir) - tll::Min(turn, std::fabs(d)) * F_Sign(d));
  if (Less(std::fabs(d), speed) && !tll::Positive(OwnNum(self, inst::chargeTimer)) &&
      !tll::Positive(OwnNum(self, inst::shootTimer))) {
    SetOwn(self, inst::chargeTimer, OwnNum(self, inst::chargeTimerLength));
    SetOwn(self, inst::chargeSound, Fn(self, other, fn::audio_play_sound, kSnLaserCharging, 1, 0));
  }
}

bool Step(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  const double p = Run(tll_Script_control_get_player, self, other, kObControl);
  // Without a player nothing runs, its timers neither.
  if (tll::Equal(p, kNoInstance)) return false;
  const int32_t player = tll::Int(p);
  // A turret without a chip guards nothing; it never unfolds.
  const double chip = OwnNum(self, inst::chip);
  if (tll::Equal(chip, -1)) return false;
  frame.Line(4);
  const bool same = tll::Equal(chip, Of(player, inst::chip));
  frame.Line(6);
  if (tll::Equal(OwnNum(self, inst::deployTimer), OwnNum(self, inst::deployTimerLength))) {
    if (!tll::Positive(OwnNum(self, inst::chargeTimer)) || tll::Positive(OwnNum(self, inst::shootTimer))) {
      Aim(self, other, player);
    }
    frame.Line(20);
    const double charge = OwnNum(self, inst::chargeTimer);
    if (tll::Positive(charge) && !Greater(charge, 2)) {
      Do(self, other, fn::audio_play_sound, kSnLaser, 1, 0);
      SetOwn(self, inst::chargeTimer, 0);
      SetOwn(self, inst::shootTimer, OwnNum(self, inst::shootTimerLength));
    }
  }
  frame.Line(30);
  Run(tll_Script_player_get_pos, self, other, player);
  const double px = GlobalNum(glob::_x), py = GlobalNum(glob::_y);
  if (tll::Positive(OwnNum(self, inst::shootTimer))) {
    frame.Line(32);
    const double x = Builtin(self, var::x), y = Builtin(self, var::y);
    const auto range = static_cast<float>(OwnNum(self, inst::range));
    const auto face = static_cast<float>(OwnNum(self, inst::faceDir));
    const double d = Run(tll_Script_point_line_distance, self, other, px, py, x, y, x + F_LengthdirX(range, face),
                         y + F_LengthdirY(range, face), 1);
    if (Less(d, Of(player, inst::size) * 0.5 + 12)) Run(tll_Script_player_damaged, self, other, player, 1);
  }
  frame.Line(40);
  if (same && Less(Of(tll::Int(chip), inst::hackPercent), 100)) {
    AddOwn(self, inst::deployTimer, 1);
  } else if (!tll::Positive(OwnNum(self, inst::shootTimer))) {
    Do(self, other, fn::audio_stop_sound, OwnNum(self, inst::chargeSound));
    AddOwn(self, inst::deployTimer, -1);
  }
  frame.Line(46);
  SetOwn(self, inst::deployTimer, Fn(self, other, fn::clamp, OwnNum(self, inst::deployTimer), 0,
                                     OwnNum(self, inst::deployTimerLength)));
  frame.Line(47);
  AddOwn(self, inst::chargeTimer, -1);
  AddOwn(self, inst::shootTimer, -1);
  return false;
}

bool Draw(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  const double x = Builtin(self, var::x), y = Builtin(self, var::y);
  const double face = OwnNum(self, inst::faceDir);
  tll::DrawSpriteExt(self, kSpDoodad, 0, x, y, 2, 2, 0, 0xFFFFFF, 1);
  frame.Line(3);
  const double n = Fn(self, other, fn::sprite_get_number, kSpTurretDeploy);
  const double gun = std::trunc(tll::Min(n - 1, n * OwnNum(self, inst::deployTimer) / OwnNum(self, inst::deployTimerLength)));
  tll::DrawSpriteExt(self, kSpTurretDeploy, tll::Int(gun), x, y, 2, 2, face, 0xFFFFFF, 1);
  frame.Line(5);
  const auto range = static_cast<float>(OwnNum(self, inst::range));
  const double ex = x + F_LengthdirX(range, static_cast<float>(face)), ey = y + F_LengthdirY(range, static_cast<float>(face));
  const double mx = x + F_LengthdirX(60.0f, static_cast<float>(face)), my = y + F_LengthdirY(60.0f, static_cast<float>(face));
  frame.Line(8);
  tll::DrawSetColour(255);
  if (tll::Positive(OwnNum(self, inst::shootTimer))) {
    frame.Line(10);
    const double width = 3 * Fn(self, other, fn::sin, Of(kObControl, inst::frameCount) * 0.5) +
                         2 * static_cast<double>(F_IRandom(1)) + 15;
    Do(self, other, fn::draw_line_width, mx, my, ex, ey, width);
  } else if (tll::Positive(OwnNum(self, inst::chargeTimer)) &&
             tll::Equal(OwnNum(self, inst::deployTimer), OwnNum(self, inst::deployTimerLength))) {
    frame.Line(13);
    Do(self, other, fn::draw_line, mx, my, ex, ey);
  }
  return false;
}

}  // namespace

RValue* tll_Script_ob_turret_create(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_ob_turret_create");
  return CreateWithStartValues(frame, self, other, result, Arg(argc, args, 0), Arg(argc, args, 1), kObTurret,
                               {{inst::chargeSound, -1},
                                {inst::turnSpeed, 2},
                                {inst::faceDir, Arg(argc, args, 2)},
                                {inst::deployTimerLength, 60},
                                {inst::deployTimer, 0},
                                {inst::chargeTimer, 0},
                                {inst::chargeTimerLength, 100},
                                {inst::shootTimer, 0},
                                {inst::shootTimerLength, 120},
                                {inst::chip, Arg(argc, args, 3)},
                                {inst::range, 500}});
}

RValue* tll_Script_ob_turret_step(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_turret_step", self, other, result, argc, args, Step);
}

RValue* tll_Script_ob_turret_draw(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_turret_draw", self, other, result, argc, args, Draw);
}
