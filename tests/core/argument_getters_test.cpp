// The argument getters and the real/int64/ptr conversions: what each kind gives, and the exact
// message (naming the built-in being called) for the kinds a getter refuses.
#include "core/argument_getters.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/registry_test_support.h"
#include "script/wx_object.h"

namespace {

RValue Int32(int32_t i) {
  RValue v = RValue_MakeUndefined();
  v.v32 = i;
  v.kind = VALUE_INT32;
  return v;
}
RValue Int64(int64_t i) {
  RValue v = RValue_MakeUndefined();
  v.v64 = i;
  v.kind = VALUE_INT64;
  return v;
}
RValue Bool(double d) {
  RValue v = RValue_MakeReal(d);
  v.kind = VALUE_BOOL;
  return v;
}
RValue Ptr(uintptr_t p) {
  RValue v = RValue_MakeUndefined();
  v.ptr = reinterpret_cast<void*>(p);
  v.kind = VALUE_PTR;
  return v;
}
RValue Str(const char* s) {
  RValue v = RValue_MakeUndefined();
  RValue_SetString(&v, s);
  return v;
}
RValue StrWithoutRecord() {
  RValue v = RValue_MakeUndefined();
  v.pString = nullptr;
  v.kind = VALUE_STRING;
  return v;
}
RValue Undef() { return RValue_MakeUndefined(); }
RValue Null() {
  RValue v = RValue_MakeUndefined();
  v.kind = VALUE_NULL;
  return v;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

template <typename T>
struct Case {
  RValue in;
  T expected;
  const char* message;  // null: no message
};

class ArgumentGettersTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Builtin_Add("other_fn", NoOpHandler, -1, 0);
    Builtin_Add("my_func", NoOpHandler, -1, 0);
    Builtin_SetCurrent(1);
    m_object = WXObject_Alloc(0, static_cast<int32_t>(VALUE_UNSET));
  }
  void TearDown() override {
    WXObject_Free(m_object);
    Builtin_SetCurrent(-1);
    RegistryTest::TearDown();
  }

  RValue Object() const {
    RValue v = RValue_MakeUndefined();
    v.pObj = m_object;
    v.kind = VALUE_OBJECT;
    return v;
  }

  // Reads each case as argument 1, between two arguments that would give other results.
  template <typename T, typename Getter, typename Check>
  void Run(Getter get, std::vector<Case<T>> cases, Check check) {
    for (size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE("case " + std::to_string(i));
      RuntimeErrorCapture::Reset();
      RValue args[3] = {Str("7"), cases[i].in, Str("8")};
      check(get(args, 1), cases[i].expected);
      if (cases[i].message != nullptr) {
        EXPECT_EQ(RuntimeErrorCapture::LastError(), cases[i].message);
        EXPECT_EQ(RuntimeErrorCapture::ExitCode(), 1);
      } else {
        EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
      }
      for (RValue& a : args) RValue_Release(&a);
    }
  }
  template <typename T, typename Getter>
  void Run(Getter get, std::vector<Case<T>> cases) {
    Run<T>(get, std::move(cases), [](T got, T want) { EXPECT_EQ(got, want); });
  }

  WXObjectBase* m_object = nullptr;
};

TEST_F(ArgumentGettersTest, WXGB) {
  Run<bool>(WXGB, {
                      {RValue_MakeReal(0.5), false, nullptr},
                      {RValue_MakeReal(0.51), true, nullptr},
                      {RValue_MakeReal(kNaN), false, nullptr},
                      {Int32(1), true, nullptr},
                      {Int32(-3), false, nullptr},
                      {Int64(int64_t{1} << 40), true, nullptr},
                      {Bool(0.0), false, nullptr},
                      {Bool(kNaN), true, nullptr},
                      {Str("1"), false, "my_func argument 2 incorrect type (1) expecting a Number (WXGB)"},
                      {Undef(), false, "my_func argument 2 incorrect type (5) expecting a Number (WXGB)"},
                  });
}

