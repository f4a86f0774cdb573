// "options.ini": the INI reading it relies on, the settings it changes, the command line winning
// over it, and the virtual buttons with their key names.
#include "io/options_file.h"
#include "host/ini_defaults.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/background.h"
#include "assets/texture.h"
#include "vm/constants.h"
#include "io/ini_file.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "physics/lifecycle.h"
#include "render/lifecycle.h"

namespace {

IniFile Ini(const char* text) {
  IniFile ini;
  ini.OpenFromString(text);
  return ini;
}

class OptionsFileTest : public testing::Test {
 protected:
  // Key and button names are named constants.
  void SetUp() override {
    Reset();
    Constant_InitBuiltins();
  }
  void TearDown() override { Reset(); }
  static void Reset() {
    Constant_Free();
    g_RunnerOptions = RunnerOptions();
    GR_StartupFlags = GR_StartupFlagsRecord();
    Debug_OverlayFlags = 0;
    Texture_CreateOnDemand = false;
    g_OptionsFile = OptionsFileState();
    Host_FreeText(&g_pGameFilePath);
  }
};

TEST(IniFileTest, ReadsSectionsKeysAndValuesAsWritten) {
  const IniFile ini = Ini(
      "\xEF\xBB\xBF"
      "lost=1\n"
      "[A]\n"
      "  plain = 12 apples  ; a comment\n"
      "quoted=\"  keeps blanks\" trailing\n"
      "single='x#y'\n"
      "dup=first\n"
      "dup=second\n"
      "next=\n"
      "late=3\n"
      "# comment line\n"
      "[B]\n"
      "k=b1\n"
      "[B]\n"
      "k=b2\n");
  const struct {
    const char* section;
    const char* key;
    const char* value;  // null: missing
  } cases[] = {
      {"A", "plain", "12 apples"},  {"A", "quoted", "  keeps blanks"}, {"A", "single", "x#y"},
      {"A", "dup", "second"},       {"A", "next", nullptr},            {"A", "late", "3"},
      {"A", "lost", nullptr},       {"B", "k", "b2"},                   {"a", "plain", nullptr},
      {"A", "Plain", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.section) + "/" + c.key);
    const char* value = ini.ReadString(c.section, c.key, nullptr);
    if (c.value == nullptr) {
      EXPECT_EQ(value, nullptr);
    } else {
      ASSERT_NE(value, nullptr);
      EXPECT_STREQ(value, c.value);
    }
  }
  EXPECT_EQ(ini.ReadInt("A", "plain", -1), 12);
  EXPECT_EQ(ini.ReadInt("A", "single", -1), 0);
  EXPECT_EQ(ini.ReadInt("A", "missing", -1), -1);
}

TEST(IniFileTest, NumbersReadLikeAtoiWithoutOverflow) {
  const struct {
    const char* text;
    int32_t value;
  } cases[] = {{"42", 42}, {" -5x", -5}, {"abc", 0}, {"", 0}, {"99999999999", 2147483647}, {"-99999999999", -2147483647 - 1}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(Ini_AtoI(c.text), c.value);
  }
}

TEST(IniFileTest, TextsWithoutSectionsOrEqualsGiveNothing) {
  for (const char* text : {"", "key=value", "[open", "[S]\nno equals here", "[S]\n=\n"}) {
    SCOPED_TRACE(text);
    const IniFile ini = Ini(text);
    EXPECT_EQ(ini.ReadString("S", "key", nullptr), nullptr);
  }
  EXPECT_STREQ(Ini("[S]\n=v\n").ReadString("S", "", nullptr), "v");
}

