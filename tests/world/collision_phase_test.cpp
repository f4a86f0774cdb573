// The collision phase and the boundary events of a loaded game run by the game step: solid
// colliders put back around their events, pairs seen from both sides, instances destroyed in
// their own event, leaving the room and its views.
#include <tuple>
#include <vector>

#include "world/commands.h"
#include "world/object_lists.h"
#include "world_driver.h"

namespace {

using container::ObjtEntry;
using Ids = std::vector<int32_t>;

constexpr int32_t kOther = kEventOther;

// What the collision handlers do and saw, set by each test.
struct Plan {
  bool destroySelf = false;
  bool stop = false;         // the mover sets hspeed to -4 in its event
  std::vector<float> xs;     // x and xprevious seen inside each collision event
  std::vector<float> xprevs;
};
Plan g_plan;

void Act(CInstance* self, CInstance*) {
  const kit::EventSeen& e = kit::TheLog().events.back();
  if (e.type != kEventCollision) return;
  g_plan.xs.push_back(self->x);
  g_plan.xprevs.push_back(self->xprevious);
  if (g_plan.stop) self->SetHSpeed(-4.0f);
  if (g_plan.destroySelf) Command_DestroyInstance(self);
}

class CollisionPhaseTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    g_plan = Plan();
    OnEvent(Act);
    m_square = Square();
  }
  ObjtEntry Object(const char* name, std::initializer_list<std::pair<int32_t, int32_t>> events, bool solid = false,
                   bool sprite = true) {
    ObjtEntry o = LoggingObject(name, events);
    o.solid = solid;
    o.sprite_index = sprite ? m_square : -1;
    return o;
  }
  // The (self, other) pairs of the collision events of the last step.
  static std::vector<std::pair<int32_t, int32_t>> Collisions() {
    std::vector<std::pair<int32_t, int32_t>> seen;
    for (const kit::EventSeen& e : Seen()) {
      if (e.type == kEventCollision) seen.emplace_back(e.self, e.other);
    }
    return seen;
  }
  int32_t m_square = -1;
};

TEST_F(CollisionPhaseTest, ASolidWallPutsTheMoverBackAroundItsEvent) {
  // The mover's box is 32 wide: at x = 12 it reaches the wall at x = 40.
  const ObjtEntry objects[] = {Object("mover", {{kEventCollision, 1}}), Object("wall", {}, true)};
  Start({{.x = 0, .y = 0, .object = 0, .id = 100001}, {.x = 40, .y = 0, .object = 1, .id = 100002}}, objects);
  CInstance* mover = Instance(100001);
  mover->SetHSpeed(4.0f);
  Step();
  Step();
  EXPECT_TRUE(Collisions().empty());
  EXPECT_FLOAT_EQ(mover->x, 8.0f);

  Step();  // moved to 12: put back to 8 before the event, moved to 12 again after it, put back
  EXPECT_EQ(Collisions(), (std::vector<std::pair<int32_t, int32_t>>{{100001, 100002}}));
  EXPECT_EQ(g_plan.xs, std::vector<float>{8.0f});
  EXPECT_EQ(g_plan.xprevs, std::vector<float>{8.0f});
  EXPECT_FLOAT_EQ(mover->x, 8.0f);
  EXPECT_FLOAT_EQ(Instance(100002)->x, 40.0f);

  // Its event turns it round: the move after the event takes it away, and it stays there.
  g_plan.stop = true;
  Step();
  EXPECT_EQ(Collisions().size(), 1u);
  EXPECT_FLOAT_EQ(mover->x, 4.0f);
}

TEST_F(CollisionPhaseTest, NonSolidPairsKeepTheirPlacesAndSeeEachOther) {
  const ObjtEntry objects[] = {Object("a", {{kEventCollision, 1}}), Object("b", {{kEventCollision, 0}})};
  Start({{.x = 0, .y = 0, .object = 0, .id = 100001}, {.x = 10, .y = 10, .object = 1, .id = 100002}}, objects);
  Instance(100001)->SetHSpeed(1.0f);
  Step();
  EXPECT_EQ(Collisions(), (std::vector<std::pair<int32_t, int32_t>>{{100001, 100002}, {100002, 100001}}));
  EXPECT_FLOAT_EQ(Instance(100001)->x, 1.0f);
  EXPECT_FLOAT_EQ(Instance(100002)->x, 10.0f);
}

