// The arguments of one built-in call, read by position. A handler reads only what the call
// brought: an argument past the count reads as the getter's fallback instead of whatever lies
// beyond the caller's values.
#pragma once

#include <cstdint>

#include "core/argument_getters.h"
#include "core/value.h"

struct Args {
  int32_t argc;
  RValue* values;
  bool Has(int32_t n) const { return n < argc && values != nullptr; }
  float F(int32_t n) const { return Has(n) ? WXGF(values, n) : 0.0f; }
  double R(int32_t n) const { return Has(n) ? WXGR(values, n) : 0.0; }
  int32_t I(int32_t n) const { return Has(n) ? WXGI32(values, n) : 0; }
  bool B(int32_t n) const { return Has(n) && WXGB(values, n); }
  const char* S(int32_t n) const { return Has(n) ? WXGS(values, n) : nullptr; }
  // The value itself (null past the count).
  const RValue* V(int32_t n) const { return Has(n) ? &values[n] : nullptr; }
};

// The result becomes a real (what it held before is released).
inline void Args_SetReal(RValue* result, double value) {
  RValue_Release(result);
  *result = RValue_MakeReal(value);
}
