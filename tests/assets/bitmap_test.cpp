// TBitmap and BitmapLoader: strides, blocks made on demand, copies, BMP streams (and damaged ones).
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "assets/assets_test_util.h"
#include "assets/bitmap.h"
#include "core/memory_manager.h"
#include "io/stream.h"

namespace {

std::unique_ptr<CStream> StreamOf(const std::vector<uint8_t>& bytes) {
  auto stream = std::make_unique<CStream>();
  stream->Write(bytes.data(), static_cast<int64_t>(bytes.size()));
  stream->SetPosition(0);
  return stream;
}

uint32_t PixelAt(const TBitmap& bitmap, int x, int y) {
  uint32_t v;
  std::memcpy(&v, bitmap.Pixels() + static_cast<size_t>(y) * bitmap.Stride() + x * 4, 4);
  return v;
}

TEST(TBitmap, StrideFollowsWidthAndFormat) {
  TBitmap bitmap;
  bitmap.SetWidth(10);
  int32_t stride = 0;
  EXPECT_EQ(bitmap.Stride(), 40);
  bitmap.SetPixelFormat(kBitmap24);
  EXPECT_EQ(bitmap.Stride(), 30);
  bitmap.SetPixelFormat(kBitmap16);
  EXPECT_EQ(bitmap.Stride(), 20);
  // Rows of bit images never share a byte.
  bitmap.SetPixelFormat(kBitmap1);
  EXPECT_EQ(bitmap.Stride(), 2);
  EXPECT_EQ(bitmap.ChangeCount(), 3);
  bitmap.SetHeight(0);
  EXPECT_EQ(bitmap.ScanLine(0, nullptr, &stride), nullptr) << "no block for an empty size";
}

TEST(TBitmap, ScanLineMakesTheBlockOnFirstUse) {
  TBitmap bitmap;
  bitmap.SetWidth(4);
  bitmap.SetHeight(5);
  uint8_t* row = nullptr;
  int32_t stride = 0;
  uint8_t* first = bitmap.ScanLine(3, &row, &stride);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(bitmap.BlockSize(), 132u);
  EXPECT_EQ(MemoryManager_BlockSize(bitmap.Block()), 132u);
  EXPECT_EQ(row, first + 48);
  EXPECT_EQ(stride, 16);
  EXPECT_EQ(first, bitmap.Block() + 52);
  EXPECT_EQ(bitmap.ScanLine(5, &row, &stride), first);
  EXPECT_EQ(row, nullptr) << "a row past the image has no address";
  // A new size drops the old rows instead of leaving them too small.
  bitmap.SetWidth(8);
  EXPECT_EQ(bitmap.Block(), nullptr);
  bitmap.ScanLine(0, &row, &stride);
  EXPECT_EQ(bitmap.BlockSize(), 52u + 8 * 5 * 4);
}

TEST(BitmapLoader, HandsOutCopiesOfItsOneImage) {
  const uint32_t pixels[6] = {0xFF000001, 0xFF000002, 0x00000003, 0x80000004, 0xFF000005, 0xFF000006};
  std::unique_ptr<BitmapLoader> loader(BitmapLoader_Create(pixels, 3, 2));
  ASSERT_NE(loader, nullptr);
  EXPECT_FALSE(loader->HasSeparateImages());
  EXPECT_EQ(loader->GetImageCount(), 1);
  EXPECT_EQ(loader->CreateBitmap(1), nullptr);
  EXPECT_EQ(loader->CreateBitmap(-1), nullptr);
  std::unique_ptr<IBitmap> a(loader->CreateBitmap(0)), b(loader->CreateBitmap(0));
  auto* bitmap = dynamic_cast<TBitmap*>(a.get());
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->GetPixelFormat(), kBitmap32);
  EXPECT_EQ(bitmap->GetWidth(), 3);
  EXPECT_EQ(bitmap->GetHeight(), 2);
  EXPECT_EQ(std::memcmp(bitmap->Pixels(), pixels, sizeof pixels), 0);
  EXPECT_NE(bitmap->Block(), dynamic_cast<TBitmap*>(b.get())->Block()) << "each bitmap is its own copy";

  EXPECT_EQ(BitmapLoader_Create(pixels, 0, 2), nullptr);
  EXPECT_EQ(BitmapLoader_Create(pixels, 1 << 15, 1 << 15), nullptr) << "beyond 2^28 pixels";
}

