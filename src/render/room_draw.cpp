#include "render/room_draw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "assets/background.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "assets/texture_pages.h"
#include "runtime/error_report.h"
#include "io/main_window.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "render/d3d_device.h"
#include "io/display.h"
#include "render/frame.h"
#include "render/gui_layer.h"
#include "render/particles.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "render/render_state.h"
#include "render/surface.h"
#include "render/transform_3d.h"
#include "render/vertex_batch.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/object.h"
#include "world/room.h"

AppSurfaceState g_AppSurface;

namespace {

constexpr float kBackgroundDepth = 12000.0f;
constexpr float kForegroundDepth = -12000.0f;
constexpr float kDrawEndDepth = -13000.0f;
constexpr float kElementDepthCap = 11000.0f;
constexpr float kParticleFloor = -1e8f;

// Draw numbers of the draw event type.
constexpr int32_t kDrawNormal = 0;
constexpr int32_t kDrawGUI = 64;
constexpr int32_t kDrawBegin = 72;
constexpr int32_t kDrawEnd = 73;
constexpr int32_t kDrawGUIBegin = 74;
constexpr int32_t kDrawGUIEnd = 75;
constexpr int32_t kDrawPre = 76;
constexpr int32_t kDrawPost = 77;

// An instance without a draw event shows its sprite, through the plain draw when nothing about it
// is scaled, turned, tinted or faded.
void DrawInstanceSprite(CInstance* instance) {
  CSprite* sprite = Sprite_Data(instance->sprite_index);
  if (sprite == nullptr) return;
  const auto frame = static_cast<int32_t>(std::floor(instance->image_index));
  if (instance->image_xscale == 1.0f && instance->image_yscale == 1.0f && instance->image_angle == 0.0f &&
      instance->image_blend == 0xFFFFFFu && instance->image_alpha == 1.0f) {
    sprite->SpriteDrawSimple(frame, instance->x, instance->y);
  } else {
    sprite->SpriteDraw(frame, instance->x, instance->y, instance->image_xscale, instance->image_yscale,
                       instance->image_angle, instance->image_blend, instance->image_alpha);
  }
}

// The cursor is drawn wherever the mouse is, never culled against the room's view.
void DrawCursorSprite(int32_t index, float image, float x, float y) {
  CSprite* sprite = Sprite_Data(index);
  if (sprite == nullptr) return;
  const bool culling = g_SpriteCulling;
  g_SpriteCulling = false;
  sprite->SpriteDraw(static_cast<int32_t>(std::floor(image)), x, y, 1, 1, 0, 0xFFFFFF, 1);
  g_SpriteCulling = culling;
}

// Room backgrounds tile across the area the pass draws; tiles draw their part of a background.
bool BackgroundExists(int32_t index) { return Background_Exists(index); }
void DrawRoomBackground(const RoomBackground& b, const RoomArea& area) {
  Background_Data(b.index)->DrawTiled(b.x, b.y, b.xscale, b.yscale, b.htiled, b.vtiled, static_cast<float>(area.left),
                                      static_cast<float>(area.top), static_cast<float>(area.right - area.left),
                                      static_cast<float>(area.bottom - area.top), b.blend, b.alpha);
}
void DrawRoomTile(const RoomTile& t) {
  const CBackground* b = Background_Data(t.background);
  if (b == nullptr) return;
  b->DrawPart(static_cast<float>(t.left), static_cast<float>(t.top), static_cast<float>(t.width),
              static_cast<float>(t.height), t.x, t.y, t.xscale, t.yscale, t.blend, t.alpha);
}
void SortRoomTiles(CRoom* room) { room->SortTiles(); }

int32_t WindowWidth() { return Display_Size.width; }
int32_t WindowHeight() { return Display_Size.height; }

uint32_t WindowClearColour() { return Window_GetColour() | 0xFF000000u; }

float CappedDepth(float depth) { return std::min(depth, kElementDepthCap); }

bool Drawable(const CInstance* instance) {
  return instance->visible && !instance->deactivated && !instance->marked;
}

bool HasDrawEvent(const CInstance* instance, int32_t number) {
  const CObject* object = Object_Data(instance->object_index);
  return object != nullptr && object->HasEvent(kEventDraw, number);
}

void SetArea(const RoomArea&) { GR_InvalidateCullRect(); }

void DrawInstance(CInstance* instance) {
  GR_SetDepth(CappedDepth(instance->depth));
  if (HasDrawEvent(instance, kDrawNormal)) {
    Event_Perform(instance, instance, kEventDraw, kDrawNormal);
  } else if (g_RoomDrawSources.spriteExists(instance->sprite_index)) {
    g_RoomDrawSources.drawInstanceSprite(instance);
  }
}

void DrawTile(const RoomTile& tile, const RoomArea& area) {
  GR_SetDepth(CappedDepth(tile.depth));
  const float x1 = tile.x;
  const float y1 = tile.y;
  const float x2 = tile.x + static_cast<float>(tile.width) * tile.xscale;
  const float y2 = tile.y + static_cast<float>(tile.height) * tile.yscale;
  const float left = std::min(x1, x2), right = std::max(x1, x2);
  const float top = std::min(y1, y2), bottom = std::max(y1, y2);
  if (!g_RoomDrawSources.backgroundExists(tile.background)) return;
  if (static_cast<float>(area.right) >= left && static_cast<float>(area.bottom) >= top &&
      right >= static_cast<float>(area.left) && bottom >= static_cast<float>(area.top)) {
    g_RoomDrawSources.drawTile(tile);
  }
}

void DrawBackgrounds(const RoomArea& area, bool foreground) {
  GR_SetDepth(foreground ? kForegroundDepth : kBackgroundDepth);
  for (const RoomBackground& b : Room_Current->backgrounds) {
    if (b.visible && b.foreground == foreground && g_RoomDrawSources.backgroundExists(b.index)) {
      g_RoomDrawSources.drawBackground(b, area);
    }
  }
}

// Walks instances (highest depth first), tiles and particle depths at once; at equal depths an
// instance comes first, then the particle systems, then the tile.
void MergeByDepth(const RoomArea& area, bool withTiles) {
  CRoom* room = Room_Current;
  CInstance* instance = room->active.last;
  const std::vector<RoomTile>* tiles = withTiles ? &room->tiles : nullptr;
  size_t tileIndex = 0;
  float particle = g_RoomDrawSources.particleMaxDepth();
  for (;;) {
    while (instance != nullptr && !Drawable(instance)) instance = instance->list_prev;
    while (tiles != nullptr && tileIndex < tiles->size() && !(*tiles)[tileIndex].visible) ++tileIndex;
    const RoomTile* tile = tiles != nullptr && tileIndex < tiles->size() ? &(*tiles)[tileIndex] : nullptr;
    const bool hasParticle = particle > kParticleFloor;
    if (instance == nullptr && tile == nullptr && !hasParticle) break;
    if (hasParticle && (instance == nullptr || particle > instance->depth) &&
        (tile == nullptr || particle >= tile->depth)) {
      GR_SetDepth(CappedDepth(particle));
      g_RoomDrawSources.particleDrawAtDepth(particle);
      particle = g_RoomDrawSources.particleNextDepthBelow(particle);
    } else if (instance != nullptr && (tile == nullptr || !(tile->depth > instance->depth))) {
      CInstance* previous = instance->list_prev;
      DrawInstance(instance);
      instance = previous;
    } else {
      DrawTile(*tile, area);
      ++tileIndex;
    }
  }
  GraphicsFlush();
}

void FollowInstance(CRoomView& view, CRoom* room) {
  CInstance* target = nullptr;
  if (view.object >= 100000) {
    target = Instance_Find(view.object);
  } else if (CObject* object = Object_Data(view.object)) {
    for (ObjectInstanceNode* n = object->instances.first; n != nullptr; n = n->next) {
      if (!n->instance->deactivated && !n->instance->marked) {
        target = n->instance;
        break;
      }
    }
  }
  if (target == nullptr) return;
  if (target->bbox_dirty) Compute_BoundingBox(target);
  const float ix = std::floor(target->x);
  const float iy = std::floor(target->y);
  const auto follow = [](float at, float pos, float size, int32_t border) {
    const float b = static_cast<float>(border);
    if (2 * b >= size) return at - size / 2;
    if (at - b < pos) return at - b;
    if (at + b > pos + size) return at + b - size;
    return pos;
  };
  const auto keepInRoom = [](float pos, float size, float roomSize) {
    if (pos < 0) pos = 0;
    if (pos + size > roomSize) pos = roomSize - size;
    return pos;
  };
  const auto limit = [](float from, float to, int32_t speed) {
    if (speed < 0) return to;
    const float s = static_cast<float>(speed);
    return std::clamp(to, from - s, from + s);
  };
  float x = follow(ix, view.view_x, view.view_w, view.hborder);
  float y = follow(iy, view.view_y, view.view_h, view.vborder);
  x = keepInRoom(x, view.view_w, static_cast<float>(room->width));
  y = keepInRoom(y, view.view_h, static_cast<float>(room->height));
  view.view_x = limit(view.view_x, x, view.hspeed);
  view.view_y = limit(view.view_y, y, view.vspeed);
}

}  // namespace

