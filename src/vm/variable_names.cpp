#include "vm/variable_names.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/memory_manager.h"
#include "core/registry_message.h"
#include "runtime/container.h"
#include "runtime/game_flags.h"
#include "script/wx_object.h"

bool Variable_InstanceMissing = false;

namespace {

constexpr const char* kUnknownVariable = "<unknown variable>";
constexpr const char* kUnknownBuiltin = "<unknown built-in variable>";

BuiltinVariable g_builtins[kBuiltinVariableCapacity];
int32_t g_builtinCount = 0;

std::vector<std::string> g_userNames;
// Entries that were never named stay empty: they name nothing and lookups skip them.
std::vector<std::string> g_globalNames;
std::vector<std::string> g_instanceNames;

struct CodeLocals {
  std::string codeName;
  std::vector<std::string> names;
};
std::vector<CodeLocals> g_codeLocals;

std::vector<uint8_t> g_globalFlags;

char* CopyText(const char* text) {
  const size_t n = std::strlen(text);
  auto* copy = static_cast<char*>(MemoryManager_Alloc(n + 1, __FILE__, __LINE__, false));
  std::memcpy(copy, text, n + 1);
  return copy;
}

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

const char* LocalName(const char* codeName, int64_t n) {
  if (codeName == nullptr) return kUnknownVariable;
  for (const CodeLocals& code : g_codeLocals) {
    if (code.codeName == codeName) return EntryOf(code.names, n);
  }
  return kUnknownVariable;
}

// Reads a u32 at `at` of a table of `size` bytes; false past the end.
bool ReadWord(const uint8_t* table, uint32_t size, uint64_t at, uint32_t* out) {
  if (at + 4 > size) return false;
  *out = Container_U32(table + at);
  return true;
}

bool ReadName(const ContainerBytes& container, uint32_t offset, std::string* out) {
  bool ok = true;
  const char* text = container.TextAt(offset, &ok);
  if (!ok) return false;
  out->assign(text != nullptr ? text : "");
  return true;
}

}  // namespace

// --- built-in variables ------------------------------------------------------------------------

void Variable_BuiltinAdd(const char* name, BuiltinVariableGetter getter, BuiltinVariableSetter setter) {
  if (g_builtinCount >= kBuiltinVariableCapacity) {
    Registry_ShowMessage("INTERNAL ERROR: Adding too many variables");
    return;
  }
  BuiltinVariable& entry = g_builtins[g_builtinCount++];
  MemoryManager_Free(entry.name);
  entry.name = CopyText(name != nullptr ? name : "");
  entry.getter = getter;
  entry.setter = setter;
  entry.hasSetter = setter != nullptr;
}

int32_t Variable_BuiltinFind(const char* name) {
  if (name == nullptr) return -1;
  for (int32_t i = 0; i < g_builtinCount; ++i) {
    if (std::strcmp(g_builtins[i].name, name) == 0) return i;
  }
  return -1;
}

const char* Variable_BuiltinName(int32_t index) {
  const BuiltinVariable* entry = Variable_BuiltinEntry(index);
  return entry != nullptr ? entry->name : kUnknownBuiltin;
}

const BuiltinVariable* Variable_BuiltinEntry(int32_t index) {
  return index >= 0 && index < g_builtinCount ? &g_builtins[index] : nullptr;
}

int32_t Variable_BuiltinCount() { return g_builtinCount; }

void Variable_Shutdown() {
  for (BuiltinVariable& entry : g_builtins) {
    MemoryManager_Free(entry.name);
    entry = BuiltinVariable{};
  }
  g_builtinCount = 0;
  g_globalFlags.clear();
  g_globalFlags.shrink_to_fit();
}

// --- user-variable names -------------------------------------------------------------------------

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

int32_t Variable_FindOrAdd(const char* name) {
  const int32_t builtin = Variable_BuiltinFind(name);
  return builtin >= 0 ? builtin : Variable_FindOrAddUser(name);
}

const char* Variable_UserVariableName(int32_t id) {
  const int64_t n = static_cast<int64_t>(id) - kUserVariableBase;
  if (n < 0 || n >= static_cast<int64_t>(g_userNames.size())) return nullptr;
  return g_userNames[static_cast<size_t>(n)].c_str();
}

// --- slot-name tables --------------------------------------------------------------------------

void Variable_SetNameTableSizes(int32_t globalCount, int32_t instanceCount) {
  g_globalNames.assign(globalCount > 0 ? static_cast<size_t>(globalCount) : 0, std::string());
  g_instanceNames.assign(instanceCount > 0 ? static_cast<size_t>(instanceCount) : 0, std::string());
}

void Variable_SetSlotCounts(int32_t globalCount, int32_t instanceCount) {
  if (globalCount > 0) g_globalNames.resize(static_cast<size_t>(globalCount));
  if (instanceCount > 0) g_instanceNames.resize(static_cast<size_t>(instanceCount));
}

