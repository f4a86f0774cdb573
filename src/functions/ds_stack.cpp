#include "functions/ds_stack.h"

#include "core/memory_manager.h"
#include "functions/ds_tables.h"

namespace {

constexpr int32_t kSlotGrowth = 16;

// count + 16, held to the largest slot count a 32-bit capacity can name.
int32_t GrownCapacity(int32_t count) {
  const int64_t capacity = static_cast<int64_t>(count) + kSlotGrowth;
  return capacity > INT32_MAX ? INT32_MAX : static_cast<int32_t>(capacity);
}

// Stores a copy of the value in slot `index`, the next free one, growing the storage by 16 slots
// when it is full; false, storing nothing, when the index is the last a 32-bit count can name.
bool StoreAt(RValue** storage, int32_t* capacity, int32_t index, const RValue* value) {
  if (index == INT32_MAX) return false;
  // The value may live in this storage, which growing moves: its record is held here and the
  // copy's references are taken after the move.
  const RValue source = *value;
  if (index >= *capacity) {
    *capacity = GrownCapacity(index);
    *storage = DS_GrowSlots(*storage, *capacity);
  }
  RValue_Assign(&(*storage)[index], &source);
  return true;
}

}  // namespace

RValue* DS_GrowSlots(RValue* storage, int64_t capacity) {
  if (capacity <= 0) return storage;
  // A request past what a signed 64-bit size holds is made as the largest one, which still
  // reaches the memory manager's out-of-memory path instead of wrapping into a small block.
  constexpr uint64_t kLargest = INT64_MAX;
  const uint64_t slots = static_cast<uint64_t>(capacity);
  const size_t bytes = slots > kLargest / sizeof(RValue) ? kLargest : static_cast<size_t>(slots * sizeof(RValue));
  return static_cast<RValue*>(MEM_REALLOC(storage, bytes));
}

void DS_ReleaseSlots(RValue* storage, int64_t from, int64_t to) {
  for (int64_t i = from; i < to; ++i) RValue_Release(&storage[i]);
}

void DS_CopySlots(RValue** storage, int32_t* capacity, const RValue* source, int32_t sourceCapacity) {
  // Every slot held goes, also those past a smaller source's capacity.
  DS_ReleaseSlots(*storage, 0, *capacity);
  *storage = DS_GrowSlots(*storage, sourceCapacity);
  *capacity = sourceCapacity;
  for (int32_t i = 0; i < sourceCapacity; ++i) RValue_Assign(&(*storage)[i], &source[i]);
}

// --- stack ---------------------------------------------------------------------------------------

CDS_Stack::~CDS_Stack() { Clear(); }

void CDS_Stack::Push(const RValue* value) {
  if (StoreAt(&m_storage, &m_capacity, m_count, value)) ++m_count;
}

RValue* CDS_Stack::Pop() {
  if (m_count == 0) return nullptr;
  --m_count;
  return &m_storage[m_count];
}

RValue* CDS_Stack::Top() { return m_count == 0 ? nullptr : &m_storage[m_count - 1]; }

void CDS_Stack::Clear() {
  // Popped values stay above the count; they go too.
  DS_ReleaseSlots(m_storage, 0, m_capacity);
  m_count = 0;
  m_capacity = 0;
  MEM_FREE(m_storage);
  m_storage = nullptr;
}

void CDS_Stack::Copy(const CDS_Stack* source) {
  if (source == this) return;
  if (source == nullptr) {
    Clear();
    return;
  }
  DS_CopySlots(&m_storage, &m_capacity, source->m_storage, source->m_capacity);
  m_count = source->m_count;
}

// --- queue ---------------------------------------------------------------------------------------

CDS_Queue::~CDS_Queue() {
  Clear();
  MEM_FREE(m_storage);
}

void CDS_Queue::Enqueue(const RValue* value) {
  if (StoreAt(&m_storage, &m_capacity, m_end, value)) ++m_end;
}

RValue* CDS_Queue::Dequeue() {
  if (m_start == m_end) return nullptr;
  const int32_t head = m_start;
  ++m_start;
  if (m_start > kSlotGrowth && m_end / 2 < m_start) {
    // The live values end below the head's slot, so the value handed back stays where it is.
    const int32_t size = m_end - m_start;
    for (int32_t i = 0; i < size; ++i) RValue_Assign(&m_storage[i], &m_storage[m_start + i]);
    m_end = size;
    m_start = 0;
  }
  return &m_storage[head];
}

RValue* CDS_Queue::Head() { return m_start == m_end ? nullptr : &m_storage[m_start]; }

RValue* CDS_Queue::Tail() { return m_start == m_end ? nullptr : &m_storage[m_end - 1]; }

void CDS_Queue::Clear() {
  m_end = 0;
  m_start = 0;
  DS_ReleaseSlots(m_storage, 0, m_capacity);
  m_capacity = 0;
}

void CDS_Queue::Copy(const CDS_Queue* source) {
  if (source == this) return;
  if (source == nullptr) {
    Clear();
    return;
  }
  DS_CopySlots(&m_storage, &m_capacity, source->m_storage, source->m_capacity);
  m_end = source->m_end;
  m_start = source->m_start;
}

// --- ids -----------------------------------------------------------------------------------------

int32_t DS_CreateStack() { return g_DsStacks.Create(); }
int32_t DS_CreateQueue() { return g_DsQueues.Create(); }
bool DS_DestroyStack(int32_t id) { return g_DsStacks.Destroy(id); }
bool DS_DestroyQueue(int32_t id) { return g_DsQueues.Destroy(id); }
