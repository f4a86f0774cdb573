#include "world/object.h"

#include <cstdio>
#include <cstring>

#include "core/console.h"
#include "core/hash.h"
#include "core/memory_manager.h"
#include "core/name_index.h"
#include "runtime/container.h"
#include "runtime/error_report.h"
#include "runtime/game_header.h"
#include "world/event_context.h"
#include "world/instance.h"
#include "world/object_lists.h"

namespace {

constexpr int kObjectTableBits = 9;  // 512 buckets
// Parent indices that can name an object when parents are linked.
constexpr int32_t kMaxParentIndex = 99999;

// Made on first use and freed by Object_Shutdown, so no table outlives the memory manager.
Hash<CObject>* g_table = nullptr;
int32_t g_count = 0;
// Deleted definitions, kept until Object_Shutdown (see Object_Delete).
std::vector<CObject*> g_deleted;
// Forgotten by every insert, delete and rename; read again in the table's iteration order.
NameIndex g_names;

Hash<CObject>& Table() {
  if (g_table == nullptr) g_table = new Hash<CObject>(kObjectTableBits);
  return *g_table;
}

char* CopyText(const char* text) {
  const size_t n = std::strlen(text);
  auto* copy = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, false));
  std::memcpy(copy, text, n + 1);
  return copy;
}

// Calls visit for every definition in table order.
template <typename Visit>
void ForEachObject(Visit visit) {
  if (g_table == nullptr) return;
  Hash<CObject>::Iterator it;
  for (Hash<CObject>::IterateFirst(g_table, &it); it.current != nullptr; Hash<CObject>::IterateAdvance(&it)) {
    visit(it.current->value);
  }
}

// The own-chain walk of the handler search: start, then its ancestors.
CEvent* FindInChain(const CObject* start, int32_t type, int32_t number, int32_t* definingObject) {
  int32_t steps = 0;
  for (const CObject* o = start; o != nullptr && steps <= kObjectMaxAncestors; o = o->TableParent(), ++steps) {
    *definingObject = o->index;
    if (CEvent* event = o->RowEvent(type, number)) return event;
  }
  return nullptr;
}

// Reading the entry's words, each checked against the container.
class EntryReader {
 public:
  EntryReader(const ContainerBytes& container, uint64_t at) : m_container(container), m_at(at) {}

  bool Has(uint64_t bytes) const { return m_container.Has(m_at, bytes); }
  uint32_t U32() {
    const uint32_t v = Container_U32(m_container.data + m_at);
    m_at += 4;
    return v;
  }
  int32_t I32() { return static_cast<int32_t>(U32()); }
  float F32() {
    const uint32_t bits = U32();
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
  }
  uint64_t At() const { return m_at; }

 private:
  const ContainerBytes& m_container;
  uint64_t m_at;
};

std::string Format(const char* format, uint64_t a, uint64_t b = 0) {
  char text[200];
  std::snprintf(text, sizeof text, format, static_cast<unsigned long long>(a), static_cast<unsigned long long>(b));
  return text;
}

// Format 6 and later: the physics block; 9 and later add friction, awake and kinematic.
bool ReadPhysics(CObject* o, EntryReader* r, uint8_t formatVersion, std::string* problem) {
  const uint32_t words = formatVersion >= 9 ? 12 : 9;
  if (!r->Has(4ull * words)) {
    *problem = "its physics settings do not lie inside the container";
    return false;
  }
  o->uses_physics = r->U32() != 0;
  o->sensor = r->U32() != 0;
  o->shape = r->I32();
  o->density = r->F32();
  o->restitution = r->F32();
  o->group = r->I32();
  o->linear_damping = r->F32();
  o->angular_damping = r->F32();
  const int32_t pointCount = r->I32();
  if (formatVersion >= 9) {
    o->friction = r->F32();
    o->awake = r->U32() != 0;
    o->kinematic = r->U32() != 0;
  } else {
    o->friction = 0.2f;
    o->awake = true;
    o->kinematic = false;
  }
  if (pointCount < 0 || !r->Has(8ull * static_cast<uint32_t>(pointCount))) {
    *problem = Format("its %llu physics points do not lie inside the container", static_cast<uint32_t>(pointCount));
    return false;
  }
  std::vector<ObjectPoint> points(static_cast<size_t>(pointCount));
  for (ObjectPoint& p : points) {
    p.x = r->F32();
    p.y = r->F32();
  }
  o->SetPoints(points.data(), pointCount);
  return true;
}

