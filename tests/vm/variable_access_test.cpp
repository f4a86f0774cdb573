// Variable access by id: one object, the targets of other instances with their messages, the
// global object, the scope chain of object mode and the globals' saved form.
#include "vm/variable_access.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/registry_test_support.h"
#include "io/buffer.h"
#include "script/variable_list.h"
#include "script/wx_object.h"
#include "vm/scope_chain.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/instance_queues.h"
#include "world/room.h"

namespace {

constexpr int32_t kNone = ARRAY_INDEX_NONE;
constexpr int32_t kSlot0 = 100000;
constexpr int32_t kSlot1 = 100001;

// Built-in variables: "x" with a setter, "instance_count" without one, and "probe", which records
// the instance it was called with.
CInstance* g_probed = nullptr;
int g_probeCalls = 0;
bool GetX(CInstance* i, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeReal(i->x);
  return true;
}
bool SetX(CInstance* i, int32_t, const RValue* v) {
  i->x = static_cast<float>(v->val);
  return true;
}
bool GetCount(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakeReal(3);
  return true;
}
bool Probe(CInstance* i, int32_t, RValue* out) {
  g_probed = i;
  ++g_probeCalls;
  RValue_Release(out);
  *out = RValue_MakeReal(-8);
  return true;
}
bool ProbeSet(CInstance* i, int32_t, const RValue*) {
  g_probed = i;
  ++g_probeCalls;
  return false;
}

double RealOf(const RValue& v) { return RValue_Kind(&v) == VALUE_REAL ? v.val : std::nan(""); }

class VariableAccessTest : public RegistryTest {
 protected:
  void SetUp() override {
    RegistryTest::SetUp();
    Variable_BuiltinAdd("x", GetX, SetX);
    Variable_BuiltinAdd("instance_count", GetCount, nullptr);
    Variable_BuiltinAdd("probe", Probe, ProbeSet);
    Variable_SetNameTableSizes(0, 2);
    g_probed = nullptr;
    g_probeCalls = 0;
    Variable_InstanceMissing = false;
  }
  void TearDown() override {
    Room_Current = nullptr;
    m_room.active = InstanceList();  // the fixture deletes its instances itself
    m_room.inactive = InstanceList();
    InstanceQueues_Clear();
    Room_ActivationQueue.Clear();
    for (CInstance* i : m_instances) delete i;
    InstanceIdTable.Clear(kDisposeNone);
    RegistryTest::TearDown();
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
  // An instance of the object with `value` in slot 0, in the room's active list and the id table.
  CInstance* NewInstance(int32_t objectIndex, int32_t id, double value, bool inRoom = true) {
    auto* i = new CInstance(0, 0, id, objectIndex, true);
    m_instances.push_back(i);
    InstanceIdTable.Insert(id, i);
    const RValue v = RValue_MakeReal(value);
    Variable_SetValue(i, kSlot0, kNone, &v);
    if (inRoom) m_room.active.InsertByDepth(i);
    return i;
  }

  CRoom m_room;
  std::vector<CInstance*> m_instances;
};

TEST_F(VariableAccessTest, OneObjectBuiltinsSlotsAndTheVariableMap) {
  CObject* o = NewObject("obj");
  CInstance* inst = NewInstance(o->index, 100001, 5);
  RValue out = RValue_MakeUndefined();

  const RValue seven = RValue_MakeReal(7);
  EXPECT_TRUE(Variable_SetValue(inst, 0, kNone, &seven));
  EXPECT_EQ(inst->x, 7.0f);
  EXPECT_TRUE(Variable_GetValue(inst, 0, kNone, &out));
  EXPECT_EQ(RealOf(out), 7.0);
  EXPECT_FALSE(Variable_SetValue(inst, 1, kNone, &seven));  // no setter
  EXPECT_TRUE(Variable_GetValue(inst, 1, kNone, &out));
  EXPECT_EQ(RealOf(out), 3.0);

  EXPECT_TRUE(Variable_GetValue(inst, kSlot0, kNone, &out));
  EXPECT_EQ(RealOf(out), 5.0);
  // Beyond the value array: the variable map holds it, and reads find it there.
  const RValue nine = RValue_MakeReal(9);
  EXPECT_TRUE(Variable_SetValue(inst, 100005, kNone, &nine));
  EXPECT_TRUE(Variable_GetValue(inst, 100005, kNone, &out));
  EXPECT_EQ(RealOf(out), 9.0);
  ASSERT_NE(inst->m_properties, nullptr);
  EXPECT_NE(inst->m_properties->Find(100005), nullptr);
  // An element write and read through the slot.
  EXPECT_TRUE(Variable_SetValue(inst, kSlot1, ArrayIndex_Pack(1, 2), &nine));
  EXPECT_TRUE(Variable_GetValue(inst, kSlot1, ArrayIndex_Pack(1, 2), &out));
  EXPECT_EQ(RealOf(out), 9.0);

  // Ids that name nothing.
  for (int32_t id : {-1, 3, 9999, 10000, 99999}) {
    SCOPED_TRACE(id);
    EXPECT_FALSE(Variable_GetValue(inst, id, kNone, &out));
    EXPECT_FALSE(Variable_SetValue(inst, id, kNone, &seven));
  }
  EXPECT_FALSE(Variable_GetValue(nullptr, kSlot0, kNone, &out));

  // A built-in variable of an object that is not an instance gets no instance.
  WXObjectBase plain(1, static_cast<int32_t>(VALUE_UNSET));
  g_probed = inst;
  EXPECT_TRUE(Variable_GetValue(&plain, 2, kNone, &out));
  EXPECT_EQ(g_probed, nullptr);
  // An object without a variable map reads a missing variable as 0, without making a map.
  delete plain.m_properties;
  plain.m_properties = nullptr;
  EXPECT_TRUE(Variable_GetValue(&plain, 100004, kNone, &out));
  EXPECT_EQ(RealOf(out), 0.0);
  EXPECT_EQ(plain.m_properties, nullptr);
  RValue_Release(&out);
}

// Objects: A, B (child of A), C, D, E, F, G. In the room: a marked D first, then B's instance,
// a deactivated C, F's instance changed to E this step, and G's instance waiting to be activated.
class TargetTest : public VariableAccessTest {
 protected:
  void SetUp() override {
    VariableAccessTest::SetUp();
    CObject* a = NewObject("objA");
    NewObject("objB", a);
    for (const char* name : {"objC", "objD", "objE", "objF", "objG"}) NewObject(name);
    m_marked = NewInstance(3, 100003, 33);
    m_marked->marked = true;
    m_b = NewInstance(1, 100001, 11);
    m_deactivated = NewInstance(2, 100002, 22, false);
    m_deactivated->deactivated = true;
    m_room.inactive.Append(m_deactivated);
    m_changed = NewInstance(5, 100004, 44);
    m_changed->ChangeObject(4);
    m_activating = NewInstance(6, 100006, 66, false);
    m_activating->object_def->RemoveInstance(m_activating);  // activation joins the lists later
    Room_ActivationQueue.AddUnique(m_activating);
    Room_Current = &m_room;
  }

