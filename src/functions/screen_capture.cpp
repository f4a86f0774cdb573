#include "functions/screen_capture.h"

#include <cstddef>
#include <cstring>
#include <utility>

#include "assets/texture_pixels.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "functions/handler_args.h"
#include "runtime/error_report.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "render/d3d_device.h"
#include "render/render_setters.h"

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

namespace {

// Reads the rectangle from the current render target, bounded by the screen, and writes what it
// got as a PNG file.
bool SaveRect(const char* file, int32_t x, int32_t y, int32_t width, int32_t height, bool opaque) {
  uint8_t* block = GR_D3D_GetScreenPixels(g_D3D.screenWidth, g_D3D.screenHeight, x, y, &width, &height);
  if (block == nullptr) return false;
  GR_SwapRedBlue(block, width, height);
  if (opaque) GR_FillAlpha(block, width, height);
  const bool written = write_png_file(file, block, width, height);
  MEM_FREE(block);
  return written;
}

}  // namespace

bool Screen_Save(const char* file) { return SaveRect(file, 0, 0, g_D3D.screenWidth, g_D3D.screenHeight, true); }

bool Screen_SavePart(const char* file, int32_t x, int32_t y, int32_t width, int32_t height) {
  // The sums are formed in 64 bits: a script's rectangle near the integer limits must clip, not
  // wrap around into one that passes.
  int64_t left = x;
  int64_t top = y;
  int64_t w = width;
  int64_t h = height;
  if (left < 0) w += left, left = 0;
  if (top < 0) h += top, top = 0;
  if (left + w > g_D3D.screenWidth) w = g_D3D.screenWidth - left;
  if (top + h > g_D3D.screenHeight) h = g_D3D.screenHeight - top;
  if (w <= 0 || h <= 0) return false;
  return SaveRect(file, static_cast<int32_t>(left), static_cast<int32_t>(top), static_cast<int32_t>(w),
                  static_cast<int32_t>(h), true);
}

bool Command_Snapshot(const char* file) {
  if (file == nullptr || file[0] == '\0') {
    Error_Report(false, "Trying to save screen to empty image file name.");
    return false;
  }
  return SaveRect(file, 0, 0, g_D3D.screenWidth, g_D3D.screenHeight, false);
}

namespace {


BUILTIN_FN(screen_save) {
  (void)result;
  const Args a{argc, argv};
  if (const char* file = a.S(0)) Screen_Save(file);
}

BUILTIN_FN(screen_save_part) {
  (void)result;
  const Args a{argc, argv};
  if (const char* file = a.S(0)) Screen_SavePart(file, a.I(1), a.I(2), a.I(3), a.I(4));
}

// The pixel under a room position, through the port of the view being drawn: alpha in the top
// byte, then blue, green and red.
uint32_t PixelAt(const Args& a) {
  int32_t px = 0;
  int32_t py = 0;
  Window_MapPointToView(g_RunState.viewCurrent, a.F(0), a.F(1), &px, &py);
  return GR_GetPixel(px, py);
}

BUILTIN_FN(draw_getpixel) { Args_SetReal(result, PixelAt(Args{argc, argv}) & 0xFFFFFFu); }

BUILTIN_FN(draw_getpixel_ext) { Args_SetReal(result, PixelAt(Args{argc, argv})); }

#undef SCREEN_FN

}  // namespace

void Screen_RegisterFunctions(uint8_t flag) {
  Builtin_Add("screen_save", screen_save, 1, flag);
  Builtin_Add("screen_save_part", screen_save_part, 5, flag);
  Builtin_Add("draw_getpixel", draw_getpixel, 2, flag);
  Builtin_Add("draw_getpixel_ext", draw_getpixel_ext, 2, flag);
}
