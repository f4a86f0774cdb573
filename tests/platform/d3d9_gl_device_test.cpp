// The OpenGL device under the offscreen video driver: every pixel checked here went through
// OpenGL and came back.
#include <SDL.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9_test_util.h"
#include "platform/d3d9/gl_options.h"
#include "platform/d3dx/d3dx9.h"
#include "platform/window/gl_window.h"

namespace {

class GLDeviceTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureOffscreenVideo();
    s_d3d = Direct3DCreate9(D3D_SDK_VERSION);
  }
  static void TearDownTestSuite() {
    if (s_d3d) s_d3d->Release();
    s_d3d = nullptr;
  }
  void SetUp() override {
    ASSERT_NE(s_d3d, nullptr) << Direct3D9_LastError();
    device = MakeDevice(64, 48);
    ASSERT_NE(device, nullptr);
  }
  void TearDown() override {
    D3D9GL_ForceSoftwareDXT(false);
    if (device) {
      EXPECT_EQ(device->Release(), 0u);
    }
  }

  static D3DPRESENT_PARAMETERS Params(UINT width, UINT height, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_NONE) {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = width;
    pp.BackBufferHeight = height;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    pp.BackBufferCount = 1;
    pp.MultiSampleType = samples;
    pp.SwapEffect = samples ? D3DSWAPEFFECT_DISCARD : D3DSWAPEFFECT_COPY;
    pp.Windowed = TRUE;
    pp.EnableAutoDepthStencil = TRUE;
    pp.AutoDepthStencilFormat = D3DFMT_D24S8;
    pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    return pp;
  }

  IDirect3DDevice9* MakeDevice(UINT width, UINT height) {
    D3DPRESENT_PARAMETERS pp = Params(width, height);
    IDirect3DDevice9* d = nullptr;
    EXPECT_EQ(s_d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &d), D3D_OK);
    return d;
  }

  IDirect3DSurface9* LockableTarget(UINT width, UINT height) {
    IDirect3DSurface9* s = nullptr;
    EXPECT_EQ(device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &s, nullptr),
              D3D_OK);
    return s;
  }

  // The pixels of any colour surface, copied 1:1 into a lockable target and read there.
  std::vector<uint32_t> ReadBack(IDirect3DSurface9* surface) {
    D3DSURFACE_DESC desc{};
    surface->GetDesc(&desc);
    IDirect3DSurface9* staging = LockableTarget(desc.Width, desc.Height);
    EXPECT_EQ(device->StretchRect(surface, nullptr, staging, nullptr, D3DTEXF_LINEAR), D3D_OK);
    std::vector<uint32_t> pixels = LockPixels(staging);
    staging->Release();
    return pixels;
  }

  static IDirect3D9* s_d3d;
  IDirect3DDevice9* device = nullptr;
};

IDirect3D9* GLDeviceTest::s_d3d = nullptr;

TEST_F(GLDeviceTest, DeviceAnswersCapabilitiesAdaptersAndStartsOnItsBackBuffer) {
  D3DCAPS9 caps{};
  ASSERT_EQ(device->GetDeviceCaps(&caps), D3D_OK);
  EXPECT_EQ(caps.DeviceType, D3DDEVTYPE_HAL);
  EXPECT_EQ(caps.VertexShaderVersion & 0xFFFF, 0u);  // no shaders yet
  EXPECT_EQ(caps.PixelShaderVersion & 0xFFFF, 0u);
  EXPECT_GE(caps.NumSimultaneousRTs, 1u);
  EXPECT_LE(caps.NumSimultaneousRTs, 4u);
  EXPECT_LE(caps.MaxTextureWidth, 8192u);
  EXPECT_GE(caps.MaxTextureWidth, 2048u);
  EXPECT_EQ(caps.RasterCaps & (D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE),
            D3DPRASTERCAPS_FOGVERTEX | D3DPRASTERCAPS_FOGTABLE);

  ASSERT_GE(s_d3d->GetAdapterCount(), 1u);
  D3DCAPS9 adapterCaps{};
  ASSERT_EQ(s_d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &adapterCaps), D3D_OK);
  EXPECT_EQ(adapterCaps.NumberOfAdaptersInGroup, 1u);
  EXPECT_EQ(adapterCaps.MasterAdapterOrdinal, 0u);
  EXPECT_EQ(s_d3d->GetDeviceCaps(s_d3d->GetAdapterCount(), D3DDEVTYPE_HAL, &adapterCaps), D3DERR_INVALIDCALL);
  D3DADAPTER_IDENTIFIER9 id{};
  ASSERT_EQ(s_d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  EXPECT_GT(std::strlen(id.Description), 0u);
  EXPECT_NE(s_d3d->GetAdapterMonitor(0), nullptr);
  D3DDISPLAYMODE desktop{}, fromDevice{}, listed{};
  ASSERT_EQ(s_d3d->GetAdapterDisplayMode(0, &desktop), D3D_OK);
  ASSERT_EQ(device->GetDisplayMode(0, &fromDevice), D3D_OK);
  EXPECT_EQ(fromDevice.Width, desktop.Width);
  EXPECT_GT(desktop.Width, 0u);
  ASSERT_GE(s_d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 1u);
  EXPECT_EQ(s_d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, 0, &listed), D3D_OK);
  EXPECT_EQ(s_d3d->EnumAdapterModes(0, D3DFMT_X8R8G8B8, s_d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), &listed),
            D3DERR_INVALIDCALL);

  // Sample counts: none always; 3 never; 2 and 4 as the machine allows (llvmpipe: 4).
  EXPECT_EQ(s_d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, TRUE, D3DMULTISAMPLE_NONE, nullptr),
            D3D_OK);
  EXPECT_NE(s_d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, TRUE,
                                              static_cast<D3DMULTISAMPLE_TYPE>(3), nullptr),
            D3D_OK);

  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  IDirect3DSurface9 *backBuffer = nullptr, *target = nullptr, *depth = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  ASSERT_EQ(device->GetRenderTarget(0, &target), D3D_OK);
  EXPECT_EQ(target, backBuffer);
  D3DSURFACE_DESC desc{};
  backBuffer->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 64u);
  EXPECT_EQ(desc.Height, 48u);
  EXPECT_EQ(desc.Usage, D3DUSAGE_RENDERTARGET);
  ASSERT_EQ(device->GetDepthStencilSurface(&depth), D3D_OK);
  depth->GetDesc(&desc);
  EXPECT_EQ(desc.Format, D3DFMT_D24S8);
  IDirect3DSurface9* none = reinterpret_cast<IDirect3DSurface9*>(1);
  EXPECT_EQ(device->GetRenderTarget(1, &none), D3DERR_NOTFOUND);
  EXPECT_EQ(none, nullptr);
  D3DVIEWPORT9 vp{};
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 64u);
  EXPECT_EQ(vp.Height, 48u);
  EXPECT_EQ(vp.MinZ, 0.0f);
  EXPECT_EQ(vp.MaxZ, 1.0f);
  D3DRASTER_STATUS raster{};
  EXPECT_EQ(device->GetRasterStatus(0, &raster), D3D_OK);
  EXPECT_TRUE(raster.InVBlank);
  EXPECT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->EndScene(), D3D_OK);
  EXPECT_EQ(device->EndScene(), D3DERR_INVALIDCALL);
  depth->Release();
  target->Release();
  backBuffer->Release();
}

