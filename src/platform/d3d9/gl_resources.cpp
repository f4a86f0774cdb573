#include <algorithm>
#include <cstring>

#include "platform/d3d9/gl_device.h"
#include "platform/d3d9/gl_options.h"
#include "platform/d3d9/pixel_formats.h"

namespace {

// A lock rectangle: null means the whole level; anything else must lie inside it and not be empty.
bool ResolveLockRect(const RECT* pRect, UINT width, UINT height, RECT* out) {
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

void Union(RECT* a, const RECT& b) {
  a->left = std::min(a->left, b.left);
  a->top = std::min(a->top, b.top);
  a->right = std::max(a->right, b.right);
  a->bottom = std::max(a->bottom, b.bottom);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// GLSurface

// A level's counts are its texture's.
GLSurface::GLSurface(GLTexture* owner, UINT level, const D3DSURFACE_DESC& desc)
    : GLTracked(0), m_owner(owner), m_level(level), m_kind(Kind::TextureLevel), m_desc(desc) {}

// The swap chain's surfaces start with no outside reference; the device deletes them.
GLSurface::GLSurface(GLDevice* device, Kind kind, const D3DSURFACE_DESC& desc, bool lockable)
    : GLTracked(kind == Kind::BackBuffer || kind == Kind::AutoDepth ? 0 : 1),
      m_device(device),
      m_kind(kind),
      m_desc(desc),
      m_lockable(lockable) {
  m_deviceOwned = kind == Kind::BackBuffer || kind == Kind::AutoDepth;
  if (!m_deviceOwned) {
    m_device->Track(this);
    m_device->AddRef();
  }
}

GLSurface::~GLSurface() {
  if (m_owner == nullptr) {
    FreeStorage();
    if (m_device && !m_deviceOwned) m_device->Untrack(this);
  }
}

ULONG GLSurface::AddRef() { return m_owner ? m_owner->AddRef() : AddPublic(m_device); }

ULONG GLSurface::Release() { return m_owner ? m_owner->Release() : DropPublic(m_device); }

D3D9Counted* GLSurface::Holder() { return m_owner ? static_cast<D3D9Counted*>(m_owner) : this; }

GLDevice* GLSurface::device() const { return m_owner ? m_owner->device() : m_device; }

HRESULT GLSurface::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = device();
  if (*ppDevice == nullptr) return D3DERR_INVALIDCALL;
  (*ppDevice)->AddRef();
  return D3D_OK;
}

DWORD GLSurface::SetPriority(DWORD priority) {
  DWORD old = m_priority;
  m_priority = priority;
  return old;
}

DWORD GLSurface::GetPriority() { return m_priority; }

void GLSurface::PreLoad() {
  if (m_owner) m_owner->PreLoad();
}

HRESULT GLSurface::GetDesc(D3DSURFACE_DESC* pDesc) {
  if (pDesc == nullptr) return D3DERR_INVALIDCALL;
  *pDesc = m_desc;
  return D3D_OK;
}

GLStorage GLSurface::Storage() const {
  if (m_owner) {
    GLStorage s;
    s.texture = m_owner->glTexture();
    s.level = static_cast<GLint>(m_level);
    return s;
  }
  return m_storage;
}

bool GLSurface::AllocateStorage() {
  GLDevice* dev = device();
  if (dev == nullptr || m_owner) return false;
  dev->MakeCurrent();
  while (glGetError() != GL_NO_ERROR) {
  }
  int samples = m_desc.MultiSampleType >= D3DMULTISAMPLE_2_SAMPLES ? static_cast<int>(m_desc.MultiSampleType) : 0;
  m_storage = GLStorage{};
  m_storage.samples = samples;
  if (IsDepth()) {
    GLenum internalFormat = 0;
    if (!GLFormat_ForDepth(m_desc.Format, &internalFormat, &m_hasStencil)) return false;
    glGenRenderbuffers(1, &m_storage.renderbuffer);
    glBindRenderbuffer(GL_RENDERBUFFER, m_storage.renderbuffer);
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, internalFormat, static_cast<GLsizei>(m_desc.Width),
                                     static_cast<GLsizei>(m_desc.Height));
  } else {
    GLFormat f;
    if (!GLFormat_ForColour(m_desc.Format, &f) || f.compressed || f.decodeDXT) return false;
    if (samples > 0) {
      glGenRenderbuffers(1, &m_storage.renderbuffer);
      glBindRenderbuffer(GL_RENDERBUFFER, m_storage.renderbuffer);
      glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, f.internalFormat,
                                       static_cast<GLsizei>(m_desc.Width), static_cast<GLsizei>(m_desc.Height));
    } else {
      // Single-sampled colour lives in a texture, so that it can be locked and written back.
      glGenTextures(1, &m_storage.texture);
      dev->gl().BindUploadTexture(m_storage.texture);
      glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(f.internalFormat), static_cast<GLsizei>(m_desc.Width),
                   static_cast<GLsizei>(m_desc.Height), 0, f.format, f.type, nullptr);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
  }
  if (glGetError() != GL_NO_ERROR) {
    FreeStorage();
    return false;
  }
  return true;
}

