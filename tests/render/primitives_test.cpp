// The two-dimensional primitives as the recording device receives them: kinds, vertex sizes,
// counts, positions and colours, the draw colour and alpha, and the primitive list.
#include "render/render_fixture.h"

#include <algorithm>
#include <cmath>

#include "core/run_switches.h"
#include "host/frame_loop.h"
#include "core/colour.h"
#include "render/overlay_draw.h"
#include "world/path.h"

namespace render_test {
namespace {

struct Point {
  float x, y;
};

class PrimitivesTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
  }
  // The draws sent since the last call.
  std::vector<D3D9RecordedDraw> Drawn() {
    GraphicsFlush();
    std::vector<D3D9RecordedDraw> draws = Draws();
    s_log->Clear();
    return draws;
  }
  static void ExpectPositions(const D3D9RecordedDraw& draw, const std::vector<Point>& points) {
    const std::vector<Vertex> v = VerticesOf(draw);
    ASSERT_EQ(v.size(), points.size());
    for (size_t i = 0; i < v.size(); ++i) {
      EXPECT_FLOAT_EQ(v[i].x, points[i].x) << "vertex " << i;
      EXPECT_FLOAT_EQ(v[i].y, points[i].y) << "vertex " << i;
    }
  }
};

TEST_F(PrimitivesTest, CirclePrecisionIsAMultipleOfFourFromFourToSixtyFour) {
  const struct {
    int32_t asked, kept;
  } cases[] = {{30, 28}, {3, 4}, {100, 64}, {24, 24}, {-5, 4}, {63, 60}};
  for (const auto& c : cases) {
    GR_SetCirclePrecision(c.asked);
    EXPECT_EQ(GR_GetCirclePrecision(), c.kept) << c.asked;
    const int32_t n = c.kept;
    EXPECT_FLOAT_EQ(g_GR_Draw.cosTable[0], 1.0f);
    EXPECT_NEAR(g_GR_Draw.sinTable[n / 4], 1.0f, 1e-6);
    EXPECT_NEAR(g_GR_Draw.cosTable[n], 1.0f, 1e-6);
  }
}

TEST_F(PrimitivesTest, CirclesEllipsesAndRoundRectanglesEmitTheirVertexCounts) {
  const struct {
    void (*draw)();
    D3DPRIMITIVETYPE type;
    UINT stride, count;
  } cases[] = {
      {[] { GR_Draw_Circle(100, 100, 10, false); }, D3DPT_TRIANGLELIST, 16, 72},
      {[] { GR_Draw_Circle(100, 100, 10, true); }, D3DPT_LINESTRIP, 16, 25},
      {[] { GR_Draw_EllipseColour(0, 0, 40, 20, 0xFF, 0xFF00, false); }, D3DPT_TRIANGLELIST, 16, 72},
      {[] { GR_Draw_RoundRect(0, 0, 40, 20, 10, 10, false); }, D3DPT_TRIANGLEFAN, 24, 30},
      {[] { GR_Draw_RoundRectColour(0, 0, 40, 20, 10, 10, 0, 0, true); }, D3DPT_LINESTRIP, 24, 30},
  };
  for (const auto& c : cases) {
    c.draw();
    const std::vector<D3D9RecordedDraw> draws = Drawn();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_EQ(draws[0].type, c.type);
    EXPECT_EQ(draws[0].stride, c.stride);
    EXPECT_EQ(draws[0].vertexCount, c.count);
  }
  // The filled circle fans out from its centre; P(0) is its rightmost point.
  GR_SetColour(0x00FF00);
  GR_Draw_CircleColour(100, 100, 10, 0x0000FF, 0xFF0000, false);
  const std::vector<Vertex> v = VerticesOf(Drawn()[0]);
  EXPECT_FLOAT_EQ(v[0].x, 101);
  EXPECT_FLOAT_EQ(v[0].y, 101);
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
  EXPECT_FLOAT_EQ(v[1].x, 111);
  EXPECT_FLOAT_EQ(v[1].y, 101);
  EXPECT_EQ(v[1].colour, 0xFF0000FFu);
  EXPECT_NEAR(v[2].y, 101 + 10 * std::sin(2 * 3.1415927f / 24), 1e-4);  // clockwise on screen
}

