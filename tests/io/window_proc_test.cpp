// The window procedure as a pure function: a message in, hook calls and window-state changes out.
#include "io/main_window.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "core/function_registry.h"
#include "functions/load_stand_in.h"
#include "host/entry.h"
#include "host/frame_loop.h"
#include "runtime/game_header.h"
#include "io/gamepad.h"
#include "io/input.h"
#include "io/joystick.h"
#include "host/fake_pads.h"
#include "host/fake_window_system.h"
#include "net/async_test_support.h"
#include "io/os_events.h"
#include "platform/window/messages.h"
#include "platform/window/virtual_keys.h"
#include "io/display.h"

namespace {

using host_test::FakeJoysticks;
using host_test::FakeWindowSystem;
using host_test::FakeXInput;

int64_t KeyData(int32_t scan, bool extended = false, bool repeat = false, bool up = false) {
  int64_t l = 1 | (static_cast<int64_t>(scan) << 16);
  if (extended) l |= KEYDATA_EXTENDED;
  if (repeat || up) l |= KEYDATA_WAS_DOWN;
  if (up) l |= KEYDATA_UP;
  return l;
}

uint64_t WheelParam(int32_t delta) { return static_cast<uint64_t>(MakeLParam(0, delta)); }

class WindowProcTest : public testing::Test {
 protected:
  void SetUp() override {
    WindowState_Reset();
    g_FrameTiming.displayResetCountdown = 0;
    g_WindowState.window = sys.Window();
    IO_Reset();
    // The first step takes the message buffer from the live state; messages come after it.
    IO_Update();
    g_Host.subGame = false;
    g_RoomChangeCode = kRoomChangeNone;
    OS_PauseEventRequested = false;
    g_GameOptions = GameOptions();
    g_GameHeader = GameHeader();
    Display_Size = DisplayExtent{800, 600};
  }
  void TearDown() override {
    WindowState_Reset();
    g_FrameTiming.displayResetCountdown = 0;
    IO_Reset();
    g_Host.subGame = false;
    g_RoomChangeCode = kRoomChangeNone;
    Display_Size = DisplayExtent();
  }

  int64_t Send(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0) {
    return Window_Proc(sys.Window(), message, wParam, lParam);
  }

  // The keys whose held flag the messages set so far.
  std::set<int32_t> HeldKeys() const {
    std::set<int32_t> held;
    for (int32_t k = 0; k < IO_KEY_COUNT; ++k) {
      if (g_IOMessageBuffer.keyHeld[k]) held.insert(k);
    }
    return held;
  }

