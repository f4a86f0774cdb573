// Device-independent bitmaps: how pixels travel between decoders, screen grabs, sprites,
// backgrounds and CBitmap32.
//
// A TBitmap holds one image as a BMP-style image block: a BMP file image without its two-byte
// "BM" signature (file size, reserved words, pixel offset, then the 40-byte information header and,
// for palette images, the palette), followed somewhere by the rows. Blocks the runner makes hold
// 32-bit pixels 0xAARRGGBB at block + 52, rows top first; a block read from a BMP stream keeps the
// file's layout, so its pixels sit at block + pixel offset - 2 (the offset counts the signature).
// Whoever receives a bitmap or a loader owns it and deletes it.
#pragma once

#include <cstddef>
#include <cstdint>

class CStream;

// Pixel formats and the bits per pixel of each.
enum TBitmapFormat : int32_t {
  kBitmap1 = 1,   // 1 bit, palette
  kBitmap4 = 2,   // 4 bits, palette
  kBitmap8 = 3,   // 8 bits, palette
  kBitmap15 = 4,  // 5-5-5
  kBitmap16 = 5,  // 5-5-5 in 16 bits, as BMP files store it
  kBitmap24 = 6,  // blue, green, red
  kBitmap32 = 7,  // blue, green, red, alpha
};

// The size of the header of a block the runner makes; its pixels follow it.
inline constexpr uint32_t kBitmapBlockHeader = 52;
// Images of more pixels than this are refused: a few bytes of a hostile file must not make the
// runner ask for gigabytes.
inline constexpr uint64_t kBitmapMaxPixels = uint64_t{1} << 28;

class IBitmap {
 public:
  virtual ~IBitmap() = default;
  virtual void LoadFromStream(CStream* stream) = 0;
  virtual void SetWidth(int32_t width) = 0;
  virtual int32_t GetWidth() const = 0;
  virtual void SetHeight(int32_t height) = 0;
  virtual int32_t GetHeight() const = 0;
  virtual void SetPixelFormat(int32_t format) = 0;
  virtual int32_t GetPixelFormat() const = 0;
  virtual uint8_t* ScanLine(int32_t row, uint8_t** rowAddress, int32_t* stride) = 0;
  virtual void Unlock(void* token) = 0;
  virtual void Assign(const IBitmap* other) = 0;
  virtual void FreeImage() = 0;
  virtual int32_t GetFlag() const = 0;
  virtual void SetImage(uint8_t* block, uint32_t size) = 0;
};

class TBitmap final : public IBitmap {
 public:
  TBitmap() = default;
  ~TBitmap() override;
  TBitmap(const TBitmap&) = delete;
  TBitmap& operator=(const TBitmap&) = delete;

  // Reads a BMP file from the stream's position. Anything that is not a BMP whose rows (and,
  // for palette images, the palette) lie inside the stream leaves the bitmap empty. 8-bit images
  // are expanded to 32 bits; other depths keep the file's padded rows, top row first.
  void LoadFromStream(CStream* stream) override;
  void SetWidth(int32_t width) override;
  int32_t GetWidth() const override { return m_width; }
  void SetHeight(int32_t height) override;
  int32_t GetHeight() const override { return m_height; }
  void SetPixelFormat(int32_t format) override;
  int32_t GetPixelFormat() const override { return m_format; }
  // The first row's address; *rowAddress = that row's address (null for a row outside the
  // image), *stride = the row stride. A bitmap without a block gets a zero-filled runner block of
  // its size and format first; a size that is not positive or too large gives no block and null.
  uint8_t* ScanLine(int32_t row, uint8_t** rowAddress, int32_t* stride) override;
  void Unlock(void*) override {}
  // Takes a copy of the other's block and layout; assigning a bitmap to itself does nothing.
  void Assign(const IBitmap* other) override;
  void FreeImage() override;
  int32_t GetFlag() const override { return m_flag; }
  // Adopts a runner-made 32-bit block of size bytes (pixel offset, width and height from its
  // header). A block whose pixels do not fit its size is freed and the bitmap stays empty.
  void SetImage(uint8_t* block, uint32_t size) override;

  const uint8_t* Block() const { return m_block; }
  uint32_t BlockSize() const { return m_blockSize; }
  const uint8_t* Pixels() const { return m_pixels; }
  int32_t Stride() const { return m_stride; }
  int32_t ChangeCount() const { return m_changes; }

 private:
  void Changed();
  void Adopt(uint8_t* block, uint32_t size, uint8_t* pixels, int32_t width, int32_t height, int32_t format,
             int32_t stride);

  uint8_t* m_block = nullptr;
  int32_t m_flag = 0;
  uint8_t* m_pixels = nullptr;
  uint32_t m_blockSize = 0;
  int32_t m_format = kBitmap32;
  int32_t m_width = 0;
  int32_t m_height = 0;
  int32_t m_stride = 0;
  int32_t m_reserved = -1;
  int32_t m_changes = -1;
};

TBitmap* TBitmap_Create();
// The row stride a format implies for a width: the table's unpadded size.
int32_t TBitmap_Stride(int32_t format, int32_t width);
// A new 32-bit copy of any bitmap (palette and 16-bit images read through their palette or
// channels, 24-bit ones made opaque, 32-bit ones copied); an empty bitmap for one without pixels.
TBitmap* TBitmap_CopyAs32(const TBitmap& source);
// A new runner-made block (header and zero-filled pixels) of width x height 32-bit pixels, or
// null for a size that is not positive or too large. *size = the block's byte size.
uint8_t* TBitmap_NewBlock(int32_t width, int32_t height, uint32_t* size);

class IBitmapLoader {
 public:
  virtual ~IBitmapLoader() = default;
  virtual bool HasSeparateImages() const = 0;
  virtual int32_t GetImageCount() const = 0;
  virtual IBitmap* CreateBitmap(int32_t index) const = 0;
};

// Wraps decoded 32-bit pixels and hands out TBitmap copies of them.
class BitmapLoader final : public IBitmapLoader {
 public:
  BitmapLoader(uint8_t* block, uint32_t size) : m_block(block), m_blockSize(size) {}
  ~BitmapLoader() override;
  BitmapLoader(const BitmapLoader&) = delete;
  BitmapLoader& operator=(const BitmapLoader&) = delete;

  // The one image is a strip, not separate frames.
  bool HasSeparateImages() const override { return false; }
  int32_t GetImageCount() const override { return m_imageCount; }
  // A new TBitmap owning a copy of the block, or null for an index outside the images.
  IBitmap* CreateBitmap(int32_t index) const override;

 private:
  uint8_t* m_block;
  uint32_t m_blockSize;
  int32_t m_imageCount = 1;
};

// A loader of width x height pixels (rows top first), copied; null when the size is not positive
// or too large, or there are no pixels.
BitmapLoader* BitmapLoader_Create(const uint32_t* pixels, int32_t width, int32_t height);
