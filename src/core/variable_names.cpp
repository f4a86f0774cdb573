#include "core/variable_names.h"

#include <cstring>
#include <string>
#include <vector>

bool Variable_InstanceMissing = false;

namespace {

constexpr const char* kUnknownVariable = "<unknown variable>";

std::vector<std::string> g_userNames;
// Entries that were never named stay empty and are skipped by the lookups.
std::vector<std::string> g_globalNames;
std::vector<std::string> g_instanceNames;

int32_t FindIn(const std::vector<std::string>& table, const char* name) {
  if (name == nullptr) return -1;
  for (size_t i = 0; i < table.size(); ++i) {
    if (!table[i].empty() && table[i] == name) return static_cast<int32_t>(i);
  }
  return -1;
}

const char* EntryOf(const std::vector<std::string>& table, int64_t n) {
  if (n < 0 || n >= static_cast<int64_t>(table.size()) || table[static_cast<size_t>(n)].empty()) {
    return kUnknownVariable;
  }
  return table[static_cast<size_t>(n)].c_str();
}

}  // namespace

int32_t Variable_FindOrAddUser(const char* name) {
  const int32_t found = Variable_FindUser(name);
  if (found >= 0) return found;
  g_userNames.emplace_back(name != nullptr ? name : "");
  return kUserVariableBase + static_cast<int32_t>(g_userNames.size()) - 1;
}

int32_t Variable_FindUser(const char* name) {
  if (name == nullptr) return -1;
  for (size_t i = 0; i < g_userNames.size(); ++i) {
    if (g_userNames[i] == name) return kUserVariableBase + static_cast<int32_t>(i);
  }
  return -1;
}

const char* Variable_UserVariableName(int32_t id) {
  const int64_t n = static_cast<int64_t>(id) - kUserVariableBase;
  if (n < 0 || n >= static_cast<int64_t>(g_userNames.size())) return nullptr;
  return g_userNames[static_cast<size_t>(n)].c_str();
}

void Variable_SetNameTableSizes(int32_t globalCount, int32_t instanceCount) {
  g_globalNames.assign(globalCount > 0 ? static_cast<size_t>(globalCount) : 0, std::string());
  g_instanceNames.assign(instanceCount > 0 ? static_cast<size_t>(instanceCount) : 0, std::string());
}

int32_t Variable_SetName(const char* name, int32_t scope, int32_t index) {
  if (scope == -6) return Variable_BuiltinFind(name);
  std::vector<std::string>* table = scope == -5 ? &g_globalNames : scope == -1 ? &g_instanceNames : nullptr;
  if (table != nullptr && index >= 0 && static_cast<size_t>(index) < table->size()) {
    (*table)[static_cast<size_t>(index)] = name != nullptr ? name : "";
  }
  return index + kUserVariableBase;
}

int32_t Variable_FindGlobalName(const char* name) { return FindIn(g_globalNames, name); }
int32_t Variable_FindInstanceName(const char* name) { return FindIn(g_instanceNames, name); }
int32_t Variable_GlobalNameCount() { return static_cast<int32_t>(g_globalNames.size()); }
int32_t Variable_InstanceNameCount() { return static_cast<int32_t>(g_instanceNames.size()); }

// The built-in variable table is filled by the game world's registration; until that exists the
// table is empty.
int32_t Variable_BuiltinFind(const char*) { return -1; }
const char* Variable_BuiltinName(int32_t) { return "<unknown built-in variable>"; }

const char* Variable_GetName(const char*, int32_t scope, int32_t id) {
  if (id < kUserVariableBase) return Variable_BuiltinName(id);
  const int64_t n = static_cast<int64_t>(id) - kUserVariableBase;
  if (scope == -5) return EntryOf(g_globalNames, n);
  if (scope == -1 || scope == -9 || scope == -11 || scope > kUserVariableBase) return EntryOf(g_instanceNames, n);
  return kUnknownVariable;
}

void Variable_ClearNames() {
  g_userNames.clear();
  g_globalNames.clear();
  g_instanceNames.clear();
}
