// Sprite drawing: the frame is picked, sprites that cannot be visible are culled by their radius,
// and the frame goes to the quad emitters (from its page entry, or from its own slot), to the
// vector renderer or to the skeleton.
#include <algorithm>
#include <cmath>

#include "assets/sprite.h"
#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "core/console.h"
#include "runtime/debug_services.h"
#include "render/render_setters.h"
#include "render/surface.h"
#include "render/transform_3d.h"
#include "assets/skeleton_sprite.h"

namespace {

constexpr float kPi = 3.1415927f;
constexpr uint32_t kWhite = 0xFFFFFF;

float Radians(float degrees) { return degrees * kPi / 180.0f; }

// A surface the game drew into by choice: its own coordinates are not the view's, so nothing is
// culled there. The room redraw's binding of the application surface does not count.
bool SurfaceIsTarget() { return Surface_ScriptTargetSet(); }

// Whether a sprite at (x, y) lies further than the margins outside the visible rectangle.
bool Culled(float x, float y, float marginX, float marginY) {
  if (!g_SpriteCulling) return false;
  const GR_ViewState& v = g_GR_View;
  return x < static_cast<float>(v.cullMinX) - marginX || x > static_cast<float>(v.cullMaxX) + marginX ||
         y < static_cast<float>(v.cullMinY) - marginY || y > static_cast<float>(v.cullMaxY) + marginY;
}

}  // namespace

bool g_SpriteCulling = true;

void CSprite::ReportDrawError() const { Console_DebugOutput("Error attempting to draw sprite %s\n", name != nullptr ? name : ""); }

void CSprite::SpriteDraw(int32_t frame, float x, float y, float xScale, float yScale, float angle, uint32_t colour,
                         float alpha) {
  if (frameCount <= 0) return;
  ProfilerScope scope(kProfilerMarkerSpriteDraw);
  const int32_t f = Frame(frame);
  GR_UpdateCullRect();
  const auto r = static_cast<float>(radius);
  const float margin = std::max(std::fabs(r * xScale), std::fabs(r * yScale));
  if (!GR_Get3DMode() && !g_GR_View.customProjection && kind != kSpriteKindSkeleton && Culled(x, y, margin, margin)) return;
  if (kind == kSpriteKindVector) {
    DrawVector(f, static_cast<float>(originX), static_cast<float>(originY), x, y, xScale, yScale, angle, colour, alpha);
    return;
  }
  if (kind == kSpriteKindSkeleton) {
    if (skeleton != nullptr) skeleton->DrawInstance(f, x, y, xScale, yScale, angle, colour, alpha);
    return;
  }
  const auto ox = static_cast<float>(originX);
  const auto oy = static_cast<float>(originY);
  const bool drawn = entries != nullptr
                         ? GR_TPE_DrawExt(EntryOf(f), ox, oy, x, y, xScale, yScale, Radians(angle), colour, alpha)
                         : GR_Texture_DrawExt(SlotOf(f), ox, oy, x, y, xScale, yScale, Radians(angle), colour, alpha);
  if (!drawn) ReportDrawError();
}

void CSprite::SpriteDrawSimple(int32_t frame, float x, float y) {
  if (frameCount <= 0) return;
  ProfilerScope scope(kProfilerMarkerSpriteDrawSimple);
  const int32_t f = Frame(frame);
  GR_UpdateCullRect();
  const auto r = static_cast<float>(radius);
  if (!SurfaceIsTarget() && !g_GR_View.customProjection && kind != kSpriteKindSkeleton && Culled(x, y, r, r)) return;
  if (kind == kSpriteKindVector) {
    DrawVector(f, static_cast<float>(originX), static_cast<float>(originY), x, y, 1, 1, 0, kWhite, 1);
    return;
  }
  if (kind == kSpriteKindSkeleton) {
    if (skeleton != nullptr) skeleton->DrawInstance(f, x, y, 1, 1, 0, kWhite, 1);
    return;
  }
  const float left = x - static_cast<float>(originX);
  const float top = y - static_cast<float>(originY);
  const bool drawn = entries != nullptr ? GR_TPE_Draw(EntryOf(f), left, top) : GR_Texture_Draw(SlotOf(f), left, top);
  if (!drawn) ReportDrawError();
}

