// The asynchronous queue on its own: record ids, where records are linked, the walk's order and
// restarts, progress reports, the maps handed out in async_load and when they are destroyed,
// clean-ups, posting from another thread, and the deferred script calls.
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/registry_test_support.h"
#include "runtime/link_record.h"
#include "net/async_events.h"
#include "net/async_test_support.h"

namespace {

using async_test::MapEntries;

RValue Real(double d) { return RValue_MakeReal(d); }

// What the walk delivered: the event number, async_load and the map's entries at that moment.
struct Delivered {
  int32_t number;
  int32_t map;
  std::string name;  // the map's "name" entry, "" when none
};
std::vector<Delivered> g_delivered;
// What the "handlers" do while an event runs.
void (*g_during)() = nullptr;

void Record(int32_t number) {
  std::string name;
  for (const auto& [key, value] : MapEntries(g_AsyncLoad)) {
    if (key == "name") name = value.text;
  }
  g_delivered.push_back({number, g_AsyncLoad, name});
  if (g_during != nullptr) g_during();
}

// A general record's producer: its completion hands out a new map {"name": name} and answers
// `number`; its clean-up notes that it ran.
struct Job {
  std::string name;
  int32_t number = kAsyncEventHttp;
  int32_t cleanups = 0;
  int32_t map = -1;
};
int32_t JobCompletion(HTTP_REQ_CONTEXT*, void* user, int32_t* asyncLoad) {
  auto* job = static_cast<Job*>(user);
  job->map = DS_CreateMap();
  g_DsMaps.Get(job->map)->AddPair("name", 0, job->name.c_str());
  *asyncLoad = job->map;
  return job->number;
}
void JobCleanup(HTTP_REQ_CONTEXT* record) { ++static_cast<Job*>(record->m_pUserData)->cleanups; }

// A map {"name": name}.
int32_t NamedMap(const char* name) {
  const int32_t id = DS_CreateMap();
  g_DsMaps.Get(id)->AddPair("name", 0, name);
  return id;
}

int32_t LiveMaps() {
  int32_t n = 0;
  for (int32_t id = 0; id < g_DsMaps.Count(); ++id) n += g_DsMaps.Get(id) != nullptr ? 1 : 0;
  return n;
}

class AsyncQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Async_Shutdown();
    Async_Open();
    g_delivered.clear();
    g_during = nullptr;
  }
  void TearDown() override {
    Async_Shutdown();
    g_during = nullptr;
    EXPECT_EQ(LiveMaps(), 0) << "every map handed out is gone";
  }
  // A finished (or other status) general record at the head.
  HTTP_REQ_CONTEXT* Queue(const char* name, int32_t status = kAsyncStatusDone, int32_t number = kAsyncEventHttp) {
    Job& job = m_jobs.emplace_back();
    job.name = name;
    job.number = number;
    auto* record = new HTTP_REQ_CONTEXT(name, 0, JobCompletion, JobCleanup, &job, false);
    record->m_status = status;
    return record;
  }
  static std::vector<std::string> NamesSeen() {
    std::vector<std::string> names;
    for (const Delivered& d : g_delivered) names.push_back(d.name);
    return names;
  }
  static void Walk() { Async_ProcessQueue(Record); }

  std::deque<Job> m_jobs;
};

using Names = std::vector<std::string>;

TEST_F(AsyncQueueTest, IdsCountEveryRecordFromZero) {
  EXPECT_EQ(Async_NextRequestId(), 0);
  HTTP_REQ_CONTEXT* first = Queue("first", kAsyncStatusNew);
  EXPECT_EQ(first->m_id, 0);
  Async_PostMapEvent(NamedMap("map"), kAsyncEventSaveLoad);
  EXPECT_EQ(Async_NextRequestId(), 2) << "a map event takes an id too";
  HTTP_REQ_CONTEXT* third = Queue("third", kAsyncStatusNew);
  EXPECT_EQ(third->m_id, 2);
  // General records go to the head, map events to the tail.
  EXPECT_EQ(g_pHttpHead, third);
  EXPECT_EQ(third->m_pNext, first);
  EXPECT_EQ(first->m_pNext->m_pCompletion, Async_MapEventResult);
  EXPECT_EQ(first->m_pNext->m_status, kAsyncStatusDone);
  EXPECT_EQ(first->m_httpStatus, 200);
  EXPECT_STREQ(first->m_pURL, "first");
  EXPECT_EQ(first->m_contentLength, -1);
  // A record made with the append flag goes to the tail; one with a buffer gets it filled.
  auto* appended = new HTTP_REQ_CONTEXT(nullptr, 4, nullptr, nullptr, nullptr, true);
  EXPECT_EQ(first->m_pNext->m_pNext, appended);
  EXPECT_EQ(appended->m_pBuffer[3], 0xFF);
  EXPECT_EQ(appended->m_pURL, nullptr);
}

