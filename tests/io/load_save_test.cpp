#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "host/host_fixture.h"
#include "host/host_test_support.h"

namespace {

using LoadSaveTest = HostFilesTest;

// Placeholders: {P} program directory, {S} save area, {R} test root, {W} working directory.
std::string Expand(std::string text, const std::string& program, const std::string& save, const std::string& root) {
  auto replace = [&](const std::string& key, const std::string& value) {
    for (size_t at; (at = text.find(key)) != std::string::npos;) text.replace(at, key.size(), value);
  };
  replace("{P}", program);
  replace("{S}", save);
  replace("{W}", root + "/work");
  replace("{R}", root);
  return text;
}

TEST_F(LoadSaveTest, MapsPathsIntoProgramDirectoryAndSaveArea) {
  working_directory = TestStrDup((root + "/work/").c_str());
  struct Case {
    const char* path;
    const char* read;  // "" = refused
    const char* save;
  };
  const std::vector<Case> cases = {
      {"data.txt", "{P}/data.txt", "{S}data.txt"},
      {"sub\\x.txt", "{P}/sub/x.txt", "{S}sub/x.txt"},
      {"./a/../b.txt", "{P}/b.txt", "{S}b.txt"},
      {"{P}/abs.txt", "{P}/abs.txt", "{S}abs.txt"},
      {"{S}s.dat", "", "{S}s.dat"},
      {"{W}/w.txt", "{P}/w.txt", "{S}w.txt"},
      // A folder whose name merely begins like an allowed one is outside it.
      {"{P}x/f.txt", "", ""},
      {"{W}shop/f.txt", "", ""},
      {"{R}/data/TestGameX/f", "", ""},
      {"../../../../../../../../../etc/passwd", "", ""},
      {"/etc/passwd", "", ""},
      {"", "", ""},
  };
  for (const Case& c : cases) {
    std::string path = Expand(c.path, program, save, root);
    EXPECT_EQ(MapRead(path), Expand(c.read, program, save, root)) << "read " << path;
    EXPECT_EQ(MapSave(path), Expand(c.save, program, save, root)) << "save " << path;
  }
}

TEST_F(LoadSaveTest, RefusedSaveIsLoggedAndWritesNothing) {
  std::string outside = root + "/elsewhere.txt";
  EXPECT_EQ(MapSave(outside), "");
  EXPECT_EQ(log.text, "SavePrePend = " + save + "\nError! not allowing save with filename '" + outside + "'\n");
  EXPECT_FALSE(LoadSave_WriteFile(outside.c_str(), "x", 1));
  EXPECT_FALSE(PathExists(outside));
}

TEST_F(LoadSaveTest, SaveWhitelistAdmitsOutsidePathsAndWarnsOnRedirect) {
  std::string chosen = root + "/chosen/Export.TXT";
  LoadSave_AddToWhitelist(&g_pSaveWhitelist, chosen.c_str(), false);
  LoadSave_AddToWhitelist(&g_pSaveWhitelist, (program + "/local.txt").c_str(), false);
  Win32_GetSaveDirectory();
  log.text.clear();

  // Outside every place: the whitelist admits it as it stands, in any letter case, silently.
  EXPECT_EQ(MapSave(root + "/chosen/export.txt"), root + "/chosen/export.txt");
  EXPECT_EQ(log.text, "");
  // Under the current directory it is still redirected, with a warning.
  EXPECT_EQ(MapSave("local.txt"), save + "local.txt");
  EXPECT_EQ(log.text, "Warning! Save location - redirected to: '" + save + "local.txt'\n");

  ASSERT_TRUE(LoadSave_WriteFile((root + "/chosen/export.txt").c_str(), "ok", 2));
  EXPECT_EQ(ReadAll(root + "/chosen/export.txt"), "ok");
}

TEST_F(LoadSaveTest, ReadWhitelistAdmitsChosenFile) {
  std::string chosen = root + "/picked.png";
  EXPECT_EQ(MapRead(chosen), "");
  LoadSave_AddToWhitelist(&g_pReadWhitelist, chosen.c_str(), false);
  EXPECT_EQ(MapRead(chosen), chosen);
  EXPECT_EQ(MapSave(chosen), "");  // the read list gives no right to write
}

TEST(LoadSaveWhitelist, EntriesMatchAsTheirKindSays) {
  LoadSaveWhitelistEntry* list = nullptr;
  LoadSave_AddToWhitelist(&list, "/w/items", true);
  LoadSave_AddToWhitelist(&list, "/w/Save.txt", false);
  LoadSave_AddToWhitelist(&list, "\\x\\y\\", true);
  struct Case {
    const char* path;
    bool any;
    bool directory;
  };
  const std::vector<Case> cases = {
      {"/w/items/a.dat", true, true},   {"/w/items", true, true},      {"/w/items/../items/b", true, true},
      {"/w/itemsX/a", false, false},    {"/W/items/a", false, false},  {"/w/save.TXT", true, false},
      {"/w/Save.txt", true, false},     {"/w/Save.txt2", false, false}, {"/w/Save.tx", false, false},
      {"/x/y/z", true, true},           {"/x/yz", false, false},        {"", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LoadSave_IsWhitelisted(list, c.path), c.any) << c.path;
    EXPECT_EQ(LoadSave_IsWhitelistedDirectory(list, c.path), c.directory) << c.path;
  }
  EXPECT_FALSE(LoadSave_IsWhitelisted(nullptr, "/w/items/a"));
  LoadSave_FreeWhitelist(&list);
  EXPECT_EQ(list, nullptr);
}

TEST_F(LoadSaveTest, GameWithoutNameCannotWriteAnywhere) {
  MEM_FREE(game_project_name);
  game_project_name = nullptr;
  std::string outside = root + "/x.txt";
  LoadSave_AddToWhitelist(&g_pSaveWhitelist, outside.c_str(), false);
  EXPECT_STREQ(Win32_GetSaveDirectory(), "");
  EXPECT_EQ(MapSave("rel.txt"), "");
  EXPECT_EQ(MapSave(outside), "");
  EXPECT_EQ(log.text, "Error! not allowing save with filename '" + program + "/rel.txt'\n" +
                          "Error! not allowing save with filename '" + outside + "'\n");
  EXPECT_FALSE(LoadSave_WriteFile("rel.txt", "x", 1));
  // Reading from the program directory still works.
  EXPECT_EQ(MapRead("rel.txt"), program + "/rel.txt");
}

// The game's name is one folder inside the data folder; a name that would lead anywhere else
// leaves the game without a save area (said once in the log), and nothing is written.
TEST_F(LoadSaveTest, HostileGameNamesLeaveTheSaveAreaUnavailable) {
  for (const char* name : {"../x", "a/b", ".", "..", "", "a\\b", "../../../../../../../../x"}) {
    SCOPED_TRACE(name);
    MEM_FREE(game_project_name);
    game_project_name = TestStrDup(name);
    Win32_FreeSaveDirectory();
    log.text.clear();
    EXPECT_STREQ(Win32_GetSaveDirectory(), "");
    EXPECT_STREQ(Win32_GetSaveDirectory(), "");
    if (name[0] != '\0') {
      EXPECT_EQ(host_test::Count(log.text, "cannot name a save folder"), 1u) << log.text;
    }
    EXPECT_EQ(MapSave("f.txt"), "");
    EXPECT_FALSE(LoadSave_WriteFile("f.txt", "x", 1));
  }
  // Only the two folders the fixture made are there: nothing was created beside or above them.
  std::vector<std::string> entries;
  for (const auto& entry : std::filesystem::directory_iterator(root)) entries.push_back(entry.path().filename());
  std::sort(entries.begin(), entries.end());
  EXPECT_EQ(entries, (std::vector<std::string>{"data", "program"}));
  EXPECT_TRUE(std::filesystem::is_empty(saveRoot));
}

// A save prefix with ".." in it (as a launching game may hand over) is compared and joined in its
// normal form, so a path below the current directory stays below the prefix.
TEST_F(LoadSaveTest, SavePrefixIsNormalised) {
  Win32_SetSaveDirectory((saveRoot + "/TestGame/../Other/").c_str());
  EXPECT_EQ(MapSave("f.txt"), saveRoot + "/Other/f.txt");
  EXPECT_EQ(MapSave(saveRoot + "/Other/g.txt"), saveRoot + "/Other/g.txt");
  EXPECT_EQ(MapSave(saveRoot + "/TestGame/g.txt"), "");
}

TEST_F(LoadSaveTest, SaveDirectoryFollowsBaseDirectories) {
  struct Case {
    uint32_t flags;
    const char* data;    // XDG_DATA_HOME, null = unset
    const char* config;  // XDG_CONFIG_HOME
    std::string expected;
  };
  const std::string home = root + "/home";
  setenv("HOME", home.c_str(), 1);
  const std::vector<Case> cases = {
      {0, "/d", "/c", "/d/TestGame/"},
      {0x2000, "/d", "/c", "/c/TestGame/"},
      {0x2001, "/d/", "/c//", "/c/TestGame/"},
      {0, nullptr, "/c", home + "/.local/share/TestGame/"},
      {0x2000, "/d", nullptr, home + "/.config/TestGame/"},
      {0, "relative/dir", "/c", home + "/.local/share/TestGame/"},
  };
  for (const Case& c : cases) {
    if (c.data != nullptr) setenv("XDG_DATA_HOME", c.data, 1); else unsetenv("XDG_DATA_HOME");
    if (c.config != nullptr) setenv("XDG_CONFIG_HOME", c.config, 1); else unsetenv("XDG_CONFIG_HOME");
    g_GameHeader.headerFlags = c.flags;
    Win32_FreeSaveDirectory();
    log.text.clear();
    EXPECT_EQ(Win32_GetSaveDirectory(), c.expected);
    EXPECT_EQ(log.text, "SavePrePend = " + c.expected + "\n");
    // Kept once computed: a changed environment does not move it.
    setenv("XDG_DATA_HOME", "/elsewhere", 1);
    EXPECT_EQ(Win32_GetSaveDirectory(), c.expected);
  }
  // A relaunch hands its prefix over.
  Win32_SetSaveDirectory("/given/");
  EXPECT_STREQ(Win32_GetSaveDirectory(), "/given/");
}

TEST_F(LoadSaveTest, MappedPathThatDoesNotFitIsRefused) {
  char small[16];
  LoadSave_MapReadPath(small, sizeof small, "data.txt");
  EXPECT_STREQ(small, "");
  log.text.clear();
  LoadSave_MapSavePath(small, sizeof small, "data.txt");
  EXPECT_STREQ(small, "");
  EXPECT_NE(log.text.find("Error! not allowing save with filename '" + save + "data.txt'"), std::string::npos);
  char out[8] = "junk";
  LoadSave_MapReadPath(out, sizeof out, nullptr);
  EXPECT_STREQ(out, "");
}

TEST_F(LoadSaveTest, WholeFileHelpers) {
  WriteAll(program + "/empty.bin", "");
  int32_t size = -1;
  uint8_t* block = LoadSave_ReadFile((program + "/empty.bin").c_str(), &size);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(size, 0);
  EXPECT_GE(MemoryManager_BlockSize(block), 1u);
  MEM_FREE(block);

  EXPECT_EQ(LoadSave_ReadFile((program + "/missing").c_str(), &size), nullptr);
  EXPECT_EQ(LoadSave_ReadFile(program.c_str(), &size), nullptr);  // a directory is no file
  EXPECT_FALSE(LoadSave_FileExists(program.c_str()));
  EXPECT_TRUE(LoadSave_FileExists((program + "/empty.bin").c_str()));

  // Writes land in the save area, creating its missing folders.
  ASSERT_TRUE(LoadSave_WriteFile("slots\\one/game.sav", "\x01\x00\x02", 3));
  EXPECT_EQ(ReadAll(save + "slots/one/game.sav"), std::string("\x01\x00\x02", 3));
  EXPECT_TRUE(LoadSave_SaveFileExists("slots/one/game.sav"));
  EXPECT_FALSE(LoadSave_ProgramFileExists("slots/one/game.sav"));
  block = LoadSave_ReadSaveFile("slots/one/game.sav", &size);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), size), std::string("\x01\x00\x02", 3));
  MEM_FREE(block);

  WriteAll(program + "/shipped.txt", "from program");
  block = LoadSave_ReadProgramFile("shipped.txt", &size);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(block), size), "from program");
  MEM_FREE(block);

  EXPECT_TRUE(LoadSave_DeleteFile("slots/one/game.sav"));
  EXPECT_FALSE(PathExists(save + "slots/one/game.sav"));
  EXPECT_FALSE(LoadSave_DeleteFile("slots/one/game.sav"));
  EXPECT_FALSE(LoadSave_DeleteFile("slots"));  // a folder is not deleted as a file
}

