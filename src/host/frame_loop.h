// The frame loop's clock, its room-change code and the frame itself, as the start-up, the main
// loop and the end of a pass use them.
#pragma once

#include <cstdint>

inline constexpr int32_t kRoomChangeNone = -1;
inline constexpr int32_t kRoomChangeEndGame = -100;
inline constexpr int32_t kRoomChangeRestart = -200;
inline constexpr int32_t kRoomChangeLoadGame = -300;
inline constexpr int32_t kRoomChangeQuit = -400;

// -1 when nothing is pending; see the constants above, else a room index to go to.
extern int32_t g_RoomChangeCode;

struct FrameTiming {
  int64_t lastFrameTime = 0;  // microseconds
  int64_t lastFpsTime = 0;
  int32_t frameCounter = 0;
  int32_t fps = 0;
  int64_t lastStepTime = 0;   // for the game step's delta time
};
extern FrameTiming g_FrameTiming;

void Timing_Init();
// Microseconds since Timing_Init.
int64_t Timing_GetTime();

// One frame of the main loop; returns the room speed (60 without a room).
int32_t Runner_Frame();
// Ends the running game (its rooms and their instances).
void Runner_EndGame();
// Empties the deferred object-change and depth-change queues without applying them.
void Runner_ClearDeferredLists();
