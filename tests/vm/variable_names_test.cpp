// Variable names: the built-in variable table and its limit, the user names, the slot-name and
// local-name tables, which of them names an id in messages, and the global-name flags.
#include <cstring>
#include <string>
#include <vector>

#include "core/registry_test_support.h"
#include "runtime/container.h"
#include "script/wx_object.h"

namespace {

bool ReadNothing(CInstance*, int32_t, RValue*) { return true; }
bool WriteNothing(CInstance*, int32_t, const RValue*) { return true; }

class VariableNamesTest : public RegistryTest {};

TEST_F(VariableNamesTest, BuiltinVariablesAreFoundByExactNameAndNamedByIndex) {
  Variable_BuiltinAdd("x", ReadNothing, WriteNothing);
  Variable_BuiltinAdd("instance_count", ReadNothing, nullptr);
  Variable_BuiltinAdd("x", ReadNothing, nullptr);
  EXPECT_EQ(Variable_BuiltinFind("x"), 0);
  EXPECT_EQ(Variable_BuiltinFind("instance_count"), 1);
  EXPECT_EQ(Variable_BuiltinFind("X"), -1);
  EXPECT_EQ(Variable_BuiltinFind(nullptr), -1);
  EXPECT_TRUE(Variable_BuiltinEntry(0)->hasSetter);
  EXPECT_FALSE(Variable_BuiltinEntry(1)->hasSetter);
  EXPECT_STREQ(Variable_BuiltinName(1), "instance_count");
  for (int32_t outside : {-1, 3, 9999}) EXPECT_STREQ(Variable_BuiltinName(outside), "<unknown built-in variable>");
  EXPECT_EQ(Variable_BuiltinEntry(3), nullptr);
}

TEST_F(VariableNamesTest, The501stBuiltinVariableIsDroppedWithAMessage) {
  for (int i = 0; i < 500; ++i) Variable_BuiltinAdd(("v" + std::to_string(i)).c_str(), ReadNothing, nullptr);
  EXPECT_TRUE(MessageBoxRecorder::Texts().empty());
  Variable_BuiltinAdd("one_too_many", ReadNothing, nullptr);
  Variable_BuiltinAdd("two_too_many", ReadNothing, nullptr);
  EXPECT_EQ(Variable_BuiltinCount(), 500);
  EXPECT_EQ(Variable_BuiltinFind("one_too_many"), -1);
  EXPECT_EQ(MessageBoxRecorder::Texts(),
            std::vector<std::string>(2, "INTERNAL ERROR: Adding too many variables"));

  // Teardown empties the table; the next run registers from the start.
  Variable_Shutdown();
  EXPECT_EQ(Variable_BuiltinCount(), 0);
  Variable_BuiltinAdd("fresh", ReadNothing, nullptr);
  EXPECT_EQ(Variable_BuiltinFind("fresh"), 0);
  EXPECT_EQ(Variable_BuiltinFind("v0"), -1);
}

TEST_F(VariableNamesTest, FindOrAddGivesBuiltinIndicesElseStableUserIds) {
  Variable_BuiltinAdd("y", ReadNothing, nullptr);
  Variable_BuiltinAdd("x", ReadNothing, nullptr);
  EXPECT_EQ(Variable_FindOrAdd("x"), 1);
  EXPECT_EQ(Variable_FindUser("hp"), -1);
  const int32_t hp = Variable_FindOrAdd("hp");
  const int32_t mp = Variable_FindOrAdd("mp");
  EXPECT_EQ(hp, 100000);
  EXPECT_EQ(mp, 100001);
  EXPECT_EQ(Variable_FindOrAdd("hp"), hp);
  EXPECT_EQ(Variable_FindUser("mp"), mp);
  EXPECT_STREQ(Variable_UserVariableName(mp), "mp");
  for (int32_t none : {99999, 100002, -1}) EXPECT_EQ(Variable_UserVariableName(none), nullptr);
}

TEST_F(VariableNamesTest, SetNameFillsTheSlotTablesAndScopeMinus6FindsBuiltins) {
  Variable_BuiltinAdd("speed", ReadNothing, nullptr);
  Variable_SetNameTableSizes(3, 2);
  EXPECT_EQ(Variable_SetName("score_total", -5, 2), 100002);
  EXPECT_EQ(Variable_SetName("hp", -1, 1), 100001);
  EXPECT_EQ(Variable_SetName("lost", -1, 7), 100007);  // outside the table: named nowhere
  EXPECT_EQ(Variable_SetName("lost", -7, 0), 100000);  // other scopes name nothing
  EXPECT_EQ(Variable_SetName("speed", -6, 5), 0);
  EXPECT_EQ(Variable_SetName("hp", -6, 5), -1);

  EXPECT_EQ(Variable_FindGlobalName("score_total"), 2);
  EXPECT_EQ(Variable_FindInstanceName("hp"), 1);
  EXPECT_EQ(Variable_FindInstanceName("lost"), -1);
  EXPECT_EQ(Variable_FindGlobalName(""), -1);  // unnamed entries are skipped
  EXPECT_EQ(Variable_GlobalNameCount(), 3);
  EXPECT_EQ(Variable_InstanceNameCount(), 2);
}

// A container holding texts, then a local-name table built from them.
struct LocalsData {
  std::vector<uint8_t> bytes{'F', 'O', 'R', 'M', 0, 0, 0, 0};
  uint32_t Text(const char* s) {
    const auto at = static_cast<uint32_t>(bytes.size());
    bytes.insert(bytes.end(), s, s + std::strlen(s) + 1);
    return at;
  }
  void Word(uint32_t w) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
  }
};

