// Every Math, data-structure, buffer, File, INI, display, draw, text/sprite, screen-capture, surface,
// resource and interaction function called through
// the built-in table with arguments a script may pass: any kind, NaN, infinities, huge reals,
// integer extremes, negative ids, text for numbers, arrays, pointers, no arguments at all and
// more than registered. Nothing may crash, end the game, leave a result of a kind no script can
// hold, or allocate an absurd amount; the sanitizer build runs the same sweep for undefined
// behaviour and reads past the caller's values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "assets/background.h"
#include "assets/font.h"
#include "assets/sprite_fixture.h"
#include "core/function_registry.h"
#include "core/memory_manager.h"
#include "functions/buffer_functions.h"
#include "functions/display_functions.h"
#include "functions/draw_functions.h"
#include "functions/ds_functions.h"
#include "functions/ds_ownership.h"
#include "functions/file_functions.h"
#include "functions/interaction_call.h"
#include "functions/interaction_functions.h"
#include "functions/lifecycle.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "functions/math_functions.h"
#include "functions/screen_capture.h"
#include "functions/surface_functions.h"
#include "functions/text_sprite_functions.h"
#include "host/command_line.h"
#include "host/fake_window_system.h"
#include "host/frame_loop.h"
#include "host/host_fixture.h"
#include "runtime/game_header.h"
#include "io/main_window.h"
#include "host/rooms.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "render/d3d_device.h"
#include "render/gui_layer.h"
#include "render/render_setters.h"
#include "render/room_draw.h"
#include "render/surface.h"
#include "render/text.h"
#include "vm/calls.h"
#include "vm/script_table.h"
#include "world/instance.h"
#include "world/lifecycle.h"
#include "world/object.h"
#include "world/path.h"
#include "world/room.h"
#include "world/room_table.h"
#include "world/timeline.h"

