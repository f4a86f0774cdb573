#include "container/room.h"

#include <string>
#include <vector>

namespace container {

namespace {

// A list's label followed by a pointer list to labels "<list>/<k>"; returns those labels.
std::vector<std::string> list_of(ChunkBuilder& chunk, const std::string& list, size_t count) {
  std::vector<std::string> labels;
  for (size_t k = 0; k < count; ++k) labels.push_back(list + "/" + std::to_string(k));
  chunk.label(list).pointer_list(labels);
  return labels;
}

void background_words(ChunkBuilder& chunk, const RoomBackgroundEntry& b) {
  for (int32_t v : {b.visible, b.foreground, b.index, b.x, b.y, b.htiled, b.vtiled, b.hspeed, b.vspeed, b.stretch}) {
    chunk.i32(v);
  }
}

void tile_list(ChunkBuilder& chunk, const std::string& list, std::span<const RoomTileEntry> tiles) {
  const std::vector<std::string> labels = list_of(chunk, list, tiles.size());
  for (size_t k = 0; k < labels.size(); ++k) {
    const RoomTileEntry& t = tiles[k];
    chunk.label(labels[k]);
    for (int32_t v : {t.x, t.y, t.background, t.left, t.top, t.width, t.height, t.depth, t.id}) chunk.i32(v);
    chunk.f32(t.xscale).f32(t.yscale).u32(t.colour);
  }
}

}  // namespace

ChunkBuilder& write_room(ContainerWriter& writer, std::span<const RoomEntry> rooms) {
  ChunkBuilder& chunk = writer.add_chunk("ROOM");
  std::vector<std::string> labels;
  for (size_t i = 0; i < rooms.size(); ++i) labels.push_back(rooms[i].empty_slot ? "" : "ROOM/entry/" + std::to_string(i));
  chunk.pointer_list(labels);
  for (size_t i = 0; i < rooms.size(); ++i) {
    const RoomEntry& room = rooms[i];
    if (room.empty_slot) continue;
    const std::string entry = labels[i];
    const bool hasLayers = room.layer_format > 1;
    chunk.align(4).label(entry);
    if (room.name) {
      chunk.string_ref(*room.name);
    } else {
      chunk.u32(0);
    }
    if (room.caption) {
      chunk.string_ref(*room.caption);
    } else {
      chunk.u32(0);
    }
    chunk.i32(room.width).i32(room.height).i32(room.speed);
    chunk.u32(room.persistent ? 1 : 0).u32(room.colour).u32(room.show_colour ? 1 : 0);
    chunk.i32(room.creation_code);
    chunk.u32((room.flags & 0xFFFFu) | (static_cast<uint32_t>(static_cast<uint16_t>(room.layer_format)) << 16));
    for (const char* list : {"backgrounds", "views", "instances", "tiles"}) chunk.offset_to(entry + "/" + list);
    chunk.u32(room.uses_physics ? 1 : 0);
    chunk.zeros(16);  // world bounds
    chunk.f32(room.gravity_x).f32(room.gravity_y).f32(room.pixel_to_metre);
    if (hasLayers) chunk.offset_to(entry + "/layers");

    const std::vector<std::string> backgrounds = list_of(chunk, entry + "/backgrounds", room.backgrounds.size());
    for (size_t k = 0; k < backgrounds.size(); ++k) {
      chunk.label(backgrounds[k]);
      background_words(chunk, room.backgrounds[k]);
    }
    const std::vector<std::string> views = list_of(chunk, entry + "/views", room.views.size());
    for (size_t k = 0; k < views.size(); ++k) {
      const RoomViewEntry& v = room.views[k];
      chunk.label(views[k]);
      for (int32_t w : {v.visible, v.view_x, v.view_y, v.view_w, v.view_h, v.port_x, v.port_y, v.port_w, v.port_h,
                        v.hborder, v.vborder, v.hspeed, v.vspeed, v.object}) {
        chunk.i32(w);
      }
    }
    const std::vector<std::string> instances = list_of(chunk, entry + "/instances", room.instances.size());
    for (size_t k = 0; k < instances.size(); ++k) {
      const RoomInstanceEntry& r = room.instances[k];
      chunk.label(instances[k]).i32(r.x).i32(r.y).i32(r.object).i32(r.id).i32(r.code);
      chunk.f32(r.xscale).f32(r.yscale).u32(r.colour).f32(r.angle);
    }
    tile_list(chunk, entry + "/tiles", room.tiles);
    if (!hasLayers) continue;
    const std::vector<std::string> layers = list_of(chunk, entry + "/layers", room.layers.size());
    for (size_t k = 0; k < layers.size(); ++k) {
      const RoomLayerEntry& layer = room.layers[k];
      chunk.label(layers[k]).i32(layer.id).i32(layer.kind).i32(layer.depth_index);
      if (layer.kind == 1) {
        background_words(chunk, layer.background);
        chunk.u32(layer.colour);
      } else if (layer.kind == 2) {
        chunk.u32(static_cast<uint32_t>(layer.instance_ids.size()));
        for (int32_t id : layer.instance_ids) chunk.i32(id);
      } else if (layer.kind == 3) {
        chunk.offset_to(layers[k] + "/tiles");
        tile_list(chunk, layers[k] + "/tiles", layer.tiles);
      }
    }
  }
  return chunk;
}

}  // namespace container
