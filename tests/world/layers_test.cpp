// Room layers: building them from a room's records, placing instances, the pools and the shared
// tile store.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "script/script_test_support.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/layers.h"
#include "world/room.h"

namespace {

class LayersTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    Layer_Shutdown();
  }
  void TearDown() override {
    Layer_Shutdown();
    instances.clear();
    WorldTest::TearDown();
  }

  static RoomLayerRecord Record(int32_t id, int32_t depth, int32_t kind, int32_t elements = 1) {
    RoomLayerRecord r;
    r.id = id;
    r.depth = depth;
    r.kind = kind;
    for (int32_t i = 0; i < elements; ++i) {
      RoomLayerElement e;
      e.kind = kind;
      r.elements.push_back(e);
    }
    return r;
  }
  // A tile element of n tiles whose ids run from firstId.
  static RoomLayerElement TileElement(int32_t n, int32_t firstId) {
    RoomLayerElement e;
    e.kind = kRoomLayerTiles;
    for (int32_t i = 0; i < n; ++i) {
      RoomTileRecord t{};
      t.x = i;
      t.y = -i;
      t.id = firstId + i;
      t.depth = 7;
      t.width = t.height = 8;
      t.xscale = t.yscale = 1.0f;
      t.colour = 0x80123456;
      e.tiles.push_back(t);
    }
    return e;
  }
  CInstance* Instance(int32_t id, int32_t layerId) {
    instances.push_back(std::make_unique<CInstance>(0.0f, 0.0f, id, -1, false));
    CInstance* i = instances.back().get();
    i->layer_id = layerId;
    InstanceIdTable.Insert(id, i);
    return i;
  }
  static std::vector<int32_t> ActiveIds() {
    std::vector<int32_t> out;
    for (CLayer* l = Layer_Active.first; l != nullptr; l = l->next) out.push_back(l->id);
    return out;
  }
  // Every tile of every tile element still matches its record.
  static int32_t CheckTiles() {
    int32_t checked = 0;
    for (CLayer* l = Layer_Active.first; l != nullptr; l = l->next) {
      for (LayerElement* e = l->elements.first; e != nullptr; e = e->next) {
        if (e->kind != kLayerElementTiles) continue;
        for (int32_t i = 0; i < e->tileCount; ++i) {
          const RoomTileRecord& r = e->tileRecords->tiles[static_cast<size_t>(i)];
          const RoomTile& t = e->tiles[i];
          EXPECT_EQ(t.id, r.id);
          EXPECT_EQ(t.x, static_cast<float>(r.x));
          EXPECT_EQ(t.blend, 0x123456u);
          EXPECT_FLOAT_EQ(t.alpha, 128.0f / 255.0f);
          ++checked;
        }
      }
    }
    return checked;
  }

  CRoom room;
  std::vector<std::unique_ptr<CInstance>> instances;
};

TEST_F(LayersTest, LayersStandByDepthEqualOnesInInsertionOrderEmptyRecordsMakeNone) {
  room.layers = {Record(1, 300, kRoomLayerBackground), Record(2, 100, kRoomLayerBackground),
                 Record(3, 200, kRoomLayerBackground), Record(4, 200, kRoomLayerBackground),
                 Record(5, 50, kRoomLayerBackground, 0)};
  Layer_BuildRoomLayers(&room);
  EXPECT_EQ(ActiveIds(), (std::vector<int32_t>{2, 3, 4, 1}));
  EXPECT_EQ(Layer_Active.count, 4);
  EXPECT_EQ(Layer_Active.last->id, 1);
  EXPECT_EQ(Layer_Active.last->previous->id, 4);
  ASSERT_EQ(Layer_Active.first->elements.count, 1);
  EXPECT_EQ(Layer_Active.first->elements.first->background, &room.layers[1].elements[0].background)
      << "the record's background is referred to";
  EXPECT_EQ(Layer_Find(5), nullptr);
}

