#include "core/translated_kit.h"

#include <cmath>
#include <cstring>

#include "container/scpt.h"
#include "container/writer.h"
#include "core/function_registry.h"
#include "vm/script_table.h"
#include "core/stack_trace.h"
#include "core/value.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "core/vm_error.h"
#include "core/math_epsilon.h"
#include "runtime/container.h"
#include "runtime/link_record.h"
#include "vm/calls.h"
#include "vm/code_object.h"
#include "world/event_context.h"
#include "world/instance.h"

namespace kit {
namespace {

LinkName g_x{"x", 0}, g_hits{"hits", 0}, g_target{"target", 0}, g_destroy{"destroy", 0}, g_alarm{"alarm", 0};
LinkName* g_variables[] = {&g_x, &g_hits, &g_target, &g_destroy, &g_alarm, nullptr};
LinkName g_note{"kit_note", 0}, g_missing{"kit_missing", 0};
LinkName* g_builtins[] = {&g_note, &g_missing, nullptr};

// One static result value per unit.
RValue s_addStatic, s_noReturnStatic, s_callerStatic, s_failStatic, s_failOuterStatic, s_nestedStatic,
    s_equalStatic, s_stepStatic, s_creationStatic;
RValue* const kStatics[] = {&s_addStatic,    &s_noReturnStatic, &s_callerStatic, &s_failStatic,   &s_failOuterStatic,
                            &s_nestedStatic, &s_equalStatic,    &s_stepStatic,   &s_creationStatic};
const RValue kOne = RValue_MakeReal(1.0);
const RValue kTwo = RValue_MakeReal(2.0);

Log g_log;

RValue* Own(CInstance* self, int32_t index) { return &self->m_slots[index]; }
double Real(const RValue* v) { return RValue_Kind(v) == VALUE_REAL ? v->val : 0.0; }
int32_t Truncate(const RValue* v) { return static_cast<int32_t>(std::trunc(Real(v))); }
void Return(RValue* result, const RValue* value) { RValue_Assign(result, value); }
void SetReal(RValue* target, double d) {
  RValue_Release(target);
  *target = RValue_MakeReal(d);
}

// Shape of every unit: self and other copied, a trace frame, locals undefined, one exit.
RValue* tll_Script_kit_add(CInstance*, CInstance*, RValue* result, int32_t, RValue** args) {
  StackTraceFrame frame{nullptr, "tll_Script_kit_add", 0};
  StackTrace_Push(&frame);
  frame.line = 2;
  RValue sum = RValue_MakeReal(Real(args[0]) + Real(args[1]));
  Return(result, &sum);
  StackTrace_Pop(&frame);
  return result;
}

RValue* tll_Script_kit_no_return(CInstance* self, CInstance*, RValue* result, int32_t, RValue**) {
  StackTraceFrame frame{nullptr, "tll_Script_kit_no_return", 0};
  StackTrace_Push(&frame);
  frame.line = 1;
  SetReal(Own(self, kHits), Real(Own(self, kHits)) + 1);
  StackTrace_Pop(&frame);
  return result;
}

RValue* tll_Script_kit_caller(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  StackTraceFrame frame{nullptr, "tll_Script_kit_caller", 0};
  StackTrace_Push(&frame);
  frame.line = 1;
  RValue* args[] = {const_cast<RValue*>(&kOne), const_cast<RValue*>(&kTwo)};
  tll_Script_kit_add(self, other, &s_callerStatic, 2, args);
  frame.line = 2;
  tll_Script_kit_no_return(self, other, &s_callerStatic, 0, nullptr);
  frame.line = 3;
  Return(result, &s_callerStatic);
  StackTrace_Pop(&frame);
  return result;
}

RValue* tll_Script_kit_fail(CInstance*, CInstance*, RValue* result, int32_t, RValue**) {
  StackTraceFrame frame{nullptr, "tll_Script_kit_fail", 0};
  StackTrace_Push(&frame);
  frame.line = 4;
  VM_RuntimeError("unable to add a number to string");
  StackTrace_Pop(&frame);
  return result;
}

RValue* tll_Script_kit_fail_outer(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  StackTraceFrame frame{nullptr, "tll_Script_kit_fail_outer", 0};
  StackTrace_Push(&frame);
  frame.line = 7;
  tll_Script_kit_fail(self, other, &s_failOuterStatic, 0, nullptr);
  StackTrace_Pop(&frame);
  return result;
}

RValue* tll_Script_kit_nested_return(CInstance* selfIn, CInstance* otherIn, RValue* result, int32_t,
                                     RValue** args) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  StackTraceFrame frame{nullptr, "tll_Script_kit_nested_return", 0};
  StackTrace_Push(&frame);
  RValue local = RValue_MakeUndefined();
  frame.line = 1;
  WithIterator outer;
  if (WithIterator_Begin(&outer, &self, &other, Truncate(args[0])) > 0) {
    do {
      frame.line = 2;
      WithIterator inner;
      if (WithIterator_Begin(&inner, &self, &other, Truncate(args[1])) > 0) {
        do {
          frame.line = 3;
          SetReal(&local, self->id);
          // return: every open iteration ends, innermost first, before the value is copied.
          WithIterator_End(&inner, &self, &other);
          WithIterator_End(&outer, &self, &other);
          Return(result, &local);
          goto exit;
        } while (WithIterator_Next(&inner, &self));
      }
      WithIterator_End(&inner, &self, &other);
    } while (WithIterator_Next(&outer, &self));
  }
  WithIterator_End(&outer, &self, &other);
  frame.line = 4;
  SetReal(&local, -1);
  Return(result, &local);
exit:
  RValue_Release(&local);
  StackTrace_Pop(&frame);
  return result;
}

RValue* tll_Script_kit_equal(CInstance*, CInstance*, RValue* result, int32_t, RValue** args) {
  StackTraceFrame frame{nullptr, "tll_Script_kit_equal", 0};
  StackTrace_Push(&frame);
  frame.line = 1;
  RValue answer = RValue_MakeReal(std::fabs(Real(args[0]) - Real(args[1])) <= Math_Epsilon ? 1.0 : 0.0);
  Return(result, &answer);
  StackTrace_Pop(&frame);
  return result;
}

void LogEvent(CInstance* self, CInstance* other) {
  g_log.events.push_back({self != nullptr ? self->id : -1, other != nullptr ? other->id : -1, Event_Current.type,
                          Event_Current.number, Event_Current.objectIndex});
}

RValue* tll_Script_kit_log_event(CInstance* self, CInstance* other, RValue* result, int32_t, RValue**) {
  StackTraceFrame frame{nullptr, "tll_Script_kit_log_event", 0};
  StackTrace_Push(&frame);
  frame.line = 1;
  LogEvent(self, other);
  StackTrace_Pop(&frame);
  return result;
}

void tll_Object_ob_log_Event_0(CInstance* self, CInstance* other) {
  StackTraceFrame frame{nullptr, "tll_Object_ob_log_Event_0", 0};
  StackTrace_Push(&frame);
  frame.line = 1;
  LogEvent(self, other);
  frame.line = 2;
  if (g_log.onEvent != nullptr) g_log.onEvent(self, other);
  StackTrace_Pop(&frame);
}

void tll_Object_ob_kit_Step_0(CInstance* selfIn, CInstance* otherIn) {
  CInstance* self = selfIn;
  CInstance* other = otherIn;
  StackTraceFrame frame{nullptr, "tll_Object_ob_kit_Step_0", 0};
  StackTrace_Push(&frame);
  frame.line = 1;
  const bool destroy = Real(Own(self, kDestroy)) > 0.5;
  WithIterator with;
  g_log.withCount = WithIterator_Begin(&with, &self, &other, Truncate(Own(self, kTarget)));
  if (g_log.withCount > 0) {
    do {
      frame.line = 2;
      SetReal(Own(self, kHits), Real(Own(self, kHits)) + 1);
      g_log.visited.push_back(self->id);
      frame.line = 3;
      if (destroy) self->marked = true;
    } while (WithIterator_Next(&with, &self));
  }
  WithIterator_End(&with, &self, &other);
  g_log.selfAfterWith = self;
  g_log.otherAfterWith = other;
  StackTrace_Pop(&frame);
}

void tll_RoomCC_rm_kit_8_Create(CInstance* self, CInstance* other) {
  StackTraceFrame frame{nullptr, "tll_RoomCC_rm_kit_8_Create", 0};
  StackTrace_Push(&frame);
  RValue local = RValue_MakeUndefined();
  frame.line = 1;
  const RValue five = RValue_MakeReal(5);
  Variable_SetValue(self, g_x.slot, ARRAY_INDEX_NONE, &five);
  frame.line = 2;
  Variable_GetValue(self, g_x.slot, ARRAY_INDEX_NONE, &local);
  RValue* args[] = {&local};
  VM_CallBuiltin(self, other, &s_creationStatic, 1, g_note.slot, args);
  RValue_Release(&local);
  StackTrace_Pop(&frame);
}

LinkFunction g_functions[kFunctionCount] = {
    {"tll_Script_kit_add", reinterpret_cast<void*>(&tll_Script_kit_add)},
    {"tll_Script_kit_no_return", reinterpret_cast<void*>(&tll_Script_kit_no_return)},
    {"tll_Script_kit_caller", reinterpret_cast<void*>(&tll_Script_kit_caller)},
    {"tll_Script_kit_fail", reinterpret_cast<void*>(&tll_Script_kit_fail)},
    {"tll_Script_kit_fail_outer", reinterpret_cast<void*>(&tll_Script_kit_fail_outer)},
    {"tll_Script_kit_nested_return", reinterpret_cast<void*>(&tll_Script_kit_nested_return)},
    {"tll_Script_kit_equal", reinterpret_cast<void*>(&tll_Script_kit_equal)},
    {"tll_Script_kit_log_event", reinterpret_cast<void*>(&tll_Script_kit_log_event)},
    {"tll_Object_ob_kit_Step_0", reinterpret_cast<void*>(&tll_Object_ob_kit_Step_0)},
    {"tll_RoomCC_rm_kit_8_Create", reinterpret_cast<void*>(&tll_RoomCC_rm_kit_8_Create)},
    {"tll_Object_ob_log_Event_0", reinterpret_cast<void*>(&tll_Object_ob_log_Event_0)},
};

GameLinkRecord g_record;

void KitNote(RValue* result, CInstance*, CInstance*, int32_t argc, RValue* args) {
  for (int32_t i = 0; i < argc; ++i) g_log.notes.push_back(Real(&args[i]));
  SetReal(result, argc);
}

bool GetZero(CInstance*, int32_t, RValue* out) {
  SetReal(out, 0);
  return true;
}

bool GetX(CInstance* i, int32_t, RValue* out) {
  SetReal(out, i->x);
  return true;
}
bool SetX(CInstance* i, int32_t, const RValue* v) {
  i->x = static_cast<float>(Real(v));
  return true;
}

}  // namespace

