// STAND-IN until the game world is built: what loading a game calls of the world that has no table
// of its own yet. Rooms, paths and timelines have their tables (world/room_table.h, world/path.h, world/timeline.h).
#pragma once

#include <cstdint>

#include "runtime/container.h"
#include "world/path.h"
#include "world/room_table.h"
#include "world/timeline.h"