RoomDrawSources RoomDraw_DefaultSources() {
  return RoomDrawSources{&DrawInstanceSprite, &Sprite_Exists, &DrawCursorSprite, &BackgroundExists,
                         &DrawRoomBackground, &DrawRoomTile,  &SortRoomTiles,    &ParticleSystem_MaxDepth,
                         &ParticleSystem_NextDepthBelow, &ParticleSystem_DrawAtDepth};
}

RoomDrawSources g_RoomDrawSources = RoomDraw_DefaultSources();

RoomArea RoomDraw_CurrentArea() {
  const GR_ViewState& v = g_GR_View;
  return RoomArea{v.boundsLeft, v.boundsTop, v.boundsRight, v.boundsBottom};
}

bool Room_PerformDrawEventClear(const RoomArea& area, int32_t type, int32_t number, bool clear) {
  SetArea(area);
  bool cleared = false;
  if (Room_Current == nullptr) return false;
  for (CInstance* i = Room_Current->active.last; i != nullptr;) {
    CInstance* previous = i->list_prev;
    if (Drawable(i) && HasDrawEvent(i, number)) {
      if (clear && !cleared) {
        GR_Clear(WindowClearColour());
        cleared = true;
      }
      Event_Perform(i, i, type, number);
    }
    i = previous;
  }
  return cleared;
}

