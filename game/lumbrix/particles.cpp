// Particles: the fading copies movers leave behind on the wires. Each draw shrinks and fades one
// a step further; after its last draw it is gone.
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "world/commands.h"

using namespace lumbrix;

void tll_Object_ob_particle_Create_0(CInstance* self, CInstance*) {
  tll::Frame frame("tll_Object_ob_particle_Create_0");
  frame.Line(1);
  SetOwn(self, inst::timer, 30);
  frame.Line(2);
  SetOwn(self, inst::timerLength, 30);
}

// Drawn 32 times from a timer of 30: the last draw, at -1, is at a factor of -1/30.
RValue* tll_Script_ob_particle_draw(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_particle_draw", self, other, result, argc, args,
                           [](tll::Frame& frame, CInstance* self, CInstance*) {
                             frame.Line(2);
                             const double f = OwnNum(self, inst::timer) / OwnNum(self, inst::timerLength);
                             frame.Line(3);
                             tll::DrawSpriteExt(self, tll::Int(Builtin(self, var::sprite_index)),
                                                tll::Int(Builtin(self, var::image_index)), Builtin(self, var::x),
                                                Builtin(self, var::y), f, f, Builtin(self, var::image_angle),
                                                Builtin(self, var::image_blend), Builtin(self, var::image_alpha) * f);
                             frame.Line(5);
                             if (tll::Negative(OwnNum(self, inst::timer))) F_InstanceDestroy(self);
                             frame.Line(7);
                             AddOwn(self, inst::timer, -1);
                             return false;
                           });
}
