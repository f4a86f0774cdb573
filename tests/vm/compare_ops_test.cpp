// The comparison (set) and conversion (conv) instructions, run over assembled byte code.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "core/math_epsilon.h"
#include "vm/op_test_support.h"

namespace {

using op_test::Int32Value;
using op_test::Int64Value;
using op_test::KindValue;
using op_test::OpProgramTest;
using op_test::SlotStack;

RValue Copy(const RValue& v) {
  RValue copy = RValue_MakeUndefined();
  RValue_Assign(&copy, &v);
  return copy;
}

class CompareOpsTest : public OpProgramTest {
 protected:
  void TearDown() override {
    Math_Epsilon = 1e-10;
    OpProgramTest::TearDown();
  }
  // The six typed comparisons <, <=, ==, !=, >=, > of the two pushes, as "0"/"1" each.
  std::string Outcomes(const std::string& left, const std::string& right, const std::string& types) {
    std::string outcomes;
    for (int kind = 1; kind <= 6; ++kind) {
      RunAndReturn(left + "\n" + right + "\nset." + types + " " + std::to_string(kind), "b");
      if (RuntimeErrorCapture::Reported()) return RuntimeErrorCapture::LastError();
      outcomes += m_result.val != 0 ? '1' : '0';
    }
    return outcomes;
  }
  // Outcomes of two variables made by hand.
  static std::string Outcomes(const RValue& left, const RValue& right) {
    std::string outcomes;
    for (int kind = 1; kind <= 6; ++kind) {
      SlotStack stack;
      stack.PushValue(Copy(left));
      stack.PushValue(Copy(right));
      stack.Run("set.v.v " + std::to_string(kind), 2, VMT_BOOL);
      if (RuntimeErrorCapture::Reported()) return RuntimeErrorCapture::LastError();
      outcomes += stack.TopInt() != 0 ? '1' : '0';
    }
    return outcomes;
  }
};

//                                     <<=  ==  !=  >=  >
constexpr const char* kLess = "110100";
constexpr const char* kEqual = "011010";
constexpr const char* kGreater = "000111";
constexpr const char* kUnequal = "000100";
constexpr const char* kNone = "000000";

TEST_F(CompareOpsTest, TypedComparisonsByPair) {
  struct Case {
    const char* left;
    const char* right;
    const char* types;  // right type first
    const char* outcomes;
  } cases[] = {
      {"push.d 1", "push.d 2", "d.d", kLess},
      {"push.d 2", "push.d 2", "d.d", kEqual},
      {"push.d 2", "push.i 1", "i.d", kGreater},
      {"push.d 3", "push.l 4", "l.d", kLess},
      // NaN is false for every kind, != included
      {"push.d nan", "push.d 1", "d.d", kNone},
      {"push.d nan", "push.d nan", "d.d", kNone},
      {"push.d nan", "push.i 1", "i.d", kNone},
      {"push.d nan", "push.b true", "b.d", kNone},
      {"push.d inf", "push.d inf", "d.d", kEqual},
      {"push.d -inf", "push.d inf", "d.d", kLess},
      // a double against a bool: the difference is truncated
      {"push.d 0.5", "push.b true", "b.d", kEqual},
      {"push.d 1.5", "push.b true", "b.d", kEqual},
      {"push.d 2.5", "push.b true", "b.d", kGreater},
      {"push.b false", "push.d -0.9", "d.b", kEqual},
      // integers exactly
      {"push.i -2147483648", "push.i 1", "i.i", kLess},
      {"push.i 1", "push.b true", "b.i", kEqual},
      {"push.i 3", "push.l 3", "l.i", kEqual},
      {"push.l 9007199254740993", "push.l 9007199254740992", "l.l", kGreater},
      {"push.l -9223372036854775808", "push.l 9223372036854775807", "l.l", kLess},
      // strings bytewise and unsigned; a bool against a string by whether it has a record
      {"push.s \"B\"", "push.s \"a\"", "s.s", kLess},
      {"push.s \"\xC3\xA9\"", "push.s \"z\"", "s.s", kGreater},
      {"push.s \"ab\"", "push.s \"ab\"", "s.s", kEqual},
      {"push.s \"\"", "push.s \"a\"", "s.s", kLess},
      {"push.b true", "push.s \"x\"", "s.b", kEqual},
      {"push.s \"x\"", "push.b false", "b.s", kGreater},
      // pairs without a comparison are unequal
      {"push.f 1", "push.f 1", "f.f", kUnequal},
      {"push.d 1", "push.s \"1\"", "s.d", kUnequal},
      {"push.l 1", "push.b true", "b.l", kUnequal},
      // variables compare as what they hold; undefined only equals undefined
      {"call.i vundef 0", "call.i vundef 0", "v.v", kEqual},
      {"call.i vundef 0", "push.d 0", "d.v", kUnequal},
      {"push.d 2\nconv.d.v", "push.i 2", "i.v", kEqual},
      {"push.b true\nconv.b.v", "push.d 1", "d.v", kEqual},
      {"push.s \"a\"\nconv.s.v", "push.s \"b\"", "s.v", kLess},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Outcomes(c.left, c.right, c.types), c.outcomes) << c.left << " ? " << c.right;
    EXPECT_TRUE(LeavesOneSlot(std::string(c.left) + "\n" + c.right + "\nset." + c.types + " 3", "b")) << c.left;
  }
}

