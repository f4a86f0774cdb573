// The numeric functions of the Math group through the built-in table, and their fast entries.
#include "functions/math_numeric.h"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "core/value_text.h"
#include "functions/math_call.h"
#include "core/math_epsilon.h"

namespace {

using namespace math_test;

constexpr double kPiF = 3.1415927410125732;  // pi rounded to single precision
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct Case {
  const char* name;
  std::vector<RValue> args;
  double expected;
};

using MathNumericTest = MathTest;

TEST_F(MathNumericTest, AnswersOfTheEdgeList) {
  const Case cases[] = {
      {"abs", {Real(-2.5)}, 2.5},
      {"round", {Real(2.5)}, 2},
      {"round", {Real(3.5)}, 4},
      {"round", {Real(-2.5)}, -2},
      {"round", {Real(1e10)}, -2147483648.0},
      {"round", {Real(-1e10)}, -2147483648.0},
      {"round", {Real(2147483647.4)}, 2147483647.0},
      {"floor", {Real(-1.5)}, -2},
      {"ceil", {Real(-1.5)}, -1},
      {"frac", {Real(-1.25)}, -0.25},
      {"sign", {Real(-0.0)}, 0},
      {"sign", {Real(-3)}, -1},
      {"sign", {Real(kNaN)}, 0},
      {"sqr", {Real(-3)}, 9},
      {"sqrt", {Real(16)}, 4},
      {"exp", {Real(0)}, 1},
      {"ln", {Real(1)}, 0},
      {"log2", {Real(8)}, 3},
      {"log2", {Real(0)}, -kInf},
      {"log10", {Real(1000)}, 3},
      {"logn", {Real(3), Real(81)}, 4},
      {"power", {Real(2), Real(10)}, 1024},
      {"sin", {Real(kPiF)}, 0},
      {"dcos", {Real(90)}, 0},
      {"dcos", {Real(60)}, 0.4999999701976776},
      {"dsin", {Real(30)}, 0.5},
      {"dtan", {Real(90)}, -22877332},
      {"cos", {Real(0)}, 1},
      {"tan", {Real(0)}, 0},
      {"darcsin", {Real(0.5)}, 30},
      {"darccos", {Real(0.5)}, 60},
      {"darctan", {Real(1)}, 45},
      {"arctan", {Real(1)}, static_cast<double>(static_cast<float>(std::atan(1.0)))},
      {"arctan2", {Real(1), Real(0)}, static_cast<double>(static_cast<float>(kPiF / 2))},
      {"darctan2", {Real(-1), Real(0)}, -90},
      {"arcsin", {Real(1)}, static_cast<double>(static_cast<float>(std::asin(1.0)))},
      {"arccos", {Real(1)}, 0},
      {"degtorad", {Real(180)}, kPiF},
      {"radtodeg", {Real(kPiF)}, 180},
      {"median", {Real(1), Real(2), Real(3), Real(4)}, 3},
      {"median", {Real(4), Real(1), Real(3)}, 3},
      {"median", {Real(5)}, 5},
      {"median", {}, 0},
      {"mean", {}, 0},
      {"mean", {Real(1), Real(2), Text("6")}, 3},
      {"clamp", {Real(5), Real(10), Real(0)}, 0},
      {"clamp", {Real(-5), Real(0), Real(10)}, 0},
      {"clamp", {Real(15), Real(0), Real(10)}, 10},
      {"lerp", {Real(10), Real(20), Real(1.5)}, 25},
      {"max", {}, 0},
      {"min", {}, 0},
      {"min3", {Real(3), Real(-1), Real(2)}, -1},
      {"max3", {Real(3), Real(-1), Real(7)}, 7},
      {"real", {Text("12.5")}, 12.5},
      {"real", {Int32(-4)}, -4},
  };
  for (const Case& c : cases) {
    const double got = CallReal(c.name, c.args);
    EXPECT_EQ(got, c.expected) << c.name << "(" << (c.args.empty() ? 0.0 : c.args[0].val) << ")";
  }
  EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastReport();
}

TEST_F(MathNumericTest, ErrorsAreReportedAndTheGameGoesOnWithZero) {
  struct ErrorCase {
    const char* name;
    double argument;
    const char* message;
  };
  for (const ErrorCase& c : {ErrorCase{"sqrt", -4, "Cannot apply sqrt to negative number."},
                             ErrorCase{"arcsin", 1.5, "Error in function arcsin()."},
                             ErrorCase{"darcsin", -2, "Error in function arcsin()."},
                             ErrorCase{"arccos", 2, "Error in function arccos()."},
                             ErrorCase{"darccos", -1.0001, "Error in function arccos()."}}) {
    RuntimeErrorCapture::Reset();
    EXPECT_EQ(CallReal(c.name, {Real(c.argument)}), 0.0) << c.name;
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.message) << c.name;
    EXPECT_EQ(RuntimeErrorCapture::Exits(), 0) << c.name;
  }
  // The negative zero has no root problem.
  RuntimeErrorCapture::Reset();
  const double root = CallReal("sqrt", {Real(-0.0)});
  EXPECT_TRUE(root == 0.0 && std::signbit(root));
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(MathNumericTest, MinAndMaxKeepTheChosenArgumentsKind) {
  const Answer text = Call("min", {Text("3"), Real(5)});
  EXPECT_EQ(text.Kind(), VALUE_STRING);
  EXPECT_EQ(text.Text(), "3");
  // Equal numbers keep the earlier argument: the int32 one.
  const Answer second = Call("min", {Real(2), Int32(1), Real(1)});
  EXPECT_EQ(second.Kind(), VALUE_INT32);
  const Answer largest = Call("max", {Real(2), Int64(9), Real(9), Real(-1)});
  EXPECT_EQ(largest.Kind(), VALUE_INT64);
  EXPECT_EQ(largest.v.v64, 9);
}

TEST_F(MathNumericTest, EpsilonTakesOnlyValuesFromZeroBelowOne) {
  const double saved = Math_Epsilon;
  EXPECT_EQ(CallReal("math_get_epsilon"), 1e-10);
  for (const double ignored : {1.0, -0.1, 2.0}) {
    const Answer a = Call("math_set_epsilon", {Real(ignored)});
    EXPECT_EQ(a.Kind(), VALUE_UNDEFINED);
    EXPECT_EQ(Math_Epsilon, 1e-10) << ignored;
  }
  const RValue one = Real(1.0);
  const RValue nearOne = Real(1.0 + 1e-12);
  EXPECT_TRUE(RValue_Equals(&one, &nearOne));
  Call("math_set_epsilon", {Real(0)});
  EXPECT_EQ(CallReal("math_get_epsilon"), 0.0);
  EXPECT_FALSE(RValue_Equals(&one, &nearOne));
  Call("math_set_epsilon", {Real(0.5)});
  EXPECT_EQ(Math_Epsilon, 0.5);
  Math_Epsilon = saved;
}

TEST_F(MathNumericTest, FastEntriesMatchTheScriptFunctions) {
  for (const double x : {-2.0, -0.0, 0.0, 1e-300, 7.5}) EXPECT_EQ(F_Sign(x), CallReal("sign", {Real(x)})) << x;
  // Only the fast entry sees the NaN itself.
  EXPECT_EQ(F_Sign(kNaN), -1.0);
  const std::vector<std::vector<double>> lists = {{3, 1, 2}, {1, 1}, {-5}, {4, 9, 9, 0}};
  for (const std::vector<double>& list : lists) {
    for (const bool largest : {false, true}) {
      std::vector<RValue> values;
      for (const double d : list) values.push_back(Real(d));
      std::vector<RValue*> pointers;
      for (RValue& v : values) pointers.push_back(&v);
      Answer fast;
      (largest ? F_Max : F_Min)(&fast.v, static_cast<int32_t>(pointers.size()), pointers.data());
      EXPECT_EQ(fast.Real(), CallReal(largest ? "max" : "min", values));
    }
  }
  Answer none;
  F_Min(&none.v, 0, nullptr);
  EXPECT_EQ(none.Real(), 0.0);
}

TEST_F(MathNumericTest, ArgumentsOfNoNumberKindStopTheGame) {
  Call("floor", {Undefined()});
  EXPECT_EQ(RuntimeErrorCapture::Exits(), 1);
  RuntimeErrorCapture::Reset();
  // A call short of arguments reads undefined ones, never past the caller's values.
  Call("lerp", {Real(1)});
  EXPECT_GE(RuntimeErrorCapture::Exits(), 1);
  EXPECT_NE(RuntimeErrorCapture::LastError().find("lerp"), std::string::npos) << RuntimeErrorCapture::LastError();
}

}  // namespace
