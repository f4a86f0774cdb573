// The directory search behind file_find_first and file_attributes, in a scratch directory.
#include "io/file_search.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

#include "io/file_find.h"
#include "host/host_test_support.h"

namespace {

using host_test::MakeScratchDir;
using host_test::WriteFile;
using Names = std::vector<std::string>;

TEST(FileSearchTest, NamesMatchWithoutLetterCaseAndWithTheDesktopDotRules) {
  const struct {
    const char* pattern;
    const char* name;
    bool match;
  } cases[] = {
      {"*.*", "readme", true},        {"*.*", ".hidden", true},        {"*.txt", "B.TXT", true},
      {"*.TXT", "a.txt", true},       {"*.txt", "a.txt.bak", false},   {"save.*", "save", true},
      {"save.*", "SAVE.dat", true},   {"save.*", "saved", false},      {"*", ".hidden", true},
      {"?.txt", "a.txt", true},       {"?.txt", "ab.txt", false},      {"a*", ".a", false},
      {"[ab].txt", "B.txt", true},    {"a\\b", "a\\b", true},          {"*.dat", "dat", false},
      {"slot?.*", "slot1", true},     {"", "a", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileSearch_Match(c.pattern, c.name), c.match) << c.pattern << " / " << c.name;
  }
}

class FileFindTest : public testing::Test {
 protected:
  void SetUp() override {
    save = MakeScratchDir("save");
    program = MakeScratchDir("program");
    for (const char* name : {"a.txt", "B.TXT", "readme", ".hidden", "ro.dat", "notes.txt.bak"}) {
      WriteFile(save + "/" + name, "x");
    }
    chmod((save + "/ro.dat").c_str(), 0444);
    mkdir((save + "/sub").c_str(), 0777);
    mkdir((save + "/.cache").c_str(), 0777);
    for (const char* name : {"a.txt", "c.txt", "prog_only"}) WriteFile(program + "/" + name, "y");
  }

  Names Find(const std::string& first, const char* second, double attributes) {
    FileFindList list;
    Win32_FindFiles(&list, first.c_str(), second, attributes);
    return list.names;
  }

  std::string save, program;
};

TEST_F(FileFindTest, AttributeMaskChoosesTheEntries) {
  const Names files = {".hidden", "a.txt", "B.TXT", "notes.txt.bak", "readme", "ro.dat"};
  const Names everything = {".cache", ".hidden", "a.txt", "B.TXT", "notes.txt.bak", "readme", "ro.dat", "sub"};
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    const char* name;
    double attributes;
    Names names;
  } cases[] = {
      {"none: files only", 0, files},
      {"directory: directories and every file", fa_directory, everything},
      {"directory, fraction dropped", 16.9, everything},
      {"read-only: read-only files only", fa_readonly, {"ro.dat"}},
      {"read-only and directory", fa_readonly | fa_directory, {".cache", "ro.dat", "sub"}},
      {"hidden", fa_hidden, {".hidden"}},
      {"archive: regular files", fa_archive, files},
      {"system: nothing here", fa_sysfile, {}},
      {"not a number", nan, files},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Find(save + "/*", nullptr, c.attributes), c.names);
  }
}

TEST_F(FileFindTest, BothMasksAddEachNameOnce) {
  EXPECT_EQ(Find(save + "/*.txt", (program + "/*.TXT").c_str(), 0), (Names{"a.txt", "B.TXT", "c.txt"}));
  EXPECT_EQ(Find(save + "/nothing*", (program + "/prog_*").c_str(), 0), (Names{"prog_only"}));
  EXPECT_EQ(Find(save + "/missing/*", "", 0), Names{});
  EXPECT_EQ(Find(save + "/", nullptr, fa_directory), Names{});
  EXPECT_EQ(Find(save + "/*.*", nullptr, 0).size(), 6u);

  // Names already in the list stay where they are.
  FileFindList list;
  FileFind_AddName(&list, "readme");
  Win32_FindFiles(&list, (save + "/*").c_str(), nullptr, 0);
  EXPECT_EQ(list.names.front(), "readme");
  EXPECT_EQ(list.names.size(), 6u);
}

TEST_F(FileFindTest, AttributesOfTheFirstMatch) {
  const struct {
    std::string path;
    int32_t attributes;
  } cases[] = {
      {save + "/a.txt", fa_archive},
      {save + "/A.TXT", fa_archive},
      {save + "/ro.dat", fa_archive | fa_readonly},
      {save + "/.hidden", fa_archive | fa_hidden},
      {save + "/sub", fa_directory},
      {save + "/.cache", fa_directory | fa_hidden},
      {save + "/*.dat", fa_archive | fa_readonly},
      {save + "/missing", 0},
      {save + "/sub/", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Win32_GetFileAttributes(c.path.c_str()), c.attributes) << c.path;
  EXPECT_EQ(Win32_GetFileAttributes(nullptr), 0);
}

}  // namespace
