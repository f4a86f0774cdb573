// Object definitions: the defaults an instance takes, the physics shape its body is built from,
// the parent it inherits events from, its twelve rows of event handlers, and the two lists of the
// instances that belong to each definition. The definitions live in one table keyed by object
// index (512 buckets, so with more objects than buckets the table's order interleaves: 0, 512,
// 1, 513, ...); every walk "in table order" follows it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "world/event.h"

class CInstance;
struct ContainerBytes;

struct ObjectInstanceList;

struct ObjectInstanceNode {
  ObjectInstanceNode* next;
  ObjectInstanceNode* previous;
  CInstance* instance;
  // The list holding the node, and the next of the instance's nodes (CInstance::object_nodes):
  // an instance finds its own node in a list without walking the list.
  ObjectInstanceList* owner;
  ObjectInstanceNode* instance_next;
};

// The nodes belong to the list; the instances do not.
struct ObjectInstanceList {
  ObjectInstanceList() = default;
  ObjectInstanceList(const ObjectInstanceList&) = delete;
  ObjectInstanceList& operator=(const ObjectInstanceList&) = delete;

  ObjectInstanceNode* first = nullptr;
  ObjectInstanceNode* last = nullptr;
  int32_t count = 0;

  void Append(CInstance* instance);
  // Removes the first node holding the instance; false when there is none. Costs the number of
  // lists the instance is in, not the length of this one.
  bool Remove(CInstance* instance);
  bool Contains(const CInstance* instance) const;
  void Clear();
};

// Takes the instance out of every object list still holding it: one whose ancestors changed since
// it joined stays in a former ancestor's inclusive list, which must not keep a deleted instance.
void ObjectInstanceList_Forget(CInstance* instance);

struct ObjectPoint {
  float x;
  float y;
};

inline constexpr uint32_t kObjectFlagSolid = 1;
inline constexpr uint32_t kObjectFlagVisible = 2;
inline constexpr uint32_t kObjectFlagPersistent = 4;

inline constexpr int32_t kPhysicsShapeCircle = 0;
inline constexpr int32_t kPhysicsShapeBox = 1;
inline constexpr int32_t kPhysicsShapePolygon = 2;

// What loading the objects of a game may ask for. An event number sizes its row, so the numbers
// are bounded, and so are the row slots of all objects together: entries of a damaged container
// may share one event entry with a large number, which would otherwise ask for rows beyond any
// memory.
struct ObjectLoadLimits {
  int32_t numberLimit;  // event numbers lie below it
  int64_t slotsLeft;    // row slots the remaining objects may add
};
inline constexpr int64_t kObjectMaxEventSlots = int64_t{1} << 24;

class CObject {
 public:
  explicit CObject(int32_t objectIndex);
  ~CObject();
  CObject(const CObject&) = delete;
  CObject& operator=(const CObject&) = delete;

  // Back to the defaults: visible only, no sprite, parent or mask, depth 0, no name, no events,
  // no instances listed. The index and the physics settings stay.
  void Clear();

  // Reads an object entry of the OBJT chunk at a container offset (the physics block by the game
  // header's format version, then the event rows) within the limits, whose slots it uses up.
  // False, with `problem` set, for an entry that does not lie inside the container, is otherwise
  // damaged or goes past the limits.
  bool LoadFromChunk(const ContainerBytes& container, uint32_t entryOffset, ObjectLoadLimits* limits,
                     std::string* problem);
  // Prepares every handler with its address as the current event; false at the first failure.
  bool Compile();

