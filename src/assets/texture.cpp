#include "assets/texture.h"

#include <algorithm>
#include <cstring>

#include "assets/render_hooks.h"
#include "io/graphics_device.h"
#include "assets/image_decode.h"
#include "core/console.h"
#include "core/memory_manager.h"

bool Texture_CreateOnDemand = false;
bool Texture_Compress = false;
TextureState g_Textures;

namespace {

uint32_t Read32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
         (static_cast<uint32_t>(p[3]) << 24);
}

bool IsRaw(const uint8_t* data, size_t length) { return data != nullptr && length >= 4 && Read32(data) == kRawMagic; }

bool IsPNG(const uint8_t* data, size_t length) {
  return data != nullptr && length >= 4 && Read32(data) == 0x474E5089u;
}

D3DPOOL GlobalPool() { return g_D3D.resourcePool; }

// The pool the record's flags name.
D3DPOOL PoolOf(const Texture* t) { return t->InDefaultPool() ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED; }

// A side as textures are made: the next power of two, capped; exact when created on demand.
int32_t TextureSide(int32_t side) {
  if (Texture_CreateOnDemand) return side;
  const int32_t cap = Texture_MaxSize();
  int32_t p = 1;
  while (p < side) {
    p *= 2;
    if (p > cap) return cap;
  }
  return p;
}

template <typename T>
void Release(T** object) {
  if (*object != nullptr) (*object)->Release();
  *object = nullptr;
}

void AllocatePixels(Texture* t, size_t bytes) {
  t->pixelAllocation = MEM_ALLOC(bytes + 16);
  const auto address = reinterpret_cast<uintptr_t>(t->pixelAllocation);
  t->pixels = reinterpret_cast<uint8_t*>((address + 15) & ~uintptr_t{15});
}

// Copies `rows` rows of `rowBytes` bytes between two strides.
void CopyRows(uint8_t* dst, size_t dstPitch, const uint8_t* src, size_t srcPitch, int32_t rows, size_t rowBytes) {
  for (int32_t y = 0; y < rows; ++y) std::memcpy(dst + y * dstPitch, src + y * srcPitch, rowBytes);
}

// Sends pixels to one level of a default-pool texture through a system-memory texture of the
// record's format. False (with the message) when the staging texture cannot be made.
bool SendThroughStaging(Texture* t, int32_t level, const uint8_t* src, size_t srcPitch, int32_t width, int32_t height,
                        DWORD lockFlags) {
  IDirect3DDevice9* device = g_D3D.device;
  IDirect3DTexture9* staging = nullptr;
  const int32_t bpp = Texture_BytesPerPixel(t);
  // The staging texture takes the record's format and levels, so that UpdateTexture accepts it.
  if (device == nullptr ||
      FAILED(device->CreateTexture(static_cast<UINT>(t->Width()), static_cast<UINT>(t->Height()),
                                   static_cast<UINT>(t->Levels()), 0, Texture_FormatOfKind(t->kind), D3DPOOL_SYSTEMMEM,
                                   &staging, nullptr))) {
    Console_DebugOutput("Failed CreateTexture on SystemMem");
    return false;
  }
  D3DLOCKED_RECT locked{};
  if (SUCCEEDED(staging->LockRect(static_cast<UINT>(level), &locked, nullptr, lockFlags))) {
    CopyRows(static_cast<uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), src, srcPitch, height,
             static_cast<size_t>(width) * bpp);
    staging->UnlockRect(static_cast<UINT>(level));
  }
  staging->AddDirtyRect(nullptr);
  const HRESULT hr = device->UpdateTexture(staging, t->d3dTexture);
  staging->Release();
  return SUCCEEDED(hr);
}

// Fills level 0 of a new device texture from tightly packed pixels.
void FillLevelZero(Texture* t, const uint8_t* src) {
  const int32_t w = t->Width();
  const int32_t h = t->Height();
  const size_t rowBytes = static_cast<size_t>(w) * Texture_BytesPerPixel(t);
  if (t->InDefaultPool()) {
    SendThroughStaging(t, 0, src, rowBytes, w, h, 0);
    return;
  }
  D3DLOCKED_RECT locked{};
  if (FAILED(t->d3dTexture->LockRect(0, &locked, nullptr, 0))) return;
  CopyRows(static_cast<uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), src, rowBytes, h, rowBytes);
  t->d3dTexture->UnlockRect(0);
}

