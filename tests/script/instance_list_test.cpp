#include <vector>

#include "script_test_support.h"

namespace {

class InstanceListTest : public WorldTest {
 protected:
  void TearDown() override {
    for (CInstance* i : m_made) delete i;
    WorldTest::TearDown();
  }

  CInstance* Make(float depth, int32_t objectIndex = -1) {
    auto* i = new CInstance(0, 0, 100000 + static_cast<int32_t>(m_made.size()), objectIndex, true);
    i->depth = depth;
    m_made.push_back(i);
    return i;
  }

  static std::vector<CInstance*> Walk(const InstanceList& list) {
    std::vector<CInstance*> order;
    for (CInstance* i = list.first; i != nullptr; i = i->list_next) order.push_back(i);
    // The backward links tell the same story.
    std::vector<CInstance*> backward;
    for (CInstance* i = list.last; i != nullptr; i = i->list_prev) backward.insert(backward.begin(), i);
    EXPECT_EQ(order, backward);
    EXPECT_EQ(static_cast<int32_t>(order.size()), list.count);
    return order;
  }

  std::vector<CInstance*> m_made;
};

TEST_F(InstanceListTest, EqualDepthsKeepTheirInsertionOrder) {
  InstanceList list;
  CInstance* first0 = Make(0);
  CInstance* ten = Make(10);
  CInstance* second0 = Make(0);
  for (CInstance* i : {first0, ten, second0}) list.InsertByDepth(i);
  EXPECT_EQ(Walk(list), (std::vector<CInstance*>{first0, second0, ten}));

  CInstance* minus5 = Make(-5);
  CInstance* secondTen = Make(10);
  list.InsertByDepth(minus5);
  list.InsertByDepth(secondTen);
  EXPECT_EQ(Walk(list), (std::vector<CInstance*>{minus5, first0, second0, ten, secondTen}));
  EXPECT_EQ(minus5->sort_depth, -5.0f);

  // The sort depth is what the list was ordered by; a later depth change does not move it.
  ten->depth = -100;
  EXPECT_EQ(Walk(list).back(), secondTen);
  EXPECT_EQ(ten->sort_depth, 10.0f);
}

TEST_F(InstanceListTest, RemovingKeepsTheRestLinkedAndIgnoresStrangers) {
  InstanceList list;
  CInstance* a = Make(1);
  CInstance* b = Make(2);
  CInstance* c = Make(3);
  for (CInstance* i : {a, b, c}) list.InsertByDepth(i);

  EXPECT_TRUE(list.Remove(b));
  EXPECT_EQ(Walk(list), (std::vector<CInstance*>{a, c}));
  EXPECT_EQ(b->list_next, c) << "its own links stay, so a walk standing on it goes on";
  EXPECT_FALSE(list.Remove(b)) << "twice";
  EXPECT_EQ(Walk(list), (std::vector<CInstance*>{a, c}));

  InstanceList other;
  CInstance* stranger = Make(0);
  other.InsertByDepth(stranger);
  EXPECT_FALSE(list.Remove(stranger));
  EXPECT_EQ(list.count, 2);

  EXPECT_TRUE(list.Remove(a));
  EXPECT_TRUE(list.Remove(c));
  EXPECT_EQ(list.first, nullptr);
  EXPECT_EQ(list.last, nullptr);
  EXPECT_EQ(list.count, 0);
  EXPECT_TRUE(other.Remove(stranger));
  EXPECT_EQ(other.first, nullptr);
  EXPECT_EQ(other.last, nullptr);
}

TEST_F(InstanceListTest, TwoObjectChangesInOneStepRelinkFromTheFirstOldObject) {
  CObject* a = NewObject("a", 5);
  CObject* b = NewObject("b", 50);
  CObject* c = NewObject("c", -50);
  CRoom room;
  Room_Current = &room;
  CInstance* changing = Make(5, a->index);
  changing->depth = 5;
  CInstance* other = Make(0, a->index);
  room.active.InsertByDepth(other);
  room.active.InsertByDepth(changing);

  changing->ChangeObject(b->index);
  changing->ChangeObject(c->index);
  EXPECT_EQ(changing->object_def, c);
  EXPECT_EQ(changing->object_index, c->index);
  EXPECT_EQ(changing->previous_object, a);
  EXPECT_EQ(changing->depth, -50.0f) << "the new object's defaults come at once";
  EXPECT_EQ(ObjectChangeList.Count(), 1) << "queued once";
  EXPECT_EQ(DepthChangeList.Count(), 1);
  EXPECT_TRUE(a->instances.Contains(changing)) << "the lists wait for the relink";
  EXPECT_EQ(Walk(room.active), (std::vector<CInstance*>{other, changing}));

  ObjectChangeList_Apply();
  EXPECT_EQ(ObjectChangeList.Count(), 0);
  EXPECT_EQ(changing->previous_object, nullptr);
  EXPECT_FALSE(a->instances.Contains(changing));
  EXPECT_FALSE(a->instances_recursive.Contains(changing));
  EXPECT_FALSE(b->instances.Contains(changing));
  EXPECT_TRUE(c->instances.Contains(changing));
  EXPECT_TRUE(c->instances_recursive.Contains(changing));
  EXPECT_EQ(c->instances.count, 1);
  EXPECT_EQ(Walk(room.active), (std::vector<CInstance*>{changing, other})) << "re-sorted by its new depth";

  DepthChangeList_Apply();
  EXPECT_EQ(DepthChangeList.Count(), 0);
  EXPECT_EQ(Walk(room.active), (std::vector<CInstance*>{changing, other})) << "sorting again changes nothing";
  room.active = InstanceList();  // the fixture deletes its instances itself
  Room_Current = nullptr;
}

TEST_F(InstanceListTest, DepthChangesResortActiveInstancesOnly) {
  CRoom room;
  Room_Current = &room;
  CInstance* a = Make(1);
  CInstance* b = Make(2);
  CInstance* c = Make(3);
  CInstance* sleeping = Make(4);
  for (CInstance* i : {a, b, c, sleeping}) room.active.InsertByDepth(i);
  a->depth = 2;  // now ties with b, which stays in the list: a goes after it
  c->depth = 0;
  sleeping->depth = -10;
  sleeping->deactivated = true;  // its deactivation is not applied yet
  for (CInstance* i : {a, c, sleeping, a}) DepthChangeList.AddUnique(i);
  EXPECT_EQ(DepthChangeList.Count(), 3);
  DepthChangeList_Apply();
  EXPECT_EQ(Walk(room.active), (std::vector<CInstance*>{c, b, a, sleeping}));
  EXPECT_EQ(DepthChangeList.Count(), 0);
  room.active = InstanceList();  // the fixture deletes its instances itself
  Room_Current = nullptr;
}

TEST_F(InstanceListTest, ADeletedInstanceLeavesTheQueuesAndItsOldObject) {
  CObject* a = NewObject("a");
  CObject* b = NewObject("b");
  auto* i = new CInstance(0, 0, 100000, a->index, true);
  CInstance* stays = Make(0, a->index);
  i->ChangeObject(b->index);
  stays->ChangeObject(b->index);
  delete i;
  EXPECT_EQ(ObjectChangeList.Count(), 1);
  EXPECT_EQ(ObjectChangeList.Get(0), stays);
  EXPECT_FALSE(DepthChangeList.Contains(i));
  EXPECT_EQ(a->instances.count, 1);
  EXPECT_EQ(a->instances_recursive.count, 1);
  EXPECT_EQ(b->instances.count, 0);
  ObjectChangeList_Apply();
  EXPECT_EQ(b->instances.count, 1);
}

TEST_F(InstanceListTest, ClearingTheQueuesAppliesNothing) {
  CObject* a = NewObject("a");
  CObject* b = NewObject("b");
  CInstance* i = Make(0, a->index);
  i->ChangeObject(b->index);
  InstanceQueues_Clear();
  EXPECT_EQ(ObjectChangeList.Count(), 0);
  EXPECT_EQ(DepthChangeList.Count(), 0);
  EXPECT_TRUE(a->instances.Contains(i));
}

}  // namespace
