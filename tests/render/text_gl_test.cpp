// Text on the real layer, offscreen: a line in a font of a written container and a line in the
// built-in font, read back and compared with small golden images (text art next to this test,
// '#' for a lit pixel).
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/font.h"
#include "assets/lifecycle.h"
#include "assets/texture_pixels.h"
#include "container/font.h"
#include "container/gen8.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "core/memory_manager.h"
#include "host/game_loader.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "render/render_fixture.h"
#include "render/text.h"

namespace {

using render_test::RenderTest;

constexpr int32_t kSide = 64;

std::string Golden(const char* name) {
  std::ifstream in(std::string(TOLVARINE_SOURCE_DIR) + "/tests/render/golden/" + name);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class TextGLTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    GR_D3D_SetFactory(nullptr);
    ASSERT_TRUE(Init(0, kSide, kSide)) << Console();
    // Room pixels on window pixels; the projection's correction puts texel centres on pixel centres.
    GR_SetView(0, 0, kSide, kSide, 0);
    Text_ResetState();
    GR_SetColour(0xFFFFFF);
  }
  void TearDown() override {
    Text_Shutdown();
    Font_Shutdown();
    RenderTest::TearDown();
  }

  // The region as text art: '#' where red is above half.
  std::string Art(int32_t x, int32_t y, int32_t width, int32_t height) {
    int32_t w = width;
    int32_t h = height;
    uint8_t* block = GR_D3D_GetScreenPixels(kSide, kSide, x, y, &w, &h);
    if (block == nullptr) return "";
    std::string out;
    for (int32_t row = 0; row < h; ++row) {
      for (int32_t col = 0; col < w; ++col) {
        const uint8_t red = block[(static_cast<size_t>(row) * w + col) * 4 + 2];
        out += red > 128 ? '#' : '.';
      }
      out += '\n';
    }
    MemoryManager_Free(block);
    return out;
  }
};

// 'H' (5 wide) and 'i' (3 wide), 7 high, as white on transparent.
const char* const kSheet[7] = {
    "#...#   .#.", "#...#   ...", "#...#   ##.", "#####   .#.", "#...#   .#.", "#...#   .#.", "#...#   ###",
};

TEST_F(TextGLTest, ALineInAContainerFontMatchesItsGoldenImage) {
  std::vector<uint8_t> rgba(16 * 8 * 4, 0);
  for (int32_t y = 0; y < 7; ++y) {
    for (int32_t x = 0; x < 11; ++x) {
      if (kSheet[y][x] != '#') continue;
      for (int i = 0; i < 4; ++i) rgba[(static_cast<size_t>(y) * 16 + x) * 4 + i] = 255;
    }
  }
  container::ContainerWriter writer;
  container::write_gen8(writer, {});
  container::FontEntry font;
  font.name = "fnt_line";
  font.page_entry = 0;
  font.glyphs = {{'H', 0, 0, 5, 7, 6, 0}, {'i', 8, 0, 3, 7, 4, 0}};
  container::write_font(writer, std::vector<std::optional<container::FontEntry>>{font});
  const container::TexturePageEntry entry{0, 0, 16, 8, 0, 0, 16, 8, 16, 8, 0};
  container::write_tpag(writer, std::span(&entry, 1));
  const container::TexturePage page{0, container::png_page(16, 8, rgba)};
  container::write_txtr(writer, std::span(&page, 1));
  const container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  std::vector<uint8_t> bytes = built.bytes;
  Font_Init();
  ASSERT_TRUE(Game_ScanHeaderChunks({bytes.data(), bytes.size()}));
  ASSERT_TRUE(Game_LoadChunks(bytes.data(), bytes.size()));
  ASSERT_EQ(Font_Find("fnt_line"), 0);

  ASSERT_TRUE(GR_D3D_BeginScene());
  GR_D3D_Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
  Text_SetFont(0);
  Text_Draw(2, 2, "HiH", -1, -1);
  GraphicsFlush();
  EXPECT_EQ(Art(0, 0, 20, 11), Golden("text_container_font.txt"));
  GR_D3D_EndScene();
  Runner_FreeGameData();
}

TEST_F(TextGLTest, ALineInTheBuiltInFontMatchesItsGoldenImage) {
  GR_SetEmbeddedTextures(g_EmbeddedImages);
  ASSERT_TRUE(GR_D3D_BeginScene());
  GR_D3D_Clear(D3DCLEAR_TARGET, 0xFF000000u, 1, 0);
  Text_SetFont(-1);
  Text_Draw(2, 2, "Ab1", -1, -1);
  GraphicsFlush();
  EXPECT_EQ(Art(0, 0, 28, 18), Golden("text_builtin_font.txt"));
  GR_D3D_EndScene();
}

}  // namespace