void Report(const char* format, HRESULT hr) { Console_DebugOutput(format, static_cast<unsigned>(hr)); }

// The render-target objects of a record: texture, own surface, depth surface. False, with what
// was made released, when a call fails.
bool CreateTargetObjects(Texture* t, HRESULT* result) {
  IDirect3DDevice9* device = g_D3D.device;
  const UINT w = static_cast<UINT>(t->Width());
  const UINT h = static_cast<UINT>(t->Height());
  const D3DFORMAT format = Texture_FormatOfKind(t->kind);
  const auto samples = static_cast<D3DMULTISAMPLE_TYPE>(g_D3D.pp.MultiSampleType);
  HRESULT hr = device == nullptr ? D3DERR_INVALIDCALL
                                 : device->CreateTexture(w, h, 1, D3DUSAGE_RENDERTARGET, format, D3DPOOL_DEFAULT,
                                                         &t->d3dTexture, nullptr);
  // A multisampled target draws into a surface of its own that is resolved into the texture before
  // the texture is read; without samples the texture's own level is the target, so that nothing
  // has to be copied every frame it is drawn from.
  if (SUCCEEDED(hr)) {
    hr = samples != D3DMULTISAMPLE_NONE ? device->CreateRenderTarget(w, h, format, samples, 0, FALSE, &t->surface, nullptr)
                                        : t->d3dTexture->GetSurfaceLevel(0, &t->surface);
  }
  if (SUCCEEDED(hr)) {
    const D3DFORMAT depthFormat = g_D3D.pp.AutoDepthStencilFormat != D3DFMT_UNKNOWN ? g_D3D.pp.AutoDepthStencilFormat
                                                                                    : D3DFMT_D24S8;
    hr = device->CreateDepthStencilSurface(w, h, depthFormat, samples, 0, TRUE, &t->depthSurface, nullptr);
  }
  *result = hr;
  if (SUCCEEDED(hr)) return true;
  Release(&t->depthSurface);
  Release(&t->surface);
  Release(&t->d3dTexture);
  return false;
}

void FetchLevelZero(Texture* t) {
  if (t->surface == nullptr && t->d3dTexture != nullptr && FAILED(t->d3dTexture->GetSurfaceLevel(0, &t->surface))) {
    t->surface = nullptr;
  }
}

void Unlink(Texture* t) {
  for (Texture** at = &g_Textures.head; *at != nullptr; at = &(*at)->next) {
    if (*at == t) {
      *at = t->next;
      return;
    }
  }
}

// Forgets the record wherever the binding and target state keeps it, and releases its objects.
void DropD3D(Texture* t) {
  Assets_ForgetTexture(t);
  TextureState& s = g_Textures;
  for (int32_t e = 0; e < kTextureStackSize; ++e) {
    for (Texture*& saved : s.stack[e].textures) {
      if (saved == t) saved = nullptr;
    }
  }
  for (Texture*& current : s.currentTargets) {
    if (current == t) current = nullptr;
  }
  if (t->d3dTexture != nullptr && s.lastBound == t->d3dTexture) s.lastBound = nullptr;
  Release(&t->surface);
  Release(&t->depthSurface);
  Release(&t->d3dTexture);
}

}  // namespace

int32_t Texture_MaxSize() {
  const DWORD w = g_D3D.caps.MaxTextureWidth;
  const DWORD h = g_D3D.caps.MaxTextureHeight;
  if (w == 0 || h == 0) return 8192;
  return static_cast<int32_t>(std::min<DWORD>({w, h, 8192}));
}

int32_t Texture_BytesPerPixel(const Texture* texture) {
  switch (texture->kind) {
    case 6: case 7: case 8: case 10: return 4;
    case 9: case 11: return 2;
    default: return 1;  // the default, the compressed kinds and raw format codes
  }
}

