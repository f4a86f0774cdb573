// STAND-IN until extension packages are loaded: the lookup of an extension function by name. No
// function is known unless a test names some.
#pragma once

#include <cstdint>

// The index of the extension function with exactly that name in any package, -1 when none.
int32_t Extension_FindFunction(const char* name);
void Extension_StandInSetFunctionNames(const char* const* names, int32_t count);
