// Vertex buffers and vertex declarations of the OpenGL device.
#include <algorithm>
#include <vector>

#include "platform/d3d9/gl_device.h"

namespace {
// A fence that has not signalled in this long belongs to a lost device: the lock goes ahead.
constexpr GLuint64 kFenceWaitNanoseconds = 5'000'000'000;
}  // namespace

GLVertexBuffer::GLVertexBuffer(GLDevice* device, const D3DVERTEXBUFFER_DESC& desc)
    : GLTracked(1), m_device(device), m_desc(desc) {
  m_device->Track(this);
  m_device->AddRef();
}

GLVertexBuffer::~GLVertexBuffer() {
  if (m_device) {
    Detach();
  }
}

bool GLVertexBuffer::Init() {
  m_device->MakeCurrent();
  while (glGetError() != GL_NO_ERROR) {
  }
  const bool dynamic = (m_desc.Usage & D3DUSAGE_DYNAMIC) != 0;
  m_windowCount = !dynamic ? 1
                           : static_cast<int>(std::clamp<uint64_t>(kWindowedBytes / std::max<UINT>(m_desc.Size, 1),
                                                                   kMinWindows, kMaxWindows));
  const uint64_t total = uint64_t{m_desc.Size} * static_cast<uint64_t>(m_windowCount);
  glGenBuffers(1, &m_buffer);
  // A new buffer reads as zeros, whichever window a lock lands on.
  const std::vector<uint8_t> zeros(total, 0);
  m_device->gl().BindArrayBuffer(m_buffer);
  glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(total), zeros.data(), dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
  return glGetError() == GL_NO_ERROR;
}

void GLVertexBuffer::Detach() {
  if (m_device != nullptr) {
    if (m_buffer != 0) {
      m_device->MakeCurrent();
      for (GLsync& fence : m_fences) {
        if (fence != nullptr) glDeleteSync(fence);
        fence = nullptr;
      }
      // Deleting a mapped buffer unmaps it.
      m_device->ForgetBuffer(m_buffer);
      glDeleteBuffers(1, &m_buffer);
    }
    m_device->Untrack(this);
  }
  m_buffer = 0;
  m_device = nullptr;
  m_locked = m_mapped = false;
}

ULONG GLVertexBuffer::AddRef() { return AddPublic(m_device); }

ULONG GLVertexBuffer::Release() { return DropPublic(m_device); }

HRESULT GLVertexBuffer::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = m_device;
  if (m_device == nullptr) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  return D3D_OK;
}

DWORD GLVertexBuffer::SetPriority(DWORD priority) {
  DWORD old = m_priority;
  m_priority = priority;
  return old;
}

DWORD GLVertexBuffer::GetPriority() { return m_priority; }

HRESULT GLVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* pDesc) {
  if (pDesc == nullptr) return D3DERR_INVALIDCALL;
  *pDesc = m_desc;
  return D3D_OK;
}

HRESULT GLVertexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, void** ppbData, DWORD flags) {
  UINT offset, size;
  if (ppbData == nullptr || m_locked || m_device == nullptr || m_buffer == 0 ||
      !D3D9_ResolveBufferLock(m_desc.Size, offsetToLock, sizeToLock, &offset, &size)) {
    return D3DERR_INVALIDCALL;
  }
  if (size == 0) {
    // An empty range at the end: nothing to map, and nothing may be written through the pointer.
    m_locked = true;
    *ppbData = &m_nothing;
    return D3D_OK;
  }
  // Only dynamic buffers take the promises of the lock flags; other locks wait for the draws
  // that read the old bytes. Bytes a lock does not write keep their values, except after a discard.
  const bool dynamic = (m_desc.Usage & D3DUSAGE_DYNAMIC) != 0;
  GLbitfield access;
  if ((flags & D3DLOCK_READONLY) != 0) {
    access = GL_MAP_READ_BIT;
  } else if (dynamic && (flags & (D3DLOCK_DISCARD | D3DLOCK_NOOVERWRITE)) != 0) {
    access = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT;
  } else {
    access = GL_MAP_WRITE_BIT | ((m_desc.Usage & D3DUSAGE_WRITEONLY) != 0 ? 0 : GL_MAP_READ_BIT);
  }
  m_device->MakeCurrent();
  if (dynamic && (flags & D3DLOCK_DISCARD) != 0 && (flags & D3DLOCK_READONLY) == 0) {
    // The draws queued so far are all that read the window left; the next window's draws of a
    // turn ago have long finished, so its fence rarely waits.
    if (m_fences[m_window] != nullptr) glDeleteSync(m_fences[m_window]);
    m_fences[m_window] = glFenceSync(GL_SYNC_GPU_COMMANDS_COMPLETE, 0);
    m_window = (m_window + 1) % m_windowCount;
    if (GLsync fence = m_fences[m_window]) {
      glClientWaitSync(fence, GL_SYNC_FLUSH_COMMANDS_BIT, kFenceWaitNanoseconds);
      glDeleteSync(fence);
      m_fences[m_window] = nullptr;
    }
  }
  m_device->gl().BindArrayBuffer(m_buffer);
  void* data = glMapBufferRange(GL_ARRAY_BUFFER, static_cast<GLintptr>(DrawOffset() + offset), size, access);
  if (data == nullptr) {
    while (glGetError() != GL_NO_ERROR) {
    }
    return D3DERR_INVALIDCALL;
  }
  m_locked = true;
  m_mapped = true;
  *ppbData = data;
  return D3D_OK;
}

HRESULT GLVertexBuffer::Unlock() {
  if (!m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  if (!m_mapped) return D3D_OK;
  m_mapped = false;
  m_device->MakeCurrent();
  m_device->gl().BindArrayBuffer(m_buffer);
  glUnmapBuffer(GL_ARRAY_BUFFER);
  return D3D_OK;
}

GLVertexDeclaration::GLVertexDeclaration(GLDevice* device, D3D9VertexLayout layout)
    : GLTracked(1), m_device(device), m_layout(std::move(layout)) {
  m_device->Track(this);
  m_device->AddRef();
}

GLVertexDeclaration::~GLVertexDeclaration() {
  if (m_device) m_device->Untrack(this);
}

ULONG GLVertexDeclaration::AddRef() { return AddPublic(m_device); }

ULONG GLVertexDeclaration::Release() { return DropPublic(m_device); }

HRESULT GLVertexDeclaration::GetDevice(IDirect3DDevice9** ppDevice) {
  if (ppDevice == nullptr) return D3DERR_INVALIDCALL;
  *ppDevice = m_device;
  if (m_device == nullptr) return D3DERR_INVALIDCALL;
  m_device->AddRef();
  return D3D_OK;
}

HRESULT GLVertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* pElement, UINT* pNumElements) {
  if (pNumElements == nullptr) return D3DERR_INVALIDCALL;
  const UINT n = static_cast<UINT>(m_layout.elements.size()) + 1;
  if (pElement != nullptr) {
    std::copy(m_layout.elements.begin(), m_layout.elements.end(), pElement);
    pElement[n - 1] = D3DDECL_END();
  }
  *pNumElements = n;
  return D3D_OK;
}
