// Builds Lumbrix's container from the tables, the room files and the drawn and synthesised
// assets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "content/art.h"
#include "content/content.h"

namespace lumbrix_content {

struct BuiltContent {
  std::vector<uint8_t> container;
  // What --preview shows: every sprite frame and font sheet by name.
  std::vector<std::pair<std::string, Image>> pictures;
  std::vector<std::vector<Placed>> rooms;
};

// Reads rooms/<file>.txt for every room from `room_dir`; false with a message naming the room
// and line on a fault.
bool ReadRooms(const std::string& room_dir, std::vector<std::vector<Placed>>* rooms, std::string* error);

// A container of these rooms' instances (one list a room, in the room table's order) entered in
// this room order; the drawn and synthesised assets are made once and shared by every build.
bool BuildContainer(const std::vector<std::vector<Placed>>& rooms, const std::vector<int32_t>& room_order,
                    std::vector<uint8_t>* container, std::string* error);

// The whole container; the same bytes on every run.
bool BuildContent(const std::string& room_dir, BuiltContent* out, std::string* error);

}  // namespace lumbrix_content
