// The room redraw on the recording device, as call sequences: the application surface and its copy
// to the window, views with and without their own surfaces, view following, the depth merge, the
// draw events around views and frame, the surface stack's balance, the GUI layer and the cursor.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "assets/background.h"
#include "io/input.h"
#include "runtime/run_state.h"
#include "io/window_services.h"
#include "render/gui_layer.h"
#include "render/room_draw.h"
#include "render/surface.h"
#include "render_fixture.h"
#include "world/world_test_support.h"

namespace {

constexpr int32_t kLog = kit::kLogEvent;

std::shared_ptr<D3D9RecordingLog> g_log;
IDirect3D9* Factory() { return D3D9_CreateRecordingDirect3D(g_log); }

// Every call of a fake source leaves a line in the device log, so the merge's order shows among
// the device calls.
void Note(const std::string& line) { g_log->Add(line); }

class RoomDrawTest : public ObjectWorldTest {
 protected:
  void SetUp() override {
    ObjectWorldTest::SetUp();
    render_test::ResetRenderGlobals();
    ResetRedraw();
    g_log = std::make_shared<D3D9RecordingLog>();
    m_oldFactory = GR_D3D_SetFactory(&Factory);
    m_console = std::make_unique<render_test::CapturedConsoles>();
    m_oldEnd = Error_SetEndProcess([](int) {});
    g_RoomDrawSources.spriteExists = [](int32_t sprite) { return sprite >= 0; };
    g_RoomDrawSources.drawInstanceSprite = [](CInstance* i) {
      char line[96];
      std::snprintf(line, sizeof line, "sprite %d depth %g target %d", i->id, static_cast<double>(GR_GetDepth()),
                    g_SurfaceTargets.boundIds[0]);
      Note(line);
    };
    kit::TheLog().onEvent = [](CInstance* self, CInstance*) {
      Note("event " + std::to_string(Event_Current.number) + " of " + std::to_string(self->id));
    };
  }
  void TearDown() override {
    Surface_FreeAll();
    render_test::ShutdownRenderer();
    ResetRedraw();
    render_test::ResetRenderGlobals();
    Error_SetEndProcess(m_oldEnd);
    Error_ClearSuppression();
    m_console.reset();
    GR_D3D_SetFactory(m_oldFactory);
    kit::TheLog() = kit::Log{};
    ObjectWorldTest::TearDown();
  }
  static void ResetRedraw() {
    g_RoomDrawSources = RoomDraw_DefaultSources();
    g_SurfaceTargets = SurfaceTargetState{};
    g_AppSurface = AppSurfaceState{};
    g_RunState = RunState{};
    g_GUI = GUIState{};
    Display_GuiSize = DisplayExtent{-1, -1};
    g_IOInputState.deviceMouseX[0] = 0;
    g_IOInputState.deviceMouseY[0] = 0;
  }

  void Start(uint32_t flags = 0, int32_t width = 640, int32_t height = 480) {
    ASSERT_TRUE(GR_D3D_Init(nullptr, width, height, flags));
    ASSERT_TRUE(GR_D3D_BeginScene());
    g_log->Clear();
  }
  void Frame() {
    g_log->Clear();
    DrawRoom();
  }

  // An instance at that place and depth, in the room's depth order.
  CInstance* Place(int32_t object, int32_t id, float x, float y, float depth, int32_t sprite = -1) {
    CInstance* i = NewInstance(object, id);
    m_room.active.Remove(i);
    --m_room.active.count;
    i->x = x;
    i->y = y;
    i->depth = depth;
    i->sprite_index = sprite;
    m_room.active.InsertByDepth(i);
    return i;
  }