TEST_F(PrimitivesTest, ARoundRectangleOutlineStartsAndEndsOnItsRim) {
  GR_Draw_RoundRect(0, 0, 40, 20, 10, 10, true);
  const std::vector<Vertex> v = VerticesOf(Drawn()[0]);
  ASSERT_EQ(v.size(), 30u);
  // 40.01 x 20.01 after the nudge and the offset: the first arc is centred on (36.005, 16.005).
  EXPECT_FLOAT_EQ(v[1].x, 21.005f + 15.005f + 5);
  EXPECT_FLOAT_EQ(v[1].y, 11.005f + 5.005f);
  EXPECT_EQ(v[0].x, v[1].x);
  EXPECT_EQ(v[29].x, v[1].x);
  EXPECT_EQ(v[29].y, v[1].y);
  EXPECT_EQ(v[0].u, 0);
}

TEST_F(PrimitivesTest, DrawAlphaIsHeldAndTruncated) {
  const struct {
    float asked;
    int32_t kept;
  } cases[] = {{1.5f, 255}, {-1, 0}, {0.5f, 127}};
  GR_SetColour(0x123456);
  for (const auto& c : cases) {
    GR_SetAlpha(c.asked);
    EXPECT_EQ(g_GR_Draw.alpha, c.kept);
    EXPECT_EQ(g_GR_Draw.colour, (static_cast<uint32_t>(c.kept) << 24) | 0x563412u);
  }
  EXPECT_FLOAT_EQ(GR_GetAlpha(), 127.0f / 255.0f);
  EXPECT_EQ(GR_GetColour(), 0x7F123456u);
  EXPECT_EQ(GR_MakeColour(0x112, 0x34, 0x56), 0x563412u);
}

TEST_F(PrimitivesTest, RectanglesFilledAndOutlinedVertexByVertex) {
  GR_Draw_Rectangle(0, 0, 9, 9, false);
  std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].type, D3DPT_TRIANGLELIST);
  EXPECT_EQ(draws[0].stride, 24u);
  ExpectPositions(draws[0], {{0, 0}, {10, 0}, {10, 10}, {10, 10}, {0, 10}, {0, 0}});
  EXPECT_EQ(VerticesOf(draws[0])[3].colour, 0xFF000000u);

  GR_Draw_Rectangle(0, 0, 9, 9, true);
  draws = Drawn();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].type, D3DPT_LINESTRIP);
  ExpectPositions(draws[0], {{1, 1}, {10, 1}, {10, 10}, {1, 10}, {1, 1}});
  EXPECT_EQ(draws[1].type, D3DPT_POINTLIST);
  EXPECT_EQ(draws[1].stride, 24u);
  ExpectPositions(draws[1], {{1, 1}, {10, 1}, {10, 10}, {1, 10}});

  // Reversed corners draw the same.
  GR_Draw_Rectangle(10, 10, 0, 0, false);
  const std::vector<Vertex> reversed = VerticesOf(Drawn()[0]);
  GR_Draw_Rectangle(0, 0, 10, 10, false);
  const std::vector<Vertex> ordered = VerticesOf(Drawn()[0]);
  ASSERT_EQ(reversed.size(), ordered.size());
  for (size_t i = 0; i < ordered.size(); ++i) {
    EXPECT_EQ(reversed[i].x, ordered[i].x);
    EXPECT_EQ(reversed[i].y, ordered[i].y);
  }
}

TEST_F(PrimitivesTest, AGradientRectanglePutsItsFarCornerPastTheWholePixel) {
  GR_Draw_RectangleColour(0, 0, 9, 9, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, false);
  const std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].type, D3DPT_TRIANGLEFAN);
  ExpectPositions(draws[0], {{0, 0}, {10.01f, 0}, {10.01f, 10.01f}, {0, 10.01f}, {0, 0}});
  const std::vector<Vertex> v = VerticesOf(draws[0]);
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
  EXPECT_EQ(v[1].colour, 0xFF00FF00u);
  EXPECT_EQ(v[2].colour, 0xFF0000FFu);
  EXPECT_EQ(v[3].colour, 0xFFFFFFFFu);
  EXPECT_EQ(v[4].colour, 0xFFFF0000u);
  // A corner that is not whole is left as it is; reversed corners are ordered after the offset.
  GR_Draw_RectangleColour(20.5f, 20.5f, 0, 0, 0, 0, 0, 0, true);
  const std::vector<D3D9RecordedDraw> outline = Drawn();
  EXPECT_EQ(outline[0].type, D3DPT_LINESTRIP);
  ExpectPositions(outline[0], {{1, 1}, {20.5f, 1}, {20.5f, 20.5f}, {1, 20.5f}, {1, 1}});
}

