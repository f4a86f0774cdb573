// The display and window script functions: their registration, the display changes and resets on
// the recording device, the window calls on a fake window system, and the draw-event switch in a
// running frame.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/function_registry.h"
#include "functions/display_functions.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "host/command_line.h"
#include "host/entry.h"
#include "host/fake_window_system.h"
#include "host/frame_loop.h"
#include "io/input.h"
#include "io/main_window.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "render/render_fixture.h"
#include "render/surface.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;
using math_test::Text;

// Every name of the group in its order, with the count of arguments its handler reads.
const std::pair<const char*, int32_t> kNames[] = {
    {"display_get_width", 0}, {"display_get_height", 0}, {"display_get_colordepth", 0},
    {"display_get_frequency", 0}, {"display_get_orientation", 0}, {"display_set_size", 2},
    {"display_set_colordepth", 1}, {"display_set_frequency", 1}, {"display_set_all", 4}, {"display_test_all", 4},
    {"display_reset", 2}, {"display_mouse_get_x", 0}, {"display_mouse_get_y", 0}, {"display_mouse_set", 2},
    {"draw_enable_drawevent", 1}, {"display_get_windows_vertex_buffer_method", 0},
    {"display_get_windows_alternate_sync", 0}, {"display_set_windows_vertex_buffer_method", 1},
    {"display_set_windows_alternate_sync", 1}, {"draw_enable_swf_aa", 1}, {"draw_set_swf_aa_level", 1},
    {"draw_get_swf_aa_level", 0}, {"window_set_visible", 1}, {"window_get_visible", 0},
    {"window_set_fullscreen", 1}, {"window_get_fullscreen", 0}, {"window_set_showborder", 1},
    {"window_get_showborder", 0}, {"window_set_showicons", 1}, {"window_get_showicons", 0},
    {"window_set_stayontop", 1}, {"window_get_stayontop", 0}, {"window_set_sizeable", 1},
    {"window_get_sizeable", 0}, {"window_set_caption", 1}, {"window_get_caption", 0}, {"window_set_cursor", 1},
    {"window_get_cursor", 0}, {"window_set_color", 1}, {"window_set_colour", 1}, {"window_get_color", 0},
    {"window_get_colour", 0}, {"window_set_min_width", 1}, {"window_set_max_width", 1},
    {"window_set_min_height", 1}, {"window_set_max_height", 1}, {"window_set_position", 2},
    {"window_set_size", 2}, {"window_set_rectangle", 4}, {"window_center", 0}, {"window_default", 0},
    {"window_get_x", 0}, {"window_get_y", 0}, {"window_get_width", 0}, {"window_get_height", 0},
    {"window_get_visible_rects", 4}, {"window_mouse_get_x", 0}, {"window_mouse_get_y", 0},
    {"window_mouse_set", 2}, {"window_view_mouse_get_x", 1}, {"window_view_mouse_get_y", 1},
    {"window_view_mouse_set", 3}, {"window_views_mouse_get_x", 0}, {"window_views_mouse_get_y", 0},
    {"window_views_mouse_set", 2},
};

BuiltinHandler HandlerOf(const char* name) {
  int32_t id = -1;
  if (!Builtin_FindCallable(name, &id)) return nullptr;
  return g_BuiltinFunctions[id].handler;
}

TEST(DisplayRegistrationTest, EachNameOnceWithItsCount) {
  static_assert(std::size(kNames) == 65);
  Builtin_Shutdown();
  Display_RegisterFunctions(1);
  ASSERT_EQ(g_BuiltinCount, 65);
  for (int32_t k = 0; k < 65; ++k) {
    EXPECT_STREQ(g_BuiltinFunctions[k].name, kNames[k].first) << k;
    EXPECT_EQ(g_BuiltinFunctions[k].argumentCount, kNames[k].second) << kNames[k].first;
    EXPECT_NE(g_BuiltinFunctions[k].handler, nullptr) << kNames[k].first;
  }
  // Both spellings of a colour name are one handler; the setter and the getter are not.
  EXPECT_EQ(HandlerOf("window_set_color"), HandlerOf("window_set_colour"));
  EXPECT_EQ(HandlerOf("window_get_color"), HandlerOf("window_get_colour"));
  EXPECT_NE(HandlerOf("window_set_colour"), HandlerOf("window_get_colour"));
  Builtin_Shutdown();
}

