#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "physics/lifecycle.h"
#include "physics_test_support.h"
#include "runtime/error_report.h"

namespace {

// What the collision events read of the contact, per event.
std::vector<int32_t> g_points;
CPhysicsWorld* g_world = nullptr;
void ReadPoints(CInstance* self, CInstance*) { g_points.push_back(g_world->GetCollisionPointCount(self)); }

class PhysicsWorldTest : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    g_points.clear();
    LoadObjects({{"crate", {1}}, {"floor", {0}}, {"ghost", {}}});
  }

  // A static floor whose top is at y 110 and a 20 px crate standing on it at (100, 100), neither
  // with friction, so that a crate sliding along keeps its speed.
  void CrateOnFloor(float crateVelocityX = 0) {
    CPhysicsFixture* floor = Box(400, 20, 0);
    floor->SetFriction(0);
    CPhysicsFixture* crate = Box(20, 20, 1);
    crate->SetFriction(0);
    m_floor = Place(1, 100, 120);
    m_crate = Place(0, 100, 100);
    ASSERT_EQ(Bind(floor, m_floor), 0);
    ASSERT_EQ(Bind(crate, m_crate), 0);
    m_crate->physics_object->SetLinearVelocity(crateVelocityX, 0);
    g_world = World();
    kit::TheLog().onEvent = ReadPoints;
  }

  CInstance* m_floor = nullptr;
  CInstance* m_crate = nullptr;
};

TEST_F(PhysicsWorldTest, SubstepsFollowTheUpdateAndRoomSpeeds) {
  struct Case {
    int32_t updateSpeed;
    int32_t roomSpeed;
    int32_t librarySteps;
  };
  for (const Case& c : {Case{60, 60, 1}, Case{60, 45, 2}, Case{60, 120, 1}, Case{60, 30, 2}, Case{0, 60, 0}}) {
    SCOPED_TRACE(testing::Message() << c.updateSpeed << "/" << c.roomSpeed);
    MakeWorld(0.1f, c.updateSpeed);
    kit::TheLog().events.clear();
    g_points.clear();
    CrateOnFloor(6);  // 6 m/s: 60 px a second
    m_room.m_speed = c.roomSpeed;
    Step();
    // One post-solve report per library step lands in one record: two points per report.
    const std::vector<int32_t> expected(c.librarySteps > 0 ? 2 : 0, 2 * c.librarySteps);
    EXPECT_EQ(g_points, expected);
    const double seconds = c.updateSpeed > 0 ? 1.0 / c.roomSpeed : 0.0;
    EXPECT_NEAR(m_crate->x, 100 + 60 * seconds, 1e-3);
    EXPECT_NEAR(m_crate->y, 100, 0.2);  // the shapes' skins part them by a fraction of a pixel
  }
}

TEST_F(PhysicsWorldTest, RoomSpeedZeroAndPauseStopTheWorld) {
  CrateOnFloor(6);
  m_room.m_speed = 0;
  Step();
  World()->m_paused = true;
  m_room.m_speed = 60;
  Step();
  EXPECT_EQ(m_crate->x, 100);
  EXPECT_TRUE(Collisions().empty());
  World()->m_paused = false;
  Step();
  EXPECT_NEAR(m_crate->x, 101, 1e-3);
  EXPECT_EQ(Collisions().size(), 2u);
}

TEST_F(PhysicsWorldTest, RestingBoxesGetOneEventEachWayWithTheSumOfTheirPoints) {
  MakeWorld(0.1f, 120);  // two library steps per room step
  CrateOnFloor();
  Step();
  const auto expected = std::vector<std::pair<int32_t, int32_t>>{{m_floor->id, m_crate->id}, {m_crate->id, m_floor->id}};
  auto seen = Collisions();
  std::sort(seen.begin(), seen.end());
  auto sorted = expected;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(seen, sorted);
  EXPECT_EQ(g_points, (std::vector<int32_t>{4, 4}));
  // Outside the events there is no contact.
  EXPECT_EQ(World()->GetCollisionPointCount(m_crate), 0);
}

