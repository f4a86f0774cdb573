// Data-structure ids and the one value comparison of containers and compiled code.
//
// Scripts hold a container by id: a slot number in the table of its kind, so a list and a map may
// both be id 0. A table owns what its slots point at; a destroyed container's slot is handed out
// again, lowest first, by the next create of that kind. Main thread only.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "core/memory_manager.h"

struct RValue;
class CDS_Map;
class CDS_List;
class CDS_Stack;
class CDS_Queue;
class CDS_Priority;
class CDS_Grid;

// Kind codes, as the built-in constants give them and as ds_exists takes them.
enum : int32_t {
  kDsTypeMap = 1,
  kDsTypeList = 2,
  kDsTypeStack = 3,
  kDsTypeQueue = 4,
  kDsTypeGrid = 5,
  kDsTypePriority = 6,
};

inline constexpr int32_t kDsTableGrowth = 16;

template <typename T>
class DsTable {
 public:
  DsTable() = default;
  DsTable(const DsTable&) = delete;
  DsTable& operator=(const DsTable&) = delete;

  // The container of an id, or null for an id outside the table or an emptied slot.
  T* Get(int32_t id) const { return id >= 0 && id < m_count ? m_items[id] : nullptr; }
  // The id a marked value holds: its real truncated toward zero. Null for a value that is not a
  // finite number naming an occupied slot.
  T* GetByReal(double id) const {
    return std::isfinite(id) && id > -1.0 && id < static_cast<double>(m_count) ? m_items[static_cast<int32_t>(id)]
                                                                                 : nullptr;
  }
  bool InRange(int32_t id) const { return id >= 0 && id < m_count; }
  int32_t Count() const { return m_count; }
  int32_t Capacity() const { return m_capacity; }
  // The live slot array, Count() slots (null for an empty one); the next Allocate may move it.
  T* const* Items() const { return m_items; }

  // The first empty slot, else a new one at the end (the item array grows 16 slots at a time).
  // The caller stores the new container in it.
  int32_t Allocate() {
    // Every slot below the hint is occupied, so the scan starts there: filling a table of n
    // containers (a decoded JSON text makes one per object and array) stays linear, not n^2.
    for (int32_t id = m_lowestFree; id < m_count; ++id) {
      if (m_items[id] == nullptr) {
        m_lowestFree = id;
        return id;
      }
    }
    m_lowestFree = m_count;
    if (m_count >= m_capacity) {
      const int32_t capacity = m_count + kDsTableGrowth;
      m_items = static_cast<T**>(MEM_REALLOC(m_items, sizeof(T*) * static_cast<size_t>(capacity)));
      for (int32_t id = m_capacity; id < capacity; ++id) m_items[id] = nullptr;
      m_capacity = capacity;
    }
    return m_count++;
  }
  void Store(int32_t id, T* container) {
    m_items[id] = container;
    if (container == nullptr) m_lowestFree = std::min(m_lowestFree, id);
  }
  // The first free slot (taken first) then a new container made with the arguments in it; its
  // id.
  template <typename... Args>
  int32_t Create(Args... args) {
    const int32_t id = Allocate();
    Store(id, new T(args...));
    return id;
  }
  // Empties the slot and deletes what it held; false when the id named nothing.
  bool Destroy(int32_t id) {
    T* container = Take(id);
    delete container;
    return container != nullptr;
  }
  // Empties the slot and hands back what it held (null when nothing): the caller deletes it, so
  // that nothing finds the container by id while its destructor runs.
  T* Take(int32_t id) {
    T* container = Get(id);
    if (container != nullptr) {
      m_items[id] = nullptr;
      m_lowestFree = std::min(m_lowestFree, id);
    }
    return container;
  }
  // Frees the item array once every slot has been emptied (teardown); ids start from 0 again.
  void FreeEmpty() {
    MEM_FREE(m_items);
    m_items = nullptr;
    m_capacity = 0;
    m_count = 0;
    m_lowestFree = 0;
  }

 private:
  int32_t m_capacity = 0;
  T** m_items = nullptr;
  int32_t m_count = 0;
  int32_t m_lowestFree = 0;  // no slot below it is empty
};

extern DsTable<CDS_Map> g_DsMaps;
extern DsTable<CDS_List> g_DsLists;
extern DsTable<CDS_Stack> g_DsStacks;
extern DsTable<CDS_Queue> g_DsQueues;
extern DsTable<CDS_Priority> g_DsPriorities;
extern DsTable<CDS_Grid> g_DsGrids;

// Whether an id names an existing structure of the kind code (0 for an unknown code).
bool DS_Exists(int32_t id, int32_t kind);

// The tolerance containers pass to RValue_Compare; 0.00000001 at start.
extern double g_DsPrecision;
// Sets the data-structure precision to |x|.
void DS_SetPrecision(double x);

// Three-way comparison: -1 when a orders before b, 0 when equal, 1 when after. Reals and bools
// compare in single precision within epsilon (an exact difference of 0 is equal at any epsilon);
// integers compare exactly (a real beyond the integer's range orders past every integer on its
// side); strings byte by byte; reals order before every non-number; pairs without an order
// (arrays, script objects, a string and undefined, ...) give 1 both ways.
int32_t RValue_Compare(const RValue* a, const RValue* b, double epsilon);
