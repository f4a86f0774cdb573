// The rooms chunk (ROOM): a count, the entry offsets, then one 88-byte entry per room. Only the
// fields a room needs to be entered are given; the rest are zero, the creation code is none and
// every list (backgrounds, views, instances, tiles) is an empty list of its own.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "container/writer.h"

namespace container {

struct RoomEntry {
  // True leaves the slot empty: offset 0 in the list and no entry.
  bool empty_slot = false;
  std::optional<std::string> name = "room";  // nullopt writes offset 0 (none)
  int32_t width = 640;
  int32_t height = 480;
  int32_t speed = 30;  // frames per second
};

inline constexpr uint32_t kRoomEntrySize = 88;

// Adds the chunk; entry i is labelled "ROOM/entry/<i>".
ChunkBuilder& write_room(ContainerWriter& writer, std::span<const RoomEntry> rooms);

}  // namespace container
