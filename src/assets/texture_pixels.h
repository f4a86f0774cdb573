// Pixel read-back and PNG writing: rectangles of the screen or of a texture read into blocks,
// blocks written into textures, rectangles copied between textures on the device, and 32-bit
// pixels written as a PNG file in the save area.
//
// Blocks are memory-manager allocations of width x height x 4 bytes, zero-filled, rows top first
// without padding, each pixel the bytes blue, green, red, alpha; the caller frees them.
#pragma once

#include <cstdint>

#include "assets/texture.h"

class TBitmap;
struct TPageEntry;

// Where screen read-back reads when the game draws into a surface (the one bound as the main
// target, else the application surface); a source that answers null (or none, the default)
// leaves the back buffer. The surfaces install it; returns the one installed before.
using GR_ApplicationSurfaceFn = Texture* (*)();
GR_ApplicationSurfaceFn GR_SetApplicationSurfaceSource(GR_ApplicationSurfaceFn source);

// The width and height actually read are written back; null for an empty rectangle or a failure.
uint8_t* GR_D3D_GetScreenPixels(int32_t boundWidth, int32_t boundHeight, int32_t x, int32_t y, int32_t* width,
                                int32_t* height);
// A block of the requested size; pixels outside the texture stay 0.
uint8_t* Texture_ReadPixels(Texture* texture, int32_t x, int32_t y, int32_t width, int32_t height);
uint8_t* Texture_ReadRegion(Texture* texture, int32_t x, int32_t y, int32_t width, int32_t height);
void Texture_WritePixels(const uint8_t* pixels, Texture* texture, int32_t x, int32_t y, int32_t width, int32_t height);
void Texture_CopyRect(Texture* destination, int32_t dx, int32_t dy, Texture* source, int32_t sx, int32_t sy,
                      int32_t width, int32_t height);

// Rows of width x 4 bytes, red, green, blue, alpha. The name is taken in the save area and its
// missing folders are made. False (with a message on the console) when anything fails.
bool write_png_file(const char* name, const uint8_t* pixels, int32_t width, int32_t height);

// A page entry's image read back from its page as a new 32-bit TBitmap of its full size: the
// source rectangle's rows at the trim offset, the rest 0. Null when the page or the read gives
// nothing.
TBitmap* TPE_ReadBackWhole(const TPageEntry* entry);
