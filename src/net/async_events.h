// Finished asynchronous events that carry a map, as producers outside the network code post
// them: the next drain of the queue fires the asynchronous event of that number with the map in
// async_load and destroys the map afterwards.
#pragma once

#include <cstdint>

#include "io/async_post.h"


// The poster that the host installs for Async_PostEventMap (io/async_post.h). Builds a ds_map from the entries (in order; a repeated key keeps its first value) and queues the
// event at the tail of the asynchronous queue (world/async_queue.h). Any thread may post: off the
// main thread the map is made at the next walk of the queue.
void AsyncQueue_PostEventMap(int32_t eventNumber, const AsyncMapEntry* entries, int32_t count);
