// The built-in variables of the game: the running script's arguments, constant-like values, the
// running room with its backgrounds and views, input, score, lives and health, the clock, the
// current event, the last error, and the game's identity and directories. They ignore the
// instance they are given.
#include <cstdint>
#include <cstring>
#include <ctime>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "assets/asset_names_stand_in.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "core/utf8.h"
#include "runtime/host_state.h"
#include "runtime/date_time.h"
#include "runtime/error_report.h"
#include "io/file_services.h"
#include "runtime/frame_timing.h"
#include "runtime/game_header.h"
#include "io/program.h"
#include "io/input.h"
#include "io/load_save.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "world/room_mouse.h"
#include "platform/system/process.h"
#include "vm/interpreter.h"
#include "vm/variable_names.h"
#include "world/builtin_values.h"
#include "world/builtin_variables.h"
#include "world/commands.h"
#include "world/event.h"
#include "world/event_context.h"
#include "world/instance.h"
#include "world/lifecycle.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

constexpr int32_t kArgumentSlots = 16;
constexpr int32_t kNoInstance = -4;
constexpr int32_t kEventNoMoreLives = 6;
constexpr int32_t kEventNoMoreHealth = 9;

// --- arguments -----------------------------------------------------------------------------------

// Argument n of the running call. The list may sit at any 4-byte boundary of the value stack, so
// it is copied in and out rather than addressed as a value.
uint8_t* ArgumentAddress(int32_t n) { return reinterpret_cast<uint8_t*>(VM_Arguments()) + sizeof(RValue) * static_cast<size_t>(n); }

RValue ReadArgument(int32_t n) {
  RValue v;
  std::memcpy(&v, ArgumentAddress(n), sizeof v);
  return v;
}

// Applies change to argument n in place. An array the change makes keeps the argument itself as
// its owner, not the copy the change worked on.
template <typename Change>
void ChangeArgument(int32_t n, Change change) {
  uint8_t* at = ArgumentAddress(n);
  if (reinterpret_cast<uintptr_t>(at) % alignof(RValue) == 0) {
    change(reinterpret_cast<RValue*>(at));
    return;
  }
  RValue v = ReadArgument(n);
  change(&v);
  if (RValue_Kind(&v) == VALUE_ARRAY && v.pArray != nullptr && v.pArray->owner == &v) {
    v.pArray->owner = reinterpret_cast<const RValue*>(at);
  }
  std::memcpy(at, &v, sizeof v);
}

bool GV_ArgumentRelative(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, argument_relative ? 1.0 : 0.0); }

bool GV_Argument(CInstance*, int32_t index, RValue* out) {
  RValue_Release(out);
  if (index < 0 || index >= VM_ArgumentCount()) {
    Error_Report(true, "illegal access of argument, argument is not provided to script");
    *out = RValue_MakeUndefined();
    return true;
  }
  const RValue argument = ReadArgument(index);
  RValue_Assign(out, &argument);
  return true;
}

// The argument array holds exactly the values the script was given: a write past them has no place
// to go and reports false.
bool SV_Argument(CInstance*, int32_t index, const RValue* value) {
  if (index < 0 || index >= kArgumentSlots) index = 0;
  if (index >= VM_ArgumentCount()) return false;
  ChangeArgument(index, [value](RValue* argument) { RValue_Assign(argument, value); });
  return true;
}

template <int32_t N>
bool GV_ArgumentN(CInstance*, int32_t index, RValue* out) {
  RValue_Release(out);
  if (N >= VM_ArgumentCount()) {
    *out = RValue_MakeUndefined();
    return true;
  }
  RValue argument = ReadArgument(N);
  RValue_GetElement(out, &argument, index);
  return true;
}

template <int32_t N>
bool SV_ArgumentN(CInstance*, int32_t index, const RValue* value) {
  if (N >= VM_ArgumentCount()) return false;
  ChangeArgument(N, [value, index](RValue* argument) { RValue_SetElement(argument, value, index); });
  return true;
}

bool GV_ArgumentCount(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, VM_ArgumentCount()); }

// --- constant-like values ------------------------------------------------------------------------

