#include "platform/d3d9/recording_device.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <unordered_set>

#include "platform/d3d9/device_state.h"
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
                    D3DPRASTERCAPS_FOGRANGE | D3DPRASTERCAPS_SCISSORTEST |
                    D3DPRASTERCAPS_WFOG | D3DPRASTERCAPS_ZFOG;
  caps.PrimitiveMiscCaps = D3DPMISCCAPS_MASKZ | D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW |
                          D3DPMISCCAPS_COLORWRITEENABLE | D3DPMISCCAPS_BLENDOP | D3DPMISCCAPS_SEPARATEALPHABLEND;
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
  // No shader is compiled on this device yet: shader model 0.
  caps.VertexShaderVersion = D3DVS_VERSION(0, 0);
  caps.MaxVertexShaderConst = 256;
  caps.PixelShaderVersion = D3DPS_VERSION(0, 0);
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

const char* RenderStateName(DWORD state) {
  switch (state) {
    case D3DRS_ZENABLE: return "ZENABLE";
    case D3DRS_FILLMODE: return "FILLMODE";
    case D3DRS_SHADEMODE: return "SHADEMODE";
    case D3DRS_ZWRITEENABLE: return "ZWRITEENABLE";
    case D3DRS_ALPHATESTENABLE: return "ALPHATESTENABLE";
    case D3DRS_LASTPIXEL: return "LASTPIXEL";
    case D3DRS_SRCBLEND: return "SRCBLEND";
    case D3DRS_DESTBLEND: return "DESTBLEND";
    case D3DRS_CULLMODE: return "CULLMODE";
    case D3DRS_ZFUNC: return "ZFUNC";
    case D3DRS_ALPHAREF: return "ALPHAREF";
    case D3DRS_ALPHAFUNC: return "ALPHAFUNC";
    case D3DRS_DITHERENABLE: return "DITHERENABLE";
    case D3DRS_ALPHABLENDENABLE: return "ALPHABLENDENABLE";
    case D3DRS_FOGENABLE: return "FOGENABLE";
    case D3DRS_SPECULARENABLE: return "SPECULARENABLE";
    case D3DRS_FOGCOLOR: return "FOGCOLOR";
    case D3DRS_FOGTABLEMODE: return "FOGTABLEMODE";
    case D3DRS_FOGSTART: return "FOGSTART";
    case D3DRS_FOGEND: return "FOGEND";
    case D3DRS_FOGDENSITY: return "FOGDENSITY";
    case D3DRS_RANGEFOGENABLE: return "RANGEFOGENABLE";
    case D3DRS_STENCILENABLE: return "STENCILENABLE";
    case D3DRS_STENCILFAIL: return "STENCILFAIL";
    case D3DRS_STENCILZFAIL: return "STENCILZFAIL";
    case D3DRS_STENCILPASS: return "STENCILPASS";
    case D3DRS_STENCILFUNC: return "STENCILFUNC";
    case D3DRS_STENCILREF: return "STENCILREF";
    case D3DRS_STENCILMASK: return "STENCILMASK";
    case D3DRS_STENCILWRITEMASK: return "STENCILWRITEMASK";
    case D3DRS_TEXTUREFACTOR: return "TEXTUREFACTOR";
    case D3DRS_CLIPPING: return "CLIPPING";
    case D3DRS_LIGHTING: return "LIGHTING";
    case D3DRS_AMBIENT: return "AMBIENT";
    case D3DRS_FOGVERTEXMODE: return "FOGVERTEXMODE";
    case D3DRS_COLORVERTEX: return "COLORVERTEX";
    case D3DRS_LOCALVIEWER: return "LOCALVIEWER";
    case D3DRS_NORMALIZENORMALS: return "NORMALIZENORMALS";
    case D3DRS_DIFFUSEMATERIALSOURCE: return "DIFFUSEMATERIALSOURCE";
    case D3DRS_SPECULARMATERIALSOURCE: return "SPECULARMATERIALSOURCE";
    case D3DRS_AMBIENTMATERIALSOURCE: return "AMBIENTMATERIALSOURCE";
    case D3DRS_EMISSIVEMATERIALSOURCE: return "EMISSIVEMATERIALSOURCE";
    case D3DRS_POINTSIZE: return "POINTSIZE";
    case D3DRS_POINTSIZE_MIN: return "POINTSIZE_MIN";
    case D3DRS_MULTISAMPLEANTIALIAS: return "MULTISAMPLEANTIALIAS";
    case D3DRS_MULTISAMPLEMASK: return "MULTISAMPLEMASK";
    case D3DRS_POINTSIZE_MAX: return "POINTSIZE_MAX";
    case D3DRS_COLORWRITEENABLE: return "COLORWRITEENABLE";
    case D3DRS_BLENDOP: return "BLENDOP";
    case D3DRS_SCISSORTESTENABLE: return "SCISSORTESTENABLE";
    case D3DRS_BLENDFACTOR: return "BLENDFACTOR";
    case D3DRS_SEPARATEALPHABLENDENABLE: return "SEPARATEALPHABLENDENABLE";
    case D3DRS_SRCBLENDALPHA: return "SRCBLENDALPHA";
    case D3DRS_DESTBLENDALPHA: return "DESTBLENDALPHA";
    case D3DRS_BLENDOPALPHA: return "BLENDOPALPHA";
    default: return nullptr;
  }
}

