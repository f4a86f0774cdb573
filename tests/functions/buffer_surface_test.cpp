// buffer_get_surface and buffer_set_surface on pixels of the OpenGL device: surface 0 is a
// lockable render target of the device, reached through the buffer's surface access.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "functions/buffer_functions.h"
#include "functions/math_call.h"
#include "platform/d3d9/d3d9.h"
#include "platform/d3d9_test_util.h"

namespace {

using math_test::CallReal;
using math_test::Real;

constexpr UINT kWidth = 3;
constexpr UINT kHeight = 2;

IDirect3DSurface9* g_target = nullptr;

bool TargetExists(int32_t surface) { return surface == 0 && g_target != nullptr; }

bool TargetSize(int32_t, int32_t* width, int32_t* height) {
  *width = kWidth;
  *height = kHeight;
  return true;
}

bool TargetRead(int32_t, std::vector<uint8_t>* pixels) {
  D3DLOCKED_RECT locked{};
  if (g_target->LockRect(&locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return false;
  pixels->resize(kWidth * kHeight * 4);
  for (UINT y = 0; y < kHeight; ++y) {
    std::memcpy(pixels->data() + y * kWidth * 4, static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch, kWidth * 4);
  }
  g_target->UnlockRect();
  return true;
}

bool TargetWrite(int32_t, const uint8_t* pixels) {
  D3DLOCKED_RECT locked{};
  if (g_target->LockRect(&locked, nullptr, 0) != D3D_OK) return false;
  for (UINT y = 0; y < kHeight; ++y) {
    std::memcpy(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch, pixels + y * kWidth * 4, kWidth * 4);
  }
  g_target->UnlockRect();
  return true;
}

const BufferSurfaceAccess kTargetAccess = {TargetExists, TargetSize, TargetRead, TargetWrite};

class BufferSurfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    EnsureOffscreenVideo();
    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d, nullptr) << Direct3D9_LastError();
    D3DPRESENT_PARAMETERS pp = WindowedPresentParams(8, 8);
    ASSERT_EQ(d3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0x42, &pp, &device), D3D_OK);
    ASSERT_EQ(device->CreateRenderTarget(kWidth, kHeight, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, TRUE, &g_target,
                                         nullptr),
              D3D_OK);
    ASSERT_EQ(device->SetRenderTarget(0, g_target), D3D_OK);
    previous = Buffer_GetSurfaceAccess();
    Buffer_SetSurfaceAccess(&kTargetAccess);
    Builtin_Shutdown();
    InitBufferFunctions();
  }
  void TearDown() override {
    Buffer_FreeAll();
    Builtin_Shutdown();
    Buffer_SetSurfaceAccess(previous);
    if (g_target != nullptr) g_target->Release();
    g_target = nullptr;
    if (device != nullptr) device->Release();
    if (d3d != nullptr) d3d->Release();
  }

  IDirect3D9* d3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  const BufferSurfaceAccess* previous = nullptr;
  RuntimeErrorCapture errors;
};

TEST_F(BufferSurfaceTest, ASurfaceClearedToRedReadsAsBlueGreenRedAlphaBytes) {
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), D3D_OK);
  const double b = CallReal("buffer_create", {Real(kWidth * kHeight * 4), Real(eBuffer_Format_Fixed), Real(1)});
  EXPECT_EQ(CallReal("buffer_get_surface", {Real(b), Real(0), Real(0), Real(0), Real(0)}), -1);
  EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
  const IBuffer* buffer = GetBuffer(static_cast<int32_t>(b));
  for (UINT i = 0; i < kWidth * kHeight; ++i) {
    const uint8_t* p = buffer->GetData() + 4 * i;
    EXPECT_EQ(std::vector<uint8_t>(p, p + 4), (std::vector<uint8_t>{0, 0, 255, 255})) << "pixel " << i;
  }
}

TEST_F(BufferSurfaceTest, BytesWrittenIntoTheSurfaceReadBack) {
  ASSERT_EQ(device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000u, 1.0f, 0), D3D_OK);
  const int32_t source = static_cast<int32_t>(CallReal("buffer_create", {Real(2 + kWidth * kHeight * 4), Real(0), Real(1)}));
  uint8_t* data = GetBuffer(source)->GetData();
  for (UINT i = 0; i < kWidth * kHeight * 4; ++i) data[2 + i] = static_cast<uint8_t>(i * 9);
  EXPECT_EQ(CallReal("buffer_set_surface", {Real(source), Real(0), Real(0), Real(2), Real(100)}), -1);
  // Read back with a row gap of 4: rows at 0 and 16.
  const int32_t dest = static_cast<int32_t>(CallReal("buffer_create", {Real(28), Real(0), Real(1)}));
  CallReal("buffer_get_surface", {Real(dest), Real(0), Real(0), Real(0), Real(4)});
  const uint8_t* out = GetBuffer(dest)->GetData();
  for (UINT x = 0; x < kWidth * 4; ++x) {
    EXPECT_EQ(out[x], data[2 + x]);
    EXPECT_EQ(out[16 + x], data[2 + kWidth * 4 + x]);
  }
  EXPECT_EQ(out[12], 0);  // the gap is left alone
  EXPECT_FALSE(RuntimeErrorCapture::Reported()) << RuntimeErrorCapture::LastError();
}

}  // namespace
