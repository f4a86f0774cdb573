#include <box2d/box2d.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "script_test_support.h"

namespace {

class PhysicsBodyTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    CSprite sprite;
    sprite.frameCount = 1;
    m_sprite = Sprite_Add(sprite);
    m_room.physics_world = &m_world;
    Room_Current = &m_room;
  }
  void TearDown() override {
    m_room.physics_world = nullptr;  // the fixture's own
    m_instances.clear();  // before their object definitions go
    WorldTest::TearDown();
  }

  CObject* PhysicsObject(const char* name, int32_t shape, std::vector<ObjectPoint> points) {
    CObject* o = NewObject(name);
    o->uses_physics = true;
    o->sprite_index = m_sprite;
    o->shape = shape;
    o->SetPoints(points.data(), static_cast<int32_t>(points.size()));
    return o;
  }

  // An instance of the object with its scale set before the body is made.
  CInstance* Make(const CObject* o, float xscale, float yscale) {
    m_instances.emplace_back(new CInstance(0, 0, 100000, o->index, false));
    CInstance* i = m_instances.back().get();
    i->image_xscale = xscale;
    i->image_yscale = yscale;
    return i;
  }

  // The one library fixture of the instance's body.
  static const b2Fixture* OnlyFixture(const CInstance* i) {
    EXPECT_NE(i->physics_object, nullptr);
    if (i->physics_object == nullptr) return nullptr;
    EXPECT_EQ(i->physics_object->FixtureCount(), 1);
    return i->physics_object->m_body->GetFixtureList();
  }
  // A polygon's corners in a fixed order (the library keeps them in its own).
  static std::vector<std::pair<float, float>> Corners(const b2Fixture* f) {
    std::vector<std::pair<float, float>> corners;
    const auto* polygon = static_cast<const b2PolygonShape*>(f->GetShape());
    for (int32_t k = 0; k < polygon->m_count; ++k) corners.emplace_back(polygon->m_vertices[k].x, polygon->m_vertices[k].y);
    std::sort(corners.begin(), corners.end());
    return corners;
  }

  CPhysicsWorld m_world{0.1f, 30};
  CRoom m_room;
  int32_t m_sprite = -1;
  std::vector<std::unique_ptr<CInstance>> m_instances;
};

TEST_F(PhysicsBodyTest, ACircleTakesItsRadiusAndOffsetFromTheScaledPoints) {
  struct Case {
    float scale;
    float radius;
    float offset;
  };
  // A mirrored circle mirrors its centre; its radius stays positive.
  for (const Case& c : {Case{2, 3.2f, -32}, Case{-2, 3.2f, 32}}) {
    SCOPED_TRACE(c.scale);
    CInstance* i = Make(PhysicsObject("ball", kPhysicsShapeCircle, {{16, 16}, {16, 0}}), c.scale, c.scale);
    i->CreatePhysicsBody(&m_room);
    const b2Fixture* f = OnlyFixture(i);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->GetType(), b2Shape::e_circle);
    EXPECT_FLOAT_EQ(f->GetShape()->m_radius, c.radius);
    EXPECT_FLOAT_EQ(i->physics_object->m_offsetX, c.offset);
    EXPECT_FLOAT_EQ(i->physics_object->m_offsetY, c.offset);
    // The body origin sits at the instance minus the offset.
    EXPECT_FLOAT_EQ(i->physics_object->X(), -c.offset * 0.1f);
    EXPECT_EQ(PhysicsFixture_LiveCount(), 0) << "the fixture definition goes once bound";
    EXPECT_FALSE(error_occurred);
  }
}

TEST_F(PhysicsBodyTest, AnUnevenlyScaledCircleIsReportedAndBuiltUnscaled) {
  CInstance* i = Make(PhysicsObject("egg", kPhysicsShapeCircle, {{8, 4}, {10, 0}}), 2, 3);
  i->CreatePhysicsBody(&m_room);
  EXPECT_EQ(LastError(), "Image scale for physics object using circle collision should not vary across axes: egg\n");
  const b2Fixture* f = OnlyFixture(i);
  ASSERT_NE(f, nullptr);
  EXPECT_FLOAT_EQ(f->GetShape()->m_radius, 1.0f);
  EXPECT_FLOAT_EQ(i->physics_object->m_offsetX, -8.0f);
  EXPECT_FLOAT_EQ(i->physics_object->m_offsetY, -4.0f);
}

TEST_F(PhysicsBodyTest, ACircleWithoutTwoPointsMakesNoBody) {
  for (const std::vector<ObjectPoint>& points : {std::vector<ObjectPoint>{}, std::vector<ObjectPoint>{{4, 4}}}) {
    error_last = SharedString_Unref(error_last);
    CInstance* i = Make(PhysicsObject("broken", kPhysicsShapeCircle, points), 1, 1);
    i->CreatePhysicsBody(&m_room);
    EXPECT_EQ(LastError(), "Corrupt shape data for broken\n");
    EXPECT_EQ(i->physics_object, nullptr);
    EXPECT_EQ(m_world.m_world->GetBodyCount(), 0);
    EXPECT_EQ(PhysicsFixture_LiveCount(), 0);
  }
}

