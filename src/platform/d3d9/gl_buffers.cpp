// Vertex buffers and vertex declarations of the OpenGL device.
#include <algorithm>
#include <cstring>

#include "platform/d3d9/gl_device.h"

GLVertexBuffer::GLVertexBuffer(GLDevice* device, const D3DVERTEXBUFFER_DESC& desc)
    : m_device(device), m_desc(desc), m_memory(desc.Size, 0) {
  m_device->Track(this);
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
  for (int i = 0; i < m_storageCount; ++i) {
    m_device->gl().BindArrayBuffer(m_storages[i]);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(m_desc.Size), m_memory.data(),
                 dynamic ? GL_STREAM_DRAW : GL_STATIC_DRAW);
  }
  m_buffer = m_storages[0];
  return glGetError() == GL_NO_ERROR;
}

void GLVertexBuffer::Detach() {
  if (m_device != nullptr) {
    if (m_buffer != 0) {
      m_device->MakeCurrent();
      for (int i = 0; i < m_storageCount; ++i) m_device->ForgetBuffer(m_storages[i]);
      glDeleteBuffers(m_storageCount, m_storages);
    }
    m_device->Untrack(this);
  }
  m_buffer = 0;
  m_device = nullptr;
}

ULONG GLVertexBuffer::AddRef() { return ++m_refs; }

ULONG GLVertexBuffer::Release() {
  if (m_refs == 0) return 0;
  ULONG refs = --m_refs;
  if (refs == 0) delete this;
  return refs;
}

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
  if (ppbData == nullptr || m_locked || !D3D9_ResolveBufferLock(m_desc.Size, offsetToLock, sizeToLock, &offset, &size)) {
    return D3DERR_INVALIDCALL;
  }
  m_locked = true;
  m_lockOffset = offset;
  m_lockSize = size;
  m_lockFlags = flags;
  *ppbData = m_memory.data() + offset;
  return D3D_OK;
}

HRESULT GLVertexBuffer::Unlock() {
  if (!m_locked) return D3DERR_INVALIDCALL;
  m_locked = false;
  if ((m_lockFlags & D3DLOCK_READONLY) != 0 || m_lockSize == 0) return D3D_OK;
  if (m_dirtyBegin == m_dirtyEnd) {
    m_dirtyBegin = m_lockOffset;
    m_dirtyEnd = m_lockOffset + m_lockSize;
  } else {
    m_dirtyBegin = std::min(m_dirtyBegin, m_lockOffset);
    m_dirtyEnd = std::max(m_dirtyEnd, m_lockOffset + m_lockSize);
  }
  // Only dynamic buffers take the promises of the lock flags; others always wait for their readers.
  const bool dynamic = (m_desc.Usage & D3DUSAGE_DYNAMIC) != 0;
  if (dynamic && (m_lockFlags & D3DLOCK_DISCARD) != 0) {
    m_orphan = true;
  } else if (!dynamic || (m_lockFlags & D3DLOCK_NOOVERWRITE) == 0) {
    m_synchronous = true;
  }
  return D3D_OK;
}

GLuint GLVertexBuffer::Prepare(UINT begin, UINT end) {
  if (m_device == nullptr || m_buffer == 0) return 0;
  end = std::min(end, m_desc.Size);
  GLState& gl = m_device->gl();
  if (m_orphan) {
    // The next storage: draws still reading the old bytes keep theirs. It was last used a few
    // discards ago, so its first upload rarely has anything to wait for.
    m_storage = (m_storage + 1) % m_storageCount;
    m_buffer = m_storages[m_storage];
    m_rotated = true;
    m_orphan = false;
    m_synchronous = false;
    m_dirtyBegin = 0;
    m_dirtyEnd = m_desc.Size;
  }
  const UINT lo = std::max(begin, m_dirtyBegin), hi = std::min(end, m_dirtyEnd);
  if (lo < hi) {
    gl.BindArrayBuffer(m_buffer);
    if (m_synchronous) {
      glBufferSubData(GL_ARRAY_BUFFER, lo, hi - lo, m_memory.data() + lo);
    } else {
      const GLbitfield wait = m_rotated ? 0 : GL_MAP_UNSYNCHRONIZED_BIT;
      m_rotated = false;
      void* target = glMapBufferRange(GL_ARRAY_BUFFER, lo, hi - lo, GL_MAP_WRITE_BIT | wait | GL_MAP_INVALIDATE_RANGE_BIT);
      if (target != nullptr) {
        std::memcpy(target, m_memory.data() + lo, hi - lo);
        glUnmapBuffer(GL_ARRAY_BUFFER);
      } else {
        glBufferSubData(GL_ARRAY_BUFFER, lo, hi - lo, m_memory.data() + lo);
      }
    }
    // What is left to send: the dirty range minus the part just sent when that part was at an end.
    if (lo == m_dirtyBegin) {
      m_dirtyBegin = hi;
    } else if (hi == m_dirtyEnd) {
      m_dirtyEnd = lo;
    }
    if (m_dirtyBegin >= m_dirtyEnd) {
      m_dirtyBegin = m_dirtyEnd = 0;
      m_synchronous = false;
    }
  }
  return m_buffer;
}

GLVertexDeclaration::GLVertexDeclaration(GLDevice* device, D3D9VertexLayout layout)
    : m_device(device), m_layout(std::move(layout)) {
  m_device->Track(this);
}

GLVertexDeclaration::~GLVertexDeclaration() {
  if (m_device) m_device->Untrack(this);
}

ULONG GLVertexDeclaration::AddRef() { return ++m_refs; }

ULONG GLVertexDeclaration::Release() {
  if (m_refs == 0) return 0;
  ULONG refs = --m_refs;
  if (refs == 0) delete this;
  return refs;
}

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