D3DFORMAT Texture_FormatOfKind(int32_t kind) {
  switch (kind) {
    case 0: return static_cast<D3DFORMAT>(0xFFFFFFFFu);
    case 1: return D3DFMT_DXT1;
    case 2: return D3DFMT_DXT2;
    case 3: return D3DFMT_DXT3;
    case 4: return D3DFMT_DXT4;
    case 5: return D3DFMT_DXT5;
    case 6: return D3DFMT_A8R8G8B8;
    case 7: return D3DFMT_D32;
    case 8: return D3DFMT_D24S8;
    case 9: return D3DFMT_R16F;
    case 10: return D3DFMT_R32F;
    case 11: return D3DFMT_A4R4G4B4;
    default: return static_cast<D3DFORMAT>(kind);
  }
}

Texture* Texture_New(int32_t width, int32_t height, int32_t levels) {
  auto* t = new Texture;
  const auto w = static_cast<uint32_t>(std::clamp(width, 1, 8192) - 1);
  const auto h = static_cast<uint32_t>(std::clamp(height, 1, 8192) - 1);
  const auto l = static_cast<uint32_t>(std::clamp(levels, 1, 64) - 1);
  t->size = w | (h << 13) | (l << 26);
  t->next = g_Textures.head;
  g_Textures.head = t;
  return t;
}

Texture* Texture_NewWrapped(IDirect3DTexture9* d3dTexture, int32_t width, int32_t height, int32_t levels, int32_t kind) {
  Texture* t = Texture_New(width, height, levels);
  t->d3dTexture = d3dTexture;
  t->kind = kind;
  return t;
}

Texture* Texture_SetPoolFlags(Texture* texture, D3DPOOL pool) {
  if (texture == nullptr) return nullptr;
  texture->flags &= ~(kTextureDefaultPool | kTextureManagedPool);
  if (pool == D3DPOOL_DEFAULT) texture->flags |= kTextureDefaultPool;
  if (pool == D3DPOOL_MANAGED) texture->flags |= kTextureManagedPool;
  return texture;
}

Texture* Texture_Create(int32_t width, int32_t height, int32_t, bool renderTarget, int32_t kind) {
  if (width < 1 || height < 1 || width > 8192 || height > 8192) return nullptr;
  const int32_t w = renderTarget ? width : TextureSide(width);
  const int32_t h = renderTarget ? height : TextureSide(height);
  const D3DPOOL pool = renderTarget ? D3DPOOL_DEFAULT : GlobalPool();
  Texture* t = Texture_New(w, h, 1);
  t->kind = kind;
  if (!(renderTarget && Texture_CreateOnDemand)) AllocatePixels(t, static_cast<size_t>(w) * h * 4);
  if (!Texture_CreateOnDemand) {
    HRESULT hr = D3DERR_INVALIDCALL;
    bool made;
    if (renderTarget) {
      made = CreateTargetObjects(t, &hr);
    } else {
      IDirect3DDevice9* device = g_D3D.device;
      if (device != nullptr) {
        hr = device->CreateTexture(static_cast<UINT>(w), static_cast<UINT>(h), 1, 0, Texture_FormatOfKind(kind), pool,
                                   &t->d3dTexture, nullptr);
      }
      made = SUCCEEDED(hr);
      if (!made) t->d3dTexture = nullptr;
    }
    if (!made) {
      Report("CreateTexture failed - %08x\n", hr);
      Texture_Free(t);
      return nullptr;
    }
    FetchLevelZero(t);
  }
  return Texture_SetPoolFlags(t, pool);
}

