#include "functions/buffer_functions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "functions/math_call.h"
#include "host/game_step.h"
#include "host/host_fixture.h"
#include "functions/ds_map.h"
#include "functions/ds_tables.h"
#include "functions/lifecycle.h"
#include "world/async_queue.h"
#include "render/lifecycle.h"
#include "render/vertex_buffer.h"
#include "world/room.h"

namespace {

// What one walk of the asynchronous queue handed out: the event number and the map's numbers.
struct Delivered {
  int32_t number;
  double id;
  double status;
  double error;
};
std::vector<Delivered> g_delivered;

double MapNumber(const CDS_Map* map, const char* key) {
  RValue k = RValue_MakeUndefined();
  RValue_SetString(&k, key);
  const CDS_MapEntry* entry = map != nullptr ? map->Find(&k) : nullptr;
  RValue_Release(&k);
  return entry != nullptr && RValue_Kind(&entry->value) == VALUE_REAL ? entry->value.val : std::nan("");
}

void RecordEvent(int32_t number) {
  const CDS_Map* map = g_DsMaps.Get(g_AsyncLoad);
  g_delivered.push_back({number, MapNumber(map, "id"), MapNumber(map, "status"), MapNumber(map, "error")});
}

using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;
using math_test::Text;
using math_test::Undefined;

// A vertex buffer holding the bytes as finished contents in a format of `stride` bytes (one
// four-byte element a vertex); frozen only in name, its bytes stay readable.
int32_t AddVertexBuffer(const std::vector<uint8_t>& bytes, int32_t stride, bool frozen, bool hasFormat) {
  auto* format = new VertexFormat;
  VertexFormat_AddElement(format, kVertexTypeFloat1, 5, 1);
  VertexFormat_Register(format);
  EXPECT_EQ(format->stride, stride);
  const int32_t index = VertexBuffer_Create(std::max<int64_t>(256, static_cast<int64_t>(bytes.size())));
  VertexBuffer* buffer = VertexBuffer_Get(index);
  if (!bytes.empty()) std::memcpy(buffer->data, bytes.data(), bytes.size());
  buffer->writePosition = static_cast<uint32_t>(bytes.size());
  buffer->vertexCount = static_cast<int32_t>(bytes.size()) / stride;
  buffer->contents = hasFormat ? format : nullptr;
  buffer->frozen = frozen;
  return index;
}

class BufferFunctionsTest : public HostFilesTest {
 protected:
  void SetUp() override {
    HostFilesTest::SetUp();
    Builtin_Shutdown();
    InitBufferFunctions();
    g_delivered.clear();
    RuntimeErrorCapture::Reset();
  }
  void TearDown() override {
    Buffer_FreeAll();
    Async_Shutdown();
    VertexBuffer_DeleteAll();
    VertexFormat_FreeAll();
    g_delivered.clear();
    Builtin_Shutdown();
    HostFilesTest::TearDown();
  }

  // The message of the last runtime error since the previous call, or "".
  static std::string TakeError() { return RuntimeErrorCapture::Take(); }

  static int32_t Create(double size, double kind = eBuffer_Format_Grow, double alignment = 1) {
    return static_cast<int32_t>(CallReal("buffer_create", {Real(size), Real(kind), Real(alignment)}));
  }
  static std::vector<uint8_t> Bytes(int32_t index) {
    IBuffer* b = GetBuffer(index);
    return b != nullptr ? std::vector<uint8_t>(b->GetData(), b->GetData() + b->m_size) : std::vector<uint8_t>{};
  }
  static void Fill(int32_t index, const std::string& bytes) {
    IBuffer* b = GetBuffer(index);
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(b->Resize(static_cast<int32_t>(bytes.size())));
    std::memcpy(b->GetData(), bytes.data(), bytes.size());
  }
  static std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

  // The asynchronous phase's walk of the queue, with the events it fires recorded.
  static void Step() { Async_ProcessQueue(RecordEvent); }

