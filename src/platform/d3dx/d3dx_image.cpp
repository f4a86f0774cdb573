#include <png.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/d3d9/pixel_formats.h"
#include "platform/d3dx/d3dx9.h"

namespace {

constexpr uint32_t kDDSMagic = 0x20534444;  // "DDS "
constexpr uint32_t kDDSHeaderSize = 124;
constexpr uint32_t kDDSFlagMipCount = 0x20000;
constexpr uint32_t kDDPFAlphaPixels = 0x1;
constexpr uint32_t kDDPFFourCC = 0x4;
constexpr uint32_t kDDPFRGB = 0x40;
constexpr uint32_t kDDSCaps2CubeOrVolume = 0x200 | 0x200000;
constexpr UINT kLargestSide = kD3D9MaxTextureSide;

// An image as read from a file: its levels in their file format.
struct Image {
  D3DXIMAGE_INFO info{};
  D3DFORMAT format = D3DFMT_UNKNOWN;  // the layout of the level data
  std::vector<std::vector<uint8_t>> levels;
};

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

bool IsPNG(const uint8_t* data, UINT size) { return size >= 8 && png_sig_cmp(data, 0, 8) == 0; }

bool IsDDS(const uint8_t* data, UINT size) { return size >= 4 && Read32(data) == kDDSMagic; }

// Memory that libpng reads from.
struct PNGSource {
  const uint8_t* data;
  size_t size;
  size_t at;
};

void ReadPNGBytes(png_structp png, png_bytep out, png_size_t length) {
  auto* source = static_cast<PNGSource*>(png_get_io_ptr(png));
  if (length > source->size - source->at) png_error(png, "truncated");
  std::memcpy(out, source->data + source->at, length);
  source->at += length;
}

void PNGWarning(png_structp, png_const_charp) {}
void PNGError(png_structp png, png_const_charp) { png_longjmp(png, 1); }

// Reads a PNG's header, and with pixels set its pixels as B, G, R, A rows top first. The stored
// bytes are kept as they are: a gAMA chunk changes nothing, as texture pages expect.
HRESULT ReadPNG(const uint8_t* data, UINT size, bool pixels, Image* out) {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, &PNGError, &PNGWarning);
  if (png == nullptr) return E_OUTOFMEMORY;
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return E_OUTOFMEMORY;
  }
  PNGSource source{data, size, 0};
  std::vector<png_bytep> rows;  // before the jump point, so no destructor is skipped
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    return D3DXERR_INVALIDDATA;
  }
  png_set_read_fn(png, &source, &ReadPNGBytes);
  png_set_user_limits(png, kLargestSide, kLargestSide);
  png_read_info(png, info);
  const png_uint_32 width = png_get_image_width(png, info);
  const png_uint_32 height = png_get_image_height(png, info);
  const int colourType = png_get_color_type(png, info);
  const bool alpha = (colourType & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) {
    png_destroy_read_struct(&png, &info, nullptr);
    return D3DXERR_INVALIDDATA;
  }
  out->info = D3DXIMAGE_INFO{width, height, 1, 1, alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8, D3DRTYPE_TEXTURE,
                             D3DXIFF_PNG};
  out->format = D3DFMT_A8R8G8B8;
  if (!pixels) {
    png_destroy_read_struct(&png, &info, nullptr);
    return D3D_OK;
  }
  png_set_expand(png);  // palettes, low-bit grey and tRNS become 8-bit channels with alpha
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != size_t{width} * 4) {
    png_destroy_read_struct(&png, &info, nullptr);
    return D3DXERR_INVALIDDATA;
  }
  out->levels.assign(1, std::vector<uint8_t>(size_t{width} * height * 4));
  rows.resize(height);
  for (png_uint_32 y = 0; y < height; ++y) rows[y] = out->levels[0].data() + size_t{y} * width * 4;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return D3D_OK;
}

