// Lists and maps that own the lists and maps their marked values name.
#include "functions/ds_ownership.h"
#include "functions/ds_test_support.h"

namespace {

using DsOwnership = DsTest;

int Create(const char* name) { return static_cast<int>(DsTest::Real(name)); }

// A new list holding the ids, each marked as a map.
int ListOwningMaps(std::initializer_list<int> maps) {
  const int list = Create("ds_list_create");
  int position = 0;
  for (int map : maps) {
    DsTest::Call("ds_list_add", {list, map});
    DsTest::Call("ds_list_mark_as_map", {list, position++});
  }
  return list;
}

TEST_F(DsOwnership, ACopysMarksDoNotDestroyWhatTheSourceOwned) {
  const int map = Create("ds_map_create");
  const int source = ListOwningMaps({map});
  const int copy = Create("ds_list_create");
  Call("ds_list_copy", {copy, source});
  EXPECT_EQ(g_DsLists.Get(copy)->GetValue(0)->kind, VALUE_REAL | KIND_FLAG_DSMAP);  // the mark stays

  Call("ds_list_destroy", {source});
  EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), 0);
  const int reused = Create("ds_map_create");
  ASSERT_EQ(reused, map);  // the freed id, now naming an unrelated map
  Call("ds_list_destroy", {copy});
  EXPECT_EQ(Real("ds_exists", {reused, kDsTypeMap}), 1);
}

TEST_F(DsOwnership, DestroyingTheCopyFirstLeavesTheMapToTheSource) {
  const int map = Create("ds_map_create");
  const int source = ListOwningMaps({map});
  const int copy = Create("ds_list_create");
  Call("ds_list_copy", {copy, source});
  Call("ds_list_destroy", {copy});
  EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), 1);
  Call("ds_list_destroy", {source});
  EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), 0);
}

TEST_F(DsOwnership, AListThatOwnsItselfIsDestroyedOnce) {
  const int list = Create("ds_list_create");
  Call("ds_list_add", {list, list, list});
  Call("ds_list_mark_as_list", {list, 0});
  Call("ds_list_mark_as_list", {list, 1});
  Call("ds_list_destroy", {list});
  EXPECT_EQ(Real("ds_exists", {list, kDsTypeList}), 0);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsOwnership, ClearingAListThatOwnsItselfEmptiesIt) {
  const int list = Create("ds_list_create");
  Call("ds_list_add", {list, list, "text"});
  Call("ds_list_mark_as_list", {list, 0});
  Call("ds_list_clear", {list});
  EXPECT_EQ(Real("ds_exists", {list, kDsTypeList}), 1);
  EXPECT_EQ(Real("ds_list_size", {list}), 0);
  EXPECT_TRUE(g_DsLists.Get(list)->Holders().empty());
}

TEST_F(DsOwnership, ACycleThroughAMapIsDestroyedOnceFromEitherEnd) {
  for (bool fromMap : {false, true}) {
    SCOPED_TRACE(fromMap);
    const int map = Create("ds_map_create");
    const int list = ListOwningMaps({map});
    Call("ds_map_add_list", {map, "back", list});
    if (fromMap) Call("ds_map_clear", {map}); else Call("ds_list_clear", {list});
    // The cleared one survives empty; the other went with it.
    EXPECT_EQ(Real("ds_exists", {list, kDsTypeList}), fromMap ? 0 : 1);
    EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), fromMap ? 1 : 0);
    DS_FreeAll();
  }
}

TEST_F(DsOwnership, MarkingTwiceOrFromTwoHoldersDestroysOnce) {
  const int map = Create("ds_map_create");
  const int a = ListOwningMaps({map, map});
  const int b = ListOwningMaps({map});
  EXPECT_EQ(g_DsMaps.Get(map)->Holders().size(), 3u);
  Call("ds_list_destroy", {a});
  EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), 0);
  const int reused = Create("ds_map_create");
  Call("ds_list_destroy", {b});
  EXPECT_EQ(Real("ds_exists", {reused, kDsTypeMap}), 1);
}

TEST_F(DsOwnership, DeletingOneOfTwoMarkedElementsKeepsTheOther) {
  const int map = Create("ds_map_create");
  const int list = ListOwningMaps({map, map});
  Call("ds_list_delete", {list, 0});
  EXPECT_EQ(g_DsMaps.Get(map)->Holders().size(), 1u);
  Call("ds_list_clear", {list});
  EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), 0);
}

TEST_F(DsOwnership, NestedTreesGoAsOne) {
  // map -> list -> map -> list, each level holding a string too.
  const int top = Create("ds_map_create");
  const int l1 = Create("ds_list_create");
  const int m2 = Create("ds_map_create");
  const int l3 = Create("ds_list_create");
  Call("ds_map_add_list", {top, "l1", l1});
  Call("ds_map_add", {top, "s", "text"});
  Call("ds_list_add", {l1, m2, "text"});
  Call("ds_list_mark_as_map", {l1, 0});
  Call("ds_map_add_list", {m2, "l3", l3});
  Call("ds_list_add", {l3, "leaf"});
  Call("ds_map_destroy", {top});
  EXPECT_EQ(Real("ds_exists", {l1, kDsTypeList}), 0);
  EXPECT_EQ(Real("ds_exists", {m2, kDsTypeMap}), 0);
  EXPECT_EQ(Real("ds_exists", {l3, kDsTypeList}), 0);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsOwnership, AValueWithBothMarksTakesBothAlong) {
  const int map = Create("ds_map_create");
  const int list = Create("ds_list_create");
  const int holder = Create("ds_list_create");
  ASSERT_EQ(map, 0);
  ASSERT_EQ(list, 0);
  Call("ds_list_add", {holder, 0});
  Call("ds_list_mark_as_map", {holder, 0});
  Call("ds_list_mark_as_list", {holder, 0});
  Call("ds_list_destroy", {holder});
  EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), 0);
  EXPECT_EQ(Real("ds_exists", {list, kDsTypeList}), 0);
}

}  // namespace
