// The grid container and the ds_grid_ script functions.
#include <unistd.h>

#include <climits>
#include <cmath>
#include <limits>
#include <string>

#include "core/run_switches.h"
#include "functions/ds_grid.h"
#include "functions/ds_script.h"
#include "functions/random.h"
#include "functions/ds_test_support.h"
#include "host/startup.h"
#include "runtime/error_report.h"

namespace {

using DsGrid = DsTest;

// Rows top to bottom, "|" between them: "1 2 | 3 4".
std::string Cells(const CDS_Grid& g) {
  std::string out;
  for (int32_t y = 0; y < g.Rows(); ++y) {
    if (y > 0) out += " | ";
    for (int32_t x = 0; x < g.Columns(); ++x) out += (x ? " " : "") + Show(g.Cell(x, y));
  }
  return out;
}
std::string Cells(double id) { const CDS_Grid* g = g_DsGrids.Get(static_cast<int32_t>(id));
  return g != nullptr ? Cells(*g) : "no grid";
}

// Fills the grid row by row with the values.
void Fill(CDS_Grid& g, std::initializer_list<Arg> values) {
  int32_t i = 0;
  for (const Arg& v : values) {
    g.SetCell(i % g.Columns(), i / g.Columns(), &v.v);
    ++i;
  }
}

// --- the container: selections -------------------------------------------------------------------

TEST_F(DsGrid, RegionsTakeCornersInEitherOrderAndClip) {
  struct Case {
    int32_t x1, y1, x2, y2;
    const char* cells;
  };
  const Case cases[] = {
      {5, 5, -3, -3, "1 1 1 1 | 1 1 1 1 | 1 1 1 1 | 1 1 1 1"},
      {2, 1, 1, 2, "0 0 0 0 | 0 1 1 0 | 0 1 1 0 | 0 0 0 0"},
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, "1 1 1 1 | 1 1 1 1 | 1 1 1 1 | 1 1 1 1"},
      {INT32_MAX, 0, INT32_MAX, 3, "0 0 0 0 | 0 0 0 0 | 0 0 0 0 | 0 0 0 0"},
      {INT32_MIN, 0, -1, 3, "0 0 0 0 | 0 0 0 0 | 0 0 0 0 | 0 0 0 0"},
  };
  const Arg one(1);
  for (const Case& c : cases) {
    CDS_Grid g(4, 4);
    g.RegionOp(kGridSet, c.x1, c.y1, c.x2, c.y2, &one.v);
    EXPECT_EQ(Cells(g), c.cells) << c.x1 << "," << c.y1 << " " << c.x2 << "," << c.y2;
  }
}

TEST_F(DsGrid, DisksIncludeTheirBorderAndExtremeOnesSelectNothing) {
  struct Case {
    double cx, cy, r;
    const char* cells;
  };
  constexpr double kHuge = 1e300;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {0, 0, 1, "1 1 0 | 1 0 0 | 0 0 0"},
      {1, 1, 0, "0 0 0 | 0 1 0 | 0 0 0"},
      {1, 1, -0.5, "0 0 0 | 0 0 0 | 0 0 0"},
      {0, 0, kHuge, "1 1 1 | 1 1 1 | 1 1 1"},
      {kHuge, 0, 5, "0 0 0 | 0 0 0 | 0 0 0"},
      {-kHuge, -kHuge, 5, "0 0 0 | 0 0 0 | 0 0 0"},
      {1, 1, HUGE_VAL, "1 1 1 | 1 1 1 | 1 1 1"},
      {nan, 1, 1, "0 0 0 | 0 0 0 | 0 0 0"},
      {1, 1, nan, "0 0 0 | 0 0 0 | 0 0 0"},
  };
  const Arg one(1);
  for (const Case& c : cases) {
    CDS_Grid g(3, 3);
    g.DiskOp(kGridSet, c.cx, c.cy, c.r, &one.v);
    EXPECT_EQ(Cells(g), c.cells) << c.cx << "," << c.cy << " r " << c.r;
  }
}

