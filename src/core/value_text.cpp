#include "core/value_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/memory_manager.h"
#include "core/math_epsilon.h"
#include "core/object_text.h"

namespace {

// Every conversion advances the counter; the outermost stamp is the counter value taken when a
// conversion starts at depth 0. An array whose visit stamp is not below the outermost stamp was
// already printed within this conversion (a cycle or a repeated reference). 64-bit, so the
// counter never wraps and old stamps never look new.
uint64_t g_stampCounter = 0;
uint64_t g_outermostStamp = 0;
int g_textDepth = 0;

void AppendNumber(char** cursor, char** base, size_t* capacity, const char* first, const char* last) {
  char text[512];
  const size_t n = static_cast<size_t>(last - first);
  std::memcpy(text, first, n);
  text[n] = '\0';
  TextBuffer_Append(cursor, base, capacity, text);
}

void AppendInt64(char** cursor, char** base, size_t* capacity, int64_t i) {
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text - 1, i);
  *r.ptr = '\0';
  TextBuffer_Append(cursor, base, capacity, text);
}

void AppendReal(char** cursor, char** base, size_t* capacity, double d) {
  if (std::isnan(d)) {
    TextBuffer_Append(cursor, base, capacity, "NaN");
    return;
  }
  // Whole numbers inside the 64-bit range print as integers ("%lld"), so -0.0 prints 0.
  if (d >= -9223372036854775808.0 && d < 9223372036854775808.0) {
    const int64_t whole = static_cast<int64_t>(d);
    if (static_cast<double>(whole) == d) {
      AppendInt64(cursor, base, capacity, whole);
      return;
    }
  }
  // "%.2f": the largest double needs 309 digits, well inside the buffer.
  char text[512];
  const auto r = std::to_chars(text, text + sizeof text - 1, d, std::chars_format::fixed, 2);
  AppendNumber(cursor, base, capacity, text, r.ptr);
}

void AppendArray(char** cursor, char** base, size_t* capacity, SharedArray* a) {
  TextBuffer_Append(cursor, base, capacity, "{ ");
  if (a != nullptr && a->visitStamp < g_outermostStamp) {
    a->visitStamp = g_stampCounter;
    for (int32_t r = 0; r < a->rowCount; ++r) {
      const SharedArrayRow& row = a->rows[r];
      TextBuffer_Append(cursor, base, capacity, "{ ");
      for (int32_t c = 0; c < row.length; ++c) {
        if (c > 0) TextBuffer_Append(cursor, base, capacity, ",");
        RValue_AppendText(cursor, base, capacity, &row.elements[c]);
      }
      TextBuffer_Append(cursor, base, capacity, " }, ");
    }
  }
  TextBuffer_Append(cursor, base, capacity, " }");
}

}  // namespace

void TextBuffer_Append(char** cursor, char** base, size_t* capacity, const char* text) {
  if (text == nullptr) return;
  const size_t used = *base != nullptr ? static_cast<size_t>(*cursor - *base) : 0;
  const size_t n = std::strlen(text);
  const size_t needed = used + n + 1;
  if (*capacity < needed) {
    // The text may be a piece of this very buffer, which the reallocation moves.
    const uintptr_t from = reinterpret_cast<uintptr_t>(text);
    const uintptr_t start = reinterpret_cast<uintptr_t>(*base);
    const bool inside = *base != nullptr && from >= start && from < start + *capacity;
    const size_t grown = *capacity * 2 > needed + 1 ? *capacity * 2 : needed + 1;
    *base = static_cast<char*>(MemoryManager_Realloc(*base, grown, __FILE__, __LINE__));
    *capacity = grown;
    *cursor = *base + used;
    if (inside) text = *base + (from - start);
  }
  std::memmove(*cursor, text, n + 1);
  *cursor += n;
}

