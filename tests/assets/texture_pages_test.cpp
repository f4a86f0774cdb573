// Texture slots, page-entry handles and the quad emitters, as the vertices they hand the batcher
// on the recording device.
#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "render/render_fixture.h"

namespace {

using render_test::RenderTest;

using QV = render_test::QuadVertex;

class TexturePagesTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
    // A 300 x 200 image on a 512 x 256 texture.
    slot = GR_Texture_Create(300, 200, false);
    entry = TPageEntry{100, 50, 20, 20, 10, 0, 20, 20, 30, 20, static_cast<int16_t>(slot)};
  }

  // The vertices of every draw since the log was cleared.
  std::vector<QV> Drawn() { return render_test::TakeQuadVertices(s_log.get()); }

  int32_t slot = -1;
  TPageEntry entry{};
};

// A new texture takes the lowest free slot, as a walk from slot 0 would find it, and the table
// grows only when none is free.
TEST_F(TexturePagesTest, NewTexturesTakeTheLowestFreeSlot) {
  std::vector<int32_t> slots;
  for (int i = 0; i < 6; ++i) slots.push_back(GR_Texture_Wrap(nullptr, 4, 4));
  const int32_t count = GR_Texture_Count();
  for (int32_t freed : {slots[4], slots[1], slots[3]}) GR_Texture_Free(freed);
  GR_Texture_Free(slots[1]);  // freeing twice frees once
  const auto lowestFree = [] {
    for (int32_t i = 0; i < GR_Texture_Count(); ++i) {
      if (!GR_Texture_Exists(i)) return i;
    }
    return GR_Texture_Count();
  };
  for (int round = 0; round < 4; ++round) {
    const int32_t expected = lowestFree();
    EXPECT_EQ(GR_Texture_Wrap(nullptr, 4, 4), expected) << "round " << round;
  }
  EXPECT_EQ(GR_Texture_Count(), count + 1);
  GR_Texture_FreeAll();
  EXPECT_EQ(GR_Texture_Wrap(nullptr, 4, 4), 0);
}

TEST_F(TexturePagesTest, CornerIdsMarkEachPlaceOfTheGroupOnlyWhileTheFlagIsOn) {
  g_CornerIds = true;
  ASSERT_TRUE(GR_TPE_Draw(&entry, 0, 0));
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  const uint32_t expected[6] = {0xFFFEFFFE, 0xFFFEFFFF, 0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFEFFFE};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(v[i].colour, expected[i]) << i;
  // Emitters without ids leave the colour as computed.
  ASSERT_TRUE(GR_Texture_DrawExt(slot, 0, 0, 0, 0, 1, 1, 0, 0xFFFFFF, 1));
  for (const QV& q : Drawn()) EXPECT_EQ(q.colour, 0xFFFFFFFFu);
  g_CornerIds = false;
  ASSERT_TRUE(GR_TPE_Draw(&entry, 0, 0));
  for (const QV& q : Drawn()) EXPECT_EQ(q.colour, 0xFFFFFFFFu);
}

TEST_F(TexturePagesTest, PageEntryQuadsSitAtTheirTrimOffsetWithThePagesCoordinates) {
  // Two-dimensional drawing has a depth only in three-dimensional mode.
  GR_Set3DMode(true);
  GR_SetDepth(7);
  ASSERT_TRUE(GR_TPE_Draw(&entry, 5, 6));
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  // Order A: TL, TR, BR, BR, BL, TL.
  EXPECT_EQ(v[0].x, 15);
  EXPECT_EQ(v[0].y, 6);
  EXPECT_EQ(v[2].x, 35);
  EXPECT_EQ(v[2].y, 26);
  EXPECT_EQ(v[4].x, 15);
  EXPECT_EQ(v[4].y, 26);
  EXPECT_EQ(v[0].z, 7);
  EXPECT_FLOAT_EQ(v[0].u, 100.0f / 512);
  EXPECT_FLOAT_EQ(v[0].v, 50.0f / 256);
  EXPECT_FLOAT_EQ(v[2].u, 120.0f / 512);
  EXPECT_FLOAT_EQ(v[2].v, 70.0f / 256);
}

