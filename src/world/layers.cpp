// Room layers: pools of layers and elements made once, the active layers of the running room by
// depth, and the shared store of the tile elements' tiles.
#include "world/layers.h"

#include <memory>
#include <vector>

#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/room.h"

LayerList Layer_Active;

namespace {

constexpr int32_t kLayerPoolStart = 32;
constexpr int32_t kBackgroundPoolStart = 32;
constexpr int32_t kInstancePoolStart = 256;
constexpr int32_t kTilePoolStart = 32;
constexpr int32_t kTileStoreStart = 1024;

// Elements of one kind: taken from the front, returned to the front.
struct ElementPool {
  LayerElement* first = nullptr;
  int32_t growth = 0;
  std::vector<std::unique_ptr<LayerElement>> made;  // every element ever made, freed at exit

  void Grow(int32_t kind) {
    for (int32_t i = 0; i < growth; ++i) {
      made.push_back(std::make_unique<LayerElement>());
      LayerElement* e = made.back().get();
      e->kind = kind;
      Return(e);
    }
    growth *= 2;
  }
  LayerElement* Take(int32_t kind) {
    if (first == nullptr) Grow(kind);
    LayerElement* e = first;
    first = e->next;
    e->next = e->previous = nullptr;
    return e;
  }
  void Return(LayerElement* e) {
    const int32_t kind = e->kind;
    *e = LayerElement();
    e->kind = kind;
    e->next = first;
    first = e;
  }
};

struct LayerPool {
  std::vector<std::unique_ptr<CLayer>> all;  // every layer ever made, freed at exit
  std::vector<CLayer*> free;                 // taken from the end
  int32_t growth = 0;

  void Grow(int32_t n) {
    for (int32_t i = 0; i < n; ++i) {
      all.push_back(std::make_unique<CLayer>());
      free.push_back(all.back().get());
    }
  }
};

bool g_poolsMade = false;
LayerPool g_layers;
ElementPool g_elements[3];  // by kind - 1
int32_t g_layerIdCounter = 0;

struct TileStore {
  std::unique_ptr<RoomTile[]> owner;
  RoomTile* block = nullptr;
  int32_t capacity = 0;
  int32_t used = 0;
};
TileStore g_store;

// Tile elements still being built are not in an active layer yet: they are re-pointed too.
std::vector<LayerElement*> g_building;

ElementPool& PoolOf(int32_t kind) { return g_elements[kind - 1]; }

void Append(LayerElementList* list, LayerElement* e) {
  e->previous = list->last;
  e->next = nullptr;
  if (list->last != nullptr) list->last->next = e;
  else list->first = e;
  list->last = e;
  ++list->count;
}

void Unlink(LayerElementList* list, LayerElement* e) {
  if (e->previous != nullptr) e->previous->next = e->next;
  else list->first = e->next;
  if (e->next != nullptr) e->next->previous = e->previous;
  else list->last = e->previous;
  e->next = e->previous = nullptr;
  --list->count;
}

void RepointTiles(LayerElement* e, RoomTile* oldBlock, RoomTile* newBlock) {
  if (e->kind == kLayerElementTiles && e->tiles != nullptr) e->tiles = newBlock + (e->tiles - oldBlock);
}

// n records at the end of the store, growing it (and re-pointing every tile element) when they
// do not fit.
RoomTile* TakeTiles(int32_t n) {
  if (g_store.used + n > g_store.capacity) {
    int64_t capacity = g_store.capacity > 0 ? g_store.capacity : kTileStoreStart;
    while (g_store.used + static_cast<int64_t>(n) > capacity) capacity *= 2;
    auto owner = std::make_unique<RoomTile[]>(static_cast<size_t>(capacity));
    RoomTile* block = owner.get();
    RoomTile* old = g_store.block;
    for (int32_t i = 0; i < g_store.used; ++i) block[i] = old[i];
    for (CLayer* l = Layer_Active.first; l != nullptr; l = l->next) {
      for (LayerElement* e = l->elements.first; e != nullptr; e = e->next) RepointTiles(e, old, block);
    }
    for (LayerElement* e : g_building) RepointTiles(e, old, block);
    g_store.owner = std::move(owner);  // frees the old block
    g_store.block = block;
    g_store.capacity = static_cast<int32_t>(capacity);
  }
  RoomTile* tiles = g_store.block + g_store.used;
  g_store.used += n;
  return tiles;
}

LayerElement* MakeTileElement(const RoomLayerElement& record) {
  LayerElement* e = PoolOf(kLayerElementTiles).Take(kLayerElementTiles);
  const auto n = static_cast<int32_t>(record.tiles.size());
  e->tileRecords = &record;
  e->tileCount = e->tileCapacity = n;
  g_building.push_back(e);
  e->tiles = TakeTiles(n);
  for (int32_t i = 0; i < n; ++i) e->tiles[i] = RoomTile_FromRecord(record.tiles[static_cast<size_t>(i)]);
  return e;
}

void ReturnElement(LayerElement* e) {
  if (e->kind == kLayerElementInstance && e->instance != nullptr) {
    e->instance->in_layer = false;
    e->instance->layer_element = nullptr;
  }
  PoolOf(e->kind).Return(e);
}

}  // namespace

CLayer::~CLayer() {
  // The pools own the elements: the list only forgets them.
  elements = LayerElementList();
}

