// STAND-IN until legacy sounds are loaded: the legacy sound table's lookup by name. No sound is
// known unless a test names some.
#pragma once

#include <cstdint>

// The index of the legacy sound with exactly that name, -1 when none.
int32_t Sound_Find(const char* name);
void Sound_StandInSetNames(const char* const* names, int32_t count);
