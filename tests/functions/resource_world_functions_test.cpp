// The resource group through the built-in table: its registration, and the functions over object,
// room, path, timeline, font, script and sound definitions and the asset lookup, on definitions
// made in the test.
#include <gtest/gtest.h>

#include <cmath>
#include <span>
#include <string>
#include <vector>

#include "assets/asset_names_stand_in.h"
#include "assets/font.h"
#include "audio/audio_engine.h"
#include "audio/sound_names_stand_in.h"
#include "container/sound.h"
#include "container/writer.h"
#include "runtime/container.h"
#include "core/function_registry.h"
#include "core/value_test_util.h"
#include "functions/load_stand_in.h"
#include "functions/math_call.h"
#include "runtime/game_header.h"
#include "runtime/link_record.h"
#include "host/rooms.h"
#include "script/script_test_support.h"
#include "vm/constants.h"
#include "vm/script_table.h"
#include "world/asset_names_stand_in.h"
#include "world/instance.h"
#include "world/instance_ids.h"
#include "world/room.h"
#include "world/room_table.h"

namespace {

using math_test::Call;
using math_test::CallReal;
using math_test::CallText;
using math_test::Real;
using math_test::Text;

// Every name after a GEN8 header, in registration order.
const std::vector<std::string>& Gen8Names() {
  static const std::vector<std::string> names = {
      "sprite_name", "sprite_exists", "sprite_get_name", "sprite_get_number", "sprite_get_width",
      "sprite_get_height", "sprite_get_transparent", "sprite_get_smooth", "sprite_get_preload",
      "sprite_get_xoffset", "sprite_get_yoffset", "sprite_get_bbox_mode", "sprite_get_bbox_left",
      "sprite_get_bbox_right", "sprite_get_bbox_top", "sprite_get_bbox_bottom", "sprite_get_precise",
      "sprite_collision_mask", "sprite_set_cache_size", "sprite_set_cache_size_ext", "font_set_cache_size",
      "sprite_get_tpe", "sprite_set_offset", "sprite_set_bbox_mode", "sprite_set_bbox", "sprite_set_precise",
      "sprite_set_alpha_from_sprite", "sprite_add", "sprite_create_from_screen", "sprite_add_from_screen",
      "sprite_create_from_surface", "sprite_add_from_surface", "sprite_replace", "sprite_add_sprite",
      "sprite_replace_sprite", "sprite_save_strip", "sprite_delete", "sprite_duplicate", "sprite_assign",
      "sprite_merge", "sprite_save", "sprite_prefetch", "sprite_prefetch_multi",
      "background_name", "background_exists", "background_get_name", "background_get_width",
      "background_get_height", "background_get_transparent", "background_get_smooth", "background_get_preload",
      "background_set_alpha_from_background", "background_create_color", "background_create_colour",
      "background_replace", "background_create_from_screen", "background_create_from_surface",
      "background_create_gradient", "background_add", "background_add_background",
      "background_replace_background", "background_delete", "background_duplicate", "background_assign",
      "background_save", "background_prefetch", "background_prefetch_multi",
      "sound_name", "sound_exists", "sound_get_name", "sound_get_kind", "sound_get_preload", "sound_discard",
      "sound_restore", "sound_add", "sound_replace", "sound_delete",
      "font_name", "font_exists", "font_get_name", "font_get_fontname", "font_get_size", "font_get_bold",
      "font_get_italic", "font_get_first", "font_get_last", "font_add", "font_replace", "font_add_sprite",
      "font_add_sprite_ext", "font_replace_sprite", "font_replace_sprite_ext", "font_delete",
      "script_name", "script_exists", "script_get_name", "script_get_text", "script_execute",
      "path_name", "path_exists", "path_get_name", "path_get_length", "path_get_time", "path_get_kind",
      "path_get_closed", "path_get_precision", "path_get_number", "path_get_point_x", "path_get_point_y",
      "path_get_point_speed", "path_get_x", "path_get_y", "path_get_speed", "path_set_kind", "path_set_closed",
      "path_set_precision", "path_add", "path_duplicate", "path_assign", "path_append", "path_delete",
      "path_add_point", "path_insert_point", "path_change_point", "path_delete_point", "path_clear_points",
      "path_reverse", "path_mirror", "path_flip", "path_rotate", "path_rescale", "path_shift",
      "timeline_name", "timeline_exists", "timeline_get_name", "timeline_add", "timeline_delete",
      "timeline_moment_clear", "timeline_clear", "timeline_moment_add", "timeline_moment_add_script",
      "timeline_size", "timeline_max_moment",
      "object_name", "object_exists", "object_get_name", "object_get_sprite", "object_get_solid",
      "object_get_visible", "object_get_depth", "object_get_persistent", "object_get_mask", "object_get_parent",
      "object_get_physics", "object_is_ancestor", "object_set_sprite", "object_set_solid", "object_set_visible",
      "object_set_depth", "object_set_persistent", "object_set_mask", "object_set_parent", "object_add",
      "object_delete", "object_event_clear", "object_event_add",
      "room_name", "room_exists", "room_get_name", "room_set_width", "room_set_height", "room_set_caption",
      "room_set_persistent", "room_set_code", "room_set_background_color", "room_set_background_colour",
      "room_set_background", "room_set_view", "room_set_view_enabled", "room_add", "room_duplicate",
      "room_assign", "room_instance_add", "room_instance_clear", "room_tile_add", "room_tile_add_ext",
      "room_tile_clear",
      "asset_get_index", "asset_get_type"};
  return names;
}

struct Registered {
  std::string name;
  BuiltinHandler handler;
  int32_t count;
};

std::vector<Registered> RegisterFor(int32_t version) {
  Builtin_Shutdown();
  GameFormatVersion = version;
  InitResourceFunctions();
  std::vector<Registered> out;
  for (int32_t i = 0; i < g_BuiltinCount; ++i) {
    out.push_back({g_BuiltinFunctions[i].name, g_BuiltinFunctions[i].handler, g_BuiltinFunctions[i].argumentCount});
  }
  return out;
}

const Registered* Find(const std::vector<Registered>& table, const std::string& name) {
  for (const Registered& r : table) {
    if (r.name == name) return &r;
  }
  return nullptr;
}

class ResourceRegistrationTest : public ::testing::Test {
 protected:
  void TearDown() override {
    Builtin_Shutdown();
    GameFormatVersion = 0;
  }
};

TEST_F(ResourceRegistrationTest, AGen8GameGetsEveryNameOnceInOrder) {
  const std::vector<Registered> table = RegisterFor(800);
  ASSERT_EQ(table.size(), 189u);
  std::vector<std::string> names;
  for (const Registered& r : table) names.push_back(r.name);
  EXPECT_EQ(names, Gen8Names());

  const struct {
    const char* name;
    int32_t count;
  } counts[] = {{"sprite_add", 6},           {"sprite_create_from_screen", 8}, {"sprite_add_from_screen", 7},
                {"sprite_create_from_surface", 9}, {"sprite_add_from_surface", 8}, {"sprite_replace", 7},
                {"sprite_collision_mask", 9}, {"background_create_color", 3},  {"background_replace", 4},
                {"background_create_from_screen", 6}, {"background_create_from_surface", 7},
                {"background_create_gradient", 5}, {"background_add", 3},      {"script_execute", -1},
                {"room_set_background", 12},  {"room_set_view", 16},           {"room_tile_add_ext", 12},
                {"path_add", 0},             {"path_insert_point", 5},       {"font_replace", 7}};
  for (const auto& c : counts) {
    const Registered* r = Find(table, c.name);
    ASSERT_NE(r, nullptr) << c.name;
    EXPECT_EQ(r->count, c.count) << c.name;
  }
}

TEST_F(ResourceRegistrationTest, AnOlderGameGetsTheOldCountsAndTheAlphaFunctions) {
  for (const int32_t version : {700, 0}) {
    const std::vector<Registered> table = RegisterFor(version);
    ASSERT_EQ(table.size(), 188u) << version;
    for (const char* gone : {"sprite_save_strip", "sprite_add_sprite", "sprite_replace_sprite",
                             "background_add_background", "background_replace_background"}) {
      EXPECT_EQ(Find(table, gone), nullptr) << gone;
    }
    const struct {
      const char* name;
      int32_t count;
    } counts[] = {{"sprite_add", 8},
                  {"sprite_create_from_screen", 10},
                  {"sprite_add_from_screen", 5},
                  {"sprite_create_from_surface", 11},
                  {"sprite_add_from_surface", 6},
                  {"sprite_replace", 9},
                  {"sprite_add_alpha", 6},
                  {"sprite_replace_alpha", 7},
                  {"background_create_colour", 4},
                  {"background_replace", 5},
                  {"background_create_from_screen", 7},
                  {"background_create_from_surface", 8},
                  {"background_create_gradient", 6},
                  {"background_add", 4},
                  {"background_add_alpha", 2},
                  {"background_replace_alpha", 3}};
    for (const auto& c : counts) {
      const Registered* r = Find(table, c.name);
      ASSERT_NE(r, nullptr) << c.name;
      EXPECT_EQ(r->count, c.count) << c.name;
    }
    // The alpha forms take the place of the newer forms in the order.
    EXPECT_EQ(table[33].name, "sprite_add_alpha");
    EXPECT_EQ(table[34].name, "sprite_replace_alpha");
    EXPECT_EQ(table[35].name, "sprite_delete");
  }
}

TEST_F(ResourceRegistrationTest, PairedNamesShareOneHandler) {
  const std::vector<Registered> table = RegisterFor(800);
  const std::pair<const char*, const char*> shared[] = {
      {"sprite_name", "sprite_get_name"},         {"background_name", "background_get_name"},
      {"background_create_color", "background_create_colour"}, {"sound_name", "sound_get_name"},
      {"font_name", "font_get_name"},             {"script_name", "script_get_name"},
      {"path_name", "path_get_name"},             {"timeline_name", "timeline_get_name"},
      {"object_name", "object_get_name"},         {"room_name", "room_get_name"},
      {"room_set_background_color", "room_set_background_colour"}};
  for (const auto& [first, second] : shared) {
    ASSERT_NE(Find(table, first), nullptr) << first;
    ASSERT_NE(Find(table, second), nullptr) << second;
    EXPECT_EQ(Find(table, first)->handler, Find(table, second)->handler) << first;
  }
  EXPECT_NE(Find(table, "sprite_exists")->handler, Find(table, "sprite_name")->handler);
}

// --- definitions ------------------------------------------------------------------------------

class ResourceWorldTest : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    Builtin_Shutdown();
    GameFormatVersion = 800;
    InitResourceFunctions();
    RuntimeErrorCapture::Reset();
  }
  void TearDown() override {
    Builtin_Shutdown();
    GameFormatVersion = 0;
    g_GameOptions.newAudioEngine = false;
    Audio_SetEngineOn(false);
    Audio_SetNames(nullptr, 0);
    Runner_DeleteRoomCopies();
    Runner_FreeCarriedInstances();
    Room_Current = nullptr;
    Room_FreeDefinitions();
    Room_SetInstanceIdCounter(0);
    Room_SetTileIdCounter(0);
    Background_StandInSetNames(nullptr, 0);
    Path_StandInSetNames(nullptr, 0);
    TimeLine_StandInSetNames(nullptr, 0);
    Sound_StandInSetNames(nullptr, 0);
    Font_SetNamesForTest(nullptr, 0);
    Script_DeleteAll();
    WorldTest::TearDown();
  }

  static std::string TakeError() { return RuntimeErrorCapture::Take(); }

  RuntimeErrorCapture errors;
  DebugConsoleCapture console;
};

