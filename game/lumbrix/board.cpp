// The board's wires: the pieces placed in a room become nodes and edge lists when the room
// starts, positions on the wires become points and directions, the nearest wire point is found
// for any point, and the wires are drawn. Below them, the line geometry the movers share.
//
// A wire position is (edge list, t): floor(t) picks the segment and frac(t) the fraction along
// it. Scripts hand points back through the globals _x, _y and positions through _edgelist,
// _edgelistT; the caller reads them at once.
#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <utility>
#include <vector>

#include "functions/math_geometry.h"
#include "functions/math_numeric.h"
#include "lumbrix/board.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "lumbrix/unit.h"
#include "world/commands.h"
#include "world/instance_ids.h"
#include "world/queries.h"

using namespace lumbrix;

namespace {

int32_t ListNode(CInstance* self, CInstance* other, double list, double i) {
  return tll::Int(Fn(self, other, fn::ds_list_find_value, list, i));
}
int32_t ListSize(CInstance* self, CInstance* other, double list) {
  return tll::Int(Fn(self, other, fn::ds_list_size, list));
}

struct Point {
  double x;
  double y;
};
Point NodeAt(int32_t node) { return {BuiltinOf(node, var::x), BuiltinOf(node, var::y)}; }

// Two end nodes meet when they lie less than 3 pixels apart on both axes.
bool Meets(int32_t a, int32_t b) {
  const Point p = NodeAt(a);
  const Point q = NodeAt(b);
  return Less(std::fabs(p.x - q.x), 3.0) && Less(std::fabs(p.y - q.y), 3.0);
}

// The ds_lists the board made, by the edge list holding each. An edge list has no Destroy event,
// so a list whose edge list went with its room would otherwise outlive it; the next board frees
// it when it starts to build. An edge list still holds its list while an instance of that id is
// an edge list whose `list` names it (ids start again in a game started anew).
std::vector<std::pair<int32_t, int32_t>> s_boardLists;  // (edge list id, ds_list id)

bool StillHeld(const std::pair<int32_t, int32_t>& entry) {
  CInstance* holder = Instance_Find(entry.first);
  return holder != nullptr && !holder->marked && holder->object_index == kObEdgelist &&
         tll::Int(tll::Own(holder, inst::list)) == entry.second;
}

void FreeListsOfGoneEdgeLists(CInstance* self, CInstance* other) {
  std::erase_if(s_boardLists, [&](const std::pair<int32_t, int32_t>& entry) {
    if (StillHeld(entry)) return false;
    Do(self, other, fn::ds_list_destroy, entry.second);
    return true;
  });
}
void ForgetList(int32_t edgelist) {
  std::erase_if(s_boardLists, [&](const std::pair<int32_t, int32_t>& entry) { return entry.first == edgelist; });
}

// A wire piece's Create event: its nodes in order, one edge list merged with those it touches,
// and the piece gone.
void BuildPiece(CInstance* self, CInstance* other, const char* name, std::initializer_list<Point> offsets) {
  tll::Frame frame(name);
  frame.Line(1);
  const double list = Fn(self, other, fn::ds_list_create);
  frame.Line(2);
  for (const Point& d : offsets) {
    const double node =
        Run(tll_Script_ob_node_create, self, other, Builtin(self, var::x) + d.x * Builtin(self, var::image_xscale),
            Builtin(self, var::y) + d.y * Builtin(self, var::image_yscale));
    Do(self, other, fn::ds_list_add, list, node);
  }
  frame.Line(3);
  Run(tll_Script_ob_edgelist_create, self, other, list);
  frame.Line(4);
  Do(self, other, fn::ds_list_destroy, list);
  frame.Line(5);
  F_InstanceDestroy(self);
}

// The nodes of an edge list's `list` along it, for the drawing passes.
template <typename AtNode>
void ForEachNode(CInstance* self, CInstance* other, AtNode atNode) {
  const double list = OwnNum(self, inst::list);
  for (int32_t i = 0; i < ListSize(self, other, list); ++i) {
    const int32_t size = ListSize(self, other, list);
    const Point n = NodeAt(ListNode(self, other, list, i));
    const bool last = i == size - 1;
    const Point m = last ? n : NodeAt(ListNode(self, other, list, i + 1));
    atNode(n, m, last, i == 0 || last);
  }
}

// How far the chip nearest to a point lies: -1 with no chip in the room.
double ChipDistance(CInstance* self, CInstance* other, const Point& p) {
  Run(tll_Script_chip_get_nearest, self, other, p.x, p.y);
  return tll::Num(tll::Global(glob::_distance));
}

// One pass over an edge list's nodes: its segments of that width, a round joint at each inner
// node, and a cap at each end unless the end lies on a chip's surround (within 10 pixels of one).
void CappedPass(CInstance* self, CInstance* other, uint32_t colour, double width, double cap, double joint) {
  tll::DrawSetColour(colour);
  ForEachNode(self, other, [&](const Point& n, const Point& m, bool last, bool end) {
    if (!last) Do(self, other, fn::draw_line_width, n.x, n.y, m.x, m.y, width);
    if (end) {
      if (Greater(ChipDistance(self, other, n), 10.0)) Do(self, other, fn::draw_circle, n.x, n.y, cap, 0);
    } else {
      Do(self, other, fn::draw_circle, n.x, n.y, joint, 0);
    }
  });
}

}  // namespace

