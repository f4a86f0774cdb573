#include "render/debug_overlay.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "assets/embedded_images.h"
#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "io/display.h"
#include "io/input.h"
#include "io/main_window.h"
#include "runtime/frame_timing.h"
#include "runtime/game_header.h"
#include "runtime/host_state.h"
#include "render/d3d_device.h"
#include "render/frame.h"
#include "render/frame_services.h"
#include "render/lifecycle.h"
#include "render/overlay_draw.h"
#include "render/render_setters.h"
#include "render/render_state.h"
#include "render/vertex_batch.h"
#include "world/room.h"

int32_t g_DebugOverlayDraws = 0;

namespace {

constexpr int32_t kFormatBytes = 2048;
constexpr int32_t kFirstCountedFrame = 100;  // the first 100 frames settle and do not count
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlack = 0xFF000000u;
constexpr int32_t kLeftButton = 1;

struct Vertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(Vertex) == 24);

struct OverlayState {
  DebugOverlayBar bars[kDebugOverlayMaxBars];
  int32_t barCount = 0;
  int32_t open[kDebugOverlayMaxBars] = {};
  bool timed[kDebugOverlayMaxBars] = {};
  // The batcher's and the texture binder's running counts at the frame's start.
  int32_t drawCallsAtStart = 0;
  int32_t textureChangesAtStart = 0;
  int32_t openCount = 0;
  bool frameBegun = false;
  int64_t frameStart = 0;
  float timeScale = kDebugOverlayTimeScale;
  DebugOverlayStats stats;
  int32_t gestureStep = 0;
  DebugOverlayAudioViews audio;
  char summary[64] = {};  // the frame-rate line last drawn
};
OverlayState g_overlay;

// What BeginDraw replaced, for EndDraw.
struct SavedDrawState {
  uint32_t culling = 0, depthTest = 0, lighting = 0, fog = 0;
  Matrix44 view, projection, world;
  GR_ProjectionRecord record;
  bool customProjection = false;
};
SavedDrawState g_saved;

// A packed step of a gesture: column, row and tolerance, one byte each.
constexpr uint32_t Step(uint32_t column, uint32_t row, uint32_t tolerance) {
  return column | row << 8 | tolerance << 16;
}
// Corners of the window, clockwise from the top left and once more; then with the bar open,
// the diagonals crossed twice.
constexpr uint32_t kOpenBar[7] = {Step(0, 0, 1), Step(9, 0, 1), Step(9, 9, 1), Step(0, 9, 1),
                                  Step(0, 0, 1), Step(9, 0, 1), Step(9, 9, 1)};
constexpr uint32_t kOpenPanel[8] = {Step(0, 9, 1), Step(9, 0, 1), Step(0, 9, 1), Step(9, 0, 1),
                                    Step(9, 9, 1), Step(0, 0, 1), Step(9, 9, 1), Step(0, 0, 1)};

int32_t WindowWidth() { return Display_Size.width; }
int32_t WindowHeight() { return Display_Size.height; }

uint32_t SwapRedBlue(uint32_t c) { return (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu); }

Texture* FontTexture() {
  const int32_t slot = DebugOverlay_FontSlot();
  return slot >= 0 ? GR_Texture_Get(slot) : nullptr;
}

const uint8_t* Glyph(uint8_t c) { return &g_EmbeddedGlyphs[static_cast<size_t>(c) * 4]; }

void Quad(Vertex* v, float x1, float y1, float x2, float y2, float z, uint32_t colour, float u1 = 0, float v1 = 0,
          float u2 = 0, float v2 = 0) {
  v[0] = Vertex{x1, y1, z, colour, u1, v1};
  v[1] = Vertex{x2, y1, z, colour, u2, v1};
  v[2] = Vertex{x2, y2, z, colour, u2, v2};
  v[3] = Vertex{x2, y2, z, colour, u2, v2};
  v[4] = Vertex{x1, y2, z, colour, u1, v2};
  v[5] = Vertex{x1, y1, z, colour, u1, v1};
}

