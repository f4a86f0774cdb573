// The MD5 message digest. The context is a plain record the caller owns: init, update any
// number of times, final once.
#pragma once

#include <cstdint>

struct MD5_CTX {
  uint32_t count[2];  // bits hashed, low word first
  uint32_t state[4];
  uint8_t buffer[64];
  uint8_t digest[16];  // filled by MD5_Final
};

void MD5_Init(MD5_CTX* context);
void MD5_Update(MD5_CTX* context, const uint8_t* bytes, uint32_t length);
void MD5_Final(MD5_CTX* context);

// The digest as 32 lower-case hexadecimal digits and a terminating zero.
void MD5_HexDigest(const MD5_CTX* context, char out[33]);
