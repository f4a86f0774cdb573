// The render-state cache: every fixed-function state that drawing changes is recorded here and
// reaches the device only when the batch drawn under the old state has been sent (GraphicsFlush).
// The runner numbers its render states 1-32 and its sampler states by stage (0-7) and kind
// (0 mag filter, 1 min filter, 2 address u, 3 address v); its value codes are translated to the
// device's here.
#pragma once

#include <cstdint>

class IBuffer;

inline constexpr int32_t kRenderStateCount = 33;   // ids 0-32; 0 names no state
inline constexpr int32_t kSamplerStateCount = 32;  // 8 stages x 4 kinds

// Render-state ids.
enum : int32_t {
  kRS_DepthTest = 1,
  kRS_FillMode = 2,
  kRS_ShadeMode = 3,
  kRS_DepthWrite = 4,
  kRS_AlphaTest = 5,
  kRS_SrcBlend = 6,
  kRS_DestBlend = 7,
  kRS_CullMode = 8,
  kRS_DepthCompare = 9,
  kRS_AlphaRef = 10,
  kRS_AlphaCompare = 11,
  kRS_AlphaBlend = 12,
  kRS_Fog = 13,
  kRS_FogColour = 15,
  kRS_FogTableMode = 16,
  kRS_FogStart = 17,
  kRS_FogEnd = 18,
  kRS_RangeFog = 20,
  kRS_Lighting = 21,
  kRS_FogVertexMode = 23,
  kRS_ColourWriteMask = 24,
  kRS_Stencil = 25,
  kRS_StencilFail = 26,
  kRS_StencilDepthFail = 27,
  kRS_StencilPass = 28,
  kRS_StencilCompare = 29,
  kRS_StencilRef = 30,
  kRS_StencilReadMask = 31,
  kRS_StencilWriteMask = 32,
};

struct CRenderStateManager {
  uint64_t renderDirty = 0;
  uint32_t appliedRender[kRenderStateCount] = {};
  uint32_t pendingRender[kRenderStateCount] = {};
  uint64_t samplerDirty = 0;
  uint32_t appliedSampler[kSamplerStateCount] = {};
  uint32_t pendingSampler[kSamplerStateCount] = {};
  // renderDirty | samplerDirty: the batcher continues a batch only while this is 0.
  uint64_t dirty = 0;
  uint32_t savedRender[kRenderStateCount] = {};
  uint32_t savedSampler[kSamplerStateCount] = {};

  // Defaults as both applied and pending values, every render state marked for sending; also
  // the logical state the setters keep beside the cache.
  static void Reset();
  // Ids 0-32, stages 0-7 and kinds 0-3: callers pass fixed valid numbers.
  static void SetRenderState(int32_t id, uint32_t value);
  static void SetSamplerState(int32_t stage, int32_t kind, uint32_t value);
  // The pending value; 0 outside the ranges.
  static uint32_t GetRenderState(int32_t id);
  static uint32_t GetSamplerState(int32_t stage, int32_t kind);
  static void SaveStates();
  static void RestoreStates();
  // Sends the dirty states: render states in id order, then sampler states.
  static void Apply();
  // Sends every state (after a device reset, the device holds its own defaults).
  static void ApplyAll();
  // The pending values of ids 1-32 as 32 words; returns 32.
  static int32_t WriteToBuffer(IBuffer* buffer);
};
extern CRenderStateManager g_RenderStates;

// The translation to the device; ids 0, 14, 19, 22, ids above 32, stages above 7 and kinds
// above 3 send nothing.
void GR_D3D_ApplyRenderState(int32_t id, uint32_t value);
void GR_D3D_ApplySamplerState(int32_t stage, int32_t kind, uint32_t value);
// The device's value for a runner code, by the maps of the cache (exposed for tests).
uint32_t GR_D3D_TranslateRenderValue(int32_t id, uint32_t value);

// Puts the device back into the runner's state after a reset. Nothing without a device.
void GR_RestoreRenderStates();
