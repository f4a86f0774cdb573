#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "file_call.h"
#include "functions/lifecycle.h"
#include "host/command_line.h"

namespace file_test {
namespace {

class FileScriptTest : public FileFunctionsTest {
 protected:
  void TearDown() override {
    File_CloseAll();
    FileFunctionsTest::TearDown();
  }
  // A file in the save area, its directories created.
  void WriteSave(const std::string& name, const std::string& bytes) {
    ASSERT_TRUE(LoadSave_WriteFile(name.c_str(), bytes.data(), static_cast<int32_t>(bytes.size())));
  }
};

TEST_F(FileScriptTest, ThirtyOneTextHandlesThenTheLimitAndBinaryFilesHaveTheirOwn) {
  for (int i = 1; i <= 31; ++i) EXPECT_EQ(CallReal("file_text_open_from_string", {Text("x")}), i);
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(CallReal("file_text_open_write", {Text("more.txt")}), -1);
  EXPECT_EQ(TakeError(), "Cannot open another file (maximum exceeded).");
  for (int i = 1; i <= 31; ++i) EXPECT_EQ(CallReal("file_bin_open", {Text("b.bin"), Real(1)}), i);
  EXPECT_EQ(CallReal("file_bin_open", {Text("b.bin"), Real(1)}), -1);
  EXPECT_EQ(TakeError(), "Cannot open another file (maximum exceeded).");
  Call("file_text_close", {Real(5)});
  EXPECT_EQ(CallReal("file_text_open_from_string", {Text("y")}), 5);
}

TEST_F(FileScriptTest, ReadStringStopsAtTheLineEndAndReadlnTakesIt) {
  WriteAll(program + "/lines.txt", "ab\r\ncd");
  const double f = CallReal("file_text_open_read", {Text("lines.txt")});
  ASSERT_EQ(f, 1);
  EXPECT_EQ(CallText("file_text_read_string", {Real(f)}), "ab");
  EXPECT_EQ(CallReal("file_text_eoln", {Real(f)}), 1);
  EXPECT_EQ(CallText("file_text_readln", {Real(f)}), "\r\n");
  EXPECT_EQ(CallText("file_text_read_string", {Real(f)}), "cd");
  EXPECT_EQ(CallReal("file_text_eof", {Real(f)}), 1);
  EXPECT_EQ(CallText("file_text_readln", {Real(f)}), "");
  EXPECT_EQ(CallReal("file_text_eof", {Real(f)}), 1);
  Call("file_text_write_string", {Real(f), Text("no")});
  EXPECT_EQ(TakeError(), "File not opened for writing.");
  Call("file_text_close", {Real(f)});
  Call("file_text_eof", {Real(f)});
  EXPECT_EQ(TakeError(), "File is not opened for reading.");
  Call("file_text_close", {Real(40)});
  EXPECT_EQ(TakeError(), "Trying to close text file that has not been opened.");
  EXPECT_EQ(CallReal("file_text_open_read", {Text("missing.txt")}), -1);
  EXPECT_NE(log.text.find("ERROR!!! :: Failed to open file: missing.txt\n"), std::string::npos);
}

TEST_F(FileScriptTest, WrittenTextGoesToTheSaveAreaWithCrLfLineEnds) {
  const double f = CallReal("file_text_open_write", {Text("dir/out.txt")});
  ASSERT_GE(f, 1);
  Call("file_text_write_real", {Real(f), Real(1.5)});
  Call("file_text_write_string", {Real(f), Text("a\nb\r\n")});
  Call("file_text_writeln", {Real(f)});
  EXPECT_FALSE(PathExists(save + "dir/out.txt"));
  Call("file_text_close", {Real(f)});
  EXPECT_EQ(ReadAll(save + "dir/out.txt"), "1.5 a\r\nb\r\n\r\n");
  const double r = CallReal("file_text_open_read", {Text("dir/out.txt")});
  EXPECT_EQ(CallReal("file_text_read_real", {Real(r)}), 1.5);
}

// A path the save area refuses gives no handle: a handle that wrote nowhere would lose what the
// game writes without a word.
TEST_F(FileScriptTest, PathsTheSaveAreaRefusesOpenNothingForWriting) {
  const std::string outside = program + "/../refused_" + std::to_string(getpid()) + ".txt";
  EXPECT_EQ(CallReal("file_text_open_write", {Text(outside.c_str())}), -1);
  EXPECT_EQ(CallReal("file_text_open_append", {Text(outside.c_str())}), -1);
  EXPECT_EQ(CallReal("file_bin_open", {Text(outside.c_str()), Real(1)}), -1);
  EXPECT_NE(log.text.find("not allowing save"), std::string::npos) << log.text;
  EXPECT_NE(log.text.find("Failed to open file"), std::string::npos) << log.text;
  EXPECT_FALSE(PathExists(outside));
  // The handles were not taken: the next open gets the first.
  EXPECT_EQ(CallReal("file_text_open_write", {Text("fine.txt")}), 1);
}

TEST_F(FileScriptTest, ReadsTakeTheSaveAreaCopyOfAFileInBothPlaces) {
  WriteAll(program + "/both.txt", "program");
  WriteSave("both.txt", "save");
  const double f = CallReal("file_text_open_read", {Text("both.txt")});
  EXPECT_EQ(CallText("file_text_read_string", {Real(f)}), "save");
  const double b = CallReal("file_bin_open", {Text("both.txt"), Real(0)});
  EXPECT_EQ(CallReal("file_bin_read_byte", {Real(b)}), 's');
}

TEST_F(FileScriptTest, AppendCopiesTheProgramDirectorysFileIntoTheSaveAreaFirst) {
  WriteAll(program + "/log.txt", "first\r\n");
  const double f = CallReal("file_text_open_append", {Text("log.txt")});
  Call("file_text_write_string", {Real(f), Text("second")});
  Call("file_text_close", {Real(f)});
  EXPECT_EQ(ReadAll(save + "log.txt"), "first\r\nsecond");
  EXPECT_EQ(ReadAll(program + "/log.txt"), "first\r\n");
}

TEST_F(FileScriptTest, TextFilesOpenForWritingAreOnDiskAfterShutdown) {
  const double f = CallReal("file_text_open_write", {Text("left.txt")});
  Call("file_text_write_string", {Real(f), Text("kept")});
  const double b = CallReal("file_bin_open", {Text("left.bin"), Real(1)});
  Call("file_bin_write_byte", {Real(b), Real(0x141)});
  File_CloseAll();
  EXPECT_EQ(ReadAll(save + "left.txt"), "kept");
  EXPECT_EQ(ReadAll(save + "left.bin"), "A");
}

TEST_F(FileScriptTest, BinaryFilesReadWriteSeekAndReportTheirEnd) {
  const double w = CallReal("file_bin_open", {Text("data.bin"), Real(1)});
  for (int byte : {1, 2, 3}) Call("file_bin_write_byte", {Real(w), Real(byte)});
  Call("file_bin_read_byte", {Real(w)});
  EXPECT_EQ(TakeError(), "Error reading byte.");
  EXPECT_EQ(CallReal("file_bin_size", {Real(w)}), 3);
  Call("file_bin_close", {Real(w)});

  const double r = CallReal("file_bin_open", {Text("data.bin"), Real(0)});
  Call("file_bin_seek", {Real(r), Real(2)});
  EXPECT_EQ(CallReal("file_bin_position", {Real(r)}), 2);
  EXPECT_EQ(CallReal("file_bin_read_byte", {Real(r)}), 3);
  EXPECT_EQ(CallReal("file_bin_read_byte", {Real(r)}), 0);
  EXPECT_EQ(TakeError(), "Error reading byte.");
  Call("file_bin_write_byte", {Real(r), Real(9)});
  Call("file_bin_close", {Real(r)});
  EXPECT_EQ(ReadAll(save + "data.bin"), std::string("\x01\x02\x03"));

  const double rw = CallReal("file_bin_open", {Text("data.bin"), Real(2)});
  Call("file_bin_seek", {Real(rw), Real(1)});
  Call("file_bin_write_byte", {Real(rw), Real(7)});
  Call("file_bin_rewrite", {Real(rw)});
  Call("file_bin_write_byte", {Real(rw), Real(8)});
  Call("file_bin_close", {Real(rw)});
  EXPECT_EQ(ReadAll(save + "data.bin"), "\x08");
  EXPECT_EQ(TakeError(), "");

  Call("file_bin_close", {Real(rw)});
  EXPECT_EQ(TakeError(), "Trying to close unopened file.");
  Call("file_bin_position", {Real(0)});
  EXPECT_EQ(TakeError(), "File is not opened.");
  EXPECT_EQ(CallReal("file_bin_open", {Text("missing.bin"), Real(0)}), -1);
  EXPECT_NE(log.text.find("Error opening binary file missing.bin\n"), std::string::npos);
}

TEST_F(FileScriptTest, FindFirstListsDirectoriesOnlyWhenAsked) {
  WriteSave("find/a.txt", "a");
  ASSERT_EQ(mkdir((program + "/find").c_str(), 0777), 0);
  ASSERT_EQ(mkdir((program + "/find/sub").c_str(), 0777), 0);
  WriteAll(program + "/find/b.txt", "b");
  WriteAll(program + "/find/a.txt", "a");

  std::vector<std::string> files;
  for (std::string n = CallText("file_find_first", {Text("find/*"), Real(0)}); !n.empty();
       n = CallText("file_find_next")) {
    files.push_back(n);
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"a.txt", "b.txt"}));

