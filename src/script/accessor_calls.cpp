#include "script/accessor_calls.h"

#include <cstring>

#include "core/function_registry.h"
#include "core/value.h"
#include "script/variable_list.h"
#include "script/wx_object.h"

namespace {

RValue g_pendingException = RValue_MakeUndefined();
bool g_exceptionPending = false;

const RValue* OwnNamed(const WXObjectBase* object, const char* name) {
  if (object == nullptr || object->m_properties == nullptr) return nullptr;
  const CVariableNode* node = object->m_properties->FindByName(name);
  return node != nullptr ? &node->value : nullptr;
}

// Natives of the object runtime read their self as the receiver object; every other handler reads
// it as a game instance.
CInstance* SelfFor(WXObjectBase* self, const WXObjectBase* function) {
  const RValue* kind = OwnNamed(function, "[[Class]]");
  if (kind != nullptr && RValue_Kind(kind) == VALUE_STRING && kind->pString != nullptr && kind->pString->text != nullptr &&
      std::strcmp(kind->pString->text, "Function") == 0) {
    return reinterpret_cast<CInstance*>(self);  // handed back as the object by the native
  }
  return JS_AsGameInstance(self);
}

// The function object in slot `slot` of an accessor pair, or null (also when unset).
WXObjectBase* AccessorFunction(const RValue* accessor, int32_t slot) {
  if (!JS_IsAccessor(accessor)) return nullptr;
  const WXObjectBase* pair = accessor->pObj;
  if (pair->m_slots == nullptr || slot >= pair->m_slotCount) return nullptr;
  const RValue& function = pair->m_slots[slot];
  const uint32_t kind = RValue_Kind(&function);
  if (kind != VALUE_FUNCREF && kind != VALUE_OBJECT) return nullptr;
  return function.pObj;
}

}  // namespace

int32_t JS_CallFunctionObject(WXObjectBase* self, RValue* result, WXObjectBase* function, int32_t argc, RValue* args) {
  const RValue* native = OwnNamed(function, "[[Call_Cpp]]");
  if (native != nullptr && RValue_Kind(native) == VALUE_PTR && native->ptr != nullptr) {
    const auto handler = reinterpret_cast<BuiltinHandler>(native->ptr);
    CInstance* receiver = SelfFor(self, function);
    handler(result, receiver, receiver, argc, args);
  }
  return g_exceptionPending ? kCallExceptionPending : kCallDone;
}

int32_t JS_Call(WXObjectBase* self, RValue* result, const RValue* function, int32_t argc, RValue* args) {
  if (RValue_Kind(function) != VALUE_OBJECT || function->pObj == nullptr) return kCallNotCallable;
  return JS_CallFunctionObject(self, result, function->pObj, argc, args);
}

bool JS_IsAccessor(const RValue* value) {
  return RValue_Kind(value) == VALUE_OBJECT && value->pObj != nullptr && value->pObj->m_objectKind == kObjectKindAccessor;
}

void JS_CallGetter(WXObjectBase* self, RValue* result, const RValue* accessor) {
  if (!JS_IsAccessor(accessor)) return;
  WXObjectBase* getter = AccessorFunction(accessor, 0);
  if (getter == nullptr) {
    RValue_Release(result);
    result->flags = 0;
    return;
  }
  JS_CallFunctionObject(self, result, getter, 0, nullptr);
}

void JS_CallSetter(WXObjectBase* self, const RValue* value, const RValue* accessor) {
  WXObjectBase* setter = AccessorFunction(accessor, 1);
  if (setter == nullptr) return;
  RValue argument = RValue_MakeUndefined();
  RValue_Assign(&argument, value);
  RValue ignored = RValue_MakeUndefined();
  JS_CallFunctionObject(self, &ignored, setter, 1, &argument);
  RValue_Release(&ignored);
  RValue_Release(&argument);
}

void JS_Throw(const RValue* value) {
  RValue_Assign(&g_pendingException, value);
  g_exceptionPending = true;
}

bool JS_ExceptionPending() { return g_exceptionPending; }

const RValue* JS_PendingException() { return &g_pendingException; }

void JS_ClearException() {
  RValue_Release(&g_pendingException);
  g_exceptionPending = false;
}
