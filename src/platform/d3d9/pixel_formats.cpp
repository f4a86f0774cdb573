#include "platform/d3d9/pixel_formats.h"

#include <cstdio>
#include <cstring>

bool D3DFormat_IsBlockCompressed(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_DXT1:
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return true;
    default:
      return false;
  }
}

bool D3DFormat_IsDepth(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_D16:
      return true;
    default:
      return false;
  }
}

UINT D3DFormat_BytesPerUnit(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_A8B8G8R8:
    case D3DFMT_X8B8G8R8:
    case D3DFMT_D32:
    case D3DFMT_D24S8:
    case D3DFMT_D24X8:
    case D3DFMT_R32F:
      return 4;
    case D3DFMT_R8G8B8:
      return 3;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8L8:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_R16F:
      return 2;
    case D3DFMT_A8:
    case D3DFMT_L8:
    case D3DFMT_P8:
      return 1;
    case D3DFMT_DXT1:
      return 8;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3:
    case D3DFMT_DXT4:
    case D3DFMT_DXT5:
      return 16;
    default:
      return 0;
  }
}

UINT D3DFormat_Pitch(D3DFORMAT format, UINT width) {
  if (D3DFormat_IsBlockCompressed(format)) return ((width + 3) / 4) * D3DFormat_BytesPerUnit(format);
  return width * D3DFormat_BytesPerUnit(format);
}

UINT D3DFormat_Rows(D3DFORMAT format, UINT height) {
  return D3DFormat_IsBlockCompressed(format) ? (height + 3) / 4 : height;
}

size_t D3DFormat_LevelSize(D3DFORMAT format, UINT width, UINT height) {
  return static_cast<size_t>(D3DFormat_Pitch(format, width)) * D3DFormat_Rows(format, height);
}

const char* D3DFormat_Name(D3DFORMAT format) {
  switch (format) {
    case D3DFMT_UNKNOWN: return "UNKNOWN";
    case D3DFMT_A8R8G8B8: return "A8R8G8B8";
    case D3DFMT_X8R8G8B8: return "X8R8G8B8";
    case D3DFMT_R5G6B5: return "R5G6B5";
    case D3DFMT_A4R4G4B4: return "A4R4G4B4";
    case D3DFMT_A8: return "A8";
    case D3DFMT_L8: return "L8";
    case D3DFMT_D16: return "D16";
    case D3DFMT_D24S8: return "D24S8";
    case D3DFMT_D24X8: return "D24X8";
    case D3DFMT_D32: return "D32";
    case D3DFMT_R16F: return "R16F";
    case D3DFMT_R32F: return "R32F";
    case D3DFMT_DXT1: return "DXT1";
    case D3DFMT_DXT2: return "DXT2";
    case D3DFMT_DXT3: return "DXT3";
    case D3DFMT_DXT4: return "DXT4";
    case D3DFMT_DXT5: return "DXT5";
    default: {
      // Formats the device does not name are shown by number; a small ring keeps the texts alive
      // long enough for the log line that asks for them.
      static thread_local char buffers[4][16];
      static thread_local int next = 0;
      char* text = buffers[next++ & 3];
      std::snprintf(text, sizeof buffers[0], "%u", static_cast<unsigned>(format));
      return text;
    }
  }
}

UINT D3DFormat_FullChainLevels(UINT width, UINT height) {
  UINT side = width > height ? width : height;
  UINT levels = 1;
  while (side > 1) {
    side >>= 1;
    ++levels;
  }
  return levels;
}

