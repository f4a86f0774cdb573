#include <cmath>

#include "render/primitives.h"
#include "world/path.h"

void CPath::Draw(float x, float y, bool absolute) const {
  const int32_t n = static_cast<int32_t>(std::nearbyint(GetLength() / 4.0f));
  if (n <= 0) return;
  float dx = x;
  float dy = y;
  if (!absolute) {
    const PathPoint start = GetPosition(0.0f);
    dx -= start.x;
    dy -= start.y;
  }
  constexpr int32_t kLineStrip = 3;
  GR_Primitive_Begin(kLineStrip, -1);
  for (int32_t i = 0; i <= n; ++i) {
    const PathPoint p = GetPosition(static_cast<float>(i) / static_cast<float>(n));
    GR_Primitive_Vertex(p.x + dx, p.y + dy);
  }
  GR_Primitive_End();
}
