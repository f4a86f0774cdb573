#include "net/async_events.h"
#include "net/async_events_stand_in.h"

std::vector<AsyncRecordedEvent> g_AsyncRecordedEvents;

const AsyncRecordedValue* AsyncRecordedEvent::Find(const std::string& key) const {
  for (const auto& entry : entries) {
    if (entry.first == key) return &entry.second;
  }
  return nullptr;
}

void Async_PostEventMap(int32_t eventNumber, const AsyncMapEntry* entries, int32_t count) {
  AsyncRecordedEvent event;
  event.eventNumber = eventNumber;
  for (int32_t i = 0; i < count; ++i) {
    const AsyncMapEntry& e = entries[i];
    if (e.key == nullptr || event.Find(e.key) != nullptr) continue;
    AsyncRecordedValue value;
    value.isText = e.text != nullptr;
    if (value.isText) value.text = e.text;
    value.real = e.real;
    event.entries.emplace_back(e.key, std::move(value));
  }
  g_AsyncRecordedEvents.push_back(std::move(event));
}
