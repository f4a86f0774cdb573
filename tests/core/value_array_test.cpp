#include <gtest/gtest.h>

#include "core/crc32.h"
#include "core/value_test_util.h"

namespace {

double RealAt(const RValue* v, int32_t row, int32_t column) {
  const RValue& e = v->pArray->rows[row].elements[column];
  EXPECT_EQ(e.kind, VALUE_REAL);
  return e.val;
}

class ValueArray : public ::testing::Test {
 protected:
  void SetUp() override {
    ArrayIndexError = {};
    m_bytes = MemoryManager_BytesInUse();
  }
  // Everything a test made must be gone once its values are released.
  void TearDown() override { EXPECT_EQ(MemoryManager_BytesInUse(), m_bytes); }
  int64_t m_bytes = 0;
};

TEST_F(ValueArray, ElementWriteTurnsRealIntoArrayAndGrowsOnlyToTheIndex) {
  for (bool throughPointer : {false, true}) {
    SCOPED_TRACE(throughPointer ? "RValue_ElementForWrite" : "RValue_SetElement");
    Val a(4.0);
    Val x("x");
    if (throughPointer) {
      RValue_Assign(RValue_ElementForWrite(&a.v, Idx(2, 5)), &x.v);
    } else {
      RValue_SetElement(&a.v, &x.v, Idx(2, 5));
    }
    ASSERT_EQ(a.v.kind, VALUE_ARRAY);
    const SharedArray* arr = a.v.pArray;
    EXPECT_EQ(arr->owner, &a.v);
    EXPECT_EQ(arr->refCount, 1);
    ASSERT_EQ(arr->rowCount, 3);
    for (int r = 0; r < 2; ++r) {
      EXPECT_EQ(arr->rows[r].length, 0);
      EXPECT_EQ(arr->rows[r].elements, nullptr);
    }
    ASSERT_EQ(arr->rows[2].length, 6);
    for (int c = 0; c < 5; ++c) {
      EXPECT_EQ(RealAt(&a.v, 2, c), 0.0);
      EXPECT_EQ(arr->rows[2].elements[c].flags, 0u);
    }
    EXPECT_EQ(arr->rows[2].elements[5].kind, VALUE_STRING);
    EXPECT_EQ(arr->rows[2].elements[5].pString, x.v.pString);
    EXPECT_EQ(x.v.pString->refCount, 2);
  }
}

TEST_F(ValueArray, CopyOnWrite) {
  enum Writer { kNonOwner, kOwner, kSoleHolderAfterOwnerReleased };
  struct Case {
    const char* name;
    Writer writer;
    bool shared;  // the write lands in the record both values held
  };
  const Case cases[] = {
      {"write through a non-owner copies", kNonOwner, false},
      {"write through the owner changes the shared record", kOwner, true},
      {"sole holder writes in place and becomes owner", kSoleHolderAfterOwnerReleased, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Val a;
    Val b;
    FillRow(&a.v, {1, 2});
    RValue_Assign(&b.v, &a.v);
    SharedArray* before = a.v.pArray;
    ASSERT_EQ(before->refCount, 2);
    ASSERT_EQ(before->owner, &a.v);

    const RValue nine = RValue_MakeReal(9);
    RValue* writer = &b.v;
    if (c.writer == kOwner) writer = &a.v;
    if (c.writer == kSoleHolderAfterOwnerReleased) {
      RValue_Release(&a.v);
      EXPECT_EQ(before->owner, nullptr);
      EXPECT_EQ(before->refCount, 1);
    }
    RValue_SetElement(writer, &nine, Idx(0, 0));

    if (c.shared) {
      EXPECT_EQ(writer->pArray, before);
      EXPECT_EQ(RealAt(&b.v, 0, 0), 9);
      if (c.writer == kOwner) {
        EXPECT_EQ(RealAt(&a.v, 0, 0), 9);
      } else {
        EXPECT_EQ(before->owner, &b.v);
      }
    } else {
      EXPECT_NE(b.v.pArray, before);
      EXPECT_EQ(a.v.pArray, before);
      EXPECT_EQ(before->refCount, 1);
      EXPECT_EQ(b.v.pArray->refCount, 1);
      EXPECT_EQ(b.v.pArray->owner, &b.v);
      EXPECT_EQ(RealAt(&a.v, 0, 0), 1);
      EXPECT_EQ(RealAt(&b.v, 0, 0), 9);
      EXPECT_EQ(RealAt(&b.v, 0, 1), 2);
    }
  }
}

TEST_F(ValueArray, CopyOfOuterArraySharesInnerArrayUntilWrittenThrough) {
  Val a;
  // The inner array is made inside the element, so that element owns it.
  RValue* slot = RValue_ElementForWrite(&a.v, Idx(0, 0));
  const RValue seven = RValue_MakeReal(7);
  RValue_SetElement(slot, &seven, Idx(0, 0));
  SharedArray* inner = slot->pArray;
  ASSERT_EQ(inner->owner, slot);

  Val b;
  RValue_Assign(&b.v, &a.v);
  const RValue five = RValue_MakeReal(5);
  RValue_SetElement(&b.v, &five, Idx(0, 1));  // b is not the owner: copies the outer array
  ASSERT_NE(b.v.pArray, a.v.pArray);
  RValue* copiedSlot = &b.v.pArray->rows[0].elements[0];
  EXPECT_EQ(copiedSlot->pArray, inner);
  EXPECT_EQ(inner->refCount, 2);

  const RValue eight = RValue_MakeReal(8);
  RValue_SetElement(copiedSlot, &eight, Idx(0, 0));
  EXPECT_NE(copiedSlot->pArray, inner);
  EXPECT_EQ(inner->refCount, 1);
  EXPECT_EQ(RealAt(slot, 0, 0), 7);
  EXPECT_EQ(RealAt(copiedSlot, 0, 0), 8);
}

TEST_F(ValueArray, AssigningAnUnownedArrayOverAnArrayLeavesTheSourceAsOwner) {
  Val target;
  FillRow(&target.v, {1});
  Val source;
  FillRow(&source.v, {2});
  Val keep;
  RValue_Assign(&keep.v, &source.v);
  SharedArray* shared = source.v.pArray;
  shared->owner = nullptr;  // as for an array whose owner was released

  RValue_SetElement(&target.v, &source.v, ARRAY_INDEX_NONE);
  EXPECT_EQ(target.v.pArray, shared);
  EXPECT_EQ(shared->owner, &source.v);
  EXPECT_EQ(shared->refCount, 3);

  // target is not the owner, so writing through it copies
  const RValue nine = RValue_MakeReal(9);
  RValue_SetElement(&target.v, &nine, Idx(0, 0));
  EXPECT_NE(target.v.pArray, shared);
  EXPECT_EQ(RealAt(&keep.v, 0, 0), 2);
}

struct IndexCase {
  int32_t index;
  int32_t row;
  int32_t column;
};
const IndexCase kNegativeIndices[] = {{-1, 0, -1}, {-32000, -1, 0}, {Idx(-2, -3), -2, -3}};

TEST_F(ValueArray, NegativeIndexWritesNothingAndRecordsTheFailure) {
  for (const IndexCase& ic : kNegativeIndices) {
    for (int how = 0; how < 3; ++how) {
      for (bool startAsArray : {false, true}) {
        SCOPED_TRACE(testing::Message() << "index " << ic.index << " way " << how << " array " << startAsArray);
        ArrayIndexError = {};
        Val v(4.0);
        if (startAsArray) {
          RValue_Release(&v.v);
          FillRow(&v.v, {1, 2});
        }
        const RValue before = v.v;
        const RValue x = RValue_MakeReal(3);
        if (how == 0) RValue_SetElement(&v.v, &x, ic.index);
        if (how == 1) SharedArray_Grow(&v.v, &x, ic.index);
        if (how == 2) {
          RValue* scratch = RValue_ElementForWrite(&v.v, ic.index);
          ASSERT_NE(scratch, nullptr);
          RValue_Assign(scratch, &x);  // lands nowhere that matters
        }
        EXPECT_EQ(v.v.kind, before.kind);
        EXPECT_EQ(v.v.v64, before.v64);
        if (startAsArray) {
          EXPECT_EQ(v.v.pArray->rowCount, 1);
          EXPECT_EQ(v.v.pArray->rows[0].length, 2);
        }
        EXPECT_TRUE(ArrayIndexError.pending);
        EXPECT_EQ(ArrayIndexError.row, ic.row);
        EXPECT_EQ(ArrayIndexError.column, ic.column);
        EXPECT_EQ(ArrayIndexError.rowCount, startAsArray ? 1 : 0);
        EXPECT_EQ(ArrayIndexError.rowLength, startAsArray && ic.row == 0 ? 2 : -1);
      }
    }
  }
}

TEST_F(ValueArray, ElementReadOutOfRangeGivesRealZeroAndRecordsTheFailure) {
  struct Case {
    int32_t index;
    int32_t row, column, rowLength;
  };
  const Case cases[] = {
      {Idx(0, 2), 0, 2, 2}, {Idx(1, 0), 1, 0, -1}, {-1, 0, -1, 2}, {-32000, -1, 0, -1},
  };
  Val a;
  FillRow(&a.v, {1, 2});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    ArrayIndexError = {};
    Val out("old");
    EXPECT_FALSE(RValue_GetElement(&out.v, &a.v, c.index));
    EXPECT_EQ(out.v.kind, VALUE_REAL);
    EXPECT_EQ(out.v.val, 0.0);
    EXPECT_TRUE(ArrayIndexError.pending);
    EXPECT_EQ(ArrayIndexError.row, c.row);
    EXPECT_EQ(ArrayIndexError.column, c.column);
    EXPECT_EQ(ArrayIndexError.rowCount, 1);
    EXPECT_EQ(ArrayIndexError.rowLength, c.rowLength);
  }
  Val out;
  EXPECT_TRUE(RValue_GetElement(&out.v, &a.v, Idx(0, 1)));
  EXPECT_EQ(out.v.val, 2.0);
  EXPECT_TRUE(RValue_GetElement(&out.v, &a.v, ARRAY_INDEX_NONE));
  EXPECT_EQ(out.v.pArray, a.v.pArray);
}

TEST_F(ValueArray, ReadingThroughAValueMakesItOwnerWhenThereIsNone) {
  Val a;
  FillRow(&a.v, {1});
  Val b;
  RValue_Assign(&b.v, &a.v);
  RValue_Release(&a.v);
  SharedArray* arr = b.v.pArray;
  ASSERT_EQ(arr->owner, nullptr);
  Val out;
  RValue_GetElement(&out.v, &b.v, Idx(0, 0));
  EXPECT_EQ(arr->owner, &b.v);
  arr->owner = nullptr;
  EXPECT_EQ(RValue_ArrayElement(&b.v, Idx(0, 0))->val, 1.0);
  EXPECT_EQ(arr->owner, &b.v);
}

TEST_F(ValueArray, ReadsForTranslatedCodeReportBadIndicesAndNeverGiveNull) {
  RuntimeErrorCapture capture;
  struct Case {
    int32_t index;
    const char* message;
  };
  const Case cases[] = {
      {Idx(1, 0), "first index out of bounds request 1 maximum size is 1"},
      {-32000, "first index out of bounds request -1 maximum size is 1"},
      {Idx(0, 2), "second index out of bounds request 0,2 maximum size is 2"},
      {-1, "second index out of bounds request 0,-1 maximum size is 2"},
  };
  Val a;
  FillRow(&a.v, {1, 2});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    RuntimeErrorCapture::Reset();
    RValue* e = RValue_ArrayElement(&a.v, c.index);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, VALUE_UNDEFINED);
    EXPECT_EQ(RuntimeErrorCapture::LastError(), c.message);
    EXPECT_EQ(RuntimeErrorCapture::ExitCode(), 1);
  }

  RuntimeErrorCapture::Reset();
  EXPECT_EQ(RValue_ArrayElement(&a.v, Idx(0, 1)), &a.v.pArray->rows[0].elements[1]);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());

  Val real(3.0);
  EXPECT_EQ(RValue_ArrayElement(&real.v, Idx(0, 0)), &real.v);
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "trying to index variable that is not an array");

  RuntimeErrorCapture::Reset();
  Val out;
  EXPECT_TRUE(RValue_GetElement(&out.v, &real.v, Idx(0, 0)));
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "trying to index a variable which is not an array");
  EXPECT_EQ(out.v.kind, VALUE_REAL);
  EXPECT_EQ(out.v.val, 3.0);
}

