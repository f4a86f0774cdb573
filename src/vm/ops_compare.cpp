// The comparison (set) and conversion (conv) instructions.
//
// The object-mode forms (set kinds 7 to 15, conv with bit 8 or 9) need the standard objects, which
// this runner does not have yet: they stop the code with a type error.
#include "vm/opcodes.h"

#include <cctype>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <limits>
#include <cstring>
#include <string>

#include "core/memory_manager.h"
#include "core/value_text.h"
#include "core/math_epsilon.h"
#include "vm/op_slots.h"

using namespace vm_slots;

namespace {

constexpr uint32_t kUndefinedType = 15;  // what an undefined variable compares as
// An operand compared by its identity: the whole address, so that two records never meet.
constexpr uint32_t kIdentityType = VMT_LONG;

struct Compared {
  uint32_t type;
  double d;
  int64_t l;             // int and bool sign-extended, int64, an identity
  const SharedString* s;  // string
};

// False for a variable of a kind that cannot be compared.
bool ReadCompared(uint32_t written, const uint8_t* slot, Compared* out) {
  *out = Compared{written, 0.0, 0, nullptr};
  switch (written) {
    case VMT_DOUBLE: out->d = Load<double>(slot); break;
    case VMT_INT:
    case VMT_BOOL: out->l = Load<int32_t>(slot); break;
    case VMT_LONG: out->l = Load<int64_t>(slot); break;
    case VMT_STRING: out->s = PeekString(slot); break;
    case VMT_VARIABLE: {
      const RValue v = Load<RValue>(slot);
      switch (RValue_Kind(&v)) {
        case VALUE_REAL:
        case VALUE_BOOL: out->type = VMT_DOUBLE; out->d = v.val; break;
        case VALUE_STRING: out->type = VMT_STRING; out->s = v.pString; break;
        case VALUE_ARRAY:
        case VALUE_PTR:
        case VALUE_OBJECT: out->type = kIdentityType; out->l = static_cast<int64_t>(reinterpret_cast<intptr_t>(v.ptr)); break;
        case VALUE_INT32: out->type = VMT_INT; out->l = v.v32; break;
        case VALUE_INT64: out->type = VMT_LONG; out->l = v.v64; break;
        case VALUE_UNDEFINED: out->type = kUndefinedType; break;
        default: return false;
      }
      break;
    }
    default: break;  // floats and the codes above 6 compare with nothing
  }
  return true;
}

double AsReal(const Compared& c) { return c.type == VMT_DOUBLE ? c.d : static_cast<double>(c.l); }
// Equal values differ by 0, infinities included (their difference would be NaN).
double RealDifference(double a, double b) { return a == b ? 0.0 : a - b; }
// a - b without overflow, as a double.
double ExactDifference(int64_t a, int64_t b) {
  return a >= b ? static_cast<double>(static_cast<uint64_t>(a) - static_cast<uint64_t>(b))
                : -static_cast<double>(static_cast<uint64_t>(b) - static_cast<uint64_t>(a));
}
const char* TextOf(const SharedString* s) { return s != nullptr && s->text != nullptr ? s->text : ""; }

// The outcome of comparing two operands: a difference, a string order, or unequal.
struct Comparison {
  enum Form { kDifference, kOrder, kUnequal } form;
  double value;
};

Comparison Compare(const Compared& l, const Compared& r) {
  switch (l.type << 4 | r.type) {
    case 0x00:
    case 0x02:
    case 0x20:
    case 0x03:
    case 0x30:
      return {Comparison::kDifference, RealDifference(AsReal(l), AsReal(r))};
    case 0x04:
    case 0x40:
      return {Comparison::kDifference, std::trunc(RealDifference(AsReal(l), AsReal(r)))};
    case 0x22:
    case 0x24:
    case 0x42:
    case 0x44:
      return {Comparison::kDifference, static_cast<double>(l.l - r.l)};
    case 0x23:
    case 0x32:
    case 0x33:
      return {Comparison::kDifference, ExactDifference(l.l, r.l)};
    case 0x46:
      return {Comparison::kDifference, static_cast<double>(l.l - (r.s != nullptr ? 1 : 0))};
    case 0x64:
      return {Comparison::kDifference, static_cast<double>((l.s != nullptr ? 1 : 0) - r.l)};
    case 0xFF:
      return {Comparison::kDifference, 0.0};
    case 0x66: {
      const int order = std::strcmp(TextOf(l.s), TextOf(r.s));  // bytes compared unsigned
      return {Comparison::kOrder, static_cast<double>(order < 0 ? -1 : order > 0 ? 1 : 0)};
    }
    default:
      return {Comparison::kUnequal, 0.0};
  }
}

// Sub-kinds 1 to 6: <, <=, ==, !=, >=, >, with a margin of e either side of 0. A NaN difference
// makes every one false.
bool DecideWithin(uint32_t subKind, double d, double e) {
  switch (subKind) {
    case 1: return d < -e;
    case 2: return d <= e;
    case 3: return d >= -e && d <= e;
    case 4: return d < -e || d > e;
    case 5: return d >= -e;
    default: return d > e;
  }
}

bool Decide(uint32_t subKind, const Comparison& c) {
  if (c.form == Comparison::kUnequal) return subKind == 4;
  return DecideWithin(subKind, c.value, c.form == Comparison::kDifference ? Math_Epsilon : 0.0);
}

// --- conv ---------------------------------------------------------------------------------

constexpr double kFloatOverflow = 0x1.ffffffp127;  // from here on a double rounds to a float infinity

float ToFloat(double d) {
  if (std::isnan(d)) return std::numeric_limits<float>::quiet_NaN();
  if (d >= kFloatOverflow) return std::numeric_limits<float>::infinity();
  if (d <= -kFloatOverflow) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(d);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
const char* SkipSpace(const char* p) {
  while (std::isspace(static_cast<unsigned char>(*p)) != 0) ++p;
  return p;
}

// The decimal number at the start of a text (white space, sign, digits, fraction, exponent);
// 0 when there is none.
double LeadingReal(const char* text) {
  const char* start = SkipSpace(text);
  const char* p = start;
  if (*p == '+' || *p == '-') ++p;
  const char* digits = p;
  while (IsDigit(*p)) ++p;
  bool any = p > digits;
  if (*p == '.') {
    const char* fraction = ++p;
    while (IsDigit(*p)) ++p;
    any = any || p > fraction;
  }
  if (!any) return 0.0;
  if (*p == 'e' || *p == 'E') {
    const char* e = p + 1;
    if (*e == '+' || *e == '-') ++e;
    if (IsDigit(*e)) {
      while (IsDigit(*e)) ++e;
      p = e;
    }
  }
  const std::string number(start, p);
  return std::strtod(number.c_str(), nullptr);
}

// The decimal integer at the start of a text; 0 when there is none, the smallest int when it is
// outside the int range (as a number outside the range converts).
int32_t LeadingInt(const char* text) {
  const char* p = SkipSpace(text);
  const bool negative = *p == '-';
  if (*p == '+' || *p == '-') ++p;
  int64_t magnitude = 0;
  for (; IsDigit(*p); ++p) {
    magnitude = magnitude * 10 + (*p - '0');
    if (magnitude > 2147483648LL) return INT32_MIN;
  }
  const int64_t value = negative ? -magnitude : magnitude;
  return value > INT32_MAX ? INT32_MIN : static_cast<int32_t>(value);
}

SharedString* Formatted(const char* format, ...) __attribute__((format(printf, 1, 2)));
SharedString* Formatted(const char* format, ...) {
  char text[64];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return SharedString_Create(text);
}

SharedString* TextForm(const RValue* v) {
  TextRecord text = {nullptr, 0, 0};
  RValue_AppendToText(&text, v);
  SharedString* record = SharedString_Create(text.buffer != nullptr ? text.buffer : "");
  TextRecord_Free(&text);
  return record;
}

// A converted value, in the form of the target slot.
struct Converted {
  double d = 0.0;
  float f = 0.0f;
  int32_t i = 0;
  int64_t l = 0;
  RValue v = RValue_MakeUndefined();
  SharedString* s = nullptr;
};

// Source types after a variable's kind was looked at: the number types, bool, string, or the
// variable itself (kinds the getters read).
struct Source {
  uint32_t type;
  double d;
  int64_t l;             // int, int64, bool
  SharedString* s;       // string
  RValue v;              // variable
};

// Fills the target of `target` type from the source; false for a pair it does not convert.
// A string source's record moves into a string or variable target (*moved is set).
bool Convert(uint32_t target, const Source& src, Converted* out, bool* moved) {
  *moved = false;
  const auto number = [&](double d) {
    switch (target) {
      case VMT_DOUBLE: out->d = d; return true;
      case VMT_FLOAT: out->f = ToFloat(d); return true;
      case VMT_INT: out->i = TruncateToInt32(d); return true;
      case VMT_LONG: out->l = TruncateToInt64(d); return true;
      case VMT_BOOL: out->i = d > 0.5 ? 1 : 0; return true;
      case VMT_VARIABLE: out->v = RValue_MakeReal(d); return true;
      case VMT_STRING: out->s = Formatted("%g", d); return true;
      default: return false;
    }
  };
  switch (src.type) {
    case VMT_DOUBLE: return number(src.d);
    case VMT_FLOAT:
      if (target == VMT_FLOAT) {
        out->f = static_cast<float>(src.d);  // read from a float: exact
        return true;
      }
      return number(src.d);
    case VMT_INT:
    case VMT_LONG:
      switch (target) {
        case VMT_DOUBLE: out->d = static_cast<double>(src.l); return true;
        case VMT_FLOAT: out->f = static_cast<float>(src.l); return true;
        case VMT_INT: out->i = static_cast<int32_t>(src.l); return true;  // the low 32 bits
        case VMT_LONG: out->l = src.l; return true;
        case VMT_BOOL: out->i = src.l > 0 ? 1 : 0; return true;
        case VMT_VARIABLE: out->v = RValue_MakeReal(static_cast<double>(src.l)); return true;
        case VMT_STRING:
          out->s = src.type == VMT_INT ? Formatted("%d", static_cast<int32_t>(src.l))
                                       : Formatted("%lld", static_cast<long long>(src.l));
          return true;
        default: return false;
      }
    case VMT_BOOL: {
      const bool b = src.l != 0;
      switch (target) {
        case VMT_DOUBLE: out->d = b ? 1.0 : 0.0; return true;
        case VMT_FLOAT: out->f = b ? 1.0f : 0.0f; return true;
        case VMT_INT:
        case VMT_BOOL: out->i = b ? 1 : 0; return true;
        case VMT_LONG: out->l = b ? 1 : 0; return true;
        case VMT_VARIABLE:
          out->v = RValue_MakeReal(b ? 1.0 : 0.0);
          out->v.kind = VALUE_BOOL;
          return true;
        case VMT_STRING: out->s = Formatted("%s", b ? "true" : "false"); return true;
        default: return false;
      }
    }
    case VMT_VARIABLE: {
      RValue v = src.v;
      const bool isString = RValue_Kind(&v) == VALUE_STRING;
      switch (target) {
        case VMT_DOUBLE: out->d = WXGR(&v, 0); return true;
        case VMT_FLOAT: out->f = WXGF(&v, 0); return true;
        case VMT_INT: out->i = WXGI32(&v, 0); return true;
        case VMT_LONG: out->l = WXGI64(&v, 0); return true;
        case VMT_BOOL:
          out->i = isString ? (std::strcmp(TextOf(v.pString), "true") == 0 ? 1 : 0) : (WXGB(&v, 0) ? 1 : 0);
          return true;
        case VMT_STRING:
          if (isString) {
            out->s = v.pString;
            *moved = true;
          } else {
            out->s = TextForm(&v);
          }
          return true;
        default: return false;  // a variable to a variable among them
      }
    }
    case VMT_STRING: {
      const char* text = TextOf(src.s);
      switch (target) {
        case VMT_DOUBLE: out->d = LeadingReal(text); return true;
        case VMT_FLOAT: out->f = ToFloat(LeadingReal(text)); return true;
        case VMT_INT: out->i = LeadingInt(text); return true;
        case VMT_LONG: out->l = LeadingInt(text); return true;
        case VMT_BOOL: out->i = std::strcmp(text, "true") == 0 ? 1 : 0; return true;
        case VMT_VARIABLE:
          out->v.v64 = 0;
          out->v.pString = src.s;
          out->v.flags = 0;
          out->v.kind = VALUE_STRING;
          *moved = true;
          return true;
        case VMT_STRING:
          out->s = src.s;
          *moved = true;
          return true;
        default: return false;
      }
    }
    default:
      return false;
  }
}

void StoreConverted(uint32_t target, const Converted& c, uint8_t* slot) {
  switch (target) {
    case VMT_DOUBLE: Store(slot, c.d); break;
    case VMT_FLOAT: Store(slot, c.f); break;
    case VMT_INT:
    case VMT_BOOL: Store(slot, c.i); break;
    case VMT_LONG: Store(slot, c.l); break;
    case VMT_VARIABLE: Store(slot, c.v); break;
    case VMT_STRING: StoreString(slot, c.s); break;
    default: break;
  }
}

}  // namespace

bool VM_DecideDifference(uint32_t subKind, double d) { return DecideWithin(subKind, d, Math_Epsilon); }

uint8_t* DoSet(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  const uint32_t rightType = VM_Type1(word);
  const uint32_t leftType = VM_Type2(word);
  uint8_t* left = sp + VM_StackSlotSize(rightType);
  uint8_t* end = left + VM_StackSlotSize(leftType);
  if (!VM_StackHolds(context, sp, end - sp)) return VM_FailUnderflow(word, sp, context);
  const auto refuse = [&](const char* message) {
    VM_ReleaseSlot(context, rightType, sp);
    VM_ReleaseSlot(context, leftType, left);
    VM_Fail(context, "%s", message);
    return end;
  };
  char text[160];
  if (!OperandSealed(context, rightType, sp)) return refuse(VM_NoVariableText(word, rightType, text, sizeof text));
  if (!OperandSealed(context, leftType, left)) {
    return refuse(VM_NoVariableText(word, leftType, text, sizeof text));
  }
  const uint32_t subKind = (word >> 8) & 0xF;
  if (subKind >= 7) return refuse("DoSet :: Execution Engine type error");
  if (subKind == 0) return refuse("DoSet :: Execution Error");
  Compared r;
  Compared l;
  if (!ReadCompared(rightType, sp, &r)) return refuse("DoSet :1: Malformed variable");
  if (!ReadCompared(leftType, left, &l)) return refuse("DoSet :2: Malformed variable");
  const bool result = Decide(subKind, Compare(l, r));
  VM_ReleaseSlot(context, rightType, sp);
  VM_ReleaseSlot(context, leftType, left);
  Store(end - 4, static_cast<int32_t>(result ? 1 : 0));
  return end - 4;
}

uint8_t* DoConv(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  const uint32_t sourceType = VM_Type1(word);
  const uint32_t target = VM_Type2(word);
  const int32_t sourceSize = sourceType <= VMT_DEBUG_STRING ? VM_StackSlotSize(sourceType) : 0;
  if (!VM_StackHolds(context, sp, sourceSize)) return VM_FailUnderflow(word, sp, context);
  const auto refuse = [&](const char* message) {
    VM_ReleaseSlot(context, sourceType, sp);
    VM_Fail(context, "%s", message);
    return sp + sourceSize;
  };
  if (!OperandSealed(context, sourceType, sp)) {
    char text[160];
    return refuse(VM_NoVariableText(word, sourceType, text, sizeof text));
  }
  if ((word & 0x300u) != 0) return refuse("DoConv :: Execution Engine type error");
  if (sourceType > VMT_STRING || target > VMT_STRING) return refuse("DoConv :: Execution Error");

  Source src = {sourceType, 0.0, 0, nullptr, RValue_MakeUndefined()};
  switch (sourceType) {
    case VMT_DOUBLE: src.d = Load<double>(sp); break;
    case VMT_FLOAT: src.d = Load<float>(sp); break;
    case VMT_INT:
    case VMT_BOOL: src.l = Load<int32_t>(sp); break;
    case VMT_LONG: src.l = Load<int64_t>(sp); break;
    case VMT_STRING: src.s = PeekString(sp); break;
    default: {
      src.v = Load<RValue>(sp);
      switch (RValue_Kind(&src.v)) {
        case VALUE_REAL:
        case VALUE_BOOL:
        case VALUE_STRING:
        case VALUE_INT32:
        case VALUE_INT64:
          break;
        case VALUE_UNDEFINED:
        case VALUE_NULL:
          src.type = VMT_BOOL;
          src.l = src.v.v32;
          break;
        case VALUE_ARRAY: return refuse("DoConv :1: illegal array use");
        case VALUE_PTR: return refuse("DoConv :1: illegal pointer use");
        case VALUE_UNSET:
          // Nothing was ever stored: the stack stays as it was.
          VM_Fail(context, "DoConv :1: Could not find variable");
          return sp;
        default: return refuse("DoConv :1: Malformed variable");
      }
      break;
    }
  }
  Converted converted;
  bool moved = false;
  if (!Convert(target, src, &converted, &moved)) return refuse("DoConv :: Execution Error");
  if (sourceType == VMT_STRING) {
    // The slot's reference moves on or goes.
    SharedString* record = VM_StringHandleTake(Load<uint32_t>(sp));
    if (!moved) SharedString_Unref(record);
  } else if (!moved) {
    VM_ReleaseSlot(context, sourceType, sp);
  } else {
    VM_BreakSeal(context, sp);  // the variable's string moved into the target
  }
  uint8_t* slot = sp + sourceSize - VM_StackSlotSize(target);
  StoreConverted(target, converted, slot);
  if (target == VMT_VARIABLE) VM_Seal(context, slot);
  return slot;
}
