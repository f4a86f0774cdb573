// Texture pages, read-back and PNG writing on the OpenGL device under the offscreen driver: a
// written container's pages drawn and read back, the clipping of reads, writes and copies in both
// pools, the screen with and without an application surface, and PNG files in the save area.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "assets/image_decode.h"
#include "assets/texture_pixels.h"
#include "container/gen8.h"
#include "container/tpag.h"
#include "container/txtr.h"
#include "container/writer.h"
#include "core/memory_manager.h"
#include "host/game_loader.h"
#include "io/load_save.h"
#include "render/render_fixture.h"

namespace {

using render_test::RenderTest;

constexpr int32_t kSide = 64;

// 0xAARRGGBB pixels from a seed, every one opaque and distinct.
std::vector<uint32_t> Pattern(int32_t width, int32_t height, uint32_t seed) {
  std::vector<uint32_t> out(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < out.size(); ++i) out[i] = 0xFF000000u | ((seed * 0x10101u + static_cast<uint32_t>(i) * 0x3917u) & 0xFFFFFFu);
  return out;
}

// The same pixels as bytes R, G, B, A (PNG and "RAW " order).
std::vector<uint8_t> AsRGBA(const std::vector<uint32_t>& pixels) {
  std::vector<uint8_t> out;
  for (uint32_t p : pixels) {
    out.push_back(static_cast<uint8_t>(p >> 16));
    out.push_back(static_cast<uint8_t>(p >> 8));
    out.push_back(static_cast<uint8_t>(p));
    out.push_back(static_cast<uint8_t>(p >> 24));
  }
  return out;
}

uint32_t At(const uint8_t* block, int32_t width, int32_t x, int32_t y) {
  uint32_t p;
  std::memcpy(&p, block + (static_cast<size_t>(y) * width + x) * 4, 4);
  return p;
}

class TextureGLTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    GR_D3D_SetFactory(nullptr);
    ASSERT_TRUE(Init(0, kSide, kSide)) << Console();
    // Room pixels on window pixels; the projection's correction puts texel centres on pixel centres.
    GR_SetView(0, 0, kSide, kSide, 0);
  }
  void TearDown() override {
    GR_SetApplicationSurfaceSource(nullptr);
    RenderTest::TearDown();
  }

  // An ordinary texture in the pool given (managed, or default as a render target) holding `pixels`.
  Texture* Make(bool defaultPool, int32_t width, int32_t height, const std::vector<uint32_t>& pixels) {
    if (!defaultPool) return Texture_CreateFromPixels(pixels.data(), width, height, nullptr);
    Texture* t = Texture_Create(width, height, 0, true, kTextureKindARGB);
    Texture_WritePixels(reinterpret_cast<const uint8_t*>(pixels.data()), t, 0, 0, width, height);
    return t;
  }
};

TEST_F(TextureGLTest, WrittenContainerPagesLoadAndAnEntryReadsBackExactly) {
  const std::vector<uint32_t> first = Pattern(8, 8, 1);
  const std::vector<uint32_t> second = Pattern(4, 4, 2);
  const std::vector<uint32_t> raw = Pattern(2, 4, 3);
  container::ContainerWriter writer;
  container::write_gen8(writer, {});
  const container::TexturePageEntry entries[] = {
      {2, 1, 5, 6, 1, 2, 5, 6, 8, 8, 0},
      {0, 0, 4, 4, 0, 0, 4, 4, 4, 4, 1},
      {0, 0, 2, 4, 0, 0, 2, 4, 2, 4, 2},
  };
  container::write_tpag(writer, entries);
  const container::TexturePage pages[] = {
      {0, container::png_page(8, 8, AsRGBA(first))},
      {0, container::png_page(4, 4, AsRGBA(second))},
      {0, container::raw_page32(2, 4, AsRGBA(raw))},
  };
  container::write_txtr(writer, pages);
  const container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  std::vector<uint8_t> bytes = built.bytes;
  ASSERT_TRUE(Game_ScanHeaderChunks({bytes.data(), bytes.size()}));
  ASSERT_TRUE(Game_LoadChunks(bytes.data(), bytes.size()));

  // The white slot is 0; the pages take the next slots and the entries name them.
  EXPECT_EQ(Game_Data().textureSlots, (std::vector<int32_t>{1, 2, 3}));
  const uint8_t* tpag = Game_Data().texturePageEntries;
  std::vector<TPageEntry*> loaded;
  for (uint32_t i = 0; i < 3; ++i) {
    loaded.push_back(reinterpret_cast<TPageEntry*>(bytes.data() + Container_U32(tpag + 4 + 4 * i)));
    EXPECT_EQ(loaded[i]->page, static_cast<int16_t>(i + 1));
  }
  EXPECT_EQ(GR_Texture_Get(3)->Width(), 2);  // a "RAW " page keeps its own size

  ASSERT_TRUE(GR_D3D_BeginScene());
  GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearTarget);
  ASSERT_TRUE(GR_TPE_Draw(loaded[0], 10, 10));  // trimmed: its rectangle lands at (11, 12)
  ASSERT_TRUE(GR_TPE_Draw(loaded[1], 30, 10));
  ASSERT_TRUE(GR_TPE_Draw(loaded[2], 40, 10));
  GraphicsFlush();
  struct Check {
    const char* name;
    int32_t x, y, width, height;
    const std::vector<uint32_t>* page;
    int32_t pageWidth, sourceX, sourceY;
  };
  const Check checks[] = {
      {"first PNG page", 11, 12, 5, 6, &first, 8, 2, 1},
      {"second PNG page", 30, 10, 4, 4, &second, 4, 0, 0},
      {"RAW page", 40, 10, 2, 4, &raw, 2, 0, 0},
  };
  for (const Check& c : checks) {
    SCOPED_TRACE(c.name);
    int32_t w = c.width + 2;
    int32_t h = c.height + 2;
    uint8_t* block = GR_D3D_GetScreenPixels(kSide, kSide, c.x - 1, c.y - 1, &w, &h);
    ASSERT_NE(block, nullptr);
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) {
        const bool inside = x >= 1 && y >= 1 && x <= c.width && y <= c.height;
        const uint32_t expected =
            inside ? (*c.page)[static_cast<size_t>(c.sourceY + y - 1) * c.pageWidth + c.sourceX + x - 1] : 0xFF000000u;
        ASSERT_EQ(At(block, w, x, y), expected) << x << ", " << y;
      }
    }
    MemoryManager_Free(block);
  }
  GR_D3D_EndScene();
  Runner_FreeGameData();
}