TEST_F(PhysicsWorldTest, ContactPointsCountAcrossTheManifoldsInPixels) {
  static std::vector<std::vector<float>> read;
  read.clear();
  MakeWorld(0.1f, 120);
  CrateOnFloor();
  kit::TheLog().onEvent = [](CInstance* self, CInstance*) {
    std::vector<float> row;
    float x, y;
    for (int32_t i = 0; g_world->GetCollisionPoint(self, i, &x, &y); ++i) {
      row.push_back(x);
      row.push_back(y);
    }
    EXPECT_TRUE(g_world->GetCollisionNormal(self, 3, &x, &y));
    EXPECT_NEAR(std::fabs(y), 1, 1e-5);  // the crate stands on the floor: the normal is vertical
    EXPECT_FALSE(g_world->GetCollisionNormal(self, 4, &x, &y));
    EXPECT_FALSE(g_world->GetCollisionPoint(self, -1, &x, &y));
    read.push_back(row);
  };
  Step();
  ASSERT_EQ(read.size(), 2u);
  ASSERT_EQ(read[0].size(), 8u);  // two manifolds of two points
  for (size_t k = 0; k < 8; k += 2) {
    EXPECT_NEAR(std::fabs(read[0][k] - 100), 10, 0.5) << k;  // the crate's bottom corners
    EXPECT_NEAR(read[0][k + 1], 110, 0.5) << k;
  }
}

TEST_F(PhysicsWorldTest, ASensorReportsOnlyWhenTheContactBegins) {
  CPhysicsFixture* sensor = Box(40, 40, 0);
  sensor->SetSensor(true);
  CInstance* zone = Place(1, 100, 100);
  CInstance* crate = Place(0, 100, 100);
  ASSERT_EQ(Bind(sensor, zone), 0);
  ASSERT_EQ(Bind(Box(20, 20, 1), crate), 0);
  Step();
  EXPECT_EQ(Collisions().size(), 2u);
  Step(3);
  EXPECT_EQ(Collisions().size(), 2u) << "no further events while the sensor stays overlapped";
}

TEST_F(PhysicsWorldTest, ReportsPastTheEighthAreWarnedAndDropped) {
  MakeWorld(0.1f, 600);  // ten library steps per room step
  CrateOnFloor();
  CaptureOutput output;
  Step();
  EXPECT_EQ(output.Text(), "WARNING: Too many manifolds in collision\nWARNING: Too many manifolds in collision\n");
  EXPECT_EQ(g_points, (std::vector<int32_t>{16, 16}));
}

TEST_F(PhysicsWorldTest, ObjectsWithoutCollisionEventsFallThrough) {
  CInstance* ghost = Place(2, 100, 100);
  CInstance* floor = Place(1, 100, 120);
  ASSERT_EQ(Bind(Box(20, 20, 1), ghost), 0);
  ASSERT_EQ(Bind(Box(400, 20, 0), floor), 0);
  EXPECT_EQ(ghost->physics_object->m_category, -1);
  World()->SetGravity(0, 100);
  Step(30);
  EXPECT_GT(ghost->y, 130);
  EXPECT_TRUE(Collisions().empty());
}

TEST_F(PhysicsWorldTest, InstancesFollowTheirBodies) {
  World()->SetGravity(0, 10);
  CInstance* crate = Place(0, 100, 100);
  ASSERT_EQ(Bind(Box(20, 20, 1), crate), 0);
  crate->physics_object->SetAngularVelocity(90);  // body convention: clockwise on screen
  Step(60);
  // A second of free fall at 10 m/s² is 5 m: 50 px.
  EXPECT_NEAR(crate->y, 150, 1.0);
  EXPECT_NEAR(crate->image_angle, -90, 0.5);  // a quarter turn clockwise
  EXPECT_NEAR(crate->physics_object->m_previousY * 10, crate->y - 10.0 / 6, 0.1) << "the position before the last update";
  EXPECT_TRUE(crate->bbox_dirty);
}