// Text formatted into the overlay's fixed buffer.
int32_t Format(char (&out)[kFormatBytes], const char* format, va_list list) {
  const int n = std::vsnprintf(out, sizeof out, format, list);
  if (n < 0) {
    out[0] = '\0';
    return 0;
  }
  return n < kFormatBytes ? n : kFormatBytes - 1;
}

// The printf forms format into the overlay's buffer first.
#define FORMAT_INTO(text, n, format)          \
  char text[kFormatBytes];                    \
  va_list list_;                              \
  va_start(list_, format);                    \
  const int32_t n = Format(text, format, list_); \
  va_end(list_)

// A bar reads the clock only when it will be shown (or gives the frame time): bars nobody sees
// cost the frame nothing.
void BeginBar(const char* name, uint32_t colour, int64_t now, bool timed) {
  OverlayState& o = g_overlay;
  if (o.barCount >= kDebugOverlayMaxBars) return;
  o.timed[o.barCount] = timed;
  o.bars[o.barCount] = DebugOverlayBar{now, now, colour, name};
  o.open[o.openCount++] = o.barCount++;
}

void EndBar() {
  OverlayState& o = g_overlay;
  if (o.openCount == 0) return;
  const int32_t bar = o.open[--o.openCount];
  if (o.timed[bar]) o.bars[bar].end = Timing_GetTime();
}

void UpdateStatistics() {
  OverlayState& o = g_overlay;
  // The "Total" bar opens every frame and is always the first.
  const int64_t frameTime = (o.barCount > 0 ? o.bars[0].end - o.bars[0].start : 0) + g_GR_Frame.presentTime;
  // A clock that did not move gives no rate: the figures stay as they were.
  if (frameTime <= 0) return;
  const int64_t rate64 = 1000000 / frameTime;
  const auto rate = static_cast<int32_t>(rate64);
  DebugOverlayStats& s = o.stats;
  s.fps = rate;
  g_FrameTiming.fpsReal = static_cast<float>(rate);
  if (s.frames == kFirstCountedFrame) {
    s.minFps = s.maxFps = s.avgFps = rate;
  } else if (s.frames > kFirstCountedFrame) {
    if (rate < s.minFps) s.minFps = rate;
    if (rate > s.maxFps) s.maxFps = rate;
    s.avgFps = static_cast<int32_t>((int64_t{s.avgFps} + rate) / 2);
  }
  ++s.frames;
}

// The point in game coordinates: by view 0's port when views are on and it shows, else the room.
void GamePoint(float* x, float* y) {
  const int32_t ww = g_WindowState.clientWidth;
  const int32_t wh = g_WindowState.clientHeight;
  *x = static_cast<float>(g_IOInputState.mouseX);
  *y = static_cast<float>(g_IOInputState.mouseY);
  const CRoom* room = Room_Current;
  if (room == nullptr || ww <= 0 || wh <= 0) return;
  float gw = static_cast<float>(room->width);
  float gh = static_cast<float>(room->height);
  if (room->enable_views && room->views[0].visible) {
    gw = static_cast<float>(room->views[0].port_w);
    gh = static_cast<float>(room->views[0].port_h);
  }
  *x = *x * gw / static_cast<float>(ww);
  *y = *y * gh / static_cast<float>(wh);
}

