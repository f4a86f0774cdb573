// Finding and performing events: inheritance, the collision search, nesting, the room-change
// filter, performing for all instances, handlers without code, and timeline moments.
#include <algorithm>
#include <string>
#include <vector>

#include "core/vm_error.h"
#include "runtime/game_flags.h"
#include "world/object_lists.h"
#include "world_test_support.h"

namespace {

using kit::EventSeen;
constexpr int32_t kLog = kit::kLogEvent;

class EventsTest : public ObjectWorldTest {
 protected:
  // One object "ob" whose (type, number) handler is the logging event, and an instance of it.
  CInstance* OneLoggingObject(int32_t type, int32_t number) {
    ObjtEntry o = Entry("ob");
    o.on(static_cast<size_t>(type), static_cast<uint32_t>(number), kLog);
    EXPECT_TRUE(Load({o}));
    return NewInstance(0, 100001);
  }
};

TEST_F(EventsTest, AGrandparentsCreateHandlerRunsAsTheGrandparentsEvent) {
  ObjtEntry grandparent = Entry("ob_grandparent");
  grandparent.on(kEventCreate, 0, kLog);
  ASSERT_TRUE(Load({grandparent, Entry("ob_parent", 0), Entry("ob_child", 1)}));
  CInstance* child = NewInstance(2, 100001);
  Event_Current = {7, 3, 1, 0};

  EXPECT_TRUE(Event_Perform(child, child, kEventCreate, 0));
  EXPECT_EQ(Seen(), (std::vector<EventSeen>{{100001, 100001, kEventCreate, 0, 0}}));
  // The context is the one from before, and nothing is left nested.
  EXPECT_EQ(Event_Current.type, 7);
  EXPECT_EQ(Event_Current.number, 3);
  EXPECT_EQ(Event_Current.objectIndex, 1);
  EXPECT_EQ(Event_NestingDepth(), 0);
  // No destroy handler anywhere in the chain: nothing runs, nothing is counted.
  EXPECT_FALSE(Event_Perform(child, child, kEventDestroy, 0));
  EXPECT_EQ(Seen().size(), 1u);
}

TEST_F(EventsTest, AnEventOfTwoActionsRunsTheFirstActionsCodeOnly) {
  ObjtEntry o = Entry("ob");
  o.rows[kEventStep].push_back(container::ObjtEvent{0, {kLog, kLog}});
  ASSERT_TRUE(Load({o}));
  CInstance* self = NewInstance(0, 100001);
  EXPECT_TRUE(Event_Perform(self, self, kEventStep, 0));
  EXPECT_EQ(Seen().size(), 1u);
}

TEST_F(EventsTest, ACollisionIsFoundThroughTheOtherObjectsAncestors) {
  // 0 P (child of 1 PP); 2 R (child of 3 Q, child of 4 QQ). PP collides with Q and with QQ.
  ObjtEntry pp = Entry("PP");
  pp.on(kEventCollision, 3, kLog).on(kEventCollision, 4, kLog);
  ASSERT_TRUE(Load({Entry("P", 1), pp, Entry("R", 3), Entry("Q", 4), Entry("QQ")}));
  int32_t defining = -1;
  // P against R: own chain against R (nothing), then own chain against Q: PP's handler.
  EXPECT_EQ(Event_FindHandler(0, kEventCollision, 2, &defining), Object_Data(1)->RowEvent(kEventCollision, 3));
  EXPECT_EQ(defining, 1);
  EXPECT_EQ(Object_Data(0)->FindEvent(kEventCollision, 2), Object_Data(1)->RowEvent(kEventCollision, 3));
  // The search is not symmetric: R has nothing against P.
  EXPECT_EQ(Event_FindHandler(2, kEventCollision, 0, &defining), nullptr);
  EXPECT_EQ(defining, 2);
}

TEST_F(EventsTest, AnOwnChainMatchBeatsAMatchAgainstTheOtherObjectsAncestors) {
  // 0 P (child of 1 PP) collides with Q; PP collides with R itself; R (2) is Q's (3) child.
  ObjtEntry p = Entry("P", 1);
  p.on(kEventCollision, 3, kLog);
  ObjtEntry pp = Entry("PP");
  pp.on(kEventCollision, 2, kLog);
  ASSERT_TRUE(Load({p, pp, Entry("R", 3), Entry("Q")}));
  int32_t defining = -1;
  EXPECT_EQ(Event_FindHandler(0, kEventCollision, 2, &defining), Object_Data(1)->RowEvent(kEventCollision, 2));
  EXPECT_EQ(defining, 1);
  // Against Q itself P's own handler wins.
  EXPECT_EQ(Event_FindHandler(0, kEventCollision, 3, &defining), Object_Data(0)->RowEvent(kEventCollision, 3));
  EXPECT_EQ(defining, 0);
}

TEST_F(EventsTest, ThirtyTwoNestedEventsRunAndTheThirtyThirdIsRefused) {
  CInstance* self = OneLoggingObject(kEventOther, 10);
  static int32_t deepest;
  static std::vector<bool> results;  // of the nested calls, innermost first
  deepest = 0;
  results.clear();
  kit::TheLog().onEvent = [](CInstance* s, CInstance* other) {
    deepest = std::max(deepest, Event_NestingDepth());
    results.push_back(Event_Perform(s, other, kEventOther, 10));
  };
  Event_Current = {2, 5, -1, 0};

  EXPECT_TRUE(Event_Perform(self, self, kEventOther, 10));
  EXPECT_EQ(Seen().size(), 32u);
  EXPECT_EQ(deepest, 32);
  ASSERT_EQ(results.size(), 32u);
  EXPECT_FALSE(results.front());  // the 33rd
  EXPECT_TRUE(results.back());
  EXPECT_EQ(RuntimeErrorCapture::LastError(),
            "PerformEvent recursion depth failure - check for infinite loops, check objects for parenting");
  EXPECT_NE(RuntimeErrorCapture::LastReport().find("FATAL ERROR"), std::string::npos);
  EXPECT_EQ(g_RoomChangeCode, kRoomChangeQuit);
  EXPECT_EQ(Event_NestingDepth(), 0);
  EXPECT_EQ(Event_Current.type, 2);
  EXPECT_EQ(Event_Current.number, 5);
  EXPECT_EQ(Event_Current.objectIndex, -1);
}

TEST_F(EventsTest, AnInvalidEventAddressIsAFatalErrorAndRunsNothing) {
  CInstance* self = OneLoggingObject(kEventStep, 0);
  const struct {
    int32_t type;
    int32_t number;
  } cases[] = {{12, 0}, {-1, 0}, {kEventStep, -1}};
  for (const auto& c : cases) {
    RuntimeErrorCapture::Reset();
    EXPECT_FALSE(Event_Perform(self, self, c.type, c.number)) << c.type << " " << c.number;
    EXPECT_EQ(RuntimeErrorCapture::LastError(), "Invalid event argument") << c.type << " " << c.number;
    EXPECT_EQ(Object_Data(0)->GetEvent(c.type, c.number), nullptr);
  }
  EXPECT_TRUE(Seen().empty());
  // Without a self instance nothing runs.
  RuntimeErrorCapture::Reset();
  EXPECT_FALSE(Event_Perform(nullptr, self, kEventStep, 0));
  EXPECT_FALSE(Event_PerformObject(nullptr, self, 0, kEventStep, 0));
  EXPECT_TRUE(Seen().empty());
}

TEST_F(EventsTest, EveryEventStartsWithTheRelativeFlagClearedAndGetsItBack) {
  CInstance* self = OneLoggingObject(kEventStep, 0);
  static bool seen;
  seen = true;
  kit::TheLog().onEvent = [](CInstance*, CInstance*) {
    seen = argument_relative;
    argument_relative = true;  // an action set it
  };
  argument_relative = true;
  EXPECT_TRUE(Event_Perform(self, self, kEventStep, 0));
  EXPECT_FALSE(seen);
  EXPECT_TRUE(argument_relative);
  argument_relative = false;
  EXPECT_TRUE(Event_Perform(self, self, kEventStep, 0));
  EXPECT_FALSE(argument_relative);
}

// While a room change is pending only create, destroy, alarm and other events of a persistent
// instance, or in a persistent room, are performed.
TEST_F(EventsTest, TheRoomChangeFilter) {
  ObjtEntry o = Entry("ob");
  for (int32_t type = 0; type <= kEventKeyRelease; ++type) o.on(static_cast<size_t>(type), 0, kLog);
  ASSERT_TRUE(Load({o}));
  CInstance* self = NewInstance(0, 100001);
  const struct {
    bool instancePersistent;
    bool roomPersistent;
  } owners[] = {{false, false}, {true, false}, {false, true}, {true, true}};
  for (const auto& owner : owners) {
    self->persistent = owner.instancePersistent;
    m_room.persistent = owner.roomPersistent;
    for (int32_t type = 0; type <= kEventKeyRelease; ++type) {
      const bool kept = type == kEventCreate || type == kEventDestroy || type == kEventAlarm || type == kEventOther;
      const bool expected = kept && (owner.instancePersistent || owner.roomPersistent);
      SCOPED_TRACE(testing::Message() << owner.instancePersistent << owner.roomPersistent << " type " << type);
      g_RoomChangeCode = 3;  // room_goto is pending
      Seen().clear();
      EXPECT_EQ(Event_Perform(self, self, type, 0), expected);
      EXPECT_EQ(Event_PerformObject(self, self, 0, type, 0), expected);
      EXPECT_EQ(Seen().size(), expected ? 2u : 0u);
      g_RoomChangeCode = kRoomChangeNone;
      EXPECT_TRUE(Event_Perform(self, self, type, 0));
    }
  }
}

TEST_F(EventsTest, PerformingForAllVisitsTheActiveInstancesInDepthOrder) {
  ObjtEntry o = Entry("ob");
  o.on(kEventOther, 4, kLog);
  ASSERT_TRUE(Load({o, Entry("ob_child", 0), Entry("ob_silent")}));
  CInstance* deep = NewInstance(1, 100002);
  deep->depth = 10;
  m_room.active.Remove(deep);
  m_room.active.InsertByDepth(deep);
  NewInstance(0, 100001);
  NewInstance(2, 100003);
  NewInstance(0, 100004)->marked = true;
  NewInstance(0, 100005)->deactivated = true;

  Event_PerformAll(kEventOther, 4);
  EXPECT_EQ(Seen(), (std::vector<EventSeen>{{100001, 100001, kEventOther, 4, 0}, {100002, 100002, kEventOther, 4, 0}}));

  // Nothing at all while a change is pending, even for persistent instances in a persistent room.
  Seen().clear();
  m_room.persistent = true;
  for (CInstance* i : m_instances) i->persistent = true;
  g_RoomChangeCode = kRoomChangeRestart;
  Event_PerformAll(kEventOther, 4);
  EXPECT_TRUE(Seen().empty());
  g_RoomChangeCode = kRoomChangeNone;
  Room_Current = nullptr;
  Event_PerformAll(kEventOther, 4);
  EXPECT_TRUE(Seen().empty());
}

TEST_F(EventsTest, AnInstanceLeavingTheListDuringItsEventDoesNotEndTheWalk) {
  ObjtEntry o = Entry("ob");
  o.on(kEventOther, 5, kLog);
  ASSERT_TRUE(Load({o}));
  for (int32_t id = 100001; id <= 100003; ++id) NewInstance(0, id);
  static CRoom* room;
  room = &m_room;
  kit::TheLog().onEvent = [](CInstance* self, CInstance*) {
    room->active.Remove(self);
    self->marked = true;
  };
  Event_PerformAll(kEventOther, 5);
  EXPECT_EQ(Seen().size(), 3u);
  EXPECT_EQ(m_room.active.count, 0);
}

TEST_F(EventsTest, AHandlerLoadedWithoutAnyCodeCountsAsUndefined) {
  Game_SetCompiledMode(false);  // and the game has no CODE chunk
  ObjtEntry parent = Entry("ob_parent");
  parent.on(kEventStep, 0, kLog).on(kEventCreate, 0, kLog);
  ASSERT_TRUE(Load({parent, Entry("ob_child", 0)}));
  CInstance* child = NewInstance(1, 100001);
  ASSERT_NE(Object_Data(0)->events[kEventStep].size(), 0u);  // the entry was read
  EXPECT_EQ(Object_Data(0)->GetEvent(kEventStep, 0), nullptr);
  EXPECT_FALSE(Object_Data(1)->HasEvent(kEventCreate, 0));
  EXPECT_FALSE(Event_Perform(child, child, kEventStep, 0));
  ObjectLists_Build();
  EXPECT_TRUE(List(kEventStep, 0).empty());
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
}

TEST_F(EventsTest, AnEmptyActionListIsAHandlerThatDoesNothing) {
  ObjtEntry o = Entry("ob");
  o.rows[kEventStep].push_back({0, {}});
  ASSERT_TRUE(Load({o}));
  CInstance* self = NewInstance(0, 100001);
  ASSERT_NE(Object_Data(0)->GetEvent(kEventStep, 0), nullptr);
  EXPECT_EQ(Object_Data(0)->GetEvent(kEventStep, 0)->code, nullptr);
  EXPECT_TRUE(Event_Perform(self, self, kEventStep, 0));
  ObjectLists_Build();
  EXPECT_EQ(List(kEventStep, 0), std::vector<int32_t>{0});
}

TEST_F(EventsTest, ClearingAnEventKeepsItsHandlerDispatched) {
  ObjtEntry parent = Entry("ob_parent");
  parent.on(kEventStep, 0, kLog);
  ASSERT_TRUE(Load({parent, Entry("ob_child", 0)}));
  CInstance* child = NewInstance(1, 100001);
  ObjectLists_Build();
  EXPECT_TRUE(Object_EventClear(1, kEventStep, 0));
  EXPECT_TRUE(Object_EventClear(0, kEventStep, 0));
  EXPECT_FALSE(Object_EventClear(7, kEventStep, 0));
  EXPECT_EQ(List(kEventStep, 0), (std::vector<int32_t>{0, 1}));
  EXPECT_TRUE(Event_Perform(child, child, kEventStep, 0));
  EXPECT_EQ(Seen(), (std::vector<EventSeen>{{100001, 100001, kEventStep, 0, 0}}));
}

TEST_F(EventsTest, AFailingInheritedHandlerIsNamedInTheErrorReport) {
  ObjtEntry parent = Entry("ob_enemy");
  parent.on(kEventStep, 2, kLog);
  ASSERT_TRUE(Load({parent, Entry("ob_bat", 0)}));
  CInstance* bat = NewInstance(1, 100001);
  kit::TheLog().onEvent = [](CInstance*, CInstance*) { VM_RuntimeError("bad wing count"); };
  Event_Perform(bat, bat, kEventStep, 2);
  const std::string report = RuntimeErrorCapture::LastReport();
  EXPECT_NE(report.find("ERROR in\naction number 1\nof  Step Event2\nfor object ob_enemy:\n\n\nbad wing count"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("called from - tll_Object_ob_log_Event_0 (line 2)"), std::string::npos) << report;
}

TEST_F(EventsTest, ATimelineScriptMomentRunsAsEvent100000AtItsTime) {
  ASSERT_TRUE(Load({Entry("ob")}));
  CInstance* self = NewInstance(0, 100001);
  CInstance* other = NewInstance(0, 100002);
  TimeLine_Add();
  const int32_t timeline = TimeLine_Add();
  CTimeLine* t = TimeLine_Data(timeline);
  t->AddMoment(25, kit::kLogScript);
  t->AddMoment(3, kit::kLogScript);
  auto* handler = new CEvent();
  handler->name = "";
  handler->code = new CCode(kLog, 0);
  t->AddEventMoment(40, handler);
  Event_Current = {3, 0, 0, 0};

  TimeLine_Execute(self, other, timeline, 1);
  TimeLine_Execute(self, other, timeline, 2);
  EXPECT_EQ(Seen(), (std::vector<EventSeen>{{100001, 100002, kEventTypeTimeline, 25, timeline},
                                            {100001, 100002, kEventTypeTimeline, 40, timeline}}));
  EXPECT_EQ(Event_Current.type, 3);
  EXPECT_EQ(Event_Current.objectIndex, 0);
  // No such moment or timeline, or a room change pending: nothing runs.
  Seen().clear();
  TimeLine_Execute(self, other, timeline, 3);
  TimeLine_Execute(self, other, timeline + 1, 0);
  TimeLine_Execute(self, other, -1, 0);
  g_RoomChangeCode = 0;
  TimeLine_Execute(self, other, timeline, 0);
  EXPECT_TRUE(Seen().empty());
}

}  // namespace
