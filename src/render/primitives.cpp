#include "render/primitives.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "runtime/error_report.h"
#include "core/colour.h"
#include "render/frame.h"
#include "render/transform_3d.h"
#include "render/vertex_batch.h"

GR_DrawState g_GR_Draw;

namespace {

constexpr float kPi = 3.1415927f;

enum : int32_t { kPointList = 1, kLineList = 2, kLineStrip = 3, kTriangleList = 4, kTriangleStrip = 5, kTriangleFan = 6 };

struct V16 {
  float x, y, z;
  uint32_t colour;
};

struct V24 {
  float x, y, z;
  uint32_t colour;
  float u, v;
};

V16* Alloc16(int32_t kind, int32_t count) { return static_cast<V16*>(GR_AllocVerts(kind, nullptr, 16, count)); }
V24* Alloc24(int32_t kind, int32_t count) { return static_cast<V24*>(GR_AllocVerts(kind, nullptr, 24, count)); }

V16 Vertex16(float x, float y, uint32_t colour) { return {x, y, GR_GetDepth(), colour}; }
V24 Vertex24(float x, float y, uint32_t colour) { return {x, y, GR_GetDepth(), colour, 0.0f, 0.0f}; }

// A script colour with the draw alpha.
uint32_t WithAlpha(uint32_t colour) { return Colour_ToVertex(colour, g_GR_Draw.alpha); }

bool IsWhole(float value) { return value == std::floor(value); }

void OrderCorners(float* x1, float* y1, float* x2, float* y2) {
  if (*x1 > *x2) std::swap(*x1, *x2);
  if (*y1 > *y2) std::swap(*y1, *y2);
}

// The filled rectangle: only the right and bottom edges take the offset, so both corner pixels
// are covered.
void FilledRectangle(float x1, float y1, float x2, float y2, uint32_t colour) {
  const float ox = g_GR_Draw.offsetX, oy = g_GR_Draw.offsetY;
  V24* v = Alloc24(kTriangleList, 6);
  v[0] = Vertex24(x1, y1, colour);
  v[1] = Vertex24(x2 + ox, y1, colour);
  v[2] = Vertex24(x2 + ox, y2 + oy, colour);
  v[3] = Vertex24(x2 + ox, y2 + oy, colour);
  v[4] = Vertex24(x1, y2 + oy, colour);
  v[5] = Vertex24(x1, y1, colour);
}

void WideLine(float x1, float y1, float x2, float y2, float width, uint32_t c1, uint32_t c2) {
  const float dx = x2 - x1, dy = y2 - y1;
  const float length = std::sqrt(dx * dx + dy * dy);
  // A zero-length line has no direction to widen across: nothing is drawn.
  if (length == 0.0f) return;
  const float ox = g_GR_Draw.offsetX, oy = g_GR_Draw.offsetY;
  const float X1 = x1 + ox, Y1 = y1 + oy, X2 = x2 + ox, Y2 = y2 + oy;
  const float t = (Y2 - Y1) * (width / 2.0f) / length;
  const float u = (X2 - X1) * (width / 2.0f) / length;
  V16* v = Alloc16(kTriangleFan, 4);
  v[0] = Vertex16(X1 - t, Y1 + u, c1);
  v[1] = Vertex16(X2 - t, Y2 + u, c2);
  v[2] = Vertex16(X2 + t, Y2 - u, c2);
  v[3] = Vertex16(X1 + t, Y1 - u, c1);
}

void Triangle(float x1, float y1, float x2, float y2, float x3, float y3, uint32_t c1, uint32_t c2, uint32_t c3,
              bool outline) {
  V24* v = Alloc24(outline ? kLineStrip : kTriangleList, outline ? 4 : 3);
  v[0] = Vertex24(x1, y1, c1);
  v[1] = Vertex24(x2, y2, c2);
  v[2] = Vertex24(x3, y3, c3);
  if (outline) v[3] = Vertex24(x1, y1, c1);
}

void EllipseCore(float x1, float y1, float x2, float y2, uint32_t centre, uint32_t edge, bool outline) {
  const GR_DrawState& d = g_GR_Draw;
  const float X1 = x1 + d.offsetX, Y1 = y1 + d.offsetY, X2 = x2 + d.offsetX, Y2 = y2 + d.offsetY;
  const float cx = (X1 + X2) / 2.0f, cy = (Y1 + Y2) / 2.0f;
  const float rx = std::fabs(X1 - X2) / 2.0f, ry = std::fabs(Y1 - Y2) / 2.0f;
  const int32_t n = d.circlePrecision;
  auto point = [&](int32_t i) { return Vertex16(cx + d.cosTable[i] * rx, cy + d.sinTable[i] * ry, edge); };
  if (outline) {
    V16* v = Alloc16(kLineStrip, n + 1);
    for (int32_t i = 0; i <= n; ++i) v[i] = point(i);
    return;
  }
  V16* v = Alloc16(kTriangleList, 3 * n);
  for (int32_t i = 0; i < n; ++i) {
    v[3 * i] = Vertex16(cx, cy, centre);
    v[3 * i + 1] = point(i);
    v[3 * i + 2] = point(i + 1);
  }
}

void RoundRectCore(float x1, float y1, float x2, float y2, float w, float h, uint32_t centre, uint32_t edge,
                   bool outline) {
  const GR_DrawState& d = g_GR_Draw;
  const float X1 = x1 + d.offsetX, Y1 = y1 + d.offsetY, X2 = x2 + d.offsetX, Y2 = y2 + d.offsetY;
  const float W = std::fabs(X2 - X1), H = std::fabs(Y2 - Y1);
  w = std::min(w, W);
  h = std::min(h, H);
  const float cx = (X1 + X2) / 2.0f, cy = (Y1 + Y2) / 2.0f;
  const float hx = W / 2.0f - w / 2.0f, hy = H / 2.0f - h / 2.0f;
  const int32_t n = d.circlePrecision;
  const int32_t q = n / 4;
  V24* v = Alloc24(outline ? kLineStrip : kTriangleFan, n + 6);
  int32_t k = 0;
  v[k++] = Vertex24(cx, cy, centre);
  // Quarter arcs around the corner centres, both ends of each included.
  const float arcX[4] = {cx + hx, cx - hx, cx - hx, cx + hx};
  const float arcY[4] = {cy + hy, cy + hy, cy - hy, cy - hy};
  for (int32_t arc = 0; arc < 4; ++arc) {
    for (int32_t i = arc * q; i <= (arc + 1) * q; ++i) {
      v[k++] = Vertex24(arcX[arc] + d.cosTable[i] * w / 2.0f, arcY[arc] + d.sinTable[i] * h / 2.0f, edge);
    }
  }
  v[k] = v[1];
  // An outline starts and ends on the rim: the centre is not part of it.
  if (outline) v[0] = v[1];
}

void RoundRect(float x1, float y1, float x2, float y2, float w, float h, uint32_t centre, uint32_t edge, bool outline) {
  OrderCorners(&x1, &y1, &x2, &y2);
  if (IsWhole(x2)) x2 += 0.01f;
  if (IsWhole(y2)) y2 += 0.01f;
  RoundRectCore(x1, y1, x2, y2, w, h, centre, edge, outline);
}

struct PrimitiveList {
  V24 vertices[kPrimitiveListMax];
  int32_t count = 0;
  int32_t kind = 0;
  int32_t slot = -1;
  const TPageEntry* entry = nullptr;
  float pageWidth = 1.0f;
  float pageHeight = 1.0f;
};
PrimitiveList g_list;

void AddListVertex(float x, float y, uint32_t colour, float u, float v) {
  PrimitiveList& l = g_list;
  if (l.count > kPrimitiveListMax - 1) return;
  l.vertices[l.count++] = {x, y, GR_GetDepth(), colour, u, v};
}

// u and v of a page entry's image mapped onto its rectangle of the page.
void MapToEntry(float* u, float* v) {
  const PrimitiveList& l = g_list;
  if (l.entry == nullptr) return;
  *u = static_cast<float>(static_cast<double>(l.entry->targetWidth) * *u + l.entry->sourceX) / l.pageWidth;
  *v = static_cast<float>(static_cast<double>(l.entry->targetHeight) * *v + l.entry->sourceY) / l.pageHeight;
}

}  // namespace

