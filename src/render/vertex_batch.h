// The vertex batcher: drawing code asks GR_AllocVerts for room for n vertices of a primitive kind,
// a texture and a vertex format, writes them in place, and consecutive requests that agree become
// one draw call when GraphicsFlush sends the batch. Vertices live in one growing dynamic buffer
// used as a ring (method 0), a pool of buffers that rest four frames before reuse (1), or plain
// memory drawn from user memory (2).
#pragma once

#include <cstdint>

#include "platform/d3d9/d3d9.h"

inline constexpr int32_t kVBMethodSingle = 0;
inline constexpr int32_t kVBMethodPool = 1;
inline constexpr int32_t kVBMethodNone = 2;
inline constexpr int32_t kVertexFormatIdBit = 0x1000000;

// Node flags.
inline constexpr uint32_t kVBLocked = 0x1;
inline constexpr uint32_t kVBDynamic = 0x2;
inline constexpr uint32_t kVBWrittenThisFrame = 0x4;
inline constexpr uint32_t kVBBytes = 0x8;

struct VertexBufferNode {
  VertexBufferNode* prev = nullptr;
  VertexBufferNode* next = nullptr;
  uint32_t flags = 0;
  IDirect3DVertexBuffer9* buffer = nullptr;
  uint32_t format = 0;  // an FVF code or a format id
  uint32_t stride = 0;
  uint32_t writeStart = 0;  // vertices, or bytes with kVBBytes
  uint32_t writePosition = 0;
  uint32_t capacity = 0;
  uint8_t* lockPointer = nullptr;
  uint64_t lastUsedFrame = 0;

  // A node with a buffer of `size` vertices (bytes with kVBBytes) on the list; false only when
  // the buffer could not be made (after the fatal error has been reported).
  static VertexBufferNode* Create(uint32_t format, uint32_t size, uint32_t flags);
  void Update(const void* data, uint32_t length);
  void Release();
  bool IsValid() const { return true; }
  // False when the lock failed: the node then stays unlocked.
  bool Lock();
  void Unlock();
};

struct GR_BatchState {
  int32_t method = kVBMethodSingle;
  int32_t kind = -1;
  void* texture = nullptr;
  int32_t format = 0;
  uint32_t stride = 0;
  bool closed = true;
  uint8_t* writeBase = nullptr;
  VertexBufferNode* current = nullptr;
  VertexBufferNode* single = nullptr;
  VertexBufferNode* head = nullptr;
  VertexBufferNode* tail = nullptr;
  uint8_t* block = nullptr;
  uint32_t blockCount = 0;
  uint32_t blockCapacity = 294912;
  uint32_t singleCapacity = 294912;
  uint32_t poolMinimum = 16384;
  uint64_t frame = 10;
  int32_t drawCalls = 0;
  bool intelWorkaround = false;
  int32_t buffersMade = 0;
  uint64_t bytesMade = 0;
  // Where a batch whose lock failed writes: its vertices are dropped.
  uint8_t* scratch = nullptr;
  uint32_t scratchCapacity = 0;
  bool scratchBatch = false;
  uint32_t scratchUsed = 0;  // bytes handed out of the scratch memory
};
extern GR_BatchState g_Batch;

inline constexpr int32_t GR_MaxBatchVerts = 65536;

void* GR_AllocVerts(int32_t kind, void* texture, int32_t format, int32_t count);
void GraphicsFlush();
void GR_ReturnVerts(int32_t count);
void GR_DrawBatch(int32_t kind, int32_t count, int32_t format);
void GR_DrawVertexBuffer(int32_t kind, int32_t count, void* texture, VertexBufferNode* node);
void VBPool_EndFrame();
void VBPool_FreeAll();
// After drawing through the device directly: the next request opens a new batch.
void GR_BatchAfterDirectDraw();
// A texture that is released stops being the batch's texture.
void GR_BatchForgetTexture(void* texture);
// Changes the vertex-buffer method (flushes first).
void GR_SetVertexBufferMethod(int32_t method);

// Unlinks a node made by VertexBufferNode::Create, releases its buffer and deletes it.
void VertexBufferNode_Delete(VertexBufferNode* node);

// Vertex formats given by id (vertex_format_*): the stride and declaration of an id (0 and null for
// an id no format has).
uint32_t VertexFormat_Stride(int32_t id);
IDirect3DVertexDeclaration9* VertexFormat_Declaration(int32_t id);
