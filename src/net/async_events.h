// Finished asynchronous events that carry a map, as producers outside the network code post
// them: the next drain of the queue fires the asynchronous event of that number with the map in
// async_load and destroys the map afterwards.
#pragma once

#include <cstdint>

// The ds_map of the in-app purchase event being delivered; -1 while none is. (async_load is the
// queue's g_AsyncLoad, net/async_queue.h.)
extern int32_t iap_data;

// The asynchronous System event (gamepads, among others).
inline constexpr int32_t kAsyncEventSystem = 75;

// One entry of the event's map: the text when it is not null, else the real value.
struct AsyncMapEntry {
  const char* key;
  const char* text;
  double real;
};

// Builds a ds_map from the entries (in order; a repeated key keeps its first value) and queues the
// event at the tail of the asynchronous queue (net/async_queue.h). Any thread may post: off the
// main thread the map is made at the next walk of the queue.
void Async_PostEventMap(int32_t eventNumber, const AsyncMapEntry* entries, int32_t count);
