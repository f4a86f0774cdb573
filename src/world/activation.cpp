#include "world/activation.h"

#include <vector>

#include "assets/sprite_table.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/object.h"

namespace {


std::vector<CInstance*>& Collection() {
  static std::vector<CInstance*> collection = [] {
    std::vector<CInstance*> v;
    v.reserve(32);
    return v;
  }();
  return collection;
}

template <typename Wanted>
std::span<CInstance* const> Collect(Wanted wanted, InstanceVisitor visit, void* context) {
  std::vector<CInstance*>& out = Collection();
  out.clear();
  CRoom* room = Room_Current;
  if (room == nullptr) return {};
  for (const InstanceList* list : {&room->active, &room->inactive}) {
    for (CInstance* i = list->first; i != nullptr; i = i->list_next) {
      if (!wanted(i)) continue;
      if (visit != nullptr) {
        visit(i, context);
      } else {
        out.push_back(i);
      }
    }
  }
  if (visit != nullptr) return {};
  return {out.data(), out.size()};
}

// A copy of the collection: acting on an instance may start another collection.
std::vector<CInstance*> Active() {
  const std::span<CInstance* const> found = Instance_CollectActive();
  return {found.begin(), found.end()};
}
std::vector<CInstance*> Deactivated() {
  const std::span<CInstance* const> found = Instance_CollectDeactivated();
  return {found.begin(), found.end()};
}

bool OfObject(const CInstance* instance, int32_t object) {
  if (instance->object_index == object) return true;
  const CObject* def = Object_Data(instance->object_index);
  return def != nullptr && def->IsAncestor(object);
}

// True when the instance lies wholly outside the region: by its bounding box when it has a
// sprite or a mask, else by its position.
bool Outside(CInstance* i, float left, float top, float right, float bottom) {
  if (Sprite_Exists(i->sprite_index) || Sprite_Exists(i->mask_index)) {
    if (i->bbox_dirty) Compute_BoundingBox(i);
    return left > static_cast<float>(i->bbox_right) || static_cast<float>(i->bbox_left) > right ||
           top > static_cast<float>(i->bbox_bottom) || static_cast<float>(i->bbox_top) > bottom;
  }
  return left > i->x || i->x > right || top > i->y || i->y > bottom;
}

CInstance* ById(int32_t id) { return Instance_Find(id); }

}  // namespace

std::span<CInstance* const> Instance_CollectActive(InstanceVisitor visit, void* context) {
  return Collect([](const CInstance* i) { return Instance_Eligible(i); }, visit, context);
}

std::span<CInstance* const> Instance_CollectDeactivated(InstanceVisitor visit, void* context) {
  return Collect([](const CInstance* i) { return !i->marked && i->deactivated; }, visit, context);
}

void Instance_Deactivate(CInstance* instance) {
  if (instance == nullptr) return;
  instance->deactivated = true;
  Room_ActivationQueue.AddUnique(instance);
}

void Instance_Activate(CInstance* instance) {
  if (instance == nullptr) return;
  instance->deactivated = false;
  Room_ActivationQueue.AddUnique(instance);
}

void Instance_DeactivateAll(CInstance* self, bool notme) {
  for (CInstance* i : Active()) Instance_Deactivate(i);
  if (notme && self != nullptr && !self->marked) Instance_Activate(self);
}

void Instance_DeactivateObject(CInstance* self, CInstance* other, int32_t object) {
  if (object == kInstanceSelf || object == kInstanceOther) {
    Instance_Deactivate(object == kInstanceSelf ? self : other);
  } else if (object == kInstanceAll) {
    for (CInstance* i : Active()) Instance_Deactivate(i);
  } else if (object >= kFirstInstanceId) {
    CInstance* i = ById(object);
    if (Instance_Eligible(i)) Instance_Deactivate(i);
  } else if (Object_Exists(object)) {
    for (CInstance* i : Active()) {
      if (OfObject(i, object)) Instance_Deactivate(i);
    }
  }
}

void Instance_DeactivateRegion(CInstance* self, float left, float top, float width, float height, bool inside,
                               bool notme) {
  const float right = left + width;
  const float bottom = top + height;
  for (CInstance* i : Active()) {
    if (Outside(i, left, top, right, bottom) != inside) Instance_Deactivate(i);
  }
  if (notme && self != nullptr && !self->marked && self->deactivated) Instance_Activate(self);
}

void Instance_ActivateAll() {
  for (CInstance* i : Deactivated()) Instance_Activate(i);
}

void Instance_ActivateObject(CInstance* self, CInstance* other, int32_t object) {
  if (object == kInstanceSelf || object == kInstanceOther) {
    CInstance* i = object == kInstanceSelf ? self : other;
    if (i != nullptr && !i->marked) Instance_Activate(i);
  } else if (object == kInstanceAll) {
    for (CInstance* i : Deactivated()) Instance_Activate(i);
  } else if (object >= kFirstInstanceId) {
    CInstance* i = ById(object);
    if (i != nullptr && !i->marked && i->deactivated) Instance_Activate(i);
  } else {
    for (CInstance* i : Deactivated()) {
      if (OfObject(i, object)) Instance_Activate(i);
    }
  }
}

void Instance_ActivateRegion(float left, float top, float width, float height, bool inside) {
  const float right = left + width;
  const float bottom = top + height;
  for (CInstance* i : Deactivated()) {
    if (Outside(i, left, top, right, bottom) != inside) Instance_Activate(i);
  }
}

int32_t Instance_Copy(CInstance* self, bool performEvent) {
  if (self == nullptr || Room_Current == nullptr) return -1;
  CInstance* copy = Room_Current->CreateInstance(self->x, self->y, self->object_index);
  if (copy == nullptr) return -1;  // no id left to give it
  const int32_t id = copy->id;
  // The copy takes the caller's whole state but keeps the id it was entered under.
  copy->Assign(self, true);
  copy->id = id;
  DepthChangeList.AddUnique(copy);
  if (performEvent) {
    Event_Perform(copy, copy, kEventCreate, 0);
    copy->create_event_run = true;
  }
  return id;
}
