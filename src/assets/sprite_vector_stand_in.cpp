// STAND-IN until vector sprites are built: vector data loads nothing (the sprite keeps its kind
// with no frames), has no bounds and draws nothing.
#include "assets/sprite.h"

bool CSprite::LoadVectorData(const uint8_t*, int32_t, int32_t) { return true; }
bool CSprite::LoadVectorFile(const char*, int32_t, int32_t) {
  Clear();
  kind = kSpriteKindVector;
  return true;
}
void CSprite::FreeVectorData() { vector = nullptr; }
void CSprite::DrawVector(int32_t, float, float, float, float, float, float, float, uint32_t, float) {}
void CSprite::DrawVectorTiled(int32_t, float, float, float, float, bool, bool, float, float, float, float, uint32_t,
                              float) {}
bool CSprite::VectorBounds(int32_t*, int32_t*, int32_t*, int32_t*) const { return false; }