bool ReadEventRow(CObject* o, const ContainerBytes& container, int32_t type, uint32_t rowOffset,
                  ObjectLoadLimits* limits, std::string* problem) {
  if (rowOffset == 0) return true;
  EntryReader row(container, rowOffset);
  if (!row.Has(4)) {
    *problem = Format("its event row %llu does not lie inside the container", static_cast<uint64_t>(type));
    return false;
  }
  const uint32_t count = row.U32();
  if (!row.Has(4ull * count)) {
    *problem = Format("the %llu events of its row %llu do not lie inside the container", count, type);
    return false;
  }
  std::vector<CEvent*>& slots = o->events[type];
  for (uint32_t e = 0; e < count; ++e) {
    const uint32_t entryOffset = row.U32();
    if (entryOffset == 0) continue;
    if (!container.Has(entryOffset, 4)) {
      *problem = Format("an event entry of its row %llu lies outside the container", static_cast<uint64_t>(type));
      return false;
    }
    const uint32_t number = Container_U32(container.data + entryOffset);
    if (number >= static_cast<uint32_t>(limits->numberLimit)) {
      *problem = Format("its event (%llu, %llu) has a number beyond every object and key", static_cast<uint64_t>(type),
                        number);
      return false;
    }
    if (number >= slots.size()) {
      limits->slotsLeft -= static_cast<int64_t>(number + 1 - slots.size());
      if (limits->slotsLeft < 0) {
        *problem = Format("the event rows of the objects up to this one need more than %llu slots",
                          static_cast<uint64_t>(kObjectMaxEventSlots));
        return false;
      }
      slots.resize(number + 1, nullptr);
    }
    if (slots[number] == nullptr) slots[number] = new CEvent();
    std::string why;
    if (!slots[number]->LoadFromChunk(container, entryOffset + 4, &why)) {
      *problem = Format("its event (%llu, %llu): ", static_cast<uint64_t>(type), number) + why;
      return false;
    }
  }
  return true;
}

// A parent chain that comes back to an object already on it would make every ancestor walk
// endless. Returns the first object (in table order) whose chain does, or -1.
int32_t FindParentCycle() {
  enum : uint8_t { kUnseen, kOnPath, kDone };
  std::vector<uint8_t> state(static_cast<size_t>(g_count), kUnseen);
  int32_t culprit = -1;
  ForEachObject([&](const CObject* start) {
    if (culprit >= 0) return;
    std::vector<int32_t> path;
    for (const CObject* o = start; o != nullptr; o = o->TableParent()) {
      uint8_t& s = state[static_cast<size_t>(o->index)];
      if (s == kDone) break;
      if (s == kOnPath) {
        culprit = start->index;
        return;
      }
      s = kOnPath;
      path.push_back(o->index);
    }
    for (int32_t i : path) state[static_cast<size_t>(i)] = kDone;
  });
  return culprit;
}

}  // namespace

namespace {

void UnlinkNode(ObjectInstanceList* list, ObjectInstanceNode* node) {
  (node->previous != nullptr ? node->previous->next : list->first) = node->next;
  (node->next != nullptr ? node->next->previous : list->last) = node->previous;
  --list->count;
}

// The link in the instance's node chain that points at node.
ObjectInstanceNode** ChainLinkTo(CInstance* instance, const ObjectInstanceNode* node) {
  ObjectInstanceNode** link = &instance->object_nodes;
  while (*link != node) link = &(*link)->instance_next;
  return link;
}

}  // namespace

void ObjectInstanceList::Append(CInstance* instance) {
  auto* node = static_cast<ObjectInstanceNode*>(MemoryManager_Alloc(sizeof(ObjectInstanceNode), __FILE__, __LINE__, true));
  node->instance = instance;
  node->owner = this;
  node->instance_next = nullptr;
  if (instance != nullptr) {
    node->instance_next = instance->object_nodes;
    instance->object_nodes = node;
  }
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
  if (instance == nullptr) return false;
  // The chain is newest first; of several nodes in this list the first in list order is the
  // oldest, the last one met.
  ObjectInstanceNode** found = nullptr;
  for (ObjectInstanceNode** link = &instance->object_nodes; *link != nullptr; link = &(*link)->instance_next) {
    if ((*link)->owner == this) found = link;
  }
  if (found == nullptr) return false;
  ObjectInstanceNode* node = *found;
  *found = node->instance_next;
  UnlinkNode(this, node);
  MemoryManager_Free(node);
  return true;
}

