// A room of hand-made instances, the current room while it lives, for tests that run translated
// code over instances without loading a game. It deletes its instances itself.
#pragma once

#include <vector>

#include "core/value.h"
#include "vm/calls.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/object.h"
#include "world/room.h"

// An instance of the object, in the room's active list and the id table; `owned` deletes it.
inline CInstance* PlaceInstanceForTest(CRoom& room, std::vector<CInstance*>& owned, int32_t objectIndex, int32_t id) {
  auto* i = new CInstance(0, 0, id, objectIndex, true);
  owned.push_back(i);
  InstanceIdTable.Insert(id, i);
  room.active.InsertByDepth(i);
  return i;
}

class HandMadeRoom {
 public:
  HandMadeRoom() { Room_Current = &m_room; }
  ~HandMadeRoom() {
    Room_Current = nullptr;
    m_room.active = InstanceList();
    m_room.inactive = InstanceList();
    for (CInstance* i : m_instances) delete i;
    InstanceIdTable.Clear(kDisposeNone);
  }
  HandMadeRoom(const HandMadeRoom&) = delete;
  HandMadeRoom& operator=(const HandMadeRoom&) = delete;

  CInstance* NewInstance(int32_t objectIndex, int32_t id) {
    return PlaceInstanceForTest(m_room, m_instances, objectIndex, id);
  }
  const std::vector<CInstance*>& Instances() const { return m_instances; }
  static int32_t NewObject(const char* name) {
    CObject* o = Object_Data(Object_Add());
    o->SetName(name);
    return o->index;
  }

 private:
  CRoom m_room;
  std::vector<CInstance*> m_instances;
};

// Runs a script through the general script call, as script_execute makes it; the result starts
// as a string, so that what the call leaves there shows.
inline RValue CallScriptForTest(int32_t script, std::vector<RValue> args, CInstance* self = nullptr,
                                CInstance* other = nullptr) {
  std::vector<RValue*> pointers;
  for (RValue& a : args) pointers.push_back(&a);
  RValue result;
  RValue_InitString(&result, "stale");
  VM_CallScript(self, other, &result, static_cast<int32_t>(args.size()), script, pointers.data());
  return result;
}
