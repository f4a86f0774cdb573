#include "render/vertex_batch.h"

#include <algorithm>
#include <cstring>

#include "assets/texture.h"
#include "core/memory_manager.h"
#include "core/vm_error.h"
#include "runtime/error_report.h"
#include "render/d3d_device.h"
#include "render/render_state.h"

GR_BatchState g_Batch;

namespace {

// Marks the pool's own nodes, so that the pool never picks a frozen buffer of a script.
constexpr uint32_t kVBPoolNode = 0x10;

// After a flush the batch's texture is this: it equals no texture and not null.
char g_textureSentinel;

bool IsFormatId(int32_t format) { return (format & kVertexFormatIdBit) != 0; }

uint32_t FVFOf(int32_t format) {
  switch (format) {
    case 16: return D3DFVF_XYZ | D3DFVF_DIFFUSE;
    case 24: return D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    case 36: return D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1;
    default: return static_cast<uint32_t>(format);
  }
}

// The stride of an FVF code or a format id; 0 for codes the batcher does not know.
uint32_t StrideOf(uint32_t format) {
  if (IsFormatId(static_cast<int32_t>(format))) return VertexFormat_Stride(static_cast<int32_t>(format));
  switch (format) {
    case D3DFVF_XYZ | D3DFVF_DIFFUSE: return 16;
    case D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1: return 24;
    case D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_DIFFUSE | D3DFVF_TEX1: return 36;
    default: return 0;
  }
}

uint32_t StrideOfRequest(int32_t format) {
  if (format == 16 || format == 24 || format == 36) return static_cast<uint32_t>(format);
  return StrideOf(static_cast<uint32_t>(format));
}

void SetVertexFormat(IDirect3DDevice9* device, uint32_t format) {
  if (IsFormatId(static_cast<int32_t>(format))) {
    device->SetFVF(0);
    device->SetVertexDeclaration(VertexFormat_Declaration(static_cast<int32_t>(format)));
  } else {
    device->SetFVF(format);
  }
}

int32_t PrimitiveCount(int32_t kind, int32_t count) {
  switch (kind) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return count / 2;
    case D3DPT_LINESTRIP: return count - 1;
    case D3DPT_TRIANGLELIST: return count / 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count - 2;
    default: return count;
  }
}

D3DPRIMITIVETYPE DrawKind(int32_t kind) {
  return kind >= 1 && kind <= 6 ? static_cast<D3DPRIMITIVETYPE>(kind) : D3DPT_POINTLIST;
}

void Append(VertexBufferNode* node) {
  node->prev = g_Batch.tail;
  node->next = nullptr;
  if (g_Batch.tail != nullptr) {
    g_Batch.tail->next = node;
  } else {
    g_Batch.head = node;
  }
  g_Batch.tail = node;
}

void Unlink(VertexBufferNode* node) {
  (node->prev != nullptr ? node->prev->next : g_Batch.head) = node->next;
  (node->next != nullptr ? node->next->prev : g_Batch.tail) = node->prev;
  node->prev = node->next = nullptr;
}

void ReportNoBuffer(uint64_t bytes) {
  VM_RuntimeError("Fatal Error: Can not create vertex buffer of size %d bytes\n%d vertex buffers allocated with total size of %d KB\n",
                  static_cast<int>(bytes), g_Batch.buffersMade, static_cast<int>(g_Batch.bytesMade / 1024));
}

void CountBuffer(uint64_t bytes) {
  ++g_Batch.buffersMade;
  g_Batch.bytesMade += bytes;
}

// Memory a batch whose storage could not be had writes into; what is written there is dropped.
uint8_t* Scratch(uint64_t bytes) {
  if (g_Batch.scratchCapacity < bytes) {
    MemoryManager_Free(g_Batch.scratch);
    g_Batch.scratch = static_cast<uint8_t*>(MEM_ALLOC(bytes));
    g_Batch.scratchCapacity = static_cast<uint32_t>(bytes);
  }
  return g_Batch.scratch;
}

