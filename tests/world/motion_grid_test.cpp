// Motion grids through the game functions: cells by index and by rectangle, shortest routes with
// and without diagonals round forbidden cells, grids without cells or with cells of no size, the
// shared search queue, instance marking and copying into a ds_grid.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "functions/ds_grid.h"
#include "functions/ds_tables.h"
#include "runtime/error_report.h"
#include "world/motion_grid.h"
#include "core/value_test_util.h"
#include "game_call.h"
#include "world_driver.h"

namespace {

using container::ObjtEntry;
using game_call::Call;
using Points = std::vector<std::pair<float, float>>;

class MotionGridTest : public WorldDriverTest {
 protected:
  void SetUp() override {
    WorldDriverTest::SetUp();
    game_call::Register();
  }
  void TearDown() override {
    Grid_Shutdown();
    Path_DeleteAll();
    WorldDriverTest::TearDown();
  }
  static double Grid(std::vector<double> args) {
    return CallArgs("mp_grid_create", args);
  }
  static double CallArgs(const char* name, const std::vector<double>& args) {
    int32_t id = -1;
    EXPECT_TRUE(Builtin_FindCallable(name, &id)) << name;
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue_MakeReal(a));
    RValue result = RValue_MakeUndefined();
    g_BuiltinFunctions[id].handler(&result, Instance(100001), nullptr, static_cast<int32_t>(values.size()),
                                   values.data());
    const double answer = RValue_Kind(&result) == VALUE_REAL ? result.val : -999;
    RValue_Release(&result);
    return answer;
  }
  // The forbidden cells, column by column.
  static std::vector<std::pair<int32_t, int32_t>> Forbidden(double id) {
    std::vector<std::pair<int32_t, int32_t>> cells;
    const CGrid* g = MPGrid_Data(static_cast<int32_t>(id));
    for (int32_t i = 0; i < g->HCells(); ++i) {
      for (int32_t j = 0; j < g->VCells(); ++j) {
        if (g->Get(i, j) == kGridCellForbidden) cells.emplace_back(i, j);
      }
    }
    return cells;
  }
  static Points PointsOf(int32_t path) {
    Points points;
    const CPath* p = Path_Data(path);
    for (int32_t i = 0; i < p->GetNumber(); ++i) points.emplace_back(p->GetPoint(i).x, p->GetPoint(i).y);
    return points;
  }
  // A 10 x 10 grid of 32-pixel cells at (0, 0) with a path to fill; the room holds one instance.
  double Ten() {
    StartRoom({});
    m_path = Path_Add();
    return Grid({0, 0, 10, 10, 32, 32});
  }
  void StartRoom(std::vector<container::RoomInstanceEntry> more) {
    const int32_t square = Square();
    ObjtEntry parent = Entry("parent");
    ObjtEntry child = Entry("child", 0);
    ObjtEntry other = Entry("other");
    for (ObjtEntry* o : {&parent, &child, &other}) o->sprite_index = square;
    const ObjtEntry objects[] = {parent, child, other};
    more.insert(more.begin(), {.x = 300, .y = 300, .object = 2, .id = 100001});
    Start(more, objects);
  }
  double Path(double id, double xs, double ys, double xg, double yg, bool diagonal) {
    return CallArgs("mp_grid_path", {id, double(m_path), xs, ys, xg, yg, diagonal ? 1.0 : 0.0});
  }

  int32_t m_path = -1;
  RuntimeErrorCapture errors;
};

