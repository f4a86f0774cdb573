#include "world/async_queue.h"

#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "functions/buffer_functions.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "world/async_deliveries_stand_in.h"
#include "net/async_events.h"
#include "vm/script_table.h"

HTTP_REQ_CONTEXT* g_pHttpHead = nullptr;

namespace {

int32_t g_nextId = 0;
uint64_t g_phase = 0;

// Static initialisation runs on the thread that runs the game.
const std::thread::id g_mainThread = std::this_thread::get_id();
bool OnMainThread() { return std::this_thread::get_id() == g_mainThread; }

// One entry of a map still to be made.
struct EntryCopy {
  bool isText = false;
  std::string text;
  double real = 0.0;
};
using EntryCopies = std::vector<std::pair<std::string, EntryCopy>>;

// A map event posted off the main thread: the map (or the entries to build it from) waits here
// until the walk, which alone touches the queue and the ds_map table.
struct HandOff {
  int32_t map = -1;
  int32_t buffer = -1;
  int32_t eventNumber = 0;
  uint64_t mapSerial = 0;  // of `map` when it was posted
  bool build = false;  // make the map from the entries
  EntryCopies entries;
};
std::mutex g_handOffLock;
std::vector<HandOff> g_handOff;
// Cleared by Async_Shutdown until the next game opens the queue: a worker of the game that ended
// must not deliver into the next one.
bool g_handOffOpen = true;

// Off the main thread: queues a hand-off while the queue is open, else drops it.
void HandOver(HandOff h) {
  std::lock_guard<std::mutex> lock(g_handOffLock);
  if (g_handOffOpen) g_handOff.push_back(std::move(h));
}

bool HandOffOpen() {
  std::lock_guard<std::mutex> lock(g_handOffLock);
  return g_handOffOpen;
}

// The slot holds the map with this serial.
bool HoldsMap(int32_t id, uint64_t serial) {
  const CDS_Map* map = g_DsMaps.Get(id);
  return map != nullptr && map->Serial() == serial;
}
uint64_t SerialOf(int32_t id) {
  const CDS_Map* map = g_DsMaps.Get(id);
  return map != nullptr ? map->Serial() : 0;
}

void LinkAtTail(HTTP_REQ_CONTEXT* record) {
  if (g_pHttpHead == nullptr) {
    g_pHttpHead = record;
    return;
  }
  HTTP_REQ_CONTEXT* last = g_pHttpHead;
  while (last->m_pNext != nullptr) last = last->m_pNext;
  last->m_pNext = record;
}

void Unlink(HTTP_REQ_CONTEXT* record) {
  for (HTTP_REQ_CONTEXT** at = &g_pHttpHead; *at != nullptr; at = &(*at)->m_pNext) {
    if (*at == record) {
      *at = record->m_pNext;
      record->m_pNext = nullptr;
      return;
    }
  }
}

bool Queued(const HTTP_REQ_CONTEXT* record) {
  for (const HTTP_REQ_CONTEXT* r = g_pHttpHead; r != nullptr; r = r->m_pNext) {
    if (r == record) return true;
  }
  return false;
}

void QueueMapEvent(int32_t map, uint64_t mapSerial, int32_t buffer, int32_t eventNumber) {
  auto* data = static_cast<AsyncMapEventData*>(MEM_ALLOC(sizeof(AsyncMapEventData)));
  *data = AsyncMapEventData{map, eventNumber, buffer, mapSerial};
  auto* record = new HTTP_REQ_CONTEXT(nullptr, 0, Async_MapEventResult, Async_MapEventCleanup, data, true);
  record->m_status = kAsyncStatusDone;
}

// Makes the map of the entries and queues its event.
void QueueNewMap(const EntryCopies& entries, int32_t buffer, int32_t eventNumber) {
  std::vector<DsMapPair> pairs;
  pairs.reserve(entries.size());
  for (const auto& [key, value] : entries) {
    pairs.push_back({key.c_str(), value.real, value.isText ? value.text.c_str() : nullptr});
  }
  const int32_t id = CreateDsMapOf(pairs.data(), static_cast<int32_t>(pairs.size()));
  QueueMapEvent(id, SerialOf(id), buffer, eventNumber);
}

bool PlainValue(const RValue& value) {
  switch (RValue_Kind(&value)) {
    case VALUE_REAL:
    case VALUE_INT32:
    case VALUE_INT64:
    case VALUE_BOOL:
    case VALUE_UNDEFINED:
      return true;
    default:
      return false;
  }
}

void TakeHandOff() {
  std::vector<HandOff> waiting;
  {
    std::lock_guard<std::mutex> lock(g_handOffLock);
    waiting.swap(g_handOff);
  }
  for (const HandOff& h : waiting) {
    if (h.build) {
      QueueNewMap(h.entries, h.buffer, h.eventNumber);
    } else {
      QueueMapEvent(h.map, h.mapSerial, h.buffer, h.eventNumber);
    }
  }
}

// Runs the event of the map handed out in async_load, then destroys that map unless the game
// emptied its slot (and perhaps filled it with a map of its own).
void Deliver(int32_t eventNumber, void (*perform)(int32_t)) {
  const int32_t handed = g_AsyncLoad;
  const uint64_t serial = SerialOf(handed);
  if (eventNumber >= kAsyncFirstEvent) perform(eventNumber);
  if (handed >= 0 && HoldsMap(handed, serial)) DS_DestroyMap(handed);
  g_AsyncLoad = -1;
}

// The deferred script calls and their lock.
std::mutex g_deferredLock;
std::deque<RValue> g_deferred;

// The next value of the queue (undefined when it is empty).
bool TakeDeferred(RValue* out) {
  std::lock_guard<std::mutex> lock(g_deferredLock);
  if (g_deferred.empty()) {
    *out = RValue_MakeUndefined();
    return false;
  }
  *out = g_deferred.front();  // the reference moves with the value
  g_deferred.pop_front();
  return true;
}

// The argument count as a number; any other kind counts no arguments.
double CountOf(const RValue& v) {
  switch (RValue_Kind(&v)) {
    case VALUE_REAL:
    case VALUE_BOOL:
      return v.val;
    case VALUE_INT32:
      return v.v32;
    case VALUE_INT64:
      return static_cast<double>(v.v64);
    default:
      return 0.0;
  }
}

}  // namespace

