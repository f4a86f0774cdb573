#include "assets/embedded_images.h"

#include "assets/lifecycle.h"
#include "assets/texture.h"
#include "runtime/container.h"

namespace {

const uint8_t* g_table = nullptr;
uint32_t g_totalLength = 0;

}  // namespace

void GR_SetEmbeddedTextures(const void* table) {
  g_table = static_cast<const uint8_t*>(table);
  g_totalLength = 0;
  if (g_table == nullptr) return;
  const uint32_t count = Container_U32(g_table);
  for (uint32_t i = 0; i < count; ++i) g_totalLength += Container_U32(g_table + 4 + 8 * i);
}

const void* GR_GetEmbeddedTextures() { return g_table; }

uint32_t GR_EmbeddedTexturesLength() { return g_totalLength; }

bool GR_GetEmbeddedImage(int32_t index, const uint8_t** data, uint32_t* length) {
  *data = nullptr;
  *length = 0;
  if (g_table == nullptr || index < 0 || static_cast<uint32_t>(index) >= Container_U32(g_table)) return false;
  const uint8_t* entry = g_table + 4 + 8 * static_cast<size_t>(index);
  *length = Container_U32(entry);
  *data = g_table + Container_U32(entry + 4);
  return true;
}

Texture* GR_CreateEmbeddedTexture(int32_t index) {
  const uint8_t* data = nullptr;
  uint32_t length = 0;
  GR_GetEmbeddedImage(index, &data, &length);
  D3DXIMAGE_INFO info{};
  // The table holds image files, which texture creation only reads (it rewrites nothing but "RAW "
  // blocks); the texture keeps pointing at them to be made again on demand.
  return Texture_CreateFromData(const_cast<uint8_t*>(data), length, &info, 0, 1);
}
