#include "functions/ds_map.h"

#include <cstring>

#include "core/crc32.h"
#include "core/memory_manager.h"
#include "core/value_text.h"
#include "functions/ds_tables.h"

namespace {

// FindNext and FindPrevious match keys exactly, not within the math epsilon.
bool SameKey(const RValue* stored, const RValue* key) {
  if (RValue_Kind(stored) != key->kind) return false;
  switch (key->kind) {
    case VALUE_REAL: return stored->val == key->val;
    case VALUE_INT64: return stored->v64 == key->v64;
    case VALUE_STRING: {
      const SharedString* a = stored->pString;
      const SharedString* b = key->pString;
      if (a == nullptr || b == nullptr || a->length != b->length) return false;
      return a->length == 0 || (a->text != nullptr && b->text != nullptr &&
                                std::memcmp(a->text, b->text, static_cast<size_t>(a->length)) == 0);
    }
    default: return false;
  }
}

}  // namespace

uint32_t CDS_Map::Hash(const RValue* key) {
  if (key->kind == VALUE_STRING) return CRC32_String(key->pString != nullptr ? key->pString->text : nullptr);
  return CRC32_Bytes(&key->v64, sizeof(key->v64));
}

CDS_Map::CDS_Map(int32_t buckets) {
  if (buckets < 1) buckets = kDefaultBuckets;
  m_buckets = static_cast<Bucket*>(MEM_ALLOC(sizeof(Bucket) * static_cast<size_t>(buckets)));
  m_mask = buckets - 1;
}

CDS_Map::~CDS_Map() {
  Clear();
  MEM_FREE(m_buckets);
}

CDS_Map::Node* CDS_Map::FindNode(const RValue* key, uint32_t hash) const {
  for (Node* n = m_buckets[hash & static_cast<uint32_t>(m_mask)].first; n != nullptr; n = n->next) {
    if (n->hash == hash && RValue_Equals(&n->entry.key, key)) return n;
  }
  return nullptr;
}

CDS_MapEntry* CDS_Map::Find(const RValue* key) const {
  Node* n = FindNode(key, Hash(key));
  return n != nullptr ? &n->entry : nullptr;
}

void CDS_Map::Insert(const RValue* key, const RValue* value, uint32_t hash) {
  Node* n = static_cast<Node*>(MEM_ALLOC_RAW(sizeof(Node)));
  Bucket& bucket = m_buckets[hash & static_cast<uint32_t>(m_mask)];
  n->previous = bucket.last;
  n->next = nullptr;
  n->hash = hash;
  n->entry.key = RValue_MakeUndefined();
  n->entry.value = RValue_MakeUndefined();
  RValue_Assign(&n->entry.key, key);
  RValue_Assign(&n->entry.value, value);
  if (bucket.last != nullptr) bucket.last->next = n; else bucket.first = n;
  bucket.last = n;
  ++m_count;
}

void CDS_Map::StoreValue(CDS_MapEntry* entry, const RValue* value) {
  DS_DropMark(Serial(), &entry->value);
  RValue_Assign(&entry->value, value);
}

bool CDS_Map::Add(const RValue* key, const RValue* value) {
  const uint32_t hash = Hash(key);
  if (FindNode(key, hash) != nullptr) return false;
  Insert(key, value, hash);
  return true;
}

void CDS_Map::Set(const RValue* key, const RValue* value, RValue* previous) {
  const uint32_t hash = Hash(key);
  Node* n = FindNode(key, hash);
  if (n == nullptr) {
    Insert(key, value, hash);
    if (previous != nullptr) RValue_Assign(previous, value);
    return;
  }
  // The new value is held before `previous` or the entry let go of theirs: they may share it.
  RValue copy = RValue_MakeUndefined();
  RValue_Assign(&copy, value);
  if (previous != nullptr) RValue_Assign(previous, &n->entry.value);
  DS_DropMark(Serial(), &n->entry.value);
  RValue_Release(&n->entry.value);
  DS_Adopt(&n->entry.value, &copy);
}

