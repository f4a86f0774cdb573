// The player on the wires, and every mover with it: the ghosts ride with the same scripts. A
// mover travels along an edge list, jumps sideways to a nearby wire by key or on its own at a
// wire's end, and enters a chip found just ahead of that end. Where the player and the ghosts
// differ (keys, the chasing ghost's jumps, the trail's look) the scripts ask `object_index`.
//
// Positions come back through the globals _x, _y and _edgelist, _edgelistT, as everywhere on the
// board; a caller copies them before its next call.
#include <cmath>
#include <initializer_list>

#include "functions/math_geometry.h"
#include "functions/random.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "world/commands.h"

using namespace lumbrix;

namespace {

constexpr int32_t kSpPlayer = 12;
constexpr int32_t kSpDead = 13;
constexpr int32_t kSpGhost = 14;
constexpr uint32_t kBoltColour = 0x9EFFFF;  // a pale yellow

struct Point {
  double x;
  double y;
};
Point Returned() { return {GlobalNum(glob::_x), GlobalNum(glob::_y)}; }

Point WirePoint(CInstance* self, CInstance* other, double edgelist, double t) {
  Run(tll_Script_edgelist_get_pos, self, other, edgelist, t);
  return Returned();
}

double Floor(CInstance* self, CInstance* other, double d) { return Fn(self, other, fn::floor, d); }

bool Is(CInstance* self, int32_t object) { return tll::Equal(Builtin(self, var::object_index), object); }
// The keys steer only the player, and only until the level is won.
bool Steered(CInstance* self) { return Is(self, kObPlayer) && tll::Equal(Of(kObControl, inst::levelComplete), 0); }
bool Key(CInstance* self, CInstance* other, tll::ScriptFunction key) { return tll::Truth(Run(key, self, other)); }

double Direction(CInstance* self, CInstance* other, double edgelist, double t) {
  if (!tll::Equal(OwnNum(self, inst::chip), -1)) return OwnNum(self, inst::faceDir);
  double d = Run(tll_Script_edgelist_get_direction, self, other, edgelist, Floor(self, other, t));
  // Not wrapped: backwards on a wire heading 359 degrees gives 539.
  if (tll::Equal(OwnNum(self, inst::forward), 0)) d += 180;
  return d;
}

// A jump in progress: it lands once its progress reaches 1, keeping the mover's heading on
// screen when the wire it lands on runs the other way.
void JumpOn(CInstance* self, CInstance* other, double s) {
  SetOwn(self, inst::jumpT, OwnNum(self, inst::jumpT) + OwnNum(self, inst::jumpSpeedT) * s);
  if (Less(OwnNum(self, inst::jumpT), 1)) return;
  const double left = Run(tll_Script_edgelist_get_direction, self, other, OwnNum(self, inst::edgelist),
                          Floor(self, other, OwnNum(self, inst::edgelistT)));
  const double onto = Run(tll_Script_edgelist_get_direction, self, other, OwnNum(self, inst::jumpEdgelist),
                          Floor(self, other, OwnNum(self, inst::jumpEdgelistT)));
  if (Greater(std::fabs(Fn(self, other, fn::angle_difference, left, onto)), 90)) {
    SetOwn(self, inst::forward, tll::Truth(OwnNum(self, inst::forward)) ? 0 : 1);
  }
  SetOwn(self, inst::edgelist, OwnNum(self, inst::jumpEdgelist));
  SetOwn(self, inst::edgelistT, OwnNum(self, inst::jumpEdgelistT));
  SetOwn(self, inst::jumpEdgelist, -1);
}

bool AtWireEnd(CInstance* self, CInstance* other) {
  const double size = Fn(self, other, fn::ds_list_size, Of(tll::Int(OwnNum(self, inst::edgelist)), inst::list));
  const double t = OwnNum(self, inst::edgelistT);
  const double forward = OwnNum(self, inst::forward);
  return (tll::Int(forward) > 0 && Greater(t, size - 1.01)) || (tll::Equal(forward, 0) && !Greater(t, 0));
}

// At a wire's end: into every chip whose rectangle holds the point 10 pixels ahead (the last one
// entered is kept), else a jump to the left, else to the right, else waiting for one.
void LeaveWireEnd(CInstance* self, CInstance* other) {
  const int32_t mover = self->id;
  {
    tll::With chips(&self, &other, kObChip);
    if (chips.Any()) {
      do {
        Run(tll_Script_player_get_pos, self, other, mover);
        const Point p = Returned();
        const auto d = static_cast<float>(Run(tll_Script_player_get_direction, self, other, mover));
        const double px = p.x + F_LengthdirX(10.0f, d);
        const double py = p.y + F_LengthdirY(10.0f, d);
        const double left = Builtin(self, var::x);
        const double top = Builtin(self, var::y);
        if (tll::Truth(Fn(self, other, fn::point_in_rectangle, px, py, left, top, left + OwnNum(self, inst::width),
                          top + OwnNum(self, inst::height)))) {
          Run(tll_Script_player_chip_enter, self, other, mover, self->id);
        }
      } while (chips.Next());
    }
  }
  if (!tll::Equal(OwnNum(self, inst::chip), -1)) return;
  Run(tll_Script_player_get_jump_pos, self, other, mover, 1);
  if (tll::Equal(GlobalNum(glob::_edgelist), -1)) Run(tll_Script_player_get_jump_pos, self, other, mover, 0);
  SetOwn(self, inst::jumpEdgelist, GlobalNum(glob::_edgelist));
  SetOwn(self, inst::jumpEdgelistT, GlobalNum(glob::_edgelistT));
  SetOwn(self, inst::jumpT, 0);
}

// A chasing ghost far from the player changes wires now and then, towards the player's side two
// times in three. Without a player there is no side to choose.
void ChaseDecision(CInstance* self, CInstance* other) {
  const double player = Run(tll_Script_control_get_player, self, other, kObControl);
  if (tll::Equal(player, -4)) return;
  Run(tll_Script_player_get_pos, self, other, player);
  const Point p = Returned();
  Run(tll_Script_player_get_pos, self, other, self->id);
  SetOwn(self, inst::x1, GlobalNum(glob::_x));
  SetOwn(self, inst::y1, GlobalNum(glob::_y));
  const double x1 = OwnNum(self, inst::x1), y1 = OwnNum(self, inst::y1);
  if (!Greater(F_Random(1), 0.99)) return;
  if (!Greater(Fn(self, other, fn::point_distance, x1, y1, p.x, p.y), 120)) return;
  Run(tll_Script_direction_to_vector, self, other, Run(tll_Script_player_get_direction, self, other, self->id));
  const Point v = Returned();
  const double side = Run(tll_Script_vector_side_of, self, other, p.x, p.y, x1, y1, x1 + v.x, y1 + v.y);
  if (Greater(F_Random(1), 0.666)) {
    Run(tll_Script_player_jump, self, other, self->id, Greater(side, 0) ? 1 : 0);
  } else if (!tll::Equal(side, 0)) {
    Run(tll_Script_player_jump, self, other, self->id, Less(side, 0) ? 1 : 0);
  }
}

// Along the wire at the mover's speed; the player's up and down keys add half or take off three
// tenths of its base speed, up winning. Only the jump progress follows the time scale.
void Travel(CInstance* self, CInstance* other) {
  double speed = Run(tll_Script_player_get_wire_speed, self, other, self->id);
  if (Steered(self)) {
    if (Key(self, other, tll_Script_key_up)) {
      speed += OwnNum(self, inst::wireSpeed) * 0.5;
    } else if (Key(self, other, tll_Script_key_down)) {
      speed -= OwnNum(self, inst::wireSpeed) * 0.3;
    }
  }
  if (tll::Equal(OwnNum(self, inst::forward), 0)) speed = -speed;
  Run(tll_Script_player_wire_move, self, other, self->id, speed);
}

// A fading copy of the mover every third step of the controller.
void Trail(CInstance* self, CInstance* other) {
  if (!tll::Equal(std::fmod(Of(kObControl, inst::frameCount), 3), 0)) return;
  Run(tll_Script_player_get_pos, self, other, self->id);
  const Point p = Returned();
  const int32_t particle = F_InstanceCreate(static_cast<float>(p.x), static_cast<float>(p.y), kObParticle);
  if (Is(self, kObGhost)) {
    tll::SetOnTarget(particle, var::sprite_index, tll::Real(kSpGhost));
    tll::SetOnTarget(particle, var::image_blend, tll::Own(self, inst::color));
  }
  if (Is(self, kObPlayer)) tll::SetOnTarget(particle, var::sprite_index, tll::Real(kSpPlayer));
  tll::SetOnTarget(particle, var::image_angle, tll::Real(Run(tll_Script_player_get_direction, self, other, self->id)));
  tll::SetOnTarget(particle, var::image_alpha, tll::Real(0.5));
}

bool WireMovement(tll::Frame& frame, CInstance* self, CInstance* other, double s) {
  frame.Line(2);
  // A dead mover stops, also in mid-jump.
  if (!tll::Positive(OwnNum(self, inst::hp))) return false;
  frame.Line(3);
  if (!tll::Equal(OwnNum(self, inst::jumpEdgelist), -1)) {
    JumpOn(self, other, s);
    return false;
  }
  frame.Line(12);
  if (Steered(self) && (Key(self, other, tll_Script_key_left_pressed) || Key(self, other, tll_Script_key_right_pressed))) {
    // Left wins when both went down in this step.
    Run(tll_Script_player_jump, self, other, self->id, Key(self, other, tll_Script_key_left_pressed) ? 1 : 0);
  } else if (AtWireEnd(self, other)) {
    frame.Line(15);
    LeaveWireEnd(self, other);
  }
  frame.Line(30);
  if (Is(self, kObGhost) && tll::Equal(OwnNum(self, inst::type), 1)) ChaseDecision(self, other);
  frame.Line(45);
  if (tll::Equal(OwnNum(self, inst::jumpEdgelist), -1)) Travel(self, other);
  frame.Line(55);
  Trail(self, other);
  return false;
}

// What is left of a step past a node is carried on along the next segment, in pixels. A segment
// of no length (a piece scaled to nothing) cannot say how far its fraction goes, so it is passed
// at once as if its far node were crossed, the whole distance carried on, still stopping at
// either end of the wire.
bool WireMove(tll::Frame& frame, CInstance* self, CInstance* other, double dist) {
  frame.Line(2);
  const double list = Of(tll::Int(OwnNum(self, inst::edgelist)), inst::list);
  const double size = Fn(self, other, fn::ds_list_size, list);
  const double t0 = OwnNum(self, inst::edgelistT);
  const double i = Floor(self, other, Fn(self, other, fn::clamp, t0, 0, size - 2));
  const double len = Run(tll_Script_edge_length, self, other, Fn(self, other, fn::ds_list_find_value, list, i),
                         Fn(self, other, fn::ds_list_find_value, list, i + 1));
  if (!tll::Positive(len)) {
    if (tll::Positive(dist)) {
      if (!Less(i + 1, size - 1)) {
        SetOwn(self, inst::edgelistT, size - 1.00001);
        return false;
      }
      SetOwn(self, inst::edgelistT, i + 1);
    } else if (tll::Negative(dist)) {
      if (!tll::Positive(i)) {
        SetOwn(self, inst::edgelistT, 0);
        return false;
      }
      SetOwn(self, inst::edgelistT, i - 1 + 0.99999);
    } else {
      return false;
    }
    Run(tll_Script_player_wire_move, self, other, self->id, dist);
    return false;
  }
  frame.Line(4);
  const double dt = dist / len;
  const double t = t0 + dt;
  if (Greater(t, size - 1)) {
    frame.Line(5);
    // Just short of the last node, where the end test finds it.
    SetOwn(self, inst::edgelistT, size - 1.00001);
  } else if (tll::Negative(t)) {
    frame.Line(7);
    SetOwn(self, inst::edgelistT, 0);
  } else if (!tll::Equal(Floor(self, other, t), Floor(self, other, t0))) {
    frame.Line(9);
    double rest;
    if (tll::Positive(dt)) {
      SetOwn(self, inst::edgelistT, Floor(self, other, t));
      rest = Fn(self, other, fn::frac, t);
    } else {
      // Backwards the mover stops just short of the node it crossed, not on it.
      SetOwn(self, inst::edgelistT, Floor(self, other, t) + 0.99999);
      rest = -std::fabs(1 - Fn(self, other, fn::frac, t));
    }
    frame.Line(16);
    Run(tll_Script_player_wire_move, self, other, self->id, rest * len);
  } else {
    frame.Line(18);
    SetOwn(self, inst::edgelistT, t);
  }
  return false;
}

bool GetPos(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  if (!tll::Equal(OwnNum(self, inst::chip), -1)) {
    SetGlobal(glob::_x, Builtin(self, var::x));
    SetGlobal(glob::_y, Builtin(self, var::y));
    return false;
  }
  frame.Line(6);
  if (!tll::Equal(OwnNum(self, inst::jumpEdgelist), -1)) {
    // A straight flight, as fast over any distance.
    const Point a = WirePoint(self, other, OwnNum(self, inst::edgelist), OwnNum(self, inst::edgelistT));
    const Point b = WirePoint(self, other, OwnNum(self, inst::jumpEdgelist), OwnNum(self, inst::jumpEdgelistT));
    const double jumpT = OwnNum(self, inst::jumpT);
    SetGlobal(glob::_x, a.x + (b.x - a.x) * jumpT);
    SetGlobal(glob::_y, a.y + (b.y - a.y) * jumpT);
    return false;
  }
  frame.Line(14);
  WirePoint(self, other, OwnNum(self, inst::edgelist), OwnNum(self, inst::edgelistT));
  return false;
}

// The landing point 30 pixels to the side and 40 ahead: the nearest point of any wire, unless
// that lies on the mover's own wire within one segment of it.
bool GetJumpPos(tll::Frame& frame, CInstance* self, CInstance* other, double side) {
  const bool left = tll::Truth(side);
  frame.Line(2);
  const auto d = static_cast<float>(Run(tll_Script_player_get_direction, self, other, self->id));
  const Point c = WirePoint(self, other, OwnNum(self, inst::edgelist), OwnNum(self, inst::edgelistT));
  frame.Line(4);
  const float a = left ? d + 90 : d - 90;
  const double px = c.x + F_LengthdirX(30.0f, a) + F_LengthdirX(40.0f, d);
  const double py = c.y + F_LengthdirY(30.0f, a) + F_LengthdirY(40.0f, d);
  frame.Line(6);
  Run(tll_Script_edgelist_get_nearest, self, other, px, py);
  frame.Line(7);
  if (tll::Equal(GlobalNum(glob::_edgelist), OwnNum(self, inst::edgelist)) &&
      !Greater(std::fabs(Floor(self, other, GlobalNum(glob::_edgelistT)) -
                         Floor(self, other, OwnNum(self, inst::edgelistT))),
               1)) {
    SetGlobal(glob::_edgelist, -1);
    SetGlobal(glob::_edgelistT, 0);
  }
  return false;
}

bool Jump(tll::Frame& frame, CInstance* self, CInstance* other, double side) {
  frame.Line(2);
  // A jump in progress is never replaced.
  if (!tll::Equal(OwnNum(self, inst::jumpEdgelist), -1)) return false;
  frame.Line(3);
  Run(tll_Script_player_get_jump_pos, self, other, self->id, side);
  frame.Line(4);
  if (tll::Equal(GlobalNum(glob::_edgelist), -1)) return false;
  SetOwn(self, inst::jumpEdgelist, GlobalNum(glob::_edgelist));
  SetOwn(self, inst::jumpEdgelistT, GlobalNum(glob::_edgelistT));
  SetOwn(self, inst::jumpT, 0);
  return false;
}

// Bolts to every landing point the jump keys would reach, and the sprite upright on screen,
// hidden through half of each blink while invulnerable; dead, the death animation once over,
// holding its last frame.
bool Draw(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  Run(tll_Script_player_get_pos, self, other, self->id);
  SetOwn(self, inst::playerX, GlobalNum(glob::_x));
  SetOwn(self, inst::playerY, GlobalNum(glob::_y));
  const double x = OwnNum(self, inst::playerX), y = OwnNum(self, inst::playerY);
  tll::Local viewAngle;
  tll::Get(self, var::view_angle, &viewAngle, 0);
  const double angle = -tll::Num(*viewAngle);
  frame.Line(5);
  if (tll::Positive(OwnNum(self, inst::hp))) {
    if (tll::Equal(OwnNum(self, inst::chip), -1)) {
      frame.Line(7);
      tll::DrawSetColour(kBoltColour);
      for (const double side : {1.0, 0.0}) {
        Run(tll_Script_player_get_jump_pos, self, other, self->id, side);
        if (tll::Equal(GlobalNum(glob::_edgelist), -1)) continue;
        const Point to = WirePoint(self, other, GlobalNum(glob::_edgelist), GlobalNum(glob::_edgelistT));
        Run(tll_Script_draw_lightning, self, other, x, y, to.x, to.y);
      }
    }
    frame.Line(18);
    const bool shown = tll::Positive(OwnNum(self, inst::invulnBlinkTimer) - 0.5 * OwnNum(self, inst::invulnBlinkTimerLength)) ||
                       !tll::Positive(OwnNum(self, inst::invulnTimer));
    frame.Line(19);
    tll::DrawSpriteExt(self, kSpPlayer, 0, x, y, 1, 1, angle, 0xFFFFFF, shown ? 1 : 0);
    return false;
  }
  frame.Line(22);
  const double n = Fn(self, other, fn::sprite_get_number, kSpDead);
  const double shown = tll::Min(n - 1, n * (1 - OwnNum(self, inst::deadTimer) / OwnNum(self, inst::deadTimerLength)));
  frame.Line(23);
  tll::DrawSpriteExt(self, kSpDead, tll::Int(shown), x, y, 1, 1, angle, 0xFFFFFF, 1);
  return false;
}

}  // namespace

