#include "vm/load_stand_in.h"

#include "core/console.h"

// STAND-IN: no byte code is linked yet.
namespace {
bool Accept(const char* loader, uint32_t size) {
  Console_DebugOutput("%s: %u bytes accepted, nothing kept yet\n", loader, size);
  return true;
}
}  // namespace

bool VARI_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("VARI_Load", size); }
bool FUNC_Load(uint8_t*, uint32_t size, const ContainerBytes&) { return Accept("FUNC_Load", size); }
bool Code_PrepareBytecode(uint8_t*, uint32_t size, const ContainerBytes&) {
  return Accept("Code_PrepareBytecode", size);
}
