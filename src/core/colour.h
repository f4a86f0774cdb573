// Colour conversions: script colours (red in the low byte) to the device's packed vertex colours
// (alpha on top, then red, green, blue), alpha to a byte, channel mixes, and hue, saturation and
// value. Pure functions without state.
#pragma once

#include <cstdint>

// Bytes in the order blue, green, red.
struct ColourRGB {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
};

// Bytes in the order hue, saturation, value, each 0..255 (a hue of 255 stands for 360 degrees).
struct ColourHSV {
  uint8_t hue = 0;
  uint8_t saturation = 0;
  uint8_t value = 0;
};

// Above 1: 255, below 0: 0, else alpha x 255 truncated.
int32_t Colour_AlphaToByte(float alpha);
// Red and blue exchanged, the alpha byte on top; bits of the colour above 23 are dropped.
uint32_t Colour_ToVertex(uint32_t colour, int32_t alpha);
uint32_t Colour_SetAlphaByte(uint32_t colour, int32_t alpha);
// Each channel round(a (1 - t) + b t), ties to even, its low 8 bits; t is not clamped.
uint32_t Colour_Merge(uint32_t a, uint32_t b, float t);
uint32_t Colour_Lerp(uint32_t a, uint32_t b, float t);

void Colour_InitRGB(ColourRGB* rgb, int32_t red, int32_t green, int32_t blue);
uint32_t Colour_FromRGB(const ColourRGB& rgb);
void Colour_InitHSV(ColourHSV* hsv, int32_t hue, int32_t saturation, int32_t value);
ColourHSV Colour_RGBToHSV(const ColourRGB& rgb);
ColourRGB Colour_HSVToRGB(const ColourHSV& hsv);
ColourHSV Colour_ToHSV(uint32_t colour);
uint32_t Colour_FromHSV(const ColourHSV& hsv);
