// Script vertex formats and vertex buffers on the recording device: layouts and their declarations,
// the validating and fast writers, submitting through the batch and frozen buffers, conversions
// from data buffers, and the errors of each.
#include "render/render_fixture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/function_registry.h"
#include "core/value_test_util.h"
#include "functions/buffer_functions.h"
#include "functions/vertex_functions.h"
#include "render/vertex_format.h"

namespace render_test {
namespace {

class VertexBufferTest : public RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    m_first = g_BuiltinCount;
    InitVertexFormatFunctions();
    InitVertexBuilderFunctions();
    m_errors = std::make_unique<RuntimeErrorCapture>();
  }
  void TearDown() override {
    VertexBuilder_RegisterFastFunctions(true);
    m_errors.reset();
    Buffer_FreeAll();
    RenderTest::TearDown();
  }

  double Call(const char* name, std::vector<double> args = {}) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue_MakeReal(a));
    return CallValues(name, values);
  }
  double CallValues(const char* name, std::vector<RValue>& values) {
    const BuiltinFunction* f = nullptr;
    // The first entry of the name: the one that release mode replaces.
    for (int32_t i = 0; i < g_BuiltinCount && f == nullptr; ++i) {
      if (std::strcmp(g_BuiltinFunctions[i].name, name) == 0) f = &g_BuiltinFunctions[i];
    }
    EXPECT_NE(f, nullptr) << name;
    if (f == nullptr) return NAN;
    RValue result = RValue_MakeReal(-12345);
    f->handler(&result, nullptr, nullptr, static_cast<int32_t>(values.size()), values.data());
    return result.val;
  }
  static std::string TakeError() { return RuntimeErrorCapture::Take(); }

  // position 2-D, colour, texcoord: 20 bytes.
  int32_t PositionColourTexcoord() {
    Call("vertex_format_begin");
    Call("vertex_format_add_position");
    Call("vertex_format_add_colour");
    Call("vertex_format_add_textcoord");
    return static_cast<int32_t>(Call("vertex_format_end"));
  }
  void Vertex(double buffer, float x, float y, double colour = 0xFFFFFF) {
    Call("vertex_position", {buffer, x, y});
    Call("vertex_colour", {buffer, colour, 1});
    Call("vertex_texcoord", {buffer, x / 10, y / 10});
  }
  // The bytes of a finished buffer of n vertices.
  static std::vector<uint8_t> Bytes(int32_t index) {
    const VertexBuffer* b = VertexBuffer_Get(index);
    return std::vector<uint8_t>(b->data, b->data + b->writePosition);
  }

  int32_t m_first = 0;
  std::unique_ptr<RuntimeErrorCapture> m_errors;
};

TEST_F(VertexBufferTest, FormatsLayTheirElementsOutInOrderAndDeclareThemWithUsageIndices) {
  InitScene();
  const int32_t id = PositionColourTexcoord();
  EXPECT_EQ(id, 0x1000000);
  const VertexFormat* f = VertexFormat_Get(id);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->stride, 20);
  ASSERT_EQ(f->Count(), 3);
  EXPECT_EQ(f->elements[1].offset, 8);
  EXPECT_EQ(f->elements[2].offset, 12);
  EXPECT_EQ(f->mask, 7u);
  EXPECT_NE(Find("CreateVertexDeclaration({{0, 0, FLOAT2, POSITION, 0}, {0, 8, D3DCOLOR, COLOR, 0}, "
                 "{0, 12, FLOAT2, TEXCOORD, 0}})"),
            -1)
      << (Lines().empty() ? "" : Lines().back());

  Call("vertex_format_begin");
  Call("vertex_format_add_position_3d");
  Call("vertex_format_add_normal");
  Call("vertex_format_add_colour");
  Call("vertex_format_add_textcoord");
  Call("vertex_format_add_textcoord");
  const int32_t second = static_cast<int32_t>(Call("vertex_format_end"));
  EXPECT_EQ(second, 0x1000001);
  EXPECT_EQ(VertexFormat_Get(second)->stride, 44);
  EXPECT_NE(Find("CreateVertexDeclaration({{0, 0, FLOAT3, POSITION, 0}, {0, 12, FLOAT3, NORMAL, 0}, "
                 "{0, 24, D3DCOLOR, COLOR, 0}, {0, 28, FLOAT2, TEXCOORD, 0}, {0, 36, FLOAT2, TEXCOORD, 1}})"),
            -1);
  EXPECT_EQ(TakeError(), "");

  // Deleting the first frees its id for the next format.
  Call("vertex_format_delete", {double(id)});
  EXPECT_EQ(VertexFormat_Get(id), nullptr);
  EXPECT_EQ(PositionColourTexcoord(), 0x1000000);
  EXPECT_EQ(VertexFormat_Stride(0x1000001), 44u);
  EXPECT_EQ(VertexFormat_Stride(0x1000005), 0u);
  EXPECT_EQ(VertexFormat_Get(0x5), nullptr);
}

