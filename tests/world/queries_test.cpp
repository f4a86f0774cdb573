// The collision and placement queries over a loaded room, through the game functions: the forms
// of the object argument over each family, ties, solid and non-solid placement, moving to contact,
// bouncing, counting around deferred changes, distances, random places and position_change.
#include <cmath>
#include <string>
#include <vector>

#include "runtime/error_report.h"
#include "world/activation.h"
#include "world/commands.h"
#include "world/deferred.h"
#include "world/queries.h"
#include "game_call.h"
#include "world_driver.h"

namespace {

using container::ObjtEntry;
using game_call::Call;

constexpr int32_t kP = 100001;  // parent object at (0, 0)
constexpr int32_t kC = 100002;  // child object at (100, 0)
constexpr int32_t kW = 100003;  // solid wall at (200, 0)
constexpr double kNone = -4;

class QueriesTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    game_call::Register();
  }
  // Three 32 x 32 instances, objects: 0 parent, 1 its child, 2 a solid wall, 3 with no instance.
  void StartThree() {
    const int32_t square = Square();
    ObjtEntry parent = Entry("parent");
    ObjtEntry child = Entry("child", 0);
    ObjtEntry wall = Entry("wall");
    ObjtEntry idle = Entry("idle");
    for (ObjtEntry* o : {&parent, &child, &wall, &idle}) o->sprite_index = square;
    wall.solid = true;
    const ObjtEntry objects[] = {parent, child, wall, idle};
    Start({{.x = 0, .y = 0, .object = 0, .id = kP}, {.x = 100, .y = 0, .object = 1, .id = kC},
           {.x = 200, .y = 0, .object = 2, .id = kW}},
          objects);
  }
  // A 32 x 400 wall, made once the game is loaded (loading starts a fresh sprite table).
  static int32_t Tall() {
    CSprite tall;
    tall.frameCount = 1;
    tall.width = 32;
    tall.height = 400;
    tall.precise = false;  // a box: it has no mask to test against
    tall.maskRight = 31;
    tall.maskBottom = 399;
    return Sprite_Add(tall);
  }
};

// The object argument's forms: all, an instance id, an object with a child, an unknown object,
// self, other, noone.
constexpr int32_t kForms[] = {-3, kC, 0, 99, -1, -2, -4};

TEST_F(QueriesTest, ObjectFormsOverEachFamily) {
  StartThree();
  CInstance* p = Instance(kP);
  CInstance* w = Instance(kW);
  struct Family {
    const char* name;
    double (*ask)(CInstance* self, CInstance* other, int32_t obj);
    double answers[std::size(kForms)];
  };
  // Asked at the child's place (110, 10) by p, with w as other.
  const Family families[] = {
      {"collision_point", [](CInstance* s, CInstance* o, int32_t obj) { return Call("collision_point", s, o, {110, 10, double(obj), 1, 0}); },
       {kC, kC, kC, kNone, kNone, kNone, kNone}},
      {"collision_rectangle",
       [](CInstance* s, CInstance* o, int32_t obj) { return Call("collision_rectangle", s, o, {105, 5, 120, 20, double(obj), 0, 0}); },
       {kC, kC, kC, kNone, kNone, kNone, kNone}},
      {"collision_circle", [](CInstance* s, CInstance* o, int32_t obj) { return Call("collision_circle", s, o, {110, 10, 4, double(obj), 0, 0}); },
       {kC, kC, kC, kNone, kNone, kNone, kNone}},
      {"collision_line", [](CInstance* s, CInstance* o, int32_t obj) { return Call("collision_line", s, o, {90, 10, 120, 10, double(obj), 0, 0}); },
       {kC, kC, kC, kNone, kNone, kNone, kNone}},
      {"instance_position", [](CInstance* s, CInstance* o, int32_t obj) { return Call("instance_position", s, o, {110, 10, double(obj)}); },
       {kC, kC, kC, kNone, kNone, kNone, kNone}},
      {"position_meeting", [](CInstance* s, CInstance* o, int32_t obj) { return Call("position_meeting", s, o, {210, 10, double(obj)}); },
       {1, 0, 0, 0, 0, 1, 0}},
      {"place_meeting", [](CInstance* s, CInstance* o, int32_t obj) { return Call("place_meeting", s, o, {190, 0, double(obj)}); },
       {1, 0, 0, 0, 0, 1, 0}},
      {"instance_place", [](CInstance* s, CInstance* o, int32_t obj) { return Call("instance_place", s, o, {110, 0, double(obj)}); },
       {kC, kC, kC, kNone, kNone, kNone, kNone}},
      {"instance_nearest", [](CInstance* s, CInstance* o, int32_t obj) { return Call("instance_nearest", s, o, {90, 0, double(obj)}); },
       {kC, kNone, kC, kNone, kNone, kNone, kNone}},
      {"instance_furthest", [](CInstance* s, CInstance* o, int32_t obj) { return Call("instance_furthest", s, o, {90, 0, double(obj)}); },
       {kW, kNone, kP, kNone, kNone, kNone, kNone}},
      {"instance_number", [](CInstance* s, CInstance* o, int32_t obj) { return Call("instance_number", s, o, {double(obj)}); },
       {3, 1, 2, 0, 1, 1, 0}},
      {"instance_exists", [](CInstance* s, CInstance* o, int32_t obj) { return Call("instance_exists", s, o, {double(obj)}); },
       {1, 1, 1, 0, 1, 1, 0}},
      {"instance_find 1", [](CInstance* s, CInstance* o, int32_t obj) { return Call("instance_find", s, o, {double(obj), 1}); },
       {kC, kNone, kC, kNone, kNone, kNone, kNone}},
      {"distance_to_object", [](CInstance* s, CInstance* o, int32_t obj) { return Call("distance_to_object", s, o, {double(obj)}); },
       {69, 69, 69, 1000000, 1000000, 169, 1000000}},
  };
  for (const Family& f : families) {
    for (size_t k = 0; k < std::size(kForms); ++k) {
      SCOPED_TRACE(std::string(f.name) + " obj " + std::to_string(kForms[k]));
      EXPECT_EQ(f.ask(p, w, kForms[k]), f.answers[k]);
    }
  }
  EXPECT_FLOAT_EQ(p->x, 0.0f);  // the placement tests put the caller back
}