// A pool node of at least `count` vertices; null when no buffer could be made.
VertexBufferNode* MakePoolNode(uint32_t format, uint32_t stride, uint32_t count) {
  const uint32_t capacity = std::max(count, g_Batch.poolMinimum);
  const uint64_t bytes = uint64_t{capacity} * stride;
  const DWORD fvf = IsFormatId(static_cast<int32_t>(format)) ? 0 : format;
  IDirect3DVertexBuffer9* buffer = nullptr;
  uint32_t flags = kVBPoolNode;
  IDirect3DDevice9* device = g_D3D.device;
  if (device != nullptr && bytes <= UINT32_MAX &&
      SUCCEEDED(device->CreateVertexBuffer(static_cast<UINT>(bytes), D3DUSAGE_DYNAMIC, fvf, D3DPOOL_SYSTEMMEM, &buffer,
                                           nullptr))) {
    flags |= kVBDynamic;
  } else if (device == nullptr || bytes > UINT32_MAX ||
             FAILED(device->CreateVertexBuffer(static_cast<UINT>(bytes), D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT,
                                               &buffer, nullptr))) {
    ReportNoBuffer(bytes);
    return nullptr;
  }
  auto* node = new VertexBufferNode;
  node->flags = flags;
  node->buffer = buffer;
  node->format = format;
  node->stride = stride;
  node->capacity = capacity;
  node->lastUsedFrame = g_Batch.frame - 7;
  Append(node);
  CountBuffer(bytes);
  return node;
}

VertexBufferNode* FindPoolNode(uint32_t format, uint32_t stride, uint32_t count) {
  for (VertexBufferNode* node = g_Batch.head; node != nullptr; node = node->next) {
    if ((node->flags & kVBPoolNode) == 0 || node->format != format) continue;
    if (node->capacity - node->writePosition < count) continue;
    if (node->lastUsedFrame + 4 < g_Batch.frame) return node;
  }
  return MakePoolNode(format, stride, count);
}

VertexBufferNode* SingleNode(uint64_t need) {
  if (g_Batch.singleCapacity < need) {
    if (VertexBufferNode* old = g_Batch.single) {
      Unlink(old);
      old->Release();
      delete old;
      g_Batch.single = nullptr;
    }
    while (g_Batch.singleCapacity < need) g_Batch.singleCapacity *= 2;
  }
  if (g_Batch.single == nullptr) {
    g_Batch.single = VertexBufferNode::Create(0, g_Batch.singleCapacity, kVBBytes | kVBDynamic);
    if (g_Batch.single == nullptr) return nullptr;
  }
  VertexBufferNode* node = g_Batch.single;
  if (node->writePosition + need > node->capacity) node->writePosition = 0;
  return node;
}

// Room in the open batch, advancing it; the batch has room (checked or made by the caller).
void* Advance(uint32_t count) {
  GR_BatchState& b = g_Batch;
  if (b.scratchBatch) return b.writeBase;
  VertexBufferNode* node = b.current;
  if (node == nullptr) {
    uint8_t* at = b.writeBase + uint64_t{b.blockCount} * b.stride;
    b.blockCount += count;
    return at;
  }
  if ((node->flags & kVBBytes) != 0) {
    uint8_t* at = b.writeBase + (node->writePosition - node->writeStart);
    node->writePosition += count * b.stride;
    return at;
  }
  uint8_t* at = b.writeBase + uint64_t{node->writePosition - node->writeStart} * b.stride;
  node->writePosition += count;
  return at;
}

bool Fits(uint32_t count) {
  const GR_BatchState& b = g_Batch;
  if (b.scratchBatch) return false;
  const VertexBufferNode* node = b.current;
  if (node == nullptr) return (uint64_t{b.blockCount} + count) * b.stride <= b.blockCapacity;
  if ((node->flags & kVBBytes) != 0) {
    return node->writePosition + uint64_t{count} * b.stride <= node->capacity &&
           uint64_t{node->writePosition} + count <= node->capacity;
  }
  return uint64_t{node->writePosition} + count <= node->capacity;
}

}  // namespace