TEST_F(MotionGridTest, CellsOutsideTheGridReadForbiddenAndCannotBeMarked) {
  const double id = Ten();
  EXPECT_EQ(id, 0.0);
  EXPECT_EQ(CallArgs("mp_grid_get_cell", {id, 10, 0}), -1.0);
  EXPECT_EQ(CallArgs("mp_grid_get_cell", {id, 9, 9}), 0.0);
  for (auto [h, v] : {std::pair{10, 0}, std::pair{-1, 0}, std::pair{0, 10}, std::pair{0, -1}}) {
    CallArgs("mp_grid_add_cell", {id, double(h), double(v)});
  }
  EXPECT_TRUE(Forbidden(id).empty());
  CallArgs("mp_grid_add_cell", {id, 9, 0});
  EXPECT_EQ(CallArgs("mp_grid_get_cell", {id, 9, 0}), -1.0);
  CallArgs("mp_grid_clear_cell", {id, 9, 0});
  EXPECT_EQ(CallArgs("mp_grid_get_cell", {id, 9, 0}), 0.0);
  EXPECT_EQ(CallArgs("mp_grid_get_cell", {7, 0, 0}), -1.0) << "an unknown id";
  EXPECT_EQ(CallArgs("mp_grid_get_cell", {-1, 0, 0}), -1.0);
}