  static const std::vector<std::string>& Lines() { return g_log->Lines(); }
  static const std::vector<D3D9RecordedDraw>& Draws() { return g_log->Draws(); }
  static int Find(const std::string& prefix, int from = 0) {
    for (int i = from; i < static_cast<int>(Lines().size()); ++i) {
      if (Lines()[i].rfind(prefix, 0) == 0) return i;
    }
    return -1;
  }
  static int FindLast(const std::string& prefix, int before) {
    for (int i = std::min(before, static_cast<int>(Lines().size())) - 1; i >= 0; --i) {
      if (Lines()[i].rfind(prefix, 0) == 0) return i;
    }
    return -1;
  }
  static std::vector<std::string> Matching(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : Lines()) {
      if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
  }
  // The last draw (the copy to the window) covers exactly that rectangle.
  static void ExpectLastDrawCovers(float left, float top, float right, float bottom) {
    ASSERT_FALSE(Draws().empty());
    const D3D9RecordedDraw& draw = Draws().back();
    float minX = 1e9f, minY = 1e9f, maxX = -1e9f, maxY = -1e9f;
    for (size_t at = 0; at + 24 <= draw.vertices.size(); at += draw.stride) {
      float x = 0, y = 0;
      std::memcpy(&x, draw.vertices.data() + at, 4);
      std::memcpy(&y, draw.vertices.data() + at + 4, 4);
      minX = std::min(minX, x);
      maxX = std::max(maxX, x);
      minY = std::min(minY, y);
      maxY = std::max(maxY, y);
    }
    EXPECT_FLOAT_EQ(minX, left);
    EXPECT_FLOAT_EQ(minY, top);
    EXPECT_FLOAT_EQ(maxX, right);
    EXPECT_FLOAT_EQ(maxY, bottom);
  }
  std::string Console() const { return m_console->Text(); }

 private:
  GR_Direct3DFactory m_oldFactory = nullptr;
  ErrorEndProcessFn m_oldEnd = nullptr;
  std::unique_ptr<render_test::CapturedConsoles> m_console;
};

TEST_F(RoomDrawTest, ARoomWithoutViewsIsDrawnIntoTheApplicationSurfaceAndCopiedToTheWholeWindow) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start();
  m_room.width = 320;
  m_room.height = 200;
  Place(0, 100001, 10, 10, 0, 0);
  Frame();
  ASSERT_GE(g_RunState.applicationSurface, 0);
  EXPECT_EQ(Surface_GetWidth(g_RunState.applicationSurface), 640);
  EXPECT_EQ(g_WindowState.backbufferWidth, 640);
  const int target = Find("SetRenderTarget(0, texture");
  ASSERT_GE(target, 0);
  const int sprite = Find("sprite 100001", target);
  ASSERT_GT(sprite, target);
  // The room's pass: viewport of the surface's size, view of the room's.
  EXPECT_EQ(Lines()[FindLast("SetViewport", sprite)], "SetViewport({0, 0, 640, 480, 0, 1})");
  EXPECT_NE(Lines()[FindLast("SetTransform(PROJECTION", sprite)].find("{0.00625, 0, 0, 0}, {0, -0.01"),
            std::string::npos)
      << Lines()[FindLast("SetTransform(PROJECTION", sprite)];
  EXPECT_EQ(Lines()[FindLast("Clear(", sprite)], "Clear(0, null, 0x7, 0xFFC0C0C0, 1, 0)") << "the room's colour";
  // Then the window is the target again and the surface is copied over all of it.
  const int back = Find("SetRenderTarget(0, backbuffer)", sprite);
  ASSERT_GT(back, sprite);
  ExpectLastDrawCovers(0, 0, 640, 480);
  EXPECT_EQ(Draws().back().texture, Lines()[0].substr(Lines()[0].rfind(' ') + 1));
  EXPECT_EQ(g_RunState.viewCurrent, 0);
  EXPECT_EQ(Surface_StackDepth(), 0);
}

TEST_F(RoomDrawTest, KeepAspectCentresTheSurfaceInAWiderWindow) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start(kD3DFlagKeepAspect, 800, 480);
  g_AppSurface.requestedWidth = 640;
  g_AppSurface.requestedHeight = 480;
  Frame();
  EXPECT_EQ(Surface_GetWidth(g_RunState.applicationSurface), 640);
  ExpectLastDrawCovers(80, 0, 720, 480);
}