Texture* Texture_CreateFromPixels(const uint32_t* pixels, int32_t width, int32_t height, D3DXIMAGE_INFO* info) {
  Texture* t = Texture_Create(width, height, 0, false, kTextureKindARGB);
  if (info != nullptr) {
    const UINT tw = t != nullptr ? static_cast<UINT>(t->Width()) : static_cast<UINT>(TextureSide(std::max(width, 1)));
    const UINT th = t != nullptr ? static_cast<UINT>(t->Height()) : static_cast<UINT>(TextureSide(std::max(height, 1)));
    *info = D3DXIMAGE_INFO{tw, th, 32, 0, static_cast<D3DFORMAT>(6), static_cast<D3DRESOURCETYPE>(-1),
                           static_cast<D3DXIMAGE_FILEFORMAT>(6)};
  }
  if (t != nullptr) Texture_Upload(t, 0, width, height, pixels);
  return t;
}

namespace {

// A "RAW " block: checked against its length, converted in place, made into a record.
Texture* CreateFromRaw(uint8_t* data, size_t length, D3DXIMAGE_INFO* info) {
  if (length < kRawHeaderSize) return nullptr;
  const uint32_t width = Read32(data + 4);
  const uint32_t height = Read32(data + 8);
  const uint32_t pixelKind = Read32(data + 12);
  if (pixelKind > 1 || width == 0 || height == 0 || width > kRawMaxSide || height > kRawMaxSide) return nullptr;
  const uint64_t bpp = pixelKind == 0 ? 4 : 2;
  const uint64_t bytes = uint64_t{width} * height * bpp;
  if (bytes > length - kRawHeaderSize) return nullptr;
  uint8_t* pixels = data + kRawHeaderSize;
  if (pixelKind == 0) {
    for (uint64_t i = 0; i < bytes; i += 4) std::swap(pixels[i], pixels[i + 2]);
  } else {
    for (uint64_t i = 0; i < bytes; i += 2) {
      const uint16_t v = static_cast<uint16_t>(pixels[i] | (pixels[i + 1] << 8));
      const uint16_t r = static_cast<uint16_t>(((v & 0xF) << 12) | ((v & 0xF0) << 4) | ((v & 0xF00) >> 4) | (v >> 12));
      pixels[i] = static_cast<uint8_t>(r & 0xFF);
      pixels[i + 1] = static_cast<uint8_t>(r >> 8);
    }
  }
  const int32_t kind = pixelKind == 0 ? kTextureKindARGB : kTextureKind4444;
  if (info != nullptr) {
    *info = D3DXIMAGE_INFO{width, height, pixelKind == 0 ? 32u : 16u, 0, static_cast<D3DFORMAT>(kind),
                           static_cast<D3DRESOURCETYPE>(-1), static_cast<D3DXIMAGE_FILEFORMAT>(kind)};
  }
  const auto w = static_cast<int32_t>(width);
  const auto h = static_cast<int32_t>(height);
  if (Texture_CreateOnDemand) {
    Texture* t = Texture_New(w, h, 1);
    t->source = data;
    t->sourceLength = static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX));
    t->kind = kind;
    return Texture_SetPoolFlags(t, GlobalPool());
  }
  Texture* t = Texture_Create(w, h, 0, false, kind);
  if (t != nullptr) Texture_Upload(t, 0, w, h, pixels);
  return t;
}

}  // namespace