TEST_F(LoadSaveTest, OpenModesReadAndWriteBack) {
  ASSERT_TRUE(File_CreateDirectoryTree(save.c_str()));
  WriteAll(program + "/both.txt", "program");
  WriteAll(save + "both.txt", "save area");
  WriteAll(save + "saved.txt", "only saved");

  auto contents = [](LoadSaveFile* f) {
    std::string out;
    while (!LoadSave_FEof(f)) out += static_cast<char>(LoadSave_FGetC(f));
    return out;
  };

  LoadSaveFile* f = LoadSave_FOpen("both.txt", "r");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(contents(f), "program");
  LoadSave_FClose(f);

  f = LoadSave_FOpen("saved.txt", "rb");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(contents(f), "only saved");
  LoadSave_FClose(f);
  EXPECT_EQ(ReadAll(save + "saved.txt"), "only saved");  // reading never writes back

  EXPECT_EQ(LoadSave_FOpen("missing.txt", "r"), nullptr);

  // "w" starts empty whatever exists; nothing reaches the disk before the close.
  f = LoadSave_FOpen("both.txt", "w");
  ASSERT_NE(f, nullptr);
  EXPECT_TRUE(LoadSave_FEof(f));
  EXPECT_EQ(LoadSave_FWrite("new", 1, 3, f), 3u);
  EXPECT_EQ(ReadAll(save + "both.txt"), "save area");
  LoadSave_FClose(f);
  EXPECT_EQ(ReadAll(save + "both.txt"), "new");
  EXPECT_EQ(ReadAll(program + "/both.txt"), "program");

  // "a" reads the program copy and appends; the result lands in the save area.
  WriteAll(program + "/log.txt", "abc");
  f = LoadSave_FOpen("log.txt", "a");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(LoadSave_FTell(f), 3);
  EXPECT_EQ(LoadSave_FWrite("de", 2, 1, f), 2u);
  LoadSave_FClose(f);
  EXPECT_EQ(ReadAll(save + "log.txt"), "abcde");
  EXPECT_EQ(ReadAll(program + "/log.txt"), "abc");

  // "r+" overwrites in place and keeps the rest.
  f = LoadSave_FOpen("log.txt", "r+");
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(LoadSave_FWrite("X", 1, 1, f), 1u);
  LoadSave_FClose(f);
  EXPECT_EQ(ReadAll(save + "log.txt"), "Xbc");
}