  // The defined handler of this object's own row, or null. A type outside 0..11 or a negative
  // number is the fatal error "Invalid event argument".
  CEvent* GetEvent(int32_t type, int32_t number) const;
  // The handler this object has or inherits (for collisions also one written against an
  // ancestor of the other object), without checking the address.
  CEvent* FindEvent(int32_t type, int32_t number) const;
  // This object or an ancestor defines the event (no collision extension).
  bool HasEvent(int32_t type, int32_t number) const;
  // The parent as the table has it now (so a parent added later is seen): null at a negative
  // parent index or one naming no object. Ancestor walks go this way; instance lists by `parent`.
  const CObject* TableParent() const;
  // objectIndex is the parent, the grandparent, ...
  bool IsAncestor(int32_t objectIndex) const;
  // The own row's handler without the address check: null when undefined or out of range.
  CEvent* RowEvent(int32_t type, int32_t number) const {
    if (static_cast<uint32_t>(type) >= static_cast<uint32_t>(kEventTypeCount) || number < 0) return nullptr;
    const std::vector<CEvent*>& row = events[type];
    if (static_cast<size_t>(number) >= row.size()) return nullptr;
    CEvent* event = row[static_cast<size_t>(number)];
    return event != nullptr && event->Defined() ? event : nullptr;
  }

  void SetName(const char* text);
  // Takes ownership of a memory-manager text.
  void SetNameNoCopy(char* text);
  // Replaces the physics shape points with copies of n points.
  void SetPoints(const ObjectPoint* source, int32_t n);

  // Joins the instance to this definition's own list and to the inclusive lists of this definition
  // and every ancestor; RemoveInstance leaves them.
  void AddInstance(CInstance* instance);
  // AddInstance unless the instance is listed already (a copy taking its source's state, an
  // instance coming back from deactivation or with its persistent room).
  void AddInstanceOnce(CInstance* instance);
  void RemoveInstance(CInstance* instance);

  uint32_t flags = kObjectFlagVisible;
  int32_t sprite_index = -1;
  int32_t depth = 0;
  int32_t parent_index = -1;
  int32_t mask_index = -1;
  char* name = nullptr;  // owned
  int32_t index;

  bool uses_physics = false;
  bool sensor = false;
  int32_t shape = kPhysicsShapeCircle;
  int32_t group = 0;
  float density = 0.5f;
  float restitution = 0.1f;
  float linear_damping = 0.1f;
  float angular_damping = 0.1f;
  float friction = 0.2f;
  bool awake = true;
  bool kinematic = false;
  int32_t point_count = 0;
  ObjectPoint* points = nullptr;  // owned

  CObject* parent = nullptr;
  // One row per event type, indexed by event number; slots between defined numbers are null.
  // The handlers are owned.
  std::vector<CEvent*> events[kEventTypeCount];
  ObjectInstanceList instances;
  ObjectInstanceList instances_recursive;
};

// Ancestor walks stop after this many steps, whatever the table holds.
inline constexpr int32_t kObjectMaxAncestors = 100000;

// The number of object index slots handed out.
int32_t Object_Count();
CObject* Object_Data(int32_t objectIndex);  // null when the index holds no definition (also -1)
bool Object_Exists(int32_t objectIndex);
const char* Object_Name(int32_t objectIndex);  // "<undefined>" when there is no such object
// The index of the first object in table order with exactly that name, -1 when none.
int32_t Object_Find(const char* name);

// An empty table, before the OBJT chunk is read.
void Object_Init();
// Reads the OBJT chunk: a definition for every non-zero entry, then the parents linked. A damaged
// chunk, an event number at or above the larger of 256 and the entry count, or a parent chain
// that comes back on itself fails the load (Game_FailLoad) naming the object.
bool Object_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
// Points each definition at its parent's when its parent index (0..99999) names one.
void Object_LinkParents();
// Logs and prepares every definition in table order; false when one fails.
bool Object_Prepare();
// object_add: a new definition at the next index, named "__newobject" and its index.
int32_t Object_Add();
// object_delete: takes the definition out of the table (its index becomes a hole; the count stays).
// The definition itself lives on until Object_Shutdown, since instances of it (also in kept rooms
// or carried between rooms) and a handler still running may point at it.
bool Object_Delete(int32_t objectIndex);
// object_event_clear: the handler the object finds is cleared (handlers are kept) and the
// per-event lists are rebuilt; false when the object does not exist.
bool Object_EventClear(int32_t objectIndex, int32_t type, int32_t number);
// Empties both instance lists of every definition (the instances are untouched).
void Object_ClearInstanceLists();
// Deletes every definition, deleted ones included, and the table.
void Object_Shutdown();
