#include "container/gen8.h"

namespace container {

namespace {

ChunkBuilder& text(ChunkBuilder& chunk, const std::optional<std::string>& value) {
  return value ? chunk.string_ref(*value) : chunk.u32(0);
}

}  // namespace

uint32_t gen8_room_order_offset(uint8_t format_version) {
  if (format_version < 8) return 36;
  if (format_version < 10) return 100;
  if (format_version == 10) return 104;
  if (format_version == 11) return 112;
  if (format_version == 12) return 120;
  if (format_version == 13) return 124;
  return 128;
}

ChunkBuilder& write_gen8(ContainerWriter& writer, const Gen8Header& header) {
  const uint8_t version = header.format_version;
  ChunkBuilder& chunk = writer.add_chunk(header.tag);
  chunk.label(header.tag + "/header/0");
  chunk.u8(header.first_byte).u8(version).u16(0);
  text(chunk, header.game_file_name);
  text(chunk, header.config_name);
  chunk.u32(header.last_instance_id).u32(header.last_tile_id).u32(header.game_id);
  if (version < 8) {
    // The room order of old headers starts inside the identifier's place.
    chunk.bytes(std::span(header.identifier).first(12));
  } else {
    chunk.bytes(header.identifier);
    text(chunk, header.game_name);
    chunk.zeros(16);
    chunk.u32(header.window_width).u32(header.window_height).u32(header.header_flags);
    chunk.u32(header.word72);
    chunk.u32(static_cast<uint32_t>(header.word76)).u32(static_cast<uint32_t>(header.word76 >> 32));
    chunk.u32(static_cast<uint32_t>(header.word84)).u32(static_cast<uint32_t>(header.word84 >> 32));
    chunk.zeros(8);
    if (version >= 10) text(chunk, header.display_name);
    if (version >= 11) chunk.u32(static_cast<uint32_t>(header.word104)).u32(static_cast<uint32_t>(header.word104 >> 32));
    if (version >= 12) {
      chunk.u32(static_cast<uint32_t>(header.info_flags)).u32(static_cast<uint32_t>(header.info_flags >> 32));
    }
    if (version >= 13) chunk.u32(header.word120);
    if (version >= 14) chunk.u32(header.word124);
  }
  chunk.u32(static_cast<uint32_t>(header.room_order.size()));
  for (int32_t room : header.room_order) chunk.i32(room);
  return chunk;
}

}  // namespace container
