// Paths: straight and smooth routes, their length and time, positions by fraction, edits, the
// transformations about the centre, the table, the PATH chunk, and motion through the step.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "container/path_tmln.h"
#include "container/writer.h"
#include "host/game_step.h"
#include "world/path.h"
#include "world/step_phases.h"
#include "world_test_support.h"

namespace {

std::vector<std::vector<float>> Route(const CPath& p) {
  std::vector<std::vector<float>> r;
  for (const PathRoutePoint& q : p.Route()) r.push_back({q.x, q.y, q.speed});
  return r;
}

std::vector<std::vector<float>> Points(const CPath& p) {
  std::vector<std::vector<float>> r;
  for (int32_t i = 0; i < p.GetNumber(); ++i) r.push_back({p.GetPoint(i).x, p.GetPoint(i).y, p.GetPoint(i).speed});
  return r;
}

TEST(PathTest, RoutesOfEachKind) {
  CPath square;  // closed and straight by default
  for (auto [x, y] : {std::pair{0, 0}, {10, 0}, {10, 10}, {0, 10}}) square.AddPoint(x, y, 100);
  EXPECT_EQ(square.Route().size(), 5u);
  EXPECT_EQ(Route(square).back(), Route(square).front());
  EXPECT_FLOAT_EQ(square.GetLength(), 40);

  CPath smooth;
  smooth.SetKind(kPathKindSmooth);
  smooth.SetClosed(false);
  smooth.AddPoint(0, 0, 100);
  smooth.AddPoint(30, 0, 50);
  EXPECT_EQ(Route(smooth), (std::vector<std::vector<float>>{{0, 0, 100}, {30, 0, 50}}));
  EXPECT_FLOAT_EQ(smooth.GetTime(), 40);  // 30 / ((100 + 50) / 2 / 100)
  smooth.AddPoint(30, 30, 100);
  const size_t curved = smooth.Route().size();
  EXPECT_GT(curved, 3u);
  smooth.SetPrecision(0);
  EXPECT_EQ(Route(smooth), (std::vector<std::vector<float>>{{0, 0, 100}, {30, 30, 100}}));
  smooth.SetPrecision(12);
  EXPECT_EQ(smooth.GetPrecision(), 8);
  EXPECT_LE(smooth.Route().size(), 2u + 255u);
  smooth.SetKind(2);
  EXPECT_EQ(smooth.GetKind(), kPathKindStraight);
  EXPECT_EQ(smooth.Route().size(), 3u);
}

TEST(PathTest, ARouteReadBetweenEditsIsTheRouteOfThePointsAtThatMoment) {
  // Built point by point, with its length or positions read after some of the additions and
  // edits, the route is always the one a path made at once from the same points has.
  CPath built;
  built.SetKind(kPathKindSmooth);
  built.SetClosed(false);
  const auto madeAtOnce = [&built] {
    CPath fresh;
    fresh.Assign(built);
    return fresh;
  };
  for (int32_t i = 0; i < 200; ++i) {
    built.AddPoint(static_cast<float>(i * 7 % 53), static_cast<float>(i * 3), static_cast<float>(50 + i % 3 * 25));
    if (i % 37 == 5) {
      const CPath fresh = madeAtOnce();
      EXPECT_EQ(Route(built), Route(fresh)) << i;
      EXPECT_EQ(built.GetLength(), fresh.GetLength()) << i;
      EXPECT_EQ(built.GetX(0.3f), fresh.GetX(0.3f)) << i;
    }
  }
  EXPECT_GT(built.Route().size(), 200u) << "smoothing adds points between the defined ones";
  // Each edit after a read: the next read sees the edit.
  const std::vector<void (*)(CPath*)> edits = {
      [](CPath* p) { p->ChangePoint(10, -40, -40, 100); },
      [](CPath* p) { p->InsertPoint(3, 5, 5, 100); },
      [](CPath* p) { p->DeletePoint(0); },
      [](CPath* p) { p->SetClosed(true); },
      [](CPath* p) { p->SetPrecision(2); },
      [](CPath* p) { p->SetKind(kPathKindStraight); },
      [](CPath* p) { p->Shift(3, 4); },
      [](CPath* p) { p->Reverse(); },
  };
  for (size_t k = 0; k < edits.size(); ++k) {
    EXPECT_EQ(Route(built), Route(madeAtOnce())) << "before edit " << k;
    edits[k](&built);
    EXPECT_EQ(Route(built), Route(madeAtOnce())) << "after edit " << k;
  }
}

TEST(PathTest, EmptyPathsHaveNoRouteWhateverTheirKind) {
  for (int32_t kind : {kPathKindStraight, kPathKindSmooth}) {
    for (bool closed : {false, true}) {
      CPath p;
      p.SetKind(kind);
      p.SetClosed(closed);
      EXPECT_TRUE(p.Route().empty());
      EXPECT_EQ(p.GetLength(), 0.0f);
      EXPECT_EQ(p.GetTime(), 0.0f);
      EXPECT_EQ(p.GetPosition(0.5f).speed, 100.0f);
    }
  }
  CPath closedSmooth;
  closedSmooth.SetKind(kPathKindSmooth);
  closedSmooth.SetPrecision(0);
  closedSmooth.AddPoint(1, 2, 100);
  EXPECT_TRUE(closedSmooth.Route().empty());  // nothing computed, nothing to close
}

TEST(PathTest, PositionsInterpolateAlongTheRoute) {
  CPath p;
  p.SetClosed(false);
  p.AddPoint(0, 0, 100);
  p.AddPoint(10, 0, 50);
  p.AddPoint(10, 30, 100);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Case {
    float t, x, y, speed;
  };
  for (const Case& c : {Case{0.125f, 5, 0, 75}, Case{0.25f, 10, 0, 50}, Case{0.5f, 10, 10, 50 + 50.0f / 3},
                        Case{-1, 0, 0, 100}, Case{2, 10, 30, 100}, Case{nan, 0, 0, 100}}) {
    const PathPoint at = p.GetPosition(c.t);
    EXPECT_FLOAT_EQ(at.x, c.x) << c.t;
    EXPECT_FLOAT_EQ(at.y, c.y) << c.t;
    EXPECT_FLOAT_EQ(at.speed, c.speed) << c.t;
  }
  EXPECT_EQ(p.GetPoint(3).speed, 1.0f);  // a missing point
  EXPECT_EQ(p.GetPoint(-1).x, 0.0f);
}

TEST(PathTest, EditsAndTransformations) {
  CPath p;
  p.SetClosed(false);
  p.AddPoint(0, 0, 100);
  p.AddPoint(10, 20, 50);
  p.InsertPoint(1, 5, 5, 100);
  p.InsertPoint(9, 1, 1, 1);  // out of range
  p.ChangePoint(0, 0, 0, 80);
  EXPECT_EQ(Points(p), (std::vector<std::vector<float>>{{0, 0, 80}, {5, 5, 100}, {10, 20, 50}}));
  p.DeletePoint(1);
  float cx, cy;
  p.GetCentre(&cx, &cy);
  EXPECT_EQ(cx, 5);
  EXPECT_EQ(cy, 10);
  p.Mirror();
  EXPECT_EQ(Points(p), (std::vector<std::vector<float>>{{10, 0, 80}, {0, 20, 50}}));
  p.Flip();
  EXPECT_EQ(Points(p), (std::vector<std::vector<float>>{{10, 20, 80}, {0, 0, 50}}));
  p.Rescale(2, 0.5f);
  EXPECT_EQ(Points(p), (std::vector<std::vector<float>>{{15, 15, 80}, {-5, 5, 50}}));
  p.Rotate(90);  // about (5, 10): (15, 15) is (10, 5) from it and turns to (5, -10)
  EXPECT_NEAR(p.GetPoint(0).x, 10, 1e-4);
  EXPECT_NEAR(p.GetPoint(0).y, 0, 1e-4);
  EXPECT_EQ(p.GetPoint(0).speed, 80.0f);
  p.Shift(1, 1);
  p.Reverse();
  EXPECT_NEAR(p.GetPoint(1).x, 11, 1e-4);
  EXPECT_NEAR(p.GetPoint(1).y, 1, 1e-4);
  p.Append(&p);  // doubles its points
  EXPECT_EQ(p.GetNumber(), 4);
  EXPECT_EQ(Points(p)[2], Points(p)[0]);
  p.Append(nullptr);
  EXPECT_EQ(p.GetNumber(), 4);
  p.Clear();
  EXPECT_EQ(p.GetLength(), 0.0f);
}

class PathTableTest : public ObjectWorldTest {
 protected:
  void TearDown() override {
    Path_DeleteAll();
    ObjectWorldTest::TearDown();
  }
};

TEST_F(PathTableTest, AddDuplicateAssignDelete) {
  const int32_t a = Path_Add();
  Path_Data(a)->AddPoint(3, 4, 100);
  const int32_t b = Path_Duplicate(a);
  EXPECT_STREQ(Path_Name(b), "__newpath1");
  EXPECT_EQ(Path_Data(b)->GetNumber(), 1);
  EXPECT_EQ(Path_Duplicate(9), -1);
  EXPECT_FALSE(Path_Assign(a, a));
  EXPECT_NE(RuntimeErrorCapture::LastReport().find("ERROR: Can not assign a path to itself!"), std::string::npos)
      << RuntimeErrorCapture::LastReport();
  EXPECT_TRUE(Path_Delete(a));
  EXPECT_FALSE(Path_Exists(a));
  EXPECT_STREQ(Path_Name(a), "<undefined>");
  EXPECT_EQ(Path_Find("__newpath1"), 1);
  EXPECT_TRUE(Path_Assign(a, b));  // an empty slot gets a new path
  EXPECT_EQ(Path_Data(a)->GetNumber(), 1);
  EXPECT_FALSE(Path_Assign(5, b));
}

TEST_F(PathTableTest, TheWorldStepEndsAPathOnceWithEndOfPath) {
  ObjtEntry o = Entry("ob");
  o.on(kEventOther, 8, kit::kLogEvent);
  ASSERT_TRUE(Load({o}));
  CInstance* inst = NewInstance(0, 100001);
  const int32_t path = Path_Add();
  Path_Data(path)->SetClosed(false);
  Path_Data(path)->AddPoint(0, 0, 100);
  Path_Data(path)->AddPoint(30, 40, 100);
  inst->StartPath(path, 20, 1, 0, false, 0);
  for (int32_t step = 0; step < 5; ++step) {
    const ActiveInstanceNotes notes = Instances_AdvanceImages(&m_room);
    EXPECT_EQ(notes.anyOnPath, step < 3) << step;
    HandleInstanceMovement(notes.anyOnPath);
  }
  EXPECT_EQ(inst->x, 30.0f);
  EXPECT_EQ(inst->y, 40.0f);
  EXPECT_EQ(inst->path_index, -1);
  ASSERT_EQ(Seen().size(), 1u);
  EXPECT_EQ(Seen()[0].number, 8);
}

TEST_F(PathTableTest, TheImagePhaseWrapsAndSendsAnimationEnd) {
  ObjtEntry o = Entry("ob");
  o.on(kEventOther, 7, kit::kLogEvent);
  ASSERT_TRUE(Load({o}));
  CSprite s;
  s.frameCount = 4;
  CInstance* inst = NewInstance(0, 100001);
  inst->SetSpriteIndex(Sprite_Add(s));
  inst->image_speed = 0.5f;
  for (int32_t step = 0; step < 8; ++step) Instances_AdvanceImages(&m_room);
  EXPECT_EQ(inst->image_index, 0.0f);
  EXPECT_EQ(Seen().size(), 1u);
  inst->image_speed = -1;
  Instances_AdvanceImages(&m_room);
  EXPECT_EQ(inst->image_index, 3.0f);
  EXPECT_EQ(Seen().size(), 2u);
}

}  // namespace