// The game header's first byte carries the debug flag in bit 0; a clear bit is a debug build.
bool GV_DebugMode(CInstance*, int32_t, RValue* out) {
  return Builtin_Real(out, (g_GameHeader.firstByte & 1u) == 0 ? 1.0 : 0.0);
}
bool GV_PointerInvalid(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakePointer(reinterpret_cast<void*>(intptr_t{-1}));
  return true;
}
bool GV_PointerNull(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  *out = RValue_MakePointer(nullptr);
  return true;
}
bool GV_Undefined(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  return true;
}
bool GV_Null(CInstance*, int32_t, RValue* out) {
  RValue_Release(out);
  out->kind = VALUE_NULL;
  return true;
}

// --- shapes shared by many variables -------------------------------------------------------------

template <auto Field>
bool GetNumber(CInstance*, int32_t, RValue* out) {
  return Builtin_Real(out, static_cast<double>(g_RunState.*Field));
}
template <int32_t RunState::*Field>
bool SetRounded(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  g_RunState.*Field = Builtin_Round(v);
  return true;
}
template <bool RunState::*Field>
bool GetFlag(CInstance*, int32_t, RValue* out) {
  return Builtin_Real(out, g_RunState.*Field ? 1.0 : 0.0);
}
template <bool RunState::*Field>
bool SetFlag(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  g_RunState.*Field = Builtin_GlobalBool(v);
  return true;
}

// --- room ----------------------------------------------------------------------------------------

CRoom* Running() { return Room_Current; }

bool GV_Room(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Room_CurrentIndex); }
bool SV_Room(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  Command_GotoRoom(Builtin_Round(v));
  return true;
}
bool GV_RoomFirst(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Room_First()); }
bool GV_RoomLast(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Room_Last()); }

// Room transitions are not drawn: whatever is asked for becomes 0, and the log says so.
bool SV_TransitionKind(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  g_RunState.transitionKind = Builtin_Round(v);
  Console_DebugOutput("BUG: Room transitions don't function well - setting to 0 - look at Variable_BuiltIn SV_TransitionKind() .\n");
  g_RunState.transitionKind = 0;
  return true;
}
bool GV_TransitionSteps(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, 0.0); }
bool SV_TransitionSteps(CInstance*, int32_t, const RValue*) { return true; }

// The room variables act on the running room; there is always one while game code runs, but a
// write without one has nowhere to go.
template <auto Field>
bool GetRoomNumber(CInstance*, int32_t, RValue* out) {
  const CRoom* room = Running();
  return room != nullptr && Builtin_Real(out, static_cast<double>(room->*Field));
}
template <int32_t CRoom::*Field>
bool SetRoomRounded(CInstance*, int32_t, const RValue* value) {
  CRoom* room = Running();
  double v;
  if (room == nullptr || !Builtin_Number(value, &v)) return false;
  room->*Field = Builtin_Round(v);
  return true;
}
template <bool CRoom::*Field>
bool GetRoomFlag(CInstance*, int32_t, RValue* out) {
  const CRoom* room = Running();
  return room != nullptr && Builtin_Real(out, room->*Field ? 1.0 : 0.0);
}
template <bool CRoom::*Field>
bool SetRoomFlag(CInstance*, int32_t, const RValue* value) {
  CRoom* room = Running();
  double v;
  if (room == nullptr || !Builtin_Number(value, &v)) return false;
  room->*Field = Builtin_GlobalBool(v);
  return true;
}

bool GV_RoomCaption(CInstance*, int32_t, RValue* out) {
  const CRoom* room = Running();
  return room != nullptr && Builtin_String(out, room->caption.c_str());
}
bool SV_RoomCaption(CInstance*, int32_t, const RValue* value) {
  CRoom* room = Running();
  if (room == nullptr) return false;
  const char* text = Builtin_Text(value);
  room->caption = text != nullptr ? text : "";
  return true;
}

bool SV_RoomSpeed(CInstance*, int32_t, const RValue* value) {
  CRoom* room = Running();
  double v;
  if (room == nullptr || !Builtin_Number(value, &v)) return false;
  const int32_t speed = Builtin_Round(v);
  if (speed < 1) {
    Error_Report(false, "Trying to set the room speed to a value <= 0.");
    return false;
  }
  room->m_speed = speed;
  return true;
}

bool SV_BackgroundColour(CInstance*, int32_t, const RValue* value) {
  CRoom* room = Running();
  double v;
  if (room == nullptr || !Builtin_Number(value, &v)) return false;
  room->colour = static_cast<uint32_t>(Builtin_Round(v));
  return true;
}

