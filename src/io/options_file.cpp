#include "io/options_file.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "io/ini_file.h"

OptionsFileState g_OptionsFile;

namespace {

OptionsConstantLookup g_constantLookup = nullptr;

// The key code or mouse button of a named constant's value: truncated, then its low 8 bits; 0
// when there is no constant of that name (names compare ignoring letter case).
int32_t ConstantByte(const char* name) {
  double d = 0.0;
  if (g_constantLookup == nullptr || !g_constantLookup(name, &d) || !std::isfinite(d)) return 0;
  if (!(d > -2147483649.0 && d < 2147483648.0)) return 0;
  return static_cast<int32_t>(d) & 0xFF;
}

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

OptionsConstantLookup OptionsFile_SetConstantLookup(OptionsConstantLookup lookup) {
  const OptionsConstantLookup previous = g_constantLookup;
  g_constantLookup = lookup;
  return previous;
}
