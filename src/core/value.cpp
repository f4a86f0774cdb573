#include "core/value.h"

#include <cstddef>
#include <cstring>

#include "core/crc32.h"
#include "core/memory_manager.h"
#include "core/vm_error.h"

ArrayIndexErrorRecord ArrayIndexError;

namespace {

// Handed to translated code when an element read or write cannot be served, so that it never
// dereferences null. Reset on every use: whatever was stored into it is dropped.
RValue g_readScratch = {{0.0}, 0, VALUE_UNDEFINED};
RValue g_writeScratch = {{0.0}, 0, VALUE_UNDEFINED};

RValue* FreshScratch(RValue* scratch) {
  RValue_Release(scratch);
  scratch->flags = 0;
  return scratch;
}

inline void TakeRef(RValue* v) {
  const uint32_t kind = v->kind & MASK_KIND_RVALUE;
  if (kind == VALUE_STRING) {
    if (v->pString != nullptr) ++v->pString->refCount;
  } else if (kind == VALUE_ARRAY) {
    if (v->pArray != nullptr) ++v->pArray->refCount;
  } else if (kind == VALUE_PTR) {
    v->flags &= ~RVALUE_FLAG_OWNED;
  }
}

// Stores a value whose reference the caller already holds into slot, releasing the slot first;
// an array without an owner takes the slot as its owner.
inline void Place(RValue* slot, const RValue& referenced) {
  if (RValue_KindHoldsRef(slot->kind)) RValue_ReleaseOwned(slot);
  *slot = referenced;
  if ((referenced.kind & MASK_KIND_RVALUE) == VALUE_ARRAY && referenced.pArray != nullptr &&
      referenced.pArray->owner == nullptr) {
    referenced.pArray->owner = slot;
  }
}

void RecordIndexError(const SharedArray* a, int32_t row, int32_t column) {
  ArrayIndexError.pending = true;
  ArrayIndexError.row = row;
  ArrayIndexError.column = column;
  ArrayIndexError.rowCount = a != nullptr ? a->rowCount : 0;
  ArrayIndexError.rowLength = (a != nullptr && row >= 0 && row < a->rowCount) ? a->rows[row].length : -1;
}

inline SharedArray* HeldArray(const RValue* v) {
  return (v->kind & MASK_KIND_RVALUE) == VALUE_ARRAY ? v->pArray : nullptr;
}

void FreeArray(SharedArray* a) {
  for (int32_t r = 0; r < a->rowCount; ++r) {
    SharedArrayRow& row = a->rows[r];
    for (int32_t c = 0; c < row.length; ++c) {
      RValue* e = &row.elements[c];
      if (RValue_KindHoldsRef(e->kind)) RValue_ReleaseOwned(e);
      e->v64 = 0;
      e->flags = 0;
      e->kind = VALUE_UNDEFINED;
    }
    MemoryManager_Free(row.elements);
  }
  MemoryManager_Free(a->rows);
  MemoryManager_Free(a);
}

void SharedArray_Unref(SharedArray* a, const RValue* holder) {
  if (a->owner == holder) a->owner = nullptr;
  if (a->refCount-- <= 1) FreeArray(a);
}

// Grows a block of count elements to hold at least newCount. The block keeps spare room beyond
// the logical length (arrays filled one element at a time would otherwise copy on every write);
// the spare room is zero, as the memory manager hands it out, so it reads as reals 0 once the
// length reaches it.
template <typename T>
T* GrowBlock(T* block, int32_t count, int32_t newCount, const char* file, int line) {
  const size_t needed = static_cast<size_t>(newCount) * sizeof(T);
  if (block != nullptr && MemoryManager_BlockSize(block) >= needed) return block;
  size_t capacity = needed;
  if (count >= 4) {
    const size_t spare = static_cast<size_t>(count) * sizeof(T) * 3 / 2;
    if (spare > capacity) capacity = spare;
  }
  return static_cast<T*>(MemoryManager_Realloc(block, capacity, file, line));
}

// The element at (row, column), both non-negative, growing rows and the row as needed.
RValue* GrowTo(SharedArray* a, int32_t row, int32_t column) {
  if (row >= a->rowCount) {
    a->rows = GrowBlock(a->rows, a->rowCount, row + 1, __FILE__, __LINE__);
    a->rowCount = row + 1;
  }
  SharedArrayRow& r = a->rows[row];
  if (column >= r.length) {
    RValue* old = r.elements;
    RValue* grown = GrowBlock(r.elements, r.length, column + 1, __FILE__, __LINE__);
    if (grown != old && old != nullptr) {
      // Nested arrays owned by their element follow the element to its new address.
      const uintptr_t oldBase = reinterpret_cast<uintptr_t>(old);
      for (int32_t c = 0; c < r.length; ++c) {
        SharedArray* inner = HeldArray(&grown[c]);
        if (inner != nullptr && reinterpret_cast<uintptr_t>(inner->owner) == oldBase + c * sizeof(RValue)) {
          inner->owner = &grown[c];
        }
      }
    }
    r.elements = grown;
    r.length = column + 1;
  }
  return &r.elements[column];
}

// Turns v into an array it may write in place: a new array when it holds none, a private copy
// when it shares one that it does not own.
SharedArray* PrepareForWrite(RValue* v, bool copyOnWrite) {
  SharedArray* a = HeldArray(v);
  if (a == nullptr) {
    RValue_Release(v);
    a = SharedArray_Create(v);
    v->pArray = a;
    v->kind = VALUE_ARRAY;
    return a;
  }
  if (copyOnWrite && a->owner != v && a->refCount != 1) {
    SharedArray* copy = SharedArray_Copy(a, v);
    --a->refCount;  // others still hold it, so it cannot reach zero here
    v->pArray = copy;
    return copy;
  }
  if (a->owner == nullptr) a->owner = v;
  return a;
}

void WriteElement(RValue* target, const RValue* source, int32_t index, bool copyOnWrite) {
  const int32_t row = ArrayIndex_Row(index);
  const int32_t column = ArrayIndex_Column(index);
  if (row < 0 || column < 0) {
    RecordIndexError(HeldArray(target), row, column);
    return;
  }
  // The source may live inside the array that growth is about to move: hold it first.
  RValue held = *source;
  TakeRef(&held);
  SharedArray* a = PrepareForWrite(target, copyOnWrite);
  Place(GrowTo(a, row, column), held);
}

}  // namespace

