// Window and mouse points in the current room: through the views the room draws, or scaled to the
// room without them.
#pragma once

#include <cstdint>

// A window point to the room, through the topmost drawn view that holds it.
void Window_MapToRoom(int32_t x, int32_t y, int32_t* rx, int32_t* ry);

void Window_DeviceMouseToRoom(int32_t* x, int32_t* y, int32_t device);
int32_t Window_DeviceMouseX(int32_t device);
int32_t Window_DeviceMouseY(int32_t device);
