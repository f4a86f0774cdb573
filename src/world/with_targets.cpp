// The instances a with-block or a with-list visits, in the order the game world keeps them.
#include "vm/calls.h"

#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/object.h"
#include "world/room.h"

namespace {

// The with-list: items, capacity, length.
CInstance** g_withItems = nullptr;
int32_t g_withCapacity = 0;
int32_t g_withLength = 0;

constexpr int32_t kWithListInitialCapacity = 32;

// The with-list's generation: an instance whose with_generation equals it is in the list, so
// adding is a flag test however long the list. Emptying the list starts a new generation.
uint64_t g_withGeneration = 1;

void EmptyWithList() {
  g_withLength = 0;
  ++g_withGeneration;
}

CInstance** NewArray(int32_t entries) {
  return static_cast<CInstance**>(MEM_ALLOC(sizeof(CInstance*) * static_cast<size_t>(entries)));
}

void CollectFromQueue(const InstanceChangeList& queue, int32_t objectIndex) {
  for (int32_t i = 0; i < queue.Count(); ++i) {
    CInstance* instance = queue.Get(i);
    if (instance->object_index == objectIndex && Instance_Eligible(instance)) WithList_AddUnique(instance);
  }
}

}  // namespace

// --- with-blocks -----------------------------------------------------------------------------------

int32_t WithIterator_Begin(WithIterator* iterator, CInstance** self, CInstance** other, int32_t target) {
  iterator->savedSelf = *self;
  iterator->savedOther = *other;
  iterator->array = nullptr;
  iterator->cursor = nullptr;
  // The array of one target's with-block holds only the null head: Next ends it at once.
  auto single = [&](CInstance* newSelf) {
    iterator->array = NewArray(1);
    iterator->cursor = iterator->array + 1;
    *other = iterator->savedSelf;
    *self = newSelf;
    return 1;
  };
  switch (target) {
    case kWithSelf:
    case kWithBuiltinSelf:
      return single(iterator->savedSelf);
    case kWithOther:
      return single(iterator->savedOther);
    case kWithNoone:
    case kWithGlobal:
    case kWithLocal:
      return -1;
    case kWithAll: {
      if (Room_Current == nullptr) return 0;
      int32_t count = 0;
      for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) count += Instance_Eligible(i) ? 1 : 0;
      if (count == 0) return 0;
      iterator->array = NewArray(count);
      CInstance** at = iterator->array + 1;
      CInstance* last = nullptr;
      for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
        if (!Instance_Eligible(i)) continue;
        if (last != nullptr) *at++ = last;
        last = i;
      }
      iterator->cursor = at;
      *other = iterator->savedSelf;
      *self = last;
      return count;
    }
    default:
      break;
  }
  if (target >= kCallableScriptBase) {
    CInstance* instance = Instance_Find(target);
    if (!Instance_Eligible(instance)) return 0;
    return single(instance);
  }
  if (target < 0) return 0;
  const int32_t count = WithList_CollectObject(target);
  if (count <= 0) {
    WithList_Clear();
    return 0;
  }
  iterator->array = NewArray(count);
  CInstance* first = nullptr;
  iterator->cursor = WithList_CopyToArray(iterator->array, &first);
  WithList_Clear();
  *other = iterator->savedSelf;
  *self = first;
  return count;
}

bool WithIterator_Next(WithIterator* iterator, CInstance** self) {
  if (iterator->array == nullptr || iterator->cursor <= iterator->array) return false;
  --iterator->cursor;
  CInstance* next = *iterator->cursor;
  if (next == nullptr) return false;
  *self = next;
  return true;
}

void WithIterator_End(WithIterator* iterator, CInstance** self, CInstance** other) {
  MEM_FREE(iterator->array);
  iterator->array = nullptr;
  iterator->cursor = nullptr;
  *self = iterator->savedSelf;
  *other = iterator->savedOther;
}

// --- the with-list ---------------------------------------------------------------------------------

void WithList_Init() {
  if (g_withItems != nullptr) return;
  g_withItems = static_cast<CInstance**>(MEM_ALLOC(sizeof(CInstance*) * kWithListInitialCapacity));
  g_withCapacity = kWithListInitialCapacity;
  EmptyWithList();
}

void WithList_Free() {
  MEM_FREE(g_withItems);
  g_withItems = nullptr;
  g_withCapacity = 0;
  EmptyWithList();
}

bool WithList_AddUnique(CInstance* instance) {
  if (instance->with_generation == g_withGeneration) return true;
  if (g_withLength == g_withCapacity) {
    const int32_t capacity = g_withCapacity > 0 ? g_withCapacity * 2 : kWithListInitialCapacity;
    g_withItems = static_cast<CInstance**>(MEM_REALLOC(g_withItems, sizeof(CInstance*) * capacity));
    g_withCapacity = capacity;
  }
  g_withItems[g_withLength++] = instance;
  instance->with_generation = g_withGeneration;
  return false;
}

int32_t WithList_CollectObject(int32_t objectIndex) {
  const CObject* object = Object_Data(objectIndex);
  if (object == nullptr) return -1;
  for (const ObjectInstanceNode* node = object->instances_recursive.first; node != nullptr; node = node->next) {
    if (Instance_Eligible(node->instance)) WithList_AddUnique(node->instance);
  }
  CollectFromQueue(ObjectChangeList, objectIndex);
  CollectFromQueue(Room_ActivationQueue, objectIndex);
  return g_withLength;
}

int32_t WithList_Count() { return g_withLength; }

CInstance** WithList_CopyToArray(CInstance** array, CInstance** self) {
  if (g_withLength == 0) return array;
  array[0] = nullptr;
  for (int32_t i = 0; i + 1 < g_withLength; ++i) array[i + 1] = g_withItems[i];
  *self = g_withItems[g_withLength - 1];
  return array + g_withLength;
}

void WithList_Clear() { EmptyWithList(); }