bool CDS_Map::Replace(const RValue* key, const RValue* value) {
  const uint32_t hash = Hash(key);
  Node* n = FindNode(key, hash);
  if (n == nullptr) {
    Insert(key, value, hash);
    return false;
  }
  StoreValue(&n->entry, value);
  return true;
}

bool CDS_Map::Delete(const RValue* key) {
  const uint32_t hash = Hash(key);
  Node* n = FindNode(key, hash);
  if (n == nullptr) return false;
  Bucket& bucket = m_buckets[hash & static_cast<uint32_t>(m_mask)];
  if (n->previous != nullptr) n->previous->next = n->next; else bucket.first = n->next;
  if (n->next != nullptr) n->next->previous = n->previous; else bucket.last = n->previous;
  DS_DropMark(Serial(), &n->entry.value);
  RValue_Release(&n->entry.key);
  RValue_Release(&n->entry.value);
  MEM_FREE(n);
  --m_count;
  return true;
}

CDS_Map::Node* CDS_Map::FirstNode() const {
  for (int32_t b = 0; b <= m_mask; ++b) {
    if (m_buckets[b].first != nullptr) return m_buckets[b].first;
  }
  return nullptr;
}

const RValue* CDS_Map::FindFirst() const {
  const Node* n = FirstNode();
  return n != nullptr ? &n->entry.key : nullptr;
}

const RValue* CDS_Map::FindLast() const {
  for (int32_t b = m_mask; b >= 0; --b) {
    if (m_buckets[b].last != nullptr) return &m_buckets[b].last->entry.key;
  }
  return nullptr;
}

const RValue* CDS_Map::FindNext(const RValue* key) const {
  bool matched = false;
  const RValue* next = nullptr;
  ForEach([&](const CDS_MapEntry& entry) {
    if (matched) {
      if (next == nullptr) next = &entry.key;
    } else {
      matched = SameKey(&entry.key, key);
    }
  });
  return next;
}

const RValue* CDS_Map::FindPrevious(const RValue* key) const {
  const RValue* before = nullptr;
  bool matched = false;
  const RValue* result = nullptr;
  ForEach([&](const CDS_MapEntry& entry) {
    if (matched) return;
    if (SameKey(&entry.key, key)) {
      matched = true;
      result = before;
    }
    before = &entry.key;
  });
  return result;
}

void CDS_Map::RemoveAll() {
  for (int32_t b = m_mask; b >= 0; --b) {
    Node* n = m_buckets[b].first;
    while (n != nullptr) {
      Node* next = n->next;
      DS_DropMark(Serial(), &n->entry.value);
      RValue_Release(&n->entry.key);
      RValue_Release(&n->entry.value);
      MEM_FREE(n);
      n = next;
    }
    m_buckets[b].first = nullptr;
    m_buckets[b].last = nullptr;
  }
  m_count = 0;
}

void CDS_Map::Clear() {
  const bool wasClearing = m_clearing;
  m_clearing = true;
  ForEach([this](const CDS_MapEntry& entry) { DS_ReleaseOwned(Serial(), &entry.value); });
  RemoveAll();
  m_clearing = wasClearing;
}

void CDS_Map::Copy(const CDS_Map* source) {
  if (source == this || source == nullptr) return;
  RemoveAll();
  source->ForEach([this](const CDS_MapEntry& entry) { Insert(&entry.key, &entry.value, Hash(&entry.key)); });
}

bool CDS_Map::AddPair(const char* key, double number, const char* text) {
  RValue k = RValue_MakeUndefined();
  RValue v = RValue_MakeReal(number);
  RValue_SetString(&k, key);
  if (text != nullptr) RValue_SetString(&v, text);
  const bool added = Add(&k, &v);
  RValue_Release(&k);
  RValue_Release(&v);
  return added;
}

int32_t DS_CreateMap(int32_t buckets) {
  const int32_t id = g_DsMaps.Allocate();
  g_DsMaps.Store(id, new CDS_Map(buckets));
  return id;
}

bool DS_DestroyMap(int32_t id) {
  CDS_Map* map = g_DsMaps.Take(id);
  delete map;
  return map != nullptr;
}
