// What the data-structure script functions share: reading and checking ids, the bad-id report
// and the result conventions. Internal to src/functions.
#pragma once

#include <cstdint>

#include "core/function_registry.h"
#include "core/value.h"
#include "functions/ds_tables.h"
#include "functions/handler_args.h"

// Reports "Data structure with index does not exist." as a non-fatal error.
void DS_ReportBadId();

// The id argument n read with the integer getter.
int32_t DS_IdArg(const Args& a, int32_t n);
// The id argument of the few handlers that round it: a real's payload rounded half to even (one
// beyond the int32 range names nothing); any other kind through the integer getter.
int32_t DS_RoundedIdArg(const Args& a, int32_t n);

// The container the id names, or null after the bad-id report. A call that brought fewer than
// `needed` arguments gives null without reading them or reporting.
template <typename T>
T* DS_Lookup(const DsTable<T>& table, const Args& a, int32_t needed, bool rounded = false) {
  if (!a.Has(needed - 1)) return nullptr;
  T* container = table.Get(rounded ? DS_RoundedIdArg(a, 0) : DS_IdArg(a, 0));
  if (container == nullptr) DS_ReportBadId();
  return container;
}

inline void DS_SetBool(RValue* result, bool value) { Args_SetReal(result, value ? 1.0 : 0.0); }

// The handlers every kind has alike, over the table of their kind.
// Destroy (lists and maps): an id outside the table is reported, an emptied slot is left
// without a word.
template <auto& table, bool (*destroy)(int32_t)>
BUILTIN_FN(DS_DestroyHandler) {
  HANDLER_ARGS;
  if (!a.Has(0)) return;
  const int32_t id = DS_IdArg(a, 0);
  if (!table.InRange(id)) {
    DS_ReportBadId();
    return;
  }
  destroy(id);
}
template <auto& table>
BUILTIN_FN(DS_ClearHandler) {
  HANDLER_ARGS;
  if (auto* container = DS_Lookup(table, a, 1)) container->Clear();
}
template <auto& table>
BUILTIN_FN(DS_SizeHandler) {
  HANDLER_ARGS;
  if (auto* container = DS_Lookup(table, a, 1)) Args_SetReal(result, container->Size());
}
template <auto& table>
BUILTIN_FN(DS_EmptyHandler) {
  HANDLER_ARGS;
  if (auto* container = DS_Lookup(table, a, 1)) DS_SetBool(result, container->Empty());
}
// Destroy (stacks, queues, priority queues and grids): an emptied slot is reported too.
template <bool (*destroy)(int32_t)>
BUILTIN_FN(DS_DestroyReportingHandler) {
  HANDLER_ARGS;
  if (a.Has(0) && !destroy(DS_IdArg(a, 0))) DS_ReportBadId();
}
// Copy: the destination is checked first, the source (rounded for the queue) only when it is
// valid.
template <auto& table, bool roundedSource = false>
BUILTIN_FN(DS_CopyHandler) {
  HANDLER_ARGS;
  auto* dest = DS_Lookup(table, a, 2);
  if (dest == nullptr) return;
  auto* source = table.Get(roundedSource ? DS_RoundedIdArg(a, 1) : DS_IdArg(a, 1));
  if (source == nullptr) {
    DS_ReportBadId();
    return;
  }
  dest->Copy(source);
}

// A copy of a stored value (references added) without the nested marks; undefined for null.
void DS_SetCopy(RValue* result, const RValue* stored);

// The result becomes a new string holding the text, which is freed.
void DS_SetText(RValue* result, char* text);
// The older-form flag of a read: the third argument when the call brought exactly three, true
// when its integer is above 0 or, for a priority queue, when the boolean getter says so.
bool DS_OlderFormArg(const Args& a, bool boolean);

// Write: the container's text form as a new string.
template <auto& table, bool rounded = false>
BUILTIN_FN(DS_WriteHandler) {
  HANDLER_ARGS;
  if (auto* container = DS_Lookup(table, a, 1, rounded)) DS_SetText(result, container->WriteText());
}
// Read: the text replaces the contents when it is a complete text of the kind; a string without
// text leaves the container as it is.
template <auto& table, bool booleanFlag = false>
BUILTIN_FN(DS_ReadHandler) {
  HANDLER_ARGS;
  auto* container = DS_Lookup(table, a, 2);
  if (container == nullptr) return;
  const char* text = a.S(1);
  const bool olderForm = DS_OlderFormArg(a, booleanFlag);
  if (text != nullptr) container->ReadText(text, olderForm);
}

// One row of the group's registration.
struct DsFunction {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};
inline constexpr int32_t kDsStackFunctionCount = 11;
inline constexpr int32_t kDsQueueFunctionCount = 12;
inline constexpr int32_t kDsListFunctionCount = 21;
inline constexpr int32_t kDsMapFunctionCount = 26;
inline constexpr int32_t kDsPriorityFunctionCount = 16;
inline constexpr int32_t kDsGridFunctionCount = 40;
extern const DsFunction kDsStackFunctions[kDsStackFunctionCount];
extern const DsFunction kDsQueueFunctions[kDsQueueFunctionCount];
extern const DsFunction kDsListFunctions[kDsListFunctionCount];
extern const DsFunction kDsMapFunctions[kDsMapFunctionCount];
extern const DsFunction kDsPriorityFunctions[kDsPriorityFunctionCount];
extern const DsFunction kDsGridFunctions[kDsGridFunctionCount];

// Installs the guarded ds_grid_get and ds_grid_set handlers (true) or the fast ones.
void DS_UseGuardedGridAccess(bool guarded);