TEST_F(PhysicsWorldTest, AnOffsetBodyKeepsItsInstanceInPlace) {
  CInstance* wheel = Place(0, 100, 100);
  wheel->image_angle = 90;
  CPhysicsFixture* d = Definition();
  d->SetCircleShape(0.5f);
  ASSERT_EQ(Bind(d, wheel, 16, 0), 0);
  EXPECT_NEAR(wheel->physics_object->Angle(), -std::numbers::pi / 2, 1e-6);
  EXPECT_NEAR(wheel->physics_object->X() * 10, 100, 1e-3);
  EXPECT_NEAR(wheel->physics_object->Y() * 10, 116, 1e-3);
  Step();
  EXPECT_NEAR(wheel->x, 100, 1e-3);
  EXPECT_NEAR(wheel->y, 100, 1e-3);
  EXPECT_NEAR(wheel->image_angle, 90, 1e-3);
}

TEST_F(PhysicsWorldTest, TheBodyTypeComesFromTheFirstDefinition) {
  struct Case {
    float density;
    bool kinematic;
    int32_t type;
  };
  for (const Case& c : {Case{0, false, CPhysicsObject::kBodyStatic}, Case{0, true, CPhysicsObject::kBodyKinematic},
                        Case{0.5f, true, CPhysicsObject::kBodyDynamic}}) {
    SCOPED_TRACE(testing::Message() << c.density << " " << c.kinematic);
    CInstance* i = Place(0, 0, 0);
    CPhysicsFixture* d = Box(10, 10, c.density);
    if (c.kinematic) d->SetKinematic();
    ASSERT_EQ(Bind(d, i), 0);
    EXPECT_EQ(i->physics_object->BodyType(), c.type);
    // A later fixture does not change it.
    ASSERT_EQ(Bind(Box(10, 10, c.density > 0 ? 0 : 1), i, 50, 50), 1);
    EXPECT_EQ(i->physics_object->BodyType(), c.type);
    EXPECT_EQ(i->physics_object->m_offsetX, 0) << "the second binding's offset is not used";
  }
  // Zero velocity leaves a static body static; a moving one becomes kinematic.
  CInstance* wall = Place(0, 0, 0);
  ASSERT_EQ(Bind(Box(10, 10, 0), wall), 0);
  wall->physics_object->SetLinearVelocity(0, 0);
  EXPECT_EQ(wall->physics_object->BodyType(), CPhysicsObject::kBodyStatic);
  wall->physics_object->SetLinearVelocity(1, 0);
  EXPECT_EQ(wall->physics_object->BodyType(), CPhysicsObject::kBodyKinematic);
}

TEST_F(PhysicsWorldTest, DefinitionsCountFromOneAndAreNeverReused) {
  const int32_t first = Definition()->m_id;
  EXPECT_GE(first, 1);
  EXPECT_TRUE(PhysicsFixture_Delete(first));
  EXPECT_FALSE(PhysicsFixture_Delete(first));
  EXPECT_EQ(PhysicsFixture_Find(first), nullptr);
  EXPECT_EQ(Definition()->m_id, first + 1);
}

TEST_F(PhysicsWorldTest, DensityChangesTheMassAtOnce) {
  CInstance* crate = Place(0, 0, 0);
  ASSERT_EQ(Bind(Box(20, 20, 1), crate), 0);
  EXPECT_NEAR(crate->physics_object->Mass(), 4, 1e-5);
  crate->physics_object->SetDensity(0, 2);
  EXPECT_NEAR(crate->physics_object->Mass(), 8, 1e-5);
  EXPECT_FLOAT_EQ(crate->physics_object->GetDensity(0), 2);
  crate->physics_object->SetDensity(0, -1);  // refused
  EXPECT_NEAR(crate->physics_object->Mass(), 8, 1e-5);
  EXPECT_EQ(crate->physics_object->GetDensity(7), 0) << "an unbound id reads 0";
}

