// SDL events into window messages, without a window: events are made up and translated for a
// target that is never dereferenced.
#include "platform/window/event_translator.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/window/virtual_keys.h"

namespace {

constexpr uint32_t kWindowId = 7;

struct Expected {
  uint32_t message;
  uint64_t wParam;
};

class EventTranslatorTest : public testing::Test {
 protected:
  void SetUp() override { translator.SetTarget(Window(), kWindowId, 640, 480); }

  SDL_Window* Window() { return reinterpret_cast<SDL_Window*>(&token); }

  std::vector<WindowMessage> Translate(const SDL_Event& event) {
    std::vector<WindowMessage> out;
    translator.Translate(event, out);
    for (const WindowMessage& m : out) translator.OnMessageRetrieved(m);
    return out;
  }

  static SDL_Event Key(bool down, SDL_Scancode scancode, SDL_Keycode keycode, bool repeat = false,
                       uint32_t windowId = kWindowId) {
    SDL_Event e = {};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = windowId;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = scancode;
    e.key.keysym.sym = keycode;
    return e;
  }
  static SDL_Event Text(const char* utf8) {
    SDL_Event e = {};
    e.type = SDL_TEXTINPUT;
    e.text.windowID = kWindowId;
    std::strncpy(e.text.text, utf8, sizeof e.text.text - 1);
    return e;
  }
  static SDL_Event WindowEvent(uint8_t what, int32_t data1 = 0, int32_t data2 = 0) {
    SDL_Event e = {};
    e.type = SDL_WINDOWEVENT;
    e.window.windowID = kWindowId;
    e.window.event = what;
    e.window.data1 = data1;
    e.window.data2 = data2;
    return e;
  }
  static SDL_Event Wheel(int32_t y, float preciseY, bool flipped = false) {
    SDL_Event e = {};
    e.type = SDL_MOUSEWHEEL;
    e.wheel.windowID = kWindowId;
    e.wheel.y = y;
    e.wheel.preciseY = preciseY;
    e.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    return e;
  }
  static SDL_Event Button(bool down, uint8_t button, int32_t x, int32_t y) {
    SDL_Event e = {};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = kWindowId;
    e.button.button = button;
    e.button.x = x;
    e.button.y = y;
    return e;
  }

  static std::vector<Expected> Summary(const std::vector<WindowMessage>& messages) {
    std::vector<Expected> out;
    for (const WindowMessage& m : messages) out.push_back({m.message, m.wParam});
    return out;
  }

