#include "container/tpag.h"

#include <string>

namespace container {

ChunkBuilder& write_tpag(ContainerWriter& writer, std::span<const TexturePageEntry> entries) {
  ChunkBuilder& chunk = writer.add_chunk("TPAG");
  chunk.u32(static_cast<uint32_t>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) chunk.offset_to("TPAG/entry/" + std::to_string(i));
  for (size_t i = 0; i < entries.size(); ++i) {
    const TexturePageEntry& e = entries[i];
    chunk.align(2).label("TPAG/entry/" + std::to_string(i));
    for (int16_t field : {e.source_x, e.source_y, e.source_width, e.source_height, e.target_x, e.target_y,
                          e.target_width, e.target_height, e.full_width, e.full_height, e.page}) {
      chunk.i16(field);
    }
  }
  return chunk;
}

}  // namespace container
