// CBitmap32: the in-memory image that sprites and backgrounds with images of their own keep per
// frame. Pixels are 32-bit words 0xAARRGGBB with straight alpha, row-major from the top-left, in
// a memory-manager block. A transparent pixel has alpha 0 (a word below 0x01000000); every other
// pixel counts as opaque. Script colours, as the constructors take them, are 0x00BBGGRR.
#pragma once

#include <cstdint>

class TBitmap;

struct CBitmap32Pixels {
  uint32_t byteSize;  // width x height x 4
  uint32_t* pixels;
};

struct CBitmap32Rect {
  int32_t left, top, right, bottom;
};

// Gradient kinds of CBitmap32::CreateGradient.
enum Bitmap32Gradient : int32_t {
  kGradientHorizontal = 0,
  kGradientVertical = 1,
  kGradientRectangle = 2,
  kGradientEllipse = 3,
  kGradientDoubleHorizontal = 4,
  kGradientDoubleVertical = 5,
};

class CBitmap32 {
 public:
  CBitmap32() = default;
  // Copy: the pixels only when the source is valid.
  CBitmap32(const CBitmap32& source);
  // The rectangle at (x, y) of the source; invalid unless it lies wholly inside a valid source.
  CBitmap32(const CBitmap32& source, int32_t x, int32_t y, int32_t width, int32_t height);
  // Every pixel the opaque script colour; a size of 0 or less becomes 1.
  CBitmap32(int32_t width, int32_t height, uint32_t colour);
  // From a 24- or 32-bit TBitmap made opaque (other formats are converted first); with
  // removeBackground the bottom-left pixel's colour becomes transparent, and with smooth as well
  // the edges are softened.
  CBitmap32(TBitmap* bitmap, bool removeBackground, bool smooth);
  // keepAlpha: from a 32-bit TBitmap keeping its alpha; otherwise as above.
  CBitmap32(TBitmap* bitmap, bool removeBackground, bool smooth, bool keepAlpha);
  virtual ~CBitmap32();
  CBitmap32& operator=(const CBitmap32&) = delete;

  // A gradient of width x height (sizes of 0 or less become 1) from c1 to c2, opaque.
  static CBitmap32* CreateGradient(int32_t width, int32_t height, uint32_t c1, uint32_t c2, int32_t kind);

  bool IsValid() const { return m_valid; }
  int32_t GetWidth() const { return m_width; }
  int32_t GetHeight() const { return m_height; }
  const CBitmap32Pixels* GetPixelData() const { return &m_data; }
  uint32_t* Pixels() { return m_data.pixels; }
  const uint32_t* Pixels() const { return m_data.pixels; }

  void Assign(const CBitmap32& other);
  void RemoveBackground();
  void FillTransparentColours();
  void SmoothEdges();
  // Alpha no higher than the brightness of the other image, over the part both cover.
  void SetAlphaFrom(const CBitmap32* other);
  // Nearest-pixel resampling; sizes of 0 or less, or too large, change nothing.
  void Resize(int32_t width, int32_t height);
  // The bounds of the opaque pixels; none gives left = width - 1, top = height - 1, right = 0,
  // bottom = 0, and an invalid or empty bitmap all zeros.
  CBitmap32Rect GetOpaqueBounds() const;
  // A new 32-bit TBitmap whose pixels are the bytes red, green, blue, alpha (the order the image
  // savers write), or null when invalid.
  TBitmap* ToTBitmap() const;

 private:
  bool Allocate(int64_t width, int64_t height);
  void FromTBitmap(TBitmap* bitmap, bool removeBackground, bool smooth);
  void FromTBitmap32(TBitmap* bitmap, bool removeBackground, bool smooth);
  void Finish(bool removeBackground, bool smooth);
  void FreePixels();

  bool m_valid = false;
  int32_t m_width = 0;
  int32_t m_height = 0;
  CBitmap32Pixels m_data{0, nullptr};
};

// Each of the three low bytes rounded from c1 x (1 - t) + c2 x t; the top byte 0.
uint32_t Bitmap32_LerpColour(uint32_t c1, uint32_t c2, double t);
