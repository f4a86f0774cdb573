// The surface and screen-capture script functions on the recording device: their registration,
// the id table as scripts see it, resizing, target slots and the stack's limit, and the one report
// of an unknown id per call.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/function_registry.h"
#include "io/buffer.h"
#include "functions/math_call.h"
#include "functions/screen_capture.h"
#include "functions/surface_functions.h"
#include "runtime/run_state.h"
#include "render/gui_layer.h"
#include "render/room_draw.h"
#include "render/surface.h"
#include "render/render_fixture.h"
#include "world/room.h"

namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::Real;
using math_test::Text;

constexpr const char* kUnknown = "Trying to use non-existing surface.";

class SurfaceFunctionsTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    Reset();
    InitScene();
    Builtin_Shutdown();
    m_oldAccess = Buffer_GetSurfaceAccess();
    Screen_RegisterFunctions(1);
    Surface_RegisterFunctions(1);
  }
  void TearDown() override {
    Room_Current = nullptr;
    Surface_FreeAll();
    Reset();
    Builtin_Shutdown();
    Buffer_SetSurfaceAccess(m_oldAccess);
    RenderTest::TearDown();
  }
  static void Reset() {
    g_SurfaceTargets = SurfaceTargetState{};
    g_RunState = RunState{};
    g_AppSurface = AppSurfaceState{};
    g_GUI = GUIState{};
  }

  // How often a message was reported since the last call of this.
  int TakeReports(const std::string& message) {
    const std::string text = Console();
    int n = 0;
    for (size_t at = text.find(message, m_seen); at != std::string::npos; at = text.find(message, at + 1)) ++n;
    m_seen = text.size();
    RuntimeErrorCapture::Reset();
    return n;
  }
  // The draws that reached the device since the last call of this.
  size_t TakeDraws() {
    GraphicsFlush();
    const size_t n = Draws().size();
    s_log->Clear();
    return n;
  }
  int32_t Create(int32_t width, int32_t height) {
    return static_cast<int32_t>(CallReal("surface_create", {Real(width), Real(height)}));
  }
  // The application surface as the redraw makes it: its size in the run state first.
  int32_t MakeApplicationSurface(int32_t width, int32_t height) {
    g_RunState.applicationSurfaceWidth = width;
    g_RunState.applicationSurfaceHeight = height;
    g_RunState.applicationSurface = Surface_Create(width, height, -1);
    return g_RunState.applicationSurface;
  }

  RuntimeErrorCapture errors;
  size_t m_seen = 0;
  const BufferSurfaceAccess* m_oldAccess = nullptr;
};

TEST_F(SurfaceFunctionsTest, TheThirtyNamesRegisterWithTheirArgumentCounts) {
  const std::vector<std::pair<const char*, int32_t>> names = {
      {"screen_save", 1},           {"screen_save_part", 5},
      {"draw_getpixel", 2},         {"draw_getpixel_ext", 2},
      {"surface_create", 2},        {"surface_create_ext", 3},
      {"surface_resize", 3},        {"surface_free", 1},
      {"surface_exists", 1},        {"surface_get_width", 1},
      {"surface_get_height", 1},    {"surface_get_texture", 1},
      {"surface_set_target", 1},    {"surface_set_target_ext", 2},
      {"surface_reset_target", 0},  {"draw_surface", 3},
      {"draw_surface_ext", 8},      {"draw_surface_stretched", 5},
      {"draw_surface_stretched_ext", 7}, {"draw_surface_part", 7},
      {"draw_surface_part_ext", 11}, {"draw_surface_general", 15},
      {"draw_surface_tiled", 3},    {"draw_surface_tiled_ext", 7},
      {"surface_save", 2},          {"surface_save_part", 6},
      {"surface_getpixel", 3},      {"surface_getpixel_ext", 3},
      {"surface_copy", 4},          {"surface_copy_part", 8},
  };
  EXPECT_EQ(g_BuiltinCount, static_cast<int32_t>(names.size()));
  for (const auto& [name, count] : names) {
    int32_t id = -1;
    ASSERT_TRUE(Builtin_FindCallable(name, &id)) << name;
    int32_t registered = -2;
    ASSERT_TRUE(Builtin_GetEntry(id, nullptr, nullptr, &registered, nullptr));
    EXPECT_EQ(registered, count) << name;
  }
}

