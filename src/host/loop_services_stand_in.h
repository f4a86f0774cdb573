// Stand-in for what the frame loop, the game step and the error reporter use of input, the main
// window and the game options; the input, window and game-option modules replace this file.
#pragma once

#include <cstdint>

// Copies the input that window messages collected into the state scripts read (once per step).
void IO_Update();
// Clears every key, button and pressed or released flag.
void IO_Clear();
// Draws the virtual keys over the game image.
void IO_DrawVirtualKeys();
// Announces every connected gamepad to the game again.
void Gamepad_AnnounceAll();

// True while the main window is the active window.
bool Window_IsActive();
// 0 the default cursor, -1 none.
void Window_SetCursor(int32_t cursor);
// The main window's caption, the title of message boxes.
const char* Window_GetCaption();

// Without a window system the window counts as active; tests may change it.
extern bool g_LoopWindowActive;