Texture* Texture_CreateFromData(uint8_t* data, size_t length, D3DXIMAGE_INFO* info, int32_t kind, int32_t) {
  D3DXIMAGE_INFO scratch{};
  if (info == nullptr) info = &scratch;
  *info = D3DXIMAGE_INFO{};
  if (data == nullptr || length == 0) return nullptr;
  if (IsRaw(data, length)) return CreateFromRaw(data, length, info);
  const auto length32 = static_cast<UINT>(std::min<size_t>(length, UINT32_MAX));
  if (Texture_CreateOnDemand) {
    Texture* t = Texture_New(1, 1, 1);
    t->source = data;
    t->sourceLength = length32;
    if (IsPNG(data, length)) {
      if (!Texture_DecodePNG(t)) {
        Texture_Free(t);
        return nullptr;
      }
      info->Width = static_cast<UINT>(t->Width());
      info->Height = static_cast<UINT>(t->Height());
      info->Depth = t->kind == kTextureKindARGB ? 32 : 16;
    } else {
      t->kind = kind;
      if (FAILED(D3DXGetImageInfoFromFileInMemory(data, length32, info))) {
        Texture_Free(t);
        return nullptr;
      }
      info->Format = static_cast<D3DFORMAT>(kind);
    }
    return Texture_SetPoolFlags(t, GlobalPool());
  }
  IDirect3DTexture9* d3dTexture = nullptr;
  const HRESULT hr = D3DXCreateTextureFromFileInMemoryEx(
      g_D3D.device, data, length32, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
      Texture_Compress ? D3DFMT_DXT5 : Texture_FormatOfKind(kind), GlobalPool(),
      Texture_Compress ? D3DX_FILTER_LINEAR : D3DX_DEFAULT, D3DX_DEFAULT, 0, info, nullptr, &d3dTexture);
  info->Format = static_cast<D3DFORMAT>(kind);
  if (FAILED(hr) || d3dTexture == nullptr) {
    // Damaged or unreadable image data: no record.
    if (d3dTexture != nullptr) d3dTexture->Release();
    *info = D3DXIMAGE_INFO{};
    return nullptr;
  }
  Texture* t = Texture_NewWrapped(d3dTexture, static_cast<int32_t>(info->Width), static_cast<int32_t>(info->Height),
                                  static_cast<int32_t>(std::max<UINT>(info->MipLevels, 1)), kind);
  FetchLevelZero(t);
  return Texture_SetPoolFlags(t, GlobalPool());
}

bool Texture_DecodePNG(Texture* texture) {
  int32_t width = -1;
  int32_t height = -1;
  if (!PNG_GetSize(texture->source, texture->sourceLength, &width, &height, false) || width < 1 || height < 1 ||
      width > 8192 || height > 8192) {
    Console_DebugOutput("an error occured");
    return false;
  }
  texture->size = static_cast<uint32_t>(width - 1) | (static_cast<uint32_t>(height - 1) << 13) |
                  (texture->size & 0xFC000000u);
  texture->kind = kTextureKindARGB;
  return true;
}

void SetupD3DTexture(Texture* t) {
  IDirect3DDevice9* device = g_D3D.device;
  if (t == nullptr || device == nullptr) return;
  const UINT levels = static_cast<UINT>(t->Levels());
  const UINT w = static_cast<UINT>(t->Width());
  const UINT h = static_cast<UINT>(t->Height());
  const D3DFORMAT format = Texture_FormatOfKind(t->kind);
  HRESULT hr = D3D_OK;
  const uint8_t* pixels = nullptr;
  if (IsRaw(t->source, t->sourceLength)) {
    pixels = t->source + kRawHeaderSize;
  } else if (t->source != nullptr) {
    hr = D3DXCreateTextureFromFileInMemoryEx(device, t->source, t->sourceLength, D3DX_DEFAULT, D3DX_DEFAULT, levels, 0,
                                             Texture_Compress ? D3DFMT_DXT5 : format, PoolOf(t),
                                             Texture_Compress ? D3DX_FILTER_LINEAR : D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                             nullptr, nullptr, &t->d3dTexture);
    if (FAILED(hr)) t->d3dTexture = nullptr;
  } else if (t->pixels != nullptr) {
    pixels = t->pixels;
  } else {
    CreateTargetObjects(t, &hr);
  }
  if (pixels != nullptr) {
    hr = device->CreateTexture(w, h, levels, 0, format, PoolOf(t), &t->d3dTexture, nullptr);
    if (SUCCEEDED(hr)) {
      FillLevelZero(t, pixels);
    } else {
      t->d3dTexture = nullptr;
    }
  }
  if (FAILED(hr)) Report("SetupD3DTexture failed - %08x\n", hr);
  FetchLevelZero(t);
}

void Texture_EnsureD3D(Texture* texture) {
  if (texture != nullptr && texture->d3dTexture == nullptr) SetupD3DTexture(texture);
}

void Texture_Prefetch(Texture* texture) {
  if (Texture_CreateOnDemand) Texture_EnsureD3D(texture);
}

