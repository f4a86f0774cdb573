#include "render/render_setters.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "assets/bitmap.h"
#include "assets/texture.h"
#include "assets/texture_pixels.h"
#include "core/memory_manager.h"
#include "platform/d3d9/device_state.h"
#include "core/colour.h"
#include "render/d3d_device.h"
#include "render/frame.h"
#include "render/render_state.h"
#include "render/transform_3d.h"
#include "render/vertex_batch.h"

GR_LogicalState g_RenderLogical;
GR_ViewState g_GR_View;

namespace {

void SetStageSamplers(int32_t stage, int32_t firstKind, bool on) {
  CRenderStateManager::SetSamplerState(stage, firstKind, on ? 0 : 1);
  CRenderStateManager::SetSamplerState(stage, firstKind + 1, on ? 0 : 1);
}

void SetFloatState(int32_t id, float value) { CRenderStateManager::SetRenderState(id, D3D9_BitsFromFloat(value)); }

// Truncated toward zero; a view or matrix a script made huge (or not a number) cannot overflow.
int32_t Truncate(float value) {
  if (!(value == value)) return 0;
  return static_cast<int32_t>(std::clamp(value, -2147483520.0f, 2147483520.0f));
}

}  // namespace

void GR_SetBlendMode(int32_t mode) {
  uint32_t source = D3DBLEND_SRCALPHA;
  uint32_t destination = D3DBLEND_INVSRCALPHA;
  switch (mode) {
    case kBlendAdd: destination = D3DBLEND_ONE; break;
    case kBlendMax: destination = D3DBLEND_INVSRCCOLOR; break;
    case kBlendSubtract:
      source = D3DBLEND_ZERO;
      destination = D3DBLEND_INVSRCCOLOR;
      break;
    default: break;
  }
  CRenderStateManager::SetRenderState(kRS_SrcBlend, source);
  CRenderStateManager::SetRenderState(kRS_DestBlend, destination);
}

void GR_SetBlendModeExt(int32_t source, int32_t destination) {
  CRenderStateManager::SetRenderState(kRS_SrcBlend, static_cast<uint32_t>(source));
  CRenderStateManager::SetRenderState(kRS_DestBlend, static_cast<uint32_t>(destination));
}

void GR_SetColourWriteEnable(bool red, bool green, bool blue, bool alpha) {
  CRenderStateManager::SetRenderState(kRS_ColourWriteMask, (red ? 1u : 0u) | (green ? 2u : 0u) | (blue ? 4u : 0u) |
                                                               (alpha ? 8u : 0u));
}

void GR_SetAlphaTest(bool on) {
  if (g_D3D.device == nullptr) return;
  CRenderStateManager::SetRenderState(kRS_AlphaTest, on ? 1 : 0);
}

bool GR_GetAlphaTest() { return CRenderStateManager::GetRenderState(kRS_AlphaTest) != 0; }
void GR_SetAlphaTestRef(uint32_t value) { CRenderStateManager::SetRenderState(kRS_AlphaRef, value); }
uint32_t GR_GetAlphaTestRef() { return CRenderStateManager::GetRenderState(kRS_AlphaRef); }
void GR_SetCulling(bool on) { CRenderStateManager::SetRenderState(kRS_CullMode, on ? 2 : 0); }

void GR_SetHidden(bool on) {
  g_RenderLogical.hidden = on;
  CRenderStateManager::SetRenderState(kRS_DepthTest, g_RenderLogical.threeD && on ? 1 : 0);
}

void GR_SetLighting(bool on) { CRenderStateManager::SetRenderState(kRS_Lighting, on ? 1 : 0); }
void GR_SetShading(bool smooth) { CRenderStateManager::SetRenderState(kRS_ShadeMode, smooth ? 2 : 1); }
void GR_SetZWriteEnable(bool on) { CRenderStateManager::SetRenderState(kRS_DepthWrite, on ? 1 : 0); }
void GR_SetPerspective(bool on) { g_RenderLogical.perspective = on; }

int32_t GR_D3D_FogMode() {
  const DWORD caps = g_D3D.caps.RasterCaps;
  if ((caps & D3DPRASTERCAPS_FOGTABLE) != 0) return 1;
  if ((caps & D3DPRASTERCAPS_FOGVERTEX) != 0) return 2;
  return 0;
}

void GR_SetFog(bool on, uint32_t colour, int32_t start, int32_t end) {
  GR_LogicalState& s = g_RenderLogical;
  s.fog = on;
  s.fogColour = colour;
  s.fogStart = static_cast<float>(static_cast<int16_t>(start));
  s.fogEnd = static_cast<float>(static_cast<int16_t>(end));
  if (!on) {
    CRenderStateManager::SetRenderState(kRS_Fog, 0);
    return;
  }
  const int32_t kind = GR_D3D_FogMode();
  if (kind == 0) {
    s.fog = false;
    CRenderStateManager::SetRenderState(kRS_Fog, 0);
    return;
  }
  CRenderStateManager::SetRenderState(kRS_Fog, 1);
  if (kind == 1) {
    CRenderStateManager::SetRenderState(kRS_FogTableMode, 3);
  } else {
    CRenderStateManager::SetRenderState(kRS_FogVertexMode, 3);
    CRenderStateManager::SetRenderState(kRS_RangeFog, 1);
  }
  CRenderStateManager::SetRenderState(kRS_FogColour, Colour_ToVertex(colour, 255));
  GR_UpdateFogRange();
}

