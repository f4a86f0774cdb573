// What a finished download that an asset asked for (sprite_add, background_add from a URL) gives
// its asset, and the map every such download answers with in async_load.
#pragma once

#include <cstddef>
#include <cstdint>

#include "world/async_queue.h"

struct HttpAssetResult {
  const uint8_t* data;  // the body; null when none arrived
  size_t length;        // bytes of the body that arrived
  const char* url;      // never null
};

// Makes the map {"filename": url, "id": asset index, "http_status", "status": 0 with a body, -1
// without}, puts its id in *asyncLoad, and answers the body.
HttpAssetResult HTTP_AssetResult(HTTP_REQ_CONTEXT* context, int32_t assetIndex, int32_t* asyncLoad);
