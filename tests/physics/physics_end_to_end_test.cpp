// A written game whose room has a physics world: a box falls onto a floor and comes to rest, and
// the two objects' collision events run both ways.
#include <algorithm>
#include <cmath>
#include <set>

#include "world/physics_service.h"
#include "world/world_driver.h"

namespace {

class PhysicsEndToEndTest : public WorldDriverTest {};

container::ObjtEntry PhysicsBox(const char* name, int32_t sprite, float width, float height, float density, int32_t partner) {
  container::ObjtEntry e;
  e.name = name;
  e.sprite_index = sprite;
  e.physics.uses_physics = true;
  e.physics.shape = kPhysicsShapeBox;
  e.physics.density = density;
  e.physics.restitution = 0;
  e.physics.points = {{0, 0}, {width, 0}, {width, height}, {0, height}};  // clockwise on screen
  e.on(kEventCollision, static_cast<uint32_t>(partner), kit::kLogEvent);
  return e;
}

TEST_F(PhysicsEndToEndTest, ABoxFallsOntoTheFloorAndComesToRest) {
  const int32_t sprite = Square();
  const std::vector<container::ObjtEntry> objects = {PhysicsBox("box", sprite, 32, 32, 0.5f, 1),
                                                      PhysicsBox("floor", sprite, 320, 32, 0, 0)};
  container::RoomEntry room{.name = "r", .width = 320, .height = 240, .speed = 60};
  room.uses_physics = true;
  room.gravity_y = 10;
  room.pixel_to_metre = 0.1f;
  room.instances = {{.x = 100, .y = 120, .object = 0, .id = 100001}, {.x = 0, .y = 200, .object = 1, .id = 100002}};
  Start(std::span(&room, 1), objects);
  ASSERT_NE(Room_Current->physics_world, nullptr);
  CInstance* box = Instance(100001);
  ASSERT_NE(box, nullptr);
  ASSERT_NE(box->physics_object, nullptr);

  std::vector<float> heights;
  std::set<std::pair<int32_t, int32_t>> collisions;  // (self, other)
  for (int32_t step = 0; step < 120; ++step) {
    Seen().clear();
    ASSERT_EQ(Run(1), 1);
    heights.push_back(box->y);
    for (const kit::EventSeen& e : Seen()) {
      if (e.type == kEventCollision) collisions.emplace(e.self, e.other);
    }
  }
  // The box's bottom rests on the floor's top at y 200.
  const auto [low, high] = std::minmax_element(heights.end() - 30, heights.end());
  EXPECT_LE(*high - *low, 1.0f);
  EXPECT_NEAR(heights.back(), 200 - 32, 1.0);
  EXPECT_GT(heights.back(), heights.front());
  EXPECT_EQ(collisions, (std::set<std::pair<int32_t, int32_t>>{{100001, 100002}, {100002, 100001}}));
}

}  // namespace
