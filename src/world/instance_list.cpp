#include "world/instance_list.h"

#include <algorithm>
#include <cmath>

#include "world/instance.h"

namespace {

uint64_t g_listVersions = 0;

// Below this many a batch goes in one instance at a time: each insertion walks only from the end,
// and the merge would walk the whole list.
constexpr size_t kMergeBatch = 16;

// The merge gives InsertByDepth's order only when the list ascends and no depth is NaN (a NaN
// compares false, so InsertByDepth walks past it and lists need not ascend around one).
bool MergeKeepsOrder(const InstanceList& list, const std::vector<CInstance*>& instances) {
  for (const CInstance* i : instances) {
    if (std::isnan(i->depth)) return false;
  }
  for (const CInstance* i = list.first; i != nullptr; i = i->list_next) {
    if (std::isnan(i->sort_depth)) return false;
    if (i->list_prev != nullptr && i->list_prev->sort_depth > i->sort_depth) return false;
  }
  return true;
}

}  // namespace

void InstanceList::InsertByDepth(CInstance* instance) {
  ++count;
  version = ++g_listVersions;
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

void InstanceList::InsertAllByDepth(std::vector<CInstance*>& instances) {
  if (instances.size() < kMergeBatch || !MergeKeepsOrder(*this, instances)) {
    for (CInstance* instance : instances) InsertByDepth(instance);
    return;
  }
  std::stable_sort(instances.begin(), instances.end(),
                   [](const CInstance* a, const CInstance* b) { return a->depth < b->depth; });
  // Each instance goes before the first listed one of a greater depth; the ones placed before it
  // have a depth not above its own, so the place only moves forward.
  CInstance* after = first;
  for (CInstance* instance : instances) {
    const float depth = instance->depth;
    while (after != nullptr && after->sort_depth <= depth) after = after->list_next;
    instance->sort_depth = depth;
    CInstance* before = after != nullptr ? after->list_prev : last;
    instance->list_prev = before;
    instance->list_next = after;
    (before != nullptr ? before->list_next : first) = instance;
    (after != nullptr ? after->list_prev : last) = instance;
    ++count;
  }
  version = ++g_listVersions;
}

void InstanceList::Append(CInstance* instance) {
  ++count;
  version = ++g_listVersions;
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
  version = ++g_listVersions;
  return true;
}