TEST_F(LoadSaveTest, TextModeSkipsByteOrderMark) {
  WriteAll(program + "/bom.txt", "\xEF\xBB\xBFhi\r\n");
  LoadSaveFile* t = LoadSave_FOpen("bom.txt", "rt");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(LoadSave_FTell(t), 3);
  EXPECT_EQ(LoadSave_FGetC(t), 'h');
  LoadSave_FClose(t);

  LoadSaveFile* b = LoadSave_FOpen("bom.txt", "rb");
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(LoadSave_FTell(b), 0);
  EXPECT_EQ(LoadSave_FGetC(b), 0xEF);
  LoadSave_FClose(b);

  WriteAll(program + "/short.txt", "\xEF\xBB");
  t = LoadSave_FOpen("short.txt", "rt");
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(LoadSave_FTell(t), 0);
  LoadSave_FClose(t);
}

TEST_F(LoadSaveTest, CharacterReadsAndSeeks) {
  WriteAll(program + "/lines.txt", "ab\r\nc");
  LoadSaveFile* f = LoadSave_FOpen("lines.txt", "r");
  ASSERT_NE(f, nullptr);
  EXPECT_FALSE(LoadSave_FEoln(f));
  EXPECT_EQ(LoadSave_FSeek(f, 2, 0), 2);
  EXPECT_TRUE(LoadSave_FEoln(f));

  struct Case {
    int64_t offset;
    int origin;
    int64_t expected;
  };
  const std::vector<Case> seeks = {{1, 0, 1}, {2, 1, 3}, {-1, 2, 4}, {0, 2, 5}, {9, 0, 5}, {-9, 1, 0}, {3, 7, 0}};
  for (const Case& c : seeks) EXPECT_EQ(LoadSave_FSeek(f, c.offset, c.origin), c.expected) << c.offset << "," << c.origin;

  LoadSave_FSeek(f, 0, 2);
  EXPECT_TRUE(LoadSave_FEof(f));
  EXPECT_TRUE(LoadSave_FEoln(f));
  EXPECT_EQ(LoadSave_FGetC(f), 0xFF);
  EXPECT_EQ(LoadSave_FTell(f), 6);  // the position still moves on
  char buf[8];
  EXPECT_EQ(LoadSave_FRead(buf, 1, sizeof buf, f), 0u);
  LoadSave_FSeek(f, 1, 0);
  EXPECT_EQ(LoadSave_FRead(buf, 2, 4, f), 4u);  // only what is left
  EXPECT_EQ(std::string(buf, 4), "b\r\nc");
  LoadSave_FClose(f);
}

