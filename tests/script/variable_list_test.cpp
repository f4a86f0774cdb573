#include <cstring>
#include <vector>

#include "core/crc32.h"
#include "core/memory_manager.h"
#include "io/buffer.h"
#include "script_test_support.h"

namespace {

using VariableListTest = WorldTest;

std::vector<int32_t> IdsInOrder(const CVariableList& map) {
  std::vector<int32_t> ids;
  CVariableListIterator it(&map);
  for (CVariableNode* n = it.First(); n != nullptr; n = it.Next()) ids.push_back(n->key.v32);
  return ids;
}

void SetReal(CVariableList& map, int32_t id, double d) {
  RValue v = Real(d);
  map.SetVar(id, ARRAY_INDEX_NONE, &v);
}

double RealOf(CVariableList& map, int32_t id) {
  RValue out = RValue_MakeUndefined();
  map.GetVar(id, ARRAY_INDEX_NONE, &out);
  const double d = out.val;
  RValue_Release(&out);
  return d;
}

TEST_F(VariableListTest, IdsSharingABucketAreToldApartByTheirKey) {
  CVariableList map;
  SetReal(map, 100000, 1.0);
  SetReal(map, 100064, 2.0);
  SetReal(map, 100001, 3.0);
  ASSERT_EQ(map.Count(), 3);
  EXPECT_EQ(100000 & 0x3F, 32);
  EXPECT_EQ(map.m_buckets[32], map.Find(100064)) << "the newest node heads its bucket";
  EXPECT_EQ(map.Find(100064)->bucketNext, map.Find(100000));
  EXPECT_EQ(RealOf(map, 100000), 1.0);
  EXPECT_EQ(RealOf(map, 100064), 2.0);
  EXPECT_EQ(map.Find(100128), nullptr);
  EXPECT_FALSE(map.Exists(100128));
  // Iteration: bucket 32 newest first, then bucket 33.
  EXPECT_EQ(IdsInOrder(map), (std::vector<int32_t>{100064, 100000, 100001}));
}

TEST_F(VariableListTest, RemovingANodeBehindTheHeadKeepsTheRestOfItsBucket) {
  CVariableList map;
  for (int32_t id : {100000, 100064, 100128}) SetReal(map, id, id);
  const int32_t freeBefore = CVariableList::FreeNodeCount();
  map.Remove(map.Find(100064));  // the middle node
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(RealOf(map, 100000), 100000.0);
  EXPECT_EQ(RealOf(map, 100128), 100128.0);
  EXPECT_EQ(CVariableList::FreeNodeCount(), freeBefore + 1);

  // A node of another map is not this map's to remove.
  CVariableList other;
  SetReal(other, 100000, 9.0);
  map.Remove(other.Find(100000));
  EXPECT_EQ(map.Count(), 2);
  EXPECT_EQ(other.Count(), 1);

  // A new node comes from the free list.
  SetReal(map, 5, 0.0);
  EXPECT_EQ(CVariableList::FreeNodeCount(), freeBefore);
}

TEST_F(VariableListTest, ReadingAMissingIdFollowsTheVariableReadOption) {
  struct Case {
    uint32_t optionFlags;
    double value;
    bool result;
  };
  for (const Case& c : {Case{0, 0.0, true}, Case{kOptionVariableReadError, 12345678.9, false},
                        Case{~kOptionVariableReadError, 0.0, true}}) {
    SCOPED_TRACE(c.optionFlags);
    Options_SetFlags(c.optionFlags);
    CVariableList map;
    SetReal(map, 100001, 4.0);
    RValue out;
    RValue_SetString(&out, "old");
    Variable_InstanceMissing = true;
    ArrayIndexError.pending = true;
    EXPECT_EQ(map.GetVar(100000, ARRAY_INDEX_NONE, &out), c.result);
    EXPECT_EQ(RValue_Kind(&out), VALUE_REAL);
    EXPECT_EQ(out.val, c.value);
    EXPECT_FALSE(Variable_InstanceMissing);
    EXPECT_FALSE(ArrayIndexError.pending);
    EXPECT_EQ(map.Count(), 1) << "a read adds nothing";
    EXPECT_EQ(map.Find(100000), nullptr);
    RValue_Release(&out);
  }
}

TEST_F(VariableListTest, ElementWritesOnAMissingIdBuildTheArray) {
  CVariableList map;
  RValue seven = Real(7.0);
  map.SetVar(100000, ArrayIndex_Pack(1, 2), &seven);
  CVariableNode* node = map.Find(100000);
  ASSERT_NE(node, nullptr);
  ASSERT_EQ(RValue_Kind(&node->value), VALUE_ARRAY);
  EXPECT_EQ(node->value.pArray->rowCount, 2);
  RValue out = RValue_MakeUndefined();
  EXPECT_TRUE(map.GetVar(100000, ArrayIndex_Pack(1, 2), &out));
  EXPECT_EQ(out.val, 7.0);
  EXPECT_FALSE(map.GetVar(100000, ArrayIndex_Pack(5, 0), &out)) << "outside the array";
  EXPECT_TRUE(ArrayIndexError.pending);
  RValue_Release(&out);
}

TEST_F(VariableListTest, NameLookupComparesTheTextWhenHashesCollide) {
  CVariableList map;
  CVariableNode* alpha = CVariableList::NewNameNode("alpha");
  alpha->value = Real(1.0);
  CVariableNode* impostor = CVariableList::NewNameNode("beta");
  impostor->hash = CRC32_String("alpha");  // same hash and bucket as "alpha", other text
  impostor->value = Real(2.0);
  map.Add(alpha);
  map.Add(impostor);
  EXPECT_EQ(map.FindByName("alpha"), alpha);
  EXPECT_EQ(map.FindByName("beta"), nullptr) << "beta's own hash leads to another bucket";
  EXPECT_EQ(map.FindByName("alph"), nullptr);
  EXPECT_EQ(map.FindByName(nullptr), nullptr);
}

TEST_F(VariableListTest, ValueKeysAreFoundByEquality) {
  CVariableList map;
  RValue three = Real(3.0);
  RValue name;
  RValue_SetString(&name, "key");
  RValue one = Real(1.0);
  RValue two = Real(2.0);
  map.Add(CVariableList::NewKeyValueNode(&three, &one));
  map.Add(CVariableList::NewKeyValueNode(&name, &two));
  RValue sameText;
  RValue_SetString(&sameText, "key");
  RValue closeReal = Real(3.0 + 1e-12);  // equal under the comparison epsilon
  ASSERT_NE(map.FindByValue(&sameText), nullptr);
  EXPECT_EQ(map.FindByValue(&sameText)->value.val, 2.0);
  ASSERT_NE(map.FindByValue(&closeReal), nullptr);
  EXPECT_EQ(map.FindByValue(&closeReal)->value.val, 1.0);
  RValue four = Real(4.0);
  EXPECT_EQ(map.FindByValue(&four), nullptr);
  EXPECT_EQ(name.pString->refCount, 2) << "the key holds its own reference";
  for (RValue* v : {&name, &sameText}) RValue_Release(v);
}

TEST_F(VariableListTest, AssignCopiesEveryNodeWithItsAttributesAndReversesEachBucket) {
  CVariableList source;
  for (int32_t id : {100000, 100064, 100001}) SetReal(source, id, id);
  RValue text;
  RValue_SetString(&text, "shared");
  source.SetVar(100002, ARRAY_INDEX_NONE, &text);
  source.Find(100000)->value.flags = kPropWritable;

  CVariableList copy;
  SetReal(copy, 7, 1.0);  // replaced by the copy
  copy.Assign(&source);
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_FALSE(copy.Exists(7));
  EXPECT_EQ(IdsInOrder(copy), (std::vector<int32_t>{100000, 100064, 100001, 100002}));
  EXPECT_EQ(copy.Find(100000)->value.flags, kPropWritable);
  EXPECT_EQ(copy.Find(100002)->value.pString, text.pString);
  EXPECT_EQ(text.pString->refCount, 3);

  // Independent afterwards.
  SetReal(copy, 100064, -1.0);
  EXPECT_EQ(RealOf(source, 100064), 100064.0);

  // Into itself: nothing changes.
  copy.Assign(&copy);
  EXPECT_EQ(copy.Count(), 4);
  EXPECT_EQ(RealOf(copy, 100064), -1.0);
  RValue_Release(&text);
}

TEST_F(VariableListTest, ClearEmptiesTheMapAndReleasesItsValues) {
  CVariableList map;
  RValue text;
  RValue_SetString(&text, "held");
  map.SetVar(100000, ARRAY_INDEX_NONE, &text);
  map.SetVar(100001, ARRAY_INDEX_NONE, &text);
  EXPECT_EQ(text.pString->refCount, 3);
  map.Clear();
  EXPECT_EQ(map.Count(), 0);
  EXPECT_EQ(text.pString->refCount, 1);
  CVariableListIterator it(&map);
  EXPECT_EQ(it.First(), nullptr);
  RValue_Release(&text);
}

// --- saved form ---

struct SavedMap {
  Buffer_Standard buffer{64, eBuffer_Format_Grow, 1};
  void Sentinel() { buffer.WriteString("after the map"); }
  void Rewind() { buffer.Seek(0, 0); }
  int32_t ReadS32() {
    buffer.Read(eBuffer_S32, &buffer.m_scratch);
    return static_cast<int32_t>(buffer.m_scratch.val);
  }
  std::string ReadText() {
    char* s = buffer.ReadString();
    std::string text = s != nullptr ? s : "<none>";
    MemoryManager_Free(s);
    return text;
  }
};

TEST_F(VariableListTest, AnEmptiedMapSavesACountOfZeroAndNothingElse) {
  CVariableList map;
  SetReal(map, 100000, 1.0);
  map.Remove(map.Find(100000));
  SavedMap saved;
  map.Save(&saved.buffer);
  EXPECT_EQ(saved.buffer.m_position, 4);
  saved.Rewind();
  EXPECT_EQ(saved.ReadS32(), 0);
}

TEST_F(VariableListTest, LoadingFindsVariablesByNameAndSkipsUnknownOnesInStep) {
  const int32_t alpha = Variable_FindOrAddUser("alpha");
  const int32_t beta = Variable_FindOrAddUser("beta");
  const int32_t gamma = Variable_FindOrAddUser("gamma");
  CVariableList map;
  SetReal(map, alpha, 1.5);
  RValue text;
  RValue_SetString(&text, "two");
  map.SetVar(beta, ARRAY_INDEX_NONE, &text);
  RValue_Release(&text);
  RValue element = Real(3.0);
  map.SetVar(gamma, ArrayIndex_Pack(0, 1), &element);

  SavedMap saved;
  map.Save(&saved.buffer);
  saved.Sentinel();

  // The loading game knows gamma and alpha, in another order, and no beta.
  Variable_ClearNames();
  const int32_t newGamma = Variable_FindOrAddUser("gamma");
  const int32_t newAlpha = Variable_FindOrAddUser("alpha");
  ASSERT_NE(newGamma, gamma);

  CVariableList loaded;
  SetReal(loaded, 42, 0.0);  // loading replaces what was there
  saved.Rewind();
  DebugConsoleCapture console;
  loaded.Load(&saved.buffer);
  EXPECT_EQ(console.Occurrences("WARNING: Load game failed to find variable \"beta\"\n"), 1);
  EXPECT_EQ(console.Occurrences("WARNING"), 1);
  EXPECT_EQ(loaded.Count(), 2);
  EXPECT_FALSE(loaded.Exists(42));
  EXPECT_EQ(RealOf(loaded, newAlpha), 1.5);
  RValue out = RValue_MakeUndefined();
  ASSERT_TRUE(loaded.GetVar(newGamma, ArrayIndex_Pack(0, 1), &out));
  EXPECT_EQ(out.val, 3.0);
  RValue_Release(&out);
  EXPECT_EQ(saved.ReadText(), "after the map") << "the skipped value was read past";
}

TEST_F(VariableListTest, LoadingADamagedMapStopsWhereTheDataEnds) {
  Variable_FindOrAddUser("alpha");
  SavedMap saved;
  RValue count = Real(1000000.0);
  saved.buffer.Write(eBuffer_S32, &count);
  saved.buffer.WriteString("alpha");
  CVariableList loaded;
  saved.Rewind();
  loaded.Load(&saved.buffer);
  EXPECT_LE(loaded.Count(), 1);
}

}  // namespace
