// Texture pages (TXTR): one record {flags, image offset} per page, then the image files.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "container/writer.h"

namespace container {

struct TexturePage {
  uint32_t flags = 0;
  std::vector<uint8_t> image;  // a PNG file (or a "RAW " block); empty writes offset 0
};

// A 1 × 1 white PNG, for pages whose pixels do not matter.
std::span<const uint8_t> tiny_png();

// Adds the chunk: a count, the record offsets, the records ("TXTR/page/<i>"), then the images
// ("TXTR/image/<i>", each starting at a multiple of 16 from the body's start).
ChunkBuilder& write_txtr(ContainerWriter& writer, std::span<const TexturePage> pages);

}  // namespace container
