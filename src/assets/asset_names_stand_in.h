// Names for tests that look backgrounds up without loading a game.
#pragma once

#include <cstdint>

#include "assets/background.h"

// Empties the background table, then gives index n an empty background named names[n] (a null
// entry leaves the index empty).
void Background_StandInSetNames(const char* const* names, int32_t count);
