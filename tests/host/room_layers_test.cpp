// Layers of a written game's room as the runner enters and leaves it: built at room start with
// its instances placed, freed at room end.
#include <gtest/gtest.h>

#include <span>
#include <vector>

#include "container/minimal.h"
#include "container/room.h"
#include "container/writer.h"
#include "host/game_loader.h"
#include "host/command_line.h"
#include "host/frame_loop.h"
#include "runtime/game_header.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "host/startup.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/layers.h"
#include "world/lifecycle.h"
#include "world/room.h"

namespace {

using container::RoomEntry;

class RoomLayersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    g_RunnerOptions = RunnerOptions();
    g_GameOptions = GameOptions();
    GameHeader_Reset();
    g_RoomChangeCode = kRoomChangeNone;
  }
  void TearDown() override {
    Runner_DeleteRoomCopies();
    Room_SetCurrent(nullptr);
    Room_Shutdown();
    Runner_FreeGameData();
    g_RoomChangeCode = kRoomChangeNone;
    g_RunnerOptions = RunnerOptions();
  }

  std::vector<uint8_t> m_bytes;
};

TEST_F(RoomLayersTest, RoomStartBuildsTheLayersAndRoomEndFreesThem) {
  RoomEntry room{.name = "r", .layer_format = 2};
  room.instances = {{.x = 1, .y = 2, .object = 0, .id = 100009}, {.x = 3, .y = 4, .object = 0, .id = 100010}};
  container::RoomLayerEntry things{.id = 7, .kind = 2, .depth_index = 2};
  things.instance_ids = {100009};
  container::RoomLayerEntry ground{.id = 8, .kind = 3, .depth_index = 0};
  ground.tiles = {{.x = 16, .depth = 5, .id = 10000001}, {.x = 32, .id = 10000002}};
  container::RoomLayerEntry nothing{.id = 9, .kind = 3, .depth_index = 1};
  room.layers = {things, ground, nothing};
  container::ContainerWriter writer;
  container::ObjtEntry object;
  object.name = "obj";
  const container::ObjtEntry objects[] = {object};
  container::add_minimal_game(writer, std::span(&room, 1), objects);
  const container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  m_bytes = built.bytes;
  ASSERT_TRUE(Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()}) &&
              Game_LoadChunks(m_bytes.data(), m_bytes.size()))
      << Game_LoadFailure();
  EXPECT_GE(Layer_IdCounter(), 9) << "loading raises the counter to the largest layer id";

  StartGame();
  ASSERT_NE(Room_Current, nullptr);
  ASSERT_EQ(Layer_Active.count, 2) << "a tile layer without tiles makes no layer";
  EXPECT_EQ(Layer_Active.first->id, 8);
  EXPECT_EQ(Layer_Active.first->depth, 100);
  EXPECT_EQ(Layer_Active.last->id, 7);
  EXPECT_EQ(Layer_Active.last->depth, 300);

  const LayerElement* tiles = Layer_Active.first->elements.first;
  ASSERT_NE(tiles, nullptr);
  ASSERT_EQ(tiles->kind, kLayerElementTiles);
  ASSERT_EQ(tiles->tileCount, 2);
  EXPECT_EQ(tiles->tiles[1].x, 32.0f);
  EXPECT_EQ(tiles->tiles[0].depth, 5.0f);

  CInstance* listed = Instance_Find(100009);
  CInstance* unlisted = Instance_Find(100010);
  ASSERT_NE(listed, nullptr);
  ASSERT_NE(unlisted, nullptr);
  EXPECT_TRUE(listed->in_layer);
  EXPECT_EQ(listed->layer_id, 7);
  EXPECT_TRUE(unlisted->in_layer);
  EXPECT_EQ(unlisted->layer_id, 8) << "no layer lists it: the smallest depth's";

  // An instance created in the running room joins a layer at once.
  CInstance* made = Room_Current->CreateInstance(0, 0, 0);
  EXPECT_TRUE(made->in_layer);
  EXPECT_EQ(Layer_Active.first->elements.count, 3);

  Runner_EndGame();
  EXPECT_EQ(Layer_Active.count, 0);
  EXPECT_EQ(Layer_PoolStats().tileStoreUsed, 0);
}

}  // namespace
