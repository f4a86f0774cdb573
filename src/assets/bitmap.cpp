#include "assets/bitmap.h"

#include <cstring>

#include "core/memory_manager.h"
#include "runtime/container.h"
#include "io/stream.h"

namespace {

constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kInfoHeaderAt = 12;  // the information header's place in a block

void Write32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
void Write16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

int32_t BitsOf(int32_t format) {
  switch (format) {
    case kBitmap1: return 1;
    case kBitmap4: return 4;
    case kBitmap8: return 8;
    case kBitmap15:
    case kBitmap16: return 16;
    case kBitmap24: return 24;
    default: return 32;
  }
}

int32_t FormatOfBits(uint32_t bits) {
  switch (bits) {
    case 1: return kBitmap1;
    case 4: return kBitmap4;
    case 8: return kBitmap8;
    case 15: return kBitmap15;
    case 16: return kBitmap16;
    case 24: return kBitmap24;
    default: return kBitmap32;
  }
}

bool SizeAllowed(int64_t width, int64_t height) {
  return width > 0 && height > 0 && static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kBitmapMaxPixels;
}

// A block header for width x height pixels of the given depth, pixels at block + 52.
void WriteHeader(uint8_t* block, int32_t width, int32_t height, int32_t bits) {
  Write32(block + 8, kBitmapBlockHeader);
  Write32(block + kInfoHeaderAt, kInfoHeaderSize);
  Write32(block + 16, static_cast<uint32_t>(width));
  Write32(block + 20, static_cast<uint32_t>(height));
  Write16(block + 24, 1);
  Write16(block + 26, static_cast<uint16_t>(bits));
}

uint8_t* NewBlock(int32_t width, int32_t height, int32_t stride, int32_t bits, uint32_t* size) {
  if (!SizeAllowed(width, height) || stride <= 0) return nullptr;
  const uint64_t bytes = uint64_t{kBitmapBlockHeader} + static_cast<uint64_t>(stride) * static_cast<uint64_t>(height);
  auto* block = static_cast<uint8_t*>(MEM_ALLOC(bytes));
  WriteHeader(block, width, height, bits);
  *size = static_cast<uint32_t>(bytes);
  return block;
}

// The palette of a 1-, 4- or 8-bit block: its entries (blue, green, red, reserved) and their
// count, which lie between the information header and the pixels. False when they do not fit.
bool FindPalette(const uint8_t* block, const uint8_t* pixels, int32_t bits, const uint8_t** palette,
                 uint32_t* count) {
  const uint32_t headerSize = Container_U32(block + kInfoHeaderAt);
  const uint64_t start = uint64_t{kInfoHeaderAt} + headerSize;
  const uint32_t most = 1u << bits;
  uint32_t used = Container_U32(block + kInfoHeaderAt + 32);
  if (used == 0 || used > most) used = most;
  if (start + uint64_t{used} * 4 > static_cast<uint64_t>(pixels - block)) return false;
  *palette = block + start;
  *count = used;
  return true;
}

// A runner-made 32-bit block of a palette image's rows; an index beyond the palette is opaque
// black.
uint8_t* ExpandPalette(const uint8_t* palette, uint32_t count, const uint8_t* pixels, int32_t stride, int32_t width,
                       int32_t height, int32_t bits, uint32_t* size) {
  uint8_t* block = NewBlock(width, height, width * 4, 32, size);
  if (block == nullptr) return nullptr;
  auto* out = reinterpret_cast<uint32_t*>(block + kBitmapBlockHeader);
  const uint32_t mask = (1u << bits) - 1;
  for (int32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
    for (int32_t x = 0; x < width; ++x) {
      const uint32_t bit = static_cast<uint32_t>(x) * bits;
      const uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & mask;
      uint32_t c = 0xFF000000u;
      if (index < count) {
        const uint8_t* e = palette + index * 4;
        c |= (uint32_t{e[2]} << 16) | (uint32_t{e[1]} << 8) | e[0];
      }
      out[static_cast<size_t>(y) * width + x] = c;
    }
  }
  return block;
}

uint32_t Widen5(uint32_t v) { return (v << 3) | (v >> 2); }

}  // namespace

int32_t TBitmap_Stride(int32_t format, int32_t width) {
  if (width <= 0) return 0;
  // Rounded up to whole bytes, so that rows of 1- and 4-bit images never share a byte.
  return static_cast<int32_t>((static_cast<int64_t>(width) * BitsOf(format) + 7) / 8);
}

uint8_t* TBitmap_NewBlock(int32_t width, int32_t height, uint32_t* size) {
  if (!SizeAllowed(width, height)) return nullptr;
  return NewBlock(width, height, width * 4, 32, size);
}

TBitmap* TBitmap_Create() { return new TBitmap(); }

TBitmap::~TBitmap() {
  if (m_block != nullptr) MEM_FREE(m_block);
}

void TBitmap::Changed() { ++m_changes; }

