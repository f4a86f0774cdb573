// The running room's tiles: ids, look-ups, removal, the operations by depth and the depth sort.
#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "world/room.h"
#include "world/room_table.h"

namespace {

// The order the redraw wants, by the plain rule: each tile moves down past every shallower one.
std::vector<int32_t> ReferenceSortedIds(std::vector<RoomTile> tiles) {
  for (size_t i = 1; i < tiles.size(); ++i) {
    for (size_t j = i; j > 0 && static_cast<double>(tiles[j].depth) > static_cast<double>(tiles[j - 1].depth); --j) {
      std::swap(tiles[j], tiles[j - 1]);
    }
  }
  std::vector<int32_t> ids;
  for (const RoomTile& t : tiles) ids.push_back(t.id);
  return ids;
}

int32_t ReferenceFind(const std::vector<RoomTile>& tiles, int32_t id) {
  for (size_t i = 0; i < tiles.size(); ++i) {
    if (tiles[i].id == id) return static_cast<int32_t>(i);
  }
  return -1;
}

class TilesTest : public ::testing::Test {
 protected:
  void SetUp() override { Room_SetTileIdCounter(100); }
  void TearDown() override { Room_SetTileIdCounter(0); }

  static RoomTile Tile(float depth, float x = 0.0f, float y = 0.0f, int32_t width = 16, int32_t height = 16) {
    RoomTile t;
    t.depth = depth;
    t.x = x;
    t.y = y;
    t.width = width;
    t.height = height;
    return t;
  }
  // Adds the tiles; returns their ids in order.
  std::vector<int32_t> Add(const std::vector<RoomTile>& tiles) {
    std::vector<int32_t> ids;
    for (const RoomTile& t : tiles) ids.push_back(room.tiles[static_cast<size_t>(room.AddTile(t))].id);
    return ids;
  }
  std::vector<float> Depths() const {
    std::vector<float> out;
    for (const RoomTile& t : room.tiles) out.push_back(t.depth);
    return out;
  }
  std::vector<int32_t> Ids() const {
    std::vector<int32_t> out;
    for (const RoomTile& t : room.tiles) out.push_back(t.id);
    return out;
  }

