// Saving what is on screen: the current render target (the application surface while the room
// is drawn into it, else the back buffer) read back and written as an opaque PNG file in the
// save area.
#pragma once

#include <cstdint>

// Pixels of 4 bytes, rows without gaps: the first and third byte of each exchanged in place.
void GR_SwapRedBlue(uint8_t* pixels, int32_t width, int32_t height);
// The fourth byte of each pixel set to 255.
void GR_FillAlpha(uint8_t* pixels, int32_t width, int32_t height);

// Saves (0, 0, screen width, screen height) of the current render target; false when nothing
// could be read or written.
bool Screen_Save(const char* file);

// screen_save (1 argument).
void Screen_RegisterFunctions(uint8_t flag);
