#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/common.h"
#include "core/crc32.h"
#include "core/memory_manager.h"
#include "core/utf8.h"

namespace {

// A heap copy of exactly the text and its NUL, so a read past the end is caught by the address
// sanitizer build.
std::unique_ptr<char[]> Exact(const std::string& s) {
  std::unique_ptr<char[]> copy(new char[s.size() + 1]);
  std::memcpy(copy.get(), s.c_str(), s.size() + 1);
  return copy;
}

TEST(Utf8, EncodeUsesTheShortestFormAndDecodesBack) {
  struct Case {
    uint16_t codePoint;
    const char* bytes;
  };
  const Case cases[] = {
      {0x01, "\x01"},         {0x7F, "\x7F"},         {0x80, "\xC2\x80"},     {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"}, {0x20AC, "\xE2\x82\xAC"}, {0xFFFF, "\xEF\xBF\xBF"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.codePoint);
    char buffer[8] = {};
    char* cursor = buffer;
    UTF8_Encode(&cursor, c.codePoint);
    EXPECT_EQ(cursor - buffer, static_cast<ptrdiff_t>(std::strlen(c.bytes)));
    EXPECT_STREQ(buffer, c.bytes);
    const char* read = buffer;
    EXPECT_EQ(UTF8_Decode(&read), c.codePoint);
    EXPECT_EQ(read, cursor);
  }
}

// Outside text keeps full-range code points; a malformed byte is one U+FFFD and decoding goes on
// after it.
TEST(Utf8, ScalarDecodeOfOutsideText) {
  struct Case {
    const char* bytes;
    std::vector<uint32_t> points;
  } cases[] = {
      {"a\xC3\xA9", {0x61, 0xE9}},
      {"\xE2\x82\xAC", {0x20AC}},
      {"\xF0\x9F\x98\x80", {0x1F600}},
      {"\x80z", {0xFFFD, 0x7A}},           // stray continuation byte
      {"\xC3z", {0xFFFD, 0x7A}},           // lead without its continuation
      {"\xF8\x80", {0xFFFD, 0xFFFD}},     // no 5-byte leads
      {"\xF4\x90\x80\x80", {0xFFFD}},   // beyond U+10FFFF
  };
  for (const Case& c : cases) {
    std::vector<uint32_t> points;
    const auto* p = reinterpret_cast<const unsigned char*>(c.bytes);
    while (*p != 0) points.push_back(UTF8_DecodeScalar(p));
    EXPECT_EQ(points, c.points) << c.bytes;
  }
}

TEST(Utf8, DecodeTakesTheLengthFromTheLeadByteAndStopsAtTheTerminator) {
  struct Case {
    std::string text;
    uint16_t codePoint;
    int advance;
  };
  const Case cases[] = {
      {"A", 'A', 1},
      {std::string(1, '\0'), 0, 1},  // a plain NUL is a character of its own
      {"\xC3\xA9", 0xE9, 2},
      {"\xF0\x9F\x98\x80", 0xFFFD, 4},  // a character beyond 16 bits: one, no 16-bit code
      {"\xF0\x9F\x98\x41", 0x7D8, 3},  // a 4-byte lead without three continuations heads 3 bytes
      {"\x80\x41", 0x01, 2},           // a stray continuation byte leads a 2-byte character
      {"\xC3", 0, 1},                  // cut short: 0, cursor left on the NUL
      {"\xE2", 0, 1},
      {"\xE2\x82", 0, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    auto text = Exact(c.text);
    const char* cursor = text.get();
    EXPECT_EQ(UTF8_Decode(&cursor), c.codePoint);
    EXPECT_EQ(cursor - text.get(), c.advance);
  }
}

TEST(Utf8, AWellFormedFourByteSequenceIsOneCharacterOfItsFullCodePoint) {
  struct Case {
    std::string text;
    uint32_t codePoint;
    int advance;
  };
  const Case cases[] = {
      {"\xF0\x90\x80\x80", 0x10000, 4},
      {"\xF0\x9F\x98\x80", 0x1F600, 4},
      {"\xF4\x8F\xBF\xBF", 0x10FFFF, 4},
      {"\xF4\x90\x80\x80", 0x4400, 3},  // beyond U+10FFFF: the lead-byte rule
      {"\xF0\x8F\xBF\xBF", 0x03FF, 3},  // overlong
      {"\xF0\x9F\x98", 0x07D8, 3},       // cut short by the end
      {"\xE2\x82\xAC", 0x20AC, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.text));
    auto text = Exact(c.text);
    const char* cursor = text.get();
    EXPECT_EQ(UTF8_DecodeChar(&cursor), c.codePoint);
    EXPECT_EQ(cursor - text.get(), c.advance);
  }
  for (const uint32_t c : {0x41u, 0xE9u, 0xFFFFu, 0x10000u, 0x1F600u, 0x10FFFFu}) {
    char buffer[5] = {};
    char* end = buffer;
    UTF8_EncodeChar(&end, c);
    const char* cursor = buffer;
    EXPECT_EQ(UTF8_DecodeChar(&cursor), c);
    EXPECT_EQ(cursor, end);
  }
  EXPECT_EQ(UTF8_Length("\xF0\x9F\x98\x80" "a"), 2);
  const char* text = "\xF0\x9F\x98\x80" "a";
  EXPECT_EQ(UTF8_Find(text, "a"), text + 4);
  EXPECT_EQ(UTF8_Find(text, "\xF0\x9F\x98"), nullptr);  // part of a character matches nothing
}

TEST(Utf8, LengthCountsCharacters) {
  EXPECT_EQ(UTF8_Length(nullptr), 0);
  EXPECT_EQ(UTF8_Length(""), 0);
  EXPECT_EQ(UTF8_Length("abc"), 3);
  EXPECT_EQ(UTF8_Length("a\xC3\xA9\xE2\x82\xAC"), 3);
  EXPECT_EQ(UTF8_Length(Exact("ab\xE2\x82").get()), 2);  // a cut-short last character is not one
}

TEST(Utf8, CompareNoCaseFoldsAsciiOnlyAndReportsStoredCodePoints) {
  struct Case {
    const char* a;
    const char* b;
    int result;
  };
  const Case cases[] = {
      {"A", "a", 0},
      {"Hello", "hELLO", 0},
      {"a", "B", 'a' - 'B'},  // the difference of the stored, not the folded, code points
      {"abc", "ab", 'c'},     // the shorter text counts as ending in 0
      {"ab", "abc", -'c'},
      {"", "", 0},
      {"\xC3\x89", "\xC3\xA9", 0xC9 - 0xE9},  // no folding beyond ASCII
      {"x\xE2\x82\xAC", "X\xE2\x82\xAC", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " / " << c.b);
    EXPECT_EQ(UTF8_CompareNoCase(c.a, c.b), c.result);
  }
}

TEST(Utf8, CompareNLooksAtNoMoreThanNCharacters) {
  struct Case {
    const char* a;
    const char* b;
    int n;
    int result;
  };
  const Case cases[] = {
      {"abc", "abd", 2, 0},
      {"abc", "abd", 3, 'c' - 'd'},
      {"abc", "xyz", 0, 0},
      {"ab", "ab", 5, 0},
      {"ab", "abc", 3, -'c'},
      {"a\xE2\x82\xAC", "a\xE2\x82\xAD", 2, -1},  // code points, not bytes
      {"A", "a", 1, 'A' - 'a'},                     // exact, no case folding
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.a << " / " << c.b << " / " << c.n);
    EXPECT_EQ(UTF8_CompareN(c.a, c.b, c.n), c.result);
  }
}

TEST(Utf8, FindReturnsTheFirstMatchingCharacterPosition) {
  struct Case {
    const char* text;
    const char* sub;
    int offset;  // bytes from the start; -1 for none
  };
  const Case cases[] = {
      {"hello", "ll", 2},
      {"aaab", "ab", 2},
      {"hello", "", 0},   // an empty sub-text matches at the start of a non-empty text
      {"", "", -1},       // but not in an empty one
      {"abc", "abcd", -1},
      {"abc", "C", -1},
      {"a\xC3\xA9\xE2\x82\xAC!", "\xE2\x82\xAC!", 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.text << " / " << c.sub);
    const char* found = UTF8_Find(c.text, c.sub);
    if (c.offset < 0) {
      EXPECT_EQ(found, nullptr);
    } else {
      EXPECT_EQ(found, c.text + c.offset);
    }
  }
  auto cut = Exact("ab\xE2");
  EXPECT_EQ(UTF8_Find(cut.get(), "b"), cut.get() + 1);
  EXPECT_EQ(UTF8_Find(cut.get(), "c"), nullptr);
}

TEST(TextHashToNewline, TurnsHashIntoLineBreaksAndBackslashHashIntoHash) {
  struct Case {
    std::string in;
    std::string out;
    int count;
  };
  const Case cases[] = {
      {"a#b", "a\rb", 3},
      {"a\\#b", "a#b", 3},
      {"\\#x", "#x", 2},  // at the very start the pair is one character
      {"##", "\r\r", 2},
      {"\\\\#", "\\#", 2},
      {"#\\", "\r\\", 2},
      {"", "", 0},
      {"\xC3\xA9#\xE2\x82\xAC", "\xC3\xA9\r\xE2\x82\xAC", 3},
      {"\xC1\x81#", "A\r", 2},  // an over-long form is written back shorter, never longer
      {"ab\xE2\x82", "ab", 2},  // a cut-short last character ends the text
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.in));
    auto text = Exact(c.in);
    EXPECT_EQ(Text_HashToNewline(text.get()), c.count);
    EXPECT_EQ(std::string(text.get()), c.out);
  }
  EXPECT_EQ(Text_HashToNewline(nullptr), 0);
}

