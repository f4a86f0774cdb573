#include "world/deferred.h"

#include "world/instance_queues.h"

int32_t Deferred_ObjectChangeCount() { return ObjectChangeList.Count(); }
int32_t Deferred_DepthChangeCount() { return DepthChangeList.Count(); }
int32_t Deferred_ActivationCount() { return Room_ActivationQueue.Count(); }
void Deferred_ApplyObjectChanges() { ObjectChangeList_Apply(); }
void Deferred_ApplyDepthChanges() { DepthChangeList_Apply(); }
void Deferred_ApplyActivation() {
  if (Room_ActivationQueue.Count() == 0) return;
  if (Room_Current != nullptr) Room_Current->ApplyActivation();
  Room_ActivationQueue.Clear();
}
void Deferred_ClearChanges() { InstanceQueues_Clear(); }