TEST_F(SurfaceFunctionsTest, IdsRiseFromTheCounterAndAFreedIdIsGone) {
  EXPECT_EQ(Create(32, 16), 0);
  EXPECT_EQ(MakeApplicationSurface(64, 48), 1);
  EXPECT_EQ(Create(8, 8), 2);
  EXPECT_EQ(CallReal("surface_get_width", {Real(0)}), 32);
  EXPECT_EQ(CallReal("surface_get_height", {Real(0)}), 16);
  EXPECT_EQ(CallReal("surface_exists", {Real(0)}), 1);

  Call("surface_free", {Real(0)});
  EXPECT_EQ(CallReal("surface_exists", {Real(0)}), 0);
  EXPECT_EQ(CallReal("surface_get_width", {Real(0)}), -1);
  EXPECT_EQ(CallReal("surface_get_height", {Real(0)}), -1);
  EXPECT_EQ(Create(8, 8), 3) << "the freed id is not given again";

  // surface_free of the application surface does nothing.
  Call("surface_free", {Real(1)});
  EXPECT_EQ(CallReal("surface_exists", {Real(1)}), 1);
  EXPECT_EQ(CallReal("surface_get_width", {Real(1)}), 64);

  const math_test::Answer texture = Call("surface_get_texture", {Real(2)});
  EXPECT_EQ(texture.Kind(), VALUE_PTR);
  EXPECT_EQ(texture.v.v64, Surface_GetTexture(2));
  EXPECT_GE(texture.v.v64, 0);
  const math_test::Answer none = Call("surface_get_texture", {Real(0)});
  EXPECT_EQ(none.Kind(), VALUE_PTR);
  EXPECT_EQ(none.v.v64, -1);
  EXPECT_EQ(TakeReports(kUnknown), 0) << "the queries report nothing";
}

TEST_F(SurfaceFunctionsTest, ResizeChecksItsSizeThenTheId) {
  const int32_t id = Create(16, 16);
  struct Case {
    int32_t width, height;
    const char* message;  // null: accepted
  };
  for (const Case& c : {Case{0, 10, "Invalid surface dimensions"}, Case{10, 0, "Invalid surface dimensions"},
                        Case{-5, 10, "Invalid surface dimensions"}, Case{8193, 1, "Invalid surface dimensions"},
                        Case{1, 8193, "Invalid surface dimensions"}, Case{8192, 8192, nullptr}, Case{20, 12, nullptr}}) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const math_test::Answer a = Call("surface_resize", {Real(id), Real(c.width), Real(c.height)});
    if (c.message == nullptr) {
      EXPECT_EQ(a.Real(), 1);
      EXPECT_EQ(TakeReports("ERROR!!!"), 0);
      EXPECT_EQ(CallReal("surface_get_width", {Real(id)}), c.width);
      EXPECT_EQ(CallReal("surface_get_height", {Real(id)}), c.height);
    } else {
      EXPECT_EQ(a.Kind(), VALUE_UNDEFINED);
      EXPECT_EQ(TakeReports(c.message), 1);
    }
  }
  EXPECT_EQ(CallReal("surface_get_width", {Real(id)}), 20) << "a refused size leaves the surface as it was";

  const math_test::Answer unknown = Call("surface_resize", {Real(77), Real(10), Real(10)});
  EXPECT_EQ(unknown.Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(TakeReports("Surface does not exist"), 1);
  EXPECT_EQ(CallReal("surface_exists", {Real(77)}), 0);
}