TEST_F(RoomDrawTest, AViewWithItsOwnSurfaceDrawsThereAndNotOnTheApplicationSurface) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start();
  m_room.enable_views = true;
  const int32_t own = Surface_Create(200, 100, -1);
  CRoomView& mine = m_room.views[0];
  mine.visible = true;
  mine.surfaceId = own;
  CRoomView& plain = m_room.views[1];
  plain.visible = true;
  plain.port_x = 320;
  plain.port_w = 320;
  Place(0, 100001, 10, 10, 0, 0);
  Frame();
  const std::vector<std::string> sprites = Matching("sprite 100001");
  ASSERT_EQ(sprites.size(), 2u);
  EXPECT_EQ(sprites[0], "sprite 100001 depth 0 target " + std::to_string(own));
  EXPECT_EQ(sprites[1], "sprite 100001 depth 0 target " + std::to_string(g_RunState.applicationSurface));
  const int first = Find("sprite 100001");
  EXPECT_EQ(Lines()[FindLast("SetViewport", first)], "SetViewport({0, 0, 200, 100, 0, 1})");
  // The second view's port, scaled by the application surface over the union of the ports (1 here).
  const int second = Find("sprite 100001", first + 1);
  EXPECT_EQ(Lines()[FindLast("SetViewport", second)], "SetViewport({320, 0, 320, 480, 0, 1})");
  EXPECT_EQ(Surface_StackDepth(), 0);
}

struct FollowCase {
  const char* name;
  int32_t roomWidth;
  float viewX;
  int32_t hborder;
  int32_t hspeed;
  float instanceX;
  float expected;
};

TEST_F(RoomDrawTest, ViewsFollowTheirInstance) {
  ASSERT_TRUE(Load({Entry("a")}));
  CInstance* hero = Place(0, 100001, 0, 100, 0);
  const FollowCase cases[] = {
      {"far from both edges", 2000, 0, 32, -1, 300, 0},
      {"near the right edge", 2000, 0, 32, -1, 620, 12},
      {"near the left edge", 2000, 500, 32, -1, 510, 478},
      {"a wide border centres", 2000, 0, 400, -1, 1000, 680},
      {"room narrower than the view", 500, 0, 400, -1, 250, -140},
      {"the room's left end", 2000, 100, 400, -1, 50, 0},
      {"speed limit", 2000, 0, 400, 5, 1000, 5},
      {"speed limit backwards", 2000, 600, 400, 7, 320, 593},
  };
  for (const FollowCase& c : cases) {
    m_room.enable_views = true;
    m_room.width = c.roomWidth;
    m_room.height = 480;
    CRoomView& v = m_room.views[0];
    v.visible = true;
    v.view_x = c.viewX;
    v.view_w = 640;
    v.hborder = c.hborder;
    v.hspeed = c.hspeed;
    v.object = 0;
    hero->x = c.instanceX;
    Room_SetupViews();
    EXPECT_FLOAT_EQ(v.view_x, c.expected) << c.name;
    v.object = 100001;  // by instance id as well
    v.view_x = c.viewX;
    Room_SetupViews();
    EXPECT_FLOAT_EQ(v.view_x, c.expected) << c.name << " (by id)";
  }
}

TEST_F(RoomDrawTest, AtEqualDepthsAnInstanceComesBeforeParticlesAndParticlesBeforeATile) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start();
  g_RoomDrawSources.particleMaxDepth = [] { return 0.0f; };
  g_RoomDrawSources.particleNextDepthBelow = [](float) { return kNoParticleDepth; };
  g_RoomDrawSources.particleDrawAtDepth = [](float depth) { Note("particles " + std::to_string(int(depth))); };
  g_RoomDrawSources.backgroundExists = [](int32_t b) { return b >= 0; };
  g_RoomDrawSources.drawTile = [](const RoomTile& t) { Note("tile " + std::to_string(t.id)); };
  RoomTile tile;
  tile.background = 0;
  tile.width = tile.height = 16;
  tile.id = 7;
  RoomTile deep = tile;
  deep.depth = 100;
  deep.id = 8;
  RoomTile hidden = tile;
  hidden.visible = false;
  hidden.id = 9;
  RoomTile outside = tile;
  outside.x = 5000;
  outside.id = 10;
  m_room.tiles = {deep, tile, hidden, outside};
  Place(0, 100001, 0, 0, 0, 0);
  Place(0, 100002, 0, 0, 50, 0);
  Frame();
  std::vector<std::string> order;
  for (const std::string& line : Lines()) {
    if (line.rfind("sprite", 0) == 0 || line.rfind("particles", 0) == 0 || line.rfind("tile", 0) == 0) {
      order.push_back(line.substr(0, line.find(" depth")));
    }
  }
  EXPECT_EQ(order, (std::vector<std::string>{"tile 8", "sprite 100002", "sprite 100001", "particles 0", "tile 7"}));
}