bool Texture_Upload(Texture* t, int32_t level, int32_t width, int32_t height, const void* pixels) {
  if (t == nullptr || pixels == nullptr || t->pixels == nullptr || width < 1 || height < 1 || level < 0) return false;
  const int32_t bpp = Texture_BytesPerPixel(t) == 2 ? 2 : 4;
  const int32_t tw = t->Width();
  const int32_t th = t->Height();
  // 16-bit rows go in at the texture's stride like 32-bit ones, so a narrower image keeps its shape.
  CopyRows(t->pixels, static_cast<size_t>(tw) * bpp, static_cast<const uint8_t*>(pixels), static_cast<size_t>(width) * bpp,
           std::min(th, height), static_cast<size_t>(std::min(tw, width)) * bpp);
  if (Texture_CreateOnDemand && t->d3dTexture == nullptr) {
    SetupD3DTexture(t);
    return t->d3dTexture != nullptr;
  }
  if (t->d3dTexture == nullptr) return false;
  const int32_t lw = std::max(1, tw >> level);
  const int32_t lh = std::max(1, th >> level);
  const size_t rowBytes = static_cast<size_t>(lw) * bpp;
  if (t->InDefaultPool()) return SendThroughStaging(t, level, t->pixels, rowBytes, lw, lh, 0);
  D3DLOCKED_RECT locked{};
  if (FAILED(t->d3dTexture->LockRect(static_cast<UINT>(level), &locked, nullptr, 0))) return false;
  CopyRows(static_cast<uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), t->pixels, rowBytes, lh, rowBytes);
  t->d3dTexture->UnlockRect(static_cast<UINT>(level));
  return true;
}

bool Texture_UpdateRect(Texture* t, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (t == nullptr || t->pixels == nullptr) return false;
  if (t->d3dTexture == nullptr) return true;
  const int32_t tw = t->Width();
  const int32_t th = t->Height();
  const int32_t left = std::max(x, 0);
  const int32_t top = std::max(y, 0);
  const int32_t right = static_cast<int32_t>(std::min<int64_t>(int64_t{x} + width, tw));
  const int32_t bottom = static_cast<int32_t>(std::min<int64_t>(int64_t{y} + height, th));
  if (right <= left || bottom <= top) return true;
  const size_t pitch = static_cast<size_t>(tw) * 4;
  if (t->InDefaultPool()) return SendThroughStaging(t, 0, t->pixels, pitch, tw, th, D3DLOCK_NO_DIRTY_UPDATE);
  const RECT rect{left, top, right, bottom};
  D3DLOCKED_RECT locked{};
  if (FAILED(t->d3dTexture->LockRect(0, &locked, &rect, 0))) return false;
  CopyRows(static_cast<uint8_t*>(locked.pBits), static_cast<size_t>(locked.Pitch), t->pixels + top * pitch + left * 4,
           pitch, bottom - top, static_cast<size_t>(right - left) * 4);
  t->d3dTexture->UnlockRect(0);
  return true;
}

void Texture_ReleaseD3D(Texture* texture) {
  if (texture == nullptr || !Texture_CreateOnDemand) return;
  DropD3D(texture);
}

void Texture_Free(Texture* texture) {
  if (texture == nullptr) return;
  DropD3D(texture);
  MemoryManager_Free(texture->pixelAllocation);
  Unlink(texture);
  delete texture;
}

void Texture_Bind(int32_t stage, Texture* texture) {
  IDirect3DDevice9* device = g_D3D.device;
  if (stage > 8 || stage < 0 || device == nullptr) return;
  if (texture == nullptr) {
    device->SetTexture(static_cast<DWORD>(stage), nullptr);
    return;
  }
  if (Texture_CreateOnDemand) Texture_EnsureD3D(texture);
  if ((texture->flags & kTextureTargetDirty) != 0) Texture_ResolveTarget(texture);
  device->SetTexture(static_cast<DWORD>(stage), texture->d3dTexture);
  if (texture->d3dTexture != g_Textures.lastBound) {
    ++g_Textures.changes;
    g_Textures.lastBound = texture->d3dTexture;
  }
}

