#include <cstdio>

#include "core/console.h"
#include "core/memory_manager.h"

int main(int argc, char** argv) {
  (void)argc;
  (void)argv;
  MemoryManager_Report();
  std::printf("tolvarine: no game host yet\n");
  return 0;
}