TEST_F(ResourceWorldTest, ObjectParentsRefuseCyclesAndMissingParents) {
  NewObject("a");
  NewObject("b");
  EXPECT_EQ(Call("object_set_parent", {Real(0), Real(0)}).Kind(), VALUE_UNDEFINED) << "not set";
  EXPECT_EQ(CallReal("object_get_parent", {Real(0)}), -1) << "an object is not its own parent";
  EXPECT_EQ(TakeError(), "");

  Call("object_set_parent", {Real(1), Real(0)});
  EXPECT_EQ(CallReal("object_get_parent", {Real(1)}), 0);
  EXPECT_EQ(Object_Data(1)->parent, Object_Data(0));
  EXPECT_EQ(CallReal("object_is_ancestor", {Real(1), Real(0)}), 1);
  EXPECT_EQ(CallReal("object_is_ancestor", {Real(0), Real(1)}), 0);
  EXPECT_EQ(CallReal("object_is_ancestor", {Real(1), Real(1)}), 0) << "an object is not its own ancestor";
  EXPECT_EQ(CallReal("object_is_ancestor", {Real(7), Real(0)}), 0);

  Call("object_set_parent", {Real(0), Real(1)});
  EXPECT_EQ(TakeError(), "Creating a cycle in the parent relation.");
  EXPECT_EQ(CallReal("object_get_parent", {Real(0)}), -1);

  Call("object_set_parent", {Real(0), Real(9)});
  EXPECT_EQ(TakeError(), "Setting a non-existing parent.");
  EXPECT_EQ(CallReal("object_get_parent", {Real(0)}), -1);

  Call("object_set_parent", {Real(1), Real(-5)});
  EXPECT_EQ(CallReal("object_get_parent", {Real(1)}), -1);
  EXPECT_EQ(Object_Data(1)->parent, nullptr);
  EXPECT_EQ(TakeError(), "");
}

