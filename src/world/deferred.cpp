#include "world/deferred.h"

#include "world/instance_queues.h"

int32_t Deferred_ObjectChangeCount() { return ObjectChangeList.Count(); }
int32_t Deferred_DepthChangeCount() { return DepthChangeList.Count(); }
// Activation changes arrive with the rooms; until then nothing is ever queued for them.
int32_t Deferred_ActivationCount() { return 0; }
void Deferred_ApplyObjectChanges() { ObjectChangeList_Apply(); }
void Deferred_ApplyDepthChanges() { DepthChangeList_Apply(); }
void Deferred_ApplyActivation() {}
void Deferred_ClearChanges() { InstanceQueues_Clear(); }
