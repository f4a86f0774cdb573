#include "host/loop_services_stand_in.h"

bool g_LoopWindowActive = true;

// No input device is read yet, so there is no input to copy, clear or draw, and no gamepad.
void IO_Update() {}
void IO_Clear() {}
void IO_DrawVirtualKeys() {}
void Gamepad_AnnounceAll() {}

bool Window_IsActive() { return g_LoopWindowActive; }
void Window_SetCursor(int32_t) {}
const char* Window_GetCaption() { return ""; }
