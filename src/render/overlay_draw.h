// Overlay drawing, as the input overlay uses it: a pixel-exact projection and a vertex batch.
#pragma once

#include <cstdint>

void DebugOverlay_BeginDraw();
void DebugOverlay_EndDraw();

// Writable room for `count` vertices of `vertexSize` bytes in the current batch of primitive
// `primitive` (4: triangle list) with `texture` (null: none).
void* GR_AllocVerts(int32_t primitive, void* texture, int32_t vertexSize, int32_t count);

// Until the renderer is built the batch is only kept: the bytes of every vertex handed out since
// the last begin, and the number of begin/end pairs.
const uint8_t* GR_PendingVertexBytes(int32_t* size);
extern int32_t g_DebugOverlayDraws;
