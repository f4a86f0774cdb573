// The draw-state, colour, shape and primitive script functions, called through the built-in table:
// their names, the exact colour numbers scripts see, and what they send to the recording device.
#include "functions/draw_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "core/memory_manager.h"
#include "functions/math_call.h"
#include "core/colour.h"
#include "render/render_fixture.h"
#include "world/path.h"

namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::Int32;
using math_test::Pointer;
using math_test::Real;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();


std::vector<RValue> Reals(std::initializer_list<double> values) {
  std::vector<RValue> out;
  for (double d : values) out.push_back(Real(d));
  return out;
}

// The draw group alone in the table, with the draw state as at a game start.
class DrawFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Builtin_Shutdown();
    Draw_RegisterFunctions(1);
    g_GR_Draw = GR_DrawState{};
  }
  void TearDown() override {
    g_GR_Draw = GR_DrawState{};
    Builtin_Shutdown();
  }

  RuntimeErrorCapture errors;
};

TEST_F(DrawFunctionsTest, EveryNameIsRegisteredOnceWithItsCountAndBothSpellingsShareAHandler) {
  // Names with "colour" in them; each also has its "color" twin.
  const std::map<std::string, int32_t> expected = {
      {"draw_set_colour", 1},
      {"draw_set_alpha", 1},
      {"draw_get_colour", 0},
      {"draw_get_alpha", 0},
      {"make_colour", 3},
      {"make_colour_rgb", 3},
      {"make_colour_hsv", 3},
      {"colour_get_red", 1},
      {"colour_get_green", 1},
      {"colour_get_blue", 1},
      {"colour_get_hue", 1},
      {"colour_get_saturation", 1},
      {"colour_get_value", 1},
      {"merge_colour", 3},
      {"draw_set_blend_mode", 1},
      {"draw_set_blend_mode_ext", 2},
      {"draw_set_colour_write_enable", 4},
      {"draw_set_alpha_test", 1},
      {"draw_set_alpha_test_ref_value", 1},
      {"draw_get_alpha_test", 0},
      {"draw_get_alpha_test_ref_value", 0},
      {"draw_clear", 1},
      {"draw_clear_alpha", 2},
      {"draw_point", 2},
      {"draw_point_colour", 3},
      {"draw_line", 4},
      {"draw_line_colour", 6},
      {"draw_line_width", 5},
      {"draw_line_width_colour", 7},
      {"draw_rectangle", 5},
      {"draw_rectangle_colour", 9},
      {"draw_roundrect", 5},
      {"draw_roundrect_ext", 7},
      {"draw_roundrect_colour", 7},
      {"draw_roundrect_colour_ext", 9},
      {"draw_triangle", 7},
      {"draw_triangle_colour", 10},
      {"draw_circle", 4},
      {"draw_circle_colour", 6},
      {"draw_ellipse", 5},
      {"draw_ellipse_colour", 7},
      {"draw_arrow", 5},
      {"draw_button", 5},
      {"draw_healthbar", 11},
      {"draw_path", 4},
      {"draw_set_circle_precision", 1},
      {"draw_primitive_begin", 1},
      {"draw_primitive_begin_texture", 2},
      {"draw_primitive_end", 0},
      {"draw_vertex", 2},
      {"draw_vertex_colour", 4},
      {"draw_vertex_texture", 4},
      {"draw_vertex_texture_colour", 6},
  };
  std::map<std::string, const BuiltinFunction*> registered;
  for (int32_t i = 0; i < g_BuiltinCount; ++i) {
    const BuiltinFunction* entry = nullptr;
    ASSERT_TRUE(Builtin_GetEntry(i, &entry, nullptr, nullptr, nullptr));
    EXPECT_TRUE(registered.emplace(entry->name, entry).second) << entry->name << " registered twice";
    EXPECT_NE(entry->handler, nullptr) << entry->name;
    EXPECT_EQ(entry->flag, 1) << entry->name;
  }
  EXPECT_EQ(g_BuiltinCount, 77);

  size_t names = 0;
  for (const auto& [name, count] : expected) {
    const auto found = registered.find(name);
    ASSERT_NE(found, registered.end()) << name;
    EXPECT_EQ(found->second->argumentCount, count) << name;
    ++names;
    const size_t at = name.find("colour");
    if (at == std::string::npos) continue;
    const std::string american = name.substr(0, at) + "color" + name.substr(at + 6);
    const auto twin = registered.find(american);
    ASSERT_NE(twin, registered.end()) << american;
    EXPECT_EQ(twin->second->argumentCount, count) << american;
    EXPECT_EQ(twin->second->handler, found->second->handler) << american;
    ++names;
  }
  EXPECT_EQ(names, 77u);
  // make_colour and make_colour_rgb are one function.
  EXPECT_EQ(registered["make_colour"]->handler, registered["make_colour_rgb"]->handler);
}

