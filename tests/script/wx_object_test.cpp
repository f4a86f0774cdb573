#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "script_test_support.h"

namespace {

// Starts from an empty object table (no array yet, so the first object makes the 128 entries).
class ObjectTableTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    ASSERT_EQ(ObjectTable_Count(), 0) << "a previous test left objects entered";
    WXObject_FreePool();
    WXObject_TableFree();
  }
  void TearDown() override {
    for (int32_t i = 0; i < ObjectTable_Capacity(); ++i) WXObject_Free(ObjectTable_Entry(i));
    g_pGlobalObject = nullptr;
    WXObject_FreePool();
    WXObject_TableFree();
    WorldTest::TearDown();
  }

  static WXObjectBase* Plain(int32_t slots = 0) { return WXObject_Alloc(slots, static_cast<int32_t>(VALUE_UNDEFINED)); }
  static const RValue* Property(WXObjectBase* o, const char* name) {
    CVariableNode* node = o->m_properties->FindByName(name);
    return node != nullptr ? &node->value : nullptr;
  }
  static bool Alive(WXObjectBase* o, int32_t index) { return ObjectTable_Entry(index) == o; }
  static void Link(WXObjectBase* from, int32_t slot, WXObjectBase* to) {
    RValue& v = from->m_slots[slot];
    v.pObj = to;
    v.kind = VALUE_OBJECT;
  }
};

void NativeStub() {}

TEST_F(ObjectTableTest, TheTableGrowsByHalfWhenFull) {
  struct Step {
    int32_t objects;
    int32_t capacity;
  };
  std::vector<WXObjectBase*> made;
  for (const Step& s : {Step{1, 128}, Step{128, 128}, Step{129, 192}, Step{192, 192}, Step{193, 288}}) {
    while (static_cast<int32_t>(made.size()) < s.objects) made.push_back(Plain());
    EXPECT_EQ(ObjectTable_Capacity(), s.capacity) << s.objects << " objects";
    EXPECT_EQ(ObjectTable_Count(), s.objects);
  }
  for (size_t i = 0; i < made.size(); ++i) {
    EXPECT_EQ(made[i]->m_tableIndex, static_cast<int32_t>(i));
    EXPECT_EQ(ObjectTable_Entry(static_cast<int32_t>(i)), made[i]);
  }
  EXPECT_EQ(ObjectTable_Entry(193), nullptr) << "grown entries start empty";
}

TEST_F(ObjectTableTest, AFreedPositionIsTheNextOneFilled) {
  std::vector<WXObjectBase*> made;
  for (int i = 0; i < 10; ++i) made.push_back(Plain());
  WXObject_Free(made[5]);
  EXPECT_EQ(ObjectTable_Entry(5), nullptr);
  EXPECT_EQ(made[5]->m_tableIndex, -1);
  EXPECT_EQ(ObjectTable_Count(), 9);
  WXObjectBase* next = Plain();
  EXPECT_EQ(next->m_tableIndex, 5);
  EXPECT_EQ(next, made[5]) << "taken from the pool";
  EXPECT_EQ(Plain()->m_tableIndex, 10);
}

