// Reading and writing variables by id: of one object (an instance, the global object, a locals
// object), of another target (all instances, an object's instances, one instance by id), of the
// global object, and of the scope chain in object mode; and the saved form of the globals.
//
// Ids are those of core/variable_names.h; array indices are packed indices or ARRAY_INDEX_NONE.
// A user variable id addresses slot id - 100000 of the object's value array. An id beyond the
// array (or an object without one) addresses the variable of that id in the object's variable
// map instead, so reads and writes always agree on where a variable lives.
//
// The game world defines these (world/variable_access.cpp): reading another target means walking
// its instances, which live above the interpreter.
#pragma once

#include <cstdint>
#include <vector>

#include "core/value.h"

class IBuffer;
class WXObjectBase;

// Targets besides object indices (0 .. 99999) and instance ids (100000 and up).
inline constexpr int32_t kTargetSelf = -1;
inline constexpr int32_t kTargetOther = -2;
inline constexpr int32_t kTargetAll = -3;

// --- one object --------------------------------------------------------------------------------

// A built-in id runs the variable's getter (false without one); a user id reads the slot or the
// variable map. False for a null object and for ids that name nothing.
bool Variable_GetValue(WXObjectBase* instance, int32_t id, int32_t arrayIndex, RValue* out);
// A built-in id runs the setter and gives its result (false without a setter); a user id writes
// the slot or the variable map: true.
bool Variable_SetValue(WXObjectBase* instance, int32_t id, int32_t arrayIndex, const RValue* value);

// --- other targets -----------------------------------------------------------------------------
// "Active" means neither marked for destruction nor deactivated.

// Clears Variable_InstanceMissing, then reads from: -3 the first active instance of the current
// room; an instance id (Variable_GetFromInstanceId); an object index (Variable_GetFromObject).
// Without an instance, and for any other negative target: Variable_InstanceMissing, false.
bool Variable_GetFromTarget(int32_t target, int32_t id, int32_t arrayIndex, RValue* out);
// The instance of the id unless it is marked (a deactivated one counts).
bool Variable_GetFromInstanceId(int32_t instanceId, int32_t id, int32_t arrayIndex, RValue* out);
// The first active instance of the object or its descendants; then the first active instance
// with that object index waiting in the object-change queue, then in the activation queue.
bool Variable_GetFromObject(int32_t objectIndex, int32_t id, int32_t arrayIndex, RValue* out);
// The object name of what a target reads from; "<unknown_object>" when there is none (for -3
// this also sets Variable_InstanceMissing).
const char* Variable_TargetObjectName(int32_t target);

// As the three reads above, but slot `slot` of the value array itself (never a built-in
// variable); false when the instance has no such slot. Variable_InstanceMissing is left alone.
bool Variable_GetArrayFromTarget(int32_t target, int32_t slot, int32_t arrayIndex, RValue* out);
bool Variable_GetArrayFromInstanceId(int32_t instanceId, int32_t slot, int32_t arrayIndex, RValue* out);
bool Variable_GetArrayFromObject(int32_t objectIndex, int32_t slot, int32_t arrayIndex, RValue* out);

// Writes on every active instance of the current room (-3), on the instance of an id (not
// marked), or on every active instance of an object and its descendants and every active
// instance with that object index in the object-change queue. Writing none is the runtime error
// "Unable to find any instance for object index '%d'" with the target; self, other and the other
// negative targets give false without one. The result is that of the last write.
bool Variable_SetOnTarget(int32_t target, int32_t id, int32_t arrayIndex, const RValue* value);
// As Variable_SetOnTarget on slot `slot` of each value array (instances without the slot are
// skipped), without a message; false for a negative target other than -3, else true.
bool Variable_SetArrayOnTarget(int32_t target, int32_t slot, int32_t arrayIndex, const RValue* value);

// --- the global object -------------------------------------------------------------------------

// The global object's slot of the id. An unset slot is looked up by name among the global
// object's named variables, then as a built-in function (whose function object the read gives);
// a script or extension function of that name is not a built-in and gives the unset value.
bool Variable_GetGlobal(int32_t id, int32_t arrayIndex, RValue* out);
// Writes the global object's slot, keeping its attributes (an unset slot gets 7: enumerable,
// configurable, writable).
bool Variable_SetGlobal(int32_t id, int32_t arrayIndex, const RValue* value);

// --- the scope chain (object mode) -------------------------------------------------------------
// A scope has the variable when its slot of the id, or else its property of the variable's
// name, is set. An accessor property runs its getter or setter.

// The first scope that has the variable gives it; without one a built-in function of that name
// gives its function object. False (out unset) when nothing was found.
bool Variable_GetLocal(int32_t id, int32_t arrayIndex, RValue* out);
// Writes the first scope that has the variable, keeping its attributes; else the innermost scope
// gets it with attributes 7. False only without any scope.
bool Variable_SetLocal(int32_t id, int32_t arrayIndex, const RValue* value);
// Unsets the variable in the first scope that has it, which needs its configurable attribute
// (false without); true also when no scope has it.
bool Variable_DeleteLocal(int32_t id, int32_t arrayIndex);

// --- saved games -------------------------------------------------------------------------------

// The global slot count, each slot's saved value, the flag count and each global-name flag, every
// number as a signed 32-bit item.
void Variable_SaveGlobals(IBuffer* buffer);
// Reads them back into the global slots and flags. A slot count other than the running game's is
// the runtime error "Save game format has changed" and gives false; so does data that runs out or
// is damaged. Either way nothing is changed.
bool Variable_LoadGlobals(IBuffer* buffer);
// The same in two halves, so that a saved game can read every section before it changes any:
// the values read but not applied (released with the record unless applied).
struct SavedGlobals {
  SavedGlobals() = default;
  ~SavedGlobals();
  SavedGlobals(const SavedGlobals&) = delete;
  SavedGlobals& operator=(const SavedGlobals&) = delete;
  std::vector<RValue> slots;
  std::vector<bool> flags;  // the global-name flags the save mentions, from the first
};
bool Variable_ReadGlobals(IBuffer* buffer, SavedGlobals* out);
// Moves the values into the global slots and sets the flags.
void Variable_ApplyGlobals(SavedGlobals* saved);

class CInstance;
// What the interpreter's error texts and scope chain need of an instance: its id, the script
// object it is, and an object's name ("<undefined>" when there is none with that index).
int32_t Variable_InstanceId(const CInstance* instance);
WXObjectBase* Variable_InstanceObject(CInstance* instance);
const char* Variable_ObjectName(int32_t objectIndex);