TEST_F(DrawFunctionsTest, DrawAlphaIsAByteAndDrawColourKeepsTwentyFourBits) {
  const struct {
    double alpha;
    int32_t byte;
  } cases[] = {{0.5, 127}, {2, 255}, {-1, 0}, {1, 255}, {0.999, 254}, {kNaN, 0}, {kInf, 0}, {1e300, 255}};
  for (const auto& c : cases) {
    Call("draw_set_alpha", {Real(c.alpha)});
    EXPECT_EQ(g_GR_Draw.alpha, c.byte) << c.alpha;
    EXPECT_EQ(CallReal("draw_get_alpha"), static_cast<double>(static_cast<float>(c.byte) / 255.0f)) << c.alpha;
  }
  Call("draw_set_alpha", {Real(0.5)});
  Call("draw_set_colour", {Real(0x123456)});
  EXPECT_EQ(CallReal("draw_get_color"), 0x123456);
  // The alpha byte rides on top of the kept colour, and is not part of what scripts read back.
  EXPECT_EQ(g_GR_Draw.colour >> 24, 127u);
  Call("draw_set_color", {Real(-1)});
  EXPECT_EQ(CallReal("draw_get_colour"), 0xFFFFFF);
}

struct ColourCase {
  const char* name;
  std::vector<double> args;
  double result;
};

void ExpectColours(const std::vector<ColourCase>& cases) {
  for (const ColourCase& c : cases) {
    std::vector<RValue> args;
    for (double d : c.args) args.push_back(Real(d));
    std::string call = std::string(c.name) + "(";
    for (double d : c.args) call += std::to_string(d) + " ";
    EXPECT_EQ(CallReal(c.name, std::move(args)), c.result) << call << ")";
  }
}

TEST_F(DrawFunctionsTest, ColourNumbersAreExact) {
  ExpectColours({
      {"make_colour_rgb", {255, 0, 0}, 255},
      {"make_colour_rgb", {0, 0, 255}, 16711680},
      {"make_color_rgb", {256, 0, 0}, 256},
      {"make_colour", {0, 1, 0}, 256},
      {"make_color", {1, 2, 3}, 1 + 2 * 256 + 3 * 65536},
      {"make_colour_rgb", {0, 0, -1}, -65536},  // no masking: the sum is a signed 32-bit number
      {"colour_get_red", {-1}, -1},
      {"color_get_red", {258}, 2},
      {"colour_get_green", {0x123456}, 0x34},
      {"colour_get_blue", {0x123456}, 0x12},
      {"colour_get_green", {-256}, -1},
      {"colour_get_blue", {-65536}, -1},
      {"make_colour_hsv", {0, 0, 255}, 16777215},
      {"make_colour_hsv", {256, 255, 255}, 255},
      {"make_color_hsv", {0, 255, 255}, 255},
      {"make_colour_hsv", {255, 255, 255}, 255},  // a full turn is red again
      {"make_colour_hsv", {85, 255, 255}, 0x00FF00},
      {"make_colour_hsv", {170, 255, 255}, 0xFF0000},
      {"make_colour_hsv", {0, 0, 0}, 0},
      {"colour_get_hue", {0x0000FF}, 0},
      {"colour_get_hue", {0x00FF00}, 85},
      {"color_get_hue", {0xFF0000}, 170},
      {"colour_get_hue", {0x00FFFF}, 43},  // red wins the tie with green: 60 degrees
      {"colour_get_saturation", {0x808080}, 0},
      {"colour_get_saturation", {0x0000FF}, 255},
      {"colour_get_value", {0x808080}, 128},
      {"color_get_value", {0}, 0},
      {"merge_colour", {0, 1, 0.5}, 0},  // 0.5 rounds to even
      {"merge_colour", {0, 3, 0.5}, 2},
      {"merge_colour", {0, 255, 2}, 254},  // 510 keeps its low byte
      {"merge_color", {0x0000FF, 0xFF0000, 0}, 0x0000FF},
      {"merge_colour", {0x0000FF, 0xFF0000, 1}, 0xFF0000},
      {"merge_colour", {85, 210, 0.268}, 119},  // the mix is summed in double precision
  });
}

