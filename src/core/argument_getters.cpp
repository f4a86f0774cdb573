#include "core/argument_getters.h"

#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "core/function_registry.h"
#include "core/value.h"
#include "core/vm_error.h"
#include "core/type_conversions.h"

namespace {

constexpr double kTwo31 = 2147483648.0;
constexpr double kTwo63 = 9223372036854775808.0;
// Doubles from here on round to infinity as floats (the midpoint past FLT_MAX rounds to even).
constexpr double kFloatOverflow = 0x1.ffffffp127;

int32_t TruncateToInt32(double d) {
  if (!std::isfinite(d)) return 0;
  if (d > -kTwo31 - 1.0 && d < kTwo31) return static_cast<int32_t>(d);
  return INT32_MIN;
}

int64_t TruncateToInt64(double d) {
  if (!std::isfinite(d)) return 0;
  if (d >= -kTwo63 && d < kTwo63) return static_cast<int64_t>(d);
  return INT64_MIN;
}

uint32_t TruncateToUint32(double d) {
  if (!std::isfinite(d) || !(d >= -kTwo63 && d < kTwo63)) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(d)));
}

double FiniteOrZero(double d) { return std::isfinite(d) ? d : 0.0; }

float RoundToFloat(double d) {
  if (!std::isfinite(d)) return 0.0f;
  if (std::fabs(d) >= kFloatOverflow) return d > 0.0 ? HUGE_VALF : -HUGE_VALF;
  return static_cast<float>(d);
}

// A string or script object read as a number: NaN when it does not convert.
double ConvertedNumber(const RValue* v) {
  RValue number = RValue_MakeReal(JS_NaN());
  F_JS_ToNumber(&number, v);
  const double d = RValue_Kind(&number) == VALUE_REAL ? number.val : JS_NaN();
  RValue_Release(&number);
  return d;
}

uint32_t KindOf(const RValue* v) { return RValue_Kind(v); }
int KindNumber(const RValue* v) { return static_cast<int>(KindOf(v)); }
int ArgumentNumber(int32_t n) { return static_cast<int>(n) + 1; }

}  // namespace

bool WXGB(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_REAL: return v->val > 0.5;
    case VALUE_INT32: return v->v32 > 0;
    case VALUE_INT64: return v->v64 > 0;
    case VALUE_BOOL: return v->val != 0.0;
    default:
      VM_RuntimeError("%s argument %d incorrect type (%d) expecting a Number (WXGB)", Builtin_CurrentName(),
                      ArgumentNumber(n), KindNumber(v));
      return false;
  }
}

int32_t WXGI32(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_REAL:
    case VALUE_BOOL: return TruncateToInt32(v->val);
    case VALUE_INT32:
    case VALUE_INT64: return static_cast<int32_t>(v->v64);
    case VALUE_STRING:
    case VALUE_OBJECT: return TruncateToInt32(ConvertedNumber(v));
    default:
      VM_RuntimeError("%s argument %d incorrect type (%d) expecting a Number (WXGI32)", Builtin_CurrentName(),
                      ArgumentNumber(n), KindNumber(v));
      return 0;
  }
}

uint32_t WXGU32(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_REAL:
    case VALUE_BOOL: return TruncateToUint32(v->val);
    case VALUE_INT32:
    case VALUE_INT64: return static_cast<uint32_t>(v->v64);
    case VALUE_STRING:
    case VALUE_OBJECT: return TruncateToUint32(ConvertedNumber(v));
    default:
      VM_RuntimeError("%s argument %d incorrect type (%d) expecting a Number (WXGU32)", Builtin_CurrentName(),
                      ArgumentNumber(n), KindNumber(v));
      return 0;
  }
}

int64_t WXGI64(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_REAL:
    case VALUE_BOOL: return TruncateToInt64(v->val);
    case VALUE_INT32: return v->v32;
    case VALUE_INT64: return v->v64;
    case VALUE_STRING:
    case VALUE_OBJECT: return TruncateToInt64(ConvertedNumber(v));
    default:
      VM_RuntimeError("%s argument %d incorrect type expecting a Number", Builtin_CurrentName(), ArgumentNumber(n));
      return 0;
  }
}