TEST(CommonWideToNarrow, KeepsTheLowByteOfEachUnitInAManagerBlock) {
  struct Case {
    const char16_t* in;
    std::string out;
  };
  const Case cases[] = {
      {u"Abc", "Abc"},
      {u"", ""},
      {u"\u00E9\u4E2D", "\xE9\x2D"},
  };
  for (const Case& c : cases) {
    char* narrow = Common_WideToNarrow(c.in);
    ASSERT_NE(narrow, nullptr);
    EXPECT_TRUE(MemoryManager_IsAllocated(narrow));
    EXPECT_EQ(std::string(narrow), c.out);
    MemoryManager_Free(narrow);
  }
  EXPECT_EQ(Common_WideToNarrow(nullptr), nullptr);
}

TEST(Crc32, IsTheComplementOfTheUsualCrc) {
  CRC32_InitTable();
  struct Case {
    const char* text;
    uint32_t crc;
  };
  const Case cases[] = {
      {"abc", 0xCADBBE3Du},        // usual CRC-32: 0x352441C2
      {"123456789", 0x340BC6D9u},  // usual CRC-32: 0xCBF43926
      {"a", 0x174841BCu},          // usual CRC-32: 0xE8B7BE43
      {"", 0xFFFFFFFFu},
      {nullptr, 0xFFFFFFFFu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text != nullptr ? c.text : "(null)");
    EXPECT_EQ(CRC32_String(c.text), c.crc);
    if (c.text != nullptr) {
      EXPECT_EQ(CRC32_Bytes(c.text, static_cast<int>(std::strlen(c.text))), c.crc);
    }
  }
}

