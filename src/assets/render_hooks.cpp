#include "assets/render_hooks.h"

namespace {
AssetRenderHooks g_hooks;
}  // namespace

AssetRenderHooks Assets_SetRenderHooks(const AssetRenderHooks& hooks) {
  const AssetRenderHooks previous = g_hooks;
  g_hooks = hooks;
  return previous;
}

void Assets_FlushBatch() {
  if (g_hooks.flush != nullptr) g_hooks.flush();
}

void Assets_ForgetTexture(void* texture) {
  if (g_hooks.forgetTexture != nullptr) g_hooks.forgetTexture(texture);
}

uint32_t Assets_FrameNumber() { return g_hooks.frameNumber != nullptr ? g_hooks.frameNumber() : 0; }

int32_t Assets_DebugFontSlot() { return g_hooks.debugFontSlot != nullptr ? g_hooks.debugFontSlot() : -1; }
