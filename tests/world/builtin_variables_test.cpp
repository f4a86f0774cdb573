// The built-in variables through the table: its fixed order, the array rules, the conversions of
// every setter kind, the side effects (events, log lines, errors), the running script's arguments
// and the instance variables' motion, sprite, depth and physics couplings.
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <vector>

#include "assets/sprite_table.h"
#include "core/console.h"
#include "core/memory_manager.h"
#include "host/entry.h"
#include "runtime/error_report.h"
#include "host/frame_loop.h"
#include "io/input.h"
#include "runtime/link_record.h"
#include "runtime/run_state.h"
#include "world/async_queue.h"
#include "world/physics_service.h"
#include "vm/interpreter.h"
#include "vm/variable_access.h"
#include "world/builtin_variables.h"
#include "world/instance_queues.h"
#include "world/lifecycle.h"
#include "world_test_support.h"

namespace {

constexpr int32_t kNone = ARRAY_INDEX_NONE;

// Every entry in registration order; a trailing '!' marks a read-only one.
const char* const kTable[] = {
    "x", "y", "xprevious", "yprevious", "xstart", "ystart", "hspeed", "vspeed", "direction", "speed", "friction",
    "gravity", "gravity_direction", "object_index!", "id!", "alarm", "solid", "visible", "persistent", "depth",
    "bbox_left!", "bbox_right!", "bbox_top!", "bbox_bottom!", "sprite_index", "image_index", "image_single",
    "image_number!", "sprite_width!", "sprite_height!", "sprite_xoffset!", "sprite_yoffset!", "image_xscale",
    "image_yscale", "image_angle", "image_alpha", "image_blend", "image_speed", "mask_index", "path_index!",
    "path_position", "path_positionprevious", "path_speed", "path_scale", "path_orientation", "path_endaction",
    "timeline_index", "timeline_position", "timeline_speed", "timeline_running", "timeline_loop", "async_load!",
    "iap_data!", "phy_rotation", "phy_position_x", "phy_position_y", "phy_angular_velocity",
    "phy_linear_velocity_x", "phy_linear_velocity_y", "phy_speed_x", "phy_speed_y", "phy_angular_damping",
    "phy_linear_damping", "phy_bullet", "phy_fixed_rotation", "phy_active", "phy_mass!", "phy_inertia!",
    "phy_com_x!", "phy_com_y!", "phy_speed!", "phy_dynamic!", "phy_kinematic!", "phy_sleeping!",
    "phy_position_xprevious!", "phy_position_yprevious!", "phy_collision_points!", "phy_collision_x!",
    "phy_collision_y!", "phy_col_normal_x!", "phy_col_normal_y!", "display_aa!", "delta_time!", "webgl_enabled!",
    // the game's variables
    "argument_relative!", "argument", "argument0", "argument1", "argument2", "argument3", "argument4",
    "argument5", "argument6", "argument7", "argument8", "argument9", "argument10", "argument11", "argument12",
    "argument13", "argument14", "argument15", "argument_count!", "debug_mode!", "pointer_invalid!",
    "pointer_null!", "undefined!", "null!", "room", "room_first!", "room_last!", "transition_kind",
    "transition_steps", "score", "lives", "health", "game_id!", "game_guid!", "game_display_name!",
    "game_project_name!", "game_save_id!", "working_directory!", "temp_directory!", "program_directory!",
    "instance_count!", "instance_id!", "room_width", "room_height", "room_caption", "room_speed",
    "room_persistent", "background_color", "background_showcolor", "background_colour", "background_showcolour",
    "background_visible", "background_foreground", "background_index", "background_x", "background_y",
    "background_width!", "background_height!", "background_htiled", "background_vtiled", "background_xscale",
    "background_yscale", "background_hspeed", "background_vspeed", "background_blend", "background_alpha",
    "view_enabled", "view_current!", "view_visible", "view_xview", "view_yview", "view_wview", "view_hview",
    "view_xport", "view_yport", "view_wport", "view_hport", "view_angle", "view_hborder", "view_vborder",
    "view_hspeed", "view_vspeed", "view_object", "view_surface_id", "mouse_x!", "mouse_y!", "mouse_button",
    "mouse_lastbutton", "keyboard_key", "keyboard_lastkey", "keyboard_lastchar", "keyboard_string",
    "cursor_sprite", "show_score", "show_lives", "show_health", "caption_score", "caption_lives",
    "caption_health", "fps!", "fps_real!", "current_time!", "current_year!", "current_month!", "current_day!",
    "current_weekday!", "current_hour!", "current_minute!", "current_second!", "event_type!", "event_number!",
    "event_object!", "event_action!", "secure_mode!", "error_occurred", "error_last", "application_surface!",
    "os_type!", "os_device!", "os_version!", "os_browser!", "browser_width!", "browser_height!",
};

RValue Real(double v) { return RValue_MakeReal(v); }
RValue String(const char* text) {
  RValue v = RValue_MakeUndefined();
  RValue_SetString(&v, text);
  return v;
}

class BuiltinVariablesTest : public ObjectWorldTest {
 protected:
  void SetUp() override {
    ObjectWorldTest::SetUp();
    Variable_Shutdown();  // the kit's stand-ins of x and alarm make way for the real table
    Variable_BuiltIn_Init();
    m_run = g_RunState;
    m_room.m_speed = 30;
    m_self = MakeInstance(100001);
  }
  void TearDown() override {
    VM_SetArguments(0, nullptr);
    for (RValue& v : m_arguments) RValue_Release(&v);
    InstanceQueues_Clear();
    Sprite_DeleteAll();
    g_RunState = m_run;
    if (m_console != nullptr) g_pDebugConsole = m_savedConsole;
    ObjectWorldTest::TearDown();
  }

