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

namespace container {

void add_demo_views_game(ContainerWriter& writer) {
  RoomEntry room{.name = "views", .width = 640, .height = 480, .speed = 30, .colour = 0x3060C0, .show_colour = true};
  room.flags = 1;  // views enabled
  room.views = {
      RoomViewEntry{.visible = 1, .view_x = 0, .view_y = 0, .view_w = 320, .view_h = 240, .port_x = 0, .port_y = 0,
                    .port_w = 160, .port_h = 120},
      RoomViewEntry{.visible = 1, .view_x = 320, .view_y = 240, .view_w = 320, .view_h = 240, .port_x = 160,
                    .port_y = 0, .port_w = 160, .port_h = 120},
  };
  int32_t id = 100001;
  for (auto [x, y] : {std::pair{40, 40}, std::pair{280, 200}, std::pair{360, 280}, std::pair{600, 440}}) {
    room.instances.push_back(RoomInstanceEntry{.x = x, .y = y, .object = 0, .id = id++});
  }
  ObjtEntry marker;
  marker.name = "marker";
  add_minimal_game(writer, std::span(&room, 1), std::span(&marker, 1));
}

}  // namespace container
