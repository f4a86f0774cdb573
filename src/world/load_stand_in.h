// STAND-IN until the game world is built: what loading a game calls of the world. The registrar
// registers nothing and the rooms' loader keeps what entering a room needs of each room; paths and
// timelines have their own tables (world/path.h, world/timeline.h).
// The room order, the id counters and the working directory are kept for real.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/container.h"
#include "world/path.h"
#include "world/timeline.h"

void Room_Init();
bool Room_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);

// What is kept of one ROOM entry, as the entry gives it, until the room table exists.
struct RoomDefinition {
  uint32_t nameOffset = 0;  // container offset of the name text (checked); 0 none
  std::string name;         // a copy of that text; empty for none
  int32_t width = 0;
  int32_t height = 0;
  int32_t speed = 0;  // frames per second; the frame loop treats 0 or less as 1
};
// The number of slots of the ROOM chunk's list.
int32_t Room_Number();
// In range and not an empty slot.
bool Room_Exists(int32_t index);
// The room of a slot; null when it does not exist.
const RoomDefinition* Room_Definition(int32_t index);
// Forgets the rooms and the room order (teardown).
void Room_FreeDefinitions();

// The room order of the game header (room indexes in play order; the host checked its bounds).
void Room_LoadOrder(const std::vector<int32_t>& rooms);
const std::vector<int32_t>& Room_Order();
// New instances and tiles take the id after the last one used.
void Room_SetInstanceIdCounter(int32_t lastId);
void Room_SetTileIdCounter(int32_t lastId);
int32_t Room_InstanceIdCounter();
int32_t Room_TileIdCounter();

// Makes working_directory from the game file path once per pass (up to and including its last
// slash or backslash).
void Variable_SetWorkingDirectory();

void InitGameFunctions();
