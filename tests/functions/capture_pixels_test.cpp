// Screen and surface captures on the OpenGL layer without a display: the PNG files they leave in
// the save area (read back with libpng), the pixel reads, and the copies between and within
// surfaces.
#include <png.h>

#include <climits>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "assets/texture_pages.h"
#include "assets/texture_pixels.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "io/buffer.h"
#include "functions/buffer_functions.h"
#include "functions/math_call.h"
#include "functions/screen_capture.h"
#include "functions/surface_functions.h"
#include "host/host_fixture.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "platform/d3d9_test_util.h"
#include "render/gui_layer.h"
#include "render/render_fixture.h"
#include "render/surface.h"

namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::Real;
using math_test::Text;

constexpr int32_t kScreenWidth = 64;
constexpr int32_t kScreenHeight = 48;

// A PNG file as 0xAARRGGBB words, rows top first.
struct Image {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int32_t x, int32_t y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

std::optional<Image> ReadPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) return std::nullopt;
  const bool rgba = (image.format & PNG_FORMAT_FLAG_ALPHA) != 0 && (image.format & PNG_FORMAT_FLAG_COLOR) != 0;
  image.format = PNG_FORMAT_RGBA;
  std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr) == 0 || !rgba) {
    png_image_free(&image);
    return std::nullopt;
  }
  Image out;
  out.width = static_cast<int32_t>(image.width);
  out.height = static_cast<int32_t>(image.height);
  for (size_t i = 0; i + 3 < bytes.size(); i += 4) {
    out.pixels.push_back(static_cast<uint32_t>(bytes[i + 3]) << 24 | static_cast<uint32_t>(bytes[i]) << 16 |
                         static_cast<uint32_t>(bytes[i + 1]) << 8 | bytes[i + 2]);
  }
  return out;
}

// A distinct colour for every pixel, with alpha that varies too.
uint32_t Pattern(int32_t x, int32_t y) {
  return static_cast<uint32_t>(0x40 + y * 8) << 24 | static_cast<uint32_t>(x * 12 + 10) << 16 |
         static_cast<uint32_t>(y * 12 + 20) << 8 | static_cast<uint32_t>((x + y) * 5 + 30);
}

class CapturePixelsTest : public HostFilesTest {
 protected:
  void SetUp() override {
    HostFilesTest::SetUp();
    EnsureOffscreenVideo();
    render_test::ResetRenderGlobals();
    ResetSurfaces();
    ASSERT_TRUE(GR_D3D_Init(nullptr, kScreenWidth, kScreenHeight, 0)) << log.text;
    ASSERT_TRUE(Start_Frame());
    GR_Clear(0xFF000000u);
    m_oldAccess = Buffer_GetSurfaceAccess();
    Builtin_Shutdown();
    Screen_RegisterFunctions(1);
    Surface_RegisterFunctions(1);
    InitBufferFunctions();
  }
  void TearDown() override {
    Buffer_FreeAll();
    Builtin_Shutdown();
    Buffer_SetSurfaceAccess(m_oldAccess);
    Window_ResetViewPorts();
    Surface_FreeAll();
    if (g_D3D.sceneDepth != 0) End_Frame(false);
    render_test::ShutdownRenderer();
    render_test::ResetRenderGlobals();
    ResetSurfaces();
    HostFilesTest::TearDown();
  }
  static void ResetSurfaces() {
    g_SurfaceTargets = SurfaceTargetState{};
    g_RunState = RunState{};
    g_GUI = GUIState{};
  }

  int32_t Create(int32_t width, int32_t height) {
    return static_cast<int32_t>(CallReal("surface_create", {Real(width), Real(height)}));
  }
  static Texture* TextureOf(int32_t id) { return GR_Texture_Get(Surface_GetTexture(id)); }
  static void Fill(int32_t id, const std::function<uint32_t(int32_t, int32_t)>& colour) {
    const int32_t w = Surface_GetWidth(id);
    const int32_t h = Surface_GetHeight(id);
    std::vector<uint32_t> block;
    for (int32_t y = 0; y < h; ++y) {
      for (int32_t x = 0; x < w; ++x) block.push_back(colour(x, y));
    }
    Texture_WritePixels(reinterpret_cast<const uint8_t*>(block.data()), TextureOf(id), 0, 0, w, h);
  }
  // The surface's pixels as 0xAARRGGBB words.
  static std::vector<uint32_t> Pixels(int32_t id) {
    const int32_t w = Surface_GetWidth(id);
    const int32_t h = Surface_GetHeight(id);
    uint8_t* block = Texture_ReadPixels(TextureOf(id), 0, 0, w, h);
    if (block == nullptr) return {};
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    std::memcpy(out.data(), block, out.size() * 4);
    MEM_FREE(block);
    return out;
  }
  std::optional<Image> Saved(const std::string& name) { return ReadPng(save + name); }

