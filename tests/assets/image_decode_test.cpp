// PNG, JPEG and GIF decoding over fixtures written here with libpng, libjpeg and giflib, and
// damaged or hostile files, which must give null and leave the process running.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <cstring>
#include <string>
#include <vector>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "assets/assets_test_util.h"
#include "assets/bitmap.h"
#include "assets/image_decode.h"
#include "core/memory_manager.h"
#include "io/stream.h"
#include "script/script_test_support.h"

namespace {

// ---- fixtures -------------------------------------------------------------------------------

struct PNGSpec {
  int width = 0, height = 0, bitDepth = 8, colourType = 0;
  std::vector<uint8_t> rows = {};          // packed rows as the format stores them
  std::vector<png_color> palette = {};     // for palette images
  std::vector<uint8_t> transparency = {};  // tRNS alphas (palette) or empty
  bool greyTransparent = false;       // a tRNS chunk naming grey value 0
  bool headerOnly = false;            // stop after the header
};

void PNGWrite(png_structp png, png_bytep data, png_size_t n) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + n);
}
void PNGFlush(png_structp) {}

std::vector<uint8_t> MakePNG(const PNGSpec& spec) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    ADD_FAILURE() << "libpng could not write the fixture";
    return {};
  }
  png_set_write_fn(png, &out, PNGWrite, PNGFlush);
  png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!spec.palette.empty()) png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
  if (!spec.transparency.empty()) {
    png_set_tRNS(png, info, spec.transparency.data(), static_cast<int>(spec.transparency.size()), nullptr);
  }
  png_color_16 grey{};
  if (spec.greyTransparent) png_set_tRNS(png, info, nullptr, 0, &grey);
  png_write_info(png, info);
  if (spec.headerOnly) {
    // An empty image-data chunk, so that the header reads as complete.
    const uint8_t idat[8] = {0, 0, 0, 0, 'I', 'D', 'A', 'T'};
    out.insert(out.end(), idat, idat + 8);
    const uint32_t crc = static_cast<uint32_t>(crc32(0, idat + 4, 4));
    for (int i = 3; i >= 0; --i) out.push_back(static_cast<uint8_t>(crc >> (8 * i)));
  } else {
    const size_t rowBytes = spec.rows.size() / spec.height;
    for (int y = 0; y < spec.height; ++y) png_write_row(png, spec.rows.data() + y * rowBytes);
    png_write_end(png, nullptr);
  }
  png_destroy_write_struct(&png, &info);
  return out;
}

std::vector<uint8_t> MakeJPEG(int width, int height, int components, const std::vector<uint8_t>& pixel) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr error;
  cinfo.err = jpeg_std_error(&error);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 100, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<uint8_t> row;
  for (int x = 0; x < width; ++x) row.insert(row.end(), pixel.begin(), pixel.end());
  while (cinfo.next_scanline < cinfo.image_height) {
    JSAMPROW r = row.data();
    jpeg_write_scanlines(&cinfo, &r, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

struct GIFSpec {
  int screenWidth = 0, screenHeight = 0;
  std::vector<GifColorType> globalMap = {};  // empty: none
  std::vector<GifColorType> localMap = {};   // empty: none
  int left = 0, top = 0, width = 0, height = 0;
  std::vector<uint8_t> indices = {};  // rows in the order written
  int transparent = -1;
  bool interlaced = false;
};

int GIFWrite(GifFileType* gif, const GifByteType* data, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

ColorMapObject* MapOf(const std::vector<GifColorType>& colours) {
  return colours.empty() ? nullptr : GifMakeMapObject(static_cast<int>(colours.size()), colours.data());
}

std::vector<uint8_t> MakeGIF(const GIFSpec& spec) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, GIFWrite, &error);
  EGifSetGifVersion(gif, true);
  ColorMapObject* global = MapOf(spec.globalMap);
  ColorMapObject* local = MapOf(spec.localMap);
  EXPECT_EQ(EGifPutScreenDesc(gif, spec.screenWidth, spec.screenHeight, 8, 0, global), GIF_OK);
  if (spec.transparent >= 0) {
    const uint8_t control[4] = {1, 0, 0, static_cast<uint8_t>(spec.transparent)};
    EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, control);
  }
  EXPECT_EQ(EGifPutImageDesc(gif, spec.left, spec.top, spec.width, spec.height, spec.interlaced, local), GIF_OK);
  for (int y = 0; y < spec.height; ++y) {
    std::vector<GifPixelType> line(spec.indices.begin() + y * spec.width, spec.indices.begin() + (y + 1) * spec.width);
    EGifPutLine(gif, line.data(), spec.width);
  }
  EGifCloseFile(gif, &error);
  GifFreeMapObject(global);
  GifFreeMapObject(local);
  return out;
}