  RuntimeErrorCapture errors;
};

TEST_F(BufferFunctionsTest, RegistersTheThirtyFourFunctionsInOrderWithTheirCounts) {
  const std::pair<const char*, int32_t> expected[] = {
      {"buffer_create", 3}, {"buffer_delete", 1}, {"buffer_write", 3}, {"buffer_read", 2}, {"buffer_poke", 4},
      {"buffer_peek", 3}, {"buffer_seek", 3}, {"buffer_save", 2}, {"buffer_save_ext", 4}, {"buffer_load", 1},
      {"buffer_load_ext", 3}, {"buffer_load_partial", 5}, {"buffer_save_async", 4}, {"buffer_load_async", 4},
      {"buffer_async_group_begin", 1}, {"buffer_async_group_end", 0}, {"buffer_async_group_option", 2},
      {"buffer_copy", 5}, {"buffer_fill", 5}, {"buffer_get_size", 1}, {"buffer_tell", 1}, {"buffer_resize", 2},
      {"buffer_md5", 3}, {"buffer_sha1", 3}, {"buffer_base64_encode", 3}, {"buffer_base64_decode", 1},
      {"buffer_base64_decode_ext", 3}, {"buffer_sizeof", 1}, {"buffer_get_address", 1}, {"buffer_get_surface", 5},
      {"buffer_set_surface", 5}, {"buffer_create_from_vertex_buffer", 3}, {"buffer_create_from_vertex_buffer_ext", 5},
      {"buffer_copy_from_vertex_buffer", 5},
  };
  ASSERT_EQ(g_BuiltinCount, 34);
  for (int32_t i = 0; i < 34; ++i) {
    const BuiltinFunction* entry = nullptr;
    int32_t count = -2;
    ASSERT_TRUE(Builtin_GetEntry(i, &entry, nullptr, &count, nullptr));
    EXPECT_STREQ(entry->name, expected[i].first);
    EXPECT_EQ(count, expected[i].second) << expected[i].first;
  }
}

TEST_F(BufferFunctionsTest, TheTableGrowsByDoublingAndReusesTheLowestSlot) {
  for (int i = 0; i < 33; ++i) ASSERT_EQ(Create(4), i);
  EXPECT_EQ(Buffer_TableCapacity(), 64);
  CallReal("buffer_delete", {Real(5)});
  CallReal("buffer_delete", {Real(9)});
  EXPECT_EQ(Create(4), 5);
  EXPECT_EQ(Create(4), 9);
  EXPECT_EQ(Create(4), 33);
  // Out of range and free slots are ignored without a word.
  CallReal("buffer_delete", {Real(-1)});
  CallReal("buffer_delete", {Real(1000)});
  CallReal("buffer_delete", {Real(40)});
  EXPECT_EQ(TakeError(), "");
  // The kinds make their objects.
  EXPECT_NE(dynamic_cast<Buffer_Fast*>(GetBuffer(Create(4, eBuffer_Format_Fast))), nullptr);
  EXPECT_EQ(dynamic_cast<Buffer_Fast*>(GetBuffer(Create(4, eBuffer_Format_VBuffer))), nullptr);
}

TEST_F(BufferFunctionsTest, CreationChecksSizeAlignmentAndKind) {
  const struct {
    std::vector<double> args;
    const char* error;
  } cases[] = {
      {{0.5, 1, 1}, "buffer_create: Illegal size"},
      {{0, 1, 1}, "buffer_create: Illegal size"},
      {{-3, 1, 1}, "buffer_create: Illegal size"},
      {{2147483647.0, 1, 1}, "buffer_create: Illegal size"},  // the block would pass 2^31 - 1 bytes
      {{2147483647.0 - 64, 1, 100}, "buffer_create: Illegal size"},
      {{4, 1, 0}, "buffer_create: Illegal alignment size"},
      {{4, 1, 1025}, "buffer_create: Illegal alignment size"},
      {{4, 5, 1}, "Unknown buffer type, should be one of buffer_fixed, buffer_grow, buffer_wrap, buffer_fast, buffer_vbuffer"},
      {{4, -1, 1}, "Unknown buffer type, should be one of buffer_fixed, buffer_grow, buffer_wrap, buffer_fast, buffer_vbuffer"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CallReal("buffer_create", {Real(c.args[0]), Real(c.args[1]), Real(c.args[2])}), -1);
    EXPECT_EQ(TakeError(), c.error) << c.args[0] << " " << c.args[1] << " " << c.args[2];
  }
  EXPECT_EQ(CallReal("buffer_create", {Real(4), Real(1)}), -1);
  EXPECT_EQ(TakeError(), "buffer_create: Illegal argument count");
  EXPECT_EQ(CallReal("buffer_create", {Text("4"), Real(1), Real(1)}), -1);
  EXPECT_EQ(TakeError(), "buffer_create: Illegal argument type");
  EXPECT_EQ(Buffer_TableCapacity(), 0);  // nothing was made
  // The legal extremes.
  EXPECT_EQ(Create(2.9, eBuffer_Format_Fixed, 1024), 0);
  EXPECT_EQ(GetBuffer(0)->m_size, 2);
  EXPECT_EQ(GetBuffer(0)->m_alignment, 1);
}

// Every function that takes a buffer index checks the count, the kinds and the index, and leaves
// its error result.
TEST_F(BufferFunctionsTest, ArgumentErrorsGiveTheErrorResult) {
  const int32_t b = Create(8);
  struct Case {
    const char* name;
    std::vector<RValue (*)()> args;  // the first is the buffer
    double errorResult;              // NaN: the empty string
    const char* prefix;
  };
  auto n = [] { return Real(1); };
  auto s = [] { return Text("x.bin"); };
  const double kText = std::nan("");
  const Case cases[] = {
      {"buffer_delete", {n}, 0, ""},
      {"buffer_write", {n, n, n}, -1, ""},
      {"buffer_read", {n, n}, 0, ""},
      {"buffer_peek", {n, n, n}, 0, ""},
      {"buffer_poke", {n, n, n, n}, 0, ""},
      {"buffer_seek", {n, n, n}, -1, ""},
      {"buffer_tell", {n}, -1, ""},
      {"buffer_get_size", {n}, -1, ""},
      {"buffer_resize", {n, n}, 0, ""},
      {"buffer_fill", {n, n, n, n, n}, 0, ""},
      {"buffer_md5", {n, n, n}, kText, ""},
      {"buffer_sha1", {n, n, n}, kText, ""},
      {"buffer_base64_encode", {n, n, n}, -1, ""},
      {"buffer_base64_decode_ext", {n, s, n}, 0, ""},
      {"buffer_save", {n, s}, 0, ""},
      {"buffer_save_ext", {n, s, n, n}, 0, ""},
      {"buffer_load_ext", {n, s, n}, 0, ""},
      {"buffer_load_partial", {n, s, n, n, n}, 0, ""},
      {"buffer_get_surface", {n, n, n, n, n}, -1, "Error in buffer_get_surface(): "},
      {"buffer_set_surface", {n, n, n, n, n}, -1, "Error in buffer_set_surface(): "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto check = [&](std::vector<RValue> args, const std::string& error) {
      const math_test::Answer a = Call(c.name, std::move(args));
      if (std::isnan(c.errorResult)) {
        EXPECT_EQ(a.Kind(), VALUE_STRING);
        EXPECT_EQ(a.Text(), "");
      } else {
        EXPECT_EQ(a.Real(), c.errorResult);
      }
      EXPECT_EQ(TakeError(), error.empty() ? "" : std::string(c.prefix) + error);
    };
    std::vector<RValue> args;
    for (auto make : c.args) args.push_back(make());
    // One argument too few.
    std::vector<RValue> fewer;
    for (size_t i = 0; i + 1 < c.args.size(); ++i) fewer.push_back(c.args[i]());
    check(std::move(fewer), "Illegal argument count");
    // A string where the buffer index goes.
    std::vector<RValue> wrongKind;
    wrongKind.push_back(Text("0"));
    for (size_t i = 1; i < c.args.size(); ++i) wrongKind.push_back(c.args[i]());
    check(std::move(wrongKind), "Illegal argument type");
    // A free slot; buffer_delete ignores it.
    RValue_Release(&args[0]);
    args[0] = Real(b + 1);
    check(std::move(args), std::string(c.name) == "buffer_delete" ? "" : "Illegal Buffer Index");
  }
  EXPECT_EQ(Bytes(b), std::vector<uint8_t>(8, 0));
}

TEST_F(BufferFunctionsTest, WritesCheckTheValueKindAndReadsReportOutsideTheData) {
  const int32_t b = Create(2, eBuffer_Format_Fixed);
  EXPECT_EQ(CallReal("buffer_write", {Real(b), Real(eBuffer_U8), Text("a")}), -1);
  EXPECT_EQ(TakeError(), "Wrong tll type for buffer type");
  EXPECT_EQ(CallReal("buffer_write", {Real(b), Real(eBuffer_String), Real(1)}), -1);
  EXPECT_EQ(TakeError(), "Wrong tll type for buffer type");
  EXPECT_EQ(CallReal("buffer_write", {Real(b), Real(eBuffer_U8), Undefined()}), -1);
  EXPECT_EQ(TakeError(), "Wrong tll type for buffer type");
  EXPECT_EQ(CallReal("buffer_write", {Real(b), Real(eBuffer_Text), Real(1)}), -1);  // accepted, writes nothing
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(CallReal("buffer_write", {Real(b), Real(eBuffer_U32), Real(1)}), -2);
  EXPECT_EQ(CallReal("buffer_write", {Real(b), Real(eBuffer_S16), Real(-2)}), 0);
  EXPECT_EQ(CallReal("buffer_tell", {Real(b)}), 2);
  EXPECT_EQ(CallReal("buffer_read", {Real(b), Real(eBuffer_U8)}), 0);
  EXPECT_EQ(TakeError(), "Attempting to read from outside the buffer, returning 0");
  EXPECT_EQ(CallReal("buffer_peek", {Real(b), Real(1), Real(eBuffer_U16)}), 0);
  EXPECT_EQ(CallReal("buffer_peek", {Real(b), Real(0), Real(eBuffer_S16)}), -2);
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(CallReal("buffer_seek", {Real(b), Real(0), Real(0)}), 0);
  EXPECT_EQ(CallReal("buffer_read", {Real(b), Real(eBuffer_F16)}), 0);  // unsupported: no report
  EXPECT_EQ(CallReal("buffer_read", {Real(b), Real(eBuffer_S16)}), -2);
  EXPECT_EQ(TakeError(), "");
  // Strings come back as strings; a fast buffer's own codes pass through.
  const int32_t g = Create(1);
  EXPECT_EQ(CallReal("buffer_write", {Real(g), Real(eBuffer_String), Text("hi")}), 0);
  CallReal("buffer_seek", {Real(g), Real(0), Real(0)});
  EXPECT_EQ(CallText("buffer_read", {Real(g), Real(eBuffer_String)}), "hi");
  const int32_t f = Create(1, eBuffer_Format_Fast);
  EXPECT_EQ(CallReal("buffer_write", {Real(f), Real(eBuffer_S8), Real(1)}), -4);
  EXPECT_EQ(CallReal("buffer_write", {Real(f), Real(eBuffer_U8), Real(7)}), 0);
  EXPECT_EQ(CallReal("buffer_write", {Real(f), Real(eBuffer_U8), Real(7)}), -2);
  EXPECT_EQ(CallReal("buffer_read", {Real(f), Real(eBuffer_U8)}), 0);
  EXPECT_EQ(TakeError(), "Attempting to read from outside the buffer, returning 0");
}

TEST_F(BufferFunctionsTest, PokeFillResizeAndSizeof) {
  const int32_t b = Create(6, eBuffer_Format_Fixed);
  CallReal("buffer_poke", {Real(b), Real(1), Real(eBuffer_U16), Real(0x0102)});
  CallReal("buffer_poke", {Real(b), Real(5), Real(eBuffer_U16), Real(0x0304)});  // does not fit
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{0, 2, 1, 0, 0, 0}));
  CallReal("buffer_fill", {Real(b), Real(2), Real(eBuffer_U8), Real(9), Real(3)});
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{0, 2, 9, 9, 9, 0}));
  CallReal("buffer_fill", {Real(b), Real(0), Real(eBuffer_U32), Real(1), Real(6)});  // gaps zeroed
  EXPECT_EQ(Bytes(b), (std::vector<uint8_t>{1, 0, 0, 0, 0, 0}));
  CallReal("buffer_resize", {Real(b), Real(-1)});
  CallReal("buffer_resize", {Real(b), Real(2147483647.0)});
  EXPECT_EQ(CallReal("buffer_get_size", {Real(b)}), 6);
  CallReal("buffer_resize", {Real(b), Real(3)});
  EXPECT_EQ(CallReal("buffer_get_size", {Real(b)}), 3);
  const std::pair<int, int> sizes[] = {{1, 1}, {4, 2}, {6, 4}, {7, 2}, {9, 8}, {11, 0}, {12, 8}, {13, 0}, {99, 0}};
  for (const auto& [type, size] : sizes) EXPECT_EQ(CallReal("buffer_sizeof", {Real(type)}), size) << type;
  EXPECT_EQ(TakeError(), "");
}