TEST_F(QueriesTest, NearestAndFurthestKeepTheEarlierOfATieAndMayAnswerTheCaller) {
  StartThree();
  CInstance* p = Instance(kP);
  EXPECT_EQ(Call("instance_nearest", p, nullptr, {0, 0, -3}), kP);
  // 50 is as far from p (0) as from c (100); 150 from c as from w.
  EXPECT_EQ(Call("instance_nearest", p, nullptr, {50, 0, -3}), kP);
  EXPECT_EQ(Call("instance_nearest", p, nullptr, {150, 0, -3}), kC);
  EXPECT_EQ(Call("instance_furthest", p, nullptr, {100, 0, -3}), kP);
}

TEST_F(QueriesTest, PlaceFreeIgnoresNonSolidInstancesAndPlaceEmptyDoesNot) {
  StartThree();
  CInstance* p = Instance(kP);
  EXPECT_EQ(Call("place_free", p, nullptr, {100, 0}), 1);
  EXPECT_EQ(Call("place_empty", p, nullptr, {100, 0}), 0);
  EXPECT_EQ(Call("place_free", p, nullptr, {190, 0}), 0);
  EXPECT_EQ(Call("place_empty", p, nullptr, {50, 50}), 1);
  EXPECT_EQ(Call("position_empty", p, nullptr, {50, 50}), 1);
  EXPECT_EQ(Call("position_empty", p, nullptr, {5, 5}), 0);
}

TEST_F(QueriesTest, MovingToContact) {
  StartThree();
  CInstance* p = Instance(kP);
  p->SetPosition(0, 100);  // below everything: nothing in the way
  Call("move_contact_solid", p, nullptr, {0, 0});
  EXPECT_FLOAT_EQ(p->x, 1000.0f);
  p->SetPosition(0, 100);
  Call("move_contact_solid", p, nullptr, {0, 2.5});
  EXPECT_FLOAT_EQ(p->x, 2.0f);
  // Towards the wall at 200: it stops touching it (box right 199).
  p->SetPosition(150, 0);
  Call("move_contact_solid", p, nullptr, {0, 0});
  EXPECT_FLOAT_EQ(p->x, 168.0f);
  // move_contact_all stops at the non-solid child as well.
  p->SetPosition(40, 0);
  Call("move_contact_all", p, nullptr, {0, 0});
  EXPECT_FLOAT_EQ(p->x, 68.0f);
  // Inside the wall: move_contact moves it outside.
  p->SetPosition(190, 0);
  Call("move_contact", p, nullptr, {0});
  EXPECT_FLOAT_EQ(p->x, 232.0f);
  p->SetPosition(190, 0);
  Call("move_outside_solid", p, nullptr, {180, 5});
  EXPECT_FLOAT_EQ(p->x, 185.0f);
}