TEST_F(VertexBufferTest, BuildingErrorsReportAndLeaveTheFormatAsItWas) {
  EXPECT_EQ(Call("vertex_format_end"), -1);
  EXPECT_EQ(TakeError(), "vertex_format_end(): Can't end format, you haven't started one yet.");
  Call("vertex_format_add_colour");
  EXPECT_EQ(TakeError(), "vertex_format_add_colour(): haven't started a new format.");
  Call("vertex_format_begin");
  Call("vertex_format_begin");
  EXPECT_EQ(TakeError(), "vertex_format_begin(): Can't start a new format, still creating another one.");
  Call("vertex_format_add_position", {1});
  EXPECT_EQ(TakeError(), "vertex_format_add_position(): Illegal argument count");
  Call("vertex_format_add_custom", {7, 1});
  EXPECT_EQ(TakeError(), "vertex_format_add_custom(): illegal types");
  Call("vertex_format_add_custom", {1, 15});
  EXPECT_EQ(TakeError(), "vertex_format_add_custom(): illegal usage");
  Call("vertex_format_add_custom", {1});
  EXPECT_EQ(TakeError(), "vertex_format_add_custom(): Illegal argument count");
  std::vector<RValue> text = {RValue_MakeReal(1), RValue_MakeReal(1)};
  text[0].kind = VALUE_UNDEFINED;
  CallValues("vertex_format_add_custom", text);  // reported, then refused as type 0
  EXPECT_EQ(TakeError(), "vertex_format_add_custom(): illegal types");
  for (int i = 0; i < 32; ++i) Call("vertex_format_add_custom", {1, double(1 + i % 14)});
  EXPECT_EQ(TakeError(), "");
  Call("vertex_format_add_normal");
  EXPECT_EQ(TakeError(), "vertex_format_add_normal(): Too many elements");
  const int32_t id = static_cast<int32_t>(Call("vertex_format_end"));
  EXPECT_EQ(VertexFormat_Get(id)->Count(), 32);
  EXPECT_EQ(VertexFormat_Get(id)->mask, 0xFFFFFFFFu);
}