  std::vector<std::string> all;
  for (std::string n = CallText("file_find_first", {Text("find/*"), Real(16)}); !n.empty();
       n = CallText("file_find_next")) {
    all.push_back(n);
  }
  std::sort(all.begin(), all.end());
  EXPECT_EQ(all, (std::vector<std::string>{"a.txt", "b.txt", "sub"}));
  Call("file_find_close");
  EXPECT_EQ(CallText("file_find_next"), "");
  EXPECT_EQ(CallText("file_find_first", {Text("find/*.none"), Real(0)}), "");
}

TEST_F(FileScriptTest, FilesAndDirectoriesOfTheSaveAreaChangeAndThoseOfTheProgramDirectoryStay) {
  WriteAll(program + "/only.txt", "p");
  EXPECT_EQ(CallReal("file_exists", {Text("only.txt")}), 1);
  EXPECT_EQ(CallReal("file_delete", {Text("only.txt")}), 0);
  EXPECT_TRUE(PathExists(program + "/only.txt"));

  WriteSave("mine.txt", "m");
  EXPECT_EQ(CallReal("file_rename", {Text("mine.txt"), Text("yours.txt")}), 1);
  EXPECT_EQ(CallReal("file_rename", {Text("only.txt"), Text("x.txt")}), 0);
  EXPECT_EQ(CallReal("file_copy", {Text("only.txt"), Text("copies/only.txt")}), 0);
  EXPECT_EQ(ReadAll(save + "copies/only.txt"), "p");
  EXPECT_EQ(CallReal("file_copy", {Text("none.txt"), Text("x.txt")}), -1);
  EXPECT_NE(log.text.find("Unable to open source file none.txt\n"), std::string::npos);
  EXPECT_EQ(CallReal("file_delete", {Text("yours.txt")}), 1);
  EXPECT_EQ(CallReal("file_exists", {Text("yours.txt")}), 0);

  EXPECT_EQ(CallReal("directory_create", {Text("d/e")}), 1);
  EXPECT_EQ(CallReal("directory_exists", {Text("d/e")}), 1);
  WriteSave("d/e/f.txt", "f");
  EXPECT_EQ(CallReal("file_attributes", {Text("d/e/f.txt")}), 0x20);
  EXPECT_EQ(CallReal("file_attributes", {Text("d")}), 0x10);
  Call("directory_destroy", {Text("d")});
  EXPECT_EQ(CallReal("directory_exists", {Text("d")}), 0);
  EXPECT_EQ(CallReal("file_attributes", {Text("d")}), 0);
}

