#include "core/common.h"

#include <cstddef>

#include "core/memory_manager.h"
#include "core/utf8.h"

char* Common_WideToNarrow(const char16_t* text) {
  if (text == nullptr) return nullptr;
  size_t n = 0;
  while (text[n] != 0) ++n;
  char* out = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, true));
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(text[i] & 0xFF);
  return out;
}

int Text_HashToNewline(char* text) {
  if (text == nullptr) return 0;
  // The write cursor never overtakes the read cursor: a decoded character re-encodes to at most
  // as many bytes as it was read from, and "#" and its replacements are one byte each.
  const char* read = text;
  char* write = text;
  int written = 0;
  uint32_t previous = 0;
  for (uint32_t c; (c = UTF8_DecodeChar(&read)) != 0; previous = c) {
    if (c == '#') {
      if (previous == '\\' && written > 0) {
        write[-1] = '#';  // the backslash just written becomes the literal "#"
      } else {
        *write++ = '\r';
        ++written;
      }
      continue;
    }
    UTF8_EncodeChar(&write, c);
    ++written;
  }
  *write = 0;
  return written;
}

bool VertexFormat_NeedsConversion() { return false; }