TEST_F(GLDeviceTest, ClearCoversTheViewportOnlyAndLeavesThePixelsOutsideIt) {
  struct Case {
    const char* name;
    D3DVIEWPORT9 viewport;
    std::vector<D3DRECT> rects;
    RECT expected;  // the part that takes the second colour
  };
  const std::vector<Case> cases = {
      {"inner viewport", {4, 2, 8, 6, 0, 1}, {}, {4, 2, 12, 8}},
      {"viewport past the edge", {10, 12, 50, 50, 0, 1}, {}, {10, 12, 16, 16}},
      {"rectangle inside the viewport", {2, 2, 12, 12, 0, 1}, {{3, 4, 6, 5}}, {3, 4, 6, 5}},
      {"rectangle cut by the viewport", {2, 2, 4, 4, 0, 1}, {{0, 0, 5, 16}}, {2, 2, 5, 6}},
      {"rectangle outside the viewport", {0, 0, 4, 4, 0, 1}, {{8, 8, 12, 12}}, {0, 0, 0, 0}},
  };
  IDirect3DSurface9* target = LockableTarget(16, 16);
  ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D3DVIEWPORT9 whole{0, 0, 16, 16, 0, 1};
    device->SetViewport(&whole);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0), D3D_OK);
    device->SetViewport(&c.viewport);
    ASSERT_EQ(device->Clear(static_cast<DWORD>(c.rects.size()), c.rects.empty() ? nullptr : c.rects.data(),
                            D3DCLEAR_TARGET, 0x80A0B0C0, 1.0f, 0),
              D3D_OK);
    std::vector<uint32_t> pixels = LockPixels(target);
    ASSERT_EQ(pixels.size(), 256u);
    int wrong = 0;
    for (LONG y = 0; y < 16; ++y) {
      for (LONG x = 0; x < 16; ++x) {
        bool inside = x >= c.expected.left && x < c.expected.right && y >= c.expected.top && y < c.expected.bottom;
        wrong += pixels[y * 16 + x] != (inside ? 0x80A0B0C0u : 0xFF102030u);
      }
    }
    EXPECT_EQ(wrong, 0);
  }
  device->SetRenderTarget(0, nullptr);  // refused: target 0 always has a surface
  IDirect3DSurface9* bound = nullptr;
  device->GetRenderTarget(0, &bound);
  EXPECT_EQ(bound, target);
  bound->Release();
  target->Release();
}

