// The arithmetic, bitwise and logical instructions, run over assembled byte code.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "vm/op_test_support.h"

namespace {

using op_test::Int32Value;
using op_test::Int64Value;
using op_test::KindValue;
using op_test::OpProgramTest;
using op_test::SlotStack;

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kTwo63 = 9223372036854775808.0;

RValue ArrayValue(std::initializer_list<double> row) {
  RValue v = RValue_MakeUndefined();
  FillRow(&v, row);
  return v;
}

class ArithOpsTest : public OpProgramTest {};

// Each operator over its pair codes: the result's slot type (the slot is exactly that big) and
// value. Left operands are pushed first; `op.R.L` names the right (top) type first.
TEST_F(ArithOpsTest, TypedPairsGiveTheirSlotAndValue) {
  struct Case {
    const char* body;
    const char* slot;
    double value;
    const char* text = nullptr;  // string results
  } cases[] = {
      // add: reals, mixed, wrapping integers, joins
      {"push.d 1.5\npush.d 2.25\nadd.d.d", "d", 3.75},
      {"push.d 1.5\npush.i 2\nadd.i.d", "d", 3.5},
      {"push.i 2\npush.d 1.5\nadd.d.i", "d", 3.5},
      {"push.d 0.5\npush.l 4\nadd.l.d", "d", 4.5},
      {"push.l 4\npush.d 0.5\nadd.d.l", "d", 4.5},
      {"push.i 2147483647\npush.i 1\nadd.i.i", "i", -2147483648.0},
      {"push.l 2147483647\npush.i 1\nadd.i.l", "l", 2147483648.0},
      {"push.i -1\npush.l 5000000000\nadd.l.i", "l", 4999999999.0},
      {"push.l 9223372036854775807\npush.l 1\nadd.l.l", "l", -kTwo63},
      {"push.s \"ab\"\npush.s \"\"\nadd.s.s", "s", 0, "ab"},
      {"push.s \"\"\npush.s \"cd\"\nadd.s.s", "s", 0, "cd"},
      // sub
      {"push.i -2147483648\npush.i 1\nsub.i.i", "i", 2147483647},
      {"push.d 1\npush.l 3\nsub.l.d", "d", -2},
      {"push.l 10\npush.i 3\nsub.i.l", "l", 7},
      // mul: integers wrap; a count on the left repeats the string on the right
      {"push.i 65536\npush.i 65536\nmul.i.i", "i", 0},
      {"push.i 3\npush.d 0.5\nmul.d.i", "d", 1.5},
      {"push.l 4294967296\npush.l 4294967296\nmul.l.l", "l", 0},
      {"push.i -3\npush.l 5000000000\nmul.l.i", "l", -15000000000.0},
      {"push.i 3\npush.s \"ab\"\nmul.s.i", "s", 0, "ababab"},
      {"push.i -1\npush.s \"ab\"\nmul.s.i", "s", 0, ""},
      {"push.i 0\npush.s \"ab\"\nmul.s.i", "s", 0, ""},
      {"push.d 2.9\npush.s \"ab\"\nmul.s.d", "s", 0, "abab"},
      {"push.d nan\npush.s \"ab\"\nmul.s.d", "s", 0, ""},
      {"push.d 1e300\npush.s \"ab\"\nmul.s.d", "s", 0, ""},  // the count truncates to INT32_MIN
      // div: reals without a zero test, integers truncating, the smallest integer by -1 wraps
      {"push.d 1\npush.d 0\ndiv.d.d", "d", kInf},
      {"push.i 7\npush.d 2\ndiv.d.i", "d", 3.5},
      {"push.i -7\npush.i 2\ndiv.i.i", "i", -3},
      {"push.l 7\npush.i 2\ndiv.i.l", "l", 3},
      {"push.i -2147483648\npush.i -1\ndiv.i.i", "i", -2147483648.0},
      {"push.l -9223372036854775808\npush.l -1\ndiv.l.l", "l", -kTwo63},
      // rem: integer quotient; doubles truncated first (an int dividend's divisor to 32 bits)
      {"push.d 7.9\npush.d 2.5\nrem.d.d", "d", 3},
      {"push.i 7\npush.d 2.5\nrem.d.i", "d", 3},
      {"push.d -7.5\npush.l 2\nrem.l.d", "d", -3},
      {"push.i -7\npush.i 2\nrem.i.i", "i", -3},
      {"push.l 9\npush.i 2\nrem.i.l", "l", 4},
      {"push.i -2147483648\npush.i -1\nrem.i.i", "i", -2147483648.0},
      // mod: the sign of the dividend
      {"push.d 5.5\npush.d 2\nmod.d.d", "d", 1.5},
      {"push.d -5\npush.i 3\nmod.i.d", "d", -2},
      {"push.i -5\npush.i 3\nmod.i.i", "i", -2},
      {"push.l -7\npush.l 4\nmod.l.l", "l", -3},
      {"push.i -2147483648\npush.i -1\nmod.i.i", "i", 0},
      {"push.l -9223372036854775808\npush.i -1\nmod.i.l", "l", 0},
      // and, or, xor: bools by exact 1 and 0, doubles truncated to 64 bits
      {"push.b 1\npush.b 2\nand.b.b", "b", 0},
      {"push.b 1\npush.b 1\nand.b.b", "b", 1},
      {"push.b 0\npush.b 2\nor.b.b", "b", 0},
      {"push.b 1\npush.b 0\nor.b.b", "b", 1},
      {"push.b 0\npush.b 2\nxor.b.b", "b", 1},
      {"push.b 1\npush.b 2\nxor.b.b", "b", 0},
      {"push.d 12.7\npush.d 10.2\nand.d.d", "d", 8},
      {"push.d 7.9\npush.b 1\nand.b.d", "d", 1},
      {"push.b 1\npush.d 6\nor.d.b", "d", 7},
      {"push.i 6\npush.d 3.9\nor.d.i", "d", 7},
      {"push.d -1.5\npush.d 0\nor.d.d", "d", -1},
      {"push.d nan\npush.i 5\nor.i.d", "d", 5},
      {"push.d 1e30\npush.i 0\nor.i.d", "d", -kTwo63},
      {"push.i 12\npush.i 10\nxor.i.i", "i", 6},
      {"push.i -1\npush.l 4294967296\nand.l.i", "l", 4294967296.0},
      // shifts: 32-bit counts modulo 32, 64-bit counts by their low 8 bits
      {"push.i 1\npush.i 33\nshl.i.i", "i", 2},
      {"push.i 1\npush.i -1\nshl.i.i", "i", -2147483648.0},
      {"push.i -8\npush.i 1\nshr.i.i", "i", -4},
      {"push.i -8\npush.i 1\nshr.i.i kind=0x80", "i", 2147483644},
      {"push.i 1\npush.d 33.9\nshl.d.i", "d", 2},
      {"push.i -8\npush.d 1\nshr.d.i", "d", -4},
      {"push.i -8\npush.d 1\nshr.d.i kind=0x80", "d", 2147483644},
      {"push.d -8.5\npush.i 1\nshr.i.d", "d", -4},
      {"push.d 1\npush.l 40\nshl.l.d", "d", 1099511627776.0},
      {"push.l 3\npush.d 2.5\nshl.d.l", "d", 12},
      {"push.l 1\npush.l 64\nshl.l.l", "l", 0},
      {"push.l 1\npush.l 257\nshl.l.l", "l", 2},
      {"push.l 1\npush.i 63\nshl.i.l", "l", -kTwo63},
      {"push.i 1\npush.l 40\nshl.l.i", "l", 1099511627776.0},
      {"push.l -8\npush.l 200\nshr.l.l", "l", -1},
      {"push.l -8\npush.l 200\nshr.l.l kind=0x80", "l", 0},
      {"push.i -1\npush.l 1\nshr.l.i kind=0x80", "l", 9223372036854775807.0},
  };
  for (const Case& c : cases) ExpectTyped(c.body, c.slot, c.value, c.text);
}

// A variable operand makes the result a variable; its kind follows the variable unless that
// kind cannot hold the result.
TEST_F(ArithOpsTest, VariableOperandsGiveVariablesOfTheMatchingKind) {
  struct Case {
    const char* body;
    uint32_t kind;
    double value;
    const char* text = nullptr;
  } cases[] = {
      {"push.b true\nconv.b.v\npush.i 1\nadd.i.v", VALUE_BOOL, 2},
      {"push.d 1.5\nconv.d.v\npush.l 2\nadd.l.v", VALUE_REAL, 3.5},
      {"push.i 2\npush.d 0.25\nconv.d.v\nmul.v.i", VALUE_REAL, 0.5},
      {"push.d 5\nconv.d.v\npush.d 2\nconv.d.v\nsub.v.v", VALUE_REAL, 3},
      {"push.b true\nconv.b.v\npush.b true\nconv.b.v\nand.v.v", VALUE_BOOL, 1},
      {"push.d 1\nconv.d.v\npush.i 3\nshl.i.v", VALUE_REAL, 8},
      {"push.s \"a\"\nconv.s.v\npush.s \"b\"\nadd.s.v", VALUE_STRING, 0, "ab"},
      {"push.i 2\npush.s \"xy\"\nconv.s.v\nmul.v.i", VALUE_STRING, 0, "xyxy"},
  };
  for (const Case& c : cases) ExpectVariable(c.body, c.kind, c.value, c.text);
}

// Integer variables (which no instruction pushes yet) keep their width.
TEST_F(ArithOpsTest, IntegerVariablesKeepOrWidenTheirKind) {
  struct Case {
    RValue left;
    char right;  // 'i', 'l' or 'd'
    double rightValue;
    const char* op;
    uint32_t kind;
    double value;
  } cases[] = {
      {Int32Value(5), 'd', 0.5, "add.d.v", VALUE_REAL, 5.5},
      {Int32Value(5), 'l', 5000000000.0, "add.l.v", VALUE_INT64, 5000000005.0},
      {Int32Value(INT32_MAX), 'i', 1, "add.i.v", VALUE_INT32, -2147483648.0},
      {Int32Value(-9), 'i', 2, "div.i.v", VALUE_INT32, -4},
      {Int64Value(3), 'i', -2, "mul.i.v", VALUE_INT64, -6},
      {Int64Value(1), 'i', 40, "shl.i.v", VALUE_INT64, 1099511627776.0},
      {Int64Value(7), 'd', 2, "mod.d.v", VALUE_REAL, 1},
  };
  for (Case& c : cases) {
    c.left.flags = 5;  // the result's flags word is written whatever the operand's was
    SlotStack stack;
    stack.PushValue(c.left);
    if (c.right == 'i') stack.PushInt(static_cast<int32_t>(c.rightValue));
    if (c.right == 'l') stack.PushLong(static_cast<int64_t>(c.rightValue));
    if (c.right == 'd') stack.PushDouble(c.rightValue);
    stack.Run(c.op, 2, VMT_VARIABLE);
    ASSERT_FALSE(RuntimeErrorCapture::Reported()) << c.op << ": " << RuntimeErrorCapture::LastError();
    ASSERT_EQ(stack.Used(), 16) << c.op;
    const RValue result = stack.TopValue();
    EXPECT_EQ(result.kind, c.kind) << c.op;
    EXPECT_EQ(result.flags, 0u) << c.op;
    const double value = c.kind == VALUE_INT32 ? result.v32 : c.kind == VALUE_INT64 ? static_cast<double>(result.v64) : result.val;
    EXPECT_EQ(value, c.value) << c.op;
  }
  // The left variable's kind decides when both are variables.
  SlotStack stack;
  stack.PushValue(Int64Value(2));
  stack.PushValue(Int32Value(3));
  stack.Run("sub.v.v", 2, VMT_VARIABLE);
  EXPECT_EQ(stack.TopValue().kind, VALUE_INT64);
  EXPECT_EQ(stack.TopValue().v64, -1);
}

// Strings are joined and repeated into new records; every input record loses one reference.
TEST_F(ArithOpsTest, JoinsAndRepeatsReleaseTheirInputs) {
  SharedString* left = SharedString_Create("ab");
  SharedString* right = SharedString_Create("cd");
  ++left->refCount;
  ++right->refCount;
  {
    SlotStack stack;
    stack.PushString(left);
    stack.PushString(right);
    stack.Run("add.s.s", 2, VMT_STRING);
    ASSERT_EQ(stack.Used(), 4);
    EXPECT_STREQ(stack.TopString()->text, "abcd");
    EXPECT_EQ(stack.TopString()->length, 4);
    EXPECT_EQ(stack.TopString()->refCount, 1);
    EXPECT_EQ(left->refCount, 1);
    EXPECT_EQ(right->refCount, 1);

    // Two null records join to an empty text of length 0.
    stack.PushString(nullptr);
    stack.PushString(nullptr);
    stack.Run("add.s.s", 2, VMT_STRING);
    ASSERT_NE(stack.TopString(), nullptr);
    EXPECT_EQ(stack.TopString()->length, 0);
    EXPECT_STREQ(stack.TopString()->text, "");
  }
  {
    SlotStack stack;
    stack.PushValue(Int32Value(2));
    RValue text = RValue_MakeUndefined();
    RValue_SetStringCopy(&text, right);  // the variable holds a second reference
    stack.PushValue(text);
    stack.Run("mul.v.v", 2, VMT_VARIABLE);
    ASSERT_EQ(stack.TopValue().kind, VALUE_STRING);
    EXPECT_STREQ(stack.TopValue().pString->text, "cdcd");
    EXPECT_EQ(right->refCount, 1);
  }
  SharedString_Release(left);
  SharedString_Release(right);
}

// A join or repeat whose length does not fit in a record stops the code instead of writing
// past its block.
TEST_F(ArithOpsTest, OverlongStringsAreRuntimeErrors) {
  EXPECT_EQ(ErrorOf("push.i 2000000000\npush.s \"ab\"\nmul.s.i"), "DoMul :: the string would be too long");
  SharedString* huge = SharedString_Create("a");
  huge->length = INT32_MAX;  // as a record of that size would say
  ++huge->refCount;
  {
    SlotStack stack;
    stack.PushString(huge);
    stack.PushString(SharedString_Create("b"));
    stack.Run("add.s.s", 2, VMT_STRING);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), "DoAdd :: the string would be too long");
    EXPECT_TRUE(stack.Failed());
    EXPECT_EQ(stack.Used(), 0);
    EXPECT_EQ(huge->refCount, 1);
  }
  huge->length = 1;
  SharedString_Release(huge);
}

