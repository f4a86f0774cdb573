// The Misc group: events of the calling instance, variables by name, alarms, debug output,
// native library calls, dates, the clipboard, the window and the process priority.
// InitMiscFunctions (functions/load_stand_in.h) registers it.
#pragma once

#include <cstdint>

// The nice value set_program_priority gives the calling thread for a level (3 highest, -3
// lowest); every level outside -3..3 and 0 is the normal 0.
int32_t Priority_NiceOfLevel(int32_t level);
