// The monotonic clock and a sleep on it.
#pragma once

#include <cstdint>

// Monotonic microseconds from an unspecified origin.
int64_t Platform_MonotonicMicroseconds();
// Sleeps at least that long; a signal does not cut the sleep short.
void Platform_SleepMilliseconds(int64_t milliseconds);
