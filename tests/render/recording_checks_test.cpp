// The recording device refuses what the OpenGL device refuses: both run the same resource checks.
#include <gtest/gtest.h>

#include <memory>

#include "platform/d3d9/recording_device.h"

namespace {

TEST(RecordingChecks, StretchRectRefusesMultisampledTargetsAndOtherDevicesSurfaces) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp{32, 32, D3DFMT_A8R8G8B8, 1, D3DMULTISAMPLE_NONE, 0, D3DSWAPEFFECT_COPY, nullptr, TRUE,
                           FALSE, D3DFMT_UNKNOWN, 0, 0, 0};
  IDirect3DDevice9* a = D3D9_CreateRecordingDevice(log, &pp);
  IDirect3DDevice9* b = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(a, nullptr);
  ASSERT_NE(b, nullptr);
  IDirect3DSurface9 *plain = nullptr, *multi = nullptr, *other = nullptr, *back = nullptr;
  ASSERT_EQ(a->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &plain, nullptr), D3D_OK);
  ASSERT_EQ(a->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE, &multi, nullptr), D3D_OK);
  ASSERT_EQ(b->CreateRenderTarget(16, 16, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE, &other, nullptr), D3D_OK);
  ASSERT_EQ(a->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  EXPECT_EQ(a->StretchRect(back, nullptr, plain, nullptr, D3DTEXF_NONE), D3D_OK);
  EXPECT_EQ(a->StretchRect(multi, nullptr, plain, nullptr, D3DTEXF_NONE), D3D_OK);  // resolving is allowed
  EXPECT_EQ(a->StretchRect(back, nullptr, multi, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(a->StretchRect(back, nullptr, other, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  EXPECT_EQ(a->StretchRect(other, nullptr, plain, nullptr, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  const RECT outside{8, 8, 17, 12};
  EXPECT_EQ(a->StretchRect(back, nullptr, plain, &outside, D3DTEXF_NONE), D3DERR_INVALIDCALL);
  back->Release();
  plain->Release();
  multi->Release();
  other->Release();
  a->Release();
  b->Release();
}

TEST(RecordingChecks, OnlyThirtyTwoBitTargetsAreMultisampled) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp{32, 32, D3DFMT_A8R8G8B8, 1, D3DMULTISAMPLE_NONE, 0, D3DSWAPEFFECT_COPY, nullptr, TRUE,
                           FALSE, D3DFMT_UNKNOWN, 0, 0, 0};
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  IDirect3DSurface9* surface = nullptr;
  EXPECT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A4R4G4B4, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE, &surface, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(surface, nullptr);
  ASSERT_EQ(device->CreateRenderTarget(16, 16, D3DFMT_A4R4G4B4, D3DMULTISAMPLE_NONE, 0, FALSE, &surface, nullptr), D3D_OK);
  surface->Release();
  device->Release();
}

}  // namespace
