#include "functions/ds_list.h"

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <utility>

#include "core/memory_manager.h"
#include "functions/ds_tables.h"
#include "functions/random.h"

namespace {

constexpr int32_t kInsertGrowth = 16;
constexpr int32_t kAddSmallGrowth = 16;
constexpr int32_t kAddLargeFrom = 128;  // from this capacity on, Add grows by an eighth

// size + step, held to the largest position count a list can have.
int32_t GrownCapacity(int32_t size, int32_t step) {
  const int64_t capacity = static_cast<int64_t>(size) + step;
  return capacity > INT32_MAX ? INT32_MAX : static_cast<int32_t>(capacity);
}

// Releases a slot's value without acting on its marks beyond dropping the holder's record.
void ReleaseKeepingOwned(uint64_t holder, RValue* slot) {
  DS_DropMark(holder, slot);
  RValue_Release(slot);
}

static_assert(std::is_trivially_copyable_v<RValue>, "the sort moves whole records");

constexpr int64_t kSortRun = 24;

// The stable ascending insertion sort that orders a list, in n log n comparisons: runs of
// kSortRun elements are insertion-sorted exactly so, then merged pairwise. A merge takes the
// right-hand element first only when the left-hand one compares greater, which is the insertion
// sort's own test, so equal elements keep their order.
void SortLikeInsertion(RValue* v, int32_t size, double epsilon) {
  const int64_t n = size;
  for (int64_t start = 0; start < n; start += kSortRun) {
    const int64_t end = std::min(n, start + kSortRun);
    for (int64_t i = start + 1; i < end; ++i) {
      for (int64_t j = i; j > start && RValue_Compare(&v[j - 1], &v[j], epsilon) > 0; --j) {
        std::swap(v[j - 1], v[j]);
      }
    }
  }
  if (n <= kSortRun) return;
  RValue* buffer = static_cast<RValue*>(MEM_ALLOC_RAW(sizeof(RValue) * static_cast<size_t>(n)));
  RValue* from = v;
  RValue* to = buffer;
  for (int64_t width = kSortRun; width < n; width *= 2) {
    for (int64_t lo = 0; lo < n; lo += 2 * width) {
      const int64_t mid = std::min(n, lo + width);
      const int64_t hi = std::min(n, lo + 2 * width);
      int64_t i = lo;
      int64_t j = mid;
      int64_t k = lo;
      while (i < mid && j < hi) to[k++] = RValue_Compare(&from[i], &from[j], epsilon) > 0 ? from[j++] : from[i++];
      while (i < mid) to[k++] = from[i++];
      while (j < hi) to[k++] = from[j++];
    }
    std::swap(from, to);
  }
  if (from != v) std::memcpy(v, from, sizeof(RValue) * static_cast<size_t>(n));
  MEM_FREE(buffer);
}

}  // namespace

CDS_List::~CDS_List() {
  Clear();
  MEM_FREE(m_storage);
}

void CDS_List::Reserve(int32_t capacity) {
  if (capacity <= m_capacity) return;
  // The memory manager hands grown blocks back zero-filled past the old contents: a real 0.
  m_storage = static_cast<RValue*>(MEM_REALLOC(m_storage, sizeof(RValue) * static_cast<size_t>(capacity)));
  m_capacity = capacity;
}

void CDS_List::Add(const RValue* value) {
  if (m_size == INT32_MAX) return;
  // The value may live in this list's storage, which growing or shifting moves: its record is
  // held here (the moved slot keeps the references) and the copy's are taken after the move.
  const RValue source = *value;
  if (m_size >= m_capacity) {
    Reserve(GrownCapacity(m_size, m_capacity >= kAddLargeFrom ? m_capacity / 8 : kAddSmallGrowth));
  }
  RValue_Assign(&m_storage[m_size], &source);
  ++m_size;
}