TEST_F(ArithOpsTest, TypedErrorsNameTheHandlerAndOperand) {
  struct Case {
    const char* body;
    const char* error;
  } cases[] = {
      {"call.i vundef 0\npush.i 1\nadd.i.v", "DoAdd :2: undefined value"},
      {"push.i 1\ncall.i vundef 0\nadd.v.i", "DoAdd :1: undefined value"},
      {"push.i 1\ncall.i vundef 0\nsub.v.i", "DoSub :1: undefined value"},
      {"call.i vundef 0\npush.d 1\nshr.d.v", "DoShr :2: undefined value"},
      {"push.i 1\ncall.i vundef 0\nshl.v.i", "DoShl :: undefined value"},
      {"call.i vundef 0\npush.i 1\nshl.i.v", "DoShl :2: undefined value"},
      {"push.i 1\ncall.i vundef 0\nmul.v.i", "undefined value"},
      {"push.i 7\npush.i 0\ndiv.i.i", "DoDiv :: Divide by zero"},
      {"push.l 7\npush.i 0\ndiv.i.l", "DoDiv :: Divide by zero"},
      {"push.d 1\npush.d 0.5\nrem.d.d", "DoRem :: Divide by zero"},
      {"push.i 1\npush.d inf\nrem.d.i", "DoRem :: Divide by zero"},
      {"push.l 1\npush.l 0\nrem.l.l", "DoRem :: Divide by zero"},
      {"push.d 1\npush.d 1e-11\nmod.d.d", "DoMod :: Divide by zero"},
      {"push.i 1\npush.i 0\nmod.i.i", "DoMod :: Divide by zero"},
      {"push.d 1\npush.i 0\nmod.i.d", "DoMod :: Divide by zero"},
      {"push.i 1\npush.s \"a\"\nadd.s.i", "DoAdd :: Execution Error"},
      {"push.b 1\npush.b 1\nadd.b.b", "DoAdd :: Execution Error"},
      {"push.f 1\npush.f 1\nsub.f.f", "DoSub:: Execution Error"},
      {"push.s \"ab\"\npush.i 3\nmul.i.s", "DoMul :: Execution Error"},
      {"push.l 3\npush.s \"ab\"\nmul.s.l", "DoMul :: Execution Error"},
      {"push.d 1\npush.b 1\nxor.b.d", "DoXor :: Execution Error"},
      {"push.i 1\npush.b 1\nand.b.i", "DoAnd :: Execution Error"},
      {"push.b 1\npush.b 1\nshl.b.b", "DoShl :: Execution Error"},
      {"push.i 1\npush.i 1\nrem.e.i", "DoRem :: Execution Error"},
      {"push.s \"a\"\npush.s \"b\"\nadd.ds.s", "DoAdd :: Execution Error"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.body), c.error) << c.body;
}

