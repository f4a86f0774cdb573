#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>

#include "core/value_test_util.h"
#include "core/math_epsilon.h"

namespace {

RValue Make(uint32_t kind, int64_t payload) {
  RValue v;
  v.v64 = payload;
  v.flags = 0;
  v.kind = kind;
  return v;
}

RValue Bool(double d) {
  RValue v = RValue_MakeReal(d);
  v.kind = VALUE_BOOL;
  return v;
}

TEST(ValueText, Scalars) {
  const double inf = std::numeric_limits<double>::infinity();
  struct Case {
    const char* name;
    RValue v;
    const char* text;
  };
  const Case cases[] = {
      {"whole real", RValue_MakeReal(3.0), "3"},
      {"negative zero", RValue_MakeReal(-0.0), "0"},
      {"fraction", RValue_MakeReal(2.5), "2.50"},
      {"negative fraction", RValue_MakeReal(-0.125), "-0.12"},
      {"beyond 64 bits", RValue_MakeReal(1e20), "100000000000000000000.00"},
      {"largest whole 64-bit", RValue_MakeReal(-9223372036854775808.0), "-9223372036854775808"},
      {"just past 64 bits", RValue_MakeReal(9223372036854775808.0), "9223372036854775808.00"},
      {"NaN", RValue_MakeReal(std::nan("")), "NaN"},
      {"infinity", RValue_MakeReal(inf), "inf"},
      {"negative infinity", RValue_MakeReal(-inf), "-inf"},
      {"bool true", Bool(1.0), "1"},
      {"bool false", Bool(0.0), "0"},
      {"bool negative zero", Bool(-0.0), "0"},
      {"bool other", Bool(0.25), "1"},
      {"undefined", RValue_MakeUndefined(), "undefined"},
      {"null object", Make(VALUE_OBJECT, 0), "null"},
      {"string without record", Make(VALUE_STRING, 0), ""},
      {"int32", Make(VALUE_INT32, static_cast<uint32_t>(-42)), "-42"},
      {"int64", Make(VALUE_INT64, INT64_MIN), "-9223372036854775808"},
      {"null", Make(VALUE_NULL, 0), ""},
      {"iterator", Make(VALUE_ITERATOR, 99), ""},
      {"unset", Make(VALUE_UNSET, 0), ""},
      {"real with a container marker", Make(VALUE_REAL | KIND_FLAG_DSLIST, 0), "0"},
  };
  for (const Case& c : cases) EXPECT_EQ(TextOf(&c.v), c.text) << c.name;

  char expected[64];
  int dummy = 0;
  std::snprintf(expected, sizeof expected, "%p", static_cast<void*>(&dummy));
  RValue p = Make(VALUE_PTR, 0);
  p.ptr = &dummy;
  EXPECT_EQ(TextOf(&p), expected);
  Val s("caf\xC3\xA9");
  EXPECT_EQ(TextOf(&s.v), "caf\xC3\xA9");
}

// The fast number formatting must agree with the C library's "%lld" and "%.2f" everywhere.
TEST(ValueText, RealsMatchTheCLibraryFormats) {
  std::mt19937_64 random(12345);
  std::uniform_int_distribution<int> exponent(-30, 70);
  std::uniform_real_distribution<double> mantissa(-10.0, 10.0);
  char expected[512];
  for (int i = 0; i < 20000; ++i) {
    double d = mantissa(random) * std::pow(10.0, exponent(random));
    if (i % 4 == 0) d = std::round(d);
    if (i % 7 == 0) d = std::round(d * 8) / 8;  // exact halves at the second decimal
    const RValue v = RValue_MakeReal(d);
    if (d >= -9223372036854775808.0 && d < 9223372036854775808.0 &&
        static_cast<double>(static_cast<int64_t>(d)) == d) {
      std::snprintf(expected, sizeof expected, "%lld", static_cast<long long>(d));
    } else {
      std::snprintf(expected, sizeof expected, "%.2f", d);
    }
    ASSERT_EQ(TextOf(&v), expected) << d;
  }
}

TEST(ValueText, ArraysPrintRowByRow) {
  Val a;
  const double values[2][2] = {{1, 2}, {3, 4}};
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 2; ++c) {
      const RValue e = RValue_MakeReal(values[r][c]);
      RValue_SetElement(&a.v, &e, Idx(r, c));
    }
  }
  EXPECT_EQ(TextOf(&a.v), "{ { 1,2 }, { 3,4 },  }");

  Val empty;
  empty.v.pArray = SharedArray_Create(&empty.v);
  empty.v.kind = VALUE_ARRAY;
  EXPECT_EQ(TextOf(&empty.v), "{  }");
  const RValue noRecord = Make(VALUE_ARRAY, 0);
  EXPECT_EQ(TextOf(&noRecord), "{  }");

  Val mixed;
  Val s("x");
  RValue_SetElement(&mixed.v, &s.v, Idx(1, 1));
  EXPECT_EQ(TextOf(&mixed.v), "{ {  }, { 0,x },  }");
}