TEST_F(PhysicsWorldTest, RemovingTheOnlyFixtureLeavesABodyThatCollidesWithNothing) {
  CrateOnFloor();
  EXPECT_TRUE(m_crate->physics_object->RemoveFixture(0));
  EXPECT_FALSE(m_crate->physics_object->RemoveFixture(0));
  EXPECT_EQ(m_crate->physics_object->FixtureCount(), 0);
  Step();
  EXPECT_TRUE(Collisions().empty());
}

TEST_F(PhysicsWorldTest, AChainStopsBodiesFromBothSides) {
  CPhysicsFixture* chain = Definition();
  chain->SetChainShape(false);
  for (float x : {0.0f, 10.0f, 20.0f}) EXPECT_TRUE(chain->AddPoint(x, 10));
  CInstance* ground = Place(1, 0, 0);
  ASSERT_EQ(Bind(chain, ground), 0);
  EXPECT_EQ(ground->physics_object->FixtureCount(), 2) << "one edge per segment";
  CInstance* above = Place(0, 50, 50);
  CInstance* below = Place(0, 150, 150);
  CPhysicsFixture* ball = Definition();
  ball->SetCircleShape(0.5f);
  ball->SetDensity(1);
  ASSERT_EQ(Bind(ball, above), 0);
  ASSERT_EQ(Bind(ball, below), 0);
  above->physics_object->SetLinearVelocity(0, 5);
  below->physics_object->SetLinearVelocity(0, -5);
  Step(60);
  EXPECT_LT(above->y, 100);
  EXPECT_GT(below->y, 100);
}

TEST_F(PhysicsWorldTest, PolygonPointsMustRunClockwiseOnScreen) {
  struct Case {
    std::vector<CPhysicsFixture::Point> points;
    std::vector<bool> answers;
  };
  for (const Case& c : {Case{{{0, 0}, {1, 0}, {0, 1}}, {true, true, true}},
                        Case{{{0, 1}, {1, 0}, {0, 0}}, {true, true, false}},
                        Case{{{0, 0}, {1, 0}, {2, 0}}, {true, true, false}}}) {
    CPhysicsFixture* d = Definition();
    d->SetPolygonShape();
    error_occurred = false;
    std::vector<bool> answers;
    for (const auto& p : c.points) answers.push_back(d->AddPoint(p.x, p.y));
    EXPECT_EQ(answers, c.answers);
    EXPECT_EQ(d->m_points.size(), 3u) << "a failing point stays";
    EXPECT_EQ(error_occurred, !c.answers.back());
  }
}

TEST_F(PhysicsWorldTest, APolygonTakesEightPointsAndAChainGrowsByHalf) {
  CPhysicsFixture* polygon = Definition();
  polygon->SetPolygonShape();
  for (int32_t k = 0; k < 9; ++k) {
    const double a = 2 * std::numbers::pi * k / 9;  // clockwise on screen, where y points down
    EXPECT_EQ(polygon->AddPoint(static_cast<float>(std::cos(a)), static_cast<float>(std::sin(a))), k < 8) << k;
  }
  EXPECT_EQ(polygon->m_points.size(), 8u);

  CPhysicsFixture* chain = Definition();
  chain->SetChainShape(true);
  std::vector<int32_t> capacities;
  for (int32_t k = 0; k < 13; ++k) {
    EXPECT_TRUE(chain->AddPoint(static_cast<float>(k), 0));
    capacities.push_back(chain->m_pointCapacity);
  }
  EXPECT_EQ(capacities[7], 8);
  EXPECT_EQ(capacities[8], 12);
  EXPECT_EQ(capacities[12], 18);

  CPhysicsFixture* circle = Definition();
  circle->SetCircleShape(1);
  EXPECT_FALSE(circle->AddPoint(0, 0));
  EXPECT_FALSE(Definition()->AddPoint(0, 0)) << "no shape yet";
}

