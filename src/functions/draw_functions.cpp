#include "functions/draw_functions.h"

#include <cstdint>

#include "assets/texture_pages.h"
#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "functions/handler_args.h"
#include "runtime/error_report.h"
#include "core/colour.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "world/path.h"

namespace {

// These run every frame: no handler allocates.

float R(const Args& args, int32_t n) { return args.F(n); }
uint32_t C(const Args& args, int32_t n) { return static_cast<uint32_t>(args.I(n)); }
// The outline flag of draw_triangle and draw_roundrect_ext: any real above 0 (the bool getter
// would need more than 0.5).
bool Above0(const Args& args, int32_t n) { return args.F(n) > 0.0f; }

// The call does not check the count against the registration: every read goes through Args, so
// a missing argument reads as the getter's fallback and never past the caller's values.
#define DRAW_HANDLER(name)                                                                        \
  void name##_body(RValue* result, const Args& args);                                             \
  void name(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* values) {               \
    name##_body(result, Args{argc, values});                                                      \
  }                                                                                               \
  void name##_body([[maybe_unused]] RValue* result, [[maybe_unused]] const Args& args)

// --- draw state --------------------------------------------------------------------------------

DRAW_HANDLER(draw_set_colour) { GR_SetColour(C(args, 0)); }
DRAW_HANDLER(draw_set_alpha) { GR_SetAlpha(R(args, 0)); }
DRAW_HANDLER(draw_get_colour) { Args_SetReal(result, GR_GetColour() & 0xFFFFFFu); }
DRAW_HANDLER(draw_get_alpha) { Args_SetReal(result, GR_GetAlpha()); }
DRAW_HANDLER(draw_set_blend_mode) { GR_SetBlendMode(args.I(0)); }
DRAW_HANDLER(draw_set_blend_mode_ext) { GR_SetBlendModeExt(args.I(0), args.I(1)); }
DRAW_HANDLER(draw_set_colour_write_enable) {
  GR_SetColourWriteEnable(args.B(0), args.B(1), args.B(2), args.B(3));
}
DRAW_HANDLER(draw_set_alpha_test) { GR_SetAlphaTest(args.B(0)); }
DRAW_HANDLER(draw_set_alpha_test_ref_value) { GR_SetAlphaTestRef(C(args, 0)); }
DRAW_HANDLER(draw_get_alpha_test) { Args_SetReal(result, GR_GetAlphaTest() ? 1.0 : 0.0); }
DRAW_HANDLER(draw_get_alpha_test_ref_value) { Args_SetReal(result, static_cast<int32_t>(GR_GetAlphaTestRef())); }
DRAW_HANDLER(draw_set_circle_precision) { GR_SetCirclePrecision(args.I(0)); }
DRAW_HANDLER(draw_clear) { GR_Clear(C(args, 0) | 0xFF000000u); }
DRAW_HANDLER(draw_clear_alpha) { GR_ClearAlpha(C(args, 0), R(args, 1)); }

// --- colours -----------------------------------------------------------------------------------

DRAW_HANDLER(make_colour) {
  // Components are not masked: one above 255 carries into the next channel, and the sum wraps
  // in 32 bits.
  const uint32_t sum = C(args, 0) + C(args, 1) * 256u + C(args, 2) * 65536u;
  Args_SetReal(result, static_cast<int32_t>(sum));
}
DRAW_HANDLER(make_colour_hsv) {
  ColourHSV hsv;
  Colour_InitHSV(&hsv, args.I(0), args.I(1), args.I(2));
  Args_SetReal(result, Colour_FromHSV(hsv));
}
// Truncating division and remainder: a negative colour gives negative channels.
DRAW_HANDLER(colour_get_red) { Args_SetReal(result, args.I(0) % 256); }
DRAW_HANDLER(colour_get_green) { Args_SetReal(result, (args.I(0) / 256) % 256); }
DRAW_HANDLER(colour_get_blue) { Args_SetReal(result, (args.I(0) / 65536) % 256); }
DRAW_HANDLER(colour_get_hue) { Args_SetReal(result, Colour_ToHSV(C(args, 0)).hue); }
DRAW_HANDLER(colour_get_saturation) { Args_SetReal(result, Colour_ToHSV(C(args, 0)).saturation); }
DRAW_HANDLER(colour_get_value) { Args_SetReal(result, Colour_ToHSV(C(args, 0)).value); }
DRAW_HANDLER(merge_colour) { Args_SetReal(result, Colour_Merge(C(args, 0), C(args, 1), R(args, 2))); }

// --- shapes ------------------------------------------------------------------------------------

constexpr float kRoundRectRadius = 10.0f;

DRAW_HANDLER(draw_point) { GR_Draw_Point(R(args, 0), R(args, 1)); }
DRAW_HANDLER(draw_point_colour) { GR_Draw_PointColour(R(args, 0), R(args, 1), C(args, 2)); }
DRAW_HANDLER(draw_line) { GR_Draw_Line(R(args, 0), R(args, 1), R(args, 2), R(args, 3)); }
DRAW_HANDLER(draw_line_colour) {
  GR_Draw_LineColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), C(args, 4), C(args, 5));
}
DRAW_HANDLER(draw_line_width) { GR_Draw_LineWidth(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4)); }
DRAW_HANDLER(draw_line_width_colour) {
  GR_Draw_LineWidthColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4), C(args, 5), C(args, 6));
}
DRAW_HANDLER(draw_rectangle) { GR_Draw_Rectangle(R(args, 0), R(args, 1), R(args, 2), R(args, 3), args.B(4)); }
DRAW_HANDLER(draw_rectangle_colour) {
  GR_Draw_RectangleColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), C(args, 4), C(args, 5), C(args, 6),
                          C(args, 7), args.B(8));
}
DRAW_HANDLER(draw_roundrect) {
  GR_Draw_RoundRect(R(args, 0), R(args, 1), R(args, 2), R(args, 3), kRoundRectRadius, kRoundRectRadius, args.B(4));
}
DRAW_HANDLER(draw_roundrect_ext) {
  GR_Draw_RoundRect(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4), R(args, 5), Above0(args, 6));
}
DRAW_HANDLER(draw_roundrect_colour) {
  GR_Draw_RoundRectColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), kRoundRectRadius, kRoundRectRadius,
                          C(args, 4), C(args, 5), args.B(6));
}
DRAW_HANDLER(draw_roundrect_colour_ext) {
  GR_Draw_RoundRectColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4), R(args, 5), C(args, 6),
                          C(args, 7), args.B(8));
}
DRAW_HANDLER(draw_triangle) {
  GR_Draw_Triangle(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4), R(args, 5), Above0(args, 6));
}
DRAW_HANDLER(draw_triangle_colour) {
  GR_Draw_TriangleColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4), R(args, 5), C(args, 6), C(args, 7),
                         C(args, 8), args.B(9));
}
DRAW_HANDLER(draw_circle) { GR_Draw_Circle(R(args, 0), R(args, 1), R(args, 2), args.B(3)); }
DRAW_HANDLER(draw_circle_colour) {
  GR_Draw_CircleColour(R(args, 0), R(args, 1), R(args, 2), C(args, 3), C(args, 4), args.B(5));
}
DRAW_HANDLER(draw_ellipse) { GR_Draw_Ellipse(R(args, 0), R(args, 1), R(args, 2), R(args, 3), args.B(4)); }
DRAW_HANDLER(draw_ellipse_colour) {
  GR_Draw_EllipseColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), C(args, 4), C(args, 5), args.B(6));
}
DRAW_HANDLER(draw_arrow) { GR_Draw_Arrow(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4)); }
DRAW_HANDLER(draw_button) { GR_Draw_Button(R(args, 0), R(args, 1), R(args, 2), R(args, 3), args.B(4)); }
DRAW_HANDLER(draw_healthbar) {
  const uint32_t mincol = C(args, 6);
  const uint32_t maxcol = C(args, 7);
  GR_Draw_Healthbar(R(args, 0), R(args, 1), R(args, 2), R(args, 3), R(args, 4), C(args, 5), mincol,
                    Colour_Merge(mincol, maxcol, 0.5f), maxcol, args.I(8), args.B(9), args.B(10));
}
DRAW_HANDLER(draw_path) {
  const CPath* path = Path_Data(args.I(0));
  if (path == nullptr) {
    Error_Report(false, "Trying to drawn non-existing path.");
    return;
  }
  if (args.B(3)) {
    path->Draw(0.0f, 0.0f, true);
  } else {
    path->Draw(R(args, 1), R(args, 2), false);
  }
}

