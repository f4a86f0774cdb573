#include "core/value_ops.h"

#include <cstring>

#include "core/value_text.h"
#include "core/vm_error.h"

namespace {

inline RValue CopyOf(const RValue& v) {
  RValue copy = RValue_MakeUndefined();
  RValue_Assign(&copy, &v);
  return copy;
}

// The right operand as a number, or false when its kind is not a number.
inline bool NumberOf(const RValue& v, double* out) {
  switch (v.kind & MASK_KIND_RVALUE) {
    case VALUE_REAL:
    case VALUE_BOOL:
      *out = v.val;
      return true;
    case VALUE_INT32:
      *out = static_cast<double>(v.v32);
      return true;
    case VALUE_INT64:
      *out = static_cast<double>(v.v64);
      return true;
    default:
      return false;
  }
}

inline RValue TypeErrorGivesLeft(const char* op, const RValue& left, const RValue& right) {
  RValue_TypeError(op, &left, &right);
  return CopyOf(left);
}

RValue JoinStrings(const SharedString* left, const SharedString* right) {
  RValue result;
  result.pString = SharedString_Join(left, right);
  result.flags = 0;
  result.kind = VALUE_STRING;
  if (result.pString == nullptr) {
    VM_RuntimeError("unable to join strings: the result would be too long");
    result.pString = SharedString_Create("");
  }
  return result;
}

// Arithmetic of a real left operand and a right operand read as a number.
template <typename Op>
inline RValue RealOp(const char* opText, const RValue& left, const RValue& right, Op op) {
  double r;
  if (!NumberOf(right, &r)) return TypeErrorGivesLeft(opText, left, right);
  RValue result = left;  // a real owns nothing: no reference to take
  result.val = op(left.val, r);
  return result;
}

}  // namespace

RValue RValue_Add(const RValue& left, const RValue& right) {
  if (left.kind == VALUE_STRING) {
    if ((right.kind & MASK_KIND_RVALUE) != VALUE_STRING) return TypeErrorGivesLeft("+", left, right);
    return JoinStrings(left.pString, right.pString);
  }
  if (left.kind == VALUE_REAL) return RealOp("+", left, right, [](double a, double b) { return a + b; });
  return CopyOf(left);
}

RValue RValue_Sub(const RValue& left, const RValue& right) {
  if (left.kind == VALUE_REAL && right.kind == VALUE_REAL) {
    RValue result = left;
    result.val = left.val - right.val;
    return result;
  }
  return CopyOf(left);
}

RValue RValue_MulAssign(const RValue& left, const RValue& right) {
  if ((left.kind & MASK_KIND_RVALUE) != VALUE_REAL) return TypeErrorGivesLeft("*=", left, right);
  return RealOp("*=", left, right, [](double a, double b) { return a * b; });
}

RValue RValue_DivAssign(const RValue& left, const RValue& right) {
  if ((left.kind & MASK_KIND_RVALUE) != VALUE_REAL) return TypeErrorGivesLeft("/=", left, right);
  return RealOp("/=", left, right, [](double a, double b) { return a / b; });
}

RValue RValue_AddReal(const RValue& left, double right) {
  if (left.kind == VALUE_STRING) {
    VM_RuntimeError("unable to add a number to string");
    return CopyOf(left);
  }
  if (left.kind == VALUE_REAL) {
    RValue result = left;
    result.val = left.val + right;
    return result;
  }
  return CopyOf(left);
}

RValue RValue_MulAssignReal(const RValue& left, double right) {
  if ((left.kind & MASK_KIND_RVALUE) == VALUE_REAL) {
    RValue result = left;
    result.val = left.val * right;
    return result;
  }
  const RValue r = RValue_MakeReal(right);
  return TypeErrorGivesLeft("*=", left, r);
}

RValue RValue_DivAssignReal(const RValue& left, double right) {
  if ((left.kind & MASK_KIND_RVALUE) == VALUE_REAL) {
    RValue result = left;
    result.val = left.val / right;
    return result;
  }
  const RValue r = RValue_MakeReal(right);
  return TypeErrorGivesLeft("/=", left, r);
}

RValue RValue_RealAdd(double left, const RValue& right) {
  return RealOp("+", RValue_MakeReal(left), right, [](double a, double b) { return a + b; });
}

RValue RValue_RealMul(double left, const RValue& right) {
  return RealOp("*", RValue_MakeReal(left), right, [](double a, double b) { return a * b; });
}

RValue RValue_IntSub(int32_t left, const RValue& right) {
  const double l = static_cast<double>(left);
  return RValue_MakeReal(right.kind == VALUE_REAL ? l - right.val : l);
}

void RValue_TypeError(const char* op, const RValue* left, const RValue* right) {
  TextRecord l = {nullptr, 0, 0};
  TextRecord r = {nullptr, 0, 0};
  RValue_AppendToText(&l, left);
  RValue_AppendToText(&r, right);
  VM_RuntimeError("invalid type for %s lhs=%s, rhs=%s", op, l.buffer, r.buffer);
  TextRecord_Free(&l);
  TextRecord_Free(&r);
}
