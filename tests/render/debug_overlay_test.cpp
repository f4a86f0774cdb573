// The debug overlay on the recording device and a fake clock: timing bars, frame-rate statistics
// and their summary, its text, and the top bar's and panel's buttons and opening gestures.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "io/input.h"
#include "io/main_window.h"
#include "render/debug_overlay.h"
#include "render/frame_services.h"
#include "render/overlay_draw.h"
#include "render/render_fixture.h"
#include "runtime/frame_timing.h"
#include "runtime/game_header.h"

namespace {

using render_test::QuadVertex;
using render_test::TakeQuadVertices;

int64_t g_now = 0;
int64_t FakeNow() { return g_now; }
void NoSleep(int64_t) {}

class DebugOverlayTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    m_oldClock = Timing_SetClock(TimingClock{&FakeNow, &NoSleep});
    g_now = 1000;
    Timing_Init();
    DebugOverlay_Reset();
    GR_SetEmbeddedTextures(g_EmbeddedImages);
    Debug_OverlayFlags = 0;
    g_GR_Frame.presentTime = 0;
    g_IOInputState = IO_InputState{};
  }
  void TearDown() override {
    DebugOverlay_Reset();
    DebugOverlay_ForgetFontSlot();
    Debug_OverlayFlags = 0;
    g_IOInputState = IO_InputState{};
    g_FrameTiming = FrameTiming{};
    Timing_SetClock(m_oldClock);
    Timing_Init();
    RenderTest::TearDown();
  }
  // One frame of `micros` microseconds.
  static void Frame(int64_t micros) {
    DebugOverlay_FrameBegin();
    g_now += micros;
    DebugOverlay_FrameEnd();
  }
  // A left-button release at a window point, handled.
  static void Release(int32_t x, int32_t y) {
    g_IOInputState.mouseX = x;
    g_IOInputState.mouseY = y;
    g_IOInputState.buttonReleased[0][0] = true;
    DebugOverlay_HandleInput();
    g_IOInputState.buttonReleased[0][0] = false;
  }
  // The middle of a cell of the 10 x 10 grid over a 640 x 480 back buffer.
  static void ReleaseInCell(int32_t column, int32_t row) { Release(column * 64 + 32, row * 48 + 24); }
  void WindowOf640By480() {
    ASSERT_TRUE(Init());
    g_WindowState.backbufferWidth = 640;
    g_WindowState.backbufferHeight = 480;
  }

  TimingClock m_oldClock;
};

TEST_F(DebugOverlayTest, TheBarStoreStopsAt1024AndAnEndClosesTheBarBelow) {
  Debug_OverlayFlags = kDebugOverlayShow;
  DebugOverlay_FrameBegin();
  ASSERT_EQ(DebugOverlay_BarCount(), 1);
  EXPECT_STREQ(DebugOverlay_Bar(0)->name, "Total");
  EXPECT_EQ(DebugOverlay_Bar(0)->colour, kDebugOverlayTotalColour);
  for (int i = 1; i < 1024; ++i) DebugOverlay_BeginTiming("bar", 0xFF00FF00u);
  EXPECT_EQ(DebugOverlay_BarCount(), 1024);
  EXPECT_EQ(DebugOverlay_OpenBarCount(), 1024);
  DebugOverlay_BeginTiming("one too many", 0xFFFFFFFFu);
  EXPECT_EQ(DebugOverlay_BarCount(), 1024);
  EXPECT_EQ(DebugOverlay_OpenBarCount(), 1024);
  g_now += 50;
  DebugOverlay_EndTiming();
  EXPECT_EQ(DebugOverlay_OpenBarCount(), 1023);
  EXPECT_EQ(DebugOverlay_Bar(1023)->end - DebugOverlay_Bar(1023)->start, 50);
}