namespace lumbrix {

int32_t BoardListsHeld() { return static_cast<int32_t>(s_boardLists.size()); }

}  // namespace lumbrix

// --- the graph ---------------------------------------------------------------------------------

RValue* tll_Script_ob_node_create(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t argc, RValue** args) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_ob_node_create");
  frame.Line(1);
  const int32_t node = F_InstanceCreate(static_cast<float>(Arg(argc, args, 0)), static_cast<float>(Arg(argc, args, 1)),
                                        kObNode);
  frame.Line(2);
  tll::With with(&self, &other, node);
  if (with.Any()) {
    do {
      frame.Line(3);
      tll::Local id;
      tll::Get(self, var::id, &id);
      return tll::Return(result, *id);
    } while (with.Next());
  }
  return result;
}

RValue* tll_Script_ob_edgelist_create(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t argc,
                                      RValue** args) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  tll::Frame frame("tll_Script_ob_edgelist_create");
  const double nodes = Arg(argc, args, 0);
  FreeListsOfGoneEdgeLists(self, other);
  frame.Line(1);
  const int32_t e = F_InstanceCreate(0.0f, 0.0f, kObEdgelist);
  tll::With with(&self, &other, e);
  if (!with.Any()) return result;
  do {
    frame.Line(2);
    const double list = Fn(self, other, fn::ds_list_create);
    SetOwn(self, inst::list, list);
    s_boardLists.emplace_back(self->id, tll::Int(list));
    Do(self, other, fn::ds_list_copy, list, nodes);
    frame.Line(3);
    const int32_t head = ListNode(self, other, list, 0);
    const int32_t tail = ListNode(self, other, list, ListSize(self, other, list) - 1);
    frame.Line(4);
    {
      // Every other edge list, in the with-iteration order; the first case that holds applies.
      tll::With each(&self, &other, kObEdgelist);
      if (each.Any()) {
        do {
          if (self->id == other->id) continue;
          const double theirs = OwnNum(self, inst::list);
          const int32_t first = ListNode(self, other, theirs, 0);
          const int32_t last = ListNode(self, other, theirs, ListSize(self, other, theirs) - 1);
          bool merged = true;
          if (Meets(first, head)) {
            frame.Line(5);
            for (int32_t i = 1; i < ListSize(self, other, theirs); ++i) {
              Do(self, other, fn::ds_list_insert, list, 0, ListNode(self, other, theirs, i));
            }
          } else if (Meets(first, tail)) {
            frame.Line(6);
            for (int32_t i = 1; i < ListSize(self, other, theirs); ++i) {
              Do(self, other, fn::ds_list_add, list, ListNode(self, other, theirs, i));
            }
          } else if (Meets(last, head)) {
            frame.Line(7);
            for (int32_t i = 1; i < ListSize(self, other, theirs); ++i) {
              Do(self, other, fn::ds_list_insert, list, 0,
                 ListNode(self, other, theirs, ListSize(self, other, theirs) - 1 - i));
            }
          } else if (Meets(last, tail)) {
            frame.Line(8);
            for (int32_t i = 1; i < ListSize(self, other, theirs); ++i) {
              Do(self, other, fn::ds_list_add, list, ListNode(self, other, theirs, ListSize(self, other, theirs) - 1 - i));
            }
          } else {
            merged = false;
          }
          if (merged) Run(tll_Script_edgelist_destroy, self, other, self->id);
        } while (each.Next());
      }
    }
    frame.Line(9);
    return tll::Return(result, self->id);
  } while (with.Next());
  return result;
}

