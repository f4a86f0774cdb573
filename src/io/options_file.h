// "options.ini" beside the game: platform settings, the allowed orientations, debug switches and
// the on-screen virtual buttons. Read once per pass, before the window exists. A setting that the
// command line gave keeps the command line's value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class IniFile;

// One on-screen button as the file describes it.
struct OptionsFileButton {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;   // left + width
  int32_t bottom = 0;  // top + height
  int32_t width = 0;
  int32_t height = 0;
  int32_t u = 0;
  int32_t v = 0;
  int32_t key = 0;     // key code it presses, 0 for none
  int32_t button = 0;  // mouse button it presses, 0 for none
};

// Buttons past this many can never get a virtual-key record.
inline constexpr int32_t kVirtualKeyRecords = 128;

struct OptionsFileState {
  bool orientLandscape = true;
  bool orientLandscapeFlipped = true;
  bool orientPortrait = true;
  bool orientPortraitFlipped = true;
  bool hasButtonTexture = false;
  std::string buttonTexture;
  std::vector<OptionsFileButton> buttons;  // in button order
};
extern OptionsFileState g_OptionsFile;

// Reads the "IO_VIRTUAL_BUTTONS" section and one "IO_BUTTON_%d" section per button. The virtual-key
// table is made only later, when input starts, so the buttons are kept until it can take them.
void IO_LoadVirtualButtons(const IniFile* ini);
// Hands each kept button to `place`, which fills a free virtual-key record with it and returns
// false when none is free (the button is then skipped). Returns how many were placed.
using VirtualButtonPlacer = bool (*)(const OptionsFileButton& button, void* context);
int32_t IO_PlaceVirtualButtons(VirtualButtonPlacer place, void* context);

// The key code that a button's "KEY" text names: "VK_..." by its key name (0 when unknown), "MB_..."
// or a blank start 0, anything else the code of its first byte.
int32_t OptionsFile_KeyCode(const char* text);
// The mouse button that a button's "BUTTON" text names: "MB_..." by its name, anything else 0.
int32_t OptionsFile_MouseButton(const char* text);

// The value of the named constant that a "VK_..." or "MB_..." text names (names compare ignoring
// letter case); false when there is none or it is not a number. Installed by the host; without it
// every such name reads as 0.
using OptionsConstantLookup = bool (*)(const char* name, double* value);
OptionsConstantLookup OptionsFile_SetConstantLookup(OptionsConstantLookup lookup);
