// Object definitions, as far as instances need them. Loading them from the game data, their
// events and the per-event lists come with the game world.
#include "world/object.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/memory_manager.h"

namespace {

std::vector<CObject*> g_objects;
// Ancestor walks stop after this many steps: a parent cycle must not hang the runner.
constexpr int32_t kMaxAncestors = 100000;

char* CopyText(const char* text) {
  const size_t n = std::strlen(text);
  auto* copy = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, false));
  std::memcpy(copy, text, n + 1);
  return copy;
}

}  // namespace

void ObjectInstanceList::Append(CInstance* instance) {
  auto* node = static_cast<ObjectInstanceNode*>(MemoryManager_Alloc(sizeof(ObjectInstanceNode), __FILE__, __LINE__, true));
  node->instance = instance;
  node->previous = last;
  node->next = nullptr;
  if (last != nullptr) {
    last->next = node;
  } else {
    first = node;
  }
  last = node;
  ++count;
}

bool ObjectInstanceList::Remove(CInstance* instance) {
  for (ObjectInstanceNode* node = first; node != nullptr; node = node->next) {
    if (node->instance != instance) continue;
    (node->previous != nullptr ? node->previous->next : first) = node->next;
    (node->next != nullptr ? node->next->previous : last) = node->previous;
    --count;
    MemoryManager_Free(node);
    return true;
  }
  return false;
}

bool ObjectInstanceList::Contains(const CInstance* instance) const {
  for (const ObjectInstanceNode* node = first; node != nullptr; node = node->next) {
    if (node->instance == instance) return true;
  }
  return false;
}

void ObjectInstanceList::Clear() {
  while (first != nullptr) {
    ObjectInstanceNode* next = first->next;
    MemoryManager_Free(first);
    first = next;
  }
  last = nullptr;
  count = 0;
}

CObject::CObject(int32_t objectIndex) : index(objectIndex) {}

CObject::~CObject() {
  MemoryManager_Free(name);
  MemoryManager_Free(points);
  instances.Clear();
  instances_recursive.Clear();
}

void CObject::SetName(const char* text) {
  MemoryManager_Free(name);
  name = text != nullptr && text[0] != '\0' ? CopyText(text) : nullptr;
}

void CObject::SetPoints(const ObjectPoint* source, int32_t n) {
  MemoryManager_Free(points);
  points = nullptr;
  point_count = n > 0 ? n : 0;
  if (point_count == 0) return;
  points = static_cast<ObjectPoint*>(MemoryManager_Alloc(sizeof(ObjectPoint) * static_cast<size_t>(point_count), __FILE__, __LINE__, false));
  std::memcpy(points, source, sizeof(ObjectPoint) * static_cast<size_t>(point_count));
}

void CObject::AddInstance(CInstance* instance) {
  instances.Append(instance);
  int32_t steps = 0;
  for (CObject* o = this; o != nullptr && steps < kMaxAncestors; o = o->parent, ++steps) o->instances_recursive.Append(instance);
}

void CObject::RemoveInstance(CInstance* instance) {
  instances.Remove(instance);
  int32_t steps = 0;
  for (CObject* o = this; o != nullptr && steps < kMaxAncestors; o = o->parent, ++steps) o->instances_recursive.Remove(instance);
}

int32_t Object_Count() { return static_cast<int32_t>(g_objects.size()); }

CObject* Object_Data(int32_t objectIndex) {
  if (objectIndex < 0 || static_cast<size_t>(objectIndex) >= g_objects.size()) return nullptr;
  return g_objects[static_cast<size_t>(objectIndex)];
}

bool Object_Exists(int32_t objectIndex) { return Object_Data(objectIndex) != nullptr; }

const char* Object_Name(int32_t objectIndex) {
  const CObject* o = Object_Data(objectIndex);
  return o != nullptr && o->name != nullptr ? o->name : "<undefined>";
}

int32_t Object_Find(const char* name) {
  if (name == nullptr) return -1;
  for (size_t i = 0; i < g_objects.size(); ++i) {
    const CObject* o = g_objects[i];
    if (o != nullptr && o->name != nullptr && std::strcmp(o->name, name) == 0) return static_cast<int32_t>(i);
  }
  return -1;
}

void Object_Init() { Object_Shutdown(); }

int32_t Object_Add() {
  const auto objectIndex = static_cast<int32_t>(g_objects.size());
  auto* o = new CObject(objectIndex);
  char name[32];
  std::snprintf(name, sizeof name, "__newobject%d", objectIndex);
  o->SetName(name);
  g_objects.push_back(o);
  return objectIndex;
}

void Object_Shutdown() {
  for (CObject* o : g_objects) delete o;
  g_objects.clear();
}