void TBitmap::Adopt(uint8_t* block, uint32_t size, uint8_t* pixels, int32_t width, int32_t height, int32_t format,
                    int32_t stride) {
  if (m_block != nullptr && m_block != block) MEM_FREE(m_block);
  m_block = block;
  m_blockSize = size;
  m_pixels = pixels;
  m_width = width;
  m_height = height;
  m_format = format;
  m_stride = stride;
  Changed();
}

void TBitmap::FreeImage() {
  if (m_block != nullptr) MEM_FREE(m_block);
  m_block = nullptr;
  m_pixels = nullptr;
  m_blockSize = 0;
  Changed();
}

// A new size or format no longer matches the rows of the block held, so the block goes; the next
// ScanLine makes one that fits.
void TBitmap::SetWidth(int32_t width) {
  if (m_block != nullptr && width != m_width) FreeImage();
  m_width = width;
  m_stride = TBitmap_Stride(m_format, m_width);
  Changed();
}

void TBitmap::SetHeight(int32_t height) {
  if (m_block != nullptr && height != m_height) FreeImage();
  m_height = height;
  Changed();
}

void TBitmap::SetPixelFormat(int32_t format) {
  if (m_block != nullptr && format != m_format) FreeImage();
  m_format = format;
  m_stride = TBitmap_Stride(m_format, m_width);
  Changed();
}

uint8_t* TBitmap::ScanLine(int32_t row, uint8_t** rowAddress, int32_t* stride) {
  if (m_block == nullptr) {
    uint32_t size = 0;
    uint8_t* block = NewBlock(m_width, m_height, m_stride, BitsOf(m_format), &size);
    if (block != nullptr) Adopt(block, size, block + kBitmapBlockHeader, m_width, m_height, m_format, m_stride);
  }
  if (stride != nullptr) *stride = m_stride;
  if (rowAddress != nullptr) {
    *rowAddress = m_pixels != nullptr && row >= 0 && row < m_height ? m_pixels + static_cast<size_t>(row) * m_stride
                                                                     : nullptr;
  }
  return m_pixels;
}

void TBitmap::Assign(const IBitmap* other) {
  const auto* source = dynamic_cast<const TBitmap*>(other);
  if (source == nullptr || source == this) return;
  FreeImage();
  m_width = source->m_width;
  m_height = source->m_height;
  if (source->m_block == nullptr) {
    m_stride = TBitmap_Stride(m_format, m_width);
    return;
  }
  // The copy keeps the source's layout, so runner-made blocks (pixels at +52) and blocks read from
  // files (pixels at pixel offset - 2) both stay right.
  auto* block = static_cast<uint8_t*>(MEM_ALLOC_RAW(source->m_blockSize));
  std::memcpy(block, source->m_block, source->m_blockSize);
  m_flag = source->m_flag;
  Adopt(block, source->m_blockSize, block + (source->m_pixels - source->m_block), source->m_width, source->m_height,
        source->m_format, source->m_stride);
}

void TBitmap::SetImage(uint8_t* block, uint32_t size) {
  FreeImage();
  if (block == nullptr) return;
  if (size < kBitmapBlockHeader) {
    MEM_FREE(block);
    return;
  }
  const uint32_t offset = Container_U32(block + 8);
  const auto width = static_cast<int32_t>(Container_U32(block + 16));
  const auto height = static_cast<int32_t>(Container_U32(block + 20));
  if (!SizeAllowed(width, height) || offset < kBitmapBlockHeader ||
      uint64_t{offset} + static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 4 > size) {
    MEM_FREE(block);
    return;
  }
  Adopt(block, size, block + offset, width, height, kBitmap32, width * 4);
}

