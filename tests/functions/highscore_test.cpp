// The high-score table: insertion, the file "hiscore.dat" with its reader and writer, the script
// functions and draw_highscore.
#include <sys/stat.h>

#include <cstring>
#include <string>
#include <vector>

#include "functions/interaction_call.h"
#include "runtime/run_state.h"

namespace {

using namespace interaction_test;

std::string Bytes(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

std::string U32(uint32_t v) {
  std::string out;
  for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
  return out;
}

// A file of ten entries given as (name length word, name bytes with padding, value).
std::string File(const std::vector<std::string>& entries, int32_t lengthAdjust = 0) {
  std::string body;
  for (const std::string& e : entries) body += e;
  return "HISC" + U32(static_cast<uint32_t>(8 + body.size() + lengthAdjust)) + body;
}
std::string Entry(const std::string& name, int32_t value) {
  std::string e = U32(static_cast<uint32_t>(name.size())) + name;
  while (e.size() % 4 != 0) e += '\xF0';
  return e + U32(static_cast<uint32_t>(value));
}

class HighscoreTest : public InteractionTest {
 protected:
  void SetUp() override {
    InteractionTest::SetUp();
    mkdir(save.c_str(), 0755);
    Score_Init();
    Score_ReadBytes(nullptr, 0);
  }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (int32_t p = 1; p <= kScoreEntries; ++p) names.emplace_back(Score_GetName(p));
    return names;
  }
  std::string SaveFile() { return save + "hiscore.dat"; }
};

TEST_F(HighscoreTest, AnEqualValueGoesBelowAndAValueThatBeatsNoneChangesNothing) {
  Score_Load();  // no file: the defaults, nothing changed
  EXPECT_FALSE(Score_Changed());
  EXPECT_EQ(Names(), std::vector<std::string>(10, "<nobody>"));
  Call("highscore_add", {Text("zero"), Real(0)});
  EXPECT_FALSE(Score_Changed());
  EXPECT_EQ(Names(), std::vector<std::string>(10, "<nobody>"));

  Call("highscore_add", {Text("first"), Real(100)});
  Call("highscore_add", {Text("second"), Real(100)});
  EXPECT_TRUE(Score_Changed());
  EXPECT_EQ(CallText("highscore_name", {Real(1)}), "first");
  EXPECT_EQ(CallText("highscore_name", {Real(2)}), "second");
  EXPECT_EQ(CallReal("highscore_value", {Real(2)}), 100.0);
  Call("highscore_add", {Text("third"), Real(150)});
  EXPECT_EQ(CallText("highscore_name", {Real(1)}), "third");
  EXPECT_EQ(CallText("highscore_name", {Real(3)}), "second");

  // The tenth falls off the end.
  for (int i = 0; i < 8; ++i) Call("highscore_add", {Text("x"), Real(50)});
  EXPECT_EQ(CallText("highscore_name", {Real(10)}), "x");
  EXPECT_EQ(CallReal("highscore_value", {Real(10)}), 50.0);

  for (double p : {0.0, 11.0, -3.0}) {
    EXPECT_EQ(CallReal("highscore_value", {Real(p)}), 0.0) << p;
    EXPECT_EQ(CallText("highscore_name", {Real(p)}), "") << p;
  }

  // The current score under "DEFAULT"; a name that is not a string makes an entry without one.
  g_RunState.score = 500;
  Call("highscore_add_current");
  EXPECT_EQ(CallText("highscore_name", {Real(1)}), "DEFAULT");
  EXPECT_EQ(CallReal("highscore_value", {Real(1)}), 500.0);
  g_RunState.score = 0;
  Call("highscore_add", {Real(7), Real(600)});
  EXPECT_NE(RuntimeErrorCapture::Take(), "");
  EXPECT_EQ(CallText("highscore_name", {Real(1)}), "");
  EXPECT_EQ(CallReal("highscore_value", {Real(1)}), 600.0);
}

TEST_F(HighscoreTest, TheFileHoldsEachNamePaddedToFourBytes) {
  Score_SetEntry(1, "Alice", 1234);
  Score_SetEntry(2, nullptr, -5);
  const std::string bytes = Bytes(Score_FileBytes());
  // "HISC", the length, then "Alice" as 4 + 5 + 3 + 4 = 16 bytes.
  EXPECT_EQ(bytes.substr(0, 4), "HISC");
  EXPECT_EQ(bytes.substr(4, 4), U32(static_cast<uint32_t>(bytes.size())));
  EXPECT_EQ(bytes.substr(8, 16), U32(5) + "Alice\xF0\xF0\xF0" + U32(1234));
  EXPECT_EQ(bytes.substr(24, 8), U32(0) + U32(static_cast<uint32_t>(-5)));
  // All names of 8 letters: 168 bytes.
  Score_Init();
  EXPECT_EQ(Score_FileBytes().size(), 168u);

  // An entry without a name keeps its value through the file.
  Score_Init();
  Score_Add(nullptr, 42);
  Score_Save();
  EXPECT_FALSE(Score_Changed());
  Score_Init();
  Score_Load();
  EXPECT_EQ(Score_GetValue(1), 42);
  EXPECT_STREQ(Score_GetName(1), "");
  EXPECT_STREQ(Score_GetName(2), "<nobody>");
}

TEST_F(HighscoreTest, DamagedFilesAreReadUpToTheDamage) {
  std::vector<std::string> entries;
  for (int i = 0; i < 10; ++i) entries.push_back(Entry("n" + std::to_string(i), 100 - i));
  const struct {
    const char* name;
    std::string file;
    int32_t readNames;  // entries read before the damage
  } cases[] = {
      {"whole", File(entries), 10},
      {"length beyond the file", File(entries, 1), 0},
      {"foreign tag", "HISX" + File(entries).substr(4), 0},
      {"short", "HIS", 0},
      {"a name of 257 bytes", [&] {
         std::vector<std::string> e = entries;
         e[3] = U32(257) + std::string(260, 'x') + U32(1);
         return File(e);
       }(), 3},
      {"a name running past the data", [&] {
         std::vector<std::string> e(entries.begin(), entries.begin() + 5);
         e.push_back(U32(40) + "abc");
         return File(e);
       }(), 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Score_Init();
    for (int32_t p = 1; p <= 10; ++p) Score_SetEntry(p, "old", -p);
    Score_Add("changed", 1000);
    WriteAll(SaveFile(), c.file);
    Score_Load();
    EXPECT_FALSE(Score_Changed());
    for (int32_t p = 1; p <= 10; ++p) {
      if (p <= c.readNames) {
        EXPECT_EQ(Score_GetName(p), "n" + std::to_string(p - 1)) << p;
        EXPECT_EQ(Score_GetValue(p), 101 - p) << p;
      } else if (c.readNames > 0 && p == c.readNames + 1) {
        // The damaged entry loses its name and keeps its old value; reading stops there.
        EXPECT_STREQ(Score_GetName(p), "") << p;
        EXPECT_EQ(Score_GetValue(p), -(p - 1)) << p;
      } else if (c.readNames > 0) {
        EXPECT_STREQ(Score_GetName(p), "old") << p;
      }
    }
    if (c.readNames == 0) {
      EXPECT_STREQ(Score_GetName(1), "changed");
    }
  }
}

// The writer cuts a long name at a character boundary, so the reader keeps every entry.
TEST_F(HighscoreTest, ALongNameIsWrittenAsItsFirst256Bytes) {
  Score_SetEntry(1, std::string(300, 'n').c_str(), 9);
  const std::string euros = std::string(254, 'e') + "\xE2\x82\xAC";  // 257 bytes, the last character split by 256
  Score_SetEntry(2, euros.c_str(), 8);
  Score_SetEntry(3, "after", 7);
  Score_Add("x", 1);
  Score_Save();
  Score_Init();
  Score_Load();
  EXPECT_EQ(std::string(Score_GetName(1)), std::string(256, 'n'));
  EXPECT_EQ(std::string(Score_GetName(2)), std::string(254, 'e'));
  EXPECT_STREQ(Score_GetName(3), "after");
  EXPECT_EQ(Score_GetValue(3), 7);
  EXPECT_STREQ(Score_GetName(4), "x");
}

TEST_F(HighscoreTest, ClearingLeavesTheFileAsItWas) {
  Call("highscore_add", {Text("kept"), Real(10)});
  Score_Save();
  const std::string before = ReadAll(SaveFile());
  ASSERT_FALSE(before.empty());
  Call("highscore_set_strings", {Text("Best"), Text("-"), Text("")});
  Call("highscore_clear");
  EXPECT_EQ(Names(), std::vector<std::string>(10, "-"));
  EXPECT_FALSE(Score_Changed());
  Score_Save();
  EXPECT_EQ(ReadAll(SaveFile()), before);
  EXPECT_EQ(g_ScoreDisplay.caption, "Best");
  g_ScoreDisplay = ScoreDisplay{};
}

std::vector<std::pair<std::pair<float, float>, std::string>> g_drawn;
void Draw(float x, float y, const char* text) { g_drawn.push_back({{x, y}, text}); }
int32_t Width(const char* text) { return static_cast<int32_t>(std::strlen(text)) * 8; }

TEST_F(HighscoreTest, DrawHighscoreDrawsTenRowsOfNameAndRightAlignedValue) {
  const ScoreTextOutput previous = Score_SetTextOutput({Draw, Width});
  g_drawn.clear();
  Score_Add("top", 1234);
  Call("draw_highscore", {Real(10), Real(0), Real(200), Real(95)});
  Score_SetTextOutput(previous);
  ASSERT_EQ(g_drawn.size(), 20u);
  EXPECT_EQ(g_drawn[0], (std::pair<std::pair<float, float>, std::string>{{10.0f, 0.0f}, "top"}));
  EXPECT_EQ(g_drawn[1], (std::pair<std::pair<float, float>, std::string>{{200.0f - 32.0f, 0.0f}, "1234"}));
  for (size_t row = 0; row < 10; ++row) EXPECT_EQ(g_drawn[row * 2].first.second, 9.0f * row) << row;
  EXPECT_EQ(g_drawn[19].second, "0");
  EXPECT_EQ(g_drawn[19].first.first, 192.0f);
}

TEST_F(HighscoreTest, TheDisplaySettingsAreRecorded) {
  Call("highscore_set_font", {Text("Arial"), Real(14), Real(1)});
  EXPECT_EQ(g_ScoreDisplay.fontName, "Arial");
  EXPECT_EQ(g_ScoreDisplay.fontSize, 14);
  Call("highscore_set_font", {Real(3), Real(20), Real(0)});
  EXPECT_EQ(g_ScoreDisplay.fontName, "Arial") << "a name that is not a string changes nothing";
  Call("highscore_set_colors", {Real(1), Real(2), Real(3)});
  Call("highscore_set_background", {Real(4)});
  EXPECT_EQ(g_ScoreDisplay.colour2, 3);
  EXPECT_EQ(g_ScoreDisplay.background, 4);
  g_IOInputState.keyHeld[30] = true;
  Call("highscore_show_ext", {Real(10), Real(5), Real(0), Real(6), Real(7), Text("Mono"), Real(9)});
  EXPECT_EQ(g_ScoreDisplay.background, 5);
  EXPECT_FALSE(g_ScoreDisplay.border);
  EXPECT_EQ(g_ScoreDisplay.fontName, "Mono");
  EXPECT_FALSE(g_IOInputState.keyHeld[30]);
  g_ScoreDisplay = ScoreDisplay{};
}

}  // namespace