// Across the graphics groups no name is registered twice, and this group's names are among them
// (each once).
TEST(DisplayRegistrationTest, TheGraphicsGroupsRegisterNoNameTwice) {
  Builtin_Shutdown();
  InitGraphicFunctions();
  std::set<std::string> seen;
  for (int32_t k = 0; k < g_BuiltinCount; ++k) {
    EXPECT_TRUE(seen.insert(g_BuiltinFunctions[k].name).second) << g_BuiltinFunctions[k].name;
  }
  for (const auto& [name, count] : kNames) EXPECT_EQ(seen.count(name), 1u) << name;
  // None of them belongs to the three-dimensional group.
  Builtin_Shutdown();
  Init3DFunctions();
  for (const auto& [name, count] : kNames) EXPECT_EQ(HandlerOf(name), nullptr) << name;
  Builtin_Shutdown();
}

// The group on the recording device, the window system faked, the errors captured.
class DisplayFunctionsTest : public render_test::RenderTest {
 protected:
  void SetUp() override {
    RenderTest::SetUp();
    Builtin_Shutdown();
    Display_RegisterFunctions(1);
    g_FrameTiming = FrameTiming{};
    g_VectorAntiAlias = VectorAntiAliasState{};
    g_RunState.drawEnableDrawEvent = true;
    g_WindowState.window = m_windows.Window();
  }
  void TearDown() override {
    Builtin_Shutdown();
    g_FrameTiming = FrameTiming{};
    g_RunState.drawEnableDrawEvent = true;
    Window_SetColour(0xFFFFFF);
    Window_ResetViewPorts();
    RenderTest::TearDown();  // puts the window state back too
  }

  host_test::FakeWindowSystem m_windows;
  RuntimeErrorCapture m_errors;
};

