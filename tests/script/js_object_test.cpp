#include "script/js_object.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "core/type_conversions.h"
#include "script/accessor_calls.h"
#include "script_test_support.h"

namespace {

std::vector<std::string> g_calls;  // the natives run, in order

constexpr uint32_t kAll = kPropEnumerable | kPropConfigurable | kPropWritable;

// Object mode with four instance slots: 0 and 1 reserved, 2 and 3 named "slotA" and "slotB".
class JSObjectTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    Variable_ClearNames();
    Variable_SetNameTableSizes(0, 4);
    Variable_SetName("slotA", kScopeSelf, 2);
    Variable_SetName("slotB", kScopeSelf, 3);
    g_calls.clear();
  }
  void TearDown() override {
    JS_ClearException();
    for (int32_t i = 0; i < ObjectTable_Capacity(); ++i) WXObject_Free(ObjectTable_Entry(i));
    WXObject_FreePool();
    Variable_ClearNames();
    WorldTest::TearDown();
  }

  static WXObjectBase* NewObject() {
    RValue v = RValue_MakeUndefined();
    JS_NewOrdinaryObject(&v, nullptr, nullptr, 0, nullptr);
    return v.pObj;
  }
  static RValue ObjectValue(WXObjectBase* o) {
    RValue v = RValue_MakeUndefined();
    v.pObj = o;
    v.kind = VALUE_OBJECT;
    return v;
  }
  static RValue Real(double d, uint32_t flags) {
    RValue v = RValue_MakeReal(d);
    v.flags = flags;
    return v;
  }
  static RValue Text(const char* text) {
    RValue v = RValue_MakeUndefined();
    RValue_SetString(&v, text);
    return v;
  }
  // A native function of the object runtime.
  static WXObjectBase* Native(BuiltinHandler handler) {
    WXObjectBase* f = NewObject();
    f->AddString("[[Class]]", "Function", 0);
    f->AddCFunction("[[Call_Cpp]]", reinterpret_cast<void*>(handler), 0);
    return f;
  }
  // An accessor pair holding the functions (null leaves a half unset).
  static WXObjectBase* Pair(WXObjectBase* getter, WXObjectBase* setter) {
    WXObjectBase* pair = WXObject_Alloc(2, static_cast<int32_t>(VALUE_UNSET));
    pair->m_objectKind = kObjectKindAccessor;
    WXObjectBase* halves[2] = {getter, setter};
    for (int half = 0; half < 2; ++half) {
      if (halves[half] == nullptr) continue;
      pair->m_slots[half].pObj = halves[half];
      pair->m_slots[half].kind = VALUE_FUNCREF;
    }
    return pair;
  }
  static RValue Own(WXObjectBase* o, const char* name) {
    RValue v = RValue_MakeUndefined();
    JS_GetOwnProperty(o, &v, name);
    return v;
  }
  static std::string TextOf(const RValue& v) {
    return RValue_Kind(&v) == VALUE_STRING && v.pString != nullptr ? v.pString->text : "<not a string>";
  }
  static std::string PendingMessage() {
    if (!JS_ExceptionPending()) return "<nothing pending>";
    const RValue* e = JS_PendingException();
    RValue m = Own(e->pObj, "message");
    RValue n = Own(e->pObj, "name");
    const std::string text = TextOf(n) + ": " + TextOf(m);
    RValue_Release(&m);
    RValue_Release(&n);
    return text;
  }
};

WXObjectBase* ThisOf(CInstance* self) { return reinterpret_cast<WXObjectBase*>(self); }

void Getter42(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  g_calls.push_back("get");
  *result = RValue_MakeReal(42);
}
void ValueOf7(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  g_calls.push_back("valueOf");
  *result = RValue_MakeReal(7);
}
void ToStringText(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
  g_calls.push_back("toString");
  RValue_SetString(result, "text");
}
void ReturnsThis(RValue* result, CInstance* self, CInstance*, int32_t, RValue*) {
  g_calls.push_back("this");
  result->pObj = ThisOf(self);
  result->flags = 0;
  result->kind = VALUE_OBJECT;
}
void Throws(RValue*, CInstance*, CInstance*, int32_t, RValue*) {
  g_calls.push_back("throw");
  JS_ThrowRangeError("no");
}

