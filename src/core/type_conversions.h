// Conversions of object mode between value kinds: ToBoolean, ToNumber, ToInteger, ToInt32,
// ToUint32, ToString and ToPrimitive, the text of numbers and the grammar of numeric strings.
//
// A script object converts through its [[DefaultValue]], which runs its toString or valueOf; that
// lives with the script objects a floor up, which install it here at start-up. Until it is
// installed an object does not convert (code 1).
#pragma once

#include <cstdint>

struct RValue;
class WXObjectBase;

// Result codes: the conversion was done, the value cannot be converted (the caller raises the
// TypeError), or a script exception is already pending (the caller returns at once).
inline constexpr int32_t kConvertDone = 0;
inline constexpr int32_t kConvertImpossible = 1;
inline constexpr int32_t kConvertExceptionPending = 2;

// Preferred types of ToPrimitive: 0 (and the integer kinds 7, 10) Number, 1 String, anything else
// none (String for a Date, else Number).
inline constexpr int32_t kHintNumber = 0;
inline constexpr int32_t kHintString = 1;
inline constexpr int32_t kHintNone = -1;

// [[DefaultValue]] of an object into result (its old contents released); a result code.
using DefaultValueFn = int32_t (*)(WXObjectBase* object, RValue* result, int32_t hint);
void TypeConversion_SetDefaultValue(DefaultValueFn defaultValue);

// The NaN that conversions produce (bit pattern 0x7FFFFFFFFFFFFFFF).
double JS_NaN();

// The white space of numeric texts: the ECMAScript white space and line terminators up to U+00A0
// (U+0085 is not among them) and, above U+00A0, the Unicode categories Mc, Zs, Zl, Zp, Cc, Cf, Cs
// and Co.
bool JS_IsWhiteSpace(uint32_t codePoint);
// The position of the character among the first `radix` digits of "0-9a-z" (either case), or -1.
int32_t JS_DigitValue(uint32_t character, int32_t radix);
inline bool JS_IsDigit(uint32_t character, int32_t radix) { return JS_DigitValue(character, radix) >= 0; }

// The numeric value of a text (null or empty is 0): optional white space around one of a
// hexadecimal integer "0x..." (wrapping at 32 bits), "Infinity" with an optional sign, or a
// decimal number (sign, digits, fraction, exponent); anything else is NaN.
double JS_StringToNumber(const char* text);

// The text of a number: the shortest digits that read back to it, in fixed form from 1e-6 up to
// 10^(20 + digit count), else exponential ("1e+21", "1.5e-7"). Writes at most kNumberTextSize
// bytes with the terminator; returns the length.
inline constexpr int32_t kNumberTextSize = 64;
int32_t JS_NumberToText(double d, char* buffer);

bool JS_ToBoolean(const RValue* value);
// On success the result is a real (its old contents released). An array, a pointer or an
// iterator gives NaN.
int32_t F_JS_ToNumber(RValue* result, const RValue* value);
// NaN gives 0; errors of the inner ToNumber are ignored.
double F_JS_ToInteger(const RValue* value);
int32_t F_JS_ToInt32(RValue* result, const RValue* value);
int32_t F_JS_ToUint32(RValue* result, const RValue* value);
// On success the result is a string; an array, a pointer or an unset value gives "[[unknown]]".
int32_t F_JS_ToString(RValue* result, const RValue* value);
int32_t F_JS_ToPrimitive(RValue* result, const RValue* value, int32_t hint);

// True for the primitive kinds: real, string, undefined, int32, int64, null and bool.
bool JS_IsPrimitive(const RValue* value);
// The sign and finiteness tests of the number functions.
bool JS_IsNonFinite(double d);
bool JS_SignBitClear(double d);
