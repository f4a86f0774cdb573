#include "vm/variable_access.h"

#include <algorithm>
#include <cstring>

#include "core/function_registry.h"
#include "core/value.h"
#include "vm/variable_names.h"
#include "core/vm_error.h"
#include "io/buffer.h"
#include "script/accessor_calls.h"
#include "script/variable_list.h"
#include "script/wx_object.h"
#include "vm/scope_chain.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/object.h"
#include "world/room.h"
#include "io/saved_values.h"

namespace {

constexpr uint32_t kNewPropertyAttributes = kPropEnumerable | kPropConfigurable | kPropWritable;
constexpr const char* kUnknownObject = "<unknown_object>";

bool IsUnset(const RValue* v) { return RValue_Kind(v) == VALUE_UNSET; }
bool IsBuiltinId(int32_t id) { return id >= 0 && id < kBuiltinVariableIdLimit; }

CInstance* AsInstance(WXObjectBase* object) {
  return object != nullptr && object->m_objectKind == kObjectKindInstance ? static_cast<CInstance*>(object) : nullptr;
}

// Slot n of the object's value array, null when it has none.
RValue* SlotAt(WXObjectBase* object, int64_t n) {
  if (object->m_slots == nullptr || n < 0 || n >= object->m_slotCount) return nullptr;
  return &object->m_slots[n];
}
RValue* SlotOf(WXObjectBase* object, int32_t id) { return SlotAt(object, static_cast<int64_t>(id) - kUserVariableBase); }

CVariableList* PropertiesOf(WXObjectBase* object) {
  if (object->m_properties == nullptr) object->m_properties = new CVariableList();
  return object->m_properties;
}

// A read of a map the object does not have behaves as a read of an empty one.
bool ReadMap(WXObjectBase* object, int32_t id, int32_t arrayIndex, RValue* out) {
  if (object->m_properties != nullptr) return object->m_properties->GetVar(id, arrayIndex, out);
  CVariableList empty;
  return empty.GetVar(id, arrayIndex, out);
}

bool RunBuiltinGetter(WXObjectBase* object, int32_t id, int32_t arrayIndex, RValue* out) {
  const BuiltinVariable* entry = Variable_BuiltinEntry(id);
  if (entry == nullptr || entry->getter == nullptr) return false;
  return entry->getter(AsInstance(object), arrayIndex, out);
}

bool RunBuiltinSetter(WXObjectBase* object, int32_t id, int32_t arrayIndex, const RValue* value) {
  const BuiltinVariable* entry = Variable_BuiltinEntry(id);
  if (entry == nullptr || !entry->hasSetter || entry->setter == nullptr) return false;
  return entry->setter(AsInstance(object), arrayIndex, value);
}

// Writes an existing record, keeping its attributes.
void WriteKeepingAttributes(RValue* target, const RValue* value, int32_t arrayIndex) {
  const uint32_t attributes = IsUnset(target) ? kNewPropertyAttributes : target->flags;
  RValue_SetElement(target, value, arrayIndex);
  target->flags = attributes;
}

// --- finding instances ---------------------------------------------------------------------------

CInstance* FirstActiveInRoom() {
  if (Room_Current == nullptr) return nullptr;
  for (CInstance* i = Room_Current->active.first; i != nullptr; i = i->list_next) {
    if (Instance_Eligible(i)) return i;
  }
  return nullptr;
}

CInstance* FirstActiveInQueue(const InstanceChangeList& queue, int32_t objectIndex) {
  for (int32_t i = 0; i < queue.Count(); ++i) {
    CInstance* instance = queue.Get(i);
    if (instance->object_index == objectIndex && Instance_Eligible(instance)) return instance;
  }
  return nullptr;
}

CInstance* FirstActiveOfObject(int32_t objectIndex) {
  if (const CObject* object = Object_Data(objectIndex)) {
    for (const ObjectInstanceNode* node = object->instances_recursive.first; node != nullptr; node = node->next) {
      if (Instance_Eligible(node->instance)) return node->instance;
    }
  }
  if (CInstance* changed = FirstActiveInQueue(ObjectChangeList, objectIndex)) return changed;
  return FirstActiveInQueue(Room_ActivationQueue, objectIndex);
}

CInstance* UnmarkedInstance(int32_t instanceId) {
  CInstance* instance = Instance_Find(instanceId);
  return instance != nullptr && !instance->marked ? instance : nullptr;
}

// The instance a read of slot n goes to, for the array reads.
CInstance* ReadTarget(int32_t target) {
  if (target == kTargetAll) return FirstActiveInRoom();
  if (target >= kUserVariableBase) return UnmarkedInstance(target);
  if (target >= 0) return FirstActiveOfObject(target);
  return nullptr;
}

bool ReadSlot(CInstance* instance, int32_t slot, int32_t arrayIndex, RValue* out) {
  if (instance == nullptr) return false;
  RValue* record = SlotAt(instance, slot);
  return record != nullptr && RValue_GetElement(out, record, arrayIndex);
}

// Calls write for every instance a write on the target reaches; false for a target that names
// no instances at all (self, other, the other negative numbers).
template <typename Write>
bool ForEachWriteTarget(int32_t target, Write write) {
  if (target == kTargetAll) {
    if (Room_Current == nullptr) return true;
    for (CInstance* i = Room_Current->active.first; i != nullptr;) {
      CInstance* next = i->list_next;
      if (Instance_Eligible(i)) write(i);
      i = next;
    }
    return true;
  }
  if (target >= kUserVariableBase) {
    if (CInstance* instance = UnmarkedInstance(target)) write(instance);
    return true;
  }
  if (target < 0) return false;
  if (const CObject* object = Object_Data(target)) {
    for (const ObjectInstanceNode* node = object->instances_recursive.first; node != nullptr;) {
      const ObjectInstanceNode* next = node->next;
      if (Instance_Eligible(node->instance)) write(node->instance);
      node = next;
    }
  }
  const int32_t queued = ObjectChangeList.Count();
  for (int32_t i = 0; i < queued && i < ObjectChangeList.Count(); ++i) {
    CInstance* instance = ObjectChangeList.Get(i);
    if (instance->object_index == target && Instance_Eligible(instance)) write(instance);
  }
  return true;
}

// --- functions as values -------------------------------------------------------------------------

// A function object for a built-in function of that name; false when the name is not one (a
// script or an extension function is not in the built-in table).
bool MakeBuiltinFunctionObject(const char* name, RValue* out) {
  int32_t callable = -1;
  if (!Builtin_FindCallable(name, &callable) || callable < 0 || callable >= g_BuiltinCount) return false;
  RValue_NewObject(out);
  out->pObj->AddCFunction("[[Call_Cpp]]", reinterpret_cast<void*>(g_BuiltinFunctions[callable].handler), 0);
  return true;
}

// --- the scope chain -----------------------------------------------------------------------------

bool IsUnknownName(const char* name) { return std::strcmp(name, "<unknown variable>") == 0; }

// The named property of a scope for the variable: by its name, or by its id when the id has
// no name (so that such variables do not share one "<unknown variable>" property).
CVariableNode* ScopeProperty(const WXObjectBase* scope, int32_t id, const char* name) {
  if (scope->m_properties == nullptr) return nullptr;
  return IsUnknownName(name) ? scope->m_properties->Find(id) : scope->m_properties->FindByName(name);
}

// The record of the first scope that has the variable, and that scope.
RValue* FindInScopes(int32_t id, const char* name, WXObjectBase** owner) {
  int walked = 0;
  for (WXObjectBase* scope = g_pScopeChainHead; scope != nullptr && walked < kScopeChainWalkLimit;
       scope = scope->m_outerScope, ++walked) {
    RValue* slot = SlotOf(scope, id);
    if (slot != nullptr && !IsUnset(slot)) {
      *owner = scope;
      return slot;
    }
    CVariableNode* node = ScopeProperty(scope, id, name);
    if (node != nullptr && !IsUnset(&node->value)) {
      *owner = scope;
      return &node->value;
    }
  }
  return nullptr;
}

void SetUnset(RValue* v) {
  RValue_Release(v);
  v->v64 = 0;
  v->flags = 0;
  v->kind = VALUE_UNSET;
}

}  // namespace