TEST_F(DrawFunctionsTest, NaNAndExtremeInputsGiveDefinedColours) {
  const double big = 1e300;
  ExpectColours({
      // The getters read NaN and the infinities as 0, and hold what lies beyond 32 bits.
      {"make_colour_rgb", {kNaN, kInf, -kInf}, 0},
      // Beyond 32 bits a component reads as INT32_MIN, and the sum wraps in 32 bits.
      {"make_colour_rgb", {big, big, big}, -2147483648.0},
      {"make_colour_rgb", {2147483647, 2147483647, 2147483647}, 2147417855},
      {"colour_get_red", {-big}, 0},
      {"colour_get_green", {-2147483647}, -255},
      {"colour_get_blue", {-2147483647}, -255},
      {"colour_get_red", {kNaN}, 0},
      {"colour_get_hue", {big}, 0},
      {"colour_get_value", {-big}, 0},
      {"make_colour_hsv", {kNaN, -big, big}, 0},
      {"make_colour_hsv", {-1, 255, 255}, 255},  // -1 is hue 255: a full turn
      // An amount beyond what a channel can hold in 64 bits leaves that channel 0.
      {"merge_colour", {255, 0, 1e30}, 0},
      {"merge_colour", {0x00FF00, 0xFF00FF, big}, 0},
      {"merge_colour", {0x00FF00, 0xFF00FF, kNaN}, 0x00FF00},
      {"merge_colour", {0x0000FF, 0, -kInf}, 0x0000FF},
      {"merge_colour", {-1, -1, 1e15}, 0},
  });
}

// --- on the recording device -------------------------------------------------------------------

class DrawDeviceTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
    Builtin_Shutdown();
    Draw_RegisterFunctions(1);
    Path_DeleteAll();
  }
  void TearDown() override {
    Path_DeleteAll();
    Builtin_Shutdown();
    RenderTest::TearDown();
  }
  // The draws sent since the last call.
  std::vector<D3D9RecordedDraw> Drawn() { return render_test::TakeDraws(s_log.get()); }

  RuntimeErrorCapture errors;
};

void ExpectSameDraws(const std::vector<D3D9RecordedDraw>& got, const std::vector<D3D9RecordedDraw>& want,
                     const std::string& what) {
  ASSERT_EQ(got.size(), want.size()) << what;
  for (size_t i = 0; i < got.size(); ++i) {
    EXPECT_EQ(got[i].type, want[i].type) << what;
    EXPECT_EQ(got[i].primitiveCount, want[i].primitiveCount) << what;
    EXPECT_EQ(got[i].vertices, want[i].vertices) << what << ": the vertices differ";
  }
}