TEST_F(GLDeviceTest, TextureWrittenByLockReadsBackExactBytes) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 16);
  auto* bytes = static_cast<uint8_t*>(locked.pBits);
  for (int i = 0; i < 64; ++i) bytes[i] = static_cast<uint8_t>(i * 3 + 1);
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
  ASSERT_EQ(texture->UnlockRect(0), D3D_OK);
  std::vector<uint8_t> gl;
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  ASSERT_EQ(gl.size(), 64u);
  for (int i = 0; i < 64; ++i) ASSERT_EQ(gl[i], static_cast<uint8_t>(i * 3 + 1)) << "byte " << i;

  // A sub-rectangle lock points at its first pixel and sends only what it covers.
  RECT part{1, 2, 3, 4};
  ASSERT_EQ(texture->LockRect(0, &locked, &part, 0), D3D_OK);
  for (int row = 0; row < 2; ++row) {
    auto* p = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + row * locked.Pitch);
    p[0] = p[1] = 0xAABBCCDD;
  }
  texture->UnlockRect(0);
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  for (unsigned y = 0; y < 4; ++y) {
    for (unsigned x = 0; x < 4; ++x) {
      bool inside = x >= 1 && x < 3 && y >= 2;
      const unsigned i = (y * 4 + x) * 4;
      uint32_t original = static_cast<uint32_t>((i * 3 + 1) & 255) | (((i + 1) * 3 + 1) & 255) << 8 |
                          (((i + 2) * 3 + 1) & 255) << 16 | static_cast<uint32_t>(((i + 3) * 3 + 1) & 255) << 24;
      EXPECT_EQ(PixelAt(gl, 4, x, y), inside ? 0xAABBCCDDu : original) << x << "," << y;
    }
  }

  // Read-only and no-dirty-update locks send nothing; a dirty rectangle sends the change later.
  for (DWORD flags : {D3DLOCK_READONLY, D3DLOCK_NO_DIRTY_UPDATE}) {
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, flags), D3D_OK);
    *static_cast<uint32_t*>(locked.pBits) = 0x11223344 + flags;
    texture->UnlockRect(0);
    ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
    EXPECT_EQ(PixelAt(gl, 4, 0, 0), 0x0A070401u) << "flags " << flags;
  }
  RECT corner{0, 0, 1, 1};
  ASSERT_EQ(texture->AddDirtyRect(&corner), D3D_OK);
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  EXPECT_EQ(PixelAt(gl, 4, 0, 0), 0x11223344u + D3DLOCK_NO_DIRTY_UPDATE);

  RECT outside{2, 2, 5, 3};
  EXPECT_EQ(texture->LockRect(0, &locked, &outside, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  texture->Release();

  // 16-bit A4R4G4B4: the nibbles of each word are alpha, red, green, blue from the top.
  ASSERT_EQ(device->CreateTexture(2, 1, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
  EXPECT_EQ(locked.Pitch, 4);
  static_cast<uint16_t*>(locked.pBits)[0] = 0xF00F;
  static_cast<uint16_t*>(locked.pBits)[1] = 0x8F80;
  texture->UnlockRect(0);
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  EXPECT_EQ(PixelAt(gl, 2, 0, 0), 0xFF0000FFu);
  EXPECT_EQ(PixelAt(gl, 2, 1, 0), 0x88FF8800u);
  texture->Release();

  // Default-pool textures and render targets hold no memory copy to lock.
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr), D3D_OK);
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);
  texture->Release();
}

// A coloured vertex in clip space (the transforms start as identities), and a dynamic buffer of
// `count` of them bound as stream 0, unlit, ready for a scene that starts cleared to black.
struct ColouredVertex {
  float x, y, z;
  D3DCOLOR c;
};
IDirect3DVertexBuffer9* BindColouredStream(IDirect3DDevice9* device, UINT count) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  if (device->CreateVertexBuffer(count * sizeof(ColouredVertex), D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, 0,
                                 D3DPOOL_DEFAULT, &buffer, nullptr) != D3D_OK) {
    return nullptr;
  }
  device->SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
  device->SetRenderState(D3DRS_LIGHTING, FALSE);
  device->SetStreamSource(0, buffer, 0, sizeof(ColouredVertex));
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
  return buffer;
}

// Locks hand out the buffer's own storage: bytes a lock does not write keep their values (after
// a discard too, within the discarding lock's own writes), a read-only lock sees what was written,
// and no draw reads a buffer while it is locked.
TEST_F(GLDeviceTest, VertexBufferLocksKeepTheBytesTheyDoNotWrite) {
  auto readAll = [](IDirect3DVertexBuffer9* buffer) {
    void* p = nullptr;
    std::vector<uint8_t> bytes;
    EXPECT_EQ(buffer->Lock(0, 0, &p, D3DLOCK_READONLY), D3D_OK);
    if (p != nullptr) bytes.assign(static_cast<uint8_t*>(p), static_cast<uint8_t*>(p) + 64);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    return bytes;
  };
  for (DWORD usage : {DWORD{0}, DWORD{D3DUSAGE_WRITEONLY}, DWORD{D3DUSAGE_DYNAMIC},
                      DWORD{D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY}}) {
    SCOPED_TRACE(usage);
    const bool dynamic = (usage & D3DUSAGE_DYNAMIC) != 0;
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(64, usage, 0, dynamic ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED, &buffer, nullptr),
              D3D_OK);
    EXPECT_EQ(readAll(buffer), std::vector<uint8_t>(64, 0));  // a new buffer reads as zeros
    std::vector<uint8_t> expected(64);
    for (size_t i = 0; i < expected.size(); ++i) expected[i] = static_cast<uint8_t>(i + 1);
    void* p = nullptr;
    ASSERT_EQ(buffer->Lock(0, 0, &p, dynamic ? D3DLOCK_DISCARD : 0), D3D_OK);
    std::memcpy(p, expected.data(), expected.size());
    EXPECT_EQ(buffer->Lock(0, 0, &p, 0), D3DERR_INVALIDCALL);  // already locked
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
    // Partial locks that write part of their ranges: appending, then plain.
    ASSERT_EQ(buffer->Lock(16, 16, &p, dynamic ? D3DLOCK_NOOVERWRITE : 0), D3D_OK);
    std::memset(p, 0xEE, 8);
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    ASSERT_EQ(buffer->Lock(40, 8, &p, 0), D3D_OK);
    std::memset(static_cast<uint8_t*>(p) + 2, 0x77, 2);
    ASSERT_EQ(buffer->Unlock(), D3D_OK);
    std::fill(expected.begin() + 16, expected.begin() + 24, uint8_t{0xEE});
    std::fill(expected.begin() + 42, expected.begin() + 44, uint8_t{0x77});
    EXPECT_EQ(readAll(buffer), expected);
    // An empty lock at the end; a range past it.
    EXPECT_EQ(buffer->Lock(64, 0, &p, 0), D3D_OK);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(buffer->Lock(60, 8, &p, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Release(), 0u);
  }

  using V = ColouredVertex;
  IDirect3DVertexBuffer9* triangle = BindColouredStream(device, 3);
  ASSERT_NE(triangle, nullptr);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  void* p = nullptr;
  ASSERT_EQ(triangle->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
  // The top-left half of the target in clip space (the transforms start as identities).
  const V vertices[3] = {{-1, 1, 0.5f, 0xFFFF0000}, {1, 1, 0.5f, 0xFFFF0000}, {-1, -1, 0.5f, 0xFFFF0000}};
  std::memcpy(p, vertices, sizeof(vertices));
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
  ASSERT_EQ(triangle->Unlock(), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  ASSERT_EQ(device->EndScene(), D3D_OK);
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBack(backBuffer);
  EXPECT_EQ(pixels[1 * 64 + 1], 0xFFFF0000u);
  EXPECT_EQ(pixels[47 * 64 + 63], 0xFF000000u);
  backBuffer->Release();
  device->SetStreamSource(0, nullptr, 0, 0);
  triangle->Release();
}

// A dynamic buffer discarded many times in one scene, more often than it has windows: every draw
// shows the vertices written for it, none the ones a later discard wrote over its window.
TEST_F(GLDeviceTest, DiscardsOfADynamicBufferKeepEachQueuedDrawsVertices) {
  using V = ColouredVertex;
  IDirect3DVertexBuffer9* quad = BindColouredStream(device, 6);
  ASSERT_NE(quad, nullptr);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  // Cells of 4 x 4 pixels over the 64 x 48 target, one discard each: 192 of them.
  constexpr int kColumns = 16, kRows = 12;
  for (int cell = 0; cell < kColumns * kRows; ++cell) {
    const float left = -1.0f + 2.0f * static_cast<float>(cell % kColumns) / kColumns;
    const float right = left + 2.0f / kColumns;
    const float top = 1.0f - 2.0f * static_cast<float>(cell / kColumns) / kRows;
    const float bottom = top - 2.0f / kRows;
    const D3DCOLOR c = 0xFF000000u | static_cast<D3DCOLOR>(cell + 1);
    const V vertices[6] = {{left, top, 0.5f, c},  {right, top, 0.5f, c},    {left, bottom, 0.5f, c},
                           {right, top, 0.5f, c}, {right, bottom, 0.5f, c}, {left, bottom, 0.5f, c}};
    void* p = nullptr;
    ASSERT_EQ(quad->Lock(0, 0, &p, D3DLOCK_DISCARD), D3D_OK);
    std::memcpy(p, vertices, sizeof vertices);
    ASSERT_EQ(quad->Unlock(), D3D_OK);
    ASSERT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), D3D_OK);
  }
  ASSERT_EQ(device->EndScene(), D3D_OK);
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  const std::vector<uint32_t> pixels = ReadBack(backBuffer);
  backBuffer->Release();
  for (int cell = 0; cell < kColumns * kRows; ++cell) {
    const int x = (cell % kColumns) * 4 + 2;
    const int y = (cell / kColumns) * 4 + 2;
    EXPECT_EQ(pixels[static_cast<size_t>(y * 64 + x)], 0xFF000000u | static_cast<uint32_t>(cell + 1)) << cell;
  }
  device->SetStreamSource(0, nullptr, 0, 0);
  quad->Release();
}

