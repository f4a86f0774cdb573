// The drawing scene that the runner's programs and their peers (bench/love/quads) share, so that
// their frames can be set side by side: 10,000 textured 32 x 32 quads at seeded random positions
// in a 1024 x 768 window, a texture whose red is x/31, green y/31 and blue 0.5, and one checked
// pixel that quads are known to cover.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace quad_scene {

constexpr int kQuads = 10000;
constexpr int kWidth = 1024, kHeight = 768;
constexpr int kSide = 32;
constexpr int kWarmUpFrames = 10;
constexpr double kMinSeconds = 5.0;
// The pixel that is checked, and the one that drawing is confined to.
constexpr int kCheckX = 512, kCheckY = 384;

// Top-left corners, x then y for each quad, from a 32-bit linear congruential sequence that the
// peers' programs repeat exactly.
inline std::vector<float> Positions() {
  uint32_t seed = 12345;
  auto next = [&seed] {
    seed = seed * 1664525u + 1013904223u;
    return seed >> 8;
  };
  std::vector<float> positions;
  positions.reserve(2 * kQuads);
  for (int i = 0; i < kQuads; ++i) {
    positions.push_back(static_cast<float>(next() % (kWidth - kSide)));
    positions.push_back(static_cast<float>(next() % (kHeight - kSide)));
  }
  return positions;
}

// The texture's 32 x 32 words, 0xAARRGGBB, top row first.
inline std::vector<uint32_t> TexturePixels() {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; ++x) {
      const auto red = static_cast<uint32_t>(x * 255 / 31), green = static_cast<uint32_t>(y * 255 / 31);
      pixels.push_back(0xFF000000u | red << 16 | green << 8 | 0x80u);
    }
  }
  return pixels;
}

// Whether a pixel read back (0xAARRGGBB) shows a quad: the clear colour is black, and only the
// texture has blue near one half.
inline bool ShowsQuad(uint32_t argb) {
  const uint32_t blue = argb & 0xFFu;
  return blue >= 120 && blue <= 136;
}

// Whether some quad covers the checked pixel's centre, so that an empty frame cannot pass.
inline bool CheckPixelCovered(const std::vector<float>& positions) {
  for (size_t i = 0; i + 1 < positions.size(); i += 2) {
    const float l = positions[i], t = positions[i + 1];
    if (l <= kCheckX + 0.5f && kCheckX + 0.5f < l + kSide && t <= kCheckY + 0.5f && kCheckY + 0.5f < t + kSide) {
      return true;
    }
  }
  return false;
}

}  // namespace quad_scene
