// The built-in image table: its entries, read through the graphics layer's image loading, the
// particle shapes' extents and caps, the font sheet's glyph table, and the generator's output
// being the same on every run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "assets/embedded_images.h"
#include "assets/lifecycle.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3dx/d3dx9.h"

namespace {

class EmbeddedImages : public ::testing::Test {
 protected:
  void SetUp() override {
    GR_SetEmbeddedTextures(g_EmbeddedImages);
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 16;
    pp.BackBufferHeight = 16;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    device = D3D9_CreateRecordingDevice(std::make_shared<D3D9RecordingLog>(), &pp);
    ASSERT_NE(device, nullptr);
  }
  void TearDown() override {
    device->Release();
    GR_SetEmbeddedTextures(nullptr);
  }

  // The image's alpha plane as the texture loader decodes it (width x height bytes).
  std::vector<uint8_t> Alpha(int32_t index, UINT* width, UINT* height) {
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    EXPECT_TRUE(GR_GetEmbeddedImage(index, &data, &length));
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, data, length, D3DX_DEFAULT, D3DX_DEFAULT, 1, 0,
                                                  D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  nullptr, nullptr, &texture),
              D3D_OK);
    std::vector<uint8_t> alpha;
    if (texture == nullptr) return alpha;
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    for (UINT y = 0; y < desc.Height; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
      for (UINT x = 0; x < desc.Width; ++x) {
        EXPECT_EQ(row[x * 4] & row[x * 4 + 1] & row[x * 4 + 2], 0xFF) << "white at " << x << ", " << y;
        alpha.push_back(row[x * 4 + 3]);
      }
    }
    texture->UnlockRect(0);
    texture->Release();
    *width = desc.Width;
    *height = desc.Height;
    return alpha;
  }

  IDirect3DDevice9* device = nullptr;
};

TEST_F(EmbeddedImages, IndexesOutsideTheTableGiveNothing) {
  const uint8_t* data = nullptr;
  uint32_t length = 7;
  for (int32_t index : {17, -1, 1 << 30}) {
    EXPECT_FALSE(GR_GetEmbeddedImage(index, &data, &length));
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(length, 0u);
  }
  GR_SetEmbeddedTextures(nullptr);
  EXPECT_FALSE(GR_GetEmbeddedImage(0, &data, &length));
  EXPECT_EQ(GR_EmbeddedTexturesLength(), 0u);
}

TEST_F(EmbeddedImages, EveryEntryDecodesAtItsSize) {
  uint32_t total = 0;
  for (int32_t index = 0; index < kEmbeddedImageCount; ++index) {
    SCOPED_TRACE(index);
    const uint8_t* data = nullptr;
    uint32_t length = 0;
    ASSERT_TRUE(GR_GetEmbeddedImage(index, &data, &length));
    ASSERT_GE(data, g_EmbeddedImages);
    ASSERT_LE(data + length, g_EmbeddedImages + g_EmbeddedImagesSize);
    total += length;
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(data, length, &info), D3D_OK);
    if (index < kEmbeddedFontSheet) {
      EXPECT_EQ(length, 4224u);
      EXPECT_EQ(info.ImageFileFormat, D3DXIFF_DDS);
      EXPECT_EQ(info.Format, D3DFMT_DXT5);
      EXPECT_EQ(info.Width, 64u);
      EXPECT_EQ(info.Height, 64u);
    } else if (index == kEmbeddedFontSheet) {
      EXPECT_EQ(length, 32896u);
      EXPECT_EQ(info.Format, D3DFMT_DXT5);
      EXPECT_EQ(info.Width, 256u);
      EXPECT_EQ(info.Height, 128u);
    } else {
      EXPECT_EQ(info.ImageFileFormat, D3DXIFF_PNG);
    }
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, data, length, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                  nullptr, nullptr, &texture),
              D3D_OK);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Width, info.Width);
    EXPECT_EQ(desc.Height, info.Height);
    texture->Release();
  }
  EXPECT_EQ(GR_EmbeddedTexturesLength(), total);
}

// The first and last column (or row) whose alpha reaches one half, along one row (or column).
std::pair<int, int> HalfSpan(const std::vector<uint8_t>& alpha, int fixed, bool alongRow) {
  int first = -1, last = -1;
  for (int i = 0; i < 64; ++i) {
    const uint8_t a = alongRow ? alpha[fixed * 64 + i] : alpha[i * 64 + fixed];
    if (a >= 128) {
      if (first < 0) first = i;
      last = i;
    }
  }
  return {first, last};
}

