// The names that error reports give to events, objects and timelines.
#pragma once

#include <cstdint>

#include "runtime/event_context.h"

// The event's name for error reports.
const char* Event_GetName(int32_t type, int32_t number);
// The object's or timeline's name, "<undefined>" when there is none with that index.
const char* Object_Name(int32_t objectIndex);
const char* TimeLine_Name(int32_t timelineIndex);
