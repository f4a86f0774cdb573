#include "world/queries.h"

#include <cmath>
#include <string>

#include "assets/sprite_table.h"
#include "runtime/error_report.h"
#include "world/activation.h"
#include "world/commands.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/object.h"
#include "world/room.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr int32_t kDefaultSteps = 1000;

// Calls found(instance) for each eligible candidate obj names, in its order, until it answers
// true; returns that instance or null. The next candidate is taken before the call.
template <typename Found>
CInstance* FirstOf(int32_t obj, Found found) {
  if (obj == kInstanceAll) {
    if (Room_Current == nullptr) return nullptr;
    for (CInstance* i = Room_Current->active.first; i != nullptr;) {
      CInstance* next = i->list_next;
      if (Instance_Eligible(i) && found(i)) return i;
      i = next;
    }
    return nullptr;
  }
  if (obj >= kFirstInstanceId) {
    CInstance* i = Instance_Find(obj);
    return Instance_Eligible(i) && found(i) ? i : nullptr;
  }
  const CObject* object = Object_Data(obj);
  if (obj < 0 || object == nullptr) return nullptr;
  for (const ObjectInstanceNode* node = object->instances_recursive.first; node != nullptr && node->instance != nullptr;) {
    const ObjectInstanceNode* next = node->next;
    if (Instance_Eligible(node->instance) && found(node->instance)) return node->instance;
    node = next;
  }
  return nullptr;
}

template <typename Test>
CInstance* ShapeQuery(CInstance* self, int32_t obj, bool notme, Test test) {
  if (obj >= kFirstInstanceId && notme && self != nullptr && self->id == obj) return nullptr;
  return FirstOf(obj, [&](CInstance* i) { return !(notme && i == self) && test(i); });
}

// Runs test with the caller standing at (x, y), then puts it back.
template <typename Test>
auto AtPlace(CInstance* self, float x, float y, Test test) {
  const float oldX = self->x;
  const float oldY = self->y;
  self->SetPosition(x, y);
  auto answer = test();
  self->SetPosition(oldX, oldY);
  return answer;
}

bool PlaceOpen(CInstance* self, float x, float y, bool all) {
  return all ? Command_PlaceEmpty(self, x, y) : Command_PlaceFree(self, x, y);
}

int32_t AllowedSteps(float maxDistance) {
  return maxDistance <= 0.0f ? kDefaultSteps : static_cast<int32_t>(std::nearbyint(maxDistance));
}

void StepVector(float direction, float* dx, float* dy) {
  const float radians = direction * kPi / 180.0f;
  *dx = std::cos(radians);
  *dy = -std::sin(radians);
}

template <typename Better>
CInstance* Extreme(float x, float y, int32_t obj, float start, Better better) {
  if (obj >= kFirstInstanceId) return nullptr;
  CInstance* best = nullptr;
  float bestValue = start;
  FirstOf(obj, [&](CInstance* i) {
    const float dx = i->x - x;
    const float dy = i->y - y;
    const float d = dx * dx + dy * dy;
    if (better(d, bestValue)) {
      bestValue = d;
      best = i;
    }
    return false;
  });
  return best;
}

void EnsureBox(CInstance* instance) {
  if (instance->bbox_dirty) Compute_BoundingBox(instance);
}

float Separation(float aLow, float aHigh, float bLow, float bHigh) {
  if (aHigh < bLow) return aHigh - bLow;
  if (bHigh < aLow) return aLow - bHigh;
  return 0.0f;
}