  EventTranslator translator;
  int token = 0;
};

bool operator==(const Expected& a, const Expected& b) { return a.message == b.message && a.wParam == b.wParam; }
void PrintTo(const Expected& e, std::ostream* os) { *os << "{0x" << std::hex << e.message << ", " << std::dec << e.wParam << "}"; }

TEST(VirtualKeyTableTest, LayoutKeysFollowTheLayoutAndTheRestTheirPosition) {
  const struct {
    const char* name;
    SDL_Keycode keycode;
    SDL_Scancode scancode;
    int32_t vk;
    int32_t scan;
    bool extended;
  } cases[] = {
      {"letter", SDLK_a, SDL_SCANCODE_A, 'A', 0x1E, false},
      {"letter where the layout moved it", SDLK_a, SDL_SCANCODE_Q, 'A', 0x10, false},
      {"digit row giving punctuation keeps its digit", SDLK_AMPERSAND, SDL_SCANCODE_1, '1', 0x02, false},
      {"punctuation the layout names", SDLK_MINUS, SDL_SCANCODE_SLASH, VK_OEM_MINUS, 0x35, false},
      {"punctuation the layout does not name", 0xF1, SDL_SCANCODE_SEMICOLON, VK_OEM_1, 0x27, false},
      {"keypad digit", SDLK_KP_1, SDL_SCANCODE_KP_1, VK_NUMPAD0 + 1, 0x4F, false},
      {"keypad Enter", SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, VK_RETURN, 0x1C, true},
      {"function key", SDLK_F11, SDL_SCANCODE_F11, VK_F1 + 10, 0x57, false},
      {"F24", SDLK_F24, SDL_SCANCODE_F24, 0x87, 0, false},
      {"arrow", SDLK_LEFT, SDL_SCANCODE_LEFT, VK_LEFT, 0x4B, true},
      {"left Shift", SDLK_LSHIFT, SDL_SCANCODE_LSHIFT, VK_SHIFT, kScanLeftShift, false},
      {"right Shift", SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, VK_SHIFT, kScanRightShift, false},
      {"right Ctrl", SDLK_RCTRL, SDL_SCANCODE_RCTRL, VK_CONTROL, kScanControl, true},
      {"right Alt", SDLK_RALT, SDL_SCANCODE_RALT, VK_MENU, kScanAlt, true},
      {"Escape", SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, VK_ESCAPE, 0x01, false},
      {"unknown key", 0, SDL_SCANCODE_KP_MEMSTORE, 0, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const VirtualKeyInfo info = VirtualKey_FromSDL(c.keycode, c.scancode);
    EXPECT_EQ(info.vk, c.vk);
    EXPECT_EQ(info.scanCode, c.scan);
    EXPECT_EQ(info.extended, c.extended);
  }
}

TEST_F(EventTranslatorTest, KeysBecomeKeyAndCharacterMessages) {
  const struct {
    const char* name;
    std::vector<SDL_Event> events;
    std::vector<Expected> messages;
  } cases[] = {
      {"letter: the character comes from the text event", {Key(true, SDL_SCANCODE_A, SDLK_a)}, {{WM_KEYDOWN, 'A'}}},
      {"Return also types 13", {Key(true, SDL_SCANCODE_RETURN, SDLK_RETURN)}, {{WM_KEYDOWN, 13}, {WM_CHAR, 13}}},
      {"Backspace, Tab and Escape type 8, 9 and 27",
       {Key(true, SDL_SCANCODE_BACKSPACE, SDLK_BACKSPACE), Key(true, SDL_SCANCODE_TAB, SDLK_TAB),
        Key(true, SDL_SCANCODE_ESCAPE, SDLK_ESCAPE)},
       {{WM_KEYDOWN, 8}, {WM_CHAR, 8}, {WM_KEYDOWN, 9}, {WM_CHAR, 9}, {WM_KEYDOWN, 27}, {WM_CHAR, 27}}},
      {"Alt makes system keys and Alt+Enter a system character",
       {Key(true, SDL_SCANCODE_LALT, SDLK_LALT), Key(true, SDL_SCANCODE_RETURN, SDLK_RETURN),
        Key(false, SDL_SCANCODE_RETURN, SDLK_RETURN), Key(false, SDL_SCANCODE_LALT, SDLK_LALT)},
       {{WM_SYSKEYDOWN, VK_MENU}, {WM_SYSKEYDOWN, 13}, {WM_SYSCHAR, 13}, {WM_SYSKEYUP, 13}, {WM_SYSKEYUP, VK_MENU}}},
      {"AltGr (Ctrl with Alt) types ordinary keys",
       {Key(true, SDL_SCANCODE_LCTRL, SDLK_LCTRL), Key(true, SDL_SCANCODE_RALT, SDLK_RALT),
        Key(true, SDL_SCANCODE_Q, SDLK_q)},
       {{WM_KEYDOWN, VK_CONTROL}, {WM_KEYDOWN, VK_MENU}, {WM_KEYDOWN, 'Q'}}},
      {"F10 alone is a system key", {Key(true, SDL_SCANCODE_F10, SDLK_F10)}, {{WM_SYSKEYDOWN, VK_F10}}},
      {"a key without a code sends nothing", {Key(true, SDL_SCANCODE_KP_MEMSTORE, 0)}, {}},
      {"another window's key sends nothing", {Key(true, SDL_SCANCODE_A, SDLK_a, false, kWindowId + 1)}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    translator.Reset();
    translator.SetTarget(Window(), kWindowId, 640, 480);
    std::vector<WindowMessage> all;
    for (const SDL_Event& e : c.events) {
      for (const WindowMessage& m : Translate(e)) all.push_back(m);
    }
    EXPECT_EQ(Summary(all), c.messages);
    for (const WindowMessage& m : all) EXPECT_EQ(m.window, Window());
  }
}

TEST_F(EventTranslatorTest, KeyDataCarriesScanCodeExtendedRepeatAndTransition) {
  const struct {
    const char* name;
    SDL_Event event;
    int64_t lParam;
  } cases[] = {
      {"first press", Key(true, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT), 1 | (int64_t{0x36} << 16)},
      {"auto-repeat", Key(true, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT, true), 1 | (int64_t{0x36} << 16) | KEYDATA_WAS_DOWN},
      {"release", Key(false, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT),
       1 | (int64_t{0x36} << 16) | KEYDATA_WAS_DOWN | KEYDATA_UP},
      {"extended key", Key(true, SDL_SCANCODE_RCTRL, SDLK_RCTRL), 1 | (int64_t{0x1D} << 16) | KEYDATA_EXTENDED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<WindowMessage> out = Translate(c.event);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].lParam, c.lParam);
  }
}

TEST_F(EventTranslatorTest, TextBecomesUtf16Characters) {
  EXPECT_EQ(Summary(Translate(Text("a\xC3\xA9\xF0\x9F\x98\x80"))),
            (std::vector<Expected>{{WM_CHAR, 'a'}, {WM_CHAR, 0xE9}, {WM_CHAR, 0xD83D}, {WM_CHAR, 0xDE00}}));
  Translate(Key(true, SDL_SCANCODE_LALT, SDLK_LALT));
  EXPECT_EQ(Summary(Translate(Text("x"))), (std::vector<Expected>{{WM_SYSCHAR, 'x'}}));
}

TEST_F(EventTranslatorTest, MouseMessagesCarrySignedPositionsAndWheelDeltas) {
  SDL_Event motion = {};
  motion.type = SDL_MOUSEMOTION;
  motion.motion.windowID = kWindowId;
  motion.motion.x = -5;
  motion.motion.y = 7;
  std::vector<WindowMessage> out = Translate(motion);
  ASSERT_EQ(out.size(), 1u);
  EXPECT_EQ(out[0].message, WM_MOUSEMOVE);
  EXPECT_EQ(static_cast<int16_t>(LowWord(static_cast<uint64_t>(out[0].lParam))), -5);
  EXPECT_EQ(static_cast<int16_t>(HighWord(static_cast<uint64_t>(out[0].lParam))), 7);

  EXPECT_EQ(Summary(Translate(Button(true, SDL_BUTTON_RIGHT, 1, 2))), (std::vector<Expected>{{WM_RBUTTONDOWN, 0x2}}));
  EXPECT_EQ(Summary(Translate(Button(false, SDL_BUTTON_RIGHT, 1, 2))), (std::vector<Expected>{{WM_RBUTTONUP, 0}}));
  EXPECT_TRUE(Translate(Button(true, SDL_BUTTON_X1, 1, 2)).empty());

  const struct {
    const char* name;
    SDL_Event event;
    int32_t delta;  // 0: no message
  } wheels[] = {
      {"one notch up", Wheel(1, 1.0f), 120},
      {"two notches down", Wheel(-2, -2.0f), -240},
      {"flipped", Wheel(1, 1.0f, true), -120},
      {"half a notch", Wheel(0, 0.5f), 60},
      {"sideways only", Wheel(0, 0.0f), 0},
  };
  for (const auto& w : wheels) {
    SCOPED_TRACE(w.name);
    out = Translate(w.event);
    if (w.delta == 0) {
      EXPECT_TRUE(out.empty());
      continue;
    }
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].message, WM_MOUSEWHEEL);
    EXPECT_EQ(static_cast<int16_t>(HighWord(out[0].wParam)), w.delta);
  }
}