TEST_F(PhysicsWorldTest, WhatTheLibraryWouldStopOnIsRefused) {
  Physics_InstallAssertHandler();
  auto polygon = [&](std::vector<CPhysicsFixture::Point> points) {
    CPhysicsFixture* d = Definition();
    d->SetPolygonShape();
    for (const auto& p : points) d->AddPoint(p.x, p.y);
    d->SetDensity(1);
    return d;
  };
  CPhysicsFixture* negativeDensity = Box(10, 10, 1);
  negativeDensity->SetDensity(-1);
  CPhysicsFixture* negativeDamping = Box(10, 10, 1);
  negativeDamping->SetLinearDamping(-1);
  CPhysicsFixture* chain = Definition();
  chain->SetChainShape(false);
  chain->AddPoint(0, 0);
  chain->AddPoint(0.001f, 0);
  CPhysicsFixture* infiniteCircle = Definition();
  infiniteCircle->SetCircleShape(INFINITY);
  for (CPhysicsFixture* d : {polygon({{0, 0}, {1, 0}, {2, 0}}), polygon({{0, 0}, {0.001f, 0}, {0, 0.001f}}), Box(0, 10, 1),
                             negativeDensity, negativeDamping, chain, infiniteCircle}) {
    SCOPED_TRACE(d->m_id);
    error_occurred = false;
    CInstance* i = Place(0, 0, 0);
    EXPECT_EQ(Bind(d, i), -1);
    EXPECT_EQ(i->physics_object, nullptr);
    EXPECT_TRUE(error_occurred) << "reported in debug mode";
  }
  EXPECT_EQ(World()->m_world->GetBodyCount(), 0);
}

TEST_F(PhysicsWorldTest, CategoriesPairObjectsWithCollisionEvents) {
  CInstance* crate = Place(0, 0, 0);
  CInstance* floor = Place(1, 0, 0);
  CInstance* ghost = Place(2, 0, 0);
  ASSERT_EQ(Bind(Box(10, 10, 1), crate), 0);
  ASSERT_EQ(Bind(Box(10, 10, 0), floor), 0);
  ASSERT_EQ(Bind(Box(10, 10, 0), ghost), 0);
  const CPhysicsWorld::Category& a = World()->m_categories[crate->physics_object->m_category];
  const CPhysicsWorld::Category& b = World()->m_categories[floor->physics_object->m_category];
  EXPECT_NE(a.categoryBits, b.categoryBits);
  EXPECT_EQ(a.maskBits, b.categoryBits);
  EXPECT_EQ(b.maskBits, a.categoryBits);
  EXPECT_EQ(ghost->physics_object->m_category, -1);
  // The crate bound before the floor had its category still gets the floor's bit.
  const b2Fixture* f = crate->physics_object->m_body->GetFixtureList();
  EXPECT_EQ(const_cast<b2Fixture*>(f)->GetUserData().pointer >> 32, b.categoryBits);
}

TEST_F(PhysicsWorldTest, AWorldThatGoesFirstLeavesItsInstancesWithoutBodies) {
  CrateOnFloor();
  delete m_room.physics_world;
  m_room.physics_world = nullptr;
  EXPECT_EQ(m_crate->physics_object, nullptr);
  EXPECT_EQ(m_floor->physics_object, nullptr);
  MakeWorld(0.1f, 60);  // for the fixture's tear-down
}

TEST_F(PhysicsWorldTest, ACopiedWorldIsEmptyWithTheSameSettings) {
  World()->SetGravity(3, 4);
  World()->m_iterations = 5;
  CrateOnFloor();
  std::unique_ptr<CPhysicsWorld> copy(CPhysicsWorld::CopyConstruct(World()));
  EXPECT_EQ(copy->m_world->GetBodyCount(), 0);
  EXPECT_EQ(copy->m_iterations, 5);
  EXPECT_EQ(copy->m_updateSpeed, 60);
  EXPECT_FLOAT_EQ(copy->m_pixelToMetreScale, 0.1f);
  EXPECT_FLOAT_EQ(copy->GravityX(), 3);
  EXPECT_FLOAT_EQ(copy->GravityY(), 4);
}

