// The controller's drawing: the board in a fixed order (later layers paint over earlier ones),
// the menu's level picture and credits, and on the GUI layer the player's hit points and the
// minimap. The minimap is rendered once a step into its own surface, centred on the camera and
// turned with it, so the GUI event only has to paste that surface.
#include "functions/math_geometry.h"
#include "functions/surface_functions.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "render/surface.h"

using namespace lumbrix;

namespace {

constexpr int32_t kSpPlayer = 12;
constexpr int32_t kSpBackgroundTile = 15;
constexpr int32_t kSpLevel = 33;
constexpr int32_t kFnMessage = 3;
constexpr const char* kCredits = "Lumbrix - code, art and music by the Lumbrix team";

bool InMenu(CInstance* self) { return tll::Equal(Builtin(self, var::room), kRmMenu); }

// Runs `draw` (a draw script) with the id of every instance of `object`.
void DrawEach(CInstance* self, CInstance* other, int32_t object, tll::ScriptFunction draw) {
  tll::With with(&self, &other, object);
  if (!with.Any()) return;
  do {
    Run(draw, self, other, self->id);
  } while (with.Next());
}

bool Draw(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  if (InMenu(self)) {
    frame.Line(3);
    tll::DrawSpriteExt(self, kSpLevel, tll::Int(OwnNum(self, inst::menuLevelCurrent)), 192, 160, 1, 1, 0, 0xFFFFFF, 1);
    frame.Line(4);
    tll::DrawSetFont(kFnMessage);
    tll::DrawSetColour(0x008000);
    const tll::Text credits(kCredits);
    tll::Call(self, other, &s_unit, fn::draw_text, tll::Real(10), tll::Real(ViewOf(self, var::view_hview) - 30),
              credits.value);
    return false;
  }
  frame.Line(8);
  Do(self, other, fn::draw_sprite_tiled, kSpBackgroundTile, 0, 0, 0);
  frame.Line(9);
  DrawEach(self, other, kObEdgelist, tll_Script_edgelist_draw_outline);
  frame.Line(10);
  DrawEach(self, other, kObChip, tll_Script_chip_draw_outline);
  frame.Line(11);
  DrawEach(self, other, kObEdgelist, tll_Script_ob_edgelist_draw);
  frame.Line(12);
  DrawEach(self, other, kObChip, tll_Script_ob_chip_draw);
  frame.Line(13);
  DrawEach(self, other, kObParticle, tll_Script_ob_particle_draw);
  frame.Line(14);
  DrawEach(self, other, kObGhost, tll_Script_ob_ghost_draw);
  frame.Line(15);
  Run(tll_Script_ob_player_draw, self, other, Run(tll_Script_control_get_player, self, other, self->id));
  frame.Line(16);
  DrawEach(self, other, kObTurret, tll_Script_ob_turret_draw);
  return false;
}

// Hit points as player icons from the top-right corner leftwards, 50 pixels apart; outside the
// menu the minimap's frame and its surface in the bottom-right corner.
bool DrawGui(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  const int32_t player = tll::Int(Run(tll_Script_control_get_player, self, other, self->id));
  frame.Line(3);
  {
    tll::With with(&self, &other, player);
    if (with.Any()) {
      do {
        for (int32_t i = 0; Less(i, OwnNum(self, inst::hp)); ++i) {
          frame.Line(4);
          Do(self, other, fn::draw_sprite, kSpPlayer, 0, ViewOf(self, var::view_wport) - 40 - 50 * i, 30);
        }
      } while (with.Next());
    }
  }
  frame.Line(7);
  if (InMenu(self)) return false;
  frame.Line(8);
  const double x = OwnNum(self, inst::minimapX);
  const double y = OwnNum(self, inst::minimapY);
  const double size = OwnNum(self, inst::minimapPortSize);
  tll::DrawSetColour(65280);
  tll::DrawSetAlpha(0.8);
  tll::DrawRectangle(x, y, x + size, y + size, true);
  tll::DrawSetAlpha(1);
  frame.Line(12);
  const double surf = OwnNum(self, inst::minimapSurf);
  if (tll::Truth(Fn(self, other, fn::surface_exists, surf))) {
    frame.Line(13);
    Do(self, other, fn::draw_surface, surf, x, y);
  }
  return false;
}

struct Point {
  double x;
  double y;
};
// A room point on the minimap, through the conversion script (run as the controller) and its
// globals.
Point ToMinimap(CInstance* self, CInstance* other, int32_t control, double px, double py) {
  Run(tll_Script_coord_to_minimap, self, other, control, px, py);
  return {GlobalNum(glob::_x), GlobalNum(glob::_y)};
}
// A mover's place on the graph, as a dot on the minimap.
void Dot(CInstance* self, CInstance* other, double colour, double radius) {
  Run(tll_Script_player_get_pos, self, other, self->id);
  const Point p = ToMinimap(self, other, other->id, GlobalNum(glob::_x), GlobalNum(glob::_y));
  tll::DrawSetColour(static_cast<uint32_t>(tll::Int(colour)));
  Do(self, other, fn::draw_circle, p.x, p.y, radius, 0);
}

void MinimapWires(CInstance* self, CInstance* other) {
  const int32_t control = self->id;
  tll::DrawSetColour(65535);
  tll::With with(&self, &other, kObEdgelist);
  if (!with.Any()) return;
  do {
    const double list = OwnNum(self, inst::list);
    for (int32_t i = 1; Less(i, Fn(self, other, fn::ds_list_size, list)); ++i) {
      const int32_t a = tll::Int(Fn(self, other, fn::ds_list_find_value, list, i - 1));
      const int32_t b = tll::Int(Fn(self, other, fn::ds_list_find_value, list, i));
      const Point pa = ToMinimap(self, other, control, BuiltinOf(a, var::x), BuiltinOf(a, var::y));
      const Point pb = ToMinimap(self, other, control, BuiltinOf(b, var::x), BuiltinOf(b, var::y));
      Do(self, other, fn::draw_line, pa.x, pa.y, pb.x, pb.y);
    }
  } while (with.Next());
}

// A chip is one thick line down its middle, as wide as the chip at the minimap's scale: dark grey
// until hacked, then red.
void MinimapChips(CInstance* self, CInstance* other) {
  const int32_t control = self->id;
  tll::DrawSetAlpha(0.7);
  {
    tll::With with(&self, &other, kObChip);
    if (with.Any()) {
      do {
        tll::DrawSetColour(Less(OwnNum(self, inst::hackPercent), 100) ? 4210752 : 255);
        const double width = OwnNum(self, inst::width);
        const double cx = Builtin(self, var::x) + width / 2;
        const double top = Builtin(self, var::y);
        const Point a = ToMinimap(self, other, control, cx, top);
        const Point b = ToMinimap(self, other, control, cx, top + OwnNum(self, inst::height));
        Do(self, other, fn::draw_line_width, a.x, a.y, b.x, b.y,
           width * OwnNum(other, inst::minimapPortSize) / OwnNum(other, inst::minimapViewSize));
      } while (with.Next());
    }
  }
  tll::DrawSetAlpha(1);
}

bool UpdateMinimap(tll::Frame& frame, CInstance* self, CInstance* other) {
  frame.Line(2);
  // Surfaces can be lost (a device reset frees them); the minimap makes its own again.
  if (!tll::Truth(Fn(self, other, fn::surface_exists, OwnNum(self, inst::minimapSurf)))) {
    frame.Line(3);
    const double size = OwnNum(self, inst::minimapPortSize);
    SetOwn(self, inst::minimapSurf, Fn(self, other, fn::surface_create, size, size));
  }
  frame.Line(5);
  const int32_t surf = tll::Int(OwnNum(self, inst::minimapSurf));
  tll::Watch("surface_set_target", surf);
  F_SurfaceSetTarget(surf);
  Do(self, other, fn::draw_clear_alpha, 0, 0);
  frame.Line(7);
  MinimapWires(self, other);
  frame.Line(17);
  MinimapChips(self, other);
  frame.Line(27);
  {
    tll::With with(&self, &other, kObGhost);
    if (with.Any()) {
      do {
        Dot(self, other, OwnNum(self, inst::color), 2);
      } while (with.Next());
    }
  }
  frame.Line(32);
  {
    tll::With with(&self, &other, kObPlayer);
    if (with.Any()) {
      do {
        Dot(self, other, 65535, 3);
      } while (with.Next());
    }
  }
  frame.Line(37);
  tll::Watch("surface_reset_target");
  Surface_ResetTarget();
  return false;
}

}  // namespace

