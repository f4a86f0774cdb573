// Numeric entries that translated game code calls directly, with plain numbers.
#pragma once

#include <cstdint>

struct RValue;

// 1 for x > 0, 0 for x = 0 (either sign), -1 otherwise: a NaN gives -1.
double F_Sign(double x);
// A copy of the first of the count values with the smallest (F_Min) or largest (F_Max) number,
// stored into result; the real 0 when count is 0 or less. Ties keep the earlier value.
void F_Min(RValue* result, int32_t count, RValue** values);
void F_Max(RValue* result, int32_t count, RValue** values);
