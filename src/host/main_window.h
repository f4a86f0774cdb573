// The main window as start-up and teardown see it.
#pragma once

#include <cstdint>

// Creates the main window with the client size from the game header; false on failure.
bool Window_Create(int32_t width, int32_t height);
// The main window's handle, null while there is none.
void* Window_Handle();
void Window_SetFocus();
void Window_Destroy();
// Forgets every view port registered by the room drawing.
void Window_ResetViewPorts();
