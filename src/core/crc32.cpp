#include "core/crc32.h"

#include <array>
#include <bit>
#include <cstring>

namespace {

// kTables[0] is the one-byte table; kTables[k][n] is the register after n is followed by k zero
// bytes, so eight bytes fold in at once with eight independent lookups (slicing by 8). The
// result is the one-byte loop's, bit for bit.
using Tables = std::array<std::array<uint32_t, 256>, 8>;

constexpr Tables BuildTables() {
  Tables tables{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    tables[0][n] = c;
  }
  for (size_t k = 1; k < 8; ++k) {
    for (uint32_t n = 0; n < 256; ++n) tables[k][n] = (tables[k - 1][n] >> 8) ^ tables[0][tables[k - 1][n] & 0xFF];
  }
  return tables;
}

constexpr Tables kTables = BuildTables();

inline uint32_t Step(uint32_t crc, unsigned char b) { return kTables[0][(crc ^ b) & 0xFF] ^ (crc >> 8); }

uint32_t Update(uint32_t crc, const unsigned char* s, size_t n) {
  static_assert(std::endian::native == std::endian::little, "the eight-byte step reads little-endian words");
  for (; n >= 8; s += 8, n -= 8) {
    uint32_t low = 0;
    uint32_t high = 0;
    std::memcpy(&low, s, 4);
    std::memcpy(&high, s + 4, 4);
    low ^= crc;
    crc = kTables[7][low & 0xFF] ^ kTables[6][(low >> 8) & 0xFF] ^ kTables[5][(low >> 16) & 0xFF] ^
          kTables[4][low >> 24] ^ kTables[3][high & 0xFF] ^ kTables[2][(high >> 8) & 0xFF] ^
          kTables[1][(high >> 16) & 0xFF] ^ kTables[0][high >> 24];
  }
  for (; n > 0; ++s, --n) crc = Step(crc, *s);
  return crc;
}

}  // namespace

void CRC32_InitTable() {}

uint32_t CRC32_String(const char* text) {
  if (text == nullptr) return 0xFFFFFFFFu;
  return Update(0xFFFFFFFFu, reinterpret_cast<const unsigned char*>(text), std::strlen(text));
}

uint32_t CRC32_Bytes(const void* data, int n) {
  if (data == nullptr || n <= 0) return 0xFFFFFFFFu;
  return Update(0xFFFFFFFFu, static_cast<const unsigned char*>(data), static_cast<size_t>(n));
}
