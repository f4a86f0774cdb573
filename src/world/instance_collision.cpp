// The collision tests of one instance against a point, a rectangle, an ellipse, a segment and
// another instance: the bounding box rejects first; the mask is asked only for a precise test.
#include <algorithm>
#include <cmath>
#include <utility>

#include "assets/sprite_mask.h"
#include "assets/sprite_table.h"
#include "world/instance.h"
#include "world/instance_rounding.h"

namespace {

// The box covers [left, right + 1) x [top, bottom + 1); the ends are widened before the 1 is
// added, so that an edge at the int32 limit does not wrap.
struct BoxExtents {
  double left, top, right, bottom;  // right and bottom exclusive
};

BoxExtents Extents(const CInstance* inst) {
  return {static_cast<float>(inst->bbox_left), static_cast<float>(inst->bbox_top),
          static_cast<float>(static_cast<int64_t>(inst->bbox_right) + 1),
          static_cast<float>(static_cast<int64_t>(inst->bbox_bottom) + 1)};
}

void Prepare(CInstance* inst) {
  if (inst->bbox_dirty) Compute_BoundingBox(inst);
}

const CSprite* MaskSprite(const CInstance* inst) {
  const CSprite* sprite = Sprite_Data(inst->mask_index >= 0 ? inst->mask_index : inst->sprite_index);
  return sprite != nullptr && sprite->frameCount > 0 ? sprite : nullptr;
}

MaskPlacement Placement(const CInstance* inst) {
  MaskPlacement at;
  at.image = Instance_Truncate(inst->image_index);
  at.bbox = {inst->bbox_left, inst->bbox_top, inst->bbox_right, inst->bbox_bottom};
  at.x = Instance_Nearest(inst->x);
  at.y = Instance_Nearest(inst->y);
  at.xscale = inst->image_xscale;
  at.yscale = inst->image_yscale;
  at.angle = inst->image_angle;
  return at;
}

// The rectangle test's rejection, shared by the ellipse and line tests.
bool MissesBox(const CInstance* inst, float x1, float y1, float x2, float y2) {
  const BoxExtents box = Extents(inst);
  const double minX = std::min(x1, x2);
  const double maxX = std::max(x1, x2);
  const double minY = std::min(y1, y2);
  const double maxY = std::max(y1, y2);
  return box.right <= minX || box.left > maxX || box.bottom <= minY || box.top > maxY || inst->marked;
}

MaskBox NearestBox(float x1, float y1, float x2, float y2) {
  return {Instance_Nearest(std::min(x1, x2)), Instance_Nearest(std::min(y1, y2)), Instance_Nearest(std::max(x1, x2)),
          Instance_Nearest(std::max(y1, y2))};
}

// Whether the point lies in the ellipse inscribed in the box (integer centre and radii).
bool PointInEllipse(const MaskBox& e, int32_t a, int32_t b) {
  const int64_t cx = (static_cast<int64_t>(e.left) + e.right) / 2;
  const int64_t cy = (static_cast<int64_t>(e.top) + e.bottom) / 2;
  const int64_t rx = (static_cast<int64_t>(e.right) - e.left) / 2;
  const int64_t ry = (static_cast<int64_t>(e.bottom) - e.top) / 2;
  const double u = static_cast<double>(a - cx) / static_cast<double>(rx);
  const double v = static_cast<double>(b - cy) / static_cast<double>(ry);
  return u * u + v * v <= 1.0;
}

}  // namespace

bool CInstance::CollisionPoint(float px, float py, bool precise) {
  Prepare(this);
  const BoxExtents box = Extents(this);
  if (px >= box.right || px < box.left || py >= box.bottom || py < box.top || marked) return false;
  const CSprite* sprite = MaskSprite(this);
  if (sprite == nullptr) return false;
  if (!precise || !sprite->precise) return true;
  return sprite->PointInMask(Placement(this), Instance_Nearest(px), Instance_Nearest(py));
}