// --- primitives --------------------------------------------------------------------------------

// A texture value is a handle of 32 bits; one beyond them is no texture and is refused as such.
int32_t TextureArgument(const Args& args, int32_t n) {
  if (!args.Has(n)) return kTextureHandleNone;
  const intptr_t value = WXGPtrOrNum(args.values, n);
  return value >= INT32_MIN && value <= INT32_MAX ? static_cast<int32_t>(value) : INT32_MIN;
}

DRAW_HANDLER(draw_primitive_begin) { GR_Primitive_Begin(args.I(0), kTextureHandleNone); }
DRAW_HANDLER(draw_primitive_begin_texture) { GR_Primitive_Begin(args.I(0), TextureArgument(args, 1)); }
DRAW_HANDLER(draw_primitive_end) { GR_Primitive_End(); }
DRAW_HANDLER(draw_vertex) { GR_Primitive_Vertex(R(args, 0), R(args, 1)); }
DRAW_HANDLER(draw_vertex_colour) { GR_Primitive_VertexColour(R(args, 0), R(args, 1), C(args, 2), R(args, 3)); }
DRAW_HANDLER(draw_vertex_texture) { GR_Primitive_VertexTexture(R(args, 0), R(args, 1), R(args, 2), R(args, 3)); }
DRAW_HANDLER(draw_vertex_texture_colour) {
  GR_Primitive_VertexTextureColour(R(args, 0), R(args, 1), R(args, 2), R(args, 3), C(args, 4), R(args, 5));
}

#undef DRAW_HANDLER