TEST_F(ObjectTableTest, APooledObjectIsRefittedToTheSlotsAskedFor) {
  struct Case {
    int32_t firstSlots;
    int32_t askedSlots;
    uint32_t kind;
    int32_t capacity;
  };
  for (const Case& c : {Case{2, 4, VALUE_UNSET, 4}, Case{2, 1, VALUE_UNDEFINED, 2}, Case{2, 0, VALUE_REAL, 2}}) {
    SCOPED_TRACE(c.askedSlots);
    WXObjectBase* o = Plain(c.firstSlots);
    RValue_SetString(&o->m_slots[0], "released on free");
    SharedString* text = o->m_slots[0].pString;
    ++text->refCount;
    o->AddReal("prop", 1.0, 7);
    o->m_outerScope = o;
    WXObject_Free(o);
    EXPECT_EQ(text->refCount, 1);
    SharedString_Release(text);
    EXPECT_EQ(WXObject_PoolCount(), 1);
    EXPECT_EQ(o->m_slots[0].kind, VALUE_UNDEFINED);
    EXPECT_EQ(o->m_properties->Count(), 0);

    WXObjectBase* again = WXObject_Alloc(c.askedSlots, static_cast<int32_t>(c.kind));
    ASSERT_EQ(again, o);
    EXPECT_EQ(WXObject_PoolCount(), 0);
    EXPECT_EQ(again->m_slotCount, c.askedSlots);
    EXPECT_EQ(again->m_slotCapacity, c.capacity);
    EXPECT_EQ(again->m_outerScope, nullptr);
    EXPECT_GE(again->m_tableIndex, 0);
    for (int32_t i = 0; i < c.askedSlots; ++i) {
      EXPECT_EQ(again->m_slots[i].kind, c.kind);
      EXPECT_EQ(again->m_slots[i].v64, 0);
      EXPECT_EQ(again->m_slots[i].flags, 0u);
    }
    WXObject_Free(again);
    WXObject_FreePool();
  }
}

TEST_F(ObjectTableTest, FreeingTwiceOrFreeingANonPlainObjectNeverPools) {
  WXObjectBase* pair = Plain(2);
  pair->m_objectKind = kObjectKindAccessor;
  WXObjectBase* plain = Plain();
  WXObject_Free(plain);
  WXObject_Free(plain);
  EXPECT_EQ(WXObject_PoolCount(), 1);
  WXObject_Free(nullptr);

  const int32_t index = pair->m_tableIndex;
  WXObject_Free(pair);  // deleted outright (the sanitizer build sees a leak or double free)
  EXPECT_EQ(ObjectTable_Entry(index), nullptr);
  EXPECT_EQ(WXObject_PoolCount(), 1);
}

TEST_F(ObjectTableTest, DeletingAnEnteredObjectClearsItsEntry) {
  WXObjectBase* o = Plain();
  const int32_t index = o->m_tableIndex;
  delete o;
  EXPECT_EQ(ObjectTable_Entry(index), nullptr);
  EXPECT_EQ(ObjectTable_Count(), 0);
}

TEST_F(ObjectTableTest, TypedSettersStoreTheirKindsAndAttributes) {
  WXObjectBase* o = Plain();
  WXObjectBase* target = Plain();
  o->AddBool("yes", true, 1);
  o->AddBool("no", false, 2);
  o->AddInt("int", -3, 4);
  o->AddReal("real", 2.5, 7);
  o->AddString("text", "hi", 1);
  o->AddNull("null", 3);
  o->AddObject("object", target, 5);
  o->AddCFunction("[[Call_Cpp]]", reinterpret_cast<void*>(&NativeStub), 0);

  struct Expect {
    const char* name;
    uint32_t kind;
    uint32_t flags;
  };
  for (const Expect& e : {Expect{"yes", VALUE_REAL, 1}, Expect{"no", VALUE_REAL, 2}, Expect{"int", VALUE_REAL, 4},
                          Expect{"real", VALUE_REAL, 7}, Expect{"text", VALUE_STRING, 1}, Expect{"null", VALUE_NULL, 3},
                          Expect{"object", VALUE_OBJECT, 5}, Expect{"[[Call_Cpp]]", VALUE_PTR, 0}}) {
    const RValue* v = Property(o, e.name);
    ASSERT_NE(v, nullptr) << e.name;
    EXPECT_EQ(v->kind, e.kind) << e.name;
    EXPECT_EQ(v->flags, e.flags) << e.name;
  }
  EXPECT_EQ(Property(o, "yes")->val, 1.0);
  EXPECT_EQ(Property(o, "no")->val, 0.0);
  EXPECT_EQ(Property(o, "int")->val, -3.0);
  EXPECT_STREQ(Property(o, "text")->pString->text, "hi");
  EXPECT_EQ(Property(o, "null")->v64, 0);
  EXPECT_EQ(Property(o, "object")->pObj, target);
  EXPECT_EQ(Property(o, "[[Call_Cpp]]")->ptr, reinterpret_cast<void*>(&NativeStub));

  // Replacing a string releases it.
  SharedString* text = Property(o, "text")->pString;
  ++text->refCount;
  o->AddReal("text", 0.0, 0);
  EXPECT_EQ(text->refCount, 1);
  SharedString_Release(text);
}

