// The render-state setters, the view with its bounds and cull rectangle, and screen grabs, on the
// recording device.
#include "render/render_fixture.h"

#include <cmath>
#include <memory>

#include "assets/bitmap.h"

namespace render_test {
namespace {

using SettersTest = RenderTest;

float FloatState(int32_t id) {
  const uint32_t bits = CRenderStateManager::GetRenderState(id);
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

TEST_F(SettersTest, BlendModesSendTheirFactors) {
  ASSERT_TRUE(Init());
  const struct {
    int32_t mode;
    uint32_t source, destination;
  } cases[] = {
      {kBlendNormal, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA}, {kBlendAdd, D3DBLEND_SRCALPHA, D3DBLEND_ONE},
      {kBlendMax, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCCOLOR},    {kBlendSubtract, D3DBLEND_ZERO, D3DBLEND_INVSRCCOLOR},
      {7, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA},
  };
  for (const auto& c : cases) {
    GR_SetBlendMode(c.mode);
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_SrcBlend), c.source) << c.mode;
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DestBlend), c.destination) << c.mode;
  }
  GR_SetBlendMode(kBlendSubtract);
  GraphicsFlush();
  s_log->Clear();
  GR_SetBlendMode(kBlendNormal);
  GR_SetBlendMode(kBlendSubtract);
  GR_SetBlendModeExt(D3DBLEND_DESTCOLOR, D3DBLEND_ZERO);
  GraphicsFlush();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"SetRenderState(SRCBLEND, 9)", "SetRenderState(DESTBLEND, 1)"}));
}

TEST_F(SettersTest, SimpleSettersRecordTheirStates) {
  GR_SetAlphaTest(true);  // no device: ignored
  EXPECT_FALSE(GR_GetAlphaTest());
  ASSERT_TRUE(Init());
  GR_SetAlphaTest(true);
  EXPECT_TRUE(GR_GetAlphaTest());
  GR_SetAlphaTestRef(40);
  EXPECT_EQ(GR_GetAlphaTestRef(), 40u);
  GR_SetColourWriteEnable(true, false, true, true);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_ColourWriteMask), 13u);
  GR_SetCulling(true);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_CullMode), 2u);
  GR_SetShading(false);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_ShadeMode), 1u);
  GR_SetLighting(true);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_Lighting), 1u);
  GR_SetZWriteEnable(false);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DepthWrite), 0u);
}

TEST_F(SettersTest, TextureFilteringAndAddressingPerStage) {
  ASSERT_TRUE(Init());
  GR_SetTextureInterpolation(false);
  GR_SetTextureRepeat(true);
  GraphicsFlush();
  s_log->Clear();
  GR_SetTextureInterpolationExt(8, true);  // no stage 8: nothing changes
  GR_SetTextureRepeatExt(-1, false);
  EXPECT_EQ(g_RenderStates.dirty, 0u);
  for (bool on : g_RenderLogical.interpolate) EXPECT_FALSE(on);
  GR_SetTextureInterpolationExt(3, true);
  EXPECT_TRUE(g_RenderLogical.interpolate[3]);
  EXPECT_FALSE(GR_GetTextureInterpolation());
  EXPECT_EQ(CRenderStateManager::GetSamplerState(3, 0), 0u);
  EXPECT_EQ(CRenderStateManager::GetSamplerState(3, 1), 0u);
  EXPECT_EQ(CRenderStateManager::GetSamplerState(2, 0), 1u);
  GraphicsFlush();
  s_log->Clear();
  GR_SetTextureRepeat(false);
  EXPECT_FALSE(GR_GetTextureRepeat());
  GraphicsFlush();
  std::vector<std::string> clamped;
  for (int stage = 0; stage < 8; ++stage) {
    clamped.push_back("SetSamplerState(" + std::to_string(stage) + ", ADDRESSU, " + std::to_string(D3DTADDRESS_CLAMP) + ")");
    clamped.push_back("SetSamplerState(" + std::to_string(stage) + ", ADDRESSV, " + std::to_string(D3DTADDRESS_CLAMP) + ")");
  }
  EXPECT_EQ(Lines(), clamped);
}

