#include "assets/image_decode.h"

#include <gif_lib.h>

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "assets/bitmap.h"
#include "core/console.h"
#include "core/memory_manager.h"

int32_t g_ImageDivisor = 1;
uint64_t g_ImageMaxPixels = kBitmapMaxPixels;

namespace {

PNGDecoder g_png;
bool g_pngHeld = false;  // the slot holds a decode

bool SizeAllowed(uint64_t width, uint64_t height) {
  return width > 0 && height > 0 && width * height <= g_ImageMaxPixels;
}

void ReleasePNG(PNGDecoder* record) {
  if (record->png != nullptr) png_destroy_read_struct(&record->png, &record->info, &record->endInfo);
  if (record->pixels != nullptr) MEM_FREE(record->pixels);
  if (record->rows != nullptr) MEM_FREE(record->rows);
  const uint8_t* data = record->data;
  const size_t length = record->length;
  *record = PNGDecoder{};
  record->data = data;
  record->length = length;
}

// The shared first steps of both drivers: signature, structures, header, transformations and the
// updated row layout. False on any failure, with the record's structures released.
bool ReadHeader(PNGDecoder* record) {
  if (record->data == nullptr || record->length < 8 || png_sig_cmp(record->data, 0, 8) != 0) {
    Console_DebugOutput("Not a PNG\n");
    return false;
  }
  record->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  if (record->png == nullptr) return false;
  record->info = png_create_info_struct(record->png);
  record->endInfo = png_create_info_struct(record->png);
  if (record->info == nullptr || record->endInfo == nullptr) return false;
  png_structp png = record->png;
  png_infop info = record->info;
  if (setjmp(png_jmpbuf(png))) return false;
  record->position = 8;
  png_set_read_fn(png, record, PNG_ReadCallback);
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int bitDepth = 0, colourType = 0;
  png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
  if (!SizeAllowed(width, height)) return false;
  // A transparency chunk becomes the alpha channel for every colour type; images with neither
  // get fully opaque alpha, whatever their bit depth.
  const bool transparency = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
  if (colourType == PNG_COLOR_TYPE_PALETTE || transparency || bitDepth < 8) png_set_expand(png);
  if (colourType == PNG_COLOR_TYPE_GRAY || colourType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
  if (!transparency && (colourType & PNG_COLOR_MASK_ALPHA) == 0) png_set_add_alpha(png, 0xFFFF, PNG_FILLER_AFTER);
  if (bitDepth == 16) png_set_strip_16(png);
  png_set_bgr(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) return false;
  record->width = static_cast<int32_t>(width);
  record->height = static_cast<int32_t>(height);
  return true;
}

// Reports the record's size through the divisor.
void ReportSize(const PNGDecoder& record, int32_t* width, int32_t* height, bool reduce) {
  const int32_t divisor = reduce && g_ImageDivisor > 1 ? g_ImageDivisor : 1;
  if (width != nullptr) *width = record.width / divisor;
  if (height != nullptr) *height = record.height / divisor;
}

void Fail(int32_t* width, int32_t* height) {
  if (width != nullptr) *width = -1;
  if (height != nullptr) *height = -1;
}

}  // namespace

void PNG_ReadCallback(png_structp png, png_bytep destination, png_size_t n) {
  auto* record = static_cast<PNGDecoder*>(png_get_io_ptr(png));
  if (record == nullptr || n > record->length - record->position) png_error(png, "read beyond the data");
  std::memcpy(destination, record->data + record->position, n);
  record->position += n;
}

bool ReadPNG(PNGDecoder* record) {
  if (ReadHeader(record)) return true;
  record->error = true;
  Console_DebugOutput("ReadPNG :: a PNG error occured\n");
  return false;
}

bool ReadPNG_Decode(PNGDecoder* record) {
  if (!ReadPNG(record)) return false;
  png_structp png = record->png;
  const size_t rowBytes = static_cast<size_t>(record->width) * 4;
  record->pixels = static_cast<uint8_t*>(MEM_ALLOC_RAW(rowBytes * static_cast<size_t>(record->height)));
  record->rows = static_cast<png_bytep*>(MEM_ALLOC_RAW(sizeof(png_bytep) * static_cast<size_t>(record->height)));
  for (int32_t i = 0; i < record->height; ++i) record->rows[i] = record->pixels + rowBytes * static_cast<size_t>(i);
  if (setjmp(png_jmpbuf(png))) {
    record->error = true;
    Console_DebugOutput("ReadPNG :: a PNG error occured\n");
    return false;
  }
  png_read_image(png, record->rows);
  return true;
}

uint32_t* PNG_Decode(const void* data, size_t length, int32_t* width, int32_t* height, bool reduce) {
  if (!g_pngHeld) {
    g_png = PNGDecoder{};
    g_png.data = static_cast<const uint8_t*>(data);
    g_png.length = length;
    if (!ReadPNG_Decode(&g_png)) {
      ReleasePNG(&g_png);
      Fail(width, height);
      return nullptr;
    }
    g_pngHeld = true;
    if (reduce && g_ImageDivisor > 1) {
      const int32_t w = std::max(g_png.width / g_ImageDivisor, 1), h = std::max(g_png.height / g_ImageDivisor, 1);
      auto* pixels = reinterpret_cast<uint32_t*>(g_png.pixels);
      Image_HalveBox(w, h, pixels, g_png.width, g_png.height, pixels);
    }
  }
  ReportSize(g_png, width, height, reduce);
  return reinterpret_cast<uint32_t*>(g_png.pixels);
}

void PNG_FreeDecoder() {
  if (!g_pngHeld && g_png.png == nullptr) return;
  ReleasePNG(&g_png);
  g_png = PNGDecoder{};
  g_pngHeld = false;
}

// The header is read into a record of its own, so that a decode the slot holds stays as it is.
bool PNG_GetSize(const void* data, size_t length, int32_t* width, int32_t* height, bool reduce) {
  PNGDecoder record;
  record.data = static_cast<const uint8_t*>(data);
  record.length = length;
  const bool ok = ReadPNG(&record);
  if (ok) {
    ReportSize(record, width, height, reduce);
  } else {
    Fail(width, height);
  }
  ReleasePNG(&record);
  return ok;
}

namespace {
uint32_t BigEndian16(const uint8_t* p) { return static_cast<uint32_t>(p[0]) << 8 | p[1]; }
uint32_t BigEndian32(const uint8_t* p) { return BigEndian16(p) << 16 | BigEndian16(p + 2); }

// The frame header of a JPEG stream: the markers are walked from the start up to the first
// start-of-frame marker (C0-CF but C4, C8 and CC), whose segment gives height, then width.
bool JPEGHeaderSize(const uint8_t* p, size_t length, uint64_t* width, uint64_t* height) {
  size_t at = 2;
  while (at + 4 <= length) {
    if (p[at] != 0xFF) return false;
    const uint8_t marker = p[at + 1];
    if (marker == 0xFF) {  // a fill byte
      ++at;
      continue;
    }
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) {  // markers without a segment
      at += 2;
      continue;
    }
    if (marker == 0xD9 || marker == 0xDA) return false;  // the image ends or its data starts
    const uint32_t segment = BigEndian16(p + at + 2);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (segment < 7 || at + 9 > length) return false;
      *height = BigEndian16(p + at + 5);
      *width = BigEndian16(p + at + 7);
      return true;
    }
    at += 2 + segment;
  }
  return false;
}
}  // namespace

