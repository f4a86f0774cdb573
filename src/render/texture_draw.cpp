// The textured-quad emitters of texture slots and page entries.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "assets/texture_pages.h"
#include "render/primitives.h"
#include "render/render_setters.h"
#include "render/transform_3d.h"
#include "render/vertex_batch.h"

bool g_CornerIds = false;

namespace {

struct QuadVertex {
  float x, y, z;
  uint32_t colour;
  float u, v;
};
static_assert(sizeof(QuadVertex) == 24);

// A quad's corners before they are put in a vertex order: 0 TL, 1 TR, 2 BR, 3 BL.
struct Corner {
  float x, y, u, v;
  uint32_t colour;
};

constexpr int kOrderA[6] = {0, 1, 2, 2, 3, 0};
constexpr int kOrderB[6] = {0, 1, 3, 1, 2, 3};
constexpr int kOrderT[6] = {3, 0, 1, 1, 2, 3};
// The corner id of each place in a six-vertex group.
constexpr uint32_t kPlaceId[6] = {0, 1, 2, 2, 3, 0};

constexpr float kExtThreshold = 0.001f;
constexpr float kGeneralThreshold = 0.01f;

uint32_t WithId(uint32_t colour, uint32_t id) { return (colour & ~0x00010001u) | (id & 1u) | (((id >> 1) & 1u) << 16); }

void Write(void* at, const Corner* corners, const int* order, bool ids) {
  auto* out = static_cast<QuadVertex*>(at);
  const float z = GR_GetDepth();
  const bool mark = ids && g_CornerIds;
  for (int i = 0; i < 6; ++i) {
    const Corner& c = corners[order[i]];
    out[i] = QuadVertex{c.x, c.y, z, mark ? WithId(c.colour, kPlaceId[i]) : c.colour, c.u, c.v};
  }
}

bool Emit(Texture* texture, const Corner* corners, const int* order, bool ids) {
  void* at = GR_AllocVerts(D3DPT_TRIANGLELIST, texture, 24, 6);
  if (at == nullptr) return false;
  Write(at, corners, order, ids);
  return true;
}

uint32_t AlphaByteTruncated(float alpha) {
  const float scaled = alpha * 255.0f;
  if (!(scaled > 0.0f)) return 0;
  if (scaled > 255.0f) return 255;
  return static_cast<uint32_t>(scaled);
}

uint32_t AlphaByteRounded(float alpha) {
  const float scaled = std::nearbyint(alpha * 255.0f);
  if (!(scaled > 0.0f)) return 0;
  if (scaled > 255.0f) return 255;
  return static_cast<uint32_t>(scaled);
}

uint32_t Pack(uint32_t colour, uint32_t alphaByte) {
  return (alphaByte << 24) | ((colour & 0xFFu) << 16) | (colour & 0xFF00u) | ((colour >> 16) & 0xFFu);
}

// Lays out a quad of offsets (left, top)-(right, bottom) from the anchor, turned by the angle
// when it is not below the threshold.
void Layout(Corner* corners, float x, float y, float left, float top, float right, float bottom, float angle,
            float threshold) {
  const float dx[4] = {left, right, right, left};
  const float dy[4] = {top, top, bottom, bottom};
  if (std::fabs(angle) < threshold) {
    for (int i = 0; i < 4; ++i) {
      corners[i].x = x + dx[i];
      corners[i].y = y + dy[i];
    }
    return;
  }
  const float s = std::sin(angle);
  const float c = std::cos(angle);
  for (int i = 0; i < 4; ++i) {
    corners[i].x = x + dx[i] * c + dy[i] * s;
    corners[i].y = y - dx[i] * s + dy[i] * c;
  }
}

void SetUV(Corner* corners, float uL, float vT, float uR, float vB) {
  corners[0].u = uL, corners[0].v = vT;
  corners[1].u = uR, corners[1].v = vT;
  corners[2].u = uR, corners[2].v = vB;
  corners[3].u = uL, corners[3].v = vB;
}

void SetColour(Corner* corners, uint32_t colour) {
  for (int i = 0; i < 4; ++i) corners[i].colour = colour;
}

// The page entry's rectangle in texture coordinates.
void EntryUV(const TPageEntry* e, const TextureSlot* s, float* uL, float* vT, float* uR, float* vB) {
  *uL = static_cast<float>(e->sourceX) * s->texelWidth;
  *vT = static_cast<float>(e->sourceY) * s->texelHeight;
  *uR = static_cast<float>(e->sourceX + e->sourceWidth) * s->texelWidth;
  *vB = static_cast<float>(e->sourceY + e->sourceHeight) * s->texelHeight;
}

const TextureSlot* PageOf(const TPageEntry* entry) {
  return entry != nullptr ? GR_Texture_Slot(entry->page) : nullptr;
}

// A target size of 0 becomes 1 for good before the entry is drawn.
void FixTargetSize(TPageEntry* e) {
  if (e->targetWidth == 0) e->targetWidth = 1;
  if (e->targetHeight == 0) e->targetHeight = 1;
}

// The part of a page entry inside a rectangle of the whole image (steps shared by the part and
// general emitters): moves the anchor, clips the size and gives the offsets into the rectangle.
struct Clip {
  float x, y, width, height, uOffset, vOffset;
};
Clip ClipToTrim(const TPageEntry* e, float left, float top, float width, float height, float x, float y, float xScale,
                float yScale, float angle) {
  Clip c{x, y, width, height, 0, 0};
  const float tx = e->targetX;
  const float ty = e->targetY;
  if (tx > left) {
    const float d = tx - left;
    c.width -= d;
    c.x += std::trunc(d * std::cos(angle) * xScale);
    c.y -= std::trunc(d * std::sin(angle) * yScale);
  } else {
    c.uOffset = left - tx;
  }
  if (ty > top) {
    const float d = ty - top;
    c.height -= d;
    c.x += std::trunc(d * std::sin(angle) * xScale);
    c.y += std::trunc(d * std::cos(angle) * yScale);
  } else {
    c.vOffset = top - ty;
  }
  c.width = std::min(c.width, static_cast<float>(e->targetWidth));
  c.height = std::min(c.height, static_cast<float>(e->targetHeight));
  return c;
}

}  // namespace

