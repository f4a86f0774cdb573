#include "world/motion_planning.h"

#include <cmath>

#include "world/activation.h"
#include "world/instance.h"
#include "world/path.h"
#include "world/queries.h"

MPPotentialSettings g_MPPotential;

namespace {

// The single-precision pi the angles are converted with.
constexpr double kPi = 3.1415927410125732;
constexpr float kPathPointSpeed = 100.0f;

float ToFloat(double v) { return static_cast<float>(v); }

bool Finite(float a, float b, float c) { return std::isfinite(a) && std::isfinite(b) && std::isfinite(c); }

// The straight distance, with the sum of squares kept as a float before its root.
float Distance(float x1, float y1, float x2, float y2) {
  const double dx = static_cast<double>(x1) - x2;
  const double dy = static_cast<double>(y1) - y2;
  const float sum = ToFloat(dx * dx + dy * dy);
  return ToFloat(std::sqrt(static_cast<double>(sum)));
}

// An angle into [0, 360); with zeroUp, 0 is first taken up to 360 (and so back to 0). The
// remainder is exact, so a far angle lands where repeated turns would take it, without the turns.
double Wrap360(double degrees) {
  if (!std::isfinite(degrees)) return degrees;
  degrees = std::fmod(degrees, 360.0);
  if (degrees < 0.0) degrees += 360.0;
  if (degrees >= 360.0) degrees -= 360.0;
  return degrees;
}

// The straight, open path that a planner fills, starting where the instance stands.
void StartPath(CPath* path, const CInstance* self) {
  path->Clear();
  path->SetKind(kPathKindStraight);
  path->SetClosed(false);
  path->AddPoint(self->x, self->y, kPathPointSpeed);
}

// The length of a straight open path kept point by point, added up as the path adds up its own:
// reading the path's length after every step would measure the whole route each time.
class RouteLength {
 public:
  RouteLength(float x, float y) : m_x(x), m_y(y) {}
  float Add(float x, float y) {
    const float dx = x - m_x;
    const float dy = y - m_y;
    m_length += std::sqrt(dx * dx + dy * dy);
    m_x = x;
    m_y = y;
    return m_length;
  }

 private:
  float m_x;
  float m_y;
  float m_length = 0.0f;
};

// Puts the instance back where and as it was before a path was planned.
class SavedPlace {
 public:
  explicit SavedPlace(CInstance* self) : m_self(self), m_x(self->x), m_y(self->y), m_direction(self->direction) {}
  ~SavedPlace() {
    m_self->SetPosition(m_x, m_y);
    m_self->SetDirection(m_direction);
  }
  SavedPlace(const SavedPlace&) = delete;
  SavedPlace& operator=(const SavedPlace&) = delete;

 private:
  CInstance* m_self;
  float m_x;
  float m_y;
  float m_direction;
};

// Turns to face the target and moves onto it.
void MoveTo(CInstance* self, float x, float y) {
  self->SetDirection(MP_PointDirection(self->x, self->y, x, y));
  self->SetPosition(x, y);
}

}  // namespace

bool MP_IsFree(CInstance* self, float x, float y, int32_t obj, bool checkAll) {
  if (!std::isfinite(x) || !std::isfinite(y)) return false;
  if (obj == kInstanceAll) return checkAll ? Command_PlaceEmpty(self, x, y) : Command_PlaceFree(self, x, y);
  return !Command_PlaceMeeting(self, obj, x, y);
}

float MP_PointDirection(float x1, float y1, float x2, float y2) {
  const float dx = x2 - x1;
  const float dy = y2 - y1;
  if (dx == 0.0f) {
    if (dy > 0.0f) return 270.0f;
    if (dy < 0.0f) return 90.0f;
    return 0.0f;
  }
  const float d = ToFloat(std::atan2(static_cast<double>(dy), static_cast<double>(dx)) * 180.0 / kPi);
  return d <= 0.0f ? -d : ToFloat(360.0 - d);
}

bool MP_LinearStep(CInstance* self, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll) {
  if (self == nullptr || !Finite(xgoal, ygoal, stepSize)) return false;
  if (self->x == xgoal && self->y == ygoal) return true;
  const float dist = Distance(self->x, self->y, xgoal, ygoal);
  const bool within = stepSize >= dist;
  float tx = xgoal;
  float ty = ygoal;
  if (!within) {
    tx = ToFloat(self->x + (static_cast<double>(xgoal) - self->x) * stepSize / dist);
    ty = ToFloat(self->y + (static_cast<double>(ygoal) - self->y) * stepSize / dist);
  }
  if (MP_IsFree(self, tx, ty, obj, checkAll)) MoveTo(self, tx, ty);
  return within;
}