  RuntimeErrorCapture errors;
  const BufferSurfaceAccess* m_oldAccess = nullptr;
};

TEST_F(CapturePixelsTest, ScreenSaveIsOpaqueWhereTheSnapshotKeepsTheAlpha) {
  // The frame is drawn into a surface of the screen's size, cleared transparent, so that its
  // alpha differs from pixel to pixel.
  const int32_t target = Create(kScreenWidth, kScreenHeight);
  ASSERT_EQ(CallReal("surface_set_target", {Real(target)}), 1);
  GR_Clear(0x00000000u);
  GR_SetColour(0x0000FF);
  GR_SetAlpha(0.5f);
  GR_Draw_Rectangle(8, 8, 23, 23, false);
  GR_SetAlpha(1.0f);

  Call("screen_save", {Text("shots/screen.png")});
  EXPECT_TRUE(Command_Snapshot("snap.png"));
  const std::optional<Image> screen = Saved("shots/screen.png");
  const std::optional<Image> snap = Saved("snap.png");
  ASSERT_TRUE(screen.has_value()) << log.text;
  ASSERT_TRUE(snap.has_value()) << log.text;
  ASSERT_EQ(screen->width, kScreenWidth);
  ASSERT_EQ(screen->height, kScreenHeight);
  ASSERT_EQ(snap->width, kScreenWidth);
  ASSERT_EQ(snap->height, kScreenHeight);
  for (uint32_t p : screen->pixels) ASSERT_EQ(p >> 24, 0xFFu);
  const uint32_t inside = snap->At(15, 15);
  EXPECT_GT(inside >> 24, 0u);
  EXPECT_LT(inside >> 24, 0xFFu) << std::hex << inside;
  EXPECT_EQ(snap->At(40, 40) >> 24, 0u);
  EXPECT_NEAR(static_cast<int>((inside >> 16) & 0xFF), 128, 2) << "half of red over black";
  EXPECT_EQ(inside & 0xFFFF, 0u);
  for (size_t i = 0; i < snap->pixels.size(); ++i) {
    ASSERT_EQ(snap->pixels[i] & 0xFFFFFF, screen->pixels[i] & 0xFFFFFF) << i;
  }
  EXPECT_FALSE(RuntimeErrorCapture::Reported());

  for (const char* empty : {"", static_cast<const char*>(nullptr)}) {
    EXPECT_FALSE(Command_Snapshot(empty));
    EXPECT_EQ(RuntimeErrorCapture::Take(), "Trying to save screen to empty image file name.");
  }
  EXPECT_EQ(CallReal("surface_reset_target"), 1);
}

TEST_F(CapturePixelsTest, AScreenSaveWhileASurfaceIsTheTargetSavesThatSurfaceWithinTheScreen) {
  const int32_t wide = Create(100, 20);
  Fill(wide, Pattern);
  GR_Clear(0xFF00FF00u);  // the back buffer, which must not be what is saved
  ASSERT_EQ(CallReal("surface_set_target", {Real(wide)}), 1);
  Call("screen_save", {Text("target.png")});
  EXPECT_EQ(CallReal("surface_reset_target"), 1);
  const std::optional<Image> image = Saved("target.png");
  ASSERT_TRUE(image.has_value());
  EXPECT_EQ(image->width, kScreenWidth) << "bounded by the screen";
  EXPECT_EQ(image->height, 20) << "bounded by the surface";
  for (auto [x, y] : {std::pair{0, 0}, std::pair{63, 19}, std::pair{30, 7}}) {
    EXPECT_EQ(image->At(x, y), Pattern(x, y) | 0xFF000000u) << x << "," << y;
  }

  // With the target reset, the back buffer is read again.
  Call("screen_save", {Text("back.png")});
  const std::optional<Image> back = Saved("back.png");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->height, kScreenHeight);
  EXPECT_EQ(back->At(10, 30), 0xFF00FF00u);
}