// A GIF written byte by byte, for what the library's writer will not make: a screen of sw x sh
// with or without a two-colour map {1, 1, 1}, {2, 2, 2}, and one iw x ih image at (0, 0) whose
// raster is the given LZW data of minimum code size 2.
std::vector<uint8_t> CraftGIF(int sw, int sh, bool globalMap, int iw, int ih, const std::vector<uint8_t>& lzw) {
  std::vector<uint8_t> out = {'G', 'I', 'F', '8', '9', 'a'};
  PutLE(&out, static_cast<uint32_t>(sw), 2);
  PutLE(&out, static_cast<uint32_t>(sh), 2);
  out.insert(out.end(), {static_cast<uint8_t>(globalMap ? 0x80 : 0), 0, 0});
  if (globalMap) out.insert(out.end(), {1, 1, 1, 2, 2, 2});
  out.insert(out.end(), {',', 0, 0, 0, 0});
  PutLE(&out, static_cast<uint32_t>(iw), 2);
  PutLE(&out, static_cast<uint32_t>(ih), 2);
  out.insert(out.end(), {0, 2, static_cast<uint8_t>(lzw.size())});
  out.insert(out.end(), lzw.begin(), lzw.end());
  out.insert(out.end(), {0, ';'});
  return out;
}
// LZW codes clear, 1, 3, end (three bits each) and clear, 0, 1, end.
const std::vector<uint8_t> kPixels13 = {0xCC, 0x0A};
const std::vector<uint8_t> kPixels01 = {0x44, 0x0A};

const std::vector<GifColorType> kEight = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255},
                                         {1, 2, 3}, {9, 9, 9}, {7, 7, 7}, {255, 255, 255}};

// ---- PNG ------------------------------------------------------------------------------------

class PNGDecode : public ::testing::Test {
 protected:
  void TearDown() override { PNG_FreeDecoder(); }

  // The first pixel of a decode; the slot is emptied again.
  std::vector<uint32_t> Decode(const std::vector<uint8_t>& file, int expectWidth, int expectHeight) {
    int32_t w = 0, h = 0;
    uint32_t* pixels = PNG_Decode(file.data(), file.size(), &w, &h, false);
    std::vector<uint32_t> out;
    EXPECT_NE(pixels, nullptr);
    if (pixels != nullptr) {
      EXPECT_EQ(w, expectWidth);
      EXPECT_EQ(h, expectHeight);
      out.assign(pixels, pixels + static_cast<size_t>(w) * h);
    }
    PNG_FreeDecoder();
    return out;
  }
};

