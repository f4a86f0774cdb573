#include "platform/d3d9/gl_device.h"

#include <algorithm>
#include <vector>

#include "platform/d3d9/gl_options.h"
#include "platform/d3d9/pixel_formats.h"
#include "platform/window/gl_window.h"

namespace {

GLSurface* AsSurface(IDirect3DSurface9* surface) { return dynamic_cast<GLSurface*>(surface); }

void AttachTo(GLenum target, GLenum attachment, const GLStorage& storage) {
  if (storage.texture != 0) {
    glFramebufferTexture2D(target, attachment, GL_TEXTURE_2D, storage.texture, storage.level);
  } else {
    // Attaching renderbuffer 0 also takes off a texture that was there.
    glFramebufferRenderbuffer(target, attachment, GL_RENDERBUFFER, storage.renderbuffer);
  }
}

D3DPOOL SurfacePool(GLSurface* s) { return s->owner() ? s->owner()->pool() : D3DPOOL_DEFAULT; }

}  // namespace

GLDevice::GLDevice(GLDirect3D9* parent, HWND window, bool ownsWindow, const D3DCAPS9& caps)
    : m_parent(parent), m_window(window), m_ownsWindow(ownsWindow), m_caps(caps) {
  m_parent->AddRef();
}

GLDevice::~GLDevice() {
  MakeCurrent();
  ResetBindings();
  UnbindTargets();
  // Objects the program still holds (only when the device was released more often than it was
  // referenced) outlive the device as empty shells.
  std::vector<GLTracked*> tracked(m_tracked.begin(), m_tracked.end());
  for (GLTracked* resource : tracked) resource->Detach();
  m_tracked.clear();
  if (m_backBuffer) m_backBuffer->ReleaseFromDevice();
  if (m_autoDepth) m_autoDepth->ReleaseFromDevice();
  FreeDrawing();
  if (m_drawFbo) glDeleteFramebuffers(1, &m_drawFbo);
  if (m_readFbo) glDeleteFramebuffers(1, &m_readFbo);
  if (m_copyFbo) glDeleteFramebuffers(1, &m_copyFbo);
  if (m_scratch) glDeleteTextures(1, &m_scratch);
  if (m_ownsWindow) GLWindow_Destroy(m_window);
  m_parent->Release();
}

void GLDevice::MakeCurrent() { GLWindow_MakeCurrent(m_window); }

bool GLDevice::CheckPresentParameters(D3DPRESENT_PARAMETERS* pp) {
  if (pp == nullptr) return false;
  if (pp->BackBufferWidth == 0 || pp->BackBufferHeight == 0) {
    int w = 0, h = 0;
    GLWindow_GetClientSize(m_window, &w, &h);
    if (pp->BackBufferWidth == 0) pp->BackBufferWidth = static_cast<UINT>(std::max(w, 1));
    if (pp->BackBufferHeight == 0) pp->BackBufferHeight = static_cast<UINT>(std::max(h, 1));
  }
  if (pp->BackBufferFormat == D3DFMT_UNKNOWN) pp->BackBufferFormat = D3DFMT_X8R8G8B8;
  if (pp->BackBufferCount == 0) pp->BackBufferCount = 1;
  GLenum internalFormat;
  bool stencil;
  return D3D9_CheckPresentParameters(*pp, m_caps, GLMachine_SupportsSamples(pp->MultiSampleType),
                                     GLFormat_ForDepth(pp->AutoDepthStencilFormat, &internalFormat, &stencil));
}

void GLDevice::SetSwapInterval() {
  const bool immediate = m_pp.PresentationInterval == D3DPRESENT_INTERVAL_IMMEDIATE;
  GLWindow_SetSwapInterval(m_window, immediate ? 0 : 1);  // drivers without the choice keep theirs
}

