// The instance's motion state, the setters that keep it and the bounding box consistent, and
// following a path.
#include <cmath>

#include "assets/sprite_table.h"
#include "world/skeleton_instance.h"
#include "world/instance.h"
#include "world/path.h"
#include "world/room.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr float kSnap = 0.0001f;

// A value within a ten-thousandth of an integer becomes that integer, so that motion computed
// through sines and cosines lands on the whole numbers it was meant to.
float Snap(float v) {
  const float r = std::nearbyint(v);
  return std::fabs(v - r) < kSnap ? r : v;
}

// [0, 360) by remainder, so that a huge angle costs no more than a small one; a non-finite angle
// becomes 0.
float NormaliseDegrees(float v) {
  if (!std::isfinite(v)) return 0.0f;
  float d = std::fmod(v, 360.0f);
  if (d < 0.0f) d += 360.0f;
  // A tiny negative remainder rounds up to 360 itself.
  return std::fmod(d, 360.0f) + 0.0f;
}

}  // namespace

void CInstance::UpdatePolarMotion() {
  if (hspeed == 0.0f) {
    direction = vspeed > 0.0f ? 270.0f : (vspeed < 0.0f ? 90.0f : 0.0f);
  } else {
    const float d = std::atan2(vspeed, hspeed) * 180.0f / kPi;
    direction = d <= 0.0f ? -d : 360.0f - d;
  }
  direction = NormaliseDegrees(Snap(direction));
  speed = Snap(std::sqrt(hspeed * hspeed + vspeed * vspeed));
  MarkBoundingBoxDirty();
}

void CInstance::UpdateCartesianMotion() {
  const float r = direction * kPi / 180.0f;
  hspeed = Snap(speed * std::cos(r));
  vspeed = Snap(-(speed * std::sin(r)));
  MarkBoundingBoxDirty();
}

void CInstance::SetDirection(float degrees) {
  direction = NormaliseDegrees(degrees);
  UpdateCartesianMotion();
}

void CInstance::SetSpeed(float value) {
  if (value == speed) return;
  speed = value;
  UpdateCartesianMotion();
}

void CInstance::SetHSpeed(float value) {
  if (value == hspeed) return;
  hspeed = value;
  UpdatePolarMotion();
}

void CInstance::SetVSpeed(float value) {
  if (value == vspeed) return;
  vspeed = value;
  UpdatePolarMotion();
}

void CInstance::AddMotion(float degrees, float amount) {
  const float r = degrees * kPi / 180.0f;
  hspeed += std::cos(r) * amount;
  vspeed -= std::sin(r) * amount;
  UpdatePolarMotion();
}

void CInstance::SetPosition(float newX, float newY) {
  if (newX == x && newY == y) return;
  x = newX;
  y = newY;
  MarkBoundingBoxDirty();
}

// A NaN differs from everything, itself included, so storing one always marks the box.
void CInstance::SetImageXScale(float value) {
  if (value == image_xscale) return;
  image_xscale = value;
  MarkBoundingBoxDirty();
}

void CInstance::SetImageYScale(float value) {
  if (value == image_yscale) return;
  image_yscale = value;
  MarkBoundingBoxDirty();
}

void CInstance::SetImageAngle(float value) {
  if (value == image_angle) return;
  image_angle = value;
  MarkBoundingBoxDirty();
}

void CInstance::SetMaskIndex(int32_t index) {
  if (index == mask_index) return;
  mask_index = index;
  MarkBoundingBoxDirty();
}

void CInstance::ApplyFrictionAndGravity() {
  if (friction != 0.0f) {
    const float n = speed > 0.0f ? speed - friction : speed + friction;
    if ((speed > 0.0f && n < 0.0f) || (speed < 0.0f && n > 0.0f)) {
      speed = 0.0f;
      UpdateCartesianMotion();
    } else if (speed != 0.0f && speed != n) {
      speed = n;
      UpdateCartesianMotion();
    }
  }
  if (gravity != 0.0f) AddMotion(gravity_direction, gravity);
}

CSkeletonInstance* CInstance::GetSkeleton() {
  const CSprite* sprite = Sprite_Data(sprite_index);
  if (sprite != nullptr && sprite->kind == kSpriteKindSkeleton && skeleton == nullptr) {
    skeleton = new CSkeletonInstance(sprite->skeleton);
  }
  return skeleton;
}

int32_t CInstance::GetImageNumber() {
  const CSprite* sprite = Sprite_Data(sprite_index);
  if (sprite == nullptr) return 0;
  if (sprite->kind != kSpriteKindSkeleton) return sprite->frameCount;
  const CSkeletonInstance* s = GetSkeleton();
  const double stepsPerSecond = Room_Current != nullptr ? Room_Current->m_speed : 30;
  const double frames = s->m_animationDuration * stepsPerSecond + 0.5;
  // A damaged duration must not make an undefined conversion.
  if (!(frames >= 0.0)) return 0;
  return frames < 2147483647.0 ? static_cast<int32_t>(frames) : INT32_MAX;
}