TEST_F(QueriesTest, PreciseBounceRoundsTheDirectionToTensFirst) {
  ObjtEntry ball = Entry("ball");
  ball.sprite_index = Square();
  ObjtEntry wall = Entry("wall");
  wall.solid = true;
  const ObjtEntry objects[] = {ball, wall};
  Start({{.x = 0, .y = 100, .object = 0, .id = kP}, {.x = 35, .y = 0, .object = 1, .id = kC}}, objects);
  Instance(kC)->SetSpriteIndex(Tall());
  CInstance* b = Instance(kP);
  b->SetDirection(44);
  b->SetSpeed(5);
  // Free below 40 from -50 on and above it from 50 on: 50 + (-50) + 180 - 40.
  Call("move_bounce_solid", b, nullptr, {1});
  EXPECT_NEAR(b->direction, 140.0f, 1e-3);

  // Far from the wall every neighbouring direction is free: the motion stays.
  b->SetPosition(0, 600);
  b->SetDirection(44);
  Call("move_bounce", b, nullptr, {1});
  EXPECT_NEAR(b->direction, 44.0f, 1e-3);

  // Not precise: the horizontal move is blocked, the vertical one is not.
  b->SetPosition(0, 100);
  b->SetHSpeed(5);
  b->SetVSpeed(2);
  Call("move_bounce_solid", b, nullptr, {0});
  EXPECT_FLOAT_EQ(b->hspeed, -5.0f);
  EXPECT_FLOAT_EQ(b->vspeed, 2.0f);
}

TEST_F(QueriesTest, CountingAndExistenceAroundDeferredChanges) {
  StartThree();
  CInstance* c = Instance(kC);
  // The child becomes a wall: counted once among the walls before and after the deferred update.
  Command_ChangeInstance(c, 2, false);
  EXPECT_EQ(Call("instance_number", nullptr, nullptr, {2}), 2);
  Deferred_ApplyObjectChanges();
  EXPECT_EQ(Call("instance_number", nullptr, nullptr, {2}), 2);
  EXPECT_EQ(Call("instance_number", nullptr, nullptr, {1}), 0);

  // Deactivated, then activated again in the same step: it exists before the deferred update.
  CInstance* w = Instance(kW);
  Instance_Deactivate(w);
  Deferred_ApplyActivation();
  Instance_Deactivate(c);
  Deferred_ApplyActivation();
  EXPECT_EQ(Call("instance_exists", nullptr, nullptr, {2}), 0);
  Instance_Activate(c);
  EXPECT_EQ(Call("instance_exists", nullptr, nullptr, {2}), 1);
  EXPECT_EQ(Call("instance_exists", nullptr, nullptr, {0}), 1);
  EXPECT_EQ(Call("instance_exists", nullptr, nullptr, {3}), 0);
}

TEST_F(QueriesTest, DistanceToItselfIsAMillion) {
  StartThree();
  CInstance* p = Instance(kP);
  EXPECT_EQ(Call("distance_to_object", p, nullptr, {-1}), 1000000);
  EXPECT_EQ(Call("distance_to_object", p, nullptr, {kP}), 1000000);
  EXPECT_NEAR(Call("distance_to_point", p, nullptr, {34, 35}), 5.0, 1e-9);
  EXPECT_EQ(Call("distance_to_point", p, nullptr, {10, 10}), 0);
}

TEST_F(QueriesTest, MoveRandomWithARangeOfZeroTakesTheMinimum) {
  const ObjtEntry objects[] = {Entry("plank")};
  Start({{.x = 7, .y = 3, .object = 0, .id = kP}}, objects);
  CSprite wide;  // 321 wide in a 320-wide room: no room to move sideways
  wide.frameCount = 1;
  wide.maskRight = 320;
  wide.maskBottom = 9;
  CInstance* i = Instance(kP);
  i->SetSpriteIndex(Sprite_Add(wide));
  for (int32_t k = 0; k < 5; ++k) {
    Call("move_random", i, nullptr, {0, 10});
    EXPECT_FLOAT_EQ(i->x, 0.0f);
    EXPECT_GE(i->y, 0.0f);
    EXPECT_LE(i->y, 230.0f);
    EXPECT_EQ(std::fmod(i->y, 10.0f), 0.0f);
  }
}

TEST_F(QueriesTest, PositionChangeAndDestroy) {
  StartThree();
  RuntimeErrorCapture::Reset();
  Call("position_change", nullptr, nullptr, {110, 10, 42, 0});
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "Asking to change into non-existing object: 42");
  EXPECT_EQ(Instance(kC)->object_index, 1);
  Call("position_change", nullptr, nullptr, {110, 10, 3, 0});
  EXPECT_EQ(Instance(kC)->object_index, 3);
  Call("position_destroy", nullptr, nullptr, {5, 5});
  EXPECT_TRUE(Instance(kP)->marked);
  EXPECT_FALSE(Instance(kW)->marked);
}

}  // namespace
