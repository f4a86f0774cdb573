// Costs of the step's dispatch phases over 10,000 instances of one object with empty translated
// handlers: a step pass, and an alarm phase whose alarms only count down or fire every time.
// The per-instance figure is the time of one phase divided by the instances it visits.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "vm/code_object.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/step_phases.h"

namespace {

constexpr int32_t kInstances = 10000;

int64_t g_runs = 0;
void EmptyHandler(CInstance*, CInstance*) { ++g_runs; }
// Sets the alarm again, so it fires in every phase.
void RearmingHandler(CInstance* self, CInstance*) {
  ++g_runs;
  self->SetAlarm(0, 1);
}

LinkFunction g_functions[] = {{"tll_Object_ob_Step_0", reinterpret_cast<void*>(&EmptyHandler)},
                              {"tll_Object_ob_Alarm_0", reinterpret_cast<void*>(&RearmingHandler)}};
GameLinkRecord g_record;

// A compiled game of one object with a handler of that code index for (type, number) and
// kInstances instances of it.
class World {
 public:
  World(int32_t type, int32_t number, int32_t codeIndex) {
    Game_SetCompiledMode(true);
    g_record.functionCount = 2;
    g_record.functions = g_functions;
    Game_UseLinkRecord(&g_record);
    Object_Init();
    CObject* object = Object_Data(Object_Add());
    std::vector<CEvent*>& row = object->events[type];
    row.resize(static_cast<size_t>(number) + 1, nullptr);
    auto* event = new CEvent();
    event->name = "";
    event->code = new CCode(codeIndex, 0);
    row[static_cast<size_t>(number)] = event;
    ObjectLists_Build();
    for (int32_t i = 0; i < kInstances; ++i) m_instances.push_back(new CInstance(0, 0, 100001 + i, 0, true));
  }
  ~World() {
    for (CInstance* i : m_instances) delete i;
    ObjectLists_FreeAll();
    Object_Shutdown();
    Game_UseLinkRecord(nullptr);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  std::vector<CInstance*> m_instances;
};

void PerInstance(benchmark::State& state) {
  state.counters["per_instance"] = benchmark::Counter(static_cast<double>(state.iterations()) * kInstances,
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_StepPassOver10000Instances(benchmark::State& state) {
  World world(kEventStep, kStepNormal, 0);
  g_runs = 0;
  for (auto _ : state) HandleStep(kStepNormal);
  if (g_runs != state.iterations() * kInstances) state.SkipWithError("not every instance ran its step event");
  PerInstance(state);
}
BENCHMARK(BM_StepPassOver10000Instances);

void BM_AlarmPhaseCountingDown10000Instances(benchmark::State& state) {
  World world(kEventAlarm, 0, 0);
  for (CInstance* i : world.m_instances) i->SetAlarm(0, 1 << 30);
  g_runs = 0;
  for (auto _ : state) HandleAlarm();
  if (g_runs != 0) state.SkipWithError("an alarm fired");
  PerInstance(state);
}
BENCHMARK(BM_AlarmPhaseCountingDown10000Instances);

void BM_AlarmPhaseFiring10000Instances(benchmark::State& state) {
  World world(kEventAlarm, 0, 1);
  for (CInstance* i : world.m_instances) i->SetAlarm(0, 1);
  g_runs = 0;
  for (auto _ : state) HandleAlarm();
  if (g_runs != state.iterations() * kInstances) state.SkipWithError("not every alarm fired");
  PerInstance(state);
}
BENCHMARK(BM_AlarmPhaseFiring10000Instances);

}  // namespace
