// The list container and the ds_list_ script functions.
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "functions/ds_test_support.h"
#include "functions/random.h"

namespace {

using DsList = DsTest;

Arg MarkedReal(double id, uint32_t mark) {
  Arg a(id);
  a.v.kind |= mark;
  return a;
}

// --- the container ------------------------------------------------------------------------------

TEST_F(DsList, AddGrowsBySixteenThenByAnEighth) {
  CDS_List list;
  const Arg v(1);
  std::vector<int32_t> capacities;
  for (int i = 0; i < 183; ++i) {
    const int32_t before = list.Capacity();
    list.Add(&v.v);
    if (list.Capacity() != before) capacities.push_back(list.Capacity());
  }
  EXPECT_EQ(capacities, (std::vector<int32_t>{16, 32, 48, 64, 80, 96, 112, 128, 144, 162, 182, 204}));
  EXPECT_EQ(list.Size(), 183);
}

TEST_F(DsList, InsertAtTheEndAppendsAndOutsideDoesNothing) {
  CDS_List list;
  const Arg a(1), b(2), c(3);
  list.Insert(0, &a.v);
  list.Insert(1, &c.v);
  list.Insert(1, &b.v);
  list.Insert(4, &a.v);
  list.Insert(-1, &a.v);
  ASSERT_EQ(list.Size(), 3);
  EXPECT_EQ(Show(list.GetValue(0)) + Show(list.GetValue(1)) + Show(list.GetValue(2)), "123");
  EXPECT_EQ(list.Capacity(), 16);
}

TEST_F(DsList, SetPastTheEndShowsWhatTheSlotsHeld) {
  const int id = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_set", {id, 5, "x"});
  EXPECT_EQ(Elements(id), "0 0 0 0 0 'x'");
  Call("ds_list_set", {id, -1, "y"});
  EXPECT_EQ(Elements(id), "0 0 0 0 0 'x'");

  // A vacated slot holds a real 0 ...
  Call("ds_list_clear", {id});
  Call("ds_list_add", {id, 1, 2, 3.5});
  Call("ds_list_delete", {id, 0});
  Call("ds_list_set", {id, 3, "v"});
  EXPECT_EQ(Elements(id), "2 3.5 0 'v'");

  // ... and a cleared one is undefined.
  for (int i = 0; i < 20; ++i) Call("ds_list_add", {id, i});
  Call("ds_list_clear", {id});
  Call("ds_list_set", {id, 2, 7});
  EXPECT_EQ(Elements(id), "undefined undefined 7");
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsList, SetThatWouldPassTheLargestPositionChangesNothing) {
  CDS_List list;
  const Arg v(1);
  Arg old("kept");
  list.Set(INT32_MAX, &v.v, &old.v);
  EXPECT_EQ(list.Size(), 0);
  EXPECT_EQ(list.Capacity(), 0);
  EXPECT_TRUE(old.IsString("kept"));
}

TEST_F(DsList, ValuesAreCopiesThatKeepTheirStrings) {
  CDS_List list;
  {
    const Arg s("text");
    list.Add(&s.v);
    list.Insert(0, &s.v);
    list.Set(3, &s.v, nullptr);
  }
  // The list's own element as the value: growth and shifting move the storage under it.
  for (int i = 0; i < 40; ++i) list.Add(list.GetValue(0));
  list.Insert(0, list.GetValue(1));
  list.Set(1, list.GetValue(1), nullptr);
  list.Replace(2, list.GetValue(2));
  EXPECT_EQ(list.Size(), 45);
  EXPECT_EQ(Show(list.GetValue(44)), "'text'");
  EXPECT_EQ(list.GetValue(1)->pString->refCount, 44);
}

TEST_F(DsList, FindIndexComparesAtThePrecision) {
  const int id = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {id, 5, 1});
  EXPECT_EQ(Real("ds_list_find_index", {id, 1.000000001}), 1);
  EXPECT_EQ(Real("ds_list_find_index", {id, "1"}), -1);
  EXPECT_EQ(Real("ds_list_find_index", {id, 6}), -1);
}

TEST_F(DsList, SortOrdersRealsBeforeStringsAndKeepsEqualOnesInOrderAscending) {
  const int id = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {id, 3, "b", 1, "a"});
  Call("ds_list_sort", {id, 1});
  EXPECT_EQ(Elements(id), "1 3 'a' 'b'");
  Call("ds_list_sort", {id, 0});
  EXPECT_EQ(Elements(id), "'b' 'a' 3 1");

  // 1 and 1.2 are equal at precision 0.5: ascending keeps their order, descending swaps it.
  Call("ds_set_precision", {0.5});
  Call("ds_list_clear", {id});
  Call("ds_list_add", {id, 1, 1.2});
  Call("ds_list_sort", {id, 1});
  EXPECT_EQ(Elements(id), "1 1.2");
  Call("ds_list_sort", {id, 0});
  EXPECT_EQ(Elements(id), "1.2 1");
}