TEST_F(VertexBufferTest, ValidatingWritersPlaceElementsByTheFormatAndGrowByHalfPlusAVertex) {
  InitScene();
  const double format = PositionColourTexcoord();
  const double vb = Call("vertex_create_buffer_ext", {10});
  EXPECT_EQ(Call("vertex_get_buffer_size", {vb}), 256);
  Call("vertex_begin", {vb, format});
  // Colour before position is placed where the format has it.
  Call("vertex_colour", {vb, 255, 0.5});
  Call("vertex_position", {vb, 1, 2});
  Call("vertex_position", {vb, 3, 4});
  EXPECT_EQ(TakeError(), "VERTEX BUILDER: element already written, must write the whole vertex first\n\n");
  Call("vertex_normal", {vb, 0, 0, 1});
  EXPECT_EQ(TakeError(), "VERTEX BUILDER: Vertex format does not contain selected type.\n\n");
  Call("vertex_end", {vb});
  EXPECT_EQ(TakeError(), "vertex_end: Must finish writing vertex before end.");
  Call("vertex_texcoord", {vb, 0.5, 0.25});
  const std::vector<uint8_t> first = Bytes(static_cast<int32_t>(vb));
  ASSERT_EQ(first.size(), 20u);
  float xy[2];
  uint32_t colour = 0;
  std::memcpy(xy, first.data(), 8);
  std::memcpy(&colour, first.data() + 8, 4);
  EXPECT_EQ(xy[0], 1.0f);
  EXPECT_EQ(xy[1], 2.0f);
  EXPECT_EQ(colour, 0x7FFF0000u);
  for (int i = 1; i < 12; ++i) Vertex(vb, float(i), 0);
  EXPECT_EQ(Call("vertex_get_buffer_size", {vb}), 256);
  Call("vertex_position", {vb, 12, 0});  // the 13th vertex: 240 + 20 passes 256
  EXPECT_EQ(Call("vertex_get_buffer_size", {vb}), 404);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(VertexBufferTest, ArgbAndUByte4StoreTheLowBitsOfTheirValues) {
  Call("vertex_format_begin");
  Call("vertex_format_add_colour");
  Call("vertex_format_add_custom", {6, 5});
  const double format = Call("vertex_format_end");
  const double vb = Call("vertex_create_buffer");
  Call("vertex_begin", {vb, format});
  Call("vertex_argb", {vb, double(0x1FF00FF00ll)});
  Call("vertex_ubyte4", {vb, 260, 1, -1, 255});
  Call("vertex_end", {vb});
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(Bytes(static_cast<int32_t>(vb)), (std::vector<uint8_t>{0x00, 0xFF, 0x00, 0xFF, 4, 1, 0xFF, 0xFF}));
  EXPECT_EQ(Call("vertex_get_number", {vb}), 1);
}

TEST_F(VertexBufferTest, SubmitJoinsTheBatchAndAFrozenBufferDrawsFromItsOwn) {
  InitScene();
  const double format = PositionColourTexcoord();
  const double vb = Call("vertex_create_buffer");
  Call("vertex_begin", {vb, format});
  Call("vertex_submit", {vb, 4, -1});
  EXPECT_EQ(TakeError(), "vertex_submit: Must finish with vertex_end() before submitting.");
  for (int i = 0; i < 4; ++i) Vertex(vb, float(i), float(i));
  Call("vertex_end", {vb});
  Call("vertex_submit", {vb, 6, -1});
  EXPECT_EQ(TakeError(), "vertex_submit: Primitive type error.");
  Call("vertex_submit", {vb, 4, -1});
  EXPECT_EQ(g_Batch.format, 0x1000000);
  GraphicsFlush();
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].primitiveCount, 1u);
  EXPECT_EQ(Draws()[0].stride, 20u);
  EXPECT_FALSE(Draws()[0].declaration.empty());
  const std::vector<uint8_t> written = Bytes(int32_t(vb));
  ASSERT_EQ(written.size(), 80u);
  EXPECT_EQ(Draws()[0].vertices, std::vector<uint8_t>(written.begin(), written.begin() + 60));

  s_log->Clear();
  Call("vertex_freeze", {vb});
  EXPECT_EQ(TakeError(), "");
  EXPECT_TRUE(VertexBuffer_Get(int32_t(vb))->frozen);
  EXPECT_EQ(Call("vertex_get_buffer_size", {vb}), 32768);
  Call("vertex_begin", {vb, format});
  EXPECT_EQ(TakeError(), "vertex_begin: Illegal vertex buffer specified.");
  Call("vertex_freeze", {vb});
  EXPECT_EQ(TakeError(), "vertex_freeze: Illegal vertex buffer specified.");
  s_log->Clear();
  Call("vertex_submit", {vb, 5, -1});
  ASSERT_EQ(Draws().size(), 1u);
  EXPECT_EQ(Draws()[0].type, D3DPT_TRIANGLESTRIP);
  EXPECT_EQ(Draws()[0].primitiveCount, 2u);
  EXPECT_EQ(CountLines("SetStreamSource(0, vertexbuffer"), 1);
  EXPECT_EQ(Draws()[0].vertices.size(), 80u);
  Call("vertex_delete_buffer", {vb});
  Call("vertex_delete_buffer", {vb});
  EXPECT_EQ(TakeError(), "vertex_delete_buffer: Invalid vertex buffer specified");
}

