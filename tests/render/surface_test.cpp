// Surfaces on the recording device: the id table, target switching with the saved viewport and
// view, the render-target stack's limit, and the drawing functions' handling of unknown ids.
#include <gtest/gtest.h>

#include "assets/bitmap.h"
#include "runtime/run_state.h"
#include "render/gui_layer.h"
#include "render/surface.h"
#include "render_fixture.h"

namespace {

using render_test::RenderTest;

class SurfaceTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    Reset();
    InitScene();
  }
  void TearDown() override {
    Surface_FreeAll();
    Reset();
    RenderTest::TearDown();
  }
  static void Reset() {
    g_SurfaceTargets = SurfaceTargetState{};
    g_RunState = RunState{};
    g_GUI = GUIState{};
  }
};

TEST_F(SurfaceTest, IdsRiseFromZeroAndAFreedIdIsNeverGivenAgain) {
  EXPECT_EQ(Surface_Create(32, 32, -1), 0);
  // The redraw keeps the application surface's size in the run state before making it.
  g_RunState.applicationSurfaceWidth = 64;
  g_RunState.applicationSurfaceHeight = 48;
  g_RunState.applicationSurface = Surface_Create(64, 48, -1);
  EXPECT_EQ(g_RunState.applicationSurface, 1);
  EXPECT_EQ(Surface_Create(16, 16, -1), 2);
  Surface_Free(0, false);
  EXPECT_FALSE(Surface_Exists(0));
  EXPECT_EQ(Surface_Create(16, 16, -1), 3);

  // surface_free of the application surface leaves it alone.
  Surface_Free(1, false);
  EXPECT_TRUE(Surface_Exists(1));
  EXPECT_EQ(Surface_GetWidth(1), 64);

  // A device reset forgets every surface; the next ids go on rising.
  ASSERT_TRUE(GR_D3D_ResetAndRestore());
  for (int32_t id : {1, 2, 3}) EXPECT_FALSE(Surface_Exists(id)) << id;
  EXPECT_EQ(g_RunState.applicationSurface, kNoSurface);
  EXPECT_EQ(Surface_Create(8, 8, -1), 4);
}

TEST_F(SurfaceTest, SetDrawResetRestoresViewportAndViewWithTheViewPositionTruncated) {
  const int32_t id = Surface_Create(128, 64, -1);
  ASSERT_GE(id, 0);
  GR_SetViewport(10, 20, 300, 200);
  GR_SetView(12.75f, 3.5f, 320.0f, 240.0f, 15.0f);

  ASSERT_TRUE(Surface_SetTarget(0, id));
  EXPECT_EQ(Surface_StackDepth(), 1);
  EXPECT_EQ(g_GR_View.viewportWidth, 128);
  EXPECT_EQ(g_GR_View.viewportHeight, 64);
  EXPECT_EQ(g_GR_View.viewWidth, 128.0f);
  EXPECT_EQ(g_GR_View.viewX, 0.0f);
  EXPECT_GE(Find("SetRenderTarget(0, "), 0);
  Surface_Draw(id, 4, 4);  // drawing a surface into itself is the game's affair; it must not disturb the stack

  ASSERT_TRUE(Surface_ResetTarget());
  EXPECT_EQ(Surface_StackDepth(), 0);
  EXPECT_EQ(g_GR_View.viewportX, 10);
  EXPECT_EQ(g_GR_View.viewportY, 20);
  EXPECT_EQ(g_GR_View.viewportWidth, 300);
  EXPECT_EQ(g_GR_View.viewportHeight, 200);
  EXPECT_EQ(g_GR_View.viewX, 12.0f);
  EXPECT_EQ(g_GR_View.viewY, 3.0f);
  EXPECT_EQ(g_GR_View.viewWidth, 320.0f);
  EXPECT_EQ(g_GR_View.viewHeight, 240.0f);
  EXPECT_EQ(g_GR_View.viewAngle, 15.0f);
  EXPECT_EQ(g_SurfaceTargets.boundIds[0], -1);
  EXPECT_FALSE(Surface_ResetTarget()) << "nothing left to pop";
}

TEST_F(SurfaceTest, AFullRenderTargetStackRefusesAndTheEarlierResetsRestoreEverything) {
  const int32_t id = Surface_Create(16, 16, -1);
  int32_t pushed = 0;
  for (; pushed < kTextureStackSize; ++pushed) {
    GR_SetViewport(pushed, 0, 100 + pushed, 50);
    ASSERT_TRUE(Surface_SetTarget(0, id)) << pushed;
  }
  EXPECT_EQ(Console().find("surface stack is full"), std::string::npos);
  GR_SetViewport(99, 0, 99, 99);
  EXPECT_FALSE(Surface_SetTarget(0, id));
  EXPECT_NE(Console().find("surface stack is full - ensure surface_reset_target() is called for each "
                           "surface_set_target()."),
            std::string::npos)
      << Console();
  EXPECT_EQ(Surface_StackDepth(), kTextureStackSize);
  for (int32_t level = pushed - 1; level >= 0; --level) {
    ASSERT_TRUE(Surface_ResetTarget());
    EXPECT_EQ(g_GR_View.viewportX, level);
    EXPECT_EQ(g_GR_View.viewportWidth, 100 + level);
  }
  EXPECT_EQ(Surface_StackDepth(), 0);
  EXPECT_EQ(Texture_TargetStackDepth(), 0);
}

