// The text forms of the containers and the ds_*_write and ds_*_read script functions.
#include <cstring>
#include <string>

#include "core/memory_manager.h"
#include "functions/ds_grid.h"
#include "functions/ds_priority.h"
#include "functions/ds_stack.h"
#include "functions/ds_test_support.h"

namespace {

using DsText = DsTest;

// A write's text as a string (the block freed).
std::string Take(char* text) {
  std::string out = text != nullptr ? text : "(null)";
  MEM_FREE(text);
  return out;
}

// Builds stream texts by hand: u32 words, reals and raw bytes as upper-case hexadecimal.
struct Hex {
  std::string text;
  Hex& Bytes(const void* p, size_t n) {
    static const char kDigits[] = "0123456789ABCDEF";
    for (size_t i = 0; i < n; ++i) {
      const auto b = static_cast<const uint8_t*>(p)[i];
      text += kDigits[b >> 4];
      text += kDigits[b & 15];
    }
    return *this;
  }
  Hex& U32(uint32_t v) { return Bytes(&v, 4); }
  Hex& Real(double v) { return Bytes(&v, 8); }
  Hex& Text(const char* s) { return U32(static_cast<uint32_t>(std::strlen(s))).Bytes(s, std::strlen(s)); }
};

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

constexpr const char* kListText = "2D0100000200000000000000000000000000F03F01000000020000006162";

// --- the written forms ---------------------------------------------------------------------------

TEST_F(DsText, StreamFormsReadBackByteForByte) {
  CDS_List list;
  const Arg one(1), ab("ab"), seven(7), five(5), a("a"), zero(0);
  list.Add(&one.v);
  list.Add(&ab.v);
  CDS_Stack stack;
  CDS_Grid grid(2, 1);
  grid.SetCell(0, 0, &one.v);
  CDS_Priority priority;
  priority.Add(&a.v, &five.v);
  CDS_Queue queue;
  queue.Enqueue(&seven.v);

  Hex queueText;
  queueText.U32(201).U32(1).U32(0).U32(16).U32(0).Real(7);
  for (int i = 0; i < 15; ++i) queueText.U32(0).Real(0);
  ASSERT_EQ(queueText.text.size(), 416u);

  const std::string texts[] = {Take(list.WriteText()), Take(stack.WriteText()), Take(grid.WriteText()),
                               Take(priority.WriteText()), Take(queue.WriteText())};
  EXPECT_EQ(texts[0], kListText);
  EXPECT_EQ(texts[1], "6500000000000000");
  EXPECT_EQ(texts[2], "59020000020000000100000000000000000000000000F03F000000000000000000000000");
  EXPECT_EQ(texts[3], "F501000001000000000000000000000000001440010000000100000061");
  EXPECT_EQ(texts[4], queueText.text);

  // Read into fresh containers, then written again: the same text.
  CDS_List list2;
  CDS_Stack stack2;
  CDS_Grid grid2(0, 0);
  CDS_Priority priority2;
  CDS_Queue queue2;
  ASSERT_TRUE(list2.ReadText(texts[0].c_str(), false));
  ASSERT_TRUE(stack2.ReadText(texts[1].c_str(), false));
  ASSERT_TRUE(grid2.ReadText(texts[2].c_str(), false));
  ASSERT_TRUE(priority2.ReadText(texts[3].c_str(), false));
  ASSERT_TRUE(queue2.ReadText(texts[4].c_str(), false));
  EXPECT_EQ(Take(list2.WriteText()), texts[0]);
  EXPECT_EQ(Take(stack2.WriteText()), texts[1]);
  EXPECT_EQ(Take(grid2.WriteText()), texts[2]);
  EXPECT_EQ(Take(priority2.WriteText()), texts[3]);
  EXPECT_EQ(Take(queue2.WriteText()), texts[4]);
  EXPECT_EQ(Show(list2.GetValue(1)), "'ab'");
  EXPECT_EQ(list2.Capacity(), 2);  // sized exactly to what was read
  EXPECT_EQ(Show(queue2.Head()), "7");
}

TEST_F(DsText, MapFormsFollowTheBuckets) {
  struct Case {
    std::initializer_list<std::pair<Arg, Arg>> entries;
    const char* text;
  };
  const Case cases[] = {
      {{{"a", 1}}, "1:61:3FF0"},
      {{{"a", 1}, {"b", "c"}}, "3:62:63,1:61:3FF0"},
      {{{"a", 0}}, "1:61:"},
      {{}, ""},
      {{{-1, 0.5}}, "0:BFF0:3FE0"},
      {{{3.14, ""}}, "2:40091EB851EB851F:"},
  };
  for (const Case& c : cases) {
    CDS_Map map;
    for (const auto& [key, value] : c.entries) map.Add(&key.v, &value.v);
    const std::string text = Take(map.WriteText());
    EXPECT_EQ(text, c.text);
    CDS_Map back;
    const Arg other("other");
    back.Add(&other.v, &other.v);
    EXPECT_TRUE(back.ReadText(text.c_str()));
    EXPECT_EQ(Take(back.WriteText()), text);
    EXPECT_EQ(back.Size(), map.Size());
  }
}

// --- reading -------------------------------------------------------------------------------------

TEST_F(DsText, ReadsAcceptLowerCaseAndRefuseOtherKinds) {
  CDS_List list;
  ASSERT_TRUE(list.ReadText(Lower(kListText).c_str(), false));
  EXPECT_EQ(Take(list.WriteText()), kListText);

  CDS_Stack stack;
  const Arg kept("kept");
  stack.Push(&kept.v);
  for (const char* text : {kListText, "", "zz", "65000000", "6500"}) {
    EXPECT_FALSE(stack.ReadText(text, false)) << text;
    EXPECT_EQ(Show(stack.Top()), "'kept'") << text;
  }
  CDS_Grid grid(1, 1);
  EXPECT_FALSE(grid.ReadText("6500000000000000", false));
  EXPECT_EQ(grid.Width(), 1);
}

TEST_F(DsText, OlderFormValuesCarryARealAndAString) {
  const std::string text =
      Hex().U32(301).U32(3).U32(0).Real(1.5).Text("ignored").U32(1).Real(9).Text("hi").U32(2).Real(4).Text("").text;
  CDS_List list;
  ASSERT_TRUE(list.ReadText(text.c_str(), true));
  EXPECT_EQ(Show(list.GetValue(0)) + " " + Show(list.GetValue(1)) + " " + Show(list.GetValue(2)), "1.5 'hi' 4");
}

TEST_F(DsText, OtherKindWordsKeepTheWordOrReadAsUndefined) {
  const std::string text = Hex()
                               .U32(301)
                               .U32(6)
                               .U32(VALUE_REAL | KIND_FLAG_DSMAP)
                               .U32(VALUE_OBJECT)
                               .U32(VALUE_INT32)
                               .U32(VALUE_BOOL)
                               .U32(VALUE_ITERATOR)
                               .U32(1)
                               .U32(0)
                               .text;
  const int list = static_cast<int>(Real("ds_list_create"));
  Call("ds_map_create");  // a map with id 0 that a marked word must not bring into the list
  Call("ds_list_read", {list, text.c_str()});
  const CDS_List* l = g_DsLists.Get(list);
  ASSERT_EQ(l->Size(), 6);
  EXPECT_EQ(l->GetValue(0)->kind, VALUE_UNDEFINED);
  EXPECT_EQ(l->GetValue(1)->kind, VALUE_UNDEFINED);
  EXPECT_EQ(l->GetValue(2)->kind, VALUE_INT32);
  EXPECT_EQ(l->GetValue(2)->v64, 0);
  EXPECT_EQ(l->GetValue(3)->kind, VALUE_BOOL);
  EXPECT_EQ(l->GetValue(4)->kind, VALUE_UNDEFINED);
  EXPECT_EQ(Show(l->GetValue(5)), "''");
  Call("ds_list_destroy", {list});
  EXPECT_TRUE(Call("ds_exists", {0, kDsTypeMap}).IsReal(1));
}

// Damaged texts answer false and leave every kind as it was.
TEST_F(DsText, DamagedTextsChangeNothing) {
  const std::string cutList = std::string(kListText).substr(0, std::strlen(kListText) - 2);
  const std::string hugeList = Hex().U32(301).U32(0x7FFFFFFF).U32(0).Real(1).text;
  const std::string negativeStack = Hex().U32(101).U32(0xFFFFFFFF).text;
  const std::string cutString = Hex().U32(101).U32(1).U32(1).U32(100).Bytes("ab", 2).text;
  const std::string cutReal = Hex().U32(101).U32(1).U32(0).Bytes("1234", 4).text;
  const std::string startPastEnd = Hex().U32(201).U32(1).U32(2).U32(2).U32(5).U32(5).text;
  const std::string endPastCapacity = Hex().U32(201).U32(3).U32(0).U32(2).U32(5).U32(5).text;
  const std::string hugeGrid = Hex().U32(601).U32(0x10000).U32(0x10000).U32(5).text;
  const std::string hugePriority = Hex().U32(501).U32(2).U32(5).U32(5).U32(5).text;  // 2 entries need 4 values
  const std::string hugeArray = Hex().U32(101).U32(1).U32(2).U32(0x7FFFFFFF).text;
  Hex deep;
  deep.U32(101).U32(1);
  for (int i = 0; i < 300; ++i) deep.U32(2).U32(1).U32(1);
  deep.U32(5);

  CDS_List list;
  const Arg kept("kept");
  list.Add(&kept.v);
  CDS_Stack stack;
  stack.Push(&kept.v);
  CDS_Queue queue;
  queue.Enqueue(&kept.v);
  CDS_Grid grid(1, 1);
  grid.SetCell(0, 0, &kept.v);
  CDS_Priority priority;
  priority.Add(&kept.v, &kept.v);
  const std::string before[] = {Take(list.WriteText()), Take(stack.WriteText()), Take(queue.WriteText()),
                                Take(grid.WriteText()), Take(priority.WriteText())};

  EXPECT_FALSE(list.ReadText(cutList.c_str(), false));
  EXPECT_FALSE(list.ReadText(hugeList.c_str(), false));
  for (const std::string& t : {negativeStack, cutString, cutReal, hugeArray, deep.text}) {
    EXPECT_FALSE(stack.ReadText(t.c_str(), false)) << t;
  }
  EXPECT_FALSE(queue.ReadText(startPastEnd.c_str(), false));
  EXPECT_FALSE(queue.ReadText(endPastCapacity.c_str(), false));
  EXPECT_FALSE(grid.ReadText(hugeGrid.c_str(), false));
  EXPECT_FALSE(priority.ReadText(hugePriority.c_str(), false));
  const std::string after[] = {Take(list.WriteText()), Take(stack.WriteText()), Take(queue.WriteText()),
                               Take(grid.WriteText()), Take(priority.WriteText())};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(after[i], before[i]) << i;
}

TEST_F(DsText, ArraysNestAndAnArrayThatHoldsItselfIsWrittenEmptyWhereItRecurs) {
  Arg array;
  const Arg one(1), two("two"), three(3);
  SharedArray_Grow(&array.v, &one.v, ArrayIndex_Pack(0, 0));
  SharedArray_Grow(&array.v, &two.v, ArrayIndex_Pack(0, 1));
  SharedArray_Grow(&array.v, &three.v, ArrayIndex_Pack(1, 0));
  CDS_Stack stack;
  stack.Push(&array.v);
  const std::string text = Take(stack.WriteText());
  EXPECT_EQ(text, Hex()
                      .U32(101)
                      .U32(1)
                      .U32(2)
                      .U32(2)
                      .U32(2)
                      .U32(0)
                      .Real(1)
                      .U32(1)
                      .Text("two")
                      .U32(1)
                      .U32(0)
                      .Real(3)
                      .text);
  CDS_Stack back;
  ASSERT_TRUE(back.ReadText(text.c_str(), false));
  EXPECT_EQ(Take(back.WriteText()), text);
  EXPECT_EQ(back.Top()->pArray->rowCount, 2);

  // a[0][0] = a: the inner a is written as an array of no rows.
  Arg cyclic;
  SharedArray_Grow(&cyclic.v, &one.v, ArrayIndex_Pack(0, 0));
  RValue* element = &cyclic.v.pArray->rows[0].elements[0];
  *element = cyclic.v;
  ++cyclic.v.pArray->refCount;
  CDS_Stack holder;
  holder.Push(&cyclic.v);
  EXPECT_EQ(Take(holder.WriteText()), Hex().U32(101).U32(1).U32(2).U32(1).U32(1).U32(2).U32(0).text);
  RValue_Release(element);  // breaks the cycle
}

TEST_F(DsText, MapTextOffTheFormReadsAsFarAsItCan) {
  struct Case {
    const char* text;
    const char* written;  // the map written again
  };
  const Case cases[] = {
      {"1:61:3ff0", "1:61:3FF0"},                // digits of either case
      {"0:3FF00000000000000001:", "0:3FF0:"},     // a real keeps its first 16 digits
      {"1:616:3FF", "1:61:3FF0"},                // an odd last digit: dropped from a string, a nibble of a real
      {"3:6G:", "3:60:"},                        // another character reads as 0
      {"1:61:3FF0,1:61:4000", "1:61:3FF0,1:61:40"},  // the same key twice: two entries
      {"1:61:3FF0:77,3:62:63", "3:62:63,1:61:3FF0"},   // a fourth field is skipped
      {"", ""},
  };
  for (const Case& c : cases) {
    CDS_Map map;
    const Arg old("old");
    map.Add(&old.v, &old.v);
    EXPECT_TRUE(map.ReadText(c.text)) << c.text;
    EXPECT_EQ(Take(map.WriteText()), c.written) << c.text;
  }
}

// --- the script functions ------------------------------------------------------------------------

TEST_F(DsText, WriteAndReadFunctionsOfEveryKind) {
  struct Kind {
    const char* create;
    const char* add;
    const char* write;
    const char* read;
  };
  const Kind kinds[] = {
      {"ds_stack_create", "ds_stack_push", "ds_stack_write", "ds_stack_read"},
      {"ds_queue_create", "ds_queue_enqueue", "ds_queue_write", "ds_queue_read"},
      {"ds_list_create", "ds_list_add", "ds_list_write", "ds_list_read"},
  };
  for (const Kind& k : kinds) {
    const Arg from = Call(k.create);
    const Arg to = Call(k.create);
    Call(k.add, {from, 1, "two"});
    const Arg text = Call(k.write, {from});
    ASSERT_EQ(text.Kind(), VALUE_STRING) << k.write;
    Call(k.read, {to, text});
    EXPECT_TRUE(Call(k.write, {to}).IsString(text.v.pString->text)) << k.read;
    EXPECT_EQ(TakeError(), "");
  }
  const Arg p = Call("ds_priority_create");
  Call("ds_priority_add", {p, "v", 2});
  const Arg grid = Call("ds_grid_create", {2, 2});
  Call("ds_grid_set", {grid, 1, 1, "g"});
  const Arg map = Call("ds_map_create");
  Call("ds_map_add", {map, "a", 1});
  EXPECT_TRUE(Call("ds_priority_write", {p}).IsString("F5010000010000000000000000000000000000400100000001000000" "76"));
  EXPECT_TRUE(Call("ds_map_write", {map}).IsString("1:61:3FF0"));
  const Arg gridText = Call("ds_grid_write", {grid});
  Call("ds_grid_clear", {grid, 0});
  Call("ds_grid_read", {grid, gridText});
  EXPECT_TRUE(Call("ds_grid_get", {grid, 1, 1}).IsString("g"));
  Call("ds_map_read", {map, "3:62:63"});
  EXPECT_EQ(Keys(static_cast<int32_t>(map.v.val)), "'b'");
  EXPECT_EQ(TakeError(), "");
}

// The older-form flag: a priority queue's third argument is a bool (0.7 counts), the other
// kinds' an integer above 0 (0.7 truncates to 0).
TEST_F(DsText, OlderFormFlagIsABoolOnlyForPriorityQueues) {
  const std::string olderPriority = Hex().U32(501).U32(1).U32(0).Real(5).Text("").U32(1).Real(0).Text("v").text;
  const Arg p = Call("ds_priority_create");
  Call("ds_priority_read", {p, olderPriority.c_str(), 0.7});
  EXPECT_TRUE(Call("ds_priority_find_min", {p}).IsString("v"));

  const std::string olderList = Hex().U32(301).U32(1).U32(1).Real(0).Text("old").text;
  const Arg l = Call("ds_list_create");
  Call("ds_list_add", {l, "kept"});
  // Read in the current form, the string's length word is the real's first bytes: 0.
  Call("ds_list_read", {l, olderList.c_str(), 0.7});
  EXPECT_EQ(Elements(static_cast<int32_t>(l.v.val)), "''");
  Call("ds_list_read", {l, olderList.c_str(), 1});
  EXPECT_EQ(Elements(static_cast<int32_t>(l.v.val)), "'old'");
  // Two arguments: the current form.
  Call("ds_list_read", {l, kListText});
  EXPECT_EQ(Elements(static_cast<int32_t>(l.v.val)), "1 'ab'");
  EXPECT_EQ(TakeError(), "");
}

TEST_F(DsText, ReadingAListDestroysWhatItOwnedOnlyWhenTheTextIsGood) {
  const Arg l = Call("ds_list_create");
  const Arg m = Call("ds_map_create");
  Call("ds_list_add", {l, m});
  Call("ds_list_mark_as_map", {l, 0});
  Call("ds_list_read", {l, "2D010000FF"});
  EXPECT_TRUE(Call("ds_exists", {m, kDsTypeMap}).IsReal(1));
  Call("ds_list_read", {l, kListText});
  EXPECT_TRUE(Call("ds_exists", {m, kDsTypeMap}).IsReal(0));
  // A map read keeps what the old entries owned.
  const Arg holder = Call("ds_map_create");
  const Arg owned = Call("ds_list_create");
  Call("ds_map_add_list", {holder, "k", owned});
  Call("ds_map_read", {holder, "1:61:3FF0"});
  EXPECT_TRUE(Call("ds_exists", {owned, kDsTypeList}).IsReal(1));
  EXPECT_EQ(TakeError(), "");
}

}  // namespace
