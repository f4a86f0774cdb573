// The OpenGL implementation of the device (internal to platform/d3d9; others use d3d9.h).
//
// Storage: every colour image is kept top row first, so rows of textures, render targets and
// read-back coincide and only presentation flips. The back buffer is an off-screen target:
// Present copies it to the window, so read-back is the same with or without a visible window.
// Draw paths must therefore flip clip-space y; with that flip a clockwise triangle on screen is
// counter-clockwise to OpenGL, which is OpenGL's default front face.
//
// Draws (gl_draw.cpp) emulate the fixed-function pipeline with the programs of
// gl_fixed_function.h. They set every piece of OpenGL state they depend on through GLState, as
// the other operations do, so that a clear or copy in between costs nothing to undo.
#pragma once

#include <epoxy/gl.h>

#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/device_state.h"
#include "platform/d3d9/gl_fixed_function.h"
#include "platform/d3d9/gl_state.h"

class GLDevice;
class GLTexture;

// What the probe context found: the machine's answers, the same for every device.
struct GLMachineInfo {
  bool probed = false;
  bool usable = false;
  std::string error;
  std::string renderer;
  std::string vendor;
  std::string version;
  int maxTextureSize = 0;
  int maxSamples = 0;
  int maxDrawBuffers = 0;
  bool s3tc = false;
};
const GLMachineInfo& GLMachine_Info();

// How a pixel format is held by OpenGL.
struct GLFormat {
  GLenum internalFormat = 0;
  GLenum format = 0;     // for uploads and read-back of uncompressed data
  GLenum type = 0;
  bool compressed = false;  // uploaded as compressed blocks
  bool decodeDXT = false;   // block-compressed, decoded to 32 bits in software before upload
  GLenum swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};
// False for formats the device does not offer for this use.
bool GLFormat_ForColour(D3DFORMAT format, GLFormat* out);
bool GLFormat_ForDepth(D3DFORMAT format, GLenum* internalFormat, bool* hasStencil);

// Where a surface's pixels live on the OpenGL side.
struct GLStorage {
  GLuint texture = 0;
  GLuint renderbuffer = 0;
  GLint level = 0;
  int samples = 0;
  bool HasObject() const { return texture != 0 || renderbuffer != 0; }
};

// Resources the device keeps track of, so that destroying the device detaches them.
class GLTracked : public D3D9Counted {
 public:
  explicit GLTracked(ULONG refs) : D3D9Counted(refs) {}
  // The device goes away: free the OpenGL objects and forget the device.
  virtual void Detach() = 0;
  // A default-pool resource that must be released before the device can be reset.
  virtual bool BlocksReset() const { return false; }
};

class GLSurface final : public IDirect3DSurface9, public GLTracked {
 public:
  enum class Kind { TextureLevel, RenderTarget, DepthStencil, BackBuffer, AutoDepth };

  // A level of a texture: shares the texture's reference count.
  GLSurface(GLTexture* owner, UINT level, const D3DSURFACE_DESC& desc);
  // A standalone surface: render target, depth-stencil, or one the device owns.
  GLSurface(GLDevice* device, Kind kind, const D3DSURFACE_DESC& desc, bool lockable);
  ~GLSurface() override;

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override;
  DWORD GetPriority() override;
  void PreLoad() override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_SURFACE; }
  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) override;
  HRESULT UnlockRect() override;
  void Detach() override;

  Kind kind() const { return m_kind; }
  bool BlocksReset() const override {
    return (m_kind == Kind::RenderTarget || m_kind == Kind::DepthStencil) && PublicCount() > 0;
  }
  const D3DSURFACE_DESC& desc() const { return m_desc; }
  GLStorage Storage() const;
  GLTexture* owner() const { return m_owner; }
  GLDevice* device() const;
  bool IsRenderTarget() const { return (m_desc.Usage & D3DUSAGE_RENDERTARGET) != 0; }
  bool IsDepth() const { return m_kind == Kind::DepthStencil || m_kind == Kind::AutoDepth; }
  bool HasStencil() const { return m_hasStencil; }

  // Device-owned surfaces (back buffer, automatic depth-stencil) change size on reset and are
  // deleted by the device, not by their last Release.
  bool AllocateStorage();
  void FreeStorage();
  void SetDesc(const D3DSURFACE_DESC& desc) { m_desc = desc; }
  void SetLockable(bool lockable) { m_lockable = lockable; }
  void ReleaseFromDevice();  // the device lets go of a surface it owns

 protected:
  bool KeptByDevice() const override { return m_deviceOwned; }
  D3D9Counted* Holder() override;

 private:
  GLTexture* m_owner = nullptr;
  UINT m_level = 0;
  GLDevice* m_device = nullptr;
  Kind m_kind;
  D3DSURFACE_DESC m_desc{};
  bool m_lockable = false;
  bool m_hasStencil = false;
  bool m_deviceOwned = false;
  DWORD m_priority = 0;
  GLStorage m_storage;
  // Lock state of a lockable render target.
  std::vector<uint8_t> m_shadow;
  bool m_locked = false;
  DWORD m_lockFlags = 0;
  RECT m_lockRect{};
};

