#include "render/vertex_buffer.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "assets/texture_pages.h"
#include "core/memory_manager.h"
#include "render/vertex_batch.h"

namespace {

std::vector<VertexBuffer*> g_buffers;

// The data grows by half its size plus one vertex, and always by enough for what is asked.
bool Grow(VertexBuffer* b, uint64_t need, uint32_t stride) {
  if (need <= b->capacity) return true;
  const uint64_t grown = std::max<uint64_t>(uint64_t{b->capacity} + b->capacity / 2 + stride, need);
  if (grown > static_cast<uint64_t>(INT32_MAX)) return false;
  auto* data = static_cast<uint8_t*>(MEM_REALLOC(b->data, static_cast<size_t>(grown)));
  if (data == nullptr) return false;
  b->data = data;
  b->capacity = static_cast<uint32_t>(grown);
  return true;
}

void ReleaseNode(VertexBuffer* b) {
  if (b->node != nullptr) VertexBufferNode_Delete(b->node);
  b->node = nullptr;
}

Texture* ResolveTexture(int64_t value) {
  if (value < INT32_MIN || value > INT32_MAX) return nullptr;
  const TextureHandle handle = GR_Texture_Resolve(static_cast<int32_t>(value));
  switch (handle.kind) {
    case TextureHandleKind::Slot: return GR_Texture_Get(handle.slot);
    case TextureHandleKind::Entry: return GR_Texture_Exists(handle.slot) ? GR_Texture_Get(handle.slot) : nullptr;
    default: return nullptr;
  }
}

}  // namespace

int32_t VertexBuffer_Create(int64_t size) {
  if (size < 0 || size > INT32_MAX) return -1;
  auto* data = static_cast<uint8_t*>(MEM_ALLOC(static_cast<size_t>(std::max<int64_t>(size, 1))));
  if (data == nullptr) return -1;
  auto* buffer = new VertexBuffer;
  buffer->data = data;
  buffer->capacity = static_cast<uint32_t>(size);
  size_t slot = 0;
  while (slot < g_buffers.size() && g_buffers[slot] != nullptr) ++slot;
  if (slot == g_buffers.size()) {
    // The table starts at 32 slots and doubles when full.
    g_buffers.resize(g_buffers.empty() ? 32 : g_buffers.size() * 2, nullptr);
  }
  g_buffers[slot] = buffer;
  return static_cast<int32_t>(slot);
}

VertexBuffer* VertexBuffer_Get(int32_t index) {
  if (index < 0 || index >= static_cast<int32_t>(g_buffers.size())) return nullptr;
  return g_buffers[static_cast<size_t>(index)];
}

bool VertexBuffer_Delete(int32_t index) {
  VertexBuffer* buffer = VertexBuffer_Get(index);
  if (buffer == nullptr) return false;
  MemoryManager_Free(buffer->data);
  ReleaseNode(buffer);
  delete buffer;
  g_buffers[static_cast<size_t>(index)] = nullptr;
  return true;
}

bool VertexBuffer_EnsureVertexRoom(VertexBuffer* buffer) {
  const uint32_t stride = buffer->writing != nullptr ? static_cast<uint32_t>(buffer->writing->stride) : 0;
  return Grow(buffer, uint64_t{buffer->writePosition} + stride, stride);
}

bool VertexBuffer_EnsureRoom(VertexBuffer* buffer, uint32_t bytes) {
  const uint32_t stride = buffer->writing != nullptr ? static_cast<uint32_t>(buffer->writing->stride) : 0;
  return Grow(buffer, uint64_t{buffer->writePosition} + bytes, stride);
}

int32_t VertexBuffer_DrawableCount(const VertexBuffer* buffer) {
  if (buffer->contents == nullptr || buffer->contents->stride <= 0 || buffer->vertexCount <= 0) return 0;
  // The fast writers count vertices by elements written; values of the wrong sizes must not make
  // a draw read past the data.
  const int64_t fits = buffer->capacity / static_cast<uint32_t>(buffer->contents->stride);
  return static_cast<int32_t>(std::min<int64_t>(buffer->vertexCount, fits));
}

bool VertexBuffer_Freeze(VertexBuffer* buffer) {
  if (buffer->frozen || buffer->contents == nullptr) return false;
  const int32_t count = VertexBuffer_DrawableCount(buffer);
  if (count > 0) {
    VertexBufferNode* node = VertexBufferNode::Create(static_cast<uint32_t>(buffer->contents->id),
                                                      static_cast<uint32_t>(count), 0);
    if (node == nullptr) return false;
    node->Update(buffer->data, static_cast<uint32_t>(count) * static_cast<uint32_t>(buffer->contents->stride));
    buffer->node = node;
  }
  buffer->vertexCount = count;
  // An empty buffer freezes without a device buffer; submitting it draws nothing.
  MemoryManager_Free(buffer->data);
  buffer->data = nullptr;
  buffer->frozen = true;
  return true;
}

void VertexBuffer_Submit(VertexBuffer* buffer, int32_t kind, int64_t textureValue) {
  Texture* texture = ResolveTexture(textureValue);
  if (buffer->frozen) {
    GR_DrawVertexBuffer(kind, buffer->vertexCount, texture, buffer->node);
    return;
  }
  const int32_t count = VertexBuffer_DrawableCount(buffer);
  if (count <= 0 || buffer->data == nullptr) return;
  const size_t bytes = static_cast<size_t>(count) * static_cast<size_t>(buffer->contents->stride);
  void* room = GR_AllocVerts(kind, texture, buffer->contents->id, count);
  if (room != nullptr) std::memcpy(room, buffer->data, bytes);
}

void VertexBuffer_FreeAll() {
  for (VertexBuffer* buffer : g_buffers) {
    if (buffer != nullptr) ReleaseNode(buffer);
  }
}

void VertexBuffer_DeleteAll() {
  for (size_t i = 0; i < g_buffers.size(); ++i) VertexBuffer_Delete(static_cast<int32_t>(i));
  g_buffers.clear();
  g_buffers.shrink_to_fit();
}

void VertexBuffer_FormatDeleted(const VertexFormat* format) {
  for (VertexBuffer* buffer : g_buffers) {
    if (buffer == nullptr) continue;
    if (buffer->writing == format) {
      buffer->writing = nullptr;
      buffer->writtenMask = 0;
      buffer->elementCounter = 0;
      buffer->elementCount = 0;
    }
    if (buffer->contents == format) buffer->contents = nullptr;
  }
}
