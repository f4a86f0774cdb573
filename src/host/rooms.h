// The preparation before the first room, the start of the game, entering and leaving rooms, and
// the list of persistent instances carried between rooms.
#pragma once

#include <cstdint>

class CRoom;

// Prepares extensions, constants, scripts, timelines, objects, rooms and sounds; false when one
// of them fails (after telling the user).
bool Runner_PrepareAll();
// Starts the game in the first room of the room order. A game without any room, or whose first
// room does not exist, ends at the end of its first frame.
void StartGame();
// Enters the room (first: the first room of a game): its copy made or re-entered, carried
// instances taken in, Create events and creation codes, Game Start, the room's creation code and
// Room Start, in that order.
void Room_Start(int32_t index, bool first);
// Leaves the current room (Room End, and Game End when the game ends).
void Room_End(bool endOfGame);
// Leaves the current room and enters the room with this index.
void Room_Goto(int32_t roomIndex);
void Room_SetCurrent(CRoom* room);
// Deletes every run-time room copy and empties the room array (the end of a game).
void Runner_DeleteRoomCopies();
// Deletes the instances still carried between rooms and frees the list (teardown).
void Runner_FreeCarriedInstances();