// Changing the object inside a collision event destroys the body whose fixtures the running
// record and the records still waiting refer to.
TEST_F(PhysicsWorldTest, ABodyDestroyedInACollisionEventLeavesNoFixtureBehind) {
  static std::vector<std::pair<int32_t, int32_t>> read;  // (reader id, points)
  read.clear();
  CrateOnFloor();
  CInstance* second = Place(0, 140, 100);
  ASSERT_EQ(Bind(Box(20, 20, 1), second), 0);
  kit::TheLog().onEvent = [](CInstance* self, CInstance*) {
    read.emplace_back(self->id, g_world->GetCollisionPointCount(self));
    if (self->object_index == 1 && self->physics_object != nullptr) {
      // The floor loses its body while its events run: its side of the record is cleared.
      delete self->physics_object;
      self->physics_object = nullptr;
      read.emplace_back(self->id, g_world->GetCollisionPointCount(self));
    }
  };
  Step();
  // The first record dispatched runs both events; the floor's body went in its event, so the
  // other record, which also holds a floor fixture, is dropped.
  std::vector<std::pair<int32_t, int32_t>> floorReads;
  std::vector<std::pair<int32_t, int32_t>> crateReads;
  for (const auto& r : read) (r.first == m_floor->id ? floorReads : crateReads).push_back(r);
  ASSERT_EQ(floorReads.size(), 2u);
  EXPECT_EQ(floorReads[0].second, 2);
  EXPECT_EQ(floorReads[1].second, 0);
  ASSERT_EQ(crateReads.size(), 1u);
  EXPECT_EQ(crateReads[0].second, 2) << "the crate's own side is still there";
  EXPECT_EQ(m_floor->physics_object, nullptr);
}

}  // namespace

namespace {

class PhysicsBodyOperationsTest : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    LoadObjects({{"crate", {}}});
    m_crate = Place(0, 0, 0);
    ASSERT_EQ(Bind(Box(20, 20, 1), m_crate), 0);  // 2 m square: mass 4
    m_wall = Place(0, 100, 0);
    ASSERT_EQ(Bind(Box(20, 20, 0), m_wall), 0);
  }
  CInstance* m_crate = nullptr;
  CInstance* m_wall = nullptr;
};

TEST_F(PhysicsBodyOperationsTest, ImpulsesAndForcesMoveDynamicBodiesOnly) {
  CPhysicsObject* crate = m_crate->physics_object;
  crate->ApplyImpulse(0, 0, 8, 0);  // through the centre: no turn
  EXPECT_NEAR(crate->LinearVelocityX(), 2, 1e-5);
  EXPECT_EQ(crate->AngularVelocity(), 0);
  crate->SetRotation(90);
  crate->ApplyLocalImpulse(0, 0, 4, 0);  // body-local x points along world y at a quarter turn
  EXPECT_NEAR(crate->LinearVelocityX(), 2, 1e-5);
  EXPECT_NEAR(crate->LinearVelocityY(), 1, 1e-5);
  crate->ApplyAngularImpulse(crate->Inertia());
  EXPECT_NEAR(crate->AngularVelocity(), 1, 1e-5);
  crate->ApplyForce(0, 0, NAN, 0);  // refused
  EXPECT_TRUE(std::isfinite(crate->LinearVelocityX()));

  CPhysicsObject* wall = m_wall->physics_object;
  wall->ApplyImpulse(10, 0, 8, 0);
  wall->ApplyTorque(5);
  EXPECT_EQ(wall->LinearVelocityX(), 0);
  EXPECT_EQ(wall->AngularVelocity(), 0);
}

TEST_F(PhysicsBodyOperationsTest, AForceActsInTheNextStepOnly) {
  CPhysicsObject* crate = m_crate->physics_object;
  crate->ApplyForce(crate->WorldCentreX(), crate->WorldCentreY(), 240, 0);  // 60 m/s² on 4 kg
  Step();
  EXPECT_NEAR(crate->LinearVelocityX(), 1, 1e-4);
  Step();
  EXPECT_NEAR(crate->LinearVelocityX(), 1, 1e-4) << "the force was cleared after the first step";
}