TEST_F(GLDeviceTest, UpdateTextureCopiesOnlyTheDirtyRegionOfASystemMemoryTexture) {
  IDirect3DTexture9 *staging = nullptr, *texture = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &staging, nullptr), D3D_OK);
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr), D3D_OK);
  auto fill = [&](uint32_t colour, DWORD flags) {
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(staging->LockRect(0, &locked, nullptr, flags), D3D_OK);
    for (int y = 0; y < 8; ++y) {
      auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
      for (int x = 0; x < 8; ++x) row[x] = colour;
    }
    staging->UnlockRect(0);
  };
  std::vector<uint8_t> gl;
  fill(0xFF00FF00, D3DLOCK_NO_DIRTY_UPDATE);  // a new texture is wholly dirty anyway
  ASSERT_EQ(device->UpdateTexture(staging, texture), D3D_OK);
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  EXPECT_EQ(PixelAt(gl, 8, 7, 7), 0xFF00FF00u);

  fill(0xFFFF0000, D3DLOCK_NO_DIRTY_UPDATE);
  ASSERT_EQ(device->UpdateTexture(staging, texture), D3D_OK);
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  EXPECT_EQ(PixelAt(gl, 8, 0, 0), 0xFF00FF00u);  // nothing was dirty

  RECT right{4, 0, 8, 8};
  staging->AddDirtyRect(&right);
  ASSERT_EQ(device->UpdateTexture(staging, texture), D3D_OK);
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  EXPECT_EQ(PixelAt(gl, 8, 3, 5), 0xFF00FF00u);
  EXPECT_EQ(PixelAt(gl, 8, 4, 5), 0xFFFF0000u);

  EXPECT_EQ(device->UpdateTexture(texture, staging), D3DERR_INVALIDCALL);  // wrong direction
  texture->Release();
  staging->Release();
}

