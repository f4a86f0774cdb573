// The data-structure services that the rest of the runner and native extensions call.
#include <cstdlib>
#include <vector>

#include "core/memory_manager.h"
#include "functions/ds_grid.h"
#include "functions/ds_priority.h"
#include "functions/ds_services.h"
#include "functions/ds_stack.h"
#include "functions/ds_test_support.h"

namespace {

using DsServices = DsTest;

// The value a map holds for a key, as a script reads it.
Arg Value(int32_t map, const char* key) { return DsTest::Call("ds_map_find_value", {map, key}); }

// --- maps --------------------------------------------------------------------------------------

TEST_F(DsServices, CreateDsMapAddsEachPairInOrderAndKeepsTheFirstValueOfAKey) {
  // Through the pointer an extension receives, so the argument list it relies on is the one tried.
  const CreateDsMapFn create = &CreateDsMap;

  const int32_t empty = create(0);
  ASSERT_NE(GetDsMap(empty), nullptr);
  EXPECT_EQ(GetDsMap(empty)->Size(), 0);

  const int32_t twice = create(2, "a", 1.0, nullptr, "a", 2.0, nullptr);
  EXPECT_EQ(Keys(twice), "'a'");
  EXPECT_TRUE(Value(twice, "a").IsReal(1.0));

  const int32_t text = create(1, "s", 5.0, "text");
  EXPECT_TRUE(Value(text, "s").IsString("text"));

  // A null key adds nothing; a count below 1 gives an empty map.
  const int32_t nullKey = create(2, nullptr, 1.0, nullptr, "b", 2.0, nullptr);
  EXPECT_EQ(Keys(nullKey), "'b'");
  EXPECT_EQ(GetDsMap(create(-3))->Size(), 0);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsServices, CreateDsMapOfTakesThePairsOfAnArray) {
  const DsMapPair pairs[] = {{"n", 3.0, nullptr}, {"t", 0.0, "x"}, {"n", 4.0, nullptr}, {nullptr, 1.0, "y"}};
  const int32_t id = CreateDsMapOf(pairs, 4);
  EXPECT_EQ(GetDsMap(id)->Size(), 2);
  EXPECT_TRUE(Value(id, "n").IsReal(3.0));
  EXPECT_TRUE(Value(id, "t").IsString("x"));
  EXPECT_EQ(GetDsMap(CreateDsMapOf(nullptr, 5))->Size(), 0);
}

TEST_F(DsServices, GetDsMapGivesNullForIdsThatNameNoMap) {
  const int32_t kept = NewDsMap();
  const int32_t gone = NewDsMap();
  Call("ds_map_destroy", {gone});
  EXPECT_NE(GetDsMap(kept), nullptr);
  for (int32_t id : {gone, -1, gone + 1, INT32_MAX}) EXPECT_EQ(GetDsMap(id), nullptr) << id;
}

// Watches the map table from inside the allocator while CreateDsMap fills its map: once, the map
// in slot `replacedId` is destroyed and a new one made, as another part of the runner might do.
struct FillWatch {
  bool active = false;
  bool replaced = false;
  int32_t replacedId = -1;
  int32_t remadeId = -1;
  int32_t calls = 0;
  std::vector<uint64_t> serialsSeen;
};
FillWatch g_watch;

void* WatchingAlloc(size_t size) {
  if (g_watch.active) {
    g_watch.active = false;  // what the watch itself allocates is not watched
    ++g_watch.calls;
    for (int32_t id = 0; id < g_DsMaps.Count(); ++id) {
      if (const CDS_Map* map = g_DsMaps.Get(id)) g_watch.serialsSeen.push_back(map->Serial());
    }
    if (!g_watch.replaced) {
      g_watch.replaced = true;
      DS_DestroyMap(g_watch.replacedId);
      g_watch.remadeId = DS_CreateMap();
    }
    g_watch.active = true;
  }
  return std::malloc(size);
}

TEST_F(DsServices, CreateDsMapTakesItsSlotOnlyOnceTheMapIsFilled) {
  const int32_t first = NewDsMap();
  g_watch = FillWatch{};
  g_watch.replacedId = NewDsMap();
  g_watch.serialsSeen.reserve(4096);
  Call("ds_map_destroy", {first});  // a free slot below the one that is replaced

  const MemoryHeapAllocFn previous = MemoryManager_SetHeapAlloc(&WatchingAlloc);
  g_watch.active = true;
  const int32_t made = CreateDsMap(3, "a", 1.0, nullptr, "b", 2.0, nullptr, "c", 0.0, "three");
  g_watch.active = false;
  MemoryManager_SetHeapAlloc(previous);

  ASSERT_GT(g_watch.calls, 0);
  ASSERT_TRUE(g_watch.replaced);
  // The map made meanwhile took the free slot; the filled one came after it.
  EXPECT_EQ(g_watch.remadeId, first);
  EXPECT_NE(made, g_watch.remadeId);
  EXPECT_EQ(GetDsMap(g_watch.remadeId)->Size(), 0);
  const CDS_Map* map = GetDsMap(made);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->Size(), 3);
  EXPECT_TRUE(Value(made, "c").IsString("three"));
  // No id named the new map while it was being filled.
  for (uint64_t serial : g_watch.serialsSeen) EXPECT_NE(serial, map->Serial());
}