TEST_F(SurfaceFunctionsTest, ResizingTheApplicationSurfaceAnswersAtOnceAndTheRedrawAppliesIt) {
  g_RunState.applicationSurfaceWidth = 64;
  g_RunState.applicationSurfaceHeight = 48;
  CRoom room;
  room.width = 64;
  room.height = 48;
  Room_Current = &room;
  DrawRoom();
  const int32_t app = g_RunState.applicationSurface;
  ASSERT_GE(app, 0);
  ASSERT_EQ(CallReal("surface_get_width", {Real(app)}), 64);

  EXPECT_EQ(CallReal("surface_resize", {Real(app), Real(100), Real(50)}), 1);
  EXPECT_EQ(CallReal("surface_get_width", {Real(app)}), 64) << "the old size until the redraw";
  EXPECT_EQ(CallReal("surface_get_height", {Real(app)}), 48);
  DrawRoom();
  EXPECT_EQ(CallReal("surface_get_width", {Real(app)}), 100);
  EXPECT_EQ(CallReal("surface_get_height", {Real(app)}), 50);
  EXPECT_EQ(TakeReports("ERROR!!!"), 0);
}

TEST_F(SurfaceFunctionsTest, CreateExtIsRefusedAndAStretchOfNoWidthDrawsNothing) {
  EXPECT_EQ(CallReal("surface_create_ext", {Real(16), Real(16), Real(0)}), -1);
  EXPECT_EQ(TakeReports("surface_create_ext() not supported"), 1);
  EXPECT_EQ(CallReal("surface_exists", {Real(0)}), 0) << "nothing was made";

  const int32_t id = Create(16, 16);
  TakeDraws();
  Call("draw_surface_stretched", {Real(id), Real(0), Real(0), Real(0), Real(20)});
  Call("draw_surface_stretched_ext", {Real(id), Real(0), Real(0), Real(20), Real(-1), Real(0xFFFFFF), Real(1)});
  EXPECT_EQ(TakeDraws(), 0u);
  EXPECT_EQ(TakeReports("ERROR!!!"), 0);
  Call("draw_surface_stretched", {Real(id), Real(0), Real(0), Real(20), Real(20)});
  EXPECT_EQ(TakeDraws(), 1u) << "a stretch with a size draws";
}

TEST_F(SurfaceFunctionsTest, TargetSlotsOutsideZeroToThreeAnswerZero) {
  const int32_t id = Create(16, 16);
  for (int32_t slot : {4, -1, -2147483647}) {
    EXPECT_EQ(CallReal("surface_set_target_ext", {Real(slot), Real(id)}), 0) << slot;
  }
  for (int32_t bound : g_SurfaceTargets.boundIds) EXPECT_EQ(bound, -1);
  EXPECT_EQ(Surface_StackDepth(), 0);

  EXPECT_EQ(CallReal("surface_set_target_ext", {Real(2), Real(id)}), 1);
  EXPECT_EQ(g_SurfaceTargets.boundIds[2], id);
  EXPECT_EQ(CallReal("surface_set_target", {Real(99)}), 0) << "an unknown id";
  EXPECT_EQ(CallReal("surface_set_target", {Real(id)}), 1);
  EXPECT_EQ(g_SurfaceTargets.boundIds[0], id);
  EXPECT_EQ(CallReal("surface_reset_target"), 1);
  EXPECT_EQ(CallReal("surface_reset_target"), 0) << "nothing left to pop";
}

TEST_F(SurfaceFunctionsTest, AFullTargetStackIsReportedAndAnswersZero) {
  const int32_t id = Create(16, 16);
  int32_t pushed = 0;
  while (pushed < 100 && CallReal("surface_set_target", {Real(id)}) == 1) ++pushed;
  EXPECT_EQ(pushed, kTextureStackSize);
  EXPECT_EQ(TakeReports("surface stack is full - ensure surface_reset_target() is called for each "
                        "surface_set_target()."),
            1);
  EXPECT_FALSE(F_SurfaceSetTarget(id)) << "the compiled-code entry sees the same stack";
  for (int32_t i = 0; i < pushed; ++i) ASSERT_EQ(CallReal("surface_reset_target"), 1) << i;
  EXPECT_EQ(Surface_StackDepth(), 0);
  EXPECT_TRUE(F_SurfaceSetTarget(id));
  EXPECT_TRUE(Surface_ResetTarget());
}