namespace {

// Writes the chunk and loads it with `load` into a fresh table; true when the load succeeded.
template <typename Write, typename LoadChunk>
bool LoadChunkOf(const char* tag, Write write, LoadChunk load, std::vector<uint8_t>* bytes) {
  container::ContainerWriter writer;
  write(writer);
  container::BuildResult built = writer.build();
  EXPECT_TRUE(built.ok()) << built.error;
  *bytes = std::move(built.bytes);
  const ContainerBytes container{bytes->data(), bytes->size()};
  ContainerChunks chunks(container);
  ContainerChunk chunk;
  while (chunks.Next(&chunk) && std::string(chunk.tag) != tag) {
  }
  Game_ClearLoadFailure();
  const bool loaded = load(chunk.body, chunk.size, container);
  EXPECT_EQ(loaded, !Game_LoadFailed()) << Game_LoadFailure();
  return loaded;
}

TEST_F(PathTableTest, PathsLoadFromTheirChunk) {
  using container::PathEntry;
  PathEntry square;
  square.name = "pth_square";
  square.points = {{0, 0, 100}, {10, 0, 100}, {10, 10, 100}, {0, 10, 100}};
  PathEntry smooth;
  smooth.name = "pth_smooth";
  smooth.kind = 1;
  smooth.closed = false;
  smooth.precision = 99;  // clamped before the curve uses it
  smooth.points = {{0, 0, 100}, {50, 50, 100}, {100, 0, 100}};
  PathEntry gap;
  gap.empty_slot = true;
  const std::vector<PathEntry> paths = {square, gap, smooth};
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(LoadChunkOf("PATH", [&](auto& w) { container::write_path(w, paths); }, Path_Load, &bytes));
  EXPECT_EQ(Path_Number(), 3);
  EXPECT_FALSE(Path_Exists(1));
  EXPECT_FLOAT_EQ(Path_Data(0)->GetLength(), 40);
  EXPECT_EQ(Path_Data(2)->GetPrecision(), 8);
  EXPECT_EQ(Path_Find("pth_smooth"), 2);
  EXPECT_EQ(Path_Find("PTH_SMOOTH"), -1);

  // A point count beyond the container fails the load and keeps the table as it was.
  PathEntry damaged = square;
  damaged.point_count = 0x40000000u;
  const std::vector<PathEntry> bad = {damaged};
  EXPECT_FALSE(LoadChunkOf("PATH", [&](auto& w) { container::write_path(w, bad); }, Path_Load, &bytes));
  EXPECT_EQ(Path_Number(), 3);
}

TEST_F(PathTableTest, TimelinesLoadFromTheirChunk) {
  using container::TimelineEntry;
  TimelineEntry t;
  t.name = "tl_intro";
  t.moments = {{0, {kit::kLogEvent}}, {30, {kit::kLogEvent}}};
  TimelineEntry gap;
  gap.empty_slot = true;
  const std::vector<TimelineEntry> timelines = {gap, t};
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(LoadChunkOf("TMLN", [&](auto& w) { container::write_tmln(w, timelines); }, TimeLine_Load, &bytes));
  EXPECT_EQ(TimeLine_Number(), 2);
  EXPECT_FALSE(TimeLine_Exists(0));
  EXPECT_EQ(TimeLine_Find("tl_intro"), 1);
  ASSERT_EQ(TimeLine_Data(1)->GetCount(), 2);
  EXPECT_EQ(TimeLine_Data(1)->GetTime(1), 30);
  EXPECT_TRUE(TimeLine_Prepare());
  ASSERT_TRUE(Load({Entry("ob")}));
  CInstance* inst = NewInstance(0, 100001);
  TimeLine_Execute(inst, inst, 1, 1);
  EXPECT_EQ(Seen(), (std::vector<kit::EventSeen>{{100001, 100001, kEventTypeTimeline, 30, 1}}));

  // A moment whose action list lies outside the container fails the load.
  std::vector<uint8_t> damaged;
  EXPECT_FALSE(LoadChunkOf(
      "TMLN",
      [&](auto& w) {
        container::ChunkBuilder& c = w.add_chunk("TMLN");
        c.u32(1).offset_to("e").label("e").u32(0).u32(1).u32(5).u32(0x7FFFFFF0u);
      },
      TimeLine_Load, &damaged));
  EXPECT_EQ(TimeLine_Number(), 2);
}

}  // namespace