void GestureStep(float x, float y, bool barWasOpen) {
  OverlayState& o = g_overlay;
  const double column = static_cast<double>(x) / g_WindowState.backbufferWidth * 10.0;
  const double row = static_cast<double>(y) / g_WindowState.backbufferHeight * 10.0;
  // Outside the grid (and a back buffer without size) is no step at all.
  if (!(column >= 0 && column < 10 && row >= 0 && row < 10)) return;
  const auto c = static_cast<int32_t>(column);
  const auto r = static_cast<int32_t>(row);
  const uint32_t* steps = barWasOpen ? kOpenPanel : kOpenBar;
  const int32_t length = barWasOpen ? 8 : 7;
  if (o.gestureStep >= length) o.gestureStep = 0;
  const uint32_t step = steps[o.gestureStep];
  const auto expectedColumn = static_cast<int32_t>(step & 0xFF);
  const auto expectedRow = static_cast<int32_t>((step >> 8) & 0xFF);
  const auto tolerance = static_cast<int32_t>((step >> 16) & 0xFF);
  if (std::abs(c - expectedColumn) > tolerance || std::abs(r - expectedRow) > tolerance) {
    o.gestureStep = 0;
    return;
  }
  if (++o.gestureStep < length) return;
  o.gestureStep = 0;
  Debug_OverlayFlags |= barWasOpen ? kDebugOverlayPanel : kDebugOverlayTopBar;
}

}  // namespace

void DebugOverlay_SetAudioViews(const DebugOverlayAudioViews& views) { g_overlay.audio = views; }

void DebugOverlay_Init() {
  OverlayState& o = g_overlay;
  o.timeScale = kDebugOverlayTimeScale;
  o.barCount = 0;
  o.openCount = 0;
  o.frameBegun = false;
  DebugOverlay_FontSlot();
}

void DebugOverlay_FrameBegin() {
  OverlayState& o = g_overlay;
  o.barCount = 0;
  o.openCount = 0;
  o.frameBegun = true;
  o.frameStart = Timing_GetTime();
  o.textureChangesAtStart = g_Textures.changes;
  o.drawCallsAtStart = g_Batch.drawCalls;
  BeginBar("Total", kDebugOverlayTotalColour, o.frameStart, true);
}

void DebugOverlay_BeginTiming(const char* name, uint32_t colour) {
  if (!g_overlay.frameBegun) DebugOverlay_FrameBegin();
  const bool shown = (Debug_OverlayFlags & kDebugOverlayShow) != 0;
  BeginBar(name, colour, shown ? Timing_GetTime() : g_overlay.frameStart, shown);
}

void DebugOverlay_EndTiming() { EndBar(); }

void DebugOverlay_FrameEnd() {
  OverlayState& o = g_overlay;
  if (!o.frameBegun) DebugOverlay_FrameBegin();
  EndBar();
  UpdateStatistics();
  DebugOverlay_AdvanceFrame();
  // Read before the overlay's own drawing adds to them.
  const int32_t textureChanges = g_Textures.changes - o.textureChangesAtStart;
  const int32_t drawCalls = g_Batch.drawCalls - o.drawCallsAtStart;
  DebugOverlay_HandleInput();
  const int32_t flags = Debug_OverlayFlags;
  if ((flags & (kDebugOverlayShow | kDebugOverlayTopBar | kDebugOverlayAudio | kDebugOverlayAudioSync)) != 0) {
    DebugOverlay_BeginDraw();
    if ((flags & kDebugOverlayShow) != 0) {
      DebugOverlay_DrawTimings();
      std::snprintf(o.summary, sizeof o.summary, "%dfps\t\t(%d)(%d)", o.stats.fps, textureChanges, drawCalls);
      DebugOverlay_DrawTextOutlined(0, 0, kBlack, kWhite, "%s", o.summary);
    }
    if ((flags & kDebugOverlayTopBar) != 0) DebugOverlay_DrawButtons();
    if ((flags & kDebugOverlayAudio) != 0 && o.audio.debug != nullptr) o.audio.debug();
    if ((flags & kDebugOverlayAudioSync) != 0 && o.audio.syncGroups != nullptr) o.audio.syncGroups();
    DebugOverlay_EndDraw();
  }
  o.frameBegun = false;
}

