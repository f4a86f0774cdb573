#include "core/function_registry.h"

#include <cstring>

#include "vm/script_table.h"
#include "core/memory_manager.h"
#include "host/game_flags.h"
#include "net/extension_names_stand_in.h"

BuiltinFunction* g_BuiltinFunctions = nullptr;
int32_t g_BuiltinCount = 0;
int32_t g_BuiltinCapacity = 0;

namespace {

int32_t g_current = -1;

}  // namespace

void Builtin_Add(const char* name, BuiltinHandler handler, int32_t argumentCount, uint8_t flag) {
  if (g_BuiltinCount >= g_BuiltinCapacity) {
    g_BuiltinCapacity += kBuiltinGrowth;
    // Grown blocks come back zero past the old entries.
    MemoryManager_Resize(&g_BuiltinFunctions, static_cast<size_t>(g_BuiltinCapacity) * sizeof(BuiltinFunction),
                         __FILE__, __LINE__);
  }
  BuiltinFunction& entry = g_BuiltinFunctions[g_BuiltinCount++];
  std::memset(entry.name, 0, sizeof entry.name);
  if (name != nullptr) std::strncpy(entry.name, name, sizeof entry.name - 1);
  entry.handler = handler;
  entry.argumentCount = argumentCount;
  entry.flag = flag;
  entry.reserved = -1;
}

void Builtin_Replace(const char* name, BuiltinHandler handler) {
  if (name == nullptr) return;
  for (int32_t i = 0; i < g_BuiltinCount; ++i) {
    if (std::strcmp(g_BuiltinFunctions[i].name, name) == 0) {
      g_BuiltinFunctions[i].handler = handler;
      return;
    }
  }
}

bool Builtin_FindCallable(const char* name, int32_t* id) {
  *id = -1;
  if (name == nullptr || name[0] == '\0') return false;
  const int32_t script = Script_Find(name);
  if (script >= 0) {
    *id = kCallableScriptBase + script;
    return true;
  }
  const int32_t extension = Extension_FindFunction(name);
  if (extension >= 0) {
    *id = kCallableExtensionBase + extension;
    return true;
  }
  if (!Game_CompiledMode() && std::strcmp(name, "script_execute") == 0) {
    *id = kCallableScriptExecute;
    return true;
  }
  for (int32_t i = 0; i < g_BuiltinCount; ++i) {
    if (std::strcmp(g_BuiltinFunctions[i].name, name) == 0) {
      *id = i;
      return true;
    }
  }
  return false;
}

bool Builtin_GetEntry(int32_t index, const BuiltinFunction** entry, BuiltinHandler* handler, int32_t* argumentCount,
                      uint8_t* flag) {
  if (index < 0 || index >= g_BuiltinCount) return false;
  const BuiltinFunction& e = g_BuiltinFunctions[index];
  if (entry != nullptr) *entry = &e;
  if (handler != nullptr) *handler = e.handler;
  if (argumentCount != nullptr) *argumentCount = e.argumentCount;
  if (flag != nullptr) *flag = e.flag;
  return true;
}

void Builtin_Shutdown() {
  MemoryManager_Free(g_BuiltinFunctions);
  g_BuiltinFunctions = nullptr;
  g_BuiltinCount = 0;
  g_BuiltinCapacity = 0;
  g_current = -1;
}

void Builtin_SetCurrent(int32_t index) { g_current = index; }
int32_t Builtin_Current() { return g_current; }

const char* Builtin_CurrentName() {
  if (g_current < 0 || g_current >= g_BuiltinCount) return "<unknown built-in>";
  return g_BuiltinFunctions[g_current].name;
}