TEST_F(ValueArray, ReleaseLeavesUndefinedAndDropsOneReference) {
  Val a;
  FillRow(&a.v, {1, 2});
  Val b;
  RValue_Assign(&b.v, &a.v);
  SharedArray* arr = a.v.pArray;
  RValue_Release(&a.v);
  EXPECT_EQ(a.v.kind, VALUE_UNDEFINED);
  EXPECT_EQ(a.v.v64, 0);
  EXPECT_EQ(arr->refCount, 1);
  EXPECT_EQ(arr->owner, nullptr);
  EXPECT_EQ(RealAt(&b.v, 0, 1), 2);
  RValue_Release(&a.v);  // a second release cannot reach the array again
  EXPECT_EQ(arr->refCount, 1);

  Val s("text");
  RValue_Release(&s.v);
  RValue_Release(&s.v);
  EXPECT_EQ(s.v.kind, VALUE_UNDEFINED);
  EXPECT_EQ(s.v.pString, nullptr);

  Val r(2.5);
  RValue_Release(&r.v);
  EXPECT_EQ(r.v.kind, VALUE_UNDEFINED);
  EXPECT_EQ(r.v.v64, 0);
}

struct Counted : COwnedObject {
  static inline int s_deleted = 0;
  ~Counted() override { ++s_deleted; }
};