void CSprite::DrawPos(int32_t frame, float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                      uint32_t colour, float alpha) {
  if (frameCount <= 0 || kind != kSpriteKindBitmap || entries == nullptr) return;
  if (!GR_TPE_DrawPos(EntryOf(Frame(frame)), x1, y1, x2, y2, x3, y3, x4, y4, colour, alpha)) ReportDrawError();
}

void CSprite::DrawPart(int32_t frame, float left, float top, float partWidth, float partHeight, float x, float y,
                       float xScale, float yScale, uint32_t colour, float alpha) {
  if (frameCount <= 0 || kind != kSpriteKindBitmap) return;
  const int32_t f = Frame(frame);
  const bool drawn =
      entries != nullptr
          ? GR_TPE_DrawPart(EntryOf(f), left, top, partWidth, partHeight, x, y, xScale, yScale, 0, colour, alpha)
          : GR_Texture_DrawPart(SlotOf(f), left, top, partWidth, partHeight, x, y, xScale, yScale, 0, colour, alpha);
  if (!drawn) ReportDrawError();
}

void CSprite::DrawGeneral(int32_t frame, float left, float top, float partWidth, float partHeight, float x, float y,
                          float xScale, float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                          float alpha) {
  if (frameCount <= 0 || kind != kSpriteKindBitmap) return;
  const int32_t f = Frame(frame);
  GR_UpdateCullRect();
  const auto r = static_cast<float>(radius);
  if (!SurfaceIsTarget() && !g_GR_View.customProjection && Culled(x, y, std::fabs(r * xScale), std::fabs(r * yScale))) {
    return;
  }
  const float a = Radians(angle);
  const bool drawn = entries != nullptr ? GR_TPE_DrawGeneral(EntryOf(f), left, top, partWidth, partHeight, x, y, xScale,
                                                             yScale, a, c1, c2, c3, c4, alpha)
                                        : GR_Texture_DrawGeneral(SlotOf(f), left, top, partWidth, partHeight, x, y,
                                                                 xScale, yScale, a, c1, c2, c3, c4, alpha);
  if (!drawn) ReportDrawError();
}

void CSprite::DrawStretched(int32_t frame, float x, float y, float drawWidth, float drawHeight, uint32_t colour,
                            float alpha) {
  if (frameCount <= 0 || drawWidth <= 0 || drawHeight <= 0 || width <= 0 || height <= 0) return;
  const float xScale = drawWidth / static_cast<float>(width);
  const float yScale = drawHeight / static_cast<float>(height);
  const int32_t f = Frame(frame);
  if (kind == kSpriteKindVector) {
    DrawVector(f, 0, 0, x, y, xScale, yScale, 0, colour, alpha);
    return;
  }
  if (kind != kSpriteKindBitmap) return;
  // The origin is ignored: the frame's top-left corner lands on (x, y).
  const bool drawn = entries != nullptr ? GR_TPE_DrawExt(EntryOf(f), 0, 0, x, y, xScale, yScale, 0, colour, alpha)
                                        : GR_Texture_DrawExt(SlotOf(f), 0, 0, x, y, xScale, yScale, 0, colour, alpha);
  if (!drawn) ReportDrawError();
}

void CSprite::DrawTiled(int32_t frame, float x, float y, float xScale, float yScale, bool hTiled, bool vTiled,
                        float left, float top, float regionWidth, float regionHeight, uint32_t colour, float alpha) {
  if (frameCount <= 0) return;
  const int32_t f = Frame(frame);
  if (kind == kSpriteKindVector) {
    DrawVectorTiled(f, x, y, xScale, yScale, hTiled, vTiled, left, top, regionWidth, regionHeight, colour, alpha);
    return;
  }
  if (kind != kSpriteKindBitmap) return;
  const auto ox = static_cast<float>(originX);
  const auto oy = static_cast<float>(originY);
  const bool drawn = entries != nullptr
                         ? GR_TPE_DrawTiled(EntryOf(f), ox, oy, x, y, xScale, yScale, hTiled, vTiled, colour, alpha)
                         : GR_Texture_DrawTiled(SlotOf(f), ox, oy, x, y, xScale, yScale, hTiled, vTiled, left, top,
                                                regionWidth, regionHeight, colour, alpha);
  if (!drawn) ReportDrawError();
}
