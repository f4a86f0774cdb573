#include <cmath>
#include <utility>
#include <vector>

#include "script_test_support.h"
#include "world/activation.h"

namespace {

// What applying the depth queue must give, by its plain rule: every queued instance that is not
// deactivated and is listed comes out, then each goes back in queue order after the last listed
// instance (walking from the end) whose sort depth is not above its depth.
std::vector<CInstance*> ReferenceReinsert(const InstanceList& list, const std::vector<CInstance*>& queue) {
  std::vector<std::pair<CInstance*, float>> order;
  for (CInstance* i = list.first; i != nullptr; i = i->list_next) order.emplace_back(i, i->sort_depth);
  std::vector<CInstance*> unlinked;
  for (CInstance* q : queue) {
    if (q->deactivated) continue;
    for (size_t k = 0; k < order.size(); ++k) {
      if (order[k].first != q) continue;
      order.erase(order.begin() + static_cast<std::ptrdiff_t>(k));
      unlinked.push_back(q);
      break;
    }
  }
  for (CInstance* q : unlinked) {
    size_t at = order.size();
    while (at > 0 && !(static_cast<double>(order[at - 1].second) <= static_cast<double>(q->depth))) --at;
    order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), {q, q->depth});
  }
  std::vector<CInstance*> out;
  for (const auto& [i, depth] : order) out.push_back(i);
  return out;
}

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

TEST_F(InstanceListTest, DepthQueueAndWakingMatchTheOneByOneReinsertion) {
  struct Scene {
    const char* name;
    std::vector<float> depths;  // palette of old and new depths
    int listed;                 // instances in the room
    int queuedEvery;            // every n-th instance (in a shuffled order) changes depth
    bool someAsleep;            // a few queued instances are deactivated
  };
  const Scene scenes[] = {
      {"all change, few distinct depths", {0, 1, 2}, 400, 1, false},
      {"a tenth change, ties with the unchanged", {5, -5, 0, 5}, 400, 10, false},
      {"a short queue goes one by one", {3, 4}, 200, 40, false},
      {"deactivated ones stay where they are", {1, 2, 3}, 300, 2, true},
      {"a NaN depth in the queue", {1, NAN, 2}, 300, 3, false},
      {"negative zero and infinities", {0.0f, -0.0f, INFINITY, -INFINITY}, 300, 2, false},
  };
  for (const Scene& scene : scenes) {
    CRoom room;
    Room_Current = &room;
    uint32_t seed = 99;
    auto next = [&seed](size_t n) {
      seed = seed * 1103515245u + 12345u;
      return static_cast<size_t>((seed >> 8) % n);
    };
    std::vector<CInstance*> made;
    for (int k = 0; k < scene.listed; ++k) {
      CInstance* i = Make(scene.depths[next(scene.depths.size())]);
      if (std::isnan(i->depth)) i->depth = 0;  // the list starts sorted
      room.active.InsertByDepth(i);
      made.push_back(i);
    }
    std::vector<CInstance*> queue;
    for (size_t k = 0; k < made.size(); ++k) std::swap(made[k], made[k + next(made.size() - k)]);
    for (size_t k = 0; k < made.size(); k += static_cast<size_t>(scene.queuedEvery)) {
      made[k]->depth = scene.depths[next(scene.depths.size())];
      made[k]->deactivated = scene.someAsleep && next(4) == 0;
      queue.push_back(made[k]);
      DepthChangeList.AddUnique(made[k]);
      DepthChangeList.AddUnique(made[k]);  // queued once
    }
    ASSERT_EQ(DepthChangeList.Count(), static_cast<int32_t>(queue.size())) << scene.name;
    const std::vector<CInstance*> expected = ReferenceReinsert(room.active, queue);
    DepthChangeList_Apply();
    EXPECT_EQ(Walk(room.active), expected) << scene.name;
    EXPECT_EQ(DepthChangeList.Count(), 0);
    for (CInstance* q : queue) EXPECT_FALSE(DepthChangeList.Contains(q)) << "applying empties the queue";

    // Waking: the deactivated instances leave for the inactive list, then all come back by depth
    // in the order they slept in, as if inserted one by one.
    for (CInstance* i : made) {
      i->deactivated = false;
      if (next(3) != 0) continue;
      i->depth = scene.depths[next(scene.depths.size())];
      if (std::isnan(i->depth)) i->depth = 1;
      Instance_Deactivate(i);
    }
    room.ApplyActivation();
    std::vector<CInstance*> asleep;
    for (CInstance* i = room.inactive.first; i != nullptr; i = i->list_next) asleep.push_back(i);
    for (CInstance* i : asleep) Instance_Activate(i);
    std::vector<CInstance*> wokenExpected = ReferenceReinsert(room.active, {});
    {
      std::vector<std::pair<CInstance*, float>> order;
      for (CInstance* i : wokenExpected) order.emplace_back(i, i->sort_depth);
      for (CInstance* q : asleep) {
        size_t at = order.size();
        while (at > 0 && !(static_cast<double>(order[at - 1].second) <= static_cast<double>(q->depth))) --at;
        order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), {q, q->depth});
      }
      wokenExpected.clear();
      for (const auto& [i, depth] : order) wokenExpected.push_back(i);
    }
    room.ApplyActivation();
    InstanceQueues_Clear();
    Room_ActivationQueue.Clear();
    EXPECT_EQ(Walk(room.active), wokenExpected) << scene.name;
    EXPECT_EQ(room.inactive.count, 0);
    room.active = InstanceList();
    room.inactive = InstanceList();
    Room_Current = nullptr;
  }
}