TEST_F(SurfaceTest, SlotsOneToThreeBindWithoutSaving) {
  const int32_t id = Surface_Create(16, 16, -1);
  GR_SetViewport(5, 6, 70, 80);
  ASSERT_TRUE(Surface_SetTarget(2, id));
  EXPECT_EQ(g_SurfaceTargets.boundIds[2], id);
  EXPECT_EQ(Surface_StackDepth(), 0);
  EXPECT_EQ(g_GR_View.viewportX, 5);
  EXPECT_EQ(Texture_TargetStackDepth(), 0);
  EXPECT_FALSE(Surface_SetTarget(4, id));
  EXPECT_FALSE(Surface_SetTarget(0, id + 1));
  EXPECT_EQ(Surface_StackDepth(), 0);
  Texture_SetTarget(2, nullptr);
}

TEST_F(SurfaceTest, TheApplicationSurfaceAnswersItsSizeBeforeItsTextureExists) {
  g_RunState.applicationSurface = 7;
  g_RunState.applicationSurfaceWidth = 800;
  g_RunState.applicationSurfaceHeight = 600;
  EXPECT_EQ(Surface_GetWidth(7), 800);
  EXPECT_EQ(Surface_GetHeight(7), 600);
  EXPECT_EQ(Surface_GetWidth(8), -1);
  EXPECT_EQ(Surface_GetTexture(8), -1);
}

TEST_F(SurfaceTest, ARefusedTextureFailsTheCreationAndLosesAResizedSurface) {
  s_log->FailNext("CreateTexture", E_OUTOFMEMORY);
  EXPECT_EQ(Surface_Create(32, 32, -1), -1);
  EXPECT_FALSE(Surface_Exists(0));

  // Sizes no texture can have fail before anything is made.
  s_log->Clear();
  for (auto [w, h] : {std::pair{0, 8}, std::pair{8, -1}, std::pair{Texture_MaxSize() + 1, 8}}) {
    EXPECT_EQ(Surface_Create(w, h, -1), -1) << w << "x" << h;
  }
  EXPECT_EQ(CountLines("CreateTexture"), 0);

  const int32_t app = Surface_Create(64, 64, -1);
  g_RunState.applicationSurface = app;
  ASSERT_TRUE(Surface_Resize(app, 96, 32));
  EXPECT_EQ(Surface_GetWidth(app), 96);
  EXPECT_EQ(Display_AppSurfaceSize.width, 96);
  s_log->FailNext("CreateTexture", E_OUTOFMEMORY);
  EXPECT_FALSE(Surface_Resize(app, 128, 128));
  EXPECT_FALSE(Surface_Exists(app));
  EXPECT_EQ(g_RunState.applicationSurfaceWidth, 1);
  EXPECT_EQ(g_RunState.applicationSurfaceHeight, 1);
  EXPECT_FALSE(Surface_Resize(app, 8, 8)) << "a lost surface stays lost";
}

TEST_F(SurfaceTest, OnlyDrawPartReportsAnUnknownId) {
  const int32_t id = Surface_Create(16, 16, -1);
  Surface_Draw(id + 5, 0, 0);
  Surface_DrawExt(id + 5, 0, 0, 1, 1, 0, 0xFFFFFF, 1);
  Surface_DrawStretched(id + 5, 0, 0, 10, 10, 0xFFFFFF, 1);
  Surface_DrawGeneral(id + 5, 0, 0, 4, 4, 0, 0, 1, 1, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  Surface_DrawTiled(id + 5, 0, 0, 1, 1, true, true, 0, 0, 64, 64, 0xFFFFFF, 1);
  EXPECT_EQ(Console().find("non-existing"), std::string::npos) << Console();
  GraphicsFlush();
  EXPECT_TRUE(Draws().empty()) << "unknown ids draw nothing";
  Surface_DrawPart(id + 5, 0, 0, 4, 4, 0, 0, 1, 1, 0xFFFFFF, 1);
  EXPECT_NE(Console().find("Trying to use non-existing surface."), std::string::npos) << Console();

  // A known surface draws its quad; a stretch to no size draws nothing.
  Surface_DrawStretched(id, 0, 0, 0, 10, 0xFFFFFF, 1);
  Surface_DrawStretched(id, 0, 0, 32, 32, 0xFFFFFF, 1);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
}

TEST_F(SurfaceTest, ToBitmapCopiesTheRectangleAndRefusesWhatCannotBeHeld) {
  const int32_t id = Surface_Create(16, 8, -1);
  TBitmap* bitmap = Surface_ToBitmap(id, 2, 2, 4, 3);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetWidth(), 4);
  EXPECT_EQ(bitmap->GetHeight(), 3);
  delete bitmap;
  EXPECT_EQ(Surface_ToBitmap(id, 0, 0, 0x10000, 0x10000), nullptr);
  EXPECT_EQ(Surface_ToBitmap(id, 0, 0, 0, 4), nullptr);
  EXPECT_EQ(Surface_ToBitmap(id + 1, 0, 0, 4, 4), nullptr);
}

}  // namespace
