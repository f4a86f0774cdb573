// Texture pages from PNG keep their stored bytes: a gamma chunk changes no pixel.
#include <gtest/gtest.h>
#include <png.h>

#include <memory>
#include <vector>

#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"

namespace {

void Append(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

// A 2 x 1 PNG of the given colour type from 8-bit samples, with a gAMA chunk when gamma > 0.
std::vector<uint8_t> MakePNG(int colourType, const std::vector<uint8_t>& samples, double gamma) {
  std::vector<uint8_t> bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    return {};
  }
  png_set_write_fn(png, &bytes, &Append, &NoFlush);
  png_set_IHDR(png, info, 2, 1, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (gamma > 0) png_set_gAMA(png, info, gamma);
  png_write_info(png, info);
  std::vector<uint8_t> row = samples;
  png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

TEST(PNGPages, StoredBytesLoadAsTheyAreWithOrWithoutAGammaChunk) {
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp{};
  pp.BackBufferWidth = 16;
  pp.BackBufferHeight = 16;
  pp.BackBufferFormat = D3DFMT_A8R8G8B8;
  pp.SwapEffect = D3DSWAPEFFECT_COPY;
  pp.Windowed = TRUE;
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  struct Case {
    const char* name;
    int colourType;
    std::vector<uint8_t> samples;
    double gamma;
    uint32_t first, second;  // A8R8G8B8
  };
  const Case cases[] = {
      {"RGBA, gamma 1.0", PNG_COLOR_TYPE_RGBA, {0x80, 0x40, 0x20, 0xC8, 1, 2, 3, 4}, 1.0, 0xC8804020u, 0x04010203u},
      {"RGBA, gamma 1/2.2", PNG_COLOR_TYPE_RGBA, {0x80, 0x40, 0x20, 0xC8, 1, 2, 3, 4}, 1 / 2.2, 0xC8804020u, 0x04010203u},
      {"RGBA, no gamma", PNG_COLOR_TYPE_RGBA, {0x80, 0x40, 0x20, 0xC8, 1, 2, 3, 4}, 0, 0xC8804020u, 0x04010203u},
      {"RGB, gamma 1.0", PNG_COLOR_TYPE_RGB, {0x80, 0x40, 0x20, 9, 8, 7}, 1.0, 0xFF804020u, 0xFF090807u},
      {"grey and alpha, gamma 1.0", PNG_COLOR_TYPE_GRAY_ALPHA, {0x55, 0x80, 0xAA, 0xFF}, 1.0, 0x80555555u, 0xFFAAAAAAu},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<uint8_t> file = MakePNG(c.colourType, c.samples, c.gamma);
    ASSERT_FALSE(file.empty());
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), static_cast<UINT>(file.size()), 0, 0, 1, 0,
                                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_POINT,
                                                  D3DX_FILTER_POINT, 0, nullptr, nullptr, &texture),
              D3D_OK);
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* pixels = static_cast<const uint32_t*>(locked.pBits);
    EXPECT_EQ(pixels[0], c.first);
    EXPECT_EQ(pixels[1], c.second);
    texture->UnlockRect(0);
    texture->Release();
  }
  device->Release();
}

TEST(PNGPages, DamagedFilesAreRefused) {
  std::vector<uint8_t> file = MakePNG(PNG_COLOR_TYPE_RGBA, {1, 2, 3, 4, 5, 6, 7, 8}, 1.0);
  D3DXIMAGE_INFO info{};
  ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(file.data(), static_cast<UINT>(file.size()), &info), D3D_OK);
  EXPECT_EQ(info.Width, 2u);
  EXPECT_EQ(info.Format, D3DFMT_A8R8G8B8);
  file.resize(file.size() - 20);  // the image data cut short
  auto log = std::make_shared<D3D9RecordingLog>();
  D3DPRESENT_PARAMETERS pp{16, 16, D3DFMT_A8R8G8B8, 1, D3DMULTISAMPLE_NONE, 0, D3DSWAPEFFECT_COPY, nullptr, TRUE,
                           FALSE, D3DFMT_UNKNOWN, 0, 0, 0};
  IDirect3DDevice9* device = D3D9_CreateRecordingDevice(log, &pp);
  ASSERT_NE(device, nullptr);
  IDirect3DTexture9* texture = nullptr;
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, file.data(), static_cast<UINT>(file.size()), &texture),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(texture, nullptr);
  device->Release();
}

}  // namespace
