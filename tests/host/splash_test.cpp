// The start-up splash on the OpenGL device under the offscreen driver: fitted to the back buffer
// with its aspect ratio, and not drawn without its file or with -headless.
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "assets/texture_pixels.h"
#include "container/txtr.h"
#include "core/memory_manager.h"
#include "host/command_line.h"
#include "io/program.h"
#include "host/splash.h"
#include "render/render_fixture.h"

namespace {

using render_test::RenderTest;

class SplashTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    GR_D3D_SetFactory(nullptr);
    ASSERT_TRUE(Init(0, 640, 480)) << Console();
    // One folder a test: ctest runs them side by side.
    dir = std::filesystem::path(TOLVARINE_TEST_TMP) /
          (std::string("splash_") + testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    gamePath = (dir / "game.win").string();
    Runner_SetGameFilePath(gamePath.c_str());
    Win32_ForgetProgramDirectory();
    g_RunnerOptions = RunnerOptions();
  }
  void TearDown() override {
    Splash_Draw(-1);
    Runner_SetGameFilePath(nullptr);
    Win32_ForgetProgramDirectory();
    g_RunnerOptions = RunnerOptions();
    std::filesystem::remove_all(dir);
    RenderTest::TearDown();
  }

  void WriteSplash(uint32_t width, uint32_t height, uint32_t rgba) {
    std::vector<uint8_t> pixels;
    for (uint32_t i = 0; i < width * height; ++i) {
      for (int b = 3; b >= 0; --b) pixels.push_back(static_cast<uint8_t>(rgba >> (8 * b)));
    }
    const std::vector<uint8_t> png = container::png_page(width, height, pixels);
    std::ofstream(dir / "splash.png", std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                               static_cast<std::streamsize>(png.size()));
  }

  // The back buffer's pixels, 0xAARRGGBB.
  std::vector<uint32_t> Screen() {
    int32_t w = 640;
    int32_t h = 480;
    uint8_t* block = GR_D3D_GetScreenPixels(640, 480, 0, 0, &w, &h);
    if (block == nullptr) return {};
    std::vector<uint32_t> out(static_cast<size_t>(w) * h);
    std::memcpy(out.data(), block, out.size() * 4);
    MemoryManager_Free(block);
    return out;
  }

  // Draws frame 0 of the splash over black and reads the back buffer.
  std::vector<uint32_t> DrawOnce() {
    EXPECT_TRUE(GR_D3D_BeginScene());
    GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearTarget);
    Splash_Draw(0);
    GraphicsFlush();
    std::vector<uint32_t> screen = Screen();
    GR_D3D_EndScene();
    return screen;
  }

  std::filesystem::path dir;
  std::string gamePath;
};

TEST_F(SplashTest, WideImageIsLetterboxedAcrossTheWholeWidth) {
  WriteSplash(200, 100, 0xFF2040FFu);  // R 0xFF, G 0x20, B 0x40, A 0xFF
  ASSERT_TRUE(Splash_Exists());
  const std::vector<uint32_t> screen = DrawOnce();
  ASSERT_EQ(screen.size(), 640u * 480u);
  // a = 4/3 < b = 2: the image fills the width and rows 80..399 (margins of 1/6 of the height).
  const uint32_t red = 0xFFFF2040u;
  for (int y : {0, 78, 402, 479}) {
    for (int x : {0, 320, 639}) EXPECT_EQ(screen[static_cast<size_t>(y) * 640 + x], 0xFF000000u) << x << ", " << y;
  }
  for (int y : {81, 240, 398}) {
    for (int x : {0, 320, 639}) EXPECT_EQ(screen[static_cast<size_t>(y) * 640 + x], red) << x << ", " << y;
  }
}

TEST_F(SplashTest, NothingIsDrawnWithoutTheFileOrWithHeadless) {
  EXPECT_FALSE(Splash_Exists());
  for (uint32_t p : DrawOnce()) ASSERT_EQ(p, 0xFF000000u);
  EXPECT_FALSE(Splash_Show());

  WriteSplash(2, 2, 0xFFFFFFFFu);
  g_RunnerOptions.headless = true;
  ASSERT_TRUE(GR_D3D_BeginScene());
  GR_D3D_Clear(0xFFFF0000u, 1.0f, 0, kClearTarget);  // script order: the device holds 0xFF0000FF
  GR_D3D_EndScene();
  s_log->Clear();
  EXPECT_FALSE(Splash_Show());
  for (uint32_t p : Screen()) ASSERT_EQ(p, 0xFF0000FFu);

  // A file that is no image draws nothing either.
  g_RunnerOptions.headless = false;
  std::ofstream(dir / "splash.png", std::ios::binary) << "not an image";
  for (uint32_t p : DrawOnce()) ASSERT_EQ(p, 0xFF000000u);
}

TEST_F(SplashTest, ShowDrawsFiveFramesAndRestoresTheInterpolation) {
  WriteSplash(4, 4, 0xFFFFFFFFu);
  g_RenderLogical.interpolate[0] = false;
  const int32_t drawsBefore = g_Batch.drawCalls;
  EXPECT_TRUE(Splash_Show());
  EXPECT_EQ(g_Batch.drawCalls - drawsBefore, 5);
  EXPECT_FALSE(g_RenderLogical.interpolate[0]);
}

}  // namespace