TEST_F(BufferFunctionsTest, CopiesNeedTwoDifferentValidBuffers) {
  const int32_t a = Create(4, eBuffer_Format_Fixed);
  const int32_t b = Create(2);
  Fill(a, "wxyz");
  CallReal("buffer_copy", {Real(a), Real(0), Real(4), Real(a), Real(0)});
  EXPECT_EQ(TakeError(), "Source and Destination buffers can't be the same");
  CallReal("buffer_copy", {Real(a), Real(0), Real(4), Real(7), Real(0)});
  EXPECT_EQ(TakeError(), "Illegal Source Buffer Index");
  CallReal("buffer_copy", {Real(7), Real(0), Real(4), Real(b), Real(0)});
  EXPECT_EQ(TakeError(), "Illegal Source Buffer Index");
  CallReal("buffer_copy", {Real(a), Real(1), Real(-1), Real(b), Real(1)});
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(AsText(Bytes(b)), std::string("\0xyz", 4));  // the grow buffer took it
}

TEST_F(BufferFunctionsTest, DigestsAndBase64) {
  const int32_t b = Create(3, eBuffer_Format_Fixed);
  Fill(b, "abc");
  EXPECT_EQ(CallText("buffer_md5", {Real(b), Real(0), Real(-1)}), "900150983cd24fb0d6963f7d28e17f72");
  EXPECT_EQ(CallText("buffer_sha1", {Real(b), Real(0), Real(3)}), "a9993e364706816aba3e25717850c26c9cd0d89d");
  EXPECT_EQ(CallText("buffer_base64_encode", {Real(b), Real(0), Real(3)}), "YWJj");
  const int32_t decoded = static_cast<int32_t>(CallReal("buffer_base64_decode", {Text("YWJj")}));
  EXPECT_EQ(Bytes(decoded), (std::vector<uint8_t>{'a', 'b', 'c', 0, 0, 0, 0}));
  EXPECT_EQ(GetBuffer(decoded)->m_kind, eBuffer_Format_Grow);
  CallReal("buffer_base64_decode_ext", {Real(b), Text("eg=="), Real(1)});
  EXPECT_EQ(AsText(Bytes(b)), std::string("az\0", 3));  // the zeros after the bytes; a fixed buffer keeps its size
  EXPECT_EQ(CallReal("buffer_base64_decode", {Real(1)}), -1);
  EXPECT_EQ(TakeError(), "Illegal argument type");
  // MD5 of an empty buffer leaves the empty text.
  const int32_t empty = static_cast<int32_t>(CallReal("buffer_base64_decode", {Text("")}));
  ASSERT_TRUE(GetBuffer(empty)->Resize(0));
  EXPECT_EQ(CallText("buffer_md5", {Real(empty), Real(0), Real(-1)}), "");
  EXPECT_EQ(TakeError(), "");
}