TEST_F(EventTranslatorTest, OneSizeMessagePerSizeChange) {
  const struct {
    const char* name;
    SDL_Event event;
    std::vector<Expected> messages;
  } steps[] = {
      {"first showing tells the size", WindowEvent(SDL_WINDOWEVENT_SHOWN), {{WM_SIZE, SIZE_RESTORED}}},
      {"the same size again", WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 640, 480), {}},
      {"a new size", WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 800, 600), {{WM_SIZE, SIZE_RESTORED}}},
      {"the repeated notice of that size", WindowEvent(SDL_WINDOWEVENT_RESIZED, 800, 600), {}},
      {"minimised", WindowEvent(SDL_WINDOWEVENT_MINIMIZED), {{WM_SIZE, SIZE_MINIMIZED}}},
      {"restored", WindowEvent(SDL_WINDOWEVENT_RESTORED), {{WM_SIZE, SIZE_RESTORED}}},
      {"maximised before its size arrives", WindowEvent(SDL_WINDOWEVENT_MAXIMIZED), {}},
      {"the maximised size", WindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1920, 1000), {{WM_SIZE, SIZE_MAXIMIZED}}},
      {"showing again", WindowEvent(SDL_WINDOWEVENT_SHOWN), {}},
  };
  for (const auto& s : steps) {
    SCOPED_TRACE(s.name);
    EXPECT_EQ(Summary(Translate(s.event)), s.messages);
  }
}

