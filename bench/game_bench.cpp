// The shapes Lumbrix's translated code runs most: a direct call of a script with its trace frame,
// one of the game's own scripts, and a with block over an object's instances (1,000 and 10,000),
// whose body writes a user variable of each visited instance by its fixed index.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "vm/variable_names.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"

namespace {

// bench_add(a, b): return a + b
RValue* tll_Script_bench_add(CInstance*, CInstance*, RValue* result, int32_t, RValue** args) {
  tll::Frame frame("tll_Script_bench_add");
  frame.Line(1);
  return tll::Return(result, tll::Num(*args[0]) + tll::Num(*args[1]));
}

// The step of a controller: with (target) hits += 1
void tll_Object_bench_Step_0(CInstance* selfIn, CInstance* otherIn, int32_t target) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Object_bench_Step_0");
  frame.Line(1);
  tll::With with(&self, &other, target);
  if (with.Any()) do {
      frame.Line(2);
      RValue& hits = tll::Own(self, 0);
      tll::SetReal(&hits, tll::Num(hits) + 1);
    } while (with.Next());
}

void BM_DirectScriptCallWithItsTraceFrame(benchmark::State& state) {
  tll::Static unit;
  const RValue one = tll::Real(1);
  const RValue two = tll::Real(2);
  for (auto _ : state) {
    tll::Script(tll_Script_bench_add, nullptr, nullptr, &unit, one, two);
    benchmark::DoNotOptimize(unit.value.val);
  }
  if (unit.value.val != 3.0) state.SkipWithError("the script gave the wrong sum");
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_DirectScriptCallWithItsTraceFrame);

void BM_KeyScriptDirectCall(benchmark::State& state) {
  tll::Static unit;
  for (auto _ : state) {
    tll_Script_key_left(nullptr, nullptr, &unit, 0, nullptr);
    benchmark::DoNotOptimize(unit.value.val);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyScriptDirectCall);

void BM_WithBlockOverAnObjectsInstances(benchmark::State& state) {
  const auto count = static_cast<int32_t>(state.range(0));
  Variable_SetNameTableSizes(0, 1);
  Object_Init();
  const int32_t object = Object_Add();
  ObjectLists_Build();
  CRoom room;
  Room_Current = &room;
  std::vector<CInstance*> instances;
  for (int32_t i = 0; i < count; ++i) {
    auto* instance = new CInstance(0, 0, 100001 + i, object, true);
    room.active.InsertByDepth(instance);
    instances.push_back(instance);
  }
  CInstance controller(0, 0, 200000, object, false);

  for (auto _ : state) tll_Object_bench_Step_0(&controller, nullptr, object);

  const double expected = static_cast<double>(state.iterations());
  for (CInstance* i : instances) {
    if (tll::Num(i->m_slots[0]) != expected) {
      state.SkipWithError("an instance was not visited once a step");
      break;
    }
  }
  state.SetItemsProcessed(state.iterations() * count);  // items: visited instances
  Room_Current = nullptr;
  room.active = InstanceList();
  for (CInstance* i : instances) delete i;
  ObjectLists_FreeAll();
  Object_Shutdown();
}
BENCHMARK(BM_WithBlockOverAnObjectsInstances)->Arg(1000)->Arg(10000);

}  // namespace
