#include "assets/bitmap32.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "assets/bitmap.h"
#include "core/memory_manager.h"

namespace {

constexpr uint32_t kAlphaMask = 0xFF000000u;
constexpr uint32_t kColourMask = 0x00FFFFFFu;

bool Transparent(uint32_t pixel) { return pixel < 0x01000000u; }

// Script colour 0x00BBGGRR to an opaque pixel 0xFFRRGGBB.
uint32_t OpaqueFromScript(uint32_t colour) {
  return kAlphaMask | ((colour & 0xFF) << 16) | (colour & 0xFF00) | ((colour >> 16) & 0xFF);
}

}  // namespace

uint32_t Bitmap32_LerpColour(uint32_t c1, uint32_t c2, double t) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const double a = (c1 >> shift) & 0xFF, b = (c2 >> shift) & 0xFF;
    const double v = std::floor(a * (1.0 - t) + b * t + 0.5);
    out |= static_cast<uint32_t>(std::clamp(v, 0.0, 255.0)) << shift;
  }
  return out;
}

bool CBitmap32::Allocate(int64_t width, int64_t height) {
  FreePixels();
  m_valid = false;
  m_width = m_height = 0;
  if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kBitmapMaxPixels) {
    return false;
  }
  m_width = static_cast<int32_t>(width);
  m_height = static_cast<int32_t>(height);
  m_data.byteSize = static_cast<uint32_t>(width * height * 4);
  m_data.pixels = static_cast<uint32_t*>(MEM_ALLOC(m_data.byteSize));
  m_valid = true;
  return true;
}

void CBitmap32::FreePixels() {
  if (m_data.pixels != nullptr) MEM_FREE(m_data.pixels);
  m_data = CBitmap32Pixels{0, nullptr};
}

CBitmap32::~CBitmap32() { FreePixels(); }

CBitmap32::CBitmap32(const CBitmap32& source) {
  m_valid = source.m_valid;
  m_width = source.m_width;
  m_height = source.m_height;
  if (source.m_valid && source.m_data.pixels != nullptr) {
    m_data.byteSize = source.m_data.byteSize;
    m_data.pixels = static_cast<uint32_t*>(MEM_ALLOC_RAW(m_data.byteSize));
    std::memcpy(m_data.pixels, source.m_data.pixels, m_data.byteSize);
  }
}

CBitmap32::CBitmap32(const CBitmap32& source, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!source.m_valid || x < 0 || y < 0 || int64_t{x} + width > source.m_width ||
      int64_t{y} + height > source.m_height) {
    return;
  }
  if (!Allocate(width, height)) return;
  for (int32_t row = 0; row < height; ++row) {
    std::memcpy(m_data.pixels + static_cast<size_t>(row) * width,
                source.m_data.pixels + static_cast<size_t>(y + row) * source.m_width + x,
                static_cast<size_t>(width) * 4);
  }
}

CBitmap32::CBitmap32(int32_t width, int32_t height, uint32_t colour) {
  if (!Allocate(std::max(width, 1), std::max(height, 1))) return;
  std::fill_n(m_data.pixels, static_cast<size_t>(m_width) * m_height, OpaqueFromScript(colour));
}

CBitmap32::CBitmap32(TBitmap* bitmap, bool removeBackground, bool smooth) {
  FromTBitmap(bitmap, removeBackground, smooth);
}

CBitmap32::CBitmap32(TBitmap* bitmap, bool removeBackground, bool smooth, bool keepAlpha) {
  if (keepAlpha) {
    FromTBitmap32(bitmap, removeBackground, smooth);
  } else {
    FromTBitmap(bitmap, removeBackground, smooth);
  }
}

void CBitmap32::Finish(bool removeBackground, bool smooth) {
  if (!removeBackground) return;
  RemoveBackground();
  if (smooth) SmoothEdges();
}

