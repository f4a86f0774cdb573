#include "core/type_conversions.h"

#include <utf8proc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "core/utf8.h"
#include "core/value.h"

namespace {

// ECMAScript white space and line terminators, and the Unicode space and control characters.
bool IsWhiteSpace(uint16_t c) {
  switch (c) {
    case 0x09: case 0x0A: case 0x0B: case 0x0C: case 0x0D: case 0x20: case 0xA0:
    case 0xFEFF: case 0x2028: case 0x2029:
      return true;
    default:
      break;
  }
  const utf8proc_category_t category = utf8proc_category(c);
  return category == UTF8PROC_CATEGORY_ZS || category == UTF8PROC_CATEGORY_CC;
}

// Moves past white space; the cursor stops on the first other character (or the terminator).
const char* SkipWhiteSpace(const char* p) {
  while (*p != '\0') {
    const char* next = p;
    if (!IsWhiteSpace(UTF8_Decode(&next))) break;
    p = next;
  }
  return p;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

double StringNumericValue(const char* text) {
  if (text == nullptr) return 0.0;
  const char* p = SkipWhiteSpace(text);
  if (*p == '\0') return 0.0;
  double result;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
    p += 2;
    if (HexDigit(*p) < 0) return JS_NaN();
    uint32_t value = 0;  // wraps as a signed 32-bit accumulator would
    for (int d; (d = HexDigit(*p)) >= 0; ++p) value = value * 16u + static_cast<uint32_t>(d);
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
  } else if ((*p >= '0' && *p <= '9') || *p == '.' || *p == '-' || *p == '+') {
    char* end = nullptr;
    result = std::strtod(p, &end);
    p = end;
  } else {
    return JS_NaN();
  }
  return *SkipWhiteSpace(p) == '\0' ? result : JS_NaN();
}

void SetReal(RValue* v, double d) {
  RValue_Release(v);
  v->val = d;
  v->flags = 0;
  v->kind = VALUE_REAL;
}

}  // namespace

double JS_NaN() {
  const uint64_t bits = 0x7FFFFFFFFFFFFFFFull;
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}

int32_t F_JS_ToNumber(RValue* result, const RValue* value) {
  switch (RValue_Kind(value)) {
    case VALUE_REAL:
    case VALUE_BOOL:
      SetReal(result, value->val);
      return kConvertDone;
    case VALUE_INT32:
      SetReal(result, static_cast<double>(value->v32));
      return kConvertDone;
    case VALUE_INT64:
      SetReal(result, static_cast<double>(value->v64));
      return kConvertDone;
    case VALUE_NULL:
      SetReal(result, 0.0);
      return kConvertDone;
    case VALUE_UNDEFINED:
      SetReal(result, JS_NaN());
      return kConvertDone;
    case VALUE_STRING: {
      const double d = StringNumericValue(value->pString != nullptr ? value->pString->text : nullptr);
      SetReal(result, d);
      return kConvertDone;
    }
    case VALUE_OBJECT:
      // STAND-IN: an object converts through its "[[DefaultValue]]" method, which needs the
      // object-mode runtime.
      return kConvertImpossible;
    default:
      return kConvertDone;
  }
}
