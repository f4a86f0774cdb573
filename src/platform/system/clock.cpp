#include "platform/system/clock.h"

#include <time.h>

#include <cerrno>

int64_t Platform_MonotonicMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<int64_t>(now.tv_sec) * 1'000'000 + now.tv_nsec / 1000;
}

void Platform_SleepMilliseconds(int64_t milliseconds) {
  timespec left{static_cast<time_t>(milliseconds / 1000), static_cast<long>(milliseconds % 1000) * 1'000'000L};
  // A signal cuts the sleep short; sleep the rest, so the spin stays below the margin.
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
  }
}
