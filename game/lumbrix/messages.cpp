// Text messages and the tutorial. A message is an outlined text rendered once into a surface of
// its own; it is drawn in the room (kept upright and at one size on screen while the camera turns
// and zooms) or on the GUI layer, fading over the last part of its life, and frees its surface
// when it goes. The tutorial's triggers run the seven tutorial scripts, which show the lessons,
// add ghosts or end the tutorial as won.
#include "functions/random.h"
#include "functions/surface_functions.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "render/surface.h"
#include "world/commands.h"

using namespace lumbrix;

namespace {

constexpr int32_t kObText = 27;
constexpr int32_t kFnTutorial = 2;
constexpr int32_t kFnMessage = 3;
constexpr double kWhite = 0xFFFFFF;
// A message is fully opaque for the first 37.5 percent of its life, then fades to nothing.
constexpr double kFade = 1.6;


void DrawText(CInstance* self, CInstance* other, double x, double y, const RValue& text) {
  tll::Call(self, other, &s_unit, fn::draw_text, tll::Real(x), tll::Real(y), text);
}

bool TextCreate(tll::Frame& frame, CInstance* self, CInstance* other, RValue* result, const RValue& text) {
  frame.Line(2);
  SetOwn(self, inst::drawGui, 0);
  tll::Set(&tll::Own(self, inst::text), text);
  frame.Line(3);
  const double w = tll::Num(*tll::Call(self, other, &s_unit, fn::string_width, text));
  const double h = tll::Num(*tll::Call(self, other, &s_unit, fn::string_height, text));
  SetOwn(self, inst::surf, Fn(self, other, fn::surface_create, w + 2, h + 2));
  frame.Line(4);
  const int32_t surf = tll::Int(OwnNum(self, inst::surf));
  tll::Watch("surface_set_target", surf);
  F_SurfaceSetTarget(surf);
  Do(self, other, fn::draw_clear_alpha, 0, 0);
  frame.Line(5);
  // The black outline: the text one pixel below, above, right and left of its place.
  tll::DrawSetColour(0);
  DrawText(self, other, 1, 2, text);
  DrawText(self, other, 1, 0, text);
  DrawText(self, other, 2, 1, text);
  DrawText(self, other, 0, 1, text);
  frame.Line(6);
  tll::DrawSetColour(static_cast<uint32_t>(kWhite));
  DrawText(self, other, 1, 1, text);
  frame.Line(7);
  tll::Watch("surface_reset_target");
  Surface_ResetTarget();
  tll::Return(result, self->id);
  return true;
}

// The message surface centred on (x, y), at `scale`, turned by `angle`, faded by its life left.
void DrawMessage(CInstance* self, CInstance* other, double scale, double angle) {
  const double surf = OwnNum(self, inst::surf);
  const double w = Fn(self, other, fn::surface_get_width, surf);
  const double h = Fn(self, other, fn::surface_get_height, surf);
  const double alpha = OwnNum(self, inst::timer) / OwnNum(self, inst::timerLength) * kFade;
  Do(self, other, fn::draw_surface_ext, surf, Builtin(self, var::x) - w / 2, Builtin(self, var::y) - h / 2, scale,
     scale, angle, kWhite, alpha);
}

// A lesson in the middle of the screen, `offset` pixels below its centre, on the GUI layer; a
// `timer` other than 0 gives it that life. Answers the message's id.
int32_t Lesson(CInstance* selfIn, CInstance* otherIn, int32_t font, double offset, const char* message,
               double timer = 0) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::DrawSetFont(font);
  const tll::Text text(message);
  const int32_t id =
      tll::Int(*tll::Script(tll_Script_ob_text_create, self, other, &s_unit, tll::Real(ViewOf(self, var::view_wport) / 2),
                            tll::Real(ViewOf(self, var::view_hport) / 2 + offset), text.value));
  tll::With with(&self, &other, id);
  if (with.Any()) {
    do {
      SetOwn(self, inst::drawGui, 1);
      if (timer > 0) SetOwn(self, inst::timer, timer);
    } while (with.Next());
  }
  return id;
}

RValue* TutorialLesson(const char* name, CInstance* self, CInstance* other, RValue* result, int32_t font,
                       double offset, const char* message, double timer = 0) {
  tll::Frame frame(name);
  frame.Line(1);
  Lesson(self, other, font, offset, message, timer);
  return result;
}

void NameScript(const char* name, CInstance* self, const char* script) {
  tll::Frame frame(name);
  frame.Line(1);
  RValue_SetString(&tll::Own(self, inst::script), script);
}

}  // namespace

// --- messages ------------------------------------------------------------------------------------

// A message at (x, y) in the font current when it is called; answers its id.
RValue* tll_Script_ob_text_create(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t argc, RValue** args) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_ob_text_create");
  frame.Line(1);
  tll::Local text;
  if (argc > 2) tll::Set(&text, *args[2]);
  const int32_t made = F_InstanceCreate(static_cast<float>(Arg(argc, args, 0)), static_cast<float>(Arg(argc, args, 1)),
                                        kObText);
  tll::With with(&self, &other, made);
  if (!with.Any()) return result;
  do {
    if (TextCreate(frame, self, other, result, *text)) return result;
  } while (with.Next());
  return result;
}