TEST_F(DsServices, MapOperationsCheckIdsAsTheScriptFunctionsDo) {
  const int32_t id = NewDsMap();
  ClearDsMap(id + 1);
  EXPECT_EQ(TakeError(), kBadId);
  AddDsMapReal(id + 1, "k", 1.0);
  EXPECT_EQ(TakeError(), kBadId);
  DestroyDsMap(id + 5);  // outside the table
  EXPECT_EQ(TakeError(), kBadId);

  AddDsMapReal(id, "k", 1.0);
  ClearDsMap(id);
  EXPECT_EQ(GetDsMap(id)->Size(), 0);
  DestroyDsMap(id);
  EXPECT_EQ(GetDsMap(id), nullptr);
  DestroyDsMap(id);  // an emptied slot is passed over without a word
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsServices, MapAddersStoreEachKindAndKeepAPresentKey) {
  const int32_t id = NewDsMap();
  AddDsMapInt(id, "int", -7);
  AddDsMapReal(id, "real", 2.5);
  AddDsMapInt64(id, "int64", int64_t{1} << 40);
  AddDsMapString(id, "text", "hello");
  AddDsMapReal(id, "real", 9.0);       // present: kept
  AddDsMapString(id, "int", "other");  // present: kept
  AddDsMapReal(id, nullptr, 1.0);      // no key: nothing
  AddDsMapString(id, "none", nullptr);  // no text: nothing
  EXPECT_EQ(TakeError(), "");

  EXPECT_EQ(GetDsMap(id)->Size(), 4);
  EXPECT_TRUE(Value(id, "int").IsReal(-7.0));
  EXPECT_TRUE(Value(id, "real").IsReal(2.5));
  const Arg big = Value(id, "int64");
  EXPECT_EQ(big.Kind(), VALUE_INT64);
  EXPECT_EQ(big.v.v64, int64_t{1} << 40);
  EXPECT_TRUE(Value(id, "text").IsString("hello"));
}