bool ObjectInstanceList::Contains(const CInstance* instance) const {
  if (instance == nullptr) return false;
  for (const ObjectInstanceNode* node = instance->object_nodes; node != nullptr; node = node->instance_next) {
    if (node->owner == this) return true;
  }
  return false;
}

void ObjectInstanceList::Clear() {
  while (first != nullptr) {
    ObjectInstanceNode* next = first->next;
    if (first->instance != nullptr) *ChainLinkTo(first->instance, first) = first->instance_next;
    MemoryManager_Free(first);
    first = next;
  }
  last = nullptr;
  count = 0;
}

void ObjectInstanceList_Forget(CInstance* instance) {
  while (ObjectInstanceNode* node = instance->object_nodes) {
    instance->object_nodes = node->instance_next;
    UnlinkNode(node->owner, node);
    MemoryManager_Free(node);
  }
}

CObject::CObject(int32_t objectIndex) : index(objectIndex) {}

CObject::~CObject() {
  Clear();
  MemoryManager_Free(points);
}

void CObject::Clear() {
  flags = kObjectFlagVisible;
  sprite_index = -1;
  parent_index = -1;
  mask_index = -1;
  depth = 0;
  parent = nullptr;
  SetNameNoCopy(nullptr);
  for (std::vector<CEvent*>& row : events) {
    for (CEvent* event : row) delete event;
    row.clear();
    row.shrink_to_fit();
  }
  instances.Clear();
  instances_recursive.Clear();
}

bool CObject::LoadFromChunk(const ContainerBytes& container, uint32_t entryOffset, ObjectLoadLimits* limits,
                            std::string* problem) {
  Clear();
  EntryReader r(container, entryOffset);
  if (!r.Has(4 * 8)) {
    *problem = "its entry does not lie inside the container";
    return false;
  }
  r.U32();  // the name: the table's loader takes it
  sprite_index = r.I32();
  const bool isVisible = r.U32() != 0;
  const bool isSolid = r.U32() != 0;
  depth = r.I32();
  const bool isPersistent = r.U32() != 0;
  parent_index = r.I32();
  mask_index = r.I32();
  flags = (isSolid ? kObjectFlagSolid : 0) | (isVisible ? kObjectFlagVisible : 0) |
          (isPersistent ? kObjectFlagPersistent : 0);

  const uint8_t formatVersion = g_GameHeader.formatVersion;
  if (formatVersion >= 6) {
    if (!ReadPhysics(this, &r, formatVersion, problem)) return false;
  } else {
    uses_physics = false;
    SetPoints(nullptr, 0);
  }

  if (!r.Has(4)) {
    *problem = "its event rows do not lie inside the container";
    return false;
  }
  const uint32_t rowCount = r.U32();
  if (!r.Has(4ull * rowCount)) {
    *problem = Format("its %llu event rows do not lie inside the container", rowCount);
    return false;
  }
  // Rows past the twelfth have no event type: they are passed over.
  for (uint32_t type = 0; type < rowCount && type < static_cast<uint32_t>(kEventTypeCount); ++type) {
    if (!ReadEventRow(this, container, static_cast<int32_t>(type), r.U32(), limits, problem)) return false;
  }
  return true;
}

bool CObject::Compile() {
  for (int32_t type = 0; type < kEventTypeCount; ++type) {
    const std::vector<CEvent*>& row = events[type];
    for (size_t number = 0; number < row.size(); ++number) {
      if (row[number] == nullptr) continue;
      Event_Current.type = type;
      Event_Current.number = static_cast<int32_t>(number);
      if (!row[number]->Compile()) return false;
    }
  }
  return true;
}

CEvent* CObject::GetEvent(int32_t type, int32_t number) const {
  if (type < 0 || type >= kEventTypeCount || number < 0) {
    Error_Report(true, "Invalid event argument");
    return nullptr;
  }
  return RowEvent(type, number);
}