// "SRCBLEND, 5": floats as numbers, colours and masks in hexadecimal, unknown states by number.
std::string RenderStateText(DWORD state, DWORD value) {
  const char* name = RenderStateName(state);
  std::string text = name ? name : std::to_string(state);
  switch (state) {
    case D3DRS_FOGSTART:
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSIZE_MAX:
      return text + Format(", %g", static_cast<double>(D3D9_FloatFromBits(value)));
    case D3DRS_FOGCOLOR:
    case D3DRS_AMBIENT:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_BLENDFACTOR:
      return text + Format(", 0x%08X", value);
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_COLORWRITEENABLE:
    case D3DRS_MULTISAMPLEMASK:
      return text + Format(", 0x%X", value);
    default:
      return text + Format(", %u", value);
  }
}

std::string SamplerStateName(DWORD type) {
  static const char* const kNames[] = {nullptr,       "ADDRESSU",     "ADDRESSV",    "ADDRESSW",  "BORDERCOLOR",
                                       "MAGFILTER",   "MINFILTER",    "MIPFILTER",   "MIPMAPLODBIAS",
                                       "MAXMIPLEVEL", "MAXANISOTROPY", "SRGBTEXTURE", "ELEMENTINDEX", "DMAPOFFSET"};
  if (type < sizeof kNames / sizeof kNames[0] && kNames[type]) return kNames[type];
  return std::to_string(type);
}

std::string StageStateName(DWORD type) {
  switch (type) {
    case D3DTSS_COLOROP: return "COLOROP";
    case D3DTSS_COLORARG1: return "COLORARG1";
    case D3DTSS_COLORARG2: return "COLORARG2";
    case D3DTSS_ALPHAOP: return "ALPHAOP";
    case D3DTSS_ALPHAARG1: return "ALPHAARG1";
    case D3DTSS_ALPHAARG2: return "ALPHAARG2";
    case D3DTSS_TEXCOORDINDEX: return "TEXCOORDINDEX";
    case D3DTSS_TEXTURETRANSFORMFLAGS: return "TEXTURETRANSFORMFLAGS";
    case D3DTSS_COLORARG0: return "COLORARG0";
    case D3DTSS_ALPHAARG0: return "ALPHAARG0";
    case D3DTSS_RESULTARG: return "RESULTARG";
    case D3DTSS_CONSTANT: return "CONSTANT";
    default: return std::to_string(type);
  }
}

std::string TransformName(DWORD state) {
  switch (state) {
    case D3DTS_VIEW: return "VIEW";
    case D3DTS_PROJECTION: return "PROJECTION";
    case D3DTS_WORLD: return "WORLD";
    default:
      if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return "TEXTURE" + std::to_string(state - D3DTS_TEXTURE0);
      return std::to_string(state);
  }
}

std::string MatrixText(const D3DMATRIX* m) {
  if (m == nullptr) return "null";
  std::string text = "{";
  for (int r = 0; r < 4; ++r) {
    text += Format("%s{%g, %g, %g, %g}", r ? ", " : "", static_cast<double>(m->m[r][0]),
                   static_cast<double>(m->m[r][1]), static_cast<double>(m->m[r][2]), static_cast<double>(m->m[r][3]));
  }
  return text + "}";
}

std::string ColourText(const D3DCOLORVALUE& c) {
  return Format("{%g, %g, %g, %g}", static_cast<double>(c.r), static_cast<double>(c.g), static_cast<double>(c.b),
                static_cast<double>(c.a));
}

std::string VectorText(const D3DVECTOR& v) {
  return Format("{%g, %g, %g}", static_cast<double>(v.x), static_cast<double>(v.y), static_cast<double>(v.z));
}

std::string MaterialText(const D3DMATERIAL9* m) {
  if (m == nullptr) return "null";
  return "{d " + ColourText(m->Diffuse) + ", a " + ColourText(m->Ambient) + ", s " + ColourText(m->Specular) +
         ", e " + ColourText(m->Emissive) + Format(", %g}", static_cast<double>(m->Power));
}

std::string LightText(const D3DLIGHT9* l) {
  if (l == nullptr) return "null";
  const char* type = l->Type == D3DLIGHT_POINT ? "POINT"
                     : l->Type == D3DLIGHT_SPOT ? "SPOT"
                     : l->Type == D3DLIGHT_DIRECTIONAL ? "DIRECTIONAL"
                                                        : "?";
  return std::string("{") + type + ", d " + ColourText(l->Diffuse) + ", s " + ColourText(l->Specular) + ", a " +
         ColourText(l->Ambient) + ", p " + VectorText(l->Position) + ", dir " + VectorText(l->Direction) +
         Format(", range %g, att {%g, %g, %g}}", static_cast<double>(l->Range), static_cast<double>(l->Attenuation0),
                static_cast<double>(l->Attenuation1), static_cast<double>(l->Attenuation2));
}

