// The arithmetic, bitwise and logical instructions.
//
// A binary instruction pops the right operand (top slot, type in bits 16-19) and the left one
// below it (bits 20-23) and pushes one result where they were. A variable operand takes part as
// the type of the value inside it; the two types then form the pair code (left * 16 + right) on
// which every operator keys its work. Integers wrap as two's complement; nothing here traps.
//
// The object-mode forms (chosen by bits 8-11) need the standard objects, which this runner does
// not have yet: they stop the code with a type error.
#include "vm/opcodes.h"

#include <cmath>
#include <cstdio>

#include "vm/code_listing.h"
#include "vm/op_slots.h"

using namespace vm_slots;

namespace {

enum class BinOp { Add, Sub, Mul, Div, Rem, Mod, And, Or, Xor, Shl, Shr };

struct BinaryOperator {
  const char* name;
  const char* executionError;  // the text of a pair code the operator does not handle
  BinOp op;
  uint16_t objectVariants;  // bit v set: variant v is an object-mode form
  // Place written into the texts of a string operand where the operator takes none, for the
  // right slot, right variable, left slot and left variable ("" gives "::"). Null: strings are
  // operands of this operator.
  const char* stringPlaces[4];
};

constexpr uint16_t kVariant1 = 1u << 1;
constexpr uint16_t kVariants1And2 = 1u << 1 | 1u << 2;
constexpr uint16_t kAllButTyped = 0xFFFEu;

constexpr BinaryOperator kAdd = {"DoAdd", "DoAdd :: Execution Error", BinOp::Add, kVariants1And2, {nullptr}};
constexpr BinaryOperator kSub = {"DoSub", "DoSub:: Execution Error", BinOp::Sub, kVariant1, {"", "", "", ""}};
constexpr BinaryOperator kMul = {"DoMul", "DoMul :: Execution Error", BinOp::Mul, kVariant1, {nullptr}};
constexpr BinaryOperator kDiv = {"DoDiv", "DoDiv :: Execution Error", BinOp::Div, kVariant1, {"", "1", "", ""}};
constexpr BinaryOperator kRem = {"DoRem", "DoRem :: Execution Error", BinOp::Rem, 0, {"", "1", "", ""}};
constexpr BinaryOperator kMod = {"DoMod", "DoMod :: Execution Error", BinOp::Mod, kVariant1, {"", "1", "", ""}};
constexpr BinaryOperator kAnd = {"DoAnd", "DoAnd :: Execution Error", BinOp::And, kAllButTyped, {"", "1", "", "2"}};
constexpr BinaryOperator kOr = {"DoOr", "DoOr :: Execution Error", BinOp::Or, kAllButTyped, {"", "1", "2", "2"}};
constexpr BinaryOperator kXor = {"DoXor", "DoXor :: Execution Error", BinOp::Xor, kAllButTyped, {"1", "1", "2", "2"}};
constexpr BinaryOperator kShl = {"DoShl", "DoShl :: Execution Error", BinOp::Shl, kAllButTyped, {"", "", "2", "2"}};
constexpr BinaryOperator kShr = {"DoShr", "DoShr :: Execution Error", BinOp::Shr, kAllButTyped, {"1", "1", "2", "2"}};

// Why a variable operand is refused.
enum Refusal { kAccepted, kArray, kPointer, kUndefined, kMalformed };

// An operand as the pair code sees it.
struct Operand {
  uint32_t written;  // the type code in the instruction word
  uint32_t type;     // a variable's replaced by the type of its value
  uint32_t kind;     // a variable's kind
  double d;          // double and float
  int64_t l;         // int and bool sign-extended, int64
  SharedString* s;   // string (a null record is the empty text)
};

Refusal ReadOperand(uint32_t written, const uint8_t* slot, Operand* out) {
  *out = Operand{written, written, 0, 0.0, 0, nullptr};
  switch (written) {
    case VMT_DOUBLE: out->d = Load<double>(slot); break;
    case VMT_FLOAT: out->d = Load<float>(slot); break;
    case VMT_INT:
    case VMT_BOOL: out->l = Load<int32_t>(slot); break;
    case VMT_LONG: out->l = Load<int64_t>(slot); break;
    case VMT_STRING:
    case VMT_DEBUG_STRING: out->s = PeekString(slot); break;
    case VMT_VARIABLE: {
      const RValue v = Load<RValue>(slot);
      out->kind = RValue_Kind(&v);
      switch (out->kind) {
        case VALUE_REAL:
        case VALUE_BOOL: out->type = VMT_DOUBLE; out->d = v.val; break;  // a bool's payload is a double
        case VALUE_INT32: out->type = VMT_INT; out->l = v.v32; break;
        case VALUE_INT64: out->type = VMT_LONG; out->l = v.v64; break;
        case VALUE_STRING: out->type = VMT_STRING; out->s = v.pString; break;
        case VALUE_ARRAY: return kArray;
        case VALUE_PTR: return kPointer;
        case VALUE_UNDEFINED: return kUndefined;
        default: return kMalformed;
      }
      break;
    }
    default: break;
  }
  return kAccepted;
}

struct Result {
  enum Status { kOk, kUnhandled, kDivideByZero, kTooLong } status = kOk;
  uint32_t type = VMT_DOUBLE;  // double, int, int64, bool or string
  double d = 0.0;
  int64_t l = 0;
  SharedString* s = nullptr;
};

Result Real(double d) { Result r; r.d = d; return r; }
Result Int(int32_t i) { Result r; r.type = VMT_INT; r.l = i; return r; }
Result Long(int64_t l) { Result r; r.type = VMT_LONG; r.l = l; return r; }
Result Bool(bool b) { Result r; r.type = VMT_BOOL; r.l = b ? 1 : 0; return r; }
Result String(SharedString* s) { Result r; r.type = VMT_STRING; r.s = s; return r; }
Result Failure(Result::Status status) { Result r; r.status = status; return r; }

bool IsNumber(uint32_t type) { return type == VMT_DOUBLE || type == VMT_INT || type == VMT_LONG; }
bool EitherReal(const Operand& l, const Operand& r) { return l.type == VMT_DOUBLE || r.type == VMT_DOUBLE; }
bool BothInt(const Operand& l, const Operand& r) { return l.type == VMT_INT && r.type == VMT_INT; }
double AsReal(const Operand& o) { return o.type == VMT_DOUBLE ? o.d : static_cast<double>(o.l); }
// Doubles truncated toward zero, integers and bools as they are (sign-extended).
int64_t AsLong(const Operand& o) { return o.type == VMT_DOUBLE ? TruncateToInt64(o.d) : o.l; }

// Wrapping integer arithmetic, done unsigned.
int32_t Wrap32(uint32_t v) { return static_cast<int32_t>(v); }
int64_t Wrap64(uint64_t v) { return static_cast<int64_t>(v); }
int32_t Add32(int64_t a, int64_t b) { return Wrap32(static_cast<uint32_t>(a) + static_cast<uint32_t>(b)); }
int64_t Add64(int64_t a, int64_t b) { return Wrap64(static_cast<uint64_t>(a) + static_cast<uint64_t>(b)); }
int32_t Sub32(int64_t a, int64_t b) { return Wrap32(static_cast<uint32_t>(a) - static_cast<uint32_t>(b)); }
int64_t Sub64(int64_t a, int64_t b) { return Wrap64(static_cast<uint64_t>(a) - static_cast<uint64_t>(b)); }
int32_t Mul32(int64_t a, int64_t b) { return Wrap32(static_cast<uint32_t>(a) * static_cast<uint32_t>(b)); }
int64_t Mul64(int64_t a, int64_t b) { return Wrap64(static_cast<uint64_t>(a) * static_cast<uint64_t>(b)); }
// Quotient and remainder truncating toward zero; the smallest integer divided by -1 wraps to
// itself (remainder 0). The divisor is not 0.
int32_t Quot32(int32_t a, int32_t b) { return b == -1 ? Sub32(0, a) : a / b; }
int64_t Quot64(int64_t a, int64_t b) { return b == -1 ? Sub64(0, a) : a / b; }
int32_t Rem32(int32_t a, int32_t b) { return b == -1 ? 0 : a % b; }
int64_t Rem64(int64_t a, int64_t b) { return b == -1 ? 0 : a % b; }

// Sum, difference and product: real when either side is a double, 32-bit for two ints, else
// 64-bit.
template <typename RealOp, typename Op32, typename Op64>
Result Numeric(const Operand& l, const Operand& r, RealOp real, Op32 op32, Op64 op64) {
  if (!IsNumber(l.type) || !IsNumber(r.type)) return Failure(Result::kUnhandled);
  if (EitherReal(l, r)) return Real(real(AsReal(l), AsReal(r)));
  if (BothInt(l, r)) return Int(op32(l.l, r.l));
  return Long(op64(l.l, r.l));
}

Result Join(const Operand& l, const Operand& r) {
  SharedString* joined = SharedString_Join(l.s, r.s);
  return joined != nullptr ? String(joined) : Failure(Result::kTooLong);
}

// The text on the right repeated as often as the count on the left says.
Result Repeat(const Operand& count, const Operand& text) {
  const int64_t n = count.type == VMT_DOUBLE ? TruncateToInt32(count.d) : count.l;
  const char* t = text.s != nullptr && text.s->text != nullptr ? text.s->text : "";
  const uint64_t length = std::strlen(t);
  if (n <= 0 || length == 0) return String(SharedString_CreateSized(0));
  const uint64_t total = length * static_cast<uint64_t>(n);
  if (total > INT32_MAX) return Failure(Result::kTooLong);
  SharedString* repeated = SharedString_CreateSized(static_cast<int32_t>(total));
  std::memcpy(repeated->text, t, length);
  for (uint64_t filled = length; filled < total;) {
    const uint64_t chunk = filled < total - filled ? filled : total - filled;
    std::memcpy(repeated->text + filled, repeated->text, chunk);
    filled += chunk;
  }
  return String(repeated);
}

Result Divide(const Operand& l, const Operand& r) {
  if (!IsNumber(l.type) || !IsNumber(r.type)) return Failure(Result::kUnhandled);
  if (EitherReal(l, r)) return Real(AsReal(l) / AsReal(r));
  if (r.l == 0) return Failure(Result::kDivideByZero);
  if (BothInt(l, r)) return Int(Quot32(static_cast<int32_t>(l.l), static_cast<int32_t>(r.l)));
  return Long(Quot64(l.l, r.l));
}

// Integer quotient; doubles are truncated to integers first and the quotient is a double.
Result Quotient(const Operand& l, const Operand& r) {
  if (!IsNumber(l.type) || !IsNumber(r.type)) return Failure(Result::kUnhandled);
  if (EitherReal(l, r)) {
    const int64_t divisor = l.type == VMT_INT ? TruncateToInt32(r.d) : AsLong(r);
    if (divisor == 0) return Failure(Result::kDivideByZero);
    return Real(static_cast<double>(Quot64(AsLong(l), divisor)));
  }
  if (r.l == 0) return Failure(Result::kDivideByZero);
  if (BothInt(l, r)) return Int(Quot32(static_cast<int32_t>(l.l), static_cast<int32_t>(r.l)));
  return Long(Quot64(l.l, r.l));
}

// Remainder with the sign of the dividend.
Result Remainder(const Operand& l, const Operand& r) {
  constexpr double kSmallestDivisor = 1e-10;
  if (!IsNumber(l.type) || !IsNumber(r.type)) return Failure(Result::kUnhandled);
  if (EitherReal(l, r)) {
    const bool zero = r.type == VMT_DOUBLE ? std::fabs(r.d) < kSmallestDivisor : r.l == 0;
    if (zero) return Failure(Result::kDivideByZero);
    return Real(std::fmod(AsReal(l), AsReal(r)));
  }
  if (r.l == 0) return Failure(Result::kDivideByZero);
  if (BothInt(l, r)) return Int(Rem32(static_cast<int32_t>(l.l), static_cast<int32_t>(r.l)));
  return Long(Rem64(l.l, r.l));
}

Result Bitwise(BinOp op, const Operand& l, const Operand& r) {
  auto apply = [op](int64_t a, int64_t b) -> int64_t {
    return op == BinOp::And ? (a & b) : op == BinOp::Or ? (a | b) : (a ^ b);
  };
  const uint32_t pair = l.type << 4 | r.type;
  if (pair == 0x44) {
    if (op == BinOp::And) return Bool(l.l == 1 && r.l == 1);
    if (op == BinOp::Or) return Bool(l.l == 1 || r.l == 1);
    return Bool((l.l == 0) != (r.l == 0));
  }
  // A bool that meets a double takes part as an integer (not in xor).
  const bool boolWithReal = (pair == 0x04 || pair == 0x40) && op != BinOp::Xor;
  if (!boolWithReal && (!IsNumber(l.type) || !IsNumber(r.type))) return Failure(Result::kUnhandled);
  if (EitherReal(l, r)) return Real(static_cast<double>(apply(AsLong(l), AsLong(r))));
  if (BothInt(l, r)) return Int(static_cast<int32_t>(apply(l.l, r.l)));
  return Long(apply(l.l, r.l));
}

// 32-bit shifts use the count modulo 32.
int32_t Shift32(BinOp op, bool logical, int32_t value, int64_t count) {
  const uint32_t c = static_cast<uint32_t>(count) & 31u;
  const uint32_t u = static_cast<uint32_t>(value);
  if (op == BinOp::Shl) return Wrap32(u << c);
  return logical ? Wrap32(u >> c) : value >> c;
}

// 64-bit shifts use the low 8 bits of the count: 64 and more shift every bit out.
int64_t Shift64(BinOp op, bool logical, int64_t value, int64_t count) {
  const uint32_t c = static_cast<uint32_t>(count) & 0xFFu;
  const uint64_t u = static_cast<uint64_t>(value);
  if (op == BinOp::Shl) return c >= 64 ? 0 : Wrap64(u << c);
  if (logical) return c >= 64 ? 0 : Wrap64(u >> c);
  return c >= 64 ? (value < 0 ? -1 : 0) : value >> c;
}

Result Shift(BinOp op, bool logical, const Operand& l, const Operand& r) {
  switch (l.type << 4 | r.type) {
    case 0x22:
      return Int(Shift32(op, logical, static_cast<int32_t>(l.l), r.l));
    case 0x20: {
      const int32_t shifted = Shift32(op, logical, static_cast<int32_t>(l.l), TruncateToInt32(r.d));
      return Real(op == BinOp::Shr && logical ? static_cast<double>(static_cast<uint32_t>(shifted))
                                              : static_cast<double>(shifted));
    }
    case 0x00:
    case 0x02:
    case 0x03:
    case 0x30:
      return Real(static_cast<double>(Shift64(op, logical, AsLong(l), AsLong(r))));
    case 0x23:
    case 0x32:
    case 0x33:
      return Long(Shift64(op, logical, l.l, r.l));
    default:
      return Failure(Result::kUnhandled);
  }
}

Result Compute(BinOp op, uint32_t word, const Operand& l, const Operand& r) {
  const uint32_t pair = l.type << 4 | r.type;
  switch (op) {
    case BinOp::Add:
      if (pair == 0x66) return Join(l, r);
      return Numeric(l, r, [](double a, double b) { return a + b; }, Add32, Add64);
    case BinOp::Sub:
      return Numeric(l, r, [](double a, double b) { return a - b; }, Sub32, Sub64);
    case BinOp::Mul:
      if (pair == 0x06 || pair == 0x26) return Repeat(l, r);
      return Numeric(l, r, [](double a, double b) { return a * b; }, Mul32, Mul64);
    case BinOp::Div: return Divide(l, r);
    case BinOp::Rem: return Quotient(l, r);
    case BinOp::Mod: return Remainder(l, r);
    case BinOp::And:
    case BinOp::Or:
    case BinOp::Xor: return Bitwise(op, l, r);
    case BinOp::Shl:
    case BinOp::Shr: return Shift(op, (word & 0x8000u) != 0, l, r);
  }
  return Failure(Result::kUnhandled);
}

// The kind of a variable result: the variable operand's own kind when its payload has the
// result's type, else the kind that holds the result.
uint32_t ResultKind(uint32_t kind, uint32_t type) {
  switch (kind) {
    case VALUE_REAL:
    case VALUE_BOOL:
      if (type == VMT_DOUBLE) return kind;
      break;
    case VALUE_INT32:
      if (type == VMT_INT) return kind;
      break;
    case VALUE_INT64:
      if (type == VMT_LONG) return kind;
      break;
    case VALUE_STRING:
      if (type == VMT_STRING) return kind;
      break;
    default:
      break;
  }
  switch (type) {
    case VMT_INT: return VALUE_INT32;
    case VMT_LONG: return VALUE_INT64;
    case VMT_STRING: return VALUE_STRING;
    case VMT_BOOL: return VALUE_BOOL;
    default: return VALUE_REAL;
  }
}

// Writes the result so that it ends at `end`; returns its slot.
uint8_t* PushResult(VMContext* context, const Result& result, bool variable, uint32_t kind, uint8_t* end) {
  if (variable) {
    RValue v;
    v.v64 = 0;
    switch (result.type) {
      case VMT_INT: v.v32 = static_cast<int32_t>(result.l); break;
      case VMT_LONG: v.v64 = result.l; break;
      case VMT_STRING: v.pString = result.s; break;
      case VMT_BOOL: v.val = result.l != 0 ? 1.0 : 0.0; break;
      default: v.val = result.d; break;
    }
    v.flags = 0;
    v.kind = ResultKind(kind, result.type);
    Store(end - 16, v);
    VM_Seal(context, end - 16);
    return end - 16;
  }
  switch (result.type) {
    case VMT_INT:
    case VMT_BOOL:
      Store(end - 4, static_cast<int32_t>(result.l));
      return end - 4;
    case VMT_LONG:
      Store(end - 8, result.l);
      return end - 8;
    case VMT_STRING:
      StoreString(end - 4, result.s);
      return end - 4;
    default:
      Store(end - 8, result.d);
      return end - 8;
  }
}

// Consumes both operands and stops the code with the message; returns the position above them.
uint8_t* Refuse(VMContext* context, uint32_t word, uint8_t* sp, uint8_t* end, const char* message) {
  const uint32_t rightType = VM_Type1(word);
  VM_ReleaseSlot(context, rightType, sp);
  VM_ReleaseSlot(context, VM_Type2(word), sp + VM_StackSlotSize(rightType));
  VM_Fail(context, "%s", message);
  return end;
}

void FormatRefusal(const BinaryOperator& info, bool right, Refusal refusal, char* text, size_t size) {
  if (info.op == BinOp::Mul) {
    const char* bare = refusal == kPointer ? "illegal pointer use"
                       : refusal == kUndefined ? "undefined value"
                       : refusal == kArray && right ? "illegal array use"
                                                    : "Variable is malformed";
    std::snprintf(text, size, "%s", bare);
    return;
  }
  const char* what = refusal == kArray     ? "illegal array use"
                     : refusal == kPointer ? "illegal pointer use"
                     : refusal == kUndefined ? "undefined value"
                                             : "Malformed variable";
  const char* place = !right ? "2" : info.op == BinOp::Shl ? "" : "1";
  std::snprintf(text, size, "%s :%s: %s", info.name, place, what);
}

uint8_t* Binary(const BinaryOperator& info, uint32_t word, uint8_t* sp, VMContext* context) {
  const uint32_t rightType = VM_Type1(word);
  const uint32_t leftType = VM_Type2(word);
  uint8_t* left = sp + VM_StackSlotSize(rightType);
  uint8_t* end = left + VM_StackSlotSize(leftType);
  if (!VM_StackHolds(context, sp, end - sp)) return VM_FailUnderflow(word, sp, context);
  char text[160];
  if (!OperandSealed(context, rightType, sp)) {
    return Refuse(context, word, sp, end, VM_NoVariableText(word, rightType, text, sizeof text));
  }
  if (!OperandSealed(context, leftType, left)) {
    return Refuse(context, word, sp, end, VM_NoVariableText(word, leftType, text, sizeof text));
  }
  if (((info.objectVariants >> ((word >> 8) & 0xF)) & 1u) != 0) {
    std::snprintf(text, sizeof text, "%s :: Execution Engine type error", info.name);
    return Refuse(context, word, sp, end, text);
  }
  Operand operands[2];  // right, left
  for (int i = 0; i < 2; ++i) {
    const bool right = i == 0;
    const uint32_t written = right ? rightType : leftType;
    const Refusal refusal = ReadOperand(written, right ? sp : left, &operands[i]);
    if (refusal != kAccepted) {
      FormatRefusal(info, right, refusal, text, sizeof text);
      return Refuse(context, word, sp, end, text);
    }
    if (operands[i].type == VMT_STRING && info.stringPlaces[0] != nullptr) {
      const char* place = info.stringPlaces[(right ? 0 : 2) + (written == VMT_VARIABLE ? 1 : 0)];
      std::snprintf(text, sizeof text, "%s :%s: Execution Engine - Cannot operate on string type", info.name, place);
      return Refuse(context, word, sp, end, text);
    }
  }
  const Operand& r = operands[0];
  const Operand& l = operands[1];
  const Result result = Compute(info.op, word, l, r);
  switch (result.status) {
    case Result::kOk: break;
    case Result::kUnhandled: return Refuse(context, word, sp, end, info.executionError);
    case Result::kDivideByZero:
      std::snprintf(text, sizeof text, "%s :: Divide by zero", info.name);
      return Refuse(context, word, sp, end, text);
    case Result::kTooLong:
      std::snprintf(text, sizeof text, "%s :: the string would be too long", info.name);
      return Refuse(context, word, sp, end, text);
  }
  const bool variable = leftType == VMT_VARIABLE || rightType == VMT_VARIABLE;
  const uint32_t kind = leftType == VMT_VARIABLE ? l.kind : r.kind;
  VM_ReleaseSlot(context, rightType, sp);
  VM_ReleaseSlot(context, leftType, left);
  return PushResult(context, result, variable, kind, end);
}

// --- unary --------------------------------------------------------------------------------

uint8_t* Unary(bool negate, uint32_t word, uint8_t* sp, VMContext* context) {
  const char* name = negate ? "DoNeg" : "DoNot";
  const uint32_t type = VM_Type1(word);
  if (type <= VMT_STRING && !VM_StackHolds(context, sp, VM_StackSlotSize(type))) return VM_FailUnderflow(word, sp, context);
  auto refuse = [&](const char* format) {
    char text[160];
    std::snprintf(text, sizeof text, format, name);
    if (type <= VMT_STRING) VM_ReleaseSlot(context, type, sp);
    VM_Fail(context, "%s", text);
    return sp + (type <= VMT_STRING ? VM_StackSlotSize(type) : 0);
  };
  if (!OperandSealed(context, type, sp)) {
    char text[160];
    VM_Fail(context, "%s", VM_NoVariableText(word, type, text, sizeof text));
    return sp + VM_StackSlotSize(type);
  }
  const uint32_t variant = (word >> 8) & 0xF;
  if (variant == 1 || variant == 2) return refuse("%s :: Execution Engine type error");
  switch (type) {
    case VMT_DOUBLE: {
      const double d = Load<double>(sp);
      Store(sp, negate ? -d : static_cast<double>(~TruncateToInt64(d)));
      break;
    }
    case VMT_FLOAT: {
      const float f = Load<float>(sp);
      Store(sp, negate ? -f : static_cast<float>(~TruncateToInt32(f)));
      break;
    }
    case VMT_INT: {
      const int32_t i = Load<int32_t>(sp);
      Store(sp, negate ? Sub32(0, i) : ~i);
      break;
    }
    case VMT_LONG: {
      const int64_t l = Load<int64_t>(sp);
      Store(sp, negate ? Sub64(0, l) : ~l);
      break;
    }
    case VMT_BOOL: {
      const int32_t b = Load<int32_t>(sp);
      Store(sp, negate ? Sub32(0, b) : static_cast<int32_t>(b == 0 ? 1 : 0));
      break;
    }
    case VMT_VARIABLE: {
      RValue v = Load<RValue>(sp);
      switch (RValue_Kind(&v)) {
        case VALUE_REAL:
        case VALUE_BOOL: v.val = negate ? -v.val : static_cast<double>(~TruncateToInt64(v.val)); break;
        case VALUE_INT32: v.v32 = negate ? Sub32(0, v.v32) : ~v.v32; break;
        case VALUE_INT64: v.v64 = negate ? Sub64(0, v.v64) : ~v.v64; break;
        case VALUE_STRING:
          return refuse(negate ? "%s :1: Execution Engine - Cannot operate on string type"
                               : "%s :: Execution Engine - Cannot operate on string type");
        case VALUE_ARRAY: return refuse(negate ? "%s :1: illegal array use" : "%s :: illegal array use");
        case VALUE_PTR: return refuse(negate ? "%s :1: illegal pointer use" : "%s :: Malformed variable");
        case VALUE_UNDEFINED: return refuse(negate ? "%s :1: undefined value" : "%s :: Malformed variable");
        default: return refuse(negate ? "%s :1: Malformed variable" : "%s :: Malformed variable");
      }
      v.flags = 0;
      Store(sp, v);
      VM_Seal(context, sp);
      break;
    }
    case VMT_STRING:
      return refuse("%s :: Execution Engine - Cannot operate on string type");
    default:
      break;  // no value of these types: the slot stays as it is
  }
  return sp;
}

}  // namespace

