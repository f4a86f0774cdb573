// The priority-queue container and the ds_priority_ script functions.
#include <string>

#include "functions/ds_priority.h"
#include "functions/ds_test_support.h"

namespace {

using DsPriority = DsTest;

// Values in storage order.
std::string Stored(const CDS_Priority& p) {
  std::string out;
  for (int32_t i = 0; i < p.Size(); ++i) out += (i ? " " : "") + Show(p.ValueAt(i));
  return out;
}

void AddAll(CDS_Priority& p, std::initializer_list<std::pair<Arg, Arg>> entries) {
  for (const auto& [value, priority] : entries) p.Add(&value.v, &priority.v);
}

// --- the container ------------------------------------------------------------------------------

TEST_F(DsPriority, TiesGoToTheEntryStoredFirst) {
  CDS_Priority p;
  AddAll(p, {{"a", 1}, {"b", 1}, {"c", 0}});
  EXPECT_EQ(Show(p.FindMax()), "'a'");
  EXPECT_EQ(Show(p.FindMin()), "'c'");

  CDS_Priority close;
  AddAll(close, {{"first", 1}, {"second", 1.000000001}});
  EXPECT_EQ(Show(close.FindMin()), "'first'");

  // Reals order before strings.
  CDS_Priority mixed;
  AddAll(mixed, {{"x-priority", "x"}, {"one", 1}});
  EXPECT_EQ(Show(mixed.FindMin()), "'one'");
  EXPECT_EQ(Show(mixed.FindMax()), "'x-priority'");
}

TEST_F(DsPriority, RemovalMovesTheLastEntryIntoTheHole) {
  CDS_Priority p;
  AddAll(p, {{"a", 1}, {"c", 0}, {"b", 1}});
  Arg out;
  p.DeleteMin(&out.v);
  EXPECT_TRUE(out.IsString("c"));
  EXPECT_EQ(Stored(p), "'a' 'b'");
  EXPECT_EQ(Show(p.FindMax()), "'a'");

  CDS_Priority q;
  AddAll(q, {{"a", 2}, {"b", 1}, {"c", 2}});
  const Arg a("a");
  q.DeleteValue(&a.v);
  EXPECT_EQ(Stored(q), "'c' 'b'");
  EXPECT_EQ(Show(q.FindMax()), "'c'");
  // The last entry itself, and a value that is not there.
  const Arg b("b"), none("none");
  q.DeleteValue(&b.v);
  q.DeleteValue(&none.v);
  EXPECT_EQ(Stored(q), "'c'");
}

TEST_F(DsPriority, EmptyQueueAndGrowth) {
  CDS_Priority p;
  Arg out("old");
  p.DeleteMax(&out.v);
  EXPECT_TRUE(out.IsReal(0));
  EXPECT_EQ(p.FindMin(), nullptr);
  for (int i = 0; i < 17; ++i) {
    const Arg v(i);
    p.Add(&v.v, &v.v);
  }
  EXPECT_EQ(p.Capacity(), 32);
  const Arg ten(10), minus(-1);
  p.ChangePriority(&ten.v, &minus.v);
  EXPECT_EQ(Show(p.FindMin()), "10");
  EXPECT_EQ(Show(p.FindPriority(&ten.v)), "-1");
}

TEST_F(DsPriority, CopyOntoItselfKeepsTheEntriesAndSmallerSourcesReleaseTheRest) {
  CDS_Priority p;
  for (int i = 0; i < 20; ++i) {
    const Arg v(("entry " + std::to_string(i)).c_str());
    p.Add(&v.v, &v.v);
  }
  p.Copy(&p);
  EXPECT_EQ(p.Size(), 20);
  EXPECT_EQ(Show(p.FindMin()), "'entry 0'");
  CDS_Priority small;
  AddAll(small, {{"s", 1}});
  p.Copy(&small);
  EXPECT_EQ(Stored(p), "'s'");
  EXPECT_EQ(p.Capacity(), 16);
}

// --- the script functions ------------------------------------------------------------------------

TEST_F(DsPriority, FindAndDelete) {
  const Arg p = Call("ds_priority_create");
  Call("ds_priority_add", {p, "a", 5});
  Call("ds_priority_add", {p, "b", 1});
  EXPECT_TRUE(Call("ds_priority_find_min", {p}).IsString("b"));
  EXPECT_TRUE(Call("ds_priority_find_max", {p}).IsString("a"));
  EXPECT_TRUE(Call("ds_priority_find_priority", {p, "a"}).IsReal(5));
  EXPECT_TRUE(Call("ds_priority_find_priority", {p, "zzz"}).IsUndefined());
  EXPECT_TRUE(Call("ds_priority_delete_min", {p}).IsString("b"));
  EXPECT_TRUE(Call("ds_priority_size", {p}).IsReal(1));
  Call("ds_priority_change_priority", {p, "a", 7});
  EXPECT_TRUE(Call("ds_priority_find_priority", {p, "a"}).IsReal(7));
  Call("ds_priority_delete_value", {p, "a"});
  EXPECT_TRUE(Call("ds_priority_empty", {p}).IsReal(1));
  // Empty: the delete functions give a real 0, the find functions undefined.
  EXPECT_TRUE(Call("ds_priority_delete_max", {p}).IsReal(0));
  EXPECT_TRUE(Call("ds_priority_delete_min", {p}).IsReal(0));
  EXPECT_TRUE(Call("ds_priority_find_max", {p}).IsUndefined());
  EXPECT_TRUE(Call("ds_priority_find_min", {p}).IsUndefined());
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsPriority, BadIdsLeaveTheResultUndefined) {
  const Arg p = Call("ds_priority_create");
  Call("ds_priority_destroy", {p});
  EXPECT_EQ(TakeError(), "");
  for (const char* name : {"ds_priority_destroy", "ds_priority_delete_min", "ds_priority_delete_max",
                           "ds_priority_find_min", "ds_priority_size", "ds_priority_write"}) {
    EXPECT_TRUE(Call(name, {p}).IsUndefined()) << name;
    EXPECT_EQ(TakeError(), kBadId) << name;
  }
  const Arg q = Call("ds_priority_create");
  Call("ds_priority_add", {q, "kept", 1});
  Call("ds_priority_copy", {q, 5});
  EXPECT_EQ(TakeError(), kBadId);
  Call("ds_priority_copy", {q, q});
  EXPECT_TRUE(Call("ds_priority_find_min", {q}).IsString("kept"));
  // Too few arguments: nothing read, nothing reported.
  Call("ds_priority_add", {q, "lonely"});
  EXPECT_TRUE(Call("ds_priority_size", {q}).IsReal(1));
  EXPECT_EQ(TakeError(), "");
}

}  // namespace
