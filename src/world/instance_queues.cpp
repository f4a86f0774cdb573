#include "world/instance_queues.h"

#include <cstring>
#include <vector>

#include "core/memory_manager.h"
#include "world/instance.h"

InstanceChangeList ObjectChangeList(kQueuedObjectChange);
InstanceChangeList DepthChangeList(kQueuedDepthChange);
InstanceChangeList Room_ActivationQueue(kQueuedActivation);

namespace {
constexpr int32_t kInitialCapacity = 32;
// Reused between applications, so a step that moves every instance does not allocate.
std::vector<CInstance*> g_unlinked;
}

InstanceChangeList::~InstanceChangeList() { MemoryManager_Free(m_items); }

void InstanceChangeList::AddUnique(CInstance* instance) {
  if (instance == nullptr || Contains(instance)) return;
  if (m_count >= m_capacity) {
    const int32_t grown = m_capacity > 0 ? m_capacity * 2 : kInitialCapacity;
    m_items = static_cast<CInstance**>(
        MemoryManager_Realloc(m_items, static_cast<size_t>(grown) * sizeof(CInstance*), __FILE__, __LINE__));
    m_capacity = grown;
  }
  m_items[m_count++] = instance;
  instance->queued_in |= m_bit;
}

bool InstanceChangeList::Contains(const CInstance* instance) const {
  return instance != nullptr && (instance->queued_in & m_bit) != 0;
}

bool InstanceChangeList::Remove(const CInstance* instance) {
  // Only a queued instance is searched for, so forgetting a deleted instance costs nothing unless
  // it is waiting in this queue.
  if (!Contains(instance)) return false;
  for (int32_t i = 0; i < m_count; ++i) {
    if (m_items[i] != instance) continue;
    m_items[i]->queued_in &= static_cast<uint8_t>(~m_bit);
    std::memmove(m_items + i, m_items + i + 1, static_cast<size_t>(m_count - i - 1) * sizeof(CInstance*));
    --m_count;
    return true;
  }
  return false;
}

void InstanceChangeList::Clear() {
  for (int32_t i = 0; i < m_count; ++i) m_items[i]->queued_in &= static_cast<uint8_t>(~m_bit);
  m_count = 0;
}

void ObjectChangeList_Apply() {
  for (int32_t i = 0; i < ObjectChangeList.Count(); ++i) ObjectChangeList.Get(i)->RelinkAfterObjectChange();
  ObjectChangeList.Clear();
}

void DepthChangeList_Apply() {
  CRoom* room = Room_Current;
  if (room != nullptr) {
    // Everything queued comes out first, then goes back in queue order: instances of equal depth
    // keep the order in which they were queued.
    std::vector<CInstance*>& unlinked = g_unlinked;
    unlinked.clear();
    for (int32_t i = 0; i < DepthChangeList.Count(); ++i) {
      CInstance* instance = DepthChangeList.Get(i);
      if (!instance->deactivated && room->active.Remove(instance)) unlinked.push_back(instance);
    }
    room->active.InsertAllByDepth(unlinked);
  }
  DepthChangeList.Clear();
}

void InstanceQueues_Clear() {
  ObjectChangeList.Clear();
  DepthChangeList.Clear();
}

void InstanceQueues_Visit(InstanceVisitor visit, void* context) {
  for (int32_t i = 0; i < ObjectChangeList.Count(); ++i) visit(ObjectChangeList.Get(i), context);
  for (int32_t i = 0; i < DepthChangeList.Count(); ++i) visit(DepthChangeList.Get(i), context);
}

void InstanceQueues_Forget(const CInstance* instance) {
  ObjectChangeList.Remove(instance);
  DepthChangeList.Remove(instance);
  Room_ActivationQueue.Remove(instance);
}
