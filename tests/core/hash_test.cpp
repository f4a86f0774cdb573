#include "core/hash.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/memory_manager.h"

namespace {

using IntHash = Hash<int>;

std::vector<int> Walk(IntHash& table) {
  std::vector<int> seen;
  IntHash::Iterator it;
  for (IntHash::IterateFirst(&table, &it); it.current != nullptr; IntHash::IterateAdvance(&it)) {
    seen.push_back(*it.current->value);
  }
  EXPECT_EQ(it.bucket, -1);
  EXPECT_EQ(IntHash::IterateAdvance(&it), nullptr);
  return seen;
}

TEST(Hash, KeysGoToBucketKeyAndMaskInInsertionOrder) {
  IntHash table(2);  // 4 buckets
  ASSERT_EQ(table.Mask(), 3);
  int v[8] = {10, 11, 12, 13, 14, 15, 16, 17};
  // Buckets: 0 <- 4; 1 <- 1, 5, -3; 2 <- 6, 2; 3 empty.
  const int keys[] = {6, 1, 5, 4, 2, -3};
  for (int i = 0; i < 6; ++i) table.Insert(keys[i], &v[i]);
  EXPECT_EQ(table.Count(), 6);
  EXPECT_EQ(Walk(table), (std::vector<int>{13, 11, 12, 15, 10, 14}));

  IntHash::Iterator it;
  EXPECT_EQ(IntHash::IterateFirst(&table, &it), &it);
  EXPECT_EQ(it.table, &table);
  EXPECT_EQ(it.bucket, 0);
  EXPECT_EQ(*it.current->value, 13);
  // Continuing from bucket 1 finds that bucket's first node.
  it.bucket = 1;
  EXPECT_EQ(*IntHash::IterateNext(&it), 11);
  it.bucket = 3;
  EXPECT_EQ(IntHash::IterateNext(&it), nullptr);
  EXPECT_EQ(it.bucket, -1);
  EXPECT_EQ(it.current, nullptr);
}

TEST(Hash, EmptyTableIterationEndsAtOnce) {
  IntHash table(3);
  IntHash::Iterator it;
  IntHash::IterateFirst(&table, &it);
  EXPECT_EQ(it.bucket, -1);
  EXPECT_EQ(it.current, nullptr);
  EXPECT_EQ(IntHash::IterateNext(&it), nullptr);
}

TEST(Hash, DeleteKeepsChainsLinkedWhereverTheNodeIs) {
  int v[4] = {1, 2, 3, 4};
  struct Case {
    int key;  // removed from the chain 1 -> 5 -> 9 -> 13, all in bucket 1
    std::vector<int> left;
  };
  const Case cases[] = {
      {1, {2, 3, 4}},
      {5, {1, 3, 4}},
      {13, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.key);
    IntHash table(2);
    for (int i = 0; i < 4; ++i) table.Insert(1 + 4 * i, &v[i]);
    EXPECT_EQ(table.Delete(c.key), &v[(c.key - 1) / 4]);
    EXPECT_EQ(table.Find(c.key), nullptr);
    EXPECT_EQ(table.Count(), 3);
    EXPECT_EQ(Walk(table), c.left);
    // The chain's ends stay right: a new node goes after the last one.
    int extra = 99;
    table.Insert(17, &extra);
    std::vector<int> expected = c.left;
    expected.push_back(99);
    EXPECT_EQ(Walk(table), expected);
    EXPECT_EQ(table.BucketAt(1).first->prev, nullptr);
    EXPECT_EQ(table.BucketAt(1).last->next, nullptr);
  }
  IntHash table(2);
  EXPECT_EQ(table.Delete(7), nullptr);
  EXPECT_EQ(table.Count(), 0);
}

TEST(Hash, EqualKeysStandInOrder) {
  IntHash table(4);
  int a = 1, b = 2;
  table.Insert(3, &a);
  IntHash::Node* second = table.Insert(3, &b);
  EXPECT_EQ(table.Find(3), &a);
  EXPECT_EQ(table.FindNode(3)->next, second);
  EXPECT_EQ(table.Delete(3), &a);
  EXPECT_EQ(table.Find(3), &b);
}

TEST(Hash, NodesAndBucketsGoBackToTheManager) {
  const int64_t before = MemoryManager_BytesInUse();
  int v = 5;
  {
    IntHash table(6);
    for (int k = 0; k < 500; ++k) table.Insert(k * 7, &v);
    EXPECT_GT(MemoryManager_BytesInUse(), before);
    table.Clear();
    EXPECT_EQ(table.Count(), 0);
    EXPECT_EQ(table.Find(7), nullptr);
    for (int k = 0; k < 100; ++k) table.Insert(k, &v);
  }
  EXPECT_EQ(MemoryManager_BytesInUse(), before);
}

}  // namespace
