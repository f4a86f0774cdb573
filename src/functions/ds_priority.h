// The priority queue behind a ds_priority id: (value, priority) entries in two parallel arrays,
// in insertion order, changed only by removals (the last entry fills the hole).
//
// It is not a heap: the entry of lowest or highest priority is found by a linear scan with
// RValue_Compare at the data-structure precision, and of equal priorities the one stored first
// wins. Slots at or past the capacities never hold a reference. Main thread only.
#pragma once

#include <cstdint>

#include "core/value.h"

class CDS_Priority {
 public:
  CDS_Priority() = default;
  CDS_Priority(const CDS_Priority&) = delete;
  CDS_Priority& operator=(const CDS_Priority&) = delete;
  // Clear.
  virtual ~CDS_Priority();

  int32_t Size() const { return m_count; }
  bool Empty() const { return m_count == 0; }
  int32_t Capacity() const { return m_valueCapacity; }
  // Entry i's value and priority (0 <= i < size), in storage order.
  const RValue* ValueAt(int32_t i) const { return &m_values[i]; }
  const RValue* PriorityAt(int32_t i) const { return &m_priorities[i]; }

  // Appends an entry with copies of both.
  void Add(const RValue* value, const RValue* priority);
  // The first entry whose value compares equal takes a copy of the priority; nothing when none.
  void ChangePriority(const RValue* value, const RValue* priority);
  // The priority of the first entry whose value compares equal, or null.
  RValue* FindPriority(const RValue* value);
  // The value of the entry with the lowest or highest priority, or null when empty.
  RValue* FindMin();
  RValue* FindMax();
  // Removes the first entry whose value compares equal.
  void DeleteValue(const RValue* value);
  // out becomes a real 0, then, when there is an entry, a copy of the value of lowest (highest)
  // priority, and that entry is removed.
  void DeleteMin(RValue* out);
  void DeleteMax(RValue* out);
  // Releases every slot of both arrays and frees them.
  void Clear();
  // Makes this queue a copy of the source (every slot below its capacities); null clears it, and
  // copying a queue onto itself leaves it unchanged.
  void Copy(const CDS_Priority* source);
  char* WriteText() const;
  bool ReadText(const char* text, bool olderForm);

 private:
  // The entry of lowest (sign -1) or highest (sign 1) priority; -1 when empty.
  int32_t Select(int32_t sign) const;
  // The first entry whose value compares equal, or -1.
  int32_t IndexOf(const RValue* value) const;
  void DeleteSelected(int32_t sign, RValue* out);

  int32_t m_count = 0;
  int32_t m_valueCapacity = 0;
  RValue* m_values = nullptr;
  int32_t m_priorityCapacity = 0;
  RValue* m_priorities = nullptr;
};

int32_t DS_CreatePriority();
bool DS_DestroyPriority(int32_t id);
