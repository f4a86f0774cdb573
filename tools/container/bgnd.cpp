#include "container/bgnd.h"

namespace container {

ChunkBuilder& write_bgnd(ContainerWriter& writer, std::span<const std::optional<BackgroundEntry>> backgrounds) {
  ChunkBuilder& chunk = writer.add_chunk("BGND");
  chunk.u32(static_cast<uint32_t>(backgrounds.size()));
  for (size_t i = 0; i < backgrounds.size(); ++i) {
    chunk.offset_to(backgrounds[i] ? "BGND/entry/" + std::to_string(i) : "");
  }
  for (size_t i = 0; i < backgrounds.size(); ++i) {
    if (!backgrounds[i]) continue;
    const BackgroundEntry& b = *backgrounds[i];
    chunk.align(4).label("BGND/entry/" + std::to_string(i));
    chunk.string_ref(b.name).u32(b.transparent ? 1 : 0).u32(b.smooth ? 1 : 0).u32(b.preload ? 1 : 0);
    chunk.offset_to(b.page_entry >= 0 ? "TPAG/entry/" + std::to_string(b.page_entry) : "");
  }
  return chunk;
}

}  // namespace container