void GR_SetColour(uint32_t colour) { g_GR_Draw.colour = WithAlpha(colour); }

void GR_SetAlpha(float alpha) {
  alpha = alpha > 1.0f ? 1.0f : (alpha >= 0.0f ? alpha : 0.0f);
  g_GR_Draw.alpha = static_cast<int32_t>(alpha * 255.0f);
  g_GR_Draw.colour = Colour_SetAlphaByte(g_GR_Draw.colour, g_GR_Draw.alpha);
}

uint32_t GR_GetColour() {
  const uint32_t c = g_GR_Draw.colour;
  return (c & 0xFF00FF00u) | ((c >> 16) & 0xFF) | ((c & 0xFF) << 16);
}

float GR_GetAlpha() { return static_cast<float>(g_GR_Draw.alpha) / 255.0f; }

uint32_t GR_MakeColour(int32_t red, int32_t green, int32_t blue) {
  return (static_cast<uint32_t>(blue & 0xFF) << 16) | (static_cast<uint32_t>(green & 0xFF) << 8) |
         static_cast<uint32_t>(red & 0xFF);
}

void GR_Clear(uint32_t colour) {
  GraphicsFlush();
  GR_D3D_Clear(colour, 1.0f, 0, kClearTarget | kClearDepth | kClearStencil);
}