  CRoom room;
};

TEST_F(TilesTest, SortPutsTheDeepestFirstAndKeepsEqualDepthsInOrder) {
  const std::vector<int32_t> ids = Add({Tile(0), Tile(10), Tile(10), Tile(5)});
  room.SortTiles();
  EXPECT_EQ(Depths(), (std::vector<float>{10, 10, 5, 0}));
  EXPECT_EQ(Ids(), (std::vector<int32_t>{ids[1], ids[2], ids[3], ids[0]}));
}

TEST_F(TilesTest, SortLeavesAnOrderedArrayUntouched) {
  const std::vector<int32_t> ids = Add({Tile(100), Tile(50), Tile(50), Tile(-10)});
  room.SortTiles();
  EXPECT_EQ(Ids(), ids);
  // Reversed order, and a single tile, sort as well.
  CRoom other;
  for (float d : {-3.0f, 1.0f, 2.5f, 7.0f}) other.AddTile(Tile(d));
  other.SortTiles();
  std::vector<float> depths;
  for (const RoomTile& t : other.tiles) depths.push_back(t.depth);
  EXPECT_EQ(depths, (std::vector<float>{7.0f, 2.5f, 1.0f, -3.0f}));
}

TEST_F(TilesTest, SortMatchesMovingEachTileDownOnManyEqualDepths) {
  struct Case {
    const char* name;
    std::vector<float> palette;  // the depths drawn from
  };
  const Case cases[] = {
      {"few depths, long runs of equals", {0.0f, 5.0f, -5.0f}},
      {"negative zero equals zero", {0.0f, -0.0f, 1.0f}},
      {"a NaN among them stops tiles where it stands", {3.0f, NAN, -1.0f, 3.0f}},
      {"infinities", {INFINITY, -INFINITY, 0.0f}},
  };
  for (const Case& c : cases) {
    CRoom r;
    uint32_t seed = 7;
    for (int i = 0; i < 600; ++i) {
      seed = seed * 1103515245u + 12345u;
      r.AddTile(Tile(c.palette[(seed >> 8) % c.palette.size()]));
    }
    const std::vector<int32_t> expected = ReferenceSortedIds(r.tiles);
    r.SortTiles();
    std::vector<int32_t> got;
    for (const RoomTile& t : r.tiles) got.push_back(t.id);
    EXPECT_EQ(got, expected) << c.name;
    // The look-up by id follows the new order.
    for (size_t i = 0; i < r.tiles.size(); i += 37) {
      EXPECT_EQ(r.FindTile(r.tiles[i].id), static_cast<int32_t>(i)) << c.name;
    }
  }
}

TEST_F(TilesTest, FindTileFollowsEveryChangeOfTheArray) {
  for (int i = 0; i < 50; ++i) Add({Tile(static_cast<float>(i % 4), static_cast<float>(i), 0)});
  const auto expectAllFound = [this](const char* after) {
    for (const RoomTile& t : room.tiles) EXPECT_EQ(room.FindTile(t.id), ReferenceFind(room.tiles, t.id)) << after;
  };
  expectAllFound("adding");
  room.SortTiles();
  expectAllFound("sorting");
  const int32_t gone = room.tiles[10].id;
  room.DeleteTile(10);
  EXPECT_EQ(room.FindTile(gone), -1);
  expectAllFound("deleting one");
  room.DeleteTileLayerAt(2.0f, 20.0f, 0.0f);
  expectAllFound("deleting at a place");
  room.DeleteTileLayer(1.0f);
  expectAllFound("deleting a depth");
  std::swap(room.tiles.front(), room.tiles.back());  // changed in place, behind the room's back
  expectAllFound("an outside swap");
  room.tiles.push_back(room.tiles.front());  // an id twice: the first tile holding it is found
  expectAllFound("a repeated id");
  Add({Tile(9)});
  expectAllFound("adding after all that");
}

TEST_F(TilesTest, ContainsIsHalfOpenAfterScaling) {
  RoomTile t = Tile(0, 0, 0, 16, 16);
  t.xscale = 2.0f;
  EXPECT_TRUE(t.Contains(31.9f, 0.0f));
  EXPECT_FALSE(t.Contains(32.0f, 0.0f));
  EXPECT_TRUE(t.Contains(0.0f, 15.9f));
  EXPECT_FALSE(t.Contains(-0.1f, 0.0f));
  EXPECT_FALSE(t.Contains(0.0f, 16.0f));
}

TEST_F(TilesTest, IdsFollowTheCounterAndAreNeverReused) {
  const std::vector<int32_t> ids = Add({Tile(0), Tile(0)});
  EXPECT_EQ(ids, (std::vector<int32_t>{101, 102}));
  room.DeleteTile(1);
  EXPECT_EQ(Room_TileIdCounter(), 102);
  EXPECT_EQ(Add({Tile(0)}), (std::vector<int32_t>{103}));
}

TEST_F(TilesTest, FindTileByTheHintAndByScan) {
  const std::vector<int32_t> ids = Add({Tile(1), Tile(2), Tile(3)});
  EXPECT_EQ(room.last_found_tile, 2) << "the addition is the hint";
  EXPECT_EQ(room.FindTile(ids[2]), 2);
  EXPECT_EQ(room.FindTile(ids[0]), 0) << "by scan";
  EXPECT_EQ(room.last_found_tile, 0);
  // A stale hint (out of range after a deletion) falls back to the scan.
  room.last_found_tile = 7;
  EXPECT_EQ(room.FindTile(ids[1]), 1);
  EXPECT_EQ(room.FindTile(9999), -1);
  EXPECT_EQ(room.last_found_tile, 1) << "a failed look-up keeps the hint";
}

TEST_F(TilesTest, DeletionKeepsOrderFreesTheEmptyArrayAndGrowsGeometrically) {
  const std::vector<int32_t> ids = Add({Tile(1), Tile(2), Tile(3)});
  room.DeleteTile(-1);
  room.DeleteTile(3);
  EXPECT_EQ(room.tiles.size(), 3u) << "indices out of range are ignored";
  room.DeleteTile(0);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{ids[1], ids[2]}));
  room.DeleteTile(0);
  room.DeleteTile(0);
  EXPECT_EQ(room.tiles.capacity(), 0u) << "the empty array is freed";
  // Adding tile by tile reallocates a logarithmic number of times, so a room that adds n tiles
  // copies O(n) records (a fixed step of growth would copy O(n^2)).
  int reallocations = 0;
  for (int i = 0; i < 1000; ++i) {
    const size_t capacity = room.tiles.capacity();
    Add({Tile(0)});
    reallocations += room.tiles.capacity() != capacity ? 1 : 0;
  }
  EXPECT_EQ(room.tiles.size(), 1000u);
  EXPECT_LE(reallocations, 20);
}

