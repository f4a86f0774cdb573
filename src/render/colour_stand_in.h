// STAND-IN until the draw colour and the colour conversions are built: the draw colour that
// text takes and the channel mix of colour gradients.
#pragma once

#include <cstdint>

// The draw colour, a script colour (0xFF000000 at start: opaque black).
uint32_t GR_GetColour();
void GR_SetColour(uint32_t colour);
// Each channel round(a (1 - t) + b t), ties to even, its low 8 bits; t is not clamped.
uint32_t Colour_Merge(uint32_t a, uint32_t b, float t);
