// The render-state cache: what a setter records, what a flush sends, and the translation of the
// runner's codes to the device's.
#include "render/render_fixture.h"

#include "io/buffer.h"

namespace render_test {
namespace {

using RenderStateTest = RenderTest;

TEST_F(RenderStateTest, AChangeUndoneBeforeAFlushCostsNothingAndKeepsTheBatchOpen) {
  InitScene();
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  CRenderStateManager::SetRenderState(kRS_SrcBlend, 2);
  EXPECT_NE(g_RenderStates.dirty, 0u);
  CRenderStateManager::SetRenderState(kRS_SrcBlend, 5);
  EXPECT_EQ(g_RenderStates.renderDirty, 0u);
  EXPECT_EQ(g_RenderStates.samplerDirty, 0u);
  EXPECT_EQ(g_RenderStates.dirty, 0u);
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 6);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].primitiveCount, 4u);
  EXPECT_EQ(Find("SetRenderState(SRCBLEND"), -1);
}

TEST_F(RenderStateTest, GettersAnswerZeroOutsideTheirRanges) {
  CRenderStateManager::Reset();
  EXPECT_EQ(CRenderStateManager::GetRenderState(40), 0u);
  EXPECT_EQ(CRenderStateManager::GetRenderState(-1), 0u);
  EXPECT_EQ(CRenderStateManager::GetSamplerState(8, 0), 0u);
  EXPECT_EQ(CRenderStateManager::GetSamplerState(0, 4), 0u);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_StencilWriteMask), 0xFFFFFFFFu);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_FogEnd), 0x3F800000u);
}

TEST_F(RenderStateTest, WriteToBufferWritesIdsOneToThirtyTwo) {
  CRenderStateManager::Reset();
  for (int32_t id = 1; id <= 32; ++id) CRenderStateManager::SetRenderState(id, static_cast<uint32_t>(id * 3));
  Buffer_Standard buffer(16, eBuffer_Format_Grow, 1);
  EXPECT_EQ(CRenderStateManager::WriteToBuffer(&buffer), 32);
  ASSERT_EQ(buffer.m_usedSize, 32 * 4);
  for (int32_t id = 1; id <= 32; ++id) {
    uint32_t word = 0;
    std::memcpy(&word, buffer.GetData() + (id - 1) * 4, 4);
    EXPECT_EQ(word, static_cast<uint32_t>(id * 3)) << id;
  }
}

TEST_F(RenderStateTest, RunnerCodesMapToTheDeviceValues) {
  struct Case {
    int32_t id;
    uint32_t code;
    uint32_t sent;
  };
  const Case cases[] = {
      {kRS_SrcBlend, 0, D3DBLEND_ZERO},        {kRS_DestBlend, 18, D3DBLEND_ZERO},
      {kRS_SrcBlend, 17, 17},                  {kRS_DepthCompare, 0, D3DCMP_ALWAYS},
      {kRS_AlphaCompare, 7, 7},                {kRS_StencilFail, 1, D3DSTENCILOP_KEEP},
      {kRS_StencilPass, 9, D3DSTENCILOP_KEEP}, {kRS_StencilDepthFail, 8, 8},
      {kRS_CullMode, 0, D3DCULL_NONE},         {kRS_CullMode, 3, D3DCULL_NONE},
      {kRS_CullMode, 1, D3DCULL_CW},           {kRS_CullMode, 2, D3DCULL_CCW},
      {kRS_FillMode, 0, D3DFILL_SOLID},        {kRS_FillMode, 2, D3DFILL_WIREFRAME},
      {kRS_ShadeMode, 1, D3DSHADE_FLAT},       {kRS_ShadeMode, 0, D3DSHADE_GOURAUD},
      {kRS_FogTableMode, 2, D3DFOG_EXP2},      {kRS_FogVertexMode, 4, D3DFOG_LINEAR},
      {kRS_ColourWriteMask, 0x1F, 0xF},        {kRS_StencilRef, 0x1234, 0x1234},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(GR_D3D_TranslateRenderValue(c.id, c.code), c.sent) << c.id << " " << c.code;
  }
}

TEST_F(RenderStateTest, ApplySendsRenderStatesInIdOrderThenSamplersAndSkipsTheEmptyIds) {
  ASSERT_TRUE(Init());
  GraphicsFlush();  // the fog range of the start-up view
  s_log->Clear();
  CRenderStateManager::SetSamplerState(1, 2, 0);  // repeat: wrap (the restore left clamp)
  CRenderStateManager::SetRenderState(kRS_DestBlend, 0);
  CRenderStateManager::SetRenderState(kRS_SrcBlend, 18);
  CRenderStateManager::SetRenderState(14, 7);
  CRenderStateManager::SetRenderState(22, 7);
  GraphicsFlush();
  EXPECT_EQ(Lines(), (std::vector<std::string>{"SetRenderState(SRCBLEND, 1)", "SetRenderState(DESTBLEND, 1)",
                                               "SetSamplerState(1, ADDRESSU, 1)"}));
  EXPECT_EQ(g_RenderStates.dirty, 0u);
  // Sending again what the device has sends nothing.
  s_log->Clear();
  CRenderStateManager::SetRenderState(kRS_SrcBlend, 18);
  GraphicsFlush();
  EXPECT_TRUE(Lines().empty());
}

TEST_F(RenderStateTest, SavedStatesComeBackThroughTheSetters) {
  CRenderStateManager::Reset();
  CRenderStateManager::Apply();
  CRenderStateManager::SaveStates();
  CRenderStateManager::SetRenderState(kRS_AlphaBlend, 0);
  CRenderStateManager::SetSamplerState(7, 3, 1);
  CRenderStateManager::RestoreStates();
  EXPECT_EQ(g_RenderStates.dirty, 0u);
  EXPECT_EQ(CRenderStateManager::GetRenderState(kRS_AlphaBlend), 1u);
  EXPECT_EQ(CRenderStateManager::GetSamplerState(7, 3), 0u);
}

}  // namespace
}  // namespace render_test
