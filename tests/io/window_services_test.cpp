// Window services for scripts: size requests, cursor, monitors, and the mapping from window
// points into the room through the drawn views.
#include "io/window_services.h"
#include "world/room_mouse.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/memory_manager.h"
#include "host/fake_window_system.h"
#include "host/frame_loop.h"
#include "runtime/game_header.h"
#include "io/input.h"
#include "io/main_window.h"
#include "io/display.h"
#include "world/room.h"

namespace {

using host_test::FakeWindowSystem;

class WindowServicesTest : public testing::Test {
 protected:
  void SetUp() override {
    WindowState_Reset();
    g_FrameTiming.displayResetCountdown = 0;
    IO_Reset();
    g_GameHeader = GameHeader();
    g_GameOptions = GameOptions();
    Window_ResetViewPorts();
    g_WindowState.window = sys.Window();
    g_WindowState.clientWidth = 640;
    g_WindowState.clientHeight = 480;
    Display_Size = DisplayExtent{640, 480};
    Display_AppSurfaceSize = DisplayExtent{640, 480};
    Display_KeepAspect = false;
    View_Scale[0] = View_Scale[1] = 1.0f;
  }
  void TearDown() override {
    WindowState_Reset();
    g_FrameTiming.displayResetCountdown = 0;
    IO_Reset();
    Window_ResetViewPorts();
    Room_Current = nullptr;
    Display_Size = DisplayExtent();
    Display_AppSurfaceSize = DisplayExtent();
    Display_KeepAspect = false;
  }

