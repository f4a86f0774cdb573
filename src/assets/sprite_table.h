// What the instance record reads of sprites: whether one exists, its frame count and size, its
// collision mask bounds and origin, and whether it is a skeleton sprite.
#pragma once

#include <cstdint>

class CSpriteMask;

inline constexpr int32_t kSpriteKindSkeleton = 2;

struct CSprite {
  int32_t frameCount = 0;
  int32_t width = 0;                // frame size in pixels
  int32_t height = 0;
  int32_t kind = 0;                 // 2: skeleton sprite
  int32_t maskLeft = 0;             // inclusive collision-mask bounds
  int32_t maskTop = 0;
  int32_t maskRight = 0;
  int32_t maskBottom = 0;
  int32_t originX = 0;
  int32_t originY = 0;
  bool precise = false;
  const void* skeletonData = nullptr;  // what a skeleton instance is made from
  const char* name = nullptr;          // not owned: the text lives as long as the game data
  const CSpriteMask* mask = nullptr;   // not owned; the precise collision tests ask it
};

// Null when the index names no sprite.
CSprite* Sprite_Data(int32_t index);
bool Sprite_Exists(int32_t index);
// The index of the sprite with exactly that name, -1 when none.
int32_t Sprite_Find(const char* name);

// Until sprites are loaded from the game data, the table is filled through these.
int32_t Sprite_Add(const CSprite& sprite);  // the new index
void Sprite_ClearAll();
