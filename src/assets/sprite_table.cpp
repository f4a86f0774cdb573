// The sprite table as far as instances need it. Loading sprites from the game data fills it
// through Sprite_Add.
#include "assets/sprite_table.h"

#include <cstring>
#include <memory>
#include <vector>

namespace {
std::vector<std::unique_ptr<CSprite>> g_sprites;
}

CSprite* Sprite_Data(int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= g_sprites.size()) return nullptr;
  return g_sprites[static_cast<size_t>(index)].get();
}

bool Sprite_Exists(int32_t index) { return Sprite_Data(index) != nullptr; }

int32_t Sprite_Find(const char* name) {
  if (name == nullptr) return -1;
  for (size_t i = 0; i < g_sprites.size(); ++i) {
    const CSprite* s = g_sprites[i].get();
    if (s != nullptr && s->name != nullptr && std::strcmp(s->name, name) == 0) return static_cast<int32_t>(i);
  }
  return -1;
}

int32_t Sprite_Add(const CSprite& sprite) {
  g_sprites.push_back(std::make_unique<CSprite>(sprite));
  return static_cast<int32_t>(g_sprites.size()) - 1;
}

void Sprite_ClearAll() { g_sprites.clear(); }
