#include "core/load_stand_in.h"

#include <string>
#include <vector>

#include "core/console.h"

namespace {
std::vector<std::string> g_userVariables;
}

// STAND-IN: no script table exists yet.
void Script_Init() {}
bool Script_Load(uint8_t*, uint32_t size, const ContainerBytes&) {
  Console_DebugOutput("Script_Load: %u bytes accepted, nothing kept yet\n", size);
  return true;
}

int32_t Variable_FindOrAdd(const char* name) {
  const std::string text = name != nullptr ? name : "";
  for (size_t i = 0; i < g_userVariables.size(); ++i) {
    if (g_userVariables[i] == text) return 100000 + static_cast<int32_t>(i);
  }
  g_userVariables.push_back(text);
  return 100000 + static_cast<int32_t>(g_userVariables.size() - 1);
}

int32_t Builtin_FindCallable(const char*) { return -1; }