TEST_F(CompareOpsTest, NumbersCompareWithinTheEpsilonOfTheMoment) {
  const std::string sum = "push.d 0.1\npush.d 0.2\nadd.d.d\npush.d 0.3\nset.d.d 3";
  RunAndReturn(sum, "b");
  EXPECT_EQ(m_result.val, 1);
  Math_Epsilon = 0;
  RunAndReturn(sum, "b");
  EXPECT_EQ(m_result.val, 0);
  Math_Epsilon = 0.5;
  EXPECT_EQ(Outcomes("push.d 1", "push.d 1.4", "d.d"), kEqual);
  EXPECT_EQ(Outcomes("push.d 1", "push.d 1.6", "d.d"), kLess);
}

// Arrays, pointers and objects compare by identity: the same record is equal, equal contents in
// another record are not, and addresses that differ only above their low 32 bits differ.
TEST_F(CompareOpsTest, ReferencesCompareByIdentity) {
  RValue array = RValue_MakeUndefined();
  FillRow(&array, {1, 2});
  RValue twin = RValue_MakeUndefined();
  FillRow(&twin, {1, 2});
  EXPECT_EQ(Outcomes(array, array), kEqual);
  // Ordered by address, whichever way round that is, but never equal.
  EXPECT_EQ(Outcomes(array, twin).substr(2, 2), "01");
  RValue_Release(&array);
  RValue_Release(&twin);

  const RValue low = KindValue(VALUE_PTR, 0x100000010u);
  const RValue high = KindValue(VALUE_PTR, 0x200000010u);
  EXPECT_EQ(Outcomes(low, low), kEqual);
  EXPECT_EQ(Outcomes(low, high), kLess);
  EXPECT_EQ(Outcomes(KindValue(VALUE_OBJECT, 0x10), KindValue(VALUE_OBJECT, 0x10)), kEqual);

  EXPECT_EQ(Outcomes(Int32Value(-5), Int64Value(-5)), kEqual);
  EXPECT_EQ(Outcomes(Int32Value(7), Int32Value(-7)), kGreater);
}