RValue* tll_Script_edgelist_destroy(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_edgelist_destroy", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             Do(self, other, fn::ds_list_destroy, OwnNum(self, inst::list));
                             ForgetList(self->id);
                             frame.Line(3);
                             SetOwn(self, inst::list, -1.0);
                             frame.Line(4);
                             F_InstanceDestroy(self);
                             return false;
                           });
}

void tll_Object_ob_wire_horizontal_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_horizontal_Create_0", {{0, 0}, {300, 0}});
}
void tll_Object_ob_wire_vertical_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_vertical_Create_0", {{0, 0}, {0, 300}});
}
void tll_Object_ob_wire_quarter_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_quarter_Create_0", {{0, 0}, {150, 0}, {300, 150}});
}
void tll_Object_ob_wire_elbow_tl_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_elbow_tl_Create_0", {{0, 0}, {150, 0}, {300, 150}, {300, 300}});
}
void tll_Object_ob_wire_elbow_bl_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_elbow_bl_Create_0", {{0, 0}, {0, 150}, {150, 300}, {300, 300}});
}
void tll_Object_ob_wire_diagonal_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_diagonal_Create_0", {{0, 0}, {50, 50}});
}
void tll_Object_ob_wire_elbow_tr_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_elbow_tr_Create_0", {{0, 300}, {0, 150}, {150, 0}, {300, 0}});
}
void tll_Object_ob_wire_elbow_br_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_elbow_br_Create_0", {{0, 300}, {150, 300}, {300, 150}, {300, 0}});
}
void tll_Object_ob_wire_reverse_loop_Create_0(CInstance* self, CInstance* other) {
  BuildPiece(self, other, "tll_Object_ob_wire_reverse_loop_Create_0",
             {{0, 200}, {200, 200}, {250, 150}, {250, 50}, {200, 0}, {100, 0}, {50, 50}, {50, 100}, {0, 150}});
}

// --- positions on the wires --------------------------------------------------------------------

RValue* tll_Script_edgelist_get_pos(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  const double t = Arg(argc, args, 1);
  return WithFirstArgument("tll_Script_edgelist_get_pos", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             const double list = OwnNum(self, inst::list);
                             const double i = Fn(self, other, fn::floor,
                                                 Fn(self, other, fn::clamp, t, 0, ListSize(self, other, list) - 2));
                             const Point a = NodeAt(ListNode(self, other, list, i));
                             const Point b = NodeAt(ListNode(self, other, list, i + 1));
                             frame.Line(3);
                             const double f = Fn(self, other, fn::frac, t);
                             frame.Line(4);
                             SetGlobal(glob::_x, a.x + f * (b.x - a.x));
                             SetGlobal(glob::_y, a.y + f * (b.y - a.y));
                             return false;
                           });
}

RValue* tll_Script_edgelist_get_direction(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  const double t = Arg(argc, args, 1);
  return WithFirstArgument("tll_Script_edgelist_get_direction", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             const double list = OwnNum(self, inst::list);
                             // Not floored: the list look-ups truncate it.
                             const double i = Fn(self, other, fn::clamp, t, 0, ListSize(self, other, list) - 2);
                             const Point a = NodeAt(ListNode(self, other, list, i));
                             const Point b = NodeAt(ListNode(self, other, list, i + 1));
                             frame.Line(3);
                             tll::Return(result, F_PointDirection(static_cast<float>(a.x), static_cast<float>(a.y),
                                                                  static_cast<float>(b.x), static_cast<float>(b.y)));
                             return true;
                           });
}

