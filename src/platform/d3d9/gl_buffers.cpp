// Vertex buffers and vertex declarations of the OpenGL device.
#include <algorithm>
#include <vector>

#include "platform/d3d9/gl_device.h"

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
  m_storageCount = dynamic ? kStorages : 1;
  glGenBuffers(m_storageCount, m_storages);
  // A new buffer reads as zeros, whichever storage a lock lands on.
  const std::vector<uint8_t> zeros(m_desc.Size, 0);
  for (int i = 0; i < m_storageCount; ++i) {
    m_device->gl().BindArrayBuffer(m_storages[i]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_desc.Size), zeros.data(),
                 dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
  }
  m_buffer = m_storages[0];
  return glGetError() == GL_NO_ERROR;
}

void GLVertexBuffer::Detach() {
  if (m_device != nullptr) {
    if (m_buffer != 0) {
      m_device->MakeCurrent();
      // Deleting a mapped buffer unmaps it.
      for (int i = 0; i < m_storageCount; ++i) m_device->ForgetBuffer(m_storages[i]);
      glDeleteBuffers(m_storageCount, m_storages);
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
  } else if (dynamic && (flags & D3DLOCK_DISCARD) != 0) {
    // The next storage instead of orphaning this one (which some drivers pay for by clearing the
    // new storage): draws still reading the old bytes keep theirs. It was last used a few
    // discards ago, so waiting for it rarely waits.
    m_storage = (m_storage + 1) % m_storageCount;
    m_buffer = m_storages[m_storage];
    access = GL_MAP_WRITE_BIT | GL_MAP_INVALIDATE_RANGE_BIT;
  } else if (dynamic && (flags & D3DLOCK_NOOVERWRITE) != 0) {
    access = GL_MAP_WRITE_BIT | GL_MAP_UNSYNCHRONIZED_BIT;
  } else {
    access = GL_MAP_WRITE_BIT | ((m_desc.Usage & D3DUSAGE_WRITEONLY) != 0 ? 0 : GL_MAP_READ_BIT);
  }
  m_device->MakeCurrent();
  m_device->gl().BindArrayBuffer(m_buffer);
  void* data = glMapBufferRange(GL_ARRAY_BUFFER, offset, size, access);
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