  CInstance* m_marked = nullptr;
  CInstance* m_b = nullptr;
  CInstance* m_deactivated = nullptr;
  CInstance* m_changed = nullptr;
  CInstance* m_activating = nullptr;
};

TEST_F(TargetTest, ReadsByTarget) {
  struct Case {
    int32_t target;
    bool found;
    double value;
  };
  const Case cases[] = {
      {-1, false, 0},     {-2, false, 0},      {-4, false, 0},
      {-3, true, 11},                                  // the first active instance of the room
      {0, true, 11},                                   // an object finds its child's instances
      {1, true, 11},      {2, false, 0},                // only a deactivated instance
      {100002, true, 22},                              // ... which its id still reaches
      {3, false, 0},      {100003, false, 0},           // only a marked instance
      {4, true, 44},                                   // through the object-change queue
      {5, true, 44},                                   // its old object's lists until the relink
      {6, true, 66},                                   // through the activation queue
      {7, false, 0},      {100099, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    Variable_InstanceMissing = c.found;  // cleared or set by every read
    RValue out = RValue_MakeReal(-1);
    EXPECT_EQ(Variable_GetFromTarget(c.target, kSlot0, kNone, &out), c.found);
    EXPECT_EQ(Variable_InstanceMissing, !c.found);
    EXPECT_EQ(RealOf(out), c.found ? c.value : -1.0);
  }
  RValue out = RValue_MakeUndefined();
  ASSERT_TRUE(Variable_GetFromTarget(100001, 0, kNone, &out));  // built-in variables too
  EXPECT_EQ(RealOf(out), 0.0);
  Room_Current = nullptr;
  EXPECT_FALSE(Variable_GetFromTarget(-3, kSlot0, kNone, &out));
  EXPECT_TRUE(Variable_InstanceMissing);
}

TEST_F(TargetTest, ObjectNamesOfTargets) {
  const struct {
    int32_t target;
    const char* name;
  } cases[] = {
      {-3, "objB"},     {0, "objA"},  {100002, "objC"}, {100004, "objE"}, {100003, "<unknown_object>"},
      {99, "<undefined>"}, {-1, "<unknown_object>"}, {100099, "<unknown_object>"},
  };
  for (const auto& c : cases) EXPECT_STREQ(Variable_TargetObjectName(c.target), c.name) << c.target;
  Variable_InstanceMissing = false;
  m_room.active = InstanceList();
  EXPECT_STREQ(Variable_TargetObjectName(-3), "<unknown_object>");
  EXPECT_TRUE(Variable_InstanceMissing);
}

TEST_F(TargetTest, WritesByTargetAndTheMessageWhenNoneIsWritten) {
  struct Case {
    int32_t target;
    bool result;
    std::vector<CInstance*> written;
    const char* message;
  };
  const Case cases[] = {
      {-3, true, {m_b, m_changed}, nullptr},
      {0, true, {m_b}, nullptr},
      {4, true, {m_changed}, nullptr},
      {100002, true, {m_deactivated}, nullptr},
      {100003, false, {}, "Unable to find any instance for object index '100003'"},
      {3, false, {}, "Unable to find any instance for object index '3'"},
      {2, false, {}, "Unable to find any instance for object index '2'"},
      {99, false, {}, "Unable to find any instance for object index '99'"},
      {-1, false, {}, nullptr},
      {-2, false, {}, nullptr},
  };
  double next = 100;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    RuntimeErrorCapture::Reset();
    std::vector<double> before;
    for (CInstance* i : m_instances) before.push_back(i->m_slots[0].val);
    const RValue v = RValue_MakeReal(++next);
    EXPECT_EQ(Variable_SetOnTarget(c.target, kSlot0, kNone, &v), c.result);
    for (size_t k = 0; k < m_instances.size(); ++k) {
      const bool expected = std::find(c.written.begin(), c.written.end(), m_instances[k]) != c.written.end();
      EXPECT_EQ(m_instances[k]->m_slots[0].val, expected ? next : before[k]) << "instance " << m_instances[k]->id;
    }
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.message != nullptr ? c.message : "");
  }