bool MP_LinearPath(CInstance* self, CPath* path, float xgoal, float ygoal, float stepSize, int32_t obj,
                   bool checkAll) {
  if (self == nullptr || path == nullptr || !Finite(xgoal, ygoal, stepSize) || !(stepSize > 0.0f)) return false;
  const SavedPlace saved(self);
  StartPath(path, self);
  for (;;) {
    const float px = self->x;
    const float py = self->y;
    if (MP_LinearStep(self, xgoal, ygoal, stepSize, obj, checkAll)) {
      path->AddPoint(xgoal, ygoal, kPathPointSpeed);
      return true;
    }
    if (self->x == px && self->y == py) return false;
    path->AddPoint(self->x, self->y, kPathPointSpeed);
  }
}

void MP_PotentialSettings(float maxRotation, float rotationStep, float ahead, bool onSpot) {
  // A NaN compares as nothing, so "at least 1" keeps it out as it keeps out what is below 1.
  g_MPPotential.maxRotation = maxRotation >= 1.0f ? maxRotation : 1.0f;
  g_MPPotential.rotationStep = rotationStep >= 1.0f ? rotationStep : 1.0f;
  g_MPPotential.ahead = ahead >= 1.0f ? ahead : 1.0f;
  g_MPPotential.onSpot = onSpot;
}

bool MP_PotentialTry(float direction, CInstance* self, float stepSize, int32_t obj, bool checkAll) {
  if (self == nullptr) return false;
  const double wanted = Wrap360(direction);
  const double current = Wrap360(self->direction);
  double diff = std::fabs(current - wanted);
  if (diff > 180.0) diff = 360.0 - diff;
  if (diff > g_MPPotential.maxRotation) return false;
  const double r = ToFloat(direction * kPi / 180.0);
  const double c = std::cos(r);
  const double s = std::sin(r);
  const double ahead = g_MPPotential.ahead;
  if (!MP_IsFree(self, ToFloat(self->x + c * ahead * stepSize), ToFloat(self->y - s * ahead * stepSize), obj,
                 checkAll)) {
    return false;
  }
  const float sx = ToFloat(self->x + c * stepSize);
  const float sy = ToFloat(self->y - s * stepSize);
  if (!MP_IsFree(self, sx, sy, obj, checkAll)) return false;
  self->SetDirection(direction);
  self->SetPosition(sx, sy);
  return true;
}

bool MP_PotentialStep(CInstance* self, float xgoal, float ygoal, float stepSize, int32_t obj, bool checkAll) {
  if (self == nullptr || !Finite(xgoal, ygoal, stepSize)) return false;
  if (self->x == xgoal && self->y == ygoal) return true;
  if (stepSize >= Distance(self->x, self->y, xgoal, ygoal)) {
    if (MP_IsFree(self, xgoal, ygoal, obj, checkAll)) MoveTo(self, xgoal, ygoal);
    return true;
  }
  const float goal = MP_PointDirection(self->x, self->y, xgoal, ygoal);
  // Round the goal's direction, nearer turns first and the left one before the right one. The
  // step is at least 1, so there are at most 180 rounds.
  for (float m = 0.0f; m < 180.0f; m = ToFloat(static_cast<double>(m) + g_MPPotential.rotationStep)) {
    if (MP_PotentialTry(ToFloat(static_cast<double>(goal) - m), self, stepSize, obj, checkAll)) return false;
    if (MP_PotentialTry(ToFloat(static_cast<double>(goal) + m), self, stepSize, obj, checkAll)) return false;
  }
  if (g_MPPotential.onSpot) {
    self->SetDirection(ToFloat(static_cast<double>(self->direction) + g_MPPotential.maxRotation));
  }
  return false;
}

bool MP_PotentialPath(CInstance* self, CPath* path, float xgoal, float ygoal, float stepSize, float factor,
                      int32_t obj, bool checkAll) {
  if (self == nullptr || path == nullptr || !Finite(xgoal, ygoal, stepSize) || !std::isfinite(factor) ||
      !(factor >= 1.0f) || !(stepSize > 0.0f)) {
    return false;
  }
  constexpr int32_t kMostStillSteps = 100;
  const float limit = ToFloat(static_cast<double>(Distance(self->x, self->y, xgoal, ygoal)) * factor);
  const SavedPlace saved(self);
  StartPath(path, self);
  RouteLength length(self->x, self->y);
  int32_t still = 0;
  float previous = 0.0f;
  while (!MP_PotentialStep(self, xgoal, ygoal, stepSize, obj, checkAll)) {
    path->AddPoint(self->x, self->y, kPathPointSpeed);
    const float now = length.Add(self->x, self->y);
    if (now > limit) return false;
    if (now == previous) {
      if (++still > kMostStillSteps) return false;
    } else {
      still = 0;
    }
    previous = now;
  }
  path->AddPoint(xgoal, ygoal, kPathPointSpeed);
  return true;
}
