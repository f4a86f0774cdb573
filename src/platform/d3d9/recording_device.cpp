#include "platform/d3d9/recording_device.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <unordered_set>

#include "platform/d3d9/pixel_formats.h"

bool D3D9RecordingLog::TakeFailure(const char* method, HRESULT* hr) {
  for (auto it = m_failures.begin(); it != m_failures.end(); ++it) {
    if (it->method == method) {
      *hr = it->hr;
      m_failures.erase(it);
      return true;
    }
  }
  return false;
}

std::string D3D9RecordingLog::NewName(const char* kind) { return kind + std::to_string(m_nextId++); }

D3DCAPS9 D3D9RecordingConfig::DefaultCaps() {
  D3DCAPS9 caps{};
  caps.DeviceType = D3DDEVTYPE_HAL;
  caps.RasterCaps = D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE |
                    D3DPRASTERCAPS_FOGRANGE | D3DPRASTERCAPS_SCISSORTEST;
  caps.TextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR | D3DPTFILTERCAPS_MAGFPOINT |
                           D3DPTFILTERCAPS_MAGFLINEAR;
  caps.MaxTextureWidth = caps.MaxTextureHeight = kD3D9MaxTextureSide;
  caps.MaxAnisotropy = 1;
  caps.MaxTextureBlendStages = 8;
  caps.MaxSimultaneousTextures = 8;
  caps.MaxActiveLights = 8;
  caps.MaxPointSize = 64.0f;
  caps.MaxPrimitiveCount = 0xFFFFF;
  caps.MaxVertexIndex = 0xFFFFFF;
  caps.MaxStreams = 16;
  caps.MaxStreamStride = 255;
  caps.VertexShaderVersion = D3DVS_VERSION(3, 0);
  caps.MaxVertexShaderConst = 256;
  caps.PixelShaderVersion = D3DPS_VERSION(3, 0);
  caps.NumberOfAdaptersInGroup = 1;
  caps.NumSimultaneousRTs = 4;
  caps.StretchRectFilterCaps = caps.TextureFilterCaps;
  return caps;
}

namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

std::string RectText(const RECT* r) {
  return r ? Format("{%d, %d, %d, %d}", r->left, r->top, r->right, r->bottom) : "null";
}

const char* PoolName(D3DPOOL pool) {
  switch (pool) {
    case D3DPOOL_DEFAULT: return "DEFAULT";
    case D3DPOOL_MANAGED: return "MANAGED";
    case D3DPOOL_SYSTEMMEM: return "SYSTEMMEM";
    case D3DPOOL_SCRATCH: return "SCRATCH";
  }
  return "?";
}

std::string ParamsText(const D3DPRESENT_PARAMETERS* pp) {
  if (pp == nullptr) return "null";
  return Format("{%u, %u, %s, %u, %u, %u, %d, %d, %s, 0x%X}", pp->BackBufferWidth, pp->BackBufferHeight,
                D3DFormat_Name(pp->BackBufferFormat), pp->BackBufferCount, static_cast<unsigned>(pp->MultiSampleType),
                static_cast<unsigned>(pp->SwapEffect), pp->Windowed, pp->EnableAutoDepthStencil,
                D3DFormat_Name(pp->AutoDepthStencilFormat), pp->PresentationInterval);
}

bool Supported(const D3D9RecordingConfig& config, DWORD samples) {
  return samples == 0 || std::find(config.sampleCounts.begin(), config.sampleCounts.end(), samples) !=
                             config.sampleCounts.end();
}

bool ColourFormat(D3DFORMAT f) {
  return f == D3DFMT_A8R8G8B8 || f == D3DFMT_X8R8G8B8 || f == D3DFMT_A4R4G4B4 || f == D3DFMT_R16F ||
         f == D3DFMT_R32F || D3DFormat_IsBlockCompressed(f);
}

bool ResolveRect(const RECT* pRect, UINT width, UINT height, RECT* out) {
  if (pRect == nullptr) {
    *out = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
    return true;
  }
  if (pRect->left < 0 || pRect->top < 0 || pRect->right > static_cast<LONG>(width) ||
      pRect->bottom > static_cast<LONG>(height) || pRect->left >= pRect->right || pRect->top >= pRect->bottom) {
    return false;
  }
  *out = *pRect;
  return true;
}

class RecDevice;
class RecTexture;

class RecTracked {
 public:
  virtual ~RecTracked() = default;
  virtual void Detach() = 0;
};

// Shared by every recording object: the log, and the call's logging and failure injection.
class RecObject {
 protected:
  explicit RecObject(std::shared_ptr<D3D9RecordingLog> log, std::string name)
      : m_log(std::move(log)), m_name(std::move(name)) {}