// instance_count is the active list's count: an instance destroyed in this step is counted until
// the marked instances are deleted, and a deactivated one until the deferred update moves it.
bool GV_InstanceCount(CInstance*, int32_t, RValue* out) {
  const CRoom* room = Running();
  return Builtin_Real(out, room != nullptr ? room->active.count : 0);
}
// instance_id[i] indexes the same list through an array of its ids, made again only after the
// list changed, so a loop over instance_count reads each entry in constant time.
bool GV_InstanceId(CInstance*, int32_t index, RValue* out) {
  static const InstanceList* indexed = nullptr;
  static uint64_t indexedVersion = 0;
  static std::vector<int32_t> ids;
  const CRoom* room = Running();
  if (room == nullptr || index < 0 || index >= room->active.count) return Builtin_Real(out, kNoInstance);
  const InstanceList& list = room->active;
  if (indexed != &list || indexedVersion != list.version || list.version == 0) {
    ids.clear();
    for (const CInstance* i = list.first; i != nullptr; i = i->list_next) ids.push_back(i->id);
    indexed = &list;
    indexedVersion = list.version;
  }
  if (static_cast<size_t>(index) >= ids.size()) return Builtin_Real(out, kNoInstance);
  return Builtin_Real(out, ids[static_cast<size_t>(index)]);
}

// --- backgrounds and views -----------------------------------------------------------------------

RoomBackground* BackgroundAt(int32_t index) {
  CRoom* room = Running();
  return room != nullptr ? &room->backgrounds[Builtin_ClampIndex(index, kRoomBackgroundCount)] : nullptr;
}
CRoomView* ViewAt(int32_t index) {
  CRoom* room = Running();
  return room != nullptr ? &room->views[Builtin_ClampIndex(index, kRoomViewCount)] : nullptr;
}

// One getter and setter shape for the fields of both record kinds: floats as float, integers
// rounded, flags by the game rule.
template <typename Record, Record* (*At)(int32_t), auto Field>
bool GetRecordField(CInstance*, int32_t index, RValue* out) {
  const Record* record = At(index);
  if (record == nullptr) return false;
  using T = std::remove_cvref_t<decltype(record->*Field)>;
  if constexpr (std::is_same_v<T, bool>) return Builtin_Real(out, record->*Field ? 1.0 : 0.0);
  return Builtin_Real(out, static_cast<double>(record->*Field));
}
template <typename Record, Record* (*At)(int32_t), auto Field>
bool SetRecordField(CInstance*, int32_t index, const RValue* value) {
  Record* record = At(index);
  double v;
  if (record == nullptr || !Builtin_Number(value, &v)) return false;
  using T = std::remove_cvref_t<decltype(record->*Field)>;
  if constexpr (std::is_same_v<T, bool>) {
    record->*Field = Builtin_GlobalBool(v);
  } else if constexpr (std::is_same_v<T, float>) {
    record->*Field = Builtin_Float(v);
  } else {
    record->*Field = static_cast<T>(Builtin_Round(v));
  }
  return true;
}

template <auto Field>
void AddBackground(const char* name) {
  Variable_BuiltinAdd(name, GetRecordField<RoomBackground, BackgroundAt, Field>,
                      SetRecordField<RoomBackground, BackgroundAt, Field>);
}
template <auto Field>
void AddView(const char* name) {
  Variable_BuiltinAdd(name, GetRecordField<CRoomView, ViewAt, Field>, SetRecordField<CRoomView, ViewAt, Field>);
}

template <int32_t (*Measure)(int32_t)>
bool GV_BackgroundSize(CInstance*, int32_t index, RValue* out) {
  const RoomBackground* background = BackgroundAt(index);
  return background != nullptr && Builtin_Real(out, Measure(background->index));
}

// --- input ---------------------------------------------------------------------------------------

bool GV_MouseX(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Window_DeviceMouseX(0)); }
bool GV_MouseY(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Window_DeviceMouseY(0)); }
bool GV_MouseButton(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, IO_GetCurrentButton(0)); }
bool GV_MouseLastbutton(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, IO_GetLastButton(0)); }
bool GV_KeyboardKey(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, IO_GetCurrentKey()); }
bool GV_KeyboardLastkey(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, IO_GetLastKey()); }