  // The result is the last setter's: a built-in without a setter writes nothing but is reached.
  RuntimeErrorCapture::Reset();
  const RValue v = RValue_MakeReal(1);
  EXPECT_FALSE(Variable_SetOnTarget(100001, 1, kNone, &v));
  EXPECT_FALSE(RuntimeErrorCapture::Reported());

  Room_Current = nullptr;
  EXPECT_FALSE(Variable_SetOnTarget(-3, kSlot0, kNone, &v));
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "Unable to find any instance for object index '-3'");
}

TEST_F(TargetTest, SlotReadsAndWritesByPositionLeaveTheMissingFlagAlone) {
  const RValue v = RValue_MakeReal(5);
  EXPECT_TRUE(Variable_SetArrayOnTarget(0, 1, ArrayIndex_Pack(0, 3), &v));
  EXPECT_TRUE(Variable_SetArrayOnTarget(2, 1, kNone, &v));  // nobody to write: no message
  EXPECT_TRUE(Variable_SetArrayOnTarget(1, 9, kNone, &v));  // no such slot: skipped
  EXPECT_FALSE(Variable_SetArrayOnTarget(-1, 1, kNone, &v));
  EXPECT_FALSE(RuntimeErrorCapture::Reported());

  for (bool missing : {false, true}) {
    Variable_InstanceMissing = missing;
    RValue out = RValue_MakeUndefined();
    EXPECT_TRUE(Variable_GetArrayFromTarget(1, 1, ArrayIndex_Pack(0, 3), &out));
    EXPECT_EQ(RealOf(out), 5.0);
    EXPECT_TRUE(Variable_GetArrayFromInstanceId(100002, 0, kNone, &out));
    EXPECT_EQ(RealOf(out), 22.0);
    EXPECT_TRUE(Variable_GetArrayFromObject(6, 0, kNone, &out));
    EXPECT_EQ(RealOf(out), 66.0);
    EXPECT_TRUE(Variable_GetArrayFromTarget(-3, 0, kNone, &out));
    EXPECT_EQ(RealOf(out), 11.0);
    EXPECT_FALSE(Variable_GetArrayFromTarget(3, 0, kNone, &out));
    EXPECT_FALSE(Variable_GetArrayFromTarget(1, 2, kNone, &out));
    EXPECT_FALSE(Variable_GetArrayFromTarget(-1, 0, kNone, &out));
    EXPECT_EQ(Variable_InstanceMissing, missing);
    RValue_Release(&out);
  }
}

