// How the vertex format and vertex buffer functions read their arguments: numbers are reals,
// 32- and 64-bit integers and booleans; whole numbers are the values truncated toward zero, with
// NaN, the infinities and values past the range kept defined.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/value.h"
#include "world/builtin_values.h"

namespace vertex_args {

inline bool IsNumber(const RValue* args, int32_t argc, int32_t i) {
  double v = 0;
  return args != nullptr && i < argc && Builtin_Number(&args[i], &v);
}
inline bool AllNumbers(const RValue* args, int32_t argc) {
  for (int32_t i = 0; i < argc; ++i) {
    if (!IsNumber(args, argc, i)) return false;
  }
  return true;
}
inline double Number(const RValue* args, int32_t argc, int32_t i) {
  double v = 0;
  if (args != nullptr && i < argc && Builtin_Number(&args[i], &v)) return v;
  return 0;
}
// Truncated toward zero; NaN and values outside int64 give INT64_MIN.
inline int64_t Trunc64(double v) {
  if (!(v > -9223372036854775808.0 && v < 9223372036854775808.0)) return INT64_MIN;
  return static_cast<int64_t>(v);
}
// Truncated toward zero; NaN and values outside int32 give INT32_MIN.
inline int32_t Trunc(double v) {
  if (!(v > -2147483649.0 && v < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(v);
}
inline int32_t Int(const RValue* args, int32_t argc, int32_t i) { return Trunc(Number(args, argc, i)); }
inline float Float(const RValue* args, int32_t argc, int32_t i) { return Builtin_Float(Number(args, argc, i)); }
// A texture argument: reals, pointers and integers, as the pointer-sized number they hold.
inline bool IsTextureValue(const RValue* args, int32_t argc, int32_t i) {
  if (args == nullptr || i >= argc) return false;
  const uint32_t kind = RValue_Kind(&args[i]);
  return kind == VALUE_REAL || kind == VALUE_PTR || kind == VALUE_INT32 || kind == VALUE_INT64;
}
inline int64_t TextureValue(const RValue* args, int32_t argc, int32_t i) {
  if (!IsTextureValue(args, argc, i)) return -1;
  const RValue& v = args[i];
  switch (RValue_Kind(&v)) {
    case VALUE_PTR: return static_cast<int64_t>(reinterpret_cast<intptr_t>(v.ptr));
    case VALUE_INT32: return v.v32;
    case VALUE_INT64: return v.v64;
    default: return Trunc64(v.val);
  }
}

}  // namespace vertex_args
