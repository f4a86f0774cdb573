// The action group: the functions that the drag-and-drop editor's event code calls. Each one is a
// thin adapter over the world, the instance, drawing, particles and sound; most follow the one
// relative flag (argument_relative), which turns positions into offsets from the caller and
// values into increments.
#include "functions/action_functions.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <string>

#include "assets/background.h"
#include "assets/sprite.h"
#include "assets/sprite_table.h"
#include "audio/audio_engine.h"
#include "audio/cd_audio_stand_in.h"
#include "audio/sound_names_stand_in.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "core/argument_getters.h"
#include "core/value.h"
#include "functions/handler_args.h"
#include "functions/highscore.h"
#include "functions/interaction_functions.h"
#include "functions/load_stand_in.h"
#include "functions/math_strings.h"
#include "functions/misc_handlers.h"
#include "functions/random.h"
#include "functions/screen_capture.h"
#include "io/file_services.h"
#include "io/input.h"
#include "io/main_window.h"
#include "io/window_services.h"
#include "render/effects.h"
#include "render/frame.h"
#include "render/particles.h"
#include "render/primitives.h"
#include "render/room_draw.h"
#include "render/text.h"
#include "runtime/error_report.h"
#include "runtime/frame_timing.h"
#include "runtime/game_header.h"
#include "runtime/host_state.h"
#include "runtime/run_state.h"
#include "vm/script_table.h"
#include "world/commands.h"
#include "world/event.h"
#include "world/instance.h"
#include "world/motion_planning.h"
#include "world/object.h"
#include "world/queries.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world/saved_game.h"

namespace {

constexpr uint8_t kActionFlag = 1;
constexpr int32_t kAllInstances = -3;

using misc::SetBool;
void Report(const char* message) { Error_Report(false, message); }

// A script's number made an integer: rounded to the nearest, saturated at the type's limits, and
// NaN as 0, so no number reaches an undefined conversion.
template <typename T>
T Saturate(double value) {
  if (std::isnan(value)) return 0;
  const double rounded = std::nearbyint(value);
  if (rounded <= static_cast<double>(std::numeric_limits<T>::min())) return std::numeric_limits<T>::min();
  if (rounded >= static_cast<double>(std::numeric_limits<T>::max())) return std::numeric_limits<T>::max();
  return static_cast<T>(rounded);
}
int32_t SaturatedSum(int32_t a, int32_t b) { return Saturate<int32_t>(static_cast<double>(a) + b); }

// --- relative mode -----------------------------------------------------------------------------

struct Point {
  float x;
  float y;
};

// A position argument pair, offset by the caller's position in relative mode (summed in double
// precision, then rounded to single).
Point At(const CInstance* self, float x, float y) {
  if (!argument_relative || self == nullptr) return {x, y};
  return {static_cast<float>(static_cast<double>(self->x) + x), static_cast<float>(static_cast<double>(self->y) + y)};
}
Point At(const CInstance* self, const Args& a, int32_t first) { return At(self, a.F(first), a.F(first + 1)); }

// A value that sets a field, or its increment in relative mode.
float Value(float field, float argument) {
  return argument_relative ? static_cast<float>(static_cast<double>(field) + argument) : argument;
}

// --- the empty actions ---------------------------------------------------------------------------

BUILTIN_FN(Nothing) {}

BUILTIN_FN(SetRelative) {
  HANDLER_ARGS;
  argument_relative = a.B(0);
}

// --- motion --------------------------------------------------------------------------------------

// The directions of the nine places of action_move's text, laid out like a numeric keypad read
// from its bottom row; the middle one stops.
constexpr float kMoveDirections[9] = {225.0f, 270.0f, 315.0f, 180.0f, 0.0f, 0.0f, 135.0f, 90.0f, 45.0f};
constexpr uint32_t kMoveStop = 4;

BUILTIN_FN(Move) {
  HANDLER_ARGS;
  const char* directions = a.Text(0);
  if (directions == nullptr || std::strlen(directions) != 9) {
    Report("Wrong argument to action_move().");
    return;
  }
  if (std::memchr(directions, '1', 9) == nullptr || self == nullptr) return;
  self->SetSpeed(Value(self->speed, a.F(1)));
  uint32_t place = 0;
  do {
    place = Random_Int(9);
  } while (directions[place] != '1');
  self->SetDirection(kMoveDirections[place]);
  if (place == kMoveStop) self->SetSpeed(0.0f);
}

BUILTIN_FN(SetMotion) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  if (argument_relative) {
    self->AddMotion(a.F(0), a.F(1));
  } else {
    self->SetDirection(a.F(0));
    self->SetSpeed(a.F(1));
  }
}

BUILTIN_FN(SetHSpeed) {
  HANDLER_ARGS;
  if (self != nullptr) self->SetHSpeed(Value(self->hspeed, a.F(0)));
}
BUILTIN_FN(SetVSpeed) {
  HANDLER_ARGS;
  if (self != nullptr) self->SetVSpeed(Value(self->vspeed, a.F(0)));
}
BUILTIN_FN(SetGravity) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  self->gravity_direction = Value(self->gravity_direction, a.F(0));
  self->gravity = Value(self->gravity, a.F(1));
}
BUILTIN_FN(SetFriction) {
  HANDLER_ARGS;
  if (self != nullptr) self->friction = Value(self->friction, a.F(0));
}

BUILTIN_FN(MovePoint) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  const Point p = At(self, a, 0);
  Command_MoveTowards(self, p.x, p.y, a.F(2));
}
BUILTIN_FN(MoveTo) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  const Point p = At(self, a, 0);
  self->SetPosition(p.x, p.y);
}
BUILTIN_FN(MoveStart) {
  if (self != nullptr) self->SetPosition(self->xstart, self->ystart);
}

// One random coordinate of [low, high), snapped down to the grid when the snap is above 0. An
// empty range draws once and gives low.
int32_t RandomCoordinate(int32_t low, int32_t high, int32_t snap) {
  int32_t value = SaturatedSum(low, static_cast<int32_t>(Random_Int(Saturate<int32_t>(static_cast<double>(high) - low))));
  if (snap > 0) value = Saturate<int32_t>(snap * std::floor(static_cast<double>(value) / snap));
  return value;
}

