// Conversions of positions and box edges to int32 that stay defined for every float: NaN, huge
// and tiny values land inside the range, so an inclusive edge can still subtract 1.
#pragma once

#include <cmath>
#include <cstdint>

// Round to nearest (ties to even); NaN and values below the range give one above its least value,
// values above it the greatest.
inline int32_t Instance_Nearest(double v) {
  const double r = std::nearbyint(v);
  if (!(r > -2147483647.0)) return INT32_MIN + 1;
  if (!(r < 2147483647.0)) return INT32_MAX;
  return static_cast<int32_t>(r);
}

// Truncation toward zero; NaN gives the least value, values outside the range the nearer limit.
inline int32_t Instance_Truncate(float v) {
  if (!(v > -2147483648.0f)) return INT32_MIN;
  if (!(v < 2147483647.0f)) return INT32_MAX;
  return static_cast<int32_t>(v);
}
