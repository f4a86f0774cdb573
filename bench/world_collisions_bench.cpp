// Costs of the collision phase and of place_free: 1,000 instances of 16 x 16 boxes spread over a
// 640 x 480 room, of 10 objects each paired with the next by a collision event with an empty
// translated handler; place_free from a place no instance covers, so the whole list is walked.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "assets/sprite_table.h"
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
    CSprite box;
    box.frameCount = 1;
    box.maskRight = 15;
    box.maskBottom = 15;
    box.precise = false;  // a box: without mask bytes a precise sprite would collide with nothing
    const int32_t sprite = Sprite_Add(box);
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
    Room_Current = &m_room;
    uint32_t seed = 12345;
    auto next = [&seed](uint32_t n) {
      seed = seed * 1103515245u + 12345u;
      return (seed >> 8) % n;
    };
    for (int32_t i = 0; i < kInstances; ++i) {
      auto* instance = new CInstance(static_cast<float>(next(624)), static_cast<float>(next(464)), 100001 + i,
                                     i % kObjects, true);
      instance->SetSpriteIndex(sprite);
      instance->solid = solid;
      instance->xprevious = instance->x;
      instance->yprevious = instance->y;
      m_room.active.InsertByDepth(instance);
      m_instances.push_back(instance);
    }
    m_caller = new CInstance(-1000, -1000, 200000, 0, false);
    m_caller->SetSpriteIndex(sprite);
  }
  ~World() {
    Room_Current = nullptr;
    m_room.active = InstanceList();
    for (CInstance* i : m_instances) delete i;
    delete m_caller;
    ObjectLists_FreeAll();
    Object_Shutdown();
    Game_UseLinkRecord(nullptr);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  CRoom m_room;
  std::vector<CInstance*> m_instances;
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
