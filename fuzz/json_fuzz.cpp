// Feeds arbitrary bytes to the JSON reader as json_decode and secure map files use it. No text may
// make the parse read past its bytes, recurse without bound or leak a map or list; what it
// accepts becomes a map whose printed text parses again and settles on one form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <json-c/json.h>

#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "functions/json_functions.h"

namespace {

template <typename T>
bool AllEmpty(const DsTable<T>& table) {
  for (int32_t id = 0; id < table.Count(); ++id) {
    if (table.Get(id) != nullptr) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // A copy of exactly the input's length, so that a read past the end is caught.
  char* text = static_cast<char*>(std::malloc(size > 0 ? size : 1));
  for (size_t i = 0; i < size; ++i) text[i] = static_cast<char>(data[i]);
  json_object* parsed = Json_Parse(text, size);
  std::free(text);
  if (parsed != nullptr) {
    if (json_object_is_type(parsed, json_type_object)) {
      // A real past the double range prints as null, which the next read leaves out: from the
      // second print on, the text must not change.
      const int32_t map = F_JsonToNewMap(parsed);
      std::string once;
      if (!F_JsonMapToText(map, &once)) std::abort();
      const int32_t again = F_JsonParseIntoMap(once.c_str(), -1);
      std::string twice;
      if (again < 0 || !F_JsonMapToText(again, &twice)) std::abort();
      const int32_t third = F_JsonParseIntoMap(twice.c_str(), -1);
      std::string thrice;
      if (third < 0 || !F_JsonMapToText(third, &thrice) || thrice != twice) std::abort();
      DS_DestroyMap(map);
      DS_DestroyMap(again);
      DS_DestroyMap(third);
    }
    json_object_put(parsed);
  }
  // Whatever a text made, destroying its maps leaves no map or list behind.
  if (!AllEmpty(g_DsMaps) || !AllEmpty(g_DsLists)) std::abort();
  return 0;
}
