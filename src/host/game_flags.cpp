#include "host/game_flags.h"

namespace {
bool g_objectMode = false;
uint32_t g_optionFlags = 0;
}  // namespace

bool Game_ObjectMode() { return g_objectMode; }
void Game_SetObjectMode(bool on) { g_objectMode = on; }

uint32_t Options_Flags() { return g_optionFlags; }
void Options_SetFlags(uint32_t flags) { g_optionFlags = flags; }
