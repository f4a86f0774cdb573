// Vertex buffers that scripts fill in a vertex format of their own: a table of records indexed by
// the script's handle. A buffer is begun in a format, written element by element, ended (its
// contents then have that format), and submitted any number of times; freezing moves the bytes
// into a device buffer of their own that later submits draw without copying.
#pragma once

#include <cstdint>

#include "render/vertex_format.h"

struct VertexBufferNode;

struct VertexBuffer {
  uint8_t* data = nullptr;  // null once frozen
  uint32_t capacity = 0;
  uint32_t writePosition = 0;  // bytes of complete vertices (validating writers), of all elements (fast ones)
  int32_t elementCounter = 0;  // elements written of the current vertex (fast writers)
  int32_t elementCount = 0;    // of the format being written
  uint32_t writtenMask = 0;    // element bits written of the current vertex (validating writers)
  int32_t vertexCount = 0;
  bool frozen = false;
  VertexFormat* writing = nullptr;   // between vertex_begin and vertex_end
  VertexFormat* contents = nullptr;  // the format of the finished contents
  VertexBufferNode* node = nullptr;  // the device buffer while frozen
};

// Bytes a buffer has at least.
inline constexpr int32_t kVertexBufferMinimumSize = 256;

// A buffer of `size` zeroed bytes in the first empty slot; its index (-1 when the memory could not
// be had).
int32_t VertexBuffer_Create(int64_t size);
// The record of an index, null when out of range or empty.
VertexBuffer* VertexBuffer_Get(int32_t index);
// False for an index out of range or an empty slot.
bool VertexBuffer_Delete(int32_t index);
// Room for one more vertex of the format being written; false (nothing changed) when the buffer
// would pass the 32-bit size.
bool VertexBuffer_EnsureVertexRoom(VertexBuffer* buffer);
// Room for `bytes` more bytes at the write position, growing as the fast writers do; false as above.
bool VertexBuffer_EnsureRoom(VertexBuffer* buffer, uint32_t bytes);
// The vertices of the contents that lie inside the data: what submitting and freezing use.
int32_t VertexBuffer_DrawableCount(const VertexBuffer* buffer);
// Moves the contents into a device buffer; false when the device refused one (the buffer then
// keeps its memory).
bool VertexBuffer_Freeze(VertexBuffer* buffer);
// Draws the contents: a frozen buffer in one draw of its own, else copied into the batch. The
// texture is a script texture handle.
void VertexBuffer_Submit(VertexBuffer* buffer, int32_t kind, int64_t texture);
// Releases every frozen buffer's device buffer (before the device goes).
void VertexBuffer_FreeAll();
// Deletes every buffer and empties the table.
void VertexBuffer_DeleteAll();
// A format that is deleted: buffers written or finished in it drop it.
void VertexBuffer_FormatDeleted(const VertexFormat* format);
