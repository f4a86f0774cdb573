#include "functions/ds_map.h"

#include <emmintrin.h>

#include <bit>
#include <cstdarg>
#include <cstring>

#include "core/crc32.h"
#include "core/memory_manager.h"
#include "core/value_text.h"
#include "functions/ds_tables.h"

namespace {

constexpr int32_t kFirstBucketCapacity = 4;

bool HashedOffText(const RValue* key) { return RValue_Kind(key) == VALUE_STRING && key->kind != VALUE_STRING; }

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
  if (buckets > kMaxBuckets) buckets = kMaxBuckets;
  m_buckets = static_cast<Bucket*>(MEM_ALLOC(sizeof(Bucket) * static_cast<size_t>(buckets)));
  m_mask = buckets - 1;
}

CDS_Map::~CDS_Map() {
  Clear();
  MEM_FREE(m_buckets);
}

namespace {

// RValue_Equals with the common case, two strings, decided here without a call.
inline bool KeyEquals(const RValue* stored, const RValue* key) {
  if (key->kind == VALUE_STRING && stored->kind == VALUE_STRING) {
    const SharedString* x = stored->pString;
    const SharedString* y = key->pString;
    if (x == y) return true;
    if (x == nullptr || y == nullptr || x->length != y->length) return false;
    if (x->length == 0) return true;
    return x->text != nullptr && y->text != nullptr &&
           std::memcmp(x->text, y->text, static_cast<size_t>(x->length)) == 0;
  }
  return RValue_Equals(stored, key);
}

}  // namespace

// A bucket holds a few dozen keys once a map has many more keys than buckets: their hashes are
// compared four at a time. The hash area spans `capacity` words, a power of two from 4, and the
// words past `count` are kept zero, so whole groups of four stay inside the block.
int32_t CDS_Map::IndexIn(const Bucket& bucket, const RValue* key, uint32_t hash) const {
  const int32_t count = bucket.count;
  if (count == 0) return -1;
  const uint32_t* hashes = bucket.Hashes();
  CDS_MapEntry* const* entries = bucket.entries;
  const __m128i wanted = _mm_set1_epi32(static_cast<int32_t>(hash));
  for (int32_t group = 0; group < count; group += 4) {
    const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hashes + group));
    uint32_t hits = static_cast<uint32_t>(_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(four, wanted))));
    if (count - group < 4) hits &= (1u << (count - group)) - 1;
    while (hits != 0) {
      const int32_t i = group + std::countr_zero(hits);
      if (KeyEquals(&entries[i]->key, key)) return i;
      hits &= hits - 1;
    }
  }
  return -1;
}

CDS_MapEntry* CDS_Map::Find(const RValue* key) const {
  const uint32_t hash = Hash(key);
  const Bucket& bucket = BucketFor(hash);
  const int32_t i = IndexIn(bucket, key, hash);
  return i >= 0 ? bucket.entries[i] : nullptr;
}

void CDS_Map::Insert(const RValue* key, const RValue* value, uint32_t hash) {
  Bucket& bucket = BucketFor(hash);
  if (bucket.count == bucket.capacity) {
    const int32_t capacity = bucket.capacity == 0 ? kFirstBucketCapacity : bucket.capacity * 2;
    auto** block = static_cast<CDS_MapEntry**>(
        MEM_ALLOC_RAW((sizeof(CDS_MapEntry*) + sizeof(uint32_t)) * static_cast<size_t>(capacity)));
    if (bucket.count > 0) {
      std::memcpy(block, bucket.entries, sizeof(CDS_MapEntry*) * static_cast<size_t>(bucket.count));
      std::memcpy(block + capacity, bucket.Hashes(), sizeof(uint32_t) * static_cast<size_t>(bucket.count));
    }
    // The lookup reads the hashes in groups of four up to the capacity.
    std::memset(reinterpret_cast<uint32_t*>(block + capacity) + bucket.count, 0,
                sizeof(uint32_t) * static_cast<size_t>(capacity - bucket.count));
    MEM_FREE(bucket.entries);
    bucket.entries = block;
    bucket.capacity = capacity;
  }
  auto* entry = static_cast<CDS_MapEntry*>(MEM_ALLOC_RAW(sizeof(CDS_MapEntry)));
  entry->key = RValue_MakeUndefined();
  entry->value = RValue_MakeUndefined();
  RValue_Assign(&entry->key, key);
  RValue_Assign(&entry->value, value);
  bucket.entries[bucket.count] = entry;
  bucket.Hashes()[bucket.count] = hash;
  ++bucket.count;
  ++m_count;
  m_offTextKeys += HashedOffText(key);
}

void CDS_Map::StoreValue(CDS_MapEntry* entry, const RValue* value) {
  DS_DropMark(Serial(), &entry->value);
  RValue_Assign(&entry->value, value);
}

bool CDS_Map::Add(const RValue* key, const RValue* value) {
  const uint32_t hash = Hash(key);
  if (IndexIn(BucketFor(hash), key, hash) >= 0) return false;
  Insert(key, value, hash);
  return true;
}

void CDS_Map::Set(const RValue* key, const RValue* value, RValue* previous) {
  CDS_MapEntry* entry = Find(key);
  if (entry == nullptr) {
    Insert(key, value, Hash(key));
    if (previous != nullptr) RValue_Assign(previous, value);
    return;
  }
  // The new value is held before `previous` or the entry let go of theirs: they may share it.
  RValue copy = RValue_MakeUndefined();
  RValue_Assign(&copy, value);
  if (previous != nullptr) RValue_Assign(previous, &entry->value);
  DS_DropMark(Serial(), &entry->value);
  RValue_Release(&entry->value);
  DS_Adopt(&entry->value, &copy);
}

