#include "world/room.h"

#include <cstring>
#include <vector>

#include "assets/background.h"
#include "runtime/container.h"
#include "runtime/game_data.h"
#include "runtime/game_flags.h"
#include "runtime/game_header.h"
#include "world/physics_service.h"
#include "vm/code_object.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/layers.h"
#include "world/object.h"
#include "world/room_table.h"

CRoom* Room_Current = nullptr;
int32_t Room_CurrentIndex = 0;
std::vector<CRoom*> Room_Copies;
std::vector<CInstance*> Room_Carried;

namespace {

constexpr uint32_t kBackgroundEntrySize = 40;
constexpr uint32_t kViewEntrySize = 56;
constexpr uint32_t kInstanceEntrySize = 36;
constexpr uint32_t kTileEntrySize = 48;
constexpr uint32_t kRoomFixedSize = 88;

void VisitList(const InstanceList& list, InstanceVisitor visit, void* context) {
  for (CInstance* i = list.first; i != nullptr; i = i->list_next) visit(i, context);
}

void VisitRoom(const CRoom* room, InstanceVisitor visit, void* context) {
  VisitList(room->active, visit, context);
  VisitList(room->inactive, visit, context);
}

// A list in the container: a count and that many offsets, all inside the container.
struct ListView {
  uint32_t count = 0;
  const uint8_t* offsets = nullptr;
  uint32_t At(uint32_t i) const { return Container_U32(offsets + 4 * i); }
};

bool ReadList(const ContainerBytes& container, uint32_t at, ListView* list) {
  if (at == 0) return true;
  if (!container.Has(at, 4)) return false;
  list->count = Container_U32(container.data + at);
  if (!container.Has(at + 4ull, 4ull * list->count)) return false;
  list->offsets = container.data + at + 4;
  return true;
}

// Deletes every instance of the list (each leaves the id table and its object) and empties it.
void DeleteList(InstanceList* list) {
  CInstance* i = list->first;
  *list = InstanceList();
  while (i != nullptr) {
    CInstance* next = i->list_next;
    delete i;
    i = next;
  }
}

float Alpha(uint32_t colour) { return static_cast<float>(colour >> 24) / 255.0f; }

// Takes a background of the entry's ten words (visible, foreground, index, x, y, htiled, vtiled,
// hspeed, vspeed, stretch). A stretched background is scaled to cover the room, each way the
// background has a size; one naming no background keeps its scales of 1.
void ReadBackground(const uint8_t* p, int32_t roomWidth, int32_t roomHeight, RoomBackground* b) {
  b->visible = Container_I32(p) != 0;
  b->foreground = Container_I32(p + 4) != 0;
  b->index = Container_I32(p + 8);
  b->x = static_cast<float>(Container_I32(p + 12));
  b->y = static_cast<float>(Container_I32(p + 16));
  b->htiled = Container_I32(p + 20) != 0;
  b->vtiled = Container_I32(p + 24) != 0;
  b->hspeed = static_cast<float>(Container_I32(p + 28));
  b->vspeed = static_cast<float>(Container_I32(p + 32));
  b->xscale = 1.0f;
  b->yscale = 1.0f;
  b->blend = 0xFFFFFF;
  b->alpha = 1.0f;
  const CBackground* background = Container_I32(p + 36) != 0 ? Background_Data(b->index) : nullptr;
  if (background == nullptr) return;
  if (background->GetWidth() > 0) {
    b->xscale = static_cast<float>(roomWidth) / static_cast<float>(background->GetWidth());
  }
  if (background->GetHeight() > 0) {
    b->yscale = static_cast<float>(roomHeight) / static_cast<float>(background->GetHeight());
  }
}

bool ReadTileRecords(const ContainerBytes& container, const ListView& list, std::vector<RoomTileRecord>* out) {
  out->resize(list.count);
  for (uint32_t i = 0; i < list.count; ++i) {
    const uint32_t at = list.At(i);
    if (!container.Has(at, kTileEntrySize)) return false;
    std::memcpy(&(*out)[i], container.data + at, kTileEntrySize);
  }
  return true;
}

bool ReadLayers(const ContainerBytes& container, uint32_t at, int32_t roomWidth, int32_t roomHeight,
                std::vector<RoomLayerRecord>* layers, std::string* problem) {
  ListView list;
  if (!ReadList(container, at, &list)) {
    *problem = "its layer list lies outside the container";
    return false;
  }
  for (uint32_t i = 0; i < list.count; ++i) {
    const uint32_t entry = list.At(i);
    if (!container.Has(entry, 12)) {
      *problem = "layer " + std::to_string(i) + " lies outside the container";
      return false;
    }
    const uint8_t* p = container.data + entry;
    RoomLayerRecord layer;
    layer.id = Container_I32(p);
    layer.kind = Container_I32(p + 4);
    layer.depth = static_cast<int32_t>((static_cast<int64_t>(Container_I32(p + 8)) + 1) * 100);
    bool inside = true;
    if (layer.kind == kRoomLayerBackground) {
      inside = container.Has(entry + 12ull, 44);
      if (inside) {
        RoomLayerElement element;
        element.kind = kRoomLayerBackground;
        ReadBackground(p + 12, roomWidth, roomHeight, &element.background);
        const uint32_t colour = Container_U32(p + 52);
        element.background.blend = colour & 0xFFFFFF;
        element.background.alpha = Alpha(colour);
        layer.elements.push_back(element);
      }
    } else if (layer.kind == kRoomLayerInstances) {
      inside = container.Has(entry + 12ull, 4);
      const uint32_t count = inside ? Container_U32(p + 12) : 0;
      inside = inside && container.Has(entry + 16ull, 4ull * count);
      for (uint32_t k = 0; inside && k < count; ++k) {
        RoomLayerElement element;
        element.kind = kRoomLayerInstances;
        element.instanceId = Container_I32(p + 16 + 4 * k);
        layer.elements.push_back(element);
      }
    } else if (layer.kind == kRoomLayerTiles) {
      inside = container.Has(entry + 12ull, 4);
      ListView tiles;
      inside = inside && ReadList(container, Container_U32(p + 12), &tiles);
      if (inside && tiles.count > 0) {
        RoomLayerElement element;
        element.kind = kRoomLayerTiles;
        inside = ReadTileRecords(container, tiles, &element.tiles);
        layer.elements.push_back(std::move(element));
      }
    }
    if (!inside) {
      *problem = "layer " + std::to_string(i) + "'s contents lie outside the container";
      return false;
    }
    layers->push_back(std::move(layer));
  }
  return true;
}

}  // namespace