HRESULT GLDevice::Init(D3DPRESENT_PARAMETERS* pp) {
  if (!CheckPresentParameters(pp)) return D3DERR_INVALIDCALL;
  MakeCurrent();
  m_gl.Invalidate();
  glGenFramebuffers(1, &m_drawFbo);
  glGenFramebuffers(1, &m_readFbo);
  glGenFramebuffers(1, &m_copyFbo);
  m_gl.BindReadFramebuffer(m_readFbo);
  glReadBuffer(GL_COLOR_ATTACHMENT0);
  m_gl.BindDrawFramebuffer(m_copyFbo);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  m_pp = *pp;
  InitDrawing();
  HRESULT hr = CreateSwapChainSurfaces();
  if (FAILED(hr)) return hr;
  SetSwapInterval();
  return D3D_OK;
}

void GLDevice::UnbindTargets() {
  for (GLSurface*& target : m_targets) {
    if (target) target->Unbind();
    target = nullptr;
  }
  if (m_depthStencil) m_depthStencil->Unbind();
  m_depthStencil = nullptr;
}

HRESULT GLDevice::CreateSwapChainSurfaces() {
  UnbindTargets();

  D3DSURFACE_DESC desc{};
  desc.Format = m_pp.BackBufferFormat;
  desc.Type = D3DRTYPE_SURFACE;
  desc.Usage = D3DUSAGE_RENDERTARGET;
  desc.Pool = D3DPOOL_DEFAULT;
  desc.MultiSampleType = m_pp.MultiSampleType;
  desc.Width = m_pp.BackBufferWidth;
  desc.Height = m_pp.BackBufferHeight;
  const bool lockable = (m_pp.Flags & D3DPRESENTFLAG_LOCKABLE_BACKBUFFER) != 0 && m_pp.MultiSampleType == 0;
  if (m_backBuffer == nullptr) {
    m_backBuffer = new GLSurface(this, GLSurface::Kind::BackBuffer, desc, lockable);
  } else {
    m_backBuffer->FreeStorage();
    m_backBuffer->SetDesc(desc);
    m_backBuffer->SetLockable(lockable);
  }
  if (!m_backBuffer->AllocateStorage()) return D3DERR_OUTOFVIDEOMEMORY;

  if (m_pp.EnableAutoDepthStencil) {
    desc.Format = m_pp.AutoDepthStencilFormat;
    desc.Usage = D3DUSAGE_DEPTHSTENCIL;
    if (m_autoDepth == nullptr) {
      m_autoDepth = new GLSurface(this, GLSurface::Kind::AutoDepth, desc, false);
    } else {
      m_autoDepth->FreeStorage();
      m_autoDepth->SetDesc(desc);
    }
    if (!m_autoDepth->AllocateStorage()) return D3DERR_OUTOFVIDEOMEMORY;
  } else if (m_autoDepth != nullptr) {
    m_autoDepth->ReleaseFromDevice();
    m_autoDepth = nullptr;
  }

  m_targets[0] = m_backBuffer;
  m_backBuffer->Bind();
  if (m_autoDepth) {
    m_depthStencil = m_autoDepth;
    m_autoDepth->Bind();
  }
  m_targetsDirty = true;
  m_viewport = D3DVIEWPORT9{0, 0, m_pp.BackBufferWidth, m_pp.BackBufferHeight, 0.0f, 1.0f};
  m_scissor = RECT{0, 0, static_cast<LONG>(m_pp.BackBufferWidth), static_cast<LONG>(m_pp.BackBufferHeight)};
  // What a new back buffer holds is undefined; start from black and a far depth.
  Clear(0, nullptr, D3DCLEAR_TARGET | (m_autoDepth ? D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL : 0), 0, 1.0f, 0);
  return D3D_OK;
}

ULONG GLDevice::AddRef() { return ++m_refs; }

ULONG GLDevice::Release() {
  if (m_refs == 0) return 0;
  ULONG refs = --m_refs;
  if (refs == 0) delete this;
  return refs;
}

HRESULT GLDevice::TestCooperativeLevel() { return m_needsReset ? D3DERR_DEVICENOTRESET : D3D_OK; }