bool Image_HeaderSize(const void* data, size_t length, uint64_t* width, uint64_t* height) {
  const auto* p = static_cast<const uint8_t*>(data);
  if (p == nullptr) return false;
  static constexpr uint8_t kPNGSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  if (length >= 24 && std::memcmp(p, kPNGSignature, 8) == 0 && std::memcmp(p + 12, "IHDR", 4) == 0) {
    *width = BigEndian32(p + 16);
    *height = BigEndian32(p + 20);
    return true;
  }
  if (length >= 10 && std::memcmp(p, "GIF8", 4) == 0) {
    // The logical screen, which is the size the decoder makes.
    *width = p[6] | static_cast<uint32_t>(p[7]) << 8;
    *height = p[8] | static_cast<uint32_t>(p[9]) << 8;
    return true;
  }
  if (length >= 3 && p[0] == 0xFF && p[1] == 0xD8 && p[2] == 0xFF) return JPEGHeaderSize(p, length, width, height);
  return false;
}

bool Image_FitsLoadBudget(const void* data, size_t length, const char* what, const char* name) {
  uint64_t width = 0, height = 0;
  if (!Image_HeaderSize(data, length, &width, &height) || width * height <= kImageLoadBudgetPixels) return true;
  Console_DebugOutput("%s %s: %llu x %llu pixels is more than the %llu pixels an image loaded while the game runs "
                      "may have\n",
                      what, name != nullptr ? name : "", static_cast<unsigned long long>(width),
                      static_cast<unsigned long long>(height), static_cast<unsigned long long>(kImageLoadBudgetPixels));
  return false;
}

