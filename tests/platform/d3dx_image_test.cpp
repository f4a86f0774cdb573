// Image information and texture loading from PNG and DDS bytes, and the pixel-format helpers,
// on the recording device (the OpenGL upload is covered by the device tests).
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/d3d9/pixel_formats.h"
#include "platform/d3d9/recording_device.h"
#include "platform/d3d9_test_util.h"
#include "platform/d3dx/d3dx9.h"

namespace {

// One DXT1 block: two 565 endpoints and the 2-bit indices of 16 texels (row by row).
std::vector<uint8_t> DXT1Block(uint16_t c0, uint16_t c1, uint32_t indices) {
  return {static_cast<uint8_t>(c0),      static_cast<uint8_t>(c0 >> 8),      static_cast<uint8_t>(c1),
          static_cast<uint8_t>(c1 >> 8), static_cast<uint8_t>(indices),      static_cast<uint8_t>(indices >> 8),
          static_cast<uint8_t>(indices >> 16), static_cast<uint8_t>(indices >> 24)};
}

std::vector<uint8_t> Repeat(const std::vector<uint8_t>& bytes, int times) {
  std::vector<uint8_t> out;
  for (int i = 0; i < times; ++i) out.insert(out.end(), bytes.begin(), bytes.end());
  return out;
}

class ImageLoading : public ::testing::Test {
 protected:
  void SetUp() override {
    D3DPRESENT_PARAMETERS pp{};
    pp.BackBufferWidth = 32;
    pp.BackBufferHeight = 32;
    pp.BackBufferFormat = D3DFMT_A8R8G8B8;
    device = D3D9_CreateRecordingDevice(log, &pp);
    ASSERT_NE(device, nullptr);
  }
  void TearDown() override { device->Release(); }

  IDirect3DTexture9* Load(const std::vector<uint8_t>& file, UINT width, UINT height, D3DFORMAT format,
                          D3DCOLOR colorKey = 0, HRESULT expected = D3D_OK) {
    IDirect3DTexture9* texture = nullptr;
    EXPECT_EQ(D3DXCreateTextureFromFileInMemoryEx(device, file.data(), static_cast<UINT>(file.size()), width, height,
                                                  D3DX_DEFAULT, 0, format, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                                  D3DX_DEFAULT, colorKey, nullptr, nullptr, &texture),
              expected);
    return texture;
  }