TEST_F(PNGDecode, EveryColourTypeGivesStraightBGRA) {
  struct Case {
    const char* name;
    PNGSpec spec;
    std::vector<uint32_t> expected;
  };
  const std::vector<png_color> palette = {{10, 20, 30}, {40, 50, 60}, {70, 80, 90}, {100, 110, 120}};
  const Case cases[] = {
      {"grey 8", {2, 1, 8, PNG_COLOR_TYPE_GRAY, {0x40, 0xFF}}, {0xFF404040, 0xFFFFFFFF}},
      {"rgb 8", {1, 1, 8, PNG_COLOR_TYPE_RGB, {10, 20, 30}}, {0xFF0A141E}},
      {"rgba 16",
       {1, 1, 16, PNG_COLOR_TYPE_RGB_ALPHA, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0x80, 0x00}},
       {0x8012569A}},
      {"rgb 16", {1, 1, 16, PNG_COLOR_TYPE_RGB, {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}, {0xFF12569A}},
      {"grey alpha 8", {1, 1, 8, PNG_COLOR_TYPE_GRAY_ALPHA, {0x40, 0x20}}, {0x20404040}},
      {"palette with transparency",
       {3, 1, 8, PNG_COLOR_TYPE_PALETTE, {0, 1, 2}, palette, {0, 128}},
       {0x000A141E, 0x8028323C, 0xFF46505A}},
      // Without transparency, alpha is full at every depth.
      {"palette 4 bits", {2, 1, 4, PNG_COLOR_TYPE_PALETTE, {0x31}, palette}, {0xFF646E78, 0xFF28323C}},
      {"grey 1 bit", {2, 1, 1, PNG_COLOR_TYPE_GRAY, {0x80}}, {0xFFFFFFFF, 0xFF000000}},
      {"grey with a transparent value",
       {2, 1, 8, PNG_COLOR_TYPE_GRAY, {0x00, 0x40}, {}, {}, true},
       {0x00000000, 0xFF404040}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Decode(MakePNG(c.spec), c.spec.width, c.spec.height), c.expected);
  }
}

TEST_F(PNGDecode, SecondDecodeWithoutFreeingReturnsTheFirst) {
  const auto first = MakePNG({1, 1, 8, PNG_COLOR_TYPE_RGB, {10, 20, 30}});
  const auto second = MakePNG({2, 1, 8, PNG_COLOR_TYPE_GRAY, {0x40, 0x40}});
  int32_t w = 0, h = 0;
  uint32_t* a = PNG_Decode(first.data(), first.size(), &w, &h, false);
  ASSERT_NE(a, nullptr);
  uint32_t* b = PNG_Decode(second.data(), second.size(), &w, &h, true);
  EXPECT_EQ(b, a);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
  EXPECT_EQ(b[0], 0xFF0A141Eu);
  PNG_FreeDecoder();
  b = PNG_Decode(second.data(), second.size(), &w, &h, false);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(w, 2);
  EXPECT_EQ(b[0], 0xFF404040u);
}

TEST_F(PNGDecode, SizeFromTheHeaderOnly) {
  const auto file = MakePNG({3, 2, 8, PNG_COLOR_TYPE_RGB, std::vector<uint8_t>(18, 0)});
  int32_t w = 0, h = 0;
  EXPECT_TRUE(PNG_GetSize(file.data(), file.size(), &w, &h, false));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(h, 2);
  const std::vector<uint8_t> junk(40, 7);
  EXPECT_FALSE(PNG_GetSize(junk.data(), junk.size(), &w, &h, false));
  EXPECT_EQ(w, -1);
  EXPECT_EQ(h, -1);
  // A decode in the slot is left alone.
  const auto held = MakePNG({1, 1, 8, PNG_COLOR_TYPE_GRAY, {0x40}});
  uint32_t* pixels = PNG_Decode(held.data(), held.size(), &w, &h, false);
  ASSERT_NE(pixels, nullptr);
  EXPECT_TRUE(PNG_GetSize(file.data(), file.size(), &w, &h, false));
  EXPECT_EQ(w, 3);
  EXPECT_EQ(PNG_Decode(held.data(), held.size(), &w, &h, false), pixels);
  EXPECT_EQ(pixels[0], 0xFF404040u);
}

