// The tile functions through the built-in table, on a current room made in the test.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "assets/asset_names_stand_in.h"
#include "core/function_registry.h"
#include "core/value_test_util.h"
#include "functions/math_call.h"
#include "functions/tile_functions.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

using math_test::ArrayReals;
using math_test::Call;
using math_test::CallReal;
using math_test::Real;

class TileFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Builtin_Shutdown();
    Tile_RegisterFunctions(1);
    const char* backgrounds[] = {"stones"};
    Background_StandInSetNames(backgrounds, 1);
    Room_SetTileIdCounter(10000000);
    Room_Current = &room;
    RuntimeErrorCapture::Reset();
  }
  void TearDown() override {
    Room_Current = nullptr;
    Room_SetTileIdCounter(0);
    Background_StandInSetNames(nullptr, 0);
    Builtin_Shutdown();
  }

  // A 16 x 16 tile of background 0 at (x, y).
  double Add(double x, double y, double depth, double width = 16, double height = 16) {
    return CallReal("tile_add", {Real(0), Real(0), Real(0), Real(width), Real(height), Real(x), Real(y), Real(depth)});
  }
  static std::string TakeError() { return RuntimeErrorCapture::Take(); }

  CRoom room;
  RuntimeErrorCapture errors;
};

TEST(TileRegistrationTest, TheTileNamesInOrderWithTheirCounts) {
  const std::vector<std::pair<std::string, int32_t>> kNames = {
      {"tile_add", 8}, {"tile_delete", 1}, {"tile_exists", 1}, {"tile_get_x", 1}, {"tile_get_y", 1},
      {"tile_get_left", 1}, {"tile_get_top", 1}, {"tile_get_width", 1}, {"tile_get_height", 1},
      {"tile_get_depth", 1}, {"tile_get_visible", 1}, {"tile_get_xscale", 1}, {"tile_get_yscale", 1},
      {"tile_get_blend", 1}, {"tile_get_alpha", 1}, {"tile_get_background", 1}, {"tile_set_position", 3},
      {"tile_set_visible", 2}, {"tile_set_background", 2}, {"tile_set_region", 5}, {"tile_set_depth", 2},
      {"tile_set_scale", 3}, {"tile_set_blend", 2}, {"tile_set_alpha", 2}, {"tile_get_count", 0},
      {"tile_get_id", 1}, {"tile_get_ids", 0}, {"tile_get_ids_at_depth", 1}, {"tile_layer_hide", 1},
      {"tile_layer_show", 1}, {"tile_layer_delete", 1}, {"tile_layer_shift", 3}, {"tile_layer_find", 3},
      {"tile_layer_delete_at", 3}, {"tile_layer_depth", 2}};
  Builtin_Shutdown();
  Tile_RegisterFunctions(1);
  ASSERT_EQ(g_BuiltinCount, static_cast<int32_t>(kNames.size()));
  for (int32_t k = 0; k < g_BuiltinCount; ++k) {
    EXPECT_EQ(g_BuiltinFunctions[k].name, kNames[static_cast<size_t>(k)].first);
    EXPECT_EQ(g_BuiltinFunctions[k].argumentCount, kNames[static_cast<size_t>(k)].second) << kNames[k].first;
  }
  Builtin_Shutdown();
}

TEST_F(TileFunctionsTest, AddFindQueryAndDelete) {
  const double id = Add(5, 6, 100);
  EXPECT_EQ(id, 10000001);
  EXPECT_EQ(CallReal("tile_exists", {Real(id)}), 1);
  const struct {
    const char* getter;
    double value;
  } kFresh[] = {{"tile_get_x", 5},      {"tile_get_y", 6},          {"tile_get_left", 0},
                {"tile_get_top", 0},    {"tile_get_width", 16},     {"tile_get_height", 16},
                {"tile_get_depth", 100}, {"tile_get_visible", 1},   {"tile_get_xscale", 1},
                {"tile_get_yscale", 1}, {"tile_get_blend", 0xFFFFFF}, {"tile_get_alpha", 1},
                {"tile_get_background", 0}};
  for (const auto& g : kFresh) EXPECT_EQ(CallReal(g.getter, {Real(id)}), g.value) << g.getter;
  EXPECT_EQ(TakeError(), "");

  Call("tile_set_alpha", {Real(id), Real(2)});
  EXPECT_EQ(CallReal("tile_get_alpha", {Real(id)}), 2) << "alpha is stored unclamped";
  Call("tile_set_region", {Real(id), Real(1), Real(2), Real(3), Real(4)});
  Call("tile_set_scale", {Real(id), Real(2), Real(-1)});
  Call("tile_set_visible", {Real(id), Real(0)});
  Call("tile_set_background", {Real(id), Real(42)});
  const RoomTile& t = room.tiles.front();
  EXPECT_EQ((std::vector<double>{double(t.left), double(t.top), double(t.width), double(t.height), t.xscale, t.yscale,
                                 double(t.visible), double(t.background)}),
            (std::vector<double>{1, 2, 3, 4, 2, -1, 0, 42}));

  Call("tile_delete", {Real(id)});
  EXPECT_EQ(CallReal("tile_exists", {Real(id)}), 0);
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(CallReal("tile_get_x", {Real(id)}), 0);
  EXPECT_EQ(TakeError(), "Tile does not exist.");
  Call("tile_set_position", {Real(id), Real(1), Real(1)});
  EXPECT_EQ(TakeError(), "Tile does not exist.");
  Call("tile_delete", {Real(id)});
  EXPECT_EQ(TakeError(), "Tile does not exist.");

  EXPECT_EQ(CallReal("tile_add", {Real(3), Real(0), Real(0), Real(1), Real(1), Real(0), Real(0), Real(0)}), -1);
  EXPECT_EQ(TakeError(), "Background does not exist.");
  EXPECT_TRUE(room.tiles.empty());
}

