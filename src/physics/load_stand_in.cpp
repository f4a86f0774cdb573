#include "physics/load_stand_in.h"

// STAND-IN: no function table exists yet.
void InitPhysicsFunctions() {}
