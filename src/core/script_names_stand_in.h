// STAND-IN until scripts are loaded: the script table's lookup by name. No script is known unless
// a test names some.
#pragma once

#include <cstdint>

// The index of the script with exactly that name, -1 when none.
int32_t Script_Find(const char* name);
void Script_StandInSetNames(const char* const* names, int32_t count);
