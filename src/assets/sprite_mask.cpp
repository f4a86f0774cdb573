// Bounding boxes, radii and collision masks of sprites, and the precise tests that the instance
// collisions ask once bounding boxes overlap.
#include "assets/sprite_mask.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "assets/bitmap32.h"
#include "assets/sprite.h"
#include "runtime/debug_services.h"

namespace {

constexpr float kPi = 3.1415927f;

// A mapped coordinate truncated toward zero, when it lands in 0..limit - 1. Infinite and NaN
// values (a scale of 0) land nowhere.
bool Truncated(float v, int32_t limit, int32_t* out) {
  if (!(v > -1.0f && v < static_cast<float>(limit))) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

// The same with the floor.
bool Floored(float v, int32_t limit, int32_t* out) {
  if (!(v >= 0.0f && v < static_cast<float>(limit))) return false;
  *out = static_cast<int32_t>(v);
  return true;
}

bool Solid(const CSprite* s, const uint8_t* mask, int32_t ix, int32_t iy) {
  return mask == nullptr || mask[static_cast<size_t>(iy) * static_cast<size_t>(s->width) + static_cast<size_t>(ix)] != 0;
}

// Maps room points into one sprite's image by the rotated rule (division by the scale, floor).
struct TurnedMapping {
  float s, c;
  const CSprite* sprite;
  const MaskPlacement* at;

  TurnedMapping(const CSprite* sp, const MaskPlacement& placement) : sprite(sp), at(&placement) {
    const float theta = -placement.angle * kPi / 180.0f;
    s = std::sin(theta);
    c = std::cos(theta);
  }
  bool Map(float px, float py, int32_t* ix, int32_t* iy) const {
    const float dx = px - static_cast<float>(at->x);
    const float dy = py - static_cast<float>(at->y);
    const float fx = (dy * s + dx * c) / at->xscale + static_cast<float>(sprite->originX);
    const float fy = (dy * c - dx * s) / at->yscale + static_cast<float>(sprite->originY);
    return Floored(std::floor(fx), sprite->width, ix) && Floored(std::floor(fy), sprite->height, iy);
  }
};

// Each integer point of the box inside the area (x outer), until `hit` says yes.
template <typename Hit>
bool AnyPoint(const MaskBox& area, Hit hit) {
  for (int64_t x = area.left; x <= area.right; ++x) {
    for (int64_t y = area.top; y <= area.bottom; ++y) {
      if (hit(static_cast<int32_t>(x), static_cast<int32_t>(y))) return true;
    }
  }
  return false;
}

MaskBox Intersect(const MaskBox& a, const MaskBox& b) {
  return {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

// Whether a point of the area passes `inside` and is solid in the sprite's mask, mapped by the
// identity when the sprite stands unscaled and unturned.
template <typename Inside>
bool AreaInMask(const CSprite* sprite, const uint8_t* mask, const MaskPlacement& at, const MaskBox& rect,
                Inside inside) {
  const MaskBox area = Intersect(at.bbox, rect);
  if (at.xscale == 1.0f && at.yscale == 1.0f && std::fabs(at.angle) < 0.0001f) {
    return AnyPoint(area, [&](int32_t x, int32_t y) {
      if (!inside(x, y)) return false;
      const int64_t ix = static_cast<int64_t>(sprite->originX) + x - at.x;
      const int64_t iy = static_cast<int64_t>(sprite->originY) + y - at.y;
      if (ix < 0 || iy < 0 || ix >= sprite->width || iy >= sprite->height) return false;
      return Solid(sprite, mask, static_cast<int32_t>(ix), static_cast<int32_t>(iy));
    });
  }
  const TurnedMapping map(sprite, at);
  return AnyPoint(area, [&](int32_t x, int32_t y) {
    int32_t ix = 0;
    int32_t iy = 0;
    return inside(x, y) && map.Map(static_cast<float>(x), static_cast<float>(y), &ix, &iy) &&
           Solid(sprite, mask, ix, iy);
  });
}

}  // namespace

// --- bounding box ----------------------------------------------------------------------------

void CSprite::ComputeBoundingRadius() {
  const int64_t corners[4][2] = {{0, 0}, {width, 0}, {0, height}, {width, height}};
  int32_t best = 0;
  for (const auto& corner : corners) {
    const int64_t dx = corner[0] - originX;
    const int64_t dy = corner[1] - originY;
    const float d = std::sqrt(static_cast<float>(dx * dx) + static_cast<float>(dy * dy));
    const float up = std::ceil(d);
    const int32_t r = up < 2147483647.0f ? static_cast<int32_t>(up) : 2147483647;
    best = std::max(best, r);
  }
  radius = best;
}

void CSprite::ComputeBoundingBox() {
  ComputeBoundingRadius();
  if (bboxMode == kBBoxManual) return;
  if (kind == kSpriteKindVector) {
    int32_t l = 0, t = 0, r = 0, b = 0;
    if (VectorBounds(&l, &t, &r, &b)) {
      maskLeft = l;
      maskTop = t;
      maskRight = r;
      maskBottom = b;
    }
    return;
  }
  if (kind != kSpriteKindBitmap) return;
  if (bboxMode == kBBoxFullImage) {
    maskLeft = 0;
    maskTop = 0;
    maskRight = width - 1;
    maskBottom = height - 1;
    return;
  }
  if (bitmaps.empty() && entries != nullptr) {
    // The frames lie on the container's pages: the box is the one the entry gave.
    maskLeft = entryBox.left;
    maskTop = entryBox.top;
    maskRight = entryBox.right;
    maskBottom = entryBox.bottom;
    return;
  }
  maskLeft = width - 1;
  maskTop = height - 1;
  maskRight = 0;
  maskBottom = 0;
  for (const CBitmap32* b : bitmaps) {
    const CBitmap32Rect r = b->GetOpaqueBounds();
    maskLeft = std::min(maskLeft, r.left);
    maskTop = std::min(maskTop, r.top);
    maskRight = std::max(maskRight, r.right);
    maskBottom = std::max(maskBottom, r.bottom);
  }
}

void CSprite::SetBBoxMode(int32_t mode) {
  if (mode < kBBoxAutomatic || mode > kBBoxManual || mode == bboxMode) return;
  bboxMode = mode;
  ComputeBoundingBox();
}

void CSprite::SetBBox(const MaskBox& box) {
  if (bboxMode != kBBoxManual) return;
  maskLeft = box.left;
  maskTop = box.top;
  maskRight = box.right;
  maskBottom = box.bottom;
}

void CSprite::SetPrecise(bool flag) {
  if (flag == precise) return;
  precise = flag;
  if (kind == kSpriteKindBitmap) BuildMasks();
}

// --- masks -----------------------------------------------------------------------------------

void CSprite::FreeMasks() {
  masks.clear();
  masksBuilt = false;
}

const uint8_t* CSprite::MaskOf(int32_t frame) const {
  if (!masksBuilt || masks.empty()) return nullptr;
  const auto count = static_cast<int32_t>(masks.size());
  int32_t m = frame % count;
  if (m < 0) m += count;
  const std::vector<uint8_t>& mask = masks[static_cast<size_t>(m)];
  return mask.size() >= static_cast<size_t>(width) * static_cast<size_t>(height) ? mask.data() : nullptr;
}

namespace {

size_t PixelCount(const CSprite* s) {
  return s->width > 0 && s->height > 0 ? static_cast<size_t>(s->width) * static_cast<size_t>(s->height) : 0;
}

// The alpha (0..255) of the frame bitmap's pixel, 0 outside it.
uint32_t AlphaAt(const CBitmap32* b, int32_t x, int32_t y) {
  if (b == nullptr || !b->IsValid() || x >= b->GetWidth() || y >= b->GetHeight()) return 0;
  return b->Pixels()[static_cast<size_t>(y) * static_cast<size_t>(b->GetWidth()) + static_cast<size_t>(x)] >> 24;
}

}  // namespace

void CSprite::BuildMasks() {
  FreeMasks();
  if (!precise || !transparent || frameCount == 0 || kind != kSpriteKindBitmap || DrawsFromSharedPages()) return;
  const size_t pixels = PixelCount(this);
  masks.resize(static_cast<size_t>(std::max(frameCount, 0)));
  for (size_t i = 0; i < masks.size(); ++i) {
    const CBitmap32* b = i < bitmaps.size() ? bitmaps[i] : nullptr;
    masks[i].assign(pixels, 0);
    for (int32_t y = 0; y < height && pixels != 0; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        masks[i][static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = AlphaAt(b, x, y) != 0;
      }
    }
  }
  masksBuilt = true;
}

void CSprite::SetCollisionMask(bool separate, int32_t boxMode, const MaskBox& box, int32_t shape, int32_t tolerance) {
  if (kind != kSpriteKindBitmap) return;
  FreeMasks();
  if (DrawsFromSharedPages()) return;
  const size_t pixels = PixelCount(this);
  masks.assign(static_cast<size_t>(std::max(frameCount, 0)), std::vector<uint8_t>(pixels, 0));
  if (boxMode == 0 || boxMode == 1) {
    maskLeft = 0;
    maskTop = 0;
    maskRight = width - 1;
    maskBottom = height - 1;
  } else if (boxMode == 2) {
    maskLeft = std::clamp(box.left, 0, std::max(width - 1, 0));
    maskRight = std::clamp(box.right, 0, std::max(width - 1, 0));
    maskTop = std::clamp(box.top, 0, std::max(height - 1, 0));
    maskBottom = std::clamp(box.bottom, 0, std::max(height - 1, 0));
  }
  for (size_t i = 0; i < masks.size(); ++i) {
    const CBitmap32* b = i < bitmaps.size() ? bitmaps[i] : nullptr;
    BuildShapeMask(separate || i == 0 ? nullptr : &masks[0], &masks[i], b, boxMode, shape, tolerance);
  }
  masksBuilt = true;
}

void CSprite::BuildShapeMask(const std::vector<uint8_t>* previous, std::vector<uint8_t>* mask, const CBitmap32* bitmap,
                             int32_t, int32_t shape, int32_t tolerance) const {
  const size_t pixels = PixelCount(this);
  mask->resize(pixels);
  const auto at = [&](int32_t x, int32_t y) -> uint8_t& {
    return (*mask)[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
  };
  if (shape == 0) {
    for (int32_t y = 0; y < height && pixels != 0; ++y) {
      for (int32_t x = 0; x < width; ++x) at(x, y) = static_cast<int64_t>(AlphaAt(bitmap, x, y)) > tolerance;
    }
  } else {
    std::fill(mask->begin(), mask->end(), 0);
    // A manual box is stored unclamped, so only its part inside the image is filled.
    const int32_t left = std::max(maskLeft, 0);
    const int32_t top = std::max(maskTop, 0);
    const int32_t right = std::min(maskRight, width - 1);
    const int32_t bottom = std::min(maskBottom, height - 1);
    if (shape == 1) {
      for (int32_t y = top; y <= bottom; ++y) {
        for (int32_t x = left; x <= right; ++x) at(x, y) = 1;
      }
    } else if (shape == 2 || shape == 3) {
      const int64_t cx = (static_cast<int64_t>(maskLeft) + maskRight) / 2;
      const int64_t cy = (static_cast<int64_t>(maskTop) + maskBottom) / 2;
      const float rx = static_cast<float>(cx - maskLeft) + 0.5f;
      const float ry = static_cast<float>(cy - maskTop) + 0.5f;
      if (rx > 0.0f && ry > 0.0f) {
        for (int32_t y = top; y <= bottom; ++y) {
          for (int32_t x = left; x <= right; ++x) {
            const float u = static_cast<float>(x - cx) / rx;
            const float v = static_cast<float>(y - cy) / ry;
            at(x, y) = shape == 2 ? u * u + v * v < 1.0f : std::fabs(u) + std::fabs(v) < 1.0f;
          }
        }
      }
    }
  }
  if (previous != nullptr) {
    for (size_t i = 0; i < pixels && i < previous->size(); ++i) {
      if ((*previous)[i] != 0) (*mask)[i] = 1;
    }
  }
}

void CSprite::LoadVectorMasks(const uint8_t* const* runs, const int32_t* lengths, int32_t count) {
  FreeMasks();
  if (!precise || count <= 0 || runs == nullptr || lengths == nullptr) return;
  const size_t pixels = PixelCount(this);
  masks.assign(static_cast<size_t>(count), std::vector<uint8_t>(pixels, 0));
  for (int32_t m = 0; m < count; ++m) {
    std::vector<uint8_t>& mask = masks[static_cast<size_t>(m)];
    size_t at = 0;
    for (int32_t i = 0; i < lengths[m] && at < pixels; ++i) {
      const uint8_t b = runs[m][i];
      const size_t run = std::min<size_t>((b & 0x7Fu) + 1u, pixels - at);
      std::fill_n(mask.begin() + static_cast<std::ptrdiff_t>(at), run, static_cast<uint8_t>(b >> 7));
      at += run;
    }
  }
  masksBuilt = true;
}

// --- precise tests ---------------------------------------------------------------------------

bool CSprite::PointInMask(const MaskPlacement& at, int32_t px, int32_t py) const {
  if (!masksBuilt || masks.empty()) return true;
  if (frameCount <= 0) return false;
  const uint8_t* mask = MaskOf(at.image);
  if (mask == nullptr) return false;
  int32_t ix = 0;
  int32_t iy = 0;
  if (std::fabs(at.angle) < 0.0001f) {
    const float fx = static_cast<float>(static_cast<int64_t>(px) - at.x) / at.xscale + static_cast<float>(originX);
    const float fy = static_cast<float>(static_cast<int64_t>(py) - at.y) / at.yscale + static_cast<float>(originY);
    if (!Floored(std::floor(fx), width, &ix) || !Floored(std::floor(fy), height, &iy)) return false;
  } else if (!TurnedMapping(this, at).Map(static_cast<float>(px), static_cast<float>(py), &ix, &iy)) {
    return false;
  }
  return Solid(this, mask, ix, iy);
}

bool CSprite::RectInMask(const MaskPlacement& at, const MaskBox& rect) const {
  if (!masksBuilt || masks.empty()) return true;
  if (frameCount <= 0) return false;
  const uint8_t* mask = MaskOf(at.image);
  if (mask == nullptr) return false;
  return AreaInMask(this, mask, at, rect, [](int32_t, int32_t) { return true; });
}

bool CSprite::EllipseInMask(const MaskPlacement& at, const MaskBox& ellipse) const {
  if (!masksBuilt || masks.empty()) return true;
  if (frameCount <= 0) return false;
  const uint8_t* mask = MaskOf(at.image);
  if (mask == nullptr) return false;
  const int64_t cx = (static_cast<int64_t>(ellipse.left) + ellipse.right) / 2;
  const int64_t cy = (static_cast<int64_t>(ellipse.top) + ellipse.bottom) / 2;
  const int64_t rx = (static_cast<int64_t>(ellipse.right) - ellipse.left) / 2;
  const int64_t ry = (static_cast<int64_t>(ellipse.bottom) - ellipse.top) / 2;
  // A radius of 0 leaves only the centre line: every point off it is outside.
  const auto term = [](int64_t d, int64_t r) {
    if (r == 0) return d == 0 ? 0.0 : std::numeric_limits<double>::infinity();
    const double q = static_cast<double>(d) / static_cast<double>(r);
    return q * q;
  };
  return AreaInMask(this, mask, at, ellipse,
                    [&](int32_t x, int32_t y) { return term(x - cx, rx) + term(y - cy, ry) <= 1.0; });
}

bool CSprite::LineInMask(const MaskPlacement& at, int32_t x1, int32_t y1, int32_t x2, int32_t y2) const {
  if (!masksBuilt || masks.empty()) return true;
  if (frameCount <= 0) return false;
  const uint8_t* mask = MaskOf(at.image);
  if (mask == nullptr) return false;
  if (x1 == x2 || y1 == y2) {
    return RectInMask(at, MaskBox{std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)});
  }
  const TurnedMapping map(this, at);
  const auto hit = [&](float px, float py) {
    int32_t ix = 0;
    int32_t iy = 0;
    return map.Map(px, py, &ix, &iy) && Solid(this, mask, ix, iy);
  };
  if (std::llabs(static_cast<int64_t>(x2) - x1) < std::llabs(static_cast<int64_t>(y2) - y1)) {
    if (y1 > y2) {
      std::swap(x1, x2);
      std::swap(y1, y2);
    }
    const float slope = static_cast<float>(static_cast<int64_t>(x2) - x1) / static_cast<float>(static_cast<int64_t>(y2) - y1);
    for (int64_t y = std::max(at.bbox.top, y1); y <= std::min(at.bbox.bottom, y2); ++y) {
      if (hit(static_cast<float>(x1) + static_cast<float>(y - y1) * slope, static_cast<float>(y))) return true;
    }
    return false;
  }
  if (x1 > x2) {
    std::swap(x1, x2);
    std::swap(y1, y2);
  }
  const float slope = static_cast<float>(static_cast<int64_t>(y2) - y1) / static_cast<float>(static_cast<int64_t>(x2) - x1);
  for (int64_t x = std::max(at.bbox.left, x1); x <= std::min(at.bbox.right, x2); ++x) {
    if (hit(static_cast<float>(x), static_cast<float>(y1) + static_cast<float>(x - x1) * slope)) return true;
  }
  return false;
}

namespace {

enum class Rule { Identity, Scaled, Turned };

struct Mapped {
  const CSprite* sprite;
  const MaskPlacement* at;
  const uint8_t* mask;
  float rx, ry;  // reciprocals of the scales
  float s, c;

  bool Solid(Rule rule, int32_t x, int32_t y) const {
    int32_t ix = 0;
    int32_t iy = 0;
    if (rule == Rule::Identity) {
      const int64_t lx = static_cast<int64_t>(sprite->originX) + x - at->x;
      const int64_t ly = static_cast<int64_t>(sprite->originY) + y - at->y;
      if (lx < 0 || ly < 0 || lx >= sprite->width || ly >= sprite->height) return false;
      ix = static_cast<int32_t>(lx);
      iy = static_cast<int32_t>(ly);
    } else if (rule == Rule::Scaled) {
      const float fx = static_cast<float>(static_cast<int64_t>(x) - at->x) * rx + static_cast<float>(sprite->originX);
      const float fy = static_cast<float>(static_cast<int64_t>(y) - at->y) * ry + static_cast<float>(sprite->originY);
      if (!Truncated(fx, sprite->width, &ix) || !Truncated(fy, sprite->height, &iy)) return false;
    } else {
      const auto dx = static_cast<float>(static_cast<int64_t>(x) - at->x);
      const auto dy = static_cast<float>(static_cast<int64_t>(y) - at->y);
      const float fx = (dy * s + dx * c) * rx + static_cast<float>(sprite->originX);
      const float fy = (dy * c - dx * s) * ry + static_cast<float>(sprite->originY);
      if (!Truncated(fx, sprite->width, &ix) || !Truncated(fy, sprite->height, &iy)) return false;
    }
    return ::Solid(sprite, mask, ix, iy);
  }
};

Mapped MappingOf(const CSprite* sprite, const MaskPlacement& at) {
  const float theta = -at.angle * kPi / 180.0f;
  return Mapped{sprite, &at, sprite->MaskOf(at.image), 1.0f / at.xscale, 1.0f / at.yscale, std::sin(theta),
                std::cos(theta)};
}

}  // namespace

bool PreciseCollision(const CSprite* a, const MaskPlacement& atA, const CSprite* b, const MaskPlacement& atB) {
  ProfilerScope scope(kProfilerMarkerPreciseCollision);
  if (a == nullptr || b == nullptr || a->frameCount <= 0 || b->frameCount <= 0) return false;
  const Mapped ma = MappingOf(a, atA);
  const Mapped mb = MappingOf(b, atB);
  // A sprite with masks whose selected mask is damaged has nothing solid.
  if ((a->masksBuilt && !a->masks.empty() && ma.mask == nullptr) ||
      (b->masksBuilt && !b->masks.empty() && mb.mask == nullptr)) {
    return false;
  }
  Rule rule = Rule::Turned;
  if (atA.angle == 0.0f && atB.angle == 0.0f) {
    rule = ma.rx == 1.0f && ma.ry == 1.0f && mb.rx == 1.0f && mb.ry == 1.0f ? Rule::Identity : Rule::Scaled;
  }
  return AnyPoint(Intersect(atA.bbox, atB.bbox),
                  [&](int32_t x, int32_t y) { return ma.Solid(rule, x, y) && mb.Solid(rule, x, y); });
}
