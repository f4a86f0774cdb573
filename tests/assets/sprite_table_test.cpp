// The sprite table: sprites loaded from written containers, added from files and downloads,
// deleted, duplicated, merged and given alpha, on the recording device.
#include <cstring>

#include "assets/bitmap.h"
#include "assets/bitmap32.h"
#include "assets/texture_pages.h"
#include "net/async_test_support.h"
#include "sprite_fixture.h"

namespace {

using container::SpriteEntry;
using container::TexturePageEntry;
using sprite_test::RGBA;
using sprite_test::SpriteTest;

std::vector<uint8_t> PNG(int32_t width, int32_t height, uint32_t argb = 0xFF102030u) {
  return container::png_page(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                             RGBA(width, height, [&](int32_t, int32_t) { return argb; }));
}

SpriteEntry Bitmap(const std::string& name, std::vector<int32_t> frames, int32_t width = 8, int32_t height = 8) {
  SpriteEntry s;
  s.name = name;
  s.width = width;
  s.height = height;
  s.frames = std::move(frames);
  return s;
}

class SpriteTableTest : public SpriteTest {};

TEST_F(SpriteTableTest, ContainerSpritesKeepTheirSlotsNamesBoxesAndMasks) {
  const std::vector<TexturePageEntry> tpag = {{0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}};
  SpriteEntry shared = Bitmap("shared", {0, 0, 0}, 10, 2);
  shared.bbox_left = 1;
  shared.bbox_right = 7;
  shared.bbox_bottom = 1;
  shared.bbox_top = 0;
  shared.bbox_mode = 2;
  // Row 0: pixels 0 and 9; row 1: pixel 1 (bit 6 of the first byte).
  std::vector<uint8_t> mask(20, 0);
  mask[0] = mask[9] = mask[11] = 1;
  shared.masks = {mask};
  ASSERT_TRUE(Load({{0, PNG(8, 8)}}, tpag, {Bitmap("twin", {0}), std::nullopt, shared, Bitmap("twin", {0})}))
      << Game_LoadFailure();

  EXPECT_EQ(Sprite_Number(), 4);
  EXPECT_FALSE(Sprite_Exists(1));
  EXPECT_EQ(Sprite_Data(1), nullptr);
  EXPECT_STREQ(Sprite_Name(1), "<undefined>");
  EXPECT_STREQ(Sprite_Name(4), "<undefined>");
  EXPECT_STREQ(Sprite_Name(2), "shared");
  EXPECT_EQ(Sprite_Find("twin"), 0);
  EXPECT_EQ(Sprite_Find("Twin"), -1);
  ASSERT_TRUE(Sprite_Delete(0));
  EXPECT_EQ(Sprite_Find("twin"), 3);  // the empty slot is passed over

  const CSprite* s = Sprite_Data(2);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->index, 2);
  EXPECT_STREQ(s->name, "shared");
  // Stored left, right, bottom, top.
  EXPECT_EQ((std::vector<int32_t>{s->maskLeft, s->maskTop, s->maskRight, s->maskBottom}),
            (std::vector<int32_t>{1, 0, 7, 1}));
  EXPECT_EQ(s->frameCount, 3);
  EXPECT_TRUE(s->masksBuilt);
  EXPECT_FALSE(s->separateMasks);
  ASSERT_EQ(s->MaskCount(), 1);
  EXPECT_EQ(s->masks[0], mask);
  for (int32_t f = 0; f < 3; ++f) EXPECT_EQ(s->MaskOf(f), s->masks[0].data());
  // The radius reaches the far corner of 10 x 2 from (0, 0): ceil(sqrt(104)).
  EXPECT_EQ(s->radius, 11);
  // The frames draw from the container's page entries: the handle is an entry's.
  EXPECT_TRUE(s->DrawsFromSharedPages());
  EXPECT_EQ(GR_Texture_Resolve(s->GetTexture(-1)).kind, TextureHandleKind::Entry);
  EXPECT_EQ(GR_Texture_Resolve(s->GetTexture(-1)).entry, (*s->entries)[2]);
}

