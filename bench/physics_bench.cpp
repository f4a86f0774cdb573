// Costs of the physics world's step as the motion phase runs it at room speed 60: bodies that move
// without touching (the per-body passes before and after the library's steps), and a pile of
// boxes resting on a floor (contacts filed and dispatched as collision events every step).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "physics/world_update.h"
#include "world/instance.h"
#include "world/physics_service.h"
#include "world/room.h"

namespace {

struct Scene {
  Scene() {
    room.m_speed = 60;
    room.physics_world = new CPhysicsWorld(0.1f, 60);
    room.physics_world->SetGravity(0, 10);
    Room_Current = &room;
  }
  ~Scene() {
    instances.clear();  // their bodies go before the world
    Room_Current = nullptr;
  }
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  CInstance* Body(float x, float y, float width, float height, float density) {
    instances.push_back(std::make_unique<CInstance>(x, y, 100000 + static_cast<int32_t>(instances.size()), -1, false));
    CPhysicsFixture* d = PhysicsFixture_Create();
    d->SetBoxShape(width / 2 * 0.1f, height / 2 * 0.1f);
    d->SetDensity(density);
    d->SetCollisionGroup(1);  // objects without collision events: the group makes them collide
    room.physics_world->BindFixture(d, instances.back().get(), 0, 0);
    PhysicsFixture_Delete(d->m_id);
    return instances.back().get();
  }

  CRoom room;
  std::vector<std::unique_ptr<CInstance>> instances;
};

void BM_PhysicsWorldUpdateOfSeparateBodies(benchmark::State& state) {
  Scene scene;
  const int32_t n = static_cast<int32_t>(state.range(0));
  scene.room.physics_world->SetGravity(0, 0);
  for (int32_t i = 0; i < n; ++i) {
    CInstance* body = scene.Body(static_cast<float>(i % 100) * 40, static_cast<float>(i / 100) * 40, 10, 10, 1);
    body->physics_object->SetLinearVelocity(1, 0);  // all alike: awake, never meeting another
  }
  for (auto _ : state) PhysicsWorldUpdate(60, false);
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_PhysicsWorldUpdateOfSeparateBodies)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_PhysicsWorldUpdateOfAPileOf500Boxes(benchmark::State& state) {
  Scene scene;
  scene.Body(500, 1010, 1200, 20, 0);
  for (int32_t i = 0; i < 500; ++i) scene.Body(static_cast<float>(100 + (i % 25) * 32), static_cast<float>(990 - (i / 25) * 22), 30, 20, 1);
  for (int32_t i = 0; i < 120; ++i) PhysicsWorldUpdate(60, false);  // settle into a pile
  for (auto _ : state) PhysicsWorldUpdate(60, false);
}
BENCHMARK(BM_PhysicsWorldUpdateOfAPileOf500Boxes)->Unit(benchmark::kMicrosecond);

}  // namespace
