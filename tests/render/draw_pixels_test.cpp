// What drawing lights on the OpenGL layer without a display: rectangles and a textured primitive
// list through the start-up view with its half-pixel correction, the view's y direction in two and
// three dimensions, and the manual clear against the device's own.
#include "render/render_fixture.h"

#include <cstdlib>
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

}  // namespace
}  // namespace render_test