TEST_F(EventTranslatorTest, FocusCloseAndDeviceEvents) {
  EXPECT_EQ(Summary(Translate(WindowEvent(SDL_WINDOWEVENT_FOCUS_LOST))),
            (std::vector<Expected>{{WM_NCACTIVATE, 0}, {WM_ACTIVATE, WA_INACTIVE}, {WM_ACTIVATEAPP, 0}, {WM_KILLFOCUS, 0}}));
  EXPECT_EQ(Summary(Translate(WindowEvent(SDL_WINDOWEVENT_FOCUS_GAINED))),
            (std::vector<Expected>{{WM_ACTIVATEAPP, 1}, {WM_NCACTIVATE, 1}, {WM_ACTIVATE, WA_ACTIVE}, {WM_SETFOCUS, 0}}));
  const std::vector<WindowMessage> enter = Translate(WindowEvent(SDL_WINDOWEVENT_ENTER));
  ASSERT_EQ(enter.size(), 1u);
  EXPECT_EQ(enter[0].message, WM_SETCURSOR);
  EXPECT_EQ(LowWord(static_cast<uint64_t>(enter[0].lParam)), HTCLIENT);
  EXPECT_EQ(Summary(Translate(WindowEvent(SDL_WINDOWEVENT_CLOSE))), (std::vector<Expected>{{WM_CLOSE, 0}}));

  SDL_Event device = {};
  device.type = SDL_JOYDEVICEADDED;
  EXPECT_EQ(Summary(Translate(device)), (std::vector<Expected>{{WM_DEVICECHANGE, DBT_DEVNODES_CHANGED}}));
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  EXPECT_EQ(Summary(Translate(quit)), (std::vector<Expected>{{WM_CLOSE, 0}}));

  // Without a window only a quit gets through.
  translator.SetTarget(nullptr, 0, 0, 0);
  EXPECT_TRUE(Translate(device).empty());
  EXPECT_TRUE(Translate(WindowEvent(SDL_WINDOWEVENT_CLOSE)).empty());
  EXPECT_EQ(Summary(Translate(quit)), (std::vector<Expected>{{WM_QUIT, 0}}));
}

TEST_F(EventTranslatorTest, KeyStateFollowsEventsAsyncAndTakenMessagesSync) {
  std::vector<WindowMessage> out;
  translator.Translate(Key(true, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT), out);
  EXPECT_LT(translator.GetAsyncKeyState(VK_RSHIFT), 0);
  EXPECT_EQ(translator.GetKeyState(VK_RSHIFT), 0);
  translator.OnMessageRetrieved(out[0]);
  EXPECT_NE(translator.GetKeyState(VK_RSHIFT) & 0x80, 0);
  EXPECT_NE(translator.GetKeyState(VK_SHIFT) & 0x80, 0);
  EXPECT_EQ(translator.GetKeyState(VK_LSHIFT) & 0x80, 0);

  // With the left one down too, releasing the right one leaves Shift down.
  Translate(Key(true, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT));
  Translate(Key(false, SDL_SCANCODE_RSHIFT, SDLK_RSHIFT));
  EXPECT_NE(translator.GetKeyState(VK_SHIFT) & 0x80, 0);
  EXPECT_EQ(translator.GetKeyState(VK_RSHIFT) & 0x80, 0);
  Translate(Key(false, SDL_SCANCODE_LSHIFT, SDLK_LSHIFT));
  EXPECT_EQ(translator.GetKeyState(VK_SHIFT), 0);

  // Lock keys toggle on each press, not on repeats.
  Translate(Key(true, SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK));
  Translate(Key(true, SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK, true));
  Translate(Key(false, SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK));
  EXPECT_EQ(translator.GetKeyState(VK_CAPITAL), 1);
  Translate(Key(true, SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK));
  Translate(Key(false, SDL_SCANCODE_CAPSLOCK, SDLK_CAPSLOCK));
  EXPECT_EQ(translator.GetKeyState(VK_CAPITAL), 0);

  // Mouse buttons are keys too.
  Translate(Button(true, SDL_BUTTON_LEFT, 0, 0));
  EXPECT_LT(translator.GetAsyncKeyState(VK_LBUTTON), 0);
  EXPECT_NE(translator.GetKeyState(VK_LBUTTON) & 0x80, 0);
}

}  // namespace
