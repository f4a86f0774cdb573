// Texture pages (TXTR): one record {flags, image offset} per page, then the image files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct TexturePage {
  uint32_t flags = 0;
  std::vector<uint8_t> image;  // a PNG file (or a "RAW " block); empty writes offset 0
};

// A 1 × 1 white PNG, for pages whose pixels do not matter.
std::span<const uint8_t> tiny_png();

// A PNG file of width × height 8-bit RGBA pixels (rows top first, 4 bytes a pixel, R G B A).
std::vector<uint8_t> png_page(uint32_t width, uint32_t height, std::span<const uint8_t> rgba);
// Reads a PNG file of any colour type and depth as 8-bit RGBA pixels (rows top first). False with
// `error` when the bytes are no readable PNG or a side is longer than `max_side`.
bool read_png(std::span<const uint8_t> file, uint32_t max_side, uint32_t* width, uint32_t* height,
              std::vector<uint8_t>* rgba, std::string* error);
// "RAW " blocks: the magic, width, height and pixel kind, then the pixels as stored. Kind 0 takes
// 32-bit pixels as the bytes R, G, B, A; kind 1 takes 16-bit values (written little-endian).
std::vector<uint8_t> raw_page32(uint32_t width, uint32_t height, std::span<const uint8_t> rgba);
std::vector<uint8_t> raw_page16(uint32_t width, uint32_t height, std::span<const uint16_t> pixels);

// Adds the chunk: a count, the record offsets, the records ("TXTR/page/<i>"), then the images
// ("TXTR/image/<i>", each starting at a multiple of 16 from the body's start).
ChunkBuilder& write_txtr(ContainerWriter& writer, std::span<const TexturePage> pages);

}  // namespace container