TEST_F(JSObjectTest, OrdinaryObjectsCarryHiddenInternalMethods) {
  WXObjectBase* o = NewObject();
  for (const char* name : {"[[GetOwnProperty]]", "[[DefineOwnProperty]]", "[[Delete]]", "[[Class]]", "[[Extensible]]"}) {
    const CVariableNode* node = o->m_properties->FindByName(name);
    ASSERT_NE(node, nullptr) << name;
    EXPECT_EQ(node->value.flags, 0u) << name;
  }
  EXPECT_EQ(RValue_Kind(&o->m_properties->FindByName("[[Prototype]]")->value), VALUE_NULL);
  // With no "[[GetOwnProperty]]" anywhere on the chain the answer is unset, not undefined.
  WXObjectBase* bare = WXObject_Alloc(0, static_cast<int32_t>(VALUE_UNSET));
  RValue v = Own(bare, "x");
  EXPECT_EQ(RValue_Kind(&v), VALUE_UNSET);
  RValue toString = RValue_MakeUndefined();
  WXObjectBase* array = NewObject();
  array->AddString("[[Class]]", "Array", 0);
  JS_Object_ToString(&toString, reinterpret_cast<CInstance*>(array), nullptr, 0, nullptr);
  EXPECT_EQ(TextOf(toString), "[object Array]");
  RValue_Release(&toString);
}

TEST_F(JSObjectTest, DefineOwnPropertyFollowsTheAttributeRules) {
  WXObjectBase* o = NewObject();
  RValue five = Real(5, 0);
  ASSERT_EQ(JS_DefineOwnProperty(o, "p", &five, false), kDefineDone);
  RValue six = Real(6, 0);
  EXPECT_EQ(JS_DefineOwnProperty(o, "p", &five, false), kDefineDone);
  EXPECT_EQ(JS_DefineOwnProperty(o, "p", &six, false), kDefineRejected);
  EXPECT_EQ(JS_DefineOwnProperty(o, "p", &six, true), kDefineRejectedThrow);
  EXPECT_FALSE(JS_ExceptionPending());  // rejection raises nothing itself
  RValue p = Own(o, "p");
  EXPECT_EQ(p.val, 5.0);

  // Non-configurable: enumerable may be dropped, never gained; configurable never gained.
  RValue e = Real(1, kPropEnumerable);
  ASSERT_EQ(JS_DefineOwnProperty(o, "e", &e, false), kDefineDone);
  RValue quiet = Real(1, 0);
  EXPECT_EQ(JS_DefineOwnProperty(o, "e", &quiet, false), kDefineDone);
  EXPECT_EQ(JS_DefineOwnProperty(o, "e", &e, false), kDefineRejected);
  RValue configurable = Real(1, kPropConfigurable);
  EXPECT_EQ(JS_DefineOwnProperty(o, "e", &configurable, false), kDefineRejected);

  // Over an own property holding undefined, a definition always succeeds.
  RValue undefined = RValue_MakeUndefined();
  ASSERT_EQ(JS_DefineOwnProperty(o, "u", &undefined, false), kDefineDone);
  RValue seven = Real(7, kPropWritable);
  EXPECT_EQ(JS_DefineOwnProperty(o, "u", &seven, false), kDefineDone);
  RValue u = Own(o, "u");
  EXPECT_EQ(u.val, 7.0);
  EXPECT_EQ(u.flags, kPropWritable);

  // A numbered slot takes the value and its attributes.
  RValue text = Text("slot");
  text.flags = kAll;
  ASSERT_EQ(JS_DefineOwnProperty(o, "slotA", &text, false), kDefineDone);
  EXPECT_EQ(TextOf(o->m_slots[2]), "slot");
  EXPECT_EQ(o->m_slots[2].flags, kAll);
  EXPECT_EQ(o->m_properties->FindByName("slotA"), nullptr);
  RValue_Release(&text);

  // Not extensible: nothing new.
  o->AddReal("[[Extensible]]", 0.0, 0);
  EXPECT_EQ(JS_DefineOwnProperty(o, "fresh", &seven, false), kDefineRejected);
  RValue fresh = Own(o, "fresh");
  EXPECT_EQ(RValue_Kind(&fresh), VALUE_UNSET);
}

