// The rooms chunk (ROOM): a count, the entry offsets, then one 88-byte entry per room with its
// background, view, instance and tile lists, and with a layer format above 1 the offset of its
// layer list.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "container/writer.h"

namespace container {

struct RoomBackgroundEntry {
  int32_t visible = 0, foreground = 0, index = -1, x = 0, y = 0, htiled = 1, vtiled = 1, hspeed = 0, vspeed = 0,
          stretch = 0;
};
struct RoomViewEntry {
  int32_t visible = 0, view_x = 0, view_y = 0, view_w = 640, view_h = 480, port_x = 0, port_y = 0, port_w = 640,
          port_h = 480, hborder = 32, vborder = 32, hspeed = -1, vspeed = -1, object = -1;
};
struct RoomInstanceEntry {
  int32_t x = 0, y = 0, object = 0, id = 100000;
  int32_t code = -1;  // code index, -1 none
  float xscale = 1.0f, yscale = 1.0f;
  uint32_t colour = 0xFFFFFFFF;
  float angle = 0.0f;
};

struct RoomTileEntry {
  int32_t x = 0, y = 0, background = 0, left = 0, top = 0, width = 16, height = 16, depth = 0, id = 10000000;
  float xscale = 1.0f, yscale = 1.0f;
  uint32_t colour = 0xFFFFFFFF;
};

// One layer: kind 1 a background (its entry and a colour), 2 instance ids, 3 a tile list.
struct RoomLayerEntry {
  int32_t id = 0;
  int32_t kind = 2;
  int32_t depth_index = 0;  // the runner's depth is (depth_index + 1) x 100
  RoomBackgroundEntry background = {};
  uint32_t colour = 0xFFFFFFFF;
  std::vector<int32_t> instance_ids = {};
  std::vector<RoomTileEntry> tiles = {};
};

struct RoomEntry {
  // True leaves the slot empty: offset 0 in the list and no entry.
  bool empty_slot = false;
  std::optional<std::string> name = "room";  // nullopt writes offset 0 (none)
  int32_t width = 640;
  int32_t height = 480;
  int32_t speed = 30;  // frames per second
  bool persistent = false;
  std::optional<std::string> caption = std::nullopt;  // nullopt writes offset 0 (none)
  uint32_t colour = 0;
  bool show_colour = false;
  int32_t creation_code = -1;  // code index, -1 none
  uint32_t flags = 0;          // bits 0-2; the layer format goes into bits 16-31
  int16_t layer_format = 0;    // above 1: the entry ends with the offset of its layer list
  std::vector<RoomBackgroundEntry> backgrounds = {};
  std::vector<RoomViewEntry> views = {};
  std::vector<RoomInstanceEntry> instances = {};
  std::vector<RoomTileEntry> tiles = {};
  std::vector<RoomLayerEntry> layers = {};
  bool uses_physics = false;
  float gravity_x = 0.0f, gravity_y = 0.0f, pixel_to_metre = 0.0f;
};

inline constexpr uint32_t kRoomEntrySize = 88;

// Adds the chunk; entry i is labelled "ROOM/entry/<i>".
ChunkBuilder& write_room(ContainerWriter& writer, std::span<const RoomEntry> rooms);

}  // namespace container