TEST_F(GLDeviceTest, RenderTargetTexturesLockableTargetsAndStretchRect) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr),
            D3D_OK);
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(texture->GetSurfaceLevel(0, &level), D3D_OK);
  ASSERT_EQ(device->SetRenderTarget(0, level), D3D_OK);
  D3DVIEWPORT9 vp{};
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 8u);  // target 0 brings its own viewport
  EXPECT_EQ(vp.Height, 8u);
  // Left half red, right half blue, drawn as two clears of the texture.
  D3DRECT left{0, 0, 4, 8}, rightHalf{4, 0, 8, 8};
  ASSERT_EQ(device->Clear(1, &left, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->Clear(1, &rightHalf, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0), D3D_OK);

  // 1:1 copy of a part, then a stretch to twice the size (linear filtering keeps flat areas).
  IDirect3DSurface9* target = LockableTarget(16, 16);
  RECT src{2, 0, 6, 8}, dst{0, 0, 4, 8};
  ASSERT_EQ(device->StretchRect(level, &src, target, &dst, D3DTEXF_LINEAR), D3D_OK);
  std::vector<uint32_t> pixels = LockPixels(target);
  EXPECT_EQ(pixels[0], 0xFFFF0000u);
  EXPECT_EQ(pixels[1], 0xFFFF0000u);
  EXPECT_EQ(pixels[2], 0xFF0000FFu);
  EXPECT_EQ(pixels[3], 0xFF0000FFu);
  ASSERT_EQ(device->StretchRect(level, nullptr, target, nullptr, D3DTEXF_LINEAR), D3D_OK);
  pixels = LockPixels(target);
  EXPECT_EQ(pixels[15 * 16 + 0], 0xFFFF0000u);
  EXPECT_EQ(pixels[15 * 16 + 15], 0xFF0000FFu);
  // Copies back into the texture land in what OpenGL samples.
  ASSERT_EQ(FillSurface(target, std::vector<uint32_t>(256, 0x7F00FF00)), D3D_OK);
  ASSERT_EQ(device->StretchRect(target, nullptr, level, nullptr, D3DTEXF_POINT), D3D_OK);
  std::vector<uint8_t> gl;
  ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
  EXPECT_EQ(PixelAt(gl, 8, 5, 5), 0x7F00FF00u);

  // What the copy refuses: the same surface, managed sources, depth surfaces, rectangles outside.
  IDirect3DTexture9* managed = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &managed, nullptr), D3D_OK);
  IDirect3DSurface9 *managedLevel = nullptr, *depth = nullptr;
  managed->GetSurfaceLevel(0, &managedLevel);
  device->GetDepthStencilSurface(&depth);
  RECT tooWide{0, 0, 9, 8};
  EXPECT_EQ(device->StretchRect(level, nullptr, level, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->StretchRect(managedLevel, nullptr, target, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->StretchRect(level, nullptr, managedLevel, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->StretchRect(depth, nullptr, target, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->StretchRect(level, &tooWide, target, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderTarget(0, managedLevel), D3DERR_INVALIDCALL);
  depth->Release();
  managedLevel->Release();
  managed->Release();
  target->Release();
  level->Release();
  texture->Release();
}

TEST_F(GLDeviceTest, LockableRenderTargetIsWrittenAndReadThroughItsSurface) {
  IDirect3DSurface9* target = LockableTarget(5, 3);  // odd sizes catch pitch mistakes
  std::vector<uint32_t> pattern;
  for (uint32_t i = 0; i < 15; ++i) pattern.push_back(0x01020304u * (i + 1));
  ASSERT_EQ(FillSurface(target, pattern), D3D_OK);
  EXPECT_EQ(LockPixels(target), pattern);
  // The written pixels are the target's: a copy elsewhere carries them.
  IDirect3DSurface9* other = LockableTarget(5, 3);
  ASSERT_EQ(device->StretchRect(target, nullptr, other, nullptr, D3DTEXF_LINEAR), D3D_OK);
  EXPECT_EQ(LockPixels(other), pattern);
  // A read-only lock of a part reads that part and writes nothing back.
  RECT part{2, 1, 4, 3};
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(target->LockRect(&locked, &part, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(*static_cast<uint32_t*>(locked.pBits), pattern[1 * 5 + 2]);
  *static_cast<uint32_t*>(locked.pBits) = 0;
  target->UnlockRect();
  EXPECT_EQ(LockPixels(target), pattern);
  EXPECT_EQ(target->UnlockRect(), D3DERR_INVALIDCALL);

  // Clearing with two targets bound colours both.
  D3DCAPS9 caps{};
  device->GetDeviceCaps(&caps);
  if (caps.NumSimultaneousRTs >= 2) {
    ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(1, other), D3D_OK);
    ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF123456, 1.0f, 0), D3D_OK);
    EXPECT_EQ(LockPixels(target), std::vector<uint32_t>(15, 0xFF123456));
    EXPECT_EQ(LockPixels(other), std::vector<uint32_t>(15, 0xFF123456));
    ASSERT_EQ(device->SetRenderTarget(1, nullptr), D3D_OK);
  }
  // A non-lockable target refuses locks.
  IDirect3DSurface9* plain = nullptr;
  ASSERT_EQ(device->CreateRenderTarget(4, 4, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &plain, nullptr), D3D_OK);
  EXPECT_EQ(plain->LockRect(&locked, nullptr, 0), D3DERR_INVALIDCALL);
  plain->Release();
  other->Release();
  target->Release();
}

TEST_F(GLDeviceTest, PresentShowsTheBackBufferTopRowFirstWithAndWithoutAVisibleWindow) {
  // Top half one colour, bottom half another, so a flipped present would show.
  D3DVIEWPORT9 top{0, 0, 64, 24, 0, 1}, bottom{0, 24, 64, 24, 0, 1};
  device->SetViewport(&top);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF8000, 1.0f, 0);
  device->SetViewport(&bottom);
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0080FF, 1.0f, 0);
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  HWND window = D3D9GL_GetDeviceWindow(device);
  ASSERT_NE(window, nullptr);
  for (bool visible : {false, true}) {
    SCOPED_TRACE(visible ? "visible" : "hidden");
    if (visible) GLWindow_Show(window);
    EXPECT_EQ(GLWindow_IsShown(window), visible);
    ASSERT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
    std::vector<uint8_t> shown(64 * 48 * 4);
    ASSERT_TRUE(GLWindow_ReadPixels(window, 0, 0, 64, 48, shown.data()));
    EXPECT_EQ(PixelAt(shown, 64, 10, 0), 0xFFFF8000u);
    EXPECT_EQ(PixelAt(shown, 64, 10, 23), 0xFFFF8000u);
    EXPECT_EQ(PixelAt(shown, 64, 10, 24), 0xFF0080FFu);
    EXPECT_EQ(PixelAt(shown, 64, 63, 47), 0xFF0080FFu);
    // A copy-effect present keeps the back buffer for read-back.
    std::vector<uint32_t> kept = ReadBack(backBuffer);
    ASSERT_EQ(kept.size(), 64u * 48u);
    EXPECT_EQ(kept[0], 0xFFFF8000u);
    EXPECT_EQ(kept[47 * 64], 0xFF0080FFu);
  }
  backBuffer->Release();
}

TEST_F(GLDeviceTest, ResetTakesTheNewSizeAndKeepsTheSameBackBufferObject) {
  IDirect3DSurface9* backBuffer = nullptr;
  ASSERT_EQ(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  IDirect3DSurface9* target = LockableTarget(8, 8);
  device->SetRenderTarget(0, target);
  D3DVIEWPORT9 small{1, 1, 2, 2, 0, 1};
  device->SetViewport(&small);
  device->BeginScene();

  D3DPRESENT_PARAMETERS pp = Params(40, 30);
  // A default-pool target still alive refuses the reset, and the device waits for a clean one.
  EXPECT_EQ(device->Reset(&pp), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  device->SetRenderTarget(0, backBuffer);
  target->Release();
  ASSERT_EQ(device->Reset(&pp), D3D_OK);
  EXPECT_EQ(device->TestCooperativeLevel(), D3D_OK);
  D3DSURFACE_DESC desc{};
  backBuffer->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 40u);
  EXPECT_EQ(desc.Height, 30u);
  IDirect3DSurface9 *bound = nullptr, *depth = nullptr;
  device->GetRenderTarget(0, &bound);
  EXPECT_EQ(bound, backBuffer);
  device->GetDepthStencilSurface(&depth);
  depth->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 40u);
  D3DVIEWPORT9 vp{};
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 40u);
  EXPECT_EQ(vp.Height, 30u);
  EXPECT_EQ(device->BeginScene(), D3D_OK);  // a reset ends the scene
  device->EndScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  std::vector<uint32_t> pixels = ReadBack(backBuffer);
  ASSERT_EQ(pixels.size(), 40u * 30u);
  EXPECT_EQ(pixels.back(), 0xFF00FF00u);

  // Zero sizes take the window's client size and are written back.
  D3DPRESENT_PARAMETERS zero = Params(0, 0);
  ASSERT_EQ(device->Reset(&zero), D3D_OK);
  EXPECT_GT(zero.BackBufferWidth, 0u);
  EXPECT_GT(zero.BackBufferHeight, 0u);

  // Refused parameters change nothing.
  D3DPRESENT_PARAMETERS bad = Params(40, 30, static_cast<D3DMULTISAMPLE_TYPE>(3));
  EXPECT_EQ(device->Reset(&bad), D3DERR_INVALIDCALL);

  // With multisampling the back buffer resolves when read.
  if (s_d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, TRUE, D3DMULTISAMPLE_4_SAMPLES, nullptr) ==
      D3D_OK) {
    D3DPRESENT_PARAMETERS ms = Params(32, 16, D3DMULTISAMPLE_4_SAMPLES);
    ASSERT_EQ(device->Reset(&ms), D3D_OK);
    backBuffer->GetDesc(&desc);
    EXPECT_EQ(desc.MultiSampleType, D3DMULTISAMPLE_4_SAMPLES);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF336699, 1.0f, 0);
    pixels = ReadBack(backBuffer);
    ASSERT_EQ(pixels.size(), 32u * 16u);
    EXPECT_EQ(pixels[0], 0xFF336699u);
    EXPECT_EQ(pixels.back(), 0xFF336699u);
    // Read-back scales from a multisampled surface too (it resolves first).
    IDirect3DSurface9* half = LockableTarget(16, 8);
    EXPECT_EQ(device->StretchRect(backBuffer, nullptr, half, nullptr, D3DTEXF_LINEAR), D3D_OK);
    EXPECT_EQ(LockPixels(half)[0], 0xFF336699u);
    half->Release();
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3D_OK);
  }
  depth->Release();
  bound->Release();
  backBuffer->Release();
}

