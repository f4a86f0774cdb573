// Text layout (line breaks, '#', wrapping), measuring and the placement of drawn lines, with a
// monospaced font of the game data on the recording device.
#include <cstring>
#include <string>
#include <vector>

#include "assets/font_test_kit.h"
#include "render/primitives.h"
#include "render/render_fixture.h"
#include "render/text.h"

namespace {

using render_test::RenderTest;

std::vector<std::u16string> LaidOut(const char* text, int32_t wrap) {
  TStringList list;
  Text_Layout(text, wrap, &list);
  std::vector<std::u16string> out;
  for (int32_t i = 0; i < list.Count(); ++i) out.emplace_back(reinterpret_cast<const char16_t*>(list.Line(i)));
  return out;
}

class TextTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    InitScene();
    const int32_t slot = GR_Texture_Create(512, 512, false);
    ASSERT_TRUE(font_test::LoadFonts(&fonts, {font_test::MonoFont()}, {{0, 0, 512, 512, 0, 0, 512, 512, 512, 512, 0}},
                                     {slot}));
    Text_ResetState();
    Text_SetFont(0);
  }
  void TearDown() override {
    Text_Shutdown();
    Font_Shutdown();
    RenderTest::TearDown();
  }

  // The top-left corner of every glyph quad drawn since the last call.
  std::vector<std::pair<float, float>> Corners() {
    GraphicsFlush();
    std::vector<std::pair<float, float>> out;
    for (const D3D9RecordedDraw& d : Draws()) {
      for (size_t at = 0; at + 144 <= d.vertices.size(); at += 144) {
        float xy[2];
        std::memcpy(xy, d.vertices.data() + at, sizeof xy);
        out.emplace_back(xy[0], xy[1]);
      }
    }
    s_log->Clear();
    return out;
  }

  font_test::LoadedFonts fonts;
};

TEST_F(TextTest, LineBreaksSplitTheTextAsEachPairOfBreakCharactersSays) {
  struct Case {
    const char* text;
    std::vector<std::u16string> lines;
  };
  const Case cases[] = {
      {"A\nB", {u"A", u"B"}},         {"A\rB", {u"A", u"B"}},          {"A\r\nB", {u"A", u"B"}},
      {"A\n\rB", {u"A", u"B"}},       {"A\n\nB", {u"A", u"", u"B"}},   {"A\r\rB", {u"A", u"", u"B"}},
      {"A\n", {u"A"}},                {"A\r\n", {u"A"}},               {"\nA", {u"", u"A"}},
      {"A\r\n\nB", {u"A", u"", u"B"}}, {"A#B", {u"A", u"B"}},          {"A\\#B", {u"A#B"}},
      {"", {}},                       {"\xC3\xA9t\xC3\xA9", {u"\u00E9t\u00E9"}},
      // A character beyond 16 bits is one character, which no glyph code holds: the replacement
      // character. A cut 4-byte sequence keeps the lead-byte rule (three bytes, one character).
      {"\xF0\x9F\x98\x80" "a#b", {u"\uFFFDa", u"b"}}, {"\xF0\x9F\x98" "a", {u"\u07D8a"}},
  };
  for (const Case& c : cases) EXPECT_EQ(LaidOut(c.text, -1), c.lines) << c.text;
  // Null leaves the list as it was.
  TStringList list;
  Text_Layout("x\ny", -1, &list);
  Text_Layout(nullptr, -1, &list);
  EXPECT_EQ(list.Count(), 2);
}

TEST_F(TextTest, LayoutLeavesTheCallersTextAsItWas) {
  char text[] = "a#b\\#c";
  EXPECT_EQ(LaidOut(text, -1), (std::vector<std::u16string>{u"a", u"b#c"}));
  EXPECT_STREQ(text, "a#b\\#c");
}

TEST_F(TextTest, WrappingBreaksAtSpacesAndCutsWordsThatDoNotFit) {
  // Every character advances 10.
  struct Case {
    const char* text;
    int32_t wrap;
    std::vector<std::u16string> lines;
  };
  const Case cases[] = {
      {"aaa bbb", 50, {u"aaa", u"bbb"}},
      {"aaa bbb", 70, {u"aaa bbb"}},
      {"aaaaaaaaaa", 35, {u"aaa", u"aaa", u"aaa", u"a"}},
      {"aaa   bbb", 30, {u"aaa", u"  bbb"}},
      {"aaa bbb", 0, {}},
      {"\raaa", 0, {u""}},
      {"a\nb", 100, {u"a\nb"}},
      {"aa\rbb", 100, {u"aa", u"bb"}},
      {"aaa    ", 30, {u"aaa"}},
      {"aa bb cc dd", 55, {u"aa bb", u"cc dd"}},
  };
  for (const Case& c : cases) EXPECT_EQ(LaidOut(c.text, c.wrap), c.lines) << c.text << " at " << c.wrap;
}

TEST_F(TextTest, ALongWordIsBrokenIntoPiecesThatFitWithoutLosingTheLinesBefore) {
  // Many insertions grow the buffer several times; the sanitizer build checks every line read.
  std::string text = "start ";
  text += std::string(400, 'x');
  // "start " fits 65, so the cut falls back to its space; then six x a line, four at the end.
  const std::vector<std::u16string> lines = LaidOut(text.c_str(), 65);
  ASSERT_EQ(lines.size(), 1u + 66u + 1u);
  EXPECT_EQ(lines[0], u"start");
  for (size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i], u"xxxxxx") << i;
  EXPECT_EQ(lines.back(), u"xxxx");
}

