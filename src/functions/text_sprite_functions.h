// Script functions that draw text, sprites and backgrounds and answer for textures.
#pragma once

#include <cstdint>

class CInstance;
struct RValue;

// Registers the text, sprite, background and texture names.
void TextSprite_RegisterFunctions(uint8_t flag);

// The entries compiled game code calls directly, with plain numbers instead of value records.
void F_DrawSetFont(int32_t font);
void F_DrawSetHAlign(int32_t halign);
void F_DrawSetVAlign(int32_t valign);
// draw_sprite_ext for compiled code: a subimage below 0 takes the instance's image_index
// truncated toward zero. A missing sprite draws nothing and is reported as the script form does.
void F_DrawSpriteExt(CInstance* self, int32_t sprite, int32_t subimage, float x, float y, float xScale, float yScale,
                     float angle, uint32_t colour, float alpha);

// Makes the result a new one-row array (owned by the result) of `count` reals taken from `values`.
void CreateRealArray(RValue* result, int32_t count, const double* values);
