// What the game step uses of physics.
#pragma once

#include <cstdint>

// The whole motion step of the current room's physics world: instances on paths, substeps,
// forces and collision events.
bool PhysicsWorldUpdate(int32_t roomSpeed, bool anyInstanceOnPath);
