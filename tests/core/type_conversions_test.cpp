#include "core/type_conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "core/value.h"

namespace {

RValue Str(const char* text) {
  RValue v = RValue_MakeUndefined();
  RValue_InitString(&v, text);
  return v;
}

RValue Kind(uint32_t kind, double d = 0.0) {
  RValue v = RValue_MakeReal(d);
  v.kind = kind;
  return v;
}

double ToNumber(const RValue& v) {
  RValue out = RValue_MakeUndefined();
  EXPECT_EQ(F_JS_ToNumber(&out, &v), kConvertDone);
  EXPECT_EQ(RValue_Kind(&out), VALUE_REAL);
  return out.val;
}

std::string ToText(const RValue& v) {
  RValue out = RValue_MakeUndefined();
  EXPECT_EQ(F_JS_ToString(&out, &v), kConvertDone);
  EXPECT_EQ(RValue_Kind(&out), VALUE_STRING);
  std::string s = out.pString->text;
  RValue_Release(&out);
  return s;
}

std::string NumberText(double d) { return ToText(RValue_MakeReal(d)); }

TEST(TypeConversions, StringNumericValues) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = HUGE_VAL;
  const struct {
    const char* text;
    double expected;
  } cases[] = {
      {"", 0},           {"   ", 0},       {" 42 ", 42},     {"4 2", nan},      {"0x1A", 26},
      {"0X1a", 26},      {"0x", nan},      {"0xG", nan},     {"0x1G", nan},     {"-0x10", nan},
      {"Infinity", inf}, {"+Infinity", inf}, {"-Infinity", -inf}, {"infinity", nan}, {".5", 0.5},
      {"5.", 5},         {"1e3", 1000},    {"+5", 5},        {"abc", nan},      {"0xFFFFFFFF", -1},
      {"0x100000000", 0}, {"inf", nan},    {"nan", nan},     {"-inf", nan},     {"1e", nan},
      {".", nan},        {"-", nan},       {"1e-400", 0},    {"-2.5E+2", -250}, {"\xE2\x80\xA9" "7\xEF\xBB\xBF", 7},
      {"\xC2\x85" "7", nan}, {"\t\n\v\f\r 8\xC2\xA0", 8}, {"\xE2\x80\xA8" "9", 9}, {"0x1A ", 26},
  };
  for (const auto& c : cases) {
    const RValue v = Str(c.text);
    const double got = ToNumber(v);
    if (std::isnan(c.expected)) {
      EXPECT_TRUE(std::isnan(got)) << '"' << c.text << "\" gave " << got;
    } else {
      EXPECT_EQ(got, c.expected) << '"' << c.text << '"';
    }
    RValue copy = v;
    RValue_Release(&copy);
  }
}

TEST(TypeConversions, ToNumberOfKinds) {
  EXPECT_TRUE(std::isnan(ToNumber(RValue_MakeUndefined())));
  EXPECT_EQ(ToNumber(Kind(VALUE_NULL)), 0.0);
  EXPECT_EQ(ToNumber(Kind(VALUE_BOOL, 1.0)), 1.0);
  RValue i32 = Kind(VALUE_INT32);
  i32.v64 = 0;
  i32.v32 = -7;
  EXPECT_EQ(ToNumber(i32), -7.0);
  RValue i64 = Kind(VALUE_INT64);
  i64.v64 = 1LL << 40;
  EXPECT_EQ(ToNumber(i64), 1099511627776.0);
  // Kinds without a number read as NaN rather than leaving the result as it was.
  for (uint32_t kind : {VALUE_ARRAY, VALUE_PTR, VALUE_ITERATOR, VALUE_UNSET}) {
    RValue v = Kind(kind);
    v.v64 = 0;
    RValue out = RValue_MakeReal(5.0);
    EXPECT_EQ(F_JS_ToNumber(&out, &v), kConvertDone);
    EXPECT_TRUE(std::isnan(out.val)) << kind;
  }
  // The NaN the conversions make has one bit pattern.
  const double nan = ToNumber(RValue_MakeUndefined());
  uint64_t bits;
  std::memcpy(&bits, &nan, sizeof bits);
  EXPECT_EQ(bits, 0x7FFFFFFFFFFFFFFFull);
}

TEST(TypeConversions, IntegerConversions) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const struct {
    double in;
    double int32;
    double uint32;
  } cases[] = {
      {2147483648.0, -2147483648.0, 2147483648.0}, {4294967295.0, -1, 4294967295.0}, {-1.5, -1, 4294967295.0},
      {3.9, 3, 3},  {nan, 0, 0},  {-HUGE_VAL, 0, 0},  {-1, -1, 4294967295.0}, {4294967296.0, 0, 0},
      {4294967297.5, 1, 1}, {1e20, 0, 0}, {-0.0, 0, 0},
  };
  for (const auto& c : cases) {
    const RValue v = RValue_MakeReal(c.in);
    RValue out = RValue_MakeUndefined();
    ASSERT_EQ(F_JS_ToInt32(&out, &v), kConvertDone);
    EXPECT_EQ(out.val, c.int32) << c.in;
    ASSERT_EQ(F_JS_ToUint32(&out, &v), kConvertDone);
    EXPECT_EQ(out.val, c.uint32) << c.in;
  }
  const RValue negative = RValue_MakeReal(-2.7);
  EXPECT_EQ(F_JS_ToInteger(&negative), -2.0);
  const RValue undefined = RValue_MakeUndefined();
  EXPECT_EQ(F_JS_ToInteger(&undefined), 0.0);
}

