// Variable names and ids: the built-in variable table, the user-variable names, the name tables
// of the global object's and of instances' slots, and the local-name tables of byte code.
//
// A variable id below 10000 is an index in the built-in variable table; 100000 + n is user
// variable n, which lives in slot n of a value array (an instance's, the global object's or a
// locals object's); -1 is "not found". Ids from 10000 to 99999 are not used.
//
// Which table names a user variable in messages depends on the game: with a byte-code version of
// 15 or more (this build) the slot-name tables for the scope, else the user-variable names.
#pragma once

#include <cstdint>

struct RValue;
struct ContainerBytes;
class CInstance;
class WXObjectBase;

inline constexpr int32_t kUserVariableBase = 100000;
inline constexpr int32_t kBuiltinVariableIdLimit = 10000;  // built-in ids lie below
inline constexpr int32_t kBuiltinVariableCapacity = 500;
inline constexpr int32_t kGlobalNameFlagCount = 10000;

// Scopes (the instance types of byte code) that name tables are chosen by.
inline constexpr int32_t kScopeSelf = -1;
inline constexpr int32_t kScopeGlobal = -5;
inline constexpr int32_t kScopeGlobalOrSelf = -6;  // Variable_SetName: the built-in variables
inline constexpr int32_t kScopeLocal = -7;
inline constexpr int32_t kScopeObject = -9;        // a script object on the stack
inline constexpr int32_t kScopeChain = -11;        // a name along the scope chain
inline constexpr int32_t kScopeLocalsWalk = -12;   // the locals object and its outer scopes

// A built-in variable's accessors. The instance is null when the variable is read or written on
// an object that is not a game instance (the global object, a locals object).
using BuiltinVariableGetter = bool (*)(CInstance* instance, int32_t arrayIndex, RValue* out);
using BuiltinVariableSetter = bool (*)(CInstance* instance, int32_t arrayIndex, const RValue* value);

struct BuiltinVariable {
  char* name;  // owned copy
  BuiltinVariableGetter getter;
  BuiltinVariableSetter setter;  // may be null
  bool hasSetter;
};

// Set when a read of another target's variable found no instance; cleared at the start of every
// read by target and by a variable-map read.
extern bool Variable_InstanceMissing;

// --- built-in variables ------------------------------------------------------------------------

// Appends an entry. The 501st and later are dropped after the message box "INTERNAL ERROR:
// Adding too many variables".
void Variable_BuiltinAdd(const char* name, BuiltinVariableGetter getter, BuiltinVariableSetter setter);
int32_t Variable_BuiltinFind(const char* name);  // first exact match, -1 when none
// "<unknown built-in variable>" outside the table.
const char* Variable_BuiltinName(int32_t index);
// The entry of an index, null outside the table.
const BuiltinVariable* Variable_BuiltinEntry(int32_t index);
int32_t Variable_BuiltinCount();
// Frees every built-in name (count 0) and the global-name flags (teardown).
void Variable_Shutdown();

// --- user-variable names -------------------------------------------------------------------------

int32_t Variable_FindOrAddUser(const char* name);
int32_t Variable_FindUser(const char* name);  // -1 when missing
// The built-in index of a built-in name, else the user variable's id (added when new): the
// binding of translated code's variable names.
int32_t Variable_FindOrAdd(const char* name);
// The user-variable name of an id; null when the id names none. The variable map's saved form
// uses it whatever the byte-code version.
const char* Variable_UserVariableName(int32_t id);

// --- slot-name tables --------------------------------------------------------------------------

// Sizes both tables (every entry empty).
void Variable_SetNameTableSizes(int32_t globalCount, int32_t instanceCount);
// Resizes the tables whose count is positive, keeping the names that still fit (the slot counts a
// translated game's link record gives); a count of 0 or less leaves its table as it is.
void Variable_SetSlotCounts(int32_t globalCount, int32_t instanceCount);
// Scope -6: the built-in index of the name (or -1). Scope -5 names global slot `index`, scope -1
// instance slot `index` (an index outside the table names nothing); every scope but -6 gives
// index + 100000.
int32_t Variable_SetName(const char* name, int32_t scope, int32_t index);
int32_t Variable_FindGlobalName(const char* name);    // -1 when missing
int32_t Variable_FindInstanceName(const char* name);  // -1 when missing
// The slot position of a property name on an object: the global names for the global object
// outside object mode, else the instance names.
int32_t Variable_FindSlotName(const WXObjectBase* object, const char* name);
int32_t Variable_GlobalNameCount();
int32_t Variable_InstanceNameCount();

// Per-code local names, from the byte code's FUNC data: u32 entry count, then per entry u32 local
// count c, u32 code name offset, and c pairs {u32 slot (not used), u32 name offset}; offsets lead
// to texts of the container (0: none). Replaces the previous tables; false (tables unchanged)
// when the data runs past `size` bytes or a name lies outside the container.
bool Variable_LoadCodeLocals(const uint8_t* table, uint32_t size, const ContainerBytes& container);

// --- names of ids ------------------------------------------------------------------------------

// Built-in names below 100000, else Variable_GetUserName.
const char* Variable_GetName(const char* codeName, int32_t scope, int32_t id);
// Byte-code version 14 or lower: the user-variable names. Version 15 or more, by scope: -5 the
// global names; -7 and -12 the local names of the code called codeName; -1, -9, -11 and instance
// ids (above 100000) the instance names. "<unknown variable>" for anything else.
const char* Variable_GetUserName(const char* codeName, int32_t scope, int32_t id);
// Teardown step of the name registries; they live until the process ends or the runner restarts.
void Variable_NamesShutdown();
// Forgets every user name, both slot-name tables and the local names (a new game).
void Variable_ClearNames();

// --- global-name flags -------------------------------------------------------------------------

// A set flag makes an unqualified name refer to the global object.
void Variable_InitGlobalFlags();  // 10000 flags, all clear
bool Variable_IsGlobalVar(int32_t id);  // false outside 100000 .. 109999
void Variable_SetGlobalFlag(int32_t id, bool on);  // ignored outside that range
int32_t Variable_GlobalFlagCount();  // 10000 once made, 0 before and after teardown
