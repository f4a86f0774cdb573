#include "io/buffer.h"

#include "core/memory_manager.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <initializer_list>
#include <string>
#include <vector>

namespace {

// A value the test owns.
struct Value {
  RValue v = RValue_MakeUndefined();
  Value() = default;
  explicit Value(double d) : v(RValue_MakeReal(d)) {}
  explicit Value(const char* text) { RValue_InitString(&v, text); }
  ~Value() { RValue_Release(&v); }
  Value(const Value&) = delete;
  Value& operator=(const Value&) = delete;
  std::string Text() const {
    return RValue_Kind(&v) == VALUE_STRING && v.pString != nullptr ? v.pString->text : "<not text>";
  }
};

int32_t Write(IBuffer* b, int32_t type, double d) {
  Value v(d);
  return b->Write(type, &v.v);
}

double Read(IBuffer* b, int32_t type, int32_t* result = nullptr) {
  Value v;
  const int32_t r = b->Read(type, &v.v);
  if (result != nullptr) *result = r;
  return v.v.val;
}

double Peek(IBuffer* b, int32_t offset, int32_t type) {
  Value v;
  b->Peek(offset, type, &v.v);
  return v.v.val;
}

std::vector<uint8_t> Bytes(const IBuffer& b) { return std::vector<uint8_t>(b.GetData(), b.GetData() + b.m_size); }
std::string AsString(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(BufferAlignment, RequestsAreCutToNineBitsAndRoundedUp) {
  const std::pair<int32_t, int32_t> cases[] = {{0, 1}, {1, 1}, {3, 4}, {8, 8}, {300, 512}, {512, 1}, {600, 128}, {1024, 1}, {-1, 512}};
  for (const auto& [requested, alignment] : cases) {
    EXPECT_EQ(Buffer_NormaliseAlignment(requested), alignment) << requested;
    Buffer_Standard b(4, eBuffer_Format_Fixed, requested);
    EXPECT_EQ(b.m_alignment, alignment);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(b.GetData()) % static_cast<uintptr_t>(alignment), 0u);
  }
}

TEST(BufferTypes, SizesAndRoundTripsOfEveryNumberType) {
  struct Case {
    int32_t type;
    int32_t size;
    double written;
    double read;
  } cases[] = {
      {eBuffer_U8, 1, 257.9, 1},          {eBuffer_S8, 1, 255, -1},
      {eBuffer_U16, 2, -1, 65535},        {eBuffer_S16, 2, 40000, 40000 - 65536},
      {eBuffer_U32, 4, -1, 4294967295.0}, {eBuffer_S32, 4, -2.9, -2},
      {eBuffer_F32, 4, 0.5, 0.5},         {eBuffer_F64, 8, 1.0 / 3, 1.0 / 3},
      {eBuffer_Bool, 1, 0.6, 1},          {eBuffer_Bool, 1, 0.5, 0},
      // NaN and values past the integer range are written as the lowest integer's bits.
      {eBuffer_S32, 4, std::nan(""), -2147483648.0}, {eBuffer_U8, 1, 1e300, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Buffer_TypeSize(c.type), c.size);
    Buffer_Standard b(16, eBuffer_Format_Fixed, 1);
    ASSERT_EQ(Write(&b, c.type, c.written), 0) << c.type;
    EXPECT_EQ(b.m_position, c.size);
    b.Seek(0, 0);
    EXPECT_EQ(Read(&b, c.type), c.read) << c.type << " " << c.written;
  }
  for (int32_t t : std::initializer_list<int32_t>{0, eBuffer_String, eBuffer_Text, 14, -1}) EXPECT_EQ(Buffer_TypeSize(t), 0);
  EXPECT_EQ(Buffer_TypeSize(eBuffer_F16), 2);
  // The unsigned 64-bit code keeps a real's bits, so any real reads back equal.
  Buffer_Standard b(8, eBuffer_Format_Fixed, 1);
  ASSERT_EQ(Write(&b, eBuffer_U64, -123.456), 0);
  b.Seek(0, 0);
  EXPECT_EQ(Read(&b, eBuffer_U64), -123.456);
}

TEST(BufferTypes, UnsupportedTypesWriteNothingAndReadZero) {
  for (int32_t type : std::initializer_list<int32_t>{0, eBuffer_F16, 14, 99}) {
    Buffer_Standard b(8, eBuffer_Format_Fixed, 1);
    EXPECT_EQ(Write(&b, type, 5), -1) << type;
    EXPECT_EQ(b.m_position, 0);
    int32_t result = 0;
    EXPECT_EQ(Read(&b, type, &result), 0);
    EXPECT_EQ(result, -1);
    EXPECT_EQ(Peek(&b, 0, type), 0);
  }
}

TEST(BufferWrite, GrowBuffersDoubleAndOthersRefuse) {
  // A grow buffer of 1 byte takes a 4-byte value by growing to 4, and one more byte to 8.
  Buffer_Standard grow(1, eBuffer_Format_Grow, 1);
  EXPECT_EQ(Write(&grow, eBuffer_S32, 7), 0);
  EXPECT_EQ(grow.m_size, 4);
  EXPECT_EQ(Write(&grow, eBuffer_U8, 1), 0);
  EXPECT_EQ(grow.m_size, 8);
  EXPECT_EQ(grow.m_usedSize, 5);
  // A fixed (or vbuffer) buffer of 2 bytes refuses a 4-byte value and keeps its bytes.
  for (int32_t kind : {eBuffer_Format_Fixed, eBuffer_Format_VBuffer}) {
    Buffer_Standard fixed(2, kind, 1);
    EXPECT_EQ(Write(&fixed, eBuffer_U32, 0x01020304), -2);
    EXPECT_EQ(Bytes(fixed), (std::vector<uint8_t>{0, 0}));
    EXPECT_EQ(fixed.m_position, 0);
    fixed.Seek(0, 2);
    int32_t result = 0;
    EXPECT_EQ(Read(&fixed, eBuffer_U8, &result), -3);
    EXPECT_EQ(result, -1);
  }
}

TEST(BufferWrite, AGrowthPastTheLimitFailsWithoutAllocating) {
  Buffer_Standard b(4, eBuffer_Format_Grow, 1);
  b.Seek(0, INT32_MAX - 1);
  void* block = b.m_pMemory;
  EXPECT_EQ(Write(&b, eBuffer_U32, 1), -2);
  EXPECT_EQ(b.m_size, 4);
  EXPECT_EQ(b.m_pMemory, block);
  // The aligned position itself may leave the 32-bit range.
  Buffer_Standard aligned(4, eBuffer_Format_Grow, 256);
  aligned.Seek(0, INT32_MAX);
  EXPECT_EQ(Write(&aligned, eBuffer_U8, 1), -2);
  int32_t result = 0;
  EXPECT_EQ(Read(&aligned, eBuffer_U8, &result), -3);
  EXPECT_EQ(result, -1);
  // Neither resize nor a block write asks for more than the limit.
  EXPECT_FALSE(b.Resize(INT32_MAX));
  EXPECT_FALSE(b.Resize(-1));
  EXPECT_EQ(b.m_size, 4);
  const uint8_t byte = 1;
  EXPECT_EQ(b.WriteBlock(&byte, 1, 2), 0);
  EXPECT_EQ(b.m_size, 4);
}

TEST(BufferWrite, AlignmentPlacesEachValueOnItsBoundary) {
  Buffer_Standard b(16, eBuffer_Format_Fixed, 4);
  EXPECT_EQ(Write(&b, eBuffer_U8, 1), 0);
  EXPECT_EQ(Write(&b, eBuffer_U8, 2), 0);
  EXPECT_EQ(b.GetData()[0], 1);
  EXPECT_EQ(b.GetData()[4], 2);
  EXPECT_EQ(Buffer_TypeSize(eBuffer_U8), 1);
  b.Seek(0, 0);
  EXPECT_EQ(Read(&b, eBuffer_U8), 1);
  EXPECT_EQ(Read(&b, eBuffer_U8), 2);
}

TEST(BufferWrap, WritesWrapAroundAndSeeksComeBackInside) {
  Buffer_Standard b(4, eBuffer_Format_Wrap, 1);
  for (int i = 1; i <= 6; ++i) ASSERT_EQ(Write(&b, eBuffer_U8, i), 0);
  EXPECT_EQ(b.m_position, 2);
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{5, 6, 3, 4}));
  // A 4-byte value from position 2 continues at 0.
  EXPECT_EQ(Write(&b, eBuffer_U32, 0x0A0B0C0D), 0);
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{0x0B, 0x0A, 0x0D, 0x0C}));
  EXPECT_EQ(b.m_position, 2);
  b.Seek(0, 2);
  EXPECT_EQ(Read(&b, eBuffer_U32), 0x0A0B0C0D);
  EXPECT_EQ(Peek(&b, 6, eBuffer_U16), 0x0C0D);  // offset 6 is 2, read around the end

  Buffer_Standard ten(10, eBuffer_Format_Wrap, 1);
  EXPECT_EQ(ten.Seek(1, -1), 9);
  EXPECT_EQ(ten.Seek(1, 25), 4);
  EXPECT_EQ(ten.Seek(1, INT32_MIN), 6);  // far laps are counted, not walked
}

