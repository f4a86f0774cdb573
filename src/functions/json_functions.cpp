#include "functions/json_functions.h"

#include <json-c/json.h>
#include <json-c/printbuf.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "functions/handler_args.h"

namespace {

// --- strict text check -------------------------------------------------------------------------
// The library's strict mode refuses trailing text, comments and trailing commas but lets raw
// control characters, NaN, Infinity, single quotes and numbers such as "1." through; those are
// refused here, token by token, before the library sees the text.

bool IsJsonSpace(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// -?(0|[1-9][0-9]*)(\.[0-9]+)?([eE][+-]?[0-9]+)?
bool IsJsonNumber(const char* s, size_t n) {
  size_t i = 0;
  if (i < n && s[i] == '-') ++i;
  if (i >= n || !IsDigit(s[i])) return false;
  if (s[i] == '0') {
    ++i;
  } else {
    while (i < n && IsDigit(s[i])) ++i;
  }
  if (i < n && s[i] == '.') {
    ++i;
    if (i >= n || !IsDigit(s[i])) return false;
    while (i < n && IsDigit(s[i])) ++i;
  }
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < n && (s[i] == '+' || s[i] == '-')) ++i;
    if (i >= n || !IsDigit(s[i])) return false;
    while (i < n && IsDigit(s[i])) ++i;
  }
  return i == n;
}

bool IsBareTokenChar(char c) {
  return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-' || c == '+' || c == '.';
}

bool TokensAreStrict(const char* s, size_t n) {
  size_t i = 0;
  while (i < n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c == '"') {
      for (++i;; ++i) {
        if (i >= n) return false;
        const auto d = static_cast<unsigned char>(s[i]);
        if (d == '"') break;
        if (d < 0x20) return false;
        if (d == '\\') ++i;  // the escaped character; the library checks the escape itself
      }
      ++i;
      continue;
    }
    if (IsJsonSpace(c) || std::strchr("{}[],:", c) != nullptr) {
      if (c == '\0') return false;  // strchr finds the terminator too
      ++i;
      continue;
    }
    size_t end = i;
    while (end < n && IsBareTokenChar(s[end])) ++end;
    const size_t length = end - i;
    if (length == 0) return false;
    const std::string_view token(s + i, length);
    if (token != "true" && token != "false" && token != "null" && !IsJsonNumber(s + i, length)) return false;
    i = end;
  }
  return true;
}

// --- printing ----------------------------------------------------------------------------------

// Reals print with six decimals (the library would write the shortest round-trip form). JSON has
// no NaN or infinity ("nan", "inf" would make the whole text unreadable, a secure file with it
// lost): they print as null.
int PrintReal(json_object* object, printbuf* out, int, int) {
  const double value = json_object_get_double(object);
  if (!std::isfinite(value)) return printbuf_memappend(out, "null", 4);
  char text[400];
  int n = std::snprintf(text, sizeof text, "%lf", value);
  if (n < 0) return -1;
  n = std::min<int>(n, static_cast<int>(sizeof text) - 1);
  // Whatever the locale, the decimal point is a dot.
  std::replace(text, text + n, ',', '.');
  return printbuf_memappend(out, text, n);
}

// Strings escape '"', '\\', '/', BS, LF, CR and tab with a backslash and every other control
// character as \u00XX (the library writes a form feed as \f).
int PrintString(json_object* object, printbuf* out, int, int) {
  const char* text = json_object_get_string(object);
  const int length = json_object_get_string_len(object);
  static const char kHex[] = "0123456789abcdef";
  std::string escaped;
  escaped.reserve(static_cast<size_t>(length) + 2);
  escaped += '"';
  for (int i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    switch (c) {
      case '"': escaped += "\\\""; break;
      case '\\': escaped += "\\\\"; break;
      case '/': escaped += "\\/"; break;
      case '\b': escaped += "\\b"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      case '\t': escaped += "\\t"; break;
      default:
        if (c < 0x20) {
          escaped += "\\u00";
          escaped += kHex[c >> 4];
          escaped += kHex[c & 15];
        } else {
          escaped += static_cast<char>(c);
        }
    }
  }
  escaped += '"';
  return printbuf_memappend(out, escaped.data(), static_cast<int>(escaped.size()));
}