TEST_F(CollisionPhaseTest, APairOfOneObjectIsSeenFromBothSides) {
  const ObjtEntry objects[] = {Object("same", {{kEventCollision, 0}})};
  Start({{.x = 0, .y = 0, .object = 0, .id = 100001}, {.x = 10, .y = 0, .object = 0, .id = 100002},
         {.x = 200, .y = 0, .object = 0, .id = 100003}},
        objects);
  Step();
  EXPECT_EQ(Collisions(), (std::vector<std::pair<int32_t, int32_t>>{
                              {100001, 100002}, {100002, 100001}, {100002, 100001}, {100001, 100002}}));
}

TEST_F(CollisionPhaseTest, AnInstanceDestroyedInItsEventCollidesNoMore) {
  const ObjtEntry objects[] = {Object("victim", {{kEventCollision, 1}}), Object("spike", {})};
  Start({{.x = 0, .y = 0, .object = 0, .id = 100001}, {.x = 5, .y = 0, .object = 1, .id = 100002},
         {.x = 10, .y = 0, .object = 1, .id = 100003}},
        objects);
  g_plan.destroySelf = true;
  Step();
  EXPECT_EQ(Collisions(), (std::vector<std::pair<int32_t, int32_t>>{{100001, 100002}}));
}

TEST_F(CollisionPhaseTest, LeavingTheRoomAndComingBack) {
  // A 32-wide box in a 320-wide room, moving 4 pixels a step from x = 280.
  const ObjtEntry objects[] = {Object("walker", {{kOther, 0}, {kOther, 1}})};
  Start({{.x = 280, .y = 100, .object = 0, .id = 100001}}, objects);
  CInstance* walker = Instance(100001);
  walker->SetHSpeed(4.0f);
  std::vector<float> outside, boundary;
  auto run = [&](int32_t steps) {
    for (int32_t s = 0; s < steps; ++s) {
      Step();
      if (!Ran(kOther, 0).empty()) outside.push_back(walker->x);
      if (!Ran(kOther, 1).empty()) boundary.push_back(walker->x);
    }
  };
  run(14);  // to x = 336: the box crosses the edge at 292 (right 323) and leaves at 324
  EXPECT_EQ(outside, std::vector<float>{324.0f});
  EXPECT_EQ(boundary, (std::vector<float>{292, 296, 300, 304, 308, 312, 316, 320, 324, 328, 332, 336}));
  outside.clear();
  boundary.clear();
  walker->SetHSpeed(-4.0f);
  run(14);  // back to x = 280: inside again from 288 on
  EXPECT_TRUE(outside.empty());
  EXPECT_EQ(boundary, (std::vector<float>{332, 328, 324, 320, 316, 312, 308, 304, 300, 296, 292}));
  walker->SetHSpeed(4.0f);
  outside.clear();
  run(11);  // out once more: the event fires again
  EXPECT_EQ(outside, std::vector<float>{324.0f});
}

TEST_F(CollisionPhaseTest, APointOnTheRoomsEdgeIsInside) {
  const ObjtEntry objects[] = {Object("point", {{kOther, 0}, {kOther, 1}}, false, false)};
  Start({{.x = 320, .y = 240, .object = 0, .id = 100001}}, objects);
  Step();
  EXPECT_TRUE(Ran(kOther, 0).empty());
  EXPECT_TRUE(Ran(kOther, 1).empty());
  Instance(100001)->SetPosition(320.5f, 240);
  Step();
  EXPECT_EQ(Ran(kOther, 0), Ids{100001});
  EXPECT_EQ(Ran(kOther, 1), Ids{100001});
}

