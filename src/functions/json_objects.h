// JSON and the script objects of object mode: parsed JSON objects become ordinary objects, and
// JSON.stringify writes an object's own enumerable properties as JSON text.
#pragma once

#include <cstdint>

#include "core/function_registry.h"
#include "core/value.h"

struct json_object;

// The result becomes an ordinary object with the members in text order: null members are left
// out, nested objects become objects, arrays the real 0, the other values as F_JsonToValue makes
// them. `result` is overwritten without being released.
void JS_ObjectFromJson(json_object* object, RValue* result);

// JSON.stringify (value): an object's own enumerable properties as a JSON object in the printed
// form; any other value as F_JsonFromValue writes it; no argument gives undefined.
void JS_JSON_Stringify(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
