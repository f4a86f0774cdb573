// The board: wire pieces placed in a room become nodes and merged edge lists when it starts;
// positions, directions and nearest points on the wires; the line geometry below them; chips;
// and what drawing the board asks of the drawing functions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "functions/ds_tables.h"
#include "functions/random.h"
#include "lumbrix/board.h"
#include "lumbrix_world.h"

namespace {

using lumbrix::kObChip;
using lumbrix::kObEdgelist;
using lumbrix::kObNode;

enum Piece : int32_t {
  kHorizontal = 0, kVertical = 1, kQuarter = 2, kElbowTl = 3, kElbowBl = 4, kDiagonal = 5, kElbowTr = 6,
  kElbowBr = 7, kReverseLoop = 8,
};

struct Pt {
  double x;
  double y;
  bool operator<(const Pt& o) const { return x != o.x ? x < o.x : y < o.y; }
};
using Wire = std::vector<Pt>;

std::string Text(const std::vector<Wire>& wires) {
  std::string out;
  for (const Wire& w : wires) {
    out += "[";
    for (const Pt& p : w) out += " (" + std::to_string(p.x) + ", " + std::to_string(p.y) + ")";
    out += " ] ";
  }
  return out;
}

bool Same(const std::vector<Wire>& a, const std::vector<Wire>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].size() != b[i].size()) return false;
    for (size_t k = 0; k < a[i].size(); ++k) {
      if (std::fabs(a[i][k].x - b[i][k].x) > 1e-3 || std::fabs(a[i][k].y - b[i][k].y) > 1e-3) return false;
    }
  }
  return true;
}

class BoardTest : public LumbrixWorldTest {
 protected:
  // A built-in through the game's bound slot, as the game's code calls it.
  static double Builtin(const LinkName& function, std::initializer_list<double> args) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(tll::Real(a));
    std::vector<RValue*> pointers;
    for (RValue& v : values) pointers.push_back(&v);
    tll::Local result;
    VM_CallBuiltin(nullptr, nullptr, &result, static_cast<int32_t>(values.size()), function.slot, pointers.data());
    return tll::Num(*result);
  }
  // The node ids of an edge list, in wire order.
  static std::vector<int32_t> NodesOf(const CInstance* edgelist) {
    const double list = Num(edgelist, "list");
    std::vector<int32_t> nodes;
    const int32_t size = static_cast<int32_t>(Builtin(lumbrix::fn::ds_list_size, {list}));
    for (int32_t i = 0; i < size; ++i) {
      nodes.push_back(static_cast<int32_t>(Builtin(lumbrix::fn::ds_list_find_value, {list, static_cast<double>(i)})));
    }
    return nodes;
  }
  static Pt At(int32_t node) { return {Num(node, "x"), Num(node, "y")}; }
  // Every edge list's points, the lists in order of their first point.
  static std::vector<Wire> Wires() {
    std::vector<Wire> wires;
    for (const CInstance* e : InstancesOf(kObEdgelist)) {
      Wire w;
      for (int32_t n : NodesOf(e)) w.push_back(At(n));
      wires.push_back(w);
    }
    std::sort(wires.begin(), wires.end(), [](const Wire& a, const Wire& b) { return a.front() < b.front(); });
    return wires;
  }
  static int32_t PiecesLeft() {
    int32_t n = 0;
    for (int32_t object = kHorizontal; object <= kReverseLoop; ++object) n += static_cast<int32_t>(InstancesOf(object).size());
    return n;
  }
  static int32_t ListsAlive() {
    int32_t n = 0;
    for (int32_t id = 0; id < g_DsLists.Count(); ++id) n += g_DsLists.Get(id) != nullptr ? 1 : 0;
    return n;
  }
  static CInstance* OnlyEdgelist() {
    const std::vector<CInstance*> all = InstancesOf(kObEdgelist);
    EXPECT_EQ(all.size(), 1u);
    return all.empty() ? nullptr : all.front();
  }
};

// --- the graph -------------------------------------------------------------------------------------

struct GraphCase {
  const char* what;
  std::vector<LumbrixRecord> pieces;
  std::vector<Wire> wires;  // in order of their first point
};

const float kThird = 1.0f / 3.0f;

