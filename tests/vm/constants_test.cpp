// Named constants: the built-in table, the two lookups and their case rules, assets before
// constants, name validation and trimming, and the constants a game defines.
#include <cmath>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "core/console.h"
#include "core/registry_test_support.h"
#include "script/wx_object.h"

namespace {

class ConstantsTest : public RegistryTest {
 protected:
  static double LookupReal(const char* name) {
    const RValue* v = Constant_Lookup(name);
    return v != nullptr && RValue_Kind(v) == VALUE_REAL ? v->val : std::nan("");
  }
  // Constant_Find's answer as a real; NaN for another kind.
  static double FindReal(const char* name, bool* found) {
    RValue out = RValue_MakeUndefined();
    *found = Constant_Find(name, &out);
    const double d = RValue_Kind(&out) == VALUE_REAL ? out.val : std::nan("");
    RValue_Release(&out);
    return d;
  }
};

TEST_F(ConstantsTest, The506BuiltinConstants) {
  Constant_InitBuiltins();
  EXPECT_EQ(Constant_Count(), 506);
  const struct {
    const char* name;
    double value;
  } spots[] = {
      {"self", -1},          {"local", -7},                 {"true", 1},
      {"pr_trianglefan", 6}, {"c_silver", 12632256},        {"c_orange", 4235519},
      {"bm_src_alpha_sat", 11}, {"bm_inv_dest_colour", 10}, {"se_equalizer", 64},
      {"fa_bottom", 2},      {"mb_any", -1},                {"vk_return", 13},
      {"vk_f12", 123},       {"vk_numpad9", 105},           {"vk_ralt", 165},
      {"gp_axisrv", 32788},  {"ev_keyrelease", 10},         {"ev_joystick2_button8", 43},
      {"ev_mouse_wheel_down", 61}, {"ev_user15", 25},       {"ev_gui", 64},
      {"dll_stdcall", 1},    {"fa_archive", 32},            {"cr_beam", -4},
      {"cr_size_nesw", -6},  {"cr_size_all", -22},          {"pt_shape_snow", 13},
      {"ps_change_motion", 2}, {"ef_snow", 11},             {"display_portrait_flipped", 3},
      {"phy_joint_angle", 8}, {"phy_joint_motor_speed", 7}, {"phy_debug_render_collision_pairs", 64},
      {"audio_3d", 2},       {"lb_disp_time_ms", 3},        {"ugc_query_RankedByTextSearch", 11},
      {"ugc_match_ControllerBindings", 11}, {"timezone_utc", 1}, {"os_windows", 0},
      {"os_amazon", 19},     {"os_llvm_winphone", 65543},   {"device_emulator", 256},
      {"device_tablet", 2},  {"browser_ie_mobile", 10},     {"achievement_challenge_launched", 1011},
      {"achievement_type_achievement_score", 1}, {"asset_timeline", 8}, {"ds_type_priority", 6},
      {"fb_login_forcing_safari", 5},
  };
  for (const auto& s : spots) EXPECT_EQ(LookupReal(s.name), s.value) << s.name;
  // pi is single-precision pi widened, not the double closest to pi.
  EXPECT_EQ(LookupReal("pi"), 3.1415927410125732);
  EXPECT_EQ(LookupReal("pi"), static_cast<double>(static_cast<float>(M_PI)));
  EXPECT_NE(LookupReal("pi"), M_PI);
  for (const char* absent : {"bm_inv_dest_color", "cr_size_5", "vk_f13"}) EXPECT_EQ(Constant_Lookup(absent), nullptr);

  Constant_Free();
  EXPECT_EQ(Constant_Count(), 0);
  EXPECT_EQ(Constant_Lookup("self"), nullptr);
  // Restricted external calls leave the two calling conventions out.
  g_RunnerOptions.restrictedExternals = true;
  Constant_InitBuiltins();
  EXPECT_EQ(Constant_Count(), 504);
  EXPECT_EQ(Constant_Lookup("dll_cdecl"), nullptr);
  EXPECT_EQ(Constant_Lookup("dll_stdcall"), nullptr);
  EXPECT_EQ(LookupReal("ty_string"), 1);
}

TEST_F(ConstantsTest, LookupIgnoresCaseFindDoesNotAndTheNewestEntryWins) {
  Constant_InitBuiltins();
  bool found = true;
  EXPECT_EQ(LookupReal("VK_ENTER"), 13);
  EXPECT_EQ(FindReal("VK_ENTER", &found), -1);
  EXPECT_FALSE(found);
  EXPECT_EQ(FindReal("vk_enter", &found), 13);
  EXPECT_TRUE(found);

  Constant_AddReal("c_red", 1);
  EXPECT_EQ(LookupReal("c_red"), 1);
  EXPECT_EQ(FindReal("c_red", &found), 1);
  Constant_AddReal("C_RED", 2);
  EXPECT_EQ(LookupReal("c_red"), 2);        // newest, ignoring case
  EXPECT_EQ(FindReal("c_red", &found), 1);  // newest of exactly that name
  EXPECT_EQ(Constant_Count(), 508);
}

TEST_F(ConstantsTest, FindTriesEveryAssetKindInOrderBeforeTheConstants) {
  using Setter = void (*)(const char* const*, int32_t);
  // The stand-in tables in the order they are tried; kind k holds "shared" at index 4 + k.
  const Setter tables[] = {Sound_StandInSetNames,    Audio_SetNames, Background_StandInSetNames,
                           Path_StandInSetNames,     Font_SetNamesForTest,  TimeLine_StandInSetNames,
                           Script_SetNames,   Room_SetNamesForTest,  Shader_StandInSetNames};
  const char* const owns[] = {"snd_own", "aud_own", "bg_own", "path_own", "font_own",
                              "tl_own",  "scr_own", "room_own", "sh_own"};
  for (size_t k = 0; k < std::size(tables); ++k) {
    std::vector<const char*> names = {"filler", owns[k]};
    names.resize(4 + k, "filler");
    names.push_back("shared");
    tables[k](names.data(), static_cast<int32_t>(names.size()));
  }
  // Objects hold "shared" at 2 and sprites at 3; both hold a name of their own at 1.
  for (const char* name : {"filler", "o_own", "shared"}) Object_Data(Object_Add())->SetName(name);
  CSprite sprite;
  for (const char* name : {"filler", "s_own", "filler", "shared"}) {
    sprite.name = name;
    Sprite_Add(sprite);
  }
  Constant_AddReal("shared", 500);
  Constant_AddReal("o_own", 501);  // an object that is also a constant gives the object

  bool found = false;
  for (const char* own : {"o_own", "s_own", "snd_own", "aud_own", "bg_own", "path_own", "font_own", "tl_own",
                          "scr_own", "room_own", "sh_own"}) {
    EXPECT_EQ(FindReal(own, &found), 1) << own;
    EXPECT_TRUE(found);
  }
  EXPECT_EQ(FindReal("shared", &found), 2);  // the object
  Object_Data(2)->SetName("gone");
  EXPECT_EQ(FindReal("shared", &found), 3);  // then the sprite
  Sprite_Delete(3);
  for (size_t k = 0; k < std::size(tables); ++k) {
    EXPECT_EQ(FindReal("shared", &found), static_cast<double>(4 + k)) << "table " << k;
    tables[k](nullptr, 0);
  }
  EXPECT_EQ(FindReal("shared", &found), 500);  // no asset left: the constant
  EXPECT_TRUE(found);
  EXPECT_EQ(FindReal("Shared", &found), -1);
  EXPECT_FALSE(found);
  EXPECT_EQ(FindReal("", &found), -1);
  EXPECT_FALSE(found);

  // Any value kind comes back as a counted copy.
  RValue text = RValue_MakeUndefined();
  RValue_SetString(&text, "words");
  Constant_Add("greeting", &text);
  RValue out = RValue_MakeReal(3);
  ASSERT_TRUE(Constant_Find("greeting", &out));
  ASSERT_EQ(RValue_Kind(&out), VALUE_STRING);
  EXPECT_EQ(out.pString, text.pString);
  EXPECT_EQ(text.pString->refCount, 3);  // this value, the table's and the copy
  RValue_Release(&out);
  RValue_Release(&text);
}

TEST_F(ConstantsTest, ValidNamesAndTrimmedCopies) {
  const struct {
    const char* name;
    bool valid;
  } names[] = {
      {"_", true},       {"a1_B", true},   {"_9", true},    {"", false},     {"9lives", false},
      {"has space", false}, {"dash-ed", false}, {"\xC3\xA9t\xC3\xA9", false}, {"x.y", false},
  };
  for (const auto& n : names) EXPECT_EQ(Constant_IsValidName(n.name), n.valid) << n.name;
  EXPECT_FALSE(Constant_IsValidName(nullptr));

  const struct {
    const char* in;
    const char* out;
  } trims[] = {
      {"\tinner text  ", "inner text"}, {"   ", ""}, {"", ""}, {"plain", "plain"},
      {"\x01\x1F" "a b" "\x7F", "a b\x7F"},      // 127 is not a blank
      {"\xC3\xA9" "x" "\xC3\xA9", "x"},         // bytes from 128 up are
  };
  char* copy = nullptr;
  for (const auto& t : trims) {
    String_TrimCopy(&copy, t.in);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, t.out) << t.in;
  }
  String_TrimCopy(&copy, nullptr);
  EXPECT_EQ(copy, nullptr);
}