void CBitmap32::FromTBitmap(TBitmap* bitmap, bool removeBackground, bool smooth) {
  if (bitmap == nullptr) return;
  std::unique_ptr<TBitmap> converted;
  const int32_t format = bitmap->GetPixelFormat();
  if (format != kBitmap24 && format != kBitmap32) {
    converted.reset(TBitmap_CopyAs32(*bitmap));
    bitmap = converted.get();
  }
  const int32_t bytesPerPixel = bitmap->GetPixelFormat() == kBitmap24 ? 3 : 4;
  int32_t stride = 0;
  uint8_t* first = bitmap->ScanLine(0, nullptr, &stride);
  if (first == nullptr || !Allocate(bitmap->GetWidth(), bitmap->GetHeight())) return;
  for (int32_t y = 0; y < m_height; ++y) {
    const uint8_t* row = first + static_cast<size_t>(y) * stride;
    uint32_t* out = m_data.pixels + static_cast<size_t>(y) * m_width;
    for (int32_t x = 0; x < m_width; ++x) {
      const uint8_t* p = row + static_cast<size_t>(x) * bytesPerPixel;
      out[x] = kAlphaMask | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
    }
  }
  Finish(removeBackground, smooth);
}

void CBitmap32::FromTBitmap32(TBitmap* bitmap, bool removeBackground, bool smooth) {
  if (bitmap == nullptr) return;
  // Pending changes are settled by assigning the bitmap to itself, which changes nothing here.
  if (bitmap->GetFlag() != 0) bitmap->Assign(bitmap);
  if (bitmap->GetPixelFormat() != kBitmap32) return;
  int32_t stride = 0;
  uint8_t* first = bitmap->ScanLine(0, nullptr, &stride);
  if (first == nullptr || !Allocate(bitmap->GetWidth(), bitmap->GetHeight())) return;
  for (int32_t y = 0; y < m_height; ++y) {
    std::memcpy(m_data.pixels + static_cast<size_t>(y) * m_width, first + static_cast<size_t>(y) * stride,
                static_cast<size_t>(m_width) * 4);
  }
  Finish(removeBackground, smooth);
}

void CBitmap32::Assign(const CBitmap32& other) {
  if (&other == this) return;
  FreePixels();
  m_valid = other.m_valid;
  m_width = other.m_width;
  m_height = other.m_height;
  if (other.m_data.pixels != nullptr) {
    m_data.byteSize = other.m_data.byteSize;
    m_data.pixels = static_cast<uint32_t*>(MEM_ALLOC_RAW(m_data.byteSize));
    std::memcpy(m_data.pixels, other.m_data.pixels, m_data.byteSize);
  }
}

void CBitmap32::RemoveBackground() {
  if (!m_valid || m_width <= 0 || m_height <= 0) return;
  const uint32_t key = m_data.pixels[static_cast<size_t>(m_height - 1) * m_width] & kColourMask;
  const size_t count = static_cast<size_t>(m_width) * m_height;
  for (size_t i = 0; i < count; ++i) {
    if ((m_data.pixels[i] & kColourMask) == key) m_data.pixels[i] &= kColourMask;
  }
  FillTransparentColours();
}

void CBitmap32::FillTransparentColours() {
  if (!m_valid) return;
  uint32_t* p = m_data.pixels;
  const int32_t w = m_width, h = m_height;
  auto at = [&](int32_t x, int32_t y) -> uint32_t& { return p[static_cast<size_t>(y) * w + x]; };
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint32_t& pixel = at(x, y);
      if (!Transparent(pixel)) continue;
      const int32_t neighbours[4][2] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
      for (const auto& n : neighbours) {
        if (n[0] < 0 || n[0] >= w || n[1] < 0 || n[1] >= h) continue;
        const uint32_t other = at(n[0], n[1]);
        if (Transparent(other)) continue;
        pixel = other & kColourMask;
        break;
      }
    }
  }
}