// playerX and playerY stay unset until the player is first drawn.
RValue* tll_Script_ob_player_create(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_ob_player_create");
  return CreateWithStartValues(frame, self, other, result, 0, 0, kObPlayer,
                               {{inst::edgelist, Arg(argc, args, 0)}, {inst::edgelistT, Arg(argc, args, 1)},
                                {inst::forward, 1},             {inst::wireSpeed, 8},
                                {inst::chipAccel, 2.5},         {inst::jumpEdgelist, -1},
                                {inst::jumpEdgelistT, 0},       {inst::jumpT, 0},
                                {inst::jumpSpeedT, 0.25},       {inst::chip, -1},
                                {inst::chipHspeed, 0},          {inst::chipVspeed, 0},
                                {inst::chipFriction, 0.75},     {inst::chipEnterTimer, 0},
                                {inst::chipEnterTimerLength, 5}, {inst::faceDir, 0},
                                {inst::size, 30},               {inst::hp, 3},
                                {inst::invulnTimer, 0},         {inst::invulnTimerLength, 120},
                                {inst::invulnBlinkTimer, 0},    {inst::invulnBlinkTimerLength, 20},
                                {inst::deadTimer, 0},           {inst::deadTimerLength, 150},
                                {inst::grindSound, -1}});
}

