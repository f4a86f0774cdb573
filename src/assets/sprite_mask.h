// Where a sprite stands when the collision tests ask its masks: its frame, its bounding box in
// room space, its integer position, its scales and its angle in degrees.
#pragma once

#include <cstdint>

class CSprite;

// Inclusive bounds.
struct MaskBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

struct MaskPlacement {
  int32_t image = 0;
  MaskBox bbox;
  int32_t x = 0;
  int32_t y = 0;
  float xscale = 1.0f;
  float yscale = 1.0f;
  float angle = 0.0f;
};

// Whether the two placed sprites share a solid pixel inside both boxes. A sprite without masks is
// solid over its whole image.
bool PreciseCollision(const CSprite* a, const MaskPlacement& atA, const CSprite* b, const MaskPlacement& atB);