TEST(BufferWrap, AlignmentFollowsTheWholeStream) {
  // 6 bytes at alignment 4: after one lap the stream stands at 6, so the next boundary is 8 = 2.
  Buffer_Standard b(6, eBuffer_Format_Wrap, 4);
  EXPECT_EQ(Write(&b, eBuffer_U32, 1), 0);
  EXPECT_EQ(Write(&b, eBuffer_U8, 2), 0);  // at 4
  EXPECT_EQ(Write(&b, eBuffer_U8, 3), 0);  // stream 8 = position 2
  EXPECT_EQ(b.GetData()[4], 2);
  EXPECT_EQ(b.GetData()[2], 3);
  EXPECT_EQ(b.m_wrapOffset, 2);
}

TEST(BufferWrap, AnEmptyWrapBufferAnswersEveryOperation) {
  Buffer_Standard b(4, eBuffer_Format_Wrap, 4);
  ASSERT_TRUE(b.Resize(0));
  Value text("abc");
  Value number(1);
  Value out;
  EXPECT_EQ(Write(&b, eBuffer_U32, 1), -2);
  EXPECT_EQ(b.Write(eBuffer_String, &text.v), -2);
  int32_t result = 0;
  EXPECT_EQ(Read(&b, eBuffer_U16, &result), -3);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(b.Seek(1, -5), 0);
  EXPECT_EQ(b.Seek(1, 5), 0);
  EXPECT_EQ(b.Seek(0, 7), 7);
  EXPECT_EQ(Write(&b, eBuffer_U8, 1), -2);
  EXPECT_EQ(Peek(&b, 3, eBuffer_U8), 0);
  b.Poke(3, eBuffer_U8, &number.v);
  b.Fill(0, 10, eBuffer_U8, &number.v, 0, true);
  b.Fill(0, -1, eBuffer_U8, &number.v, 1, false);
  Buffer_Standard other(4, eBuffer_Format_Fixed, 1);
  b.Copy(0, 4, &other, 0);
  other.Copy(0, 4, &b, 0);  // an empty destination grows
  EXPECT_EQ(b.m_size, 4);
  ASSERT_TRUE(b.Resize(0));
  out.v = RValue_MakeReal(42);
  b.MD5(&out.v, 0, -1);
  b.SHA1(&out.v, 5, 3);
  EXPECT_EQ(out.v.val, 42);
  EXPECT_TRUE(b.CopyRegionOut(3, 5, true).empty());
  const uint8_t bytes[2] = {1, 2};
  uint8_t back[2] = {9, 9};
  EXPECT_EQ(b.WriteBlock(bytes, 1, 2), 0);
  EXPECT_EQ(b.ReadBlock(back, 1, 2), 0);
  EXPECT_EQ(back[0], 9);
}

