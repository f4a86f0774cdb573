// The runner's own 15-bit pseudo-random generator (values 0..32767).
//
// Start-up code and the object runtime need a generator with this range whatever the C library
// offers, and one that a seed makes reproducible on every platform.
#pragma once

#include <cstdint>

inline constexpr int32_t kRuntimeRandMax = 32767;

void Runtime_SRand(uint32_t seed);
int32_t Runtime_Rand();
