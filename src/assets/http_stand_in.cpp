// STAND-IN: see http_stand_in.h.
#include "assets/http_stand_in.h"

#include <cstring>

#include "core/memory_manager.h"

namespace {

HTTP_SentRequest* Queue(const char* url, const char* method, AsyncCompletionFn completion, AsyncRecordFn cleanup,
                        void* userData) {
  auto* record = new HTTP_SentRequest(url, 0, completion, cleanup, userData, false);
  record->method = method;
  record->m_status = kAsyncStatusSent;
  return record;
}

// The oldest waiting request to the URL (of that method, when one is given).
HTTP_SentRequest* FindPending(const char* url, const char* method) {
  if (url == nullptr) return nullptr;
  HTTP_SentRequest* found = nullptr;
  // New records go to the head: the last match is the oldest.
  for (HTTP_REQ_CONTEXT* r = g_pHttpHead; r != nullptr; r = r->m_pNext) {
    auto* sent = dynamic_cast<HTTP_SentRequest*>(r);
    if (sent != nullptr && r->m_status.load() == kAsyncStatusSent && r->m_pURL != nullptr &&
        std::strcmp(r->m_pURL, url) == 0 && (method == nullptr || sent->method == method)) {
      found = sent;
    }
  }
  return found;
}

}  // namespace

bool HTTP_Get(const char* url, int32_t, AsyncCompletionFn completion, AsyncRecordFn cleanup, void* userData) {
  if (url == nullptr) return false;
  Queue(url, "GET", completion, cleanup, userData);
  return true;
}

bool HTTP_Post(const char* url, const char* body, AsyncCompletionFn completion, AsyncRecordFn cleanup,
               void* userData) {
  if (url == nullptr) return false;
  HTTP_SentRequest* record = Queue(url, "POST", completion, cleanup, userData);
  record->headers = "Content-Type: application/x-www-form-urlencoded\r\n";
  if (body != nullptr) record->body.assign(body, body + std::strlen(body));
  return true;
}

bool HTTP_Request(const char* url, const char* method, const char* headers, const uint8_t* body, int32_t bodyLength,
                  AsyncCompletionFn completion, AsyncRecordFn cleanup, void* userData) {
  if (url == nullptr || method == nullptr) return false;
  HTTP_SentRequest* record = Queue(url, method, completion, cleanup, userData);
  if (headers != nullptr) record->headers = headers;
  if (body != nullptr) {
    const size_t n = bodyLength >= 0 ? static_cast<size_t>(bodyLength) : std::strlen(reinterpret_cast<const char*>(body));
    record->body.assign(body, body + n);
  }
  return true;
}

HTTP_SentRequest* HTTP_FindPendingRequest(const char* url) { return FindPending(url, nullptr); }

HTTP_REQ_CONTEXT* HTTP_FindPendingGet(const char* url) { return FindPending(url, "GET"); }

void HTTP_FinishGet(HTTP_REQ_CONTEXT* record, int32_t httpStatus, const std::vector<uint8_t>& body) {
  if (record == nullptr) return;
  MEM_FREE(record->m_pBuffer);
  record->m_pBuffer = nullptr;
  record->m_bufferSize = 0;
  if (!body.empty()) {
    record->m_pBuffer = static_cast<uint8_t*>(MEM_ALLOC_RAW(body.size()));
    std::memcpy(record->m_pBuffer, body.data(), body.size());
    record->m_bufferSize = static_cast<int32_t>(body.size());
  }
  record->m_received = record->m_bufferSize;
  record->m_httpStatus = httpStatus;
  record->m_status = kAsyncStatusDone;
}
