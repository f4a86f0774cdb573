// Fonts of the game data, sprite fonts and the built-in font: the table, glyph lookup, widths and
// the quads the four drawing routines hand the batcher on the recording device.
#include <algorithm>
#include <cmath>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/font_test_kit.h"
#include "assets/lifecycle.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "assets/texture_pages.h"
#include "render/overlay_draw.h"
#include "render/render_fixture.h"
#include "render/text.h"

namespace {

using font_test::LoadedFonts;
using render_test::RenderTest;

using QV = render_test::QuadVertex;

std::u16string U(const char* text) { return std::u16string(text, text + std::strlen(text)); }
const uint16_t* P(const std::u16string& s) { return reinterpret_cast<const uint16_t*>(s.c_str()); }

class FontTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
    // The sheet: a 300 x 200 image on a 512 x 256 texture; the font's entry starts at (100, 50).
    slot = GR_Texture_Create(300, 200, false);
    container::FontEntry a;
    a.name = "fnt_a";
    a.face = "Sans";
    a.size = 14;
    a.bold = true;
    a.first = 65;
    a.charset = 2;
    a.antialias = 4;
    a.last = 66;
    a.page_entry = 0;
    a.x_scale = 2.0f;
    a.y_scale = 3.0f;
    a.glyphs = {{65, 1, 2, 6, 10, 7, 1}, {66, 10, 2, 8, 11, 9, -1}, {9647, 20, 2, 5, 12, 6, 0}};
    container::FontEntry b;
    b.name = "fnt_b";
    b.page_entry = 0;
    b.glyphs = {{65, 1, 2, 6, 10, 7, 1}, {67, 10, 2, 8, 11, 9, 0}};
    ASSERT_TRUE(font_test::LoadFonts(&fonts, {a, std::nullopt, b}, {{100, 50, 64, 32, 0, 0, 64, 32, 64, 32, 0}},
                                     {slot}));
  }

  void TearDown() override {
    Text_Shutdown();
    Font_Shutdown();
    Sprite_DeleteAll();
    RenderTest::TearDown();
  }

  // The vertices of every draw since the log was cleared.
  std::vector<QV> Drawn() { return render_test::TakeQuadVertices(s_log.get()); }

  int32_t slot = -1;
  LoadedFonts fonts;
};

TEST_F(FontTest, TheChunkFillsTheTableWithEveryFieldOfItsEntries) {
  EXPECT_EQ(Font_Number(), 3);
  EXPECT_TRUE(Font_Exists(0));
  EXPECT_FALSE(Font_Exists(1));
  EXPECT_FALSE(Font_Exists(3));
  EXPECT_FALSE(Font_Exists(-1));
  EXPECT_STREQ(Font_Name(0), "fnt_a");
  EXPECT_STREQ(Font_Name(1), "<undefined>");
  EXPECT_EQ(Font_Find("fnt_b"), 2);
  EXPECT_EQ(Font_Find("FNT_B"), -1);
  EXPECT_EQ(Font_Data(7), nullptr);
  CFontTL* f = Font_Data(0);
  EXPECT_STREQ(f->GetFontName(), "Sans");
  EXPECT_EQ(f->GetSize(), 14);
  EXPECT_TRUE(f->GetBold());
  EXPECT_FALSE(f->GetItalic());
  EXPECT_EQ(f->GetFirst(), 65);
  EXPECT_EQ(f->GetLast(), 66);
  EXPECT_EQ(f->GetCharset(), 2);
  EXPECT_EQ(f->GetAntialias(), 3);
  EXPECT_EQ(f->MaxHeight(), 12);
  EXPECT_FLOAT_EQ(f->GetTexelPad(), 0.0f);
  // The page entry's handle, which resolves back to the entry.
  const TextureHandle h = GR_Texture_Resolve(f->GetTexture());
  EXPECT_EQ(h.kind, TextureHandleKind::Entry);
  EXPECT_EQ(h.entry, fonts.entries[0]);
}

