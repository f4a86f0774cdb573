// STAND-IN until sounds are loaded: the legacy sound table's and the audio assets' lookups by
// name. No sound is known unless a test names some.
#pragma once

#include <cstdint>

// The index of the legacy sound / audio asset with exactly that name, -1 when none.
int32_t Sound_Find(const char* name);
int32_t Audio_Find(const char* name);
void Sound_StandInSetNames(const char* const* names, int32_t count);
void Audio_StandInSetNames(const char* const* names, int32_t count);
