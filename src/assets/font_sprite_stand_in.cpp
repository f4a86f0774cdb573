// STAND-IN: see font_sprite_stand_in.h.
#include "assets/font_sprite_stand_in.h"

#include "assets/sprite_table.h"

bool FontSprite_Info(int32_t sprite, FontSpriteInfo* info) {
  const CSprite* s = Sprite_Data(sprite);
  if (s == nullptr) return false;
  *info = FontSpriteInfo{s->frameCount, s->width, s->height};
  return true;
}

void FontSprite_FrameExtent(int32_t sprite, int32_t, int32_t* left, int32_t* right) {
  const CSprite* s = Sprite_Data(sprite);
  *left = 0;
  *right = s != nullptr ? s->width : 0;
}

void FontSprite_Draw(int32_t, int32_t, float, float, float, float, float, uint32_t, float) {}
void FontSprite_DrawGeneral(int32_t, int32_t, float, float, float, float, float, uint32_t, uint32_t, uint32_t,
                            uint32_t, float) {}