TEST_F(TexturePagesTest, ZeroTargetSizeIsDrawnOneWideAndKept) {
  entry.targetWidth = 0;
  ASSERT_TRUE(GR_TPE_DrawExt(&entry, 0, 0, 0, 0, 1, 1, 0, 0xFFFFFF, 1));
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[1].x - v[0].x, 1);
  EXPECT_EQ(entry.targetWidth, 1);
}

TEST_F(TexturePagesTest, SlotWithoutASizeIsDrawnEightByEightAndKeepsIt) {
  Texture* t = Texture_Create(16, 16, 0, false, kTextureKindARGB);
  const int32_t empty = GR_Texture_Wrap(t, 0, 0);
  ASSERT_TRUE(GR_Texture_DrawExt(empty, 0, 0, 10, 10, 1, 1, 0, 0xFFFFFF, 1));
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[2].x, 18);
  EXPECT_EQ(v[2].y, 18);
  EXPECT_EQ(v[2].u, 1.0f);
  EXPECT_EQ(v[2].v, 1.0f);
  EXPECT_EQ(GR_Texture_Slot(empty)->width, 8);
  EXPECT_EQ(GR_Texture_Slot(empty)->texelWidth, 0.125f);
}

TEST_F(TexturePagesTest, SmallAnglesStayAxisAlignedBelowEachEmittersThreshold) {
  struct Case {
    const char* name;
    float angle;
    bool turned;
    bool (*draw)(int32_t slot, TPageEntry* entry, float angle);
  };
  const auto ext = [](int32_t s, TPageEntry*, float a) { return GR_Texture_DrawExt(s, 0, 0, 50, 50, 1, 1, a, 0xFFFFFF, 1); };
  const auto tpeExt = [](int32_t, TPageEntry* e, float a) { return GR_TPE_DrawExt(e, 0, 0, 50, 50, 1, 1, a, 0xFFFFFF, 1); };
  const auto part = [](int32_t s, TPageEntry*, float a) {
    return GR_Texture_DrawPart(s, 0, 0, 20, 20, 50, 50, 1, 1, a, 0xFFFFFF, 1);
  };
  const auto tpePart = [](int32_t, TPageEntry* e, float a) {
    return GR_TPE_DrawPart(e, 10, 0, 20, 20, 50, 50, 1, 1, a, 0xFFFFFF, 1);
  };
  const auto general = [](int32_t s, TPageEntry*, float a) {
    return GR_Texture_DrawGeneral(s, 0, 0, 20, 20, 50, 50, 1, 1, a, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  };
  const auto tpeGeneral = [](int32_t, TPageEntry* e, float a) {
    return GR_TPE_DrawGeneral(e, 10, 0, 20, 20, 50, 50, 1, 1, a, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  };
  const Case cases[] = {
      {"Ext 0.0005", 0.0005f, false, ext},          {"Ext 0.005", 0.005f, true, ext},
      {"page Ext 0.0005", 0.0005f, false, tpeExt},  {"page Ext 0.005", 0.005f, true, tpeExt},
      {"DrawPart 0.0005", 0.0005f, false, part}, {"DrawPart 0.005", 0.005f, true, part},
      {"page DrawPart 0.0005", 0.0005f, false, tpePart}, {"page DrawPart 0.005", 0.005f, true, tpePart},
      {"General 0.005", 0.005f, false, general},    {"General 0.05", 0.05f, true, general},
      {"page General 0.005", 0.005f, false, tpeGeneral}, {"page General 0.05", 0.05f, true, tpeGeneral},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(c.draw(slot, &entry, c.angle));
    std::vector<QV> v = Drawn();
    ASSERT_EQ(v.size(), 6u);
    // Vertex 0 is TL and vertex 1 TR in both orders A and B.
    EXPECT_EQ(v[0].y == v[1].y, !c.turned);
    if (c.turned) {
      EXPECT_GT(v[0].y, v[1].y);  // a positive angle turns counter-clockwise
    }
  }
}

TEST_F(TexturePagesTest, TrimmedPartMovesRightAndNarrowsByTheTrim) {
  // The image's left 10 pixels are trimmed: asking from x 5 starts the quad 5 pixels later.
  ASSERT_TRUE(GR_TPE_DrawPart(&entry, entry.targetX - 5, 0, 20, 20, 40, 60, 2, 1, 0, 0xFFFFFF, 1));
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  // Order B: TL, TR, BL, TR, BR, BL.
  EXPECT_EQ(v[0].x, 40 + 10);           // truncate(5 x 2)
  EXPECT_EQ(v[1].x, 40 + 10 + 15 * 2);  // 5 image pixels narrower
  EXPECT_EQ(v[2].x, v[0].x);
  EXPECT_EQ(v[2].y, 80);
  EXPECT_EQ(v[4].x, v[1].x);
  EXPECT_FLOAT_EQ(v[0].u, 100.0f / 512);
  EXPECT_FLOAT_EQ(v[1].u, 115.0f / 512);
}

TEST_F(TexturePagesTest, GeneralEmittersRoundOrTruncateTheirAlphaAndMarkCorners) {
  g_CornerIds = true;
  ASSERT_TRUE(GR_Texture_DrawGeneral(slot, 0, 0, 4, 4, 0, 0, 1, 1, 0, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF, 0.5f));
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[0].colour, 0x7FFF0000u);  // truncated alpha, red moved up, no ids
  EXPECT_EQ(v[2].colour, 0x7F0000FFu);
  ASSERT_TRUE(GR_TPE_DrawGeneral(&entry, 10, 0, 4, 4, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0.5f));
  v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[0].colour, 0x80000000u);  // rounded alpha, corner TL id 0
  EXPECT_EQ(v[1].colour, 0x80000001u);  // TR id 1
  EXPECT_EQ(v[2].colour, 0x80010000u);  // BR id 2
  EXPECT_EQ(v[4].colour, 0x80010001u);  // BL id 3
}

