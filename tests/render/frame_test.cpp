// The frame's matrices and clears on the recording device: the half-pixel correction of the
// projection, clears inside and outside a scene, and the manual clear of adapters whose clear is
// unreliable, which must leave every state as it found it.
#include "render/render_fixture.h"

namespace render_test {
namespace {

using FrameTest = RenderTest;

Matrix44 Sample(float base) {
  Matrix44 m;
  for (int i = 0; i < 16; ++i) m.m[i] = base + static_cast<float>(i);
  return m;
}

void ExpectSame(const Matrix44& a, const Matrix44& b) {
  for (int i = 0; i < 16; ++i) EXPECT_EQ(a.m[i], b.m[i]) << "entry " << i;
}

TEST_F(FrameTest, TheProjectionIsMovedHalfAPixelLeftAndUpAndReadBackCorrected) {
  ASSERT_TRUE(Init());  // a 640 x 480 viewport
  g_GR_Draw.offsetX = 0;
  const Matrix44 projection = Sample(1);
  GR_SetMatrix(kMatrixProjection, projection);
  Matrix44 stored;
  GR_GetMatrix(kMatrixProjection, &stored);
  for (int i = 0; i < 16; ++i) {
    const float expected = i == 12 ? projection.m[12] - 1.0f / 640 : i == 13 ? projection.m[13] + 1.0f / 480 : projection.m[i];
    EXPECT_EQ(stored.m[i], expected) << "entry " << i;
  }
  EXPECT_EQ(g_GR_Draw.offsetX, 1.0f);  // the primitive offset goes with the correction
  // View and world are stored as given; the products follow every change.
  const Matrix44 view = Sample(-3);
  GR_SetMatrix(kMatrixView, view);
  Matrix44 back;
  GR_GetMatrix(kMatrixView, &back);
  ExpectSame(back, view);
  Matrix44 worldView, all;
  Matrix_Multiply(&worldView, Matrix_Identity(), view);
  Matrix_Multiply(&all, worldView, stored);
  ExpectSame(g_GR_Frame.matrices[kMatrixWorldView], worldView);
  ExpectSame(g_GR_Frame.matrices[kMatrixWorldViewProjection], all);
  EXPECT_GE(Find("SetTransform(PROJECTION, {{1, 2, 3, 4}, {5, 6, 7, 8}, {9, 10, 11, 12}, {12.9984, 14.0021, 15, 16}})"), 0);
}

TEST_F(FrameTest, AMatrixChangeDrawsWhatWasBatchedFirstAndReachesTheCurrentShader) {
  InitScene();
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 3), 3, 0);
  GR_SetMatrix(kMatrixWorld, Sample(0));
  const int draw = Find("DrawPrimitive");
  const int transform = Find("SetTransform(WORLD");
  ASSERT_GE(draw, 0);
  EXPECT_LT(draw, transform);
  EXPECT_EQ(g_ShaderMatrixUploads, 0);
  Shader* shader = reinterpret_cast<Shader*>(&s_exits);
  Shader_MakeCurrent(shader);
  const int uploads = g_ShaderMatrixUploads;
  GR_SetMatrix(kMatrixView, Sample(0));
  EXPECT_EQ(g_ShaderMatrixUploads, uploads + 1);
  Shader_MakeCurrent(nullptr);
}

TEST_F(FrameTest, ClearsHappenOnlyInsideAScene) {
  ASSERT_TRUE(Init());
  s_log->Clear();
  GR_D3D_Clear(0xFF0000FFu, 1.0f, 0, kClearTarget);
  EXPECT_EQ(Find("Clear("), -1);
  ASSERT_TRUE(Start_Frame());
  GraphicsFlush();  // the fog range of the start-up view
  s_log->Clear();
  GR_D3D_Clear(0xFF0000FFu, 1.0f, 0, 0);
  EXPECT_EQ(Find("Clear("), -1);
  // A script colour: red in the low byte becomes red in the device's colour.
  GR_D3D_Clear(0x800000FFu, 1.0f, 0, kClearTarget | kClearDepth);
  EXPECT_EQ(Lines(), std::vector<std::string>{"Clear(0, null, 0x3, 0x80FF0000, 1, 0)"});
  ASSERT_TRUE(End_Frame(true));
  EXPECT_GE(Find("Present("), 0);
  EXPECT_GE(g_GR_Frame.presentTime, 0);
}

