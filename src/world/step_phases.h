// What the game step and the frame call of the game world: the event phases of one step, the
// walks over the current room's active instances, and saved games.
#pragma once

#include <cstdint>

class CRoom;

inline constexpr int32_t kStepNormal = 0;
inline constexpr int32_t kStepBegin = 1;
inline constexpr int32_t kStepEnd = 2;

// One phase each, over the instances of the current room.
//
// Every dispatch phase is made of passes. A pass takes the pass counter's value as its own and
// raises the counter; it walks the objects listed for its event (world/object_lists.h) and each
// one's own instance list, and leaves out instances that are destroyed, deactivated, or newer
// than the pass (made while it ran): those take part from the next pass on, even in the same
// step.
void HandleStep(int32_t kind);  // kStepNormal, kStepBegin or kStepEnd
void HandleTimelines();
// Counts every alarm down by one; an alarm that reaches 0 fires. Only instances of objects with
// (or inheriting) a handler for an alarm have that alarm counted.
void HandleAlarm();
// Keys 8..255 held (or pressed) and pressed this step, released this step; then the no-key and
// any-key events (number 0 and 1).
void HandleKeyboard();
void HandleKey(int32_t key);
void HandleKeyPress(int32_t key);
void HandleKeyRelease(int32_t key);
// The events of joysticks 1 and 2: directions past the thresholds and buttons 1..8.
void HandleJoystick();
void HandleJoystickEvent(int32_t number);
// Buttons (for the instances under the cursor and for all), enter and leave, the wheel; nothing
// while the window is not visible.
void HandleMouse();
void HandleMouseButton(int32_t number);
void HandleMouseGlobal(int32_t number);
void HandleMouseEnterLeave();
void HandleOther();      // outside-room, boundary and view events
// The asynchronous phase: the purchase and push deliveries, the deferred script calls and the
// HTTP reaping, then the walk of the asynchronous queue (world/async_queue.h).
void HandleAsync();
// Runs the asynchronous Other event of that number (60-64, 67, 69-75; any other does nothing) on
// every instance of the objects that have it, past the room-change filter.
void Async_PerformEvent(int32_t number);
void HandleCollision();

// Joystick directions: a position below the low threshold is left (or up), above the high one
// right (or down), on the 0..65535 axes of the joystick layer.
inline constexpr uint32_t kJoystickLowThreshold = 20000;
inline constexpr uint32_t kJoystickHighThreshold = 44000;

// The cursor position the mouse phase took at its start, in room coordinates.
extern int32_t g_StepMouseX;
extern int32_t g_StepMouseY;

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

// Advances an image index by its speed over `imageCount` images; true when the animation wrapped
// (past the last image, or below the first), which sends Animation End. A sprite without images
// wraps in every step.
bool Runner_AdvanceImage(double* imageIndex, double imageSpeed, int32_t imageCount);
