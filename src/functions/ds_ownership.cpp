#include "functions/ds_ownership.h"

#include <algorithm>

#include "functions/ds_grid.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_priority.h"
#include "functions/ds_stack.h"
#include "functions/ds_tables.h"

namespace {

uint64_t g_nextSerial = 1;

// What a mark on a real names: for the map mark a map, for the list mark a list.
DsOwnable* Target(const RValue* value, uint32_t mark) {
  if (mark == KIND_FLAG_DSMAP) return g_DsMaps.GetByReal(value->val);
  return g_DsLists.GetByReal(value->val);
}

// A value may carry both marks; each names a container of its own kind.
constexpr uint32_t kMarks[] = {KIND_FLAG_DSMAP, KIND_FLAG_DSLIST};

}  // namespace

DsOwnable::DsOwnable() : m_serial(g_nextSerial++) {}

bool DsOwnable::ListsHolder(uint64_t holder) const {
  return std::find(m_holders.begin(), m_holders.end(), holder) != m_holders.end();
}

void DsOwnable::DropHolder(uint64_t holder) {
  auto it = std::find(m_holders.begin(), m_holders.end(), holder);
  if (it == m_holders.end()) return;
  *it = m_holders.back();
  m_holders.pop_back();
}

void DS_RecordMark(uint64_t holder, const RValue* value, uint32_t flag) {
  if ((value->kind & 0xFFFFu) != 0) return;
  if (DsOwnable* target = Target(value, flag)) target->AddHolder(holder);
}

void DS_DropMark(uint64_t holder, const RValue* value) {
  if (!DS_IsMarked(value)) return;
  for (uint32_t mark : kMarks) {
    if ((value->kind & mark) == 0) continue;
    if (DsOwnable* target = Target(value, mark)) target->DropHolder(holder);
  }
}

void DS_ReleaseOwned(uint64_t holder, const RValue* value) {
  if (!DS_IsMarked(value)) return;
  // Both marks are honoured when a value carries both: each was set by a marking, and leaving
  // either container alive would lose it.
  for (uint32_t mark : kMarks) {
    if ((value->kind & mark) == 0) continue;
    DsOwnable* target = Target(value, mark);
    if (target == nullptr || !target->ListsHolder(holder)) continue;
    if (target->Clearing()) {
      target->DropHolder(holder);
      continue;
    }
    const int32_t id = static_cast<int32_t>(value->val);
    if (mark == KIND_FLAG_DSMAP) {
      DS_DestroyMap(id);
    } else {
      DS_DestroyList(id);
    }
  }
}

void DS_FreeAll() {
  for (int32_t id = 0; id < g_DsLists.Count(); ++id) DS_DestroyList(id);
  for (int32_t id = 0; id < g_DsMaps.Count(); ++id) DS_DestroyMap(id);
  for (int32_t id = 0; id < g_DsStacks.Count(); ++id) DS_DestroyStack(id);
  for (int32_t id = 0; id < g_DsQueues.Count(); ++id) DS_DestroyQueue(id);
  for (int32_t id = 0; id < g_DsPriorities.Count(); ++id) DS_DestroyPriority(id);
  for (int32_t id = 0; id < g_DsGrids.Count(); ++id) DS_DestroyGrid(id);
  // Destroying a container only destroys others and never makes one, so one pass over each
  // table leaves it empty.
  g_DsLists.FreeEmpty();
  g_DsMaps.FreeEmpty();
  g_DsStacks.FreeEmpty();
  g_DsQueues.FreeEmpty();
  g_DsPriorities.FreeEmpty();
  g_DsGrids.FreeEmpty();
}
