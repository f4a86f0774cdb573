#include "world/deferred.h"

// No instances exist yet, so nothing is ever queued and there is nothing to apply.
int32_t Deferred_ObjectChangeCount() { return 0; }
int32_t Deferred_DepthChangeCount() { return 0; }
int32_t Deferred_ActivationCount() { return 0; }
void Deferred_ApplyObjectChanges() {}
void Deferred_ApplyDepthChanges() {}
void Deferred_ApplyActivation() {}
void Deferred_ClearChanges() {}
