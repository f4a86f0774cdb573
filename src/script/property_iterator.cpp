#include "script/property_iterator.h"

#include <cstdio>
#include <cstring>

#include "script/js_object.h"
#include "script/variable_list.h"
#include "script/wx_object.h"
#include "vm/variable_names.h"

namespace {

// A chain deeper than this is taken as a cycle and ends the walk.
constexpr int32_t kMaxPrototypeDepth = 1000;

// A shallow copy: the iterator only looks at the value's kind and flags.
void Peek(RValue* value, const RValue* source) { *value = *source; }

bool IsInternalName(const RValue* name) {
  if (RValue_Kind(name) != VALUE_STRING || name->pString == nullptr || name->pString->text == nullptr) return false;
  const char* text = name->pString->text;
  return std::strlen(text) > 2 && text[0] == '[' && text[1] == '[';
}

const char* NameText(const RValue* name) {
  return RValue_Kind(name) == VALUE_STRING && name->pString != nullptr && name->pString->text != nullptr
             ? name->pString->text
             : "";
}

// True when the prototype is one of the objects from the start of the walk up to the current one:
// a prototype cycle, which ends the walk.
bool AlreadyWalked(WXObjectBase* start, WXObjectBase* current, const WXObjectBase* proto) {
  for (WXObjectBase* o = start; o != nullptr; o = JS_PrototypeOf(o)) {
    if (o == proto) return true;
    if (o == current) break;
  }
  return false;
}

}  // namespace

CJSPropertyIterator::~CJSPropertyIterator() { delete child; }

void CJSPropertyIterator::SeekBucket(int32_t from) {
  node = nullptr;
  const CVariableList* list = object->m_properties;
  for (bucket = from; list != nullptr && bucket < CVariableList::kBucketCount; ++bucket) {
    if (list->m_buckets[bucket] != nullptr) {
      node = list->m_buckets[bucket];
      return;
    }
  }
}

void CJSPropertyIterator::Init(WXObjectBase* target, int32_t attributeMask) {
  delete child;
  child = nullptr;
  object = target;
  phase = target->m_slots == nullptr || target->m_slotCount == 0 ? 2 : 0;
  position = 2;
  mask = attributeMask;
  walkPrototypes = false;
  includeInternal = false;
  origin = nullptr;
  SeekBucket(0);
}

bool CJSPropertyIterator::Step(RValue* name, RValue* value) {
  switch (phase) {
    case 0:
      if (position < object->m_slotCount) {
        RValue_SetString(name, Variable_GetName(nullptr, kScopeSelf, kUserVariableBase + position));
        Peek(value, &object->m_slots[position]);
        ++position;
        if (position >= object->m_slotCount) {
          phase = 1;
          position = 0;
        }
      } else {
        phase = object->m_slotCount >= 2 ? 1 : 2;
        position = 0;
      }
      return true;
    case 1: {
      const RValue& slot = object->m_slots[1];
      const WXObjectBase* store = RValue_Kind(&slot) == VALUE_OBJECT ? slot.pObj : nullptr;
      if (object->m_slotCount < 2 || store == nullptr || store->m_slotCount <= 0 || position >= store->m_slotCount) {
        phase = 2;
        return true;
      }
      char text[64];
      std::snprintf(text, sizeof text, "%d", position);
      RValue_SetString(name, text);
      Peek(value, &store->m_slots[position]);
      if (++position >= store->m_slotCount) phase = 2;
      return true;
    }
    case 2:
      if (node == nullptr) {
        phase = 3;
        return true;
      }
      RValue_Assign(name, &node->key);
      Peek(value, &node->value);
      if (node->bucketNext != nullptr) {
        node = node->bucketNext;
      } else {
        SeekBucket(bucket + 1);
      }
      if (node == nullptr) phase = 3;
      return true;
    default:
      return false;
  }
}

bool CJSPropertyIterator::Next(RValue* name) {
  while (phase != 3) {
    RValue value = RValue_MakeUndefined();
    RValue_Release(name);
    name->flags = 0;
    if (!Step(name, &value)) break;
    bool rejected = RValue_Kind(name) != VALUE_STRING;  // a step between phases yields nothing
    rejected = rejected || (!includeInternal && IsInternalName(name));
    rejected = rejected || ((mask & 1) != 0 && (value.flags & static_cast<uint32_t>(mask)) == 0);
    rejected = rejected || RValue_Kind(&value) == VALUE_UNSET;
    if (!rejected && origin != nullptr) {
      RValue a = RValue_MakeUndefined();
      RValue b = RValue_MakeUndefined();
      JS_GetProperty(origin, &a, NameText(name));
      JS_GetProperty(object, &b, NameText(name));
      rejected = a.kind != b.kind || a.v64 != b.v64;
      RValue_Release(&a);
      RValue_Release(&b);
    }
    if (!rejected) return true;
    RValue_Release(name);
    name->flags = 0;
  }
  if (!walkPrototypes) return false;
  if (child == nullptr) {
    WXObjectBase* proto = JS_PrototypeOf(object);
    if (proto == nullptr || depth >= kMaxPrototypeDepth || AlreadyWalked(origin != nullptr ? origin : object, object, proto)) {
      return false;
    }
    child = new CJSPropertyIterator();
    child->Init(proto, mask);
    child->walkPrototypes = true;
    child->origin = origin != nullptr ? origin : object;
    child->depth = depth + 1;
  }
  if (child->Next(name)) return true;
  delete child;
  child = nullptr;
  walkPrototypes = false;  // the chain is done
  return false;
}
