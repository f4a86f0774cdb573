// The script object: numbered value slots plus a map of named properties. Script objects of
// object mode, the global object, local scopes, accessor pairs, game instances and room layers are
// all WXObjectBase.
//
// Objects made by WXObject_Alloc, and every instance, are entered in one global object table; in
// object mode the collector reclaims the entered objects that the roots no longer reach. Released
// plain objects wait on a pool, with their slot arrays and maps, for the next WXObject_Alloc.
#pragma once

#include <cstdint>

#include "core/value.h"

class CVariableList;

// Object kinds.
inline constexpr int32_t kObjectKindPlain = 0;
inline constexpr int32_t kObjectKindInstance = 1;
inline constexpr int32_t kObjectKindAccessor = 2;  // slot 0 getter, slot 1 setter (kind 11 or unset)

// Property attributes, in the flags word of a property's value.
inline constexpr uint32_t kPropEnumerable = 1;
inline constexpr uint32_t kPropConfigurable = 2;
inline constexpr uint32_t kPropWritable = 4;

class CInstanceBase {
 public:
  virtual ~CInstanceBase() = default;
};

class WXObjectBase : public CInstanceBase {
 public:
  // slotCount slots of kind initialKind (none when slotCount <= 0); not entered in the table.
  WXObjectBase(int32_t slotCount, int32_t initialKind);
  ~WXObjectBase() override;
  WXObjectBase(const WXObjectBase&) = delete;
  WXObjectBase& operator=(const WXObjectBase&) = delete;

  // "[[Extensible]]" along the prototype chain: absent means true, else its payload is not 0.
  bool IsExtensible();
  // The value record for a name: the numbered slot the name tables give it (global names for the
  // global object, instance names for any other), else its named property, made (real 0) when
  // missing.
  RValue* FindOrAddSlot(const char* name);

  // Typed setters: nothing when the object is not extensible; otherwise the named value is
  // replaced and its flags become the attributes.
  void AddObject(const char* name, WXObjectBase* object, uint32_t attributes);
  void AddBool(const char* name, bool value, uint32_t attributes);  // stored as the real 1 or 0
  void AddInt(const char* name, int32_t value, uint32_t attributes);  // stored as a real
  void AddReal(const char* name, double value, uint32_t attributes);
  void AddString(const char* name, const char* text, uint32_t attributes);
  // An internal method: a native function held as a pointer value.
  void AddCFunction(const char* name, void* function, uint32_t attributes);
  void AddNull(const char* name, uint32_t attributes);
  void AddValue(const char* name, const RValue* value, uint32_t attributes);

  // Marks this object and everything it reaches through object values in its slots (and accessor
  // functions) and in its named properties, for the collection in progress.
  void Mark(uint8_t* markBuffer, int32_t length);

  RValue* m_slots = nullptr;                 // null when the object has none
  WXObjectBase* m_poolNext = nullptr;        // next pooled object, while pooled
  WXObjectBase* m_outerScope = nullptr;      // next object outward on the scope chain
  int32_t m_slotCount = 0;
  int32_t m_slotCapacity = 0;
  CVariableList* m_properties = nullptr;     // owned
  uint32_t m_markGeneration = 0;             // collection that last marked this object
  int32_t m_tableIndex = -1;                 // position in the object table, -1 when not entered
  int32_t m_objectKind = kObjectKindPlain;
  bool m_pooled = false;
  uint64_t m_textStamp = 0;                  // text conversion that last printed this object
};

// The global object; null between passes.
extern WXObjectBase* g_pGlobalObject;

// A plain object with slotCount slots of the given kind, from the pool when it has one, entered in
// the object table.
WXObjectBase* WXObject_Alloc(int32_t slotCount, int32_t kind);
// Makes the value a new script object (kind 6, from WXObject_Alloc) with one unset slot per
// instance variable; the value's old contents are released.
void RValue_NewObject(RValue* value);
// Takes the object out of the table; an instance or accessor pair is deleted, a plain object is
// emptied and pooled. Null is ignored, and so is an object that is already pooled.
void WXObject_Free(WXObjectBase* object);
// Deletes every pooled object.
void WXObject_FreePool();
int32_t WXObject_PoolCount();

// The object table.
int32_t ObjectTable_Insert(WXObjectBase* object);  // the position, or -1 when no entry was free
void ObjectTable_Remove(WXObjectBase* object);
int32_t ObjectTable_Capacity();
int32_t ObjectTable_Count();
WXObjectBase* ObjectTable_Entry(int32_t index);
// Releases the table's array (teardown); objects still entered lose their entries.
void WXObject_TableFree();

// One collection (object mode only; false and nothing done otherwise). With a probe object the
// result tells whether the probe is unreachable and nothing is freed; without one, every entered
// object that the roots do not reach is freed and the result is false.
bool VM_CollectGarbage(WXObjectBase* probe);
// The collector's roots above the script objects: the game world's instances (the rooms, current
// and kept, the instances carried to the next room and the deferred queues). The world's visitor
// is installed at start-up; it calls `mark` on each root.
using ObjectRootMark = void (*)(WXObjectBase* object, void* context);
using ObjectRootVisitor = void (*)(ObjectRootMark mark, void* context);
void WXObject_SetRootVisitor(ObjectRootVisitor visitor);
uint32_t VM_CollectionNumber();
