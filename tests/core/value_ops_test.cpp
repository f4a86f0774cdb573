#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "core/value_ops.h"
#include "core/value_test_util.h"

namespace {

RValue Int32(int32_t i) {
  RValue v = {{0.0}, 0, VALUE_INT32};
  v.v32 = i;
  return v;
}

RValue Int64(int64_t i) {
  RValue v = {{0.0}, 0, VALUE_INT64};
  v.v64 = i;
  return v;
}

RValue Bool(bool b) {
  RValue v = RValue_MakeReal(b ? 1.0 : 0.0);
  v.kind = VALUE_BOOL;
  return v;
}

class ValueOps : public ::testing::Test {
 protected:
  void SetUp() override { m_bytes = MemoryManager_BytesInUse(); }
  void TearDown() override {
    RuntimeErrorCapture::Reset();  // drops the last error text, which counts as memory in use
    EXPECT_EQ(MemoryManager_BytesInUse(), m_bytes);
  }
  RuntimeErrorCapture m_capture;
  int64_t m_bytes = 0;
};

TEST_F(ValueOps, ResultsAndTypeErrors) {
  Val ab("ab");
  Val cd("cd");
  Val s("s");
  Val huge("x");
  huge.v.pString->length = INT32_MAX;  // as a record of that size would say
  const RValue noText = {{0.0}, 0, VALUE_STRING};
  const RValue undef = RValue_MakeUndefined();
  using Op = std::function<RValue()>;
  struct Case {
    const char* name;
    Op op;
    uint32_t kind;
    const char* text;   // text form of the result
    const char* error;  // the reported message, or null for none
  };
  const Case cases[] = {
      {"real + real", [] { return RValue_Add(RValue_MakeReal(2.5), RValue_MakeReal(1)); }, VALUE_REAL, "3.50", nullptr},
      {"real + int32", [] { return RValue_Add(RValue_MakeReal(2), Int32(3)); }, VALUE_REAL, "5", nullptr},
      {"real + int64", [] { return RValue_Add(RValue_MakeReal(2), Int64(1LL << 40)); }, VALUE_REAL, "1099511627778", nullptr},
      {"real + bool", [] { return RValue_Add(RValue_MakeReal(2), Bool(true)); }, VALUE_REAL, "3", nullptr},
      {"string + string", [&] { return RValue_Add(ab.v, cd.v); }, VALUE_STRING, "abcd", nullptr},
      {"string without text + string", [&] { return RValue_Add(noText, cd.v); }, VALUE_STRING, "cd", nullptr},
      {"string + string past a record's length", [&] { return RValue_Add(ab.v, huge.v); }, VALUE_STRING, "",
       "unable to join strings: the result would be too long"},
      {"int32 + anything", [&] { return RValue_Add(Int32(4), cd.v); }, VALUE_INT32, "4", nullptr},
      {"string + real", [&] { return RValue_Add(ab.v, RValue_MakeReal(1)); }, VALUE_STRING, "ab",
       "invalid type for + lhs=ab, rhs=1"},
      {"real + string", [&] { return RValue_Add(RValue_MakeReal(1), ab.v); }, VALUE_REAL, "1",
       "invalid type for + lhs=1, rhs=ab"},
      {"real + undefined", [&] { return RValue_Add(RValue_MakeReal(1), undef); }, VALUE_REAL, "1",
       "invalid type for + lhs=1, rhs=undefined"},
      {"real - real", [] { return RValue_Sub(RValue_MakeReal(5), RValue_MakeReal(3)); }, VALUE_REAL, "2", nullptr},
      {"real - int32", [] { return RValue_Sub(RValue_MakeReal(5), Int32(3)); }, VALUE_REAL, "5", nullptr},
      {"string - real", [&] { return RValue_Sub(ab.v, RValue_MakeReal(3)); }, VALUE_STRING, "ab", nullptr},
      {"real *= real", [] { return RValue_MulAssign(RValue_MakeReal(3), RValue_MakeReal(4)); }, VALUE_REAL, "12", nullptr},
      {"real *= int32", [] { return RValue_MulAssign(RValue_MakeReal(3), Int32(-2)); }, VALUE_REAL, "-6", nullptr},
      {"string *= real", [&] { return RValue_MulAssign(ab.v, RValue_MakeReal(2)); }, VALUE_STRING, "ab",
       "invalid type for *= lhs=ab, rhs=2"},
      {"real *= string", [&] { return RValue_MulAssign(RValue_MakeReal(3), s.v); }, VALUE_REAL, "3",
       "invalid type for *= lhs=3, rhs=s"},
      {"real /= zero", [] { return RValue_DivAssign(RValue_MakeReal(1), RValue_MakeReal(0)); }, VALUE_REAL, "inf", nullptr},
      {"undefined /= real", [&] { return RValue_DivAssign(undef, RValue_MakeReal(2)); }, VALUE_UNDEFINED, "undefined",
       "invalid type for /= lhs=undefined, rhs=2"},
      {"real /= bool", [] { return RValue_DivAssign(RValue_MakeReal(3), Bool(true)); }, VALUE_REAL, "3", nullptr},
      {"real + number", [] { return RValue_AddReal(RValue_MakeReal(2), 3); }, VALUE_REAL, "5", nullptr},
      {"string + number", [&] { return RValue_AddReal(ab.v, 3); }, VALUE_STRING, "ab",
       "unable to add a number to string"},
      {"int32 + number", [] { return RValue_AddReal(Int32(7), 3); }, VALUE_INT32, "7", nullptr},
      {"real *= number", [] { return RValue_MulAssignReal(RValue_MakeReal(2), 2.25); }, VALUE_REAL, "4.50", nullptr},
      {"string *= number", [&] { return RValue_MulAssignReal(s.v, 2.5); }, VALUE_STRING, "s",
       "invalid type for *= lhs=s, rhs=2.50"},
      {"real /= number", [] { return RValue_DivAssignReal(RValue_MakeReal(9), 2); }, VALUE_REAL, "4.50", nullptr},
      {"int32 /= number", [] { return RValue_DivAssignReal(Int32(9), 2); }, VALUE_INT32, "9",
       "invalid type for /= lhs=9, rhs=2"},
      {"number + value", [] { return RValue_RealAdd(1, RValue_MakeReal(2)); }, VALUE_REAL, "3", nullptr},
      {"number + string", [&] { return RValue_RealAdd(1, s.v); }, VALUE_REAL, "1", "invalid type for + lhs=1, rhs=s"},
      {"number * int64", [] { return RValue_RealMul(2, Int64(3)); }, VALUE_REAL, "6", nullptr},
      {"number * undefined", [&] { return RValue_RealMul(2, undef); }, VALUE_REAL, "2",
       "invalid type for * lhs=2, rhs=undefined"},
      {"int - real", [] { return RValue_IntSub(5, RValue_MakeReal(2)); }, VALUE_REAL, "3", nullptr},
      {"int - string", [&] { return RValue_IntSub(5, s.v); }, VALUE_REAL, "5", nullptr},
      {"int - int32", [] { return RValue_IntSub(5, Int32(2)); }, VALUE_REAL, "5", nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RuntimeErrorCapture::Reset();
    RValue result = c.op();
    EXPECT_EQ(result.kind, c.kind);
    EXPECT_EQ(TextOf(&result), c.text);
    if (c.error != nullptr) {
      EXPECT_EQ(RuntimeErrorCapture::LastError(), c.error);
      EXPECT_EQ(RuntimeErrorCapture::ExitCode(), 1);
    } else {
      EXPECT_FALSE(RuntimeErrorCapture::Reported());
    }
    RValue_Release(&result);
  }
  // Operands are never changed, and every result was released: one reference each is left.
  EXPECT_EQ(ab.v.pString->refCount, 1);
  EXPECT_EQ(cd.v.pString->refCount, 1);
  EXPECT_STREQ(ab.v.pString->text, "ab");
}

TEST_F(ValueOps, CopiesOfTheLeftOperandShareItsRecord) {
  Val arr;
  FillRow(&arr.v, {1});
  RValue r = RValue_Add(arr.v, RValue_MakeReal(1));
  EXPECT_EQ(r.pArray, arr.v.pArray);
  EXPECT_EQ(arr.v.pArray->refCount, 2);
  RValue_Release(&r);
  Val s("keep");
  r = RValue_Sub(s.v, RValue_MakeReal(1));
  EXPECT_EQ(r.pString, s.v.pString);
  EXPECT_EQ(s.v.pString->refCount, 2);
  RValue_Release(&r);
  EXPECT_EQ(s.v.pString->refCount, 1);
}

TEST_F(ValueOps, AddingRealsAllocatesNothing) {
  const int64_t before = MemoryManager_BytesInUse();
  RValue sum = RValue_MakeReal(0);
  for (int i = 0; i < 1000; ++i) sum = RValue_Add(sum, RValue_MakeReal(0.5));
  EXPECT_EQ(sum.val, 500.0);
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
}

TEST_F(ValueOps, DuringAWatchEvaluationTypeErrorsOnlyMarkTheRunFailed) {
  Val ab("ab");
  g_VMWatchEvaluation = true;
  g_VMRunFailed = false;
  RValue r = RValue_MulAssign(ab.v, RValue_MakeReal(2));
  g_VMWatchEvaluation = false;
  EXPECT_TRUE(g_VMRunFailed);
  g_VMRunFailed = false;
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  EXPECT_EQ(r.pString, ab.v.pString);
  RValue_Release(&r);
}

}  // namespace