TEST_F(BufferFunctionsTest, AddressIsTheDataPointer) {
  const int32_t b = Create(8);
  const math_test::Answer a = Call("buffer_get_address", {Real(b)});
  EXPECT_EQ(a.Kind(), VALUE_PTR);
  EXPECT_EQ(a.v.ptr, GetBuffer(b)->GetData());
  const math_test::Answer none = Call("buffer_get_address", {Real(b + 1)});
  EXPECT_EQ(none.Kind(), VALUE_PTR);
  EXPECT_EQ(none.v.ptr, nullptr);
  EXPECT_EQ(TakeError(), "buffer_get_address: Illegal Buffer Index");
  Call("buffer_get_address", {Text("0")});
  EXPECT_EQ(TakeError(), "buffer_get_address: Illegal argument type");
  Call("buffer_get_address", {});
  EXPECT_EQ(TakeError(), "buffer_get_address: Illegal argument count");
}

TEST_F(BufferFunctionsTest, SurfaceCallsNeedTheSurfaceAndAnswerMinusOne) {
  const int32_t b = Create(8);
  for (const char* name : {"buffer_get_surface", "buffer_set_surface"}) {
    EXPECT_EQ(CallReal(name, {Real(b), Real(3), Real(0), Real(0), Real(0)}), -1);
    EXPECT_EQ(TakeError(), std::string("Error in ") + name + "(): surface does not exist");
  }
}

