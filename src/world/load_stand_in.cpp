#include "world/load_stand_in.h"

// STAND-IN until the game functions are built.
void InitGameFunctions() {}