// The global object: two slots named "score_g" and "draw_sprite", and a named property "named".
class GlobalTest : public VariableAccessTest {
 protected:
  void SetUp() override {
    VariableAccessTest::SetUp();
    g_GameHeader.versionAtLeast15 = true;
    Variable_SetNameTableSizes(4, 2);
    Variable_SetName("score_g", -5, 0);
    Variable_SetName("draw_sprite", -5, 1);
    Variable_SetName("named", -5, 2);
    Variable_SetName("scr_run", -5, 3);
    Builtin_Add("something", NoOpHandler, 0, 0);
    Builtin_Add("draw_sprite", OtherHandler, 4, 0);
    m_previous = g_pGlobalObject;
    g_pGlobalObject = &m_global;
  }
  void TearDown() override {
    g_pGlobalObject = m_previous;
    VariableAccessTest::TearDown();
  }
  WXObjectBase m_global{2, static_cast<int32_t>(VALUE_UNSET)};
  WXObjectBase* m_previous = nullptr;
};

TEST_F(GlobalTest, WritesKeepTheSlotsAttributesAndNewOnesGet7) {
  const RValue v = RValue_MakeReal(12);
  ASSERT_TRUE(Variable_SetGlobal(kSlot0, kNone, &v));
  EXPECT_EQ(m_global.m_slots[0].flags, 7u);
  m_global.m_slots[0].flags = kPropEnumerable;
  const RValue w = RValue_MakeReal(13);
  ASSERT_TRUE(Variable_SetGlobal(kSlot0, kNone, &w));
  EXPECT_EQ(m_global.m_slots[0].flags, kPropEnumerable);
  RValue out = RValue_MakeUndefined();
  ASSERT_TRUE(Variable_GetGlobal(kSlot0, kNone, &out));
  EXPECT_EQ(RealOf(out), 13.0);

  // Beyond the slots: the variable map.
  ASSERT_TRUE(Variable_SetGlobal(100007, kNone, &v));
  ASSERT_TRUE(Variable_GetGlobal(100007, kNone, &out));
  EXPECT_EQ(RealOf(out), 12.0);
  // Built-in ids run the built-in variable without an instance.
  g_probed = reinterpret_cast<CInstance*>(uintptr_t{16});  // never dereferenced
  ASSERT_TRUE(Variable_GetGlobal(2, kNone, &out));
  EXPECT_EQ(RealOf(out), -8.0);
  EXPECT_EQ(g_probed, nullptr);
  EXPECT_FALSE(Variable_SetGlobal(1, kNone, &v));

  g_pGlobalObject = nullptr;
  EXPECT_FALSE(Variable_GetGlobal(kSlot0, kNone, &out));
  EXPECT_FALSE(Variable_SetGlobal(kSlot0, kNone, &v));
}