TEST_F(TexturePagesTest, PageTilingKeepsEveryReservationWithinTheBatchLimit) {
  // The single buffer holds exactly one reservation of the largest size: a larger one would grow it.
  g_Batch.singleCapacity = GR_MaxBatchVerts * 24;
  struct Case {
    const char* name;
    int16_t fullSide;
    float xScale;
    bool vTiled;
    float viewWidth;  // the tiles cover what a view of this width and 480 high shows
    size_t columns;
  };
  const Case cases[] = {
      // W = H = 2: (640 + 1) / 2 + 2 = 322 columns, (480 + 1) / 2 + 2 = 242 rows.
      {"both ways, many rows", 2, 1.0f, true, 640, 322},
      // W = 1 over a view 12000 wide: 12002 quads in a single row.
      {"one row past 10922 quads", 1, 1.0f, false, 12000, 12002},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    GR_SetView(0, 0, c.viewWidth, 480, 0);
    GR_InvalidateCullRect();
    TPageEntry e{0, 0, 1, 1, 0, 0, 1, 1, c.fullSide, c.fullSide, static_cast<int16_t>(slot)};
    ASSERT_TRUE(GR_TPE_DrawTiled(&e, 0, 0, 3, 3, c.xScale, 1, true, c.vTiled, 0xFFFFFF, 1));
    GraphicsFlush();
    size_t vertices = 0;
    std::set<float> rowTops;
    for (const D3D9RecordedDraw& d : Draws()) {
      EXPECT_LE(d.vertexCount, static_cast<UINT>(GR_MaxBatchVerts));
      vertices += d.vertexCount;
      for (size_t at = 0; at < d.vertices.size(); at += 6 * sizeof(QV)) {
        QV first;  // order T starts at BL; vertex 1 is TL
        std::memcpy(&first, d.vertices.data() + at + sizeof(QV), sizeof first);
        rowTops.insert(first.y);
      }
    }
    ASSERT_GT(c.columns, 10922u / 242u);
    EXPECT_EQ(vertices, c.columns * (c.vTiled ? 242u : 1u) * 6);
    EXPECT_EQ(g_Batch.singleCapacity, static_cast<uint32_t>(GR_MaxBatchVerts * 24));
    EXPECT_EQ(rowTops.size(), c.vTiled ? 242u : 1u);
    s_log->Clear();
  }
}

