// STAND-IN until the HTTP workers are built: a GET queues its request record in the asynchronous
// queue and nothing downloads it; tests (or whatever drives the queue) finish it by hand, after
// which the next walk of the queue runs its completion and clean-up as for a real download.
#pragma once

#include <cstdint>
#include <vector>

#include "world/async_queue.h"

// Starts a GET of the URL; the record keeps the user data. `kind` is not read.
bool HTTP_Get(const char* url, int32_t kind, AsyncCompletionFn completion, AsyncRecordFn cleanup, void* userData);

// The oldest GET of that URL still waiting to be finished, or null.
HTTP_REQ_CONTEXT* HTTP_FindPendingGet(const char* url);
// Finishes a waiting GET as a download would: the status, the body, and done.
void HTTP_FinishGet(HTTP_REQ_CONTEXT* record, int32_t httpStatus, const std::vector<uint8_t>& body);