  FakeWindowSystem sys;
  // A device change looks for joysticks and pads; none is plugged in unless a test says so.
  FakeJoysticks joysticks;
  FakeXInput pads;
};

TEST_F(WindowProcTest, AnswersAndDefaultHandlingFollowTheTable) {
  const struct {
    const char* name;
    uint32_t message;
    uint64_t wParam;
    int64_t lParam;
    int64_t answer;  // FakeWindowSystem::kDefaultAnswer when the default handling answers
  } cases[] = {
      {"set focus", WM_SETFOCUS, 0, 0, 0},
      {"kill focus", WM_KILLFOCUS, 0, 0, 0},
      {"key down", WM_KEYDOWN, 'A', KeyData(0x1E), 0},
      {"Alt+F4", WM_SYSKEYDOWN, VK_F4, KeyData(0x3E) | KEYDATA_ALT, 0},
      {"key up", WM_KEYUP, 'A', KeyData(0x1E, false, false, true), 0},
      {"system key up", WM_SYSKEYUP, VK_MENU, KeyData(kScanAlt, false, false, true), 0},
      {"character", WM_CHAR, 'x', 1, 0},
      {"sizing", WM_SIZING, 0, 0, 0},
      {"end of drag", WM_EXITSIZEMOVE, 0, 0, 0},
      {"wheel without movement", WM_MOUSEWHEEL, WheelParam(0), 0, 1},
      {"wheel up", WM_MOUSEWHEEL, WheelParam(120), 0, 0},
      {"cursor over the client area", WM_SETCURSOR, 0, MakeLParam(1, WM_MOUSEMOVE), 1},
      {"cursor over the caption", WM_SETCURSOR, 0, MakeLParam(2, WM_MOUSEMOVE), FakeWindowSystem::kDefaultAnswer},
      {"activate application", WM_ACTIVATEAPP, 1, 0, FakeWindowSystem::kDefaultAnswer},
      {"activate", WM_ACTIVATE, WA_ACTIVE, 0, FakeWindowSystem::kDefaultAnswer},
      {"system command", WM_SYSCOMMAND, SC_KEYMENU, 'x', FakeWindowSystem::kDefaultAnswer},
      {"mouse move", WM_MOUSEMOVE, 0, MakeLParam(3, 4), FakeWindowSystem::kDefaultAnswer},
      {"left button down", WM_LBUTTONDOWN, 0, MakeLParam(3, 4), FakeWindowSystem::kDefaultAnswer},
      {"left button up", WM_LBUTTONUP, 0, MakeLParam(3, 4), FakeWindowSystem::kDefaultAnswer},
      {"frame button up", WM_NCRBUTTONUP, 0, 0, FakeWindowSystem::kDefaultAnswer},
      {"size", WM_SIZE, SIZE_RESTORED, MakeLParam(640, 480), FakeWindowSystem::kDefaultAnswer},
      {"device change", WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0, FakeWindowSystem::kDefaultAnswer},
      {"non-client activation", WM_NCACTIVATE, 1, 0, FakeWindowSystem::kDefaultAnswer},
      {"size limits", WM_GETMINMAXINFO, 0, 0, FakeWindowSystem::kDefaultAnswer},
      {"a message the window leaves alone", 0x0400, 0, 0, FakeWindowSystem::kDefaultAnswer},
      {"close", WM_CLOSE, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sys.defaulted.clear();
    EXPECT_EQ(Send(c.message, c.wParam, c.lParam), c.answer);
    const bool defaulted = !sys.defaulted.empty();
    EXPECT_EQ(defaulted, c.answer == FakeWindowSystem::kDefaultAnswer);
  }
}

TEST_F(WindowProcTest, FirstSizeMessageIsPassedOverAndLaterOnesStartTheCountdown) {
  Send(WM_SIZE, SIZE_RESTORED, MakeLParam(640, 480));
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 0);
  EXPECT_FALSE(g_WindowState.sizeChanged);
  EXPECT_FALSE(g_WindowState.skipNextSize);

  sys.client = WindowRect{0, 0, 1024, 700};
  Send(WM_SIZE, SIZE_MAXIMIZED, MakeLParam(1024, 700));
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 10);
  EXPECT_TRUE(g_WindowState.sizeChanged);
  EXPECT_EQ(g_WindowState.pendingWidth, 1024);
  EXPECT_EQ(g_WindowState.pendingHeight, 700);
}

TEST_F(WindowProcTest, SizeMessagesThatScheduleNothing) {
  const struct {
    const char* name;
    uint64_t kind;
    bool sizing;
    bool fullscreen;
  } cases[] = {
      {"minimised", SIZE_MINIMIZED, false, false},
      {"while the frame is dragged", SIZE_RESTORED, true, false},
      {"in full screen", SIZE_RESTORED, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_WindowState.skipNextSize = false;
    g_FrameTiming.displayResetCountdown = 0;
    g_WindowState.sizing = c.sizing;
    g_WindowState.fullscreen = c.fullscreen;
    Send(WM_SIZE, c.kind, 0);
    EXPECT_EQ(g_FrameTiming.displayResetCountdown, 0);
    EXPECT_FALSE(g_WindowState.sizeChanged);
  }
}

TEST_F(WindowProcTest, SizeWithoutAUsableClientAreaPendsMinusOne) {
  g_WindowState.skipNextSize = false;
  sys.windowExists = false;
  Send(WM_SIZE, SIZE_RESTORED, 0);
  EXPECT_EQ(g_WindowState.pendingWidth, -1);
  EXPECT_EQ(g_WindowState.pendingHeight, -1);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 10);
}

TEST_F(WindowProcTest, DragEndsInOneResetWithEachSideAtLeastOne) {
  g_WindowState.skipNextSize = false;
  Send(WM_SIZING);
  Send(WM_SIZE, SIZE_RESTORED, 0);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 0);
  sys.client = WindowRect{0, 0, 0, 300};
  Send(WM_EXITSIZEMOVE);
  EXPECT_FALSE(g_WindowState.sizing);
  EXPECT_TRUE(g_WindowState.sizeChanged);
  EXPECT_EQ(g_WindowState.pendingWidth, 1);
  EXPECT_EQ(g_WindowState.pendingHeight, 300);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 10);

  // A move that was not a drag of the frame schedules nothing.
  g_FrameTiming.displayResetCountdown = 3;
  Send(WM_EXITSIZEMOVE);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 3);
}