TEST_F(AsyncQueueTest, MapEventsComeInPostingOrderAfterAFinishedRequest) {
  Async_PostMapEvent(NamedMap("first"), kAsyncEventSaveLoad);
  Async_PostMapEventWithBuffer(NamedMap("second"), -1, kAsyncEventAudioPlayback);
  Queue("http");
  Walk();
  EXPECT_EQ(NamesSeen(), (Names{"http", "first", "second"}));
  EXPECT_EQ(g_delivered[1].number, kAsyncEventSaveLoad);
  EXPECT_EQ(g_delivered[2].number, kAsyncEventAudioPlayback);
  EXPECT_EQ(g_pHttpHead, nullptr);
  EXPECT_EQ(m_jobs[0].cleanups, 1);
}

TEST_F(AsyncQueueTest, ADownloadReportsItsProgressOncePerStepThenFinishes) {
  HTTP_REQ_CONTEXT* download = Queue("http://a/b", kAsyncStatusReading);
  download->m_contentLength = 300;
  download->m_received = 120;
  // Finished records before and behind it make the walk start again from the head.
  Queue("done one");
  Queue("done two");
  ASSERT_EQ(g_pHttpHead->m_pNext->m_pNext, download);
  Async_PostMapEvent(NamedMap("behind"), kAsyncEventSaveLoad);  // after the download
  g_during = [] {
    if (g_delivered.back().name.empty() && g_delivered.back().number == kAsyncEventHttp) {
      // The progress map, as the event sees it.
      const auto entries = MapEntries(g_AsyncLoad);
      auto find = [&](const char* key) -> const async_test::Value* {
        for (const auto& e : entries) {
          if (e.first == key) return &e.second;
        }
        return nullptr;
      };
      ASSERT_EQ(entries.size(), 5u);
      EXPECT_EQ(find("status")->real, 1.0);
      EXPECT_EQ(find("id")->real, 0.0);
      EXPECT_EQ(find("url")->text, "http://a/b");
      EXPECT_EQ(find("contentLength")->real, 300.0);
      EXPECT_EQ(find("sizeDownloaded")->real, 120.0);
    }
  };
  Walk();
  EXPECT_EQ(NamesSeen(), (Names{"done two", "done one", "", "behind"}));
  EXPECT_EQ(g_delivered[2].number, kAsyncEventHttp);
  g_delivered.clear();
  Walk();
  EXPECT_EQ(NamesSeen(), Names{""}) << "reported again in the next step";
  // Still reading while a finished record arrives: reported once, and the new one delivered.
  g_delivered.clear();
  Queue("late");
  Walk();
  EXPECT_EQ(NamesSeen(), (Names{"late", ""}));
  g_delivered.clear();
  download->m_status = kAsyncStatusDone;
  Walk();
  EXPECT_EQ(NamesSeen(), Names{"http://a/b"});
  EXPECT_EQ(g_pHttpHead, nullptr);
  // Statuses that are not reportable stay quiet.
  g_delivered.clear();
  for (int32_t status : {kAsyncStatusNew, kAsyncStatusSent, kAsyncStatusPosted, kAsyncStatusParkedGet}) Queue("waiting", status);
  Walk();
  EXPECT_TRUE(g_delivered.empty());
}

HTTP_REQ_CONTEXT* g_doomed = nullptr;

