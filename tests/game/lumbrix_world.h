// Lumbrix run as the world driver runs a game: its container built from the content with room 2
// (rm_wire_test, which the game never enters) holding the instances a test lists, loaded with the
// game's own link record, a room entered without a display, and steps run. Tests drive keys and
// the mouse through the input layer, reseed the random generator, read and write variables by
// name, call translated scripts directly, and read a log of the built-in calls that draw or play
// sounds, with their arguments, as the game's code makes them.
#pragma once

#include <gtest/gtest.h>

#include <charconv>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "assets/background.h"
#include "assets/font.h"
#include "assets/lifecycle.h"
#include "assets/sprite_table.h"
#include "audio/sound_hardware.h"
#include "content/build.h"
#include "content/content.h"
#include "functions/random.h"
#include "lumbrix/kit.h"
#include "lumbrix/names.h"
#include "vm/registry_lifecycle.h"
#include "world/builtin_variables.h"
#include "world/lifecycle.h"
#include "world/world_driver.h"

// One instance record of the test room, as a room file line gives it: object, x, y, xscale,
// yscale, creation code by code index (-1 none); the room places them in the order listed.
using LumbrixRecord = lumbrix_content::Placed;

class LumbrixWorldTest : public WorldDriverTest {
 protected:
  static constexpr int32_t kTestRoom = 2;  // rm_wire_test

  using Record = LumbrixRecord;

  void SetUp() override {
    WorldDriverTest::SetUp();
    // The game's code binds the runner's own built-in variables, not the kit's stand-ins.
    Variable_Shutdown();
    Variable_ClearNames();
    Variable_BuiltIn_Init();
    CallLog().clear();
    tll::g_callWatcher = &Watch;
  }
  void TearDown() override {
    tll::g_callWatcher = nullptr;
    EndGame();
    Game_UseLinkRecord(nullptr);
    WorldDriverTest::TearDown();
  }

  // Ends the game started last and frees what its content made, as the runner's teardown does,
  // so that another can start.
  void EndGame() {
    EndStartedGame();
    Sprite_Shutdown();
    Background_Shutdown();
    Font_Shutdown();
    GR_Texture_Shutdown();
    Sound_QuitHardware();
    FreeGlobalObject();
  }
  // The loader sizes the global object and the instances' variables only when it makes the
  // global object, as it does for a game loaded first.
  static void FreeGlobalObject() {
    if (g_pGlobalObject == nullptr) return;
    WXObject_Free(g_pGlobalObject);
    g_pGlobalObject = nullptr;
  }

  // Builds the game's container with the test room holding `records`, loads it and starts the
  // game in `room` (by default the test room), as the runner starts it in its first room.
  // A game whose first room moves on at once (a room_goto in a Create event) starts in
  // `startsIn`.
  void StartIn(int32_t room, const std::vector<Record>& records = {}, int32_t startsIn = -1) {
    std::vector<std::vector<lumbrix_content::Placed>> rooms;
    std::string error;
    ASSERT_TRUE(lumbrix_content::ReadRooms(LUMBRIX_ROOM_DIR, &rooms, &error)) << error;
    rooms[kTestRoom].clear();
    rooms[kTestRoom] = records;
    std::vector<int32_t> order{room};
    for (int32_t i = 0; i < static_cast<int32_t>(rooms.size()); ++i) {
      if (i != room) order.push_back(i);
    }
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(lumbrix_content::BuildContainer(rooms, order, &bytes, &error)) << error;
    m_bytes = std::move(bytes);
    m_started = true;
    FreeGlobalObject();
    ASSERT_TRUE(Game_ScanHeaderChunks({m_bytes.data(), m_bytes.size()})) << Game_LoadFailure();
    lumbrix::FillLinkRecord(&m_record);
    Game_UseLinkRecord(&m_record);
    ASSERT_TRUE(Game_LoadChunks(m_bytes.data(), m_bytes.size())) << Game_LoadFailure();
    Start();
    ASSERT_EQ(Room_CurrentIndex, startsIn < 0 ? room : startsIn);
  }
  void StartWith(const std::vector<Record>& records) { StartIn(kTestRoom, records); }

  // Goes to another room as the frame does after a step that asked for it.
  void Enter(int32_t room) {
    g_RoomChangeCode = room;
    ASSERT_TRUE(Runner_ActOnRoomChange());
    ASSERT_EQ(Room_CurrentIndex, room);
  }

  // --- input ---------------------------------------------------------------------------------

  static void KeyDown(int32_t key) { IO_MsgKeyDown(key, false); }
  static void KeyUp(int32_t key) { IO_MsgKeyUp(key); }
  static void MouseMove(int32_t x, int32_t y) {
    g_IOMessageBuffer.mouseX = x;
    g_IOMessageBuffer.mouseY = y;
  }
  static void MouseDown(int32_t button, int32_t x, int32_t y) { IO_MsgMouseDown(button, x, y); }
  static void MouseUp(int32_t button, int32_t x, int32_t y) { IO_MsgMouseUp(button, x, y); }
  static void Reseed(int32_t seed) { Random_Seed(seed); }

  // --- instances and variables by name -------------------------------------------------------

  // The instances of an object in its instance list's order.
  static std::vector<CInstance*> InstancesOf(int32_t object) {
    std::vector<CInstance*> found;
    const CObject* o = Object_Data(object);
    if (o == nullptr) return found;
    for (ObjectInstanceNode* node = o->instances.first; node != nullptr; node = node->next) {
      if (!node->instance->marked) found.push_back(node->instance);
    }
    return found;
  }