namespace {

using math_test::Bool;
using math_test::Int32;
using math_test::Int64;
using math_test::Pointer;
using math_test::Real;
using math_test::Text;
using math_test::Undefined;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

RValue Array() {
  RValue v = RValue_MakeUndefined();
  for (int32_t i = 0; i < 2; ++i) {
    RValue element = RValue_MakeReal(i + 1);
    SharedArray_Grow(&v, &element, i);
  }
  return v;
}

// One hostile value, made afresh for every call (the call releases its arguments).
struct Hostile {
  const char* name;
  RValue (*make)();
};
const Hostile kHostile[] = {
    {"NaN", [] { return Real(kNaN); }},
    {"+inf", [] { return Real(kInf); }},
    {"-inf", [] { return Real(-kInf); }},
    {"1e300", [] { return Real(1e300); }},
    {"-1e300", [] { return Real(-1e300); }},
    {"-1", [] { return Real(-1); }},
    {"0", [] { return Real(0); }},
    {"0.5", [] { return Real(0.5); }},
    {"2^31", [] { return Real(2147483648.0); }},
    {"-2^31-1", [] { return Real(-2147483649.0); }},
    {"INT32_MIN", [] { return Int32(INT32_MIN); }},
    {"INT32_MAX", [] { return Int32(INT32_MAX); }},
    {"INT64_MIN", [] { return Int64(INT64_MIN); }},
    {"INT64_MAX", [] { return Int64(INT64_MAX); }},
    {"\"\"", [] { return Text(""); }},
    {"\"12abc\"", [] { return Text("12abc"); }},
    {"undefined", [] { return Undefined(); }},
    {"true", [] { return Bool(true); }},
    {"[1,2]", [] { return Array(); }},
    {"ptr 0", [] { return Pointer(0); }},
    {"ptr max", [] { return Pointer(std::numeric_limits<intptr_t>::max()); }},
};
constexpr int32_t kHostileCount = static_cast<int32_t>(std::size(kHostile));

// One argument vector: the hostile value at each position (by index into kHostile).
struct Vector {
  std::vector<int32_t> values;
  std::string Describe() const {
    std::string s = "(";
    for (size_t i = 0; i < values.size(); ++i) s += (i ? ", " : "") + std::string(kHostile[values[i]].name);
    return s + ")";
  }
};

// The vectors for a function registered with `count` arguments: none at all; every hostile value
// in every position at the registered count and three beyond it; and each value rotated through
// the positions so that every position meets every value beside the others.
std::vector<Vector> VectorsFor(int32_t count) {
  std::vector<Vector> out;
  out.push_back({});
  for (int32_t k = 0; k < kHostileCount; ++k) {
    out.push_back({std::vector<int32_t>(static_cast<size_t>(count > 0 ? count : 1), k)});
    out.push_back({std::vector<int32_t>(static_cast<size_t>(count + 3), k)});
    if (count > 1) {
      Vector rotated;
      for (int32_t i = 0; i < count; ++i) rotated.values.push_back((k + i) % kHostileCount);
      out.push_back(rotated);
    }
  }
  return out;
}

// A result no script could hold, or "" when the result is sound.
std::string Unsound(const RValue& v) {
  switch (RValue_Kind(&v)) {
    case VALUE_REAL:
    case VALUE_UNDEFINED:
    case VALUE_INT32:
    case VALUE_INT64:
    case VALUE_BOOL:
    case VALUE_PTR: return "";
    case VALUE_STRING: return v.pString != nullptr && v.pString->text != nullptr ? "" : "a string without text";
    case VALUE_ARRAY: return v.pArray != nullptr ? "" : "an array without a record";
    default: return "a result of kind " + std::to_string(RValue_Kind(&v));
  }
}

// More than this in use after one call, beyond what was in use before it, is no script's request.
constexpr int64_t kMostGrowthPerCall = 64ll << 20;

// The calls that end the program on purpose, which the sweep leaves out: a grid of 2^31 - 1 by
// 2^31 - 1 cells is more than the memory manager can hand out, and its out-of-memory path ends
// the program with its message (the grid tests show that death).
bool EndsTheProgram(const std::string& name, const Vector& vector) {
  auto isMax = [&](size_t i) { return std::string(kHostile[vector.values[i]].name) == "INT32_MAX"; };
  return name == "ds_grid_create" && vector.values.size() >= 2 && isMax(0) && isMax(1);
}

// Calls every name in the table but the excluded ones with every vector; `after` runs after each
// call (state a call may leave that the fixture must put back). The names in `last` are swept after
// all the others (deleting what the fixture made, which the others should meet first). Answers how
// many names it swept.
int32_t Sweep(const std::set<std::string>& excluded, CInstance* self, const std::function<void()>& after,
              const std::set<std::string>& last = {}) {
  int32_t swept = 0;
  std::set<std::string> seenExcluded;
  std::set<std::string> seenLast;
  for (int32_t at = 0; at < 2 * g_BuiltinCount; ++at) {
    const bool lastPass = at >= g_BuiltinCount;
    const int32_t index = lastPass ? at - g_BuiltinCount : at;
    const BuiltinFunction* entry = nullptr;
    int32_t count = 0;
    if (!Builtin_GetEntry(index, &entry, nullptr, &count, nullptr)) continue;
    const std::string name = entry->name;
    if (lastPass != (last.count(name) != 0)) continue;
    if (lastPass) seenLast.insert(name);
    if (excluded.count(name) != 0) {
      seenExcluded.insert(name);
      continue;
    }
    ++swept;
    for (const Vector& vector : VectorsFor(count)) {
      if (EndsTheProgram(name, vector)) continue;
      std::vector<RValue> args;
      for (int32_t k : vector.values) args.push_back(kHostile[k].make());
      std::vector<RValue*> pointers;
      for (RValue& a : args) pointers.push_back(&a);
      RValue result = RValue_MakeUndefined();
      const int64_t before = MemoryManager_BytesInUse();
      VM_CallBuiltin(self, self, &result, static_cast<int32_t>(args.size()), index, pointers.data());
      const int64_t growth = MemoryManager_BytesInUse() - before;
      EXPECT_EQ(Unsound(result), "") << name << vector.Describe();
      EXPECT_LT(growth, kMostGrowthPerCall) << name << vector.Describe();
      RValue_Release(&result);
      for (RValue& a : args) RValue_Release(&a);
      after();
    }
  }
  EXPECT_EQ(seenExcluded, excluded) << "an excluded name is no longer registered";
  EXPECT_EQ(seenLast, last) << "a name swept last is no longer registered";
  return swept;
}

// --- display, draw, text/sprite, screen capture and surfaces --------------------------------------

class GraphicSweepTest : public sprite_test::SpriteTest {
 protected:
  void SetUp() override {
    SpriteTest::SetUp();
    LoadSprite();  // loading a game fills the whole table: the groups swept replace it after
    Builtin_Shutdown();
    Display_RegisterFunctions(1);
    Screen_RegisterFunctions(1);
    Draw_RegisterFunctions(1);
    TextSprite_RegisterFunctions(1);
    Surface_RegisterFunctions(1);
    g_FrameTiming = FrameTiming{};
    g_RunState = RunState{};
    g_RunState.drawEnableDrawEvent = true;
    g_WindowState.window = m_windows.Window();
    // Surface ids count on from the last one made in this process: the sweep's ids 0 and 1 are
    // made afresh.
    Surface_FreeAll();
    g_SurfaceTargets = SurfaceTargetState{};
    self = new CInstance(0, 0, 100001, -1, false);
  }
  void TearDown() override {
    delete self;
    // The loaded game's name, which the host fixture of other tests replaces without freeing.
    MEM_FREE(game_project_name);
    game_project_name = nullptr;
    Room_Current = nullptr;
    Surface_FreeAll();
    g_SurfaceTargets = SurfaceTargetState{};
    g_AppSurface = AppSurfaceState{};
    g_GUI = GUIState{};
    g_RunState = RunState{};
    g_FrameTiming = FrameTiming{};
    g_GR_View = GR_ViewState{};
    Text_Shutdown();
    Font_Shutdown();
    Background_Shutdown();
    Window_SetColour(0xFFFFFF);
    Window_ResetViewPorts();
    Builtin_Shutdown();
    RuntimeErrorCapture::Reset();
    SpriteTest::TearDown();
  }