TEST_F(FontTest, MissingCharactersFallBackToTheReplacementGlyphOrToNothing) {
  CFontTL* a = Font_Data(0);
  CFontTL* b = Font_Data(2);
  ASSERT_NE(a->FindGlyph('A'), nullptr);
  EXPECT_EQ(a->FindGlyph('A')->shift, 7);
  EXPECT_EQ(a->FindGlyph('Z')->character, 9647);
  EXPECT_EQ(b->FindGlyph('Z'), nullptr);
  EXPECT_EQ(b->FindGlyph(9647), nullptr);
  // Widths are unscaled (the font's x scale is 2) and count the replacement's shift.
  EXPECT_EQ(a->TextWidth(P(U("AB"))), 16);
  EXPECT_EQ(a->TextWidth(P(U("AZ"))), 13);
  EXPECT_EQ(b->TextWidth(P(U("AZC"))), 16);
  EXPECT_EQ(a->TextWidth(nullptr), 0);
  EXPECT_EQ(a->CharShift('Q'), 6);
  EXPECT_EQ(b->CharShift('Q'), 0);
}

TEST_F(FontTest, DrawLaysGlyphQuadsAlongThePenAtTheFontsScale) {
  CFontTL* a = Font_Data(0);
  // Two-dimensional vertices take the drawing depth, which only three-dimensional mode holds.
  g_RenderLogical.threeD = true;
  GR_SetDepth(4);
  g_RenderLogical.threeD = false;
  a->Draw(10, 20, P(U("AB")), 0x0000FF, 0.5f);
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 12u);
  // A: left = 10 + 1 x 2, width 6 x 2, height 10 x 3; B at pen 10 + 7 x 2 with offset -1 x 2.
  EXPECT_FLOAT_EQ(v[0].x, 12);
  EXPECT_FLOAT_EQ(v[0].y, 20);
  EXPECT_FLOAT_EQ(v[2].x, 24);
  EXPECT_FLOAT_EQ(v[2].y, 50);
  EXPECT_FLOAT_EQ(v[6].x, 22);
  EXPECT_FLOAT_EQ(v[8].x, 38);
  EXPECT_FLOAT_EQ(v[8].y, 53);
  EXPECT_EQ(v[0].z, 4);
  g_RenderLogical.threeD = true;
  GR_SetDepth(0);
  g_RenderLogical.threeD = false;
  // Red in the script colour becomes the device's red; alpha 0.5 truncates to 127.
  for (const QV& q : v) EXPECT_EQ(q.colour, 0x7FFF0000u);
  // Texture coordinates from the entry's source (100, 50) plus the glyph's place, no pad.
  EXPECT_FLOAT_EQ(v[0].u, 101.0f / 512);
  EXPECT_FLOAT_EQ(v[0].v, 52.0f / 256);
  EXPECT_FLOAT_EQ(v[2].u, 107.0f / 512);
  EXPECT_FLOAT_EQ(v[2].v, 62.0f / 256);
  // A character without a glyph (and no replacement) neither draws nor moves the pen.
  Font_Data(2)->Draw(0, 0, P(U("AQC")), 0xFFFFFF, 1);
  v = Drawn();
  ASSERT_EQ(v.size(), 12u);
  EXPECT_FLOAT_EQ(v[6].x, 7);
  // Corner ids mark the four corners while the flag is on.
  g_CornerIds = true;
  Font_Data(2)->Draw(0, 0, P(U("A")), 0xFFFFFF, 1);
  v = Drawn();
  const uint32_t ids[6] = {0xFFFEFFFE, 0xFFFEFFFF, 0xFFFFFFFE, 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFEFFFE};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(v[static_cast<size_t>(i)].colour, ids[i]) << i;
  // Nothing for an empty text or null.
  a->Draw(0, 0, P(U("")), 0, 1);
  a->Draw(0, 0, nullptr, 0, 1);
  EXPECT_TRUE(Drawn().empty());
}