TEST_F(TilesTest, OperationsByDepth) {
  const std::vector<int32_t> ids =
      Add({Tile(5, 0, 0), Tile(7, 0, 0), Tile(5, 100, 0), Tile(5, 4, 4), Tile(5, 200, 200)});
  room.HideTileLayer(5);
  EXPECT_FALSE(room.tiles[0].visible);
  EXPECT_TRUE(room.tiles[1].visible);
  room.ShowTileLayer(5);
  EXPECT_TRUE(room.tiles[0].visible);
  room.ShiftTileLayer(5, 1.5f, -2.0f);
  EXPECT_FLOAT_EQ(room.tiles[2].x, 101.5f);
  EXPECT_FLOAT_EQ(room.tiles[2].y, -2.0f);
  EXPECT_FLOAT_EQ(room.tiles[1].x, 0.0f);
  room.ShiftTileLayer(5, -1.5f, 2.0f);
  // (8, 8) lies in tiles 0 and 3 of depth 5 (and 1 of depth 7); tile 0's centre is on it.
  EXPECT_EQ(room.FindTileInLayer(5, 8, 8), 0);
  room.DeleteTileLayerAt(5, 8, 8);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{ids[1], ids[2], ids[4]}));
  room.SetTileLayerDepth(7, 5);
  room.DeleteTileLayer(5);
  EXPECT_TRUE(room.tiles.empty());
  EXPECT_EQ(room.tiles.capacity(), 0u);
}

TEST_F(TilesTest, ADepthNoTileHasChangesNothing) {
  Add({Tile(5, 0, 0), Tile(7, 3, 3)});
  const std::vector<RoomTile> before = room.tiles;
  room.HideTileLayer(1000);
  room.ShiftTileLayer(1000, 5, 5);
  room.SetTileLayerDepth(1000, 1);
  room.DeleteTileLayer(1000);
  room.DeleteTileLayerAt(1000, 4, 4);
  EXPECT_EQ(room.FindTileInLayer(1000, 4, 4), -1);
  ASSERT_EQ(room.tiles.size(), before.size());
  for (size_t i = 0; i < before.size(); ++i) {
    EXPECT_EQ(room.tiles[i].x, before[i].x);
    EXPECT_EQ(room.tiles[i].depth, before[i].depth);
    EXPECT_EQ(room.tiles[i].visible, before[i].visible);
  }
}

TEST_F(TilesTest, EquallyNearTilesGiveTheEarlier) {
  // (12, 8) lies in both; their centres (16, 8) and (8, 8) are 4 away.
  Add({Tile(3, 8, 0), Tile(3, 0, 0), Tile(4, 12, 8)});
  EXPECT_EQ(room.FindTileInLayer(3, 12, 8), 0);
  EXPECT_EQ(room.last_found_tile, 0);
  room.tiles[1].x = 1.0f;  // now nearer: centre (9, 8)
  EXPECT_EQ(room.FindTileInLayer(3, 12, 8), 1);
  EXPECT_EQ(room.last_found_tile, 1);
}

}  // namespace