// The byte-by-byte walks that long operations on wrap buffers shortcut to their last lap.
std::vector<uint8_t> NaiveWrapCopy(std::vector<uint8_t> dest, const std::vector<uint8_t>& source, int64_t sourceOffset,
                                   int64_t size, int64_t destOffset) {
  for (int64_t i = 0; i < size; ++i) {
    dest[static_cast<size_t>((destOffset + i) % static_cast<int64_t>(dest.size()))] =
        source[static_cast<size_t>((sourceOffset + i) % static_cast<int64_t>(source.size()))];
  }
  return dest;
}

std::vector<uint8_t> NaiveWrapFill(size_t bufferSize, int64_t alignment, int64_t start, int64_t length,
                                   const std::vector<uint8_t>& value) {
  std::vector<uint8_t> out(bufferSize, 0xEE);
  const int64_t n = static_cast<int64_t>(bufferSize);
  const int64_t end = start + length;
  int64_t cursor = start;
  int64_t next = (start + alignment - 1) / alignment * alignment;
  auto put = [&](int64_t p, uint8_t b) { out[static_cast<size_t>(p % n)] = b; };
  while (next + static_cast<int64_t>(value.size()) <= end) {
    for (int64_t p = cursor; p < next; ++p) put(p, 0);
    for (size_t i = 0; i < value.size(); ++i) put(next + static_cast<int64_t>(i), value[i]);
    cursor = next + static_cast<int64_t>(value.size());
    next = (cursor + alignment - 1) / alignment * alignment;
  }
  for (int64_t p = cursor; p < end; ++p) put(p, 0);
  return out;
}

