// Ghosts: movers without keys that ride the wires and chips with the player's own scripts. A
// chasing ghost (`type` 1) also hunts the player inside chips, aiming where the player will be,
// or heads for a wire end of its chip; its jumps on the wires are decided in the wire step. The
// player's step finds the ghosts that touch it; a ghost never takes damage.
#include <cstdint>
#include <initializer_list>

#include "functions/math_geometry.h"
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

constexpr int32_t kSpGhost = 14;
constexpr int32_t kNoPlayer = -4;

struct Point {
  double x;
  double y;
};
Point PosOf(CInstance* self, CInstance* other, double mover) {
  Run(tll_Script_player_get_pos, self, other, mover);
  return {GlobalNum(glob::_x), GlobalNum(glob::_y)};
}

void Push(CInstance* self, double direction) {
  const auto accel = static_cast<float>(OwnNum(self, inst::chipAccel));
  AddOwn(self, inst::chipHspeed, F_LengthdirX(accel, static_cast<float>(direction)));
  AddOwn(self, inst::chipVspeed, F_LengthdirY(accel, static_cast<float>(direction)));
}

// Towards where the player will be in 15 steps while it shares the ghost's chip and the ghost has
// no wire end in view; otherwise towards that wire end. A chip without wire ends gives no target,
// and then no push.
void Hunt(CInstance* self, CInstance* other) {
  const double player = Run(tll_Script_control_get_player, self, other, kObControl);
  const bool sameChip = !tll::Equal(player, kNoPlayer) && tll::Equal(OwnNum(self, inst::chip), Of(tll::Int(player), inst::chip));
  if (sameChip && tll::Equal(OwnNum(self, inst::chipNodeTarget), -1)) {
    const Point p = PosOf(self, other, player);
    const double tx = p.x + Of(tll::Int(player), inst::chipHspeed) * 15;
    const double ty = p.y + Of(tll::Int(player), inst::chipVspeed) * 15;
    const Point g = PosOf(self, other, self->id);
    Push(self, F_PointDirection(static_cast<float>(g.x), static_cast<float>(g.y), static_cast<float>(tx),
                                static_cast<float>(ty)));
    // Now and then it gives up the chase for a wire end.
    if (Greater(F_Random(1), 0.999)) Run(tll_Script_ghost_set_node_target, self, other, self->id);
  } else {
    if (tll::Equal(OwnNum(self, inst::chipNodeTarget), -1)) {
      Run(tll_Script_ghost_set_node_target, self, other, self->id);
    }
    const double node = OwnNum(self, inst::chipNodeTarget);
    if (!tll::Equal(node, -1)) {
      const Point g = PosOf(self, other, self->id);
      Push(self, F_PointDirection(static_cast<float>(g.x), static_cast<float>(g.y),
                                  static_cast<float>(BuiltinOf(tll::Int(node), var::x)),
                                  static_cast<float>(BuiltinOf(tll::Int(node), var::y))));
    }
  }
  SetOwn(self, inst::chipHspeed, OwnNum(self, inst::chipHspeed) * OwnNum(self, inst::chipFriction));
  SetOwn(self, inst::chipVspeed, OwnNum(self, inst::chipVspeed) * OwnNum(self, inst::chipFriction));
}

bool Step(tll::Frame& frame, CInstance* self, CInstance* other, double s) {
  frame.Line(2);
  if (tll::Equal(OwnNum(self, inst::chip), -1)) {
    SetOwn(self, inst::chipNodeTarget, -1);
    Run(tll_Script_ob_player_wire_movement, self, other, self->id, s);
  } else {
    frame.Line(8);
    const int32_t chip = tll::Int(OwnNum(self, inst::chip));
    // A plain ghost keeps the velocity it entered with.
    if (tll::Equal(OwnNum(self, inst::type), 1)) Hunt(self, other);
    frame.Line(30);
    tll::Set(self, var::x, tll::Real(Builtin(self, var::x) + OwnNum(self, inst::chipHspeed)));
    tll::Set(self, var::y, tll::Real(Builtin(self, var::y) + OwnNum(self, inst::chipVspeed)));
    KeepInsideChip(self, other, chip);
  }
  frame.Line(45);
  AddOwn(self, inst::chipEnterTimer, -1);
  return false;
}

