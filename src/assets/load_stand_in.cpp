#include "assets/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no background table exists yet.
namespace {

bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}

}  // namespace

void Background_Init() {}
bool Background_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("Background_Load", size); }
