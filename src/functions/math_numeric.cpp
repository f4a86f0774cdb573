#include "functions/math_numeric.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "core/argument_getters.h"
#include "core/value.h"
#include "core/math_epsilon.h"
#include "functions/math_handlers.h"
#include "runtime/error_report.h"

namespace {

using math_builtins::kPi;

// Results this close to 0 read as 0, so that sin(pi) and dcos(90) are exactly 0.
constexpr float kTrigSnap = 0.00001f;

double Snapped(float f) { return std::fabs(f) < kTrigSnap ? 0.0 : static_cast<double>(f); }

float DegreesToRadians(float degrees) { return static_cast<float>(static_cast<double>(degrees) * kPi / 180.0); }
float RadiansToDegrees(float radians) { return static_cast<float>(static_cast<double>(radians) * 180.0 / kPi); }

// A library function applied to the float argument, its result rounded to a float.
template <double (*Fn)(double)>
float Apply(float x) {
  return static_cast<float>(Fn(static_cast<double>(x)));
}

double LibSin(double x) { return std::sin(x); }
double LibCos(double x) { return std::cos(x); }
double LibTan(double x) { return std::tan(x); }
double LibASin(double x) { return std::asin(x); }
double LibACos(double x) { return std::acos(x); }
double LibATan(double x) { return std::atan(x); }

// The inverse sine and cosine take [-1, 1] only; a NaN fails too.
bool InUnitRange(float x) { return x >= -1.0f && x <= 1.0f; }

// The index of the first value with the smallest (or largest) number: a later value wins only when
// it is strictly better. Numbers are read in order, so a getter error names the right argument.
template <typename NumberAt>
int32_t ExtremeIndex(int32_t count, NumberAt numberAt, bool largest) {
  int32_t best = 0;
  double bestNumber = numberAt(0);
  for (int32_t i = 1; i < count; ++i) {
    const double n = numberAt(i);
    if (largest ? n > bestNumber : n < bestNumber) {
      best = i;
      bestNumber = n;
    }
  }
  return best;
}

void PickFromArguments(RValue* result, int32_t argc, RValue* args, bool largest) {
  if (argc <= 0) {
    Args_SetReal(result, 0.0);
    return;
  }
  const int32_t best = ExtremeIndex(argc, [args](int32_t i) { return WXGR(args, i); }, largest);
  RValue_Assign(result, &args[best]);
}

void PickFromPointers(RValue* result, int32_t count, RValue** values, bool largest) {
  if (count <= 0) {
    Args_SetReal(result, 0.0);
    return;
  }
  const int32_t best = ExtremeIndex(count, [values](int32_t i) { return WXGR(values[i], 0); }, largest);
  RValue_Assign(result, values[best]);
}

}  // namespace

double F_Sign(double x) { return x > 0.0 ? 1.0 : (x == 0.0 ? 0.0 : -1.0); }

void F_Min(RValue* result, int32_t count, RValue** values) { PickFromPointers(result, count, values, false); }
void F_Max(RValue* result, int32_t count, RValue** values) { PickFromPointers(result, count, values, true); }

namespace math_builtins {

void Abs(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, std::fabs(WXGR(args, 0)));
}

// Nearest 32-bit integer, ties to even (the default rounding mode); a value outside the range
// gives INT32_MIN, as the processor's conversion does.
void Round(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double r = std::nearbyint(WXGR(args, 0));
  Args_SetReal(result, (r >= -2147483648.0 && r <= 2147483647.0) ? r : -2147483648.0);
}

void Floor(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, std::floor(WXGR(args, 0)));
}

void Ceil(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, std::ceil(WXGR(args, 0)));
}

void Sign(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x = WXGR(args, 0);  // NaN already reads as 0
  Args_SetReal(result, x > 0.0 ? 1.0 : (x < 0.0 ? -1.0 : 0.0));
}

void Frac(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x = WXGR(args, 0);
  Args_SetReal(result, x - std::trunc(x));
}

void Sqrt(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x = WXGR(args, 0);
  if (x < 0.0) {
    Error_Report(false, "Cannot apply sqrt to negative number.");
    Args_SetReal(result, 0.0);
    return;
  }
  Args_SetReal(result, std::sqrt(x));  // -0.0 is not below 0 and stays -0.0
}

void Sqr(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x = WXGR(args, 0);
  Args_SetReal(result, x * x);
}

void Exp(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, std::exp(WXGR(args, 0)));
}

void Ln(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, std::log(WXGR(args, 0)));
}

void Log2(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, std::log(WXGR(args, 0)) / std::log(2.0));
}

void Log10(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, std::log10(WXGR(args, 0)));
}