// --- views -----------------------------------------------------------------------------------

void CRoomView::Reset() {
  const int32_t surface = surfaceId;
  *this = CRoomView();
  surfaceId = surface;
}

void CRoomView::CopySettings(const CRoomView& source) {
  const int32_t surface = surfaceId;
  *this = source;
  surfaceId = surface;
}

// --- construction ----------------------------------------------------------------------------

CRoom::CRoom() { Reset(); }

CRoom::~CRoom() {
  Reset();
}

void CRoom::Reset() {
  last_found_tile = -1;
  caption.clear();
  m_speed = 30;
  width = 640;
  height = 480;
  persistent = false;
  colour = 0xC0C0C0;
  show_colour = true;
  for (RoomBackground& b : backgrounds) b = RoomBackground();
  enable_views = false;
  clear_view_background = false;
  clear_display_buffer = true;
  for (CRoomView& v : views) v.Reset();
  creation_code_text.clear();
  creation_code = nullptr;
  m_codeOwner.reset();
  uses_physics = false;
  gravity_x = gravity_y = 0;
  pixel_to_metre = 0.0f;
  DeleteAllInstances();
  DeleteInactiveInstances();
  delete physics_world;
  physics_world = nullptr;
  createdIds.clear();
  std::vector<RoomTile>().swap(tiles);
  last_found_tile = -1;
  has_entry = instance_list_present = tile_list_present = false;
  instance_records.clear();
  tile_records.clear();
  layers.clear();
}

void CRoom::InitBlank() {
  has_entry = true;
  m_speed = 30;
  instance_list_present = true;
  tile_list_present = true;
  instance_records.clear();
  tile_records.clear();
}

// --- loading ---------------------------------------------------------------------------------

