#include "host/options_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "assets/background.h"
#include "assets/texture.h"
#include "vm/constants.h"
#include "core/value.h"
#include "functions/ini_file.h"
#include "host/command_line.h"
#include "net/load_stand_in.h"
#include "physics/lifecycle.h"
#include "render/lifecycle.h"

OptionsFileState g_OptionsFile;

namespace {

// The key code or mouse button of a named constant's value: truncated, then its low 8 bits; 0
// when there is no constant of that name (names compare ignoring letter case).
int32_t ConstantByte(const char* name) {
  const RValue* value = Constant_Lookup(name);
  if (value == nullptr || RValue_Kind(value) != VALUE_REAL || !std::isfinite(value->val)) return 0;
  const double d = value->val;
  if (!(d > -2147483649.0 && d < 2147483648.0)) return 0;
  return static_cast<int32_t>(d) & 0xFF;
}

bool Present(const IniFile* ini, const char* section, const char* key) { return ini->FindKey(section, key) != nullptr; }

}  // namespace

int32_t OptionsFile_KeyCode(const char* text) {
  if (text == nullptr || text[0] == '\0' || text[0] == ' ' || text[0] == '\t') return 0;
  if (std::strncmp(text, "VK_", 3) == 0) return ConstantByte(text);
  if (std::strncmp(text, "MB_", 3) == 0) return 0;
  return static_cast<uint8_t>(text[0]);
}

int32_t OptionsFile_MouseButton(const char* text) {
  if (text == nullptr || std::strncmp(text, "MB_", 3) != 0) return 0;
  return ConstantByte(text);
}

void IO_LoadVirtualButtons(const IniFile* ini) {
  OptionsFileState& s = g_OptionsFile;
  s.buttons.clear();
  s.hasButtonTexture = false;
  s.buttonTexture.clear();
  if (ini == nullptr) return;
  int32_t count = ini->ReadInt("IO_VIRTUAL_BUTTONS", "NUM_BUTTONS", 0);
  if (const char* texture = ini->ReadString("IO_VIRTUAL_BUTTONS", "TEXTURE", nullptr)) {
    s.hasButtonTexture = true;
    s.buttonTexture = texture;
  }
  if (count > kVirtualKeyRecords) count = kVirtualKeyRecords;
  for (int32_t i = 0; i < count; ++i) {
    char section[32];
    std::snprintf(section, sizeof section, "IO_BUTTON_%d", i);
    OptionsFileButton b;
    b.left = ini->ReadInt(section, "X", 0);
    b.top = ini->ReadInt(section, "Y", 0);
    b.width = ini->ReadInt(section, "W", 0);
    b.height = ini->ReadInt(section, "H", 0);
    // Wrapping sums are what the file asked for; they must not be undefined.
    b.right = static_cast<int32_t>(static_cast<uint32_t>(b.left) + static_cast<uint32_t>(b.width));
    b.bottom = static_cast<int32_t>(static_cast<uint32_t>(b.top) + static_cast<uint32_t>(b.height));
    b.u = ini->ReadInt(section, "U", 0);
    b.v = ini->ReadInt(section, "V", 0);
    b.key = OptionsFile_KeyCode(ini->ReadString(section, "KEY", nullptr));
    b.button = OptionsFile_MouseButton(ini->ReadString(section, "BUTTON", nullptr));
    s.buttons.push_back(b);
  }
}

int32_t IO_PlaceVirtualButtons(VirtualButtonPlacer place, void* context) {
  int32_t placed = 0;
  for (const OptionsFileButton& button : g_OptionsFile.buttons) {
    if (place(button, context)) ++placed;
  }
  return placed;
}

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
