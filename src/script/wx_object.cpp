#include "script/wx_object.h"

#include <cstring>
#include <vector>

#include "core/memory_manager.h"
#include "vm/variable_names.h"
#include "runtime/game_flags.h"
#include "script/variable_list.h"

WXObjectBase* g_pGlobalObject = nullptr;

namespace {

constexpr int32_t kInitialTableCapacity = 128;
// A prototype chain longer than this is taken as a cycle.
constexpr int32_t kMaxPrototypeDepth = 100000;

struct ObjectTable {
  WXObjectBase** entries = nullptr;
  int32_t capacity = 0;
  int32_t count = 0;
  int32_t hint = 0;
};
ObjectTable g_table;

WXObjectBase* g_pool = nullptr;
int32_t g_poolCount = 0;
uint32_t g_collectionNumber = 0;

void FillSlots(RValue* slots, int32_t n, int32_t kind) {
  for (int32_t i = 0; i < n; ++i) {
    slots[i].v64 = 0;
    slots[i].flags = 0;
    slots[i].kind = static_cast<uint32_t>(kind);
  }
}

RValue* AllocSlots(int32_t n) {
  return static_cast<RValue*>(MemoryManager_Alloc(static_cast<size_t>(n) * sizeof(RValue), __FILE__, __LINE__, true));
}

// Releases every slot and leaves it {0, flags 0, undefined}.
void EmptySlots(WXObjectBase* object) {
  for (int32_t i = 0; i < object->m_slotCount; ++i) {
    RValue_Release(&object->m_slots[i]);
    object->m_slots[i].v64 = 0;
    object->m_slots[i].flags = 0;
    object->m_slots[i].kind = VALUE_UNDEFINED;
  }
}

bool IsUnset(const RValue* v) { return (v->kind & MASK_KIND_RVALUE) == VALUE_UNSET; }

// An own property as plain objects hold it: the named property, else the numbered slot of the
// name; null when the object has neither.
const RValue* OwnProperty(const WXObjectBase* object, const char* name) {
  if (object->m_properties != nullptr) {
    if (const CVariableNode* node = object->m_properties->FindByName(name)) return &node->value;
  }
  const int32_t slot = Variable_FindSlotName(object, name);
  if (slot >= 0 && slot < object->m_slotCount) return &object->m_slots[slot];
  return nullptr;
}

// A property looked up on the object and then along "[[Prototype]]"; null when none is set.
const RValue* LookupProperty(const WXObjectBase* object, const char* name) {
  for (int32_t depth = 0; object != nullptr && depth < kMaxPrototypeDepth; ++depth) {
    const RValue* v = OwnProperty(object, name);
    if (v != nullptr && !IsUnset(v)) return v;
    const RValue* proto = OwnProperty(object, "[[Prototype]]");
    if (proto == nullptr || (proto->kind & MASK_KIND_RVALUE) != VALUE_OBJECT) return nullptr;
    object = proto->pObj;
  }
  return nullptr;
}

// Marking without recursion: long chains of objects must not exhaust the native stack.
class Marker {
 public:
  Marker(uint8_t* buffer, int32_t length) : m_buffer(buffer), m_length(length) {}

  void Push(WXObjectBase* object) {
    if (object == nullptr || object->m_markGeneration >= g_collectionNumber) return;
    object->m_markGeneration = g_collectionNumber;
    if (object->m_tableIndex >= 0 && object->m_tableIndex < m_length) m_buffer[object->m_tableIndex] = 1;
    m_pending.push_back(object);
  }

  void Drain() {
    while (!m_pending.empty()) {
      WXObjectBase* object = m_pending.back();
      m_pending.pop_back();
      for (int32_t i = 0; i < object->m_slotCount; ++i) {
        const RValue& v = object->m_slots[i];
        const uint32_t kind = v.kind & MASK_KIND_RVALUE;
        if ((kind == VALUE_OBJECT || kind == VALUE_FUNCREF) && v.pObj != nullptr) Push(v.pObj);
      }
      const CVariableList* properties = object->m_properties;
      if (properties == nullptr || properties->m_count == 0) continue;
      for (int32_t b = 0; b < CVariableList::kBucketCount; ++b) {
        for (const CVariableNode* n = properties->m_buckets[b]; n != nullptr; n = n->bucketNext) {
          if ((n->value.kind & MASK_KIND_RVALUE) == VALUE_OBJECT && n->value.pObj != nullptr) Push(n->value.pObj);
        }
      }
    }
  }

 private:
  uint8_t* m_buffer;
  int32_t m_length;
  std::vector<WXObjectBase*> m_pending;
};

void MarkRoot(WXObjectBase* object, void* context) { static_cast<Marker*>(context)->Push(object); }

ObjectRootVisitor g_rootVisitor = nullptr;

}  // namespace

