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
    chunk.u32(room.persistent ? 1 : 0).u32(0).u32(0);  // persistent, colour, show colour
    chunk.i32(room.creation_code);
    chunk.u32(room.flags);  // layer format 0, so no layer list follows
    for (const char* list : {"backgrounds", "views", "instances", "tiles"}) chunk.offset_to(entry + "/" + list);
    chunk.u32(room.uses_physics ? 1 : 0);
    chunk.zeros(16);  // world bounds
    chunk.f32(room.gravity_x).f32(room.gravity_y).f32(room.pixel_to_metre);
    auto items = [&](const char* list, size_t count) {
      std::vector<std::string> labels;
      for (size_t k = 0; k < count; ++k) labels.push_back(entry + "/" + list + "/" + std::to_string(k));
      chunk.label(entry + "/" + list).pointer_list(labels);
      return labels;
    };
    const std::vector<std::string> backgrounds = items("backgrounds", room.backgrounds.size());
    for (size_t k = 0; k < backgrounds.size(); ++k) {
      const RoomBackgroundEntry& b = room.backgrounds[k];
      chunk.label(backgrounds[k]);
      for (int32_t v : {b.visible, b.foreground, b.index, b.x, b.y, b.htiled, b.vtiled, b.hspeed, b.vspeed, b.stretch}) {
        chunk.i32(v);
      }
    }
    const std::vector<std::string> views = items("views", room.views.size());
    for (size_t k = 0; k < views.size(); ++k) {
      const RoomViewEntry& v = room.views[k];
      chunk.label(views[k]);
      for (int32_t w : {v.visible, v.view_x, v.view_y, v.view_w, v.view_h, v.port_x, v.port_y, v.port_w, v.port_h,
                        v.hborder, v.vborder, v.hspeed, v.vspeed, v.object}) {
        chunk.i32(w);
      }
    }
    const std::vector<std::string> instances = items("instances", room.instances.size());
    for (size_t k = 0; k < instances.size(); ++k) {
      const RoomInstanceEntry& r = room.instances[k];
      chunk.label(instances[k]).i32(r.x).i32(r.y).i32(r.object).i32(r.id).i32(r.code);
      chunk.f32(r.xscale).f32(r.yscale).u32(r.colour).f32(r.angle);
    }
    items("tiles", 0);
  }
  return chunk;
}

}  // namespace container