TEST(BufferWrap, LongOperationsEndAsTheByteByByteWalkDoes) {
  Buffer_Standard source(7, eBuffer_Format_Wrap, 1);
  for (int i = 0; i < 7; ++i) source.GetData()[i] = static_cast<uint8_t>(10 + i);
  const std::vector<uint8_t> sourceBytes = Bytes(source);
  for (int32_t size : {5, 13, 1003, 4096 + 3}) {
    Buffer_Standard dest(6, eBuffer_Format_Wrap, 1);
    source.Copy(3, size, &dest, 4);
    EXPECT_EQ(Bytes(dest), NaiveWrapCopy(std::vector<uint8_t>(6, 0), sourceBytes, 3, size, 4)) << size;
  }
  for (int32_t length : {7, 30, 1001}) {
    for (int32_t alignment : {1, 4}) {
      Buffer_Standard b(6, eBuffer_Format_Wrap, alignment);
      std::memset(b.GetData(), 0xEE, 6);
      Value v(0x0A0B0C);
      b.Fill(5, length, eBuffer_U16, &v.v, 0, true);
      EXPECT_EQ(Bytes(b), NaiveWrapFill(6, alignment, 5, length, {0x0C, 0x0B})) << length << " " << alignment;
    }
  }
  // A text longer than the buffer leaves its last lap; the position ends after it.
  Buffer_Standard b(4, eBuffer_Format_Wrap, 1);
  b.Seek(0, 1);
  Value text("abcdefghij");
  EXPECT_EQ(b.Write(eBuffer_Text, &text.v), 0);
  EXPECT_EQ(b.m_position, 3);
  EXPECT_EQ(AsString(Bytes(b)), "hijg");
  // Whole-range requests finish at the cost of a lap.
  Value v(0x0102);
  b.Fill(0, INT32_MAX, eBuffer_U16, &v.v, 0, true);
  // 2^31 - 1 bytes: copies at even positions, the last byte (position 2^31 - 2, byte 2) a gap.
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{2, 1, 0, 1}));
  Buffer_Standard other(3, eBuffer_Format_Wrap, 1);
  source.Copy(0, INT32_MAX, &other, 0);
  EXPECT_EQ(Bytes(other), NaiveWrapCopy(std::vector<uint8_t>(3, 0), sourceBytes, (INT32_MAX - 3) % 7, 3, (INT32_MAX - 3) % 3));
  // A digest over many laps feeds the same bytes.
  Value out;
  source.MD5(&out.v, 2, 70001);
  std::string laps;
  for (int i = 0; i < 70001; ++i) laps.push_back(static_cast<char>(sourceBytes[static_cast<size_t>((2 + i) % 7)]));
  Buffer_Standard flat(70001, eBuffer_Format_Fixed, 1);
  std::memcpy(flat.GetData(), laps.data(), laps.size());
  Value expected;
  flat.MD5(&expected.v, 0, -1);
  EXPECT_EQ(out.Text(), expected.Text());
}

