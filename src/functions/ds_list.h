// The list behind a ds_list id: a growable array of values at positions 0 to size - 1.
//
// Elements are copies made as value assignment makes them (whole kind word, marks included).
// Slots past the size keep content: a real 0 where nothing was written or an element was
// deleted, undefined where Clear emptied them, the source's slot after Copy; Set past the end
// turns them into elements as they are. An element marked as a nested list or map makes the list
// own that container (functions/ds_ownership.h). Main thread only.
#pragma once

#include <cstdint>

#include "core/value.h"
#include "functions/ds_ownership.h"

class CDS_List : public DsOwnable {
 public:
  CDS_List() = default;
  // Clears (destroying what the list owns), then frees the storage.
  virtual ~CDS_List();

  int32_t Size() const { return m_size; }
  bool Empty() const { return m_size == 0; }
  int32_t Capacity() const { return m_capacity; }

  // The element at pos, or null outside 0 to size - 1. Callers copy from it.
  RValue* GetValue(int32_t pos) { return pos >= 0 && pos < m_size ? &m_storage[pos] : nullptr; }
  const RValue* GetValue(int32_t pos) const { return pos >= 0 && pos < m_size ? &m_storage[pos] : nullptr; }

  // Appends a copy.
  void Add(const RValue* value);
  // Inserts a copy before pos; pos may be the size (append). Other positions do nothing.
  void Insert(int32_t pos, const RValue* value);
  // Stores a copy at pos, extending the list when pos is at or past the end. `old`, when given,
  // first receives a copy of the slot's previous content. A negative pos, or one that would make
  // the list longer than 2^31 - 1 elements, does nothing and leaves `old` untouched.
  void Set(int32_t pos, const RValue* value, RValue* old);
  // Replaces the element at pos (0 to size - 1) with a copy; a marked container is not destroyed.
  void Replace(int32_t pos, const RValue* value);
  // Removes the element at pos (0 to size - 1); a marked container is not destroyed.
  void Delete(int32_t pos);
  // The first position whose element compares equal (RValue_Compare at the data-structure
  // precision), or -1.
  int32_t FindIndex(const RValue* value) const;
  // Stable sort in place: ascending keeps equal elements in order, descending reverses them.
  void Sort(bool ascending);
  // 8 * size exchanges of two positions drawn from the runner's generator.
  void Shuffle();
  // Destroys the owned containers and empties the list; storage and capacity stay.
  void Clear();
  // Makes this list a copy of the source, slots past the size and marks included; null clears
  // it, and copying a list onto itself leaves it unchanged.
  void Copy(const CDS_List* source);
  // The text form: a new memory-manager text the caller frees.
  char* WriteText() const;
  // Replaces the contents (as Clear empties them) with the text's when it is a complete list
  // text; false, with the list unchanged, otherwise.
  bool ReadText(const char* text, bool olderForm);

 private:
  // Makes room for `capacity` slots; new slots hold a real 0.
  void Reserve(int32_t capacity);

  int32_t m_size = 0;
  int32_t m_capacity = 0;
  RValue* m_storage = nullptr;
};

// Makes a new empty list in the first free ds_list slot and returns its id.
int32_t DS_CreateList();
// Empties the slot of a list and destroys it; false when the id names no list.
bool DS_DestroyList(int32_t id);
