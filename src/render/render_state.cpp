#include "render/render_state.h"

#include <cstring>

#include "assets/texture.h"
#include "core/value.h"
#include "io/buffer.h"
#include "platform/d3d9/d3d9.h"
#include "render/d3d_device.h"
#include "render/render_setters.h"
#include "render/vertex_batch.h"

CRenderStateManager g_RenderStates;

namespace {

constexpr uint64_t kAllSamplerStates = (uint64_t{1} << kSamplerStateCount) - 1;

// Defaults after Reset; id 0 has none.
constexpr uint32_t kRenderDefaults[kRenderStateCount] = {
    0,  0, 3, 2, 1, 0, 5, 6, 0, 4, 0, 5, 1, 0, 0, 0, 1,
    0,  // fog start 0.0
    0x3F800000u,  // fog end 1.0
    0,  0, 0, 0, 3, 15, 0, 1, 1, 1, 8, 0, 0xFFFFFFFFu, 0xFFFFFFFFu};

// The device state each id sets; 0 where an id sends nothing.
constexpr DWORD kDeviceState[kRenderStateCount] = {
    0,
    D3DRS_ZENABLE,
    D3DRS_FILLMODE,
    D3DRS_SHADEMODE,
    D3DRS_ZWRITEENABLE,
    D3DRS_ALPHATESTENABLE,
    D3DRS_SRCBLEND,
    D3DRS_DESTBLEND,
    D3DRS_CULLMODE,
    D3DRS_ZFUNC,
    D3DRS_ALPHAREF,
    D3DRS_ALPHAFUNC,
    D3DRS_ALPHABLENDENABLE,
    D3DRS_FOGENABLE,
    0,
    D3DRS_FOGCOLOR,
    D3DRS_FOGTABLEMODE,
    D3DRS_FOGSTART,
    D3DRS_FOGEND,
    0,
    D3DRS_RANGEFOGENABLE,
    D3DRS_LIGHTING,
    0,
    D3DRS_FOGVERTEXMODE,
    D3DRS_COLORWRITEENABLE,
    D3DRS_STENCILENABLE,
    D3DRS_STENCILFAIL,
    D3DRS_STENCILZFAIL,
    D3DRS_STENCILPASS,
    D3DRS_STENCILFUNC,
    D3DRS_STENCILREF,
    D3DRS_STENCILMASK,
    D3DRS_STENCILWRITEMASK,
};

uint32_t BlendMap(uint32_t v) { return v >= 2 && v <= 17 ? v : D3DBLEND_ZERO; }
uint32_t CompareMap(uint32_t v) { return v >= 1 && v <= 7 ? v : D3DCMP_ALWAYS; }
uint32_t StencilOpMap(uint32_t v) { return v >= 2 && v <= 8 ? v : D3DSTENCILOP_KEEP; }
uint32_t FogModeMap(uint32_t v) { return v <= 2 ? v : D3DFOG_LINEAR; }
uint32_t CullMap(uint32_t v) { return v == 1 ? D3DCULL_CW : v == 2 ? D3DCULL_CCW : D3DCULL_NONE; }
uint32_t FillMap(uint32_t v) { return v == 1 ? D3DFILL_POINT : v == 2 ? D3DFILL_WIREFRAME : D3DFILL_SOLID; }
uint32_t ShadeMap(uint32_t v) { return v == 1 ? D3DSHADE_FLAT : D3DSHADE_GOURAUD; }

void Record(uint32_t* pending, const uint32_t* applied, uint64_t* mask, int32_t index, uint32_t value) {
  if (pending[index] == value) return;
  const uint64_t bit = uint64_t{1} << index;
  if (applied[index] == value) {
    *mask &= ~bit;
  } else {
    *mask |= bit;
  }
  pending[index] = value;
  g_RenderStates.dirty = g_RenderStates.renderDirty | g_RenderStates.samplerDirty;
}

}  // namespace

uint32_t GR_D3D_TranslateRenderValue(int32_t id, uint32_t value) {
  switch (id) {
    case kRS_FillMode: return FillMap(value);
    case kRS_ShadeMode: return ShadeMap(value);
    case kRS_SrcBlend:
    case kRS_DestBlend: return BlendMap(value);
    case kRS_CullMode: return CullMap(value);
    case kRS_DepthCompare:
    case kRS_AlphaCompare:
    case kRS_StencilCompare: return CompareMap(value);
    case kRS_FogTableMode:
    case kRS_FogVertexMode: return FogModeMap(value);
    case kRS_ColourWriteMask: return value & 0xF;
    case kRS_StencilFail:
    case kRS_StencilDepthFail:
    case kRS_StencilPass: return StencilOpMap(value);
    default: return value;
  }
}

void GR_D3D_ApplyRenderState(int32_t id, uint32_t value) {
  if (id < 0 || id >= kRenderStateCount || kDeviceState[id] == 0 || g_D3D.device == nullptr) return;
  g_D3D.device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(kDeviceState[id]), GR_D3D_TranslateRenderValue(id, value));
}