TEST(BufferRead, StringsStopAtTheUsedSize) {
  Buffer_Standard b(16, eBuffer_Format_Grow, 1);
  ASSERT_TRUE(b.Resize(0));
  EXPECT_EQ(b.WriteString("hello"), 0);
  EXPECT_EQ(b.WriteString(nullptr), 0);  // the one-byte text 0x04
  Value text("tail");
  EXPECT_EQ(b.Write(eBuffer_Text, &text.v), 0);  // no NUL
  b.Seek(0, 0);
  char* s = b.ReadString();
  ASSERT_NE(s, nullptr);
  EXPECT_STREQ(s, "hello");
  MEM_FREE(s);
  s = b.ReadString();
  EXPECT_STREQ(s, "\x04");
  MEM_FREE(s);
  s = b.ReadString();
  EXPECT_STREQ(s, "tail");  // ends at the used size
  MEM_FREE(s);
  // Text and string types need a string; a number gives -1.
  Value number(3);
  EXPECT_EQ(b.Write(eBuffer_Text, &number.v), -1);
  // At the used size of a larger buffer the text is empty.
  Buffer_Standard fixed(8, eBuffer_Format_Fixed, 1);
  ASSERT_TRUE(fixed.Resize(8));
  fixed.m_usedSize = 2;
  fixed.GetData()[2] = 'x';
  fixed.Seek(0, 2);
  Value out;
  EXPECT_EQ(fixed.Read(eBuffer_String, &out.v), 0);
  EXPECT_EQ(out.Text(), "");
  EXPECT_EQ(fixed.m_position, 3);
}

TEST(BufferFast, OnlyBytesAreServed) {
  Buffer_Fast b(2, eBuffer_Format_Fast, 1);
  EXPECT_EQ(Write(&b, eBuffer_U16, 1), -4);
  EXPECT_EQ(Write(&b, eBuffer_U8, 7), 0);
  EXPECT_EQ(Write(&b, eBuffer_U8, 8), 0);
  EXPECT_EQ(Write(&b, eBuffer_U8, 9), -2);
  b.Seek(0, 0);
  int32_t result = 0;
  EXPECT_EQ(Read(&b, eBuffer_S8, &result), 0);
  EXPECT_EQ(result, -4);
  EXPECT_EQ(Read(&b, eBuffer_U8), 7);
  EXPECT_EQ(Read(&b, eBuffer_U8), 8);
  EXPECT_EQ(Read(&b, eBuffer_U8, &result), 0);
  EXPECT_EQ(result, -2);
  EXPECT_EQ(Peek(&b, 1, eBuffer_U8), 8);
  EXPECT_EQ(Peek(&b, 1, eBuffer_S8), 0);
  EXPECT_EQ(Peek(&b, 2, eBuffer_U8), 0);
  Value v(5);
  b.Poke(2, eBuffer_U8, &v.v);
  b.Poke(-1, eBuffer_U8, &v.v);
  b.Poke(0, eBuffer_U8, &v.v);
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{5, 8}));
}