RValue* tll_Script_ob_control_draw(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_control_draw", self, other, result, argc, args, Draw);
}

RValue* tll_Script_ob_control_draw_gui(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                       RValue** args) {
  return WithFirstArgument("tll_Script_ob_control_draw_gui", self, other, result, argc, args, DrawGui);
}

RValue* tll_Script_control_update_minimap(CInstance* self, CInstance* other, RValue* result, int32_t argc,
                                          RValue** args) {
  return WithFirstArgument("tll_Script_control_update_minimap", self, other, result, argc, args, UpdateMinimap);
}

// The minimap pixel of a room point, in `_x` and `_y`: centred on the camera, turned with the view
// (up on the screen is up on the minimap) and scaled to the minimap's share of the room.
RValue* tll_Script_coord_to_minimap(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  const double px = Arg(argc, args, 1);
  const double py = Arg(argc, args, 2);
  return WithFirstArgument(
      "tll_Script_coord_to_minimap", self, other, result, argc, args,
      [&](tll::Frame& frame, CInstance* self, CInstance* other) {
        frame.Line(2);
        const double cx = ViewOf(self, var::view_xview) + ViewOf(self, var::view_wview) / 2;
        const double cy = ViewOf(self, var::view_yview) + ViewOf(self, var::view_hview) / 2;
        frame.Line(3);
        const double dir = F_PointDirection(static_cast<float>(cx), static_cast<float>(cy), static_cast<float>(px),
                                            static_cast<float>(py)) +
                           ViewOf(self, var::view_angle);
        frame.Line(4);
        const double port = OwnNum(self, inst::minimapPortSize);
        const double dist =
            Fn(self, other, fn::point_distance, cx, cy, px, py) * (port / OwnNum(self, inst::minimapViewSize));
        frame.Line(5);
        SetGlobal(glob::_x, port / 2 + F_LengthdirX(static_cast<float>(dist), static_cast<float>(dir)));
        SetGlobal(glob::_y, port / 2 + F_LengthdirY(static_cast<float>(dist), static_cast<float>(dir)));
        return false;
      });
}
