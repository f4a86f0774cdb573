#include "assets/http_results.h"

#include <algorithm>

#include "functions/ds_map.h"
#include "functions/ds_tables.h"

HttpAssetResult HTTP_AssetResult(HTTP_REQ_CONTEXT* context, int32_t assetIndex, int32_t* asyncLoad) {
  const uint8_t* data = context->m_pBuffer;
  const size_t length =
      data != nullptr ? static_cast<size_t>(std::clamp(context->m_received.load(), 0, context->m_bufferSize)) : 0;
  const char* url = context->m_pURL != nullptr ? context->m_pURL : "";
  const int32_t map = DS_CreateMap();
  CDS_Map* entries = g_DsMaps.Get(map);
  entries->AddPair("filename", 0, url);
  entries->AddPair("id", assetIndex, nullptr);
  entries->AddPair("http_status", context->m_httpStatus, nullptr);
  entries->AddPair("status", length > 0 ? 0 : -1, nullptr);
  *asyncLoad = map;
  return {data, length, url};
}
