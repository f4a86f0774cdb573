// STAND-IN until extension packages are loaded: the lookup of an extension function by name and
// its call. No function is known or callable unless a test names some and installs a caller.
#pragma once

#include <cstdint>

struct RValue;

// The index of the extension function with exactly that name in any package, -1 when none.
int32_t Extension_FindFunction(const char* name);
void Extension_StandInSetFunctionNames(const char* const* names, int32_t count);

// Calls extension function `index` with the arguments; the result holds the real 0 on entry.
// False for an unknown index.
bool Extension_CallFunction(int32_t index, int32_t argc, RValue* args, RValue* result);
using ExtensionCaller = bool (*)(int32_t index, int32_t argc, RValue* args, RValue* result);
void Extension_StandInSetCaller(ExtensionCaller caller);  // null: nothing is callable
