#include "io/os_events.h"

bool OS_PauseEventRequested = false;

void OS_RequestPauseEvent() { OS_PauseEventRequested = true; }