// The first and last node of every wire inside the ghost's chip or within 10 pixels of it, one
// drawn at random.
bool SetNodeTarget(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  const double nodes = Fn(self, other, fn::ds_list_create);
  const double chip = OwnNum(self, inst::chip);
  frame.Line(3);
  for (int32_t i = 0; i < F_InstanceNumber(self, other, kObEdgelist); ++i) {
    const int32_t e = tll::Int(Fn(self, other, fn::instance_find, kObEdgelist, i));
    const double list = Of(e, inst::list);
    const double size = Fn(self, other, fn::ds_list_size, list);
    for (const double end : {0.0, size - 1}) {
      const double node = Fn(self, other, fn::ds_list_find_value, list, end);
      const int32_t n = tll::Int(node);
      if (tll::Truth(Run(tll_Script_point_in_chip, self, other, chip, BuiltinOf(n, var::x), BuiltinOf(n, var::y), 10))) {
        Do(self, other, fn::ds_list_add, nodes, node);
      }
    }
  }
  frame.Line(10);
  const double count = Fn(self, other, fn::ds_list_size, nodes);
  // With no candidate the ghost keeps no target rather than reading past the list.
  if (tll::Positive(count)) {
    SetOwn(self, inst::chipNodeTarget,
           Fn(self, other, fn::ds_list_find_value, nodes, static_cast<double>(F_IRandom(tll::Int(count) - 1))));
  }
  frame.Line(11);
  Do(self, other, fn::ds_list_destroy, nodes);
  return false;
}

bool Draw(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  const Point p = PosOf(self, other, self->id);
  SetOwn(self, inst::playerX, p.x);
  SetOwn(self, inst::playerY, p.y);
  frame.Line(5);
  // Upright on screen, unlike the player: not turned against the view.
  tll::DrawSpriteExt(self, kSpGhost, -1, p.x, p.y, 1.3, 1.3, 0, OwnNum(self, inst::color), 1);
  return false;
}

}  // namespace

RValue* tll_Script_ob_ghost_create(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_ob_ghost_create");
  return CreateWithStartValues(frame, self, other, result, 0, 0, kObGhost,
                               {{inst::edgelist, Arg(argc, args, 0)}, {inst::edgelistT, Arg(argc, args, 1)},
                                {inst::forward, 1},              {inst::wireSpeed, 6},
                                {inst::chipAccel, 0.5 + F_Random(0.05)},
                                {inst::jumpEdgelist, -1},        {inst::jumpEdgelistT, 0},
                                {inst::jumpT, 0},                {inst::jumpSpeedT, 0.1},
                                {inst::chip, -1},                {inst::chipHspeed, 0},
                                {inst::chipVspeed, 0},           {inst::chipFriction, 0.9},
                                {inst::chipEnterTimer, 0},       {inst::chipEnterTimerLength, 5},
                                {inst::faceDir, 0},              {inst::size, 30},
                                {inst::invulnTimer, 0},          {inst::invulnTimerLength, 120},
                                {inst::invulnBlinkTimer, 0},     {inst::invulnBlinkTimerLength, 20},
                                {inst::deadTimer, 0},            {inst::deadTimerLength, 120},
                                {inst::hp, 1},                   {inst::color, 0xFFFFFF},
                                {inst::type, 0},                 {inst::chipNodeTarget, -1}});
}

RValue* tll_Script_ob_ghost_step(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgumentAnd("tll_Script_ob_ghost_step", self, other, result, argc, args, Step);
}

RValue* tll_Script_ob_ghost_draw(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_ghost_draw", self, other, result, argc, args, Draw);
}

RValue* tll_Script_ghost_set_node_target(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                         RValue** args) {
  return WithFirstArgument("tll_Script_ghost_set_node_target", self, other, result, argc, args, SetNodeTarget);
}