void GLSurface::FreeStorage() {
  GLDevice* dev = device();
  if (m_owner || dev == nullptr || !m_storage.HasObject()) {
    m_storage = GLStorage{};
    return;
  }
  dev->MakeCurrent();
  if (m_storage.texture) {
    dev->gl().ForgetTexture(m_storage.texture);
    glDeleteTextures(1, &m_storage.texture);
  }
  if (m_storage.renderbuffer) glDeleteRenderbuffers(1, &m_storage.renderbuffer);
  m_storage = GLStorage{};
}

void GLSurface::Detach() {
  FreeStorage();
  m_device = nullptr;
}

void GLSurface::ReleaseFromDevice() {
  FreeStorage();
  GLDevice* device = m_device;
  m_device = nullptr;
  m_deviceOwned = false;
  LeaveDevice(device);  // a device being destroyed has no references left to take back
}

HRESULT GLSurface::LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) {
  if (m_owner) return m_owner->LockRect(m_level, pLockedRect, pRect, flags);
  GLDevice* dev = device();
  if (pLockedRect == nullptr || !m_lockable || m_locked || dev == nullptr || m_storage.texture == 0) {
    return D3DERR_INVALIDCALL;
  }
  RECT rect;
  if (!ResolveLockRect(pRect, m_desc.Width, m_desc.Height, &rect)) return D3DERR_INVALIDCALL;
  const UINT bpp = D3DFormat_BytesPerUnit(m_desc.Format);
  const size_t pitch = static_cast<size_t>(m_desc.Width) * bpp;
  m_shadow.resize(pitch * m_desc.Height);
  uint8_t* first = m_shadow.data() + rect.top * pitch + rect.left * bpp;
  if ((flags & D3DLOCK_DISCARD) == 0 && !dev->ReadSurface(this, rect, first, pitch)) return D3DERR_INVALIDCALL;
  m_locked = true;
  m_lockFlags = flags;
  m_lockRect = rect;
  pLockedRect->Pitch = static_cast<INT>(pitch);
  pLockedRect->pBits = first;
  return D3D_OK;
}