bool CInstance::CollisionRectangle(float x1, float y1, float x2, float y2, bool precise) {
  Prepare(this);
  if (MissesBox(this, x1, y1, x2, y2)) return false;
  if (!precise || !this->precise) return true;
  const CSprite* sprite = MaskSprite(this);
  return sprite != nullptr && sprite->RectInMask(Placement(this), NearestBox(x1, y1, x2, y2));
}

bool CInstance::CollisionEllipse(float x1, float y1, float x2, float y2, bool precise) {
  Prepare(this);
  if (MissesBox(this, x1, y1, x2, y2)) return false;
  // A degenerate ellipse is a line or a point: its rectangle is the shape.
  if (Instance_Nearest(x1) == Instance_Nearest(x2) || Instance_Nearest(y1) == Instance_Nearest(y2)) {
    return CollisionRectangle(x1, y1, x2, y2, precise);
  }
  const MaskBox e = NearestBox(x1, y1, x2, y2);
  const double cx = (static_cast<double>(x1) + x2) / 2.0;
  const double cy = (static_cast<double>(y1) + y2) / 2.0;
  const bool besideX = cx < bbox_left || cx > bbox_right;
  const bool besideY = cy < bbox_top || cy > bbox_bottom;
  // Diagonally off the box, the ellipse reaches it only if it holds one of the box's corners.
  if (besideX && besideY && !PointInEllipse(e, bbox_left, bbox_top) && !PointInEllipse(e, bbox_left, bbox_bottom) &&
      !PointInEllipse(e, bbox_right, bbox_top) && !PointInEllipse(e, bbox_right, bbox_bottom)) {
    return false;
  }
  if (!precise || !this->precise) return true;
  const CSprite* sprite = MaskSprite(this);
  return sprite != nullptr && sprite->EllipseInMask(Placement(this), e);
}

bool CInstance::CollisionLine(float x1, float y1, float x2, float y2, bool precise) {
  Prepare(this);
  if (MissesBox(this, x1, y1, x2, y2)) return false;
  double ax = x1, ay = y1, bx = x2, by = y2;
  if (ax > bx) {
    std::swap(ax, bx);
    std::swap(ay, by);
  }
  // Clipped to the box's columns; the rejection above keeps the segment from being vertical here.
  const BoxExtents box = Extents(this);
  if (box.left > ax) {
    ay += (box.left - ax) * (by - ay) / (bx - ax);
    ax = box.left;
  }
  if (box.right < bx) {
    by += (box.right - bx) * (by - ay) / (bx - ax);
    bx = box.right;
  }
  if ((ay < box.top && by < box.top) || (ay >= box.bottom && by >= box.bottom)) return false;
  if (!precise || !this->precise) return true;
  const CSprite* sprite = MaskSprite(this);
  return sprite != nullptr && sprite->LineInMask(Placement(this), Instance_Nearest(ax), Instance_Nearest(ay),
                                                 Instance_Nearest(bx), Instance_Nearest(by));
}

bool CInstance::Collision_Instance(CInstance* other, bool precise) {
  if (other == nullptr || other == this || marked || other->marked) return false;
  Prepare(this);
  Prepare(other);
  const auto overlaps = [](int32_t lowA, int32_t highA, int32_t lowB, int32_t highB) {
    return static_cast<int64_t>(lowB) < static_cast<int64_t>(highA) + 1 &&
           static_cast<int64_t>(lowA) < static_cast<int64_t>(highB) + 1;
  };
  if (!overlaps(bbox_left, bbox_right, other->bbox_left, other->bbox_right) ||
      !overlaps(bbox_top, bbox_bottom, other->bbox_top, other->bbox_bottom)) {
    return false;
  }
  const CSprite* mine = MaskSprite(this);
  const CSprite* theirs = MaskSprite(other);
  if (mine == nullptr || theirs == nullptr) return false;
  if (!precise || (!mine->precise && !theirs->precise)) return true;
  return PreciseCollision(mine, Placement(this), theirs, Placement(other));
}