class GLTexture final : public IDirect3DTexture9, public GLTracked {
 public:
  GLTexture(GLDevice* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
            D3DPOOL pool);
  ~GLTexture() override;
  bool Init();  // false when the OpenGL texture cannot be made

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override;
  DWORD GetPriority() override;
  void PreLoad() override;
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_TEXTURE; }
  DWORD GetLevelCount() override { return m_levels; }
  HRESULT GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) override;
  HRESULT GetSurfaceLevel(UINT level, IDirect3DSurface9** ppSurfaceLevel) override;
  HRESULT LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) override;
  HRESULT UnlockRect(UINT level) override;
  HRESULT AddDirtyRect(const RECT* pDirtyRect) override;
  void Detach() override;

  GLDevice* device() const { return m_device; }
  GLuint glTexture() const { return m_texture; }
  D3DFORMAT format() const { return m_format; }
  D3DPOOL pool() const { return m_pool; }
  bool BlocksReset() const override {
    return m_pool == D3DPOOL_DEFAULT && (m_usage & D3DUSAGE_RENDERTARGET) != 0 && PublicCount() > 0;
  }
  DWORD usage() const { return m_usage; }
  UINT LevelWidth(UINT level) const;
  UINT LevelHeight(UINT level) const;
  bool HasShadow() const { return !m_shadow.empty(); }
  const uint8_t* ShadowLevel(UINT level) const { return m_shadow[level].data(); }
  // Sends the dirty parts of the memory copy to OpenGL (managed pool).
  void FlushDirty();
  // Copies the dirty region of this (system-memory) texture into another's OpenGL texture.
  bool CopyDirtyTo(GLTexture* destination);
  // Reads what OpenGL holds for a level as 32-bit pixels (textures of 32-bit or DXT formats).
  bool ReadGL(UINT level, std::vector<uint8_t>* bgra);

 private:
  struct Dirty {
    bool any = false;
    RECT rect{};
  };
  void MarkDirty(UINT level, const RECT& rect);
  bool UploadRect(GLuint texture, UINT level, const RECT& rect);

  GLDevice* m_device;
  UINT m_width, m_height, m_levels;
  DWORD m_usage;
  D3DFORMAT m_format;
  D3DPOOL m_pool;
  GLFormat m_glFormat;
  GLuint m_texture = 0;
  DWORD m_priority = 0;
  std::vector<std::vector<uint8_t>> m_shadow;  // per level, for pools that keep a memory copy
  std::vector<Dirty> m_dirty;
  std::vector<GLSurface*> m_surfaces;
  std::vector<bool> m_locked;
  std::vector<DWORD> m_lockFlags;
  std::vector<RECT> m_lockRects;
};