TEST_F(JSObjectTest, AGetterDefinedOverADataProperty) {
  WXObjectBase* o = NewObject();
  RValue data = Real(1, kPropConfigurable | kPropWritable);
  ASSERT_EQ(JS_DefineOwnProperty(o, "p", &data, false), kDefineDone);
  RValue accessor = ObjectValue(Pair(Native(&Getter42), nullptr));
  accessor.flags = kPropConfigurable;
  // The game goes on: the change of kind is no error, and a configurable property takes it.
  EXPECT_EQ(JS_DefineOwnProperty(o, "p", &accessor, false), kDefineDone);
  RValue got = RValue_MakeUndefined();
  JS_Get(o, &got, "p");
  EXPECT_EQ(got.val, 42.0);
  EXPECT_TRUE(JS_IsAccessor(&o->m_properties->FindByName("p")->value));

  RValue fixed = Real(1, 0);
  ASSERT_EQ(JS_DefineOwnProperty(o, "q", &fixed, false), kDefineDone);
  accessor.flags = 0;
  EXPECT_EQ(JS_DefineOwnProperty(o, "q", &accessor, false), kDefineRejected);
  RValue q = Own(o, "q");
  EXPECT_EQ(q.val, 1.0);
}

TEST_F(JSObjectTest, DeleteByAttributes) {
  WXObjectBase* o = NewObject();
  const struct {
    uint32_t attributes;
    bool deleted;
  } cases[] = {{4, false}, {6, true}, {7, true}, {2, true}, {0, false}};
  for (const auto& c : cases) {
    o->AddReal("p", 1, c.attributes);
    RValue result = RValue_MakeUndefined();
    JS_Delete(o, &result, "p", false);
    EXPECT_EQ(RValue_Kind(&result), VALUE_BOOL);
    EXPECT_EQ(result.val, c.deleted ? 1.0 : 0.0) << c.attributes;
    EXPECT_EQ(o->m_properties->FindByName("p") == nullptr, c.deleted) << c.attributes;
    EXPECT_FALSE(JS_ExceptionPending());
    if (!c.deleted) o->m_properties->Remove(o->m_properties->FindByName("p"));
  }
  RValue result = RValue_MakeUndefined();
  JS_Delete(o, &result, "missing", true);
  EXPECT_EQ(result.val, 1.0);

  o->AddReal("fixed", 1, kPropWritable);
  JS_Delete(o, &result, "fixed", true);
  EXPECT_EQ(result.val, 0.0);
  EXPECT_EQ(PendingMessage(), "TypeError: Trying to delete a non-configurable variable in a strict mode script.");

  // A slot becomes unset.
  o->m_slots[3] = Real(3, kAll);
  JS_Delete(o, &result, "slotB", false);
  EXPECT_EQ(result.val, 1.0);
  EXPECT_EQ(RValue_Kind(&o->m_slots[3]), VALUE_UNSET);
}

TEST_F(JSObjectTest, ArgumentsElements) {
  WXObjectBase* args = NewObject();
  args->AddString("[[Class]]", "Arguments", 0);
  args->AddCFunction("[[GetOwnProperty]]", reinterpret_cast<void*>(&JS_Arguments_GetOwnProperty), 0);
  args->AddReal("length", 2, kPropConfigurable | kPropWritable);
  WXObjectBase* store = WXObject_Alloc(8, static_cast<int32_t>(VALUE_UNDEFINED));
  for (int i = 0; i < 8; ++i) store->m_slots[i] = Real(10 + i, kAll);
  store->m_slotCount = 2;  // two arguments
  args->m_slots[1] = ObjectValue(store);

  RValue result = RValue_MakeUndefined();
  JS_Delete(args, &result, "0", false);
  EXPECT_EQ(result.val, 1.0);
  EXPECT_EQ(RValue_Kind(&store->m_slots[0]), VALUE_UNDEFINED);
  RValue length = Own(args, "length");
  EXPECT_EQ(length.val, 2.0);
  JS_Delete(args, &result, "5", false);
  EXPECT_EQ(result.val, 0.0);

  store->m_slotCount = 8;
  RValue seven = Own(args, "007");
  EXPECT_EQ(seven.val, 17.0);
  for (const char* ordinary : {"", "01x"}) {
    args->AddReal(ordinary, 99, kAll);
    RValue v = Own(args, ordinary);
    EXPECT_EQ(v.val, 99.0) << '"' << ordinary << '"';
  }
  // A write to an element goes to the store with the element's attributes.
  RValue five = Real(5, 0);
  JS_Put(args, &five, "1", false);
  EXPECT_EQ(store->m_slots[1].val, 5.0);
  EXPECT_EQ(store->m_slots[1].flags, kAll);
}