TEST_F(CollisionPhaseTest, ViewEventsNeedViewsAndRoundTheirEdgesHalfToEven) {
  const ObjtEntry objects[] = {Object("viewer", {{kOther, 40}, {kOther, 50}}, false, false)};
  Start({{.x = 1, .y = 10, .object = 0, .id = 100001}}, objects);
  CRoomView& view = Room_Current->views[0];
  view.visible = true;
  view.view_x = 1.5f;  // left edge 2: the point at x = 1 is outside the view
  view.view_y = 0.0f;
  view.view_w = 100.0f;
  view.view_h = 100.0f;
  Room_Current->enable_views = false;
  Step();
  EXPECT_TRUE(Ran(kOther, 40).empty());
  EXPECT_TRUE(Ran(kOther, 50).empty());

  Room_Current->enable_views = true;
  Step();
  EXPECT_EQ(Ran(kOther, 40), Ids{100001});
  EXPECT_EQ(Ran(kOther, 50), Ids{100001});

  view.view_x = 0.5f;  // left edge 0: inside
  Step();
  EXPECT_TRUE(Ran(kOther, 40).empty());
  EXPECT_TRUE(Ran(kOther, 50).empty());

  view.view_x = 2.5f;  // left edge 2 again
  Step();
  EXPECT_EQ(Ran(kOther, 50), Ids{100001});
}

// --- many instances: the phase against its plain rule ------------------------------------------

// The collision phase by its plain rule: each pair record, each instance of the first object
// against each of the second in list order, the box and mask test, solid colliders put back around
// the events and moved on after them.
void ReferenceCollisionPhase() {
  const auto qualifies = [](const CInstance* i, uint64_t pass) {
    return !i->marked && !i->deactivated && i->creation_stamp <= pass;
  };
  const auto back = [](CInstance* i) {
    i->SetPosition(i->xprevious, i->yprevious);
    i->SetPathPosition(i->path_positionprevious);
  };
  const auto on = [](CInstance* i) {
    i->SetPosition(static_cast<float>(static_cast<double>(i->x) + i->hspeed),
                   static_cast<float>(static_cast<double>(i->y) + i->vspeed));
  };
  for (int32_t k = 0; k < ObjectLists_PairCount(); ++k) {
    const ObjectCollisionPair pair = ObjectLists_Pairs()[k];
    const CObject* first = Object_Data(pair.first);
    const CObject* second = Object_Data(pair.second);
    if (first == nullptr || second == nullptr || first->instances.first == nullptr) continue;
    const uint64_t pass = Event_PassCounter++;
    for (const ObjectInstanceNode* na = first->instances.first; na != nullptr && na->instance != nullptr;) {
      const ObjectInstanceNode* nextA = na->next;
      CInstance* a = na->instance;
      for (const ObjectInstanceNode* nb = second->instances.first; nb != nullptr && nb->instance != nullptr;) {
        const ObjectInstanceNode* nextB = nb->next;
        CInstance* b = nb->instance;
        if (qualifies(a, pass) && qualifies(b, pass) && a->Collision_Instance(b, true)) {
          if (a->solid || b->solid) {
            back(a);
            back(b);
          }
          Event_Perform(a, b, kEventCollision, b->object_index);
          Event_Perform(b, a, kEventCollision, a->object_index);
          if (a->solid || b->solid) {
            a->AdvancePath();
            b->AdvancePath();
            on(a);
            on(b);
            if (a->Collision_Instance(b, true)) {
              back(a);
              back(b);
            }
          }
        }
        nb = nextB;
      }
      na = nextA;
    }
  }
}

// What the handlers of a crowd do, by the self instance's id: jump onto others, push the other
// away, turn, destroy themselves, or drop a new block where they stand.
struct CrowdActs {
  bool jump = false;
  bool push = false;
  bool destroy = false;
  bool create = false;
  int created = 0;
};
CrowdActs g_crowd;

void CrowdAct(CInstance* self, CInstance* other) {
  const kit::EventSeen& e = kit::TheLog().events.back();
  if (e.type != kEventCollision) return;
  switch (self->id % 7) {
    case 0:
      if (g_crowd.jump) self->SetPosition(self->x + 37.0f, self->y - 11.0f);
      break;
    case 1:
      if (g_crowd.push && other != nullptr) other->SetPosition(other->x - 23.0f, other->y + 29.0f);
      break;
    case 2:
      self->SetHSpeed(-self->hspeed);
      break;
    case 3:
      if (g_crowd.destroy) Command_DestroyInstance(self);
      break;
    case 5:
      if (g_crowd.create && g_crowd.created < 20) {
        ++g_crowd.created;
        Command_CreateInstance(1, self->x + 5.0f, self->y + 5.0f);
      }
      break;
    default:
      break;
  }
}

