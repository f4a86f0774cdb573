#include "functions/json_objects.h"

#include <gtest/gtest.h>
#include <json-c/json.h>

#include <cstring>
#include <string>

#include "functions/json_functions.h"
#include "script/js_object.h"
#include "script/wx_object.h"

namespace {

class JsonObjectsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (int32_t i = 0; i < ObjectTable_Capacity(); ++i) {
      if (ObjectTable_Entry(i) != nullptr && ObjectTable_Entry(i)->m_objectKind == kObjectKindPlain) {
        WXObject_Free(ObjectTable_Entry(i));
      }
    }
  }
  static RValue Own(WXObjectBase* o, const char* name) {
    RValue v = RValue_MakeUndefined();
    JS_GetOwnProperty(o, &v, name);
    return v;
  }
  static std::string Stringify(WXObjectBase* o) {
    RValue arg = RValue_MakeUndefined();
    arg.pObj = o;
    arg.kind = VALUE_OBJECT;
    RValue out = RValue_MakeUndefined();
    JS_JSON_Stringify(&out, nullptr, nullptr, 1, &arg);
    std::string text = out.pString->text;
    RValue_Release(&out);
    return text;
  }
  static WXObjectBase* NewObject() {
    RValue v = RValue_MakeUndefined();
    JS_NewOrdinaryObject(&v, nullptr, nullptr, 0, nullptr);
    return v.pObj;
  }
};

TEST_F(JsonObjectsTest, ParsedObjectsBecomeObjects) {
  const char* text = R"({"b": 2, "skip": null, "s": "x", "t": true, "o": {"in": 1}, "a": [1, 2]})";
  json_object* parsed = Json_Parse(text, std::strlen(text));
  ASSERT_NE(parsed, nullptr);
  RValue result;
  JS_ObjectFromJson(parsed, &result);
  json_object_put(parsed);
  WXObjectBase* o = result.pObj;
  RValue skip = Own(o, "skip");
  EXPECT_EQ(RValue_Kind(&skip), VALUE_UNSET);
  RValue b = Own(o, "b");
  EXPECT_EQ(b.val, 2.0);
  EXPECT_EQ(b.flags, kPropEnumerable | kPropConfigurable | kPropWritable);
  RValue s = Own(o, "s");
  EXPECT_STREQ(s.pString->text, "x");
  RValue_Release(&s);
  RValue t = Own(o, "t");
  EXPECT_EQ(t.val, 1.0);
  RValue a = Own(o, "a");
  EXPECT_EQ(RValue_Kind(&a), VALUE_REAL);
  EXPECT_EQ(a.val, 0.0);
  RValue nested = Own(o, "o");
  ASSERT_EQ(RValue_Kind(&nested), VALUE_OBJECT);
  RValue in = Own(nested.pObj, "in");
  EXPECT_EQ(in.val, 1.0);
  // Written back, the members come out as the object holds them.
  EXPECT_NE(Stringify(o).find(R"("b": 2)"), std::string::npos);
}

TEST_F(JsonObjectsTest, StringifyWritesOwnEnumerableProperties) {
  const struct {
    RValue value;
    const char* text;
  } cases[] = {
      {[] { RValue v = RValue_MakeReal(1.0); v.kind = VALUE_BOOL; return v; }(), R"({ "p": null })"},
      {RValue_MakeUndefined(), R"({ "p": { } })"},
      {RValue_MakeReal(1.5), R"({ "p": 1.500000 })"},
  };
  for (const auto& c : cases) {
    WXObjectBase* o = NewObject();
    RValue v = c.value;
    v.flags = kPropEnumerable | kPropConfigurable | kPropWritable;
    JS_DefineOwnProperty(o, "p", &v, false);
    RValue hidden = RValue_MakeReal(9);
    JS_DefineOwnProperty(o, "hidden", &hidden, false);  // not enumerable
    EXPECT_EQ(Stringify(o), c.text);
  }
  // A non-object as F_JsonFromValue writes it; no argument gives undefined.
  RValue text = RValue_MakeUndefined();
  RValue_SetString(&text, "a");
  RValue out = RValue_MakeReal(3);
  JS_JSON_Stringify(&out, nullptr, nullptr, 1, &text);
  EXPECT_STREQ(out.pString->text, "\"a\"");
  JS_JSON_Stringify(&out, nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(RValue_Kind(&out), VALUE_UNDEFINED);
  RValue_Release(&text);
}

}  // namespace