HRESULT GLDevice::GetDirect3D(IDirect3D9** ppD3D9) {
  if (ppD3D9 == nullptr) return D3DERR_INVALIDCALL;
  m_parent->AddRef();
  *ppD3D9 = m_parent;
  return D3D_OK;
}

HRESULT GLDevice::GetDeviceCaps(D3DCAPS9* pCaps) {
  if (pCaps == nullptr) return D3DERR_INVALIDCALL;
  *pCaps = m_caps;
  return D3D_OK;
}

HRESULT GLDevice::GetDisplayMode(UINT iSwapChain, D3DDISPLAYMODE* pMode) {
  if (pMode == nullptr || iSwapChain != 0) return D3DERR_INVALIDCALL;
  return GLMachine_DisplayMode(GLWindow_GetDisplayIndex(m_window), pMode) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GLDevice::Reset(D3DPRESENT_PARAMETERS* pp) {
  D3DPRESENT_PARAMETERS params;
  if (pp == nullptr) return D3DERR_INVALIDCALL;
  params = *pp;
  if (!CheckPresentParameters(&params)) return D3DERR_INVALIDCALL;
  // As on the real device, default-pool resources must be gone first; until then it stays unreset.
  for (GLTracked* resource : m_tracked) {
    if (resource->BlocksReset()) {
      m_needsReset = true;
      return D3DERR_INVALIDCALL;
    }
  }
  if (m_failingResets > 0) {
    --m_failingResets;
    m_needsReset = true;
    return D3DERR_DEVICELOST;
  }
  m_needsReset = false;
  MakeCurrent();
  m_inScene = false;
  m_pp = params;
  *pp = params;
  ResetBindings();
  HRESULT hr = CreateSwapChainSurfaces();
  if (FAILED(hr)) return hr;
  SetSwapInterval();
  return D3D_OK;
}

HRESULT GLDevice::Present(const RECT*, const RECT*, HWND, const void*) {
  MakeCurrent();
  GLStorage source = m_backBuffer->Storage();
  const UINT w = m_pp.BackBufferWidth, h = m_pp.BackBufferHeight;
  if (source.samples > 0) source = Resolve(m_backBuffer);
  int ww = 0, wh = 0;
  GLWindow_GetClientSize(m_window, &ww, &wh);
  m_gl.BindReadFramebuffer(m_readFbo);
  AttachForRead(source);
  m_gl.BindDrawFramebuffer(0);
  m_gl.SetScissorTest(false);
  // The back buffer keeps its top row first; the window's framebuffer starts at the bottom.
  const bool sameSize = static_cast<UINT>(ww) == w && static_cast<UINT>(wh) == h;
  glBlitFramebuffer(0, 0, static_cast<GLint>(w), static_cast<GLint>(h), 0, wh, ww, 0, GL_COLOR_BUFFER_BIT,
                    sameSize ? GL_NEAREST : GL_LINEAR);
  AttachForRead(GLStorage{});
  GLWindow_Swap(m_window);
  return D3D_OK;
}

HRESULT GLDevice::GetBackBuffer(UINT iSwapChain, UINT iBackBuffer, D3DBACKBUFFER_TYPE,
                                IDirect3DSurface9** ppBackBuffer) {
  if (ppBackBuffer == nullptr) return D3DERR_INVALIDCALL;
  *ppBackBuffer = nullptr;
  if (iSwapChain != 0 || iBackBuffer >= m_pp.BackBufferCount) return D3DERR_INVALIDCALL;
  // Every back buffer of the chain is the one off-screen target.
  m_backBuffer->AddRef();
  *ppBackBuffer = m_backBuffer;
  return D3D_OK;
}

HRESULT GLDevice::GetRasterStatus(UINT iSwapChain, D3DRASTER_STATUS* pRasterStatus) {
  if (pRasterStatus == nullptr || iSwapChain != 0) return D3DERR_INVALIDCALL;
  // The scan position is not known here; answering "in the blank" never holds a caller up.
  pRasterStatus->InVBlank = TRUE;
  pRasterStatus->ScanLine = 0;
  return D3D_OK;
}

HRESULT GLDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                IDirect3DTexture9** ppTexture, void** pSharedHandle) {
  if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  GLFormat f;
  if (pSharedHandle != nullptr ||
      D3D9_CheckTexture(width, height, usage, format, pool, m_caps, GLFormat_ForColour(format, &f)) != D3D_OK) {
    return D3DERR_INVALIDCALL;
  }
  const UINT fullChain = D3DFormat_FullChainLevels(width, height);
  if (levels == 0 || levels > fullChain) levels = fullChain;
  auto* texture = new GLTexture(this, width, height, levels, usage, format, pool);
  if (!texture->Init()) {
    texture->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *ppTexture = texture;
  return D3D_OK;
}

HRESULT GLDevice::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE multiSample,
                                     DWORD, BOOL lockable, IDirect3DSurface9** ppSurface, void** pSharedHandle) {
  if (ppSurface == nullptr) return D3DERR_INVALIDCALL;
  *ppSurface = nullptr;
  GLFormat f;
  if (pSharedHandle != nullptr ||
      D3D9_CheckRenderTarget(width, height, format, multiSample, lockable, m_caps,
                             GLMachine_SupportsSamples(multiSample)) != D3D_OK ||
      !GLFormat_ForColour(format, &f)) {
    return D3DERR_INVALIDCALL;
  }
  D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT, multiSample, 0, width, height};
  auto* surface = new GLSurface(this, GLSurface::Kind::RenderTarget, desc, lockable != FALSE);
  if (!surface->AllocateStorage()) {
    surface->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *ppSurface = surface;
  return D3D_OK;
}

