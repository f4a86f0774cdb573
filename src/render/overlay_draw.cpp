#include "render/overlay_draw.h"

#include "assets/embedded_images.h"
#include "assets/texture_pages.h"

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

namespace {
uint32_t g_frameNumber = 0;
int32_t g_fontSlot = -1;
Texture* g_fontTexture = nullptr;  // what g_fontSlot held when made: a reused index is not ours
}  // namespace

uint32_t DebugOverlay_FrameNumber() { return g_frameNumber; }
void DebugOverlay_AdvanceFrame() { ++g_frameNumber; }

int32_t DebugOverlay_FontSlot() {
  if (g_fontSlot >= 0 && g_fontTexture != nullptr && GR_Texture_Get(g_fontSlot) == g_fontTexture) return g_fontSlot;
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  g_fontSlot = -1;
  g_fontTexture = nullptr;
  if (!GR_GetEmbeddedImage(kEmbeddedFontSheet, &data, &length)) return -1;
  D3DXIMAGE_INFO info{};
  // An image file, never a "RAW " block: nothing writes into the program's own bytes.
  Texture* texture = Texture_CreateFromData(const_cast<uint8_t*>(data), length, &info, kTextureKindARGB, 0);
  if (texture == nullptr) return -1;
  g_fontTexture = texture;
  g_fontSlot = GR_Texture_Wrap(texture, 256, 128);
  return g_fontSlot;
}

void DebugOverlay_ForgetFontSlot() {
  if (g_fontSlot >= 0 && g_fontTexture != nullptr && GR_Texture_Get(g_fontSlot) == g_fontTexture) {
    GR_Texture_Free(g_fontSlot);
  }
  g_fontSlot = -1;
  g_fontTexture = nullptr;
}
