// A sprite's collision mask as the collision tests ask it: every question is about the sprite
// drawn with one frame at an integer position with scales and angle, whose bounding box is given.
#pragma once

#include <cstdint>

struct CSprite;

struct MaskBox {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Where and how the sprite stands: its frame, box, position and transform.
struct MaskPlacement {
  int32_t image = 0;
  MaskBox bbox;
  int32_t x = 0;
  int32_t y = 0;
  float xscale = 1.0f;
  float yscale = 1.0f;
  float angle = 0.0f;
};

class CSpriteMask {
 public:
  virtual ~CSpriteMask() = default;
  virtual bool PointInMask(const MaskPlacement& at, int32_t px, int32_t py) const = 0;
  virtual bool RectInMask(const MaskPlacement& at, const MaskBox& rect) const = 0;
  virtual bool EllipseInMask(const MaskPlacement& at, const MaskBox& ellipse) const = 0;
  virtual bool LineInMask(const MaskPlacement& at, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const = 0;
};

// Whether the two placed sprites share a set pixel inside both boxes; a sprite that is not
// precise or has no mask covers its whole box.
bool PreciseCollision(const CSprite* a, const MaskPlacement& atA, const CSprite* b, const MaskPlacement& atB);
