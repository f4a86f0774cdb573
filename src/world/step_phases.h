// What the game step and the frame call of the game world: the event phases of one step, the
// walks over the current room's active instances, and saved games.
#pragma once

#include <cstdint>

class CRoom;

inline constexpr int32_t kStepNormal = 0;
inline constexpr int32_t kStepBegin = 1;
inline constexpr int32_t kStepEnd = 2;

// One phase each, over the instances of the current room.
void HandleStep(int32_t kind);  // kStepNormal, kStepBegin or kStepEnd
void HandleTimelines();
void HandleAlarm();
void HandleKeyboard();
void HandleJoystick();
void HandleMouse();
void HandleOther();      // outside-room, boundary and view events
void HandleAsync();      // asynchronous results
void HandleCollision();

// Counts the event passes of the game step; an instance made during a pass carries the value it
// had then, so a pass can leave out instances that are newer than itself.
extern uint64_t Event_PassCounter;

// What the image-animation walk saw of the active instances.
struct ActiveInstanceNotes {
  bool anyTimelineRunning = false;
  bool anyOnPath = false;  // path index 0 or more
};

// For every instance of the room's active list, in list order: keeps x, y and the path position
// as their previous values, advances the image (Runner_AdvanceImage) and sends Animation End
// (Other 7) when it wrapped. The next instance is taken before the event runs.
ActiveInstanceNotes Instances_AdvanceImages(CRoom* room);

// Moves every instance of the room's active list (next taken before acting): friction and
// gravity, the path (End of Path, Other 8, when the path ended and the instance is not newer than
// `passStamp`), then the position by its horizontal and vertical speed.
void Instances_Move(CRoom* room, uint64_t passStamp);

// Restores a saved game queued by Game_Load, once per step; does nothing when none is queued.
void Game_DoQueuedLoad();
// Reads a saved game and queues it for the next step.
void Game_Load(const char* fileName);