TEST_F(SpriteTableTest, DamagedEntriesFailTheLoadNamingTheChunk) {
  struct Case {
    const char* name;
    void (*damage)(uint8_t* bytes, uint32_t entry);
    const char* says;
  };
  const auto put = [](uint8_t* p, int32_t v) { std::memcpy(p, &v, 4); };
  static void (*const s_put)(uint8_t*, int32_t) = put;
  const Case cases[] = {
      {"masks past the chunk", [](uint8_t* b, uint32_t e) { s_put(b + e + 4, 4000); }, "its masks do not lie"},
      {"negative size", [](uint8_t* b, uint32_t e) { s_put(b + e + 8, -3); }, "its size is negative"},
      {"frames past the chunk", [](uint8_t* b, uint32_t e) { s_put(b + e + 56, 1000000); }, "page entries do not lie"},
      {"odd page entry", [](uint8_t* b, uint32_t e) { s_put(b + e + 60, static_cast<int32_t>(Container_U32(b + e + 60) + 1)); },
       "frame 0's page entry at container offset"},
      {"name outside", [](uint8_t* b, uint32_t e) { s_put(b + e, 0x7FFFFFF0); }, "its name does not end"},
      // 0 x 0 masks take no bytes, so only their count can refuse them (it once asked for 2^31 records).
      {"empty sprite with 2^31 - 1 masks",
       [](uint8_t* b, uint32_t e) {
         s_put(b + e + 4, 0);
         s_put(b + e + 8, 0);
         s_put(b + e + 64, 0x7FFFFFFF);
       },
       "its mask count 2147483647 exceeds its frame count 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SpriteEntry s = Bitmap("bad", {0});
    s.masks = {std::vector<uint8_t>(64, 0)};
    EXPECT_FALSE(Load({{0, PNG(8, 8)}}, {{0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}}, {s}, c.damage));
    const std::string failure = Game_LoadFailure();
    EXPECT_NE(failure.find("SPRT"), std::string::npos) << failure;
    EXPECT_NE(failure.find(c.says), std::string::npos) << failure;
    EXPECT_EQ(Sprite_Number(), 0);
    Runner_FreeGameData();
  }
}

TEST_F(SpriteTableTest, AddedFilesAreCutIntoFramesWhateverTheirNames) {
  WriteFile("strip.png", container::png_page(130, 4, RGBA(130, 4, [](int32_t x, int32_t) {
                                               return 0xFF000000u | static_cast<uint32_t>(x);
                                             })));
  WriteFile("picture.dat", PNG(6, 5));
  WriteFile("notes.json", PNG(3, 3));
  WriteFile("shape.WXS", PNG(3, 3));
  WriteFile("broken.png", {0x89, 'P', 'N', 'G', 1, 2, 3});

  const int32_t strip = Sprite_Add("strip.png", 4, false, false, false, true, 2, 3);
  ASSERT_EQ(strip, 0);
  const CSprite* s = Sprite_Data(strip);
  EXPECT_EQ(s->frameCount, 4);
  EXPECT_EQ(s->width, 32);  // 130 / 4: the last two columns are dropped
  EXPECT_EQ(s->height, 4);
  EXPECT_STREQ(Sprite_Name(strip), "__newsprite0");
  EXPECT_EQ(s->originX, 2);
  ASSERT_EQ(s->bitmaps.size(), 4u);
  EXPECT_EQ(s->bitmaps[3]->Pixels()[0] & 0xFFu, 96u);  // frame 3 starts at column 96
  ASSERT_EQ(s->slots.size(), 4u);
  EXPECT_EQ(GR_Texture_Resolve(s->GetTexture(-1)).slot, s->slots[3]);
  EXPECT_TRUE(s->ownsEntries);

  const CSprite* whole = Sprite_Data(Sprite_Add("strip.png", 0, false, false, false, true, 0, 0));
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(whole->frameCount, 1);
  EXPECT_EQ(whole->width, 130);

  const CSprite* dat = Sprite_Data(Sprite_Add("picture.dat", 1, false, false, false, true, 0, 0));
  ASSERT_NE(dat, nullptr);
  EXPECT_EQ(dat->width, 6);
  const CSprite* json = Sprite_Data(Sprite_Add("notes.json", 1, false, false, false, true, 0, 0));
  ASSERT_NE(json, nullptr);  // no skeleton: read as an image
  EXPECT_EQ(json->kind, kSpriteKindBitmap);
  EXPECT_EQ(json->width, 3);
  const CSprite* vector = Sprite_Data(Sprite_Add("shape.WXS", 1, false, false, false, true, 0, 0));
  ASSERT_NE(vector, nullptr);
  EXPECT_EQ(vector->kind, kSpriteKindVector);  // the vector path, whatever the bytes
  EXPECT_EQ(vector->frameCount, 0);
  EXPECT_EQ(vector->GetTexture(0), -1);

  const int32_t n = Sprite_Number();
  EXPECT_EQ(Sprite_Add("missing.png", 1, false, false, false, true, 0, 0), -1);
  EXPECT_EQ(Sprite_Number(), n);
  EXPECT_EQ(Sprite_Add("broken.png", 1, false, false, false, true, 0, 0), -1);
  EXPECT_EQ(Sprite_Number(), n);
  EXPECT_EQ(Sprite_Add("picture.dat", 1, false, false, false, true, 0, 0), n);  // the index is reused
  EXPECT_STREQ(Sprite_Name(n), ("__newsprite" + std::to_string(n)).c_str());
  // Replace never takes the vector path and leaves the sprite alone when the file is missing.
  EXPECT_TRUE(Sprite_Replace(n, "shape.WXS", 1, false, false, false, true, 0, 0));
  EXPECT_EQ(Sprite_Data(n)->kind, kSpriteKindBitmap);
  EXPECT_FALSE(Sprite_Replace(n, "missing.png", 1, false, false, false, true, 0, 0));
  EXPECT_EQ(Sprite_Data(n)->width, 3);
  EXPECT_STREQ(Sprite_Data(n)->name, Sprite_Name(n));
}

// An image past the budget of images loaded while the game runs is refused from its header: a
// 1 MB file of 16384 x 16384 pixels would cost gigabytes once decoded.
TEST_F(SpriteTableTest, ImagesPastTheLoadBudgetAreRefusedWithALogLine) {
  std::vector<uint8_t> huge = PNG(1, 1);
  // The header's width and height (big-endian, at 16 and 20) claim 16384 x 16384.
  for (size_t at : {size_t{16}, size_t{20}}) {
    huge.at(at + 2) = 0x40;
    huge.at(at + 3) = 0x00;
  }
  WriteFile("huge.png", huge);
  WriteFile("small.png", PNG(4, 4));
  const std::string said =
      "huge.png: 16384 x 16384 pixels is more than the 67108864 pixels an image loaded while the game runs may have";

  const int32_t n = Sprite_Number();
  EXPECT_EQ(Sprite_Add("huge.png", 1, false, false, false, true, 0, 0), -1);
  EXPECT_EQ(Sprite_Number(), n);
  EXPECT_NE(Console().find("Sprite image "), std::string::npos) << Console();
  EXPECT_NE(Console().find(said), std::string::npos) << Console();
  EXPECT_EQ(Console().find("ReadPNG"), std::string::npos) << "the image was decoded";
  // Replacing with it leaves the sprite as it was.
  const int32_t small = Sprite_Add("small.png", 1, false, false, false, true, 0, 0);
  ASSERT_GE(small, 0);
  EXPECT_FALSE(Sprite_Replace(small, "huge.png", 1, false, false, false, true, 0, 0));
  EXPECT_EQ(Sprite_Data(small)->width, 4);
  EXPECT_EQ(Sprite_AddAlpha("huge.png", 1, false, true, 0, 0), -1);
}

// More frames than the strip has columns: each frame keeps one column (an empty frame would
// still take a texture of its own).
TEST_F(SpriteTableTest, AddedStripsGiveAtMostOneFrameAColumn) {
  WriteFile("four.png", container::png_page(4, 2, RGBA(4, 2, [](int32_t x, int32_t) {
                                              return 0xFF000000u | static_cast<uint32_t>(x + 1);
                                            })));
  for (const int32_t asked : {16, 4, 0x7FFFFFFF}) {
    SCOPED_TRACE(asked);
    const CSprite* s = Sprite_Data(Sprite_Add("four.png", asked, false, false, false, true, 0, 0));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->frameCount, 4);
    EXPECT_EQ(s->width, 1);
    ASSERT_EQ(s->bitmaps.size(), 4u);
    ASSERT_EQ(s->slots.size(), 4u);
    EXPECT_EQ(s->bitmaps[3]->Pixels()[0] & 0xFFu, 4u) << "the last frame is the last column";
  }
}