TEST_F(OptionsFileTest, WindowsSettings) {
  const struct {
    const char* name;
    const char* text;
    int32_t sleepMargin;
    int32_t vertexBufferMethod;
    bool alternateSync;
    bool onDemand;
  } cases[] = {
      {"nothing", "[Windows]\n", kDefaultSleepMarginMs, 0, false, false},
      {"negative margin", "[Windows]\nSleepMargin=-5\n", 0, 0, false, false},
      {"margin", "[Windows]\nSleepMargin=25\n", 25, 0, false, false},
      {"method 2", "[Windows]\nVertexBufferMethod=2\n", kDefaultSleepMarginMs, 2, false, false},
      {"unknown method", "[Windows]\nVertexBufferMethod=7\n", kDefaultSleepMarginMs, 0, false, false},
      {"sync and textures", "[Windows]\nAlternateSyncMethod=1\nCreateTexturesOnDemand=3\n", kDefaultSleepMarginMs, 0, true, true},
      {"other section", "[windows]\nSleepMargin=25\n", kDefaultSleepMarginMs, 0, false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Reset();
    const IniFile ini = Ini(c.text);
    Runner_ReadIniDefaults(&ini);
    EXPECT_EQ(g_RunnerOptions.sleepMargin, c.sleepMargin);
    EXPECT_EQ(GR_StartupFlags.vertexBufferMethod, c.vertexBufferMethod);
    EXPECT_EQ(GR_StartupFlags.alternateSync, c.alternateSync);
    EXPECT_EQ(Texture_CreateOnDemand, c.onDemand);
  }
}

TEST_F(OptionsFileTest, TheCommandLineWins) {
  ASSERT_TRUE(Runner_ParseCommandLine("tolvarine -sleepmargin 3 -novb -manualvsync"));
  const IniFile ini = Ini("[Windows]\nSleepMargin=25\nVertexBufferMethod=0\nAlternateSyncMethod=0\n");
  Runner_ReadIniDefaults(&ini);
  EXPECT_EQ(g_RunnerOptions.sleepMargin, 3);
  EXPECT_EQ(GR_StartupFlags.vertexBufferMethod, 2);
  EXPECT_TRUE(GR_StartupFlags.alternateSync);
}

TEST_F(OptionsFileTest, DefaultSection) {
  {
    const IniFile ini = Ini("[DEFAULT]\nOrientPortrait=0\nDebug=1\nTrace=1\n");
    g_OptionsFile.orientLandscape = false;  // absent keys allow their orientation again
    Runner_ReadIniDefaults(&ini);
    EXPECT_TRUE(g_OptionsFile.orientLandscape);
    EXPECT_TRUE(g_OptionsFile.orientLandscapeFlipped);
    EXPECT_FALSE(g_OptionsFile.orientPortrait);
    EXPECT_TRUE(g_OptionsFile.orientPortraitFlipped);
    EXPECT_TRUE(g_RunnerOptions.debug);
    EXPECT_EQ(Debug_OverlayFlags, kDebugOverlayShow);
    EXPECT_TRUE(Physics_AssertHandlerInstalled());
    EXPECT_TRUE(g_RunnerOptions.trace);
  }
  {
    g_RunnerOptions.debug = true;
    g_RunnerOptions.trace = true;
    const IniFile absent = Ini("[DEFAULT]\n");
    Runner_ReadIniDefaults(&absent);
    EXPECT_TRUE(g_RunnerOptions.debug);
    EXPECT_TRUE(g_RunnerOptions.trace);
    const IniFile off = Ini("[DEFAULT]\nDebug=0\nTrace=0\n");
    Runner_ReadIniDefaults(&off);
    EXPECT_FALSE(g_RunnerOptions.debug);
    EXPECT_FALSE(g_RunnerOptions.trace);
  }
}

TEST_F(OptionsFileTest, KeyAndButtonTexts) {
  const struct {
    const char* text;
    int32_t key;
    int32_t button;
  } cases[] = {
      {"A", 65, 0},          {"a", 97, 0},           {"VK_LEFT", 37, 0},     {"VK_left", 37, 0},
      {"VK_F12", 123, 0},    {"VK_NUMPAD9", 105, 0}, {"VK_RCONTROL", 163, 0}, {"VK_NOSUCHKEY", 0, 0},
      {"vk_left", 118, 0},   {"MB_LEFT", 0, 1},      {"MB_RIGHT", 0, 2},     {"MB_ANY", 0, 255},
      {"MB_NONE", 0, 0},     {"MB_SIDE", 0, 0},      {"mb_left", 109, 0},    {" A", 0, 0},
      {"", 0, 0},            {"\xC3\xA9", 0xC3, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(OptionsFile_KeyCode(c.text), c.key);
    EXPECT_EQ(OptionsFile_MouseButton(c.text), c.button);
  }
  EXPECT_EQ(OptionsFile_KeyCode(nullptr), 0);
  EXPECT_EQ(OptionsFile_MouseButton(nullptr), 0);
}

TEST_F(OptionsFileTest, KeyNamesFollowTheNewestConstantAndKeepItsLowByte) {
  Constant_AddReal("vk_left", 300.9);  // a game constant of the same name wins
  Constant_AddReal("vk_pad", 65);
  Constant_AddReal("mb_extra", -2);
  EXPECT_EQ(OptionsFile_KeyCode("VK_LEFT"), 300 & 0xFF);
  EXPECT_EQ(OptionsFile_KeyCode("VK_PAD"), 65);
  EXPECT_EQ(OptionsFile_MouseButton("MB_EXTRA"), 0xFE);
}

TEST_F(OptionsFileTest, VirtualButtonsAreReadAndPlacedIntoFreeRecords) {
  const IniFile ini = Ini(
      "[IO_VIRTUAL_BUTTONS]\nNUM_BUTTONS=3\nTEXTURE=pad.png\n"
      "[IO_BUTTON_0]\nX=10\nY=20\nW=30\nH=40\nU=5\nV=6\nKEY=VK_SPACE\n"
      "[IO_BUTTON_1]\nX=1\nBUTTON=MB_LEFT\n"
      "[IO_BUTTON_2]\nKEY=Z\n");
  IO_LoadVirtualButtons(&ini);
  ASSERT_EQ(g_OptionsFile.buttons.size(), 3u);
  EXPECT_TRUE(g_OptionsFile.hasButtonTexture);
  EXPECT_EQ(g_OptionsFile.buttonTexture, "pad.png");
  const OptionsFileButton& b = g_OptionsFile.buttons[0];
  EXPECT_EQ(std::vector<int32_t>({b.left, b.top, b.right, b.bottom, b.u, b.v, b.key, b.button}),
            std::vector<int32_t>({10, 20, 40, 60, 5, 6, 32, 0}));
  EXPECT_EQ(g_OptionsFile.buttons[1].button, 1);
  EXPECT_EQ(g_OptionsFile.buttons[2].key, 'Z');

  // A table with two free records takes the first two buttons and skips the third.
  struct Table {
    int free = 2;
    std::vector<int32_t> keys;
  } table;
  const int32_t placed = IO_PlaceVirtualButtons(
      [](const OptionsFileButton& button, void* context) {
        Table* t = static_cast<Table*>(context);
        if (t->free == 0) return false;
        --t->free;
        t->keys.push_back(button.key);
        return true;
      },
      &table);
  EXPECT_EQ(placed, 2);
  EXPECT_EQ(table.keys, (std::vector<int32_t>{32, 0}));
}

TEST_F(OptionsFileTest, ButtonCountIsBoundedByTheRecordTable) {
  const IniFile many = Ini("[IO_VIRTUAL_BUTTONS]\nNUM_BUTTONS=2000000000\n");
  IO_LoadVirtualButtons(&many);
  EXPECT_EQ(g_OptionsFile.buttons.size(), static_cast<size_t>(kVirtualKeyRecords));
  EXPECT_FALSE(g_OptionsFile.hasButtonTexture);
  const IniFile negative = Ini("[IO_VIRTUAL_BUTTONS]\nNUM_BUTTONS=-4\n");
  IO_LoadVirtualButtons(&negative);
  EXPECT_TRUE(g_OptionsFile.buttons.empty());
}

}  // namespace
