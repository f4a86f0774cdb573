#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "core/runtime_random.h"
#include "host/host_fixture.h"

namespace {

using FileServicesTest = HostFilesTest;

std::string Take(char* text) {
  std::string out = text;
  MEM_FREE(text);
  return out;
}

// Waits for a file that a program started without waiting writes (each writes a temporary
// file and renames it, so the file appears complete).
std::string AwaitFile(const std::string& path) {
  for (int i = 0; i < 400 && !PathExists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(25));
  return ReadAll(path);
}

TEST(FilePaths, SplitsPaths) {
  struct Case {
    const char* path;
    const char* dir;
    const char* name;
    const char* ext;
    const char* drive;
  };
  const std::vector<Case> cases = {
      {"/a/b/c.txt", "/a/b", "c.txt", ".txt", ""},
      {"c.txt", "", "c.txt", ".txt", ""},
      {"/a", "/", "a", "", ""},
      {"C:\\games\\save.ini", "C:\\games", "save.ini", ".ini", "C:"},
      {"C:name.dat", "", "C:name.dat", ".dat", "C:"},
      {"dir.d/file", "dir.d", "file", "", ""},
      {"a\\b/c.tar.gz", "a\\b", "c.tar.gz", ".gz", ""},
      {"/a/b/", "/a/b", "", "", ""},
      {".hidden", "", ".hidden", ".hidden", ""},
      {"s\xC3\xA9/\xC3\xB1.t", "s\xC3\xA9", "\xC3\xB1.t", ".t", ""},
      {"", "", "", "", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Take(File_ExtractPath(c.path)), c.dir) << c.path;
    EXPECT_EQ(Take(File_ExtractName(c.path)), c.name) << c.path;
    EXPECT_EQ(Take(File_ExtractExt(c.path)), c.ext) << c.path;
    EXPECT_EQ(Take(File_ExtractDrive(c.path)), c.drive) << c.path;
  }
}

TEST(FilePaths, FindLastCharStepsOverWholeCharacters) {
  const char* text = "a\xC3\xB1" "b/\xC3\xA9/\xC3\xB1x";
  EXPECT_EQ(File_FindLastChar(text, 0xF1), text + 8);
  EXPECT_EQ(File_FindLastChar(text, '/'), text + 7);
  EXPECT_EQ(File_FindLastChar(text, 'a'), text);
  // 0xA9 is only the second byte of U+00E9 here, never a character of its own.
  EXPECT_EQ(File_FindLastChar(text, 0xA9), nullptr);
  EXPECT_EQ(File_FindLastChar(text, 'z'), nullptr);
  const char* euro = "x\xE2\x82\xAC";
  EXPECT_EQ(File_FindLastChar(euro, 0x20AC), euro + 1);
  EXPECT_EQ(File_FindLastChar(nullptr, 'a'), nullptr);
}

TEST(FilePaths, StripsOneTrailingSeparator) {
  struct Case {
    const char* in;
    const char* out;
  };
  const std::vector<Case> cases = {{"a\\", "a"}, {"a/", "a"}, {"ab//", "ab/"}, {"\\", "\\"}, {"/", "/"}, {"ab", "ab"}, {"", ""}};
  for (const Case& c : cases) {
    std::string text = c.in;
    EXPECT_STREQ(File_StripTrailingBackslash(text.data()), c.out) << c.in;
  }
}

TEST_F(FileServicesTest, CreatesTreesAndTellsFilesFromDirectories) {
  std::string deep = root + "/x/y/z/";
  EXPECT_TRUE(File_CreateDirectoryTree(deep.c_str()));
  EXPECT_TRUE(File_DirectoryExists((root + "/x/y/z").c_str()));
  EXPECT_TRUE(File_CreateDirectoryTree((root + "/x/y").c_str()));  // already there
  EXPECT_TRUE(File_CreateDirectoryTree((root + "/x/y/../w").c_str()));
  EXPECT_TRUE(File_DirectoryExists((root + "/x/w").c_str()));

  WriteAll(root + "/file", "f");
  EXPECT_FALSE(File_CreateDirectoryTree((root + "/file/sub").c_str()));
  EXPECT_FALSE(File_CreateDirectoryTree("rel"));
  EXPECT_FALSE(File_CreateDirectoryTree(""));
  EXPECT_FALSE(File_CreateDirectoryTree(nullptr));

  struct Case {
    std::string path;
    bool file;
    bool directory;
  };
  const std::vector<Case> cases = {
      {root + "/file", true, false}, {root + "/x", false, true}, {root + "/missing", false, false}, {"/dev/null", false, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(File_Exists(c.path.c_str()), c.file) << c.path;
    EXPECT_EQ(File_DirectoryExists(c.path.c_str()), c.directory) << c.path;
  }
  EXPECT_EQ(Take(File_GetCurrentDirectory()), program);
}

TEST_F(FileServicesTest, DeletesTreeWithReadOnlyEntriesWithoutFollowingLinks) {
  std::string tree = root + "/tree";
  ASSERT_TRUE(File_CreateDirectoryTree((tree + "/a/b").c_str()));
  ASSERT_TRUE(File_CreateDirectoryTree((tree + "/locked").c_str()));
  ASSERT_TRUE(File_CreateDirectoryTree((root + "/outside").c_str()));
  WriteAll(tree + "/a/b/ro.txt", "x");
  WriteAll(tree + "/locked/inner.txt", "y");
  WriteAll(tree + "/.hidden", "z");
  WriteAll(root + "/outside/keep.txt", "keep");
  ASSERT_EQ(chmod((tree + "/a/b/ro.txt").c_str(), 0444), 0);
  ASSERT_EQ(chmod((tree + "/locked").c_str(), 0555), 0);
  ASSERT_EQ(symlink((root + "/outside").c_str(), (tree + "/link").c_str()), 0);
  ASSERT_EQ(symlink("/nonexistent", (tree + "/dangling").c_str()), 0);

  EXPECT_TRUE(File_DeleteTree(tree.c_str()));
  EXPECT_FALSE(PathExists(tree));
  EXPECT_EQ(ReadAll(root + "/outside/keep.txt"), "keep");

  EXPECT_FALSE(File_DeleteTree((root + "/outside/keep.txt").c_str()));
  EXPECT_FALSE(File_DeleteTree((root + "/gone").c_str()));
  File_DeleteDirectory(nullptr);
  File_DeleteDirectory((root + "/outside").c_str());
  EXPECT_FALSE(PathExists(root + "/outside"));
}

TEST_F(FileServicesTest, TemporaryDirectoryIsMadeFreshAndRemoved) {
  setenv("TMPDIR", (root + "/tmpbase/").c_str(), 1);
  Runtime_SRand(7);
  int first = static_cast<int>(static_cast<double>(static_cast<float>(Runtime_Rand())) / 32767.0 * 100000.0);
  std::string taken = root + "/tmpbase/tl_ttt_" + std::to_string(first);
  ASSERT_TRUE(File_CreateDirectoryTree(taken.c_str()));
  WriteAll(taken + "/other.txt", "another run's");

  Runtime_SRand(7);
  File_CreateTempDirectory();
  std::string temp = File_GetTempDirectory();
  EXPECT_NE(temp, taken);  // the name in use is skipped
  EXPECT_EQ(temp.rfind(root + "/tmpbase/tl_ttt_", 0), 0u) << temp;
  int n = std::stoi(temp.substr(temp.rfind('_') + 1));
  EXPECT_GE(n, 0);
  EXPECT_LE(n, 100000);
  ASSERT_TRUE(File_DirectoryExists(temp.c_str()));
  ASSERT_TRUE(File_CreateDirectoryTree((temp + "/sub").c_str()));
  WriteAll(temp + "/sub/f.txt", "f");

  File_DeleteTempDirectory();
  EXPECT_FALSE(PathExists(temp));
  EXPECT_STREQ(File_GetTempDirectory(), "");
  EXPECT_EQ(ReadAll(taken + "/other.txt"), "another run's");
}

int g_pumps = 0;
void CountPump() { ++g_pumps; }

TEST_F(FileServicesTest, ExecuteProgramWaitsWhilePumpingMessages) {
  g_pumps = 0;
  Win32_SetPumpMessagesHook(&CountPump);
  std::string work = root + "/work dir";
  ASSERT_TRUE(File_CreateDirectoryTree(work.c_str()));
  EXPECT_TRUE(File_ExecuteProgram("/bin/sh", "-c \"sleep 0.2; pwd > out.txt; echo $# >> out.txt\" x a \"b c\"",
                                  work.c_str(), true));
  Win32_SetPumpMessagesHook(nullptr);
  EXPECT_EQ(ReadAll(work + "/out.txt"), work + "\n2\n");
  EXPECT_GE(g_pumps, 2);

  EXPECT_TRUE(File_ExecuteProgram("sh", "-c \"echo hi > bare.tmp && mv bare.tmp bare.txt\"", nullptr, false));  // found on PATH
  EXPECT_EQ(AwaitFile(program + "/bare.txt"), "hi\n");

  EXPECT_FALSE(File_ExecuteProgram(nullptr, "", nullptr, true));
  EXPECT_FALSE(File_ExecuteProgram((root + "/no-such-program").c_str(), nullptr, nullptr, true));
  EXPECT_FALSE(File_ExecuteProgram("/bin/sh", "-c true", (root + "/no-such-dir").c_str(), true));
}

TEST_F(FileServicesTest, ShellExecuteHandsTheTargetOverAsOneArgument) {
  // An opener of our own records what it was given.
  std::string bin = root + "/bin";
  ASSERT_TRUE(File_CreateDirectoryTree(bin.c_str()));
  std::string record = root + "/opened.txt";
  WriteAll(bin + "/xdg-open", "#!/bin/sh\nfor a in \"$@\"; do printf '[%s]' \"$a\"; done > '" + record + ".tmp'\nmv '" +
                                  record + ".tmp' '" + record + "'\n");
  ASSERT_EQ(chmod((bin + "/xdg-open").c_str(), 0755), 0);
  std::string oldPath = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  setenv("PATH", (bin + ":" + oldPath).c_str(), 1);

  struct Case {
    const char* target;
    const char* parameters;
    const char* seen;
  };
  const std::vector<Case> cases = {
      {"doc; touch pwned $(touch pwned2).txt", "ignored", "[doc; touch pwned $(touch pwned2).txt]"},
      {"https://example.invalid/a?b=1&c=2", nullptr, "[https://example.invalid/a?b=1&c=2]"},
      {"--help", nullptr, "[./--help]"},
  };
  for (const Case& c : cases) {
    unlink(record.c_str());
    EXPECT_TRUE(File_ShellExecute(c.target, c.parameters, program.c_str())) << c.target;
    EXPECT_EQ(AwaitFile(record), c.seen) << c.target;
  }
  EXPECT_FALSE(PathExists(program + "/pwned"));
  EXPECT_FALSE(PathExists(program + "/pwned2"));

  // An executable file is started itself, with the parameters.
  unlink(record.c_str());
  WriteAll(program + "/tool.sh",
           "#!/bin/sh\nprintf '%s|' \"$@\" > '" + record + ".tmp'\nmv '" + record + ".tmp' '" + record + "'\n");
  ASSERT_EQ(chmod((program + "/tool.sh").c_str(), 0755), 0);
  EXPECT_TRUE(File_ShellExecute("tool.sh", "one \"two three\"", program.c_str()));
  EXPECT_EQ(AwaitFile(record), "one|two three|");
  // The parameters are cut by the command line's own rule: backslashes before a quote pair up,
  // an odd one makes the quote text, and any byte up to 0x20 separates.
  unlink(record.c_str());
  EXPECT_TRUE(File_ShellExecute("tool.sh", "a\\\"b \"c d\\\\\" e\\f\vg \"\"", program.c_str()));
  EXPECT_EQ(AwaitFile(record), "a\"b|c d\\|e\\f|g||");

  setenv("PATH", "/nonexistent", 1);
  EXPECT_FALSE(File_ShellExecute("doc.txt", nullptr, program.c_str()));  // no opener at all
  setenv("PATH", oldPath.c_str(), 1);
  EXPECT_FALSE(File_ShellExecute("", nullptr, nullptr));
  EXPECT_FALSE(File_ShellExecute(nullptr, nullptr, nullptr));
}

}  // namespace
