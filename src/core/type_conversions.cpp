#include "core/type_conversions.h"

#include <utf8proc.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/utf8.h"
#include "core/value.h"
#include "core/vm_error.h"

namespace {

DefaultValueFn g_defaultValue = nullptr;

// Moves past white space; the cursor stops on the first other character (or the terminator).
const char* SkipWhiteSpace(const char* p) {
  while (*p != '\0') {
    const char* next = p;
    if (!JS_IsWhiteSpace(UTF8_DecodeChar(&next))) break;
    p = next;
  }
  return p;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// The end of the decimal number at p (sign, digits, fraction, exponent), or null when p starts
// none. Only this grammar is read: the C library's reader would also take hexadecimal texts,
// "inf" and "nan".
const char* DecimalEnd(const char* p) {
  if (*p == '+' || *p == '-') ++p;
  bool digits = false;
  while (IsDecimalDigit(*p)) {
    ++p;
    digits = true;
  }
  if (*p == '.') {
    ++p;
    while (IsDecimalDigit(*p)) {
      ++p;
      digits = true;
    }
  }
  if (!digits) return nullptr;
  if (*p == 'e' || *p == 'E') {
    const char* e = p + 1;
    if (*e == '+' || *e == '-') ++e;
    if (IsDecimalDigit(*e)) {
      while (IsDecimalDigit(*e)) ++e;
      p = e;
    }
  }
  return p;
}

void SetReal(RValue* v, double d) {
  RValue_Release(v);
  v->val = d;
  v->flags = 0;
  v->kind = VALUE_REAL;
}

void SetUnset(RValue* v) {
  RValue_Release(v);
  v->v64 = 0;
  v->flags = 0;
  v->kind = VALUE_UNSET;
}

double NumberOf(const RValue* v) {
  switch (RValue_Kind(v)) {
    case VALUE_INT32: return static_cast<double>(v->v32);
    case VALUE_INT64: return static_cast<double>(v->v64);
    default: return v->val;
  }
}

// [[DefaultValue]] of an object value through the installed method; 1 when there is none.
int32_t DefaultValue(const RValue* value, RValue* result, int32_t hint) {
  if (g_defaultValue == nullptr || value->pObj == nullptr) return kConvertImpossible;
  return g_defaultValue(value->pObj, result, hint);
}

// The low 32 bits of n truncated toward zero to 64 bits; magnitudes of 2^63 and more give 0.
uint32_t Low32(double n) {
  constexpr double kTwo63 = 9223372036854775808.0;
  if (!(n > -kTwo63 && n < kTwo63)) return 0;
  return static_cast<uint32_t>(static_cast<uint64_t>(static_cast<int64_t>(n)));
}

// ToNumber and then the integer conversion; a failed ToNumber passes its code on.
int32_t ToNumberValue(const RValue* value, double* n) {
  RValue number = RValue_MakeReal(0.0);
  const int32_t code = F_JS_ToNumber(&number, value);
  *n = number.val;
  RValue_Release(&number);
  return code;
}

}  // namespace

void TypeConversion_SetDefaultValue(DefaultValueFn defaultValue) { g_defaultValue = defaultValue; }

double JS_NaN() {
  const uint64_t bits = 0x7FFFFFFFFFFFFFFFull;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

bool JS_IsWhiteSpace(uint32_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0xA0: case 0x2028:
      return true;
    default:
      break;
  }
  if (c <= 0xA0 || c > 0x10FFFF) return false;
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(c))) {
    case UTF8PROC_CATEGORY_MC: case UTF8PROC_CATEGORY_ZS: case UTF8PROC_CATEGORY_ZL: case UTF8PROC_CATEGORY_ZP:
    case UTF8PROC_CATEGORY_CC: case UTF8PROC_CATEGORY_CF: case UTF8PROC_CATEGORY_CS: case UTF8PROC_CATEGORY_CO:
      return true;
    default:
      return false;
  }
}

int32_t JS_DigitValue(uint32_t c, int32_t radix) {
  int32_t value = -1;
  if (c >= '0' && c <= '9') value = static_cast<int32_t>(c - '0');
  else if (c >= 'a' && c <= 'z') value = static_cast<int32_t>(c - 'a') + 10;
  else if (c >= 'A' && c <= 'Z') value = static_cast<int32_t>(c - 'A') + 10;
  return value < radix ? value : -1;
}

