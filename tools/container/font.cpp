#include "container/font.h"

namespace container {

std::array<uint16_t, 256> default_character_map() {
  std::array<uint16_t, 256> map{};
  for (uint16_t i = 0; i < 256; ++i) map[i] = i < 128 ? i : 63;
  return map;
}

ChunkBuilder& write_font(ContainerWriter& writer, std::span<const std::optional<FontEntry>> fonts,
                         const std::array<uint16_t, 256>& character_map) {
  ChunkBuilder& chunk = writer.add_chunk("FONT");
  const std::string entry = "FONT/entry/";
  chunk.u32(static_cast<uint32_t>(fonts.size()));
  for (size_t i = 0; i < fonts.size(); ++i) {
    if (fonts[i]) {
      chunk.offset_to(entry + std::to_string(i));
    } else {
      chunk.u32(0);
    }
  }
  for (size_t i = 0; i < fonts.size(); ++i) {
    if (!fonts[i]) continue;
    const FontEntry& f = *fonts[i];
    chunk.align(4).label(entry + std::to_string(i));
    chunk.string_ref(f.name).string_ref(f.face).u32(f.size).u32(f.bold ? 1 : 0).u32(f.italic ? 1 : 0);
    chunk.u32(f.first | uint32_t{f.charset} << 16 | uint32_t{f.antialias} << 24).u32(f.last);
    if (f.page_entry) {
      chunk.offset_to("TPAG/entry/" + std::to_string(*f.page_entry));
    } else {
      chunk.u32(0);
    }
    chunk.f32(f.x_scale).f32(f.y_scale).u32(static_cast<uint32_t>(f.glyphs.size()));
    const std::string glyph = "FONT/glyph/" + std::to_string(i) + "/";
    for (size_t j = 0; j < f.glyphs.size(); ++j) chunk.offset_to(glyph + std::to_string(j));
    for (size_t j = 0; j < f.glyphs.size(); ++j) {
      const FontGlyph& g = f.glyphs[j];
      chunk.align(2).label(glyph + std::to_string(j));
      chunk.u16(g.character).i16(g.x).i16(g.y).i16(g.width).i16(g.height).i16(g.shift).i16(g.offset).u16(0);
    }
  }
  for (uint16_t c : character_map) chunk.u16(c);
  return chunk;
}

}  // namespace container