constexpr int32_t kRandomPlaceAttempts = 99;

BUILTIN_FN(MoveRandom) {
  HANDLER_ARGS;
  if (self == nullptr || Room_Current == nullptr) return;
  const int32_t hsnap = a.I(0);
  const int32_t vsnap = a.I(1);
  const double width = Room_Current->width;
  const double height = Room_Current->height;
  double xmin = 0.0, ymin = 0.0, xmax = width, ymax = height;
  if (Sprite_Exists(self->sprite_index) || Sprite_Exists(self->mask_index)) {
    // The whole bounding box stays inside the room.
    if (self->bbox_dirty) Compute_BoundingBox(self);
    xmin = self->x - static_cast<double>(self->bbox_left);
    ymin = self->y - static_cast<double>(self->bbox_top);
    xmax = width + self->x - self->bbox_right;
    ymax = height + self->y - self->bbox_bottom;
  }
  const int32_t x1 = Saturate<int32_t>(xmin), x2 = Saturate<int32_t>(xmax);
  const int32_t y1 = Saturate<int32_t>(ymin), y2 = Saturate<int32_t>(ymax);
  for (int32_t attempt = 0; attempt < kRandomPlaceAttempts; ++attempt) {
    const auto x = static_cast<float>(RandomCoordinate(x1, x2, hsnap));
    const auto y = static_cast<float>(RandomCoordinate(y1, y2, vsnap));
    if (Command_PlaceFree(self, x, y)) {
      self->SetPosition(x, y);
      return;
    }
  }
}

BUILTIN_FN(Snap) {
  HANDLER_ARGS;
  if (self != nullptr) Command_Snap(self, a.F(0), a.F(1));
}
BUILTIN_FN(Wrap) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  const int32_t direction = a.I(0);
  Command_Wrap(self, direction == 0 || direction == 2, direction == 1 || direction == 2);
}
BUILTIN_FN(ReverseXDir) {
  if (self != nullptr) self->SetHSpeed(-self->hspeed);
}
BUILTIN_FN(ReverseYDir) {
  if (self != nullptr) self->SetVSpeed(-self->vspeed);
}
BUILTIN_FN(MoveContact) {
  HANDLER_ARGS;
  if (self != nullptr) Command_MoveContact(self, a.F(0), a.F(1), a.B(2));
}
BUILTIN_FN(Bounce) {
  HANDLER_ARGS;
  if (self != nullptr) Command_Bounce(self, a.B(0), a.B(1));
}

// --- paths and motion planning -----------------------------------------------------------------

BUILTIN_FN(Path) {
  HANDLER_ARGS;
  if (self != nullptr) self->StartPath(a.I(0), a.F(1), 1.0f, 0.0f, !a.B(3), a.I(2));
}
BUILTIN_FN(PathEnd) {
  if (self != nullptr) self->StartPath(-1, 0.0f, 1.0f, 0.0f, false, 0);
}
BUILTIN_FN(PathPosition) {
  HANDLER_ARGS;
  if (self != nullptr) self->SetPathPosition(Value(self->path_position, a.F(0)));
}
BUILTIN_FN(PathSpeed) {
  HANDLER_ARGS;
  if (self != nullptr) self->SetPathSpeed(Value(self->path_speed, a.F(0)));
}
BUILTIN_FN(LinearStep) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  const Point p = At(self, a, 0);
  MP_LinearStep(self, p.x, p.y, a.F(2), kAllInstances, a.B(3));
}
BUILTIN_FN(PotentialStep) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  const Point p = At(self, a, 0);
  MP_PotentialStep(self, p.x, p.y, a.F(2), kAllInstances, a.Above0(3));
}

// --- instances -----------------------------------------------------------------------------------

BUILTIN_FN(KillObject) { Command_DestroyInstance(self); }

BUILTIN_FN(CreateObject) {
  HANDLER_ARGS;
  const Point p = At(self, a, 1);
  Command_CreateInstance(a.I(0), p.x, p.y);
}
BUILTIN_FN(CreateObjectMotion) {
  HANDLER_ARGS;
  const Point p = At(self, a, 1);
  Command_CreateInstanceMoving(a.I(0), p.x, p.y, a.F(3), a.F(4));
}
BUILTIN_FN(CreateObjectRandom) {
  HANDLER_ARGS;
  const int32_t objects[4] = {a.I(0), a.I(1), a.I(2), a.I(3)};
  bool any = false;
  for (const int32_t object : objects) any = any || Object_Exists(object);
  if (!any) return;
  int32_t object = -1;
  do {
    object = objects[Random_Int(4)];
  } while (!Object_Exists(object));
  const Point p = At(self, a, 4);
  Command_CreateInstance(object, p.x, p.y);
}
BUILTIN_FN(KillPosition) {
  HANDLER_ARGS;
  const Point p = At(self, a, 0);
  Command_PositionDestroy(p.x, p.y);
}
BUILTIN_FN(ChangeObject) {
  HANDLER_ARGS;
  Command_ChangeInstance(self, a.I(0), a.B(1));
}

// --- the instance's sprite -----------------------------------------------------------------------

BUILTIN_FN(SetSprite) {
  HANDLER_ARGS;
  Command_SetSprite(self, a.I(0));
  const float scale = a.F(1);
  if (self != nullptr && scale > 0.0f) {
    self->SetImageXScale(scale);
    self->SetImageYScale(scale);
  }
}
BUILTIN_FN(SpriteSet) {
  HANDLER_ARGS;
  Command_SetSprite(self, a.I(0));
  if (self == nullptr) return;
  const int32_t subimage = a.I(1);
  if (subimage >= 0) self->image_index = static_cast<float>(subimage);
  self->image_speed = a.F(2);
}
BUILTIN_FN(SpriteTransform) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  const float xscale = a.F(0);
  const float yscale = a.F(1);
  self->SetImageXScale(xscale);
  self->SetImageYScale(yscale);
  self->SetImageAngle(a.F(2));
  const int32_t mirror = a.I(3);
  if (mirror == 1 || mirror == 3) self->SetImageXScale(-xscale);
  if (mirror == 2 || mirror == 3) self->SetImageYScale(-yscale);
}
BUILTIN_FN(SpriteColour) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  self->image_blend = a.U(0);
  self->image_alpha = a.F(1);
}

