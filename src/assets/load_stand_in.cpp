#include "assets/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no sprite or font table exists yet.
namespace {

bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}

}  // namespace

void Sprite_Init() {}
void Font_Init() {}
bool Sprite_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Sprite_Load", size); }
bool Font_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Font_Load", size); }
