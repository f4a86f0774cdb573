// Sprites (SPRT): one entry per sprite. A bitmap entry lists the page entries of its frames (the
// TPAG writer's labels) and its masks, bit-packed; vector and skeleton entries have a frame count
// of -1 and their own data.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct SpriteEntry {
  std::string name;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bbox_left = 0;
  int32_t bbox_right = 0;
  int32_t bbox_bottom = 0;
  int32_t bbox_top = 0;
  bool transparent = true;
  bool smooth = false;
  bool preload = true;
  int32_t bbox_mode = 0;
  bool precise = false;
  int32_t x_origin = 0;
  int32_t y_origin = 0;
  // Bitmap sprites: the TPAG entry index of each frame (-1: none).
  std::vector<int32_t> frames;
  // Masks of width x height bytes (nonzero solid), written as rows of ceil(width / 8) bytes,
  // the leftmost pixel in the most significant bit.
  std::vector<std::vector<uint8_t>> masks;
  // 1 vector, 2 skeleton: written with a frame count of -1 and `kind_data` after the header.
  int32_t kind = 0;
  std::vector<uint8_t> kind_data;
};

// Adds the chunk: a count, the entry offsets ("SPRT/entry/<i>"; an absent entry writes 0), then
// the entries.
ChunkBuilder& write_sprt(ContainerWriter& writer, std::span<const std::optional<SpriteEntry>> sprites);

// Mask rows packed as the SPRT entry stores them.
std::vector<uint8_t> pack_mask(const std::vector<uint8_t>& mask, int32_t width, int32_t height);

}  // namespace container