HRESULT GLSurface::UnlockRect() {
  if (m_owner) return m_owner->UnlockRect(m_level);
  if (!m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  GLDevice* dev = device();
  if ((m_lockFlags & D3DLOCK_READONLY) == 0 && dev != nullptr && m_storage.texture != 0) {
    GLFormat f;
    GLFormat_ForColour(m_desc.Format, &f);
    const UINT bpp = D3DFormat_BytesPerUnit(m_desc.Format);
    dev->MakeCurrent();
    dev->gl().BindUploadTexture(m_storage.texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(m_desc.Width));
    const RECT& r = m_lockRect;
    glTexSubImage2D(GL_TEXTURE_2D, 0, r.left, r.top, r.right - r.left, r.bottom - r.top, f.format, f.type,
                    m_shadow.data() + (static_cast<size_t>(r.top) * m_desc.Width + r.left) * bpp);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }
  return D3D_OK;
}

// ---------------------------------------------------------------------------------------------
// GLTexture

GLTexture::GLTexture(GLDevice* device, UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                     D3DPOOL pool)
    : GLTracked(1), m_device(device), m_width(width), m_height(height), m_levels(levels), m_usage(usage),
      m_format(format), m_pool(pool) {
  m_device->Track(this);
  m_device->AddRef();
}

GLTexture::~GLTexture() {
  for (GLSurface* s : m_surfaces) delete s;
  if (m_device) {
    if (m_texture) {
      m_device->MakeCurrent();
      m_device->gl().ForgetTexture(m_texture);
      glDeleteTextures(1, &m_texture);
    }
    m_device->Untrack(this);
  }
}

UINT GLTexture::LevelWidth(UINT level) const { return D3DFormat_LevelSide(m_width, level); }
UINT GLTexture::LevelHeight(UINT level) const { return D3DFormat_LevelSide(m_height, level); }

bool GLTexture::Init() {
  if (!GLFormat_ForColour(m_format, &m_glFormat)) return false;
  const bool keepsMemory = m_pool != D3DPOOL_DEFAULT || (m_usage & D3DUSAGE_DYNAMIC) != 0;
  const bool hasGL = m_pool == D3DPOOL_DEFAULT || m_pool == D3DPOOL_MANAGED;
  m_dirty.assign(m_levels, Dirty{});
  m_locked.assign(m_levels, false);
  m_lockFlags.assign(m_levels, 0);
  m_lockRects.assign(m_levels, RECT{});
  if (keepsMemory) {
    m_shadow.resize(m_levels);
    for (UINT level = 0; level < m_levels; ++level) {
      m_shadow[level].assign(D3DFormat_LevelSize(m_format, LevelWidth(level), LevelHeight(level)), 0);
    }
  }
  for (UINT level = 0; level < m_levels; ++level) {
    D3DSURFACE_DESC desc{};
    GetLevelDesc(level, &desc);
    m_surfaces.push_back(new GLSurface(this, level, desc));
  }
  if (hasGL) {
    m_device->MakeCurrent();
    while (glGetError() != GL_NO_ERROR) {
    }
    glGenTextures(1, &m_texture);
    m_device->gl().BindUploadTexture(m_texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    std::vector<uint8_t> zeros;
    for (UINT level = 0; level < m_levels; ++level) {
      const GLsizei w = static_cast<GLsizei>(LevelWidth(level)), h = static_cast<GLsizei>(LevelHeight(level));
      if (m_glFormat.compressed) {
        size_t size = D3DFormat_LevelSize(m_format, static_cast<UINT>(w), static_cast<UINT>(h));
        if (m_shadow.empty()) zeros.assign(size, 0);
        glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), m_glFormat.internalFormat, w, h, 0,
                               static_cast<GLsizei>(size), m_shadow.empty() ? zeros.data() : m_shadow[level].data());
      } else {
        // Memory copies start zeroed; so does what OpenGL holds (a zero DXT block is opaque black).
        std::vector<uint8_t> initial;
        if (m_glFormat.decodeDXT) {
          std::vector<uint8_t> blocks(D3DFormat_LevelSize(m_format, static_cast<UINT>(w), static_cast<UINT>(h)), 0);
          initial.resize(static_cast<size_t>(w) * h * 4);
          DXT_Decode(m_format, blocks.data(), static_cast<UINT>(w), static_cast<UINT>(h), initial.data(),
                     static_cast<size_t>(w) * 4);
        } else if (keepsMemory) {
          initial = m_shadow[level];
        }
        glTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), static_cast<GLint>(m_glFormat.internalFormat), w, h,
                     0, m_glFormat.format, m_glFormat.type, initial.empty() ? nullptr : initial.data());
      }
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, static_cast<GLint>(m_levels - 1));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    const GLint swizzle[4] = {static_cast<GLint>(m_glFormat.swizzle[0]), static_cast<GLint>(m_glFormat.swizzle[1]),
                              static_cast<GLint>(m_glFormat.swizzle[2]), static_cast<GLint>(m_glFormat.swizzle[3])};
    glTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_SWIZZLE_RGBA, swizzle);
    if (glGetError() != GL_NO_ERROR) return false;
  } else {
    // A system-memory texture starts wholly dirty: its first update copies everything.
    for (UINT level = 0; level < m_levels; ++level) {
      MarkDirty(level, RECT{0, 0, static_cast<LONG>(LevelWidth(level)), static_cast<LONG>(LevelHeight(level))});
    }
  }
  return true;
}