HRESULT GLDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format,
                                            D3DMULTISAMPLE_TYPE multiSample, DWORD, BOOL,
                                            IDirect3DSurface9** ppSurface, void** pSharedHandle) {
  if (ppSurface == nullptr) return D3DERR_INVALIDCALL;
  *ppSurface = nullptr;
  GLenum internalFormat;
  bool stencil;
  if (pSharedHandle != nullptr || width == 0 || height == 0 || width > m_caps.MaxTextureWidth ||
      height > m_caps.MaxTextureHeight || !GLMachine_SupportsSamples(multiSample) ||
      !GLFormat_ForDepth(format, &internalFormat, &stencil)) {
    return D3DERR_INVALIDCALL;
  }
  D3DSURFACE_DESC desc{format, D3DRTYPE_SURFACE, D3DUSAGE_DEPTHSTENCIL, D3DPOOL_DEFAULT, multiSample, 0, width, height};
  auto* surface = new GLSurface(this, GLSurface::Kind::DepthStencil, desc, false);
  if (!surface->AllocateStorage()) {
    surface->Release();
    return D3DERR_OUTOFVIDEOMEMORY;
  }
  *ppSurface = surface;
  return D3D_OK;
}

HRESULT GLDevice::UpdateTexture(IDirect3DBaseTexture9* pSourceTexture, IDirect3DBaseTexture9* pDestinationTexture) {
  auto* source = dynamic_cast<GLTexture*>(pSourceTexture);
  auto* destination = dynamic_cast<GLTexture*>(pDestinationTexture);
  if (source == nullptr || destination == nullptr || source->device() != this || destination->device() != this ||
      source->pool() != D3DPOOL_SYSTEMMEM || destination->pool() != D3DPOOL_DEFAULT ||
      source->format() != destination->format() || source->LevelWidth(0) != destination->LevelWidth(0) ||
      source->LevelHeight(0) != destination->LevelHeight(0)) {
    return D3DERR_INVALIDCALL;
  }
  return source->CopyDirtyTo(destination) ? D3D_OK : D3DERR_INVALIDCALL;
}

void GLDevice::AttachForRead(const GLStorage& storage) { AttachTo(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, storage); }

void GLDevice::AttachForDraw(const GLStorage& storage) { AttachTo(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, storage); }