TEST_F(CapturePixelsTest, ScreenSavePartClipsToTheScreenInSixtyFourBits) {
  // Column x has red x * 4, row y green y * 4.
  std::vector<uint32_t> block;
  for (int32_t y = 0; y < kScreenHeight; ++y) {
    for (int32_t x = 0; x < kScreenWidth; ++x) block.push_back(0xFF000000u | static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 4) << 8);
  }
  // The back buffer gets the columns through a surface drawn at the origin.
  const int32_t source = Create(kScreenWidth, kScreenHeight);
  Texture_WritePixels(reinterpret_cast<const uint8_t*>(block.data()), TextureOf(source), 0, 0, kScreenWidth,
                      kScreenHeight);
  Call("draw_surface", {Real(source), Real(0), Real(0)});

  Call("screen_save_part", {Text("part.png"), Real(-10), Real(3), Real(50), Real(10)});
  std::optional<Image> part = Saved("part.png");
  ASSERT_TRUE(part.has_value());
  EXPECT_EQ(part->width, 40) << "columns 0 to 39";
  EXPECT_EQ(part->height, 10);
  EXPECT_EQ(part->At(0, 0), block[3 * kScreenWidth + 0]);
  EXPECT_EQ(part->At(39, 9), block[12 * kScreenWidth + 39]);

  // A width that would wrap a 32-bit sum is clipped to the screen.
  Call("screen_save_part", {Text("wide.png"), Real(10), Real(0), Real(INT32_MAX), Real(2)});
  part = Saved("wide.png");
  ASSERT_TRUE(part.has_value());
  EXPECT_EQ(part->width, kScreenWidth - 10);
  EXPECT_EQ(part->At(0, 1), block[kScreenWidth + 10]);

  struct Outside {
    const char* file;
    double x, y, w, h;
  };
  for (const Outside& o : {Outside{"beyond.png", kScreenWidth, 0, 10, 10}, Outside{"below.png", 0, kScreenHeight, 10, 10},
                           Outside{"far.png", INT32_MAX - 5, 0, 100, 10}, Outside{"left.png", INT32_MIN, 0, INT32_MAX, 10},
                           Outside{"empty.png", 5, 5, 0, 10}}) {
    Call("screen_save_part", {Text(o.file), Real(o.x), Real(o.y), Real(o.w), Real(o.h)});
    EXPECT_FALSE(PathExists(save + o.file)) << o.file;
  }
  EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
}

TEST_F(CapturePixelsTest, DrawGetpixelReadsThroughThePortOfTheViewBeingDrawn) {
  GR_SetColour(0x0000FF);
  GR_Draw_Rectangle(42, 5, 42, 5, false);
  EXPECT_EQ(CallReal("draw_getpixel", {Real(42), Real(5)}), 255);
  EXPECT_EQ(CallReal("draw_getpixel_ext", {Real(42), Real(5)}), 4278190335.0);
  EXPECT_EQ(CallReal("draw_getpixel", {Real(41), Real(5)}), 0);
  EXPECT_EQ(CallReal("draw_getpixel_ext", {Real(1000), Real(5)}), 0) << "outside the screen";

  // View 1 shows the whole room at half size in a port at (32, 0).
  Window_SetViewPort(1, 32, 0, 32, 24, 0, 0, 64, 48, 0, -1);
  g_RunState.viewCurrent = 1;
  EXPECT_EQ(CallReal("draw_getpixel_ext", {Real(20), Real(10)}), 4278190335.0);
  EXPECT_EQ(CallReal("draw_getpixel", {Real(42), Real(5)}), 0);
}