json_object* NewReal(double value) {
  json_object* object = json_object_new_double(value);
  if (object != nullptr) json_object_set_serializer(object, PrintReal, nullptr, nullptr);
  return object;
}

json_object* NewString(const char* text, size_t length) {
  if (length > static_cast<size_t>(INT_MAX)) length = 0;
  json_object* object = json_object_new_string_len(text != nullptr ? text : "", static_cast<int>(length));
  if (object != nullptr) json_object_set_serializer(object, PrintString, nullptr, nullptr);
  return object;
}

// --- encoding ----------------------------------------------------------------------------------

// The containers being encoded, outermost first: a list or map met again inside itself is null,
// as is anything nested deeper than the bound (the printer recurses as deep as the object).
struct Encoder {
  std::vector<const void*> open;

  bool Enter(const void* container) {
    if (open.size() >= static_cast<size_t>(kJsonMaxDepth)) return false;
    if (std::find(open.begin(), open.end(), container) != open.end()) return false;
    open.push_back(container);
    return true;
  }
  void Leave() { open.pop_back(); }

  json_object* Value(const RValue* v);
  json_object* Map(const CDS_Map* map);
  json_object* List(const CDS_List* list);
  json_object* Array(const SharedArray* array);
};

// A real map key's member name: the digits of its value truncated toward zero.
std::string KeyOfReal(double value) {
  const double whole = std::trunc(value);
  if (std::isfinite(whole) && std::fabs(whole) < 9.2e18) return std::to_string(static_cast<int64_t>(whole));
  char text[400];
  std::snprintf(text, sizeof text, "%.0f", whole);
  return text;
}

json_object* Encoder::Map(const CDS_Map* map) {
  if (!Enter(map)) return nullptr;
  json_object* object = json_object_new_object();
  map->ForEach([&](const CDS_MapEntry& entry) {
    std::string key;
    const uint32_t kind = RValue_Kind(&entry.key);
    if (kind == VALUE_STRING) {
      key = entry.key.pString != nullptr && entry.key.pString->text != nullptr ? entry.key.pString->text : "";
    } else if (kind == VALUE_REAL) {
      key = KeyOfReal(entry.key.val);
    } else {
      return;
    }
    json_object_object_add(object, key.c_str(), Value(&entry.value));
  });
  Leave();
  return object;
}

json_object* Encoder::List(const CDS_List* list) {
  if (!Enter(list)) return nullptr;
  json_object* array = json_object_new_array_ext(std::max(list->Size(), 1));
  for (int32_t i = 0; i < list->Size(); ++i) json_object_array_add(array, Value(list->GetValue(i)));
  Leave();
  return array;
}

json_object* Encoder::Array(const SharedArray* shared) {
  if (shared == nullptr) return json_object_new_array();
  if (!Enter(shared)) return nullptr;
  json_object* array = json_object_new_array();
  for (int32_t r = 0; r < shared->rowCount; ++r) {
    const SharedArrayRow& row = shared->rows[r];
    for (int32_t c = 0; c < row.length; ++c) json_object_array_add(array, Value(&row.elements[c]));
  }
  Leave();
  return array;
}

json_object* Encoder::Value(const RValue* v) {
  if (v == nullptr) return nullptr;
  const uint32_t kind = RValue_Kind(v);
  if (kind == VALUE_REAL && (v->kind & KIND_FLAG_DSMAP) != 0) {
    const CDS_Map* map = g_DsMaps.GetByReal(v->val);
    return map != nullptr ? Map(map) : nullptr;
  }
  if (kind == VALUE_REAL && (v->kind & KIND_FLAG_DSLIST) != 0) {
    const CDS_List* list = g_DsLists.GetByReal(v->val);
    return list != nullptr ? List(list) : nullptr;
  }
  switch (kind) {
    case VALUE_REAL: return NewReal(v->val);
    case VALUE_STRING: {
      const SharedString* s = v->pString;
      if (s == nullptr || s->text == nullptr) return NewString("", 0);
      return NewString(s->text, std::strlen(s->text));
    }
    case VALUE_ARRAY: return Array(v->pArray);
    case VALUE_PTR: {
      char text[32];
      const int n = std::snprintf(text, sizeof text, "%p", v->ptr);
      return NewString(text, static_cast<size_t>(std::max(n, 0)));
    }
    case VALUE_UNDEFINED: return json_object_new_object();
    default: return nullptr;
  }
}