// --- control and code ----------------------------------------------------------------------------

BUILTIN_FN(If) {
  HANDLER_ARGS;
  const RValue zero = RValue_MakeReal(0.0);
  const RValue* value = a.V(0);
  RValue_Assign(result, value != nullptr ? value : &zero);
}

// The sign of a - b for two values of one kind; false when the kinds differ (reported).
bool Difference(const RValue* a, const RValue* b, double* difference) {
  if (RValue_Kind(a) != RValue_Kind(b)) {
    Report("Cannot compare arguments.");
    return false;
  }
  if (RValue_Kind(a) != VALUE_STRING) {
    *difference = RValue_ToReal(a) - RValue_ToReal(b);
    return true;
  }
  if (a->pString == b->pString) {
    *difference = 0.0;
  } else if (a->pString == nullptr || b->pString == nullptr || a->pString->text == nullptr ||
             b->pString->text == nullptr) {
    *difference = 1.0;
  } else {
    const int order = std::strcmp(a->pString->text, b->pString->text);  // unsigned bytes
    *difference = order < 0 ? -1.0 : order > 0 ? 1.0 : 0.0;
  }
  return true;
}

bool Compare(double difference, int32_t operation) {
  switch (operation) {
    case 1: return difference < 0.0;
    case 2: return difference > 0.0;
    case 3: return difference <= 0.0;
    case 4: return difference >= 0.0;
    default: return difference == 0.0;
  }
}

BUILTIN_FN(IfVariable) {
  HANDLER_ARGS;
  const RValue zero = RValue_MakeReal(0.0);
  const RValue* first = a.V(0) != nullptr ? a.V(0) : &zero;
  const RValue* second = a.V(1) != nullptr ? a.V(1) : &zero;
  double difference = 0.0;
  SetBool(result, Difference(first, second, &difference) && Compare(difference, a.I(2)));
}

constexpr int32_t kScriptArguments = 5;

BUILTIN_FN(ExecuteScript) {
  HANDLER_ARGS;
  RValue copies[kScriptArguments];
  for (int32_t i = 0; i < kScriptArguments; ++i) {
    copies[i] = RValue_MakeReal(0.0);
    if (const RValue* v = a.V(i + 1)) RValue_Assign(&copies[i], v);
  }
  const int32_t script = a.I(0);
  if (!Script_Perform(script, self, other, kScriptArguments, result, copies)) {
    char message[64];
    std::snprintf(message, sizeof message, "Trying to execute non-existing script: %d", script);
    Report(message);
  }
  // Released twice is harmless: the run may already have released them.
  for (RValue& copy : copies) RValue_Release(&copy);
}

// --- conditions ----------------------------------------------------------------------------------

BUILTIN_FN(IfEmpty) {
  HANDLER_ARGS;
  if (self == nullptr) return SetBool(result, false);
  const Point p = At(self, a, 0);
  SetBool(result, a.I(2) == 0 ? Command_PlaceFree(self, p.x, p.y) : Command_PlaceEmpty(self, p.x, p.y));
}
BUILTIN_FN(IfCollision) {
  HANDLER_ARGS;
  if (self == nullptr) return SetBool(result, false);
  const Point p = At(self, a, 0);
  SetBool(result, a.I(2) == 0 ? !Command_PlaceEmpty(self, p.x, p.y) : !Command_PlaceFree(self, p.x, p.y));
}
BUILTIN_FN(IfObject) {
  HANDLER_ARGS;
  if (self == nullptr) return SetBool(result, false);
  const Point p = At(self, a, 1);
  SetBool(result, Command_PlaceMeeting(self, a.I(0), p.x, p.y));
}
BUILTIN_FN(IfNumber) {
  HANDLER_ARGS;
  const double n = Command_InstanceNumber(a.I(0));
  const double number = a.R(1);
  const int32_t operation = a.I(2);
  SetBool(result, operation == 1 ? n < number : operation == 2 ? n > number : n == number);
}
BUILTIN_FN(IfQuestion) {
  HANDLER_ARGS;
  SetBool(result, Interaction_AskQuestion(a.V(0)));
}
BUILTIN_FN(IfDice) {
  HANDLER_ARGS;
  const double sides = a.R(0);
  SetBool(result, !(sides > 1.0) || Random_Int(Saturate<int32_t>(sides * 1000.0)) <= 1000u);
}
BUILTIN_FN(IfMouse) {
  HANDLER_ARGS;
  const int32_t button = a.I(0);
  if (button >= 1 && button <= 3) {
    SetBool(result, IO_ButtonDown(button, 0) || IO_ButtonReleased(button, 0));
  } else {
    SetBool(result, IO_GetCurrentButton(0) == 0);
  }
}
bool Aligned(double coordinate, double snap) {
  return !(snap > 0.0) || std::fabs(coordinate - snap * std::round(coordinate / snap)) < 0.001;
}
BUILTIN_FN(IfAligned) {
  HANDLER_ARGS;
  SetBool(result, self != nullptr && Aligned(self->x, a.R(0)) && Aligned(self->y, a.R(1)));
}
BUILTIN_FN(IfSound) {
  HANDLER_ARGS;
  const int32_t sound = a.I(0);
  SetBool(result, Audio_UsingNewAudio() ? Audio_IsPlaying(sound) : Sound_IsPlaying(sound));
}
BUILTIN_FN(IfPreviousRoom) { SetBool(result, Room_CurrentIndex != Room_First()); }
BUILTIN_FN(IfNextRoom) { SetBool(result, Room_CurrentIndex != Room_Last()); }

template <typename T>
bool Against(T value, T target, int32_t operation) {
  return operation == 1 ? value < target : operation == 2 ? value > target : value == target;
}
BUILTIN_FN(IfScore) {
  HANDLER_ARGS;
  SetBool(result, Against<double>(g_RunState.score, a.R(0), Saturate<int32_t>(a.R(1))));
}
BUILTIN_FN(IfLife) {
  HANDLER_ARGS;
  SetBool(result, Against<int32_t>(g_RunState.lives, a.I(0), a.I(1)));
}
BUILTIN_FN(IfHealth) {
  HANDLER_ARGS;
  SetBool(result, Against<double>(g_RunState.health, a.R(0), a.I(1)));
}