// --- one object ----------------------------------------------------------------------------------

bool Variable_GetValue(WXObjectBase* instance, int32_t id, int32_t arrayIndex, RValue* out) {
  if (instance == nullptr) return false;
  if (IsBuiltinId(id)) return RunBuiltinGetter(instance, id, arrayIndex, out);
  if (id < kUserVariableBase) return false;
  if (RValue* slot = SlotOf(instance, id)) return RValue_GetElement(out, slot, arrayIndex);
  return ReadMap(instance, id, arrayIndex, out);
}

bool Variable_SetValue(WXObjectBase* instance, int32_t id, int32_t arrayIndex, const RValue* value) {
  if (instance == nullptr) return false;
  if (IsBuiltinId(id)) return RunBuiltinSetter(instance, id, arrayIndex, value);
  if (id < kUserVariableBase) return false;
  if (RValue* slot = SlotOf(instance, id)) {
    RValue_SetElement(slot, value, arrayIndex);
  } else {
    PropertiesOf(instance)->SetVar(id, arrayIndex, value);
  }
  return true;
}

// --- other targets -------------------------------------------------------------------------------

bool Variable_GetFromTarget(int32_t target, int32_t id, int32_t arrayIndex, RValue* out) {
  Variable_InstanceMissing = false;
  if (target >= kUserVariableBase) return Variable_GetFromInstanceId(target, id, arrayIndex, out);
  if (target >= 0) return Variable_GetFromObject(target, id, arrayIndex, out);
  CInstance* instance = target == kTargetAll ? FirstActiveInRoom() : nullptr;
  if (instance == nullptr) {
    Variable_InstanceMissing = true;
    return false;
  }
  return Variable_GetValue(instance, id, arrayIndex, out);
}