TEST_F(FrameTest, FramesNeedADevice) {
  EXPECT_FALSE(Start_Frame());
  EXPECT_FALSE(End_Frame(true));
}

// Everything the manual clear saves, to compare after it.
struct Snapshot {
  uint32_t render[kRenderStateCount];
  uint32_t sampler[kSamplerStateCount];
  Matrix44 matrices[5];
  Shader* shader;
  bool halfPixel;

  static Snapshot Take() {
    Snapshot s;
    for (int32_t id = 0; id < kRenderStateCount; ++id) s.render[id] = CRenderStateManager::GetRenderState(id);
    for (int32_t i = 0; i < kSamplerStateCount; ++i) s.sampler[i] = CRenderStateManager::GetSamplerState(i / 4, i % 4);
    for (int i = 0; i < 5; ++i) s.matrices[i] = g_GR_Frame.matrices[i];
    s.shader = Shader_GetCurrent();
    s.halfPixel = g_GR_Frame.halfPixel;
    return s;
  }
};

class ManualClearTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    GR_StartupFlags.manualClear = true;
    InitScene();
    ASSERT_TRUE(g_D3D.manualClears);
    // States a game may have left: each would keep the quad from covering the target.
    GR_SetBlendMode(kBlendAdd);
    GR_SetAlphaTest(true);
    GR_SetCulling(true);
    GR_SetLighting(true);
    GR_SetTextureRepeat(true);
    GR_SetColourWriteEnable(true, false, true, false);
    GR_TransformSetTranslation(5, 6, 7);
    Shader_MakeCurrent(reinterpret_cast<Shader*>(&s_exits));
    GraphicsFlush();
    s_log->Clear();
  }
  void TearDown() override {
    Shader_MakeCurrent(nullptr);
    RenderTest::TearDown();
  }

  // The value a state had in the log's last SetRenderState line before `before`; "" when none.
  std::string StateBefore(const std::string& state, int before) const {
    std::string value;
    for (int i = 0; i < before; ++i) {
      const std::string prefix = "SetRenderState(" + state + ", ";
      if (Lines()[i].rfind(prefix, 0) == 0) value = Lines()[i].substr(prefix.size(), Lines()[i].size() - prefix.size() - 1);
    }
    return value;
  }
};

TEST_F(ManualClearTest, AColourClearCoversEveryPixelLeavesDepthAloneAndRestoresEverything) {
  const Snapshot before = Snapshot::Take();
  GR_D3D_Clear(0xFF0000FFu, 1.0f, 0, kClearTarget);
  EXPECT_EQ(Find("Clear("), -1);
  ASSERT_EQ(Draws().size(), 1u);
  const D3D9RecordedDraw& quad = Draws()[0];
  EXPECT_EQ(quad.type, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(quad.vertexCount, 4u);
  EXPECT_EQ(quad.stride, 16u);
  EXPECT_TRUE(quad.texture.empty());
  struct Corner {
    float x, y, z;
    uint32_t colour;
  };
  const Corner expected[4] = {{-1, -1, 1, 0xFFFF0000u}, {-1, 1, 1, 0xFFFF0000u}, {1, -1, 1, 0xFFFF0000u},
                              {1, 1, 1, 0xFFFF0000u}};
  ASSERT_EQ(quad.vertices.size(), sizeof expected);
  for (int i = 0; i < 4; ++i) {
    Corner c;
    std::memcpy(&c, quad.vertices.data() + i * sizeof c, sizeof c);
    EXPECT_EQ(c.x, expected[i].x);
    EXPECT_EQ(c.y, expected[i].y);
    EXPECT_EQ(c.z, expected[i].z);
    EXPECT_EQ(c.colour, expected[i].colour);
  }
  // What the device held when it drew the quad.
  const int draw = Find("DrawPrimitive");
  EXPECT_EQ(StateBefore("ZENABLE", draw), "1");
  EXPECT_EQ(StateBefore("ZFUNC", draw), std::to_string(D3DCMP_ALWAYS));
  EXPECT_EQ(StateBefore("ZWRITEENABLE", draw), "0");
  EXPECT_EQ(StateBefore("COLORWRITEENABLE", draw), "0xF");
  EXPECT_EQ(StateBefore("ALPHABLENDENABLE", draw), "0");
  EXPECT_EQ(StateBefore("ALPHATESTENABLE", draw), "0");
  EXPECT_EQ(StateBefore("LIGHTING", draw), "0");
  EXPECT_EQ(StateBefore("CULLMODE", draw), std::to_string(D3DCULL_NONE));
  // No half-pixel correction on the identity projection the quad is drawn with.
  const int projection = Find("SetTransform(PROJECTION, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}})");
  ASSERT_GE(projection, 0);
  EXPECT_LT(projection, draw);

  const Snapshot after = Snapshot::Take();
  for (int32_t id = 0; id < kRenderStateCount; ++id) EXPECT_EQ(after.render[id], before.render[id]) << "state " << id;
  for (int32_t i = 0; i < kSamplerStateCount; ++i) EXPECT_EQ(after.sampler[i], before.sampler[i]) << "sampler " << i;
  for (int i = 0; i < 5; ++i) ExpectSame(after.matrices[i], before.matrices[i]);
  EXPECT_EQ(after.shader, before.shader);
  EXPECT_TRUE(after.halfPixel);
  EXPECT_TRUE(g_GR_View.cullDirty);
}

TEST_F(ManualClearTest, ADepthClearWritesDepthWithoutColour) {
  GR_D3D_Clear(0xFF000000u, 1.0f, 0, kClearDepth | kClearStencil);
  const int draw = Find("DrawPrimitive");
  ASSERT_GE(draw, 0);
  EXPECT_NE(StateBefore("ZWRITEENABLE", draw), "0");  // on since start-up: nothing to send
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_DepthWrite), 1u);
  EXPECT_EQ(StateBefore("COLORWRITEENABLE", draw), "0x0");
}