TEST_F(ResourceWorldTest, ObjectFieldsAndMissingObjects) {
  NewObject("a", 0, 0);
  Call("object_set_solid", {Real(0), Real(1)});
  Call("object_set_persistent", {Real(0), Real(1)});
  Call("object_set_depth", {Real(0), Real(-40)});
  Call("object_set_sprite", {Real(0), Real(3)});
  EXPECT_EQ(Object_Data(0)->flags, 5u);
  EXPECT_EQ(CallReal("object_get_solid", {Real(0)}), 1);
  EXPECT_EQ(CallReal("object_get_visible", {Real(0)}), 0);
  EXPECT_EQ(CallReal("object_get_persistent", {Real(0)}), 1);
  EXPECT_EQ(CallReal("object_get_depth", {Real(0)}), -40);
  EXPECT_EQ(CallReal("object_get_sprite", {Real(0)}), 3);
  Call("object_set_solid", {Real(0), Real(0)});
  EXPECT_EQ(Object_Data(0)->flags, 4u);

  EXPECT_EQ(CallReal("object_get_sprite", {Real(5)}), -1);
  EXPECT_EQ(CallReal("object_get_solid", {Real(5)}), 0);
  EXPECT_EQ(CallText("object_get_name", {Real(5)}), "<undefined>");
  EXPECT_EQ(CallReal("object_delete", {Real(5)}), 0);
  EXPECT_EQ(TakeError(), "Trying to delete non-existing object.");
  EXPECT_EQ(CallReal("object_add"), 1);
  EXPECT_EQ(CallReal("object_delete", {Real(1)}), 1);
  EXPECT_EQ(CallReal("object_exists", {Real(1)}), 0);
  Call("object_event_add", {Real(0), Real(0), Real(0), Real(0)});
  EXPECT_EQ(console.Occurrences("object_event_add :: deprecated function"), 1);
}

