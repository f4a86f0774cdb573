// The map container and the ds_map_ script functions.
#include <cstdint>
#include <string>
#include <vector>

#include "functions/ds_test_support.h"

namespace {

using DsMap = DsTest;

int NewMap(std::initializer_list<Arg> args = {}) { return static_cast<int>(DsTest::Real("ds_map_create", args)); }

// --- the container ------------------------------------------------------------------------------

TEST_F(DsMap, IterationFollowsTheBuckets) {
  const int byDefault = NewMap();
  const int small = NewMap({16});
  for (const char* key : {"y", "x", "z"}) {
    Call("ds_map_add", {byDefault, key, 1});
    Call("ds_map_add", {small, key, 1});
  }
  const CDS_Map* map = g_DsMaps.Get(byDefault);
  EXPECT_EQ(map->BucketCount(), 4096);
  const Arg x("x"), y("y"), z("z");
  EXPECT_EQ(map->BucketOf(&z.v), 2128);
  EXPECT_EQ(map->BucketOf(&x.v), 2428);
  EXPECT_EQ(map->BucketOf(&y.v), 2538);
  EXPECT_EQ(Keys(byDefault), "'z' 'x' 'y'");
  EXPECT_EQ(Keys(small), "'z' 'y' 'x'");
  EXPECT_TRUE(Call("ds_map_find_last", {byDefault}).IsString("y"));
  EXPECT_TRUE(Call("ds_map_find_previous", {byDefault, "y"}).IsString("x"));

  // Keys sharing a bucket come out in insertion order, and Set keeps an entry's place.
  const int one = NewMap({1});
  for (const char* key : {"c", "a", "b"}) Call("ds_map_add", {one, key, 0});
  Call("ds_map_set", {one, "c", 5});
  EXPECT_EQ(Keys(one), "'c' 'a' 'b'");
}

// One bucket holding many keys, its hashes compared in groups of four: every key is found at
// every place in the bucket (the last group full or not), after deletes too, with keys of other
// records with the same text, and a key absent is not found. The walk over the live keys in
// insertion order is the reference.
TEST_F(DsMap, AKeyIsFoundAnywhereInALongBucket) {
  const int id = NewMap({1});
  std::vector<std::pair<std::string, int>> live;  // insertion order
  const auto check = [&](const char* when) {
    SCOPED_TRACE(when);
    std::string order;
    for (const auto& [key, value] : live) {
      const Arg probe(key.c_str());  // a record of its own
      EXPECT_EQ(Real("ds_map_find_value", {id, probe}), value) << key;
      order += (order.empty() ? "'" : " '") + key + "'";
    }
    EXPECT_EQ(Keys(id), order);
    EXPECT_TRUE(Call("ds_map_find_value", {id, "absent"}).IsUndefined());
    EXPECT_EQ(Real("ds_map_size", {id}), static_cast<double>(live.size()));
  };
  for (int n = 0; n < 37; ++n) {
    const std::string key = "k" + std::to_string(n);
    Call("ds_map_add", {id, key.c_str(), n * 10});
    live.emplace_back(key, n * 10);
    if (n < 9 || n == 36) check(("after adding " + key).c_str());
  }
  for (const char* gone : {"k0", "k5", "k35", "k36", "k17"}) {
    Call("ds_map_delete", {id, gone});
    std::erase_if(live, [&](const auto& e) { return e.first == gone; });
    check(gone);
  }
  // A real key among the strings is told apart from a string of the same text.
  Call("ds_map_add", {id, 17, -1});
  EXPECT_EQ(Real("ds_map_find_value", {id, 17}), -1.0);
  EXPECT_TRUE(Call("ds_map_find_value", {id, "17"}).IsUndefined());
}

TEST_F(DsMap, BucketCountsBelowOneGiveTheDefaultAndHugeOnesAreCapped) {
  for (int n : {0, -3}) EXPECT_EQ(g_DsMaps.Get(NewMap({n}))->BucketCount(), 4096) << n;
  // Only one argument picks the size.
  EXPECT_EQ(g_DsMaps.Get(NewMap({16, 2}))->BucketCount(), 4096);
  // A script's 2^31 - 1 would be a 32 GiB bucket array: the map gets the largest count instead
  // and works.
  const int huge = NewMap({2147483647});
  EXPECT_EQ(g_DsMaps.Get(huge)->BucketCount(), CDS_Map::kMaxBuckets);
  EXPECT_EQ(g_DsMaps.Get(NewMap({CDS_Map::kMaxBuckets}))->BucketCount(), CDS_Map::kMaxBuckets);
  Call("ds_map_add", {huge, "k", 7});
  EXPECT_EQ(Real("ds_map_find_value", {huge, "k"}), 7.0);
}

TEST_F(DsMap, ZeroAndMinusZeroAreDifferentKeysThatFindNextMatches) {
  const int id = NewMap();
  const Arg zero(0.0), minusZero(-0.0);
  const CDS_Map* map = g_DsMaps.Get(id);
  EXPECT_EQ(map->BucketOf(&zero.v), 150);
  EXPECT_EQ(map->BucketOf(&minusZero.v), 950);
  Call("ds_map_add", {id, 0.0, "zero"});
  Call("ds_map_add", {id, "k", 1});
  EXPECT_EQ(Real("ds_map_exists", {id, -0.0}), 0);
  EXPECT_TRUE(Call("ds_map_find_value", {id, -0.0}).IsUndefined());
  EXPECT_TRUE(Call("ds_map_find_next", {id, -0.0}).IsString("k"));
  // A number key and a string key that print alike are different keys.
  Call("ds_map_add", {id, 1, "number"});
  EXPECT_EQ(Real("ds_map_add", {id, "1", "string"}), 1);
  EXPECT_TRUE(Call("ds_map_find_value", {id, 1}).IsString("number"));
  EXPECT_TRUE(Call("ds_map_find_value", {id, "1"}).IsString("string"));
}

TEST_F(DsMap, IterationEnds) {
  const int id = NewMap();
  EXPECT_TRUE(Call("ds_map_find_first", {id}).IsUndefined());
  EXPECT_TRUE(Call("ds_map_find_last", {id}).IsUndefined());
  Call("ds_map_add", {id, "x", 1});
  Call("ds_map_add", {id, "y", 2});
  EXPECT_TRUE(Call("ds_map_find_next", {id, "y"}).IsUndefined());
  EXPECT_TRUE(Call("ds_map_find_previous", {id, "x"}).IsUndefined());
  EXPECT_TRUE(Call("ds_map_find_next", {id, "absent"}).IsUndefined());
  EXPECT_TRUE(Call("ds_map_find_previous", {id, "absent"}).IsUndefined());
  // FindNext matches exactly: an int64 key only by an int64, a real never within the epsilon.
  Call("ds_map_add", {id, Arg::Int64(5), 3});
  Call("ds_map_add", {id, 2.0, 3});
  // With four keys, a key that matches has a neighbour on one side at least.
  auto matches = [id](const Arg& key) {
    return !Call("ds_map_find_previous", {id, key}).IsUndefined() || !Call("ds_map_find_next", {id, key}).IsUndefined();
  };
  EXPECT_TRUE(matches(Arg::Int64(5)));
  EXPECT_FALSE(matches(5));
  EXPECT_FALSE(matches(2.0 + 1e-12));
  EXPECT_TRUE(matches(2.0));
}

TEST_F(DsMap, FindNextAndFindPreviousWalkTheIterationOrder) {
  const int id = NewMap({4});
  for (const char* key : {"a", "b", "c", "d", "e", "f", "g"}) Call("ds_map_add", {id, key, 0});
  for (double key : {1.0, 2.0, 3.0, -0.0, 0.5}) Call("ds_map_add", {id, key, 0});
  Call("ds_map_add", {id, Arg::Int64(7), 0});
  CDS_Map* map = g_DsMaps.Get(id);
  // A string key stored with a mark hashes off its text; a plain string still matches it.
  Arg offText("h");
  offText.v.kind |= KIND_FLAG_DSMAP;
  map->Add(&offText.v, &offText.v);

  std::vector<std::string> order;
  map->ForEach([&](const CDS_MapEntry& e) { order.push_back(Show(&e.key)); });
  ASSERT_EQ(order.size(), 14u);
  std::vector<std::string> forward;
  for (Arg k = Call("ds_map_find_first", {id}); !k.IsUndefined(); k = Call("ds_map_find_next", {id, k})) {
    forward.push_back(k.Kind() == VALUE_INT64 ? "kind 10" : Show(&k.v));
  }
  std::vector<std::string> backward;
  for (Arg k = Call("ds_map_find_last", {id}); !k.IsUndefined(); k = Call("ds_map_find_previous", {id, k})) {
    backward.insert(backward.begin(), k.Kind() == VALUE_INT64 ? "kind 10" : Show(&k.v));
  }
  for (std::string& s : order) {
    if (s.rfind("kind 2147483649", 0) == 0) s = "'h'";
  }
  EXPECT_EQ(forward, order);
  EXPECT_EQ(backward, order);
  // -0 is stored; 0 finds it by ==, whichever bucket each falls into.
  const Arg zero(0.0), minusZero(-0.0);
  EXPECT_EQ(map->FindNext(&zero.v), map->FindNext(&minusZero.v));
  EXPECT_NE(map->FindPrevious(&zero.v), nullptr);
}

TEST_F(DsMap, ContainerOperations) {
  CDS_Map map;
  const Arg a("a"), b("b"), one(1), two(2), three(3);
  EXPECT_TRUE(map.Add(&a.v, &one.v));
  EXPECT_FALSE(map.Add(&a.v, &two.v));
  EXPECT_TRUE(map.Find(&a.v)->value.val == 1);
  EXPECT_FALSE(map.Replace(&b.v, &two.v));
  EXPECT_TRUE(map.Replace(&b.v, &three.v));
  Arg previous("old");
  map.Set(&a.v, &two.v, &previous.v);
  EXPECT_TRUE(previous.IsReal(1));
  const Arg c("c");
  map.Set(&c.v, &three.v, &previous.v);
  EXPECT_TRUE(previous.IsReal(3));
  EXPECT_EQ(map.Size(), 3);
  EXPECT_TRUE(map.Delete(&b.v));
  EXPECT_FALSE(map.Delete(&b.v));
  EXPECT_TRUE(map.AddPair("status", 200, nullptr));
  EXPECT_TRUE(map.AddPair("result", 0, "ok"));
  EXPECT_FALSE(map.AddPair("status", 1, nullptr));
  const Arg result("result");
  EXPECT_EQ(Show(&map.Find(&result.v)->value), "'ok'");
  // A map's serial number tells it apart from every other map, even one at a reused id.
  CDS_Map other;
  EXPECT_NE(map.Serial(), other.Serial());
}

TEST_F(DsMap, CopyRehashesIntoTheDestinationsBucketsAndKeepsAMapCopiedOntoItself) {
  const int source = NewMap();
  const int dest = NewMap({16});
  for (const char* key : {"x", "y", "z"}) Call("ds_map_add", {source, key, key});
  Call("ds_map_add", {dest, "gone", 0});
  Call("ds_map_copy", {dest, source});
  EXPECT_EQ(Keys(dest), "'z' 'y' 'x'");
  Call("ds_map_copy", {source, source});
  EXPECT_EQ(Keys(source), "'z' 'x' 'y'");
  Call("ds_map_copy", {dest, 9});
  EXPECT_EQ(TakeError(), kBadId);
  Call("ds_map_destroy", {source});
  EXPECT_TRUE(Call("ds_map_find_value", {dest, "x"}).IsString("x"));
}

// --- the script functions ------------------------------------------------------------------------

TEST_F(DsMap, AddReplaceAndTheirResults) {
  const int m = NewMap();
  EXPECT_EQ(Real("ds_map_add", {m, "a", 1}), 1);
  EXPECT_EQ(Real("ds_map_add", {m, "a", 2}), 0);
  EXPECT_TRUE(Call("ds_map_find_value", {m, "a"}).IsReal(1));
  EXPECT_EQ(Real("ds_map_replace", {m, "a", 3}), 1);
  EXPECT_EQ(Real("ds_map_replace", {m, "b", 4}), 0);
  EXPECT_EQ(Real("ds_map_size", {m}), 2);
  EXPECT_EQ(Real("ds_map_empty", {m}), 0);
  EXPECT_EQ(Real("ds_map_exists", {m, "b"}), 1);
  Call("ds_map_delete", {m, "b"});
  EXPECT_EQ(Real("ds_map_exists", {m, "b"}), 0);
  EXPECT_TRUE(Call("ds_map_find_value", {m, "missing"}).IsUndefined());
  Call("ds_map_clear", {m});
  EXPECT_EQ(Real("ds_map_empty", {m}), 1);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsMap, SetPostAndSetPre) {
  const int m = NewMap();
  Call("ds_map_set", {m, "a", 3});
  EXPECT_TRUE(Call("ds_map_set_post", {m, "a", 5}).IsReal(3));
  EXPECT_TRUE(Call("ds_map_set_post", {m, "c", 5}).IsReal(5));
  EXPECT_TRUE(Call("ds_map_set_pre", {m, "d", "v"}).IsString("v"));
  EXPECT_EQ(Real("ds_map_size", {m}), 3);
  EXPECT_TRUE(Call("ds_map_find_value", {m, "a"}).IsReal(5));
  EXPECT_TRUE(Call("ds_map_find_value", {m, "c"}).IsReal(5));
  EXPECT_TRUE(Call("ds_map_find_value", {m, "d"}).IsString("v"));
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsMap, BadIds) {
  // The value comes back from set_pre, and the six add and replace forms answer 0.
  EXPECT_TRUE(Call("ds_map_set_pre", {99, "k", 5}).IsReal(5));
  EXPECT_EQ(TakeError(), kBadId);
  for (const char* name : {"ds_map_add", "ds_map_add_list", "ds_map_add_map", "ds_map_replace",
                           "ds_map_replace_list", "ds_map_replace_map"}) {
    EXPECT_TRUE(Call(name, {99, "k", 1}).IsReal(0)) << name;
    EXPECT_EQ(TakeError(), kBadId) << name;
  }
  for (const char* name : {"ds_map_find_value", "ds_map_find_next", "ds_map_exists"}) {
    EXPECT_TRUE(Call(name, {99, "k"}).IsUndefined()) << name;
    EXPECT_EQ(TakeError(), kBadId) << name;
  }
  const int m = NewMap();
  Call("ds_map_destroy", {m});
  Call("ds_map_destroy", {m});
  EXPECT_EQ(TakeError(), "");
  Call("ds_map_destroy", {m + 1});
  EXPECT_EQ(TakeError(), kBadId);
}

TEST_F(DsMap, AddListTakesOwnershipOnlyWhenItStores) {
  const int m = NewMap();
  const int l = static_cast<int>(Real("ds_list_create"));
  const int l2 = static_cast<int>(Real("ds_list_create"));
  EXPECT_EQ(Real("ds_map_add_list", {m, "l", l}), 1);
  EXPECT_EQ(Real("ds_map_add_list", {m, "l", l2}), 0);
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(Real("ds_map_add_list", {m, "l3", 500}), 0);
  EXPECT_EQ(TakeError(), "Invalid list index for value");
  EXPECT_EQ(Real("ds_map_add_list", {m, "l3", "0"}), 0);  // not a plain real
  EXPECT_EQ(TakeError(), "Invalid list index for value");
  EXPECT_EQ(Real("ds_map_exists", {m, "l3"}), 0);
  EXPECT_EQ(Call("ds_map_find_value", {m, "l"}).v.kind, VALUE_REAL);
  Call("ds_map_destroy", {m});
  EXPECT_EQ(Real("ds_exists", {l, kDsTypeList}), 0);
  EXPECT_EQ(Real("ds_exists", {l2, kDsTypeList}), 1);
}

TEST_F(DsMap, ReplaceMapMarksTheValue) {
  const int m = NewMap();
  const int m2 = NewMap();
  const int list = static_cast<int>(Real("ds_list_create"));
  EXPECT_EQ(Real("ds_map_replace_map", {m, "k", m2}), 0);
  EXPECT_EQ(Real("ds_map_replace_map", {m, "k", m2}), 1);
  // A list id that is no map id.
  Call("ds_list_create");
  const int listOnly = static_cast<int>(Real("ds_list_create"));
  ASSERT_EQ(g_DsMaps.Get(listOnly), nullptr);
  EXPECT_EQ(Real("ds_map_replace_map", {m, "j", listOnly}), 0);
  EXPECT_EQ(TakeError(), "Invalid map index for value");
  EXPECT_EQ(Real("ds_map_replace_list", {m, "j", list}), 0);
  Call("ds_map_destroy", {m});
  EXPECT_EQ(Real("ds_exists", {m2, kDsTypeMap}), 0);
  EXPECT_EQ(Real("ds_exists", {list, kDsTypeList}), 0);
  EXPECT_EQ(Real("ds_exists", {listOnly, kDsTypeList}), 1);
}

TEST_F(DsMap, ClearDestroysAMarkedListButADeletedKeyLeavesItAlive) {
  for (int i = 0; i < 6; ++i) Call("ds_list_create");
  const int m = NewMap();
  Call("ds_map_add_list", {m, "five", 5});
  Call("ds_map_clear", {m});
  EXPECT_EQ(Real("ds_exists", {5, kDsTypeList}), 0);
  EXPECT_EQ(Real("ds_list_create"), 5);

  Call("ds_map_add_list", {m, "five", 5});
  Call("ds_map_delete", {m, "five"});
  Call("ds_map_clear", {m});
  EXPECT_EQ(Real("ds_exists", {5, kDsTypeList}), 1);

  // Replacing or setting the value lets go of the list too.
  Call("ds_map_add_list", {m, "five", 5});
  Call("ds_map_set", {m, "five", 0});
  Call("ds_map_destroy", {m});
  EXPECT_EQ(Real("ds_exists", {5, kDsTypeList}), 1);
}

}  // namespace