const std::vector<GraphCase> kGraphCases = {
    {"one horizontal piece", {{kHorizontal, 100, 200}}, {{{100, 200}, {400, 200}}}},
    {"a mirrored piece keeps its node order", {{kHorizontal, 0, 0, -1.0f}}, {{{0, 0}, {-300, 0}}}},
    {"two in a row, left first: the later head meets the list's last node",
     {{kHorizontal, 0, 0}, {kHorizontal, 300, 0}},
     {{{0, 0}, {300, 0}, {600, 0}}}},
    {"two in a row, right first: the later tail meets the list's first node",
     {{kHorizontal, 300, 0}, {kHorizontal, 0, 0}},
     {{{0, 0}, {300, 0}, {600, 0}}}},
    {"ends 2.9 px apart on both axes meet",
     {{kHorizontal, 0, 0}, {kDiagonal, 400, 100, -1.942f, -1.942f}},
     {{{400, 100}, {302.9, 2.9}, {0, 0}}}},
    {"ends 3 px apart on both axes do not",
     {{kHorizontal, 0, 0}, {kDiagonal, 403, 103, -2.0f, -2.0f}},
     {{{0, 0}, {300, 0}}, {{403, 103}, {303, 3}}}},
    {"ends 3 px apart across do not",
     {{kHorizontal, 0, 0}, {kDiagonal, 403, 100, -2.0f, -2.0f}},
     {{{0, 0}, {300, 0}}, {{403, 100}, {303, 0}}}},
    {"ends 3 px apart down do not",
     {{kHorizontal, 0, 0}, {kDiagonal, 400, 103, -2.0f, -2.0f}},
     {{{0, 0}, {300, 0}}, {{400, 103}, {300, 3}}}},
    {"a head meeting a list's first node puts that list in front, reversed",
     {{kHorizontal, 0, 0}, {kHorizontal, 0, 0, -1.0f}},
     {{{300, 0}, {0, 0}, {-300, 0}}}},
    {"a reverse loop alone stays open",
     {{kReverseLoop, 0, 0}},
     {{{0, 200}, {200, 200}, {250, 150}, {250, 50}, {200, 0}, {100, 0}, {50, 50}, {50, 100}, {0, 150}}}},
    {"four elbows close a ring",
     {{kElbowTr, 0, 0}, {kElbowTl, 300, 0}, {kElbowBr, 300, 300}, {kElbowBl, 0, 300}},
     {{{0, 300}, {0, 450}, {150, 600}, {300, 600}, {450, 600}, {600, 450}, {600, 300}, {600, 150}, {450, 0},
       {300, 0}, {150, 0}, {0, 150}, {0, 300}}}},
    {"a third of a horizontal and of a vertical make the geometry list",
     {{kHorizontal, 0, 0, kThird}, {kVertical, 100, 0, 1.0f, kThird}},
     {{{0, 0}, {100, 0}, {100, 100}}}},
};

TEST_F(BoardTest, PiecesBecomeMergedEdgeListsAndGo) {
  for (const GraphCase& c : kGraphCases) {
    SCOPED_TRACE(c.what);
    StartWith(c.pieces);
    const std::vector<Wire> wires = Wires();
    EXPECT_TRUE(Same(wires, c.wires)) << "got " << Text(wires) << "\nwanted " << Text(c.wires);
    EXPECT_EQ(PiecesLeft(), 0);
    // At every joint the node of the piece built later is kept: a node left out of every list
    // at the same place is older.
    std::vector<int32_t> listed;
    for (const CInstance* e : InstancesOf(kObEdgelist)) {
      for (int32_t n : NodesOf(e)) listed.push_back(n);
    }
    for (const CInstance* node : InstancesOf(kObNode)) {
      if (std::find(listed.begin(), listed.end(), node->id) != listed.end()) continue;
      for (int32_t kept : listed) {
        const Pt a = At(kept);
        if (std::fabs(a.x - node->x) < 3 && std::fabs(a.y - node->y) < 3) {
          EXPECT_GT(kept, node->id) << "a dropped node is newer than the one kept at (" << a.x << ", " << a.y << ")";
        }
      }
    }
    EndGame();
  }
}

