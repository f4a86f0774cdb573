// Costs of the game world's event machinery: performing a handler that is inherited through three
// ancestors (the search through the object table, the context kept, the translated handler run),
// and rebuilding the per-event object lists of a game of 1,000 objects.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>

#include "host/game_loader.h"
#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "vm/code_object.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/object_lists.h"

namespace {

int64_t g_runs = 0;
void CountingHandler(CInstance*, CInstance*) { ++g_runs; }

LinkFunction g_functions[] = {{"tll_Object_ob_bench_Step_0", reinterpret_cast<void*>(&CountingHandler)}};
GameLinkRecord g_record;

// A compiled game whose only translated function is the counting handler; `count` objects.
class World {
 public:
  explicit World(int32_t count) {
    Game_SetCompiledMode(true);
    g_record.functionCount = 1;
    g_record.functions = g_functions;
    Game_UseLinkRecord(&g_record);
    Object_Init();
    for (int32_t i = 0; i < count; ++i) Object_Add();
  }
  ~World() {
    ObjectLists_FreeAll();
    Object_Shutdown();
    Game_UseLinkRecord(nullptr);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  static void Define(int32_t objectIndex, int32_t type, int32_t number) {
    std::vector<CEvent*>& row = Object_Data(objectIndex)->events[type];
    if (row.size() <= static_cast<size_t>(number)) row.resize(static_cast<size_t>(number) + 1, nullptr);
    if (row[static_cast<size_t>(number)] != nullptr) return;
    auto* event = new CEvent();
    event->name = "";
    event->code = new CCode(0, 0);
    row[static_cast<size_t>(number)] = event;
  }
};

void BM_PerformEventInheritedThroughThreeAncestors(benchmark::State& state) {
  // 1,000 objects, so the table's buckets hold two each; 3 is the child of 2, of 1, of 0.
  World world(1000);
  for (int32_t i = 1; i <= 3; ++i) Object_Data(i)->parent_index = i - 1;
  Object_LinkParents();
  World::Define(0, kEventStep, 0);
  CInstance instance(0, 0, 100001, 3, false);
  g_runs = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(PerformEvent(&instance, &instance, 3, kEventStep, 0));
  }
  if (g_runs != state.iterations()) state.SkipWithError("the handler did not run every time");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PerformEventInheritedThroughThreeAncestors);

void BM_ObjectListsBuildOver1000Objects(benchmark::State& state) {
  // A game-like mix: families of up to four generations, a step event on a fifth of the objects,
  // alarms, keys, other events, and collisions of a tenth of them with single objects or parents.
  World world(1000);
  std::mt19937 random(7);
  for (int32_t i = 0; i < 1000; ++i) {
    if (i % 4 != 0) Object_Data(i)->parent_index = i - 1;
    if (random() % 5 == 0) World::Define(i, kEventStep, static_cast<int32_t>(random() % 3));
    if (random() % 8 == 0) World::Define(i, kEventAlarm, static_cast<int32_t>(random() % 12));
    if (random() % 10 == 0) World::Define(i, kEventKeyPress, 37 + static_cast<int32_t>(random() % 4));
    if (random() % 10 == 0) World::Define(i, kEventOther, static_cast<int32_t>(random() % 26));
    if (random() % 10 == 0) World::Define(i, kEventCollision, static_cast<int32_t>(random() % 1000));
  }
  Object_LinkParents();
  for (auto _ : state) {
    ObjectLists_Build();
    benchmark::DoNotOptimize(ObjectLists_PairCount());
  }
  state.counters["pairs"] = ObjectLists_PairCount();
}
BENCHMARK(BM_ObjectListsBuildOver1000Objects)->Unit(benchmark::kMicrosecond);

}  // namespace
