// Entering and leaving rooms through the headless world driver: the order of Create events,
// creation codes, Game Start, the room's creation code, Room Start, Room End and Game End;
// persistent instances and rooms; room changes asked for while rooms start and end.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/command_line.h"
#include "runtime/error_report.h"
#include "host/frame_loop.h"
#include "host/rooms.h"
#include "vm/code_object.h"
#include "world/activation.h"
#include "world/commands.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/lifecycle.h"
#include "world/room.h"
#include "world_driver.h"

namespace {

using container::RoomEntry;
using container::RoomInstanceEntry;
using Lines = std::vector<std::string>;

constexpr std::pair<int32_t, int32_t> kCreate{kEventCreate, 0};
constexpr std::pair<int32_t, int32_t> kDestroy{kEventDestroy, 0};
constexpr std::pair<int32_t, int32_t> kGameStart{kEventOther, 2};
constexpr std::pair<int32_t, int32_t> kGameEnd{kEventOther, 3};
constexpr std::pair<int32_t, int32_t> kRoomStart{kEventOther, 4};
constexpr std::pair<int32_t, int32_t> kRoomEnd{kEventOther, 5};
constexpr std::pair<int32_t, int32_t> kStep{kEventStep, 0};

class RoomEntryTest : public WorldDriverTest {
 protected:
  // Object 0 logs all six events; object 1 (persistent) the same.
  static container::ObjtEntry Logger(const char* name, bool persistent = false) {
    return LoggingObject(name, {kCreate, kDestroy, kGameStart, kGameEnd, kRoomStart, kRoomEnd}, persistent);
  }
  static RoomInstanceEntry At(int32_t id, int32_t object = 0, int32_t code = -1) {
    return RoomInstanceEntry{.x = 1, .y = 2, .object = object, .id = id, .code = code};
  }
};

TEST_F(RoomEntryTest, TheEventsOfATwoRoomGameRunInTheirOrder) {
  RoomEntry first{.name = "first", .creation_code = kLog};
  // Record order, not id order, is the order of the Create events.
  first.instances = {At(100005, 0, kLog), At(100003, 0, kLog)};
  RoomEntry second{.name = "second"};
  second.instances = {At(100007)};
  ASSERT_TRUE(Load({first, second}, {Logger("ob")}));
  Start();
  EXPECT_EQ(Log(), (Lines{"Create 100005", "code 100005", "Create 100003", "code 100003", "GameStart 100005",
                          "GameStart 100003", "code 0", "RoomStart 100005", "RoomStart 100003"}));
  ClearLog();
  Command_GotoRoom(1);
  EXPECT_EQ(Run(1), 1);
  EXPECT_EQ(Room_CurrentIndex, 1);
  EXPECT_EQ(Log(), (Lines{"RoomEnd 100005", "RoomEnd 100003", "Create 100007", "RoomStart 100007"}));
  EXPECT_EQ(Instance_Find(100005), nullptr) << "the room left is not persistent";
  ClearLog();
  End();
  EXPECT_EQ(Log(), (Lines{"RoomEnd 100007", "GameEnd 100007"}));
  EXPECT_EQ(Room_Current, nullptr);
}

TEST_F(RoomEntryTest, APersistentInstanceMergesIntoTheSameIdWithoutCreate) {
  RoomEntry first{.name = "first"};
  first.instances = {At(100010, 1)};
  RoomEntry second{.name = "second"};
  // The same id placed again, and an instance of its own.
  second.instances = {At(100010, 1), At(100011, 0)};
  ASSERT_TRUE(Load({first, second}, {Logger("ob"), Logger("keeper", true)}));
  Start();
  CInstance* kept = Instance_Find(100010);
  ASSERT_NE(kept, nullptr);
  kept->x = 77;
  ClearLog();
  Command_GotoRoom(1);
  Run(1);
  EXPECT_EQ(Log(), (Lines{"RoomEnd 100010", "Create 100011", "RoomStart 100010", "RoomStart 100011"}));
  ASSERT_EQ(Room_Current->active.count, 2);
  CInstance* merged = Instance_Find(100010);
  ASSERT_NE(merged, nullptr);
  EXPECT_EQ(merged->x, 77.0f) << "the carried state wins over the record";
  EXPECT_FALSE(merged->carried_over) << "consumed by the entry";
  EXPECT_TRUE(Room_Carried.empty());

  // Going on to a room that does not place it: made anew from the carried copy, still no Create.
  ClearLog();
  Command_GotoRoom(0);
  Run(1);
  EXPECT_EQ(Log(), (Lines{"RoomEnd 100010", "RoomEnd 100011", "RoomStart 100010"}));
  ASSERT_NE(Instance_Find(100010), nullptr);
  EXPECT_EQ(Instance_Find(100010)->x, 77.0f);
  EXPECT_EQ(Room_Current->active.count, 1);
}

TEST_F(RoomEntryTest, APersistentRoomIsReenteredAndAnotherBuiltAnew) {
  RoomEntry kept{.name = "kept", .persistent = true, .creation_code = kLog};
  kept.instances = {At(100001)};
  RoomEntry plain{.name = "plain", .creation_code = kLog};
  plain.instances = {At(100002)};
  ASSERT_TRUE(Load({kept, plain}, {Logger("ob")}));
  Start();
  Instance_Find(100001)->x = 40;
  Command_GotoRoom(1);
  Run(1);
  EXPECT_EQ(Instance_Find(100001), nullptr) << "a kept room's instances leave the id table while it waits";
  Instance_Find(100002)->x = 50;
  ClearLog();
  Command_GotoRoom(0);
  Run(1);
  EXPECT_EQ(Log(), (Lines{"RoomEnd 100002", "RoomStart 100001"})) << "no Create and no creation code again";
  ASSERT_NE(Instance_Find(100001), nullptr);
  EXPECT_EQ(Instance_Find(100001)->x, 40.0f);
  EXPECT_EQ(Object_Data(0)->instances.count, 1);
  ClearLog();
  Command_GotoRoom(1);
  Run(1);
  EXPECT_EQ(Log(), (Lines{"RoomEnd 100001", "Create 100002", "code 0", "RoomStart 100002"}));
  EXPECT_EQ(Instance_Find(100002)->x, 1.0f) << "built anew from its definition";
}

// An instance changed into another object by its kept room's Room End stays in that room: its
// events run there, after the return, and never in the room played meanwhile.
TEST_F(RoomEntryTest, AnObjectChangeInAKeptRoomsEndStaysInThatRoom) {
  RoomEntry kept{.name = "kept", .persistent = true};
  kept.instances = {At(100001)};
  RoomEntry level{.name = "level"};
  level.instances = {At(100002)};
  const auto stepper = [](const char* name) { return LoggingObject(name, {kStep, kRoomEnd}); };
  ASSERT_TRUE(Load({kept, level}, {stepper("before"), stepper("after")}));
  OnEvent([](CInstance* self, CInstance*) {
    if (self->id == 100001 && Event_Current.type == kEventOther && Event_Current.number == 5) {
      Command_ChangeInstance(self, 1, false);
    }
  });
  Start();
  Command_GotoRoom(1);
  Run(1);
  ClearLog();
  Run(2);
  EXPECT_EQ(Log(), (Lines{"Step 100002", "Step 100002"})) << "the kept room's instance stays at home";
  EXPECT_EQ(Object_Data(0)->instances.count, 1);
  EXPECT_EQ(Object_Data(1)->instances.count, 0);
  EXPECT_EQ(Instance_Find(100001), nullptr);

  OnEvent(nullptr);
  Command_GotoRoom(0);
  Run(1);
  ClearLog();
  Run(1);
  EXPECT_EQ(Log(), (Lines{"Step 100001"}));
  ASSERT_NE(Instance_Find(100001), nullptr);
  EXPECT_EQ(Instance_Find(100001)->object_index, 1);
  EXPECT_EQ(Object_Data(0)->instances.count, 0);
  EXPECT_EQ(Object_Data(1)->instances.count, 1);
  EXPECT_EQ(Room_Current->active.count, 1);
}

// A kept room's deactivated instance is not found from another room, so nothing there can wake
// it; back home it still sits deactivated in the inactive list and activates as usual.
TEST_F(RoomEntryTest, AKeptRoomsDeactivatedInstanceWaitsAtHome) {
  RoomEntry kept{.name = "kept", .persistent = true};
  kept.instances = {At(100001), At(100003)};
  RoomEntry level{.name = "level"};
  level.instances = {At(100002)};
  ASSERT_TRUE(Load({kept, level}, {LoggingObject("ob", {kStep})}));
  Start();
  Instance_Deactivate(Instance_Find(100003));
  Run(1);
  ASSERT_EQ(Room_Current->inactive.count, 1);
  Command_GotoRoom(1);
  Run(1);
  EXPECT_EQ(Instance_Find(100003), nullptr) << "not found from another room";
  EXPECT_EQ(Instance_Find(100001), nullptr);
  Instance_ActivateObject(nullptr, nullptr, 100003);
  Run(1);
  EXPECT_EQ(Room_Current->active.count, 1);
  EXPECT_EQ(Object_Data(0)->instances.count, 1);

  Command_GotoRoom(0);
  Run(1);
  CRoom* home = Room_Current;
  ASSERT_NE(Instance_Find(100003), nullptr);
  EXPECT_TRUE(Instance_Find(100003)->deactivated);
  ASSERT_EQ(home->inactive.count, 1);
  EXPECT_EQ(home->inactive.first->id, 100003);
  EXPECT_EQ(home->active.count, 1);
  Instance_ActivateObject(nullptr, nullptr, 100003);
  ClearLog();
  Run(2);
  EXPECT_EQ(home->inactive.count, 0);
  EXPECT_EQ(home->active.count, 2);
  EXPECT_EQ(Object_Data(0)->instances.count, 2);
  EXPECT_EQ(Log(), (Lines{"Step 100001", "Step 100003", "Step 100001", "Step 100003"}));
}

TEST_F(RoomEntryTest, ARoomChangeInTheFirstCreateIsMadeAtOnce) {
  RoomEntry first{.name = "first"};
  first.instances = {At(100001)};
  RoomEntry second{.name = "second"};
  second.instances = {At(100002)};
  ASSERT_TRUE(Load({first, second}, {Logger("ob")}));
  OnEvent([](CInstance* self, CInstance*) {
    if (self->id == 100001 && Event_Current.type == kEventCreate) Command_GotoRoom(1);
  });
  Start();
  ASSERT_NE(Room_Current, nullptr);
  EXPECT_EQ(Room_CurrentIndex, 1);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeNone);
  const Lines log = Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.front(), "Create 100001");
  EXPECT_EQ(std::vector<std::string>(log.end() - 2, log.end()), (Lines{"Create 100002", "RoomStart 100002"}));
}