TEST_F(DisplayFunctionsTest, AModeChangeToTheCurrentSizeStillFreesEverySurface) {
  ASSERT_TRUE(Init());
  const struct {
    const char* name;
    std::vector<double> args;
  } cases[] = {
      {"display_set_size", {static_cast<double>(Display_GetWidth()), static_cast<double>(Display_GetHeight())}},
      {"display_set_colordepth", {32}},
      {"display_set_frequency", {60}},
      {"display_set_all", {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const int32_t first = Surface_Create(16, 16, -1);
    const int32_t second = Surface_Create(8, 8, -1);
    ASSERT_TRUE(Surface_Exists(first));
    s_log->Clear();
    std::vector<RValue> args;
    for (double v : c.args) args.push_back(Real(v));
    // The desktop mode is never changed here: the answer is 0, and the device is reset anyway.
    EXPECT_EQ(CallReal(c.name, std::move(args)), 0.0);
    EXPECT_FALSE(Surface_Exists(first));
    EXPECT_FALSE(Surface_Exists(second));
    EXPECT_GE(Find("Reset("), 0);
  }
  // A test changes nothing and resets nothing.
  const int32_t kept = Surface_Create(16, 16, -1);
  s_log->Clear();
  EXPECT_EQ(CallReal("display_test_all", {Real(640), Real(480), Real(60), Real(32)}), 0.0);
  EXPECT_TRUE(Surface_Exists(kept));
  EXPECT_EQ(Find("Reset("), -1);
}

TEST_F(DisplayFunctionsTest, DisplayQueriesAnswerNumbers) {
  EXPECT_EQ(CallReal("display_get_width"), 1920.0);
  EXPECT_EQ(CallReal("display_get_height"), 1080.0);
  EXPECT_EQ(CallReal("display_get_orientation"), 0.0);
  // The rate is a positive number or -1, never the 0 of a system that does not know it.
  const double frequency = CallReal("display_get_frequency");
  EXPECT_TRUE(frequency == -1.0 || frequency > 0.0) << frequency;
  const double depth = CallReal("display_get_colordepth");
  EXPECT_TRUE(depth == -1.0 || depth > 0.0) << depth;
  m_windows.cursor = {123, 45};
  EXPECT_EQ(CallReal("display_mouse_get_x"), 123.0);
  EXPECT_EQ(CallReal("display_mouse_get_y"), 45.0);
  g_WindowState.focus = true;
  Call("display_mouse_set", {Real(7), Real(9)});
  ASSERT_FALSE(m_windows.cursorMoves.empty());
  EXPECT_EQ(m_windows.cursorMoves.back().x, 7);
  EXPECT_EQ(m_windows.cursorMoves.back().y, 9);
}

TEST_F(DisplayFunctionsTest, ResetTakesTheLowByteAsTheLevelAndVerticalSyncForTheNextFrame) {
  ASSERT_TRUE(Init());
  const struct {
    double aa;
    bool vsync;
    int32_t samples;
  } cases[] = {
      {3, true, 0}, {4, false, 4}, {0x108, true, 8}, {16, false, 16}, {-1, true, 0}, {2.9, false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.aa);
    g_FrameTiming.displayResetCountdown = 0;
    Call("display_reset", {Real(c.aa), Real(c.vsync ? 1 : 0)});
    EXPECT_EQ(g_D3D.samples, c.samples);
    EXPECT_EQ(g_D3D.vsync, c.vsync);
    EXPECT_EQ(g_FrameTiming.displayResetCountdown, 1);
  }
  // A resize counting down is cut short: the reset takes its size along.
  g_FrameTiming.displayResetCountdown = 7;
  Call("display_reset", {Real(0), Real(0)});
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 1);
}

TEST_F(DisplayFunctionsTest, VertexBufferMethodTakesOnlyTheThreeMethods) {
  ASSERT_TRUE(Init());
  EXPECT_EQ(CallReal("display_get_windows_vertex_buffer_method"), 0.0);
  EXPECT_EQ(CallReal("display_set_windows_vertex_buffer_method", {Real(2)}), 0.0);
  EXPECT_EQ(GR_StartupFlags.vertexBufferMethod, 2);
  EXPECT_EQ(g_Batch.method, kVBMethodNone);
  for (double ignored : {5.0, -1.0, 3.0}) {
    EXPECT_EQ(CallReal("display_set_windows_vertex_buffer_method", {Real(ignored)}), 0.0);
    EXPECT_EQ(CallReal("display_get_windows_vertex_buffer_method"), 2.0) << ignored;
    EXPECT_EQ(g_Batch.method, kVBMethodNone);
  }
  EXPECT_EQ(CallReal("display_set_windows_vertex_buffer_method", {Real(1)}), 0.0);
  EXPECT_EQ(CallReal("display_get_windows_vertex_buffer_method"), 1.0);
  EXPECT_EQ(g_Batch.method, kVBMethodPool);
}

TEST_F(DisplayFunctionsTest, AlternateSyncIsKeptAndAsksForAReset) {
  EXPECT_EQ(CallReal("display_get_windows_alternate_sync"), 0.0);
  EXPECT_EQ(CallReal("display_set_windows_alternate_sync", {Real(1)}), 0.0);
  EXPECT_EQ(CallReal("display_get_windows_alternate_sync"), 1.0);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 1);
  CallReal("display_set_windows_alternate_sync", {Real(0.4)});
  EXPECT_EQ(CallReal("display_get_windows_alternate_sync"), 0.0);
}

TEST_F(DisplayFunctionsTest, VectorAntiAliasLevelIsClamped) {
  EXPECT_EQ(CallReal("draw_get_swf_aa_level"), 1.0);
  const struct {
    double in;
    double kept;
  } cases[] = {{2, 1}, {-1, 0}, {0.25, 0.25}, {1, 1}, {0, 0}, {std::nan(""), 0}, {-INFINITY, 0}, {1e300, 1}};
  for (const auto& c : cases) {
    Call("draw_set_swf_aa_level", {Real(c.in)});
    EXPECT_EQ(CallReal("draw_get_swf_aa_level"), c.kept) << c.in;
  }
  Call("draw_enable_swf_aa", {Real(1)});
  EXPECT_TRUE(g_VectorAntiAlias.enabled);
  Call("draw_enable_swf_aa", {Real(0)});
  EXPECT_FALSE(g_VectorAntiAlias.enabled);
}

