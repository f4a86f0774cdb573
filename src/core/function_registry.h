// The built-in function table: every built-in script function registered at start-up, called by
// its index. One name lookup also serves scripts and extension functions, whose ids lie in ranges
// of their own above the table's.
//
// Entries are never removed, so an index names the same function for the whole run; the table
// block may move while functions are being registered, so keep indices, not entry pointers.
#pragma once

#include <cstdint>

struct RValue;
class CInstance;

// Every built-in script function: (result, self, other, argument count, argument values).
using BuiltinHandler = void (*)(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args);

inline constexpr int32_t kBuiltinNameBytes = 64;  // the name with its terminating zero
inline constexpr int32_t kBuiltinGrowth = 500;    // entries added to the capacity at a time
inline constexpr int32_t kBuiltinAnyArgs = -1;

// Callable ids.
inline constexpr int32_t kCallableScriptBase = 100000;
inline constexpr int32_t kCallableScriptExecute = 499999;  // given only to byte-code games
inline constexpr int32_t kCallableExtensionBase = 500000;

struct BuiltinFunction {
  char name[kBuiltinNameBytes];  // cut to 63 bytes
  BuiltinHandler handler;
  int32_t argumentCount;  // -1: any number
  uint8_t flag;           // kept for Builtin_GetEntry; nothing acts on it
  int32_t reserved;       // -1
};

// The table, for the per-call path: the entry of an index is g_BuiltinFunctions[index] for
// 0 <= index < g_BuiltinCount.
extern BuiltinFunction* g_BuiltinFunctions;
extern int32_t g_BuiltinCount;
extern int32_t g_BuiltinCapacity;

// Appends an entry (duplicate names are allowed); the capacity grows by 500 entries when full.
void Builtin_Add(const char* name, BuiltinHandler handler, int32_t argumentCount, uint8_t flag);
// The first entry of exactly that name takes the handler; nothing happens when there is none.
void Builtin_Replace(const char* name, BuiltinHandler handler);
// The callable id of a name: what the installed resolver finds first (scripts as 100000 + their
// index, extension functions as 500000 + theirs, "script_execute" in a byte-code game as 499999),
// else a built-in function (its index). False with -1 for an unknown, null or empty name.
bool Builtin_FindCallable(const char* name, int32_t* id);
// The callables that rank before the built-in table live above the registry (scripts, extensions,
// the game's mode), so the layer that owns them installs their lookup at start-up; null leaves
// only the built-in table. The resolver sets *id and returns true for a name it knows.
using CallableResolver = bool (*)(const char* name, int32_t* id);
void Builtin_SetCallableResolver(CallableResolver resolver);
// Fills the outputs (any may be null) for an index of the table; an index outside it leaves them
// unchanged and gives false.
bool Builtin_GetEntry(int32_t index, const BuiltinFunction** entry, BuiltinHandler* handler, int32_t* argumentCount,
                      uint8_t* flag);
// Frees the table (teardown); the next registration starts from an empty one.
void Builtin_Shutdown();

// The built-in function being called: the call path records its index before calling, and the
// argument getters name it in their messages. -1 (or any index outside the table) reads as
// "<unknown built-in>".
void Builtin_SetCurrent(int32_t index);
int32_t Builtin_Current();
const char* Builtin_CurrentName();
