// Text, UTF-16 and sorting utilities of the object runtime: a growable text buffer, a UTF-8
// reader, a UTF-16 string that converts back to UTF-8, a literal match, the quicksort behind
// Array sorting and the random source of Math.random.
#pragma once

#include <cstdint>

#include "core/function_registry.h"
#include "core/value.h"

// Zero-terminated text of `used` bytes in a memory-manager block of `capacity` bytes.
struct TextBuilder {
  char* bytes = nullptr;
  int32_t capacity = 0;
  int32_t used = 0;

  // Room for n more bytes (grown by half again); the first free byte.
  char* Reserve(int32_t n);
  void Append(const char* text);  // null does nothing
  void Free();
};

struct UTF8Reader {
  const char* start = nullptr;
  const char* cursor = nullptr;
  int32_t length = 0;

  void Init(const char* text);
  // The character at the cursor, which moves past it; the terminator reads as 0 and stays.
  uint32_t Next();
};

class C_UTF16String : public COwnedObject {
 public:
  explicit C_UTF16String(const char* utf8);  // supplementary characters become surrogate pairs
  ~C_UTF16String() override;
  C_UTF16String(const C_UTF16String&) = delete;
  C_UTF16String& operator=(const C_UTF16String&) = delete;

  // The units [start, start + count) as UTF-8 in a new string value (out's old contents
  // released). A pair makes its code point; a lone low surrogate is written as itself, a high one
  // followed by something else is dropped.
  void ToUTF8(RValue* out, int32_t start, int32_t count) const;
  // The first position from `from` where the needle's units match, or -1.
  int32_t IndexOf(const C_UTF16String& needle, int32_t from) const;

  uint16_t* units = nullptr;
  int32_t length = 0;
};

// The end of a match of the pattern at position, or -1.
int32_t JS_MatchAt(const char* text, int32_t position, const char* pattern);

// Comparator of JS_Sort: negative when a goes first; kSortAbort* end the sort.
inline constexpr int32_t kSortAbortPending = -4;
inline constexpr int32_t kSortAbortFailed = -5;
using JSCompareFn = int32_t (*)(void* context, const RValue* a, const RValue* b);
// Sorts values[first..last] in place (not stable): 0, or the abort code a comparison gave.
int32_t JS_Sort(RValue* values, int32_t first, int32_t last, void* context, JSCompareFn compare);
// A failed conversion inside a comparison as an abort code: 1 gives -5, 2 gives -4, else 0.
int32_t JS_SortAbortCode(int32_t conversionResult);

// Math.random: the runner's generator over its range, so both 0 and 1 occur.
void JS_MathRandom(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);