void LogN(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double n = WXGR(args, 0);
  const double x = WXGR(args, 1);
  Args_SetReal(result, std::log(x) / std::log(n));
}

void Power(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x = WXGR(args, 0);
  const double n = WXGR(args, 1);
  Args_SetReal(result, std::pow(x, n));
}

void Sin(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(Apply<LibSin>(WXGF(args, 0))));
}

void Cos(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(Apply<LibCos>(WXGF(args, 0))));
}

void Tan(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(Apply<LibTan>(WXGF(args, 0))));
}

void DSin(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(Apply<LibSin>(DegreesToRadians(WXGF(args, 0)))));
}

void DCos(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(Apply<LibCos>(DegreesToRadians(WXGF(args, 0)))));
}

void DTan(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(Apply<LibTan>(DegreesToRadians(WXGF(args, 0)))));
}

// After their report the inverse functions give 0 for an argument outside [-1, 1], the sine
// forms as the cosine forms do.
void ArcSin(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x = WXGF(args, 0);
  if (!InUnitRange(x)) {
    Error_Report(false, "Error in function arcsin().");
    Args_SetReal(result, 0.0);
    return;
  }
  Args_SetReal(result, Snapped(Apply<LibASin>(x)));
}

void ArcCos(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x = WXGF(args, 0);
  if (!InUnitRange(x)) {
    Error_Report(false, "Error in function arccos().");
    Args_SetReal(result, 0.0);
    return;
  }
  Args_SetReal(result, Snapped(Apply<LibACos>(x)));
}

void DArcSin(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x = WXGF(args, 0);
  if (!InUnitRange(x)) {
    Error_Report(false, "Error in function arcsin().");
    Args_SetReal(result, 0.0);
    return;
  }
  Args_SetReal(result, Snapped(RadiansToDegrees(Apply<LibASin>(x))));
}

void DArcCos(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x = WXGF(args, 0);
  if (!InUnitRange(x)) {
    Error_Report(false, "Error in function arccos().");
    Args_SetReal(result, 0.0);
    return;
  }
  Args_SetReal(result, Snapped(RadiansToDegrees(Apply<LibACos>(x))));
}

void ArcTan(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(Apply<LibATan>(WXGF(args, 0))));
}

void DArcTan(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, Snapped(RadiansToDegrees(Apply<LibATan>(WXGF(args, 0)))));
}

// The first argument is y.
void ArcTan2(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float y = WXGF(args, 0);
  const float x = WXGF(args, 1);
  Args_SetReal(result, Snapped(static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)))));
}

void DArcTan2(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float y = WXGF(args, 0);
  const float x = WXGF(args, 1);
  const float radians = static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
  Args_SetReal(result, Snapped(RadiansToDegrees(radians)));
}

void DegToRad(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, WXGR(args, 0) * kPi / 180.0);
}

void RadToDeg(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, WXGR(args, 0) * 180.0 / kPi);
}

void Min(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  PickFromArguments(result, argc, args, false);
}

void Max(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  PickFromArguments(result, argc, args, true);
}

void Mean(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc <= 0) {
    Args_SetReal(result, 0.0);
    return;
  }
  double sum = 0.0;
  for (int32_t i = 0; i < argc; ++i) sum += WXGR(args, i);
  Args_SetReal(result, sum / argc);
}

// For an even count the upper of the two middle values, not their average.
void Median(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc <= 0) {
    Args_SetReal(result, 0.0);
    return;
  }
  std::vector<double> numbers(static_cast<size_t>(argc));
  for (int32_t i = 0; i < argc; ++i) numbers[i] = WXGR(args, i);  // never NaN: the getter reads it as 0
  const auto middle = numbers.begin() + argc / 2;
  std::nth_element(numbers.begin(), middle, numbers.end());
  Args_SetReal(result, *middle);
}

// With lo above hi the answer is hi.
void Clamp(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x = WXGR(args, 0);
  const double lo = WXGR(args, 1);
  const double hi = WXGR(args, 2);
  const double y = lo > x ? lo : x;
  Args_SetReal(result, y > hi ? hi : y);
}

void Lerp(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double a = WXGR(args, 0);
  const double b = WXGR(args, 1);
  const double t = WXGR(args, 2);
  Args_SetReal(result, a + (b - a) * t);
}

void Real(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  Args_SetReal(result, RValue_ToReal(&args[0]));
}

// Values outside [0, 1) are ignored; the result stays undefined.
void MathSetEpsilon(RValue*, CInstance*, CInstance*, int32_t, RValue* args) {
  const double e = WXGR(args, 0);
  if (e >= 0.0 && e < 1.0) Math_Epsilon = e;
}

void MathGetEpsilon(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  Args_SetReal(result, Math_Epsilon);
}

}  // namespace math_builtins
