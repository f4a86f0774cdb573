// Texture creation from image files in memory, shaped like D3DX 9: PNG images and DDS images
// (DXT1-5 and 32-bit). JPEG and GIF are decoded by the runner itself, not here.
//
// Sizes and levels: D3DX_DEFAULT keeps the image's own size (the device takes any size, so no
// rounding to powers of two) and the file's own mip levels. A request for a block-compressed
// format that the image is not already in gives 32-bit A8R8G8B8 instead: images are not
// compressed at load.
#pragma once

#include "platform/d3d9/d3d9.h"

enum D3DXIMAGE_FILEFORMAT : DWORD {
  D3DXIFF_BMP = 0,
  D3DXIFF_JPG = 1,
  D3DXIFF_TGA = 2,
  D3DXIFF_PNG = 3,
  D3DXIFF_DDS = 4,
  D3DXIFF_PPM = 5,
  D3DXIFF_DIB = 6,
  D3DXIFF_HDR = 7,
  D3DXIFF_PFM = 8,
};

struct D3DXIMAGE_INFO {
  UINT Width;
  UINT Height;
  UINT Depth;
  UINT MipLevels;
  D3DFORMAT Format;
  D3DRESOURCETYPE ResourceType;
  D3DXIMAGE_FILEFORMAT ImageFileFormat;
};

constexpr UINT D3DX_DEFAULT = 0xFFFFFFFFu;
constexpr UINT D3DX_DEFAULT_NONPOW2 = 0xFFFFFFFEu;
constexpr UINT D3DX_FROM_FILE = 0xFFFFFFFDu;
constexpr D3DFORMAT D3DFMT_FROM_FILE = static_cast<D3DFORMAT>(0xFFFFFFFDu);

constexpr DWORD D3DX_FILTER_NONE = 1;
constexpr DWORD D3DX_FILTER_POINT = 2;
constexpr DWORD D3DX_FILTER_LINEAR = 3;
constexpr DWORD D3DX_FILTER_TRIANGLE = 4;
constexpr DWORD D3DX_FILTER_BOX = 5;

constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

HRESULT D3DXGetImageInfoFromFileInMemory(const void* pSrcData, UINT srcDataSize, D3DXIMAGE_INFO* pSrcInfo);

// Width, Height, MipLevels: D3DX_DEFAULT, D3DX_DEFAULT_NONPOW2, D3DX_FROM_FILE or 0 take the
// file's; other sizes resample with point sampling. Format: D3DFMT_UNKNOWN, D3DX_DEFAULT or
// D3DFMT_FROM_FILE take the file's. ColorKey: pixels of exactly that colour (alpha included)
// become transparent black; 0 turns keying off. pPalette is not used.
HRESULT D3DXCreateTextureFromFileInMemoryEx(IDirect3DDevice9* pDevice, const void* pSrcData, UINT srcDataSize,
                                            UINT width, UINT height, UINT mipLevels, DWORD usage,
                                            D3DFORMAT format, D3DPOOL pool, DWORD filter, DWORD mipFilter,
                                            D3DCOLOR colorKey, D3DXIMAGE_INFO* pSrcInfo, void* pPalette,
                                            IDirect3DTexture9** ppTexture);

HRESULT D3DXCreateTextureFromFileInMemory(IDirect3DDevice9* pDevice, const void* pSrcData, UINT srcDataSize,
                                          IDirect3DTexture9** ppTexture);