template <void (*Set)(int32_t)>
bool SetInput(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  Set(Builtin_Round(v));
  return true;
}
void SetMouseButton(int32_t button) { IO_SetCurrentButton(button, 0); }
void SetMouseLastButton(int32_t button) { IO_SetLastButton(button, 0); }

bool GV_KeyboardLastchar(CInstance*, int32_t, RValue* out) {
  char text[4] = {};
  char* cursor = text;
  UTF8_Encode(&cursor, IO_GetLastChar());
  return Builtin_String(out, text);
}
// The first character of a string (decoded, so that a character beyond ASCII survives a round
// trip); any other value changes nothing.
bool SV_KeyboardLastchar(CInstance*, int32_t, const RValue* value) {
  if (RValue_Kind(value) != VALUE_STRING) return true;
  const char* text = Builtin_Text(value);
  IO_SetLastCharUnit(text != nullptr && text[0] != '\0' ? UTF8_Decode(&text) : 0);
  return true;
}
bool GV_KeyboardString(CInstance*, int32_t, RValue* out) { return Builtin_String(out, IO_GetKeyboardString()); }
bool SV_KeyboardString(CInstance*, int32_t, const RValue* value) {
  IO_SetKeyboardString(Builtin_Text(value));
  return true;
}

// --- score, lives, health and captions -----------------------------------------------------------

bool SV_Lives(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  const int32_t before = g_RunState.lives;
  g_RunState.lives = Builtin_Round(v);
  if (before > 0 && g_RunState.lives <= 0) Event_PerformAll(kEventOther, kEventNoMoreLives);
  return true;
}
bool SV_Health(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  const double before = g_RunState.health;
  g_RunState.health = v;
  if (before > 0.0 && v <= 0.0) Event_PerformAll(kEventOther, kEventNoMoreHealth);
  return true;
}
bool SV_ShowScore(CInstance* self, int32_t index, const RValue* value) {
  if (!SetFlag<&RunState::showScore>(self, index, value)) return false;
  g_RunState.showScoreWasSet = true;
  return true;
}

template <char* RunState::*Caption>
bool GetCaption(CInstance*, int32_t, RValue* out) {
  return Builtin_String(out, g_RunState.*Caption);
}
// A string becomes the caption; any other value leaves none.
template <char* RunState::*Caption>
bool SetCaption(CInstance*, int32_t, const RValue* value) {
  const char* text = Builtin_Text(value);
  if (text != nullptr) {
    Host_ReplaceText(&(g_RunState.*Caption), text);
  } else {
    Host_FreeText(&(g_RunState.*Caption));
  }
  return true;
}

// --- clock and frame rate ------------------------------------------------------------------------

bool GV_Fps(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, g_FrameTiming.fps); }
bool GV_FpsReal(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, g_FrameTiming.fpsReal); }
bool GV_CurrentTime(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, static_cast<double>(Timing_GetTime() / 1000)); }

template <int std::tm::*Field, int Offset>
bool GetDatePart(CInstance*, int32_t, RValue* out) {
  const std::tm now = F_DateCurrentTm();
  return Builtin_Real(out, now.*Field + Offset);
}

// --- events and errors ---------------------------------------------------------------------------

bool GV_EventType(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Event_Current.type); }
bool GV_EventNumber(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Event_Current.number); }
bool GV_EventObject(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Event_Current.objectIndex); }
bool GV_Zero(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, 0.0); }

bool GV_ErrorOccurred(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, error_occurred ? 1.0 : 0.0); }
// Compared unrounded, unlike the other flags: 0.5 sets it.
bool SV_ErrorOccurred(CInstance*, int32_t, const RValue* value) {
  double v;
  if (!Builtin_Number(value, &v)) return false;
  error_occurred = v >= 0.5;
  return true;
}
bool GV_ErrorLast(CInstance*, int32_t, RValue* out) {
  return Builtin_String(out, error_last != nullptr ? error_last->text : nullptr);
}
// A string's text is shared, not copied; any other value leaves no text.
bool SV_ErrorLast(CInstance*, int32_t, const RValue* value) {
  SharedString* shared = RValue_Kind(value) == VALUE_STRING ? value->pString : nullptr;
  if (shared != nullptr) ++shared->refCount;
  SharedString_Unref(error_last);
  error_last = shared;
  return true;
}

// --- game identity, directories and platform -----------------------------------------------------

