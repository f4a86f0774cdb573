// The game header chunk (GEN8; GEN7 and GENL share its layout) for every format version from 7
// to 15. Each version writes the fixed fields it has, then the room order right after them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct Gen8Header {
  std::string tag = "GEN8";
  uint8_t first_byte = 0;  // bit 0: debug flag
  uint8_t format_version = 15;
  // Texts go to the string pool; nullopt writes offset 0 (none).
  std::optional<std::string> game_file_name = "game";
  std::optional<std::string> config_name = "Default";
  uint32_t last_instance_id = 100000;
  uint32_t last_tile_id = 10000000;
  uint32_t game_id = 0;
  std::array<uint8_t, 16> identifier = {};
  std::optional<std::string> game_name = "game";  // format version 8 and later
  uint32_t window_width = 640;                   // format version 8 and later
  uint32_t window_height = 480;
  uint32_t header_flags = 0;
  uint32_t word72 = 0;
  uint64_t word76 = 0;
  uint64_t word84 = 0;
  std::optional<std::string> display_name = "game";  // format version 10 and later
  uint64_t word104 = 0;                             // 11 and later
  uint64_t info_flags = 0;                          // 12 and later
  uint32_t word120 = 0;                             // 13 and later
  uint32_t word124 = 0;                             // 14 and later
  std::vector<int32_t> room_order;
};

// Where the room order starts in the body of a header of this format version.
uint32_t gen8_room_order_offset(uint8_t format_version);

// Adds the chunk; its body start is labelled "<tag>/header/0".
ChunkBuilder& write_gen8(ContainerWriter& writer, const Gen8Header& header);

}  // namespace container
