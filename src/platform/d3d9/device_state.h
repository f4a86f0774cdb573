// The fixed-function state both devices keep: its defaults, the checks its setters make, and
// the vertex layouts that FVF codes and vertex declarations describe. Objects bound to the
// device (textures, stream buffers, the declaration) are the devices' own business.
#pragma once

#include <vector>

#include "platform/d3d9/d3d9.h"

constexpr DWORD kD3D9RenderStates = 256;
constexpr DWORD kD3D9Samplers = 16;
constexpr DWORD kD3D9SamplerStates = 14;  // types 1-13
constexpr DWORD kD3D9Stages = 8;
constexpr DWORD kD3D9StageStates = 33;  // types 1-32
constexpr DWORD kD3D9TextureStages = 9;  // textures may sit on stages 0-8
constexpr DWORD kD3D9Lights = 8;
constexpr DWORD kD3D9Streams = 16;

float D3D9_FloatFromBits(DWORD bits);
DWORD D3D9_BitsFromFloat(float value);
D3DMATRIX D3D9_Identity();

struct D3D9FixedState {
  DWORD render[kD3D9RenderStates];
  DWORD sampler[kD3D9Samplers][kD3D9SamplerStates];
  DWORD stage[kD3D9Stages][kD3D9StageStates];
  D3DMATRIX view;
  D3DMATRIX projection;
  D3DMATRIX world;
  D3DMATRIX texture[8];
  D3DMATERIAL9 material;
  D3DLIGHT9 lights[kD3D9Lights];
  bool lightSet[kD3D9Lights];
  bool lightEnabled[kD3D9Lights];

  // Direct3D 9's defaults. The depth test starts on when the device made its own depth buffer.
  // The material starts as white diffuse and nothing else.
  void Reset(bool depthBuffer);

  // The setters answer D3DERR_INVALIDCALL for numbers outside the ranges above and for records
  // the device cannot use; *changed tells whether the stored value moved.
  HRESULT SetRenderState(DWORD state, DWORD value, bool* changed);
  HRESULT GetRenderState(DWORD state, DWORD* value) const;
  HRESULT SetSamplerState(DWORD sampler, DWORD type, DWORD value, bool* changed);
  HRESULT GetSamplerState(DWORD sampler, DWORD type, DWORD* value) const;
  HRESULT SetTextureStageState(DWORD stage, DWORD type, DWORD value, bool* changed);
  HRESULT GetTextureStageState(DWORD stage, DWORD type, DWORD* value) const;
  // View, projection, world (matrix 0 only) and the eight texture matrices.
  HRESULT SetTransform(DWORD state, const D3DMATRIX* matrix);
  HRESULT GetTransform(DWORD state, D3DMATRIX* matrix) const;
  HRESULT SetMaterial(const D3DMATERIAL9* material);
  // Directional and point lights with finite values; a point light needs a range of 0 or more
  // and attenuation terms of 0 or more, not all 0; a directional one a direction.
  HRESULT SetLight(DWORD index, const D3DLIGHT9* light);
  HRESULT GetLight(DWORD index, D3DLIGHT9* light) const;
  HRESULT LightEnable(DWORD index, BOOL enable);
  HRESULT GetLightEnable(DWORD index, BOOL* enable) const;
};

// The counts of an object a device hands out (texture, surface, vertex buffer, declaration),
// kept as Direct3D 9 keeps them. The public count is what AddRef and Release answer; while it is
// above zero the object holds one reference to its device, so the device outlives what the
// program still holds. The device's bindings (set textures, streams, declaration, targets) keep
// the object alive without showing in that count: releasing a bound object leaves the device no
// dangling pointer, and the object goes when both counts are zero.
class D3D9Counted {
 public:
  virtual ~D3D9Counted() = default;
  // The device binds the object or lets go of it.
  void Bind() { ++Holder()->m_binds; }
  void Unbind() {
    D3D9Counted* h = Holder();
    if (h->m_binds > 0 && --h->m_binds == 0 && h->m_refs == 0 && !h->KeptByDevice()) delete h;
  }
  // One more public reference; the first takes one on the device (null once detached from it).
  ULONG AddPublic(IUnknown* device) {
    if (m_refs++ == 0 && device != nullptr) device->AddRef();
    return m_refs;
  }
  // One public reference fewer. At zero the object is deleted unless a binding keeps it, and then
  // its device reference goes; that may end the device, whose bindings then let go of the object.
  ULONG DropPublic(IUnknown* device) {
    if (m_refs == 0) return 0;
    if (--m_refs > 0) return m_refs;
    if (m_binds == 0 && !KeptByDevice()) delete this;  // nothing of this object is touched after
    if (device != nullptr) device->Release();
    return 0;
  }
  ULONG PublicCount() const { return m_refs; }
  // A device-owned object that its device lets go of: deleted when nothing holds it, else it
  // gives back its reference to the device it has left.
  void LeaveDevice(IUnknown* device) {
    if (m_refs == 0) {
      delete this;
    } else if (device != nullptr) {
      device->Release();
    }
  }

