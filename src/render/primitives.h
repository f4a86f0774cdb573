// The draw colour and alpha, and the routines that turn points, lines, triangles, rectangles,
// circles, ellipses, round rectangles, arrows, buttons, health bars and primitive lists into
// vertices of the batcher. What each emits (kind, vertex size, count, positions, colours) is what
// a game's pixels depend on.
#pragma once

#include <cstdint>

inline constexpr int32_t kCirclePrecisionMax = 64;
inline constexpr int32_t kPrimitiveListMax = 1001;

struct GR_DrawState {
  uint32_t colour = 0xFF000000u;  // vertex form: alpha, red, green, blue
  int32_t alpha = 255;
  // Added to most primitives so that they light the pixels the device's pixel centres light.
  float offsetX = 1.0f;
  float offsetY = 1.0f;
  int32_t circlePrecision = 0;
  float cosTable[kCirclePrecisionMax + 1] = {};
  float sinTable[kCirclePrecisionMax + 1] = {};
};
extern GR_DrawState g_GR_Draw;

void GR_SetColour(uint32_t colour);
// Held to 0..1; the byte is alpha x 255 truncated.
void GR_SetAlpha(float alpha);
// The script colour in bits 0-23, the alpha byte on top.
uint32_t GR_GetColour();
float GR_GetAlpha();
uint32_t GR_MakeColour(int32_t red, int32_t green, int32_t blue);
// Clears target, depth and stencil; the colour is a script colour with alpha on top.
void GR_Clear(uint32_t colour);
void GR_ClearAlpha(uint32_t colour, float alpha);

// Held to 4..64, rounded down to a multiple of 4.
void GR_SetCirclePrecision(int32_t precision);
void GR_InitCirclePrecision();
int32_t GR_GetCirclePrecision();

void GR_Draw_Point(float x, float y);
void GR_Draw_PointColour(float x, float y, uint32_t colour);
void GR_Draw_Line(float x1, float y1, float x2, float y2);
void GR_Draw_LineColour(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2);
void GR_Draw_LineWidth(float x1, float y1, float x2, float y2, float width);
void GR_Draw_LineWidthColour(float x1, float y1, float x2, float y2, float width, uint32_t c1, uint32_t c2);
void GR_Draw_Triangle(float x1, float y1, float x2, float y2, float x3, float y3, bool outline);
void GR_Draw_TriangleColour(float x1, float y1, float x2, float y2, float x3, float y3, uint32_t c1, uint32_t c2,
                            uint32_t c3, bool outline);
void GR_Draw_Rectangle(float x1, float y1, float x2, float y2, bool outline);
void GR_Draw_RectangleColour(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2, uint32_t c3,
                             uint32_t c4, bool outline);
void GR_Draw_Circle(float x, float y, float r, bool outline);
void GR_Draw_CircleColour(float x, float y, float r, uint32_t c1, uint32_t c2, bool outline);
void GR_Draw_Ellipse(float x1, float y1, float x2, float y2, bool outline);
void GR_Draw_EllipseColour(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2, bool outline);
void GR_Draw_RoundRect(float x1, float y1, float x2, float y2, float w, float h, bool outline);
void GR_Draw_RoundRectColour(float x1, float y1, float x2, float y2, float w, float h, uint32_t c1, uint32_t c2,
                             bool outline);
void GR_Draw_Arrow(float x1, float y1, float x2, float y2, float size);
void GR_Draw_Button(float x1, float y1, float x2, float y2, bool up);
void GR_Draw_Healthbar(float x1, float y1, float x2, float y2, float amount, uint32_t back, uint32_t mincol,
                       uint32_t midcol, uint32_t maxcol, int32_t direction, bool showback, bool showborder);

// texture: -1 none, a texture slot, or a page-entry handle (above 16384).
void GR_Primitive_Begin(int32_t kind, int32_t texture);
void GR_Primitive_Vertex(float x, float y);
void GR_Primitive_VertexColour(float x, float y, uint32_t colour, float alpha);
void GR_Primitive_VertexTexture(float x, float y, float u, float v);
void GR_Primitive_VertexTextureColour(float x, float y, float u, float v, uint32_t colour, float alpha);
void GR_Primitive_End();
// The vertices held since the last begin (for tests and the debug overlay).
int32_t GR_Primitive_Count();
