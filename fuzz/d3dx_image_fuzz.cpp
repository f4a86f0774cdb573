// Feeds arbitrary bytes to the image loaders of the graphics layer (PNG and DDS): reading the
// image information and making a texture from it must refuse bad files cleanly, never read
// outside the input and never allocate beyond the size limit.
#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"

namespace {

IDirect3DDevice9* Device() {
  static IDirect3DDevice9* device = [] {
    auto log = std::make_shared<D3D9RecordingLog>();
    log->SetRecording(false);
    D3DPRESENT_PARAMETERS pp{16, 16, D3DFMT_A8R8G8B8, 1, D3DMULTISAMPLE_NONE, 0, D3DSWAPEFFECT_COPY, nullptr, TRUE,
                             FALSE, D3DFMT_UNKNOWN, 0, 0, 0};
    return D3D9_CreateRecordingDevice(log, &pp);
  }();
  return device;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  const UINT n = static_cast<UINT>(size);
  D3DXIMAGE_INFO info{};
  const HRESULT hr = D3DXGetImageInfoFromFileInMemory(data, n, &info);
  if (SUCCEEDED(hr) && (info.Width == 0 || info.Height == 0)) __builtin_trap();
  IDirect3DTexture9* texture = nullptr;
  // The file's own size and format, and a resampled copy in the common format.
  if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(Device(), data, n, 0, 0, 0, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                                                    D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0, nullptr, nullptr,
                                                    &texture))) {
    texture->Release();
  }
  texture = nullptr;
  if (SUCCEEDED(D3DXCreateTextureFromFileInMemoryEx(Device(), data, n, 7, 5, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                    D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0xFF000000u, nullptr,
                                                    nullptr, &texture))) {
    texture->Release();
  }
  return 0;
}