  // Logs "prefix.Method(args)" and answers an injected failure if one is queued.
  bool Call(const char* method, const std::string& args, HRESULT* failure) {
    std::string line = m_name.empty() ? "" : m_name + ".";
    line += method;
    line += "(" + args + ")";
    if (m_log->TakeFailure(method, failure)) {
      m_log->Add(line + Format(" -> FAILED 0x%08X", static_cast<unsigned>(*failure)));
      return false;
    }
    m_pending = line;
    return true;
  }
  // Finishes the line that Call started with the call's outcome.
  HRESULT Done(HRESULT hr, const std::string& result = "") {
    std::string line = std::move(m_pending);
    if (FAILED(hr))
      line += Format(" -> FAILED 0x%08X", static_cast<unsigned>(hr));
    else if (!result.empty())
      line += " -> " + result;
    m_log->Add(std::move(line));
    return hr;
  }
  void LogReference(const char* what, ULONG refs) {
    if (m_log->LogReferences()) m_log->Add(Format("%s.%s() -> %u", m_name.c_str(), what, refs));
  }

 public:
  const std::string& name() const { return m_name; }

 protected:
  std::shared_ptr<D3D9RecordingLog> m_log;
  std::string m_name;
  std::string m_pending;
};

class RecSurface final : public IDirect3DSurface9, public RecObject, public RecTracked {
 public:
  RecSurface(std::shared_ptr<D3D9RecordingLog> log, std::string name, RecDevice* device, RecTexture* owner,
             UINT level, const D3DSURFACE_DESC& desc, bool lockable, bool deviceOwned);
  ~RecSurface() override;

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override {
    HRESULT hr;
    if (Call("SetPriority", Format("%u", priority), &hr)) Done(D3D_OK);
    DWORD old = m_priority;
    m_priority = priority;
    return old;
  }
  DWORD GetPriority() override { return m_priority; }
  void PreLoad() override {
    HRESULT hr;
    if (Call("PreLoad", "", &hr)) Done(D3D_OK);
  }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override {
    if (pDesc == nullptr) return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
  }
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) override;
  HRESULT UnlockRect() override;
  void Detach() override { m_device = nullptr; }

  const D3DSURFACE_DESC& desc() const { return m_desc; }
  RecDevice* device() const;
  bool IsRenderTarget() const { return (m_desc.Usage & D3DUSAGE_RENDERTARGET) != 0; }
  bool IsDepth() const { return (m_desc.Usage & D3DUSAGE_DEPTHSTENCIL) != 0; }
  D3DPOOL pool() const { return m_desc.Pool; }
  void Resize(const D3DSURFACE_DESC& desc, bool lockable) {
    m_desc = desc;
    m_lockable = lockable;
    m_memory.clear();
  }
  void ReleaseFromDevice() {
    m_device = nullptr;
    m_deviceOwned = false;
    if (m_refs == 0) delete this;
  }

 private:
  RecDevice* m_device;
  RecTexture* m_owner;
  UINT m_level;
  D3DSURFACE_DESC m_desc;
  bool m_lockable;
  bool m_deviceOwned;
  ULONG m_refs;
  DWORD m_priority = 0;
  std::vector<uint8_t> m_memory;
  bool m_locked = false;
};

class RecTexture final : public IDirect3DTexture9, public RecObject, public RecTracked {
 public:
  RecTexture(std::shared_ptr<D3D9RecordingLog> log, std::string name, RecDevice* device, UINT width, UINT height,
             UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool);
  ~RecTexture() override {
    for (RecSurface* s : m_surfaces) delete s;
    Untrack();
  }