TEST_F(GLDeviceTest, ReferenceCountsFollowTheDeviceRules) {
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  EXPECT_EQ(texture->GetLevelCount(), 3u);  // 0 levels: the whole chain
  IDirect3DSurface9* level = nullptr;
  ASSERT_EQ(texture->GetSurfaceLevel(2, &level), D3D_OK);
  D3DSURFACE_DESC desc{};
  level->GetDesc(&desc);
  EXPECT_EQ(desc.Width, 1u);
  EXPECT_EQ(texture->AddRef(), 3u);  // creation + level + this
  EXPECT_EQ(level->Release(), 2u);   // a level shares its texture's count
  EXPECT_EQ(texture->Release(), 1u);

  // Created objects and surfaces got from the device add to the device's count; binding adds
  // nothing to the bound object's.
  EXPECT_EQ(RefCount(device), 2u);  // the program's and the texture's
  IDirect3DSurface9* target = LockableTarget(4, 4);
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &buffer, nullptr), D3D_OK);
  const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
  IDirect3DVertexDeclaration9* decl = nullptr;
  ASSERT_EQ(device->CreateVertexDeclaration(elements, &decl), D3D_OK);
  EXPECT_EQ(RefCount(device), 5u);
  IDirect3DSurface9* backBuffer = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  EXPECT_EQ(RefCount(device), 6u);
  EXPECT_EQ(backBuffer->AddRef(), 2u);  // more references to it hold the device once
  EXPECT_EQ(RefCount(device), 6u);
  backBuffer->Release();
  device->SetRenderTarget(0, target);
  device->SetTexture(0, texture);
  device->SetStreamSource(0, buffer, 0, 12);
  device->SetVertexDeclaration(decl);
  for (IUnknown* object : std::initializer_list<IUnknown*>{target, texture, buffer, decl}) {
    EXPECT_EQ(RefCount(object), 1u);
  }
  EXPECT_EQ(backBuffer->Release(), 0u);  // no longer bound; the device's own surface stays
  EXPECT_EQ(RefCount(device), 5u);

  // Released while bound, the objects are the device's until it lets go of them: the device
  // goes on drawing and clearing with them, and a later binding frees them.
  EXPECT_EQ(target->Release(), 0u);
  EXPECT_EQ(texture->Release(), 0u);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(decl->Release(), 0u);
  EXPECT_EQ(RefCount(device), 1u);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF102030, 1.0f, 0), D3D_OK);
  ASSERT_EQ(device->BeginScene(), D3D_OK);
  EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
  device->EndScene();
  IDirect3DSurface9* bound = nullptr;
  ASSERT_EQ(device->GetRenderTarget(0, &bound), D3D_OK);
  EXPECT_EQ(bound, target);
  EXPECT_EQ(RefCount(device), 2u);  // taken up again, it holds the device again
  EXPECT_EQ(bound->Release(), 0u);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device->SetRenderTarget(0, backBuffer);
  backBuffer->Release();
  device->SetTexture(0, nullptr);
  device->SetStreamSource(0, nullptr, 0, 0);
  device->SetFVF(D3DFVF_XYZ);  // lets go of the declaration
  EXPECT_EQ(RefCount(device), 1u);
  // A texture's level bound as a target keeps its texture.
  IDirect3DTexture9* targetTexture = nullptr;
  ASSERT_EQ(device->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &targetTexture,
                                  nullptr),
            D3D_OK);
  ASSERT_EQ(targetTexture->GetSurfaceLevel(0, &level), D3D_OK);
  device->SetRenderTarget(0, level);
  EXPECT_EQ(level->Release(), 1u);
  EXPECT_EQ(targetTexture->Release(), 0u);
  EXPECT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF405060, 1.0f, 0), D3D_OK);
  EXPECT_EQ(ReadBack(level).front(), 0xFF405060u);
  device->SetRenderTarget(0, backBuffer);

  // A device released past its count (the runner's last release does so) leaves the objects
  // still held as empty shells that can still be released.
  IDirect3DDevice9* second = MakeDevice(16, 16);
  ASSERT_NE(second, nullptr);
  IDirect3DTexture9* orphan = nullptr;
  ASSERT_EQ(second->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &orphan, nullptr), D3D_OK);
  IDirect3DSurface9* orphanBack = nullptr;
  second->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &orphanBack);
  second->SetTexture(0, orphan);
  EXPECT_EQ(second->Release(), 2u);
  while (second->Release() > 0) {
  }
  IDirect3DDevice9* owner = reinterpret_cast<IDirect3DDevice9*>(1);
  EXPECT_EQ(orphan->GetDevice(&owner), D3DERR_INVALIDCALL);
  EXPECT_EQ(owner, nullptr);
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(orphan->LockRect(0, &locked, nullptr, 0), D3D_OK);  // its memory copy stays
  EXPECT_EQ(orphan->UnlockRect(0), D3D_OK);
  EXPECT_EQ(orphan->Release(), 0u);
  EXPECT_EQ(orphanBack->Release(), 0u);
}

