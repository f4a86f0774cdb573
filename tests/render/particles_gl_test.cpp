// Particles and the debug overlay on the OpenGL device without a display, read back: an explosion
// made as a room's creation code would make it shows around its point in the next frames and is
// gone after 30, and the overlay's timing bars land between y 10 and 20.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "core/function_registry.h"
#include "core/value.h"
#include "functions/random.h"
#include "io/main_window.h"
#include "render/d3d_device.h"
#include "render/debug_overlay.h"
#include "render/effects.h"
#include "render/frame.h"
#include "render/lifecycle.h"
#include "render/load_stand_in.h"
#include "render/overlay_draw.h"
#include "render/particles.h"
#include "render/render_fixture.h"
#include "render/render_setters.h"
#include "render/transform_3d.h"
#include "runtime/frame_timing.h"
#include "world/room.h"

namespace {

using render_test::ReadBackBuffer;

constexpr int32_t kWidth = 640;
constexpr int32_t kHeight = 480;

int64_t g_now = 0;
int64_t FakeNow() { return g_now; }
void NoSleep(int64_t) {}

uint32_t Red(uint32_t pixel) { return (pixel >> 16) & 0xFF; }

class ParticlesGLTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WindowState_Reset();
    g_D3D = GR_D3DDeviceState{};
    g_Batch = GR_BatchState{};
    ASSERT_TRUE(GR_D3D_Init(nullptr, kWidth, kHeight, 0));
    GR_SetEmbeddedTextures(g_EmbeddedImages);
    Particle_Reset();
    Effect_Reset();
    Particle_CreateShapeTextures();
    Random_Seed(5);
    m_room = std::make_unique<CRoom>();
    m_room->width = kWidth;
    m_room->height = kHeight;
    Room_Current = m_room.get();
  }
  void TearDown() override {
    Particle_Shutdown();
    Effect_Reset();
    DebugOverlay_Reset();
    DebugOverlay_ForgetFontSlot();
    Debug_OverlayFlags = 0;
    Room_Current = nullptr;
    render_test::ShutdownRenderer();
    WindowState_Reset();
  }

  // One step and one drawn frame, as the game step and the room redraw run them; the picture.
  static std::vector<uint32_t> StepAndDraw() {
    ParticleSystem_UpdateAll();
    Start_Frame();
    GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearTarget);
    GR_SetView(0, 0, kWidth, kHeight, 0);
    for (float d = ParticleSystem_MaxDepth(); d > kParticleNoDepth; d = ParticleSystem_NextDepthBelow(d)) {
      GR_SetDepth(0);
      ParticleSystem_DrawAtDepth(d);
    }
    End_Frame(true);
    return ReadBackBuffer(kWidth, kHeight);
  }
  // The reddest pixel within the box, and anywhere.
  static uint32_t MostRed(const std::vector<uint32_t>& pixels, int32_t left, int32_t top, int32_t right,
                          int32_t bottom) {
    uint32_t best = 0;
    for (int32_t y = top; y < bottom; ++y) {
      for (int32_t x = left; x < right; ++x) best = std::max(best, Red(pixels[static_cast<size_t>(y * kWidth + x)]));
    }
    return best;
  }

  std::unique_ptr<CRoom> m_room;
};

TEST_F(ParticlesGLTest, AnExplosionShowsAroundItsPointAndIsGoneAfter30Frames) {
  const int32_t first = g_BuiltinCount;
  InitParticleFunctions();
  const BuiltinFunction* create = nullptr;
  for (int32_t i = first; i < g_BuiltinCount; ++i) {
    if (std::strcmp(g_BuiltinFunctions[i].name, "effect_create_above") == 0) create = &g_BuiltinFunctions[i];
  }
  ASSERT_NE(create, nullptr);
  RValue args[5] = {RValue_MakeReal(kEffectExplosion), RValue_MakeReal(320), RValue_MakeReal(240), RValue_MakeReal(1),
                    RValue_MakeReal(0x0000FF)};
  RValue result = RValue_MakeReal(0);
  create->handler(&result, nullptr, nullptr, 5, args);
  ASSERT_GT(ParticleSystem_CountParticles(Effect_AboveSystem()), 0);

  bool shown = false;
  for (int frame = 1; frame <= 3; ++frame) {
    const std::vector<uint32_t> pixels = StepAndDraw();
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
    shown = shown || MostRed(pixels, 256, 176, 384, 304) > 60;
    EXPECT_LT(MostRed(pixels, 0, 0, kWidth, 150), 10u) << frame;  // nothing far from the point
  }
  EXPECT_TRUE(shown);
  std::vector<uint32_t> last;
  for (int frame = 4; frame <= 30; ++frame) last = StepAndDraw();
  EXPECT_EQ(ParticleSystem_CountParticles(Effect_AboveSystem()), 0);
  EXPECT_EQ(MostRed(last, 0, 0, kWidth, kHeight), 0u);
}

TEST_F(ParticlesGLTest, TheOverlaysBarsLieBetweenY10And20) {
  const TimingClock old = Timing_SetClock(TimingClock{&FakeNow, &NoSleep});
  g_now = 0;
  Timing_Init();
  Debug_OverlayFlags = kDebugOverlayShow;
  Start_Frame();
  GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearTarget);
  g_now += 33333;  // half the overlay's scale: the Total bar reaches x 320
  End_Frame(true);
  const std::vector<uint32_t> pixels = ReadBackBuffer(kWidth, kHeight);
  Timing_SetClock(old);
  Timing_Init();
  ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth * kHeight));
  const auto at = [&](int32_t x, int32_t y) { return pixels[static_cast<size_t>(y * kWidth + x)]; };
  // The Total bar: red 0x80 from y 10 to 19, across the first half of the window.
  for (int32_t y = 10; y < 20; ++y) EXPECT_NEAR(Red(at(100, y)), 0x80, 2) << y;
  EXPECT_NEAR(Red(at(300, 15)), 0x80, 2);
  EXPECT_EQ(at(100, 21) & 0xFFFFFF, 0u);
  EXPECT_EQ(at(100, 8) & 0xFFFFFF, 0u);
  EXPECT_EQ(at(400, 15) & 0xFFFFFF, 0u);
}

}  // namespace