TEST(BufferPeekPoke, BadRangesDoNothing) {
  for (int32_t kind : {eBuffer_Format_Fixed, eBuffer_Format_Grow}) {
    Buffer_Standard b(4, kind, 1);
    Value v(0x01020304);
    b.Poke(0, eBuffer_U32, &v.v);
    b.Poke(1, eBuffer_U32, &v.v);   // does not fit
    b.Poke(-1, eBuffer_U8, &v.v);   // negative
    b.Poke(0, eBuffer_U64, &v.v);   // not served
    EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{4, 3, 2, 1}));
    EXPECT_EQ(Peek(&b, 0, eBuffer_U32), 0x01020304);
    EXPECT_EQ(Peek(&b, 1, eBuffer_U32), 0);
    EXPECT_EQ(Peek(&b, -1, eBuffer_U8), 0);
    EXPECT_EQ(Peek(&b, 0, eBuffer_String), 0);
    EXPECT_EQ(b.m_position, 0);
    Value text("ab");
    b.Poke(2, eBuffer_String, &text.v);
    EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{4, 3, 2, 1}));  // "ab" and its NUL do not fit
    b.Poke(1, eBuffer_String, &text.v);
    EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{4, 'a', 'b', 0}));
  }
}

TEST(BufferFill, CopiesStandOnBoundariesAndGapsAreZeroed) {
  struct Case {
    int32_t alignment;
    int32_t offset;
    int32_t size;
    int32_t stride;
    bool zeroPad;
    std::vector<uint8_t> bytes;
  } cases[] = {
      // 10 bytes of s32 at alignment 1: two values, the last 2 bytes zeroed.
      {1, 0, 10, 0, true, {7, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0xEE, 0xEE}},
      // 3 bytes cannot take a 4-byte value: they are zeroed.
      {1, 0, 3, 0, true, {0, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
      // Alignment 8 from offset 1: a gap to 8, then one value.
      {8, 1, -1, 0, true, {0xEE, 0, 0, 0, 0, 0, 0, 0, 7, 0, 0, 0}},
      // A stride of 6 without padding leaves the gaps alone.
      {1, 0, -1, 6, false, {7, 0, 0, 0, 0xEE, 0xEE, 7, 0, 0, 0, 0xEE, 0xEE}},
      // A stride shorter than the value cuts it.
      {1, 0, 5, 2, true, {7, 0, 7, 0, 0, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE}},
  };
  for (const Case& c : cases) {
    Buffer_Standard b(12, eBuffer_Format_Fixed, c.alignment);
    std::memset(b.GetData(), 0xEE, 12);
    Value v(7);
    b.Fill(c.offset, c.size, eBuffer_S32, &v.v, c.stride, c.zeroPad);
    EXPECT_EQ(Bytes(b), c.bytes) << c.alignment << " " << c.offset << " " << c.size << " " << c.stride;
  }
  // Outside the data, or with a type it does not serve, nothing changes.
  Buffer_Standard b(4, eBuffer_Format_Fixed, 1);
  Value v(9);
  b.Fill(4, 2, eBuffer_U8, &v.v, 0, true);
  b.Fill(-1, 2, eBuffer_U8, &v.v, 0, true);
  b.Fill(0, 4, eBuffer_U64, &v.v, 0, true);
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{0, 0, 0, 0}));
  // A wrap buffer continues at 0.
  Buffer_Standard wrap(4, eBuffer_Format_Wrap, 1);
  wrap.Fill(3, 3, eBuffer_U8, &v.v, 0, true);
  EXPECT_EQ(Bytes(wrap), (std::vector<uint8_t>{9, 9, 0, 9}));
}