void Texture_ResolveTarget(Texture* texture) {
  if (texture == nullptr || texture->d3dTexture == nullptr) return;
  texture->flags &= ~kTextureTargetDirty;
  IDirect3DSurface9* level = nullptr;
  if (g_D3D.device == nullptr || texture->surface == nullptr ||
      FAILED(texture->d3dTexture->GetSurfaceLevel(0, &level))) {
    return;
  }
  if (level != texture->surface) g_D3D.device->StretchRect(texture->surface, nullptr, level, nullptr, D3DTEXF_LINEAR);
  level->Release();
}

void Texture_SetStageOps(int32_t modulate) {
  IDirect3DDevice9* device = g_D3D.device;
  if (device == nullptr) return;
  if (modulate != 0) {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
  } else {
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
  }
}

namespace {
int32_t TargetCount() { return std::clamp(g_D3D.maxRenderTargets, 1, 4); }
}  // namespace

bool Texture_SetTarget(int32_t index, Texture* texture) {
  IDirect3DDevice9* device = g_D3D.device;
  if (device == nullptr || texture == nullptr || index < 0) return false;
  Assets_FlushBatch();
  if (Texture_CreateOnDemand && texture->d3dTexture == nullptr) SetupD3DTexture(texture);
  if (index >= TargetCount()) return false;
  HRESULT hr = device->SetRenderTarget(static_cast<DWORD>(index), texture->surface);
  if (index == 0 && SUCCEEDED(hr)) hr = device->SetDepthStencilSurface(texture->depthSurface);
  if (FAILED(hr)) return false;
  g_Textures.currentTargets[index] = texture;
  texture->flags |= kTextureTargetDirty;
  return true;
}

bool Texture_PushTarget() {
  TextureState& s = g_Textures;
  IDirect3DDevice9* device = g_D3D.device;
  if (s.depth >= kTextureStackSize || device == nullptr) return false;
  TextureTargetEntry& entry = s.stack[s.depth];
  entry = TextureTargetEntry{};
  for (int32_t i = 0; i < TargetCount(); ++i) {
    if (FAILED(device->GetRenderTarget(static_cast<DWORD>(i), &entry.surfaces[i]))) entry.surfaces[i] = nullptr;
    entry.textures[i] = s.currentTargets[i];
  }
  if (FAILED(device->GetDepthStencilSurface(&entry.depth))) entry.depth = nullptr;
  ++s.depth;
  return true;
}

bool Texture_PopTarget() {
  TextureState& s = g_Textures;
  IDirect3DDevice9* device = g_D3D.device;
  if (device == nullptr || s.depth <= 0) return false;
  Assets_FlushBatch();
  --s.depth;
  TextureTargetEntry& entry = s.stack[s.depth];
  bool ok = true;
  for (int32_t i = 0; i < TargetCount(); ++i) {
    // Index 0 always had a target; a missing one there cannot be restored.
    if (entry.surfaces[i] != nullptr || i > 0) {
      if (FAILED(device->SetRenderTarget(static_cast<DWORD>(i), entry.surfaces[i]))) ok = false;
    } else {
      ok = false;
    }
    Release(&entry.surfaces[i]);
    Texture* saved = entry.textures[i];
    s.currentTargets[i] = saved;
    entry.textures[i] = nullptr;
    if (saved != nullptr) {
      if (Texture_CreateOnDemand) Texture_EnsureD3D(saved);
      saved->flags |= kTextureTargetDirty;
    }
  }
  if (FAILED(device->SetDepthStencilSurface(entry.depth))) ok = false;
  Release(&entry.depth);
  return ok;
}

void Texture_PopAllTargets() {
  while (g_Textures.depth > 0) {
    if (g_D3D.device == nullptr) {
      // Without a device nothing can be restored: drop what the entries hold.
      TextureTargetEntry& entry = g_Textures.stack[--g_Textures.depth];
      for (IDirect3DSurface9*& surface : entry.surfaces) Release(&surface);
      Release(&entry.depth);
      entry = TextureTargetEntry{};
      continue;
    }
    Texture_PopTarget();
  }
}

int32_t Texture_TargetStackDepth() { return g_Textures.depth; }
