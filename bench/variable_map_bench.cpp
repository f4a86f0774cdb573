// Reading and writing variables of a variable map by id, with 1 to 1000 variables in the map.
// Each iteration touches the next id in turn, so every bucket depth is visited.
#include <benchmark/benchmark.h>

#include "core/value.h"
#include "script/variable_list.h"

namespace {

constexpr int32_t kFirstId = 100000;

void Fill(CVariableList* map, int32_t n) {
  for (int32_t i = 0; i < n; ++i) {
    RValue v = RValue_MakeReal(i);
    map->SetVar(kFirstId + i, ARRAY_INDEX_NONE, &v);
  }
}

void BM_VariableMapGet(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  CVariableList map;
  Fill(&map, n);
  RValue out = RValue_MakeUndefined();
  int32_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(map.GetVar(kFirstId + i, ARRAY_INDEX_NONE, &out));
    benchmark::DoNotOptimize(out.val);
    if (++i == n) i = 0;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_VariableMapSet(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  CVariableList map;
  Fill(&map, n);
  RValue value = RValue_MakeReal(1.0);
  int32_t i = 0;
  for (auto _ : state) {
    value.val += 1.0;
    map.SetVar(kFirstId + i, ARRAY_INDEX_NONE, &value);
    if (++i == n) i = 0;
  }
  benchmark::DoNotOptimize(map.Find(kFirstId));
  state.SetItemsProcessed(state.iterations());
}

// A map that is filled and emptied again: insertion and removal through the node free list.
void BM_VariableMapFillAndClear(benchmark::State& state) {
  const auto n = static_cast<int32_t>(state.range(0));
  CVariableList map;
  for (auto _ : state) {
    Fill(&map, n);
    map.Clear();
  }
  state.SetItemsProcessed(state.iterations() * n);
}

}  // namespace

BENCHMARK(BM_VariableMapGet)->RangeMultiplier(10)->Range(1, 1000);
BENCHMARK(BM_VariableMapSet)->RangeMultiplier(10)->Range(1, 1000);
BENCHMARK(BM_VariableMapFillAndClear)->RangeMultiplier(10)->Range(1, 1000);
