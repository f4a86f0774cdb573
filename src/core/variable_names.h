// Names of user variables and the name tables of the global object's and of instances' slots.
//
// User variable n has the id 100000 + n. Slot n of the global object is named by entry n of the
// global-name table, slot n of an instance by entry n of the instance-name table. Built-in
// variables (ids below 10000) are registered by the game world; none is registered here.
#pragma once

#include <cstdint>

inline constexpr int32_t kUserVariableBase = 100000;

// Set when a read of another target's variable found no instance, and by a variable read that
// finds nothing.
extern bool Variable_InstanceMissing;

// User-variable names (the binding of translated code).
int32_t Variable_FindOrAddUser(const char* name);
int32_t Variable_FindUser(const char* name);  // -1 when missing
// The name of a user variable id; null when the id names none.
const char* Variable_UserVariableName(int32_t id);

// Global-name and instance-name tables.
void Variable_SetNameTableSizes(int32_t globalCount, int32_t instanceCount);
// Scope -5 names global slot `index`, scope -1 instance slot `index`; every scope but -6 gives
// index + 100000. Scope -6 gives the built-in variable of that name, or -1.
int32_t Variable_SetName(const char* name, int32_t scope, int32_t index);
int32_t Variable_FindGlobalName(const char* name);    // -1 when missing
int32_t Variable_FindInstanceName(const char* name);  // -1 when missing
int32_t Variable_GlobalNameCount();
int32_t Variable_InstanceNameCount();

// Built-in variables by index; -1 and "<unknown built-in variable>" when there is none.
int32_t Variable_BuiltinFind(const char* name);
const char* Variable_BuiltinName(int32_t index);

// The name of a variable id as messages show it: built-in names below 100000, else the name-table
// entry for the scope (-5 global, -1/-9/-11 or an instance id: instance), or "<unknown variable>".
const char* Variable_GetName(const char* codeName, int32_t scope, int32_t id);

// Forgets every user name and both name tables (a new game).
void Variable_ClearNames();
