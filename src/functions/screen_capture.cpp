#include "functions/screen_capture.h"

#include <cstddef>
#include <utility>

#include "assets/texture_pixels.h"
#include "core/argument_getters.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "render/d3d_device.h"

void GR_SwapRedBlue(uint8_t* pixels, int32_t width, int32_t height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i) std::swap(pixels[i * 4], pixels[i * 4 + 2]);
}

void GR_FillAlpha(uint8_t* pixels, int32_t width, int32_t height) {
  if (pixels == nullptr || width <= 0 || height <= 0) return;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  for (size_t i = 0; i < count; ++i) pixels[i * 4 + 3] = 255;
}

bool Screen_Save(const char* file) {
  int32_t width = g_D3D.screenWidth;
  int32_t height = g_D3D.screenHeight;
  uint8_t* block = GR_D3D_GetScreenPixels(g_D3D.screenWidth, g_D3D.screenHeight, 0, 0, &width, &height);
  if (block == nullptr) return false;
  GR_SwapRedBlue(block, width, height);
  GR_FillAlpha(block, width, height);
  const bool written = write_png_file(file, block, width, height);
  MEM_FREE(block);
  return written;
}

namespace {

void screen_save(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
  if (argc < 1 || args == nullptr) return;
  Screen_Save(WXGS(args, 0));
}

}  // namespace

void Screen_RegisterFunctions(uint8_t flag) { Builtin_Add("screen_save", screen_save, 1, flag); }
