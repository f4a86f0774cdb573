// Texture objects: the runner's handle on one device texture, with its size and format, its
// pool, a copy of its pixels, the image data it was made from and, for render targets, the
// surfaces the device needs. Every record sits on one global list. Device objects are made at
// creation or, when textures are created on demand, on first use, and can be released and made
// again from what the record keeps. Also binding to sampler stages, the stage operations, and
// the stack of render targets that surfaces push and pop.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/d3d9/d3d9.h"
#include "platform/d3dx/d3dx9.h"

// Flag bits of a record.
inline constexpr uint32_t kTextureTargetDirty = 0x1;  // drawn into since its last resolve
inline constexpr uint32_t kTextureDefaultPool = 0x8;
inline constexpr uint32_t kTextureManagedPool = 0x10;

// Format kinds.
inline constexpr int32_t kTextureKindDefault = 0;
inline constexpr int32_t kTextureKindARGB = 6;
inline constexpr int32_t kTextureKind4444 = 11;

// "RAW " blocks: a 16-byte header {magic, width, height, pixel kind}, then the pixels.
inline constexpr uint32_t kRawMagic = 0x20574152;
inline constexpr uint32_t kRawHeaderSize = 16;
inline constexpr uint32_t kRawMaxSide = 8192;

struct Texture {
  int32_t kind = 0;
  uint32_t size = 0;  // bits 0-12 width - 1, 13-25 height - 1, 26-31 levels - 1
  uint32_t flags = 0;
  IDirect3DTexture9* d3dTexture = nullptr;
  IDirect3DSurface9* surface = nullptr;       // a render target's own surface, else level 0
  IDirect3DSurface9* depthSurface = nullptr;  // render targets
  void* pixelAllocation = nullptr;
  uint8_t* pixels = nullptr;  // the copy: 16-byte aligned rows of width x bytes per pixel
  const uint8_t* source = nullptr;  // image file or "RAW " block; not owned
  uint32_t sourceLength = 0;
  Texture* next = nullptr;

  int32_t Width() const { return static_cast<int32_t>(size & 0x1FFF) + 1; }
  int32_t Height() const { return static_cast<int32_t>((size >> 13) & 0x1FFF) + 1; }
  int32_t Levels() const { return static_cast<int32_t>(size >> 26) + 1; }
  bool InDefaultPool() const { return (flags & kTextureDefaultPool) != 0; }
};

// Set by "options.ini": device textures are made when first used instead of at creation.
extern bool Texture_CreateOnDemand;
// Set by "-compresstextures": image files ask for block compression (the layer keeps 32 bits).
extern bool Texture_Compress;

struct TextureTargetEntry {
  IDirect3DSurface9* depth = nullptr;
  IDirect3DSurface9* surfaces[4] = {};
  Texture* textures[4] = {};
};

struct TextureState {
  Texture* head = nullptr;
  Texture* currentTargets[4] = {};
  TextureTargetEntry stack[8];
  int32_t depth = 0;
  IDirect3DBaseTexture9* lastBound = nullptr;
  int32_t changes = 0;  // texture changes so far; the debug overlay counts a frame's from it
};
extern TextureState g_Textures;

inline constexpr int32_t kTextureStackSize = 8;

int32_t Texture_MaxSize();
int32_t Texture_BytesPerPixel(const Texture* texture);
D3DFORMAT Texture_FormatOfKind(int32_t kind);

Texture* Texture_New(int32_t width, int32_t height, int32_t levels);
Texture* Texture_NewWrapped(IDirect3DTexture9* d3dTexture, int32_t width, int32_t height, int32_t levels, int32_t kind);
Texture* Texture_SetPoolFlags(Texture* texture, D3DPOOL pool);

// Null when a size is outside 1..8192 or a device call fails (a message is printed).
Texture* Texture_Create(int32_t width, int32_t height, int32_t reserved, bool renderTarget, int32_t kind);
Texture* Texture_CreateFromPixels(const uint32_t* pixels, int32_t width, int32_t height, D3DXIMAGE_INFO* info);
// From an image file or a "RAW " block of `length` bytes. A "RAW " block is converted in place
// (so `data` is written) and must be created only once. Damaged data gives null.
Texture* Texture_CreateFromData(uint8_t* data, size_t length, D3DXIMAGE_INFO* info, int32_t kind, int32_t flags);

void SetupD3DTexture(Texture* texture);
void Texture_EnsureD3D(Texture* texture);
void Texture_Prefetch(Texture* texture);
bool Texture_DecodePNG(Texture* texture);
bool Texture_Upload(Texture* texture, int32_t level, int32_t width, int32_t height, const void* pixels);
bool Texture_UpdateRect(Texture* texture, int32_t x, int32_t y, int32_t width, int32_t height);
void Texture_ReleaseD3D(Texture* texture);
void Texture_Free(Texture* texture);

void Texture_Bind(int32_t stage, Texture* texture);
void Texture_SetStageOps(int32_t modulate);

bool Texture_SetTarget(int32_t index, Texture* texture);
bool Texture_PushTarget();
bool Texture_PopTarget();
void Texture_PopAllTargets();
int32_t Texture_TargetStackDepth();
void Texture_ResolveTarget(Texture* texture);