// --- score, lives and health ---------------------------------------------------------------------

constexpr int32_t kNoMoreLives = 6;
constexpr int32_t kNoMoreHealth = 9;

BUILTIN_FN(SetScore) {
  HANDLER_ARGS;
  const int32_t value = a.I(0);
  g_RunState.score = argument_relative ? SaturatedSum(g_RunState.score, value) : value;
}
BUILTIN_FN(SetLife) {
  HANDLER_ARGS;
  const int32_t before = g_RunState.lives;
  const int32_t value = a.I(0);
  g_RunState.lives = argument_relative ? SaturatedSum(before, value) : value;
  if (before > 0 && g_RunState.lives <= 0) Event_PerformAll(kEventOther, kNoMoreLives);
}
BUILTIN_FN(SetHealth) {
  HANDLER_ARGS;
  const double before = g_RunState.health;
  const double value = a.R(0);
  g_RunState.health = argument_relative ? before + value : value;
  if (before > 0.0 && g_RunState.health <= 0.0) Event_PerformAll(kEventOther, kNoMoreHealth);
}

void SetCaption(char** slot, const char* text) {
  if (text != nullptr) {
    Host_ReplaceText(slot, text);
  } else {
    Host_FreeText(slot);
  }
}
BUILTIN_FN(SetCaption) {
  HANDLER_ARGS;
  g_RunState.showScore = a.B(0);
  SetCaption(&g_RunState.captionScore, a.Text(1));
  g_RunState.showLives = a.B(2);
  SetCaption(&g_RunState.captionLives, a.Text(3));
  g_RunState.showHealth = a.B(4);
  SetCaption(&g_RunState.captionHealth, a.Text(5));
  g_RunState.showScoreWasSet = true;
}
BUILTIN_FN(HighscoreClear) { Score_Clear(); }

// --- rooms and the game --------------------------------------------------------------------------

BUILTIN_FN(AnotherRoom) {
  HANDLER_ARGS;
  Command_GotoRoom(a.I(0));
}
BUILTIN_FN(CurrentRoom) { Command_RestartRoom(); }
BUILTIN_FN(PreviousRoom) { Command_PreviousRoom(); }
BUILTIN_FN(NextRoom) { Command_NextRoom(); }
BUILTIN_FN(EndGame) { Command_EndGame(); }
BUILTIN_FN(RestartGame) { Command_RestartGame(); }
BUILTIN_FN(SaveGame) {
  HANDLER_ARGS;
  if (const char* file = a.S(0)) Game_Save(file);
}
BUILTIN_FN(LoadGame) {
  HANDLER_ARGS;
  if (const char* file = a.S(0)) Game_Load(file);
}

// --- timing and timelines ------------------------------------------------------------------------

BUILTIN_FN(SetAlarm) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  int32_t steps = a.I(0);
  const int32_t alarm = a.I(1);
  // A stopped alarm (-1) starts afresh rather than one step short.
  if (argument_relative && self->GetAlarm(alarm) >= 0) steps = SaturatedSum(steps, self->GetAlarm(alarm));
  self->SetAlarm(alarm, steps);
}
BUILTIN_FN(Sleep) {
  HANDLER_ARGS;
  if (a.R(1) >= 0.5) {
    DrawRoom();
    End_Frame(true);
    Start_Frame();
  }
  Timing_Wait(Saturate<int64_t>(a.R(0) * 1000.0));
}
BUILTIN_FN(SetTimeline) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  self->timeline_index = a.I(0);
  self->timeline_position = a.F(1);
  self->timeline_running = true;
}
BUILTIN_FN(SetTimelinePosition) {
  HANDLER_ARGS;
  if (self != nullptr) self->timeline_position = Value(self->timeline_position, a.F(0));
}
BUILTIN_FN(SetTimelineSpeed) {
  HANDLER_ARGS;
  if (self != nullptr) self->timeline_speed = Value(self->timeline_speed, a.F(0));
}
BUILTIN_FN(TimelineSet) {
  HANDLER_ARGS;
  if (self == nullptr) return;
  self->timeline_index = a.I(0);
  self->timeline_position = a.F(1);
  self->timeline_running = a.I(2) == 0;
  self->timeline_loop = a.I(3) == 1;
}
BUILTIN_FN(TimelineStart) {
  if (self != nullptr) self->timeline_running = true;
}
BUILTIN_FN(TimelinePause) {
  if (self != nullptr) self->timeline_running = false;
}
BUILTIN_FN(TimelineStop) {
  if (self == nullptr) return;
  self->timeline_position = 0.0f;
  self->timeline_running = false;
}

// --- messages and information --------------------------------------------------------------------

BUILTIN_FN(Message) {
  HANDLER_ARGS;
  Interaction_ShowMessage(a.V(0));
}
BUILTIN_FN(ShowInfo) { IO_Clear(); }
// No video is played: only the splash settings are kept.
BUILTIN_FN(ShowVideo) {
  HANDLER_ARGS;
  const bool fullscreen = a.B(1);
  Interaction_SetSplashScreen(fullscreen, !fullscreen);
  IO_Clear();
}

// --- sound and CD --------------------------------------------------------------------------------

BUILTIN_FN(Sound) {
  HANDLER_ARGS;
  const int32_t sound = a.I(0);
  const bool loop = a.B(1);
  if (Audio_UsingNewAudio()) {
    Audio_PlaySimpleSound(sound, 1.0, loop ? 1 : 0);
  } else if (!Sound_Play(sound, loop)) {
    Report("Trying to play non-existing sound.");
  }
}
BUILTIN_FN(EndSound) {
  HANDLER_ARGS;
  const int32_t sound = a.I(0);
  if (Audio_UsingNewAudio()) {
    Audio_StopSound(sound);
  } else if (!Sound_Stop(sound)) {
    Report("Trying to stop non-existing sound.");
  }
}
BUILTIN_FN(CdPlay) {
  HANDLER_ARGS;
  CD_Play(a.I(0), a.I(1));
}
BUILTIN_FN(CdStop) { CD_Stop(); }
BUILTIN_FN(CdPause) { CD_Pause(); }
BUILTIN_FN(CdResume) { CD_Resume(); }
BUILTIN_FN(CdPresent) { SetBool(result, CD_Present()); }
BUILTIN_FN(CdPlaying) { SetBool(result, CD_Playing()); }

