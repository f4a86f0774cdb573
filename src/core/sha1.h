// The SHA-1 hash. The context is a plain record the caller owns; input after the result has
// been taken marks it corrupted.
#pragma once

#include <cstdint>

struct SHA1Context {
  uint32_t Message_Digest[5];  // H0..H4
  uint32_t Length_Low;         // message length in bits
  uint32_t Length_High;
  uint8_t Message_Block[64];
  int32_t Message_Block_Index;
  int32_t Computed;
  int32_t Corrupted;
};

void SHA1_Reset(SHA1Context* context);
void SHA1_Input(SHA1Context* context, const uint8_t* bytes, uint32_t length);
// False for a corrupted context; else true with the digest in Message_Digest.
bool SHA1_Result(SHA1Context* context);

// H0..H4 as 40 lower-case hexadecimal digits (the big-endian digest) and a terminating zero.
void SHA1_HexDigest(const SHA1Context* context, char out[41]);