  CInstance* MakeInstance(int32_t id, int32_t object = -1) {
    auto* i = new CInstance(0, 0, id, object, false);
    m_instances.push_back(i);
    InstanceIdTable.Insert(id, i);
    m_room.active.InsertByDepth(i);
    return i;
  }

  static int32_t Id(const char* name) {
    const int32_t id = Variable_BuiltinFind(name);
    EXPECT_GE(id, 0) << name;
    return id;
  }
  // The value read (the real -1 when the getter reports nothing), and whether the getter succeeded.
  RValue Get(const char* name, int32_t index = kNone, CInstance* self = nullptr, bool* ok = nullptr) {
    RValue out = Real(-1);
    const bool read = Variable_GetValue(self != nullptr ? self : m_self, Id(name), index, &out);
    if (ok != nullptr) *ok = read;
    return out;
  }
  double Num(const char* name, int32_t index = kNone, CInstance* self = nullptr) {
    RValue v = Get(name, index, self);
    EXPECT_EQ(RValue_Kind(&v), VALUE_REAL) << name;
    const double d = v.val;
    RValue_Release(&v);
    return d;
  }
  std::string Text(const char* name, int32_t index = kNone) {
    RValue v = Get(name, index);
    EXPECT_EQ(RValue_Kind(&v), VALUE_STRING) << name;
    std::string text = RValue_Kind(&v) == VALUE_STRING && v.pString->text != nullptr ? v.pString->text : "";
    RValue_Release(&v);
    return text;
  }
  bool Set(const char* name, RValue value, int32_t index = kNone, CInstance* self = nullptr) {
    const bool written = Variable_SetValue(self != nullptr ? self : m_self, Id(name), index, &value);
    RValue_Release(&value);
    return written;
  }
  bool Set(const char* name, double value, int32_t index = kNone, CInstance* self = nullptr) {
    return Set(name, Real(value), index, self);
  }

  // The running script's arguments.
  void GiveArguments(std::initializer_list<RValue> values) {
    m_arguments.assign(values.begin(), values.end());
    VM_SetArguments(static_cast<int32_t>(m_arguments.size()), m_arguments.data());
  }

  // What the runner's log receives from now on.
  const char* Log() {
    if (m_console == nullptr) {
      m_console = std::make_unique<TErrStreamConsole>();
      m_savedConsole = g_pDebugConsole;
      g_pDebugConsole = m_console.get();
    }
    return m_console->Text();
  }

