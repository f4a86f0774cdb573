#include "assets/font_sprite.h"

#include "assets/bitmap32.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "assets/texture_pages.h"

bool FontSprite_Info(int32_t sprite, FontSpriteInfo* info) {
  const CSprite* s = Sprite_Data(sprite);
  if (s == nullptr) return false;
  *info = FontSpriteInfo{s->frameCount, s->width, s->height};
  return true;
}

void FontSprite_FrameExtent(int32_t sprite, int32_t frame, int32_t* left, int32_t* right) {
  const CSprite* s = Sprite_Data(sprite);
  *left = 0;
  *right = s != nullptr ? s->width : 0;
  if (s == nullptr || frame < 0) return;
  const auto at = static_cast<size_t>(frame);
  if (s->entries != nullptr) {
    if (at < s->entries->size() && (*s->entries)[at] != nullptr) {
      const TPageEntry* e = (*s->entries)[at];
      *left = e->targetX;
      *right = e->targetX + e->targetWidth;
    }
    return;
  }
  if (at < s->bitmaps.size() && s->bitmaps[at] != nullptr) {
    const CBitmap32Rect bounds = s->bitmaps[at]->GetOpaqueBounds();
    *left = bounds.left;
    *right = bounds.right + 1;
  }
}

void FontSprite_Draw(int32_t sprite, int32_t frame, float x, float y, float xScale, float yScale, float angle,
                     uint32_t colour, float alpha) {
  if (CSprite* s = Sprite_Data(sprite)) s->SpriteDraw(frame, x, y, xScale, yScale, angle, colour, alpha);
}

void FontSprite_DrawGeneral(int32_t sprite, int32_t frame, float x, float y, float xScale, float yScale, float angle,
                            uint32_t c1, uint32_t c2, uint32_t c3, uint32_t c4, float alpha) {
  CSprite* s = Sprite_Data(sprite);
  if (s == nullptr) return;
  s->DrawGeneral(frame, 0, 0, static_cast<float>(s->width), static_cast<float>(s->height), x, y, xScale, yScale, angle,
                 c1, c2, c3, c4, alpha);
}
