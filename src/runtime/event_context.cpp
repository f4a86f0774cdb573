#include "runtime/event_context.h"

EventContext Event_Current;