uint32_t GR_ColourToARGB(uint32_t colour, float alpha) { return Pack(colour, AlphaByteTruncated(alpha)); }

uint32_t GR_MarkCorner(uint32_t colour, uint32_t id) { return g_CornerIds ? WithId(colour, id) : colour; }

bool GR_Texture_EmitQuad(Texture* texture, float x0, float y0, float x1, float y1, float x2, float y2, float x3,
                         float y3, float uL, float vT, float uR, float vB, uint32_t c0, uint32_t c1, uint32_t c2,
                         uint32_t c3) {
  Corner corners[4] = {{x0, y0, uL, vT, c0}, {x1, y1, uR, vT, c1}, {x2, y2, uR, vB, c2}, {x3, y3, uL, vB, c3}};
  return Emit(texture, corners, kOrderA, false);
}

bool GR_Texture_Draw(int32_t slot, float x, float y) {
  const TextureSlot* s = GR_Texture_Slot(slot);
  if (s == nullptr) return false;
  Corner corners[4];
  Layout(corners, x, y, 0, 0, s->width, s->height, 0, 1);
  SetUV(corners, 0, 0, s->width * s->texelWidth, s->height * s->texelHeight);
  SetColour(corners, 0x00FFFFFFu | (AlphaByteTruncated(GR_GetAlpha()) << 24));
  return Emit(s->texture, corners, kOrderA, true);
}

bool GR_TPE_Draw(TPageEntry* entry, float x, float y) {
  const TextureSlot* s = PageOf(entry);
  if (s == nullptr) return false;
  FixTargetSize(entry);
  const float left = x + entry->targetX;
  const float top = y + entry->targetY;
  Corner corners[4];
  Layout(corners, left, top, 0, 0, entry->targetWidth, entry->targetHeight, 0, 1);
  float uL, vT, uR, vB;
  EntryUV(entry, s, &uL, &vT, &uR, &vB);
  SetUV(corners, uL, vT, uR, vB);
  SetColour(corners, GR_ColourToARGB(0xFFFFFF, GR_GetAlpha()));
  return Emit(s->texture, corners, kOrderA, true);
}