TEST_F(WindowProcTest, ModifierKeysAlsoDeliverTheirSidedCodes) {
  const struct {
    const char* name;
    uint32_t message;
    int32_t vk;
    int64_t lParam;
    bool rightShiftDown;
    std::set<int32_t> held;
  } cases[] = {
      {"left Alt", WM_SYSKEYDOWN, VK_MENU, KeyData(kScanAlt) | KEYDATA_ALT, false, {VK_MENU, VK_LMENU}},
      {"right Alt", WM_SYSKEYDOWN, VK_MENU, KeyData(kScanAlt, true) | KEYDATA_ALT, false, {VK_MENU, VK_RMENU}},
      {"left Ctrl", WM_KEYDOWN, VK_CONTROL, KeyData(kScanControl), false, {VK_CONTROL, VK_LCONTROL}},
      {"right Ctrl", WM_KEYDOWN, VK_CONTROL, KeyData(kScanControl, true), false, {VK_CONTROL, VK_RCONTROL}},
      {"left Shift", WM_KEYDOWN, VK_SHIFT, KeyData(kScanLeftShift), false, {VK_SHIFT, VK_LSHIFT}},
      {"right Shift", WM_KEYDOWN, VK_SHIFT, KeyData(kScanRightShift), true, {VK_SHIFT, VK_RSHIFT}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IO_Reset();
    sys.keyDown[VK_RSHIFT] = c.rightShiftDown;
    Send(c.message, static_cast<uint64_t>(c.vk), c.lParam);
    EXPECT_EQ(HeldKeys(), c.held);
  }
}

TEST_F(WindowProcTest, RightShiftReleaseIsToldApartByItsScanCode) {
  sys.keyDown[VK_RSHIFT] = 1;
  Send(WM_KEYDOWN, VK_SHIFT, KeyData(kScanRightShift));
  EXPECT_EQ(g_WindowState.rightShiftScanCode, kScanRightShift);
  // The left Shift goes down while the right one is still held: both read as down now.
  sys.keyDown[VK_LSHIFT] = 1;
  Send(WM_KEYDOWN, VK_SHIFT, KeyData(kScanLeftShift));
  EXPECT_EQ(g_WindowState.rightShiftScanCode, kScanRightShift);
  IO_Update();
  EXPECT_TRUE(IO_KeyPressed(VK_LSHIFT));

  Send(WM_KEYUP, VK_SHIFT, KeyData(kScanRightShift, false, false, true));
  IO_Update();
  EXPECT_TRUE(IO_KeyReleased(VK_SHIFT));
  EXPECT_TRUE(IO_KeyReleased(VK_RSHIFT));
  EXPECT_FALSE(IO_KeyReleased(VK_LSHIFT));

  Send(WM_KEYUP, VK_SHIFT, KeyData(kScanLeftShift, false, false, true));
  IO_Update();
  EXPECT_TRUE(IO_KeyReleased(VK_LSHIFT));
  EXPECT_FALSE(IO_KeyReleased(VK_RSHIFT));
}

TEST_F(WindowProcTest, AltF4RecordsTheKeysAndEndsOnlyAGameWithAGameToReturnTo) {
  for (bool subGame : {false, true}) {
    SCOPED_TRACE(subGame ? "sub-game" : "top-level game");
    IO_Reset();
    sys.destroyed.clear();
    sys.defaulted.clear();
    g_RoomChangeCode = kRoomChangeNone;
    g_Host.subGame = subGame;
    Send(WM_SYSKEYDOWN, VK_MENU, KeyData(kScanAlt) | KEYDATA_ALT);
    Send(WM_SYSKEYDOWN, VK_F4, KeyData(0x3E) | KEYDATA_ALT);
    EXPECT_EQ(HeldKeys(), (std::set<int32_t>{VK_MENU, VK_LMENU, VK_F4}));
    EXPECT_TRUE(sys.destroyed.empty());
    EXPECT_TRUE(sys.defaulted.empty());
    EXPECT_EQ(g_RoomChangeCode, subGame ? kRoomChangeEndGame : kRoomChangeNone);
  }
}

TEST_F(WindowProcTest, WheelDeltaPicksTheHook) {
  const struct {
    int32_t delta;
    int64_t answer;
    bool up;
    bool down;
  } cases[] = {{120, 0, true, false}, {-240, 0, false, true}, {0, 1, false, false}, {1, 0, true, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delta);
    IO_Reset();
    EXPECT_EQ(Send(WM_MOUSEWHEEL, WheelParam(c.delta), 0), c.answer);
    EXPECT_EQ(g_IOMessageBuffer.wheelUp, c.up);
    EXPECT_EQ(g_IOMessageBuffer.wheelDown, c.down);
  }
}

TEST_F(WindowProcTest, MouseIsCapturedWhileAnyButtonIsHeld) {
  Send(WM_LBUTTONDOWN, 0, MakeLParam(10, 20));
  Send(WM_RBUTTONDOWN, 0, MakeLParam(10, 20));
  EXPECT_EQ(sys.captures, 1);
  EXPECT_EQ(g_WindowState.mouseCaptureCount, 2);
  Send(WM_LBUTTONUP, 0, MakeLParam(10, 20));
  EXPECT_EQ(sys.releases, 0);
  Send(WM_RBUTTONUP, 0, MakeLParam(10, 20));
  EXPECT_EQ(sys.releases, 1);
  // A button released on the frame without a press in the window never takes the count below 0.
  Send(WM_NCMBUTTONUP, 0, 0);
  EXPECT_EQ(g_WindowState.mouseCaptureCount, 0);
  EXPECT_TRUE(g_IOMessageBuffer.buttonReleased[2]);
}

TEST_F(WindowProcTest, MousePositionsAreSignedOnBothAxes) {
  // A captured release left of and above the window.
  Send(WM_LBUTTONDOWN, 0, MakeLParam(5, 5));
  Send(WM_LBUTTONUP, 0, MakeLParam(-3, -40));
  EXPECT_EQ(IO_CurrentPointers[0].x, -3);
  EXPECT_EQ(IO_CurrentPointers[0].y, -40);
  Send(WM_MOUSEMOVE, 0, MakeLParam(-20, 300));
  EXPECT_EQ(g_IOMessageBuffer.mouseX, -20);
  EXPECT_EQ(g_IOMessageBuffer.mouseY, 300);
}

TEST_F(WindowProcTest, ButtonsMapToOneTwoThree) {
  const struct {
    uint32_t down;
    uint32_t up;
    int32_t button;
  } cases[] = {{WM_LBUTTONDOWN, WM_LBUTTONUP, 1}, {WM_RBUTTONDOWN, WM_RBUTTONUP, 2}, {WM_MBUTTONDOWN, WM_MBUTTONUP, 3}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.button);
    IO_Reset();
    Send(c.down, 0, MakeLParam(1, 1));
    EXPECT_EQ(g_IOMessageBuffer.currentButton, c.button);
    EXPECT_TRUE(g_IOMessageBuffer.buttonPressed[c.button - 1]);
    Send(c.up, 0, MakeLParam(1, 1));
    EXPECT_EQ(g_IOMessageBuffer.lastButton, c.button);
    EXPECT_TRUE(g_IOMessageBuffer.buttonReleased[c.button - 1]);
  }
}