TEST_F(ManualClearTest, EveryBoundTargetGetsItsQuadAndTheTargetsComeBack) {
  IDirect3DSurface9* a = nullptr;
  IDirect3DSurface9* b = nullptr;
  ASSERT_EQ(g_D3D.device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &a, nullptr), D3D_OK);
  ASSERT_EQ(g_D3D.device->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &b, nullptr), D3D_OK);
  const std::string nameA = Lines()[0].substr(Lines()[0].rfind(' ') + 1);
  const std::string nameB = Lines()[1].substr(Lines()[1].rfind(' ') + 1);
  ASSERT_EQ(g_D3D.device->SetRenderTarget(0, a), D3D_OK);
  ASSERT_EQ(g_D3D.device->SetRenderTarget(1, b), D3D_OK);
  s_log->Clear();
  GR_D3D_Clear(0xFFFFFFFFu, 1.0f, 0, kClearTarget);
  ASSERT_EQ(Draws().size(), 2u);
  const int unbind = Find("SetRenderTarget(1, null)");
  const int firstTarget = Find("SetRenderTarget(0, " + nameA + ")", unbind);
  const int firstDepth = Find("SetDepthStencilSurface(depthstencil)", firstTarget);
  const int firstDraw = Find("DrawPrimitive", firstDepth);
  const int secondTarget = Find("SetRenderTarget(0, " + nameB + ")", firstDraw);
  const int secondDepth = Find("SetDepthStencilSurface(null)", secondTarget);
  const int secondDraw = Find("DrawPrimitive", secondDepth);
  EXPECT_GE(unbind, 0);
  EXPECT_GT(firstDraw, 0);
  EXPECT_GT(secondDraw, firstDraw);
  EXPECT_EQ(Texture_TargetStackDepth(), 0);
  IDirect3DSurface9* target = nullptr;
  ASSERT_EQ(g_D3D.device->GetRenderTarget(0, &target), D3D_OK);
  EXPECT_EQ(target, a);
  target->Release();
  ASSERT_EQ(g_D3D.device->GetRenderTarget(1, &target), D3D_OK);
  EXPECT_EQ(target, b);
  target->Release();
  IDirect3DSurface9* depth = nullptr;
  ASSERT_EQ(g_D3D.device->GetDepthStencilSurface(&depth), D3D_OK);
  EXPECT_NE(depth, nullptr);
  depth->Release();
  g_D3D.device->SetRenderTarget(1, nullptr);
  a->Release();
  b->Release();
}

}  // namespace
}  // namespace render_test
