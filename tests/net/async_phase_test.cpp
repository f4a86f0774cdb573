// The asynchronous phase in the game step: queued results reach the objects that listen for
// their asynchronous events with the map in async_load, also while a room change waits, and the
// numbers that are not dispatched through the queue reach nobody.
#include <string>
#include <vector>

#include "net/async_events.h"
#include "net/async_test_support.h"
#include "world/commands.h"
#include "world/world_driver.h"

namespace {

using container::ObjtEntry;
using Ids = std::vector<int32_t>;

// What each asynchronous event saw in async_load.
struct Heard {
  int32_t self;
  int32_t number;
  int32_t asyncLoad;
  std::string eventType;  // the map's "event_type", "" when none
};
std::vector<Heard> g_seen;
bool g_gotoOnFirst = false;

void Note(CInstance* self, CInstance*) {
  const kit::EventSeen& e = kit::TheLog().events.back();
  if (e.type != kEventOther) return;
  std::string type;
  for (const auto& [key, value] : async_test::MapEntries(g_AsyncLoad)) {
    if (key == "event_type") type = value.text;
  }
  g_seen.push_back({self->id, e.number, g_AsyncLoad, type});
  if (g_gotoOnFirst) {
    g_gotoOnFirst = false;
    Command_GotoRoom(1);
  }
}

class AsyncPhaseTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    g_seen.clear();
    g_gotoOnFirst = false;
    kit::TheLog().onEvent = Note;
  }
  void StartListening() {
    ObjtEntry listener = Entry("ob_listener");
    for (uint32_t n : {62u, 65u, 66u, 68u, 72u, 75u}) listener.on(kEventOther, n, kit::kLogEvent);
    ObjtEntry deaf = Entry("ob_deaf");
    deaf.on(kEventOther, 72, kit::kLogEvent);
    const ObjtEntry objects[] = {listener, deaf};
    container::RoomEntry rooms[] = {{.name = "a"}, {.name = "b"}};
    rooms[0].instances = {{.object = 0, .id = 100001}, {.object = 1, .id = 100002}, {.object = 0, .id = 100003}};
    Start(rooms, objects);
  }
  static void PostPadEvent(const char* type) {
    const AsyncMapEntry entries[] = {{"event_type", type, 0}, {"pad_index", nullptr, 0}};
    Async_PostEventMap(kAsyncEventSystem, entries, 2);
  }
};

TEST_F(AsyncPhaseTest, AQueuedEventReachesEveryInstanceThatListensWithItsMap) {
  StartListening();
  PostPadEvent("gamepad discovered");
  ASSERT_NE(g_pHttpHead, nullptr);
  const int32_t map = static_cast<const AsyncMapEventData*>(g_pHttpHead->m_pUserData)->map;
  ASSERT_NE(g_DsMaps.Get(map), nullptr);
  Step();
  ASSERT_EQ(g_seen.size(), 2u);
  EXPECT_EQ(g_seen[0].self, 100001);
  EXPECT_EQ(g_seen[1].self, 100003);
  for (const Heard& s : g_seen) {
    EXPECT_EQ(s.number, kAsyncEventSystem);
    EXPECT_EQ(s.asyncLoad, map);
    EXPECT_EQ(s.eventType, "gamepad discovered");
  }
  EXPECT_EQ(g_AsyncLoad, -1);
  EXPECT_EQ(g_DsMaps.Get(map), nullptr) << "the map is destroyed after the event";
  EXPECT_EQ(g_pHttpHead, nullptr);
  g_seen.clear();
  Step();
  EXPECT_TRUE(g_seen.empty()) << "delivered once";
}

TEST_F(AsyncPhaseTest, OnlyTheQueuesEventNumbersAreFired) {
  StartListening();
  for (int32_t number : {65, 66, 68, 72}) Async_PostMapEvent(DS_CreateMap(), number);
  Step();
  ASSERT_EQ(g_seen.size(), 3u) << "65, 66 and 68 are never fired from the queue";
  EXPECT_EQ(g_seen[0].number, 72);
  EXPECT_EQ((Ids{g_seen[0].self, g_seen[1].self, g_seen[2].self}), (Ids{100001, 100003, 100002})) << "object by object";
  for (int32_t id = 0; id < g_DsMaps.Count(); ++id) EXPECT_EQ(g_DsMaps.Get(id), nullptr) << id;
}

TEST_F(AsyncPhaseTest, EventsStillRunWhileARoomChangeWaits) {
  StartListening();
  PostPadEvent("first");
  PostPadEvent("second");
  g_gotoOnFirst = true;  // the first event asks for the next room
  Step();
  ASSERT_EQ(g_seen.size(), 4u);
  EXPECT_EQ(g_seen[1].eventType, "first") << "the rest of the event runs on";
  EXPECT_EQ(g_seen[2].eventType, "second");
  EXPECT_EQ(g_seen[3].self, 100003) << "non-persistent instances in a room that is not persistent";
  EXPECT_EQ(Room_CurrentIndex, 1);
}

}  // namespace
