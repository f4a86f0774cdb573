// Three-dimensional mode, the drawing depth, the projection setters and the world matrix with
// its stack, on the recording device.
#include "render/render_fixture.h"

namespace render_test {
namespace {

using TransformTest = RenderTest;

Matrix44 World() {
  Matrix44 m;
  GR_GetMatrix(kMatrixWorld, &m);
  return m;
}

void ExpectNear(const Matrix44& a, const Matrix44& b, float tolerance = 1e-5f) {
  for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tolerance) << "entry " << i;
}

TEST_F(TransformTest, DepthIsHeldInThreeDimensionalModeAndZeroOutsideIt) {
  ASSERT_TRUE(Init());
  const struct {
    bool threeD;
    float asked, depth;
  } cases[] = {{true, 20000, 16000}, {true, -20000, -16000}, {true, 12.5f, 12.5f}, {false, 20000, 0}, {false, -3, 0}};
  for (const auto& c : cases) {
    GR_Set3DMode(c.threeD);
    GR_SetDepth(c.asked);
    EXPECT_EQ(GR_GetDepth(), c.depth) << c.threeD << " " << c.asked;
  }
}

TEST_F(TransformTest, ThreeDimensionalModeSwitchesPerspectiveAndTheDepthTestOnlyWhenItChanges) {
  ASSERT_TRUE(Init());
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DepthTest), 0u);
  EXPECT_TRUE(GR_Set3DMode(true));
  EXPECT_TRUE(g_RenderLogical.perspective);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DepthTest), 1u);
  GR_SetPerspective(false);
  GR_SetHidden(false);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DepthTest), 0u);
  // A second start keeps what was set since the first.
  EXPECT_TRUE(GR_Set3DMode(true));
  EXPECT_FALSE(g_RenderLogical.perspective);
  EXPECT_FALSE(g_RenderLogical.hidden);
  EXPECT_TRUE(GR_Set3DMode(false));
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DepthTest), 0u);
  // Hidden-surface removal on outside three-dimensional mode leaves the depth test off.
  GR_SetHidden(true);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DepthTest), 0u);
}

TEST_F(TransformTest, TheStackHoldsFiftyOneMatricesAndPopsTopsAndDiscards) {
  ASSERT_TRUE(Init());
  EXPECT_TRUE(GR_TransformStackEmpty());
  for (int i = 0; i < kWorldStackSize; ++i) {
    GR_TransformSetTranslation(static_cast<float>(i), 0, 0);
    ASSERT_TRUE(GR_TransformStackPush()) << i;
  }
  EXPECT_FALSE(GR_TransformStackPush());
  GR_TransformStackClear();
  EXPECT_TRUE(GR_TransformStackEmpty());

  // Popping an empty stack leaves the world matrix alone.
  GR_TransformSetTranslation(7, 8, 9);
  EXPECT_FALSE(GR_TransformStackPop());
  EXPECT_FALSE(GR_TransformStackTop());
  EXPECT_FALSE(GR_TransformStackDiscard());
  EXPECT_EQ(World().m[12], 7);

  ASSERT_TRUE(GR_TransformStackPush());
  GR_TransformSetScaling(2, 2, 2);
  g_GR_View.cullDirty = false;
  EXPECT_TRUE(GR_TransformStackTop());  // the pushed matrix back, the stack unchanged
  EXPECT_EQ(World().m[12], 7);
  EXPECT_TRUE(g_GR_View.cullDirty);
  EXPECT_FALSE(GR_TransformStackEmpty());
  GR_TransformSetScaling(3, 3, 3);
  EXPECT_TRUE(GR_TransformStackDiscard());  // removed without touching the world matrix
  EXPECT_TRUE(GR_TransformStackEmpty());
  EXPECT_EQ(World().m[0], 3);

  ASSERT_TRUE(GR_TransformStackPush());
  GR_TransformSetIdentity();
  EXPECT_TRUE(GR_TransformStackPop());
  EXPECT_EQ(World().m[0], 3);
  EXPECT_TRUE(GR_TransformStackEmpty());
}

TEST_F(TransformTest, AddedTransformsApplyAfterTheWorldMatrix) {
  ASSERT_TRUE(Init());
  float x = 1, y = 2, z = 3;
  GR_TransformVertex(&x, &y, &z);  // identity
  EXPECT_EQ(x, 1);
  EXPECT_EQ(y, 2);
  EXPECT_EQ(z, 3);
  GR_TransformAddTranslation(10, 0, 0);
  GR_TransformAddRotationZ(90);
  x = y = z = 0;
  GR_TransformVertex(&x, &y, &z);
  EXPECT_NEAR(x, 0, 1e-4);
  EXPECT_NEAR(y, -10, 1e-4);
  EXPECT_NEAR(z, 0, 1e-4);
  // The axis setters pass the negated angle, so every rotation turns alike.
  const struct {
    float ax, ay, az;
    void (*single)(float);
  } cases[] = {{0, 0, 1, GR_TransformSetRotationZ}, {0, 1, 0, GR_TransformSetRotationY}, {1, 0, 0, GR_TransformSetRotationX}};
  for (const auto& c : cases) {
    c.single(33);
    const Matrix44 single = World();
    GR_TransformSetRotationAxis(c.ax, c.ay, c.az, 33);
    ExpectNear(World(), single);
    GR_TransformSetIdentity();
    GR_TransformAddRotationAxis(c.ax, c.ay, c.az, 33);
    ExpectNear(World(), single);
  }
  GR_TransformSetScaling(2, 3, 4);
  GR_TransformAddScaling(2, 1, 1);
  EXPECT_EQ(World().m[0], 4);
  EXPECT_EQ(World().m[10], 4);
}

TEST_F(TransformTest, ProjectionSettersRecordTheirKindAndTheCustomProjectionFlag) {
  ASSERT_TRUE(Init());
  GR_SetProjectionOrtho(0, 0, 640, 480, 0);
  EXPECT_TRUE(g_GR_View.customProjection);
  EXPECT_TRUE(g_GR_View.projection.orthographic);
  Matrix44 projection;
  GR_GetMatrix(kMatrixProjection, &projection);
  EXPECT_FLOAT_EQ(projection.m[5], -1.0f / 240.0f);
  Matrix44 view;
  GR_GetMatrix(kMatrixView, &view);
  EXPECT_FLOAT_EQ(view.m[12], -320.0f);  // centred on (320, 240), the eye 16000 in front
  EXPECT_FLOAT_EQ(view.m[14], 16000.0f);

  GR_SetProjectionExt(0, 0, -10, 0, 0, 0, 0, 1, 0, 90, 2, 1, 101);
  EXPECT_FALSE(g_GR_View.customProjection);
  EXPECT_FALSE(g_GR_View.projection.orthographic);
  EXPECT_EQ(g_GR_View.projection.farZ, 101);
  GR_GetMatrix(kMatrixView, &view);
  EXPECT_FLOAT_EQ(view.m[14], 10.0f);
  GR_GetMatrix(kMatrixProjection, &projection);
  EXPECT_NEAR(projection.m[0], 0.5f, 1e-5);
  EXPECT_EQ(projection.m[11], 1.0f);

  GR_SetProjectionPerspective(0, 0, 640, 480, 0);
  EXPECT_FALSE(g_GR_View.projection.orthographic);
  GR_GetMatrix(kMatrixView, &view);
  EXPECT_FLOAT_EQ(view.m[14], 640.0f);  // one view width from the room
}

}  // namespace
}  // namespace render_test
