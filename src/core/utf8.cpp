#include "core/utf8.h"

namespace {

inline bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// The code point of a well-formed 4-byte sequence at s, or 0 when s holds none (a NUL among the
// bytes fails the continuation test before anything beyond it is read).
uint32_t FourByteChar(const unsigned char* s) {
  if (s[0] < 0xF0 || s[0] > 0xF4 || !Continuation(s[1]) || !Continuation(s[2]) || !Continuation(s[3])) return 0;
  const uint32_t c = ((s[0] & 0x07u) << 18) | ((s[1] & 0x3Fu) << 12) | ((s[2] & 0x3Fu) << 6) | (s[3] & 0x3Fu);
  return c >= 0x10000 && c <= 0x10FFFF ? c : 0;
}

}  // namespace

uint32_t UTF8_DecodeChar(const char** cursor) {
  const unsigned char* s = reinterpret_cast<const unsigned char*>(*cursor);
  const unsigned lead = s[0];
  if (const uint32_t wide = FourByteChar(s); wide != 0) {
    *cursor += 4;
    return wide;
  }
  if ((lead & 0x80) == 0) {
    *cursor += 1;
    return static_cast<uint16_t>(lead);
  }
  // Each continuation byte is checked for the terminator before the next one is touched.
  if (s[1] == 0) {
    *cursor += 1;
    return 0;
  }
  if ((lead & 0x20) == 0) {
    *cursor += 2;
    return static_cast<uint16_t>(((lead & 0x1F) << 6) | (s[1] & 0x3F));
  }
  if (s[2] == 0) {
    *cursor += 2;
    return 0;
  }
  *cursor += 3;
  return static_cast<uint16_t>(((lead & 0x0F) << 12) | ((s[1] & 0x3F) << 6) | (s[2] & 0x3F));
}

uint16_t UTF8_Decode(const char** cursor) {
  const uint32_t c = UTF8_DecodeChar(cursor);
  return c > 0xFFFF ? uint16_t{0xFFFD} : static_cast<uint16_t>(c);
}

void UTF8_Encode(char** cursor, uint16_t codePoint) {
  char* d = *cursor;
  if (codePoint < 0x80) {
    d[0] = static_cast<char>(codePoint);
    *cursor = d + 1;
  } else if (codePoint < 0x800) {
    d[0] = static_cast<char>(0xC0 | (codePoint >> 6));
    d[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
    *cursor = d + 2;
  } else {
    d[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    d[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    d[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    *cursor = d + 3;
  }
}

void UTF8_EncodeChar(char** cursor, uint32_t codePoint) {
  if (codePoint <= 0xFFFF) {
    UTF8_Encode(cursor, static_cast<uint16_t>(codePoint));
    return;
  }
  char* d = *cursor;
  d[0] = static_cast<char>(0xF0 | ((codePoint >> 18) & 0x07));
  d[1] = static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
  d[2] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
  d[3] = static_cast<char>(0x80 | (codePoint & 0x3F));
  *cursor = d + 4;
}

int UTF8_Length(const char* text) {
  if (text == nullptr) return 0;
  int n = 0;
  while (UTF8_DecodeChar(&text) != 0) ++n;
  return n;
}

namespace {

inline int FoldAscii(int c) { return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c; }

}  // namespace

int UTF8_CompareNoCase(const char* a, const char* b) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (;;) {
    const int ca = static_cast<int>(UTF8_DecodeChar(&a));
    const int cb = static_cast<int>(UTF8_DecodeChar(&b));
    if (FoldAscii(ca) != FoldAscii(cb)) return ca - cb;
    if (ca == 0) return 0;
  }
}

int UTF8_CompareN(const char* a, const char* b, int n) {
  if (a == nullptr) a = "";
  if (b == nullptr) b = "";
  for (int i = 0; i < n; ++i) {
    const int ca = static_cast<int>(UTF8_DecodeChar(&a));
    const int cb = static_cast<int>(UTF8_DecodeChar(&b));
    if (ca != cb) return ca - cb;
    if (ca == 0) return 0;
  }
  return 0;
}

const char* UTF8_Find(const char* text, const char* sub) {
  if (text == nullptr || sub == nullptr) return nullptr;
  const int n = UTF8_Length(sub);
  for (const char* at = text; *at != 0;) {
    if (UTF8_CompareN(at, sub, n) == 0) return at;
    const char* next = at;
    if (UTF8_DecodeChar(&next) == 0) break;  // a cut-short last character ends the text
    at = next;
  }
  return nullptr;
}

uint32_t UTF8_DecodeScalar(const unsigned char*& p) {
  const unsigned char c = *p++;
  if (c < 0x80) return c;
  int extra = 0;
  uint32_t cp = 0;
  if ((c & 0xE0) == 0xC0) {
    extra = 1;
    cp = c & 0x1F;
  } else if ((c & 0xF0) == 0xE0) {
    extra = 2;
    cp = c & 0x0F;
  } else if ((c & 0xF8) == 0xF0) {
    extra = 3;
    cp = c & 0x07;
  } else {
    return 0xFFFD;
  }
  for (int i = 0; i < extra; ++i) {
    if ((*p & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (*p++ & 0x3F);
  }
  return cp > 0x10FFFF ? 0xFFFD : cp;
}