TEST(Crc32, BytesCoverEveryByteAndNothingForNoLength) {
  const unsigned char withZeros[] = {'a', 0, 'b', 0xFF};
  EXPECT_EQ(CRC32_Bytes(withZeros, 0), 0xFFFFFFFFu);
  EXPECT_EQ(CRC32_Bytes(withZeros, -4), 0xFFFFFFFFu);
  EXPECT_EQ(CRC32_Bytes(withZeros, 1), CRC32_String("a"));
  // The text form stops at the first zero; the byte form goes on through it.
  EXPECT_EQ(CRC32_String(reinterpret_cast<const char*>(withZeros)), CRC32_Bytes(withZeros, 1));
  EXPECT_NE(CRC32_Bytes(withZeros, 2), CRC32_Bytes(withZeros, 1));
  EXPECT_NE(CRC32_Bytes(withZeros, 4), CRC32_Bytes(withZeros, 3));
}

// The eight-bytes-at-a-time form against the one-byte loop, kept here as the reference: every
// length across several eight-byte steps and their tails, at every alignment, bytes of every value.
TEST(Crc32, EightByteStepsGiveTheOneByteLoopsResult) {
  uint32_t table[256];
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    table[n] = c;
  }
  const auto reference = [&](const unsigned char* s, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) crc = table[(crc ^ s[i]) & 0xFF] ^ (crc >> 8);
    return crc;
  };
  unsigned char bytes[64 + 8];
  uint32_t state = 12345;
  for (unsigned char& b : bytes) {
    state = state * 1103515245u + 12345u;
    b = static_cast<unsigned char>(state >> 24);
  }
  for (size_t offset = 0; offset < 8; ++offset) {
    for (size_t n = 0; n <= 64; ++n) {
      SCOPED_TRACE(testing::Message() << "offset " << offset << ", " << n << " bytes");
      EXPECT_EQ(CRC32_Bytes(bytes + offset, static_cast<int>(n)), n == 0 ? 0xFFFFFFFFu : reference(bytes + offset, n));
    }
  }
  // The text form over the same lengths, its zero bytes replaced so that it runs to the end.
  std::string text(reinterpret_cast<const char*>(bytes), 64);
  for (char& c : text) c = c == 0 ? '\x01' : c;
  for (size_t n = 0; n <= text.size(); ++n) {
    const std::string prefix = text.substr(0, n);
    EXPECT_EQ(CRC32_String(prefix.c_str()), reference(reinterpret_cast<const unsigned char*>(prefix.data()), n));
  }
}

}  // namespace
