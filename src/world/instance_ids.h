// The instance-id table: every instance of the running room by its id. 512 buckets chosen by the
// id's low 9 bits; within a bucket, entries stay in insertion order. The buckets give the order
// of every walk; beside them an index by id finds an id's entries without walking its bucket, so
// look-ups stay constant time however many instances the buckets hold.
#pragma once

#include <cstdint>
#include <unordered_map>

class CInstance;

// Instance ids start here; below it an object argument names an object, not an instance.
inline constexpr int32_t kFirstInstanceId = 100000;

struct InstanceIdNode {
  InstanceIdNode* previous;
  InstanceIdNode* next;
  int32_t key;
  CInstance* value;
  // The entries of the same id, in bucket order.
  InstanceIdNode* sameIdPrevious;
  InstanceIdNode* sameIdNext;
};

// How Delete and Clear dispose of an instance: kDisposeDelete deletes it, anything else leaves it.
inline constexpr int32_t kDisposeNone = 0;
inline constexpr int32_t kDisposeDelete = 1;

class CInstanceIdTable {
 public:
  static constexpr int32_t kBucketCount = 512;
  static constexpr uint32_t kMask = 511;

  CInstanceIdTable() = default;
  ~CInstanceIdTable();
  CInstanceIdTable(const CInstanceIdTable&) = delete;
  CInstanceIdTable& operator=(const CInstanceIdTable&) = delete;

  // Appends an entry at the tail of the id's bucket (an id already present is entered again).
  void Insert(int32_t id, CInstance* instance);
  // The first entry of the id; null for a negative id or none.
  CInstance* Find(int32_t id) const;
  // Unlinks the first entry of the id, leaving the instance; false when there is none.
  bool Remove(int32_t id);
  // Unlinks the entries of the id that hold this instance.
  bool RemoveInstance(int32_t id, const CInstance* instance);
  // Unlinks the first entry of the id and disposes of its instance by mode.
  bool Delete(int32_t id, int32_t mode);
  // Empties every bucket, last to first, disposing of each instance by mode.
  void Clear(int32_t mode);
  // Deletes every instance, bucket 0 to 511, and empties the table.
  void DeleteAllInOrder();
  int32_t Count() const { return m_count; }

  // Walks the entries bucket by bucket: start with bucket 0 and a null node.
  CInstance* IterateNext(int32_t* bucket, InstanceIdNode** node) const;

 private:
  struct Bucket {
    InstanceIdNode* first = nullptr;
    InstanceIdNode* last = nullptr;
  };
  void Unlink(Bucket& bucket, InstanceIdNode* node);
  // The first and last entry of each id present.
  struct SameId {
    InstanceIdNode* first;
    InstanceIdNode* last;
  };

  Bucket m_buckets[kBucketCount];
  std::unordered_map<int32_t, SameId> m_byId;
  int32_t m_count = 0;
};

extern CInstanceIdTable InstanceIdTable;

// The instance of an id in the running room; null for a negative id or none.
CInstance* Instance_Find(int32_t id);
// Deletes every instance of the table and empties it (teardown).
void Instances_DeleteAll();