// --- strings ---------------------------------------------------------------------------------

namespace {

inline bool Continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

// Bytes of the well-formed character at s (within the n bytes left), or 0: the shortest forms
// only, which the runner's decoder reads back to distinct code points.
int64_t WellFormedChar(const unsigned char* s, int64_t n) {
  const unsigned lead = s[0];
  if (lead >= 0xC2 && lead <= 0xDF) return n >= 2 && Continuation(s[1]) ? 2 : 0;
  if (lead >= 0xE0 && lead <= 0xEF) {
    if (n < 3 || !Continuation(s[1]) || !Continuation(s[2])) return 0;
    return lead == 0xE0 && s[1] < 0xA0 ? 0 : 3;
  }
  if (lead >= 0xF0 && lead <= 0xF4) {
    if (n < 4 || !Continuation(s[1]) || !Continuation(s[2]) || !Continuation(s[3])) return 0;
    if (lead == 0xF0 && s[1] < 0x90) return 0;
    if (lead == 0xF4 && s[1] > 0x8F) return 0;
    return 4;
  }
  return 0;
}

}  // namespace

uint32_t SharedString_FormOfBytes(const char* text, int64_t n) {
  const auto* s = reinterpret_cast<const unsigned char*>(text);
  int64_t i = 0;
  // Eight bytes at a time while they are all ASCII and none is zero.
  for (; i + 8 <= n; i += 8) {
    uint64_t word;
    std::memcpy(&word, s + i, sizeof word);
    const uint64_t high = word & 0x8080808080808080ull;
    const uint64_t zero = (word - 0x0101010101010101ull) & ~word & 0x8080808080808080ull;
    if ((high | zero) != 0) break;
  }
  uint32_t form = SHARED_TEXT_ASCII;
  while (i < n) {
    if (s[i] == 0) return SHARED_TEXT_OTHER;
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const int64_t width = WellFormedChar(s + i, n - i);
    if (width == 0) return SHARED_TEXT_OTHER;
    form = SHARED_TEXT_UTF8;
    i += width;
  }
  return form;
}

uint32_t SharedString_Form(SharedString* record) {
  uint32_t form = __atomic_load_n(&record->form, __ATOMIC_RELAXED);
  if (form != SHARED_TEXT_UNKNOWN) return form;
  if (record->text == nullptr) return SHARED_TEXT_ASCII;
  form = SharedString_FormOfBytes(record->text, record->length);
  if (form != SHARED_TEXT_OTHER && record->text[record->length] != 0) form = SHARED_TEXT_OTHER;
  // Every thread that works it out gets the same answer.
  __atomic_store_n(&record->form, form, __ATOMIC_RELAXED);
  return form;
}