bool GV_GameId(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, g_RunState.gameId); }
bool GV_GameGuid(CInstance*, int32_t, RValue* out) { return Builtin_String(out, ""); }
bool GV_GameDisplayName(CInstance*, int32_t, RValue* out) {
  return Builtin_String(out, g_GameHeader.displayName ? g_GameHeader.displayName->c_str() : "Made with Tolvarine");
}
bool GV_GameProjectName(CInstance*, int32_t, RValue* out) { return Builtin_String(out, game_project_name); }
bool GV_GameSaveId(CInstance*, int32_t, RValue* out) { return Builtin_String(out, Win32_GetSaveDirectory()); }
bool GV_WorkingDirectory(CInstance*, int32_t, RValue* out) { return Builtin_String(out, working_directory); }
bool GV_TempDirectory(CInstance*, int32_t, RValue* out) { return Builtin_String(out, File_GetTempDirectory()); }
bool GV_ProgramDirectory(CInstance*, int32_t, RValue* out) {
  char* directory = File_StripTrailingBackslash(File_ExtractPath(Win32_GetExePath()));
  Builtin_String(out, directory);
  Host_FreeText(&directory);
  return true;
}
bool GV_ApplicationSurface(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, g_RunState.applicationSurface); }

bool GV_OsType(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, 0.0); }
bool GV_MinusOne(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, -1.0); }
bool GV_OsVersion(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, System_KernelVersion()); }
bool GV_BrowserWidth(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Window_GetBackbufferWidth()); }
bool GV_BrowserHeight(CInstance*, int32_t, RValue* out) { return Builtin_Real(out, Window_GetBackbufferHeight()); }

// The operating-system and browser values come last in the table.
void InitPlatformVariables() {
  Variable_BuiltinAdd("os_type", GV_OsType, nullptr);
  Variable_BuiltinAdd("os_device", GV_MinusOne, nullptr);
  Variable_BuiltinAdd("os_version", GV_OsVersion, nullptr);
  Variable_BuiltinAdd("os_browser", GV_MinusOne, nullptr);
  Variable_BuiltinAdd("browser_width", GV_BrowserWidth, nullptr);
  Variable_BuiltinAdd("browser_height", GV_BrowserHeight, nullptr);
}

template <int32_t... N>
void AddArguments(std::integer_sequence<int32_t, N...>) {
  (Variable_BuiltinAdd(("argument" + std::to_string(N)).c_str(), GV_ArgumentN<N>, SV_ArgumentN<N>), ...);
}

}  // namespace

// A path without a separator leaves the text unmade (it reads as ""), so that the loader's second
// call, with the path resolved, can still make it. A separator at the very start names the root;
// it is kept, so that the game's files are looked for there rather than in the current directory.
void Variable_SetWorkingDirectory() {
  if (working_directory != nullptr || g_pGameFilePath == nullptr) return;
  const char* last = std::strrchr(g_pGameFilePath, '/');
  if (last == nullptr) last = std::strrchr(g_pGameFilePath, '\\');
  if (last == nullptr) return;
  const std::string directory(g_pGameFilePath, static_cast<size_t>(last - g_pGameFilePath) + 1);
  Host_ReplaceText(&working_directory, directory.c_str());
  const char* rule = "#########################################################################\n";
  Console_DebugOutput("%s", rule);
  Console_DebugOutput("####!!!!$$$$$$ pwd - %s\n", working_directory);
  Console_DebugOutput("%s", rule);
}

