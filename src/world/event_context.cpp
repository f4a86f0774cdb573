#include "world/event_context.h"

EventContext Event_Current;

// No objects, timelines or event names are loaded yet.
const char* Event_GetName(int32_t, int32_t) { return "<Unknown Event>"; }
const char* TimeLine_Name(int32_t) { return "<undefined>"; }