TEST_F(DisplayFunctionsTest, WindowColourCaptionCursorAndFullScreenReadBack) {
  Call("window_set_colour", {Real(0x123)});
  EXPECT_EQ(CallReal("window_get_colour"), double{0x123});
  EXPECT_EQ(CallReal("window_get_color"), double{0x123});
  // Only 24 bits come back: the alpha kept with the colour is not the script's.
  Call("window_set_color", {Real(double{0x7F123456})});
  EXPECT_EQ(CallReal("window_get_colour"), double{0x123456});

  Call("window_set_caption", {Text("A game, \xC3\xA9")});
  EXPECT_EQ(CallText("window_get_caption"), "A game, \xC3\xA9");
  EXPECT_EQ(m_windows.title, "A game, \xC3\xA9");

  Call("window_set_cursor", {Real(-1)});
  EXPECT_EQ(CallReal("window_get_cursor"), -1.0);

  EXPECT_EQ(CallReal("window_get_fullscreen"), 0.0);
  Call("window_set_fullscreen", {Real(1)});
  EXPECT_EQ(CallReal("window_get_fullscreen"), 1.0);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 1);

  EXPECT_EQ(CallReal("window_get_visible"), 1.0);
  g_WindowState.visible = false;
  EXPECT_EQ(CallReal("window_get_visible"), 0.0);
}

TEST_F(DisplayFunctionsTest, PropertiesThisPlatformLacksDoNothingAndReadZero) {
  for (const char* setter : {"window_set_visible", "window_set_showborder", "window_set_showicons",
                             "window_set_stayontop", "window_set_sizeable"}) {
    const math_test::Answer a = Call(setter, {Real(1)});
    EXPECT_EQ(a.Kind(), VALUE_UNDEFINED) << setter;
  }
  Call("window_default");
  Call("window_view_mouse_set", {Real(0), Real(5), Real(5)});
  Call("window_views_mouse_set", {Real(5), Real(5)});
  EXPECT_TRUE(m_windows.cursorMoves.empty());
  EXPECT_TRUE(m_windows.moves.empty());
  EXPECT_EQ(CallReal("window_get_visible"), 1.0);
  // A window with a border still reads as one without.
  for (const char* getter : {"window_get_showborder", "window_get_showicons", "window_get_stayontop",
                             "window_get_sizeable"}) {
    EXPECT_EQ(CallReal(getter), 0.0) << getter;
  }
}

TEST_F(DisplayFunctionsTest, WindowPlacementAndLimits) {
  // The client area at (104, 74) of an outer rectangle (100, 50)-(748, 558).
  m_windows.outer = {100, 50, 748, 558};
  m_windows.client = {0, 0, 640, 480};
  Call("window_set_position", {Real(200), Real(300)});
  ASSERT_EQ(m_windows.moves.size(), 1u);
  EXPECT_EQ(m_windows.moves[0].x, 196);
  EXPECT_EQ(m_windows.moves[0].y, 276);  // a 20-pixel caption bar above

  // Centred on the screen (no device yet): (1920 - 648) / 2, (1080 - 508) / 2.
  Call("window_center");
  ASSERT_EQ(m_windows.moves.size(), 2u);
  EXPECT_EQ(m_windows.moves[1].x, 636);
  EXPECT_EQ(m_windows.moves[1].y, 286);

  Call("window_set_min_width", {Real(100)});
  Call("window_set_max_height", {Real(-3)});
  EXPECT_EQ(g_WindowState.minWidth, 100);
  EXPECT_EQ(g_WindowState.maxHeight, -3);

  Call("window_set_size", {Real(800), Real(600)});
  EXPECT_EQ(g_WindowState.pendingWidth, 800);
  EXPECT_EQ(g_WindowState.pendingHeight, 600);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 10);
  EXPECT_EQ(CallReal("window_get_width"), 640.0);
  EXPECT_EQ(CallReal("window_get_height"), 480.0);
}

TEST_F(DisplayFunctionsTest, CentringUsesTheDeviceAdaptersDesktop) {
  s_config.adapters[0].desktop.Width = 1280;
  s_config.adapters[0].desktop.Height = 1024;
  ASSERT_TRUE(Init());
  ASSERT_GT(g_D3D.adapterCount, 0);
  m_windows.moves.clear();
  m_windows.outer = {0, 0, 648, 508};
  Call("window_center");
  ASSERT_EQ(m_windows.moves.size(), 1u);
  EXPECT_EQ(m_windows.moves[0].x, g_D3D.adapters[0].desktopX + (g_D3D.adapters[0].desktopWidth - 648) / 2);
  EXPECT_EQ(m_windows.moves[0].y, g_D3D.adapters[0].desktopY + (g_D3D.adapters[0].desktopHeight - 508) / 2);
  EXPECT_EQ(g_D3D.adapters[0].desktopWidth, 1280);
}

