// Constant and variable pushes, pops into variables, dup and popz.
//
// A variable instruction's reference word says where its operands come from: bit 31 set, no
// array index (else a packed index is popped first); bit 29 set, the instance is the word's
// immediate (else it is popped next); bit 30, the instance is an instance id less 100000; bit 28,
// a declaration; bits 0-27 the variable id.
#include "vm/opcodes.h"

#include <cstring>

#include "core/value.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "core/vm_error.h"
#include "runtime/game_flags.h"
#include "script/variable_list.h"
#include "script/wx_object.h"
#include "vm/bytecode.h"
#include "vm/chunk_loaders.h"
#include "vm/scope_chain.h"
#include "vm/vm_internal.h"

namespace {

struct VariableRef {
  int32_t id;
  int32_t instance;
  int32_t arrayIndex;
  uint32_t flags;  // the reference word's bits 28-31
};

bool IsUnset(const RValue* v) { return RValue_Kind(v) == VALUE_UNSET; }

RValue MakeUnset() {
  RValue v;
  v.v64 = 0;
  v.flags = 0;
  v.kind = VALUE_UNSET;
  return v;
}

// The instance types that only script objects give meaning to; the standard objects they need are
// not part of this runner yet.
bool NeedsScriptObjects(int32_t instance) {
  return instance == kInstStackObject || instance == kInstStackObjectKey || instance == kInstArgument;
}

// The array index or instance a reference takes from the stack.
bool PopReferenceInt(uint8_t** sp, VMContext* context, const char* handler, const char* what, int32_t* out) {
  if (!VM_StackHolds(context, *sp, 4)) {
    VM_Fail(context, "%s :: Execution Error - no %s on the stack", handler, what);
    return false;
  }
  if (VM_InsideSealedSlot(context, *sp, 4)) {
    VM_Fail(context, "%s :: Execution Error - the stack holds a variable where the %s belongs", handler, what);
    return false;
  }
  *out = VM_ReadInt(*sp);
  *sp += 4;
  return true;
}

// Reads the reference of a variable instruction and pops the operands it takes from the stack.
// False, with the code stopped, when they are not there.
bool DecodeReference(uint32_t word, const uint8_t* operand, uint8_t** sp, VMContext* context, const char* handler,
                     VariableRef* ref) {
  uint32_t w = kRefNoIndex | kRefImmediateInstance | kRefIdMask;  // no operand: variable id -1
  if (VM_HasOperandWord(word)) w = VM_ReadWord(operand);
  ref->flags = w & 0xF0000000u;
  ref->id = VM_HasOperandWord(word) ? static_cast<int32_t>(w & kRefIdMask) : -1;
  ref->arrayIndex = ARRAY_INDEX_NONE;
  if ((w & kRefNoIndex) == 0 && !PopReferenceInt(sp, context, handler, "array index", &ref->arrayIndex)) return false;
  if ((w & kRefImmediateInstance) != 0) {
    ref->instance = VM_Immediate(word);
  } else if (!PopReferenceInt(sp, context, handler, "instance", &ref->instance)) {
    return false;
  }
  if ((w & kRefInstanceId) != 0) ref->instance += 100000;
  return true;
}

const char* NameOf(const VMContext* context, const VariableRef& ref) {
  return Variable_GetName(context->name, ref.instance, ref.id);
}

// The scope on the locals object's chain that holds the variable in a set slot or a named
// variable; null when none does.
WXObjectBase* ScopeWalkHolder(WXObjectBase* locals, int32_t id) {
  int walked = 0;
  for (WXObjectBase* scope = locals; scope != nullptr && walked < kScopeChainWalkLimit;
       scope = scope->m_outerScope, ++walked) {
    const int64_t slot = static_cast<int64_t>(id) - kUserVariableBase;
    if (scope->m_slots != nullptr && slot >= 0 && slot < scope->m_slotCount && !IsUnset(&scope->m_slots[slot])) {
      return scope;
    }
    if (scope->m_properties != nullptr && scope->m_properties->Find(id) != nullptr) return scope;
  }
  return nullptr;
}

bool LocalSlotReadable(const WXObjectBase* locals, int32_t id) {
  if (locals == nullptr || id < kUserVariableBase || locals->m_slots == nullptr) return false;
  const int64_t slot = static_cast<int64_t>(id) - kUserVariableBase;
  return slot < locals->m_slotCount && !IsUnset(&locals->m_slots[slot]);
}

bool ReadVariable(VMContext* context, const VariableRef& ref, RValue* out) {
  WXObjectBase* self = Variable_InstanceObject(context->self);
  switch (ref.instance) {
    case kTargetSelf:
      return Variable_GetValue(self, ref.id, ref.arrayIndex, out);
    case kTargetOther:
      return Variable_GetValue(Variable_InstanceObject(context->other), ref.id, ref.arrayIndex, out);
    case kInstGlobal:
      return Variable_GetGlobal(ref.id, ref.arrayIndex, out);
    case kInstGlobalOrSelf:
      if (Variable_IsGlobalVar(ref.id)) return Variable_GetGlobal(ref.id, ref.arrayIndex, out);
      return Variable_GetValue(self, ref.id, ref.arrayIndex, out);
    case kInstLocal:
      return Variable_GetValue(context->locals, ref.id, ref.arrayIndex, out);
    case kInstLocalOrSelf:
      if (LocalSlotReadable(context->locals, ref.id)) return Variable_GetValue(context->locals, ref.id, ref.arrayIndex, out);
      return Variable_GetValue(self, ref.id, ref.arrayIndex, out);
    case kInstScopeChain:
      return Variable_GetLocal(ref.id, ref.arrayIndex, out);
    case kInstScopeWalk: {
      WXObjectBase* holder = ScopeWalkHolder(context->locals, ref.id);
      return holder != nullptr && Variable_GetValue(holder, ref.id, ref.arrayIndex, out);
    }
    case kInstNoValue:
      return true;
    default:
      return Variable_GetFromTarget(ref.instance, ref.id, ref.arrayIndex, out);
  }
}

// False when the instance type cannot be written (all, noone, no value, and unknown negatives).
bool WriteVariable(VMContext* context, const VariableRef& ref, const RValue* value, bool* writable) {
  *writable = true;
  WXObjectBase* self = Variable_InstanceObject(context->self);
  switch (ref.instance) {
    case kTargetSelf:
      return Variable_SetValue(self, ref.id, ref.arrayIndex, value);
    case kTargetOther:
      return Variable_SetValue(Variable_InstanceObject(context->other), ref.id, ref.arrayIndex, value);
    case kInstGlobal:
      return Variable_SetGlobal(ref.id, ref.arrayIndex, value);
    case kInstGlobalOrSelf:
      if (Variable_IsGlobalVar(ref.id)) return Variable_SetGlobal(ref.id, ref.arrayIndex, value);
      return Variable_SetValue(self, ref.id, ref.arrayIndex, value);
    case kInstLocal:
      return Variable_SetValue(context->locals, ref.id, ref.arrayIndex, value);
    case kInstLocalOrSelf:
      return Variable_SetValue(context->locals != nullptr ? context->locals : self, ref.id, ref.arrayIndex, value);
    case kInstScopeChain:
      return Variable_SetLocal(ref.id, ref.arrayIndex, value);
    case kInstScopeWalk: {
      WXObjectBase* holder = ScopeWalkHolder(context->locals, ref.id);
      return Variable_SetValue(holder != nullptr ? holder : context->locals, ref.id, ref.arrayIndex, value);
    }
    default:
      if (ref.instance >= 0) return Variable_SetOnTarget(ref.instance, ref.id, ref.arrayIndex, value);
      *writable = false;
      return false;
  }
}

uint8_t* PushVariable(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  VariableRef ref;
  if (!DecodeReference(word, operand, &sp, context, "Push", &ref)) return sp;
  if (NeedsScriptObjects(ref.instance)) {
    VM_Fail(context, "Push :: Execution Engine type error");
    return sp;
  }
  RValue value = MakeUnset();
  Variable_InstanceMissing = false;
  ArrayIndexError.pending = false;
  const bool read = ReadVariable(context, ref, &value);
  sp -= sizeof(RValue);
  VM_StoreValue(sp, value, &value);
  VM_Seal(context, sp);

  const CInstance* self = context->self;
  const int32_t selfId = self != nullptr ? Variable_InstanceId(self) : kTargetSelf;
  const bool targetsInstances = ref.instance >= 0 || ref.instance == kTargetAll;
  if (!read && Variable_InstanceMissing && targetsInstances && !ArrayIndexError.pending) {
    VM_Fail(context, "Unable to find any instance for object index '%d' name '%s'", ref.instance,
            Variable_ObjectName(ref.instance));
  } else if (IsUnset(&value) && !Game_ObjectMode()) {
    const int32_t target = ref.instance == kTargetSelf ? selfId : ref.instance;
    VM_Fail(context, "Variable %s.%s(%d, %d) not set before reading it.", Variable_TargetObjectName(target),
            NameOf(context, ref), ref.id, ref.arrayIndex);
  } else if (!read) {
    if (ArrayIndexError.pending) {
      VM_Fail(context, "Push :: Execution Error - Variable Index [%d,%d] out of range [%d,%d] - %d.%s(%d,%d)",
              ArrayIndexError.row, ArrayIndexError.column, ArrayIndexError.rowCount, ArrayIndexError.rowLength,
              ref.instance, NameOf(context, ref), ref.id, ref.arrayIndex);
    } else if (Variable_InstanceMissing) {
      VM_Fail(context, "Unable to find any instance for object index '%d' name '%s'", ref.instance,
              Variable_ObjectName(ref.instance));
    } else {
      VM_Fail(context, "Push :: Execution Error - Variable Get %d.%s(%d, %d)",
              ref.instance == kTargetSelf ? selfId : ref.instance, NameOf(context, ref), ref.id, ref.arrayIndex);
    }
  }
  return sp;
}

// Reads the top value slot of the type into a value; false when it is not there.
bool PopValue(uint32_t type, uint8_t** sp, VMContext* context, RValue* value) {
  const int32_t size = VM_StackSlotSize(type);
  if (!VM_StackHolds(context, *sp, size)) {
    VM_Fail(context, "Pop :: Execution Error - no value on the stack");
    return false;
  }
  if (type == VMT_VARIABLE && !VM_TakeSealed(context, *sp)) {
    VM_Fail(context, "Pop :: Execution Error - the stack holds no variable here");
    return false;
  }
  if (type != VMT_VARIABLE && VM_InsideSealedSlot(context, *sp, size)) {
    VM_Fail(context, "Pop :: Execution Error - the stack holds a variable here");
    return false;
  }
  *sp = VM_SlotToValue(value, type, *sp);
  return true;
}

// The pop form with no value type: the top slot (of the second type's size) moves below the n
// bytes under it, and then the stack pointer moves by the signed count of bits 8-15, in words.
uint8_t* PopSwap(uint32_t word, uint8_t* sp, VMContext* context) {
  const int32_t size = VM_StackSlotSize(VM_Type2(word));
  const int32_t passed = 4 * static_cast<int8_t>(word & 0xFF);
  if (size == 0 || passed <= 0 || !VM_StackHolds(context, sp, static_cast<int64_t>(size) + passed)) {
    VM_Fail(context, "Pop :: Execution Error - Instruction malformed");
    return sp;
  }
  VM_RotateSlots(context, sp, size, passed);
  uint8_t* moved = sp + 4 * static_cast<int8_t>((word >> 8) & 0xFF);
  if (moved < context->stackBlock || moved > VM_FrameTop(context)) {
    VM_Fail(context, "Pop :: Execution Error - Instruction malformed");
    return sp;
  }
  return moved;
}

// A copy of a slot of the type, pushed at `to`: values are counted copies (the source must be
// sealed), strings new records.
void CopySlot(VMContext* context, uint32_t type, const uint8_t* from, uint8_t* to) {
  if (type == VMT_VARIABLE) {
    const RValue source = VM_LoadValue(from);
    VM_CopyValueTo(to, &source);
    VM_Seal(context, to);
  } else if (type == VMT_STRING) {
    const SharedString* record = VM_StringHandleGet(VM_ReadWord(from));
    const uint32_t handle =
        VM_StringHandleNew(record != nullptr && record->text != nullptr ? SharedString_Create(record->text) : nullptr);
    std::memcpy(to, &handle, 4);
  } else {
    std::memcpy(to, from, static_cast<size_t>(VM_StackSlotSize(type)));
  }
}

}  // namespace