TEST_F(AsyncQueueTest, AProgressEventMayRemoveTheRecordBehindIt) {
  // The record after the download is deleted while the download's progress event runs: the walk
  // must not go on from a successor it read before the event.
  g_doomed = Queue("doomed", kAsyncStatusDone);
  Queue("download", kAsyncStatusReading);
  g_during = [] { HTTP_RemoveRequest(std::exchange(g_doomed, nullptr)); };
  Walk();
  EXPECT_EQ(NamesSeen(), Names{""});
  EXPECT_EQ(g_pHttpHead->m_pNext, nullptr);
}

TEST_F(AsyncQueueTest, ARecordPostedByAHandlerIsDeliveredInTheSameWalk) {
  Queue("first");
  g_during = [] {
    if (g_delivered.size() == 1) Async_PostMapEvent(NamedMap("posted"), kAsyncEventSaveLoad);
  };
  Walk();
  EXPECT_EQ(NamesSeen(), (Names{"first", "posted"}));
}

TEST_F(AsyncQueueTest, NumbersBelowSixtyAndThoseFiredElsewhereFireNothingButTheMapStillGoes) {
  for (int32_t number : {kAsyncEventIap, kAsyncEventNetworking, 59, 0, -1}) Queue("quiet", kAsyncStatusDone, number);
  Queue("loud", kAsyncStatusDone, kAsyncEventDialog);
  Walk();
  // The phase hands 66 and 68 on (the event performer ignores them); below 60 nothing is fired.
  ASSERT_EQ(g_delivered.size(), 3u);
  EXPECT_EQ(g_delivered[0].number, kAsyncEventDialog);
  EXPECT_EQ(g_delivered[1].number, kAsyncEventNetworking);
  EXPECT_EQ(g_delivered[2].number, kAsyncEventIap);
  for (const Job& job : m_jobs) {
    EXPECT_EQ(job.cleanups, 1) << job.number;
    EXPECT_EQ(g_DsMaps.Get(job.map), nullptr) << job.number;
  }
  // A record without a completion is removed silently.
  new HTTP_REQ_CONTEXT(nullptr, 0, nullptr, nullptr, nullptr, false);
  g_pHttpHead->m_status = kAsyncStatusDone;
  g_delivered.clear();
  Walk();
  EXPECT_TRUE(g_delivered.empty());
  EXPECT_EQ(g_pHttpHead, nullptr);
}

TEST_F(AsyncQueueTest, TheMapLivesWhileTheEventRuns) {
  const int32_t map = NamedMap("pad");
  Async_PostMapEvent(map, kAsyncEventSystem);
  EXPECT_EQ(g_AsyncLoad, -1);
  g_during = [] { EXPECT_NE(g_DsMaps.Get(g_AsyncLoad), nullptr); };
  Walk();
  ASSERT_EQ(g_delivered.size(), 1u);
  EXPECT_EQ(g_delivered[0].map, map);
  EXPECT_EQ(g_delivered[0].name, "pad");
  EXPECT_EQ(g_AsyncLoad, -1);
  EXPECT_EQ(g_DsMaps.Get(map), nullptr);
}

int32_t g_kept = -1;

TEST_F(AsyncQueueTest, AHandlerMayDestroyTheMapAndKeepsAMapItMakesInItsSlot) {
  // Destroyed by the handler: the phase and the clean-up find the slot empty.
  Async_PostMapEvent(NamedMap("gone"), kAsyncEventSystem);
  Queue("gone too");
  g_during = [] { EXPECT_TRUE(DS_DestroyMap(g_AsyncLoad)); };
  Walk();
  EXPECT_EQ(NamesSeen(), (Names{"gone too", "gone"}));
  EXPECT_EQ(m_jobs[0].cleanups, 1);

  // Destroyed, and a new map made in the freed slot: neither the phase nor the clean-up takes it.
  g_delivered.clear();
  Async_PostMapEvent(NamedMap("replaced"), kAsyncEventSystem);
  Queue("replaced too");
  g_during = [] {
    const int32_t slot = g_AsyncLoad;
    DS_DestroyMap(slot);
    g_kept = NamedMap("kept");
    EXPECT_EQ(g_kept, slot) << "the first empty slot is reused";
    if (g_delivered.size() == 1) DS_DestroyMap(std::exchange(g_kept, -1));  // keep only the last
  };
  Walk();
  ASSERT_EQ(g_delivered.size(), 2u);
  ASSERT_NE(g_DsMaps.Get(g_kept), nullptr);
  EXPECT_EQ(MapEntries(g_kept)[0].second.text, "kept");
  DS_DestroyMap(g_kept);
}