TEST_F(LoadSaveTest, ReadRealParsesWithinTheData) {
  struct Case {
    const char* text;
    double value;
    int consumed;
  };
  const std::vector<Case> cases = {
      {"  12.5e2x", 1250.0, 8}, {"-0.25", -0.25, 5}, {"+7", 7.0, 2},       {"\t\n3.", 3.0, 4},
      {".5", 0.5, 2},           {"1e", 1.0, 1},      {"2E-1 9", 0.2, 4},   {"abc", 0.0, 0},
      {"   ", 0.0, 0},          {"-", 0.0, 0},       {"-.e5", 0.0, 0},     {"3.75", 3.75, 4},
  };
  for (const Case& c : cases) {
    WriteAll(program + "/n.txt", c.text);
    LoadSaveFile* f = LoadSave_FOpen("n.txt", "r");
    ASSERT_NE(f, nullptr);
    double v = -1;
    EXPECT_EQ(LoadSave_FReadReal(f, &v), c.consumed) << c.text;
    EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    EXPECT_EQ(LoadSave_FTell(f), c.consumed) << c.text;
    LoadSave_FClose(f);
  }
}

TEST_F(LoadSaveTest, PutsWritesCrLf) {
  struct Case {
    const char* text;
    const char* written;
  };
  const std::vector<Case> cases = {
      {"a\nb\r\nc", "a\r\nb\r\nc"}, {"\nx", "\r\nx"}, {"\r\n\n", "\r\n\r\n"}, {"", ""}, {"plain", "plain"}};
  for (const Case& c : cases) {
    LoadSaveFile* f = LoadSave_FOpen("out.txt", "w");
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(LoadSave_FPuts(f, c.text), std::strlen(c.written)) << c.text;
    LoadSave_FClose(f);
    EXPECT_EQ(ReadAll(save + "out.txt"), c.written);
  }
}

}  // namespace
