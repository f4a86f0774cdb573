// What drawing lights on the OpenGL layer without a display: rectangles and a textured primitive
// list through the start-up view with its half-pixel correction, the view's y direction in two and
// three dimensions, and the manual clear against the device's own.
#include "render/render_fixture.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>
#include <vector>
#include <memory>

#include "assets/bitmap.h"

namespace render_test {
namespace {

constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;

struct Lit {
  int32_t count = 0;
  int32_t left = kWidth, top = kHeight, right = -1, bottom = -1;
};

// A closed polygon in room coordinates, as the shape routines build it from the circle tables.
using Polygon = std::vector<std::pair<double, double>>;

Polygon EllipseRim(double x1, double y1, double x2, double y2) {
  const GR_DrawState& d = g_GR_Draw;
  const double cx = (x1 + x2) / 2 + d.offsetX, cy = (y1 + y2) / 2 + d.offsetY;
  const double rx = std::abs(x2 - x1) / 2, ry = std::abs(y2 - y1) / 2;
  Polygon rim;
  for (int32_t i = 0; i < d.circlePrecision; ++i) rim.emplace_back(cx + d.cosTable[i] * rx, cy + d.sinTable[i] * ry);
  return rim;
}

// The rim of a round rectangle whose corners are already ordered and nudged.
Polygon RoundRectRim(double x1, double y1, double x2, double y2, double w, double h) {
  const GR_DrawState& d = g_GR_Draw;
  const double X1 = x1 + d.offsetX, Y1 = y1 + d.offsetY, X2 = x2 + d.offsetX, Y2 = y2 + d.offsetY;
  const double cx = (X1 + X2) / 2, cy = (Y1 + Y2) / 2, hx = (X2 - X1) / 2 - w / 2, hy = (Y2 - Y1) / 2 - h / 2;
  const int32_t n = d.circlePrecision;
  const double arcX[4] = {cx + hx, cx - hx, cx - hx, cx + hx}, arcY[4] = {cy + hy, cy + hy, cy - hy, cy - hy};
  Polygon rim;
  for (int32_t quarter = 0; quarter < 4; ++quarter) {
    for (int32_t i = quarter * n / 4; i <= (quarter + 1) * n / 4; ++i) {
      rim.emplace_back(arcX[quarter] + d.cosTable[i] * w / 2, arcY[quarter] + d.sinTable[i] * h / 2);
    }
  }
  return rim;
}

double DistanceToRim(const Polygon& rim, double x, double y) {
  double best = 1e30;
  for (size_t i = 0; i < rim.size(); ++i) {
    const auto [ax, ay] = rim[i];
    const auto [bx, by] = rim[(i + 1) % rim.size()];
    const double dx = bx - ax, dy = by - ay, length2 = dx * dx + dy * dy;
    const double t = length2 == 0 ? 0 : std::clamp(((x - ax) * dx + (y - ay) * dy) / length2, 0.0, 1.0);
    best = std::min(best, std::hypot(x - (ax + t * dx), y - (ay + t * dy)));
  }
  return best;
}

bool Inside(const Polygon& rim, double x, double y) {
  bool inside = false;
  for (size_t i = 0, j = rim.size() - 1; i < rim.size(); j = i++) {
    const auto [xi, yi] = rim[i];
    const auto [xj, yj] = rim[j];
    if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}

class DrawPixelsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    m_console = std::make_unique<TErrStreamConsole>();
    m_oldDebug = g_pDebugConsole;
    g_pDebugConsole = m_console.get();
    ResetRenderGlobals();
    ASSERT_TRUE(GR_D3D_Init(nullptr, kWidth, kHeight, 0)) << m_console->Text();
    ASSERT_TRUE(Start_Frame());
    GR_Clear(0xFF000000u);
  }
  void TearDown() override {
    if (g_D3D.sceneDepth != 0) End_Frame(false);
    ShutdownRenderer();
    ResetRenderGlobals();
    g_pDebugConsole = m_oldDebug;
  }

  // Ends the frame and reads the back buffer.
  std::vector<uint32_t> Finish() {
    End_Frame(false);
    return ReadBackBuffer(kWidth, kHeight);
  }

  static Lit LitPixels(const std::vector<uint32_t>& pixels) {
    Lit lit;
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        if ((pixels[static_cast<size_t>(y * kWidth + x)] & 0xFFFFFF) == 0) continue;
        ++lit.count;
        lit.left = std::min(lit.left, x);
        lit.right = std::max(lit.right, x);
        lit.top = std::min(lit.top, y);
        lit.bottom = std::max(lit.bottom, y);
      }
    }
    return lit;
  }

 private:
  std::unique_ptr<TErrStreamConsole> m_console;
  tagIConsole* m_oldDebug = nullptr;
};