  CInstance* m_self = nullptr;
  RunState m_run;
  std::vector<RValue> m_arguments;
  std::unique_ptr<TErrStreamConsole> m_console;
  tagIConsole* m_savedConsole = nullptr;
};

TEST_F(BuiltinVariablesTest, TheTableHoldsEveryVariableInItsFixedOrderWithItsSetters) {
  constexpr int32_t kCount = static_cast<int32_t>(std::size(kTable));
  static_assert(kCount == 207);
  ASSERT_EQ(Variable_BuiltinCount(), kCount);
  for (int32_t i = 0; i < kCount; ++i) {
    std::string name = kTable[i];
    const bool readOnly = name.back() == '!';
    if (readOnly) name.pop_back();
    const BuiltinVariable* entry = Variable_BuiltinEntry(i);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(std::string(entry->name), name) << i;
    EXPECT_NE(entry->getter, nullptr) << name;
    EXPECT_EQ(entry->hasSetter, !readOnly) << name;
  }
  EXPECT_EQ(Variable_BuiltinFind("webgl_enabled"), 83);  // the last instance variable
  EXPECT_EQ(Variable_BuiltinFind("argument_relative"), 84);
  // A second start-up adds nothing.
  Variable_BuiltIn_Init();
  EXPECT_EQ(Variable_BuiltinCount(), kCount);
}

TEST_F(BuiltinVariablesTest, ReadOnlyAndSharedEntries) {
  g_FrameTiming.fps = 57;
  EXPECT_FALSE(Set("fps", 10));
  EXPECT_EQ(Num("fps"), 57);
  g_FrameTiming.fps = 0;

  // Both spellings of the room colour share their accessors.
  EXPECT_EQ(Variable_BuiltinEntry(Id("background_color"))->getter, Variable_BuiltinEntry(Id("background_colour"))->getter);
  EXPECT_EQ(Variable_BuiltinEntry(Id("background_color"))->setter, Variable_BuiltinEntry(Id("background_colour"))->setter);
  EXPECT_TRUE(Set("background_colour", 0x123456));
  EXPECT_EQ(Num("background_color"), 0x123456);
  EXPECT_EQ(m_room.colour, 0x123456u);
  EXPECT_TRUE(Set("background_showcolor", 0));
  EXPECT_EQ(Num("background_showcolour"), 0);
}

TEST_F(BuiltinVariablesTest, ArraysOutsideTheirRangeUseElementZero) {
  m_room.views[0].view_x = 11;
  m_room.views[1].view_x = 22;
  EXPECT_EQ(Num("view_xview", 1), 22);
  EXPECT_EQ(Num("view_xview", 9), 11);
  EXPECT_EQ(Num("view_xview"), 11);
  EXPECT_EQ(Num("view_xview", -1), 11);
  EXPECT_TRUE(Set("view_xport", 7.5, 8));  // rounded, halves to even
  EXPECT_EQ(m_room.views[0].port_x, 8);

  EXPECT_TRUE(Set("background_visible", 1, 9));
  EXPECT_TRUE(m_room.backgrounds[0].visible);
  EXPECT_EQ(Num("background_visible", -1), 1);
  EXPECT_TRUE(Set("background_x", 3.25, 7));
  EXPECT_EQ(m_room.backgrounds[7].x, 3.25f);
  EXPECT_EQ(Num("background_width", 7), 0);  // no background resource: 0

  EXPECT_TRUE(Set("alarm", 5, 12));
  EXPECT_EQ(m_self->alarm[0], 5);
  EXPECT_EQ(Num("alarm", -1), 5);
  EXPECT_TRUE(Set("alarm", 9, 11));
  EXPECT_EQ(Num("alarm", 11), 9);
  EXPECT_EQ(m_self->alarm[0], 5);
}

TEST_F(BuiltinVariablesTest, SettersConvertAsTheirKindSays) {
  struct Case {
    const char* name;
    double value;
    double read;  // what the variable reads afterwards
  };
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const Case cases[] = {
      {"room_persistent", 0.5, 0},  // 0.5 rounds to 0
      {"room_persistent", 1.5, 1},
      {"room_persistent", -3, 0},
      {"room_persistent", 0.6, 1},
      {"error_occurred", 0.5, 1},  // compared unrounded
      {"error_occurred", 0.49, 0},
      {"visible", -1, 1},  // instance flags: rounded, not 0
      {"visible", 0.4, 0},
      {"solid", 2.5, 1},
      {"timeline_running", -1, 0},  // the game rule
      {"timeline_loop", 1.5, 1},
      {"room_width", 2.5, 2},
      {"room_height", 3.5, 4},
      {"score", -2.5, -2},
      {"alarm", nan, INT32_MIN},
      {"alarm", 1e20, INT32_MIN},
      {"alarm", -1e20, INT32_MIN},
      {"alarm", 2147483648.0, INT32_MIN},
      {"image_blend", 255.5, 256},
      {"x", 1e300, std::numeric_limits<float>::infinity()},  // as float: beyond float's range
      {"image_alpha", 0.1, static_cast<double>(0.1f)},
  };
  for (const Case& c : cases) {
    EXPECT_TRUE(Set(c.name, c.value)) << c.name << " = " << c.value;
    EXPECT_EQ(Num(c.name), c.read) << c.name << " = " << c.value;
  }

  // Integers and booleans count as numbers; a string or undefined changes nothing and fails.
  m_self->x = 4;
  RValue i32{};
  i32.v32 = 9;
  i32.kind = VALUE_INT32;
  EXPECT_TRUE(Set("x", i32));
  EXPECT_EQ(m_self->x, 9);
  RValue yes{};
  yes.val = 1;
  yes.kind = VALUE_BOOL;
  EXPECT_TRUE(Set("score", yes));
  EXPECT_EQ(g_RunState.score, 1);
  EXPECT_FALSE(Set("x", String("12")));
  EXPECT_FALSE(Set("x", RValue_MakeUndefined()));
  EXPECT_EQ(m_self->x, 9);
  EXPECT_FALSE(Set("room_speed", String("60")));
  EXPECT_EQ(m_room.m_speed, 30);
}

TEST_F(BuiltinVariablesTest, LosingTheLastLifeOrHealthRunsItsEventForEveryInstance) {
  ObjtEntry o = Entry("ob");
  o.on(kEventOther, 6, kit::kLogEvent).on(kEventOther, 9, kit::kLogEvent);
  ASSERT_TRUE(Load({o}));
  m_room.active.Remove(m_self);  // made before the object existed
  MakeInstance(100002, 0);
  MakeInstance(100003, 0);
  auto count = [](int32_t number) {
    int32_t n = 0;
    for (const kit::EventSeen& e : Seen()) n += e.type == kEventOther && e.number == number ? 1 : 0;
    return n;
  };

  g_RunState.lives = 1;
  EXPECT_TRUE(Set("lives", 0));
  EXPECT_EQ(count(6), 2);
  EXPECT_TRUE(Set("lives", -1));  // from 0: nothing more
  EXPECT_EQ(count(6), 2);
  EXPECT_TRUE(Set("lives", 3));
  EXPECT_TRUE(Set("lives", 0));
  EXPECT_EQ(count(6), 4);
  EXPECT_EQ(Num("lives"), 0);

  g_RunState.health = 10;
  EXPECT_TRUE(Set("health", 0.4));  // still above 0, and not rounded
  EXPECT_EQ(Num("health"), 0.4);
  EXPECT_EQ(count(9), 0);
  EXPECT_TRUE(Set("health", 0));
  EXPECT_EQ(count(9), 2);
  EXPECT_EQ(count(6), 4);
}

TEST_F(BuiltinVariablesTest, TheRunningScriptsArguments) {
  GiveArguments({Real(10), String("two")});
  EXPECT_EQ(Num("argument_count"), 2);
  EXPECT_EQ(Num("argument", 0), 10);
  EXPECT_EQ(Text("argument1"), "two");
  EXPECT_EQ(Text("argument", 1), "two");
  // argumentN past the count is undefined without an error.
  RValue third = Get("argument3");
  EXPECT_EQ(RValue_Kind(&third), VALUE_UNDEFINED);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());

