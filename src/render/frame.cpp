#include "render/frame.h"

#include <cstring>
#include <vector>

#include "assets/texture.h"
#include "runtime/frame_timing.h"
#include "runtime/debug_services.h"
#include "platform/d3d9/device_state.h"
#include "render/d3d_device.h"
#include "render/debug_overlay.h"
#include "render/frame_stand_in.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "render/render_state.h"
#include "render/vertex_batch.h"

GR_FrameState g_GR_Frame;

namespace {

D3DMATRIX ToDevice(const Matrix44& m) {
  D3DMATRIX d;
  static_assert(sizeof d == sizeof m);
  std::memcpy(&d, &m, sizeof d);
  return d;
}

constexpr D3DTRANSFORMSTATETYPE kTransformOf[3] = {D3DTS_VIEW, D3DTS_PROJECTION, D3DTS_WORLD};

// Direct3D's clear for adapters where it is unreliable: a quad over each bound target, drawn with
// every state that could keep a pixel from being written switched off, and everything put back.
void ManualClear(uint32_t packed, float depth, uint32_t flags) {
  IDirect3DDevice9* device = g_D3D.device;
  std::vector<IDirect3DSurface9*> targets;
  for (int32_t i = 0; i < g_D3D.maxRenderTargets; ++i) {
    IDirect3DSurface9* target = nullptr;
    if (SUCCEEDED(device->GetRenderTarget(static_cast<DWORD>(i), &target)) && target != nullptr) {
      targets.push_back(target);
    }
  }
  IDirect3DSurface9* depthSurface = nullptr;
  if (FAILED(device->GetDepthStencilSurface(&depthSurface))) depthSurface = nullptr;

  GR_FrameState& f = g_GR_Frame;
  const Matrix44 world = f.matrices[kMatrixWorld];
  const Matrix44 view = f.matrices[kMatrixView];
  const Matrix44 projection = f.matrices[kMatrixProjection];
  CRenderStateManager::SaveStates();
  Shader* shader = Shader_GetCurrent();
  Shader_MakeCurrent(nullptr);

  CRenderStateManager::SetRenderState(kRS_DepthTest, 1);
  CRenderStateManager::SetRenderState(kRS_DepthCompare, 8);  // always
  CRenderStateManager::SetRenderState(kRS_AlphaBlend, 0);
  CRenderStateManager::SetRenderState(kRS_AlphaTest, 0);
  CRenderStateManager::SetRenderState(kRS_Lighting, 0);
  CRenderStateManager::SetRenderState(kRS_CullMode, 0);
  CRenderStateManager::SetRenderState(kRS_ColourWriteMask, (flags & kClearTarget) != 0 ? 15 : 0);
  CRenderStateManager::SetRenderState(kRS_DepthWrite, (flags & kClearDepth) != 0 ? 1 : 0);

  f.halfPixel = false;
  const Matrix44 identity = Matrix_Identity();
  for (int32_t index : {kMatrixWorld, kMatrixView, kMatrixProjection}) {
    GR_SetMatrix(index, identity);
    GR_InvalidateCullRect();
  }

  const bool several = targets.size() > 1;
  if (several) {
    Texture_PushTarget();
    for (int32_t i = 1; i < g_D3D.maxRenderTargets; ++i) device->SetRenderTarget(static_cast<DWORD>(i), nullptr);
  }
  struct Corner {
    float x, y, z;
    uint32_t colour;
  };
  for (size_t i = 0; i < targets.size(); ++i) {
    if (several) {
      device->SetRenderTarget(0, targets[i]);
      device->SetDepthStencilSurface(i == 0 ? depthSurface : nullptr);
    }
    auto* v = static_cast<Corner*>(GR_AllocVerts(D3DPT_TRIANGLESTRIP, nullptr, 16, 4));
    v[0] = {-1.0f, -1.0f, depth, packed};
    v[1] = {-1.0f, 1.0f, depth, packed};
    v[2] = {1.0f, -1.0f, depth, packed};
    v[3] = {1.0f, 1.0f, depth, packed};
    GraphicsFlush();
  }
  if (several) Texture_PopTarget();
  for (IDirect3DSurface9* target : targets) target->Release();
  if (depthSurface != nullptr) depthSurface->Release();

  CRenderStateManager::RestoreStates();
  // The saved projection carries its correction already: the flag stays off until it is back.
  GR_SetMatrix(kMatrixWorld, world);
  GR_InvalidateCullRect();
  GR_SetMatrix(kMatrixView, view);
  GR_InvalidateCullRect();
  GR_SetMatrix(kMatrixProjection, projection);
  GR_InvalidateCullRect();
  Shader_MakeCurrent(shader);
  f.halfPixel = true;
}

}  // namespace

bool Start_Frame() {
  if (g_D3D.device == nullptr) return false;
  ProfilerScope scope(kProfilerMarkerStartFrame);
  GR_D3D_BeginScene();
  return true;
}

bool End_Frame(bool present) {
  if (g_D3D.device == nullptr) return false;
  ProfilerScope scope(kProfilerMarkerEndFrame);
  GR_D3D_EndScene();
  if (present) {
    const int64_t before = Timing_GetTime();
    GR_D3D_Present();
    g_GR_Frame.presentTime = Timing_GetTime() - before;
  }
  return true;
}

void GR_GetMatrix(int32_t index, Matrix44* out) {
  if (index < 0 || index > 2) return;
  *out = g_GR_Frame.matrices[index];
}

void GR_SetMatrix(int32_t index, const Matrix44& matrix) {
  if (g_D3D.device == nullptr || index < 0 || index > 2) return;
  GraphicsFlush();
  GR_FrameState& f = g_GR_Frame;
  Matrix44& slot = f.matrices[index];
  slot = matrix;
  if (index == kMatrixProjection && f.halfPixel) {
    // Half a pixel left and up in clip space puts texel centres on pixel centres.
    const GR_ViewState& v = g_GR_View;
    if (v.viewportWidth != 0) slot.m[12] -= 1.0f / static_cast<float>(v.viewportWidth);
    if (v.viewportHeight != 0) slot.m[13] += 1.0f / static_cast<float>(v.viewportHeight);
    g_GR_Draw.offsetX = 1.0f;
    g_GR_Draw.offsetY = 1.0f;
  }
  Matrix_Multiply(&f.matrices[kMatrixWorldView], f.matrices[kMatrixWorld], f.matrices[kMatrixView]);
  Matrix_Multiply(&f.matrices[kMatrixWorldViewProjection], f.matrices[kMatrixWorldView], f.matrices[kMatrixProjection]);
  const D3DMATRIX device = ToDevice(slot);
  g_D3D.device->SetTransform(kTransformOf[index], &device);
  if (index == kMatrixProjection) GR_UpdateFogRange();
  if (Shader_GetCurrent() != nullptr) Shader_UploadMatrices(f.matrices);
}

void GR_D3D_Clear(uint32_t colour, float depth, uint32_t stencil, uint32_t flags) {
  if (g_D3D.device == nullptr || flags == 0 || g_D3D.sceneDepth == 0) return;
  GraphicsFlush();
  const uint32_t packed = (colour & 0xFF00FF00u) | ((colour >> 16) & 0xFF) | ((colour & 0xFF) << 16);
  if (g_D3D.manualClears) {
    ManualClear(packed, depth, flags);
    return;
  }
  g_D3D.device->Clear(0, nullptr, flags & (kClearTarget | kClearDepth | kClearStencil), packed, depth, stencil);
}

void GR_D3D_InitTiming() {
  g_D3D.sceneDepth = 0;
  DebugOverlay_Init();
}
