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
  // Entries of one id share a bucket, so the tail of the bucket is the tail of the id's entries.
  node->sameIdNext = nullptr;
  const auto [at, added] = m_byId.try_emplace(id, SameId{node, node});
  node->sameIdPrevious = added ? nullptr : at->second.last;
  if (!added) {
    at->second.last->sameIdNext = node;
    at->second.last = node;
  }
  ++m_count;
}

CInstance* CInstanceIdTable::Find(int32_t id) const {
  if (id < 0) return nullptr;
  const auto found = m_byId.find(id);
  return found != m_byId.end() ? found->second.first->value : nullptr;
}

void CInstanceIdTable::Unlink(Bucket& b, InstanceIdNode* node) {
  (node->previous != nullptr ? node->previous->next : b.first) = node->next;
  (node->next != nullptr ? node->next->previous : b.last) = node->previous;
  if (node->sameIdPrevious == nullptr && node->sameIdNext == nullptr) {
    m_byId.erase(node->key);
  } else {
    SameId& same = m_byId.find(node->key)->second;
    (node->sameIdPrevious != nullptr ? node->sameIdPrevious->sameIdNext : same.first) = node->sameIdNext;
    (node->sameIdNext != nullptr ? node->sameIdNext->sameIdPrevious : same.last) = node->sameIdPrevious;
  }
  --m_count;
}

bool CInstanceIdTable::Remove(int32_t id) {
  const auto found = m_byId.find(id);
  if (found == m_byId.end()) return false;
  InstanceIdNode* n = found->second.first;
  Unlink(m_buckets[static_cast<uint32_t>(id) & kMask], n);
  MemoryManager_Free(n);
  return true;
}

bool CInstanceIdTable::RemoveInstance(int32_t id, const CInstance* instance) {
  const auto found = m_byId.find(id);
  if (found == m_byId.end()) return false;
  Bucket& b = m_buckets[static_cast<uint32_t>(id) & kMask];
  bool removed = false;
  for (InstanceIdNode* n = found->second.first; n != nullptr;) {
    InstanceIdNode* next = n->sameIdNext;
    if (n->value == instance) {
      Unlink(b, n);
      MemoryManager_Free(n);
      removed = true;
    }
    n = next;
  }
  return removed;
}

bool CInstanceIdTable::Delete(int32_t id, int32_t mode) {
  const auto found = m_byId.find(id);
  if (found == m_byId.end()) return false;
  InstanceIdNode* n = found->second.first;
  // The entry goes before the instance, whose destructor looks for its own entry.
  Unlink(m_buckets[static_cast<uint32_t>(id) & kMask], n);
  CInstance* instance = n->value;
  MemoryManager_Free(n);
  if (mode == kDisposeDelete) delete instance;
  return true;
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