TEST_F(InstanceListTest, AQueueForgetsItsMembersWhenCleared) {
  CInstance* a = Make(0);
  DepthChangeList.AddUnique(a);
  EXPECT_TRUE(DepthChangeList.Contains(a));
  EXPECT_FALSE(ObjectChangeList.Contains(a)) << "each queue keeps its own membership";
  DepthChangeList.Clear();
  EXPECT_FALSE(DepthChangeList.Contains(a));
  DepthChangeList.AddUnique(a);
  EXPECT_EQ(DepthChangeList.Count(), 1) << "queued again after the clear";
  EXPECT_TRUE(DepthChangeList.Remove(a));
  EXPECT_FALSE(DepthChangeList.Remove(a));
  EXPECT_EQ(DepthChangeList.Count(), 0);
}

TEST_F(InstanceListTest, ObjectListsTakeOutTheFirstNodeAndForgetADeletedInstance) {
  CObject* parent = NewObject("parent");
  CObject* child = NewObject("child");
  CObject* other = NewObject("other");
  child->parent = parent;
  CInstance* i = Make(0, child->index);
  CInstance* j = Make(0, child->index);
  EXPECT_TRUE(parent->instances_recursive.Contains(i));
  EXPECT_FALSE(parent->instances.Contains(i));
  const auto order = [](const ObjectInstanceList& list) {
    std::vector<CInstance*> out;
    for (const ObjectInstanceNode* n = list.first; n != nullptr; n = n->next) out.push_back(n->instance);
    return out;
  };
  // Listed twice: the first node in list order goes, the later one stays.
  child->instances.Append(i);
  EXPECT_EQ(order(child->instances), (std::vector<CInstance*>{i, j, i}));
  EXPECT_TRUE(child->instances.Remove(i));
  EXPECT_EQ(order(child->instances), (std::vector<CInstance*>{j, i}));
  EXPECT_TRUE(child->instances.Remove(i));
  EXPECT_FALSE(child->instances.Remove(i));
  EXPECT_FALSE(other->instances.Remove(j)) << "a list that never held it";
  EXPECT_EQ(order(child->instances), (std::vector<CInstance*>{j}));
  child->instances.Append(i);

  // A new parent: leaving walks the ancestors of now, so the former parent's inclusive list keeps
  // the instance while it lives, and loses it when it is deleted.
  child->parent = other;
  child->RemoveInstance(i);
  EXPECT_EQ(order(parent->instances_recursive), (std::vector<CInstance*>{i, j}));
  m_made.erase(m_made.begin());
  delete i;
  EXPECT_EQ(order(parent->instances_recursive), (std::vector<CInstance*>{j}));
  EXPECT_EQ(parent->instances_recursive.count, 1);

  // Emptying a list leaves its instances able to leave the others.
  child->instances.Clear();
  EXPECT_FALSE(child->instances.Contains(j));
  EXPECT_TRUE(parent->instances_recursive.Remove(j));
  EXPECT_TRUE(child->instances_recursive.Contains(j));
}

}  // namespace