TEST_F(BoardTest, ARingBeginsAndEndsAtOnePlaceWithTwoNodes) {
  StartWith({{kElbowTr, 0, 0}, {kElbowTl, 300, 0}, {kElbowBr, 300, 300}, {kElbowBl, 0, 300}});
  const std::vector<int32_t> nodes = NodesOf(OnlyEdgelist());
  ASSERT_EQ(nodes.size(), 13u);
  EXPECT_NE(nodes.front(), nodes.back());
  EXPECT_EQ(At(nodes.front()).x, At(nodes.back()).x);
  EXPECT_EQ(At(nodes.front()).y, At(nodes.back()).y);
  // The merged-away lists and their ds_lists are gone; the nodes stay (4 pieces x 4 nodes).
  EXPECT_EQ(InstancesOf(kObNode).size(), 16u);
  EXPECT_EQ(lumbrix::BoardListsHeld(), 1);
}

TEST_F(BoardTest, AnEdgeListsDsListLastsUntilTheNextBoardIsBuilt) {
  constexpr int32_t kLevel1 = 5;
  StartIn(kLevel1);
  const size_t first = InstancesOf(kObEdgelist).size();
  ASSERT_GT(first, 0u);
  EXPECT_EQ(ListsAlive(), static_cast<int32_t>(first));
  Enter(kTestRoom);
  Enter(kLevel1);
  EXPECT_EQ(InstancesOf(kObEdgelist).size(), first);
  EXPECT_EQ(ListsAlive(), static_cast<int32_t>(first)) << "the first visit's lists are freed";
  EXPECT_EQ(lumbrix::BoardListsHeld(), static_cast<int32_t>(first));
  for (const CInstance* e : InstancesOf(kObEdgelist)) {
    EXPECT_NE(g_DsLists.Get(static_cast<int32_t>(Num(e, "list"))), nullptr);
  }
}

// --- positions and geometry on the list (0, 0), (100, 0), (100, 100) ---------------------------

class WireGeometryTest : public BoardTest {
 protected:
  void SetUp() override {
    BoardTest::SetUp();
    StartWith({{kHorizontal, 0, 0, kThird}, {kVertical, 100, 0, 1.0f, kThird}});
    m_e = OnlyEdgelist();
    ASSERT_NE(m_e, nullptr);
  }
  double E() const { return m_e->id; }
  CInstance* m_e = nullptr;
};

TEST_F(WireGeometryTest, PositionsBecomePoints) {
  struct Case {
    double t, x, y;
  };
  for (const Case& c : {Case{1.5, 100, 50}, Case{2, 100, 0}, Case{-0.5, -50, 0}, Case{0.25, 25, 0}}) {
    SCOPED_TRACE(c.t);
    Ask(tll_Script_edgelist_get_pos, {E(), c.t});
    EXPECT_DOUBLE_EQ(GlobalNum("_x"), c.x);
    EXPECT_DOUBLE_EQ(GlobalNum("_y"), c.y);
  }
}

TEST_F(WireGeometryTest, DirectionsFollowTheSegmentHoldingT) {
  EXPECT_EQ(Ask(tll_Script_edgelist_get_direction, {E(), 0.9}), 0);
  EXPECT_EQ(Ask(tll_Script_edgelist_get_direction, {E(), 1.2}), 270);
  EXPECT_EQ(Ask(tll_Script_edgelist_get_direction, {E(), 5}), 270);
}

TEST_F(WireGeometryTest, TheNearestPositionKeepsTheFirstSegmentFound) {
  Ask(tll_Script_edgelist_get_nearest, {50, 10}, m_e);
  EXPECT_EQ(GlobalNum("_edgelist"), E());
  EXPECT_DOUBLE_EQ(GlobalNum("_edgelistT"), 0.5);
  Ask(tll_Script_edgelist_get_nearest, {100, 0}, m_e);
  EXPECT_EQ(GlobalNum("_edgelist"), E());
  EXPECT_DOUBLE_EQ(GlobalNum("_edgelistT"), 0.99999999);
  Ask(tll_Script_edgelist_get_nearest, {130, 70}, m_e);
  EXPECT_DOUBLE_EQ(GlobalNum("_edgelistT"), 1.7);
}

