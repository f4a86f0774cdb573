// JSON text to and from maps and lists (json_encode, json_decode), and maps saved to files that
// only the same machine reads back.
#include <json-c/json.h>

#include <cmath>
#include <string>

#include "file_call.h"
#include "functions/ds_list.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "functions/json_functions.h"
#include "functions/secure_map.h"
#include "platform/system/machine_guid.h"

namespace file_test {
namespace {

class JsonTest : public FileFunctionsTest {
 protected:
  void SetUp() override {
    FileFunctionsTest::SetUp();
    Builtin_Add("ds_map_secure_save", F_DsMapSecureSave, 2, 0);
    Builtin_Add("ds_map_secure_load", F_DsMapSecureLoad, 1, 0);
    OS_SetMachineGuidForTesting("0f1e2d3c4b5a69788796a5b4c3d2e1f0");
  }
  void TearDown() override {
    OS_SetMachineGuidForTesting(nullptr);
    DS_FreeAll();
    FileFunctionsTest::TearDown();
  }

  static const CDS_MapEntry* Entry(int32_t map, const char* key) {
    RValue k = RValue_MakeUndefined();
    RValue_SetString(&k, key);
    const CDS_MapEntry* e = g_DsMaps.Get(map)->Find(&k);
    RValue_Release(&k);
    return e;
  }
  static std::string TextOf(const RValue& v) {
    return RValue_Kind(&v) == VALUE_STRING && v.pString != nullptr ? v.pString->text : "<not text>";
  }
  static int32_t Decode(const char* text) { return static_cast<int32_t>(CallReal("json_decode", {Text(text)})); }
};

TEST_F(JsonTest, DecodedTextsGiveTheirDefaultMembers) {
  const int32_t list = Decode(" [1, 2.5] ");
  ASSERT_GE(list, 0);
  const CDS_MapEntry* d = Entry(list, "default");
  ASSERT_NE(d, nullptr);
  ASSERT_NE(d->value.kind & KIND_FLAG_DSLIST, 0u);
  const CDS_List* l = g_DsLists.GetByReal(d->value.val);
  ASSERT_NE(l, nullptr);
  ASSERT_EQ(l->Size(), 2);
  EXPECT_EQ(l->GetValue(1)->val, 2.5);

  EXPECT_EQ(TextOf(Entry(Decode("hello"), "default")->value), "hello");
  EXPECT_EQ(TextOf(Entry(static_cast<int32_t>(CallReal("json_decode", {Real(5)})), "default")->value), "5.00");
  // One JSON string is valid JSON: its value, not -1.
  EXPECT_EQ(TextOf(Entry(Decode("\"abc\""), "default")->value), "abc");
  // Integers past 32 bits keep their value.
  EXPECT_EQ(Entry(Decode("{\"n\": 3000000000}"), "n")->value.val, 3000000000.0);
  // A null member is absent; a null element is 0; true is 1.
  const int32_t nulls = Decode("{\"gone\": null, \"a\": [null, true]}");
  EXPECT_EQ(Entry(nulls, "gone"), nullptr);
  const CDS_List* a = g_DsLists.GetByReal(Entry(nulls, "a")->value.val);
  EXPECT_EQ(a->GetValue(0)->val, 0.0);
  EXPECT_EQ(a->GetValue(1)->val, 1.0);
}

// The parse without wrapping (what secure files use) refuses everything off the strict grammar.
TEST_F(JsonTest, TheStrictParseRefusesMalformedText) {
  const char* malformed[] = {
      "",                    "5",                  "null",              "\"s\"",           "[1]",
      "{\"a\":{}",         "{\"a\":1} x",      "{\"a\":1,}",      "{/*c*/\"a\":1}",  "{\"a\":NaN}",
      "{\"a\":Infinity}",  "{\"a\":1.}",       "{\"a\":01}",      "{'a':1}",           "{\"a\":\"x\ty\"}",
      "{\"a\":0x10}",      "{\"a\":tru}",      "{\"a\":\"\\", "{",                 "{\"a\":[1,]}",
      "{\"a\":-}",         "{\"a\":+1}",       "{\"a\":.5}",      "{\"a\":1e}",      "{\"a\":1}{",
  };
  for (const char* text : malformed) EXPECT_EQ(F_JsonParseIntoMap(text, -1), -1) << text;
  EXPECT_EQ(g_DsMaps.Count(), 0);
  EXPECT_GE(F_JsonParseIntoMap(" {\"a\": [1, -2.5e3, true]}\n", -1), 0);
  // Nesting past the bound is refused, not followed.
  const std::string deep = "{\"a\":" + std::string(2000, '[') + std::string(2000, ']') + "}";
  EXPECT_EQ(F_JsonParseIntoMap(deep.c_str(), -1), -1);
}

// json_decode quotes what does not parse; text that cannot be quoted either gives -1.
TEST_F(JsonTest, DecodeOfUnquotableNonJsonGivesMinusOne) {
  for (const char* text : {"say \"hi\"", "{\"a\":{}", "[\"a\", ]", "{\"a\":NaN}", "\"open"}) {
    EXPECT_EQ(Decode(text), -1) << text;
  }
  EXPECT_EQ(g_DsMaps.Count(), 0);
  // Unbraced text without a quote is a word.
  EXPECT_EQ(TextOf(Entry(Decode("[1, 2"), "default")->value), "[1, 2");
}

TEST_F(JsonTest, EncodedMapsTakeTheSpacedFormWithSixDecimals) {
  const int32_t map = DS_CreateMap();
  CDS_Map* m = g_DsMaps.Get(map);
  m->AddPair("a", 1, nullptr);
  EXPECT_EQ(CallText("json_encode", {Real(map)}), "{ \"a\": 1.000000 }");
  m->Clear();
  RValue key = Text("u");
  RValue value = math_test::Undefined();
  m->Add(&key, &value);
  RValue_Release(&key);
  EXPECT_EQ(CallText("json_encode", {Real(map)}), "{ \"u\": { } }");
  m->Clear();
  key = Text("i");
  value = math_test::Int64(7);
  m->Add(&key, &value);
  RValue_Release(&key);
  EXPECT_EQ(CallText("json_encode", {Real(map)}), "{ \"i\": null }");
  m->Clear();
  m->AddPair("s", 0, "q\"/\f\n");
  EXPECT_EQ(CallText("json_encode", {Real(map)}), "{ \"s\": \"q\\\"\\/\\u000c\\n\" }");
  // A map that names nothing encodes as nothing.
  EXPECT_EQ(CallText("json_encode", {Real(map + 40)}), "");
  // JSON has no NaN or infinity: they encode as null, so the text stays readable.
  m->Clear();
  m->AddPair("n", std::nan(""), nullptr);
  EXPECT_EQ(CallText("json_encode", {Real(map)}), "{ \"n\": null }");
  const int32_t huge = Decode("{\"h\": 1e400}");
  EXPECT_EQ(CallText("json_encode", {Real(huge)}), "{ \"h\": null }");
}

TEST_F(JsonTest, ArraysFlattenAndASelfOwningMapEncodesItselfAsNull) {
  RValue grid = RValue_MakeUndefined();
  for (int r = 0; r < 2; ++r) {
    for (int c = 0; c < 2; ++c) {
      RValue n = Real(r * 2 + c);
      RValue_SetElement(&grid, &n, ArrayIndex_Pack(r, c));
    }
  }
  json_object* array = F_JsonFromValue(&grid);
  EXPECT_EQ(Json_Print(array), "[ 0.000000, 1.000000, 2.000000, 3.000000 ]");
  json_object_put(array);
  RValue_Release(&grid);

  const int32_t map = DS_CreateMap();
  RValue key = Text("me");
  RValue self = RValue_MakeReal(map);
  self.kind |= KIND_FLAG_DSMAP;
  g_DsMaps.Get(map)->Add(&key, &self);
  DS_RecordMark(g_DsMaps.Get(map)->Serial(), &self, KIND_FLAG_DSMAP);
  RValue_Release(&key);
  EXPECT_EQ(CallText("json_encode", {Real(map)}), "{ \"me\": null }");
}

TEST_F(JsonTest, DecodedNestingRoundTripsAndIsOwnedByItsMap) {
  const char* text = "{ \"m\": { \"l\": [ 1.000000, \"x\", { } ] } }";
  const int32_t map = Decode(text);
  ASSERT_GE(map, 0);
  EXPECT_EQ(CallText("json_encode", {Real(map)}), text);
  const int32_t maps = g_DsMaps.Count();
  ASSERT_GE(maps, 3);
  DS_DestroyMap(map);
  for (int32_t id = 0; id < g_DsMaps.Count(); ++id) EXPECT_EQ(g_DsMaps.Get(id), nullptr) << id;
  for (int32_t id = 0; id < g_DsLists.Count(); ++id) EXPECT_EQ(g_DsLists.Get(id), nullptr) << id;
}

TEST_F(JsonTest, SecureMapsRoundTripOnTheSameMachineOnly) {
  const int32_t map = DS_CreateMap();
  g_DsMaps.Get(map)->AddPair("name", 0, "Ada");
  g_DsMaps.Get(map)->AddPair("score", 12.5, nullptr);
  EXPECT_EQ(CallReal("ds_map_secure_save", {Real(map), Text("s/save.dat")}), 0);
  const std::string file = ReadAll(save + "s/save.dat");
  ASSERT_GT(file.size(), kSecureMapHeaderLength);
  EXPECT_EQ(file.substr(0, kSecureMapHeaderLength), SecureMap_BuildHeader());

  const int32_t loaded = static_cast<int32_t>(CallReal("ds_map_secure_load", {Text("s/save.dat")}));
  ASSERT_GE(loaded, 0);
  EXPECT_EQ(TextOf(Entry(loaded, "name")->value), "Ada");
  EXPECT_EQ(Entry(loaded, "score")->value.val, 12.5);

  // A missing map saves as an empty one.
  CallReal("ds_map_secure_save", {Real(999), Text("empty.dat")});
  const int32_t empty = static_cast<int32_t>(CallReal("ds_map_secure_load", {Text("empty.dat")}));
  ASSERT_GE(empty, 0);
  EXPECT_EQ(g_DsMaps.Get(empty)->Size(), 0);

  // One changed header digit, a cut file, a damaged body, a missing file: -1 and no map.
  std::string changed = file;
  changed[5] = changed[5] == '0' ? '1' : '0';
  WriteAll(save + "changed.dat", changed);
  WriteAll(save + "short.dat", file.substr(0, 40));
  WriteAll(save + "body.dat", file.substr(0, kSecureMapHeaderLength) + "!!!!" + file.substr(kSecureMapHeaderLength));
  const int32_t before = g_DsMaps.Count();
  for (const char* name : {"changed.dat", "short.dat", "body.dat", "missing.dat"}) {
    EXPECT_EQ(CallReal("ds_map_secure_load", {Text(name)}), -1) << name;
  }
  EXPECT_EQ(g_DsMaps.Count(), before);

  // Another machine cannot read it.
  OS_SetMachineGuidForTesting("ffffffff-another-machine");
  EXPECT_EQ(CallReal("ds_map_secure_load", {Text("s/save.dat")}), -1);
}

TEST_F(JsonTest, UnreadableIdentitiesShareAHeaderAndHighBytesAreSafe) {
  OS_SetMachineGuidForTesting("NOT SUPPORTED");
  const int32_t map = DS_CreateMap();
  g_DsMaps.Get(map)->AddPair("k", 1, nullptr);
  CallReal("ds_map_secure_save", {Real(map), Text("ns.dat")});
  OS_SetMachineGuidForTesting("");  // unreadable too
  EXPECT_GE(CallReal("ds_map_secure_load", {Text("ns.dat")}), 0);
  // Bytes of 0x80 and more pick a position inside the identity; a one-byte identity works too.
  const std::string high = SecureMap_HeaderFor("\xff\xfe\xfd\x80");
  EXPECT_EQ(high.size(), kSecureMapHeaderLength);
  EXPECT_NE(high, SecureMap_HeaderFor("x"));
  EXPECT_EQ(high.find_first_not_of("0123456789abcdef"), std::string::npos);
}

}  // namespace
}  // namespace file_test