// A string where the operator takes none: each handler has its own texts for the right and left
// operand, held in a string slot or a variable.
TEST_F(ArithOpsTest, StringOperandTexts) {
  constexpr const char* kText = "Execution Engine - Cannot operate on string type";
  struct Case {
    const char* op;
    const char* places[4];  // right slot, right variable, left slot, left variable
  } cases[] = {
      {"sub", {"DoSub ::", "DoSub ::", "DoSub ::", "DoSub ::"}},
      {"div", {"DoDiv ::", "DoDiv :1:", "DoDiv ::", "DoDiv ::"}},
      {"mod", {"DoMod ::", "DoMod :1:", "DoMod ::", "DoMod ::"}},
      {"rem", {"DoRem ::", "DoRem :1:", "DoRem ::", "DoRem ::"}},
      {"and", {"DoAnd ::", "DoAnd :1:", "DoAnd ::", "DoAnd :2:"}},
      {"or", {"DoOr ::", "DoOr :1:", "DoOr :2:", "DoOr :2:"}},
      {"xor", {"DoXor :1:", "DoXor :1:", "DoXor :2:", "DoXor :2:"}},
      {"shl", {"DoShl ::", "DoShl ::", "DoShl :2:", "DoShl :2:"}},
      {"shr", {"DoShr :1:", "DoShr :1:", "DoShr :2:", "DoShr :2:"}},
  };
  for (const Case& c : cases) {
    const std::string op = c.op;
    const std::string bodies[4] = {
        "push.i 1\npush.s \"x\"\n" + op + ".s.i",
        "push.i 1\npush.s \"x\"\nconv.s.v\n" + op + ".v.i",
        "push.s \"x\"\npush.i 1\n" + op + ".i.s",
        "push.s \"x\"\nconv.s.v\npush.i 1\n" + op + ".i.v",
    };
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(ErrorOf(bodies[i]), std::string(c.places[i]) + " " + kText) << bodies[i];
    }
  }
}