bool CRoom::LoadFromChunk(const ContainerBytes& container, uint32_t at, std::string* problem) {
  Reset();
  if (!container.Has(at, kRoomFixedSize)) {
    *problem = "its entry lies outside the container";
    return false;
  }
  uint8_t* entry = container.data + at;
  bool ok = true;
  const char* captionText = container.TextAt(Container_U32(entry + 4), &ok);
  if (captionText != nullptr) caption = captionText;
  width = Container_I32(entry + 8);
  height = Container_I32(entry + 12);
  m_speed = Container_I32(entry + 16);
  persistent = Container_U32(entry + 20) != 0;
  colour = Container_U32(entry + 24);
  show_colour = Container_U32(entry + 28) != 0;
  if (Game_CompiledMode() || Game_Data().haveCode) {
    const int32_t codeIndex = Container_I32(entry + 32);
    if (codeIndex != -1) {
      if (codeIndex < 0 || codeIndex >= Event_CodeIndexCount()) {
        *problem = "its creation code index " + std::to_string(codeIndex) + " names no code of the game";
        return false;
      }
      m_codeOwner = std::make_shared<CCode>(codeIndex, 0);
      creation_code = m_codeOwner.get();
    }
  }
  const uint32_t flags = Container_U32(entry + 36);
  enable_views = (flags & 1) != 0;
  clear_view_background = (flags & 2) != 0;
  clear_display_buffer = (flags & 4) == 0;
  const int16_t layerFormat = static_cast<int16_t>(flags >> 16);
  if (g_GameHeader.formatVersion >= 6) {
    uses_physics = Container_U32(entry + 56) != 0;
    float gx, gy;
    std::memcpy(&gx, entry + 76, 4);
    std::memcpy(&gy, entry + 80, 4);
    std::memcpy(&pixel_to_metre, entry + 84, 4);
    // Whole numbers; a value past the int32 range (or not a number) is clamped rather than left
    // to undefined conversion.
    auto whole = [](float v) {
      if (!(v > -2147483648.0f)) return v > 0 ? INT32_MAX : (v < 0 ? INT32_MIN : 0);
      if (!(v < 2147483647.0f)) return INT32_MAX;
      return static_cast<int32_t>(v);
    };
    gravity_x = whole(gx);
    gravity_y = whole(gy);
    if (uses_physics) {
      physics_world = new CPhysicsWorld(pixel_to_metre, m_speed);
      physics_world->SetGravity(static_cast<float>(gravity_x), static_cast<float>(gravity_y));
    }
  }

  ListView list;
  if (!ReadList(container, Container_U32(entry + 40), &list)) {
    *problem = "its background list lies outside the container";
    return false;
  }
  for (uint32_t i = 0; i < list.count && i < kRoomBackgroundCount; ++i) {
    if (!container.Has(list.At(i), kBackgroundEntrySize)) {
      *problem = "background " + std::to_string(i) + " lies outside the container";
      return false;
    }
    ReadBackground(container.data + list.At(i), width, height, &backgrounds[i]);
  }

  list = ListView();
  if (!ReadList(container, Container_U32(entry + 44), &list)) {
    *problem = "its view list lies outside the container";
    return false;
  }
  for (uint32_t i = 0; i < list.count && i < kRoomViewCount; ++i) {
    if (!container.Has(list.At(i), kViewEntrySize)) {
      *problem = "view " + std::to_string(i) + " lies outside the container";
      return false;
    }
    const uint8_t* p = container.data + list.At(i);
    CRoomView& v = views[i];
    v.visible = Container_I32(p) != 0;
    v.view_x = static_cast<float>(Container_I32(p + 4));
    v.view_y = static_cast<float>(Container_I32(p + 8));
    v.view_w = static_cast<float>(Container_I32(p + 12));
    v.view_h = static_cast<float>(Container_I32(p + 16));
    v.port_x = Container_I32(p + 20);
    v.port_y = Container_I32(p + 24);
    v.port_w = Container_I32(p + 28);
    v.port_h = Container_I32(p + 32);
    v.angle = 0.0f;
    v.hborder = Container_I32(p + 36);
    v.vborder = Container_I32(p + 40);
    v.hspeed = Container_I32(p + 44);
    v.vspeed = Container_I32(p + 48);
    v.object = Container_I32(p + 52);
  }

  has_entry = true;
  list = ListView();
  const uint32_t instanceListAt = Container_U32(entry + 48);
  if (!ReadList(container, instanceListAt, &list)) {
    *problem = "its instance list lies outside the container";
    return false;
  }
  if (list.count == 0) {
    // An empty list reads as none: records added later are kept but never placed.
    std::memset(entry + 48, 0, 4);
  } else {
    instance_records.resize(list.count);
    for (uint32_t i = 0; i < list.count; ++i) {
      const uint32_t recordAt = list.At(i);
      if (!container.Has(recordAt, kInstanceEntrySize)) {
        *problem = "instance " + std::to_string(i) + " lies outside the container";
        return false;
      }
      uint8_t* record = container.data + recordAt;
      const int32_t slot = Code_Add(Container_I32(record + 16), 0);
      std::memcpy(record + 16, &slot, 4);
      std::memcpy(&instance_records[i], record, kInstanceEntrySize);
    }
  }
  instance_list_present = Container_U32(entry + 48) != 0;

  list = ListView();
  const uint32_t tileListAt = Container_U32(entry + 52);
  if (!ReadList(container, tileListAt, &list) || !ReadTileRecords(container, list, &tile_records)) {
    *problem = "its tile list lies outside the container";
    return false;
  }
  tile_list_present = tileListAt != 0;

  if (layerFormat > 1) {
    if (!container.Has(at, kRoomFixedSize + 4)) {
      *problem = "its layer list offset lies outside the container";
      return false;
    }
    if (!ReadLayers(container, Container_U32(entry + 88), width, height, &layers, problem)) return false;
  }
  return true;
}

