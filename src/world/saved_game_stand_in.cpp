#include "world/saved_game_stand_in.h"

void Game_DoQueuedLoad() {}
void Game_Load(const char*) {}
void Game_Save(const char*) {}
void Game_SaveBuffer(int32_t) {}
void Game_QueueLoad(int32_t) {}
