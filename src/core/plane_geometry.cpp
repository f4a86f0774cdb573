#include "core/plane_geometry.h"

#include <cmath>

namespace {

// Pi as a float, widened: the degrees scripts see are converted with it.
constexpr double kPi = static_cast<double>(3.14159265358979323846f);

}  // namespace

float F_PointDirection(float x1, float y1, float x2, float y2) {
  const float dx = x2 - x1;
  const float dy = y2 - y1;
  if (dx == 0.0f) {
    if (dy > 0.0f) return 270.0f;
    if (dy < 0.0f) return 90.0f;
    return 0.0f;
  }
  float a = static_cast<float>(std::atan2(static_cast<double>(dy), static_cast<double>(dx)));
  a = static_cast<float>(static_cast<double>(a) * 180.0 / kPi);
  // The screen's y axis points down, so the angle turns the other way round.
  return a <= 0.0f ? -a : static_cast<float>(360.0 - static_cast<double>(a));
}
