// Input as start-up, the main loop and the end of the main loop use it.
#pragma once

void IO_Init();
// Shuts the gamepads down and closes an input recording or playback file.
void IO_Shutdown();
// Zeroes the current pointer table.
void IO_ResetPointerTable();
// Copies the current pointer table into the previous one (before every frame).
void IO_CopyPointerTable();
