// The platform hash table: integer keys to pointers, in a fixed power-of-two number of buckets.
//
// A key goes to bucket (key AND mask). Each bucket is a doubly linked chain {first, last} kept in
// insertion order, and equal keys may stand side by side (callers that hash texts into keys walk
// the chain to tell them apart). The table owns its nodes, not the values they point at. Nodes
// and buckets come from the memory manager.
//
// Iteration visits buckets in index order and each bucket's chain in order:
//   Hash<Foo>::Iterator it;
//   for (Hash<Foo>::IterateFirst(&table, &it); it.current != nullptr; Hash<Foo>::IterateAdvance(&it))
//     Use(it.current->value);
// Deleting the current node ends its usefulness: advance first, then delete.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/memory_manager.h"

template <typename T, typename Key = int32_t>
class Hash {
 public:
  struct Node {
    Node* prev;
    Node* next;
    Key key;
    T* value;
  };
  struct Bucket {
    Node* first;
    Node* last;
  };
  struct Iterator {
    int32_t bucket;  // -1 at the end
    Node* current;
    Hash* table;
  };

  // 2^bits buckets (bits from 0 to 24).
  explicit Hash(int bits) : m_mask((size_t{1} << Clamp(bits)) - 1) {
    m_buckets = static_cast<Bucket*>(MEM_ALLOC((m_mask + 1) * sizeof(Bucket)));
  }
  ~Hash() {
    Clear();
    MEM_FREE(m_buckets);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;

  int Count() const { return m_count; }
  int Mask() const { return static_cast<int>(m_mask); }
  const Bucket& BucketAt(int index) const { return m_buckets[index]; }

  // Appends a node for key at the end of its bucket's chain.
  Node* Insert(Key key, T* value) {
    Node* node = static_cast<Node*>(MEM_ALLOC_RAW(sizeof(Node)));
    Bucket& b = m_buckets[IndexOf(key)];
    node->prev = b.last;
    node->next = nullptr;
    node->key = key;
    node->value = value;
    if (b.last != nullptr) b.last->next = node; else b.first = node;
    b.last = node;
    ++m_count;
    return node;
  }

  // The first node with key in its chain, or null.
  Node* FindNode(Key key) const {
    for (Node* n = m_buckets[IndexOf(key)].first; n != nullptr; n = n->next) {
      if (n->key == key) return n;
    }
    return nullptr;
  }
  T* Find(Key key) const {
    Node* n = FindNode(key);
    return n != nullptr ? n->value : nullptr;
  }

  // Unlinks and frees the node; returns the value it held, which the caller still owns.
  T* DeleteNode(Node* node) {
    Bucket& b = m_buckets[IndexOf(node->key)];
    if (node->prev != nullptr) node->prev->next = node->next; else b.first = node->next;
    if (node->next != nullptr) node->next->prev = node->prev; else b.last = node->prev;
    T* value = node->value;
    MEM_FREE(node);
    --m_count;
    return value;
  }
  // Removes the first node with key; returns its value, or null when there was none.
  T* Delete(Key key) {
    Node* n = FindNode(key);
    return n != nullptr ? DeleteNode(n) : nullptr;
  }

  // Removes every node (the values are the callers').
  void Clear() {
    for (size_t i = 0; i <= m_mask; ++i) {
      for (Node* n = m_buckets[i].first; n != nullptr;) {
        Node* next = n->next;
        MEM_FREE(n);
        n = next;
      }
      m_buckets[i] = Bucket{nullptr, nullptr};
    }
    m_count = 0;
  }

  // Binds it to table at bucket 0 and moves it to the first entry.
  static Iterator* IterateFirst(Hash* table, Iterator* it) {
    it->table = table;
    it->bucket = 0;
    it->current = nullptr;
    IterateNext(it);
    return it;
  }

  // From the iterator's bucket upward, the first non-empty bucket's first node becomes current;
  // returns its value. Past the last bucket: bucket -1, current null, result null.
  static T* IterateNext(Iterator* it) {
    if (it->bucket >= 0) {
      for (size_t i = static_cast<size_t>(it->bucket); i <= it->table->m_mask; ++i) {
        if (Node* first = it->table->m_buckets[i].first; first != nullptr) {
          it->bucket = static_cast<int32_t>(i);
          it->current = first;
          return first->value;
        }
      }
    }
    it->bucket = -1;
    it->current = nullptr;
    return nullptr;
  }

  // Moves to the entry after the current one: along the chain, then on to the following buckets.
  static T* IterateAdvance(Iterator* it) {
    if (it->current == nullptr) return nullptr;
    if (it->current->next != nullptr) {
      it->current = it->current->next;
      return it->current->value;
    }
    ++it->bucket;
    return IterateNext(it);
  }

 private:
  static constexpr int Clamp(int bits) { return bits < 0 ? 0 : (bits > 24 ? 24 : bits); }
  size_t IndexOf(Key key) const { return static_cast<size_t>(key) & m_mask; }

  Bucket* m_buckets;
  size_t m_mask;
  int m_count = 0;
};