  ULONG AddRef() override {
    LogReference("AddRef", m_refs + 1);
    return ++m_refs;
  }
  ULONG Release() override {
    if (m_refs == 0) return 0;
    ULONG refs = --m_refs;
    LogReference("Release", refs);
    if (refs == 0) delete this;
    return refs;
  }
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override {
    HRESULT hr;
    if (Call("SetPriority", Format("%u", priority), &hr)) Done(D3D_OK);
    DWORD old = m_priority;
    m_priority = priority;
    return old;
  }
  DWORD GetPriority() override { return m_priority; }
  void PreLoad() override {
    HRESULT hr;
    if (Call("PreLoad", "", &hr)) Done(D3D_OK);
  }
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return m_levels; }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) override {
    if (pDesc == nullptr || level >= m_levels) return D3DERR_INVALIDCALL;
    *pDesc = m_surfaces[level]->desc();
    return D3D_OK;
  }
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** ppSurfaceLevel) override {
    HRESULT hr;
    if (!Call("GetSurfaceLevel", Format("%u", level), &hr)) return hr;
    if (ppSurfaceLevel == nullptr || level >= m_levels) return Done(D3DERR_INVALIDCALL);
    *ppSurfaceLevel = m_surfaces[level];
    AddRef();
    return Done(D3D_OK, m_surfaces[level]->name());
  }
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) override {
    HRESULT hr;
    if (!Call("LockRect", Format("%u, %s, 0x%X", level, RectText(pRect).c_str(), flags), &hr)) return hr;
    return Done(LockLevel(level, pLockedRect, pRect));
  }
  HRESULT UnlockRect(UINT level) override {
    HRESULT hr;
    if (!Call("UnlockRect", Format("%u", level), &hr)) return hr;
    if (level >= m_levels || !m_locked[level]) return Done(D3DERR_INVALIDCALL);
    m_locked[level] = false;
    return Done(D3D_OK);
  }
  HRESULT AddDirtyRect(const RECT* pDirtyRect) override {
    HRESULT hr;
    if (!Call("AddDirtyRect", RectText(pDirtyRect), &hr)) return hr;
    return Done(D3D_OK);
  }
  void Detach() override { m_device = nullptr; }

  // Level locks without a log line, for the level surfaces.
  HRESULT LockLevel(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect) {
    if (pLockedRect == nullptr || level >= m_levels || m_memory.empty() || m_locked[level]) return D3DERR_INVALIDCALL;
    const D3DSURFACE_DESC& d = m_surfaces[level]->desc();
    RECT r;
    if (!ResolveRect(pRect, d.Width, d.Height, &r)) return D3DERR_INVALIDCALL;
    const UINT pitch = D3DFormat_Pitch(m_format, d.Width);
    size_t offset = D3DFormat_IsBlockCompressed(m_format)
                        ? static_cast<size_t>(r.top / 4) * pitch + static_cast<size_t>(r.left / 4) * D3DFormat_BytesPerUnit(m_format)
                        : static_cast<size_t>(r.top) * pitch + static_cast<size_t>(r.left) * D3DFormat_BytesPerUnit(m_format);
    m_locked[level] = true;
    pLockedRect->Pitch = static_cast<INT>(pitch);
    pLockedRect->pBits = m_memory[level].data() + offset;
    return D3D_OK;
  }
  HRESULT UnlockLevel(UINT level) {
    if (level >= m_levels || !m_locked[level]) return D3DERR_INVALIDCALL;
    m_locked[level] = false;
    return D3D_OK;
  }

  RecDevice* device() const { return m_device; }
  D3DPOOL pool() const { return m_pool; }
  D3DFORMAT format() const { return m_format; }
  UINT width() const { return m_width; }
  UINT height() const { return m_height; }

 private:
  void Untrack();

  RecDevice* m_device;
  UINT m_width, m_height, m_levels;
  D3DFORMAT m_format;
  D3DPOOL m_pool;
  ULONG m_refs = 1;
  DWORD m_priority = 0;
  std::vector<std::vector<uint8_t>> m_memory;
  std::vector<bool> m_locked;
  std::vector<RecSurface*> m_surfaces;
};

class RecDirect3D9;

class RecDevice final : public IDirect3DDevice9, public RecObject {
 public:
  RecDevice(std::shared_ptr<D3D9RecordingLog> log, RecDirect3D9* parent, const D3D9RecordingConfig& config);
  ~RecDevice() override;
  bool Init(D3DPRESENT_PARAMETERS* pp);

  ULONG AddRef() override {
    LogReference("AddRef", m_refs + 1);
    return ++m_refs;
  }
  ULONG Release() override {
    if (m_refs == 0) return 0;
    ULONG refs = --m_refs;
    LogReference("Release", refs);
    if (refs == 0) delete this;
    return refs;
  }