TEST_F(DrawDeviceTest, ShapesReachTheBackEndWithTheirArgumentsInOrder) {
  Call("draw_set_colour", {Real(0x203040)});
  Call("draw_set_alpha", {Real(0.75)});
  const struct {
    const char* name;
    std::vector<double> args;
    std::function<void()> direct;
  } cases[] = {
      {"draw_point", {3, 4}, [] { GR_Draw_Point(3, 4); }},
      {"draw_point_color", {3, 4, 0xFF}, [] { GR_Draw_PointColour(3, 4, 0xFF); }},
      {"draw_line", {1, 2, 30, 40}, [] { GR_Draw_Line(1, 2, 30, 40); }},
      {"draw_line_colour", {1, 2, 30, 40, 0xFF, 0xFF00}, [] { GR_Draw_LineColour(1, 2, 30, 40, 0xFF, 0xFF00); }},
      {"draw_line_width", {1, 2, 30, 40, 3}, [] { GR_Draw_LineWidth(1, 2, 30, 40, 3); }},
      {"draw_line_width_color",
       {1, 2, 30, 40, 3, 0xFF, 0xFF00},
       [] { GR_Draw_LineWidthColour(1, 2, 30, 40, 3, 0xFF, 0xFF00); }},
      {"draw_rectangle", {1, 2, 30, 40, 1}, [] { GR_Draw_Rectangle(1, 2, 30, 40, true); }},
      {"draw_rectangle_colour",
       {1, 2, 30, 40, 1, 2, 3, 4, 0},
       [] { GR_Draw_RectangleColour(1, 2, 30, 40, 1, 2, 3, 4, false); }},
      // Radii 10 whatever the size.
      {"draw_roundrect", {1, 2, 300, 400, 0}, [] { GR_Draw_RoundRect(1, 2, 300, 400, 10, 10, false); }},
      {"draw_roundrect_ext", {1, 2, 30, 40, 5, 7, 1}, [] { GR_Draw_RoundRect(1, 2, 30, 40, 5, 7, true); }},
      {"draw_roundrect_color",
       {1, 2, 3, 4, 0xFF, 0xFF00, 1},
       [] { GR_Draw_RoundRectColour(1, 2, 3, 4, 10, 10, 0xFF, 0xFF00, true); }},
      {"draw_roundrect_colour_ext",
       {1, 2, 30, 40, 5, 7, 0xFF, 0xFF00, 0},
       [] { GR_Draw_RoundRectColour(1, 2, 30, 40, 5, 7, 0xFF, 0xFF00, false); }},
      {"draw_triangle", {1, 2, 30, 4, 5, 60, 0}, [] { GR_Draw_Triangle(1, 2, 30, 4, 5, 60, false); }},
      {"draw_triangle_colour",
       {1, 2, 30, 4, 5, 60, 0xFF, 0xFF00, 0xFF0000, 1},
       [] { GR_Draw_TriangleColour(1, 2, 30, 4, 5, 60, 0xFF, 0xFF00, 0xFF0000, true); }},
      {"draw_circle", {50, 60, 20, 0}, [] { GR_Draw_Circle(50, 60, 20, false); }},
      {"draw_circle_colour",
       {50, 60, 20, 0xFF, 0xFF00, 1},
       [] { GR_Draw_CircleColour(50, 60, 20, 0xFF, 0xFF00, true); }},
      {"draw_ellipse", {1, 2, 30, 40, 1}, [] { GR_Draw_Ellipse(1, 2, 30, 40, true); }},
      {"draw_ellipse_colour",
       {1, 2, 30, 40, 0xFF, 0xFF00, 0},
       [] { GR_Draw_EllipseColour(1, 2, 30, 40, 0xFF, 0xFF00, false); }},
      {"draw_arrow", {1, 2, 30, 40, 8}, [] { GR_Draw_Arrow(1, 2, 30, 40, 8); }},
      {"draw_button", {1, 2, 30, 40, 0}, [] { GR_Draw_Button(1, 2, 30, 40, false); }},
      {"draw_healthbar",
       {1, 2, 101, 12, 30, 0x111111, 0x0000FF, 0x00FF00, 1, 1, 1},
       [] {
         GR_Draw_Healthbar(1, 2, 101, 12, 30, 0x111111, 0x0000FF, Colour_Merge(0x0000FF, 0x00FF00, 0.5f), 0x00FF00, 1,
                           true, true);
       }},
  };
  for (const auto& c : cases) {
    std::vector<RValue> args;
    for (double d : c.args) args.push_back(Real(d));
    Call(c.name, std::move(args));
    const std::vector<D3D9RecordedDraw> got = Drawn();
    c.direct();
    const std::vector<D3D9RecordedDraw> want = Drawn();
    EXPECT_FALSE(want.empty()) << c.name;
    ExpectSameDraws(got, want, c.name);
  }
  EXPECT_EQ(errors.LastReport(), "");
}