void DebugOverlay_ReportFPS() {
  const DebugOverlayStats& s = g_overlay.stats;
  Console_DebugOutput("---------------------------------------------------------------\n");
  Console_DebugOutput("minFPS, maxFPS, avgFPS\n");
  Console_DebugOutput("%d, %d, %d\n", s.minFps, s.maxFps, s.avgFps);
  Console_DebugOutput("---------------------------------------------------------------\n");
}

void Display_ReportFPS() { DebugOverlay_ReportFPS(); }

int32_t DebugOverlay_BarCount() { return g_overlay.barCount; }
const DebugOverlayBar* DebugOverlay_Bar(int32_t index) {
  return index >= 0 && index < g_overlay.barCount ? &g_overlay.bars[index] : nullptr;
}
int32_t DebugOverlay_OpenBarCount() { return g_overlay.openCount; }
const DebugOverlayStats& DebugOverlay_Stats() { return g_overlay.stats; }
const char* DebugOverlay_LastSummary() { return g_overlay.summary; }

void DebugOverlay_Reset() {
  OverlayState& o = g_overlay;
  o.barCount = 0;
  o.openCount = 0;
  o.frameBegun = false;
  o.stats = DebugOverlayStats{};
  o.gestureStep = 0;
  o.summary[0] = '\0';
}

// --- drawing ----------------------------------------------------------------------------------

void DebugOverlay_BeginDraw() {
  // Without a device nothing is drawn, and the batch stays open for whoever looks at it.
  if (g_D3D.device != nullptr) GraphicsFlush();
  SavedDrawState& s = g_saved;
  s.culling = CRenderStateManager::GetRenderState(kRS_CullMode);
  s.depthTest = CRenderStateManager::GetRenderState(kRS_DepthTest);
  s.lighting = CRenderStateManager::GetRenderState(kRS_Lighting);
  s.fog = CRenderStateManager::GetRenderState(kRS_Fog);
  GR_FrameState& f = g_GR_Frame;
  s.view = f.matrices[kMatrixView];
  s.projection = f.matrices[kMatrixProjection];
  s.world = f.matrices[kMatrixWorld];
  s.record = g_GR_View.projection;
  s.customProjection = g_GR_View.customProjection;

  const int32_t w = WindowWidth();
  const int32_t h = WindowHeight();
  const float fw = static_cast<float>(w);
  const float fh = static_cast<float>(h);
  Matrix44 view;
  Matrix_SetTranslation(&view, -static_cast<float>(w / 2) - (w != 0 ? 1.0f / fw : 0.0f),
                        -static_cast<float>(h / 2) + (h != 0 ? 1.0f / fh : 0.0f), 16000.0f);
  Matrix44 projection;
  Matrix_OrthoLH(&projection, fw, -fh, 1.0f, 32000.0f);
  GR_SetMatrix(kMatrixView, view);
  GR_SetMatrix(kMatrixProjection, projection);
  GR_SetMatrix(kMatrixWorld, Matrix_Identity());
  g_GR_View.projection = GR_ProjectionRecord{1.0f, 32000.0f, true};
  GR_UpdateFogRange();
  CRenderStateManager::SetRenderState(kRS_CullMode, 0);
  CRenderStateManager::SetRenderState(kRS_DepthTest, 0);
  CRenderStateManager::SetRenderState(kRS_Lighting, 0);
  CRenderStateManager::SetRenderState(kRS_Fog, 0);
  CRenderStateManager::SetRenderState(kRS_AlphaBlend, 1);
  Texture_Bind(0, FontTexture());
}