TEST_F(AsyncQueueTest, APostedMapTheGameReplacedBeforeTheWalkIsNotHandedOut) {
  const int32_t map = NamedMap("posted");
  Async_PostMapEvent(map, kAsyncEventSystem);
  DS_DestroyMap(map);
  const int32_t other = NamedMap("other");
  ASSERT_EQ(other, map);
  Walk();
  ASSERT_EQ(g_delivered.size(), 1u);
  EXPECT_EQ(g_delivered[0].map, -1);
  EXPECT_NE(g_DsMaps.Get(other), nullptr);
  DS_DestroyMap(other);
}

TEST_F(AsyncQueueTest, EventsPostedOnAnotherThreadWaitForTheWalk) {
  std::thread producer([] {
    const AsyncMapEntry entries[] = {{"name", "from a thread", 0}, {"n", nullptr, 3}};
    Async_PostEventMap(kAsyncEventSystem, entries, 2);
    Async_PostMapEvent(-1, kAsyncEventAudioPlayback);
  });
  producer.join();
  EXPECT_EQ(g_pHttpHead, nullptr) << "the queue is the main thread's";
  EXPECT_EQ(LiveMaps(), 0) << "and so is the map table";
  Walk();
  EXPECT_EQ(NamesSeen(), (Names{"from a thread", ""}));
  EXPECT_EQ(g_delivered[0].number, kAsyncEventSystem);
  EXPECT_EQ(g_delivered[1].map, -1);
}

TEST_F(AsyncQueueTest, AMapPostedFromAnotherThreadIsTheOneItsSlotHeldAtThePost) {
  const int32_t map = NamedMap("posted");
  std::thread producer([map] { Async_PostMapEvent(map, kAsyncEventSaveLoad); });
  producer.join();
  // Before the walk the game frees the map and a new one takes its slot.
  DS_DestroyMap(map);
  const int32_t other = NamedMap("other");
  ASSERT_EQ(other, map);
  Walk();
  ASSERT_EQ(g_delivered.size(), 1u);
  EXPECT_EQ(g_delivered[0].map, -1) << "the new map is not handed out as the posted one";
  EXPECT_NE(g_DsMaps.Get(other), nullptr) << "nor destroyed after the event";
  DS_DestroyMap(other);
}

TEST_F(AsyncQueueTest, WhatOtherThreadsPostBetweenTwoGamesIsDropped) {
  auto post = [](const char* name) {
    std::thread producer([name] {
      const AsyncMapEntry entries[] = {{"name", name, 0}};
      Async_PostEventMap(kAsyncEventSystem, entries, 1);
    });
    producer.join();
  };
  post("late");  // a worker of the game that is ending
  Async_Shutdown();
  post("after the end");
  Async_Open();
  post("next game");
  Walk();
  EXPECT_EQ(NamesSeen(), Names{"next game"});
  EXPECT_EQ(LiveMaps(), 0);
}

TEST_F(AsyncQueueTest, RemovingPollingAndTheHeaderMap) {
  HTTP_REQ_CONTEXT* kept = Queue("kept", kAsyncStatusNew);
  HTTP_REQ_CONTEXT* removed = Queue("removed", kAsyncStatusNew);
  removed->SetHeaderMap(NamedMap("headers"));
  HTTP_RemoveRequest(removed);  // the header map goes with it
  HTTP_RemoveRequest(removed);  // no longer queued: nothing happens
  HTTP_RemoveRequest(nullptr);
  EXPECT_EQ(g_pHttpHead, kept);
  EXPECT_EQ(kept->m_pNext, nullptr);

  // The poll runs once per phase however often the walk starts again, and may finish the record.
  static int32_t polls = 0;
  polls = 0;
  kept->m_pPoll = [](HTTP_REQ_CONTEXT* r) {
    if (++polls == 2) r->m_status = kAsyncStatusDone;
  };
  Queue("restart");
  Walk();
  EXPECT_EQ(polls, 1);
  EXPECT_EQ(NamesSeen(), Names{"restart"});
  Walk();
  EXPECT_EQ(polls, 2);
  EXPECT_EQ(NamesSeen(), (Names{"restart", "kept"}));
  // An inactive record is passed over.
  HTTP_REQ_CONTEXT* idle = Queue("idle");
  idle->m_active = false;
  Walk();
  EXPECT_EQ(g_delivered.size(), 2u);
}

