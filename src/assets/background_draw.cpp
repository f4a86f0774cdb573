// Background drawing: each call forwards to the page-entry emitter when the background has an
// entry, else to the slot emitter of its own texture slot.
#include "assets/background.h"
#include "assets/texture_pages.h"

namespace {

constexpr float kDegreesToRadians = 3.14159265358979323846f / 180.0f;

float Radians(float degrees) { return degrees * kDegreesToRadians; }

}  // namespace

bool CBackground::Draw(float x, float y) const {
  return m_entry != nullptr ? GR_TPE_Draw(m_entry, x, y) : GR_Texture_Draw(m_slot, x, y);
}

bool CBackground::DrawExt(float x, float y, float xScale, float yScale, float angle, uint32_t colour,
                          float alpha) const {
  const float radians = Radians(angle);
  return m_entry != nullptr ? GR_TPE_DrawExt(m_entry, 0.0f, 0.0f, x, y, xScale, yScale, radians, colour, alpha)
                            : GR_Texture_DrawExt(m_slot, 0.0f, 0.0f, x, y, xScale, yScale, radians, colour, alpha);
}

bool CBackground::DrawStretched(float x, float y, float width, float height, uint32_t colour, float alpha) const {
  if (width <= 0.0f || height <= 0.0f || m_width <= 0 || m_height <= 0) return false;
  const float xScale = width / static_cast<float>(m_width);
  const float yScale = height / static_cast<float>(m_height);
  return m_entry != nullptr ? GR_TPE_DrawExt(m_entry, 0.0f, 0.0f, x, y, xScale, yScale, 0.0f, colour, alpha)
                            : GR_Texture_DrawExt(m_slot, 0.0f, 0.0f, x, y, xScale, yScale, 0.0f, colour, alpha);
}

bool CBackground::DrawPart(float left, float top, float width, float height, float x, float y, float xScale,
                           float yScale, uint32_t colour, float alpha) const {
  return m_entry != nullptr
             ? GR_TPE_DrawPart(m_entry, left, top, width, height, x, y, xScale, yScale, 0.0f, colour, alpha)
             : GR_Texture_DrawPart(m_slot, left, top, width, height, x, y, xScale, yScale, 0.0f, colour, alpha);
}

bool CBackground::DrawGeneral(float left, float top, float width, float height, float x, float y, float xScale,
                              float yScale, float angle, uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4,
                              float alpha) const {
  const float radians = Radians(angle);
  return m_entry != nullptr ? GR_TPE_DrawGeneral(m_entry, left, top, width, height, x, y, xScale, yScale, radians,
                                                 c1, c2, c3, c4, alpha)
                            : GR_Texture_DrawGeneral(m_slot, left, top, width, height, x, y, xScale, yScale, radians,
                                                     c1, c2, c3, c4, alpha);
}

bool CBackground::DrawTiled(float x, float y, float xScale, float yScale, bool hTiled, bool vTiled, float viewX,
                            float viewY, float viewWidth, float viewHeight, uint32_t colour, float alpha) const {
  return m_entry != nullptr ? GR_TPE_DrawTiled(m_entry, 0.0f, 0.0f, x, y, xScale, yScale, hTiled, vTiled, colour, alpha)
                            : GR_Texture_DrawTiled(m_slot, 0.0f, 0.0f, x, y, xScale, yScale, hTiled, vTiled, viewX,
                                                   viewY, viewWidth, viewHeight, colour, alpha);
}