TEST_F(TileFunctionsTest, IdListsCountsAndIndices) {
  EXPECT_EQ(Call("tile_get_ids").Kind(), VALUE_UNDEFINED) << "no tiles: the result stays undefined";
  EXPECT_EQ(Call("tile_get_ids_at_depth", {Real(1000)}).Kind(), VALUE_UNDEFINED);
  const double a = Add(0, 0, 10);
  const double b = Add(0, 0, 30);
  const double c = Add(0, 0, 20);
  EXPECT_EQ(ArrayReals(Call("tile_get_ids")), (std::vector<double>{a, b, c}));
  room.SortTiles();  // what the next redraw does first
  EXPECT_EQ(ArrayReals(Call("tile_get_ids")), (std::vector<double>{b, c, a}));
  EXPECT_EQ(ArrayReals(Call("tile_get_ids_at_depth", {Real(20)})), (std::vector<double>{c}));
  EXPECT_EQ(ArrayReals(Call("tile_get_ids_at_depth", {Real(1000)})), (std::vector<double>{0}));
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(Call("tile_get_ids", {Real(5)}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(TakeError(), "Incorrect argument count");

  const double count = CallReal("tile_get_count");
  EXPECT_EQ(count, 3);
  EXPECT_EQ(CallReal("tile_get_id", {Real(0)}), b);
  EXPECT_EQ(CallReal("tile_get_id", {Real(-1)}), -1);
  EXPECT_EQ(CallReal("tile_get_id", {Real(count)}), -1);
}

TEST_F(TileFunctionsTest, LayersByExactDepth) {
  const double near = Add(0, 0, 1000);
  const double far = Add(4, 0, 1000, 32, 32);
  const double other = Add(0, 0, 999);
  const double fraction = Add(0, 0, 0.1);

  // Both tiles of the layer cover (10, 8) and (15, 12): the nearer centre, (8, 8) or (20, 16), wins.
  EXPECT_EQ(CallReal("tile_layer_find", {Real(1000), Real(10), Real(8)}), near);
  EXPECT_EQ(CallReal("tile_layer_find", {Real(1000), Real(15), Real(12)}), far);
  EXPECT_EQ(CallReal("tile_layer_find", {Real(1000), Real(16), Real(0)}), far) << "a right edge is outside";
  EXPECT_EQ(CallReal("tile_layer_find", {Real(1000), Real(36), Real(0)}), -1) << "a right edge is outside";
  EXPECT_EQ(CallReal("tile_layer_find", {Real(999), Real(0), Real(16)}), -1) << "a bottom edge is outside";

  Call("tile_layer_shift", {Real(1000), Real(10), Real(0)});
  Call("tile_layer_shift", {Real(0.1), Real(0), Real(7)});
  EXPECT_EQ(CallReal("tile_get_x", {Real(near)}), 10);
  EXPECT_EQ(CallReal("tile_get_x", {Real(far)}), 14);
  EXPECT_EQ(CallReal("tile_get_x", {Real(other)}), 0);
  EXPECT_EQ(CallReal("tile_get_y", {Real(fraction)}), 7) << "0.1 matches in single precision";

  Call("tile_layer_hide", {Real(1000)});
  EXPECT_EQ(CallReal("tile_get_visible", {Real(far)}), 0);
  EXPECT_EQ(CallReal("tile_get_visible", {Real(other)}), 1);
  Call("tile_layer_show", {Real(1000)});
  EXPECT_EQ(CallReal("tile_get_visible", {Real(far)}), 1);

  // (12, 5) is covered by the shifted 16 x 16 tile only.
  Call("tile_layer_delete_at", {Real(1000), Real(12), Real(5)});
  EXPECT_EQ(CallReal("tile_exists", {Real(near)}), 0);
  EXPECT_EQ(CallReal("tile_exists", {Real(far)}), 1);

  Call("tile_layer_depth", {Real(999), Real(1000)});
  EXPECT_EQ(CallReal("tile_get_depth", {Real(other)}), 1000);
  Call("tile_layer_delete", {Real(1000)});
  EXPECT_EQ(ArrayReals(Call("tile_get_ids")), (std::vector<double>{fraction}));
  EXPECT_EQ(TakeError(), "");
}

}  // namespace
