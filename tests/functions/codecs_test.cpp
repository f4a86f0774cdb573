#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/base64.h"
#include "core/md5.h"
#include "core/sha1.h"

namespace {

std::string Encode(const std::string& bytes) {
  std::vector<char> out(bytes.size() * 4 / 3 + 4, 'x');
  Base64_Encode(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), out.data());
  return out.data();
}

// The whole output area, so that bytes past the terminator can be checked too.
std::vector<uint8_t> Decode(const char* text, size_t n, bool terminate) {
  std::vector<uint8_t> out(n + 2, 0xEE);
  Base64_Decode(text, n, out.data(), terminate);
  return out;
}

std::string Md5(const std::string& bytes, int repeat = 1) {
  MD5_CTX c;
  MD5_Init(&c);
  for (int i = 0; i < repeat; ++i) {
    MD5_Update(&c, reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
  }
  MD5_Final(&c);
  char hex[33];
  MD5_HexDigest(&c, hex);
  return hex;
}

std::string Sha1(const std::string& bytes) {
  SHA1Context c;
  SHA1_Reset(&c);
  SHA1_Input(&c, reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<uint32_t>(bytes.size()));
  EXPECT_TRUE(SHA1_Result(&c));
  char hex[41];
  SHA1_HexDigest(&c, hex);
  return hex;
}

TEST(Base64, EncodesTheRfcVectors) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [plain, coded] : cases) EXPECT_EQ(Encode(plain), coded) << plain;
  // All 256 byte values survive a round trip, including the ones that map to '+' and '/'.
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  const std::string coded = Encode(all);
  EXPECT_NE(coded.find('+'), std::string::npos);
  EXPECT_NE(coded.find('/'), std::string::npos);
  const std::vector<uint8_t> back = Decode(coded.c_str(), 257, true);
  EXPECT_EQ(std::string(back.begin(), back.begin() + 256), all);
}

TEST(Base64, EncodingTerminatesRightAfterTheText) {
  char out[12];
  std::memset(out, 'x', sizeof out);
  Base64_Encode(reinterpret_cast<const uint8_t*>("ab"), 2, out);
  EXPECT_EQ(std::string(out, 5), std::string("YWI=\0", 5));
  EXPECT_EQ(out[5], 'x');
}

TEST(Base64, DecodesTheRfcVectorsAndStopsAtPaddingOrForeignCharacters) {
  struct Case {
    const char* text;
    std::string bytes;
  } cases[] = {
      {"", ""},
      {"Zg==", "f"},
      {"Zm8=", "fo"},
      {"Zm9vYmFy", "foobar"},
      {"Zm9vYg==Zm9v", "foob"},        // the padding ends the text
      {"Zm 9vYmFy", "f"},              // a blank after two characters: the partial group's byte
      {"Zm9v\nYmFy", "foo"},           // a line break ends it too
      {"Z", ""},                       // one character gives nothing
      {"Zm9", "fo"},                   // three characters give two bytes
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> out = Decode(c.text, 16, true);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(out.data())), c.bytes) << c.text;
  }
}

TEST(Base64, DecodingNeverPassesItsOutputSize) {
  // "hello" is five bytes; n = 3 keeps two and the terminator.
  std::vector<uint8_t> out = Decode("aGVsbG8=", 3, true);
  EXPECT_EQ(out[0], 'h');
  EXPECT_EQ(out[1], 'e');
  EXPECT_EQ(out[2], 0);
  EXPECT_EQ(out[3], 0xEE);
  // Without the flag the byte after the output is left alone.
  out = Decode("aGVsbG8=", 3, false);
  EXPECT_EQ(out[2], 0xEE);
  // n = 0 stores nothing, not even the terminator.
  out = Decode("aGVsbG8=", 0, true);
  EXPECT_EQ(out[0], 0xEE);
}

TEST(Md5, GivesThePublishedDigests) {
  EXPECT_EQ(Md5(""), "d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(Md5("abc"), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(Md5("1234567890", 8), "57edf4a22be3c955ac49da2e2107b67a");
  EXPECT_EQ(Md5("12345678901234567890123456789012345678901234567890123456789012345678901234567890"),
            "57edf4a22be3c955ac49da2e2107b67a");
  // Inputs around the 56-byte padding edge: 55, 56 and 64 bytes.
  EXPECT_EQ(Md5(std::string(55, 'a')), "ef1772b6dff9a122358552954ad0df65");
  EXPECT_EQ(Md5(std::string(56, 'a')), "3b0c8ac703f828b04c6c197006d17218");
  EXPECT_EQ(Md5(std::string(64, 'a')), "014842d480b571495a4a0363793f7367");
}

TEST(Sha1, GivesThePublishedDigests) {
  EXPECT_EQ(Sha1(""), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  EXPECT_EQ(Sha1("abc"), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(Sha1("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
  EXPECT_EQ(Sha1(std::string(1000000, 'a')), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

TEST(Sha1, FeedingInPiecesMatchesOneInput) {
  const std::string text = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
  SHA1Context c;
  SHA1_Reset(&c);
  for (char ch : text) SHA1_Input(&c, reinterpret_cast<const uint8_t*>(&ch), 1);
  SHA1_Input(&c, nullptr, 0);  // nothing to add
  ASSERT_TRUE(SHA1_Result(&c));
  char hex[41];
  SHA1_HexDigest(&c, hex);
  EXPECT_STREQ(hex, "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
}

TEST(Sha1, ASecondResultKeepsTheDigestAndLaterInputCorrupts) {
  SHA1Context c;
  SHA1_Reset(&c);
  SHA1_Input(&c, reinterpret_cast<const uint8_t*>("abc"), 3);
  ASSERT_TRUE(SHA1_Result(&c));
  char first[41];
  SHA1_HexDigest(&c, first);
  ASSERT_TRUE(SHA1_Result(&c));
  char second[41];
  SHA1_HexDigest(&c, second);
  EXPECT_STREQ(first, second);
  EXPECT_STREQ(second, "a9993e364706816aba3e25717850c26c9cd0d89d");
  SHA1_Input(&c, reinterpret_cast<const uint8_t*>("d"), 1);
  EXPECT_FALSE(SHA1_Result(&c));
}

TEST(Sha1, ALengthThatWrapsCorruptsTheContext) {
  SHA1Context c;
  SHA1_Reset(&c);
  c.Length_Low = 0xFFFFFFF8u;
  c.Length_High = 0xFFFFFFFFu;
  SHA1_Input(&c, reinterpret_cast<const uint8_t*>("a"), 1);
  EXPECT_FALSE(SHA1_Result(&c));
}

}  // namespace
