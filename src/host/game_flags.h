// Game-wide switches that the game header and the game options set when the game is loaded, and
// that the object model reads.
#pragma once

#include <cstdint>

// Script-object mode (header flag 0x8000): the standard script objects exist and the object
// collector runs.
bool Game_ObjectMode();
void Game_SetObjectMode(bool on);

// Option flags of the game options (the low 32 bits).
inline constexpr uint32_t kOptionVariableReadError = 0x400000u;  // reading an unset variable is an error
uint32_t Options_Flags();
void Options_SetFlags(uint32_t flags);