  // argument[3], and argument without an index, are fatal.
  RValue bad = Get("argument", 3);
  EXPECT_EQ(RValue_Kind(&bad), VALUE_UNDEFINED);
  EXPECT_NE(RuntimeErrorCapture::LastReport().find("illegal access of argument, argument is not provided to script"),
            std::string::npos);
  RuntimeErrorCapture::Reset();
  RValue whole = Get("argument");
  EXPECT_EQ(RValue_Kind(&whole), VALUE_UNDEFINED);
  EXPECT_TRUE(RuntimeErrorCapture::Reported());
  RuntimeErrorCapture::Reset();

  // Writing: no index (or one past 15) writes argument 0; past the count there is no place.
  EXPECT_TRUE(Set("argument", Real(5)));
  EXPECT_EQ(Num("argument0"), 5);
  EXPECT_TRUE(Set("argument", Real(6), 16));
  EXPECT_EQ(Num("argument0"), 6);
  EXPECT_TRUE(Set("argument", String("one"), 1));
  EXPECT_EQ(Text("argument1"), "one");
  EXPECT_FALSE(Set("argument", Real(7), 2));
  EXPECT_FALSE(Set("argument2", Real(7)));
  EXPECT_EQ(Num("argument_count"), 2);

  // argumentN with an index reads and writes an element, making the argument an array.
  EXPECT_TRUE(Set("argument0", Real(42), 3));
  EXPECT_EQ(RValue_Kind(&m_arguments[0]), VALUE_ARRAY);
  EXPECT_EQ(Num("argument0", 3), 42);
  EXPECT_EQ(Num("argument0", 0), 0);  // the gap before it
  EXPECT_TRUE(Set("argument0", Real(43), 3));  // a second write keeps the argument's own array
  EXPECT_EQ(Num("argument0", 3), 43);
  EXPECT_FALSE(RuntimeErrorCapture::Reported());
  // An index into an argument that is not an array is an error.
  RValue element = Get("argument1", 0);
  RValue_Release(&element);
  EXPECT_TRUE(RuntimeErrorCapture::Reported());
}

TEST_F(BuiltinVariablesTest, AnArgumentListOnAFourByteBoundaryIsReadAndWrittenInPlace) {
  // The value stack keeps arguments at any 4-byte boundary.
  alignas(16) uint8_t stack[4 + 2 * sizeof(RValue)] = {};
  auto* list = reinterpret_cast<RValue*>(stack + 4);
  const RValue values[2] = {Real(1), Real(2)};
  std::memcpy(static_cast<void*>(list), values, sizeof values);
  VM_SetArguments(2, list);
  EXPECT_EQ(Num("argument1"), 2);
  EXPECT_TRUE(Set("argument1", String("moved"), 5));
  EXPECT_EQ(Text("argument1", 5), "moved");
  RValue back;
  std::memcpy(&back, stack + 4 + sizeof(RValue), sizeof back);
  EXPECT_EQ(RValue_Kind(&back), VALUE_ARRAY);
  RValue_Release(&back);
  VM_SetArguments(0, nullptr);
}

