// How the game world's per-step paths grow with the number of instances (or tiles, or path
// points): each benchmark runs at 1,000 and 10,000 and reports the cost per instance, which should
// stay about the same at both sizes. The world is a running room of a compiled game whose objects
// use 16 x 16 box sprites; handlers are translated functions.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "assets/sprite_table.h"
#include "core/value.h"
#include "host/game_step.h"
#include "host/rooms.h"
#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "runtime/run_state.h"
#include "vm/calls.h"
#include "vm/code_object.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "world/activation.h"
#include "world/commands.h"
#include "world/deferred.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/lifecycle.h"
#include "world/object.h"
#include "world/object_lists.h"
#include "world/path.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world/step_phases.h"

namespace {

int64_t g_collisions = 0;

// The usual top-down idiom: depth = -y, through what the depth variable's setter does.
void SetDepthToMinusY(CInstance* self) {
  const float depth = -self->y;
  if (depth != self->depth) {
    self->depth = depth;
    DepthChangeList.AddUnique(self);
  }
}
// A mover's Step: turns its vertical motion round every step (so its y, and its depth, change
// every step) and sets its depth.
void MoverStep(CInstance* self, CInstance*) {
  self->SetVSpeed(-self->vspeed);
  SetDepthToMinusY(self);
}
void BlockStep(CInstance* self, CInstance*) { SetDepthToMinusY(self); }
void MoverCollision(CInstance*, CInstance*) { ++g_collisions; }

LinkFunction g_functions[] = {{"tll_Object_mover_Step_0", reinterpret_cast<void*>(&MoverStep)},
                              {"tll_Object_block_Step_0", reinterpret_cast<void*>(&BlockStep)},
                              {"tll_Object_mover_Collision_block", reinterpret_cast<void*>(&MoverCollision)}};
GameLinkRecord g_record;

constexpr int32_t kMover = 0;
constexpr int32_t kBlock = 1;
constexpr int32_t kCellSize = 40;
constexpr int32_t kColumns = 100;

void SetHandler(CObject* object, int32_t type, int32_t number, int32_t codeIndex) {
  std::vector<CEvent*>& row = object->events[type];
  if (row.size() <= static_cast<size_t>(number)) row.resize(static_cast<size_t>(number) + 1, nullptr);
  auto* event = new CEvent();
  event->name = "";
  event->code = new CCode(codeIndex, 0);
  row[static_cast<size_t>(number)] = event;
}

uint32_t Next(uint32_t* seed, uint32_t n) {
  *seed = *seed * 1103515245u + 12345u;
  return (*seed >> 8) % n;
}

// A compiled game of a mover (Step; collision with the block) and a solid block (Step), both with
// a 16 x 16 box sprite, and one room; the room's copies are taken down afterwards.
class Game {
 public:
  Game() {
    Game_SetCompiledMode(true);
    g_record.functionCount = 3;
    g_record.functions = g_functions;
    Game_UseLinkRecord(&g_record);
    CSprite box;
    box.frameCount = 1;
    box.width = 16;
    box.height = 16;
    box.maskRight = 15;
    box.maskBottom = 15;
    box.precise = false;  // a box: the collision is the box test
    const int32_t sprite = Sprite_Add(box);
    Object_Init();
    CObject* mover = Object_Data(Object_Add());
    CObject* block = Object_Data(Object_Add());
    mover->sprite_index = block->sprite_index = sprite;
    block->flags |= kObjectFlagSolid;
    SetHandler(mover, kEventStep, kStepNormal, 0);
    SetHandler(block, kEventStep, kStepNormal, 1);
    SetHandler(mover, kEventCollision, kBlock, 2);
    ObjectLists_Build();
    Room_Init();
    Room_SetInstanceIdCounter(100000);
    Room_Add();
    Room_Data(0)->width = kColumns * kCellSize;
    Room_Data(0)->height = 100000;
    Room_Copies.assign(1, nullptr);
    m_drawing = g_RunState.drawEnableDrawEvent;
    g_RunState.drawEnableDrawEvent = false;
  }
  ~Game() {
    g_RunState.drawEnableDrawEvent = m_drawing;
    if (Room_Current != nullptr) Room_End(false);
    InstanceQueues_Clear();
    Runner_DeleteRoomCopies();
    Runner_FreeCarriedInstances();
    Room_FreeDefinitions();
    ObjectLists_FreeAll();
    Object_Shutdown();
    Sprite_DeleteAll();
    Game_UseLinkRecord(nullptr);
  }
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // Places n instances of the object in room 0's records, one a cell, in rows of kColumns.
  static void Place(int32_t n, int32_t object) {
    for (int32_t i = 0; i < n; ++i) {
      Room_Data(0)->AddInstanceRecord(static_cast<float>(i % kColumns * kCellSize),
                                      static_cast<float>(i / kColumns * kCellSize), object);
    }
  }
  // Places n / 2 blocks and beside each a mover 17 pixels to its left, moving 2 pixels right into
  // it every step (put back before and after its collision event, so it collides every step).
  static void PlaceMoversAgainstBlocks(int32_t n) {
    for (int32_t i = 0; i < n / 2; ++i) {
      const auto x = static_cast<float>(i % kColumns * kCellSize + 20);
      const auto y = static_cast<float>(i / kColumns * kCellSize);
      Room_Data(0)->AddInstanceRecord(x, y, kBlock);
      Room_Data(0)->AddInstanceRecord(x - 17.0f, y, kMover);
    }
  }
  // Room 0 started with n instances of the object.
  static void Start(int32_t n, int32_t object) {
    Place(n, object);
    Room_Start(0, false);
  }
  // Room 0 started with n / 2 movers against n / 2 blocks, the movers under way.
  static void StartMoversAgainstBlocks(int32_t n) {
    PlaceMoversAgainstBlocks(n);
    Room_Start(0, false);
    StartMovers();
    g_collisions = 0;
  }
  static void StartMovers() {
    for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
      if (i->object_index != kMover) continue;
      i->SetHSpeed(2.0f);
      i->SetVSpeed(1.0f);
    }
  }