TEST(TypeConversions, NumberTexts) {
  const struct {
    double d;
    const char* text;
  } cases[] = {
      {0.1, "0.1"}, {100, "100"}, {1e20, "100000000000000000000"}, {1e21, "1e+21"},
      {1.5e21, "1500000000000000000000"}, {1.5e22, "1.5e+22"}, {0.000001, "0.000001"}, {1e-7, "1e-7"},
      {-1e-7, "-1e-7"}, {-0.0, "0"}, {1.0 / 3.0, "0.3333333333333333"}, {5e-324, "5e-324"},
      {std::numeric_limits<double>::quiet_NaN(), "NaN"}, {HUGE_VAL, "Infinity"}, {-HUGE_VAL, "-Infinity"},
      {1.7976931348623157e308, "1.7976931348623157e+308"}, {123.456, "123.456"}, {-42, "-42"},
      {1.25e-5, "0.0000125"}, {123e-20, "1.23e-18"},
  };
  for (const auto& c : cases) EXPECT_EQ(NumberText(c.d), c.text);
  RValue five = Kind(VALUE_INT32);
  five.v64 = 0;
  five.v32 = 5;
  EXPECT_EQ(ToText(five), "5");
}

TEST(TypeConversions, ToStringAndToBooleanOfKinds) {
  EXPECT_EQ(ToText(RValue_MakeUndefined()), "undefined");
  EXPECT_EQ(ToText(Kind(VALUE_NULL)), "null");
  EXPECT_EQ(ToText(Kind(VALUE_BOOL, 1.0)), "true");
  EXPECT_EQ(ToText(Kind(VALUE_BOOL, 0.0)), "false");
  for (uint32_t kind : {VALUE_ARRAY, VALUE_PTR, VALUE_UNSET}) {
    RValue v = Kind(kind);
    v.v64 = 0;
    EXPECT_EQ(ToText(v), "[[unknown]]");
  }
  RValue s = Str("abc");
  EXPECT_EQ(ToText(s), "abc");
  EXPECT_EQ(s.pString->refCount, 1);
  // Converting a value into itself keeps the text alive.
  RValue self = RValue_MakeReal(2.5);
  ASSERT_EQ(F_JS_ToString(&self, &self), kConvertDone);
  EXPECT_STREQ(self.pString->text, "2.5");
  RValue_Release(&self);

  EXPECT_TRUE(JS_ToBoolean(&s));
  RValue empty = Str("");
  EXPECT_FALSE(JS_ToBoolean(&empty));
  const RValue nan = RValue_MakeReal(std::numeric_limits<double>::quiet_NaN());
  EXPECT_FALSE(JS_ToBoolean(&nan));
  const RValue zero = RValue_MakeReal(-0.0);
  EXPECT_FALSE(JS_ToBoolean(&zero));
  const RValue tiny = RValue_MakeReal(5e-324);
  EXPECT_TRUE(JS_ToBoolean(&tiny));
  const RValue null = Kind(VALUE_NULL);
  EXPECT_FALSE(JS_ToBoolean(&null));
  const RValue yes = Kind(VALUE_BOOL, 1.0);
  EXPECT_TRUE(JS_ToBoolean(&yes));
  RValue_Release(&s);
  RValue_Release(&empty);
}

TEST(TypeConversions, WhiteSpaceAndDigits) {
  for (uint32_t c : {0x20u, 0x09u, 0x0Au, 0x0Du, 0x0Bu, 0xA0u, 0x0Cu, 0x2028u, 0x2029u, 0xFEFFu, 0x3000u, 0x0903u})
    EXPECT_TRUE(JS_IsWhiteSpace(c)) << std::hex << c;
  for (uint32_t c : {0x85u, 0x1Cu, 0x41u, 0x00u, 0x4E00u, 0x110000u}) EXPECT_FALSE(JS_IsWhiteSpace(c)) << std::hex << c;
  EXPECT_EQ(JS_DigitValue('Z', 36), 35);
  EXPECT_EQ(JS_DigitValue('z', 10), -1);
  EXPECT_EQ(JS_DigitValue('7', 8), 7);
  EXPECT_EQ(JS_DigitValue('8', 8), -1);
  EXPECT_FALSE(JS_SignBitClear(-0.0));
  EXPECT_TRUE(JS_SignBitClear(0.0));
  EXPECT_TRUE(JS_IsNonFinite(std::numeric_limits<double>::quiet_NaN()));
  EXPECT_FALSE(JS_IsNonFinite(1e308));
}

}  // namespace