GameLinkRecord* LinkRecord() {
  g_record.globalCount = 0;
  g_record.instanceCount = kInstanceVariableCount;
  g_record.functionCount = kFunctionCount;
  g_record.variables = g_variables;
  g_record.builtins = g_builtins;
  g_record.functions = g_functions;
  return &g_record;
}

const char* FunctionName(int32_t codeIndex) { return g_functions[codeIndex].name; }

Log& TheLog() { return g_log; }

void Install() {
  g_log = Log();
  for (RValue* s : kStatics) *s = RValue_MakeUndefined();
  int32_t id = -1;
  if (!Builtin_FindCallable("kit_note", &id)) Builtin_Add("kit_note", KitNote, kBuiltinAnyArgs, 0);
  if (Variable_BuiltinFind("x") < 0) Variable_BuiltinAdd("x", GetX, SetX);
  if (Variable_BuiltinFind("alarm") < 0) Variable_BuiltinAdd("alarm", GetZero, nullptr);
  GameLinkRecord* record = LinkRecord();
  Game_UseLinkRecord(record);
  Game_BindLinkRecord(record);
  Variable_SetNameTableSizes(0, kInstanceVariableCount);
}

std::vector<uint8_t> ScriptContainer() {
  container::ContainerWriter writer;
  std::vector<container::ScriptEntry> scripts;
  for (int32_t i = 0; i < kScriptCount; ++i) {
    // Scripts are named as the code is, without the prefix.
    scripts.push_back({g_functions[i].name + std::strlen("tll_Script_"), static_cast<uint32_t>(i), {}, false});
  }
  container::write_scpt(writer, scripts);
  return writer.build().bytes;
}

bool LoadScripts(std::vector<uint8_t>* bytes) {
  const ContainerBytes container{bytes->data(), bytes->size()};
  ContainerChunks chunks(container);
  for (ContainerChunk chunk; chunks.Next(&chunk);) {
    if (std::strcmp(chunk.tag, "SCPT") == 0) {
      Script_Init();
      return Script_Load(chunk.body, chunk.size, container) && Script_Prepare();
    }
  }
  return false;
}

void Uninstall() {
  Script_DeleteAll();
  Game_UseLinkRecord(nullptr);
  for (RValue* s : kStatics) RValue_Release(s);
  g_log = Log();
}

}  // namespace kit
