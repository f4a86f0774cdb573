#include "assets/sprite_mask.h"

#include <algorithm>

#include "assets/sprite_table.h"

namespace {

// A sprite that is not precise, or has no mask data, covers its whole box.
bool Covers(const CSprite* sprite, const MaskPlacement& at, int32_t px, int32_t py) {
  return !sprite->precise || sprite->mask == nullptr || sprite->mask->PointInMask(at, px, py);
}

}  // namespace

bool PreciseCollision(const CSprite* a, const MaskPlacement& atA, const CSprite* b, const MaskPlacement& atB) {
  if (a == nullptr || b == nullptr) return false;
  const int64_t left = std::max(atA.bbox.left, atB.bbox.left);
  const int64_t right = std::min(atA.bbox.right, atB.bbox.right);
  const int64_t top = std::max(atA.bbox.top, atB.bbox.top);
  const int64_t bottom = std::min(atA.bbox.bottom, atB.bbox.bottom);
  for (int64_t py = top; py <= bottom; ++py) {
    for (int64_t px = left; px <= right; ++px) {
      const auto ix = static_cast<int32_t>(px);
      const auto iy = static_cast<int32_t>(py);
      if (Covers(a, atA, ix, iy) && Covers(b, atB, ix, iy)) return true;
    }
  }
  return false;
}
