// STAND-IN: see frame_stand_in.h.
#include "render/frame_stand_in.h"

#include <algorithm>

#include "platform/d3d9/device_state.h"
#include "render/d3d_device.h"
#include "render/frame_services.h"
#include "render/lifecycle.h"
#include "render/overlay_draw.h"
#include "render/render_state.h"
#include "render/vertex_batch.h"

GR_LogicalState g_RenderLogical;

namespace {

void SetSamplerKinds(int32_t firstKind, uint32_t value) {
  for (int32_t stage = 0; stage < 8; ++stage) {
    CRenderStateManager::SetSamplerState(stage, firstKind, value);
    CRenderStateManager::SetSamplerState(stage, firstKind + 1, value);
  }
}

}  // namespace

void GR_SetFog(bool on, uint32_t colour, int32_t start, int32_t end) {
  GR_LogicalState& s = g_RenderLogical;
  s.fog = on;
  s.fogColour = colour;
  s.fogStart = static_cast<float>(static_cast<int16_t>(start));
  s.fogEnd = static_cast<float>(static_cast<int16_t>(end));
  const DWORD caps = g_D3D.caps.RasterCaps;
  const int kind = (caps & D3DPRASTERCAPS_FOGTABLE) != 0 ? 1 : (caps & D3DPRASTERCAPS_FOGVERTEX) != 0 ? 2 : 0;
  if (!on || kind == 0) {
    s.fog = on && kind != 0;
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
  CRenderStateManager::SetRenderState(kRS_FogColour, colour | 0xFF000000u);
  CRenderStateManager::SetRenderState(kRS_FogStart, D3D9_BitsFromFloat(s.fogStart));
  CRenderStateManager::SetRenderState(kRS_FogEnd, D3D9_BitsFromFloat(s.fogEnd));
}

void GR_SetTextureInterpolation(bool on) {
  for (bool& flag : g_RenderLogical.interpolate) flag = on;
  SetSamplerKinds(0, on ? 0 : 1);
}

void GR_SetTextureRepeat(bool on) {
  for (bool& flag : g_RenderLogical.repeat) flag = on;
  SetSamplerKinds(2, on ? 0 : 1);
}

bool GR_GetTextureRepeat() { return g_RenderLogical.repeat[0]; }

void GR_SetViewport(int32_t x, int32_t y, int32_t width, int32_t height) {
  if (g_D3D.device == nullptr) return;
  GraphicsFlush();
  const D3DVIEWPORT9 viewport{static_cast<DWORD>(x), static_cast<DWORD>(y), static_cast<DWORD>(width),
                              static_cast<DWORD>(height), 0.0f, 1.0f};
  g_D3D.device->SetViewport(&viewport);
}

void GR_SetView(float x, float y, float width, float height, float) {
  if (g_D3D.device == nullptr || width == 0 || height == 0) return;
  GraphicsFlush();
  // An orthographic view of the rectangle, y growing downwards, depth 0 in the middle of the range.
  D3DMATRIX projection{};
  projection.m[0][0] = 2.0f / width;
  projection.m[1][1] = -2.0f / height;
  projection.m[2][2] = 1.0f / 31999.0f;
  projection.m[3][0] = -(2.0f * x + width) / width;
  projection.m[3][1] = (2.0f * y + height) / height;
  projection.m[3][2] = 15999.0f / 31999.0f;
  projection.m[3][3] = 1.0f;
  const D3DMATRIX identity = D3D9_Identity();
  g_D3D.device->SetTransform(D3DTS_VIEW, &identity);
  g_D3D.device->SetTransform(D3DTS_PROJECTION, &projection);
}

void GR_SetScreenSize(int32_t width, int32_t height) {
  const int32_t screenWidth = Display_GetWidth();
  const int32_t screenHeight = Display_GetHeight();
  if (screenWidth > 0) width = std::min(width, screenWidth);
  if (screenHeight > 0) height = std::min(height, screenHeight);
  if (width == g_D3D.screenWidth && height == g_D3D.screenHeight) return;
  g_D3D.screenWidth = width;
  g_D3D.screenHeight = height;
  if (g_D3D.device != nullptr) GR_SetViewport(0, 0, width, height);
  GR_SetView(0, 0, static_cast<float>(width), static_cast<float>(height), 0);
}

void GR_SetWorldIdentity() {
  if (g_D3D.device == nullptr) return;
  GraphicsFlush();
  const D3DMATRIX identity = D3D9_Identity();
  g_D3D.device->SetTransform(D3DTS_WORLD, &identity);
}

void GR_D3D_Clear(uint32_t flags, uint32_t colour, float depth, uint32_t stencil) {
  if (g_D3D.device == nullptr) return;
  GraphicsFlush();
  g_D3D.device->Clear(0, nullptr, flags, colour, depth, stencil);
}

// No screen effect is drawn yet, and the window keeps the size the start-up gave it: views and
// the window follow the room once the room redraw is built.
void Effect_Clear() {}
void Room_SizeWindow() {}
void Surface_FreeAll() {}
void DebugOverlay_FrameBegin() {}
void DebugOverlay_FrameEnd() { DebugOverlay_AdvanceFrame(); }
void Display_ReportFPS() {}

void Start_Frame() { GR_D3D_BeginScene(); }

void End_Frame(bool present) {
  GR_D3D_EndScene();
  if (present) GR_D3D_Present();
}
