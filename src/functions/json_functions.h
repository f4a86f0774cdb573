// JSON text to and from ds_maps and ds_lists: the json_encode and json_decode script functions
// and the conversions that secure map files and the JSON standard object use.
//
// Text is parsed strictly: one JSON value and nothing after it but white space; no comments,
// trailing commas, single quotes, raw control characters in strings, NaN, Infinity or numbers
// off the grammar. Nesting is bounded, on the way in and on the way out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/function_registry.h"
#include "core/value.h"

struct json_object;

// Deepest nesting of objects and arrays parsed or printed.
inline constexpr int32_t kJsonMaxDepth = 512;

// The parsed value of exactly `length` bytes of text, or null when they are not one whole JSON
// value. The caller releases it (json_object_put).
json_object* Json_Parse(const char* text, size_t length);

// A value as JSON: a new object the caller releases, or null for JSON null. A map or list that is
// already being encoded further out, or one past the nesting bound, is null.
json_object* F_JsonFromValue(const RValue* value);
// The object of the map with that id, or null when the id names no map.
json_object* F_JsonFromMap(int32_t map);
// The printed text of an object (spaced form, reals with six decimals).
std::string Json_Print(json_object* object);

// The value of a JSON value: a new map or list (marked as nested), a real, a string, or
// undefined for null. `out` is overwritten without being released.
void F_JsonToValue(RValue* out, json_object* object);
// A new map holding the object's members (null members left out); its id.
int32_t F_JsonToNewMap(json_object* object);
// A new list of the array's elements (null elements as 0); its id.
int32_t F_JsonArrayToList(json_object* object);

// The map's JSON text into *text; false (text untouched) when the id names no map.
bool F_JsonMapToText(int32_t map, std::string* text);
// Parses the text (no wrapping): -1 when it is not a JSON object. With a map id below 0 the
// result is the id of a new map; otherwise the members go into that existing map (-1 too when it
// does not exist) and the result is -1.
int32_t F_JsonParseIntoMap(const char* text, int32_t map);

void F_JsonEncode(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void F_JsonDecode(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
