// Text messages and the tutorial: a message's outlined surface, its drawing in the room and on
// the GUI, its fading and its end; the tutorial's triggers and scripts; the chip-count texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <memory>
#include <string>
#include <vector>

#include "game_device.h"
#include "level_flow.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix_world.h"
#include "render/surface.h"
#include "world/commands.h"

namespace {

using namespace lumbrix;

constexpr int32_t kObText = 27;
constexpr const char* kLesson3 = "Hack all computer chips to win!#You can move in any direction on a chip.";

class MessageTest : public DrawnLevelTest {
 protected:

  // A message made by the script in the current font; its instance.
  static CInstance* Message(double x, double y, const char* text) {
    std::vector<RValue> args{tll::Real(x), tll::Real(y), RValue_MakeUndefined()};
    RValue_SetString(&args[2], text);
    RValue id = CallScript(tll_Script_ob_text_create, args);
    RValue_Release(&args[2]);
    CInstance* made = Instance_Find(tll::Int(id));
    RValue_Release(&id);
    return made;
  }
  static std::string TextOf(const CInstance* instance, const char* name = "text") {
    tll::Local v;
    Read(instance->id, name, &v);
    const char* text = tll::TextOf(*v);
    return text != nullptr ? text : "<none>";
  }
  // A string's size in the current font, as the game's code measures it.
  static double Measure(const LinkName& function, const char* text) {
    tll::Text t(text);
    tll::Local size;
    tll::Call(nullptr, nullptr, &size, function, t.value);
    return tll::Num(*size);
  }
  static std::vector<std::string> Texts() {
    std::vector<std::string> texts;
    for (const CInstance* t : InstancesOf(kObText)) texts.push_back(TextOf(t));
    return texts;
  }

};

TEST_F(MessageTest, AMessageIsItsTextOutlinedInBlackOnASurfaceOfItsOwn) {
  IntoLevel({});
  tll::DrawSetFont(3);
  CallLog().clear();
  const CInstance* text = Message(300, 200, "Hello");
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->x, 300);
  EXPECT_EQ(text->y, 200);
  EXPECT_EQ(Num(text, "drawGui"), 0);
  EXPECT_EQ(TextOf(text), "Hello");
  EXPECT_EQ(Num(text, "timer"), 180);
  EXPECT_EQ(Num(text, "timerLength"), 180);
  const int32_t surf = static_cast<int32_t>(Num(text, "surf"));
  ASSERT_TRUE(Surface_Exists(surf));
  EXPECT_EQ(Surface_GetWidth(surf), Measure(fn::string_width, "Hello") + 2);
  EXPECT_EQ(Surface_GetHeight(surf), Measure(fn::string_height, "Hello") + 2);
  const std::vector<std::string> expected = {
      "draw_clear_alpha 0 0",     "draw_set_colour 0",        "draw_text 1 2 \"Hello\"",
      "draw_text 1 0 \"Hello\"",  "draw_text 2 1 \"Hello\"",  "draw_text 0 1 \"Hello\"",
      "draw_set_colour 16777215", "draw_text 1 1 \"Hello\""};
  EXPECT_EQ(CallLog(), expected);
}

TEST_F(MessageTest, ALineBreakMakesTwoLinesAndTheSurfaceIsMeasuredWithIt) {
  IntoLevel({});
  tll::DrawSetFont(3);
  const CInstance* text = Message(0, 0, kLesson3);
  const int32_t surf = static_cast<int32_t>(Num(text, "surf"));
  const double oneLine = Measure(fn::string_height, "Hack all computer chips to win!");
  EXPECT_EQ(Measure(fn::string_height, kLesson3), 2 * oneLine);
  EXPECT_EQ(Surface_GetHeight(surf), 2 * oneLine + 2);
  EXPECT_EQ(Surface_GetWidth(surf), Measure(fn::string_width, "You can move in any direction on a chip.") + 2);
}