// --- replacing resources -------------------------------------------------------------------------

constexpr const char* kNoResource = "Trying to replace non-existing resource.";
constexpr const char* kNoFile = "File does not exist.";

// The file to replace a resource with, or null after reporting why there is none.
const char* ReplacementFile(bool exists, const char* file) {
  if (!exists) {
    Report(kNoResource);
    return nullptr;
  }
  if (file == nullptr || !File_Exists(file)) {
    Report(kNoFile);
    return nullptr;
  }
  return file;
}
BUILTIN_FN(ReplaceSprite) {
  HANDLER_ARGS;
  const int32_t index = a.I(0);
  const char* file = ReplacementFile(Sprite_Exists(index), a.Text(1));
  if (file == nullptr) return;
  const CSprite* s = Sprite_Data(index);
  Sprite_Replace(index, file, a.I(2), s->precise, s->transparent, s->smooth, s->preload, s->originX, s->originY);
}
BUILTIN_FN(ReplaceSound) {
  HANDLER_ARGS;
  const int32_t index = a.I(0);
  const char* file = ReplacementFile(Sound_Exists(index), a.Text(1));
  if (file != nullptr) Sound_Replace(index, file, Sound_GetKind(index), Sound_GetPreload(index));
}
BUILTIN_FN(ReplaceBackground) {
  HANDLER_ARGS;
  const int32_t index = a.I(0);
  const char* file = ReplacementFile(Background_Exists(index), a.Text(1));
  if (file == nullptr) return;
  const CBackground* b = Background_Data(index);
  Background_Replace(index, file, b->GetTransparent(), b->GetSmooth(), b->GetPreload());
}

// --- drawing -------------------------------------------------------------------------------------

constexpr uint32_t kWhite = 0xFFFFFF;

int32_t RoomWidth() { return Room_Current != nullptr ? Room_Current->width : 0; }
int32_t RoomHeight() { return Room_Current != nullptr ? Room_Current->height : 0; }

BUILTIN_FN(DrawSprite) {
  HANDLER_ARGS;
  const int32_t sprite = a.I(0);
  if (!Sprite_Exists(sprite)) {
    Report("Trying to draw a non-existing sprite.");
    return;
  }
  const Point p = At(self, a, 1);
  int32_t frame = a.I(3);
  if (frame < 0) frame = self != nullptr ? Saturate<int32_t>(std::floor(self->image_index)) : 0;
  Sprite_Data(sprite)->SpriteDraw(frame, p.x, p.y, 1.0f, 1.0f, 0.0f, kWhite, 1.0f);
}
BUILTIN_FN(DrawBackground) {
  HANDLER_ARGS;
  const int32_t background = a.I(0);
  if (!Background_Exists(background)) {
    Report("Trying to draw a non-existing background.");
    return;
  }
  const Point p = At(self, a, 1);
  const bool tiled = a.I(3) > 0;
  Background_Data(background)
      ->DrawTiled(p.x, p.y, 1.0f, 1.0f, tiled, tiled, 0.0f, 0.0f, static_cast<float>(RoomWidth()),
                  static_cast<float>(RoomHeight()), kWhite, 1.0f);
}

BUILTIN_FN(DrawText) {
  HANDLER_ARGS;
  const Point p = At(self, a, 1);
  Text_Draw(p.x, p.y, Interaction_DialogText(a.V(0)).c_str(), -1, -1);
}
BUILTIN_FN(DrawTextTransformed) {
  HANDLER_ARGS;
  const Point p = At(self, a, 1);
  Text_DrawTransformed(p.x, p.y, Interaction_DialogText(a.V(0)).c_str(), -1, -1, a.F(3), a.F(4), a.F(5));
}
// The value's text as it stands: text layout breaks lines at '#', so each '#' goes escaped.
BUILTIN_FN(DrawVariable) {
  HANDLER_ARGS;
  const RValue zero = RValue_MakeReal(0.0);
  char* text = F_StringFromValue(a.V(0) != nullptr ? a.V(0) : &zero);
  std::string kept;
  for (const char* c = text; *c != '\0'; ++c) {
    if (*c == '#') kept += '\\';
    kept += *c;
  }
  MEM_FREE(text);
  const Point p = At(self, a, 1);
  Text_Draw(p.x, p.y, kept.c_str(), -1, -1);
}
// The caption ('#' as a line break) directly followed by the number.
void DrawCounter(CInstance* self, const Args& a, int32_t number) {
  const Point p = At(self, a, 0);
  const std::string text = Interaction_DialogText(a.V(2)) + std::to_string(number);
  Text_Draw(p.x, p.y, text.c_str(), -1, -1);
}
BUILTIN_FN(DrawScore) {
  HANDLER_ARGS;
  DrawCounter(self, a, g_RunState.score);
}
BUILTIN_FN(DrawLife) {
  HANDLER_ARGS;
  DrawCounter(self, a, g_RunState.lives);
}

// More images than this are never drawn: a script can set lives to two billion, and the row would
// hold the frame for minutes.
constexpr int32_t kLifeImageLimit = 1000;

BUILTIN_FN(DrawLifeImages) {
  HANDLER_ARGS;
  const int32_t sprite = a.I(2);
  if (!Sprite_Exists(sprite)) return;
  const Point p = At(self, a, 0);
  CSprite* s = Sprite_Data(sprite);
  const int32_t count = g_RunState.lives < kLifeImageLimit ? g_RunState.lives : kLifeImageLimit;
  for (int32_t i = 0; i < count; ++i) {
    s->SpriteDraw(0, static_cast<float>(p.x + static_cast<double>(i) * s->width), p.y, 1.0f, 1.0f, 0.0f, kWhite,
                  1.0f);
  }
}

