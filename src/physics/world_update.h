// What the game step uses of physics.
#pragma once

#include <cstdint>

// The whole motion step of the current room's physics world: instances on paths, substeps,
// instances following their bodies and collision events. False when the room has no world.
bool PhysicsWorldUpdate(int32_t roomSpeed, bool anyInstanceOnPath);
