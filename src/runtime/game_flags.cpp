#include "runtime/game_flags.h"

#include "runtime/game_header.h"

bool Game_ObjectMode() { return g_GameHeader.scriptObjectMode; }
void Game_SetObjectMode(bool on) { g_GameHeader.scriptObjectMode = on; }

namespace {
bool g_compiledMode = true;
}

bool Game_CompiledMode() { return g_compiledMode; }
void Game_SetCompiledMode(bool on) { g_compiledMode = on; }

bool Game_ByteCodeVersion15() { return g_GameHeader.versionAtLeast15; }

uint32_t Options_Flags() { return g_GameOptions.variableReadOption ? kOptionVariableReadError : 0u; }
void Options_SetFlags(uint32_t flags) { g_GameOptions.variableReadOption = (flags & kOptionVariableReadError) != 0; }
