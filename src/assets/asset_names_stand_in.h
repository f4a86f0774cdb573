// STAND-IN until fonts are loaded: their lookup by name. None is known unless a test names some.
// Backgrounds are loaded; tests that look them up without a game give names to the real table.
#pragma once

#include <cstdint>

#include "assets/background.h"

// The index of the font with exactly that name, -1 when none.
int32_t Font_Find(const char* name);
void Font_StandInSetNames(const char* const* names, int32_t count);
// Empties the background table, then gives index n an empty background named names[n] (a null
// entry leaves the index empty).
void Background_StandInSetNames(const char* const* names, int32_t count);
