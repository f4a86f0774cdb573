// The recording device: its log, its failure injection and the device rules it shares with the
// OpenGL device. No OpenGL is involved.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/d3d9.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3d9_test_util.h"
#include "platform/d3dx/d3dx9.h"

namespace {

D3DPRESENT_PARAMETERS Params(UINT width, UINT height) {
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = width;
  pp.BackBufferHeight = height;
  pp.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp.BackBufferCount = 1;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  pp.Windowed = TRUE;
  pp.EnableAutoDepthStencil = TRUE;
  pp.AutoDepthStencilFormat = D3DFMT_D24S8;
  pp.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  return pp;
}

TEST(RecordingDevice, LogsTheCallsOfAFrameInOrderWithTheirArguments) {
  auto log = std::make_shared<D3D9RecordingLog>();
  IDirect3D9* d3d = D3D9_CreateRecordingDirect3D(log);
  D3DPRESENT_PARAMETERS pp = Params(320, 240);
  IDirect3DDevice9* device = nullptr;
  ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &device), D3D_OK);

  IDirect3DTexture9* texture = nullptr;
  IDirect3DSurface9* level = nullptr;
  IDirect3DSurface9* backBuffer = nullptr;
  D3DLOCKED_RECT locked{};
  RECT part{0, 0, 2, 2};
  D3DVIEWPORT9 vp{8, 4, 100, 50, 0.0f, 1.0f};
  D3DRECT rect{1, 2, 3, 4};
  device->BeginScene();
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL, 0xFF000000, 1.0f, 0);
  device->CreateTexture(64, 32, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr);
  texture->GetSurfaceLevel(0, &level);
  device->SetRenderTarget(0, level);
  device->SetViewport(&vp);
  device->Clear(1, &rect, D3DCLEAR_TARGET, 0x80FF8040, 0.5f, 3);
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device->SetRenderTarget(0, backBuffer);
  device->StretchRect(level, &part, backBuffer, nullptr, D3DTEXF_LINEAR);
  level->LockRect(&locked, nullptr, D3DLOCK_READONLY);  // refused: render-target levels do not lock
  device->EndScene();
  device->Present(nullptr, nullptr, nullptr, nullptr);

  const std::vector<std::string> expected = {
      "d3d.CreateDevice(0, 1, null, 0x42, {320, 240, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000}) -> device",
      "BeginScene()",
      "Clear(0, null, 0x7, 0xFF000000, 1, 0)",
      "CreateTexture(64, 32, 1, 0x1, A8R8G8B8, DEFAULT) -> texture1",
      "texture1.GetSurfaceLevel(0) -> texture1.level0",
      "SetRenderTarget(0, texture1.level0)",
      "SetViewport({8, 4, 100, 50, 0, 1})",
      "Clear(1, {{1, 2, 3, 4}}, 0x1, 0x80FF8040, 0.5, 3)",
      "GetBackBuffer(0, 0, 0) -> backbuffer",
      "SetRenderTarget(0, backbuffer)",
      "StretchRect(texture1.level0, {0, 0, 2, 2}, backbuffer, null, 2)",
      "texture1.level0.LockRect(null, 0x10) -> FAILED 0x8876086C",
      "EndScene()",
      "Present(null, null, null, null)",
  };
  EXPECT_EQ(log->Lines(), expected);

  backBuffer->Release();
  level->Release();
  texture->Release();
  EXPECT_EQ(device->Release(), 0u);
  EXPECT_EQ(d3d->Release(), 0u);
}