int32_t CInstance::GetAlarm(int32_t index) const {
  return index >= 0 && index < kInstanceAlarmCount ? alarm[index] : -1;
}

void CInstance::SetAlarm(int32_t index, int32_t value) {
  if (index >= 0 && index < kInstanceAlarmCount) alarm[index] = value;
}

// --- paths -----------------------------------------------------------------------------------

namespace {

float ClampFraction(float v) {
  if (v < 0.0f) return 0.0f;
  if (v > 1.0f) return 1.0f;
  return v;
}

bool HasRoute(const CPath* path) { return path != nullptr && path->GetLength() > 0.0f; }

}  // namespace

void CInstance::SetPathPosition(float value) { path_position = ClampFraction(value); }
void CInstance::SetPathPositionPrevious(float value) { path_positionprevious = ClampFraction(value); }

void CInstance::StartPath(int32_t pathIndex, float pathSpeed, float scale, float orientation, bool relative,
                          int32_t endAction) {
  path_index = pathIndex;
  if (pathIndex < 0) return;
  const CPath* path = Path_Data(pathIndex);
  if (!HasRoute(path)) {
    path_index = -1;
    return;
  }
  path_speed = pathSpeed;
  path_position = path_positionprevious = pathSpeed >= 0.0f ? 0.0f : 1.0f;
  path_scale = scale;
  if (scale < 0.0f) {
    path_index = -1;
    return;
  }
  path_orientation = orientation;
  path_endaction = endAction;
  if (relative) {
    path_xstart = x;
    path_ystart = y;
  } else {
    const PathPoint at = path->GetPosition(path_position);
    SetPosition(at.x, at.y);
    const PathPoint start = path->GetPosition(0.0f);
    path_xstart = start.x;
    path_ystart = start.y;
  }
}

bool CInstance::AdvancePath() {
  if (path_index < 0) return false;
  const CPath* path = Path_Data(path_index);
  if (!HasRoute(path)) return false;
  const float o = path_orientation * kPi / 180.0f;
  const float c = std::cos(o);
  const float s = std::sin(o);
  const float pointSpeed = path->GetSpeed(path_position);
  path_position += path_speed * (pointSpeed / (path_scale * 100.0f)) / path->GetLength();

  bool ended = false;
  if (path_position >= 1.0f || path_position <= 0.0f) {
    ended = path_speed != 0.0f;
    switch (path_endaction) {
      case 0:
        if (path_speed != 0.0f) {
          path_position = 1.0f;
          path_index = -1;
        }
        break;
      case 1:
        path_position += path_position < 0.0f ? 1.0f : -1.0f;
        break;
      case 2: {
        const PathPoint end = path->GetPosition(1.0f);
        const PathPoint start = path->GetPosition(0.0f);
        const float dx = end.x - start.x;
        const float dy = end.y - start.y;
        const float mx = (c * dx + s * dy) * path_scale;
        const float my = (c * dy - s * dx) * path_scale;
        if (path_position < 0.0f) {
          path_position += 1.0f;
          path_xstart -= mx;
          path_ystart -= my;
        } else {
          path_xstart += mx;
          path_ystart += my;
          path_position -= 1.0f;
        }
        break;
      }
      case 3:
        if (path_position < 0.0f) {
          path_position = -path_position;
          path_speed = std::fabs(path_speed);
        } else {
          path_position = 2.0f - path_position;
          path_speed = -std::fabs(path_speed);
        }
        break;
      default:
        path_position = 1.0f;
        path_index = -1;
        break;
    }
  }

  const PathPoint at = path->GetPosition(path_position);
  const PathPoint origin = path->GetPosition(0.0f);
  const float dx = at.x - origin.x;
  const float dy = at.y - origin.y;
  const float nx = (c * dx + s * dy) * path_scale + path_xstart;
  const float ny = (c * dy - s * dx) * path_scale + path_ystart;
  if (nx - x != hspeed) {
    hspeed = nx - x;
    UpdatePolarMotion();
  }
  if (ny - y != vspeed) {
    vspeed = ny - y;
    UpdatePolarMotion();
  }
  // The step's movement is the path's: direction keeps it, the speeds end at 0.
  if (speed != 0.0f) {
    speed = 0.0f;
    UpdateCartesianMotion();
  }
  if (nx != x || ny != y) {
    x = nx;
    y = ny;
    MarkBoundingBoxDirty();
  }
  return ended;
}
