// What a script-function handler reads of its call and how it answers: the arguments by position,
// each read only when the call brought it, and a result replaced by a real.
#pragma once

#include <cstdint>

#include "core/argument_getters.h"
#include "core/value.h"

namespace handler_args {

// The table does not hold callers to the registered count: an argument past the count reads as
// the getter's fallback instead of whatever lies beyond the caller's values.
struct Args {
  int32_t argc;
  RValue* values;
  bool Has(int32_t n) const { return n < argc && values != nullptr; }
  float F(int32_t n) const { return Has(n) ? WXGF(values, n) : 0.0f; }
  double R(int32_t n) const { return Has(n) ? WXGR(values, n) : 0.0; }
  int32_t I(int32_t n) const { return Has(n) ? WXGI32(values, n) : 0; }
  bool B(int32_t n) const { return Has(n) && WXGB(values, n); }
  const char* S(int32_t n) const { return Has(n) ? WXGS(values, n) : nullptr; }
};

inline void SetReal(RValue* result, double value) {
  RValue_Release(result);
  *result = RValue_MakeReal(value);
}
inline void SetBool(RValue* result, bool value) { SetReal(result, value ? 1.0 : 0.0); }

}  // namespace handler_args