void DebugOverlay_EndDraw() {
  if (g_D3D.device != nullptr) GraphicsFlush();
  Texture_Bind(0, nullptr);
  const SavedDrawState& s = g_saved;
  CRenderStateManager::SetRenderState(kRS_CullMode, s.culling);
  CRenderStateManager::SetRenderState(kRS_DepthTest, s.depthTest);
  CRenderStateManager::SetRenderState(kRS_Lighting, s.lighting);
  CRenderStateManager::SetRenderState(kRS_Fog, s.fog);
  CRenderStateManager::SetRenderState(kRS_AlphaBlend, 1);
  // The saved matrices carry their correction already.
  GR_FrameState& f = g_GR_Frame;
  const bool halfPixel = f.halfPixel;
  f.halfPixel = false;
  GR_SetMatrix(kMatrixWorld, s.world);
  GR_SetMatrix(kMatrixProjection, s.projection);
  GR_SetMatrix(kMatrixView, s.view);
  f.halfPixel = halfPixel;
  g_GR_View.projection = s.record;
  g_GR_View.customProjection = s.customProjection;
  GR_UpdateFogRange();
  GR_InvalidateCullRect();
  ++g_DebugOverlayDraws;
}

void DebugOverlay_FillRect(float x, float y, float width, float height, uint32_t colour) {
  auto* v = static_cast<Vertex*>(GR_AllocVerts(D3DPT_TRIANGLESTRIP, nullptr, 24, 4));
  if (v == nullptr) return;
  v[0] = Vertex{x, y + height, 0, colour, 0, 0};
  v[1] = Vertex{x, y, 0, colour, 0, 0};
  v[2] = Vertex{x + width, y + height, 0, colour, 0, 0};
  v[3] = Vertex{x + width, y, 0, colour, 0, 0};
}

int32_t DebugOverlay_TextWidth(const char* text, int32_t count) {
  if (text == nullptr) return 0;
  int32_t width = 0;
  for (int32_t i = 0; i < count && text[i] != '\0'; ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    width += Glyph(c < kEmbeddedGlyphCount ? c : ' ')[2];
  }
  return width;
}

float DebugOverlay_DrawText(float x, float y, float xScale, float yScale, uint32_t colour, const char* text,
                            int32_t count) {
  if (text == nullptr || count <= 0) return 0;
  const auto length = static_cast<int32_t>(strnlen(text, static_cast<size_t>(count)));
  const float startX = std::trunc(x);
  const float top = std::trunc(y);
  float pen = startX;
  if (length == 0) return 0;
  Texture* font = FontTexture();
  auto* v = static_cast<Vertex*>(GR_AllocVerts(D3DPT_TRIANGLELIST, font, 24, length * 6));
  const uint32_t packed = SwapRedBlue(colour);
  int32_t drawn = 0;
  for (int32_t i = 0; i < length; ++i) {
    const auto c = static_cast<uint8_t>(text[i]);
    if (c == '\t') {
      pen = std::floor((pen + 63.0f) / 64.0f) * 64.0f;
      continue;
    }
    // Codes beyond the font's table advance as a space does.
    const uint8_t* g = Glyph(c < kEmbeddedGlyphCount ? c : ' ');
    const float advance = static_cast<float>(g[2]) * xScale;
    if (c == ' ' || c >= kEmbeddedGlyphCount) {
      pen += advance;
      continue;
    }
    if (v != nullptr) {
      const float u1 = static_cast<float>(g[0]) / 256.0f;
      const float v1 = static_cast<float>(g[1]) / 128.0f;
      const float u2 = static_cast<float>(g[0] + g[2]) / 256.0f;
      const float v2 = static_cast<float>(g[1] + g[3]) / 128.0f;
      Quad(v + drawn * 6, pen, top, pen + advance, top + static_cast<float>(g[3]) * yScale, 0.7f, packed, u1, v1, u2,
           v2);
      ++drawn;
    }
    pen += advance;
  }
  if (v != nullptr && drawn < length) GR_ReturnVerts((length - drawn) * 6);
  return pen - startX;
}

float DebugOverlay_Printf(float x, float y, uint32_t colour, const char* format, ...) {
  FORMAT_INTO(text, n, format);
  return DebugOverlay_DrawText(x, y, 1, 1, colour, text, n);
}