TEST_F(LayersTest, InstancesJoinTheirLayerOrTheShallowestOrNone) {
  room.layers = {Record(10, 300, kRoomLayerInstances), Record(11, 100, kRoomLayerBackground),
                 Record(12, 200, kRoomLayerInstances)};
  // Instance elements are passed over: the instances layer keeps no element until one joins.
  CInstance* free = Instance(100001, -1);
  CInstance* mine = Instance(100002, 10);
  CInstance* lost = Instance(100003, 99);
  Layer_BuildRoomLayers(&room);
  EXPECT_TRUE(free->in_layer);
  EXPECT_EQ(free->layer_id, 11) << "the smallest depth";
  EXPECT_TRUE(mine->in_layer);
  EXPECT_EQ(Layer_Find(10)->elements.count, 1);
  EXPECT_EQ(Layer_Find(10)->elements.first->instance, mine);
  EXPECT_FALSE(lost->in_layer);
  EXPECT_EQ(lost->layer_id, 99);

  Layer_RemoveInstance(mine);
  EXPECT_FALSE(mine->in_layer);
  EXPECT_EQ(Layer_Find(10)->elements.count, 0);
  EXPECT_EQ(mine->layer_id, 10) << "kept, so it can go back";
  Layer_AddInstance(mine);
  EXPECT_EQ(Layer_Find(10)->elements.count, 1);
  Layer_AddInstance(mine);
  EXPECT_EQ(Layer_Find(10)->elements.count, 1) << "an instance in a layer is not added twice";

  // Deleting an instance takes it out of its layer.
  InstanceIdTable.RemoveInstance(mine->id, mine);
  instances.erase(instances.begin() + 1);
  EXPECT_EQ(Layer_Find(10)->elements.count, 0);

  Layer_FreeAll();
  EXPECT_FALSE(free->in_layer);
  EXPECT_EQ(Layer_Active.count, 0);
  EXPECT_EQ(Layer_Active.first, nullptr);
}

TEST_F(LayersTest, LeavingALayerTakesOutOnlyItsOwnElementAndKeepsTheOrder) {
  room.layers = {Record(10, 100, kRoomLayerInstances), Record(12, 200, kRoomLayerInstances)};
  std::vector<CInstance*> made;
  for (int32_t k = 0; k < 6; ++k) made.push_back(Instance(100001 + k, k % 2 == 0 ? 10 : 12));
  Layer_BuildRoomLayers(&room);
  const auto idsIn = [](int32_t layer) {
    std::vector<int32_t> out;
    for (LayerElement* e = Layer_Find(layer)->elements.first; e != nullptr; e = e->next) out.push_back(e->instance->id);
    return out;
  };
  const std::vector<int32_t> even = idsIn(10);
  ASSERT_EQ(even.size(), 3u);
  CInstance* middle = Instance_Find(even[1]);
  Layer_RemoveInstance(middle);
  EXPECT_EQ(idsIn(10), (std::vector<int32_t>{even[0], even[2]}));
  EXPECT_EQ(idsIn(12).size(), 3u) << "the other layer is untouched";
  Layer_RemoveInstance(middle);  // twice: nothing more happens
  EXPECT_EQ(Layer_Find(10)->elements.count, 2);
  Layer_AddInstance(middle);
  EXPECT_EQ(idsIn(10), (std::vector<int32_t>{even[0], even[2], even[1]})) << "back at the end";
  // After the layers are freed an instance holds no element, and leaving does nothing.
  Layer_FreeAll();
  for (CInstance* i : made) {
    EXPECT_FALSE(i->in_layer);
    EXPECT_EQ(i->layer_element, nullptr);
    Layer_RemoveInstance(i);
  }
}

TEST_F(LayersTest, AnInstanceRecordBelongsToTheFirstInstancesLayerListingIt) {
  RoomLayerRecord a = Record(4, 100, kRoomLayerInstances);
  a.elements[0].instanceId = 100005;
  RoomLayerRecord b = Record(5, 200, kRoomLayerInstances, 2);
  b.elements[0].instanceId = 100006;
  b.elements[1].instanceId = 100005;
  room.layers = {Record(3, 0, kRoomLayerBackground), a, b};
  EXPECT_EQ(room.FindLayerOfInstance(100005), 4);
  EXPECT_EQ(room.FindLayerOfInstance(100006), 5);
  EXPECT_EQ(room.FindLayerOfInstance(100007), -1);
}