uint8_t* vm_slots::VM_FailUnderflow(uint32_t word, uint8_t* sp, VMContext* context) {
  VM_Fail(context, "%s: the operands are not on the stack", VM_OpcodeName(VM_Opcode(word)));
  return sp;
}

const char* vm_slots::VM_NoVariableText(uint32_t word, uint32_t refusedType, char* text, size_t size) {
  std::snprintf(text, size, "%s: the stack holds %s variable here", VM_OpcodeName(VM_Opcode(word)),
                refusedType == VMT_VARIABLE ? "no" : "a");
  return text;
}

uint8_t* DoMul(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kMul, word, sp, context); }
uint8_t* DoDiv(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kDiv, word, sp, context); }
uint8_t* DoRem(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kRem, word, sp, context); }
uint8_t* DoMod(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kMod, word, sp, context); }
uint8_t* DoAdd(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kAdd, word, sp, context); }
uint8_t* DoSub(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kSub, word, sp, context); }
uint8_t* DoAnd(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kAnd, word, sp, context); }
uint8_t* DoOr(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kOr, word, sp, context); }
uint8_t* DoXor(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kXor, word, sp, context); }
uint8_t* DoShl(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kShl, word, sp, context); }
uint8_t* DoShr(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Binary(kShr, word, sp, context); }
uint8_t* DoNeg(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Unary(true, word, sp, context); }
uint8_t* DoNot(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) { return Unary(false, word, sp, context); }
