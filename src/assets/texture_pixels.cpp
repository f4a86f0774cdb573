#include "assets/texture_pixels.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>

#include "assets/render_hooks.h"
#include "io/graphics_device.h"
#include "assets/bitmap.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "io/file_services.h"
#include "io/load_save.h"

namespace {

GR_ApplicationSurfaceFn g_applicationSurface = nullptr;

// Flushes the batch and answers whether the device can be used for read-back and writes.
bool DeviceUsable() {
  Assets_FlushBatch();
  IDirect3DDevice9* device = g_D3D.device;
  D3DDISPLAYMODE mode{};
  return device != nullptr && SUCCEEDED(device->GetDisplayMode(0, &mode));
}

// A lockable 32-bit render target; null when it cannot be made.
IDirect3DSurface9* Staging(int32_t width, int32_t height) {
  IDirect3DSurface9* surface = nullptr;
  if (FAILED(g_D3D.device->CreateRenderTarget(static_cast<UINT>(width), static_cast<UINT>(height), D3DFMT_A8R8G8B8,
                                              D3DMULTISAMPLE_NONE, 0, TRUE, &surface, nullptr))) {
    return nullptr;
  }
  return surface;
}

void CopyRows(uint8_t* dst, size_t dstPitch, const uint8_t* src, size_t srcPitch, int32_t rows, size_t rowBytes) {
  for (int32_t y = 0; y < rows; ++y) std::memcpy(dst + y * dstPitch, src + y * srcPitch, rowBytes);
}

// Copies `rows` rows of `rowBytes` from a locked surface into a block of `blockPitch`.
bool ReadLocked(IDirect3DSurface9* surface, uint8_t* block, size_t blockPitch, int32_t rows, size_t rowBytes) {
  D3DLOCKED_RECT locked{};
  if (FAILED(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY))) return false;
  CopyRows(block, blockPitch, static_cast<const uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), rows,
           rowBytes);
  surface->UnlockRect();
  return true;
}

uint8_t* NewBlock(int32_t width, int32_t height) {
  return static_cast<uint8_t*>(MEM_ALLOC(static_cast<size_t>(width) * static_cast<size_t>(height) * 4));
}

RECT Rect(int32_t x, int32_t y, int32_t width, int32_t height) { return RECT{x, y, x + width, y + height}; }

bool Is32Bit(const Texture* texture) { return Texture_BytesPerPixel(texture) == 4; }

}  // namespace

GR_ApplicationSurfaceFn GR_SetApplicationSurfaceSource(GR_ApplicationSurfaceFn source) {
  GR_ApplicationSurfaceFn old = g_applicationSurface;
  g_applicationSurface = source;
  return old;
}

uint8_t* GR_D3D_GetScreenPixels(int32_t boundWidth, int32_t boundHeight, int32_t x, int32_t y, int32_t* width,
                                int32_t* height) {
  if (width == nullptr || height == nullptr || !DeviceUsable()) return nullptr;
  x = std::max(x, 0);
  y = std::max(y, 0);
  int32_t w = std::min(*width, boundWidth - x);
  int32_t h = std::min(*height, boundHeight - y);
  if (w <= 0 || h <= 0) return nullptr;
  IDirect3DDevice9* device = g_D3D.device;
  IDirect3DSurface9* source = nullptr;
  int32_t sourceWidth = 0;
  int32_t sourceHeight = 0;
  Texture* surface = g_applicationSurface != nullptr ? g_applicationSurface() : nullptr;
  if (surface != nullptr) {
    if (Texture_CreateOnDemand) Texture_EnsureD3D(surface);
    source = surface->surface;
    if (source == nullptr) return nullptr;
    source->AddRef();
    sourceWidth = surface->Width();
    sourceHeight = surface->Height();
  } else {
    if (FAILED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &source))) return nullptr;
    D3DSURFACE_DESC desc{};
    source->GetDesc(&desc);
    sourceWidth = static_cast<int32_t>(desc.Width);
    sourceHeight = static_cast<int32_t>(desc.Height);
  }
  w = std::min(w, sourceWidth - x);
  h = std::min(h, sourceHeight - y);
  if (w <= 0 || h <= 0) {
    source->Release();
    return nullptr;
  }
  *width = w;
  *height = h;
  IDirect3DSurface9* staging = Staging((w + 7) & ~7, (h + 7) & ~7);
  const RECT from = Rect(x, y, w, h);
  const RECT to = Rect(0, 0, w, h);
  const bool copied =
      staging != nullptr && SUCCEEDED(device->StretchRect(source, &from, staging, &to, D3DTEXF_LINEAR));
  source->Release();
  if (!copied) {
    if (staging != nullptr) staging->Release();
    return nullptr;
  }
  uint8_t* block = NewBlock(w, h);
  const bool read = ReadLocked(staging, block, static_cast<size_t>(w) * 4, h, static_cast<size_t>(w) * 4);
  staging->Release();
  if (!read) {
    MemoryManager_Free(block);
    return nullptr;
  }
  return block;
}