TEST_F(DsServices, AddDsMapListMakesTheMapOwnTheList) {
  const int32_t map = NewDsMap();
  const int32_t list = CreateDsList();
  AddDsMapList(map, "items", list);
  AddDsMapList(map, "bad", list + 3);
  EXPECT_EQ(TakeError(), "Invalid list index for value");
  EXPECT_EQ(GetDsMap(map)->Size(), 1);

  DestroyDsMap(map);
  EXPECT_EQ(g_DsLists.Get(list), nullptr);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsServices, ExtensionAddersAnswerWhetherThePairWentIn) {
  const DsMapAddDoubleFn addDouble = &DsMapAddDouble;
  const DsMapAddStringFn addString = &DsMapAddString;
  const int32_t id = NewDsMap();

  EXPECT_TRUE(addDouble(id, "n", 1.5));
  EXPECT_TRUE(addString(id, "s", "first"));
  EXPECT_FALSE(addString(id, "s", "second"));
  EXPECT_FALSE(addDouble(id, "s", 3.0));
  EXPECT_FALSE(addDouble(id, nullptr, 3.0));
  EXPECT_FALSE(addString(id, "t", nullptr));
  EXPECT_TRUE(Value(id, "s").IsString("first"));
  EXPECT_TRUE(Value(id, "n").IsReal(1.5));
  EXPECT_EQ(GetDsMap(id)->Size(), 2);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsServices, ExtensionAddersRefuseAnIdThatNamesNoMap) {
  const int32_t kept = NewDsMap();
  const int32_t gone = NewDsMap();
  DestroyDsMap(gone);
  for (int32_t id : {gone, -1, kept + 2, INT32_MAX, INT32_MIN}) {
    EXPECT_FALSE(DsMapAddDouble(id, "k", 1.0)) << id;
    EXPECT_FALSE(DsMapAddString(id, "k", "v")) << id;
  }
  EXPECT_EQ(GetDsMap(gone), nullptr);
  EXPECT_EQ(GetDsMap(kept)->Size(), 0);
  EXPECT_EQ(g_DsMaps.Count(), 2);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsServices, AllocDsMapIndexLeavesTheSlotForTheCaller) {
  const int32_t used = NewDsMap();
  const int32_t slot = AllocDsMapIndex();
  EXPECT_EQ(slot, used + 1);
  EXPECT_EQ(GetDsMap(slot), nullptr);
  g_DsMaps.Store(slot, new CDS_Map());
  EXPECT_NE(GetDsMap(slot), nullptr);
  EXPECT_EQ(NewDsMap(), slot + 1);
}

// --- lists -------------------------------------------------------------------------------------

TEST_F(DsServices, ListOperationsAppendAndReportBadIds) {
  const int32_t a = CreateDsList();
  const int32_t b = CreateDsList();
  EXPECT_EQ(a, 0);
  EXPECT_EQ(b, 1);

  AddDsListInt64(a, -(int64_t{1} << 50));
  ASSERT_EQ(g_DsLists.Get(a)->Size(), 1);
  EXPECT_EQ(g_DsLists.Get(a)->GetValue(0)->kind, VALUE_INT64);
  EXPECT_EQ(g_DsLists.Get(a)->GetValue(0)->v64, -(int64_t{1} << 50));

  AddDsListInt64(b + 1, 1);
  EXPECT_EQ(TakeError(), kBadId);
  ClearDsList(-1);
  EXPECT_EQ(TakeError(), kBadId);
  ClearDsList(a);
  EXPECT_EQ(g_DsLists.Get(a)->Size(), 0);

  const int32_t slot = AllocDsListIndex();
  EXPECT_EQ(slot, b + 1);
  EXPECT_EQ(g_DsLists.Get(slot), nullptr);
  EXPECT_EQ(g_DsLists.Count(), slot + 1);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsServices, AddDsListMapMakesTheListOwnTheMap) {
  const int32_t list = CreateDsList();
  AddDsListInt64(list, 5);
  const int32_t map = NewDsMap();
  AddDsListMap(list, map);
  const CDS_List* held = g_DsLists.Get(list);
  ASSERT_EQ(held->Size(), 2);
  EXPECT_EQ(held->GetValue(1)->val, map);
  EXPECT_EQ(held->GetValue(1)->kind, VALUE_REAL | KIND_FLAG_DSMAP);

  // A bad list id appends nothing and marks nothing: the map stays its own.
  const int32_t loose = NewDsMap();
  AddDsListMap(list + 1, loose);
  EXPECT_EQ(TakeError(), kBadId);

  Call("ds_list_destroy", {list});
  EXPECT_EQ(GetDsMap(map), nullptr);
  EXPECT_NE(GetDsMap(loose), nullptr);
  EXPECT_EQ(TakeError(), "");
}

