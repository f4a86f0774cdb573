#include "functions/math_geometry.h"

#include <cmath>
#include <cstdint>

#include "core/argument_getters.h"
#include "functions/math_handlers.h"

namespace {

using math_builtins::kPi;

float ToRadians(float degrees) { return static_cast<float>(static_cast<double>(degrees) * kPi / 180.0); }

// Drops a fraction below 0.0001 in magnitude. The fraction keeps the sign of v, so only values
// just beyond a whole number (away from zero) snap: 4.99999 stays, 5.00001 becomes 5.
float SnapToWhole(float v) {
  float whole;
  const float fraction = std::modf(v, &whole);
  return std::fabs(fraction) < 0.0001f ? whole : v;
}

// float(x * x + y * y [+ z * z]) with the squares summed in double, from float components.
float SquaredLength(float x, float y, float z = 0.0f) {
  const double dx = x;
  const double dy = y;
  const double dz = z;
  return static_cast<float>(dx * dx + dy * dy + dz * dz);
}

float Length(float x, float y, float z = 0.0f) {
  return static_cast<float>(std::sqrt(static_cast<double>(SquaredLength(x, y, z))));
}

}  // namespace

float F_PointDirection(float x1, float y1, float x2, float y2) {
  const float dx = x2 - x1;
  const float dy = y2 - y1;
  if (dx == 0.0f) {
    if (dy > 0.0f) return 270.0f;
    if (dy < 0.0f) return 90.0f;
    return 0.0f;
  }
  float a = static_cast<float>(std::atan2(static_cast<double>(dy), static_cast<double>(dx)));
  a = static_cast<float>(static_cast<double>(a) * 180.0 / kPi);
  // The screen's y axis points down, so the angle turns the other way round.
  return a <= 0.0f ? -a : static_cast<float>(360.0 - static_cast<double>(a));
}

float F_LengthdirX(float len, float dir) {
  const float c = static_cast<float>(std::cos(static_cast<double>(ToRadians(dir))));
  return SnapToWhole(c * len);
}

float F_LengthdirY(float len, float dir) {
  const float s = static_cast<float>(std::sin(static_cast<double>(ToRadians(dir))));
  return SnapToWhole(-(s * len));
}

namespace math_builtins {

void PointDistance(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x1 = WXGF(args, 0);
  const float y1 = WXGF(args, 1);
  const float x2 = WXGF(args, 2);
  const float y2 = WXGF(args, 3);
  Args_SetReal(result, Length(x2 - x1, y2 - y1));
}

void PointDistance3D(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x1 = WXGF(args, 0);
  const float y1 = WXGF(args, 1);
  const float z1 = WXGF(args, 2);
  const float x2 = WXGF(args, 3);
  const float y2 = WXGF(args, 4);
  const float z2 = WXGF(args, 5);
  Args_SetReal(result, Length(x2 - x1, y2 - y1, z2 - z1));
}

void PointDirection(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x1 = WXGF(args, 0);
  const float y1 = WXGF(args, 1);
  const float x2 = WXGF(args, 2);
  const float y2 = WXGF(args, 3);
  Args_SetReal(result, F_PointDirection(x1, y1, x2, y2));
}

void LengthdirX(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float len = WXGF(args, 0);
  Args_SetReal(result, F_LengthdirX(len, WXGF(args, 1)));
}

void LengthdirY(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float len = WXGF(args, 0);
  Args_SetReal(result, F_LengthdirY(len, WXGF(args, 1)));
}

void DotProduct(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x1 = WXGR(args, 0);
  const double y1 = WXGR(args, 1);
  const double x2 = WXGR(args, 2);
  const double y2 = WXGR(args, 3);
  Args_SetReal(result, x1 * x2 + y1 * y2);
}

void DotProduct3D(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const double x1 = WXGR(args, 0);
  const double y1 = WXGR(args, 1);
  const double z1 = WXGR(args, 2);
  const double x2 = WXGR(args, 3);
  const double y2 = WXGR(args, 4);
  const double z2 = WXGR(args, 5);
  Args_SetReal(result, x1 * x2 + y1 * y2 + z1 * z2);
}

// A zero-length vector gives an infinite or NaN answer, without an error.
void DotProductNormalised(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x1 = WXGF(args, 0);
  const float y1 = WXGF(args, 1);
  const float x2 = WXGF(args, 2);
  const float y2 = WXGF(args, 3);
  const double numerator = static_cast<double>(x1) * x2 + static_cast<double>(y1) * y2;
  Args_SetReal(result, numerator / (static_cast<double>(Length(x1, y1)) * Length(x2, y2)));
}

void DotProduct3DNormalised(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float x1 = WXGF(args, 0);
  const float y1 = WXGF(args, 1);
  const float z1 = WXGF(args, 2);
  const float x2 = WXGF(args, 3);
  const float y2 = WXGF(args, 4);
  const float z2 = WXGF(args, 5);
  const double numerator =
      static_cast<double>(x1) * x2 + static_cast<double>(y1) * y2 + static_cast<double>(z1) * z2;
  Args_SetReal(result, numerator / (static_cast<double>(Length(x1, y1, z1)) * Length(x2, y2, z2)));
}

// a - b brought into [-180, 180): a difference of exactly 180 gives -180.
void AngleDifference(RValue* result, CInstance*, CInstance*, int32_t, RValue* args) {
  const float a = WXGF(args, 0);
  const float b = WXGF(args, 1);
  float d = a - b;
  d = std::fmod(d, 360.0f);
  d = d + 540.0f;
  d = std::fmod(d, 360.0f);
  Args_SetReal(result, static_cast<double>(d) - 180.0);
}

}  // namespace math_builtins