VertexBufferNode* VertexBufferNode::Create(uint32_t format, uint32_t size, uint32_t flags) {
  const bool bytes = (flags & kVBBytes) != 0;
  const uint32_t stride = StrideOf(format);
  const uint64_t byteSize = bytes ? size : uint64_t{size} * stride;
  const DWORD fvf = IsFormatId(static_cast<int32_t>(format)) ? 0 : format;
  IDirect3DDevice9* device = g_D3D.device;
  IDirect3DVertexBuffer9* buffer = nullptr;
  bool dynamic = false;
  const bool fits = device != nullptr && byteSize > 0 && byteSize <= UINT32_MAX;
  const UINT length = static_cast<UINT>(byteSize);
  if (fits) {
    const DWORD usage = (flags & kVBDynamic) != 0 ? D3DUSAGE_DYNAMIC : D3DUSAGE_WRITEONLY;
    const D3DPOOL pool = (flags & kVBDynamic) != 0 ? D3DPOOL_SYSTEMMEM : g_D3D.resourcePool;
    dynamic = SUCCEEDED(device->CreateVertexBuffer(length, usage, fvf, pool, &buffer, nullptr)) &&
              (flags & kVBDynamic) != 0;
    if (buffer == nullptr &&
        FAILED(device->CreateVertexBuffer(length, D3DUSAGE_WRITEONLY, fvf, D3DPOOL_DEFAULT, &buffer, nullptr))) {
      buffer = nullptr;
    }
  }
  if (buffer == nullptr) {
    ReportNoBuffer(byteSize);
    return nullptr;
  }
  auto* node = new VertexBufferNode;
  node->flags = (bytes ? kVBBytes : 0) | (dynamic ? kVBDynamic : 0);
  node->buffer = buffer;
  node->format = format;
  node->stride = stride;
  node->capacity = size;
  Append(node);
  CountBuffer(byteSize);
  return node;
}

bool VertexBufferNode::Lock() {
  if ((flags & kVBLocked) != 0) return true;
  writeStart = writePosition;
  const bool vertexCounted = (flags & kVBBytes) == 0;
  const uint64_t scale = vertexCounted ? stride : 1;
  const uint64_t offset = uint64_t{writePosition} * scale;
  const uint64_t size = uint64_t{capacity - writePosition} * scale;
  const bool dynamic = (flags & kVBDynamic) != 0;
  DWORD lockFlags;
  if (vertexCounted && (flags & kVBWrittenThisFrame) == 0) {
    flags |= kVBWrittenThisFrame;
    lockFlags = dynamic ? D3DLOCK_DISCARD : 0;
  } else {
    lockFlags = !dynamic ? 0 : offset != 0 ? D3DLOCK_NOOVERWRITE : D3DLOCK_DISCARD;
  }
  void* data = nullptr;
  if (buffer == nullptr ||
      FAILED(buffer->Lock(static_cast<UINT>(offset), static_cast<UINT>(size), &data, lockFlags)) || data == nullptr) {
    return false;
  }
  flags |= kVBLocked;
  lockPointer = static_cast<uint8_t*>(data);
  return true;
}

void VertexBufferNode::Unlock() {
  if ((flags & kVBLocked) == 0) return;
  if (buffer != nullptr) buffer->Unlock();
  flags &= ~kVBLocked;
  lockPointer = nullptr;
}

void VertexBufferNode::Update(const void* data, uint32_t length) {
  if ((flags & kVBLocked) != 0 || data == nullptr || buffer == nullptr) return;
  D3DVERTEXBUFFER_DESC desc{};
  buffer->GetDesc(&desc);
  length = std::min(length, desc.Size);
  if (length == 0) return;
  void* target = nullptr;
  if (FAILED(buffer->Lock(0, length, &target, (flags & kVBDynamic) != 0 ? D3DLOCK_DISCARD : 0)) || target == nullptr) {
    Error_Report(false, "Error: Could not update vertex buffer");
    return;
  }
  std::memcpy(target, data, length);
  if (FAILED(buffer->Unlock())) Error_Report(false, "Error: Could not unlock vertex buffer");
}

