// The keyboard as the game's four directions and two jump commands: each accepts an arrow key or
// the matching letter of W, A, S and D, so the player can steer with either hand.
#include "functions/interaction_functions.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"

namespace {

enum Key : int32_t { kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kA = 65, kD = 68, kS = 83, kW = 87 };

const RValue kLeftKey = tll::Real(kLeft);
const RValue kRightKey = tll::Real(kRight);
const RValue kAKey = tll::Real(kA);
const RValue kDKey = tll::Real(kD);

tll::Static s_keyLeftPressed;
tll::Static s_keyRightPressed;

double Held(Key arrow, Key letter) { return F_KeyboardCheck(arrow) || F_KeyboardCheck(letter) ? 1.0 : 0.0; }

// keyboard_check_pressed has no fast entry: it goes through its bound slot, its result through
// the unit's static.
bool Pressed(CInstance* self, CInstance* other, RValue* unit, const RValue& key) {
  return tll::Truth(*tll::Call(self, other, unit, lumbrix::fn::keyboard_check_pressed, key));
}

}  // namespace

RValue* tll_Script_key_left(CInstance*, CInstance*, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_key_left");
  frame.Line(1);
  return tll::Return(result, Held(kLeft, kA));
}

RValue* tll_Script_key_right(CInstance*, CInstance*, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_key_right");
  frame.Line(1);
  return tll::Return(result, Held(kRight, kD));
}

RValue* tll_Script_key_up(CInstance*, CInstance*, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_key_up");
  frame.Line(1);
  return tll::Return(result, Held(kUp, kW));
}

RValue* tll_Script_key_down(CInstance*, CInstance*, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_key_down");
  frame.Line(1);
  return tll::Return(result, Held(kDown, kS));
}

RValue* tll_Script_key_left_pressed(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_key_left_pressed");
  frame.Line(1);
  const bool pressed = Pressed(self, other, &s_keyLeftPressed, kLeftKey) || Pressed(self, other, &s_keyLeftPressed, kAKey);
  return tll::Return(result, pressed ? 1.0 : 0.0);
}

RValue* tll_Script_key_right_pressed(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_key_right_pressed");
  frame.Line(1);
  const bool pressed =
      Pressed(self, other, &s_keyRightPressed, kRightKey) || Pressed(self, other, &s_keyRightPressed, kDKey);
  return tll::Return(result, pressed ? 1.0 : 0.0);
}