TEST_F(DsGrid, AddJoinsStringsWholeAndActsAsSetForMixedKinds) {
  CDS_Grid g(4, 1);
  Fill(g, {"a", "a", 3, "s"});
  const Arg b("b"), two(2);
  g.CellOp(0, kGridAdd, 0, 0, &b.v);
  g.CellOp(0, kGridAdd, 1, 0, &two.v);
  g.CellOp(0, kGridAdd, 2, 0, &two.v);
  g.CellOp(0, kGridMultiply, 3, 0, &two.v);
  EXPECT_EQ(Cells(g), "'ab' 2 5 's'");
  g.CellOp(0, kGridMultiply, 2, 0, &two.v);
  EXPECT_EQ(Show(g.Cell(2, 0)), "10");

  // Past 1,023 bytes nothing is cut; a string without a record reads as empty.
  const std::string longText(1500, 'x');
  const Arg big(longText.c_str());
  g.CellOp(0, kGridAdd, 0, 0, &big.v);
  EXPECT_EQ(std::string(g.Cell(0, 0)->pString->text), "ab" + longText);
  Arg bare("");
  SharedString_Release(bare.v.pString);
  bare.v.pString = nullptr;
  g.CellOp(0, kGridAdd, 3, 0, &bare.v);
  EXPECT_EQ(Show(g.Cell(3, 0)), "'s'");
}

TEST_F(DsGrid, OutOfBoundsCellOperationsPrintTheLine) {
  CDS_Grid g(4, 4);
  const Arg v(1);
  g.CellOp(2, kGridAdd, 5, 0, &v.v);
  g.CellOp(2, kGridMultiply, 0, -1, &v.v);
  EXPECT_EQ(m_console.text,
            "Grid 2, index out of bounds writing [5,0] - size is [4,4]\n"
            "Grid 2, index out of bounds writing [0,-1] - size is [4,4]\n");
  EXPECT_EQ(Cells(g), "0 0 0 0 | 0 0 0 0 | 0 0 0 0 | 0 0 0 0");
}

TEST_F(DsGrid, SumMeanMaxAndMin) {
  CDS_Grid column(1, 3);
  Fill(column, {1, "x", 2});
  Arg out;
  column.RegionQuery(CDS_Grid::Query::kSum, 0, 0, 0, 2, nullptr, &out.v);
  EXPECT_TRUE(out.IsReal(3));
  column.RegionQuery(CDS_Grid::Query::kMean, 0, 0, 0, 2, nullptr, &out.v);
  EXPECT_TRUE(out.IsReal(1.5));

  struct Case {
    std::initializer_list<Arg> cells;
    const char* max;
    const char* min;
  };
  const Case cases[] = {
      {{"b", 10, "c"}, "'c'", "'b'"},
      {{10, "z", 30}, "30", "10"},
      {{5, "a", -2}, "5", "-2"},
  };
  for (const Case& c : cases) {
    CDS_Grid g(1, 3);
    Fill(g, c.cells);
    Arg max, min;
    g.RegionQuery(CDS_Grid::Query::kMax, 0, 0, 0, 2, nullptr, &max.v);
    g.RegionQuery(CDS_Grid::Query::kMin, 0, 0, 0, 2, nullptr, &min.v);
    EXPECT_EQ(Show(&max.v), c.max);
    EXPECT_EQ(Show(&min.v), c.min);
  }
  // A shape without cells: sum and mean 0, max untouched.
  Arg untouched("kept");
  column.RegionQuery(CDS_Grid::Query::kMax, 5, 5, 6, 6, nullptr, &untouched.v);
  EXPECT_TRUE(untouched.IsString("kept"));
  column.DiskQuery(CDS_Grid::Query::kMean, 10, 10, 1, nullptr, &untouched.v);
  EXPECT_TRUE(untouched.IsReal(0));
}

