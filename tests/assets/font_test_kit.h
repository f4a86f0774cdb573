// Fonts for tests: a FONT chunk written with the container writer and loaded into the font table,
// its page entries pointing at texture slots the test made.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <vector>

#include "assets/font.h"
#include "assets/texture_pages.h"
#include "container/font.h"
#include "container/tpag.h"
#include "runtime/container.h"

namespace font_test {

// The loaded container: the fonts keep pointers into it.
struct LoadedFonts {
  std::vector<uint8_t> bytes;
  // The TPAG entries in the container, in order.
  std::vector<TPageEntry*> entries;
};

// Writes the fonts and page entries, loads the FONT chunk and points entry i at slots[i].
inline bool LoadFonts(LoadedFonts* out, const std::vector<std::optional<container::FontEntry>>& fonts,
                      const std::vector<container::TexturePageEntry>& entries, const std::vector<int32_t>& slots) {
  container::ContainerWriter writer;
  container::write_font(writer, fonts);
  container::write_tpag(writer, entries);
  container::BuildResult built = writer.build();
  EXPECT_TRUE(built.ok()) << built.error;
  if (!built.ok()) return false;
  out->bytes = std::move(built.bytes);
  const ContainerBytes all{out->bytes.data(), out->bytes.size()};
  ContainerChunks chunks(all);
  bool loaded = false;
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::memcmp(chunk.tag, "TPAG", 4) == 0) {
      const uint32_t count = Container_U32(chunk.body);
      for (uint32_t i = 0; i < count; ++i) {
        auto* e = reinterpret_cast<TPageEntry*>(out->bytes.data() + Container_U32(chunk.body + 4 + 4 * i));
        e->page = static_cast<int16_t>(i < slots.size() ? slots[i] : -1);
        out->entries.push_back(e);
      }
    }
  }
  chunks = ContainerChunks(all);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::memcmp(chunk.tag, "FONT", 4) == 0) {
      Font_Init();
      loaded = Font_Load(chunk.body, chunk.size, all);
    }
  }
  return loaded;
}

// A monospaced font of the printable ASCII characters: each glyph 8 x 12 at (8 (c - 32), 0) on
// the sheet, advancing 10, drawn 1 to the right of the pen.
inline container::FontEntry MonoFont(const char* name = "fnt_mono") {
  container::FontEntry f;
  f.name = name;
  f.page_entry = 0;
  for (uint16_t c = 32; c < 127; ++c) {
    f.glyphs.push_back(container::FontGlyph{c, static_cast<int16_t>(8 * (c - 32) % 512),
                                            static_cast<int16_t>(8 * (c - 32) / 512 * 12), 8, 12, 10, 1});
  }
  return f;
}

}  // namespace font_test