TEST_F(ValueArray, OwnedPointerIsDeletedOnceWhateverIsCopied) {
  Counted::s_deleted = 0;
  RValue p;
  p.ptr = static_cast<COwnedObject*>(new Counted);
  p.flags = RVALUE_FLAG_OWNED;
  p.kind = VALUE_PTR;

  Val copy;
  RValue_Assign(&copy.v, &p);
  EXPECT_EQ(copy.v.ptr, p.ptr);
  EXPECT_EQ(copy.v.flags & RVALUE_FLAG_OWNED, 0u);
  Val arr;
  RValue_SetElement(&arr.v, &p, Idx(0, 0));
  RValue_Release(&copy.v);
  RValue_Release(&arr.v);
  EXPECT_EQ(Counted::s_deleted, 0);

  RValue_Release(&p);
  EXPECT_EQ(Counted::s_deleted, 1);
  EXPECT_EQ(p.kind, VALUE_UNDEFINED);
  RValue_Release(&p);
  EXPECT_EQ(Counted::s_deleted, 1);

  // Overwriting an owning value deletes its object.
  p.ptr = static_cast<COwnedObject*>(new Counted);
  p.flags = RVALUE_FLAG_OWNED;
  p.kind = VALUE_PTR;
  const RValue one = RValue_MakeReal(1);
  RValue_Assign(&p, &one);
  EXPECT_EQ(Counted::s_deleted, 2);
}

