// The depth-ordered list in which a room keeps its active or its inactive instances, linked
// through the instances' own list links: ascending sort depth, equal depths in insertion order.
#pragma once

#include <cstdint>
#include <vector>

class CInstance;

struct InstanceList {
  CInstance* first = nullptr;  // lowest sort depth
  CInstance* last = nullptr;
  int32_t count = 0;
  // Changes with every link or unlink (a fresh list has 0): what is built from the list's order
  // knows when to build it again.
  uint64_t version = 0;

  // Links the instance after every instance of equal or lower sort depth; its sort depth becomes
  // its depth.
  void InsertByDepth(CInstance* instance);
  // The same list as InsertByDepth for each instance in turn, in one pass over the list for a
  // batch: the batch is sorted stably by depth and merged in, equal depths after the instances
  // already listed and in batch order among themselves. The vector's order is used up.
  void InsertAllByDepth(std::vector<CInstance*>& instances);
  // Appends regardless of depth (the order of deactivation).
  void Append(CInstance* instance);
  // Unlinks the instance; its own links are left as they were, so a walk that stands on it can go
  // on. An instance whose neighbours (or the list's ends) do not point back at it is not linked
  // and is left alone (false), so removing an instance twice does no harm.
  bool Remove(CInstance* instance);
  // The O(1) test Remove uses: the neighbours, or the list's ends, point back at the instance.
  bool Contains(const CInstance* instance) const;
};
