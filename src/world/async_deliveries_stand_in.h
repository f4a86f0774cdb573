// STAND-IN until the in-app purchase store, push notifications and the HTTP client are built:
// what the asynchronous phase calls of them. The deliveries have nothing to deliver and no HTTP
// worker runs.
#pragma once

#include <cstdint>

// Fire the purchase events (Other 66) and push notifications queued since the last step.
void IAP_DeliverEvents();
void Push_DeliverEvents();
// Reaps finished HTTP workers and marks their records finished.
void HTTP_Tick();