void GR_ClearAlpha(uint32_t colour, float alpha) {
  GR_Clear(colour | (static_cast<uint32_t>(Colour_AlphaToByte(alpha)) << 24));
}

void GR_SetCirclePrecision(int32_t precision) {
  precision = std::clamp(precision, 4, kCirclePrecisionMax);
  GR_DrawState& d = g_GR_Draw;
  d.circlePrecision = precision - precision % 4;
  const int32_t n = d.circlePrecision;
  for (int32_t i = 0; i <= n; ++i) {
    const float theta = 2.0f * static_cast<float>(i) * kPi / static_cast<float>(n);
    d.cosTable[i] = std::cos(theta);
    d.sinTable[i] = std::sin(theta);
  }
}

void GR_InitCirclePrecision() { GR_SetCirclePrecision(24); }
int32_t GR_GetCirclePrecision() { return g_GR_Draw.circlePrecision; }

void GR_Draw_Point(float x, float y) {
  Alloc16(kPointList, 1)[0] = Vertex16(x + g_GR_Draw.offsetX, y + g_GR_Draw.offsetY, g_GR_Draw.colour);
}

void GR_Draw_PointColour(float x, float y, uint32_t colour) {
  Alloc16(kPointList, 1)[0] = Vertex16(x + g_GR_Draw.offsetX, y + g_GR_Draw.offsetY, WithAlpha(colour));
}

void GR_Draw_Line(float x1, float y1, float x2, float y2) {
  const uint32_t d = g_GR_Draw.colour;
  const float ox = g_GR_Draw.offsetX, oy = g_GR_Draw.offsetY;
  V16* v = Alloc16(kLineList, 2);
  v[0] = Vertex16(x1 + ox, y1 + oy, d);
  v[1] = Vertex16(x2 + ox, y2 + oy, d);
}

void GR_Draw_LineColour(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2) {
  const float ox = g_GR_Draw.offsetX, oy = g_GR_Draw.offsetY;
  V16* v = Alloc16(kLineList, 2);
  v[0] = Vertex16(x1 + ox, y1 + oy, WithAlpha(c1));
  v[1] = Vertex16(x2 + ox, y2 + oy, WithAlpha(c2));
}

void GR_Draw_LineWidth(float x1, float y1, float x2, float y2, float width) {
  WideLine(x1, y1, x2, y2, width, g_GR_Draw.colour, g_GR_Draw.colour);
}

void GR_Draw_LineWidthColour(float x1, float y1, float x2, float y2, float width, uint32_t c1, uint32_t c2) {
  WideLine(x1, y1, x2, y2, width, WithAlpha(c1), WithAlpha(c2));
}

void GR_Draw_Triangle(float x1, float y1, float x2, float y2, float x3, float y3, bool outline) {
  const uint32_t d = g_GR_Draw.colour;
  Triangle(x1, y1, x2, y2, x3, y3, d, d, d, outline);
}

void GR_Draw_TriangleColour(float x1, float y1, float x2, float y2, float x3, float y3, uint32_t c1, uint32_t c2,
                            uint32_t c3, bool outline) {
  Triangle(x1, y1, x2, y2, x3, y3, WithAlpha(c1), WithAlpha(c2), WithAlpha(c3), outline);
}

void GR_Draw_Rectangle(float x1, float y1, float x2, float y2, bool outline) {
  OrderCorners(&x1, &y1, &x2, &y2);
  const uint32_t d = g_GR_Draw.colour;
  if (!outline) {
    FilledRectangle(x1, y1, x2, y2, d);
    return;
  }
  const float ox = g_GR_Draw.offsetX, oy = g_GR_Draw.offsetY;
  const float xs[5] = {x1 + ox, x2 + ox, x2 + ox, x1 + ox, x1 + ox};
  const float ys[5] = {y1 + oy, y1 + oy, y2 + oy, y2 + oy, y1 + oy};
  V24* strip = Alloc24(kLineStrip, 5);
  for (int i = 0; i < 5; ++i) strip[i] = Vertex24(xs[i], ys[i], d);
  // A line leaves its last pixel unlit: points light the corners.
  V24* points = Alloc24(kPointList, 4);
  for (int i = 0; i < 4; ++i) points[i] = Vertex24(xs[i], ys[i], d);
}

