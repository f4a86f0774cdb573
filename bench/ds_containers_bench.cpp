// Costs of the list and map operations that scripts and asynchronous results lean on.
// "ns_per_op" is the time of one container operation (the counter shows seconds: 40n is 40 ns).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/value.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"

namespace {

constexpr int kMapKeys = 100000;
constexpr int kListReals = 10000;

void ReportPerOperation(benchmark::State& state, double operationsPerIteration) {
  state.counters["ns_per_op"] = benchmark::Counter(
      operationsPerIteration, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Distinct string values "key0" ... : a lookup compares texts, not shared records.
std::vector<RValue> MakeKeys(int n) {
  std::vector<RValue> keys(static_cast<size_t>(n), RValue_MakeUndefined());
  for (int i = 0; i < n; ++i) RValue_SetString(&keys[static_cast<size_t>(i)], ("key" + std::to_string(i)).c_str());
  return keys;
}

void ReleaseAll(std::vector<RValue>& values) {
  for (RValue& v : values) RValue_Release(&v);
}

void BM_MapAddStringKeys(benchmark::State& state) {
  std::vector<RValue> keys = MakeKeys(kMapKeys);
  const RValue value = RValue_MakeReal(1);
  for (auto _ : state) {
    CDS_Map* map = new CDS_Map();
    for (const RValue& key : keys) benchmark::DoNotOptimize(map->Add(&key, &value));
    state.PauseTiming();
    delete map;
    state.ResumeTiming();
  }
  ReportPerOperation(state, kMapKeys);
  ReleaseAll(keys);
}
BENCHMARK(BM_MapAddStringKeys)->Unit(benchmark::kMillisecond);

void BM_MapFindStringKeys(benchmark::State& state) {
  std::vector<RValue> keys = MakeKeys(kMapKeys);
  std::vector<RValue> probes = MakeKeys(kMapKeys);
  CDS_Map map;
  const RValue value = RValue_MakeReal(1);
  for (const RValue& key : keys) map.Add(&key, &value);
  for (auto _ : state) {
    for (const RValue& probe : probes) benchmark::DoNotOptimize(map.Find(&probe));
  }
  ReportPerOperation(state, kMapKeys);
  map.Clear();
  ReleaseAll(keys);
  ReleaseAll(probes);
}
BENCHMARK(BM_MapFindStringKeys)->Unit(benchmark::kMillisecond);

void BM_ListAddReals(benchmark::State& state) {
  for (auto _ : state) {
    CDS_List* list = new CDS_List();
    for (int i = 0; i < kListReals; ++i) {
      const RValue v = RValue_MakeReal(i);
      list->Add(&v);
    }
    benchmark::DoNotOptimize(list->Size());
    state.PauseTiming();
    delete list;
    state.ResumeTiming();
  }
  ReportPerOperation(state, kListReals);
}
BENCHMARK(BM_ListAddReals)->Unit(benchmark::kMicrosecond);

// One FindIndex per iteration, for positions spread over the list (half a list scanned on
// average).
void BM_ListFindIndexReals(benchmark::State& state) {
  CDS_List list;
  for (int i = 0; i < kListReals; ++i) {
    const RValue v = RValue_MakeReal(i);
    list.Add(&v);
  }
  int position = 0;
  for (auto _ : state) {
    const RValue wanted = RValue_MakeReal(position);
    benchmark::DoNotOptimize(list.FindIndex(&wanted));
    position = (position + 7919) % kListReals;
  }
  ReportPerOperation(state, 1);
}
BENCHMARK(BM_ListFindIndexReals)->Unit(benchmark::kMicrosecond);

}  // namespace