TEST_F(BufferFunctionsTest, InUseBuffersCannotBeDeleted) {
  const int32_t b = Create(4);
  GetBuffer(b)->m_inUseCount = 1;  // a buffer sound made from it still exists
  CallReal("buffer_delete", {Real(b)});
  EXPECT_EQ(TakeError(), "Cannot delete buffer, it's in use");
  EXPECT_NE(GetBuffer(b), nullptr);
  GetBuffer(b)->m_inUseCount = 0;
  CallReal("buffer_delete", {Real(b)});
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(GetBuffer(b), nullptr);
}

TEST_F(BufferFunctionsTest, SaveAndLoadRoundTripThroughTheSaveArea) {
  const int32_t b = Create(5, eBuffer_Format_Fixed);
  Fill(b, "hello");
  CallReal("buffer_save", {Real(b), Text("dir/whole.bin")});
  EXPECT_EQ(ReadAll(save + "dir/whole.bin"), "hello");
  CallReal("buffer_save_ext", {Real(b), Text("part.bin"), Real(3), Real(10)});  // clipped at the end
  EXPECT_EQ(ReadAll(save + "part.bin"), "lo");
  const int32_t loaded = static_cast<int32_t>(CallReal("buffer_load", {Text("dir/whole.bin")}));
  ASSERT_GE(loaded, 0);
  EXPECT_EQ(AsText(Bytes(loaded)), "hello");
  EXPECT_EQ(GetBuffer(loaded)->m_kind, eBuffer_Format_Grow);
  // The program directory serves what the save area does not have; the save area comes first.
  WriteAll(program + "/shipped.bin", "program");
  WriteAll(program + "/part.bin", "shadowed");
  EXPECT_EQ(AsText(Bytes(static_cast<int32_t>(CallReal("buffer_load", {Text("shipped.bin")})))), "program");
  EXPECT_EQ(AsText(Bytes(static_cast<int32_t>(CallReal("buffer_load", {Text("part.bin")})))), "lo");
  // Into a buffer: the whole file at an offset, or a part of it.
  CallReal("buffer_load_ext", {Real(b), Text("part.bin"), Real(1)});
  EXPECT_EQ(AsText(Bytes(b)), "hlolo");
  CallReal("buffer_load_partial", {Real(b), Text("shipped.bin"), Real(2), Real(3), Real(0)});
  EXPECT_EQ(AsText(Bytes(b)), "ogrlo");
  CallReal("buffer_load_partial", {Real(b), Text("shipped.bin"), Real(5), Real(-1), Real(3)});
  EXPECT_EQ(AsText(Bytes(b)), "ogram");
  EXPECT_EQ(TakeError(), "");
  // A missing file, a web address, a path outside the allowed places.
  for (const char* name : {"missing.bin", "http://localhost/x.bin", "../../outside.bin", ""}) {
    EXPECT_EQ(CallReal("buffer_load", {Text(name)}), -1) << name;
    EXPECT_EQ(TakeError(), "Cannot load buffer file");
    CallReal("buffer_load_ext", {Real(b), Text(name), Real(0)});
    EXPECT_EQ(TakeError(), "");
  }
  EXPECT_EQ(AsText(Bytes(b)), "ogram");
  // An empty file loads as an empty buffer.
  WriteAll(save + "empty.bin", "");
  const int32_t empty = static_cast<int32_t>(CallReal("buffer_load", {Text("empty.bin")}));
  ASSERT_GE(empty, 0);
  EXPECT_EQ(CallReal("buffer_get_size", {Real(empty)}), 0);
}

