// The saved-game record of a run-time room: its settings, the eight backgrounds and views, its
// tiles, then its active and its deactivated instances in list order.
#include <initializer_list>
#include <memory>

#include "core/memory_manager.h"
#include "io/buffer.h"
#include "runtime/error_report.h"
#include "runtime/host_state.h"
#include "world/instance.h"
#include "world/object.h"
#include "world/room.h"
#include "io/saved_values.h"

namespace {

// The fewest bytes a record can take: a tile is 14 four-byte items, an instance at least one.
constexpr int32_t kTileRecordBytes = 14 * 4;
constexpr int32_t kInstanceRecordMinBytes = 4;

std::string TakeText(char* text) {
  std::string out = text != nullptr ? text : "";
  MemoryManager_Free(text);
  return out;
}

// One instance record into a new instance outside every object list and the id table. Null when
// the record is short or names no object of this game: a forged object index must not reach
// the events.
CInstance* LoadInstance(IBuffer* buffer) {
  auto instance = std::make_unique<CInstance>(0.0f, 0.0f, 0, 0, false);
  if (!instance->LoadFromBuffer(buffer, false)) return nullptr;
  if (Object_Data(instance->object_index) == nullptr) return nullptr;
  return instance.release();
}

}  // namespace

void RoomBackground_Save(const RoomBackground& bg, IBuffer* buffer) {
  SavedWriter w{buffer};
  w.Bool(bg.visible);
  w.Bool(bg.foreground);
  w.S32(bg.index);
  w.F32(bg.x);
  w.F32(bg.y);
  w.Bool(bg.htiled);
  w.Bool(bg.vtiled);
  for (float v : {bg.hspeed, bg.vspeed, bg.xscale, bg.yscale}) w.F32(v);
  w.S32(static_cast<int32_t>(bg.blend));
  w.F32(bg.alpha);
}

bool RoomBackground_Load(RoomBackground* bg, IBuffer* buffer) {
  SavedReader r{buffer};
  bg->visible = r.Bool();
  bg->foreground = r.Bool();
  bg->index = r.S32();
  bg->x = r.F32();
  bg->y = r.F32();
  bg->htiled = r.Bool();
  bg->vtiled = r.Bool();
  for (float* f : {&bg->hspeed, &bg->vspeed, &bg->xscale, &bg->yscale}) *f = r.F32();
  bg->blend = static_cast<uint32_t>(r.S32());
  bg->alpha = r.F32();
  return !r.failed;
}

void RoomView_Save(const CRoomView& view, IBuffer* buffer) {
  SavedWriter w{buffer};
  w.Bool(view.visible);
  // The rectangle goes out as whole numbers: the buffer's s32 item truncates toward zero.
  for (float v : {view.view_x, view.view_y, view.view_w, view.view_h}) w.Put(eBuffer_S32, v);
  for (int32_t v : {view.port_x, view.port_y, view.port_w, view.port_h}) w.S32(v);
  w.F32(view.angle);
  for (int32_t v : {view.hborder, view.vborder, view.hspeed, view.vspeed, view.object, view.surfaceId}) w.S32(v);
}

bool RoomView_Load(CRoomView* view, IBuffer* buffer) {
  SavedReader r{buffer};
  view->visible = r.Bool();
  for (float* f : {&view->view_x, &view->view_y, &view->view_w, &view->view_h}) *f = static_cast<float>(r.S32());
  for (int32_t* i : {&view->port_x, &view->port_y, &view->port_w, &view->port_h}) *i = r.S32();
  view->angle = r.F32();
  for (int32_t* i : {&view->hborder, &view->vborder, &view->hspeed, &view->vspeed, &view->object, &view->surfaceId}) {
    *i = r.S32();
  }
  return !r.failed;
}

