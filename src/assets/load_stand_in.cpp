#include "assets/load_stand_in.h"

#include <vector>

#include "core/console.h"

// STAND-IN: no asset table or texture exists yet.
bool Texture_CreateOnDemand = false;

namespace {

struct PageSlot {
  const uint8_t* data;
  size_t length;
  int32_t flags;
};
std::vector<PageSlot> g_slots;

bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}

}  // namespace

void Sprite_Init() {}
void Background_Init() {}
void Font_Init() {}
bool Sprite_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Sprite_Load", size); }
bool Background_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Background_Load", size); }
bool Font_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Font_Load", size); }

int32_t GR_Texture_Load(const uint8_t* data, size_t length, int32_t flags) {
  g_slots.push_back({data, length, flags});
  return static_cast<int32_t>(g_slots.size() - 1);
}

int32_t GR_Texture_Count() { return static_cast<int32_t>(g_slots.size()); }
void GR_Texture_FreeAll() { g_slots.clear(); }