std::vector<async_test::MapEvent> g_fired;

void RecordEvent(int32_t number) { g_fired.push_back({number, async_test::MapEntries(g_AsyncLoad)}); }

TEST_F(SpriteTableTest, DownloadsFillTheirSlotWhenTheyCompleteAndAlwaysFireTheImageEvent) {
  const char* urls[] = {"http://127.0.0.1/good.png", "https://127.0.0.1/empty.png", "http://127.0.0.1/gone.png",
                        "http://127.0.0.1/junk", "http://127.0.0.1/missing.png"};
  const int32_t good = Sprite_Add(urls[0], 2, true, false, false, true, 1, 1);
  const int32_t empty = Sprite_Add(urls[1], 1, false, false, false, true, 0, 0);
  const int32_t gone = Sprite_Add(urls[2], 1, false, false, false, true, 0, 0);
  const int32_t junk = Sprite_Add(urls[3], 1, false, false, false, true, 0, 0);
  const int32_t missing = Sprite_Add(urls[4], 1, false, false, false, true, 0, 0);
  EXPECT_EQ((std::vector<int32_t>{good, empty, gone, junk, missing}), (std::vector<int32_t>{0, 1, 2, 3, 4}));
  EXPECT_EQ(Sprite_Data(good)->frameCount, 0);  // empty until the download completes
  ASSERT_TRUE(Sprite_Delete(gone));

  const std::vector<uint8_t> bodies[] = {PNG(8, 3), {}, PNG(4, 4), {1, 2, 3}, PNG(2, 2)};
  const int32_t statuses[] = {200, 200, 200, 200, 404};
  for (int i = 0; i < 5; ++i) {
    HTTP_REQ_CONTEXT* r = HTTP_FindPendingGet(urls[i]);
    ASSERT_NE(r, nullptr) << urls[i];
    HTTP_FinishGet(r, statuses[i], bodies[i]);
  }
  g_fired.clear();
  Async_ProcessQueue(RecordEvent);
  EXPECT_EQ(HTTP_FindPendingGet(urls[0]), nullptr);

  const CSprite* s = Sprite_Data(good);
  EXPECT_EQ(s->frameCount, 2);
  EXPECT_EQ(s->width, 4);
  EXPECT_EQ(s->originX, 1);
  EXPECT_STREQ(s->name, "__newsprite0");
  EXPECT_EQ(Sprite_Data(gone), nullptr);  // deleted while pending: stays empty
  EXPECT_EQ(Sprite_Data(junk)->frameCount, 0);
  EXPECT_EQ(Sprite_Data(missing)->frameCount, 0);  // not 200: not decoded
  EXPECT_NE(Console().find("Failed to decode data in Sprite_Add http://127.0.0.1/junk\n"), std::string::npos);
  EXPECT_EQ(Console().find("missing.png"), std::string::npos);

  ASSERT_EQ(g_fired.size(), 5u);
  const double expectedStatus[] = {0, -1, 0, 0, 0};
  for (const async_test::MapEvent& e : g_fired) {
    EXPECT_EQ(e.eventNumber, 60);
    ASSERT_EQ(e.entries.size(), 4u);
    const auto i = static_cast<size_t>(e.Find("id")->real);
    ASSERT_LT(i, 5u);
    EXPECT_EQ(e.Find("filename")->text, urls[i]);
    EXPECT_EQ(e.Find("http_status")->real, statuses[i]);
    EXPECT_EQ(e.Find("status")->real, expectedStatus[i]) << i;
  }
  g_fired.clear();
}

