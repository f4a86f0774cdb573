#include "functions/surface_functions.h"

#include <vector>

#include "assets/texture_pages.h"
#include "assets/texture_pixels.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "io/buffer.h"
#include "functions/handler_args.h"
#include "functions/screen_capture.h"
#include "runtime/error_report.h"
#include "runtime/run_state.h"
#include "render/primitives.h"
#include "render/surface.h"
#include "world/room.h"

bool F_SurfaceSetTarget(int32_t id) { return Surface_SetTarget(0, id); }

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
// A read-back block is one allocation: a rectangle whose block would be larger is refused.
constexpr uint64_t kMaxBlockBytes = 0x7FFFFFFFu;

void SetBool(RValue* result, bool value) { Args_SetReal(result, value ? 1.0 : 0.0); }

// Every drawing, reading, saving and copying function checks its ids here, so that an unknown
// id is reported once per call and never reaches the renderer.
bool ExistsOrReport(bool exists) {
  if (!exists) Error_Report(false, "Trying to use non-existing surface.");
  return exists;
}
bool Known(int32_t id) { return ExistsOrReport(Surface_Exists(id)); }
bool BothKnown(int32_t first, int32_t second) {
  return ExistsOrReport(Surface_Exists(first) && Surface_Exists(second));
}

Texture* TextureOf(int32_t id) { return GR_Texture_Get(Surface_GetTexture(id)); }

// The block of (x, y, width, height) read from the surface, blue, green, red, alpha; null for an
// empty or absurdly large rectangle or a failed read.
uint8_t* ReadRect(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (width <= 0 || height <= 0) return nullptr;
  const uint64_t bytes = static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4u;
  if (bytes > kMaxBlockBytes) return nullptr;
  return Texture_ReadPixels(TextureOf(id), x, y, width, height);
}

// The surface's pixels keep their alpha in the file, unlike a screen save's.
void SaveRect(int32_t id, const char* file, int32_t x, int32_t y, int32_t width, int32_t height) {
  uint8_t* block = ReadRect(id, x, y, width, height);
  if (block == nullptr) return;
  GR_SwapRedBlue(block, width, height);
  write_png_file(file, block, width, height);
  MEM_FREE(block);
}

// The pixel at (x, y) with alpha in the top byte, then blue, green and red; 0 when unreadable.
uint32_t PixelOf(int32_t id, int32_t x, int32_t y) {
  uint8_t* block = ReadRect(id, x, y, 1, 1);
  if (block == nullptr) return 0;
  const uint32_t p = static_cast<uint32_t>(block[0]) | static_cast<uint32_t>(block[1]) << 8 |
                     static_cast<uint32_t>(block[2]) << 16 | static_cast<uint32_t>(block[3]) << 24;
  MEM_FREE(block);
  return (p & 0xFF00FF00u) | ((p & 0xFF) << 16) | ((p >> 16) & 0xFF);
}

float RoomWidth() { return Room_Current != nullptr ? static_cast<float>(Room_Current->width) : 0.0f; }
float RoomHeight() { return Room_Current != nullptr ? static_cast<float>(Room_Current->height) : 0.0f; }


// --- management ----------------------------------------------------------------------------

BUILTIN_FN(surface_create) {
  HANDLER_ARGS;
  Args_SetReal(result, Surface_Create(a.I(0), a.I(1), -1));
}

BUILTIN_FN(surface_create_ext) {
  HANDLER_ARGS;
  (void)a;
  Error_Report(false, "surface_create_ext() not supported");
  Args_SetReal(result, -1);
}

BUILTIN_FN(surface_resize) {
  HANDLER_ARGS;
  const int32_t id = a.I(0);
  const int32_t width = a.I(1);
  const int32_t height = a.I(2);
  if (width <= 0 || height <= 0 || width > kSurfaceMaxSide || height > kSurfaceMaxSide) {
    Error_Report(false, "Invalid surface dimensions");
    return;
  }
  RunState& rs = g_RunState;
  if (id >= 0 && id == rs.applicationSurface) {
    // The redraw applies it when it next starts; until then the old size stands.
    rs.pendingResizeWidth = width;
    rs.pendingResizeHeight = height;
    rs.surfaceResizePending = true;
    Args_SetReal(result, 1);
    return;
  }
  if (!Surface_Exists(id)) {
    Error_Report(false, "Surface does not exist");
    return;
  }
  if (Surface_Resize(id, width, height)) Args_SetReal(result, 1);
}

BUILTIN_FN(surface_free) {
  HANDLER_ARGS;
  Surface_Free(a.I(0), false);
}

BUILTIN_FN(surface_exists) {
  HANDLER_ARGS;
  SetBool(result, Surface_Exists(a.I(0)));
}

