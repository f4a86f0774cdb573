#include "world/instance_list.h"

#include "world/instance.h"

void InstanceList::InsertByDepth(CInstance* instance) {
  ++count;
  instance->sort_depth = instance->depth;
  const double depth = instance->depth;
  // The list is in ascending sort depth, so the place after the last instance of a depth not
  // above this one is the place before the first one above it. The walk starts at the end: a new
  // instance mostly goes at or near it (equal depths keep their order of insertion).
  CInstance* before = last;
  while (before != nullptr && !(static_cast<double>(before->sort_depth) <= depth)) before = before->list_prev;
  CInstance* after = before != nullptr ? before->list_next : first;
  instance->list_prev = before;
  instance->list_next = after;
  if (before != nullptr) {
    before->list_next = instance;
  } else {
    first = instance;
  }
  if (after != nullptr) {
    after->list_prev = instance;
  } else {
    last = instance;
  }
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
