// The runner's one pseudo-random generator, as the shufflers and other runtime users draw from it.
#pragma once

#include <cstdint>

// The next number of the generator modulo |n|, in [0, |n|); n must not be 0 (a 0 bound gives 0
// and draws nothing).
uint32_t Random_Int(int32_t n);