// Each function given an unknown id (either of a copy's) reports once, draws nothing and leaves
// the result undefined; the part draw's own report of the renderer never adds a second.
TEST_F(SurfaceFunctionsTest, AnUnknownIdIsReportedOncePerCall) {
  const int32_t known = Create(16, 16);
  const int32_t gone = Create(16, 16);
  Call("surface_free", {Real(gone)});
  struct Case {
    const char* name;
    std::vector<double> args;
  };
  const double u = gone;
  const double k = known;
  const std::vector<Case> cases = {
      {"draw_surface", {u, 0, 0}},
      {"draw_surface_ext", {u, 0, 0, 1, 1, 0, 0xFFFFFF, 1}},
      {"draw_surface_stretched", {u, 0, 0, 10, 10}},
      {"draw_surface_stretched_ext", {u, 0, 0, 10, 10, 0xFFFFFF, 1}},
      {"draw_surface_part", {u, 0, 0, 4, 4, 0, 0}},
      {"draw_surface_part_ext", {u, 0, 0, 4, 4, 0, 0, 1, 1, 0xFFFFFF, 1}},
      {"draw_surface_general", {u, 0, 0, 4, 4, 0, 0, 1, 1, 0, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 1}},
      {"draw_surface_tiled", {u, 0, 0}},
      {"draw_surface_tiled_ext", {u, 0, 0, 1, 1, 0xFFFFFF, 1}},
      {"surface_getpixel", {u, 0, 0}},
      {"surface_getpixel_ext", {u, 0, 0}},
      {"surface_copy", {k, 0, 0, u}},
      {"surface_copy", {u, 0, 0, k}},
      {"surface_copy", {u, 0, 0, u}},
      {"surface_copy_part", {k, 0, 0, u, 0, 0, 4, 4}},
      {"surface_copy_part", {u, 0, 0, k, 0, 0, 4, 4}},
      {"surface_copy_part", {u, 0, 0, u, 0, 0, 4, 4}},
  };
  TakeDraws();
  TakeReports(kUnknown);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name + std::string(" first ") + std::to_string(c.args[0]));
    std::vector<RValue> args;
    for (double d : c.args) args.push_back(Real(d));
    const math_test::Answer a = Call(c.name, std::move(args));
    EXPECT_EQ(a.Kind(), VALUE_UNDEFINED);
    EXPECT_EQ(TakeReports(kUnknown), 1);
    EXPECT_EQ(TakeDraws(), 0u);
    EXPECT_EQ(CountLines("StretchRect"), 0) << "no copy reaches the device";
  }
  // The saves take a file name besides the id.
  for (const char* name : {"surface_save", "surface_save_part"}) {
    SCOPED_TRACE(name);
    std::vector<RValue> args = {Real(u), Text("never.png")};
    if (std::string(name) == "surface_save_part") {
      for (int i = 0; i < 4; ++i) args.push_back(Real(4));
    }
    const math_test::Answer a = Call(name, std::move(args));
    EXPECT_EQ(a.Kind(), VALUE_UNDEFINED);
    EXPECT_EQ(TakeReports(kUnknown), 1);
    EXPECT_EQ(CountLines("CreateRenderTarget"), 0) << "nothing is read";
  }
  // The renderer's own entries stay silent for unknown ids, except the part draw.
  Surface_Draw(gone, 0, 0);
  Surface_DrawStretched(gone, 0, 0, 4, 4, 0xFFFFFF, 1);
  EXPECT_EQ(TakeReports(kUnknown), 0);
}

TEST_F(SurfaceFunctionsTest, CallsWithFewerArgumentsReadTheRestAsZero) {
  // A call site may bring fewer values than registered: the missing ones are never read.
  const int32_t id = Create(16, 16);
  EXPECT_EQ(CallReal("surface_create", {Real(8)}), -1) << "a height of 0 makes no surface";
  ASSERT_EQ(id, 0);
  Call("draw_surface_general", {Real(id)});
  Call("surface_copy_part", {Real(id)});
  Call("surface_save_part", {Real(id)});
  EXPECT_EQ(TakeReports("ERROR!!!"), 0) << "the missing ids read as 0, which exists";
  EXPECT_EQ(CountLines("StretchRect"), 0) << "a copy of no size reaches no device";
}

}  // namespace