TEST_F(CompareOpsTest, NullStringRecordsAreEmptyTexts) {
  struct Case {
    const char* left;  // null: the null record
    const char* right;
    const char* outcomes;
  } cases[] = {{nullptr, "", kEqual}, {nullptr, "a", kLess}, {nullptr, nullptr, kEqual}};
  for (const Case& c : cases) {
    std::string outcomes;
    for (int kind = 1; kind <= 6; ++kind) {
      SlotStack stack;
      stack.PushString(c.left != nullptr ? SharedString_Create(c.left) : nullptr);
      stack.PushString(c.right != nullptr ? SharedString_Create(c.right) : nullptr);
      stack.Run("set.s.s " + std::to_string(kind), 2, VMT_BOOL);
      outcomes += stack.TopInt() != 0 ? '1' : '0';
    }
    EXPECT_EQ(outcomes, c.outcomes) << (c.right != nullptr ? c.right : "null");
  }
}

TEST_F(CompareOpsTest, ComparisonErrors) {
  for (int kind = 7; kind <= 15; ++kind) {
    EXPECT_EQ(ErrorOf("push.i 1\npush.i 2\nset.i.i " + std::to_string(kind)), "DoSet :: Execution Engine type error")
        << kind;
  }
  EXPECT_EQ(ErrorOf("push.s \"a\"\npush.s \"b\"\nset.s.s 0"), "DoSet :: Execution Error");
  EXPECT_EQ(ErrorOf("push.i 1\nset.i.i 3"), "set: the operands are not on the stack");
  struct Case {
    RValue left;
    RValue right;
    const char* error;
  } cases[] = {
      {RValue_MakeReal(1), KindValue(VALUE_NULL), "DoSet :1: Malformed variable"},
      {KindValue(VALUE_FUNCREF), RValue_MakeReal(1), "DoSet :2: Malformed variable"},
      {KindValue(VALUE_UNSET), KindValue(VALUE_ITERATOR), "DoSet :1: Malformed variable"},
  };
  for (const Case& c : cases) {
    SlotStack stack;
    stack.PushValue(c.left);
    stack.PushValue(c.right);
    stack.Run("set.v.v 3", 2, VMT_BOOL);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.error);
    EXPECT_EQ(stack.Used(), 0);
  }
}

