// What a font made from a sprite asks of its sprite: the frames, their horizontal extents for
// proportional fonts, and the two draws of a glyph.
#pragma once

#include <cstdint>

struct FontSpriteInfo {
  int32_t frames = 0;
  int32_t width = 0;
  int32_t height = 0;
};
// False when the sprite does not exist.
bool FontSprite_Info(int32_t sprite, FontSpriteInfo* info);
// The frame's horizontal extent [left, right): its page entry's target rectangle, or the opaque
// columns of its own bitmap, or else the sprite's whole width.
void FontSprite_FrameExtent(int32_t sprite, int32_t frame, int32_t* left, int32_t* right);
void FontSprite_Draw(int32_t sprite, int32_t frame, float x, float y, float xScale, float yScale, float angle,
                     uint32_t colour, float alpha);
// The whole frame with a colour at each corner.
void FontSprite_DrawGeneral(int32_t sprite, int32_t frame, float x, float y, float xScale, float yScale, float angle,
                            uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, float alpha);
