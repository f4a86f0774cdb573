// Backgrounds (BGND): one entry per background, its name, flags and page entry (the TPAG
// writer's labels).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "container/writer.h"

namespace container {

struct BackgroundEntry {
  std::string name;
  bool transparent = false;
  bool smooth = false;
  bool preload = false;
  int32_t page_entry = -1;  // index of its TPAG entry; -1 none
};

// Adds the chunk: a count, the entry offsets (0 for an empty index), then the 20-byte entries,
// entry i labelled "BGND/entry/<i>".
ChunkBuilder& write_bgnd(ContainerWriter& writer, std::span<const std::optional<BackgroundEntry>> backgrounds);

}  // namespace container