const char* PrimitiveName(DWORD type) {
  static const char* const kNames[] = {"?",            "POINTLIST",     "LINELIST",   "LINESTRIP",
                                       "TRIANGLELIST", "TRIANGLESTRIP", "TRIANGLEFAN"};
  return type < 7 ? kNames[type] : "?";
}

std::string DeclarationText(const D3DVERTEXELEMENT9* elements) {
  if (elements == nullptr) return "null";
  static const char* const kTypes[] = {"FLOAT1", "FLOAT2", "FLOAT3", "FLOAT4", "D3DCOLOR", "UBYTE4"};
  static const char* const kUsages[] = {"POSITION",  "BLENDWEIGHT", "BLENDINDICES", "NORMAL", "PSIZE",
                                        "TEXCOORD",  "TANGENT",     "BINORMAL",     "TESSFACTOR",
                                        "POSITIONT", "COLOR",       "FOG",          "DEPTH",  "SAMPLE"};
  std::string text = "{";
  for (UINT i = 0; i <= MAXD3DDECLLENGTH && elements[i].Stream != 0xFF; ++i) {
    const D3DVERTEXELEMENT9& e = elements[i];
    const std::string type = e.Type < 6 ? kTypes[e.Type] : std::to_string(e.Type);
    const std::string usage = e.Usage < 14 ? kUsages[e.Usage] : std::to_string(e.Usage);
    text += Format("%s{%u, %u, %s, %s, %u}", i ? ", " : "", e.Stream, e.Offset, type.c_str(), usage.c_str(),
                   e.UsageIndex);
  }
  return text + "}";
}

class RecDevice;
class RecTexture;

class RecTracked : public D3D9Counted {
 public:
  explicit RecTracked(ULONG refs) : D3D9Counted(refs) {}
  virtual void Detach() = 0;
  // A default-pool target that must be released before the device can be reset.
  virtual bool BlocksReset() const { return false; }
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
    if (m_log->LogReferences()) {
      m_log->Add(Format("%s.%s() -> %u", m_name.empty() ? "device" : m_name.c_str(), what, refs));
    }
  }
  // AddRef and Release of an object the device hands out.
  ULONG CountedAddRef(D3D9Counted* counts, IUnknown* device) {
    const ULONG refs = counts->AddPublic(device);
    LogReference("AddRef", refs);
    return refs;
  }
  ULONG CountedRelease(D3D9Counted* counts, IUnknown* device) {
    if (counts->PublicCount() == 0) return 0;
    LogReference("Release", counts->PublicCount() - 1);
    return counts->DropPublic(device);  // which may delete the object
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
  void ReleaseFromDevice();

 protected:
  bool KeptByDevice() const override { return m_deviceOwned; }
  bool BlocksReset() const override {
    return m_owner == nullptr && !m_deviceOwned && (m_desc.Usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0 &&
           PublicCount() > 0;
  }
  D3D9Counted* Holder() override;

 private:
  RecDevice* m_device;
  RecTexture* m_owner;
  UINT m_level;
  D3DSURFACE_DESC m_desc;
  bool m_lockable;
  bool m_deviceOwned;
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
  bool BlocksReset() const override {
    return m_pool == D3DPOOL_DEFAULT && (m_usage & D3DUSAGE_RENDERTARGET) != 0 && PublicCount() > 0;
  }
  D3DFORMAT format() const { return m_format; }
  UINT width() const { return m_width; }
  UINT height() const { return m_height; }

 private:
  void Untrack();

  RecDevice* m_device;
  UINT m_width, m_height, m_levels;
  D3DFORMAT m_format;
  D3DPOOL m_pool;
  DWORD m_usage;
  DWORD m_priority = 0;
  std::vector<std::vector<uint8_t>> m_memory;
  std::vector<bool> m_locked;
  std::vector<RecSurface*> m_surfaces;
};

class RecVertexBuffer final : public IDirect3DVertexBuffer9, public RecObject, public RecTracked {
 public:
  RecVertexBuffer(std::shared_ptr<D3D9RecordingLog> log, std::string name, RecDevice* device,
                  const D3DVERTEXBUFFER_DESC& desc);
  ~RecVertexBuffer() override;

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override {
    DWORD old = m_priority;
    m_priority = priority;
    return old;
  }
  DWORD GetPriority() override { return m_priority; }
  void PreLoad() override {}
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** ppbData, DWORD flags) override {
    HRESULT hr;
    if (!Call("Lock", Format("%u, %u, 0x%X", offsetToLock, sizeToLock, flags), &hr)) return hr;
    UINT offset, size;
    if (ppbData == nullptr || m_locked || !D3D9_ResolveBufferLock(m_desc.Size, offsetToLock, sizeToLock, &offset, &size)) {
      return Done(D3DERR_INVALIDCALL);
    }
    m_locked = true;
    *ppbData = m_memory.data() + offset;
    return Done(D3D_OK);
  }
  HRESULT Unlock() override {
    HRESULT hr;
    if (!Call("Unlock", "", &hr)) return hr;
    if (!m_locked) return Done(D3DERR_INVALIDCALL);
    m_locked = false;
    return Done(D3D_OK);
  }
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override {
    if (pDesc == nullptr) return D3DERR_INVALIDCALL;
    *pDesc = m_desc;
    return D3D_OK;
  }
  void Detach() override { m_device = nullptr; }

  RecDevice* device() const { return m_device; }
  const std::vector<uint8_t>& memory() const { return m_memory; }
  bool locked() const { return m_locked; }

 private:
  RecDevice* m_device;
  D3DVERTEXBUFFER_DESC m_desc;
  std::vector<uint8_t> m_memory;
  DWORD m_priority = 0;
  bool m_locked = false;
};