GLStorage GLDevice::Resolve(GLSurface* surface) {
  const D3DSURFACE_DESC& desc = surface->desc();
  if (m_scratch == 0 || m_scratchWidth < desc.Width || m_scratchHeight < desc.Height) {
    if (m_scratch) {
      m_gl.ForgetTexture(m_scratch);
      glDeleteTextures(1, &m_scratch);
    }
    m_scratchWidth = std::max(m_scratchWidth, desc.Width);
    m_scratchHeight = std::max(m_scratchHeight, desc.Height);
    glGenTextures(1, &m_scratch);
    m_gl.BindUploadTexture(m_scratch);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, static_cast<GLsizei>(m_scratchWidth),
                 static_cast<GLsizei>(m_scratchHeight), 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
  }
  GLStorage scratch;
  scratch.texture = m_scratch;
  m_gl.BindReadFramebuffer(m_readFbo);
  AttachForRead(surface->Storage());
  m_gl.BindDrawFramebuffer(m_copyFbo);
  AttachForDraw(scratch);
  m_gl.SetScissorTest(false);
  const GLint w = static_cast<GLint>(desc.Width), h = static_cast<GLint>(desc.Height);
  glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  AttachForDraw(GLStorage{});
  AttachForRead(GLStorage{});
  return scratch;
}

bool GLDevice::ReadSurface(GLSurface* surface, const RECT& rect, uint8_t* out, size_t pitch) {
  MakeCurrent();
  while (glGetError() != GL_NO_ERROR) {
  }
  GLFormat f;
  if (surface->IsDepth() || !GLFormat_ForColour(surface->desc().Format, &f) || f.compressed) return false;
  GLStorage storage = surface->Storage();
  if (!storage.HasObject()) return false;
  if (storage.samples > 0) storage = Resolve(surface);
  const UINT bpp = D3DFormat_BytesPerUnit(surface->desc().Format);
  m_gl.BindReadFramebuffer(m_readFbo);
  AttachForRead(storage);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(pitch / bpp));
  glReadPixels(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, f.format, f.type, out);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  AttachForRead(GLStorage{});
  return glGetError() == GL_NO_ERROR;
}