// --- decoding ----------------------------------------------------------------------------------

// A decoded map's buckets: enough for its members, not the default 4096 (64 KiB) each, so that a
// text of many small objects cannot ask for thousands of times its own size.
int32_t BucketsFor(size_t members) {
  int32_t buckets = 16;
  while (buckets < CDS_Map::kDefaultBuckets && static_cast<size_t>(buckets) < members * 2) buckets *= 2;
  return buckets;
}

// Stores a decoded value in a container: a nested container is owned by it, or destroyed when the
// container refused the value.
void DestroyNested(const RValue* v) {
  if (RValue_Kind(v) != VALUE_REAL) return;
  if ((v->kind & KIND_FLAG_DSMAP) != 0) DS_DestroyMap(static_cast<int32_t>(v->val));
  if ((v->kind & KIND_FLAG_DSLIST) != 0) DS_DestroyList(static_cast<int32_t>(v->val));
}

void RecordNested(uint64_t holder, const RValue* v) {
  if (RValue_Kind(v) != VALUE_REAL) return;
  if ((v->kind & KIND_FLAG_DSMAP) != 0) DS_RecordMark(holder, v, KIND_FLAG_DSMAP);
  if ((v->kind & KIND_FLAG_DSLIST) != 0) DS_RecordMark(holder, v, KIND_FLAG_DSLIST);
}

// Adds the object's members, null members left out.
void AddMembers(CDS_Map* map, json_object* object) {
  json_object_object_foreach(object, name, member) {
    if (member == nullptr) continue;
    RValue key = RValue_MakeUndefined();
    RValue_InitString(&key, name);
    RValue value;
    F_JsonToValue(&value, member);
    if (map->Add(&key, &value)) {
      RecordNested(map->Serial(), &value);
    } else {
      DestroyNested(&value);
    }
    RValue_Release(&key);
    RValue_Release(&value);
  }
}

int32_t StoreMap(CDS_Map* map) {
  const int32_t id = g_DsMaps.Allocate();
  g_DsMaps.Store(id, map);
  return id;
}

int32_t NewMapOf(json_object* object, int32_t buckets) {
  auto* map = new CDS_Map(buckets);
  AddMembers(map, object);
  return StoreMap(map);
}

}  // namespace

json_object* Json_Parse(const char* text, size_t length) {
  if (text == nullptr || length > static_cast<size_t>(INT_MAX)) return nullptr;
  if (!TokensAreStrict(text, length)) return nullptr;
  json_tokener* tokener = json_tokener_new_ex(kJsonMaxDepth);
  if (tokener == nullptr) return nullptr;
  json_tokener_set_flags(tokener, JSON_TOKENER_STRICT);
  json_object* object = json_tokener_parse_ex(tokener, text, static_cast<int>(length));
  // "Continue" (text the library deems unfinished) is a failure like any other.
  bool whole = json_tokener_get_error(tokener) == json_tokener_success && object != nullptr;
  if (whole) {
    for (size_t i = json_tokener_get_parse_end(tokener); i < length; ++i) {
      if (!IsJsonSpace(static_cast<unsigned char>(text[i]))) whole = false;
    }
  }
  json_tokener_free(tokener);
  if (!whole) {
    json_object_put(object);
    return nullptr;
  }
  return object;
}

json_object* F_JsonFromValue(const RValue* value) {
  Encoder encoder;
  return encoder.Value(value);
}

json_object* F_JsonFromMap(int32_t map) {
  const CDS_Map* m = g_DsMaps.Get(map);
  if (m == nullptr) return nullptr;
  Encoder encoder;
  return encoder.Map(m);
}

std::string Json_Print(json_object* object) {
  size_t length = 0;
  const char* text = json_object_to_json_string_length(object, JSON_C_TO_STRING_SPACED, &length);
  return text != nullptr ? std::string(text, length) : std::string("null");
}

