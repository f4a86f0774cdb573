// The HTTP script functions: http_get, http_post_string, http_get_file and http_request. Each
// checks and prepares a request, hands it to the request layer and answers the request's id; the
// answer arrives later as the map of asynchronous event 62, which one of three completions makes
// (the answer as text, as a file in the save area, or copied into a buffer).
#pragma once

#include <cstdint>
#include <string>

#include "core/function_registry.h"
#include "core/value.h"
#include "world/async_queue.h"

// Whether a request may go to the URL: it begins exactly "http://" or "https://".
bool Http_UrlAllowed(const char* url);

// The header lines of a header map: "key: value\r\n" per entry in the map's order, keys and
// values in their text form. *contentLength is the value of a "Content-Length" entry (atoi
// rules), else -1. A map id that names no map gives no lines.
std::string Http_HeaderLines(int32_t map, int32_t* contentLength);

// The completions, each giving event 62 and its result map in *asyncLoad. User data: none for
// text; the mapped path (memory-manager text) for files; the buffer target for buffers.
int32_t Http_TextCompletion(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
int32_t Http_FileCompletion(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
int32_t Http_BufferCompletion(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);

void F_HttpGet(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void F_HttpPostString(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void F_HttpGetFile(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
void F_HttpRequest(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