// The sixteen colours of the health bar's colour codes (blue-green-red).
constexpr uint32_t kHealthPalette[16] = {0x000000, 0x808080, 0xC0C0C0, 0xFFFFFF, 0x000080, 0x008000,
                                         0x008080, 0x800000, 0x800080, 0x808000, 0x0000FF, 0x00FF00,
                                         0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00};

BUILTIN_FN(DrawHealth) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0);
  const Point p2 = At(self, a, 2);
  const int32_t backCode = a.I(4);
  const int32_t barCode = a.I(5);
  const uint32_t back = backCode >= 1 && backCode <= 16 ? kHealthPalette[backCode - 1] : 0;
  uint32_t colours[3] = {0, 0, 0};
  if (barCode == 0) {
    colours[0] = 0x0000FF, colours[1] = 0x00FFFF, colours[2] = 0x00FF00;
  } else if (barCode == 1) {
    colours[0] = 0x000000, colours[1] = 0x808080, colours[2] = 0xFFFFFF;
  } else if (barCode >= 2 && barCode <= 17) {
    colours[0] = colours[1] = colours[2] = kHealthPalette[barCode - 2];
  }
  GR_Draw_Healthbar(p1.x, p1.y, p2.x, p2.y, static_cast<float>(g_RunState.health), back, colours[0], colours[1],
                    colours[2], 0, a.B(4), true);
}

BUILTIN_FN(DrawRectangle) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0), p2 = At(self, a, 2);
  GR_Draw_Rectangle(p1.x, p1.y, p2.x, p2.y, a.I(4) > 0);
}
BUILTIN_FN(DrawGradientHor) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0), p2 = At(self, a, 2);
  const uint32_t c1 = a.U(4), c2 = a.U(5);
  GR_Draw_RectangleColour(p1.x, p1.y, p2.x, p2.y, c1, c2, c2, c1, false);
}
BUILTIN_FN(DrawGradientVert) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0), p2 = At(self, a, 2);
  const uint32_t c1 = a.U(4), c2 = a.U(5);
  GR_Draw_RectangleColour(p1.x, p1.y, p2.x, p2.y, c1, c1, c2, c2, false);
}
BUILTIN_FN(DrawEllipse) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0), p2 = At(self, a, 2);
  GR_Draw_Ellipse(p1.x, p1.y, p2.x, p2.y, a.B(4));
}
BUILTIN_FN(DrawEllipseGradient) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0), p2 = At(self, a, 2);
  GR_Draw_EllipseColour(p1.x, p1.y, p2.x, p2.y, a.U(4), a.U(5), false);
}
BUILTIN_FN(DrawLine) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0), p2 = At(self, a, 2);
  GR_Draw_Line(p1.x, p1.y, p2.x, p2.y);
}
BUILTIN_FN(DrawArrow) {
  HANDLER_ARGS;
  const Point p1 = At(self, a, 0), p2 = At(self, a, 2);
  GR_Draw_Arrow(p1.x, p1.y, p2.x, p2.y, a.F(4));
}
BUILTIN_FN(Colour) {
  HANDLER_ARGS;
  GR_SetColour(a.U(0));
}
BUILTIN_FN(Font) {
  HANDLER_ARGS;
  Text_SetFont(a.I(0));
  Text_SetHAlign(a.I(1));
}
// A 200 by 200 box in the middle of the room; the eleven arguments are not read.
BUILTIN_FN(HighscoreShow) {
  const int32_t cx = RoomWidth() / 2;
  const int32_t cy = RoomHeight() / 2;
  Score_Draw(cx - 100, cy - 100, cx + 100, cy + 100);
}

// --- the action particle system ------------------------------------------------------------------

constexpr int32_t kParticleSlots = 16;

struct ActionParticles {
  int32_t system = -1;
  int32_t types[kParticleSlots];
  int32_t emitters[kParticleSlots];
  void ForgetSlots() {
    for (int32_t i = 0; i < kParticleSlots; ++i) types[i] = emitters[i] = -1;
  }
};
ActionParticles g_particles;

bool InSlots(int32_t slot) { return slot >= 0 && slot < kParticleSlots; }

int32_t EnsureSystem() {
  if (!ParticleSystem_Exists(g_particles.system)) g_particles.system = ParticleSystem_Create();
  return g_particles.system;
}
// The particle type of a slot, made when the slot is empty; -1 for a slot outside the table.
int32_t EnsureType(int32_t slot) {
  EnsureSystem();
  if (!InSlots(slot)) return -1;
  if (g_particles.types[slot] == -1) g_particles.types[slot] = ParticleType_Create();
  return g_particles.types[slot];
}
// The type a slot holds, -1 when it is empty or outside the table.
int32_t TypeIn(int32_t slot) { return InSlots(slot) ? g_particles.types[slot] : -1; }