void Room_PerformDrawEvent(const RoomArea& area, int32_t type, int32_t number) {
  Room_PerformDrawEventClear(area, type, number, false);
}

void Room_DrawInstancesTilesParticles(const RoomArea& area) { MergeByDepth(area, true); }
void Room_DrawInstancesParticles(const RoomArea& area) { MergeByDepth(area, false); }

void Room_DrawInstances() {
  for (CInstance* i = Room_Current->active.last; i != nullptr;) {
    CInstance* previous = i->list_prev;
    if (Drawable(i)) DrawInstance(i);
    i = previous;
  }
}

void DrawTheRoom(const RoomArea&) {
  CRoom* room = Room_Current;
  const RoomArea area = RoomDraw_CurrentArea();
  SetArea(area);
  uint32_t flags = g_RenderLogical.threeD ? kClearDepth : 0;
  uint32_t colour = 0;
  if (room->show_colour) {
    flags |= kClearTarget;
    colour = (room->colour & 0xFFFFFFu) | 0xFF000000u;
  }
  if (flags != 0) GR_D3D_Clear(colour, 1.0f, 0, flags | kClearDepth | kClearStencil);
  Room_PerformDrawEvent(area, kEventDraw, kDrawBegin);
  DrawBackgrounds(area, false);
  const bool instances = room->active.count > 0;
  if (!room->tiles.empty() || !instances) {
    Room_DrawInstancesTilesParticles(area);
  } else if (g_RoomDrawSources.particleMaxDepth() > kNoParticleDepth) {
    Room_DrawInstancesParticles(area);
  } else {
    Room_DrawInstances();
  }
  DrawBackgrounds(area, true);
  GR_SetDepth(kDrawEndDepth);
  Room_PerformDrawEvent(area, kEventDraw, kDrawEnd);
}