void RoomTile_Save(const RoomTile& tile, IBuffer* buffer) {
  SavedWriter w{buffer};
  w.F32(tile.x);
  w.F32(tile.y);
  for (int32_t v : {tile.background, tile.left, tile.top, tile.width, tile.height}) w.S32(v);
  w.F32(tile.depth);
  w.S32(tile.id);
  w.F32(tile.xscale);
  w.F32(tile.yscale);
  w.S32(static_cast<int32_t>(tile.blend));
  w.F32(tile.alpha);
  w.Bool(tile.visible);
}

bool RoomTile_Load(RoomTile* tile, IBuffer* buffer) {
  SavedReader r{buffer};
  tile->x = r.F32();
  tile->y = r.F32();
  for (int32_t* i : {&tile->background, &tile->left, &tile->top, &tile->width, &tile->height}) *i = r.S32();
  tile->depth = r.F32();
  tile->id = r.S32();
  tile->xscale = r.F32();
  tile->yscale = r.F32();
  tile->blend = static_cast<uint32_t>(r.S32());
  tile->alpha = r.F32();
  tile->visible = r.Bool();
  return !r.failed;
}

void CRoom::SaveState(IBuffer* buffer) {
  if (uses_physics) {
    Error_Show("ERROR: game_save unavailable for rooms using physics", true);
    if (!g_Host.subGame) Error_EndProcess(1);
  }
  SavedWriter w{buffer};
  w.String(caption.c_str());
  w.S32(width);
  w.S32(height);
  w.S32(m_speed);
  w.Bool(persistent);
  w.U32(colour);
  w.Bool(show_colour);
  w.String(creation_code_text.c_str());
  for (const RoomBackground& bg : backgrounds) RoomBackground_Save(bg, buffer);
  w.Bool(enable_views);
  for (const CRoomView& view : views) RoomView_Save(view, buffer);
  w.S32(static_cast<int32_t>(tiles.size()));
  for (const RoomTile& tile : tiles) RoomTile_Save(tile, buffer);
  w.S32(active.count);
  for (CInstance* i = active.first; i != nullptr; i = i->list_next) i->SaveToBuffer(buffer);
  w.S32(inactive.count);
  for (CInstance* i = inactive.first; i != nullptr; i = i->list_next) i->SaveToBuffer(buffer);
}

bool CRoom::LoadState(IBuffer* buffer) {
  // Neither clear flag is saved: a loaded room clears neither its views nor the display.
  clear_view_background = false;
  clear_display_buffer = false;
  SavedReader r{buffer};
  caption = TakeText(r.String());
  width = r.S32();
  height = r.S32();
  m_speed = r.S32();
  persistent = r.Bool();
  colour = r.U32();
  show_colour = r.Bool();
  creation_code_text = TakeText(r.String());
  if (r.failed) return false;
  for (RoomBackground& bg : backgrounds) {
    if (!RoomBackground_Load(&bg, buffer)) return false;
  }
  enable_views = r.Bool();
  if (r.failed) return false;
  for (CRoomView& view : views) {
    if (!RoomView_Load(&view, buffer)) return false;
  }

  // The saved ids come back as they were: loading takes no tile id.
  const int32_t tileCount = r.Count(kTileRecordBytes);
  if (r.failed) return false;
  tiles.reserve(static_cast<size_t>(tileCount));
  for (int32_t k = 0; k < tileCount; ++k) {
    RoomTile tile;
    if (!RoomTile_Load(&tile, buffer)) return false;
    tiles.push_back(tile);
  }
  TilesReordered();

  for (InstanceList* list : {&active, &inactive}) {
    const int32_t count = r.Count(kInstanceRecordMinBytes);
    if (r.failed) return false;
    for (int32_t k = 0; k < count; ++k) {
      CInstance* instance = LoadInstance(buffer);
      if (instance == nullptr) return false;
      if (list == &active) {
        active.InsertByDepth(instance);
      } else {
        inactive.Append(instance);
      }
    }
  }
  return true;
}