TEST_F(DrawPixelsTest, AFilledRectangleLightsExactlyItsPixels) {
  GR_SetColour(0xFFFFFF);
  GR_Draw_Rectangle(0, 0, 9, 9, false);
  Lit lit = LitPixels(Finish());
  EXPECT_EQ(lit.count, 100);
  EXPECT_EQ(lit.left, 0);
  EXPECT_EQ(lit.top, 0);
  EXPECT_EQ(lit.right, 9);
  EXPECT_EQ(lit.bottom, 9);
  // Away from the edges, with reversed corners.
  ASSERT_TRUE(Start_Frame());
  GR_Clear(0xFF000000u);
  GR_Draw_Rectangle(22, 31, 20, 30, false);
  lit = LitPixels(Finish());
  EXPECT_EQ(lit.count, 6);
  EXPECT_EQ(lit.left, 20);
  EXPECT_EQ(lit.top, 30);
  EXPECT_EQ(lit.right, 22);
  EXPECT_EQ(lit.bottom, 31);
}

TEST_F(DrawPixelsTest, AnOutlinedRectangleLightsItsBorderWithItsCorners) {
  GR_SetColour(0xFFFFFF);
  GR_Draw_Rectangle(2, 3, 11, 8, true);
  const std::vector<uint32_t> pixels = Finish();
  std::string rows;
  for (int32_t y = 2; y <= 9; ++y) {
    for (int32_t x = 1; x <= 12; ++x) rows += (pixels[static_cast<size_t>(y * kWidth + x)] & 0xFF) != 0 ? '#' : '.';
    rows += '\n';
  }
  EXPECT_EQ(rows,
            "............\n"
            ".##########.\n"
            ".#........#.\n"
            ".#........#.\n"
            ".#........#.\n"
            ".#........#.\n"
            ".##########.\n"
            "............\n");
}