  // Level 0 as 32-bit words (or 16-bit words widened) read through a lock.
  static std::vector<uint32_t> Words(IDirect3DTexture9* texture) {
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    D3DLOCKED_RECT locked{};
    EXPECT_EQ(texture->LockRect(0, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    std::vector<uint32_t> out;
    for (UINT y = 0; y < desc.Height; ++y) {
      const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch;
      for (UINT x = 0; x < desc.Width; ++x) {
        if (desc.Format == D3DFMT_A4R4G4B4)
          out.push_back(static_cast<uint32_t>(row[x * 2] | (row[x * 2 + 1] << 8)));
        else
          out.push_back(static_cast<uint32_t>(row[x * 4] | (row[x * 4 + 1] << 8) | (row[x * 4 + 2] << 16) |
                                              (static_cast<uint32_t>(row[x * 4 + 3]) << 24)));
      }
    }
    texture->UnlockRect(0);
    return out;
  }

  std::shared_ptr<D3D9RecordingLog> log = std::make_shared<D3D9RecordingLog>();
  IDirect3DDevice9* device = nullptr;
};

TEST_F(ImageLoading, ImageInformationFromPNGAndDDSBytes) {
  const std::vector<uint8_t> png = MakePNG({0xFF102030, 0x80405060, 0, 0, 0, 0}, 3, 2, true);
  std::vector<uint8_t> brokenPNG = png;
  brokenPNG.resize(40);
  const std::vector<uint8_t> dxt1Chain = Repeat(DXT1Block(0xFFFF, 0, 0), 4 + 1 + 1 + 1);  // 8x8, 4x4, 2x2, 1x1
  const std::vector<uint8_t> dxt5Block(16, 0);
  const std::vector<uint8_t> tooWide = MakeDDS(D3DFMT_DXT1, 16384, 4, 1, {});
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    HRESULT result;
    D3DXIMAGE_INFO info;
  };
  const std::vector<Case> cases = {
      {"PNG with alpha", png, D3D_OK, {3, 2, 1, 1, D3DFMT_A8R8G8B8, D3DRTYPE_TEXTURE, D3DXIFF_PNG}},
      {"PNG without alpha", MakePNG({1, 2, 3, 4}, 1, 4, false), D3D_OK,
       {1, 4, 1, 1, D3DFMT_X8R8G8B8, D3DRTYPE_TEXTURE, D3DXIFF_PNG}},
      {"DDS DXT1 with its whole chain", MakeDDS(D3DFMT_DXT1, 8, 8, 4, dxt1Chain), D3D_OK,
       {8, 8, 1, 4, D3DFMT_DXT1, D3DRTYPE_TEXTURE, D3DXIFF_DDS}},
      {"DDS whose last level is cut off", MakeDDS(D3DFMT_DXT1, 8, 8, 4, Repeat(DXT1Block(0, 0, 0), 5)), D3D_OK,
       {8, 8, 1, 2, D3DFMT_DXT1, D3DRTYPE_TEXTURE, D3DXIFF_DDS}},
      {"DDS DXT5 of a size not a multiple of 4", MakeDDS(D3DFMT_DXT5, 3, 5, 1, Repeat(dxt5Block, 2)), D3D_OK,
       {3, 5, 1, 1, D3DFMT_DXT5, D3DRTYPE_TEXTURE, D3DXIFF_DDS}},
      {"DDS without its first level", MakeDDS(D3DFMT_DXT5, 8, 4, 1, dxt5Block), D3DXERR_INVALIDDATA, {}},
      {"DDS of an unknown code", MakeDDS(MAKEFOURCC('A', 'T', 'I', '2'), 4, 4, 1, dxt5Block), D3DXERR_INVALIDDATA, {}},
      {"DDS wider than a texture can be", tooWide, D3DXERR_INVALIDDATA, {}},
      {"DDS header cut short", std::vector<uint8_t>(tooWide.begin(), tooWide.begin() + 60), D3DXERR_INVALIDDATA, {}},
      {"PNG cut short", brokenPNG, D3DXERR_INVALIDDATA, {}},
      {"neither", {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, D3DXERR_INVALIDDATA, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    D3DXIMAGE_INFO info{};
    ASSERT_EQ(D3DXGetImageInfoFromFileInMemory(c.bytes.data(), static_cast<UINT>(c.bytes.size()), &info), c.result);
    if (c.result != D3D_OK) continue;
    EXPECT_EQ(info.Width, c.info.Width);
    EXPECT_EQ(info.Height, c.info.Height);
    EXPECT_EQ(info.Depth, c.info.Depth);
    EXPECT_EQ(info.MipLevels, c.info.MipLevels);
    EXPECT_EQ(info.Format, c.info.Format);
    EXPECT_EQ(info.ResourceType, c.info.ResourceType);
    EXPECT_EQ(info.ImageFileFormat, c.info.ImageFileFormat);
  }
  D3DXIMAGE_INFO info{};
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(nullptr, 10, &info), D3DERR_INVALIDCALL);
  EXPECT_EQ(D3DXGetImageInfoFromFileInMemory(png.data(), 0, &info), D3DERR_INVALIDCALL);
}

TEST_F(ImageLoading, TexturesTakeTheFilesLevelsOrTheRequestedFormat) {
  // A DXT1 image with its chain keeps the blocks of every level.
  std::vector<uint8_t> chain = Repeat(DXT1Block(0xF800, 0x001F, 0x55555555), 4);
  std::vector<uint8_t> small = DXT1Block(0x07E0, 0x0000, 0);
  for (int level = 1; level < 4; ++level) chain.insert(chain.end(), small.begin(), small.end());
  IDirect3DTexture9* texture = Load(MakeDDS(D3DFMT_DXT1, 8, 8, 4, chain), D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_UNKNOWN);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(texture->GetLevelCount(), 4u);
  D3DLOCKED_RECT locked{};
  ASSERT_EQ(texture->LockRect(3, &locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(std::vector<uint8_t>(static_cast<uint8_t*>(locked.pBits), static_cast<uint8_t*>(locked.pBits) + 8), small);
  texture->UnlockRect(3);
  texture->Release();

  // DXT1 as 32 bits: index 1 of a four-colour block is the second endpoint; a block whose first
  // endpoint is not above the second has a transparent black fourth entry.
  std::vector<uint8_t> blocks = DXT1Block(0xF800, 0x001F, 0x55555555);  // all blue
  std::vector<uint8_t> threeColour = DXT1Block(0x001F, 0xF800, 0xFFFFFFFF);
  blocks.insert(blocks.end(), threeColour.begin(), threeColour.end());
  texture = Load(MakeDDS(D3DFMT_DXT1, 8, 4, 1, blocks), D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8);
  ASSERT_NE(texture, nullptr);
  std::vector<uint32_t> words = Words(texture);
  ASSERT_EQ(words.size(), 32u);
  EXPECT_EQ(words[0], 0xFF0000FFu);
  EXPECT_EQ(words[3 * 8 + 3], 0xFF0000FFu);
  EXPECT_EQ(words[4], 0x00000000u);
  EXPECT_EQ(words[3 * 8 + 7], 0x00000000u);
  texture->Release();

  const std::vector<uint32_t> argb = {0xFF112233, 0x80FFFFFF, 0x00000000, 0xFFFF00FF};
  const std::vector<uint8_t> png = MakePNG(argb, 2, 2, true);
  struct Case {
    const char* name;
    D3DFORMAT requested;
    D3DFORMAT made;
    std::vector<uint32_t> words;
  };
  const std::vector<Case> cases = {
      {"as stored", D3DFMT_A8R8G8B8, D3DFMT_A8R8G8B8, argb},
      {"without alpha", D3DFMT_X8R8G8B8, D3DFMT_X8R8G8B8, {0xFF112233, 0xFFFFFFFF, 0xFF000000, 0xFFFF00FF}},
      {"16-bit, to the nearest step", D3DFMT_A4R4G4B4, D3DFMT_A4R4G4B4, {0xF123, 0x8FFF, 0x0000, 0xFF0F}},
      {"compressed on request: kept 32-bit", D3DFMT_DXT5, D3DFMT_A8R8G8B8, argb},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    texture = Load(png, D3DX_DEFAULT, D3DX_DEFAULT, c.requested);
    ASSERT_NE(texture, nullptr);
    D3DSURFACE_DESC desc{};
    texture->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, c.made);
    EXPECT_EQ(Words(texture), c.words);
    texture->Release();
  }
}

TEST_F(ImageLoading, ColourKeyAndExplicitSizes) {
  const std::vector<uint8_t> png = MakePNG({0xFFFF00FF, 0xFF00FF00, 0xFF0000FF, 0xFFFF00FF}, 2, 2, true);
  IDirect3DTexture9* texture = Load(png, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8, 0xFFFF00FF);
  ASSERT_NE(texture, nullptr);
  EXPECT_EQ(Words(texture), (std::vector<uint32_t>{0, 0xFF00FF00, 0xFF0000FF, 0}));
  texture->Release();

  // Twice the size: every pixel becomes a 2 x 2 square.
  texture = Load(png, 4, 4, D3DFMT_A8R8G8B8);
  ASSERT_NE(texture, nullptr);
  std::vector<uint32_t> words = Words(texture);
  ASSERT_EQ(words.size(), 16u);
  EXPECT_EQ(words[1], 0xFFFF00FFu);
  EXPECT_EQ(words[2], 0xFF00FF00u);
  EXPECT_EQ(words[3 * 4 + 0], 0xFF0000FFu);
  EXPECT_EQ(words[3 * 4 + 3], 0xFFFF00FFu);
  texture->Release();

  IDirect3DTexture9* none = reinterpret_cast<IDirect3DTexture9*>(1);
  const std::vector<uint8_t> junk = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(device, junk.data(), static_cast<UINT>(junk.size()), &none),
            D3DXERR_INVALIDDATA);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(D3DXCreateTextureFromFileInMemory(nullptr, png.data(), static_cast<UINT>(png.size()), &none),
            D3DERR_INVALIDCALL);
}

TEST(PixelFormats, SizesOfLevelsAndExplicitAlphaDecoding) {
  struct Case {
    D3DFORMAT format;
    UINT width, height;
    UINT pitch, rows;
  };
  for (const Case& c : std::vector<Case>{{D3DFMT_A8R8G8B8, 3, 2, 12, 2},
                                          {D3DFMT_A4R4G4B4, 3, 2, 6, 2},
                                          {D3DFMT_DXT1, 5, 5, 16, 2},
                                          {D3DFMT_DXT5, 1, 1, 16, 1},
                                          {D3DFMT_DXT3, 8, 3, 32, 1}}) {
    SCOPED_TRACE(D3DFormat_Name(c.format));
    EXPECT_EQ(D3DFormat_Pitch(c.format, c.width), c.pitch);
    EXPECT_EQ(D3DFormat_Rows(c.format, c.height), c.rows);
    EXPECT_EQ(D3DFormat_LevelSize(c.format, c.width, c.height), static_cast<size_t>(c.pitch) * c.rows);
  }
  EXPECT_EQ(D3DFormat_FullChainLevels(1, 1), 1u);
  EXPECT_EQ(D3DFormat_FullChainLevels(300, 200), 9u);
  EXPECT_EQ(D3DFormat_FullChainLevels(8192, 1), 14u);
  EXPECT_STREQ(D3DFormat_Name(static_cast<D3DFORMAT>(999)), "999");

  // DXT3: four bits of alpha per texel, scaled by 17; colours as a four-colour block.
  std::vector<uint8_t> block = {0x10, 0x32, 0x54, 0x76, 0x98, 0xBA, 0xDC, 0xFE};
  std::vector<uint8_t> colour = DXT1Block(0xFFFF, 0xFFFF, 0);
  block.insert(block.end(), colour.begin(), colour.end());
  std::vector<uint8_t> out(2 * 3 * 4, 0xEE);
  ASSERT_TRUE(DXT_Decode(D3DFMT_DXT3, block.data(), 2, 3, out.data(), 8));  // a level smaller than its block
  for (unsigned y = 0; y < 3; ++y) {
    for (unsigned x = 0; x < 2; ++x) EXPECT_EQ(PixelAt(out, 2, x, y), (y * 4 + x) * 17u << 24 | 0xFFFFFF);
  }
  EXPECT_FALSE(DXT_Decode(D3DFMT_A8R8G8B8, block.data(), 4, 4, out.data(), 16));
}

}  // namespace