void Image_HalveBox(int32_t dstWidth, int32_t dstHeight, uint32_t* dst, int32_t srcWidth, int32_t srcHeight,
                    const uint32_t* src) {
  if (dstWidth <= 0 || dstHeight <= 0 || srcWidth <= 0 || srcHeight <= 0) return;
  const int64_t sx = static_cast<int64_t>(srcWidth) * 65536 / dstWidth;
  const int64_t sy = static_cast<int64_t>(srcHeight) * 65536 / dstHeight;
  // Destination pixels lie at or before their source blocks, so halving in place reads each
  // source pixel before it is overwritten.
  for (int32_t y = 0; y < dstHeight; ++y) {
    const int32_t y0 = static_cast<int32_t>((y * sy) >> 16);
    const int32_t y1 = std::min(y0 + 1, srcHeight - 1);
    for (int32_t x = 0; x < dstWidth; ++x) {
      const int32_t x0 = static_cast<int32_t>((x * sx) >> 16);
      const int32_t x1 = std::min(x0 + 1, srcWidth - 1);
      const uint32_t p[4] = {src[static_cast<size_t>(y0) * srcWidth + x0], src[static_cast<size_t>(y0) * srcWidth + x1],
                             src[static_cast<size_t>(y1) * srcWidth + x0], src[static_cast<size_t>(y1) * srcWidth + x1]};
      uint32_t out = 0;
      for (int shift = 0; shift < 32; shift += 8) {
        uint32_t sum = 0;
        for (uint32_t v : p) sum += (v >> shift) & 0xFF;
        out |= (sum >> 2) << shift;
      }
      dst[static_cast<size_t>(y) * dstWidth + x] = out;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// JPEG

namespace {

// The library's error manager extended with the way back. A library error must not end the
// program: the message is printed and the decode returns null.
struct JPEGJob {
  jpeg_error_mgr error;
  jmp_buf back;
  uint8_t* volatile row = nullptr;
  uint32_t* volatile pixels = nullptr;
};

void JPEG_ErrorExit(j_common_ptr cinfo) {
  (*cinfo->err->output_message)(cinfo);
  longjmp(reinterpret_cast<JPEGJob*>(cinfo->err)->back, 1);
}

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void JPEG_InitSource(j_decompress_ptr) {}
void JPEG_TermSource(j_decompress_ptr) {}

// Called only when the data is used up: a cut file ends as if it were complete.
boolean JPEG_FillInputBuffer(j_decompress_ptr cinfo) {
  cinfo->src->next_input_byte = kEndOfImage;
  cinfo->src->bytes_in_buffer = 2;
  return TRUE;
}

void JPEG_SkipInputData(j_decompress_ptr cinfo, long n) {
  if (n <= 0) return;
  jpeg_source_mgr* src = cinfo->src;
  const size_t skip = std::min(static_cast<size_t>(n), src->bytes_in_buffer);
  src->next_input_byte += skip;
  src->bytes_in_buffer -= skip;
}

}  // namespace

uint32_t* JPEG_Decode(const void* data, size_t length, int32_t* width, int32_t* height) {
  if (data == nullptr || length == 0) return nullptr;
  jpeg_decompress_struct cinfo{};  // zeroed, so that destroying it before creation is harmless
  JPEGJob job;
  cinfo.err = jpeg_std_error(&job.error);
  job.error.error_exit = JPEG_ErrorExit;
  if (setjmp(job.back)) {
    jpeg_destroy_decompress(&cinfo);
    if (job.row != nullptr) MEM_FREE(job.row);
    if (job.pixels != nullptr) MEM_FREE(job.pixels);
    return nullptr;
  }
  jpeg_create_decompress(&cinfo);
  // The library's own working memory (whole-image buffers of progressive files) stays within what
  // the image's pixels may take; a file that needs more is refused as a library error.
  cinfo.mem->max_memory_to_use = static_cast<long>(std::min<uint64_t>(g_ImageMaxPixels * 4, LONG_MAX));
  jpeg_source_mgr source{};
  source.init_source = JPEG_InitSource;
  source.fill_input_buffer = JPEG_FillInputBuffer;
  source.skip_input_data = JPEG_SkipInputData;
  source.resync_to_restart = jpeg_resync_to_restart;
  source.term_source = JPEG_TermSource;
  source.next_input_byte = static_cast<const JOCTET*>(data);
  source.bytes_in_buffer = length;
  cinfo.src = &source;

  int header = JPEG_HEADER_TABLES_ONLY;
  while (header == JPEG_HEADER_TABLES_ONLY) header = jpeg_read_header(&cinfo, FALSE);
  if (header == JPEG_SUSPENDED || !SizeAllowed(cinfo.image_width, cinfo.image_height)) {
    jpeg_destroy_decompress(&cinfo);
    return nullptr;
  }
  jpeg_start_decompress(&cinfo);
  const uint32_t w = cinfo.output_width, h = cinfo.output_height;
  const int components = cinfo.output_components;
  if (!SizeAllowed(w, h) || components <= 0) {
    jpeg_destroy_decompress(&cinfo);
    return nullptr;
  }
  job.row = static_cast<uint8_t*>(MEM_ALLOC(static_cast<size_t>(w) * components));
  job.pixels = static_cast<uint32_t*>(MEM_ALLOC_RAW(static_cast<size_t>(w) * h * 4));
  while (cinfo.output_scanline < h) {
    const uint32_t y = cinfo.output_scanline;
    JSAMPROW row = job.row;
    if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) break;
    uint32_t* out = job.pixels + static_cast<size_t>(y) * w;
    const uint8_t* c = job.row;
    for (uint32_t x = 0; x < w; ++x, c += components) {
      switch (components) {
        case 1: out[x] = 0xFF000000u | (uint32_t{c[0]} * 0x010101u); break;
        case 3: out[x] = 0xFF000000u | (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2]; break;
        case 4: out[x] = (uint32_t{c[3]} << 24) | (uint32_t{c[0]} << 16) | (uint32_t{c[1]} << 8) | c[2]; break;
        default: out[x] = 0; break;
      }
    }
  }
  // Rows the data never delivered stay black rather than holding whatever the block held.
  if (cinfo.output_scanline < h) {
    std::memset(job.pixels + static_cast<size_t>(cinfo.output_scanline) * w, 0,
                static_cast<size_t>(h - cinfo.output_scanline) * w * 4);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  MEM_FREE(job.row);
  uint32_t* pixels = job.pixels;
  if (width != nullptr) *width = static_cast<int32_t>(w);
  if (height != nullptr) *height = static_cast<int32_t>(h);
  return pixels;
}

// ---------------------------------------------------------------------------------------------
// GIF

namespace {

struct GIFSource {
  const uint8_t* data;
  size_t length;
  size_t position;
};

int GIF_ReadCallback(GifFileType* gif, GifByteType* destination, int n) {
  auto* source = static_cast<GIFSource*>(gif->UserData);
  if (n <= 0) return 0;
  const size_t count = std::min(static_cast<size_t>(n), source->length - source->position);
  std::memcpy(destination, source->data + source->position, count);
  source->position += count;
  return static_cast<int>(count);
}

// The first image: its raster (one index byte per pixel), place, size and colour map, and the
// transparent index of the graphics control extension that precedes it (-1 for none).
struct GIFFrame {
  GifByteType* raster = nullptr;
  int left = 0, top = 0, width = 0, height = 0;
  const ColorMapObject* map = nullptr;
  int transparent = -1;
};

// Reads the records up to and through the first image. Only that image is decoded, and its
// raster is allocated once its size has been checked, so a hostile header never makes the
// library allocate for images nobody draws.
bool ReadFirstFrame(GifFileType* gif, GIFFrame* frame) {
  for (;;) {
    GifRecordType type;
    if (DGifGetRecordType(gif, &type) != GIF_OK) return false;
    if (type == TERMINATE_RECORD_TYPE) return false;
    if (type == EXTENSION_RECORD_TYPE) {
      int code = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif, &code, &block) != GIF_OK) return false;
      if (code == GRAPHICS_EXT_FUNC_CODE && block != nullptr && block[0] == 4) {
        frame->transparent = (block[1] & 1) != 0 ? block[4] : -1;
      }
      while (block != nullptr) {
        if (DGifGetExtensionNext(gif, &block) != GIF_OK) return false;
      }
      continue;
    }
    if (type != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif) != GIF_OK) return false;
    const GifImageDesc& desc = gif->Image;
    frame->left = desc.Left;
    frame->top = desc.Top;
    frame->width = desc.Width;
    frame->height = desc.Height;
    // The image's own map, when it has one, is the one its indices refer to.
    frame->map = desc.ColorMap != nullptr ? desc.ColorMap : gif->SColorMap;
    if (frame->width <= 0 || frame->height <= 0) return true;
    if (!SizeAllowed(static_cast<uint64_t>(frame->width), static_cast<uint64_t>(frame->height))) return false;
    const size_t w = static_cast<size_t>(frame->width);
    frame->raster = static_cast<GifByteType*>(MEM_ALLOC_RAW(w * static_cast<size_t>(frame->height)));
    if (desc.Interlace) {
      static constexpr int kStart[4] = {0, 4, 2, 1};
      static constexpr int kStep[4] = {8, 8, 4, 2};
      for (int pass = 0; pass < 4; ++pass) {
        for (int y = kStart[pass]; y < frame->height; y += kStep[pass]) {
          if (DGifGetLine(gif, frame->raster + y * w, frame->width) != GIF_OK) return false;
        }
      }
      return true;
    }
    return DGifGetLine(gif, frame->raster, frame->width * frame->height) == GIF_OK;
  }
}

}  // namespace

