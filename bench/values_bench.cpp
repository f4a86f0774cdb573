// Costs of the value operations that translated game code runs most.
// Each benchmark reports "heap_allocs": memory-manager allocations per iteration.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "core/memory_manager.h"
#include "core/value.h"
#include "core/value_ops.h"

namespace {

int64_t g_allocations = 0;

void* CountingAlloc(size_t n) {
  ++g_allocations;
  return std::malloc(n);
}

// Counts memory-manager allocations while the benchmark loop runs.
class AllocationCounter {
 public:
  explicit AllocationCounter(benchmark::State& state) : m_state(state) {
    g_allocations = 0;
    m_previous = MemoryManager_SetHeapAlloc(&CountingAlloc);
  }
  ~AllocationCounter() {
    MemoryManager_SetHeapAlloc(m_previous);
    m_state.counters["heap_allocs"] =
        benchmark::Counter(static_cast<double>(g_allocations), benchmark::Counter::kAvgIterations);
  }

 private:
  benchmark::State& m_state;
  MemoryHeapAllocFn m_previous;
};

RValue MakeRow(int n) {
  RValue a = RValue_MakeUndefined();
  for (int i = 0; i < n; ++i) {
    const RValue e = RValue_MakeReal(i);
    RValue_SetElement(&a, &e, ArrayIndex_Pack(0, i));
  }
  return a;
}

void BM_StringAssignRelease(benchmark::State& state) {
  RValue s = RValue_MakeUndefined();
  RValue_SetString(&s, "a string value");
  RValue t = RValue_MakeUndefined();
  {
    AllocationCounter count(state);
    for (auto _ : state) {
      RValue_Assign(&t, &s);
      benchmark::DoNotOptimize(t);
      RValue_Release(&t);
    }
  }
  RValue_Release(&s);
}
BENCHMARK(BM_StringAssignRelease);

void BM_StringSetRelease(benchmark::State& state) {
  RValue t = RValue_MakeUndefined();
  AllocationCounter count(state);
  for (auto _ : state) {
    RValue_SetString(&t, "a string value");
    benchmark::DoNotOptimize(t);
    RValue_Release(&t);
  }
}
BENCHMARK(BM_StringSetRelease);

void BM_ArrayElementWriteInPlace(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  RValue a = MakeRow(n);
  {
    AllocationCounter count(state);
    int i = 0;
    for (auto _ : state) {
      const RValue e = RValue_MakeReal(i);
      RValue_SetElement(&a, &e, ArrayIndex_Pack(0, i));
      if (++i == n) i = 0;
    }
  }
  RValue_Release(&a);
}
BENCHMARK(BM_ArrayElementWriteInPlace)->Arg(16)->Arg(1024);

// b shares a's array and is not its owner: each write copies the whole array first.
void BM_ArrayElementWriteWithCopy(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  RValue a = MakeRow(n);
  RValue b = RValue_MakeUndefined();
  {
    AllocationCounter count(state);
    const RValue e = RValue_MakeReal(-1);
    for (auto _ : state) {
      RValue_Assign(&b, &a);
      RValue_SetElement(&b, &e, ArrayIndex_Pack(0, 0));
      benchmark::DoNotOptimize(b);
    }
  }
  RValue_Release(&b);
  RValue_Release(&a);
}
BENCHMARK(BM_ArrayElementWriteWithCopy)->Arg(16)->Arg(1024);

// Appending one element at a time to a new array, as a script filling a list does.
void BM_ArrayAppend(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  AllocationCounter count(state);
  for (auto _ : state) {
    RValue a = MakeRow(n);
    benchmark::DoNotOptimize(a);
    RValue_Release(&a);
  }
  state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ArrayAppend)->Arg(1024);

void BM_AddReals(benchmark::State& state) {
  RValue x = RValue_MakeReal(1.25);
  const RValue y = RValue_MakeReal(0.5);
  AllocationCounter count(state);
  for (auto _ : state) {
    benchmark::DoNotOptimize(x);
    RValue r = RValue_Add(x, y);
    benchmark::DoNotOptimize(r);
  }
}
BENCHMARK(BM_AddReals);

void BM_AddStrings(benchmark::State& state) {
  RValue x = RValue_MakeUndefined();
  RValue y = RValue_MakeUndefined();
  RValue_SetString(&x, "score: ");
  RValue_SetString(&y, "12345");
  {
    AllocationCounter count(state);
    for (auto _ : state) {
      RValue r = RValue_Add(x, y);
      benchmark::DoNotOptimize(r);
      RValue_Release(&r);
    }
  }
  RValue_Release(&x);
  RValue_Release(&y);
}
BENCHMARK(BM_AddStrings);

}  // namespace
