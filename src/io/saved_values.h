// Typed items of a saved game through a buffer: numbers go out as s32, u32, f32 or f64 items and
// come back as doubles. A saved game is outside input, so the reader stops at the first item that
// is not there and remembers it; every later read then gives 0 without touching the buffer.
#pragma once

#include <cstdint>

#include "core/value.h"
#include "io/buffer.h"

struct SavedWriter {
  IBuffer* b;

  // An s32 item truncates the number toward zero (a number outside the range is written as
  // INT32_MIN), so any double may be given as one.
  void Put(int32_t type, double v) {
    RValue_Release(&b->m_scratch);
    b->m_scratch.val = v;
    b->m_scratch.flags = 0;
    b->m_scratch.kind = VALUE_REAL;
    b->Write(type, &b->m_scratch);
  }
  void S32(int32_t v) { Put(eBuffer_S32, v); }
  void U32(uint32_t v) { Put(eBuffer_U32, v); }
  void F32(float v) { Put(eBuffer_F32, v); }
  void F64(double v) { Put(eBuffer_F64, v); }
  void Bool(bool v) { S32(v ? 1 : 0); }
  // A missing text is written as the empty one.
  void String(const char* text) { b->WriteString(text != nullptr ? text : ""); }
};

struct SavedReader {
  IBuffer* b;
  bool failed = false;

  double Get(int32_t type) {
    if (failed || b->Read(type, &b->m_scratch) != 0) {
      failed = true;
      return 0.0;
    }
    return b->m_scratch.val;
  }
  // s32 and u32 items read back exactly; no range check is needed for the casts.
  int32_t S32() { return static_cast<int32_t>(Get(eBuffer_S32)); }
  uint32_t U32() { return static_cast<uint32_t>(Get(eBuffer_U32)); }
  float F32() { return static_cast<float>(Get(eBuffer_F32)); }
  double F64() { return Get(eBuffer_F64); }
  bool Bool() { return S32() != 0; }
  // A memory-manager copy of the text (the caller frees it); null once the data ran out.
  char* String() {
    if (failed) return nullptr;
    char* text = b->ReadString();
    if (text == nullptr) failed = true;
    return text;
  }
  // A count of records that each take at least minBytes. A count that the bytes left cannot hold
  // is damage: it fails the read rather than sizing anything.
  int32_t Count(int32_t minBytes) {
    const int32_t n = S32();
    if (failed) return 0;
    const int64_t left = static_cast<int64_t>(b->m_size) - b->m_position;
    if (n < 0 || static_cast<int64_t>(n) * minBytes > left) {
      failed = true;
      return 0;
    }
    return n;
  }
};