void tll_Object_ob_text_Create_0(CInstance* self, CInstance*) {
  tll::Frame frame("tll_Object_ob_text_Create_0");
  frame.Line(1);
  SetOwn(self, inst::timer, 180);
  frame.Line(2);
  SetOwn(self, inst::timerLength, 180);
}

void tll_Object_ob_text_Destroy_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_text_Destroy_0");
  frame.Line(1);
  Do(self, other, fn::surface_free, OwnNum(self, inst::surf));
}

void tll_Object_ob_text_Draw_64(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_text_Draw_64");
  frame.Line(1);
  if (tll::Truth(OwnNum(self, inst::drawGui))) DrawMessage(self, other, 1, 0);
}

// A room message is scaled with the camera's zoom and turned against its turn; every message,
// wherever it is drawn, lives one step less here and goes once its time is below zero.
void tll_Object_ob_text_Draw_0(CInstance* self, CInstance* other) {
  tll::Frame frame("tll_Object_ob_text_Draw_0");
  frame.Line(1);
  if (tll::Equal(OwnNum(self, inst::drawGui), 0)) {
    frame.Line(2);
    const double scale = Of(kObControl, inst::viewScale);
    DrawMessage(self, other, scale, -ViewOf(self, var::view_angle));
  }
  frame.Line(4);
  AddOwn(self, inst::timer, -1);
  frame.Line(5);
  if (tll::Negative(OwnNum(self, inst::timer))) F_InstanceDestroy(self);
}

// --- the tutorial --------------------------------------------------------------------------------

RValue* tll_Script_tutorial0(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  return TutorialLesson("tll_Script_tutorial0", self, other, result, kFnTutorial, -100, "Welcome to the TUTORIAL.");
}

RValue* tll_Script_tutorial1(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  return TutorialLesson("tll_Script_tutorial1", self, other, result, kFnMessage, -60,
                        "Move with the arrow keys or WASD.", 240);
}

// Ghosts along the three horizontal wires: 30 spawners upside down, 150 pixels apart.
RValue* tll_Script_tutorial2(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  tll::Frame frame("tll_Script_tutorial2");
  frame.Line(1);
  Lesson(self, other, kFnMessage, -100, "Watch out for enemies!");
  for (int32_t i = 0; i < 30; ++i) {
    frame.Line(5);
    const double y = static_cast<double>(F_IRandom(2)) * 50 + 1800;
    const int32_t spawner = F_InstanceCreate(static_cast<float>(i * 150 - 1000), static_cast<float>(y), kObGhostSpawner);
    frame.Line(6);
    tll::SetOnTarget(spawner, var::image_yscale, tll::Real(-1));
  }
  return result;
}

RValue* tll_Script_tutorial3(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  return TutorialLesson("tll_Script_tutorial3", self, other, result, kFnMessage, -100,
                        "Hack all computer chips to win!#You can move in any direction on a chip.", 240);
}

RValue* tll_Script_tutorial4(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  return TutorialLesson("tll_Script_tutorial4", self, other, result, kFnMessage, -100, "Uh, wrong way buddy.", 180);
}

RValue* tll_Script_tutorial5(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  return TutorialLesson("tll_Script_tutorial5", self, other, result, kFnMessage, -100,
                        "Whatever, you can just win now.", 180);
}

// Every chip complete, and the win found at once.
RValue* tll_Script_tutorial6(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t, RValue**) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_tutorial6");
  frame.Line(1);
  {
    tll::With chips(&self, &other, kObChip);
    if (chips.Any()) {
      do {
        SetOwn(self, inst::hackPercent, 101);
      } while (chips.Next());
    }
  }
  frame.Line(4);
  Run(tll_Script_control_check_win, self, other, kObControl);
  return result;
}

// --- the tutorial's triggers: each names the script it runs -------------------------------------

void tll_RoomCC_rm_tutorial_104_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_104_Create", self, "tutorial0");
}
void tll_RoomCC_rm_tutorial_105_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_105_Create", self, "tutorial1");
}
void tll_RoomCC_rm_tutorial_106_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_106_Create", self, "tutorial2");
}
void tll_RoomCC_rm_tutorial_108_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_108_Create", self, "tutorial3");
}
void tll_RoomCC_rm_tutorial_109_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_109_Create", self, "tutorial4");
}
void tll_RoomCC_rm_tutorial_110_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_110_Create", self, "tutorial5");
}
void tll_RoomCC_rm_tutorial_111_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_111_Create", self, "tutorial6");
}
void tll_RoomCC_rm_tutorial_112_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_112_Create", self, "tutorial4");
}
void tll_RoomCC_rm_tutorial_113_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_113_Create", self, "tutorial5");
}
void tll_RoomCC_rm_tutorial_114_Create(CInstance* self, CInstance*) {
  NameScript("tll_RoomCC_rm_tutorial_114_Create", self, "tutorial6");
}
