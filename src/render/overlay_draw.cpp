#include "render/overlay_draw.h"

int32_t g_DebugOverlayDraws = 0;

// STAND-IN until the debug overlay is built: the projection is left as it is.
void DebugOverlay_BeginDraw() {}
void DebugOverlay_EndDraw() { ++g_DebugOverlayDraws; }

const uint8_t* GR_PendingVertexBytes(int32_t* size) {
  const GR_BatchState& b = g_Batch;
  *size = 0;
  if (b.kind < 0) return nullptr;
  if (b.scratchBatch) {
    *size = static_cast<int32_t>(b.scratchUsed);
  } else if (b.current == nullptr) {
    *size = static_cast<int32_t>(b.blockCount * b.stride);
  } else if ((b.current->flags & kVBBytes) != 0) {
    *size = static_cast<int32_t>(b.current->writePosition - b.current->writeStart);
  } else {
    *size = static_cast<int32_t>((b.current->writePosition - b.current->writeStart) * b.stride);
  }
  return b.writeBase;
}