double WXGR(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_REAL:
    case VALUE_BOOL: return FiniteOrZero(v->val);
    case VALUE_INT32: return static_cast<double>(v->v32);
    case VALUE_INT64: return static_cast<double>(v->v64);
    case VALUE_STRING:
    case VALUE_OBJECT: return FiniteOrZero(ConvertedNumber(v));
    default:
      VM_RuntimeError("%s argument %d incorrect type (%d) expecting a Number (WXGR)", Builtin_CurrentName(),
                      ArgumentNumber(n), KindNumber(v));
      return 0.0;
  }
}

float WXGF(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_REAL:
    case VALUE_BOOL: return RoundToFloat(v->val);
    case VALUE_INT32: return static_cast<float>(v->v32);
    case VALUE_INT64: return static_cast<float>(v->v64);
    default:
      VM_RuntimeError("%s argument %d incorrect type (%d) expecting a Number (WXGF)", Builtin_CurrentName(),
                      ArgumentNumber(n), KindNumber(v));
      return 0.0f;
  }
}

const char* WXGS(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_STRING: return v->pString != nullptr ? v->pString->text : nullptr;
    case VALUE_OBJECT: return nullptr;
    default:
      VM_RuntimeError("%s argument %d incorrect type (%d) expecting a String (WXGS)", Builtin_CurrentName(),
                      ArgumentNumber(n), KindNumber(v));
      return nullptr;
  }
}

intptr_t WXGPtrOrNum(RValue* args, int32_t n) {
  const RValue* v = &args[n];
  switch (KindOf(v)) {
    case VALUE_REAL: return static_cast<intptr_t>(TruncateToInt64(v->val));
    case VALUE_PTR: return reinterpret_cast<intptr_t>(v->ptr);
    case VALUE_INT32: return v->v32;
    case VALUE_INT64: return static_cast<intptr_t>(v->v64);
    default:
      VM_RuntimeError("%s argument %d incorrect type (%d) expecting a Number or Pointer", Builtin_CurrentName(),
                      ArgumentNumber(n), KindNumber(v));
      return -1;
  }
}

double RValue_ToReal(const RValue* v) {
  switch (KindOf(v)) {
    case VALUE_REAL: return v->val;
    case VALUE_STRING:
      return v->pString != nullptr && v->pString->text != nullptr ? std::strtod(v->pString->text, nullptr) : 0.0;
    case VALUE_PTR: return static_cast<double>(reinterpret_cast<uintptr_t>(v->ptr));
    case VALUE_INT32: return static_cast<double>(v->v32);
    case VALUE_INT64: {
      const double d = static_cast<double>(v->v64);
      if (!(d >= -kTwo63 && d < kTwo63) || static_cast<int64_t>(d) != v->v64) {
        VM_RuntimeError("%s conversion results in loss of data", Builtin_CurrentName());
      }
      return d;
    }
    default:
      VM_RuntimeError("%s argument incorrect type", Builtin_CurrentName());
      return 0.0;
  }
}

int64_t RValue_ToInt64(const RValue* v) {
  switch (KindOf(v)) {
    case VALUE_REAL: return TruncateToInt64(v->val);
    case VALUE_STRING:
      return v->pString != nullptr && v->pString->text != nullptr ? std::strtoll(v->pString->text, nullptr, 10) : 0;
    case VALUE_PTR: return static_cast<int64_t>(reinterpret_cast<intptr_t>(v->ptr));
    case VALUE_INT32: return v->v32;
    case VALUE_INT64: return v->v64;
    default:
      VM_RuntimeError("%s argument incorrect type", Builtin_CurrentName());
      return 0;
  }
}

void* RValue_ToPointer(const RValue* v) {
  uintptr_t address = 0;
  switch (KindOf(v)) {
    case VALUE_REAL: address = static_cast<uintptr_t>(TruncateToInt64(v->val)); break;
    case VALUE_STRING:
      if (v->pString != nullptr && v->pString->text != nullptr) address = std::strtoull(v->pString->text, nullptr, 16);
      break;
    case VALUE_PTR: return v->ptr;
    case VALUE_INT32: address = static_cast<uintptr_t>(static_cast<intptr_t>(v->v32)); break;
    case VALUE_INT64: address = static_cast<uintptr_t>(v->v64); break;
    default:
      VM_RuntimeError("%s argument incorrect type", Builtin_CurrentName());
      return nullptr;
  }
  return reinterpret_cast<void*>(address);
}