TEST_F(ObjectTableTest, AddValueCopiesWholePayloadsAndTakesReferences) {
  WXObjectBase* o = Plain();
  struct Case {
    const char* name;
    uint32_t kind;
    int64_t payload;
    int64_t stored;
  };
  const int64_t wide = static_cast<int64_t>(0x7FEDCBA987654321LL);
  for (const Case& c : {Case{"ptr", VALUE_PTR, wide, wide}, Case{"obj", VALUE_OBJECT, wide, wide},
                        Case{"i32", VALUE_INT32, wide, wide}, Case{"i64", VALUE_INT64, wide, wide},
                        Case{"iter", VALUE_ITERATOR, wide, wide}, Case{"fn", VALUE_FUNCREF, wide, wide},
                        Case{"bool", VALUE_BOOL, wide, wide}, Case{"undef", VALUE_UNDEFINED, wide, 0},
                        Case{"unset", VALUE_UNSET, wide, 0}}) {
    RValue v;
    v.v64 = c.payload;
    v.flags = 0;
    v.kind = c.kind;
    o->AddValue(c.name, &v, 6);
    const RValue* stored = Property(o, c.name);
    EXPECT_EQ(stored->kind, c.kind) << c.name;
    EXPECT_EQ(stored->v64, c.stored) << c.name;
    EXPECT_EQ(stored->flags, 6u) << c.name;
  }

  RValue text;
  RValue_SetString(&text, "shared");
  o->AddValue("text", &text, 0);
  EXPECT_EQ(Property(o, "text")->pString, text.pString);
  EXPECT_EQ(text.pString->refCount, 2);

  RValue array = RValue_MakeUndefined();
  RValue one = Real(1.0);
  RValue_SetElement(&array, &one, 0);
  array.pArray->owner = nullptr;
  o->AddValue("array", &array, 0);
  const RValue* storedArray = Property(o, "array");
  EXPECT_EQ(storedArray->pArray, array.pArray);
  EXPECT_EQ(array.pArray->refCount, 2);
  EXPECT_EQ(array.pArray->owner, storedArray) << "an array without an owner is owned by its new holder";
  RValue_Release(&text);
  RValue_Release(&array);
}

TEST_F(ObjectTableTest, NamesFindTheirNumberedSlotBeforeTheMap) {
  Variable_SetNameTableSizes(2, 3);
  Variable_SetName("g0", -5, 0);
  Variable_SetName("g1", -5, 1);
  Variable_SetName("a", -1, 0);
  Variable_SetName("b", -1, 1);
  Variable_SetName("c", -1, 2);
  WXObjectBase* o = Plain(2);
  WXObjectBase* global = Plain(2);
  g_pGlobalObject = global;

  struct Case {
    WXObjectBase* object;
    const char* name;
    int32_t slot;  // -1: a named property
  };
  for (const Case& c : {Case{o, "b", 1}, Case{o, "a", 0}, Case{o, "c", -1}, Case{o, "g1", -1},
                        Case{global, "g1", 1}, Case{global, "b", -1}, Case{o, "unknown", -1}}) {
    SCOPED_TRACE(c.name);
    RValue* v = c.object->FindOrAddSlot(c.name);
    if (c.slot >= 0) {
      EXPECT_EQ(v, &c.object->m_slots[c.slot]);
    } else {
      EXPECT_EQ(v, Property(c.object, c.name));
      EXPECT_EQ(v->kind, VALUE_REAL);
      EXPECT_EQ(v->val, 0.0);
    }
  }
  EXPECT_EQ(o->FindOrAddSlot("c"), o->FindOrAddSlot("c")) << "made once";
  EXPECT_EQ(o->m_properties->Count(), 3);
}