class RecVertexDeclaration final : public IDirect3DVertexDeclaration9, public RecObject, public RecTracked {
 public:
  RecVertexDeclaration(std::shared_ptr<D3D9RecordingLog> log, std::string name, RecDevice* device,
                       D3D9VertexLayout layout);
  ~RecVertexDeclaration() override;

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override {
    if (pNumElements == nullptr) return D3DERR_INVALIDCALL;
    const UINT n = static_cast<UINT>(m_layout.elements.size()) + 1;
    if (pElement != nullptr) {
      std::copy(m_layout.elements.begin(), m_layout.elements.end(), pElement);
      pElement[n - 1] = D3DDECL_END();
    }
    *pNumElements = n;
    return D3D_OK;
  }
  void Detach() override { m_device = nullptr; }

  RecDevice* device() const { return m_device; }
  const D3D9VertexLayout& layout() const { return m_layout; }

 private:
  RecDevice* m_device;
  D3D9VertexLayout m_layout;
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
    // Default-pool targets the program still holds must go first, as on the OpenGL device.
    for (const RecTracked* resource : m_tracked) {
      if (resource->BlocksReset()) return Done(D3DERR_INVALIDCALL);
    }
    *pp = params;
    m_pp = params;
    m_inScene = false;
    MakeSwapChain();
    ResetBindings();
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
    if (pSharedHandle != nullptr ||
        D3D9_CheckTexture(width, height, usage, format, pool, m_config.caps, ColourFormat(format)) != D3D_OK) {
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
    if (pSharedHandle != nullptr || !ColourFormat(format) ||
        D3D9_CheckRenderTarget(width, height, format, multiSample, lockable, m_config.caps,
                               Supported(m_config, multiSample)) != D3D_OK) {
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
    auto facts = [this](RecSurface* s) {
      D3D9SurfaceFacts f;
      if (s == nullptr) return f;
      f = D3D9SurfaceFacts{s->device() == this, s->IsDepth(), s->IsRenderTarget(), s->pool(), s->desc()};
      return f;
    };
    RECT sr, dr;
    return Done(D3D9_CheckStretchRect(facts(source), pSourceRect, facts(dest), pDestRect, source == dest, &sr, &dr));
  }
  HRESULT SetRenderTarget(DWORD index, IDirect3DSurface9* pRenderTarget) override {
    auto* surface = dynamic_cast<RecSurface*>(pRenderTarget);
    HRESULT hr;
    if (!Call("SetRenderTarget", Format("%u, %s", index, surface ? surface->name().c_str() : "null"), &hr)) return hr;
    if (index >= m_config.caps.NumSimultaneousRTs || (index == 0 && surface == nullptr) ||
        (pRenderTarget != nullptr && (surface == nullptr || !surface->IsRenderTarget() || surface->device() != this))) {
      return Done(D3DERR_INVALIDCALL);
    }
    if (surface) surface->Bind();
    if (m_targets[index]) m_targets[index]->Unbind();
    m_targets[index] = surface;
    if (index == 0) {
      m_viewport = D3DVIEWPORT9{0, 0, surface->desc().Width, surface->desc().Height, 0.0f, 1.0f};
      m_scissor = RECT{0, 0, static_cast<LONG>(surface->desc().Width), static_cast<LONG>(surface->desc().Height)};
    }
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
    if (surface) surface->Bind();
    if (m_depthStencil) m_depthStencil->Unbind();
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
  HRESULT SetScissorRect(const RECT* pRect) override {
    HRESULT hr;
    if (!Call("SetScissorRect", RectText(pRect), &hr)) return hr;
    if (pRect == nullptr || pRect->left > pRect->right || pRect->top > pRect->bottom) return Done(D3DERR_INVALIDCALL);
    m_scissor = *pRect;
    return Done(D3D_OK);
  }
  HRESULT GetScissorRect(RECT* pRect) override {
    HRESULT hr;
    if (!Call("GetScissorRect", "", &hr)) return hr;
    if (pRect == nullptr) return Done(D3DERR_INVALIDCALL);
    *pRect = m_scissor;
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

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override {
    HRESULT hr;
    if (!Call("SetRenderState", RenderStateText(state, value), &hr)) return hr;
    bool changed;
    return Done(m_state.SetRenderState(state, value, &changed));
  }
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* pValue) override {
    HRESULT hr;
    if (!Call("GetRenderState", RenderStateName(state) ? RenderStateName(state) : std::to_string(state), &hr)) return hr;
    hr = m_state.GetRenderState(state, pValue);
    return Done(hr, SUCCEEDED(hr) ? std::to_string(*pValue) : "");
  }
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override {
    HRESULT hr;
    if (!Call("SetSamplerState", Format("%u, %s, %u", sampler, SamplerStateName(type).c_str(), value), &hr)) return hr;
    bool changed;
    return Done(m_state.SetSamplerState(sampler, type, value, &changed));
  }
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* pValue) override {
    HRESULT hr;
    if (!Call("GetSamplerState", Format("%u, %s", sampler, SamplerStateName(type).c_str()), &hr)) return hr;
    hr = m_state.GetSamplerState(sampler, type, pValue);
    return Done(hr, SUCCEEDED(hr) ? std::to_string(*pValue) : "");
  }
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override {
    HRESULT hr;
    if (!Call("SetTextureStageState", Format("%u, %s, %u", stage, StageStateName(type).c_str(), value), &hr)) return hr;
    bool changed;
    return Done(m_state.SetTextureStageState(stage, type, value, &changed));
  }
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* pValue) override {
    HRESULT hr;
    if (!Call("GetTextureStageState", Format("%u, %s", stage, StageStateName(type).c_str()), &hr)) return hr;
    hr = m_state.GetTextureStageState(stage, type, pValue);
    return Done(hr, SUCCEEDED(hr) ? std::to_string(*pValue) : "");
  }
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* pTexture) override {
    auto* texture = dynamic_cast<RecTexture*>(pTexture);
    HRESULT hr;
    if (!Call("SetTexture", Format("%u, %s", stage, texture ? texture->name().c_str() : pTexture ? "?" : "null"), &hr)) {
      return hr;
    }
    if (stage >= kD3D9TextureStages ||
        (pTexture != nullptr && (texture == nullptr || texture->device() != this ||
                                 (texture->pool() != D3DPOOL_DEFAULT && texture->pool() != D3DPOOL_MANAGED)))) {
      return Done(D3DERR_INVALIDCALL);
    }
    if (texture) texture->Bind();
    if (m_textures[stage]) m_textures[stage]->Unbind();
    m_textures[stage] = texture;
    return Done(D3D_OK);
  }
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** ppTexture) override {
    HRESULT hr;
    if (!Call("GetTexture", Format("%u", stage), &hr)) return hr;
    if (ppTexture == nullptr || stage >= kD3D9TextureStages) return Done(D3DERR_INVALIDCALL);
    *ppTexture = m_textures[stage];
    if (m_textures[stage] == nullptr) return Done(D3D_OK, "null");
    m_textures[stage]->AddRef();
    return Done(D3D_OK, m_textures[stage]->name());
  }
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* pMatrix) override {
    HRESULT hr;
    if (!Call("SetTransform", TransformName(state) + ", " + MatrixText(pMatrix), &hr)) return hr;
    return Done(m_state.SetTransform(state, pMatrix));
  }
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* pMatrix) override {
    HRESULT hr;
    if (!Call("GetTransform", TransformName(state), &hr)) return hr;
    return Done(m_state.GetTransform(state, pMatrix));
  }
  HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override {
    HRESULT hr;
    if (!Call("SetMaterial", MaterialText(pMaterial), &hr)) return hr;
    return Done(m_state.SetMaterial(pMaterial));
  }
  HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override {
    HRESULT hr;
    if (!Call("GetMaterial", "", &hr)) return hr;
    if (pMaterial == nullptr) return Done(D3DERR_INVALIDCALL);
    *pMaterial = m_state.material;
    return Done(D3D_OK);
  }
  HRESULT SetLight(DWORD index, const D3DLIGHT9* pLight) override {
    HRESULT hr;
    if (!Call("SetLight", Format("%u, ", index) + LightText(pLight), &hr)) return hr;
    return Done(m_state.SetLight(index, pLight));
  }
  HRESULT GetLight(DWORD index, D3DLIGHT9* pLight) override {
    HRESULT hr;
    if (!Call("GetLight", Format("%u", index), &hr)) return hr;
    return Done(m_state.GetLight(index, pLight));
  }
  HRESULT LightEnable(DWORD index, BOOL enable) override {
    HRESULT hr;
    if (!Call("LightEnable", Format("%u, %d", index, enable), &hr)) return hr;
    return Done(m_state.LightEnable(index, enable));
  }
  HRESULT GetLightEnable(DWORD index, BOOL* pEnable) override {
    HRESULT hr;
    if (!Call("GetLightEnable", Format("%u", index), &hr)) return hr;
    hr = m_state.GetLightEnable(index, pEnable);
    return Done(hr, SUCCEEDED(hr) ? std::to_string(*pEnable) : "");
  }
  HRESULT SetFVF(DWORD fvf) override {
    HRESULT hr;
    if (!Call("SetFVF", Format("0x%X", fvf), &hr)) return hr;
    D3D9VertexLayout layout;
    UINT stride;
    if (fvf != 0 && !D3D9Layout_FromFVF(fvf, &layout, &stride)) return Done(D3DERR_INVALIDCALL);
    m_fvf = fvf;
    if (fvf != 0) SetDeclarationObject(nullptr);
    return Done(D3D_OK);
  }
  HRESULT GetFVF(DWORD* pFVF) override {
    HRESULT hr;
    if (!Call("GetFVF", "", &hr)) return hr;
    if (pFVF == nullptr) return Done(D3DERR_INVALIDCALL);
    *pFVF = m_fvf;
    return Done(D3D_OK, Format("0x%X", m_fvf));
  }
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                  IDirect3DVertexDeclaration9** ppDecl) override {
    HRESULT hr;
    if (!Call("CreateVertexDeclaration", DeclarationText(pVertexElements), &hr)) return hr;
    if (ppDecl == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppDecl = nullptr;
    D3D9VertexLayout layout;
    hr = D3D9Layout_FromDeclaration(pVertexElements, &layout);
    if (FAILED(hr)) return Done(hr);
    auto* decl = new RecVertexDeclaration(m_log, m_log->NewName("declaration"), this, std::move(layout));
    *ppDecl = decl;
    return Done(D3D_OK, decl->name());
  }
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override {
    auto* decl = dynamic_cast<RecVertexDeclaration*>(pDecl);
    HRESULT hr;
    if (!Call("SetVertexDeclaration", decl ? decl->name() : pDecl ? "?" : "null", &hr)) return hr;
    if (pDecl != nullptr && (decl == nullptr || decl->device() != this)) return Done(D3DERR_INVALIDCALL);
    SetDeclarationObject(decl);
    if (decl) m_fvf = 0;
    return Done(D3D_OK);
  }
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override {
    HRESULT hr;
    if (!Call("GetVertexDeclaration", "", &hr)) return hr;
    if (ppDecl == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppDecl = m_declaration;
    if (m_declaration == nullptr) return Done(D3D_OK, "null");
    m_declaration->AddRef();
    return Done(D3D_OK, m_declaration->name());
  }
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** ppVertexBuffer,
                             void** pSharedHandle) override {
    HRESULT hr;
    if (!Call("CreateVertexBuffer", Format("%u, 0x%X, 0x%X, %s", length, usage, fvf, PoolName(pool)), &hr)) return hr;
    if (ppVertexBuffer == nullptr) return Done(D3DERR_INVALIDCALL);
    *ppVertexBuffer = nullptr;
    if (pSharedHandle != nullptr) return Done(D3DERR_INVALIDCALL);
    hr = D3D9_CheckVertexBuffer(length, usage, fvf, pool);
    if (FAILED(hr)) return Done(hr);
    D3DVERTEXBUFFER_DESC desc{D3DFMT_VERTEXDATA, D3DRTYPE_VERTEXBUFFER, usage, pool, length, fvf};
    auto* buffer = new RecVertexBuffer(m_log, m_log->NewName("vertexbuffer"), this, desc);
    *ppVertexBuffer = buffer;
    return Done(D3D_OK, buffer->name());
  }
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* pStreamData, UINT offsetInBytes,
                          UINT stride) override {
    auto* buffer = dynamic_cast<RecVertexBuffer*>(pStreamData);
    HRESULT hr;
    if (!Call("SetStreamSource",
              Format("%u, %s, %u, %u", streamNumber, buffer ? buffer->name().c_str() : pStreamData ? "?" : "null",
                     offsetInBytes, stride),
              &hr)) {
      return hr;
    }
    if (streamNumber >= kD3D9Streams || (pStreamData != nullptr && (buffer == nullptr || buffer->device() != this))) {
      return Done(D3DERR_INVALIDCALL);
    }
    SetStream(streamNumber, buffer, offsetInBytes, stride);
    return Done(D3D_OK);
  }
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                          UINT* pStride) override {
    HRESULT hr;
    if (!Call("GetStreamSource", Format("%u", streamNumber), &hr)) return hr;
    if (streamNumber >= kD3D9Streams || ppStreamData == nullptr || pOffsetInBytes == nullptr || pStride == nullptr) {
      return Done(D3DERR_INVALIDCALL);
    }
    const Stream& s = m_streams[streamNumber];
    *ppStreamData = s.buffer;
    *pOffsetInBytes = s.offset;
    *pStride = s.stride;
    if (s.buffer == nullptr) return Done(D3D_OK, "null");
    s.buffer->AddRef();
    return Done(D3D_OK, s.buffer->name());
  }
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override {
    HRESULT hr;
    if (!Call("DrawPrimitive", Format("%s, %u, %u", PrimitiveName(type), startVertex, primitiveCount), &hr)) return hr;
    const UINT vertices = D3D9_VertexCount(type, primitiveCount);
    D3D9VertexLayout layout;
    D3D9StreamExtent extents[kD3D9Streams];
    for (UINT i = 0; i < kD3D9Streams; ++i) {
      const Stream& s = m_streams[i];
      if (s.buffer) {
        extents[i] = D3D9StreamExtent{true, static_cast<UINT>(s.buffer->memory().size()), s.offset, s.stride,
                                      s.buffer->locked()};
      }
    }
    if (!m_inScene || vertices == 0 || primitiveCount > m_config.caps.MaxPrimitiveCount || !CurrentLayout(&layout) ||
        !D3D9_StreamsHold(layout, extents, startVertex, vertices)) {
      return Done(D3DERR_INVALIDCALL);
    }
    std::vector<uint8_t> bytes;
    if (const Stream& s = m_streams[0]; s.buffer != nullptr && m_log->Recording()) {
      const size_t from = s.offset + static_cast<size_t>(startVertex) * s.stride;
      const size_t n = std::min(static_cast<size_t>(vertices) * s.stride, s.buffer->memory().size() - std::min(from, s.buffer->memory().size()));
      bytes.assign(s.buffer->memory().begin() + static_cast<ptrdiff_t>(from),
                   s.buffer->memory().begin() + static_cast<ptrdiff_t>(from + n));
    }
    RecordDraw(type, primitiveCount, vertices, m_streams[0].stride, std::move(bytes));
    return Done(D3D_OK);
  }
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* pVertexStreamZeroData,
                          UINT vertexStreamZeroStride) override {
    HRESULT hr;
    if (!Call("DrawPrimitiveUP", Format("%s, %u, %u", PrimitiveName(type), primitiveCount, vertexStreamZeroStride),
              &hr)) {
      return hr;
    }
    const UINT vertices = D3D9_VertexCount(type, primitiveCount);
    D3D9VertexLayout layout;
    D3D9StreamExtent extents[kD3D9Streams];
    extents[0] = D3D9StreamExtent{true, vertices * vertexStreamZeroStride, 0, vertexStreamZeroStride};
    if (!m_inScene || vertices == 0 || primitiveCount > m_config.caps.MaxPrimitiveCount ||
        pVertexStreamZeroData == nullptr || vertexStreamZeroStride == 0 || !CurrentLayout(&layout) ||
        !D3D9_StreamsHold(layout, extents, 0, vertices)) {
      return Done(D3DERR_INVALIDCALL);
    }
    const auto* data = static_cast<const uint8_t*>(pVertexStreamZeroData);
    const size_t bytes = m_log->Recording() ? static_cast<size_t>(vertices) * vertexStreamZeroStride : 0;
    RecordDraw(type, primitiveCount, vertices, vertexStreamZeroStride, std::vector<uint8_t>(data, data + bytes));
    SetStream(0, nullptr, 0, 0);
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
    return D3D9_CheckPresentParameters(*pp, m_config.caps, Supported(m_config, pp->MultiSampleType),
                                       D3DFormat_IsDepth(pp->AutoDepthStencilFormat));
  }
  void UnbindTargets() {
    for (RecSurface*& t : m_targets) {
      if (t) t->Unbind();
      t = nullptr;
    }
    if (m_depthStencil) m_depthStencil->Unbind();
    m_depthStencil = nullptr;
  }
  void MakeSwapChain() {
    UnbindTargets();
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
    m_backBuffer->Bind();
    if (m_autoDepth) {
      m_depthStencil = m_autoDepth;
      m_autoDepth->Bind();
    }
    m_viewport = D3DVIEWPORT9{0, 0, m_pp.BackBufferWidth, m_pp.BackBufferHeight, 0.0f, 1.0f};
    m_scissor = RECT{0, 0, static_cast<LONG>(m_pp.BackBufferWidth), static_cast<LONG>(m_pp.BackBufferHeight)};
  }

  struct Stream {
    RecVertexBuffer* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
  };
  void SetStream(UINT index, RecVertexBuffer* buffer, UINT offset, UINT stride) {
    if (buffer) buffer->Bind();
    if (m_streams[index].buffer) m_streams[index].buffer->Unbind();
    m_streams[index] = Stream{buffer, offset, stride};
  }
  void SetDeclarationObject(RecVertexDeclaration* decl) {
    if (decl) decl->Bind();
    if (m_declaration) m_declaration->Unbind();
    m_declaration = decl;
  }
  // Lets go of every bound texture, stream and declaration and puts the states back to their defaults.
  void ResetBindings() {
    for (RecTexture*& t : m_textures) {
      if (t) t->Unbind();
      t = nullptr;
    }
    for (UINT i = 0; i < kD3D9Streams; ++i) SetStream(i, nullptr, 0, 0);
    SetDeclarationObject(nullptr);
    m_fvf = 0;
    m_state.Reset(m_pp.EnableAutoDepthStencil != FALSE);
  }
  bool CurrentLayout(D3D9VertexLayout* layout) const;
  void RecordDraw(D3DPRIMITIVETYPE type, UINT primitives, UINT vertices, UINT stride, std::vector<uint8_t> bytes);

  RecDirect3D9* m_parent;
  D3D9RecordingConfig m_config;
  ULONG m_refs = 1;
  D3DPRESENT_PARAMETERS m_pp{};
  RecSurface* m_backBuffer = nullptr;
  RecSurface* m_autoDepth = nullptr;
  RecSurface* m_targets[4] = {};
  RecSurface* m_depthStencil = nullptr;
  D3DVIEWPORT9 m_viewport{};
  RECT m_scissor{};
  bool m_inScene = false;
  std::unordered_set<RecTracked*> m_tracked;
  D3D9FixedState m_state;
  RecTexture* m_textures[kD3D9TextureStages] = {};
  Stream m_streams[kD3D9Streams];
  DWORD m_fvf = 0;
  RecVertexDeclaration* m_declaration = nullptr;
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
    : RecObject(std::move(log), std::move(name)), RecTracked(owner || deviceOwned ? 0 : 1), m_device(device),
      m_owner(owner), m_level(level), m_desc(desc), m_lockable(lockable), m_deviceOwned(deviceOwned) {
  if (m_owner == nullptr && !m_deviceOwned && m_device) {
    m_device->Track(this);
    m_device->AddRef();
  }
}

