// zip_unzip: archives written with libzip, unpacked into the save area from files and buffers.
#include "functions/zip_archive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "file_call.h"

namespace file_test {
namespace {

struct Entry {
  std::string name;
  std::string bytes;
  bool folder = false;
  bool symlink = false;
};

// A new archive at the path holding the entries in order.
void WriteZip(const std::string& path, const std::vector<Entry>& entries) {
  int error = 0;
  zip_t* z = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
  ASSERT_NE(z, nullptr);
  for (const Entry& e : entries) {
    zip_int64_t index = 0;
    if (e.folder) {
      index = zip_dir_add(z, e.name.c_str(), ZIP_FL_ENC_RAW);
    } else {
      zip_source_t* s = zip_source_buffer(z, e.bytes.data(), e.bytes.size(), 0);
      index = zip_file_add(z, e.name.c_str(), s, ZIP_FL_ENC_RAW);
    }
    ASSERT_GE(index, 0) << e.name;
    if (e.symlink) {
      zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                       static_cast<zip_uint32_t>(0120777) << 16);
    }
  }
  ASSERT_EQ(zip_close(z), 0);
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<missing>";
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

class ZipTest : public FileFunctionsTest {
 protected:
  void SetUp() override {
    FileFunctionsTest::SetUp();
    ASSERT_EQ(mkdir(save.c_str(), 0777), 0);
  }
  double Unzip(const char* archive, const char* folder) {
    return CallReal("zip_unzip", {Text(archive), Text(folder)});
  }
};

TEST_F(ZipTest, FoldersComeWithTheirFilesAndNamesAreStoredOnRequest) {
  WriteZip(save + "a.zip", {{"dir/", "", true}, {"dir/f.txt", "inside"}, {"top.txt", "top"}});
  EXPECT_EQ(Unzip("a.zip", "out"), 3);
  EXPECT_EQ(ReadAll(save + "out/dir/f.txt"), "inside");
  EXPECT_EQ(ReadAll(save + "out/top.txt"), "top");

  char names[2][12] = {};
  EXPECT_EQ(Command_Unzip((save + "a.zip").c_str(), "/d", 2, 12, &names[0][0]), 3);
  EXPECT_STREQ(names[0], "/d/dir/");
  EXPECT_STREQ(names[1], "/d/dir/f.tx");  // cut to the stride
}

TEST_F(ZipTest, AMissingArchiveGivesZeroAndALine) {
  EXPECT_EQ(Unzip("none.zip", "out"), 0);
  EXPECT_NE(log.text.find("Unable to open " + save + "none.zip for decompression"), std::string::npos) << log.text;
  // Bytes that are not an archive, and a folder, do not open either.
  std::ofstream(save + "junk.zip") << "PK not really";
  EXPECT_EQ(Unzip("junk.zip", "out"), 0);
  ASSERT_EQ(mkdir((save + "folder.zip").c_str(), 0777), 0);
  EXPECT_EQ(Unzip("folder.zip", "out"), 0);
}

TEST_F(ZipTest, AnEntryThatCannotBeWrittenStillCounts) {
  WriteZip(save + "b.zip", {{"a", "1"}, {"b", "2"}, {"b/c", "3"}});
  EXPECT_EQ(Unzip("b.zip", "out"), 3);
  EXPECT_EQ(ReadAll(save + "out/a"), "1");
  EXPECT_EQ(ReadAll(save + "out/b"), "2");
  EXPECT_NE(log.text.find("UNZIP: Failed to write compressed file entry :o"), std::string::npos);
}

TEST_F(ZipTest, CaseTwinsGetTheirOwnBytes) {
  WriteZip(save + "c.zip", {{"Read.me", "upper"}, {"read.me", "lower"}});
  EXPECT_EQ(Unzip("c.zip", "out"), 2);
  EXPECT_EQ(ReadAll(save + "out/Read.me"), "upper");
  EXPECT_EQ(ReadAll(save + "out/read.me"), "lower");
}

// Entries that would land outside the destination are skipped, and still counted.
TEST_F(ZipTest, EntriesEscapingTheDestinationWriteNothing) {
  WriteZip(save + "evil.zip", {{"../x", "up"},
                               {"/tmp/zip_abs_escape", "abs"},
                               {"ok/../../y", "up2"},
                               {"..\\z", "back"},
                               {"C:/w", "drive"},
                               {"link", "/etc/passwd", false, true},
                               {"fine", "ok"}});
  EXPECT_EQ(Unzip("evil.zip", "out/in"), 7);
  EXPECT_FALSE(Exists(save + "out/x"));
  EXPECT_FALSE(Exists(save + "out/y"));
  EXPECT_FALSE(Exists(save + "out/z"));
  EXPECT_FALSE(Exists(save + "out/in/link"));
  EXPECT_FALSE(Exists("/tmp/zip_abs_escape"));
  EXPECT_FALSE(Exists(save + "out/in/tmp/zip_abs_escape"));
  EXPECT_EQ(ReadAll(save + "out/in/fine"), "ok");

  const std::pair<const char*, bool> names[] = {
      {"a/b", true}, {"..a", true}, {"a..", true}, {"a/../b", false}, {"..", false},
      {"/a", false}, {"\\a", false}, {"c:x", false}, {"", false}, {"a\\..\\b", false},
  };
  for (const auto& [name, safe] : names) EXPECT_EQ(Zip_EntryNameIsSafe(name), safe) << name;
}

// An entry whose stated size passes the bound is not read: the central directory is forged to
// claim almost 4 GiB for a one-byte entry.
TEST_F(ZipTest, AnEntryStatedTooLargeIsSkipped) {
  WriteZip(save + "big.zip", {{"huge", "h"}, {"small", "s"}});
  std::string bytes = ReadAll(save + "big.zip");
  const size_t central = bytes.find("PK\x01\x02");
  ASSERT_NE(central, std::string::npos);
  for (int i = 0; i < 4; ++i) bytes[central + 24 + i] = static_cast<char>(0xF0);  // uncompressed size
  std::ofstream(save + "big.zip", std::ios::binary | std::ios::trunc) << bytes;
  EXPECT_EQ(Unzip("big.zip", "out"), 2);
  EXPECT_FALSE(Exists(save + "out/huge"));
  EXPECT_EQ(ReadAll(save + "out/small"), "s");
  EXPECT_NE(log.text.find("UNZIP: Failed to write compressed file entry :o"), std::string::npos);
}

TEST_F(ZipTest, AnArchiveHeldInABufferUnpacksAlike) {
  WriteZip(save + "m.zip", {{"dir/", "", true}, {"dir/f.txt", "inside"}, {"../x", "no"}});
  const std::string bytes = ReadAll(save + "m.zip");
  Buffer_Standard buffer(static_cast<int32_t>(bytes.size()), eBuffer_Format_Fixed, 1);
  std::memcpy(buffer.GetData(), bytes.data(), bytes.size());
  const std::string out = save + "fromBuffer";
  EXPECT_EQ(Command_UnzipBuffer(&buffer, out.c_str(), 0, 0, nullptr), 3);
  EXPECT_EQ(ReadAll(out + "/dir/f.txt"), "inside");
  EXPECT_FALSE(Exists(save + "x"));

  Buffer_Standard junk(8, eBuffer_Format_Fixed, 1);
  EXPECT_EQ(Command_UnzipBuffer(&junk, out.c_str(), 0, 0, nullptr), 0);
  EXPECT_EQ(Command_UnzipBuffer(nullptr, out.c_str(), 0, 0, nullptr), 0);
}

}  // namespace
}  // namespace file_test
