// Helpers of the asset tests: little-endian words and BMP file bytes.
#pragma once

#include <cstdint>
#include <vector>

inline void PutLE(std::vector<uint8_t>* out, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// A BMP file: the 14-byte file header, a 40-byte information header, the palette (4 bytes an
// entry) and the rows as given (bottom row first for a positive height, each padded as given).
inline std::vector<uint8_t> MakeBMP(int32_t width, int32_t height, uint16_t bits, const std::vector<uint8_t>& palette,
                                    const std::vector<uint8_t>& rows, uint32_t compression = 0) {
  std::vector<uint8_t> out{'B', 'M'};
  const uint32_t pixelOffset = 14 + 40 + static_cast<uint32_t>(palette.size());
  PutLE(&out, pixelOffset + static_cast<uint32_t>(rows.size()), 4);
  PutLE(&out, 0, 4);
  PutLE(&out, pixelOffset, 4);
  PutLE(&out, 40, 4);
  PutLE(&out, static_cast<uint32_t>(width), 4);
  PutLE(&out, static_cast<uint32_t>(height), 4);
  PutLE(&out, 1, 2);
  PutLE(&out, bits, 2);
  PutLE(&out, compression, 4);
  PutLE(&out, static_cast<uint32_t>(rows.size()), 4);
  PutLE(&out, 2835, 4);
  PutLE(&out, 2835, 4);
  PutLE(&out, static_cast<uint32_t>(palette.size() / 4), 4);
  PutLE(&out, 0, 4);
  out.insert(out.end(), palette.begin(), palette.end());
  out.insert(out.end(), rows.begin(), rows.end());
  return out;
}
