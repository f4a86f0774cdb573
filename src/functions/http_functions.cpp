#include "functions/http_functions.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "assets/http_stand_in.h"
#include "core/memory_manager.h"
#include "core/value_text.h"
#include "functions/buffer_functions.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "functions/handler_args.h"
#include "io/file_services.h"
#include "io/load_save.h"

namespace {

// The buffer a request answers into. The buffer's in-use count stays raised until the record's
// clean-up, so buffer_delete refuses it meanwhile. The table's generation is kept too: the end of
// a game frees buffers whatever their count, and a new buffer may then take the same slot and
// address.
struct BufferTarget {
  int32_t index;
  IBuffer* buffer;
  uint64_t generation;
};

IBuffer* LiveBuffer(const BufferTarget* target) {
  return target != nullptr && target->generation == Buffer_TableGeneration() &&
                 GetBuffer(target->index) == target->buffer
             ? target->buffer
             : nullptr;
}

void ReleaseBufferTarget(HTTP_REQ_CONTEXT* record) {
  auto* target = static_cast<BufferTarget*>(record->m_pUserData);
  if (IBuffer* buffer = LiveBuffer(target); buffer != nullptr && buffer->m_inUseCount > 0) --buffer->m_inUseCount;
  delete target;
  record->m_pUserData = nullptr;
}

void FreePath(HTTP_REQ_CONTEXT* record) {
  MEM_FREE(record->m_pUserData);
  record->m_pUserData = nullptr;
}

// The bytes of the answer that arrived: never more than the record holds.
int32_t AnswerLength(const HTTP_REQ_CONTEXT* record) {
  if (record->m_pBuffer == nullptr) return 0;
  return std::clamp(record->m_received.load(), 0, std::max(record->m_bufferSize, 0));
}

// The result map of every completion: the common keys, then the completion's own.
int32_t FinishMap(HTTP_REQ_CONTEXT* record, int32_t* asyncLoad, std::vector<DsMapPair> own) {
  std::vector<DsMapPair> pairs = {
      {"id", static_cast<double>(record->m_id), nullptr},
      {"url", 0.0, record->m_pURL != nullptr ? record->m_pURL : ""},
  };
  pairs.insert(pairs.end(), own.begin(), own.end());
  pairs.push_back({"http_status", static_cast<double>(record->m_httpStatus), nullptr});
  pairs.push_back({"response_headers", static_cast<double>(record->m_headerMap), nullptr});
  *asyncLoad = CreateDsMapOf(pairs.data(), static_cast<int32_t>(pairs.size()));
  return kAsyncEventHttp;
}

// The request's id, which the record made next takes; -1 when the URL is refused.
template <typename Start>
double StartRequest(const char* url, Start start) {
  if (!Http_UrlAllowed(url)) return -1;
  const int32_t id = Async_NextRequestId();
  return start() ? id : -1;
}

}  // namespace

bool Http_UrlAllowed(const char* url) {
  return url != nullptr && (std::strncmp(url, "http://", 7) == 0 || std::strncmp(url, "https://", 8) == 0);
}

std::string Http_HeaderLines(int32_t map, int32_t* contentLength) {
  *contentLength = -1;
  std::string lines;
  const CDS_Map* headers = g_DsMaps.Get(map);
  if (headers == nullptr) return lines;
  headers->ForEach([&](const CDS_MapEntry& e) {
    char* base = nullptr;
    char* cursor = nullptr;
    size_t capacity = 0;
    RValue_AppendText(&cursor, &base, &capacity, &e.key);
    const std::string key = base != nullptr ? base : "";
    MEM_FREE(base);
    base = cursor = nullptr;
    capacity = 0;
    RValue_AppendText(&cursor, &base, &capacity, &e.value);
    const std::string value = base != nullptr ? base : "";
    MEM_FREE(base);
    if (RValue_Kind(&e.key) == VALUE_STRING && key == "Content-Length") *contentLength = std::atoi(value.c_str());
    lines += key + ": " + value + "\r\n";
  });
  return lines;
}

int32_t Http_TextCompletion(HTTP_REQ_CONTEXT* record, void*, int32_t* asyncLoad) {
  const int32_t length = AnswerLength(record);
  // The result is a text: it stops at the answer's first NUL.
  const std::string text =
      length > 0 ? std::string(reinterpret_cast<const char*>(record->m_pBuffer), static_cast<size_t>(length)) : "";
  return FinishMap(record, asyncLoad,
                   {{"result", 0.0, text.c_str()}, {"status", length > 0 ? 0.0 : -1.0, nullptr}});
}

int32_t Http_FileCompletion(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad) {
  const char* path = userData != nullptr ? static_cast<const char*>(userData) : "";
  const bool written = path[0] != '\0' && LoadSave_WriteFile(path, record->m_pBuffer, AnswerLength(record));
  return FinishMap(record, asyncLoad, {{"result", 0.0, path}, {"status", written ? 0.0 : -1.0, nullptr}});
}