void GR_UpdateFogRange() {
  const GR_LogicalState& s = g_RenderLogical;
  const GR_ProjectionRecord& p = g_GR_View.projection;
  if (p.orthographic) {
    const float range = p.farZ - p.nearZ;
    SetFloatState(kRS_FogStart, (s.fogStart - p.nearZ) / range);
    SetFloatState(kRS_FogEnd, (s.fogEnd - p.nearZ) / range);
  } else {
    SetFloatState(kRS_FogStart, s.fogStart);
    SetFloatState(kRS_FogEnd, s.fogEnd);
  }
}

void GR_SetTextureInterpolation(bool on) {
  for (int32_t stage = 0; stage < 8; ++stage) GR_SetTextureInterpolationExt(stage, on);
}

void GR_SetTextureInterpolationExt(int32_t stage, bool on) {
  if (stage < 0 || stage > 7) return;
  g_RenderLogical.interpolate[stage] = on;
  SetStageSamplers(stage, 0, on);
}

void GR_SetTextureRepeat(bool on) {
  for (int32_t stage = 0; stage < 8; ++stage) GR_SetTextureRepeatExt(stage, on);
}

void GR_SetTextureRepeatExt(int32_t stage, bool on) {
  if (stage < 0 || stage > 7) return;
  g_RenderLogical.repeat[stage] = on;
  SetStageSamplers(stage, 2, on);
}

void GR_SetTextureBlending(bool on) {
  GraphicsFlush();
  Texture_SetStageOps(on ? 1 : 0);
}

bool GR_GetTextureInterpolation() { return g_RenderLogical.interpolate[0]; }
bool GR_GetTextureRepeat() { return g_RenderLogical.repeat[0]; }

void GR_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (g_D3D.device == nullptr) return;
  GraphicsFlush();
  GR_ViewState& v = g_GR_View;
  v.viewportX = x;
  v.viewportY = y;
  v.viewportWidth = width;
  v.viewportHeight = height;
  GR_D3D_SetViewport(x, y, width, height);
}

void GR_D3D_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (g_D3D.device == nullptr) return;
  const D3DVIEWPORT9 viewport{static_cast<DWORD>(x), static_cast<DWORD>(y), static_cast<DWORD>(width),
                              static_cast<DWORD>(height), 0.0f, 1.0f};
  g_D3D.device->SetViewport(&viewport);
}

void GR_SetView(float x, float y, float width, float height, float angle) {
  GR_ViewState& v = g_GR_View;
  v.viewX = x;
  v.viewY = y;
  v.viewWidth = width;
  v.viewHeight = height;
  v.viewAngle = angle;
  GR_ComputeViewBounds(x, y, width, height, angle);

  const float cx = x + width * 0.5f;
  const float cy = y + height * 0.5f;
  const float a = angle * kDegreesToRadians;
  const Vector3 up{std::sin(-a), std::cos(-a), 0.0f};
  Matrix44 view;
  Matrix44 projection;
  if (g_RenderLogical.threeD && g_RenderLogical.perspective) {
    // With the eye one view width away, the view rectangle fills the screen at depth 0.
    Matrix_LookAtLH(&view, {cx, cy, -width}, {cx, cy, 0.0f}, up);
    v.projection = GR_ProjectionRecord{1.0f, 32000.0f, false};
    Matrix_PerspectiveLH(&projection, 1.0f, height / width, 1.0f, 32000.0f);
  } else {
    Matrix_LookAtLH(&view, {cx, cy, -16000.0f}, {cx, cy, 0.0f}, up);
    v.projection = GR_ProjectionRecord{1.0f, 32000.0f, true};
    // Room y grows downwards on the screen, except in three-dimensional mode.
    Matrix_OrthoLH(&projection, width, g_RenderLogical.threeD ? height : -height, 1.0f, 32000.0f);
  }
  GR_SetMatrix(kMatrixView, view);
  GR_SetMatrix(kMatrixProjection, projection);
}

void GR_ComputeViewBounds(float x, float y, float width, float height, float angle) {
  GR_ViewState& v = g_GR_View;
  if (std::fabs(angle) < 0.001f) {
    v.boundsLeft = Truncate(x - 0.999f);
    v.boundsTop = Truncate(y - 0.999f);
    v.boundsRight = Truncate(x + width + 0.999f);
    v.boundsBottom = Truncate(y + height + 0.999f);
    return;
  }
  const float a = angle * kDegreesToRadians;
  const float s = std::fabs(std::sin(a));
  const float c = std::fabs(std::cos(a));
  const float w = c * width + s * height;
  const float h = s * width + c * height;
  v.boundsLeft = Truncate(x + (width - w) / 2.0f);
  v.boundsTop = Truncate(y + (height - h) / 2.0f);
  v.boundsRight = Truncate(x + (width + w) / 2.0f);
  v.boundsBottom = Truncate(y + (height + h) / 2.0f);
}