TEST_F(PNGDecode, BadBytesGiveNullAndTheMessages) {
  auto truncated = MakePNG({8, 8, 8, PNG_COLOR_TYPE_RGB, std::vector<uint8_t>(8 * 8 * 3, 0x55)});
  truncated.resize(truncated.size() / 2);
  // A header that declares 20000 x 20000 pixels: refused before anything is allocated for it.
  const auto huge = MakePNG({20000, 20000, 8, PNG_COLOR_TYPE_GRAY, {}, {}, {}, false, true});
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    bool notPNG;
  };
  const Case cases[] = {
      {"not a PNG", std::vector<uint8_t>{'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0}, true},
      {"shorter than the signature", std::vector<uint8_t>{0x89, 'P', 'N'}, true},
      {"truncated", truncated, false},
      {"huge", huge, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DebugConsoleCapture console;
    int32_t w = 0, h = 0;
    EXPECT_EQ(PNG_Decode(c.bytes.data(), c.bytes.size(), &w, &h, false), nullptr);
    EXPECT_EQ(w, -1);
    EXPECT_EQ(h, -1);
    const std::string expected =
        std::string(c.notPNG ? "Not a PNG\n" : "") + "ReadPNG :: a PNG error occured\n";
    EXPECT_EQ(console.Text(), expected);
    PNG_FreeDecoder();
  }
  // The slot is free again: a good image decodes.
  EXPECT_EQ(Decode(MakePNG({1, 1, 8, PNG_COLOR_TYPE_GRAY, {0x40}}), 1, 1), std::vector<uint32_t>{0xFF404040});
}

TEST(ImageHalveBox, AveragesTwoByTwoBlocks) {
  const uint32_t src[4] = {0x04080C10, 0x04080C10, 0x00000000, 0x08101820};
  uint32_t dst[1] = {0};
  Image_HalveBox(1, 1, dst, 2, 2, src);
  EXPECT_EQ(dst[0], 0x04080C10u);  // each channel: (a + a + 0 + 2a) >> 2
}

// ---- JPEG -----------------------------------------------------------------------------------

void ExpectNear(uint32_t actual, uint32_t expected, int tolerance) {
  for (int shift = 0; shift < 32; shift += 8) {
    const int a = (actual >> shift) & 0xFF, e = (expected >> shift) & 0xFF;
    EXPECT_NEAR(a, e, tolerance) << std::hex << actual << " against " << expected;
  }
}

TEST(JPEGDecode, ComponentsToOpaquePixels) {
  int32_t w = 0, h = 0;
  const auto rgb = MakeJPEG(8, 8, 3, {1, 2, 3});
  uint32_t* pixels = JPEG_Decode(rgb.data(), rgb.size(), &w, &h);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(w, 8);
  EXPECT_EQ(h, 8);
  for (int i = 0; i < 64; ++i) ExpectNear(pixels[i], 0xFF010203, 2);
  MEM_FREE(pixels);

  const auto grey = MakeJPEG(4, 2, 1, {0x80});
  pixels = JPEG_Decode(grey.data(), grey.size(), &w, &h);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(w, 4);
  EXPECT_EQ(h, 2);
  ExpectNear(pixels[7], 0xFF808080, 1);
  MEM_FREE(pixels);
}

TEST(JPEGDecode, DamagedDataGivesNullWithoutEndingTheProcess) {
  const auto good = MakeJPEG(16, 16, 3, {200, 100, 50});
  std::vector<uint8_t> corrupt = good;
  // Wreck the frame header's component count.
  for (size_t i = 0; i + 9 < corrupt.size(); ++i) {
    if (corrupt[i] == 0xFF && corrupt[i + 1] == 0xC0) {
      corrupt[i + 9] = 0;
      break;
    }
  }
  std::vector<uint8_t> huge = good;
  for (size_t i = 0; i + 8 < huge.size(); ++i) {
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0xFD;  // 65000 x 65000
      huge[i + 6] = huge[i + 8] = 0xE8;
      break;
    }
  }
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"corrupt frame header", corrupt},
      {"huge", huge},
      {"signature only", {0xFF, 0xD8, 0xFF}},
      {"not a JPEG", {'n', 'o', 'p', 'e'}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t w = 0, h = 0;
    EXPECT_EQ(JPEG_Decode(c.bytes.data(), c.bytes.size(), &w, &h), nullptr);
  }
  // A file cut short in its image data decodes as far as it goes.
  std::vector<uint8_t> cut(good.begin(), good.end() - 3);
  int32_t w = 0, h = 0;
  uint32_t* pixels = JPEG_Decode(cut.data(), cut.size(), &w, &h);
  ASSERT_NE(pixels, nullptr);
  EXPECT_EQ(w, 16);
  MEM_FREE(pixels);
}