TEST_F(DrawPixelsTest, ATexturedListQuadOfASlotReadsBackTexelForTexel) {
  auto texel = [](int32_t x, int32_t y) {
    return 0xFF000000u | static_cast<uint32_t>(x * 8) << 16 | static_cast<uint32_t>(y * 8) << 8 |
           static_cast<uint32_t>((x ^ y) * 8);
  };
  std::vector<uint32_t> texels;
  for (int32_t y = 0; y < 32; ++y) {
    for (int32_t x = 0; x < 32; ++x) texels.push_back(texel(x, y));
  }
  const int32_t slot =
      GR_Texture_CreateFromData(32, 32, reinterpret_cast<uint8_t*>(texels.data()), texels.size() * sizeof texels[0]);
  ASSERT_NE(GR_Texture_Get(slot), nullptr);
  for (const bool interpolate : {false, true}) {
    SCOPED_TRACE(interpolate);
    if (g_D3D.sceneDepth == 0) {
      ASSERT_TRUE(Start_Frame());
      GR_Clear(0xFF000000u);
    }
    // Texel centres sit on pixel centres: even filtering reads each texel alone.
    GR_SetTextureInterpolation(interpolate);
    GR_SetColour(0xFFFFFF);
    GR_Primitive_Begin(5, slot);
    GR_Primitive_VertexTexture(0, 0, 0, 0);
    GR_Primitive_VertexTexture(32, 0, 1, 0);
    GR_Primitive_VertexTexture(0, 32, 0, 1);
    GR_Primitive_VertexTexture(32, 32, 1, 1);
    GR_Primitive_End();
    const std::vector<uint32_t> pixels = Finish();
    int32_t wrong = 0;
    for (int32_t y = 0; y < kHeight; ++y) {
      for (int32_t x = 0; x < kWidth; ++x) {
        const uint32_t expected = x < 32 && y < 32 ? texel(x, y) : 0xFF000000u;
        if (pixels[static_cast<size_t>(y * kWidth + x)] != expected && wrong++ < 5) {
          ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << std::hex << pixels[y * kWidth + x] << ", not "
                        << expected;
        }
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

TEST_F(DrawPixelsTest, RoomYRunsDownwardsInTwoDimensionsAndUpwardsInThreeDimensionalOrtho) {
  GR_SetColour(0xFFFFFF);
  GR_Draw_Rectangle(0, 0, 3, 3, false);
  Lit lit = LitPixels(Finish());
  EXPECT_EQ(lit.count, 16);
  EXPECT_EQ(lit.top, 0);
  EXPECT_EQ(lit.left, 0);

  ASSERT_TRUE(Start_Frame());
  GR_Clear(0xFF000000u);
  GR_Set3DMode(true);
  GR_SetPerspective(false);
  GR_SetView(0, 0, kWidth, kHeight, 0);
  GR_Draw_Rectangle(0, 0, 3, 3, false);
  lit = LitPixels(Finish());
  EXPECT_EQ(lit.count, 16);
  EXPECT_EQ(lit.left, 0);
  EXPECT_EQ(lit.right, 3);
  EXPECT_EQ(lit.top, kHeight - 4);
  EXPECT_EQ(lit.bottom, kHeight - 1);
}

TEST_F(DrawPixelsTest, AManualClearOfAViewportGivesTheDevicesPixels) {
  std::vector<uint32_t> results[2];
  for (const bool manual : {false, true}) {
    if (g_D3D.sceneDepth == 0) {
      ASSERT_TRUE(Start_Frame());
      GR_Clear(0xFF000000u);
    }
    g_D3D.manualClears = manual;
    GR_SetViewport(8, 6, 30, 20);
    GR_SetView(0, 0, 30, 20, 0);
    GR_Clear(0xFF0000FFu);
    GR_SetColour(0x00FF00);
    GR_Draw_Rectangle(0, 0, 4, 4, false);  // drawn after the clear, through the same view
    results[manual] = Finish();
    GR_SetViewport(0, 0, kWidth, kHeight);
    GR_SetView(0, 0, kWidth, kHeight, 0);
  }
  const Lit lit = LitPixels(results[0]);
  EXPECT_EQ(lit.count, 30 * 20);
  EXPECT_EQ(lit.left, 8);
  EXPECT_EQ(lit.bottom, 25);
  EXPECT_EQ(results[0][static_cast<size_t>(6 * kWidth + 8)], 0xFF00FF00u);
  EXPECT_EQ(results[0][static_cast<size_t>(25 * kWidth + 37)], 0xFFFF0000u);
  EXPECT_EQ(results[1], results[0]);
}

TEST_F(DrawPixelsTest, AScreenGrabFromLeftOfTheScreenStartsAtItsFirstColumn) {
  GR_SetColour(0x0000FF);
  GR_Draw_Rectangle(0, 2, 0, 2, false);  // one red pixel at (0, 2)
  GraphicsFlush();
  std::unique_ptr<TBitmap> grab(GR_GrabScreenBitmap(-10, 0, 8, 4));
  ASSERT_NE(grab, nullptr);
  ASSERT_EQ(grab->GetWidth(), 8);
  uint8_t* row = nullptr;
  int32_t stride = 0;
  grab->ScanLine(2, &row, &stride);
  ASSERT_NE(row, nullptr);
  uint32_t first, second;
  std::memcpy(&first, row, 4);
  std::memcpy(&second, row + 4, 4);
  EXPECT_EQ(first, 0xFFFF0000u);  // the device's order: red in bits 16-23
  EXPECT_EQ(second, 0xFF000000u);
}

TEST_F(DrawPixelsTest, APixelReadsBackAsAScriptColour) {
  GR_Clear(0xFF0000FFu);  // opaque red
  GraphicsFlush();
  EXPECT_EQ(GR_GetPixel(5, 5), 0xFF0000FFu);
  EXPECT_EQ(GR_GetPixel(kWidth, 0), 0u);  // outside the screen
}

// A pixel is lit by a filled shape exactly when its centre lies inside the rim the shape's fan or
// list builds (centres on the rim itself are left to the fill rule). The outline lights only
// pixels on its rim and leaves no gap in it.
TEST_F(DrawPixelsTest, CirclesEllipsesAndRoundRectanglesLightThePixelsTheirRimsEnclose) {
  struct Shape {
    const char* name;
    void (*draw)(bool outline);
    Polygon rim;
  };
  const Shape shapes[] = {
      {"circle", [](bool outline) { GR_Draw_Circle(20, 20, 8, outline); }, EllipseRim(12, 12, 28, 28)},
      {"ellipse", [](bool outline) { GR_Draw_Ellipse(40, 30, 4, 6, outline); }, EllipseRim(40, 30, 4, 6)},
      {"small circle", [](bool outline) { GR_Draw_Circle(30.25f, 20.5f, 2.5f, outline); },
       EllipseRim(27.75, 18, 32.75, 23)},
      {"round rectangle", [](bool outline) { GR_Draw_RoundRect(50, 40, 6, 8, 10, 14, outline); },
       RoundRectRim(6, 8, 50.01, 40.01, 10, 14)},
      {"round rectangle, corners wider than it", [](bool outline) { GR_Draw_RoundRect(8, 8, 20, 30, 40, 6, outline); },
       RoundRectRim(8, 8, 20.01, 30.01, 12.01, 6)},
  };
  GR_SetColour(0xFFFFFF);
  for (const Shape& shape : shapes) {
    SCOPED_TRACE(shape.name);
    for (const bool outline : {false, true}) {
      SCOPED_TRACE(outline ? "outline" : "filled");
      if (g_D3D.sceneDepth == 0) {
        ASSERT_TRUE(Start_Frame());
        GR_Clear(0xFF000000u);
      }
      shape.draw(outline);
      const std::vector<uint32_t> pixels = Finish();
      int32_t wrong = 0, lit = 0;
      for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
          const bool on = (pixels[static_cast<size_t>(y * kWidth + x)] & 0xFFFFFF) != 0;
          lit += on;
          const double distance = DistanceToRim(shape.rim, x + 0.5, y + 0.5);
          const bool expected = outline ? distance < 1.0 : Inside(shape.rim, x + 0.5, y + 0.5);
          const bool decided = outline ? !on || distance < 1.0 : distance > 1e-3;
          if (decided && on != expected && (!outline || on) && wrong++ < 5) {
            ADD_FAILURE() << "pixel (" << x << ", " << y << ") is " << (on ? "lit" : "dark") << ", "
                          << distance << " from the rim";
          }
        }
      }
      EXPECT_EQ(wrong, 0);
      EXPECT_GT(lit, 0);
      if (!outline) continue;
      // No gap: every point of the rim has a lit pixel within one pixel of it.
      for (size_t i = 0; i < shape.rim.size(); ++i) {
        const auto [ax, ay] = shape.rim[i];
        const auto [bx, by] = shape.rim[(i + 1) % shape.rim.size()];
        for (double t = 0; t <= 1.0; t += 0.125) {
          const double px = ax + t * (bx - ax), py = ay + t * (by - ay);
          bool near = false;
          for (int32_t y = static_cast<int32_t>(py) - 2; y <= static_cast<int32_t>(py) + 1 && !near; ++y) {
            for (int32_t x = static_cast<int32_t>(px) - 2; x <= static_cast<int32_t>(px) + 1 && !near; ++x) {
              near = x >= 0 && y >= 0 && x < kWidth && y < kHeight &&
                     (pixels[static_cast<size_t>(y * kWidth + x)] & 0xFFFFFF) != 0 &&
                     std::hypot(x + 0.5 - px, y + 0.5 - py) <= 1.5;
            }
          }
          EXPECT_TRUE(near) << "no lit pixel near (" << px << ", " << py << ")";
        }
      }
    }
  }
}

// The centre colour fades to the edge colour across the fan: the pixel on the centre has the
// first, a pixel just inside the rim is nearer the second.
TEST_F(DrawPixelsTest, GradientShapesRunFromTheCentreColourToTheEdgeColour) {
  auto red = [](uint32_t argb) { return static_cast<int32_t>(argb >> 16 & 0xFF); };
  auto blue = [](uint32_t argb) { return static_cast<int32_t>(argb & 0xFF); };
  GR_Draw_CircleColour(20, 20, 12, 0x0000FF, 0xFF0000, false);  // script colours: red centre, blue edge
  GR_Draw_RoundRectColour(40, 4, 60, 44, 8, 8, 0x0000FF, 0xFF0000, false);
  const std::vector<uint32_t> pixels = Finish();
  const uint32_t circleCentre = pixels[static_cast<size_t>(21 * kWidth + 21)];
  const uint32_t circleRim = pixels[static_cast<size_t>(21 * kWidth + 31)];
  const uint32_t roundCentre = pixels[static_cast<size_t>(25 * kWidth + 51)];
  const uint32_t roundRim = pixels[static_cast<size_t>(25 * kWidth + 41)];
  EXPECT_GE(red(circleCentre), 230);
  EXPECT_LE(blue(circleCentre), 25);
  EXPECT_GT(blue(circleRim), red(circleRim));
  EXPECT_GE(red(roundCentre), 230);
  EXPECT_GT(blue(roundRim), red(roundRim));
}

}  // namespace
}  // namespace render_test
