// STAND-IN: see frame_stand_in.h.
#include "render/frame_stand_in.h"

#include <algorithm>
#include <vector>

#include "core/memory_manager.h"
#include "render/d3d_device.h"
#include "render/vertex_batch.h"

namespace {

constexpr int32_t kMaxTargets = 4;
constexpr int32_t kHandleBase = 0x40000000;

struct TargetEntry {
  IDirect3DSurface9* targets[kMaxTargets] = {};
  IDirect3DSurface9* depth = nullptr;
};
std::vector<TargetEntry> g_targetStack;
void* g_boundTexture = nullptr;

struct Slot {
  IDirect3DTexture9* texture;
  int32_t width;
  int32_t height;
};
std::vector<Slot> g_slots;
std::vector<TPageEntry> g_entries;
std::vector<bool> g_entryLive;

Shader* g_currentShader = nullptr;

}  // namespace

int32_t g_ShaderMatrixUploads = 0;

void Texture_Bind(int32_t stage, void* texture) {
  if (g_D3D.device == nullptr || stage != 0) return;
  if (texture == g_boundTexture && texture != nullptr) return;
  g_boundTexture = texture;
  g_D3D.device->SetTexture(0, static_cast<IDirect3DBaseTexture9*>(texture));
}

void Texture_SetStageOps(int32_t mode) {
  if (g_D3D.device == nullptr) return;
  const DWORD op = mode == 1 ? D3DTOP_MODULATE : D3DTOP_SELECTARG1;
  g_D3D.device->SetTextureStageState(0, D3DTSS_COLOROP, op);
  g_D3D.device->SetTextureStageState(0, D3DTSS_ALPHAOP, op);
}

int32_t Texture_TargetStackDepth() { return static_cast<int32_t>(g_targetStack.size()); }

bool Texture_PushTarget() {
  if (g_D3D.device == nullptr || g_targetStack.size() >= 8) return false;
  TargetEntry entry;
  for (int32_t i = 0; i < std::min(g_D3D.maxRenderTargets, kMaxTargets); ++i) {
    if (FAILED(g_D3D.device->GetRenderTarget(static_cast<DWORD>(i), &entry.targets[i]))) entry.targets[i] = nullptr;
  }
  if (FAILED(g_D3D.device->GetDepthStencilSurface(&entry.depth))) entry.depth = nullptr;
  g_targetStack.push_back(entry);
  return true;
}

bool Texture_PushTarget(void* surface) {
  if (g_D3D.device == nullptr || surface == nullptr) return false;
  GraphicsFlush();
  if (!Texture_PushTarget()) return false;
  if (FAILED(g_D3D.device->SetRenderTarget(0, static_cast<IDirect3DSurface9*>(surface)))) {
    Texture_PopTarget();
    return false;
  }
  return true;
}

bool Texture_PopTarget() {
  if (g_D3D.device == nullptr || g_targetStack.empty()) return false;
  GraphicsFlush();
  const TargetEntry entry = g_targetStack.back();
  g_targetStack.pop_back();
  bool ok = true;
  for (int32_t i = 0; i < kMaxTargets; ++i) {
    if (i < g_D3D.maxRenderTargets && FAILED(g_D3D.device->SetRenderTarget(static_cast<DWORD>(i), entry.targets[i]))) {
      ok = false;
    }
    if (entry.targets[i] != nullptr) entry.targets[i]->Release();
  }
  if (FAILED(g_D3D.device->SetDepthStencilSurface(entry.depth))) ok = false;
  if (entry.depth != nullptr) entry.depth->Release();
  return ok;
}

void Texture_PopAllTargets() {
  if (g_D3D.device == nullptr) {
    for (const TargetEntry& entry : g_targetStack) {
      for (IDirect3DSurface9* s : entry.targets) {
        if (s != nullptr) s->Release();
      }
      if (entry.depth != nullptr) entry.depth->Release();
    }
    g_targetStack.clear();
    return;
  }
  while (!g_targetStack.empty()) Texture_PopTarget();
}

