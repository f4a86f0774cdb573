// The map behind a ds_map id: a hash table from key values to values.
//
// A string key hashes by the CRC-32 of its text, any other key by the CRC-32 of its 8 payload
// bytes (so the reals 0 and -0 differ); two keys are one when their hashes match and the values
// are equal (RValue_Equals). The bucket array never grows: 4096 buckets by default. Iteration runs
// bucket by bucket from 0 and, within a bucket, in insertion order. A value marked as a nested
// list or map makes the map own that container (functions/ds_ownership.h); marks in keys are not
// acted upon. Main thread only.
#pragma once

#include <cstdint>

#include "core/value.h"
#include "functions/ds_ownership.h"

struct CDS_MapEntry {
  RValue key;
  RValue value;
};

class CDS_Map : public DsOwnable {
 public:
  static constexpr int32_t kDefaultBuckets = 4096;
  // A script picks the bucket count; beyond this many (16 MiB of buckets) more buckets cannot
  // spread keys further, and 2^31 of them would be a 32 GiB block.
  static constexpr int32_t kMaxBuckets = 1 << 20;

  CDS_Map() : CDS_Map(kDefaultBuckets) {}
  // A bucket count below 1 gives the default, one above kMaxBuckets gives kMaxBuckets; one that
  // is not a power of two works but leaves some buckets unused.
  explicit CDS_Map(int32_t buckets);
  // Clears (destroying what the map owns), then frees the buckets.
  ~CDS_Map();

  int32_t Size() const { return m_count; }
  bool Empty() const { return m_count == 0; }
  int32_t BucketCount() const { return m_mask + 1; }
  // The bucket a key falls into.
  int32_t BucketOf(const RValue* key) const { return static_cast<int32_t>(Hash(key) & static_cast<uint32_t>(m_mask)); }

  // The key's entry, or null.
  CDS_MapEntry* Find(const RValue* key) const;
  bool Exists(const RValue* key) const { return Find(key) != nullptr; }
  // Adds a copy of the pair when the key is absent (true); a present key changes nothing (false).
  bool Add(const RValue* key, const RValue* value);
  // Replaces the key's value, keeping the entry's place, or adds the pair. `previous`, when
  // given, receives the value the key held, or a copy of the new value for a new key.
  void Set(const RValue* key, const RValue* value, RValue* previous);
  // Replaces the key's value (true) or adds the pair (false).
  bool Replace(const RValue* key, const RValue* value);
  // Removes the key's entry (true when there was one); a marked container is not destroyed.
  bool Delete(const RValue* key);
  // The first or last key in iteration order; null for an empty map.
  const RValue* FindFirst() const;
  const RValue* FindLast() const;
  // The key after or before the first one in iteration order that matches exactly (same kind,
  // then reals by ==, int64 by their bytes, strings by their bytes; nothing else matches); null
  // when none matches or the match is at that end.
  const RValue* FindNext(const RValue* key) const;
  const RValue* FindPrevious(const RValue* key) const;
  // Destroys the owned containers and removes every entry.
  void Clear();
  // Makes this map hold copies of the source's entries (marks included), rehashed into its own
  // buckets; copying a map onto itself leaves it unchanged.
  void Copy(const CDS_Map* source);
  // Adds the string key with the text as value, or with the number when text is null; the
  // result is Add's.
  bool AddPair(const char* key, double number, const char* text);
  // The text form: "T:key:value" per entry in iteration order, joined by commas; a new
  // memory-manager text the caller frees ("" for an empty map).
  char* WriteText() const;
  // Replaces the entries (what their values own stays alive) with those the text names, a key
  // named twice giving two entries. Never fails: text off the form reads as far as it can.
  bool ReadText(const char* text);

  // Calls visit(entry) for every entry in iteration order.
  template <typename Visit>
  void ForEach(Visit visit) const {
    for (int32_t b = 0; b <= m_mask; ++b) {
      const Bucket& bucket = m_buckets[b];
      for (int32_t i = 0; i < bucket.count; ++i) visit(*bucket.entries[i]);
    }
  }

  static uint32_t Hash(const RValue* key);

 private:
  // A bucket's entries in insertion order. Each entry is a block of its own, so the entry
  // pointers handed out stay put; the pointers and, after them, the entries' hashes share one
  // block, so a lookup scans the hashes side by side instead of chasing a chain.
  struct Bucket {
    CDS_MapEntry** entries;  // `capacity` pointers, then `capacity` hashes
    int32_t count;
    int32_t capacity;
    uint32_t* Hashes() const { return reinterpret_cast<uint32_t*>(entries + capacity); }
  };

  Bucket& BucketFor(uint32_t hash) const { return m_buckets[hash & static_cast<uint32_t>(m_mask)]; }
  // The position of the key in its bucket, or -1.
  int32_t IndexIn(const Bucket& bucket, const RValue* key, uint32_t hash) const;
  // The first entry in iteration order whose key matches exactly, as (bucket, position); false
  // when none does.
  bool LocateExact(const RValue* key, int32_t* bucket, int32_t* position) const;
  // Appends an entry holding copies of the pair to its bucket.
  void Insert(const RValue* key, const RValue* value, uint32_t hash);
  // Frees every entry, dropping (not acting on) the marks of the values.
  void RemoveAll();
  // Stores a copy of value in the entry, releasing the old one without acting on its marks.
  void StoreValue(CDS_MapEntry* entry, const RValue* value);

  Bucket* m_buckets;
  int32_t m_mask;
  int32_t m_count = 0;
  // String keys whose kind word carries more than the kind: they hash by their payload, not by
  // their text, so an exact match of a string may lie outside the text's bucket.
  int32_t m_offTextKeys = 0;
};

// Makes a new empty map (buckets as the sized constructor takes them) in the first free ds_map
// slot and returns its id.
int32_t DS_CreateMap(int32_t buckets = CDS_Map::kDefaultBuckets);
// Empties the slot of a map and destroys it; false when the id names no map.
bool DS_DestroyMap(int32_t id);
// A new map of `count` pairs, each given as three arguments: the key (const char*), a double (an
// int there is read as garbage: cast it) and a text (const char*); a pair's value is the text
// when it is not null, else the number. A key given twice keeps its first value, a null key adds
// nothing, a count below 1 gives an empty map. The map is filled before it takes its slot, so its
// id never names a half-filled map. Native extensions receive this function by pointer: its
// argument list is theirs as much as ours.
int32_t CreateDsMap(int32_t count, ...);

// One pair of CreateDsMapOf, as CreateDsMap takes it.
struct DsMapPair {
  const char* key;
  double number;
  const char* text;
};
// CreateDsMap for pairs known only at run time.
int32_t CreateDsMapOf(const DsMapPair* pairs, int32_t count);