void Room_SetupViews() {
  CRoom* room = Room_Current;
  if (!room->enable_views) {
    for (int32_t n = 0; n < kRoomViewCount; ++n) Window_ClearViewPort(n);
    return;
  }
  for (CRoomView& view : room->views) {
    if (view.visible && view.object >= 0) FollowInstance(view, room);
  }
  int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
  for (int32_t n = 0; n < kRoomViewCount; ++n) {
    const CRoomView& v = room->views[n];
    Window_ClearViewPort(n);
    if (!v.visible) continue;
    Window_SetViewPort(n, static_cast<float>(v.port_x), static_cast<float>(v.port_y), static_cast<float>(v.port_w),
                       static_cast<float>(v.port_h), v.view_x, v.view_y, v.view_w, v.view_h, v.angle, v.surfaceId);
    minX = std::min(minX, v.port_x);
    minY = std::min(minY, v.port_y);
    maxX = std::max(maxX, v.port_x + v.port_w);
    maxY = std::max(maxY, v.port_y + v.port_h);
  }
  // A union without width or height leaves that factor at 1 rather than dividing by 0.
  const int64_t unionWidth = minX <= maxX ? int64_t{maxX} - minX : 0;
  const int64_t unionHeight = minY <= maxY ? int64_t{maxY} - minY : 0;
  g_AppSurface.portScaleX =
      unionWidth > 0 ? static_cast<float>(g_RunState.applicationSurfaceWidth) / static_cast<float>(unionWidth) : 1.0f;
  g_AppSurface.portScaleY = unionHeight > 0 ? static_cast<float>(g_RunState.applicationSurfaceHeight) /
                                                  static_cast<float>(unionHeight)
                                            : 1.0f;
}

void GR_DrawApplicationSurface(int32_t surface, int32_t x, int32_t y, int32_t width, int32_t height, bool keepAspect,
                               bool directStates) {
  GraphicsFlush();
  const Surface* record = Surface_FindRecord(surface);
  if (record == nullptr || GR_Texture_Get(record->slot) == nullptr) return;
  if (directStates) {
    GR_D3D_ApplyRenderState(kRS_CullMode, 0);
    GR_D3D_ApplyRenderState(kRS_DepthTest, 0);
    GR_D3D_ApplyRenderState(kRS_Lighting, 0);
    GR_D3D_ApplyRenderState(kRS_Fog, 0);
    GR_D3D_ApplyRenderState(kRS_AlphaBlend, 0);
    GR_D3D_ApplyRenderState(kRS_AlphaTest, 0);
    GR_D3D_ApplyRenderState(kRS_Stencil, 0);
  }
  float w = static_cast<float>(width);
  float h = static_cast<float>(height);
  float ox = 0, oy = 0;
  if (keepAspect && record->height > 0) {
    const float a = static_cast<float>(record->width) / static_cast<float>(record->height);
    if (h > w / a) {
      oy = (h - w / a) / 2;
      h = w / a;
    } else if (h < w / a) {
      ox = (w - h * a) / 2;
      w = h * a;
    }
  }
  Surface_DrawStretched(surface, static_cast<float>(x) + ox, static_cast<float>(y) + oy, w, h, 0xFFFFFF, 1.0f);
  GraphicsFlush();
  if (directStates) CRenderStateManager::ApplyAll();
}

