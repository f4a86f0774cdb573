// What tests read of the asynchronous queue: the map events waiting in it, with their maps'
// entries as texts and numbers.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "world/async_queue.h"

namespace async_test {

struct Value {
  bool isText = false;
  std::string text;
  double real = 0.0;
};

struct MapEvent {
  int32_t eventNumber = 0;
  std::vector<std::pair<std::string, Value>> entries;  // in the map's order

  const Value* Find(const std::string& key) const {
    for (const auto& entry : entries) {
      if (entry.first == key) return &entry.second;
    }
    return nullptr;
  }
};

// The entries of the ds_map with that id (none when the id names no map).
inline std::vector<std::pair<std::string, Value>> MapEntries(int32_t id) {
  std::vector<std::pair<std::string, Value>> out;
  const CDS_Map* map = g_DsMaps.Get(id);
  if (map == nullptr) return out;
  map->ForEach([&](const CDS_MapEntry& e) {
    Value v;
    v.isText = RValue_Kind(&e.value) == VALUE_STRING;
    if (v.isText) {
      v.text = e.value.pString != nullptr && e.value.pString->text != nullptr ? e.value.pString->text : "";
    } else {
      v.real = e.value.val;
    }
    const std::string key = RValue_Kind(&e.key) == VALUE_STRING && e.key.pString != nullptr ? e.key.pString->text : "";
    out.emplace_back(key, std::move(v));
  });
  return out;
}

// The map events in the queue, head first.
inline std::vector<MapEvent> QueuedMapEvents() {
  std::vector<MapEvent> out;
  for (const HTTP_REQ_CONTEXT* r = g_pHttpHead; r != nullptr; r = r->m_pNext) {
    if (r->m_pCompletion != Async_MapEventResult || r->m_pUserData == nullptr) continue;
    const auto* data = static_cast<const AsyncMapEventData*>(r->m_pUserData);
    out.push_back({data->eventNumber, MapEntries(data->map)});
  }
  return out;
}

}  // namespace async_test