TEST_F(BuiltinVariablesTest, RoomAndInstanceListVariables) {
  CInstance* second = MakeInstance(100002);
  EXPECT_EQ(Num("instance_count"), 2);
  EXPECT_EQ(Num("instance_id", 0), 100001);
  EXPECT_EQ(Num("instance_id", 1), 100002);
  EXPECT_EQ(Num("instance_id", 2), -4);  // instance_id[instance_count]
  EXPECT_EQ(Num("instance_id", -1), -4);
  // A destroyed instance stays in the active list, and is counted and indexed, until the marked
  // instances are deleted; a deactivated one until the deferred update moves it.
  CInstance* third = MakeInstance(100003);
  second->marked = true;
  third->deactivated = true;
  EXPECT_EQ(Num("instance_count"), 3);
  EXPECT_EQ(Num("instance_id", 1), 100002);
  EXPECT_EQ(Num("instance_id", 2), 100003);
  m_room.DeleteInstance(second);  // what Room_DeleteMarked does to it
  std::erase(m_instances, second);
  EXPECT_EQ(Num("instance_count"), 2);
  EXPECT_EQ(Num("instance_id", 1), 100003);
  m_room.active.Remove(third);
  m_room.inactive.Append(third);
  EXPECT_EQ(Num("instance_count"), 1);
  EXPECT_EQ(Num("instance_id", 1), -4);
  m_room.inactive.Remove(third);

  // A speed below 1 is refused with a message, and the speed stays.
  EXPECT_FALSE(Set("room_speed", 0));
  EXPECT_EQ(RuntimeErrorCapture::LastError(), "Trying to set the room speed to a value <= 0.");
  EXPECT_EQ(RuntimeErrorCapture::ExitCode(), RuntimeErrorCapture::kNoExit);  // not fatal
  EXPECT_EQ(Num("room_speed"), 30);
  EXPECT_TRUE(Set("room_speed", 59.5));
  EXPECT_EQ(m_room.m_speed, 60);

  // Writing room asks for a change to the rounded index; the frame carries it out later.
  const int32_t target = Room_Add();
  EXPECT_TRUE(Set("room", target + 0.4));
  EXPECT_EQ(g_RoomChangeCode, target);
  g_RoomChangeCode = kRoomChangeNone;
  Room_CurrentIndex = target;
  EXPECT_EQ(Num("room"), target);
  Room_CurrentIndex = 0;

  EXPECT_TRUE(Set("room_caption", String("Lumbrix")));
  EXPECT_EQ(Text("room_caption"), "Lumbrix");
  EXPECT_TRUE(Set("room_caption", 3));
  EXPECT_EQ(Text("room_caption"), "");
}

TEST_F(BuiltinVariablesTest, TransitionKindIsAlwaysZeroAndSaysSoInTheLog) {
  Log();
  EXPECT_TRUE(Set("transition_kind", 5));
  EXPECT_EQ(Num("transition_kind"), 0);
  EXPECT_STREQ(Log(), "BUG: Room transitions don't function well - setting to 0 - look at Variable_BuiltIn SV_TransitionKind() .\n");
  EXPECT_TRUE(Set("transition_steps", 9));
  EXPECT_EQ(Num("transition_steps"), 0);
}

TEST_F(BuiltinVariablesTest, KeyboardLastCharTakesAStringsFirstCharacter) {
  IO_SetLastCharUnit('q');
  EXPECT_TRUE(Set("keyboard_lastchar", 65));  // not a string: nothing changes
  EXPECT_EQ(IO_GetLastChar(), 'q');
  EXPECT_TRUE(Set("keyboard_lastchar", String("")));
  EXPECT_EQ(IO_GetLastChar(), 0);
  EXPECT_TRUE(Set("keyboard_lastchar", String("\xC3\xA9t\xC3\xA9")));  // "été"
  EXPECT_EQ(IO_GetLastChar(), 0xE9);
  EXPECT_EQ(Text("keyboard_lastchar"), "\xC3\xA9");  // the round trip keeps it
  EXPECT_TRUE(Set("keyboard_lastchar", String("\xE2\x82\xAC")));  // a three-byte character
  EXPECT_EQ(Text("keyboard_lastchar"), "\xE2\x82\xAC");

  EXPECT_TRUE(Set("keyboard_string", String("typed")));
  EXPECT_EQ(Text("keyboard_string"), "typed");
  EXPECT_TRUE(Set("keyboard_string", 1));
  EXPECT_EQ(Text("keyboard_string"), "");
  IO_SetLastCharUnit(0);
}

