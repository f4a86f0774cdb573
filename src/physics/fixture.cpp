// Fixture definitions: shapes in metres and material, kept in a table by id until deleted.
#include <cstdio>
#include <memory>
#include <unordered_map>

#include "physics/lifecycle.h"
#include "physics/physics_internal.h"
#include "runtime/error_report.h"

namespace {

std::unordered_map<int32_t, std::unique_ptr<CPhysicsFixture>>& Table() {
  static std::unordered_map<int32_t, std::unique_ptr<CPhysicsFixture>> table(1024);
  return table;
}
int32_t g_lastFixtureId = 0;

constexpr int32_t kInitialPoints = 8;

}  // namespace

namespace physics {

bool CheckArgument(bool condition, const wchar_t* message) {
  Physics_AssertHandler(condition, message);
  return condition;
}

bool PolygonSpansArea(const CPhysicsFixture::Point* points, int32_t count) {
  if (count < 3 || count > b2_maxPolygonVertices) return false;
  b2Vec2 ps[b2_maxPolygonVertices];
  int32_t n = 0;
  for (int32_t i = 0; i < count; ++i) {
    if (!Finite(points[i].x) || !Finite(points[i].y)) return false;
    const b2Vec2 v(points[i].x, points[i].y);
    bool unique = true;
    for (int32_t j = 0; j < n; ++j) {
      if (b2DistanceSquared(v, ps[j]) < (0.5f * b2_linearSlop) * (0.5f * b2_linearSlop)) {
        unique = false;
        break;
      }
    }
    if (unique) ps[n++] = v;
  }
  if (n < 3) return false;
  // The hull as the library wraps it: from the rightmost point, always turning the same way.
  int32_t i0 = 0;
  for (int32_t i = 1; i < n; ++i) {
    if (ps[i].x > ps[i0].x || (ps[i].x == ps[i0].x && ps[i].y < ps[i0].y)) i0 = i;
  }
  int32_t hull[b2_maxPolygonVertices];
  int32_t m = 0;
  int32_t ih = i0;
  for (;;) {
    if (m == n) return false;  // cannot happen with finite points; never loop without end
    hull[m] = ih;
    int32_t ie = 0;
    for (int32_t j = 1; j < n; ++j) {
      if (ie == ih) {
        ie = j;
        continue;
      }
      const b2Vec2 r = ps[ie] - ps[hull[m]];
      const b2Vec2 v = ps[j] - ps[hull[m]];
      const float c = b2Cross(r, v);
      if (c < 0.0f) ie = j;
      if (c == 0.0f && v.LengthSquared() > r.LengthSquared()) ie = j;
    }
    ++m;
    ih = ie;
    if (ie == i0) break;
  }
  if (m < 3) return false;
  float area = 0.0f;
  const b2Vec2 s = ps[hull[0]];
  for (int32_t i = 0; i < m; ++i) {
    const b2Vec2 e1 = ps[hull[i]] - s;
    const b2Vec2 e2 = ps[hull[i + 1 < m ? i + 1 : 0]] - s;
    area += 0.5f * b2Cross(e1, e2);
  }
  // The library divides by the area; a sliver it would accept by a hair is refused as well.
  return area > 4.0f * b2_epsilon;
}

}  // namespace physics

void CPhysicsFixture::SetCircleShape(float radiusMetres) {
  m_points.clear();
  m_pointCapacity = 0;
  m_shape = kShapeCircle;
  m_radius = radiusMetres;
}

void CPhysicsFixture::SetBoxShape(float halfWidthMetres, float halfHeightMetres) {
  m_points.clear();
  m_pointCapacity = 0;
  m_shape = kShapeBox;
  m_halfWidth = halfWidthMetres;
  m_halfHeight = halfHeightMetres;
}

void CPhysicsFixture::SetEdgeShape(float x1, float y1, float x2, float y2) {
  m_shape = kShapeEdge;
  m_points = {{x1, y1}, {x2, y2}};
  m_pointCapacity = 2;
}

void CPhysicsFixture::SetPolygonShape() {
  m_shape = kShapePolygon;
  m_points.clear();
  m_pointCapacity = kInitialPoints;
  m_points.reserve(kInitialPoints);
}

void CPhysicsFixture::SetChainShape(bool loop) {
  m_shape = kShapeChain;
  m_loop = loop;
  m_points.clear();
  m_pointCapacity = kInitialPoints;
  m_points.reserve(kInitialPoints);
}

bool CPhysicsFixture::AddPoint(float xMetres, float yMetres) {
  if (m_shape == kShapePolygon) {
    if (static_cast<int32_t>(m_points.size()) >= kMaxPolygonPoints) return false;
    m_points.push_back({xMetres, yMetres});
    return CheckConvex();
  }
  if (m_shape == kShapeChain) {
    if (static_cast<int32_t>(m_points.size()) >= m_pointCapacity) {
      m_pointCapacity = static_cast<int32_t>(m_points.size()) * 3 / 2;
      m_points.reserve(static_cast<size_t>(m_pointCapacity));
    }
    m_points.push_back({xMetres, yMetres});
    return true;
  }
  return false;
}

bool CPhysicsFixture::CheckConvex() const {
  const size_t n = m_points.size();
  if (n <= 2) return true;
  for (size_t i = 0; i < n; ++i) {
    const Point& a = m_points[i];
    const Point& b = m_points[(i + 1) % n];
    for (size_t j = 0; j < n; ++j) {
      if (j == i || j == (i + 1) % n) continue;
      const Point& p = m_points[j];
      const float side = (p.y - a.y) * (b.x - a.x) - (p.x - a.x) * (b.y - a.y);
      if (!(side > 0.0f)) {
        char text[128];
        std::snprintf(text, sizeof text, "ERROR: The polygon shape for fixture %d is concave or ordered anti-clockwise", m_id);
        Error_Report(false, text);
        return false;
      }
    }
  }
  return true;
}

CPhysicsFixture* PhysicsFixture_Create() {
  const int32_t id = ++g_lastFixtureId;
  auto fixture = std::make_unique<CPhysicsFixture>(id);
  CPhysicsFixture* raw = fixture.get();
  Table()[id] = std::move(fixture);
  return raw;
}

CPhysicsFixture* PhysicsFixture_Find(int32_t id) {
  auto it = Table().find(id);
  return it != Table().end() ? it->second.get() : nullptr;
}

bool PhysicsFixture_Delete(int32_t id) { return Table().erase(id) != 0; }

int32_t PhysicsFixture_LiveCount() { return static_cast<int32_t>(Table().size()); }
