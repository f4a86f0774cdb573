// The debug overlay: drawn over every finished frame when switched on. A row of coloured timing
// bars with the frame rate and the frame's texture-change and draw-call counts, a top bar with the
// runner's and the game's versions and a CLOSE button, a small options panel, and the audio debug
// views; its own bitmap font (the debug font's sheet). It also keeps the minimum, maximum and
// average frame rate, printed at exit. Main thread only.
#pragma once

#include <cstdint>

// Bits of Debug_OverlayFlags (render/lifecycle.h) beside the frame-rate and audio bits.
inline constexpr int32_t kDebugOverlayTopBar = 0x1;
inline constexpr int32_t kDebugOverlayPanel = 0x8;
inline constexpr int32_t kDebugOverlayAudioSync = 0x20;

inline constexpr int32_t kDebugOverlayMaxBars = 1024;
inline constexpr float kDebugOverlayTimeScale = 66666.664f;  // microseconds across the window
inline constexpr uint32_t kDebugOverlayTotalColour = 0xFF000080u;

struct DebugOverlayBar {
  int64_t start = 0;
  int64_t end = 0;
  uint32_t colour = 0;  // alpha on top, then blue, green, red
  const char* name = nullptr;
};

struct DebugOverlayStats {
  int32_t frames = 0;  // frames whose rate was measured
  int32_t fps = 0;     // the last frame's rate
  int32_t minFps = 0;
  int32_t maxFps = 0;
  int32_t avgFps = 0;
};

// The audio views the overlay shows with their flags; the audio layer above installs them.
struct DebugOverlayAudioViews {
  void (*debug)() = nullptr;
  void (*syncGroups)() = nullptr;
};
void DebugOverlay_SetAudioViews(const DebugOverlayAudioViews& views);

// The font is made on the first call; no bars, no frame begun.
void DebugOverlay_Init();
// At scene begin and end (the device's BeginScene and EndScene).
void DebugOverlay_FrameBegin();
void DebugOverlay_FrameEnd();
// Prints the frame-rate statistics between dashed lines on the debug console.
void DebugOverlay_ReportFPS();

// The frame's bars so far (for inspection).
int32_t DebugOverlay_BarCount();
const DebugOverlayBar* DebugOverlay_Bar(int32_t index);
int32_t DebugOverlay_OpenBarCount();
const DebugOverlayStats& DebugOverlay_Stats();
// The frame-rate line the last frame drew ("" before any).
const char* DebugOverlay_LastSummary();
// Back to the start of a run: statistics, bars and gesture cleared (tests).
void DebugOverlay_Reset();

// Drawing in window pixels, y downwards, between DebugOverlay_BeginDraw and DebugOverlay_EndDraw
// (render/overlay_draw.h). Colours are packed as the device takes them (alpha, red, green, blue)
// for FillRect, and alpha, blue, green, red for text.
void DebugOverlay_FillRect(float x, float y, float width, float height, uint32_t colour);
// The width drawn: the pen's end minus x.
float DebugOverlay_DrawText(float x, float y, float xScale, float yScale, uint32_t colour, const char* text,
                            int32_t count);
float DebugOverlay_Printf(float x, float y, uint32_t colour, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
float DebugOverlay_PrintfCentred(float y, int32_t width, uint32_t colour, const char* format, ...)
    __attribute__((format(printf, 4, 5)));
// Four copies in the outline colour one pixel off diagonally, then the text; width + 2.
float DebugOverlay_DrawTextOutlined(float x, float y, uint32_t outline, uint32_t colour, const char* format, ...)
    __attribute__((format(printf, 5, 6)));
int32_t DebugOverlay_TextWidth(const char* text, int32_t count);

void DebugOverlay_HandleInput();
void DebugOverlay_DrawButtons();
void DebugOverlay_DrawTimings();
