#include "script/js_text.h"

#include <gtest/gtest.h>

#include "core/memory_manager.h"

#include <string>
#include <vector>

namespace {

std::string Utf8Of(std::vector<uint16_t> units) {
  C_UTF16String s("");
  MemoryManager_Free(s.units);
  s.units = static_cast<uint16_t*>(MemoryManager_Alloc(units.size() * 2 + 2, __FILE__, __LINE__, true));
  for (size_t i = 0; i < units.size(); ++i) s.units[i] = units[i];
  s.length = static_cast<int32_t>(units.size());
  RValue out = RValue_MakeUndefined();
  s.ToUTF8(&out, 0, s.length);
  std::string text = out.pString->text;
  RValue_Release(&out);
  return text;
}

TEST(JSText, TextBuilderGrowsByHalfAgain) {
  TextBuilder b;
  b.Reserve(10);
  EXPECT_EQ(b.capacity, 15);
  b.Append("abc");
  EXPECT_EQ(b.used, 3);
  EXPECT_STREQ(b.bytes, "abc");
  b.Append(nullptr);
  b.Append(std::string(40, 'x').c_str());
  EXPECT_EQ(b.used, 43);
  EXPECT_GE(b.capacity, 44);
  EXPECT_EQ(std::string(b.bytes), "abc" + std::string(40, 'x'));
  b.Free();
  EXPECT_EQ(b.capacity, 0);
}

TEST(JSText, Utf16ToUtf8) {
  const struct {
    std::vector<uint16_t> units;
    std::string utf8;
  } cases[] = {
      {{0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"}, {{0x007F}, "\x7F"}, {{0x07FF}, "\xDF\xBF"}, {{0xFFFF}, "\xEF\xBF\xBF"},
      {{0xDC00}, "\xED\xB0\x80"}, {{0xD800, 0x0041}, "A"}, {{0xD800}, "\xED\xA0\x80"},
  };
  for (const auto& c : cases) EXPECT_EQ(Utf8Of(c.units), c.utf8);

  C_UTF16String s("a\xF0\x9F\x98\x80" "b");
  ASSERT_EQ(s.length, 4);
  EXPECT_EQ(s.units[1], 0xD83D);
  EXPECT_EQ(s.units[2], 0xDE00);
  C_UTF16String needle("b");
  EXPECT_EQ(s.IndexOf(needle, 0), 3);
  EXPECT_EQ(s.IndexOf(needle, 4), -1);
  C_UTF16String empty("");
  EXPECT_EQ(s.IndexOf(empty, 9), 4);
  RValue out = RValue_MakeUndefined();
  s.ToUTF8(&out, 1, 99);  // a range past the end is cut to the string
  EXPECT_STREQ(out.pString->text, "\xF0\x9F\x98\x80" "b");
  RValue_Release(&out);
}

TEST(JSText, Utf8Reader) {
  UTF8Reader r;
  r.Init("\xD0\xB0\xF0\x9F\x98\x80");
  EXPECT_EQ(r.Next(), 0x430u);
  EXPECT_EQ(r.cursor - r.start, 2);
  EXPECT_EQ(r.Next(), 0x1F600u);
  EXPECT_EQ(r.cursor - r.start, 6);
  EXPECT_EQ(r.Next(), 0u);
  r.Init("\xE2\x82");  // cut short: the reader stops at the terminator
  r.Next();
  EXPECT_EQ(*r.cursor, '\0');
}

int32_t Ascending(void* context, const RValue* a, const RValue* b) {
  ++*static_cast<int*>(context);
  return a->val < b->val ? -1 : (a->val > b->val ? 1 : 0);
}

int32_t AbortOnSeven(void*, const RValue* a, const RValue* b) {
  if (a->val == 7 || b->val == 7) return kSortAbortPending;
  return a->val < b->val ? -1 : 1;
}

TEST(JSText, SortAndItsAbortCode) {
  std::vector<RValue> values;
  for (double d : {5, 3, 9, 1, 1, 8, 2, 0, 6}) values.push_back(RValue_MakeReal(d));
  int comparisons = 0;
  EXPECT_EQ(JS_Sort(values.data(), 0, static_cast<int32_t>(values.size()) - 1, &comparisons, &Ascending), 0);
  for (size_t i = 1; i < values.size(); ++i) EXPECT_LE(values[i - 1].val, values[i].val);
  EXPECT_GT(comparisons, 0);

  // The 7 is met only inside a sub-range: its abort code comes back.
  std::vector<RValue> more;
  for (double d : {4, 1, 2, 3, 7, 9, 8, 6}) more.push_back(RValue_MakeReal(d));
  EXPECT_EQ(JS_Sort(more.data(), 0, 7, nullptr, &AbortOnSeven), kSortAbortPending);
  EXPECT_EQ(JS_SortAbortCode(1), -5);
  EXPECT_EQ(JS_SortAbortCode(2), -4);
  EXPECT_EQ(JS_SortAbortCode(0), 0);

  // A long sorted run does not exhaust the stack.
  std::vector<RValue> sorted;
  for (int i = 0; i < 200000; ++i) sorted.push_back(RValue_MakeReal(i));
  comparisons = 0;
  EXPECT_EQ(JS_Sort(sorted.data(), 0, 199999, &comparisons, &Ascending), 0);
  EXPECT_EQ(sorted[123].val, 123.0);
}

TEST(JSText, MatchAtAndRandom) {
  EXPECT_EQ(JS_MatchAt("hello", 1, "ell"), 4);
  EXPECT_EQ(JS_MatchAt("hello", 3, "loo"), -1);
  EXPECT_EQ(JS_MatchAt("hello", 1, "elx"), -1);
  RValue r = RValue_MakeUndefined();
  for (int i = 0; i < 100; ++i) {
    JS_MathRandom(&r, nullptr, nullptr, 0, nullptr);
    EXPECT_GE(r.val, 0.0);
    EXPECT_LE(r.val, 1.0);
  }
}

}  // namespace
