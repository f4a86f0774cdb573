#include "platform/d3d9/device_state.h"

#include <cmath>
#include <cstring>

#include "platform/d3d9/pixel_formats.h"

float D3D9_FloatFromBits(DWORD bits) {
  float value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

DWORD D3D9_BitsFromFloat(float value) {
  DWORD bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

D3DMATRIX D3D9_Identity() {
  D3DMATRIX m{};
  for (int i = 0; i < 4; ++i) m.m[i][i] = 1.0f;
  return m;
}

void D3D9FixedState::Reset(bool depthBuffer) {
  std::memset(render, 0, sizeof render);
  render[D3DRS_ZENABLE] = depthBuffer ? D3DZB_TRUE : D3DZB_FALSE;
  render[D3DRS_FILLMODE] = D3DFILL_SOLID;
  render[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
  render[D3DRS_ZWRITEENABLE] = TRUE;
  render[D3DRS_LASTPIXEL] = TRUE;
  render[D3DRS_SRCBLEND] = D3DBLEND_ONE;
  render[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
  render[D3DRS_CULLMODE] = D3DCULL_CCW;
  render[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
  render[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
  render[D3DRS_FOGEND] = D3D9_BitsFromFloat(1.0f);
  render[D3DRS_FOGDENSITY] = D3D9_BitsFromFloat(1.0f);
  render[D3DRS_STENCILFAIL] = D3DSTENCILOP_KEEP;
  render[D3DRS_STENCILZFAIL] = D3DSTENCILOP_KEEP;
  render[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
  render[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
  render[D3DRS_STENCILMASK] = 0xFFFFFFFF;
  render[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFF;
  render[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFF;
  render[D3DRS_CLIPPING] = TRUE;
  render[D3DRS_LIGHTING] = TRUE;
  render[D3DRS_COLORVERTEX] = TRUE;
  render[D3DRS_LOCALVIEWER] = TRUE;
  render[D3DRS_DIFFUSEMATERIALSOURCE] = D3DMCS_COLOR1;
  render[D3DRS_SPECULARMATERIALSOURCE] = D3DMCS_COLOR2;
  render[D3DRS_AMBIENTMATERIALSOURCE] = D3DMCS_MATERIAL;
  render[D3DRS_EMISSIVEMATERIALSOURCE] = D3DMCS_MATERIAL;
  render[D3DRS_POINTSIZE] = D3D9_BitsFromFloat(1.0f);
  render[D3DRS_POINTSIZE_MIN] = D3D9_BitsFromFloat(1.0f);
  render[D3DRS_POINTSIZE_MAX] = D3D9_BitsFromFloat(64.0f);
  render[D3DRS_MULTISAMPLEANTIALIAS] = TRUE;
  render[D3DRS_MULTISAMPLEMASK] = 0xFFFFFFFF;
  render[D3DRS_COLORWRITEENABLE] = 0xF;
  render[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
  render[D3DRS_BLENDFACTOR] = 0xFFFFFFFF;
  render[D3DRS_SRCBLENDALPHA] = D3DBLEND_ONE;
  render[D3DRS_DESTBLENDALPHA] = D3DBLEND_ZERO;
  render[D3DRS_BLENDOPALPHA] = D3DBLENDOP_ADD;

  std::memset(sampler, 0, sizeof sampler);
  for (auto& s : sampler) {
    s[D3DSAMP_ADDRESSU] = s[D3DSAMP_ADDRESSV] = s[D3DSAMP_ADDRESSW] = D3DTADDRESS_WRAP;
    s[D3DSAMP_MAGFILTER] = s[D3DSAMP_MINFILTER] = D3DTEXF_POINT;
    s[D3DSAMP_MIPFILTER] = D3DTEXF_NONE;
    s[D3DSAMP_MAXANISOTROPY] = 1;
  }

  std::memset(stage, 0, sizeof stage);
  for (DWORD i = 0; i < kD3D9Stages; ++i) {
    DWORD* s = stage[i];
    s[D3DTSS_COLOROP] = i == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    s[D3DTSS_ALPHAOP] = i == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    s[D3DTSS_COLORARG1] = s[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
    s[D3DTSS_COLORARG2] = s[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
    s[D3DTSS_COLORARG0] = s[D3DTSS_ALPHAARG0] = s[D3DTSS_RESULTARG] = D3DTA_CURRENT;
    s[D3DTSS_TEXCOORDINDEX] = i;
  }

  view = projection = world = D3D9_Identity();
  for (D3DMATRIX& m : texture) m = D3D9_Identity();
  material = D3DMATERIAL9{};
  material.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 1.0f};
  for (DWORD i = 0; i < kD3D9Lights; ++i) {
    lights[i] = D3DLIGHT9{};
    lights[i].Type = D3DLIGHT_DIRECTIONAL;
    lights[i].Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
    lights[i].Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
    lightSet[i] = false;
    lightEnabled[i] = false;
  }
}

HRESULT D3D9FixedState::SetRenderState(DWORD state, DWORD value, bool* changed) {
  *changed = false;
  if (state >= kD3D9RenderStates) return D3DERR_INVALIDCALL;
  *changed = render[state] != value;
  render[state] = value;
  return D3D_OK;
}

HRESULT D3D9FixedState::GetRenderState(DWORD state, DWORD* value) const {
  if (value == nullptr || state >= kD3D9RenderStates) return D3DERR_INVALIDCALL;
  *value = render[state];
  return D3D_OK;
}

HRESULT D3D9FixedState::SetSamplerState(DWORD s, DWORD type, DWORD value, bool* changed) {
  *changed = false;
  if (s >= kD3D9Samplers || type == 0 || type >= kD3D9SamplerStates) return D3DERR_INVALIDCALL;
  *changed = sampler[s][type] != value;
  sampler[s][type] = value;
  return D3D_OK;
}

HRESULT D3D9FixedState::GetSamplerState(DWORD s, DWORD type, DWORD* value) const {
  if (value == nullptr || s >= kD3D9Samplers || type == 0 || type >= kD3D9SamplerStates) return D3DERR_INVALIDCALL;
  *value = sampler[s][type];
  return D3D_OK;
}

HRESULT D3D9FixedState::SetTextureStageState(DWORD s, DWORD type, DWORD value, bool* changed) {
  *changed = false;
  if (s >= kD3D9Stages || type == 0 || type >= kD3D9StageStates) return D3DERR_INVALIDCALL;
  *changed = stage[s][type] != value;
  stage[s][type] = value;
  return D3D_OK;
}

HRESULT D3D9FixedState::GetTextureStageState(DWORD s, DWORD type, DWORD* value) const {
  if (value == nullptr || s >= kD3D9Stages || type == 0 || type >= kD3D9StageStates) return D3DERR_INVALIDCALL;
  *value = stage[s][type];
  return D3D_OK;
}

namespace {

// The matrix a transform state names, for const and non-const states alike; null when not kept.
template <typename State>
auto TransformSlot(State& s, DWORD state) -> decltype(&s.view) {
  switch (state) {
    case D3DTS_VIEW: return &s.view;
    case D3DTS_PROJECTION: return &s.projection;
    case D3DTS_WORLD: return &s.world;
    default:
      if (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) return &s.texture[state - D3DTS_TEXTURE0];
      return nullptr;
  }
}

}  // namespace

HRESULT D3D9FixedState::SetTransform(DWORD state, const D3DMATRIX* matrix) {
  D3DMATRIX* slot = TransformSlot(*this, state);
  if (slot == nullptr || matrix == nullptr) return D3DERR_INVALIDCALL;
  *slot = *matrix;
  return D3D_OK;
}

HRESULT D3D9FixedState::GetTransform(DWORD state, D3DMATRIX* matrix) const {
  const D3DMATRIX* slot = TransformSlot(*this, state);
  if (slot == nullptr || matrix == nullptr) return D3DERR_INVALIDCALL;
  *matrix = *slot;
  return D3D_OK;
}

HRESULT D3D9FixedState::SetMaterial(const D3DMATERIAL9* m) {
  if (m == nullptr) return D3DERR_INVALIDCALL;
  material = *m;
  return D3D_OK;
}

namespace {

bool Finite(float v) { return std::isfinite(v); }
bool Finite(const D3DCOLORVALUE& c) { return Finite(c.r) && Finite(c.g) && Finite(c.b) && Finite(c.a); }
bool Finite(const D3DVECTOR& v) { return Finite(v.x) && Finite(v.y) && Finite(v.z); }

}  // namespace

HRESULT D3D9FixedState::SetLight(DWORD index, const D3DLIGHT9* light) {
  if (light == nullptr || index >= kD3D9Lights) return D3DERR_INVALIDCALL;
  const D3DLIGHT9& l = *light;
  // Non-finite values would spread into every lit pixel; refusing them keeps the last good light.
  if (!Finite(l.Diffuse) || !Finite(l.Specular) || !Finite(l.Ambient) || !Finite(l.Position) ||
      !Finite(l.Direction) || !Finite(l.Range) || !Finite(l.Attenuation0) || !Finite(l.Attenuation1) ||
      !Finite(l.Attenuation2)) {
    return D3DERR_INVALIDCALL;
  }
  if (l.Type == D3DLIGHT_DIRECTIONAL) {
    if (l.Direction.x == 0.0f && l.Direction.y == 0.0f && l.Direction.z == 0.0f) return D3DERR_INVALIDCALL;
  } else if (l.Type == D3DLIGHT_POINT) {
    if (l.Range < 0.0f || l.Attenuation0 < 0.0f || l.Attenuation1 < 0.0f || l.Attenuation2 < 0.0f ||
        (l.Attenuation0 == 0.0f && l.Attenuation1 == 0.0f && l.Attenuation2 == 0.0f)) {
      return D3DERR_INVALIDCALL;
    }
  } else {
    return D3DERR_INVALIDCALL;
  }
  lights[index] = l;
  lightSet[index] = true;
  return D3D_OK;
}

HRESULT D3D9FixedState::GetLight(DWORD index, D3DLIGHT9* light) const {
  if (light == nullptr || index >= kD3D9Lights || !lightSet[index]) return D3DERR_INVALIDCALL;
  *light = lights[index];
  return D3D_OK;
}

HRESULT D3D9FixedState::LightEnable(DWORD index, BOOL enable) {
  if (index >= kD3D9Lights) return D3DERR_INVALIDCALL;
  lightEnabled[index] = enable != FALSE;
  return D3D_OK;
}

HRESULT D3D9FixedState::GetLightEnable(DWORD index, BOOL* enable) const {
  if (enable == nullptr || index >= kD3D9Lights) return D3DERR_INVALIDCALL;
  *enable = lightEnabled[index] ? TRUE : FALSE;
  return D3D_OK;
}

const D3DVERTEXELEMENT9* D3D9VertexLayout::Find(BYTE usage, BYTE usageIndex) const {
  for (const D3DVERTEXELEMENT9& e : elements) {
    if (e.Usage == usage && e.UsageIndex == usageIndex) return &e;
  }
  return nullptr;
}

UINT D3D9DeclType_Size(BYTE type) {
  switch (type) {
    case D3DDECLTYPE_FLOAT1: return 4;
    case D3DDECLTYPE_FLOAT2: return 8;
    case D3DDECLTYPE_FLOAT3: return 12;
    case D3DDECLTYPE_FLOAT4: return 16;
    case D3DDECLTYPE_D3DCOLOR: return 4;
    case D3DDECLTYPE_UBYTE4: return 4;
    default: return 0;
  }
}

bool D3D9Layout_FromFVF(DWORD fvf, D3D9VertexLayout* layout, UINT* stride) {
  constexpr DWORD kKnown = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_PSIZE | D3DFVF_DIFFUSE | D3DFVF_SPECULAR |
                           D3DFVF_TEXCOUNT_MASK;
  const DWORD texSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if ((fvf & 0xFFFF & ~kKnown) != 0 || (fvf & D3DFVF_POSITION_MASK) != D3DFVF_XYZ || texSets > 8) return false;
  layout->elements.clear();
  WORD offset = 0;
  auto add = [&](BYTE type, BYTE usage, BYTE index) {
    layout->elements.push_back(D3DVERTEXELEMENT9{0, offset, type, D3DDECLMETHOD_DEFAULT, usage, index});
    offset = static_cast<WORD>(offset + D3D9DeclType_Size(type));
  };
  add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_POSITION, 0);
  if (fvf & D3DFVF_NORMAL) add(D3DDECLTYPE_FLOAT3, D3DDECLUSAGE_NORMAL, 0);
  if (fvf & D3DFVF_PSIZE) add(D3DDECLTYPE_FLOAT1, D3DDECLUSAGE_PSIZE, 0);
  if (fvf & D3DFVF_DIFFUSE) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 0);
  if (fvf & D3DFVF_SPECULAR) add(D3DDECLTYPE_D3DCOLOR, D3DDECLUSAGE_COLOR, 1);
  for (DWORD set = 0; set < texSets; ++set) {
    static constexpr BYTE kTypeOfSize[4] = {D3DDECLTYPE_FLOAT2, D3DDECLTYPE_FLOAT3, D3DDECLTYPE_FLOAT4,
                                            D3DDECLTYPE_FLOAT1};
    add(kTypeOfSize[(fvf >> (16 + set * 2)) & 3], D3DDECLUSAGE_TEXCOORD, static_cast<BYTE>(set));
  }
  *stride = offset;
  return true;
}

HRESULT D3D9Layout_FromDeclaration(const D3DVERTEXELEMENT9* elements, D3D9VertexLayout* layout) {
  if (elements == nullptr) return D3DERR_INVALIDCALL;
  std::vector<D3DVERTEXELEMENT9> out;
  for (UINT i = 0;; ++i) {
    const D3DVERTEXELEMENT9& e = elements[i];
    if (e.Stream == 0xFF) {
      if (e.Type != D3DDECLTYPE_UNUSED) return D3DERR_INVALIDCALL;
      break;
    }
    if (i >= MAXD3DDECLLENGTH) return D3DERR_INVALIDCALL;  // no end in sight
    if (e.Stream >= kD3D9Streams || (e.Offset & 3) != 0 || D3D9DeclType_Size(e.Type) == 0 ||
        e.Method != D3DDECLMETHOD_DEFAULT || e.Usage > D3DDECLUSAGE_SAMPLE || e.UsageIndex >= 16) {
      return D3DERR_INVALIDCALL;
    }
    for (const D3DVERTEXELEMENT9& seen : out) {
      if (seen.Usage == e.Usage && seen.UsageIndex == e.UsageIndex) return D3DERR_INVALIDCALL;
    }
    out.push_back(e);
  }
  layout->elements = std::move(out);
  return D3D_OK;
}

UINT D3D9_VertexCount(DWORD primitiveType, UINT n) {
  if (n == 0) return 0;
  switch (primitiveType) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return n * 2;
    case D3DPT_LINESTRIP: return n + 1;
    case D3DPT_TRIANGLELIST: return n * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return n + 2;
    default: return 0;
  }
}

HRESULT D3D9_CheckVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool) {
  if (length == 0 || (pool != D3DPOOL_DEFAULT && pool != D3DPOOL_MANAGED && pool != D3DPOOL_SYSTEMMEM) ||
      (usage & (D3DUSAGE_RENDERTARGET | D3DUSAGE_DEPTHSTENCIL)) != 0 ||
      ((usage & D3DUSAGE_DYNAMIC) != 0 && pool == D3DPOOL_MANAGED)) {
    return D3DERR_INVALIDCALL;
  }
  if (fvf != 0) {
    D3D9VertexLayout layout;
    UINT stride = 0;
    if (!D3D9Layout_FromFVF(fvf, &layout, &stride) || length < stride) return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

bool D3D9_ResolveBufferLock(UINT bufferSize, UINT offsetToLock, UINT sizeToLock, UINT* offset, UINT* size) {
  if (offsetToLock > bufferSize) return false;
  const UINT size0 = sizeToLock == 0 ? bufferSize - offsetToLock : sizeToLock;
  if (uint64_t{offsetToLock} + size0 > bufferSize) return false;
  *offset = offsetToLock;
  *size = size0;
  return true;
}

bool D3D9_StreamsHold(const D3D9VertexLayout& layout, const D3D9StreamExtent* streams, UINT first, UINT count) {
  if (count == 0) return true;
  for (const D3DVERTEXELEMENT9& e : layout.elements) {
    const D3D9StreamExtent& s = streams[e.Stream];
    if (!s.bound || s.stride == 0 || s.locked) return false;
    const uint64_t end = uint64_t{s.offset} + (uint64_t{first} + count - 1) * s.stride + e.Offset +
                         D3D9DeclType_Size(e.Type);
    if (end > s.size) return false;
  }
  return true;
}

namespace {

bool ResolveSurfaceRect(const RECT* rect, const D3DSURFACE_DESC& desc, RECT* out) {
  *out = rect != nullptr ? *rect : RECT{0, 0, static_cast<LONG>(desc.Width), static_cast<LONG>(desc.Height)};
  return out->left >= 0 && out->top >= 0 && out->right <= static_cast<LONG>(desc.Width) &&
         out->bottom <= static_cast<LONG>(desc.Height) && out->left < out->right && out->top < out->bottom;
}

}  // namespace

HRESULT D3D9_CheckStretchRect(const D3D9SurfaceFacts& source, const RECT* pSourceRect, const D3D9SurfaceFacts& dest,
                              const RECT* pDestRect, bool sameSurface, RECT* sourceRect, RECT* destRect) {
  if (!source.ours || !dest.ours || sameSurface || source.depth || dest.depth || !dest.renderTarget ||
      source.pool != D3DPOOL_DEFAULT || dest.desc.MultiSampleType != D3DMULTISAMPLE_NONE ||
      !ResolveSurfaceRect(pSourceRect, source.desc, sourceRect) || !ResolveSurfaceRect(pDestRect, dest.desc, destRect)) {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

HRESULT D3D9_CheckTexture(UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool, const D3DCAPS9& caps,
                          bool formatSupported) {
  const bool renderTarget = (usage & D3DUSAGE_RENDERTARGET) != 0;
  if (!formatSupported || width == 0 || height == 0 || width > caps.MaxTextureWidth ||
      height > caps.MaxTextureHeight || pool > D3DPOOL_SCRATCH || (usage & D3DUSAGE_DEPTHSTENCIL) != 0 ||
      (renderTarget && (pool != D3DPOOL_DEFAULT || D3DFormat_IsBlockCompressed(format)))) {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}

bool D3D9_CheckPresentParameters(const D3DPRESENT_PARAMETERS& pp, const D3DCAPS9& caps, bool samplesSupported,
                                 bool depthFormatSupported) {
  return (pp.BackBufferFormat == D3DFMT_A8R8G8B8 || pp.BackBufferFormat == D3DFMT_X8R8G8B8) &&
         pp.BackBufferWidth <= caps.MaxTextureWidth && pp.BackBufferHeight <= caps.MaxTextureHeight &&
         samplesSupported && (!pp.EnableAutoDepthStencil || depthFormatSupported);
}

HRESULT D3D9_CheckRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                               BOOL lockable, const D3DCAPS9& caps, bool samplesSupported) {
  const bool multisampled = multiSample != D3DMULTISAMPLE_NONE;
  if (width == 0 || height == 0 || width > caps.MaxTextureWidth || height > caps.MaxTextureHeight ||
      !samplesSupported || (lockable && multisampled) || D3DFormat_IsBlockCompressed(format) ||
      (multisampled && format != D3DFMT_A8R8G8B8 && format != D3DFMT_X8R8G8B8)) {
    return D3DERR_INVALIDCALL;
  }
  return D3D_OK;
}
