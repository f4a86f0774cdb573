// The vertex batcher on the recording device, for each vertex-buffer method.
#include "render/render_fixture.h"

namespace render_test {
namespace {

class BatchTest : public RenderTest, public ::testing::WithParamInterface<int32_t> {};

INSTANTIATE_TEST_SUITE_P(Methods, BatchTest, ::testing::Values(kVBMethodSingle, kVBMethodPool, kVBMethodNone),
                         [](const ::testing::TestParamInfo<int32_t>& info) {
                           return std::string(info.param == kVBMethodSingle ? "SingleBuffer"
                                              : info.param == kVBMethodPool ? "BufferPool"
                                                                            : "NoBuffer");
                         });

TEST_P(BatchTest, TwoQuadsOfOneTextureAreOneDrawOfFourTriangles) {
  InitScene(GetParam());
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 6);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].type, D3DPT_TRIANGLELIST);
  EXPECT_EQ(Draws()[0].primitiveCount, 4u);
  EXPECT_EQ(Draws()[0].fvf, 0x142u);
  ASSERT_EQ(Draws()[0].vertices.size(), 12u * 24);
  float last = 0;
  std::memcpy(&last, Draws()[0].vertices.data() + 11 * 24, 4);
  EXPECT_EQ(last, 11.0f);
  EXPECT_EQ(g_Batch.drawCalls, 1);
}

TEST_P(BatchTest, ABlendChangeBetweenQuadsDrawsTheFirstUnderTheOldBlend) {
  InitScene(GetParam());
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  CRenderStateManager::SetRenderState(kRS_SrcBlend, 2);
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 100);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 2u);
  EXPECT_EQ(FirstX(Draws()[0]), 0.0f);
  EXPECT_EQ(FirstX(Draws()[1]), 100.0f);
  const char* draw = GetParam() == kVBMethodNone ? "DrawPrimitiveUP(" : "DrawPrimitive(";
  const int first = Find(draw);
  const int blend = Find("SetRenderState(SRCBLEND, 2)");
  const int second = Find(draw, first + 1);
  EXPECT_TRUE(first >= 0 && first < blend && blend < second) << first << " " << blend << " " << second;
}

TEST_P(BatchTest, StripsNeverMergeListsDo) {
  InitScene(GetParam());
  WriteVertices(GR_AllocVerts(5, nullptr, 24, 4), 4, 0);
  WriteVertices(GR_AllocVerts(5, nullptr, 24, 4), 4, 10);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 2u);
  EXPECT_EQ(Draws()[0].primitiveCount, 2u);
  s_log->Clear();
  WriteVertices(GR_AllocVerts(2, nullptr, 16, 2), 2, 0);
  WriteVertices(GR_AllocVerts(2, nullptr, 16, 2), 2, 0);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].type, D3DPT_LINELIST);
  EXPECT_EQ(Draws()[0].primitiveCount, 2u);
  EXPECT_EQ(Draws()[0].fvf, 0x42u);
}

TEST_P(BatchTest, PrimitiveCountsTruncateAndABatchOfNoPrimitiveDrawsNothing) {
  InitScene(GetParam());
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 7), 7, 0);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].primitiveCount, 2u);
  s_log->Clear();
  WriteVertices(GR_AllocVerts(3, nullptr, 24, 1), 1, 500);  // a one-vertex line strip
  GraphicsFlush();
  EXPECT_TRUE(Draws().empty());
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].vertexCount, 6u);
  EXPECT_EQ(FirstX(Draws()[0]), 0.0f);  // not the undrawn vertex before it
}

TEST_P(BatchTest, AfterDrawingThroughTheDeviceTheNextRequestOpensANewBatch) {
  InitScene(GetParam());
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  GraphicsFlush();
  const float direct[3 * 6] = {};
  g_D3D.device->SetFVF(0x142);
  g_D3D.device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, direct, 24);
  GR_BatchAfterDirectDraw();
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 50);
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 56);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 3u);
  EXPECT_EQ(Draws()[2].primitiveCount, 4u);
  EXPECT_EQ(FirstX(Draws()[2]), 50.0f);
  EXPECT_EQ(Find("SetFVF(0x142)", Find("DrawPrimitiveUP(TRIANGLELIST, 1, 24)")) >= 0, true);
}

TEST_P(BatchTest, ReturnedVerticesAreNotDrawn) {
  InitScene(GetParam());
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 9), 9, 0);
  GR_ReturnVerts(3);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].primitiveCount, 2u);
}

TEST_F(RenderTest, TheStartUpSwitchesChooseTheVertexBufferMethod) {
  GR_StartupFlags.vertexBufferMethod = kVBMethodNone;  // -novb
  ASSERT_TRUE(Init());
  ASSERT_TRUE(GR_D3D_BeginScene());
  s_log->Clear();
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  GraphicsFlush();
  EXPECT_GE(Find("DrawPrimitiveUP(TRIANGLELIST, 2, 24)"), 0);
  GR_SetVertexBufferMethod(kVBMethodPool);
  EXPECT_EQ(g_Batch.method, kVBMethodPool);
  GR_SetVertexBufferMethod(3);  // not a method: kept
  EXPECT_EQ(g_Batch.method, kVBMethodPool);
}

using SingleBufferTest = RenderTest;

