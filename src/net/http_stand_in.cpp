// STAND-IN: see http_stand_in.h.
#include "net/http_stand_in.h"

#include <memory>

namespace {
std::vector<std::unique_ptr<HTTP_REQ_CONTEXT>> g_pending;

void Finish(std::unique_ptr<HTTP_REQ_CONTEXT> context) {
  if (context->cleanup != nullptr) context->cleanup(context.get());
}
}  // namespace

void HttpResultMap::AddText(const char* key, const std::string& text) {
  texts.push_back(text);
  entries.push_back(AsyncMapEntry{key, texts.back().c_str(), 0.0});
}

void HttpResultMap::AddReal(const char* key, double value) { entries.push_back(AsyncMapEntry{key, nullptr, value}); }

bool HTTP_Get(const char* url, int32_t, HttpCompletionFn completion, HttpCleanupFn cleanup, void* userData) {
  if (url == nullptr) return false;
  auto context = std::make_unique<HTTP_REQ_CONTEXT>();
  context->url = url;
  context->completion = completion;
  context->cleanup = cleanup;
  context->userData = userData;
  g_pending.push_back(std::move(context));
  return true;
}

size_t HTTP_PendingCount() { return g_pending.size(); }

const HTTP_REQ_CONTEXT* HTTP_Pending(size_t index) { return index < g_pending.size() ? g_pending[index].get() : nullptr; }

bool HTTP_CompleteRequest(size_t index, int32_t httpStatus, const std::vector<uint8_t>& body) {
  if (index >= g_pending.size()) return false;
  std::unique_ptr<HTTP_REQ_CONTEXT> context = std::move(g_pending[index]);
  g_pending.erase(g_pending.begin() + static_cast<std::ptrdiff_t>(index));
  context->httpStatus = httpStatus;
  context->body = body;
  if (context->completion != nullptr) {
    HttpResultMap map;
    const int32_t event = context->completion(context.get(), context->userData, &map);
    Async_PostEventMap(event, map.entries.data(), static_cast<int32_t>(map.entries.size()));
  }
  Finish(std::move(context));
  return true;
}

void HTTP_DiscardAll() {
  std::vector<std::unique_ptr<HTTP_REQ_CONTEXT>> pending = std::move(g_pending);
  g_pending.clear();
  for (auto& context : pending) Finish(std::move(context));
}
