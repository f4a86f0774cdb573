// The saved form of values inside buffers (saved games, variable lists):
//   kind word as s32; a real as f64; a string through the buffer's string writer; an array as its
//   row count (s32) and per row its length (s32) and its elements in this same form.
// Flags are not saved.
#include <cstring>

#include "core/memory_manager.h"
#include "core/value.h"
#include "io/buffer.h"
#include "io/saved_values.h"

namespace {

// Nesting beyond this in a saved value is taken as damage rather than followed.
constexpr int kMaxLoadDepth = 512;

void WriteInt(IBuffer* b, int32_t i) { SavedWriter{b}.S32(i); }

void WriteReal(IBuffer* b, double d) { SavedWriter{b}.F64(d); }

// The arrays being written on the way down to the current value: an array that contains itself
// is written, at its inner occurrence, as an array without rows instead of without end.
struct OpenArray {
  const SharedArray* array;
  const OpenArray* outer;
};

bool IsOpen(const OpenArray* path, const SharedArray* a) {
  for (; path != nullptr; path = path->outer) {
    if (path->array == a) return true;
  }
  return false;
}

void WriteValue(const RValue* v, IBuffer* b, const OpenArray* path) {
  WriteInt(b, static_cast<int32_t>(v->kind));
  switch (v->kind & MASK_KIND_RVALUE) {
    case VALUE_REAL:
      WriteReal(b, v->val);
      break;
    case VALUE_STRING:
      b->WriteString(v->pString != nullptr ? v->pString->text : nullptr);
      break;
    case VALUE_ARRAY: {
      const SharedArray* a = v->pArray;
      if (a == nullptr) break;
      if (IsOpen(path, a)) {
        WriteInt(b, 0);
        break;
      }
      const OpenArray here = {a, path};
      WriteInt(b, a->rowCount);
      for (int32_t r = 0; r < a->rowCount; ++r) {
        const SharedArrayRow& row = a->rows[r];
        WriteInt(b, row.length);
        for (int32_t c = 0; c < row.length; ++c) WriteValue(&row.elements[c], b, &here);
      }
      break;
    }
    default:
      break;
  }
}

struct Reader : SavedReader {
  // A count read from the buffer, or -1 when none could be read.
  int32_t ReadInt() {
    const int32_t n = S32();
    return failed ? -1 : n;
  }

  void ReadValue(RValue* v, int depth) {
    RValue_Release(v);
    v->flags = 0;
    const int32_t kindWord = ReadInt();
    if (failed) return;
    v->kind = static_cast<uint32_t>(kindWord);
    switch (v->kind & MASK_KIND_RVALUE) {
      case VALUE_REAL:
        if (b->Read(eBuffer_F64, &b->m_scratch) != 0) {
          failed = true;
          v->kind = VALUE_UNDEFINED;
          return;
        }
        v->val = b->m_scratch.val;
        break;
      case VALUE_STRING: {
        // The buffer hands over a memory-manager copy, which the record adopts.
        auto* record = static_cast<SharedString*>(MemoryManager_Alloc(sizeof(SharedString), __FILE__, __LINE__, false));
        record->text = b->ReadString();
        record->refCount = 1;
        record->form = SHARED_TEXT_UNKNOWN;
        record->length = record->text != nullptr ? static_cast<int32_t>(std::strlen(record->text)) : 0;
        v->pString = record;
        break;
      }
      case VALUE_ARRAY: {
        SharedArray* a = SharedArray_Create(v);
        v->pArray = a;
        if (depth >= kMaxLoadDepth) {
          failed = true;
          return;
        }
        const int32_t rowCount = Count(4);
        if (rowCount == 0) return;
        a->rows = static_cast<SharedArrayRow*>(
            MemoryManager_Alloc(static_cast<size_t>(rowCount) * sizeof(SharedArrayRow), __FILE__, __LINE__, true));
        a->rowCount = rowCount;
        for (int32_t r = 0; r < rowCount && !failed; ++r) {
          const int32_t length = Count(4);
          if (length == 0) continue;
          SharedArrayRow& row = a->rows[r];
          row.elements = static_cast<RValue*>(
              MemoryManager_Alloc(static_cast<size_t>(length) * sizeof(RValue), __FILE__, __LINE__, true));
          row.length = length;
          for (int32_t c = 0; c < length && !failed; ++c) ReadValue(&row.elements[c], depth + 1);
        }
        break;
      }
      default:
        // Only the kind word is saved for every other kind: no payload survives.
        v->v64 = 0;
        break;
    }
  }
};

}  // namespace

void RValue_Serialise(const RValue* v, IBuffer* buffer) { WriteValue(v, buffer, nullptr); }

bool RValue_Deserialise(RValue* v, IBuffer* buffer) {
  Reader reader{{buffer}};
  reader.ReadValue(v, 0);
  return !reader.failed;
}