TEST_F(DisplayFunctionsTest, VisibleRectsAreOneRowOfEightPerMonitor) {
  m_windows.monitors = {{0, 0, 1920, 1080}, {1920, 0, 3200, 1024}};
  const math_test::Answer a = Call("window_get_visible_rects", {Real(1800.5), Real(10), Real(2000), Real(20)});
  ASSERT_EQ(a.Kind(), VALUE_ARRAY);
  const double expected[] = {1800.5, 10, 1920, 20, 0, 0, 1920, 1080, 1920, 10, 2000, 20, 1920, 0, 3200, 1024};
  RValue array = a.v;
  for (int32_t i = 0; i < 16; ++i) {
    RValue element = RValue_MakeUndefined();
    ASSERT_TRUE(RValue_GetElement(&element, &array, i)) << i;
    EXPECT_EQ(RValue_Kind(&element), VALUE_REAL) << i;
    EXPECT_EQ(element.val, expected[i]) << i;
    RValue_Release(&element);
  }
  RValue beyond = RValue_MakeUndefined();
  EXPECT_FALSE(RValue_GetElement(&beyond, &array, 16));
  m_errors.Reset();

  // No monitor: an empty array.
  m_windows.monitors.clear();
  const math_test::Answer none = Call("window_get_visible_rects", {Real(0), Real(0), Real(1), Real(1)});
  EXPECT_EQ(none.Kind(), VALUE_ARRAY);
}

TEST_F(DisplayFunctionsTest, MouseInWindowAndThroughViews) {
  g_IOInputState.deviceMouseX[0] = 50;
  g_IOInputState.deviceMouseY[0] = 30;
  EXPECT_EQ(CallReal("window_mouse_get_x"), 50.0);
  EXPECT_EQ(CallReal("window_mouse_get_y"), 30.0);
  // View 3 shows the room from (1000, 2000) at half size through a port at (0, 0) that fills the
  // game image, which fills the window.
  const DisplayExtent image = Display_AppSurfaceSize;
  Display_AppSurfaceSize = DisplayExtent{320, 240};
  g_WindowState.clientWidth = 320;
  g_WindowState.clientHeight = 240;
  Window_SetViewPort(3, 0, 0, 320, 240, 1000, 2000, 160, 120, 0, -1);
  EXPECT_EQ(CallReal("window_view_mouse_get_x", {Real(3)}), 1025.0);
  EXPECT_EQ(CallReal("window_view_mouse_get_y", {Real(3)}), 2015.0);
  // A view that was not drawn, and one outside 0..31 on either side, map nothing.
  for (double view : {4.0, -1.0, 32.0, -2147483648.0}) {
    EXPECT_EQ(CallReal("window_view_mouse_get_x", {Real(view)}), 0.0) << view;
    EXPECT_EQ(CallReal("window_view_mouse_get_y", {Real(view)}), 0.0) << view;
  }
  // Without a room the pointer stays in window coordinates.
  EXPECT_EQ(CallReal("window_views_mouse_get_x"), 50.0);
  EXPECT_EQ(CallReal("window_views_mouse_get_y"), 30.0);
  g_WindowState.focus = true;
  Call("window_mouse_set", {Real(5), Real(6)});
  EXPECT_FALSE(m_windows.cursorMoves.empty());
  g_IOInputState.deviceMouseX[0] = 0;
  g_IOInputState.deviceMouseY[0] = 0;
  Display_AppSurfaceSize = image;
}