TEST_F(JSObjectTest, DescriptorsToAndFromObjects) {
  WXObjectBase* f = Native(&Getter42);
  RValue fv = ObjectValue(f);
  fv.flags = kAll;
  RValue one = Real(1, kAll);
  RValue undefined = RValue_MakeUndefined();
  undefined.flags = kAll;

  WXObjectBase* bad = NewObject();
  JS_Put(bad, &fv, "get", false);
  JS_Put(bad, &one, "value", false);
  RValue badValue = ObjectValue(bad);
  RValue descriptor = RValue_MakeUndefined();
  EXPECT_EQ(JS_ToPropertyDescriptor(&descriptor, &badValue), 1);
  EXPECT_EQ(JS_ToPropertyDescriptor(&descriptor, &one), 1);

  WXObjectBase* getOnly = NewObject();
  JS_DefineOwnProperty(getOnly, "get", &undefined, false);
  RValue getOnlyValue = ObjectValue(getOnly);
  ASSERT_EQ(JS_ToPropertyDescriptor(&descriptor, &getOnlyValue), 0);
  ASSERT_TRUE(JS_IsAccessor(&descriptor));
  EXPECT_EQ(RValue_Kind(&descriptor.pObj->m_slots[0]), VALUE_UNSET);

  WXObjectBase* data = NewObject();
  RValue yes = RValue_MakeUndefined();
  yes.kind = VALUE_BOOL;
  yes.val = 1.0;
  yes.flags = kAll;
  JS_Put(data, &one, "value", false);
  JS_Put(data, &yes, "enumerable", false);
  JS_Put(data, &yes, "writable", false);
  RValue dataValue = ObjectValue(data);
  ASSERT_EQ(JS_ToPropertyDescriptor(&descriptor, &dataValue), 0);
  EXPECT_EQ(descriptor.val, 1.0);
  EXPECT_EQ(descriptor.flags, kPropEnumerable | kPropWritable);

  RValue back = RValue_MakeUndefined();
  JS_FromPropertyDescriptor(&back, &descriptor);
  ASSERT_EQ(RValue_Kind(&back), VALUE_OBJECT);
  const struct {
    const char* name;
    double value;
  } fields[] = {{"value", 1}, {"writable", 1}, {"enumerable", 1}, {"configurable", 0}};
  for (const auto& field : fields) {
    RValue v = Own(back.pObj, field.name);
    EXPECT_EQ(v.val, field.value) << field.name;
  }
  RValue none = RValue_MakeUndefined();
  JS_FromPropertyDescriptor(&none, &undefined);
  EXPECT_EQ(RValue_Kind(&none), VALUE_UNDEFINED);
}

TEST_F(JSObjectTest, HasOwnPropertyAndPropertyIsEnumerable) {
  WXObjectBase* o = NewObject();
  RValue undefined = RValue_MakeUndefined();
  undefined.flags = kAll;
  JS_DefineOwnProperty(o, "u", &undefined, false);
  RValue accessor = ObjectValue(Pair(Native(&Getter42), nullptr));
  accessor.flags = kAll;
  JS_DefineOwnProperty(o, "p", &accessor, false);
  CInstance* self = reinterpret_cast<CInstance*>(o);

  RValue name = Text("u");
  RValue result = RValue_MakeUndefined();
  JS_Object_PropertyIsEnumerable(&result, self, self, 1, &name);
  EXPECT_EQ(RValue_Kind(&result), VALUE_REAL);
  EXPECT_EQ(result.val, 0.0);
  JS_Object_HasOwnProperty(&result, self, self, 1, &name);
  EXPECT_EQ(RValue_Kind(&result), VALUE_BOOL);
  EXPECT_EQ(result.val, 1.0);

  g_calls.clear();
  RValue_SetString(&name, "p");
  JS_Object_HasOwnProperty(&result, self, self, 1, &name);
  EXPECT_EQ(result.val, 1.0);
  EXPECT_EQ(g_calls, std::vector<std::string>{"get"});
  RValue_SetString(&name, "absent");
  JS_Object_HasOwnProperty(&result, self, self, 1, &name);
  EXPECT_EQ(result.val, 0.0);
  RValue_Release(&name);
}