TEST_F(SettersTest, FogFollowsTheDeviceCapabilitiesAndTakesSixteenBitDistances) {
  struct Case {
    DWORD caps;
    bool on;
    uint32_t tableMode, vertexMode, rangeFog;
  };
  const Case cases[] = {
      {D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_FOGVERTEX, true, 3, 3, 0},  // table fog first
      {D3DPRASTERCAPS_FOGVERTEX, true, 1, 3, 1},
      {0, false, 1, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caps);
    TearDown();
    SetUp();
    s_config.caps.RasterCaps = (s_config.caps.RasterCaps & ~(D3DPRASTERCAPS_FOGTABLE | D3DPRASTERCAPS_FOGVERTEX)) | c.caps;
    ASSERT_TRUE(Init());
    GR_SetFog(true, 0x0000FF, 100, 40000);
    EXPECT_EQ(g_RenderLogical.fog, c.on);
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_Fog), c.on ? 1u : 0u);
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_FogTableMode), c.tableMode);
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_FogVertexMode), c.vertexMode);
    EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_RangeFog), c.rangeFog);
    EXPECT_EQ(g_RenderLogical.fogEnd, -25536.0f);
    if (c.on) {
      EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_FogColour), 0xFFFF0000u);
      // The start-up view is orthographic: distances become fractions of its depth range.
      EXPECT_FLOAT_EQ(FloatState(kRS_FogStart), 99.0f / 31999.0f);
      EXPECT_FLOAT_EQ(FloatState(kRS_FogEnd), -25537.0f / 31999.0f);
    }
  }
  EXPECT_EQ(GR_D3D_FogMode(), 0);
}

TEST_F(SettersTest, FogIsReappliedInTheSameColourAfterAReset) {
  ASSERT_TRUE(Init());
  GR_SetFog(true, 0x0000FF, 0, 100);
  ASSERT_TRUE(GR_D3D_Reset());
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_FogColour), 0xFFFF0000u);
  EXPECT_TRUE(g_RenderLogical.fog);
  // Under a perspective view the distances are sent as they are.
  GR_Set3DMode(true);
  GR_SetView(0, 0, 640, 480, 0);
  EXPECT_EQ(FloatState(kRS_FogEnd), 100.0f);
}

TEST_F(SettersTest, ViewBoundsCoverTheViewAndItsRotation) {
  const struct {
    float x, y, w, h, angle;
    int32_t left, top, right, bottom;
  } cases[] = {
      {0, 0, 640, 480, 0, 0, 0, 640, 480},
      {10, 10, 640, 480, 0, 9, 9, 650, 490},
      {0, 0, 640, 480, 90, 80, -80, 560, 560},
  };
  for (const auto& c : cases) {
    GR_ComputeViewBounds(c.x, c.y, c.w, c.h, c.angle);
    const GR_ViewState& v = g_GR_View;
    EXPECT_NEAR(v.boundsLeft, c.left, 1) << c.angle;
    EXPECT_NEAR(v.boundsTop, c.top, 1) << c.angle;
    EXPECT_NEAR(v.boundsRight, c.right, 1) << c.angle;
    EXPECT_NEAR(v.boundsBottom, c.bottom, 1) << c.angle;
    if (c.angle == 0) {
      EXPECT_EQ(v.boundsLeft, c.left);
      EXPECT_EQ(v.boundsRight, c.right);
    }
  }
  // Values no integer holds are held at the ends of the range, and a non-number counts as 0.
  GR_ComputeViewBounds(-1e20f, std::nanf(""), 1e30f, 10, 0);
  EXPECT_LT(g_GR_View.boundsLeft, -2000000000);
  EXPECT_EQ(g_GR_View.boundsTop, 0);
  EXPECT_GT(g_GR_View.boundsRight, 2000000000);
  EXPECT_EQ(GR_GrabScreenBitmap(0, 0, 10, 10), nullptr);  // an area without rows
}