TEST_F(DrawDeviceTest, CirclePrecisionIsHeldToMultiplesOfFour) {
  const struct {
    double asked;
    UINT segments;
  } cases[] = {{7, 4}, {100, 64}, {30, 28}, {-5, 4}, {kNaN, 4}, {24, 24}};
  for (const auto& c : cases) {
    Call("draw_set_circle_precision", {Real(c.asked)});
    Call("draw_circle", Reals({100, 100, 10, 0}));
    const std::vector<D3D9RecordedDraw> draws = Drawn();
    ASSERT_EQ(draws.size(), 1u) << c.asked;
    EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST) << c.asked;
    EXPECT_EQ(draws[0].primitiveCount, c.segments) << c.asked;
  }
}

TEST_F(DrawDeviceTest, ARealOutlineCountsAboveZeroOnlyForTrianglesAndRoundRectangles) {
  const struct {
    const char* name;
    std::vector<double> args;
    bool outlined;
  } cases[] = {
      {"draw_triangle", {1, 2, 30, 4, 5, 60, 0.3}, true},
      {"draw_triangle", {1, 2, 30, 4, 5, 60, 0}, false},
      {"draw_roundrect_ext", {1, 2, 30, 40, 5, 5, 0.3}, true},
      {"draw_rectangle", {1, 2, 30, 40, 0.3}, false},
      {"draw_rectangle", {1, 2, 30, 40, 0.6}, true},
      {"draw_circle", {50, 50, 10, 0.3}, false},
      {"draw_ellipse", {1, 2, 30, 40, 0.3}, false},
  };
  for (const auto& c : cases) {
    std::vector<RValue> args;
    for (double d : c.args) args.push_back(Real(d));
    Call(c.name, std::move(args));
    const std::vector<D3D9RecordedDraw> draws = Drawn();
    ASSERT_FALSE(draws.empty()) << c.name;
    const bool filled = draws[0].type == D3DPT_TRIANGLELIST || draws[0].type == D3DPT_TRIANGLEFAN ||
                        draws[0].type == D3DPT_TRIANGLESTRIP;
    EXPECT_EQ(!filled, c.outlined) << c.name << " with outline " << c.args.back();
  }
}

TEST_F(DrawDeviceTest, ClearsPutTheAlphaByteOnTop) {
  Call("draw_clear", {Real(0x0000FF)});
  Call("draw_clear_alpha", {Real(0x00FF00), Real(0.5)});
  Call("draw_clear_alpha", {Real(0xFF0000), Real(kNaN)});
  Call("draw_clear_alpha", {Real(0xFF0000), Real(7)});
  std::vector<std::string> clears;
  for (const std::string& line : Lines()) {
    if (line.rfind("Clear(", 0) == 0) clears.push_back(line);
  }
  EXPECT_EQ(clears, (std::vector<std::string>{
                        "Clear(0, null, 0x7, 0xFFFF0000, 1, 0)",
                        "Clear(0, null, 0x7, 0x7F00FF00, 1, 0)",
                        "Clear(0, null, 0x7, 0x000000FF, 1, 0)",
                        "Clear(0, null, 0x7, 0xFF0000FF, 1, 0)",
                    }));
}

TEST_F(DrawDeviceTest, PrimitivesDrawTheirCountAndAOneVertexStripDrawsNothing) {
  const struct {
    int32_t kind;
    int32_t vertices;
    D3DPRIMITIVETYPE type;
    UINT primitives;  // 0: nothing drawn
  } cases[] = {
      {3, 1, D3DPT_LINESTRIP, 0},   {3, 2, D3DPT_LINESTRIP, 1},    {1, 1, D3DPT_POINTLIST, 1},
      {2, 3, D3DPT_LINELIST, 1},    {4, 5, D3DPT_TRIANGLELIST, 1}, {5, 4, D3DPT_TRIANGLESTRIP, 2},
      {6, 2, D3DPT_TRIANGLEFAN, 0}, {7, 6, D3DPT_POINTLIST, 0},    {0, 6, D3DPT_POINTLIST, 0},
  };
  for (const auto& c : cases) {
    Call("draw_primitive_begin", {Real(c.kind)});
    for (int32_t i = 0; i < c.vertices; ++i) Call("draw_vertex", Reals({10.0 * i, 5.0 * (i % 2)}));
    Call("draw_primitive_end");
    const std::vector<D3D9RecordedDraw> draws = Drawn();
    if (c.primitives == 0) {
      EXPECT_TRUE(draws.empty()) << "kind " << c.kind << ", " << c.vertices << " vertices";
      continue;
    }
    ASSERT_EQ(draws.size(), 1u) << "kind " << c.kind;
    EXPECT_EQ(draws[0].type, c.type) << "kind " << c.kind;
    EXPECT_EQ(draws[0].primitiveCount, c.primitives) << "kind " << c.kind;
  }
}