// The list's order is defined by this insertion sort; the list reaches it in fewer comparisons.
void ReferenceInsertionSort(std::vector<RValue>& v, bool ascending, double precision) {
  for (size_t i = 1; i < v.size(); ++i) {
    for (size_t j = i; j >= 1; --j) {
      const int32_t c = RValue_Compare(&v[j - 1], &v[j], precision);
      if ((c > 0) != ascending) break;
      std::swap(v[j - 1], v[j]);
    }
  }
}

TEST_F(DsList, SortGivesTheInsertionSortsOrderWithManyEqualKeys) {
  // Keys repeat many times; equal elements stay apart by their record: reals by offsets that
  // vanish at single precision (where the comparison looks), strings by their own text objects.
  std::mt19937 draw(60);
  for (int32_t size : {0, 1, 2, 23, 24, 25, 97, 1000, 5003}) {
    std::vector<Arg> values;
    for (int32_t i = 0; i < size; ++i) {
      const int key = static_cast<int>(draw() % 7);
      if (draw() % 4 == 0) {
        values.emplace_back(std::string(1, static_cast<char>('a' + key)).c_str());
      } else {
        values.emplace_back(key + i * 1e-12);
      }
    }
    for (bool ascending : {true, false}) {
      SCOPED_TRACE(testing::Message() << size << (ascending ? " ascending" : " descending"));
      CDS_List list;
      std::vector<RValue> expected;
      for (const Arg& a : values) {
        list.Add(&a.v);
        expected.push_back(a.v);
      }
      ReferenceInsertionSort(expected, ascending, 0.00000001);
      list.Sort(ascending);
      ASSERT_EQ(list.Size(), size);
      for (int32_t i = 0; i < size; ++i) {
        const RValue* got = list.GetValue(i);
        ASSERT_EQ(got->kind, expected[i].kind) << i;
        if (got->kind == VALUE_STRING) {
          ASSERT_EQ(got->pString, expected[i].pString) << i;
        } else {
          ASSERT_EQ(got->val, expected[i].val) << i;
        }
      }
    }
  }
}

// The shuffle draws from the runner's one generator. A child process starts with the same
// generator state, so it can draw the numbers the parent's shuffle will draw and hand them over.
std::vector<uint32_t> DrawInChild(int32_t count, int32_t bound) {
  int fds[2];
  EXPECT_EQ(pipe(fds), 0);
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    for (int32_t i = 0; i < count; ++i) {
      const uint32_t n = Random_Int(bound);
      if (write(fds[1], &n, sizeof n) != sizeof n) _exit(1);
    }
    _exit(0);
  }
  close(fds[1]);
  std::vector<uint32_t> draws(static_cast<size_t>(count));
  size_t got = 0;
  ssize_t n;
  while (got < draws.size() * sizeof(uint32_t) &&
         (n = read(fds[0], reinterpret_cast<char*>(draws.data()) + got, draws.size() * sizeof(uint32_t) - got)) > 0) {
    got += static_cast<size_t>(n);
  }
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_EQ(got, draws.size() * sizeof(uint32_t));
  return draws;
}

TEST_F(DsList, ShuffleExchangesDrawnPairsEightTimesTheSize) {
  const int id = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {id, 0, 1, 2, 3, 4});
  const std::vector<uint32_t> draws = DrawInChild(2 * 8 * 5, 5);
  std::vector<int> expected{0, 1, 2, 3, 4};
  for (size_t i = 0; i < draws.size(); i += 2) std::swap(expected[draws[i]], expected[draws[i + 1]]);
  Call("ds_list_shuffle", {id});
  std::string want;
  for (int e : expected) want += (want.empty() ? "" : " ") + std::to_string(e);
  EXPECT_EQ(Elements(id), want);
}

TEST_F(DsList, ShuffleOfOneElementStillDrawsSixteenNumbers) {
  const int id = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {id, "only"});
  const std::vector<uint32_t> draws = DrawInChild(17, INT32_MIN);
  Call("ds_list_shuffle", {id});
  EXPECT_EQ(Elements(id), "'only'");
  EXPECT_EQ(Random_Int(INT32_MIN), draws[16]);
  // An empty list draws nothing.
  Call("ds_list_clear", {id});
  const std::vector<uint32_t> next = DrawInChild(1, INT32_MIN);
  Call("ds_list_shuffle", {id});
  EXPECT_EQ(Random_Int(INT32_MIN), next[0]);
}

// --- the script functions ------------------------------------------------------------------------

TEST_F(DsList, CreateAndDestroy) {
  EXPECT_EQ(Real("ds_list_create"), 0);
  EXPECT_EQ(Real("ds_list_create"), 1);
  Call("ds_list_destroy", {0});
  EXPECT_EQ(TakeError(), "");
  Call("ds_list_destroy", {0});
  EXPECT_EQ(TakeError(), "");  // an emptied slot is no error for lists
  EXPECT_EQ(Real("ds_list_create"), 0);
  Call("ds_list_destroy", {5});
  EXPECT_EQ(TakeError(), kBadId);
}