// --- the record ------------------------------------------------------------------------------

HTTP_REQ_CONTEXT::HTTP_REQ_CONTEXT(const char* url, int32_t bufferSize, AsyncCompletionFn completion,
                                   AsyncRecordFn cleanup, void* userData, bool append)
    : m_pCompletion(completion), m_pCleanup(cleanup), m_pUserData(userData), m_id(g_nextId++) {
  if (bufferSize > 0) {
    m_pBuffer = static_cast<uint8_t*>(MEM_ALLOC(static_cast<size_t>(bufferSize)));
    std::memset(m_pBuffer, 0xFF, static_cast<size_t>(bufferSize));
  }
  m_bufferSize = bufferSize;
  if (url != nullptr) {
    const size_t n = std::strlen(url) + 1;
    m_pURL = static_cast<char*>(MEM_ALLOC(n));
    std::memcpy(m_pURL, url, n);
  }
  if (append && g_pHttpHead != nullptr) {
    LinkAtTail(this);
  } else {
    m_pNext = g_pHttpHead;
    g_pHttpHead = this;
  }
}

HTTP_REQ_CONTEXT::~HTTP_REQ_CONTEXT() {
  MEM_FREE(m_pBuffer);
  MEM_FREE(m_pURL);
  if (m_headerMap >= 0 && HoldsMap(m_headerMap, m_headerMapSerial)) DS_DestroyMap(m_headerMap);
}

void HTTP_REQ_CONTEXT::SetHeaderMap(int32_t map) {
  m_headerMap = map;
  m_headerMapSerial = SerialOf(map);
}