BUILTIN_FN(surface_get_width) {
  HANDLER_ARGS;
  Args_SetReal(result, Surface_GetWidth(a.I(0)));
}

BUILTIN_FN(surface_get_height) {
  HANDLER_ARGS;
  Args_SetReal(result, Surface_GetHeight(a.I(0)));
}

BUILTIN_FN(surface_get_texture) {
  HANDLER_ARGS;
  RValue_Release(result);
  *result = RValue_MakePointer(reinterpret_cast<void*>(static_cast<intptr_t>(Surface_GetTexture(a.I(0)))));
}

BUILTIN_FN(surface_set_target) {
  HANDLER_ARGS;
  SetBool(result, F_SurfaceSetTarget(a.I(0)));
}

BUILTIN_FN(surface_set_target_ext) {
  HANDLER_ARGS;
  // Slots 0 to 3 only: a negative index would name a slot before the table.
  const int32_t slot = a.I(0);
  SetBool(result, slot >= 0 && slot <= 3 && Surface_SetTarget(slot, a.I(1)));
}

BUILTIN_FN(surface_reset_target) {
  HANDLER_ARGS;
  (void)a;
  SetBool(result, Surface_ResetTarget());
}

// --- drawing -------------------------------------------------------------------------------

BUILTIN_FN(draw_surface) {
  HANDLER_ARGS;
  if (Known(a.I(0))) Surface_Draw(a.I(0), a.F(1), a.F(2));
}

BUILTIN_FN(draw_surface_ext) {
  HANDLER_ARGS;
  if (!Known(a.I(0))) return;
  Surface_DrawExt(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), static_cast<uint32_t>(a.I(6)), a.F(7));
}

BUILTIN_FN(draw_surface_stretched) {
  HANDLER_ARGS;
  if (Known(a.I(0))) Surface_DrawStretched(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), kWhite, GR_GetAlpha());
}

BUILTIN_FN(draw_surface_stretched_ext) {
  HANDLER_ARGS;
  if (!Known(a.I(0))) return;
  Surface_DrawStretched(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), static_cast<uint32_t>(a.I(5)), a.F(6));
}

BUILTIN_FN(draw_surface_part) {
  HANDLER_ARGS;
  if (!Known(a.I(0))) return;
  Surface_DrawPart(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), 1, 1, kWhite, GR_GetAlpha());
}

BUILTIN_FN(draw_surface_part_ext) {
  HANDLER_ARGS;
  if (!Known(a.I(0))) return;
  Surface_DrawPart(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8),
                   static_cast<uint32_t>(a.I(9)), a.F(10));
}

BUILTIN_FN(draw_surface_general) {
  HANDLER_ARGS;
  if (!Known(a.I(0))) return;
  Surface_DrawGeneral(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), a.F(5), a.F(6), a.F(7), a.F(8), a.F(9),
                      static_cast<uint32_t>(a.I(10)), static_cast<uint32_t>(a.I(11)), static_cast<uint32_t>(a.I(12)),
                      static_cast<uint32_t>(a.I(13)), a.F(14));
}

BUILTIN_FN(draw_surface_tiled) {
  HANDLER_ARGS;
  if (!Known(a.I(0))) return;
  Surface_DrawTiled(a.I(0), a.F(1), a.F(2), 1, 1, true, true, 0, 0, RoomWidth(), RoomHeight(), kWhite, GR_GetAlpha());
}

BUILTIN_FN(draw_surface_tiled_ext) {
  HANDLER_ARGS;
  if (!Known(a.I(0))) return;
  Surface_DrawTiled(a.I(0), a.F(1), a.F(2), a.F(3), a.F(4), true, true, 0, 0, RoomWidth(), RoomHeight(),
                    static_cast<uint32_t>(a.I(5)), a.F(6));
}

// --- reading back, saving and copying --------------------------------------------------------

BUILTIN_FN(surface_save) {
  HANDLER_ARGS;
  const int32_t id = a.I(0);
  if (!Known(id)) return;
  const Surface* s = Surface_FindRecord(id);
  SaveRect(id, a.S(1), 0, 0, s->width, s->height);
}

BUILTIN_FN(surface_save_part) {
  HANDLER_ARGS;
  if (Known(a.I(0))) SaveRect(a.I(0), a.S(1), a.I(2), a.I(3), a.I(4), a.I(5));
}

BUILTIN_FN(surface_getpixel) {
  HANDLER_ARGS;
  if (Known(a.I(0))) Args_SetReal(result, PixelOf(a.I(0), a.I(1), a.I(2)) & 0xFFFFFFu);
}