TEST_F(DrawDeviceTest, VerticesTakeTheirColourAlphaAndTextureCoordinates) {
  Call("draw_set_colour", {Real(0x0000FF)});
  Call("draw_set_alpha", {Real(1)});
  // Beginning again drops the unfinished list.
  Call("draw_primitive_begin", {Real(1)});
  Call("draw_vertex", Reals({99, 99}));
  Call("draw_primitive_begin", {Real(1)});
  Call("draw_vertex", Reals({1, 2}));
  Call("draw_vertex_colour", Reals({3, 4, 0x00FF00, 0.5}));
  Call("draw_vertex_texture", Reals({5, 6, 0.25, 0.75}));
  Call("draw_vertex_texture_color", Reals({7, 8, 0.5, 1, 0xFF0000, kNaN}));
  Call("draw_primitive_end");
  const std::vector<render_test::QuadVertex> v = render_test::TakeQuadVertices(s_log.get());
  ASSERT_EQ(v.size(), 4u);
  const struct {
    float x, y;
    uint32_t colour;
    float u, v;
  } want[] = {{1, 2, 0xFFFF0000u, 0, 0},
              {3, 4, 0x7F00FF00u, 0, 0},
              {5, 6, 0xFFFF0000u, 0.25f, 0.75f},
              {7, 8, 0x000000FFu, 0.5f, 1}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(v[i].x, want[i].x) << i;
    EXPECT_EQ(v[i].y, want[i].y) << i;
    EXPECT_EQ(v[i].colour, want[i].colour) << i;
    EXPECT_EQ(v[i].u, want[i].u) << i;
    EXPECT_EQ(v[i].v, want[i].v) << i;
  }
}

TEST_F(DrawDeviceTest, ATextureThatIsNoSlotOrEntryIsRefused) {
  const struct {
    RValue texture;
    const char* what;
  } cases[] = {
      {Real(5000), "a free slot number"},
      {Pointer(0x40000000 + 12345), "an entry handle never given out"},
      {Pointer(static_cast<intptr_t>(1) << 40), "a value beyond 32 bits"},
      {Pointer((static_cast<intptr_t>(1) << 32) - 1), "-1 in the low 32 bits only"},
  };
  for (const auto& c : cases) {
    RuntimeErrorCapture::Reset();
    Call("draw_primitive_begin_texture", {Real(4), c.texture});
    EXPECT_EQ(errors.LastError(), "Illegal texture supplied.") << c.what;
    Error_ClearSuppression();
  }
  RuntimeErrorCapture::Reset();
  Call("draw_primitive_begin_texture", {Real(4), Pointer(-1)});
  EXPECT_EQ(errors.LastReport(), "") << "-1 is no texture";
}

TEST_F(DrawDeviceTest, PathsDrawAtTheirOwnPlaceOrFromTheGivenPoint) {
  const int32_t path = Path_Add();
  CPath* p = Path_Data(path);
  p->SetClosed(false);
  p->AddPoint(100, 100, 100);
  p->AddPoint(140, 100, 100);

  Call("draw_path", {Real(path), Real(10), Real(20), Real(1)});
  std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].type, D3DPT_LINESTRIP);
  EXPECT_EQ(render_test::FirstX(draws[0]), 100) << "absolute: x and y are ignored";

  Call("draw_path", {Real(path), Real(10), Real(20), Real(0)});
  draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(render_test::FirstX(draws[0]), 10) << "relative: the start lies at (x, y)";
  EXPECT_EQ(errors.LastReport(), "");

  for (const double missing : {static_cast<double>(path + 1), -1.0, 1e300}) {
    RuntimeErrorCapture::Reset();
    Call("draw_path", {Real(missing), Real(0), Real(0), Real(0)});
    EXPECT_EQ(errors.LastError(), "Trying to drawn non-existing path.") << missing;
    EXPECT_TRUE(Drawn().empty()) << missing;
  }
  EXPECT_EQ(s_exits, 0) << "the missing path is not fatal";
}

