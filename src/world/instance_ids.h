// The instance-id table: every instance of the running room by its id. 512 buckets chosen by the
// id's low 9 bits; within a bucket, entries stay in insertion order.
#pragma once

#include <cstdint>

class CInstance;

struct InstanceIdNode {
  InstanceIdNode* previous;
  InstanceIdNode* next;
  int32_t key;
  CInstance* value;
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

  Bucket m_buckets[kBucketCount];
  int32_t m_count = 0;
};

extern CInstanceIdTable InstanceIdTable;

// The instance of an id in the running room; null for a negative id or none.
CInstance* Instance_Find(int32_t id);
// Deletes every instance of the table and empties it (teardown).
void Instances_DeleteAll();