TEST(BufferCopy, CopiesClipGrowAndWrap) {
  Buffer_Standard source(4, eBuffer_Format_Fixed, 1);
  for (int i = 0; i < 4; ++i) source.GetData()[i] = static_cast<uint8_t>(i + 1);
  struct Case {
    int32_t kind;
    int32_t destSize;
    int32_t sourceOffset;
    int32_t size;
    int32_t destOffset;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {eBuffer_Format_Fixed, 4, 0, -1, 2, {0, 0, 1, 2}},        // cut at the destination's end
      {eBuffer_Format_Fixed, 4, 2, 10, 0, {3, 4, 0, 0}},        // cut at the source's end
      {eBuffer_Format_Fixed, 4, -5, 1, 0, {1, 0, 0, 0}},        // offset clamped into the source
      {eBuffer_Format_Fixed, 4, 0, 4, 4, {0, 0, 0, 0}},         // nowhere to copy
      {eBuffer_Format_Grow, 2, 0, -1, 3, {0, 0, 0, 1, 2, 3, 4}},  // grown to offset + size
      {eBuffer_Format_Wrap, 4, 0, -1, 3, {2, 3, 4, 1}},         // wraps around the destination
      {eBuffer_Format_Wrap, 4, 1, 3, -1, {3, 4, 0, 2}},         // destination offset modulo
  };
  for (const Case& c : cases) {
    Buffer_Standard dest(c.destSize, c.kind, 1);
    source.Copy(c.sourceOffset, c.size, &dest, c.destOffset);
    EXPECT_EQ(Bytes(dest), c.bytes) << c.kind << " " << c.sourceOffset << " " << c.size << " " << c.destOffset;
    EXPECT_EQ(dest.m_position, 0);
  }
  // A wrap source reads around its end.
  Buffer_Standard wrap(4, eBuffer_Format_Wrap, 1);
  source.Copy(0, -1, &wrap, 0);
  Buffer_Standard dest(6, eBuffer_Format_Fixed, 1);
  wrap.Copy(3, 6, &dest, 0);
  EXPECT_EQ(Bytes(dest), (std::vector<uint8_t>{4, 1, 2, 3, 4, 1}));
  // A grow buffer copied into itself past its end keeps the bytes it copies.
  Buffer_Standard grow(4, eBuffer_Format_Grow, 1);
  source.Copy(0, -1, &grow, 0);
  grow.Copy(0, 4, &grow, 4);
  EXPECT_EQ(Bytes(grow), (std::vector<uint8_t>{1, 2, 3, 4, 1, 2, 3, 4}));
}

TEST(BufferBlocks, BlockWritesClipGrowAndWrap) {
  const uint8_t bytes[6] = {1, 2, 3, 4, 5, 6};
  Buffer_Standard fixed(4, eBuffer_Format_Fixed, 1);
  fixed.Seek(0, 2);
  EXPECT_EQ(fixed.WriteBlock(bytes, 2, 3), 2);
  EXPECT_EQ(Bytes(fixed), (std::vector<uint8_t>{0, 0, 1, 2}));
  EXPECT_EQ(fixed.WriteBlock(bytes, 1, 1), 0);
  Buffer_Standard grow(2, eBuffer_Format_Grow, 4);
  grow.Seek(0, 1);
  EXPECT_EQ(grow.WriteBlock(bytes, 1, 6), 6);
  EXPECT_EQ(grow.m_size, 7);  // exactly position + length, no alignment
  Buffer_Standard wrap(4, eBuffer_Format_Wrap, 1);
  wrap.Seek(0, 3);
  EXPECT_EQ(wrap.WriteBlock(bytes, 1, 6), 6);
  EXPECT_EQ(Bytes(wrap), (std::vector<uint8_t>{6, 3, 4, 5}));
  EXPECT_EQ(wrap.m_position, 1);
  uint8_t back[5] = {};
  EXPECT_EQ(wrap.ReadBlock(back, 1, 5), 5);
  EXPECT_EQ(std::vector<uint8_t>(back, back + 5), (std::vector<uint8_t>{3, 4, 5, 6, 3}));
  fixed.Seek(0, 3);
  EXPECT_EQ(fixed.ReadBlock(back, 4, 1), 1);
  EXPECT_EQ(back[0], 2);
  EXPECT_EQ(fixed.ReadBlock(back, 4, 1), 0);
}