TEST_F(DrawDeviceTest, StateSettersReachTheDeviceStates) {
  Call("draw_set_alpha_test_ref_value", {Real(77)});
  EXPECT_EQ(CallReal("draw_get_alpha_test_ref_value"), 77);
  Call("draw_set_alpha_test_ref_value", {Real(-1)});
  EXPECT_EQ(CallReal("draw_get_alpha_test_ref_value"), -1) << "the value goes through unchanged";
  Call("draw_set_alpha_test", {Real(1)});
  EXPECT_EQ(CallReal("draw_get_alpha_test"), 1);
  Call("draw_set_alpha_test", {Real(0)});
  EXPECT_EQ(CallReal("draw_get_alpha_test"), 0);

  const struct {
    const char* name;
    std::vector<double> args;
    uint32_t source, destination, mask;
  } cases[] = {
      {"draw_set_blend_mode", {1}, D3DBLEND_SRCALPHA, D3DBLEND_ONE, 15},
      {"draw_set_blend_mode", {2}, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCCOLOR, 15},
      {"draw_set_blend_mode", {3}, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR, 15},
      {"draw_set_blend_mode", {0}, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 15},
      {"draw_set_blend_mode", {42}, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 15},
      {"draw_set_blend_mode_ext", {9, 4}, 9, 4, 15},
      {"draw_set_colour_write_enable", {1, 0, 1, 0}, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 5},
      {"draw_set_color_write_enable", {0, 1, 0, 1}, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA, 10},
  };
  for (const auto& c : cases) {
    GR_SetBlendMode(kBlendNormal);
    GR_SetColourWriteEnable(true, true, true, true);
    std::vector<RValue> args;
    for (double d : c.args) args.push_back(Real(d));
    Call(c.name, std::move(args));
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_SrcBlend), c.source) << c.name << " " << c.args[0];
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DestBlend), c.destination) << c.name << " " << c.args[0];
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_ColourWriteMask), c.mask) << c.name;
  }
}

int g_heapAllocations = 0;
void* CountingHeap(size_t size) {
  ++g_heapAllocations;
  return std::malloc(size);
}

TEST_F(DrawDeviceTest, AFrameOfCallsAllocatesNothingAfterTheFirst) {
  const auto frame = [] {
    Call("draw_set_colour", {Real(0x336699)});
    Call("draw_set_alpha", {Real(0.5)});
    Call("draw_clear_alpha", {Real(0), Real(1)});
    Call("draw_line_width", Reals({1, 2, 30, 40, 2}));
    Call("draw_circle", Reals({50, 50, 10, 0}));
    Call("draw_roundrect_ext", Reals({1, 2, 30, 40, 5, 5, 1}));
    Call("draw_healthbar", Reals({1, 2, 101, 12, 30, 0, 0xFF, 0xFF00, 0, 1, 1}));
    Call("merge_colour", Reals({0, 255, 0.5}));
    Call("colour_get_hue", {Real(0x00FF00)});
    Call("draw_primitive_begin", {Real(4)});
    for (int i = 0; i < 3; ++i) Call("draw_vertex_colour", Reals({i * 10.0, i * 5.0, 0xFF, 1}));
    Call("draw_primitive_end");
  };
  frame();
  GraphicsFlush();
  g_heapAllocations = 0;
  const MemoryHeapAllocFn old = MemoryManager_SetHeapAlloc(&CountingHeap);
  for (int i = 0; i < 1000; ++i) frame();
  GraphicsFlush();
  MemoryManager_SetHeapAlloc(old);
  EXPECT_EQ(g_heapAllocations, 0);
}

}  // namespace