  // Sprite 0, a 4 x 4 image of three frames: ids 0 and 1 meet a real asset among the hostile values.
  void LoadSprite() {
    container::SpriteEntry e;
    e.name = "walker";
    e.width = 4;
    e.height = 4;
    e.frames = {0, 1, 2};
    ASSERT_TRUE(Load(
        {{0, container::png_page(16, 8, sprite_test::RGBA(16, 8, [](int32_t, int32_t) { return 0xFFFFFFFFu; }))}},
        {{0, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}, {4, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}, {8, 0, 4, 4, 0, 0, 4, 4, 4, 4, 0}}, {e}))
        << Game_LoadFailure();
  }

  host_test::FakeWindowSystem m_windows;
  RuntimeErrorCapture errors;
  CInstance* self = nullptr;
};

TEST_F(GraphicSweepTest, EveryFunctionSurvivesEveryHostileArgumentVector) {
  // Surfaces 0 and 1 exist, so that the hostile values also reach a real surface's code (the
  // fixture started the surface ids afresh, whatever tests ran before in this process).
  ASSERT_EQ(Surface_Create(8, 8, -1), 0);
  ASSERT_EQ(Surface_Create(16, 4, -1), 1);
  const int32_t total = g_BuiltinCount;
  const int32_t swept = Sweep({}, self, [] {
    // A runtime error (a value of the wrong kind) ends the game through the hook: that is the
    // answer to such a call, and the sweep goes on past it.
    s_exits = 0;
    RuntimeErrorCapture::Reset();
  });
  EXPECT_EQ(swept, total);
  EXPECT_EQ(swept, 65 + 4 + 77 + 56 + 26);  // display, screen, draw, text/sprite, surface
}

// Every handler reads only the arguments the call brought: values lying beyond the count are
// never read (with a count past eight the call's buffer ends there, and reading on was a read past
// the heap block; below it, the stack's leftovers were read as arguments).
// Answers how many names it checked.
int32_t CheckNoHandlerReadsBeyondTheArgumentCount(CInstance* self) {
  int32_t checked = 0;
  for (int32_t index = 0; index < g_BuiltinCount; ++index) {
    const BuiltinFunction* entry = nullptr;
    BuiltinHandler handler = nullptr;
    int32_t count = 0;
    if (!Builtin_GetEntry(index, &entry, &handler, &count, nullptr)) continue;
    if (count <= 0) continue;  // none, or any number (-1)
    // Values no number getter accepts lie where the missing arguments would be.
    std::vector<RValue> values(static_cast<size_t>(count), RValue_MakeUndefined());
    for (int32_t argc = 0; argc < count; ++argc) {
      for (int32_t i = 0; i < argc; ++i) values[static_cast<size_t>(i)] = RValue_MakeReal(0);
      RValue result = RValue_MakeUndefined();
      RuntimeErrorCapture::Reset();
      Builtin_SetCurrent(index);
      handler(&result, self, self, argc, values.data());
      // A getter's complaint names the argument it read (from 1): never one the call lacks.
      const std::string report = RuntimeErrorCapture::LastReport();
      const size_t at = report.find(" incorrect type");
      if (at != std::string::npos) {
        const size_t number = report.rfind("argument ", at);
        EXPECT_NE(number, std::string::npos) << report;
        if (number != std::string::npos) {
          EXPECT_LE(std::atoi(report.c_str() + number + 9), argc)
              << entry->name << " read past " << argc << " of " << count << ": " << report;
        }
      }
      RValue_Release(&result);
      for (RValue& v : values) v = RValue_MakeUndefined();
    }
    ++checked;
  }
  RuntimeErrorCapture::Reset();
  return checked;
}

TEST_F(GraphicSweepTest, NoHandlerReadsBeyondTheArgumentCount) {
  EXPECT_GT(CheckNoHandlerReadsBeyondTheArgumentCount(self), 150);
}

// A health bar with its last argument missing: the border flag reads as off and the bar is drawn.
TEST_F(GraphicSweepTest, AHealthbarMissingItsLastArgumentDrawsWithoutReadingPastTheCall) {
  GraphicsFlush();
  s_log->Clear();
  math_test::Call("draw_healthbar", {Real(0), Real(0), Real(100), Real(10), Real(50), Real(0), Real(0xFF),
                                     Real(0xFF00), Real(0), Real(1)});
  GraphicsFlush();
  EXPECT_FALSE(Draws().empty());
  EXPECT_EQ(RuntimeErrorCapture::LastReport(), "");
}

// A window position at the integer limits: the border and caption taken off clamp at the lowest
// position (they wrapped around to the far side, in signed overflow).
TEST_F(GraphicSweepTest, AWindowPositionAtTheIntegerLimitsClamps) {
  m_windows.outer = {100, 50, 748, 558};
  m_windows.client = {0, 0, 640, 480};
  math_test::Call("window_set_position", {Int32(INT32_MIN), Real(-1e300)});
  math_test::Call("window_set_position", {Int32(INT32_MAX), Int32(INT32_MAX)});
  ASSERT_EQ(m_windows.moves.size(), 2u);
  EXPECT_EQ(m_windows.moves[0].x, INT32_MIN);
  EXPECT_EQ(m_windows.moves[0].y, INT32_MIN);
  EXPECT_EQ(m_windows.moves[1].x, INT32_MAX - 4);
  EXPECT_EQ(m_windows.moves[1].y, INT32_MAX - 24);

  // The mouse placed at the limits, in window coordinates, stops at them on the screen too.
  g_WindowState.focus = true;
  math_test::Call("window_mouse_set", {Int32(INT32_MAX), Int32(INT32_MIN)});
  ASSERT_EQ(m_windows.cursorMoves.size(), 1u);
  EXPECT_EQ(m_windows.cursorMoves[0].x, INT32_MAX);
  EXPECT_EQ(m_windows.cursorMoves[0].y, INT32_MIN + 74);
  EXPECT_EQ(WindowCoord_Offset(INT32_MAX, 74), INT32_MAX);
  EXPECT_EQ(WindowCoord_Offset(INT32_MIN, -28), INT32_MIN);
  EXPECT_EQ(WindowCoord_Offset(-5, 104), 99);
}

// --- numbers, strings, data structures, buffers, files and INI -----------------------------------

// The Math, data-structure, buffer, File and INI groups in the table, over a save area of the
// test's own. Two lists, two maps, two buffers, a text file open for writing and an INI file
// exist, so that the hostile values 0 and 1 also reach a real container's code.
class LibrarySweepTest : public HostFilesTest {
 protected:
  void SetUp() override {
    HostFilesTest::SetUp();
    Builtin_Shutdown();
    DS_FreeAll();
    Buffer_FreeAll();
    InitMathFunctions();
    InitDSFunctions();
    InitBufferFunctions();
    InitFileFunctions();  // with the INI functions
    for (int32_t id = 0; id < 2; ++id) {
      ASSERT_EQ(math_test::CallReal("ds_list_create", {}), id);
      ASSERT_EQ(math_test::CallReal("ds_map_create", {}), id);
      ASSERT_EQ(math_test::CallReal("buffer_create", {Real(8), Real(eBuffer_Format_Grow), Real(1)}), id);
    }
    ASSERT_GE(math_test::CallReal("file_text_open_write", {Text("sweep.txt")}), 1);
    math_test::Call("ini_open", {Text("sweep.ini")});
  }
  void TearDown() override {
    File_CloseAll();
    Buffer_FreeAll();
    DS_FreeAll();
    Builtin_Shutdown();
    RuntimeErrorCapture::Reset();
    HostFilesTest::TearDown();
  }