bool Variable_GetFromInstanceId(int32_t instanceId, int32_t id, int32_t arrayIndex, RValue* out) {
  CInstance* instance = UnmarkedInstance(instanceId);
  if (instance == nullptr) {
    Variable_InstanceMissing = true;
    return false;
  }
  return Variable_GetValue(instance, id, arrayIndex, out);
}

bool Variable_GetFromObject(int32_t objectIndex, int32_t id, int32_t arrayIndex, RValue* out) {
  CInstance* instance = FirstActiveOfObject(objectIndex);
  if (instance == nullptr) {
    Variable_InstanceMissing = true;
    return false;
  }
  return Variable_GetValue(instance, id, arrayIndex, out);
}

const char* Variable_TargetObjectName(int32_t target) {
  if (target == kTargetAll) {
    const CInstance* instance = FirstActiveInRoom();
    if (instance == nullptr) {
      Variable_InstanceMissing = true;
      return kUnknownObject;
    }
    return Object_Name(instance->object_index);
  }
  if (target >= kUserVariableBase) {
    const CInstance* instance = UnmarkedInstance(target);
    return instance != nullptr ? Object_Name(instance->object_index) : kUnknownObject;
  }
  if (target >= 0) return Object_Name(target);
  return kUnknownObject;
}

bool Variable_GetArrayFromTarget(int32_t target, int32_t slot, int32_t arrayIndex, RValue* out) {
  return ReadSlot(ReadTarget(target), slot, arrayIndex, out);
}

bool Variable_GetArrayFromInstanceId(int32_t instanceId, int32_t slot, int32_t arrayIndex, RValue* out) {
  return ReadSlot(UnmarkedInstance(instanceId), slot, arrayIndex, out);
}

bool Variable_GetArrayFromObject(int32_t objectIndex, int32_t slot, int32_t arrayIndex, RValue* out) {
  return ReadSlot(FirstActiveOfObject(objectIndex), slot, arrayIndex, out);
}

bool Variable_SetOnTarget(int32_t target, int32_t id, int32_t arrayIndex, const RValue* value) {
  bool result = false;
  int32_t written = 0;
  const bool named = ForEachWriteTarget(target, [&](CInstance* instance) {
    result = Variable_SetValue(instance, id, arrayIndex, value);
    ++written;
  });
  if (!named) return false;
  if (written == 0) VM_RuntimeError("Unable to find any instance for object index '%d'", target);
  return result;
}