void VertexBufferNode::Release() {
  if (buffer != nullptr) buffer->Release();
  buffer = nullptr;
  flags &= ~kVBLocked;
  lockPointer = nullptr;
}

void* GR_AllocVerts(int32_t kind, void* texture, int32_t format, int32_t count) {
  GR_BatchState& b = g_Batch;
  const uint32_t n = count > 0 ? static_cast<uint32_t>(count) : 0;
  if (texture == b.texture && kind == b.kind && format == b.format && g_RenderStates.dirty == 0 && !b.closed &&
      Fits(n)) {
    return Advance(n);
  }
  GraphicsFlush();
  b.kind = kind;
  b.texture = texture;
  b.format = format;
  b.stride = StrideOfRequest(format);
  const uint32_t fvf = FVFOf(format);
  const uint64_t need = uint64_t{n} * b.stride;
  b.scratchBatch = false;
  b.closed = kind == D3DPT_LINESTRIP || kind == D3DPT_TRIANGLESTRIP || kind == D3DPT_TRIANGLEFAN;

  if (b.method == kVBMethodNone) {
    b.current = nullptr;
    if (b.blockCapacity < need || b.block == nullptr) {
      if (b.blockCapacity < need) {
        MemoryManager_Free(b.block);
        b.block = nullptr;
        while (b.blockCapacity < need) b.blockCapacity *= 2;
      }
      if (b.block == nullptr) b.block = static_cast<uint8_t*>(MEM_ALLOC(b.blockCapacity));
    }
    b.writeBase = b.block;
    b.blockCount = 0;
    return Advance(n);
  }

  // Without a device nothing is drawn: vertices go to scratch memory, silently.
  VertexBufferNode* node = nullptr;
  if (g_D3D.device != nullptr) node = b.method == kVBMethodPool ? FindPoolNode(fvf, b.stride, n) : SingleNode(need);
  b.current = node;
  if (node == nullptr || !node->Lock()) {
    // No storage for this batch (no device, no buffer, a failed lock): it draws nothing.
    b.scratchBatch = true;
    b.closed = true;
    b.writeBase = Scratch(std::max<uint64_t>(need, 1));
    b.scratchUsed = static_cast<uint32_t>(need);
    return b.writeBase;
  }
  b.writeBase = node->lockPointer;
  return Advance(n);
}

void GraphicsFlush() {
  GR_BatchState& b = g_Batch;
  if (b.kind >= 0) {
    Texture_Bind(0, static_cast<Texture*>(b.texture));
    VertexBufferNode* node = b.current;
    int32_t count;
    if (b.scratchBatch) {
      count = 0;
    } else if (node == nullptr) {
      count = static_cast<int32_t>(b.blockCount);
      b.blockCount = 0;
    } else if ((node->flags & kVBBytes) != 0) {
      count = b.stride != 0 ? static_cast<int32_t>((node->writePosition - node->writeStart) / b.stride) : 0;
    } else {
      count = static_cast<int32_t>(node->writePosition - node->writeStart);
    }
    if (!b.scratchBatch) GR_DrawBatch(b.kind, count, b.format);
    if (b.intelWorkaround && node != nullptr && (node->flags & kVBPoolNode) != 0) node->writePosition = node->capacity;
    b.kind = -1;
    b.closed = true;
    b.texture = &g_textureSentinel;
    b.format = 0;
    b.scratchBatch = false;
  }
  CRenderStateManager::Apply();
}