TEST_F(RoomEntryTest, RoomEndAndGameEndRunDespiteAPendingChange) {
  ASSERT_TRUE(Load({RoomEntry{.name = "only", .instances = {At(100001)}}}, {Logger("ob")}));
  Start();
  ClearLog();
  Command_GotoRoom(0);
  EXPECT_EQ(g_RoomChangeCode, 0);
  End();
  EXPECT_EQ(Log(), (Lines{"RoomEnd 100001", "GameEnd 100001"}));
}

// A Create event that changes its instance's object and destroys it: the Destroy event runs
// once, and the instance, still waiting for its object change, goes cleanly at the room's start.
TEST_F(RoomEntryTest, ChangeThenDestroyInACreateEvent) {
  ASSERT_TRUE(Load({RoomEntry{.name = "only", .instances = {At(100001), At(100002)}}}, {Logger("ob"), Logger("other")}));
  OnEvent([](CInstance* self, CInstance*) {
    if (self->id == 100001 && Event_Current.type == kEventCreate) {
      Command_ChangeInstance(self, 1, false);
      Command_DestroyInstance(self);
    }
  });
  Start();
  EXPECT_EQ(Log(), (Lines{"Create 100001", "Destroy 100001", "Create 100002", "GameStart 100002", "RoomStart 100002"}));
  EXPECT_EQ(Instance_Find(100001), nullptr);
  EXPECT_EQ(Room_Current->active.count, 1);
  EXPECT_EQ(Object_Data(1)->instances.count, 0);
  EXPECT_EQ(Object_Data(0)->instances.count, 1);
  Run(2);
}