// ---- GIF ------------------------------------------------------------------------------------

std::vector<uint32_t> DecodeGIF(const std::vector<uint8_t>& file, int expectWidth, int expectHeight) {
  int32_t w = 0, h = 0;
  uint32_t* pixels = GIF_Decode(file.data(), file.size(), &w, &h);
  if (pixels == nullptr) {
    ADD_FAILURE() << "no pixels";
    return {};
  }
  EXPECT_EQ(w, expectWidth);
  EXPECT_EQ(h, expectHeight);
  std::vector<uint32_t> out(pixels, pixels + static_cast<size_t>(w) * h);
  MEM_FREE(pixels);
  return out;
}

// ---- the budget of images loaded while a game runs ---------------------------------------

TEST(ImageLoadBudget, TheHeaderOfEachFormatIsJudgedWithoutDecoding) {
  // A real JPEG stream (its JFIF, tables and frame header in order) whose frame header claims
  // another size.
  const auto jpeg = [](uint32_t width, uint32_t height) {
    std::vector<uint8_t> bytes = MakeJPEG(16, 8, 3, {1, 2, 3});
    for (size_t at = 2; at + 9 <= bytes.size(); ++at) {
      if (bytes[at] != 0xFF || bytes[at + 1] != 0xC0) continue;
      bytes[at + 5] = static_cast<uint8_t>(height >> 8);
      bytes[at + 6] = static_cast<uint8_t>(height);
      bytes[at + 7] = static_cast<uint8_t>(width >> 8);
      bytes[at + 8] = static_cast<uint8_t>(width);
      break;
    }
    return bytes;
  };
  const auto png = [](int width, int height) {
    return MakePNG({.width = width, .height = height, .colourType = PNG_COLOR_TYPE_RGBA, .headerOnly = true});
  };
  const auto gif = [](int width, int height) { return CraftGIF(width, height, true, 1, 1, kPixels13); };
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    uint64_t width, height;
    bool fits;
  };
  const Case cases[] = {
      {"png of 16384 x 16384", png(16384, 16384), 16384, 16384, false},
      {"png at the budget", png(8192, 8192), 8192, 8192, true},
      {"png a row past it", png(8192, 8193), 8192, 8193, false},
      {"a long png strip at the budget", png(1 << 19, 128), 1 << 19, 128, true},
      {"jpeg of 16384 x 16384", jpeg(16384, 16384), 16384, 16384, false},
      {"jpeg at the budget", jpeg(8192, 8192), 8192, 8192, true},
      {"jpeg as written", MakeJPEG(16, 8, 3, {1, 2, 3}), 16, 8, true},
      {"gif at the budget's edge", gif(65535, 1024), 65535, 1024, true},
      {"gif past it", gif(65535, 1025), 65535, 1025, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DebugConsoleCapture console;
    uint64_t width = 0, height = 0;
    ASSERT_TRUE(Image_HeaderSize(c.bytes.data(), c.bytes.size(), &width, &height));
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    EXPECT_EQ(Image_FitsLoadBudget(c.bytes.data(), c.bytes.size(), "Sprite image", "a.png"), c.fits);
    const std::string said = "Sprite image a.png: " + std::to_string(c.width) + " x " + std::to_string(c.height) +
                             " pixels is more than the 67108864 pixels an image loaded while the game runs may have\n";
    EXPECT_EQ(console.Text(), c.fits ? "" : said);
  }
  // No header to judge: the decoder refuses such bytes itself.
  std::vector<uint8_t> cut = jpeg(16384, 16384);
  cut.resize(20);
  for (const std::vector<uint8_t>& bytes : {std::vector<uint8_t>{'j', 'u', 'n', 'k'}, cut}) {
    uint64_t width = 0, height = 0;
    EXPECT_FALSE(Image_HeaderSize(bytes.data(), bytes.size(), &width, &height));
    EXPECT_TRUE(Image_FitsLoadBudget(bytes.data(), bytes.size(), "Sprite image", "a.png"));
  }
}