// --- push -----------------------------------------------------------------------------------------

uint8_t* Push(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  const uint32_t type = VM_Type1(word);
  if (type == VMT_VARIABLE) return PushVariable(word, sp, operand, context);
  if (type == VMT_ERROR) return VM_PushInt(sp, VM_Immediate(word));
  if (type > VMT_DEBUG_STRING) return sp;  // no value
  if (!VM_HasOperandWord(word)) return VM_NotImplemented(word, sp, operand, context);
  switch (type) {
    case VMT_DOUBLE:
    case VMT_LONG:
    case VMT_FLOAT:
    case VMT_INT:
    case VMT_BOOL: {
      const int32_t size = VM_OperandSize(type);
      sp -= size;
      std::memcpy(sp, operand, static_cast<size_t>(size));
      return sp;
    }
    case VMT_STRING: {
      bool ok = true;
      SharedString* record = VM_StringTableRecord(VM_ReadWord(operand), &ok);
      if (!ok) {
        VM_Fail(context, "String index %u lies outside the string table", VM_ReadWord(operand));
        return sp;
      }
      const uint32_t handle = VM_StringHandleNew(record);
      sp -= 4;
      std::memcpy(sp, &handle, 4);
      return sp;
    }
    default:
      return VM_NotImplemented(word, sp, operand, context);
  }
}

