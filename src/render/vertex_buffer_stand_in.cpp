#include "render/vertex_buffer_stand_in.h"

#include <cstddef>

namespace {

struct StandInVertexBuffer {
  std::vector<uint8_t> bytes;
  int32_t stride = 0;
  bool frozen = false;
  bool hasFormat = false;
};

std::vector<StandInVertexBuffer> g_vertexBuffers;

}  // namespace

bool VertexBuffer_Get(int32_t id, VertexBufferView* view) {
  if (id < 0 || id >= static_cast<int32_t>(g_vertexBuffers.size())) return false;
  const StandInVertexBuffer& vb = g_vertexBuffers[static_cast<size_t>(id)];
  view->frozen = vb.frozen;
  view->hasFormat = vb.hasFormat;
  view->stride = vb.stride;
  view->vertexCount = vb.stride > 0 ? static_cast<int32_t>(vb.bytes.size() / static_cast<size_t>(vb.stride)) : 0;
  view->data = vb.bytes.data();
  view->bytes = static_cast<int64_t>(vb.bytes.size());
  return true;
}

int32_t VertexBufferStandIn_Add(const std::vector<uint8_t>& bytes, int32_t stride, bool frozen, bool hasFormat) {
  g_vertexBuffers.push_back(StandInVertexBuffer{bytes, stride, frozen, hasFormat});
  return static_cast<int32_t>(g_vertexBuffers.size()) - 1;
}

void VertexBufferStandIn_Clear() { g_vertexBuffers.clear(); }
