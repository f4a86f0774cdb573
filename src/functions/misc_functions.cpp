#include "functions/misc_functions.h"

#include <iterator>

#include "core/console.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/value.h"
#include "core/value_text.h"
#include "functions/handler_args.h"
#include "functions/load_stand_in.h"
#include "functions/misc_handlers.h"
#include "render/lifecycle.h"
#include "runtime/error_report.h"
#include "runtime/runner_options.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "world/event.h"
#include "world/event_context.h"
#include "world/instance.h"
#include "world/object.h"

namespace {

using misc::SetReal;

constexpr uint8_t kMiscFlag = 1;

// --- events ------------------------------------------------------------------------------------

BUILTIN_FN(EventPerform) { HANDLER_ARGS; Event_Perform(self, other, a.I(0), a.I(1)); }
BUILTIN_FN(EventPerformObject) { HANDLER_ARGS; Event_PerformObject(self, other, a.I(0), a.I(1), a.I(2)); }

// User event n is Other event n + 10, passed on unchecked: a number that wraps past the int32
// range turns negative, which the event lookup refuses as an invalid event.
BUILTIN_FN(EventUser) {
  HANDLER_ARGS;
  const auto number = static_cast<int32_t>(static_cast<uint32_t>(a.I(0)) + 10u);
  Event_Perform(self, other, kEventOther, number);
}

// --- alarms ------------------------------------------------------------------------------------

BUILTIN_FN(AlarmSet) {
  HANDLER_ARGS;
  const int32_t n = a.I(0);
  if (self != nullptr && n >= 0 && n < kInstanceAlarmCount) self->SetAlarm(n, a.I(1));
}
BUILTIN_FN(AlarmGet) {
  HANDLER_ARGS;
  const int32_t n = a.I(0);
  SetReal(result, self != nullptr && n >= 0 && n < kInstanceAlarmCount ? self->GetAlarm(n) : -1);
}

// --- variables by name -------------------------------------------------------------------------

constexpr int32_t kArrayIndexLimit = 32000;
constexpr const char* kIndexTooLarge = "Array index >= 32000";

// Where the element a call names lies: a packed index, or no element at all.
enum class Element { kAt, kMissing, kRefused };

struct Address {
  Element element = Element::kAt;
  int32_t index = 0;
};

// An index of 32000 or more is reported (non-fatal) and refused. A negative one names an element
// that cannot exist: reads give 0 and writes change nothing. Packing is done in 64 bits, so no
// pair can wrap into ARRAY_INDEX_NONE, which would address the whole value.
Address Packed(int64_t i, int64_t j) {
  if (i >= kArrayIndexLimit || j >= kArrayIndexLimit) {
    Error_Report(false, kIndexTooLarge);
    return {Element::kRefused, 0};
  }
  const int64_t packed = i * kArrayIndexLimit + j;
  if (i < 0 || j < 0 || packed > INT32_MAX) return {Element::kMissing, 0};
  return {Element::kAt, static_cast<int32_t>(packed)};
}

// The forms by the number of indices they take before the value: 0, 1 or 2.
Address AddressOf(const Args& a, int32_t indices) {
  if (indices == 0) return {Element::kAt, 0};
  if (indices == 1) return Packed(0, a.I(1));
  return Packed(a.I(1), a.I(2));
}

// The variable the name (argument 0) names, and the element; a call without a name is refused.
Address Resolve(const Args& a, int32_t indices, int32_t* id) {
  const char* name = a.S(0);
  if (name == nullptr) return {Element::kRefused, 0};
  *id = Variable_FindOrAdd(name);
  return AddressOf(a, indices);
}

bool IsBuiltinVariable(int32_t id) { return id >= 0 && id < kBuiltinVariableIdLimit; }

// A built-in variable is read and written through its accessors on self, from the global forms as
// well: the global object's value array holds user variables only.
bool Read(bool global, CInstance* self, int32_t id, int32_t index, RValue* out) {
  if (global && !IsBuiltinVariable(id)) return Variable_GetGlobal(id, index, out);
  return self != nullptr && Variable_GetValue(Variable_InstanceObject(self), id, index, out);
}

void Write(bool global, CInstance* self, int32_t id, int32_t index, const RValue* value) {
  if (global && !IsBuiltinVariable(id)) {
    Variable_SetGlobal(id, index, value);
  } else if (self != nullptr) {
    Variable_SetValue(Variable_InstanceObject(self), id, index, value);
  }
}

template <bool Global, int32_t Indices>
BUILTIN_FN(VariableGet) {
  HANDLER_ARGS;
  int32_t id = -1;
  const Address at = Resolve(a, Indices, &id);
  if (at.element == Element::kRefused) return;
  if (at.element == Element::kMissing) {
    SetReal(result, 0.0);
    return;
  }
  RValue value = RValue_MakeUndefined();
  Read(Global, self, id, at.index, &value);
  RValue_Release(result);
  *result = value;
}

template <bool Global, int32_t Indices>
BUILTIN_FN(VariableSet) {
  HANDLER_ARGS;
  int32_t id = -1;
  const Address at = Resolve(a, Indices, &id);
  if (at.element != Element::kAt) return;
  const RValue zero = RValue_MakeReal(0.0);
  const RValue* value = a.V(Indices + 1);
  Write(Global, self, id, at.index, value != nullptr ? value : &zero);
}

// Whether element 0 can be read. A variable that holds no array (a real, a string, one never
// set) answers 0 without the read's fatal error: that is the question these functions exist for.
template <bool Global>
BUILTIN_FN(VariableExists) {
  HANDLER_ARGS;
  const char* name = a.S(0);
  if (name == nullptr) {
    SetReal(result, 0.0);
    return;
  }
  const int32_t id = Variable_FindOrAdd(name);
  RValue element = RValue_MakeUndefined();
  bool exists = false;
  if (IsBuiltinVariable(id)) {
    exists = Read(Global, self, id, 0, &element);
  } else {
    RValue whole = RValue_MakeUndefined();
    if (Read(Global, self, id, ARRAY_INDEX_NONE, &whole) && RValue_Kind(&whole) == VALUE_ARRAY) {
      exists = RValue_GetElement(&element, &whole, 0);
    }
    RValue_Release(&whole);
  }
  RValue_Release(&element);
  SetReal(result, exists ? 1.0 : 0.0);
}

// --- debug output ------------------------------------------------------------------------------

constexpr size_t kDebugTextStart = 256;

BUILTIN_FN(ShowDebugMessage) {
  HANDLER_ARGS;
  const RValue zero = RValue_MakeReal(0.0);
  const RValue* value = a.V(0) != nullptr ? a.V(0) : &zero;
  if (RValue_Kind(value) == VALUE_STRING) {
    const char* text = a.S(0);
    Console_Output("%s\n", text != nullptr ? text : "");
    return;
  }
  char* base = static_cast<char*>(MEM_ALLOC(kDebugTextStart));
  base[0] = '\0';
  char* cursor = base;
  size_t capacity = kDebugTextStart;
  RValue_AppendText(&cursor, &base, &capacity, value);
  Console_Output("%s\n", base);
  MEM_FREE(base);
}

BUILTIN_FN(ShowDebugOverlay) {
  HANDLER_ARGS;
  if (a.B(0)) {
    Debug_OverlayFlags |= kDebugOverlayShow;
  } else {
    Debug_OverlayFlags &= ~kDebugOverlayShow;
  }
}

// --- the table ---------------------------------------------------------------------------------

struct Registration {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

constexpr Registration kEvents[] = {
    {"event_inherited", misc::EventInherited, 0},
    {"event_perform", EventPerform, 2},
    {"event_user", EventUser, 1},
    {"event_perform_object", EventPerformObject, 3},
};

constexpr Registration kAfterExternals[] = {
    {"window_handle", misc::WindowHandle, 0},
    {"window_device", misc::WindowDevice, 0},
    {"show_debug_message", ShowDebugMessage, 1},
    {"show_debug_overlay", ShowDebugOverlay, 1},
    {"set_program_priority", misc::SetProgramPriority, 1},
    {"set_application_title", misc::SetApplicationTitle, 1},
    {"alarm_set", AlarmSet, 2},
    {"alarm_get", AlarmGet, 1},
    {"variable_global_exists", VariableExists<true>, 1},
    {"variable_global_get", VariableGet<true, 0>, 1},
    {"variable_global_array_get", VariableGet<true, 1>, 2},
    {"variable_global_array2_get", VariableGet<true, 2>, 3},
    {"variable_global_set", VariableSet<true, 0>, 2},
    {"variable_global_array_set", VariableSet<true, 1>, 3},
    {"variable_global_array2_set", VariableSet<true, 2>, 4},
    {"variable_local_exists", VariableExists<false>, 1},
    {"variable_local_get", VariableGet<false, 0>, 1},
    {"variable_local_array_get", VariableGet<false, 1>, 2},
    {"variable_local_array2_get", VariableGet<false, 2>, 3},
    {"variable_local_set", VariableSet<false, 0>, 2},
    {"variable_local_array_set", VariableSet<false, 1>, 3},
    {"variable_local_array2_set", VariableSet<false, 2>, 4},
    {"clipboard_has_text", misc::ClipboardHasText, 0},
    {"clipboard_set_text", misc::ClipboardSetText, 1},
    {"clipboard_get_text", misc::ClipboardGetText, 0},
};
static_assert(std::size(kEvents) == 4 && std::size(kAfterExternals) == 25);

}  // namespace

namespace misc {

// The running event of the parent of the object that supplied it. Only an object event has an
// object: in a timeline moment the context's index is the timeline's, which names no parent.
BUILTIN_FN(EventInherited) {
  HANDLER_ARGS;
  const EventContext current = Event_Current;
  if (current.type < 0 || current.type >= kEventTypeCount) return;
  const CObject* object = Object_Data(current.objectIndex);
  if (object == nullptr || !Object_Exists(object->parent_index)) return;
  Event_PerformObject(self, other, object->parent_index, current.type, current.number);
}

}  // namespace misc

void InitMiscFunctions() {
  for (const Registration& r : kEvents) Builtin_Add(r.name, r.handler, r.argumentCount, kMiscFlag);
  if (!g_RunnerOptions.restrictedExternals) misc::RegisterExternalFunctions(kMiscFlag);
  for (const Registration& r : kAfterExternals) Builtin_Add(r.name, r.handler, r.argumentCount, kMiscFlag);
  misc::RegisterDateFunctions(kMiscFlag);
}
