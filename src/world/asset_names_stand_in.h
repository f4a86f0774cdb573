// STAND-IN until paths and timelines are loaded: their lookups by name. None is known
// unless a test names some.
#pragma once

#include <cstdint>

// The index of the path / timeline with exactly that name, -1 when none.
int32_t Path_Find(const char* name);
int32_t TimeLine_Find(const char* name);
void Path_StandInSetNames(const char* const* names, int32_t count);
void TimeLine_StandInSetNames(const char* const* names, int32_t count);
