// What the resource group's handlers share: reading only the arguments a call brought, setting
// results, and the registrars of the group's parts, which InitResourceFunctions calls in order.
#pragma once

#include <cstdint>

#include "core/argument_getters.h"
#include "core/value.h"
#include "host/error_report.h"

class CInstance;

namespace resource {

// The built-in call does not check counts: an argument past the count reads as the getter's
// fallback (the real 0, false, no text) instead of whatever lies beyond the caller's values.
struct Args {
  int32_t argc;
  RValue* values;
  bool Has(int32_t n) const { return n < argc && values != nullptr; }
  int32_t I(int32_t n) const { return Has(n) ? WXGI32(values, n) : 0; }
  uint32_t U(int32_t n) const { return static_cast<uint32_t>(I(n)); }
  float F(int32_t n) const { return Has(n) ? WXGF(values, n) : 0.0f; }
  double R(int32_t n) const { return Has(n) ? WXGR(values, n) : 0.0; }
  bool B(int32_t n) const { return Has(n) && WXGB(values, n); }
  // Flags that scripts pass as numbers count when above 0 (a bool read would need above 0.5).
  bool Above0(int32_t n) const { return R(n) > 0.0; }
  const char* S(int32_t n) const { return Has(n) ? WXGS(values, n) : nullptr; }
  // A string's text, null for any other kind without the getter's error.
  const char* Text(int32_t n) const {
    return Has(n) && RValue_Kind(&values[n]) == VALUE_STRING ? WXGS(values, n) : nullptr;
  }
  // The value itself, null past the count.
  RValue* At(int32_t n) const { return Has(n) ? &values[n] : nullptr; }
};

inline void SetReal(RValue* result, double value) {
  RValue_Release(result);
  *result = RValue_MakeReal(value);
}
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

#define RESOURCE_FN(name) \
  void name(RValue* result, CInstance* self, CInstance* other, int32_t argc, RValue* argv)
#define RESOURCE_ARGS                   \
  const resource::Args a{argc, argv};   \
  (void)a;                              \
  (void)result;                         \
  (void)self;                           \
  (void)other

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
RESOURCE_FN(SpritePrefetch);
RESOURCE_FN(SpritePrefetchMulti);
RESOURCE_FN(BackgroundPrefetch);
RESOURCE_FN(BackgroundPrefetchMulti);
RESOURCE_FN(CacheSizeIgnored);

}  // namespace resource