TEST_F(ResourceWorldTest, AssetLookupPrefersObjectsThenTablesThenConstants) {
  NewObject("shared");
  CSprite fields;
  const int32_t sprite = Sprite_Add(fields);
  Sprite_Data(sprite)->name = "shared";
  const char* const sounds[] = {"boom"};
  Sound_StandInSetNames(sounds, 1);
  const char* const backgrounds[] = {nullptr, "sky"};
  Background_StandInSetNames(backgrounds, 2);
  const char* const paths[] = {"route"};
  Path_StandInSetNames(paths, 1);
  const char* const timelines[] = {"t0", "t1", "clock"};
  TimeLine_StandInSetNames(timelines, 3);
  const char* const fonts[] = {"serif"};
  Font_SetNamesForTest(fonts, 1);
  const char* const scripts[] = {"go"};
  Script_SetNames(scripts, 1);
  Room_Add();
  Constant_AddReal("shared", 77);
  Constant_AddReal("only_constant", 42);

  const struct {
    const char* name;
    double type;
    double index;
  } cases[] = {{"shared", 0, 0},     {"boom", 2, 0},  {"sky", 4, 1},         {"route", 5, 0},
               {"serif", 7, 0},      {"clock", 8, 2}, {"go", 6, 0},          {"__newroom0", 3, 0},
               {"only_constant", -1, 42}, {"nothing", -1, -1}};
  for (const auto& c : cases) {
    EXPECT_EQ(CallReal("asset_get_type", {Text(c.name)}), c.type) << c.name;
    EXPECT_EQ(CallReal("asset_get_index", {Text(c.name)}), c.index) << c.name;
  }
  Sprite_Data(sprite)->name = nullptr;
  Constant_Free();
}

TEST_F(ResourceWorldTest, RoomSettersChangeTheDefinition) {
  const int32_t room = CallReal("room_add");
  Call("room_set_caption", {Real(room), Text("Hall")});
  Call("room_set_width", {Real(room), Real(800)});
  Call("room_set_background_colour", {Real(room), Real(0x123456), Real(0)});
  std::vector<RValue> background = {Real(room), Real(2), Real(1), Real(1), Real(4), Real(1.5), Real(2.5),
                                    Real(0),    Real(1), Real(3), Real(-3), Real(0.25)};
  Call("room_set_background", background);
  const CRoom* r = Room_Data(room);
  EXPECT_EQ(r->caption, "Hall");
  EXPECT_EQ(r->width, 800);
  EXPECT_EQ(r->colour, 0x123456u);
  EXPECT_FALSE(r->show_colour);
  const RoomBackground& b = r->backgrounds[2];
  EXPECT_TRUE(b.visible && b.foreground && !b.htiled && b.vtiled);
  EXPECT_EQ(b.index, 4);
  EXPECT_EQ(b.x, 1.5f);
  EXPECT_EQ(b.vspeed, -3.0f);
  EXPECT_EQ(b.alpha, 0.25f);

  std::vector<RValue> view;
  for (double v : {0.0, 3.0, 1.0, 10.0, 20.0, 300.0, 200.0, 5.0, 6.0, 600.0, 400.0, 16.0, 17.0, 2.0, 3.0, 0.0}) {
    view.push_back(Real(v));
  }
  view[0] = Real(room);
  std::vector<RValue> view8;
  for (const RValue& v : view) view8.push_back(v);
  view8[1] = Real(8);
  Call("room_set_view", view8);
  for (int32_t i = 0; i < 8; ++i) EXPECT_FALSE(r->views[i].visible) << "view 8 changes nothing";
  Call("room_set_view", view);
  const CRoomView& v = r->views[3];
  EXPECT_TRUE(v.visible);
  EXPECT_EQ(v.view_w, 300.0f);
  EXPECT_EQ(v.port_h, 400);
  EXPECT_EQ(v.vborder, 17);
  EXPECT_EQ(v.object, 0);

  EXPECT_EQ(CallReal("room_duplicate", {Real(9)}), -1);
  Call("room_assign", {Real(room), Real(9)});
  EXPECT_EQ(TakeError(), "Error assigning a room.");
}