uint8_t* Texture_ReadPixels(Texture* texture, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (texture == nullptr || !Is32Bit(texture) || !DeviceUsable()) return nullptr;
  if (Texture_CreateOnDemand) Texture_EnsureD3D(texture);
  x = std::max(x, 0);
  y = std::max(y, 0);
  if (width <= 0 || height <= 0) return nullptr;
  const int32_t cw = std::min(width, texture->Width() - x);
  const int32_t ch = std::min(height, texture->Height() - y);
  if (cw <= 0 || ch <= 0 || texture->d3dTexture == nullptr) return nullptr;
  uint8_t* block = NewBlock(width, height);
  const size_t pitch = static_cast<size_t>(width) * 4;
  bool ok = false;
  if (!texture->InDefaultPool()) {
    const RECT rect = Rect(x, y, cw, ch);
    D3DLOCKED_RECT locked{};
    if (SUCCEEDED(texture->d3dTexture->LockRect(0, &locked, &rect, D3DLOCK_READONLY))) {
      CopyRows(block, pitch, static_cast<const uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), ch,
               static_cast<size_t>(cw) * 4);
      texture->d3dTexture->UnlockRect(0);
      ok = true;
    }
  } else if (IDirect3DSurface9* staging = Staging(width, height)) {
    const RECT from = Rect(x, y, cw, ch);
    const RECT to = Rect(0, 0, cw, ch);
    // Only what the copy wrote is taken: the rest of the block stays 0.
    ok = texture->surface != nullptr &&
         SUCCEEDED(g_D3D.device->StretchRect(texture->surface, &from, staging, &to, D3DTEXF_LINEAR)) &&
         ReadLocked(staging, block, pitch, ch, static_cast<size_t>(cw) * 4);
    staging->Release();
  }
  if (!ok) {
    MemoryManager_Free(block);
    return nullptr;
  }
  return block;
}

uint8_t* Texture_ReadRegion(Texture* texture, int32_t x, int32_t y, int32_t width, int32_t height) {
  return Texture_ReadPixels(texture, x, y, width, height);
}

void Texture_WritePixels(const uint8_t* pixels, Texture* texture, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (pixels == nullptr || texture == nullptr || !Is32Bit(texture) || !DeviceUsable()) return;
  if (Texture_CreateOnDemand) Texture_EnsureD3D(texture);
  x = std::max(x, 0);
  y = std::max(y, 0);
  if (width < 1 || height < 1) return;
  const int32_t cw = std::min(width, texture->Width() - x);
  const int32_t ch = std::min(height, texture->Height() - y);
  if (cw <= 0 || ch <= 0 || texture->d3dTexture == nullptr) return;
  const size_t pitch = static_cast<size_t>(width) * 4;
  if (!texture->InDefaultPool()) {
    const RECT rect = Rect(x, y, cw, ch);
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->d3dTexture->LockRect(0, &locked, &rect, 0))) return;
    CopyRows(static_cast<uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), pixels, pitch, ch,
             static_cast<size_t>(cw) * 4);
    texture->d3dTexture->UnlockRect(0);
    return;
  }
  IDirect3DSurface9* staging = Staging(width, height);
  if (staging == nullptr) return;
  D3DLOCKED_RECT locked{};
  if (SUCCEEDED(staging->LockRect(&locked, nullptr, 0))) {
    CopyRows(static_cast<uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), pixels, pitch, height, pitch);
    staging->UnlockRect();
    const RECT from = Rect(0, 0, cw, ch);
    const RECT to = Rect(x, y, cw, ch);
    if (texture->surface != nullptr) {
      g_D3D.device->StretchRect(staging, &from, texture->surface, &to, D3DTEXF_LINEAR);
    }
    texture->flags |= kTextureTargetDirty;
  }
  staging->Release();
}

void Texture_CopyRect(Texture* destination, int32_t dx, int32_t dy, Texture* source, int32_t sx, int32_t sy,
                      int32_t width, int32_t height) {
  Assets_FlushBatch();
  if (destination == nullptr || source == nullptr || g_D3D.device == nullptr) return;
  if (Texture_CreateOnDemand) {
    Texture_EnsureD3D(destination);
    Texture_EnsureD3D(source);
  }
  // In 64 bits: the rectangles come from scripts, and no sum may wrap into one that passes.
  int64_t fromX = sx, fromY = sy, toX = dx, toY = dy, w = width, h = height;
  if (fromX < 0) w += fromX, toX -= fromX, fromX = 0;
  if (fromY < 0) h += fromY, toY -= fromY, fromY = 0;
  if (toX < 0) w += toX, fromX -= toX, toX = 0;
  if (toY < 0) h += toY, fromY -= toY, toY = 0;
  w = std::min({w, int64_t{destination->Width()} - toX, int64_t{source->Width()} - fromX});
  h = std::min({h, int64_t{destination->Height()} - toY, int64_t{source->Height()} - fromY});
  if (w <= 0 || h <= 0 || source->surface == nullptr || destination->surface == nullptr) return;
  const auto cw = static_cast<int32_t>(w);
  const auto ch = static_cast<int32_t>(h);
  const RECT from = Rect(static_cast<int32_t>(fromX), static_cast<int32_t>(fromY), cw, ch);
  const RECT to = Rect(static_cast<int32_t>(toX), static_cast<int32_t>(toY), cw, ch);
  IDirect3DDevice9* device = g_D3D.device;
  if (source != destination) {
    device->StretchRect(source->surface, &from, destination->surface, &to, D3DTEXF_LINEAR);
  } else if (IDirect3DSurface9* held = Staging(cw, ch)) {
    // Within one texture the rectangle goes through a temporary target, so that the destination
    // gets what the source held before the copy, however the two overlap.
    const RECT whole = Rect(0, 0, cw, ch);
    if (SUCCEEDED(device->StretchRect(source->surface, &from, held, &whole, D3DTEXF_LINEAR))) {
      device->StretchRect(held, &whole, destination->surface, &to, D3DTEXF_LINEAR);
    }
    held->Release();
  }
  destination->flags |= kTextureTargetDirty;
}