// Arrays, pointers and malformed variables (which no instruction pushes yet) are refused with
// the handler's texts.
TEST_F(ArithOpsTest, RefusedVariableKinds) {
  int target = 0;
  const auto pointer = reinterpret_cast<uintptr_t>(&target);
  struct Case {
    RValue value;
    bool right;
    const char* op;
    const char* error;
  } cases[] = {
      {ArrayValue({1}), true, "add", "DoAdd :1: illegal array use"},
      {KindValue(VALUE_PTR, pointer), false, "sub", "DoSub :2: illegal pointer use"},
      {KindValue(VALUE_NULL), true, "div", "DoDiv :1: Malformed variable"},
      {KindValue(VALUE_UNSET), false, "xor", "DoXor :2: Malformed variable"},
      {ArrayValue({1}), true, "shl", "DoShl :: illegal array use"},
      {KindValue(VALUE_PTR, pointer), false, "shl", "DoShl :2: illegal pointer use"},
      {ArrayValue({1}), true, "mul", "illegal array use"},
      {ArrayValue({1}), false, "mul", "Variable is malformed"},
      {KindValue(VALUE_PTR, pointer), false, "mul", "illegal pointer use"},
      {KindValue(VALUE_OBJECT), true, "mul", "Variable is malformed"},
  };
  for (const Case& c : cases) {
    SlotStack stack;
    if (!c.right) stack.PushValue(c.value);
    stack.PushInt(1);
    if (c.right) stack.PushValue(c.value);
    const std::string op = std::string(c.op) + (c.right ? ".v.i" : ".i.v");
    stack.Run(op, 2, VMT_VARIABLE);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.error) << op;
    EXPECT_TRUE(stack.Failed()) << op;
    EXPECT_EQ(stack.Used(), 0) << op;  // both operands consumed, the array released
  }
}