TEST_F(TextureGLTest, ReadsClipToTheTextureAndLeaveTheRestZeroInBothPools) {
  const std::vector<uint32_t> pixels = Pattern(16, 16, 4);
  for (bool defaultPool : {false, true}) {
    SCOPED_TRACE(defaultPool ? "default pool" : "managed pool");
    Texture* t = Make(defaultPool, 16, 16, pixels);
    ASSERT_NE(t, nullptr);
    ASSERT_EQ(t->InDefaultPool(), defaultPool);
    uint8_t* block = Texture_ReadPixels(t, -10, -10, 20, 20);
    ASSERT_NE(block, nullptr);
    for (int32_t y = 0; y < 20; ++y) {
      for (int32_t x = 0; x < 20; ++x) {
        const uint32_t expected = x < 16 && y < 16 ? pixels[static_cast<size_t>(y) * 16 + x] : 0u;
        ASSERT_EQ(At(block, 20, x, y), expected) << x << ", " << y;
      }
    }
    MemoryManager_Free(block);
    EXPECT_EQ(Texture_ReadPixels(t, 16, 0, 4, 4), nullptr);  // wholly outside
    EXPECT_EQ(Texture_ReadPixels(t, 0, 0, 0, 4), nullptr);
    Texture_Free(t);
  }
}

TEST_F(TextureGLTest, WritesClipToTheTextureInBothPools) {
  const std::vector<uint32_t> block = Pattern(4, 4, 5);
  for (bool defaultPool : {false, true}) {
    SCOPED_TRACE(defaultPool ? "default pool" : "managed pool");
    const std::vector<uint32_t> black(12 * 12, 0xFF000000u);
    Texture* t = Make(defaultPool, 12, 12, black);
    ASSERT_NE(t, nullptr);
    Texture_WritePixels(reinterpret_cast<const uint8_t*>(block.data()), t, 10, 10, 4, 4);
    uint8_t* read = Texture_ReadPixels(t, 0, 0, 12, 12);
    ASSERT_NE(read, nullptr);
    for (int32_t y = 0; y < 12; ++y) {
      for (int32_t x = 0; x < 12; ++x) {
        const bool written = x >= 10 && y >= 10;
        const uint32_t expected = written ? block[static_cast<size_t>(y - 10) * 4 + x - 10] : 0xFF000000u;
        ASSERT_EQ(At(read, 12, x, y), expected) << x << ", " << y;
      }
    }
    MemoryManager_Free(read);
    Texture_Free(t);
  }
}

TEST_F(TextureGLTest, CopiesClipBothRectanglesAndRefuseWhatTheDeviceCannotCopy) {
  const std::vector<uint32_t> source = Pattern(16, 16, 6);
  const std::vector<uint32_t> black(16 * 16, 0xFF000000u);
  Texture* from = Make(true, 16, 16, source);
  Texture* to = Make(true, 16, 16, black);
  // sx = -5 with width 10: 5 columns from source x 0 land at destination x 2 + 5.
  Texture_CopyRect(to, 2, 3, from, -5, 0, 10, 4);
  uint8_t* read = Texture_ReadPixels(to, 0, 0, 16, 16);
  ASSERT_NE(read, nullptr);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      const bool copied = x >= 7 && x < 12 && y >= 3 && y < 7;
      const uint32_t expected = copied ? source[static_cast<size_t>(y - 3) * 16 + x - 7] : 0xFF000000u;
      ASSERT_EQ(At(read, 16, x, y), expected) << x << ", " << y;
    }
  }
  MemoryManager_Free(read);
  EXPECT_NE(to->flags & kTextureTargetDirty, 0u);
  // A managed source is not the device's to copy from: nothing changes.
  Texture* managed = Make(false, 16, 16, source);
  Texture_CopyRect(to, 0, 0, managed, 0, 0, 4, 4);
  read = Texture_ReadPixels(to, 0, 0, 1, 1);
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(At(read, 1, 0, 0), 0xFF000000u);
  MemoryManager_Free(read);
  Texture_Free(managed);
  Texture_Free(to);
  Texture_Free(from);
}