// A vertex buffer: OpenGL buffer storage that locks map and hand out as they are, so that
// written vertices reach OpenGL without a second copy. A dynamic buffer is one OpenGL buffer of
// several windows of its size (about 4 MiB in all, at least three): a discarding lock moves to the
// next window, waiting only for the draws that read that window a full turn ago (a fence set when
// it was left), and maps it without synchronising; a no-overwrite lock does not wait for queued
// draws; a plain or read-only lock waits for them. So a frame of many batches costs the driver no
// fresh storage per discard (orphaned or invalidated storage is allocated and cleared anew by
// some drivers, each time). A discarding or no-overwrite lock hands out write-only memory:
// reading through it gives undefined bytes, as reading a dynamic buffer may on the real device.
class GLVertexBuffer final : public IDirect3DVertexBuffer9, public GLTracked {
 public:
  GLVertexBuffer(GLDevice* device, const D3DVERTEXBUFFER_DESC& desc);
  ~GLVertexBuffer() override;
  bool Init();  // false when the OpenGL buffer cannot be made

  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  DWORD SetPriority(DWORD priority) override;
  DWORD GetPriority() override;
  void PreLoad() override {}
  D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }
  HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** ppbData, DWORD flags) override;
  HRESULT Unlock() override;
  HRESULT GetDesc(D3DVERTEXBUFFER_DESC* pDesc) override;
  void Detach() override;

  GLDevice* device() const { return m_device; }
  UINT size() const { return m_desc.Size; }
  bool locked() const { return m_locked; }
  // The OpenGL buffer a draw reads (0 once the device is gone), and where in it the buffer's
  // current bytes start. Draws never read a locked buffer: OpenGL draws nothing from a mapped one.
  GLuint DrawBuffer() const { return m_buffer; }
  uintptr_t DrawOffset() const { return static_cast<uintptr_t>(m_window) * m_desc.Size; }

 private:
  static constexpr uint64_t kWindowedBytes = 4u << 20;
  static constexpr int kMinWindows = 3;
  static constexpr int kMaxWindows = 16;
  GLDevice* m_device;
  D3DVERTEXBUFFER_DESC m_desc;
  int m_windowCount = 1;
  int m_window = 0;
  GLsync m_fences[kMaxWindows] = {};  // set when a window was left, while draws may read it
  GLuint m_buffer = 0;
  DWORD m_priority = 0;
  bool m_locked = false;
  bool m_mapped = false;   // the lock maps m_buffer (an empty lock maps nothing)
  uint8_t m_nothing = 0;   // what an empty lock points at
};

class GLVertexDeclaration final : public IDirect3DVertexDeclaration9, public GLTracked {
 public:
  GLVertexDeclaration(GLDevice* device, D3D9VertexLayout layout);
  ~GLVertexDeclaration() override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetDevice(IDirect3DDevice9** ppDevice) override;
  HRESULT GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) override;
  void Detach() override { m_device = nullptr; }

  GLDevice* device() const { return m_device; }
  const D3D9VertexLayout& layout() const { return m_layout; }

 private:
  GLDevice* m_device;
  D3D9VertexLayout m_layout;
};

class GLDirect3D9;

class GLDevice final : public IDirect3DDevice9 {
 public:
  GLDevice(GLDirect3D9* parent, HWND window, bool ownsWindow, const D3DCAPS9& caps);
  ~GLDevice() override;
  HRESULT Init(D3DPRESENT_PARAMETERS* pp);

  ULONG AddRef() override;
  ULONG Release() override;

