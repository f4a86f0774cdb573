// Timelines: the moments the step's timeline phase runs forward, backward and looping, moments
// that move the position or delete their own timeline, and editing the moments and the table.
#include <string>
#include <vector>

#include "world/step_phases.h"
#include "world_test_support.h"

namespace {

constexpr int32_t kLog = kit::kLogEvent;

class TimelineTest : public ObjectWorldTest {
 protected:
  void SetUp() override {
    ObjectWorldTest::SetUp();
    ASSERT_TRUE(Load({Entry("ob")}));
    m_inst = NewInstance(0, 100001);
  }
  void TearDown() override {
    kit::TheLog().onEvent = nullptr;
    ObjectWorldTest::TearDown();
  }
  static CEvent* LoggingHandler() {
    auto* handler = new CEvent();
    handler->name = "";
    handler->code = new CCode(kLog, 0);
    return handler;
  }
  // A timeline whose moments at these times run the logging handler.
  static int32_t Moments(std::initializer_list<int32_t> times) {
    const int32_t index = TimeLine_Add();
    for (int32_t t : times) TimeLine_Data(index)->AddEventMoment(t, LoggingHandler());
    return index;
  }
  void Run(int32_t timeline, float position, float speed, bool loop) {
    m_inst->timeline_index = timeline;
    m_inst->timeline_position = m_inst->timeline_positionprevious = position;
    m_inst->timeline_speed = speed;
    m_inst->timeline_running = true;
    m_inst->timeline_loop = loop;
  }
  // The moment times each of `phases` timeline phases ran.
  static std::vector<std::vector<int32_t>> Phases(int32_t phases) {
    std::vector<std::vector<int32_t>> ran;
    for (int32_t p = 0; p < phases; ++p) {
      Seen().clear();
      HandleTimelines();
      std::vector<int32_t> times;
      for (const kit::EventSeen& e : Seen()) times.push_back(e.number);
      ran.push_back(times);
    }
    return ran;
  }
  static std::vector<int32_t> Times(const CTimeLine* t) {
    std::vector<int32_t> times;
    for (int32_t i = 0; i < t->GetCount(); ++i) times.push_back(t->GetTime(i));
    return times;
  }
  CInstance* m_inst = nullptr;
};

using Ran = std::vector<std::vector<int32_t>>;

TEST_F(TimelineTest, ThePhaseRunsTheMomentsPassedOver) {
  struct Case {
    const char* what;
    float position, speed;
    bool loop;
    Ran ran;
    float positionAfter;
  };
  const Case cases[] = {
      {"forward", 0, 1, false, {{0}, {}, {}, {}, {}, {5}, {}, {}, {}, {}, {10}, {}, {}}, 13},
      // After the moment at 10 the position passes 10 and starts over at 0.
      {"forward looping", 0, 1, true, {{0}, {}, {}, {}, {}, {5}, {}, {}, {}, {}, {10}, {0}, {}}, 2},
      {"speed 2 from 4", 4, 2, false, {{5}, {}, {}}, 10},
      {"backward", 12, -4, false, {{10}, {5}, {}, {0}}, -4},
      {"backward looping", 12, -4, true, {{10}, {5}, {}, {0}}, 10},
  };
  for (const Case& c : cases) {
    TimeLine_DeleteAll();
    Run(Moments({0, 5, 10}), c.position, c.speed, c.loop);
    EXPECT_EQ(Phases(static_cast<int32_t>(c.ran.size())), c.ran) << c.what;
    EXPECT_EQ(m_inst->timeline_position, c.positionAfter) << c.what;
  }
}

TEST_F(TimelineTest, SpeedZeroRunsWhatThePositionWasMovedOver) {
  Run(Moments({0, 5, 10}), 7, 0, false);
  m_inst->timeline_positionprevious = 2;
  EXPECT_EQ(Phases(2), (Ran{{5}, {}}));
}

TEST_F(TimelineTest, AMomentThatSetsThePositionKeepsIt) {
  Run(Moments({0, 5}), 0, 1, false);
  kit::TheLog().onEvent = [](CInstance* self, CInstance*) { self->timeline_position = 5; };
  EXPECT_EQ(Phases(2), (Ran{{0}, {5}}));
  EXPECT_EQ(m_inst->timeline_position, 6.0f);
  EXPECT_EQ(m_inst->timeline_positionprevious, 5.0f);
}

TEST_F(TimelineTest, InstancesThatDoNotRunATimelineAreSkipped) {
  Run(Moments({0}), 0, 1, false);
  m_inst->timeline_running = false;
  EXPECT_EQ(Phases(1), (Ran{{}}));
  m_inst->timeline_running = true;
  m_inst->timeline_index = 9;  // no such timeline
  EXPECT_EQ(Phases(1), (Ran{{}}));
  m_inst->timeline_index = TimeLine_Add();  // no moments
  EXPECT_EQ(Phases(1), (Ran{{}}));
  EXPECT_EQ(m_inst->timeline_position, 0.0f);
}

TEST_F(TimelineTest, AMomentMayDeleteItsOwnTimeline) {
  const int32_t first = Moments({0, 1, 2});
  Run(first, 0, 3, false);
  kit::TheLog().onEvent = [](CInstance* self, CInstance*) { TimeLine_Delete(self->timeline_index); };
  // The first moment deletes the timeline while its handler runs; the others are gone with it.
  EXPECT_EQ(Phases(1), (Ran{{0}}));
  EXPECT_EQ(TimeLine_Number(), 0);
  // Clearing the timeline from inside a moment is as safe.
  const int32_t second = Moments({0, 1});
  Run(second, 0, 2, false);
  kit::TheLog().onEvent = [](CInstance* self, CInstance*) { TimeLine_Data(self->timeline_index)->Clear(); };
  EXPECT_EQ(Phases(1), (Ran{{0}}));
  EXPECT_EQ(TimeLine_Data(second)->GetCount(), 0);
}

TEST_F(TimelineTest, EditingMoments) {
  const int32_t index = Moments({5, 10});
  CTimeLine* t = TimeLine_Data(index);
  // timeline_moment_add_script: an existing time gets the script, a new time is inserted in order.
  for (int32_t time : {5, 7, 0}) {
    if (t->FindMoment(time) >= 0) {
      t->SetMomentScript(time, kit::kLogScript);
    } else {
      t->AddMoment(time, kit::kLogScript);
    }
  }
  EXPECT_EQ(Times(t), (std::vector<int32_t>{0, 5, 7, 10}));
  EXPECT_EQ(t->GetEvent(1), CTimeLine::ScriptEntry(kit::kLogScript));
  EXPECT_FALSE(CTimeLine::IsScriptEntry(t->GetEvent(3)));
  t->DeleteMoment(6);  // no moment there
  EXPECT_EQ(Times(t), (std::vector<int32_t>{0, 5, 7, 10}));
  t->DeleteMoment(10);
  t->DeleteMoment(0);
  EXPECT_EQ(Times(t), (std::vector<int32_t>{5, 7}));
  EXPECT_EQ(t->FindFirstAtOrAfter(5.5), 1);
  EXPECT_EQ(t->FindFirstAtOrAfter(8), 2);
  EXPECT_EQ(t->FindLastAtOrBefore(4.9), -1);
  t->Clear();
  t->DeleteMoment(5);  // nothing to delete
  EXPECT_EQ(t->GetCount(), 0);
  EXPECT_EQ(t->FindFirstAtOrAfter(0), 0);
  EXPECT_EQ(t->GetTime(0), 0);
}

TEST_F(TimelineTest, DeletingATimelineMovesLaterOnesDown) {
  const int32_t a = TimeLine_Add();
  const int32_t b = TimeLine_Add();
  const int32_t c = TimeLine_Add();
  EXPECT_STREQ(TimeLine_Name(c), "__newtimeline2");
  EXPECT_TRUE(TimeLine_Delete(b));
  EXPECT_FALSE(TimeLine_Delete(7));
  EXPECT_EQ(TimeLine_Number(), 2);
  EXPECT_STREQ(TimeLine_Name(a), "__newtimeline0");
  EXPECT_STREQ(TimeLine_Name(b), "__newtimeline2");
  EXPECT_EQ(TimeLine_Find("__newtimeline2"), 1);
  EXPECT_EQ(TimeLine_Find("__newtimeline1"), -1);
  EXPECT_STREQ(TimeLine_Name(2), "<undefined>");
}

}  // namespace
