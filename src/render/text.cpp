#include "render/text.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "assets/font.h"
#include "core/common.h"
#include "core/utf8.h"
#include "render/primitives.h"
#include "render/frame_services.h"
#include "render/overlay_draw.h"

namespace {

constexpr int32_t kNoWrap = 10000000;
constexpr uint16_t kCR = 13;
constexpr uint16_t kLF = 10;
constexpr uint16_t kSpace = 32;

struct TextState {
  int32_t font = -1;
  int32_t hAlign = 0;
  int32_t vAlign = 0;
  CFontTL* inUse = nullptr;
};
TextState g_text;

// The pen offset of a line from the anchor for the horizontal alignment.
int32_t AlignOffset(CFontTL* font, const uint16_t* line) {
  switch (g_text.hAlign) {
    case 1: return -(font->TextWidth(line) / 2);
    case 2: return -font->TextWidth(line);
    default: return 0;
  }
}

float AlignOffsetScaled(CFontTL* font, const uint16_t* line, float xScale) {
  switch (g_text.hAlign) {
    case 1: return -(static_cast<float>(font->TextWidth(line)) * xScale / 2);
    case 2: return -(static_cast<float>(font->TextWidth(line)) * xScale);
    default: return 0;
  }
}

// Lays the text out with the font in use; the separation below 0 becomes the line height.
CFontTL* Prepare(const char* text, int32_t wrapWidth, int32_t* separation, TStringList* list) {
  CFontTL* font = Text_FontInUse();
  Text_Layout(text, wrapWidth, list);
  if (*separation < 0) *separation = font->MaxHeight();
  return font;
}

// The straight and the turned draws share their line walk; the colour variants draw each line
// with the four corner colours.
template <typename DrawLine>
void DrawLines(float x, float y, const char* text, int32_t separation, int32_t wrapWidth, DrawLine draw) {
  TStringList list;
  CFontTL* font = Prepare(text, wrapWidth, &separation, &list);
  const int32_t count = list.Count();
  if (g_text.vAlign == 1) y -= static_cast<float>((count * separation) / 2);
  if (g_text.vAlign == 2) y -= static_cast<float>(count * separation);
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t* line = list.Line(i);
    if (line[0] != 0) draw(font, x + static_cast<float>(AlignOffset(font, line)), y, line);
    y += static_cast<float>(separation);
  }
}

template <typename DrawLine>
void DrawLinesTransformed(float x, float y, const char* text, int32_t separation, int32_t wrapWidth, float xScale,
                          float yScale, float angle, DrawLine draw) {
  TStringList list;
  CFontTL* font = Prepare(text, wrapWidth, &separation, &list);
  const int32_t count = list.Count();
  const float r = angle * 3.1415927f / 180.0f;
  const float s = std::sin(r);
  const float c = std::cos(r);
  const float dx = s * yScale * static_cast<float>(separation);
  const float dy = c * yScale * static_cast<float>(separation);
  if (g_text.vAlign == 1) {
    x -= static_cast<float>(count) * dx / 2;
    y -= static_cast<float>(count) * dy / 2;
  } else if (g_text.vAlign == 2) {
    x -= static_cast<float>(count) * dx;
    y -= static_cast<float>(count) * dy;
  }
  for (int32_t i = 0; i < count; ++i) {
    const uint16_t* line = list.Line(i);
    if (line[0] != 0) {
      const float b = AlignOffsetScaled(font, line, xScale);
      draw(font, x + b * c, y - b * s, line);
    }
    x += dx;
    y += dy;
  }
}

}  // namespace

void TStringList::Clear() {
  m_buffer.clear();
  m_lines.clear();
}

void Text_Layout(const char* text, int32_t wrapWidth, TStringList* list) {
  if (text == nullptr) return;
  if (wrapWidth < 0) wrapWidth = kNoWrap;
  list->Clear();
  // On a copy: the text may be a script's shared string.
  std::string copy(text);
  Text_HashToNewline(copy.data());
  std::vector<uint16_t>& buf = list->m_buffer;
  for (const char* p = copy.c_str(); *p != '\0';) buf.push_back(UTF8_Decode(&p));
  size_t len = buf.size();
  buf.push_back(0);
  auto addLine = [&](size_t start, size_t end) {
    buf[end] = 0;
    list->m_lines.push_back(start);
  };

  size_t start = 0;
  if (wrapWidth == kNoWrap) {
    while (start < len) {
      size_t end = start;
      while (end < len && buf[end] != kCR && buf[end] != kLF) ++end;
      size_t next = end;
      if (end < len) {
        const uint16_t brk = buf[end];
        next = end + 1;
        if (next < len && (buf[next] == kCR || buf[next] == kLF) && buf[next] != brk) ++next;
      }
      addLine(start, end);
      start = next;
    }
    return;
  }

  CFontTL* font = Text_FontInUse();
  while (start < len) {
    size_t measured = start;
    while (measured < len && buf[measured] == kSpace) ++measured;
    int64_t total = 0;
    size_t cut = measured;
    while (cut < len && buf[cut] != kCR && total < wrapWidth) total += font->CharShift(buf[cut++]);
    if (total > wrapWidth) --cut;
    if (cut < len && buf[cut] == kCR) {
      addLine(start, cut);
      start = cut + 1;
      continue;
    }
    if (cut == measured) break;
    if (cut < len && buf[cut] != kSpace) {
      size_t space = cut;
      while (space > start + 1 && buf[space - 1] != kSpace) --space;
      if (space > start + 1) {
        cut = space - 1;
      } else {
        // A word wider than the wrap width: it is broken where it stops fitting.
        buf.insert(buf.begin() + static_cast<std::ptrdiff_t>(cut), kSpace);
        ++len;
      }
    }
    size_t end = cut;
    while (end > start && buf[end - 1] == kSpace) --end;
    if (end > start) addLine(start, end);
    start = cut + 1;
  }
}