TEST(TBitmap, AssignCopiesBlockAndLayout) {
  const uint32_t pixels[4] = {1, 2, 3, 4};
  std::unique_ptr<BitmapLoader> loader(BitmapLoader_Create(pixels, 2, 2));
  std::unique_ptr<IBitmap> source(loader->CreateBitmap(0));
  TBitmap copy;
  copy.Assign(source.get());
  EXPECT_EQ(copy.GetWidth(), 2);
  EXPECT_EQ(copy.Pixels(), copy.Block() + 52) << "a runner-made block keeps its pixels after the header";
  EXPECT_EQ(PixelAt(copy, 1, 1), 4u);

  // Assigning a bitmap to itself keeps everything.
  const uint8_t* block = copy.Block();
  copy.Assign(&copy);
  EXPECT_EQ(copy.Block(), block);
  EXPECT_EQ(PixelAt(copy, 0, 1), 3u);

  // A block read from a file keeps the file's pixel offset.
  TBitmap file;
  const std::vector<uint8_t> rows = {1, 2, 3, 0, 4, 5, 6, 0};  // 1 x 2, 24 bits, rows padded to 4
  auto stream = StreamOf(MakeBMP(1, 2, 24, {}, rows));
  file.LoadFromStream(stream.get());
  ASSERT_NE(file.Pixels(), nullptr);
  TBitmap fileCopy;
  fileCopy.Assign(&file);
  EXPECT_EQ(fileCopy.GetPixelFormat(), kBitmap24);
  EXPECT_EQ(fileCopy.Stride(), 4);
  EXPECT_EQ(std::memcmp(fileCopy.Pixels(), file.Pixels(), 8), 0);
}

TEST(TBitmap, SetImageRefusesBlocksTooSmallForTheirHeader) {
  uint32_t size = 0;
  uint8_t* block = TBitmap_NewBlock(4, 4, &size);
  ASSERT_NE(block, nullptr);
  TBitmap bitmap;
  bitmap.SetImage(block, size - 1);  // one byte short of the pixels it declares
  EXPECT_EQ(bitmap.Block(), nullptr);
  EXPECT_EQ(bitmap.Pixels(), nullptr);
}

TEST(TBitmapStream, EightBitImagesExpandThroughThePalette) {
  std::vector<uint8_t> palette(256 * 4, 0);
  palette[200 * 4 + 0] = 1;  // blue
  palette[200 * 4 + 1] = 2;  // green
  palette[200 * 4 + 2] = 3;  // red
  palette[7 * 4 + 2] = 0xFF;
  // Bottom row first: the bottom row is {200, 7}, the top row {7, 200}; rows padded to 4 bytes.
  const std::vector<uint8_t> rows = {200, 7, 0, 0, 7, 200, 0, 0};
  auto stream = StreamOf(MakeBMP(2, 2, 8, palette, rows));
  TBitmap bitmap;
  bitmap.LoadFromStream(stream.get());
  ASSERT_NE(bitmap.Pixels(), nullptr);
  EXPECT_EQ(bitmap.GetPixelFormat(), kBitmap32);
  EXPECT_EQ(PixelAt(bitmap, 1, 0), 0xFF030201u);
  EXPECT_EQ(PixelAt(bitmap, 0, 0), 0xFFFF0000u);
  EXPECT_EQ(PixelAt(bitmap, 0, 1), 0xFF030201u);
}

TEST(TBitmapStream, OtherDepthsKeepPaddedRowsTopFirst) {
  // 3 x 2 at 24 bits: rows of 9 bytes padded to 12; the file stores the bottom row first.
  std::vector<uint8_t> rows(24, 0);
  rows[0] = 0xAA;   // bottom-left blue
  rows[12] = 0xBB;  // top-left blue
  auto stream = StreamOf(MakeBMP(3, 2, 24, {}, rows));
  TBitmap bitmap;
  bitmap.LoadFromStream(stream.get());
  ASSERT_NE(bitmap.Pixels(), nullptr);
  EXPECT_EQ(bitmap.GetPixelFormat(), kBitmap24);
  EXPECT_EQ(bitmap.Stride(), 12);
  EXPECT_EQ(bitmap.Pixels()[0], 0xBB);
  EXPECT_EQ(bitmap.Pixels()[12], 0xAA);
  EXPECT_EQ(bitmap.Pixels(), bitmap.Block() + 54 - 2) << "pixels at the file's offset less the signature";

  // A negative height stores the top row first.
  auto topFirst = StreamOf(MakeBMP(3, -2, 24, {}, rows));
  bitmap.LoadFromStream(topFirst.get());
  ASSERT_NE(bitmap.Pixels(), nullptr);
  EXPECT_EQ(bitmap.GetHeight(), 2);
  EXPECT_EQ(bitmap.Pixels()[0], 0xAA);
}