  // A variable of the game's code by its name: a built-in variable or an instance variable of
  // the target (an instance id), or a global variable (any target).
  static double Num(int32_t target, const char* name) {
    tll::Local v;
    Read(target, name, &v);
    return tll::Num(*v);
  }
  static double Num(const CInstance* instance, const char* name) { return Num(instance->id, name); }
  // Element `element` of a built-in array variable of the target: view_wview[0] is ("view_wview", 0).
  static double NumAt(int32_t target, const char* name, int32_t element) {
    const Name* n = Find(name);
    if (n == nullptr || n->kind != 'b') return -12345.0;
    tll::Local v;
    tll::GetFrom(target, *n->link, &v, element);
    return tll::Num(*v);
  }
  static double GlobalNum(const char* name) { return Num(0, name); }
  static void Read(int32_t target, const char* name, RValue* out) {
    const Name* n = Find(name);
    if (n == nullptr) return;
    if (n->kind == 'b') {
      tll::GetFrom(target, *n->link, out);
    } else if (n->kind == 'i') {
      tll::GetOn(target, n->index, out);
    } else {
      RValue_Assign(out, &tll::Global(n->index));
    }
  }
  static void Write(int32_t target, const char* name, const RValue& value) {
    const Name* n = Find(name);
    if (n == nullptr) return;
    if (n->kind == 'b') {
      tll::SetOnTarget(target, *n->link, value);
    } else if (n->kind == 'i') {
      tll::SetOn(target, n->index, value);
    } else {
      RValue_Assign(&tll::Global(n->index), &value);
    }
  }
  static void Write(int32_t target, const char* name, double d) { Write(target, name, tll::Real(d)); }
  static void Write(const CInstance* instance, const char* name, double d) { Write(instance->id, name, d); }
  static void WriteGlobal(const char* name, double d) { Write(0, name, d); }

  // --- translated scripts --------------------------------------------------------------------

  // Calls the script directly, as translated code does; the result starts undefined, so a
  // script that returns nothing hands back undefined.
  static RValue CallScript(tll::ScriptFunction script, std::vector<RValue> args, CInstance* self = nullptr) {
    std::vector<RValue*> pointers;
    for (RValue& a : args) pointers.push_back(&a);
    RValue result = RValue_MakeUndefined();
    script(self, self, &result, static_cast<int32_t>(args.size()), pointers.data());
    return result;
  }
  static double Ask(tll::ScriptFunction script, std::initializer_list<double> args, CInstance* self = nullptr) {
    std::vector<RValue> values;
    for (double a : args) values.push_back(tll::Real(a));
    RValue result = CallScript(script, std::move(values), self);
    const double d = RValue_Kind(&result) == VALUE_UNDEFINED ? -12345.0 : tll::Num(result);
    RValue_Release(&result);
    return d;
  }

  // --- the call log --------------------------------------------------------------------------

  // The drawing and audio calls since the last Clear, one line each: the function's name and its
  // arguments, "draw_circle 100 200 55 0"; numbers in their shortest exact form, texts quoted.
  static std::vector<std::string>& CallLog() {
    static std::vector<std::string> log;
    return log;
  }
  // The lines of calls to one function.
  static std::vector<std::string> Calls(const char* name) {
    std::vector<std::string> lines;
    const std::string prefix = std::string(name) + " ";
    for (const std::string& line : CallLog()) {
      if (line == name || line.rfind(prefix, 0) == 0) lines.push_back(line);
    }
    return lines;
  }

  GameLinkRecord m_record;

 private:
  struct Name {
    const char* name;
    char kind;  // 'b' built-in, 'i' instance, 'g' global
    int32_t index;
    LinkName* link;
  };
  static const Name* Find(const char* name) {
#define LUMBRIX_TEST_B(n) {#n, 'b', -1, &lumbrix::var::n},
#define LUMBRIX_TEST_I(n) {#n, 'i', lumbrix::inst::n, nullptr},
#define LUMBRIX_TEST_G(n) {#n, 'g', lumbrix::glob::n, nullptr},
    static const Name kNames[] = {LUMBRIX_VARIABLES(LUMBRIX_TEST_B, LUMBRIX_TEST_I, LUMBRIX_TEST_G)};
#undef LUMBRIX_TEST_B
#undef LUMBRIX_TEST_I
#undef LUMBRIX_TEST_G
    for (const Name& n : kNames) {
      if (std::strcmp(n.name, name) == 0) return &n;
    }
    ADD_FAILURE() << "the game's code has no variable " << name;
    return nullptr;
  }

  static void Watch(const char* name, int32_t argc, const RValue* const* argv) {
    if (std::strncmp(name, "draw_", 5) != 0 && std::strncmp(name, "audio_", 6) != 0) return;
    std::string line = name;
    for (int32_t i = 0; i < argc; ++i) {
      line += ' ';
      if (RValue_Kind(argv[i]) == VALUE_STRING) {
        const SharedString* text = argv[i]->pString;
        line += '"' + std::string(text != nullptr && text->text != nullptr ? text->text : "") + '"';
      } else {
        char text[32];
        const std::to_chars_result r = std::to_chars(text, text + sizeof text, tll::Num(*argv[i]));
        line.append(text, r.ptr);
      }
    }
    CallLog().push_back(std::move(line));
  }
};