namespace {

void PNG_WriteCallback(png_structp png, png_bytep data, png_size_t length) {
  auto* file = static_cast<LoadSaveFile*>(png_get_io_ptr(png));
  if (LoadSave_FWrite(data, 1, length, file) != length) png_error(png, "write failed");
}

void PNG_FlushCallback(png_structp) {}

// libpng's own messages are not printed: each step says what failed.
void QuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void QuietWarning(png_structp, png_const_charp) {}

// The libpng steps, each under its own error jump; false with the step's message on failure.
bool WritePNG(LoadSaveFile* file, const uint8_t* pixels, int32_t width, int32_t height) {
  // libpng refuses a version string other than its own.
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, &QuietError, &QuietWarning);
  if (png == nullptr) {
    Console_DebugOutput("[write_png_file] png_create_write_struct failed\n");
    return false;
  }
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    Console_DebugOutput("[write_png_file] png_create_info_struct failed\n");
    png_destroy_write_struct(&png, nullptr);
    return false;
  }
  auto** rows = static_cast<png_bytep*>(MEM_ALLOC(sizeof(png_bytep) * static_cast<size_t>(height)));
  for (int32_t i = 0; i < height; ++i) {
    rows[i] = const_cast<png_bytep>(pixels + static_cast<size_t>(i) * static_cast<size_t>(width) * 4);
  }
  const char* volatile failure = "[write_png_file] Error during init_io\n";
  bool ok = false;
  if (setjmp(png_jmpbuf(png)) == 0) {
    png_set_write_fn(png, file, &PNG_WriteCallback, &PNG_FlushCallback);
    failure = "[write_png_file] Error during writing header\n";
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    failure = "[write_png_file] Error during writing bytes";
    png_write_image(png, rows);
    failure = "[write_png_file] Error during end of write";
    png_write_end(png, nullptr);
    ok = true;
  } else {
    Console_DebugOutput("%s", failure);
  }
  MemoryManager_Free(rows);
  png_destroy_write_struct(&png, &info);
  return ok;
}

}  // namespace

bool write_png_file(const char* name, const uint8_t* pixels, int32_t width, int32_t height) {
  if (name == nullptr || pixels == nullptr || width < 1 || height < 1) return false;
  char path[2048];
  LoadSave_MapSavePath(path, sizeof path, name);
  if (path[0] == '\0') return false;
  File_CreateParentDirectory(path);
  LoadSaveFile* file = LoadSave_FOpen(path, "wb");
  if (file == nullptr) return false;
  const bool ok = WritePNG(file, pixels, width, height);
  LoadSave_FClose(file);
  return ok;
}

TBitmap* TPE_ReadBackWhole(const TPageEntry* e) {
  if (e == nullptr) return nullptr;
  Texture* page = GR_Texture_Get(e->page);
  if (page == nullptr) return nullptr;
  uint8_t* read = Texture_ReadRegion(page, e->sourceX, e->sourceY, e->sourceWidth, e->sourceHeight);
  if (read == nullptr) return nullptr;
  uint32_t size = 0;
  uint8_t* block = TBitmap_NewBlock(e->fullWidth, e->fullHeight, &size);
  if (block == nullptr) {
    MEM_FREE(read);
    return nullptr;
  }
  auto* full = new TBitmap();
  full->SetImage(block, size);
  uint8_t* rowAddress = nullptr;
  int32_t stride = 0;
  uint8_t* pixels = full->ScanLine(0, &rowAddress, &stride);
  for (int32_t y = 0; y < e->sourceHeight; ++y) {
    const int32_t ty = e->targetY + y;
    if (ty < 0 || ty >= e->fullHeight) continue;
    for (int32_t x = 0; x < e->sourceWidth; ++x) {
      const int32_t tx = e->targetX + x;
      if (tx < 0 || tx >= e->fullWidth) continue;
      std::memcpy(pixels + static_cast<size_t>(ty) * static_cast<size_t>(stride) + static_cast<size_t>(tx) * 4,
                  read + (static_cast<size_t>(y) * static_cast<size_t>(e->sourceWidth) + static_cast<size_t>(x)) * 4,
                  4);
    }
  }
  MEM_FREE(read);
  return full;
}
