// Checks a built Lumbrix container against what the translated code relies on (header, chunk
// order, objects, rooms, sounds, fonts, backgrounds, sprites) and against the rules that keep its
// levels playable (the wire graph, chips, spawners, winnability and the tutorial's route).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "content/content.h"

namespace lumbrix_content {

// Every breach found, each naming where it is; empty when the container keeps the contract.
std::vector<std::string> ValidateContainer(std::span<const uint8_t> container);

// One room's placed instances (room index as in Rooms()): its counts, fixed instances and, for the
// levels, the rules that keep them playable.
std::vector<std::string> ValidateRoom(int32_t room, const std::vector<Placed>& placed);

}  // namespace lumbrix_content