HRESULT ReadDDS(const uint8_t* data, UINT size, bool pixels, Image* out) {
  if (size < 4 + kDDSHeaderSize) return D3DXERR_INVALIDDATA;
  const uint8_t* h = data + 4;
  if (Read32(h) != kDDSHeaderSize) return D3DXERR_INVALIDDATA;
  const uint32_t flags = Read32(h + 4);
  const UINT height = Read32(h + 8), width = Read32(h + 12);
  const uint32_t mipCount = Read32(h + 24);
  const uint8_t* pf = h + 72;
  const uint32_t pfFlags = Read32(pf + 4), fourCC = Read32(pf + 8), bits = Read32(pf + 12);
  const uint32_t caps2 = Read32(h + 108);
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) return D3DXERR_INVALIDDATA;
  if (caps2 & kDDSCaps2CubeOrVolume) return D3DXERR_INVALIDDATA;
  D3DFORMAT format = D3DFMT_UNKNOWN;
  if (pfFlags & kDDPFFourCC) {
    switch (fourCC) {
      case D3DFMT_DXT1:
      case D3DFMT_DXT2:
      case D3DFMT_DXT3:
      case D3DFMT_DXT4:
      case D3DFMT_DXT5:
        format = static_cast<D3DFORMAT>(fourCC);
        break;
      default:
        return D3DXERR_INVALIDDATA;
    }
  } else if ((pfFlags & kDDPFRGB) && bits == 32 && Read32(pf + 16) == 0x00FF0000 && Read32(pf + 20) == 0x0000FF00 &&
             Read32(pf + 24) == 0x000000FF) {
    format = (pfFlags & kDDPFAlphaPixels) ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
  } else {
    return D3DXERR_INVALIDDATA;
  }
  UINT levels = (flags & kDDSFlagMipCount) && mipCount > 0 ? mipCount : 1;
  levels = std::min(levels, D3DFormat_FullChainLevels(width, height));
  // Only levels that the data really holds are kept; an image without its first level is no image.
  size_t offset = 4 + kDDSHeaderSize;
  UINT complete = 0;
  for (UINT level = 0; level < levels; ++level) {
    size_t bytes = D3DFormat_LevelSize(format, D3DFormat_LevelSide(width, level), D3DFormat_LevelSide(height, level));
    if (offset + bytes > size) break;
    if (pixels) out->levels.emplace_back(data + offset, data + offset + bytes);
    offset += bytes;
    ++complete;
  }
  if (complete == 0) return D3DXERR_INVALIDDATA;
  out->info = D3DXIMAGE_INFO{width, height, 1, complete, format, D3DRTYPE_TEXTURE, D3DXIFF_DDS};
  out->format = format;
  return D3D_OK;
}

HRESULT ReadImage(const void* pSrcData, UINT size, bool pixels, Image* out) {
  const auto* data = static_cast<const uint8_t*>(pSrcData);
  if (data == nullptr || size == 0) return D3DERR_INVALIDCALL;
  if (IsPNG(data, size)) return ReadPNG(data, size, pixels, out);
  if (IsDDS(data, size)) return ReadDDS(data, size, pixels, out);
  return D3DXERR_INVALIDDATA;
}

bool TakesFileValue(UINT value) {
  return value == 0 || value == D3DX_DEFAULT || value == D3DX_DEFAULT_NONPOW2 || value == D3DX_FROM_FILE;
}

// One level as 32-bit pixels.
std::vector<uint8_t> ToBGRA(const Image& image, UINT level) {
  const UINT w = D3DFormat_LevelSide(image.info.Width, level), h = D3DFormat_LevelSide(image.info.Height, level);
  if (!D3DFormat_IsBlockCompressed(image.format)) return image.levels[level];
  std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * 4);
  DXT_Decode(image.format, image.levels[level].data(), w, h, pixels.data(), static_cast<size_t>(w) * 4);
  return pixels;
}

std::vector<uint8_t> Resample(const std::vector<uint8_t>& src, UINT sw, UINT sh, UINT dw, UINT dh) {
  std::vector<uint8_t> out(static_cast<size_t>(dw) * dh * 4);
  for (UINT y = 0; y < dh; ++y) {
    const UINT sy = static_cast<UINT>((static_cast<uint64_t>(y) * sh) / dh);
    for (UINT x = 0; x < dw; ++x) {
      const UINT sx = static_cast<UINT>((static_cast<uint64_t>(x) * sw) / dw);
      std::memcpy(&out[(static_cast<size_t>(y) * dw + x) * 4], &src[(static_cast<size_t>(sy) * sw + sx) * 4], 4);
    }
  }
  return out;
}

// Converts 32-bit pixels into a level of the texture's format.
std::vector<uint8_t> FromBGRA(const std::vector<uint8_t>& bgra, D3DFORMAT format) {
  if (format == D3DFMT_A4R4G4B4) {
    std::vector<uint8_t> out(bgra.size() / 2);
    for (size_t i = 0; i < bgra.size() / 4; ++i) {
      const uint8_t* p = &bgra[i * 4];
      // Rounded to the nearest of 16 steps.
      auto q = [](uint8_t v) { return static_cast<uint16_t>((v * 15 + 127) / 255); };
      uint16_t v = static_cast<uint16_t>((q(p[3]) << 12) | (q(p[2]) << 8) | (q(p[1]) << 4) | q(p[0]));
      out[i * 2] = static_cast<uint8_t>(v & 0xFF);
      out[i * 2 + 1] = static_cast<uint8_t>(v >> 8);
    }
    return out;
  }
  if (format == D3DFMT_X8R8G8B8) {
    std::vector<uint8_t> out = bgra;
    for (size_t i = 3; i < out.size(); i += 4) out[i] = 255;
    return out;
  }
  return bgra;
}