TEST_F(DsGrid, SearchesReportTheFirstMatchInColumnOrder) {
  CDS_Grid g(3, 4);
  const Arg seven(7);
  g.SetCell(2, 0, &seven.v);
  g.SetCell(0, 3, &seven.v);
  Arg x, y, exists;
  g.RegionQuery(CDS_Grid::Query::kX, 0, 0, 2, 3, &seven.v, &x.v);
  g.RegionQuery(CDS_Grid::Query::kY, 0, 0, 2, 3, &seven.v, &y.v);
  g.RegionQuery(CDS_Grid::Query::kExists, 0, 0, 2, 3, &seven.v, &exists.v);
  EXPECT_TRUE(x.IsReal(0));
  EXPECT_TRUE(y.IsReal(3));
  EXPECT_TRUE(exists.IsReal(1));
  const Arg eight(8);
  g.DiskQuery(CDS_Grid::Query::kX, 1, 1, 5, &eight.v, &x.v);
  g.DiskQuery(CDS_Grid::Query::kExists, 1, 1, 5, &eight.v, &exists.v);
  EXPECT_TRUE(x.IsReal(-1));
  EXPECT_TRUE(exists.IsReal(0));
}

TEST_F(DsGrid, GridRegionsReadOverlapsBeforeWritingAndClipAtEitherEdge) {
  struct Case {
    int32_t x1, y1, x2, y2, x, y;
    const char* cells;
  };
  const Case cases[] = {
      {0, 0, 2, 0, 1, 0, "1 1 2 3 | 5 6 7 8"},    // shifts right without repeating the first
      {1, 0, 3, 0, 0, 0, "2 3 4 4 | 5 6 7 8"},    // shifts left
      {0, 0, 3, 1, -1, 0, "2 3 4 4 | 6 7 8 8"},   // x = -1 drops the first column
      {0, 0, 3, 1, 2, 1, "1 2 3 4 | 5 6 1 2"},    // clipped at the right and bottom
      {0, 0, 3, 1, INT32_MIN, INT32_MIN, "1 2 3 4 | 5 6 7 8"},
      {0, 0, 3, 1, INT32_MAX, 0, "1 2 3 4 | 5 6 7 8"},
      {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 0, 1, "1 2 3 4 | 1 2 3 4"},
  };
  for (const Case& c : cases) {
    CDS_Grid g(4, 2);
    Fill(g, {1, 2, 3, 4, 5, 6, 7, 8});
    g.GridRegionOp(kGridSet, &g, c.x1, c.y1, c.x2, c.y2, c.x, c.y);
    EXPECT_EQ(Cells(g), c.cells) << c.x1 << "," << c.y1 << "-" << c.x2 << "," << c.y2 << " at " << c.x << "," << c.y;
  }
  CDS_Grid dest(2, 2), source(2, 2);
  Fill(dest, {1, 1, "a", 1});
  Fill(source, {2, 3, "b", 4});
  dest.GridRegionOp(kGridAdd, &source, 0, 0, 1, 1, 0, 0);
  EXPECT_EQ(Cells(dest), "3 4 | 'ab' 5");
  dest.GridRegionOp(kGridMultiply, &source, 0, 0, 1, 1, 0, 0);
  EXPECT_EQ(Cells(dest), "6 12 | 'ab' 20");
}

// --- the container: reordering and sizes ---------------------------------------------------------

TEST_F(DsGrid, SortOrdersRowsByOneColumn) {
  CDS_Grid g(2, 3);
  Fill(g, {3, "three", "a", "letter", 1, "one"});
  g.Sort(0, 1);
  EXPECT_EQ(Cells(g), "'a' 'letter' | 1 'one' | 3 'three'");
  g.Sort(0, -1);
  EXPECT_EQ(Cells(g), "3 'three' | 1 'one' | 'a' 'letter'");
  g.Sort(-1, 1);
  g.Sort(2, 1);
  EXPECT_EQ(Cells(g), "3 'three' | 1 'one' | 'a' 'letter'");
}

