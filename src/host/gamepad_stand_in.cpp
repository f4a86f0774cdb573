#include "host/gamepad_stand_in.h"

// STAND-IN: no function table exists yet.
void InitGamepadFunctions() {}
