// Helpers shared by the graphics layer tests: image bytes built in memory and pixel access.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/d3d9/d3d9.h"

inline void EnsureOffscreenVideo() { setenv("SDL_VIDEODRIVER", "offscreen", 0); }

// A windowed 32-bit back buffer of the size that presents at once.
inline D3DPRESENT_PARAMETERS WindowedPresentParams(UINT width, UINT height) {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  pp.Windowed = TRUE;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return pp;
}

// An object's public reference count, left as it was.
inline ULONG RefCount(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

// PNG file bytes of BGRA pixels (alpha kept when withAlpha, else an RGB file).
inline std::vector<uint8_t> MakePNG(const std::vector<uint32_t>& argb, unsigned width, unsigned height, bool withAlpha) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = withAlpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
  std::vector<uint8_t> pixels;
  for (uint32_t c : argb) {
    pixels.push_back(static_cast<uint8_t>(c));
    pixels.push_back(static_cast<uint8_t>(c >> 8));
    pixels.push_back(static_cast<uint8_t>(c >> 16));
    if (withAlpha) pixels.push_back(static_cast<uint8_t>(c >> 24));
  }
  png_alloc_size_t size = 0;
  png_image_write_to_memory(&image, nullptr, &size, 0, pixels.data(), 0, nullptr);
  std::vector<uint8_t> out(size);
  png_image_write_to_memory(&image, out.data(), &size, 0, pixels.data(), 0, nullptr);
  out.resize(size);
  return out;
}

inline void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A DDS file of the given four-character code with its level data appended as given.
inline std::vector<uint8_t> MakeDDS(uint32_t fourCC, unsigned width, unsigned height, unsigned mipCount,
                                    const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out;
  Put32(&out, 0x20534444);  // "DDS "
  Put32(&out, 124);
  Put32(&out, 0x1 | 0x2 | 0x4 | 0x1000 | (mipCount > 1 ? 0x20000 : 0));
  Put32(&out, height);
  Put32(&out, width);
  Put32(&out, 0);
  Put32(&out, 0);
  Put32(&out, mipCount);
  for (int i = 0; i < 11; ++i) Put32(&out, 0);
  Put32(&out, 32);   // pixel format size
  Put32(&out, 0x4);  // four-character code
  Put32(&out, fourCC);
  for (int i = 0; i < 5; ++i) Put32(&out, 0);
  Put32(&out, 0x1000);  // caps: texture
  for (int i = 0; i < 4; ++i) Put32(&out, 0);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

inline uint32_t PixelAt(const std::vector<uint8_t>& bgra, unsigned width, unsigned x, unsigned y) {
  const uint8_t* p = &bgra[(static_cast<size_t>(y) * width + x) * 4];
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

// Locks a surface for reading and returns its pixels as A8R8G8B8 words.
inline std::vector<uint32_t> LockPixels(IDirect3DSurface9* surface, HRESULT* result = nullptr) {
  D3DSURFACE_DESC desc{};
  surface->GetDesc(&desc);
  D3DLOCKED_RECT locked{};
  HRESULT hr = surface->LockRect(&locked, nullptr, D3DLOCK_READONLY);
  if (result) *result = hr;
  std::vector<uint32_t> out;
  if (FAILED(hr)) return out;
  for (UINT y = 0; y < desc.Height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
    out.insert(out.end(), row, row + desc.Width);
  }
  surface->UnlockRect();
  return out;
}

inline HRESULT FillSurface(IDirect3DSurface9* surface, const std::vector<uint32_t>& pixels) {
  D3DSURFACE_DESC desc{};
  surface->GetDesc(&desc);
  D3DLOCKED_RECT locked{};
  HRESULT hr = surface->LockRect(&locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  for (UINT y = 0; y < desc.Height; ++y) {
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, &pixels[y * desc.Width], desc.Width * 4);
  }
  return surface->UnlockRect();
}