TEST_F(PhysicsBodyOperationsTest, MassPropertiesTheLibraryWouldRefuseAreRefused) {
  CPhysicsObject* crate = m_crate->physics_object;
  crate->SetMassProperties(2, 0, 0, 1);
  EXPECT_FLOAT_EQ(crate->Mass(), 2);
  EXPECT_FLOAT_EQ(crate->Inertia(), 1);
  crate->SetMassProperties(2, 3, 0, 1);  // an inertia below the mass's own about the centre
  crate->SetMassProperties(-1, 0, 0, 1);
  EXPECT_FLOAT_EQ(crate->Mass(), 2);
  EXPECT_FLOAT_EQ(crate->Inertia(), 1);
}

TEST_F(PhysicsBodyOperationsTest, OverlapPlacesTheFirstBodyWhereAsked) {
  EXPECT_FALSE(Physics_TestOverlap(m_crate, m_wall, 0, 0, 0));
  EXPECT_TRUE(Physics_TestOverlap(m_crate, m_wall, 9.5f, 0, 0));  // the wall's centre is 10 m away
  EXPECT_TRUE(Physics_TestOverlap(m_crate, m_wall, 7.7f, 0, static_cast<float>(std::numbers::pi / 4)))
      << "turned, the square reaches further";
  EXPECT_FALSE(Physics_TestOverlap(m_crate, m_wall, 7.7f, 0, 0));
  CInstance* bodiless = Place(0, 0, 0);
  EXPECT_FALSE(Physics_TestOverlap(bodiless, m_wall, 10, 0, 0));
}

}  // namespace

namespace {

class PhysicsCategoryTest : public PhysicsTest {};

TEST_F(PhysicsCategoryTest, AChildWithoutEventsOfItsOwnSharesItsParentsCategory) {
  // 0 ball, 1 wall; 2 child of ball adds nothing; 3 child of ball adds an event with itself.
  std::vector<ObjtEntry> entries = {Entry("ball"), Entry("wall"), Entry("pebble", 0), Entry("rock", 0)};
  entries[0].on(kEventCollision, 1, kit::kLogEvent);
  entries[1].on(kEventCollision, 0, kit::kLogEvent);
  entries[3].on(kEventCollision, 3, kit::kLogEvent);
  ASSERT_TRUE(Load(std::span(entries.data(), entries.size())));
  ObjectLists_Build();
  const int32_t ball = World()->CollisionCategoryFor(0);
  EXPECT_GE(ball, 0);
  EXPECT_EQ(World()->CollisionCategoryFor(2), ball);
  const int32_t rock = World()->CollisionCategoryFor(3);
  EXPECT_GE(rock, 0);
  EXPECT_NE(rock, ball);
}

TEST_F(PhysicsCategoryTest, TheThirtyThirdObjectGetsNoCategoryAndCollidesWithNothing) {
  std::vector<ObjtEntry> entries;
  std::vector<std::string> names;
  for (int32_t k = 0; k < 33; ++k) names.push_back("o" + std::to_string(k));
  for (int32_t k = 0; k < 33; ++k) {
    entries.push_back(Entry(names[static_cast<size_t>(k)].c_str()));
    entries.back().on(kEventCollision, static_cast<uint32_t>(k), kit::kLogEvent);
  }
  ASSERT_TRUE(Load(std::span(entries.data(), entries.size())));
  ObjectLists_Build();
  for (int32_t k = 0; k < 32; ++k) EXPECT_EQ(World()->CollisionCategoryFor(k), k);
  error_occurred = false;
  CInstance* last = Place(32, 0, 0);
  ASSERT_EQ(Bind(Box(10, 10, 1), last), 0);
  EXPECT_TRUE(error_occurred);
  ASSERT_NE(error_last, nullptr);
  EXPECT_NE(std::string(error_last->text).find("Unable to assign a collision category for object o32.\nConsider using "
                                                "parenting to reduce collision overheads where possible."),
            std::string::npos);
  EXPECT_EQ(last->physics_object->m_category, -1);
  EXPECT_EQ(last->physics_object->m_body->GetFixtureList()->GetUserData().pointer, 0u);
}

}  // namespace