BUILTIN_FN(PartsystCreate) {
  HANDLER_ARGS;
  const int32_t system = EnsureSystem();
  ParticleSystem_Clear(system);
  ParticleSystem_SetDepth(system, a.F(0));
  g_particles.ForgetSlots();
}
BUILTIN_FN(PartsystDestroy) {
  if (g_particles.system != -1) ParticleSystem_Destroy(g_particles.system);
  g_particles.system = -1;
}
BUILTIN_FN(PartsystClear) {
  if (g_particles.system != -1) ParticleSystem_ClearParticles(g_particles.system);
}
BUILTIN_FN(ParttypeCreateOld) {
  HANDLER_ARGS;
  const int32_t type = EnsureType(a.I(0));
  if (type == -1) return;
  ParticleType_SetShape(type, a.I(1));
  ParticleType_SetSize(type, a.F(2), a.F(3), 0.0f, 0.0f);
  ParticleType_SetColour2(type, a.U(4), a.U(5));
}
BUILTIN_FN(ParttypeCreate) {
  HANDLER_ARGS;
  const int32_t type = EnsureType(a.I(0));
  if (type == -1) return;
  ParticleType_SetShape(type, a.I(1));
  ParticleType_SetSprite(type, a.I(2), true, false, false);
  ParticleType_SetSize(type, a.F(3), a.F(4), a.F(5), 0.0f);
}
BUILTIN_FN(ParttypeColour) {
  HANDLER_ARGS;
  const int32_t type = EnsureType(a.I(0));
  if (type == -1) return;
  if (a.I(1) == 0) {
    ParticleType_SetColourMix(type, a.U(2), a.U(3));
  } else {
    ParticleType_SetColour2(type, a.U(2), a.U(3));
  }
  ParticleType_SetAlpha2(type, a.F(4), a.F(5));
}
BUILTIN_FN(ParttypeLife) {
  HANDLER_ARGS;
  const int32_t type = EnsureType(a.I(0));
  if (type != -1) ParticleType_SetLife(type, a.I(1), a.I(2));
}
BUILTIN_FN(ParttypeSpeed) {
  HANDLER_ARGS;
  const int32_t type = EnsureType(a.I(0));
  if (type == -1) return;
  ParticleType_SetSpeed(type, a.F(1), a.F(2), -a.F(5), 0.0f);
  ParticleType_SetDirection(type, a.F(3), a.F(4), 0.0f, 0.0f);
}
BUILTIN_FN(ParttypeGravity) {
  HANDLER_ARGS;
  const int32_t type = EnsureType(a.I(0));
  if (type != -1) ParticleType_SetGravity(type, a.F(1), a.F(2));
}
BUILTIN_FN(ParttypeSecondary) {
  HANDLER_ARGS;
  const int32_t type = EnsureType(a.I(0));
  if (type == -1) return;
  ParticleType_SetStep(type, a.I(2), TypeIn(a.I(1)));
  ParticleType_SetDeath(type, a.I(4), TypeIn(a.I(3)));
}
BUILTIN_FN(PartemitCreate) {
  HANDLER_ARGS;
  const int32_t system = EnsureSystem();
  const int32_t slot = a.I(0);
  if (!InSlots(slot)) return;
  if (g_particles.emitters[slot] == -1) g_particles.emitters[slot] = ParticleEmitter_Create(system);
  ParticleEmitter_SetRegion(system, g_particles.emitters[slot], a.F(2), a.F(3), a.F(4), a.F(5), a.I(1), 0);
}
BUILTIN_FN(PartemitDestroy) {
  HANDLER_ARGS;
  const int32_t system = EnsureSystem();
  const int32_t slot = a.I(0);
  if (InSlots(slot) && g_particles.emitters[slot] != -1) ParticleEmitter_Destroy(system, g_particles.emitters[slot]);
}
// The emitter of a slot, or -1 after reporting that it was never made.
int32_t EmitterIn(int32_t slot) {
  if (!InSlots(slot) || g_particles.emitters[slot] == -1) {
    Report("The particle emitter must first be created.");
    return -1;
  }
  return g_particles.emitters[slot];
}
BUILTIN_FN(PartemitBurst) {
  HANDLER_ARGS;
  const int32_t system = EnsureSystem();
  const int32_t emitter = EmitterIn(a.I(0));
  if (emitter != -1) ParticleEmitter_Burst(system, emitter, TypeIn(a.I(1)), a.I(2));
}
BUILTIN_FN(PartemitStream) {
  HANDLER_ARGS;
  const int32_t system = EnsureSystem();
  const int32_t emitter = EmitterIn(a.I(0));
  if (emitter != -1) ParticleEmitter_Stream(system, emitter, TypeIn(a.I(1)), a.I(2));
}

// --- effects and display -------------------------------------------------------------------------

BUILTIN_FN(Effect) {
  HANDLER_ARGS;
  const Point p = At(self, a, 1);
  Effect_Create(a.B(5), a.I(0), p.x, p.y, a.I(3), a.U(4));
}
BUILTIN_FN(Snapshot) {
  HANDLER_ARGS;
  Command_Snapshot(a.S(0));
}
BUILTIN_FN(Fullscreen) {
  HANDLER_ARGS;
  const int32_t mode = a.I(0);
  Window_SetFullscreen(mode == 1 ? false : mode == 2 ? true : !Window_GetFullscreen());
}
constexpr int32_t kCursorDefault = 0;
constexpr int32_t kCursorNone = -1;
BUILTIN_FN(SetCursor) {
  HANDLER_ARGS;
  g_RunState.cursorSprite = a.I(0);
  g_GameOptions.showCursor = a.I(1) > 0;
  Window_SetCursor(g_GameOptions.showCursor ? kCursorDefault : kCursorNone);
}
BUILTIN_FN(Webpage) {
  HANDLER_ARGS;
  const char* address = a.Text(0);
  if (address == nullptr || !File_ShellExecute(address, nullptr, nullptr)) Report("Failed to open the webpage.");
}

// --- the table -----------------------------------------------------------------------------------

struct Registration {
  const char* name;
  BuiltinHandler handler;
  int32_t argumentCount;
};

