#include "platform/window/event_translator.h"

#include <SDL.h>

#include <cmath>

#include "core/utf8.h"
#include "platform/window/virtual_keys.h"

namespace {

constexpr uint8_t kDown = 0x80;
constexpr uint8_t kToggled = 0x01;

constexpr uint64_t MK_LBUTTON = 0x0001;
constexpr uint64_t MK_RBUTTON = 0x0002;
constexpr uint64_t MK_SHIFT = 0x0004;
constexpr uint64_t MK_CONTROL = 0x0008;
constexpr uint64_t MK_MBUTTON = 0x0010;

bool IsDown(const uint8_t* table, int32_t vk) { return (table[vk & 0xFF] & kDown) != 0; }

// The character a key-down produces besides the key message, for keys that make no text event.
int32_t ControlCharacter(int32_t vk) {
  switch (vk) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    default: return 0;
  }
}


}  // namespace

void EventTranslator::SetTarget(SDL_Window* window, uint32_t windowId, int32_t width, int32_t height) {
  m_window = window;
  m_windowId = windowId;
  m_width = width;
  m_height = height;
  m_maximized = false;
  m_minimized = false;
  m_sizeSent = false;
  m_sentKind = SIZE_RESTORED;
  m_sentWidth = -1;
  m_sentHeight = -1;
}

void EventTranslator::Reset() {
  SetTarget(nullptr, 0, 0, 0);
  for (uint8_t& v : m_async) v = 0;
  for (uint8_t& v : m_sync) v = 0;
  m_mouseX = 0;
  m_mouseY = 0;
}

void EventTranslator::Post(std::vector<WindowMessage>& out, uint32_t message, uint64_t wParam,
                           int64_t lParam) const {
  WindowMessage m;
  m.message = message;
  m.wParam = wParam;
  m.lParam = lParam;
  m.window = m_window;
  out.push_back(m);
}

