// Chips: the rectangles the player hacks. How many are left, whether a point lies in one, which
// is nearest to a point and how far, and how a chip and its dark surround are drawn.
#include <cmath>

#include "functions/random.h"
#include "lumbrix/board.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"

using namespace lumbrix;

namespace {

struct Rect {
  double x, y, width, height;
};
Rect ChipRect(CInstance* self) {
  return {Builtin(self, var::x), Builtin(self, var::y), OwnNum(self, inst::width), OwnNum(self, inst::height)};
}

// A chip's sprite for its size in cells of `cell` pixels, the sides taken in the order given;
// -1 when none fits.
double SpriteFor(CInstance* self, CInstance* other, double across, double down, double cell) {
  const double w = Fn(self, other, fn::round, across) / cell;
  const double h = Fn(self, other, fn::round, down) / cell;
  return Run(tll_Script_chip_get_sprite, self, other, w, h);
}

struct Found {
  double sprite = -1;
  double scale = 1;
};
// The sprite of cells of 50 pixels drawn as it is, else that of cells of 100 at twice its size.
Found Lookup(CInstance* self, CInstance* other, double across, double down) {
  const double small = SpriteFor(self, other, across, down, 50);
  if (!tll::Equal(small, -1)) return {small, 1};
  return {SpriteFor(self, other, across, down, 100), 2};
}

// The lit overlay shows for good from 100 on, and flickers more often as the hack goes on.
bool OverlayShows(double hackPercent) {
  if (!Less(hackPercent, 100)) return true;
  return Greater(hackPercent, 1) && Greater(F_Random(1) * (1 + hackPercent / 700), 0.99);
}

// Frame 1 of the chip's sprite over it, lit for good from 100 on, else now and then.
void DrawOverlay(CInstance* self, const Found& found, double x, double y, double angle, double hackPercent) {
  const double alpha = Less(hackPercent, 100) ? 0.3 : 1;
  if (!tll::Equal(found.sprite, -1)) {
    tll::DrawSpriteExt(self, tll::Int(found.sprite), 1, x, y, found.scale, found.scale, angle, 0xFFFFFF, alpha);
  }
}

// A chip upright with the sprite of its size, or else turned a quarter from its bottom left with
// that of its transposed size; a chip whose size fits neither is not drawn.
bool DrawChip(tll::Frame& frame, CInstance* self, CInstance* other) {
  const Rect r = ChipRect(self);
  frame.Line(2);
  Found upright = Lookup(self, other, r.width, r.height);
  if (!tll::Equal(upright.sprite, -1)) {
    if (tll::Equal(upright.scale, 1)) {
      Do(self, other, fn::draw_sprite, upright.sprite, 0, r.x, r.y);
    } else {
      tll::DrawSpriteExt(self, tll::Int(upright.sprite), 0, r.x, r.y, 2, 2, 0, 0xFFFFFF, 1);
    }
  }
  frame.Line(3);
  const double hackPercent = OwnNum(self, inst::hackPercent);
  if (OverlayShows(hackPercent)) {
    upright = Lookup(self, other, r.width, r.height);
    DrawOverlay(self, upright, r.x, r.y, 0, hackPercent);
  }
  frame.Line(4);
  if (!tll::Equal(upright.sprite, -1)) return true;
  frame.Line(5);
  const Found turned = Lookup(self, other, r.height, r.width);
  if (!tll::Equal(turned.sprite, -1)) {
    tll::DrawSpriteExt(self, tll::Int(turned.sprite), 0, r.x, r.y + r.height, turned.scale, turned.scale, 90,
                       0xFFFFFF, 1);
  }
  frame.Line(6);
  if (OverlayShows(hackPercent)) DrawOverlay(self, turned, r.x, r.y + r.height, 90, hackPercent);
  return false;
}

}  // namespace

RValue* tll_Script_chips_remaining(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t, RValue**) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_chips_remaining");
  frame.Line(1);
  double n = 0;
  {
    tll::With with(&self, &other, kObChip);
    if (with.Any()) {
      do {
        frame.Line(2);
        if (Less(OwnNum(self, inst::hackPercent), 100)) n = n + 1;
      } while (with.Next());
    }
  }
  frame.Line(3);
  return tll::Return(result, n);
}