void GR_D3D_ApplySamplerState(int32_t stage, int32_t kind, uint32_t value) {
  if (stage < 0 || stage > 7 || kind < 0 || kind > 3 || g_D3D.device == nullptr) return;
  static constexpr D3DSAMPLERSTATETYPE kTypes[4] = {D3DSAMP_MAGFILTER, D3DSAMP_MINFILTER, D3DSAMP_ADDRESSU,
                                                    D3DSAMP_ADDRESSV};
  DWORD deviceValue;
  if (kind < 2) {
    deviceValue = value == 0 ? D3DTEXF_LINEAR : D3DTEXF_POINT;
  } else {
    deviceValue = value == 0 ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
  }
  g_D3D.device->SetSamplerState(static_cast<DWORD>(stage), kTypes[kind], deviceValue);
}

void CRenderStateManager::Reset() {
  CRenderStateManager& s = g_RenderStates;
  std::memcpy(s.appliedRender, kRenderDefaults, sizeof kRenderDefaults);
  std::memcpy(s.pendingRender, kRenderDefaults, sizeof kRenderDefaults);
  s.renderDirty = ~uint64_t{0};
  std::memset(s.appliedSampler, 0, sizeof s.appliedSampler);
  std::memset(s.pendingSampler, 0, sizeof s.pendingSampler);
  s.dirty = s.renderDirty | s.samplerDirty;

  GR_LogicalState& logical = g_RenderLogical;
  logical.fogStart = 0.0f;
  logical.fogEnd = 1.0f;
  logical.perspective = true;
  logical.hidden = true;
  for (bool& on : logical.interpolate) on = true;
  logical.fog = false;
  logical.fogColour = 0;
  for (bool& on : logical.repeat) on = false;
}

void CRenderStateManager::SetRenderState(int32_t id, uint32_t value) {
  CRenderStateManager& s = g_RenderStates;
  Record(s.pendingRender, s.appliedRender, &s.renderDirty, id, value);
}

void CRenderStateManager::SetSamplerState(int32_t stage, int32_t kind, uint32_t value) {
  CRenderStateManager& s = g_RenderStates;
  Record(s.pendingSampler, s.appliedSampler, &s.samplerDirty, stage * 4 + kind, value);
}

uint32_t CRenderStateManager::GetRenderState(int32_t id) {
  if (id < 0 || id >= kRenderStateCount) return 0;
  return g_RenderStates.pendingRender[id];
}

uint32_t CRenderStateManager::GetSamplerState(int32_t stage, int32_t kind) {
  if (stage < 0 || stage > 7 || kind < 0 || kind > 3) return 0;
  return g_RenderStates.pendingSampler[stage * 4 + kind];
}

void CRenderStateManager::SaveStates() {
  CRenderStateManager& s = g_RenderStates;
  std::memcpy(s.savedRender, s.pendingRender, sizeof s.savedRender);
  std::memcpy(s.savedSampler, s.pendingSampler, sizeof s.savedSampler);
}

void CRenderStateManager::RestoreStates() {
  CRenderStateManager& s = g_RenderStates;
  for (int32_t id = 0; id < kRenderStateCount; ++id) SetRenderState(id, s.savedRender[id]);
  for (int32_t i = 0; i < kSamplerStateCount; ++i) SetSamplerState(i / 4, i % 4, s.savedSampler[i]);
}

void CRenderStateManager::Apply() {
  CRenderStateManager& s = g_RenderStates;
  if (s.renderDirty != 0) {
    for (int32_t id = 0; id < kRenderStateCount; ++id) {
      if ((s.renderDirty & (uint64_t{1} << id)) == 0) continue;
      GR_D3D_ApplyRenderState(id, s.pendingRender[id]);
      s.appliedRender[id] = s.pendingRender[id];
    }
    s.renderDirty = 0;
  }
  if (s.samplerDirty != 0) {
    for (int32_t i = 0; i < kSamplerStateCount; ++i) {
      if ((s.samplerDirty & (uint64_t{1} << i)) == 0) continue;
      GR_D3D_ApplySamplerState(i / 4, i % 4, s.pendingSampler[i]);
      s.appliedSampler[i] = s.pendingSampler[i];
    }
    s.samplerDirty = 0;
  }
  s.dirty = 0;
}

void CRenderStateManager::ApplyAll() {
  CRenderStateManager& s = g_RenderStates;
  s.renderDirty = ~uint64_t{0};
  s.samplerDirty = kAllSamplerStates;
  s.dirty = s.renderDirty | s.samplerDirty;
  Apply();
}

int32_t CRenderStateManager::WriteToBuffer(IBuffer* buffer) {
  for (int32_t id = 1; id < kRenderStateCount; ++id) {
    RValue word = {{static_cast<double>(g_RenderStates.pendingRender[id])}, 0, VALUE_REAL};
    buffer->Write(eBuffer_U32, &word);
  }
  return kRenderStateCount - 1;
}

void GR_RestoreRenderStates() {
  if (g_D3D.device == nullptr) return;
  GR_LogicalState& logical = g_RenderLogical;
  CRenderStateManager::SetRenderState(kRS_AlphaBlend, 1);
  CRenderStateManager::SetRenderState(kRS_DepthTest, logical.threeD && logical.hidden ? 1 : 0);
  GR_SetFog(logical.fog, logical.fogColour, static_cast<int32_t>(logical.fogStart), static_cast<int32_t>(logical.fogEnd));
  Texture_Bind(0, nullptr);
  GR_SetTextureInterpolation(g_D3D.interpolate);
  GraphicsFlush();
  Texture_SetStageOps(1);
  GR_SetTextureRepeat(logical.repeat[0]);
  CRenderStateManager::ApplyAll();
}
