// Surfaces: off-screen images that scripts draw into by making them the render target and draw
// like sprites. Each owns one render-target texture slot and is known to scripts by an id; the
// room redraw keeps its application surface in the same table.
#pragma once

#include <cstdint>

class TBitmap;

struct Surface {
  int32_t id = 0;
  int32_t slot = -1;  // the texture slot, -1 while it has none
  int32_t width = 0;
  int32_t height = 0;
};

inline constexpr int32_t kSurfaceStackSize = 36;

// One saved target switch of slot 0.
struct SurfaceStackEntry {
  int32_t viewportX, viewportY, viewportWidth, viewportHeight;
  int32_t viewX, viewY, viewWidth, viewHeight;  // truncated toward zero
  float viewAngle;
  int32_t culling;
  int32_t boundIds[4];
  int32_t roomPass;  // set by the room redraw's own binding (the application or a view's surface)
};

struct SurfaceTargetState {
  int32_t boundIds[4] = {-1, -1, -1, -1};
  SurfaceStackEntry stack[kSurfaceStackSize] = {};
  int32_t depth = 0;
  int32_t nextId = 0;
};
extern SurfaceTargetState g_SurfaceTargets;

// The sprite-culling switch saved with every target switch; the sprite code points it at its own.
extern bool* g_SurfaceCullingSwitch;

int32_t Surface_Create(int32_t width, int32_t height, int32_t id);
bool Surface_Exists(int32_t id);
void Surface_Free(int32_t id, bool force);
bool Surface_Resize(int32_t id, int32_t width, int32_t height);
int32_t Surface_GetWidth(int32_t id);
int32_t Surface_GetHeight(int32_t id);
int32_t Surface_GetTexture(int32_t id);
Surface* Surface_FindRecord(int32_t id);
Surface* Surface_Release(int32_t id);
bool Surface_SetTarget(int32_t slot, int32_t id);
// The room redraw binds the application surface (and views' surfaces) for its whole pass; such a
// binding is not a surface the game chose to draw into, so sprites drawn there are still culled.
bool Surface_SetRoomTarget(int32_t id);
bool Surface_ResetTarget();
int32_t Surface_StackDepth();
// Whether a surface the game set with surface_set_target is among the bound targets.
bool Surface_ScriptTargetSet();

void Surface_Draw(int32_t id, float x, float y);
void Surface_DrawExt(int32_t id, float x, float y, float xScale, float yScale, float angle, uint32_t colour,
                     float alpha);
void Surface_DrawStretched(int32_t id, float x, float y, float width, float height, uint32_t colour, float alpha);
void Surface_DrawPart(int32_t id, float left, float top, float width, float height, float x, float y, float xScale,
                      float yScale, uint32_t colour, float alpha);
void Surface_DrawGeneral(int32_t id, float left, float top, float width, float height, float x, float y,
                         float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                         float alpha);
void Surface_DrawTiled(int32_t id, float x, float y, float xScale, float yScale, bool hTiled, bool vTiled,
                       float viewX, float viewY, float viewWidth, float viewHeight, uint32_t colour, float alpha);

// A copy of a rectangle of the surface; null without a record, a texture or for an empty
// rectangle or one too large to allocate.
TBitmap* Surface_ToBitmap(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height);
// Before a device reset and at shutdown: every surface goes and every id becomes unknown.
void Surface_FreeAll();