bool CDS_Map::Replace(const RValue* key, const RValue* value) {
  CDS_MapEntry* entry = Find(key);
  if (entry == nullptr) {
    Insert(key, value, Hash(key));
    return false;
  }
  StoreValue(entry, value);
  return true;
}

namespace {

void FreeEntry(uint64_t holder, CDS_MapEntry* entry) {
  DS_DropMark(holder, &entry->value);
  RValue_Release(&entry->key);
  RValue_Release(&entry->value);
  MEM_FREE(entry);
}

}  // namespace

bool CDS_Map::Delete(const RValue* key) {
  const uint32_t hash = Hash(key);
  Bucket& bucket = BucketFor(hash);
  const int32_t i = IndexIn(bucket, key, hash);
  if (i < 0) return false;
  m_offTextKeys -= HashedOffText(&bucket.entries[i]->key);
  FreeEntry(Serial(), bucket.entries[i]);
  const size_t after = static_cast<size_t>(bucket.count - i - 1);
  std::memmove(bucket.entries + i, bucket.entries + i + 1, sizeof(CDS_MapEntry*) * after);
  std::memmove(bucket.Hashes() + i, bucket.Hashes() + i + 1, sizeof(uint32_t) * after);
  --bucket.count;
  bucket.Hashes()[bucket.count] = 0;
  --m_count;
  return true;
}

const RValue* CDS_Map::FindFirst() const {
  for (int32_t b = 0; b <= m_mask; ++b) {
    if (m_buckets[b].count > 0) return &m_buckets[b].entries[0]->key;
  }
  return nullptr;
}

const RValue* CDS_Map::FindLast() const {
  for (int32_t b = m_mask; b >= 0; --b) {
    const Bucket& bucket = m_buckets[b];
    if (bucket.count > 0) return &bucket.entries[bucket.count - 1]->key;
  }
  return nullptr;
}

bool CDS_Map::LocateExact(const RValue* key, int32_t* bucket, int32_t* position) const {
  auto scan = [&](int32_t b) {
    const Bucket& candidates = m_buckets[b];
    for (int32_t i = 0; i < candidates.count; ++i) {
      if (SameKey(&candidates.entries[i]->key, key)) {
        *bucket = b;
        *position = i;
        return true;
      }
    }
    return false;
  };
  // Exact matches share the key's hash, so they lie in its bucket, except for two cases: the
  // reals 0 and -0 match each other from two buckets, and a string stored with extra kind bits
  // was hashed off its text. Both are walked in iteration order.
  const bool zero = key->kind == VALUE_REAL && key->val == 0.0;
  if (zero || (key->kind == VALUE_STRING && m_offTextKeys > 0)) {
    for (int32_t b = 0; b <= m_mask; ++b) {
      if (scan(b)) return true;
    }
    return false;
  }
  if (key->kind != VALUE_REAL && key->kind != VALUE_INT64 && key->kind != VALUE_STRING) return false;
  return scan(BucketOf(key));
}

const RValue* CDS_Map::FindNext(const RValue* key) const {
  int32_t b = 0;
  int32_t i = 0;
  if (!LocateExact(key, &b, &i)) return nullptr;
  if (i + 1 < m_buckets[b].count) return &m_buckets[b].entries[i + 1]->key;
  while (++b <= m_mask) {
    if (m_buckets[b].count > 0) return &m_buckets[b].entries[0]->key;
  }
  return nullptr;
}

const RValue* CDS_Map::FindPrevious(const RValue* key) const {
  int32_t b = 0;
  int32_t i = 0;
  if (!LocateExact(key, &b, &i)) return nullptr;
  if (i > 0) return &m_buckets[b].entries[i - 1]->key;
  while (--b >= 0) {
    if (m_buckets[b].count > 0) return &m_buckets[b].entries[m_buckets[b].count - 1]->key;
  }
  return nullptr;
}

void CDS_Map::RemoveAll() {
  for (int32_t b = m_mask; b >= 0; --b) {
    Bucket& bucket = m_buckets[b];
    for (int32_t i = 0; i < bucket.count; ++i) FreeEntry(Serial(), bucket.entries[i]);
    MEM_FREE(bucket.entries);
    bucket = Bucket{};
  }
  m_count = 0;
  m_offTextKeys = 0;
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

namespace {

// A filled map takes its slot only now: a script never sees it half-made.
int32_t StoreFilledMap(CDS_Map* map) {
  const int32_t id = g_DsMaps.Allocate();
  g_DsMaps.Store(id, map);
  return id;
}

void AddCreatedPair(CDS_Map* map, const char* key, double number, const char* text) {
  if (key != nullptr) map->AddPair(key, number, text);
}

}  // namespace

int32_t CreateDsMap(int32_t count, ...) {
  auto* map = new CDS_Map();
  va_list pairs;
  va_start(pairs, count);
  for (int32_t i = 0; i < count; ++i) {
    const char* key = va_arg(pairs, const char*);
    const double number = va_arg(pairs, double);
    const char* text = va_arg(pairs, const char*);
    AddCreatedPair(map, key, number, text);
  }
  va_end(pairs);
  return StoreFilledMap(map);
}

int32_t CreateDsMapOf(const DsMapPair* pairs, int32_t count) {
  auto* map = new CDS_Map();
  for (int32_t i = 0; pairs != nullptr && i < count; ++i) AddCreatedPair(map, pairs[i].key, pairs[i].number, pairs[i].text);
  return StoreFilledMap(map);
}

bool DS_DestroyMap(int32_t id) {
  CDS_Map* map = g_DsMaps.Take(id);
  delete map;
  return map != nullptr;
}
