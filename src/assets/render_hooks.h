// What textures, glyph caches and the built-in font need of the renderer above them. The host
// installs the renderer's at start-up; without them there is no batch to send, no frame counted
// and no debug font sheet.
#pragma once

#include <cstdint>

struct AssetRenderHooks {
  // Sends the pending batch, before a texture it may use changes.
  void (*flush)() = nullptr;
  // Forgets a texture that is going away, so no batch refers to it.
  void (*forgetTexture)(void* texture) = nullptr;
  // The number of the frame being drawn (glyph cells used in it are not reused until it is sent).
  uint32_t (*frameNumber)() = nullptr;
  // The texture slot of the debug font's sheet, made on first use.
  int32_t (*debugFontSlot)() = nullptr;
};
// Installs the hooks and returns those installed before.
AssetRenderHooks Assets_SetRenderHooks(const AssetRenderHooks& hooks);

void Assets_FlushBatch();
void Assets_ForgetTexture(void* texture);
uint32_t Assets_FrameNumber();
int32_t Assets_DebugFontSlot();