TEST_F(ObjectTableTest, ExtensibilityFollowsTheExtensibleProperty) {
  WXObjectBase* o = Plain();
  EXPECT_TRUE(o->IsExtensible()) << "absent";

  struct Case {
    uint32_t kind;
    double payload;
    bool extensible;
  };
  for (const Case& c : {Case{VALUE_REAL, 0.0, false}, Case{VALUE_BOOL, 0.0, false}, Case{VALUE_REAL, 1.0, true},
                        Case{VALUE_REAL, std::numeric_limits<double>::quiet_NaN(), true},
                        Case{VALUE_UNSET, 0.0, true}}) {
    RValue* flag = o->FindOrAddSlot("[[Extensible]]");
    flag->val = c.payload;
    flag->kind = c.kind;
    EXPECT_EQ(o->IsExtensible(), c.extensible) << c.kind << " " << c.payload;
  }

  // Once not extensible, every typed setter does nothing.
  o->AddReal("[[Extensible]]", 0.0, 0);
  o->AddReal("later", 1.0, 7);
  o->AddString("text", "x", 7);
  o->AddReal("[[Extensible]]", 1.0, 0);
  EXPECT_EQ(Property(o, "later"), nullptr);
  EXPECT_EQ(Property(o, "text"), nullptr);
  EXPECT_FALSE(o->IsExtensible());

  // Inherited along the prototype chain.
  WXObjectBase* child = Plain();
  child->AddObject("[[Prototype]]", o, 0);
  EXPECT_FALSE(child->IsExtensible());
  child->FindOrAddSlot("[[Extensible]]")->val = 1.0;
  EXPECT_TRUE(child->IsExtensible()) << "an own value hides the prototype's";
}

// --- the collector ---

TEST_F(ObjectTableTest, WithoutObjectModeTheCollectorDoesNothing) {
  WXObjectBase* lost = Plain();
  const int32_t index = lost->m_tableIndex;
  const uint32_t before = VM_CollectionNumber();
  EXPECT_FALSE(VM_CollectGarbage(nullptr));
  EXPECT_FALSE(VM_CollectGarbage(lost));
  EXPECT_TRUE(Alive(lost, index));
  EXPECT_EQ(VM_CollectionNumber(), before);
}

TEST_F(ObjectTableTest, EverythingTheGlobalObjectCannotReachIsSweptInOneCollection) {
  Game_SetObjectMode(true);
  WXObjectBase* global = Plain(1);
  g_pGlobalObject = global;
  WXObjectBase* a = Plain(1);    // global slot 0
  WXObjectBase* b = Plain();     // a's named property
  WXObjectBase* c = Plain(1);    // unreachable, refers to d
  WXObjectBase* d = Plain();
  WXObjectBase* e = Plain(1);    // e and f refer to each other only
  WXObjectBase* f = Plain(1);
  WXObjectBase* g = Plain();     // only behind a named kind-11 value
  WXObjectBase* pair = Plain(2);  // an accessor pair in a named property
  WXObjectBase* h = Plain();     // the pair's getter
  pair->m_objectKind = kObjectKindAccessor;
  Link(global, 0, a);
  a->AddObject("next", b, 7);
  Link(c, 0, d);
  Link(e, 0, f);
  Link(f, 0, e);
  RValue* fn = global->FindOrAddSlot("fn");
  fn->pObj = g;
  fn->kind = VALUE_FUNCREF;
  global->AddObject("acc", pair, 7);
  pair->m_slots[0].pObj = h;
  pair->m_slots[0].kind = VALUE_FUNCREF;
  pair->m_slots[1].kind = VALUE_UNSET;

  std::vector<std::pair<WXObjectBase*, int32_t>> survivors, swept;
  for (WXObjectBase* o : {global, a, b, pair, h}) survivors.emplace_back(o, o->m_tableIndex);
  for (WXObjectBase* o : {c, d, e, f, g}) swept.emplace_back(o, o->m_tableIndex);

  EXPECT_TRUE(VM_CollectGarbage(c)) << "a probe reports an unreachable object";
  EXPECT_FALSE(VM_CollectGarbage(b));
  EXPECT_TRUE(Alive(c, swept[0].second)) << "probing frees nothing";

  EXPECT_FALSE(VM_CollectGarbage(nullptr));
  for (auto& [o, index] : survivors) EXPECT_TRUE(Alive(o, index)) << index;
  for (auto& [o, index] : swept) EXPECT_EQ(ObjectTable_Entry(index), nullptr) << index;
  EXPECT_EQ(WXObject_PoolCount(), 5);
  EXPECT_EQ(ObjectTable_Count(), 5);
}

