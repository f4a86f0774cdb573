// How built-in function handlers read their arguments, and the conversions of the script
// functions real, int64 and ptr.
//
// Each getter reads argument n (from 0) of the argument array. A kind it does not accept is a
// runtime error naming the built-in function being called and n + 1; when the error returns (the
// game ends through the game-end request, or a debugger watch is being evaluated) the getter
// gives its fallback and the handler goes on with it.
//
// Reals become integers by truncation toward zero, with NaN and the infinities giving 0 and
// values outside the integer's range giving the documented limit value: never an undefined cast.
#pragma once

#include <cstdint>

struct RValue;

// Real: > 0.5; int32 and int64: > 0; bool: not 0.0 (NaN is true). Fallback false.
bool WXGB(RValue* args, int32_t n);
// Reals and bools truncated (outside the range: INT32_MIN); int32 and int64: the low 32 bits;
// strings and script objects converted to a number first. Fallback 0.
int32_t WXGI32(RValue* args, int32_t n);
// As WXGI32, but a real goes through a 64-bit integer (-1.0 gives 0xFFFFFFFF; outside the int64
// range gives 0). Fallback 0.
uint32_t WXGU32(RValue* args, int32_t n);
// Reals and bools truncated (outside the range: INT64_MIN); int32 sign-extended; int64 as is;
// strings and script objects converted first. Fallback 0.
int64_t WXGI64(RValue* args, int32_t n);
// Reals and bools (NaN and infinities: 0.0); int32 and int64 converted; strings and script
// objects converted first. Fallback 0.0.
double WXGR(RValue* args, int32_t n);
// As WXGR rounded to single precision, without the string conversion. Fallback 0.0.
float WXGF(RValue* args, int32_t n);
// A string's text (null when it has no record); a script object gives null without a message.
// Fallback null.
const char* WXGS(RValue* args, int32_t n);
// A pointer, int32 (sign-extended) or int64 as is, all 64 bits kept; a real truncated as by
// WXGI64. Fallback -1.
intptr_t WXGPtrOrNum(RValue* args, int32_t n);

// real(): real as is; a string's text as a decimal number (0.0 without text); a pointer's address;
// int32 and int64 converted, an int64 that does not survive the trip back being the error "%s
// conversion results in loss of data" (the real is still given). Other kinds: "%s argument
// incorrect type", 0.0.
double RValue_ToReal(const RValue* v);
// int64(): real truncated (as WXGI64); a string's text as a decimal integer (0 without text);
// a pointer, int32 and int64 as integers. Other kinds: "%s argument incorrect type", 0.
int64_t RValue_ToInt64(const RValue* v);
// ptr(): real truncated; a string's text as a hexadecimal integer (0 without text); a pointer,
// int32 and int64 as integers. Other kinds: "%s argument incorrect type", null.
void* RValue_ToPointer(const RValue* v);