  HRESULT TestCooperativeLevel() override;
  HRESULT GetDirect3D(IDirect3D9** ppD3D9) override;
  HRESULT GetDeviceCaps(D3DCAPS9* pCaps) override;
  HRESULT GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) override;
  HRESULT Reset(D3DPRESENT_PARAMETERS* pPresentationParameters) override;
  HRESULT Present(const RECT* pSourceRect, const RECT* pDestRect, HWND hDestWindowOverride,
                  const void* pDirtyRegion) override;
  HRESULT GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE type,
                        IDirect3DSurface9** ppBackBuffer) override;
  HRESULT GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) override;
  HRESULT CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                        IDirect3DTexture9** ppTexture, void** pSharedHandle) override;
  HRESULT CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                             DWORD multisampleQuality, BOOL lockable, IDirect3DSurface9** ppSurface,
                             void** pSharedHandle) override;
  HRESULT CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                    DWORD multisampleQuality, BOOL discard, IDirect3DSurface9** ppSurface,
                                    void** pSharedHandle) override;
  HRESULT UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture) override;
  HRESULT StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect, IDirect3DSurface9* pDestSurface,
                      const RECT* pDestRect, D3DTEXTUREFILTERTYPE filter) override;
  HRESULT SetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9* pRenderTarget) override;
  HRESULT GetRenderTarget(DWORD renderTargetIndex, IDirect3DSurface9** ppRenderTarget) override;
  HRESULT SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) override;
  HRESULT GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) override;
  HRESULT SetViewport(const D3DVIEWPORT9* pViewport) override;
  HRESULT GetViewport(D3DVIEWPORT9* pViewport) override;
  HRESULT SetScissorRect(const RECT* pRect) override;
  HRESULT GetScissorRect(RECT* pRect) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Clear(DWORD count, const D3DRECT* pRects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) override;

  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, DWORD* pValue) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* pValue) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* pValue) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* pTexture) override;
  HRESULT GetTexture(DWORD stage, IDirect3DBaseTexture9** ppTexture) override;
  HRESULT SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* pMatrix) override;
  HRESULT GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* pMatrix) override;
  HRESULT SetMaterial(const D3DMATERIAL9* pMaterial) override;
  HRESULT GetMaterial(D3DMATERIAL9* pMaterial) override;
  HRESULT SetLight(DWORD index, const D3DLIGHT9* pLight) override;
  HRESULT GetLight(DWORD index, D3DLIGHT9* pLight) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT GetLightEnable(DWORD index, BOOL* pEnable) override;
  HRESULT SetFVF(DWORD fvf) override;
  HRESULT GetFVF(DWORD* pFVF) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* pVertexElements,
                                  IDirect3DVertexDeclaration9** ppDecl) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* pDecl) override;
  HRESULT GetVertexDeclaration(IDirect3DVertexDeclaration9** ppDecl) override;
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool, IDirect3DVertexBuffer9** ppVertexBuffer,
                             void** pSharedHandle) override;
  HRESULT SetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9* pStreamData, UINT offsetInBytes,
                          UINT stride) override;
  HRESULT GetStreamSource(UINT streamNumber, IDirect3DVertexBuffer9** ppStreamData, UINT* pOffsetInBytes,
                          UINT* pStride) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE primitiveType, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawPrimitiveUP(D3DPRIMITIVETYPE primitiveType, UINT primitiveCount, const void* pVertexStreamZeroData,
                          UINT vertexStreamZeroStride) override;

  // A vertex buffer is being deleted: forget it wherever it was bound.
  void ForgetBuffer(GLuint buffer);
  // Fixed-function programs compiled by this device so far.
  size_t ProgramCount() const { return m_programs.CompiledCount(); }

  // Services for the resources.
  void MakeCurrent();
  GLState& gl() { return m_gl; }
  void Track(GLTracked* resource) { m_tracked.insert(resource); }
  void Untrack(GLTracked* resource) { m_tracked.erase(resource); }
  // Reads a rectangle of a colour surface into BGRA rows (resolving multisampling first).
  bool ReadSurface(GLSurface* surface, const RECT& rect, uint8_t* bgra, size_t pitch);
  // Binds the device's framebuffer with the current targets; false when it is incomplete.
  bool ApplyTargets();
  HWND window() const { return m_window; }

 private:
  HRESULT CreateSwapChainSurfaces();
  void UnbindTargets();
  void AttachForRead(const GLStorage& storage);
  void AttachForDraw(const GLStorage& storage);
  // A single-sampled copy of a multisampled surface, in the scratch texture.
  GLStorage Resolve(GLSurface* surface);
  bool CheckPresentParameters(D3DPRESENT_PARAMETERS* pp);
  void SetSwapInterval();

  GLDirect3D9* m_parent;
  HWND m_window;
  bool m_ownsWindow;
  D3DCAPS9 m_caps;
  ULONG m_refs = 1;
  D3DPRESENT_PARAMETERS m_pp{};
  GLSurface* m_backBuffer = nullptr;
  GLSurface* m_autoDepth = nullptr;
  GLSurface* m_targets[4] = {};
  GLSurface* m_depthStencil = nullptr;
  D3DVIEWPORT9 m_viewport{};
  RECT m_scissor{};
  bool m_inScene = false;
  // Set by a Reset refused or made to fail: the device answers "not reset" until a Reset succeeds.
  bool m_needsReset = false;
  int m_failingResets = 0;  // Resets still to fail (the test switch)
 public:
  // The test switch: the device counts as lost and its next `failingResets` Resets fail.
  void Lose(int failingResets) {
    m_needsReset = true;
    m_failingResets = failingResets;
  }

 private:
  bool m_targetsDirty = true;
  bool m_targetsComplete = false;
  GLuint m_drawFbo = 0, m_readFbo = 0, m_copyFbo = 0;
  GLuint m_scratch = 0;
  UINT m_scratchWidth = 0, m_scratchHeight = 0;
  GLState m_gl;
  std::unordered_set<GLTracked*> m_tracked;

  // Drawing (gl_draw.cpp).
  struct StreamBinding {
    GLVertexBuffer* buffer = nullptr;
    UINT offset = 0;
    UINT stride = 0;
  };
  // Where one vertex input reads from, as last given to OpenGL.
  struct Attribute {
    bool enabled = false;
    GLuint buffer = 0;
    GLint size = 0;
    GLenum type = 0;
    GLboolean normalized = GL_FALSE;
    GLsizei stride = 0;
    uintptr_t offset = 0;
  };
  void InitDrawing();
  void FreeDrawing();
  // Lets go of bound textures, streams and the declaration, and returns every state to its default.
  void ResetBindings();
  void SetStream(UINT index, GLVertexBuffer* buffer, UINT offset, UINT stride);
  void SetDeclarationObject(GLVertexDeclaration* decl);
  bool CurrentLayout(D3D9VertexLayout* layout) const;
  // Draws count vertices from first on: streams give each stream's OpenGL buffer, base offset and stride.
  struct StreamSource {
    GLuint buffer = 0;
    uintptr_t base = 0;
    UINT stride = 0;
  };
  HRESULT Draw(D3DPRIMITIVETYPE type, UINT first, UINT count, const D3D9VertexLayout& layout,
               const StreamSource* streams);
  GLFFVariant DescribeVariant(const D3D9VertexLayout& layout) const;
  void ApplyRasterState();
  void UpdateUniforms();
  void BindStageZero();
  void SetAttribute(GLuint location, const D3DVERTEXELEMENT9* element, const StreamSource* streams);
  uint64_t NextVersion() { return ++m_versionCounter; }

  D3D9FixedState m_state;
  GLTexture* m_textures[kD3D9TextureStages] = {};
  StreamBinding m_streams[kD3D9Streams];
  DWORD m_fvf = 0;
  GLVertexDeclaration* m_declaration = nullptr;
  GLFFCache m_programs;
  GLFFUniforms m_uniforms;
  uint64_t m_versionCounter = 0;
  bool m_transformsDirty = true;
  bool m_lightingDirty = true;
  bool m_fogDirty = true;
  bool m_pixelDirty = true;
  bool m_samplerDirty = true;
  float m_uniformViewport[2] = {};
  // Pixels added on each side of a viewport side of that length.
  static UINT GuardBand(UINT side);
  GLuint m_vao = 0;
  GLuint m_sampler = 0;
  GLuint m_whiteTexture = 0;
  GLuint m_streamBuffer = 0;  // user-memory draws
  Attribute m_attributes[kGLFFInputs];
};

class GLDirect3D9 final : public IDirect3D9 {
 public:
  GLDirect3D9();
  ~GLDirect3D9() override;

  ULONG AddRef() override;
  ULONG Release() override;
  UINT GetAdapterCount() override;
  HRESULT GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* pIdentifier) override;
  UINT GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
  HRESULT EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* pMode) override;
  HRESULT GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* pMode) override;
  HRESULT CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE deviceType, D3DFORMAT surfaceFormat, BOOL windowed,
                                     D3DMULTISAMPLE_TYPE multiSampleType, DWORD* pQualityLevels) override;
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE deviceType, D3DCAPS9* pCaps) override;
  HMONITOR GetAdapterMonitor(UINT adapter) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE deviceType, HWND hFocusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* pPresentationParameters,
                       IDirect3DDevice9** ppReturnedDeviceInterface) override;

 private:
  ULONG m_refs = 1;
};

// Multisample counts the device accepts (0 always; 2, 4, 8, 16 as the machine allows).
bool GLMachine_SupportsSamples(DWORD samples);
// Display modes of one adapter for a format (32-bit: X8R8G8B8/A8R8G8B8, 16-bit: R5G6B5).
bool GLMachine_DisplayMode(int display, D3DDISPLAYMODE* mode);