TEST_F(ObjectTableTest, LongChainsAreMarkedWithoutRecursion) {
  Game_SetObjectMode(true);
  WXObjectBase* global = Plain(1);
  g_pGlobalObject = global;
  WXObjectBase* previous = global;
  constexpr int32_t kLength = 200000;
  for (int32_t i = 0; i < kLength; ++i) {
    WXObjectBase* next = Plain(1);
    Link(previous, 0, next);
    previous = next;
  }
  VM_CollectGarbage(nullptr);
  EXPECT_EQ(ObjectTable_Count(), kLength + 1);
  global->m_slots[0].kind = VALUE_UNDEFINED;
  VM_CollectGarbage(nullptr);
  EXPECT_EQ(ObjectTable_Count(), 1);
}

TEST_F(ObjectTableTest, InstancesAreRootsWhileARoomOrAQueueHoldsThem) {
  Game_SetObjectMode(true);
  Variable_SetNameTableSizes(0, 1);
  g_pGlobalObject = Plain();
  CObject* def = NewObject("obj");
  CRoom current;
  CRoom kept;
  Room_Current = &current;
  Room_Copies = {&kept};

  auto make = [](int32_t id) { return new CInstance(0, 0, id, 0, true); };
  CInstance* active = make(100001);
  CInstance* inactive = make(100002);
  CInstance* inKept = make(100003);
  CInstance* carried = make(100004);
  CInstance* queued = make(100005);
  CInstance* lost = make(100006);
  current.active.InsertByDepth(active);
  current.inactive.Append(inactive);
  kept.active.InsertByDepth(inKept);
  Room_Carried.push_back(carried);
  DepthChangeList.AddUnique(queued);
  InstanceIdTable.Insert(lost->id, lost);
  WXObjectBase* held = Plain();  // reachable only from an instance's slot
  Link(active, 0, held);
  WXObjectBase* heldByLost = Plain();
  Link(lost, 0, heldByLost);
  const int32_t heldIndex = held->m_tableIndex;
  const int32_t lostIndex = lost->m_tableIndex;
  EXPECT_EQ(def->instances.count, 6);

  VM_CollectGarbage(nullptr);
  for (CInstance* i : {active, inactive, inKept, carried, queued}) EXPECT_TRUE(Alive(i, i->m_tableIndex)) << i->id;
  EXPECT_TRUE(Alive(held, heldIndex));
  EXPECT_EQ(ObjectTable_Entry(lostIndex), nullptr) << "an instance in no list is deleted";
  EXPECT_EQ(def->instances.count, 5) << "and it left its object's list";
  EXPECT_EQ(Instance_Find(100006), nullptr) << "and its id";
  EXPECT_EQ(WXObject_PoolCount(), 1) << "what only it held went too";

  Room_Copies.clear();
  Room_Carried.clear();
  Room_Current = nullptr;
  // The rooms delete their own instances as they go.
  for (CInstance* i : {carried, queued}) delete i;
}

}  // namespace