TEST(RecordingDevice, InjectedFailuresAnswerOnceAndInOrder) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(64, 64);
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  log->FailNext("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  log->FailNext("Reset", D3DERR_DEVICELOST);
  log->FailNext("Reset", D3DERR_INVALIDCALL);
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
  D3DPRESENT_PARAMETERS bigger = Params(128, 96);
  EXPECT_EQ(device->Reset(&bigger), D3DERR_DEVICELOST);
  EXPECT_EQ(device->Reset(&bigger), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->Reset(&bigger), D3D_OK);
  D3DVIEWPORT9 vp{};
  device->GetViewport(&vp);
  EXPECT_EQ(vp.Width, 128u);
  const std::vector<std::string> expected = {
      "CreateTexture(8, 8, 1, 0x0, A8R8G8B8, MANAGED) -> FAILED 0x8876017C",
      "CreateTexture(8, 8, 1, 0x0, A8R8G8B8, MANAGED) -> texture1",
      "Reset({128, 96, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000}) -> FAILED 0x88760868",
      "Reset({128, 96, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000}) -> FAILED 0x8876086C",
      "Reset({128, 96, A8R8G8B8, 1, 0, 3, 1, 1, D24S8, 0x80000000})",
      "GetViewport()",
  };
  EXPECT_EQ(log->Lines(), expected);
  texture->Release();
  device->Release();
}

TEST(RecordingDevice, KeepsTheDeviceRulesAndReferenceCounts) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(0, 0);  // zero sizes take the window's
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  EXPECT_EQ(pp.BackBufferWidth, 640u);
  EXPECT_EQ(pp.BackBufferHeight, 480u);

  IDirect3DSurface9* target = nullptr;
  ASSERT_EQ(device->CreateRenderTarget(16, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &target, nullptr), D3D_OK);
  D3DVIEWPORT9 vp{1, 1, 2, 2, 0, 1};
  device->SetViewport(&vp);
  ASSERT_EQ(device->SetRenderTarget(0, target), D3D_OK);
  device->GetViewport(&vp);
  EXPECT_EQ(vp.X, 0u);
  EXPECT_EQ(vp.Width, 16u);
  EXPECT_EQ(vp.Height, 8u);
  EXPECT_EQ(device->SetRenderTarget(0, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device->SetRenderTarget(4, target), D3DERR_INVALIDCALL);
  IDirect3DSurface9* none = nullptr;
  EXPECT_EQ(device->GetRenderTarget(2, &none), D3DERR_NOTFOUND);
  EXPECT_EQ(device->CreateRenderTarget(16, 8, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, TRUE, &none, nullptr),
            D3DERR_INVALIDCALL);  // lockable and multisampled do not go together

  // Locks hand out memory that keeps what was written.
  ASSERT_EQ(FillSurface(target, std::vector<uint32_t>(128, 0xCAFEF00D)), D3D_OK);
  EXPECT_EQ(LockPixels(target), std::vector<uint32_t>(128, 0xCAFEF00D));

  log->SetLogReferences(true);
  log->Clear();
  IDirect3DSurface9* got = nullptr;
  device->GetRenderTarget(0, &got);
  EXPECT_EQ(got, target);
  EXPECT_EQ(got->Release(), 2u);  // the caller's and the device's binding
  IDirect3DSurface9* backBuffer = nullptr;
  device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer);
  device->SetRenderTarget(0, backBuffer);
  EXPECT_EQ(target->Release(), 0u);
  backBuffer->Release();
  const std::vector<std::string> expected = {
      "surface1.AddRef() -> 3",
      "GetRenderTarget(0) -> surface1",
      "surface1.Release() -> 2",
      "backbuffer.AddRef() -> 1",
      "GetBackBuffer(0, 0, 0) -> backbuffer",
      "backbuffer.AddRef() -> 2",
      "surface1.Release() -> 1",
      "SetRenderTarget(0, backbuffer)",
      "surface1.Release() -> 0",
      "backbuffer.Release() -> 1",
  };
  EXPECT_EQ(log->Lines(), expected);

  // Textures outliving the device become inert but still release.
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(device->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &texture, nullptr), D3D_OK);
  D3DLOCKED_RECT locked{};
  EXPECT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // default pool
  EXPECT_EQ(device->Release(), 0u);
  IDirect3DDevice9* owner = nullptr;
  EXPECT_EQ(texture->GetDevice(&owner), D3DERR_INVALIDCALL);
  EXPECT_EQ(texture->Release(), 0u);
}