ULONG GLTexture::AddRef() { return AddPublic(m_device); }

ULONG GLTexture::Release() { return DropPublic(m_device); }

HRESULT GLTexture::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = m_device;
  if (m_device == nullptr) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  return D3D_OK;
}

DWORD GLTexture::SetPriority(DWORD priority) {
  DWORD old = m_priority;
  m_priority = priority;
  return old;
}

DWORD GLTexture::GetPriority() { return m_priority; }

void GLTexture::PreLoad() { FlushDirty(); }

HRESULT GLTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* pDesc) {
  if (pDesc == nullptr || level >= m_levels) return D3DERR_INVALIDCALL;
  pDesc->Format = m_format;
  pDesc->Type = D3DRTYPE_SURFACE;
  pDesc->Usage = m_usage;
  pDesc->Pool = m_pool;
  pDesc->MultiSampleType = D3DMULTISAMPLE_NONE;
  pDesc->MultiSampleQuality = 0;
  pDesc->Width = LevelWidth(level);
  pDesc->Height = LevelHeight(level);
  return D3D_OK;
}

HRESULT GLTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** ppSurfaceLevel) {
  if (ppSurfaceLevel == nullptr || level >= m_levels) return D3DERR_INVALIDCALL;
  *ppSurfaceLevel = m_surfaces[level];
  AddRef();
  return D3D_OK;
}

HRESULT GLTexture::LockRect(UINT level, D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD flags) {
  if (pLockedRect == nullptr || level >= m_levels || m_shadow.empty() || m_locked[level]) return D3DERR_INVALIDCALL;
  RECT rect;
  if (!ResolveLockRect(pRect, LevelWidth(level), LevelHeight(level), &rect)) return D3DERR_INVALIDCALL;
  const UINT pitch = D3DFormat_Pitch(m_format, LevelWidth(level));
  size_t offset;
  if (D3DFormat_IsBlockCompressed(m_format)) {
    // Compressed levels lock whole blocks: the rectangle grows outwards to block edges.
    rect.left &= ~3;
    rect.top &= ~3;
    rect.right = std::min<LONG>((rect.right + 3) & ~3, static_cast<LONG>((LevelWidth(level) + 3) & ~3u));
    rect.bottom = std::min<LONG>((rect.bottom + 3) & ~3, static_cast<LONG>((LevelHeight(level) + 3) & ~3u));
    offset = static_cast<size_t>(rect.top / 4) * pitch + static_cast<size_t>(rect.left / 4) * D3DFormat_BytesPerUnit(m_format);
  } else {
    offset = static_cast<size_t>(rect.top) * pitch + static_cast<size_t>(rect.left) * D3DFormat_BytesPerUnit(m_format);
  }
  m_locked[level] = true;
  m_lockFlags[level] = flags;
  m_lockRects[level] = rect;
  pLockedRect->Pitch = static_cast<INT>(pitch);
  pLockedRect->pBits = m_shadow[level].data() + offset;
  return D3D_OK;
}

HRESULT GLTexture::UnlockRect(UINT level) {
  if (level >= m_levels || !m_locked[level]) return D3DERR_INVALIDCALL;
  m_locked[level] = false;
  if ((m_lockFlags[level] & (D3DLOCK_READONLY | D3DLOCK_NO_DIRTY_UPDATE)) == 0) {
    MarkDirty(level, m_lockRects[level]);
    if (m_texture != 0) FlushDirty();
  }
  return D3D_OK;
}

HRESULT GLTexture::AddDirtyRect(const RECT* pDirtyRect) {
  for (UINT level = 0; level < m_levels; ++level) {
    const LONG w = static_cast<LONG>(LevelWidth(level)), h = static_cast<LONG>(LevelHeight(level));
    RECT r{0, 0, w, h};
    if (pDirtyRect != nullptr) {
      // The rectangle is given in level 0's pixels; each level takes it scaled, rounded outwards.
      r.left = std::clamp<LONG>(pDirtyRect->left >> level, 0, w);
      r.top = std::clamp<LONG>(pDirtyRect->top >> level, 0, h);
      r.right = std::clamp<LONG>((pDirtyRect->right + (1 << level) - 1) >> level, 0, w);
      r.bottom = std::clamp<LONG>((pDirtyRect->bottom + (1 << level) - 1) >> level, 0, h);
      if (r.left >= r.right || r.top >= r.bottom) continue;
    }
    MarkDirty(level, r);
  }
  if (m_texture != 0) FlushDirty();
  return D3D_OK;
}