void SharedString_Create(SharedString* record, const char* text) {
  record->refCount = 1;
  record->form = SHARED_TEXT_UNKNOWN;
  if (text == nullptr) {
    record->text = nullptr;
    record->length = 0;
    return;
  }
  const size_t n = std::strlen(text);
  record->text = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, false));
  std::memcpy(record->text, text, n + 1);
  record->length = static_cast<int32_t>(n);
}

SharedString* SharedString_Create(const char* text) {
  auto* record = static_cast<SharedString*>(MemoryManager_Alloc(sizeof(SharedString), __FILE__, __LINE__, false));
  SharedString_Create(record, text);
  return record;
}

void SharedString_CreateSized(SharedString* record, int32_t n) {
  if (n < 0) n = 0;
  record->refCount = 1;
  record->form = SHARED_TEXT_UNKNOWN;  // the caller fills the text
  record->length = n;
  record->text = static_cast<char*>(MemoryManager_Alloc(static_cast<size_t>(n) + 1, __FILE__, __LINE__, false));
  record->text[n] = '\0';
}

SharedString* SharedString_CreateSized(int32_t n) {
  auto* record = static_cast<SharedString*>(MemoryManager_Alloc(sizeof(SharedString), __FILE__, __LINE__, false));
  SharedString_CreateSized(record, n);
  return record;
}

void SharedString_Release(SharedString* record) {
  if (--record->refCount > 0) return;
  MemoryManager_Free(record->text);
  MemoryManager_Free(record);
}

SharedString* SharedString_Join(const SharedString* left, const SharedString* right) {
  const int64_t nl = left != nullptr && left->text != nullptr ? left->length : 0;
  const int64_t nr = right != nullptr && right->text != nullptr ? right->length : 0;
  if (nl + nr > INT32_MAX) return nullptr;
  SharedString* joined = SharedString_CreateSized(static_cast<int32_t>(nl + nr));
  if (nl > 0) std::memcpy(joined->text, left->text, static_cast<size_t>(nl));
  if (nr > 0) std::memcpy(joined->text + nl, right->text, static_cast<size_t>(nr));
  joined->form = SharedString_JoinedForm(left != nullptr ? left->form : SHARED_TEXT_ASCII,
                                         right != nullptr ? right->form : SHARED_TEXT_ASCII);
  return joined;
}

void RValue_SetString(RValue* v, const char* text) {
  // Made before the release: text may belong to the string that v holds.
  SharedString* record = SharedString_Create(text);
  RValue_Release(v);
  v->pString = record;
  v->flags = 0;
  v->kind = VALUE_STRING;
}

void RValue_InitString(RValue* v, const char* text) {
  v->pString = SharedString_Create(text);
  v->kind = VALUE_STRING;
}

void RValue_SetStringCopy(RValue* v, SharedString* stored) {
  // The value takes a counted reference; the caller's own reference keeps the record alive.
  if (stored != nullptr) ++stored->refCount;
  RValue_Release(v);
  v->pString = stored;
  v->flags = 0;
  v->kind = VALUE_STRING;
}

// --- release ---------------------------------------------------------------------------------

void RValue_ReleaseOwned(RValue* v) {
  // The value is emptied before anything is freed: it may live inside what it releases.
  const RValue old = *v;
  v->v64 = 0;
  v->kind = VALUE_UNDEFINED;
  if (!RValue_KindHoldsRef(old.kind)) return;
  switch (old.kind & 3u) {
    case VALUE_STRING:
      if (old.pString != nullptr) SharedString_Release(old.pString);
      break;
    case VALUE_ARRAY:
      if (old.pArray != nullptr) SharedArray_Unref(old.pArray, v);
      break;
    case VALUE_PTR:
      if ((old.flags & RVALUE_FLAG_OWNED) != 0 && old.ptr != nullptr) {
        v->flags &= ~RVALUE_FLAG_OWNED;
        delete static_cast<COwnedObject*>(old.ptr);
      }
      break;
    default:
      break;
  }
}

// --- arrays ----------------------------------------------------------------------------------

SharedArray* SharedArray_Create(const RValue* owner) {
  auto* a = static_cast<SharedArray*>(MemoryManager_Alloc(sizeof(SharedArray), __FILE__, __LINE__, true));
  a->refCount = 1;
  a->owner = owner;
  return a;
}