TEST_F(WireGeometryTest, OutOfBoundsIsBelowTheFirstNodeOrPastTheLast) {
  EXPECT_EQ(Ask(tll_Script_edgelist_is_index_oob, {E(), 2}), 0);
  EXPECT_EQ(Ask(tll_Script_edgelist_is_index_oob, {E(), 2.9}), 0);
  EXPECT_EQ(Ask(tll_Script_edgelist_is_index_oob, {E(), 3}), 1);
  EXPECT_EQ(Ask(tll_Script_edgelist_is_index_oob, {E(), -0.1}), 1);
  EXPECT_EQ(Ask(tll_Script_edgelist_is_index_oob, {E(), 0}), 0);
}

TEST_F(WireGeometryTest, AnIdOfNoInstanceLeavesEverythingAsItWas) {
  WriteGlobal("_x", 7);
  WriteGlobal("_y", 8);
  constexpr double kNobody = 199999;
  Ask(tll_Script_edgelist_get_pos, {kNobody, 1});
  EXPECT_EQ(GlobalNum("_x"), 7);
  EXPECT_EQ(GlobalNum("_y"), 8);
  EXPECT_EQ(Ask(tll_Script_edgelist_get_direction, {kNobody, 1}), -12345) << "the result is not touched";
  EXPECT_EQ(Ask(tll_Script_edgelist_is_index_oob, {kNobody, 1}), -12345);
}

TEST_F(WireGeometryTest, EdgeLengthIsTheDistanceBetweenTwoNodes) {
  const std::vector<int32_t> nodes = NodesOf(m_e);
  EXPECT_DOUBLE_EQ(Ask(tll_Script_edge_length, {double(nodes[0]), double(nodes[2])}), std::sqrt(20000.0));
}

TEST_F(BoardTest, WithNoEdgeListTheNearestPositionIsNone) {
  StartWith({});
  WriteGlobal("_edgelist", 5);
  WriteGlobal("_edgelistT", 5);
  Ask(tll_Script_edgelist_get_nearest, {50, 10});
  EXPECT_EQ(GlobalNum("_edgelist"), -1);
  EXPECT_EQ(GlobalNum("_edgelistT"), -1);
}

TEST_F(BoardTest, LineGeometry) {
  StartWith({{kObChip, 0, 0}});
  CInstance* self = InstancesOf(kObChip).at(0);
  // Beyond the end of the segment: clamped to its end, or on the line.
  EXPECT_EQ(Ask(tll_Script_point_line_distance, {150, 0, 0, 0, 100, 0, 1}, self), 50);
  EXPECT_EQ(Num(self, "x0"), 100);
  EXPECT_EQ(Ask(tll_Script_point_line_distance, {150, 0, 0, 0, 100, 0, 0}, self), 0);
  EXPECT_EQ(Num(self, "x0"), 150);
  EXPECT_DOUBLE_EQ(Ask(tll_Script_nearest_line_t, {150, 0, 0, 0, 100, 0, 1}, self), 0.99999999);
  EXPECT_DOUBLE_EQ(Ask(tll_Script_nearest_line_t, {150, 0, 0, 0, 100, 0, 0}, self), 1.5);
  EXPECT_DOUBLE_EQ(Ask(tll_Script_nearest_line_t, {-50, 0, 0, 0, 100, 0, 1}, self), 0);
  // A segment of no length measures to its first node.
  EXPECT_EQ(Ask(tll_Script_point_line_distance, {13, 14, 10, 10, 10, 10, 1}, self), 5);
  EXPECT_EQ(Num(self, "x0"), 10);
  EXPECT_EQ(Num(self, "y0"), 10);
  EXPECT_EQ(Ask(tll_Script_nearest_line_t, {13, 14, 10, 10, 10, 10, 1}, self), 0);
  // The foot point handed back.
  Ask(tll_Script_nearest_line_point, {30, 40, 0, 0, 100, 0, 1}, self);
  EXPECT_EQ(GlobalNum("_x"), 30);
  EXPECT_EQ(GlobalNum("_y"), 0);
  // Called without an instance, as a script call from outside an event may be: nothing to leave
  // the foot in, and still the same answers.
  EXPECT_EQ(Ask(tll_Script_point_line_distance, {150, 0, 0, 0, 100, 0, 1}), 50);
  Ask(tll_Script_nearest_line_point, {30, 40, 0, 0, 100, 0, 1});
  EXPECT_EQ(GlobalNum("_x"), 30);
  // The side of a line.
  EXPECT_EQ(Ask(tll_Script_vector_side_of, {0, -10, 0, 0, 10, 0}), -1);
  EXPECT_EQ(Ask(tll_Script_vector_side_of, {0, 10, 0, 0, 10, 0}), 1);
  EXPECT_EQ(Ask(tll_Script_vector_side_of, {5, 0.000005, 0, 0, 10, 0}), 0);
  EXPECT_EQ(Ask(tll_Script_vector_side_of, {5, -0.000005, 0, 0, 10, 0}), 0);
  EXPECT_EQ(Ask(tll_Script_vector_side_of, {5, 0.00002, 0, 0, 10, 0}), 1);
  // A unit vector, snapped.
  Ask(tll_Script_direction_to_vector, {90});
  EXPECT_EQ(GlobalNum("_x"), 0.0);
  EXPECT_EQ(GlobalNum("_y"), -1.0);
  Ask(tll_Script_direction_to_vector, {0});
  EXPECT_EQ(GlobalNum("_x"), 1.0);
  EXPECT_EQ(GlobalNum("_y"), 0.0);
}

