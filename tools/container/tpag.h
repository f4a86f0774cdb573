// Texture-page entries (TPAG): where each image lies on its texture page.
#pragma once

#include <cstdint>
#include <span>

#include "container/writer.h"

namespace container {

// 22 bytes, eleven signed 16-bit fields in this order.
struct TexturePageEntry {
  int16_t source_x = 0;
  int16_t source_y = 0;
  int16_t source_width = 0;
  int16_t source_height = 0;
  int16_t target_x = 0;
  int16_t target_y = 0;
  int16_t target_width = 0;
  int16_t target_height = 0;
  int16_t full_width = 0;
  int16_t full_height = 0;
  int16_t page = 0;  // index of the page in the TXTR chunk
};

// Adds the chunk: a count, the entry offsets, then the entries, entry i labelled "TPAG/entry/<i>"
// (sprites, backgrounds and fonts point at these labels).
ChunkBuilder& write_tpag(ContainerWriter& writer, std::span<const TexturePageEntry> entries);

}  // namespace container
