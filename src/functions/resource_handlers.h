// What the resource group's handlers share: reading only the arguments a call brought, setting
// results, and the registrars of the group's parts, which InitResourceFunctions calls in order.
#pragma once

#include <cstdint>

#include "core/argument_getters.h"
#include "core/value.h"
#include "functions/handler_args.h"
#include "runtime/error_report.h"

class CInstance;

namespace resource {

using ::Args;

inline void SetReal(RValue* result, double value) { Args_SetReal(result, value); }
inline void SetBool(RValue* result, bool value) { SetReal(result, value ? 1.0 : 0.0); }
inline void SetText(RValue* result, const char* text) { RValue_SetString(result, text != nullptr ? text : ""); }

// Deletes an asset that exists (the result is whether the table deleted it); a missing one reports
// the message and gives 0.
inline void DeleteExisting(RValue* result, int32_t index, bool (*exists)(int32_t), bool (*remove)(int32_t),
                           const char* missing) {
  if (!exists(index)) {
    Error_Report(false, missing);
    SetReal(result, 0);
    return;
  }
  SetBool(result, remove(index));
}


// The parts of the group, each registering its names with the flag; newFormat picks the argument
// counts of a GEN8 game (format version 800 or more).
void RegisterSpriteFunctions(uint8_t flag, bool newFormat);
void RegisterBackgroundFunctions(uint8_t flag, bool newFormat);
void RegisterSoundFunctions(uint8_t flag);
void RegisterFontFunctions(uint8_t flag);
void RegisterScriptFunctions(uint8_t flag);
void RegisterPathFunctions(uint8_t flag);
void RegisterTimeLineFunctions(uint8_t flag);
void RegisterObjectFunctions(uint8_t flag);
void RegisterRoomFunctions(uint8_t flag);
void RegisterAssetFunctions(uint8_t flag);

// The prefetch and cache-size handlers, which the sprite and background groups register.
BUILTIN_FN(SpritePrefetch);
BUILTIN_FN(SpritePrefetchMulti);
BUILTIN_FN(BackgroundPrefetch);
BUILTIN_FN(BackgroundPrefetchMulti);
BUILTIN_FN(CacheSizeIgnored);

}  // namespace resource