TEST(GIFDecode, TransparentIndexAndColours) {
  GIFSpec spec{4, 1, kEight};
  spec.width = 4;
  spec.height = 1;
  spec.indices = {1, 5, 4, 5};
  spec.transparent = 5;
  EXPECT_EQ(DecodeGIF(MakeGIF(spec), 4, 1), (std::vector<uint32_t>{0xFFFF0000, 0x00000000, 0xFF010203, 0x00000000}));
  spec.transparent = -1;
  EXPECT_EQ(DecodeGIF(MakeGIF(spec), 4, 1)[1], 0xFF090909u);
}

TEST(GIFDecode, ImagePlacementAndMaps) {
  // A 2 x 2 image at (1, 1) on a 4 x 3 screen: the rest of the screen is transparent.
  GIFSpec placed{4, 3, kEight};
  placed.left = placed.top = 1;
  placed.width = placed.height = 2;
  placed.indices = {1, 2, 3, 7};
  const std::vector<uint32_t> p = DecodeGIF(MakeGIF(placed), 4, 3);
  EXPECT_EQ(p, (std::vector<uint32_t>{0, 0, 0, 0,  //
                                      0, 0xFFFF0000, 0xFF00FF00, 0,  //
                                      0, 0xFF0000FF, 0xFFFFFFFF, 0}));
  // Clipped at the screen's edge.
  placed.left = 3;
  EXPECT_EQ(DecodeGIF(MakeGIF(placed), 4, 3)[7], 0xFFFF0000u);

  // A local map only, and a local map that wins over the global one.
  GIFSpec local{2, 1, {}, {{5, 6, 7}, {8, 9, 10}}};
  local.width = 2;
  local.height = 1;
  local.indices = {1, 0};
  EXPECT_EQ(DecodeGIF(MakeGIF(local), 2, 1), (std::vector<uint32_t>{0xFF08090A, 0xFF050607}));
  local.globalMap = kEight;
  EXPECT_EQ(DecodeGIF(MakeGIF(local), 2, 1), (std::vector<uint32_t>{0xFF08090A, 0xFF050607}));

  // An index beyond the map is transparent.
  EXPECT_EQ(DecodeGIF(CraftGIF(2, 1, true, 2, 1, kPixels13), 2, 1), (std::vector<uint32_t>{0xFF020202, 0}));
  EXPECT_EQ(DecodeGIF(CraftGIF(2, 1, true, 2, 1, kPixels01), 2, 1), (std::vector<uint32_t>{0xFF010101, 0xFF020202}));
}

TEST(GIFDecode, InterlacedRowsLandInPlace) {
  GIFSpec spec{1, 8, kEight};
  spec.width = 1;
  spec.height = 8;
  spec.interlaced = true;
  // Written in pass order: rows 0, 4, then 2, 6, then 1, 3, 5, 7; each row's index is its row
  // number (index 7 in row 7 is white).
  spec.indices = {0, 4, 2, 6, 1, 3, 5, 7};
  const std::vector<uint32_t> p = DecodeGIF(MakeGIF(spec), 1, 8);
  ASSERT_EQ(p.size(), 8u);
  for (int y = 0; y < 8; ++y) {
    const GifColorType& c = kEight[y];
    EXPECT_EQ(p[y], 0xFF000000u | (c.Red << 16) | (c.Green << 8) | c.Blue) << "row " << y;
  }
}

