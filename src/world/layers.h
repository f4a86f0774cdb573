// The layers of a running room whose entry carries layer records: each layer has an id and a
// depth and holds background, instance and tile elements. Layers and elements come from pools
// made once; the tiles of every tile element live in one shared store. A room without layer
// records runs with no layers, and every operation here then does nothing.
#pragma once

#include <cstdint>

struct RoomBackground;
struct RoomTile;
struct RoomLayerElement;
class CInstance;
class CLayer;
class CRoom;

inline constexpr int32_t kLayerElementBackground = 1;
inline constexpr int32_t kLayerElementInstance = 2;
inline constexpr int32_t kLayerElementTiles = 3;

struct LayerElement {
  int32_t kind = 0;
  LayerElement* next = nullptr;
  LayerElement* previous = nullptr;
  // Background: the room record's background, referred to, not copied.
  const RoomBackground* background = nullptr;
  // Instance; the instance points back at its element (CInstance::layer_element), and the element
  // at its layer, so leaving a layer does not search it.
  int32_t instanceId = -1;
  CInstance* instance = nullptr;
  CLayer* layer = nullptr;
  // Tiles: the record's tiles, and their copies in the tile store.
  const RoomLayerElement* tileRecords = nullptr;
  int32_t tileCount = 0;
  int32_t tileCapacity = 0;
  RoomTile* tiles = nullptr;
};

struct LayerElementList {
  LayerElement* first = nullptr;
  LayerElement* last = nullptr;
  int32_t count = 0;
};

class CLayer {
 public:
  CLayer() = default;
  virtual ~CLayer();
  CLayer(const CLayer&) = delete;
  CLayer& operator=(const CLayer&) = delete;

  int32_t id = -1;    // -1 while pooled
  int32_t depth = 0;  // 0 while pooled
  LayerElementList elements;
  CLayer* next = nullptr;
  CLayer* previous = nullptr;
};

// The active layers of the running room, by increasing depth (equal depths in insertion order).
struct LayerList {
  CLayer* first = nullptr;
  CLayer* last = nullptr;
  int32_t count = 0;
};
extern LayerList Layer_Active;

// Makes the pools and the tile store once; later calls do nothing.
void Layer_InitPools();
// Builds the active layers from the room's layer records and places the instances of the id
// table. Runs after the room's copy is made at room start.
void Layer_BuildRoomLayers(CRoom* room);
// Puts the instance into the active layer whose id it carries (the smallest depth's layer when it
// carries -1); nothing when it is in a layer already or no layer has the id.
void Layer_AddInstance(CInstance* instance);
void Layer_AddInstanceTo(CLayer* layer, CInstance* instance);
// Takes the instance out of its layer; its layer id stays, so it can be put back.
void Layer_RemoveInstance(CInstance* instance);
// Returns every element and layer to the pools at room end; the tile store is emptied (its
// capacity kept) so room changes do not grow it.
void Layer_FreeAll();
void Layer_InsertByDepth(CLayer* layer);
void Layer_SetIdCounter(int32_t value);
int32_t Layer_IdCounter();
// The active layer with the id, or null.
CLayer* Layer_Find(int32_t id);
// Empties the pools and the store at program exit (active layers are freed first).
void Layer_Shutdown();

// Sizes for tests and diagnostics.
struct LayerPoolStats {
  int32_t layersFree;
  int32_t layersMade;
  int32_t layerGrowth;  // the number of layers the next exhaustion adds
  int32_t tileStoreCapacity;
  int32_t tileStoreUsed;
};
LayerPoolStats Layer_PoolStats();
// A layer from the pool (id and depth set), growing the pool when it is empty; Layer_Release
// returns it.
CLayer* Layer_Take(int32_t id, int32_t depth);
void Layer_Release(CLayer* layer);
