#include "core/function_registry.h"

#include <cstring>

#include "core/memory_manager.h"

BuiltinFunction* g_BuiltinFunctions = nullptr;
int32_t g_BuiltinCount = 0;
int32_t g_BuiltinCapacity = 0;

namespace {

int32_t g_current = -1;
CallableResolver g_resolver = nullptr;

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

void Builtin_SetCallableResolver(CallableResolver resolver) { g_resolver = resolver; }

bool Builtin_FindCallable(const char* name, int32_t* id) {
  *id = -1;
  if (name == nullptr || name[0] == '\0') return false;
  if (g_resolver != nullptr && g_resolver(name, id)) return true;
  *id = -1;
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