TEST_F(WindowProcTest, AltEnterTogglesFullScreenWhenTheOptionAllowsIt) {
  const struct {
    const char* name;
    bool option;
    int64_t character;
    bool fullscreen;
  } cases[] = {
      {"Alt+Enter", true, 13, true},
      {"option off", false, 13, false},
      {"Alt with another character", true, 'f', false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_WindowState.fullscreen = false;
    g_FrameTiming.displayResetCountdown = 0;
    g_GameOptions.altEnterTogglesFullScreen = c.option;
    Send(WM_SYSCOMMAND, SC_KEYMENU, c.character);
    EXPECT_EQ(g_WindowState.fullscreen, c.fullscreen);
    EXPECT_EQ(g_FrameTiming.displayResetCountdown, c.fullscreen ? 1 : 0);
  }
}

TEST_F(WindowProcTest, EnteringFullScreenRemembersTheDisplaySizeAndLeavingKeepsIt) {
  Display_Size = DisplayExtent{1024, 768};
  Send(WM_SYSCOMMAND, SC_KEYMENU, 13);
  EXPECT_TRUE(Window_GetFullscreen());
  Display_Size = DisplayExtent{1920, 1080};
  Send(WM_SYSCOMMAND, SC_KEYMENU, 13);
  EXPECT_FALSE(Window_GetFullscreen());
  EXPECT_EQ(g_WindowState.savedWindowedWidth, 1024);
  EXPECT_EQ(g_WindowState.savedWindowedHeight, 768);
  // Asking for the state it already has changes nothing.
  g_FrameTiming.displayResetCountdown = 0;
  Window_SetFullscreen(false);
  EXPECT_EQ(g_FrameTiming.displayResetCountdown, 0);
}

TEST_F(WindowProcTest, LosingTheActivationToAnotherProgramRequestsAPause) {
  const struct {
    uint64_t state;
    int64_t other;
    bool pause;
  } cases[] = {{WA_INACTIVE, 0, true}, {WA_INACTIVE, 0x1234, false}, {WA_ACTIVE, 0, false}};
  for (const auto& c : cases) {
    OS_PauseEventRequested = false;
    Send(WM_ACTIVATE, c.state, c.other);
    EXPECT_EQ(OS_PauseEventRequested, c.pause);
  }
}

TEST_F(WindowProcTest, FocusFollowsTheFocusMessages) {
  Send(WM_KILLFOCUS);
  EXPECT_FALSE(g_WindowState.focus);
  Send(WM_NCACTIVATE, 1);
  EXPECT_TRUE(g_WindowState.focus);
  EXPECT_EQ(sys.focusCalls, 1);
  Send(WM_ACTIVATEAPP, 0);
  EXPECT_FALSE(g_WindowState.focus);
  Send(WM_SETFOCUS);
  EXPECT_TRUE(g_WindowState.focus);
  // Already focused: the frame's activation asks for nothing.
  Send(WM_NCACTIVATE, 1);
  EXPECT_EQ(sys.focusCalls, 1);
}

TEST_F(WindowProcTest, CursorOverTheClientAreaFollowsTheShowCursorOption) {
  g_WindowState.currentCursor = CursorShape::Cross;
  Send(WM_SETCURSOR, 0, MakeLParam(1, WM_MOUSEMOVE));
  g_GameOptions.showCursor = false;
  Send(WM_SETCURSOR, 0, MakeLParam(1, WM_MOUSEMOVE));
  EXPECT_EQ(sys.cursors, (std::vector<CursorShape>{CursorShape::Cross, CursorShape::None}));
}

TEST_F(WindowProcTest, CloseDestroysTheWindowAndDestroyAsksToQuit) {
  Send(WM_CLOSE);
  EXPECT_EQ(sys.destroyed, std::vector<SDL_Window*>{sys.Window()});
  Send(WM_DESTROY);
  EXPECT_EQ(sys.quitPosts, 1);
  EXPECT_EQ(Window_Handle(), nullptr);
}

TEST_F(WindowProcTest, SizeLimitsAddTheFrameAndZeroLeavesTheSystemLimit) {
  MinMaxInfo info;
  info.minTrackSize = WindowPoint{1, 1};
  info.maxTrackSize = WindowPoint{5000, 5000};
  Send(WM_GETMINMAXINFO, 0, reinterpret_cast<intptr_t>(&info));
  EXPECT_EQ(info.minTrackSize.x, 1);
  EXPECT_EQ(info.maxTrackSize.y, 5000);

  g_WindowState.minWidth = 300;
  g_WindowState.maxHeight = 400;
  Send(WM_GETMINMAXINFO, 0, reinterpret_cast<intptr_t>(&info));
  EXPECT_EQ(info.minTrackSize.x, 300 + 8);
  EXPECT_EQ(info.minTrackSize.y, 1);
  EXPECT_EQ(info.maxTrackSize.x, 5000);
  EXPECT_EQ(info.maxTrackSize.y, 400 + 28);
}

TEST_F(WindowProcTest, DeviceChangeLooksForJoysticksAndGamepadsAgain) {
  Gamepad_Init();
  Async_Shutdown();
  joysticks.sticks[1].present = true;
  pads.connected[2] = true;
  Send(WM_DEVICECHANGE, DBT_DEVNODES_CHANGED);
  EXPECT_EQ(Joystick_PresentFlags(), 2);
  ASSERT_EQ(async_test::QueuedMapEvents().size(), 1u);
  EXPECT_EQ(async_test::QueuedMapEvents()[0].Find("pad_index")->real, 2.0);
  EXPECT_TRUE(Gamepad_Get(2)->IsConnected());
  Gamepad_Shutdown();
  Async_Shutdown();
  XInput_Unload();
}

class WindowCreateTest : public WindowProcTest {};

TEST_F(WindowCreateTest, HeaderFlagsChooseTheStyles) {
  const struct {
    const char* name;
    uint32_t flags;
    uint32_t windowed;
    uint32_t created;
  } cases[] = {
      {"fixed frame", 0, kStyleFixed, kStyleFixed},
      {"resizable frame", kHeaderResizable, kStyleResizable, kStyleResizable},
      {"borderless wins over resizable", kHeaderBorderless | kHeaderResizable, kStylePopup, kStylePopup},
      {"full screen at start", kHeaderFullScreen | kHeaderResizable, kStyleResizable, kStylePopup},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_GameHeader.headerFlags = c.flags;
    ASSERT_TRUE(Window_Create(640, 480));
    EXPECT_EQ(g_WindowState.windowedStyle, c.windowed);
    EXPECT_EQ(sys.created.style, c.created);
  }
}

TEST_F(WindowCreateTest, ClientAreaFitsTheScreenAndIsCentred) {
  sys.screenWidth = 1280;
  sys.screenHeight = 720;
  sys.frame = WindowRect{4, 24, 4, 4};
  ASSERT_TRUE(Window_Create(2000, 1000));
  EXPECT_EQ(sys.created.width, 1280);
  EXPECT_EQ(sys.created.height, 720 - 28);
  EXPECT_EQ(g_WindowState.backbufferWidth, 2000);
  EXPECT_EQ(g_WindowState.backbufferHeight, 1000);
  EXPECT_EQ(g_WindowState.outerWidth, 1288);
  EXPECT_EQ(g_WindowState.outerHeight, 720);
  EXPECT_EQ(sys.created.x, (1280 - 1288) / 2);
  EXPECT_EQ(sys.created.y, 0);
}

TEST_F(WindowCreateTest, CaptionAndCursorComeFromTheHeaderAndOptions) {
  const struct {
    const char* name;
    uint32_t flags;
    bool showCursor;
    CursorShape cursor;
    int32_t windowCursor;
  } cases[] = {
      {"class cursor shown", kHeaderClassCursor, true, CursorShape::Arrow, 0},
      {"class cursor, cursor option off", kHeaderClassCursor, false, CursorShape::None, -1},
      {"no class cursor", 0, true, CursorShape::None, -1},
  };
  g_GameHeader.displayName = "My Game";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    g_GameHeader.headerFlags = c.flags;
    g_GameOptions.showCursor = c.showCursor;
    sys.cursors.clear();
    ASSERT_TRUE(Window_Create(320, 240));
    EXPECT_EQ(g_WindowState.currentCursor, c.cursor);
    EXPECT_EQ(g_WindowState.windowCursor, c.windowCursor);
    EXPECT_EQ(sys.cursors, std::vector<CursorShape>{c.cursor});
    EXPECT_STREQ(Window_GetCaption(), "My Game");
    EXPECT_EQ(sys.title, "My Game");
  }
}