HRESULT GLDevice::StretchRect(IDirect3DSurface9* pSourceSurface, const RECT* pSourceRect,
                              IDirect3DSurface9* pDestSurface, const RECT* pDestRect, D3DTEXTUREFILTERTYPE filter) {
  GLSurface* source = AsSurface(pSourceSurface);
  GLSurface* dest = AsSurface(pDestSurface);
  auto facts = [this](GLSurface* s) {
    D3D9SurfaceFacts f;
    if (s == nullptr) return f;
    f = D3D9SurfaceFacts{s->device() == this, s->IsDepth(), s->IsRenderTarget(), SurfacePool(s), s->desc()};
    return f;
  };
  RECT sr, dr;
  if (D3D9_CheckStretchRect(facts(source), pSourceRect, facts(dest), pDestRect, source == dest, &sr, &dr) != D3D_OK) {
    return D3DERR_INVALIDCALL;
  }
  GLStorage src = source->Storage();
  GLStorage dst = dest->Storage();
  if (!src.HasObject() || !dst.HasObject()) return D3DERR_INVALIDCALL;
  MakeCurrent();
  while (glGetError() != GL_NO_ERROR) {
  }
  const bool sameRects = sr.left == dr.left && sr.top == dr.top && sr.right == dr.right && sr.bottom == dr.bottom;
  if (src.samples > 0 && !sameRects) src = Resolve(source);
  m_gl.BindReadFramebuffer(m_readFbo);
  AttachForRead(src);
  m_gl.BindDrawFramebuffer(m_copyFbo);
  AttachForDraw(dst);
  m_gl.SetScissorTest(false);
  glBlitFramebuffer(sr.left, sr.top, sr.right, sr.bottom, dr.left, dr.top, dr.right, dr.bottom, GL_COLOR_BUFFER_BIT,
                    filter == D3DTEXF_LINEAR || filter == D3DTEXF_ANISOTROPIC ? GL_LINEAR : GL_NEAREST);
  AttachForDraw(GLStorage{});
  AttachForRead(GLStorage{});
  return glGetError() == GL_NO_ERROR ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT GLDevice::SetRenderTarget(DWORD index, IDirect3DSurface9* pRenderTarget) {
  if (index >= m_caps.NumSimultaneousRTs) return D3DERR_INVALIDCALL;
  GLSurface* surface = nullptr;
  if (pRenderTarget != nullptr) {
    surface = AsSurface(pRenderTarget);
    if (surface == nullptr || surface->device() != this || !surface->IsRenderTarget()) return D3DERR_INVALIDCALL;
  } else if (index == 0) {
    return D3DERR_INVALIDCALL;
  }
  if (surface) surface->Bind();
  if (m_targets[index]) m_targets[index]->Unbind();
  m_targets[index] = surface;
  m_targetsDirty = true;
  if (index == 0) {
    m_viewport = D3DVIEWPORT9{0, 0, surface->desc().Width, surface->desc().Height, 0.0f, 1.0f};
    m_scissor = RECT{0, 0, static_cast<LONG>(surface->desc().Width), static_cast<LONG>(surface->desc().Height)};
  }
  return D3D_OK;
}

HRESULT GLDevice::GetRenderTarget(DWORD index, IDirect3DSurface9** ppRenderTarget) {
  if (ppRenderTarget == nullptr || index >= m_caps.NumSimultaneousRTs) return D3DERR_INVALIDCALL;
  *ppRenderTarget = m_targets[index];
  if (m_targets[index] == nullptr) return D3DERR_NOTFOUND;
  m_targets[index]->AddRef();
  return D3D_OK;
}

HRESULT GLDevice::SetDepthStencilSurface(IDirect3DSurface9* pNewZStencil) {
  GLSurface* surface = nullptr;
  if (pNewZStencil != nullptr) {
    surface = AsSurface(pNewZStencil);
    if (surface == nullptr || surface->device() != this || !surface->IsDepth()) return D3DERR_INVALIDCALL;
    surface->Bind();
  }
  if (m_depthStencil) m_depthStencil->Unbind();
  m_depthStencil = surface;
  m_targetsDirty = true;
  return D3D_OK;
}

HRESULT GLDevice::GetDepthStencilSurface(IDirect3DSurface9** ppZStencilSurface) {
  if (ppZStencilSurface == nullptr) return D3DERR_INVALIDCALL;
  *ppZStencilSurface = m_depthStencil;
  if (m_depthStencil == nullptr) return D3DERR_NOTFOUND;
  m_depthStencil->AddRef();
  return D3D_OK;
}

HRESULT GLDevice::SetViewport(const D3DVIEWPORT9* pViewport) {
  if (pViewport == nullptr) return D3DERR_INVALIDCALL;
  m_viewport = *pViewport;
  return D3D_OK;
}

HRESULT GLDevice::GetViewport(D3DVIEWPORT9* pViewport) {
  if (pViewport == nullptr) return D3DERR_INVALIDCALL;
  *pViewport = m_viewport;
  return D3D_OK;
}

HRESULT GLDevice::SetScissorRect(const RECT* pRect) {
  if (pRect == nullptr || pRect->left > pRect->right || pRect->top > pRect->bottom) return D3DERR_INVALIDCALL;
  m_scissor = *pRect;
  return D3D_OK;
}

HRESULT GLDevice::GetScissorRect(RECT* pRect) {
  if (pRect == nullptr) return D3DERR_INVALIDCALL;
  *pRect = m_scissor;
  return D3D_OK;
}

HRESULT GLDevice::BeginScene() {
  if (m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = true;
  return D3D_OK;
}

HRESULT GLDevice::EndScene() {
  if (!m_inScene) return D3DERR_INVALIDCALL;
  m_inScene = false;
  return D3D_OK;
}

bool GLDevice::ApplyTargets() {
  MakeCurrent();
  m_gl.BindDrawFramebuffer(m_drawFbo);
  if (!m_targetsDirty) return m_targetsComplete;
  GLenum buffers[4];
  for (int i = 0; i < 4; ++i) {
    GLStorage storage = m_targets[i] ? m_targets[i]->Storage() : GLStorage{};
    AttachTo(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0 + i, storage);
    buffers[i] = m_targets[i] ? GL_COLOR_ATTACHMENT0 + i : GL_NONE;
  }
  glDrawBuffers(4, buffers);
  AttachTo(GL_DRAW_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GLStorage{});
  if (m_depthStencil) {
    AttachTo(GL_DRAW_FRAMEBUFFER, m_depthStencil->HasStencil() ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT,
             m_depthStencil->Storage());
  }
  m_targetsDirty = false;
  m_targetsComplete = glCheckFramebufferStatus(GL_DRAW_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  return m_targetsComplete;
}

HRESULT GLDevice::Clear(DWORD count, const D3DRECT* pRects, DWORD flags, D3DCOLOR color, float z, DWORD stencil) {
  if ((flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0) return D3DERR_INVALIDCALL;
  if (!ApplyTargets()) return D3DERR_INVALIDCALL;
  // Depth and stencil are cleared only where there is a surface to hold them.
  GLbitfield bits = 0;
  if (flags & D3DCLEAR_TARGET) bits |= GL_COLOR_BUFFER_BIT;
  if ((flags & D3DCLEAR_ZBUFFER) && m_depthStencil) bits |= GL_DEPTH_BUFFER_BIT;
  if ((flags & D3DCLEAR_STENCIL) && m_depthStencil && m_depthStencil->HasStencil()) bits |= GL_STENCIL_BUFFER_BIT;
  if (bits == 0) return D3D_OK;

  const LONG tw = static_cast<LONG>(m_targets[0]->desc().Width), th = static_cast<LONG>(m_targets[0]->desc().Height);
  // The viewport bounds every clear; rectangles only narrow it further.
  const RECT view{std::min<LONG>(static_cast<LONG>(m_viewport.X), tw), std::min<LONG>(static_cast<LONG>(m_viewport.Y), th),
                  static_cast<LONG>(std::min<int64_t>(int64_t{m_viewport.X} + m_viewport.Width, tw)),
                  static_cast<LONG>(std::min<int64_t>(int64_t{m_viewport.Y} + m_viewport.Height, th))};
  std::vector<RECT> rects;
  if (count > 0 && pRects != nullptr) {
    for (DWORD i = 0; i < count; ++i) {
      rects.push_back(RECT{std::max(pRects[i].x1, view.left), std::max(pRects[i].y1, view.top),
                           std::min(pRects[i].x2, view.right), std::min(pRects[i].y2, view.bottom)});
    }
  } else {
    rects.push_back(view);
  }
  m_gl.SetColourMask(15);
  m_gl.SetDepthMask(true);
  m_gl.SetStencilWriteMask(0xFF);
  m_gl.SetScissorTest(true);
  glClearColor(static_cast<float>((color >> 16) & 255) / 255.0f, static_cast<float>((color >> 8) & 255) / 255.0f,
               static_cast<float>(color & 255) / 255.0f, static_cast<float>((color >> 24) & 255) / 255.0f);
  glClearDepth(std::clamp(z, 0.0f, 1.0f));
  glClearStencil(static_cast<GLint>(stencil & 0xFF));
  for (const RECT& r : rects) {
    if (r.left >= r.right || r.top >= r.bottom) continue;
    m_gl.SetScissorBox(r.left, r.top, r.right - r.left, r.bottom - r.top);
    glClear(bits);
  }
  return D3D_OK;
}

bool D3D9GL_LoseDevice(IDirect3DDevice9* device, int failingResets) {
  auto* gl = dynamic_cast<GLDevice*>(device);
  if (gl == nullptr) return false;
  gl->Lose(failingResets);
  return true;
}

HWND D3D9GL_GetDeviceWindow(IDirect3DDevice9* device) {
  auto* gl = dynamic_cast<GLDevice*>(device);
  return gl ? gl->window() : nullptr;
}
