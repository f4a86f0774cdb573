#include "functions/json_objects.h"

#include <json-c/json.h>

#include <string>

#include "functions/json_functions.h"
#include "script/js_object.h"
#include "script/property_iterator.h"
#include "script/wx_object.h"

namespace {

constexpr uint32_t kAllAttributes = kPropEnumerable | kPropConfigurable | kPropWritable;

void ObjectFromJson(json_object* object, RValue* result, int32_t depth) {
  *result = RValue_MakeUndefined();
  JS_NewOrdinaryObject(result, nullptr, nullptr, 0, nullptr);
  if (json_object_get_type(object) != json_type_object) return;
  WXObjectBase* target = result->pObj;
  json_object_object_foreach(object, name, member) {
    const json_type type = json_object_get_type(member);
    if (type == json_type_null) continue;
    RValue value = RValue_MakeReal(0.0);
    if (type == json_type_object) {
      // The parser bounds the nesting; the bound here keeps a hand-made tree from going deeper.
      if (depth < kJsonMaxDepth) ObjectFromJson(member, &value, depth + 1);
    } else if (type != json_type_array) {
      F_JsonToValue(&value, member);
    }
    target->AddValue(name, &value, kAllAttributes);
    RValue_Release(&value);
  }
}

}  // namespace

void JS_ObjectFromJson(json_object* object, RValue* result) { ObjectFromJson(object, result, 0); }

void JS_JSON_Stringify(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc < 1) {
    RValue_Release(result);
    result->flags = 0;
    return;
  }
  json_object* json;
  if (RValue_Kind(&args[0]) == VALUE_OBJECT && args[0].pObj != nullptr) {
    WXObjectBase* object = args[0].pObj;
    json = json_object_new_object();
    CJSPropertyIterator it;
    it.Init(object, kPropEnumerable);
    RValue name = RValue_MakeUndefined();
    RValue value = RValue_MakeUndefined();
    while (it.Next(&name)) {
      JS_GetProperty(object, &value, name.pString->text);
      json_object_object_add(json, name.pString->text, F_JsonFromValue(&value));
    }
    RValue_Release(&value);
    RValue_Release(&name);
  } else {
    json = F_JsonFromValue(&args[0]);
  }
  const std::string text = json != nullptr ? Json_Print(json) : std::string("null");
  json_object_put(json);
  RValue_SetString(result, text.c_str());
}
