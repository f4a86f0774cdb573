#include "render/overlay_draw.h"

#include <cstddef>
#include <vector>

namespace {
std::vector<uint8_t> g_vertices;
}  // namespace

int32_t g_DebugOverlayDraws = 0;

void DebugOverlay_BeginDraw() { g_vertices.clear(); }
void DebugOverlay_EndDraw() { ++g_DebugOverlayDraws; }

void* GR_AllocVerts(int32_t, void*, int32_t vertexSize, int32_t count) {
  if (vertexSize <= 0 || count <= 0) return nullptr;
  const size_t start = g_vertices.size();
  g_vertices.resize(start + static_cast<size_t>(vertexSize) * static_cast<size_t>(count));
  return g_vertices.data() + start;
}

const uint8_t* GR_PendingVertexBytes(int32_t* size) {
  *size = static_cast<int32_t>(g_vertices.size());
  return g_vertices.data();
}
