#include "script/accessor_calls.h"

#include "script/wx_object.h"
#include "world/instance.h"

CInstance* JS_AsGameInstance(WXObjectBase* object) {
  return object != nullptr && object->m_objectKind == kObjectKindInstance ? static_cast<CInstance*>(object) : nullptr;
}