TEST_F(PhysicsBodyTest, PolygonPointsAreScaledAndReversedWhenMirrored) {
  const std::vector<ObjectPoint> outline = {{0, 0}, {10, 0}, {10, 20}};
  struct Case {
    int32_t shape;
    float xscale;
    float yscale;
    std::vector<std::pair<float, float>> metres;  // sorted
  };
  for (const Case& c : {Case{kPhysicsShapePolygon, 1, 1, {{0, 0}, {1, 0}, {1, 2}}},
                        Case{kPhysicsShapePolygon, -1, 1, {{-1, 0}, {-1, 2}, {0, 0}}},
                        Case{kPhysicsShapeBox, 1, -2, {{0, 0}, {1, -4}, {1, 0}}},
                        Case{kPhysicsShapeBox, -1, -1, {{-1, -2}, {-1, 0}, {0, 0}}}}) {
    SCOPED_TRACE(testing::Message() << c.shape << " scale " << c.xscale << "," << c.yscale);
    CInstance* i = Make(PhysicsObject("hull", c.shape, outline), c.xscale, c.yscale);
    i->CreatePhysicsBody(&m_room);
    const b2Fixture* f = OnlyFixture(i);
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->GetType(), b2Shape::e_polygon);
    EXPECT_EQ(i->physics_object->m_offsetX, 0.0f);
    EXPECT_EQ(i->physics_object->m_offsetY, 0.0f);
    const auto corners = Corners(f);
    ASSERT_EQ(corners.size(), 3u);
    for (size_t p = 0; p < 3; ++p) {
      EXPECT_NEAR(corners[p].first, c.metres[p].first, 1e-6) << p;
      EXPECT_NEAR(corners[p].second, c.metres[p].second, 1e-6) << p;
    }
  }
}

TEST_F(PhysicsBodyTest, TheFixtureTakesTheDefinitionsMaterial) {
  CObject* o = PhysicsObject("crate", kPhysicsShapeBox, {{0, 0}, {10, 0}, {10, 10}});
  o->linear_damping = 0.3f;
  o->angular_damping = 0.4f;
  o->sensor = true;
  o->group = 0x12345;  // kept as 16 bits
  o->density = 2.5f;
  o->restitution = 0.6f;
  o->friction = 0.7f;
  o->awake = false;
  o->kinematic = true;
  CInstance* i = Make(o, 1, 1);
  i->CreatePhysicsBody(&m_room);
  const b2Fixture* f = OnlyFixture(i);
  ASSERT_NE(f, nullptr);
  const b2Body* body = i->physics_object->m_body;
  EXPECT_FLOAT_EQ(body->GetLinearDamping(), 0.3f);
  EXPECT_FLOAT_EQ(body->GetAngularDamping(), 0.4f);
  EXPECT_TRUE(f->IsSensor());
  EXPECT_EQ(f->GetFilterData().groupIndex, 0x2345);
  EXPECT_FLOAT_EQ(f->GetDensity(), 2.5f);
  EXPECT_FLOAT_EQ(f->GetRestitution(), 0.6f);
  EXPECT_FLOAT_EQ(f->GetFriction(), 0.7f);
  EXPECT_FALSE(body->IsAwake());
  EXPECT_EQ(body->GetType(), b2_dynamicBody) << "a density above 0 wins over the kinematic flag";
}

TEST_F(PhysicsBodyTest, NoBodyWithoutAWorldASpriteOrPhysics) {
  CObject* withPhysics = PhysicsObject("ball", kPhysicsShapeCircle, {{1, 1}, {1, 0}});
  CObject* noSprite = PhysicsObject("ghost", kPhysicsShapeCircle, {{1, 1}, {1, 0}});
  noSprite->sprite_index = -1;
  CObject* noPhysics = PhysicsObject("plain", kPhysicsShapeCircle, {{1, 1}, {1, 0}});
  noPhysics->uses_physics = false;
  CRoom worldless;
  Make(withPhysics, 1, 1)->CreatePhysicsBody(&worldless);
  Make(withPhysics, 1, 1)->CreatePhysicsBody(nullptr);
  Make(noSprite, 1, 1)->CreatePhysicsBody(&m_room);
  Make(noPhysics, 1, 1)->CreatePhysicsBody(&m_room);
  EXPECT_EQ(m_world.m_world->GetBodyCount(), 0);
  EXPECT_EQ(PhysicsFixture_LiveCount(), 0);
}

TEST_F(PhysicsBodyTest, ChangingObjectReplacesTheBody) {
  CObject* ball = PhysicsObject("ball", kPhysicsShapeCircle, {{1, 1}, {1, 0}});
  CObject* crate = PhysicsObject("crate", kPhysicsShapeBox, {{0, 0}, {10, 0}, {10, 10}});
  CObject* plain = NewObject("plain");
  CInstance* i = Make(ball, 1, 1);
  i->CreatePhysicsBody(&m_room);
  ASSERT_NE(i->physics_object, nullptr);
  EXPECT_EQ(m_world.m_world->GetBodyCount(), 1);

  i->ChangeObject(crate->index);
  EXPECT_EQ(m_world.m_world->GetBodyCount(), 1) << "the old body went, a new one came";
  const b2Fixture* f = OnlyFixture(i);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->GetType(), b2Shape::e_polygon);

  i->ChangeObject(plain->index);
  EXPECT_EQ(m_world.m_world->GetBodyCount(), 0);
  EXPECT_EQ(i->physics_object, nullptr);

  i->ChangeObject(ball->index);
  i->RebuildPhysicsBody(&m_room);
  EXPECT_EQ(m_world.m_world->GetBodyCount(), 1);
  InstanceQueues_Clear();
}

}  // namespace