CEvent* CObject::FindEvent(int32_t type, int32_t number) const {
  int32_t defining = index;
  if (CEvent* event = FindInChain(this, type, number, &defining)) return event;
  if (type != kEventCollision) return nullptr;
  const CObject* otherObject = Object_Data(number);
  if (otherObject == nullptr) return nullptr;
  int32_t steps = 0;
  for (const CObject* a = otherObject->TableParent(); a != nullptr && steps <= kObjectMaxAncestors;
       a = a->TableParent(), ++steps) {
    if (CEvent* event = FindInChain(this, kEventCollision, a->index, &defining)) return event;
  }
  return nullptr;
}

bool CObject::HasEvent(int32_t type, int32_t number) const {
  int32_t defining = index;
  return FindInChain(this, type, number, &defining) != nullptr;
}

const CObject* CObject::TableParent() const { return parent_index >= 0 ? Object_Data(parent_index) : nullptr; }

bool CObject::IsAncestor(int32_t objectIndex) const {
  int32_t steps = 0;
  for (const CObject* a = TableParent(); a != nullptr && steps <= kObjectMaxAncestors;
       a = a->TableParent(), ++steps) {
    if (a->index == objectIndex) return true;
  }
  return false;
}

void CObject::SetName(const char* text) {
  SetNameNoCopy(text != nullptr && text[0] != '\0' ? CopyText(text) : nullptr);
}

void CObject::SetNameNoCopy(char* text) {
  g_names.Invalidate();
  MemoryManager_Free(name);
  name = text;
}

void CObject::SetPoints(const ObjectPoint* source, int32_t n) {
  MemoryManager_Free(points);
  points = nullptr;
  point_count = n > 0 ? n : 0;
  if (point_count == 0) return;
  points = static_cast<ObjectPoint*>(MemoryManager_Alloc(sizeof(ObjectPoint) * static_cast<size_t>(point_count), __FILE__, __LINE__, false));
  std::memcpy(points, source, sizeof(ObjectPoint) * static_cast<size_t>(point_count));
}

void CObject::AddInstanceOnce(CInstance* instance) {
  if (!instances.Contains(instance)) AddInstance(instance);
}

void CObject::AddInstance(CInstance* instance) {
  instances.Append(instance);
  int32_t steps = 0;
  for (CObject* o = this; o != nullptr && steps <= kObjectMaxAncestors; o = o->parent, ++steps) {
    o->instances_recursive.Append(instance);
  }
}

void CObject::RemoveInstance(CInstance* instance) {
  instances.Remove(instance);
  int32_t steps = 0;
  for (CObject* o = this; o != nullptr && steps <= kObjectMaxAncestors; o = o->parent, ++steps) {
    o->instances_recursive.Remove(instance);
  }
}

CEvent* Event_FindHandler(int32_t objectIndex, int32_t type, int32_t number, int32_t* definingObject) {
  *definingObject = objectIndex;
  if (type < 0 || type >= kEventTypeCount || number < 0) {
    Error_Report(true, "Invalid event argument");
    return nullptr;
  }
  const CObject* start = Object_Data(objectIndex);
  if (start == nullptr) return nullptr;
  if (CEvent* event = FindInChain(start, type, number, definingObject)) return event;
  if (type == kEventCollision) {
    const CObject* otherObject = Object_Data(number);
    int32_t steps = 0;
    for (const CObject* a = otherObject != nullptr ? otherObject->TableParent() : nullptr;
         a != nullptr && steps <= kObjectMaxAncestors; a = a->TableParent(), ++steps) {
      if (CEvent* event = FindInChain(start, kEventCollision, a->index, definingObject)) return event;
    }
  }
  *definingObject = objectIndex;
  return nullptr;
}

int32_t Object_Count() { return g_count; }

CObject* Object_Data(int32_t objectIndex) { return g_table != nullptr ? g_table->Find(objectIndex) : nullptr; }

bool Object_Exists(int32_t objectIndex) { return Object_Data(objectIndex) != nullptr; }

const char* Object_Name(int32_t objectIndex) {
  const CObject* o = Object_Data(objectIndex);
  return o != nullptr && o->name != nullptr ? o->name : "<undefined>";
}

