#include "net/extension_names_stand_in.h"

#include "core/stand_in_names.h"

namespace {
StandInNames g_functions;
}

int32_t Extension_FindFunction(const char* name) { return g_functions.Find(name); }
void Extension_StandInSetFunctionNames(const char* const* names, int32_t count) { g_functions.Set(names, count); }
