// The depth-ordered list in which a room keeps its active or its inactive instances, linked
// through the instances' own list links: ascending sort depth, equal depths in insertion order.
#pragma once

#include <cstdint>

class CInstance;

struct InstanceList {
  CInstance* first = nullptr;  // lowest sort depth
  CInstance* last = nullptr;
  int32_t count = 0;

  // Links the instance after every instance of equal or lower sort depth; its sort depth becomes
  // its depth.
  void InsertByDepth(CInstance* instance);
  // Appends regardless of depth (the order of deactivation).
  void Append(CInstance* instance);
  // Unlinks the instance; its own links are left as they were, so a walk that stands on it can go
  // on. An instance whose neighbours (or the list's ends) do not point back at it is not linked
  // and is left alone (false), so removing an instance twice does no harm.
  bool Remove(CInstance* instance);
  // The O(1) test Remove uses: the neighbours, or the list's ends, point back at the instance.
  bool Contains(const CInstance* instance) const;
};
