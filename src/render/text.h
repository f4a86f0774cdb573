// Text: the current font and alignment, the layout that cuts a text into lines at its line
// breaks and, when asked, at a wrap width, and the drawing and measuring of laid-out lines with
// the font routines. The back end of draw_text and its relatives, string_width and string_height.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CFontTL;

// The laid-out lines of one text. The buffer holds the whole text as 16-bit characters, each line
// closed by a 0 written into it; a line is kept as the offset of its first character, so lines
// stay valid when the buffer grows.
class TStringList {
 public:
  TStringList() = default;
  ~TStringList() { Clear(); }
  TStringList(const TStringList&) = delete;
  TStringList& operator=(const TStringList&) = delete;

  void Clear();
  int32_t Count() const { return static_cast<int32_t>(m_lines.size()); }
  const uint16_t* Line(int32_t i) const { return m_buffer.data() + m_lines[static_cast<size_t>(i)]; }

 private:
  friend void Text_Layout(const char* text, int32_t wrapWidth, TStringList* list);
  std::vector<uint16_t> m_buffer;
  std::vector<size_t> m_lines;
};

// A wrap width below 0 (or 10000000) does not wrap. Measures with the font in use; the text
// itself is left as it is.
void Text_Layout(const char* text, int32_t wrapWidth, TStringList* list);

void Text_SetFont(int32_t index);
int32_t Text_GetFont();
void Text_SetHAlign(int32_t value);
void Text_SetVAlign(int32_t value);
int32_t Text_GetHAlign();
int32_t Text_GetVAlign();
// The font that measuring and drawing use: the current index's, else the built-in font.
CFontTL* Text_FontInUse();

int32_t Text_GetWidth(const char* text, int32_t separation, int32_t wrapWidth);
int32_t Text_GetHeight(const char* text, int32_t separation, int32_t wrapWidth);
void Text_Draw(float x, float y, const char* text, int32_t separation, int32_t wrapWidth);
void Text_DrawTransformed(float x, float y, const char* text, int32_t separation, int32_t wrapWidth, float xScale,
                          float yScale, float angle);
void Text_DrawColour(float x, float y, const char* text, int32_t separation, int32_t wrapWidth, uint32_t c1,
                     uint32_t c2, uint32_t c3, uint32_t c4, float alpha);
void Text_DrawTransformedColour(float x, float y, const char* text, int32_t separation, int32_t wrapWidth,
                                float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3,
                                uint32_t c4, float alpha);

void Text_ResetState();
void Text_Shutdown();
