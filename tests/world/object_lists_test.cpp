// The per-event object lists and the collision pairs, against the handler search they stand for.
#include <algorithm>
#include <random>
#include <utility>
#include <vector>

#include "world_test_support.h"

namespace {

constexpr int32_t kLog = kit::kLogEvent;

class ObjectListsTest : public ObjectWorldTest {};

std::vector<std::pair<int32_t, int32_t>> Pairs() {
  std::vector<std::pair<int32_t, int32_t>> pairs;
  for (int32_t i = 0; i < ObjectLists_PairCount(); ++i) {
    const ObjectCollisionPair& p = ObjectLists_Pairs()[i];
    EXPECT_EQ(p.firstObject, Object_Data(p.first));
    EXPECT_EQ(p.secondObject, Object_Data(p.second));
    pairs.emplace_back(p.first, p.second);
  }
  return pairs;
}

TEST_F(ObjectListsTest, AChildIsListedForTheEventsItInherits) {
  // The child comes first in index order, its parent after it.
  ObjtEntry parent = Entry("ob_parent");
  parent.on(kEventStep, 0, kLog).on(kEventAlarm, 12, kLog).on(kEventAlarm, 13, kLog);
  ASSERT_TRUE(Load({Entry("ob_child", 1), parent, Entry("ob_other")}));
  ObjectLists_Build();
  EXPECT_EQ(List(kEventStep, 0), (std::vector<int32_t>{0, 1}));
  EXPECT_EQ(List(kEventAlarm, 12), (std::vector<int32_t>{0, 1}));
  EXPECT_TRUE(List(kEventAlarm, 13).empty());  // past the alarms listed
  EXPECT_TRUE(List(kEventStep, 1).empty());
  EXPECT_TRUE(List(kEventCreate, 0).empty());  // create events have no list
}

TEST_F(ObjectListsTest, EachUnorderedPairIsStoredOnce) {
  const struct {
    const char* what;
    bool threeHasIt;
    std::vector<std::pair<int32_t, int32_t>> expected;
  } cases[] = {
      {"only 5 has the event", false, {{5, 3}, {6, 6}}},
      {"both have it", true, {{3, 5}, {6, 6}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<ObjtEntry> entries(7, Entry("ob"));
    entries[5].on(kEventCollision, 3, kLog);
    if (c.threeHasIt) entries[3].on(kEventCollision, 5, kLog);
    entries[6].on(kEventCollision, 6, kLog);  // with itself
    ASSERT_TRUE(Load(entries));
    ObjectLists_Build();
    EXPECT_EQ(Pairs(), c.expected);
  }
}

TEST_F(ObjectListsTest, AKeyAboveTheListedRangeIsLoadedButNeverListed) {
  ObjtEntry o = Entry("ob");
  o.on(kEventKeyboard, 200, kLog).on(kEventKeyPress, 128, kLog);
  ASSERT_TRUE(Load({o}));
  ObjectLists_Build();
  EXPECT_NE(Object_Data(0)->GetEvent(kEventKeyboard, 200), nullptr);
  EXPECT_TRUE(List(kEventKeyboard, 200).empty());
  EXPECT_EQ(List(kEventKeyPress, 128), std::vector<int32_t>{0});
}

TEST_F(ObjectListsTest, ARebuildAfterAParentChangeListsTheChild) {
  ObjtEntry parent = Entry("ob_parent");
  parent.on(kEventAlarm, 0, kLog);
  ASSERT_TRUE(Load({parent, Entry("ob_child")}));
  ObjectLists_Build();
  EXPECT_EQ(List(kEventAlarm, 0), std::vector<int32_t>{0});
  Object_Data(1)->parent_index = 0;
  Object_LinkParents();
  ObjectLists_Build();
  EXPECT_EQ(List(kEventAlarm, 0), (std::vector<int32_t>{0, 1}));
  // Deleting or adding objects does not rebuild.
  Object_Delete(1);
  Object_Add();
  EXPECT_EQ(List(kEventAlarm, 0), (std::vector<int32_t>{0, 1}));
  ObjectLists_FreeAll();
  EXPECT_TRUE(List(kEventAlarm, 0).empty());
  EXPECT_EQ(ObjectLists_PairCount(), 0);
}

// What a list or the pair list holds, straight from its definition: every object that finds a
// handler, in index order; each pair (i, j) that finds a collision handler unless (min, max) is
// stored already.
TEST_F(ObjectListsTest, TheListsAgreeWithTheHandlerSearchOnARandomHierarchy) {
  std::mt19937 random(20260110);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    const int32_t count = 40;
    // Parents only among later indices or earlier ones by a random order, so there is no cycle.
    std::vector<int32_t> order(count);
    for (int32_t i = 0; i < count; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), random);
    std::vector<ObjtEntry> entries(count);
    for (int32_t k = 0; k < count; ++k) {
      ObjtEntry& e = entries[static_cast<size_t>(order[k])];
      e = Entry("ob", k > 0 && random() % 3 != 0 ? order[random() % k] : -100);
      if (random() % 9 == 0) e.empty_slot = true;
      for (int n = static_cast<int>(random() % 4); n > 0; --n) e.on(kEventCollision, random() % (count + 2), kLog);
      if (random() % 3 == 0) e.on(kEventStep, random() % 3, kLog);
      if (random() % 4 == 0) e.on(kEventKeyPress, 120 + random() % 12, kLog);
    }
    ASSERT_TRUE(Load(entries));
    ObjectLists_Build();
    for (int32_t type : {kEventStep, kEventKeyPress}) {
      for (int32_t number = 0; number <= 128; ++number) {
        std::vector<int32_t> expected;
        for (int32_t i = 0; i < count; ++i) {
          if (Object_Exists(i) && Object_Data(i)->FindEvent(type, number) != nullptr) expected.push_back(i);
        }
        EXPECT_EQ(List(type, number), expected) << type << " " << number;
      }
    }
    std::vector<std::pair<int32_t, int32_t>> expected;
    for (int32_t i = 0; i < count; ++i) {
      if (!Object_Exists(i)) continue;
      for (int32_t j = 0; j < count; ++j) {
        if (Object_Data(i)->FindEvent(kEventCollision, j) == nullptr) continue;
        const std::pair<int32_t, int32_t> ordered{std::min(i, j), std::max(i, j)};
        if (std::find(expected.begin(), expected.end(), ordered) == expected.end()) expected.emplace_back(i, j);
      }
    }
    EXPECT_EQ(Pairs(), expected);
  }
}

}  // namespace