TEST_F(DsList, SizeEmptyAndFindValue) {
  const int id = static_cast<int>(Real("ds_list_create"));
  EXPECT_EQ(Real("ds_list_empty", {id}), 1);
  Call("ds_list_add", {id, 1, "two", 3});
  Call("ds_list_add", {id});
  EXPECT_EQ(TakeError(), kBadId);
  EXPECT_EQ(Real("ds_list_size", {id}), 3);
  EXPECT_EQ(Real("ds_list_empty", {id}), 0);
  EXPECT_TRUE(Call("ds_list_find_value", {id, 1}).IsString("two"));
  EXPECT_TRUE(Call("ds_list_find_value", {id, 3}).IsUndefined());
  EXPECT_TRUE(Call("ds_list_find_value", {id, -1}).IsUndefined());
  Call("ds_list_insert", {id, 0, 0});
  Call("ds_list_replace", {id, 3, "three"});
  Call("ds_list_replace", {id, 4, "past"});
  Call("ds_list_delete", {id, 1});
  Call("ds_list_delete", {id, 9});
  EXPECT_EQ(Elements(id), "0 'two' 'three'");
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsList, SetPostAndSetPre) {
  const int id = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {id, 3});
  EXPECT_TRUE(Call("ds_list_set_post", {id, 0, 7}).IsReal(3));
  EXPECT_TRUE(Call("ds_list_set_post", {id, 2, 8}).IsReal(0));  // what the new slot held
  EXPECT_TRUE(Call("ds_list_set_post", {id, -1, 9}).IsUndefined());
  EXPECT_TRUE(Call("ds_list_set_pre", {id, -1, 7}).IsReal(7));
  EXPECT_EQ(Elements(id), "7 0 8");
}

TEST_F(DsList, CopyChecksTheDestinationFirstAndKeepsAListCopiedOntoItself) {
  const int a = static_cast<int>(Real("ds_list_create"));
  const int b = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {a, "x", 2});
  Call("ds_list_add", {b, 9, 9, 9});
  Call("ds_list_copy", {b, a});
  EXPECT_EQ(Elements(b), "'x' 2");
  Call("ds_list_copy", {a, a});
  EXPECT_EQ(Elements(a), "'x' 2");
  Call("ds_list_copy", {7, a});
  EXPECT_EQ(TakeError(), kBadId);
  Call("ds_list_copy", {a, 7});
  EXPECT_EQ(TakeError(), kBadId);
  EXPECT_EQ(Elements(a), "'x' 2");
  // The copy holds its own references: it outlives its source.
  Call("ds_list_destroy", {a});
  EXPECT_EQ(Elements(b), "'x' 2");
}

TEST_F(DsList, MarkAsMapReturnsThePlainIdAndTheListTakesTheMapAlong) {
  const int map = static_cast<int>(Real("ds_map_create"));
  const int list = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {list, map});
  const Arg marked = Call("ds_list_mark_as_map", {list, 0});
  EXPECT_EQ(marked.v.kind, VALUE_REAL);
  EXPECT_EQ(marked.v.val, map);
  EXPECT_EQ(g_DsLists.Get(list)->GetValue(0)->kind, VALUE_REAL | KIND_FLAG_DSMAP);
  EXPECT_EQ(Call("ds_list_find_value", {list, 0}).v.kind, VALUE_REAL);  // results never carry marks
  EXPECT_TRUE(Call("ds_list_mark_as_list", {list, 10}).IsUndefined());
  Call("ds_list_destroy", {list});
  EXPECT_EQ(Real("ds_exists", {map, kDsTypeMap}), 0);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsList, ClearDestroysAMarkedMapButADeletedMarkLeavesItAlive) {
  for (int i = 0; i < 3; ++i) Call("ds_map_create");
  const int list = static_cast<int>(Real("ds_list_create"));
  Call("ds_list_add", {list, 2});
  Call("ds_list_mark_as_map", {list, 0});
  Call("ds_list_clear", {list});
  EXPECT_EQ(Real("ds_exists", {2, kDsTypeMap}), 0);
  EXPECT_EQ(Real("ds_map_create"), 2);  // its id is free again

  Call("ds_list_add", {list, 2});
  Call("ds_list_mark_as_map", {list, 0});
  Call("ds_list_delete", {list, 0});
  Call("ds_list_clear", {list});
  EXPECT_EQ(Real("ds_exists", {2, kDsTypeMap}), 1);

  // Overwriting the marked element lets go of the map as well.
  Call("ds_list_add", {list, 2});
  Call("ds_list_mark_as_map", {list, 0});
  Call("ds_list_set", {list, 0, "other"});
  Call("ds_list_destroy", {list});
  EXPECT_EQ(Real("ds_exists", {2, kDsTypeMap}), 1);
}

TEST_F(DsList, MarksOnValuesThatNameNothingAreSkipped) {
  CDS_List list;
  for (double id : {-5.0, 1e300, std::nan(""), HUGE_VAL, 0.0}) {
    const Arg v = MarkedReal(id, KIND_FLAG_DSMAP | KIND_FLAG_DSLIST);
    list.Add(&v.v);
  }
  Arg text("7");
  text.v.kind |= KIND_FLAG_DSLIST;  // a mark on a string is never honoured
  list.Add(&text.v);
  list.Clear();
  EXPECT_EQ(list.Size(), 0);
}

}  // namespace
