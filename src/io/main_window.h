// The main window: its state, its creation and its window procedure.
//
// The procedure never applies a size or full-screen change itself: it sets a pending size and
// the display-reset countdown that the frame loop counts down and the renderer acts on. Input
// messages are handed, translated, to the message hooks of the input module (io/input.h),
// which buffer them until the next game step.
#pragma once

#include <cstdint>

#include "platform/window/window_system.h"

struct SDL_Window;

inline constexpr int32_t kWindowCursorTableSize = 15;

// The caption of a game whose header names no display name.
inline constexpr const char* kDefaultGameCaption = "Made with Tolvarine";

// Window styles of the game window.
inline constexpr uint32_t kStylePopup = WS_POPUP;
inline constexpr uint32_t kStyleResizable = 0x00CF0000u;  // caption, menu, sizing frame, min/max boxes
inline constexpr uint32_t kStyleFixed = 0x00CA0000u;      // caption, menu, minimise box

struct WindowState {
  SDL_Window* window = nullptr;
  uint32_t windowedStyle = kStyleFixed;
  uint32_t fullscreenStyle = kStylePopup;
  // Client size: set at creation, refreshed by the renderer every frame and after a reset.
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  int32_t outerWidth = 0;
  int32_t outerHeight = 0;
  int32_t backbufferWidth = 0;
  int32_t backbufferHeight = 0;
  // The cursor set whenever the pointer enters the client area (None: hidden).
  CursorShape currentCursor = CursorShape::None;
  // The cr_* value last chosen.
  int32_t windowCursor = 0;
  CursorShape cursorTable[kWindowCursorTableSize] = {};
  bool fullscreen = false;
  int32_t savedWindowedWidth = 0;
  int32_t savedWindowedHeight = 0;
  // The client size the next display reset applies; -1 when the window had no usable size.
  // The reset itself is scheduled on the frame loop's countdown (runtime/frame_timing.h): 10 frames
  // after a resize, the next frame after a full-screen change.
  int32_t pendingWidth = 0;
  int32_t pendingHeight = 0;
  bool sizeChanged = false;
  bool sizing = false;  // between WM_SIZING and WM_EXITSIZEMOVE
  // The first restore/maximise WM_SIZE after program start schedules nothing.
  bool skipNextSize = true;
  // Client-size limits; 0 or less: none.
  int32_t minWidth = 0;
  int32_t maxWidth = 0;
  int32_t minHeight = 0;
  int32_t maxHeight = 0;
  bool focus = true;
  // The window-visible flag that window_get_visible reports; the mouse phase of the step runs
  // only while it is set.
  bool visible = true;
  int32_t rightShiftScanCode = 0;
  int32_t mouseCaptureCount = 0;
  char* caption = nullptr;  // memory-manager text; also the title of the runner's message boxes
};
extern WindowState g_WindowState;

// Back to the state of a fresh process (the caption is freed).
void WindowState_Reset();

// Creates the main window with a client area of (at most) width x height, centred on the
// screen, hidden until the renderer shows it. False (and a log line) when no window could be
// made; the handle then stays null.
bool Window_Create(int32_t width, int32_t height);
// The window procedure.
int64_t Window_Proc(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam);

// The main window's handle, null while there is none.
SDL_Window* Window_Handle();
void Window_SetFocus();
void Window_BringToFront();
void Window_Destroy();

// Client size from the system; 0 when there is no window ("GetClientRect failed" is logged).
int32_t Window_GetWidth();
int32_t Window_GetHeight();

// True while the window has the keyboard focus or its program is the active one.
bool Window_IsActive();

bool Window_GetFullscreen();
// A change of the flag becomes a display reset in the next frame; entering full screen
// remembers the display size to come back to.
void Window_SetFullscreen(bool on);

// Null or "" sets the empty caption.
void Window_SetCaption(const char* text);
void Window_ApplyCaption();
// The stored caption (not a copy); "" before any was set.
const char* Window_GetCaption();

// Translation of input messages for the message hooks.
void IO_OnKeyDown(int32_t vk, bool repeat);
void IO_OnKeyUp(int32_t vk);
void IO_OnMouseDown(SDL_Window* window, uint32_t message, uint64_t wParam, int64_t lParam);
void IO_OnMouseUp(uint32_t message, uint64_t wParam, int64_t lParam);
// True when the wheel did not move (neither wheel hook was called).
bool IO_OnMouseWheel(uint32_t keyFlags, int32_t delta, int64_t lParam);