TEST(GIFDecode, DamagedAndHostileFilesGiveNull) {
  GIFSpec spec{4, 4, kEight};
  spec.width = spec.height = 4;
  spec.indices.assign(16, 3);
  const auto good = MakeGIF(spec);
  std::vector<uint8_t> truncated(good.begin(), good.begin() + static_cast<long>(good.size() - 6));
  std::vector<uint8_t> emptyScreen = good;
  std::fill(emptyScreen.begin() + 6, emptyScreen.begin() + 10, 0);
  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"truncated", truncated},
      {"no colour map", CraftGIF(2, 1, false, 2, 1, kPixels01)},
      // 65535 x 65535 pixels declared in a few bytes.
      {"huge screen", CraftGIF(0xFFFF, 0xFFFF, true, 0xFFFF, 0xFFFF, kPixels13)},
      {"huge image", CraftGIF(4, 4, true, 0xFFFF, 0xFFFF, kPixels13)},
      {"empty screen", emptyScreen},
      {"header only", {'G', 'I', 'F', '8', '9', 'a'}},
      {"not a GIF", {'n', 'o', 'p', 'e', 0, 0, 0, 0, 0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t w = 0, h = 0;
    EXPECT_EQ(GIF_Decode(c.bytes.data(), c.bytes.size(), &w, &h), nullptr);
  }
  EXPECT_EQ(DecodeGIF(good, 4, 4)[15], 0xFF0000FFu);
}

// ---- the fuzzer's inputs ----------------------------------------------------------------------

// Width and height of a file through the reader its signature picks, or {-1, -1}.
std::pair<int32_t, int32_t> DecodedSize(const std::vector<uint8_t>& bytes) {
  int32_t w = -1, h = -1;
  auto starts = [&](std::initializer_list<uint8_t> prefix) {
    return bytes.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), bytes.begin());
  };
  if (starts({'B', 'M'})) {
    CStream stream;
    stream.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    stream.SetPosition(0);
    TBitmap bitmap;
    bitmap.LoadFromStream(&stream);
    if (bitmap.Pixels() != nullptr) return {bitmap.GetWidth(), bitmap.GetHeight()};
    return {-1, -1};
  }
  if (starts({0x89, 'P', 'N', 'G'})) {
    if (PNG_Decode(bytes.data(), bytes.size(), &w, &h, false) == nullptr) w = h = -1;
    PNG_FreeDecoder();
    return {w, h};
  }
  uint32_t* pixels = (starts({0xFF, 0xD8, 0xFF}) ? JPEG_Decode : GIF_Decode)(bytes.data(), bytes.size(), &w, &h);
  if (pixels == nullptr) return {-1, -1};
  MEM_FREE(pixels);
  return {w, h};
}

// Every file the image fuzzer starts from, and every finding kept beside them, goes through the
// reader its signature picks; the seeds are real images and decode at their sizes.
TEST(ImageFuzzInputs, DecodeOrAreRefused) {
  const std::filesystem::path dir = std::filesystem::path(TOLVARINE_SOURCE_DIR) / "fuzz/seeds/image_fuzz";
  const std::map<std::string, std::pair<int32_t, int32_t>> seeds = {{"disk.png", {16, 16}},
                                                                    {"rgb.jpg", {8, 8}},
                                                                    {"interlaced.gif", {6, 6}},
                                                                    {"palette.bmp", {2, 2}},
                                                                    {"top_first.bmp", {3, 2}}};
  size_t found = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    SCOPED_TRACE(entry.path().string());
    std::ifstream in(entry.path(), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto size = DecodedSize(bytes);
    const auto seed = seeds.find(entry.path().filename().string());
    if (seed == seeds.end()) continue;
    ++found;
    EXPECT_EQ(size, seed->second);
  }
  EXPECT_EQ(found, seeds.size());
}

}  // namespace
