#include "io/stream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "host/host_fixture.h"

namespace {

std::string Bytes(const CStream& s, int64_t n) {
  return std::string(reinterpret_cast<const char*>(s.GetBuffer()), static_cast<size_t>(n));
}

std::string Take(char* text) {
  std::string out = text != nullptr ? text : "<null>";
  MEM_FREE(text);
  return out;
}

TEST(Stream, TypedWritesAndReadsRoundTrip) {
  CStream s;
  s.WriteInteger(-2);
  s.WriteReal(3.5);
  s.WriteString("h\xC3\xA9llo");
  s.WriteString(nullptr);
  s.WriteString("");
  s.WriteInteger(INT_MIN);
  EXPECT_EQ(s.GetPosition(), 4 + 8 + 4 + 6 + 4 + 4 + 4);
  EXPECT_EQ(Bytes(s, 12), std::string("\xFE\xFF\xFF\xFF\x00\x00\x00\x00\x00\x00\x0C\x40", 12));

  s.SetPosition(0);
  EXPECT_EQ(s.ReadInteger(), -2);
  EXPECT_EQ(s.ReadReal(), 3.5);
  char* text = nullptr;
  EXPECT_EQ(s.ReadString(&text), 6);
  EXPECT_EQ(Take(text), "h\xC3\xA9llo");
  for (int i = 0; i < 2; ++i) {
    int32_t before = s.GetPosition();
    text = reinterpret_cast<char*>(1);
    EXPECT_EQ(s.ReadString(&text), 0);
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(s.GetPosition(), before + 4);
  }
  EXPECT_EQ(s.ReadInteger(), INT_MIN);
}

TEST(Stream, ShortDataReadsAsZeroWithoutMoving) {
  CStream s;
  s.Write("\x01\x02\x03\x04\x05\x06\x07", 7);
  s.SetPosition(4);
  EXPECT_EQ(s.ReadInteger(), 0);  // 3 bytes left
  EXPECT_EQ(s.GetPosition(), 4);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadReal(), 0.0);  // 7 bytes left
  EXPECT_EQ(s.GetPosition(), 0);
  char buf[16];
  s.SetPosition(5);
  EXPECT_EQ(s.Read(buf, 16), 2);
  EXPECT_EQ(s.Read(buf, 16), 0);
  EXPECT_EQ(s.Read(nullptr, 16), 0);
  s.SetPosition(0);
  EXPECT_EQ(s.ReadData(buf, -5), 0);

  // Fewer than 4 bytes for a string length: no string, position at the end.
  s.SetPosition(5);
  char* text = reinterpret_cast<char*>(1);
  EXPECT_EQ(s.ReadString(&text), 0);
  EXPECT_EQ(text, nullptr);
  EXPECT_EQ(s.GetPosition(), 7);
}

TEST(Stream, StoredStringLengthsAreCutToTheData) {
  struct Case {
    int32_t length;
    std::string tail;
    const char* expected;  // "<null>" for none
    int32_t count;
  };
  const std::vector<Case> cases = {{0x7FFFFFFF, "abc", "abc", 3}, {5, "abc", "abc", 3}, {2, "abc", "ab", 2},
                                   {-1, "abc", "<null>", 0},      {INT_MIN, "", "<null>", 0}, {3, "", "", 0}};
  for (const Case& c : cases) {
    CStream s(4 + static_cast<int64_t>(c.tail.size()));  // exactly the bytes written, no spare room
    s.WriteInteger(c.length);
    s.Write(c.tail.data(), static_cast<int64_t>(c.tail.size()));
    s.SetPosition(0);
    char* text = nullptr;
    EXPECT_EQ(s.ReadString(&text), c.count) << c.length;
    EXPECT_EQ(Take(text), c.expected) << c.length;
    EXPECT_EQ(s.GetPosition(), 4 + c.count) << c.length;
  }
}

TEST(Stream, GrowsByDoubling) {
  CStream s;
  std::vector<int32_t> sizes;
  for (int i = 0; i < 5; ++i) {
    s.Write("x", 1);
    sizes.push_back(s.GetSize());
  }
  EXPECT_EQ(sizes, (std::vector<int32_t>{1, 2, 4, 4, 8}));
  s.Write(std::string(100, 'y').data(), 100);  // a large write takes what it needs
  EXPECT_EQ(s.GetSize(), 105);
  s.WriteInteger(1);
  EXPECT_EQ(s.GetSize(), 210);
  EXPECT_EQ(s.Write("z", 0), 0);
  EXPECT_EQ(s.Write(nullptr, 4), 0);

  CStream sized(16);
  EXPECT_EQ(sized.GetSize(), 16);
  EXPECT_EQ(Bytes(sized, 16), std::string(16, '\0'));
}