int32_t Object_Find(const char* name) {
  return g_names.Find(name, [](auto add) {
    ForEachObject([&](const CObject* o) {
      if (o->name != nullptr) add(o->name, o->index);
    });
  });
}

void Object_Init() {
  Object_Shutdown();
  Table();
}

bool Object_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  uint32_t count = 0;
  if (!Container_ReadCount("OBJT", body, size, 0, 4, &count)) return false;
  if (count > static_cast<uint32_t>(INT32_MAX)) {
    Game_FailLoad("OBJT", "%u objects are more than an object index can name", count);
    return false;
  }
  Table();
  g_count = static_cast<int32_t>(count);
  // An event number sizes its row: only object indices (collisions) and key codes are numbers.
  ObjectLoadLimits limits{g_count > 256 ? g_count : 256, kObjectMaxEventSlots};
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = Container_U32(body + 4 + 4 * i);
    if (at == 0) continue;
    const auto objectIndex = static_cast<int32_t>(i);
    bool ok = container.Has(at, 4);
    const char* name = ok ? container.TextAt(Container_U32(container.data + at), &ok) : nullptr;
    if (!ok) {
      Game_FailLoad("OBJT", "object %d's entry or name does not lie inside the container", objectIndex);
      return false;
    }
    auto* o = new CObject(objectIndex);
    std::string problem;
    if (!o->LoadFromChunk(container, at, &limits, &problem)) {
      Game_FailLoad("OBJT", "object %d \"%s\": %s", objectIndex, name != nullptr ? name : "", problem.c_str());
      delete o;
      return false;
    }
    o->SetName(name);
    g_table->Insert(objectIndex, o);
    g_names.Invalidate();
  }
  if (const int32_t culprit = FindParentCycle(); culprit >= 0) {
    Game_FailLoad("OBJT", "object %d \"%s\": its parent chain comes back to an object already on it", culprit,
                  Object_Data(culprit)->name != nullptr ? Object_Data(culprit)->name : "");
    return false;
  }
  Object_LinkParents();
  Console_DebugOutput("Object_Load: %d objects\n", g_count);
  return true;
}

void Object_LinkParents() {
  ForEachObject([](CObject* o) {
    if (o->parent_index < 0 || o->parent_index > kMaxParentIndex) return;
    if (CObject* p = Object_Data(o->parent_index)) o->parent = p;
  });
}

bool Object_Prepare() {
  Console_DebugOutput("Preparing %d objects:\n", g_count);
  bool ok = true;
  ForEachObject([&](CObject* o) {
    if (!ok) return;
    Console_DebugOutput("\tObjects %d: %s\n", o->index, o->name != nullptr ? o->name : "");
    Event_Current.objectIndex = o->index;
    ok = o->Compile();
  });
  if (!ok) return false;
  Object_LinkParents();
  return true;
}

int32_t Object_Add() {
  const int32_t objectIndex = g_count;
  auto* o = new CObject(objectIndex);
  char name[32];
  std::snprintf(name, sizeof name, "__newobject%d", objectIndex);
  o->SetName(name);
  Table().Insert(objectIndex, o);
  g_names.Invalidate();
  ++g_count;
  return objectIndex;
}

bool Object_Delete(int32_t objectIndex) {
  if (g_table != nullptr) {
    if (CObject* o = g_table->Delete(objectIndex)) g_deleted.push_back(o);
  }
  g_names.Invalidate();
  return true;
}

bool Object_EventClear(int32_t objectIndex, int32_t type, int32_t number) {
  const CObject* o = Object_Data(objectIndex);
  if (o == nullptr) return false;
  if (CEvent* event = o->FindEvent(type, number)) event->Clear();
  ObjectLists_Build();
  return true;
}

void Object_ClearInstanceLists() {
  auto clear = [](CObject* o) {
    o->instances.Clear();
    o->instances_recursive.Clear();
  };
  ForEachObject(clear);
  for (CObject* o : g_deleted) clear(o);
}

void Object_Shutdown() {
  g_names.Invalidate();
  if (g_table != nullptr) {
    ForEachObject([](CObject* o) { delete o; });
    delete g_table;
    g_table = nullptr;
  }
  for (CObject* o : g_deleted) delete o;
  g_deleted.clear();
  g_deleted.shrink_to_fit();
  g_count = 0;
}
