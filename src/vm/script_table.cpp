#include "vm/script_table.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/console.h"
#include "core/memory_manager.h"
#include "core/name_index.h"
#include "core/value.h"
#include "runtime/error_report.h"
#include "runtime/game_data.h"
#include "runtime/game_flags.h"
#include "runtime/link_record.h"
#include "io/stream.h"
#include "vm/code_object.h"
#include "vm/interpreter.h"

namespace {

CScript** g_scripts = nullptr;
char** g_names = nullptr;
int32_t g_count = 0;
// Every path that fills, empties or resizes a slot passes Script_DeleteAll, ResizeTable or
// SetSlot, which forget it.
NameIndex g_index;

char* CopyText(const char* text) {
  if (text == nullptr) return nullptr;
  const size_t length = std::strlen(text);
  auto* copy = static_cast<char*>(MEM_ALLOC_RAW(length + 1));
  std::memcpy(copy, text, length + 1);
  return copy;
}

// Scripts carry their code index (a translated game, or one with byte code) rather than text.
bool ScriptsUseCodeIndex() { return Game_CompiledMode() || Game_Data().haveCode; }

}  // namespace

CScript::~CScript() {
  Clear();
  MEM_FREE(m_pStreamText);
  m_pName = nullptr;
}

void CScript::Clear() {
  delete m_pCodeStream;
  m_pCodeStream = nullptr;
  delete m_pCode;
  m_pCode = nullptr;
  m_pNative = nullptr;
  MEM_FREE(m_pText);
  m_pText = nullptr;
  m_codeIndex = -1;
}

bool CScript::LoadFromChunk(const uint8_t* entry, const ContainerBytes& container) {
  bool ok = true;
  m_pName = container.TextAt(Container_U32(entry), &ok);
  Clear();
  const uint32_t code = Container_U32(entry + 4);
  if (ScriptsUseCodeIndex()) {
    m_codeIndex = static_cast<int32_t>(code);
  } else {
    m_pText = CopyText(container.TextAt(code, &ok));
  }
  return ok;
}

bool CScript::Compile() {
  if (Game_CompiledMode()) {
    const GameLinkRecord* record = Game_Data().linkRecord;
    if (record == nullptr || record->functions == nullptr || m_codeIndex < 0 ||
        m_codeIndex >= record->functionCount) {
      return false;
    }
    m_pNative = &record->functions[m_codeIndex];
    return true;
  }
  if (!Game_Data().haveCode) return false;
  delete m_pCode;
  m_pCode = new CCode(m_codeIndex, 0);
  return true;
}

const char* CScript::GetStream() {
  if (m_pText != nullptr) return m_pText;
  if (m_pCodeStream == nullptr) return "";
  CStream stream;
  m_pCodeStream->SetPosition(0);
  stream.CopyFrom(m_pCodeStream, 0, false);
  stream.Unscramble(kScriptTextSeed, 0, stream.GetSize());
  stream.SetPosition(0);
  MEM_FREE(m_pStreamText);
  m_pStreamText = nullptr;
  stream.ReadString(&m_pStreamText);
  return m_pStreamText != nullptr ? m_pStreamText : "";
}

void Script_DeleteAll() {
  g_index.Invalidate();
  for (int32_t i = 0; i < g_count; ++i) {
    CScript::Delete(g_scripts[i]);
    MEM_FREE(g_names[i]);
  }
  MEM_FREE(g_scripts);
  MEM_FREE(g_names);
  g_scripts = nullptr;
  g_names = nullptr;
  g_count = 0;
}

void Script_Init() { Script_DeleteAll(); }

namespace {
// Grows the table to count empty slots (a table that is there keeps its scripts).
void ResizeTable(int32_t count) {
  g_index.Invalidate();
  for (int32_t i = count; i < g_count; ++i) {
    CScript::Delete(g_scripts[i]);
    MEM_FREE(g_names[i]);
  }
  g_scripts = static_cast<CScript**>(MEM_REALLOC(g_scripts, sizeof(CScript*) * (count > 0 ? count : 1)));
  g_names = static_cast<char**>(MEM_REALLOC(g_names, sizeof(char*) * (count > 0 ? count : 1)));
  for (int32_t i = g_count; i < count; ++i) {
    g_scripts[i] = nullptr;
    g_names[i] = nullptr;
  }
  g_count = count;
}

void SetSlot(int32_t i, CScript* script, const char* name) {
  g_index.Invalidate();
  CScript::Delete(g_scripts[i]);
  MEM_FREE(g_names[i]);
  g_scripts[i] = script;
  g_names[i] = CopyText(name);
}
}  // namespace