TEST_F(BuiltinVariablesTest, WorkingDirectoryWithAndWithoutASeparator) {
  char* savedPath = g_pGameFilePath;
  char* savedDirectory = working_directory;
  g_pGameFilePath = nullptr;
  working_directory = nullptr;
  struct Case {
    const char* path;
    const char* directory;
    bool logged;
  };
  const Case cases[] = {
      {"/games/lumbrix/data.win", "/games/lumbrix/", true},
      {"C:\\games\\data.win", "C:\\games\\", true},
      {"a/b\\data.win", "a/", true},  // a slash first, a backslash only without one
      {"data.win", "", false},
      {"/data.win", "/", true},  // the root stays the root
  };
  for (const Case& c : cases) {
    Host_ReplaceText(&g_pGameFilePath, c.path);
    Host_FreeText(&working_directory);
    m_console.reset();
    Log();
    Variable_SetWorkingDirectory();
    EXPECT_EQ(Text("working_directory"), c.directory) << c.path;
    const std::string expected = c.logged ? std::string(73, '#') + "\n####!!!!$$$$$$ pwd - " + c.directory + "\n" +
                                                std::string(73, '#') + "\n"
                                          : "";
    EXPECT_EQ(Log(), expected) << c.path;
    g_pDebugConsole = m_savedConsole;
  }
  // Made once per pass: a later path changes nothing.
  Host_ReplaceText(&g_pGameFilePath, "/elsewhere/x.win");
  Variable_SetWorkingDirectory();
  EXPECT_EQ(Text("working_directory"), "/");
  Host_FreeText(&g_pGameFilePath);
  Host_FreeText(&working_directory);
  g_pGameFilePath = savedPath;
  working_directory = savedDirectory;
}

TEST_F(BuiltinVariablesTest, ConstantLikeValuesAndTheGameHeader) {
  const uint8_t savedByte = g_GameHeader.firstByte;
  g_GameHeader.firstByte = 0xFE;  // bit 0 clear: a debug build
  EXPECT_EQ(Num("debug_mode"), 1);
  g_GameHeader.firstByte = 0x01;
  EXPECT_EQ(Num("debug_mode"), 0);
  g_GameHeader.firstByte = savedByte;

  RValue invalid = Get("pointer_invalid");
  EXPECT_EQ(RValue_Kind(&invalid), VALUE_PTR);
  EXPECT_EQ(invalid.v64, -1);
  RValue null = Get("null");
  EXPECT_EQ(RValue_Kind(&null), VALUE_NULL);
  RValue undefined = Get("undefined");
  EXPECT_EQ(RValue_Kind(&undefined), VALUE_UNDEFINED);
  EXPECT_EQ(Text("game_guid"), "");
  EXPECT_EQ(Num("webgl_enabled"), 1);
  EXPECT_EQ(Num("async_load"), -1);
  g_AsyncLoad = 7;  // what the asynchronous phase hands out while an event runs
  EXPECT_EQ(Num("async_load"), 7);
  g_AsyncLoad = -1;

  // error_last shares a string's text; another value leaves none.
  RValue text = String("it broke");
  EXPECT_TRUE(Variable_SetValue(m_self, Id("error_last"), kNone, &text));
  EXPECT_EQ(error_last, text.pString);
  EXPECT_EQ(text.pString->refCount, 2);
  RValue_Release(&text);
  EXPECT_EQ(Text("error_last"), "it broke");
  EXPECT_TRUE(Set("error_last", 1));
  EXPECT_EQ(error_last, nullptr);
  EXPECT_EQ(Text("error_last"), "");

  EXPECT_TRUE(Set("caption_score", String("Points: ")));
  EXPECT_EQ(Text("caption_score"), "Points: ");
  EXPECT_TRUE(Set("caption_score", 0));
  EXPECT_EQ(Text("caption_score"), "");
  g_RunState.showScoreWasSet = false;
  EXPECT_TRUE(Set("show_score", 0));
  EXPECT_EQ(Num("show_score"), 0);
  EXPECT_TRUE(g_RunState.showScoreWasSet);
}

TEST_F(BuiltinVariablesTest, InstanceVariablesWithoutAnInstanceReportNothing) {
  const int32_t x = Id("x");
  RValue out = Real(7);
  EXPECT_FALSE(Variable_BuiltinEntry(x)->getter(nullptr, kNone, &out));
  EXPECT_EQ(out.val, 7);
  const RValue five = Real(5);
  EXPECT_FALSE(Variable_BuiltinEntry(x)->setter(nullptr, kNone, &five));
  EXPECT_FALSE(Variable_BuiltinEntry(Id("alarm"))->setter(nullptr, 0, &five));
  // The values that belong to the whole game read without one.
  EXPECT_TRUE(Variable_BuiltinEntry(Id("webgl_enabled"))->getter(nullptr, kNone, &out));
  EXPECT_TRUE(Variable_BuiltinEntry(Id("score"))->setter(nullptr, kNone, &five));
  EXPECT_EQ(g_RunState.score, 5);
}

