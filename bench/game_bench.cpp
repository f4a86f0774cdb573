// The shapes Lumbrix's translated code runs most: a direct call of a script with its trace frame,
// one of the game's own scripts, and a with block over an object's instances (1,000 and 10,000),
// whose body writes a user variable of each visited instance by its fixed index. Then the board of
// the level with the most wire segments (rm_level1), built from the game's own container: the
// nearest wire position to a point, and one draw of the whole board on the recording device. And
// one controller step of the level with the most ghosts (rm_levelCircle), all spawned.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "runtime/frame_timing.h"
#include "host/frame_loop.h"
#include "host/game_loader.h"
#include "host/rooms.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "vm/variable_names.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/room.h"
#include "world/lifecycle.h"
#include "recording_renderer.h"
#include "render/d3d_device.h"
#include "runtime/game_header.h"
#include "runtime/link_record.h"

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

// --- the board of the largest level --------------------------------------------------------------

constexpr int32_t kLevel1 = 5;  // rm_level1: 195 wire segments, the most of any level

// Lumbrix loaded from the container built into it, its first room entered and then the level.
class LoadedLevel {
 public:
  explicit LoadedLevel(int32_t room) {
    GameHeader_Reset();
    Variable_BuiltIn_Init();
    lumbrix::FillLinkRecord(&m_record);
    m_bytes.assign(m_record.data, m_record.data + m_record.dataSize);
    m_ok = Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()});
    Game_UseLinkRecord(&m_record);
    m_ok = m_ok && Game_LoadChunks(m_bytes.data(), m_bytes.size()) && Runner_PrepareAll();
    if (!m_ok) return;
    StartGame();
    g_RoomChangeCode = room;
    m_ok = Runner_ActOnRoomChange() && Room_CurrentIndex == room;
  }
  ~LoadedLevel() {
    Runner_EndGame();
    Runner_FreeCarriedInstances();
    Room_Shutdown();
    Runner_FreeGameData();
    Game_UseLinkRecord(nullptr);
  }
  LoadedLevel(const LoadedLevel&) = delete;
  LoadedLevel& operator=(const LoadedLevel&) = delete;
  bool ok() const { return m_ok; }

 private:
  GameLinkRecord m_record;
  std::vector<uint8_t> m_bytes;
  bool m_ok = false;
};

std::vector<CInstance*> InstancesOf(int32_t object) {
  std::vector<CInstance*> found;
  for (ObjectInstanceNode* node = Object_Data(object)->instances.first; node != nullptr; node = node->next) {
    found.push_back(node->instance);
  }
  return found;
}

double Segments(const std::vector<CInstance*>& edgelists) {
  tll::Static unit;
  double segments = 0;
  for (CInstance* e : edgelists) {
    tll::Call(nullptr, nullptr, &unit, lumbrix::fn::ds_list_size, tll::Own(e, lumbrix::inst::list));
    segments += tll::Num(*unit) - 1;
  }
  return segments;
}

void BM_EdgelistGetNearestOnTheLargestLevel(benchmark::State& state) {
  LoadedLevel level(kLevel1);
  if (!level.ok()) {
    state.SkipWithError("the level did not load");
    return;
  }
  const std::vector<CInstance*> edgelists = InstancesOf(lumbrix::kObEdgelist);
  CInstance* self = edgelists.front();  // the foot point lands in the caller's x0, y0
  tll::Static unit;
  double x = 0;
  for (auto _ : state) {
    x = x >= 5000 ? 0 : x + 37;  // points across the room
    tll::Script(tll_Script_edgelist_get_nearest, self, self, &unit, tll::Real(x), tll::Real(2500 - x / 3));
    benchmark::DoNotOptimize(tll::Global(lumbrix::glob::_edgelistT).val);
  }
  if (tll::Num(tll::Global(lumbrix::glob::_edgelist)) < 100000) state.SkipWithError("no wire position was found");
  state.counters["segments"] = Segments(edgelists);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EdgelistGetNearestOnTheLargestLevel)->Unit(benchmark::kMicrosecond);

// The board as the controller's Draw event draws it: every wire's underlay, every chip's
// surround, every wire, every chip.
void BM_BoardDrawOnTheLargestLevel(benchmark::State& state) {
  RecordingRenderer renderer;
  if (!renderer.ok()) {
    state.SkipWithError("no recording device");
    return;
  }
  LoadedLevel level(kLevel1);
  if (!level.ok()) {
    state.SkipWithError("the level did not load");
    return;
  }
  const std::vector<CInstance*> edgelists = InstancesOf(lumbrix::kObEdgelist);
  const std::vector<CInstance*> chips = InstancesOf(lumbrix::kObChip);
  CInstance* control = edgelists.front();
  tll::Static unit;
  const auto each = [&](tll::ScriptFunction script, const std::vector<CInstance*>& targets) {
    for (CInstance* target : targets) tll::Script(script, control, control, &unit, tll::Real(target->id));
  };
  GR_D3D_BeginScene();
  for (auto _ : state) {
    each(tll_Script_edgelist_draw_outline, edgelists);
    each(tll_Script_chip_draw_outline, chips);
    each(tll_Script_ob_edgelist_draw, edgelists);
    each(tll_Script_ob_chip_draw, chips);
  }
  GR_D3D_EndScene();
  state.counters["segments"] = Segments(edgelists);
  state.counters["chips"] = static_cast<double>(chips.size());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BoardDrawOnTheLargestLevel)->Unit(benchmark::kMicrosecond);

// --- the busiest level's step ------------------------------------------------------------------

constexpr int32_t kLevelCircle = 7;  // rm_levelCircle: 57 ghosts and chasers, the most movers; no turrets

// One step of the controller as its Step event makes it: the player, every ghost and every
// turret, with every spawner's mover made first, as the room's first step makes them.
void BM_ControllerStepOfTheBusiestLevel(benchmark::State& state) {
  LoadedLevel level(kLevelCircle);
  if (!level.ok()) {
    state.SkipWithError("the level did not load");
    return;
  }
  const struct {
    int32_t object;
    void (*alarm)(CInstance*, CInstance*);
  } kSpawners[] = {{lumbrix::kObPlayerSpawn, tll_Object_ob_player_spawn_Alarm_0},
                   {lumbrix::kObGhostSpawner, tll_Object_ob_ghost_spawner_Alarm_0},
                   {lumbrix::kObChaserSpawner, tll_Object_ob_chaser_spawner_Alarm_0},
                   {lumbrix::kObTurretSpawner, tll_Object_ob_turret_spawner_Alarm_0}};
  for (const auto& spawner : kSpawners) {
    for (CInstance* s : InstancesOf(spawner.object)) spawner.alarm(s, s);
  }
  const std::vector<CInstance*> controls = InstancesOf(lumbrix::kObControl);
  if (controls.empty()) {
    state.SkipWithError("no controller");
    return;
  }
  CInstance* control = controls.front();
  tll::Static unit;
  for (auto _ : state) {
    tll::Script(tll_Script_ob_control_step, control, control, &unit, tll::Real(control->id));
  }
  state.counters["ghosts"] = static_cast<double>(InstancesOf(lumbrix::kObGhost).size());
  state.counters["turrets"] = static_cast<double>(InstancesOf(lumbrix::kObTurret).size());
  state.SetItemsProcessed(state.iterations());
}
// A fixed count: every third step leaves trail particles that only a draw would clear.
BENCHMARK(BM_ControllerStepOfTheBusiestLevel)->Unit(benchmark::kMicrosecond)->Iterations(3000);

}  // namespace