uint8_t* DoPushI(uint32_t word, uint8_t* sp, const uint8_t*, VMContext*) { return VM_PushInt(sp, VM_Immediate(word)); }

namespace {
// push.l and push.g: a counted copy of the object's variable, which must have been set.
uint8_t* PushFromObject(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context, WXObjectBase* object,
                        int32_t scope, const char* what) {
  if (!VM_HasOperandWord(word)) return VM_NotImplemented(word, sp, operand, context);
  const int32_t id = static_cast<int32_t>(VM_ReadWord(operand) & kRefIdMask);
  if (id < kUserVariableBase || object == nullptr) {
    VM_Fail(context, "%s variable id %d names no variable", what, id);
    return sp;
  }
  RValue value = MakeUnset();
  Variable_GetValue(object, id, ARRAY_INDEX_NONE, &value);
  sp -= sizeof(RValue);
  VM_StoreValue(sp, value, &value);
  VM_Seal(context, sp);
  if (IsUnset(&value)) {
    VM_Fail(context, "%s variable %s(%d, %d) not set before reading it.", what,
            Variable_GetName(context->name, scope, id), id, ARRAY_INDEX_NONE);
  }
  return sp;
}
}  // namespace

uint8_t* DoPushLocal(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return PushFromObject(word, sp, operand, context, context->locals, kScopeLocal, "local");
}