// A room message keeps its size on screen (scaled with the zoom) and stays upright (turned
// against the view); a GUI message is drawn as it is, and each in its own layer only.
TEST_F(MessageTest, RoomMessagesFollowTheCameraAndGuiMessagesDoNot) {
  IntoLevel({});
  CInstance* text = Message(300, 200, "Hi");
  const int32_t surf = static_cast<int32_t>(Num(text, "surf"));
  auto number = [](double d) {
    char text[32];
    return std::string(text, std::to_chars(text, text + sizeof text, d).ptr);
  };
  const std::string left = number(300 - Surface_GetWidth(surf) / 2.0);
  const std::string top = number(200 - Surface_GetHeight(surf) / 2.0);
  Write(C(), "viewScale", 1.1);
  tll::SetOnTarget(C(), var::view_angle, tll::Real(30), 0);
  auto expected = [&](const char* scale, const char* angle) {
    return std::vector<std::string>{"draw_surface_ext " + std::to_string(surf) + " " + left + " " + top + " " + scale + " " + scale + " " + angle + " 16777215 1.6"};
  };
  Write(text, "surf", surf);
  CallLog().clear();
  tll_Object_ob_text_Draw_64(text, text);
  EXPECT_TRUE(CallLog().empty());
  tll_Object_ob_text_Draw_0(text, text);
  EXPECT_EQ(Calls("draw_surface_ext"), expected("1.1", "-30"));
  Write(text, "drawGui", 1);
  Write(text, "timer", 180);
  CallLog().clear();
  tll_Object_ob_text_Draw_0(text, text);
  EXPECT_TRUE(CallLog().empty());
  EXPECT_EQ(Num(text, "timer"), 179) << "counted down in the room's draw whatever its layer";
  Write(text, "timer", 180);
  tll_Object_ob_text_Draw_64(text, text);
  EXPECT_EQ(Calls("draw_surface_ext"), expected("1", "0"));
}

// Alpha is the life left times 1.6 (the drawing clamps it to 1); the message goes, with its
// surface, in the draw in which its timer falls below 0: after timer + 1 draws.
TEST_F(MessageTest, AMessageFadesOverItsLastPartAndGoesAfterTimerPlusOneDraws) {
  IntoLevel({});
  struct Case {
    double timer, timerLength;
    int32_t opaqueDraws;  // draws with alpha at least 1
  };
  for (const Case& c : {Case{180, 180, 68}, Case{240, 180, 128}, Case{240, 240, 91}}) {
    CInstance* text = Message(0, 0, "x");
    Write(text, "drawGui", 1);
    Write(text, "timer", c.timer);
    Write(text, "timerLength", c.timerLength);
    const int32_t id = text->id;
    const int32_t surf = static_cast<int32_t>(Num(text, "surf"));
    int32_t draws = 0, opaque = 0;
    double last = 1e9;
    while (Instance_Find(id) != nullptr && !text->marked && draws < 1000) {
      CallLog().clear();
      tll_Object_ob_text_Draw_64(text, text);
      const std::string line = Calls("draw_surface_ext").at(0);
      const double alpha = std::stod(line.substr(line.rfind(' ') + 1));
      EXPECT_NEAR(alpha, (c.timer - draws) / c.timerLength * 1.6, 1e-9);
      EXPECT_LT(alpha, last);
      last = alpha;
      opaque += alpha >= 1 ? 1 : 0;
      tll_Object_ob_text_Draw_0(text, text);
      ++draws;
    }
    EXPECT_EQ(draws, static_cast<int32_t>(c.timer) + 1) << c.timer;
    EXPECT_EQ(opaque, c.opaqueDraws) << c.timer << " / " << c.timerLength;
    EXPECT_FALSE(Surface_Exists(surf));
  }
}

// --- the tutorial --------------------------------------------------------------------------------

struct Lesson {
  tll::ScriptFunction script;
  int32_t font;
  double offset;
  const char* text;
  double timer;
};
const Lesson kLessons[] = {
    {tll_Script_tutorial0, 2, -100, "Welcome to the TUTORIAL.", 180},
    {tll_Script_tutorial1, 3, -60, "Move with the arrow keys or WASD.", 240},
    {tll_Script_tutorial2, 3, -100, "Watch out for enemies!", 180},
    {tll_Script_tutorial3, 3, -100, kLesson3, 240},
    {tll_Script_tutorial4, 3, -100, "Uh, wrong way buddy.", 180},
    {tll_Script_tutorial5, 3, -100, "Whatever, you can just win now.", 180},
};

