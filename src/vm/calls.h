// Calls and with-blocks as translated code makes them: built-in functions and scripts called with
// arrays of value pointers, and the with-iterator that switches self and other for each target
// instance. The with-list and the small lookups here serve the byte-code interpreter too.
#pragma once

#include <cstddef>
#include <cstdint>

class CInstance;
struct RValue;
struct VMContext;

// Calls built-in function `index` with (result, self, other, argc, the values args point at);
// the result is made undefined first. An index outside the table (a name bound to -1) is a
// runtime error and calls nothing. Returns result.
RValue* VM_CallBuiltin(CInstance* self, CInstance* other, RValue* result, int32_t argc, int32_t index,
                       RValue** args);
// Calls the translated script `scriptIndex` with the result set to the real 0 first. An index that
// names no script, or a script without a translated function, is a runtime error. Returns result.
RValue* VM_CallScript(CInstance* self, CInstance* other, RValue* result, int32_t argc, int32_t scriptIndex,
                      RValue** args);

// One with-block of translated code. The instance array, when there is one, starts with a null
// entry; the cursor walks down from its end, so targets are visited from the last to the first.
struct WithIterator {
  CInstance* savedSelf;
  CInstance* savedOther;
  CInstance** array;
  CInstance** cursor;
};

// Target ids of a with-block besides instance ids (100000 and up) and object indices.
inline constexpr int32_t kWithSelf = -1;
inline constexpr int32_t kWithOther = -2;
inline constexpr int32_t kWithAll = -3;
inline constexpr int32_t kWithNoone = -4;
inline constexpr int32_t kWithGlobal = -5;
inline constexpr int32_t kWithBuiltinSelf = -6;
inline constexpr int32_t kWithLocal = -7;

// Saves self and other and makes the first target self (other becomes the old self). Returns the
// number of targets: 0 when none (self and other are left), -1 for noone, global and local.
int32_t WithIterator_Begin(WithIterator* iterator, CInstance** self, CInstance** other, int32_t target);
// Makes the next target self; false when there is none left.
bool WithIterator_Next(WithIterator* iterator, CInstance** self);
// Frees the iteration and restores self and other. Safe to call once after any Begin.
void WithIterator_End(WithIterator* iterator, CInstance** self, CInstance** other);

// The with-list: the instances of one object, collected without duplicates and emptied after
// each use.
// Appends the instance unless present; true when it was already there.
bool WithList_AddUnique(CInstance* instance);
// Collects the instances a with over object `objectIndex` visits: those of the object and its
// descendants, then those waiting in the object-change queue and the activation queue whose
// object is exactly this one; marked and deactivated instances are left out. Returns the count;
// -1 when there is no such object.
int32_t WithList_CollectObject(int32_t objectIndex);
int32_t WithList_Count();
// Writes [null, e0, ..., e(n-2)] for the n collected instances, sets *self to e(n-1) and returns
// the position after the last entry written.
CInstance** WithList_CopyToArray(CInstance** array, CInstance** self);
void WithList_Clear();
// Sets up and frees the with-list (start-up and teardown).
void WithList_Init();
void WithList_Free();

// Memory-manager copies of texts (tagged for the interpreter); null for null.
char* VM_StrDup(const char* text);
char* VM_StrDupLen(const char* text, int32_t* length);
// A new memory-manager block holding the two texts joined; a copy of the other when one is null,
// null for two nulls. The caller frees it.
char* VM_StrConcat(const char* first, const char* second);
// Position of the first NUL within n bytes, else n.
size_t VM_StrNLen(const char* text, size_t n);
