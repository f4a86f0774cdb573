// Sizes and layouts of the pixel formats the device knows, and decoding of the block-compressed
// (DXT) formats into 32-bit pixels.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9.h"

bool D3DFormat_IsBlockCompressed(D3DFORMAT format);
bool D3DFormat_IsDepth(D3DFORMAT format);
// Bytes of one pixel, or of one 4x4 block for the compressed formats; 0 for unknown formats.
UINT D3DFormat_BytesPerUnit(D3DFORMAT format);
// Row pitch of a tightly packed level (a row of blocks for compressed formats).
UINT D3DFormat_Pitch(D3DFORMAT format, UINT width);
// Number of rows of a level (rows of blocks for compressed formats).
UINT D3DFormat_Rows(D3DFORMAT format, UINT height);
size_t D3DFormat_LevelSize(D3DFORMAT format, UINT width, UINT height);
// The short name used in logs ("A8R8G8B8", "DXT5"); the number for unknown formats.
const char* D3DFormat_Name(D3DFORMAT format);
// Side of a mip level: at least 1.
inline UINT D3DFormat_LevelSide(UINT side, UINT level) {
  UINT s = side >> level;
  return s == 0 ? 1 : s;
}
// Number of levels of a full chain down to 1 x 1.
UINT D3DFormat_FullChainLevels(UINT width, UINT height);

// Decodes width x height pixels of DXT1-5 blocks (rows of blocks tightly packed) into bytes
// B, G, R, A with the given output pitch. DXT2 and DXT4 decode like DXT3 and DXT5 (their colours
// are stored premultiplied and stay so). False for a format that is not block-compressed.
bool DXT_Decode(D3DFORMAT format, const void* blocks, UINT width, UINT height, uint8_t* bgra,
                size_t pitch);