TEST_F(PrimitivesTest, ZeroLengthWideLinesAndArrowsDrawNothing) {
  GR_Draw_LineWidth(5, 5, 5, 5, 3);
  GR_Draw_LineWidthColour(5, 5, 5, 5, 3, 0xFF, 0xFF00);
  GR_Draw_Arrow(5, 5, 5, 5, 10);
  EXPECT_TRUE(Drawn().empty());

  GR_Draw_LineWidthColour(0, 0, 10, 0, 2, 0x0000FF, 0xFF0000);
  std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].type, D3DPT_TRIANGLEFAN);
  EXPECT_EQ(draws[0].stride, 16u);
  ExpectPositions(draws[0], {{1, 2}, {11, 2}, {11, 0}, {1, 0}});
  const std::vector<Vertex> v = VerticesOf(draws[0]);
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);
  EXPECT_EQ(v[1].colour, 0xFF0000FFu);
  EXPECT_EQ(v[2].colour, 0xFF0000FFu);
  EXPECT_EQ(v[3].colour, 0xFFFF0000u);

  // An arrow's head is no longer than the arrow.
  GR_Draw_Arrow(0, 0, 3, 0, 30);
  draws = Drawn();
  ASSERT_EQ(draws.size(), 2u);
  EXPECT_EQ(draws[0].type, D3DPT_LINELIST);
  ExpectPositions(draws[0], {{1, 1}, {4, 1}});
  EXPECT_EQ(draws[1].type, D3DPT_TRIANGLELIST);
  ExpectPositions(draws[1], {{0, 1}, {3, 0}, {0, -1}});
}

TEST_F(PrimitivesTest, PointsLinesTrianglesAndButtons) {
  GR_SetColour(0x0000FF);
  GR_Draw_Point(3, 4);
  GR_Draw_PointColour(5, 6, 0xFF0000);
  std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);  // one batch
  EXPECT_EQ(draws[0].type, D3DPT_POINTLIST);
  ExpectPositions(draws[0], {{4, 5}, {6, 7}});
  EXPECT_EQ(VerticesOf(draws[0])[0].colour, 0xFFFF0000u);
  EXPECT_EQ(VerticesOf(draws[0])[1].colour, 0xFF0000FFu);

  GR_Draw_TriangleColour(0, 0, 10, 0, 0, 10, 0x0000FF, 0x00FF00, 0xFF0000, true);
  draws = Drawn();
  EXPECT_EQ(draws[0].type, D3DPT_LINESTRIP);
  ExpectPositions(draws[0], {{0, 0}, {10, 0}, {0, 10}, {0, 0}});
  EXPECT_EQ(VerticesOf(draws[0])[3].colour, 0xFFFF0000u);

  GR_Draw_Button(0, 0, 20, 10, true);
  draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);  // three triangle lists in one batch
  const std::vector<Vertex> v = VerticesOf(draws[0]);
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[0].colour, 0xFFFFFFFFu);
  EXPECT_EQ(v[3].colour, 0xFF808080u);
  EXPECT_FLOAT_EQ(v[6].x, 2);
  EXPECT_FLOAT_EQ(v[7].x, 19);
  EXPECT_FLOAT_EQ(v[8].y, 9);
}

TEST_F(PrimitivesTest, HealthBars) {
  struct Case {
    float amount;
    int32_t direction;
    size_t draws;           // background, its border, bar, bar border
    Point barFar;           // the bar's third corner
    uint32_t barColour;
  };
  const uint32_t back = 0x333333, low = 0x0000FF, high = 0x00FF00;
  const uint32_t mid = Colour_Merge(low, high, 0.5f);
  const Case cases[] = {
      {0, 0, 2, {0, 0}, 0},
      {150, 0, 4, {100.01f, 20.01f}, Colour_ToVertex(high, 255)},
      {50, 7, 4, {50.5f, 20.01f}, Colour_ToVertex(mid, 255)},  // 49.5 + 1 is not whole
      {25, 3, 4, {100.01f, 20.01f}, Colour_ToVertex(Colour_Lerp(low, mid, 0.5f), 255)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.amount);
    GR_Draw_Healthbar(0, 0, 99, 19, c.amount, back, low, mid, high, c.direction, true, true);
    const std::vector<D3D9RecordedDraw> draws = Drawn();
    ASSERT_EQ(draws.size(), c.draws);
    EXPECT_EQ(VerticesOf(draws[0])[0].colour, Colour_ToVertex(back, 255));
    EXPECT_EQ(VerticesOf(draws[1])[0].colour, 0xFF000000u);
    if (c.draws == 2) continue;
    const std::vector<Vertex> bar = VerticesOf(draws[2]);
    EXPECT_FLOAT_EQ(bar[2].x, c.barFar.x);
    EXPECT_FLOAT_EQ(bar[2].y, c.barFar.y);
    EXPECT_EQ(bar[0].colour, c.barColour);
    EXPECT_EQ(draws[3].type, D3DPT_LINESTRIP);
  }
  // Bottom to top at 25: the bar starts three quarters down.
  GR_Draw_Healthbar(0, 0, 100, 100, 25, back, low, mid, high, 3, false, false);
  const std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_FLOAT_EQ(VerticesOf(draws[0])[0].y, 75);
}

