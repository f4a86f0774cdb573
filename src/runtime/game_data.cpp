#include "runtime/game_data.h"

namespace {
GameData g_data;
}  // namespace

const GameData& Game_Data() { return g_data; }

GameData& Game_MutableData() { return g_data; }