RValue* tll_Script_point_in_chip(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  const double px = Arg(argc, args, 1), py = Arg(argc, args, 2), margin = Arg(argc, args, 3);
  return WithFirstArgument("tll_Script_point_in_chip", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             const Rect r = ChipRect(self);
                             tll::Return(result, Fn(self, other, fn::point_in_rectangle, px, py, r.x - margin,
                                                    r.y - margin, r.x + r.width + margin, r.y + r.height + margin));
                             return true;
                           });
}

RValue* tll_Script_chip_get_nearest(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t argc,
                                    RValue** args) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_chip_get_nearest");
  const double px = Arg(argc, args, 0), py = Arg(argc, args, 1);
  frame.Line(1);
  double best = -1;
  double bestChip = -1;
  {
    tll::With with(&self, &other, kObChip);
    if (with.Any()) {
      do {
        frame.Line(2);
        const Rect r = ChipRect(self);
        const double right = r.x + r.width;
        const double bottom = r.y + r.height;
        if (tll::Truth(Fn(self, other, fn::point_in_rectangle, px, py, r.x, r.y, right, bottom))) {
          SetGlobal(glob::_distance, 0);
          return tll::Return(result, self->id);
        }
        frame.Line(3);
        double d;
        if (!Greater(r.x, px) && !Greater(px, right)) {  // above or below
          d = std::fmin(std::fabs(py - r.y), std::fabs(py - r.y - r.height));
        } else if (!Greater(r.y, py) && !Greater(py, bottom)) {  // beside
          d = std::fmin(std::fabs(px - r.x), std::fabs(px - r.x - r.width));
        } else {  // off a corner
          d = std::fmin(std::fmin(Fn(self, other, fn::point_distance, r.x, r.y, px, py),
                                  Fn(self, other, fn::point_distance, right, r.y, px, py)),
                        std::fmin(Fn(self, other, fn::point_distance, right, bottom, px, py),
                                  Fn(self, other, fn::point_distance, r.x, bottom, px, py)));
        }
        frame.Line(4);
        if (tll::Equal(best, -1) || Less(d, best)) {
          best = d;
          bestChip = self->id;
        }
      } while (with.Next());
    }
  }
  frame.Line(5);
  SetGlobal(glob::_distance, best);
  return tll::Return(result, bestChip);
}

RValue* tll_Script_chip_get_sprite(CInstance*, CInstance*, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_chip_get_sprite");
  const double w = Arg(argc, args, 0), h = Arg(argc, args, 1);
  static constexpr struct {
    double w, h;
    int32_t sprite;
  } kSprites[] = {{3, 3, 20}, {4, 3, 21}, {4, 4, 22}, {5, 3, 23}, {5, 4, 25}, {5, 5, 26}};
  int32_t line = 1;
  for (const auto& s : kSprites) {
    frame.Line(line++);
    if (tll::Equal(w, s.w) && tll::Equal(h, s.h)) return tll::Return(result, s.sprite);
  }
  frame.Line(line);
  return tll::Return(result, -1.0);
}

RValue* tll_Script_chip_draw_outline(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_chip_draw_outline", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             tll::DrawSetColour(0x2B3802);
                             frame.Line(3);
                             const double m = 100;
                             const Rect r = ChipRect(self);
                             Do(self, other, fn::draw_roundrect_ext, r.x - m, r.y - m, r.x + r.width + m,
                                r.y + r.height + m, 78, 78, 0);
                             return false;
                           });
}

RValue* tll_Script_ob_chip_draw(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_chip_draw", self, other, result, argc, args, DrawChip);
}

void tll_Object_ob_chip_Create_0(CInstance* self, CInstance*) {
  tll::Frame frame("tll_Object_ob_chip_Create_0");
  frame.Line(1);
  SetOwn(self, inst::width, Builtin(self, var::image_xscale) * 100);
  frame.Line(2);
  SetOwn(self, inst::height, Builtin(self, var::image_yscale) * 100);
  frame.Line(3);
  SetOwn(self, inst::hackPercent, 0);
  frame.Line(4);
  SetOwn(self, inst::hackScale, 1);
}

// The tutorial's chip and the chip of the first level hack more slowly.
void tll_RoomCC_rm_tutorial_107_Create(CInstance* self, CInstance*) {
  tll::Frame frame("tll_RoomCC_rm_tutorial_107_Create");
  frame.Line(1);
  SetOwn(self, inst::hackScale, 0.8);
}

void tll_RoomCC_rm_level1_115_Create(CInstance* self, CInstance*) {
  tll::Frame frame("tll_RoomCC_rm_level1_115_Create");
  frame.Line(1);
  SetOwn(self, inst::hackScale, 0.8);
}