float DebugOverlay_PrintfCentred(float y, int32_t width, uint32_t colour, const char* format, ...) {
  FORMAT_INTO(text, n, format);
  const auto x = static_cast<float>((int64_t{width} + 1 - DebugOverlay_TextWidth(text, n)) / 2);
  return DebugOverlay_DrawText(x, y, 1, 1, colour, text, n);
}

float DebugOverlay_DrawTextOutlined(float x, float y, uint32_t outline, uint32_t colour, const char* format, ...) {
  FORMAT_INTO(text, n, format);
  static constexpr float kOffsets[4][2] = {{-1, -1}, {1, -1}, {-1, 1}, {1, 1}};
  for (const auto& d : kOffsets) DebugOverlay_DrawText(x + d[0], y + d[1], 1, 1, outline, text, n);
  return DebugOverlay_DrawText(x, y, 1, 1, colour, text, n) + 2;
}

void DebugOverlay_DrawTimings() {
  const OverlayState& o = g_overlay;
  if (g_Host.pausedByDebugger || o.barCount == 0) return;
  const float width = static_cast<float>(WindowWidth());
  auto* v = static_cast<Vertex*>(GR_AllocVerts(D3DPT_TRIANGLELIST, nullptr, 24, o.barCount * 6));
  if (v == nullptr) return;
  for (int32_t i = 0; i < o.barCount; ++i) {
    const DebugOverlayBar& b = o.bars[i];
    const float x1 = static_cast<float>(b.start - o.frameStart) / o.timeScale * width;
    const float x2 = static_cast<float>(b.end - o.frameStart) / o.timeScale * width;
    Quad(v + i * 6, x1, 10, x2, 20, 0.5f, SwapRedBlue(b.colour));
  }
}

void DebugOverlay_DrawButtons() {
  const int32_t w = WindowWidth();
  DebugOverlay_FillRect(0, 0, static_cast<float>(w), 100, 0xC0000000u);
  DebugOverlay_PrintfCentred(40, w, kWhite, "Wexa Works Runner v%d.%d(%d)[%s]%c", 1, 0, 999, "r32908", ' ');
  if (g_GameHeader.body != nullptr) {
    DebugOverlay_PrintfCentred(54, w, kWhite, "Game : %s v%d.%d", g_GameHeader.gameName.value_or("").c_str(),
                               g_GameOptions.versionMajor, g_GameOptions.versionMinor);
  }
  DebugOverlay_Printf(static_cast<float>(w - 80), 80, kWhite, "CLOSE");
  if ((Debug_OverlayFlags & kDebugOverlayPanel) != 0) {
    DebugOverlay_Printf(10, 10, kWhite, (Debug_OverlayFlags & kDebugOverlayShow) != 0 ? "FPS : ON" : "FPS : OFF");
    DebugOverlay_Printf(10, 30, kWhite, (Debug_OverlayFlags & kDebugOverlayAudio) != 0 ? "AUDIO : ON" : "AUDIO : OFF");
  }
}

void DebugOverlay_HandleInput() {
  if (!IO_ButtonReleased(kLeftButton, 0)) return;
  float x = 0;
  float y = 0;
  GamePoint(&x, &y);
  const float w = static_cast<float>(WindowWidth());
  const bool barWasOpen = (Debug_OverlayFlags & kDebugOverlayTopBar) != 0;
  if (barWasOpen) {
    if (x > w - 80 && x < w - 16 && y >= 81 && y <= 95) {
      Debug_OverlayFlags &= ~(kDebugOverlayTopBar | kDebugOverlayPanel);
    }
    if ((Debug_OverlayFlags & kDebugOverlayPanel) != 0) {
      if (x >= 11 && x <= 73 && y >= 11 && y <= 25) {
        Debug_OverlayFlags ^= kDebugOverlayShow;
      } else if (x > 10 && x < 74 && y > 30 && y < 46) {
        Debug_OverlayFlags ^= kDebugOverlayAudio;
      }
      return;
    }
  }
  GestureStep(x, y, barWasOpen);
}