void F_JsonToValue(RValue* out, json_object* object) {
  switch (json_object_get_type(object)) {
    case json_type_object:
      *out = RValue_MakeReal(NewMapOf(object, BucketsFor(static_cast<size_t>(json_object_object_length(object)))));
      out->kind |= KIND_FLAG_DSMAP;
      return;
    case json_type_array:
      *out = RValue_MakeReal(F_JsonArrayToList(object));
      out->kind |= KIND_FLAG_DSLIST;
      return;
    case json_type_boolean: *out = RValue_MakeReal(json_object_get_boolean(object) ? 1.0 : 0.0); return;
    case json_type_int:
    case json_type_double: *out = RValue_MakeReal(json_object_get_double(object)); return;
    case json_type_string: RValue_InitString(out, json_object_get_string(object)); return;
    default: *out = RValue_MakeUndefined(); return;
  }
}

int32_t F_JsonToNewMap(json_object* object) { return NewMapOf(object, CDS_Map::kDefaultBuckets); }

int32_t F_JsonArrayToList(json_object* object) {
  auto* list = new CDS_List();
  const size_t count = json_object_array_length(object);
  for (size_t i = 0; i < count; ++i) {
    json_object* element = json_object_array_get_idx(object, i);
    RValue value = RValue_MakeReal(0.0);
    if (element != nullptr) F_JsonToValue(&value, element);
    list->Add(&value);
    RecordNested(list->Serial(), &value);
    RValue_Release(&value);
  }
  const int32_t id = g_DsLists.Allocate();
  g_DsLists.Store(id, list);
  return id;
}

bool F_JsonMapToText(int32_t map, std::string* text) {
  json_object* object = F_JsonFromMap(map);
  if (object == nullptr) return false;
  *text = Json_Print(object);
  json_object_put(object);
  return true;
}

int32_t F_JsonParseIntoMap(const char* text, int32_t map) {
  if (text == nullptr) return -1;
  json_object* object = Json_Parse(text, std::strlen(text));
  // A whole value that is not an object has no members to walk.
  if (object == nullptr || json_object_get_type(object) != json_type_object) {
    json_object_put(object);
    return -1;
  }
  int32_t result = -1;
  if (map < 0) {
    result = F_JsonToNewMap(object);
  } else if (CDS_Map* existing = g_DsMaps.Get(map)) {
    AddMembers(existing, object);
  }
  json_object_put(object);
  return result;
}

// --- script functions --------------------------------------------------------------------------

namespace {

std::string Trimmed(const std::string& text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
  while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
  return text.substr(first, last - first);
}

// The id of a new map holding the object, or -1 when the text is not a JSON object.
int32_t DecodeObject(const std::string& text) {
  json_object* object = Json_Parse(text.data(), text.size());
  if (object == nullptr || json_object_get_type(object) != json_type_object) {
    json_object_put(object);
    return -1;
  }
  const int32_t id = F_JsonToNewMap(object);
  json_object_put(object);
  return id;
}

std::string QuotedDefault(const std::string& text) { return "{ \"default\" : \"" + text + "\" }"; }
std::string RawDefault(const std::string& text) { return "{ \"default\" : " + text + " }"; }

}  // namespace

void F_JsonEncode(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const Args a{argc, args};
  std::string text;
  if (!F_JsonMapToText(a.I(0), &text)) text.clear();
  RValue_SetString(result, text.c_str());
}

void F_JsonDecode(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  const Args a{argc, args};
  std::string text;
  if (const char* given = a.Text(0)) {
    text = given;
  } else {
    char number[400];
    std::snprintf(number, sizeof number, "{ \"default\" : \"%.2f\" }", a.R(0));
    text = number;
  }
  const std::string bare = Trimmed(text);
  const auto enclosed = [&bare](char open, char close) {
    return bare.size() >= 2 && bare.front() == open && bare.back() == close;
  };
  int32_t id = -1;
  if (!enclosed('{', '}')) {
    // One JSON string is a value like an array: it is taken as it stands before being quoted.
    if (enclosed('"', '"')) id = DecodeObject(RawDefault(text));
    text = enclosed('[', ']') ? RawDefault(text) : QuotedDefault(text);
  }
  if (id < 0) id = DecodeObject(text);
  if (id < 0) id = DecodeObject(QuotedDefault(text));
  Args_SetReal(result, id);
}
