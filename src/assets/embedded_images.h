// The images built into the runner: particle shapes, the debug font's sheet and its glyph table.
//
// The table is made at build time (tools/images) and compiled in. Layout, all 32-bit
// little-endian, offsets from the table's start: the entry count n, then for each image its byte
// length and its offset; each image is a complete image file (DDS or PNG).
#pragma once

#include <cstddef>
#include <cstdint>

inline constexpr int32_t kEmbeddedImageCount = 17;
// Images 1-14 are the particle shapes 0-13; 15 is the debug font's 256 x 128 sheet.
inline constexpr int32_t kEmbeddedFirstParticleShape = 1;
inline constexpr int32_t kEmbeddedFontSheet = 15;
inline constexpr int32_t kEmbeddedGlyphCount = 137;

// The generated table and its size in bytes.
extern const uint8_t g_EmbeddedImages[];
extern const size_t g_EmbeddedImagesSize;
// The debug font's glyphs: for each character code 0-136 four bytes x, y, width (also the
// advance) and height on the sheet.
extern const uint8_t g_EmbeddedGlyphs[];

// The registered table's total image bytes (the sum of its lengths); 0 before registration.
uint32_t GR_EmbeddedTexturesLength();
// Image index of the registered table: its file bytes and their length. False, with no data,
// for an index outside the table or no table.
bool GR_GetEmbeddedImage(int32_t index, const uint8_t** data, uint32_t* length);
// A texture of image `index`, owned by the caller; null for an index outside the table (nothing
// outside the table is read) or an image that cannot be made.
struct Texture;
Texture* GR_CreateEmbeddedTexture(int32_t index);