// --- queues ------------------------------------------------------------------------------------

TEST_F(DsServices, EnqueueDsQueueMakesRealsAndUnownedPointers) {
  const int32_t q = CreateDsQueue();
  int target = 0;
  EnqueueDsQueue(q, 2, 1.0, nullptr, 0.0, static_cast<void*>(&target));
  EXPECT_EQ(GetDsQueueSize(q), 2);

  Arg first;
  DequeueDsQueue(q, &first.v);
  EXPECT_TRUE(first.IsReal(1.0));
  Arg second(7.0);
  DequeueDsQueue(q, &second.v);
  EXPECT_EQ(second.Kind(), VALUE_PTR);
  EXPECT_EQ(second.v.ptr, &target);
  EXPECT_EQ(second.v.flags & RVALUE_FLAG_OWNED, 0u);

  Arg empty(3.0);
  DequeueDsQueue(q, &empty.v);
  EXPECT_TRUE(empty.IsUndefined());
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsServices, QueueOperationsPassOverNegativeIdsAndReportOthers) {
  const int32_t q = CreateDsQueue();
  EnqueueDsQueue(q, 1, 4.0, nullptr);

  EnqueueDsQueue(-1, 1, 1.0, nullptr);
  EnqueueDsQueue(q, 0, 1.0, nullptr);
  ClearDsQueue(-1);
  Arg untouched(8.0);
  DequeueDsQueue(-1, &untouched.v);
  EXPECT_TRUE(untouched.IsReal(8.0));
  EXPECT_EQ(GetDsQueueSize(-1), 0);
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(GetDsQueueSize(q), 1);

  EXPECT_EQ(GetDsQueueSize(q + 1), 0);
  EXPECT_EQ(TakeError(), kBadId);
  EnqueueDsQueue(q + 1, 2, 1.0, nullptr, 2.0, nullptr);
  EXPECT_EQ(TakeError(), kBadId);
  ClearDsQueue(q + 1);
  EXPECT_EQ(TakeError(), kBadId);
  Arg out(8.0);
  DequeueDsQueue(q + 1, &out.v);
  EXPECT_EQ(TakeError(), kBadId);
  EXPECT_TRUE(out.IsUndefined());

  DequeueDsQueue(q, nullptr);  // the value is dropped
  EXPECT_EQ(GetDsQueueSize(q), 0);
  EnqueueDsQueue(q, 1, 4.0, nullptr);
  ClearDsQueue(q);
  EXPECT_EQ(GetDsQueueSize(q), 0);
  EXPECT_EQ(TakeError(), "");
}

// --- tables ------------------------------------------------------------------------------------

TEST_F(DsServices, TableGettersHandOutTheSlotsAndTheirCount) {
  int32_t count = -1;
  EXPECT_EQ(GetDsStackTable(&count), nullptr);
  EXPECT_EQ(count, 0);

  const int32_t s0 = DS_CreateStack();
  const int32_t s1 = DS_CreateStack();
  DS_DestroyStack(s0);
  CDS_Stack* const* stacks = GetDsStackTable(&count);
  ASSERT_EQ(count, 2);
  EXPECT_EQ(stacks[s0], nullptr);
  EXPECT_EQ(stacks[s1], g_DsStacks.Get(s1));

  const int32_t q = CreateDsQueue();
  EXPECT_EQ(GetDsQueueTable(&count)[q], g_DsQueues.Get(q));
  EXPECT_EQ(count, 1);
  const int32_t p = DS_CreatePriority();
  EXPECT_EQ(GetDsPriorityTable(&count)[p], g_DsPriorities.Get(p));
  EXPECT_EQ(count, 1);
  DS_CreateGrid(2, 2);
  const int32_t g = DS_CreateGrid(3, 3);
  EXPECT_EQ(GetDsGridTable(&count)[g], g_DsGrids.Get(g));
  EXPECT_EQ(count, 2);
  EXPECT_NE(GetDsGridTable(nullptr), nullptr);  // the count is optional
}

}  // namespace
