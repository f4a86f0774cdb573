#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/value_test_util.h"
#include "io/buffer.h"

namespace {

std::vector<uint8_t> Saved(const RValue* v) {
  Buffer_Standard b(0, eBuffer_Format_Grow, 1);
  RValue_Serialise(v, &b);
  return std::vector<uint8_t>(b.GetData(), b.GetData() + b.m_position);
}

void Load(RValue* v, const std::vector<uint8_t>& bytes) {
  Buffer_Standard b(static_cast<int32_t>(bytes.size()), eBuffer_Format_Fixed, 1);
  if (!bytes.empty()) std::memcpy(b.GetData(), bytes.data(), bytes.size());
  RValue_Deserialise(v, &b);
}

struct Bytes {
  std::vector<uint8_t> data;
  Bytes& S32(int32_t i) {
    for (int k = 0; k < 4; ++k) data.push_back(static_cast<uint8_t>(static_cast<uint32_t>(i) >> (8 * k)));
    return *this;
  }
  Bytes& F64(double d) {
    uint8_t raw[8];
    std::memcpy(raw, &d, 8);
    data.insert(data.end(), raw, raw + 8);
    return *this;
  }
  Bytes& Text(const char* s) {
    data.insert(data.end(), s, s + std::strlen(s) + 1);
    return *this;
  }
};

class ValueSaved : public ::testing::Test {
 protected:
  void SetUp() override { m_bytes = MemoryManager_BytesInUse(); }
  void TearDown() override { EXPECT_EQ(MemoryManager_BytesInUse(), m_bytes); }
  int64_t m_bytes = 0;
};

TEST_F(ValueSaved, WrittenBytes) {
  Val a;
  Val letter("a");
  const RValue one = RValue_MakeReal(1);
  RValue_SetElement(&a.v, &one, Idx(0, 0));
  RValue_SetElement(&a.v, &letter.v, Idx(0, 1));
  EXPECT_EQ(Saved(&a.v), (Bytes().S32(2).S32(1).S32(2).S32(0).F64(1.0).S32(1).Text("a").data));

  RValue marked = RValue_MakeReal(3);
  marked.kind |= KIND_FLAG_DSLIST;
  EXPECT_EQ(Saved(&marked), (Bytes().S32(0x40000000).F64(3).data));
  RValue noRecord = {{0.0}, 0, VALUE_STRING};
  EXPECT_EQ(Saved(&noRecord), (Bytes().S32(1).Text("\x04").data));
  RValue noArray = {{0.0}, 0, VALUE_ARRAY};
  EXPECT_EQ(Saved(&noArray), Bytes().S32(2).data);
  RValue i32 = {{0.0}, 77, VALUE_INT32};
  i32.v32 = 5;
  EXPECT_EQ(Saved(&i32), Bytes().S32(7).data);
  RValue unset = {{0.0}, 0, VALUE_UNSET};
  EXPECT_EQ(Saved(&unset), Bytes().S32(0xFFFFFF).data);
}

TEST_F(ValueSaved, NestedArraysRoundTrip) {
  Val original;
  Val str("str");
  Val x("x");
  const RValue half = RValue_MakeReal(1.5);
  RValue_SetElement(&original.v, &half, Idx(0, 0));
  RValue_SetElement(&original.v, &str.v, Idx(0, 1));
  RValue* inner = RValue_ElementForWrite(&original.v, Idx(0, 2));
  const RValue seven = RValue_MakeReal(7);
  RValue_SetElement(inner, &seven, Idx(0, 0));
  RValue_SetElement(inner, &x.v, Idx(1, 0));
  const RValue undef = RValue_MakeUndefined();
  RValue_SetElement(inner, &undef, Idx(1, 1));
  RValue i32 = {{0.0}, 0, VALUE_INT32};
  i32.v32 = 5;
  RValue_SetElement(&original.v, &i32, Idx(2, 0));
  RValue marked = RValue_MakeReal(-2);
  marked.kind |= KIND_FLAG_DSMAP;
  RValue_SetElement(&original.v, &marked, Idx(2, 1));

  Val loaded("old contents");
  loaded.v.flags = 6;
  Load(&loaded.v, Saved(&original.v));

  ASSERT_EQ(loaded.v.kind, VALUE_ARRAY);
  EXPECT_EQ(loaded.v.flags, 0u);
  const SharedArray* a = loaded.v.pArray;
  EXPECT_EQ(a->owner, &loaded.v);
  ASSERT_EQ(a->rowCount, 3);
  EXPECT_EQ(a->rows[1].length, 0);
  EXPECT_EQ(TextOf(&original.v), "{ { 1.50,str,{ { 7 }, { x,undefined },  } }, {  }, { 5,-2 },  }");
  EXPECT_EQ(TextOf(&loaded.v), "{ { 1.50,str,{ { 7 }, { x,undefined },  } }, {  }, { 0,-2 },  }");
  const RValue& loadedInner = a->rows[0].elements[2];
  EXPECT_EQ(loadedInner.pArray->owner, &loadedInner);
  EXPECT_EQ(loadedInner.pArray->rows[1].elements[1].kind, VALUE_UNDEFINED);
  // Kinds that save only their kind word come back with no payload and no flags.
  const RValue& loadedInt = a->rows[2].elements[0];
  EXPECT_EQ(loadedInt.kind, VALUE_INT32);
  EXPECT_EQ(loadedInt.v64, 0);
  EXPECT_EQ(a->rows[2].elements[1].kind, VALUE_REAL | KIND_FLAG_DSMAP);
  EXPECT_EQ(a->rows[2].elements[1].val, -2.0);
  EXPECT_EQ(Saved(&loaded.v).size(), Saved(&original.v).size());
}

TEST_F(ValueSaved, SelfContainingArrayIsWrittenOnceThenEmpty) {
  Val self;
  FillRow(&self.v, {1});
  RValue_SetElement(&self.v, &self.v, Idx(0, 1));
  const std::vector<uint8_t> bytes = Saved(&self.v);
  EXPECT_EQ(bytes, (Bytes().S32(2).S32(1).S32(2).S32(0).F64(1).S32(2).S32(0).data));
  const RValue zero = RValue_MakeReal(0);
  RValue_SetElement(&self.v, &zero, Idx(0, 1));

  Val loaded;
  Load(&loaded.v, bytes);
  EXPECT_EQ(TextOf(&loaded.v), "{ { 1,{  } },  }");
}

TEST_F(ValueSaved, DamagedInputLoadsWhatItCanWithoutRunningAway) {
  Val original;
  Val s("text");
  FillRow(&original.v, {1, 2});
  RValue_SetElement(&original.v, &s.v, Idx(1, 0));
  RValue* inner = RValue_ElementForWrite(&original.v, Idx(1, 1));
  RValue_SetElement(inner, &s.v, Idx(0, 3));
  const std::vector<uint8_t> whole = Saved(&original.v);
  for (size_t n = 0; n < whole.size(); ++n) {
    Val v("before");
    Load(&v.v, std::vector<uint8_t>(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n)));
    if (n < 4) {
      EXPECT_EQ(v.v.kind, VALUE_UNDEFINED) << n;
    }
  }

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
  };
  std::vector<uint8_t> deep;
  for (int i = 0; i < 5000; ++i) {
    Bytes level = Bytes().S32(2).S32(1).S32(1);
    deep.insert(deep.end(), level.data.begin(), level.data.end());
  }
  const Case cases[] = {
      {"row count beyond the data", Bytes().S32(2).S32(0x7FFFFFFF).data},
      {"negative row count", Bytes().S32(2).S32(-5).data},
      {"row length beyond the data", Bytes().S32(2).S32(1).S32(100000000).data},
      {"nesting without end", deep},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Val v;
    Load(&v.v, c.bytes);
    EXPECT_EQ(v.v.kind, VALUE_ARRAY);
  }
}

}  // namespace