constexpr Registration kActions[] = {
    {"action_path_old", Nothing, 3},
    {"action_set_sprite", SetSprite, 2},
    {"action_draw_font", Nothing, 1},
    {"action_draw_font_old", Nothing, 6},
    {"action_fill_color", Nothing, 1},
    {"action_fill_colour", Nothing, 1},
    {"action_line_color", Nothing, 1},
    {"action_line_colour", Nothing, 1},
    {"action_highscore", Nothing, 0},
    {"action_set_relative", SetRelative, 1},
    {"action_move", Move, 2},
    {"action_set_motion", SetMotion, 2},
    {"action_set_hspeed", SetHSpeed, 1},
    {"action_set_vspeed", SetVSpeed, 1},
    {"action_set_gravity", SetGravity, 2},
    {"action_set_friction", SetFriction, 1},
    {"action_move_point", MovePoint, 3},
    {"action_move_to", MoveTo, 2},
    {"action_move_start", MoveStart, 0},
    {"action_move_random", MoveRandom, 2},
    {"action_snap", Snap, 2},
    {"action_wrap", Wrap, 1},
    {"action_reverse_xdir", ReverseXDir, 0},
    {"action_reverse_ydir", ReverseYDir, 0},
    {"action_move_contact", MoveContact, 3},
    {"action_bounce", Bounce, 2},
    {"action_path", Path, 4},
    {"action_path_end", PathEnd, 0},
    {"action_path_position", PathPosition, 1},
    {"action_path_speed", PathSpeed, 1},
    {"action_linear_step", LinearStep, 4},
    {"action_potential_step", PotentialStep, 4},
    {"action_kill_object", KillObject, 0},
    {"action_create_object", CreateObject, 3},
    {"action_create_object_motion", CreateObjectMotion, 5},
    {"action_create_object_random", CreateObjectRandom, 6},
    {"action_change_object", ChangeObject, 2},
    {"action_kill_position", KillPosition, 2},
    {"action_sprite_set", SpriteSet, 3},
    {"action_sprite_transform", SpriteTransform, 4},
    {"action_sprite_color", SpriteColour, 2},
    {"action_sprite_colour", SpriteColour, 2},
    {"action_sound", Sound, 2},
    {"action_end_sound", EndSound, 1},
    {"action_if_sound", IfSound, 1},
    {"action_another_room", AnotherRoom, 1},
    {"action_current_room", CurrentRoom, 0},
    {"action_previous_room", PreviousRoom, 0},
    {"action_next_room", NextRoom, 0},
    {"action_if_previous_room", IfPreviousRoom, 0},
    {"action_if_next_room", IfNextRoom, 0},
    {"action_set_alarm", SetAlarm, 2},
    {"action_sleep", Sleep, 2},
    {"action_set_timeline", SetTimeline, 2},
    {"action_set_timeline_position", SetTimelinePosition, 1},
    {"action_set_timeline_speed", SetTimelineSpeed, 1},
    {"action_timeline_set", TimelineSet, 4},
    {"action_timeline_start", TimelineStart, 0},
    {"action_timeline_pause", TimelinePause, 0},
    {"action_timeline_stop", TimelineStop, 0},
    {"action_message", Message, 1},
    {"action_show_info", ShowInfo, 0},
    {"action_show_video", ShowVideo, 3},
    {"action_end_game", EndGame, 0},
    {"action_restart_game", RestartGame, 0},
    {"action_save_game", SaveGame, 1},
    {"action_load_game", LoadGame, 1},
    {"action_replace_sprite", ReplaceSprite, 3},
    {"action_replace_sound", ReplaceSound, 2},
    {"action_replace_background", ReplaceBackground, 2},
    {"action_if_empty", IfEmpty, 3},
    {"action_if_collision", IfCollision, 3},
    {"action_if", If, 1},
    {"action_if_number", IfNumber, 3},
    {"action_if_object", IfObject, 3},
    {"action_if_question", IfQuestion, 1},
    {"action_if_dice", IfDice, 1},
    {"action_if_mouse", IfMouse, 1},
    {"action_if_aligned", IfAligned, 2},
    {"action_execute_script", ExecuteScript, 6},
    {"action_inherited", misc::EventInherited, 0},
    {"action_if_variable", IfVariable, 3},
    {"action_draw_variable", DrawVariable, 3},
    {"action_set_score", SetScore, 1},
    {"action_if_score", IfScore, 2},
    {"action_draw_score", DrawScore, 3},
    {"action_highscore_show", HighscoreShow, 11},
    {"action_highscore_clear", HighscoreClear, 0},
    {"action_set_life", SetLife, 1},
    {"action_if_life", IfLife, 2},
    {"action_draw_life", DrawLife, 3},
    {"action_draw_life_images", DrawLifeImages, 3},
    {"action_set_health", SetHealth, 1},
    {"action_if_health", IfHealth, 2},
    {"action_draw_health", DrawHealth, 6},
    {"action_set_caption", SetCaption, 6},
    {"action_partsyst_create", PartsystCreate, 1},
    {"action_partsyst_destroy", PartsystDestroy, 0},
    {"action_partsyst_clear", PartsystClear, 0},
    {"action_parttype_create_old", ParttypeCreateOld, 6},
    {"action_parttype_create", ParttypeCreate, 6},
    {"action_parttype_color", ParttypeColour, 6},
    {"action_parttype_colour", ParttypeColour, 6},
    {"action_parttype_life", ParttypeLife, 3},
    {"action_parttype_speed", ParttypeSpeed, 6},
    {"action_parttype_gravity", ParttypeGravity, 3},
    {"action_parttype_secondary", ParttypeSecondary, 5},
    {"action_partemit_create", PartemitCreate, 6},
    {"action_partemit_destroy", PartemitDestroy, 1},
    {"action_partemit_burst", PartemitBurst, 3},
    {"action_partemit_stream", PartemitStream, 3},
    {"action_cd_play", CdPlay, 2},
    {"action_cd_stop", CdStop, 0},
    {"action_cd_pause", CdPause, 0},
    {"action_cd_resume", CdResume, 0},
    {"action_cd_present", CdPresent, 0},
    {"action_cd_playing", CdPlaying, 0},
    {"action_set_cursor", SetCursor, 2},
    {"action_webpage", Webpage, 1},
    {"action_draw_sprite", DrawSprite, 4},
    {"action_draw_background", DrawBackground, 4},
    {"action_draw_text", DrawText, 3},
    {"action_draw_text_transformed", DrawTextTransformed, 6},
    {"action_draw_rectangle", DrawRectangle, 5},
    {"action_draw_gradient_hor", DrawGradientHor, 6},
    {"action_draw_gradient_vert", DrawGradientVert, 6},
    {"action_draw_ellipse", DrawEllipse, 5},
    {"action_draw_ellipse_gradient", DrawEllipseGradient, 6},
    {"action_draw_line", DrawLine, 4},
    {"action_draw_arrow", DrawArrow, 5},
    {"action_color", Colour, 1},
    {"action_colour", Colour, 1},
    {"action_font", Font, 2},
    {"action_fullscreen", Fullscreen, 1},
    {"action_snapshot", Snapshot, 1},
    {"action_effect", Effect, 6},
};
static_assert(std::size(kActions) == 136);

}  // namespace

void InitActionFunctions() {
  g_particles = ActionParticles{};
  g_particles.ForgetSlots();
  for (const Registration& r : kActions) Builtin_Add(r.name, r.handler, r.argumentCount, kActionFlag);
}

int32_t Action_ParticleSystem() { return g_particles.system; }
int32_t Action_ParticleType(int32_t slot) { return TypeIn(slot); }
int32_t Action_ParticleEmitter(int32_t slot) { return InSlots(slot) ? g_particles.emitters[slot] : -1; }
