// STAND-IN until the in-app purchase store, push notifications, the HTTP client and the buffer
// table are built: what the asynchronous phase calls of them. The deliveries have nothing to
// deliver, no HTTP worker runs, and no buffer index names a buffer.
#pragma once

#include <cstdint>

// Fire the purchase events (Other 66) and push notifications queued since the last step.
void IAP_DeliverEvents();
void Push_DeliverEvents();
// Reaps finished HTTP workers and marks their records finished.
void HTTP_Tick();
// Deletes the buffer with that index; false when there is none.
bool FreeBuffer(int32_t index);
