#include "functions/ds_priority.h"

#include "core/memory_manager.h"
#include "functions/ds_stack.h"
#include "functions/ds_tables.h"

namespace {

constexpr int32_t kSlotGrowth = 16;

}  // namespace

CDS_Priority::~CDS_Priority() { Clear(); }

void CDS_Priority::Add(const RValue* value, const RValue* priority) {
  if (m_count == INT32_MAX) return;
  // Either may live in this queue's storage, which growing moves.
  const RValue v = *value;
  const RValue p = *priority;
  if (m_count >= m_valueCapacity) {
    const int64_t grown = static_cast<int64_t>(m_count) + kSlotGrowth;
    const int32_t capacity = grown > INT32_MAX ? INT32_MAX : static_cast<int32_t>(grown);
    m_values = DS_GrowSlots(m_values, capacity);
    m_priorities = DS_GrowSlots(m_priorities, capacity);
    m_valueCapacity = capacity;
    m_priorityCapacity = capacity;
  }
  RValue_Assign(&m_values[m_count], &v);
  RValue_Assign(&m_priorities[m_count], &p);
  ++m_count;
}

int32_t CDS_Priority::IndexOf(const RValue* value) const {
  for (int32_t i = 0; i < m_count; ++i) {
    if (RValue_Compare(&m_values[i], value, g_DsPrecision) == 0) return i;
  }
  return -1;
}

int32_t CDS_Priority::Select(int32_t sign) const {
  if (m_count == 0) return -1;
  int32_t best = 0;
  for (int32_t i = 1; i < m_count; ++i) {
    const int32_t c = RValue_Compare(&m_priorities[i], &m_priorities[best], g_DsPrecision);
    if (sign < 0 ? c < 0 : c > 0) best = i;
  }
  return best;
}

void CDS_Priority::ChangePriority(const RValue* value, const RValue* priority) {
  const int32_t i = IndexOf(value);
  if (i >= 0) RValue_Assign(&m_priorities[i], priority);
}

RValue* CDS_Priority::FindPriority(const RValue* value) {
  const int32_t i = IndexOf(value);
  return i >= 0 ? &m_priorities[i] : nullptr;
}

RValue* CDS_Priority::FindMin() {
  const int32_t i = Select(-1);
  return i >= 0 ? &m_values[i] : nullptr;
}

RValue* CDS_Priority::FindMax() {
  const int32_t i = Select(1);
  return i >= 0 ? &m_values[i] : nullptr;
}

void CDS_Priority::DeleteValue(const RValue* value) {
  const int32_t i = IndexOf(value);
  if (i < 0) return;
  const int32_t last = m_count - 1;
  if (i != last) {
    // The last slots keep their (now duplicate) content until they are written again.
    RValue_Assign(&m_values[i], &m_values[last]);
    RValue_Assign(&m_priorities[i], &m_priorities[last]);
  } else {
    RValue_Release(&m_values[i]);
    RValue_Release(&m_priorities[i]);
  }
  m_count = last;
}

void CDS_Priority::DeleteSelected(int32_t sign, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeReal(0.0);
  const int32_t i = Select(sign);
  if (i < 0) return;
  RValue_Assign(out, &m_values[i]);
  out->kind &= MASK_KIND_RVALUE;
  RValue_Release(&m_values[i]);
  RValue_Release(&m_priorities[i]);
  const int32_t last = m_count - 1;
  // The last entry's records move into the hole (their references with them); the vacated slots
  // hold a real 0.
  m_values[i] = m_values[last];
  m_priorities[i] = m_priorities[last];
  if (i != last) {
    m_values[last] = RValue_MakeReal(0.0);
    m_priorities[last] = RValue_MakeReal(0.0);
  } else {
    m_values[i] = RValue_MakeReal(0.0);
    m_priorities[i] = RValue_MakeReal(0.0);
  }
  m_count = last;
}

void CDS_Priority::DeleteMin(RValue* out) { DeleteSelected(-1, out); }

void CDS_Priority::DeleteMax(RValue* out) { DeleteSelected(1, out); }

void CDS_Priority::Clear() {
  m_count = 0;
  DS_ReleaseSlots(m_values, 0, m_valueCapacity);
  MEM_FREE(m_values);
  m_values = nullptr;
  m_valueCapacity = 0;
  DS_ReleaseSlots(m_priorities, 0, m_priorityCapacity);
  MEM_FREE(m_priorities);
  m_priorities = nullptr;
  m_priorityCapacity = 0;
}

void CDS_Priority::Copy(const CDS_Priority* source) {
  if (source == this) return;
  if (source == nullptr) {
    Clear();
    return;
  }
  m_count = source->m_count;
  DS_CopySlots(&m_values, &m_valueCapacity, source->m_values, source->m_valueCapacity);
  DS_CopySlots(&m_priorities, &m_priorityCapacity, source->m_priorities, source->m_priorityCapacity);
}

int32_t DS_CreatePriority() { return g_DsPriorities.Create(); }
bool DS_DestroyPriority(int32_t id) { return g_DsPriorities.Destroy(id); }