TEST_F(VertexBufferTest, FastWritersGiveTheSameBytesInFormatOrderAndTouchNothingElse) {
  const double format = PositionColourTexcoord();
  const double checked = Call("vertex_create_buffer");
  Call("vertex_begin", {checked, format});
  for (int i = 0; i < 3; ++i) Vertex(checked, float(i), 2.0f * float(i), 0x123456);
  Call("vertex_end", {checked});

  VertexBuilder_RegisterFastFunctions(false);
  const double fast = Call("vertex_create_buffer_ext", {0});
  // Before vertex_begin, at a forged index and on a frozen buffer the fast writers do nothing.
  Call("vertex_position", {fast, 1, 1});
  Call("vertex_position", {999, 1, 1});
  Call("vertex_colour", {-5, 1, 1});
  Call("vertex_submit", {999, 4, -1});
  Call("vertex_freeze", {fast});
  EXPECT_FALSE(VertexBuffer_Get(int32_t(fast))->frozen);
  Call("vertex_begin", {fast, format});
  for (int i = 0; i < 3; ++i) Vertex(fast, float(i), 2.0f * float(i), 0x123456);
  Call("vertex_end", {fast});
  EXPECT_EQ(TakeError(), "");
  EXPECT_EQ(Bytes(int32_t(fast)), Bytes(int32_t(checked)));
  EXPECT_EQ(Call("vertex_get_number", {fast}), 3);
  // Writers of the wrong sizes still never let a submit read past the data.
  const double odd = Call("vertex_create_buffer_ext", {0});
  Call("vertex_begin", {odd, format});
  for (int i = 0; i < 300; ++i) Call("vertex_float1", {odd, 1});
  Call("vertex_end", {odd});
  EXPECT_LE(VertexBuffer_DrawableCount(VertexBuffer_Get(int32_t(odd))) * 20,
            int32_t(VertexBuffer_Get(int32_t(odd))->capacity));
  Call("vertex_submit", {odd, 1, -1});
  GraphicsFlush();
}

TEST_F(VertexBufferTest, DeletingAFormatInUseFlushesAndItsBuffersDropIt) {
  InitScene();
  const double format = PositionColourTexcoord();
  const double vb = Call("vertex_create_buffer");
  const double writing = Call("vertex_create_buffer");
  Call("vertex_begin", {vb, format});
  for (int i = 0; i < 3; ++i) Vertex(vb, float(i), 0);
  Call("vertex_end", {vb});
  Call("vertex_begin", {writing, format});
  Call("vertex_position", {writing, 1, 1});
  Call("vertex_submit", {vb, 4, -1});
  Call("vertex_format_delete", {format});
  EXPECT_EQ(Draws().size(), 1u);  // drawn while its declaration still existed
  Call("vertex_submit", {vb, 4, -1});
  EXPECT_EQ(TakeError(), "vertex_submit: Must finish with vertex_end() before submitting.");
  Call("vertex_colour", {writing, 1, 1});
  EXPECT_EQ(TakeError(), "VERTEX BUILDER: Must use vertex_begin() before writing to buffer");
  VertexBuilder_RegisterFastFunctions(false);
  Call("vertex_submit", {vb, 4, -1});
  Call("vertex_texcoord", {writing, 1, 1});
  GraphicsFlush();
  EXPECT_EQ(Draws().size(), 1u);
}

TEST_F(VertexBufferTest, DataBuffersBecomeVertexBuffers) {
  Call("vertex_format_begin");
  Call("vertex_format_add_position_3d");
  Call("vertex_format_add_colour");
  Call("vertex_format_add_textcoord");
  const double format = Call("vertex_format_end");  // 24 bytes
  Call("vertex_format_begin");
  const double empty = Call("vertex_format_end");  // 0 bytes
  const int32_t data = CreateBuffer(100, 0, 1);
  GetBuffer(data)->m_usedSize = 100;
  for (int i = 0; i < 100; ++i) GetBuffer(data)->GetData()[i] = static_cast<uint8_t>(i);

  const double vb = Call("vertex_create_buffer_from_buffer", {double(data), format});
  EXPECT_EQ(Call("vertex_get_number", {vb}), 4);
  EXPECT_EQ(Call("vertex_get_buffer_size", {vb}), 256);
  EXPECT_EQ(VertexBuffer_Get(int32_t(vb))->data[99], 99);
  const double none = Call("vertex_create_buffer_from_buffer", {double(data), empty});
  EXPECT_EQ(Call("vertex_get_number", {none}), 0);
  const double ext = Call("vertex_create_buffer_from_buffer_ext", {double(data), format, 90, 2});
  EXPECT_EQ(Call("vertex_get_number", {ext}), 2);
  EXPECT_EQ(Call("vertex_get_buffer_size", {ext}), 48);
  EXPECT_EQ(VertexBuffer_Get(int32_t(ext))->data[0], 90);
  EXPECT_EQ(TakeError(), "");

  const struct {
    const char* name;
    std::vector<double> args;
    std::string error;
  } cases[] = {
      {"vertex_create_buffer_from_buffer", {99, format}, "vertex_create_buffer_from_buffer: specified buffer doesn't exists"},
      {"vertex_create_buffer_from_buffer", {double(data), 7}, "vertex_create_buffer_from_buffer: specified vertex format doesn't exist"},
      {"vertex_create_buffer_from_buffer", {double(data)}, "vertex_create_buffer_from_buffer: Illegal argument count"},
      {"vertex_create_buffer_from_buffer_ext", {double(data), format, 0, 1e9}, "vertex_create_buffer_from_buffer_ext: could not create vertex buffer"},
      {"vertex_create_buffer_from_buffer_ext", {double(data), format, 0, -1}, "vertex_create_buffer_from_buffer_ext: could not create vertex buffer"},
      {"vertex_get_number", {77}, "vertex_get_number: specified vertex buffer doesn't exists"},
      {"vertex_begin", {77, format}, "vertex_begin: Illegal vertex buffer specified."},
      {"vertex_position", {77, 1, 1}, "VERTEX BUILDER: Illegal vertex buffer specified."},
      {"vertex_position", {vb, 1}, "VERTEX BUILDER: Illegal argument count"},
      {"vertex_create_buffer", {1}, "vertex_create_buffer: Illegal argument count"},
  };
  for (const auto& c : cases) {
    Call(c.name, c.args);
    EXPECT_EQ(TakeError(), c.error) << c.name;
  }
  EXPECT_EQ(Call("vertex_get_buffer_size", {77}), -1);
  EXPECT_NE(TakeError().find("Vertex Buffer index is out of range"), std::string::npos);
}

}  // namespace
}  // namespace render_test

