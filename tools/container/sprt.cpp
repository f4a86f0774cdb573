#include "container/sprt.h"

namespace container {

std::vector<uint8_t> pack_mask(const std::vector<uint8_t>& mask, int32_t width, int32_t height) {
  const size_t rowBytes = (static_cast<size_t>(width) + 7) / 8;
  std::vector<uint8_t> out(rowBytes * static_cast<size_t>(height), 0);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
      if (at < mask.size() && mask[at] != 0) {
        out[static_cast<size_t>(y) * rowBytes + static_cast<size_t>(x) / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      }
    }
  }
  return out;
}

ChunkBuilder& write_sprt(ContainerWriter& writer, std::span<const std::optional<SpriteEntry>> sprites) {
  ChunkBuilder& chunk = writer.add_chunk("SPRT");
  chunk.u32(static_cast<uint32_t>(sprites.size()));
  for (size_t i = 0; i < sprites.size(); ++i) chunk.offset_to(sprites[i] ? "SPRT/entry/" + std::to_string(i) : "");
  for (size_t i = 0; i < sprites.size(); ++i) {
    if (!sprites[i]) continue;
    const SpriteEntry& s = *sprites[i];
    chunk.align(4).label("SPRT/entry/" + std::to_string(i));
    chunk.string_ref(s.name).i32(s.width).i32(s.height);
    chunk.i32(s.bbox_left).i32(s.bbox_right).i32(s.bbox_bottom).i32(s.bbox_top);
    chunk.u32(s.transparent ? 1 : 0).u32(s.smooth ? 1 : 0).u32(s.preload ? 1 : 0).i32(s.bbox_mode);
    chunk.u32(s.precise ? 1 : 0).i32(s.x_origin).i32(s.y_origin);
    if (s.kind != 0) {
      chunk.i32(-1).u32(1).i32(s.kind).u32(0).bytes(s.kind_data);
      continue;
    }
    chunk.i32(static_cast<int32_t>(s.frames.size()));
    for (int32_t tpe : s.frames) chunk.offset_to(tpe >= 0 ? "TPAG/entry/" + std::to_string(tpe) : "");
    chunk.i32(static_cast<int32_t>(s.masks.size()));
    for (const std::vector<uint8_t>& mask : s.masks) chunk.bytes(pack_mask(mask, s.width, s.height));
  }
  return chunk;
}

}  // namespace container
