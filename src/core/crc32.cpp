#include "core/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> MakeTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1u) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

// Built at compile time, so no start-up order and no thread can see it half made.
constexpr std::array<uint32_t, 256> kTable = MakeTable();

}  // namespace

uint32_t CRC32_String(const char* text) {
  uint32_t crc = 0xFFFFFFFFu;
  if (text == nullptr) return crc;
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
    crc = kTable[(crc ^ *p) & 0xFFu] ^ (crc >> 8);
  }
  return crc;
}

uint32_t CRC32_Bytes(const void* data, int32_t n) {
  uint32_t crc = 0xFFFFFFFFu;
  const auto* p = static_cast<const unsigned char*>(data);
  for (int32_t i = 0; i < n; ++i) crc = kTable[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
  return crc;
}
