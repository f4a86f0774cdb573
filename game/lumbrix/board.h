// What the board's sources share: the object and sprite indices they name, and what the board
// still holds for tests to see.
#pragma once

#include <cstdint>

namespace lumbrix {

inline constexpr int32_t kObNode = 10;
inline constexpr int32_t kObEdgelist = 11;
inline constexpr int32_t kObChip = 21;

// The ds_lists of edge lists that the board made and has not freed yet.
int32_t BoardListsHeld();

}  // namespace lumbrix