TEST_F(MotionGridTest, RectanglesMarkTheColumnsAndRowsOfTheirCorners) {
  const double id = Ten();
  using Cells = std::vector<std::pair<int32_t, int32_t>>;
  const struct {
    std::vector<double> corners;
    Cells marked;
  } cases[] = {
      {{40, 10, 100, 40}, {{1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}}},
      {{100, 40, 40, 10}, {{1, 0}, {1, 1}, {2, 0}, {2, 1}, {3, 0}, {3, 1}}},  // corners swapped
      {{-40, 0, -10, 0}, {{0, 0}}},  // -10 truncates into column 0
      {{-80, 0, -40, 0}, {}},
      {{400, 0, 500, 0}, {}},
      {{-2147483648.0, 300, 2147483647.0, 300}, {{0, 9}, {1, 9}, {2, 9}, {3, 9}, {4, 9}, {5, 9}, {6, 9}, {7, 9},
                                                  {8, 9}, {9, 9}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.corners[0] << "," << c.corners[1] << " to " << c.corners[2]);
    std::vector<double> args = {id};
    args.insert(args.end(), c.corners.begin(), c.corners.end());
    CallArgs("mp_grid_add_rectangle", args);
    EXPECT_EQ(Forbidden(id), c.marked);
    CallArgs("mp_grid_clear_rectangle", args);
    EXPECT_TRUE(Forbidden(id).empty());
  }
  CallArgs("mp_grid_add_rectangle", {id, 0, 0, 319, 319});
  EXPECT_EQ(Forbidden(id).size(), 100u);
  CallArgs("mp_grid_clear_all", {id});
  EXPECT_TRUE(Forbidden(id).empty());
}

TEST_F(MotionGridTest, RoutesRunThroughCellCentresWithAndWithoutDiagonals) {
  const double id = Ten();
  EXPECT_EQ(Path(id, 5, 6, 20, 30, true), 1.0);
  EXPECT_EQ(PointsOf(m_path), (Points{{5, 6}, {20, 30}})) << "one cell";
  EXPECT_EQ(Path_Data(m_path)->GetKind(), kPathKindStraight);
  EXPECT_FALSE(Path_Data(m_path)->GetClosed());

  EXPECT_EQ(Path(id, 5, 6, 70, 75, true), 1.0);
  EXPECT_EQ(PointsOf(m_path), (Points{{5, 6}, {48, 48}, {70, 75}}));
  EXPECT_EQ(Path(id, 5, 6, 70, 75, false), 1.0);
  EXPECT_EQ(PointsOf(m_path), (Points{{5, 6}, {16, 48}, {16, 80}, {48, 80}, {70, 75}}));

  // With cell (1, 0) forbidden the diagonal from (0, 0) to (1, 1) would cut its corner.
  CallArgs("mp_grid_add_cell", {id, 1, 0});
  EXPECT_EQ(Path(id, 5, 6, 40, 40, true), 1.0);
  EXPECT_EQ(PointsOf(m_path), (Points{{5, 6}, {16, 48}, {40, 40}}));
}

TEST_F(MotionGridTest, BuildingTheRouteBackCutsNoCorner) {
  StartRoom({});
  m_path = Path_Add();
  const double id = Grid({0, 0, 4, 3, 32, 32});
  CallArgs("mp_grid_add_cell", {id, 0, 2});
  CallArgs("mp_grid_add_cell", {id, 2, 1});
  EXPECT_EQ(Path(id, 100, 40, 10, 40, true), 1.0);
  EXPECT_EQ(PointsOf(m_path), (Points{{100, 40}, {112, 16}, {80, 16}, {48, 16}, {10, 40}}));
  EXPECT_EQ(Forbidden(id), (std::vector<std::pair<int32_t, int32_t>>{{0, 2}, {2, 1}})) << "the flood is undone";
}

TEST_F(MotionGridTest, UnreachableOrOutsideGoalsFindNoRouteAndLeaveTheGrid) {
  const double id = Ten();
  for (int32_t i = 4; i <= 6; ++i) {
    for (int32_t j = 4; j <= 6; ++j) {
      if (i != 5 || j != 5) CallArgs("mp_grid_add_cell", {id, double(i), double(j)});
    }
  }
  Path_Data(m_path)->AddPoint(-7, -7, 50);
  const struct {
    double xs, ys, xg, yg;
  } cases[] = {
      {5, 5, 176, 176},     // walled in
      {5, 5, 140, 140},     // on a forbidden cell
      {140, 140, 5, 5},     // starting on one
      {5, 5, 320, 5},       // one past the right edge
      {-1, 5, 5, 5},        // left of the grid
      {5, 5, 5, 2147483647.0},
      {-2147483648.0, 5, 5, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.xs << "," << c.ys << " to " << c.xg << "," << c.yg);
    for (bool diagonal : {true, false}) {
      EXPECT_EQ(Path(id, c.xs, c.ys, c.xg, c.yg, diagonal), 0.0);
      EXPECT_EQ(PointsOf(m_path), (Points{{-7, -7}}));
      EXPECT_EQ(Forbidden(id).size(), 8u);
      for (int32_t i = 0; i < 10; ++i) {
        for (int32_t j = 0; j < 10; ++j) {
          const double cell = CallArgs("mp_grid_get_cell", {id, double(i), double(j)});
          ASSERT_TRUE(cell == 0.0 || cell == -1.0) << i << "," << j;
        }
      }
    }
  }
  EXPECT_EQ(Path(9, 5, 5, 20, 20, true), 0.0) << "an unknown id";
}

TEST_F(MotionGridTest, ADestroyedGridsIdIsGivenOutAgain) {
  const double first = Ten();
  EXPECT_EQ(Grid({0, 0, 2, 2, 8, 8}), 1.0);
  CallArgs("mp_grid_destroy", {first});
  EXPECT_EQ(MPGrid_Data(0), nullptr);
  CallArgs("mp_grid_destroy", {first});  // twice does nothing
  CallArgs("mp_grid_destroy", {55});
  EXPECT_EQ(Grid({0, 0, 3, 3, 8, 8}), 0.0);
  EXPECT_EQ(Grid({0, 0, 3, 3, 8, 8}), 2.0);
  EXPECT_EQ(MPGrid_Count(), 3);
}

TEST_F(MotionGridTest, GridsWithoutCellsOrWithCellsOfNoSizeMapNothing) {
  StartRoom({});
  m_path = Path_Add();
  const double none = Grid({0, 0, 0, 5, 32, 32});
  const double negative = Grid({0, 0, -4, -4, 32, 32});
  const double flat = Grid({0, 0, 10, 10, 0, 32});
  const double inverted = Grid({0, 0, 10, 10, 32, -32});
  EXPECT_EQ(none, 0.0);
  EXPECT_EQ(inverted, 3.0);
  for (double id : {none, negative}) {
    EXPECT_EQ(MPGrid_Data(static_cast<int32_t>(id))->CellTotal(), 0);
    CallArgs("mp_grid_add_cell", {id, 0, 0});
    CallArgs("mp_grid_add_rectangle", {id, 0, 0, 100, 100});
    CallArgs("mp_grid_add_instances", {id, -3, 0});
    CallArgs("mp_grid_clear_all", {id});
    EXPECT_EQ(CallArgs("mp_grid_get_cell", {id, 0, 0}), -1.0);
    EXPECT_EQ(Path(id, 0, 0, 0, 0, true), 0.0);
  }
  for (double id : {flat, inverted}) {
    CallArgs("mp_grid_add_rectangle", {id, -1000, -1000, 1000, 1000});
    CallArgs("mp_grid_add_instances", {id, -3, 1});
    EXPECT_TRUE(Forbidden(id).empty());
    EXPECT_EQ(Path(id, 0, 0, 0, 0, true), 0.0);
    CallArgs("mp_grid_add_cell", {id, 3, 4});  // by index the cells are there
    EXPECT_EQ(CallArgs("mp_grid_get_cell", {id, 3, 4}), -1.0);
  }
}

TEST_F(MotionGridTest, TheSharedQueueGrowsFrom4096AndIsKeptBetweenSearches) {
  StartRoom({});
  m_path = Path_Add();
  const double small = Grid({0, 0, 10, 10, 1, 1});
  EXPECT_EQ(Path(small, 0, 0, 9, 9, true), 1.0);
  EXPECT_EQ(MPGrid_QueueCapacity(), 4096);
  // From the middle of 1201 x 1201 cells the flood's front passes 4095 cells at once.
  const double big = Grid({0, 0, 1201, 1201, 1, 1});
  CallArgs("mp_grid_add_cell", {big, 0, 0});
  EXPECT_EQ(Path(big, 600, 600, 1200, 1, true), 1.0);
  EXPECT_EQ(MPGrid_QueueCapacity(), 8192);
  EXPECT_EQ(Path_Data(m_path)->GetNumber(), 601) << "600 diagonal or straight steps";
  EXPECT_EQ(PointsOf(m_path).back(), (std::pair<float, float>{1200, 1}));
  // A route to the corner beside the forbidden one is still found after the queue grew.
  EXPECT_EQ(Path(big, 600, 600, 1, 0, false), 1.0);
  EXPECT_EQ(Path_Data(m_path)->GetNumber(), 1 + 599 + 600);
  EXPECT_EQ(Path(small, 0, 0, 9, 0, false), 1.0);
  EXPECT_EQ(MPGrid_QueueCapacity(), 8192);
}

TEST_F(MotionGridTest, InstancesMarkTheirBoxOrWhatTheirMaskMeets) {
  StartRoom({{.x = 20, .y = 200, .object = 0, .id = 100002}, {.x = 100, .y = 20, .object = 1, .id = 100003}});
  // A precise bar of 64 x 4 turned by 45 degrees about its middle, at (64, 64).
  CSprite bar;
  bar.frameCount = 1;
  bar.width = 64;
  bar.height = 4;
  bar.maskRight = 63;
  bar.maskBottom = 3;
  bar.originX = 32;
  bar.originY = 2;
  bar.precise = true;
  bar.masks.assign(1, std::vector<uint8_t>(64 * 4, 1));
  bar.masksBuilt = true;
  CInstance* turned = Instance(100001);
  turned->SetSpriteIndex(Sprite_Add(bar));
  turned->SetPosition(64, 64);
  turned->SetImageAngle(45);
  const double boxes = Grid({0, 0, 10, 10, 16, 16});
  const double masks = Grid({0, 0, 10, 10, 16, 16});
  CallArgs("mp_grid_add_instances", {boxes, -1, 0});
  CallArgs("mp_grid_add_instances", {masks, -1, 1});
  const auto box = Forbidden(boxes);
  const auto mask = Forbidden(masks);
  EXPECT_EQ(box.size(), 16u) << "the turned box covers columns and rows 2 to 5";
  EXPECT_EQ(box.front(), (std::pair<int32_t, int32_t>{2, 2}));
  EXPECT_EQ(box.back(), (std::pair<int32_t, int32_t>{5, 5}));
  EXPECT_LT(mask.size(), box.size());
  const auto has = [&](int32_t i, int32_t j) {
    return std::find(mask.begin(), mask.end(), std::pair{i, j}) != mask.end();
  };
  EXPECT_TRUE(has(3, 4) && has(4, 3)) << "the bar runs from bottom left to top right";
  EXPECT_FALSE(has(2, 2) || has(5, 5)) << "its other corners stay free";

  // Selections: an instance id, an object with its child, every instance.
  const double sel = Grid({0, 0, 20, 20, 16, 16});
  CallArgs("mp_grid_add_instances", {sel, 100003, 0});
  EXPECT_EQ(Forbidden(sel), (std::vector<std::pair<int32_t, int32_t>>{{6, 1}, {6, 2}, {6, 3}, {7, 1}, {7, 2}, {7, 3}, {8, 1}, {8, 2}, {8, 3}}));
  CallArgs("mp_grid_clear_all", {sel});
  CallArgs("mp_grid_add_instances", {sel, 0, 0});
  EXPECT_EQ(Forbidden(sel).size(), 9u + 9u) << "the parent's and its child's boxes";
  CallArgs("mp_grid_clear_all", {sel});
  CallArgs("mp_grid_add_instances", {sel, -3, 0});
  EXPECT_EQ(Forbidden(sel).size(), 9u + 9u + 16u);
}

TEST_F(MotionGridTest, CopyingIntoADsGridNeedsBothGridsAndEqualSizes) {
  const double id = Ten();
  CallArgs("mp_grid_add_cell", {id, 2, 3});
  const int32_t narrow = DS_CreateGrid(9, 10);
  const RValue seven = RValue_MakeReal(7);
  g_DsGrids.Get(narrow)->SetCell(0, 0, &seven);
  CallArgs("mp_grid_to_ds_grid", {id, double(narrow)});
  EXPECT_EQ(errors.LastError(), "Error, grid sizes do not match (mp_grid_to_ds_grid) ");
  EXPECT_EQ(g_DsGrids.Get(narrow)->Cell(0, 0)->val, 7.0) << "left as it was";
  for (auto [source, destination] : {std::pair{5.0, double(narrow)}, std::pair{id, 99.0}}) {
    errors.Reset();
    CallArgs("mp_grid_to_ds_grid", {source, destination});
    EXPECT_EQ(errors.LastError(), "Invalid source or destination grid");
  }
  const int32_t same = DS_CreateGrid(10, 10);
  g_DsGrids.Get(same)->SetCell(0, 0, &seven);
  errors.Reset();
  CallArgs("mp_grid_to_ds_grid", {id, double(same)});
  EXPECT_EQ(errors.LastError(), "");
  EXPECT_EQ(g_DsGrids.Get(same)->Cell(2, 3)->val, -1.0);
  EXPECT_EQ(g_DsGrids.Get(same)->Cell(0, 0)->val, 0.0);
  DS_DestroyGrid(narrow);
  DS_DestroyGrid(same);
}

using MotionGridDeathTest = MotionGridTest;

TEST_F(MotionGridDeathTest, AGridTooLargeForMemoryEndsThroughTheOutOfMemoryPath) {
  EXPECT_EXIT(
      {
        dup2(2, 1);
        MPGrid_Create(0, 0, 100000, 100000, 32, 32);
      },
      testing::ExitedWithCode(255), "Out of Memory allocating 40000000000 bytes");
}

}  // namespace