RValue* tll_Script_ob_player_wire_movement(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                           RValue** args) {
  return WithFirstArgumentAnd("tll_Script_ob_player_wire_movement", self, other, result, argc, args, WireMovement);
}

RValue* tll_Script_player_wire_move(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgumentAnd("tll_Script_player_wire_move", self, other, result, argc, args, WireMove);
}

RValue* tll_Script_player_get_pos(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_player_get_pos", self, other, result, argc, args, GetPos);
}

RValue* tll_Script_player_get_jump_pos(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgumentAnd("tll_Script_player_get_jump_pos", self, other, result, argc, args, GetJumpPos);
}

RValue* tll_Script_player_jump(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgumentAnd("tll_Script_player_jump", self, other, result, argc, args, Jump);
}

RValue* tll_Script_player_get_direction(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_player_get_direction", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             tll::Return(result, Direction(self, other, OwnNum(self, inst::edgelist),
                                                           OwnNum(self, inst::edgelistT)));
                             return true;
                           });
}

RValue* tll_Script_player_get_direction_predict(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                                RValue** args) {
  const double edgelist = Arg(argc, args, 1), t = Arg(argc, args, 2);
  return WithFirstArgument("tll_Script_player_get_direction_predict", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             tll::Return(result, Direction(self, other, edgelist, t));
                             return true;
                           });
}

