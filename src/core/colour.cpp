#include "core/colour.h"

#include <algorithm>
#include <cmath>

namespace {

uint32_t MixChannel(uint32_t a, uint32_t b, int shift, float t) {
  const double ca = static_cast<double>((a >> shift) & 0xFF);
  const double cb = static_cast<double>((b >> shift) & 0xFF);
  // The weights are single precision, the mix double: a sum computed in floats can land on a half
  // (85 and 210 at 0.268 give 118.5 there) and round the other way.
  const double k = static_cast<double>(1.0f - t);
  // The default rounding mode rounds halves to even; a channel far out of range keeps its low bits,
  // and one beyond what 64 bits hold (or NaN) gives 0.
  const double mixed = std::nearbyint(ca * k + cb * static_cast<double>(t));
  const int64_t whole = std::isfinite(mixed) && std::fabs(mixed) < 9.0e18 ? static_cast<int64_t>(mixed) : 0;
  return (static_cast<uint32_t>(whole) & 0xFF) << shift;
}

// Truncated, then held to 0..255.
uint8_t ClampByte(float scaled) {
  if (!(scaled > 0.0f)) return 0;
  if (scaled >= 255.0f) return 255;
  return static_cast<uint8_t>(static_cast<int32_t>(scaled));
}

}  // namespace

int32_t Colour_AlphaToByte(float alpha) {
  if (alpha > 1.0f) return 255;
  if (!(alpha >= 0.0f)) return 0;
  return static_cast<int32_t>(alpha * 255.0f);
}

uint32_t Colour_ToVertex(uint32_t colour, int32_t alpha) {
  return (static_cast<uint32_t>(alpha) << 24) | ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

uint32_t Colour_SetAlphaByte(uint32_t colour, int32_t alpha) {
  return (colour & 0xFFFFFF) | (static_cast<uint32_t>(alpha) << 24);
}

uint32_t Colour_Merge(uint32_t a, uint32_t b, float t) {
  return MixChannel(a, b, 0, t) | MixChannel(a, b, 8, t) | MixChannel(a, b, 16, t);
}

uint32_t Colour_Lerp(uint32_t a, uint32_t b, float t) { return Colour_Merge(a, b, t); }

void Colour_InitRGB(ColourRGB* rgb, int32_t red, int32_t green, int32_t blue) {
  rgb->blue = static_cast<uint8_t>(blue);
  rgb->green = static_cast<uint8_t>(green);
  rgb->red = static_cast<uint8_t>(red);
}

uint32_t Colour_FromRGB(const ColourRGB& rgb) {
  return (uint32_t{rgb.blue} << 16) | (uint32_t{rgb.green} << 8) | rgb.red;
}

void Colour_InitHSV(ColourHSV* hsv, int32_t hue, int32_t saturation, int32_t value) {
  hsv->hue = static_cast<uint8_t>(hue);
  hsv->saturation = static_cast<uint8_t>(saturation);
  hsv->value = static_cast<uint8_t>(value);
}

ColourHSV Colour_RGBToHSV(const ColourRGB& rgb) {
  const float r = rgb.red / 255.0f;
  const float g = rgb.green / 255.0f;
  const float b = rgb.blue / 255.0f;
  const float max = std::max({r, g, b});
  const float min = std::min({r, g, b});
  const float delta = max - min;
  float saturation = 0.0f;
  float hue = 0.0f;
  if (max != 0.0f) {
    saturation = delta / max;
    if (saturation != 0.0f) {
      if (r == max) {
        hue = (g - b) * 60.0f / delta;
      } else if (g == max) {
        hue = (b - r) * 60.0f / delta + 120.0f;
      } else {
        hue = (r - g) * 60.0f / delta + 240.0f;
      }
      if (hue < 0.0f) hue += 360.0f;
    }
  }
  ColourHSV hsv;
  hsv.value = ClampByte(max * 255.0f + 0.5f);
  hsv.saturation = ClampByte(saturation * 255.0f + 0.5f);
  hsv.hue = ClampByte(hue * 255.0f / 360.0f + 0.5f);
  return hsv;
}

ColourRGB Colour_HSVToRGB(const ColourHSV& hsv) {
  float hue = static_cast<float>(hsv.hue) * 360.0f / 255.0f;
  if (hue == 360.0f) hue = 0.0f;
  const float s = hsv.saturation / 255.0f;
  const float v = hsv.value / 255.0f;
  float red = v;
  float green = v;
  float blue = v;
  if (s != 0.0f) {
    const float h = hue / 60.0f;
    const int32_t i = static_cast<int32_t>(h);
    const float f = h - static_cast<float>(i);
    const float p = v * (1.0f - s);
    const float q = v * (1.0f - f * s);
    const float t = v * (1.0f - (1.0f - f) * s);
    switch (i) {
      case 0: red = v, green = t, blue = p; break;
      case 1: red = q, green = v, blue = p; break;
      case 2: red = p, green = v, blue = t; break;
      case 3: red = p, green = q, blue = v; break;
      case 4: red = t, green = p, blue = v; break;
      default: red = v, green = p, blue = q; break;
    }
  }
  ColourRGB rgb;
  rgb.red = ClampByte(red * 255.0f + 0.5f);
  rgb.green = ClampByte(green * 255.0f + 0.5f);
  rgb.blue = ClampByte(blue * 255.0f + 0.5f);
  return rgb;
}

ColourHSV Colour_ToHSV(uint32_t colour) {
  ColourRGB rgb;
  Colour_InitRGB(&rgb, static_cast<int32_t>(colour & 0xFF), static_cast<int32_t>((colour >> 8) & 0xFF),
                 static_cast<int32_t>((colour >> 16) & 0xFF));
  return Colour_RGBToHSV(rgb);
}

uint32_t Colour_FromHSV(const ColourHSV& hsv) { return Colour_FromRGB(Colour_HSVToRGB(hsv)); }