TEST_F(JSObjectTest, CanPutAndPut) {
  WXObjectBase* proto = NewObject();
  RValue accessor = ObjectValue(Pair(nullptr, nullptr));
  accessor.flags = kAll;
  JS_DefineOwnProperty(proto, "a", &accessor, false);
  RValue fixed = Real(3, 0);
  JS_DefineOwnProperty(proto, "ro", &fixed, false);
  WXObjectBase* o = NewObject();
  o->AddObject("[[Prototype]]", proto, 0);
  // An inherited accessor leaves the answer to the object's extensibility.
  EXPECT_TRUE(JS_CanPut(o, "a"));
  EXPECT_FALSE(JS_CanPut(o, "ro"));  // an inherited read-only property
  RValue* extensible = JS_OwnRecord(o, "[[Extensible]]");
  extensible->val = 0.0;
  EXPECT_FALSE(JS_CanPut(o, "a"));
  extensible->val = 1.0;

  // Put over an own non-enumerable undefined makes it enumerable, configurable and writable.
  RValue undefined = RValue_MakeUndefined();
  JS_DefineOwnProperty(o, "u", &undefined, false);
  RValue two = Real(2, 0);
  JS_Put(o, &two, "u", false);
  RValue u = Own(o, "u");
  EXPECT_EQ(u.val, 2.0);
  EXPECT_EQ(u.flags, kAll);
  // An existing writable property keeps its attributes.
  RValue w = Real(1, kPropWritable);
  JS_DefineOwnProperty(o, "w", &w, false);
  JS_Put(o, &two, "w", false);
  RValue wv = Own(o, "w");
  EXPECT_EQ(wv.val, 2.0);
  EXPECT_EQ(wv.flags, kPropWritable);
  // A read-only one refuses; with throw a TypeError is pending.
  JS_Put(o, &two, "ro", false);
  EXPECT_FALSE(JS_ExceptionPending());
  JS_Put(o, &two, "ro", true);
  EXPECT_EQ(PendingMessage(), "TypeError: NoMessage");
}

TEST_F(JSObjectTest, SameValue) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  RValue t = RValue_MakeUndefined();
  t.kind = VALUE_BOOL;
  t.val = 1.0;
  const struct {
    RValue a, b;
    bool same;
  } cases[] = {
      {RValue_MakeReal(nan), RValue_MakeReal(nan), false}, {RValue_MakeReal(0.0), RValue_MakeReal(-0.0), true},
      {t, t, true}, {RValue_MakeReal(1), t, false}, {RValue_MakeUndefined(), RValue_MakeUndefined(), true},
  };
  for (const auto& c : cases) EXPECT_EQ(JS_SameValue(&c.a, &c.b), c.same);
  RValue x = Text("ab");
  RValue y = Text("ab");
  EXPECT_TRUE(JS_SameValue(&x, &y));
  RValue_Release(&x);
  RValue_Release(&y);
}

