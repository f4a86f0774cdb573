// Values of the game header that other modules read.
#pragma once

#include <cstdint>

// Header flag: the save area lies under the user's configuration folder instead of the data folder.
inline constexpr uint32_t kHeaderFlagSaveInConfig = 0x2000;

// The header flags word of the running game (0 until a header was read).
extern uint32_t g_GameHeaderFlags;
