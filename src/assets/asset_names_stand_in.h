// STAND-IN until backgrounds are loaded: their lookups by name. None is known unless a
// test names some.
#pragma once

#include <cstdint>

// The index of the background with exactly that name, -1 when none.
int32_t Background_Find(const char* name);
// The size of a background resource; no background has an image yet, so 0 for every index.
int32_t Background_GetWidth(int32_t index);
int32_t Background_GetHeight(int32_t index);
void Background_StandInSetNames(const char* const* names, int32_t count);