// --- the object ------------------------------------------------------------------------------

WXObjectBase::WXObjectBase(int32_t slotCount, int32_t initialKind) : m_properties(new CVariableList()) {
  if (slotCount > 0) {
    m_slots = AllocSlots(slotCount);
    FillSlots(m_slots, slotCount, initialKind);
    m_slotCount = slotCount;
    m_slotCapacity = slotCount;
  }
}

WXObjectBase::~WXObjectBase() {
  // An object deleted while still entered must not leave the table pointing at it.
  if (m_tableIndex >= 0) ObjectTable_Remove(this);
  if (m_slots != nullptr) {
    for (int32_t i = 0; i < m_slotCount; ++i) RValue_Release(&m_slots[i]);
    MemoryManager_Free(m_slots);
    m_slots = nullptr;
  }
  delete m_properties;
  m_properties = nullptr;
  m_slotCount = 0;
  m_slotCapacity = 0;
}

bool WXObjectBase::IsExtensible() {
  const RValue* v = LookupProperty(this, "[[Extensible]]");
  if (v == nullptr) return true;
  return v->val != 0.0;
}

RValue* WXObjectBase::FindOrAddSlot(const char* name) {
  const int32_t slot = Variable_FindSlotName(this, name);
  if (slot >= 0 && slot < m_slotCount) return &m_slots[slot];
  if (m_properties == nullptr) m_properties = new CVariableList();
  CVariableNode* node = m_properties->FindByName(name);
  if (node == nullptr) {
    node = CVariableList::NewNameNode(name);
    m_properties->Add(node);
  }
  return &node->value;
}

void WXObjectBase::AddObject(const char* name, WXObjectBase* object, uint32_t attributes) {
  if (!IsExtensible()) return;
  RValue* v = FindOrAddSlot(name);
  RValue_Release(v);
  v->v64 = 0;
  v->pObj = object;
  v->kind = VALUE_OBJECT;
  v->flags = attributes;
}

void WXObjectBase::AddBool(const char* name, bool value, uint32_t attributes) {
  AddReal(name, value ? 1.0 : 0.0, attributes);
}

void WXObjectBase::AddInt(const char* name, int32_t value, uint32_t attributes) {
  AddReal(name, static_cast<double>(value), attributes);
}

void WXObjectBase::AddReal(const char* name, double value, uint32_t attributes) {
  if (!IsExtensible()) return;
  RValue* v = FindOrAddSlot(name);
  RValue_Release(v);
  v->val = value;
  v->kind = VALUE_REAL;
  v->flags = attributes;
}

void WXObjectBase::AddString(const char* name, const char* text, uint32_t attributes) {
  if (!IsExtensible()) return;
  RValue* v = FindOrAddSlot(name);
  RValue_SetString(v, text != nullptr ? text : "");
  v->flags = attributes;
}

void WXObjectBase::AddCFunction(const char* name, void* function, uint32_t attributes) {
  if (!IsExtensible()) return;
  RValue* v = FindOrAddSlot(name);
  RValue_Release(v);
  v->v64 = 0;
  v->ptr = function;
  v->kind = VALUE_PTR;
  v->flags = attributes;
}

void WXObjectBase::AddNull(const char* name, uint32_t attributes) {
  if (!IsExtensible()) return;
  RValue* v = FindOrAddSlot(name);
  RValue_Release(v);
  v->v64 = 0;
  v->kind = VALUE_NULL;
  v->flags = attributes;
}

void WXObjectBase::AddValue(const char* name, const RValue* value, uint32_t attributes) {
  if (!IsExtensible()) return;
  RValue* v = FindOrAddSlot(name);
  WXValue_Copy(v, value);
  v->flags = attributes;
}

void WXObjectBase::Mark(uint8_t* markBuffer, int32_t length) {
  Marker marker(markBuffer, length);
  marker.Push(this);
  marker.Drain();
}

// --- the object table ------------------------------------------------------------------------

int32_t ObjectTable_Insert(WXObjectBase* object) {
  ObjectTable& t = g_table;
  if (t.entries == nullptr) {
    t.capacity = kInitialTableCapacity;
    t.entries = static_cast<WXObjectBase**>(
        MemoryManager_Alloc(static_cast<size_t>(t.capacity) * sizeof(WXObjectBase*), __FILE__, __LINE__, true));
    t.hint = 0;
  }
  if (t.count >= t.capacity) {
    const int32_t grown = t.capacity * 3 / 2;
    t.entries = static_cast<WXObjectBase**>(
        MemoryManager_Realloc(t.entries, static_cast<size_t>(grown) * sizeof(WXObjectBase*), __FILE__, __LINE__));
    std::memset(t.entries + t.capacity, 0, static_cast<size_t>(grown - t.capacity) * sizeof(WXObjectBase*));
    t.capacity = grown;
  }
  int32_t position = t.hint;
  for (int32_t probes = 0; probes < t.capacity; ++probes, ++position) {
    if (position >= t.capacity) position = 0;
    if (t.entries[position] == nullptr) {
      t.entries[position] = object;
      ++t.count;
      t.hint = position;
      object->m_tableIndex = position;
      return position;
    }
  }
  ++t.count;
  object->m_tableIndex = -1;
  return -1;
}

