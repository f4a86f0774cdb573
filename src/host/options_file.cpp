#include "host/options_file.h"

#include <cstdio>
#include <cstring>
#include <strings.h>

#include "assets/load_stand_in.h"
#include "functions/ini_file.h"
#include "host/command_line.h"
#include "net/load_stand_in.h"
#include "physics/lifecycle.h"
#include "render/lifecycle.h"

OptionsFileState g_OptionsFile;

namespace {

struct NamedValue {
  const char* name;
  int32_t value;
};

// The key and mouse-button names a button may use, with the values of the named constants of
// the same names (the names compare ignoring letter case).
constexpr NamedValue kKeyNames[] = {
    {"vk_nokey", 0},       {"vk_anykey", 1},      {"vk_enter", 13},      {"vk_return", 13},
    {"vk_shift", 16},      {"vk_control", 17},    {"vk_alt", 18},        {"vk_escape", 27},
    {"vk_space", 32},      {"vk_backspace", 8},   {"vk_tab", 9},         {"vk_pause", 19},
    {"vk_printscreen", 44}, {"vk_left", 37},      {"vk_right", 39},      {"vk_up", 38},
    {"vk_down", 40},       {"vk_home", 36},       {"vk_end", 35},        {"vk_delete", 46},
    {"vk_insert", 45},     {"vk_pageup", 33},     {"vk_pagedown", 34},   {"vk_f1", 112},
    {"vk_f2", 113},        {"vk_f3", 114},        {"vk_f4", 115},        {"vk_f5", 116},
    {"vk_f6", 117},        {"vk_f7", 118},        {"vk_f8", 119},        {"vk_f9", 120},
    {"vk_f10", 121},       {"vk_f11", 122},       {"vk_f12", 123},       {"vk_numpad0", 96},
    {"vk_numpad1", 97},    {"vk_numpad2", 98},    {"vk_numpad3", 99},    {"vk_numpad4", 100},
    {"vk_numpad5", 101},   {"vk_numpad6", 102},   {"vk_numpad7", 103},   {"vk_numpad8", 104},
    {"vk_numpad9", 105},   {"vk_divide", 111},    {"vk_multiply", 106},  {"vk_subtract", 109},
    {"vk_add", 107},       {"vk_decimal", 110},   {"vk_lshift", 160},    {"vk_lcontrol", 162},
    {"vk_lalt", 164},      {"vk_rshift", 161},    {"vk_rcontrol", 163},  {"vk_ralt", 165},
};
constexpr NamedValue kMouseButtonNames[] = {
    {"mb_any", -1}, {"mb_none", 0}, {"mb_left", 1}, {"mb_right", 2}, {"mb_middle", 3},
};

template <size_t N>
int32_t LookUp(const NamedValue (&table)[N], const char* name) {
  for (const NamedValue& entry : table) {
    if (strcasecmp(entry.name, name) == 0) return entry.value;
  }
  return 0;
}

bool Present(const IniFile* ini, const char* section, const char* key) { return ini->FindKey(section, key) != nullptr; }

}  // namespace

int32_t OptionsFile_KeyCode(const char* text) {
  if (text == nullptr || text[0] == '\0' || text[0] == ' ' || text[0] == '\t') return 0;
  if (std::strncmp(text, "VK_", 3) == 0) return LookUp(kKeyNames, text) & 0xFF;
  if (std::strncmp(text, "MB_", 3) == 0) return 0;
  return static_cast<uint8_t>(text[0]);
}

int32_t OptionsFile_MouseButton(const char* text) {
  if (text == nullptr || std::strncmp(text, "MB_", 3) != 0) return 0;
  return LookUp(kMouseButtonNames, text) & 0xFF;
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