RValue* tll_Script_edgelist_get_nearest(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_edgelist_get_nearest");
  const double px = Arg(argc, args, 0);
  const double py = Arg(argc, args, 1);
  frame.Line(1);
  double best = -1.0;
  double bestE = -1.0;
  double bestT = -1.0;
  frame.Line(2);
  for (int32_t i = 0; i < F_InstanceNumber(self, other, kObEdgelist); ++i) {
    const int32_t e = tll::Int(Fn(self, other, fn::instance_find, kObEdgelist, i));
    tll::Local list;
    tll::GetOn(e, inst::list, &list);
    if (tll::Equal(tll::Num(*list), -1.0)) continue;
    const double l = tll::Num(*list);
    for (int32_t j = 0; j < ListSize(self, other, l) - 1; ++j) {
      frame.Line(3);
      const Point a = NodeAt(ListNode(self, other, l, j));
      const Point b = NodeAt(ListNode(self, other, l, j + 1));
      const double d = Run(tll_Script_point_line_distance, self, other, px, py, a.x, a.y, b.x, b.y, 1);
      if (tll::Equal(best, -1.0) || Less(d, best)) {
        frame.Line(4);
        best = d;
        bestE = e;
        bestT = j + Run(tll_Script_nearest_line_t, self, other, px, py, a.x, a.y, b.x, b.y, 1);
      }
    }
  }
  frame.Line(5);
  SetGlobal(glob::_edgelist, bestE);
  SetGlobal(glob::_edgelistT, bestT);
  return result;
}

RValue* tll_Script_edgelist_is_index_oob(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  const double t = Arg(argc, args, 1);
  return WithFirstArgument("tll_Script_edgelist_is_index_oob", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             const double i = Fn(self, other, fn::floor, t);
                             const bool below = tll::Negative(i);
                             frame.Line(3);
                             const bool past = !below && !Less(i, ListSize(self, other, OwnNum(self, inst::list)));
                             tll::Return(result, below || past ? 1.0 : 0.0);
                             return true;
                           });
}

// --- drawing the wires -------------------------------------------------------------------------

RValue* tll_Script_edgelist_draw_outline(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_edgelist_draw_outline", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             // The dark green under the wires and round the chips.
                             CappedPass(self, other, 0x2B3802, 76, 55, 38);
                             return false;
                           });
}

RValue* tll_Script_ob_edgelist_draw(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  return WithFirstArgument("tll_Script_ob_edgelist_draw", self, other, result, argc, args,
                           [&](tll::Frame& frame, CInstance* self, CInstance* other) {
                             frame.Line(2);
                             CappedPass(self, other, 0x7FB5AE, 8, 10, 4);
                             frame.Line(3);
                             tll::DrawSetColour(0x82C4E1);
                             ForEachNode(self, other, [&](const Point& n, const Point& m, bool last, bool end) {
                               if (!last) Do(self, other, fn::draw_line_width, n.x, n.y, m.x, m.y, 6);
                               if (!end) {
                                 Do(self, other, fn::draw_circle, n.x, n.y, 3, 0);
                                 return;
                               }
                               const double d = ChipDistance(self, other, n);
                               if (Greater(d, 10.0) || tll::Equal(d, -1.0)) {
                                 Do(self, other, fn::draw_circle, n.x, n.y, 9, 0);
                               } else {
                                 // An end on a chip's surround: a square pad.
                                 const double s = 20;
                                 tll::DrawRectangle(n.x - s * 0.5, n.y - s * 0.5, n.x + s * 0.5, n.y + s * 0.5, false);
                               }
                             });
                             return false;
                           });
}

// --- line geometry -----------------------------------------------------------------------------

