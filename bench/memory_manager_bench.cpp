// Cost of the tracked allocator against the plain heap for the small blocks that values, strings
// and table nodes use. Compare each Manager* line with the Heap* line of the same size: the manager
// should stay within 1.3 times the heap.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

#include "core/memory_manager.h"

namespace {

void HeapMallocFree(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* p = std::malloc(size);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
}

void ManagerAllocFree(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* p = MemoryManager_Alloc(size, __FILE__, __LINE__, false);
    benchmark::DoNotOptimize(p);
    MemoryManager_Free(p);
  }
}

// The zero-filled forms, for the callers that ask for cleared memory.
void HeapCallocFree(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* p = std::calloc(1, size);
    benchmark::DoNotOptimize(p);
    std::free(p);
  }
}

void ManagerAllocZeroFree(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    void* p = MemoryManager_Alloc(size, __FILE__, __LINE__, true);
    benchmark::DoNotOptimize(p);
    MemoryManager_Free(p);
  }
}

// Several live blocks at once, so the heap's free lists are exercised rather than one slot reused.
constexpr int kBatch = 64;

void HeapMallocFreeBatch(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  void* blocks[kBatch];
  for (auto _ : state) {
    for (void*& p : blocks) p = std::malloc(size);
    benchmark::DoNotOptimize(blocks);
    for (void* p : blocks) std::free(p);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

void ManagerAllocFreeBatch(benchmark::State& state) {
  const size_t size = static_cast<size_t>(state.range(0));
  void* blocks[kBatch];
  for (auto _ : state) {
    for (void*& p : blocks) p = MemoryManager_Alloc(size, __FILE__, __LINE__, false);
    benchmark::DoNotOptimize(blocks);
    for (void* p : blocks) MemoryManager_Free(p);
  }
  state.SetItemsProcessed(state.iterations() * kBatch);
}

// Heap and manager timed in alternating rounds within one run, so that load from elsewhere on the
// machine falls on both alike; "ratio" is manager time over heap time (the 1.3 target).
void ManagerOverHeapRatio(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const size_t size = static_cast<size_t>(state.range(0));
  constexpr int kRound = 4096;
  Clock::duration heap{}, manager{};
  for (auto _ : state) {
    auto t0 = Clock::now();
    for (int i = 0; i < kRound; ++i) {
      void* p = std::malloc(size);
      benchmark::DoNotOptimize(p);
      std::free(p);
    }
    auto t1 = Clock::now();
    for (int i = 0; i < kRound; ++i) {
      void* p = MemoryManager_Alloc(size, __FILE__, __LINE__, false);
      benchmark::DoNotOptimize(p);
      MemoryManager_Free(p);
    }
    auto t2 = Clock::now();
    heap += t1 - t0;
    manager += t2 - t1;
  }
  state.counters["ratio"] = static_cast<double>(manager.count()) / static_cast<double>(heap.count());
}

double Min(const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); }

}  // namespace

BENCHMARK(ManagerOverHeapRatio)->RangeMultiplier(2)->Range(16, 256)->ComputeStatistics("min", Min);
BENCHMARK(HeapMallocFree)->RangeMultiplier(2)->Range(16, 256);
BENCHMARK(ManagerAllocFree)->RangeMultiplier(2)->Range(16, 256);
BENCHMARK(HeapCallocFree)->RangeMultiplier(2)->Range(16, 256);
BENCHMARK(ManagerAllocZeroFree)->RangeMultiplier(2)->Range(16, 256);
BENCHMARK(HeapMallocFreeBatch)->RangeMultiplier(2)->Range(16, 256);
BENCHMARK(ManagerAllocFreeBatch)->RangeMultiplier(2)->Range(16, 256);