Texture* g_appSurface = nullptr;
Texture* AppSurface() { return g_appSurface; }

TEST_F(TextureGLTest, ScreenReadBackTakesTheApplicationSurfaceWhenThereIsOne) {
  ASSERT_TRUE(GR_D3D_BeginScene());
  GR_D3D_Clear(0xFF996633u, 1.0f, 0, kClearTarget);  // script order: the device holds 0xFF336699
  GraphicsFlush();
  int32_t w = 100;
  int32_t h = 4;
  uint8_t* block = GR_D3D_GetScreenPixels(kSide, kSide, -3, 60, &w, &h);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(w, kSide);  // cut to the area
  EXPECT_EQ(h, 4);
  EXPECT_EQ(At(block, w, 0, 0), 0xFF336699u);
  EXPECT_EQ(At(block, w, w - 1, h - 1), 0xFF336699u);
  MemoryManager_Free(block);

  g_appSurface = Make(true, 32, 16, std::vector<uint32_t>(32 * 16, 0xFF00FF00u));
  GR_SetApplicationSurfaceSource(&AppSurface);
  w = 40;
  h = 40;
  block = GR_D3D_GetScreenPixels(kSide, kSide, 8, 8, &w, &h);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(w, 24);  // cut to the surface
  EXPECT_EQ(h, 8);
  EXPECT_EQ(At(block, w, 0, 0), 0xFF00FF00u);
  EXPECT_EQ(At(block, w, 23, 7), 0xFF00FF00u);
  MemoryManager_Free(block);
  w = h = 4;
  EXPECT_EQ(GR_D3D_GetScreenPixels(kSide, kSide, kSide, 0, &w, &h), nullptr);
  GR_D3D_EndScene();
  Texture_Free(g_appSurface);
  g_appSurface = nullptr;
}

TEST_F(TextureGLTest, DrawnRenderTargetsAreResolvedBeforeTheyAreSampled) {
  Texture* target = Texture_Create(8, 8, 0, true, kTextureKindARGB);
  const int32_t slot = GR_Texture_Wrap(target, 8, 8);
  ASSERT_TRUE(GR_D3D_BeginScene());
  ASSERT_TRUE(Texture_PushTarget());
  ASSERT_TRUE(Texture_SetTarget(0, target));
  GR_D3D_Clear(0xFF0000FFu, 1.0f, 0, kClearTarget);  // script order: the device holds 0xFFFF0000
  ASSERT_TRUE(Texture_PopTarget());
  GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearTarget);
  ASSERT_TRUE(GR_Texture_Draw(slot, 4, 4));
  GraphicsFlush();
  int32_t w = 8;
  int32_t h = 8;
  uint8_t* block = GR_D3D_GetScreenPixels(kSide, kSide, 4, 4, &w, &h);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(At(block, w, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(At(block, w, 7, 7), 0xFFFF0000u);
  MemoryManager_Free(block);
  GR_D3D_EndScene();
}

TEST_F(TextureGLTest, PNGFilesGoIntoNewFoldersOfTheSaveAreaAndReadBackEqual) {
  const std::filesystem::path root = std::filesystem::path(TOLVARINE_TEST_TMP) / "png_save_area";
  std::filesystem::remove_all(root);
  std::filesystem::create_directories(root);
  Win32_SetSaveDirectory((root.string() + "/").c_str());
  const std::vector<uint32_t> pixels = Pattern(5, 3, 7);
  std::vector<uint8_t> rgba = AsRGBA(pixels);
  rgba[3] = 0x40;  // alpha is kept
  ASSERT_TRUE(write_png_file("shots/today/first.png", rgba.data(), 5, 3));
  std::vector<uint8_t> file;
  ASSERT_TRUE(LoadSave_ReadSaveFile("shots/today/first.png", &file));
  EXPECT_TRUE(std::filesystem::exists(root / "shots" / "today" / "first.png"));
  int32_t w = 0;
  int32_t h = 0;
  uint32_t* decoded = PNG_Decode(file.data(), file.size(), &w, &h, false);
  ASSERT_NE(decoded, nullptr);
  ASSERT_EQ(w, 5);
  ASSERT_EQ(h, 3);
  std::vector<uint32_t> expected = pixels;
  expected[0] = (expected[0] & 0xFFFFFFu) | 0x40000000u;
  EXPECT_EQ(std::vector<uint32_t>(decoded, decoded + 15), expected);
  PNG_FreeDecoder();
  EXPECT_FALSE(write_png_file("shots/empty.png", rgba.data(), 0, 3));
  Win32_FreeSaveDirectory();
  std::filesystem::remove_all(root);
}

}  // namespace