// --- chips ---------------------------------------------------------------------------------------

TEST_F(BoardTest, AChipsDistanceIsTheDistanceToItsRectangle) {
  StartWith({{kObChip, 0, 0, 3.0f, 3.0f}});
  const CInstance* chip = InstancesOf(kObChip).at(0);
  EXPECT_EQ(Num(chip, "width"), 300);
  EXPECT_EQ(Num(chip, "height"), 300);
  EXPECT_EQ(Num(chip, "hackPercent"), 0);
  EXPECT_EQ(Num(chip, "hackScale"), 1);
  struct Case {
    double x, y, distance;
  };
  for (const Case& c : {Case{150, 150, 0}, Case{150, 400, 100}, Case{400, 150, 100}, Case{400, 400, std::sqrt(20000.0)},
                        Case{300, 300, 0}, Case{-30, -40, 50}}) {
    SCOPED_TRACE(testing::Message() << c.x << ", " << c.y);
    EXPECT_EQ(Ask(tll_Script_chip_get_nearest, {c.x, c.y}), chip->id);
    EXPECT_NEAR(GlobalNum("_distance"), c.distance, 1e-4);  // point_distance works in single precision
  }
  EXPECT_EQ(Ask(tll_Script_point_in_chip, {double(chip->id), 305, 150, 5}), 1);
  EXPECT_EQ(Ask(tll_Script_point_in_chip, {double(chip->id), 306, 150, 5}), 0);
}

TEST_F(BoardTest, WithNoChipTheNearestIsNone) {
  StartWith({});
  EXPECT_EQ(Ask(tll_Script_chip_get_nearest, {10, 10}), -1);
  EXPECT_EQ(GlobalNum("_distance"), -1);
  EXPECT_EQ(Ask(tll_Script_chips_remaining, {}), 0);
}

TEST_F(BoardTest, TheNearestOfTwoChipsAtOneDistanceIsTheOneVisitedFirst) {
  // With blocks visit the last collected first: the chip placed later.
  StartWith({{kObChip, 0, 0}, {kObChip, 300, 0}});
  const std::vector<CInstance*> chips = InstancesOf(kObChip);
  ASSERT_EQ(chips.size(), 2u);
  EXPECT_EQ(Ask(tll_Script_chip_get_nearest, {200, 50}), std::max(chips[0]->id, chips[1]->id));
  EXPECT_EQ(GlobalNum("_distance"), 100);
}