TEST_F(JSObjectTest, ObjectsConvertThroughDefaultValue) {
  WXObjectBase* o = NewObject();
  RValue valueOf = ObjectValue(Native(&ValueOf7));
  valueOf.flags = kAll;
  RValue toString = ObjectValue(Native(&ToStringText));
  toString.flags = kAll;
  JS_Put(o, &valueOf, "valueOf", false);
  JS_Put(o, &toString, "toString", false);
  RValue ov = ObjectValue(o);
  RValue out = RValue_MakeUndefined();
  ASSERT_EQ(F_JS_ToNumber(&out, &ov), kConvertDone);
  EXPECT_EQ(out.val, 7.0);
  ASSERT_EQ(F_JS_ToString(&out, &ov), kConvertDone);
  EXPECT_EQ(TextOf(out), "text");
  // No hint: valueOf first, but toString first for a Date.
  g_calls.clear();
  ASSERT_EQ(F_JS_ToPrimitive(&out, &ov, kHintNone), kConvertDone);
  o->AddString("[[Class]]", "Date", 0);
  ASSERT_EQ(F_JS_ToPrimitive(&out, &ov, kHintNone), kConvertDone);
  EXPECT_EQ(g_calls, (std::vector<std::string>{"valueOf", "toString"}));
  RValue_Release(&out);

  // Both giving objects: no conversion.
  WXObjectBase* selfish = NewObject();
  RValue returnsThis = ObjectValue(Native(&ReturnsThis));
  returnsThis.flags = kAll;
  JS_Put(selfish, &returnsThis, "valueOf", false);
  JS_Put(selfish, &returnsThis, "toString", false);
  RValue sv = ObjectValue(selfish);
  EXPECT_EQ(F_JS_ToNumber(&out, &sv), kConvertImpossible);
  // A throwing valueOf stops at once with the exception pending.
  RValue throws = ObjectValue(Native(&Throws));
  throws.flags = kAll;
  JS_Put(selfish, &throws, "valueOf", false);
  EXPECT_EQ(F_JS_ToNumber(&out, &sv), kConvertExceptionPending);
  EXPECT_EQ(PendingMessage(), "RangeError: no");

  // isNaN and isFinite.
  RValue result = RValue_MakeUndefined();
  JS_IsNaN(&result, nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(result.val, 1.0);
  RValue abc = Text("abc");
  JS_IsNaN(&result, nullptr, nullptr, 1, &abc);
  EXPECT_EQ(result.val, 1.0);
  RValue twelve = Text("12");
  JS_IsFinite(&result, nullptr, nullptr, 1, &twelve);
  EXPECT_EQ(RValue_Kind(&result), VALUE_BOOL);
  EXPECT_EQ(result.val, 1.0);
  RValue_Release(&abc);
  RValue_Release(&twelve);

  // ToObject.
  RValue undefined = RValue_MakeUndefined();
  EXPECT_EQ(F_JS_ToObject(&out, &undefined), kConvertImpossible);
  RValue t = RValue_MakeUndefined();
  t.kind = VALUE_BOOL;
  t.val = 1.0;
  ASSERT_EQ(F_JS_ToObject(&out, &t), kConvertDone);
  RValue primitive = Own(out.pObj, "[[PrimitiveValue]]");
  EXPECT_EQ(primitive.val, 1.0);
}

TEST_F(JSObjectTest, BooleanAndErrorFactories) {
  RValue zero = RValue_MakeReal(0);
  RValue b = RValue_MakeUndefined();
  JS_Boolean_Construct(&b, nullptr, nullptr, 1, &zero);
  RValue pv = Own(b.pObj, "[[PrimitiveValue]]");
  EXPECT_EQ(RValue_Kind(&pv), VALUE_REAL);
  EXPECT_EQ(pv.val, 0.0);
  RValue cls = Own(b.pObj, "[[Class]]");
  EXPECT_EQ(TextOf(cls), "Boolean");
  RValue_Release(&cls);
  ASSERT_EQ(RValue_Kind(&b.pObj->m_slots[0]), VALUE_OBJECT);
  const RValue* back = JS_OwnRecord(b.pObj->m_slots[0].pObj, "constructor");
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->pObj, b.pObj);

  RValue one = RValue_MakeReal(1);
  RValue call = RValue_MakeUndefined();
  JS_Boolean_Call(&call, nullptr, nullptr, 1, &one);
  EXPECT_EQ(RValue_Kind(&call), VALUE_BOOL);
  EXPECT_EQ(call.val, 1.0);
  JS_Boolean_Call(&call, nullptr, nullptr, 0, nullptr);
  EXPECT_EQ(call.val, 0.0);

  RValue bad = Text("bad");
  RValue e = RValue_MakeUndefined();
  JS_TypeError_Construct(&e, nullptr, nullptr, 1, &bad);
  for (const auto& [name, text] : {std::pair{"message", "bad"}, {"name", "TypeError"}, {"[[Class]]", "Error"}}) {
    RValue v = Own(e.pObj, name);
    EXPECT_EQ(TextOf(v), text);
    RValue_Release(&v);
  }
  RValue_Release(&bad);
  JS_Error_Construct(&e, nullptr, nullptr, 0, nullptr);
  RValue message = Own(e.pObj, "message");
  EXPECT_EQ(TextOf(message), "");
  RValue_Release(&message);
}

TEST_F(JSObjectTest, DateFactory) {
  auto time = [](std::vector<double> parts) {
    std::vector<RValue> args;
    for (double d : parts) args.push_back(RValue_MakeReal(d));
    RValue date = RValue_MakeUndefined();
    JS_Date_Construct(&date, nullptr, nullptr, static_cast<int32_t>(args.size()), args.data());
    const RValue* pv = JS_OwnRecord(date.pObj, "[[PrimitiveValue]]");
    return pv->val;
  };
  EXPECT_EQ(time({99, 0}), 915148800000.0);        // 1999-01-01
  EXPECT_EQ(time({100, 0}), -59011459200000.0);    // year 100
  EXPECT_EQ(time({2000, 1, 29, 12, 30}), 951827400000.0);
  EXPECT_EQ(time({2001, 13, 1}), 1012521600000.0);  // month 13 is the next year's February
  EXPECT_TRUE(std::isnan(time({std::numeric_limits<double>::quiet_NaN(), 0})));
  EXPECT_EQ(std::fmod(time({}), 1000.0), 0.0);
  EXPECT_EQ(time({1234.5}), 1234.5);
}

}  // namespace