uint64_t EventTranslator::MouseKeyFlags() const {
  uint64_t flags = 0;
  if (IsDown(m_async, VK_LBUTTON)) flags |= MK_LBUTTON;
  if (IsDown(m_async, VK_RBUTTON)) flags |= MK_RBUTTON;
  if (IsDown(m_async, VK_MBUTTON)) flags |= MK_MBUTTON;
  if (IsDown(m_async, VK_SHIFT)) flags |= MK_SHIFT;
  if (IsDown(m_async, VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

void EventTranslator::ApplyKey(uint8_t* table, int32_t vk, int32_t scanCode, bool extended, bool down,
                               bool firstPress) {
  auto set = [&](int32_t code) {
    uint8_t& v = table[code & 0xFF];
    if (down) {
      if (firstPress && !(v & kDown)) v ^= kToggled;
      v |= kDown;
    } else {
      v &= static_cast<uint8_t>(~kDown);
    }
  };
  auto combine = [&](int32_t generic, int32_t left, int32_t right) {
    if (IsDown(table, left) || IsDown(table, right)) {
      table[generic] |= kDown;
    } else {
      table[generic] &= static_cast<uint8_t>(~kDown);
    }
  };
  switch (vk) {
    case VK_SHIFT:
      set(scanCode == kScanRightShift ? VK_RSHIFT : VK_LSHIFT);
      combine(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
      break;
    case VK_CONTROL:
      set(extended ? VK_RCONTROL : VK_LCONTROL);
      combine(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
      break;
    case VK_MENU:
      set(extended ? VK_RMENU : VK_LMENU);
      combine(VK_MENU, VK_LMENU, VK_RMENU);
      break;
    default:
      set(vk);
      break;
  }
}

void EventTranslator::OnSyntheticKey(int32_t vk, bool down) {
  ApplyKey(m_async, vk, 0, false, down, true);
}

void EventTranslator::OnMessageRetrieved(const WindowMessage& message) {
  switch (message.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYUP: {
      const bool down = message.message == WM_KEYDOWN || message.message == WM_SYSKEYDOWN;
      const int32_t scan = static_cast<int32_t>((message.lParam >> 16) & 0xFF);
      const bool extended = (message.lParam & KEYDATA_EXTENDED) != 0;
      const bool firstPress = down && (message.lParam & KEYDATA_WAS_DOWN) == 0;
      ApplyKey(m_sync, static_cast<int32_t>(message.wParam & 0xFF), scan, extended, down, firstPress);
      break;
    }
    case WM_LBUTTONDOWN: ApplyKey(m_sync, VK_LBUTTON, 0, false, true, false); break;
    case WM_LBUTTONUP: ApplyKey(m_sync, VK_LBUTTON, 0, false, false, false); break;
    case WM_RBUTTONDOWN: ApplyKey(m_sync, VK_RBUTTON, 0, false, true, false); break;
    case WM_RBUTTONUP: ApplyKey(m_sync, VK_RBUTTON, 0, false, false, false); break;
    case WM_MBUTTONDOWN: ApplyKey(m_sync, VK_MBUTTON, 0, false, true, false); break;
    case WM_MBUTTONUP: ApplyKey(m_sync, VK_MBUTTON, 0, false, false, false); break;
    default: break;
  }
}

int16_t EventTranslator::GetKeyState(int32_t vk) const {
  const uint8_t v = m_sync[vk & 0xFF];
  return static_cast<int16_t>(((v & kDown) ? 0xFF80 : 0) | (v & kToggled));
}

int16_t EventTranslator::GetAsyncKeyState(int32_t vk) const {
  return static_cast<int16_t>((m_async[vk & 0xFF] & kDown) ? 0x8000 : 0);
}

void EventTranslator::Translate(const SDL_Event& event, std::vector<WindowMessage>& out) {
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (m_window != nullptr && event.key.windowID == m_windowId) TranslateKey(event, out);
      break;
    case SDL_TEXTINPUT:
      if (m_window != nullptr && event.text.windowID == m_windowId) TranslateText(event, out);
      break;
    case SDL_MOUSEMOTION:
      if (m_window == nullptr || event.motion.windowID != m_windowId) break;
      m_mouseX = event.motion.x;
      m_mouseY = event.motion.y;
      Post(out, WM_MOUSEMOVE, MouseKeyFlags(), MakeLParam(m_mouseX, m_mouseY));
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      if (m_window == nullptr || event.button.windowID != m_windowId) break;
      const bool down = event.type == SDL_MOUSEBUTTONDOWN;
      int32_t vk = 0;
      uint32_t message = 0;
      switch (event.button.button) {
        case SDL_BUTTON_LEFT:
          vk = VK_LBUTTON;
          message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
          break;
        case SDL_BUTTON_RIGHT:
          vk = VK_RBUTTON;
          message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
          break;
        case SDL_BUTTON_MIDDLE:
          vk = VK_MBUTTON;
          message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
          break;
        default:
          return;
      }
      m_mouseX = event.button.x;
      m_mouseY = event.button.y;
      ApplyKey(m_async, vk, 0, false, down, false);
      Post(out, message, MouseKeyFlags(), MakeLParam(m_mouseX, m_mouseY));
      break;
    }
    case SDL_MOUSEWHEEL: {
      if (m_window == nullptr || event.wheel.windowID != m_windowId) break;
      float notches = event.wheel.preciseY != 0.0f ? event.wheel.preciseY : static_cast<float>(event.wheel.y);
      if (event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED) notches = -notches;
      long delta = std::lround(notches * WHEEL_DELTA);
      if (delta == 0) break;  // a sideways scroll: this window takes no horizontal wheel
      if (delta > 32767) delta = 32767;
      if (delta < -32768) delta = -32768;
      const uint64_t wParam = (MouseKeyFlags() & 0xFFFFu) | ((static_cast<uint64_t>(delta) & 0xFFFFu) << 16);
      Post(out, WM_MOUSEWHEEL, wParam, MakeLParam(m_mouseX, m_mouseY));
      break;
    }
    case SDL_WINDOWEVENT:
      if (m_window != nullptr && event.window.windowID == m_windowId) TranslateWindowEvent(event, out);
      break;
    case SDL_QUIT:
      // The session asks the program to end: close the window as its close box would.
      if (m_window != nullptr) {
        Post(out, WM_CLOSE, 0, 0);
      } else {
        Post(out, WM_QUIT, 0, 0);
      }
      break;
    case SDL_JOYDEVICEADDED:
    case SDL_JOYDEVICEREMOVED:
      // Game controllers arrive as joysticks too; one message per device change is enough.
      if (m_window != nullptr) Post(out, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
      break;
    default:
      break;
  }
}

void EventTranslator::TranslateKey(const SDL_Event& event, std::vector<WindowMessage>& out) {
  const bool down = event.type == SDL_KEYDOWN;
  const VirtualKeyInfo info = VirtualKey_FromSDL(event.key.keysym.sym, event.key.keysym.scancode);
  if (info.vk == 0) return;
  const bool repeat = down && event.key.repeat != 0;
  ApplyKey(m_async, info.vk, info.scanCode, info.extended, down, !repeat);

  // Alt turns key messages into system-key messages, except together with Ctrl (AltGr). The
  // Alt key's own release is a system key too, as its press was.
  const bool ctrl = IsDown(m_async, VK_CONTROL);
  const bool alt = info.vk == VK_MENU ? !ctrl : (IsDown(m_async, VK_MENU) && !ctrl);
  const bool system = alt || info.vk == VK_F10;

  int64_t lParam = 1 | (static_cast<int64_t>(info.scanCode & 0xFF) << 16);
  if (info.extended) lParam |= KEYDATA_EXTENDED;
  if (alt) lParam |= KEYDATA_ALT;
  if (!down) lParam |= KEYDATA_WAS_DOWN | KEYDATA_UP;
  if (repeat) lParam |= KEYDATA_WAS_DOWN;

  const uint32_t message = down ? (system ? WM_SYSKEYDOWN : WM_KEYDOWN) : (system ? WM_SYSKEYUP : WM_KEYUP);
  Post(out, message, static_cast<uint64_t>(info.vk), lParam);

  if (down) {
    const int32_t ch = ControlCharacter(info.vk);
    if (ch != 0) Post(out, system ? WM_SYSCHAR : WM_CHAR, static_cast<uint64_t>(ch), lParam);
  }
}

void EventTranslator::TranslateText(const SDL_Event& event, std::vector<WindowMessage>& out) {
  const bool system = IsDown(m_async, VK_MENU) && !IsDown(m_async, VK_CONTROL);
  const uint32_t message = system ? WM_SYSCHAR : WM_CHAR;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(event.text.text);
  const unsigned char* end = p + SDL_strlen(event.text.text);
  while (p < end) {
    const uint32_t cp = UTF8_DecodeScalar(p);
    if (cp >= 0x10000) {
      const uint32_t v = cp - 0x10000;
      Post(out, message, 0xD800 + (v >> 10), 1);
      Post(out, message, 0xDC00 + (v & 0x3FF), 1);
    } else {
      Post(out, message, cp, 1);
    }
  }
}

void EventTranslator::EmitSize(uint64_t kind, int32_t width, int32_t height, std::vector<WindowMessage>& out) {
  // One message per change: a restore and a maximise that keep the size repeat nothing, and
  // neither do the several notices a window system may give of one resize.
  const bool minimized = kind == SIZE_MINIMIZED;
  if (m_sizeSent && minimized == (m_sentKind == SIZE_MINIMIZED) && width == m_sentWidth && height == m_sentHeight) {
    return;
  }
  m_sizeSent = true;
  m_sentKind = kind;
  m_sentWidth = width;
  m_sentHeight = height;
  Post(out, WM_SIZE, kind, minimized ? 0 : MakeLParam(width, height));
}

void EventTranslator::TranslateWindowEvent(const SDL_Event& event, std::vector<WindowMessage>& out) {
  switch (event.window.event) {
    case SDL_WINDOWEVENT_SHOWN:
      // The first showing tells the procedure the window's size, as a desktop window's does.
      if (!m_sizeSent) EmitSize(SIZE_RESTORED, m_width, m_height, out);
      break;
    case SDL_WINDOWEVENT_SIZE_CHANGED:
      m_width = event.window.data1;
      m_height = event.window.data2;
      if (!m_minimized) EmitSize(m_maximized ? SIZE_MAXIMIZED : SIZE_RESTORED, m_width, m_height, out);
      break;
    case SDL_WINDOWEVENT_MINIMIZED:
      m_minimized = true;
      EmitSize(SIZE_MINIMIZED, 0, 0, out);
      break;
    case SDL_WINDOWEVENT_MAXIMIZED:
      m_minimized = false;
      m_maximized = true;
      EmitSize(SIZE_MAXIMIZED, m_width, m_height, out);
      break;
    case SDL_WINDOWEVENT_RESTORED:
      m_minimized = false;
      m_maximized = false;
      EmitSize(SIZE_RESTORED, m_width, m_height, out);
      break;
    case SDL_WINDOWEVENT_CLOSE:
      Post(out, WM_CLOSE, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_GAINED:
      Post(out, WM_ACTIVATEAPP, 1, 0);
      Post(out, WM_NCACTIVATE, 1, 0);
      Post(out, WM_ACTIVATE, WA_ACTIVE, 0);
      Post(out, WM_SETFOCUS, 0, 0);
      break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
      Post(out, WM_NCACTIVATE, 0, 0);
      // lParam 0: the activation goes to another program.
      Post(out, WM_ACTIVATE, WA_INACTIVE, 0);
      Post(out, WM_ACTIVATEAPP, 0, 0);
      Post(out, WM_KILLFOCUS, 0, 0);
      break;
    case SDL_WINDOWEVENT_ENTER:
      Post(out, WM_SETCURSOR, 0, MakeLParam(static_cast<int32_t>(HTCLIENT), static_cast<int32_t>(WM_MOUSEMOVE)));
      break;
    default:
      break;
  }
}