double JS_StringToNumber(const char* text) {
  if (text == nullptr) return 0.0;
  const char* p = SkipWhiteSpace(text);
  if (*p == '\0') return 0.0;
  double result;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    if (JS_DigitValue(static_cast<unsigned char>(*p), 16) < 0) return JS_NaN();
    uint32_t value = 0;  // wraps as a signed 32-bit accumulator does
    for (int32_t d; (d = JS_DigitValue(static_cast<unsigned char>(*p), 16)) >= 0; ++p) {
      value = value * 16u + static_cast<uint32_t>(d);
    }
    result = static_cast<double>(static_cast<int32_t>(value));
  } else if (std::strncmp(p, "Infinity", 8) == 0) {
    result = HUGE_VAL;
    p += 8;
  } else if (std::strncmp(p, "-Infinity", 9) == 0) {
    result = -HUGE_VAL;
    p += 9;
  } else if (std::strncmp(p, "+Infinity", 9) == 0) {
    result = HUGE_VAL;
    p += 9;
  } else if (IsDecimalDigit(*p) || *p == '.' || *p == '-' || *p == '+') {
    const char* end = DecimalEnd(p);
    if (end == nullptr) return JS_NaN();
    // Read in place: the C library's reader stops where the decimal grammar does, except after
    // a "0x" that the grammar ends before, and then the rest is not white space anyway.
    char* read = nullptr;
    result = std::strtod(p, &read);
    if (read != end) return JS_NaN();
    p = end;
  } else {
    return JS_NaN();
  }
  return *SkipWhiteSpace(p) == '\0' ? result : JS_NaN();
}

int32_t JS_NumberToText(double d, char* buffer) {
  if (std::isnan(d)) {
    std::memcpy(buffer, "NaN", 4);
    return 3;
  }
  if (std::isinf(d)) {
    const char* text = d > 0 ? "Infinity" : "-Infinity";
    const size_t n = std::strlen(text);
    std::memcpy(buffer, text, n + 1);
    return static_cast<int32_t>(n);
  }
  if (d == 0.0) {
    std::memcpy(buffer, "0", 2);
    return 1;
  }
  // The shortest round-trip digits, as d1.d2...dk e±x.
  char scientific[40];
  const std::to_chars_result r = std::to_chars(scientific, scientific + sizeof scientific, std::fabs(d),
                                               std::chars_format::scientific);
  *r.ptr = '\0';
  char digits[24];
  int32_t k = 0;
  const char* s = scientific;
  for (; *s != 'e'; ++s) {
    if (*s != '.') digits[k++] = *s;
  }
  const int32_t n = std::atoi(s + 1) + 1;  // value = 0.d1..dk x 10^n
  char* out = buffer;
  if (d < 0) *out++ = '-';
  if (n <= -6 || n > k + 20) {
    *out++ = digits[0];
    if (k > 1) {
      *out++ = '.';
      std::memcpy(out, digits + 1, static_cast<size_t>(k - 1));
      out += k - 1;
    }
    *out++ = 'e';
    *out++ = n - 1 < 0 ? '-' : '+';
    const int32_t e = n - 1 < 0 ? 1 - n : n - 1;
    out += std::snprintf(out, 8, "%d", e);
  } else if (n > 0) {
    for (int32_t i = 0; i < k || i < n; ++i) {
      if (i == n) *out++ = '.';
      *out++ = i < k ? digits[i] : '0';
    }
  } else {
    *out++ = '0';
    *out++ = '.';
    for (int32_t i = 0; i < -n; ++i) *out++ = '0';
    std::memcpy(out, digits, static_cast<size_t>(k));
    out += k;
  }
  *out = '\0';
  return static_cast<int32_t>(out - buffer);
}

bool JS_ToBoolean(const RValue* value) {
  switch (RValue_Kind(value)) {
    case VALUE_REAL: return !(value->val == 0.0 || std::isnan(value->val));
    case VALUE_INT32: return value->v32 != 0;
    case VALUE_INT64: return value->v64 != 0;
    case VALUE_STRING: return value->pString != nullptr && value->pString->text != nullptr && value->pString->text[0] != '\0';
    case VALUE_UNDEFINED:
    case VALUE_NULL: return false;
    case VALUE_OBJECT: return true;
    case VALUE_BOOL: return value->val != 0.0;
    default:
      VM_RuntimeError("unhandled type (%d) for JS_ToBoolean", static_cast<int>(RValue_Kind(value)));
      return false;
  }
}