RValue* tll_Script_player_get_wire_speed(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                         RValue** args) {
  return WithFirstArgument("tll_Script_player_get_wire_speed", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance*) {
                             frame.Line(2);
                             tll::Return(result, tll::Own(self, inst::wireSpeed));
                             return true;
                           });
}

RValue* tll_Script_ob_player_draw(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_player_draw", self, other, result, argc, args, Draw);
}

// A jagged bolt of 14 segments in the current colour, its jitter growing to 7 pixels in the
// middle; it stops a fifteenth short of (x2, y2). Runs as the caller, whose `detail` it sets.
RValue* tll_Script_draw_lightning(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_draw_lightning");
  const double x1 = Arg(argc, args, 0), y1 = Arg(argc, args, 1);
  const double x2 = Arg(argc, args, 2), y2 = Arg(argc, args, 3);
  frame.Line(1);
  double detail = 15;
  if (self != nullptr) {
    SetOwn(self, inst::detail, detail);
    detail = OwnNum(self, inst::detail);
  }
  double px = x1, py = y1;
  frame.Line(3);
  for (double i = 1; Less(i, detail); i += 1) {
    frame.Line(4);
    const double m = tll::Min(i, detail - i);
    const double x = x1 + (x2 - x1) * i / detail + m * (F_Random(2) - 1);
    const double y = y1 + (y2 - y1) * i / detail + m * (F_Random(2) - 1);
    frame.Line(6);
    Do(self, other, fn::draw_line, x, y, px, py);
    px = x;
    py = y;
  }
  return result;
}