TEST_F(ArithOpsTest, UnaryOperatorsWorkInPlace) {
  struct Case {
    const char* body;
    const char* slot;
    double value;
  } cases[] = {
      {"push.d 1.5\nneg.d.d", "d", -1.5},
      {"push.f 1.5\nneg.f.f", "f", -1.5},
      {"push.i -2147483648\nneg.i.i", "i", -2147483648.0},
      {"push.l 5000000000\nneg.l.l", "l", -5000000000.0},
      {"push.b true\nneg.b.b", "i", -1},
      {"push.d 2.7\nnot.d.d", "d", -3},
      {"push.d -2.7\nnot.d.d", "d", 1},
      {"push.d nan\nnot.d.d", "d", -1},
      {"push.f 2.5\nnot.f.f", "f", -3},
      {"push.i 0\nnot.i.i", "i", -1},
      {"push.l 0\nnot.l.l", "l", -1},
      {"push.b false\nnot.b.b", "b", 1},
      {"push.b 5\nnot.b.b", "i", 0},
      {"push.i 5\nneg.e.e", "i", 5},  // no value of that type: the slot is left alone
      {"push.i 5\nnot.ds.ds", "i", 5},
      {"push.d 2\nneg.d.d kind=3", "d", -2},  // variants above 2 are typed
  };
  for (const Case& c : cases) ExpectTyped(c.body, c.slot, c.value);
  RunAndReturn("push.d 0\nneg.d.d", "d");
  EXPECT_TRUE(std::signbit(m_result.val));

  // Variables keep their kind: a bool holding 1.0 becomes a bool holding -2.0.
  RunAndReturn("push.b true\nconv.b.v\nnot.v.v", "v");
  EXPECT_EQ(m_result.kind, VALUE_BOOL);
  EXPECT_EQ(m_result.val, -2);
  RunAndReturn("push.d 2\nconv.d.v\nneg.v.v", "v");
  EXPECT_EQ(m_result.kind, VALUE_REAL);
  EXPECT_EQ(m_result.val, -2);

  struct IntCase {
    RValue value;
    const char* op;
    int64_t expected;
  } ints[] = {
      {Int32Value(INT32_MIN), "neg.v.v", INT32_MIN},
      {Int32Value(0), "not.v.v", -1},
      {Int64Value(INT64_MIN), "neg.v.v", INT64_MIN},
      {Int64Value(5), "not.v.v", -6},
  };
  for (IntCase& c : ints) {
    c.value.flags = 3;
    SlotStack stack;
    stack.PushValue(c.value);
    stack.Run(c.op, 1, VMT_VARIABLE);
    const RValue result = stack.TopValue();
    EXPECT_EQ(result.kind, c.value.kind) << c.op;
    EXPECT_EQ(result.kind == VALUE_INT32 ? result.v32 : result.v64, c.expected) << c.op;
    EXPECT_EQ(result.flags, 0u) << c.op;
  }
}