HRESULT FillLevel(IDirect3DTexture9* texture, UINT level, D3DFORMAT format, UINT width, UINT height,
                  const std::vector<uint8_t>& data) {
  D3DLOCKED_RECT locked;
  HRESULT hr = texture->LockRect(level, &locked, nullptr, 0);
  if (FAILED(hr)) return hr;
  const size_t rowBytes = D3DFormat_Pitch(format, width);
  const UINT rows = D3DFormat_Rows(format, height);
  for (UINT row = 0; row < rows; ++row) {
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + static_cast<size_t>(row) * locked.Pitch,
                data.data() + row * rowBytes, rowBytes);
  }
  return texture->UnlockRect(level);
}

}  // namespace

HRESULT D3DXGetImageInfoFromFileInMemory(const void* pSrcData, UINT srcDataSize, D3DXIMAGE_INFO* pSrcInfo) {
  if (pSrcInfo == nullptr) return D3DERR_INVALIDCALL;
  Image image;
  HRESULT hr = ReadImage(pSrcData, srcDataSize, false, &image);
  if (SUCCEEDED(hr)) *pSrcInfo = image.info;
  return hr;
}

HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, const void* pSrcData, UINT srcDataSize,
                                            UINT width, UINT height, UINT mipLevels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, DWORD, DWORD, D3DCOLOR colorKey,
                                            D3DXIMAGE_INFO* pSrcInfo, void*, IDirect3DTexture9** ppTexture) {
  if (ppTexture == nullptr) return D3DERR_INVALIDCALL;
  *ppTexture = nullptr;
  if (pDevice == nullptr) return D3DERR_INVALIDCALL;
  Image image;
  HRESULT hr = ReadImage(pSrcData, srcDataSize, true, &image);
  if (FAILED(hr)) return hr;

  const UINT outWidth = TakesFileValue(width) ? image.info.Width : width;
  const UINT outHeight = TakesFileValue(height) ? image.info.Height : height;
  const bool resized = outWidth != image.info.Width || outHeight != image.info.Height;
  UINT levels = resized ? 1 : static_cast<UINT>(image.levels.size());
  if (!TakesFileValue(mipLevels)) levels = std::min(levels, mipLevels);

  D3DFORMAT outFormat = format;
  if (format == D3DFMT_UNKNOWN || static_cast<UINT>(format) == D3DX_DEFAULT || format == D3DFMT_FROM_FILE) {
    outFormat = image.format;
  }
  const bool copyBlocks = outFormat == image.format && !resized && colorKey == 0;
  if (!copyBlocks && outFormat != D3DFMT_A8R8G8B8 && outFormat != D3DFMT_X8R8G8B8 && outFormat != D3DFMT_A4R4G4B4) {
    outFormat = D3DFMT_A8R8G8B8;  // no encoder for other formats
  }

  // Textures that cannot be locked are filled through a system-memory copy.
  const bool staged = pool == D3DPOOL_DEFAULT && (usage & D3DUSAGE_DYNAMIC) == 0;
  IDirect3DTexture9* texture = nullptr;
  hr = pDevice->CreateTexture(outWidth, outHeight, levels, usage, outFormat, pool, &texture, nullptr);
  if (FAILED(hr)) return hr;
  IDirect3DTexture9* target = texture;
  if (staged) {
    hr = pDevice->CreateTexture(outWidth, outHeight, levels, 0, outFormat, D3DPOOL_SYSTEMMEM, &target, nullptr);
    if (FAILED(hr)) {
      texture->Release();
      return hr;
    }
  }
  for (UINT level = 0; level < levels && SUCCEEDED(hr); ++level) {
    const UINT w = D3DFormat_LevelSide(outWidth, level), h = D3DFormat_LevelSide(outHeight, level);
    if (copyBlocks) {
      hr = FillLevel(target, level, outFormat, w, h, image.levels[level]);
      continue;
    }
    std::vector<uint8_t> pixels = ToBGRA(image, level);
    if (resized) pixels = Resample(pixels, image.info.Width, image.info.Height, w, h);
    if (colorKey != 0) {
      for (size_t i = 0; i < pixels.size(); i += 4) {
        const D3DCOLOR c = D3DCOLOR_ARGB(pixels[i + 3], pixels[i + 2], pixels[i + 1], pixels[i]);
        if (c == colorKey) std::memset(&pixels[i], 0, 4);
      }
    }
    hr = FillLevel(target, level, outFormat, w, h, FromBGRA(pixels, outFormat));
  }
  if (staged) {
    if (SUCCEEDED(hr)) hr = pDevice->UpdateTexture(target, texture);
    target->Release();
  }
  if (FAILED(hr)) {
    texture->Release();
    return hr;
  }
  if (pSrcInfo) *pSrcInfo = image.info;
  *ppTexture = texture;
  return D3D_OK;
}

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* pDevice, const void* pSrcData, UINT srcDataSize,
                                          IDirect3DTexture9** ppTexture) {
  return D3DXCreateTextureFromFileInMemoryEx(pDevice, pSrcData, srcDataSize, D3DX_DEFAULT, D3DX_DEFAULT,
                                             D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                             D3DX_DEFAULT, 0, nullptr, nullptr, ppTexture);
}
