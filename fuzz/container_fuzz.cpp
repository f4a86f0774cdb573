// Feeds arbitrary bytes to the container loader: the framing check, the header pre-scan, the
// chunk pass with every loader, and the debug-file reader.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "assets/texture.h"
#include "assets/texture_pages.h"
#include "core/function_registry.h"
#include "core/run_switches.h"
#include "runtime/error_report.h"
#include "host/game_loader.h"
#include "platform/system/allocator.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Console_SetHeadless(true);
  // As the runner starts: the tables each input builds and frees stay in the heap.
  Platform_TuneAllocator();
  // Without a device, pages made on demand still have their headers read: "RAW " blocks are
  // checked and converted, PNG sizes read.
  Texture_CreateOnDemand = true;
  // A name the loaders cannot resolve ends the process; the fuzzer keeps going instead.
  Error_SetEndProcess([](int) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Exactly the input's bytes, so that a read past them is caught.
  std::vector<uint8_t> container(data, data + size);
  if (Game_ScanHeaderChunks({container.data(), container.size()})) {
    Game_LoadChunks(container.data(), container.size());
  }
  Game_LoadDebugFile(std::vector<uint8_t>(data, data + size));
  Runner_FreeGameData();
  GR_Texture_FreeAll();
  // Every header registers the built-in functions again, as a start-up does; the runner's teardown
  // empties the table, so the fuzzer does too. Kept, the table grew by some thousand entries an
  // input, and each registration copied all of it (hundreds of milliseconds an input after a while).
  Builtin_Shutdown();
  return 0;
}