 protected:
  explicit D3D9Counted(ULONG refs) : m_refs(refs) {}
  // Objects the device deletes itself (the swap chain's surfaces), whatever their counts.
  virtual bool KeptByDevice() const { return false; }
  // Whose counts bindings change: a texture's level surface binds its texture.
  virtual D3D9Counted* Holder() { return this; }

 private:
  ULONG m_refs;
  ULONG m_binds = 0;
};

// What a vertex holds: the declaration's elements without the closing one.
struct D3D9VertexLayout {
  std::vector<D3DVERTEXELEMENT9> elements;
  const D3DVERTEXELEMENT9* Find(BYTE usage, BYTE usageIndex) const;
};

// Bytes of one element of a declaration type; 0 for types the device does not take.
UINT D3D9DeclType_Size(BYTE type);
// The layout of an FVF code and the size of its vertex. False for codes outside the device's
// subset: an untransformed position (D3DFVF_XYZ) with any of normal, point size, diffuse,
// specular and up to eight texture sets.
bool D3D9Layout_FromFVF(DWORD fvf, D3D9VertexLayout* layout, UINT* stride);
// Checks a declaration up to its D3DDECL_END (at most MAXD3DDECLLENGTH elements before it):
// streams 0-15, offsets on 4-byte steps, the types FLOAT1-4, D3DCOLOR and UBYTE4, the default
// method, usages 0-13 and no usage with its index twice.
HRESULT D3D9Layout_FromDeclaration(const D3DVERTEXELEMENT9* elements, D3D9VertexLayout* layout);
// Vertices a draw of that many primitives reads; 0 for an unknown primitive type.
UINT D3D9_VertexCount(DWORD primitiveType, UINT primitiveCount);

// The checks of CreateVertexBuffer: a non-zero length, an FVF of the subset (or 0) whose vertex
// fits, no pool but default, managed and system memory, no dynamic managed buffer.
HRESULT D3D9_CheckVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
// The byte range a vertex-buffer lock covers; false when it does not lie inside the buffer.
bool D3D9_ResolveBufferLock(UINT bufferSize, UINT offsetToLock, UINT sizeToLock, UINT* offset, UINT* size);

// Where a stream's vertices are: the bytes of its buffer and the offset and stride it was set with.
struct D3D9StreamExtent {
  bool bound = false;
  UINT size = 0;
  UINT offset = 0;
  UINT stride = 0;
  bool locked = false;  // the buffer is locked, so no draw may read it
};
// Whether the streams that the layout reads hold every element of vertices first .. first+count-1.
// A stride of 0 (every vertex reading the same bytes) or a locked buffer is not drawn here and
// answers false.
bool D3D9_StreamsHold(const D3D9VertexLayout& layout, const D3D9StreamExtent* streams, UINT first, UINT count);

// What a device knows of a surface given to StretchRect.
struct D3D9SurfaceFacts {
  bool ours = false;  // a surface of this device
  bool depth = false;
  bool renderTarget = false;
  D3DPOOL pool = D3DPOOL_DEFAULT;
  D3DSURFACE_DESC desc{};
};
// The checks of StretchRect, the same on every device: two different surfaces of this device, a
// default-pool colour source, a render target as destination that is not multisampled, and
// rectangles inside both (null: the whole surface), which are written to *sourceRect and *destRect.
HRESULT D3D9_CheckStretchRect(const D3D9SurfaceFacts& source, const RECT* pSourceRect, const D3D9SurfaceFacts& dest,
                              const RECT* pDestRect, bool sameSurface, RECT* sourceRect, RECT* destRect);
// The checks of CreateRenderTarget besides the format's support: a size within the caps, a sample
// count the device takes, no lockable multisampled target, no block-compressed format, and only
// 32-bit formats multisampled (they resolve through a 32-bit copy).
HRESULT D3D9_CheckRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                               BOOL lockable, const D3DCAPS9& caps, bool samplesSupported);
// The checks of CreateTexture: a colour format the device takes, a size within the caps, a known
// pool, no depth usage, and render targets only in the default pool and not block-compressed.
HRESULT D3D9_CheckTexture(UINT width, UINT height, DWORD usage, D3DFORMAT format, D3DPOOL pool, const D3DCAPS9& caps,
                          bool formatSupported);
// The checks of presentation parameters (Reset, device creation) once their zeros are filled
// in: a 32-bit back buffer within the caps, a sample count and depth format the device takes.
bool D3D9_CheckPresentParameters(const D3DPRESENT_PARAMETERS& pp, const D3DCAPS9& caps, bool samplesSupported,
                                 bool depthFormatSupported);
