// The game's rooms: the definitions by room index with their names, the order the game plays
// them in, the rooms made at run time, and the two id counters new instances and tiles count on.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/container.h"

class CRoom;

// Empties the table, the names and the order; called before the rooms are loaded.
void Room_Init();
// Reads the ROOM chunk: a count, then one entry offset per room (0 leaves the slot empty).
bool Room_Load(uint8_t* body, uint32_t size, const ContainerBytes& container);
// The room order of the game header (room indexes in play order).
void Room_LoadOrder(const std::vector<int32_t>& rooms);
const std::vector<int32_t>& Room_Order();
bool Room_Prepare();

int32_t Room_Number();
// In range and not an empty slot.
bool Room_Exists(int32_t index);
// The definition of a slot; null when it does not exist.
CRoom* Room_Data(int32_t index);
// Its name; "<undefined>" when the room does not exist.
const char* Room_Name(int32_t index);
// The first existing room with exactly that name; -1 when none.
int32_t Room_Find(const char* name);
// Renames an existing room (false when it does not exist).
bool Room_SetName(int32_t index, const char* name);

// The first and last room of the order; -1 when the order is empty.
int32_t Room_First();
int32_t Room_Last();
// The room before / after the room in the order; -1 with fewer than two rooms. A room not in the
// order (or the first / last) gives the second-to-last / the second room.
int32_t Room_Previous(int32_t room);
int32_t Room_Next(int32_t room);

// room_add: a blank room named "__newroom<index>"; returns its index.
int32_t Room_Add();
// room_duplicate: a copy with records of its own; -1 when the room does not exist.
int32_t Room_Duplicate(int32_t room);
// room_assign: the room's slot gets a copy of source (its records, no instances); false unless
// both exist.
bool Room_Assign(int32_t room, int32_t source);

void Room_SetInstanceIdCounter(int32_t lastId);
void Room_SetTileIdCounter(int32_t lastId);
int32_t Room_InstanceIdCounter();
int32_t Room_TileIdCounter();
// Advances the instance id counter and returns the new id. Ids are never reused, so the counter
// does not wrap: at the largest id it reports "instance id limit reached" and returns -1, and no
// instance may be made.
int32_t Room_NextInstanceId();
// The same for the tile id counter ("tile id limit reached").
int32_t Room_NextTileId();

// Deletes every room, the names and the order (the end of the game data).
void Room_FreeDefinitions();