void Text_SetFont(int32_t index) {
  if (Font_Exists(index)) {
    g_text.font = index;
  } else {
    Font_EnsureDefault();
    g_text.font = -1;
  }
}

int32_t Text_GetFont() { return g_text.font; }
void Text_SetHAlign(int32_t value) { g_text.hAlign = value >= 0 && value <= 2 ? value : 0; }
void Text_SetVAlign(int32_t value) { g_text.vAlign = value >= 0 && value <= 2 ? value : 0; }
int32_t Text_GetHAlign() { return g_text.hAlign; }
int32_t Text_GetVAlign() { return g_text.vAlign; }

CFontTL* Text_FontInUse() {
  CFontTL* font = Font_Data(g_text.font);
  g_text.inUse = font != nullptr ? font : Font_EnsureDefault();
  return g_text.inUse;
}

int32_t Text_GetWidth(const char* text, int32_t, int32_t wrapWidth) {
  TStringList list;
  CFontTL* font = Text_FontInUse();
  Text_Layout(text, wrapWidth, &list);
  int32_t widest = 0;
  for (int32_t i = 0; i < list.Count(); ++i) widest = std::max(widest, font->TextWidth(list.Line(i)));
  return widest;
}

int32_t Text_GetHeight(const char* text, int32_t separation, int32_t wrapWidth) {
  TStringList list;
  CFontTL* font = Text_FontInUse();
  Text_Layout(text, wrapWidth, &list);
  if (list.Count() == 0) return 0;
  const int32_t lineHeight = font->MaxHeight();
  if (separation < 0) separation = lineHeight;
  return lineHeight + separation * (list.Count() - 1);
}

void Text_Draw(float x, float y, const char* text, int32_t separation, int32_t wrapWidth) {
  DebugOverlay_BeginTiming("Text", 0xFFFF00);
  const uint32_t colour = GR_GetColour();
  const float alpha = GR_GetAlpha();
  DrawLines(x, y, text, separation, wrapWidth, [&](CFontTL* font, float lx, float ly, const uint16_t* line) {
    font->Draw(lx, ly, line, colour, alpha);
  });
  DebugOverlay_EndTiming();
}

void Text_DrawColour(float x, float y, const char* text, int32_t separation, int32_t wrapWidth, uint32_t c1,
                     uint32_t c2, uint32_t c3, uint32_t c4, float alpha) {
  DrawLines(x, y, text, separation, wrapWidth, [&](CFontTL* font, float lx, float ly, const uint16_t* line) {
    font->DrawColour(lx, ly, line, c1, c2, c3, c4, alpha);
  });
}

void Text_DrawTransformed(float x, float y, const char* text, int32_t separation, int32_t wrapWidth, float xScale,
                          float yScale, float angle) {
  DebugOverlay_BeginTiming("Text", 0xFFFF00);
  const uint32_t colour = GR_GetColour();
  const float alpha = GR_GetAlpha();
  DrawLinesTransformed(x, y, text, separation, wrapWidth, xScale, yScale, angle,
                       [&](CFontTL* font, float lx, float ly, const uint16_t* line) {
                         font->DrawTransformed(lx, ly, line, xScale, yScale, angle, colour, alpha);
                       });
  DebugOverlay_EndTiming();
}

void Text_DrawTransformedColour(float x, float y, const char* text, int32_t separation, int32_t wrapWidth,
                                float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3,
                                uint32_t c4, float alpha) {
  DrawLinesTransformed(x, y, text, separation, wrapWidth, xScale, yScale, angle,
                       [&](CFontTL* font, float lx, float ly, const uint16_t* line) {
                         font->DrawTransformedColour(lx, ly, line, xScale, yScale, angle, c1, c2, c3, c4, alpha);
                       });
}

void Text_ResetState() {
  g_text.font = -1;
  g_text.hAlign = 0;
  g_text.vAlign = 0;
  g_text.inUse = nullptr;
  GR_SetColour(0xFF000000u);
  GR_SetAlpha(1.0f);
}

void Text_Shutdown() {
  DebugOverlay_ForgetFontSlot();
  Font_DeleteDefault();
  Text_ResetState();
}
