// The instance commands and the activation functions in a running game (the headless world
// driver): Destroy and Create events they run, instance_copy, and deactivating and activating
// by instance, object, all and region.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "assets/sprite_table.h"
#include "core/translated_kit.h"
#include "host/rooms.h"
#include "world/activation.h"
#include "world/commands.h"
#include "world/deferred.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world_driver.h"

namespace {

using container::RoomEntry;
using container::RoomInstanceEntry;
using Lines = std::vector<std::string>;

class InstanceCommandsTest : public WorldDriverTest {
 protected:
  // Objects: 0 "ob" (logs Create, Destroy, Step), 1 "child" of 0, 2 "loner". Room 0 places
  // 100001 (ob at 0,0), 100002 (child at 100,0) and 100003 (loner at 300,200) in a room of
  // 400 x 300.
  void StartThreeInstances() {
    container::ObjtEntry child = LoggingObject("child", {});
    child.parent_index = 0;
    RoomEntry room{.name = "r", .width = 400, .height = 300};
    room.instances = {RoomInstanceEntry{.x = 0, .y = 0, .object = 0, .id = 100001},
                      RoomInstanceEntry{.x = 100, .y = 0, .object = 1, .id = 100002},
                      RoomInstanceEntry{.x = 300, .y = 200, .object = 2, .id = 100003}};
    ASSERT_TRUE(Load({room}, {LoggingObject("ob", {{kEventCreate, 0}, {kEventDestroy, 0}, {kEventStep, 0}}), child,
                             LoggingObject("loner", {})}));
    Start();
    ClearLog();
  }
  static CInstance* I(int32_t id) { return Instance_Find(id); }
  static std::vector<int32_t> Ids(const InstanceList& list) {
    std::vector<int32_t> ids;
    for (CInstance* i = list.first; i != nullptr; i = i->list_next) ids.push_back(i->id);
    return ids;
  }
  static int32_t Count(const Lines& log, const std::string& line) {
    return static_cast<int32_t>(std::count(log.begin(), log.end(), line));
  }
};

TEST_F(InstanceCommandsTest, DestroyRunsItsEventOnceAndChangeIntoTheOwnObjectRunsNothing) {
  StartThreeInstances();
  CInstance* a = I(100001);
  Command_DestroyInstance(a);
  Command_DestroyInstance(a);
  EXPECT_EQ(Log(), (Lines{"Destroy 100001"}));
  EXPECT_EQ(Room_Current->active.count, 3) << "counted until the marked are deleted";
  EXPECT_TRUE(Instance_CollectActive().size() == 2u) << "but no query returns it";
  Room_DeleteMarked(Room_Current);
  EXPECT_EQ(Room_Current->active.count, 2);

  ClearLog();
  Command_ChangeInstance(I(100002), 1, true);
  EXPECT_EQ(Log(), Lines{}) << "into its own object";
  Command_ChangeInstance(I(100003), 0, true);
  EXPECT_EQ(Log(), (Lines{"Create 100003"})) << "loner has no Destroy; ob's Create runs after the change";
}

TEST_F(InstanceCommandsTest, DeactivationAndActivationCases) {
  StartThreeInstances();
  const struct {
    const char* name;
    void (*act)();
    std::vector<int32_t> active;
    std::vector<int32_t> inactive;
  } cases[] = {
      {"all but the caller", [] { Instance_DeactivateAll(I(100001), true); }, {100001}, {100002, 100003}},
      {"activate all", [] { Instance_ActivateAll(); }, {100001, 100002, 100003}, {}},
      {"all, caller too", [] { Instance_DeactivateAll(I(100001), false); }, {}, {100001, 100002, 100003}},
      {"activate by object: descendants too", [] { Instance_ActivateObject(nullptr, nullptr, 0); }, {100001, 100002},
       {100003}},
      {"activate by id", [] { Instance_ActivateObject(nullptr, nullptr, 100003); }, {100001, 100002, 100003}, {}},
      {"deactivate by object", [] { Instance_DeactivateObject(nullptr, nullptr, 1); }, {100001, 100003}, {100002}},
      {"a marked caller is deactivated by -1 all the same",
       [] {
         I(100001)->marked = true;
         Instance_DeactivateObject(I(100001), nullptr, kInstanceSelf);
       },
       {100003}, {100002, 100001}},
      {"a marked instance is not activated by -1",
       [] { Instance_ActivateObject(I(100001), nullptr, kInstanceSelf); }, {100003}, {100002, 100001}},
      {"unmarked, back by -2", [] {
         I(100001)->marked = false;
         Instance_ActivateObject(nullptr, I(100001), kInstanceOther);
       },
       {100003, 100001}, {100002}},
      {"region, inside false: only what lies wholly outside",
       [] { Instance_DeactivateRegion(nullptr, 0, 0, 299, 199, false, false); }, {100001}, {100002, 100003}},
      {"activate region inside", [] { Instance_ActivateRegion(50, -10, 100, 20, true); }, {100001, 100002}, {100003}},
      {"deactivate region inside, not me",
       [] { Instance_DeactivateRegion(I(100001), -1, -1, 200, 10, true, true); }, {100001}, {100003, 100002}},
      {"activated and deactivated again before the update: unmoved",
       [] {
         Instance_ActivateObject(nullptr, nullptr, kInstanceAll);
         Instance_DeactivateObject(nullptr, nullptr, 100002);
         Instance_DeactivateObject(nullptr, nullptr, 100003);
       },
       {100001}, {100003, 100002}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    c.act();
    Deferred_ApplyActivation();
    EXPECT_EQ(Ids(Room_Current->active), c.active);
    EXPECT_EQ(Ids(Room_Current->inactive), c.inactive);
  }
  // Only active instances are in their objects' lists; deactivated ones keep their id entries.
  EXPECT_EQ(Object_Data(0)->instances.count, 1);
  EXPECT_EQ(Object_Data(1)->instances.count, 0);
  EXPECT_NE(I(100002), nullptr);
  ClearLog();
  StepPass();
  EXPECT_EQ(Log(), (Lines{"Step 100001"})) << "only the active instance steps";
}

TEST_F(InstanceCommandsTest, ACopyHasTheCallersStateAndANewIdAndStepsOncePerPass) {
  StartThreeInstances();
  CInstance* a = I(100001);
  a->x = 12;
  a->y = 34;
  RValue_Release(&a->m_slots[kit::kHits]);
  a->m_slots[kit::kHits] = RValue_MakeReal(5);
  const int32_t last = Room_InstanceIdCounter();
  EXPECT_EQ(last, 100003) << "the header's counter starts past the placed ids";
  const int32_t id = Instance_Copy(a, false);
  EXPECT_EQ(id, last + 1);
  CInstance* copy = I(id);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->x, 12.0f);
  EXPECT_EQ(copy->y, 34.0f);
  EXPECT_EQ(copy->m_slots[kit::kHits].val, 5.0);
  EXPECT_EQ(Log(), Lines{}) << "no Create";
  EXPECT_EQ(I(100001), a) << "the caller keeps its id entry";
  EXPECT_EQ(Object_Data(0)->instances.count, 2) << "joined its object's list once";
  StepPass();
  EXPECT_EQ(Count(Log(), "Step " + std::to_string(id)), 1);
  EXPECT_EQ(Count(Log(), "Step 100001"), 1);

  ClearLog();
  const int32_t second = Instance_Copy(a, true);
  EXPECT_EQ(Log(), (Lines{"Create " + std::to_string(second)}));
  EXPECT_TRUE(I(second)->create_event_run);
  EXPECT_EQ(Instance_Copy(nullptr, false), -1);
}

TEST_F(InstanceCommandsTest, MoveTowardsAPoint) {
  StartThreeInstances();
  CInstance* a = I(100001);
  Command_MoveTowards(a, 30, 40, 10);
  EXPECT_NEAR(a->hspeed, 6.0f, 1e-4f);
  EXPECT_NEAR(a->vspeed, 8.0f, 1e-4f);
  EXPECT_NEAR(a->speed, 10.0f, 1e-4f);
}

}  // namespace
