// The position-based string functions on texts of every width give what decoding every character
// from the start gives. The decoding forms are kept here as the reference.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/utf8.h"
#include "core/value.h"
#include "functions/math_call.h"

namespace {

using namespace math_test;

// --- the reference: every position found by decoding from the start ----------------------------

uint32_t RefNext(const char** p) { return **p != 0 ? UTF8_DecodeChar(p) : 0; }

const char* RefSkip(const char* p, int64_t n) {
  for (; n > 0; --n) {
    const char* next = p;
    if (RefNext(&next) == 0) break;
    p = next;
  }
  return p;
}

const char* RefFind(const char* p, const char* sub) {
  if (*p == 0 || *sub == 0) return nullptr;
  return UTF8_Find(p, sub);
}

int64_t RefFromOne(int32_t index) { return index < 1 ? 0 : static_cast<int64_t>(index) - 1; }

std::string RefChar(const char* p) {
  char encoded[4];
  char* end = encoded;
  if (const uint32_t c = RefNext(&p); c != 0) UTF8_EncodeChar(&end, c);
  return std::string(encoded, end);
}

double RefPos(const char* sub, const char* text) {
  const char* found = RefFind(text, sub);
  if (found == nullptr) return 0;
  int64_t position = 1;
  for (const char* p = text; p < found; ++position) RefNext(&p);
  return static_cast<double>(position);
}

double RefCount(const char* sub, const char* text) {
  if (*sub == 0) return UTF8_Length(text);
  int64_t count = 0;
  for (const char* f = RefFind(text, sub); f != nullptr;) {
    ++count;
    const char* next = RefSkip(f, 1);
    if (next == f) break;  // the decoding form looped here for ever
    f = RefFind(next, sub);
  }
  return static_cast<double>(count);
}

std::string RefCopy(const char* text, int32_t index, int32_t count) {
  const char* from = RefSkip(text, RefFromOne(index));
  return std::string(from, RefSkip(from, count < 0 ? 0 : count));
}

double RefOrdAt(const char* text, int32_t index) {
  const char* p = RefSkip(text, RefFromOne(index));
  const uint32_t c = RefNext(&p);
  return c != 0 ? static_cast<double>(c) : -1.0;
}

std::string RefDelete(const char* text, int32_t index, int32_t count) {
  if (index < 1 || count <= 0 || index > UTF8_Length(text)) return text;
  const char* from = RefSkip(text, static_cast<int64_t>(index) - 1);
  return std::string(text, from) + RefSkip(from, count);
}

std::string RefInsert(const char* sub, const char* text, int32_t index) {
  const char* at = RefSkip(text, RefFromOne(index));
  return std::string(text, at) + sub + at;
}

// --- the cases ------------------------------------------------------------------------------------

// ASCII, 2-, 3- and 4-byte characters, mixed, and ill-formed bytes (a stray continuation byte, an
// overlong form that decodes to 'A', a character cut short at the end).
const char* const kTexts[] = {
    "",
    "hello, world",
    "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 mir \xD0\xBF\xD1\x80\xD0\xB8",
    "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xE6\x97\xA5",
    "\xF0\x9F\x98\x80x\xF0\x9F\x98\x81\xF0\x9F\x98\x80",
    "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80" "a\xC3\xA9",
    "ab\x80" "cd\xC1\x81" "ef",
    "xy\xE2\x82",
};
const char* const kSubs[] = {"",     "o",          "l",   "\xD0\xB8", "\xE6\x97\xA5", "\xF0\x9F\x98\x80",
                             "a\xC3\xA9", "A", "\xC1\x81", "zz", "\x80"};
const int32_t kIndexes[] = {-3, 0, 1, 2, 3, 5, 8, 11, 12, 13, 40};
const int32_t kCounts[] = {-1, 0, 1, 2, 4, 100};

using StringForms = MathTest;

TEST_F(StringForms, PositionFunctionsMatchDecodingFromTheStart) {
  for (const char* text : kTexts) {
    SCOPED_TRACE(testing::Message() << "text '" << text << "'");
    // Each call twice: the first works out what the text is, the second uses what was kept.
    for (int round = 0; round < 2; ++round) {
      const RValue t = Text(text);
      EXPECT_EQ(CallReal("string_length", {Share(t)}), UTF8_Length(text));
      for (const char* sub : kSubs) {
        SCOPED_TRACE(testing::Message() << "sub '" << sub << "'");
        EXPECT_EQ(CallReal("string_pos", {Text(sub), Share(t)}), RefPos(sub, text));
        EXPECT_EQ(CallReal("string_count", {Text(sub), Share(t)}), RefCount(sub, text));
        for (int32_t index : kIndexes) {
          EXPECT_EQ(CallText("string_insert", {Text(sub), Share(t), Real(index)}), RefInsert(sub, text, index))
              << index;
        }
      }
      for (int32_t index : kIndexes) {
        SCOPED_TRACE(testing::Message() << "index " << index);
        EXPECT_EQ(CallText("string_char_at", {Share(t), Real(index)}), RefChar(RefSkip(text, RefFromOne(index))));
        EXPECT_EQ(CallReal("string_ord_at", {Share(t), Real(index)}), RefOrdAt(text, index));
        for (int32_t count : kCounts) {
          EXPECT_EQ(CallText("string_copy", {Share(t), Real(index), Real(count)}), RefCopy(text, index, count))
              << count;
          EXPECT_EQ(CallText("string_delete", {Share(t), Real(index), Real(count)}), RefDelete(text, index, count))
              << count;
        }
      }
      for (int32_t count : {0, 1, 3}) {
        std::string repeated;
        for (int32_t i = 0; i < count; ++i) repeated += text;
        EXPECT_EQ(CallText("string_repeat", {Share(t), Real(count)}), repeated);
      }
      RValue release = t;
      RValue_Release(&release);
    }
  }
}


// Searches on long texts take other paths: many near matches (each a false start), subs longer
// than the quick scan takes, and positions counted over long runs of multi-byte characters.
TEST_F(StringForms, SearchesOnLongTextsMatchDecodingFromTheStart) {
  const std::string as(3000, 'a');
  const std::string cyrillic = "\xD0\xBF\xD1\x80\xD0\xB8";
  std::string mixed;
  for (int i = 0; i < 500; ++i) mixed += cyrillic + "a";
  const std::string longSub = std::string(40, 'a') + "b";
  const struct {
    std::string text;
    std::string sub;
  } kCases[] = {
      {as + "b", std::string(20, 'a') + "b"},
      {as + "b" + as, longSub},
      {as + "c" + longSub, longSub},
      {as, as},
      {as, as + "a"},
      {mixed + "needle" + mixed, "needle"},
      {mixed + cyrillic + "b", "a" + cyrillic + "b"},
      {mixed, "\xD1\x80\xD0\xB8" "a"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(testing::Message() << "text of " << c.text.size() << " bytes, sub of " << c.sub.size());
    const RValue t = Text(c.text.c_str());
    EXPECT_EQ(CallReal("string_pos", {Text(c.sub.c_str()), Share(t)}), RefPos(c.sub.c_str(), c.text.c_str()));
    EXPECT_EQ(CallReal("string_count", {Text(c.sub.c_str()), Share(t)}), RefCount(c.sub.c_str(), c.text.c_str()));
    // On well-formed text, replacing is cutting at each match found left to right.
    std::string replaced = c.text;
    for (size_t at = replaced.find(c.sub); at != std::string::npos; at = replaced.find(c.sub, at + 2)) {
      replaced.replace(at, c.sub.size(), "<>");
    }
    EXPECT_EQ(CallText("string_replace_all", {Share(t), Text(c.sub.c_str()), Text("<>")}), replaced);
  }
}
TEST(SharedStringForm, TellsAsciiWellFormedAndOtherText) {
  struct Case {
    std::string bytes;
    uint32_t form;
  };
  const Case cases[] = {
      {"", SHARED_TEXT_ASCII},
      {"plain ascii text longer than eight", SHARED_TEXT_ASCII},
      {"\xC3\xA9t\xC3\xA9", SHARED_TEXT_UTF8},
      {"\xE6\x97\xA5", SHARED_TEXT_UTF8},
      {"\xF0\x9F\x98\x80", SHARED_TEXT_UTF8},
      {"\xED\xA0\x80", SHARED_TEXT_UTF8},  // a surrogate reads back to itself
      {"\xC1\x81", SHARED_TEXT_OTHER},     // overlong
      {"\xE0\x81\x81", SHARED_TEXT_OTHER}, // overlong
      {"\xF0\x8F\xBF\xBF", SHARED_TEXT_OTHER},
      {"\xF4\x90\x80\x80", SHARED_TEXT_OTHER},  // beyond U+10FFFF
      {"abc\x80", SHARED_TEXT_OTHER},
      {"abcdefgh\xC3", SHARED_TEXT_OTHER},  // cut short
      {std::string("abcdefghij\0k", 12), SHARED_TEXT_OTHER},  // a zero inside the counted length
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "'" << c.bytes << "'");
    SharedString* record = SharedString_CreateSized(static_cast<int32_t>(c.bytes.size()));
    std::memcpy(record->text, c.bytes.data(), c.bytes.size());
    EXPECT_EQ(record->form, SHARED_TEXT_UNKNOWN);
    EXPECT_EQ(SharedString_Form(record), c.form);
    EXPECT_EQ(record->form, c.form);
    SharedString_Release(record);
  }
  // Joined texts keep a known form without a new look.
  SharedString* a = SharedString_Create("ab");
  SharedString* b = SharedString_Create("\xC3\xA9");
  SharedString_Form(a);
  SharedString_Form(b);
  SharedString* ab = SharedString_Join(a, b);
  SharedString* aa = SharedString_Join(a, a);
  EXPECT_EQ(ab->form, SHARED_TEXT_UTF8);
  EXPECT_EQ(aa->form, SHARED_TEXT_ASCII);
  for (SharedString* s : {a, b, ab, aa}) SharedString_Release(s);
}

}  // namespace
