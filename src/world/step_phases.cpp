#include "world/step_phases.h"


// The game world's objects, events and instances are not built yet: a room holds no instances,
// so every phase and walk finds nothing to run, and no saved game can be read or queued.
void HandleStep(int32_t) {}
void HandleTimelines() {}
void HandleAlarm() {}
void HandleKeyboard() {}
void HandleJoystick() {}
void HandleMouse() {}
void HandleOther() {}
void HandleAsync() {}
void HandleCollision() {}
ActiveInstanceNotes Instances_AdvanceImages(CRoom*) { return ActiveInstanceNotes{}; }
void Instances_Move(CRoom*, uint64_t) {}
void Game_DoQueuedLoad() {}
void Game_Load(const char*) {}