TEST_F(DebugOverlayTest, AnEndWithNoBarOpenDoesNothing) {
  DebugOverlay_EndTiming();
  EXPECT_EQ(DebugOverlay_BarCount(), 0);
  DebugOverlay_FrameBegin();
  g_now += 10;
  DebugOverlay_EndTiming();
  g_now += 10;
  DebugOverlay_EndTiming();
  EXPECT_EQ(DebugOverlay_OpenBarCount(), 0);
  EXPECT_EQ(DebugOverlay_Bar(0)->end - DebugOverlay_Bar(0)->start, 10);
  // A bar begun outside a frame begins one.
  DebugOverlay_FrameEnd();
  DebugOverlay_BeginTiming("Step", 0xFF0000FFu);
  EXPECT_EQ(DebugOverlay_BarCount(), 2);
  EXPECT_STREQ(DebugOverlay_Bar(1)->name, "Step");
}

TEST_F(DebugOverlayTest, ASteady60ReportsSixtiesAndTheFirst100FramesDoNotCount) {
  EXPECT_EQ(DebugOverlay_Stats().minFps, 0);
  for (int i = 0; i < 100; ++i) Frame(5000);  // 200 fps while settling
  EXPECT_EQ(DebugOverlay_Stats().maxFps, 0);
  EXPECT_EQ(DebugOverlay_Stats().avgFps, 0);
  for (int i = 0; i < 50; ++i) Frame(16666);
  EXPECT_EQ(g_FrameTiming.fpsReal, 60.0f);
  DebugOverlay_ReportFPS();
  const std::string dashes(63, '-');
  EXPECT_EQ(Console(), dashes + "\nminFPS, maxFPS, avgFPS\n60, 60, 60\n" + dashes + "\n");
  // A slower frame lowers the minimum and pulls the average halfway.
  Frame(25000);
  EXPECT_EQ(DebugOverlay_Stats().minFps, 40);
  EXPECT_EQ(DebugOverlay_Stats().maxFps, 60);
  EXPECT_EQ(DebugOverlay_Stats().avgFps, 50);
  // The present time of the last frame counts as part of the frame.
  g_GR_Frame.presentTime = 5000;
  Frame(5000);
  EXPECT_EQ(DebugOverlay_Stats().fps, 100);
}

TEST_F(DebugOverlayTest, AClockStandingStillLeavesTheRateAndTheStatistics) {
  for (int i = 0; i < 101; ++i) Frame(20000);
  const DebugOverlayStats before = DebugOverlay_Stats();
  EXPECT_EQ(before.avgFps, 50);
  Frame(0);
  Frame(-30);
  const DebugOverlayStats after = DebugOverlay_Stats();
  EXPECT_EQ(after.frames, before.frames);
  EXPECT_EQ(after.fps, 50);
  EXPECT_EQ(after.minFps, 50);
  EXPECT_EQ(after.avgFps, 50);
  EXPECT_EQ(g_FrameTiming.fpsReal, 50.0f);
}

TEST_F(DebugOverlayTest, TextPutsATabsNextCharacterOnTheNextMultipleOf64) {
  InitScene();
  ASSERT_GE(DebugOverlay_FontSlot(), 0);
  DebugOverlay_BeginDraw();
  const float width = DebugOverlay_DrawText(0, 0, 1, 1, 0xFF0000FFu, "a\tb", 3);
  std::vector<QuadVertex> v = TakeQuadVertices(s_log.get());
  ASSERT_EQ(v.size(), 12u);
  EXPECT_EQ(v[0].x, 0.0f);
  EXPECT_EQ(v[6].x, 64.0f);
  EXPECT_EQ(v[0].z, 0.7f);
  EXPECT_EQ(v[0].colour, 0xFFFF0000u);  // red and blue exchanged
  EXPECT_EQ(width, 64.0f + static_cast<float>(DebugOverlay_TextWidth("b", 1)));
  // Spaces and codes beyond the font only advance; a count shorter than the text stops early.
  DebugOverlay_DrawText(10.7f, 0, 1, 1, 0xFFFFFFFFu, "a \xF0z", 3);
  v = TakeQuadVertices(s_log.get());
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[0].x, 10.0f);
  EXPECT_EQ(DebugOverlay_TextWidth("ab", 1), DebugOverlay_TextWidth("a", 1));
  DebugOverlay_EndDraw();
}

