// Fonts from font files: the glyph cache's page and cell arithmetic, and DejaVu Sans rendered on
// first use into the cache page, on the recording device.
#include <algorithm>
#include <string>

#include "assets/font.h"
#include "assets/font_cache.h"
#include "io/load_save.h"
#include "render/overlay_draw.h"
#include "render/render_fixture.h"
#include "render/text.h"

namespace {

using render_test::RenderTest;

constexpr const char* kDejaVu = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

TEST(FontCacheLayout, PageSidesAndCellCountsFollowTheFacesMetrics) {
  struct Case {
    int32_t height, advance, maxSide, side, cells;
  };
  const Case cases[] = {
      {14, 12, 8192, 512, 1116},   // A = 18 x 16 = 288: 910 cells' worth, 36 x 31 cells
      {110, 116, 8192, 1024, 72},  // A = 13680 > 13107: 19 on 512, so 1024
      {4000, 4000, 8192, 8192, 4},  // never beyond the device's largest side
      {14, 12, 256, 512, 1116},     // 512 is asked for; the device makes what it can
      {0, 12, 8192, 0, 0},          // empty metrics
  };
  for (const Case& c : cases) {
    const FontCacheLayout l = FontGlyphCache_Layout(c.height, c.advance, c.maxSide);
    EXPECT_EQ(l.side, c.side) << c.height << " x " << c.advance;
    EXPECT_EQ(l.cells, c.cells) << c.height << " x " << c.advance;
    EXPECT_EQ(l.cellWidth, c.advance);
    EXPECT_EQ(l.cellHeight, c.height);
  }
  // On a page the device capped at 256: cells of 300 do not fit at all.
  EXPECT_EQ(FontGlyphCache_CellCount(256, 256, 12, 14), 18 * 15);
  EXPECT_EQ(FontGlyphCache_CellCount(256, 256, 300, 300), 0);
}

class FontFileTest : public RenderTest {
 protected:
  void Start(DWORD maxSide = 0) {
    InitScene();
    // The device's largest texture side, as textures made from now on see it.
    if (maxSide != 0) g_D3D.caps.MaxTextureWidth = g_D3D.caps.MaxTextureHeight = maxSide;
    Font_Init();
    // Files outside the game's folders are read only when listed.
    LoadSave_AddToWhitelist(&g_pReadWhitelist, "/usr/share/fonts/truetype/dejavu/", true);
    LoadSave_AddToWhitelist(&g_pReadWhitelist, "/etc/hostname", false);
  }
  void TearDown() override {
    LoadSave_FreeWhitelist(&g_pReadWhitelist);
    Text_Shutdown();
    Font_Shutdown();
    RenderTest::TearDown();
  }
  // Vertices drawn since the last call (six a glyph), and the number of draw calls.
  size_t Flushed(size_t* draws) {
    GraphicsFlush();
    size_t bytes = 0;
    for (const D3D9RecordedDraw& d : Draws()) bytes += d.vertices.size();
    *draws = Draws().size();
    s_log->Clear();
    return bytes / 24;
  }
  static int32_t IndexOf(CFontTL* f, uint16_t c) {
    for (int32_t i = 0; i < f->GlyphCount(); ++i) {
      if (f->Glyph(i)->character == c) return i;
    }
    return -1;
  }
  static const uint16_t* P(const std::u16string& s) { return reinterpret_cast<const uint16_t*>(s.c_str()); }
};

TEST_F(FontFileTest, GlyphsAreRenderedIntoTheirCellOnFirstUse) {
  Start();
  const int32_t index = Font_Add(kDejaVu, 24, true, false, -5, 300);
  CFontTL* f = Font_Data(index);
  ASSERT_NE(f, nullptr);
  EXPECT_STREQ(f->GetFontName(), kDejaVu);
  EXPECT_TRUE(f->GetBold());
  EXPECT_EQ(f->GetAntialias(), 3);
  // The range is clamped for reporting; every character of the face is there.
  EXPECT_EQ(f->GetFirst(), 0);
  EXPECT_EQ(f->GetLast(), 255);
  EXPECT_GT(f->GlyphCount(), 1000);
  ASSERT_NE(f->Cache(), nullptr);
  EXPECT_EQ(f->Cache()->PageWidth(), 512);
  EXPECT_GT(f->Cache()->CellCount(), 20);
  EXPECT_EQ(f->GetTexture(), f->Cache()->Slot());
  EXPECT_GT(f->MaxHeight(), 24);

  const CFontGlyph* a = f->Glyph(IndexOf(f, 'A'));
  EXPECT_EQ(a->x, -1);
  EXPECT_EQ(a->y, -1);
  EXPECT_GT(a->shift, 10);
  ASSERT_EQ(f->FindGlyph('A'), a);
  // The cell assigned longest ago is taken, at first the last one laid out; it moves to the front.
  const FontGlyphCell* cell = f->Cache()->FirstCell();
  EXPECT_EQ(cell->glyph, a);
  EXPECT_EQ(a->x, cell->x);
  EXPECT_EQ(a->y, cell->y);
  EXPECT_GT(cell->y, 2);
  // Ink in the cell (white, alpha from the rendering), none outside it.
  const Texture* page = f->Cache()->PageTexture();
  auto alphaAt = [&](int32_t x, int32_t y) { return page->pixels[(y * page->Width() + x) * 4 + 3]; };
  int32_t inked = 0;
  for (int32_t y = 0; y < f->Cache()->CellHeight(); ++y) {
    for (int32_t x = 0; x < f->Cache()->CellWidth(); ++x) inked += alphaAt(a->x + x, a->y + y) > 128 ? 1 : 0;
  }
  EXPECT_GT(inked, 40);
  EXPECT_EQ(alphaAt(a->x - 1, a->y - 1), 0);
  EXPECT_EQ(alphaAt(2, 2), 0);
  EXPECT_EQ(page->pixels[(a->y * page->Width() + a->x) * 4], 255);
  // The next glyph takes the cell laid out before; a character past the reported last one draws too.
  f->FindGlyph('B');
  EXPECT_EQ(f->Cache()->FirstCell()->glyph, f->Glyph(IndexOf(f, 'B')));
  EXPECT_EQ(f->Cache()->FirstCell()->next, cell);
  ASSERT_NE(f->FindGlyph(0x0100), nullptr);
  EXPECT_EQ(f->FindGlyph(0x0100)->character, 0x0100);
  // Drawing uses the cache page's coordinates without a pad.
  size_t draws = 0;
  s_log->Clear();
  f->Draw(0, 0, P(u"A"), 0xFFFFFF, 1);
  EXPECT_EQ(Flushed(&draws), 6u);
}

// The face also maps U+10300-1031E and U+1D300-1D356: glyphs are keyed by 16-bit characters, so
// those are left out rather than landing on U+0300 (a second glyph for a character) or U+D300.
TEST_F(FontFileTest, CodePointsAboveTheBasicPlaneAreLeftOut) {
  Start();
  CFontTL* f = Font_Data(Font_Add(kDejaVu, 12, false, false, 32, 127));
  ASSERT_NE(f, nullptr);
  ASSERT_GT(f->GlyphCount(), 1000);
  // The space is made ahead of the face's own glyphs, so it is there twice; nothing else is.
  for (int32_t i = 1; i < f->GlyphCount(); ++i) {
    if (f->Glyph(i)->character == ' ') continue;
    ASSERT_LT(f->Glyph(i - 1)->character, f->Glyph(i)->character) << "one glyph a character, at " << i;
  }
  EXPECT_GE(IndexOf(f, 0x0300), 0) << "the face's own U+0300 stays";
  for (uint16_t c = 0xD300; c <= 0xD356; ++c) EXPECT_EQ(IndexOf(f, c), -1) << std::hex << c;
}

TEST_F(FontFileTest, MoreDistinctCharactersThanCellsFlushBeforeEachReuseInTheFrame) {
  Start(512);
  CFontTL* f = Font_Data(Font_Add(kDejaVu, 100, false, false, 32, 127));
  ASSERT_NE(f, nullptr);
  const int32_t cells = f->Cache()->CellCount();
  ASSERT_GT(cells, 0);
  ASSERT_LT(cells, 40);
  std::u16string text;
  for (char16_t c = u'A'; text.size() < static_cast<size_t>(cells) + 6; ++c) text += c;
  size_t draws = 0;
  s_log->Clear();
  f->Draw(0, 0, P(text), 0xFFFFFF, 1);
  EXPECT_EQ(Flushed(&draws), 6 * text.size());
  // The first reuse sends every quad before it; each later one the single quad since.
  EXPECT_EQ(draws, 6u + 1u);
  // The evicted glyphs are out of the cache again and come back when next needed.
  EXPECT_EQ(f->Glyph(IndexOf(f, 'A'))->x, -1);
  EXPECT_NE(f->FindGlyph('A')->x, -1);
  // In a later frame a reuse does not flush.
  DebugOverlay_AdvanceFrame();
  s_log->Clear();
  for (char16_t c = u'a'; c < u'a' + 5; ++c) f->FindGlyph(c);
  EXPECT_EQ(Flushed(&draws), 0u);
  EXPECT_EQ(draws, 0u);
}

TEST_F(FontFileTest, AMissingFileLeavesAFontThatDrawsNothing) {
  Start();
  const int32_t index = Font_Add("no_such_font.ttf", 12, false, false, 32, 127);
  EXPECT_NE(Console().find("FreeType :: unable to find font file no_such_font.ttf\n"), std::string::npos);
  ASSERT_TRUE(Font_Exists(index));
  CFontTL* f = Font_Data(index);
  EXPECT_EQ(f->GlyphCount(), 0);
  EXPECT_EQ(f->GetTexture(), -1);
  size_t draws = 0;
  f->Draw(0, 0, P(u"Abc"), 0xFFFFFF, 1);
  f->DrawColour(0, 0, P(u"Abc"), 0, 0, 0, 0, 1);
  EXPECT_EQ(Flushed(&draws), 0u);
  // A file that is no font.
  Font_Add("/etc/hostname", 12, false, false, 32, 127);
  EXPECT_NE(Console().find("Unable to open font file /etc/hostname"), std::string::npos);
}

TEST_F(FontFileTest, AFaceTooLargeForTheDevicesPageHoldsNoCellAndDrawsNothing) {
  Start(256);
  CFontTL* f = Font_Data(Font_Add(kDejaVu, 300, false, false, 32, 127));
  ASSERT_NE(f, nullptr);
  EXPECT_GT(f->GlyphCount(), 0);
  EXPECT_EQ(f->Cache()->CellCount(), 0);
  EXPECT_EQ(f->GetTexture(), -1);
  size_t draws = 0;
  f->Draw(0, 0, P(u"AB"), 0xFFFFFF, 1);
  f->DrawTransformedColour(0, 0, P(u"AB"), 1, 1, 30, 0, 0, 0, 0, 1);
  EXPECT_EQ(Flushed(&draws), 0u);
  // Measuring still works from the metrics.
  EXPECT_GT(f->TextWidth(P(u"AB")), 300);
}

}  // namespace