TEST(ValueText, RepeatedAndSelfContainingArraysPrintEmptyInsideOneConversion) {
  Val inner;
  FillRow(&inner.v, {7});
  Val twice;
  RValue_SetElement(&twice.v, &inner.v, Idx(0, 0));
  RValue_SetElement(&twice.v, &inner.v, Idx(0, 1));
  EXPECT_EQ(TextOf(&twice.v), "{ { { { 7 },  },{  } },  }");
  // A new conversion prints everything again.
  EXPECT_EQ(TextOf(&twice.v), "{ { { { 7 },  },{  } },  }");
  EXPECT_EQ(TextOf(&inner.v), "{ { 7 },  }");

  Val self;
  FillRow(&self.v, {1});
  RValue_SetElement(&self.v, &self.v, Idx(0, 1));
  EXPECT_EQ(TextOf(&self.v), "{ { 1,{  } },  }");
  const RValue zero = RValue_MakeReal(0);
  RValue_SetElement(&self.v, &zero, Idx(0, 1));  // break the cycle so the record can be freed
}

TEST(ValueText, GrowableTextDoublesOrTakesWhatIsNeeded) {
  char* base = nullptr;
  char* cursor = nullptr;
  size_t capacity = 0;
  TextBuffer_Append(&cursor, &base, &capacity, "abc");
  EXPECT_EQ(capacity, 5u);  // 3 + 1 needed, twice 0 is not enough: needed + 1
  TextBuffer_Append(&cursor, &base, &capacity, "de");
  EXPECT_EQ(capacity, 10u);  // 6 needed: doubling (10) exceeds needed + 1
  const std::string longer(40, 'x');
  TextBuffer_Append(&cursor, &base, &capacity, longer.c_str());
  EXPECT_EQ(capacity, 47u);  // 46 needed: doubling (20) falls short
  EXPECT_EQ(std::string(base), "abcde" + longer);
  EXPECT_EQ(cursor - base, 45);
  EXPECT_EQ(*cursor, '\0');
  TextBuffer_Append(&cursor, &base, &capacity, base);  // its own text, moved by the growth
  EXPECT_EQ(std::string(base), "abcde" + longer + "abcde" + longer);
  MemoryManager_Free(base);
}

TEST(ValueText, TextRecordCollectsSeveralValues) {
  TextRecord record = {nullptr, 0, 0};
  Val s("abc");
  const RValue three = RValue_MakeReal(3);
  RValue_AppendToText(&record, &three);
  RValue_AppendToText(&record, &s.v);
  for (int i = 0; i < 100; ++i) RValue_AppendToText(&record, &s.v);
  EXPECT_EQ(record.length, 304);
  EXPECT_EQ(std::strlen(record.buffer), 304u);
  EXPECT_EQ(std::string(record.buffer, 7), "3abcabc");
  EXPECT_GT(record.capacity, record.length);
  const RValue nothing = Make(VALUE_NULL, 0);
  TextRecord empty = {nullptr, 0, 0};
  RValue_AppendToText(&empty, &nothing);
  EXPECT_EQ(empty.length, 0);
  EXPECT_STREQ(empty.buffer, "");
  TextRecord_Free(&record);
  TextRecord_Free(&empty);
}