// Undefined, NaN, strings with and without records: the order stays strict (the sanitizer build
// shows any read outside the rows), and every value survives.
TEST_F(DsGrid, SortAndShuffleOverUnorderedCellsKeepEveryValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  CDS_Grid g(2, 40);
  for (int32_t y = 0; y < 40; ++y) {
    Arg key;
    switch (y % 5) {
      case 0: key = Arg(nan); break;
      case 1: key = Arg(static_cast<double>(y)); break;
      case 2: key = Arg(("s" + std::to_string(y)).c_str()); break;
      case 3: {
        key = Arg("");
        SharedString_Release(key.v.pString);
        key.v.pString = nullptr;
        break;
      }
      default: break;  // undefined
    }
    const Arg tag(("row " + std::to_string(y)).c_str());
    g.SetCell(0, y, &key.v);
    g.SetCell(1, y, &tag.v);
  }
  g.Sort(0, 1);
  // Neither-real-nor-string first, then strings (the one without a record as empty), then reals,
  // NaN last.
  EXPECT_EQ(g.Cell(0, 0)->kind, VALUE_UNDEFINED);
  EXPECT_EQ(g.Cell(0, 7)->kind, VALUE_UNDEFINED);
  EXPECT_EQ(g.Cell(0, 8)->kind, VALUE_STRING);
  EXPECT_EQ(g.Cell(0, 8)->pString, nullptr);
  EXPECT_EQ(Show(g.Cell(0, 24)), "1");
  EXPECT_TRUE(std::isnan(g.Cell(0, 39)->val));
  g.Sort(0, -1);
  EXPECT_TRUE(std::isnan(g.Cell(0, 0)->val));
  EXPECT_EQ(g.Cell(0, 39)->kind, VALUE_UNDEFINED);
  g.Shuffle();
  int32_t tags = 0;
  for (int32_t y = 0; y < 40; ++y) {
    for (int32_t x = 0; x < 2; ++x) {
      const RValue* c = g.Cell(x, y);
      tags += c->kind == VALUE_STRING && c->pString != nullptr && std::string(c->pString->text).rfind("row ", 0) == 0;
    }
  }
  EXPECT_EQ(tags, 40);
}

TEST_F(DsGrid, ShuffleDrawsFourNumbersPerExchangeEightTimesTheCells) {
  Random_Seed(1234);
  CDS_Grid one(1, 1);
  const Arg v("only");
  one.SetCell(0, 0, &v.v);
  one.Shuffle();
  const uint32_t afterShuffle = Random_Next();
  Random_Seed(1234);
  for (int i = 0; i < 32; ++i) Random_Next();
  EXPECT_EQ(Random_Next(), afterShuffle);
  EXPECT_EQ(Cells(one), "'only'");

  // A grid without cells draws nothing.
  Random_Seed(99);
  CDS_Grid none(-2, -3);
  none.Shuffle();
  const uint32_t after = Random_Next();
  Random_Seed(99);
  EXPECT_EQ(Random_Next(), after);
}

TEST_F(DsGrid, ResizeKeepsTheCommonCellsAndCopyOntoItselfKeepsThem) {
  CDS_Grid g(2, 2);
  Fill(g, {1, "b", 3, 4});
  g.Resize(3, 1);
  EXPECT_EQ(Cells(g), "1 'b' 0");
  g.Copy(&g);
  EXPECT_EQ(Cells(g), "1 'b' 0");
  CDS_Grid other(1, 2);
  other.Copy(&g);
  EXPECT_EQ(other.Width(), 3);
  EXPECT_EQ(Cells(other), "1 'b' 0");
  const Arg x("x");
  other.Clear(&x.v);
  EXPECT_EQ(Cells(other), "'x' 'x' 'x'");
}

// --- the script functions ------------------------------------------------------------------------

