#include "script/property_iterator.h"

#include <algorithm>
#include <string>
#include <vector>

#include "core/crc32.h"
#include "runtime/game_header.h"
#include "script/js_object.h"
#include "script_test_support.h"

namespace {

constexpr uint32_t kAll = kPropEnumerable | kPropConfigurable | kPropWritable;

class PropertyIteratorTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    m_version15 = g_GameHeader.versionAtLeast15;
    g_GameHeader.versionAtLeast15 = true;  // slots are named by the instance-name table
    Variable_ClearNames();
    Variable_SetNameTableSizes(0, 4);
    Variable_SetName("slotA", kScopeSelf, 2);
    Variable_SetName("slotB", kScopeSelf, 3);
  }
  void TearDown() override {
    for (int32_t i = 0; i < ObjectTable_Capacity(); ++i) WXObject_Free(ObjectTable_Entry(i));
    WXObject_FreePool();
    Variable_ClearNames();
    g_GameHeader.versionAtLeast15 = m_version15;
    WorldTest::TearDown();
  }
  bool m_version15 = false;

  static WXObjectBase* NewObject() {
    RValue v = RValue_MakeUndefined();
    JS_NewOrdinaryObject(&v, nullptr, nullptr, 0, nullptr);
    return v.pObj;
  }
  static std::vector<std::string> Names(WXObjectBase* o, int32_t mask, bool prototypes = false, bool internal = false) {
    CJSPropertyIterator it;
    it.Init(o, mask);
    it.walkPrototypes = prototypes;
    it.includeInternal = internal;
    std::vector<std::string> names;
    RValue name = RValue_MakeUndefined();
    while (it.Next(&name)) names.push_back(name.pString->text);
    RValue_Release(&name);
    return names;
  }
  static bool Has(const std::vector<std::string>& names, const char* name) {
    return std::find(names.begin(), names.end(), name) != names.end();
  }
};

TEST_F(PropertyIteratorTest, NamedPropertiesComeInBucketOrderNewestFirst) {
  WXObjectBase* o = NewObject();
  std::vector<std::pair<uint32_t, std::string>> added;  // (bucket, name), in the order added
  for (int i = 0; i < 200; ++i) {
    const std::string name = "n" + std::to_string(i);
    o->AddReal(name.c_str(), i, kAll);
    added.emplace_back(CRC32_String(name.c_str()) & 63u, name);
  }
  std::vector<std::string> expected;
  for (uint32_t bucket = 0; bucket < 64; ++bucket) {
    for (auto it = added.rbegin(); it != added.rend(); ++it) {
      if (it->first == bucket) expected.push_back(it->second);
    }
  }
  EXPECT_EQ(Names(o, 1), expected);
}

TEST_F(PropertyIteratorTest, MasksInternalNamesAndUnsetValues) {
  WXObjectBase* o = NewObject();
  o->AddReal("open", 1, kAll);
  o->AddReal("hidden", 1, kPropConfigurable | kPropWritable);
  RValue unset = RValue_MakeUndefined();
  unset.kind = VALUE_UNSET;
  o->AddValue("gone", &unset, kAll);

  const std::vector<std::string> enumerable = Names(o, 1);
  EXPECT_EQ(enumerable, std::vector<std::string>{"open"});
  const std::vector<std::string> all = Names(o, 0);
  EXPECT_TRUE(Has(all, "open") && Has(all, "hidden"));
  EXPECT_FALSE(Has(all, "gone"));
  EXPECT_FALSE(Has(all, "[[Class]]"));
  const std::vector<std::string> debug = Names(o, 0, false, true);
  for (const char* name : {"[[Class]]", "[[Prototype]]", "[[GetOwnProperty]]"}) EXPECT_TRUE(Has(debug, name)) << name;
}

TEST_F(PropertyIteratorTest, SlotsThenElementsThenNamedProperties) {
  WXObjectBase* o = NewObject();
  o->AddReal("named", 1, kAll);
  o->m_slots[3] = RValue_MakeReal(3);
  o->m_slots[3].flags = kAll;
  WXObjectBase* store = WXObject_Alloc(3, static_cast<int32_t>(VALUE_UNDEFINED));
  const uint32_t elementFlags[3] = {kAll, kPropConfigurable | kPropWritable, kAll};
  for (int i = 0; i < 3; ++i) {
    store->m_slots[i] = RValue_MakeReal(i);
    store->m_slots[i].flags = elementFlags[i];
  }
  o->m_slots[1].pObj = store;
  o->m_slots[1].kind = VALUE_OBJECT;
  EXPECT_EQ(Names(o, 1), (std::vector<std::string>{"slotB", "0", "2", "named"}));
  EXPECT_EQ(Names(o, 0), (std::vector<std::string>{"slotB", "0", "1", "2", "named"}));

  // No slots at all: straight to the named properties.
  WXObjectBase* bare = WXObject_Alloc(0, static_cast<int32_t>(VALUE_UNSET));
  bare->AddReal("only", 1, kAll);
  EXPECT_EQ(Names(bare, 1), std::vector<std::string>{"only"});
}

TEST_F(PropertyIteratorTest, PrototypeNamesComeOnceAfterTheOwnOnes) {
  WXObjectBase* proto = NewObject();
  proto->AddReal("p", 1, kAll);
  proto->AddReal("q", 2, kAll);
  WXObjectBase* o = NewObject();
  o->AddObject("[[Prototype]]", proto, 0);
  o->AddReal("p", 5, kAll);
  o->AddReal("own", 6, kAll);
  const std::vector<std::string> names = Names(o, 1, true);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(std::count(names.begin(), names.end(), "p"), 1);
  EXPECT_EQ(names.back(), "q");
  EXPECT_EQ(Names(o, 1, false).size(), 2u);

  // A prototype cycle ends the walk.
  proto->AddObject("[[Prototype]]", o, 0);
  EXPECT_EQ(Names(o, 1, true).size(), 3u);
}

}  // namespace
