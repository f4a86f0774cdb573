// The text form of values (what string(), message texts, INI writes and error texts show) and
// value equality.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/value.h"

// Growable zero-terminated text in a memory-manager block: cursor points at the terminating zero,
// capacity is the block size in bytes. All three start null/0 for an empty text.
void TextBuffer_Append(char** cursor, char** base, size_t* capacity, const char* text);
// Appends the value's text form.
void RValue_AppendText(char** cursor, char** base, size_t* capacity, const RValue* v);

// A second growable text (grows by half), for code that builds a text from several values.
struct TextRecord {
  char* buffer;  // memory-manager block, zero-terminated once anything was appended
  int32_t capacity;
  int32_t length;
};
void RValue_AppendToText(TextRecord* record, const RValue* v);
void TextRecord_Free(TextRecord* record);

// Equal kinds and then: reals within Math_Epsilon (NaN equals nothing); strings with the same
// record or the same bytes; arrays with the same record or the same row block; pointers, script
// objects and int32 by their 32-bit payload; int64 by 64 bits; undefined always. Null, bool,
// iterators and every other kind are never equal, not even to themselves.
bool RValue_Equals(const RValue* a, const RValue* b);

// Stamps of the text conversion, for the script-object printer's cycle guard: the counter value
// of the conversion being written, and that of the outermost conversion now running.
uint64_t RValue_TextStamp();
uint64_t RValue_TextOutermostStamp();