  HRESULT TestCooperativeLevel() override {
    HRESULT hr;
    if (!Call("TestCooperativeLevel", "", &hr)) return hr;
    return Done(D3D_OK);
  }
  HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
  HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override {
    HRESULT hr;
    if (!Call("GetDeviceCaps", "", &hr)) return hr;
    if (pCaps == nullptr) return Done(D3DERR_INVALIDCALL);
    *pCaps = m_config.caps;
    return Done(D3D_OK);
  }
  HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override {
    HRESULT hr;
    if (!Call("GetDisplayMode", Format("%u", iSwapChain), &hr)) return hr;
    if (pMode == nullptr || iSwapChain != 0 || m_config.adapters.empty()) return Done(D3DERR_INVALIDCALL);
    *pMode = m_config.adapters[0].desktop;
    return Done(D3D_OK);
  }
  HRESULT Reset(D3DPRESENT_PARAMETERS* pp) override {
    HRESULT hr;
    if (!Call("Reset", ParamsText(pp), &hr)) return hr;
    if (pp == nullptr) return Done(D3DERR_INVALIDCALL);
    D3DPRESENT_PARAMETERS params = *pp;
    if (!CheckParameters(&params)) return Done(D3DERR_INVALIDCALL);
    *pp = params;
    m_pp = params;
    m_inScene = false;
    MakeSwapChain();
    return Done(D3D_OK);
  }
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion) override {
    HRESULT hr;
    if (!Call("Present",
              Format("%s, %s, %s, %s", RectText(pSourceRect).c_str(), RectText(pDestRect).c_str(),
                     hDestWindowOverride ? "window" : "null", pDirtyRegion ? "region" : "null"),
              &hr)) {
      return hr;
    }
    return Done(D3D_OK);
  }
  HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** ppBackBuffer) override {
    HRESULT hr;
    if (!Call("GetBackBuffer", Format("%u, %u, %u", iSwapChain, iBackBuffer, static_cast<unsigned>(type)), &hr)) return hr;
    if (ppBackBuffer == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppBackBuffer = nullptr;
    if (iSwapChain != 0 || iBackBuffer >= m_pp.BackBufferCount) return Done(D3DERR_INVALIDCALL);
    m_backBuffer->AddRef();
    *ppBackBuffer = m_backBuffer;
    return Done(D3D_OK, m_backBuffer->name());
  }
  HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override {
    HRESULT hr;
    if (!Call("GetRasterStatus", Format("%u", iSwapChain), &hr)) return hr;
    if (pRasterStatus == nullptr || iSwapChain != 0) return Done(D3DERR_INVALIDCALL);
    pRasterStatus->InVBlank = TRUE;
    pRasterStatus->ScanLine = 0;
    return Done(D3D_OK);
  }
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** ppTexture, void** pSharedHandle) override {
    HRESULT hr;
    if (!Call("CreateTexture",
              Format("%u, %u, %u, 0x%X, %s, %s", width, height, levels, usage, D3DFormat_Name(format), PoolName(pool)),
              &hr)) {
      return hr;
    }
    if (ppTexture == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppTexture = nullptr;
    const bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
    if (pSharedHandle != nullptr || width == 0 || height == 0 || width > m_config.caps.MaxTextureWidth ||
        height > m_config.caps.MaxTextureHeight || pool > D3DPOOL_SCRATCH || !ColourFormat(format) ||
        (usage & D3DUSAGE_DEPTHSTENCIL) != 0 ||
        (renderTarget && (pool != D3DPOOL_DEFAULT || D3DFormat_IsBlockCompressed(format)))) {
      return Done(D3DERR_INVALIDCALL);
    }
    const UINT fullChain = D3DFormat_FullChainLevels(width, height);
    if (levels == 0 || levels > fullChain) levels = fullChain;
    auto* texture = new RecTexture(m_log, m_log->NewName("texture"), this, width, height, levels, usage, format, pool);
    *ppTexture = texture;
    return Done(D3D_OK, texture->name());
  }
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** ppSurface,
                             void** pSharedHandle) override {
    HRESULT hr;
    if (!Call("CreateRenderTarget",
              Format("%u, %u, %s, %u, %u, %d", width, height, D3DFormat_Name(format),
                     static_cast<unsigned>(multiSample), multisampleQuality, lockable),
              &hr)) {
      return hr;
    }
    if (ppSurface == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppSurface = nullptr;
    if (pSharedHandle != nullptr || width == 0 || height == 0 || width > m_config.caps.MaxTextureWidth ||
        height > m_config.caps.MaxTextureHeight || !ColourFormat(format) || D3DFormat_IsBlockCompressed(format) ||
        !Supported(m_config, multiSample) || (lockable && multiSample != D3DMULTISAMPLE_NONE)) {
      return Done(D3DERR_INVALIDCALL);
    }
    D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample, 0, width, height};
    auto* s = new RecSurface(m_log, m_log->NewName("surface"), this, nullptr, 0, desc, lockable != FALSE, false);
    *ppSurface = s;
    return Done(D3D_OK, s->name());
  }
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                    DWORD multisampleQuality, BOOL discard, IDirect3DSurface9** ppSurface,
                                    void** pSharedHandle) override {
    HRESULT hr;
    if (!Call("CreateDepthStencilSurface",
              Format("%u, %u, %s, %u, %u, %d", width, height, D3DFormat_Name(format),
                     static_cast<unsigned>(multiSample), multisampleQuality, discard),
              &hr)) {
      return hr;
    }
    if (ppSurface == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppSurface = nullptr;
    if (pSharedHandle != nullptr || width == 0 || height == 0 || width > m_config.caps.MaxTextureWidth ||
        height > m_config.caps.MaxTextureHeight || !D3DFormat_IsDepth(format) || !Supported(m_config, multiSample)) {
      return Done(D3DERR_INVALIDCALL);
    }
    D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample, 0, width, height};
    auto* s = new RecSurface(m_log, m_log->NewName("surface"), this, nullptr, 0, desc, false, false);
    *ppSurface = s;
    return Done(D3D_OK, s->name());
  }
  HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture) override {
    auto* source = dynamic_cast<RecTexture*>(pSourceTexture);
    auto* dest = dynamic_cast<RecTexture*>(pDestinationTexture);
    HRESULT hr;
    if (!Call("UpdateTexture",
              Format("%s, %s", source ? source->name().c_str() : "null", dest ? dest->name().c_str() : "null"), &hr)) {
      return hr;
    }
    if (source == nullptr || dest == nullptr || source->pool() != D3DPOOL_SYSTEMMEM || dest->pool() != D3DPOOL_DEFAULT ||
        source->format() != dest->format() || source->width() != dest->width() || source->height() != dest->height()) {
      return Done(D3DERR_INVALIDCALL);
    }
    return Done(D3D_OK);
  }
  HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                      const RECT* pDestRect, D3DTEXTUREFILTERTYPE filter) override {
    auto* source = dynamic_cast<RecSurface*>(pSourceSurface);
    auto* dest = dynamic_cast<RecSurface*>(pDestSurface);
    HRESULT hr;
    if (!Call("StretchRect",
              Format("%s, %s, %s, %s, %u", source ? source->name().c_str() : "null", RectText(pSourceRect).c_str(),
                     dest ? dest->name().c_str() : "null", RectText(pDestRect).c_str(), static_cast<unsigned>(filter)),
              &hr)) {
      return hr;
    }
    RECT sr, dr;
    if (source == nullptr || dest == nullptr || source == dest || source->IsDepth() || dest->IsDepth() ||
        !dest->IsRenderTarget() || source->pool() != D3DPOOL_DEFAULT ||
        !ResolveRect(pSourceRect, source->desc().Width, source->desc().Height, &sr) ||
        !ResolveRect(pDestRect, dest->desc().Width, dest->desc().Height, &dr)) {
      return Done(D3DERR_INVALIDCALL);
    }
    return Done(D3D_OK);
  }
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* pRenderTarget) override {
    auto* surface = dynamic_cast<RecSurface*>(pRenderTarget);
    HRESULT hr;
    if (!Call("SetRenderTarget", Format("%u, %s", index, surface ? surface->name().c_str() : "null"), &hr)) return hr;
    if (index >= m_config.caps.NumSimultaneousRTs || (index == 0 && surface == nullptr) ||
        (pRenderTarget != nullptr && (surface == nullptr || !surface->IsRenderTarget() || surface->device() != this))) {
      return Done(D3DERR_INVALIDCALL);
    }
    if (surface) surface->AddRef();
    if (m_targets[index]) m_targets[index]->Release();
    m_targets[index] = surface;
    if (index == 0) m_viewport = D3DVIEWPORT9{0, 0, surface->desc().Width, surface->desc().Height, 0.0f, 1.0f};
    return Done(D3D_OK);
  }
  HRESULT GetRenderTarget(DWORD index, IDirect3DSurface9** ppRenderTarget) override {
    HRESULT hr;
    if (!Call("GetRenderTarget", Format("%u", index), &hr)) return hr;
    if (ppRenderTarget == nullptr || index >= m_config.caps.NumSimultaneousRTs) return Done(D3DERR_INVALIDCALL);
    *ppRenderTarget = m_targets[index];
    if (m_targets[index] == nullptr) return Done(D3DERR_NOTFOUND);
    m_targets[index]->AddRef();
    return Done(D3D_OK, m_targets[index]->name());
  }
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override {
    auto* surface = dynamic_cast<RecSurface*>(pNewZStencil);
    HRESULT hr;
    if (!Call("SetDepthStencilSurface", surface ? surface->name() : "null", &hr)) return hr;
    if (pNewZStencil != nullptr && (surface == nullptr || !surface->IsDepth() || surface->device() != this)) {
      return Done(D3DERR_INVALIDCALL);
    }
    if (surface) surface->AddRef();
    if (m_depthStencil) m_depthStencil->Release();
    m_depthStencil = surface;
    return Done(D3D_OK);
  }
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override {
    HRESULT hr;
    if (!Call("GetDepthStencilSurface", "", &hr)) return hr;
    if (ppZStencilSurface == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppZStencilSurface = m_depthStencil;
    if (m_depthStencil == nullptr) return Done(D3DERR_NOTFOUND);
    m_depthStencil->AddRef();
    return Done(D3D_OK, m_depthStencil->name());
  }
  HRESULT SetViewport(const D3DVIEWPORT9* vp) override {
    HRESULT hr;
    if (!Call("SetViewport",
              vp ? Format("{%u, %u, %u, %u, %g, %g}", vp->X, vp->Y, vp->Width, vp->Height, static_cast<double>(vp->MinZ),
                          static_cast<double>(vp->MaxZ))
                 : "null",
              &hr)) {
      return hr;
    }
    if (vp == nullptr) return Done(D3DERR_INVALIDCALL);
    m_viewport = *vp;
    return Done(D3D_OK);
  }
  HRESULT GetViewport(D3DVIEWPORT9* pViewport) override {
    HRESULT hr;
    if (!Call("GetViewport", "", &hr)) return hr;
    if (pViewport == nullptr) return Done(D3DERR_INVALIDCALL);
    *pViewport = m_viewport;
    return Done(D3D_OK);
  }
  HRESULT BeginScene() override {
    HRESULT hr;
    if (!Call("BeginScene", "", &hr)) return hr;
    if (m_inScene) return Done(D3DERR_INVALIDCALL);
    m_inScene = true;
    return Done(D3D_OK);
  }
  HRESULT EndScene() override {
    HRESULT hr;
    if (!Call("EndScene", "", &hr)) return hr;
    if (!m_inScene) return Done(D3DERR_INVALIDCALL);
    m_inScene = false;
    return Done(D3D_OK);
  }
  HRESULT Clear(DWORD count, const D3DRECT* pRects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override {
    std::string rects = "null";
    if (pRects != nullptr) {
      rects = "{";
      for (DWORD i = 0; i < count; ++i) {
        rects += Format("%s{%d, %d, %d, %d}", i ? ", " : "", pRects[i].x1, pRects[i].y1, pRects[i].x2, pRects[i].y2);
      }
      rects += "}";
    }
    HRESULT hr;
    if (!Call("Clear", Format("%u, %s, 0x%X, 0x%08X, %g, %u", count, rects.c_str(), flags, color, static_cast<double>(z), stencil),
              &hr)) {
      return hr;
    }
    if ((flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0) return Done(D3DERR_INVALIDCALL);
    return Done(D3D_OK);
  }

  void Track(RecTracked* r) { m_tracked.insert(r); }
  void Untrack(RecTracked* r) { m_tracked.erase(r); }

 private:
  bool CheckParameters(D3DPRESENT_PARAMETERS* pp) {
    if (pp->BackBufferWidth == 0) pp->BackBufferWidth = m_config.windowWidth;
    if (pp->BackBufferHeight == 0) pp->BackBufferHeight = m_config.windowHeight;
    if (pp->BackBufferFormat == D3DFMT_UNKNOWN) pp->BackBufferFormat = D3DFMT_X8R8G8B8;
    if (pp->BackBufferCount == 0) pp->BackBufferCount = 1;
    return (pp->BackBufferFormat == D3DFMT_A8R8G8B8 || pp->BackBufferFormat == D3DFMT_X8R8G8B8) &&
           pp->BackBufferWidth <= m_config.caps.MaxTextureWidth && pp->BackBufferHeight <= m_config.caps.MaxTextureHeight &&
           Supported(m_config, pp->MultiSampleType) &&
           (!pp->EnableAutoDepthStencil || D3DFormat_IsDepth(pp->AutoDepthStencilFormat));
  }
  void MakeSwapChain() {
    for (RecSurface*& t : m_targets) {
      if (t) t->Release();
      t = nullptr;
    }
    if (m_depthStencil) m_depthStencil->Release();
    m_depthStencil = nullptr;
    D3DSURFACE_DESC desc{m_pp.BackBufferFormat, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT,
                         m_pp.MultiSampleType, 0, m_pp.BackBufferWidth, m_pp.BackBufferHeight};
    const bool lockable = (m_pp.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0 && m_pp.MultiSampleType == 0;
    if (m_backBuffer == nullptr)
      m_backBuffer = new RecSurface(m_log, "backbuffer", this, nullptr, 0, desc, lockable, true);
    else
      m_backBuffer->Resize(desc, lockable);
    if (m_pp.EnableAutoDepthStencil) {
      desc.Format = m_pp.AutoDepthStencilFormat;
      desc.Usage = D3DUSAGE_DEPTHSTENCIL;
      if (m_autoDepth == nullptr)
        m_autoDepth = new RecSurface(m_log, "depthstencil", this, nullptr, 0, desc, false, true);
      else
        m_autoDepth->Resize(desc, false);
    } else if (m_autoDepth) {
      m_autoDepth->ReleaseFromDevice();
      m_autoDepth = nullptr;
    }
    m_targets[0] = m_backBuffer;
    m_backBuffer->AddRef();
    if (m_autoDepth) {
      m_depthStencil = m_autoDepth;
      m_autoDepth->AddRef();
    }
    m_viewport = D3DVIEWPORT9{0, 0, m_pp.BackBufferWidth, m_pp.BackBufferHeight, 0.0f, 1.0f};
  }

  RecDirect3D9* m_parent;
  D3D9RecordingConfig m_config;
  ULONG m_refs = 1;
  D3DPRESENT_PARAMETERS m_pp{};
  RecSurface* m_backBuffer = nullptr;
  RecSurface* m_autoDepth = nullptr;
  RecSurface* m_targets[4] = {};
  RecSurface* m_depthStencil = nullptr;
  D3DVIEWPORT9 m_viewport{};
  bool m_inScene = false;
  std::unordered_set<RecTracked*> m_tracked;
};

class RecDirect3D9 final : public IDirect3D9, public RecObject {
 public:
  RecDirect3D9(std::shared_ptr<D3D9RecordingLog> log, const D3D9RecordingConfig& config)
      : RecObject(std::move(log), "d3d"), m_config(config) {}

  ULONG AddRef() override {
    LogReference("AddRef", m_refs + 1);
    return ++m_refs;
  }
  ULONG Release() override {
    if (m_refs == 0) return 0;
    ULONG refs = --m_refs;
    LogReference("Release", refs);
    if (refs == 0) delete this;
    return refs;
  }
  UINT GetAdapterCount() override {
    HRESULT hr;
    if (!Call("GetAdapterCount", "", &hr)) return 0;
    UINT n = static_cast<UINT>(m_config.adapters.size());
    Done(D3D_OK, std::to_string(n));
    return n;
  }
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* id) override {
    HRESULT hr;
    if (!Call("GetAdapterIdentifier", Format("%u, 0x%X", adapter, flags), &hr)) return hr;
    if (id == nullptr || adapter >= m_config.adapters.size()) return Done(D3DERR_INVALIDCALL);
    *id = D3DADAPTER_IDENTIFIER9{};
    std::snprintf(id->Driver, sizeof id->Driver, "recording");
    std::snprintf(id->Description, sizeof id->Description, "%s", m_config.adapters[adapter].description.c_str());
    std::snprintf(id->DeviceName, sizeof id->DeviceName, "DISPLAY%u", adapter + 1);
    return Done(D3D_OK);
  }
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
    HRESULT hr;
    if (!Call("GetAdapterModeCount", Format("%u, %s", adapter, D3DFormat_Name(format)), &hr)) return 0;
    UINT n = 0;
    if (adapter < m_config.adapters.size()) {
      for (const D3DDISPLAYMODE& m : m_config.adapters[adapter].modes) n += SameDepth(m.Format, format) ? 1 : 0;
    }
    Done(D3D_OK, std::to_string(n));
    return n;
  }
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* pMode) override {
    HRESULT hr;
    if (!Call("EnumAdapterModes", Format("%u, %s, %u", adapter, D3DFormat_Name(format), mode), &hr)) return hr;
    if (pMode == nullptr || adapter >= m_config.adapters.size()) return Done(D3DERR_INVALIDCALL);
    UINT seen = 0;
    for (const D3DDISPLAYMODE& m : m_config.adapters[adapter].modes) {
      if (!SameDepth(m.Format, format)) continue;
      if (seen++ == mode) {
        *pMode = m;
        return Done(D3D_OK);
      }
    }
    return Done(D3DERR_INVALIDCALL);
  }
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* pMode) override {
    HRESULT hr;
    if (!Call("GetAdapterDisplayMode", Format("%u", adapter), &hr)) return hr;
    if (pMode == nullptr || adapter >= m_config.adapters.size()) return Done(D3DERR_INVALIDCALL);
    *pMode = m_config.adapters[adapter].desktop;
    return Done(D3D_OK);
  }
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE type, DWORD* pQualityLevels) override {
    HRESULT hr;
    if (!Call("CheckDeviceMultiSampleType",
              Format("%u, %u, %s, %d, %u", adapter, static_cast<unsigned>(deviceType), D3DFormat_Name(surfaceFormat),
                     windowed, static_cast<unsigned>(type)),
              &hr)) {
      return hr;
    }
    if (adapter >= m_config.adapters.size() || deviceType != D3DDEVTYPE_HAL) return Done(D3DERR_INVALIDCALL);
    if (!Supported(m_config, type)) return Done(D3DERR_NOTAVAILABLE);
    if (pQualityLevels) *pQualityLevels = 1;
    return Done(D3D_OK);
  }
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* pCaps) override {
    HRESULT hr;
    if (!Call("GetDeviceCaps", Format("%u, %u", adapter, static_cast<unsigned>(deviceType)), &hr)) return hr;
    if (pCaps == nullptr || adapter >= m_config.adapters.size()) return Done(D3DERR_INVALIDCALL);
    if (deviceType != D3DDEVTYPE_HAL) return Done(D3DERR_NOTAVAILABLE);
    *pCaps = m_config.caps;
    pCaps->AdapterOrdinal = adapter;
    pCaps->MasterAdapterOrdinal = adapter;
    return Done(D3D_OK);
  }
  HMONITOR GetAdapterMonitor(UINT adapter) override {
    HRESULT hr;
    if (!Call("GetAdapterMonitor", Format("%u", adapter), &hr)) return nullptr;
    Done(D3D_OK);
    if (adapter >= m_config.adapters.size()) return nullptr;
    return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(adapter) + 1);
  }
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND hFocusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* pp, IDirect3DDevice9** ppDevice) override {
    HRESULT hr;
    if (!Call("CreateDevice",
              Format("%u, %u, %s, 0x%X, %s", adapter, static_cast<unsigned>(deviceType), hFocusWindow ? "window" : "null",
                     behaviorFlags, ParamsText(pp).c_str()),
              &hr)) {
      return hr;
    }
    if (ppDevice == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppDevice = nullptr;
    if (pp == nullptr || adapter >= m_config.adapters.size() || deviceType != D3DDEVTYPE_HAL) {
      return Done(D3DERR_INVALIDCALL);
    }
    auto* device = new RecDevice(m_log, this, m_config);
    if (!device->Init(pp)) {
      device->Release();
      return Done(D3DERR_INVALIDCALL);
    }
    *ppDevice = device;
    return Done(D3D_OK, "device");
  }

 private:
  static bool SameDepth(D3DFORMAT a, D3DFORMAT b) {
    auto bits = [](D3DFORMAT f) { return f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_A1R5G5B5 ? 16 : 32; };
    return bits(a) == bits(b);
  }

  D3D9RecordingConfig m_config;
  ULONG m_refs = 1;
};

