#include "lumbrix/embedded_container.h"

// Laid down by the assembler source that the build writes beside the container.
extern "C" const uint8_t lumbrix_container_begin[];
extern "C" const uint8_t lumbrix_container_end[];

const uint8_t* EmbeddedContainer_Data() { return lumbrix_container_begin; }

uint32_t EmbeddedContainer_Size() {
  return static_cast<uint32_t>(lumbrix_container_end - lumbrix_container_begin);
}
