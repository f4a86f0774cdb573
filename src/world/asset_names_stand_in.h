// Names for tests that look paths and timelines up without loading a game: index n gets names[n]
// (a null entry names nothing) as an empty entry of the real table; a count of 0 empties it.
#pragma once

#include <cstdint>

#include "world/path.h"
#include "world/timeline.h"

void Path_StandInSetNames(const char* const* names, int32_t count);
void TimeLine_StandInSetNames(const char* const* names, int32_t count);
