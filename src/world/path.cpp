#include "world/path.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "runtime/error_report.h"
#include "world/named_table.h"

namespace {

constexpr float kPi = 3.1415927f;
// Words of a PATH entry before its points: name, kind, closed, precision, point count.
constexpr uint32_t kPathEntryHeader = 20;
constexpr uint32_t kPathPointSize = 12;

PathPoint Mid(const PathPoint& a, const PathPoint& b) {
  return {(a.x + b.x) / 2.0f, (a.y + b.y) / 2.0f, (a.speed + b.speed) / 2.0f};
}

float SquaredDistance(const PathPoint& a, const PathPoint& b) {
  const float dx = a.x - b.x;
  const float dy = a.y - b.y;
  return dx * dx + dy * dy;
}

float ReadFloat(const uint8_t* p) {
  const uint32_t bits = Container_U32(p);
  float v;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

NamedTable<CPath> g_paths;

}  // namespace

// --- route -----------------------------------------------------------------------------------

void CPath::BuildRoute() const {
  m_routeStale = false;
  m_route.clear();
  // Without points there is no route whatever the kind: closing or smoothing would read a first
  // point that does not exist.
  if (!m_points.empty()) {
    if (m_kind == kPathKindSmooth) {
      ComputeSmooth();
    } else {
      ComputeLinear();
    }
  }
  ComputeLength();
}

void CPath::AddRoutePoint(float x, float y, float speed) const {
  // Geometric growth: a route of n points costs O(n) copies however many points it gets.
  m_route.push_back({x, y, speed, 0.0f});
}

void CPath::ComputeLinear() const {
  for (const PathPoint& p : m_points) AddRoutePoint(p.x, p.y, p.speed);
  if (m_closed) AddRoutePoint(m_points[0].x, m_points[0].y, m_points[0].speed);
}

void CPath::ComputeSmooth() const {
  const auto n = static_cast<int32_t>(m_points.size());
  auto at = [&](int32_t i) -> const PathPoint& { return m_points[static_cast<size_t>(((i % n) + n) % n)]; };
  if (!m_closed) AddRoutePoint(m_points[0].x, m_points[0].y, m_points[0].speed);
  const int32_t last = m_closed ? n : n - 2;
  for (int32_t i = 1; i <= last; ++i) ComputeCurve(m_precision, Mid(at(i - 1), at(i)), at(i), Mid(at(i), at(i + 1)));
  if (m_closed) {
    if (!m_route.empty()) {
      const PathRoutePoint first = m_route.front();
      AddRoutePoint(first.x, first.y, first.speed);
    }
  } else {
    const PathPoint& end = m_points.back();
    AddRoutePoint(end.x, end.y, end.speed);
  }
}

void CPath::ComputeCurve(int32_t depth, const PathPoint& s, const PathPoint& t, const PathPoint& u) const {
  if (depth <= 0) return;
  const PathPoint m{(s.x + 2.0f * t.x + u.x) / 4.0f, (s.y + 2.0f * t.y + u.y) / 4.0f,
                    (s.speed + 2.0f * t.speed + u.speed) / 4.0f};
  if (SquaredDistance(s, t) > 16.0f) ComputeCurve(depth - 1, s, Mid(s, t), m);
  AddRoutePoint(m.x, m.y, m.speed);
  if (SquaredDistance(t, u) > 16.0f) ComputeCurve(depth - 1, m, Mid(t, u), u);
}

void CPath::ComputeLength() const {
  m_length = 0.0f;
  m_time = 0.0f;
  if (m_route.empty()) return;
  m_route[0].distance = 0.0f;
  for (size_t i = 1; i < m_route.size(); ++i) {
    const PathRoutePoint& a = m_route[i - 1];
    PathRoutePoint& b = m_route[i];
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    const float d = std::sqrt(dx * dx + dy * dy);
    m_length += d;
    b.distance = m_length;
    m_time += d / ((a.speed + b.speed) / 2.0f / 100.0f);
  }
}

PathPoint CPath::GetPosition(float t) const {
  EnsureRoute();
  if (m_route.empty()) return {0.0f, 0.0f, 100.0f};
  const PathRoutePoint& first = m_route.front();
  const PathRoutePoint& last = m_route.back();
  if (m_route.size() == 1 || m_length == 0.0f || !(t > 0.0f)) return {first.x, first.y, first.speed};
  if (t >= 1.0f) return {last.x, last.y, last.speed};
  const float b = t * m_length;
  // The last point at or before b, stopping one short of the end so that a segment follows it.
  auto it = std::upper_bound(m_route.begin(), m_route.end() - 1, b,
                             [](float v, const PathRoutePoint& p) { return v < p.distance; });
  const size_t i = it == m_route.begin() ? 0 : static_cast<size_t>(it - m_route.begin()) - 1;
  const PathRoutePoint& p = m_route[i];
  const PathRoutePoint& q = m_route[i + 1];
  const float span = q.distance - p.distance;
  if (span == 0.0f) return {p.x, p.y, p.speed};
  const float f = (b - p.distance) / span;
  return {p.x + (q.x - p.x) * f, p.y + (q.y - p.y) * f, p.speed + (q.speed - p.speed) * f};
}

// --- editing ---------------------------------------------------------------------------------

bool CPath::LoadFromChunk(const ContainerBytes& container, uint32_t entryOffset, std::string* problem) {
  if (!container.Has(entryOffset, kPathEntryHeader)) {
    *problem = "its entry lies outside the container";
    return false;
  }
  const uint8_t* entry = container.data + entryOffset;
  const uint32_t count = Container_U32(entry + 16);
  if (count > (container.size - entryOffset - kPathEntryHeader) / kPathPointSize) {
    *problem = "its " + std::to_string(count) + " points do not fit in the container";
    return false;
  }
  m_kind = Container_I32(entry + 4) == kPathKindSmooth ? kPathKindSmooth : kPathKindStraight;
  m_closed = Container_U32(entry + 8) != 0;
  // The curve recursion is as deep as the precision: a stored value outside 0..8 is clamped.
  m_precision = std::clamp(Container_I32(entry + 12), 0, kPathMaxPrecision);
  m_points.resize(count);
  const uint8_t* p = entry + kPathEntryHeader;
  for (PathPoint& point : m_points) {
    point = {ReadFloat(p), ReadFloat(p + 4), ReadFloat(p + 8)};
    p += kPathPointSize;
  }
  InvalidateRoute();
  return true;
}

void CPath::Assign(const CPath& other) {
  if (&other == this) return;
  m_kind = other.m_kind;
  m_closed = other.m_closed;
  m_precision = other.m_precision;
  m_points = other.m_points;
  InvalidateRoute();
}

void CPath::Clear() {
  m_points.clear();
  InvalidateRoute();
}

int32_t CPath::AddPoint(float x, float y, float speed) {
  m_points.push_back({x, y, speed});
  InvalidateRoute();
  return GetNumber() - 1;
}

void CPath::InsertPoint(int32_t index, float x, float y, float speed) {
  if (index < 0 || index > GetNumber()) return;
  if (m_points.size() == m_points.capacity()) m_points.reserve(m_points.size() + 6);
  m_points.insert(m_points.begin() + index, PathPoint{x, y, speed});
  InvalidateRoute();
}

void CPath::ChangePoint(int32_t index, float x, float y, float speed) {
  if (index < 0 || index >= GetNumber()) return;
  m_points[static_cast<size_t>(index)] = {x, y, speed};
  InvalidateRoute();
}

void CPath::DeletePoint(int32_t index) {
  if (index < 0 || index >= GetNumber()) return;
  m_points.erase(m_points.begin() + index);
  InvalidateRoute();
}

PathPoint CPath::GetPoint(int32_t index) const {
  if (index < 0 || index >= GetNumber()) return {0.0f, 0.0f, 1.0f};
  return m_points[static_cast<size_t>(index)];
}

void CPath::SetKind(int32_t kind) {
  m_kind = kind == kPathKindSmooth ? kPathKindSmooth : kPathKindStraight;
  InvalidateRoute();
}

void CPath::SetClosed(bool closed) {
  m_closed = closed;
  InvalidateRoute();
}

void CPath::SetPrecision(int32_t precision) {
  m_precision = std::clamp(precision, 0, kPathMaxPrecision);
  InvalidateRoute();
}

// --- transformations -------------------------------------------------------------------------

void CPath::GetCentre(float* x, float* y) const {
  float minX = 100000000.0f, maxX = -100000000.0f;
  float minY = 100000000.0f, maxY = -100000000.0f;
  for (const PathPoint& p : m_points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  *x = (minX + maxX) / 2.0f;
  *y = (minY + maxY) / 2.0f;
}

void CPath::Shift(float dx, float dy) {
  for (PathPoint& p : m_points) {
    p.x += dx;
    p.y += dy;
  }
  InvalidateRoute();
}

void CPath::Rescale(float xs, float ys) {
  float cx, cy;
  GetCentre(&cx, &cy);
  for (PathPoint& p : m_points) {
    p.x = cx + (p.x - cx) * xs;
    p.y = cy + (p.y - cy) * ys;
  }
  InvalidateRoute();
}

void CPath::Rotate(float degrees) {
  float cx, cy;
  GetCentre(&cx, &cy);
  const float a = degrees * kPi / 180.0f;
  const float c = std::cos(a);
  const float s = std::sin(a);
  for (PathPoint& p : m_points) {
    const float dx = p.x - cx;
    const float dy = p.y - cy;
    p.x = cx + c * dx + s * dy;
    p.y = cy + c * dy - s * dx;
  }
  InvalidateRoute();
}

void CPath::Mirror() { Rescale(-1.0f, 1.0f); }
void CPath::Flip() { Rescale(1.0f, -1.0f); }

void CPath::Reverse() {
  if (m_points.size() < 2) return;
  std::reverse(m_points.begin(), m_points.end());
  InvalidateRoute();
}

void CPath::Append(const CPath* other) {
  if (other == nullptr || other->m_points.empty()) return;
  // Copied first: appending a path to itself reads the points it is growing.
  const std::vector<PathPoint> added = other->m_points;
  m_points.insert(m_points.end(), added.begin(), added.end());
  InvalidateRoute();
}

// --- table -----------------------------------------------------------------------------------

void Path_Reset() { g_paths.Clear(); }
void Path_Init() { g_paths.Clear(); }
void Path_DeleteAll() { g_paths.Clear(); }
bool Path_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  return g_paths.Load("PATH", body, size, container);
}
int32_t Path_Number() { return g_paths.Number(); }
CPath* Path_Data(int32_t index) { return g_paths.Data(index); }
bool Path_Exists(int32_t index) { return Path_Data(index) != nullptr; }
const char* Path_Name(int32_t index) { return g_paths.Name(index); }
int32_t Path_Find(const char* name) { return g_paths.Find(name); }
int32_t Path_Add() { return g_paths.Add("__newpath"); }

int32_t Path_Duplicate(int32_t index) {
  if (!Path_Exists(index)) return -1;
  const int32_t copy = Path_Add();
  Path_Data(copy)->Assign(*Path_Data(index));
  return copy;
}

bool Path_Assign(int32_t target, int32_t source) {
  if (!Path_Exists(source) || target < 0 || target >= Path_Number()) return false;
  if (target == source) {
    Error_Report(false, "ERROR: Can not assign a path to itself!");
    return false;
  }
  auto& slot = g_paths.At(target);
  if (slot.item == nullptr) slot.item = std::make_unique<CPath>();
  slot.item->Assign(*Path_Data(source));
  return true;
}

bool Path_Delete(int32_t index) {
  if (!Path_Exists(index)) return false;
  auto& slot = g_paths.At(index);
  slot.item.reset();
  slot.name.clear();
  return true;
}

// Tests name paths by index without a container.
void Path_StandInSetNames(const char* const* names, int32_t count) { g_paths.SetNames(names, count); }
