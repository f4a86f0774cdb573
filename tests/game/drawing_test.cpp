// The controller's drawing: the board's layers in order, the menu's picture and credits, the hit
// points and the minimap on the GUI layer, and the minimap's rendering and coordinates.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/stack_trace.h"
#include "game_device.h"
#include "level_flow.h"
#include "lumbrix/board.h"
#include "lumbrix/flow.h"
#include "lumbrix_world.h"
#include "render/surface.h"
#include "world/commands.h"

namespace {

using namespace lumbrix;

// A wire into a 300 x 300 chip from (400, 250) to (700, 550), one out of it, and a turret above.
const std::vector<LumbrixRecord> kBoard = {
    {0, 100, 400}, {kObChip, 400, 250, 3, 3}, {0, 700, 400}, {kObTurretSpawner, 450, 200, 1, 1, -1, 0}};

class DrawingTest : public DrawnLevelTest {
 protected:
  // The board with a player and a ghost on the wire, a particle and the turret made.
  void Board() {
    IntoLevel(kBoard);
    Ask(tll_Script_edgelist_get_nearest, {150, 400});
    m_player = Instance_Find(static_cast<int32_t>(Ask(tll_Script_ob_player_create, {GlobalNum("_edgelist"), GlobalNum("_edgelistT")})));
    Ask(tll_Script_edgelist_get_nearest, {300, 400});
    m_ghost = Instance_Find(static_cast<int32_t>(Ask(tll_Script_ob_ghost_create, {GlobalNum("_edgelist"), GlobalNum("_edgelistT")})));
    Player();
    F_InstanceCreate(200, 400, kObParticle);
    Run(1);  // the turret spawner's alarm
    ASSERT_EQ(InstancesOf(kObTurret).size(), 1u);
  }
  void DrawWorld() { Ask(tll_Script_ob_control_draw, {static_cast<double>(C())}); }
  void DrawGui() { Ask(tll_Script_ob_control_draw_gui, {static_cast<double>(C())}); }
  static bool Logged(const std::string& line) {
    for (const std::string& l : CallLog()) {
      if (l == line) return true;
    }
    return false;
  }
  static bool LoggedStart(const char* start) {
    for (const std::string& l : CallLog()) {
      if (l.rfind(start, 0) == 0) return true;
    }
    return false;
  }

