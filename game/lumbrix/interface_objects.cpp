// The objects of the interface: the "HACKING_COMPLETE." banner that types itself out when a level
// is won, the hack meter that slides in from the left while the player is inside a chip and shows
// its progress, and the tutorial's trigger areas that run a named script once when the player
// enters them.
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "vm/calls.h"

using namespace lumbrix;

namespace {

constexpr const char* kBannerText = "HACKING_COMPLETE.";
constexpr double kMeterSlide = 6;  // pixels a step

void SetBuiltin(CInstance* self, const LinkName& variable, double d) { tll::Set(self, variable, tll::Real(d)); }

double MeterWidth(CInstance* self, CInstance* other) { return Fn(self, other, fn::sprite_get_width, kSpHackerMeter); }

// Inside a chip the meter slides in and its bar grows with the chip's progress, from 12 to 130
// pixels right of its edge (past its frame beyond 100); on the wires it slides out.
void MeterFollows(CInstance* player, CInstance* meter) {
  const double chip = OwnNum(player, inst::chip);
  if (tll::Equal(chip, -1)) {
    SetBuiltin(meter, var::x, Builtin(meter, var::x) - kMeterSlide);
    return;
  }
  SetBuiltin(meter, var::x, Builtin(meter, var::x) + kMeterSlide);
  tll::DrawSetColour(0x800080);
  tll::DrawSetAlpha(0.8);
  const double left = Builtin(meter, var::x) + 12;
  const double right = Builtin(meter, var::x) + 130;
  tll::Local percent;
  tll::GetOn(tll::Int(chip), inst::hackPercent, &percent);
  Do(player, meter, fn::draw_roundrect, left, 24, left + (right - left) * tll::Num(*percent) / 100, 64, 0);
  tll::DrawSetAlpha(1);
}

}  // namespace

// --- the level-complete banner -------------------------------------------------------------------

void tll_Object_ob_level_complete_Create_0(CInstance* self, CInstance*) {
  tll::Frame frame("tll_Object_ob_level_complete_Create_0");
  frame.Line(1);
  SetOwn(self, inst::timerLength, 120);
  frame.Line(2);
  SetOwn(self, inst::timer, OwnNum(self, inst::timerLength));
}

void tll_Object_ob_level_complete_Draw_64(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_level_complete_Draw_64");
  frame.Line(1);
  const tll::Text text(kBannerText);
  SetOwn(self, inst::timer, OwnNum(self, inst::timer) - 1);
  frame.Line(3);
  tll::DrawSetFont(1);
  const double cx = ViewOf(self, var::view_wport) / 2;
  const double cy = ViewOf(self, var::view_hport) / 2 - 20;
  const double w = tll::Num(*tll::Call(self, other, &s_unit, fn::string_width, text.value));
  const double h = tll::Num(*tll::Call(self, other, &s_unit, fn::string_height, text.value));
  frame.Line(8);
  // The backing box: 15 pixels of margin on the left, 5 on the right, 10 above.
  tll::DrawSetColour(0);
  tll::DrawSetAlpha(0.7);
  tll::DrawRectangle(cx - w / 2 - 15, cy - h / 2 - 10, cx + w / 2 + 5, cy + h / 2, false);
  tll::DrawSetAlpha(1);
  frame.Line(12);
  tll::DrawSetColour(65280);
  tll::DrawSetHAlign(1);
  tll::DrawSetVAlign(1);
  const double length = tll::Num(*tll::Call(self, other, &s_unit, fn::string_length, text.value));
  const double shown = length * (1 - OwnNum(self, inst::timer) / OwnNum(self, inst::timerLength));
  tll::Local typed;
  tll::Call(self, other, &typed, fn::string_copy, text.value, tll::Real(1), tll::Real(shown));
  tll::Call(self, other, &s_unit, fn::draw_text, tll::Real(cx), tll::Real(cy), *typed);
  frame.Line(16);
  tll::DrawSetHAlign(0);
  tll::DrawSetVAlign(0);
}

// --- the hack meter ------------------------------------------------------------------------------

void tll_Object_ob_hack_meter_Create_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_hack_meter_Create_0");
  frame.Line(1);
  SetOwn(self, inst::active, 0);
  frame.Line(2);
  // Hidden left of the screen.
  SetBuiltin(self, var::x, -MeterWidth(self, other));
}

void tll_Object_ob_hack_meter_Draw_64(CInstance* selfIn, CInstance* otherIn) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Object_ob_hack_meter_Draw_64");
  frame.Line(1);
  SetBuiltin(self, var::x, Fn(self, other, fn::clamp, Builtin(self, var::x), -MeterWidth(self, other), 0));
  frame.Line(2);
  Do(self, other, fn::draw_sprite, kSpHackerMeter, 0, Builtin(self, var::x), 0);
  frame.Line(3);
  const int32_t player = tll::Int(Run(tll_Script_control_get_player, self, other, kObControl));
  frame.Line(4);
  tll::With with(&self, &other, player);
  if (with.Any()) {
    do {
      MeterFollows(self, other);
    } while (with.Next());
  }
}

// --- the tutorial's triggers ---------------------------------------------------------------------

void tll_Object_ob_trigger_Create_0(CInstance* self, CInstance*) {
  tll::Frame frame("tll_Object_ob_trigger_Create_0");
  frame.Line(1);
  RValue_SetString(&tll::Own(self, inst::script), "");
}

// The first step the player's place on the wires lies in the trigger's area, the script it names
// runs with the player as self and the trigger as other; the name is then cleared, so each
// trigger fires once. Only a text names a script.
void tll_Object_ob_trigger_Step_0(CInstance* selfIn, CInstance* otherIn) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Object_ob_trigger_Step_0");
  frame.Line(1);
  const int32_t player = tll::Int(Run(tll_Script_control_get_player, self, other, kObControl));
  frame.Line(2);
  tll::With with(&self, &other, player);
  if (!with.Any()) return;
  do {
    frame.Line(3);
    Run(tll_Script_player_get_pos, self, other, self->id);
    frame.Line(4);
    const double x = Builtin(other, var::x);
    const double y = Builtin(other, var::y);
    const bool inside = tll::Truth(Fn(self, other, fn::point_in_rectangle, tll::Num(tll::Global(glob::_x)),
                                      tll::Num(tll::Global(glob::_y)), x, y,
                                      x + Builtin(other, var::image_xscale) * 50,
                                      y + Builtin(other, var::image_yscale) * 50));
    const char* name = tll::TextOf(tll::Own(other, inst::script));
    if (!inside || name == nullptr || name[0] == '\0') continue;
    frame.Line(5);
    const double script = tll::Num(*tll::Call(self, other, &s_unit, fn::asset_get_index, tll::Own(other, inst::script)));
    VM_CallScript(self, other, &s_unit, 0, tll::Int(script), nullptr);
    frame.Line(6);
    RValue_SetString(&tll::Own(other, inst::script), "");
  } while (with.Next());
}