TEST_F(DebugOverlayTest, TheFrameRateLineCarriesTheTextureChangesAndDrawCalls) {
  InitScene();
  GR_D3D_EndScene();
  Debug_OverlayFlags = kDebugOverlayShow;
  g_now += 16666;
  const int32_t changesBefore = g_Textures.changes;
  const int32_t callsBefore = g_Batch.drawCalls;
  ASSERT_TRUE(GR_D3D_BeginScene());
  g_now += 16666;
  DebugOverlay_BeginTiming("Draw", 0xFF00FFFFu);
  float* a = static_cast<float*>(GR_AllocVerts(D3DPT_TRIANGLELIST, nullptr, 24, 3));
  render_test::WriteVertices(a, 3, 0);
  GraphicsFlush();
  a = static_cast<float*>(GR_AllocVerts(D3DPT_LINELIST, nullptr, 24, 2));
  render_test::WriteVertices(a, 2, 0);
  GraphicsFlush();
  DebugOverlay_EndTiming();
  const int32_t changes = g_Textures.changes - changesBefore;
  const int32_t calls = g_Batch.drawCalls - callsBefore;
  EXPECT_EQ(calls, 2);
  const int32_t drawsBefore = g_DebugOverlayDraws;
  s_log->Clear();
  ASSERT_TRUE(GR_D3D_EndScene());
  EXPECT_EQ(std::string(DebugOverlay_LastSummary()),
            "60fps\t\t(" + std::to_string(changes) + ")(" + std::to_string(calls) + ")");
  EXPECT_EQ(g_DebugOverlayDraws, drawsBefore + 1);
  // The bars are drawn between y 10 and 20: the Total bar across a quarter of the width.
  bool total = false;
  for (const D3D9RecordedDraw& d : Draws()) {
    const size_t n = d.vertices.size() / sizeof(QuadVertex);
    const auto* q = reinterpret_cast<const QuadVertex*>(d.vertices.data());
    for (size_t i = 0; i + 6 <= n; i += 6) {
      if (q[i].y == 10.0f && q[i + 2].y == 20.0f && q[i].colour == 0xFF800000u) {
        total = true;
        EXPECT_EQ(q[i].x, 0.0f);
        EXPECT_NEAR(q[i + 2].x, 160.0f, 0.5f);
      }
    }
  }
  EXPECT_TRUE(total);
}

TEST_F(DebugOverlayTest, DrawingPutsBackTheStatesAndEveryMatrixItChanged) {
  InitScene();
  GR_SetView(10, 20, 320, 240, 0);
  Matrix44 world;
  Matrix_SetTranslation(&world, 5, 6, 7);
  GR_SetMatrix(kMatrixWorld, world);
  CRenderStateManager::SetRenderState(kRS_CullMode, 2);
  Matrix44 before[3];
  for (int32_t i = 0; i < 3; ++i) GR_GetMatrix(i, &before[i]);
  DebugOverlay_BeginDraw();
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_CullMode), 0u);
  Matrix44 inside;
  GR_GetMatrix(kMatrixWorld, &inside);
  EXPECT_NE(std::memcmp(&inside, &before[kMatrixWorld], sizeof inside), 0);
  DebugOverlay_EndDraw();
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_CullMode), 2u);
  for (int32_t i = 0; i < 3; ++i) {
    Matrix44 after;
    GR_GetMatrix(i, &after);
    EXPECT_EQ(std::memcmp(&after, &before[i], sizeof after), 0) << i;
  }
}

