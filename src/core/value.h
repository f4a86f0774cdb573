// Script-visible values: the 16-byte value record and the shared strings and arrays behind it.
//
// Every module includes this header, so it stays light: only <cstdint>, and the hot operations
// (assign, release, the kind tests) are inline with their rare paths out of line.
//
// Ownership in one paragraph: a value owns memory only for kinds 0..3 (string and array by one
// reference, a pointer when its flags have RVALUE_FLAG_OWNED). Every overwrite releases first,
// every copy adds a reference. An array also remembers one "owner" value: writes through the owner
// (or through the only holder) change the shared record in place; writes through any other holder
// copy the record first.
#pragma once

#include <cstdint>

class WXObjectBase;
class IBuffer;
struct SharedArray;

// Kinds: the low 24 bits of the kind word.
enum : uint32_t {
  VALUE_REAL = 0,
  VALUE_STRING = 1,
  VALUE_ARRAY = 2,
  VALUE_PTR = 3,
  VALUE_UNDEFINED = 5,
  VALUE_OBJECT = 6,
  VALUE_INT32 = 7,
  VALUE_INT64 = 10,
  VALUE_FUNCREF = 11,  // a function object in the getter or setter slot of an accessor pair
  VALUE_NULL = 12,
  VALUE_BOOL = 13,
  VALUE_ITERATOR = 14,
  VALUE_UNSET = 0x00FFFFFF,  // a variable slot that was never written
};
inline constexpr uint32_t MASK_KIND_RVALUE = 0x00FFFFFFu;
// Kind-word bits that the data-structure containers set on a value holding a nested container id.
inline constexpr uint32_t KIND_FLAG_DSLIST = 0x40000000u;
inline constexpr uint32_t KIND_FLAG_DSMAP = 0x80000000u;
// Flags-word bit: a pointer value owns the object it points at.
inline constexpr uint32_t RVALUE_FLAG_OWNED = 8u;

// Packed element index: row * 32000 + column; ARRAY_INDEX_NONE addresses the whole value.
inline constexpr int32_t ARRAY_INDEX_NONE = INT32_MIN;
inline constexpr int32_t ARRAY_INDEX_STRIDE = 32000;
inline constexpr int32_t ArrayIndex_Pack(int32_t row, int32_t column) { return row * ARRAY_INDEX_STRIDE + column; }
inline constexpr int32_t ArrayIndex_Row(int32_t index) { return index / ARRAY_INDEX_STRIDE; }
inline constexpr int32_t ArrayIndex_Column(int32_t index) { return index % ARRAY_INDEX_STRIDE; }

// Base of the objects that a pointer value may own; deleted through the virtual destructor.
class COwnedObject {
 public:
  virtual ~COwnedObject() = default;
};

// What a record's text is known to be, so that the string functions need not decode it again on
// every call. Records start unknown (a zero-filled record is); the first look settles it.
enum : uint32_t {
  SHARED_TEXT_UNKNOWN = 0,
  SHARED_TEXT_ASCII = 1,  // every byte below 0x80 and the first zero at `length`: positions are bytes
  SHARED_TEXT_UTF8 = 2,   // well-formed UTF-8 ending at `length` (possibly all ASCII)
  SHARED_TEXT_OTHER = 3,  // anything else: ill-formed bytes, or a zero before `length`
};

struct SharedString {
  char* text;        // UTF-8 with a terminating zero, a memory-manager block; may be null
  int32_t refCount;  // values holding this record
  int32_t length;    // bytes, without the terminator
  uint32_t form;     // SHARED_TEXT_*; whoever changes the text in place resets or keeps it
};

struct RValue {
  union {
    double val;
    int32_t v32;
    int64_t v64;
    void* ptr;
    SharedString* pString;
    SharedArray* pArray;
    WXObjectBase* pObj;
  };
  uint32_t flags;
  uint32_t kind;
};
static_assert(sizeof(RValue) == 16, "the value record is 16 bytes");

struct SharedArrayRow {
  int32_t length;      // elements in this row
  RValue* elements;    // null when length is 0
};

struct SharedArray {
  int32_t refCount;
  SharedArrayRow* rows;
  const RValue* owner;   // compared by address only, never read through
  uint64_t visitStamp;   // text conversion that last printed this array (cycle guard)
  int32_t rowCount;
};

// The last failed element access; the interpreter's push and pop report it.
struct ArrayIndexErrorRecord {
  bool pending;
  int32_t row;
  int32_t column;
  int32_t rowCount;   // 0 when the value held no array
  int32_t rowLength;  // -1 when the row does not exist
};
extern ArrayIndexErrorRecord ArrayIndexError;

// --- kind tests -------------------------------------------------------------------------------

inline constexpr uint32_t RValue_Kind(const RValue* v) { return v->kind & MASK_KIND_RVALUE; }
// Kinds 0..3 may own memory (the container marker bits lie outside the mask).
inline constexpr bool RValue_KindMayOwn(uint32_t kindWord) { return (kindWord & 0x00FFFFFCu) == 0; }
// Narrower: kinds 1..3, the ones whose release does anything.
inline constexpr bool RValue_KindHoldsRef(uint32_t kindWord) {
  return RValue_KindMayOwn(kindWord) && (kindWord & 3u) != 0;
}

// --- strings ---------------------------------------------------------------------------------

