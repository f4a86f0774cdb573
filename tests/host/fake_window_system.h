// A window system for tests: answers from fields the test sets and records what it was asked.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/window/window_system.h"

namespace host_test {

class FakeWindowSystem final : public WindowSystem {
 public:
  FakeWindowSystem() { WindowSystem_Install(this); }
  ~FakeWindowSystem() override { WindowSystem_Install(nullptr); }
  FakeWindowSystem(const FakeWindowSystem&) = delete;
  FakeWindowSystem& operator=(const FakeWindowSystem&) = delete;

  // A window handle that is never dereferenced.
  SDL_Window* Window() { return reinterpret_cast<SDL_Window*>(&m_token); }

  // Answers.
  static constexpr int64_t kDefaultAnswer = 0x0DEF;
  bool windowExists = true;
  WindowRect client{0, 0, 640, 480};
  WindowRect outer{100, 50, 748, 558};  // 4-pixel sides and bottom, a 24-pixel caption bar
  int32_t screenWidth = 1920;
  int32_t screenHeight = 1080;
  WindowRect frame{};  // what AdjustWindowRect adds on each side
  bool createFails = false;
  uint8_t keyDown[256] = {};
  uint8_t keyToggled[256] = {};  // flipped by each made-up press, as by a real one
  WindowPoint cursor{0, 0};
  std::vector<WindowRect> monitors;

  // Records.
  std::vector<uint32_t> defaulted;  // messages handed to DefWindowProc
  int32_t quitPosts = 0;
  std::vector<SDL_Window*> destroyed;
  int32_t captures = 0;
  int32_t releases = 0;
  std::vector<CursorShape> cursors;
  int32_t focusCalls = 0;
  int32_t limitsApplied = 0;
  std::string title;
  WindowCreateDesc created;
  std::vector<WindowPoint> moves;
  std::vector<WindowPoint> cursorMoves;
  std::vector<std::pair<int32_t, bool>> keyEvents;  // made-up keys: (key, released)

  bool GetScreenSize(int32_t* width, int32_t* height) override {
    *width = screenWidth;
    *height = screenHeight;
    return true;
  }
  void AdjustWindowRect(WindowRect* rect, uint32_t) override {
    rect->left -= frame.left;
    rect->top -= frame.top;
    rect->right += frame.right;
    rect->bottom += frame.bottom;
  }
  SDL_Window* CreateWindow(const WindowCreateDesc& desc) override {
    created = desc;
    windowExists = !createFails;
    return createFails ? nullptr : Window();
  }
  void DestroyWindow(SDL_Window* window) override {
    destroyed.push_back(window);
    windowExists = false;
  }
  int64_t DefWindowProc(SDL_Window*, uint32_t message, uint64_t, int64_t) override {
    defaulted.push_back(message);
    return kDefaultAnswer;
  }
  void PostQuitMessage(int32_t) override { ++quitPosts; }
  bool GetClientRect(SDL_Window*, WindowRect* rect) override {
    if (!windowExists) return false;
    *rect = client;
    return true;
  }
  bool GetWindowRect(SDL_Window*, WindowRect* rect) override {
    if (!windowExists) return false;
    *rect = outer;
    return true;
  }
  bool ClientToScreen(SDL_Window*, WindowPoint* point) override {
    if (!windowExists) return false;
    point->x = WindowCoord_Offset(point->x, int64_t{outer.left} + 4);
    point->y = WindowCoord_Offset(point->y, int64_t{outer.top} + 24);
    return true;
  }
  bool MoveWindow(SDL_Window*, int32_t x, int32_t y) override {
    moves.push_back(WindowPoint{x, y});
    return windowExists;
  }
  void SetWindowText(SDL_Window*, const char* utf8) override { title = utf8; }
  void ApplySizeLimits(SDL_Window*) override { ++limitsApplied; }
  void ShowWindow(SDL_Window*) override {}
  void BringToFront(SDL_Window*) override {}
  void SetFocus(SDL_Window*) override { ++focusCalls; }
  int16_t GetKeyState(int32_t vk) override {
    return static_cast<int16_t>((keyDown[vk & 0xFF] ? 0xFF80 : 0) | (keyToggled[vk & 0xFF] ? 1 : 0));
  }
  int16_t GetAsyncKeyState(int32_t vk) override { return static_cast<int16_t>(keyDown[vk & 0xFF] ? 0x8000 : 0); }
  void KeybdEvent(int32_t vk, bool up) override {
    keyEvents.emplace_back(vk, up);
    if (!up && !keyDown[vk & 0xFF]) keyToggled[vk & 0xFF] ^= 1;
    keyDown[vk & 0xFF] = !up;
  }
  void SetCapture(SDL_Window*) override { ++captures; }
  void ReleaseCapture() override { ++releases; }
  void SetCursor(CursorShape shape) override { cursors.push_back(shape); }
  bool GetCursorPos(WindowPoint* point) override {
    *point = cursor;
    return true;
  }
  bool SetCursorPos(int32_t x, int32_t y) override {
    cursorMoves.push_back(WindowPoint{x, y});
    return true;
  }
  int32_t GetMonitorCount() override { return static_cast<int32_t>(monitors.size()); }
  bool GetMonitorRect(int32_t index, WindowRect* rect) override {
    if (index < 0 || index >= static_cast<int32_t>(monitors.size())) return false;
    *rect = monitors[static_cast<size_t>(index)];
    return true;
  }

 private:
  int m_token = 0;
};

}  // namespace host_test
