// Joysticks, as the window procedure calls on them.
#pragma once

#include <cstdint>

// Tests which joysticks are present (start-up and every device change).
void Joystick_Detect();

// How often it was called; nothing else is kept until the joysticks are built.
extern int32_t g_JoystickDetectCalls;