TEST_F(FileScriptTest, FileNamesTakeTheirParts) {
  struct Case {
    const char* function;
    const char* name;
    const char* extension;
    const char* expected;
  } cases[] = {
      {"filename_change_ext", "a.txt", ".png", "a.png"},
      {"filename_change_ext", "a.txt", "png", "apng"},
      {"filename_change_ext", "readme", "png", "readme.png"},
      {"filename_change_ext", "readme", "", "readme"},
      {"filename_change_ext", "dir.d/readme", ".x", "dir.x"},
      {"filename_path", "x\\y.z", nullptr, "x\\"},
      {"filename_path", "a/b/c.d", nullptr, "a/b\\"},
      {"filename_path", "nowhere.z", nullptr, ""},
      {"filename_dir", "x\\y.z", nullptr, "x"},
      {"filename_name", "a\\b/c", nullptr, "b/c"},
      {"filename_name", "a/b", nullptr, "b"},
      {"filename_name", "plain", nullptr, "plain"},
      {"filename_ext", "a/b.tar.gz", nullptr, ".gz"},
  };
  for (const Case& c : cases) {
    std::vector<RValue> args{Text(c.name)};
    if (c.extension != nullptr) args.push_back(Text(c.extension));
    EXPECT_EQ(CallText(c.function, std::move(args)), c.expected) << c.function << " " << c.name;
  }
  WriteAll(program + "/here.txt", "h");
  EXPECT_EQ(CallText("filename_path", {Text("here.txt")}), program + "\\");
  EXPECT_EQ(TakeError(), "");
  Call("filename_path");
  EXPECT_EQ(TakeError(), "null string passed to filename_path");
}