TEST_F(FontTest, DrawTransformedTurnsEachGlyphAboutItsAnchorAndMovesThePenAlongTheAngle) {
  CFontTL* b = Font_Data(2);
  // Below 0.001 degrees: the plain layout with the given scales (the font's are ignored).
  b->DrawTransformed(0, 0, P(U("AC")), 2, 1, 0.0005f, 0xFFFFFF, 1);
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 12u);
  EXPECT_FLOAT_EQ(v[0].x, 2);
  EXPECT_FLOAT_EQ(v[2].x, 14);
  EXPECT_FLOAT_EQ(v[6].x, 14);
  // 90 degrees: the pen moves up the screen, glyph width runs upwards and height to the right.
  b->DrawTransformed(10, 100, P(U("AC")), 1, 1, 90, 0xFFFFFF, 1);
  v = Drawn();
  ASSERT_EQ(v.size(), 12u);
  const float eps = 1e-4f;
  EXPECT_NEAR(v[0].x, 10, eps);  // TL: the anchor (pen + offset 1 upwards)
  EXPECT_NEAR(v[0].y, 99, eps);
  EXPECT_NEAR(v[1].x, 10, eps);  // TR: 6 further up
  EXPECT_NEAR(v[1].y, 93, eps);
  EXPECT_NEAR(v[2].x, 20, eps);  // BR: and 10 to the right
  EXPECT_NEAR(v[2].y, 93, eps);
  EXPECT_NEAR(v[4].x, 20, eps);  // BL
  EXPECT_NEAR(v[4].y, 99, eps);
  EXPECT_NEAR(v[6].y, 93, eps);  // C: the pen moved 7 up, offset 0
  EXPECT_FLOAT_EQ(v[0].u, 101.0f / 512);
  EXPECT_FLOAT_EQ(v[2].u, 107.0f / 512);
}

TEST_F(FontTest, DrawColourShadesEachGlyphByItsPlaceOnTheLine) {
  CFontTL* b = Font_Data(2);
  // Black on the left, white on the right; "AC" has shifts 7 and 9 of 16.
  b->DrawColour(0, 0, P(U("AC")), 0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000, 1);
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 12u);
  auto grey = [](uint32_t level) { return 0xFF000000u | level * 0x010101u; };
  // 255 x 7 / 16 = 111.56 rounds to 112.
  EXPECT_EQ(v[0].colour, grey(0));
  EXPECT_EQ(v[1].colour, grey(112));
  EXPECT_EQ(v[2].colour, grey(112));
  EXPECT_EQ(v[4].colour, grey(0));
  EXPECT_EQ(v[6].colour, grey(112));
  EXPECT_EQ(v[7].colour, grey(255));
  EXPECT_EQ(v[8].colour, grey(255));
  EXPECT_EQ(v[10].colour, grey(112));
  // Drawn at the pen plus the unscaled offset, from the page entry's rectangle.
  EXPECT_FLOAT_EQ(v[0].x, 1);
  EXPECT_FLOAT_EQ(v[6].x, 7);
  EXPECT_FLOAT_EQ(v[0].u, 101.0f / 512);
  // A line of no width (only glyphs that do not advance) takes the left colours.
  container::FontEntry zero;
  zero.name = "fnt_zero";
  zero.page_entry = 0;
  zero.glyphs = {{65, 1, 2, 6, 10, 0, 0}};
  LoadedFonts more;
  ASSERT_TRUE(font_test::LoadFonts(&more, {zero}, {{100, 50, 64, 32, 0, 0, 64, 32, 64, 32, 0}}, {slot}));
  Font_Data(0)->DrawColour(0, 0, P(U("AA")), 0x0000FF, 0x00FF00, 0x00FF00, 0x0000FF, 1);
  v = Drawn();
  ASSERT_EQ(v.size(), 12u);
  for (const QV& q : v) EXPECT_EQ(q.colour, 0xFFFF0000u);
}

TEST_F(FontTest, DrawTransformedColourTurnsByTheAngleInRadians) {
  Font_Data(2)->DrawTransformedColour(0, 0, P(U("A")), 1, 1, 90, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1);
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_NEAR(v[0].x, 0, 1e-4);
  EXPECT_NEAR(v[0].y, -1, 1e-4);
  EXPECT_NEAR(v[1].y, -7, 1e-4);
  EXPECT_NEAR(v[2].x, 10, 1e-4);
}