BUILTIN_FN(surface_getpixel_ext) {
  HANDLER_ARGS;
  if (Known(a.I(0))) Args_SetReal(result, PixelOf(a.I(0), a.I(1), a.I(2)));
}

BUILTIN_FN(surface_copy) {
  HANDLER_ARGS;
  const int32_t destination = a.I(0);
  const int32_t source = a.I(3);
  if (!BothKnown(destination, source)) return;
  const Surface* s = Surface_FindRecord(source);
  Texture_CopyRect(TextureOf(destination), a.I(1), a.I(2), TextureOf(source), 0, 0, s->width, s->height);
}

BUILTIN_FN(surface_copy_part) {
  HANDLER_ARGS;
  const int32_t destination = a.I(0);
  const int32_t source = a.I(3);
  if (!BothKnown(destination, source)) return;
  Texture_CopyRect(TextureOf(destination), a.I(1), a.I(2), TextureOf(source), a.I(4), a.I(5), a.I(6), a.I(7));
}

#undef ARGS
#undef SURFACE_FN

// --- the buffer functions' view of surfaces ------------------------------------------------

bool BufferSurfaceExists(int32_t id) { return Surface_Exists(id); }

bool BufferSurfaceSize(int32_t id, int32_t* width, int32_t* height) {
  const Surface* s = Surface_FindRecord(id);
  if (s == nullptr) return false;
  *width = s->width;
  *height = s->height;
  return true;
}

bool BufferSurfaceRead(int32_t id, std::vector<uint8_t>* pixels) {
  const Surface* s = Surface_FindRecord(id);
  if (s == nullptr) return false;
  uint8_t* block = ReadRect(id, 0, 0, s->width, s->height);
  if (block == nullptr) return false;
  pixels->assign(block, block + static_cast<size_t>(s->width) * static_cast<size_t>(s->height) * 4);
  MEM_FREE(block);
  return true;
}

bool BufferSurfaceWrite(int32_t id, const uint8_t* pixels) {
  const Surface* s = Surface_FindRecord(id);
  Texture* texture = s == nullptr ? nullptr : TextureOf(id);
  if (texture == nullptr) return false;
  Texture_WritePixels(pixels, texture, 0, 0, s->width, s->height);
  return true;
}

const BufferSurfaceAccess kBufferSurfaceAccess = {BufferSurfaceExists, BufferSurfaceSize, BufferSurfaceRead,
                                                  BufferSurfaceWrite};

}  // namespace

void Surface_RegisterFunctions(uint8_t flag) {
  Builtin_Add("surface_create", surface_create, 2, flag);
  Builtin_Add("surface_create_ext", surface_create_ext, 3, flag);
  Builtin_Add("surface_resize", surface_resize, 3, flag);
  Builtin_Add("surface_free", surface_free, 1, flag);
  Builtin_Add("surface_exists", surface_exists, 1, flag);
  Builtin_Add("surface_get_width", surface_get_width, 1, flag);
  Builtin_Add("surface_get_height", surface_get_height, 1, flag);
  Builtin_Add("surface_get_texture", surface_get_texture, 1, flag);
  Builtin_Add("surface_set_target", surface_set_target, 1, flag);
  Builtin_Add("surface_set_target_ext", surface_set_target_ext, 2, flag);
  Builtin_Add("surface_reset_target", surface_reset_target, 0, flag);
  Builtin_Add("draw_surface", draw_surface, 3, flag);
  Builtin_Add("draw_surface_ext", draw_surface_ext, 8, flag);
  Builtin_Add("draw_surface_stretched", draw_surface_stretched, 5, flag);
  Builtin_Add("draw_surface_stretched_ext", draw_surface_stretched_ext, 7, flag);
  Builtin_Add("draw_surface_part", draw_surface_part, 7, flag);
  Builtin_Add("draw_surface_part_ext", draw_surface_part_ext, 11, flag);
  Builtin_Add("draw_surface_general", draw_surface_general, 15, flag);
  Builtin_Add("draw_surface_tiled", draw_surface_tiled, 3, flag);
  Builtin_Add("draw_surface_tiled_ext", draw_surface_tiled_ext, 7, flag);
  Builtin_Add("surface_save", surface_save, 2, flag);
  Builtin_Add("surface_save_part", surface_save_part, 6, flag);
  Builtin_Add("surface_getpixel", surface_getpixel, 3, flag);
  Builtin_Add("surface_getpixel_ext", surface_getpixel_ext, 3, flag);
  Builtin_Add("surface_copy", surface_copy, 4, flag);
  Builtin_Add("surface_copy_part", surface_copy_part, 8, flag);
  Buffer_SetSurfaceAccess(&kBufferSurfaceAccess);
}