namespace {

// Step 1 of the redraw: the application surface exists at its size while enabled.
void UpkeepApplicationSurface() {
  RunState& rs = g_RunState;
  AppSurfaceState& app = g_AppSurface;
  if (app.enabled) {
    if (!app.inUse && app.requestedWidth > 0 && app.requestedHeight > 0) {
      rs.applicationSurfaceWidth = app.requestedWidth;
      rs.applicationSurfaceHeight = app.requestedHeight;
    }
    if (rs.applicationSurfaceWidth <= 0 || rs.applicationSurfaceHeight <= 0) {
      rs.applicationSurfaceWidth = WindowWidth();
      rs.applicationSurfaceHeight = WindowHeight();
    }
    if (rs.applicationSurface < 0 || !Surface_Exists(rs.applicationSurface)) {
      // The new surface's id is known only once it is made; its size is the run state's.
      const int32_t width = rs.applicationSurfaceWidth;
      const int32_t height = rs.applicationSurfaceHeight;
      rs.applicationSurface = Surface_Create(width, height, -1);
      if (rs.applicationSurface >= 0) {
        Display_AppSurfaceSize = DisplayExtent{width, height};
      } else {
        rs.applicationSurface = kNoSurface;
      }
      g_WindowState.backbufferWidth = rs.applicationSurfaceWidth;
      g_WindowState.backbufferHeight = rs.applicationSurfaceHeight;
    }
    if (rs.surfaceResizePending) {
      rs.surfaceResizePending = false;
      if (Surface_Resize(rs.applicationSurface, rs.pendingResizeWidth, rs.pendingResizeHeight)) {
        Display_AppSurfaceSize = DisplayExtent{rs.pendingResizeWidth, rs.pendingResizeHeight};
      }
    }
  } else {
    rs.applicationSurfaceWidth = WindowWidth();
    rs.applicationSurfaceHeight = WindowHeight();
    Display_AppSurfaceSize = DisplayExtent{WindowWidth(), WindowHeight()};
    if (rs.applicationSurface >= 0 && Surface_Exists(rs.applicationSurface)) Surface_Free(rs.applicationSurface, true);
    rs.applicationSurface = kNoSurface;
  }
  app.inUse = app.enabled && rs.applicationSurface >= 0;
}

void WholeWindow() {
  GR_SetViewport(0, 0, WindowWidth(), WindowHeight());
  GR_SetView(0, 0, static_cast<float>(WindowWidth()), static_cast<float>(WindowHeight()), 0);
}

void DrawViews() {
  CRoom* room = Room_Current;
  const int32_t appSurface = g_RunState.applicationSurface;
  if (!room->enable_views) {
    g_RunState.viewCurrent = 0;
    GraphicsFlush();
    GR_SetViewport(0, 0, g_RunState.applicationSurfaceWidth, g_RunState.applicationSurfaceHeight);
    GR_SetView(0, 0, static_cast<float>(room->width), static_cast<float>(room->height), 0);
    DrawTheRoom(RoomDraw_CurrentArea());
    return;
  }
  (void)appSurface;
  if (room->clear_view_background) GR_Clear(WindowClearColour());
  for (int32_t n = 0; n < kRoomViewCount; ++n) {
    const CRoomView& v = room->views[n];
    if (!v.visible) continue;
    g_RunState.viewCurrent = n;
    const float savedX = g_AppSurface.portScaleX;
    const float savedY = g_AppSurface.portScaleY;
    bool ownSurface = false;
    if (v.surfaceId != -1 && Surface_Exists(v.surfaceId)) {
      GraphicsFlush();
      ownSurface = Surface_SetRoomTarget(v.surfaceId);
      g_AppSurface.viewSurfaceTexture = Surface_GetTexture(v.surfaceId);
      GR_SetViewport(0, 0, Surface_GetWidth(v.surfaceId), Surface_GetHeight(v.surfaceId));
    } else {
      const float sx = g_AppSurface.portScaleX;
      const float sy = g_AppSurface.portScaleY;
      GR_SetViewport(static_cast<int32_t>(static_cast<float>(v.port_x) * sx),
                     static_cast<int32_t>(static_cast<float>(v.port_y) * sy),
                     static_cast<int32_t>(static_cast<float>(v.port_w) * sx),
                     static_cast<int32_t>(static_cast<float>(v.port_h) * sy));
    }
    GR_SetView(v.view_x, v.view_y, v.view_w, v.view_h, v.angle);
    DrawTheRoom(RoomDraw_CurrentArea());
    if (ownSurface) Surface_ResetTarget();
    g_AppSurface.viewSurfaceTexture = -1;
    g_AppSurface.portScaleX = savedX;
    g_AppSurface.portScaleY = savedY;
  }
  GraphicsFlush();
}

void DrawCursor() {
  const int32_t sprite = g_RunState.cursorSprite;
  if (!g_RoomDrawSources.spriteExists(sprite)) return;
  Matrix44 view;
  Matrix_SetTranslation(&view, -static_cast<float>(WindowWidth()) / 2, -static_cast<float>(WindowHeight()) / 2,
                        16000.0f);
  GR_SetMatrix(kMatrixView, view);
  g_RoomDrawSources.drawCursor(sprite, 0.0f, static_cast<float>(Window_MouseX()), static_cast<float>(Window_MouseY()));
}

}  // namespace