TEST_F(GLDeviceTest, ImagesLoadToTheExpectedPixelsWithTheirInformation) {
  // PNG: 3 x 2 with alpha, into the managed pool and through the default pool's staging copy.
  const std::vector<uint32_t> argb = {0xFF112233, 0x80FFFFFF, 0x00000000, 0xFFFF0000, 0x4000FF00, 0xC00000FF};
  const std::vector<uint8_t> png = MakePNG(argb, 3, 2, true);
  for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_DEFAULT}) {
    SCOPED_TRACE(pool == D3DPOOL_MANAGED ? "managed" : "default");
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, png.data(), static_cast<UINT>(png.size()), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, static_cast<D3DFORMAT>(D3DX_DEFAULT),
                                                  pool, D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(info.Width, 3u);
    EXPECT_EQ(info.Height, 2u);
    EXPECT_EQ(info.MipLevels, 1u);
    EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, 3u);  // no rounding up to powers of two
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, pool);
    std::vector<uint8_t> gl;
    ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
    for (unsigned i = 0; i < 6; ++i) EXPECT_EQ(PixelAt(gl, 3, i % 3, i / 3), argb[i]) << "pixel " << i;
    texture->Release();
  }

  // DDS DXT5, 8 x 4: two blocks chosen so that every decoder agrees to the bit.
  // Block 0: alpha 70 and 0 (eight steps of 10); red and blue (thirds 170 and 85).
  // Block 1: alpha 0 and 200 (six-step mode with 0 and 255); white and black.
  auto block = [](uint8_t a0, uint8_t a1, uint16_t c0, uint16_t c1) {
    std::vector<uint8_t> b = {a0, a1};
    uint64_t alphaBits = 0;
    for (int i = 0; i < 16; ++i) alphaBits |= static_cast<uint64_t>(i % 8) << (3 * i);
    for (int i = 0; i < 6; ++i) b.push_back(static_cast<uint8_t>(alphaBits >> (8 * i)));
    b.push_back(static_cast<uint8_t>(c0));
    b.push_back(static_cast<uint8_t>(c0 >> 8));
    b.push_back(static_cast<uint8_t>(c1));
    b.push_back(static_cast<uint8_t>(c1 >> 8));
    for (int i = 0; i < 4; ++i) b.push_back(0xE4);  // indices 0, 1, 2, 3 across every row
    return b;
  };
  std::vector<uint8_t> blocks = block(70, 0, 0xF800, 0x001F);
  std::vector<uint8_t> second = block(0, 200, 0xFFFF, 0x0000);
  blocks.insert(blocks.end(), second.begin(), second.end());
  const uint8_t alpha0[8] = {70, 0, 60, 50, 40, 30, 20, 10};
  const uint8_t alpha1[8] = {0, 200, 40, 80, 120, 160, 0, 255};
  const uint32_t colour0[4] = {0xFF0000, 0x0000FF, 0xAA0055, 0x5500AA};
  const uint32_t colour1[4] = {0xFFFFFF, 0x000000, 0xAAAAAA, 0x555555};
  auto expected = [&](unsigned x, unsigned y) {
    const unsigned i = y * 4 + (x % 4);
    const bool first = x < 4;
    return (static_cast<uint32_t>(first ? alpha0[i % 8] : alpha1[i % 8]) << 24) |
           (first ? colour0[x % 4] : colour1[x % 4]);
  };
  const std::vector<uint8_t> dds = MakeDDS(D3DFMT_DXT5, 8, 4, 1, blocks);
  for (bool software : {false, true}) {
    SCOPED_TRACE(software ? "decoded in software" : "decoded by OpenGL");
    D3D9GL_ForceSoftwareDXT(software);
    D3DXIMAGE_INFO info{};
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, dds.data(), static_cast<UINT>(dds.size()), D3DX_DEFAULT,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                  D3DX_DEFAULT, D3DX_DEFAULT, 0, &info, nullptr, &texture),
              D3D_OK);
    EXPECT_EQ(info.Width, 8u);
    EXPECT_EQ(info.Height, 4u);
    EXPECT_EQ(info.Format, D3DFMT_DXT5);
    EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_DXT5);
    std::vector<uint8_t> gl;
    ASSERT_TRUE(D3D9GL_ReadTextureLevel(texture, 0, &gl));
    // Decoders may round interpolated steps either way; ours is exact to its formula.
    const int tolerance = software ? 0 : 1;
    for (unsigned y = 0; y < 4; ++y) {
      for (unsigned x = 0; x < 8; ++x) {
        const uint32_t got = PixelAt(gl, 8, x, y), want = expected(x, y);
        for (int shift = 0; shift < 32; shift += 8) {
          const int g = static_cast<int>((got >> shift) & 255), w = static_cast<int>((want >> shift) & 255);
          EXPECT_LE(std::abs(g - w), tolerance) << x << "," << y << " channel " << shift / 8;
        }
      }
    }
    // Locking a compressed level hands out the blocks as stored.
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(locked.Pitch, 32);
    EXPECT_EQ(std::memcmp(locked.pBits, blocks.data(), blocks.size()), 0);
    texture->UnlockRect(0);
    texture->Release();
  }
}

}  // namespace

