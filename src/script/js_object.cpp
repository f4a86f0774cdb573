#include "script/js_object.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <utility>

#include "core/argument_getters.h"
#include "core/type_conversions.h"
#include "core/vm_error.h"
#include "script/accessor_calls.h"
#include "script/variable_list.h"
#include "script/wx_object.h"
#include "vm/variable_names.h"

JSPrototypes g_JSPrototypes;

namespace {

// A prototype chain longer than this is taken as a cycle and ends the walk.
constexpr int32_t kMaxChain = 100000;

WXObjectBase* AsObject(CInstance* self) { return reinterpret_cast<WXObjectBase*>(self); }

void SetUnset(RValue* v) {
  RValue_Release(v);
  v->v64 = 0;
  v->flags = 0;
  v->kind = VALUE_UNSET;
}

void SetBool(RValue* v, bool b) {
  RValue_Release(v);
  v->val = b ? 1.0 : 0.0;
  v->flags = 0;
  v->kind = VALUE_BOOL;
}

bool IsUnset(const RValue* v) { return RValue_Kind(v) == VALUE_UNSET; }
bool IsUndefinedOrUnset(const RValue* v) { return RValue_Kind(v) == VALUE_UNDEFINED || IsUnset(v); }

const char* TextOf(const RValue* v) {
  if (RValue_Kind(v) != VALUE_STRING || v->pString == nullptr || v->pString->text == nullptr) return nullptr;
  return v->pString->text;
}

// An own internal property found by exact name among the named properties.
const RValue* OwnNamed(const WXObjectBase* object, const char* name) {
  if (object == nullptr || object->m_properties == nullptr) return nullptr;
  const CVariableNode* node = object->m_properties->FindByName(name);
  return node != nullptr ? &node->value : nullptr;
}

bool ClassIs(const WXObjectBase* object, const char* name) {
  const RValue* c = OwnNamed(object, "[[Class]]");
  const char* text = c != nullptr ? TextOf(c) : nullptr;
  return text != nullptr && std::strcmp(text, name) == 0;
}

// The first internal method of that name on the object or along its chain; null when none.
void* InternalMethod(WXObjectBase* object, const char* name) {
  for (int32_t depth = 0; object != nullptr && depth < kMaxChain; ++depth) {
    if (const RValue* m = OwnNamed(object, name)) return RValue_Kind(m) == VALUE_PTR ? m->ptr : nullptr;
    object = JS_PrototypeOf(object);
  }
  return nullptr;
}

// The element store of an Array or Arguments object (slot 1), or null.
WXObjectBase* ElementStore(const WXObjectBase* object) {
  if (object->m_slots == nullptr || object->m_slotCount < 2) return nullptr;
  const RValue& store = object->m_slots[1];
  return RValue_Kind(&store) == VALUE_OBJECT ? store.pObj : nullptr;
}

// Copies a value into a record as the object model stores it, with the given flags.
void StoreWithFlags(RValue* target, const RValue* value, uint32_t flags) {
  WXValue_Copy(target, value);
  target->flags = flags;
}

WXObjectBase* NewPlainObject() {
  RValue v = RValue_MakeUndefined();
  RValue_NewObject(&v);
  return v.pObj;
}

// The slot-0 object that Boolean and Error objects carry: "constructor" back to the object.
void AddConstructorPrototype(WXObjectBase* object) {
  if (object->m_slots == nullptr || object->m_slotCount < 1) return;
  WXObjectBase* proto = WXObject_Alloc(Variable_InstanceNameCount(), static_cast<int32_t>(VALUE_UNSET));
  proto->AddObject("constructor", object, kPropConfigurable | kPropWritable);
  if (g_JSPrototypes.object != nullptr) {
    proto->AddObject("[[Prototype]]", g_JSPrototypes.object, 0);
  } else {
    proto->AddNull("[[Prototype]]", 0);
  }
  RValue& slot = object->m_slots[0];
  RValue_Release(&slot);
  slot.pObj = proto;
  slot.kind = VALUE_OBJECT;
  slot.flags = kPropConfigurable | kPropWritable;
}

void SetPrototype(WXObjectBase* object, WXObjectBase* prototype) {
  if (prototype != nullptr) {
    object->AddObject("[[Prototype]]", prototype, 0);
  } else {
    object->AddNull("[[Prototype]]", 0);
  }
}

void ThrowNamed(const char* name, WXObjectBase* prototype, const char* message) {
  RValue text = RValue_MakeUndefined();
  RValue_SetString(&text, message);
  RValue error = RValue_MakeUndefined();
  JS_Error_ConstructNamed(name, prototype, &error, 1, &text);
  JS_Throw(&error);
  RValue_Release(&error);
  RValue_Release(&text);
}

// --- date arithmetic ---------------------------------------------------------------------------

constexpr double kMsPerDay = 86400000.0;

bool IsLeap(double y) { return std::fmod(y, 4) == 0 && (std::fmod(y, 100) != 0 || std::fmod(y, 400) == 0); }

double DayFromYear(double y) {
  return 365 * (y - 1970) + std::floor((y - 1969) / 4) - std::floor((y - 1901) / 100) + std::floor((y - 1601) / 400);
}

double MakeTime(double h, double m, double s, double ms) {
  if (!std::isfinite(h) || !std::isfinite(m) || !std::isfinite(s) || !std::isfinite(ms)) return JS_NaN();
  return std::floor(h) * 3600000 + std::floor(m) * 60000 + std::floor(s) * 1000 + std::floor(ms);
}

double MakeDay(double year, double month, double date) {
  if (!std::isfinite(year) || !std::isfinite(month) || !std::isfinite(date)) return JS_NaN();
  static const int kMonthStart[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
  const double m = std::floor(month);
  const double ym = std::floor(year) + std::floor(m / 12);
  double mn = std::fmod(m, 12);
  if (mn < 0) mn += 12;
  const int month0 = static_cast<int>(mn);
  const double start = kMonthStart[month0] + (month0 >= 2 && IsLeap(ym) ? 1 : 0);
  return std::floor((DayFromYear(ym) * kMsPerDay + start * kMsPerDay) / kMsPerDay) + std::floor(date) - 1;
}

double MakeDate(double day, double time) {
  if (!std::isfinite(day) || !std::isfinite(time)) return JS_NaN();
  return day * kMsPerDay + time;
}

// A Date argument as a number: as WXGR reads it, but NaN and the infinities are kept.
double DateNumber(RValue* args, int32_t n) {
  RValue number = RValue_MakeReal(0.0);
  switch (RValue_Kind(&args[n])) {
    case VALUE_REAL: case VALUE_BOOL: case VALUE_INT32: case VALUE_INT64: case VALUE_STRING: case VALUE_OBJECT:
      F_JS_ToNumber(&number, &args[n]);
      return number.val;
    default:
      return WXGR(args, n);
  }
}

double DateTime(int32_t argc, RValue* args) {
  if (argc <= 0) return static_cast<double>(std::time(nullptr)) * 1000.0;
  if (argc == 1) {
    // Date.parse is not built yet: a text gives the invalid time.
    if (args[0].kind == VALUE_STRING) return JS_NaN();
    return DateNumber(args, 0);
  }
  double year = DateNumber(args, 0);
  const double month = DateNumber(args, 1);
  const double day = argc > 2 ? DateNumber(args, 2) : 1;
  double parts[4] = {0, 0, 0, 0};
  for (int32_t i = 3; i < argc && i < 7; ++i) parts[i - 3] = DateNumber(args, i);
  if (!std::isnan(year) && year >= 0 && year <= 99) year += 1900;
  return std::floor(MakeDate(MakeDay(year, month, day), MakeTime(parts[0], parts[1], parts[2], parts[3])));
}

}  // namespace

// --- object utilities ------------------------------------------------------------------------------

bool JS_Object_IsCallable(const WXObjectBase* object) {
  return OwnNamed(object, "[[Call_Script]]") != nullptr || OwnNamed(object, "[[Call_Cpp]]") != nullptr;
}

bool JS_IsCallable(const RValue* value) {
  switch (RValue_Kind(value)) {
    case VALUE_OBJECT: return value->pObj != nullptr && JS_Object_IsCallable(value->pObj);
    case VALUE_REAL: case VALUE_STRING: case VALUE_UNDEFINED: case VALUE_UNSET: case VALUE_INT32: case VALUE_INT64:
    case VALUE_NULL: case VALUE_BOOL:
      return false;
    default:
      VM_RuntimeError("unhandled type for JS_IsCallable");
      return false;
  }
}

bool IsAccessorDescriptor(const RValue* value) { return JS_IsAccessor(value); }

bool IsDataDescriptor(const RValue* value) { return !IsUndefinedOrUnset(value) && !JS_IsAccessor(value); }

bool IsGenericDescriptor(const RValue* value) { return IsUnset(value); }

RValue* JS_OwnRecord(WXObjectBase* object, const char* name) {
  if (object->m_properties != nullptr) {
    if (CVariableNode* node = object->m_properties->FindByName(name)) return &node->value;
  }
  const int32_t slot = Variable_FindSlotName(object, name);
  if (slot >= 0 && slot < object->m_slotCount) return &object->m_slots[slot];
  return nullptr;
}

WXObjectBase* JS_PrototypeOf(WXObjectBase* object) {
  const RValue* p = OwnNamed(object, "[[Prototype]]");
  return p != nullptr && RValue_Kind(p) == VALUE_OBJECT ? p->pObj : nullptr;
}

void JS_GetOwnProperty(WXObjectBase* object, RValue* result, const char* name) {
  const RValue* method = nullptr;
  WXObjectBase* o = object;
  for (int32_t depth = 0; o != nullptr && depth < kMaxChain && method == nullptr; ++depth) {
    method = OwnNamed(o, "[[GetOwnProperty]]");
    o = JS_PrototypeOf(o);
  }
  if (method == nullptr) {
    SetUnset(result);
    return;
  }
  if (RValue_Kind(method) == VALUE_PTR && method->ptr != nullptr) {
    reinterpret_cast<JSGetOwnPropertyFn>(method->ptr)(object, result, name);
  }
}

void JS_GetProperty(WXObjectBase* object, RValue* result, const char* name) {
  SetUnset(result);
  for (int32_t depth = 0; object != nullptr && depth < kMaxChain; ++depth) {
    JS_GetOwnProperty(object, result, name);
    if (!IsUnset(result)) return;
    object = JS_PrototypeOf(object);
  }
  SetUnset(result);
}

void JS_Get(WXObjectBase* object, RValue* result, const char* name) {
  JS_GetProperty(object, result, name);
  if (!JS_IsAccessor(result)) return;
  const RValue accessor = *result;  // the pair stays alive: the collector runs between events only
  RValue_Release(result);
  result->flags = 0;
  JS_CallGetter(object, result, &accessor);
}

bool JS_CanPut(WXObjectBase* object, const char* name) {
  RValue own = RValue_MakeUndefined();
  JS_GetOwnProperty(object, &own, name);
  bool result;
  if (IsUndefinedOrUnset(&own)) {
    result = object->IsExtensible();
    if (WXObjectBase* proto = JS_PrototypeOf(object)) {
      RValue inherited = RValue_MakeUndefined();
      JS_GetProperty(proto, &inherited, name);
      if (!IsUndefinedOrUnset(&inherited) && !IsAccessorDescriptor(&inherited)) {
        result = (inherited.flags & kPropWritable) != 0;
      }
      RValue_Release(&inherited);
    }
  } else if (IsAccessorDescriptor(&own)) {
    const WXObjectBase* pair = own.pObj;
    result = pair->m_slotCount > 1 && !IsUndefinedOrUnset(&pair->m_slots[1]);
  } else {
    result = (own.flags & kPropWritable) != 0;
  }
  RValue_Release(&own);
  return result;
}

void JS_Put(WXObjectBase* object, const RValue* value, const char* name, bool throwing) {
  if (!JS_CanPut(object, name)) {
    if (throwing) JS_ThrowTypeError("NoMessage");
    return;
  }
  RValue own = RValue_MakeUndefined();
  JS_GetOwnProperty(object, &own, name);
  if (IsUndefinedOrUnset(&own) || JS_IsAccessor(&own)) {
    RValue found = RValue_MakeUndefined();
    JS_GetProperty(object, &found, name);
    if (JS_IsAccessor(&found)) {
      JS_CallSetter(object, value, &found);
    } else {
      RValue descriptor = *value;
      descriptor.flags = kPropEnumerable | kPropConfigurable | kPropWritable;
      JS_DefineOwnProperty(object, name, &descriptor, throwing);
    }
    RValue_Release(&found);
  } else {
    RValue descriptor = *value;
    descriptor.flags = own.flags;
    if (ClassIs(object, "Arguments")) {
      JS_Arguments_PutElement(object, &descriptor, name);
    } else {
      JS_DefineOwnProperty(object, name, &descriptor, throwing);
    }
  }
  RValue_Release(&own);
}

int32_t JS_DefineOwnProperty(WXObjectBase* object, const char* name, const RValue* descriptor, bool throwing) {
  if (void* method = InternalMethod(object, "[[DefineOwnProperty]]")) {
    return reinterpret_cast<JSDefineOwnPropertyFn>(method)(object, name, descriptor, throwing);
  }
  return JS_OrdinaryDefineOwnProperty(object, name, descriptor, throwing);
}

void JS_Delete(WXObjectBase* object, RValue* result, const char* name, bool strict) {
  if (void* method = InternalMethod(object, "[[Delete]]")) {
    reinterpret_cast<JSDeleteFn>(method)(object, result, name, strict);
    return;
  }
  JS_OrdinaryDelete(object, result, name, strict);
}

// --- the ordinary internal methods -------------------------------------------------------------------

void JS_OrdinaryGetOwnProperty(WXObjectBase* object, RValue* result, const char* name) {
  SetUnset(result);
  const RValue* own = JS_OwnRecord(object, name);
  if (own == nullptr) return;
  if (JS_IsAccessor(own)) {
    const RValue accessor = *own;
    RValue_Release(result);
    result->flags = 0;
    JS_CallGetter(object, result, &accessor);
    return;
  }
  RValue_Assign(result, own);
}

bool JS_IsElementIndex(const char* name, int32_t* index) {
  if (name == nullptr || *name == '\0') return false;
  for (const char* p = name; *p != '\0'; ++p) {
    if (*p < '0' || *p > '9') return false;
  }
  *index = static_cast<int32_t>(std::strtol(name, nullptr, 10));
  return true;
}

void JS_Arguments_GetOwnProperty(WXObjectBase* object, RValue* result, const char* name) {
  int32_t index = 0;
  WXObjectBase* store = ElementStore(object);
  if (store != nullptr && JS_IsElementIndex(name, &index) && index >= 0 && index < store->m_slotCount) {
    RValue_Assign(result, &store->m_slots[index]);
    return;
  }
  JS_OrdinaryGetOwnProperty(object, result, name);
}

bool JS_SameValue(const RValue* a, const RValue* b) {
  const uint32_t kind = RValue_Kind(a);
  if (kind != RValue_Kind(b)) return false;
  switch (kind) {
    case VALUE_REAL: return a->val == b->val;
    case VALUE_INT32: return a->v32 == b->v32;
    case VALUE_INT64: return a->v64 == b->v64;
    case VALUE_STRING: {
      const char* x = TextOf(a);
      const char* y = TextOf(b);
      return std::strcmp(x != nullptr ? x : "", y != nullptr ? y : "") == 0;
    }
    case VALUE_UNDEFINED: case VALUE_NULL: return true;
    case VALUE_OBJECT: return a->pObj == b->pObj;
    case VALUE_BOOL: return a->v64 == b->v64;
    default: return false;
  }
}

int32_t JS_OrdinaryDefineOwnProperty(WXObjectBase* object, const char* name, const RValue* descriptor, bool throwing) {
  const int32_t reject = throwing ? kDefineRejectedThrow : kDefineRejected;
  RValue current = RValue_MakeUndefined();
  JS_GetOwnProperty(object, &current, name);
  RValue extensibleValue = RValue_MakeUndefined();
  JS_GetProperty(object, &extensibleValue, "[[Extensible]]");
  const bool extensible = RValue_Kind(&extensibleValue) == VALUE_REAL && extensibleValue.val > 0.5;
  RValue_Release(&extensibleValue);

  int32_t outcome = -1;  // -1: write the descriptor
  const uint32_t have = current.flags;
  const uint32_t want = descriptor->flags;
  if (IsUndefinedOrUnset(&current)) {
    if (!extensible) outcome = reject;
  } else if (IsGenericDescriptor(descriptor)) {
    outcome = kDefineDone;
  } else if (JS_SameValue(&current, descriptor) && have == want) {
    outcome = kDefineDone;
  } else if ((have & kPropConfigurable) == 0 &&
             ((want & kPropConfigurable) != 0 || ((want & kPropEnumerable) != 0 && (have & kPropEnumerable) == 0))) {
    outcome = reject;
  } else if (IsDataDescriptor(&current) != IsDataDescriptor(descriptor)) {
    // A data property turning into an accessor or back: legal code such as a getter defined over
    // a data property gets here, so it is no error; only a non-configurable one refuses.
    if ((have & kPropConfigurable) == 0) outcome = reject;
  } else if (IsDataDescriptor(&current) && (have & kPropConfigurable) == 0) {
    if ((have & kPropWritable) == 0 && ((want & kPropWritable) != 0 || !JS_SameValue(&current, descriptor))) {
      outcome = reject;
    }
  }
  RValue_Release(&current);
  if (outcome >= 0) return outcome;

  const int32_t slot = Variable_FindSlotName(object, name);
  if (slot >= 0 && slot < object->m_slotCount) {
    StoreWithFlags(&object->m_slots[slot], descriptor, want);
  } else {
    // Stored whatever the object's extensibility: the test above already decided.
    if (object->m_properties == nullptr) object->m_properties = new CVariableList();
    CVariableNode* node = object->m_properties->FindByName(name);
    if (node == nullptr) {
      node = CVariableList::NewNameNode(name);
      object->m_properties->Add(node);
    }
    StoreWithFlags(&node->value, descriptor, want);
  }
  return kDefineDone;
}

void JS_OrdinaryDelete(WXObjectBase* object, RValue* result, const char* name, bool strict) {
  int32_t index = 0;
  if ((ClassIs(object, "Array") || ClassIs(object, "Arguments")) && JS_IsElementIndex(name, &index)) {
    WXObjectBase* store = ElementStore(object);
    const bool inside = store != nullptr && index >= 0 && index < store->m_slotCount;
    if (inside) {
      RValue& element = store->m_slots[index];
      RValue_Release(&element);
      element.flags = 0;
    }
    SetBool(result, inside);
    return;
  }
  CVariableNode* node = object->m_properties != nullptr ? object->m_properties->FindByName(name) : nullptr;
  RValue* record = node != nullptr ? &node->value : nullptr;
  if (record == nullptr) {
    const int32_t slot = Variable_FindSlotName(object, name);
    if (slot >= 0 && slot < object->m_slotCount && !IsUnset(&object->m_slots[slot])) record = &object->m_slots[slot];
  }
  if (record == nullptr) {
    SetBool(result, true);
    return;
  }
  if ((record->flags & kPropConfigurable) == 0) {
    if (strict) JS_ThrowTypeError("Trying to delete a non-configurable variable in a strict mode script.");
    SetBool(result, false);
    return;
  }
  if (node != nullptr) {
    object->m_properties->Remove(node);
  } else {
    RValue_Release(record);
    record->v64 = 0;
    record->flags = 0;
    record->kind = VALUE_UNSET;
  }
  SetBool(result, true);
}

void JS_Arguments_PutElement(WXObjectBase* object, const RValue* value, const char* name) {
  int32_t index = 0;
  WXObjectBase* store = ElementStore(object);
  if (store != nullptr && JS_IsElementIndex(name, &index) && index >= 0 && index < store->m_slotCount) {
    StoreWithFlags(&store->m_slots[index], value, value->flags);
    return;
  }
  JS_DefineOwnProperty(object, name, value, false);
}

int32_t JS_ToPropertyDescriptor(RValue* descriptor, const RValue* object) {
  if (RValue_Kind(object) != VALUE_OBJECT || object->pObj == nullptr) return 1;
  WXObjectBase* o = object->pObj;
  RValue_Release(descriptor);
  descriptor->flags = 0;
  bool data = false;
  RValue field = RValue_MakeUndefined();
  JS_GetProperty(o, &field, "value");
  if (!IsUnset(&field)) {
    RValue_Assign(descriptor, &field);
    descriptor->flags = 0;
    data = true;
  }
  uint32_t flags = 0;
  const struct {
    const char* name;
    uint32_t bit;
  } attributes[] = {{"enumerable", kPropEnumerable}, {"configurable", kPropConfigurable}, {"writable", kPropWritable}};
  for (const auto& a : attributes) {
    JS_GetProperty(o, &field, a.name);
    if (IsUnset(&field)) continue;
    if (JS_ToBoolean(&field)) flags |= a.bit;
    if (a.bit == kPropWritable) data = true;
  }
  int32_t code = 0;
  WXObjectBase* pair = nullptr;
  for (int32_t half = 0; half < 2 && code == 0; ++half) {
    JS_GetProperty(o, &field, half == 0 ? "get" : "set");
    if (IsUnset(&field)) continue;
    const bool undefined = RValue_Kind(&field) == VALUE_UNDEFINED;
    if ((!undefined && !JS_IsCallable(&field)) || data) {
      code = 1;
      break;
    }
    if (pair == nullptr) {
      pair = WXObject_Alloc(2, static_cast<int32_t>(VALUE_UNSET));
      pair->m_objectKind = kObjectKindAccessor;
    }
    if (!undefined) {
      pair->m_slots[half].pObj = field.pObj;
      pair->m_slots[half].kind = VALUE_FUNCREF;
    }
  }
  RValue_Release(&field);
  if (code != 0) {
    WXObject_Free(pair);
    RValue_Release(descriptor);
    return code;
  }
  if (pair != nullptr) {
    RValue_Release(descriptor);
    descriptor->pObj = pair;
    descriptor->kind = VALUE_OBJECT;
  }
  descriptor->flags = flags;
  return 0;
}

void JS_FromPropertyDescriptor(RValue* result, const RValue* descriptor) {
  if (IsUndefinedOrUnset(descriptor)) {
    RValue_Release(result);
    result->flags = 0;
    return;
  }
  RValue made = RValue_MakeUndefined();
  JS_NewOrdinaryObject(&made, nullptr, nullptr, 0, nullptr);
  WXObjectBase* o = made.pObj;
  constexpr uint32_t kAll = kPropEnumerable | kPropConfigurable | kPropWritable;
  RValue field = RValue_MakeUndefined();
  auto define = [&](const char* name) {
    field.flags = kAll;
    JS_DefineOwnProperty(o, name, &field, false);
  };
  auto boolean = [&](const char* name, bool b) {
    SetBool(&field, b);
    define(name);
  };
  if (JS_IsAccessor(descriptor)) {
    const WXObjectBase* pair = descriptor->pObj;
    for (int32_t half = 0; half < 2; ++half) {
      const RValue& f = pair->m_slots[half];
      RValue_Release(&field);
      if (!IsUnset(&f) && f.pObj != nullptr) {
        field.pObj = f.pObj;
        field.kind = VALUE_OBJECT;
      }
      define(half == 0 ? "get" : "set");
    }
  } else {
    RValue_Assign(&field, descriptor);
    field.flags |= kAll;
    JS_DefineOwnProperty(o, "value", &field, false);
    boolean("writable", (descriptor->flags & kPropWritable) != 0);
  }
  boolean("enumerable", (descriptor->flags & kPropEnumerable) != 0);
  boolean("configurable", (descriptor->flags & kPropConfigurable) != 0);
  RValue_Release(&field);
  RValue_Release(result);
  *result = made;
}

void JS_Object_ToString(RValue* result, CInstance* self, CInstance*, int32_t, RValue*) {
  const RValue* c = self != nullptr ? OwnNamed(AsObject(self), "[[Class]]") : nullptr;
  const char* name = c != nullptr ? TextOf(c) : nullptr;
  const std::string text = std::string("[object ") + (name != nullptr ? name : "") + "]";
  RValue_SetString(result, text.c_str());
}

namespace {

// The own property named by the first argument, or unset when there is no name.
void OwnPropertyOfArgument(WXObjectBase* object, RValue* own, int32_t argc, RValue* args) {
  SetUnset(own);
  if (object == nullptr) return;
  RValue name = RValue_MakeUndefined();
  RValue undefined = RValue_MakeUndefined();
  if (F_JS_ToString(&name, argc > 0 ? &args[0] : &undefined) == kConvertDone) {
    JS_GetOwnProperty(object, own, TextOf(&name) != nullptr ? TextOf(&name) : "");
  }
  RValue_Release(&name);
}

}  // namespace

void JS_Object_HasOwnProperty(RValue* result, CInstance* self, CInstance*, int32_t argc, RValue* args) {
  RValue own = RValue_MakeUndefined();
  OwnPropertyOfArgument(AsObject(self), &own, argc, args);
  const bool present = !IsUnset(&own);
  RValue_Release(&own);
  SetBool(result, present);
}

void JS_Object_PropertyIsEnumerable(RValue* result, CInstance* self, CInstance*, int32_t argc, RValue* args) {
  RValue own = RValue_MakeUndefined();
  OwnPropertyOfArgument(AsObject(self), &own, argc, args);
  const bool enumerable = !IsUndefinedOrUnset(&own) && (own.flags & kPropEnumerable) != 0;
  RValue_Release(&own);
  RValue_Release(result);
  *result = RValue_MakeReal(enumerable ? 1.0 : 0.0);
}

// --- conversions that need objects -------------------------------------------------------------------

int32_t JS_Object_DefaultValue(WXObjectBase* object, RValue* result, int32_t hint) {
  bool stringFirst = hint == kHintString;
  if (hint != kHintString && hint != kHintNumber && hint != 7 && hint != 10) stringFirst = ClassIs(object, "Date");
  const char* order[2] = {"valueOf", "toString"};
  if (stringFirst) std::swap(order[0], order[1]);
  for (const char* name : order) {
    RValue f = RValue_MakeUndefined();
    JS_Get(object, &f, name);
    if (!JS_IsCallable(&f)) {
      RValue_Release(&f);
      continue;
    }
    RValue answer = RValue_MakeUndefined();
    const int32_t code = JS_CallFunctionObject(object, &answer, f.pObj, 0, nullptr);
    RValue_Release(&f);
    if (code == kCallExceptionPending) {
      RValue_Release(&answer);
      return kConvertExceptionPending;
    }
    if (JS_IsPrimitive(&answer)) {
      RValue_Release(result);
      *result = answer;
      return kConvertDone;
    }
    RValue_Release(&answer);
  }
  return kConvertImpossible;
}

int32_t F_JS_ToObject(RValue* result, const RValue* value) {
  switch (RValue_Kind(value)) {
    case VALUE_OBJECT:
      RValue_Assign(result, value);
      return kConvertDone;
    case VALUE_BOOL: {
      RValue argument = *value;
      JS_Boolean_Construct(result, nullptr, nullptr, 1, &argument);
      return kConvertDone;
    }
    case VALUE_REAL: case VALUE_INT32: case VALUE_INT64: case VALUE_STRING:
      // The Number and String wrappers are not built yet.
      return kConvertImpossible;
    case VALUE_UNDEFINED: case VALUE_NULL:
      return kConvertImpossible;
    default:
      VM_RuntimeError("unhandled type (%d) for F_JS_ToObject", static_cast<int>(value->kind));
      return kConvertImpossible;
  }
}

void JS_IsNaN(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  RValue undefined = RValue_MakeUndefined();
  RValue n = RValue_MakeReal(0.0);
  F_JS_ToNumber(&n, argc > 0 ? &args[0] : &undefined);
  SetBool(result, std::isnan(n.val));
}

void JS_IsFinite(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  RValue undefined = RValue_MakeUndefined();
  RValue n = RValue_MakeReal(0.0);
  F_JS_ToNumber(&n, argc > 0 ? &args[0] : &undefined);
  SetBool(result, !JS_IsNonFinite(n.val));
}

// --- factories and errors ----------------------------------------------------------------------------

void JS_NewOrdinaryObject(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  WXObjectBase* o = NewPlainObject();
  SetPrototype(o, g_JSPrototypes.object);
  o->AddString("[[Class]]", "Object", 0);
  o->AddReal("[[Extensible]]", 1.0, 0);
  o->AddCFunction("[[GetOwnProperty]]", reinterpret_cast<void*>(&JS_OrdinaryGetOwnProperty), 0);
  o->AddCFunction("[[Delete]]", reinterpret_cast<void*>(&JS_OrdinaryDelete), 0);
  o->AddCFunction("[[DefineOwnProperty]]", reinterpret_cast<void*>(&JS_OrdinaryDefineOwnProperty), 0);
  RValue_Release(result);
  result->pObj = o;
  result->flags = 0;
  result->kind = VALUE_OBJECT;
}

void JS_Boolean_Construct(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const bool b = argc > 0 && JS_ToBoolean(&args[0]);
  JS_NewOrdinaryObject(result, nullptr, nullptr, 0, nullptr);
  WXObjectBase* o = result->pObj;
  SetPrototype(o, g_JSPrototypes.boolean);
  o->AddString("[[Class]]", "Boolean", 0);
  o->AddReal("[[PrimitiveValue]]", b ? 1.0 : 0.0, 0);
  AddConstructorPrototype(o);
}

void JS_Boolean_Call(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  SetBool(result, argc > 0 && JS_ToBoolean(&args[0]));
}

void JS_Error_ConstructNamed(const char* name, WXObjectBase* prototype, RValue* result, int32_t argc, RValue* args) {
  const char* message = argc > 0 ? WXGS(args, 0) : "";
  const std::string text = message != nullptr ? message : "";
  JS_NewOrdinaryObject(result, nullptr, nullptr, 0, nullptr);
  WXObjectBase* o = result->pObj;
  SetPrototype(o, prototype);
  o->AddString("[[Class]]", "Error", 0);
  o->AddString("message", text.c_str(), 0);
  o->AddString("name", name, 0);
  AddConstructorPrototype(o);
}

#define TOLVARINE_ERROR_CONSTRUCTOR(handler, name, proto)                                        \
  void handler(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {             \
    JS_Error_ConstructNamed(name, g_JSPrototypes.proto, result, argc, args);                     \
  }
TOLVARINE_ERROR_CONSTRUCTOR(JS_Error_Construct, "Error", error)
TOLVARINE_ERROR_CONSTRUCTOR(JS_EvalError_Construct, "EvalError", evalError)
TOLVARINE_ERROR_CONSTRUCTOR(JS_RangeError_Construct, "RangeError", rangeError)
TOLVARINE_ERROR_CONSTRUCTOR(JS_ReferenceError_Construct, "ReferenceError", referenceError)
TOLVARINE_ERROR_CONSTRUCTOR(JS_SyntaxError_Construct, "SyntaxError", syntaxError)
TOLVARINE_ERROR_CONSTRUCTOR(JS_TypeError_Construct, "TypeError", typeError)
TOLVARINE_ERROR_CONSTRUCTOR(JS_URIError_Construct, "URIError", uriError)
#undef TOLVARINE_ERROR_CONSTRUCTOR

void JS_ThrowTypeError(const char* message) { ThrowNamed("TypeError", g_JSPrototypes.typeError, message); }
void JS_ThrowSyntaxError(const char* message) { ThrowNamed("SyntaxError", g_JSPrototypes.syntaxError, message); }
void JS_ThrowRangeError(const char* message) { ThrowNamed("RangeError", g_JSPrototypes.rangeError, message); }
void JS_ThrowReferenceError(const char* message) {
  ThrowNamed("ReferenceError", g_JSPrototypes.referenceError, message);
}

void JS_NewDateObject(RValue* result, double time) {
  JS_NewOrdinaryObject(result, nullptr, nullptr, 0, nullptr);
  WXObjectBase* o = result->pObj;
  SetPrototype(o, g_JSPrototypes.date);
  o->AddString("[[Class]]", "Date", 0);
  o->AddReal("[[PrimitiveValue]]", time, 0);
}

void JS_Date_Construct(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  JS_NewDateObject(result, DateTime(argc, args));
}

void JS_Date_Call(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  RValue date = RValue_MakeUndefined();
  JS_NewDateObject(&date, DateTime(argc, args));
  F_JS_ToString(result, &date);
  RValue_Release(&date);
}
