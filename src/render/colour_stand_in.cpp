// STAND-IN: see colour_stand_in.h.
#include "render/colour_stand_in.h"

#include <cmath>

namespace {
uint32_t g_colour = 0xFF000000u;
}

uint32_t GR_GetColour() { return g_colour; }
void GR_SetColour(uint32_t colour) { g_colour = colour; }

uint32_t Colour_Merge(uint32_t a, uint32_t b, float t) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const float ca = static_cast<float>((a >> shift) & 0xFF);
    const float cb = static_cast<float>((b >> shift) & 0xFF);
    const auto v = static_cast<int64_t>(std::nearbyint(ca * (1.0f - t) + cb * t));
    out |= (static_cast<uint32_t>(v) & 0xFFu) << shift;
  }
  return out;
}