TEST_F(DsGrid, GuardedAccessChecksBoundsAndPrintsTheLine) {
  const Arg g = Call("ds_grid_create", {10, 10});
  Call("ds_grid_set", {g, 10, 0, 1});
  EXPECT_TRUE(Call("ds_grid_get", {g, 10, 0}).IsUndefined());
  EXPECT_EQ(m_console.text,
            "Grid 0, index out of bounds writing [10,0] - size is [10,10]\n"
            "Grid 0, index out of bounds writing [10,0] - size is [10,10]\n");
  EXPECT_EQ(TakeError(), "");
  Call("ds_grid_set", {g, 0, 0, 2});
  EXPECT_TRUE(Call("ds_grid_set_post", {g, 0, 0, 5}).IsReal(2));
  EXPECT_TRUE(Call("ds_grid_get", {g, 0, 0}).IsReal(5));
  EXPECT_TRUE(Call("ds_grid_set_pre", {g, 0, 0, 6}).IsReal(6));
  EXPECT_TRUE(Call("ds_grid_get", {g, 0, 0}).IsReal(6));
  EXPECT_TRUE(Call("ds_grid_set_post", {g, -1, 0, 5}).IsUndefined());
}

TEST_F(DsGrid, WidthHeightResizeAndDestroy) {
  const Arg g = Call("ds_grid_create", {3, 2});
  EXPECT_TRUE(Call("ds_grid_width", {g}).IsReal(3));
  EXPECT_TRUE(Call("ds_grid_height", {g}).IsReal(2));
  EXPECT_TRUE(Call("ds_grid_width", {99}).IsReal(0));
  EXPECT_EQ(TakeError(), kBadId);
  EXPECT_TRUE(Call("ds_grid_height", {99}).IsReal(0));
  EXPECT_EQ(TakeError(), kBadId);

  // Only the size report is fatal: it ends the game (later errors are ignored until then).
  Call("ds_grid_resize", {99, 0, 5});
  EXPECT_FALSE(Error_Suppressed());
  EXPECT_EQ(TakeError(), kBadId);
  Call("ds_grid_resize", {g, 0, 5});
  EXPECT_TRUE(Error_Suppressed());
  EXPECT_EQ(TakeError(), "Error: Can not resize a grid with a dimension of <=0\n");
  EXPECT_TRUE(Call("ds_grid_width", {g}).IsReal(3));
  Call("ds_grid_resize", {g, 4, 1});
  EXPECT_TRUE(Call("ds_grid_width", {g}).IsReal(4));

  Call("ds_grid_destroy", {g});
  EXPECT_EQ(TakeError(), "");
  Call("ds_grid_destroy", {g});
  EXPECT_EQ(TakeError(), kBadId);
}