void CDS_List::Insert(int32_t pos, const RValue* value) {
  if (pos < 0 || pos > m_size || m_size == INT32_MAX) return;
  const RValue source = *value;
  if (m_size >= m_capacity) Reserve(GrownCapacity(m_size, kInsertGrowth));
  // A block move of the records: the moved values keep their references.
  std::memmove(&m_storage[pos + 1], &m_storage[pos], sizeof(RValue) * static_cast<size_t>(m_size - pos));
  m_storage[pos] = RValue_MakeReal(0.0);
  RValue_Assign(&m_storage[pos], &source);
  ++m_size;
}

void CDS_List::Set(int32_t pos, const RValue* value, RValue* old) {
  if (pos < 0 || pos == INT32_MAX) return;
  const RValue source = *value;
  if (pos >= m_size) m_size = pos + 1;
  if (m_size >= m_capacity) Reserve(GrownCapacity(m_size, kInsertGrowth));
  RValue* slot = &m_storage[pos];
  // The new value's references are taken before `old` or the slot lets go of theirs: all three
  // may share a record.
  RValue copy = RValue_MakeUndefined();
  RValue_Assign(&copy, &source);
  if (old != nullptr) RValue_Assign(old, slot);
  ReleaseKeepingOwned(Serial(), slot);
  DS_Adopt(slot, &copy);
}

void CDS_List::Replace(int32_t pos, const RValue* value) {
  RValue* slot = GetValue(pos);
  if (slot == nullptr) return;
  DS_DropMark(Serial(), slot);
  RValue_Assign(slot, value);
}

void CDS_List::Delete(int32_t pos) {
  RValue* slot = GetValue(pos);
  if (slot == nullptr) return;
  ReleaseKeepingOwned(Serial(), slot);
  std::memmove(slot, slot + 1, sizeof(RValue) * static_cast<size_t>(m_size - pos - 1));
  --m_size;
  m_storage[m_size] = RValue_MakeReal(0.0);
}

int32_t CDS_List::FindIndex(const RValue* value) const {
  for (int32_t i = 0; i < m_size; ++i) {
    if (RValue_Compare(&m_storage[i], value, g_DsPrecision) == 0) return i;
  }
  return -1;
}

void CDS_List::Sort(bool ascending) {
  if (m_size < 2) return;
  SortLikeInsertion(m_storage, m_size, g_DsPrecision);
  // The descending insertion sort moves an element down past every predecessor that compares
  // smaller or equal: the ascending order reversed, equal elements included.
  if (!ascending) std::reverse(m_storage, m_storage + m_size);
}

void CDS_List::Shuffle() {
  const int64_t exchanges = 8 * static_cast<int64_t>(m_size);
  for (int64_t n = 0; n < exchanges; ++n) {
    const uint32_t p = Random_Int(m_size);
    const uint32_t q = Random_Int(m_size);
    std::swap(m_storage[p], m_storage[q]);
  }
}

void CDS_List::Clear() {
  const bool wasClearing = m_clearing;
  m_clearing = true;
  for (int32_t i = 0; i < m_size; ++i) {
    RValue* slot = &m_storage[i];
    DS_ReleaseOwned(Serial(), slot);
    slot->kind &= 0xFFFFu;
    RValue_Release(slot);
  }
  m_size = 0;
  m_clearing = wasClearing;
}

void CDS_List::Copy(const CDS_List* source) {
  if (source == this) return;
  if (source == nullptr) {
    Clear();
    return;
  }
  // Every slot this list has goes, also those past a smaller source's capacity.
  for (int32_t i = 0; i < m_capacity; ++i) ReleaseKeepingOwned(Serial(), &m_storage[i]);
  Reserve(source->m_capacity);
  m_capacity = source->m_capacity;
  for (int32_t i = 0; i < m_capacity; ++i) RValue_Assign(&m_storage[i], &source->m_storage[i]);
  m_size = source->m_size;
}

int32_t DS_CreateList() {
  const int32_t id = g_DsLists.Allocate();
  g_DsLists.Store(id, new CDS_List());
  return id;
}

bool DS_DestroyList(int32_t id) {
  CDS_List* list = g_DsLists.Take(id);
  delete list;
  return list != nullptr;
}