namespace {

TEST(GLUnavailable, SaysSoInOneClearMessage) {
  // A fresh process: the machine is probed once per process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        setenv("SDL_VIDEODRIVER", "no-such-driver", 1);
        IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
        std::fprintf(stderr, "%s\n", Direct3D9_LastError());
        std::exit(d3d == nullptr ? 3 : 4);
      },
      ::testing::ExitedWithCode(3), "This machine has no usable OpenGL 3.3 \\(.+\\)\\.");
}

// What the device's window context answers about the driver is what a context of the probe's own
// would answer, so none is made when the layer's context is current.
int ProbeThroughTheWindowContext() {
  SDL_Window* window = SDL_CreateWindow("probe test", 0, 0, 8, 8, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (window == nullptr) return 10;
  // A context made outside the layer is not taken for one of its own.
  SDL_GLContext foreign = SDL_GL_CreateContext(window);
  if (foreign == nullptr || GLWindow_OwnsCurrentContext()) return 11;
  SDL_GL_MakeCurrent(window, nullptr);
  SDL_GL_DeleteContext(foreign);
  GLWindow* attached = GLWindow_Attach(window);
  if (attached == nullptr || !GLWindow_OwnsCurrentContext()) return 12;
  IDirect3D9* d3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (d3d == nullptr) return 13;
  D3DADAPTER_IDENTIFIER9 id{};
  D3DCAPS9 caps{};
  if (d3d->GetAdapterIdentifier(0, 0, &id) != D3D_OK || d3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps) != D3D_OK) {
    return 14;
  }
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  const std::string renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  if (renderer != id.Description || caps.MaxTextureWidth != std::min<DWORD>(maxSide, kD3D9MaxTextureSide)) return 15;
  // Windows are numbered in order: a probe window that came and went would have used a number.
  SDL_Window* next = SDL_CreateWindow("next", 0, 0, 8, 8, SDL_WINDOW_HIDDEN);
  if (next == nullptr || SDL_GetWindowID(next) != SDL_GetWindowID(window) + 1) return 16;
  SDL_DestroyWindow(next);
  d3d->Release();
  GLWindow_Destroy(attached);
  if (GLWindow_OwnsCurrentContext()) return 17;
  SDL_DestroyWindow(window);
  return 3;
}

TEST(GLMachineProbe, AsksTheLayersCurrentContextInsteadOfMakingOne) {
  // A fresh process: the machine is probed once per process.
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        EnsureOffscreenVideo();
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) std::exit(9);
        std::exit(ProbeThroughTheWindowContext());
      },
      ::testing::ExitedWithCode(3), "");
}

}  // namespace
