// STAND-IN until the vertex buffers are built: a table of vertex buffers that tests fill, read
// through the one query the buffer functions make.
#pragma once

#include <cstdint>
#include <vector>

// What a vertex buffer shows to the buffer functions.
struct VertexBufferView {
  bool frozen = false;
  bool hasFormat = false;
  int32_t vertexCount = 0;
  int32_t stride = 0;  // bytes a vertex, from the format
  const uint8_t* data = nullptr;
  int64_t bytes = 0;  // all the bytes written
};

// False when no vertex buffer has the id.
bool VertexBuffer_Get(int32_t id, VertexBufferView* view);

// The stand-in's table: a new vertex buffer over a copy of the bytes; its id.
int32_t VertexBufferStandIn_Add(const std::vector<uint8_t>& bytes, int32_t stride, bool frozen, bool hasFormat);
void VertexBufferStandIn_Clear();
