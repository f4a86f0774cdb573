// Conversions of object mode between value kinds.
//
// STAND-IN for objects until the object-mode runtime exists: everything but a script object is
// converted; a script object (which needs its "[[DefaultValue]]" method) is reported as not
// convertible.
#pragma once

#include <cstdint>

struct RValue;

// Result codes: the conversion was done, the value cannot be converted (the caller raises the
// TypeError), or a script exception is already pending (the caller returns at once).
inline constexpr int32_t kConvertDone = 0;
inline constexpr int32_t kConvertImpossible = 1;
inline constexpr int32_t kConvertExceptionPending = 2;

// ToNumber: on success the result is a real (its old contents released). Reals, bools, int32,
// int64, null (0), undefined (NaN) and strings (their numeric text) convert; arrays, pointers
// and iterators report success without writing anything.
int32_t F_JS_ToNumber(RValue* result, const RValue* value);

// The NaN that conversions produce (bit pattern 0x7FFFFFFFFFFFFFFF).
double JS_NaN();