TEST_F(SpriteTableTest, DeletedSlotsStayEmptyAndAddsGoAtTheEnd) {
  WriteFile("a.png", PNG(2, 2));
  ASSERT_EQ(Sprite_Add("a.png", 1, false, false, false, true, 0, 0), 0);
  ASSERT_EQ(Sprite_Add("a.png", 1, false, false, false, true, 0, 0), 1);
  EXPECT_TRUE(Sprite_Delete(0));
  EXPECT_FALSE(Sprite_Delete(0));
  EXPECT_FALSE(Sprite_Delete(7));
  EXPECT_EQ(Sprite_Number(), 2);
  EXPECT_STREQ(Sprite_Name(0), "<undefined>");
  EXPECT_EQ(Sprite_Add("a.png", 1, false, false, false, true, 0, 0), 2);
  EXPECT_EQ(Sprite_AddEmpty(), 3);
  EXPECT_EQ(Sprite_AddAlpha("missing.png", 1, false, true, 0, 0), -1);
  EXPECT_EQ(Sprite_Number(), 4);
  // Assigning into the empty slot fills it with a copy under the slot's name.
  ASSERT_TRUE(Sprite_Assign(0, 1));
  EXPECT_EQ(Sprite_Data(0)->width, 2);
  EXPECT_EQ(Sprite_Data(0)->index, 0);
  EXPECT_FALSE(Sprite_Assign(0, 9));
}

