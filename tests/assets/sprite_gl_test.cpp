// Sprites on the OpenGL device under the offscreen driver: a container sprite on a trimmed page
// entry, and its duplicate read back from the page, land on exactly their pixels.
#include <cstdlib>
#include <cstring>

#include "assets/texture_pixels.h"
#include "core/memory_manager.h"
#include "render/frame.h"
#include "render/render_setters.h"
#include "sprite_fixture.h"

namespace {

using container::SpriteEntry;
using sprite_test::RGBA;
using sprite_test::SpriteTest;

constexpr int32_t kSide = 64;

uint32_t PagePixel(int32_t x, int32_t y) {
  return 0xFF000000u | static_cast<uint32_t>((x * 37 + y * 91) & 0xFF) << 16 | static_cast<uint32_t>(x * 11) << 8 |
         static_cast<uint32_t>(y * 13);
}

class SpriteGLTest : public SpriteTest {
 protected:
  bool RecordingScene() const override { return false; }
  void SetUp() override {
    SpriteTest::SetUp();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    GR_D3D_SetFactory(nullptr);
    ASSERT_TRUE(Init(0, kSide, kSide)) << Console();
    // Room pixels on window pixels.
    GR_SetView(0, 0, kSide, kSide, 0);
  }
  void TearDown() override {
    g_GR_View = GR_ViewState{};
    SpriteTest::TearDown();
  }

  // The 12 x 12 square at (x, y) compared with the 6 x 6 sprite at (x + 3, y + 3) on black.
  void ExpectSpriteAt(int32_t x, int32_t y) {
    int32_t w = 12;
    int32_t h = 12;
    uint8_t* block = GR_D3D_GetScreenPixels(kSide, kSide, x, y, &w, &h);
    ASSERT_NE(block, nullptr);
    for (int32_t j = 0; j < h; ++j) {
      for (int32_t i = 0; i < w; ++i) {
        // The frame is the page's (2, 1) + 4 x 3 rectangle trimmed at (1, 2) in a 6 x 6 image.
        const int32_t fx = i - 3 - 1;
        const int32_t fy = j - 3 - 2;
        const bool inside = fx >= 0 && fy >= 0 && fx < 4 && fy < 3;
        const uint32_t expected = inside ? PagePixel(2 + fx, 1 + fy) : 0xFF000000u;
        uint32_t got = 0;
        std::memcpy(&got, block + (static_cast<size_t>(j) * w + i) * 4, 4);
        ASSERT_EQ(got, expected) << i << ", " << j;
      }
    }
    MemoryManager_Free(block);
  }
};

TEST_F(SpriteGLTest, SpritesDrawnAtIntegerCoordinatesReadBackExactly) {
  SpriteEntry e;
  e.name = "gem";
  e.width = 6;
  e.height = 6;
  e.x_origin = 2;
  e.y_origin = 2;
  e.frames = {0};
  ASSERT_TRUE(Load({{0, container::png_page(8, 8, RGBA(8, 8, PagePixel))}}, {{2, 1, 4, 3, 1, 2, 4, 3, 6, 6, 0}}, {e}))
      << Game_LoadFailure();
  CSprite* copy = Sprite_Data(Sprite_Duplicate(0));
  ASSERT_NE(copy, nullptr);
  ASSERT_FALSE(copy->DrawsFromSharedPages());

  ASSERT_TRUE(GR_D3D_BeginScene());
  GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearTarget);
  Sprite_Data(0)->SpriteDrawSimple(0, 5, 5);       // its image's corner at (3, 3)
  Sprite_Data(0)->SpriteDraw(0, 25, 5, 1, 1, 0, 0xFFFFFF, 1);
  copy->SpriteDrawSimple(0, 5, 25);
  GraphicsFlush();
  ExpectSpriteAt(0, 0);
  ExpectSpriteAt(20, 0);
  ExpectSpriteAt(0, 20);
  GR_D3D_EndScene();
}

}  // namespace