bool Variable_SetArrayOnTarget(int32_t target, int32_t slot, int32_t arrayIndex, const RValue* value) {
  return ForEachWriteTarget(target, [&](CInstance* instance) {
    if (RValue* record = SlotAt(instance, slot)) RValue_SetElement(record, value, arrayIndex);
  });
}

// --- the global object ---------------------------------------------------------------------------

bool Variable_GetGlobal(int32_t id, int32_t arrayIndex, RValue* out) {
  WXObjectBase* global = g_pGlobalObject;
  if (IsBuiltinId(id)) return RunBuiltinGetter(global, id, arrayIndex, out);
  if (global == nullptr || id < kUserVariableBase) return false;
  RValue* slot = SlotOf(global, id);
  if (slot == nullptr) return ReadMap(global, id, arrayIndex, out);
  if (!IsUnset(slot)) return RValue_GetElement(out, slot, arrayIndex);
  const char* name = Variable_GetName(nullptr, kScopeGlobal, id);
  if (global->m_properties != nullptr) {
    if (const CVariableNode* node = global->m_properties->FindByName(name)) {
      RValue_Assign(out, &node->value);
      return true;
    }
  }
  if (MakeBuiltinFunctionObject(name, out)) return true;
  return RValue_GetElement(out, slot, arrayIndex);
}

bool Variable_SetGlobal(int32_t id, int32_t arrayIndex, const RValue* value) {
  WXObjectBase* global = g_pGlobalObject;
  if (IsBuiltinId(id)) return RunBuiltinSetter(global, id, arrayIndex, value);
  if (global == nullptr || id < kUserVariableBase) return false;
  if (RValue* slot = SlotOf(global, id)) {
    WriteKeepingAttributes(slot, value, arrayIndex);
  } else {
    PropertiesOf(global)->SetVar(id, arrayIndex, value);
  }
  return true;
}

// --- the scope chain -----------------------------------------------------------------------------

bool Variable_GetLocal(int32_t id, int32_t arrayIndex, RValue* out) {
  SetUnset(out);
  const char* name = Variable_GetName(nullptr, kScopeChain, id);
  WXObjectBase* owner = nullptr;
  RValue* found = FindInScopes(id, name, &owner);
  if (found == nullptr) return MakeBuiltinFunctionObject(name, out);
  if (JS_IsAccessor(found)) {
    const RValue accessor = *found;  // the getter may rewrite the record it came from
    JS_CallGetter(owner, out, &accessor);
    return true;
  }
  RValue_GetElement(out, found, arrayIndex);
  return true;
}

bool Variable_SetLocal(int32_t id, int32_t arrayIndex, const RValue* value) {
  const char* name = Variable_GetName(nullptr, kScopeChain, id);
  WXObjectBase* owner = nullptr;
  if (RValue* found = FindInScopes(id, name, &owner)) {
    if (JS_IsAccessor(found)) {
      const RValue accessor = *found;
      JS_CallSetter(owner, value, &accessor);
    } else {
      WriteKeepingAttributes(found, value, arrayIndex);
    }
    return true;
  }
  WXObjectBase* innermost = g_pScopeChainHead;
  if (innermost == nullptr) return false;
  if (RValue* slot = SlotOf(innermost, id)) {
    WriteKeepingAttributes(slot, value, arrayIndex);
    return true;
  }
  CVariableNode* node = ScopeProperty(innermost, id, name);
  if (node == nullptr) {
    node = IsUnknownName(name) ? CVariableList::NewIdNode(id) : CVariableList::NewNameNode(name);
    PropertiesOf(innermost)->Add(node);
    SetUnset(&node->value);
  }
  WriteKeepingAttributes(&node->value, value, arrayIndex);
  return true;
}