void Layer_InitPools() {
  if (g_poolsMade) return;
  g_poolsMade = true;
  g_layers.growth = kLayerPoolStart;
  g_layers.Grow(kLayerPoolStart);
  const int32_t starts[3] = {kBackgroundPoolStart, kInstancePoolStart, kTilePoolStart};
  for (int32_t k = 0; k < 3; ++k) {
    g_elements[k].growth = starts[k];
    g_elements[k].Grow(k + 1);
    g_elements[k].growth = starts[k];  // the first exhaustion adds as many as the start
  }
  g_store.owner = std::make_unique<RoomTile[]>(kTileStoreStart);
  g_store.block = g_store.owner.get();
  g_store.capacity = kTileStoreStart;
  g_store.used = 0;
}

CLayer* Layer_Take(int32_t id, int32_t depth) {
  Layer_InitPools();
  if (g_layers.free.empty()) {
    g_layers.Grow(g_layers.growth);
    g_layers.growth *= 2;
  }
  CLayer* layer = g_layers.free.back();
  g_layers.free.pop_back();
  layer->id = id;
  layer->depth = depth;
  layer->next = layer->previous = nullptr;
  layer->elements = LayerElementList();
  return layer;
}

void Layer_Release(CLayer* layer) {
  if (layer == nullptr) return;
  layer->id = -1;
  layer->depth = 0;
  layer->next = layer->previous = nullptr;
  layer->elements = LayerElementList();
  g_layers.free.push_back(layer);
}

void Layer_InsertByDepth(CLayer* layer) {
  if (layer == nullptr) return;
  CLayer* before = Layer_Active.first;
  while (before != nullptr && before->depth <= layer->depth) before = before->next;
  layer->next = before;
  layer->previous = before != nullptr ? before->previous : Layer_Active.last;
  if (layer->previous != nullptr) layer->previous->next = layer;
  else Layer_Active.first = layer;
  if (before != nullptr) before->previous = layer;
  else Layer_Active.last = layer;
  ++Layer_Active.count;
}

void Layer_BuildRoomLayers(CRoom* room) {
  Layer_InitPools();
  if (room == nullptr) return;
  for (const RoomLayerRecord& record : room->layers) {
    if (record.elements.empty()) continue;
    CLayer* layer = Layer_Take(record.id, record.depth);
    for (const RoomLayerElement& element : record.elements) {
      if (element.kind == kRoomLayerBackground) {
        LayerElement* e = PoolOf(kLayerElementBackground).Take(kLayerElementBackground);
        e->background = &element.background;
        Append(&layer->elements, e);
      } else if (element.kind == kRoomLayerTiles) {
        Append(&layer->elements, MakeTileElement(element));
      }
    }
    g_building.clear();
    Layer_InsertByDepth(layer);
  }
  int32_t bucket = 0;
  InstanceIdNode* node = nullptr;
  while (CInstance* instance = InstanceIdTable.IterateNext(&bucket, &node)) Layer_AddInstance(instance);
}

CLayer* Layer_Find(int32_t id) {
  for (CLayer* l = Layer_Active.first; l != nullptr; l = l->next) {
    if (l->id == id) return l;
  }
  return nullptr;
}

void Layer_AddInstance(CInstance* instance) {
  if (instance == nullptr || instance->in_layer) return;
  if (instance->layer_id == -1 && Layer_Active.first != nullptr) instance->layer_id = Layer_Active.first->id;
  CLayer* layer = Layer_Find(instance->layer_id);
  if (layer != nullptr) Layer_AddInstanceTo(layer, instance);
}

void Layer_AddInstanceTo(CLayer* layer, CInstance* instance) {
  if (layer == nullptr || instance == nullptr || instance->in_layer) return;
  Layer_InitPools();
  LayerElement* e = PoolOf(kLayerElementInstance).Take(kLayerElementInstance);
  e->instance = instance;
  e->instanceId = instance->id;
  e->layer = layer;
  instance->layer_id = layer->id;
  instance->in_layer = true;
  instance->layer_element = e;
  Append(&layer->elements, e);
}

void Layer_RemoveInstance(CInstance* instance) {
  if (instance == nullptr || !instance->in_layer) return;
  if (LayerElement* e = instance->layer_element) {
    Unlink(&e->layer->elements, e);
    ReturnElement(e);
  }
  instance->in_layer = false;
}

void Layer_FreeAll() {
  while (CLayer* layer = Layer_Active.first) {
    while (LayerElement* e = layer->elements.first) {
      Unlink(&layer->elements, e);
      ReturnElement(e);
    }
    Layer_Active.first = layer->next;
    Layer_Release(layer);
  }
  Layer_Active = LayerList();
  // The next room's tiles start at the front again; the capacity stays.
  g_store.used = 0;
}

void Layer_SetIdCounter(int32_t value) { g_layerIdCounter = value; }
int32_t Layer_IdCounter() { return g_layerIdCounter; }

LayerPoolStats Layer_PoolStats() {
  return {static_cast<int32_t>(g_layers.free.size()), static_cast<int32_t>(g_layers.all.size()), g_layers.growth,
          g_store.capacity, g_store.used};
}

void Layer_Shutdown() {
  Layer_FreeAll();
  g_layers = LayerPool();
  for (ElementPool& pool : g_elements) pool = ElementPool();
  g_store = TileStore();
  g_poolsMade = false;
}
