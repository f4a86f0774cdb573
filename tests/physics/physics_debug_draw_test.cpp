#include "physics/debug_draw.h"
#include "physics_test_support.h"

namespace {

// What the debug drawing sent to the primitives.
struct Recorded {
  std::vector<uint32_t> colours;
  std::vector<std::vector<float>> lines;
  int32_t triangles = 0;
  std::vector<std::vector<float>> ellipses;
};
Recorded g_drawn;

constexpr PhysicsDebugPrimitives kRecorder = {
    [](uint32_t c) { g_drawn.colours.push_back(c); },
    [](float x1, float y1, float x2, float y2) { g_drawn.lines.push_back({x1, y1, x2, y2}); },
    [](float, float, float, float, float, float, bool) { ++g_drawn.triangles; },
    [](float x1, float y1, float x2, float y2, bool outline) { g_drawn.ellipses.push_back({x1, y1, x2, y2, outline ? 1.0f : 0.0f}); },
};

class PhysicsDebugDrawTest : public PhysicsTest {
 protected:
  void SetUp() override {
    PhysicsTest::SetUp();
    g_drawn = Recorded();
    Physics_SetDebugPrimitives(&kRecorder);
    LoadObjects({{"crate", {1}}, {"floor", {0}}});
  }
  void TearDown() override {
    Physics_SetDebugPrimitives(nullptr);
    PhysicsTest::TearDown();
  }
};

TEST(PhysicsDebugColourTest, ComponentsBecomeBytesWithoutWrapping) {
  for (const auto& [component, byte] : std::vector<std::pair<float, int32_t>>{{0, 0}, {0.5f, 128}, {0.9f, 230}, {1.0f, 255}}) {
    EXPECT_EQ(Physics_ColourByte(component), byte) << component;
  }
}

TEST(PhysicsDebugColourTest, ScriptFlagsMapToTheLibrarysFromTheLowByte) {
  EXPECT_EQ(Physics_DebugFlags(16), 0u);
  EXPECT_EQ(Physics_DebugFlags(32), 0u);
  EXPECT_EQ(Physics_DebugFlags(1 + 64), static_cast<uint32_t>(b2Draw::e_shapeBit | b2Draw::e_pairBit));
  EXPECT_EQ(Physics_DebugFlags(2 + 4 + 8), static_cast<uint32_t>(b2Draw::e_jointBit | b2Draw::e_centerOfMassBit | b2Draw::e_aabbBit));
  EXPECT_EQ(Physics_DebugFlags(0x100 + 1), static_cast<uint32_t>(b2Draw::e_shapeBit));
}

TEST_F(PhysicsDebugDrawTest, ShapesAndPairsAreDrawnOnlyWhenAsked) {
  CInstance* crate = Place(0, 100, 100);
  CInstance* floor = Place(1, 100, 120);
  ASSERT_EQ(Bind(Box(20, 20, 1), crate), 0);
  ASSERT_EQ(Bind(Box(400, 20, 0), floor), 0);
  Step();
  World()->DrawDebug(16 + 32);
  EXPECT_TRUE(g_drawn.colours.empty());
  EXPECT_TRUE(g_drawn.lines.empty());
  EXPECT_EQ(g_drawn.triangles, 0);

  World()->DrawDebug(1 + 64);
  EXPECT_EQ(g_drawn.triangles, 4) << "two boxes, two triangles each";
  ASSERT_EQ(g_drawn.lines.size(), 1u) << "one contact pair";
  EXPECT_NEAR(g_drawn.lines[0][0], 100, 1e-3);
  EXPECT_NEAR(g_drawn.lines[0][2], 100, 1e-3);
}

TEST_F(PhysicsDebugDrawTest, AnOffsetCircleIsDrawnAroundTheBodyOrigin) {
  CInstance* wheel = Place(0, 100, 100);
  CPhysicsFixture* d = Definition();
  d->SetCircleShape(0.5f);
  ASSERT_EQ(Bind(d, wheel, 16, 0), 0);  // the body origin at (84, 100)
  wheel->physics_object->DebugDraw(10);
  ASSERT_EQ(g_drawn.ellipses.size(), 1u);
  const std::vector<float> expected = {79, 95, 89, 105, 1};
  for (size_t k = 0; k < expected.size(); ++k) EXPECT_NEAR(g_drawn.ellipses[0][k], expected[k], 1e-4) << k;
}

}  // namespace
