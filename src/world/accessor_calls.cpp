#include "script/accessor_calls.h"

#include "core/function_registry.h"
#include "core/value.h"
#include "script/variable_list.h"
#include "script/wx_object.h"
#include "world/instance.h"

namespace {

// The native handler of the function held in slot `slot` of an accessor pair, or null.
BuiltinHandler NativeOf(const RValue* accessor, int32_t slot) {
  if (!JS_IsAccessor(accessor)) return nullptr;
  const WXObjectBase* pair = accessor->pObj;
  if (pair->m_slots == nullptr || slot >= pair->m_slotCount) return nullptr;
  const RValue& function = pair->m_slots[slot];
  const uint32_t kind = RValue_Kind(&function);
  if ((kind != VALUE_FUNCREF && kind != VALUE_OBJECT) || function.pObj == nullptr) return nullptr;
  const CVariableList* properties = function.pObj->m_properties;
  if (properties == nullptr) return nullptr;
  const CVariableNode* node = properties->FindByName("[[Call_Cpp]]");
  if (node == nullptr || RValue_Kind(&node->value) != VALUE_PTR || node->value.ptr == nullptr) return nullptr;
  return reinterpret_cast<BuiltinHandler>(node->value.ptr);
}

CInstance* AsInstance(WXObjectBase* object) {
  return object != nullptr && object->m_objectKind == kObjectKindInstance ? static_cast<CInstance*>(object) : nullptr;
}

}  // namespace

bool JS_IsAccessor(const RValue* value) {
  return RValue_Kind(value) == VALUE_OBJECT && value->pObj != nullptr && value->pObj->m_objectKind == kObjectKindAccessor;
}

void JS_CallGetter(WXObjectBase* self, RValue* result, const RValue* accessor) {
  const BuiltinHandler getter = NativeOf(accessor, 0);
  if (getter == nullptr) return;
  CInstance* instance = AsInstance(self);
  getter(result, instance, instance, 0, nullptr);
}

void JS_CallSetter(WXObjectBase* self, const RValue* value, const RValue* accessor) {
  const BuiltinHandler setter = NativeOf(accessor, 1);
  if (setter == nullptr) return;
  CInstance* instance = AsInstance(self);
  RValue argument = RValue_MakeUndefined();
  RValue_Assign(&argument, value);
  RValue ignored = RValue_MakeUndefined();
  setter(&ignored, instance, instance, 1, &argument);
  RValue_Release(&ignored);
  RValue_Release(&argument);
}
