// Saving what is on screen and reading single screen pixels. Both read the current render target:
// the surface bound to target slot 0 (the application surface while the room is drawn into it,
// or a script's surface), else the application surface when one exists, else the back buffer,
// never more of it than the screen size.
#pragma once

#include <cstdint>

// Pixels of 4 bytes, rows without gaps: the first and third byte of each exchanged in place.
void GR_SwapRedBlue(uint8_t* pixels, int32_t width, int32_t height);
// The fourth byte of each pixel set to 255.
void GR_FillAlpha(uint8_t* pixels, int32_t width, int32_t height);

// Saves (0, 0, screen width, screen height) of the current render target as an opaque PNG file;
// false when nothing could be read or written.
bool Screen_Save(const char* file);
// Saves the rectangle (x, y, width, height) after clipping it to the screen; false when it is
// empty there or nothing could be read or written.
bool Screen_SavePart(const char* file, int32_t x, int32_t y, int32_t width, int32_t height);
// The snapshot action's save: like Screen_Save, but the alpha read from the target is kept. A
// null or empty name is reported and saves nothing.
bool Command_Snapshot(const char* file);

// screen_save 1, screen_save_part 5, draw_getpixel 2, draw_getpixel_ext 2.
void Screen_RegisterFunctions(uint8_t flag);
