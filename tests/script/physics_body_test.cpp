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

  static const PhysicsBindRecord& OnlyBind() {
    EXPECT_EQ(Physics_Record().binds.size(), 1u);
    return Physics_Record().binds.front();
  }

  CPhysicsWorld m_world{0.1f};
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
    Physics_ClearRecord();
    CInstance* i = Make(PhysicsObject("ball", kPhysicsShapeCircle, {{16, 16}, {16, 0}}), c.scale, c.scale);
    i->CreatePhysicsBody(&m_room);
    const PhysicsBindRecord& bind = OnlyBind();
    EXPECT_EQ(bind.instance, i);
    EXPECT_EQ(bind.fixture.m_shape, CPhysicsFixture::kShapeCircle);
    EXPECT_FLOAT_EQ(bind.fixture.m_radius, c.radius);
    EXPECT_FLOAT_EQ(bind.offsetX, c.offset);
    EXPECT_FLOAT_EQ(bind.offsetY, c.offset);
    EXPECT_NE(i->physics_object, nullptr);
    EXPECT_EQ(PhysicsFixture_LiveCount(), 0) << "the fixture definition goes once bound";
    EXPECT_FALSE(error_occurred);
  }
}

TEST_F(PhysicsBodyTest, AnUnevenlyScaledCircleIsReportedAndBuiltUnscaled) {
  CInstance* i = Make(PhysicsObject("egg", kPhysicsShapeCircle, {{8, 4}, {10, 0}}), 2, 3);
  i->CreatePhysicsBody(&m_room);
  EXPECT_EQ(LastError(), "Image scale for physics object using circle collision should not vary across axes: egg\n");
  const PhysicsBindRecord& bind = OnlyBind();
  EXPECT_FLOAT_EQ(bind.fixture.m_radius, 1.0f);
  EXPECT_FLOAT_EQ(bind.offsetX, -8.0f);
  EXPECT_FLOAT_EQ(bind.offsetY, -4.0f);
}

TEST_F(PhysicsBodyTest, ACircleWithoutTwoPointsMakesNoBody) {
  for (const std::vector<ObjectPoint>& points : {std::vector<ObjectPoint>{}, std::vector<ObjectPoint>{{4, 4}}}) {
    Physics_ClearRecord();
    error_last = SharedString_Unref(error_last);
    CInstance* i = Make(PhysicsObject("broken", kPhysicsShapeCircle, points), 1, 1);
    i->CreatePhysicsBody(&m_room);
    EXPECT_EQ(LastError(), "Corrupt shape data for broken\n");
    EXPECT_TRUE(Physics_Record().binds.empty());
    EXPECT_EQ(i->physics_object, nullptr);
    EXPECT_EQ(PhysicsFixture_LiveCount(), 0);
  }
}

TEST_F(PhysicsBodyTest, PolygonPointsAreScaledAndReversedWhenMirrored) {
  const std::vector<ObjectPoint> outline = {{0, 0}, {10, 0}, {10, 20}};
  struct Case {
    int32_t shape;
    float xscale;
    float yscale;
    std::vector<ObjectPoint> metres;
  };
  for (const Case& c : {Case{kPhysicsShapePolygon, 1, 1, {{0, 0}, {1, 0}, {1, 2}}},
                        Case{kPhysicsShapePolygon, -1, 1, {{-1, 2}, {-1, 0}, {0, 0}}},
                        Case{kPhysicsShapeBox, 1, -2, {{1, -4}, {1, 0}, {0, 0}}},
                        Case{kPhysicsShapeBox, -1, -1, {{0, 0}, {-1, 0}, {-1, -2}}}}) {
    SCOPED_TRACE(testing::Message() << c.shape << " scale " << c.xscale << "," << c.yscale);
    Physics_ClearRecord();
    CInstance* i = Make(PhysicsObject("hull", c.shape, outline), c.xscale, c.yscale);
    i->CreatePhysicsBody(&m_room);
    const PhysicsBindRecord& bind = OnlyBind();
    EXPECT_EQ(bind.fixture.m_shape, CPhysicsFixture::kShapePolygon);
    EXPECT_EQ(bind.offsetX, 0.0f);
    EXPECT_EQ(bind.offsetY, 0.0f);
    ASSERT_EQ(bind.fixture.m_pointCount, 3);
    for (int p = 0; p < 3; ++p) {
      EXPECT_FLOAT_EQ(bind.fixture.m_points[p][0], c.metres[p].x) << p;
      EXPECT_FLOAT_EQ(bind.fixture.m_points[p][1], c.metres[p].y) << p;
    }
  }
}

TEST_F(PhysicsBodyTest, TheFixtureTakesTheDefinitionsMaterial) {
  CObject* o = PhysicsObject("crate", kPhysicsShapeBox, {{0, 0}, {1, 0}, {1, 1}});
  o->linear_damping = 0.3f;
  o->angular_damping = 0.4f;
  o->sensor = true;
  o->group = 0x12345;  // kept as 16 bits
  o->density = 2.5f;
  o->restitution = 0.6f;
  o->friction = 0.7f;
  o->awake = false;
  o->kinematic = true;
  Make(o, 1, 1)->CreatePhysicsBody(&m_room);
  const CPhysicsFixture& f = OnlyBind().fixture;
  EXPECT_FLOAT_EQ(f.m_linearDamping, 0.3f);
  EXPECT_FLOAT_EQ(f.m_angularDamping, 0.4f);
  EXPECT_TRUE(f.m_sensor);
  EXPECT_EQ(f.m_collisionGroup, 0x2345);
  EXPECT_FLOAT_EQ(f.m_density, 2.5f);
  EXPECT_FLOAT_EQ(f.m_restitution, 0.6f);
  EXPECT_FLOAT_EQ(f.m_friction, 0.7f);
  EXPECT_FALSE(f.m_awake);
  EXPECT_TRUE(f.m_kinematic);
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
  EXPECT_TRUE(Physics_Record().binds.empty());
  EXPECT_EQ(PhysicsFixture_LiveCount(), 0);
}

TEST_F(PhysicsBodyTest, ChangingObjectReplacesTheBody) {
  CObject* ball = PhysicsObject("ball", kPhysicsShapeCircle, {{1, 1}, {1, 0}});
  CObject* crate = PhysicsObject("crate", kPhysicsShapeBox, {{0, 0}, {1, 0}, {1, 1}});
  CObject* plain = NewObject("plain");
  CInstance* i = Make(ball, 1, 1);
  i->CreatePhysicsBody(&m_room);
  CPhysicsObject* firstBody = i->physics_object;
  ASSERT_NE(firstBody, nullptr);

  i->ChangeObject(crate->index);
  EXPECT_EQ(Physics_Record().bodiesDestroyed, 1);
  EXPECT_EQ(Physics_Record().bodiesCreated, 2);
  EXPECT_EQ(Physics_Record().binds.back().fixture.m_shape, CPhysicsFixture::kShapePolygon);
  EXPECT_NE(i->physics_object, nullptr);

  i->ChangeObject(plain->index);
  EXPECT_EQ(Physics_Record().bodiesDestroyed, 2);
  EXPECT_EQ(i->physics_object, nullptr);

  i->ChangeObject(ball->index);
  i->RebuildPhysicsBody(&m_room);
  EXPECT_EQ(Physics_Record().bodiesCreated, 4);
  EXPECT_EQ(Physics_Record().bodiesDestroyed, 3);
  InstanceQueues_Clear();
}

}  // namespace