TEST(ValueEquals, ByKind) {
  const double savedEpsilon = Math_Epsilon;
  Val ab1("ab");
  Val ab2("ab");
  Val abc("abc");
  Val nullText;
  RValue_SetString(&nullText.v, nullptr);
  Val emptyText("");
  RValue noRecord = Make(VALUE_STRING, 0);
  Val arr1;
  Val arr2;
  Val arr1Copy;
  FillRow(&arr1.v, {1});
  FillRow(&arr2.v, {1});
  RValue_Assign(&arr1Copy.v, &arr1.v);
  Val empty1;
  Val empty2;
  empty1.v.pArray = SharedArray_Create(&empty1.v);
  empty1.v.kind = VALUE_ARRAY;
  empty2.v.pArray = SharedArray_Create(&empty2.v);
  empty2.v.kind = VALUE_ARRAY;
  const double inf = std::numeric_limits<double>::infinity();

  struct Case {
    const char* name;
    RValue a;
    RValue b;
    bool equal;
  };
  const Case cases[] = {
      {"reals within epsilon", RValue_MakeReal(0.1 + 0.2), RValue_MakeReal(0.3), true},
      {"reals apart", RValue_MakeReal(1.0), RValue_MakeReal(1.0001), false},
      {"NaN", RValue_MakeReal(std::nan("")), RValue_MakeReal(std::nan("")), false},
      {"infinity", RValue_MakeReal(inf), RValue_MakeReal(inf), true},
      {"opposite infinities", RValue_MakeReal(inf), RValue_MakeReal(-inf), false},
      {"real and int32", RValue_MakeReal(1), Make(VALUE_INT32, 1), false},
      {"marker bits ignored", Make(VALUE_REAL | KIND_FLAG_DSMAP, 0), RValue_MakeReal(0), true},
      {"same text, two records", ab1.v, ab2.v, true},
      {"different text", ab1.v, abc.v, false},
      {"null text and empty text", nullText.v, emptyText.v, true},
      {"no record and a record", noRecord, emptyText.v, false},
      {"no record twice", noRecord, noRecord, true},
      {"one array record", arr1.v, arr1Copy.v, true},
      {"equal contents, two records", arr1.v, arr2.v, false},
      {"two arrays without rows", empty1.v, empty2.v, true},
      {"undefined", RValue_MakeUndefined(), RValue_MakeUndefined(), true},
      {"int32 equal", Make(VALUE_INT32, 5), Make(VALUE_INT32, 5), true},
      {"int64 differs in high word", Make(VALUE_INT64, 1), Make(VALUE_INT64, 0x100000001LL), false},
      {"pointers differ in high word", Make(VALUE_PTR, 1), Make(VALUE_PTR, 0x100000001LL), false},
      {"same pointer", Make(VALUE_PTR, 0x1234), Make(VALUE_PTR, 0x1234), true},
      {"same bool", Bool(1), Bool(1), false},
      {"null", Make(VALUE_NULL, 0), Make(VALUE_NULL, 0), false},
      {"iterator", Make(VALUE_ITERATOR, 3), Make(VALUE_ITERATOR, 3), false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(RValue_Equals(&c.a, &c.b), c.equal) << c.name;
    EXPECT_EQ(RValue_Equals(&c.b, &c.a), c.equal) << c.name << " (swapped)";
  }

  Math_Epsilon = 0;
  const RValue sum = RValue_MakeReal(0.1 + 0.2);
  const RValue third = RValue_MakeReal(0.3);
  EXPECT_FALSE(RValue_Equals(&sum, &third));
  EXPECT_TRUE(RValue_Equals(&third, &third));
  Math_Epsilon = savedEpsilon;
}

}  // namespace