TEST(Stream, SeekStaysInside) {
  CStream s(10);
  struct Case {
    int64_t offset;
    int16_t origin;
    int64_t expected;
  };
  const std::vector<Case> cases = {{4, 0, 4}, {3, 1, 7}, {0, 2, 10}, {-4, 2, 6}, {-20, 1, 0},
                                   {-1, 0, 0}, {99, 0, 10}, {5, 2, 10}, {2, 0, 2}, {7, 3, 2}};
  for (const Case& c : cases) EXPECT_EQ(s.Seek(c.offset, c.origin), c.expected) << c.offset << "," << c.origin;
}

TEST(Stream, HexText) {
  CStream s(16);
  s.WriteInteger(static_cast<int32_t>(0xEFBEADDE));
  char* hex = nullptr;
  EXPECT_EQ(s.ToHex(&hex), 4);
  EXPECT_EQ(Take(hex), "DEADBEEF");  // only what lies before the position

  CStream empty(8);
  hex = reinterpret_cast<char*>(1);
  EXPECT_EQ(empty.ToHex(&hex), 0);
  EXPECT_EQ(hex, nullptr);

  struct Case {
    const char* text;
    std::string bytes;
  };
  const std::vector<Case> cases = {
      {"0a1B", std::string("\x0A\x1B", 2)},
      {"0a1", std::string("\x0A", 1)},
      {"FFff00", std::string("\xFF\xFF\x00", 3)},
      {"zz", ""},
  };
  for (const Case& c : cases) {
    CStream t;
    t.WriteInteger(12345);
    t.FromHex(c.text);
    EXPECT_EQ(t.GetPosition(), 0) << c.text;
    EXPECT_EQ(t.GetSize(), static_cast<int32_t>(c.bytes.size())) << c.text;
    EXPECT_EQ(Bytes(t, t.GetSize()), c.bytes) << c.text;
  }
  CStream keep;
  keep.WriteInteger(7);
  keep.FromHex("");
  EXPECT_EQ(keep.GetPosition(), 4);  // an empty text changes nothing

  CStream all;
  for (int b = 0; b < 256; ++b) {
    uint8_t v = static_cast<uint8_t>(b);
    all.Write(&v, 1);
  }
  ASSERT_EQ(all.ToHex(&hex), 256);
  CStream back;
  back.FromHex(hex);
  MEM_FREE(hex);
  ASSERT_EQ(back.GetSize(), 256);
  EXPECT_EQ(std::memcmp(back.GetBuffer(), all.GetBuffer(), 256), 0);
}

std::string Sample(size_t n) {
  std::string out;
  uint32_t x = 12345;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1664525u + 1013904223u;
    out += static_cast<char>("abcdefgh\n"[(x >> 24) % 9]);
  }
  return out;
}

std::string Compress(const std::string& data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
                      data.size(), 9),
            Z_OK);
  out.resize(size);
  return out;
}

TEST(Stream, InflateRoundTrip) {
  const std::string original = Sample(100000);
  const std::string packed = Compress(original);
  CStream source;
  source.Write(packed.data(), static_cast<int64_t>(packed.size()));
  source.SetPosition(0);
  CStream out;
  EXPECT_EQ(CStream::Inflate(&out, &source), 0);
  ASSERT_EQ(out.GetPosition(), static_cast<int32_t>(original.size()));
  EXPECT_EQ(Bytes(out, out.GetPosition()), original);

  // Framed: length, compressed bytes, then whatever follows.
  CStream framed;
  framed.WriteInteger(static_cast<int32_t>(packed.size()));
  framed.Write(packed.data(), static_cast<int64_t>(packed.size()));
  framed.WriteInteger(77);
  framed.SetPosition(0);
  CStream* result = framed.ZDecompressStream();
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(result->GetPosition(), 0);
  ASSERT_EQ(result->GetSize(), static_cast<int32_t>(original.size()));
  EXPECT_EQ(Bytes(*result, result->GetSize()), original);
  result->Delete();
  EXPECT_EQ(framed.ReadInteger(), 77);
}