TEST_F(RoomDrawTest, TheRunnersSourcesSortTheTilesAndDrawBackgroundsAndTiles) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start();
  const int32_t index = Background_AddEmpty();
  Background_Data(index)->CreateColour(8, 8, 0x00FF00, false);
  RoomTile near;
  near.background = index;
  near.width = near.height = 8;
  near.id = 1;
  RoomTile deep = near;
  deep.depth = 10;
  deep.id = 2;
  deep.x = 100;
  m_room.tiles = {near, deep};
  Frame();
  ASSERT_EQ(m_room.tiles.size(), 2u);
  EXPECT_EQ(m_room.tiles[0].id, 2) << "sorted deepest first before drawing";
  const size_t tilesOnly = Draws().size();
  m_room.backgrounds[0].visible = true;
  m_room.backgrounds[0].index = index;
  Frame();
  EXPECT_GT(Draws().size(), tilesOnly) << "the background is drawn too";
  m_room.tiles.clear();
  m_room.backgrounds[0].visible = false;
  Frame();
  EXPECT_LT(Draws().size(), tilesOnly) << "the tiles were drawn";
  Background_Shutdown();
}

TEST_F(RoomDrawTest, ElementDepthsAreCappedAt11000) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start();
  GR_Set3DMode(true);
  Place(0, 100001, 0, 0, 50000, 0);
  Place(0, 100002, 0, 0, -20000, 0);
  Frame();
  EXPECT_EQ(Matching("sprite"),
            (std::vector<std::string>{"sprite 100001 depth 11000 target 0", "sprite 100002 depth -16000 target 0"}));
  EXPECT_TRUE(GR_Get3DMode()) << "the redraw leaves three-dimensional mode as it found it";
}

TEST_F(RoomDrawTest, DrawEventsRunInTheirOrderAroundViewsAndFrame) {
  ObjtEntry all = Entry("all");
  for (int32_t n : {0, 64, 72, 73, 74, 75, 76, 77}) all.on(kEventDraw, static_cast<uint32_t>(n), kLog);
  ASSERT_TRUE(Load({all}));
  Start();
  Place(0, 100001, 0, 0, 0, 0);
  Frame();
  std::vector<int32_t> numbers;
  for (const kit::EventSeen& e : Seen()) numbers.push_back(e.number);
  EXPECT_EQ(numbers, (std::vector<int32_t>{76, 72, 0, 73, 77, 74, 64, 75}));
  EXPECT_TRUE(Matching("sprite").empty()) << "a draw event replaces the sprite";
  // With an instance that has event 76 the window is cleared just before it, not late.
  const int pre = Find("event 76");
  EXPECT_EQ(Lines()[pre - 1].rfind("Clear(", 0), 0u) << Lines()[pre - 1];
  EXPECT_EQ(FindLast("Clear(", Find("event 77")), FindLast("Clear(", Find("event 73")));
}

TEST_F(RoomDrawTest, WithoutEvent76TheWindowIsClearedLateBeforeEvent77) {
  ObjtEntry post = Entry("post");
  post.on(kEventDraw, 77, kLog);
  ASSERT_TRUE(Load({post}));
  Start();
  Window_SetColour(0x112233);
  Place(0, 100001, 0, 0, 0);
  Frame();
  const int event = Find("event 77");
  ASSERT_GE(event, 0);
  const int clear = FindLast("Clear(", event);
  EXPECT_EQ(Lines()[clear], "Clear(0, null, 0x7, 0xFF332211, 1, 0)");
  EXPECT_GT(clear, Find("SetRenderTarget(0, backbuffer)"));

  // Without the clear display buffer flag there is none.
  m_room.clear_display_buffer = false;
  m_room.show_colour = false;
  Frame();
  EXPECT_EQ(Find("Clear("), -1);
}

