// STAND-IN until the HTTP workers are built: a GET, POST or general request queues its request
// record in the asynchronous queue and nothing downloads it; tests (or whatever drives the queue)
// finish it by hand, after which the next walk of the queue runs its completion and clean-up as
// for a real download. The record keeps what the request would send, so tests can read it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "world/async_queue.h"

// A queued request with what it sends: the method, the header lines and the body bytes.
struct HTTP_SentRequest : HTTP_REQ_CONTEXT {
  using HTTP_REQ_CONTEXT::HTTP_REQ_CONTEXT;
  std::string method;
  std::string headers;
  std::vector<uint8_t> body;
};

// Starts a GET of the URL; the record keeps the user data. `kind` is not read.
bool HTTP_Get(const char* url, int32_t kind, AsyncCompletionFn completion, AsyncRecordFn cleanup, void* userData);
// Starts a POST of the text (null: an empty body) as a form.
bool HTTP_Post(const char* url, const char* body, AsyncCompletionFn completion, AsyncRecordFn cleanup,
               void* userData);
// Starts a request of the method with the header lines ("Name: value\r\n" each). A body length
// of 0 or more sends that many bytes of the body; below 0 the body is a text sent up to its
// NUL. A null body sends nothing.
bool HTTP_Request(const char* url, const char* method, const char* headers, const uint8_t* body, int32_t bodyLength,
                  AsyncCompletionFn completion, AsyncRecordFn cleanup, void* userData);

// The oldest GET of that URL still waiting to be finished, or null.
HTTP_REQ_CONTEXT* HTTP_FindPendingGet(const char* url);
// The oldest request of any kind to that URL still waiting to be finished, or null.
HTTP_SentRequest* HTTP_FindPendingRequest(const char* url);
// Finishes a waiting request as a download would: the status, the body, and done.
void HTTP_FinishGet(HTTP_REQ_CONTEXT* record, int32_t httpStatus, const std::vector<uint8_t>& body);
