#include "container/minimal.h"

#include "container/gen8.h"
#include "container/optn.h"
#include "container/tpag.h"
#include "container/txtr.h"

namespace container {

void add_minimal_game(ContainerWriter& writer) { add_minimal_game(writer, {}); }

void add_minimal_game(ContainerWriter& writer, std::span<const RoomEntry> rooms, std::span<const ObjtEntry> objects,
                      const BytecodeProgram* program) {
  Gen8Header header;
  header.game_name = "Minimal";
  header.display_name = "Minimal";
  header.window_width = 320;
  header.window_height = 240;
  for (size_t i = 0; i < rooms.size(); ++i) {
    if (!rooms[i].empty_slot) header.room_order.push_back(static_cast<int32_t>(i));
    // As a game's header does, the id counters start past every id its rooms place.
    for (const RoomInstanceEntry& r : rooms[i].instances) {
      if (r.id > 0 && static_cast<uint32_t>(r.id) > header.last_instance_id) header.last_instance_id = static_cast<uint32_t>(r.id);
    }
    for (const RoomTileEntry& t : rooms[i].tiles) {
      if (t.id > 0 && static_cast<uint32_t>(t.id) > header.last_tile_id) header.last_tile_id = static_cast<uint32_t>(t.id);
    }
  }
  write_gen8(writer, header);
  write_optn(writer, OptnNewLayout{});
  // Lists without entries: a count of 0.
  for (const char* tag : {"EXTN", "SOND", "AGRP", "SPRT", "BGND", "PATH", "SCPT", "SHDR", "FONT", "TMLN"}) {
    writer.add_chunk(tag).u32(0);
  }
  write_objt(writer, objects, header.format_version);
  write_room(writer, rooms);
  writer.add_chunk("DAFL");
  const TexturePageEntry entry{0, 0, 1, 1, 0, 0, 1, 1, 1, 1, 0};
  write_tpag(writer, std::span(&entry, 1));
  if (program != nullptr) {
    write_bytecode(writer, *program);
  } else {
    // Compiled code needs no byte code: these stay empty.
    for (const char* tag : {"CODE", "VARI", "FUNC"}) writer.add_chunk(tag);
  }
  writer.add_string_pool();
  const TexturePage page{0, std::vector<uint8_t>(tiny_png().begin(), tiny_png().end())};
  write_txtr(writer, std::span(&page, 1));
  writer.add_chunk("AUDO").u32(0);
}

}  // namespace container