int32_t F_JS_ToNumber(RValue* result, const RValue* value) {
  switch (RValue_Kind(value)) {
    case VALUE_REAL:
    case VALUE_BOOL:
      SetReal(result, value->val);
      return kConvertDone;
    case VALUE_INT32:
    case VALUE_INT64:
      SetReal(result, NumberOf(value));
      return kConvertDone;
    case VALUE_NULL:
      SetReal(result, 0.0);
      return kConvertDone;
    case VALUE_STRING:
      SetReal(result, JS_StringToNumber(value->pString != nullptr ? value->pString->text : nullptr));
      return kConvertDone;
    case VALUE_OBJECT: {
      RValue primitive = RValue_MakeUndefined();
      int32_t code = F_JS_ToPrimitive(&primitive, value, kHintNumber);
      if (code == kConvertDone) code = F_JS_ToNumber(result, &primitive);
      RValue_Release(&primitive);
      return code;
    }
    default:
      // Undefined, and the kinds with no number (arrays, pointers, iterators, unset): NaN.
      SetReal(result, JS_NaN());
      return kConvertDone;
  }
}

double F_JS_ToInteger(const RValue* value) {
  double n = 0.0;
  ToNumberValue(value, &n);
  if (std::isnan(n)) return 0.0;
  if (std::isinf(n) || n == 0.0) return n;
  return n < 0 ? -std::floor(-n) : std::floor(n);
}

int32_t F_JS_ToUint32(RValue* result, const RValue* value) {
  double n = 0.0;
  const int32_t code = ToNumberValue(value, &n);
  if (code != kConvertDone) return code;
  SetReal(result, std::isfinite(n) ? static_cast<double>(Low32(n)) : 0.0);
  return kConvertDone;
}

int32_t F_JS_ToInt32(RValue* result, const RValue* value) {
  double n = 0.0;
  const int32_t code = ToNumberValue(value, &n);
  if (code != kConvertDone) return code;
  SetReal(result, std::isfinite(n) ? static_cast<double>(static_cast<int32_t>(Low32(n))) : 0.0);
  return kConvertDone;
}

int32_t F_JS_ToString(RValue* result, const RValue* value) {
  if (result == value) {
    const RValue copy = *value;
    RValue held = RValue_MakeUndefined();
    RValue_Assign(&held, &copy);
    const int32_t code = F_JS_ToString(result, &held);
    RValue_Release(&held);
    return code;
  }
  const uint32_t kind = RValue_Kind(value);
  if (kind == VALUE_STRING) {
    RValue_Assign(result, value);
    return kConvertDone;
  }
  if (kind == VALUE_OBJECT) {
    RValue primitive = RValue_MakeUndefined();
    int32_t code = F_JS_ToPrimitive(&primitive, value, kHintString);
    if (code == kConvertDone) code = F_JS_ToString(result, &primitive);
    RValue_Release(&primitive);
    return code;
  }
  SetUnset(result);
  char text[kNumberTextSize];
  const char* s = "[[unknown]]";
  switch (kind) {
    case VALUE_REAL:
    case VALUE_INT32:
    case VALUE_INT64:
      JS_NumberToText(NumberOf(value), text);
      s = text;
      break;
    case VALUE_UNDEFINED: s = "undefined"; break;
    case VALUE_NULL: s = "null"; break;
    case VALUE_BOOL: s = value->val != 0.0 ? "true" : "false"; break;
    default: break;
  }
  RValue_SetString(result, s);
  return kConvertDone;
}

int32_t F_JS_ToPrimitive(RValue* result, const RValue* value, int32_t hint) {
  if (JS_IsPrimitive(value)) {
    RValue_Assign(result, value);
    return kConvertDone;
  }
  if (RValue_Kind(value) == VALUE_OBJECT) return DefaultValue(value, result, hint);
  VM_RuntimeError("unhandled type for F_JS_ToPrimitive");
  return kConvertImpossible;
}

bool JS_IsPrimitive(const RValue* value) {
  switch (RValue_Kind(value)) {
    case VALUE_REAL: case VALUE_STRING: case VALUE_UNDEFINED: case VALUE_INT32: case VALUE_INT64:
    case VALUE_NULL: case VALUE_BOOL:
      return true;
    default:
      return false;
  }
}

bool JS_IsNonFinite(double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, sizeof bits);
  return (bits & 0x7FF0000000000000ull) == 0x7FF0000000000000ull;
}

bool JS_SignBitClear(double d) { return !std::signbit(d); }