TEST_F(BufferFunctionsTest, AnAsynchronousSaveIsWrittenAndReportedOnTheNextWalk) {
  const int32_t b = Create(4, eBuffer_Format_Fixed);
  Fill(b, "data");
  const double id = CallReal("buffer_save_async", {Real(b), Text("slot.sav"), Real(0), Real(4)});
  EXPECT_GE(id, 0);
  Fill(b, "DATA");  // the bytes were taken at the call
  EXPECT_FALSE(PathExists(save + "default/slot.sav"));
  Step();
  EXPECT_EQ(ReadAll(save + "default/slot.sav"), "data");
  ASSERT_EQ(g_delivered.size(), 1u);
  EXPECT_EQ(g_delivered[0].number, 72);
  EXPECT_EQ(g_delivered[0].id, id);
  EXPECT_EQ(g_delivered[0].status, 1);
  EXPECT_EQ(g_delivered[0].error, 0);
  Step();
  EXPECT_EQ(g_delivered.size(), 1u);  // the request is gone, and so is its map
  EXPECT_EQ(g_pHttpHead, nullptr);
  // A second request gets the queue's next id; a range is clipped to the buffer.
  EXPECT_EQ(Async_NextRequestId(), id + 1);
  const double second = CallReal("buffer_save_async", {Real(b), Text("tail.sav"), Real(2), Real(99)});
  EXPECT_EQ(second, id + 1);
  Step();
  EXPECT_EQ(ReadAll(save + "default/tail.sav"), "TA");
}

TEST_F(BufferFunctionsTest, TheGameStepWorksTheRequests) {
  const int32_t b = Create(2, eBuffer_Format_Fixed);
  Fill(b, "ok");
  CallReal("buffer_save_async", {Real(b), Text("step.sav"), Real(0), Real(-1)});
  Runner_Step();  // no room: the asynchronous phase still walks the queue
  EXPECT_EQ(ReadAll(save + "default/step.sav"), "ok");
  EXPECT_EQ(g_pHttpHead, nullptr);
}

// game_end returns from the step before the asynchronous phase: the end of the game does the file
// work of what is still queued, and fires nothing.
TEST_F(BufferFunctionsTest, RequestsStillQueuedAtTheEndOfTheGameDoTheirFileWork) {
  const int32_t b = Create(4, eBuffer_Format_Fixed);
  Fill(b, "last");
  CallReal("buffer_save_async", {Real(b), Text("last.sav"), Real(0), Real(4)});
  Call("buffer_async_group_begin", {Text("slots")});
  CallReal("buffer_save_async", {Real(b), Text("one.sav"), Real(1), Real(2)});
  CallReal("buffer_save_async", {Real(b), Text("two.sav"), Real(0), Real(-1)});
  CallReal("buffer_async_group_end", {});
  ASSERT_TRUE(LoadSave_WriteFile("default/in.sav", "xy", 2));
  const int32_t target = Create(2, eBuffer_Format_Fixed);
  CallReal("buffer_load_async", {Real(target), Text("in.sav"), Real(0), Real(-1)});
  EXPECT_EQ(GetBuffer(target)->m_inUseCount, 1);
  EXPECT_FALSE(PathExists(save + "default/last.sav"));

  File_CloseAll();
  EXPECT_EQ(ReadAll(save + "default/last.sav"), "last");
  EXPECT_EQ(ReadAll(save + "slots/one.sav"), "as");
  EXPECT_EQ(ReadAll(save + "slots/two.sav"), "last");
  EXPECT_EQ(AsText(Bytes(target)), "xy");
  EXPECT_EQ(GetBuffer(target)->m_inUseCount, 0);  // deletable again
  EXPECT_EQ(g_pHttpHead, nullptr);
  EXPECT_TRUE(g_delivered.empty());
  EXPECT_EQ(TakeError(), "");
}

TEST_F(BufferFunctionsTest, AGroupOfLoadsFillsEveryBuffer) {
  ASSERT_TRUE(LoadSave_WriteFile("slots/a.sav", "alpha", 5));
  WriteAll(program + "/b.sav", "beta");  // not in the group's folder: found by its name alone
  const int32_t a = Create(1, eBuffer_Format_Fixed);
  const int32_t b = Create(8, eBuffer_Format_Fixed);
  Call("buffer_async_group_begin", {Text("slots")});
  EXPECT_EQ(CallReal("buffer_load_async", {Real(a), Text("a.sav"), Real(0), Real(-1)}), -1);
  EXPECT_EQ(CallReal("buffer_load_async", {Real(b), Text("b.sav"), Real(2), Real(2)}), -1);
  // A buffer named by a pending load cannot be deleted.
  CallReal("buffer_delete", {Real(a)});
  EXPECT_EQ(TakeError(), "Cannot delete buffer, it's in use");
  const double id = CallReal("buffer_async_group_end", {});
  EXPECT_GE(id, 0);
  CallReal("buffer_delete", {Real(b)});
  EXPECT_EQ(TakeError(), "Cannot delete buffer, it's in use");
  Step();
  EXPECT_EQ(AsText(Bytes(a)), "alpha");  // grown to fit, whatever its kind
  EXPECT_EQ(AsText(Bytes(b)), std::string("\0\0be\0\0\0\0", 8));
  ASSERT_EQ(g_delivered.size(), 1u);
  EXPECT_EQ(g_delivered[0].id, id);
  EXPECT_EQ(g_delivered[0].status, 1);
  CallReal("buffer_delete", {Real(a)});
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(GetBuffer(a), nullptr);
}