TEST_F(FontTest, TheBuiltInFontPadsItsQuadsByHalfATexel) {
  GR_SetEmbeddedTextures(g_EmbeddedImages);
  CFontTL* f = Font_EnsureDefault();
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(Font_EnsureDefault(), f);
  EXPECT_STREQ(f->GetFontName(), "debug");
  EXPECT_EQ(f->GetSize(), 10);
  EXPECT_EQ(f->GetFirst(), 32);
  EXPECT_EQ(f->GetLast(), 136);
  EXPECT_EQ(f->GetAntialias(), 3);
  EXPECT_FLOAT_EQ(f->GetTexelPad(), 0.5f);
  const uint8_t* a = g_EmbeddedGlyphs + 4 * 'A';
  const CFontGlyph* g = f->FindGlyph('A');
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(g->x, a[0]);
  EXPECT_EQ(g->y, a[1]);
  EXPECT_EQ(g->width, a[2]);
  EXPECT_EQ(g->shift, a[2]);
  EXPECT_EQ(g->height, a[3]);
  // The sheet is the overlay's slot, shared.
  ASSERT_GE(DebugOverlay_FontSlot(), 0);
  EXPECT_EQ(GR_Texture_Resolve(f->GetTexture()).entry->page, DebugOverlay_FontSlot());
  f->Draw(0, 0, P(U("A")), 0xFFFFFF, 1);
  std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  EXPECT_FLOAT_EQ(v[0].x, -0.5f);
  EXPECT_FLOAT_EQ(v[0].y, -0.5f);
  EXPECT_FLOAT_EQ(v[2].x, a[2] + 0.5f);
  EXPECT_FLOAT_EQ(v[2].y, a[3] + 0.5f);
  EXPECT_FLOAT_EQ(v[0].u, (a[0] - 0.5f) / 256);
  EXPECT_FLOAT_EQ(v[0].v, (a[1] - 0.5f) / 128);
  EXPECT_FLOAT_EQ(v[2].u, (a[0] + a[2] + 0.5f) / 256);
  EXPECT_FLOAT_EQ(v[2].v, (a[1] + a[3] + 0.5f) / 128);
  // Text shutdown deletes it and gives up the shared sheet.
  Text_Shutdown();
  EXPECT_EQ(Font_Default(), nullptr);
}

TEST_F(FontTest, TheTableGrowsByFiveAndNamesWhatScriptsAdd) {
  Font_Init();
  EXPECT_EQ(Font_Capacity(), 0);
  std::vector<int32_t> capacities;
  for (int i = 0; i < 6; ++i) {
    EXPECT_EQ(Font_AddSpriteExt(-1, "abc", false, 0), i);
    capacities.push_back(Font_Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{5, 5, 5, 5, 5, 10}));
  EXPECT_STREQ(Font_Name(5), "__newfont5");
  EXPECT_EQ(Font_Find("__newfont3"), 3);
  // A sprite that does not exist leaves the font empty: no glyphs, nothing drawn.
  EXPECT_EQ(Font_Data(0)->GlyphCount(), 0);
  EXPECT_TRUE(Font_Delete(2));
  EXPECT_FALSE(Font_Exists(2));
  EXPECT_STREQ(Font_Name(2), "<undefined>");
  EXPECT_EQ(Font_Number(), 6);
  EXPECT_FALSE(Font_Delete(6));
  EXPECT_FALSE(Font_ReplaceSpriteExt(6, -1, "a", false, 0));
  // Replacing keeps the index and its name.
  EXPECT_TRUE(Font_ReplaceSpriteExt(3, -1, "a", false, 0));
  EXPECT_STREQ(Font_Name(3), "__newfont3");
}

TEST_F(FontTest, SpriteFontsTakeAFrameACharacterAndAddASpaceOfTheWidestShift) {
  CSprite s;
  s.frameCount = 3;
  s.width = 8;
  s.height = 10;
  const int32_t sprite = Sprite_Add(s);
  CFontTL font(sprite, "abcd", true, 2);
  ASSERT_EQ(font.GlyphCount(), 4);
  // Sorted: the added space first, then a, b and c on frames 0, 1 and 2.
  const char expected[] = " abc";
  for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(font.Glyph(i)->character, expected[i]) << i;
  EXPECT_EQ(font.Glyph(1)->width, 0);
  EXPECT_EQ(font.Glyph(3)->width, 2);
  for (int32_t i = 1; i < 4; ++i) EXPECT_EQ(font.Glyph(i)->shift, 10);
  EXPECT_EQ(font.Glyph(0)->shift, 10);
  EXPECT_EQ(font.MaxHeight(), 10);
  EXPECT_EQ(font.GetFirst(), 32);
  EXPECT_EQ(font.GetLast(), 36);
  EXPECT_EQ(font.GetSprite(), sprite);
  // A string that holds a space gets no extra one.
  CFontTL spaced(sprite, "a b", false, 0);
  EXPECT_EQ(spaced.GlyphCount(), 3);
}