void CBitmap32::SmoothEdges() {
  if (!m_valid || m_width <= 0 || m_height <= 0) return;
  uint32_t* p = m_data.pixels;
  const int32_t w = m_width, h = m_height;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      if (!Transparent(p[static_cast<size_t>(y) * w + x])) continue;
      for (int32_t ny = std::max(y - 1, 0); ny <= std::min(y + 1, h - 1); ++ny) {
        for (int32_t nx = std::max(x - 1, 0); nx <= std::min(x + 1, w - 1); ++nx) {
          uint32_t& n = p[static_cast<size_t>(ny) * w + nx];
          const uint32_t alpha = n >> 24;
          if (alpha >= 32) n = ((alpha - 32) << 24) | (n & kColourMask);
        }
      }
    }
  }
}

void CBitmap32::SetAlphaFrom(const CBitmap32* other) {
  if (!m_valid || other == nullptr || other->m_data.pixels == nullptr) return;
  const int32_t w = std::min(m_width, other->m_width), h = std::min(m_height, other->m_height);
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      uint32_t& pixel = m_data.pixels[static_cast<size_t>(y) * m_width + x];
      const uint32_t o = other->m_data.pixels[static_cast<size_t>(y) * other->m_width + x];
      const uint32_t brightness = (((o >> 16) & 0xFF) + ((o >> 8) & 0xFF) + (o & 0xFF)) / 3;
      const uint32_t alpha = std::min(pixel >> 24, brightness);
      pixel = (alpha << 24) | (pixel & kColourMask);
    }
  }
}

void CBitmap32::Resize(int32_t width, int32_t height) {
  if (!m_valid || (width == m_width && height == m_height)) return;
  if (width <= 0 || height <= 0 || static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kBitmapMaxPixels) {
    return;
  }
  const uint32_t byteSize = static_cast<uint32_t>(static_cast<uint64_t>(width) * height * 4);
  auto* resized = static_cast<uint32_t*>(MEM_ALLOC(byteSize));
  for (int32_t i = 0; i < height; ++i) {
    const int64_t sy = static_cast<int64_t>(i) * m_height / height;
    for (int32_t j = 0; j < width; ++j) {
      const int64_t sx = static_cast<int64_t>(j) * m_width / width;
      if (sx < m_width && sy < m_height) {
        resized[static_cast<size_t>(i) * width + j] = m_data.pixels[static_cast<size_t>(sy) * m_width + sx];
      }
    }
  }
  FreePixels();
  m_data = CBitmap32Pixels{byteSize, resized};
  m_width = width;
  m_height = height;
}

CBitmap32Rect CBitmap32::GetOpaqueBounds() const {
  CBitmap32Rect r{0, 0, 0, 0};
  if (!m_valid || m_width <= 0 || m_height <= 0) return r;
  r = CBitmap32Rect{m_width - 1, m_height - 1, 0, 0};
  for (int32_t y = 0; y < m_height; ++y) {
    for (int32_t x = 0; x < m_width; ++x) {
      if (Transparent(m_data.pixels[static_cast<size_t>(y) * m_width + x])) continue;
      r.left = std::min(r.left, x);
      r.top = std::min(r.top, y);
      r.right = std::max(r.right, x);
      r.bottom = std::max(r.bottom, y);
    }
  }
  return r;
}

TBitmap* CBitmap32::ToTBitmap() const {
  if (!m_valid) return nullptr;
  auto* bitmap = TBitmap_Create();
  bitmap->SetPixelFormat(kBitmap32);
  bitmap->SetWidth(m_width);
  bitmap->SetHeight(m_height);
  int32_t stride = 0;
  uint8_t* first = bitmap->ScanLine(0, nullptr, &stride);
  if (first != nullptr) {
    for (int32_t y = 0; y < m_height; ++y) {
      uint8_t* row = first + static_cast<size_t>(y) * stride;
      for (int32_t x = 0; x < m_width; ++x) {
        const uint32_t c = m_data.pixels[static_cast<size_t>(y) * m_width + x];
        row[x * 4 + 0] = static_cast<uint8_t>(c >> 16);
        row[x * 4 + 1] = static_cast<uint8_t>(c >> 8);
        row[x * 4 + 2] = static_cast<uint8_t>(c);
        row[x * 4 + 3] = static_cast<uint8_t>(c >> 24);
      }
    }
  }
  bitmap->Unlock(nullptr);
  return bitmap;
}