namespace {

// The foot of the perpendicular from (px, py) on the line, or on the segment when clamped, left
// in the caller's x0, y0; a segment of no length has its first node as the foot. Called without
// an instance (no caller's variables to leave it in), the foot is handed back all the same.
Point FootPoint(CInstance* self, CInstance* other, int32_t argc, RValue** args) {
  const double px = Arg(argc, args, 0), py = Arg(argc, args, 1);
  const double x1 = Arg(argc, args, 2), y1 = Arg(argc, args, 3);
  const double dx = Arg(argc, args, 4) - x1;
  const double dy = Arg(argc, args, 5) - y1;
  Point foot{x1, y1};
  if (tll::Positive(std::fabs(dx)) || tll::Positive(std::fabs(dy))) {
    double t = ((px - x1) * dx + (py - y1) * dy) / (dx * dx + dy * dy);
    if (argc > 6 && tll::Truth(*args[6])) t = Fn(self, other, fn::clamp, t, 0, 1);
    foot = {x1 + t * dx, y1 + t * dy};
  }
  if (self != nullptr) {
    SetOwn(self, inst::x0, foot.x);
    SetOwn(self, inst::y0, foot.y);
  }
  return foot;
}

}  // namespace

RValue* tll_Script_point_line_distance(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_point_line_distance");
  frame.Line(1);
  const Point foot = FootPoint(self, other, argc, args);
  frame.Line(2);
  return tll::Return(result, Fn(self, other, fn::point_distance, foot.x, foot.y, Arg(argc, args, 0), Arg(argc, args, 1)));
}

RValue* tll_Script_nearest_line_point(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_nearest_line_point");
  frame.Line(1);
  const Point foot = FootPoint(self, other, argc, args);
  frame.Line(2);
  SetGlobal(glob::_x, foot.x);
  SetGlobal(glob::_y, foot.y);
  return result;
}

RValue* tll_Script_nearest_line_t(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_nearest_line_t");
  frame.Line(1);
  const double px = Arg(argc, args, 0), py = Arg(argc, args, 1);
  const double x1 = Arg(argc, args, 2), y1 = Arg(argc, args, 3);
  const double dx = Arg(argc, args, 4) - x1;
  const double dy = Arg(argc, args, 5) - y1;
  if (!tll::Positive(std::fabs(dx)) && !tll::Positive(std::fabs(dy))) return tll::Return(result, 0.0);
  frame.Line(2);
  double t = ((px - x1) * dx + (py - y1) * dy) / (dx * dx + dy * dy);
  // Below 1, so that j + t stays on segment j.
  if (argc > 6 && tll::Truth(*args[6])) t = Fn(self, other, fn::clamp, t, 0, 0.99999999);
  return tll::Return(result, t);
}

RValue* tll_Script_vector_side_of(CInstance*, CInstance*, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_vector_side_of");
  frame.Line(1);
  const double ax = Arg(argc, args, 0), ay = Arg(argc, args, 1);
  const double bx = Arg(argc, args, 2), by = Arg(argc, args, 3);
  const double cx = Arg(argc, args, 4), cy = Arg(argc, args, 5);
  const double s = (cx - bx) * (ay - by) - (cy - by) * (ax - bx);
  frame.Line(2);
  if (Less(std::fabs(s), 0.0001)) return tll::Return(result, 0.0);
  return tll::Return(result, F_Sign(s));
}

RValue* tll_Script_direction_to_vector(CInstance*, CInstance*, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_direction_to_vector");
  frame.Line(1);
  const auto dir = static_cast<float>(Arg(argc, args, 0));
  SetGlobal(glob::_x, F_LengthdirX(1.0f, dir));
  SetGlobal(glob::_y, F_LengthdirY(1.0f, dir));
  return result;
}

RValue* tll_Script_edge_length(CInstance* self, CInstance* other, RValue* result, int32_t argc, RValue** args) {
  tll::Frame frame("tll_Script_edge_length");
  frame.Line(1);
  const Point a = NodeAt(tll::Int(Arg(argc, args, 0)));
  const Point b = NodeAt(tll::Int(Arg(argc, args, 1)));
  return tll::Return(result, Fn(self, other, fn::sqrt, (b.x - a.x) * (b.x - a.x) + (b.y - a.y) * (b.y - a.y)));
}
