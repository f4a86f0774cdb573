#include "container/txtr.h"

#include <png.h>

#include <string>

namespace container {

std::span<const uint8_t> tiny_png() {
  static constexpr uint8_t kPng[] = {
      0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48, 0x44, 0x52, 0x00,
      0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x08, 0x06, 0x00, 0x00, 0x00, 0x1f, 0x15, 0xc4, 0x89, 0x00,
      0x00, 0x00, 0x0b, 0x49, 0x44, 0x41, 0x54, 0x78, 0x9c, 0x63, 0xf8, 0x0f, 0x04, 0x00, 0x09, 0xfb, 0x03,
      0xfd, 0xfb, 0x5e, 0x6b, 0x2b, 0x00, 0x00, 0x00, 0x00, 0x49, 0x45, 0x4e, 0x44, 0xae, 0x42, 0x60, 0x82,
  };
  return kPng;
}

namespace {

void AppendPNG(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

void Put32(std::vector<uint8_t>* out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

std::vector<uint8_t> RawHeader(uint32_t width, uint32_t height, uint32_t kind) {
  std::vector<uint8_t> out;
  Put32(&out, 0x20574152);  // "RAW "
  Put32(&out, width);
  Put32(&out, height);
  Put32(&out, kind);
  return out;
}

}  // namespace

std::vector<uint8_t> png_page(uint32_t width, uint32_t height, std::span<const uint8_t> rgba) {
  std::vector<uint8_t> bytes;
  if (rgba.size() < size_t{width} * height * 4) return bytes;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  if (info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    bytes.clear();
    return bytes;
  }
  png_set_write_fn(png, &bytes, &AppendPNG, &NoFlush);
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (uint32_t y = 0; y < height; ++y) png_write_row(png, rgba.data() + size_t{y} * width * 4);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return bytes;
}

bool read_png(std::span<const uint8_t> file, uint32_t max_side, uint32_t* width, uint32_t* height,
              std::vector<uint8_t>* rgba, std::string* error) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_memory(&image, file.data(), file.size()) == 0) {
    *error = std::string("not a readable PNG file (") + image.message + ")";
    png_image_free(&image);
    return false;
  }
  // Checked before the pixels are allocated: the header alone may claim gigabytes.
  if (image.width == 0 || image.height == 0 || image.width > max_side || image.height > max_side) {
    *error = "a PNG of " + std::to_string(image.width) + " x " + std::to_string(image.height) +
             " pixels: each side must be 1 to " + std::to_string(max_side);
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_RGBA;
  rgba->assign(PNG_IMAGE_SIZE(image), 0);
  if (png_image_finish_read(&image, nullptr, rgba->data(), 0, nullptr) == 0) {
    *error = std::string("a damaged PNG file (") + image.message + ")";
    png_image_free(&image);
    rgba->clear();
    return false;
  }
  *width = image.width;
  *height = image.height;
  return true;
}

std::vector<uint8_t> raw_page32(uint32_t width, uint32_t height, std::span<const uint8_t> rgba) {
  std::vector<uint8_t> out = RawHeader(width, height, 0);
  out.insert(out.end(), rgba.begin(), rgba.end());
  return out;
}

std::vector<uint8_t> raw_page16(uint32_t width, uint32_t height, std::span<const uint16_t> pixels) {
  std::vector<uint8_t> out = RawHeader(width, height, 1);
  for (uint16_t v : pixels) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
  }
  return out;
}

ChunkBuilder& write_txtr(ContainerWriter& writer, std::span<const TexturePage> pages) {
  ChunkBuilder& chunk = writer.add_chunk("TXTR");
  chunk.u32(static_cast<uint32_t>(pages.size()));
  for (size_t i = 0; i < pages.size(); ++i) chunk.offset_to("TXTR/page/" + std::to_string(i));
  for (size_t i = 0; i < pages.size(); ++i) {
    chunk.label("TXTR/page/" + std::to_string(i));
    chunk.u32(pages[i].flags);
    chunk.offset_to(pages[i].image.empty() ? std::string() : "TXTR/image/" + std::to_string(i));
  }
  for (size_t i = 0; i < pages.size(); ++i) {
    if (pages[i].image.empty()) continue;
    chunk.align(16).label("TXTR/image/" + std::to_string(i));
    chunk.bytes(pages[i].image);
  }
  return chunk;
}

}  // namespace container
