#include "core/base64.h"

#include <cstring>

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The 6-bit value of an alphabet character, or -1.
int SextetOf(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

}  // namespace

void Base64_Encode(const uint8_t* bytes, size_t length, char* out) {
  size_t o = 0;
  size_t i = 0;
  for (; i + 3 <= length; i += 3) {
    const uint32_t group = (uint32_t{bytes[i]} << 16) | (uint32_t{bytes[i + 1]} << 8) | bytes[i + 2];
    out[o++] = kAlphabet[(group >> 18) & 63];
    out[o++] = kAlphabet[(group >> 12) & 63];
    out[o++] = kAlphabet[(group >> 6) & 63];
    out[o++] = kAlphabet[group & 63];
  }
  const size_t rest = length - i;
  if (rest > 0) {
    uint32_t group = uint32_t{bytes[i]} << 16;
    if (rest == 2) group |= uint32_t{bytes[i + 1]} << 8;
    out[o++] = kAlphabet[(group >> 18) & 63];
    out[o++] = kAlphabet[(group >> 12) & 63];
    out[o++] = rest == 2 ? kAlphabet[(group >> 6) & 63] : '=';
    out[o++] = '=';
  }
  out[o] = '\0';
}

void Base64_Decode(const char* text, size_t n, uint8_t* out, bool terminate) {
  if (text == nullptr || n == 0 || out == nullptr) return;
  const size_t limit = n - 1;
  size_t stored = 0;
  auto store = [&](uint8_t b) {
    if (stored < limit) out[stored++] = b;
  };
  const size_t length = std::strlen(text);
  uint32_t group = 0;
  int have = 0;
  for (size_t i = 0; i < length; ++i) {
    const int sextet = SextetOf(static_cast<unsigned char>(text[i]));
    if (sextet < 0) break;  // '=' and every character outside the alphabet end the text
    group = (group << 6) | static_cast<uint32_t>(sextet);
    if (++have == 4) {
      store(static_cast<uint8_t>(group >> 16));
      store(static_cast<uint8_t>(group >> 8));
      store(static_cast<uint8_t>(group));
      group = 0;
      have = 0;
    }
  }
  if (have > 1) {
    group <<= 6 * (4 - have);
    store(static_cast<uint8_t>(group >> 16));
    if (have == 3) store(static_cast<uint8_t>(group >> 8));
  }
  if (terminate) out[stored] = 0;
}