namespace render_test {
namespace {

// On the OpenGL layer: a buffer of a custom format lights the pixels of its quad in its vertex
// colour, copied into the batch and again frozen.
TEST(VertexBufferPixelsTest, ACustomFormatQuadLightsItsPixelsSubmittedAndFrozen) {
  setenv("SDL_VIDEODRIVER", "offscreen", 0);
  ResetRenderGlobals();
  const int32_t first = g_BuiltinCount;
  InitVertexFormatFunctions();
  InitVertexBuilderFunctions();
  auto call = [first](const char* name, std::vector<double> args) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(RValue_MakeReal(a));
    RValue result = RValue_MakeReal(0);
    for (int32_t i = first; i < g_BuiltinCount; ++i) {
      if (std::strcmp(g_BuiltinFunctions[i].name, name) == 0) {
        g_BuiltinFunctions[i].handler(&result, nullptr, nullptr, static_cast<int32_t>(values.size()), values.data());
        break;
      }
    }
    return result.val;
  };
  ASSERT_TRUE(GR_D3D_Init(nullptr, 32, 32, 0));
  call("vertex_format_begin", {});
  call("vertex_format_add_position", {});
  call("vertex_format_add_colour", {});
  call("vertex_format_add_textcoord", {});
  const double format = call("vertex_format_end", {});
  const double vb = call("vertex_create_buffer", {});
  call("vertex_begin", {vb, format});
  for (const auto& [x, y] : std::vector<std::pair<double, double>>{{4, 4}, {12, 4}, {4, 12}, {12, 12}}) {
    call("vertex_position", {vb, x, y});
    call("vertex_colour", {vb, 0x0000FF, 1});
    call("vertex_texcoord", {vb, 0, 0});
  }
  call("vertex_end", {vb});
  for (int pass = 0; pass < 2; ++pass) {
    ASSERT_TRUE(Start_Frame());
    GR_Clear(0xFF000000u);
    call("vertex_submit", {vb, 5, -1});
    End_Frame(false);
    const std::vector<uint32_t> pixels = ReadBackBuffer(32, 32);
    ASSERT_EQ(pixels.size(), 32u * 32u);
    int lit = 0;
    for (uint32_t p : pixels) lit += (p & 0xFFFFFF) != 0 ? 1 : 0;
    EXPECT_EQ(lit, 64) << "pass " << pass;
    EXPECT_EQ(pixels[6 * 32 + 6] & 0xFFFFFF, 0xFF0000u) << "pass " << pass;
    EXPECT_EQ(pixels[2 * 32 + 2] & 0xFFFFFF, 0u) << "pass " << pass;
    call("vertex_freeze", {vb});
  }
  EXPECT_TRUE(VertexBuffer_Get(static_cast<int32_t>(vb))->frozen);
  ShutdownRenderer();
  ResetRenderGlobals();
}

}  // namespace
}  // namespace render_test