TEST_F(ResourceWorldTest, TileRecordsTakeTheirAlphaIntoTheColourWord) {
  const char* const backgrounds[] = {"tiles"};
  Background_StandInSetNames(backgrounds, 1);
  const int32_t room = Room_Add();
  Room_SetTileIdCounter(10000000);
  const auto addExt = [&](double alpha) {
    return CallReal("room_tile_add_ext", {Real(room), Real(0), Real(1), Real(2), Real(16), Real(16), Real(5),
                                          Real(6), Real(100), Real(2), Real(3), Real(alpha)});
  };
  const struct {
    double alpha;
    uint32_t colour;
  } cases[] = {{0.5, 0x7FFFFFFFu}, {2.0, 0xFFFFFFFFu}, {-1.0, 0x00FFFFFFu}, {std::nan(""), 0x00FFFFFFu}};
  for (const auto& c : cases) {
    const double id = addExt(c.alpha);
    const RoomTileRecord& t = Room_Data(room)->tile_records.back();
    EXPECT_EQ(t.colour, c.colour) << c.alpha;
    EXPECT_EQ(id, t.id);
    EXPECT_EQ(t.xscale, 2.0f);
    EXPECT_EQ(t.depth, 100);
  }
  EXPECT_EQ(Room_Data(room)->tile_records.front().id, 10000001);
  const double plain = CallReal("room_tile_add", {Real(room), Real(0), Real(1), Real(2), Real(16), Real(16), Real(5),
                                                  Real(6), Real(100)});
  EXPECT_EQ(plain, 10000005);
  const RoomTileRecord& t = Room_Data(room)->tile_records.back();
  EXPECT_EQ(t.colour, 0xFFFFFFFFu);
  EXPECT_EQ(t.x, 5);
  EXPECT_EQ(t.left, 1);
  EXPECT_EQ(t.xscale, 1.0f);

  EXPECT_EQ(CallReal("room_tile_add", {Real(9), Real(3), Real(0), Real(0), Real(1), Real(1), Real(0), Real(0),
                                       Real(0)}),
            -1);
  EXPECT_EQ(TakeError(), "Background does not exist.") << "the background is checked before the room";
  EXPECT_EQ(CallReal("room_tile_add", {Real(9), Real(0), Real(0), Real(0), Real(1), Real(1), Real(0), Real(0),
                                       Real(0)}),
            -1);
  EXPECT_EQ(TakeError(), "");
  Call("room_tile_clear", {Real(room)});
  EXPECT_TRUE(Room_Data(room)->tile_records.empty());
}

TEST_F(ResourceWorldTest, ClearedInstanceRecordsPlaceNoInstances) {
  NewObject("thing");
  Room_SetInstanceIdCounter(100000);
  const int32_t room = Room_Add();
  EXPECT_EQ(CallReal("room_instance_add", {Real(room), Real(10.5), Real(20), Real(0)}), 100001);
  EXPECT_EQ(CallReal("room_instance_add", {Real(7), Real(0), Real(0), Real(0)}), -1);
  {
    CRoom entered;
    entered.Assign(Room_Data(room), true);
    EXPECT_EQ(entered.active.count, 1);
    entered.DeleteAllInstances();
  }
  Call("room_instance_clear", {Real(room)});
  CRoom entered;
  entered.Assign(Room_Data(room), true);
  EXPECT_EQ(entered.active.count, 0) << "the room starts without the cleared instances";
}

