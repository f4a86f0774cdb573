// STAND-IN until the asynchronous queue and its HTTP workers are built: GET requests are only
// kept, and tests (or whatever drives the queue) complete them by hand. Completing one runs its
// completion function on the calling thread, posts the asynchronous event it names with the map
// it filled, then runs its clean-up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "net/async_events.h"

// The result map a completion function fills: keys with texts or real values, in order.
struct HttpResultMap {
  std::vector<AsyncMapEntry> entries;
  std::deque<std::string> texts;  // the texts the entries point at

  void AddText(const char* key, const std::string& text);
  void AddReal(const char* key, double value);
};

struct HTTP_REQ_CONTEXT;
// Returns the number of the event to fire with the map.
using HttpCompletionFn = int32_t (*)(HTTP_REQ_CONTEXT* context, void* userData, HttpResultMap* map);
// Frees the user data.
using HttpCleanupFn = void (*)(HTTP_REQ_CONTEXT* context);

struct HTTP_REQ_CONTEXT {
  std::string url;
  int32_t httpStatus = 0;
  std::vector<uint8_t> body;
  HttpCompletionFn completion = nullptr;
  HttpCleanupFn cleanup = nullptr;
  void *userData = nullptr;
};

// Starts a GET of the URL; the context keeps the user data. `kind` is not read.
bool HTTP_Get(const char* url, int32_t kind, HttpCompletionFn completion, HttpCleanupFn cleanup, void* userData);

// Requests started and not yet completed, oldest first.
size_t HTTP_PendingCount();
const HTTP_REQ_CONTEXT* HTTP_Pending(size_t index);
// Completes the pending request `index` with a status and a body; false when there is none.
bool HTTP_CompleteRequest(size_t index, int32_t httpStatus, const std::vector<uint8_t>& body);
// Drops every pending request, running each clean-up.
void HTTP_DiscardAll();