int32_t Async_NextRequestId() { return g_nextId; }

// --- map events ------------------------------------------------------------------------------

void Async_PostMapEvent(int32_t map, int32_t eventNumber) { Async_PostMapEventWithBuffer(map, -1, eventNumber); }

void Async_PostMapEventWithBuffer(int32_t map, int32_t buffer, int32_t eventNumber) {
  // The serial is taken now: a map the game replaced in that slot before the walk is not this one.
  const uint64_t serial = SerialOf(map);
  if (OnMainThread()) {
    QueueMapEvent(map, serial, buffer, eventNumber);
    return;
  }
  HandOff h;
  h.map = map;
  h.mapSerial = serial;
  h.buffer = buffer;
  h.eventNumber = eventNumber;
  HandOver(std::move(h));
}

void AsyncQueue_PostEventMap(int32_t eventNumber, const AsyncMapEntry* entries, int32_t count) {
  // The entries are copied: on the main thread the map is made at once, otherwise at the walk.
  EntryCopies copied;
  for (int32_t i = 0; i < count; ++i) {
    const AsyncMapEntry& e = entries[i];
    if (e.key == nullptr) continue;
    EntryCopy value;
    value.isText = e.text != nullptr;
    if (value.isText) value.text = e.text;
    value.real = e.real;
    copied.emplace_back(e.key, std::move(value));
  }
  if (OnMainThread()) {
    QueueNewMap(copied, -1, eventNumber);
    return;
  }
  HandOff h;
  h.build = true;
  h.eventNumber = eventNumber;
  h.entries = std::move(copied);
  HandOver(std::move(h));
}

int32_t Async_MapEventResult(HTTP_REQ_CONTEXT*, void* userData, int32_t* asyncLoad) {
  const auto* data = static_cast<const AsyncMapEventData*>(userData);
  if (data == nullptr) return 0;
  // A map the game has already replaced is not handed out as this event's.
  if (HoldsMap(data->map, data->mapSerial)) *asyncLoad = data->map;
  return data->eventNumber;
}

void Async_MapEventCleanup(HTTP_REQ_CONTEXT* record) {
  auto* data = static_cast<AsyncMapEventData*>(record->m_pUserData);
  if (data == nullptr) return;
  if (HoldsMap(data->map, data->mapSerial)) DS_DestroyMap(data->map);
  if (data->buffer >= 0) FreeBuffer(data->buffer);
  MEM_FREE(data);
  record->m_pUserData = nullptr;
}

int32_t Async_HttpProgressMap(HTTP_REQ_CONTEXT* record, void*, int32_t* asyncLoad) {
  *asyncLoad = CreateDsMap(5, "id", static_cast<double>(record->m_id), nullptr, "status", 1.0, nullptr, "url", 0.0,
                           record->m_pURL != nullptr ? record->m_pURL : "", "contentLength",
                           static_cast<double>(record->m_contentLength.load()), nullptr, "sizeDownloaded",
                           static_cast<double>(record->m_received.load()), nullptr);
  return kAsyncEventHttp;
}

void HTTP_RemoveRequest(HTTP_REQ_CONTEXT* record) {
  if (record == nullptr || !Queued(record)) return;
  Unlink(record);
  delete record;
}

// --- the walk --------------------------------------------------------------------------------

