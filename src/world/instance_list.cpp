#include "world/instance_list.h"

#include "world/instance.h"

void InstanceList::InsertByDepth(CInstance* instance) {
  ++count;
  instance->sort_depth = instance->depth;
  const double depth = instance->depth;
  CInstance* after = first;
  while (after != nullptr && static_cast<double>(after->sort_depth) <= depth) after = after->list_next;
  if (after == nullptr) {
    instance->list_prev = last;
    instance->list_next = nullptr;
    if (last != nullptr) {
      last->list_next = instance;
    } else {
      first = instance;
    }
    last = instance;
    return;
  }
  instance->list_next = after;
  instance->list_prev = after->list_prev;
  if (after->list_prev != nullptr) {
    after->list_prev->list_next = instance;
  } else {
    first = instance;
  }
  after->list_prev = instance;
}

void InstanceList::Append(CInstance* instance) {
  ++count;
  instance->list_prev = last;
  instance->list_next = nullptr;
  if (last != nullptr) {
    last->list_next = instance;
  } else {
    first = instance;
  }
  last = instance;
}

bool InstanceList::Contains(const CInstance* instance) const {
  if (instance == nullptr) return false;
  const bool headLinked = instance->list_prev != nullptr ? instance->list_prev->list_next == instance : first == instance;
  const bool tailLinked = instance->list_next != nullptr ? instance->list_next->list_prev == instance : last == instance;
  return headLinked && tailLinked;
}

bool InstanceList::Remove(CInstance* instance) {
  // An instance that was already removed keeps stale links; following them would cut the list.
  if (!Contains(instance)) return false;
  (instance->list_prev != nullptr ? instance->list_prev->list_next : first) = instance->list_next;
  (instance->list_next != nullptr ? instance->list_next->list_prev : last) = instance->list_prev;
  --count;
  return true;
}
