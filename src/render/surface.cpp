#include "render/surface.h"

#include <cmath>
#include <cstring>
#include <map>

#include "assets/bitmap.h"
#include "assets/sprite.h"
#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "assets/texture_pixels.h"
#include "core/memory_manager.h"
#include "runtime/error_report.h"
#include "runtime/run_state.h"
#include "render/d3d_device.h"
#include "io/display.h"
#include "render/gui_layer.h"
#include "render/matrix.h"
#include "render/render_setters.h"
#include "render/vertex_batch.h"

SurfaceTargetState g_SurfaceTargets;

namespace {

// Ordered by id, so that releasing all of them happens in a stable order.
std::map<int32_t, Surface*>& Table() {
  static std::map<int32_t, Surface*> table;
  return table;
}

void DeleteRecord(int32_t id) {
  auto it = Table().find(id);
  if (it == Table().end()) return;
  delete it->second;
  Table().erase(it);
}

bool IsApplicationSurface(int32_t id) { return id >= 0 && id == g_RunState.applicationSurface; }

// The application surface's size lives in the run state and, for the window code's mapping, in
// the display extent.
void SetApplicationSize(int32_t width, int32_t height) {
  g_RunState.applicationSurfaceWidth = width;
  g_RunState.applicationSurfaceHeight = height;
  Display_AppSurfaceSize = DisplayExtent{width, height};
}

Texture* TextureOf(int32_t id) {
  const Surface* s = Surface_FindRecord(id);
  return s == nullptr ? nullptr : GR_Texture_Get(s->slot);
}

// Where screen read-back reads: the surface bound to target slot 0 (the application surface while
// the room is drawn into it, or a script's own), else the application surface when one exists.
Texture* ReadBackTexture() {
  if (Texture* bound = TextureOf(g_SurfaceTargets.boundIds[0])) return bound;
  return g_RunState.applicationSurface < 0 ? nullptr : TextureOf(g_RunState.applicationSurface);
}
}  // namespace

bool* g_SurfaceCullingSwitch = &g_SpriteCulling;

Surface* Surface_FindRecord(int32_t id) {
  auto it = Table().find(id);
  return it == Table().end() ? nullptr : it->second;
}

int32_t Surface_Create(int32_t width, int32_t height, int32_t id) {
  GR_SetApplicationSurfaceSource(&ReadBackTexture);
  if (id >= 0 && Surface_FindRecord(id) == nullptr) return -1;
  const bool sizeOk = width >= 1 && height >= 1 && width <= Texture_MaxSize() && height <= Texture_MaxSize();
  Surface* record = nullptr;
  if (id < 0) {
    if (!sizeOk) return -1;
    id = g_SurfaceTargets.nextId;
    while (Surface_FindRecord(id) != nullptr) ++id;
    record = new Surface{id, -1, 0, 0};
    Table()[id] = record;
    g_SurfaceTargets.nextId = id + 1;
  } else {
    record = Surface_FindRecord(id);
  }
  const int32_t slot = sizeOk ? GR_Texture_Create(width, height, true) : -1;
  // A slot whose texture could not be made is no surface.
  if (slot < 0 || GR_Texture_Get(slot) == nullptr) {
    if (slot >= 0) GR_Texture_Free(slot);
    if (IsApplicationSurface(id)) SetApplicationSize(1, 1);
    DeleteRecord(id);
    return -1;
  }
  record->slot = slot;
  record->width = width;
  record->height = height;
  if (IsApplicationSurface(id)) SetApplicationSize(width, height);
  return id;
}

bool Surface_Exists(int32_t id) { return Surface_FindRecord(id) != nullptr; }

Surface* Surface_Release(int32_t id) {
  Surface* record = Surface_FindRecord(id);
  if (record == nullptr) return nullptr;
  for (int32_t bound : g_SurfaceTargets.boundIds) {
    if (bound == id) {
      Surface_ResetTarget();
      break;
    }
  }
  if (record->slot >= 0) GR_Texture_Free(record->slot);
  record->slot = -1;
  return record;
}

void Surface_Free(int32_t id, bool force) {
  if (!force && IsApplicationSurface(id)) return;
  GraphicsFlush();
  if (Surface_Release(id) != nullptr) DeleteRecord(id);
}