bool Script_Load(uint8_t* body, uint32_t size, const ContainerBytes& container) {
  uint32_t count = 0;
  if (!Container_ReadCount("SCPT", body, size, 0, 4, &count)) return false;
  ResizeTable(static_cast<int32_t>(count));
  const GameLinkRecord* record = Game_Data().linkRecord;
  const int32_t functionCount = record != nullptr && record->functions != nullptr ? record->functionCount : 0;
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t at = Container_U32(body + 4 + 4 * i);
    if (at == 0) {
      SetSlot(static_cast<int32_t>(i), nullptr, nullptr);
      continue;
    }
    if (!container.Has(at, 8)) {
      Game_FailLoad("SCPT", "script %u's entry at container offset %u lies outside the container", i, at);
      return false;
    }
    auto* script = new CScript();
    if (!script->LoadFromChunk(container.data + at, container)) {
      CScript::Delete(script);
      Game_FailLoad("SCPT", "script %u's name or text lies outside the container", i);
      return false;
    }
    if (Game_CompiledMode() && (script->m_codeIndex < 0 || script->m_codeIndex >= functionCount)) {
      Game_FailLoad("SCPT", "script %u (%s) names code index %d, beyond the %d translated functions", i,
                    script->m_pName != nullptr ? script->m_pName : "<unnamed>", script->m_codeIndex, functionCount);
      CScript::Delete(script);
      return false;
    }
    SetSlot(static_cast<int32_t>(i), script, script->m_pName);
  }
  return true;
}

bool Script_Prepare() {
  Console_DebugOutput("Script_Prepare() \n");
  for (int32_t i = 0; i < g_count; ++i) {
    CScript* script = g_scripts[i];
    if (script == nullptr || script->Compile()) continue;
    const char* last = error_last != nullptr && error_last->text != nullptr ? error_last->text : "";
    std::vector<char> text(std::strlen(last) + 1100);
    std::snprintf(text.data(), text.size(), "COMPILATION ERROR in Script: %.1000s\n%s",
                  script->m_pName != nullptr ? script->m_pName : "", last);
    Error_Show(text.data(), true);
    return false;
  }
  return true;
}

int32_t Script_Number() { return g_count; }

bool Script_Exists(int32_t index) { return index >= 0 && index < g_count && g_scripts[index] != nullptr; }

const char* Script_Name(int32_t index) {
  if (!Script_Exists(index) || g_scripts[index]->m_pName == nullptr) return "<undefined>";
  return g_scripts[index]->m_pName;
}

int32_t Script_Find(const char* name) {
  return g_index.Find(name, [](auto add) {
    for (int32_t i = 0; i < g_count; ++i) {
      const CScript* script = g_scripts[i];
      if (script != nullptr && script->m_pName != nullptr) add(script->m_pName, i);
    }
  });
}

CScript* Script_Data(int32_t index) { return index >= 0 && index < g_count ? g_scripts[index] : nullptr; }

bool Script_Perform(int32_t index, CInstance* self, CInstance* other, int32_t argc, RValue* result, RValue* args) {
  CScript* script = Script_Data(index);
  if (script == nullptr) return false;
  CCode* code = script->GetCode();
  if (code != nullptr && ((code->native != nullptr && code->native->function != nullptr) ||
                          (code->code != nullptr && code->code->length == 0))) {
    return true;
  }
  const int32_t n = args != nullptr && argc > 0 ? argc : 0;
  // The script's arguments are the current call's for its run; the caller's come back afterwards
  // (a built-in called from byte code may run a script while its own caller's list is current).
  const int32_t callerCount = VM_ArgumentCount();
  RValue* callerArguments = VM_Arguments();
  VM_SetArguments(n, n > 0 ? args : nullptr);
  if (code != nullptr) {
    Code_ExecuteScriptWithArguments(self, other, code, result, self != nullptr ? 1 : 0, n, args);
  } else if (script->m_pNative != nullptr && script->m_pNative->function != nullptr) {
    std::vector<RValue*> pointers(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) pointers[i] = &args[i];
    reinterpret_cast<NativeScriptFunction>(script->m_pNative->function)(self, other, result, n,
                                                                        pointers.data());
  }
  for (int32_t i = 0; i < n; ++i) RValue_Release(&args[i]);
  VM_SetArguments(callerCount, callerArguments);
  return true;
}

void Script_SetNames(const char* const* names, int32_t count) {
  Script_DeleteAll();
  if (names == nullptr || count <= 0) return;
  ResizeTable(count);
  for (int32_t i = 0; i < count; ++i) {
    if (names[i] == nullptr) continue;
    g_names[i] = CopyText(names[i]);
    g_scripts[i] = new CScript();
    g_scripts[i]->m_pName = g_names[i];
  }
}