// ---------------------------------------------------------------------------------------------

RecSurface::RecSurface(std::shared_ptr<D3D9RecordingLog> log, std::string name, RecDevice* device, RecTexture* owner,
                       UINT level, const D3DSURFACE_DESC& desc, bool lockable, bool deviceOwned)
    : RecObject(std::move(log), std::move(name)), m_device(device), m_owner(owner), m_level(level), m_desc(desc),
      m_lockable(lockable), m_deviceOwned(deviceOwned), m_refs(deviceOwned ? 0 : 1) {
  if (m_owner == nullptr && !m_deviceOwned && m_device) m_device->Track(this);
}

RecSurface::~RecSurface() {
  if (m_owner == nullptr && !m_deviceOwned && m_device) m_device->Untrack(this);
}

RecDevice* RecSurface::device() const { return m_owner ? m_owner->device() : m_device; }

ULONG RecSurface::AddRef() {
  if (m_owner) return m_owner->AddRef();
  LogReference("AddRef", m_refs + 1);
  return ++m_refs;
}

ULONG RecSurface::Release() {
  if (m_owner) return m_owner->Release();
  if (m_refs == 0) return 0;
  ULONG refs = --m_refs;
  LogReference("Release", refs);
  if (refs == 0 && !m_deviceOwned) delete this;
  return refs;
}

