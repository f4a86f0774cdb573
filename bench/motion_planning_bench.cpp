// Costs of motion planning: one shortest route with diagonals across a 200 x 200 motion grid whose
// walls make the search flood nearly every cell, and one steering step of an instance among 1,000
// solid 16 x 16 boxes, where each direction tried asks place_free of the whole room.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "assets/sprite_table.h"
#include "box_room.h"
#include "world/lifecycle.h"
#include "world/motion_grid.h"
#include "world/motion_planning.h"
#include "world/object.h"
#include "world/path.h"

namespace {

constexpr int32_t kCells = 200;
constexpr int32_t kCell = 8;

// Vertical walls every 10 columns, each with one gap, alternately at the bottom and at the top:
// the route zigzags from the left edge to the right one.
void BM_GridPath200x200WithDiagonals(benchmark::State& state) {
  const int32_t grid = MPGrid_Create(0, 0, kCells, kCells, kCell, kCell);
  for (int32_t column = 10, k = 0; column < kCells; column += 10, ++k) {
    const int32_t gapRow = k % 2 == 0 ? kCells - 2 : 1;
    for (int32_t row = 0; row < kCells; ++row) {
      if (row < gapRow - 1 || row > gapRow + 1) MPGrid_AddCell(grid, column, row);
    }
  }
  const int32_t path = Path_Add();
  const int32_t start = kCell / 2;
  const int32_t goal = kCells * kCell - kCell / 2;
  bool found = true;
  for (auto _ : state) {
    found = MPGrid_Path(grid, Path_Data(path), start, start, goal, start, true) && found;
    benchmark::DoNotOptimize(found);
  }
  if (!found) state.SkipWithError("no route");
  state.counters["route_points"] = static_cast<double>(Path_Data(path)->GetNumber());
  Path_DeleteAll();
  Grid_Shutdown();
}
BENCHMARK(BM_GridPath200x200WithDiagonals)->Unit(benchmark::kMicrosecond);

constexpr int32_t kInstances = 1000;

// 1,000 solid boxes spread over a 1280 x 960 room, and a caller that is not among them.
class Crowd {
 public:
  Crowd() {
    Object_Init();
    Object_Add();
    m_room = std::make_unique<BoxRoom>(BoxRoom::AddSprite(), kInstances, 1, 1280, 960, true);
    caller = m_room->caller;
  }
  ~Crowd() {
    m_room.reset();
    Sprite_DeleteAll();
    Object_Shutdown();
  }
  Crowd(const Crowd&) = delete;
  Crowd& operator=(const Crowd&) = delete;

  CInstance* caller = nullptr;

 private:
  std::unique_ptr<BoxRoom> m_room;
};

// Each call starts from the same free place, so every iteration steers the same way; the walk's
// own moves are what the counter reports.
void BM_PotentialStepAmong1000Instances(benchmark::State& state) {
  Crowd crowd;
  MP_PotentialSettings(30, 10, 3, true);
  // A free place to start from, found once.
  float x = -1;
  for (float probe = 8; probe < 1200 && x < 0; probe += 8) {
    if (MP_IsFree(crowd.caller, probe, 480, -3, false)) x = probe;
  }
  if (x < 0) {
    state.SkipWithError("no free place");
    return;
  }
  int64_t moved = 0;
  for (auto _ : state) {
    crowd.caller->SetPosition(x, 480);
    MP_PotentialStep(crowd.caller, 1270, 480, 4, -3, false);
    moved += crowd.caller->x != x || crowd.caller->y != 480 ? 1 : 0;
  }
  state.counters["moved_share"] = static_cast<double>(moved) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PotentialStepAmong1000Instances)->Unit(benchmark::kMicrosecond);

}  // namespace
