// STAND-IN: see http_stand_in.h.
#include "assets/http_stand_in.h"

#include <cstring>

#include "core/memory_manager.h"

bool HTTP_Get(const char* url, int32_t, AsyncCompletionFn completion, AsyncRecordFn cleanup, void* userData) {
  if (url == nullptr) return false;
  auto* record = new HTTP_REQ_CONTEXT(url, 0, completion, cleanup, userData, false);
  record->m_status = kAsyncStatusSent;
  return true;
}

HTTP_REQ_CONTEXT* HTTP_FindPendingGet(const char* url) {
  HTTP_REQ_CONTEXT* found = nullptr;
  // New records go to the head: the last match is the oldest.
  for (HTTP_REQ_CONTEXT* r = g_pHttpHead; r != nullptr; r = r->m_pNext) {
    if (r->m_status.load() == kAsyncStatusSent && r->m_pURL != nullptr && url != nullptr &&
        std::strcmp(r->m_pURL, url) == 0) {
      found = r;
    }
  }
  return found;
}

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