TEST(Stream, DamagedCompressedDataFailsCleanly) {
  const std::string packed = Compress(Sample(50000));
  struct Case {
    const char* name;
    int32_t length;
    std::string body;
  };
  std::string corrupt = packed;
  corrupt[packed.size() / 2] ^= 0x55;
  corrupt[packed.size() / 2 + 1] ^= 0x55;
  const std::vector<Case> cases = {
      {"cut short", static_cast<int32_t>(packed.size() / 2), packed.substr(0, packed.size() / 2)},
      {"length past the data", static_cast<int32_t>(packed.size() * 4), packed.substr(0, packed.size() - 10)},
      {"corrupt", static_cast<int32_t>(corrupt.size()), corrupt},
      {"not zlib", 8, "plaintxt"},
      {"zero length", 0, packed},
      {"negative length", -5, packed},
  };
  CaptureConsole log;
  tagIConsole* saved = g_pDebugConsole;
  g_pDebugConsole = &log;
  for (const Case& c : cases) {
    CStream s;
    s.WriteInteger(c.length);
    s.Write(c.body.data(), static_cast<int64_t>(c.body.size()));
    s.SetPosition(0);
    CStream* result = s.ZDecompressStream();
    EXPECT_EQ(result, nullptr) << c.name;
    if (result != nullptr) result->Delete();
    EXPECT_LE(s.GetPosition(), s.GetSize()) << c.name;
  }
  CStream tiny;
  tiny.Write("\x05\x00", 2);
  tiny.SetPosition(0);
  EXPECT_EQ(tiny.ZDecompressStream(), nullptr);
  g_pDebugConsole = saved;
  EXPECT_EQ(log.text.find("Done ZDecompressStream"), std::string::npos);
  EXPECT_NE(log.text.find("ZDecompressStream " + std::to_string(packed.size() / 2) + "\n"), std::string::npos);

  CStream cut;
  cut.Write(packed.data(), static_cast<int64_t>(packed.size() - 1));
  cut.Seek(0, 0);
  CStream sink;
  EXPECT_EQ(CStream::Inflate(&sink, &cut), Z_DATA_ERROR);
}

// The substitution that Unscramble undoes, built as stored script text is built.
std::vector<uint8_t> ScrambleTable(int32_t seed) {
  int32_t q = seed / 250;
  int32_t r = seed - 250 * q;
  int64_t step = r + 6 < 0 ? r + 6 + 256 : r + 6;
  int64_t c = (q < 0 ? q + 256 : q) + step;
  std::vector<uint8_t> f(256);
  for (int i = 0; i < 256; ++i) f[i] = static_cast<uint8_t>(i);
  for (int i = 0; i < 10000; ++i, c += step) {
    int64_t k = ((c % 254) + 254) % 254;
    std::swap(f[k + 1], f[k + 2]);
  }
  return f;
}

TEST(Stream, UnscrambleInvertsTheStoredSubstitution) {
  const std::vector<int32_t> seeds = {0, 1, 6, 249, 250, 251, 12345, -1, -6, -7, -250, -251, -64001, INT_MIN, INT_MAX};
  for (int32_t seed : seeds) {
    std::vector<uint8_t> f = ScrambleTable(seed);
    EXPECT_EQ(f[0], 0) << seed;
    CStream s;
    for (int i = 0; i < 512; ++i) {
      uint8_t b = f[static_cast<uint8_t>(i * 7 + 3)];
      s.Write(&b, 1);
    }
    s.Unscramble(seed, 0, 0);
    for (int i = 0; i < 512; ++i) ASSERT_EQ(s.GetBuffer()[i], static_cast<uint8_t>(i * 7 + 3)) << seed << " at " << i;
  }
  // The substitution is not the identity: it really scrambles.
  std::vector<uint8_t> f = ScrambleTable(1234);
  int moved = 0;
  for (int i = 0; i < 256; ++i) moved += f[i] != i;
  EXPECT_GT(moved, 100);
}