TEST_F(LayersTest, ARoomWithoutLayerRecordsBuildsNothing) {
  CInstance* i = Instance(100001, -1);
  Layer_BuildRoomLayers(&room);
  EXPECT_EQ(Layer_Active.count, 0);
  EXPECT_FALSE(i->in_layer);
  EXPECT_EQ(i->layer_id, -1);
  Layer_RemoveInstance(i);
  Layer_FreeAll();
  EXPECT_EQ(Layer_PoolStats().layersFree, 32);
}

TEST_F(LayersTest, ExhaustedLayerPoolsGrowByDoubling) {
  std::vector<CLayer*> taken;
  for (int i = 0; i < 32; ++i) taken.push_back(Layer_Take(i, i));
  EXPECT_EQ(Layer_PoolStats().layersFree, 0);
  EXPECT_EQ(Layer_PoolStats().layersMade, 32);
  taken.push_back(Layer_Take(32, 32));
  EXPECT_EQ(Layer_PoolStats().layersMade, 64) << "the 33rd adds 32";
  EXPECT_EQ(Layer_PoolStats().layersFree, 31);
  for (int i = 33; i < 64; ++i) taken.push_back(Layer_Take(i, i));
  taken.push_back(Layer_Take(64, 64));
  EXPECT_EQ(Layer_PoolStats().layersMade, 128) << "the next exhaustion adds 64";
  EXPECT_EQ(Layer_PoolStats().layerGrowth, 128);
  for (CLayer* l : taken) Layer_Release(l);
  EXPECT_EQ(Layer_PoolStats().layersFree, 128);
  // Released last, taken first.
  CLayer* again = Layer_Take(5, 6);
  EXPECT_EQ(again, taken.back());
  EXPECT_EQ(again->id, 5);
  Layer_Release(again);
}

TEST_F(LayersTest, TheTileStoreGrowsAndEveryElementKeepsItsTiles) {
  RoomLayerRecord a = Record(1, 100, kRoomLayerTiles, 0);
  a.elements.push_back(TileElement(500, 1000));
  RoomLayerRecord b = Record(2, 50, kRoomLayerTiles, 0);
  // The store grows while this layer is built: its first element must follow.
  b.elements.push_back(TileElement(400, 2000));
  b.elements.push_back(TileElement(600, 3000));
  room.layers = {a, b};
  Layer_BuildRoomLayers(&room);
  EXPECT_EQ(Layer_PoolStats().tileStoreCapacity, 2048);
  EXPECT_EQ(Layer_PoolStats().tileStoreUsed, 1500);
  EXPECT_EQ(CheckTiles(), 1500);
  const RoomTile* t = Layer_Find(1)->elements.first->tiles;
  EXPECT_EQ(t[499].y, -499.0f);
  EXPECT_EQ(t[0].depth, 7.0f);
  EXPECT_TRUE(t[0].visible);
  Layer_FreeAll();
  EXPECT_EQ(Layer_PoolStats().tileStoreUsed, 0);
}

TEST_F(LayersTest, RoomChangesDoNotGrowTheTileStore) {
  RoomLayerRecord a = Record(1, 100, kRoomLayerTiles, 0);
  a.elements.push_back(TileElement(600, 1));
  room.layers = {a};
  for (int i = 0; i < 100; ++i) {
    Layer_BuildRoomLayers(&room);
    ASSERT_EQ(CheckTiles(), 600);
    Layer_FreeAll();
  }
  EXPECT_EQ(Layer_PoolStats().tileStoreCapacity, 1024);
  EXPECT_EQ(Layer_PoolStats().tileStoreUsed, 0);
  EXPECT_EQ(Layer_PoolStats().layersFree, 32);
}

}  // namespace