bool GR_Texture_Exists(int32_t slot) {
  return slot >= 0 && slot < static_cast<int32_t>(g_slots.size()) && g_slots[slot].texture != nullptr;
}

IDirect3DTexture9* GR_Texture_Get(int32_t slot) { return GR_Texture_Exists(slot) ? g_slots[slot].texture : nullptr; }

bool GR_Texture_GetTextureSize(int32_t slot, float* width, float* height) {
  if (!GR_Texture_Exists(slot)) return false;
  *width = static_cast<float>(g_slots[slot].width);
  *height = static_cast<float>(g_slots[slot].height);
  return true;
}

bool GR_Texture_ResolveHandle(int32_t handle, int32_t* slot, const TPageEntry** entry) {
  const int64_t index = int64_t{handle} - kHandleBase;
  if (index < 0 || index >= static_cast<int64_t>(g_entries.size()) || !g_entryLive[index]) return false;
  *entry = &g_entries[index];
  *slot = g_entries[index].page;
  return true;
}

int32_t GR_Texture_StandInAddSlot(IDirect3DTexture9* texture, int32_t width, int32_t height) {
  g_slots.push_back({texture, width, height});
  return static_cast<int32_t>(g_slots.size() - 1);
}

int32_t GR_Texture_StandInAddEntry(const TPageEntry& entry) {
  g_entries.push_back(entry);
  g_entryLive.push_back(true);
  return kHandleBase + static_cast<int32_t>(g_entries.size() - 1);
}

void GR_Texture_StandInFreeEntry(int32_t handle) {
  const int64_t index = int64_t{handle} - kHandleBase;
  if (index >= 0 && index < static_cast<int64_t>(g_entryLive.size())) g_entryLive[index] = false;
}

void GR_Texture_StandInClear() {
  g_slots.clear();
  g_entries.clear();
  g_entryLive.clear();
}

uint32_t* GR_D3D_GetScreenPixels(int32_t boundWidth, int32_t boundHeight, int32_t x, int32_t y, int32_t* width,
                                 int32_t* height) {
  IDirect3DDevice9* device = g_D3D.device;
  if (device == nullptr || x < 0 || y < 0) return nullptr;
  IDirect3DSurface9* backBuffer = nullptr;
  if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer))) return nullptr;
  D3DSURFACE_DESC desc{};
  backBuffer->GetDesc(&desc);
  const int32_t w = std::min({*width, boundWidth - x, static_cast<int32_t>(desc.Width) - x});
  const int32_t h = std::min({*height, boundHeight - y, static_cast<int32_t>(desc.Height) - y});
  uint32_t* block = nullptr;
  IDirect3DSurface9* copy = nullptr;
  if (w > 0 && h > 0 &&
      SUCCEEDED(device->CreateRenderTarget(desc.Width, desc.Height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &copy,
                                           nullptr)) &&
      SUCCEEDED(device->StretchRect(backBuffer, nullptr, copy, nullptr, D3DTEXF_NONE))) {
    D3DLOCKED_RECT locked;
    if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
      block = static_cast<uint32_t*>(MEM_ALLOC(static_cast<size_t>(w) * static_cast<size_t>(h) * 4));
      for (int32_t row = 0; row < h; ++row) {
        const auto* from = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) +
                                                             static_cast<size_t>(y + row) * locked.Pitch) +
                           x;
        std::copy(from, from + w, block + static_cast<size_t>(row) * w);
      }
      copy->UnlockRect();
      *width = w;
      *height = h;
    }
  }
  if (copy != nullptr) copy->Release();
  backBuffer->Release();
  return block;
}

Shader* Shader_GetCurrent() { return g_currentShader; }
void Shader_MakeCurrent(Shader* shader) { g_currentShader = shader; }
void Shader_UploadMatrices(const Matrix44*) {
  if (g_currentShader != nullptr) ++g_ShaderMatrixUploads;
}

void Surface_FreeAll() { g_boundTexture = nullptr; }
void DebugOverlay_FrameBegin() {}
void DebugOverlay_FrameEnd() {}
void Display_ReportFPS() {}