HRESULT RecSurface::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = device();
  if (*ppDevice == nullptr) return D3DERR_INVALIDCALL;
  (*ppDevice)->AddRef();
  return D3D_OK;
}

HRESULT RecSurface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) {
  HRESULT hr;
  if (!Call("LockRect", Format("%s, 0x%X", RectText(pRect).c_str(), flags), &hr)) return hr;
  if (m_owner) return Done(m_owner->LockLevel(m_level, pLockedRect, pRect));
  RECT r;
  if (pLockedRect == nullptr || !m_lockable || m_locked || !ResolveRect(pRect, m_desc.Width, m_desc.Height, &r)) {
    return Done(D3DERR_INVALIDCALL);
  }
  const UINT bpp = D3DFormat_BytesPerUnit(m_desc.Format);
  const size_t pitch = static_cast<size_t>(m_desc.Width) * bpp;
  if (m_memory.empty()) m_memory.assign(pitch * m_desc.Height, 0);
  m_locked = true;
  pLockedRect->Pitch = static_cast<INT>(pitch);
  pLockedRect->pBits = m_memory.data() + r.top * pitch + r.left * bpp;
  return Done(D3D_OK);
}

HRESULT RecSurface::UnlockRect() {
  HRESULT hr;
  if (!Call("UnlockRect", "", &hr)) return hr;
  if (m_owner) return Done(m_owner->UnlockLevel(m_level));
  if (!m_locked) return Done(D3DERR_INVALIDCALL);
  m_locked = false;
  return Done(D3D_OK);
}