void SharedString_Create(SharedString* record, const char* text);  // fills a caller-made record
SharedString* SharedString_Create(const char* text);               // a new record, refcount 1
void SharedString_CreateSized(SharedString* record, int32_t n);     // n + 1 bytes, text[n] = 0
SharedString* SharedString_CreateSized(int32_t n);
void SharedString_Release(SharedString* record);
// A new record (refcount 1) holding the two texts joined, a null record or text counting as
// empty; null when the joined length would not fit in a record.
SharedString* SharedString_Join(const SharedString* left, const SharedString* right);
// The record's text form (SHARED_TEXT_ASCII, _UTF8 or _OTHER), worked out on the first call and
// kept. A record without text is ASCII (the empty text).
uint32_t SharedString_Form(SharedString* record);
// The form of a text of n bytes (a zero among them makes it SHARED_TEXT_OTHER).
uint32_t SharedString_FormOfBytes(const char* text, int64_t n);
// The form of two texts joined: known only when both are known and neither is OTHER.
inline uint32_t SharedString_JoinedForm(uint32_t left, uint32_t right) {
  if (left == SHARED_TEXT_UNKNOWN || right == SHARED_TEXT_UNKNOWN) return SHARED_TEXT_UNKNOWN;
  if (left == SHARED_TEXT_OTHER || right == SHARED_TEXT_OTHER) return SHARED_TEXT_UNKNOWN;
  return left == SHARED_TEXT_ASCII && right == SHARED_TEXT_ASCII ? SHARED_TEXT_ASCII : SHARED_TEXT_UTF8;
}
inline SharedString* SharedString_Unref(SharedString* record) {
  if (record != nullptr) SharedString_Release(record);
  return nullptr;
}

void RValue_SetString(RValue* v, const char* text);
void RValue_InitString(RValue* v, const char* text);  // v's old contents are not released
void RValue_SetStringCopy(RValue* v, SharedString* stored);

// --- assign and release ----------------------------------------------------------------------

// Drops what a value of kind 1..3 owns, leaving it undefined with a zero payload.
void RValue_ReleaseOwned(RValue* v);

// After release the value is undefined with a zero payload, whatever it held; releasing twice is
// harmless. Flags are kept.
inline void RValue_Release(RValue* v) {
  if (RValue_KindHoldsRef(v->kind)) {
    RValue_ReleaseOwned(v);
  } else {
    v->v64 = 0;
    v->kind = VALUE_UNDEFINED;
  }
}

// Copies source into target: references are taken before the target's old contents go, so a
// source that lives inside what the target owns stays valid. The whole payload is copied for every
// kind. A copy of an owning pointer value does not own the object (only the original does).
inline RValue* RValue_Assign(RValue* target, const RValue* source) {
  if (target == source) return target;
  RValue copy = *source;
  const uint32_t kind = copy.kind & MASK_KIND_RVALUE;
  if (kind == VALUE_STRING) {
    if (copy.pString != nullptr) ++copy.pString->refCount;
  } else if (kind == VALUE_ARRAY) {
    if (copy.pArray != nullptr) ++copy.pArray->refCount;
  } else if (kind == VALUE_PTR) {
    copy.flags &= ~RVALUE_FLAG_OWNED;
  }
  if (RValue_KindHoldsRef(target->kind)) RValue_ReleaseOwned(target);
  *target = copy;
  if (kind == VALUE_ARRAY && copy.pArray != nullptr && copy.pArray->owner == nullptr) {
    copy.pArray->owner = target;
  }
  return target;
}

// Small makers for code that builds values in place.
inline RValue RValue_MakeReal(double d) {
  RValue v;
  v.val = d;
  v.flags = 0;
  v.kind = VALUE_REAL;
  return v;
}
// A pointer-kind value; the unused upper half of a 32-bit pointer reads as 0.
inline RValue RValue_MakePointer(void* p) {
  RValue v;
  v.v64 = 0;
  v.ptr = p;
  v.flags = 0;
  v.kind = VALUE_PTR;
  return v;
}
inline RValue RValue_MakeUndefined() {
  RValue v;
  v.v64 = 0;
  v.flags = 0;
  v.kind = VALUE_UNDEFINED;
  return v;
}

// --- arrays ----------------------------------------------------------------------------------
// Element pointers handed out below stay valid until the next write that grows or copies the
// array: translated code reads its source element after asking for the element it writes.

SharedArray* SharedArray_Create(const RValue* owner);
SharedArray* SharedArray_Copy(const SharedArray* record, const RValue* newOwner);

// Element for reading from translated code. Errors go to the runtime error reporter; when it
// returns, the result is the value itself (not an array) or a scratch undefined value (index out
// of range), never null.
RValue* RValue_ArrayElement(RValue* v, int32_t index);
bool RValue_GetElement(RValue* out, RValue* source, int32_t index);
// Grows the array in v to hold index and assigns source to that element; a negative row or column
// writes nothing and fills ArrayIndexError. A value that holds no array becomes a new one.
void SharedArray_Grow(RValue* v, const RValue* source, int32_t index);
void RValue_SetElement(RValue* target, const RValue* source, int32_t index);
// Element for an indexed write from translated code, after copy on write and growth. A negative
// row or column changes nothing, fills ArrayIndexError and hands back a scratch value whose
// contents are discarded.
RValue* RValue_ElementForWrite(RValue* v, int32_t index);

// --- hashing and saved form --------------------------------------------------------------------

uint32_t RValue_Hash(const RValue* v);
void RValue_Serialise(const RValue* v, IBuffer* buffer);
// False when the data ran out or was damaged; the value then holds what was read of it.
bool RValue_Deserialise(RValue* v, IBuffer* buffer);