bool Surface_Resize(int32_t id, int32_t width, int32_t height) {
  GraphicsFlush();
  Surface* record = Surface_Release(id);
  if (record == nullptr) return false;
  record->slot = -1;
  record->width = 0;
  record->height = 0;
  if (IsApplicationSurface(id)) SetApplicationSize(1, 1);
  return Surface_Create(width, height, id) >= 0;
}

int32_t Surface_GetWidth(int32_t id) {
  if (IsApplicationSurface(id)) return g_RunState.applicationSurfaceWidth;
  const Surface* s = Surface_FindRecord(id);
  return s == nullptr ? -1 : s->width;
}

int32_t Surface_GetHeight(int32_t id) {
  if (IsApplicationSurface(id)) return g_RunState.applicationSurfaceHeight;
  const Surface* s = Surface_FindRecord(id);
  return s == nullptr ? -1 : s->height;
}

int32_t Surface_GetTexture(int32_t id) {
  const Surface* s = Surface_FindRecord(id);
  return s == nullptr ? -1 : s->slot;
}

int32_t Surface_StackDepth() { return g_SurfaceTargets.depth; }

namespace {
bool SetTarget(int32_t slot, int32_t id, bool roomPass);
}  // namespace

bool Surface_SetTarget(int32_t slot, int32_t id) { return SetTarget(slot, id, false); }

bool Surface_SetRoomTarget(int32_t id) { return SetTarget(0, id, true); }

bool Surface_ScriptTargetSet() {
  const SurfaceTargetState& st = g_SurfaceTargets;
  for (int32_t i = 0; i < st.depth; ++i) {
    if (st.stack[i].roomPass == 0) return true;
  }
  return false;
}

namespace {
bool SetTarget(int32_t slot, int32_t id, bool roomPass) {
  if (slot < 0 || slot > 3 || g_D3D.device == nullptr) return false;
  GraphicsFlush();
  Surface* record = Surface_FindRecord(id);
  Texture* texture = record == nullptr ? nullptr : GR_Texture_Get(record->slot);
  if (texture == nullptr || g_SurfaceTargets.depth >= kSurfaceStackSize) return false;
  SurfaceTargetState& st = g_SurfaceTargets;
  if (slot != 0) {
    st.boundIds[slot] = id;
    return Texture_SetTarget(slot, texture);
  }
  if (!Texture_PushTarget()) {
    Error_Show("surface stack is full - ensure surface_reset_target() is called for each surface_set_target().",
               false);
    return false;
  }
  const GR_ViewState& v = g_GR_View;
  SurfaceStackEntry& e = st.stack[st.depth++];
  e.viewportX = v.viewportX;
  e.viewportY = v.viewportY;
  e.viewportWidth = v.viewportWidth;
  e.viewportHeight = v.viewportHeight;
  e.viewX = static_cast<int32_t>(v.viewX);
  e.viewY = static_cast<int32_t>(v.viewY);
  e.viewWidth = static_cast<int32_t>(v.viewWidth);
  e.viewHeight = static_cast<int32_t>(v.viewHeight);
  e.viewAngle = v.viewAngle;
  e.culling = *g_SurfaceCullingSwitch ? 1 : 0;
  e.roomPass = roomPass ? 1 : 0;
  std::memcpy(e.boundIds, st.boundIds, sizeof e.boundIds);
  if (!Texture_SetTarget(0, texture)) return false;
  GR_SetViewport(0, 0, record->width, record->height);
  GR_SetView(0, 0, static_cast<float>(record->width), static_cast<float>(record->height), 0);
  st.boundIds[0] = id;
  GR_InvalidateCullRect();
  return true;
}
}  // namespace