TEST(BufferEncodings, Base64AndDigestsOfRanges) {
  Buffer_Standard empty;
  ASSERT_TRUE(empty.Base64Decode("YWJj", 0, -1));
  EXPECT_EQ(Bytes(empty), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 0, 0}));
  EXPECT_FALSE(empty.Base64Decode(nullptr, 0, -1));
  Value out;
  empty.Base64Encode(&out.v, 0, 3);
  EXPECT_EQ(out.Text(), "YWJj");
  empty.Base64Encode(&out.v, 1, -1);
  EXPECT_EQ(out.Text(), "YmMAAAAA");
  empty.MD5(&out.v, 0, 3);
  EXPECT_EQ(out.Text(), "900150983cd24fb0d6963f7d28e17f72");
  empty.SHA1(&out.v, -10, 3);  // offset clamped to 0
  EXPECT_EQ(out.Text(), "a9993e364706816aba3e25717850c26c9cd0d89d");
  empty.SHA1(&out.v, 7, 3);  // nothing left: the digest of no bytes
  EXPECT_EQ(out.Text(), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
  // A wrap buffer digests around its end, the size not cut.
  Buffer_Standard wrap(3, eBuffer_Format_Wrap, 1);
  std::memcpy(wrap.GetData(), "cab", 3);
  wrap.MD5(&out.v, 1, 3);
  EXPECT_EQ(out.Text(), "900150983cd24fb0d6963f7d28e17f72");
  // MD5 of an empty buffer leaves the value as it was; SHA-1 gives the digest of nothing.
  Buffer_Standard none(0, eBuffer_Format_Fixed, 1);
  RValue_Release(&out.v);
  out.v = RValue_MakeReal(5);
  none.MD5(&out.v, 0, -1);
  EXPECT_EQ(RValue_Kind(&out.v), VALUE_REAL);
  none.SHA1(&out.v, 0, -1);
  EXPECT_EQ(out.Text(), "da39a3ee5e6b4b0d3255bfef95601890afd80709");
}

TEST(BufferResize, KeepsTheDataAndMovesAPositionOutside) {
  Buffer_Standard b(4, eBuffer_Format_Fixed, 8);
  std::memcpy(b.GetData(), "\1\2\3\4", 4);
  b.Seek(0, 3);
  ASSERT_TRUE(b.Resize(2));
  EXPECT_EQ(b.m_position, 0);
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{1, 2}));
  ASSERT_TRUE(b.Resize(6));
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{1, 2, 0, 0, 0, 0}));
  EXPECT_EQ(b.m_usedSize, 2);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(b.GetData()) % 8, 0u);
}

TEST(BufferSurface, BadRangesAndMissingSurfacesDoNothing) {
  static std::vector<uint8_t> pixels(2 * 2 * 4, 0x11);
  static const BufferSurfaceAccess access = {
      [](int32_t s) { return s == 1; },
      [](int32_t, int32_t* w, int32_t* h) {
        *w = 2;
        *h = 2;
        return true;
      },
      [](int32_t, std::vector<uint8_t>* out) {
        *out = pixels;
        return true;
      },
      [](int32_t, const uint8_t* in) {
        pixels.assign(in, in + 16);
        return true;
      },
  };
  const BufferSurfaceAccess* previous = Buffer_GetSurfaceAccess();
  Buffer_SetSurfaceAccess(&access);
  Buffer_Standard b(20, eBuffer_Format_Fixed, 1);
  b.GetSurface(2, 0, 0, 0);   // no such surface
  b.GetSurface(1, 0, -1, 0);  // negative offset
  b.GetSurface(1, 0, 0, -4);  // negative row gap
  b.GetSurface(1, 0, 0, 5);   // 8 + 5 + 8 = 21 bytes do not fit
  EXPECT_EQ(Bytes(b), std::vector<uint8_t>(20, 0));
  b.GetSurface(1, 0, 1, 3);  // rows at 1 and 12
  EXPECT_EQ(b.GetData()[0], 0);
  EXPECT_EQ(b.GetData()[1], 0x11);
  EXPECT_EQ(b.GetData()[9], 0);
  EXPECT_EQ(b.GetData()[12], 0x11);
  EXPECT_EQ(b.GetData()[19], 0x11);
  b.SetSurface(1, 5, 0);  // 5 + 16 > 20
  b.SetSurface(1, -1, 0);
  EXPECT_EQ(pixels[0], 0x11);
  b.SetSurface(1, 0, 0);
  EXPECT_EQ(pixels[0], 0);
  EXPECT_EQ(pixels[15], 0x11);
  Buffer_SetSurfaceAccess(previous);
}

}  // namespace
