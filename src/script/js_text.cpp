#include "script/js_text.h"

#include <cstring>
#include <utility>

#include "core/memory_manager.h"
#include "core/runtime_random.h"
#include "core/utf8.h"

// --- TextBuilder -----------------------------------------------------------------------------------

char* TextBuilder::Reserve(int32_t n) {
  if (capacity - used - 1 < n) {
    int32_t grown = (capacity != 0 ? capacity : n) * 3 / 2;
    if (grown < n + used) grown = (n + used) * 3 / 2;
    char* block = static_cast<char*>(MemoryManager_Alloc(static_cast<size_t>(grown), __FILE__, __LINE__, false));
    if (bytes != nullptr) {
      std::memcpy(block, bytes, static_cast<size_t>(capacity));
      MemoryManager_Free(bytes);
    }
    bytes = block;
    capacity = grown;
  }
  return bytes + used;
}

void TextBuilder::Append(const char* text) {
  if (text == nullptr) return;
  const int32_t n = static_cast<int32_t>(std::strlen(text));
  char* at = Reserve(n + 1);
  std::memcpy(at, text, static_cast<size_t>(n) + 1);
  used += n;
}

void TextBuilder::Free() {
  MemoryManager_Free(bytes);
  bytes = nullptr;
  capacity = 0;
  used = 0;
}

// --- UTF8Reader ------------------------------------------------------------------------------------

void UTF8Reader::Init(const char* text) {
  start = cursor = text;
  length = text != nullptr ? static_cast<int32_t>(std::strlen(text)) : 0;
}

uint32_t UTF8Reader::Next() {
  if (cursor == nullptr || *cursor == '\0') return 0;
  const unsigned char lead = static_cast<unsigned char>(*cursor);
  int32_t extra;
  uint32_t c;
  if (lead < 0x80) {
    extra = 0;
    c = lead;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    c = lead & 0x07;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    c = lead & 0x0F;
  } else {
    extra = 1;
    c = lead & 0x1F;
  }
  ++cursor;
  // A sequence cut short by the terminator ends there: nothing past the text is read.
  for (int32_t i = 0; i < extra && *cursor != '\0'; ++i, ++cursor) c = (c << 6) | (static_cast<unsigned char>(*cursor) & 0x3F);
  return c;
}

// --- C_UTF16String ---------------------------------------------------------------------------------

C_UTF16String::C_UTF16String(const char* utf8) {
  UTF8Reader reader;
  reader.Init(utf8);
  int32_t n = 0;
  for (uint32_t c; (c = reader.Next()) != 0;) n += c >= 0x10000 ? 2 : 1;
  units = static_cast<uint16_t*>(MemoryManager_Alloc(static_cast<size_t>(n > 0 ? n : 1) * 2, __FILE__, __LINE__, true));
  length = n;
  reader.Init(utf8);
  int32_t i = 0;
  for (uint32_t c; (c = reader.Next()) != 0 && i < n;) {
    if (c >= 0x10000 && i + 1 < n) {
      units[i++] = static_cast<uint16_t>((((c - 0x10000) >> 10) & 0x3FF) | 0xD800);
      units[i++] = static_cast<uint16_t>((c & 0x3FF) | 0xDC00);
    } else {
      units[i++] = static_cast<uint16_t>(c);
    }
  }
}

C_UTF16String::~C_UTF16String() { MemoryManager_Free(units); }

void C_UTF16String::ToUTF8(RValue* out, int32_t start, int32_t count) const {
  if (start < 0) start = 0;
  if (count < 0 || start > length) count = 0;
  if (count > length - start) count = length - start;
  char* scratch = static_cast<char*>(MemoryManager_Alloc(static_cast<size_t>(count) * 6 + 1, __FILE__, __LINE__, true));
  char* w = scratch;
  for (int32_t i = start; i < start + count; ++i) {
    uint32_t c = units[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < start + count) {
      const uint32_t next = units[i + 1];
      if (next < 0xDC00 || next > 0xDFFF) continue;  // the pending high surrogate is dropped
      c = (((c - 0xD800) << 10) + 0x10000) | (next - 0xDC00);
      ++i;
    }
    UTF8_EncodeChar(&w, c);
  }
  *w = '\0';
  RValue_SetString(out, scratch);
  MemoryManager_Free(scratch);
}

int32_t C_UTF16String::IndexOf(const C_UTF16String& needle, int32_t from) const {
  if (from < 0) from = 0;
  if (needle.length == 0) return from < length ? from : length;
  for (int32_t p = from; p + needle.length <= length; ++p) {
    if (std::memcmp(units + p, needle.units, static_cast<size_t>(needle.length) * 2) == 0) return p;
  }
  return -1;
}

// --- matching, sorting, random ---------------------------------------------------------------------

int32_t JS_MatchAt(const char* text, int32_t position, const char* pattern) {
  const size_t n = std::strlen(pattern);
  if (position < 0 || std::strlen(text) < static_cast<size_t>(position) + n) return -1;
  return std::memcmp(text + position, pattern, n) == 0 ? position + static_cast<int32_t>(n) : -1;
}

int32_t JS_Sort(RValue* values, int32_t first, int32_t last, void* context, JSCompareFn compare) {
  // The smaller side recurses and the larger one loops, so a hostile comparator cannot exhaust
  // the native stack.
  while (first < last) {
    const int32_t middle = first + (last - first) / 2;
    std::swap(values[first], values[middle]);
    int32_t j = first;
    for (int32_t i = first + 1; i <= last; ++i) {
      const int32_t r = compare(context, &values[i], &values[first]);
      if (r == kSortAbortPending || r == kSortAbortFailed) return r;
      if (r < 0) std::swap(values[++j], values[i]);
    }
    std::swap(values[first], values[j]);
    int32_t code;
    if (j - first < last - j) {
      code = JS_Sort(values, first, j - 1, context, compare);
      first = j + 1;
    } else {
      code = JS_Sort(values, j + 1, last, context, compare);
      last = j - 1;
    }
    if (code != 0) return code;
  }
  return 0;
}

int32_t JS_SortAbortCode(int32_t conversionResult) {
  if (conversionResult == 1) return kSortAbortFailed;
  if (conversionResult == 2) return kSortAbortPending;
  return 0;
}

void JS_MathRandom(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  RValue_Release(result);
  *result = RValue_MakeReal(static_cast<double>(Runtime_Rand()) / static_cast<double>(kRuntimeRandMax));
}