struct Entry {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

// Both spellings of a name share its handler.
constexpr Entry kDrawFunctions[] = {
    {"draw_set_color", draw_set_colour, 1},
    {"draw_set_colour", draw_set_colour, 1},
    {"draw_set_alpha", draw_set_alpha, 1},
    {"draw_get_color", draw_get_colour, 0},
    {"draw_get_colour", draw_get_colour, 0},
    {"draw_get_alpha", draw_get_alpha, 0},
    {"make_color", make_colour, 3},
    {"make_colour", make_colour, 3},
    {"make_color_rgb", make_colour, 3},
    {"make_colour_rgb", make_colour, 3},
    {"make_color_hsv", make_colour_hsv, 3},
    {"make_colour_hsv", make_colour_hsv, 3},
    {"color_get_red", colour_get_red, 1},
    {"colour_get_red", colour_get_red, 1},
    {"color_get_green", colour_get_green, 1},
    {"colour_get_green", colour_get_green, 1},
    {"color_get_blue", colour_get_blue, 1},
    {"colour_get_blue", colour_get_blue, 1},
    {"color_get_hue", colour_get_hue, 1},
    {"colour_get_hue", colour_get_hue, 1},
    {"color_get_saturation", colour_get_saturation, 1},
    {"colour_get_saturation", colour_get_saturation, 1},
    {"color_get_value", colour_get_value, 1},
    {"colour_get_value", colour_get_value, 1},
    {"merge_color", merge_colour, 3},
    {"merge_colour", merge_colour, 3},
    {"draw_set_blend_mode", draw_set_blend_mode, 1},
    {"draw_set_blend_mode_ext", draw_set_blend_mode_ext, 2},
    {"draw_set_color_write_enable", draw_set_colour_write_enable, 4},
    {"draw_set_colour_write_enable", draw_set_colour_write_enable, 4},
    {"draw_set_alpha_test", draw_set_alpha_test, 1},
    {"draw_set_alpha_test_ref_value", draw_set_alpha_test_ref_value, 1},
    {"draw_get_alpha_test", draw_get_alpha_test, 0},
    {"draw_get_alpha_test_ref_value", draw_get_alpha_test_ref_value, 0},
    {"draw_clear", draw_clear, 1},
    {"draw_clear_alpha", draw_clear_alpha, 2},
    {"draw_point", draw_point, 2},
    {"draw_point_color", draw_point_colour, 3},
    {"draw_point_colour", draw_point_colour, 3},
    {"draw_line", draw_line, 4},
    {"draw_line_color", draw_line_colour, 6},
    {"draw_line_colour", draw_line_colour, 6},
    {"draw_line_width", draw_line_width, 5},
    {"draw_line_width_color", draw_line_width_colour, 7},
    {"draw_line_width_colour", draw_line_width_colour, 7},
    {"draw_rectangle", draw_rectangle, 5},
    {"draw_rectangle_color", draw_rectangle_colour, 9},
    {"draw_rectangle_colour", draw_rectangle_colour, 9},
    {"draw_roundrect", draw_roundrect, 5},
    {"draw_roundrect_ext", draw_roundrect_ext, 7},
    {"draw_roundrect_color", draw_roundrect_colour, 7},
    {"draw_roundrect_colour", draw_roundrect_colour, 7},
    {"draw_roundrect_color_ext", draw_roundrect_colour_ext, 9},
    {"draw_roundrect_colour_ext", draw_roundrect_colour_ext, 9},
    {"draw_triangle", draw_triangle, 7},
    {"draw_triangle_color", draw_triangle_colour, 10},
    {"draw_triangle_colour", draw_triangle_colour, 10},
    {"draw_circle", draw_circle, 4},
    {"draw_circle_color", draw_circle_colour, 6},
    {"draw_circle_colour", draw_circle_colour, 6},
    {"draw_ellipse", draw_ellipse, 5},
    {"draw_ellipse_color", draw_ellipse_colour, 7},
    {"draw_ellipse_colour", draw_ellipse_colour, 7},
    {"draw_arrow", draw_arrow, 5},
    {"draw_button", draw_button, 5},
    {"draw_healthbar", draw_healthbar, 11},
    {"draw_path", draw_path, 4},
    {"draw_set_circle_precision", draw_set_circle_precision, 1},
    {"draw_primitive_begin", draw_primitive_begin, 1},
    {"draw_primitive_begin_texture", draw_primitive_begin_texture, 2},
    {"draw_primitive_end", draw_primitive_end, 0},
    {"draw_vertex", draw_vertex, 2},
    {"draw_vertex_color", draw_vertex_colour, 4},
    {"draw_vertex_colour", draw_vertex_colour, 4},
    {"draw_vertex_texture", draw_vertex_texture, 4},
    {"draw_vertex_texture_color", draw_vertex_texture_colour, 6},
    {"draw_vertex_texture_colour", draw_vertex_texture_colour, 6},
};
static_assert(sizeof kDrawFunctions / sizeof kDrawFunctions[0] == 77, "the draw group has 77 functions");

}  // namespace

void Draw_RegisterFunctions(uint8_t flag) {
  for (const Entry& e : kDrawFunctions) Builtin_Add(e.name, e.handler, e.argumentCount, flag);
}
