// The arguments of one built-in call, read by position. A handler reads only what the call
// brought: an argument past the count reads as the getter's fallback instead of whatever lies
// beyond the caller's values.
#pragma once

#include <cstdint>

#include "core/argument_getters.h"
#include "core/console.h"
#include "core/function_registry.h"
#include "core/value.h"

class CInstance;

struct Args {
  int32_t argc;
  RValue* values;
  bool Has(int32_t n) const { return n < argc && values != nullptr; }
  float F(int32_t n) const { return Has(n) ? WXGF(values, n) : 0.0f; }
  double R(int32_t n) const { return Has(n) ? WXGR(values, n) : 0.0; }
  int32_t I(int32_t n) const { return Has(n) ? WXGI32(values, n) : 0; }
  int64_t I64(int32_t n) const { return Has(n) ? WXGI64(values, n) : 0; }
  bool B(int32_t n) const { return Has(n) && WXGB(values, n); }
  const char* S(int32_t n) const { return Has(n) ? WXGS(values, n) : nullptr; }
  uint32_t U(int32_t n) const { return static_cast<uint32_t>(I(n)); }
  // Flags that scripts pass as numbers count when above 0 (a bool read would need above 0.5).
  bool Above0(int32_t n) const { return R(n) > 0.0; }
  // A string's text, null for any other kind without the getter's error.
  const char* Text(int32_t n) const {
    return Has(n) && RValue_Kind(&values[n]) == VALUE_STRING ? WXGS(values, n) : nullptr;
  }
  // The value itself (null past the count).
  const RValue* V(int32_t n) const { return Has(n) ? &values[n] : nullptr; }
  RValue* At(int32_t n) const { return Has(n) ? &values[n] : nullptr; }
};

// A built-in handler's definition (a handler need not use every parameter), and the reader of its
// arguments as its first statement.
#define BUILTIN_FN(name)                                                                              \
  void name([[maybe_unused]] RValue* result, [[maybe_unused]] CInstance* self,                        \
            [[maybe_unused]] CInstance* other, [[maybe_unused]] int32_t argc, [[maybe_unused]] RValue* argv)
#define HANDLER_ARGS        \
  const Args a{argc, argv}; \
  (void)a

// The result becomes a real (what it held before is released).
inline void Args_SetReal(RValue* result, double value) {
  RValue_Release(result);
  *result = RValue_MakeReal(value);
}

// The handler of a name that is registered but whose work is not built yet (some data-structure
// text forms, HTTP, JSON, zip): one console line naming the function; the result stays undefined.
inline void Handler_NotImplemented(RValue*, CInstance*, CInstance*, int32_t, RValue*) {
  Console_DebugOutput("%s not implemented.\n", Builtin_CurrentName());
}
