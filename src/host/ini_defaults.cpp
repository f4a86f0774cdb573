#include "host/ini_defaults.h"

#include "assets/background.h"
#include "assets/texture.h"
#include "io/ini_file.h"
#include "io/options_file.h"
#include "net/load_stand_in.h"
#include "physics/lifecycle.h"
#include "render/lifecycle.h"
#include "runtime/runner_options.h"

namespace {

bool Present(const IniFile* ini, const char* section, const char* key) { return ini->FindKey(section, key) != nullptr; }

}  // namespace

void Runner_ReadIniWindows(const IniFile* ini) {
  if (ini == nullptr) return;
  const char* kSection = "Windows";
  if (Present(ini, kSection, "CreateTexturesOnDemand")) {
    Texture_CreateOnDemand = ini->ReadInt(kSection, "CreateTexturesOnDemand", 0) != 0;
  }
  if (Present(ini, kSection, "VertexBufferMethod") && !GR_StartupFlags.vertexBufferMethodSet) {
    const int32_t method = ini->ReadInt(kSection, "VertexBufferMethod", 0);
    if (method >= 0 && method <= 2) GR_StartupFlags.vertexBufferMethod = method;
  }
  if (Present(ini, kSection, "AlternateSyncMethod") && !GR_StartupFlags.alternateSyncSet) {
    GR_StartupFlags.alternateSync = ini->ReadInt(kSection, "AlternateSyncMethod", 0) != 0;
  }
  if (Present(ini, kSection, "SleepMargin") && !g_RunnerOptions.sleepMarginSet) {
    const int32_t margin = ini->ReadInt(kSection, "SleepMargin", 0);
    g_RunnerOptions.sleepMargin = margin > 0 ? margin : 0;
  }
}

void Runner_ReadIniDefaults(const IniFile* ini) {
  if (ini == nullptr) return;
  Runner_ReadIniWindows(ini);
  const char* kSection = "DEFAULT";
  OptionsFileState& s = g_OptionsFile;
  s.orientLandscape = ini->ReadInt(kSection, "OrientLandscape", 1) != 0;
  s.orientLandscapeFlipped = ini->ReadInt(kSection, "OrientLandscapeFlipped", 1) != 0;
  s.orientPortrait = ini->ReadInt(kSection, "OrientPortrait", 1) != 0;
  s.orientPortraitFlipped = ini->ReadInt(kSection, "OrientPortraitFlipped", 1) != 0;
  OS_SetOrientations(s.orientLandscape, s.orientPortrait, s.orientLandscapeFlipped, s.orientPortraitFlipped);
  if (Present(ini, kSection, "Debug")) {
    g_RunnerOptions.debug = ini->ReadInt(kSection, "Debug", 0) != 0;
    if (g_RunnerOptions.debug) {
      Debug_OverlayFlags = kDebugOverlayShow;
      Physics_InstallAssertHandler();
    }
  }
  if (Present(ini, kSection, "Trace")) g_RunnerOptions.trace = ini->ReadInt(kSection, "Trace", 0) != 0;
}