uint32_t* GIF_Decode(const void* data, size_t length, int32_t* width, int32_t* height) {
  if (data == nullptr || length == 0) return nullptr;
  GIFSource source{static_cast<const uint8_t*>(data), length, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, GIF_ReadCallback, &error);
  if (gif == nullptr) return nullptr;
  const int screenWidth = gif->SWidth, screenHeight = gif->SHeight;
  GIFFrame frame;
  uint32_t* pixels = nullptr;
  if (SizeAllowed(static_cast<uint64_t>(std::max(screenWidth, 0)), static_cast<uint64_t>(std::max(screenHeight, 0))) &&
      ReadFirstFrame(gif, &frame) && frame.map != nullptr && frame.map->Colors != nullptr) {
    // The image sits at its own place on a transparent screen, clipped to it.
    const size_t sw = static_cast<size_t>(screenWidth);
    pixels = static_cast<uint32_t*>(MEM_ALLOC(sw * static_cast<size_t>(screenHeight) * 4));
    const int x0 = std::max(frame.left, 0), y0 = std::max(frame.top, 0);
    const int x1 = std::min(frame.left + frame.width, screenWidth);
    const int y1 = std::min(frame.top + frame.height, screenHeight);
    const int colours = frame.map->ColorCount;
    for (int y = y0; y < y1; ++y) {
      const GifByteType* in = frame.raster + static_cast<size_t>(y - frame.top) * frame.width;
      for (int x = x0; x < x1; ++x) {
        const int index = in[x - frame.left];
        if (index == frame.transparent || index >= colours) continue;
        const GifColorType& c = frame.map->Colors[index];
        pixels[static_cast<size_t>(y) * sw + x] =
            0xFF000000u | (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
      }
    }
    if (width != nullptr) *width = screenWidth;
    if (height != nullptr) *height = screenHeight;
  }
  if (frame.raster != nullptr) MEM_FREE(frame.raster);
  DGifCloseFile(gif, &error);
  return pixels;
}