// Tiles smaller than a pixel show nothing: none are made, however many the view would hold (at
// scale 0.0001 that was about 10^13 quads, at 0.001 more than two frames' worth of minutes).
TEST_F(TexturePagesTest, SubPixelTilesAreNotMade) {
  GR_SetView(0, 0, 1024, 768, 0);
  GR_InvalidateCullRect();
  TPageEntry big = entry;
  big.fullWidth = big.fullHeight = 32;
  big.targetWidth = big.targetHeight = 32;
  struct Case {
    const char* name;
    float xScale, yScale;
    bool hTiled, vTiled;
    size_t vertices;
  };
  const Case cases[] = {
      {"0.0002 both ways (below 0.0001 the scale is refused)", 0.0002f, 0.0002f, true, true, 0},
      {"0.001 both ways", 0.001f, 0.001f, true, true, 0},
      {"sub-pixel across, tiled across", 0.01f, 1, true, false, 0},
      {"sub-pixel down, tiled down only", 1, 0.01f, false, true, 0},
      // Not tiled down: one row whatever its height; (1024 + 31) / 32 + 2 = 34 columns.
      {"sub-pixel down, tiled across only", 1, 0.01f, true, false, 34 * 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(GR_TPE_DrawTiled(&big, 0, 0, 0, 0, c.xScale, c.yScale, c.hTiled, c.vTiled, 0xFFFFFF, 1));
    EXPECT_EQ(Drawn().size(), c.vertices);
  }
  // Own slots tile by whole pixels: below one there is no step.
  Texture* t = Texture_Create(32, 32, 0, false, kTextureKindARGB);
  const int32_t tile = GR_Texture_Wrap(t, 32, 32);
  for (const float scale : {0.0001f, 0.001f, std::nanf("")}) {
    EXPECT_FALSE(GR_Texture_DrawTiled(tile, 0, 0, 0, 0, scale, scale, true, true, 0, 0, 1024, 768, 0xFFFFFF, 1));
    EXPECT_EQ(Drawn().size(), 0u);
  }
}

TEST_F(TexturePagesTest, PageTilingRefusesTinyScalesAndDrawsOnceWithoutTiling) {
  EXPECT_FALSE(GR_TPE_DrawTiled(&entry, 0, 0, 0, 0, 0.00009f, 1, true, true, 0xFFFFFF, 1));
  EXPECT_TRUE(GR_TPE_DrawTiled(&entry, 0, 0, 0, 0, 1, 1, false, false, 0xFFFFFF, 1));
  EXPECT_EQ(Drawn().size(), 6u);
  TPageEntry sizeless = entry;
  sizeless.fullWidth = 0;
  EXPECT_FALSE(GR_TPE_DrawTiled(&sizeless, 0, 0, 0, 0, 1, 1, true, false, 0xFFFFFF, 1));
}

TEST_F(TexturePagesTest, SlotTilingCoversTheViewWithOneFanPerTile) {
  Texture* t = Texture_Create(16, 16, 0, false, kTextureKindARGB);
  const int32_t tile = GR_Texture_Wrap(t, 16, 16);
  ASSERT_TRUE(GR_Texture_DrawTiled(tile, 0, 0, 5, 5, 1, 1, true, true, 0, 0, 32, 32, 0xFFFFFF, 1));
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 9u);  // columns and rows at -11, 5 and 21
  for (const D3D9RecordedDraw& d : Draws()) EXPECT_EQ(d.type, D3DPT_TRIANGLEFAN);
  QV first;
  std::memcpy(&first, Draws()[0].vertices.data(), sizeof first);
  EXPECT_EQ(first.x, -11);
  EXPECT_EQ(first.y, -11);
  s_log->Clear();
  EXPECT_FALSE(GR_Texture_DrawTiled(tile, 0, 0, 0, 0, 0.01f, 1, true, true, 0, 0, 32, 32, 0xFFFFFF, 1));
}

TEST_F(TexturePagesTest, InvalidSlotsAndEntriesDrawNothing) {
  TPageEntry stray = entry;
  stray.page = 999;
  EXPECT_FALSE(GR_TPE_Draw(nullptr, 0, 0));
  EXPECT_FALSE(GR_TPE_Draw(&stray, 0, 0));
  EXPECT_FALSE(GR_Texture_Draw(-1, 0, 0));
  EXPECT_FALSE(GR_Texture_DrawExt(999, 0, 0, 0, 0, 1, 1, 0, 0, 1));
  GR_Texture_Free(slot);
  EXPECT_FALSE(GR_TPE_DrawExt(&entry, 0, 0, 0, 0, 1, 1, 0, 0, 1));
  EXPECT_TRUE(Drawn().empty());
}