int32_t Variable_SetName(const char* name, int32_t scope, int32_t index) {
  if (scope == kScopeGlobalOrSelf) return Variable_BuiltinFind(name);
  std::vector<std::string>* table = scope == kScopeGlobal ? &g_globalNames
                                    : scope == kScopeSelf ? &g_instanceNames
                                                          : nullptr;
  if (table != nullptr && index >= 0 && static_cast<size_t>(index) < table->size()) {
    (*table)[static_cast<size_t>(index)] = name != nullptr ? name : "";
  }
  return static_cast<int32_t>(static_cast<int64_t>(index) + kUserVariableBase);
}

int32_t Variable_FindGlobalName(const char* name) { return FindIn(g_globalNames, name); }
int32_t Variable_FindInstanceName(const char* name) { return FindIn(g_instanceNames, name); }

int32_t Variable_FindSlotName(const WXObjectBase* object, const char* name) {
  if (object != nullptr && object == g_pGlobalObject && !Game_ObjectMode()) return Variable_FindGlobalName(name);
  return Variable_FindInstanceName(name);
}

int32_t Variable_GlobalNameCount() { return static_cast<int32_t>(g_globalNames.size()); }
int32_t Variable_InstanceNameCount() { return static_cast<int32_t>(g_instanceNames.size()); }

bool Variable_LoadCodeLocals(const uint8_t* table, uint32_t size, const ContainerBytes& container) {
  std::vector<CodeLocals> loaded;
  uint64_t at = 0;
  uint32_t entries = 0;
  if (table == nullptr || !ReadWord(table, size, at, &entries)) return false;
  at += 4;
  // Each entry takes at least 8 bytes: a count larger than the data is damage, not a reservation.
  if (entries > (size - at) / 8) return false;
  loaded.reserve(entries);
  for (uint32_t e = 0; e < entries; ++e) {
    uint32_t count = 0;
    uint32_t codeNameOffset = 0;
    if (!ReadWord(table, size, at, &count) || !ReadWord(table, size, at + 4, &codeNameOffset)) return false;
    at += 8;
    if (count > (size - at) / 8) return false;
    CodeLocals code;
    if (!ReadName(container, codeNameOffset, &code.codeName)) return false;
    code.names.resize(count);
    for (uint32_t i = 0; i < count; ++i, at += 8) {
      uint32_t nameOffset = 0;
      if (!ReadWord(table, size, at + 4, &nameOffset) || !ReadName(container, nameOffset, &code.names[i])) {
        return false;
      }
    }
    loaded.push_back(std::move(code));
  }
  g_codeLocals = std::move(loaded);
  return true;
}

// --- names of ids ------------------------------------------------------------------------------

const char* Variable_GetName(const char* codeName, int32_t scope, int32_t id) {
  if (id < kUserVariableBase) return Variable_BuiltinName(id);
  return Variable_GetUserName(codeName, scope, id);
}

const char* Variable_GetUserName(const char* codeName, int32_t scope, int32_t id) {
  const int64_t n = static_cast<int64_t>(id) - kUserVariableBase;
  if (n < 0) return kUnknownVariable;
  if (!Game_ByteCodeVersion15()) {
    const char* name = Variable_UserVariableName(id);
    return name != nullptr ? name : kUnknownVariable;
  }
  switch (scope) {
    case kScopeGlobal:
      return EntryOf(g_globalNames, n);
    case kScopeLocal:
    case kScopeLocalsWalk:
      return LocalName(codeName, n);
    case kScopeSelf:
    case kScopeObject:
    case kScopeChain:
      return EntryOf(g_instanceNames, n);
    default:
      return scope > kUserVariableBase ? EntryOf(g_instanceNames, n) : kUnknownVariable;
  }
}

void Variable_NamesShutdown() {}

void Variable_ClearNames() {
  g_userNames.clear();
  g_globalNames.clear();
  g_instanceNames.clear();
  g_codeLocals.clear();
}

// --- global-name flags -------------------------------------------------------------------------

void Variable_InitGlobalFlags() { g_globalFlags.assign(kGlobalNameFlagCount, 0); }

bool Variable_IsGlobalVar(int32_t id) {
  const int64_t n = static_cast<int64_t>(id) - kUserVariableBase;
  return n >= 0 && n < static_cast<int64_t>(g_globalFlags.size()) && g_globalFlags[static_cast<size_t>(n)] != 0;
}

void Variable_SetGlobalFlag(int32_t id, bool on) {
  const int64_t n = static_cast<int64_t>(id) - kUserVariableBase;
  if (n >= 0 && n < static_cast<int64_t>(g_globalFlags.size())) g_globalFlags[static_cast<size_t>(n)] = on ? 1 : 0;
}

int32_t Variable_GlobalFlagCount() { return static_cast<int32_t>(g_globalFlags.size()); }