TEST_F(PrimitivesTest, ThePrimitiveListHandsOverWholePrimitivesOnly) {
  GR_Primitive_Begin(4, -1);
  GR_Primitive_Vertex(0, 0);
  GR_Primitive_Vertex(1, 0);
  GR_Primitive_End();
  EXPECT_TRUE(Drawn().empty());  // two vertices are no triangle

  GR_Primitive_Begin(4, -1);
  GR_Primitive_Vertex(0, 0);
  GR_Primitive_VertexColour(1, 0, 0x0000FF, 0.5f);
  GR_Primitive_Vertex(0, 1);
  GR_Primitive_Vertex(5, 5);
  GR_Primitive_End();
  int32_t handed = 0;
  const auto* held = reinterpret_cast<const Vertex*>(GR_PendingVertexBytes(&handed));
  ASSERT_EQ(handed, 4 * 24);  // all four reach the batcher
  EXPECT_EQ(held[1].colour, 0x7FFF0000u);
  EXPECT_FLOAT_EQ(held[3].x, 5);  // no offset
  std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].primitiveCount, 1u);

  GR_Primitive_Begin(1, -1);
  for (int i = 0; i < 1002; ++i) GR_Primitive_Vertex(static_cast<float>(i), 0);
  EXPECT_EQ(GR_Primitive_Count(), 1001);
  GR_Primitive_End();
  draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].vertexCount, 1001u);
  EXPECT_FLOAT_EQ(VerticesOf(draws[0]).back().x, 1000);

  const struct {
    int32_t kind, count;
    UINT primitives;
  } kinds[] = {{2, 5, 2}, {3, 5, 4}, {5, 5, 3}, {6, 5, 3}, {7, 5, 0}, {0, 5, 0}};
  for (const auto& k : kinds) {
    GR_Primitive_Begin(k.kind, -1);
    for (int i = 0; i < k.count; ++i) GR_Primitive_Vertex(static_cast<float>(i), static_cast<float>(i % 2));
    GR_Primitive_End();
    draws = Drawn();
    if (k.primitives == 0) {
      EXPECT_TRUE(draws.empty()) << k.kind;
      continue;
    }
    ASSERT_EQ(draws.size(), 1u) << k.kind;
    EXPECT_EQ(draws[0].primitiveCount, k.primitives) << k.kind;
  }
}