  RuntimeErrorCapture errors;
};

TEST_F(LibrarySweepTest, EveryFunctionSurvivesEveryHostileArgumentVector) {
  const int32_t total = g_BuiltinCount;
  CInstance self(0, 0, 100001, -1, false);
  const int32_t swept = Sweep(
      {}, &self, [] { RuntimeErrorCapture::Reset(); },
      {"ds_list_destroy", "ds_map_destroy", "buffer_delete", "file_text_close", "ini_close"});
  EXPECT_EQ(swept, total);
  EXPECT_EQ(swept, 108 + 128 + 34 + 72);  // Math, data structures, buffers, File with INI
}

// Without the Math group: a short call of a Math function reads the missing places as undefined on
// purpose, and the getter's complaint names the argument the call lacked.
TEST_F(LibrarySweepTest, NoHandlerReadsBeyondTheArgumentCount) {
  Builtin_Shutdown();
  InitDSFunctions();
  InitBufferFunctions();
  InitFileFunctions();
  EXPECT_GT(CheckNoHandlerReadsBeyondTheArgumentCount(nullptr), 150);
}

// --- resources: sprites, backgrounds, sounds, fonts, scripts, paths, timelines, objects, rooms ---

// The graphic fixture's loaded sprite, surfaces and save area, with the resource group in the table
// in place of the graphic groups, and one made background, font, room, path, timeline and object,
// so that the hostile values also reach a real definition's code through ids 0 and 1.
// The parameter is the game's format version: a GEN8 game's counts, or an older game's, with its
// alpha functions.
class ResourceSweepTest : public GraphicSweepTest, public ::testing::WithParamInterface<int32_t> {
 protected:
  void SetUp() override {
    GraphicSweepTest::SetUp();
    Builtin_Shutdown();
    GameFormatVersion = GetParam();
    InitResourceFunctions();
    ASSERT_EQ(Surface_Create(8, 8, -1), 0);
    ASSERT_EQ(Surface_Create(16, 4, -1), 1);
    ASSERT_EQ(Background_AddEmpty(), 0);
    Background_Data(0)->CreateColour(4, 4, 0xFF00FF, true);
    ASSERT_EQ(Font_AddSprite(0, 32, false, 0), 0);
    ASSERT_EQ(Room_Add(), 0);
    // Sprite 1 is one without images; 2, which no hostile value names, keeps sprite 0 as it was.
    ASSERT_EQ(Sprite_AddEmpty(), 1);
    ASSERT_EQ(Sprite_Duplicate(0), kKeptSprite);
    ASSERT_EQ(Path_Add(), 0);
    TwoPoints(Path_Data(0));
    ASSERT_EQ(TimeLine_Add(), 0);
    ASSERT_EQ(Object_Add(), 0);
    // An instance of the current room shows sprite 0: a changed origin or box reaches its box.
    auto* room = new CRoom();
    Room_Copies = {room};
    Room_Current = room;
    shower = room->CreateInstance(0, 0, 0);
    shower->sprite_index = 0;
  }
  void TearDown() override {
    Runner_DeleteRoomCopies();
    Room_Current = nullptr;
    Room_FreeDefinitions();
    Path_DeleteAll();
    TimeLine_DeleteAll();
    Object_Shutdown();
    Script_DeleteAll();
    GameFormatVersion = 0;
    GraphicSweepTest::TearDown();
  }

