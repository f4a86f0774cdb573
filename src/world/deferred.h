// The deferred instance changes: while a phase of the game step runs, scripts queue instances
// whose object changed, whose depth changed or that were activated or deactivated; the step
// applies the queues between its phases, so that no list is reordered while a phase walks it.
//
// The object-change and depth-change queues hold an instance at most once, and applying a queue
// handles each queued instance exactly once.
#pragma once

#include <cstdint>

int32_t Deferred_ObjectChangeCount();
int32_t Deferred_DepthChangeCount();
// Number of instances waiting in the current room's activation queue.
int32_t Deferred_ActivationCount();

// Relinks every instance of the object-change queue from its previous object's lists to its new
// object's and re-sorts it in the active list; instances queued while this runs are handled too.
// Empties the queue.
void Deferred_ApplyObjectChanges();
// Takes every queued instance that is not deactivated out of the current room's active list and
// inserts it again by its depth. Empties the queue.
void Deferred_ApplyDepthChanges();
// Moves the queued instances between the current room's active and inactive lists and sets the
// activation count to 0.
void Deferred_ApplyActivation();

// Empties the object-change and depth-change queues without applying them.
void Deferred_ClearChanges();
