// Costs of the built-in variable table as scripts use it: a read and a write of an instance's x,
// and a read of view_xview[1] of the running room, each by id through the table.
#include <benchmark/benchmark.h>

#include "core/value.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "world/instance.h"
#include "world/lifecycle.h"
#include "world/room.h"

namespace {

// The filled table and a running room, for the length of one benchmark.
struct BuiltinWorld {
  BuiltinWorld() {
    Variable_BuiltIn_Init();
    Room_Current = &room;
  }
  ~BuiltinWorld() {
    Room_Current = nullptr;
    Variable_Shutdown();
  }
  CRoom room;
};

void BM_ReadX(benchmark::State& state) {
  BuiltinWorld world;
  CInstance instance(12, 34, 100001, -1, false);
  const int32_t x = Variable_BuiltinFind("x");
  RValue out = RValue_MakeReal(0);
  for (auto _ : state) {
    Variable_GetValue(&instance, x, ARRAY_INDEX_NONE, &out);
    benchmark::DoNotOptimize(out.val);
  }
}
BENCHMARK(BM_ReadX);

void BM_WriteX(benchmark::State& state) {
  BuiltinWorld world;
  CInstance instance(12, 34, 100001, -1, false);
  const int32_t x = Variable_BuiltinFind("x");
  RValue value = RValue_MakeReal(0);
  for (auto _ : state) {
    value.val += 1;  // a new position every time, so the write is never skipped
    benchmark::DoNotOptimize(Variable_SetValue(&instance, x, ARRAY_INDEX_NONE, &value));
  }
}
BENCHMARK(BM_WriteX);

void BM_ReadViewXView1(benchmark::State& state) {
  BuiltinWorld world;
  world.room.views[1].view_x = 64;
  CInstance instance(12, 34, 100001, -1, false);
  const int32_t view = Variable_BuiltinFind("view_xview");
  RValue out = RValue_MakeReal(0);
  for (auto _ : state) {
    Variable_GetValue(&instance, view, 1, &out);
    benchmark::DoNotOptimize(out.val);
  }
}
BENCHMARK(BM_ReadViewXView1);

}  // namespace
