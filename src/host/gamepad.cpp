#include "host/gamepad.h"

int32_t g_GamepadDiscoverCalls = 0;
int32_t g_GamepadPollCalls = 0;

void XInput_Discover() { ++g_GamepadDiscoverCalls; }
void XInput_Poll() { ++g_GamepadPollCalls; }
void Gamepad_Shutdown() {}