bool GR_TPE_DrawPos(TPageEntry* entry, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                    uint32_t colour, float alpha) {
  const TextureSlot* s = PageOf(entry);
  if (s == nullptr) return false;
  float uL, vT, uR, vB;
  EntryUV(entry, s, &uL, &vT, &uR, &vB);
  const uint32_t c = GR_ColourToARGB(colour, alpha);
  Corner corners[4] = {{x1, y1, uL, vT, c}, {x2, y2, uR, vT, c}, {x3, y3, uR, vB, c}, {x4, y4, uL, vB, c}};
  return Emit(s->texture, corners, kOrderA, true);
}

bool GR_Texture_DrawExt(int32_t slot, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                        float angle, uint32_t colour, float alpha) {
  TextureSlot* s = GR_Texture_Slot(slot);
  if (s == nullptr) return false;
  if (s->width == 0 || s->height == 0) {
    s->width = 8;
    s->height = 8;
    s->texelWidth = 0.125f;
    s->texelHeight = 0.125f;
  }
  const float left = -xOrigin * xScale;
  const float top = -yOrigin * yScale;
  Corner corners[4];
  Layout(corners, x, y, left, top, left + s->width * xScale, top + s->height * yScale, angle, kExtThreshold);
  SetUV(corners, 0, 0, s->width * s->texelWidth, s->height * s->texelHeight);
  SetColour(corners, GR_ColourToARGB(colour, alpha));
  return Emit(s->texture, corners, kOrderA, false);
}

bool GR_TPE_DrawExt(TPageEntry* entry, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                    float angle, uint32_t colour, float alpha) {
  const TextureSlot* s = PageOf(entry);
  if (s == nullptr) return false;
  FixTargetSize(entry);
  const float left = (entry->targetX - xOrigin) * xScale;
  const float top = (entry->targetY - yOrigin) * yScale;
  Corner corners[4];
  Layout(corners, x, y, left, top, left + entry->targetWidth * xScale, top + entry->targetHeight * yScale, angle,
         kExtThreshold);
  float uL, vT, uR, vB;
  EntryUV(entry, s, &uL, &vT, &uR, &vB);
  SetUV(corners, uL, vT, uR, vB);
  SetColour(corners, GR_ColourToARGB(colour, alpha));
  return Emit(s->texture, corners, kOrderA, true);
}

bool GR_Texture_DrawPart(int32_t slot, float left, float top, float width, float height, float x, float y,
                         float xScale, float yScale, float angle, uint32_t colour, float alpha) {
  const TextureSlot* s = GR_Texture_Slot(slot);
  if (s == nullptr) return false;
  Corner corners[4];
  Layout(corners, x, y, 0, 0, width * xScale, height * yScale, angle, kExtThreshold);
  SetUV(corners, left * s->texelWidth, top * s->texelHeight, (left + width) * s->texelWidth,
        (top + height) * s->texelHeight);
  SetColour(corners, GR_ColourToARGB(colour, alpha));
  return Emit(s->texture, corners, kOrderA, false);
}

bool GR_TPE_DrawPart(TPageEntry* entry, float left, float top, float width, float height, float x, float y,
                     float xScale, float yScale, float angle, uint32_t colour, float alpha) {
  const TextureSlot* s = PageOf(entry);
  if (s == nullptr) return false;
  const Clip c = ClipToTrim(entry, left, top, width, height, x, y, xScale, yScale, angle);
  Corner corners[4];
  Layout(corners, c.x, c.y, 0, 0, c.width * xScale, c.height * yScale, angle, kExtThreshold);
  const float rx = entry->targetWidth != 0 ? static_cast<float>(entry->sourceWidth) / entry->targetWidth : 1.0f;
  const float ry = entry->targetHeight != 0 ? static_cast<float>(entry->sourceHeight) / entry->targetHeight : 1.0f;
  const float u0 = entry->sourceX + rx * c.uOffset;
  const float v0 = entry->sourceY + ry * c.vOffset;
  SetUV(corners, u0 * s->texelWidth, v0 * s->texelHeight, (u0 + rx * c.width) * s->texelWidth,
        (v0 + ry * c.height) * s->texelHeight);
  SetColour(corners, GR_ColourToARGB(colour, alpha));
  return Emit(s->texture, corners, kOrderB, true);
}