void GR_DrawBatch(int32_t kind, int32_t count, int32_t format) {
  GR_BatchState& b = g_Batch;
  VertexBufferNode* node = b.current;
  if (node != nullptr) node->Unlock();
  const int32_t primitives = PrimitiveCount(kind, count);
  IDirect3DDevice9* device = g_D3D.device;
  if (primitives < 1 || device == nullptr) return;
  if (node == nullptr) {
    SetVertexFormat(device, FVFOf(format));
    device->DrawPrimitiveUP(DrawKind(kind), static_cast<UINT>(primitives), b.block, b.stride);
  } else {
    const bool bytes = (node->flags & kVBBytes) != 0;
    SetVertexFormat(device, bytes ? FVFOf(format) : node->format);
    const uint64_t offset = bytes ? node->writeStart : uint64_t{node->writeStart} * b.stride;
    device->SetStreamSource(0, node->buffer, static_cast<UINT>(offset), b.stride);
    device->DrawPrimitive(DrawKind(kind), 0, static_cast<UINT>(primitives));
  }
  ++b.drawCalls;
}

void GR_DrawVertexBuffer(int32_t kind, int32_t count, void* texture, VertexBufferNode* node) {
  if (node == nullptr || count < 1) return;
  GraphicsFlush();
  Texture_Bind(0, static_cast<Texture*>(texture));
  const int32_t primitives = PrimitiveCount(kind, count);
  IDirect3DDevice9* device = g_D3D.device;
  if (primitives < 1 || device == nullptr) return;
  node->Unlock();
  SetVertexFormat(device, node->format);
  device->SetStreamSource(0, node->buffer, node->writeStart * node->stride, node->stride);
  device->DrawPrimitive(DrawKind(kind), 0, static_cast<UINT>(primitives));
  ++g_Batch.drawCalls;
}

void GR_ReturnVerts(int32_t count) {
  GR_BatchState& b = g_Batch;
  if (count <= 0 || b.kind < 0 || b.scratchBatch) return;
  VertexBufferNode* node = b.current;
  if (node == nullptr) {
    b.blockCount -= std::min(b.blockCount, static_cast<uint32_t>(count));
    return;
  }
  const uint32_t back = (node->flags & kVBBytes) != 0 ? static_cast<uint32_t>(count) * b.stride : count;
  node->writePosition -= std::min(back, node->writePosition - node->writeStart);
}

void VBPool_EndFrame() {
  GR_BatchState& b = g_Batch;
  for (VertexBufferNode* node = b.head; node != nullptr; node = node->next) {
    if (node->lockPointer != nullptr) node->Unlock();
  }
  for (VertexBufferNode* node = b.head; node != nullptr; node = node->next) {
    if ((node->flags & kVBWrittenThisFrame) == 0) continue;
    node->lastUsedFrame = b.frame;
    node->flags &= ~kVBWrittenThisFrame;
    if ((node->flags & kVBBytes) == 0) node->writePosition = 0;
  }
  ++b.frame;
  b.current = nullptr;
  b.kind = -1;
  b.closed = true;
  if (b.intelWorkaround) b.poolMinimum = 4096;
}

void VBPool_FreeAll() {
  GR_BatchState& b = g_Batch;
  for (VertexBufferNode* node = b.head; node != nullptr;) {
    VertexBufferNode* next = node->next;
    node->Release();
    delete node;
    node = next;
  }
  b.head = b.tail = b.current = b.single = nullptr;
  MemoryManager_Free(b.block);
  b.block = nullptr;
  b.blockCount = 0;
  MemoryManager_Free(b.scratch);
  b.scratch = nullptr;
  b.scratchCapacity = 0;
  b.kind = -1;
  b.closed = true;
}

void GR_BatchAfterDirectDraw() {
  g_Batch.kind = -1;
  g_Batch.closed = true;
}

void GR_BatchForgetTexture(void* texture) {
  if (g_Batch.texture == texture) g_Batch.texture = nullptr;
}

void GR_SetVertexBufferMethod(int32_t method) {
  if (method < kVBMethodSingle || method > kVBMethodNone) return;
  GraphicsFlush();
  g_Batch.method = method;
}

void VertexBufferNode_Delete(VertexBufferNode* node) {
  if (node == nullptr) return;
  if (g_Batch.current == node) GraphicsFlush();
  if (g_Batch.current == node) g_Batch.current = nullptr;
  Unlink(node);
  node->Release();
  delete node;
}