TEST_F(ArithOpsTest, UnaryErrors) {
  struct Case {
    const char* body;
    const char* error;
  } cases[] = {
      {"call.i vundef 0\nneg.v.v", "DoNeg :1: undefined value"},
      {"call.i vundef 0\nnot.v.v", "DoNot :: Malformed variable"},
      {"push.s \"x\"\nconv.s.v\nneg.v.v", "DoNeg :1: Execution Engine - Cannot operate on string type"},
      {"push.s \"x\"\nconv.s.v\nnot.v.v", "DoNot :: Execution Engine - Cannot operate on string type"},
      {"push.s \"x\"\nneg.s.s", "DoNeg :: Execution Engine - Cannot operate on string type"},
      {"push.s \"x\"\nnot.s.s", "DoNot :: Execution Engine - Cannot operate on string type"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.body), c.error) << c.body;

  int target = 0;
  const auto pointer = reinterpret_cast<uintptr_t>(&target);
  struct KindCase {
    RValue value;
    const char* op;
    const char* error;
  } kinds[] = {
      {ArrayValue({1}), "neg.v.v", "DoNeg :1: illegal array use"},
      {ArrayValue({1}), "not.v.v", "DoNot :: illegal array use"},
      {KindValue(VALUE_PTR, pointer), "neg.v.v", "DoNeg :1: illegal pointer use"},
      {KindValue(VALUE_PTR, pointer), "not.v.v", "DoNot :: Malformed variable"},
      {KindValue(VALUE_NULL), "neg.v.v", "DoNeg :1: Malformed variable"},
  };
  for (const KindCase& c : kinds) {
    SlotStack stack;
    stack.PushValue(c.value);
    stack.Run(c.op, 1, VMT_VARIABLE);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.error) << c.op;
  }
}