bool GR_Texture_DrawGeneral(int32_t slot, float left, float top, float width, float height, float x, float y,
                            float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3,
                            uint32_t c4, float alpha) {
  const TextureSlot* s = GR_Texture_Slot(slot);
  if (s == nullptr) return false;
  Corner corners[4];
  Layout(corners, x, y, 0, 0, width * xScale, height * yScale, angle, kGeneralThreshold);
  SetUV(corners, left * s->texelWidth, top * s->texelHeight, (left + width) * s->texelWidth,
        (top + height) * s->texelHeight);
  const uint32_t a = AlphaByteTruncated(alpha);
  corners[0].colour = Pack(c1, a);
  corners[1].colour = Pack(c2, a);
  corners[2].colour = Pack(c3, a);
  corners[3].colour = Pack(c4, a);
  return Emit(s->texture, corners, kOrderA, false);
}

bool GR_TPE_DrawGeneral(TPageEntry* entry, float left, float top, float width, float height, float x, float y,
                        float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                        float alpha) {
  const TextureSlot* s = PageOf(entry);
  if (s == nullptr) return false;
  const Clip c = ClipToTrim(entry, left, top, width, height, x, y, xScale, yScale, angle);
  Corner corners[4];
  Layout(corners, c.x, c.y, 0, 0, c.width * xScale, c.height * yScale, angle, kGeneralThreshold);
  const float u0 = entry->sourceX + c.uOffset;
  const float v0 = entry->sourceY + c.vOffset;
  const uint32_t a = AlphaByteRounded(alpha);
  uint32_t colours[4] = {Pack(c1, a), Pack(c2, a), Pack(c3, a), Pack(c4, a)};
  for (uint32_t i = 0; i < 4; ++i) colours[i] = GR_MarkCorner(colours[i], i);
  return GR_Texture_EmitQuad(s->texture, corners[0].x, corners[0].y, corners[1].x, corners[1].y, corners[2].x,
                             corners[2].y, corners[3].x, corners[3].y, u0 * s->texelWidth, v0 * s->texelHeight,
                             (u0 + c.width) * s->texelWidth, (v0 + c.height) * s->texelHeight, colours[0], colours[1],
                             colours[2], colours[3]);
}

namespace {

// Larger than any view: a tile this size covers the view by itself.
constexpr float kLargestTile = 1.0e9f;

// The first tile position along one axis: on the tiling grid through the rounded position,
// at or before the view's start.
int64_t FirstTile(float position, int64_t step, float viewStart, bool tiled) {
  int64_t t = static_cast<int64_t>(std::nearbyint(position));
  if (!tiled) return t;
  t %= step;
  if (t > 0) t -= step;
  while (viewStart > static_cast<float>(t + step)) t += step;
  return t;
}

}  // namespace

bool GR_Texture_DrawTiled(int32_t slot, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                          bool hTiled, bool vTiled, float viewX, float viewY, float viewWidth, float viewHeight,
                          uint32_t colour, float alpha) {
  const TextureSlot* s = GR_Texture_Slot(slot);
  if (s == nullptr) return false;
  const float stepX = s->width * xScale;
  const float stepY = s->height * yScale;
  // Tiles below a pixel (and scales that are not numbers) have no whole step to tile by; beyond
  // kLargestTile one tile covers any view.
  if (!(stepX >= 1 && stepY >= 1)) return false;
  const auto a = static_cast<int64_t>(std::min(stepX, kLargestTile));
  const auto b = static_cast<int64_t>(std::min(stepY, kLargestTile));
  const uint32_t packed = Pack(colour, AlphaByteRounded(alpha));
  Texture* texture = s->texture;
  const float uR = s->width * s->texelWidth;
  const float vB = s->height * s->texelHeight;
  const float left = -xOrigin * xScale;
  const float top = -yOrigin * yScale;
  const float w = s->width * xScale;
  const float h = s->height * yScale;
  const float z = GR_GetDepth();
  for (int64_t tx = FirstTile(x, a, viewX, hTiled); viewX + viewWidth > static_cast<float>(tx); tx += a) {
    for (int64_t ty = FirstTile(y, b, viewY, vTiled); viewY + viewHeight > static_cast<float>(ty); ty += b) {
      auto* v = static_cast<QuadVertex*>(GR_AllocVerts(D3DPT_TRIANGLEFAN, texture, 24, 4));
      const float l = static_cast<float>(tx) + left;
      const float t = static_cast<float>(ty) + top;
      v[0] = QuadVertex{l, t, z, packed, 0, 0};
      v[1] = QuadVertex{l + w, t, z, packed, uR, 0};
      v[2] = QuadVertex{l + w, t + h, z, packed, uR, vB};
      v[3] = QuadVertex{l, t + h, z, packed, 0, vB};
      if (!vTiled) break;
    }
    if (!hTiled) break;
  }
  return true;
}