TEST_F(TexturePagesTest, SlotTableReusesFreedSlotsAndAnswersForInvalidOnes) {
  while (GR_Texture_Count() < 5) GR_Texture_Create(4, 4, false);
  Texture* three = GR_Texture_Get(3);
  ASSERT_NE(three, nullptr);
  GR_Texture_Free(3);
  EXPECT_FALSE(GR_Texture_Exists(3));
  EXPECT_EQ(GR_Texture_Get(3), nullptr);
  EXPECT_EQ(GR_Texture_GetWidth(3), 1.0f);
  EXPECT_EQ(GR_Texture_Create(8, 8, false), 3);
  EXPECT_TRUE(GR_Texture_Exists(3));
  EXPECT_FLOAT_EQ(GR_Texture_GetWidth(slot), 300.0f / 512);
  EXPECT_FLOAT_EQ(GR_Texture_GetHeight(slot), 200.0f / 256);
  EXPECT_FALSE(GR_Texture_Exists(-1));
  EXPECT_FALSE(GR_Texture_Exists(GR_Texture_Count()));
}

TEST_F(TexturePagesTest, PagesThatCannotBeMadeStillGetAValidSlotWithoutATexture) {
  uint8_t junk[32] = {0x89, 'P', 'N', 'G'};
  const int32_t broken = GR_Texture_Load(junk, sizeof junk, 0);
  EXPECT_TRUE(GR_Texture_Exists(broken));
  EXPECT_EQ(GR_Texture_Get(broken), nullptr);
  EXPECT_EQ(GR_Texture_Slot(broken)->width, 0);
  const int32_t none = GR_Texture_Load(nullptr, 0, 0);
  EXPECT_TRUE(GR_Texture_Exists(none));
  EXPECT_EQ(GR_Texture_Get(none), nullptr);
}

TEST_F(TexturePagesTest, AlphaSheetsBecomeWhitePixelsAndAFailedUploadGivesNoSlot) {
  const uint8_t alpha[2] = {0x80, 0xFF};
  const int32_t sheet = GR_Texture_CreateFromAlpha(2, 1, alpha);
  ASSERT_GE(sheet, 0);
  const auto* pixels = reinterpret_cast<const uint32_t*>(GR_Texture_Get(sheet)->pixels);
  EXPECT_EQ(pixels[0], 0x80FFFFFFu);
  EXPECT_EQ(pixels[1], 0xFFFFFFFFu);
  s_log->FailNext("LockRect", D3DERR_INVALIDCALL);
  const int32_t failed = GR_Texture_CreateFromAlpha(2, 1, alpha);
  EXPECT_EQ(failed, -1);
  EXPECT_EQ(GR_Texture_CreateFromBitmap(nullptr), -1);
}

TEST_F(TexturePagesTest, HandlesResolveToSlotsAndLiveEntriesOnly) {
  struct Case {
    const char* name;
    int32_t handle;
    TextureHandleKind kind;
  };
  const int32_t handle = GR_TPE_Handle(&entry);
  EXPECT_GT(handle, kTextureHandleSlotLimit);
  EXPECT_EQ(GR_TPE_Handle(&entry), handle);  // one handle an entry
  const Case cases[] = {
      {"none", -1, TextureHandleKind::None},
      {"valid slot", slot, TextureHandleKind::Slot},
      {"slot never made", 16000, TextureHandleKind::Unknown},
      {"between the ranges", 20000, TextureHandleKind::Unknown},
      {"forged entry handle", handle + 1000, TextureHandleKind::Unknown},
      {"other negative", -5, TextureHandleKind::Unknown},
      {"entry", handle, TextureHandleKind::Entry},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(GR_Texture_Resolve(c.handle).kind, c.kind);
  }
  EXPECT_EQ(GR_Texture_Resolve(handle).entry, &entry);
  EXPECT_EQ(GR_Texture_Resolve(handle).slot, slot);
  GR_TPE_ForgetHandle(&entry);
  EXPECT_EQ(GR_Texture_Resolve(handle).kind, TextureHandleKind::Unknown);
  // The same entry handed out again gets a new handle: the old one stays unknown.
  const int32_t again = GR_TPE_Handle(&entry);
  EXPECT_NE(again, handle);
  EXPECT_EQ(GR_Texture_Resolve(handle).kind, TextureHandleKind::Unknown);
  GR_TPE_ForgetHandle(&entry);
}

}  // namespace
