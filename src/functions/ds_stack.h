// The stack and the queue behind ds_stack and ds_queue ids.
//
// Both keep their values in one growable array of slots that grows 16 slots at a time. Removed
// values stay in their slots until the slots are written again (the queue's text form shows
// them); a queue advances its start and moves its live values to the front only once more than
// 16 slots and more than half of its used range lie before the start. Slots at or past the
// capacity never hold a reference, so releasing the slots below the capacity releases the whole
// block. Main thread only.
#pragma once

#include <cstdint>

#include "core/value.h"

class CDS_Stack {
 public:
  CDS_Stack() = default;
  CDS_Stack(const CDS_Stack&) = delete;
  CDS_Stack& operator=(const CDS_Stack&) = delete;
  // Clear.
  virtual ~CDS_Stack();

  int32_t Size() const { return m_count; }
  bool Empty() const { return m_count == 0; }
  int32_t Capacity() const { return m_capacity; }

  // Adds a copy on top.
  void Push(const RValue* value);
  // The top value, removed from the stack but left in its slot (copy it at once); null when
  // empty.
  RValue* Pop();
  // The top value, or null when empty.
  RValue* Top();
  // Releases every slot and frees the storage.
  void Clear();
  // Makes this stack a copy of the source (capacity and the slots above the top included); null
  // clears it, and copying a stack onto itself leaves it unchanged.
  void Copy(const CDS_Stack* source);
  // The text form: a new memory-manager text the caller frees.
  char* WriteText() const;
  // Replaces the contents with the text's when it is a complete stack text; false, with the stack
  // unchanged, otherwise.
  bool ReadText(const char* text, bool olderForm);

 private:
  int32_t m_count = 0;
  int32_t m_capacity = 0;
  RValue* m_storage = nullptr;
};

class CDS_Queue {
 public:
  CDS_Queue() = default;
  CDS_Queue(const CDS_Queue&) = delete;
  CDS_Queue& operator=(const CDS_Queue&) = delete;
  // Clear, then frees the storage.
  virtual ~CDS_Queue();

  int32_t Size() const { return m_end - m_start; }
  bool Empty() const { return m_end == m_start; }
  int32_t Start() const { return m_start; }
  int32_t End() const { return m_end; }
  int32_t Capacity() const { return m_capacity; }
  // Storage slot i (0 <= i < capacity), element or not.
  const RValue* Slot(int32_t i) const { return &m_storage[i]; }

  // Adds a copy at the end.
  void Enqueue(const RValue* value);
  // The head value, removed from the queue but left in its slot (copy it at once); null when
  // empty.
  RValue* Dequeue();
  RValue* Head();
  RValue* Tail();
  // Releases every slot (each left undefined) and empties the queue; the storage stays.
  void Clear();
  // Makes this queue a copy of the source, every storage slot included; null clears it, and
  // copying a queue onto itself leaves it unchanged.
  void Copy(const CDS_Queue* source);
  char* WriteText() const;
  bool ReadText(const char* text, bool olderForm);

 private:
  int32_t m_end = 0;
  int32_t m_start = 0;
  int32_t m_capacity = 0;
  RValue* m_storage = nullptr;
};

// Makes a new empty stack or queue in the first free slot of its table and returns its id.
int32_t DS_CreateStack();
int32_t DS_CreateQueue();
// Empties the slot and destroys the container; false when the id names none.
bool DS_DestroyStack(int32_t id);
bool DS_DestroyQueue(int32_t id);

// Storage of `count` value slots grown to `capacity`: the block is reallocated when it must grow
// (added slots are real 0) and kept, contents and all, when it already holds that many.
RValue* DS_GrowSlots(RValue* storage, int64_t capacity);
// Releases the `capacity` slots held, then holds copies of the source's slots and its capacity.
void DS_CopySlots(RValue** storage, int32_t* capacity, const RValue* source, int32_t sourceCapacity);
// Releases slots [from, to).
void DS_ReleaseSlots(RValue* storage, int64_t from, int64_t to);