bool GR_TPE_DrawTiled(TPageEntry* entry, float xOrigin, float yOrigin, float x, float y, float xScale, float yScale,
                      bool hTiled, bool vTiled, uint32_t colour, float alpha) {
  if (static_cast<double>(xScale) < 0.0001 || static_cast<double>(yScale) < 0.0001) return false;
  const TextureSlot* s = PageOf(entry);
  if (s == nullptr) return false;
  if (!hTiled && !vTiled) {
    GR_TPE_DrawExt(entry, xOrigin, yOrigin, x, y, xScale, yScale, 0, colour, alpha);
    return true;
  }
  const float W = entry->fullWidth * xScale;
  const float H = entry->fullHeight * yScale;
  // An image without a size has nothing to tile.
  if (!(W > 0) || !(H > 0)) return false;
  // Tiles smaller than a pixel show nothing, and there would be more of them than the view has
  // pixels (scale 0.0001 asked for about 10^13): none are made. Tiles wider than any view are
  // drawn once.
  if ((hTiled && W < 1) || (vTiled && H < 1)) return true;
  if (!(W < kLargestTile) || !(H < kLargestTile)) {
    GR_TPE_DrawExt(entry, xOrigin, yOrigin, x, y, xScale, yScale, 0, colour, alpha);
    return true;
  }
  GR_UpdateCullRect();
  const GR_ViewState& view = g_GR_View;
  int64_t columns = 1;
  int64_t rows = 1;
  if (hTiled) {
    x = view.cullMinX + std::fmod(x - view.cullMinX, W) - W;
    columns = static_cast<int64_t>((static_cast<float>(int64_t{view.cullMaxX} - view.cullMinX) + W - 1) / W + 2);
  }
  if (vTiled) {
    y = view.cullMinY + std::fmod(y - view.cullMinY, H) - H;
    rows = static_cast<int64_t>((static_cast<float>(int64_t{view.cullMaxY} - view.cullMinY) + H - 1) / H + 2);
  }
  if (columns < 1 || rows < 1) return true;
  float uL, vT, uR, vB;
  EntryUV(entry, s, &uL, &vT, &uR, &vB);
  Corner corners[4];
  SetUV(corners, uL, vT, uR, vB);
  SetColour(corners, GR_ColourToARGB(colour, alpha));
  const float quadWidth = entry->targetWidth * xScale;
  const float quadHeight = entry->targetHeight * yScale;
  const float firstX = x + entry->targetX * xScale;
  const float firstY = y + entry->targetY * yScale;
  // Whole rows a reservation when a row fits in one, else a row in pieces; no reservation ever
  // exceeds the batcher's largest.
  constexpr int64_t kMaxQuads = GR_MaxBatchVerts / 6;
  const int64_t total = columns * rows;
  const int64_t perReservation = total * 6 <= GR_MaxBatchVerts ? total
                                 : columns <= kMaxQuads       ? (kMaxQuads / columns) * columns
                                                              : kMaxQuads;
  Texture* texture = s->texture;
  uint8_t* at = nullptr;
  int64_t left = 0;
  for (int64_t row = 0; row < rows; ++row) {
    const float top = firstY + static_cast<float>(row) * H;
    for (int64_t column = 0; column < columns; ++column) {
      if (left == 0) {
        const int64_t quads = std::min(perReservation, total - (row * columns + column));
        at = static_cast<uint8_t*>(GR_AllocVerts(D3DPT_TRIANGLELIST, texture, 24, static_cast<int32_t>(quads * 6)));
        left = quads;
      }
      const float l = firstX + static_cast<float>(column) * W;
      Layout(corners, l, top, 0, 0, quadWidth, quadHeight, 0, 1);
      Write(at, corners, kOrderT, true);
      at += 6 * sizeof(QuadVertex);
      --left;
    }
  }
  return true;
}