TEST_F(ResourceWorldTest, PathsAnswerMissingPathsAndAppend) {
  const int32_t path = CallReal("path_add");
  Call("path_add_point", {Real(path), Real(0), Real(0), Real(100)});
  Call("path_add_point", {Real(path), Real(30), Real(40), Real(50)});
  Call("path_set_closed", {Real(path), Real(0)});
  EXPECT_EQ(CallReal("path_get_number", {Real(path)}), 2);
  EXPECT_EQ(CallReal("path_get_length", {Real(path)}), 50);
  EXPECT_EQ(CallReal("path_get_point_x", {Real(path), Real(1)}), 30);
  EXPECT_EQ(CallReal("path_get_point_x", {Real(path), Real(5)}), 0) << "a point beyond the last";
  EXPECT_EQ(CallReal("path_get_point_x", {Real(9), Real(0)}), -1);
  EXPECT_EQ(CallReal("path_get_closed", {Real(9)}), 0);
  EXPECT_EQ(CallReal("path_get_x", {Real(path), Real(0.5)}), 15);

  EXPECT_EQ(CallReal("path_duplicate", {Real(9)}), 0);
  EXPECT_EQ(TakeError(), "Trying to duplicate non-existing path.");
  Call("path_append", {Real(path), Real(9)});
  EXPECT_EQ(TakeError(), "Appending a non-existing path.");
  EXPECT_EQ(CallReal("path_get_number", {Real(path)}), 2);
  Call("path_append", {Real(9), Real(path)});
  EXPECT_EQ(TakeError(), "Appending to non-existing path.");
  const int32_t copy = CallReal("path_duplicate", {Real(path)});
  Call("path_append", {Real(path), Real(copy)});
  EXPECT_EQ(CallReal("path_get_number", {Real(path)}), 4);
  EXPECT_EQ(CallReal("path_delete", {Real(9)}), 0);
  EXPECT_EQ(TakeError(), "Trying to delete non-existing path.");
}

TEST_F(ResourceWorldTest, TimelineMomentsAndMissingTimelines) {
  const int32_t timeline = CallReal("timeline_add");
  EXPECT_EQ(CallReal("timeline_max_moment", {Real(timeline)}), 0);
  EXPECT_EQ(CallReal("timeline_max_moment", {Real(5)}), -1);
  EXPECT_EQ(CallReal("timeline_size", {Real(5)}), -1);
  Call("timeline_moment_add_script", {Real(timeline), Real(30), Real(1)});
  Call("timeline_moment_add_script", {Real(timeline), Real(10), Real(2)});
  Call("timeline_moment_add_script", {Real(timeline), Real(30), Real(3)});
  const CTimeLine* t = TimeLine_Data(timeline);
  ASSERT_EQ(CallReal("timeline_size", {Real(timeline)}), 2);
  EXPECT_EQ(CallReal("timeline_max_moment", {Real(timeline)}), 30);
  EXPECT_EQ(CTimeLine::ScriptOfEntry(t->GetEvent(t->FindMoment(30))), 3) << "the second script runs";
  Call("timeline_moment_clear", {Real(timeline), Real(30)});
  EXPECT_EQ(CallReal("timeline_size", {Real(timeline)}), 1);
  Call("timeline_moment_add", {Real(timeline), Real(1), Real(0)});
  EXPECT_EQ(console.Occurrences("timeline_moment_add :: deprecated function"), 1);
  EXPECT_EQ(CallReal("timeline_delete", {Real(7)}), 0);
  EXPECT_EQ(TakeError(), "Trying to delete non-existing timeline.");
}