TEST_F(BufferFunctionsTest, AMissingFileOrARefusedPathGivesStatusZero) {
  const int32_t b = Create(4);
  CallReal("buffer_load_async", {Real(b), Text("nowhere.sav"), Real(0), Real(-1)});
  Step();
  ASSERT_EQ(g_delivered.size(), 1u);
  EXPECT_EQ(g_delivered[0].status, 0);
  EXPECT_EQ(GetBuffer(b)->m_inUseCount, 0);
  // A name that climbs out of the save area is refused as a whole path.
  CallReal("buffer_save_async", {Real(b), Text("../../../escape.sav"), Real(0), Real(-1)});
  Step();
  ASSERT_EQ(g_delivered.size(), 2u);
  EXPECT_EQ(g_delivered[1].status, 0);
  EXPECT_FALSE(PathExists(root + "/escape.sav"));
  EXPECT_FALSE(PathExists(saveRoot + "/escape.sav"));
  // A bad index is reported and queues nothing.
  EXPECT_EQ(CallReal("buffer_save_async", {Real(b + 1), Text("x.sav"), Real(0), Real(-1)}), -1);
  EXPECT_EQ(TakeError(), "Illegal Buffer Index");
  EXPECT_EQ(CallReal("buffer_load_async", {Real(-1), Text("x.sav"), Real(0), Real(-1)}), -1);
  EXPECT_EQ(TakeError(), "Illegal Buffer Index");
  Step();
  EXPECT_EQ(g_delivered.size(), 2u);
}

