#include "host/joystick.h"

int32_t g_JoystickDetectCalls = 0;

void Joystick_Detect() { ++g_JoystickDetectCalls; }