TEST_F(BoardTest, ChipsRemainingCountsThoseBelowAHundred) {
  StartWith({{kObChip, 0, 0}, {kObChip, 300, 0}, {kObChip, 600, 0}});
  const std::vector<CInstance*> chips = InstancesOf(kObChip);
  EXPECT_EQ(Ask(tll_Script_chips_remaining, {}), 3);
  Write(chips[0], "hackPercent", 99.99999999999);  // within the epsilon of 100
  Write(chips[1], "hackPercent", 99.9);
  EXPECT_EQ(Ask(tll_Script_chips_remaining, {}), 2);
  Write(chips[1], "hackPercent", 150);
  EXPECT_EQ(Ask(tll_Script_chips_remaining, {}), 1);
}

TEST_F(BoardTest, TwoChipsHackMoreSlowly) {
  StartWith({{kObChip, 0, 0, 1, 1, lumbrix::code::tll_RoomCC_rm_tutorial_107_Create},
             {kObChip, 300, 0, 1, 1, lumbrix::code::tll_RoomCC_rm_level1_115_Create},
             {kObChip, 600, 0}});
  std::vector<double> scales;
  for (const CInstance* chip : InstancesOf(kObChip)) scales.push_back(Num(chip, "hackScale"));
  EXPECT_EQ(scales, (std::vector<double>{0.8, 0.8, 1}));
  // And so in the rooms that place them.
  for (int32_t room : {3, 5}) {
    EndGame();
    StartIn(room);
    int32_t slow = 0;
    for (const CInstance* chip : InstancesOf(kObChip)) slow += Num(chip, "hackScale") == 0.8 ? 1 : 0;
    EXPECT_EQ(slow, 1) << "room " << room;
  }
}

struct ChipLook {
  const char* what;
  float xscale, yscale;
  std::vector<std::string> drawn;  // the log of ob_chip_draw at (1000, 2000)
};

TEST_F(BoardTest, AChipIsDrawnWithTheSpriteOfItsSize) {
  const std::vector<ChipLook> cases = {
      {"150 x 150: 3 x 3 cells of 50", 1.5f, 1.5f, {"draw_sprite 20 0 1000 2000"}},
      {"300 x 300: 3 x 3 cells of 100 at twice the size", 3, 3,
       {"draw_sprite_ext 20 0 1000 2000 2 2 0 16777215 1"}},
      {"400 x 400: 4 x 4 cells of 100", 4, 4, {"draw_sprite_ext 22 0 1000 2000 2 2 0 16777215 1"}},
      {"250 x 200", 2.5f, 2, {"draw_sprite 25 0 1000 2000"}},
      {"150 x 250: turned from the bottom left", 1.5f, 2.5f,
       {"draw_sprite_ext 23 0 1000 2250 1 1 90 16777215 1"}},
      {"350 x 350: nothing fits", 3.5f, 3.5f, {}},
  };
  for (const ChipLook& c : cases) {
    SCOPED_TRACE(c.what);
    StartWith({{kObChip, 1000, 2000, c.xscale, c.yscale}});
    const double chip = InstancesOf(kObChip).at(0)->id;
    CallLog().clear();
    Ask(tll_Script_ob_chip_draw, {chip});
    EXPECT_EQ(CallLog(), c.drawn);
    CallLog().clear();
    Ask(tll_Script_chip_draw_outline, {chip});
    const double w = std::round(c.xscale * 100), h = std::round(c.yscale * 100);
    EXPECT_EQ(CallLog(), (std::vector<std::string>{
                             "draw_set_colour 2832386",
                             "draw_roundrect_ext 900 1900 " + std::to_string(int(1100 + w)) + " " +
                                 std::to_string(int(2100 + h)) + " 78 78 0",
                         }));
    EndGame();
  }
}