  CInstance* m_player = nullptr;
  CInstance* m_ghost = nullptr;
};

// Which script of the board's layers each draw call of the world's drawing comes from: the frame
// just inside the controller's drawing script on the trace chain.
std::vector<std::string>& Layers() {
  static std::vector<std::string> layers;
  return layers;
}
void WatchLayer(const char* name, int32_t, const RValue* const*) {
  if (std::strncmp(name, "draw_", 5) != 0) return;
  std::string layer = "control";
  for (StackTraceFrame* f = g_pStackTrace; f != nullptr && f->next != nullptr; f = f->next) {
    if (std::strcmp(f->next->name, "tll_Script_ob_control_draw") == 0) {
      layer = f->name;
      break;
    }
  }
  if (Layers().empty() || Layers().back() != layer) Layers().push_back(layer);
}

TEST_F(DrawingTest, ALevelIsDrawnLayerByLayerFromTheTileToTheTurrets) {
  Board();
  Layers().clear();
  tll::g_callWatcher = &WatchLayer;
  DrawWorld();
  const std::vector<std::string> expected = {
      "control",  // the background tile
      "tll_Script_edgelist_draw_outline", "tll_Script_chip_draw_outline", "tll_Script_ob_edgelist_draw",
      "tll_Script_ob_chip_draw",          "tll_Script_ob_particle_draw",  "tll_Script_ob_ghost_draw",
      "tll_Script_ob_player_draw",        "tll_Script_ob_turret_draw"};
  EXPECT_EQ(Layers(), expected);
}

TEST_F(DrawingTest, TheTileCoversTheViewFirst) {
  Board();
  CallLog().clear();
  DrawWorld();
  ASSERT_FALSE(CallLog().empty());
  EXPECT_EQ(CallLog()[0], "draw_sprite_tiled 15 0 0 0");
}

TEST_F(DrawingTest, TheMenuShowsTheLevelPictureAndTheCreditsAndNoIconsOrMinimap) {
  ToMenu();
  Write(C(), "menuLevelCurrent", 2);
  CallLog().clear();
  DrawWorld();
  const double hview = NumAt(C(), "view_hview", 0);
  const std::vector<std::string> expected = {
      "draw_sprite_ext 33 2 192 160 1 1 0 16777215 1", "draw_set_font 3", "draw_set_colour 32768",
      "draw_text 10 " + std::to_string(static_cast<int>(hview - 30)) +
          " \"Lumbrix - code, art and music by the Lumbrix team\""};
  EXPECT_EQ(CallLog(), expected);
  CallLog().clear();
  DrawGui();
  EXPECT_TRUE(CallLog().empty()) << CallLog()[0];
}

TEST_F(DrawingTest, HitPointsAreIconsFromTheTopRightCornerLeftwards) {
  Board();
  const double wport = NumAt(C(), "view_wport", 0);
  const struct {
    double hp;
    std::vector<double> xs;
  } kCases[] = {{3, {wport - 40, wport - 90, wport - 140}}, {1, {wport - 40}}, {0, {}}};
  for (const auto& c : kCases) {
    Write(m_player, "hp", c.hp);
    CallLog().clear();
    DrawGui();
    std::vector<std::string> expected;
    for (double x : c.xs) expected.push_back("draw_sprite 12 0 " + std::to_string(static_cast<int>(x)) + " 30");
    EXPECT_EQ(Calls("draw_sprite"), expected) << "hp " << c.hp;
  }
}

TEST_F(DrawingTest, TheMinimapIsOutlinedInLimeAndItsSurfaceDrawnInTheBottomRightCorner) {
  Board();
  ASSERT_EQ(NumAt(C(), "view_wport", 0), 1024);
  ASSERT_EQ(NumAt(C(), "view_hport", 0), 768);
  const int32_t surf = static_cast<int32_t>(Num(C(), "minimapSurf"));
  ASSERT_TRUE(Surface_Exists(surf));
  CallLog().clear();
  DrawGui();
  const std::vector<std::string> expected = {"draw_set_colour 65280", "draw_set_alpha 0.8",
                                             "draw_rectangle 824 568 1024 768 1", "draw_set_alpha 1",
                                             "draw_surface " + std::to_string(surf) + " 824 568"};
  std::vector<std::string> minimap(CallLog().begin() + static_cast<long>(Calls("draw_sprite").size()), CallLog().end());
  EXPECT_EQ(minimap, expected);
  // Without its surface only the outline is drawn.
  Surface_Free(surf, true);
  CallLog().clear();
  DrawGui();
  EXPECT_TRUE(Calls("draw_surface").empty());
  EXPECT_EQ(Calls("draw_rectangle").size(), 1u);
}

// The camera's centre is the minimap's; a point 2000 units straight up the screen is at its top
// edge, however the view is turned.
TEST_F(DrawingTest, RoomPointsMapToTheMinimapCentredOnTheCameraAndTurnedWithIt) {
  Board();
  for (double angle : {0.0, 30.0, 90.0, 217.5}) {
    tll::SetOnTarget(C(), lumbrix::var::view_angle, tll::Real(angle), 0);
    const double cx = NumAt(C(), "view_xview", 0) + NumAt(C(), "view_wview", 0) / 2;
    const double cy = NumAt(C(), "view_yview", 0) + NumAt(C(), "view_hview", 0) / 2;
    Ask(tll_Script_coord_to_minimap, {static_cast<double>(C()), cx, cy});
    EXPECT_NEAR(GlobalNum("_x"), 100, 1e-3) << angle;
    EXPECT_NEAR(GlobalNum("_y"), 100, 1e-3) << angle;
    const double up = (90 - angle) * M_PI / 180;
    Ask(tll_Script_coord_to_minimap, {static_cast<double>(C()), cx + 2000 * std::cos(up), cy - 2000 * std::sin(up)});
    EXPECT_NEAR(GlobalNum("_x"), 100, 1e-2) << angle;
    EXPECT_NEAR(GlobalNum("_y"), 0, 1e-2) << angle;
  }
}

TEST_F(DrawingTest, TheMinimapHoldsWiresChipsGhostsAndThePlayer) {
  Board();
  Write(m_ghost, "color", 0x2020FF);
  CallLog().clear();
  Run(1);
  // The wire is one segment per pair of its nodes, single-pixel yellow lines.
  const std::vector<std::string> lines = Calls("draw_line");
  ASSERT_FALSE(lines.empty());
  int32_t segments = 0;
  for (CInstance* e : InstancesOf(kObEdgelist)) {
    tll::Local size;
    tll::Call(e, e, &size, lumbrix::fn::ds_list_size, tll::Real(Num(e, "list")));
    segments += tll::Int(*size) - 1;
  }
  EXPECT_EQ(static_cast<int32_t>(lines.size()), segments);
  EXPECT_TRUE(Logged("draw_clear_alpha 0 0"));
  EXPECT_TRUE(Logged("draw_set_colour 65535"));
  // The chip: a dark grey line 5 percent of the chip's width wide, down its middle.
  std::vector<std::string> widths = Calls("draw_line_width");
  ASSERT_EQ(widths.size(), 1u);
  EXPECT_EQ(widths[0].substr(widths[0].rfind(' ') + 1), "15");
  EXPECT_TRUE(Logged("draw_set_colour 4210752"));
  EXPECT_FALSE(Logged("draw_set_colour 255"));
  // Ghosts and players are dots, radius 2 in the ghost's colour and radius 3 in yellow.
  const std::vector<std::string> circles = Calls("draw_circle");
  ASSERT_EQ(circles.size(), 2u);
  EXPECT_EQ(circles[0].substr(circles[0].size() - 4), " 2 0");
  EXPECT_EQ(circles[1].substr(circles[1].size() - 4), " 3 0");
  const std::vector<std::string>& log = CallLog();
  auto colourBefore = [&](const std::string& circle) {
    std::string colour;
    for (const std::string& l : log) {
      if (l == circle) return colour;
      if (l.rfind("draw_set_colour ", 0) == 0) colour = l;
    }
    return colour;
  };
  EXPECT_EQ(colourBefore(circles[0]), "draw_set_colour 2105599");
  EXPECT_EQ(colourBefore(circles[1]), "draw_set_colour 65535");
  // A hacked chip is red.
  Write(InstancesOf(kObChip)[0], "hackPercent", 100);
  CallLog().clear();
  Run(1);
  EXPECT_TRUE(Logged("draw_set_colour 255"));
  EXPECT_FALSE(Logged("draw_set_colour 4210752"));
}

TEST_F(DrawingTest, ALostMinimapSurfaceIsMadeAgainInTheNextStepBeforeDrawing) {
  Board();
  const int32_t old = static_cast<int32_t>(Num(C(), "minimapSurf"));
  Surface_Free(old, true);
  ASSERT_FALSE(Surface_Exists(old));
  CallLog().clear();
  Run(1);
  const int32_t made = static_cast<int32_t>(Num(C(), "minimapSurf"));
  EXPECT_TRUE(Surface_Exists(made));
  EXPECT_EQ(Surface_GetWidth(made), 200);
  EXPECT_EQ(Surface_GetHeight(made), 200);
  EXPECT_TRUE(LoggedStart("draw_clear_alpha"));
  CallLog().clear();
  DrawGui();
  EXPECT_TRUE(Logged("draw_surface " + std::to_string(made) + " 824 568"));
}

}  // namespace