TEST(RecordingDevice, AnswersTheAdapterQueriesFromItsConfiguration) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3D9RecordingConfig config;
  config.adapters[0].description = "Example Adapter 7";
  config.adapters[0].modes.push_back({800, 600, 60, D3DFMT_R5G6B5});
  D3D9RecordingAdapter second;
  second.desktop = {1920, 1080, 75, D3DFMT_X8R8G8B8};
  config.adapters.push_back(second);
  config.sampleCounts = {2, 4};
  IDirect3D9* d3d = D3D9_CreateRecordingDirect3D(log, config);
  ASSERT_EQ(d3d->GetAdapterCount(), 2u);
  D3DADAPTER_IDENTIFIER9 id{};
  ASSERT_EQ(d3d->GetAdapterIdentifier(0, 0, &id), D3D_OK);
  EXPECT_STREQ(id.Description, "Example Adapter 7");
  EXPECT_EQ(d3d->GetAdapterIdentifier(2, 0, &id), D3DERR_INVALIDCALL);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_X8R8G8B8), 3u);
  EXPECT_EQ(d3d->GetAdapterModeCount(0, D3DFMT_R5G6B5), 1u);
  D3DDISPLAYMODE mode{};
  ASSERT_EQ(d3d->EnumAdapterModes(0, D3DFMT_R5G6B5, 0, &mode), D3D_OK);
  EXPECT_EQ(mode.Width, 800u);
  ASSERT_EQ(d3d->GetAdapterDisplayMode(1, &mode), D3D_OK);
  EXPECT_EQ(mode.RefreshRate, 75u);
  D3DCAPS9 caps{};
  ASSERT_EQ(d3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps), D3D_OK);
  EXPECT_EQ(caps.AdapterOrdinal, 1u);
  EXPECT_EQ(caps.MasterAdapterOrdinal, 1u);
  EXPECT_EQ(d3d->GetDeviceCaps(0, D3DDEVTYPE_REF, &caps), D3DERR_NOTAVAILABLE);
  EXPECT_NE(d3d->GetAdapterMonitor(0), d3d->GetAdapterMonitor(1));
  struct SampleCase {
    DWORD samples;
    HRESULT expected;
  };
  for (SampleCase c : {SampleCase{0, D3D_OK}, SampleCase{2, D3D_OK}, SampleCase{4, D3D_OK},
                       SampleCase{8, D3DERR_NOTAVAILABLE}, SampleCase{3, D3DERR_NOTAVAILABLE}}) {
    EXPECT_EQ(d3d->CheckDeviceMultiSampleType(0, D3DDEVTYPE_HAL, D3DFMT_A8R8G8B8, TRUE,
                                              static_cast<D3DMULTISAMPLE_TYPE>(c.samples), nullptr),
              c.expected)
        << c.samples;
  }
  EXPECT_EQ(log->Lines().front(), "d3d.GetAdapterCount() -> 2");
  d3d->Release();
}

TEST(RecordingDevice, ImageLoadingFillsDefaultPoolTexturesThroughASystemMemoryCopy) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp = Params(64, 64);
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  const std::vector<uint8_t> png = MakePNG({0xFF0000FF, 0xFF00FF00}, 2, 1, true);
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, png.data(), static_cast<UINT>(png.size()), D3DX_DEFAULT,
                                                D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_DEFAULT,
                                                D3DX_DEFAULT, D3DX_DEFAULT, 0, nullptr, nullptr, &texture),
            D3D_OK);
  const std::vector<std::string> expected = {
      "CreateTexture(2, 1, 1, 0x0, A8R8G8B8, DEFAULT) -> texture1",
      "CreateTexture(2, 1, 1, 0x0, A8R8G8B8, SYSTEMMEM) -> texture2",
      "texture2.LockRect(0, null, 0x0)",
      "texture2.UnlockRect(0)",
      "UpdateTexture(texture2, texture1)",
  };
  EXPECT_EQ(log->Lines(), expected);
  texture->Release();

  // A failed creation leaves nothing behind and passes the device's answer on.
  log->FailNext("CreateTexture", D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, png.data(), static_cast<UINT>(png.size()), &texture),
            D3DERR_OUTOFVIDEOMEMORY);
  EXPECT_EQ(texture, nullptr);
  device->Release();
}

}  // namespace
