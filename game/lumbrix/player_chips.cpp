// The player's step, its time inside chips and its damage. Inside a chip a mover moves freely in
// the chip's rectangle and leaves onto a wire where it touches an edge next to one; the player
// steers there relative to its heading of entry and hacks the chip, which gives it hit points
// and may win the level. Ghosts and lasers cost hit points; after a hit the player is
// invulnerable for a while, and the last one starts the death animation and the level's end.
#include <cmath>
#include <initializer_list>

#include "core/memory_manager.h"
#include "functions/math_geometry.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "vm/calls.h"

using namespace lumbrix;

namespace {

constexpr int32_t kSnDamage = 1;
constexpr int32_t kSnDeath = 6;
constexpr int32_t kFnMessage = 3;

struct Point {
  double x;
  double y;
};
Point PosOf(CInstance* self, CInstance* other, int32_t mover) {
  Run(tll_Script_player_get_pos, self, other, mover);
  return {GlobalNum(glob::_x), GlobalNum(glob::_y)};
}

void SetBuiltin(CInstance* self, const LinkName& variable, double d) { tll::Set(self, variable, tll::Real(d)); }
bool Playing() { return tll::Equal(Of(kObControl, inst::levelComplete), 0); }
bool Key(CInstance* self, CInstance* other, tll::ScriptFunction key) { return tll::Truth(Run(key, self, other)); }

// The grind loops while the player rides, and is silent in a jump, in a chip and after death.
void Grind(CInstance* self, CInstance* other) {
  const bool riding = tll::Equal(OwnNum(self, inst::jumpEdgelist), -1) && tll::Equal(OwnNum(self, inst::chip), -1) &&
                      tll::Positive(OwnNum(self, inst::hp));
  const double sound = OwnNum(self, inst::grindSound);
  if (tll::Equal(sound, -1) && riding) {
    SetOwn(self, inst::grindSound, Fn(self, other, fn::audio_play_sound, kSnGrind, 1, 1));
  } else if (!tll::Equal(sound, -1) && !riding) {
    Do(self, other, fn::audio_stop_sound, sound);
    SetOwn(self, inst::grindSound, -1);
  }
}

// Every ghost that touches the player hits it; the first hit makes it invulnerable, so one step
// costs one hit point at the most. The ghost keeps where it was found in x0, y0.
void GhostContact(CInstance* self, CInstance* other) {
  if (tll::Positive(OwnNum(self, inst::invulnTimer)) || !tll::Positive(OwnNum(self, inst::hp)) || !Playing()) return;
  const int32_t player = self->id;
  const Point p = PosOf(self, other, player);
  tll::With ghosts(&self, &other, kObGhost);
  if (!ghosts.Any()) return;
  do {
    const Point g = PosOf(self, other, self->id);
    SetOwn(self, inst::x0, g.x);
    SetOwn(self, inst::y0, g.y);
    const double reach = OwnNum(self, inst::size) * 0.5 + OwnNum(other, inst::size) * 0.5;
    if (Less(Fn(self, other, fn::point_distance, OwnNum(self, inst::x0), OwnNum(self, inst::y0), p.x, p.y), reach)) {
      Run(tll_Script_player_damaged, self, other, player, 1);
    }
  } while (ghosts.Next());
}

// The keys push relative to the heading of entry, always by `chipAccel` however many are held.
void Steer(CInstance* self, CInstance* other) {
  const double accel = OwnNum(self, inst::chipAccel);
  const double face = OwnNum(self, inst::faceDir);
  double dx = 0, dy = 0;
  const struct {
    tll::ScriptFunction key;
    double turn;
  } kPushes[] = {{tll_Script_key_right, 270}, {tll_Script_key_left, 90}, {tll_Script_key_down, 180}, {tll_Script_key_up, 0}};
  for (const auto& push : kPushes) {
    if (!Key(self, other, push.key)) continue;
    dx += F_LengthdirX(static_cast<float>(accel), static_cast<float>(face + push.turn));
    dy += F_LengthdirY(static_cast<float>(accel), static_cast<float>(face + push.turn));
  }
  if (!tll::Positive(std::fabs(dx)) && !tll::Positive(std::fabs(dy))) return;
  const float d = F_PointDirection(0.0f, 0.0f, static_cast<float>(dx), static_cast<float>(dy));
  SetOwn(self, inst::chipHspeed, OwnNum(self, inst::chipHspeed) + F_LengthdirX(static_cast<float>(accel), d));
  SetOwn(self, inst::chipVspeed, OwnNum(self, inst::chipVspeed) + F_LengthdirY(static_cast<float>(accel), d));
}

// The chips still to hack, told where the player is: "1 chip left!", "2 chips left", or nothing
// for the last.
void ChipsLeftText(CInstance* self, CInstance* other) {
  const Point p = PosOf(self, other, self->id);
  const double n = Run(tll_Script_chips_remaining, self, other);
  tll::DrawSetFont(kFnMessage);
  if (tll::Equal(n, 1)) {
    const tll::Text text("1 chip left!");
    tll::Script(tll_Script_ob_text_create, self, other, &s_unit, tll::Real(p.x), tll::Real(p.y), text.value);
  } else if (tll::Positive(n)) {
    tll::Local count;
    tll::Call(self, other, &count, fn::string, tll::Real(n));
    char* joined = VM_StrConcat(tll::TextOf(*count), " chips left");
    tll::Local text;
    RValue_SetString(&text, joined);
    MEM_FREE(joined);
    tll::Script(tll_Script_ob_text_create, self, other, &s_unit, tll::Real(p.x), tll::Real(p.y), *text);
  }
}

// A chip's progress grows by a fifth of its hack scale each step; the step that takes it to 100
// tells the chips left, checks for the win and gives two hit points.
void Hack(CInstance* self, CInstance* other, int32_t chip) {
  if (!Less(Of(chip, inst::hackPercent), 100)) return;
  tll::SetOn(chip, inst::hackPercent, tll::Real(Of(chip, inst::hackPercent) + Of(chip, inst::hackScale) * 0.2));
  if (Less(Of(chip, inst::hackPercent), 100)) return;
  ChipsLeftText(self, other);
  Run(tll_Script_control_check_win, self, other, kObControl);
  AddOwn(self, inst::hp, 2);
}

}  // namespace