TEST_F(BuiltinVariablesTest, TranslatedCodeWritesAndReadsThroughItsBoundSlots) {
  Game_BindLinkRecord(kit::LinkRecord());  // the kit's names bound against the full table
  const LinkName* const* names = kit::LinkRecord()->variables;
  EXPECT_EQ(names[0]->slot, 0);   // x
  EXPECT_EQ(names[4]->slot, 15);  // alarm
  m_self->bbox_dirty = false;
  const int32_t slot = Code_Add(kit::kCreationCode, 0);
  Code_Execute(m_self, m_self, Code_GetByIndex(slot), nullptr, 0);  // x = 5; kit_note(x)
  EXPECT_EQ(m_self->x, 5.0f);
  EXPECT_TRUE(m_self->bbox_dirty);  // through the position setter
  EXPECT_EQ(kit::TheLog().notes, std::vector<double>{5});
}

// --- instance variables --------------------------------------------------------------------------

TEST_F(BuiltinVariablesTest, MotionVariablesKeepBothForms) {
  EXPECT_TRUE(Set("direction", 90));
  EXPECT_TRUE(Set("speed", 5));
  EXPECT_EQ(Num("hspeed"), 0);  // the cosine's residue is snapped away
  EXPECT_EQ(Num("vspeed"), -5);

  CInstance* b = MakeInstance(100002);
  EXPECT_TRUE(Set("hspeed", 3, kNone, b));
  EXPECT_TRUE(Set("vspeed", 4, kNone, b));
  EXPECT_EQ(Num("speed", kNone, b), 5);
  EXPECT_NEAR(Num("direction", kNone, b), 360 - std::atan2(4.0, 3.0) * 180 / std::numbers::pi, 1e-3);
  EXPECT_NEAR(Num("direction", kNone, b), 306.87, 0.01);

  struct Case {
    double written, stored;
  };
  for (const Case c : {Case{-90, 270}, Case{720, 0}, Case{360, 0}, Case{45, 45}}) {
    EXPECT_TRUE(Set("direction", c.written));
    EXPECT_EQ(Num("direction"), c.stored) << c.written;
  }
  CInstance* still = MakeInstance(100003);
  EXPECT_TRUE(Set("hspeed", 0, kNone, still));
  EXPECT_TRUE(Set("vspeed", 0, kNone, still));
  EXPECT_EQ(Num("direction", kNone, still), 0);
  EXPECT_EQ(Num("speed", kNone, still), 0);

  // Position: both coordinates through the setter, the box out of date.
  m_self->bbox_dirty = false;
  EXPECT_TRUE(Set("x", 12.5));
  EXPECT_TRUE(Set("y", -3));
  EXPECT_EQ(m_self->x, 12.5f);
  EXPECT_EQ(m_self->y, -3.0f);
  EXPECT_EQ(Num("bbox_left"), 12);  // read after recomputing the box
  EXPECT_FALSE(m_self->bbox_dirty);
}

TEST_F(BuiltinVariablesTest, SpriteAndImageVariables) {
  CSprite four;
  four.frameCount = 4;
  four.width = 16;
  four.height = 8;
  four.originX = 3;
  four.originY = 2;
  four.maskRight = 15;
  four.maskBottom = 7;
  const int32_t sprite = Sprite_Add(four);

  m_self->image_index = 6.5f;
  EXPECT_TRUE(Set("sprite_index", sprite));
  EXPECT_EQ(Num("image_index"), 0);  // past the four frames
  CInstance* b = MakeInstance(100002);
  b->image_index = 3.9f;
  EXPECT_TRUE(Set("sprite_index", sprite, kNone, b));
  EXPECT_EQ(Num("image_index", kNone, b), static_cast<double>(3.9f));
  EXPECT_EQ(Num("image_number", kNone, b), 4);

  EXPECT_TRUE(Set("image_xscale", 2));
  EXPECT_TRUE(Set("image_yscale", -1));
  EXPECT_EQ(Num("sprite_width"), 32);
  EXPECT_EQ(Num("sprite_height"), -8);
  EXPECT_EQ(Num("sprite_xoffset"), 6);
  EXPECT_EQ(Num("sprite_yoffset"), -2);
  EXPECT_EQ(Num("sprite_width", kNone, MakeInstance(100003)), 0);  // no sprite

  m_self->image_index = 2.5f;
  m_self->image_speed = 0.5f;
  EXPECT_EQ(Num("image_single"), -1);
  EXPECT_TRUE(Set("image_single", -1));
  EXPECT_EQ(m_self->image_index, 2.5f);
  EXPECT_EQ(m_self->image_speed, 1.0f);
  EXPECT_TRUE(Set("image_single", 2));
  EXPECT_EQ(m_self->image_index, 2.0f);
  EXPECT_EQ(m_self->image_speed, 0.0f);
  EXPECT_EQ(Num("image_single"), 2);

  m_self->bbox_dirty = false;
  EXPECT_TRUE(Set("mask_index", sprite));
  EXPECT_EQ(m_self->mask_index, sprite);
  EXPECT_TRUE(m_self->bbox_dirty);
}