TEST_F(ConstantsTest, GameConstantsAreTrimmedCheckedAndTheirValueTextsRead) {
  Constant_InitBuiltins();
  TErrStreamConsole log;
  tagIConsole* previous = g_pDebugConsole;
  g_pDebugConsole = &log;
  const struct {
    const char* name;
    const char* value;
    const char* added;  // name that lands in the table
    uint32_t kind;
    double real;        // for reals
    const char* text;   // for strings
    bool logged;
  } cases[] = {
      {" speed_max ", "42", "speed_max", VALUE_REAL, 42, nullptr, false},
      {"drag", " -1.5e2 ", "drag", VALUE_REAL, -150, nullptr, false},
      {"mask", "0x10", "mask", VALUE_REAL, 16, nullptr, false},
      {"title", "\"Hello world\"", "title", VALUE_STRING, 0, "Hello world", false},
      {"letter", "'x'", "letter", VALUE_STRING, 0, "x", false},
      {"tint", "c_red", "tint", VALUE_REAL, 255, nullptr, false},
      {"tint2", "tint", "tint2", VALUE_REAL, 255, nullptr, false},
      {"sum", "1+2", "sum", VALUE_REAL, 0, nullptr, true},
      {"unknown", "nothing_known", "unknown", VALUE_REAL, 0, nullptr, true},
      {"empty", "", "empty", VALUE_REAL, 0, nullptr, true},
      {"huge", "1e999", "huge", VALUE_REAL, 0, nullptr, true},
      {"VersionMajor", "2", "VersionMajor", VALUE_REAL, 2, nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t logBefore = log.Text() != nullptr ? std::strlen(log.Text()) : 0;
    ASSERT_TRUE(Constant_AddUser(c.name, c.value));
    RValue out = RValue_MakeUndefined();
    ASSERT_TRUE(Constant_Find(c.added, &out));
    ASSERT_EQ(RValue_Kind(&out), c.kind);
    if (c.kind == VALUE_REAL) {
      EXPECT_EQ(out.val, c.real);
    } else {
      EXPECT_STREQ(out.pString->text, c.text);
    }
    RValue_Release(&out);
    const std::string logged = log.Text() != nullptr ? log.Text() + logBefore : "";
    EXPECT_EQ(logged.find(c.added) != std::string::npos, c.logged) << logged;
  }
  g_pDebugConsole = previous;
  EXPECT_TRUE(MessageBoxRecorder::Texts().empty());

  const int32_t count = Constant_Count();
  EXPECT_FALSE(Constant_AddUser(" 9lives ", "1"));
  EXPECT_FALSE(Constant_AddUser("two words", "1"));
  EXPECT_EQ(Constant_Count(), count);
  EXPECT_EQ(MessageBoxRecorder::Texts(),
            (std::vector<std::string>{"Constant name 9lives  is not valid.", "Constant name two words  is not valid."}));
}

TEST_F(ConstantsTest, PrepareAddsTheGamesConstantsAndStopsAtTheFirstInvalidName) {
  g_GameOptions.constantNames = {"first", "bad name", "third"};
  g_GameOptions.constantValues = {"1", "2", "3"};
  EXPECT_FALSE(Constant_Prepare());
  EXPECT_EQ(Constant_Count(), 1);
  EXPECT_NE(Constant_Lookup("first"), nullptr);
  EXPECT_EQ(Constant_Lookup("third"), nullptr);
  EXPECT_EQ(MessageBoxRecorder::Texts().size(), 1u);

  Constant_Free();
  g_GameOptions.constantNames = {"a", "b"};
  g_GameOptions.constantValues = {"7", "a"};
  EXPECT_TRUE(Constant_Prepare());
  bool found = false;
  EXPECT_EQ(FindReal("b", &found), 7);
  g_GameOptions.constantNames.clear();
  g_GameOptions.constantValues.clear();
}

}  // namespace
