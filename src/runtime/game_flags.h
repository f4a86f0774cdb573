// Game-wide switches that the game header and the game options set when the game is loaded, and
// that the object model reads.
#pragma once

#include <cstdint>

// Script-object mode (header flag 0x8000): the standard script objects exist and the object
// collector runs.
bool Game_ObjectMode();
void Game_SetObjectMode(bool on);

// Compiled mode: the game's code was translated to native functions, as it is in this build.
// Clear, the game is byte code: code objects, scripts and the callable lookup behave as for one.
bool Game_CompiledMode();
void Game_SetCompiledMode(bool on);

// Whether the game header gave a byte-code version of 15 or more (names of user variables then
// come from the global and instance name tables).
bool Game_ByteCodeVersion15();

// Option flags of the game options (the low 32 bits).
inline constexpr uint32_t kOptionVariableReadError = 0x400000u;  // reading an unset variable is an error
uint32_t Options_Flags();
void Options_SetFlags(uint32_t flags);
