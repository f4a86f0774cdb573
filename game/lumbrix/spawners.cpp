// Spawners: markers placed in a room that make the player, the ghosts, the turrets and floating
// texts one step after the room starts, when every wire piece has built its part of the graph. A
// mover starts on the wire position nearest to its spawner; a spawner mirrored upside down (a
// negative yscale) sends it the other way.
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"

using namespace lumbrix;

namespace {

// The mover made from the nearest wire position to the spawner, turned round when the spawner is
// mirrored.
void Flip(CInstance* self, int32_t mover) {
  if (!tll::Negative(Builtin(self, var::image_yscale))) return;
  tll::Local forward;
  tll::GetOn(mover, inst::forward, &forward);
  tll::SetOn(mover, inst::forward, tll::Real(tll::Equal(tll::Num(*forward), 0) ? 1 : 0));
}

int32_t MoverAtNearestWire(CInstance* self, CInstance* other, tll::ScriptFunction create) {
  Run(tll_Script_edgelist_get_nearest, self, other, Builtin(self, var::x), Builtin(self, var::y));
  return tll::Int(Run(create, self, other, tll::Num(tll::Global(glob::_edgelist)),
                      tll::Num(tll::Global(glob::_edgelistT))));
}

}  // namespace

void tll_Object_ob_spawner_Create_0(CInstance* self, CInstance*) {
  tll::Frame frame("tll_Object_ob_spawner_Create_0");
  frame.Line(1);
  // Fires in the room's first step, after every instance of the room has run its Create event.
  tll::Set(self, var::alarm, tll::Real(1), 0);
}

void tll_Object_ob_player_spawn_Alarm_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_player_spawn_Alarm_0");
  frame.Line(1);
  const int32_t player = MoverAtNearestWire(self, other, tll_Script_ob_player_create);
  frame.Line(3);
  Flip(self, player);
  frame.Line(5);
  // The camera starts turned to the player's direction of travel.
  tll::SetOn(kObControl, inst::viewAngle, tll::Real(Run(tll_Script_player_get_direction, self, other, player)));
}

void tll_Object_ob_ghost_spawner_Alarm_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_ghost_spawner_Alarm_0");
  frame.Line(1);
  const int32_t ghost = MoverAtNearestWire(self, other, tll_Script_ob_ghost_create);
  frame.Line(3);
  Flip(self, ghost);
}

void tll_Object_ob_chaser_spawner_Alarm_0(CInstance* selfIn, CInstance* otherIn) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Object_ob_chaser_spawner_Alarm_0");
  frame.Line(1);
  const int32_t ghost = MoverAtNearestWire(self, other, tll_Script_ob_ghost_create);
  frame.Line(3);
  {
    // A faster ghost of the chasing kind, in red.
    tll::With with(&self, &other, ghost);
    if (with.Any()) {
      do {
        SetOwn(self, inst::wireSpeed, 8);
        SetOwn(self, inst::chipAccel, OwnNum(self, inst::chipAccel) + 0.45);
        SetOwn(self, inst::type, 1);
        SetOwn(self, inst::color, 0x2020FF);
      } while (with.Next());
    }
  }
  frame.Line(9);
  Flip(self, ghost);
}

void tll_Object_ob_turret_spawner_Alarm_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_turret_spawner_Alarm_0");
  frame.Line(1);
  const double x = Builtin(self, var::x);
  const double y = Builtin(self, var::y);
  const double chip = Run(tll_Script_chip_get_nearest, self, other, x, y);
  frame.Line(2);
  Run(tll_Script_ob_turret_create, self, other, x, y, Builtin(self, var::image_angle), chip);
}

void tll_Object_ob_text_spawner_Alarm_0(CInstance* selfIn, CInstance* otherIn) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Object_ob_text_spawner_Alarm_0");
  frame.Line(1);
  tll::DrawSetFont(2);
  frame.Line(2);
  const int32_t text =
      tll::Int(*tll::Script(tll_Script_ob_text_create, self, other, &s_unit, tll::Real(Builtin(self, var::x)),
                            tll::Real(Builtin(self, var::y)), tll::Own(self, inst::text)));
  frame.Line(3);
  tll::With with(&self, &other, text);
  if (with.Any()) {
    do {
      // A text that never times out.
      SetOwn(self, inst::timer, 1e15);
      SetOwn(self, inst::timerLength, OwnNum(self, inst::timer));
    } while (with.Next());
  }
}