TEST_F(GlobalTest, AnUnsetSlotIsLookedUpByNameThenAsABuiltinFunction) {
  RValue out = RValue_MakeUndefined();
  // A built-in function of the slot's name reads as a function object calling its handler.
  ASSERT_TRUE(Variable_GetGlobal(kSlot1, kNone, &out));
  ASSERT_EQ(RValue_Kind(&out), VALUE_OBJECT);
  const CVariableNode* call = out.pObj->m_properties->FindByName("[[Call_Cpp]]");
  ASSERT_NE(call, nullptr);
  EXPECT_EQ(call->value.ptr, reinterpret_cast<void*>(&OtherHandler));
  WXObjectBase* function = out.pObj;
  RValue_Release(&out);
  WXObject_Free(function);

  // A named property of the global object of that name comes first.
  CVariableNode* node = CVariableList::NewNameNode("draw_sprite");
  node->value.val = 4.5;
  m_global.m_properties->Add(node);
  ASSERT_TRUE(Variable_GetGlobal(kSlot1, kNone, &out));
  EXPECT_EQ(RealOf(out), 4.5);

  // A script of the name is no built-in function: the slot's unset value is the result.
  SetNames(Script_SetNames, {"draw_sprite"});
  delete m_global.m_properties;
  m_global.m_properties = nullptr;
  ASSERT_TRUE(Variable_GetGlobal(kSlot1, kNone, &out));
  EXPECT_EQ(RValue_Kind(&out), VALUE_UNSET);
}

// The scope chain: an inner scope with two slots ("a", "b") and an outer one with named
// properties only.
class ScopeChainTest : public VariableAccessTest {
 protected:
  void SetUp() override {
    VariableAccessTest::SetUp();
    g_GameHeader.versionAtLeast15 = true;
    Game_SetObjectMode(true);
    Variable_SetNameTableSizes(0, 5);
    int32_t slot = 0;
    for (const char* name : {"a", "b", "c", "acc", "something"}) Variable_SetName(name, -1, slot++);
    Builtin_Add("something", NoOpHandler, 0, 0);
    m_inner.m_outerScope = &m_outer;
    g_pScopeChainHead = &m_inner;
    s_setterValue = 0;
  }
  void TearDown() override {
    g_pScopeChainHead = nullptr;
    VariableAccessTest::TearDown();
  }

  static void AccessorGet(RValue* result, CInstance*, CInstance*, int32_t, RValue*) {
    RValue_Release(result);
    *result = RValue_MakeReal(42);
  }
  static void AccessorSet(RValue*, CInstance*, CInstance*, int32_t argc, RValue* args) {
    s_setterValue = argc == 1 ? args[0].val : -1;
  }
  static inline double s_setterValue = 0;

  WXObjectBase m_inner{2, static_cast<int32_t>(VALUE_UNSET)};
  WXObjectBase m_outer{0, static_cast<int32_t>(VALUE_UNSET)};
};

TEST_F(ScopeChainTest, ReadsWalkOutwardAndRunAccessorsAndBuiltinFunctions) {
  m_outer.AddReal("a", 1, 7);
  m_outer.AddReal("c", 3, 7);
  RValue out = RValue_MakeReal(-1);
  ASSERT_TRUE(Variable_GetLocal(kSlot0, kNone, &out));  // the inner slot is unset: the outer one
  EXPECT_EQ(RealOf(out), 1.0);
  m_inner.m_slots[0] = RValue_MakeReal(10);
  ASSERT_TRUE(Variable_GetLocal(kSlot0, kNone, &out));
  EXPECT_EQ(RealOf(out), 10.0);
  ASSERT_TRUE(Variable_GetLocal(100002, kNone, &out));
  EXPECT_EQ(RealOf(out), 3.0);
  EXPECT_FALSE(Variable_GetLocal(kSlot1, kNone, &out));
  EXPECT_EQ(RValue_Kind(&out), VALUE_UNSET);

  // An accessor property runs its getter.
  WXObjectBase* pair = WXObject_Alloc(2, static_cast<int32_t>(VALUE_UNSET));
  pair->m_objectKind = kObjectKindAccessor;
  for (int slot : {0, 1}) {
    WXObjectBase* function = WXObject_Alloc(0, static_cast<int32_t>(VALUE_UNSET));
    function->AddCFunction("[[Call_Cpp]]", reinterpret_cast<void*>(slot == 0 ? &AccessorGet : &AccessorSet), 0);
    pair->m_slots[slot].pObj = function;
    pair->m_slots[slot].kind = VALUE_FUNCREF;
  }
  m_outer.AddObject("acc", pair, 7);
  ASSERT_TRUE(Variable_GetLocal(100003, kNone, &out));
  EXPECT_EQ(RealOf(out), 42.0);
  const RValue v = RValue_MakeReal(6);
  ASSERT_TRUE(Variable_SetLocal(100003, kNone, &v));
  EXPECT_EQ(s_setterValue, 6.0);
  EXPECT_EQ(RValue_Kind(&m_outer.m_properties->FindByName("acc")->value), VALUE_OBJECT);  // still the pair

  // Nothing on the chain, but a built-in function of the name.
  ASSERT_TRUE(Variable_GetLocal(100004, kNone, &out));
  EXPECT_EQ(RValue_Kind(&out), VALUE_OBJECT);
  WXObjectBase* function = out.pObj;
  RValue_Release(&out);
  WXObject_Free(function);
  WXObject_Free(pair->m_slots[0].pObj);
  WXObject_Free(pair->m_slots[1].pObj);
  WXObject_Free(pair);
}

