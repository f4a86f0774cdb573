// The string functions of the Math group through the built-in table.
#include "functions/math_strings.h"

#include <clocale>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/memory_manager.h"
#include "functions/math_call.h"

namespace {

using namespace math_test;

struct TextCase {
  const char* name;
  std::vector<RValue> args;
  std::string expected;
};

struct RealCase {
  const char* name;
  std::vector<RValue> args;
  double expected;
};

using MathStringsTest = MathTest;

TEST_F(MathStringsTest, TextAnswersOfTheEdgeList) {
  const TextCase cases[] = {
      {"string", {Real(3)}, "3"},
      {"string", {Real(0.5)}, "0.50"},
      {"string", {Real(1.0 / 3)}, "0.33"},
      {"string", {Real(-0.5)}, "-0.50"},
      {"string", {Real(1e15)}, "1000000000000000"},
      {"string", {Text("as is")}, "as is"},
      {"string_format", {Real(3.14159), Real(4), Real(2)}, "  3.14"},
      {"string_format", {Real(2.5), Real(0), Real(-3)}, "2"},
      {"string_format", {Text("kept"), Real(9), Real(9)}, "kept"},
      {"string_format", {Real(1), Real(-9), Real(0)}, "1        "},
      {"chr", {Real(233)}, "\xC3\xA9"},
      {"chr", {Real(-1)}, "\x7F"},
      {"chr", {Real(0x10041)}, "\xE0\x81\x81"},
      {"chr", {Real(0)}, ""},
      {"chr", {Real(65)}, "A"},
      {"ansi_char", {Real(233)}, "\xE9"},
      {"ansi_char", {Real(0)}, ""},
      {"ansi_char", {Real(0x141)}, "A"},
      {"string_copy", {Text("h\xC3\xA9llo"), Real(2), Real(3)}, "\xC3\xA9ll"},
      {"string_copy", {Text("abc"), Real(0), Real(2)}, "ab"},
      {"string_copy", {Text("abc"), Real(10), Real(2)}, ""},
      {"string_copy", {Text("abc"), Real(2), Real(-1)}, ""},
      {"string_copy", {Text("abc"), Real(2), Real(2e9)}, "bc"},
      {"string_copy", {Text("abc"), Real(2), Real(1e12)}, ""},  // beyond int32: the getter gives INT32_MIN
      {"string_char_at", {Text("abc"), Real(0)}, "a"},
      {"string_char_at", {Text("abc"), Real(4)}, ""},
      {"string_char_at", {Text("a\xC3\xA9"), Real(2)}, "\xC3\xA9"},
      {"string_delete", {Text("abcdef"), Real(3), Real(0)}, "abcdef"},
      {"string_delete", {Text("abcdef"), Real(3), Real(2)}, "abef"},
      {"string_delete", {Text("abcdef"), Real(5), Real(10)}, "abcd"},
      {"string_delete", {Text("abc"), Real(0), Real(1)}, "abc"},
      {"string_delete", {Text("abc"), Real(4), Real(1)}, "abc"},
      {"string_insert", {Text("x"), Text("abc"), Real(99)}, "abcx"},
      {"string_insert", {Text("x"), Text("abc"), Real(-5)}, "xabc"},
      {"string_insert", {Text("\xC3\xA9"), Text("\xC3\xA9\xC3\xA9"), Real(2)}, "\xC3\xA9\xC3\xA9\xC3\xA9"},
      {"string_set_byte_at", {Text("abc"), Real(2), Real(0x158)}, "aXc"},
      {"string_set_byte_at", {Text("abc"), Real(2), Real(0)}, "a"},
      {"string_replace", {Text("abc"), Text(""), Text("x")}, "abc"},
      {"string_replace", {Text("abcabc"), Text("bc"), Text("-")}, "a-abc"},
      {"string_replace", {Text("abc"), Text("zz"), Text("-")}, "abc"},
      {"string_replace_all", {Text("aaa"), Text("aa"), Text("a")}, "aa"},
      {"string_replace_all", {Text("a.b.c"), Text("."), Text("..")}, "a..b..c"},
      {"string_replace_all", {Text(""), Text("a"), Text("b")}, ""},
      {"string_repeat", {Text("ab"), Real(0)}, ""},
      {"string_repeat", {Text("ab"), Real(3)}, "ababab"},
      {"string_letters", {Text("a1-B2\xC3\xA9")}, "aB"},
      {"string_digits", {Text("a1-B2")}, "12"},
      {"string_lettersdigits", {Text("a1-B2\xC3\xA9!")}, "a1B2"},
      {"string_lower", {Text("AbC \xC3\x89")}, "abc \xC3\xA9"},
      {"string_upper", {Text("\xC3\xA9")}, "\xC3\x89"},
      // The dotted capital I lowers to a plain i in the simple map; the long s uppers to S.
      {"string_lower", {Text("\xC4\xB0")}, "i"},
      {"string_upper", {Text("\xC5\xBF")}, "S"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(CallText(c.name, c.args), c.expected) << c.name;
}

TEST_F(MathStringsTest, NumberAnswersOfTheEdgeList) {
  const RealCase cases[] = {
      {"string_pos", {Text(""), Text("abc")}, 0},
      {"string_pos", {Text("c"), Text("abc")}, 3},
      {"string_pos", {Text("\xC3\xA9"), Text("a\xC3\xA9")}, 2},
      {"string_pos", {Text("abc"), Text("")}, 0},
      {"string_pos", {Text("x"), Text("abc")}, 0},
      {"string_count", {Text("aa"), Text("aaaa")}, 3},
      {"string_count", {Text(""), Text("abc")}, 3},
      {"string_count", {Text("a"), Text("")}, 0},
      {"string_count", {Text("\xC3\xA9"), Text("\xC3\xA9x\xC3\xA9")}, 2},
      {"string_ord_at", {Text("abc"), Real(4)}, -1},
      {"string_ord_at", {Text("a\xC3\xA9"), Real(2)}, 233},
      {"string_ord_at", {Text("abc"), Real(-3)}, 'a'},
      {"string_byte_at", {Text("\xC3\xA9"), Real(1)}, -61},
      {"string_byte_at", {Text("abc"), Real(9)}, 99},
      {"string_byte_at", {Text(""), Real(1)}, 0},
      {"string_length", {Text("h\xC3\xA9llo")}, 5},
      {"string_byte_length", {Text("h\xC3\xA9llo")}, 6},
      {"ord", {Text("\xE2\x82\xAC")}, 0x20AC},
      {"ord", {Text("")}, 0},
  };
  for (const RealCase& c : cases) EXPECT_EQ(CallReal(c.name, c.args), c.expected) << c.name;
  EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastReport();
}

TEST_F(MathStringsTest, SettingAByteOutsideTheTextReportsAndKeepsIt) {
  for (const double index : {4.0, 0.0, -1.0}) {
    RuntimeErrorCapture::Reset();
    EXPECT_EQ(CallText("string_set_byte_at", {Text("abc"), Real(index), Real(65)}), "abc");
    EXPECT_EQ(RuntimeErrorCapture::LastError(), "string_set_byte_at : index beyond end of string");
    EXPECT_EQ(RuntimeErrorCapture::Exits(), 0);
  }
}

// A character cut short by the end of its text is never read past: ansi_char(233) is a lone
// lead byte.
TEST_F(MathStringsTest, ACharacterCutShortEndsTheText) {
  const Answer lone = Call("ansi_char", {Real(233)});
  EXPECT_EQ(CallReal("string_length", {Share(lone.v)}), 0);
  EXPECT_EQ(CallReal("string_byte_length", {Share(lone.v)}), 1);
  EXPECT_EQ(CallText("string_char_at", {Share(lone.v), Real(1)}), "");
  EXPECT_EQ(CallReal("string_ord_at", {Share(lone.v), Real(1)}), -1);
  EXPECT_EQ(CallText("string_copy", {Share(lone.v), Real(1), Real(5)}), "");
  EXPECT_EQ(CallText("string_upper", {Share(lone.v)}), "");
  EXPECT_EQ(CallReal("ord", {Share(lone.v)}), 0);
  EXPECT_EQ(CallReal("string_count", {Text(""), Share(lone.v)}), 0);
  // A text ending in a cut-short character keeps the characters before it.
  const Answer cut = Call("string_set_byte_at", {Text("ab\xC3\xA9"), Real(4), Real(0)});
  EXPECT_EQ(cut.Text(), "ab\xC3");
  EXPECT_EQ(CallReal("string_length", {Share(cut.v)}), 2);
  EXPECT_EQ(CallText("string_lower", {Share(cut.v)}), "ab");
  EXPECT_EQ(CallText("string_insert", {Text("x"), Share(cut.v), Real(9)}), "abx\xC3");
}

// A well-formed 4-byte sequence (an emoji, a character beyond 16 bits) is one character to every
// function that counts, indexes, copies, searches, deletes, inserts or maps characters; malformed
// sequences keep the lead-byte rule (a 4-byte lead heads 3 bytes).
TEST_F(MathStringsTest, CharactersBeyondSixteenBitsAreOneCharacterEach) {
#define SMILE "\xF0\x9F\x98\x80"
#define DESERET_I "\xF0\x90\x90\x80"
#define DESERET_i "\xF0\x90\x90\xA8"
  const TextCase texts[] = {
      {"string_char_at", {Text(SMILE "a"), Real(2)}, "a"},
      {"string_char_at", {Text(SMILE "a"), Real(1)}, SMILE},
      {"string_char_at", {Text(SMILE SMILE), Real(3)}, ""},
      {"string_copy", {Text("a" SMILE "b"), Real(2), Real(1)}, SMILE},
      {"string_copy", {Text(SMILE SMILE "x"), Real(2), Real(5)}, SMILE "x"},
      {"string_delete", {Text("a" SMILE "b"), Real(2), Real(1)}, "ab"},
      {"string_delete", {Text(SMILE "ab"), Real(3), Real(1)}, SMILE "a"},
      {"string_insert", {Text("x"), Text(SMILE "a"), Real(2)}, SMILE "xa"},
      {"string_replace", {Text("a" SMILE "b"), Text(SMILE), Text("-")}, "a-b"},
      {"string_replace_all", {Text(SMILE "a" SMILE), Text(SMILE), Text("")}, "a"},
      {"string_upper", {Text(SMILE "a")}, SMILE "A"},
      {"string_lower", {Text(DESERET_I "A")}, DESERET_i "a"},
      {"string_upper", {Text(DESERET_i)}, DESERET_I},
      {"string_letters", {Text(SMILE "a")}, "a"},
      {"string_lettersdigits", {Text("1" SMILE "b")}, "1b"},
      // Malformed: a cut 4-byte sequence, an overlong one, one beyond U+10FFFF: three
      // bytes, then a stray continuation byte that takes the next byte with it.
      {"string_char_at", {Text("\xF0\x9F\x98" "a"), Real(2)}, "a"},
      {"string_char_at", {Text("\xF0\x8F\xBF\x80" "a"), Real(2)}, "!"},
      {"string_char_at", {Text("\xF4\x90\x80\x80" "a"), Real(2)}, "!"},
  };
  for (const TextCase& c : texts) EXPECT_EQ(CallText(c.name, c.args), c.expected) << c.name;
  const RealCase numbers[] = {
      {"string_length", {Text(SMILE "a")}, 2},
      {"string_length", {Text(SMILE SMILE SMILE)}, 3},
      {"string_byte_length", {Text(SMILE "a")}, 5},
      {"string_pos", {Text("a"), Text(SMILE "a")}, 2},
      {"string_pos", {Text(SMILE), Text("ab" SMILE)}, 3},
      {"string_pos", {Text("\xF0\x9F\x98"), Text(SMILE)}, 0},  // part of a character is no character
      {"string_count", {Text(SMILE), Text(SMILE "x" SMILE)}, 2},
      {"string_count", {Text(""), Text(SMILE SMILE)}, 2},
      {"ord", {Text(SMILE)}, 0x1F600},
      {"string_ord_at", {Text("a" SMILE), Real(2)}, 0x1F600},
      {"string_ord_at", {Text("a" SMILE), Real(3)}, -1},
      {"string_byte_at", {Text(SMILE "a"), Real(5)}, 'a'},
      {"string_length", {Text("\xF0\x9F\x98" "a")}, 2},
      {"string_length", {Text("\xF0\x8F\xBF\x80" "a")}, 2},
      {"string_length", {Text("\xF8\x80\x80\x80" "a")}, 2},
  };
  for (const RealCase& c : numbers) EXPECT_EQ(CallReal(c.name, c.args), c.expected) << c.name;
  // chr keeps its three-byte form for code points beyond 16 bits.
  EXPECT_EQ(CallText("chr", {Real(0x1F600)}), "\xEF\x98\x80");
  EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastReport();
#undef SMILE
#undef DESERET_I
#undef DESERET_i
}

// One character maps to one, as the C library maps it: no capital sharp s, which few fonts draw;
// title case goes either way; the dotted capital I lowers to a plain i.
TEST_F(MathStringsTest, CaseMapsFollowTheCLibrarysOneToOneMapping) {
  const TextCase cases[] = {
      {"string_upper", {Text("stra\xC3\x9F" "e")}, "STRA\xC3\x9F" "E"},
      {"string_lower", {Text("STRA\xC3\x9F" "E")}, "stra\xC3\x9F" "e"},
      {"string_upper", {Text("\xC7\x85")}, "\xC7\x84"},
      {"string_lower", {Text("\xC7\x85")}, "\xC7\x86"},
      {"string_lower", {Text("\xC4\xB0")}, "i"},
      {"string_upper", {Text("\xC4\xB0")}, "\xC4\xB0"},
      {"string_upper", {Text("\xC4\xB1")}, "I"},
      {"string_lower", {Text("\xE1\xBA\x9E")}, "\xC3\x9F"},
  };
  for (const TextCase& c : cases) EXPECT_EQ(CallText(c.name, c.args), c.expected) << c.name;
}

// Case maps do not depend on the process locale, and never switch it.
TEST_F(MathStringsTest, CaseMapsIgnoreTheLocale) {
  const std::string before = std::setlocale(LC_ALL, nullptr);
  ASSERT_EQ(before, "C");
  EXPECT_EQ(CallText("string_upper", {Text("stra e \xC3\xA9\xCE\xB1\xD0\xB6")}), "STRA E \xC3\x89\xCE\x91\xD0\x96");
  EXPECT_EQ(std::setlocale(LC_ALL, nullptr), before);
}

TEST_F(MathStringsTest, FormattingHugeNumbersAndWidthsStaysWholeAndBounded) {
  const std::string huge = CallText("string_format", {Real(1e300), Real(0), Real(2)});
  EXPECT_EQ(huge.size(), 304u);
  EXPECT_EQ(huge.substr(0, 4), "1000");
  EXPECT_EQ(huge.substr(huge.size() - 3), ".00");
  EXPECT_EQ(CallText("string_format", {Real(1), Real(2000000000), Real(2)}).size(), 255u);
  EXPECT_EQ(CallText("string_format", {Real(1), Real(0), Real(1000)}).size(), 257u);
}

TEST_F(MathStringsTest, TextsNoStringCanHoldAreReportedNotMade) {
  EXPECT_EQ(CallText("string_repeat", {Text("abc"), Real(2000000000)}), "");
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "string_repeat : result too long");
  EXPECT_EQ(RuntimeErrorCapture::Exits(), 0);
}

TEST_F(MathStringsTest, ConversionsKeepTheirKinds) {
  const Answer i = Call("int64", {Text("-42")});
  EXPECT_EQ(i.Kind(), VALUE_INT64);
  EXPECT_EQ(i.v.v64, -42);
  const Answer p = Call("ptr", {Text("ff")});
  EXPECT_EQ(p.Kind(), VALUE_PTR);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(p.v.ptr), 0xFFu);
  const RValue half = Real(0.5);
  char* text = F_StringFromValue(&half);
  EXPECT_STREQ(text, "0.50");
  EXPECT_EQ(MemoryManager_BlockSize(text) >= 5, true);
  MemoryManager_Free(text);
}

}  // namespace
