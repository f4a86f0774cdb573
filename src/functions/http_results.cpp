#include "assets/http_results.h"

#include <algorithm>

#include "functions/ds_map.h"

HttpAssetResult HTTP_AssetResult(HTTP_REQ_CONTEXT* context, int32_t assetIndex, int32_t* asyncLoad) {
  const uint8_t* data = context->m_pBuffer;
  const size_t length =
      data != nullptr ? static_cast<size_t>(std::clamp(context->m_received.load(), 0, context->m_bufferSize)) : 0;
  const char* url = context->m_pURL != nullptr ? context->m_pURL : "";
  *asyncLoad = CreateDsMap(4, "filename", 0.0, url, "id", static_cast<double>(assetIndex), nullptr, "http_status",
                           static_cast<double>(context->m_httpStatus), nullptr, "status", length > 0 ? 0.0 : -1.0,
                           nullptr);
  return {data, length, url};
}
