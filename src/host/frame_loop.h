// The frame loop: the frame itself, and acting on the room-change code at its end.
#pragma once

#include <cstdint>

#include "runtime/frame_timing.h"

// The speed the frame runs at: the current room's (0 or less is corrected to 1 in the room), or
// kSpeedWithoutRoom without one.
int32_t Runner_RoomSpeed();

// One frame of the main loop; returns the room speed (60 without a room).
int32_t Runner_Frame();
// Acts on the room-change code at the end of a frame (another room, a restart, a queued load);
// false when the game is to stop.
bool Runner_ActOnRoomChange();
// Ends the running game: Room End and Game End, its rooms and their instances.
void Runner_EndGame();
// Handles the code -300: loads the saved game whose name is pending, if any.
void Runner_DoQueuedLoad();