TEST_F(BuiltinVariablesTest, PathDepthAndTimelineVariables) {
  EXPECT_TRUE(Set("path_position", 1.5));
  EXPECT_EQ(Num("path_position"), 1);
  EXPECT_TRUE(Set("path_positionprevious", -0.5));
  EXPECT_EQ(Num("path_positionprevious"), 0);
  EXPECT_FALSE(Set("path_index", 2));
  EXPECT_EQ(Num("path_index"), -1);
  EXPECT_TRUE(Set("timeline_index", 7.5));  // no check that it exists
  EXPECT_EQ(m_self->timeline_index, 8);

  // Depth changes queue the instance once for the step's re-sort.
  InstanceQueues_Clear();
  EXPECT_TRUE(Set("depth", 10));
  EXPECT_TRUE(Set("depth", -20));
  EXPECT_EQ(DepthChangeList.Count(), 1);
  EXPECT_EQ(Num("depth"), -20);
  InstanceQueues_Clear();
  EXPECT_TRUE(Set("depth", -20));  // unchanged: not queued
  EXPECT_EQ(DepthChangeList.Count(), 0);
}

TEST_F(BuiltinVariablesTest, PhysicsVariablesNeedABodyAndAWorld) {
  bool ok = true;
  RValue v = Get("phy_position_x", kNone, nullptr, &ok);
  EXPECT_FALSE(ok);
  EXPECT_EQ(v.val, -1);  // left as it was
  EXPECT_FALSE(Set("phy_position_x", 5));
  EXPECT_FALSE(Set("phy_rotation", 5));

  CPhysicsWorld world(0.1f, 30);  // ten pixels to the metre
  m_self->x = 20;
  m_self->y = 30;
  CPhysicsFixture* box = PhysicsFixture_Create();
  box->SetBoxShape(1, 1);
  box->SetDensity(0.5f);
  ASSERT_EQ(world.BindFixture(box, m_self, 0, 0), 0);
  PhysicsFixture_Delete(box->m_id);
  CPhysicsObject* body = m_self->physics_object;
  ASSERT_NE(body, nullptr);
  // A body is enough for what needs no scale; the room has no world yet.
  EXPECT_TRUE(Set("phy_rotation", 90));
  EXPECT_NEAR(body->Angle(), std::numbers::pi / 2, 1e-6);
  EXPECT_NEAR(Num("phy_rotation"), 90, 1e-4);
  EXPECT_FALSE(Set("phy_position_x", 5));

  m_room.physics_world = &world;
  EXPECT_TRUE(Set("phy_position_x", 50));
  EXPECT_TRUE(Set("phy_position_y", 20));
  EXPECT_NEAR(body->X(), 5, 1e-5);
  EXPECT_NEAR(body->Y(), 2, 1e-5);
  EXPECT_NEAR(Num("phy_position_x"), 50, 1e-4);
  EXPECT_NEAR(Num("phy_position_xprevious"), 20, 1e-4);  // where the body was made; no step yet
  EXPECT_TRUE(Set("phy_speed_x", 1));  // pixels per step, at 30 steps a second
  EXPECT_NEAR(body->LinearVelocityX(), 3, 1e-5);
  EXPECT_NEAR(Num("phy_linear_velocity_x"), 30, 1e-4);
  EXPECT_TRUE(Set("phy_speed_y", 0));
  EXPECT_NEAR(Num("phy_speed"), 1, 1e-5);
  EXPECT_TRUE(Set("phy_bullet", 0.6));
  EXPECT_TRUE(body->Bullet());
  EXPECT_TRUE(Set("phy_active", 0.5));
  EXPECT_FALSE(body->Active());
  EXPECT_TRUE(Set("phy_linear_damping", 0.25));
  EXPECT_NEAR(Num("phy_linear_damping"), 0.25, 1e-6);
  EXPECT_TRUE(Set("phy_linear_damping", -1));  // refused by the body: unchanged
  EXPECT_NEAR(Num("phy_linear_damping"), 0.25, 1e-6);
  // A 2 m square at density 0.5: mass 2, inertia 2 * (2^2 + 2^2) / 12 about its centre.
  EXPECT_NEAR(Num("phy_mass"), 2, 1e-5);
  EXPECT_NEAR(Num("phy_inertia"), 4.0 / 3.0, 1e-5);
  EXPECT_EQ(Num("phy_dynamic"), 1);
  EXPECT_EQ(Num("phy_kinematic"), 0);

  // Outside a collision event there is no contact to read.
  EXPECT_EQ(Num("phy_collision_points"), 0);
  Get("phy_collision_x", 0, nullptr, &ok);
  EXPECT_FALSE(ok);

  m_room.physics_world = nullptr;
  delete m_self->physics_object;
  m_self->physics_object = nullptr;
}

}  // namespace
