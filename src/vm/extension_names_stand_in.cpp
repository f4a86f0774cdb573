#include "vm/extension_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_functions;
ExtensionCaller g_caller = nullptr;
}  // namespace

int32_t Extension_FindFunction(const char* name) { return g_functions.Find(name); }
void Extension_StandInSetFunctionNames(const char* const* names, int32_t count) { g_functions.Set(names, count); }

bool Extension_CallFunction(int32_t index, int32_t argc, RValue* args, RValue* result) {
  return g_caller != nullptr && g_caller(index, argc, args, result);
}
void Extension_StandInSetCaller(ExtensionCaller caller) { g_caller = caller; }