// The conversion matrix, target by source.
TEST_F(CompareOpsTest, TypedConversions) {
  struct Case {
    const char* body;
    const char* slot;
    double value;
    const char* text = nullptr;
  } cases[] = {
      // to bool
      {"push.d 0.5\nconv.d.b", "b", 0},
      {"push.d 0.51\nconv.d.b", "b", 1},
      {"push.f 0.75\nconv.f.b", "b", 1},
      {"push.i -3\nconv.i.b", "b", 0},
      {"push.l 5000000000\nconv.l.b", "b", 1},
      {"push.s \"true\"\nconv.s.b", "b", 1},
      {"push.s \"True\"\nconv.s.b", "b", 0},
      {"push.s \"yes\"\nconv.s.b", "b", 0},
      {"push.s \"true\"\nconv.s.v\nconv.v.b", "b", 1},
      {"push.s \"True\"\nconv.s.v\nconv.v.b", "b", 0},
      {"push.d 0.7\nconv.d.v\nconv.v.b", "b", 1},
      {"call.i vundef 0\nconv.v.b", "b", 0},
      // to int and int64: truncated, the low 32 bits, out of range as the argument getters
      {"push.d 2.99\nconv.d.i", "i", 2},
      {"push.d -2.99\nconv.d.i", "i", -2},
      {"push.f -7.5\nconv.f.i", "i", -7},
      {"push.l 4294967297\nconv.l.i", "i", 1},
      {"push.b true\nconv.b.i", "i", 1},
      {"push.d nan\nconv.d.i", "i", 0},
      {"push.d -inf\nconv.d.i", "i", 0},
      {"push.d 1e20\nconv.d.i", "i", INT32_MIN},
      {"push.d 1e20\nconv.d.l", "l", -9223372036854775808.0},
      {"push.d 3e9\nconv.d.l", "l", 3e9},
      {"push.i -5\nconv.i.l", "l", -5},
      {"push.d 7.9\nconv.d.v\nconv.v.i", "i", 7},
      // strings read as their leading decimal number
      {"push.s \"12abc\"\nconv.s.i", "i", 12},
      {"push.s \"12abc\"\nconv.s.d", "d", 12},
      {"push.s \"\"\nconv.s.i", "i", 0},
      {"push.s \"\"\nconv.s.d", "d", 0},
      {"push.s \"  -3.5e2xyz\"\nconv.s.d", "d", -350},
      {"push.s \".5\"\nconv.s.d", "d", 0.5},
      {"push.s \"1e\"\nconv.s.d", "d", 1},
      {"push.s \"0x10\"\nconv.s.d", "d", 0},
      {"push.s \"inf\"\nconv.s.d", "d", 0},
      {"push.s \"abc\"\nconv.s.i", "i", 0},
      {"push.s \" +42.9\"\nconv.s.i", "i", 42},
      {"push.s \"-2147483648\"\nconv.s.i", "i", INT32_MIN},
      {"push.s \"99999999999\"\nconv.s.i", "i", INT32_MIN},
      {"push.s \"5000000000\"\nconv.s.l", "l", INT32_MIN},  // read as a 32-bit integer
      {"push.s \"0.25\"\nconv.s.f", "f", 0.25},
      // to double and float
      {"push.f 0.1\nconv.f.d", "d", static_cast<double>(0.1f)},
      {"push.d 0.1\nconv.d.f", "f", static_cast<double>(0.1f)},
      {"push.d 1e300\nconv.d.f", "f", std::numeric_limits<double>::infinity()},
      {"push.l 9007199254740993\nconv.l.d", "d", 9007199254740992.0},
      {"push.b true\nconv.b.d", "d", 1},
      {"call.i vundef 0\nconv.v.d", "d", 0},
      {"push.d 2.5\nconv.d.v\nconv.v.d", "d", 2.5},
      // to string
      {"push.d 0.1\nconv.d.s", "s", 0, "0.1"},
      {"push.d 1e21\nconv.d.s", "s", 0, "1e+21"},
      {"push.f 0.5\nconv.f.s", "s", 0, "0.5"},
      {"push.i -42\nconv.i.s", "s", 0, "-42"},
      {"push.l -5000000000\nconv.l.s", "s", 0, "-5000000000"},
      {"push.b true\nconv.b.s", "s", 0, "true"},
      {"push.b false\nconv.b.s", "s", 0, "false"},
      {"call.i vundef 0\nconv.v.s", "s", 0, "false"},
      {"push.s \"kept\"\nconv.s.s", "s", 0, "kept"},
      {"push.s \"moved\"\nconv.s.v\nconv.v.s", "s", 0, "moved"},
      {"push.d 2.5\nconv.d.v\nconv.v.s", "s", 0, "2.50"},
      {"push.b true\nconv.b.v\nconv.v.s", "s", 0, "1"},
  };
  for (const Case& c : cases) ExpectTyped(c.body, c.slot, c.value, c.text);
}

TEST_F(CompareOpsTest, ConversionsToVariables) {
  struct Case {
    const char* body;
    uint32_t kind;
    double value;
    const char* text = nullptr;
  } cases[] = {
      {"push.d 2.5\nconv.d.v", VALUE_REAL, 2.5},
      {"push.f 0.1\nconv.f.v", VALUE_REAL, static_cast<double>(0.1f)},
      {"push.i -3\nconv.i.v", VALUE_REAL, -3},
      {"push.l 5000000000\nconv.l.v", VALUE_REAL, 5e9},
      {"push.b true\nconv.b.v", VALUE_BOOL, 1},
      {"push.b 7\nconv.b.v", VALUE_BOOL, 1},
      {"push.s \"s\"\nconv.s.v", VALUE_STRING, 0, "s"},
  };
  for (const Case& c : cases) ExpectVariable(c.body, c.kind, c.value, c.text);
}