TEST_F(DsGrid, GridsWithoutCellsKeepTheirSizesAndTouchNothing) {
  const Arg a = Call("ds_grid_create", {-1, 5});
  const Arg b = Call("ds_grid_create", {-2, -3});
  EXPECT_TRUE(a.IsReal(0));
  EXPECT_TRUE(b.IsReal(1));
  EXPECT_TRUE(Call("ds_grid_width", {a}).IsReal(-1));
  EXPECT_TRUE(Call("ds_grid_height", {a}).IsReal(5));
  EXPECT_TRUE(Call("ds_grid_width", {b}).IsReal(-2));
  EXPECT_TRUE(Call("ds_grid_height", {b}).IsReal(-3));
  for (const Arg& g : {a, b}) {
    Call("ds_grid_set_region", {g, -5, -5, 5, 5, 1});
    Call("ds_grid_set_disk", {g, 0, 0, 10, 1});
    Call("ds_grid_clear", {g, "x"});
    Call("ds_grid_shuffle", {g});
    Call("ds_grid_sort", {g, 0, 1});
    EXPECT_TRUE(Call("ds_grid_get_sum", {g, -5, -5, 5, 5}).IsReal(0));
    EXPECT_TRUE(Call("ds_grid_get_max", {g, -5, -5, 5, 5}).IsUndefined());
    EXPECT_TRUE(Call("ds_grid_value_exists", {g, -5, -5, 5, 5, 0}).IsReal(0));
    EXPECT_TRUE(Call("ds_grid_get", {g, 0, 0}).IsUndefined());
  }
  EXPECT_EQ(g_DsGrids.Get(0)->Columns() + g_DsGrids.Get(1)->Rows(), 0);
  EXPECT_EQ(m_console.text,
            "Grid 0, index out of bounds writing [0,0] - size is [-1,5]\n"
            "Grid 1, index out of bounds writing [0,0] - size is [-2,-3]\n");
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsGrid, AreaFunctionsReachTheGrid) {
  const Arg g = Call("ds_grid_create", {4, 4});
  const Arg s = Call("ds_grid_create", {2, 2});
  Call("ds_grid_set_region", {g, 0, 0, 1, 1, 2});
  Call("ds_grid_add_region", {g, 1, 1, 2, 2, 1});
  Call("ds_grid_multiply_region", {g, 0, 0, 0, 3, 10});
  EXPECT_EQ(Cells(g.v.val), "20 2 0 0 | 20 3 1 0 | 0 1 1 0 | 0 0 0 0");
  Call("ds_grid_set_disk", {g, 3, 3, 1, 7});
  Call("ds_grid_add_disk", {g, 3, 3, 0, 1});
  Call("ds_grid_multiply_disk", {g, 3, 2, 0, 2});
  EXPECT_EQ(Cells(g.v.val), "20 2 0 0 | 20 3 1 0 | 0 1 1 14 | 0 0 7 8");
  Call("ds_grid_set", {s, 0, 0, 5});
  Call("ds_grid_set_grid_region", {g, s, 0, 0, 1, 1, 2, 0});
  Call("ds_grid_add_grid_region", {g, s, 0, 0, 0, 0, 0, 0});
  Call("ds_grid_multiply_grid_region", {g, s, 0, 0, 0, 0, 1, 0});
  EXPECT_EQ(Cells(g.v.val), "25 10 5 0 | 20 3 0 0 | 0 1 1 14 | 0 0 7 8");
  EXPECT_TRUE(Call("ds_grid_get_sum", {g, 0, 0, 1, 0}).IsReal(35));
  EXPECT_TRUE(Call("ds_grid_get_mean", {g, 0, 0, 1, 0}).IsReal(17.5));
  EXPECT_TRUE(Call("ds_grid_get_max", {g, 0, 0, 3, 3}).IsReal(25));
  EXPECT_TRUE(Call("ds_grid_get_min", {g, 3, 2, 3, 3}).IsReal(8));
  EXPECT_TRUE(Call("ds_grid_get_disk_sum", {g, 3, 3, 1}).IsReal(29));
  EXPECT_TRUE(Call("ds_grid_get_disk_mean", {g, 0, 0, 0}).IsReal(25));
  EXPECT_TRUE(Call("ds_grid_get_disk_max", {g, 3, 3, 1}).IsReal(14));
  EXPECT_TRUE(Call("ds_grid_get_disk_min", {g, 3, 3, 1}).IsReal(7));
  EXPECT_TRUE(Call("ds_grid_value_x", {g, 0, 0, 3, 3, 14}).IsReal(3));
  EXPECT_TRUE(Call("ds_grid_value_y", {g, 0, 0, 3, 3, 14}).IsReal(2));
  EXPECT_TRUE(Call("ds_grid_value_disk_exists", {g, 0, 0, 1, 20}).IsReal(1));
  EXPECT_TRUE(Call("ds_grid_value_disk_x", {g, 0, 0, 1, 99}).IsReal(-1));
  EXPECT_TRUE(Call("ds_grid_value_disk_y", {g, 3, 3, 1, 7}).IsReal(3));
  Call("ds_grid_add", {g, 3, 0, 4});
  Call("ds_grid_multiply", {g, 3, 0, 3});
  EXPECT_TRUE(Call("ds_grid_get", {g, 3, 0}).IsReal(12));
  Call("ds_grid_sort", {g, 3, 0});
  EXPECT_EQ(Cells(g.v.val), "0 1 1 14 | 25 10 5 12 | 0 0 7 8 | 20 3 0 0");
  Call("ds_grid_copy", {s, g});
  EXPECT_TRUE(Call("ds_grid_width", {s}).IsReal(4));
  Call("ds_grid_copy", {s, 9});
  EXPECT_EQ(TakeError(), kBadId);
  Call("ds_grid_set_grid_region", {9, g, 0, 0, 1, 1, 0, 0});
  EXPECT_EQ(TakeError(), kBadId);
  EXPECT_EQ(TakeError(), "");
}