RecSurface::~RecSurface() {
  if (m_owner == nullptr && !m_deviceOwned && m_device) m_device->Untrack(this);
}

RecDevice* RecSurface::device() const { return m_owner ? m_owner->device() : m_device; }

ULONG RecSurface::AddRef() { return m_owner ? m_owner->AddRef() : CountedAddRef(this, m_device); }

ULONG RecSurface::Release() { return m_owner ? m_owner->Release() : CountedRelease(this, m_device); }

D3D9Counted* RecSurface::Holder() { return m_owner ? static_cast<D3D9Counted*>(m_owner) : this; }

void RecSurface::ReleaseFromDevice() {
  RecDevice* device = m_device;
  m_device = nullptr;
  m_deviceOwned = false;
  LeaveDevice(device);
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
    : RecObject(std::move(log), std::move(name)), RecTracked(1), m_device(device), m_width(width), m_height(height),
      m_levels(levels), m_format(format), m_pool(pool), m_usage(usage) {
  m_device->Track(this);
  m_device->AddRef();
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

ULONG RecTexture::AddRef() { return CountedAddRef(this, m_device); }

ULONG RecTexture::Release() { return CountedRelease(this, m_device); }

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
  ResetBindings();
  UnbindTargets();
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
  m_state.Reset(m_pp.EnableAutoDepthStencil != FALSE);
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

bool RecDevice::CurrentLayout(D3D9VertexLayout* layout) const {
  if (m_declaration != nullptr) {
    *layout = m_declaration->layout();
    return true;
  }
  UINT stride;
  return m_fvf != 0 && D3D9Layout_FromFVF(m_fvf, layout, &stride);
}

void RecDevice::RecordDraw(D3DPRIMITIVETYPE type, UINT primitives, UINT vertices, UINT stride,
                           std::vector<uint8_t> bytes) {
  D3D9RecordedDraw draw{type, primitives, vertices, m_fvf, m_declaration ? m_declaration->name() : "",
                        m_textures[0] ? m_textures[0]->name() : "", stride, std::move(bytes)};
  m_log->AddDraw(std::move(draw));
}

RecVertexBuffer::RecVertexBuffer(std::shared_ptr<D3D9RecordingLog> log, std::string name, RecDevice* device,
                                 const D3DVERTEXBUFFER_DESC& desc)
    : RecObject(std::move(log), std::move(name)), RecTracked(1), m_device(device), m_desc(desc),
      m_memory(desc.Size, 0) {
  m_device->Track(this);
  m_device->AddRef();
}

RecVertexBuffer::~RecVertexBuffer() {
  if (m_device) m_device->Untrack(this);
}

ULONG RecVertexBuffer::AddRef() { return CountedAddRef(this, m_device); }

ULONG RecVertexBuffer::Release() { return CountedRelease(this, m_device); }

HRESULT RecVertexBuffer::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = m_device;
  if (m_device == nullptr) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  return D3D_OK;
}

RecVertexDeclaration::RecVertexDeclaration(std::shared_ptr<D3D9RecordingLog> log, std::string name,
                                           RecDevice* device, D3D9VertexLayout layout)
    : RecObject(std::move(log), std::move(name)), RecTracked(1), m_device(device), m_layout(std::move(layout)) {
  m_device->Track(this);
  m_device->AddRef();
}

RecVertexDeclaration::~RecVertexDeclaration() {
  if (m_device) m_device->Untrack(this);
}

ULONG RecVertexDeclaration::AddRef() { return CountedAddRef(this, m_device); }

ULONG RecVertexDeclaration::Release() { return CountedRelease(this, m_device); }

HRESULT RecVertexDeclaration::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = m_device;
  if (m_device == nullptr) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  return D3D_OK;
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