 private:
  bool m_drawing = true;
};

void PerInstance(benchmark::State& state, int64_t perIteration) {
  state.counters["per_instance"] = benchmark::Counter(static_cast<double>(state.iterations() * perIteration),
                                                      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

int32_t Size(const benchmark::State& state) { return static_cast<int32_t>(state.range(0)); }

void CheckEveryMoverCollided(benchmark::State& state, int32_t n) {
  if (g_collisions != state.iterations() * (n / 2)) state.SkipWithError("not every mover collided in every step");
  PerInstance(state, n);
}

// --- depth = -y in every Step ----------------------------------------------------------------

void BM_StepEveryInstanceSettingDepthToMinusY(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::Start(n, kMover);
  Game::StartMovers();
  for (auto _ : state) {
    HandleStep(kStepNormal);
    Deferred_ApplyDepthChanges();
    HandleInstanceMovement(false);
  }
  PerInstance(state, n);
}
BENCHMARK(BM_StepEveryInstanceSettingDepthToMinusY)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// --- collisions ------------------------------------------------------------------------------

void BM_CollisionPhaseOfMoversAgainstBlocks(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::StartMoversAgainstBlocks(n);
  // The movers' motion into the blocks, then the phase that puts them back.
  for (auto _ : state) {
    HandleInstanceMovement(false);
    HandleCollision();
  }
  CheckEveryMoverCollided(state, n);
}
BENCHMARK(BM_CollisionPhaseOfMoversAgainstBlocks)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The whole game step: every instance sets depth = -y in its Step, half move against solid blocks.
void BM_WholeStepDepthAndCollisions(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::StartMoversAgainstBlocks(n);
  for (auto _ : state) Runner_Step();
  CheckEveryMoverCollided(state, n);
}
BENCHMARK(BM_WholeStepDepthAndCollisions)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// --- activation, destruction, rooms ----------------------------------------------------------

void BM_ActivateAllThenDeactivateOutsideTheView(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::Start(n, kBlock);
  for (auto _ : state) {
    Instance_ActivateAll();
    Instance_DeactivateRegion(nullptr, 0.0f, 0.0f, 640.0f, 480.0f, false, false);
    Deferred_ApplyActivation();
  }
  if (Room_Current->active.count >= n) state.SkipWithError("nothing was deactivated");
  PerInstance(state, n);
}
BENCHMARK(BM_ActivateAllThenDeactivateOutsideTheView)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Destroys 1 % of the instances, chosen at random, and deletes them; as many are made again
// (untimed) for the next round.
void BM_DestroyOnePercentAtRandom(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::Start(n, kBlock);
  uint32_t seed = 1;
  std::vector<CInstance*> all;
  for (auto _ : state) {
    state.PauseTiming();
    all.clear();
    for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) all.push_back(i);
    std::vector<CInstance*> chosen;
    for (int32_t k = 0; k < n / 100; ++k) chosen.push_back(all[Next(&seed, static_cast<uint32_t>(all.size()))]);
    state.ResumeTiming();
    for (CInstance* i : chosen) Command_DestroyInstance(i);
    Room_DeleteMarked(Room_Current);
    state.PauseTiming();
    while (Room_Current->active.count < n) {
      Command_CreateInstance(kBlock, static_cast<float>(Next(&seed, 4000)), static_cast<float>(Next(&seed, 4000)));
    }
    state.ResumeTiming();
  }
  PerInstance(state, n / 100);
}
BENCHMARK(BM_DestroyOnePercentAtRandom)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Leaving a room whose instances' depths are mixed, so that its list order is not the order they
// were made in (the order of their object lists).
void BM_LeaveARoomOfMixedDepths(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::Place(n, kBlock);
  uint32_t seed = 3;
  for (auto _ : state) {
    state.PauseTiming();
    Room_Start(0, false);
    for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
      i->depth = static_cast<float>(Next(&seed, 1000));
      DepthChangeList.AddUnique(i);
    }
    Deferred_ApplyDepthChanges();
    state.ResumeTiming();
    Room_End(false);
  }
  PerInstance(state, n);
}
BENCHMARK(BM_LeaveARoomOfMixedDepths)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Leaving a persistent room and entering it again (its instances leave and rejoin the object
// lists and the id table), after a third of them were deactivated and woken again.
void BM_LeaveAndReenterAPersistentRoom(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::Place(n, kBlock);
  Room_Data(0)->persistent = true;
  Room_Start(0, false);
  int32_t k = 0;
  for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
    if (k++ % 3 == 0) Instance_Deactivate(i);
  }
  Deferred_ApplyActivation();
  Instance_ActivateAll();
  Deferred_ApplyActivation();
  for (auto _ : state) {
    Room_End(false);
    Room_Start(0, false);
  }
  PerInstance(state, n);
}
BENCHMARK(BM_LeaveAndReenterAPersistentRoom)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Entering a room whose instance records are all listed in an instances layer (each record looks
// up its layer), and leaving it.
void BM_EnterARoomListingItsRecordsInALayer(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::Place(n, kBlock);
  CRoom* definition = Room_Data(0);
  RoomLayerRecord layer;
  layer.id = 7;
  layer.kind = kRoomLayerInstances;
  for (const RoomInstanceRecord& r : definition->instance_records) {
    RoomLayerElement e;
    e.kind = kRoomLayerInstances;
    e.instanceId = r.id;
    layer.elements.push_back(e);
  }
  definition->layers.push_back(layer);
  for (auto _ : state) {
    Room_Start(0, false);
    Room_End(false);
  }
  PerInstance(state, n);
}
BENCHMARK(BM_EnterARoomListingItsRecordsInALayer)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// --- reading the world -----------------------------------------------------------------------

// with (block) {}: the with-list collected, copied and walked.
void BM_WithAnObjectsInstances(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Game::Start(n, kBlock);
  CInstance* self = Room_Current->active.first;
  CInstance* other = self;
  int64_t visited = 0;
  for (auto _ : state) {
    WithIterator it;
    if (WithIterator_Begin(&it, &self, &other, kBlock) > 0) {
      do {
        ++visited;
      } while (WithIterator_Next(&it, &self));
    }
    WithIterator_End(&it, &self, &other);
  }
  if (visited != state.iterations() * n) state.SkipWithError("not every instance was visited");
  PerInstance(state, n);
}
BENCHMARK(BM_WithAnObjectsInstances)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// for (i = 0; i < instance_count; i++) instance_id[i], through the built-in variables.
void BM_InstanceIdOverInstanceCount(benchmark::State& state) {
  const int32_t n = Size(state);
  Game game;
  Variable_BuiltIn_Init();
  Game::Start(n, kBlock);
  CInstance* self = Room_Current->active.first;
  const int32_t count = Variable_BuiltinFind("instance_count");
  const int32_t ids = Variable_BuiltinFind("instance_id");
  double sum = 0.0;
  for (auto _ : state) {
    RValue c;
    Variable_GetValue(self, count, ARRAY_INDEX_NONE, &c);
    for (int32_t i = 0; i < static_cast<int32_t>(c.val); ++i) {
      RValue id;
      Variable_GetValue(self, ids, i, &id);
      sum += id.val;
    }
  }
  benchmark::DoNotOptimize(sum);
  if (sum < 100000.0 * n) state.SkipWithError("the ids were not read");
  PerInstance(state, n);
}
BENCHMARK(BM_InstanceIdOverInstanceCount)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Finding an instance by id among 1,000 to 100,000.
void BM_FindInstanceById(benchmark::State& state) {
  const int32_t n = Size(state);
  std::vector<CInstance*> made;
  for (int32_t i = 0; i < n; ++i) {
    made.push_back(new CInstance(0, 0, 100001 + i, -1, false));
    InstanceIdTable.Insert(100001 + i, made.back());
  }
  uint32_t seed = 5;
  int64_t found = 0;
  for (auto _ : state) {
    for (int32_t k = 0; k < 1000; ++k) {
      found += Instance_Find(100001 + static_cast<int32_t>(Next(&seed, static_cast<uint32_t>(n)))) != nullptr ? 1 : 0;
    }
  }
  if (found != state.iterations() * 1000) state.SkipWithError("an id was not found");
  InstanceIdTable.Clear(kDisposeDelete);
  PerInstance(state, 1000);
}
BENCHMARK(BM_FindInstanceById)->Arg(1000)->Arg(10000)->Arg(100000);

// --- tiles and paths -------------------------------------------------------------------------

std::vector<RoomTile> MixedTiles(int32_t n) {
  CRoom room;
  uint32_t seed = 11;
  for (int32_t i = 0; i < n; ++i) {
    RoomTile t;
    t.depth = static_cast<float>(Next(&seed, 50)) * 100.0f;
    t.x = static_cast<float>(i % 100 * 16);
    t.y = static_cast<float>(i / 100 * 16);
    room.AddTile(t);
  }
  return room.tiles;
}

// The redraw's sort of n tiles of 50 mixed depths (restored to their first order, untimed, each
// round).
void BM_SortTilesOfMixedDepths(benchmark::State& state) {
  const int32_t n = Size(state);
  const std::vector<RoomTile> mixed = MixedTiles(n);
  CRoom room;
  for (auto _ : state) {
    state.PauseTiming();
    room.tiles = mixed;
    room.TilesReordered();
    state.ResumeTiming();
    room.SortTiles();
  }
  PerInstance(state, n);
}
BENCHMARK(BM_SortTilesOfMixedDepths)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// Looking every tile up by its id after the sort, in a scrambled order.
void BM_FindEveryTile(benchmark::State& state) {
  const int32_t n = Size(state);
  CRoom room;
  room.tiles = MixedTiles(n);
  room.TilesReordered();
  room.SortTiles();
  std::vector<int32_t> ids;
  for (const RoomTile& t : room.tiles) ids.push_back(t.id);
  uint32_t seed = 13;
  for (size_t i = ids.size(); i > 1; --i) std::swap(ids[i - 1], ids[Next(&seed, static_cast<uint32_t>(i))]);
  int64_t found = 0;
  for (auto _ : state) {
    for (const int32_t id : ids) found += room.FindTile(id) >= 0 ? 1 : 0;
  }
  if (found != state.iterations() * n) state.SkipWithError("a tile was not found");
  PerInstance(state, n);
}
BENCHMARK(BM_FindEveryTile)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// A smooth open path of n points built point by point, then its length read.
void BM_SmoothPathBuiltPointByPoint(benchmark::State& state) {
  const int32_t n = Size(state);
  float length = 0.0f;
  for (auto _ : state) {
    CPath path;
    path.SetKind(kPathKindSmooth);
    path.SetClosed(false);
    for (int32_t i = 0; i < n; ++i) path.AddPoint(static_cast<float>(i % 2 * 64), static_cast<float>(i * 8), 100.0f);
    length += path.GetLength();
  }
  benchmark::DoNotOptimize(length);
  PerInstance(state, n);
}
BENCHMARK(BM_SmoothPathBuiltPointByPoint)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