TEST(TBitmapStream, ConversionTo32BitsReadsEveryFormat) {
  struct Case {
    const char* name;
    uint16_t bits;
    std::vector<uint8_t> palette;
    std::vector<uint8_t> rows;  // one row, two pixels
    uint32_t left, right;
  };
  const std::vector<uint8_t> twoColours = {0x10, 0x20, 0x30, 0, 0x40, 0x50, 0x60, 0};
  const Case cases[] = {
      {"1 bit", 1, twoColours, {0x40, 0, 0, 0}, 0xFF302010, 0xFF605040},
      {"4 bits", 4, twoColours, {0x10, 0, 0, 0}, 0xFF605040, 0xFF302010},
      {"4 bits, index past the palette", 4, twoColours, {0x0F, 0, 0, 0}, 0xFF302010, 0xFF000000},
      {"16 bits", 16, {}, {0x00, 0x7C, 0x1F, 0x00}, 0xFFFF0000, 0xFF0000FF},
      {"24 bits", 24, {}, {1, 2, 3, 4, 5, 6, 0, 0}, 0xFF030201, 0xFF060504},
      {"32 bits", 32, {}, {1, 2, 3, 4, 5, 6, 7, 8}, 0x04030201, 0x08070605},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto stream = StreamOf(MakeBMP(2, 1, c.bits, c.palette, c.rows));
    TBitmap bitmap;
    bitmap.LoadFromStream(stream.get());
    ASSERT_NE(bitmap.Pixels(), nullptr);
    std::unique_ptr<TBitmap> wide(TBitmap_CopyAs32(bitmap));
    ASSERT_NE(wide->Pixels(), nullptr);
    EXPECT_EQ(wide->GetPixelFormat(), kBitmap32);
    EXPECT_EQ(PixelAt(*wide, 0, 0), c.left);
    EXPECT_EQ(PixelAt(*wide, 1, 0), c.right);
  }
}

TEST(TBitmapStream, DamagedFilesLeaveTheBitmapEmpty) {
  const std::vector<uint8_t> rows(16, 0);
  auto patched = [&](size_t at, uint32_t value, int bytes) {
    std::vector<uint8_t> file = MakeBMP(2, 2, 24, {}, rows);
    for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<uint8_t>(value >> (8 * i));
    return file;
  };
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
  };
  std::vector<uint8_t> cut = MakeBMP(2, 2, 24, {}, rows);
  const std::vector<uint8_t> headerCut(cut.begin(), cut.begin() + 30);
  cut.resize(cut.size() - 1);
  const Case cases[] = {
      {"empty", {}},
      {"not a BMP", {'P', 'K', 3, 4, 0, 0, 0, 0}},
      {"signature only", {'B', 'M'}},
      {"header cut", headerCut},
      {"rows cut", cut},
      {"pixel offset past the end", patched(10, 0x7FFFFFF0, 4)},
      {"pixel offset inside the header", patched(10, 20, 4)},
      {"width beyond the rows", patched(18, 4000, 4)},
      {"huge size", patched(18, 0x10000, 4)},
      {"zero width", patched(18, 0, 4)},
      {"negative width", patched(18, 0xFFFFFFFE, 4)},
      {"smallest height", patched(22, 0x80000000, 4)},
      {"header size past the end", patched(14, 0x7FFFFFFF, 4)},
      {"compressed", MakeBMP(2, 2, 24, {}, rows, 1)},
      {"8 bits without its palette", MakeBMP(2, 2, 8, {}, rows)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto stream = StreamOf(c.file);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream.get());
    EXPECT_EQ(bitmap.Block(), nullptr);
    EXPECT_EQ(bitmap.Pixels(), nullptr);
  }
  TBitmap none;
  none.LoadFromStream(nullptr);
  EXPECT_EQ(none.Block(), nullptr);
}

}  // namespace