void GLTexture::MarkDirty(UINT level, const RECT& rect) {
  Dirty& d = m_dirty[level];
  if (!d.any) {
    d.any = true;
    d.rect = rect;
  } else {
    Union(&d.rect, rect);
  }
}

void GLTexture::FlushDirty() {
  if (m_texture == 0 || m_shadow.empty() || m_device == nullptr) return;
  for (UINT level = 0; level < m_levels; ++level) {
    if (!m_dirty[level].any || m_locked[level]) continue;
    UploadRect(m_texture, level, m_dirty[level].rect);
    m_dirty[level].any = false;
  }
}

bool GLTexture::CopyDirtyTo(GLTexture* destination) {
  if (m_shadow.empty() || destination->m_texture == 0 || m_device == nullptr) return false;
  const UINT levels = std::min(m_levels, destination->m_levels);
  for (UINT level = 0; level < levels; ++level) {
    if (!m_dirty[level].any) continue;
    const RECT& r = m_dirty[level].rect;
    if (!destination->m_shadow.empty()) {
      const size_t pitch = D3DFormat_Pitch(m_format, LevelWidth(level));
      const UINT rows = D3DFormat_Rows(m_format, LevelHeight(level));
      std::memcpy(destination->m_shadow[level].data(), m_shadow[level].data(), std::min<size_t>(pitch * rows, destination->m_shadow[level].size()));
    }
    UploadRect(destination->m_texture, level, r);
    m_dirty[level].any = false;
  }
  return true;
}

bool GLTexture::UploadRect(GLuint texture, UINT level, const RECT& rect) {
  m_device->MakeCurrent();
  m_device->gl().BindUploadTexture(texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  const UINT w = LevelWidth(level), h = LevelHeight(level);
  const uint8_t* data = m_shadow[level].data();
  if (m_glFormat.compressed) {
    glCompressedTexImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), m_glFormat.internalFormat,
                           static_cast<GLsizei>(w), static_cast<GLsizei>(h), 0,
                           static_cast<GLsizei>(m_shadow[level].size()), data);
  } else if (m_glFormat.decodeDXT) {
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
    DXT_Decode(m_format, data, w, h, pixels.data(), static_cast<size_t>(w) * 4);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), 0, 0, static_cast<GLsizei>(w),
                    static_cast<GLsizei>(h), m_glFormat.format, m_glFormat.type, pixels.data());
  } else {
    const UINT bpp = D3DFormat_BytesPerUnit(m_format);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, static_cast<GLint>(w));
    glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(level), rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, m_glFormat.format, m_glFormat.type,
                    data + (static_cast<size_t>(rect.top) * w + rect.left) * bpp);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  }
  return glGetError() == GL_NO_ERROR;
}

bool GLTexture::ReadGL(UINT level, std::vector<uint8_t>* bgra) {
  if (m_texture == 0 || m_device == nullptr || level >= m_levels) return false;
  m_device->MakeCurrent();
  while (glGetError() != GL_NO_ERROR) {
  }
  m_device->gl().BindUploadTexture(m_texture);
  bgra->assign(static_cast<size_t>(LevelWidth(level)) * LevelHeight(level) * 4, 0);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glPixelStorei(GL_PACK_ROW_LENGTH, 0);
  glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, bgra->data());
  return glGetError() == GL_NO_ERROR;
}

void GLTexture::Detach() {
  if (m_texture && m_device) {
    m_device->MakeCurrent();
    m_device->gl().ForgetTexture(m_texture);
    glDeleteTextures(1, &m_texture);
  }
  m_texture = 0;
  m_device = nullptr;
}

bool D3D9GL_ReadTextureLevel(IDirect3DTexture9* texture, UINT level, std::vector<uint8_t>* bgra) {
  auto* gl = dynamic_cast<GLTexture*>(texture);
  return gl != nullptr && bgra != nullptr && gl->ReadGL(level, bgra);
}
