// Fonts (FONT): a count, the entry offsets (0 for an empty index), the entries with their glyphs,
// and as the chunk's last 512 bytes the character map (256 16-bit characters, one per byte value).
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

// 16 bytes; no kerning pairs are written.
struct FontGlyph {
  uint16_t character = 0;
  int16_t x = 0;
  int16_t y = 0;
  int16_t width = 0;
  int16_t height = 0;
  int16_t shift = 0;
  int16_t offset = 0;
};

struct FontEntry {
  std::string name;
  std::string face = "Arial";
  uint32_t size = 12;
  bool bold = false;
  bool italic = false;
  uint16_t first = 32;
  uint8_t charset = 0;
  uint8_t antialias = 0;  // the level + 1; 0 for none
  uint32_t last = 127;
  std::optional<uint32_t> page_entry;  // index of a TPAG entry ("TPAG/entry/<i>")
  float x_scale = 1.0f;
  float y_scale = 1.0f;
  std::vector<FontGlyph> glyphs;  // in ascending character order
};

// The map of the runner's data: the identity for 0..127 and 63 ("?") for 128..255.
std::array<uint16_t, 256> default_character_map();

// Adds the chunk; entry i is labelled "FONT/entry/<i>", its glyph j "FONT/glyph/<i>/<j>".
ChunkBuilder& write_font(ContainerWriter& writer, std::span<const std::optional<FontEntry>> fonts,
                         const std::array<uint16_t, 256>& character_map = default_character_map());

}  // namespace container