TEST_F(VariableNamesTest, UserNamesInMessagesComeFromTheTableOfTheScope) {
  Variable_BuiltinAdd("x", ReadNothing, nullptr);
  Variable_FindOrAddUser("user0");
  Variable_FindOrAddUser("user1");
  Variable_SetNameTableSizes(2, 2);
  Variable_SetName("global0", -5, 0);
  Variable_SetName("inst0", -1, 0);
  Variable_SetName("inst1", -1, 1);
  LocalsData data;
  const uint32_t code = data.Text("gml_Script_move");
  const uint32_t local0 = data.Text("i");
  const uint32_t local1 = data.Text("j");
  const auto table = static_cast<uint32_t>(data.bytes.size());
  for (uint32_t w : {1u, 2u, code, 0u, local0, 1u, local1}) data.Word(w);
  ContainerBytes container{data.bytes.data(), data.bytes.size()};
  ASSERT_TRUE(Variable_LoadCodeLocals(data.bytes.data() + table, 28, container));

  struct Case {
    bool version15;
    const char* code;
    int32_t scope;
    int32_t id;
    const char* name;
  };
  const Case cases[] = {
      {false, nullptr, -5, 100001, "user1"},  // old byte code: the user names, whatever the scope
      {false, nullptr, -2, 100000, "user0"},
      {false, nullptr, -1, 100002, "<unknown variable>"},
      {true, nullptr, -5, 100000, "global0"},
      {true, nullptr, -5, 100001, "<unknown variable>"},  // an entry never named
      {true, nullptr, -1, 100001, "inst1"},
      {true, nullptr, -9, 100000, "inst0"},
      {true, nullptr, -11, 100001, "inst1"},
      {true, nullptr, 100005, 100000, "inst0"},  // an instance id
      {true, nullptr, -1, 100002, "<unknown variable>"},
      {true, "gml_Script_move", -7, 100001, "j"},
      {true, "gml_Script_move", -12, 100000, "i"},
      {true, "gml_Script_other", -7, 100000, "<unknown variable>"},
      {true, nullptr, -7, 100000, "<unknown variable>"},
      {true, nullptr, -2, 100000, "<unknown variable>"},
      {true, nullptr, -5, 0, "x"},  // built-in ids are named by the built-in table
      {true, nullptr, -5, 12, "<unknown built-in variable>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.scope) + " " + std::to_string(c.id) + (c.version15 ? " v15" : " v14"));
    g_GameHeader.versionAtLeast15 = c.version15;
    EXPECT_STREQ(Variable_GetName(c.code, c.scope, c.id), c.name);
  }
  EXPECT_STREQ(Variable_GetUserName(nullptr, -5, 99999), "<unknown variable>");
}

TEST_F(VariableNamesTest, DamagedLocalNameTablesAreRefusedAndKeepThePreviousTables) {
  g_GameHeader.versionAtLeast15 = true;
  LocalsData data;
  const uint32_t code = data.Text("c");
  const uint32_t name = data.Text("kept");
  const auto good = static_cast<uint32_t>(data.bytes.size());
  for (uint32_t w : {1u, 1u, code, 0u, name}) data.Word(w);
  const auto huge = static_cast<uint32_t>(data.bytes.size());
  for (uint32_t w : {1u, 0x10000000u, code}) data.Word(w);        // more locals than the data holds
  const auto outside = static_cast<uint32_t>(data.bytes.size());
  for (uint32_t w : {1u, 1u, code, 0u, 0x7FFFFFF0u}) data.Word(w);  // a name beyond the container
  const auto endless = static_cast<uint32_t>(data.bytes.size());
  for (uint32_t w : {0xFFFFFFFFu}) data.Word(w);                   // more entries than the data holds
  ContainerBytes container{data.bytes.data(), data.bytes.size()};

  ASSERT_TRUE(Variable_LoadCodeLocals(data.bytes.data() + good, 20, container));
  EXPECT_FALSE(Variable_LoadCodeLocals(data.bytes.data() + good, 19, container));  // cut short
  EXPECT_FALSE(Variable_LoadCodeLocals(data.bytes.data() + huge, 12, container));
  EXPECT_FALSE(Variable_LoadCodeLocals(data.bytes.data() + outside, 20, container));
  EXPECT_FALSE(Variable_LoadCodeLocals(data.bytes.data() + endless, 4, container));
  EXPECT_FALSE(Variable_LoadCodeLocals(nullptr, 0, container));
  EXPECT_STREQ(Variable_GetUserName("c", -7, 100000), "kept");

  // An empty table replaces what was loaded.
  uint8_t none[4] = {0, 0, 0, 0};
  ASSERT_TRUE(Variable_LoadCodeLocals(none, 4, container));
  EXPECT_STREQ(Variable_GetUserName("c", -7, 100000), "<unknown variable>");
}

TEST_F(VariableNamesTest, SlotNamesOfTheGlobalObjectAreGlobalNamesOutsideObjectMode) {
  Variable_SetNameTableSizes(1, 2);
  Variable_SetName("shared", -5, 0);
  Variable_SetName("other", -1, 0);
  Variable_SetName("shared", -1, 1);
  WXObjectBase* previous = g_pGlobalObject;
  WXObjectBase global(1, static_cast<int32_t>(VALUE_UNSET));
  WXObjectBase plain(2, static_cast<int32_t>(VALUE_UNSET));
  g_pGlobalObject = &global;
  EXPECT_EQ(Variable_FindSlotName(&global, "shared"), 0);
  EXPECT_EQ(Variable_FindSlotName(&plain, "shared"), 1);
  Game_SetObjectMode(true);
  EXPECT_EQ(Variable_FindSlotName(&global, "shared"), 1);
  g_pGlobalObject = previous;
}

TEST_F(VariableNamesTest, GlobalNameFlagsCoverUserIdsBelow110000) {
  EXPECT_FALSE(Variable_IsGlobalVar(100000));  // nothing made yet
  Variable_SetGlobalFlag(100000, true);
  EXPECT_FALSE(Variable_IsGlobalVar(100000));

  Variable_InitGlobalFlags();
  EXPECT_EQ(Variable_GlobalFlagCount(), 10000);
  for (int32_t id : {100000, 109999}) {
    EXPECT_FALSE(Variable_IsGlobalVar(id));
    Variable_SetGlobalFlag(id, true);
    EXPECT_TRUE(Variable_IsGlobalVar(id));
  }
  for (int32_t outside : {99999, 110000, 5, -1}) {
    Variable_SetGlobalFlag(outside, true);
    EXPECT_FALSE(Variable_IsGlobalVar(outside));
  }
  Variable_Shutdown();
  EXPECT_FALSE(Variable_IsGlobalVar(100000));
  EXPECT_EQ(Variable_GlobalFlagCount(), 0);
}

}  // namespace