TEST_F(PrimitivesTest, APageEntryMapsTextureCoordinatesOntoItsRectangle) {
  const int32_t slot = GR_Texture_Create(256, 128, false);
  ASSERT_NE(GR_Texture_Get(slot), nullptr);
  TPageEntry entry{};
  entry.sourceX = 32;
  entry.sourceY = 16;
  entry.sourceWidth = entry.targetWidth = 64;
  entry.sourceHeight = entry.targetHeight = 32;
  entry.page = static_cast<int16_t>(slot);
  const int32_t handle = GR_TPE_Handle(&entry);
  s_log->Clear();
  GR_Primitive_Begin(5, handle);
  GR_Primitive_VertexTexture(0, 0, 0, 0);
  GR_Primitive_VertexTexture(10, 0, 1, 0);
  GR_Primitive_VertexTextureColour(0, 10, 0, 1, 0xFFFFFF, 1);
  GR_Primitive_VertexTexture(10, 10, 1, 1);
  GR_Primitive_End();
  std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_FALSE(draws[0].texture.empty());
  const std::vector<Vertex> v = VerticesOf(draws[0]);
  EXPECT_FLOAT_EQ(v[0].u, 32.0f / 256);
  EXPECT_FLOAT_EQ(v[0].v, 16.0f / 128);
  EXPECT_FLOAT_EQ(v[3].u, 96.0f / 256);
  EXPECT_FLOAT_EQ(v[3].v, 48.0f / 128);
  // A slot takes u and v as given.
  GR_Primitive_Begin(1, slot);
  GR_Primitive_VertexTexture(0, 0, 0.25f, 2);
  GR_Primitive_End();
  draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(VerticesOf(draws[0])[0].u, 0.25f);
  EXPECT_EQ(VerticesOf(draws[0])[0].v, 2.0f);
  // An entry on a page whose image could not be made is legal and draws untextured.
  TPageEntry blank = entry;
  blank.page = static_cast<int16_t>(GR_Texture_Load(nullptr, 0, 0));
  ASSERT_TRUE(GR_Texture_Exists(blank.page));
  const size_t logged = Console().size();
  GR_Primitive_Begin(1, GR_TPE_Handle(&blank));
  GR_Primitive_VertexTexture(0, 0, 0, 0);
  GR_Primitive_End();
  draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_TRUE(draws[0].texture.empty());
  EXPECT_EQ(Console().find("Illegal texture supplied.", logged), std::string::npos);
  EXPECT_EQ(s_exits, 0);
}

TEST_F(PrimitivesTest, AnIllegalTextureIsAFatalErrorAndTheListDrawsUntextured) {
  TPageEntry entry{};
  entry.page = static_cast<int16_t>(GR_Texture_Create(8, 8, false));
  const int32_t freed = GR_TPE_Handle(&entry);
  GR_TPE_ForgetHandle(&entry);
  // A live entry whose page slot has been freed.
  TPageEntry orphan{};
  orphan.page = static_cast<int16_t>(GR_Texture_Create(8, 8, false));
  const int32_t orphaned = GR_TPE_Handle(&orphan);
  GR_Texture_Free(orphan.page);
  const int32_t values[] = {5, 16384, -7, 16385, 0x40000005, freed, orphaned};
  const bool headless = g_IsHeadless;
  const int32_t roomChange = g_RoomChangeCode;
  g_IsHeadless = true;  // errors are logged, never shown
  for (const int32_t value : values) {
    SCOPED_TRACE(value);
    Error_ClearSuppression();
    const size_t logged = Console().size();
    GR_Primitive_Begin(4, value);
    EXPECT_TRUE(Error_Suppressed());  // fatal
    EXPECT_NE(Console().find("Illegal texture supplied.", logged), std::string::npos);
    GR_Primitive_Vertex(0, 0);
    GR_Primitive_Vertex(1, 0);
    GR_Primitive_Vertex(0, 1);
    GR_Primitive_End();
    const std::vector<D3D9RecordedDraw> draws = Drawn();
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_TRUE(draws[0].texture.empty());
  }
  g_IsHeadless = headless;
  g_RoomChangeCode = roomChange;  // the fatal errors asked the game to end
}

// A path draws as one line strip through a point every 4 pixels of its length: shifted so that
// its start lies at the given place, or, when absolute, moved by it; a path shorter than 2 pixels
// draws nothing.
TEST_F(PrimitivesTest, APathDrawsAsALineStripEveryFourPixels) {
  CPath path;
  path.SetClosed(false);
  path.AddPoint(10, 20, 100);
  path.AddPoint(50, 20, 100);
  const auto along = [](float x0, float y) {
    std::vector<Point> points;
    for (int i = 0; i <= 10; ++i) points.push_back({x0 + 4.0f * static_cast<float>(i), y});
    return points;
  };
  path.Draw(100, 50, false);
  std::vector<D3D9RecordedDraw> draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  EXPECT_EQ(draws[0].type, D3DPT_LINESTRIP);
  ExpectPositions(draws[0], along(100, 50));
  path.Draw(100, 50, true);
  draws = Drawn();
  ASSERT_EQ(draws.size(), 1u);
  ExpectPositions(draws[0], along(110, 70));

  CPath tiny;
  tiny.SetClosed(false);
  tiny.AddPoint(0, 0, 100);
  tiny.AddPoint(1, 0, 100);
  tiny.Draw(0, 0, false);
  EXPECT_TRUE(Drawn().empty());
}

}  // namespace
}  // namespace render_test