TEST_F(RoomDrawTest, AnUnbalancedSurfaceStackLosesThatFramesGuiOnly) {
  ObjtEntry o = Entry("o");
  for (int32_t n : {73, 64}) o.on(kEventDraw, static_cast<uint32_t>(n), kLog);
  ASSERT_TRUE(Load({o}));
  Start();
  Place(0, 100001, 0, 0, 0);
  static int32_t s_surface = -1;
  s_surface = Surface_Create(32, 32, -1);
  kit::TheLog().onEvent = [](CInstance*, CInstance*) {
    if (Event_Current.number == 73) Surface_SetTarget(0, s_surface);
    Note("event " + std::to_string(Event_Current.number));
  };
  Frame();
  const std::string message = "Unbalanced surface stack. You MUST use surface_reset_target() for each set.";
  EXPECT_NE(Console().find(message), std::string::npos) << Console();
  EXPECT_EQ(Find("event 64"), -1);
  EXPECT_EQ(Surface_StackDepth(), 0) << "what the game left is popped";
  EXPECT_EQ(g_SurfaceTargets.boundIds[0], -1);

  // Once balanced, the next frame is whole again and says nothing.
  kit::TheLog().onEvent = [](CInstance*, CInstance*) { Note("event " + std::to_string(Event_Current.number)); };
  const size_t said = Console().size();
  Frame();
  EXPECT_GE(Find("event 64"), 0);
  EXPECT_EQ(Console().find(message, said), std::string::npos);
  EXPECT_FALSE(Draws().empty()) << "the application surface is copied again";
}

TEST_F(RoomDrawTest, TheGuiTransformFollowsTheGuiSizeOrTheMaximiseFactors) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start();
  float sx, sy, ox, oy;
  GR_SetGUISize(320, 240);
  GR_ComputeGUITransform(&sx, &sy, &ox, &oy);
  EXPECT_FLOAT_EQ(sx, 2);
  EXPECT_FLOAT_EQ(sy, 2);
  EXPECT_FLOAT_EQ(ox, -320);
  EXPECT_FLOAT_EQ(oy, -240);
  // The view bounds are the window's edges in GUI coordinates, and the inverse maps a window
  // point into them.
  EXPECT_EQ(g_GR_View.boundsRight, 320);
  EXPECT_EQ(g_GR_View.boundsBottom, 240);
  EXPECT_FLOAT_EQ(640 * g_GUI.inverse.m[0] + g_GUI.inverse.m[12], 320);
  EXPECT_FLOAT_EQ(0 * g_GUI.inverse.m[5] + g_GUI.inverse.m[13], 0);

  GR_SetGUIMaximise(1.5f, 2.0f, 10, kGUIOffsetUnset);
  GR_ComputeGUITransform(&sx, &sy, &ox, &oy);
  EXPECT_FLOAT_EQ(sx, 1.5f);
  EXPECT_FLOAT_EQ(sy, 2.0f);
  EXPECT_FLOAT_EQ(ox, -310);
  EXPECT_FLOAT_EQ(oy, -240);
  EXPECT_EQ(g_GR_View.boundsLeft, static_cast<int32_t>(std::floor((-320 + 310) / 1.5f)));

  GR_SetGUIMaximise(0.0f, 1.0f, kGUIOffsetUnset, kGUIOffsetUnset);
  GR_ComputeGUITransform(&sx, &sy, &ox, &oy);
  EXPECT_FLOAT_EQ(sx, 1.0f) << "a zero factor is drawn unscaled";

  // The redraw sets the GUI view for the GUI events.
  GR_SetGUISize(320, 240);
  Frame();
  const int last = FindLast("SetTransform(VIEW", static_cast<int>(Lines().size()));
  EXPECT_EQ(Lines()[last].rfind("SetTransform(VIEW, {{2, 0, 0, 0}, {0, 2, 0, 0}, {0, 0, 1, 0}, {-320, -240, 1, 1}})", 0),
            0u)
      << Lines()[last];
}

TEST_F(RoomDrawTest, TheCursorSpriteIsDrawnAtTheMouse) {
  ASSERT_TRUE(Load({Entry("a")}));
  Start();
  g_RoomDrawSources.drawCursor = [](int32_t sprite, float, float x, float y) {
    Note("cursor " + std::to_string(sprite) + " at " + std::to_string(int(x)) + "," + std::to_string(int(y)));
  };
  g_IOInputState.deviceMouseX[0] = 123;
  g_IOInputState.deviceMouseY[0] = 45;
  Frame();
  EXPECT_TRUE(Matching("cursor").empty());
  g_RunState.cursorSprite = 3;
  Frame();
  ASSERT_EQ(Matching("cursor"), (std::vector<std::string>{"cursor 3 at 123,45"}));
  const int cursor = Find("cursor");
  EXPECT_EQ(Lines()[FindLast("SetTransform(VIEW", cursor)],
            "SetTransform(VIEW, {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {-320, -240, 16000, 1}})");
}

}  // namespace
