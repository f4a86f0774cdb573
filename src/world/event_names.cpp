#include "world/event_names.h"

#include <cstdio>
#include <span>

#include "world/event.h"
#include "world/event_context.h"
#include "world/object.h"

namespace {

constexpr const char* kUnknown = "<unknown>";

struct NamedNumber {
  int32_t number;
  const char* name;
};

// Numbers first..last named by a format applied to number - offset.
struct NumberedRange {
  int32_t first;
  int32_t last;
  const char* format;
  int32_t offset;
};

// The name of a number: from its range's format (written into the buffer), else from the table.
const char* NameOf(int32_t number, std::span<const NumberedRange> ranges, std::span<const NamedNumber> named,
                   char (&buffer)[64]) {
  for (const NumberedRange& range : ranges) {
    if (number >= range.first && number <= range.last) {
      std::snprintf(buffer, sizeof buffer, range.format, number - range.offset);
      return buffer;
    }
  }
  for (const NamedNumber& entry : named) {
    if (entry.number == number) return entry.name;
  }
  return kUnknown;
}

// Digits and letters are named by their character.
constexpr NumberedRange kKeyRanges[] = {
    {'0', '9', "%c-key", 0}, {'A', 'Z', "%c-key", 0}, {96, 105, "Keypad-%d", 96}, {112, 123, "F%d", 111}};
constexpr NumberedRange kMouseRanges[] = {{21, 28, "Joystick 1 Button %d", 20}, {36, 43, "Joystick 2 Button %d", 35}};
constexpr NumberedRange kOtherRanges[] = {
    {10, 25, "User Defined %d", 10}, {40, 47, "Outside View %d", 40}, {50, 57, "Boundary View %d", 50}};

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
  return NameOf(key, kKeyRanges, kKeys, buffer);
}

const char* Event_GetMouseName(int32_t number) {
  static char buffer[64];
  return NameOf(number, kMouseRanges, kMouse, buffer);
}

const char* Event_GetOtherName(int32_t number) {
  static char buffer[64];
  return NameOf(number, kOtherRanges, kOther, buffer);
}

const char* Event_GetAsyncName(int32_t number) {
  static char buffer[64];
  return NameOf(number, {}, kAsync, buffer);
}

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
    case kEventKeyPress:
    case kEventKeyRelease: {
      const char* kind = type == kEventKeyboard ? "Keyboard" : (type == kEventKeyPress ? "Key Press" : "Key Release");
      std::snprintf(buffer, sizeof buffer, "%s Event for %s Key", kind, Event_GetKeyName(number));
      return buffer;
    }
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
    default:
      return "<Unknown Event>";
  }
}