int g_endedWith = -1;
std::vector<std::string> g_logAtEnd;

// With -headless the run ends right after a new room's creation code, before Room Start; a room
// without one goes on.
TEST_F(RoomEntryTest, AHeadlessRunEndsAfterTheRoomsCreationCode) {
  const ErrorEndProcessFn previous = Error_SetEndProcess([](int code) {
    g_endedWith = code;
    g_logAtEnd = WorldDriverTest::Log();
  });
  g_RunnerOptions.headless = true;
  const struct {
    const char* name;
    int32_t code;
    int expectEnd;
    Lines logAtEnd;
  } cases[] = {
      {"with a creation code", kLog, 0, {"Create 100001", "GameStart 100001", "code 0"}},
      {"without one", -1, -1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_endedWith = -1;
    g_logAtEnd.clear();
    ClearLog();
    ASSERT_TRUE(Load({RoomEntry{.name = "only", .creation_code = c.code, .instances = {At(100001)}}}, {Logger("ob")}));
    Start();
    EXPECT_EQ(g_endedWith, c.expectEnd);
    EXPECT_EQ(g_logAtEnd, c.logAtEnd);
    if (c.code < 0) {
      EXPECT_EQ(Log(), (Lines{"Create 100001", "GameStart 100001", "RoomStart 100001"}));
      EXPECT_EQ(Run(3), 3) << "the game goes on";
      EXPECT_FALSE(m_ended);
    }
    End();
    Runner_DeleteRoomCopies();
    Room_Shutdown();
    Object_Shutdown();
    Code_FreeSlots();
  }
  Error_SetEndProcess(previous);
}

}  // namespace
