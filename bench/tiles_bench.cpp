// The depth sort the redraw runs every frame over a room's tiles: 10,000 tiles already in order
// (the check alone) and in reverse order (the whole insertion sort).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "world/room.h"

namespace {

constexpr int32_t kTiles = 10000;

std::vector<RoomTile> Tiles(bool ordered) {
  std::vector<RoomTile> tiles(kTiles);
  for (int32_t i = 0; i < kTiles; ++i) tiles[static_cast<size_t>(i)].depth = static_cast<float>(ordered ? kTiles - i : i);
  return tiles;
}

void BM_SortTilesInOrder(benchmark::State& state) {
  CRoom room;
  room.tiles = Tiles(true);
  for (auto _ : state) {
    room.SortTiles();
    benchmark::DoNotOptimize(room.tiles.data());
  }
}
BENCHMARK(BM_SortTilesInOrder);

void BM_SortTilesReversed(benchmark::State& state) {
  CRoom room;
  const std::vector<RoomTile> reversed = Tiles(false);
  for (auto _ : state) {
    state.PauseTiming();
    room.tiles = reversed;
    state.ResumeTiming();
    room.SortTiles();
    benchmark::DoNotOptimize(room.tiles.data());
  }
}
BENCHMARK(BM_SortTilesReversed)->Unit(benchmark::kMillisecond);

}  // namespace