TEST_F(FileScriptTest, TheLegacyFileEmulatesTextMode) {
  Call("file_open_write", {Text("legacy.txt")});
  Call("file_write_string", {Text("ab")});
  Call("file_writeln");
  Call("file_write_real", {Real(2.5)});
  Call("file_close");
  EXPECT_EQ(ReadAll(program + "/legacy.txt"), "ab\r\n    2.5000");

  Call("file_open_read", {Text("legacy.txt")});
  EXPECT_EQ(CallReal("file_eof"), 0);
  EXPECT_EQ(CallText("file_readln"), "ab\n");
  EXPECT_EQ(CallReal("file_read_real"), 2.5);
  EXPECT_EQ(CallReal("file_eof"), 1);
  Call("file_write_string", {Text("x")});
  EXPECT_EQ(TakeError(), "File not opened for writing.");
  Call("file_open_read", {Text("absent.txt")});
  Call("file_read_string");
  EXPECT_EQ(TakeError(), "File not opened for reading.");
  Call("file_open_write", {Text("")});
  EXPECT_EQ(TakeError(), "Error opening file for writing.");
  Call("file_open_append", {Text("")});
  EXPECT_EQ(TakeError(), "Error opening file for appending.");

  Call("file_open_append", {Text("legacy.txt")});
  Call("file_write_string", {Text("\nc")});
  Call("file_close");
  Call("file_open_read", {Text("legacy.txt")});
  EXPECT_EQ(CallText("file_read_string"), "ab");
  EXPECT_EQ(CallText("file_read_string"), "    2.5000");
  EXPECT_EQ(CallText("file_read_string"), "c");
}

TEST_F(FileScriptTest, ParametersAndTheEnvironment) {
  ASSERT_TRUE(Runner_ParseCommandLine("runner -game x.win"));
  EXPECT_EQ(CallReal("parameter_count"), Runner_ParameterCount());
  EXPECT_EQ(CallText("parameter_string", {Real(0)}), "runner");
  EXPECT_EQ(CallText("parameter_string", {Real(-1)}), "");
  EXPECT_EQ(CallText("parameter_string", {Real(99)}), "");
  setenv("TOLVARINE_FILE_TEST", "v\xC3\xA9", 1);
  EXPECT_EQ(CallText("environment_get_variable", {Text("TOLVARINE_FILE_TEST")}), "v\xC3\xA9");
  EXPECT_EQ(CallText("environment_get_variable", {Text("TOLVARINE_FILE_TEST_UNSET")}), "");
}

TEST(FileRegistrationTest, TheGroupHasItsSeventyTwoNamesInOrder) {
  Builtin_Shutdown();
  InitFileFunctions();
  ASSERT_EQ(g_BuiltinCount, 72);
  EXPECT_STREQ(g_BuiltinFunctions[0].name, "file_bin_open");
  EXPECT_STREQ(g_BuiltinFunctions[53].name, "parameter_string");
  EXPECT_STREQ(g_BuiltinFunctions[54].name, "ini_open");
  EXPECT_STREQ(g_BuiltinFunctions[65].name, "http_get");
  EXPECT_STREQ(g_BuiltinFunctions[71].name, "zip_unzip");
  // The INI names take exactly the arguments they read.
  const std::pair<const char*, int32_t> ini[] = {
      {"ini_open", 1},      {"ini_open_from_string", 1}, {"ini_close", 0},         {"ini_read_string", 3},
      {"ini_read_real", 3}, {"ini_write_string", 3},     {"ini_write_real", 3},    {"ini_key_exists", 2},
      {"ini_section_exists", 1}, {"ini_key_delete", 2},  {"ini_section_delete", 1}};
  for (size_t i = 0; i < std::size(ini); ++i) {
    EXPECT_STREQ(g_BuiltinFunctions[54 + i].name, ini[i].first);
    EXPECT_EQ(g_BuiltinFunctions[54 + i].argumentCount, ini[i].second) << ini[i].first;
  }
  Builtin_Shutdown();
}

}  // namespace
}  // namespace file_test