TEST_F(BufferFunctionsTest, GroupMisuseIsFatal) {
  const int32_t b = Create(4);
  CallReal("buffer_async_group_end", {});
  EXPECT_EQ(TakeError(), "no matching buffer_group_begin");
  for (const char* name : {"a b", "a\tb", "a/b", "a\\b", "a\nb"}) {
    Call("buffer_async_group_begin", {Text(name)});
    EXPECT_EQ(TakeError(), "Group name should not contain whitespace or slash characters.") << name;
  }
  Call("buffer_async_group_begin", {Text("g")});
  Call("buffer_async_group_begin", {Text("h")});
  EXPECT_EQ(TakeError(), "only one buffer group at a time");
  CallReal("buffer_async_group_end", {});
  EXPECT_EQ(TakeError(), "no content in group to save");
  EXPECT_EQ(Call("buffer_async_group_begin", {Text("g")}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(TakeError(), "");
  CallReal("buffer_save_async", {Real(b), Text("s"), Real(0), Real(-1)});
  CallReal("buffer_load_async", {Real(b), Text("l"), Real(0), Real(-1)});
  EXPECT_EQ(TakeError(), "mixing async save and loads in the same group");
  EXPECT_EQ(GetBuffer(b)->m_inUseCount, 0);
  EXPECT_GE(CallReal("buffer_async_group_end", {}), 0);
  Step();
  EXPECT_TRUE(PathExists(save + "g/s"));
}

TEST_F(BufferFunctionsTest, GroupOptionsAreStoredOrLogged) {
  EXPECT_EQ(CallReal("buffer_async_group_option", {Text("showdialog"), Real(1)}), 1);
  EXPECT_EQ(CallReal("buffer_async_group_option", {Text("subtitle"), Text("Saving")}), 1);
  EXPECT_EQ(CallReal("buffer_async_group_option", {Text("slottitle"), Text("Slot")}), 1);
  EXPECT_EQ(CallReal("buffer_async_group_option", {Text("savepadindex"), Real(0)}), 0);
  EXPECT_EQ(CallReal("buffer_async_group_option", {Text("saveslotsize"), Real(64)}), 0);
  EXPECT_EQ(CallReal("buffer_async_group_option", {Real(3), Real(64)}), 0);
  EXPECT_EQ(log.text.find("unknown option"), std::string::npos);
  EXPECT_EQ(CallReal("buffer_async_group_option", {Text("colour"), Real(1)}), 0);
  EXPECT_NE(log.text.find("unknown option colour passed to F_BUFFER_Async_Group_Option\n"), std::string::npos);
  // "temprloc" lets the save area write there.
  const std::string temp = root + "/temp";
  ASSERT_EQ(mkdir(temp.c_str(), 0777), 0);
  EXPECT_EQ(LoadSave_MapSavePath((temp + "/x.bin").c_str()), "");
  EXPECT_EQ(CallReal("buffer_async_group_option", {Text("temprloc"), Text(temp.c_str())}), 0);
  EXPECT_EQ(LoadSave_MapSavePath((temp + "/x.bin").c_str()), temp + "/x.bin");
}

TEST_F(BufferFunctionsTest, BuffersFromVertexBuffers) {
  std::vector<uint8_t> vertices;
  for (int i = 0; i < 12; ++i) vertices.push_back(static_cast<uint8_t>(i));
  const int32_t vb = AddVertexBuffer(vertices, 4, false, true);  // three vertices
  const int32_t frozen = AddVertexBuffer(vertices, 4, true, true);
  const int32_t empty = AddVertexBuffer({}, 4, false, true);
  const int32_t noFormat = AddVertexBuffer(vertices, 4, false, false);

  const int32_t whole = static_cast<int32_t>(
      CallReal("buffer_create_from_vertex_buffer", {Real(vb), Real(eBuffer_Format_Fixed), Real(1)}));
  EXPECT_EQ(Bytes(whole), vertices);
  const int32_t part = static_cast<int32_t>(CallReal(
      "buffer_create_from_vertex_buffer_ext", {Real(vb), Real(eBuffer_Format_Grow), Real(1), Real(1), Real(10)}));
  EXPECT_EQ(Bytes(part), std::vector<uint8_t>(vertices.begin() + 4, vertices.end()));  // the count is cut
  EXPECT_EQ(TakeError(), "");

  const std::string plain = "buffer_create_from_vertex_buffer: ";
  const std::string ext = "buffer_create_from_vertex_buffer_ext: ";
  const struct {
    const char* name;
    std::vector<double> args;
    std::string error;
  } cases[] = {
      {"buffer_create_from_vertex_buffer", {99, 0, 1}, plain + "Specified vertex buffer doesn't exist."},
      {"buffer_create_from_vertex_buffer", {double(frozen), 0, 1}, plain + "Can't create buffer from frozen vertex buffer."},
      {"buffer_create_from_vertex_buffer", {double(empty), 0, 1}, plain + "Can't create buffer from empty vertex buffer."},
      {"buffer_create_from_vertex_buffer", {double(noFormat), 0, 1}, plain + "Can't create buffer from empty vertex buffer."},
      {"buffer_create_from_vertex_buffer", {double(vb), 0, 0}, plain + "Illegal alignment size"},
      // The kind's fatal error comes first and silences the report that follows it.
      {"buffer_create_from_vertex_buffer", {double(vb), 7, 1},
       "Unknown buffer type, should be one of buffer_fixed, buffer_grow, buffer_wrap, buffer_fast, buffer_vbuffer"},
      {"buffer_create_from_vertex_buffer_ext", {double(vb), 0, 1, 0, 0}, ext + "Specified number of verts invalid."},
      {"buffer_create_from_vertex_buffer_ext", {double(vb), 0, 1, 3, 1}, ext + "Specified start vertex out of range."},
      {"buffer_create_from_vertex_buffer_ext", {double(vb), 0, 1, -1, 1}, ext + "Specified start vertex out of range."},
      {"buffer_create_from_vertex_buffer_ext", {double(frozen), 0, 1, 0, 1}, ext + "Can't create buffer from frozen vertex buffer."},
  };
  for (const auto& c : cases) {
    std::vector<RValue> args;
    for (double d : c.args) args.push_back(Real(d));
    EXPECT_EQ(CallReal(c.name, std::move(args)), -1);
    EXPECT_EQ(TakeError(), c.error) << c.name << " " << c.args[0];
  }
  EXPECT_EQ(CallReal("buffer_create_from_vertex_buffer", {Real(vb), Real(0)}), -1);
  EXPECT_EQ(TakeError(), plain + "Illegal argument count");
  EXPECT_EQ(CallReal("buffer_create_from_vertex_buffer_ext", {Real(vb), Text("0"), Real(1), Real(0), Real(1)}), -1);
  EXPECT_EQ(TakeError(), ext + "Illegal argument type");
}

TEST_F(BufferFunctionsTest, CopiesFromVertexBuffers) {
  std::vector<uint8_t> vertices;
  for (int i = 0; i < 12; ++i) vertices.push_back(static_cast<uint8_t>(i + 1));
  const int32_t vb = AddVertexBuffer(vertices, 4, false, true);
  const int32_t wrap = Create(6, eBuffer_Format_Wrap);
  Call("buffer_copy_from_vertex_buffer", {Real(vb), Real(1), Real(1), Real(wrap), Real(4)});
  EXPECT_EQ(Bytes(wrap), (std::vector<uint8_t>{7, 8, 0, 0, 5, 6}));
  const int32_t grow = Create(1);
  Call("buffer_copy_from_vertex_buffer", {Real(vb), Real(2), Real(5), Real(grow), Real(2)});
  EXPECT_EQ(Bytes(grow), (std::vector<uint8_t>{0, 0, 9, 10, 11, 12}));
  EXPECT_EQ(TakeError(), "");
  const std::string prefix = "buffer_copy_from_vertex_buffer: ";
  const struct {
    std::vector<double> args;
    std::string error;
  } cases[] = {
      {{99, 0, 1, double(grow), 0}, prefix + "Illegal Vertex Buffer Index"},
      {{double(vb), 0, 0, double(grow), 0}, prefix + "Specified number of verts invalid."},
      {{double(vb), 3, 1, double(grow), 0}, prefix + "Specified start vertex out of range."},
      {{double(vb), 0, 1, 99, 0}, prefix + "Illegal Destination Buffer Index"},
  };
  for (const auto& c : cases) {
    std::vector<RValue> args;
    for (double d : c.args) args.push_back(Real(d));
    Call("buffer_copy_from_vertex_buffer", std::move(args));
    EXPECT_EQ(TakeError(), c.error);
  }
  EXPECT_EQ(Bytes(grow), (std::vector<uint8_t>{0, 0, 9, 10, 11, 12}));
}

}  // namespace
