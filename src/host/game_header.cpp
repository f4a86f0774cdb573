#include "host/game_header.h"

uint32_t g_GameHeaderFlags = 0;