RoomTile RoomTile_FromRecord(const RoomTileRecord& r) {
  RoomTile t;
  t.x = static_cast<float>(r.x);
  t.y = static_cast<float>(r.y);
  t.depth = static_cast<float>(r.depth);
  t.background = r.background;
  t.left = r.left;
  t.top = r.top;
  t.width = r.width;
  t.height = r.height;
  t.id = r.id;
  t.xscale = r.xscale;
  t.yscale = r.yscale;
  t.blend = r.colour & 0xFFFFFF;
  t.alpha = Alpha(r.colour);
  t.visible = true;
  return t;
}

// --- copying ---------------------------------------------------------------------------------

void CRoom::Assign(const CRoom* source, bool createInstances) {
  Reset();
  if (source == nullptr || source == this) return;
  caption = source->caption;
  width = source->width;
  height = source->height;
  m_speed = source->m_speed;
  persistent = source->persistent;
  colour = source->colour;
  show_colour = source->show_colour;
  creation_code_text = source->creation_code_text;
  creation_code = source->creation_code;
  m_codeOwner = source->m_codeOwner;
  uses_physics = source->uses_physics;
  gravity_x = source->gravity_x;
  gravity_y = source->gravity_y;
  pixel_to_metre = source->pixel_to_metre;
  for (int32_t i = 0; i < kRoomBackgroundCount; ++i) backgrounds[i] = source->backgrounds[i];
  enable_views = source->enable_views;
  clear_view_background = source->clear_view_background;
  clear_display_buffer = source->clear_display_buffer;
  for (int32_t i = 0; i < kRoomViewCount; ++i) views[i].CopySettings(source->views[i]);
  if (source->physics_world != nullptr) physics_world = CPhysicsWorld::CopyConstruct(source->physics_world);

  if (owns_records) {
    InitBlank();
    m_speed = source->m_speed;
  } else {
    has_entry = source->has_entry;
    instance_list_present = source->instance_list_present;
    tile_list_present = source->tile_list_present;
  }
  if (source->instance_list_present) instance_records = source->instance_records;
  if (source->tile_list_present) tile_records = source->tile_records;
  layers = source->layers;

  // The records' instances and the copies of the source's go into the active list as one batch,
  // in this order, as if inserted one at a time.
  std::vector<CInstance*> entering;
  if (createInstances && source->has_entry) {
    if (source->instance_list_present) {
      const std::unordered_map<int32_t, int32_t> layerOf = source->LayersOfInstances();
      createdIds.reserve(source->instance_records.size());
      for (const RoomInstanceRecord& r : source->instance_records) {
        if (r.object < 0) continue;
        auto* instance = new CInstance(static_cast<float>(r.x), static_cast<float>(r.y), r.id, r.object, true);
        instance->creation_code = Code_GetByIndex(r.code);
        instance->image_xscale = r.xscale;
        instance->image_yscale = r.yscale;
        instance->image_blend = r.colour & 0xFFFFFF;
        instance->image_alpha = Alpha(r.colour);
        instance->image_angle = r.angle;
        const auto layer = layerOf.find(r.id);
        instance->layer_id = layer != layerOf.end() ? layer->second : -1;
        instance->CreatePhysicsBody(this);
        entering.push_back(instance);
        InstanceIdTable.Insert(instance->id, instance);
        createdIds.push_back(instance->id);
      }
    }
    if (source->tile_list_present) {
      tiles.reserve(source->tile_records.size());
      for (const RoomTileRecord& r : source->tile_records) tiles.push_back(RoomTile_FromRecord(r));
    }
  } else if (!owns_records) {
    tiles = source->tiles;
  }
  TilesReordered();

  for (CInstance* i = source->active.first; i != nullptr; i = i->list_next) {
    auto* copy = new CInstance(i->x, i->y, i->id, i->object_index, false);
    copy->Assign(i, true);
    entering.push_back(copy);
    InstanceIdTable.Insert(copy->id, copy);
  }
  active.InsertAllByDepth(entering);
  for (CInstance* i = source->inactive.first; i != nullptr; i = i->list_next) {
    auto* copy = new CInstance(i->x, i->y, i->id, i->object_index, false);
    copy->Assign(i, false);
    inactive.Append(copy);
    InstanceIdTable.Insert(copy->id, copy);
  }
}

