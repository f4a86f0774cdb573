#include "io/async_post.h"

int32_t iap_data = -1;
int32_t g_AsyncLoad = -1;

namespace {
AsyncEventPoster g_poster = nullptr;
}  // namespace

void Async_PostEventMap(int32_t eventNumber, const AsyncMapEntry* entries, int32_t count) {
  if (g_poster != nullptr) g_poster(eventNumber, entries, count);
}

AsyncEventPoster Async_SetEventPoster(AsyncEventPoster poster) {
  const AsyncEventPoster previous = g_poster;
  g_poster = poster;
  return previous;
}
