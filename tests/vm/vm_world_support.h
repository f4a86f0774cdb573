// A small world for running byte code against: a room, objects and their instances, a global
// object, scripts found by name among the program's code entries, and built-ins that record what
// they saw.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/function_registry.h"
#include "core/registry_test_support.h"
#include "vm/script_table.h"
#include "core/value_test_util.h"
#include "vm/variable_access.h"
#include "vm/variable_names.h"
#include "script/wx_object.h"
#include "vm/interpreter.h"
#include "vm/vm_test_support.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/object.h"
#include "world/room.h"

// What a recording built-in saw at one call.
struct SeenCall {
  int32_t self = -1;   // instance ids; -1 for none
  int32_t other = -1;
  std::vector<std::string> args;  // TextOf each argument, first argument first
  int32_t argumentCount = -1;     // VM_ArgumentCount() of the running call
  std::vector<std::string> callArgs;  // the running call's arguments
};

inline std::vector<SeenCall>& Seen() {
  static std::vector<SeenCall> seen;
  return seen;
}

inline int32_t IdOf(const CInstance* instance) { return instance != nullptr ? instance->id : -1; }

// Records self, other, the arguments and the current call's arguments; returns the text "done".
inline void RecordCall(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* args) {
  SeenCall call;
  call.self = IdOf(self);
  call.other = IdOf(other);
  for (int32_t i = 0; i < argc; ++i) call.args.push_back(TextOf(&args[i]));
  call.argumentCount = VM_ArgumentCount();
  const auto* list = reinterpret_cast<const uint8_t*>(VM_Arguments());
  for (int32_t i = 0; list != nullptr && i < call.argumentCount; ++i) {
    RValue value;
    std::memcpy(&value, list + sizeof(RValue) * static_cast<size_t>(i), sizeof value);
    call.callArgs.push_back(TextOf(&value));
  }
  Seen().push_back(call);
  RValue_SetString(result, "done");
}

class VMWorldTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Game_SetCompiledMode(false);
    Seen().clear();
    s_program = &m_program;
    VM_SetScriptCodeLookup(&ScriptByName);
    Room_Current = &m_room;
    m_previousGlobal = g_pGlobalObject;
    Builtin_Add("record", &RecordCall, -1, 0);
  }
  void TearDown() override {
    VM_SetScriptCodeLookup(nullptr);
    s_program = nullptr;
    Room_Current = nullptr;
    InstanceQueues_Clear();
    Room_ActivationQueue.Clear();
    ClearInstances();
    g_pGlobalObject = m_previousGlobal;
    RValue_Release(&m_result);
    // Loading the program recorded its CODE chunk in the game data; a later test must not find it.
    Runner_FreeGameData();
    RegistryTest::TearDown();
  }

  // Loads the program and makes a global object with a slot per global name (and a few more).
  void Load(const std::string& source) {
    LoadProgram(source, &m_program);
    ASSERT_TRUE(m_program.loaded);
    const int32_t slots = std::max(Variable_GlobalNameCount(), Variable_InstanceNameCount()) + 4;
    m_global = std::make_unique<WXObjectBase>(slots, static_cast<int32_t>(VALUE_UNSET));
    g_pGlobalObject = m_global.get();
  }
  // Runs code entry `entry` into m_result, which starts as the real -1.
  void Run(size_t entry = 0, CInstance* self = nullptr, CInstance* other = nullptr, int32_t argc = 0,
           RValue* args = nullptr) {
    RValue_Release(&m_result);
    m_result = RValue_MakeReal(-1);
    VM_ExecuteCode(m_program.Code(entry), self, other, &m_result, nullptr, argc, args, 0, nullptr);
  }
  void LoadAndRun(const std::string& source, CInstance* self = nullptr, CInstance* other = nullptr) {
    Load(source);
    Run(0, self, other);
  }

  CObject* NewObject(const char* name, CObject* parent = nullptr) {
    CObject* o = Object_Data(Object_Add());
    o->SetName(name);
    if (parent != nullptr) {
      o->parent = parent;
      o->parent_index = parent->index;
    }
    return o;
  }
  // An instance of the object; `inRoom` puts it in the room's active list and the id table.
  CInstance* NewInstance(const CObject* object, int32_t id, bool inRoom = true) {
    auto* i = new CInstance(0, 0, id, object->index, inRoom);
    m_instances.push_back(i);
    if (inRoom) {
      InstanceIdTable.Insert(id, i);
      m_room.active.InsertByDepth(i);
    }
    return i;
  }

  void ClearInstances() {
    m_room.active = InstanceList();  // the fixture deletes its instances itself
    m_room.inactive = InstanceList();
    for (CInstance* i : m_instances) delete i;
    m_instances.clear();
    InstanceIdTable.Clear(kDisposeNone);
  }

  // Variable ids of the loaded program's names.
  static int32_t InstanceVar(const char* name) { return kUserVariableBase + Variable_FindInstanceName(name); }
  static int32_t GlobalVar(const char* name) { return kUserVariableBase + Variable_FindGlobalName(name); }
  static void SetReal(WXObjectBase* object, int32_t id, double value) {
    const RValue v = RValue_MakeReal(value);
    Variable_SetValue(object, id, ARRAY_INDEX_NONE, &v);
  }
  static std::string Text(WXObjectBase* object, int32_t id, int32_t index = ARRAY_INDEX_NONE) {
    RValue v = RValue_MakeUndefined();
    Variable_GetValue(object, id, index, &v);
    std::string text = RValue_Kind(&v) == VALUE_UNSET ? "<unset>" : TextOf(&v);
    RValue_Release(&v);
    return text;
  }
  std::string ResultText() const { return RValue_Kind(&m_result) == VALUE_UNSET ? "<unset>" : TextOf(&m_result); }
  static std::string Error() { return RuntimeErrorCapture::Reported() ? RuntimeErrorCapture::LastError() : ""; }

  LoadedProgram m_program;
  CRoom m_room;
  std::vector<CInstance*> m_instances;
  std::unique_ptr<WXObjectBase> m_global;
  WXObjectBase* m_previousGlobal = nullptr;
  RValue m_result = RValue_MakeReal(-1);

 private:
  static inline LoadedProgram* s_program = nullptr;
  // Script n is the code entry named like script n of the script table.
  static CCode* ScriptByName(int32_t index) {
    if (s_program == nullptr || !Script_Exists(index)) return nullptr;
    for (auto& code : s_program->codes) {
      if (code != nullptr && std::strcmp(code->name, Script_Name(index)) == 0) return code.get();
    }
    return nullptr;
  }
};
