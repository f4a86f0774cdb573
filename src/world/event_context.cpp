#include "world/event_context.h"

EventContext Event_Current;