TEST_F(MessageTest, EachLessonIsAGuiMessageInItsFontBelowTheScreensCentre) {
  IntoLevel({{0, 100, 400}, {kObPlayer, 0, 0}});
  CInstance* player = Player();
  const double wport = NumAt(C(), "view_wport", 0);
  const double hport = NumAt(C(), "view_hport", 0);
  for (const Lesson& l : kLessons) {
    SCOPED_TRACE(l.text);
    CallLog().clear();
    RValue none = CallScript(l.script, {}, player);
    RValue_Release(&none);
    EXPECT_EQ(Calls("draw_set_font").at(0), "draw_set_font " + std::to_string(l.font));
    CInstance* text = InstancesOf(kObText).back();
    EXPECT_EQ(TextOf(text), l.text);
    EXPECT_EQ(text->x, wport / 2);
    EXPECT_EQ(text->y, hport / 2 + l.offset);
    EXPECT_EQ(Num(text, "drawGui"), 1);
    EXPECT_EQ(Num(text, "timer"), l.timer);
    EXPECT_EQ(Num(text, "timerLength"), 180);
  }
}

TEST_F(MessageTest, WatchOutPutsThirtyGhostSpawnersOnTheThreeWiresAndThirtyGhostsOneStepLater) {
  IntoLevel({{0, 100, 1800}});
  Reseed(7);
  RValue none = CallScript(tll_Script_tutorial2, {});
  RValue_Release(&none);
  const std::vector<CInstance*> spawners = InstancesOf(kObGhostSpawner);
  ASSERT_EQ(spawners.size(), 30u);
  std::vector<double> xs;
  for (int32_t i = 0; i < 30; ++i) {
    const CInstance* s = spawners[static_cast<size_t>(i)];
    xs.push_back(s->x);
    EXPECT_TRUE(s->y == 1800 || s->y == 1850 || s->y == 1900) << s->y;
    EXPECT_EQ(Num(s, "image_yscale"), -1);
  }
  std::sort(xs.begin(), xs.end());
  for (int32_t i = 0; i < 30; ++i) EXPECT_EQ(xs[static_cast<size_t>(i)], i * 150 - 1000);
  EXPECT_TRUE(InstancesOf(kObGhost).empty());
  Run(1);
  EXPECT_EQ(InstancesOf(kObGhost).size(), 30u);
}

TEST_F(MessageTest, TheTutorialsTriggersEachRunTheirLessonOnceOnTheWayUp) {
  ToMenu();
  Enter(kRmTutorial);
  const int32_t kTriggers = 10;
  ASSERT_EQ(InstancesOf(kObTrigger).size(), static_cast<size_t>(kTriggers));
  std::vector<std::string> shown;
  auto inChip = [] { return !InstancesOf(kObPlayer).empty() && Num(InstancesOf(kObPlayer)[0], "chip") != -1; };
  for (int32_t step = 0; step < 2000 && !inChip(); ++step) {
    const size_t before = InstancesOf(kObText).size();
    Run(1);
    const std::vector<CInstance*> texts = InstancesOf(kObText);
    for (size_t i = before; i < texts.size(); ++i) shown.push_back(TextOf(texts[i]));
    // Messages live on only while drawn: the steps here do not draw, so end them by hand.
    for (CInstance* t : texts) F_InstanceDestroy(t);
  }
  const std::vector<std::string> expected = {kLessons[0].text, kLessons[1].text, kLessons[2].text, kLessons[3].text};
  EXPECT_EQ(shown, expected);
  EXPECT_EQ(InstancesOf(kObGhost).size(), 30u);
  ASSERT_FALSE(InstancesOf(kObPlayer).empty());
  EXPECT_EQ(Num(InstancesOf(kObPlayer)[0], "chip"), InstancesOf(kObChip)[0]->id) << "rode into the chip";
}