TEST_F(SingleBufferTest, ARequestLargerThanTheBufferDoublesIt) {
  InitScene(kVBMethodSingle);
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 12500), 12500, 0);  // 300,000 bytes
  GraphicsFlush();
  EXPECT_GE(Find("CreateVertexBuffer(589824, "), 0);
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].primitiveCount, 4166u);
  EXPECT_EQ(g_Batch.single->capacity, 589824u);
}

TEST_F(SingleBufferTest, TheRingAppendsWithoutOverwritingAndDiscardsWhenItWraps) {
  InitScene(kVBMethodSingle);
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  GraphicsFlush();
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  GraphicsFlush();
  EXPECT_GE(Find("vertexbuffer"), 0);
  EXPECT_GE(Find("SetStreamSource(0, vertexbuffer"), 0);
  int appended = -1;
  for (int i = 0; i < static_cast<int>(Lines().size()); ++i) {
    if (Lines()[i].find(".Lock(144, ") != std::string::npos) appended = i;
  }
  ASSERT_GE(appended, 0);
  EXPECT_NE(Lines()[appended].find("0x1000"), std::string::npos);  // NOOVERWRITE
  // A request that does not fit behind the write position starts again at 0, discarding.
  s_log->Clear();
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 12288 - 6), 12288 - 6, 0);
  GraphicsFlush();
  bool discarded = false;
  for (const std::string& line : Lines()) discarded |= line.find(".Lock(0, 294912, 0x2000)") != std::string::npos;
  EXPECT_TRUE(discarded);
}

using PoolTest = RenderTest;

TEST_F(PoolTest, BuffersHoldTheLargerOfTheRequestAndTheMinimum) {
  InitScene(kVBMethodPool);
  GR_AllocVerts(4, nullptr, 24, 20000);
  GraphicsFlush();
  GR_AllocVerts(5, nullptr, 16, 10);
  GraphicsFlush();
  EXPECT_GE(Find("CreateVertexBuffer(480000, 0x200, 0x142, SYSTEMMEM)"), 0);
  EXPECT_GE(Find("CreateVertexBuffer(262144, 0x200, 0x42, SYSTEMMEM)"), 0);  // 16,384 vertices of 16 bytes
}

TEST_F(PoolTest, ABufferRestsFourFramesAndServesAgainInTheFifth) {
  ASSERT_TRUE(Init());
  g_Batch.method = kVBMethodPool;
  std::vector<std::string> buffers;
  for (int frame = 0; frame < 6; ++frame) {
    ASSERT_TRUE(GR_D3D_BeginScene());
    s_log->Clear();
    WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
    GraphicsFlush();
    const int stream = Find("SetStreamSource(0, ");
    ASSERT_GE(stream, 0);
    buffers.push_back(Lines()[stream].substr(19, Lines()[stream].find(',', 19) - 19));
    ASSERT_TRUE(GR_D3D_EndScene());
  }
  for (int frame = 1; frame < 5; ++frame) EXPECT_NE(buffers[frame], buffers[0]) << frame;
  EXPECT_EQ(buffers[5], buffers[0]);
  EXPECT_EQ(g_Batch.buffersMade, 5);
}

TEST_F(PoolTest, FailedBuffersEndTheGameWithTheFatalMessage) {
  InitScene(kVBMethodPool);
  s_log->FailNext("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
  s_log->FailNext("CreateVertexBuffer", D3DERR_OUTOFVIDEOMEMORY);
  void* room = GR_AllocVerts(4, nullptr, 24, 6);
  ASSERT_NE(room, nullptr);
  WriteVertices(room, 6, 0);  // scratch: written, never drawn
  GraphicsFlush();
  EXPECT_TRUE(Draws().empty());
  EXPECT_NE(Console().find("Fatal Error: Can not create vertex buffer of size 393216 bytes\n0 vertex buffers "
                           "allocated with total size of 0 KB\n"),
            std::string::npos);
  EXPECT_EQ(s_exits, 1);
  EXPECT_EQ(s_exitCode, 1);
}

TEST_F(PoolTest, AFailedLockDrawsNothingAndTheNextBatchDrawsAgain) {
  InitScene(kVBMethodSingle);
  s_log->FailNext("Lock", D3DERR_INVALIDCALL);
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 0);
  GraphicsFlush();
  EXPECT_TRUE(Draws().empty());
  WriteVertices(GR_AllocVerts(4, nullptr, 24, 6), 6, 7);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(FirstX(Draws()[0]), 7.0f);
}

TEST_F(PoolTest, FrozenBuffersAreNeverTakenByThePool) {
  InitScene(kVBMethodPool);
  VertexBufferNode* frozen = VertexBufferNode::Create(0x142, 16384, 0);
  ASSERT_NE(frozen, nullptr);
  const float bytes[6] = {42, 0, 0, 0, 0, 0};
  frozen->Update(bytes, sizeof bytes);
  GR_AllocVerts(4, nullptr, 24, 6);
  GraphicsFlush();
  EXPECT_NE(g_Batch.current, frozen);
  GR_DrawVertexBuffer(4, 3, nullptr, frozen);
  ASSERT_EQ(Draws().size(), 2u);
  EXPECT_EQ(FirstX(Draws()[1]), 42.0f);
}

}  // namespace
}  // namespace render_test