// --- deferred script calls ---------------------------------------------------------------------

std::vector<std::vector<std::string>> g_calls;

RValue* RecordingScript(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  EXPECT_EQ(self, nullptr);
  EXPECT_EQ(other, nullptr);
  std::vector<std::string> call;
  for (int32_t i = 0; i < argc; ++i) {
    call.push_back(RValue_Kind(args[i]) == VALUE_STRING ? args[i]->pString->text : std::to_string(args[i]->val));
  }
  g_calls.push_back(call);
  return result;
}
const LinkFunction kRecordingScript{"rec", reinterpret_cast<void*>(&RecordingScript)};

class DeferredCallsTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    SetNames(Script_SetNames, {"rec"});
    Script_Data(0)->m_pNative = &kRecordingScript;
    g_calls.clear();
    Async_Open();
  }
  void TearDown() override {
    DeferredScriptCalls_Clear();
    RegistryTest::TearDown();
  }
  static void Post(std::initializer_list<RValue> values) {
    const std::vector<RValue> v(values);
    DeferredScriptCalls_Post(v.data(), static_cast<int32_t>(v.size()));
  }
  static RValue Text(const char* text) {
    RValue v = RValue_MakeUndefined();
    RValue_SetString(&v, text);
    return v;
  }
};

TEST_F(DeferredCallsTest, CallsRunInOrderAndEntriesThatAreNoScriptIndexAreDropped) {
  RValue word = Text("word");
  RValue junk = Text("junk");
  Post({Real(0), Real(2), word, Real(7)});
  Post({junk, Real(-1), Real(0), Real(0.9)});  // dropped, dropped, then a call with no arguments
  RValue_Release(&word);
  RValue_Release(&junk);
  DeferredScriptCalls_Process();
  EXPECT_EQ(g_calls, (std::vector<std::vector<std::string>>{{"word", "7.000000"}, {}}));
  // A count past the end of the queue takes what is left.
  g_calls.clear();
  Post({Real(0), Real(1e300), Real(1), Real(2)});
  DeferredScriptCalls_Process();
  EXPECT_EQ(g_calls, (std::vector<std::vector<std::string>>{{"1.000000", "2.000000"}}));
  // A script index that names no script is passed over; the queue is empty afterwards.
  g_calls.clear();
  Post({Real(5), Real(1), Real(3), Real(0), Real(0)});
  DeferredScriptCalls_Process();
  EXPECT_EQ(g_calls.size(), 1u);
  DeferredScriptCalls_Process();
  EXPECT_EQ(g_calls.size(), 1u);
}

TEST_F(DeferredCallsTest, AnotherThreadPostsNumbersOnlyAndNothingBetweenTwoGames) {
  RValue word = Text("word");
  std::thread producer([&word] {
    Post({Real(0), Real(1), word});  // would change the text's count off the main thread
    Post({Real(0), Real(2), Real(4), Real(5)});
  });
  producer.join();
  RValue_Release(&word);
  DeferredScriptCalls_Process();
  EXPECT_EQ(g_calls, (std::vector<std::vector<std::string>>{{"4.000000", "5.000000"}}));
  g_calls.clear();
  Async_Shutdown();
  std::thread late([] { Post({Real(0), Real(1), Real(8)}); });
  late.join();
  Async_Open();
  DeferredScriptCalls_Process();
  EXPECT_TRUE(g_calls.empty());
}

}  // namespace