void Variable_BuiltIn_InitGlobal() {
  Variable_BuiltinAdd("argument_relative", GV_ArgumentRelative, nullptr);
  Variable_BuiltinAdd("argument", GV_Argument, SV_Argument);
  AddArguments(std::make_integer_sequence<int32_t, kArgumentSlots>());
  Variable_BuiltinAdd("argument_count", GV_ArgumentCount, nullptr);
  Variable_BuiltinAdd("debug_mode", GV_DebugMode, nullptr);
  Variable_BuiltinAdd("pointer_invalid", GV_PointerInvalid, nullptr);
  Variable_BuiltinAdd("pointer_null", GV_PointerNull, nullptr);
  Variable_BuiltinAdd("undefined", GV_Undefined, nullptr);
  Variable_BuiltinAdd("null", GV_Null, nullptr);

  Variable_BuiltinAdd("room", GV_Room, SV_Room);
  Variable_BuiltinAdd("room_first", GV_RoomFirst, nullptr);
  Variable_BuiltinAdd("room_last", GV_RoomLast, nullptr);
  Variable_BuiltinAdd("transition_kind", GetNumber<&RunState::transitionKind>, SV_TransitionKind);
  Variable_BuiltinAdd("transition_steps", GV_TransitionSteps, SV_TransitionSteps);
  Variable_BuiltinAdd("score", GetNumber<&RunState::score>, SetRounded<&RunState::score>);
  Variable_BuiltinAdd("lives", GetNumber<&RunState::lives>, SV_Lives);
  Variable_BuiltinAdd("health", GetNumber<&RunState::health>, SV_Health);
  Variable_BuiltinAdd("game_id", GV_GameId, nullptr);
  Variable_BuiltinAdd("game_guid", GV_GameGuid, nullptr);
  Variable_BuiltinAdd("game_display_name", GV_GameDisplayName, nullptr);
  Variable_BuiltinAdd("game_project_name", GV_GameProjectName, nullptr);
  Variable_BuiltinAdd("game_save_id", GV_GameSaveId, nullptr);
  Variable_BuiltinAdd("working_directory", GV_WorkingDirectory, nullptr);
  Variable_BuiltinAdd("temp_directory", GV_TempDirectory, nullptr);
  Variable_BuiltinAdd("program_directory", GV_ProgramDirectory, nullptr);
  Variable_BuiltinAdd("instance_count", GV_InstanceCount, nullptr);
  Variable_BuiltinAdd("instance_id", GV_InstanceId, nullptr);
  Variable_BuiltinAdd("room_width", GetRoomNumber<&CRoom::width>, SetRoomRounded<&CRoom::width>);
  Variable_BuiltinAdd("room_height", GetRoomNumber<&CRoom::height>, SetRoomRounded<&CRoom::height>);
  Variable_BuiltinAdd("room_caption", GV_RoomCaption, SV_RoomCaption);
  Variable_BuiltinAdd("room_speed", GetRoomNumber<&CRoom::m_speed>, SV_RoomSpeed);
  Variable_BuiltinAdd("room_persistent", GetRoomFlag<&CRoom::persistent>, SetRoomFlag<&CRoom::persistent>);
  // Both spellings share one getter and one setter.
  Variable_BuiltinAdd("background_color", GetRoomNumber<&CRoom::colour>, SV_BackgroundColour);
  Variable_BuiltinAdd("background_showcolor", GetRoomFlag<&CRoom::show_colour>, SetRoomFlag<&CRoom::show_colour>);
  Variable_BuiltinAdd("background_colour", GetRoomNumber<&CRoom::colour>, SV_BackgroundColour);
  Variable_BuiltinAdd("background_showcolour", GetRoomFlag<&CRoom::show_colour>, SetRoomFlag<&CRoom::show_colour>);

  AddBackground<&RoomBackground::visible>("background_visible");
  AddBackground<&RoomBackground::foreground>("background_foreground");
  AddBackground<&RoomBackground::index>("background_index");
  AddBackground<&RoomBackground::x>("background_x");
  AddBackground<&RoomBackground::y>("background_y");
  Variable_BuiltinAdd("background_width", GV_BackgroundSize<Background_GetWidth>, nullptr);
  Variable_BuiltinAdd("background_height", GV_BackgroundSize<Background_GetHeight>, nullptr);
  AddBackground<&RoomBackground::htiled>("background_htiled");
  AddBackground<&RoomBackground::vtiled>("background_vtiled");
  AddBackground<&RoomBackground::xscale>("background_xscale");
  AddBackground<&RoomBackground::yscale>("background_yscale");
  AddBackground<&RoomBackground::hspeed>("background_hspeed");
  AddBackground<&RoomBackground::vspeed>("background_vspeed");
  AddBackground<&RoomBackground::blend>("background_blend");
  AddBackground<&RoomBackground::alpha>("background_alpha");

  Variable_BuiltinAdd("view_enabled", GetRoomFlag<&CRoom::enable_views>, SetRoomFlag<&CRoom::enable_views>);
  Variable_BuiltinAdd("view_current", GetNumber<&RunState::viewCurrent>, nullptr);
  AddView<&CRoomView::visible>("view_visible");
  AddView<&CRoomView::view_x>("view_xview");
  AddView<&CRoomView::view_y>("view_yview");
  AddView<&CRoomView::view_w>("view_wview");
  AddView<&CRoomView::view_h>("view_hview");
  AddView<&CRoomView::port_x>("view_xport");
  AddView<&CRoomView::port_y>("view_yport");
  AddView<&CRoomView::port_w>("view_wport");
  AddView<&CRoomView::port_h>("view_hport");
  AddView<&CRoomView::angle>("view_angle");
  AddView<&CRoomView::hborder>("view_hborder");
  AddView<&CRoomView::vborder>("view_vborder");
  AddView<&CRoomView::hspeed>("view_hspeed");
  AddView<&CRoomView::vspeed>("view_vspeed");
  AddView<&CRoomView::object>("view_object");
  AddView<&CRoomView::surfaceId>("view_surface_id");

  Variable_BuiltinAdd("mouse_x", GV_MouseX, nullptr);
  Variable_BuiltinAdd("mouse_y", GV_MouseY, nullptr);
  Variable_BuiltinAdd("mouse_button", GV_MouseButton, SetInput<SetMouseButton>);
  Variable_BuiltinAdd("mouse_lastbutton", GV_MouseLastbutton, SetInput<SetMouseLastButton>);
  Variable_BuiltinAdd("keyboard_key", GV_KeyboardKey, SetInput<IO_SetCurrentKey>);
  Variable_BuiltinAdd("keyboard_lastkey", GV_KeyboardLastkey, SetInput<IO_SetLastKey>);
  Variable_BuiltinAdd("keyboard_lastchar", GV_KeyboardLastchar, SV_KeyboardLastchar);
  Variable_BuiltinAdd("keyboard_string", GV_KeyboardString, SV_KeyboardString);
  Variable_BuiltinAdd("cursor_sprite", GetNumber<&RunState::cursorSprite>, SetRounded<&RunState::cursorSprite>);
  Variable_BuiltinAdd("show_score", GetFlag<&RunState::showScore>, SV_ShowScore);
  Variable_BuiltinAdd("show_lives", GetFlag<&RunState::showLives>, SetFlag<&RunState::showLives>);
  Variable_BuiltinAdd("show_health", GetFlag<&RunState::showHealth>, SetFlag<&RunState::showHealth>);
  Variable_BuiltinAdd("caption_score", GetCaption<&RunState::captionScore>, SetCaption<&RunState::captionScore>);
  Variable_BuiltinAdd("caption_lives", GetCaption<&RunState::captionLives>, SetCaption<&RunState::captionLives>);
  Variable_BuiltinAdd("caption_health", GetCaption<&RunState::captionHealth>, SetCaption<&RunState::captionHealth>);

  Variable_BuiltinAdd("fps", GV_Fps, nullptr);
  Variable_BuiltinAdd("fps_real", GV_FpsReal, nullptr);
  Variable_BuiltinAdd("current_time", GV_CurrentTime, nullptr);
  Variable_BuiltinAdd("current_year", GetDatePart<&std::tm::tm_year, 1900>, nullptr);
  Variable_BuiltinAdd("current_month", GetDatePart<&std::tm::tm_mon, 1>, nullptr);
  Variable_BuiltinAdd("current_day", GetDatePart<&std::tm::tm_mday, 0>, nullptr);
  Variable_BuiltinAdd("current_weekday", GetDatePart<&std::tm::tm_wday, 0>, nullptr);
  Variable_BuiltinAdd("current_hour", GetDatePart<&std::tm::tm_hour, 0>, nullptr);
  Variable_BuiltinAdd("current_minute", GetDatePart<&std::tm::tm_min, 0>, nullptr);
  Variable_BuiltinAdd("current_second", GetDatePart<&std::tm::tm_sec, 0>, nullptr);
  Variable_BuiltinAdd("event_type", GV_EventType, nullptr);
  Variable_BuiltinAdd("event_number", GV_EventNumber, nullptr);
  Variable_BuiltinAdd("event_object", GV_EventObject, nullptr);
  Variable_BuiltinAdd("event_action", GV_Zero, nullptr);
  Variable_BuiltinAdd("secure_mode", GV_Zero, nullptr);
  Variable_BuiltinAdd("error_occurred", GV_ErrorOccurred, SV_ErrorOccurred);
  Variable_BuiltinAdd("error_last", GV_ErrorLast, SV_ErrorLast);
  Variable_BuiltinAdd("application_surface", GV_ApplicationSurface, nullptr);
  InitPlatformVariables();
}