TEST_F(SpriteTableTest, DuplicatesOfContainerSpritesReadTheirFramesBackAndOwnWholeTextures) {
  const std::vector<TexturePageEntry> tpag = {{2, 1, 4, 3, 1, 2, 4, 3, 6, 6, 0}};
  ASSERT_TRUE(Load({{0, PNG(8, 8, 0xFFAA5500u)}}, tpag, {Bitmap("page", {0}, 6, 6)})) << Game_LoadFailure();
  const int32_t copy = Sprite_Duplicate(0);
  ASSERT_EQ(copy, 1);
  EXPECT_EQ(Sprite_Duplicate(5), -1);
  const CSprite* s = Sprite_Data(copy);
  ASSERT_EQ(s->bitmaps.size(), 1u);
  EXPECT_FALSE(s->DrawsFromSharedPages());
  EXPECT_TRUE(s->ownsEntries);
  const TPageEntry* e = (*s->entries)[0];
  EXPECT_EQ((std::vector<int16_t>{e->sourceX, e->sourceY, e->sourceWidth, e->sourceHeight, e->fullWidth}),
            (std::vector<int16_t>{0, 0, 6, 6, 6}));
  EXPECT_EQ(e->page, static_cast<int16_t>(s->slots[0]));
  EXPECT_EQ(GR_Texture_Resolve(s->GetTexture(0)).kind, TextureHandleKind::Slot);
  // The trimmed rectangle sits at its offset in the full frame; the rest is transparent.
  const uint32_t* p = s->bitmaps[0]->Pixels();
  EXPECT_EQ(p[0], 0u);
  EXPECT_EQ(p[2 * 6 + 1] >> 24, 0xFFu);
  EXPECT_EQ(p[5 * 6 + 5], 0u);
}

TEST_F(SpriteTableTest, MergeAndSetAlphaRefuseSpritesOnSharedPages) {
  ASSERT_TRUE(Load({{0, PNG(8, 8)}}, {{0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}}, {Bitmap("page", {0})}));
  WriteFile("two.png", PNG(8, 4));
  const int32_t own = Sprite_Add("two.png", 2, false, false, false, true, 0, 0);
  CSprite* page = Sprite_Data(0);
  CSprite* mine = Sprite_Data(own);

  page->Merge(mine);
  EXPECT_NE(LastError().find("sprite_merge() requires the destination sprite to have been duplicated"),
            std::string::npos);
  EXPECT_EQ(page->frameCount, 1);
  mine->Merge(page);
  EXPECT_NE(LastError().find("sprite_merge() requires the source sprite to have been duplicated"), std::string::npos);
  EXPECT_EQ(mine->frameCount, 2);
  page->SetAlphaFrom(mine);
  EXPECT_NE(LastError().find("sprite_set_alpha_from_sprite() requires the destination sprite to have been duplicated"),
            std::string::npos);
  mine->SetAlphaFrom(page);
  EXPECT_NE(LastError().find("sprite_set_alpha_from_sprite() requires the source sprite to have been duplicated"),
            std::string::npos);

  // Merging two sprites of their own appends the frames resampled to the destination's size.
  WriteFile("big.png", PNG(16, 16));
  const int32_t big = Sprite_Add("big.png", 1, false, false, false, true, 0, 0);
  mine->Merge(Sprite_Data(big));
  EXPECT_EQ(mine->frameCount, 3);
  ASSERT_EQ(mine->bitmaps.size(), 3u);
  EXPECT_EQ(mine->bitmaps[2]->GetWidth(), 4);
  EXPECT_EQ(mine->slots.size(), 3u);
  // An empty destination takes the source's size and frames.
  CSprite* empty = Sprite_Data(Sprite_AddEmpty());
  empty->Merge(Sprite_Data(big));
  EXPECT_EQ(empty->frameCount, 1);
  EXPECT_EQ(empty->width, 16);
}

TEST_F(SpriteTableTest, AddingAFrameToASpriteOnSharedPagesTakesItsFramesFromThePagesFirst) {
  ASSERT_TRUE(Load({{0, PNG(8, 8)}}, {{0, 0, 8, 8, 0, 0, 8, 8, 8, 8, 0}}, {Bitmap("page", {0})}));
  CSprite* s = Sprite_Data(0);
  uint32_t size = 0;
  TBitmap bitmap;
  uint8_t* block = TBitmap_NewBlock(4, 4, &size);
  bitmap.SetImage(block, size);
  s->AddFromBitmap(&bitmap, false, false, true);
  EXPECT_EQ(s->frameCount, 2);
  ASSERT_EQ(s->bitmaps.size(), 2u);
  EXPECT_EQ(s->bitmaps[1]->GetWidth(), 8);  // resampled to the sprite's size
  EXPECT_FALSE(s->DrawsFromSharedPages());
  EXPECT_EQ(s->slots.size(), 2u);
}

}  // namespace