TEST_F(ScopeChainTest, WritesGoToTheScopeThatHasTheVariableElseTheInnermost) {
  m_outer.AddReal("c", 3, kPropEnumerable);
  const RValue v = RValue_MakeReal(8);
  ASSERT_TRUE(Variable_SetLocal(100002, kNone, &v));
  const CVariableNode* c = m_outer.m_properties->FindByName("c");
  EXPECT_EQ(c->value.val, 8.0);
  EXPECT_EQ(c->value.flags, kPropEnumerable);

  ASSERT_TRUE(Variable_SetLocal(kSlot1, kNone, &v));  // new: the inner slot
  EXPECT_EQ(m_inner.m_slots[1].val, 8.0);
  EXPECT_EQ(m_inner.m_slots[1].flags, 7u);
  EXPECT_EQ(m_outer.m_properties->FindByName("b"), nullptr);

  // No slot of that id in the innermost scope: a named property, which reads find.
  ASSERT_TRUE(Variable_SetLocal(100004, kNone, &v));
  ASSERT_NE(m_inner.m_properties, nullptr);
  const CVariableNode* named = m_inner.m_properties->FindByName("something");
  ASSERT_NE(named, nullptr);
  EXPECT_EQ(named->value.flags, 7u);
  RValue out = RValue_MakeUndefined();
  ASSERT_TRUE(Variable_GetLocal(100004, kNone, &out));
  EXPECT_EQ(RealOf(out), 8.0);

  g_pScopeChainHead = nullptr;
  EXPECT_FALSE(Variable_SetLocal(kSlot0, kNone, &v));
}

TEST_F(ScopeChainTest, DeletesNeedTheConfigurableAttribute) {
  m_inner.m_slots[0] = RValue_MakeReal(1);
  m_inner.m_slots[0].flags = kPropEnumerable | kPropWritable;
  m_outer.AddReal("a", 2, kPropConfigurable);
  m_outer.AddReal("c", 3, kPropConfigurable);
  EXPECT_FALSE(Variable_DeleteLocal(kSlot0, kNone));  // the first scope that has it decides
  EXPECT_EQ(RealOf(m_inner.m_slots[0]), 1.0);
  m_inner.m_slots[0].flags = kPropConfigurable;
  EXPECT_TRUE(Variable_DeleteLocal(kSlot0, kNone));
  EXPECT_EQ(RValue_Kind(&m_inner.m_slots[0]), VALUE_UNSET);
  RValue out = RValue_MakeUndefined();
  ASSERT_TRUE(Variable_GetLocal(kSlot0, kNone, &out));  // now the outer one shows
  EXPECT_EQ(RealOf(out), 2.0);

  EXPECT_TRUE(Variable_DeleteLocal(100002, kNone));
  EXPECT_EQ(m_outer.m_properties->FindByName("c"), nullptr);
  EXPECT_TRUE(Variable_DeleteLocal(kSlot1, kNone));  // nobody has it
}

