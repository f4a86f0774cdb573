// The asynchronous queue: one list of request records through which everything that finishes
// outside the game step (downloads, dialogs, buffer loads and saves, audio, gamepads, Steam,
// extensions) hands its result to the game. Once per step the asynchronous phase walks it: each
// finished record gives an event number and a ds_map, the game's asynchronous Other event of that
// number runs with the map in async_load, and then the map and the record are destroyed.
//
// General records (HTTP, dialogs, buffers) go to the head of the queue, map events to its tail,
// so one walk reports the newest general records first and map events in the order they were
// posted. The queue, the id counter and async_load belong to the main thread; a map event posted
// from another thread waits in a locked hand-off list until the next walk.
#pragma once

#include <atomic>
#include <cstdint>

#include "io/async_post.h"

struct HTTP_REQ_CONTEXT;
struct RValue;

// (record, user data, the async_load variable) -> event number; stores its map's id (or leaves -1).
using AsyncCompletionFn = int32_t (*)(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
// Runs after the dispatch (frees the user data); the poll runs on the main thread once per phase.
using AsyncRecordFn = void (*)(HTTP_REQ_CONTEXT* record);

// Statuses of a record.
inline constexpr int32_t kAsyncStatusNew = 1;
inline constexpr int32_t kAsyncStatusReading = 3;  // progress to report: headers in, body arriving
inline constexpr int32_t kAsyncStatusSent = 5;
inline constexpr int32_t kAsyncStatusPosted = 6;
inline constexpr int32_t kAsyncStatusDone = 7;     // the next walk dispatches and deletes it
inline constexpr int32_t kAsyncStatusParkedPost = 8;
inline constexpr int32_t kAsyncStatusParkedGet = 9;
inline constexpr int32_t kAsyncStatusParkedRequest = 10;

// Asynchronous event numbers (Other events).
inline constexpr int32_t kAsyncEventImageLoaded = 60;
inline constexpr int32_t kAsyncEventHttp = 62;
inline constexpr int32_t kAsyncEventDialog = 63;
inline constexpr int32_t kAsyncEventIap = 66;
inline constexpr int32_t kAsyncEventNetworking = 68;
inline constexpr int32_t kAsyncEventSaveLoad = 72;
inline constexpr int32_t kAsyncEventAudioRecording = 73;
inline constexpr int32_t kAsyncEventAudioPlayback = 74;
// Completions below this number fire nothing.
inline constexpr int32_t kAsyncFirstEvent = 60;

struct HTTP_REQ_CONTEXT {
  // Links the record at the head of the queue, or at its tail when `append` is set and the queue
  // is not empty. A buffer size above 0 allocates that many bytes filled with 0xFF. The id is the
  // counter's value, which then rises. Main thread only.
  HTTP_REQ_CONTEXT(const char* url, int32_t bufferSize, AsyncCompletionFn completion, AsyncRecordFn cleanup,
                   void* userData, bool append);
  // Frees the buffer and the url, and destroys the header map while its slot still holds it.
  virtual ~HTTP_REQ_CONTEXT();
  HTTP_REQ_CONTEXT(const HTTP_REQ_CONTEXT&) = delete;
  HTTP_REQ_CONTEXT& operator=(const HTTP_REQ_CONTEXT&) = delete;

  // Makes the ds_map the record's header map (destroyed with the record); -1 for none.
  void SetHeaderMap(int32_t map);

  HTTP_REQ_CONTEXT* m_pNext = nullptr;
  bool m_active = true;
  // Worker threads advance the status and the byte counts while the main thread reads them.
  std::atomic<int32_t> m_status{kAsyncStatusNew};
  AsyncCompletionFn m_pCompletion = nullptr;
  AsyncRecordFn m_pCleanup = nullptr;
  AsyncRecordFn m_pPoll = nullptr;
  void* m_pUserData = nullptr;
  char* m_pURL = nullptr;  // owned copy, may be null
  int32_t m_id = 0;
  int32_t m_httpStatus = 200;
  int32_t m_headerMap = -1;
  int32_t m_extra = 0;
  uint8_t* m_pBuffer = nullptr;  // owned, memory-manager block
  int32_t m_bufferSize = 0;
  std::atomic<int32_t> m_received{0};
  std::atomic<int32_t> m_contentLength{-1};

  // The phase that last polled the record and the one that last reported its progress: each
  // happens once per phase, however often the walk starts again.
  uint64_t m_polledInPhase = 0;
  uint64_t m_reportedInPhase = 0;
  uint64_t m_headerMapSerial = 0;
};

// The user data of a map event: the map, the event number and a buffer deleted after the
// dispatch (-1 none). The map is remembered by its serial too, so that a slot the game emptied
// and filled again with a map of its own is left alone.
struct AsyncMapEventData {
  int32_t map;
  int32_t eventNumber;
  int32_t buffer;
  uint64_t mapSerial;
};

// The head of the queue (null when empty).
extern HTTP_REQ_CONTEXT* g_pHttpHead;
// The ds_map of the asynchronous event being run is g_AsyncLoad (io/async_post.h).
// The id the next record takes (a producer that must answer an id before its record exists reads
// it first).
int32_t Async_NextRequestId();

// Queues a finished event carrying a ready map, at the tail. From another thread the record waits
// in the hand-off list until the next walk.
void Async_PostMapEvent(int32_t map, int32_t eventNumber);
// The same with a buffer deleted after the dispatch.
void Async_PostMapEventWithBuffer(int32_t map, int32_t buffer, int32_t eventNumber);
// The completion and clean-up of map events.
int32_t Async_MapEventResult(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
void Async_MapEventCleanup(HTTP_REQ_CONTEXT* record);
// The progress of a download: a new map {"id", "status" 1, "url", "contentLength",
// "sizeDownloaded"} in *asyncLoad; 62.
int32_t Async_HttpProgressMap(HTTP_REQ_CONTEXT* record, void* userData, int32_t* asyncLoad);
// Unlinks and deletes the record; nothing when it is not queued.
void HTTP_RemoveRequest(HTTP_REQ_CONTEXT* record);

// The walk of the asynchronous phase: moves the hand-off list to the tail, then dispatches every
// finished record (restarting from the head after each, so records that handlers post are seen
// in the same walk) and reports every download in progress once. `perform` runs the event of a
// number of 60 or more; the map handed out is destroyed afterwards while its slot still holds it.
void Async_ProcessQueue(void (*perform)(int32_t eventNumber));

// Gives every record that does its work in its poll (asynchronous buffer saves and loads) that
// poll once more, so that what a game queued just before it ended still reaches its files. The
// end of the game runs it before Async_Shutdown; nothing is dispatched.
void Async_FinishPolledWork();
// Deletes every queued and handed-off record with its clean-up (the end of the game); the next
// record made takes id 0 again. Until Async_Open, what other threads post (events and deferred
// script calls) is dropped, so that a worker of the game that ended delivers nothing into the next.
void Async_Shutdown();
// Opens the queue to other threads again (the start of a game).
void Async_Open();

// The deferred script calls: a queue of values, each call a script index, an argument count and
// that many arguments. The main thread may post any values; another thread only numbers (a post
// holding a string, array or object is dropped, since copying it touches reference counts that
// only the main thread may change). The asynchronous phase runs them on the main thread.
void DeferredScriptCalls_Post(const RValue* values, int32_t count);
// Runs the queued calls in order (no self, no other, result discarded); an entry that is not a
// real number of 0 or more is dropped.
void DeferredScriptCalls_Process();
void DeferredScriptCalls_Clear();
