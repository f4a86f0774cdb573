// Posting finished asynchronous events that carry a map, for producers below the asynchronous
// queue (gamepads found or lost, among others), and the map values that scripts read while such
// an event is delivered.
#pragma once

#include <cstdint>

// The asynchronous System event (gamepads, among others).
inline constexpr int32_t kAsyncEventSystem = 75;

// One entry of the event's map: the text when it is not null, else the real value.
struct AsyncMapEntry {
  const char* key;
  const char* text;
  double real;
};

// Queues the event with a map made of the entries through the installed poster (the host
// installs the asynchronous queue's); without one the event is dropped. Any thread may post.
void Async_PostEventMap(int32_t eventNumber, const AsyncMapEntry* entries, int32_t count);
using AsyncEventPoster = void (*)(int32_t eventNumber, const AsyncMapEntry* entries, int32_t count);
// Installs the poster (at start-up, before any thread posts) and returns the one before.
AsyncEventPoster Async_SetEventPoster(AsyncEventPoster poster);

// The ds_map of the in-app purchase event being delivered; -1 while none is.
extern int32_t iap_data;
// The ds_map of the asynchronous event being delivered (async_load); -1 while none is.
extern int32_t g_AsyncLoad;