// Sources that live inside what the target owns or what growth moves (the sanitizer build turns
// any use after free here into a failure).
TEST_F(ValueArray, SourcesInsideTheTargetSurviveTheWrite) {
  {
    Val a;
    Val s("inner");
    RValue_SetElement(&a.v, &s.v, Idx(0, 0));
    RValue_Release(&s.v);
    RValue_Assign(&a.v, &a.v.pArray->rows[0].elements[0]);
    ASSERT_EQ(a.v.kind, VALUE_STRING);
    EXPECT_STREQ(a.v.pString->text, "inner");
    EXPECT_EQ(a.v.pString->refCount, 1);
  }
  {
    Val a;
    Val s("inner");
    RValue_SetElement(&a.v, &s.v, Idx(0, 0));
    RValue_Release(&s.v);
    EXPECT_TRUE(RValue_GetElement(&a.v, &a.v, Idx(0, 0)));
    EXPECT_STREQ(a.v.pString->text, "inner");
  }
  {
    Val a;
    Val s("moved");
    RValue_SetElement(&a.v, &s.v, Idx(0, 0));
    RValue_SetElement(&a.v, &a.v.pArray->rows[0].elements[0], Idx(0, 900));
    RValue_SetElement(&a.v, &a.v.pArray->rows[0].elements[0], Idx(700, 0));
    EXPECT_STREQ(a.v.pArray->rows[0].elements[900].pString->text, "moved");
    EXPECT_STREQ(a.v.pArray->rows[700].elements[0].pString->text, "moved");
    EXPECT_EQ(s.v.pString->refCount, 4);
  }
  {
    Val s("self");
    RValue_SetString(&s.v, s.v.pString->text);
    EXPECT_STREQ(s.v.pString->text, "self");
  }
}