// Against an edge the mover stays on it and tries to leave; its velocity is kept, so it slides.
void lumbrix::KeepInsideChip(CInstance* self, CInstance* other, int32_t chip) {
  const double left = BuiltinOf(chip, var::x);
  const double top = BuiltinOf(chip, var::y);
  const double right = left + Of(chip, inst::width);
  const double bottom = top + Of(chip, inst::height);
  const double x = Builtin(self, var::x);
  if (Greater(x, right) || Less(x, left)) {
    SetBuiltin(self, var::x, Greater(x, right) ? right : left);
    Run(tll_Script_player_check_chip_leave, self, other, self->id);
  }
  if (tll::Equal(OwnNum(self, inst::chip), -1)) return;
  const double y = Builtin(self, var::y);
  if (Greater(y, bottom) || Less(y, top)) {
    SetBuiltin(self, var::y, Greater(y, bottom) ? bottom : top);
    Run(tll_Script_player_check_chip_leave, self, other, self->id);
  }
}

namespace {

void ChipMovement(CInstance* self, CInstance* other) {
  const int32_t chip = tll::Int(OwnNum(self, inst::chip));
  if (tll::Positive(OwnNum(self, inst::hp)) && Playing()) {
    Steer(self, other);
    Hack(self, other, chip);
  }
  // Drifting goes on when dead or after the win.
  SetOwn(self, inst::chipHspeed, OwnNum(self, inst::chipHspeed) * OwnNum(self, inst::chipFriction));
  SetOwn(self, inst::chipVspeed, OwnNum(self, inst::chipVspeed) * OwnNum(self, inst::chipFriction));
  SetBuiltin(self, var::x, Builtin(self, var::x) + OwnNum(self, inst::chipHspeed));
  SetBuiltin(self, var::y, Builtin(self, var::y) + OwnNum(self, inst::chipVspeed));
  KeepInsideChip(self, other, chip);
}

bool Step(tll::Frame& frame, CInstance* self, CInstance* other, double s) {
  frame.Line(2);
  Grind(self, other);
  frame.Line(10);
  GhostContact(self, other);
  frame.Line(20);
  if (tll::Equal(OwnNum(self, inst::chip), -1)) {
    Run(tll_Script_ob_player_wire_movement, self, other, self->id, s);
  } else {
    ChipMovement(self, other);
  }
  frame.Line(60);
  // The death sound, 100 steps into the death animation.
  if (tll::Equal(OwnNum(self, inst::deadTimer), OwnNum(self, inst::deadTimerLength) - 100) &&
      !tll::Positive(OwnNum(self, inst::hp))) {
    Do(self, other, fn::audio_play_sound, kSnDeath, 1, 0);
  }
  frame.Line(63);
  // The timers run on below zero; the blink cycles through 20 down to 0.
  for (const int32_t timer : {inst::chipEnterTimer, inst::invulnTimer, inst::invulnBlinkTimer, inst::deadTimer}) {
    AddOwn(self, timer, -1);
  }
  if (tll::Negative(OwnNum(self, inst::invulnBlinkTimer))) {
    SetOwn(self, inst::invulnBlinkTimer, OwnNum(self, inst::invulnBlinkTimerLength));
  }
  return false;
}

// Inside the chip where the mover was last drawn, carrying on at 10 pixels a step. A mover not
// drawn yet (one entering in its first step) starts at its point on the wire.
bool ChipEnter(tll::Frame& frame, CInstance* self, CInstance* other, double chip) {
  frame.Line(2);
  SetOwn(self, inst::faceDir, Run(tll_Script_player_get_direction, self, other, self->id));
  const bool drawn = RValue_Kind(&tll::Own(self, inst::playerX)) != VALUE_UNSET &&
                     RValue_Kind(&tll::Own(self, inst::playerY)) != VALUE_UNSET;
  const Point onWire = drawn ? Point{0, 0} : PosOf(self, other, self->id);
  frame.Line(3);
  SetOwn(self, inst::chip, chip);
  frame.Line(4);
  SetBuiltin(self, var::x, drawn ? OwnNum(self, inst::playerX) : onWire.x);
  SetBuiltin(self, var::y, drawn ? OwnNum(self, inst::playerY) : onWire.y);
  frame.Line(6);
  const auto face = static_cast<float>(OwnNum(self, inst::faceDir));
  SetOwn(self, inst::chipHspeed, F_LengthdirX(10.0f, face));
  SetOwn(self, inst::chipVspeed, F_LengthdirY(10.0f, face));
  frame.Line(8);
  SetOwn(self, inst::chipEnterTimer, OwnNum(self, inst::chipEnterTimerLength));
  frame.Line(9);
  // Every chasing ghost chooses its target again.
  tll::With ghosts(&self, &other, kObGhost);
  if (ghosts.Any()) {
    do {
      if (tll::Equal(OwnNum(self, inst::type), 1)) SetOwn(self, inst::chipNodeTarget, -1);
    } while (ghosts.Next());
  }
  return false;
}

bool CheckChipLeave(tll::Frame& frame, CInstance* self, CInstance* other, RValue* result) {
  frame.Line(2);
  // Not in the first steps after entering; no answer then.
  if (tll::Positive(OwnNum(self, inst::chipEnterTimer))) return true;
  frame.Line(4);
  const double x = Builtin(self, var::x), y = Builtin(self, var::y);
  Run(tll_Script_edgelist_get_nearest, self, other, x, y);
  // A room without wires has no point to leave onto.
  if (tll::Equal(GlobalNum(glob::_edgelist), -1)) {
    tll::Return(result, 0.0);
    return true;
  }
  Run(tll_Script_edgelist_get_pos, self, other, GlobalNum(glob::_edgelist), GlobalNum(glob::_edgelistT));
  frame.Line(5);
  if (!Less(Fn(self, other, fn::point_distance, x, y, GlobalNum(glob::_x), GlobalNum(glob::_y)), 20)) {
    tll::Return(result, 0.0);
    return true;
  }
  frame.Line(6);
  SetOwn(self, inst::chip, -1);
  SetOwn(self, inst::edgelist, GlobalNum(glob::_edgelist));
  SetOwn(self, inst::edgelistT, GlobalNum(glob::_edgelistT));
  SetOwn(self, inst::jumpEdgelist, -1);
  SetOwn(self, inst::jumpEdgelistT, 0);
  // Away from the chip: forward from the first half of a wire's first segment, else backward.
  SetOwn(self, inst::forward, Less(OwnNum(self, inst::edgelistT), 0.5) ? 1 : 0);
  tll::Return(result, 1.0);
  return true;
}

bool Damaged(tll::Frame& frame, CInstance* self, CInstance* other, double amount) {
  frame.Line(2);
  if (tll::Positive(OwnNum(self, inst::invulnTimer)) || !tll::Positive(OwnNum(self, inst::hp))) return false;
  frame.Line(3);
  AddOwn(self, inst::hp, -amount);
  SetOwn(self, inst::invulnTimer, OwnNum(self, inst::invulnTimerLength));
  frame.Line(5);
  tll::SetOn(kObControl, inst::screenShakeTimer, tll::Real(Of(kObControl, inst::screenShakeTimerLength)));
  frame.Line(6);
  if (!tll::Positive(OwnNum(self, inst::hp))) {
    frame.Line(7);
    SetOwn(self, inst::deadTimer, OwnNum(self, inst::deadTimerLength));
    tll::SetOn(kObControl, inst::levelEndTimer, tll::Real(Of(kObControl, inst::levelEndTimerLength)));
    const double music = Of(kObControl, inst::bgMusic);
    if (!tll::Equal(music, -1)) Do(self, other, fn::audio_stop_sound, music);
  }
  frame.Line(12);
  Do(self, other, fn::audio_play_sound, kSnDamage, 1, 0);
  return false;
}

}  // namespace

RValue* tll_Script_ob_player_step(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgumentAnd("tll_Script_ob_player_step", self, other, result, argc, args, Step);
}

RValue* tll_Script_player_chip_enter(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgumentAnd("tll_Script_player_chip_enter", self, other, result, argc, args, ChipEnter);
}

RValue* tll_Script_player_check_chip_leave(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                           RValue** args) {
  return WithFirstArgument("tll_Script_player_check_chip_leave", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             return CheckChipLeave(frame, self, other, result);
                           });
}

// A non-number amount counts as 0: it takes nothing off.
RValue* tll_Script_player_damaged(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgumentAnd("tll_Script_player_damaged", self, other, result, argc, args, Damaged);
}
