#include "core/sha1.h"

#include <algorithm>
#include <cstring>

namespace {

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

void ProcessBlock(SHA1Context* c) {
  static constexpr uint32_t kK[4] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};
  uint32_t w[80];
  for (int t = 0; t < 16; ++t) {
    w[t] = (uint32_t{c->Message_Block[4 * t]} << 24) | (uint32_t{c->Message_Block[4 * t + 1]} << 16) |
           (uint32_t{c->Message_Block[4 * t + 2]} << 8) | c->Message_Block[4 * t + 3];
  }
  for (int t = 16; t < 80; ++t) w[t] = Rotl(w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16], 1);
  uint32_t a = c->Message_Digest[0], b = c->Message_Digest[1], d3 = c->Message_Digest[2],
           d = c->Message_Digest[3], e = c->Message_Digest[4];
  for (int t = 0; t < 80; ++t) {
    uint32_t f;
    if (t < 20) {
      f = (b & d3) | (~b & d);
    } else if (t < 40 || t >= 60) {
      f = b ^ d3 ^ d;
    } else {
      f = (b & d3) | (b & d) | (d3 & d);
    }
    const uint32_t temp = Rotl(a, 5) + f + e + w[t] + kK[t / 20];
    e = d;
    d = d3;
    d3 = Rotl(b, 30);
    b = a;
    a = temp;
  }
  c->Message_Digest[0] += a;
  c->Message_Digest[1] += b;
  c->Message_Digest[2] += d3;
  c->Message_Digest[3] += d;
  c->Message_Digest[4] += e;
  c->Message_Block_Index = 0;
}

void PadMessage(SHA1Context* c) {
  c->Message_Block[c->Message_Block_Index++] = 0x80;
  if (c->Message_Block_Index > 56) {
    while (c->Message_Block_Index < 64) c->Message_Block[c->Message_Block_Index++] = 0;
    ProcessBlock(c);
  }
  while (c->Message_Block_Index < 56) c->Message_Block[c->Message_Block_Index++] = 0;
  for (int i = 0; i < 4; ++i) {
    c->Message_Block[56 + i] = static_cast<uint8_t>(c->Length_High >> (24 - 8 * i));
    c->Message_Block[60 + i] = static_cast<uint8_t>(c->Length_Low >> (24 - 8 * i));
  }
  ProcessBlock(c);
}

}  // namespace

void SHA1_Reset(SHA1Context* context) {
  context->Length_Low = 0;
  context->Length_High = 0;
  context->Message_Block_Index = 0;
  context->Message_Digest[0] = 0x67452301;
  context->Message_Digest[1] = 0xEFCDAB89;
  context->Message_Digest[2] = 0x98BADCFE;
  context->Message_Digest[3] = 0x10325476;
  context->Message_Digest[4] = 0xC3D2E1F0;
  context->Computed = 0;
  context->Corrupted = 0;
}

void SHA1_Input(SHA1Context* context, const uint8_t* bytes, uint32_t length) {
  if (length == 0) return;
  if (context->Computed || context->Corrupted) {
    context->Corrupted = 1;
    return;
  }
  // Whole runs up to the end of the block at a time.
  uint32_t i = 0;
  while (i < length) {
    const uint32_t take = std::min<uint32_t>(64 - static_cast<uint32_t>(context->Message_Block_Index), length - i);
    const uint64_t bits = (static_cast<uint64_t>(context->Length_High) << 32 | context->Length_Low) + uint64_t{take} * 8;
    if (bits < uint64_t{take} * 8) {
      context->Corrupted = 1;  // the 64-bit bit length wrapped
      return;
    }
    std::memcpy(context->Message_Block + context->Message_Block_Index, bytes + i, take);
    context->Message_Block_Index += static_cast<int32_t>(take);
    context->Length_Low = static_cast<uint32_t>(bits);
    context->Length_High = static_cast<uint32_t>(bits >> 32);
    i += take;
    if (context->Message_Block_Index == 64) ProcessBlock(context);
  }
}

bool SHA1_Result(SHA1Context* context) {
  if (context->Corrupted) return false;
  if (!context->Computed) {
    PadMessage(context);
    context->Computed = 1;
  }
  return true;
}

void SHA1_HexDigest(const SHA1Context* context, char out[41]) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (int w = 0; w < 5; ++w) {
    for (int i = 0; i < 8; ++i) out[8 * w + i] = kHex[(context->Message_Digest[w] >> (28 - 4 * i)) & 15];
  }
  out[40] = '\0';
}
