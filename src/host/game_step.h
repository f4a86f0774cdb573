// The game step: one tick of the game world per frame, its phases in their fixed order, and the
// deferred instance changes applied between them. The step stops after the phase in which a
// room change was asked for, so nothing more runs in the old room.
#pragma once

#include <cstdint>

void Runner_Step();

// Applies the queued object, depth and activation changes.
void UpdateActiveLists();
// Empties the object-change and depth-change queues without applying them (start-up).
void Runner_ClearDeferredLists();

// The motion phase; true when the room's physics world moved the instances (the collision phase
// is then left to the physics world).
bool HandleInstanceMovement(bool anyInstanceOnPath);