int32_t Http_BufferCompletion(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad) {
  const int32_t length = AnswerLength(record);
  int32_t position = 0;
  if (IBuffer* buffer = LiveBuffer(static_cast<BufferTarget*>(userData)); buffer != nullptr) {
    const int64_t end = length > 0 ? CopyMemoryToBuffer(buffer, record->m_pBuffer, length, 0, length,
                                                         buffer->m_position, true, false, false)
                                   : -1;
    position = end > 0 ? static_cast<int32_t>(end) : 0;
    buffer->m_position = position;
  }
  return FinishMap(record, asyncLoad,
                   {{"result", static_cast<double>(position), nullptr},
                    {"contentLength", static_cast<double>(length), nullptr},
                    {"sizeDownloaded", static_cast<double>(length), nullptr},
                    {"status", length > 0 ? 0.0 : -1.0, nullptr}});
}

BUILTIN_FN(F_HttpGet) {
  HANDLER_ARGS;
  const char* url = a.S(0);
  Args_SetReal(result, StartRequest(url, [&] { return HTTP_Get(url, 0, Http_TextCompletion, nullptr, nullptr); }));
}

BUILTIN_FN(F_HttpPostString) {
  HANDLER_ARGS;
  const char* url = a.S(0);
  const char* body = a.S(1);
  Args_SetReal(result,
               StartRequest(url, [&] { return HTTP_Post(url, body, Http_TextCompletion, nullptr, nullptr); }));
}

BUILTIN_FN(F_HttpGetFile) {
  HANDLER_ARGS;
  const char* url = a.S(0);
  const char* name = a.S(1);
  Args_SetReal(result, StartRequest(url, [&] {
                 // A name the save area refuses has nowhere to go: nothing starts.
                 const std::string path = name != nullptr && name[0] != '\0' ? LoadSave_MapSavePath(name) : "";
                 if (path.empty()) return false;
                 File_CreateParentDirectory(path.c_str());
                 char* copy = static_cast<char*>(MEM_ALLOC(path.size() + 1));
                 std::memcpy(copy, path.c_str(), path.size() + 1);
                 if (HTTP_Get(url, 0, Http_FileCompletion, FreePath, copy)) return true;
                 MEM_FREE(copy);
                 return false;
               }));
}

BUILTIN_FN(F_HttpRequest) {
  HANDLER_ARGS;
  const char* url = a.S(0);
  const char* method = a.S(1);
  Args_SetReal(result, StartRequest(url, [&] {
                 if (method == nullptr) return false;
                 int32_t contentLength = -1;
                 const std::string headers = Http_HeaderLines(a.I(2), &contentLength);
                 if (const char* text = a.Text(3); text != nullptr) {
                   return HTTP_Request(url, method, headers.c_str(), reinterpret_cast<const uint8_t*>(text), -1,
                                       Http_TextCompletion, nullptr, nullptr);
                 }
                 const RValue* bodyArg = a.V(3);
                 const uint32_t kind = bodyArg != nullptr ? RValue_Kind(bodyArg) : VALUE_UNDEFINED;
                 const bool number = kind == VALUE_REAL || kind == VALUE_INT32 || kind == VALUE_INT64;
                 const int32_t index = number ? a.I(3) : -1;
                 IBuffer* buffer = GetBuffer(index);
                 if (buffer == nullptr) return false;
                 if (buffer->m_position != 0) {
                   // Never past the buffer: a length outside 0..size gives the text the buffer holds,
                   // its bytes up to the first zero byte inside it.
                   const uint8_t* data = buffer->GetData();
                   const int32_t size = data != nullptr ? buffer->m_size : 0;
                   int32_t length = contentLength;
                   if (length < 0 || length > size) {
                     const void* zero = size > 0 ? std::memchr(data, 0, static_cast<size_t>(size)) : nullptr;
                     length = zero != nullptr ? static_cast<int32_t>(static_cast<const uint8_t*>(zero) - data) : size;
                   }
                   static const uint8_t kNothing = 0;
                   return HTTP_Request(url, method, headers.c_str(), data != nullptr ? data : &kNothing, length,
                                       Http_TextCompletion, nullptr, nullptr);
                 }
                 auto* target = new BufferTarget{index, buffer, Buffer_TableGeneration()};
                 ++buffer->m_inUseCount;
                 if (HTTP_Request(url, method, headers.c_str(), nullptr, -1, Http_BufferCompletion,
                                  ReleaseBufferTarget, target)) {
                   return true;
                 }
                 --buffer->m_inUseCount;
                 delete target;
                 return false;
               }));
}
