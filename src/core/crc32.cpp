#include "core/crc32.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 256> BuildTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    table[n] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kTable = BuildTable();

inline uint32_t Step(uint32_t crc, unsigned char b) { return kTable[(crc ^ b) & 0xFF] ^ (crc >> 8); }

}  // namespace

void CRC32_InitTable() {}

uint32_t CRC32_String(const char* text) {
  uint32_t crc = 0xFFFFFFFFu;
  if (text == nullptr) return crc;
  for (const unsigned char* s = reinterpret_cast<const unsigned char*>(text); *s != 0; ++s) crc = Step(crc, *s);
  return crc;
}

uint32_t CRC32_Bytes(const void* data, int n) {
  uint32_t crc = 0xFFFFFFFFu;
  if (data == nullptr) return crc;
  const unsigned char* s = static_cast<const unsigned char*>(data);
  for (int i = 0; i < n; ++i) crc = Step(crc, s[i]);
  return crc;
}