void ObjectTable_Remove(WXObjectBase* object) {
  ObjectTable& t = g_table;
  const int32_t index = object->m_tableIndex;
  object->m_tableIndex = -1;
  if (index < 0 || index >= t.capacity || t.entries[index] != object) return;
  t.entries[index] = nullptr;
  --t.count;
  t.hint = index;
}

int32_t ObjectTable_Capacity() { return g_table.capacity; }
int32_t ObjectTable_Count() { return g_table.count; }

WXObjectBase* ObjectTable_Entry(int32_t index) {
  if (index < 0 || index >= g_table.capacity) return nullptr;
  return g_table.entries[index];
}

void WXObject_TableFree() {
  ObjectTable& t = g_table;
  for (int32_t i = 0; i < t.capacity; ++i) {
    if (t.entries[i] != nullptr) t.entries[i]->m_tableIndex = -1;
  }
  MemoryManager_Free(t.entries);
  t = ObjectTable();
}

// --- allocation and the pool -----------------------------------------------------------------

WXObjectBase* WXObject_Alloc(int32_t slotCount, int32_t kind) {
  WXObjectBase* object = g_pool;
  if (object == nullptr) {
    object = new WXObjectBase(slotCount, kind);
  } else {
    g_pool = object->m_poolNext;
    --g_poolCount;
    object->m_poolNext = nullptr;
    object->m_pooled = false;
    object->m_outerScope = nullptr;
    const int32_t n = slotCount > 0 ? slotCount : 0;
    if (object->m_slotCapacity < n) {
      object->m_slots = static_cast<RValue*>(
          MemoryManager_Realloc(object->m_slots, static_cast<size_t>(n) * sizeof(RValue), __FILE__, __LINE__));
      object->m_slotCapacity = n;
    }
    object->m_slotCount = n;
    FillSlots(object->m_slots, n, kind);
  }
  ObjectTable_Insert(object);
  return object;
}

void RValue_NewObject(RValue* value) {
  WXObjectBase* object = WXObject_Alloc(Variable_InstanceNameCount(), static_cast<int32_t>(VALUE_UNSET));
  RValue_Release(value);
  value->pObj = object;
  value->flags = 0;
  value->kind = VALUE_OBJECT;
}

void WXObject_Free(WXObjectBase* object) {
  if (object == nullptr || object->m_pooled) return;
  ObjectTable_Remove(object);
  if (object->m_objectKind != kObjectKindPlain) {
    delete object;
    return;
  }
  EmptySlots(object);
  if (object->m_properties != nullptr && object->m_properties->m_count > 0) object->m_properties->Clear();
  object->m_outerScope = nullptr;
  object->m_pooled = true;
  object->m_poolNext = g_pool;
  g_pool = object;
  ++g_poolCount;
}

void WXObject_FreePool() {
  while (g_pool != nullptr) {
    WXObjectBase* object = g_pool;
    g_pool = object->m_poolNext;
    delete object;
  }
  g_poolCount = 0;
}

int32_t WXObject_PoolCount() { return g_poolCount; }

// --- the collector ---------------------------------------------------------------------------

bool VM_CollectGarbage(WXObjectBase* probe) {
  if (!Game_ObjectMode()) return false;
  ++g_collectionNumber;
  const int32_t length = g_table.capacity;
  auto* marks = static_cast<uint8_t*>(MemoryManager_Alloc(length > 0 ? static_cast<size_t>(length) : 1, __FILE__, __LINE__, true));

  Marker marker(marks, length);
  marker.Push(g_pGlobalObject);
  if (g_rootVisitor != nullptr) g_rootVisitor(&MarkRoot, &marker);
  marker.Drain();

  bool result = false;
  if (probe != nullptr) {
    const int32_t index = probe->m_tableIndex;
    result = index >= 0 && index < length && marks[index] == 0;
  } else {
    for (int32_t i = 0; i < length; ++i) {
      if (marks[i] == 0 && i < g_table.capacity && g_table.entries[i] != nullptr) WXObject_Free(g_table.entries[i]);
    }
  }
  MemoryManager_Free(marks);
  return result;
}

uint32_t VM_CollectionNumber() { return g_collectionNumber; }

void WXObject_SetRootVisitor(ObjectRootVisitor visitor) { g_rootVisitor = visitor; }
