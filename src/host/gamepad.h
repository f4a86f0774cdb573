// Gamepads, as the window procedure and the input update call on them.
#pragma once

#include <cstdint>

// Looks for gamepads that arrived or left (start-up and every device change).
void XInput_Discover();
// Reads the connected gamepads once per step.
void XInput_Poll();
// Deletes every pad (end of the main loop).
void Gamepad_Shutdown();

// How often each was called; nothing else is kept until the gamepads are built.
extern int32_t g_GamepadDiscoverCalls;
extern int32_t g_GamepadPollCalls;
