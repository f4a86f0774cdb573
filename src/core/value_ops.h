// Arithmetic on values for translated game code. Each operator returns a new value and never
// changes its operands; a copy of the left operand shares its string or array by reference.
//
// Right operands used as numbers may be reals, int32, int64 or bools; any other kind (a string,
// undefined, ...) is a type error. A type error is reported through VM_RuntimeError; when that
// returns, the operator gives a copy of its left operand.
#pragma once

#include <cstdint>

#include "core/value.h"

// String + string joins (a missing text counts as empty); real + number adds; any other left
// operand gives a copy of it.
RValue RValue_Add(const RValue& left, const RValue& right);
// Real - real subtracts; anything else gives a copy of the left, without an error.
RValue RValue_Sub(const RValue& left, const RValue& right);
// *= and /=: the left must be a real.
RValue RValue_MulAssign(const RValue& left, const RValue& right);
RValue RValue_DivAssign(const RValue& left, const RValue& right);
// value + real: a string on the left is the error "unable to add a number to string".
RValue RValue_AddReal(const RValue& left, double right);
RValue RValue_MulAssignReal(const RValue& left, double right);
RValue RValue_DivAssignReal(const RValue& left, double right);
// real + value, real * value.
RValue RValue_RealAdd(double left, const RValue& right);
RValue RValue_RealMul(double left, const RValue& right);
// int - value: a real right operand gives the real difference; anything else the integer as a real.
RValue RValue_IntSub(int32_t left, const RValue& right);

// Reports "invalid type for %s lhs=%s, rhs=%s" with the operator and both values' text forms.
void RValue_TypeError(const char* op, const RValue* left, const RValue* right);