TEST_F(ArgumentGettersTest, WXGI32) {
  Run<int32_t>(WXGI32, {
                           {RValue_MakeReal(2.9), 2, nullptr},
                           {RValue_MakeReal(-2.9), -2, nullptr},
                           {RValue_MakeReal(kNaN), 0, nullptr},
                           {RValue_MakeReal(-kInf), 0, nullptr},
                           {RValue_MakeReal(2147483647.9), INT32_MAX, nullptr},
                           {RValue_MakeReal(-2147483648.9), INT32_MIN, nullptr},
                           {RValue_MakeReal(3e9), INT32_MIN, nullptr},
                           {RValue_MakeReal(-1e300), INT32_MIN, nullptr},
                           {Bool(1.0), 1, nullptr},
                           {Int32(-7), -7, nullptr},
                           {Int64(0x100000005LL), 5, nullptr},
                           {Str("12"), 12, nullptr},
                           {Str(" 0x10\n"), 16, nullptr},
                           {Str("-Infinity"), 0, nullptr},
                           {Str("12abc"), 0, nullptr},
                           {StrWithoutRecord(), 0, nullptr},
                           {Object(), 0, nullptr},
                           {Undef(), 0, "my_func argument 2 incorrect type (5) expecting a Number (WXGI32)"},
                           {Ptr(0x40), 0, "my_func argument 2 incorrect type (3) expecting a Number (WXGI32)"},
                       });
}

TEST_F(ArgumentGettersTest, WXGU32) {
  Run<uint32_t>(WXGU32, {
                            {RValue_MakeReal(-1.0), 0xFFFFFFFFu, nullptr},
                            {RValue_MakeReal(4294967297.5), 1u, nullptr},
                            {RValue_MakeReal(1e19), 0u, nullptr},
                            {RValue_MakeReal(kNaN), 0u, nullptr},
                            {Int32(-1), 0xFFFFFFFFu, nullptr},
                            {Int64(0x7FFFFFFF80000000LL), 0x80000000u, nullptr},
                            {Str("-2"), 0xFFFFFFFEu, nullptr},
                            {Null(), 0u, "my_func argument 2 incorrect type (12) expecting a Number (WXGU32)"},
                        });
}

TEST_F(ArgumentGettersTest, WXGI64) {
  Run<int64_t>(WXGI64, {
                           {Int32(-5), -5, nullptr},
                           {Int64(INT64_MAX), INT64_MAX, nullptr},
                           {RValue_MakeReal(-2.5), -2, nullptr},
                           {RValue_MakeReal(1e19), INT64_MIN, nullptr},
                           {RValue_MakeReal(-9223372036854775808.0), INT64_MIN, nullptr},
                           {RValue_MakeReal(kInf), 0, nullptr},
                           {Str("123456789012"), 123456789012LL, nullptr},
                           {Undef(), 0, "my_func argument 2 incorrect type expecting a Number"},
                       });
}

TEST_F(ArgumentGettersTest, WXGR) {
  Run<double>(WXGR, {
                        {RValue_MakeReal(1.5), 1.5, nullptr},
                        {RValue_MakeReal(kNaN), 0.0, nullptr},
                        {RValue_MakeReal(kInf), 0.0, nullptr},
                        {Bool(1.0), 1.0, nullptr},
                        {Int32(3), 3.0, nullptr},
                        {Int64(int64_t{1} << 53), 9007199254740992.0, nullptr},
                        {Str("2.5e1"), 25.0, nullptr},
                        {Str("x"), 0.0, nullptr},
                        {Str("   "), 0.0, nullptr},
                        {Undef(), 0.0, "my_func argument 2 incorrect type (5) expecting a Number (WXGR)"},
                    });
}

TEST_F(ArgumentGettersTest, WXGF) {
  Run<float>(WXGF, {
                       {RValue_MakeReal(0.1), 0.1f, nullptr},
                       {RValue_MakeReal(1e39), std::numeric_limits<float>::infinity(), nullptr},
                       {RValue_MakeReal(-1e39), -std::numeric_limits<float>::infinity(), nullptr},
                       {RValue_MakeReal(3.4028235e38), std::numeric_limits<float>::max(), nullptr},
                       // halfway past the largest float rounds to even: infinity
                       {RValue_MakeReal(3.4028235677973366e38), std::numeric_limits<float>::infinity(), nullptr},
                       {RValue_MakeReal(kNaN), 0.0f, nullptr},
                       {Int64(16777217), 16777216.0f, nullptr},
                       {Str("2"), 0.0f, "my_func argument 2 incorrect type (1) expecting a Number (WXGF)"},
                   });
}