void TBitmap::LoadFromStream(CStream* stream) {
  FreeImage();
  if (stream == nullptr || stream->GetPosition() >= stream->GetSize()) return;
  uint8_t signature[2] = {0, 0};
  if (stream->Read(signature, 2) != 2 || signature[0] != 'B' || signature[1] != 'M') return;
  const int64_t fileSize = stream->GetSize();
  const uint8_t* file = stream->GetBuffer();
  if (fileSize < 2 + kInfoHeaderAt + kInfoHeaderSize) return;
  const uint8_t* h = file + 2;  // the block as the file holds it
  const uint64_t blockSize = static_cast<uint64_t>(fileSize) - 2;
  const uint32_t headerSize = Container_U32(h + kInfoHeaderAt);
  const auto width = static_cast<int32_t>(Container_U32(h + 16));
  const auto fileHeight = static_cast<int32_t>(Container_U32(h + 20));
  const uint32_t bits = Container_U16(h + 26);
  const uint32_t compression = Container_U32(h + 28);
  const uint32_t pixelOffset = Container_U32(h + 8);
  if (headerSize < kInfoHeaderSize || kInfoHeaderAt + uint64_t{headerSize} > blockSize || compression != 0) return;
  // A negative height marks rows stored top first.
  const bool topFirst = fileHeight < 0;
  const int64_t height = topFirst ? -static_cast<int64_t>(fileHeight) : fileHeight;
  if (!SizeAllowed(width, height)) return;
  const int32_t format = FormatOfBits(bits);
  const int64_t stride = (static_cast<int64_t>(width) * BitsOf(format) + 31) / 32 * 4;
  if (pixelOffset < 2 + kInfoHeaderAt + headerSize) return;
  const uint64_t pixelsAt = pixelOffset - 2;
  if (pixelsAt + static_cast<uint64_t>(stride) * static_cast<uint64_t>(height) > blockSize) return;

  auto* block = static_cast<uint8_t*>(MEM_ALLOC_RAW(blockSize));
  std::memcpy(block, h, blockSize);
  uint8_t* pixels = block + pixelsAt;
  if (!topFirst) {
    auto* swap = static_cast<uint8_t*>(MEM_ALLOC_RAW(static_cast<size_t>(stride)));
    for (int64_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom) {
      uint8_t* a = pixels + top * stride;
      uint8_t* b = pixels + bottom * stride;
      std::memcpy(swap, a, static_cast<size_t>(stride));
      std::memcpy(a, b, static_cast<size_t>(stride));
      std::memcpy(b, swap, static_cast<size_t>(stride));
    }
    MEM_FREE(swap);
  }
  const auto rows = static_cast<int32_t>(height);
  if (format == kBitmap8) {
    const uint8_t* palette = nullptr;
    uint32_t count = 0;
    uint32_t size = 0;
    uint8_t* expanded = nullptr;
    if (FindPalette(block, pixels, 8, &palette, &count)) {
      expanded = ExpandPalette(palette, count, pixels, static_cast<int32_t>(stride), width, rows, 8, &size);
    }
    MEM_FREE(block);
    if (expanded != nullptr) {
      Adopt(expanded, size, expanded + kBitmapBlockHeader, width, rows, kBitmap32, width * 4);
    }
    return;
  }
  Adopt(block, static_cast<uint32_t>(blockSize), pixels, width, rows, format, static_cast<int32_t>(stride));
}

TBitmap* TBitmap_CopyAs32(const TBitmap& source) {
  auto* out = new TBitmap();
  const int32_t width = source.GetWidth(), height = source.GetHeight();
  const uint8_t* pixels = source.Pixels();
  if (pixels == nullptr || !SizeAllowed(width, height)) return out;
  const int32_t format = source.GetPixelFormat();
  const int32_t stride = source.Stride();
  uint32_t size = 0;
  uint8_t* block = nullptr;
  if (format == kBitmap1 || format == kBitmap4 || format == kBitmap8) {
    const uint8_t* palette = nullptr;
    uint32_t count = 0;
    const int32_t bits = BitsOf(format);
    if (FindPalette(source.Block(), pixels, bits, &palette, &count)) {
      block = ExpandPalette(palette, count, pixels, stride, width, height, bits, &size);
    }
  } else {
    block = NewBlock(width, height, width * 4, 32, &size);
    auto* words = reinterpret_cast<uint32_t*>(block + kBitmapBlockHeader);
    for (int32_t y = 0; y < height; ++y) {
      const uint8_t* row = pixels + static_cast<size_t>(y) * stride;
      uint32_t* out32 = words + static_cast<size_t>(y) * width;
      for (int32_t x = 0; x < width; ++x) {
        if (format == kBitmap32) {
          out32[x] = Container_U32(row + x * 4);
        } else if (format == kBitmap24) {
          const uint8_t* p = row + x * 3;
          out32[x] = 0xFF000000u | (uint32_t{p[2]} << 16) | (uint32_t{p[1]} << 8) | p[0];
        } else {
          const uint32_t v = Container_U16(row + x * 2);
          out32[x] = 0xFF000000u | (Widen5((v >> 10) & 31) << 16) | (Widen5((v >> 5) & 31) << 8) | Widen5(v & 31);
        }
      }
    }
  }
  if (block != nullptr) out->SetImage(block, size);
  return out;
}

BitmapLoader* BitmapLoader_Create(const uint32_t* pixels, int32_t width, int32_t height) {
  if (pixels == nullptr) return nullptr;
  uint32_t size = 0;
  uint8_t* block = TBitmap_NewBlock(width, height, &size);
  if (block == nullptr) return nullptr;
  std::memcpy(block + kBitmapBlockHeader, pixels, size - kBitmapBlockHeader);
  return new BitmapLoader(block, size);
}

BitmapLoader::~BitmapLoader() { MEM_FREE(m_block); }

IBitmap* BitmapLoader::CreateBitmap(int32_t index) const {
  if (index < 0 || index >= m_imageCount) return nullptr;
  auto* copy = static_cast<uint8_t*>(MEM_ALLOC_RAW(m_blockSize));
  std::memcpy(copy, m_block, m_blockSize);
  auto* bitmap = new TBitmap();
  bitmap->SetImage(copy, m_blockSize);
  return bitmap;
}
