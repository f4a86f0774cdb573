// The menu: the title screen's buttons, handled from the controller's step while the menu room
// is current. The arrows and the arrow keys choose a level, the start button enters it when it is
// unlocked, and the exit button ends the game. The selection lives in the controller.
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "world/lifecycle.h"

using namespace lumbrix;

namespace {

constexpr int32_t kKeyLeft = 37;
constexpr int32_t kKeyRight = 39;
constexpr int32_t kMouseLeft = 1;

// The mouse over the button's unscaled sprite, centred on its position.
bool UnderMouse(CInstance* self, CInstance* other) {
  const double sprite = Builtin(self, var::sprite_index);
  const double w = Fn(self, other, fn::sprite_get_width, sprite);
  const double h = Fn(self, other, fn::sprite_get_height, sprite);
  const double x = Builtin(self, var::x);
  const double y = Builtin(self, var::y);
  return tll::Truth(Fn(self, other, fn::point_in_rectangle, Builtin(self, var::mouse_x), Builtin(self, var::mouse_y),
                       x - w / 2, y - h / 2, x + w / 2, y + h / 2));
}
bool Clicked(CInstance* self, CInstance* other) {
  return UnderMouse(self, other) && tll::Truth(Fn(self, other, fn::mouse_check_button_pressed, kMouseLeft));
}
void SetBuiltin(CInstance* self, const LinkName& variable, double d) { tll::Set(self, variable, tll::Real(d)); }

// An arrow that cannot move the selection shows half transparent; a click moves it by one.
void Arrow(CInstance* self, CInstance* controller) {
  const double current = OwnNum(controller, inst::menuLevelCurrent);
  const double total = OwnNum(controller, inst::menuLevelTotal);
  const double add = OwnNum(self, inst::levelAdd);
  SetBuiltin(self, var::image_alpha, 1);
  if (tll::Equal(current, 0) && tll::Negative(add)) {
    SetBuiltin(self, var::image_alpha, 0.5);
  } else if (tll::Equal(current, total - 1) && tll::Positive(add)) {
    SetBuiltin(self, var::image_alpha, 0.5);
  }
  if (!Clicked(self, controller)) return;
  if (tll::Positive(add) && Less(current + 1, total)) {
    SetOwn(controller, inst::menuLevelCurrent, current + 1);
  } else if (tll::Negative(add) && !Less(current - 1, 0)) {
    SetOwn(controller, inst::menuLevelCurrent, current - 1);
  }
}

// A locked level dims the start button and takes no click. A click enters the selected level;
// a selection that names no level (after the last one is won, until the clamp below) is ignored
// rather than read past the end of the level table. True when the level is entered.
bool Start(CInstance* self, CInstance* controller) {
  const double current = OwnNum(controller, inst::menuLevelCurrent);
  const bool locked = Greater(current, OwnNum(controller, inst::menuLevelUnlocked));
  SetBuiltin(self, var::image_alpha, 1);
  if (locked) {
    SetBuiltin(self, var::image_alpha, 0.5);
    SetBuiltin(self, var::image_index, 0);
    SetOwn(self, inst::scale, 1);
  }
  const bool namesLevel = !tll::Negative(current) && Less(current, OwnNum(controller, inst::menuLevelTotal));
  if (!Clicked(self, controller) || locked || !namesLevel) return false;
  SetOwn(controller, inst::levelCurrent, current);
  const double room = tll::Num(*RValue_ArrayElement(&tll::Own(controller, inst::levelRoom), tll::Int(current)));
  Do(self, controller, fn::room_goto, room);
  return true;
}

bool MenuStep(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  {
    tll::With buttons(&self, &other, kObButton);
    if (buttons.Any()) {
      do {
        SetBuiltin(self, var::image_index, UnderMouse(self, other) ? 1 : 0);
      } while (buttons.Next());
    }
  }
  frame.Line(8);
  {
    tll::With arrows(&self, &other, kObArrow);
    if (arrows.Any()) {
      do {
        Arrow(self, other);
      } while (arrows.Next());
    }
  }
  frame.Line(20);
  {
    tll::With start(&self, &other, kObStart);
    if (start.Any()) {
      do {
        // Entering the level ends the menu's step here.
        if (Start(self, other)) return true;
      } while (start.Next());
    }
  }
  frame.Line(32);
  if (tll::Truth(Fn(self, other, fn::keyboard_check_pressed, kKeyLeft))) {
    SetOwn(self, inst::menuLevelCurrent, OwnNum(self, inst::menuLevelCurrent) - 1);
  } else if (tll::Truth(Fn(self, other, fn::keyboard_check_pressed, kKeyRight))) {
    SetOwn(self, inst::menuLevelCurrent, OwnNum(self, inst::menuLevelCurrent) + 1);
  }
  frame.Line(36);
  SetOwn(self, inst::menuLevelCurrent,
         Fn(self, other, fn::clamp, OwnNum(self, inst::menuLevelCurrent), 0, OwnNum(self, inst::menuLevelTotal) - 1));
  frame.Line(38);
  {
    tll::With exits(&self, &other, kObExit);
    if (exits.Any()) {
      do {
        if (Clicked(self, other)) F_GameEnd();
      } while (exits.Next());
    }
  }
  return false;
}

}  // namespace

RValue* tll_Script_control_menu_step(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_control_menu_step", self, other, result, argc, args, MenuStep);
}

void tll_Object_ob_button_Create_0(CInstance* self, CInstance*) {
  tll::Frame frame("tll_Object_ob_button_Create_0");
  frame.Line(1);
  SetOwn(self, inst::scale, 1);
}

// The two level arrows of the menu: the previous level, then the next.
void tll_RoomCC_rm_menu_102_Create(CInstance* self, CInstance*) {
  tll::Frame frame("tll_RoomCC_rm_menu_102_Create");
  frame.Line(1);
  SetOwn(self, inst::levelAdd, -1);
}

void tll_RoomCC_rm_menu_103_Create(CInstance* self, CInstance*) {
  tll::Frame frame("tll_RoomCC_rm_menu_103_Create");
  frame.Line(1);
  SetOwn(self, inst::levelAdd, 1);
}
