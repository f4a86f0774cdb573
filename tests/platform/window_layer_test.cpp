// The real window layer under SDL's offscreen driver: a window, events pushed through SDL's
// queue and read back as messages, the default handling, made-up key presses, the cursor, the
// clipboard and message boxes that cannot be shown.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/run_switches.h"
#include "platform/window/clipboard.h"
#include "platform/window/message_box.h"
#include "platform/window/messages.h"
#include "platform/window/virtual_keys.h"
#include "platform/window/window_system.h"

namespace {

struct SeenMessage {
  uint32_t message;
  uint64_t wParam;
  int64_t lParam;
  bool rightShiftDown;  // GetKeyState(VK_RSHIFT) while the message was handled
};
std::vector<SeenMessage> g_seen;

int64_t Record(const WindowMessage& m) {
  const bool right = (WindowSystem_Get().GetKeyState(VK_RSHIFT) & 0x80) != 0;
  g_seen.push_back({m.message, m.wParam, m.lParam, right});
  return 0;
}

class WindowLayerTest : public testing::Test {
 protected:
  void SetUp() override {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    g_seen.clear();
    Window_SetProcedure(Record);
    WindowCreateDesc desc;
    desc.title = "layer test";
    desc.width = 320;
    desc.height = 200;
    desc.style = WS_THICKFRAME;
    window = WindowSystem_Get().CreateWindow(desc);
    ASSERT_NE(window, nullptr) << SDL_GetError();
    Window_ClearMessageQueue();
  }
  void TearDown() override {
    if (window != nullptr) WindowSystem_Get().DestroyWindow(window);
    Window_ClearMessageQueue();
    Window_SetProcedure(nullptr);
  }

  void Push(SDL_Event e) { ASSERT_EQ(SDL_PushEvent(&e), 1); }
  void PushKey(bool down, SDL_Scancode scancode, SDL_Keycode keycode) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = SDL_GetWindowID(window);
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = keycode;
    Push(e);
  }
  // What the host's pump does: every pending message to the procedure.
  static void Pump() {
    WindowMessage m;
    while (Window_PeekMessage(&m)) Window_DispatchMessage(m);
  }
  std::vector<uint32_t> SeenOf(std::initializer_list<uint32_t> of) const {
    std::vector<uint32_t> out;
    for (const auto& s : g_seen) {
      for (uint32_t m : of) {
        if (s.message == m) out.push_back(m);
      }
    }
    return out;
  }

  SDL_Window* window = nullptr;
};

TEST_F(WindowLayerTest, EventsPushedThroughSdlArriveAsMessagesInOrder) {
  PushKey(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT);
  PushKey(true, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT);
  SDL_Event text = {};
  text.type = SDL_TEXTINPUT;
  text.text.windowID = SDL_GetWindowID(window);
  SDL_strlcpy(text.text.text, "A", sizeof text.text.text);
  Push(text);
  SDL_Event button = {};
  button.type = SDL_MOUSEBUTTONDOWN;
  button.button.windowID = SDL_GetWindowID(window);
  button.button.button = SDL_BUTTON_LEFT;
  button.button.x = 12;
  button.button.y = 34;
  Push(button);
  SDL_Event wheel = {};
  wheel.type = SDL_MOUSEWHEEL;
  wheel.wheel.windowID = SDL_GetWindowID(window);
  wheel.wheel.y = -1;
  wheel.wheel.preciseY = -1.0f;
  Push(wheel);
  Pump();

  EXPECT_EQ(SeenOf({WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_MOUSEWHEEL}),
            (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYDOWN, WM_CHAR, WM_LBUTTONDOWN, WM_MOUSEWHEEL}));
  std::vector<SeenMessage> shifts;
  for (const auto& s : g_seen) {
    if (s.message == WM_KEYDOWN) shifts.push_back(s);
  }
  ASSERT_EQ(shifts.size(), 2u);
  // Both events were waiting together; the key state still answers as of each message.
  EXPECT_FALSE(shifts[0].rightShiftDown);
  EXPECT_TRUE(shifts[1].rightShiftDown);
  EXPECT_EQ((shifts[1].lParam >> 16) & 0xFF, kScanRightShift);
}