bool Surface_ResetTarget() {
  if (g_D3D.device == nullptr) return false;
  GraphicsFlush();
  if (!Texture_PopTarget()) return false;
  SurfaceTargetState& st = g_SurfaceTargets;
  if (st.depth == 0) {
    st.boundIds[0] = -1;
    return false;
  }
  const SurfaceStackEntry& e = st.stack[--st.depth];
  std::memcpy(st.boundIds, e.boundIds, sizeof st.boundIds);
  *g_SurfaceCullingSwitch = e.culling != 0;
  if (g_GUI.inGUI) {
    GR_SetGUIProjection();
  } else {
    GR_SetViewport(e.viewportX, e.viewportY, e.viewportWidth, e.viewportHeight);
    GR_SetView(static_cast<float>(e.viewX), static_cast<float>(e.viewY), static_cast<float>(e.viewWidth),
               static_cast<float>(e.viewHeight), e.viewAngle);
  }
  GR_InvalidateCullRect();
  return true;
}

void Surface_Draw(int32_t id, float x, float y) {
  const Surface* s = Surface_FindRecord(id);
  if (s != nullptr) GR_Texture_Draw(s->slot, x, y);
}

void Surface_DrawExt(int32_t id, float x, float y, float xScale, float yScale, float angle, uint32_t colour,
                     float alpha) {
  const Surface* s = Surface_FindRecord(id);
  if (s != nullptr) GR_Texture_DrawExt(s->slot, 0, 0, x, y, xScale, yScale, angle * kDegreesToRadians, colour, alpha);
}

void Surface_DrawStretched(int32_t id, float x, float y, float width, float height, uint32_t colour, float alpha) {
  const Surface* s = Surface_FindRecord(id);
  if (s == nullptr || width <= 0 || height <= 0 || s->width <= 0 || s->height <= 0) return;
  GR_Texture_DrawExt(s->slot, 0, 0, x, y, width / static_cast<float>(s->width), height / static_cast<float>(s->height),
                     0, colour, alpha);
}

void Surface_DrawPart(int32_t id, float left, float top, float width, float height, float x, float y, float xScale,
                      float yScale, uint32_t colour, float alpha) {
  const Surface* s = Surface_FindRecord(id);
  if (s == nullptr) {
    Error_Report(false, "Trying to use non-existing surface.");
    return;
  }
  GR_Texture_DrawPart(s->slot, left, top, width, height, x, y, xScale, yScale, 0, colour, alpha);
}

void Surface_DrawGeneral(int32_t id, float left, float top, float width, float height, float x, float y,
                         float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                         float alpha) {
  const Surface* s = Surface_FindRecord(id);
  if (s != nullptr) {
    GR_Texture_DrawGeneral(s->slot, left, top, width, height, x, y, xScale, yScale, angle * kDegreesToRadians, c1, c2,
                           c3, c4, alpha);
  }
}

void Surface_DrawTiled(int32_t id, float x, float y, float xScale, float yScale, bool hTiled, bool vTiled,
                       float viewX, float viewY, float viewWidth, float viewHeight, uint32_t colour, float alpha) {
  const Surface* s = Surface_FindRecord(id);
  if (s != nullptr) {
    GR_Texture_DrawTiled(s->slot, 0, 0, x, y, xScale, yScale, hTiled, vTiled, viewX, viewY, viewWidth, viewHeight,
                         colour, alpha);
  }
}

TBitmap* Surface_ToBitmap(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (g_D3D.device == nullptr) return nullptr;
  Texture* texture = TextureOf(id);
  if (texture == nullptr || width <= 0 || height <= 0) return nullptr;
  // Sizes in 64 bits: a rectangle whose block cannot be held is refused, never cut short.
  const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u;
  if (bytes > 0x7FFFFFFFu) return nullptr;
  GraphicsFlush();
  uint8_t* block = Texture_ReadPixels(texture, x, y, width, height);
  if (block == nullptr) return nullptr;
  TBitmap* bitmap = TBitmap_Create();
  bitmap->SetPixelFormat(kBitmap32);
  bitmap->SetWidth(width);
  bitmap->SetHeight(height);
  GR_CopyBlockToBitmap(bitmap, block, width, height);
  MEM_FREE(block);
  return bitmap;
}

void Surface_FreeAll() {
  std::map<int32_t, Surface*>& table = Table();
  for (auto& [id, record] : table) Surface_Release(id);
  for (auto& [id, record] : table) delete record;
  table.clear();
  g_RunState.applicationSurface = kNoSurface;
}