uint8_t* DoPushGlobal(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  return PushFromObject(word, sp, operand, context, g_pGlobalObject, kScopeGlobal, "global");
}

uint8_t* DoPushBuiltin(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  if (!VM_HasOperandWord(word)) return VM_NotImplemented(word, sp, operand, context);
  const int32_t id = static_cast<int32_t>(VM_ReadWord(operand) & kRefIdMask);
  const BuiltinVariable* entry = Variable_BuiltinEntry(id);
  if (entry == nullptr) {
    VM_Fail(context, "DoPushBuiltin :: variable index is out of range %d max is %d", id, Variable_BuiltinCount());
    return sp;
  }
  RValue value = RValue_MakeReal(0);
  if (entry->getter != nullptr) entry->getter(nullptr, ARRAY_INDEX_NONE, &value);
  sp -= sizeof(RValue);
  VM_StoreValue(sp, value, &value);
  VM_Seal(context, sp);
  return sp;
}

// --- pop ------------------------------------------------------------------------------------------

uint8_t* DoPop(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  const uint32_t form = VM_Type1(word);
  const uint32_t valueType = VM_Type2(word);
  if (form == VMT_ERROR) return PopSwap(word, sp, context);
  if (form != VMT_INT && form != VMT_VARIABLE) {
    VM_Fail(context, "Pop :: Execution Error - Instruction malformed");
    return sp;
  }
  // Float and the types above string store nothing; delete (8) and declare (9) act on script
  // objects only.
  if (valueType == VMT_FLOAT || valueType > VMT_STRING) {
    VM_Fail(context, "Pop :: Execution Engine");
    return sp;
  }
  VariableRef ref;
  RValue value;
  if (form == VMT_INT) {
    if (!PopValue(valueType, &sp, context, &value)) return sp;
    if (!DecodeReference(word, operand, &sp, context, "Pop", &ref)) {
      RValue_Release(&value);
      return sp;
    }
  } else {
    if (!DecodeReference(word, operand, &sp, context, "Pop", &ref)) return sp;
    if (!PopValue(valueType, &sp, context, &value)) return sp;
  }
  if ((ref.flags & kRefDeclaration) != 0) value.flags &= ~kPropConfigurable;

  if (NeedsScriptObjects(ref.instance)) {
    VM_Fail(context, "Pop :: Execution Engine type error");
  } else if (IsUnset(&value) && Game_ObjectMode()) {
    VM_Fail(context, "Attempting to set variable %.2048s to an invalid value", NameOf(context, ref));
  } else {
    ArrayIndexError.pending = false;
    bool writable = true;
    const bool stored = WriteVariable(context, ref, &value, &writable);
    if (!writable) {
      VM_Fail(context, "Pop :: Execution Error - Variable references invalid object (%d).%s", ref.instance,
              NameOf(context, ref));
    } else if (ArrayIndexError.pending) {
      VM_Fail(context, "Pop :: Execution Error - Variable Index [%d,%d] out of range [%d,%d] - %d.%s(%d,%d)",
              ArrayIndexError.row, ArrayIndexError.column, ArrayIndexError.rowCount, ArrayIndexError.rowLength,
              ref.instance, NameOf(context, ref), ref.id, ref.arrayIndex);
    } else if (!stored) {
      VM_Fail(context, "Pop :: Execution Error - Variable set failed %s - read only variable?", NameOf(context, ref));
    }
  }
  RValue_Release(&value);
  return sp;
}