  FakeWindowSystem sys;
};

TEST_F(WindowServicesTest, SetSizeOnlyPendsWhatTheWindowAlreadyHasAndLeavesAFullScreenChangeItsTurn) {
  const struct {
    const char* name;
    int32_t width;
    int32_t height;
    int32_t countdownBefore;
    bool fullscreen;
    int32_t pendingWidth;  // 0: unchanged
    int32_t countdownAfter;
  } cases[] = {
      {"a new size", 800, 600, 0, false, 800, 10},
      {"the current size", 640, 480, 0, false, 640, 0},
      {"during a full-screen change", 800, 600, 1, false, 800, 1},
      {"restarts a running resize", 800, 600, 4, false, 800, 10},
      {"in full screen", 800, 600, 0, true, 800, 0},
      {"zero width", 0, 600, 0, false, 0, 0},
      {"negative height", 800, -1, 0, false, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_WindowState.pendingWidth = 0;
    g_FrameTiming.displayResetCountdown = c.countdownBefore;
    g_WindowState.fullscreen = c.fullscreen;
    Window_SetSize(c.width, c.height);
    EXPECT_EQ(g_WindowState.pendingWidth, c.pendingWidth);
    EXPECT_EQ(g_FrameTiming.displayResetCountdown, c.countdownAfter);
  }
}

TEST_F(WindowServicesTest, PositionIsOfTheClientArea) {
  // 4-pixel frame sides, a 24-pixel caption bar.
  Window_SetPosition(300, 200);
  ASSERT_EQ(sys.moves.size(), 1u);
  EXPECT_EQ(sys.moves[0].x, 296);
  EXPECT_EQ(sys.moves[0].y, 176);
  EXPECT_EQ(Window_GetX(), 104);
  EXPECT_EQ(Window_GetY(), 74);

  g_GameHeader.headerFlags = kHeaderBorderless;
  sys.outer = WindowRect{0, 0, 640, 480};
  Window_SetRectangle(10, 20, 800, 600);
  EXPECT_EQ(sys.moves.back().x, 10);
  EXPECT_EQ(sys.moves.back().y, 20);
  EXPECT_TRUE(g_WindowState.sizeChanged);

  sys.windowExists = false;
  EXPECT_EQ(Window_GetX(), 0);
}

TEST_F(WindowServicesTest, CursorValuesPickFromTheTable) {
  g_WindowState.cursorTable[0] = CursorShape::Arrow;
  g_WindowState.cursorTable[1] = CursorShape::None;
  g_WindowState.cursorTable[10] = CursorShape::Hand;
  g_WindowState.cursorTable[11] = CursorShape::No;
  g_WindowState.cursorTable[14] = CursorShape::SizeAll;
  const struct {
    int32_t cr;
    CursorShape shape;
  } cases[] = {{0, CursorShape::Arrow}, {-1, CursorShape::None}, {-2, CursorShape::Arrow}, {-12, CursorShape::Hand},
               {-15, CursorShape::No},  {-21, CursorShape::Hand}, {-22, CursorShape::SizeAll}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cr);
    Window_SetCursor(c.cr);
    EXPECT_EQ(Window_GetCursor(), c.cr);
    EXPECT_EQ(g_WindowState.currentCursor, c.shape);
    EXPECT_EQ(sys.cursors.back(), c.shape);
  }
  // Outside the range the value is remembered and nothing else changes.
  const size_t set = sys.cursors.size();
  Window_SetCursor(-23);
  Window_SetCursor(1);
  EXPECT_EQ(Window_GetCursor(), 1);
  EXPECT_EQ(sys.cursors.size(), set);
  // With the cursor option off every value is remembered and the cursor stays hidden.
  g_GameOptions.showCursor = false;
  Window_SetCursor(-12);
  EXPECT_EQ(Window_GetCursor(), -12);
  EXPECT_EQ(sys.cursors.size(), set);
}

TEST_F(WindowServicesTest, MouseIsMovedOnlyWhileTheWindowHasTheFocus) {
  Window_SetMousePosition(10, 20);
  ASSERT_EQ(sys.cursorMoves.size(), 1u);
  EXPECT_EQ(sys.cursorMoves[0].x, 114);
  EXPECT_EQ(sys.cursorMoves[0].y, 94);
  g_WindowState.focus = false;
  Window_SetMousePosition(10, 20);
  EXPECT_EQ(sys.cursorMoves.size(), 1u);
}

TEST_F(WindowServicesTest, SizeLimitsAreStoredAndApplied) {
  Window_SetMinWidth(200);
  Window_SetMaxHeight(900);
  EXPECT_EQ(g_WindowState.minWidth, 200);
  EXPECT_EQ(g_WindowState.maxHeight, 900);
  EXPECT_EQ(sys.limitsApplied, 2);
}

TEST_F(WindowServicesTest, VisibleRectsClipTheRectangleToEachMonitor) {
  sys.monitors = {WindowRect{0, 0, 1920, 1080}, WindowRect{1920, 0, 3200, 1024}};
  double* rects = nullptr;
  ASSERT_EQ(Window_GetVisibleRects(1800, 100, 2000, 300, &rects), 2);
  const std::vector<double> got(rects, rects + 16);
  MemoryManager_Free(rects);
  const std::vector<double> expected = {1800, 100, 1920, 300, 0,    0, 1920, 1080,
                                        1920, 100, 2000, 300, 1920, 0, 3200, 1024};
  EXPECT_EQ(got, expected);

  ASSERT_EQ(Window_GetVisibleRects(-500, -500, -10, -10, &rects), 2);
  EXPECT_EQ(std::vector<double>(rects, rects + 8), (std::vector<double>{0, 0, 0, 0, 0, 0, 1920, 1080}));
  MemoryManager_Free(rects);

  sys.monitors.clear();
  EXPECT_EQ(Window_GetVisibleRects(0, 0, 1, 1, &rects), 0);
  EXPECT_EQ(rects, nullptr);
}

TEST_F(WindowServicesTest, ColourKeepsItsLow24Bits) {
  Window_SetColour(0x00123456);
  EXPECT_EQ(Window_GetColour(), 0x123456u);
  Window_SetColour(0xAB654321);
  EXPECT_EQ(Window_GetColour(), 0x654321u);
}

TEST_F(WindowServicesTest, GameImageIsLetterboxedOrPillarboxedWithKeepAspect) {
  const struct {
    const char* name;
    bool keepAspect;
    DisplayExtent display;
    DisplayExtent surface;
    int32_t left, top, right, bottom;
  } cases[] = {
      {"keep-aspect off", false, {800, 600}, {400, 200}, 0, 0, 800, 600},
      {"wide image: bars above and below", true, {800, 600}, {400, 200}, 0, 100, 800, 500},
      {"narrow image: bars left and right", true, {800, 600}, {300, 300}, 100, 0, 700, 600},
      {"same aspect", true, {800, 600}, {400, 300}, 0, 0, 800, 600},
      {"no surface yet", true, {800, 600}, {0, 0}, 0, 0, 800, 600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Display_KeepAspect = c.keepAspect;
    Display_Size = c.display;
    Display_AppSurfaceSize = c.surface;
    int32_t l, t, r, b;
    Window_GetAppSurfaceRect(&l, &t, &r, &b);
    EXPECT_EQ(l, c.left);
    EXPECT_EQ(t, c.top);
    EXPECT_EQ(r, c.right);
    EXPECT_EQ(b, c.bottom);
  }
}

TEST_F(WindowServicesTest, ViewMapping) {
  // Port 200 x 100 at (20, 10) showing the room region 400 x 200 at (100, 50).
  const struct {
    const char* name;
    float angle;
    int32_t x, y;
    int32_t rx, ry;
  } cases[] = {
      {"port corner", 0, 20, 10, 100, 50},
      {"scaled by two", 0, 70, 35, 200, 100},
      {"port centre at 90 degrees is the view centre", 90, 120, 60, 300, 150},
      {"port centre at 33 degrees is the view centre", 33, 120, 60, 300, 150},
      {"left edge at 90 degrees", 90, 20, 60, 300, -50},
      {"top edge at 180 degrees", 180, 120, 10, 300, 250},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Window_SetViewPort(0, 20, 10, 200, 100, 100, 50, 400, 200, c.angle, -1);
    int32_t rx = -999, ry = -999;
    Window_MapToView(0, c.x, c.y, &rx, &ry);
    EXPECT_EQ(rx, c.rx);
    EXPECT_EQ(ry, c.ry);
  }
}

TEST_F(WindowServicesTest, ViewMappingThatCannotMapLeavesTheOutputs) {
  Window_SetViewPort(1, 0, 0, 0, 100, 0, 0, 100, 100, 0, -1);
  Window_SetViewPort(2, 0, 0, 100, 100, 0, 0, 100, 100, 0, -1);
  const struct {
    const char* name;
    int32_t view;
    int32_t clientWidth;
  } cases[] = {{"view not drawn", 3, 640},
               {"view index too large", 32, 640},
               {"negative view index", -1, 640},
               {"port of zero width", 1, 640},
               {"minimised window", 2, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_WindowState.clientWidth = c.clientWidth;
    int32_t rx = -5, ry = -6;
    Window_MapToView(c.view, 10, 10, &rx, &ry);
    EXPECT_EQ(rx, -5);
    EXPECT_EQ(ry, -6);
  }
}

TEST_F(WindowServicesTest, RoomPointToPortIsTheInverseOfTheViewMapping) {
  for (float angle : {0.0f, 30.0f, 90.0f, 215.0f}) {
    SCOPED_TRACE(angle);
    Window_SetViewPort(4, 50, 40, 300, 200, 10, 20, 600, 400, angle, -1);
    for (const auto& [x, y] : {std::pair{60, 50}, std::pair{200, 140}, std::pair{340, 230}}) {
      int32_t rx = 0, ry = 0, px = 0, py = 0;
      Window_MapToView(4, x, y, &rx, &ry);
      Window_MapPointToView(4, static_cast<float>(rx), static_cast<float>(ry), &px, &py);
      EXPECT_NEAR(px, x, 1);
      EXPECT_NEAR(py, y, 1);
    }
  }
  // Without a usable view the room point comes back rounded, halves to even.
  int32_t px = 0, py = 0;
  Window_MapPointToView(9, 2.5f, 3.5f, &px, &py);
  EXPECT_EQ(px, 2);
  EXPECT_EQ(py, 4);
}

TEST_F(WindowServicesTest, MouseMapsThroughTheTopmostViewThatHoldsIt) {
  CRoom room;
  room.width = 1000;
  room.height = 800;
  Room_Current = &room;
  // View 0 fills the screen; view 1, drawn over its top-left quarter, shows another region.
  for (int v : {0, 1}) room.views[v].visible = true;
  Window_SetViewPort(0, 0, 0, 640, 480, 0, 0, 640, 480, 0, -1);
  Window_SetViewPort(1, 0, 0, 320, 240, 500, 500, 320, 240, 0, -1);
  const struct {
    const char* name;
    int32_t x, y;
    int32_t rx, ry;
  } cases[] = {
      {"under both views: the higher one wins", 10, 10, 510, 510},
      {"under view 0 only", 400, 300, 400, 300},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    int32_t rx = 0, ry = 0;
    Window_MapToRoom(c.x, c.y, &rx, &ry);
    EXPECT_EQ(rx, c.rx);
    EXPECT_EQ(ry, c.ry);
  }

  // A view drawn to a surface, or not visible in the room, does not take the mouse.
  room.views[1].surfaceId = 3;
  int32_t rx = 0, ry = 0;
  Window_MapToRoom(10, 10, &rx, &ry);
  EXPECT_EQ(rx, 10);
  room.views[1].surfaceId = -1;
  room.views[1].visible = false;
  Window_MapToRoom(10, 10, &rx, &ry);
  EXPECT_EQ(rx, 10);

  // Through the device mouse: mouse_x and mouse_y.
  room.views[1].visible = true;
  g_IOInputState.deviceMouseX[0] = 10;
  g_IOInputState.deviceMouseY[0] = 20;
  EXPECT_EQ(Window_DeviceMouseX(0), 510);
  EXPECT_EQ(Window_DeviceMouseY(0), 520);
  EXPECT_EQ(Window_ViewMouseX(0), 10);
  EXPECT_EQ(Window_ViewMouseY(1), 520);
  EXPECT_EQ(Window_DeviceMouseX(10), 0);
}

TEST_F(WindowServicesTest, WithoutViewsTheMouseScalesToTheRoom) {
  const struct {
    const char* name;
    bool room;
    int32_t clientWidth;
    int32_t rx, ry;
  } cases[] = {
      {"no room: window position", false, 640, 320, 240},
      {"room twice the window", true, 640, 640, 480},
      {"minimised window", true, 0, 320, 480},
  };
  CRoom room;
  room.width = 1280;
  room.height = 960;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Room_Current = c.room ? &room : nullptr;
    g_WindowState.clientWidth = c.clientWidth;
    int32_t rx = 0, ry = 0;
    Window_MapToRoom(320, 240, &rx, &ry);
    EXPECT_EQ(rx, c.rx);
    EXPECT_EQ(ry, c.ry);
  }
}

TEST_F(WindowServicesTest, LetterboxOffsetIsTakenOffBeforeMapping) {
  // A 2:1 image on a 640 x 480 display: 80-pixel bars above and below.
  Display_KeepAspect = true;
  Display_AppSurfaceSize = DisplayExtent{640, 320};
  CRoom room;
  room.width = 640;
  room.height = 320;
  room.views[0].visible = true;
  Room_Current = &room;
  Window_SetViewPort(0, 0, 0, 640, 320, 0, 0, 640, 320, 0, -1);
  int32_t rx = 0, ry = 0;
  Window_MapToRoom(100, 80, &rx, &ry);
  EXPECT_EQ(rx, 100);
  EXPECT_EQ(ry, 0);
}

TEST_F(WindowServicesTest, ViewPortCountFollowsSetAndClear) {
  Window_SetViewPort(3, 0, 0, 1, 1, 0, 0, 1, 1, 0, -1);
  Window_SetViewPort(3, 0, 0, 1, 1, 0, 0, 1, 1, 0, -1);
  Window_SetViewPort(31, 0, 0, 1, 1, 0, 0, 1, 1, 0, -1);
  Window_SetViewPort(32, 0, 0, 1, 1, 0, 0, 1, 1, 0, -1);
  EXPECT_EQ(g_ViewPortCount, 2);
  Window_ClearViewPort(3);
  Window_ClearViewPort(3);
  Window_ClearViewPort(40);
  EXPECT_EQ(g_ViewPortCount, 1);
  Window_ResetViewPorts();
  EXPECT_EQ(g_ViewPortCount, 0);
  EXPECT_FALSE(g_ViewPorts[31].set);
}

}  // namespace
