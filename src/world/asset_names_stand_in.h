// STAND-IN until rooms are loaded: their lookup by name. None is known unless a test names some.
// Paths and timelines have their tables; their name setters fill those tables with empty entries.
#pragma once

#include <cstdint>

#include "world/path.h"
#include "world/timeline.h"

// The index of the room with exactly that name, -1 when none.
int32_t Room_Find(const char* name);
// Index n gets names[n] (a null entry names nothing); a count of 0 empties the table.
void Path_StandInSetNames(const char* const* names, int32_t count);
void TimeLine_StandInSetNames(const char* const* names, int32_t count);
void Room_StandInSetNames(const char* const* names, int32_t count);