RecTexture::RecTexture(std::shared_ptr<D3D9RecordingLog> log, std::string name, RecDevice* device, UINT width,
                       UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : RecObject(std::move(log), std::move(name)), m_device(device), m_width(width), m_height(height), m_levels(levels),
      m_format(format), m_pool(pool) {
  m_device->Track(this);
  const bool lockable = pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC) != 0;
  m_locked.assign(levels, false);
  for (UINT level = 0; level < levels; ++level) {
    const UINT w = D3DFormat_LevelSide(width, level), h = D3DFormat_LevelSide(height, level);
    if (lockable) m_memory.emplace_back(D3DFormat_LevelSize(format, w, h), 0);
    D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, usage, pool, D3DMULTISAMPLE_NONE, 0, w, h};
    m_surfaces.push_back(new RecSurface(m_log, m_name + ".level" + std::to_string(level), nullptr, this, level, desc,
                                        false, false));
  }
}

void RecTexture::Untrack() {
  if (m_device) m_device->Untrack(this);
}

HRESULT RecTexture::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = m_device;
  if (m_device == nullptr) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  return D3D_OK;
}

RecDevice::RecDevice(std::shared_ptr<D3D9RecordingLog> log, RecDirect3D9* parent, const D3D9RecordingConfig& config)
    : RecObject(std::move(log), ""), m_parent(parent), m_config(config) {
  if (m_parent) m_parent->AddRef();
}