void Async_ProcessQueue(void (*perform)(int32_t)) {
  TakeHandOff();
  const uint64_t phase = ++g_phase;
  HTTP_REQ_CONTEXT* record = g_pHttpHead;
  while (record != nullptr) {
    if (!record->m_active) {
      record = record->m_pNext;
      continue;
    }
    if (record->m_pPoll != nullptr && record->m_polledInPhase != phase) {
      record->m_polledInPhase = phase;
      record->m_pPoll(record);
    }
    const int32_t status = record->m_status.load();
    if (status == kAsyncStatusDone) {
      Unlink(record);
      g_AsyncLoad = -1;
      if (record->m_pCompletion != nullptr) {
        const int32_t number = record->m_pCompletion(record, record->m_pUserData, &g_AsyncLoad);
        Deliver(number, perform);
      }
      g_AsyncLoad = -1;
      if (record->m_pCleanup != nullptr) record->m_pCleanup(record);
      delete record;
      record = g_pHttpHead;
      continue;
    }
    if (status == kAsyncStatusReading && record->m_pCompletion != nullptr && record->m_reportedInPhase != phase) {
      record->m_reportedInPhase = phase;
      g_AsyncLoad = -1;
      Deliver(Async_HttpProgressMap(record, record->m_pUserData, &g_AsyncLoad), perform);
      // The handlers may have changed the queue around the record: start again from the head,
      // passing over what this phase has reported.
      record = g_pHttpHead;
      continue;
    }
    record = record->m_pNext;
  }
}

void Async_FinishPolledWork() {
  for (HTTP_REQ_CONTEXT* record = g_pHttpHead; record != nullptr; record = record->m_pNext) {
    if (record->m_active && record->m_pPoll != nullptr && record->m_status.load() != kAsyncStatusDone) {
      record->m_pPoll(record);
    }
  }
}

void Async_Shutdown() {
  {
    std::lock_guard<std::mutex> lock(g_handOffLock);
    g_handOffOpen = false;
  }
  TakeHandOff();
  while (g_pHttpHead != nullptr) {
    HTTP_REQ_CONTEXT* record = g_pHttpHead;
    g_pHttpHead = record->m_pNext;
    if (record->m_pCleanup != nullptr) record->m_pCleanup(record);
    delete record;
  }
  g_AsyncLoad = -1;
  g_nextId = 0;
  DeferredScriptCalls_Clear();
}

void Async_Open() {
  std::lock_guard<std::mutex> lock(g_handOffLock);
  g_handOffOpen = true;
}

// --- deferred script calls -------------------------------------------------------------------

void DeferredScriptCalls_Post(const RValue* values, int32_t count) {
  // Copying a string, array or object changes its reference count, which only the main thread
  // may touch: another thread's post must be plain numbers.
  if (!OnMainThread()) {
    if (!HandOffOpen()) return;
    for (int32_t i = 0; i < count; ++i) {
      if (!PlainValue(values[i])) {
        Console_DebugOutput("A deferred script call posted from another thread may hold only numbers: dropped\n");
        return;
      }
    }
  }
  std::lock_guard<std::mutex> lock(g_deferredLock);
  for (int32_t i = 0; i < count; ++i) {
    RValue copy = RValue_MakeUndefined();
    RValue_Assign(&copy, &values[i]);
    g_deferred.push_back(copy);
  }
}

void DeferredScriptCalls_Process() {
  RValue head;
  while (TakeDeferred(&head)) {
    const bool real = RValue_Kind(&head) == VALUE_REAL;
    const double script = real ? head.val : -1.0;
    RValue_Release(&head);
    if (!real || !(script >= 0.0)) continue;
    RValue countValue;
    TakeDeferred(&countValue);
    const double wanted = CountOf(countValue);
    RValue_Release(&countValue);
    // A count past the end of the queue takes what is there.
    std::vector<RValue> args;
    RValue a;
    while (static_cast<double>(args.size()) + 1.0 <= wanted && TakeDeferred(&a)) args.push_back(a);
    const auto n = static_cast<int32_t>(args.size());
    RValue result = RValue_MakeReal(0.0);
    const auto index = script < 2147483648.0 ? static_cast<int32_t>(script) : -1;
    if (!Script_Perform(index, nullptr, nullptr, n, &result, args.empty() ? nullptr : args.data())) {
      Console_DebugOutput("Deferred script call: no script %d\n", index);
      for (RValue& a : args) RValue_Release(&a);
    }
    RValue_Release(&result);
  }
}

void DeferredScriptCalls_Clear() {
  std::lock_guard<std::mutex> lock(g_deferredLock);
  for (RValue& v : g_deferred) RValue_Release(&v);
  g_deferred.clear();
}