TEST_F(FontTest, SpriteFontsFromAFirstCharacterGoThroughTheChunksCharacterMap) {
  CSprite s;
  s.frameCount = 10;
  s.width = 4;
  s.height = 4;
  const int32_t sprite = Sprite_Add(s);
  const int32_t index = Font_AddSprite(sprite, 200, false, 0);
  CFontTL* f = Font_Data(index);
  // Ten glyphs of "?" and the added space.
  ASSERT_EQ(f->GlyphCount(), 11);
  for (int32_t i = 1; i < 11; ++i) EXPECT_EQ(f->Glyph(i)->character, 63) << i;
  // Past the map's end the character is the number itself; replacing skips the map.
  f = Font_Data(Font_AddSprite(sprite, 250, false, 0));
  EXPECT_EQ(f->Glyph(f->GlyphCount() - 1)->character, 259);
  ASSERT_TRUE(Font_ReplaceSprite(index, sprite, 200, false, 0));
  f = Font_Data(index);
  EXPECT_EQ(f->Glyph(1)->character, 200);
  EXPECT_EQ(f->Glyph(10)->character, 209);
}

// A proportional sprite font measures each frame by its page entry's trimmed rectangle and draws
// its glyphs through the sprite: the trim sits at the pen, not the frame's empty left columns.
TEST_F(FontTest, SpriteFontsMeasureAndDrawFramesThroughTheirPageEntries) {
  TPageEntry entry{0, 0, 4, 10, 2, 0, 4, 10, 8, 10, static_cast<int16_t>(slot)};
  CSprite s;
  s.frameCount = 1;
  s.width = 8;
  s.height = 10;
  const int32_t sprite = Sprite_Add(s);
  Sprite_Data(sprite)->entries = std::make_shared<std::vector<TPageEntry*>>(std::vector<TPageEntry*>{&entry});
  CFontTL font(sprite, "a", true, 1);
  const CFontGlyph* a = font.Glyph(1);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->shift, 1 + 4);
  EXPECT_EQ(a->offset, -2);
  font.Draw(10, 20, P(U("a")), 0xFFFFFF, 1);
  const std::vector<QV> v = Drawn();
  ASSERT_EQ(v.size(), 6u);
  float left = 1e9f, right = -1e9f;
  for (const QV& q : v) {
    left = std::min(left, q.x);
    right = std::max(right, q.x);
  }
  EXPECT_FLOAT_EQ(left, 10);
  EXPECT_FLOAT_EQ(right, 14);
}

TEST_F(FontTest, DamagedEntriesFailTheLoad) {
  container::FontEntry a;
  a.name = "fnt_a";
  a.glyphs = {{65, 1, 2, 6, 10, 7, 1}};
  container::ContainerWriter writer;
  container::write_font(writer, std::vector<std::optional<container::FontEntry>>{a});
  container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok());
  const ContainerBytes all{built.bytes.data(), built.bytes.size()};
  ContainerChunks chunks(all);
  ContainerChunk font;
  while (chunks.Next(&font) && std::memcmp(font.tag, "FONT", 4) != 0) {
  }
  const uint32_t entry = Container_U32(font.body + 4);
  // A glyph offset pointing past the container.
  const uint32_t glyphAt = entry + kFontEntryHeader;
  const uint32_t good = Container_U32(built.bytes.data() + glyphAt);
  const uint32_t bad = static_cast<uint32_t>(built.bytes.size());
  std::memcpy(built.bytes.data() + glyphAt, &bad, 4);
  Game_ClearLoadFailure();
  EXPECT_FALSE(Font_Load(font.body, font.size, all));
  EXPECT_NE(std::string(Game_LoadFailure()).find("FONT"), std::string::npos);
  // An odd glyph offset.
  const uint32_t odd = good + 1;
  std::memcpy(built.bytes.data() + glyphAt, &odd, 4);
  EXPECT_FALSE(Font_Load(font.body, font.size, all));
  std::memcpy(built.bytes.data() + glyphAt, &good, 4);
  EXPECT_TRUE(Font_Load(font.body, font.size, all));
  EXPECT_EQ(Font_MapCharacter(200), 63);
  // A chunk too short for its character map (an empty list) loads without one.
  uint8_t empty[4] = {};
  EXPECT_TRUE(Font_Load(empty, sizeof empty, all));
  EXPECT_EQ(Font_MapCharacter(200), 200);
  Game_ClearLoadFailure();
}

}  // namespace