TEST_F(BoardTest, TheHackOverlayFlickersMoreAsTheHackGoesOn) {
  StartWith({{kObChip, 0, 0, 1.5f, 1.5f}});
  CInstance* chip = InstancesOf(kObChip).at(0);
  constexpr int32_t kFrames = 400;
  const auto overlays = [&](double percent) {
    Write(chip, "hackPercent", percent);
    std::vector<std::string> lit;
    for (int32_t frame = 0; frame < kFrames; ++frame) {
      CallLog().clear();
      Ask(tll_Script_ob_chip_draw, {double(chip->id)});
      const std::vector<std::string> overlay = Calls("draw_sprite_ext");
      lit.push_back(overlay.empty() ? "" : overlay.front());
    }
    return lit;
  };
  Reseed(51);
  for (const std::string& line : overlays(1)) EXPECT_EQ(line, "");
  Reseed(51);
  const std::vector<std::string> half = overlays(50);
  Reseed(51);
  int32_t flickers = 0;
  for (int32_t frame = 0; frame < kFrames; ++frame) {
    const bool expected = F_Random(1) > 0.99 / (1 + 50.0 / 700);
    EXPECT_EQ(half[frame], expected ? "draw_sprite_ext 20 1 0 0 1 1 0 16777215 0.3" : "") << "frame " << frame;
    flickers += expected ? 1 : 0;
  }
  EXPECT_GT(flickers, 0);
  EXPECT_LT(flickers, kFrames / 4);
  for (const std::string& line : overlays(100)) EXPECT_EQ(line, "draw_sprite_ext 20 1 0 0 1 1 0 16777215 1");
}

// --- drawing the wires ---------------------------------------------------------------------------

struct CapCase {
  const char* what;
  std::vector<LumbrixRecord> room;  // the wire runs from (310, 100) to (610, 100)
  std::vector<std::string> underlay;
  std::vector<std::string> wire;
};

TEST_F(BoardTest, WireEndsOnAChipGetAPadInsteadOfCaps) {
  const std::vector<CapCase> cases = {
      {"an end 10 px from a chip",
       {{kObChip, 0, 0, 3, 3}, {kHorizontal, 310, 100}},
       {"draw_set_colour 2832386", "draw_line_width 310 100 610 100 76", "draw_circle 610 100 55 0"},
       {"draw_set_colour 8369582", "draw_line_width 310 100 610 100 8", "draw_circle 610 100 10 0",
        "draw_set_colour 8570081", "draw_line_width 310 100 610 100 6", "draw_rectangle 300 90 320 110 0",
        "draw_circle 610 100 9 0"}},
      {"an end 10.5 px from a chip",
       {{kObChip, 0, 0, 2.995f, 3}, {kHorizontal, 310, 100}},
       {"draw_set_colour 2832386", "draw_line_width 310 100 610 100 76", "draw_circle 310 100 55 0",
        "draw_circle 610 100 55 0"},
       {"draw_set_colour 8369582", "draw_line_width 310 100 610 100 8", "draw_circle 310 100 10 0",
        "draw_circle 610 100 10 0", "draw_set_colour 8570081", "draw_line_width 310 100 610 100 6",
        "draw_circle 310 100 9 0", "draw_circle 610 100 9 0"}},
      {"no chip in the room",
       {{kHorizontal, 310, 100}},
       {"draw_set_colour 2832386", "draw_line_width 310 100 610 100 76"},
       {"draw_set_colour 8369582", "draw_line_width 310 100 610 100 8", "draw_set_colour 8570081",
        "draw_line_width 310 100 610 100 6", "draw_circle 310 100 9 0", "draw_circle 610 100 9 0"}},
  };
  for (const CapCase& c : cases) {
    SCOPED_TRACE(c.what);
    StartWith(c.room);
    const double e = OnlyEdgelist()->id;
    CallLog().clear();
    Ask(tll_Script_edgelist_draw_outline, {e});
    EXPECT_EQ(CallLog(), c.underlay);
    CallLog().clear();
    Ask(tll_Script_ob_edgelist_draw, {e});
    EXPECT_EQ(CallLog(), c.wire);
    EndGame();
  }
}

TEST_F(BoardTest, InnerNodesGetRoundJoints) {
  StartWith({{kQuarter, 0, 0}});
  const double e = OnlyEdgelist()->id;
  Ask(tll_Script_edgelist_draw_outline, {e});
  Ask(tll_Script_ob_edgelist_draw, {e});
  EXPECT_EQ(Calls("draw_circle"),
            (std::vector<std::string>{"draw_circle 150 0 38 0", "draw_circle 150 0 4 0", "draw_circle 0 0 9 0",
                                      "draw_circle 150 0 3 0", "draw_circle 300 150 9 0"}))
      << "no chip: the ends get caps in the second pass only";
  EXPECT_EQ(Calls("draw_line_width").size(), 6u);
}

}  // namespace
