// The preparation before the first room, the start of the game, and the list of persistent
// instances carried between rooms.
#pragma once

// Prepares extensions, constants, scripts, timelines, objects, rooms and sounds; false when one
// of them fails (after telling the user).
bool Runner_PrepareAll();
// Starts the game in the first room of the room order.
void StartGame();
// Deletes the instances still carried between rooms and frees the list (teardown).
void Runner_FreeCarriedInstances();