// --- dup and popz ---------------------------------------------------------------------------------

uint8_t* DoDup(uint32_t word, uint8_t* sp, const uint8_t*, VMContext* context) {
  const uint32_t type = (word >> 16) & 0xFF;
  if (type > VMT_STRING) return sp;
  const int64_t size = VM_StackSlotSize(type);
  // Bits 8-14 select the swap; bit 15 belongs to the count of the duplicate (one slot that far
  // below the top), so a duplicate copies at most 256 slots.
  if ((word & 0x7F00u) != 0) {
    // Swap: the top (bits 4-7) value slots go below the (bits 0-3) slots under them.
    if (type != VMT_VARIABLE) {
      VM_RuntimeError("Argument type %d currently unhandled by DoDup swap mode", static_cast<int>(type));
      return sp;
    }
    const int64_t top = ((word >> 4) & 0xF) * size;
    const int64_t below = (word & 0xF) * size;
    if (!VM_StackHolds(context, sp, top + below)) {
      VM_Fail(context, "dup: the stack holds fewer slots than it swaps");
      return sp;
    }
    VM_RotateSlots(context, sp, static_cast<int32_t>(top), static_cast<int32_t>(below));
    return sp;
  }
  const uint32_t count = word & 0xFFFF;
  const bool single = (count & 0x8000u) != 0;
  const int64_t copies = single ? 1 : (count & 0x7FFF) + 1;
  const int64_t reach = single ? ((count & 0x7FFF) + 1) * size : copies * size;
  if (!VM_StackHolds(context, sp, reach)) {
    VM_Fail(context, "dup: the stack holds fewer slots than it copies");
    return sp;
  }
  sp = VM_EnsureStack(sp, context, copies * size);
  if (context->failed != 0) return sp;  // no room for the copies
  const uint8_t* from = single ? sp + reach - size : sp;
  for (int64_t i = 0; i < copies; ++i) {
    const uint8_t* slot = from + i * size;
    if (type == VMT_VARIABLE ? !VM_IsSealed(context, slot) : VM_InsideSealedSlot(context, slot, static_cast<int32_t>(size))) {
      VM_Fail(context, "dup: the stack holds %s variable here", type == VMT_VARIABLE ? "no" : "a");
      return sp;
    }
  }
  uint8_t* to = sp - copies * size;
  for (int64_t i = 0; i < copies; ++i) CopySlot(context, type, from + i * size, to + i * size);
  return to;
}

uint8_t* DoPopNull(uint32_t word, uint8_t* sp, const uint8_t* operand, VMContext* context) {
  if (word >= kVMBreakWords) return DoBreak(word, sp, operand, context);
  const uint32_t type = VM_Type1(word);
  const int32_t size = VM_StackSlotSize(type);
  if (!VM_StackHolds(context, sp, size)) {
    VM_Fail(context, "popz: the stack is empty");
    return sp;
  }
  if (type == VMT_VARIABLE && !VM_TakeSealed(context, sp)) {
    VM_Fail(context, "popz: the stack holds no variable here");
    return sp;
  }
  if (type == VMT_VARIABLE) {
    VM_ReleaseValueAt(sp);
  } else {
    VM_ReleaseSlot(context, type, sp);
  }
  return sp + size;
}