namespace {

void Expand565(uint16_t c, uint8_t out[4]) {
  uint8_t r = static_cast<uint8_t>((c >> 11) & 31);
  uint8_t g = static_cast<uint8_t>((c >> 5) & 63);
  uint8_t b = static_cast<uint8_t>(c & 31);
  out[0] = static_cast<uint8_t>((b << 3) | (b >> 2));
  out[1] = static_cast<uint8_t>((g << 2) | (g >> 4));
  out[2] = static_cast<uint8_t>((r << 3) | (r >> 2));
  out[3] = 255;
}

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

// The 16 colours (BGRA) of one colour block. In DXT1 a first endpoint not above the second
// selects the three-colour mode whose fourth entry is transparent black.
void DecodeColourBlock(const uint8_t* block, bool dxt1, uint8_t texels[16][4]) {
  uint16_t c0 = Read16(block), c1 = Read16(block + 2);
  uint8_t palette[4][4];
  Expand565(c0, palette[0]);
  Expand565(c1, palette[1]);
  if (!dxt1 || c0 > c1) {
    for (int k = 0; k < 3; ++k) {
      palette[2][k] = static_cast<uint8_t>((2 * palette[0][k] + palette[1][k]) / 3);
      palette[3][k] = static_cast<uint8_t>((palette[0][k] + 2 * palette[1][k]) / 3);
    }
    palette[2][3] = palette[3][3] = 255;
  } else {
    for (int k = 0; k < 3; ++k) palette[2][k] = static_cast<uint8_t>((palette[0][k] + palette[1][k]) / 2);
    palette[2][3] = 255;
    std::memset(palette[3], 0, 4);
  }
  uint32_t indices = static_cast<uint32_t>(block[4]) | (static_cast<uint32_t>(block[5]) << 8) |
                     (static_cast<uint32_t>(block[6]) << 16) | (static_cast<uint32_t>(block[7]) << 24);
  for (int i = 0; i < 16; ++i) std::memcpy(texels[i], palette[(indices >> (2 * i)) & 3], 4);
}

void DecodeExplicitAlpha(const uint8_t* block, uint8_t texels[16][4]) {
  for (int i = 0; i < 16; ++i) {
    uint8_t nibble = static_cast<uint8_t>((block[i / 2] >> ((i & 1) * 4)) & 15);
    texels[i][3] = static_cast<uint8_t>(nibble * 17);
  }
}

void DecodeInterpolatedAlpha(const uint8_t* block, uint8_t texels[16][4]) {
  uint8_t a[8];
  a[0] = block[0];
  a[1] = block[1];
  if (a[0] > a[1]) {
    for (int i = 1; i < 7; ++i) a[i + 1] = static_cast<uint8_t>(((7 - i) * a[0] + i * a[1]) / 7);
  } else {
    for (int i = 1; i < 5; ++i) a[i + 1] = static_cast<uint8_t>(((5 - i) * a[0] + i * a[1]) / 5);
    a[6] = 0;
    a[7] = 255;
  }
  uint64_t bits = 0;
  for (int i = 0; i < 6; ++i) bits |= static_cast<uint64_t>(block[2 + i]) << (8 * i);
  for (int i = 0; i < 16; ++i) texels[i][3] = a[(bits >> (3 * i)) & 7];
}

}  // namespace

bool DXT_Decode(D3DFORMAT format, const void* blocks, UINT width, UINT height, uint8_t* bgra,
                size_t pitch) {
  if (!D3DFormat_IsBlockCompressed(format)) return false;
  const bool dxt1 = format == D3DFMT_DXT1;
  const bool explicitAlpha = format == D3DFMT_DXT2 || format == D3DFMT_DXT3;
  const UINT blockBytes = D3DFormat_BytesPerUnit(format);
  const auto* src = static_cast<const uint8_t*>(blocks);
  const UINT blocksWide = (width + 3) / 4, blocksHigh = (height + 3) / 4;
  for (UINT by = 0; by < blocksHigh; ++by) {
    for (UINT bx = 0; bx < blocksWide; ++bx) {
      const uint8_t* block = src + (static_cast<size_t>(by) * blocksWide + bx) * blockBytes;
      uint8_t texels[16][4];
      if (dxt1) {
        DecodeColourBlock(block, true, texels);
      } else {
        DecodeColourBlock(block + 8, false, texels);
        if (explicitAlpha)
          DecodeExplicitAlpha(block, texels);
        else
          DecodeInterpolatedAlpha(block, texels);
      }
      for (UINT ty = 0; ty < 4 && by * 4 + ty < height; ++ty) {
        uint8_t* row = bgra + (by * 4 + ty) * pitch;
        for (UINT tx = 0; tx < 4 && bx * 4 + tx < width; ++tx) {
          std::memcpy(row + (bx * 4 + tx) * 4, texels[ty * 4 + tx], 4);
        }
      }
    }
  }
  return true;
}