void RValue_AppendText(char** cursor, char** base, size_t* capacity, const RValue* v) {
  const uint64_t stamp = ++g_stampCounter;
  if (g_textDepth == 0) g_outermostStamp = stamp;
  ++g_textDepth;
  switch (v->kind & MASK_KIND_RVALUE) {
    case VALUE_REAL:
      AppendReal(cursor, base, capacity, v->val);
      break;
    case VALUE_STRING:
      if (v->pString != nullptr && v->pString->text != nullptr) {
        TextBuffer_Append(cursor, base, capacity, v->pString->text);
      }
      break;
    case VALUE_ARRAY:
      AppendArray(cursor, base, capacity, v->pArray);
      break;
    case VALUE_PTR: {
      char text[64];
      std::snprintf(text, sizeof text, "%p", v->ptr);
      TextBuffer_Append(cursor, base, capacity, text);
      break;
    }
    case VALUE_UNDEFINED:
      TextBuffer_Append(cursor, base, capacity, "undefined");
      break;
    case VALUE_OBJECT:
      if (v->pObj == nullptr) {
        TextBuffer_Append(cursor, base, capacity, "null");
      } else {
        WXObject_AppendText(v->pObj, cursor, base, capacity);
      }
      break;
    case VALUE_INT32:
      AppendInt64(cursor, base, capacity, v->v32);
      break;
    case VALUE_INT64:
      AppendInt64(cursor, base, capacity, v->v64);
      break;
    case VALUE_BOOL:
      TextBuffer_Append(cursor, base, capacity, v->val == 0.0 ? "0" : "1");
      break;
    default:
      break;
  }
  --g_textDepth;
}

void RValue_AppendToText(TextRecord* record, const RValue* v) {
  constexpr size_t kFirstBlock = 256;
  char* base = static_cast<char*>(MemoryManager_Alloc(kFirstBlock, __FILE__, __LINE__, false));
  size_t capacity = kFirstBlock;
  char* cursor = base;
  *cursor = '\0';
  RValue_AppendText(&cursor, &base, &capacity, v);
  const int64_t n = cursor - base;

  const int64_t length = record->length;
  const int64_t have = record->capacity;
  if (have - 1 - length < n + 1) {
    int64_t grown = have != 0 ? have * 3 / 2 : (n + 1) * 3 / 2;
    if (grown - 1 - length < n + 1) grown = (length + n + 1) * 3 / 2 + 1;
    char* block = static_cast<char*>(MemoryManager_Alloc(static_cast<size_t>(grown), __FILE__, __LINE__, true));
    if (record->buffer != nullptr) std::memcpy(block, record->buffer, static_cast<size_t>(length));
    MemoryManager_Free(record->buffer);
    record->buffer = block;
    record->capacity = static_cast<int32_t>(grown);
  }
  std::memcpy(record->buffer + length, base, static_cast<size_t>(n) + 1);
  record->length = static_cast<int32_t>(length + n);
  MemoryManager_Free(base);
}

void TextRecord_Free(TextRecord* record) {
  MemoryManager_Free(record->buffer);
  record->buffer = nullptr;
  record->capacity = 0;
  record->length = 0;
}

bool RValue_Equals(const RValue* a, const RValue* b) {
  const uint32_t kind = a->kind & MASK_KIND_RVALUE;
  if (kind != (b->kind & MASK_KIND_RVALUE)) return false;
  switch (kind) {
    case VALUE_REAL:
      // Equal infinities compare equal too (their difference is NaN); NaN equals nothing.
      return a->val == b->val || std::fabs(a->val - b->val) <= Math_Epsilon;
    case VALUE_STRING: {
      const SharedString* x = a->pString;
      const SharedString* y = b->pString;
      if (x == y) return true;
      if (x == nullptr || y == nullptr) return false;
      if (x->length != y->length) return false;
      if (x->length == 0) return true;
      if (x->text == nullptr || y->text == nullptr) return false;
      return std::memcmp(x->text, y->text, static_cast<size_t>(x->length)) == 0;
    }
    case VALUE_ARRAY: {
      const SharedArray* x = a->pArray;
      const SharedArray* y = b->pArray;
      if (x == y) return true;
      if (x == nullptr || y == nullptr) return false;
      return x->rows == y->rows;
    }
    case VALUE_PTR:
    case VALUE_OBJECT:
      return a->ptr == b->ptr;  // whole 64-bit addresses
    case VALUE_INT32:
      return a->v32 == b->v32;
    case VALUE_INT64:
      return a->v64 == b->v64;
    case VALUE_UNDEFINED:
      return true;
    default:
      return false;
  }
}

uint64_t RValue_TextStamp() { return g_stampCounter; }
uint64_t RValue_TextOutermostStamp() { return g_outermostStamp; }