void DrawRoom() {
  if (Room_Current == nullptr || g_D3D.device == nullptr) return;
  CRoom* room = Room_Current;
  UpkeepApplicationSurface();
  const bool inUse = g_AppSurface.inUse;
  const int32_t surface = g_RunState.applicationSurface;

  WholeWindow();
  g_AppSurface.portScaleX = 1.0f;
  g_AppSurface.portScaleY = 1.0f;

  const bool askClear = room->clear_display_buffer && inUse;
  const bool cleared = Room_PerformDrawEventClear(RoomDraw_CurrentArea(), kEventDraw, kDrawPre, askClear);
  const bool lateClear = askClear && !cleared;

  if (inUse) Surface_SetRoomTarget(surface);
  Room_SetupViews();
  g_RoomDrawSources.sortTiles(room);
  g_AppSurface.viewSurfaceTexture = -1;
  DrawViews();
  if (inUse) Surface_ResetTarget();

  const bool threeD = g_RenderLogical.threeD;
  const bool perspective = g_RenderLogical.perspective;
  g_RenderLogical.threeD = false;
  WholeWindow();
  const float portX = g_AppSurface.portScaleX;
  const float portY = g_AppSurface.portScaleY;
  g_AppSurface.portScaleX = 1.0f;
  g_AppSurface.portScaleY = 1.0f;

  if (lateClear) GR_Clear(WindowClearColour());
  Room_PerformDrawEvent(RoomDraw_CurrentArea(), kEventDraw, kDrawPost);

  if (Surface_StackDepth() != 0) {
    Error_Show("Unbalanced surface stack. You MUST use surface_reset_target() for each set.", false);
    // Popping what the game left keeps the next frames whole: only frames that are themselves
    // unbalanced lose their GUI and copy.
    while (Surface_StackDepth() > 0) {
      if (!Surface_ResetTarget()) {
        g_SurfaceTargets.depth = 0;
        break;
      }
    }
    g_RenderLogical.threeD = threeD;
    GR_Set3DMode(threeD);
    GR_SetPerspective(perspective);
    g_RunState.viewCurrent = 0;
    return;
  }

  g_AppSurface.portScaleX = portX;
  g_AppSurface.portScaleY = portY;
  if (g_RunState.applicationSurfaceDrawEnable && inUse) {
    GR_DrawApplicationSurface(surface, 0, 0, WindowWidth(), WindowHeight(), (g_D3D.headerFlags & kD3DFlagKeepAspect) != 0,
                              true);
  }

  g_RenderLogical.threeD = threeD;
  GR_Set3DMode(false);
  GR_SetDepth(0);
  g_GUI.inGUI = true;
  GR_SetGUIProjection();
  const RoomArea gui = RoomDraw_CurrentArea();
  Room_PerformDrawEvent(gui, kEventDraw, kDrawGUIBegin);
  Room_PerformDrawEvent(gui, kEventDraw, kDrawGUI);
  Room_PerformDrawEvent(gui, kEventDraw, kDrawGUIEnd);
  g_GUI.inGUI = false;

  DrawCursor();

  GR_Set3DMode(threeD);
  GR_SetPerspective(perspective);
  g_RunState.viewCurrent = 0;
}

void Room_SizeWindow() {
  CRoom* room = Room_Current;
  if (room == nullptr) return;
  int32_t width = room->width;
  int32_t height = room->height;
  if (room->enable_views) {
    width = 8;
    height = 8;
    // A port's far edge, which a script may set past the integer range: it stops at the limit.
    const auto farEdge = [](int32_t at, int32_t size) {
      return static_cast<int32_t>(std::clamp<int64_t>(int64_t{at} + size, INT32_MIN, INT32_MAX));
    };
    for (const CRoomView& v : room->views) {
      if (!v.visible) continue;
      width = std::max(width, farEdge(v.port_x, v.port_w));
      height = std::max(height, farEdge(v.port_y, v.port_h));
    }
  }
  if (Display_GetWidth() > 0) width = std::min(width, Display_GetWidth());
  if (Display_GetHeight() > 0) height = std::min(height, Display_GetHeight());
  if (width == Window_GetBackbufferWidth() && height == Window_GetBackbufferHeight()) return;
  GR_SetScreenSize(width, height);
}
