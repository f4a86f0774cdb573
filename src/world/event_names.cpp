#include "world/event_names.h"

#include <cstdio>

#include "world/event.h"
#include "world/event_context.h"
#include "world/object.h"

namespace {

constexpr const char* kUnknown = "<unknown>";

struct NamedNumber {
  int32_t number;
  const char* name;
};

const char* Lookup(const NamedNumber* table, size_t size, int32_t number) {
  for (size_t i = 0; i < size; ++i) {
    if (table[i].number == number) return table[i].name;
  }
  return kUnknown;
}

template <size_t N>
const char* Lookup(const NamedNumber (&table)[N], int32_t number) {
  return Lookup(table, N, number);
}

constexpr NamedNumber kKeys[] = {
    {0, "<no key>"},     {1, "<any key>"},     {8, "<Backspace>"}, {9, "<Tab>"},        {13, "<Enter>"},
    {16, "<Shift>"},     {17, "<Ctrl>"},       {18, "<Alt>"},      {27, "<Escape>"},    {32, "<Space>"},
    {33, "<Page Up>"},   {34, "<Page Down>"},  {35, "<End>"},      {36, "<Home>"},      {37, "<Left>"},
    {38, "<Up>"},        {39, "<Right>"},      {40, "<Down>"},     {45, "<Insert>"},    {46, "<Delete>"},
    {106, "Keypad *"},   {107, "Keypad +"},    {109, "Keypad -"},  {110, "Keypad ."},   {111, "Keypad /"},
};

constexpr NamedNumber kMouse[] = {
    {0, "Left Button"},          {1, "Right Button"},          {2, "Middle Button"},
    {3, "No Button"},            {4, "Left Pressed"},          {5, "Right Pressed"},
    {6, "Middle Pressed"},       {7, "Left Released"},         {8, "Right Released"},
    {9, "Middle Released"},      {10, "Mouse Enter"},          {11, "Mouse Leave"},
    {16, "Joystick 1 Left"},     {17, "Joystick 1 Right"},     {18, "Joystick 1 Up"},
    {19, "Joystick 1 Down"},     {31, "Joystick 2 Left"},      {32, "Joystick 2 Right"},
    {33, "Joystick 2 Up"},       {34, "Joystick 2 Down"},      {50, "Glob Left Button"},
    {51, "Glob Right Button"},   {52, "Glob Middle Button"},   {53, "Glob Left Pressed"},
    {54, "Glob Right Pressed"},  {55, "Glob Middle Pressed"},  {56, "Glob Left Released"},
    {57, "Glob Right Released"}, {58, "Glob Middle Released"}, {60, "Mouse Wheel Up"},
    {61, "Mouse Wheel Down"},
};

constexpr NamedNumber kOther[] = {
    {0, "Outside Room"}, {1, "Intersect Boundary"}, {2, "Game Start"},    {3, "Game End"},
    {4, "Room Start"},   {5, "Room End"},           {6, "No More Lives"}, {7, "Animation End"},
    {8, "End Of Path"},  {9, "No More Health"},     {30, "Close Button"}, {58, "Animation Update"},
};

constexpr NamedNumber kAsync[] = {
    {60, "Image Loaded"}, {61, "Sound Loaded"}, {62, "HTTP"},       {63, "Dialog"},
    {66, "IAP"},          {67, "Cloud"},        {68, "Networking"}, {69, "Steam"},
    {70, "Social"},       {71, "Push"},         {72, "Save-Load"},  {73, "Audio Recording"},
    {74, "Audio Playback"}, {75, "System Event"},
};

// The first number of the asynchronous other events.
constexpr int32_t kFirstAsyncOther = 60;

}  // namespace

const char* Event_GetKeyName(int32_t key) {
  static char buffer[64];
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) {
    std::snprintf(buffer, sizeof buffer, "%c-key", static_cast<char>(key));
    return buffer;
  }
  if (key >= 96 && key <= 105) {
    std::snprintf(buffer, sizeof buffer, "Keypad-%d", key - 96);
    return buffer;
  }
  if (key >= 112 && key <= 123) {
    std::snprintf(buffer, sizeof buffer, "F%d", key - 111);
    return buffer;
  }
  return Lookup(kKeys, key);
}

const char* Event_GetMouseName(int32_t number) {
  static char buffer[64];
  for (int32_t pad = 1; pad <= 2; ++pad) {
    const int32_t first = pad == 1 ? 21 : 36;  // button 1 of the pad
    if (number >= first && number < first + 8) {
      std::snprintf(buffer, sizeof buffer, "Joystick %d Button %d", pad, number - first + 1);
      return buffer;
    }
  }
  return Lookup(kMouse, number);
}

const char* Event_GetOtherName(int32_t number) {
  static char buffer[64];
  if (number >= 10 && number <= 25) {
    std::snprintf(buffer, sizeof buffer, "User Defined %d", number - 10);
    return buffer;
  }
  if (number >= 40 && number <= 47) {
    std::snprintf(buffer, sizeof buffer, "Outside View %d", number - 40);
    return buffer;
  }
  if (number >= 50 && number <= 57) {
    std::snprintf(buffer, sizeof buffer, "Boundary View %d", number - 50);
    return buffer;
  }
  return Lookup(kOther, number);
}

const char* Event_GetAsyncName(int32_t number) { return Lookup(kAsync, number); }

const char* Event_GetName(int32_t type, int32_t number) {
  static char buffer[512];
  switch (type) {
    case kEventCreate:
      return "Create Event";
    case kEventDestroy:
      return "Destroy Event";
    case kEventAlarm:
      std::snprintf(buffer, sizeof buffer, "Alarm Event for alarm %d", number);
      return buffer;
    case kEventStep:
      std::snprintf(buffer, sizeof buffer, " Step Event%d", number);
      return buffer;
    case kEventCollision:
      // The collision event's name as the reports have always given it.
      std::snprintf(buffer, sizeof buffer, " Step Event%s", Object_Name(number));
      return buffer;
    case kEventKeyboard:
      std::snprintf(buffer, sizeof buffer, "Keyboard Event for %s Key", Event_GetKeyName(number));
      return buffer;
    case kEventMouse:
      std::snprintf(buffer, sizeof buffer, "Mouse Event for %s", Event_GetMouseName(number));
      return buffer;
    case kEventOther:
      if (number >= kFirstAsyncOther) {
        std::snprintf(buffer, sizeof buffer, "Async Event: %s", Event_GetAsyncName(number));
      } else {
        std::snprintf(buffer, sizeof buffer, "Other Event: %s", Event_GetOtherName(number));
      }
      return buffer;
    case kEventDraw:
      return "Draw Event";
    case kEventKeyPress:
      std::snprintf(buffer, sizeof buffer, "Key Press Event for %s Key", Event_GetKeyName(number));
      return buffer;
    case kEventKeyRelease:
      std::snprintf(buffer, sizeof buffer, "Key Release Event for %s Key", Event_GetKeyName(number));
      return buffer;
    default:
      return "<Unknown Event>";
  }
}
