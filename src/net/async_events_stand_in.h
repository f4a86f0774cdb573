// STAND-IN until the asynchronous queue and the ds_map table are built: posted events are only
// recorded, in order, so that tests can read what would have reached the game.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct AsyncRecordedValue {
  bool isText = false;
  std::string text;
  double real = 0.0;
};

struct AsyncRecordedEvent {
  int32_t eventNumber = 0;
  std::vector<std::pair<std::string, AsyncRecordedValue>> entries;  // keys in map order

  // The value of a key, or null when the map does not hold it.
  const AsyncRecordedValue* Find(const std::string& key) const;
};

extern std::vector<AsyncRecordedEvent> g_AsyncRecordedEvents;
