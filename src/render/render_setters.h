// The render-state setters of the drawing and three-dimensional script functions, the logical
// flags kept beside the state cache, the viewport, the two-dimensional view with its bounds and
// cull rectangle, the screen size, and reading the screen back.
#pragma once

#include <cstdint>

class TBitmap;

// The logical state the setters keep beside the state cache; CRenderStateManager::Reset sets it.
struct GR_LogicalState {
  bool perspective = true;
  bool hidden = true;
  bool fog = false;
  uint32_t fogColour = 0;  // the script colour, so that re-applying it converts it once
  float fogStart = 0.0f;
  float fogEnd = 1.0f;
  bool interpolate[8] = {true, true, true, true, true, true, true, true};
  bool repeat[8] = {};
  bool threeD = false;  // three-dimensional mode
};
extern GR_LogicalState g_RenderLogical;

// The projection views were last set with; fog distances are fractions of its depth range when
// it is orthographic.
struct GR_ProjectionRecord {
  float nearZ = 1.0f;
  float farZ = 32000.0f;
  bool orthographic = true;
};

struct GR_ViewState {
  int32_t viewportX = 0, viewportY = 0, viewportWidth = 0, viewportHeight = 0;
  float viewX = 0, viewY = 0, viewWidth = 0, viewHeight = 0, viewAngle = 0;
  GR_ProjectionRecord projection;
  // The room area the current view covers.
  int32_t boundsLeft = 0, boundsTop = 0, boundsRight = 0, boundsBottom = 0;
  // The world-space area visible through the view; recomputed when marked.
  int32_t cullMinX = 0, cullMinY = 0, cullMaxX = 0, cullMaxY = 0;
  bool cullDirty = true;
  // Set while a script's or a surface's own projection is in force: sprites skip view culling.
  bool customProjection = false;
};
extern GR_ViewState g_GR_View;

// Blend modes of draw_set_blend_mode.
inline constexpr int32_t kBlendNormal = 0;
inline constexpr int32_t kBlendAdd = 1;
inline constexpr int32_t kBlendMax = 2;
inline constexpr int32_t kBlendSubtract = 3;

void GR_SetBlendMode(int32_t mode);
void GR_SetBlendModeExt(int32_t source, int32_t destination);
void GR_SetColourWriteEnable(bool red, bool green, bool blue, bool alpha);
void GR_SetAlphaTest(bool on);
bool GR_GetAlphaTest();
void GR_SetAlphaTestRef(uint32_t value);
uint32_t GR_GetAlphaTestRef();
void GR_SetCulling(bool on);
void GR_SetHidden(bool on);
void GR_SetLighting(bool on);
void GR_SetShading(bool smooth);
void GR_SetZWriteEnable(bool on);
void GR_SetPerspective(bool on);
// Start and end are taken as 16-bit signed whole numbers.
void GR_SetFog(bool on, uint32_t colour, int32_t start, int32_t end);
// 1 table fog, 2 vertex fog, 0 none, from the device's capabilities.
int32_t GR_D3D_FogMode();
void GR_UpdateFogRange();
void GR_SetTextureInterpolation(bool on);
void GR_SetTextureInterpolationExt(int32_t stage, bool on);
void GR_SetTextureRepeat(bool on);
void GR_SetTextureRepeatExt(int32_t stage, bool on);
void GR_SetTextureBlending(bool on);
bool GR_GetTextureInterpolation();
bool GR_GetTextureRepeat();

// Nothing without a device; flushes first.
void GR_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height);
void GR_D3D_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height);
// View and projection for a rectangle of the room; callers mark the cull rectangle themselves.
void GR_SetView(float x, float y, float width, float height, float angle);
void GR_ComputeViewBounds(float x, float y, float width, float height, float angle);
void GR_InvalidateCullRect();
void GR_UpdateCullRect();
void GR_SetScreenSize(int32_t width, int32_t height);
// A new 32-bit bitmap of that part of the screen, or null when nothing of it can be read.
TBitmap* GR_GrabScreenBitmap(int32_t x, int32_t y, int32_t width, int32_t height);
// Copies a block of width x height 32-bit pixels (rows without padding) into the bitmap's rows.
void GR_CopyBlockToBitmap(TBitmap* bitmap, const uint8_t* block, int32_t width, int32_t height);
// The screen pixel as a script colour with alpha on top; 0 when it cannot be read.
uint32_t GR_GetPixel(int32_t x, int32_t y);