void GR_Draw_RectangleColour(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2, uint32_t c3,
                             uint32_t c4, bool outline) {
  float xl = x1, yl = y1;
  float xh = x2 + g_GR_Draw.offsetX, yh = y2 + g_GR_Draw.offsetY;
  OrderCorners(&xl, &yl, &xh, &yh);
  if (IsWhole(xh)) xh += 0.01f;
  if (IsWhole(yh)) yh += 0.01f;
  V24* v = Alloc24(outline ? kLineStrip : kTriangleFan, 5);
  v[0] = Vertex24(xl, yl, WithAlpha(c1));
  v[1] = Vertex24(xh, yl, WithAlpha(c2));
  v[2] = Vertex24(xh, yh, WithAlpha(c3));
  v[3] = Vertex24(xl, yh, WithAlpha(c4));
  v[4] = Vertex24(xl, yl, WithAlpha(c1));
}

void GR_Draw_Circle(float x, float y, float r, bool outline) {
  EllipseCore(x - r, y - r, x + r, y + r, g_GR_Draw.colour, g_GR_Draw.colour, outline);
}

void GR_Draw_CircleColour(float x, float y, float r, uint32_t c1, uint32_t c2, bool outline) {
  EllipseCore(x - r, y - r, x + r, y + r, WithAlpha(c1), WithAlpha(c2), outline);
}

void GR_Draw_Ellipse(float x1, float y1, float x2, float y2, bool outline) {
  EllipseCore(x1, y1, x2, y2, g_GR_Draw.colour, g_GR_Draw.colour, outline);
}

void GR_Draw_EllipseColour(float x1, float y1, float x2, float y2, uint32_t c1, uint32_t c2, bool outline) {
  EllipseCore(x1, y1, x2, y2, WithAlpha(c1), WithAlpha(c2), outline);
}

void GR_Draw_RoundRect(float x1, float y1, float x2, float y2, float w, float h, bool outline) {
  RoundRect(x1, y1, x2, y2, w, h, g_GR_Draw.colour, g_GR_Draw.colour, outline);
}

void GR_Draw_RoundRectColour(float x1, float y1, float x2, float y2, float w, float h, uint32_t c1, uint32_t c2,
                             bool outline) {
  RoundRect(x1, y1, x2, y2, w, h, WithAlpha(c1), WithAlpha(c2), outline);
}

void GR_Draw_Arrow(float x1, float y1, float x2, float y2, float size) {
  const float dx = x2 - x1, dy = y2 - y1;
  const float length = std::sqrt(dx * dx + dy * dy);
  if (length == 0.0f) return;
  size = std::min(size, length);
  const uint32_t d = g_GR_Draw.colour;
  const float ox = g_GR_Draw.offsetX, oy = g_GR_Draw.offsetY;
  V16* shaft = Alloc16(kLineList, 2);
  shaft[0] = Vertex16(x1 + ox, y1 + oy, d);
  shaft[1] = Vertex16(x2 + ox, y2 + oy, d);
  const float lx = size * dx / length, ly = size * dy / length;
  V24* head = Alloc24(kTriangleList, 3);
  head[0] = Vertex24(x2 - lx - ly / 3.0f, y2 - ly + lx / 3.0f, d);
  head[1] = Vertex24(x2, y2, d);
  head[2] = Vertex24(x2 - lx + ly / 3.0f, y2 - ly - lx / 3.0f, d);
}

void GR_Draw_Button(float x1, float y1, float x2, float y2, bool up) {
  const uint32_t light = WithAlpha(0xFFFFFF), dark = WithAlpha(0x808080);
  V24* first = Alloc24(kTriangleList, 3);
  const uint32_t firstColour = up ? light : dark;
  first[0] = Vertex24(x1, y1, firstColour);
  first[1] = Vertex24(x2, y1, firstColour);
  first[2] = Vertex24(x1, y2, firstColour);
  V24* second = Alloc24(kTriangleList, 3);
  const uint32_t secondColour = up ? dark : light;
  second[0] = Vertex24(x1, y2, secondColour);
  second[1] = Vertex24(x2, y1, secondColour);
  second[2] = Vertex24(x2, y2, secondColour);
  float fx1 = x1 + 2, fy1 = y1 + 2, fx2 = x2 - 2, fy2 = y2 - 2;
  OrderCorners(&fx1, &fy1, &fx2, &fy2);
  FilledRectangle(fx1, fy1, fx2, fy2, g_GR_Draw.colour);
}