TEST_F(EmbeddedImages, ParticleShapesKeepTheirSizesAndCaps) {
  UINT w = 0, h = 0;
  const auto square = Alpha(kEmbeddedFirstParticleShape + 2, &w, &h);
  ASSERT_EQ(square.size(), 64u * 64u);
  for (int i = 0; i < 64; ++i) {
    EXPECT_EQ(HalfSpan(square, i, true), (i >= 3 && i <= 60 ? std::make_pair(3, 60) : std::make_pair(-1, -1))) << i;
    EXPECT_EQ(HalfSpan(square, i, false), (i >= 3 && i <= 60 ? std::make_pair(3, 60) : std::make_pair(-1, -1))) << i;
  }
  const auto line = Alpha(kEmbeddedFirstParticleShape + 3, &w, &h);
  for (int y = 0; y < 64; ++y) {
    EXPECT_EQ(HalfSpan(line, y, true), (y >= 28 && y <= 35 ? std::make_pair(6, 57) : std::make_pair(-1, -1))) << y;
  }
  struct Cap {
    int shape;
    int most;
  };
  for (const Cap cap : {Cap{4, 230}, Cap{11, 115}, Cap{12, 217}}) {
    const auto alpha = Alpha(kEmbeddedFirstParticleShape + cap.shape, &w, &h);
    ASSERT_FALSE(alpha.empty());
    const int most = *std::max_element(alpha.begin(), alpha.end());
    EXPECT_LE(most, cap.most) << "shape " << cap.shape;
    EXPECT_GT(most, cap.most / 2) << "shape " << cap.shape;
  }
  // Every shape has something to show, and the disk spans about 58 pixels.
  for (int shape = 0; shape < 14; ++shape) {
    const auto alpha = Alpha(kEmbeddedFirstParticleShape + shape, &w, &h);
    EXPECT_GT(*std::max_element(alpha.begin(), alpha.end()), 50) << "shape " << shape;
  }
  const auto disk = Alpha(kEmbeddedFirstParticleShape + 1, &w, &h);
  const auto [left, right] = HalfSpan(disk, 32, true);
  EXPECT_NEAR(right - left + 1, 58, 1);
}

TEST_F(EmbeddedImages, GlyphsLieOnTheSheet) {
  UINT w = 0, h = 0;
  const auto sheet = Alpha(kEmbeddedFontSheet, &w, &h);
  ASSERT_EQ(w, 256u);
  ASSERT_EQ(h, 128u);
  for (int code = 0; code < kEmbeddedGlyphCount; ++code) {
    SCOPED_TRACE(code);
    const uint8_t* g = g_EmbeddedGlyphs + code * 4;
    const int x = g[0], y = g[1], width = g[2], height = g[3];
    EXPECT_GT(width, 0);
    EXPECT_GT(height, 0);
    EXPECT_LE(x + width, 256);
    EXPECT_LE(y + height, 128);
    int inked = 0;
    for (int row = y; row < y + height && row < 128; ++row)
      for (int col = x; col < x + width && col < 256; ++col) inked += sheet[row * 256 + col] >= 128;
    if (code == ' ') {
      EXPECT_EQ(height, 13);
      EXPECT_EQ(inked, 0);
    } else if (code >= 33) {
      EXPECT_GT(inked, 0);
    }
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The generator sits beside the container tool in the build tree.
std::string GeneratorPath() {
  std::string tool = TOLVARINE_CONTAINER_TOOL;
  return tool.substr(0, tool.rfind('/') + 1) + "tolvarine-images";
}

TEST(ImageGenerator, WritesTheSameBytesEveryRun) {
  const std::string dir = std::string(TOLVARINE_TEST_TMP) + "/embedded_images";
  std::system(("rm -rf '" + dir + "' && mkdir -p '" + dir + "/png'").c_str());
  for (const char* name : {"a.cpp", "b.cpp"}) {
    ASSERT_EQ(std::system(("'" + GeneratorPath() + "' --out '" + dir + "/" + name + "'").c_str()), 0);
  }
  const std::string a = ReadFile(dir + "/a.cpp");
  EXPECT_GT(a.size(), 100000u);
  EXPECT_EQ(a, ReadFile(dir + "/b.cpp"));

  // --png writes each image; the last one is the table's PNG itself.
  ASSERT_EQ(std::system(("'" + GeneratorPath() + "' --png '" + dir + "/png'").c_str()), 0);
  for (int i = 0; i < kEmbeddedImageCount; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "/png/image_%02d.png", i);
    const std::string png = ReadFile(dir + name);
    EXPECT_EQ(png.compare(0, 4, "\x89PNG"), 0) << name;
  }
  GR_SetEmbeddedTextures(g_EmbeddedImages);
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  ASSERT_TRUE(GR_GetEmbeddedImage(16, &data, &length));
  EXPECT_EQ(ReadFile(dir + "/png/image_16.png"), std::string(reinterpret_cast<const char*>(data), length));
  GR_SetEmbeddedTextures(nullptr);
  EXPECT_NE(std::system(("'" + GeneratorPath() + "' --bogus x 2>/dev/null").c_str()), 0);
}

}  // namespace