TEST_F(ValueArray, NestedArrayOwnedByItsElementStaysOwnedWhenTheRowGrows) {
  Val a;
  RValue* slot = RValue_ElementForWrite(&a.v, Idx(0, 0));
  const RValue one = RValue_MakeReal(1);
  RValue_SetElement(slot, &one, Idx(0, 0));
  SharedArray* inner = slot->pArray;
  Val other;
  RValue_Assign(&other.v, slot);  // a second holder of the inner array

  RValue_SetElement(&a.v, &one, Idx(0, 999));  // moves row 0's elements
  slot = &a.v.pArray->rows[0].elements[0];
  EXPECT_EQ(inner->owner, slot);
  const RValue two = RValue_MakeReal(2);
  RValue_SetElement(slot, &two, Idx(0, 0));  // still the owner: writes in place
  EXPECT_EQ(slot->pArray, inner);
  EXPECT_EQ(RealAt(&other.v, 0, 0), 2);
}

TEST_F(ValueArray, Hash) {
  Val abc("abc");
  Val nullText;
  RValue_SetString(&nullText.v, nullptr);
  RValue noRecord = {{0.0}, 0, VALUE_STRING};
  RValue i32 = {{0.0}, 0, VALUE_INT32};
  i32.v32 = -1;
  RValue big = {{0.0}, 0, VALUE_INT64};
  big.v64 = 0x123456789LL;
  struct Case {
    const char* name;
    RValue v;
    uint32_t hash;
  };
  const Case cases[] = {
      {"real truncates", RValue_MakeReal(3.7), 3u},
      {"negative real truncates toward zero", RValue_MakeReal(-3.7), 0xFFFFFFFDu},
      {"NaN", RValue_MakeReal(__builtin_nan("")), 0x80000000u},
      {"real beyond 32 bits", RValue_MakeReal(1e20), 0x80000000u},
      {"string", abc.v, 0xCADBBE3Du},
      {"string from null text", nullText.v, 0xFFFFFFFFu},
      {"string without record", noRecord, 0u},
      {"undefined", RValue_MakeUndefined(), 0u},
      {"int32", i32, 0xFFFFFFFFu},
      {"int64 low word", big, 0x23456789u},
  };
  for (const Case& c : cases) EXPECT_EQ(RValue_Hash(&c.v), c.hash) << c.name;

  Val a;
  Val b;
  Val c;
  FillRow(&a.v, {1});
  FillRow(&c.v, {1});
  RValue_Assign(&b.v, &a.v);
  EXPECT_EQ(RValue_Hash(&a.v), RValue_Hash(&b.v));
  EXPECT_NE(RValue_Hash(&a.v), RValue_Hash(&c.v));
}

TEST_F(ValueArray, StringRecords) {
  Val n;
  RValue_SetString(&n.v, nullptr);
  ASSERT_NE(n.v.pString, nullptr);
  EXPECT_EQ(n.v.pString->text, nullptr);
  EXPECT_EQ(n.v.pString->length, 0);
  EXPECT_EQ(TextOf(&n.v), "");

  SharedString* stored = SharedString_Create("kept");
  {
    Val v(1.0);
    RValue_SetStringCopy(&v.v, stored);
    EXPECT_STREQ(v.v.pString->text, "kept");
  }
  EXPECT_EQ(stored->refCount, 1);
  EXPECT_STREQ(stored->text, "kept");
  EXPECT_EQ(SharedString_Unref(stored), nullptr);

  SharedString* sized = SharedString_CreateSized(3);
  EXPECT_EQ(sized->length, 3);
  EXPECT_EQ(sized->text[3], '\0');
  SharedString_Release(sized);

  RValue init;
  init.flags = 6;
  RValue_InitString(&init, "init");
  EXPECT_EQ(init.flags, 6u);
  EXPECT_EQ(init.kind, VALUE_STRING);
  EXPECT_EQ(init.pString->length, 4);
  RValue_Release(&init);
}

TEST_F(ValueArray, Crc32OfKnownTexts) {
  EXPECT_EQ(CRC32_String("abc"), 0xCADBBE3Du);
  EXPECT_EQ(CRC32_String(""), 0xFFFFFFFFu);
  EXPECT_EQ(CRC32_Bytes("abc", 3), 0xCADBBE3Du);
  EXPECT_EQ(CRC32_Bytes("abc", 0), 0xFFFFFFFFu);
}

}  // namespace
