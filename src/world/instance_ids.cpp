#include "world/instance_ids.h"

#include "core/memory_manager.h"
#include "world/instance.h"

CInstanceIdTable InstanceIdTable;

CInstanceIdTable::~CInstanceIdTable() { Clear(kDisposeNone); }

void CInstanceIdTable::Insert(int32_t id, CInstance* instance) {
  auto* node = static_cast<InstanceIdNode*>(MemoryManager_Alloc(sizeof(InstanceIdNode), __FILE__, __LINE__, true));
  node->key = id;
  node->value = instance;
  Bucket& b = m_buckets[static_cast<uint32_t>(id) & kMask];
  node->previous = b.last;
  node->next = nullptr;
  if (b.last != nullptr) {
    b.last->next = node;
  } else {
    b.first = node;
  }
  b.last = node;
  ++m_count;
}

CInstance* CInstanceIdTable::Find(int32_t id) const {
  if (id < 0) return nullptr;
  for (const InstanceIdNode* n = m_buckets[static_cast<uint32_t>(id) & kMask].first; n != nullptr; n = n->next) {
    if (n->key == id) return n->value;
  }
  return nullptr;
}

void CInstanceIdTable::Unlink(Bucket& b, InstanceIdNode* node) {
  (node->previous != nullptr ? node->previous->next : b.first) = node->next;
  (node->next != nullptr ? node->next->previous : b.last) = node->previous;
  --m_count;
}

bool CInstanceIdTable::Remove(int32_t id) {
  Bucket& b = m_buckets[static_cast<uint32_t>(id) & kMask];
  for (InstanceIdNode* n = b.first; n != nullptr; n = n->next) {
    if (n->key != id) continue;
    Unlink(b, n);
    MemoryManager_Free(n);
    return true;
  }
  return false;
}

bool CInstanceIdTable::RemoveInstance(int32_t id, const CInstance* instance) {
  Bucket& b = m_buckets[static_cast<uint32_t>(id) & kMask];
  bool found = false;
  for (InstanceIdNode* n = b.first; n != nullptr;) {
    InstanceIdNode* next = n->next;
    if (n->key == id && n->value == instance) {
      Unlink(b, n);
      MemoryManager_Free(n);
      found = true;
    }
    n = next;
  }
  return found;
}

bool CInstanceIdTable::Delete(int32_t id, int32_t mode) {
  Bucket& b = m_buckets[static_cast<uint32_t>(id) & kMask];
  for (InstanceIdNode* n = b.first; n != nullptr; n = n->next) {
    if (n->key != id) continue;
    // The entry goes before the instance, whose destructor looks for its own entry.
    Unlink(b, n);
    CInstance* instance = n->value;
    MemoryManager_Free(n);
    if (mode == kDisposeDelete) delete instance;
    return true;
  }
  return false;
}

void CInstanceIdTable::Clear(int32_t mode) {
  for (int32_t i = kBucketCount - 1; i >= 0; --i) {
    Bucket& b = m_buckets[i];
    while (b.first != nullptr) {
      InstanceIdNode* n = b.first;
      Unlink(b, n);
      CInstance* instance = n->value;
      MemoryManager_Free(n);
      if (mode == kDisposeDelete) delete instance;
    }
  }
  m_count = 0;
}

void CInstanceIdTable::DeleteAllInOrder() {
  for (Bucket& b : m_buckets) {
    while (b.first != nullptr) {
      InstanceIdNode* n = b.first;
      Unlink(b, n);
      CInstance* instance = n->value;
      MemoryManager_Free(n);
      delete instance;
    }
  }
  m_count = 0;
}

CInstance* CInstanceIdTable::IterateNext(int32_t* bucket, InstanceIdNode** node) const {
  if (*node != nullptr && (*node)->next != nullptr) {
    *node = (*node)->next;
    return (*node)->value;
  }
  int32_t i = *node != nullptr ? *bucket + 1 : *bucket;
  for (; i >= 0 && i < kBucketCount; ++i) {
    if (m_buckets[i].first != nullptr) {
      *bucket = i;
      *node = m_buckets[i].first;
      return (*node)->value;
    }
  }
  *bucket = -1;
  *node = nullptr;
  return nullptr;
}

CInstance* Instance_Find(int32_t id) { return InstanceIdTable.Find(id); }

void Instances_DeleteAll() { InstanceIdTable.DeleteAllInOrder(); }