TEST_F(TextTest, WidthIsTheWidestLineAndHeightCountsTheSeparation) {
  EXPECT_EQ(Text_GetWidth("ab\nabcd\nabc", -1, -1), 40);
  EXPECT_EQ(Text_GetWidth("", -1, -1), 0);
  EXPECT_EQ(Text_GetWidth(nullptr, -1, -1), 0);
  EXPECT_EQ(Text_GetHeight("a\nb", -1, -1), 24);
  EXPECT_EQ(Text_GetHeight("a\nb", 20, -1), 32);
  EXPECT_EQ(Text_GetHeight("a", 20, -1), 12);
  EXPECT_EQ(Text_GetHeight("", -1, -1), 0);
  EXPECT_EQ(Text_GetHeight("aaa bbb", -1, 50), 24);
}

TEST_F(TextTest, AlignmentMovesTheLinesByTheirWidthAndTheBlocksHeight) {
  // Middle, three lines of 15: y - (45 / 2) = y - 22.
  Text_SetVAlign(1);
  Text_Draw(100, 100, "a\nb\nc", 15, -1);
  auto c = Corners();
  ASSERT_EQ(c.size(), 3u);
  EXPECT_FLOAT_EQ(c[0].second, 78);
  EXPECT_FLOAT_EQ(c[1].second, 93);
  EXPECT_FLOAT_EQ(c[2].second, 108);
  // Bottom: y - 3 x 12; empty lines still advance.
  Text_SetVAlign(2);
  Text_Draw(0, 100, "a\n\nc", -1, -1);
  c = Corners();
  ASSERT_EQ(c.size(), 2u);
  EXPECT_FLOAT_EQ(c[0].second, 64);
  EXPECT_FLOAT_EQ(c[1].second, 88);
  // Centre: x - width / 2 truncated (3 characters: 30 / 2); right: x - width; glyph offset 1.
  Text_SetVAlign(0);
  Text_SetHAlign(1);
  Text_Draw(100, 0, "abc", -1, -1);
  EXPECT_FLOAT_EQ(Corners()[0].first, 86);
  Text_SetHAlign(2);
  Text_Draw(100, 0, "abc", -1, -1);
  EXPECT_FLOAT_EQ(Corners()[0].first, 71);
  // Out of range is left.
  Text_SetHAlign(5);
  EXPECT_EQ(Text_GetHAlign(), 0);
  Text_Draw(100, 0, "abc", -1, -1);
  EXPECT_FLOAT_EQ(Corners()[0].first, 101);
  Text_SetVAlign(-1);
  EXPECT_EQ(Text_GetVAlign(), 0);
}

TEST_F(TextTest, TransformedLinesStepAlongTheTurnedDownDirection) {
  // 90 degrees: the next line lies to the right (sin 90 x separation), centre shifts along the line.
  Text_SetHAlign(1);
  Text_DrawTransformed(0, 0, "ab\nab", 10, -1, 1, 1, 90);
  const auto c = Corners();
  ASSERT_EQ(c.size(), 4u);
  // Line 1: b = -10, drawn at (0 + b cos, 0 - b sin) = (0, 10); its first glyph 1 further up.
  EXPECT_NEAR(c[0].first, 0, 1e-4);
  EXPECT_NEAR(c[0].second, 9, 1e-4);
  EXPECT_NEAR(c[2].first, 10, 1e-4);
  EXPECT_NEAR(c[2].second, 9, 1e-4);
}

TEST_F(TextTest, PlainTextTakesTheDrawColourAndAMissingFontSelectsTheBuiltInOne) {
  GR_SetColour(0x0000FF);
  GR_SetAlpha(1);
  Text_Draw(0, 0, "a", -1, -1);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  uint32_t colour;
  std::memcpy(&colour, Draws()[0].vertices.data() + 12, 4);
  EXPECT_EQ(colour, 0xFFFF0000u);
  s_log->Clear();
  Text_SetFont(7);
  EXPECT_EQ(Text_GetFont(), -1);
  EXPECT_EQ(Text_FontInUse(), Font_Default());
  // The reset puts font, alignment, colour and alpha back.
  Text_SetFont(0);
  Text_SetHAlign(2);
  Text_ResetState();
  EXPECT_EQ(Text_GetFont(), -1);
  EXPECT_EQ(Text_GetHAlign(), 0);
  EXPECT_EQ(GR_GetColour(), 0xFF000000u);
}

TEST_F(TextTest, ColourTextShadesEveryLineFromItsOwnLeftEdge) {
  Text_DrawColour(0, 0, "ab\nab", -1, -1, 0x000000, 0xFFFFFF, 0xFFFFFF, 0x000000, 1);
  GraphicsFlush();
  std::vector<uint32_t> firstCorners;
  for (const D3D9RecordedDraw& d : Draws()) {
    for (size_t at = 0; at + 144 <= d.vertices.size(); at += 144) {
      uint32_t colour;
      std::memcpy(&colour, d.vertices.data() + at + 12, 4);
      firstCorners.push_back(colour);
    }
  }
  // "a" starts at black on both lines, "b" half way (128 of 255: 127.5 rounds to even).
  EXPECT_EQ(firstCorners, (std::vector<uint32_t>{0xFF000000u, 0xFF808080u, 0xFF000000u, 0xFF808080u}));
}

}  // namespace