void GR_InvalidateCullRect() { g_GR_View.cullDirty = true; }

void GR_UpdateCullRect() {
  GR_ViewState& v = g_GR_View;
  if (!v.cullDirty) return;
  Matrix44 inverse;
  GR_GetMatrix(kMatrixWorld, &inverse);
  Matrix_Invert(&inverse);  // a singular matrix is used as it is
  const float corners[4][2] = {{static_cast<float>(v.boundsLeft), static_cast<float>(v.boundsTop)},
                               {static_cast<float>(v.boundsRight), static_cast<float>(v.boundsTop)},
                               {static_cast<float>(v.boundsRight), static_cast<float>(v.boundsBottom)},
                               {static_cast<float>(v.boundsLeft), static_cast<float>(v.boundsBottom)}};
  const float* m = inverse.m;
  for (int i = 0; i < 4; ++i) {
    const float x = corners[i][0], y = corners[i][1];
    const int32_t tx = Truncate(x * m[0] + y * m[4] + m[12]);
    const int32_t ty = Truncate(x * m[1] + y * m[5] + m[13]);
    v.cullMinX = i == 0 ? tx : std::min(v.cullMinX, tx);
    v.cullMaxX = i == 0 ? tx : std::max(v.cullMaxX, tx);
    v.cullMinY = i == 0 ? ty : std::min(v.cullMinY, ty);
    v.cullMaxY = i == 0 ? ty : std::max(v.cullMaxY, ty);
  }
  v.cullDirty = false;
}

void GR_SetScreenSize(int32_t width, int32_t height) {
  const int32_t screenWidth = Display_GetWidth();
  const int32_t screenHeight = Display_GetHeight();
  if (screenWidth > 0) width = std::min(width, screenWidth);
  if (screenHeight > 0) height = std::min(height, screenHeight);
  if (width == g_D3D.screenWidth && height == g_D3D.screenHeight) return;
  g_D3D.screenWidth = width;
  g_D3D.screenHeight = height;
  if (g_D3D.device != nullptr) {
    GraphicsFlush();
    GR_SetViewport(0, 0, width, height);
  }
  GR_SetView(0, 0, static_cast<float>(width), static_cast<float>(height), 0);
}

TBitmap* GR_GrabScreenBitmap(int32_t x, int32_t y, int32_t width, int32_t height) {
  const GR_ViewState& v = g_GR_View;
  x = std::max(x, 0);
  y = std::max(y, 0);
  const int32_t areaWidth = static_cast<int32_t>(std::clamp<int64_t>(int64_t{v.boundsRight} - v.boundsLeft, 0, INT32_MAX));
  const int32_t areaHeight = static_cast<int32_t>(std::clamp<int64_t>(int64_t{v.boundsBottom} - v.boundsTop, 0, INT32_MAX));
  width = std::min(width, areaWidth - x);
  height = std::min(height, areaHeight - y);
  if (width < 1 || height < 1) return nullptr;
  TBitmap* bitmap = TBitmap_Create();
  bitmap->SetPixelFormat(kBitmap32);
  bitmap->SetWidth(width);
  bitmap->SetHeight(height);
  uint8_t* block = GR_D3D_GetScreenPixels(areaWidth, areaHeight, x, y, &width, &height);
  if (block != nullptr) {
    GR_CopyBlockToBitmap(bitmap, block, width, height);
    MEM_FREE(block);
  }
  return bitmap;
}

void GR_CopyBlockToBitmap(TBitmap* bitmap, const uint8_t* block, int32_t width, int32_t height) {
  const size_t rowBytes = static_cast<size_t>(width) * 4;
  for (int32_t row = 0; row < height; ++row) {
    uint8_t* to = nullptr;
    int32_t stride = 0;
    bitmap->ScanLine(row, &to, &stride);
    if (to != nullptr) std::memcpy(to, block + static_cast<size_t>(row) * rowBytes, rowBytes);
  }
  bitmap->Unlock(nullptr);
}

uint32_t GR_GetPixel(int32_t x, int32_t y) {
  int32_t width = 1;
  int32_t height = 1;
  uint8_t* block = GR_D3D_GetScreenPixels(g_D3D.screenWidth, g_D3D.screenHeight, x, y, &width, &height);
  if (block == nullptr) return 0;
  uint32_t pixel;
  std::memcpy(&pixel, block, sizeof pixel);
  MEM_FREE(block);
  return (pixel & 0xFF00FF00u) | ((pixel >> 16) & 0xFF) | ((pixel & 0xFF) << 16);
}