TEST_F(ArgumentGettersTest, WXGS) {
  Run<const char*>(
      WXGS,
      {
          {Str("hi"), "hi", nullptr},
          {StrWithoutRecord(), nullptr, nullptr},
          {Object(), nullptr, nullptr},
          {RValue_MakeReal(1.0), nullptr, "my_func argument 2 incorrect type (0) expecting a String (WXGS)"},
      },
      [](const char* got, const char* want) {
        if (want == nullptr) {
          EXPECT_EQ(got, nullptr);
        } else {
          EXPECT_STREQ(got, want);
        }
      });
}

TEST_F(ArgumentGettersTest, WXGPtrOrNumKeepsAll64Bits) {
  Run<intptr_t>(WXGPtrOrNum,
                {
                    {Ptr(0x123456789ABCu), intptr_t{0x123456789ABC}, nullptr},
                    {Int32(-2), -2, nullptr},
                    {Int64(int64_t{1} << 40), intptr_t{1} << 40, nullptr},
                    {RValue_MakeReal(12.7), 12, nullptr},
                    {Str("5"), -1, "my_func argument 2 incorrect type (1) expecting a Number or Pointer"},
                });
}

// The conversions of real(), int64() and ptr() take the value itself.
TEST_F(ArgumentGettersTest, ConversionsOfRealInt64AndPtr) {
  const auto run = [](auto convert, auto cases) {
    for (size_t i = 0; i < cases.size(); ++i) {
      SCOPED_TRACE("case " + std::to_string(i));
      RuntimeErrorCapture::Reset();
      EXPECT_EQ(convert(&cases[i].in), cases[i].expected);
      EXPECT_EQ(RuntimeErrorCapture::LastError(), cases[i].message != nullptr ? cases[i].message : "");
      RValue_Release(&cases[i].in);
    }
  };
  run(RValue_ToReal, std::vector<Case<double>>{
                         {Int64((int64_t{1} << 53) + 1), 9007199254740992.0, "my_func conversion results in loss of data"},
                         {Int64(INT64_MAX), 9223372036854775808.0, "my_func conversion results in loss of data"},
                         {Int64(int64_t{1} << 53), 9007199254740992.0, nullptr},
                         {Int32(-4), -4.0, nullptr},
                         {Str("3.5abc"), 3.5, nullptr},
                         {StrWithoutRecord(), 0.0, nullptr},
                         {Ptr(0x10), 16.0, nullptr},
                         {Bool(1.0), 0.0, "my_func argument incorrect type"},
                         {Undef(), 0.0, "my_func argument incorrect type"},
                     });
  run(RValue_ToInt64, std::vector<Case<int64_t>>{
                          {RValue_MakeReal(-7.9), -7, nullptr},
                          {RValue_MakeReal(1e20), INT64_MIN, nullptr},
                          {Str("42"), 42, nullptr},
                          {Str("0x10"), 0, nullptr},
                          {StrWithoutRecord(), 0, nullptr},
                          {Ptr(0x100000000u), 0x100000000LL, nullptr},
                          {Int32(-1), -1, nullptr},
                          {Null(), 0, "my_func argument incorrect type"},
                      });
  run(RValue_ToPointer, std::vector<Case<void*>>{
                            {Str("ff"), reinterpret_cast<void*>(0xFF), nullptr},
                            {Str("0x1A"), reinterpret_cast<void*>(0x1A), nullptr},
                            {Int64(0x123456789LL), reinterpret_cast<void*>(0x123456789), nullptr},
                            {Int32(-1), reinterpret_cast<void*>(~uintptr_t{0}), nullptr},
                            {RValue_MakeReal(255.9), reinterpret_cast<void*>(255), nullptr},
                            {Ptr(0xABCDEF012345u), reinterpret_cast<void*>(0xABCDEF012345u), nullptr},
                            {Undef(), nullptr, "my_func argument incorrect type"},
                        });
}

TEST_F(ArgumentGettersTest, MessagesNameWhicheverBuiltinIsBeingCalled) {
  Builtin_SetCurrent(0);
  RValue args[1] = {Undef()};
  EXPECT_EQ(WXGR(args, 0), 0.0);
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "other_fn argument 1 incorrect type (5) expecting a Number (WXGR)");
}

}  // namespace