TEST(Stream, UnscrambleTouchesOnlyItsRange) {
  std::vector<uint8_t> f = ScrambleTable(99);
  CStream s(8);
  for (int i = 0; i < 8; ++i) s.GetBuffer()[i] = f[0x41 + i];
  s.Unscramble(99, 2, 3);
  for (int i = 0; i < 8; ++i) {
    uint8_t expected = i >= 2 && i < 5 ? 0x41 + i : f[0x41 + i];
    EXPECT_EQ(s.GetBuffer()[i], expected) << i;
  }
  std::string before = Bytes(s, 8);
  s.Unscramble(99, 50, 10);  // start past the end: nothing
  EXPECT_EQ(Bytes(s, 8), before);
  s.Unscramble(99, 6, 1000);  // count past the end: up to the end
  EXPECT_EQ(s.GetBuffer()[6], 0x47);
  EXPECT_EQ(s.GetBuffer()[7], 0x48);
  std::vector<uint8_t> g(256);
  for (int i = 0; i < 256; ++i) g[f[i]] = static_cast<uint8_t>(i);
  before = Bytes(s, 8);
  s.Unscramble(99, -3, 0);  // start before the beginning: everything
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s.GetBuffer()[i], g[static_cast<uint8_t>(before[i])]) << i;
  CStream none;
  none.Unscramble(5, 0, 0);
  EXPECT_EQ(none.GetBuffer(), nullptr);
}

TEST(Stream, CopyFromCopiesOrViews) {
  CStream source;
  source.Write("0123456789", 10);
  source.SetPosition(6);

  CStream whole;
  EXPECT_EQ(whole.CopyFrom(&source, 0, false), source.GetSize());
  EXPECT_EQ(Bytes(whole, 10), "0123456789");
  EXPECT_EQ(source.GetPosition(), source.GetSize());

  source.SetPosition(2);
  CStream part;
  EXPECT_EQ(part.CopyFrom(&source, 3, false), 3);
  EXPECT_EQ(Bytes(part, 3), "234");
  EXPECT_EQ(source.GetPosition(), 5);
  EXPECT_EQ(part.CopyFrom(&source, 1000, false), source.GetSize() - 5);  // cut to what is left

  source.SetPosition(4);
  auto* view = new CStream(32);  // its own buffer is released when it becomes a view
  EXPECT_EQ(view->CopyFrom(&source, 3, true), 3);
  EXPECT_TRUE(view->IsNotOwner());
  EXPECT_EQ(view->GetBuffer(), source.GetBuffer() + 4);
  EXPECT_EQ(view->GetSize(), 3);
  EXPECT_EQ(view->GetPosition(), 3);
  EXPECT_EQ(source.GetPosition(), 7);
  view->Free();
  EXPECT_EQ(view->GetBuffer(), source.GetBuffer() + 4);  // a view keeps pointing
  // Writing to a view copies it first: the source's bytes stay as they were.
  view->SetPosition(0);
  view->Write("ABCDEFGH", 8);
  EXPECT_FALSE(view->IsNotOwner());
  EXPECT_EQ(Bytes(*view, 8), "ABCDEFGH");
  EXPECT_EQ(Bytes(source, 10), "0123456789");
  view->Delete();

  CStream clamp;
  source.SetPosition(8);
  EXPECT_EQ(clamp.CopyFrom(&source, 1 << 30, true), 2);
  EXPECT_EQ(clamp.GetSize(), 2);
  EXPECT_EQ(source.GetPosition(), 10);
  EXPECT_EQ(clamp.CopyFrom(nullptr, 4, false), 0);
}

class StreamFileTest : public HostFilesTest {};

TEST_F(StreamFileTest, LoadFilePrefersTheSaveArea) {
  ASSERT_TRUE(File_CreateDirectoryTree(save.c_str()));
  WriteAll(program + "/a.bin", "program copy");
  WriteAll(save + "a.bin", "save copy");
  WriteAll(program + "/b.bin", "abcdef");

  CStream s;
  s.LoadFile("a.bin", 0);
  EXPECT_EQ(Bytes(s, s.GetSize()), "save copy");

  struct Case {
    int64_t skip;
    std::string bytes;
  };
  const std::vector<Case> cases = {{0, "abcdef"}, {2, "cdef"}, {6, ""}, {60, ""}, {-4, "abcdef"}};
  for (const Case& c : cases) {
    CStream t;
    t.LoadFile("b.bin", c.skip);
    EXPECT_EQ(t.GetSize(), static_cast<int32_t>(c.bytes.size())) << c.skip;
    EXPECT_EQ(Bytes(t, t.GetSize()), c.bytes) << c.skip;
  }

  CStream missing;
  missing.WriteInteger(5);
  missing.LoadFile("missing.bin", 0);
  EXPECT_EQ(missing.GetSize(), 0);
  EXPECT_EQ(missing.GetBuffer(), nullptr);
}

}  // namespace