TEST_F(SettersTest, TheTwoDimensionalViewPutsRoomYDownwardsExceptInThreeDimensionalOrtho) {
  ASSERT_TRUE(Init());
  const struct {
    bool threeD;
    float clipYOfTop;
  } cases[] = {{false, 1.0f}, {true, -1.0f}};
  for (const auto& c : cases) {
    GR_Set3DMode(c.threeD);
    GR_SetPerspective(false);
    GR_SetView(100, 50, 640, 480, 0);
    // The room point (100, 50) through view and projection, less the half-pixel correction.
    const Matrix44& all = g_GR_Frame.matrices[kMatrixWorldViewProjection];
    const Vector3 clip = Matrix_TransformPoint(all, {100, 50, 0});
    EXPECT_NEAR(clip.x, -1.0f - 1.0f / 640, 1e-4) << c.threeD;
    EXPECT_NEAR(clip.y, c.clipYOfTop + 1.0f / 480, 1e-4) << c.threeD;
    EXPECT_TRUE(g_GR_View.projection.orthographic);
  }
  GR_SetPerspective(true);
  GR_SetView(0, 0, 640, 480, 0);
  EXPECT_FALSE(g_GR_View.projection.orthographic);
}

TEST_F(SettersTest, TheCullRectangleIsTheViewSeenThroughTheInverseWorldMatrix) {
  ASSERT_TRUE(Init());
  GR_SetView(0, 0, 640, 480, 0);
  GR_InvalidateCullRect();
  GR_UpdateCullRect();
  EXPECT_EQ(g_GR_View.cullMinX, 0);
  EXPECT_EQ(g_GR_View.cullMaxY, 480);
  EXPECT_FALSE(g_GR_View.cullDirty);
  GR_TransformSetTranslation(100, 50, 0);
  EXPECT_TRUE(g_GR_View.cullDirty);
  GR_UpdateCullRect();
  EXPECT_EQ(g_GR_View.cullMinX, -100);
  EXPECT_EQ(g_GR_View.cullMinY, -50);
  EXPECT_EQ(g_GR_View.cullMaxX, 540);
  EXPECT_EQ(g_GR_View.cullMaxY, 430);
  // A singular world matrix is used as it is.
  GR_TransformSetScaling(0, 0, 0);
  GR_UpdateCullRect();
  EXPECT_EQ(g_GR_View.cullMaxX, 0);
}

TEST_F(SettersTest, TheViewportIsKeptAndSetWithTheFullDepthRange) {
  ASSERT_TRUE(Init());
  GraphicsFlush();
  s_log->Clear();
  GR_SetViewport(10, 20, 300, 200);
  EXPECT_EQ(Lines(), std::vector<std::string>{"SetViewport({10, 20, 300, 200, 0, 1})"});
  EXPECT_EQ(g_GR_View.viewportWidth, 300);
  // The half-pixel correction follows the viewport.
  GR_SetMatrix(kMatrixProjection, Matrix_Identity());
  EXPECT_FLOAT_EQ(g_GR_Frame.matrices[kMatrixProjection].m[12], -1.0f / 300);
  EXPECT_FLOAT_EQ(g_GR_Frame.matrices[kMatrixProjection].m[13], 1.0f / 200);
  // An empty viewport has no pixels to align to: the projection stays finite.
  GR_SetViewport(0, 0, 0, 0);
  GR_SetMatrix(kMatrixProjection, Matrix_Identity());
  EXPECT_EQ(g_GR_Frame.matrices[kMatrixProjection].m[12], 0.0f);
  EXPECT_EQ(g_GR_Frame.matrices[kMatrixProjection].m[13], 0.0f);
}

TEST_F(SettersTest, AScreenGrabIsCutToTheViewArea) {
  ASSERT_TRUE(Init());
  GR_SetView(0, 0, 640, 480, 0);
  const struct {
    int32_t x, y, w, h;
    int32_t width, height;  // 0: no bitmap
  } cases[] = {
      {-10, 0, 100, 50, 100, 50},  // starts at 0, keeps its width
      {600, 470, 100, 50, 40, 10},
      {-10, -10, 1000, 1000, 640, 480},
      {640, 0, 10, 10, 0, 0},
      {0, 0, 0, 10, 0, 0},
  };
  for (const auto& c : cases) {
    std::unique_ptr<TBitmap> bitmap(GR_GrabScreenBitmap(c.x, c.y, c.w, c.h));
    if (c.width == 0) {
      EXPECT_EQ(bitmap, nullptr) << c.x;
      continue;
    }
    ASSERT_NE(bitmap, nullptr) << c.x;
    EXPECT_EQ(bitmap->GetWidth(), c.width) << c.x;
    EXPECT_EQ(bitmap->GetHeight(), c.height) << c.x;
    EXPECT_EQ(bitmap->GetPixelFormat(), kBitmap32);
  }
}

}  // namespace
}  // namespace render_test
