#include "host/frame_loop.h"

#include <chrono>

#include "host/entry.h"

int32_t g_RoomChangeCode = kRoomChangeNone;
FrameTiming g_FrameTiming;

namespace {
std::chrono::steady_clock::time_point g_clockStart = std::chrono::steady_clock::now();
}

void Timing_Init() { g_clockStart = std::chrono::steady_clock::now(); }

int64_t Timing_GetTime() {
  return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() -
                                                               g_clockStart)
      .count();
}

// No room can run yet, so the first frame acts as the end of the game: the loop stops and the
// pass goes on to its teardown, as it does for a game that ends in its first frame.
int32_t Runner_Frame() {
  g_RoomChangeCode = kRoomChangeEndGame;
  g_Host.running = 0;
  return 60;
}

void Runner_EndGame() { g_RoomChangeCode = kRoomChangeNone; }

void Runner_ClearDeferredLists() {}