// The interaction group sets the caption when it registers, before or after the window is made.
TEST_F(WindowCreateTest, TheCaptionIsTheDisplayNameOrTheRunnersOwnBeforeAndAfterTheWindow) {
  for (const char* name : {static_cast<const char*>(nullptr), "My Game"}) {
    SCOPED_TRACE(name != nullptr ? name : "no display name");
    const std::string caption = name != nullptr ? name : "Made with Tolvarine";
    if (name != nullptr) {
      g_GameHeader.displayName = name;
    } else {
      g_GameHeader.displayName.reset();
    }
    WindowState_Reset();
    InitInteractionFunctions();
    EXPECT_EQ(Window_GetCaption(), caption);
    ASSERT_TRUE(Window_Create(320, 240));
    EXPECT_EQ(Window_GetCaption(), caption);
    EXPECT_EQ(sys.title, caption);
    Window_SetCaption("changed by a script");
    InitInteractionFunctions();
    EXPECT_EQ(sys.title, caption);
    Builtin_Shutdown();
  }
  g_GameHeader.displayName.reset();
}

TEST_F(WindowCreateTest, FailedCreationLeavesNoHandle) {
  sys.createFails = true;
  EXPECT_FALSE(Window_Create(320, 240));
  EXPECT_EQ(Window_Handle(), nullptr);
  EXPECT_EQ(Window_GetWidth(), 0);
}

}  // namespace