TEST_F(WindowLayerTest, DefaultHandlingTurnsAltEnterIntoTheKeyMenuAndCloseIntoDestroy) {
  WindowSystem& sys = WindowSystem_Get();
  sys.DefWindowProc(window, WM_SYSCHAR, 13, 0);
  ASSERT_FALSE(g_seen.empty());
  EXPECT_EQ(g_seen.back().message, WM_SYSCOMMAND);
  EXPECT_EQ(g_seen.back().wParam, SC_KEYMENU);
  EXPECT_EQ(g_seen.back().lParam, 13);

  // Alt+F4 left to the default asks the window to close.
  sys.DefWindowProc(window, WM_SYSKEYDOWN, VK_F4, KEYDATA_ALT);
  Pump();
  EXPECT_EQ(g_seen.back().message, WM_CLOSE);

  WindowRect client;
  ASSERT_TRUE(sys.GetClientRect(window, &client));
  EXPECT_EQ(client.right, 320);
  EXPECT_EQ(client.bottom, 200);
  sys.DefWindowProc(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(g_seen.back().message, WM_DESTROY);
  EXPECT_FALSE(sys.GetClientRect(window, &client));
  // A second destruction of the same window is ignored.
  sys.DestroyWindow(window);
  EXPECT_EQ(SeenOf({WM_DESTROY}).size(), 1u);
  window = nullptr;
}

TEST_F(WindowLayerTest, OneQuitIsPendingAtMost) {
  WindowSystem& sys = WindowSystem_Get();
  sys.PostQuitMessage(0);
  sys.PostQuitMessage(0);
  int quits = 0;
  WindowMessage m;
  while (Window_PeekMessage(&m)) quits += m.message == WM_QUIT;
  EXPECT_EQ(quits, 1);
}

TEST_F(WindowLayerTest, MadeUpKeyPressesReachTheWindowAndTheKeyState) {
  WindowSystem& sys = WindowSystem_Get();
  sys.KeybdEvent(VK_NUMLOCK, false);
  EXPECT_LT(sys.GetAsyncKeyState(VK_NUMLOCK), 0);
  sys.KeybdEvent(VK_NUMLOCK, true);
  Pump();
  EXPECT_EQ(SeenOf({WM_KEYDOWN, WM_KEYUP}), (std::vector<uint32_t>{WM_KEYDOWN, WM_KEYUP}));
  EXPECT_EQ(g_seen.front().wParam, static_cast<uint64_t>(VK_NUMLOCK));
  EXPECT_EQ(sys.GetKeyState(VK_NUMLOCK), 1);  // toggled on, not held
}

TEST_F(WindowLayerTest, SizeLimitsAreAskedOfTheProcedureAndApplied) {
  WindowSystem_Get().ApplySizeLimits(window);
  EXPECT_EQ(SeenOf({WM_GETMINMAXINFO}).size(), 1u);
  int w = 0;
  int h = 0;
  SDL_GetWindowMinimumSize(window, &w, &h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
}

TEST_F(WindowLayerTest, CursorShapeNoneHidesTheCursor) {
  WindowSystem_Get().SetCursor(CursorShape::Cross);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
  WindowSystem_Get().SetCursor(CursorShape::None);
  EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
}

TEST_F(WindowLayerTest, ClipboardKeepsText) {
  ASSERT_TRUE(Clipboard_SetText("h\xC3\xA9llo"));
  EXPECT_TRUE(Clipboard_HasText());
  EXPECT_EQ(Clipboard_GetText(), "h\xC3\xA9llo");
}

TEST_F(WindowLayerTest, MessageBoxesThatCannotBeShownAnswerTheirDefaultAndLog) {
  const std::string log = std::string(TOLVARINE_TEST_TMP) + "/message_box_log.txt";
  std::remove(log.c_str());
  Console_SetOutputFile(log.c_str());
  const MessageBoxButton buttons[] = {{1, "Abort", false, true}, {2, "Ignore", true, false}};
  MessageBoxRequest request;
  request.caption = "Code Error";
  request.text = "100% wrong %s";
  request.icon = MessageBoxIcon::Error;
  request.buttons = buttons;
  request.buttonCount = 2;
  request.defaultAnswer = 2;
  for (bool headless : {false, true}) {
    SCOPED_TRACE(headless ? "headless" : "offscreen driver");
    const bool wasHeadless = g_IsHeadless;
    g_IsHeadless = headless;
    EXPECT_FALSE(MessageBox_CanShow());
    EXPECT_EQ(MessageBox_Show(request), 2);
    g_IsHeadless = wasHeadless;
  }
  Console_SetOutputFile(nullptr);
  std::ifstream in(log);
  std::stringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "Code Error: 100% wrong %s\nCode Error: 100% wrong %s\n");
}

}  // namespace