  static constexpr int32_t kKeptSprite = 2;
  CInstance* shower = nullptr;
  static void TwoPoints(CPath* path) {
    path->AddPoint(0, 0, 100);
    path->AddPoint(30, 40, 100);
  }

  // After each call: the instance's box is read, as the next collision check would, and sprites 0
  // and 1 are drawn; and merging a sprite into itself and appending a path to itself double it, as
  // asked, which repeated for every vector that names it twice would be the sweep's own
  // exponential request.
  void AfterCall() {
    if (Room_Current != nullptr && shower->bbox_dirty) Compute_BoundingBox(shower);
    for (int32_t k : {0, 1}) {
      if (CSprite* s = Sprite_Data(k)) s->SpriteDrawSimple(0, 10, 10);
    }
    for (int32_t k : {0, 1}) {
      if (const CSprite* s = Sprite_Data(k); s != nullptr && s->frameCount > 16) Sprite_Assign(k, kKeptSprite);
      if (CPath* p = Path_Data(k); p != nullptr && p->GetNumber() > 16) {
        p->Clear();
        TwoPoints(p);
      }
    }
  }
};

TEST_P(ResourceSweepTest, EveryFunctionSurvivesEveryHostileArgumentVector) {
  const int32_t total = g_BuiltinCount;
  const int32_t swept = Sweep(
      {}, self,
      [this] {
        AfterCall();
        s_exits = 0;
        RuntimeErrorCapture::Reset();
      },
      {"sprite_delete", "background_delete", "sound_delete", "font_delete", "path_delete", "timeline_delete",
       "object_delete"});
  EXPECT_EQ(swept, total);
  EXPECT_EQ(swept, GetParam() >= 800 ? 189 : 188);

  // Every room the sweep left, with whatever sizes, views, backgrounds, instance and tile records
  // it was given, is entered and left.
  Runner_DeleteRoomCopies();
  Room_Current = nullptr;
  int32_t entered = 0;
  const int32_t rooms = Room_Number();
  for (int32_t room = 0; room < rooms; ++room) {
    if (!Room_Exists(room)) continue;
    Room_Copies.assign(static_cast<size_t>(rooms), nullptr);
    Room_Start(room, false);
    ASSERT_NE(Room_Current, nullptr) << room;
    Room_End(false);
    ++entered;
  }
  EXPECT_GT(entered, 1);
}

TEST_P(ResourceSweepTest, NoHandlerReadsBeyondTheArgumentCount) {
  EXPECT_GT(CheckNoHandlerReadsBeyondTheArgumentCount(self), 150);
}

// A room given one hostile value everywhere a script may set it (its size, view 0, background 0, an
// instance and tiles) is entered and left.
TEST_P(ResourceSweepTest, ARoomGivenHostileSettingsIsEnteredAndLeft) {
  // Each setter with the number of leading arguments that name the room, view, background or
  // object, and its registered count; the hostile value fills the rest.
  const struct {
    const char* name;
    int32_t named;
    int32_t count;
  } kSetters[] = {{"room_set_width", 1, 2},           {"room_set_height", 1, 2},   {"room_set_view_enabled", 1, 2},
                  {"room_set_background_colour", 1, 3}, {"room_set_background", 2, 12}, {"room_set_view", 2, 16},
                  {"room_instance_add", 1, 4},        {"room_tile_add", 2, 9},     {"room_tile_add_ext", 2, 12}};
  for (const Hostile& hostile : kHostile) {
    const int32_t room = Room_Add();
    for (const auto& setter : kSetters) {
      std::vector<RValue> args = {Real(room)};
      if (setter.named == 2) args.push_back(Real(0));
      const bool instance = std::string(setter.name) == "room_instance_add";  // object 0 at the hostile place
      while (static_cast<int32_t>(args.size()) < setter.count - (instance ? 1 : 0)) args.push_back(hostile.make());
      if (instance) args.push_back(Real(0));
      math_test::Call(setter.name, args);
    }
    Runner_DeleteRoomCopies();
    Room_Copies.assign(static_cast<size_t>(Room_Number()), nullptr);
    Room_Start(room, false);
    ASSERT_NE(Room_Current, nullptr) << hostile.name;
    Room_End(false);
    s_exits = 0;
    RuntimeErrorCapture::Reset();
  }
}

INSTANTIATE_TEST_SUITE_P(FormatVersions, ResourceSweepTest, ::testing::Values(800, 0));

// View ports reaching past the integer range size the window to the display (their far edges
// wrapped around to below the least size).
TEST_F(GraphicSweepTest, ViewPortsPastTheIntegerRangeSizeTheWindowToTheDisplay) {
  CRoom room;
  room.enable_views = true;
  room.views[0].visible = room.views[1].visible = true;
  room.views[0].port_x = room.views[0].port_w = room.views[0].port_y = room.views[0].port_h = INT32_MAX;
  room.views[1].port_x = room.views[1].port_w = room.views[1].port_y = room.views[1].port_h = INT32_MIN;
  const int32_t width = g_D3D.screenWidth;
  const int32_t height = g_D3D.screenHeight;
  Room_Current = &room;
  Room_SizeWindow();
  Room_Current = nullptr;
  ASSERT_GT(Display_GetWidth(), 8);
  EXPECT_EQ(g_D3D.screenWidth, Display_GetWidth());
  EXPECT_EQ(g_D3D.screenHeight, Display_GetHeight());
  GR_SetScreenSize(width, height);
}

// --- interaction, dialogs and high scores --------------------------------------------------------

class InteractionSweepTest : public interaction_test::InteractionTest {
 protected:
  void SetUp() override {
    InteractionTest::SetUp();
    // No desktop: the file dialogs answer at once, as cancelled.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
      const char* value = std::getenv(name);
      m_saved.emplace_back(name, value != nullptr ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    Score_ReadBytes(nullptr, 0);
    // Runtime errors are logged, not shown: the error box waits for the window to settle first.
    m_showedErrors = g_RunnerOptions.showErrors;
    g_RunnerOptions.showErrors = false;
  }
  void TearDown() override {
    for (const auto& [name, value] : m_saved) {
      if (value) setenv(name.c_str(), value->c_str(), 1);
    }
    g_RunnerOptions.showErrors = m_showedErrors;
    Error_ClearSuppression();
    InteractionTest::TearDown();
  }
  bool m_showedErrors = true;
  std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(InteractionSweepTest, EveryFunctionSurvivesEveryHostileArgumentVector) {
  const std::set<std::string> excluded = {
      "keyboard_wait",  // waits for a key press that a test never makes
      "mouse_wait",     // waits for a mouse click that a test never makes
      "show_error",     // with a true second argument it ends the game
  };
  const int32_t total = g_BuiltinCount;
  CInstance self(0, 0, 100001, -1, false);
  size_t dialogsShown = 0;
  const int32_t swept = Sweep(excluded, &self, [this, &dialogsShown] {
    dialogsShown += script.shown.size();
    // A dialog left open by an asynchronous call is answered, so that the next one may open.
    script.answers.emplace_back(kTextDialogCancel, "");
    Phase();
    script.answers.clear();
    script.shown.clear();
    RuntimeErrorCapture::Reset();
  });
  EXPECT_EQ(swept, total - static_cast<int32_t>(excluded.size()));
  EXPECT_EQ(swept, 100);
  EXPECT_GT(dialogsShown, 100u) << "the dialogs were reached, answered by the script";
}

// The high-score table drawn over the whole integer range: the row step and the right-aligned
// values are worked out without overflow (they wrapped around before).
std::vector<std::pair<float, float>> g_drawnAt;
void RecordDraw(float x, float y, const char*) { g_drawnAt.emplace_back(x, y); }
int32_t EightPerCharacter(const char* text) { return static_cast<int32_t>(std::strlen(text)) * 8; }

TEST_F(InteractionSweepTest, DrawHighscoreOverTheWholeIntegerRange) {
  const ScoreTextOutput previous = Score_SetTextOutput({RecordDraw, EightPerCharacter});
  g_drawnAt.clear();
  math_test::Call("draw_highscore", {Int32(INT32_MIN), Int32(INT32_MIN), Int32(INT32_MAX), Int32(INT32_MAX)});
  Score_SetTextOutput(previous);
  ASSERT_EQ(g_drawnAt.size(), 20u);
  const int64_t step = (int64_t{INT32_MAX} - INT32_MIN) / 10;
  EXPECT_EQ(g_drawnAt[0], std::make_pair(static_cast<float>(INT32_MIN), static_cast<float>(INT32_MIN)));
  EXPECT_EQ(g_drawnAt[19], std::make_pair(static_cast<float>(INT32_MAX - 8), static_cast<float>(INT32_MIN + 9 * step)));
}

}  // namespace
