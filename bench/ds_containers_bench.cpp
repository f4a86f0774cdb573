// Costs of the list, map, grid and priority-queue operations that scripts and asynchronous
// results lean on.
// "ns_per_op" is the time of one container operation (the counter shows seconds: 40n is 40 ns).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "core/function_registry.h"
#include "core/value.h"
#include "functions/ds_functions.h"
#include "functions/ds_grid.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_priority.h"
#include "functions/ds_tables.h"
#include "functions/lifecycle.h"
#include "vm/calls.h"

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

// ds_grid_get and ds_grid_set through the built-in call, as compiled game code makes it, with
// the guarded handlers (range 0) and the fast ones that release mode installs (range 1). The
// cells walked cover a 64 x 64 grid.
constexpr int kGridSide = 64;

void BM_GridAccess(benchmark::State& state, const char* name, int32_t argc) {
  Builtin_Shutdown();
  InitDSFunctions();
  const bool fast = state.range(0) != 0;
  SetDsGridFastMode(!fast);
  const int32_t grid = DS_CreateGrid(kGridSide, kGridSide);
  int32_t index = -1;
  Builtin_FindCallable(name, &index);
  RValue args[4] = {RValue_MakeReal(grid), RValue_MakeReal(0), RValue_MakeReal(0), RValue_MakeReal(1)};
  RValue* pointers[4] = {&args[0], &args[1], &args[2], &args[3]};
  RValue result = RValue_MakeUndefined();
  int cell = 0;
  for (auto _ : state) {
    args[1].val = cell % kGridSide;
    args[2].val = cell / kGridSide;
    VM_CallBuiltin(nullptr, nullptr, &result, argc, index, pointers);
    benchmark::DoNotOptimize(result.val);
    cell = (cell + 1) % (kGridSide * kGridSide);
  }
  state.counters["ns_per_call"] = benchmark::Counter(
      1, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  state.SetLabel(fast ? "fast" : "guarded");
  RValue_Release(&result);
  DS_DestroyGrid(grid);
  SetDsGridFastMode(true);
  Builtin_Shutdown();
}
void BM_GridGet(benchmark::State& state) { BM_GridAccess(state, "ds_grid_get", 3); }
void BM_GridSet(benchmark::State& state) { BM_GridAccess(state, "ds_grid_set", 4); }
BENCHMARK(BM_GridGet)->Arg(0)->Arg(1);
BENCHMARK(BM_GridSet)->Arg(0)->Arg(1);

// ds_priority_delete_min's work on a queue of 1,000 entries: a scan of every priority, then the
// last entry moved into the hole. The removed entry is added back outside the timing.
constexpr int kPriorityEntries = 1000;

void BM_PriorityDeleteMin(benchmark::State& state) {
  CDS_Priority queue;
  for (int i = 0; i < kPriorityEntries; ++i) {
    const RValue v = RValue_MakeReal((i * 7919) % kPriorityEntries);
    queue.Add(&v, &v);
  }
  RValue out = RValue_MakeUndefined();
  for (auto _ : state) {
    queue.DeleteMin(&out);
    state.PauseTiming();
    queue.Add(&out, &out);
    state.ResumeTiming();
  }
  ReportPerOperation(state, 1);
}
BENCHMARK(BM_PriorityDeleteMin)->Unit(benchmark::kMicrosecond);

}  // namespace
