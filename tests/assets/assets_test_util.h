// Helpers of the asset tests: BMP file bytes and a capture of the debug console.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/console.h"

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

// Collects what is written to the debug console while it lives.
class ConsoleCapture {
 public:
  ConsoleCapture() : m_previous(g_pDebugConsole) { g_pDebugConsole = &m_capture; }
  ~ConsoleCapture() { g_pDebugConsole = m_previous; }
  ConsoleCapture(const ConsoleCapture&) = delete;
  ConsoleCapture& operator=(const ConsoleCapture&) = delete;
  std::string Text() const { return m_capture.Text() != nullptr ? m_capture.Text() : ""; }

 private:
  TErrStreamConsole m_capture;
  tagIConsole* m_previous;
};