bool Variable_DeleteLocal(int32_t id, int32_t /*arrayIndex*/) {
  const char* name = Variable_GetName(nullptr, kScopeChain, id);
  int walked = 0;
  for (WXObjectBase* scope = g_pScopeChainHead; scope != nullptr && walked < kScopeChainWalkLimit;
       scope = scope->m_outerScope, ++walked) {
    RValue* slot = SlotOf(scope, id);
    if (slot != nullptr && !IsUnset(slot)) {
      if ((slot->flags & kPropConfigurable) == 0) return false;
      SetUnset(slot);
      return true;
    }
    CVariableNode* node = ScopeProperty(scope, id, name);
    if (node != nullptr && !IsUnset(&node->value)) {
      if ((node->value.flags & kPropConfigurable) == 0) return false;
      scope->m_properties->Remove(node);
      return true;
    }
  }
  return true;
}

// --- saved games ---------------------------------------------------------------------------------

void Variable_SaveGlobals(IBuffer* buffer) {
  const WXObjectBase* global = g_pGlobalObject;
  const int32_t slots = global != nullptr && global->m_slots != nullptr ? global->m_slotCount : 0;
  SavedWriter w{buffer};
  w.S32(slots);
  for (int32_t i = 0; i < slots; ++i) RValue_Serialise(&global->m_slots[i], buffer);
  const int32_t flags = Variable_GlobalFlagCount();
  w.S32(flags);
  for (int32_t i = 0; i < flags; ++i) w.Bool(Variable_IsGlobalVar(kUserVariableBase + i));
}

SavedGlobals::~SavedGlobals() {
  for (RValue& v : slots) RValue_Release(&v);
}

bool Variable_ReadGlobals(IBuffer* buffer, SavedGlobals* out) {
  const WXObjectBase* global = g_pGlobalObject;
  const int32_t slots = global != nullptr && global->m_slots != nullptr ? global->m_slotCount : 0;
  SavedReader r{buffer};
  const int32_t saved = r.S32();
  if (r.failed) return false;
  if (saved != slots) {
    VM_RuntimeError("Save game format has changed");
    return false;
  }
  out->slots.assign(static_cast<size_t>(slots), RValue_MakeUndefined());
  for (RValue& v : out->slots) {
    if (!RValue_Deserialise(&v, buffer)) return false;
  }
  // Every flag takes a 4-byte item: a larger count is damage.
  const int32_t flags = r.Count(4);
  if (r.failed) return false;
  // The flag block keeps its size whatever the save holds, so that it can always be read; flags
  // the save does not mention are clear.
  out->flags.assign(static_cast<size_t>(std::min(flags, kGlobalNameFlagCount)), false);
  for (int32_t i = 0; i < flags; ++i) {
    const bool on = r.Bool();
    if (r.failed) return false;
    if (i < kGlobalNameFlagCount) out->flags[static_cast<size_t>(i)] = on;
  }
  return true;
}

void Variable_ApplyGlobals(SavedGlobals* saved) {
  WXObjectBase* global = g_pGlobalObject;
  const int32_t slots = global != nullptr && global->m_slots != nullptr ? global->m_slotCount : 0;
  for (int32_t i = 0; i < slots && static_cast<size_t>(i) < saved->slots.size(); ++i) {
    // The value moves into the slot; the saved copy is left undefined.
    RValue_Release(&global->m_slots[i]);
    global->m_slots[i] = saved->slots[static_cast<size_t>(i)];
    saved->slots[static_cast<size_t>(i)] = RValue_MakeUndefined();
  }
  Variable_InitGlobalFlags();
  for (size_t i = 0; i < saved->flags.size(); ++i) {
    if (saved->flags[i]) Variable_SetGlobalFlag(kUserVariableBase + static_cast<int32_t>(i), true);
  }
}

bool Variable_LoadGlobals(IBuffer* buffer) {
  SavedGlobals saved;
  if (!Variable_ReadGlobals(buffer, &saved)) return false;
  Variable_ApplyGlobals(&saved);
  return true;
}

int32_t Variable_InstanceId(const CInstance* instance) { return instance->id; }

WXObjectBase* Variable_InstanceObject(CInstance* instance) { return instance; }

const char* Variable_ObjectName(int32_t objectIndex) { return Object_Name(objectIndex); }