// The object-mode forms need the standard objects; until they exist they stop the code. The
// variants that the table leaves typed stay typed.
TEST_F(ArithOpsTest, ObjectModeVariantsAreTypeErrors) {
  struct Case {
    const char* body;
    const char* error;  // "" when the variant is typed
  } cases[] = {
      {"push.i 1\npush.i 2\nadd.i.i kind=1", "DoAdd :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nadd.i.i kind=2", "DoAdd :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nadd.i.i kind=3", ""},
      {"push.s \"a\"\npush.s \"b\"\nsub.s.s kind=1", "DoSub :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nsub.i.i kind=2", ""},
      {"push.i 1\npush.i 2\nmul.i.i kind=1", "DoMul :: Execution Engine type error"},
      {"push.i 1\npush.i 2\ndiv.i.i kind=1", "DoDiv :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nmod.i.i kind=1", "DoMod :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nrem.i.i kind=1", ""},
      {"push.i 1\npush.i 2\nand.i.i kind=3", "DoAnd :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nor.i.i kind=15", "DoOr :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nxor.i.i kind=1", "DoXor :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nshl.i.i kind=2", "DoShl :: Execution Engine type error"},
      {"push.i 1\npush.i 2\nshr.i.i kind=0x81", "DoShr :: Execution Engine type error"},
      {"push.i 1\nneg.i.i kind=1", "DoNeg :: Execution Engine type error"},
      {"push.s \"a\"\nneg.s.s kind=2", "DoNeg :: Execution Engine type error"},
      {"push.i 1\nnot.i.i kind=1", "DoNot :: Execution Engine type error"},
      {"push.i 1\nnot.i.i kind=2", "DoNot :: Execution Engine type error"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.body), c.error) << c.body;
}

// Stored code is not trusted: operands missing from the stack stop the code.
TEST_F(ArithOpsTest, MissingOperandsAreRuntimeErrors) {
  struct Case {
    const char* body;
    const char* error;
  } cases[] = {
      {"add.i.i", "add: the operands are not on the stack"},
      {"push.i 1\nadd.i.i", "add: the operands are not on the stack"},
      {"push.i 1\npush.i 1\nsub.v.i", "sub: the operands are not on the stack"},
      {"push.d 1\nshl.d.d", "shl: the operands are not on the stack"},
      {"push.i 1\nneg.d.d", "neg: the operands are not on the stack"},
      {"not.v.v", "not: the operands are not on the stack"},
  };
  for (const Case& c : cases) EXPECT_EQ(ErrorOf(c.body), c.error) << c.body;
}

}  // namespace