// Whole frames of the main loop on the recording device, in a blank room.
class DisplayFrameTest : public DisplayFunctionsTest {
 protected:
  void SetUp() override {
    DisplayFunctionsTest::SetUp();
    Room_Add();
    m_room.m_speed = 30;
    Room_Current = &m_room;
    g_Host.running = 1;
    g_Host.pausedByDebugger = false;
    g_RoomChangeCode = kRoomChangeNone;
    g_RunState.stepCounter = 0;
    g_FrameTiming.pacing = false;
    Runner_SetPhaseObserver(&Record);
    s_phases.clear();
  }
  void TearDown() override {
    Runner_SetPhaseObserver(nullptr);
    Runner_DeleteRoomCopies();
    Room_FreeDefinitions();
    Room_Current = nullptr;
    g_Host.running = 0;
    g_RoomChangeCode = kRoomChangeNone;
    DisplayFunctionsTest::TearDown();
  }
  // One frame inside a scene of its own; the device log and the phases start empty.
  void Frame() {
    s_log->Clear();
    s_phases.clear();
    Runner_Frame();
  }
  bool Ran(const std::string& phase) const {
    for (const std::string& p : s_phases) {
      if (p == phase) return true;
    }
    return false;
  }
  int LineWith(const std::string& call) const {
    for (int i = 0; i < static_cast<int>(Lines().size()); ++i) {
      if (Lines()[i].find(call) != std::string::npos) return i;
    }
    return -1;
  }
  int DeviceLines(const std::string& call) const {
    int n = 0;
    for (const std::string& line : Lines()) n += line.find(call) != std::string::npos ? 1 : 0;
    return n;
  }

  static void Record(const char* phase) { s_phases.emplace_back(phase); }
  static inline std::vector<std::string> s_phases;
  CRoom m_room;
};

TEST_F(DisplayFrameTest, WithTheDrawEventOffStepsRunButNothingIsDrawnOrPresented) {
  ASSERT_TRUE(Init());
  Frame();
  ASSERT_TRUE(Ran("DrawRoom"));
  EXPECT_EQ(DeviceLines("Present("), 1);

  Call("draw_enable_drawevent", {Real(0)});
  EXPECT_FALSE(g_RunState.drawEnableDrawEvent);
  const int64_t steps = g_RunState.stepCounter;
  Frame();
  Frame();
  EXPECT_EQ(g_RunState.stepCounter, steps + 2);
  EXPECT_TRUE(Ran("HandleStep(1)"));
  EXPECT_FALSE(Ran("DrawRoom"));
  EXPECT_TRUE(Ran("End_Frame(hold)"));
  EXPECT_EQ(DeviceLines("Present("), 0);
  EXPECT_EQ(DeviceLines("Draw"), 0);
  EXPECT_EQ(DeviceLines("Clear("), 0);

  Call("draw_enable_drawevent", {Real(1)});
  Frame();
  EXPECT_TRUE(Ran("DrawRoom"));
  EXPECT_EQ(DeviceLines("Present("), 1);
}

TEST_F(DisplayFrameTest, ResetAppliesNoMultisamplingAndVerticalSyncAtTheNextFrame) {
  ASSERT_TRUE(Init());
  Call("display_reset", {Real(4), Real(0)});
  Frame();
  // {width, height, format, buffers, multisample, swap effect, windowed, depth, depth format, interval}
  ASSERT_GE(LineWith("Reset("), 0);
  EXPECT_NE(Lines()[LineWith("Reset(")].find(", 1, 4, 1, 1, 1, D24S8, 0x80000000}"), std::string::npos)
      << Lines()[LineWith("Reset(")];
  s_log->Clear();
  Call("display_reset", {Real(3), Real(1)});
  // Nothing happens before the frame.
  EXPECT_EQ(DeviceLines("Reset("), 0);
  Frame();
  ASSERT_EQ(DeviceLines("Reset("), 1);
  const int at = LineWith("Reset(");
  ASSERT_GE(at, 0);
  const std::string& reset = Lines()[at];
  // No multisampling (copy swap), and the default interval: vertical sync.
  EXPECT_NE(reset.find(", 1, 0, 3, 1, 1, D24S8, 0x0}"), std::string::npos) << reset;
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 0);

  // A window size waiting for its countdown goes with the reset of the next frame.
  Call("window_set_size", {Real(400), Real(300)});
  ASSERT_EQ(g_FrameTiming.displayResetCountdown, 10);
  Call("display_reset", {Real(0), Real(1)});
  Frame();
  ASSERT_EQ(DeviceLines("Reset("), 1);
  EXPECT_EQ(Lines()[LineWith("Reset(")].rfind("Reset({400, 300,", 0), 0u) << Lines()[LineWith("Reset(")];
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 0);
}

}  // namespace