// The far left trigger (and the one at the bottom) end the tutorial as won in the step the player
// enters it: every chip complete.
TEST_F(MessageTest, TheLastTriggerWinsAtOnce) {
  IntoLevel({{0, 100, 400}, {0, 400, 400}, {kObChip, 900, 300}, {kObChip, 1200, 300},
             {kObTrigger, 300, 350, 1, 2, code::tll_RoomCC_rm_tutorial_111_Create}});
  Ask(tll_Script_edgelist_get_nearest, {150, 400});
  Ask(tll_Script_ob_player_create, {GlobalNum("_edgelist"), GlobalNum("_edgelistT")});
  Player();
  EXPECT_EQ(TextOf(InstancesOf(kObTrigger)[0], "script"), "tutorial6");
  int32_t steps = 0;
  while (Num(C(), "levelComplete") == 0 && steps < 100) {
    Run(1);
    ++steps;
  }
  ASSERT_EQ(Num(C(), "levelComplete"), 1);
  EXPECT_GT(steps, 10) << "not before the player reached it";
  for (const CInstance* chip : InstancesOf(kObChip)) EXPECT_EQ(Num(chip, "hackPercent"), 101);
  EXPECT_EQ(TextOf(InstancesOf(kObTrigger)[0], "script"), "") << "fired once";
  EXPECT_EQ(InstancesOf(kObLevelComplete).size(), 1u);
}

TEST_F(MessageTest, EveryTutorialTriggerNamesItsScript) {
  const struct {
    int32_t code;
    const char* script;
  } kCodes[] = {{code::tll_RoomCC_rm_tutorial_104_Create, "tutorial0"}, {code::tll_RoomCC_rm_tutorial_105_Create, "tutorial1"},
                {code::tll_RoomCC_rm_tutorial_106_Create, "tutorial2"}, {code::tll_RoomCC_rm_tutorial_108_Create, "tutorial3"},
                {code::tll_RoomCC_rm_tutorial_109_Create, "tutorial4"}, {code::tll_RoomCC_rm_tutorial_110_Create, "tutorial5"},
                {code::tll_RoomCC_rm_tutorial_111_Create, "tutorial6"}, {code::tll_RoomCC_rm_tutorial_112_Create, "tutorial4"},
                {code::tll_RoomCC_rm_tutorial_113_Create, "tutorial5"}, {code::tll_RoomCC_rm_tutorial_114_Create, "tutorial6"}};
  std::vector<Record> records;
  for (const auto& c : kCodes) records.push_back({kObTrigger, 0, 0, 1, 1, c.code});
  IntoLevel(records);
  const std::vector<CInstance*> triggers = InstancesOf(kObTrigger);
  ASSERT_EQ(triggers.size(), std::size(kCodes));
  std::vector<std::string> names, expected;
  for (const CInstance* t : triggers) names.push_back(TextOf(t, "script"));
  for (const auto& c : kCodes) expected.push_back(c.script);
  std::sort(names.begin(), names.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(names, expected);
}

// --- the chip-count texts ------------------------------------------------------------------------

TEST_F(MessageTest, AHackedChipTellsHowManyAreLeft) {
  IntoLevel({{kObChip, 400, 350}, {kObChip, 700, 350}, {kObChip, 1000, 350}, {kObPlayer, 0, 0}});
  CInstance* player = Player();
  const std::vector<CInstance*> chips = InstancesOf(kObChip);
  const char* const kExpected[] = {"2 chips left", "1 chip left!", nullptr};
  for (size_t i = 0; i < chips.size(); ++i) {
    for (CInstance* t : InstancesOf(kObText)) F_InstanceDestroy(t);
    Write(player, "chip", chips[i]->id);
    Write(chips[i], "hackPercent", 99.9);
    player->x = static_cast<float>(chips[i]->x + 50);
    player->y = 400;
    Write(player, "chipHspeed", 0);
    Write(player, "chipVspeed", 0);
    Run(1);
    ASSERT_GE(Num(chips[i], "hackPercent"), 100) << i;
    if (kExpected[i] == nullptr) {
      EXPECT_TRUE(Texts().empty()) << Texts()[0];
    } else {
      EXPECT_EQ(Texts(), std::vector<std::string>{kExpected[i]});
    }
  }
  EXPECT_EQ(Num(C(), "levelComplete"), 1);
}

}  // namespace