int32_t CRoom::AddInstanceRecord(float x, float y, int32_t object) {
  RoomInstanceRecord record{};
  record.x = static_cast<int32_t>(x);
  record.y = static_cast<int32_t>(y);
  record.object = object;
  record.id = Room_NextInstanceId();
  if (record.id < 0) return -1;
  // No creation code: slot 0 belongs to some other instance of the container.
  record.code = -1;
  record.xscale = 1.0f;
  record.yscale = 1.0f;
  record.colour = 0xFFFFFFFF;
  record.angle = 0.0f;
  instance_records.push_back(record);
  // A room whose entry had no list places the records it is given from now on.
  instance_list_present = true;
  return record.id;
}

void CRoom::ClearInstanceRecords() { instance_records.clear(); }

int32_t CRoom::AddTileRecord(int32_t background, int32_t left, int32_t top, int32_t width, int32_t height, int32_t x,
                             int32_t y, int32_t depth, float xscale, float yscale, uint32_t colour) {
  const int32_t id = Room_NextTileId();
  if (id < 0) return -1;
  tile_records.push_back(RoomTileRecord{x, y, background, left, top, width, height, depth, id, xscale, yscale, colour});
  tile_list_present = true;
  return id;
}

void CRoom::ClearTileRecords() { tile_records.clear(); }

// --- instances -------------------------------------------------------------------------------

CInstance* CRoom::CreateInstance(float x, float y, int32_t object) {
  const int32_t id = Room_NextInstanceId();
  if (id < 0) return nullptr;
  auto* instance = new CInstance(x, y, id, object, true);
  instance->CreatePhysicsBody(this);
  active.InsertByDepth(instance);
  InstanceIdTable.Insert(instance->id, instance);
  if (this == Room_Current) Layer_AddInstance(instance);
  return instance;
}

InstanceList& CRoom::ListHolding(const CInstance* instance) {
  // A flag changed since the last activation update has not moved the instance yet.
  const bool inInactive = instance->deactivated != Room_ActivationQueue.Contains(instance);
  return inInactive ? inactive : active;
}

void CRoom::DeleteInstance(CInstance* instance) {
  if (instance == nullptr) return;
  ListHolding(instance).Remove(instance);
  // The destructor leaves the id table (its own entry only), the queues and the object lists.
  delete instance;
}

void CRoom::DeleteAllInstances() { DeleteList(&active); }
void CRoom::DeleteInactiveInstances() { DeleteList(&inactive); }

void CRoom::ApplyActivation() {
  // Woken instances go back by depth in the order they waited in, as one batch.
  static std::vector<CInstance*> woken;
  woken.clear();
  for (CInstance* i = inactive.first; i != nullptr;) {
    CInstance* next = i->list_next;
    if (!i->deactivated) {
      inactive.Remove(i);
      woken.push_back(i);
      if (i->object_def != nullptr) i->object_def->AddInstanceOnce(i);
    }
    i = next;
  }
  active.InsertAllByDepth(woken);
  for (CInstance* i = active.first; i != nullptr;) {
    CInstance* next = i->list_next;
    if (i->deactivated) {
      active.Remove(i);
      inactive.Append(i);
      if (i->object_def != nullptr) i->object_def->RemoveInstance(i);
    }
    i = next;
  }
}

// Backgrounds are drawn by the renderer; their scrolling is the room's.
void CRoom::ScrollBackgrounds() {
  for (RoomBackground& b : backgrounds) {
    b.x += b.hspeed;
    b.y += b.vspeed;
  }
}

void Room_DeleteMarked(CRoom* room) {
  if (room == nullptr) return;
  for (CInstance* i = room->active.first; i != nullptr;) {
    CInstance* next = i->list_next;
    if (i->marked) {
      DepthChangeList.Remove(i);
      room->DeleteInstance(i);
    }
    i = next;
  }
}

void Room_VisitInstanceRoots(InstanceVisitor visit, void* context) {
  if (Room_Current != nullptr) VisitRoom(Room_Current, visit, context);
  for (const CRoom* room : Room_Copies) {
    if (room != nullptr && room != Room_Current) VisitRoom(room, visit, context);
  }
  for (CInstance* instance : Room_Carried) {
    if (instance != nullptr) visit(instance, context);
  }
}