SharedArray* SharedArray_Copy(const SharedArray* record, const RValue* newOwner) {
  if (record == nullptr) return nullptr;
  SharedArray* copy = SharedArray_Create(newOwner);
  const int32_t rowCount = record->rowCount > 0 ? record->rowCount : 0;
  copy->rowCount = rowCount;
  if (rowCount == 0) return copy;
  copy->rows = static_cast<SharedArrayRow*>(
      MemoryManager_Alloc(static_cast<size_t>(rowCount) * sizeof(SharedArrayRow), __FILE__, __LINE__, true));
  for (int32_t r = 0; r < rowCount; ++r) {
    const SharedArrayRow& from = record->rows[r];
    if (from.length <= 0) continue;
    SharedArrayRow& to = copy->rows[r];
    to.elements = static_cast<RValue*>(
        MemoryManager_Alloc(static_cast<size_t>(from.length) * sizeof(RValue), __FILE__, __LINE__, true));
    to.length = from.length;
    for (int32_t c = 0; c < from.length; ++c) {
      RValue held = from.elements[c];
      TakeRef(&held);
      Place(&to.elements[c], held);
    }
  }
  return copy;
}

RValue* RValue_ArrayElement(RValue* v, int32_t index) {
  SharedArray* a = HeldArray(v);
  if (a == nullptr) {
    VM_RuntimeError("trying to index variable that is not an array");
    return v;
  }
  if (a->owner == nullptr) a->owner = v;
  const int32_t row = ArrayIndex_Row(index);
  const int32_t column = ArrayIndex_Column(index);
  if (row < 0 || row >= a->rowCount) {
    VM_RuntimeError("first index out of bounds request %d maximum size is %d", row, a->rowCount);
    return FreshScratch(&g_readScratch);
  }
  const SharedArrayRow& r = a->rows[row];
  if (column < 0 || column >= r.length) {
    VM_RuntimeError("second index out of bounds request %d,%d maximum size is %d", row, column, r.length);
    return FreshScratch(&g_readScratch);
  }
  return &r.elements[column];
}

bool RValue_GetElement(RValue* out, RValue* source, int32_t index) {
  if (index == ARRAY_INDEX_NONE) {
    RValue_Assign(out, source);
    return true;
  }
  if ((source->kind & MASK_KIND_RVALUE) != VALUE_ARRAY) {
    VM_RuntimeError("trying to index a variable which is not an array");
    RValue_Assign(out, source);
    return true;
  }
  SharedArray* a = source->pArray;
  if (a != nullptr && a->owner == nullptr) a->owner = source;
  const int32_t row = ArrayIndex_Row(index);
  const int32_t column = ArrayIndex_Column(index);
  if (a != nullptr && row >= 0 && row < a->rowCount && column >= 0 && column < a->rows[row].length) {
    RValue_Assign(out, &a->rows[row].elements[column]);
    return true;
  }
  RecordIndexError(a, row, column);
  RValue_Release(out);
  out->val = 0.0;
  out->flags = 0;
  out->kind = VALUE_REAL;
  return false;
}

void SharedArray_Grow(RValue* v, const RValue* source, int32_t index) {
  WriteElement(v, source, index, false);
}

void RValue_SetElement(RValue* target, const RValue* source, int32_t index) {
  if (index != ARRAY_INDEX_NONE) {
    WriteElement(target, source, index, true);
    return;
  }
  SharedArray* incoming = HeldArray(source);
  if (HeldArray(target) != nullptr && incoming != nullptr && incoming->owner == nullptr) {
    incoming->owner = source;
  }
  RValue_Assign(target, source);
}

RValue* RValue_ElementForWrite(RValue* v, int32_t index) {
  const int32_t row = ArrayIndex_Row(index);
  const int32_t column = ArrayIndex_Column(index);
  if (row < 0 || column < 0) {
    RecordIndexError(HeldArray(v), row, column);
    return FreshScratch(&g_writeScratch);
  }
  return GrowTo(PrepareForWrite(v, true), row, column);
}

// --- hashing ---------------------------------------------------------------------------------

uint32_t RValue_Hash(const RValue* v) {
  switch (v->kind & MASK_KIND_RVALUE) {
    case VALUE_REAL: {
      // Truncation toward zero; NaN and reals outside the 32-bit range give the processor's
      // "integer indefinite" 0x80000000 rather than undefined behaviour.
      const double d = v->val;
      if (!(d > -2147483649.0 && d < 2147483648.0)) return 0x80000000u;
      return static_cast<uint32_t>(static_cast<int32_t>(d));
    }
    case VALUE_STRING:
      return v->pString != nullptr ? CRC32_String(v->pString->text) : 0u;
    case VALUE_ARRAY:
      return v->pArray != nullptr ? static_cast<uint32_t>(reinterpret_cast<uintptr_t>(v->pArray->rows)) : 0u;
    case VALUE_UNDEFINED:
      return 0u;
    default:
      return static_cast<uint32_t>(v->v64);
  }
}
