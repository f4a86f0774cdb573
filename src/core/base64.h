// Base64 with the standard alphabet, '=' padding and no line breaks.
#pragma once

#include <cstddef>
#include <cstdint>

// Writes 4 * ceil(length / 3) characters and a terminating zero byte into out, which must hold
// that many bytes (length * 4 / 3 + 4 is always enough).
void Base64_Encode(const uint8_t* bytes, size_t length, char* out);

// Decodes the zero-terminated text into out, which has room for n bytes: at most n - 1 decoded
// bytes are stored (the rest are dropped), then a zero byte when terminate is set. Decoding stops
// at the first '=' and at the first character outside the alphabet; a trailing group of k
// characters gives k - 1 bytes. Nothing is stored when n is 0 or the text is null.
void Base64_Decode(const char* text, size_t n, uint8_t* out, bool terminate);
