// Costs of rooms: entering a room whose definition places 1,000 instances (the copy, the
// instances made from its records, their Create events, and leaving it again), and creating and
// destroying 10,000 instances in a running room.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "runtime/game_flags.h"
#include "host/rooms.h"
#include "world/commands.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

// One object without handlers and one room; the run-time copies are taken down afterwards.
class Game {
 public:
  Game() {
    Game_SetCompiledMode(true);
    Object_Init();
    Object_Add();
    ObjectLists_Build();
    Room_Init();
    Room_SetInstanceIdCounter(100000);
    Room_Add();
  }
  ~Game() {
    Runner_DeleteRoomCopies();
    Runner_FreeCarriedInstances();
    Room_FreeDefinitions();
    ObjectLists_FreeAll();
    Object_Shutdown();
  }
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;
};

void BM_EnterARoomOfAThousandInstanceRecords(benchmark::State& state) {
  Game game;
  CRoom* definition = Room_Data(0);
  for (int32_t i = 0; i < 1000; ++i) definition->AddInstanceRecord(static_cast<float>(i % 40), static_cast<float>(i / 40), 0);
  Room_Copies.assign(1, nullptr);
  for (auto _ : state) {
    Room_Start(0, false);
    benchmark::DoNotOptimize(Room_Current);
    Room_End(false);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_EnterARoomOfAThousandInstanceRecords)->Unit(benchmark::kMicrosecond);

void BM_CreateAndDestroyTenThousandInstances(benchmark::State& state) {
  Game game;
  Room_Copies.assign(1, nullptr);
  Room_Start(0, false);
  std::vector<CInstance*> made(10000);
  for (auto _ : state) {
    for (int32_t i = 0; i < 10000; ++i) made[i] = Command_CreateInstance(0, static_cast<float>(i), 0.0f);
    for (CInstance* instance : made) Command_DestroyInstance(instance);
    Room_DeleteMarked(Room_Current);
  }
  Room_End(false);
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_CreateAndDestroyTenThousandInstances)->Unit(benchmark::kMillisecond);

// The same, destroying in an order that is neither the creation order nor its reverse, so that
// leaving the object lists and the id table cannot rely on the instance being near either end.
void BM_CreateAndDestroyTenThousandInstancesInRandomOrder(benchmark::State& state) {
  Game game;
  Room_Copies.assign(1, nullptr);
  Room_Start(0, false);
  std::vector<CInstance*> made(10000);
  uint32_t seed = 17;
  for (auto _ : state) {
    for (int32_t i = 0; i < 10000; ++i) made[i] = Command_CreateInstance(0, static_cast<float>(i), 0.0f);
    for (size_t i = made.size(); i > 1; --i) {
      seed = seed * 1103515245u + 12345u;
      std::swap(made[i - 1], made[(seed >> 8) % i]);
    }
    for (CInstance* instance : made) Command_DestroyInstance(instance);
    Room_DeleteMarked(Room_Current);
  }
  Room_End(false);
  state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(BM_CreateAndDestroyTenThousandInstancesInRandomOrder)->Unit(benchmark::kMillisecond);

}  // namespace
