// Costs of the collision phase and of place_free: 1,000 instances of 16 x 16 boxes spread over a
// 640 x 480 room, of 10 objects each paired with the next by a collision event with an empty
// translated handler; place_free from a place no instance covers, so the whole list is walked.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "box_room.h"
#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "vm/code_object.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/queries.h"
#include "world/room.h"
#include "world/step_phases.h"

namespace {

constexpr int32_t kObjects = 10;
constexpr int32_t kInstances = 1000;

int64_t g_runs = 0;
void CountingHandler(CInstance*, CInstance*) { ++g_runs; }

LinkFunction g_functions[] = {{"tll_Object_ob_Collision", reinterpret_cast<void*>(&CountingHandler)}};
GameLinkRecord g_record;

class World {
 public:
  explicit World(bool solid) {
    Game_SetCompiledMode(true);
    g_record.functionCount = 1;
    g_record.functions = g_functions;
    Game_UseLinkRecord(&g_record);
    Object_Init();
    const int32_t sprite = BoxRoom::AddSprite();
    for (int32_t k = 0; k < kObjects; ++k) {
      CObject* object = Object_Data(Object_Add());
      const int32_t partner = (k + 1) % kObjects;
      std::vector<CEvent*>& row = object->events[kEventCollision];
      row.resize(static_cast<size_t>(partner) + 1, nullptr);
      auto* event = new CEvent();
      event->name = "";
      event->code = new CCode(0, 0);
      row[static_cast<size_t>(partner)] = event;
    }
    ObjectLists_Build();
    m_room = std::make_unique<BoxRoom>(sprite, kInstances, kObjects, 640, 480, solid);
    m_caller = m_room->caller;
  }
  ~World() {
    m_room.reset();
    ObjectLists_FreeAll();
    Object_Shutdown();
    Game_UseLinkRecord(nullptr);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  std::unique_ptr<BoxRoom> m_room;
  CInstance* m_caller = nullptr;
};

void BM_CollisionPhase1000InstancesOf10PairedObjects(benchmark::State& state) {
  World world(false);
  g_runs = 0;
  for (auto _ : state) HandleCollision();
  if (g_runs == 0) state.SkipWithError("no pair collided");
  state.counters["events_per_step"] = static_cast<double>(g_runs) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_CollisionPhase1000InstancesOf10PairedObjects);

void BM_PlaceFreeAgainst1000Instances(benchmark::State& state) {
  World world(true);
  bool free = false;
  for (auto _ : state) {
    free = Command_PlaceFree(world.m_caller, 640, 480);
    benchmark::DoNotOptimize(free);
  }
  if (!free) state.SkipWithError("the place was not free");
}
BENCHMARK(BM_PlaceFreeAgainst1000Instances);

}  // namespace