// The fast handlers answer a bad id or cell exactly as the guarded ones, and the switch leaves
// the other grid functions as they are.
TEST_F(DsGrid, ReleaseModeInstallsTheFastAccessHandlers) {
  const Arg g = Call("ds_grid_create", {10, 10});
  Call("ds_grid_set", {g, 3, 4, "cell"});
  struct Probe {
    std::string text, error;
    bool undefined;
  };
  auto probe = [&](std::initializer_list<Arg> getArgs, std::initializer_list<Arg> setArgs) {
    m_console.text.clear();
    Probe p;
    p.undefined = Call("ds_grid_get", getArgs).IsUndefined();
    Call("ds_grid_set", setArgs);
    p.text = m_console.text;
    p.error = TakeError();
    return p;
  };
  struct Case {
    std::initializer_list<Arg> get, set;
  };
  const Case cases[] = {
      {{g, 10, 0}, {g, 10, 0, 1}},
      {{g, -1, 0}, {g, 0, -1, 1}},
      {{g, 0, 10}, {g, 0, 10, 1}},
      {{7, 0, 0}, {7, 0, 0, 1}},
      {{-1, 0, 0}, {-1, 0, 0, 1}},
      {{g}, {g, 0, 0}},
  };
  std::vector<Probe> guarded;
  for (const Case& c : cases) guarded.push_back(probe(c.get, c.set));

  Runner_SetReleaseMode(false);
  EXPECT_TRUE(Call("ds_grid_get", {g, 3, 4}).IsString("cell"));
  Call("ds_grid_set", {g, 9, 9, 42});
  EXPECT_TRUE(Call("ds_grid_get", {g, 9, 9}).IsReal(42));
  for (size_t i = 0; i < guarded.size(); ++i) {
    const Probe fast = probe(cases[i].get, cases[i].set);
    EXPECT_EQ(fast.text, guarded[i].text) << i;
    EXPECT_EQ(fast.error, guarded[i].error) << i;
    EXPECT_EQ(fast.undefined, guarded[i].undefined) << i;
  }
  EXPECT_FALSE(guarded[0].text.empty());
  EXPECT_EQ(guarded[3].error, kBadId);
  m_console.text.clear();
  Call("ds_grid_add", {g, 10, 0, 1});
  EXPECT_EQ(m_console.text, "Grid 0, index out of bounds writing [10,0] - size is [10,10]\n");
  // Back to the guarded handlers.
  Runner_SetReleaseMode(true);
  int32_t index = -1;
  ASSERT_TRUE(Builtin_FindCallable("ds_grid_get", &index));
  BuiltinHandler handler = nullptr;
  Builtin_GetEntry(index, nullptr, &handler, nullptr, nullptr);
  Runner_SetReleaseMode(false);
  BuiltinHandler fast = nullptr;
  Builtin_GetEntry(index, nullptr, &fast, nullptr, nullptr);
  EXPECT_NE(handler, fast);
  Runner_SetReleaseMode(true);
}

// A grid larger than the memory manager can hand out ends the program through its out-of-memory
// path, the byte count worked out in 64 bits (saturated past them), never wrapped into a small
// block.
TEST(DsGridDeathTest, GridsTooBigForMemoryEndTheProgram) {
  struct Case {
    int32_t w, h;
    const char* message;
  };
  const Case cases[] = {
      {100000, 100000, "Out of Memory allocating 160000000000 bytes"},
      {INT32_MAX, INT32_MAX, "Out of Memory allocating 9223372036854775807 bytes"},
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          dup2(STDERR_FILENO, STDOUT_FILENO);
          Console_SetHeadless(true);
          DS_CreateGrid(c.w, c.h);
        },
        testing::ExitedWithCode(255), c.message);
  }
}

}  // namespace