void GR_Draw_Healthbar(float x1, float y1, float x2, float y2, float amount, uint32_t back, uint32_t mincol,
                       uint32_t midcol, uint32_t maxcol, int32_t direction, bool showback, bool showborder) {
  if (showback) {
    GR_Draw_RectangleColour(x1, y1, x2, y2, back, back, back, back, false);
    if (showborder) GR_Draw_RectangleColour(x1, y1, x2, y2, 0, 0, 0, 0, true);
  }
  amount = std::clamp(amount, 0.0f, 100.0f);
  if (amount == 0.0f) return;
  const float r = amount / 100.0f;
  float bx1 = x1, by1 = y1, bx2 = x2, by2 = y2;
  switch (direction) {
    case 1: bx1 = x2 - (x2 - x1) * r; break;
    case 2: by2 = y1 + (y2 - y1) * r; break;
    case 3: by1 = y2 - (y2 - y1) * r; break;
    default: bx2 = x1 + (x2 - x1) * r; break;
  }
  const uint32_t colour =
      amount > 50.0f ? Colour_Lerp(midcol, maxcol, (amount - 50.0f) / 50.0f) : Colour_Lerp(mincol, midcol, amount / 50.0f);
  GR_Draw_RectangleColour(bx1, by1, bx2, by2, colour, colour, colour, colour, false);
  if (showborder) GR_Draw_RectangleColour(bx1, by1, bx2, by2, 0, 0, 0, 0, true);
}

void GR_Primitive_Begin(int32_t kind, int32_t texture) {
  PrimitiveList& l = g_list;
  l.count = 0;
  l.kind = kind;
  l.entry = nullptr;
  l.slot = -1;
  const TextureHandle handle = GR_Texture_Resolve(texture);
  if (handle.kind == TextureHandleKind::None) return;
  if (handle.kind == TextureHandleKind::Slot) {
    l.slot = handle.slot;
    return;
  }
  // A live entry whose page is a valid slot; forged and freed handles are refused, never followed.
  if (handle.kind == TextureHandleKind::Entry && GR_Texture_Exists(handle.slot)) {
    l.slot = handle.slot;
    l.entry = handle.entry;
    // A page whose image could not be made has no texture: the list then draws untextured.
    const Texture* page = GR_Texture_Get(handle.slot);
    l.pageWidth = page != nullptr ? static_cast<float>(page->Width()) : 1.0f;
    l.pageHeight = page != nullptr ? static_cast<float>(page->Height()) : 1.0f;
    return;
  }
  Error_Report(true, "Illegal texture supplied.");
}

void GR_Primitive_Vertex(float x, float y) { AddListVertex(x, y, g_GR_Draw.colour, 0.0f, 0.0f); }

void GR_Primitive_VertexColour(float x, float y, uint32_t colour, float alpha) {
  AddListVertex(x, y, Colour_ToVertex(colour, Colour_AlphaToByte(alpha)), 0.0f, 0.0f);
}

void GR_Primitive_VertexTexture(float x, float y, float u, float v) {
  MapToEntry(&u, &v);
  AddListVertex(x, y, g_GR_Draw.colour, u, v);
}

void GR_Primitive_VertexTextureColour(float x, float y, float u, float v, uint32_t colour, float alpha) {
  MapToEntry(&u, &v);
  AddListVertex(x, y, Colour_ToVertex(colour, Colour_AlphaToByte(alpha)), u, v);
}

void GR_Primitive_End() {
  const PrimitiveList& l = g_list;
  int32_t primitives = 0;
  switch (l.kind) {
    case kPointList: primitives = l.count; break;
    case kLineList: primitives = l.count / 2; break;
    case kLineStrip: primitives = l.count - 1; break;
    case kTriangleList: primitives = l.count / 3; break;
    case kTriangleStrip:
    case kTriangleFan: primitives = l.count - 2; break;
    default: return;
  }
  if (primitives < 1) return;
  void* to = GR_AllocVerts(l.kind, GR_Texture_Get(l.slot), 24, l.count);
  std::memcpy(to, l.vertices, sizeof(V24) * static_cast<size_t>(l.count));
}

int32_t GR_Primitive_Count() { return g_list.count; }