float DistanceBetween(CInstance* a, CInstance* b) {
  if (!Instance_Eligible(b) || a == b) return kNoObjectDistance;
  EnsureBox(a);
  EnsureBox(b);
  const float dx = Separation(static_cast<float>(a->bbox_left), static_cast<float>(a->bbox_right),
                              static_cast<float>(b->bbox_left), static_cast<float>(b->bbox_right));
  const float dy = Separation(static_cast<float>(a->bbox_top), static_cast<float>(a->bbox_bottom),
                              static_cast<float>(b->bbox_top), static_cast<float>(b->bbox_bottom));
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

CInstance* Command_CollisionPoint(CInstance* self, float x, float y, int32_t obj, bool precise, bool notme) {
  return ShapeQuery(self, obj, notme, [&](CInstance* i) { return i->CollisionPoint(x, y, precise); });
}

CInstance* Command_CollisionRectangle(CInstance* self, float x1, float y1, float x2, float y2, int32_t obj,
                                      bool precise, bool notme) {
  return ShapeQuery(self, obj, notme, [&](CInstance* i) { return i->CollisionRectangle(x1, y1, x2, y2, precise); });
}

CInstance* Command_CollisionEllipse(CInstance* self, float x1, float y1, float x2, float y2, int32_t obj,
                                    bool precise, bool notme) {
  return ShapeQuery(self, obj, notme, [&](CInstance* i) { return i->CollisionEllipse(x1, y1, x2, y2, precise); });
}

CInstance* Command_CollisionLine(CInstance* self, float x1, float y1, float x2, float y2, int32_t obj, bool precise,
                                 bool notme) {
  return ShapeQuery(self, obj, notme, [&](CInstance* i) { return i->CollisionLine(x1, y1, x2, y2, precise); });
}

CInstance* Command_InstancePosition(float x, float y, int32_t obj) {
  return Command_CollisionPoint(nullptr, x, y, obj, true, false);
}

bool Command_PositionMeeting(float x, float y, int32_t obj) { return Command_InstancePosition(x, y, obj) != nullptr; }

CInstance* Command_InstanceNearest(float x, float y, int32_t obj) {
  return Extreme(x, y, obj, 3.4028235e38f, [](float d, float best) { return d < best; });
}

CInstance* Command_InstanceFurthest(float x, float y, int32_t obj) {
  return Extreme(x, y, obj, -1.0f, [](float d, float best) { return d > best; });
}

CInstance* Command_InstancePlace(CInstance* self, float x, float y, int32_t obj) {
  if (self == nullptr) return nullptr;
  return AtPlace(self, x, y, [&] { return FirstOf(obj, [&](CInstance* i) { return i->Collision_Instance(self, true); }); });
}

bool Command_PlaceMeeting(CInstance* self, int32_t obj, float x, float y) {
  return Command_InstancePlace(self, x, y, obj) != nullptr;
}

bool Command_PlaceEmpty(CInstance* self, float x, float y) {
  if (self == nullptr) return true;
  return AtPlace(self, x, y, [&] {
    return FirstOf(kInstanceAll, [&](CInstance* i) { return i->Collision_Instance(self, true); }) == nullptr;
  });
}

bool Command_PlaceFree(CInstance* self, float x, float y) {
  if (self == nullptr) return true;
  return AtPlace(self, x, y, [&] {
    return FirstOf(kInstanceAll, [&](CInstance* i) { return i->solid && i->Collision_Instance(self, true); }) ==
           nullptr;
  });
}

int32_t Command_InstanceNumber(int32_t obj) {
  int32_t count = 0;
  FirstOf(obj, [&](CInstance*) {
    ++count;
    return false;
  });
  if (obj >= 0 && obj < kFirstInstanceId) {
    for (int32_t k = 0; k < ObjectChangeList.Count(); ++k) {
      const CInstance* i = ObjectChangeList.Get(k);
      if (Instance_Eligible(i) && i->object_index == obj) ++count;
    }
  }
  return count;
}

int32_t F_InstanceNumber(CInstance* self, CInstance* other, int32_t obj) {
  if (obj == kInstanceSelf) return Instance_Eligible(self) ? 1 : 0;
  if (obj == kInstanceOther) return Instance_Eligible(other) ? 1 : 0;
  return Command_InstanceNumber(obj);
}

bool F_InstanceExists(CInstance* self, CInstance* other, int32_t obj) {
  if (obj == kInstanceSelf) return Instance_Eligible(self);
  if (obj == kInstanceOther) return Instance_Eligible(other);
  if (obj == kInstanceAll || obj >= kFirstInstanceId) return FirstOf(obj, [](CInstance*) { return true; }) != nullptr;
  if (obj < 0 || !Object_Exists(obj)) return false;
  if (FirstOf(obj, [](CInstance*) { return true; }) != nullptr) return true;
  for (int32_t k = 0; k < Room_ActivationQueue.Count(); ++k) {
    const CInstance* i = Room_ActivationQueue.Get(k);
    if (!Instance_Eligible(i)) continue;
    if (i->object_index == obj) return true;
    const CObject* own = Object_Data(i->object_index);
    if (own != nullptr && own->IsAncestor(obj)) return true;
  }
  return false;
}

int32_t Command_InstanceFind(int32_t obj, int32_t n) {
  if (obj >= kFirstInstanceId && n != 0) return kNoone;
  if (obj != kInstanceAll && obj < 0) return kNoone;
  int32_t seen = 0;
  const CInstance* found = FirstOf(obj, [&](CInstance*) { return seen++ == n; });
  return found != nullptr ? found->id : kNoone;
}

void Command_MoveContact(CInstance* self, float direction, float maxDistance, bool all) {
  if (self == nullptr) return;
  float dx = 0.0f;
  float dy = 0.0f;
  StepVector(direction, &dx, &dy);
  const int32_t steps = AllowedSteps(maxDistance);
  if (!PlaceOpen(self, self->x, self->y, all)) return;
  for (int32_t k = 0; k < steps; ++k) {
    const float nx = self->x + dx;
    const float ny = self->y + dy;
    if (!PlaceOpen(self, nx, ny, all)) return;
    self->SetPosition(nx, ny);
  }
}

bool Command_MoveOutside(CInstance* self, float direction, float maxDistance, bool all) {
  if (self == nullptr) return true;
  float dx = 0.0f;
  float dy = 0.0f;
  StepVector(direction, &dx, &dy);
  int32_t steps = AllowedSteps(maxDistance);
  bool open = PlaceOpen(self, self->x, self->y, all);
  while (!open && steps > 0) {
    self->SetPosition(self->x + dx, self->y + dy);
    --steps;
    open = PlaceOpen(self, self->x, self->y, all);
  }
  return open;
}

void Command_Bounce(CInstance* self, bool precise, bool all) {
  if (self == nullptr) return;
  bool collided = false;
  if (!PlaceOpen(self, self->x, self->y, all)) {
    self->SetPosition(self->xprevious, self->yprevious);
    collided = true;
  }
  const float x = self->x;
  const float y = self->y;
  if (!precise) {
    const bool h = PlaceOpen(self, x + self->hspeed, y, all);
    const bool v = PlaceOpen(self, x, y + self->vspeed, all);
    const bool d = PlaceOpen(self, x + self->hspeed, y + self->vspeed, all);
    if (!h) {
      self->SetHSpeed(-self->hspeed);
      if (!v) self->SetVSpeed(-self->vspeed);
    } else if (v) {
      if (!d) {
        self->SetHSpeed(-self->hspeed);
        self->SetVSpeed(-self->vspeed);
      }
    } else {
      self->SetVSpeed(-self->vspeed);
    }
    return;
  }
  const float d0 = 10.0f * std::nearbyint(self->direction / 10.0f);
  const float speed = self->speed;
  auto openAt = [&](float angle) {
    const float r = angle * kPi / 180.0f;
    return PlaceOpen(self, x + speed * std::cos(r), y - speed * std::sin(r), all);
  };
  float down = d0;
  for (int32_t k = 1; k <= 35; ++k) {
    down = d0 - 10.0f * static_cast<float>(k);
    if (openAt(down)) break;
    collided = true;
  }
  float up = d0;
  for (int32_t k = 1; k <= 35; ++k) {
    up = d0 + 10.0f * static_cast<float>(k);
    if (openAt(up)) {
      if (collided) break;
      return;
    }
    collided = true;
  }
  self->SetDirection(up + down + 180.0f - d0);
}

bool Command_PlaceSnapped(CInstance* self, double hsnap, double vsnap) {
  if (self == nullptr) return true;
  if (hsnap > 0.0 && std::fabs(self->x - std::nearbyint(self->x / hsnap) * hsnap) >= 0.001) return false;
  if (vsnap > 0.0 && std::fabs(self->y - std::nearbyint(self->y / vsnap) * vsnap) >= 0.001) return false;
  return true;
}

void Command_PositionDestroy(float x, float y) {
  FirstOf(kInstanceAll, [&](CInstance* i) {
    if (i->CollisionPoint(x, y, true) && !i->destroy_event_run) Command_DestroyInstance(i);
    return false;
  });
}

void Command_PositionChange(float x, float y, int32_t obj, bool performEvents) {
  if (!Object_Exists(obj)) {
    const std::string message = "Asking to change into non-existing object: " + std::to_string(obj);
    Error_Report(false, message.c_str());
    return;
  }
  FirstOf(kInstanceAll, [&](CInstance* i) {
    if (i->CollisionPoint(x, y, true)) Command_ChangeInstance(i, obj, performEvents);
    return false;
  });
}

double Command_DistanceToPoint(CInstance* self, double x, double y) {
  if (self == nullptr) return 0.0;
  EnsureBox(self);
  auto axis = [](double p, double low, double high) { return p < low ? p - low : (p > high ? p - high : 0.0); };
  const double dx = axis(x, self->bbox_left, self->bbox_right);
  const double dy = axis(y, self->bbox_top, self->bbox_bottom);
  return std::sqrt(dx * dx + dy * dy);
}

float Command_DistanceToObject(CInstance* self, CInstance* other, int32_t obj) {
  float best = kNoObjectDistance;
  if (self == nullptr || obj == kInstanceSelf) return best;
  auto keep = [&](CInstance* i) {
    const float d = DistanceBetween(self, i);
    if (d < best) best = d;
    return false;
  };
  if (obj == kInstanceOther) {
    if (other != nullptr) keep(other);
    return best;
  }
  FirstOf(obj, keep);
  return best;
}
