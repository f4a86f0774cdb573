// The collision phase and the boundary events of a loaded game run by the game step: solid
// colliders put back around their events, pairs seen from both sides, instances destroyed in
// their own event, leaving the room and its views.
#include <vector>

#include "world/commands.h"
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

}  // namespace
