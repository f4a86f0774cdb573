#include "physics/world_update.h"

// No physics world can exist yet, so there is nothing to step.
bool PhysicsWorldUpdate(int32_t, bool) { return true; }
