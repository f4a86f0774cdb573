// UTF-8 text as every text of the runtime is held.
//
// A character has 1 to 3 bytes and its lead byte alone decides how many: bit 7 clear, 1 byte;
// bit 7 and bit 5 set, 3 bytes; bit 7 set and bit 5 clear, 2 bytes. The one exception is a
// well-formed 4-byte sequence (lead F0 to F4, three continuation bytes, a code point from
// U+10000 to U+10FFFF), which players type and games load as emoji and other characters beyond
// 16 bits: it is one character. Nothing else is validated, so other 4-byte leads and stray
// continuation bytes are read by the lead-byte rule. A sequence cut short by the terminating NUL
// decodes to 0 and leaves the cursor on that NUL: no routine here reads past the end of a text,
// and re-encoding a decoded text never makes it longer.
#pragma once

#include <cstdint>

// The code point at *cursor; the cursor moves past the character (past a plain NUL too).
uint32_t UTF8_DecodeChar(const char** cursor);
// The same as a 16-bit code: a character beyond 16 bits, which no 16-bit code holds (glyph
// tables, typed characters), reads as U+FFFD.
uint16_t UTF8_Decode(const char** cursor);
inline uint16_t UTF8_Decode(char** cursor) { return UTF8_Decode(const_cast<const char**>(cursor)); }

// Text from outside the runtime (typed characters, the system's input) is read with full-range
// code points: one character of 1 to 4 bytes, moving the cursor past it. A malformed lead or
// continuation byte reads as U+FFFD and is passed over alone; a NUL ends a sequence as malformed.
uint32_t UTF8_DecodeScalar(const unsigned char*& p);

// Writes 1 byte (below 0x80), 2 bytes (below 0x800) or 3 bytes; the cursor moves past them.
void UTF8_Encode(char** cursor, uint16_t codePoint);
// The same for a decoded character: a code point above 0xFFFF (at most 0x10FFFF) takes 4 bytes.
void UTF8_EncodeChar(char** cursor, uint32_t codePoint);

// Number of characters (null counts as empty).
int UTF8_Length(const char* text);

// 0 when equal under ASCII case folding; otherwise the difference of the first differing code
// points as stored (not folded). A text that ends first counts as code point 0.
int UTF8_CompareNoCase(const char* a, const char* b);

// Compares at most n characters exactly: 0 when they match (or n is 0), else the difference of
// the first differing code points, 0 standing for past the end.
int UTF8_CompareN(const char* a, const char* b, int n);

// The first character position of text at which the whole of sub matches, or null. An empty sub
// matches at the start of a non-empty text and nowhere in an empty one.
const char* UTF8_Find(const char* text, const char* sub);
inline char* UTF8_Find(char* text, const char* sub) {
  return const_cast<char*>(UTF8_Find(const_cast<const char*>(text), sub));
}