TEST_F(ResourceWorldTest, SoundsAskTheAudioEngineOnlyForExistenceAndNames) {
  const char* const sounds[] = {"boom"};
  Sound_StandInSetNames(sounds, 1);
  EXPECT_EQ(CallReal("sound_exists", {Real(0)}), 1);
  EXPECT_EQ(CallText("sound_get_name", {Real(0)}), "boom");
  EXPECT_EQ(CallReal("sound_add", {Text("x.wav"), Real(0), Real(1)}), -1);
  EXPECT_EQ(CallReal("sound_delete", {Real(4)}), 0);
  EXPECT_EQ(TakeError(), "Trying to delete non-existing sound.");

  // The audio engine's one asset, "tone", from a SOND chunk.
  container::ContainerWriter writer;
  container::SoundEntry tone;
  tone.name = "tone";
  container::write_sond(writer, std::span(&tone, 1));
  const container::BuildResult built = writer.build();
  ASSERT_TRUE(built.ok()) << built.error;
  std::vector<uint8_t> bytes = built.bytes;
  const ContainerBytes container{bytes.data(), bytes.size()};
  ContainerChunks chunks(container);
  ContainerChunk chunk;
  ASSERT_TRUE(chunks.Next(&chunk));
  ASSERT_TRUE(Audio_Load(chunk.body, chunk.size, container));
  const char* const legacy[] = {"boom", "bang"};
  Sound_StandInSetNames(legacy, 2);

  g_GameOptions.newAudioEngine = true;
  Audio_SetEngineOn(true);
  EXPECT_EQ(CallReal("sound_exists", {Real(0)}), 1);
  EXPECT_EQ(CallText("sound_get_name", {Real(0)}), "tone");
  EXPECT_EQ(CallReal("sound_exists", {Real(1)}), 0) << "legacy sound 1 is not an audio asset";
  EXPECT_EQ(CallReal("sound_get_kind", {Real(1)}), 0) << "the kind still comes from the legacy table";
  EXPECT_EQ(CallReal("sound_get_kind", {Real(3)}), -1);
  EXPECT_EQ(Call("sound_add", {Text("x.wav"), Real(0), Real(1)}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(Call("sound_delete", {Real(1)}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(Call("sound_replace", {Real(1), Text("x.wav"), Real(0), Real(1)}).Kind(), VALUE_UNDEFINED);
  g_GameOptions.newAudioEngine = false;
  EXPECT_EQ(CallReal("sound_exists", {Real(1)}), 1) << "the engine did not delete the legacy sound";
  EXPECT_EQ(CallText("sound_get_name", {Real(0)}), "boom");
  EXPECT_EQ(CallReal("sound_replace", {Real(1), Text("x.wav"), Real(0), Real(1)}), 0);
}

TEST_F(ResourceWorldTest, FontQueriesOfMissingFonts) {
  const char* const fonts[] = {"serif"};
  Font_SetNamesForTest(fonts, 1);
  EXPECT_EQ(CallReal("font_exists", {Real(0)}), 1);
  EXPECT_EQ(CallText("font_get_name", {Real(0)}), "serif");
  EXPECT_EQ(CallText("font_get_fontname", {Real(3)}), "");
  EXPECT_EQ(CallReal("font_get_size", {Real(3)}), 0);
  EXPECT_EQ(CallReal("font_get_bold", {Real(3)}), 0);
  EXPECT_EQ(CallReal("font_get_first", {Real(3)}), -1);
  EXPECT_EQ(CallReal("font_get_last", {Real(3)}), -1);
  EXPECT_EQ(CallReal("font_add_sprite", {Real(4), Real(32), Real(1), Real(0)}), -1);
  EXPECT_EQ(TakeError(), "Trying to create font from non-existing sprite.");
  EXPECT_EQ(CallReal("font_replace", {Real(3), Text("a.ttf"), Real(12), Real(0), Real(0), Real(32), Real(127)}), 0);
  EXPECT_EQ(TakeError(), "Trying to replace non-existing font.");
  EXPECT_EQ(CallReal("font_replace_sprite", {Real(0), Real(4), Real(32), Real(1), Real(0)}), 0);
  EXPECT_EQ(TakeError(), "Trying to replace font from non-existing sprite.");
  EXPECT_EQ(CallReal("font_delete", {Real(3)}), 0);
  EXPECT_EQ(TakeError(), "Trying to delete non-existing font.");
}

// --- scripts ----------------------------------------------------------------------------------

int32_t g_passed = -1;
double g_firstArgument = 0;

RValue* CountingScript(CInstance*, CInstance*, RValue* result, int32_t argc, RValue** args) {
  g_passed = argc;
  g_firstArgument = argc > 0 ? args[0]->val : 0;
  RValue_Release(result);
  *result = RValue_MakeReal(100 + argc);
  return result;
}
const LinkFunction kCountingScript{"counting", reinterpret_cast<void*>(&CountingScript)};

TEST_F(ResourceWorldTest, ScriptExecutePassesAtMostFifteenArguments) {
  const char* const scripts[] = {"counting"};
  Script_SetNames(scripts, 1);
  Script_Data(0)->m_pNative = &kCountingScript;

  std::vector<RValue> twenty = {Real(0)};
  for (int32_t i = 1; i < 20; ++i) twenty.push_back(Real(i * 10));
  EXPECT_EQ(CallReal("script_execute", twenty), 115);
  EXPECT_EQ(g_passed, 15);
  EXPECT_EQ(g_firstArgument, 10);
  EXPECT_EQ(CallReal("script_execute", {Real(0)}), 100);
  EXPECT_EQ(g_passed, 0);
  EXPECT_EQ(CallReal("script_execute", {Real(0), Text("a"), Real(2)}), 102);
  EXPECT_EQ(TakeError(), "");

  g_passed = -1;
  EXPECT_EQ(Call("script_execute", {Real(3), Real(1)}).Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(TakeError(), "Trying to execute non-existing script.");
  EXPECT_EQ(Call("script_execute").Kind(), VALUE_UNDEFINED);
  EXPECT_EQ(TakeError(), "Trying to execute non-existing script.");
  EXPECT_EQ(g_passed, -1);

  EXPECT_EQ(CallText("script_get_name", {Real(0)}), "counting");
  EXPECT_EQ(CallText("script_get_text", {Real(0)}), "");
  EXPECT_EQ(CallText("script_get_text", {Real(4)}), "");
  EXPECT_EQ(CallReal("script_exists", {Real(4)}), 0);
}

// --- marking instances ------------------------------------------------------------------------

TEST_F(ResourceWorldTest, SpriteChangesMarkTheCurrentRoomsInstancesShowingTheSprite) {
  NewObject("thing");
  CSprite fields;
  fields.width = 8;
  fields.height = 8;
  const int32_t sprite = Sprite_Add(fields);
  const int32_t other = Sprite_Add(fields);
  auto* room = new CRoom();
  Room_Copies = {room};
  Room_Current = room;
  CInstance* a = room->CreateInstance(0, 0, 0);
  CInstance* b = room->CreateInstance(0, 0, 0);
  CInstance* c = room->CreateInstance(0, 0, 0);
  CInstance* hidden = room->CreateInstance(0, 0, 0);
  room->active.Remove(hidden);
  room->inactive.Append(hidden);
  hidden->deactivated = true;
  for (CInstance* i : {a, b, c, hidden}) i->sprite_index = sprite;
  c->sprite_index = other;
  CRoom elsewhere;
  CInstance* away = elsewhere.CreateInstance(0, 0, 0);
  away->sprite_index = sprite;

  const auto clean = [&] {
    for (CInstance* i : {a, b, c, hidden, away}) i->bbox_dirty = false;
  };
  const double s = sprite;
  const struct {
    const char* name;
    std::vector<double> args;
  } calls[] = {{"sprite_set_offset", {s, 3, 4}},
               {"sprite_set_bbox_mode", {s, 2}},
               {"sprite_set_bbox", {s, 0, 0, 4, 4}},
               {"sprite_set_precise", {s, 0}}};
  for (const auto& call : calls) {
    clean();
    std::vector<RValue> args;
    for (double v : call.args) args.push_back(Real(v));
    Call(call.name, args);
    const char* const name = call.name;
    EXPECT_TRUE(a->bbox_dirty && b->bbox_dirty) << name;
    EXPECT_TRUE(hidden->bbox_dirty) << name << ": deactivated instances too";
    EXPECT_FALSE(c->bbox_dirty) << name;
    EXPECT_FALSE(away->bbox_dirty) << name << ": another room's instance";
  }
  EXPECT_EQ(Sprite_Data(sprite)->originX, 3);
  EXPECT_EQ(Sprite_Data(sprite)->originY, 4);
  elsewhere.DeleteAllInstances();
}

// An origin at the integer limits puts an instance's box at the limits, upright or turned (the
// distances from the origin to the mask's edges overflowed).
TEST_F(ResourceWorldTest, AnOriginAtTheIntegerLimitsPutsTheBoxAtTheLimits) {
  NewObject("thing");
  CSprite fields;
  fields.width = 4;
  fields.height = 4;
  const int32_t sprite = Sprite_Add(fields);
  CSprite* s = Sprite_Data(sprite);
  s->maskLeft = s->maskTop = 0;
  s->maskRight = s->maskBottom = 3;
  auto* room = new CRoom();
  Room_Copies = {room};
  Room_Current = room;
  CInstance* i = room->CreateInstance(0, 0, 0);
  i->sprite_index = sprite;
  Call("sprite_set_offset", {Real(sprite), math_test::Int32(INT32_MIN), math_test::Int32(INT32_MAX)});
  ASSERT_TRUE(i->bbox_dirty);
  Compute_BoundingBox(i);
  EXPECT_EQ(i->bbox_left, INT32_MAX);
  EXPECT_EQ(i->bbox_top, INT32_MIN + 1);
  EXPECT_EQ(i->bbox_bottom, INT32_MIN + 4);
  i->image_angle = 90;
  Compute_BoundingBox(i);
  EXPECT_EQ(i->bbox_left, INT32_MIN + 1);
  EXPECT_LT(i->bbox_top, -2147483000);  // the turned origin, a float's rounding off the limit
}

}  // namespace