class SavedGlobalsTest : public GlobalTest {
 protected:
  void SetUp() override {
    GlobalTest::SetUp();
    Variable_InitGlobalFlags();
  }
  static Buffer_Standard* NewBuffer() { return new Buffer_Standard(64, eBuffer_Format_Grow, 1); }
};

TEST_F(SavedGlobalsTest, RoundTripRestoresValuesAndFlags) {
  RValue_SetString(&m_global.m_slots[0], "saved");
  m_global.m_slots[1] = RValue_MakeReal(2.5);
  Variable_SetGlobalFlag(100003, true);
  Buffer_Standard* buffer = NewBuffer();
  Variable_SaveGlobals(buffer);

  RValue_Release(&m_global.m_slots[0]);
  m_global.m_slots[1] = RValue_MakeReal(0);
  Variable_SetGlobalFlag(100003, false);
  Variable_SetGlobalFlag(100004, true);
  buffer->Seek(0, 0);
  ASSERT_TRUE(Variable_LoadGlobals(buffer));
  ASSERT_EQ(RValue_Kind(&m_global.m_slots[0]), VALUE_STRING);
  EXPECT_STREQ(m_global.m_slots[0].pString->text, "saved");
  EXPECT_EQ(RealOf(m_global.m_slots[1]), 2.5);
  EXPECT_TRUE(Variable_IsGlobalVar(100003));
  EXPECT_FALSE(Variable_IsGlobalVar(100004));
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  RValue_Release(&m_global.m_slots[0]);
  delete buffer;
}

TEST_F(SavedGlobalsTest, ADifferentGlobalCountIsReportedAndChangesNothing) {
  Buffer_Standard* buffer = NewBuffer();
  {
    WXObjectBase bigger(3, static_cast<int32_t>(VALUE_UNSET));
    g_pGlobalObject = &bigger;
    Variable_SaveGlobals(buffer);
    g_pGlobalObject = &m_global;
  }
  m_global.m_slots[0] = RValue_MakeReal(1);
  Variable_SetGlobalFlag(100000, true);
  buffer->Seek(0, 0);
  EXPECT_FALSE(Variable_LoadGlobals(buffer));
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "Save game format has changed");
  EXPECT_EQ(RealOf(m_global.m_slots[0]), 1.0);
  EXPECT_TRUE(Variable_IsGlobalVar(100000));
  delete buffer;
}

TEST_F(SavedGlobalsTest, AFlagCountOfZeroClearsTheFlagsAndKeepsThemReadable) {
  Buffer_Standard* buffer = NewBuffer();
  const auto write = [&](double n) {
    buffer->m_scratch = RValue_MakeReal(n);
    buffer->Write(eBuffer_S32, &buffer->m_scratch);
  };
  write(2);
  RValue_Serialise(&m_global.m_slots[0], buffer);
  RValue_Serialise(&m_global.m_slots[1], buffer);
  write(0);
  Variable_SetGlobalFlag(100000, true);
  buffer->Seek(0, 0);
  ASSERT_TRUE(Variable_LoadGlobals(buffer));
  EXPECT_FALSE(Variable_IsGlobalVar(100000));
  EXPECT_EQ(Variable_GlobalFlagCount(), 10000);
  Variable_SetGlobalFlag(100009, true);
  EXPECT_TRUE(Variable_IsGlobalVar(100009));

  // A save cut short in the flags is refused.
  Buffer_Standard* written = NewBuffer();
  const auto writeTo = [](IBuffer* b, double n) {
    b->m_scratch = RValue_MakeReal(n);
    b->Write(eBuffer_S32, &b->m_scratch);
  };
  writeTo(written, 2);
  RValue_Serialise(&m_global.m_slots[0], written);
  RValue_Serialise(&m_global.m_slots[1], written);
  writeTo(written, 5);
  writeTo(written, 1);
  auto* cut = new Buffer_Standard(written->m_position, eBuffer_Format_Fixed, 1);
  std::memcpy(cut->GetData(), written->GetData(), static_cast<size_t>(written->m_position));
  EXPECT_FALSE(Variable_LoadGlobals(cut));
  delete cut;
  delete written;
  delete buffer;
}

}  // namespace
