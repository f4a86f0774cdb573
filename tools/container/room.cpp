#include "container/room.h"

#include <string>
#include <vector>

namespace container {

ChunkBuilder& write_room(ContainerWriter& writer, std::span<const RoomEntry> rooms) {
  ChunkBuilder& chunk = writer.add_chunk("ROOM");
  std::vector<std::string> labels;
  for (size_t i = 0; i < rooms.size(); ++i) labels.push_back(rooms[i].empty_slot ? "" : "ROOM/entry/" + std::to_string(i));
  chunk.pointer_list(labels);
  for (size_t i = 0; i < rooms.size(); ++i) {
    const RoomEntry& room = rooms[i];
    if (room.empty_slot) continue;
    const std::string entry = labels[i];
    chunk.align(4).label(entry);
    if (room.name) {
      chunk.string_ref(*room.name);
    } else {
      chunk.u32(0);
    }
    chunk.u32(0);  // caption: none
    chunk.i32(room.width).i32(room.height).i32(room.speed);
    chunk.u32(0).u32(0).u32(0);  // persistent, colour, show colour
    chunk.i32(-1);               // creation code: none
    chunk.u32(0);                // flags; layer format 0, so no layer list follows
    for (const char* list : {"backgrounds", "views", "instances", "tiles"}) chunk.offset_to(entry + "/" + list);
    chunk.u32(0);                         // uses physics
    chunk.zeros(16);                      // world bounds
    chunk.f32(0.0f).f32(0.0f).f32(0.0f);  // gravity x, y, pixel-to-metre scale
    for (const char* list : {"backgrounds", "views", "instances", "tiles"}) chunk.label(entry + "/" + list).u32(0);
  }
  return chunk;
}

}  // namespace container