namespace {

// The script colour of gradient pixel (x, y).
class GradientPainter {
 public:
  GradientPainter(int32_t w, int32_t h, uint32_t c1, uint32_t c2) : m_w(w), m_h(h), m_c1(c1), m_c2(c2) {
    m_half = std::min(w, h) * 0.5;
  }

  uint32_t At(int32_t kind, int32_t x, int32_t y) const {
    switch (kind) {
      case kGradientHorizontal: return Lerp(static_cast<double>(x) / m_w);
      case kGradientVertical: return Lerp(static_cast<double>(y) / m_h);
      case kGradientRectangle:
        return Lerp(std::min({x, m_w - 1 - x, y, m_h - 1 - y}) / m_half);
      case kGradientEllipse: return Lerp(LastRing(x, y) / m_half);
      case kGradientDoubleHorizontal: return Lerp(std::min(x, m_w - 1 - x) / (m_w * 0.5));
      case kGradientDoubleVertical: return Lerp(std::min(y, m_h - 1 - y) / (m_h * 0.5));
      default: return 0;
    }
  }

 private:
  uint32_t Lerp(double t) const { return Bitmap32_LerpColour(m_c1, m_c2, t); }

  // Whether ring i (the ellipse of half-axes (w - 2i) / 2 and (h - 2i) / 2 about the centre,
  // kept to rows and columns i .. size - 1 - i) covers the pixel's centre.
  bool Covers(int32_t i, int32_t x, int32_t y) const {
    if (x < i || x > m_w - 1 - i || y < i || y > m_h - 1 - i) return false;
    const double a = (m_w - 2.0 * i) / 2.0, b = (m_h - 2.0 * i) / 2.0;
    if (a <= 0 || b <= 0) return false;
    const double dx = (x + 0.5 - m_w / 2.0) / a, dy = (y + 0.5 - m_h / 2.0) / b;
    return dx * dx + dy * dy <= 1.0;
  }

  // Rings are painted from the outside in, each inside the one before, so a pixel shows the last
  // ring that covers it (0, the fill with c1, when none does): found by bisection.
  int32_t LastRing(int32_t x, int32_t y) const {
    const auto rings = static_cast<int32_t>(std::ceil(m_half));
    if (rings == 0 || !Covers(0, x, y)) return 0;
    int32_t lo = 0, hi = rings - 1;
    while (lo < hi) {
      const int32_t mid = lo + (hi - lo + 1) / 2;
      if (Covers(mid, x, y)) {
        lo = mid;
      } else {
        hi = mid - 1;
      }
    }
    return lo;
  }

  int32_t m_w, m_h;
  uint32_t m_c1, m_c2;
  double m_half;
};

}  // namespace

CBitmap32* CBitmap32::CreateGradient(int32_t width, int32_t height, uint32_t c1, uint32_t c2, int32_t kind) {
  auto* bitmap = new CBitmap32();
  if (!bitmap->Allocate(std::max(width, 1), std::max(height, 1))) return bitmap;
  const GradientPainter painter(bitmap->m_width, bitmap->m_height, c1, c2);
  for (int32_t y = 0; y < bitmap->m_height; ++y) {
    for (int32_t x = 0; x < bitmap->m_width; ++x) {
      bitmap->m_data.pixels[static_cast<size_t>(y) * bitmap->m_width + x] = OpaqueFromScript(painter.At(kind, x, y));
    }
  }
  return bitmap;
}