class CollisionCrowdTest : public CollisionPhaseTest {
 protected:
  using Seen_ = std::vector<std::tuple<int32_t, int32_t, int32_t, int32_t>>;  // type, number, self, other
  struct Outcome {
    Seen_ events;
    std::vector<std::tuple<int32_t, float, float, bool>> instances;  // id, x, y, marked; list order
    bool operator==(const Outcome&) const = default;
  };

  // Starts a room of movers (object 0, colliding with blocks and with each other), solid blocks
  // (object 1) and ghosts (object 2, colliding with movers), placed by a fixed sequence so that
  // many overlap, then runs three collision phases with the given phase; deletes the destroyed
  // instances between them.
  Outcome RunCrowd(int32_t count, void (*phase)()) {
    const ObjtEntry objects[] = {Object("mover", {{kEventCollision, 1}, {kEventCollision, 0}}),
                                 Object("block", {}, true), Object("ghost", {{kEventCollision, 0}})};
    std::vector<container::RoomInstanceEntry> placed;
    uint32_t seed = 4242;
    auto next = [&seed](uint32_t n) {
      seed = seed * 1103515245u + 12345u;
      return static_cast<int32_t>((seed >> 8) % n);
    };
    for (int32_t k = 0; k < count; ++k) {
      placed.push_back({.x = next(600) - 100, .y = next(400) - 60, .object = k % 5 == 4 ? 2 : k % 3 == 2 ? 1 : 0,
                        .id = 100001 + k});
    }
    Game_UseLinkRecord(kit::LinkRecord());  // ending the game before forgets it
    Start(placed, objects);
    for (int32_t k = 0; k < count; ++k) {
      CInstance* i = Instance(100001 + k);
      if (i->object_index != 0) continue;
      i->SetHSpeed(static_cast<float>(next(9) - 4));
      i->SetVSpeed(static_cast<float>(next(9) - 4));
      i->xprevious = i->x - i->hspeed;
      i->yprevious = i->y - i->vspeed;
    }
    g_crowd.created = 0;
    OnEvent(CrowdAct);
    Outcome out;
    for (int round = 0; round < 3; ++round) {
      Seen().clear();
      phase();
      for (const kit::EventSeen& e : Seen()) out.events.emplace_back(e.type, e.number, e.self, e.other);
      Room_DeleteMarked(Room_Current);
    }
    for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
      out.instances.emplace_back(i->id, i->x, i->y, i->marked);
    }
    // Ends this game, so that the next run starts the same one afresh.
    EndStartedGame();
    Sprite_DeleteAll();
    Event_PassCounter = 0;
    for (int32_t i = 0; i < m_squares; ++i) AddSquare();
    return out;
  }
};

TEST_F(CollisionCrowdTest, ManyInstancesGiveTheEventsAndPlacesOfThePlainRule) {
  struct Scene {
    const char* name;
    CrowdActs acts;
    int32_t count;
  };
  const Scene scenes[] = {
      {"overlapping groups, handlers only turn", {}, 120},
      {"handlers jump onto others", {.jump = true}, 120},
      {"handlers push the other away", {.push = true}, 120},
      {"handlers destroy themselves and drop blocks", {.destroy = true, .create = true}, 120},
      {"everything at once", {.jump = true, .push = true, .destroy = true, .create = true}, 200},
  };
  for (const Scene& scene : scenes) {
    g_crowd = scene.acts;
    const Outcome expected = RunCrowd(scene.count, ReferenceCollisionPhase);
    g_crowd = scene.acts;
    const Outcome got = RunCrowd(scene.count, HandleCollision);
    EXPECT_GT(expected.events.size(), 100u) << scene.name << ": the crowd collides";
    EXPECT_EQ(got.events, expected.events) << scene.name;
    EXPECT_EQ(got.instances, expected.instances) << scene.name;
  }
}

}  // namespace
