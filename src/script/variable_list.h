// The variable hash map: named properties of script objects and the variables of an object that
// have no numbered slot.
//
// One map holds nodes of three key forms: a variable id (int32 value), a name (string value) or
// any value. 64 buckets by the low 6 bits of the hash; ids hash to themselves, names to their
// CRC-32, other values to RValue_Hash. A bucket lists its nodes newest first. Nodes come from and
// go back to one free list shared by every map; they are never returned to the heap.
#pragma once

#include <cstdint>

#include "core/value.h"

class IBuffer;

struct CVariableNode {
  CVariableNode* bucketNext;  // next node of the same bucket
  CVariableNode* freeNext;    // next free node, while on the free list
  RValue key;
  RValue value;               // flags word: property attributes (1 enumerable, 2 configurable, 4 writable)
  uint32_t hash;
};

// Copies a value as the object model stores values: strings and arrays take a reference (an array
// without an owner gets the target as owner), every payload kind copies its 64 bits, and the other
// kinds (undefined, null, unset, ...) copy only kind and flags. The target's old contents are
// released.
void WXValue_Copy(RValue* target, const RValue* source);

class CVariableList {
 public:
  static constexpr int32_t kBucketCount = 64;
  static constexpr uint32_t kBucketMask = 0x3F;

  CVariableList();
  virtual ~CVariableList();
  CVariableList(const CVariableList&) = delete;
  CVariableList& operator=(const CVariableList&) = delete;

  // Node makers: the node is not linked (bucketNext null).
  static CVariableNode* NewIdNode(int32_t id);              // value real 0
  static CVariableNode* NewNameNode(const char* name);      // value real 0
  static CVariableNode* NewValueNode(const RValue* key);    // value real 0
  static CVariableNode* NewKeyValueNode(const RValue* key, const RValue* value);
  static CVariableNode* CopyNode(const CVariableNode* node);  // value flags included
  // Puts the node on the free list with its key and value released.
  static void FreeNode(CVariableNode* node);
  // Nodes waiting on the free list.
  static int32_t FreeNodeCount();

  // Links at the head of the node's bucket; no duplicate check.
  void Add(CVariableNode* node);
  CVariableNode* Find(int32_t id) const;
  bool Exists(int32_t id) const { return Find(id) != nullptr; }
  CVariableNode* FindByName(const char* name) const;
  CVariableNode* FindByValue(const RValue* key) const;

  // Reads variable `id` at a packed index. A missing variable reads as the real 0 (true), or, with
  // the option that makes such reads errors, as 12345678.9 with the result false.
  bool GetVar(int32_t id, int32_t arrayIndex, RValue* out);
  void SetVar(int32_t id, int32_t arrayIndex, const RValue* value);

  // Unlinks and frees a node of this map; a node that is not in it is left alone.
  void Remove(CVariableNode* node);
  void Clear();
  // Makes this map a copy of another (each bucket's order reversed). Assigning a map to itself
  // changes nothing.
  void Assign(const CVariableList* source);

  // The saved-game form: s32 count, then per node the variable's name and its saved value.
  void Save(IBuffer* buffer) const;
  // False when the data ran out or was damaged (a count the bytes left cannot hold included);
  // the map then holds the nodes read before.
  bool Load(IBuffer* buffer);

  int32_t Count() const { return m_count; }

  CVariableNode* m_buckets[kBucketCount];
  int32_t m_count;
};

// Walks a map's nodes bucket by bucket (0..63), each bucket from its head.
struct CVariableListIterator {
  explicit CVariableListIterator(const CVariableList* list) : m_list(list) {}
  // The first node, or null for an empty map; restarts the walk.
  CVariableNode* First();
  // The node after the current one, or null at the end.
  CVariableNode* Next();

  const CVariableList* m_list;
  CVariableNode* m_node = nullptr;
  int32_t m_bucket = -1;
};