// Variable kinds that no instruction pushes yet go through the argument getters.
TEST_F(CompareOpsTest, ConversionsOfIntegerAndNullVariables) {
  struct Case {
    RValue value;
    const char* op;
    uint32_t target;
    double expected;
    const char* text = nullptr;
  } cases[] = {
      {Int32Value(-7), "conv.v.d", VMT_DOUBLE, -7},
      {Int64Value(4294967297LL), "conv.v.i", VMT_INT, 1},
      {Int64Value(5000000000LL), "conv.v.l", VMT_LONG, 5e9},
      {Int32Value(3), "conv.v.b", VMT_BOOL, 1},
      {Int64Value(-1), "conv.v.b", VMT_BOOL, 0},
      {KindValue(VALUE_NULL), "conv.v.b", VMT_BOOL, 0},
      {KindValue(VALUE_NULL), "conv.v.s", VMT_STRING, 0, "false"},
      {Int64Value(4294967297LL), "conv.v.s", VMT_STRING, 0, "4294967297"},
  };
  for (const Case& c : cases) {
    SlotStack stack;
    stack.PushValue(c.value);
    stack.Run(c.op, 1, c.target);
    ASSERT_FALSE(RuntimeErrorCapture::Reported()) << c.op << ": " << RuntimeErrorCapture::LastError();
    switch (c.target) {
      case VMT_DOUBLE: EXPECT_EQ(stack.Used(), 8); EXPECT_EQ(stack.TopDouble(), c.expected) << c.op; break;
      case VMT_LONG: EXPECT_EQ(stack.Used(), 8); EXPECT_EQ(stack.TopLong(), static_cast<int64_t>(c.expected)) << c.op; break;
      case VMT_STRING: EXPECT_EQ(stack.Used(), 4); EXPECT_STREQ(stack.TopString()->text, c.text) << c.op; break;
      default: EXPECT_EQ(stack.Used(), 4); EXPECT_EQ(stack.TopInt(), static_cast<int32_t>(c.expected)) << c.op; break;
    }
  }
}

TEST_F(CompareOpsTest, ConversionErrors) {
  struct Case {
    const char* body;
    const char* error;
  } cases[] = {
      {"push.d 1\nconv.d.v\nconv.v.v", "DoConv :: Execution Error"},
      {"push.i 1\nconv.i.e", "DoConv :: Execution Error"},
      {"push.s \"a\"\nconv.ds.s", "DoConv :: Execution Error"},
      {"push.i 1\nconv.i.b kind=1", "DoConv :: Execution Engine type error"},
      {"push.s \"a\"\nconv.s.d kind=2", "DoConv :: Execution Engine type error"},
      {"conv.d.i", "conv: the operands are not on the stack"},
      {"push.i 1\nconv.v.d", "conv: the operands are not on the stack"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.body), c.error) << c.body;

  int target = 0;
  RValue array = RValue_MakeUndefined();
  FillRow(&array, {1});
  struct KindCase {
    RValue value;
    const char* error;
    int64_t used;  // bytes left on the stack
  } kinds[] = {
      {array, "DoConv :1: illegal array use", 0},
      {KindValue(VALUE_PTR, reinterpret_cast<uintptr_t>(&target)), "DoConv :1: illegal pointer use", 0},
      {KindValue(VALUE_FUNCREF), "DoConv :1: Malformed variable", 0},
      {KindValue(VALUE_OBJECT), "DoConv :1: Malformed variable", 0},
      // Nothing was ever stored: the code stops with the stack as it was.
      {KindValue(VALUE_UNSET), "DoConv :1: Could not find variable", 16},
  };
  for (const KindCase& c : kinds) {
    SlotStack stack;
    stack.PushValue(c.value);
    stack.Run("conv.v.i", 1, VMT_VARIABLE);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.error);
    EXPECT_TRUE(stack.Failed());
    EXPECT_EQ(stack.Used(), c.used) << c.error;
  }
}

}  // namespace