TEST_F(CapturePixelsTest, SurfacePixelsReadWithAndWithoutAlpha) {
  const int32_t id = Create(8, 8);
  ASSERT_EQ(CallReal("surface_set_target", {Real(id)}), 1);
  GR_Clear(0xFFFFFFFFu);
  ASSERT_EQ(CallReal("surface_reset_target"), 1);
  EXPECT_EQ(CallReal("surface_getpixel_ext", {Real(id), Real(3), Real(3)}), 4294967295.0);
  EXPECT_EQ(CallReal("surface_getpixel", {Real(id), Real(3), Real(3)}), 16777215.0);

  Fill(id, Pattern);
  const uint32_t p = Pattern(5, 2);  // 0xAARRGGBB
  const double expected = static_cast<double>((p & 0xFF00FF00u) | ((p >> 16) & 0xFF) | ((p & 0xFF) << 16));
  EXPECT_EQ(CallReal("surface_getpixel_ext", {Real(id), Real(5), Real(2)}), expected);
  EXPECT_EQ(CallReal("surface_getpixel", {Real(id), Real(5), Real(2)}), static_cast<double>(static_cast<uint32_t>(expected) & 0xFFFFFF));
  EXPECT_EQ(CallReal("surface_getpixel_ext", {Real(id), Real(8), Real(0)}), 0) << "beyond the surface";
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(CapturePixelsTest, SurfaceSavesKeepTheAlphaAndAPartBeyondTheTextureIsTransparentBlack) {
  const int32_t id = Create(16, 16);
  Fill(id, Pattern);
  Call("surface_save", {Real(id), Text("whole.png")});
  std::optional<Image> image = Saved("whole.png");
  ASSERT_TRUE(image.has_value());
  ASSERT_EQ(image->width, 16);
  ASSERT_EQ(image->height, 16);
  for (int32_t y = 0; y < 16; ++y) {
    for (int32_t x = 0; x < 16; ++x) ASSERT_EQ(image->At(x, y), Pattern(x, y)) << x << "," << y;
  }

  Call("surface_save_part", {Real(id), Text("part.png"), Real(8), Real(4), Real(16), Real(20)});
  image = Saved("part.png");
  ASSERT_TRUE(image.has_value());
  ASSERT_EQ(image->width, 16) << "the requested size";
  ASSERT_EQ(image->height, 20);
  for (int32_t y = 0; y < 20; ++y) {
    for (int32_t x = 0; x < 16; ++x) {
      const uint32_t want = x < 8 && y < 12 ? Pattern(x + 8, y + 4) : 0u;
      ASSERT_EQ(image->At(x, y), want) << x << "," << y;
    }
  }

  // A block of tens of gigabytes is refused before anything is allocated.
  Call("surface_save_part", {Real(id), Text("huge.png"), Real(0), Real(0), Real(100000), Real(100000)});
  Call("surface_save_part", {Real(id), Text("none.png"), Real(0), Real(0), Real(0), Real(4)});
  EXPECT_FALSE(PathExists(save + "huge.png"));
  EXPECT_FALSE(PathExists(save + "none.png"));
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(CapturePixelsTest, CopiesClipANegativeSourceAndSurviveOverlapWithinOneSurface) {
  const int32_t source = Create(10, 4);
  const int32_t dest = Create(12, 4);
  Fill(source, Pattern);
  const auto grey = [](int32_t, int32_t) { return 0xFF808080u; };
  Fill(dest, grey);
  Call("surface_copy_part", {Real(dest), Real(0), Real(0), Real(source), Real(-5), Real(0), Real(10), Real(4)});
  std::vector<uint32_t> got = Pixels(dest);
  ASSERT_EQ(got.size(), 48u);
  for (int32_t y = 0; y < 4; ++y) {
    for (int32_t x = 0; x < 12; ++x) {
      const uint32_t want = x >= 5 && x < 10 ? Pattern(x - 5, y) : 0xFF808080u;
      ASSERT_EQ(got[static_cast<size_t>(y * 12 + x)], want) << x << "," << y;
    }
  }

  Fill(dest, grey);
  Call("surface_copy", {Real(dest), Real(4), Real(1), Real(source)});
  got = Pixels(dest);
  EXPECT_EQ(got[1 * 12 + 4], Pattern(0, 0));
  EXPECT_EQ(got[3 * 12 + 11], Pattern(7, 2)) << "clipped to the destination";
  EXPECT_EQ(got[0 * 12 + 4], 0xFF808080u);

  // Within one surface, either way along the row: the destination gets what the source held.
  for (const int32_t shift : {3, -3}) {
    SCOPED_TRACE(shift);
    const int32_t id = Create(16, 2);
    Fill(id, Pattern);
    const int32_t from = shift > 0 ? 0 : 3;
    const int32_t to = from + shift;
    Call("surface_copy_part", {Real(id), Real(to), Real(0), Real(id), Real(from), Real(0), Real(12), Real(2)});
    got = Pixels(id);
    for (int32_t y = 0; y < 2; ++y) {
      for (int32_t x = 0; x < 16; ++x) {
        const bool copied = x >= to && x < to + 12;
        ASSERT_EQ(got[static_cast<size_t>(y * 16 + x)], copied ? Pattern(x - to + from, y) : Pattern(x, y))
            << x << "," << y;
      }
    }
  }
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(CapturePixelsTest, TheBufferFunctionsReachScriptSurfaces) {
  const int32_t id = Create(2, 2);
  const double buffer = CallReal("buffer_create", {Real(16), Real(eBuffer_Format_Fixed), Real(1)});
  // Blue, green, red, alpha: opaque red.
  CallReal("buffer_fill", {Real(buffer), Real(0), Real(eBuffer_U32), Real(0xFFFF0000u), Real(16)});
  EXPECT_EQ(CallReal("buffer_set_surface", {Real(buffer), Real(id), Real(0), Real(0), Real(0)}), -1);
  EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
  EXPECT_EQ(CallReal("surface_getpixel_ext", {Real(id), Real(1), Real(1)}), 4278190335.0);
  const double back = CallReal("buffer_create", {Real(16), Real(eBuffer_Format_Fixed), Real(1)});
  CallReal("buffer_get_surface", {Real(back), Real(id), Real(0), Real(0), Real(0)});
  EXPECT_EQ(GetBuffer(static_cast<int32_t>(back))->GetData()[14], 0xFF);
  EXPECT_EQ(GetBuffer(static_cast<int32_t>(back))->GetData()[12], 0x00);
}

}  // namespace
