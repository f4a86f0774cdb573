#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "io/program.h"
#include "host/host_test_support.h"

namespace {

using host_test::Exists;
using host_test::MakeScratchDir;
using host_test::ReadFile;
using host_test::WriteFile;

TEST(AtFilesTest, UnpacksOnlySoundNames) {
  const std::string dir = MakeScratchDir("program");
  const struct {
    const char* name;
    const char* movedTo;  // null: left alone
  } cases[] = {
      {"saves@slot@one", "saves/slot/one"},
      {"cfg@settings.ini", "cfg/settings.ini"},
      {"plain.txt", nullptr},
      {"@leading", nullptr},
      {"trailing@", nullptr},
      {"a@@b", nullptr},
      {"a@.@b", nullptr},
      {"a@..@b", nullptr},
      {"..@escape", nullptr},
      {".hidden@file", nullptr},
  };
  for (const auto& c : cases) WriteFile(dir + "/" + c.name, c.name);

  // Read-only files and directories stay; so does a file whose target already exists.
  WriteFile(dir + "/locked@file", "locked");
  chmod((dir + "/locked@file").c_str(), 0444);
  std::filesystem::create_directory(dir + "/dir@name");
  WriteFile(dir + "/keep/existing", "old");
  WriteFile(dir + "/keep@existing", "new");
  // A regular file where a directory would be needed stops the move.
  WriteFile(dir + "/blocker", "file");
  WriteFile(dir + "/blocker@inner", "inner");
  // A link to elsewhere must not carry the file out of the directory.
  const std::string outside = MakeScratchDir("outside");
  std::filesystem::create_directory_symlink(outside, dir + "/link");
  WriteFile(dir + "/link@escaped", "escaped");

  Win32_MoveAtFilesIn(dir.c_str());

  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.movedTo != nullptr) {
      EXPECT_FALSE(Exists(dir + "/" + c.name));
      EXPECT_EQ(ReadFile(dir + "/" + c.movedTo), c.name);
    } else {
      EXPECT_EQ(ReadFile(dir + "/" + c.name), c.name);
    }
  }
  EXPECT_TRUE(Exists(dir + "/locked@file"));
  EXPECT_FALSE(Exists(dir + "/locked"));
  EXPECT_TRUE(std::filesystem::is_directory(dir + "/dir@name"));
  EXPECT_FALSE(Exists(dir + "/dir"));
  EXPECT_EQ(ReadFile(dir + "/keep/existing"), "old");
  EXPECT_EQ(ReadFile(dir + "/keep@existing"), "new");
  EXPECT_EQ(ReadFile(dir + "/blocker"), "file");
  EXPECT_TRUE(Exists(dir + "/blocker@inner"));
  EXPECT_TRUE(Exists(dir + "/link@escaped"));
  EXPECT_FALSE(Exists(outside + "/escaped"));
}

TEST(AtFilesTest, MoveAtFileReportsWhetherItMoved) {
  const std::string dir = MakeScratchDir("program");
  WriteFile(dir + "/a@b", "x");
  EXPECT_TRUE(Win32_MoveAtFile(dir.c_str(), "a@b"));
  EXPECT_FALSE(Win32_MoveAtFile(dir.c_str(), "a@b"));  // gone now
  EXPECT_FALSE(Win32_MoveAtFile(dir.c_str(), "missing@file"));
  EXPECT_FALSE(Win32_MoveAtFile((dir + "/nowhere").c_str(), "a@b"));
  EXPECT_EQ(ReadFile(dir + "/a/b"), "x");
}

}  // namespace