RecDevice::~RecDevice() {
  for (RecSurface*& t : m_targets) {
    if (t) t->Release();
    t = nullptr;
  }
  if (m_depthStencil) m_depthStencil->Release();
  std::vector<RecTracked*> tracked(m_tracked.begin(), m_tracked.end());
  for (RecTracked* r : tracked) r->Detach();
  if (m_backBuffer) m_backBuffer->ReleaseFromDevice();
  if (m_autoDepth) m_autoDepth->ReleaseFromDevice();
  if (m_parent) m_parent->Release();
}

bool RecDevice::Init(D3DPRESENT_PARAMETERS* pp) {
  if (pp == nullptr || !CheckParameters(pp)) return false;
  m_pp = *pp;
  MakeSwapChain();
  return true;
}

HRESULT RecDevice::GetDirect3D(IDirect3D9** ppD3D9) {
  HRESULT hr;
  if (!Call("GetDirect3D", "", &hr)) return hr;
  if (ppD3D9 == nullptr || m_parent == nullptr) return Done(D3DERR_INVALIDCALL);
  m_parent->AddRef();
  *ppD3D9 = m_parent;
  return Done(D3D_OK, "d3d");
}

}  // namespace

IDirect3D9* D3D9_CreateRecordingDirect3D(std::shared_ptr<D3D9RecordingLog> log, const D3D9RecordingConfig& config) {
  return new RecDirect3D9(std::move(log), config);
}

IDirect3DDevice9* D3D9_CreateRecordingDevice(std::shared_ptr<D3D9RecordingLog> log, D3DPRESENT_PARAMETERS* pp,
                                             const D3D9RecordingConfig& config) {
  auto* device = new RecDevice(std::move(log), nullptr, config);
  if (!device->Init(pp)) {
    device->Release();
    return nullptr;
  }
  return device;
}
