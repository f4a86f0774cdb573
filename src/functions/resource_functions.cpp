#include "functions/load_stand_in.h"
#include "functions/resource_handlers.h"
#include "runtime/game_header.h"

namespace {
constexpr uint8_t kResourceFlag = 1;
// Headers from GEN8 on take the newer argument counts.
constexpr int32_t kNewFormatVersion = 800;
}  // namespace

// The parts register in a fixed order, which is the order of their names in the built-in table.
void InitResourceFunctions() {
  const bool newFormat = GameFormatVersion >= kNewFormatVersion;
  resource::RegisterSpriteFunctions(kResourceFlag, newFormat);
  resource::RegisterBackgroundFunctions(kResourceFlag, newFormat);
  resource::RegisterSoundFunctions(kResourceFlag);
  resource::RegisterFontFunctions(kResourceFlag);
  resource::RegisterScriptFunctions(kResourceFlag);
  resource::RegisterPathFunctions(kResourceFlag);
  resource::RegisterTimeLineFunctions(kResourceFlag);
  resource::RegisterObjectFunctions(kResourceFlag);
  resource::RegisterRoomFunctions(kResourceFlag);
  resource::RegisterAssetFunctions(kResourceFlag);
}
