// Paths: lists of points (x, y, speed) that instances follow and scripts query, edit and draw.
// From the defined points a path keeps the route it actually describes (straight or smooth, open
// or closed) as computed points with the distance travelled at each; every query by fraction
// interpolates along that route.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/container.h"

struct PathPoint {
  float x = 0.0f;
  float y = 0.0f;
  float speed = 100.0f;  // percent of the follower's path speed
};

struct PathRoutePoint {
  float x = 0.0f;
  float y = 0.0f;
  float speed = 100.0f;
  float distance = 0.0f;  // along the route from its first point
};

inline constexpr int32_t kPathKindStraight = 0;
inline constexpr int32_t kPathKindSmooth = 1;
inline constexpr int32_t kPathMaxPrecision = 8;

// Every operation that changes the points, kind, closed flag or precision recomputes the route,
// its length and its time before it returns.
class CPath {
 public:
  CPath() = default;

  // A PATH entry at that container offset; false, with `problem` set, when it does not lie
  // inside the container.
  bool LoadFromChunk(const ContainerBytes& container, uint32_t entryOffset, std::string* problem);
  void Assign(const CPath& other);
  void Clear();

  int32_t AddPoint(float x, float y, float speed);  // the new point's index
  void InsertPoint(int32_t index, float x, float y, float speed);  // 0..count; else nothing
  void ChangePoint(int32_t index, float x, float y, float speed);  // 0..count-1; else nothing
  void DeletePoint(int32_t index);
  // The defined point; (0, 0, speed 1) out of range.
  PathPoint GetPoint(int32_t index) const;

  void SetKind(int32_t kind);  // 1 smooth, anything else straight
  void SetClosed(bool closed);
  void SetPrecision(int32_t precision);  // clamped to 0..8

  int32_t GetKind() const { return m_kind; }
  bool GetClosed() const { return m_closed; }
  int32_t GetPrecision() const { return m_precision; }
  int32_t GetNumber() const { return static_cast<int32_t>(m_points.size()); }
  float GetLength() const {
    EnsureRoute();
    return m_length;
  }
  float GetTime() const {
    EnsureRoute();
    return m_time;
  }
  const std::vector<PathRoutePoint>& Route() const {
    EnsureRoute();
    return m_route;
  }

  // The position at fraction t of the route's length (0 start, 1 end); a NaN fraction answers as
  // 0. Without a route: (0, 0, speed 100).
  PathPoint GetPosition(float t) const;
  float GetX(float t) const { return GetPosition(t).x; }
  float GetY(float t) const { return GetPosition(t).y; }
  float GetSpeed(float t) const { return GetPosition(t).speed; }

  // The transformations work about the centre of the defined points' bounding box.
  void Shift(float dx, float dy);
  void Rescale(float xs, float ys);
  void Rotate(float degrees);
  void Mirror();
  void Flip();
  void Reverse();
  // Appends the other path's points (appending a path to itself doubles its points).
  void Append(const CPath* other);
  // Draws the route as a line strip through a point every 4 pixels of its length (none when that
  // rounds to 0): shifted so that its start lies at (x, y), or, when absolute, moved by (x, y).
  void Draw(float x, float y, bool absolute) const;
  void GetCentre(float* x, float* y) const;

 private:
  // The route is made when it is first read after a change, not at every change: a path built
  // point by point costs one route, not one per point. It depends on the points, kind,
  // closedness and precision only, so it is the same whenever it is made.
  void InvalidateRoute() { m_routeStale = true; }
  void EnsureRoute() const {
    if (m_routeStale) BuildRoute();
  }
  void BuildRoute() const;
  void ComputeLinear() const;
  void ComputeSmooth() const;
  void ComputeCurve(int32_t depth, const PathPoint& s, const PathPoint& t, const PathPoint& u) const;
  void ComputeLength() const;
  void AddRoutePoint(float x, float y, float speed) const;

  std::vector<PathPoint> m_points;
  mutable std::vector<PathRoutePoint> m_route;
  int32_t m_kind = kPathKindStraight;
  bool m_closed = true;
  int32_t m_precision = 4;
  mutable float m_length = 0.0f;
  mutable float m_time = 0.0f;
  mutable bool m_routeStale = false;
};

// The path table: slots by index (a slot may be empty) with their names.
void Path_Reset();
void Path_Init();
void Path_DeleteAll();
bool Path_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
int32_t Path_Number();
bool Path_Exists(int32_t index);
CPath* Path_Data(int32_t index);  // null out of range or for an empty slot
const char* Path_Name(int32_t index);  // "<undefined>" when it does not exist
int32_t Path_Find(const char* name);   // exact match, -1 when none
int32_t Path_Add();                    // path_add: an empty path named "__newpath<index>"
int32_t Path_Duplicate(int32_t index);  // -1 unless it exists
bool Path_Assign(int32_t target, int32_t source);
bool Path_Delete(int32_t index);  // leaves the slot empty; other indices stay
