// The conversions every built-in variable accessor shares: what a setter takes as a number, the
// rounding to int32, the two boolean rules, and how a getter writes its result.
#pragma once

#include <cmath>
#include <cstdint>

#include "core/value.h"

// The number a setter reads from a value: reals, 32- and 64-bit integers and booleans. A string or
// any other kind has no number (its payload read as a double would be garbage), and the setter
// then changes nothing and reports false.
inline bool Builtin_Number(const RValue* v, double* out) {
  switch (RValue_Kind(v)) {
    case VALUE_REAL:
    case VALUE_BOOL: *out = v->val; return true;
    case VALUE_INT32: *out = v->v32; return true;
    case VALUE_INT64: *out = static_cast<double>(v->v64); return true;
    default: return false;
  }
}

// Nearest int32, halves to the even neighbour. NaN, infinities and values outside the int32 range
// give 0x80000000, the value the processor's own conversion gives, without undefined behaviour.
inline int32_t Builtin_Round(double v) {
  const double r = std::nearbyint(v);
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) return INT32_MIN;
  return static_cast<int32_t>(r);
}

// A float conversion that stays defined for reals beyond float's range (they become infinities).
inline float Builtin_Float(double v) {
  if (v > 3.4028234663852886e38) return INFINITY;
  if (v < -3.4028234663852886e38) return -INFINITY;
  return static_cast<float>(v);
}

// Integer fields of an instance take the value as float first, then round it.
inline int32_t Builtin_RoundFloat(double v) { return Builtin_Round(Builtin_Float(v)); }

// A flag written to a game variable (and timeline_running / timeline_loop): the rounded value
// above 0.5, so 0.5 and every negative value are false.
inline bool Builtin_GlobalBool(double v) { return Builtin_Round(v) > 0; }
// solid, visible and persistent: the rounded float is not 0, so -1 is true and 0.4 false.
inline bool Builtin_InstanceBool(double v) { return Builtin_RoundFloat(v) != 0; }

// The text of a string value, null for any other kind.
inline const char* Builtin_Text(const RValue* v) {
  return RValue_Kind(v) == VALUE_STRING && v->pString != nullptr ? v->pString->text : nullptr;
}

// Getters release what the value held before they write it.
inline bool Builtin_Real(RValue* out, double v) {
  RValue_Release(out);
  out->val = v;
  out->kind = VALUE_REAL;
  return true;
}
inline bool Builtin_String(RValue* out, const char* text) {
  RValue_SetString(out, text != nullptr ? text : "");
  return true;
}

// The background, view and alarm arrays read and write element 0 for an index outside their
// range, or for no index.
inline int32_t Builtin_ClampIndex(int32_t index, int32_t count) { return index >= 0 && index < count ? index : 0; }