TEST_F(DebugOverlayTest, TheTopBarShowsTheGameLineOnlyWithAHeader) {
  InitScene();
  Debug_OverlayFlags = kDebugOverlayTopBar;
  DebugOverlay_BeginDraw();
  DebugOverlay_DrawButtons();
  const size_t without = TakeQuadVertices(s_log.get()).size();
  static const uint8_t kBody[4] = {};
  g_GameHeader.body = kBody;
  g_GameHeader.gameName = "Lumbrix";
  DebugOverlay_DrawButtons();
  const size_t with = TakeQuadVertices(s_log.get()).size();
  Debug_OverlayFlags |= kDebugOverlayPanel;
  DebugOverlay_DrawButtons();
  const size_t panel = TakeQuadVertices(s_log.get()).size();
  DebugOverlay_EndDraw();
  g_GameHeader = GameHeader{};
  // The dark rectangle (4 vertices), then glyphs of 6 vertices each.
  const auto glyphs = [](const char* text) {
    int n = 0;
    for (const char* c = text; *c != '\0'; ++c) n += *c != ' ' ? 1 : 0;
    return static_cast<size_t>(n) * 6;
  };
  EXPECT_EQ(without, 4 + glyphs("Wexa Works Runner v1.0(999)[r32908]") + glyphs("CLOSE"));
  EXPECT_EQ(with, without + glyphs("Game : Lumbrix v0.0"));
  EXPECT_EQ(panel, with + glyphs("FPS : OFF") + glyphs("AUDIO : OFF"));
}

TEST_F(DebugOverlayTest, CloseAndThePanelsToggles) {
  WindowOf640By480();
  const struct {
    int32_t x, y;
    bool closes;
  } closeCases[] = {{600, 88, true}, {561, 81, true}, {623, 95, true}, {560, 88, false},
                    {624, 88, false}, {600, 80, false}, {600, 96, false}};
  for (const auto& c : closeCases) {
    Debug_OverlayFlags = kDebugOverlayTopBar | kDebugOverlayPanel;
    Release(c.x, c.y);
    EXPECT_EQ((Debug_OverlayFlags & (kDebugOverlayTopBar | kDebugOverlayPanel)) == 0, c.closes) << c.x << ", " << c.y;
  }
  const struct {
    int32_t x, y;
    int32_t toggles;
  } panelCases[] = {{11, 11, kDebugOverlayShow}, {73, 25, kDebugOverlayShow}, {10, 11, 0},
                    {11, 35, kDebugOverlayAudio}, {73, 45, kDebugOverlayAudio}, {73, 46, 0}, {300, 300, 0}};
  for (const auto& c : panelCases) {
    Debug_OverlayFlags = kDebugOverlayTopBar | kDebugOverlayPanel;
    Release(c.x, c.y);
    EXPECT_EQ(Debug_OverlayFlags, kDebugOverlayTopBar | kDebugOverlayPanel | c.toggles) << c.x << ", " << c.y;
  }
}

TEST_F(DebugOverlayTest, GesturesOpenTheBarThenThePanelAndAWrongCellStartsOver) {
  WindowOf640By480();
  const int32_t openBar[7][2] = {{0, 0}, {9, 0}, {9, 9}, {0, 9}, {0, 0}, {9, 0}, {9, 9}};
  for (int i = 0; i < 3; ++i) ReleaseInCell(openBar[i][0], openBar[i][1]);
  ReleaseInCell(5, 5);  // wrong: the count starts again
  for (int i = 0; i < 6; ++i) ReleaseInCell(openBar[i][0], openBar[i][1]);
  EXPECT_EQ(Debug_OverlayFlags, 0);
  // Releases outside the grid are no step at all.
  Release(-5, 24);
  Release(700, 24);
  ReleaseInCell(openBar[6][0], openBar[6][1]);
  EXPECT_EQ(Debug_OverlayFlags, kDebugOverlayTopBar);
  // Within the tolerance of one cell.
  const int32_t openPanel[8][2] = {{1, 8}, {9, 1}, {0, 9}, {8, 0}, {9, 9}, {0, 0}, {9, 9}, {1, 1}};
  for (const auto& c : openPanel) ReleaseInCell(c[0], c[1]);
  EXPECT_EQ(Debug_OverlayFlags, kDebugOverlayTopBar | kDebugOverlayPanel);
}

TEST_F(DebugOverlayTest, ABackBufferWithoutSizeIgnoresEveryRelease) {
  ASSERT_TRUE(Init());
  g_WindowState.backbufferWidth = 0;
  g_WindowState.backbufferHeight = 0;
  for (int i = 0; i < 20; ++i) Release(0, 0);
  EXPECT_EQ(Debug_OverlayFlags, 0);
}

}  // namespace
