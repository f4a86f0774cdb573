// The built-in function table: growth, replacement, entries, and the one name lookup for built-in
// functions, scripts and extension functions.
#include <string>

#include "core/registry_test_support.h"

namespace {

class FunctionRegistryTest : public RegistryTest {};

TEST_F(FunctionRegistryTest, GrowsBy500EntriesKeepingIndicesAndZeroTail) {
  for (int i = 0; i < 501; ++i) {
    const std::string name = "fn_" + std::to_string(i);
    Builtin_Add(name.c_str(), i % 2 == 0 ? NoOpHandler : OtherHandler, i % 7 - 1, static_cast<uint8_t>(i & 1));
    if (i == 499) {
      EXPECT_EQ(g_BuiltinCapacity, 500);
    }
  }
  EXPECT_EQ(g_BuiltinCount, 501);
  EXPECT_EQ(g_BuiltinCapacity, 1000);
  for (int i : {0, 1, 499, 500}) {
    const std::string name = "fn_" + std::to_string(i);
    int32_t id = -2;
    ASSERT_TRUE(Builtin_FindCallable(name.c_str(), &id)) << name;
    EXPECT_EQ(id, i);
    const BuiltinFunction& e = g_BuiltinFunctions[i];
    EXPECT_EQ(e.handler, i % 2 == 0 ? NoOpHandler : OtherHandler);
    EXPECT_EQ(e.argumentCount, i % 7 - 1);
    EXPECT_EQ(e.flag, i & 1);
    EXPECT_EQ(e.reserved, -1);
  }
  // Room beyond the count is zero, ready for the next registration.
  EXPECT_EQ(g_BuiltinFunctions[501].handler, nullptr);
  EXPECT_EQ(g_BuiltinFunctions[999].name[0], '\0');

  Builtin_Shutdown();
  EXPECT_EQ(g_BuiltinCount, 0);
  EXPECT_EQ(g_BuiltinCapacity, 0);
  EXPECT_EQ(g_BuiltinFunctions, nullptr);
  Builtin_Add("again", NoOpHandler, 0, 0);  // a restart registers from an empty table
  EXPECT_EQ(g_BuiltinCapacity, 500);
  int32_t id = -2;
  EXPECT_TRUE(Builtin_FindCallable("again", &id));
  EXPECT_EQ(id, 0);
}

TEST_F(FunctionRegistryTest, LongNamesAreCutTo63Bytes) {
  const std::string longName(80, 'n');
  Builtin_Add(longName.c_str(), NoOpHandler, 0, 0);
  EXPECT_EQ(std::string(g_BuiltinFunctions[0].name), longName.substr(0, 63));
}

TEST_F(FunctionRegistryTest, DuplicatesAreKeptAndTheFirstIsFoundAndReplaced) {
  Builtin_Add("dup", NoOpHandler, 1, 0);
  Builtin_Add("dup", NoOpHandler, 2, 0);
  int32_t id = -2;
  ASSERT_TRUE(Builtin_FindCallable("dup", &id));
  EXPECT_EQ(id, 0);
  EXPECT_EQ(g_BuiltinCount, 2);

  Builtin_Replace("dup", OtherHandler);
  EXPECT_EQ(g_BuiltinFunctions[0].handler, OtherHandler);
  EXPECT_EQ(g_BuiltinFunctions[1].handler, NoOpHandler);
  Builtin_Replace("missing", OtherHandler);  // nothing to replace
  Builtin_Replace("Dup", NoOpHandler);       // exact names only
  EXPECT_EQ(g_BuiltinFunctions[0].handler, OtherHandler);
}

TEST_F(FunctionRegistryTest, CallableLookupTriesScriptsThenExtensionsThenScriptExecuteThenBuiltins) {
  for (const char* name : {"draw_sprite", "shared", "script_execute", "ext_only"}) Builtin_Add(name, NoOpHandler, -1, 0);
  SetNames(Script_SetNames, {"scr_a", "shared", "scr_b"});
  SetNames(Extension_StandInSetFunctionNames, {"ext_x", "ext_only", "shared"});
  struct Case {
    const char* name;
    bool compiled;
    bool found;
    int32_t id;
  };
  const Case cases[] = {
      {"draw_sprite", true, true, 0},
      {"shared", true, true, 100001},            // a script hides both others
      {"ext_only", true, true, 500001},          // an extension function hides a built-in
      {"scr_b", true, true, 100002},
      {"ext_x", true, true, 500000},
      {"script_execute", true, true, 2},         // compiled: the table's own entry
      {"script_execute", false, true, 499999},   // byte code: the interpreter's
      {"Draw_Sprite", true, false, -1},          // exact comparison
      {"nothing", false, false, -1},
      {"", true, false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.compiled ? " compiled" : " byte code"));
    Game_SetCompiledMode(c.compiled);
    int32_t id = -2;
    EXPECT_EQ(Builtin_FindCallable(c.name, &id), c.found);
    EXPECT_EQ(id, c.id);
  }
  int32_t id = -2;
  EXPECT_FALSE(Builtin_FindCallable(nullptr, &id));
  EXPECT_EQ(id, -1);
}

TEST_F(FunctionRegistryTest, GetEntryFillsItsOutputsOnlyForIndicesOfTheTable) {
  Builtin_Add("first", NoOpHandler, 3, 1);
  Builtin_Add("second", OtherHandler, -1, 0);
  const BuiltinFunction* entry = nullptr;
  BuiltinHandler handler = nullptr;
  int32_t count = 99;
  uint8_t flag = 99;
  ASSERT_TRUE(Builtin_GetEntry(0, &entry, &handler, &count, &flag));
  EXPECT_STREQ(entry->name, "first");
  EXPECT_EQ(handler, NoOpHandler);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(flag, 1);

  for (int32_t outside : {-1, 2, 100000}) {
    SCOPED_TRACE(outside);
    const BuiltinFunction* untouchedEntry = entry;
    EXPECT_FALSE(Builtin_GetEntry(outside, &entry, &handler, &count, &flag));
    EXPECT_EQ(entry, untouchedEntry);
    EXPECT_EQ(handler, NoOpHandler);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(flag, 1);
  }
}

TEST_F(FunctionRegistryTest, CurrentBuiltinNamesTheEntryOrSaysItIsUnknown) {
  Builtin_Add("ds_list_add", NoOpHandler, -1, 0);
  Builtin_SetCurrent(0);
  EXPECT_STREQ(Builtin_CurrentName(), "ds_list_add");
  for (int32_t index : {-1, 1}) {
    Builtin_SetCurrent(index);
    EXPECT_STREQ(Builtin_CurrentName(), "<unknown built-in>");
  }
}

}  // namespace
